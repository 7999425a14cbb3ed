// The two stored-file edits of removal that both tweak libraries make, on keyed
// archives written by another encoder (tests/data/stores/make_archives.py, with
// Python's property-list writer): the
// Mail notification archive loses one entry of "bulletins", a push store loses the
// first entry with the message; everything else — other keys, values of kinds the
// platform does not model, objects shared between entries — comes back with the
// same content.  Content is compared on the archives' object graphs as libplist
// reads them (stores/ArchiveContent.h), and again as the platform decodes them.  A
// rewrite the disk fails leaves the old file whole, and the edit a notification
// calls for is chosen by its section.
#include "stores/ArchiveContent.h"

#include <noctil/StoredNotifications.h>

#include <TestSupport.h>
#include <foundation/DeviceRoot.h>
#include <foundation/FileFaults.h>
#include <foundation/KeyedArchiver.h>
#include <bulletinboard/BulletinBoard.h>
#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;
using store_tests::archiveContent;
using objc::sel;

id str(const char* s) { return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), s); }

fs::path testData(const std::string& name) { return testing_support::testDataDir() / "stores" / name; }

std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ArchivesTest : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }
  void TearDown() override { ns::clearFileFaults(); }

  fs::path host(const std::string& devicePath) { return ns::hostPath(devicePath).value(); }
  fs::path install(const std::string& name, const std::string& devicePath) {
    fs::path target = host(devicePath);
    fs::create_directories(target.parent_path());
    fs::copy_file(testData(name), target, fs::copy_options::overwrite_existing);
    return target;
  }
  fs::path installStore(const std::string& name, const std::string& section) {
    return install(name, "/var/mobile/Library/SpringBoard/PushStore/" + section + ".pushstore");
  }

  // The platform's own reading of a file (copied into the device root first): the
  // decoded root object, or nil.
  objc::Ref decoded(const fs::path& file) {
    static int copies = 0;
    std::string devicePath = "/decoded/" + std::to_string(++copies);
    fs::path copy = host(devicePath);
    fs::create_directories(copy.parent_path());
    fs::copy_file(file, copy);
    auto root = ns::unarchiveFile(devicePath);
    return root.ok() ? root.value() : objc::Ref();
  }

  testing_support::TempDir root_;
};

TEST_F(ArchivesTest, TheFilesFromTheOtherEncoderAreReadable) {
  for (const char* name : {"Bulletins", "Bulletins.without-mail-2", "com.example.chat.pushstore",
                           "com.example.twins.pushstore"}) {
    std::string content = archiveContent(testData(name));
    EXPECT_EQ(content.rfind("error", 0), std::string::npos) << name << ": " << content;
    EXPECT_NE(decoded(testData(name)).get(), nil) << name;
  }
  // The mail archive holds objects of classes the platform does not model, and
  // objects reached from two places.
  std::string mail = archiveContent(testData("Bulletins"));
  EXPECT_NE(mail.find("obj<MailBulletinRecord,MailStoredRecord,NSObject,>"), std::string::npos);
  EXPECT_NE(mail.find("obj<NSUUID,NSObject,>"), std::string::npos);
  EXPECT_NE(mail.find("shared "), std::string::npos);
}

TEST_F(ArchivesTest, TheMailEntryGoesAndEverythingElseStays) {
  fs::path mail = install("Bulletins", noctil::kMailArchivePath);
  objc::AutoreleasePool pool;
  noctil::removeFromMailArchive(str("mail-2"));
  EXPECT_EQ(archiveContent(mail), archiveContent(testData("Bulletins.without-mail-2")));
  EXPECT_NE(archiveContent(mail), archiveContent(testData("Bulletins")));
  // The platform decodes the result to the same graph as the expectation.
  objc::Ref edited = decoded(mail);
  objc::Ref expected = decoded(testData("Bulletins.without-mail-2"));
  ASSERT_NE(edited.get(), nil);
  id bulletins = objc::send<id>(edited, sel<"objectForKey:">(), str("bulletins"));
  EXPECT_EQ(objc::send<NSUInteger>(bulletins, sel<"count">()), 3u);
  EXPECT_EQ(objc::send<id>(bulletins, sel<"objectForKey:">(), str("mail-2")), nil);
  EXPECT_NE(objc::send<id>(bulletins, sel<"objectForKey:">(), str("mail-1")), nil);
  EXPECT_EQ(objc::send<NSUInteger>(edited, sel<"count">()), objc::send<NSUInteger>(expected, sel<"count">()));
}

