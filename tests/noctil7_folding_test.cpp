// Folded sections of Notification Center, run inside the iOS 7 home screen: header
// taps fold and unfold, the folded set's saved order, rows hidden at zero height,
// header titles with counts, arrivals into folded sections, header backdrops, and the
// "Collapsible" / "Enabled" switches.
#include "Cells.h"
#include "FoldedSections.h"
#include "Launch.h"
#include "Options.h"

#include "noctil7/Noctil7Fixture.h"

#include <foundation/Plist.h>
#include <objcface/Ivar.h>
#include <springboard7/HostControl.h>
#include <uikit/UITableView.h>

#include <filesystem>
#include <fstream>

namespace noctil7_tests {
namespace {

using objc::sel;
using sb7::List;
using sb7::RowState;

constexpr const char* kMessages = "com.apple.MobileSMS";
constexpr const char* kMail = "com.apple.mobilemail";
constexpr const char* kPhone = "com.apple.mobilephone";
constexpr const char* kGameCenter = "com.apple.gamecenter";

class FoldingTest : public Noctil7Test {
 protected:
  static void post(const std::string& sectionID, int count) {
    for (int i = 0; i < count; ++i) {
      sb7::Notification n;
      n.sectionID = sectionID;
      n.message = "message " + std::to_string(i);
      ASSERT_TRUE(sb7::post(n).ok());
    }
  }

  // An options file that exists, so that taps are saved.
  void writeCollapsibleOptions(std::vector<std::string> folded = {}) {
    writeOptions({{"Collapsible", OptionValue::yes()},
                  {"BlurValue", OptionValue::number(12)},
                  {"foldedSections", OptionValue::list(std::move(folded))}});
    reloadOptions();
  }

  static void tap(const std::string& sectionID) { ASSERT_TRUE(sb7::tapHeader(sectionID).ok()) << sectionID; }

  // Every row of a section in one state.
  static void expectRows(const std::string& sectionID, NSInteger count, RowState state) {
    ASSERT_EQ(sb7::rowCount(List::NotificationCenter, sectionID), count) << sectionID;
    for (NSInteger r = 0; r < count; ++r) {
      auto info = sb7::row(List::NotificationCenter, sectionID, r);
      EXPECT_EQ(info.state, state) << sectionID << " row " << r;
      if (state == RowState::Hidden) {
        EXPECT_EQ(info.height, 0.0) << sectionID << " row " << r;
        id cell = cellOf(false, sectionID, r);
        if (cell != nil) {
          EXPECT_TRUE(objc::send<BOOL>(cell, sel<"isHidden">())) << sectionID << " row " << r;
        }
      } else {
        EXPECT_GT(info.height, 0.0) << sectionID << " row " << r;
        id cell = cellOf(false, sectionID, r);
        ASSERT_NE(cell, nil) << sectionID << " row " << r;
        EXPECT_FALSE(objc::send<BOOL>(cell, sel<"isHidden">())) << sectionID << " row " << r;
      }
    }
  }

  // The table builds every row and header again, as after a reload.
  static void rebuildList() {
    objc::send<void>(notificationCenterTable(), sel<"reloadData">());
    sb7::settle();
  }

  // Whether the table was asked to reload exactly this one section with UIKit's
  // automatic row animation.
  static bool reloadedSectionAnimated(NSInteger section) {
    for (const auto& update : uikit::tableUpdates(notificationCenterTable())) {
      if (update.kind == uikit::TableUpdate::Kind::ReloadSections && update.sections == std::vector<NSInteger>{section} &&
          update.animation == 100)
        return true;
    }
    return false;
  }

  static bool headerHighlighted(const std::string& sectionID) {
    id header = objc::send<id>(objc::objectIvar(visibleBulletinViewController(), "_headerViews"),
                               sel<"objectForKey:">(), str(sectionID));
    return objc::send<BOOL>(header, sel<"isHighlighted">());
  }

  static bool folded(const std::string& sectionID) { return noctil7::isSectionFolded(str(sectionID)); }
};

// ---- Taps and the saved folded set --------------------------------------------------

TEST_F(FoldingTest, TapFoldsTheSectionAndASecondTapUnfoldsIt) {
  writeCollapsibleOptions();
  post(kMessages, 3);
  post(kMail, 2);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  expectRows(kMessages, 3, RowState::Visible);
  CGFloat hostHeight = sb7::row(List::NotificationCenter, kMessages, 0).height;
  uikit::clearTableUpdates(notificationCenterTable());

  tap(kMessages);
  expectRows(kMessages, 3, RowState::Hidden);  // the rows stay in the table, hidden
  expectRows(kMail, 2, RowState::Visible);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (3)");
  EXPECT_EQ(sb7::headerTitle(kMail), "Mail");
  EXPECT_TRUE(reloadedSectionAnimated(sectionIndex(kMessages)));
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMessages});
  EXPECT_FALSE(headerHighlighted(kMessages)) << "the host's own touchesEnded:withEvent: did not run";

