// Keyed archives: round trips of every modelled class, Foundation's layout, shared
// references, objects of unmodelled classes kept through an edit, archives written by
// Python's plistlib, and malformed archives refused without crashing.
#include "ArchiveOpaqueObject.h"
#include "BinaryPlistWriter.h"
#include "BufferRecycler.h"
#include "KeyedArchiveLayout.h"
#include "PlistDocument.h"
#include "PlistNode.h"

#include <foundation/DeviceRoot.h>
#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>
#include <foundation/Plist.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

using objc::send;
using objc::sel;
using ns::plist::Kind;
using ns::plist::Tree;
namespace fs = std::filesystem;

namespace {

std::string dataFile(const char* name) {
  std::ifstream in(testing_support::testDataDir() / "plist" / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

id get(id dict, const char* key) { return send<id>(dict, sel<"objectForKey:">(), ns::str(key)); }

std::string canonical(id object, int depth = 0);

// A field value of an archived object, with references (UID nodes, or {CF$UID} in
// XML archives) spelled out as the objects; at the top, every field but $class.
std::string canonicalField(const ns::archive::OpaqueContent& c, const Tree& t, Tree::Node n, int depth,
                           bool fields = false) {
  if (auto uid = ns::archive::uidOf(t, n); uid && !fields) return canonical(c.referenced(*uid), depth + 1);
  switch (t.kind(n)) {
    case Kind::Uid:
      return canonical(c.referenced(t.uidValue(n)), depth + 1);
    case Kind::Array: {
      std::string out = "(";
      for (Tree::Node item : t.items(n)) out += canonicalField(c, t, item, depth) + ",";
      return out + ")";
    }
    case Kind::Dictionary: {
      std::vector<std::string> parts;
      auto ks = t.keys(n), vs = t.values(n);
      for (std::size_t i = 0; i < ks.size(); ++i)
        if (!fields || t.stringValue(ks[i]) != "$class")
          parts.push_back(std::string(t.stringValue(ks[i])) + "=" + canonicalField(c, t, vs[i], depth));
      std::sort(parts.begin(), parts.end());
      std::string out = "{";
      for (auto& p : parts) out += p + ";";
      return out + "}";
    }
    default: {
      Tree copy;
      Tree::Node root = copy.array(std::vector<Tree::Node>{});
      (void)root;
      auto xml = ns::plist::writeDocument(t, n, ns::plist::Format::Xml);
      std::string text = xml.value();
      return text.substr(text.find("<plist"));
    }
  }
}

// A text that two object graphs share exactly when they hold the same values of the
// same classes (mutability and number kinds included), references expanded.
std::string canonical(id object, int depth) {
  if (depth > 64) return "<too deep>";
  if (object == nil) return "nil";
  if (const ns::archive::OpaqueContent* c = ns::archive::contentOf(object)) {
    auto info = ns::plist::writeDocument(c->cls->tree, c->cls->info, ns::plist::Format::Xml);
    return "<" + c->cls->name + " " + info.value() + canonicalField(*c, c->tree(), c->entry, depth, true) + ">";
  }
  if (ns::isString(object))
    return std::string(ns::isKind(object, ns::NSMutableStringClass()) ? "M" : "") + "\"" + ns::utf8(object) + "\"";
  if (ns::isNumber(object)) {
    if (ns::isBoolean(object)) return ns::numberAsLongLong(object) ? "YES" : "NO";
    if (ns::isRealKind(ns::numberKind(object))) return "r" + std::to_string(ns::numberAsDouble(object));
    return "i" + std::to_string(ns::numberAsLongLong(object));
  }
  if (ns::isData(object)) {
    std::string out = std::string(ns::isKind(object, ns::NSMutableDataClass()) ? "M" : "") + "<";
    for (std::uint8_t b : ns::bytesOf(object)) out += std::to_string(b) + ".";
    return out + ">";
  }
  if (ns::isNull(object)) return "null";
  if (ns::isArray(object)) {
    std::string out = std::string(ns::isKind(object, ns::NSMutableArrayClass()) ? "M" : "") + "(";
    for (id item : ns::elements(object)) out += canonical(item, depth + 1) + ",";
    return out + ")";
  }
  if (ns::isDictionary(object) || ns::isSet(object)) {
    std::vector<std::string> parts;
    for (auto [k, v] : ns::entries(object)) parts.push_back(canonical(k, depth + 1) + (ns::isSet(object) ? "" : "=" + canonical(v, depth + 1)));
    std::sort(parts.begin(), parts.end());
    bool isMutable = ns::isKind(object, ns::NSMutableDictionaryClass()) || ns::isKind(object, ns::NSMutableSetClass());
    std::string out = std::string(isMutable ? "M" : "") + (ns::isSet(object) ? "set{" : "{");
    for (auto& p : parts) out += p + ";";
    return out + "}";
  }
  if (ns::isKind(object, objc::classNamed("NSDate")))
    return "date:" + std::to_string(send<double>(object, sel<"timeIntervalSinceReferenceDate">()));
  if (ns::isKind(object, objc::classNamed("NSURL"))) return "url:" + ns::utf8(send<id>(object, sel<"absoluteString">()));
  return std::string("?") + objc::className(object);
}

objc::Ref roundTrip(id root) {
  auto data = ns::archivedData(root);
  EXPECT_TRUE(data.ok()) << (data.ok() ? "" : data.error().message);
  if (!data.ok()) return {};
  auto back = ns::unarchiveData(data.value());
  EXPECT_TRUE(back.ok()) << (back.ok() ? "" : back.error().message);
  return back.ok() ? back.value() : objc::Ref();
}

class KeyedArchives : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    fs::create_directories(root_.path() / "var/mobile/Library/SpringBoard/PushStore");
    fs::create_directories(root_.path() / "var/mobile/Library/Mail");
  }
  fs::path host(std::string_view devicePath) { return ns::hostPath(devicePath).value(); }
  void install(const char* dataName, std::string_view devicePath) {
    fs::copy_file(testing_support::testDataDir() / "plist" / dataName, host(devicePath),
                  fs::copy_options::overwrite_existing);
  }
  std::string contents(std::string_view devicePath) {
    std::ifstream in(host(devicePath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

id everyModelledClass() {
  unsigned char raw[] = {1, 2, 3};
  id date = send<id>(objc::classNamed("NSDate"), sel<"dateWithTimeIntervalSinceReferenceDate:">(), 123456.75);
  id url = send<id>(objc::classNamed("NSURL"), sel<"URLWithString:">(), ns::str("https://example.com/a?b=c"));
  return ns::mutableDictionary({
      {ns::str("string"), ns::str("caf\u00e9 \U0001F600")},
      {ns::str("mutableString"), ns::mutableStr("grow")},
      {ns::str("int"), ns::numberWithInt(42)},
      {ns::str("negative"), ns::numberWithLongLong(-5000000000LL)},
      {ns::str("yes"), ns::numberWithBool(true)},
      {ns::str("no"), ns::numberWithBool(false)},
      {ns::str("double"), ns::numberWithDouble(-2.25)},
      {ns::str("data"), ns::data(std::span<const std::uint8_t>(raw, 3))},
      {ns::str("mutableData"), ns::mutableData(std::span<const std::uint8_t>(raw, 2))},
      {ns::str("date"), date},
      {ns::str("null"), ns::null()},
      {ns::str("url"), url},
      {ns::str("array"), ns::array({ns::str("a"), ns::numberWithInt(1)})},
      {ns::str("mutableArray"), ns::mutableArray({ns::str("b")})},
      {ns::str("dictionary"), ns::dictionary({{ns::str("k"), ns::str("v")}})},
      {ns::str("emptyDictionary"), ns::mutableDictionary()},
      {ns::str("set"), ns::set({ns::str("x"), ns::str("y")})},
      {ns::str("mutableSet"), ns::mutableSet({ns::numberWithInt(7)})},
  });
}

TEST_F(KeyedArchives, EveryModelledClassRoundTripsWithItsKindAndMutability) {
  id root = everyModelledClass();
  objc::Ref back = roundTrip(root);
  ASSERT_TRUE(back);
  EXPECT_EQ(canonical(back), canonical(root));
  EXPECT_TRUE(send<BOOL>(back, sel<"isEqual:">(), root));
  EXPECT_TRUE(ns::isKind(back, ns::NSMutableDictionaryClass()));
  EXPECT_FALSE(ns::isKind(get(back, "array"), ns::NSMutableArrayClass()));
  EXPECT_EQ(ns::utf8(send<id>(get(back, "url"), sel<"absoluteString">())), "https://example.com/a?b=c");
  // Single values as roots, nil included.
  EXPECT_EQ(ns::utf8(roundTrip(ns::str("alone"))), "alone");
  EXPECT_EQ(send<long long>(roundTrip(ns::numberWithLongLong(-1)), sel<"longLongValue">()), -1);
  auto nilArchive = ns::archivedData(nil);
  ASSERT_TRUE(nilArchive.ok());
  auto nilBack = ns::unarchiveData(nilArchive.value());
  ASSERT_TRUE(nilBack.ok());
  EXPECT_EQ(nilBack.value().get(), nil);
}

TEST_F(KeyedArchives, TheLayoutIsFoundationsOwn) {
  id root = ns::mutableArray({ns::str("one"), ns::dictionary({{ns::str("k"), ns::numberWithBool(true)}})});
  auto data = ns::archivedData(root);
  ASSERT_TRUE(data.ok());
  std::string bytes(data.value().begin(), data.value().end());
  EXPECT_EQ(bytes.rfind("bplist00", 0), 0u);
  // Read with libplist, so the check does not depend on our own reader.
  auto node = ns::plist::parseWithLibplist(bytes);
  ASSERT_TRUE(node.ok());
  auto doc = ns::plist::documentFromNode(node.value().get());
  ASSERT_TRUE(doc.ok());
  const Tree& t = doc.value().tree;
  Tree::Node top = doc.value().root;
  EXPECT_EQ(t.stringValue(t.lookup(top, "$archiver")), "NSKeyedArchiver");
  EXPECT_EQ(t.integerValue(t.lookup(top, "$version")), 100000);
  Tree::Node rootRef = t.lookup(t.lookup(top, "$top"), "root");
  ASSERT_EQ(t.kind(rootRef), Kind::Uid);
  EXPECT_EQ(t.uidValue(rootRef), 1u);
  auto objects = t.items(t.lookup(top, "$objects"));
  ASSERT_GE(objects.size(), 6u);
  EXPECT_EQ(t.stringValue(objects[0]), "$null");
  Tree::Node array = objects[1];
  Tree::Node classRef = t.lookup(array, "$class");
  ASSERT_EQ(t.kind(classRef), Kind::Uid);
  Tree::Node cls = objects[t.uidValue(classRef)];
  EXPECT_EQ(t.stringValue(t.lookup(cls, "$classname")), "NSMutableArray");
  auto chain = t.items(t.lookup(cls, "$classes"));
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(t.stringValue(chain[0]), "NSMutableArray");
  EXPECT_EQ(t.stringValue(chain[1]), "NSArray");
  EXPECT_EQ(t.stringValue(chain[2]), "NSObject");
  auto items = t.items(t.lookup(array, "NS.objects"));
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(t.stringValue(objects[t.uidValue(items[0])]), "one");  // strings are plain values
  Tree::Node dict = objects[t.uidValue(items[1])];
  EXPECT_EQ(t.kind(t.lookup(dict, "NS.keys")), Kind::Array);
  Tree::Node flag = objects[t.uidValue(t.items(t.lookup(dict, "NS.objects"))[0])];
  EXPECT_EQ(t.kind(flag), Kind::Boolean);
  // The class dictionary follows the objects it describes, as Foundation orders them.
  EXPECT_GT(t.uidValue(classRef), t.uidValue(items[1]));
}

TEST_F(KeyedArchives, AnObjectReferencedTwiceStaysOneObject) {
  id shared = ns::mutableStr("shared");
  id list = ns::mutableArray({shared});
  id root = ns::dictionary({{ns::str("a"), shared}, {ns::str("b"), shared}, {ns::str("list"), list},
                            {ns::str("again"), list}});
  objc::Ref back = roundTrip(root);
  ASSERT_TRUE(back);
  id a = get(back, "a");
  EXPECT_EQ(a, get(back, "b"));
  EXPECT_EQ(a, send<id>(get(back, "list"), sel<"objectAtIndex:">(), NSUInteger{0}));
  EXPECT_EQ(get(back, "list"), get(back, "again"));
  send<void>(a, sel<"appendString:">(), ns::str("!"));
  EXPECT_EQ(ns::utf8(get(back, "b")), "shared!");
}

TEST_F(KeyedArchives, ADeepGraphLargerThanForeseenKeepsItsSharing) {
  // Three levels of arrays: the encoder foresees the first two, so its table of the
  // objects met grows several times while the innermost strings are numbered.
  id shared = ns::mutableStr("shared");
  id root = ns::mutableArray();
  for (int i = 0; i < 10; ++i) {
    id middle = ns::mutableArray();
    for (int j = 0; j < 10; ++j) {
      id inner = ns::mutableArray({shared});
      for (int k = 0; k < 40; ++k)
        send<void>(inner, sel<"addObject:">(), ns::mutableStr("item " + std::to_string(i * 400 + j * 40 + k)));
      send<void>(middle, sel<"addObject:">(), inner);
    }
    send<void>(root, sel<"addObject:">(), middle);
  }
  objc::Ref back = roundTrip(root);
  ASSERT_TRUE(back);
  EXPECT_TRUE(send<BOOL>(back.get(), sel<"isEqual:">(), root));
  auto innerAt = [&](NSUInteger i, NSUInteger j) {
    return send<id>(send<id>(back.get(), sel<"objectAtIndex:">(), i), sel<"objectAtIndex:">(), j);
  };
  id first = send<id>(innerAt(0, 0), sel<"objectAtIndex:">(), NSUInteger{0});
  EXPECT_EQ(first, send<id>(innerAt(9, 9), sel<"objectAtIndex:">(), NSUInteger{0}));
  EXPECT_NE(first, send<id>(innerAt(9, 9), sel<"objectAtIndex:">(), NSUInteger{1}));
}

TEST_F(KeyedArchives, RefusesToWriteCyclesAndUnarchivableObjects) {
  id loop = ns::mutableArray();
  send<void>(loop, sel<"addObject:">(), loop);
  EXPECT_EQ(send<id>(ns::NSKeyedArchiverClass(), sel<"archivedDataWithRootObject:">(), loop), nil);
  send<void>(loop, sel<"removeAllObjects">());
  objc::Ref plain = objc::Ref::adopt(objc::allocInit(objc::NSObjectClass()));
  EXPECT_EQ(send<id>(ns::NSKeyedArchiverClass(), sel<"archivedDataWithRootObject:">(), ns::array({plain.get()})), nil);
  // A failed archive leaves the file as it was.
  install("archive_pushstore.bin", "/var/mobile/Library/SpringBoard/PushStore/x.pushstore");
  std::string before = contents("/var/mobile/Library/SpringBoard/PushStore/x.pushstore");
  EXPECT_FALSE(send<BOOL>(ns::NSKeyedArchiverClass(), sel<"archiveRootObject:toFile:">(), ns::array({plain.get()}),
                          ns::str("/var/mobile/Library/SpringBoard/PushStore/x.pushstore")));
  EXPECT_EQ(contents("/var/mobile/Library/SpringBoard/PushStore/x.pushstore"), before);
}

TEST_F(KeyedArchives, PythonMailArchiveKeepsUnmodelledObjectsThroughAnEdit) {
  constexpr const char* kPath = "/var/mobile/Library/Mail/Bulletins";
  install("archive_mail.bin", kPath);
  id root = send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), ns::str(kPath));
  ASSERT_TRUE(ns::isDictionary(root));
  EXPECT_EQ(send<NSUInteger>(root, sel<"count">()), 12u);

  // The XML twin (UIDs spelled {CF$UID = n}) reads to the same objects.
  std::string xml = dataFile("archive_mail.xml");
  auto fromXml = ns::unarchiveData(bytesOf(xml));
  ASSERT_TRUE(fromXml.ok()) << fromXml.error().message;
  EXPECT_EQ(canonical(fromXml.value()), canonical(root));

  id bulletins = get(root, "bulletins");
  ASSERT_TRUE(ns::isKind(bulletins, ns::NSMutableDictionaryClass()));
  EXPECT_EQ(send<NSUInteger>(bulletins, sel<"count">()), 3u);
  id first = get(bulletins, "mail-record-1");
  ASSERT_TRUE(ns::isKind(first, ns::NSArchivedObjectClass()));
  EXPECT_EQ(ns::archivedClassName(first), "BBBulletin");
  EXPECT_EQ(ns::utf8(send<id>(first, sel<"archivedClassName">())), "BBBulletin");
  EXPECT_EQ(ns::utf8(send<id>(first, sel<"archivedValueForKey:">(), ns::str("message"))), "Lunch at noon?");
  EXPECT_EQ(send<NSInteger>(send<id>(first, sel<"archivedValueForKey:">(), ns::str("badge")), sel<"integerValue">()),
            1);
  id section = send<id>(first, sel<"archivedValueForKey:">(), ns::str("section"));
  EXPECT_EQ(ns::archivedClassName(section), "BBSectionInfo");
  EXPECT_EQ(section, send<id>(get(bulletins, "mail-record-3"), sel<"archivedValueForKey:">(), ns::str("section")));
  EXPECT_EQ(get(root, "title"), get(root, "sharedTitle"));
  EXPECT_EQ(send<long long>(get(root, "negative"), sel<"longLongValue">()), -42);

  // The edit the removal code makes: a mutable copy of the root, one entry removed
  // from "bulletins", archived back to the same path.
  id edited = send<id>(ns::NSMutableDictionaryClass(), sel<"dictionaryWithDictionary:">(), root);
  send<void>(bulletins, sel<"removeObjectForKey:">(), ns::str("mail-record-2"));
  send<void>(edited, sel<"setObject:forKey:">(), bulletins, ns::str("bulletins"));
  std::string expected = canonical(edited);
  ASSERT_TRUE(send<BOOL>(ns::NSKeyedArchiverClass(), sel<"archiveRootObject:toFile:">(), edited, ns::str(kPath)));

  id reread = send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), ns::str(kPath));
  ASSERT_NE(reread, nil);
  EXPECT_EQ(canonical(reread), expected);
  id again = get(reread, "bulletins");
  EXPECT_EQ(send<NSUInteger>(again, sel<"count">()), 2u);
  EXPECT_EQ(send<id>(get(again, "mail-record-1"), sel<"archivedValueForKey:">(), ns::str("section")),
            send<id>(get(again, "mail-record-3"), sel<"archivedValueForKey:">(), ns::str("section")));
  EXPECT_EQ(get(reread, "title"), get(reread, "sharedTitle"));
  // The class dictionaries of unmodelled classes keep their extra entries.
  const auto* content = ns::archive::contentOf(get(again, "mail-record-1"));
  ASSERT_NE(content, nullptr);
  EXPECT_NE(content->cls->tree.lookup(content->cls->info, "$classhints"), Tree::kNone);
}

// An archive of two objects of an unmodelled class, "Record", sharing a date and a
// name, one holding a mutable string and the other an object of another unmodelled
// class, "Tag", that holds only a value: all of them leaves, which are made only
// when asked for.  `badDate` gives the date no NS.time.
std::vector<std::uint8_t> recordsArchive(bool badDate = false) {
  Tree t;
  auto str = [&](const char* s) { return t.string(s); };
  auto uid = [&](std::uint64_t u) { return t.uid(u); };
  auto dict = [&](std::vector<std::pair<const char*, Tree::Node>> pairs) {
    std::vector<Tree::Node> keys, values;
    for (auto& [k, v] : pairs) {
      keys.push_back(t.string(k));
      values.push_back(v);
    }
    return t.dictionary(keys, values);
  };
  auto cls = [&](const char* name) {
    return dict({{"$classname", str(name)}, {"$classes", t.array(std::vector<Tree::Node>{str(name), str("NSObject")})}});
  };
  std::vector<Tree::Node> objects{
      str("$null"),
      dict({{"$class", uid(12)}, {"NS.objects", t.array(std::vector<Tree::Node>{uid(2), uid(3)})}}),
      dict({{"$class", uid(4)}, {"when", uid(5)}, {"name", uid(6)}, {"note", uid(7)}, {"count", t.integer(3)}}),
      dict({{"$class", uid(4)}, {"when", uid(5)}, {"name", uid(6)}, {"tag", uid(8)}}),
      cls("Record"),
      badDate ? dict({{"$class", uid(9)}}) : dict({{"$class", uid(9)}, {"NS.time", t.real(12.5)}}),
      str("shared name"),
      dict({{"$class", uid(10)}, {"NS.string", str("grow")}}),
      dict({{"$class", uid(11)}, {"label", str("t")}}),
      cls("NSDate"),
      cls("NSMutableString"),
      cls("Tag"),
      cls("NSArray"),
  };
  Tree::Node root = dict({{"$archiver", str("NSKeyedArchiver")},
                          {"$version", t.integer(100000)},
                          {"$top", dict({{"root", uid(1)}})},
                          {"$objects", t.array(objects)}});
  std::string bytes = ns::plist::writeBinary(t, root);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

TEST_F(KeyedArchives, ValuesOfUnmodelledObjectsAreMadeOnceWhenAskedForAndWrittenBackAsTheyStand) {
  auto field = [](id object, const char* key) {
    return send<id>(object, sel<"archivedValueForKey:">(), ns::str(key));
  };
  objc::Ref tag;
  {
  objc::AutoreleasePool inner;
  auto records = ns::unarchiveData(recordsArchive());
  ASSERT_TRUE(records.ok()) << records.error().message;
  id a = send<id>(records.value(), sel<"objectAtIndex:">(), NSUInteger{0});
  id b = send<id>(records.value(), sel<"objectAtIndex:">(), NSUInteger{1});
  // Written back without anything asked for: the same content, the date still shared.
  objc::Ref untouched = roundTrip(records.value());
  ASSERT_TRUE(untouched);
  EXPECT_EQ(canonical(untouched), canonical(records.value()));
  id copyA = send<id>(untouched, sel<"objectAtIndex:">(), NSUInteger{0});
  id copyB = send<id>(untouched, sel<"objectAtIndex:">(), NSUInteger{1});
  EXPECT_EQ(field(copyA, "when"), field(copyB, "when"));

  // Asked for, a shared value is one object, every time.
  id when = field(a, "when");
  ASSERT_TRUE(ns::isKind(when, objc::classNamed("NSDate")));
  EXPECT_EQ(send<double>(when, sel<"timeIntervalSinceReferenceDate">()), 12.5);
  EXPECT_EQ(when, field(b, "when"));
  EXPECT_EQ(field(a, "name"), field(b, "name"));
  EXPECT_EQ(field(a, "note"), field(a, "note"));
  EXPECT_EQ(send<long long>(field(a, "count"), sel<"longLongValue">()), 3);
  EXPECT_EQ(field(a, "$class"), nil);
  // A mutable value changed after it was asked for is written as it now stands.
  send<void>(field(a, "note"), sel<"appendString:">(), ns::str("!"));
  objc::Ref changed = roundTrip(records.value());
  ASSERT_TRUE(changed);
  EXPECT_EQ(ns::utf8(field(send<id>(changed, sel<"objectAtIndex:">(), NSUInteger{0}), "note")), "grow!");

  // An unmodelled object holding only values outlives everything it was read with.
  tag = objc::Ref::retain(field(b, "tag"));
  EXPECT_EQ(ns::archivedClassName(tag), "Tag");
  }
  EXPECT_EQ(ns::utf8(field(tag, "label")), "t");
  EXPECT_EQ(canonical(roundTrip(tag.get())), canonical(tag.get()));

  // A malformed value is refused when the archive is read, not when it is asked for.
  EXPECT_FALSE(ns::unarchiveData(recordsArchive(true)).ok());
}

TEST(BufferRecycler, LargeBuffersAreHandedToTheThreadsNextJobWithinBounds) {
  using ns::detail::recycleBuffer;
  using ns::detail::reuseBuffer;
  std::vector<std::uint64_t> big;
  reuseBuffer(big, 100000);
  big.assign(100000, 7);
  const std::uint64_t* memory = big.data();
  recycleBuffer(big);
  EXPECT_EQ(big.capacity(), 0u);
  // Another thread has its own store: it does not get this thread's buffer.
  std::thread([&] {
    std::vector<std::uint64_t> other;
    reuseBuffer(other, 50000);
    EXPECT_NE(other.data(), memory);
  }).join();
  std::vector<std::uint64_t> again;
  reuseBuffer(again, 50000);  // smaller than the kept one: it serves
  EXPECT_EQ(again.data(), memory);
  EXPECT_TRUE(again.empty());
  recycleBuffer(again);
  // Small buffers are freed, not kept.
  std::vector<std::uint64_t> small(100);
  recycleBuffer(small);
  std::vector<std::uint64_t> fresh;
  reuseBuffer(fresh, 100000);
  EXPECT_EQ(fresh.data(), memory);  // the large one, not the small one
  recycleBuffer(fresh);
  // A buffer to be overwritten comes at the size asked, as the last job left it
  // (nothing spent zeroing it); one to be filled comes empty.
  std::vector<std::uint8_t> bytes;
  ns::detail::reuseBufferForOverwrite(bytes, 300000);
  ASSERT_EQ(bytes.size(), 300000u);
  std::fill(bytes.begin(), bytes.end(), std::uint8_t{0xAB});
  const std::uint8_t* where = bytes.data();
  recycleBuffer(bytes);
  std::vector<std::uint8_t> next;
  ns::detail::reuseBufferForOverwrite(next, 290000);
  EXPECT_EQ(next.data(), where);
  ASSERT_EQ(next.size(), 290000u);
  EXPECT_EQ(next[289999], 0xAB);
  recycleBuffer(next);
  std::vector<std::uint8_t> filled;
  reuseBuffer(filled, 290000);
  EXPECT_EQ(filled.data(), where);
  EXPECT_TRUE(filled.empty());
  recycleBuffer(filled);
  // No more than the bound is kept in all.
  std::vector<std::vector<char>> many(20);
  for (auto& b : many) b.reserve(ns::detail::kMaxKeptBytes / 8);
  for (auto& b : many) recycleBuffer(b);
  EXPECT_LE(ns::detail::keptBytes(), ns::detail::kMaxKeptBytes);
}

TEST_F(KeyedArchives, LargeArchivesWrittenIntoReusedBuffersAreTheSameBytes) {
  // Archives large enough for their output buffers to be kept and handed on with
  // an earlier archive's bytes still in them.
  auto bigList = [](const char* word, int count) {
    id list = ns::mutableArray();
    for (int i = 0; i < count; ++i)
      send<void>(list, sel<"addObject:">(), ns::str(std::string(word) + " " + std::to_string(i)));
    return list;
  };
  id first = bigList("first", 30000), second = bigList("other text, longer", 40000);
  auto once = ns::archivedData(first);
  ASSERT_TRUE(once.ok());
  ASSERT_GT(once.value().size(), ns::detail::kMinKeptBytes);
  for (id root : {second, first}) {
    auto bytes = ns::archivedData(root);
    ASSERT_TRUE(bytes.ok());
    auto back = ns::unarchiveData(bytes.value());
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(send<BOOL>(back.value().get(), sel<"isEqual:">(), root));
  }
  EXPECT_EQ(ns::archivedData(first).value(), once.value());
}

TEST_F(KeyedArchives, PythonPushStoreLosesOnlyTheRemovedEntry) {
  constexpr const char* kPath = "/var/mobile/Library/SpringBoard/PushStore/com.example.app.pushstore";
  install("archive_pushstore.bin", kPath);
  id list = send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), ns::str(kPath));
  ASSERT_TRUE(ns::isKind(list, ns::NSMutableArrayClass()));
  ASSERT_EQ(send<NSUInteger>(list, sel<"count">()), 12u);
  id fifth = send<id>(list, sel<"objectAtIndex:">(), NSUInteger{5});
  EXPECT_EQ(ns::utf8(get(fifth, "AppNotificationMessage")), "Message 5");
  EXPECT_TRUE(ns::isKind(fifth, ns::NSMutableDictionaryClass()));
  send<void>(list, sel<"removeObject:">(), fifth);
  std::string expected = canonical(list);
  ASSERT_TRUE(send<BOOL>(ns::NSKeyedArchiverClass(), sel<"archiveRootObject:toFile:">(), list, ns::str(kPath)));
  id reread = send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), ns::str(kPath));
  EXPECT_EQ(send<NSUInteger>(reread, sel<"count">()), 11u);
  EXPECT_EQ(canonical(reread), expected);
}

