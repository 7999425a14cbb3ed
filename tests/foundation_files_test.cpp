// Whole-file reads and atomic writes under the device root, and the file methods
// of NSData and NSString.
#include <foundation/Foundation.h>

#include <TestSupport.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  std::string contentsOf(const char* relative) const { return contents(root.path() / relative); }
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

TEST_F(Files, ReadsWholeFilesOfEverySizeAndRefusesWhatIsNotAFile) {
  // Sizes around the first read's buffer: short, exactly full, a byte over, large.
  for (std::size_t size : {std::size_t{1}, std::size_t{16383}, std::size_t{16384}, std::size_t{16385},
                           std::size_t{200000}}) {
    std::string text(size, 'x');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
    ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/sized", bytes(text)).ok());
    auto read = ns::readFile("/var/mobile/sized");
    ASSERT_TRUE(read.ok()) << size;
    EXPECT_EQ(std::string(read->begin(), read->end()), text) << size;
  }
  // A FIFO is refused at once, with or without a writer, and nothing waits for it.
  fs::path fifo = root.path() / "device/var/mobile/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ns::readFile("/var/mobile/fifo").ok());
  int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // a writer, and no data
  ASSERT_GE(writer, 0);
  EXPECT_FALSE(ns::readFile("/var/mobile/fifo").ok());
  ::close(writer);
}

TEST_F(Files, ReadsIntoTheCallersBufferWhenTheFileFitsAndSpillsWhenNot) {
  std::uint8_t buffer[64];
  std::vector<std::uint8_t> spill;
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/small", bytes("fits in the buffer")).ok());
  auto small = ns::readFileInto("/var/mobile/small", buffer, spill);
  ASSERT_TRUE(small.ok());
  EXPECT_EQ(small->data(), buffer);
  EXPECT_EQ(std::string(small->begin(), small->end()), "fits in the buffer");
  EXPECT_TRUE(spill.empty());
  // Exactly the buffer's size and more go to the spill, whole.
  for (std::size_t size : {sizeof buffer, sizeof buffer + 1, std::size_t{5000}}) {
    std::string text(size, 'x');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i * 5 % 26);
    ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/large", bytes(text)).ok());
    auto large = ns::readFileInto("/var/mobile/large", buffer, spill);
    ASSERT_TRUE(large.ok()) << size;
    EXPECT_EQ(large->data(), spill.data()) << size;
    EXPECT_EQ(std::string(large->begin(), large->end()), text) << size;
  }
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/empty", bytes("")).ok());
  EXPECT_TRUE(ns::readFileInto("/var/mobile/empty", buffer, spill)->empty());
  fs::create_directories(root.path() / "device/var/mobile/folder");
  EXPECT_FALSE(ns::readFileInto("/var/mobile/folder", buffer, spill).ok());
  EXPECT_FALSE(ns::readFileInto("/var/mobile/none", buffer, spill).ok());
  EXPECT_FALSE(ns::readFileInto("/../x", buffer, spill).ok());
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
  EXPECT_EQ(ns::utf8(send<id>(error, sel<"localizedDescription">())), "the file is not valid in the encoding");
  id plain = send<id>(ns::NSErrorClass(), sel<"errorWithDomain:code:userInfo:">(), ns::str("Test"), NSInteger{7},
                      static_cast<id>(nil));
  EXPECT_EQ(ns::utf8(send<id>(plain, sel<"localizedDescription">())),
            "The operation couldn\u2019t be completed. (Test error 7.)");
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

