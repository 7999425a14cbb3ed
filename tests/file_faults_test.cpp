// Whole-file rewrites when the disk fails them and after a writer was killed: every
// writer of the platform (data, property lists, strings, keyed archives, the file
// manager's file creation, the Settings app's options) answers failure when a write,
// fsync or rename fails with ENOSPC or EIO, the old file stays whole and no temporary
// file is left; temporaries a killed writer left behind go at the next write of the
// same file, while a live writer's temporary is never touched.
#include <foundation/FileFaults.h>
#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>
#include <foundation/Plist.h>
#include <preferences/PreferenceValues.h>

#include <TestSupport.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using objc::send;
using objc::sel;
namespace fs = std::filesystem;

constexpr const char* kFolder = "/var/mobile/Library/Preferences";

class FileFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    fs::create_directories(folder());
  }
  void TearDown() override { ns::clearFileFaults(); }

  fs::path folder() const { return root_.path() / "var/mobile/Library/Preferences"; }
  static std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder())) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static id path(const std::string& name) { return ns::str(std::string(kFolder) + "/" + name); }
  static id dictionary(const char* key, id value) {
    id d = send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
    send<void>(d, sel<"setObject:forKey:">(), value, ns::str(key));
    return d;
  }

  testing_support::TempDir root_;
  objc::AutoreleasePool pool_;
};

// One writer of the platform: writes the file `name` with a content that depends on
// `generation` and answers whether it reports success.
struct Writer {
  const char* what;
  const char* name;
  std::function<bool(int generation)> write;
};

std::vector<Writer> writers() {
  return {
      {"NSData writeToFile:atomically:", "data.bin",
       [](int g) {
         id data = ns::data(std::vector<std::uint8_t>(100 + g, static_cast<std::uint8_t>(g)));
         return send<BOOL>(data, sel<"writeToFile:atomically:">(), ns::str("/var/mobile/Library/Preferences/data.bin"),
                           BOOL{YES}) == YES;
       }},
      {"NSDictionary writeToFile:atomically:", "options.plist",
       [](int g) {
         id d = send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
         send<void>(d, sel<"setObject:forKey:">(), ns::numberWithInt(g), ns::str("Generation"));
         return send<BOOL>(d, sel<"writeToFile:atomically:">(), ns::str("/var/mobile/Library/Preferences/options.plist"),
                           BOOL{YES}) == YES;
       }},
      {"NSArray writeToFile:atomically:", "list.plist",
       [](int g) {
         id a = send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithObject:">(), ns::numberWithInt(g));
         return send<BOOL>(a, sel<"writeToFile:atomically:">(), ns::str("/var/mobile/Library/Preferences/list.plist"),
                           BOOL{YES}) == YES;
       }},
      {"NSString writeToFile:atomically:encoding:error:", "text.txt",
       [](int g) {
         id s = ns::str("generation " + std::to_string(g));
         return send<BOOL>(s, sel<"writeToFile:atomically:encoding:error:">(),
                           ns::str("/var/mobile/Library/Preferences/text.txt"), BOOL{YES}, NSUInteger{4},
                           static_cast<id*>(nullptr)) == YES;
       }},
      {"NSKeyedArchiver archiveRootObject:toFile:", "Bulletins",
       [](int g) {
         id root = send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
         send<void>(root, sel<"setObject:forKey:">(), ns::numberWithInt(g), ns::str("bulletins"));
         return send<BOOL>(objc_lookUpClass("NSKeyedArchiver"), sel<"archiveRootObject:toFile:">(), root,
                           ns::str("/var/mobile/Library/Preferences/Bulletins")) == YES;
       }},
      {"NSFileManager createFileAtPath:contents:attributes: (pictures)", "CustomBGImage.png",
       [](int g) {
         id manager = send<id>(objc_lookUpClass("NSFileManager"), sel<"defaultManager">());
         id data = ns::data(std::vector<std::uint8_t>(50 + g, 0xd8));
         return send<BOOL>(manager, sel<"createFileAtPath:contents:attributes:">(),
                           ns::str("/var/mobile/Library/Preferences/CustomBGImage.png"), data, id{nil}) == YES;
       }},
      {"Settings options (preference machinery)", "com.trelmo.noctil.plist",
       [](int g) {
         return preferences::writeDomainValue("com.trelmo.noctil", ns::str("BlurValue"), ns::numberWithInt(g)).ok();
       }},
  };
}