  uikit::clearTableUpdates(notificationCenterTable());
  tap(kMessages);
  expectRows(kMessages, 3, RowState::Visible);  // reused cells are made visible again
  EXPECT_EQ(sb7::row(List::NotificationCenter, kMessages, 0).height, hostHeight);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages");
  EXPECT_TRUE(reloadedSectionAnimated(sectionIndex(kMessages)));
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{});
}

TEST_F(FoldingTest, SavedSetKeepsFoldOrderAndTheOtherOptions) {
  writeCollapsibleOptions();
  post(kMessages, 1);
  post(kMail, 1);
  post(kPhone, 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());

  tap(kMail);
  tap(kMessages);
  tap(kPhone);
  EXPECT_EQ(savedFoldedSections(), (std::vector<std::string>{kMail, kMessages, kPhone}));
  tap(kMessages);  // unfolding takes it out, the others keep their order
  EXPECT_EQ(savedFoldedSections(), (std::vector<std::string>{kMail, kPhone}));
  tap(kMessages);  // folding again appends at the end
  EXPECT_EQ(savedFoldedSections(), (std::vector<std::string>{kMail, kPhone, kMessages}));

  std::string file = optionsFileText();
  EXPECT_NE(file.find("<key>BlurValue</key>"), std::string::npos) << file;
  EXPECT_NE(file.find("<key>Collapsible</key>"), std::string::npos) << file;

  // No change notification is posted, but a reload reads the same set back.
  reloadOptions();
  EXPECT_TRUE(folded(kMail) && folded(kPhone) && folded(kMessages));
}

TEST_F(FoldingTest, UnfoldRemovesEveryCopyOfTheIdentifier) {
  writeCollapsibleOptions({kMessages, kMail, kMessages});
  post(kMessages, 1);
  post(kMail, 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  expectRows(kMessages, 1, RowState::Hidden);

  tap(kMessages);
  expectRows(kMessages, 1, RowState::Visible);
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMail});
}

TEST_F(FoldingTest, TapWithoutAReadableOptionsFileFoldsInMemoryAndWritesNothing) {
  post(kMessages, 2);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  auto path = hostPath(noctil7::kOptionsPath);
  ASSERT_FALSE(std::filesystem::exists(path));

  tap(kMessages);
  expectRows(kMessages, 2, RowState::Hidden);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (2)");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(path.parent_path())) << "nothing is made for a missing file";

  // A file that is not a property-list dictionary is left as it is.
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "not a property list";
  tap(kMessages);
  expectRows(kMessages, 2, RowState::Visible);
  EXPECT_EQ(optionsFileText(), "not a property list");
}