namespace {

class FileManager : public Files {
 protected:
  id fm = ns::defaultFileManager();
  static id S(const char* text) { return ns::str(text); }
  bool exists(const char* path) { return send<BOOL>(fm, sel<"fileExistsAtPath:">(), S(path)) != NO; }
};

TEST_F(FileManager, CreatesListsAndRemoves) {
  EXPECT_EQ(send<id>(ns::NSFileManagerClass(), sel<"defaultManager">()), fm);
  id error = nil;
  EXPECT_TRUE(send<BOOL>(fm, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(),
                         S("/var/mobile/Library/Noctil"), BOOL{YES}, static_cast<id>(nil), &error));
  EXPECT_TRUE(send<BOOL>(fm, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(),
                         S("/var/mobile/Library/Noctil"), BOOL{YES}, static_cast<id>(nil), &error));
  EXPECT_EQ(error, nil);
  // Without intermediates: a missing parent or an existing folder fail.
  EXPECT_FALSE(send<BOOL>(fm, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(),
                          S("/var/mobile/a/b"), BOOL{NO}, static_cast<id>(nil), &error));
  EXPECT_NE(error, nil);
  EXPECT_FALSE(send<BOOL>(fm, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(),
                          S("/var/mobile/Library"), BOOL{NO}, static_cast<id>(nil), static_cast<id*>(nullptr)));

  id contents = ns::data(std::string_view("jpeg bytes"));
  EXPECT_TRUE(send<BOOL>(fm, sel<"createFileAtPath:contents:attributes:">(), S("/var/mobile/Library/Noctil/b.png"),
                         contents, static_cast<id>(nil)));
  EXPECT_TRUE(send<BOOL>(fm, sel<"createFileAtPath:contents:attributes:">(), S("/var/mobile/Library/Noctil/a.png"),
                         static_cast<id>(nil), static_cast<id>(nil)));
  EXPECT_EQ(contentsOf("device/var/mobile/Library/Noctil/b.png"), "jpeg bytes");
  EXPECT_EQ(contentsOf("device/var/mobile/Library/Noctil/a.png"), "");
  BOOL isDirectory = YES;
  EXPECT_TRUE(send<BOOL>(fm, sel<"fileExistsAtPath:isDirectory:">(), S("/var/mobile/Library/Noctil/a.png"), &isDirectory));
  EXPECT_FALSE(isDirectory);
  EXPECT_TRUE(send<BOOL>(fm, sel<"fileExistsAtPath:isDirectory:">(), S("/var/mobile/Library"), &isDirectory));
  EXPECT_TRUE(isDirectory);
  id listing = send<id>(fm, sel<"contentsOfDirectoryAtPath:error:">(), S("/var/mobile/Library/Noctil"), &error);
  EXPECT_EQ(ns::describe(listing), "(\n    a.png,\n    b.png\n)");
  id attributes = send<id>(fm, sel<"attributesOfItemAtPath:error:">(), S("/var/mobile/Library/Noctil/b.png"), &error);
  EXPECT_EQ(ns::numberAsLongLong(send<id>(attributes, sel<"objectForKey:">(), S(NSFileSize))), 10);
  EXPECT_EQ(ns::utf8(send<id>(attributes, sel<"objectForKey:">(), S(NSFileType))), NSFileTypeRegular);

  EXPECT_TRUE(send<BOOL>(fm, sel<"removeItemAtPath:error:">(), S("/var/mobile/Library"), &error));
  EXPECT_FALSE(exists("/var/mobile/Library"));
  error = nil;
  EXPECT_FALSE(send<BOOL>(fm, sel<"removeItemAtPath:error:">(), S("/var/mobile/Library"), &error));
  ASSERT_NE(error, nil);
  EXPECT_EQ(send<NSInteger>(error, sel<"code">()), NSFileNoSuchFileError);
  EXPECT_EQ(send<id>(fm, sel<"contentsOfDirectoryAtPath:error:">(), S("/var/mobile/none"), &error), nil);
  EXPECT_EQ(send<NSInteger>(error, sel<"code">()), NSFileReadNoSuchFileError);
}

TEST_F(FileManager, CopiesAndMovesRefuseToOverwrite) {
  fs::create_directories(root.path() / "device/src/sub");
  std::ofstream(root.path() / "device/src/sub/f") << "data";
  id error = nil;
  EXPECT_TRUE(send<BOOL>(fm, sel<"copyItemAtPath:toPath:error:">(), S("/src"), S("/copy"), &error));
  EXPECT_EQ(contentsOf("device/copy/sub/f"), "data");
  EXPECT_FALSE(send<BOOL>(fm, sel<"copyItemAtPath:toPath:error:">(), S("/src"), S("/copy"), &error));
  EXPECT_EQ(send<NSInteger>(error, sel<"code">()), NSFileWriteFileExistsError);
  EXPECT_FALSE(send<BOOL>(fm, sel<"copyItemAtPath:toPath:error:">(), S("/src"), S("/src/sub/inner"), &error));
  EXPECT_TRUE(send<BOOL>(fm, sel<"moveItemAtPath:toPath:error:">(), S("/copy/sub/f"), S("/moved"), &error));
  EXPECT_FALSE(exists("/copy/sub/f"));
  EXPECT_EQ(contentsOf("device/moved"), "data");
  EXPECT_FALSE(send<BOOL>(fm, sel<"moveItemAtPath:toPath:error:">(), S("/nothing"), S("/x"), &error));
  EXPECT_EQ(send<NSInteger>(error, sel<"code">()), NSFileNoSuchFileError);
  EXPECT_FALSE(send<BOOL>(fm, sel<"moveItemAtPath:toPath:error:">(), S("/moved"), S("/src"), &error));
  EXPECT_EQ(contentsOf("device/src/sub/f"), "data");
}

TEST_F(FileManager, StaysInsideTheDeviceRoot) {
  fs::create_directories(root.path() / "outside");
  std::ofstream(root.path() / "outside/precious") << "keep";
  fs::create_directory_symlink(root.path() / "outside", root.path() / "device/var/mobile/link");
  id error = nil;
  EXPECT_FALSE(exists("/../outside/precious"));
  EXPECT_FALSE(send<BOOL>(fm, sel<"removeItemAtPath:error:">(), S("/../outside"), &error));
  EXPECT_NE(error, nil);
  EXPECT_FALSE(send<BOOL>(fm, sel<"removeItemAtPath:error:">(), S("/var/mobile/link/precious"), &error));
  EXPECT_FALSE(send<BOOL>(fm, sel<"createFileAtPath:contents:attributes:">(), S("/var/mobile/link/new"),
                          static_cast<id>(nil), static_cast<id>(nil)));
  EXPECT_FALSE(send<BOOL>(fm, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(),
                          S("/var/mobile/link/dir"), BOOL{YES}, static_cast<id>(nil), &error));
  EXPECT_FALSE(send<BOOL>(fm, sel<"copyItemAtPath:toPath:error:">(), S("/var"), S("/../outside/var"), &error));
  EXPECT_FALSE(send<BOOL>(fm, sel<"removeItemAtPath:error:">(), S("/"), &error));
  EXPECT_EQ(contentsOf("outside/precious"), "keep");
  EXPECT_EQ(names(root.path() / "outside"), (std::vector<std::string>{"precious"}));
  // Removing the link itself is fine and leaves its target alone.
  EXPECT_TRUE(send<BOOL>(fm, sel<"removeItemAtPath:error:">(), S("/var/mobile/link"), &error));
  EXPECT_EQ(contentsOf("outside/precious"), "keep");
}

TEST_F(FileManager, NilPaths) {
  id error = nil;
  EXPECT_FALSE(send<BOOL>(fm, sel<"fileExistsAtPath:">(), static_cast<id>(nil)));
  EXPECT_FALSE(send<BOOL>(fm, sel<"fileExistsAtPath:isDirectory:">(), static_cast<id>(nil), static_cast<BOOL*>(nullptr)));
  EXPECT_FALSE(send<BOOL>(fm, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(),
                          static_cast<id>(nil), BOOL{YES}, static_cast<id>(nil), &error));
  EXPECT_NE(error, nil);
  EXPECT_FALSE(send<BOOL>(fm, sel<"createFileAtPath:contents:attributes:">(), static_cast<id>(nil),
                          static_cast<id>(nil), static_cast<id>(nil)));
  EXPECT_FALSE(send<BOOL>(fm, sel<"removeItemAtPath:error:">(), static_cast<id>(nil), static_cast<id*>(nullptr)));
  EXPECT_EQ(send<id>(fm, sel<"contentsOfDirectoryAtPath:error:">(), static_cast<id>(nil), &error), nil);
  EXPECT_FALSE(send<BOOL>(fm, sel<"copyItemAtPath:toPath:error:">(), S("/var"), static_cast<id>(nil), &error));
  EXPECT_FALSE(send<BOOL>(fm, sel<"moveItemAtPath:toPath:error:">(), static_cast<id>(nil), S("/x"), &error));
  EXPECT_EQ(send<id>(fm, sel<"contentsAtPath:">(), static_cast<id>(nil)), nil);
}

}  // namespace