TEST_F(FileFaults, EveryWriterReportsAFailedWriteFsyncOrRenameAndKeepsTheOldFile) {
  for (const Writer& writer : writers()) {
    SCOPED_TRACE(writer.what);
    ASSERT_TRUE(writer.write(1));
    const fs::path file = folder() / writer.name;
    const std::string before = contents(file);
    ASSERT_FALSE(before.empty());
    const auto namesBefore = names();
    int generation = 2;
    for (ns::FileOperation operation :
         {ns::FileOperation::write, ns::FileOperation::fsync, ns::FileOperation::rename}) {
      for (int error : {ENOSPC, EIO}) {
        SCOPED_TRACE(static_cast<int>(operation));
        SCOPED_TRACE(error);
        ns::failFileOperation(operation, 1, error);
        EXPECT_FALSE(writer.write(generation++));
        ns::clearFileFaults();
        EXPECT_EQ(contents(file), before);
        EXPECT_EQ(names(), namesBefore) << "a temporary file was left behind";
      }
    }
    // The fault is spent: the next write goes through.
    ASSERT_TRUE(writer.write(generation));
    EXPECT_NE(contents(file), before);
    EXPECT_EQ(names(), namesBefore);
  }
}

TEST_F(FileFaults, TheNthCallFailsAndTheOnesBeforeItPass) {
  auto write = [](const char* text) {
    return ns::writeFileAtomically("/var/mobile/Library/Preferences/n.txt",
                                   {reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)});
  };
  ns::failFileOperation(ns::FileOperation::rename, 3, EIO);
  EXPECT_TRUE(write("one").ok());
  EXPECT_TRUE(write("two").ok());
  auto third = write("three");
  ASSERT_FALSE(third.ok());
  EXPECT_NE(third.error().message.find(std::strerror(EIO)), std::string::npos) << third.error().message;
  EXPECT_TRUE(write("four").ok());
  EXPECT_EQ(contents(folder() / "n.txt"), "four");
}

TEST_F(FileFaults, TemporariesOfKilledWritersGoAtTheNextWriteAndLiveOnesStay) {
  auto touch = [&](const std::string& name, const std::string& text) {
    std::ofstream(folder() / name, std::ios::binary) << text;
  };
  touch("options.plist", "old");
  touch(".options.plist.Ab12Cd", "left by a killed writer");
  touch(".options.plist.zz99ZZ", "another one");
  touch(".options.plist.toolong1", "not a temporary of ours");
  touch(".other.plist.Ab12Cd", "a temporary of another file");
  // A writer that is still at work holds a lock on its temporary.
  touch(".options.plist.LiVe01", "being written");
  int live = ::open((folder() / ".options.plist.LiVe01").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);

  id d = dictionary("Enabled", ns::numberWithBool(YES));
  ASSERT_TRUE(send<BOOL>(d, sel<"writeToFile:atomically:">(), path("options.plist"), BOOL{YES}));
  EXPECT_EQ(names(), (std::vector<std::string>{".options.plist.LiVe01", ".options.plist.toolong1",
                                               ".other.plist.Ab12Cd", "options.plist"}));
  ::close(live);
  // Once its writer is gone, the last one goes too.
  ASSERT_TRUE(send<BOOL>(d, sel<"writeToFile:atomically:">(), path("options.plist"), BOOL{YES}));
  EXPECT_EQ(names(),
            (std::vector<std::string>{".options.plist.toolong1", ".other.plist.Ab12Cd", "options.plist"}));
}

TEST_F(FileFaults, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFileAndNoLastingTemporary) {
  // Children write a large file over and over and are killed at staggered moments;
  // after each kill the file is whole, old or new, and a later write clears what the
  // killed one left.
  const fs::path file = folder() / "big.plist";
  const std::string oldText(300000, 'o');
  const std::string newText(300001, 'n');
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/Library/Preferences/big.plist",
                                      {reinterpret_cast<const std::uint8_t*>(oldText.data()), oldText.size()})
                  .ok());
  for (int round = 0; round < 20; ++round) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {  // until killed: the results do not matter
        (void)ns::writeFileAtomically("/var/mobile/Library/Preferences/big.plist",
                                      {reinterpret_cast<const std::uint8_t*>(newText.data()), newText.size()});
        (void)ns::writeFileAtomically("/var/mobile/Library/Preferences/big.plist",
                                      {reinterpret_cast<const std::uint8_t*>(oldText.data()), oldText.size()});
      }
    }
    ::usleep(static_cast<useconds_t>(300 + 700 * round));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string now = contents(file);
    EXPECT_TRUE(now == oldText || now == newText) << "round " << round << ": " << now.size() << " bytes";
  }
  ASSERT_TRUE(ns::writeFileAtomically("/var/mobile/Library/Preferences/big.plist",
                                      {reinterpret_cast<const std::uint8_t*>(oldText.data()), oldText.size()})
                  .ok());
  EXPECT_EQ(names(), std::vector<std::string>{"big.plist"});
}

}  // namespace