TEST_F(KeyedArchives, MalformedArchivesGiveNil) {
  for (const char* name : {"bad_uid_out_of_range.bin", "bad_root_out_of_range.bin", "bad_cycle.bin",
                           "bad_container_type.bin", "bad_class_reference.bin", "bad_objects_not_array.bin",
                           "bad_dictionary_counts.bin"}) {
    std::string bytes = dataFile(name);
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_FALSE(ns::unarchiveData(bytesOf(bytes)).ok()) << name;
    EXPECT_EQ(send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithData:">(), ns::data(bytes)), nil) << name;
  }
  EXPECT_FALSE(ns::unarchiveData(bytesOf(dataFile("options.bin"))).ok());  // a property list, not an archive
  EXPECT_EQ(send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithData:">(), nil), nil);
  EXPECT_EQ(send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), ns::str("/missing")), nil);

  std::string good = dataFile("archive_mail.bin");
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(ns::unarchiveData(bytesOf(good.substr(0, n))).ok()) << n;
  for (std::size_t i = 8; i < good.size(); ++i) {  // any single damaged byte: refused or read, never a crash
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] + 1);
    (void)ns::unarchiveData(bytesOf(bad));
  }
}

// An archive of `depth` arrays, each holding the next, built value by value.
std::string nestedArchive(int depth) {
  Tree t;
  std::vector<Tree::Node> objects{t.string("$null")};
  Tree::Node cls = t.dictionary(std::vector<Tree::Node>{t.string("$classname"), t.string("$classes")},
                                std::vector<Tree::Node>{t.string("NSArray"), t.array(std::vector<Tree::Node>{})});
  std::uint64_t classUid = depth + 1;
  for (int i = 1; i <= depth; ++i) {
    std::vector<Tree::Node> items;
    if (i < depth) items.push_back(t.uid(i + 1));
    objects.push_back(t.dictionary(std::vector<Tree::Node>{t.string("NS.objects"), t.string("$class")},
                                   std::vector<Tree::Node>{t.array(items), t.uid(classUid)}));
  }
  objects.push_back(cls);
  Tree::Node top = t.dictionary(std::vector<Tree::Node>{t.string("root")}, std::vector<Tree::Node>{t.uid(1)});
  Tree::Node root = t.dictionary(
      std::vector<Tree::Node>{t.string("$archiver"), t.string("$version"), t.string("$top"), t.string("$objects")},
      std::vector<Tree::Node>{t.string("NSKeyedArchiver"), t.integer(100000), top, t.array(objects)});
  return ns::plist::writeBinary(t, root);
}

TEST_F(KeyedArchives, AbsurdNestingIsRefusedAndOrdinaryNestingRead) {
  EXPECT_TRUE(ns::unarchiveData(bytesOf(nestedArchive(100))).ok());
  auto deep = ns::unarchiveData(bytesOf(nestedArchive(5000)));
  ASSERT_FALSE(deep.ok());
  EXPECT_NE(deep.error().message.find("deep"), std::string::npos);
}

}  // namespace
