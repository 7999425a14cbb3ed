// The property-list formats below the object layer: the binary reader and writer
// (checked byte for byte against files Python's plistlib wrote, and against libplist's
// reader), the XML writer, hostile binary input, and string tables.
#include "BinaryPlistReader.h"
#include "BinaryPlistWriter.h"
#include "PlistDocument.h"
#include "PlistNode.h"
#include "PlistObjects.h"
#include "PlistUnicode.h"
#include "PlistXmlReader.h"
#include "PlistXmlWriter.h"
#include "StringsTable.h"
#include "TestSupport.h"

#include <foundation/Foundation.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

using namespace ns::plist;
using testing_support::testDataDir;

namespace {

std::string slurp(const std::string& name) {
  std::ifstream in(testDataDir() / "plist" / name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Document readOrFail(std::string_view bytes) {
  auto doc = readDocument(bytes);
  EXPECT_TRUE(doc.ok()) << (doc.ok() ? "" : doc.error().message);
  return doc.ok() ? std::move(doc.value()) : Document{};
}

// The same data read by libplist's own readers.
Document viaLibplist(std::string_view bytes) {
  auto node = parseWithLibplist(bytes);
  EXPECT_TRUE(node.ok());
  auto doc = documentFromNode(node.value().get());
  EXPECT_TRUE(doc.ok());
  return std::move(doc.value());
}

void expectEqualTrees(const Document& a, const Document& b) {
  ASSERT_NE(a.root, Tree::kNone);
  ASSERT_NE(b.root, Tree::kNone);
  EXPECT_TRUE(Tree::equal(a.tree, a.root, b.tree, b.root));
}

}  // namespace

TEST(BinaryPlist, ReadsWhatPlistlibWroteWithEveryValueKind) {
  Document doc = readOrFail(slurp("types.bin"));
  const Tree& t = doc.tree;
  ASSERT_EQ(t.kind(doc.root), Kind::Dictionary);
  auto at = [&](const char* key) {
    Tree::Node n = t.lookup(doc.root, key);
    EXPECT_NE(n, Tree::kNone) << key;
    return n;
  };
  EXPECT_TRUE(t.boolValue(at("true")));
  EXPECT_FALSE(t.boolValue(at("false")));
  EXPECT_EQ(t.integerValue(at("u32")), 4294967295LL);
  EXPECT_EQ(t.integerValue(at("big")), 9007199254740993LL);
  EXPECT_EQ(t.integerValue(at("max")), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(t.integerValue(at("minusOne")), -1);
  EXPECT_EQ(t.integerValue(at("negative")), -1234567890123LL);
  EXPECT_EQ(t.integerValue(at("min")), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(t.realValue(at("real")), -1234.125);
  EXPECT_EQ(t.stringValue(at("unicode")), "h\u00e9llo \u65e5\u672c \U0001F600");
  EXPECT_EQ(t.stringValue(at("ascii")), "plain text & <markup>");
  EXPECT_EQ(t.dataValue(at("data")).size(), 52u);
  EXPECT_EQ(t.kind(at("date")), Kind::Date);
  EXPECT_EQ(isoDate(t.realValue(at("date"))), "2013-09-18T12:30:45Z");
  EXPECT_EQ(isoDate(t.realValue(at("oldDate"))), "1990-01-02T03:04:05Z");
  EXPECT_EQ(t.count(at("list")), 6u);
  EXPECT_EQ(t.count(t.lookup(t.lookup(at("nested"), "inner"), "deeper")), 2u);
}

TEST(BinaryPlist, AgreesWithLibplistAndTheXmlTwinOnPlistlibFiles) {
  for (const char* stem : {"types", "options", "array_root", "archive_mail"}) {
    SCOPED_TRACE(stem);
    std::string binary = slurp(std::string(stem) + ".bin");
    Document ours = readOrFail(binary);
    expectEqualTrees(ours, viaLibplist(binary));
    if (std::string(stem) != "archive_mail")  // its XML twin spells UIDs as {CF$UID} dictionaries
      expectEqualTrees(ours, readOrFail(slurp(std::string(stem) + ".xml")));
  }
}

TEST(BinaryPlist, WriterReproducesPlistlibBytesExactly) {
  for (const char* name : {"types.bin", "options.bin", "array_root.bin", "archive_mail.bin", "archive_pushstore.bin"}) {
    SCOPED_TRACE(name);
    std::string original = slurp(name);
    Document doc = readOrFail(original);
    EXPECT_EQ(writeBinary(doc.tree, doc.root), original);
  }
}

TEST(BinaryPlist, WriterOutputReadsBackThroughLibplistAtEveryWidth) {
  // Enough distinct values for 4-byte references and offsets, long strings for
  // extended length markers, and the integer edges of the format.
  Tree t;
  std::vector<Tree::Node> items;
  for (int i = 0; i < 70000; ++i) items.push_back(t.integer(i * 3 - 1000));
  items.push_back(t.bigUnsigned(18446744073709551615ULL));
  items.push_back(t.integer(std::numeric_limits<std::int64_t>::min()));
  items.push_back(t.string(std::string(300, 'a')));
  items.push_back(t.string(std::string(70000, 'b') + "\u00e9"));
  items.push_back(t.data(std::string(20, '\0')));
  items.push_back(t.uid(70000));
  items.push_back(t.real(std::numeric_limits<double>::infinity()));
  items.push_back(t.date(-1e9));
  Tree::Node root = t.array(items);
  std::string bytes = writeBinary(t, root);
  ASSERT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 25]), 4u);  // reference width
  Document doc;
  doc.tree = t;
  doc.root = root;
  expectEqualTrees(readOrFail(bytes), doc);
  // libplist 2.2 cannot tell 2^64-1 from -1 (both are the same unsigned node), so its
  // reading is checked on everything else and on that value's bits.
  Document libplist = viaLibplist(bytes);
  auto theirs = libplist.tree.items(libplist.root);
  ASSERT_EQ(theirs.size(), items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (t.kind(items[i]) == Kind::Integer && t.isBigUnsigned(items[i]))
      EXPECT_EQ(libplist.tree.integerValue(theirs[i]), -1);
    else
      EXPECT_TRUE(Tree::equal(t, items[i], libplist.tree, theirs[i])) << i;
  }
}

TEST(BinaryPlist, EqualScalarsAreStoredOnceAndSharedContainersStaySmall) {
  Tree t;
  Tree::Node inner = t.array(std::vector<Tree::Node>{t.string("same"), t.string("same"), t.uid(7), t.uid(7)});
  Tree::Node outer = t.array(std::vector<Tree::Node>(1000, inner));
  std::string bytes = writeBinary(t, outer);
  EXPECT_LT(bytes.size(), 2200u);  // 1000 references, one inner array, two scalars
  Document doc = readOrFail(bytes);
  EXPECT_LT(doc.tree.size(), 10u);  // read back shared, not unfolded
  EXPECT_EQ(doc.tree.count(doc.root), 1000u);
}

TEST(BinaryPlist, RefusesEveryTruncationAndCorruptionWithoutCrashing) {
  std::string good = slurp("archive_mail.bin");
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(readBinary(good.substr(0, n)).ok()) << n;
  // Flipping any single byte either still reads or is refused; it never crashes.
  for (std::size_t i = 0; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0xFF);
    (void)readBinary(bad);
  }
  EXPECT_FALSE(readDocument("").ok());
  EXPECT_FALSE(readDocument("bplist00").ok());
  EXPECT_FALSE(readDocument("<plist><dict><key>a</key>").ok());
}