TEST_F(FoldingTest, AFileXMLCannotHoldKeepsItsBinaryFormatAndEveryEntry) {
  // A binary options file whose list of a thousand numbers is shared four hundred
  // times: small on disk and read by the options loader, but written out as XML it
  // would unfold to 400,000 values, more than the XML writer accepts.
  auto path = hostPath(noctil7::kOptionsPath);
  {
    objc::AutoreleasePool pool;
    id numbers = objc::send<id>(objc_lookUpClass("NSMutableArray"), sel<"array">());
    for (int i = 0; i < 1000; ++i)
      objc::send<void>(numbers, sel<"addObject:">(), objc::send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithInt:">(), i));
    id shared = objc::send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithArray:">(), numbers);
    id blob = objc::send<id>(objc_lookUpClass("NSMutableArray"), sel<"array">());
    for (int i = 0; i < 400; ++i) objc::send<void>(blob, sel<"addObject:">(), shared);
    id options = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
    objc::send<void>(options, sel<"setObject:forKey:">(), blob, str("Blob"));
    objc::send<void>(options, sel<"setObject:forKey:">(),
                     objc::send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithDouble:">(), 12.0), str("BlurValue"));
    objc::send<void>(options, sel<"setObject:forKey:">(), objc::send<id>(objc_lookUpClass("NSArray"), sel<"array">()),
                     str("foldedSections"));
    ASSERT_FALSE(ns::dataFromPropertyList(options, NSPropertyListXMLFormat_v1_0).ok());
    auto binary = ns::dataFromPropertyList(options, NSPropertyListBinaryFormat_v1_0);
    ASSERT_TRUE(binary.ok());
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(binary.value().data()), static_cast<std::streamsize>(binary.value().size()));
  }
  reloadOptions();
  post(kMessages, 2);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  tap(kMessages);
  expectRows(kMessages, 2, RowState::Hidden);
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMessages});

  std::ifstream in(path, std::ios::binary);
  std::string head(8, '\0');
  in.read(head.data(), 8);
  EXPECT_EQ(head, "bplist00");
  objc::AutoreleasePool pool;
  auto back = ns::readPropertyListFile(noctil7::kOptionsPath);
  ASSERT_TRUE(back.ok());
  id blob = objc::send<id>(back.value().get(), sel<"objectForKey:">(), str("Blob"));
  ASSERT_EQ(objc::send<NSUInteger>(blob, sel<"count">()), 400u);
  id last = objc::send<id>(blob, sel<"lastObject">());
  ASSERT_EQ(objc::send<NSUInteger>(last, sel<"count">()), 1000u);
  EXPECT_EQ(objc::send<int>(objc::send<id>(last, sel<"lastObject">()), sel<"intValue">()), 999);
  EXPECT_EQ(objc::send<double>(objc::send<id>(back.value().get(), sel<"objectForKey:">(), str("BlurValue")),
                               sel<"doubleValue">()),
            12.0);

  // Unfolding writes again, still whole.
  tap(kMessages);
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{});
}

// ---- Header titles -------------------------------------------------------------------

TEST_F(FoldingTest, FoldedTitleCarriesTheCountOnceOnEveryBuild) {
  sb7::installApplication(kGameCenter, "Game Center");
  writeCollapsibleOptions({kMessages, kGameCenter});
  post(kMessages, 3);
  post(kGameCenter, 2);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (3)");
  EXPECT_EQ(sb7::headerTitle(kGameCenter), "Game Center (2)");
  rebuildList();
  rebuildList();
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (3)");
  EXPECT_EQ(sb7::headerTitle(kGameCenter), "Game Center (2)");
}

// A host whose header label keeps the text of the last build (the count included):
// the stand-in's own header method sets the app's name on every build, so this one
// puts the previous text back after it.
IMP gHostViewForHeader = nullptr;
id viewForHeaderKeepingText(id self, SEL cmd, id table, NSInteger section) {
  id identifier = noctil7::sectionIdentifierAt(self, section);
  id header = objc::send<id>(objc::objectIvar(self, "_headerViews"), sel<"objectForKey:">(), identifier);
  objc::Ref previousText = objc::Ref::retain(objc::send<id>(objc::objectIvar(header, "_titleLabel"), sel<"text">()));
  id view = objc::callImp<id, id, NSInteger>(gHostViewForHeader, self, cmd, table, section);
  if (previousText) objc::send<void>(objc::objectIvar(view, "_titleLabel"), sel<"setText:">(), previousText.get());
  return view;
}