TEST_F(ArchivesTest, AMailRecordKeyedByANumberIsFoundByEquality) {
  fs::path mail = install("Bulletins", noctil::kMailArchivePath);
  objc::AutoreleasePool pool;
  noctil::removeFromMailArchive(objc::send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithInteger:">(), NSInteger{42}));
  EXPECT_EQ(archiveContent(mail), archiveContent(testData("Bulletins.without-42")));
}

TEST_F(ArchivesTest, AMailArchiveWithoutTheRecordIsLeftAlone) {
  fs::path mail = install("Bulletins", noctil::kMailArchivePath);
  auto before = fs::last_write_time(mail);
  objc::AutoreleasePool pool;
  noctil::removeFromMailArchive(str("mail-9"));
  noctil::removeFromMailArchive(str("42"));  // the number 42 is a key, the string is not
  noctil::removeFromMailArchive(nil);
  EXPECT_EQ(bytesOf(mail), bytesOf(testData("Bulletins")));
  EXPECT_EQ(fs::last_write_time(mail), before);
}

TEST_F(ArchivesTest, AMissingOrForeignMailArchiveIsNeitherMadeNorChanged) {
  objc::AutoreleasePool pool;
  noctil::removeFromMailArchive(str("mail-2"));
  EXPECT_FALSE(fs::exists(host(noctil::kMailArchivePath)));
  // An archive whose root is a list, and a file that is no archive at all.
  fs::path mail = install("com.example.chat.pushstore", noctil::kMailArchivePath);
  noctil::removeFromMailArchive(str("mail-2"));
  EXPECT_EQ(bytesOf(mail), bytesOf(testData("com.example.chat.pushstore")));
  std::ofstream(mail, std::ios::trunc) << "not an archive";
  noctil::removeFromMailArchive(str("mail-2"));
  EXPECT_EQ(bytesOf(mail), "not an archive");
}

TEST_F(ArchivesTest, ThePushStoreLosesOnlyTheFirstEntryWithTheMessage) {
  fs::path store = installStore("com.example.chat.pushstore", "com.example.chat");
  objc::AutoreleasePool pool;
  noctil::removeFromPushStore(str("com.example.chat"), str("Dinner at 8?"));
  EXPECT_EQ(archiveContent(store), archiveContent(testData("com.example.chat.pushstore.without-dinner")));
  objc::Ref list = decoded(store);
  EXPECT_EQ(objc::send<NSUInteger>(list, sel<"count">()), 2u);
}

TEST_F(ArchivesTest, EntriesEqualInEveryKeyGoTogether) {
  fs::path store = installStore("com.example.twins.pushstore", "com.example.twins");
  objc::AutoreleasePool pool;
  noctil::removeFromPushStore(str("com.example.twins"), str("Your order shipped"));
  EXPECT_EQ(archiveContent(store), archiveContent(testData("com.example.twins.pushstore.without-twins")));
}

TEST_F(ArchivesTest, APushStoreWithoutTheMessageIsWrittenBackWithTheSameContent) {
  fs::path store = installStore("com.example.chat.pushstore", "com.example.chat");
  objc::AutoreleasePool pool;
  noctil::removeFromPushStore(str("com.example.chat"), str("Never stored"));
  noctil::removeFromPushStore(str("com.example.chat"), nil);
  EXPECT_EQ(archiveContent(store), archiveContent(testData("com.example.chat.pushstore")));
}

TEST_F(ArchivesTest, APushStoreThatIsMissingOrOutsideItsFolderIsNotTouched) {
  objc::AutoreleasePool pool;
  noctil::removeFromPushStore(str("com.example.chat"), str("Dinner at 8?"));
  EXPECT_FALSE(fs::exists(host("/var/mobile/Library/SpringBoard/PushStore/com.example.chat.pushstore")));
  fs::path outside = install("com.example.chat.pushstore", "/var/mobile/Library/SpringBoard/escape.pushstore");
  noctil::removeFromPushStore(str("../escape"), str("Dinner at 8?"));
  noctil::removeFromPushStore(nil, str("Dinner at 8?"));
  EXPECT_EQ(bytesOf(outside), bytesOf(testData("com.example.chat.pushstore")));
}

// The names of the files of a folder of the device root.
std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

TEST_F(ArchivesTest, ARewriteTheDiskFailsLeavesTheOldFileWhole) {
  fs::path mail = install("Bulletins", noctil::kMailArchivePath);
  fs::path store = installStore("com.example.chat.pushstore", "com.example.chat");
  const auto mailFolder = namesIn(mail.parent_path());
  const auto storeFolder = namesIn(store.parent_path());
  objc::AutoreleasePool pool;
  for (ns::FileOperation operation : {ns::FileOperation::write, ns::FileOperation::fsync, ns::FileOperation::rename}) {
    SCOPED_TRACE(static_cast<int>(operation));
    ns::failFileOperation(operation, 1, ENOSPC);
    noctil::removeFromMailArchive(str("mail-2"));
    ns::failFileOperation(operation, 1, EIO);
    noctil::removeFromPushStore(str("com.example.chat"), str("Dinner at 8?"));
    ns::clearFileFaults();
    EXPECT_EQ(bytesOf(mail), bytesOf(testData("Bulletins")));
    EXPECT_EQ(bytesOf(store), bytesOf(testData("com.example.chat.pushstore")));
    EXPECT_EQ(namesIn(mail.parent_path()), mailFolder);  // no temporary file left
    EXPECT_EQ(namesIn(store.parent_path()), storeFolder);
  }
  // The next removal, on a sound disk, makes the edit.
  noctil::removeFromMailArchive(str("mail-2"));
  noctil::removeFromPushStore(str("com.example.chat"), str("Dinner at 8?"));
  EXPECT_EQ(archiveContent(mail), archiveContent(testData("Bulletins.without-mail-2")));
  EXPECT_EQ(archiveContent(store), archiveContent(testData("com.example.chat.pushstore.without-dinner")));
}

// A notification as the home screens deliver them.
objc::Ref notification(const std::string& section, const std::string& message, const std::string& record) {
  bb::BulletinFields fields;
  fields.sectionID = section;
  fields.message = message;
  fields.recordID = record;
  fields.bulletinID = section + "/" + record;
  return bb::makeBulletin(fields);
}

TEST_F(ArchivesTest, TheSectionChoosesTheEditANotificationCallsFor) {
  fs::path mail = install("Bulletins", noctil::kMailArchivePath);
  // Every section's store holds the message, and the archive holds the record.
  std::map<std::string, fs::path> stores;
  for (const char* section : {"com.apple.mobilephone", "com.apple.MobileSMS", "com.apple.mobilemail", "com.example.chat"})
    stores[section] = installStore("com.example.chat.pushstore", section);
  objc::AutoreleasePool pool;
  // Phone and Messages keep no stored copy: nothing is touched.
  noctil::removeStoredCopy(notification("com.apple.mobilephone", "Dinner at 8?", "mail-2"));
  noctil::removeStoredCopy(notification("com.apple.MobileSMS", "Dinner at 8?", "mail-2"));
  EXPECT_EQ(bytesOf(mail), bytesOf(testData("Bulletins")));
  for (const auto& [section, file] : stores)
    EXPECT_EQ(bytesOf(file), bytesOf(testData("com.example.chat.pushstore"))) << section;
  // Mail edits the archive by record ID, never a push store.
  noctil::removeStoredCopy(notification("com.apple.mobilemail", "Dinner at 8?", "mail-2"));
  EXPECT_EQ(archiveContent(mail), archiveContent(testData("Bulletins.without-mail-2")));
  EXPECT_EQ(bytesOf(stores["com.apple.mobilemail"]), bytesOf(testData("com.example.chat.pushstore")));
  // Any other app edits its own push store by message.
  noctil::removeStoredCopy(notification("com.example.chat", "Dinner at 8?", "9"));
  EXPECT_EQ(archiveContent(stores["com.example.chat"]),
            archiveContent(testData("com.example.chat.pushstore.without-dinner")));
  EXPECT_EQ(archiveContent(mail), archiveContent(testData("Bulletins.without-mail-2")));
  noctil::removeStoredCopy(nil);
}

}  // namespace
