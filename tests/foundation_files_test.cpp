// Whole-file reads and atomic writes under the device root, and the file methods
// of NSData and NSString.
#include <foundation/Foundation.h>

#include <TestSupport.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using objc::send;
using objc::sel;
namespace fs = std::filesystem;

namespace {

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root.path() / "device");
    fs::create_directories(root.path() / "device/var/mobile");
  }
  static std::span<const std::uint8_t> bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
  }
  static std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Names in a folder, to see that no temporary file is left behind.
  static std::vector<std::string> names(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder)) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  testing_support::TempDir root;
  objc::AutoreleasePool pool;
};

TEST_F(Files, WriteThenReadUnderTheRoot) {
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/a.bin", bytes("first")).ok());
  EXPECT_EQ(contents(root.path() / "device/var/mobile/a.bin"), "first");
  auto read = ns::readFile("/var/mobile/a.bin");
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(std::string(read->begin(), read->end()), "first");
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/a.bin", bytes("")).ok());
  EXPECT_TRUE(ns::readFile("/var/mobile/a.bin")->empty());
  EXPECT_EQ(names(root.path() / "device/var/mobile"), (std::vector<std::string>{"a.bin"}));
}

TEST_F(Files, ReplacingKeepsPermissions) {
  fs::path host = root.path() / "device/var/mobile/p";
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/p", bytes("x")).ok());
  struct stat info {};
  ASSERT_EQ(::stat(host.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  ::chmod(host.c_str(), 0600);
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/p", bytes("y")).ok());
  ASSERT_EQ(::stat(host.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(Files, FailuresLeaveTheOldFileWhole) {
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/keep", bytes("old")).ok());
  // A folder in the way of the target: the rename fails, nothing changes.
  fs::create_directories(root.path() / "device/var/mobile/dir");
  EXPECT_FALSE(ns::writeFileAtomically("/var/mobile/dir", bytes("new")).ok());
  EXPECT_FALSE(ns::writeFileAtomically("/var/mobile/missing/folder/file", bytes("new")).ok());
  EXPECT_EQ(contents(root.path() / "device/var/mobile/keep"), "old");
  EXPECT_EQ(names(root.path() / "device/var/mobile"), (std::vector<std::string>{"dir", "keep"}));
  // Errors of reading.
  EXPECT_FALSE(ns::readFile("/var/mobile/nothing").ok());
  EXPECT_FALSE(ns::readFile("/var/mobile/dir").ok());
  EXPECT_FALSE(ns::readFile("").ok());
}

TEST_F(Files, NothingIsWrittenOutsideTheRoot) {
  fs::create_directories(root.path() / "outside");
  EXPECT_FALSE(ns::writeFileAtomically("/../outside/x", bytes("no")).ok());
  // A link inside the root that points out of it must not carry a write along.
  fs::create_directory_symlink(root.path() / "outside", root.path() / "device/var/mobile/link");
  auto result = ns::writeFileAtomically("/var/mobile/link/x", bytes("no"));
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.error().message.find("leaves the device root"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(root.path() / "outside"));
  EXPECT_FALSE(ns::writeFileAtomically("/", bytes("no")).ok());
}

TEST_F(Files, DataAndStringFileMethods) {
  id d = ns::data(std::string_view("payload"));
  EXPECT_TRUE(send<BOOL>(d, sel<"writeToFile:atomically:">(), ns::str("/var/mobile/d.bin"), BOOL{NO}));
  id back = send<id>(ns::NSDataClass(), sel<"dataWithContentsOfFile:">(), ns::str("/var/mobile/d.bin"));
  EXPECT_TRUE(send<BOOL>(back, sel<"isEqual:">(), d));
  EXPECT_EQ(send<id>(ns::NSDataClass(), sel<"dataWithContentsOfFile:">(), ns::str("/var/mobile/none")), nil);
  EXPECT_FALSE(send<BOOL>(d, sel<"writeToFile:atomically:">(), ns::str("/../escape"), BOOL{YES}));

  id error = nil;
  id text = ns::str("caf\xC3\xA9");
  EXPECT_TRUE(send<BOOL>(text, sel<"writeToFile:atomically:encoding:error:">(), ns::str("/var/mobile/t.txt"), BOOL{YES},
                         NSUTF8StringEncoding, &error));
  id read = send<id>(ns::NSStringClass(), sel<"stringWithContentsOfFile:encoding:error:">(),
                     ns::str("/var/mobile/t.txt"), NSUTF8StringEncoding, &error);
  EXPECT_TRUE(send<BOOL>(read, sel<"isEqualToString:">(), text));
  EXPECT_EQ(error, nil);
  EXPECT_EQ(send<id>(ns::NSStringClass(), sel<"stringWithContentsOfFile:encoding:error:">(),
                     ns::str("/var/mobile/t.txt"), NSASCIIStringEncoding, &error),
            nil);
  ASSERT_NE(error, nil);
  EXPECT_EQ(send<NSInteger>(error, sel<"code">()), NSFileReadInapplicableStringEncodingError);
  EXPECT_EQ(ns::utf8(send<id>(error, sel<"domain">())), "NSCocoaErrorDomain");
  // A null error pointer is allowed.
  EXPECT_EQ(send<id>(ns::NSStringClass(), sel<"stringWithContentsOfFile:encoding:error:">(), ns::str("/none"),
                     NSUTF8StringEncoding, static_cast<id*>(nullptr)),
            nil);
}

TEST_F(Files, NilPaths) {
  id d = ns::data(std::string_view("x"));
  EXPECT_FALSE(send<BOOL>(d, sel<"writeToFile:atomically:">(), static_cast<id>(nil), BOOL{YES}));
  EXPECT_EQ(send<id>(ns::NSDataClass(), sel<"dataWithContentsOfFile:">(), static_cast<id>(nil)), nil);
  id error = nil;
  EXPECT_FALSE(send<BOOL>(ns::str("x"), sel<"writeToFile:atomically:encoding:error:">(), static_cast<id>(nil),
                          BOOL{YES}, NSUTF8StringEncoding, &error));
  EXPECT_NE(error, nil);
}

}  // namespace