TEST_F(FoldingTest, ACountAlreadyInTheLabelIsNotRepeated) {
  sb7::installApplication(kGameCenter, "Game Center");
  sb7::installApplication("com.example.notes", "Notes (Work)");
  writeCollapsibleOptions({kMessages, kGameCenter, "com.example.notes"});
  post(kMessages, 3);
  post(kGameCenter, 2);
  post("com.example.notes", 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());

  gHostViewForHeader = noctil7::gBulletinViewForHeader.previous;
  ASSERT_NE(gHostViewForHeader, nullptr);
  noctil7::gBulletinViewForHeader.previous = reinterpret_cast<IMP>(&viewForHeaderKeepingText);
  struct Restore {
    ~Restore() { noctil7::gBulletinViewForHeader.previous = gHostViewForHeader; }
  } restore;

  rebuildList();
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (3)");
  EXPECT_EQ(sb7::headerTitle(kGameCenter), "Game Center (2)");
  rebuildList();
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (3)");
  EXPECT_EQ(sb7::headerTitle(kGameCenter), "Game Center (2)");
  // Brackets that are not a count belong to the app's name.
  EXPECT_EQ(sb7::headerTitle("com.example.notes"), "Notes (Work) (1)");
  // Counts left doubled in a label by someone else all go.
  id header = objc::send<id>(objc::objectIvar(visibleBulletinViewController(), "_headerViews"), sel<"objectForKey:">(),
                             str(kMessages));
  objc::send<void>(objc::objectIvar(header, "_titleLabel"), sel<"setText:">(), str("Messages (12) (3)"));
  rebuildList();
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (3)");

  // The count is the one of now, not the one in the label.
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  post(kMessages, 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (4)");
}

// A host that hands out the Messages header whatever section is asked for.
id gAnyHeader = nil;
id viewForHeaderAlwaysMessages(id, SEL, id, NSInteger) { return gAnyHeader; }

TEST_F(FoldingTest, SectionIndexOutsideTheListLeavesTheTitleButSetsTheBackdrop) {
  writeOptions({{"BGSettingsEnabled", OptionValue::yes()}, {"foldedSections", OptionValue::list({kMessages})}});
  reloadOptions();
  post(kMessages, 2);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  ASSERT_EQ(sb7::headerTitle(kMessages), "Messages (2)");
  gAnyHeader = objc::send<id>(objc::objectIvar(visibleBulletinViewController(), "_headerViews"), sel<"objectForKey:">(),
                              str(kMessages));
  id label = objc::objectIvar(gAnyHeader, "_titleLabel");
  id backdrop = objc::objectIvar(gAnyHeader, "_backdrop");

  IMP host = noctil7::gBulletinViewForHeader.previous;
  noctil7::gBulletinViewForHeader.previous = reinterpret_cast<IMP>(&viewForHeaderAlwaysMessages);
  struct Restore {
    IMP host;
    ~Restore() { noctil7::gBulletinViewForHeader.previous = host; }
  } restore{host};
  for (NSInteger section : {NSInteger{1}, NSInteger{7}, NSInteger{-1}}) {
    objc::send<void>(label, sel<"setText:">(), str("Messages"));
    objc::send<void>(backdrop, sel<"setAlpha:">(), CGFloat{1.0});
    id view = objc::send<id>(visibleBulletinViewController(), sel<"tableView:viewForHeaderInSection:">(),
                             notificationCenterTable(), section);
    EXPECT_EQ(view, gAnyHeader);
    EXPECT_EQ(text(objc::send<id>(label, sel<"text">())), "Messages") << "section " << section;
    EXPECT_EQ(objc::send<CGFloat>(backdrop, sel<"alpha">()), 0.6) << "section " << section;
  }
  // Section 0 is the folded Messages section itself.
  objc::send<id>(visibleBulletinViewController(), sel<"tableView:viewForHeaderInSection:">(), notificationCenterTable(),
                 NSInteger{0});
  EXPECT_EQ(text(objc::send<id>(label, sel<"text">())), "Messages (2)");
}

TEST_F(FoldingTest, FoldedSectionWithoutRowsShowsACountOfZero) {
  writeCollapsibleOptions({"com.example.quiet"});
  post(kMessages, 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  objc::AutoreleasePool pool;
  // The host drops a section once it is empty, so an empty one is put in directly.
  id listSection = objc::send<id>(objc::send<id>(objc_lookUpClass("SBBulletinListSection"), sel<"alloc">()),
                                  sel<"initWithSectionID:displayName:">(), str("com.example.quiet"), str("Quiet App"));
  id info = objc::send<id>(objc::send<id>(objc_lookUpClass("SBNotificationsSectionInfo"), sel<"alloc">()),
                           sel<"initWithIdentifier:listSection:">(), str("com.example.quiet"), listSection);
  objc::send<void>(visibleBulletinViewController(), sel<"_insertSection:atIndex:">(), info, NSUInteger{0});
  objc::release(info);
  objc::release(listSection);
  sb7::settle();
  EXPECT_EQ(sb7::headerTitle("com.example.quiet"), "Quiet App (0)");
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages");
}

// ---- Arrivals into folded sections ------------------------------------------------------

TEST_F(FoldingTest, ArrivalWhileHiddenStaysFoldedAndCountsUp) {
  writeCollapsibleOptions();
  post(kMessages, 3);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  tap(kMessages);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (3)");
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());

  post(kMessages, 1);
  EXPECT_TRUE(folded(kMessages));
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages (4)");
  expectRows(kMessages, 4, RowState::Hidden);
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMessages});
}