namespace {

// Builds a binary file by hand: objects as given (already encoded, one-byte refs),
// two-byte offsets.
std::string handMade(const std::vector<std::string>& objects, std::uint64_t top = 0) {
  std::string out = "bplist00";
  std::vector<std::size_t> offsets;
  for (const auto& o : objects) {
    offsets.push_back(out.size());
    out += o;
  }
  std::size_t table = out.size();
  for (auto off : offsets) {
    out.push_back(static_cast<char>(off >> 8));
    out.push_back(static_cast<char>(off));
  }
  std::string trailer(32, '\0');
  trailer[6] = 2;
  trailer[7] = 1;
  for (int i = 0; i < 8; ++i) {
    trailer[8 + i] = static_cast<char>(static_cast<std::uint64_t>(objects.size()) >> (56 - 8 * i));
    trailer[16 + i] = static_cast<char>(top >> (56 - 8 * i));
    trailer[24 + i] = static_cast<char>(static_cast<std::uint64_t>(table) >> (56 - 8 * i));
  }
  return out + trailer;
}

}  // namespace

TEST(BinaryPlist, RefusesCyclesDeepNestingAndOverlappingObjects) {
  EXPECT_FALSE(readBinary(handMade({std::string("\xA1\x00", 2)})).ok());  // an array holding itself
  EXPECT_FALSE(readBinary(handMade({"\xA1\x01", "\xA1\x00"})).ok());     // two arrays holding each other
  EXPECT_TRUE(readBinary(handMade({"\xA1\x01", "\x09"})).ok());

  // A chain of 600 nested arrays is deeper than any real file.
  Tree t;
  Tree::Node n = t.boolean(true);
  for (int i = 0; i < 600; ++i) n = t.array(std::vector<Tree::Node>{n});
  auto deep = readBinary(writeBinary(t, n));
  ASSERT_FALSE(deep.ok());
  EXPECT_NE(deep.error().message.find("deep"), std::string::npos);

  // A shared-reference bomb: five levels of 200 references each, which libplist
  // unfolds into 3.2e11 nodes, reads here as six shared values.
  std::vector<std::string> bomb;
  for (int level = 0; level < 5; ++level) bomb.push_back(std::string("\xAF\x10\xC8") + std::string(200, static_cast<char>(level + 1)));
  bomb.push_back(std::string("\x10\x00", 2));
  auto shared = readBinary(handMade(bomb));
  ASSERT_TRUE(shared.ok());
  EXPECT_EQ(shared.value().tree.size(), 6u);
  // ... and refuses to be unfolded into XML or libplist nodes.
  EXPECT_FALSE(writeXml(shared.value().tree, shared.value().root).ok());
  EXPECT_FALSE(nodeFromTree(shared.value().tree, shared.value().root, 100000).ok());

  // Offsets pointing into one another's bytes would be read again and again.
  std::vector<std::string> overlap{std::string("\xAF\x10\x40") + std::string(64, '\x01')};
  for (int i = 0; i < 64; ++i) overlap.push_back("");  // objects 1..64 all start at the same bytes
  std::string bytes = handMade(overlap);
  // Point every object at the first array's bytes.
  std::size_t table = bytes.size() - 32 - 2 * overlap.size();
  for (std::size_t i = 1; i < overlap.size(); ++i) {
    bytes[table + 2 * i] = bytes[table];
    bytes[table + 2 * i + 1] = bytes[table + 1];
  }
  EXPECT_FALSE(readBinary(bytes).ok());
}

