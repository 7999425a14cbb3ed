// The iOS 7 tweak's own rewrites when the disk fails them: the fold write-back, the
// menu add-on's switch, the Mail notification archive and push store edits, and the
// badge file the home screen rewrites on a removal.  With a write, fsync or rename
// failing (ENOSPC or EIO), each file keeps its old content, no temporary is left
// beside it, and the home screen goes on as it would without the file.
#include "Background.h"
#include "Options.h"
#include "Removal.h"

#include "noctil7/Noctil7Fixture.h"

#include <foundation/FileFaults.h>
#include <springboard7/HostControl.h>
#include <springboardcommon/Icons.h>
#include <uikit/MenuAddOn.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace noctil7_tests {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMessages = "com.apple.MobileSMS";
constexpr const char* kMail = "com.apple.mobilemail";
constexpr const char* kChat = "com.example.chat";

struct Fault {
  ns::FileOperation operation;
  int error;
};
const Fault kFaults[] = {{ns::FileOperation::write, ENOSPC},
                         {ns::FileOperation::fsync, EIO},
                         {ns::FileOperation::rename, ENOSPC},
                         {ns::FileOperation::rename, EIO}};

class TweakFileFaults : public Noctil7Test {
 protected:
  void TearDown() override {
    ns::clearFileFaults();
    uikit::setMenuAddOnInstalled(false);
    Noctil7Test::TearDown();
  }

  static std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::vector<std::string> names(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder)) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  fs::path install(const std::string& name, const std::string& devicePath) {
    fs::path target = hostPath(devicePath);
    fs::create_directories(target.parent_path());
    fs::copy_file(testing_support::testDataDir() / "stores" / name, target, fs::copy_options::overwrite_existing);
    return target;
  }
  static void post(const std::string& section, const std::string& message, const std::string& record = "") {
    sb7::Notification n;
    n.sectionID = section;
    n.message = message;
    n.recordID = record;
    ASSERT_TRUE(sb7::post(n).ok());
  }
  static void deleteRow(const std::string& section) {
    ASSERT_TRUE(sb7::longPress(sb7::List::NotificationCenter, section, 0).ok());
    ASSERT_TRUE(sb7::performMenuItem("Delete").ok());
  }

  // Runs `action` under each fault and checks that `file` is unchanged and its folder
  // holds no new name afterwards.
  void expectUntouched(const fs::path& file, const std::function<void()>& action) {
    for (const Fault& fault : kFaults) {
      SCOPED_TRACE(std::to_string(static_cast<int>(fault.operation)) + " " + std::to_string(fault.error));
      const std::string before = contents(file);
      const auto namesBefore = names(file.parent_path());
      ns::failFileOperation(fault.operation, 1, fault.error);
      action();
      ns::clearFileFaults();
      EXPECT_EQ(contents(file), before);
      EXPECT_EQ(names(file.parent_path()), namesBefore);
    }
  }
};

TEST_F(TweakFileFaults, AFoldThatCannotBeSavedStaysInMemoryAndTheFileWhole) {
  writeOptions({{"Collapsible", OptionValue::yes()}, {"BlurValue", OptionValue::number(12)}});
  reloadOptions();
  post(kMessages, "one");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  bool folded = false;
  expectUntouched(hostPath(noctil7::kOptionsPath), [&] {
    ASSERT_TRUE(sb7::tapHeader(kMessages).ok());
    folded = !folded;
    EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, kMessages, 0).state,
              folded ? sb7::RowState::Hidden : sb7::RowState::Visible);
  });
  // With the disk well again the next tap saves the whole set.
  ASSERT_TRUE(sb7::tapHeader(kMessages).ok());
  EXPECT_EQ(savedFoldedSections(), folded ? std::vector<std::string>{} : std::vector<std::string>{kMessages});
}

TEST_F(TweakFileFaults, TheMenuAddOnsSwitchKeepsItsFileWhenTheWriteFails) {
  uikit::setMenuAddOnInstalled(true);
  fs::path file = hostPath(noctil7::kActionMenuOptionsPath);
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                         "\t<key>AMEnabled</key>\n\t<true/>\n\t<key>Other</key>\n\t<integer>3</integer>\n"
                         "</dict>\n</plist>\n";
  // Switched off at the appearance and back on at the disappearance: both rewrites
  // fail and the file stays as the add-on wrote it.
  const std::string before = contents(file);
  for (const Fault& fault : kFaults) {
    for (bool appearing : {true, false}) {
      ns::failFileOperation(fault.operation, 1, fault.error);
      ASSERT_TRUE((appearing ? sb7::showNotificationCenter() : sb7::hideNotificationCenter()).ok());
      ns::clearFileFaults();
      EXPECT_EQ(contents(file), before);
      EXPECT_EQ(names(file.parent_path()), std::vector<std::string>{file.filename().string()});
    }
  }
}

TEST_F(TweakFileFaults, StoredCopiesKeepTheirOldContentWhenTheRewriteFails) {
  fs::path mail = install("Bulletins", noctil7::kMailArchivePath);
  fs::path store =
      install("com.example.chat.pushstore", std::string("/var/mobile/Library/SpringBoard/PushStore/") + kChat + ".pushstore");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  expectUntouched(mail, [&] {
    post(kMail, "Lunch?", "mail-2");
    deleteRow(kMail);
    EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, kMail), 0);
  });
  expectUntouched(store, [&] {
    post(kChat, "Dinner at 8?");
    deleteRow(kChat);
    EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, kChat), 0);
  });
}

TEST_F(TweakFileFaults, TheBadgeFileKeepsItsOldContentWhenTheRewriteFails) {
  ASSERT_TRUE(sb7::setBadge(kMail, 9).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  expectUntouched(hostPath(sbcommon::kBadgeFile), [&] {
    post(kMail, "a mail");
    deleteRow(kMail);
  });
}

}  // namespace
}  // namespace noctil7_tests