TEST_F(FoldingTest, ArrivalWhileVisibleUnfoldsInMemoryOnly) {
  writeCollapsibleOptions();
  post(kMessages, 2);
  post(kMail, 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  tap(kMessages);
  expectRows(kMessages, 2, RowState::Hidden);
  NSInteger section = sectionIndex(kMessages);
  uikit::clearTableUpdates(notificationCenterTable());

  post(kMessages, 1);
  EXPECT_FALSE(folded(kMessages));
  EXPECT_TRUE(reloadedSectionAnimated(section));
  expectRows(kMessages, 3, RowState::Visible);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages");
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMessages}) << "the file is not written";

  // An arrival into an unfolded section reloads nothing of its own.
  uikit::clearTableUpdates(notificationCenterTable());
  post(kMail, 1);
  for (const auto& update : uikit::tableUpdates(notificationCenterTable()))
    EXPECT_NE(update.kind, uikit::TableUpdate::Kind::ReloadSections);

  // An options reload folds it again, since the file still lists it.
  reloadOptions();
  rebuildList();
  expectRows(kMessages, 3, RowState::Hidden);

  // The next tap writes the whole set held in memory, making an unfold lasting.
  post(kMessages, 1);
  EXPECT_FALSE(folded(kMessages));
  tap(kMail);
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMail});
}

// ---- Backdrops and the switches ---------------------------------------------------------

TEST_F(FoldingTest, HeaderBackdropFollowsTheBackgroundOptions) {
  post(kMessages, 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 1.0);

  writeOptions({{"BGSettingsEnabled", OptionValue::yes()}, {"foldedSections", OptionValue::list({kMessages})}});
  reloadOptions();
  rebuildList();
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 0.6);  // folded or not
  writeOptions({{"BGSettingsEnabled", OptionValue::yes()}});
  reloadOptions();
  rebuildList();
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 0.6);

  // The custom picture counts only when its file exists.
  writeOptions({{"BGSettingsEnabled", OptionValue::no()}, {"BGImageEnabled", OptionValue::yes()}});
  reloadOptions();
  rebuildList();
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 1.0);
  auto picture = hostPath("/var/mobile/Library/Noctil/CustomBGImage.png");
  std::filesystem::create_directories(picture.parent_path());
  std::ofstream(picture) << "picture";
  rebuildList();
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 0.6);
}

TEST_F(FoldingTest, CollapsibleOffPassesTapsThroughAndFoldsNothing) {
  writeOptions({{"Collapsible", OptionValue::no()},
                {"BGSettingsEnabled", OptionValue::yes()},
                {"foldedSections", OptionValue::list({kMessages})}});
  reloadOptions();
  post(kMessages, 2);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  std::string before = optionsFileText();

  expectRows(kMessages, 2, RowState::Visible);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages");
  tap(kMessages);
  expectRows(kMessages, 2, RowState::Visible);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages");
  EXPECT_FALSE(headerHighlighted(kMessages)) << "the tap did not reach the host";
  EXPECT_EQ(optionsFileText(), before);
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 0.6);

  // Switching it on again restores the folds the file holds.
  writeOptions({{"Collapsible", OptionValue::yes()},
                {"BGSettingsEnabled", OptionValue::no()},
                {"foldedSections", OptionValue::list({kMessages})}});
  reloadOptions();
  rebuildList();
  expectRows(kMessages, 2, RowState::Hidden);
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 1.0);
}

TEST_F(FoldingTest, SwitchingCollapsibleOffWhileRunningShowsTheRows) {
  ASSERT_TRUE(noctil7::launched());  // the home screen's launch went through the tweak
  writeCollapsibleOptions({kMessages});
  post(kMessages, 2);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  expectRows(kMessages, 2, RowState::Hidden);

  writeOptions({{"Collapsible", OptionValue::no()}, {"foldedSections", OptionValue::list({kMessages})}});
  reloadOptions();  // no rebuild asked for here: the tweak marks the list for reload
  sb7::settle();
  expectRows(kMessages, 2, RowState::Visible);
  EXPECT_EQ(sb7::headerTitle(kMessages), "Messages");
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMessages}) << "the saved set is not touched";
}

TEST_F(FoldingTest, EnabledOffSwitchesFoldingAndTranslucentBackdropsOff) {
  writeOptions({{"Enabled", OptionValue::no()},
                {"Collapsible", OptionValue::yes()},
                {"BGSettingsEnabled", OptionValue::yes()},
                {"foldedSections", OptionValue::list({kMessages})}});
  reloadOptions();
  post(kMessages, 1);
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  expectRows(kMessages, 1, RowState::Visible);
  EXPECT_EQ(sb7::headerBackdropAlpha(kMessages), 1.0);
  tap(kMessages);
  expectRows(kMessages, 1, RowState::Visible);
  EXPECT_EQ(savedFoldedSections(), std::vector<std::string>{kMessages});
}

}  // namespace
}  // namespace noctil7_tests