namespace {

// What the one-pass object reader makes of the bytes must be what the tree path
// makes: both succeed with equal objects, or both refuse.
void expectObjectReadersAgree(std::string_view bytes, const std::string& what) {
  objc::AutoreleasePool pool;
  auto direct = readBinaryObjects(bytes);
  auto tree = readBinary(bytes);
  objc::Result<objc::Ref> viaTree = tree.ok() ? objectFromTree(tree.value().tree, tree.value().root)
                                              : objc::Result<objc::Ref>(tree.error());
  ASSERT_EQ(direct.ok(), viaTree.ok()) << what << ": "
                                       << (direct.ok() ? viaTree.error().message : direct.error().message);
  if (direct.ok()) {
    EXPECT_TRUE(objc::send<BOOL>(direct.value().get(), objc::sel<"isEqual:">(), viaTree.value().get())) << what;
  }
}

}  // namespace

TEST(BinaryPlist, ObjectsReadInOnePassAgreeWithTheTreePath) {
  for (const char* name : {"types.bin", "options.bin", "array_root.bin"}) {
    std::string bytes = slurp(name);
    expectObjectReadersAgree(bytes, name);
    auto root = readBinaryObjects(bytes);
    ASSERT_TRUE(root.ok()) << name;
    EXPECT_EQ(objc::send<NSUInteger>(root.value().get(), objc::sel<"retainCount">()), 1u) << name;
  }
  // Every truncation and every single flipped byte of an options file: the same
  // answer both ways (the flips reach every marker, length and reference).
  std::string options = slurp("options.bin");
  for (std::size_t n = 0; n < options.size(); n += 7) expectObjectReadersAgree(options.substr(0, n), "cut");
  for (std::size_t i = 0; i < options.size(); ++i)
    for (unsigned char flip : {0x01, 0x10, 0xFF}) {
      std::string bad = options;
      bad[i] = static_cast<char>(bad[i] ^ flip);
      expectObjectReadersAgree(bad, "flip at " + std::to_string(i));
    }

  // A keyed archive holds UIDs, which are no property-list objects.
  auto archive = readBinaryObjects(slurp("archive_mail.bin"));
  ASSERT_FALSE(archive.ok());
  EXPECT_NE(archive.error().message.find("UID"), std::string::npos);
  // Keys must be strings; cycles are refused.
  EXPECT_FALSE(readBinaryObjects(handMade({"\xD1\x01\x02", "\x10\x05", "\x09"})).ok());
  EXPECT_FALSE(readBinaryObjects(handMade({"\xD1\x01\x02", "\xA0", "\x09"})).ok());
  EXPECT_TRUE(readBinaryObjects(handMade({"\xD1\x01\x02", "\x51k", "\x09"})).ok());
  EXPECT_FALSE(readBinaryObjects(handMade({"\xA1\x01", "\xA1\x00"})).ok());
  // A dictionary given one key twice keeps the last value; the value it drops is
  // still whole where the file refers to it again.
  {
    objc::AutoreleasePool pool;
    std::string twice = handMade({"\xA2\x01\x04", "\xD2\x02\x02\x04\x03", "\x51k", "\x10\x07", "\x51v"});
    expectObjectReadersAgree(twice, "a key given twice");
    auto read = readBinaryObjects(twice);
    ASSERT_TRUE(read.ok());
    id dropped = objc::send<id>(read.value().get(), objc::sel<"objectAtIndex:">(), NSUInteger{1});
    EXPECT_EQ(ns::utf8View(dropped), "v");
    EXPECT_EQ(objc::send<NSUInteger>(dropped, objc::sel<"retainCount">()), 1u);
  }
  // A value the file shares is one object, held once by each place.
  objc::AutoreleasePool pool;
  auto shared = readBinaryObjects(handMade({"\xA3\x01\x01\x02", "\x53one", "\xA1\x01"}));
  ASSERT_TRUE(shared.ok());
  id list = shared.value().get();
  auto item = [](id array, NSUInteger i) { return objc::send<id>(array, objc::sel<"objectAtIndex:">(), i); };
  id first = item(list, 0);
  EXPECT_EQ(first, item(list, 1));
  EXPECT_EQ(first, item(item(list, 2), 0));
  EXPECT_EQ(ns::utf8View(first), "one");
  EXPECT_EQ(objc::send<NSUInteger>(first, objc::sel<"retainCount">()), 3u);
}

