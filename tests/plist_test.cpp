// Property lists as objects: the file methods of NSDictionary and NSArray and
// NSPropertyListSerialization, on files Python's plistlib wrote and on our own.
#include <foundation/DeviceRoot.h>
#include <foundation/Foundation.h>
#include <foundation/Plist.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

using objc::send;
using objc::sel;
namespace fs = std::filesystem;

namespace {

class PropertyLists : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    fs::create_directories(root_.path() / "var/mobile/Library/Preferences");
  }

  // Copies a file of tests/data/plist into the device root; answers its device path.
  id install(const char* dataName, const char* devicePath) {
    fs::copy_file(testing_support::testDataDir() / "plist" / dataName, host(devicePath),
                  fs::copy_options::overwrite_existing);
    return ns::str(devicePath);
  }
  fs::path host(std::string_view devicePath) { return ns::hostPath(devicePath).value(); }
  std::string contents(std::string_view devicePath) {
    std::ifstream in(host(devicePath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void put(std::string_view devicePath, std::string_view bytes) {
    std::ofstream(host(devicePath), std::ios::binary) << bytes;
  }

  static id get(id dict, const char* key) { return send<id>(dict, sel<"objectForKey:">(), ns::str(key)); }

  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

constexpr const char* kPrefs = "/var/mobile/Library/Preferences/options.plist";

TEST_F(PropertyLists, ReadsPlistlibOptionsFilesInBothFormats) {
  for (const char* name : {"options.xml", "options.bin"}) {
    SCOPED_TRACE(name);
    id path = install(name, kPrefs);
    id options = send<id>(ns::NSDictionaryClass(), sel<"dictionaryWithContentsOfFile:">(), path);
    ASSERT_NE(options, nil);
    EXPECT_EQ(send<NSUInteger>(options, sel<"count">()), 40u);
    EXPECT_TRUE(ns::isBoolean(get(options, "Switch00")));
    EXPECT_FALSE(send<BOOL>(get(options, "Switch00"), sel<"boolValue">()));
    EXPECT_TRUE(send<BOOL>(get(options, "Switch01"), sel<"boolValue">()));
    EXPECT_EQ(send<NSInteger>(get(options, "Level00"), sel<"integerValue">()), -10);  // negative integers
    EXPECT_EQ(send<NSInteger>(get(options, "Level05"), sel<"integerValue">()), 25);
    EXPECT_FALSE(ns::isBoolean(get(options, "Level05")));
    EXPECT_DOUBLE_EQ(send<double>(get(options, "Alpha01"), sel<"doubleValue">()), 0.35);
    EXPECT_EQ(ns::utf8(get(options, "Name03")), "value number 3");
    id folded = get(options, "foldedSections");
    ASSERT_TRUE(ns::isArray(folded));
    EXPECT_EQ(ns::utf8(send<id>(folded, sel<"objectAtIndex:">(), NSUInteger{1})), "com.apple.mobilemail");
    EXPECT_FALSE(ns::isKind(options, ns::NSMutableDictionaryClass()));
  }
}

TEST_F(PropertyLists, MissingUnreadableAndWrongKindFilesGiveNil) {
  auto dictAt = [](id path) { return send<id>(ns::NSDictionaryClass(), sel<"dictionaryWithContentsOfFile:">(), path); };
  auto arrayAt = [](id path) { return send<id>(ns::NSArrayClass(), sel<"arrayWithContentsOfFile:">(), path); };
  EXPECT_EQ(dictAt(ns::str("/var/mobile/none.plist")), nil);
  EXPECT_EQ(dictAt(nil), nil);
  EXPECT_EQ(dictAt(ns::str("/var/mobile")), nil);                      // a folder
  EXPECT_EQ(dictAt(ns::str("/../../etc/passwd")), nil);                // above the device root
  put("/var/mobile/garbage.plist", "this is { not a plist");
  EXPECT_EQ(dictAt(ns::str("/var/mobile/garbage.plist")), nil);
  put("/var/mobile/empty.plist", "");
  EXPECT_EQ(dictAt(ns::str("/var/mobile/empty.plist")), nil);
  for (const char* name : {"array_root.xml", "array_root.bin"}) {
    id path = install(name, "/var/mobile/list.plist");
    EXPECT_EQ(dictAt(path), nil) << name;  // the root is an array
    id list = arrayAt(path);
    ASSERT_NE(list, nil) << name;
    EXPECT_EQ(send<NSUInteger>(list, sel<"count">()), 3u);
    EXPECT_EQ(ns::utf8(send<id>(list, sel<"objectAtIndex:">(), NSUInteger{0})), "first");
  }
  id path = install("options.bin", kPrefs);
  EXPECT_EQ(arrayAt(path), nil);  // the root is a dictionary
  // A truncated binary file is refused as a whole.
  std::string bin = contents(kPrefs);
  put(kPrefs, bin.substr(0, bin.size() - 10));
  EXPECT_EQ(dictAt(path), nil);
}

TEST_F(PropertyLists, WritesXmlThatReadsBackWithEveryValueKind) {
  unsigned char raw[] = {0, 1, 2, 255};
  id inner = ns::array({ns::numberWithInt(1), ns::str("two"), ns::mutableDictionary()});
  id dict = ns::dictionary({
      {ns::str("yes"), ns::numberWithBool(true)},
      {ns::str("no"), ns::numberWithBool(false)},
      {ns::str("negative"), ns::numberWithLongLong(-9876543210LL)},
      {ns::str("min"), ns::numberWithLongLong(std::numeric_limits<long long>::min())},
      {ns::str("real"), ns::numberWithDouble(-0.1)},
      {ns::str("text"), ns::str("a < b & c \u00e9 \U0001F600")},
      {ns::str("data"), ns::data(std::span<const std::uint8_t>(raw, 4))},
      {ns::str("list"), inner},
  });
  id path = ns::str(kPrefs);
  ASSERT_TRUE(send<BOOL>(dict, sel<"writeToFile:atomically:">(), path, BOOL{YES}));
  std::string xml = contents(kPrefs);
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
  EXPECT_NE(xml.find("<integer>-9876543210</integer>"), std::string::npos);
  EXPECT_NE(xml.find("<true/>"), std::string::npos);

  id back = send<id>(ns::NSDictionaryClass(), sel<"dictionaryWithContentsOfFile:">(), path);
  ASSERT_NE(back, nil);
  EXPECT_TRUE(send<BOOL>(back, sel<"isEqual:">(), dict)) << ns::describe(back);
  EXPECT_TRUE(ns::isBoolean(get(back, "yes")));
  EXPECT_FALSE(ns::isBoolean(get(back, "negative")));
  EXPECT_EQ(send<long long>(get(back, "negative"), sel<"longLongValue">()), -9876543210LL);
  EXPECT_EQ(send<long long>(get(back, "min"), sel<"longLongValue">()), std::numeric_limits<long long>::min());

  // Integers from 2^63 up survive both formats (libplist's XML reader would make them
  // negative).
  id big = ns::array({ns::numberWithUnsignedLongLong(18446744073709551615ULL)});
  for (NSPropertyListFormat format : {NSPropertyListXMLFormat_v1_0, NSPropertyListBinaryFormat_v1_0}) {
    auto data = ns::dataFromPropertyList(big, format);
    ASSERT_TRUE(data.ok());
    auto bigBack = ns::propertyListFromData(data.value());
    ASSERT_TRUE(bigBack.ok());
    EXPECT_TRUE(send<BOOL>(bigBack.value(), sel<"isEqual:">(), big));
    EXPECT_EQ(send<unsigned long long>(send<id>(bigBack.value(), sel<"objectAtIndex:">(), NSUInteger{0}),
                                       sel<"unsignedLongLongValue">()),
              18446744073709551615ULL);
  }

  // An array writes too, and no temporary file is left behind.
  ASSERT_TRUE(send<BOOL>(inner, sel<"writeToFile:atomically:">(), ns::str("/var/mobile/list.plist"), BOOL{NO}));
  id list = send<id>(ns::NSArrayClass(), sel<"arrayWithContentsOfFile:">(), ns::str("/var/mobile/list.plist"));
  EXPECT_TRUE(send<BOOL>(list, sel<"isEqual:">(), inner));
  std::size_t files = 0;
  for (auto& entry : fs::directory_iterator(host("/var/mobile"))) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(PropertyLists, AFailedWriteAnswersNoAndLeavesTheOldFileWhole) {
  id path = install("options.xml", kPrefs);
  std::string before = contents(kPrefs);
  id withNull = ns::dictionary({{ns::str("a"), ns::null()}});
  EXPECT_FALSE(send<BOOL>(withNull, sel<"writeToFile:atomically:">(), path, BOOL{YES}));
  id numberKey = ns::dictionary({{ns::numberWithInt(1), ns::str("x")}});
  EXPECT_FALSE(send<BOOL>(numberKey, sel<"writeToFile:atomically:">(), path, BOOL{YES}));
  id loop = ns::mutableArray();
  send<void>(loop, sel<"addObject:">(), loop);
  EXPECT_FALSE(send<BOOL>(loop, sel<"writeToFile:atomically:">(), path, BOOL{YES}));
  send<void>(loop, sel<"removeAllObjects">());
  EXPECT_EQ(contents(kPrefs), before);
  id fine = ns::dictionary({{ns::str("a"), ns::str("b")}});
  EXPECT_FALSE(send<BOOL>(fine, sel<"writeToFile:atomically:">(), ns::str("/no/such/folder/x.plist"), BOOL{YES}));
  EXPECT_FALSE(send<BOOL>(fine, sel<"writeToFile:atomically:">(), ns::str("/../outside.plist"), BOOL{YES}));
}

TEST_F(PropertyLists, MutableReceiversAndInitializersReadAsExpected) {
  id path = install("options.bin", kPrefs);
  id options = send<id>(ns::NSMutableDictionaryClass(), sel<"dictionaryWithContentsOfFile:">(), path);
  ASSERT_TRUE(ns::isKind(options, ns::NSMutableDictionaryClass()));
  EXPECT_TRUE(ns::isKind(get(options, "foldedSections"), ns::NSMutableArrayClass()));
  send<void>(options, sel<"setObject:forKey:">(), ns::numberWithBool(true), ns::str("Switch00"));
  EXPECT_TRUE(send<BOOL>(options, sel<"writeToFile:atomically:">(), path, BOOL{YES}));

  objc::Ref fromInit = objc::Ref::adopt(
      send<id>(send<id>(ns::NSDictionaryClass(), sel<"alloc">()), sel<"initWithContentsOfFile:">(), path));
  ASSERT_TRUE(fromInit);
  EXPECT_TRUE(send<BOOL>(get(fromInit, "Switch00"), sel<"boolValue">()));
  EXPECT_EQ(send<id>(send<id>(ns::NSDictionaryClass(), sel<"alloc">()), sel<"initWithContentsOfFile:">(),
                     ns::str("/missing.plist")),
            nil);
  EXPECT_EQ(send<id>(send<id>(ns::NSArrayClass(), sel<"alloc">()), sel<"initWithContentsOfFile:">(), path), nil);
}

TEST_F(PropertyLists, SerializationConvertsBothWaysAndReportsErrors) {
  id plist = ns::dictionary({{ns::str("k"), ns::array({ns::numberWithDouble(2.5), ns::str("s")})}});
  Class serialization = ns::NSPropertyListSerializationClass();
  for (NSPropertyListFormat format : {NSPropertyListXMLFormat_v1_0, NSPropertyListBinaryFormat_v1_0}) {
    id error = nil;
    id data = send<id>(serialization, sel<"dataWithPropertyList:format:options:error:">(), plist, format,
                       NSUInteger{0}, &error);
    ASSERT_NE(data, nil);
    EXPECT_EQ(error, nil);
    NSPropertyListFormat found = 0;
    id back = send<id>(serialization, sel<"propertyListWithData:options:format:error:">(), data,
                       NSPropertyListMutableContainersAndLeaves, &found, &error);
    EXPECT_EQ(found, format);
    EXPECT_TRUE(send<BOOL>(back, sel<"isEqual:">(), plist));
    EXPECT_TRUE(ns::isKind(back, ns::NSMutableDictionaryClass()));
    id leaf = send<id>(get(back, "k"), sel<"objectAtIndex:">(), NSUInteger{1});
    EXPECT_TRUE(ns::isKind(leaf, ns::NSMutableStringClass()));
  }
  id error = nil;
  EXPECT_EQ(send<id>(serialization, sel<"propertyListWithData:options:format:error:">(), ns::data("nonsense"),
                     NSUInteger{0}, static_cast<NSPropertyListFormat*>(nullptr), &error),
            nil);
  ASSERT_NE(error, nil);
  EXPECT_EQ(send<NSInteger>(error, sel<"code">()), NSPropertyListReadCorruptError);
  error = nil;
  EXPECT_EQ(send<id>(serialization, sel<"dataWithPropertyList:format:options:error:">(), ns::null(),
                     NSPropertyListXMLFormat_v1_0, NSUInteger{0}, &error),
            nil);
  EXPECT_NE(error, nil);
  EXPECT_EQ(send<id>(serialization, sel<"dataWithPropertyList:format:options:error:">(), plist,
                     NSPropertyListOpenStepFormat, NSUInteger{0}, static_cast<id*>(nullptr)),
            nil);
  EXPECT_TRUE(send<BOOL>(serialization, sel<"propertyList:isValidForFormat:">(), plist, NSPropertyListXMLFormat_v1_0));
  EXPECT_FALSE(send<BOOL>(serialization, sel<"propertyList:isValidForFormat:">(), ns::null(),
                          NSPropertyListBinaryFormat_v1_0));
}

TEST_F(PropertyLists, SharedBinaryReferencesDoNotUnfoldWithoutBound) {
  // Thirty levels of arrays each holding the next one twice stand for 2^30 values.
  std::string bytes = "bplist00";
  std::vector<std::size_t> offsets;
  for (int level = 0; level < 30; ++level) {
    offsets.push_back(bytes.size());
    bytes += {'\xA2', static_cast<char>(level + 1), static_cast<char>(level + 1)};
  }
  offsets.push_back(bytes.size());
  bytes += "\x09";
  std::size_t table = bytes.size();
  for (auto o : offsets) bytes.push_back(static_cast<char>(o));
  std::string trailer(32, '\0');
  trailer[6] = 1, trailer[7] = 1, trailer[15] = static_cast<char>(offsets.size()), trailer[31] = static_cast<char>(table);
  bytes += trailer;
  auto immutable = ns::propertyListFromData(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  ASSERT_TRUE(immutable.ok());  // shared, so it stays small
  auto mutableCopy = ns::propertyListFromData(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), NSPropertyListMutableContainers);
  EXPECT_FALSE(mutableCopy.ok());  // each place would need its own mutable array
  EXPECT_FALSE(ns::dataFromPropertyList(immutable.value(), NSPropertyListXMLFormat_v1_0).ok());
  EXPECT_TRUE(ns::dataFromPropertyList(immutable.value(), NSPropertyListBinaryFormat_v1_0).ok());
}

}  // namespace