TEST(XmlPlist, WriterOutputReadsBackThroughLibplist) {
  Document doc = readOrFail(slurp("types.bin"));
  auto xml = writeXml(doc.tree, doc.root);
  ASSERT_TRUE(xml.ok());
  EXPECT_EQ(xml.value().rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist", 0), 0u);
  EXPECT_NE(xml.value().find("<string>plain text &amp; &lt;markup&gt;</string>"), std::string::npos);
  EXPECT_NE(xml.value().find("<date>2013-09-18T12:30:45Z</date>"), std::string::npos);
  EXPECT_NE(xml.value().find("<integer>-9223372036854775808</integer>"), std::string::npos);
  expectEqualTrees(viaLibplist(xml.value()), doc);

  Tree t;
  Tree::Node root = t.array(std::vector<Tree::Node>{t.real(0.1), t.real(1e-300), t.real(-2.0), t.uid(12),
                                                    t.data(std::string(200, 'z')), t.array({}), t.dictionary({}, {})});
  auto small = writeXml(t, root);
  ASSERT_TRUE(small.ok());
  EXPECT_NE(small.value().find("<key>CF$UID</key>"), std::string::npos);
  Document back = viaLibplist(small.value());
  const Tree& b = back.tree;
  auto items = b.items(back.root);
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(b.realValue(items[0]), 0.1);
  EXPECT_EQ(b.realValue(items[1]), 1e-300);
  EXPECT_EQ(b.realValue(items[2]), -2.0);
  EXPECT_EQ(b.lookup(items[3], "CF$UID") != Tree::kNone, true);
  EXPECT_EQ(b.dataValue(items[4]), std::string(200, 'z'));
}

TEST(XmlPlist, DatesAreWrittenToTheSecondInUtc) {
  EXPECT_EQ(isoDate(0), "2001-01-01T00:00:00Z");
  EXPECT_EQ(isoDate(-0.5), "2000-12-31T23:59:59Z");
  EXPECT_EQ(isoDate(59.999), "2001-01-01T00:00:59Z");
  EXPECT_EQ(isoDate(-978307200.0), "1970-01-01T00:00:00Z");
  EXPECT_EQ(isoDate(951782400.0 - 978307200.0 + 86400 * 0), "2000-02-29T00:00:00Z");
}

TEST(Unicode, ConversionsReplaceDamageAndKeepSurrogatePairs) {
  std::string smile = "a\U0001F600b";
  std::u16string units = utf16FromUtf8(smile);
  ASSERT_EQ(units.size(), 4u);
  std::string be;
  for (char16_t u : units) be += {static_cast<char>(u >> 8), static_cast<char>(u)};
  EXPECT_EQ(utf8FromUtf16Bytes(reinterpret_cast<const unsigned char*>(be.data()), 4, true), smile);
  EXPECT_EQ(utf8FromUtf16Bytes(reinterpret_cast<const unsigned char*>("\xD8\x3D\x00\x41"), 2, true), "\uFFFDA");
  EXPECT_EQ(validUtf8("ok\xC3\xA9"), "ok\xC3\xA9");
  EXPECT_EQ(validUtf8("a\xFF\xC3"), "a\uFFFD\uFFFD");
  EXPECT_EQ(validUtf8("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
  EXPECT_EQ(validUtf8("\xC0\xAF"), "\uFFFD\uFFFD");            // an overlong '/'
}

TEST(StringsTable, ReadsTheOldStyleTextFormat) {
  auto table = ns::strings::parseTable(
      "/* Menu titles */\n"
      "\"Delete\" = \"L\\u00f6schen\";  // trailing comment\n"
      "\"Clear All\"=\"Alle l\\U00F6schen\";\n"
      "\"Quote\" = \"say \\\"hi\\\"\\n\\ttab \\\\ \\101\";\n"
      "Bare_word = other.word;\n"
      "\"Pair\" = \"\\UD83D\\UDE00\";\n"
      "\"SelfKey\";\n"
      "\"Delete\" = \"Entfernen\";\n");
  ASSERT_TRUE(table.ok()) << table.error().message;
  const auto& t = table.value();
  EXPECT_EQ(t.at("Delete"), "Entfernen");  // the later entry wins
  EXPECT_EQ(t.at("Clear All"), "Alle l\u00f6schen");
  EXPECT_EQ(t.at("Quote"), "say \"hi\"\n\ttab \\ A");
  EXPECT_EQ(t.at("Bare_word"), "other.word");
  EXPECT_EQ(t.at("Pair"), "\U0001F600");
  EXPECT_EQ(t.at("SelfKey"), "SelfKey");
  EXPECT_EQ(t.size(), 6u);

  auto braced = ns::strings::parseTable("{ \"a\" = \"b\"; }");
  ASSERT_TRUE(braced.ok());
  EXPECT_EQ(braced.value().at("a"), "b");
}

TEST(StringsTable, ReadsUtf16WithEitherByteOrderAndPropertyLists) {
  std::u16string text = u"\"Delete\" = \"\u524a\u9664\";\n";
  std::string le = "\xFF\xFE", be = "\xFE\xFF", bare;
  for (char16_t u : text) {
    le += {static_cast<char>(u), static_cast<char>(u >> 8)};
    be += {static_cast<char>(u >> 8), static_cast<char>(u)};
    bare += {static_cast<char>(u), static_cast<char>(u >> 8)};
  }
  for (const std::string& bytes : {le, be, bare, std::string("\xEF\xBB\xBF\"Delete\" = \"\u524a\u9664\";")}) {
    auto t = ns::strings::parseTable(bytes);
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.value().at("Delete"), "\u524a\u9664");
  }
  Tree tree;
  Tree::Node root = tree.dictionary(std::vector<Tree::Node>{tree.string("Delete"), tree.string("Count")},
                                    std::vector<Tree::Node>{tree.string("Supprimer"), tree.integer(3)});
  for (Format f : {Format::Binary, Format::Xml}) {
    auto t = ns::strings::parseTable(writeDocument(tree, root, f).value());
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.value().at("Delete"), "Supprimer");
    EXPECT_EQ(t.value().count("Count"), 0u);  // not a string
  }
}

TEST(StringsTable, RefusesMalformedText) {
  for (const char* bad : {"\"a\" = \"b\"", "\"a\" = \"b", "\"a\" = ;", "/* open", "\"a\" \"b\";", "{ \"a\" = \"b\";",
                          "= \"b\";", "\"a\" = \"b\"; }"})
    EXPECT_FALSE(ns::strings::parseTable(bad).ok()) << bad;
  EXPECT_TRUE(ns::strings::parseTable("").ok());
  EXPECT_TRUE(ns::strings::parseTable("// only a comment").ok());
}

TEST(XmlPlist, ReaderAgreesWithLibplistAndKeepsWhatLibplistCannot) {
  for (const char* name : {"types.xml", "options.xml", "array_root.xml", "archive_mail.xml"}) {
    SCOPED_TRACE(name);
    std::string xml = slurp(name);
    auto ours = readXml(xml);
    ASSERT_TRUE(ours.ok()) << ours.error().message;
    expectEqualTrees(ours.value(), viaLibplist(xml));
  }
  auto doc = readXml(
      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!ENTITY x \"y\"> ]>\n<!-- note -->\n"
      "<plist version=\"1.0\"><array>"
      "<integer>18446744073709551615</integer><integer> -9223372036854775808 </integer><integer>0x1F</integer>"
      "<real>+infinity</real><real>-1.5e3</real><string>a &lt;&#x263A;&#65;<![CDATA[<raw>&]]></string>"
      "<string/><true/><false></false><date>2013-09-18T12:30:45.5Z</date>"
      "<data>\n\tAAEC\n\t/w==\n</data><dict/><dict><key>k</key><!-- c --><array/></dict></array></plist>");
  ASSERT_TRUE(doc.ok()) << doc.error().message;
  const Tree& t = doc.value().tree;
  auto items = t.items(doc.value().root);
  ASSERT_EQ(items.size(), 13u);
  EXPECT_TRUE(t.isBigUnsigned(items[0]));
  EXPECT_EQ(t.uidValue(items[0]), 18446744073709551615ULL);
  EXPECT_EQ(t.integerValue(items[1]), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(t.integerValue(items[2]), 31);
  EXPECT_TRUE(std::isinf(t.realValue(items[3])));
  EXPECT_EQ(t.realValue(items[4]), -1500.0);
  EXPECT_EQ(t.stringValue(items[5]), "a <\u263AA<raw>&");
  EXPECT_EQ(t.stringValue(items[6]), "");
  EXPECT_TRUE(t.boolValue(items[7]));
  EXPECT_FALSE(t.boolValue(items[8]));
  EXPECT_EQ(isoDate(t.realValue(items[9])), "2013-09-18T12:30:45Z");
  EXPECT_EQ(t.realValue(items[9]) - std::floor(t.realValue(items[9])), 0.5);
  EXPECT_EQ(t.dataValue(items[10]), std::string("\x00\x01\x02\xFF", 4));
  EXPECT_EQ(t.count(items[12]), 1u);
}

TEST(XmlPlist, ReaderRefusesMalformedXml) {
  for (const char* bad :
       {"", "<plist>", "<plist><dict></plist>", "<dict><key>a</key></dict>", "<dict><string>a</string></dict>",
        "<array><integer>12x</integer></array>", "<integer>-9223372036854775809</integer>",
        "<integer>18446744073709551616</integer>", "<real>1.5.5</real>", "<date>2013-09-18</date>",
        "<data>AA$A</data>", "<string>&bogus;</string>", "<string>&#xD800;</string>", "<string>a<b/></string>",
        "<true>yes</true>", "<plist><string>a</string><string>b</string></plist>", "<unknown/>", "<!-- open",
        "<string>open", "<array></dict>", "<string>a</string> trailing"})
    EXPECT_FALSE(readXml(bad).ok()) << bad;
  std::string deep;
  for (int i = 0; i < 600; ++i) deep += "<array>";
  for (int i = 0; i < 600; ++i) deep += "</array>";
  EXPECT_FALSE(readXml(deep).ok());
}
