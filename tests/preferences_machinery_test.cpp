// The Preferences stand-in: specifiers read from property-list entries, the
// preference machinery's reads and atomic, key-keeping writes with the row's
// notification, a user's changes through a row, the pane stack, and the action
// sheet's button order and callbacks.
#include "SettingsFixture.h"

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <foundation/Plist.h>
#include <preferences/PSSpecifier.h>
#include <preferences/PreferenceRows.h>
#include <preferences/PreferenceValues.h>
#include <uikit/UIActionSheet.h>

#include <fstream>

using namespace settings_testing;
using objc::send;
using objc::sel;

namespace {

class Machinery : public testing_support::DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    auto receiver = cf::notify::NotifyReceiver::open();
    ASSERT_TRUE(receiver.ok());
    receiver_ = std::move(*receiver);
    pane_ = objc::Ref::adopt(objc::allocInit(preferences::PSListControllerClass()));
  }

  std::vector<std::string> posted(int milliseconds = 500) {
    pollfd p{receiver_->fd(), POLLIN, 0};
    ::poll(&p, 1, milliseconds);
    return receiver_->drain();
  }

  // A row made from a property-list entry, with the pane as its target.
  id row(std::initializer_list<std::pair<id, id>> entry) {
    auto made = preferences::specifierFromEntry(ns::dictionary(entry), pane_.get());
    EXPECT_TRUE(made.ok()) << (made.ok() ? "" : made.error().message);
    return made.ok() ? objc::autorelease(made->specifier.leak()) : nil;
  }

  id switchRow(const char* key, bool fallback) {
    return row({{ns::str("cell"), ns::str("PSSwitchCell")}, {ns::str("label"), ns::str(key)},
                {ns::str("key"), ns::str(key)}, {ns::str("defaults"), ns::str("com.example.test")},
                {ns::str("default"), ns::numberWithBool(fallback)},
                {ns::str("PostNotification"), ns::str("com.example.test.changed")}});
  }

  fs::path domainFile() { return root_.path() / "var/mobile/Library/Preferences/com.example.test.plist"; }

  std::unique_ptr<cf::notify::NotifyReceiver> receiver_;
  objc::AutoreleasePool pool_;
  objc::Ref pane_;
};

}  // namespace

TEST_F(Machinery, AnEntryBecomesARowWithEveryPropertyAndTheMachinery) {
  id rowSpecifier = row({{ns::str("cell"), ns::str("PSLinkListCell")}, {ns::str("label"), ns::str("Tint")},
                 {ns::str("key"), ns::str("ColorTint")}, {ns::str("footerText"), ns::str("F")},
                 {ns::str("validValues"), ns::array({ns::str("a"), ns::numberWithInt(2)})},
                 {ns::str("validTitles"), ns::array({ns::str("A"), ns::str("Two")})}});
  EXPECT_EQ(send<PSCellType>(rowSpecifier, sel<"cellType">()), PSLinkListCell);
  EXPECT_EQ(ns::utf8(send<id>(rowSpecifier, sel<"name">())), "Tint");
  EXPECT_EQ(ns::utf8(send<id>(rowSpecifier, sel<"identifier">())), "ColorTint");
  EXPECT_EQ(ns::utf8(send<id>(rowSpecifier, sel<"propertyForKey:">(), ns::str("footerText"))), "F");
  EXPECT_EQ(ns::utf8(send<id>(rowSpecifier, sel<"propertyForKey:">(), ns::str("label"))), "Tint");
  EXPECT_EQ(send<id>(rowSpecifier, sel<"target">()), pane_.get());
  EXPECT_STREQ(sel_getName(send<SEL>(rowSpecifier, sel<"getter">())), "readPreferenceValue:");
  EXPECT_STREQ(sel_getName(send<SEL>(rowSpecifier, sel<"setter">())), "setPreferenceValue:specifier:");
  EXPECT_EQ(send<Class>(rowSpecifier, sel<"detailControllerClass">()), preferences::PSListItemsControllerClass());
  id titles = send<id>(rowSpecifier, sel<"titleDictionary">());
  EXPECT_EQ(ns::utf8(send<id>(titles, sel<"objectForKey:">(), ns::numberWithInt(2))), "Two");

  id button = row({{ns::str("cell"), ns::str("PSButtonCell")}, {ns::str("label"), ns::str("Go")},
                   {ns::str("action"), ns::str("go:")}});
  EXPECT_STREQ(sel_getName(send<SEL>(button, sel<"buttonAction">())), "go:");
  EXPECT_EQ(send<SEL>(button, sel<"getter">()), nullptr);
}

TEST_F(Machinery, BadEntriesAreLeftOutOrNoted) {
  EXPECT_FALSE(preferences::specifierFromEntry(ns::dictionary({{ns::str("cell"), ns::str("PSNoSuchCell")}}), nil).ok());
  EXPECT_FALSE(preferences::specifierFromEntry(ns::dictionary({{ns::str("label"), ns::str("x")}}), nil).ok());
  EXPECT_FALSE(preferences::specifierFromEntry(ns::str("not a dictionary"), nil).ok());
  EXPECT_FALSE(preferences::specifierFromEntry(
                   ns::dictionary({{ns::str("cell"), ns::str("PSSwitchCell")}, {ns::str("key"), ns::numberWithInt(3)}}),
                   nil)
                   .ok());

  id items = ns::array({ns::dictionary({{ns::str("cell"), ns::str("PSLinkCell")}, {ns::str("label"), ns::str("L")},
                                        {ns::str("detail"), ns::str("NoSuchPaneClass")}}),
                        ns::dictionary({{ns::str("cell"), ns::str("PSBogusCell")}}),
                        ns::dictionary({{ns::str("cell"), ns::str("PSGroupCell")}})});
  auto list = preferences::specifiersFromPlist(ns::dictionary({{ns::str("items"), items}}), nil);
  EXPECT_EQ(ns::elements(list.specifiers.get()).size(), 2u);  // the link is kept, the bogus row is not
  ASSERT_EQ(list.problems.size(), 2u);
  EXPECT_NE(list.problems[0].find("NoSuchPaneClass"), std::string::npos);
  EXPECT_NE(list.problems[1].find("item 1"), std::string::npos);
  EXPECT_FALSE(preferences::specifiersFromPlist(ns::str("x"), nil).problems.empty());
}

TEST_F(Machinery, ARowShowsItsDefaultUntilTheFileHoldsTheKey) {
  id rowSpecifier = switchRow("Collapsible", true);
  EXPECT_EQ(preferences::shownValue(rowSpecifier), "ON");
  ASSERT_TRUE(preferences::writeDomainValue("com.example.test", ns::str("Collapsible"), ns::numberWithBool(false)).ok());
  EXPECT_EQ(preferences::shownValue(rowSpecifier), "OFF");
  // A file that cannot be read shows the default rather than failing.
  std::ofstream(domainFile()) << "garbage";
  EXPECT_EQ(preferences::shownValue(rowSpecifier), "ON");
}

TEST_F(Machinery, AChangeRewritesTheFileKeepingOtherKeysAndPostsOnce) {
  ASSERT_TRUE(preferences::writeDomainValue("com.example.test", ns::str("Other"), ns::str("kept")).ok());
  posted(0);
  id rowSpecifier = switchRow("Collapsible", true);
  ASSERT_TRUE(preferences::userChangesRow(rowSpecifier, "off").ok());
  auto stored = preferences::readDomain("com.example.test");
  ASSERT_TRUE(stored.ok());
  EXPECT_EQ(ns::utf8(send<id>(stored->get(), sel<"objectForKey:">(), ns::str("Other"))), "kept");
  EXPECT_TRUE(ns::isBoolean(send<id>(stored->get(), sel<"objectForKey:">(), ns::str("Collapsible"))));
  EXPECT_EQ(posted(), std::vector<std::string>{"com.example.test.changed"});
  // Nothing but the file is left in the folder: the rewrite renamed its temporary file.
  int files = 0;
  for (const auto& item : fs::directory_iterator(domainFile().parent_path())) files += item.is_regular_file();
  EXPECT_EQ(files, 1);
  // An XML property list, as the Settings app writes.
  std::ifstream in(domainFile());
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "<?xml");
}

TEST_F(Machinery, AnUnreadableFileIsNeverReplaced) {
  fs::create_directories(domainFile().parent_path());
  std::ofstream(domainFile()) << "not a property list";
  posted(0);
  send<void>(pane_.get(), sel<"setPreferenceValue:specifier:">(), ns::numberWithBool(false),
             switchRow("Collapsible", true));
  std::ifstream in(domainFile());
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "not a property list");
  EXPECT_TRUE(posted(50).empty());
  EXPECT_FALSE(preferences::writeDomainValue("com.example.test", ns::str("k"), ns::str("v")).ok());
}

TEST_F(Machinery, DomainsCannotNameOtherFiles) {
  for (const char* bad : {"", "../evil", "a/b", ".hidden"}) {
    EXPECT_FALSE(preferences::domainFilePath(bad).ok()) << bad;
    EXPECT_FALSE(preferences::writeDomainValue(bad, ns::str("k"), ns::str("v")).ok()) << bad;
  }
  EXPECT_EQ(preferences::domainFilePath("com.trelmo.noctil").value(),
            "/var/mobile/Library/Preferences/com.trelmo.noctil.plist");
}

TEST_F(Machinery, UserChangesAreCheckedAgainstTheRow) {
  id toggle = switchRow("Flag", false);
  EXPECT_FALSE(preferences::userChangesRow(toggle, "maybe").ok());
  id slider = row({{ns::str("cell"), ns::str("PSSliderCell")}, {ns::str("label"), ns::str("Blur")},
                   {ns::str("key"), ns::str("BlurValue")}, {ns::str("defaults"), ns::str("com.example.test")},
                   {ns::str("min"), ns::numberWithDouble(0)}, {ns::str("max"), ns::numberWithDouble(50)},
                   {ns::str("default"), ns::numberWithDouble(20)}});
  EXPECT_EQ(preferences::shownValue(slider), "20");
  EXPECT_FALSE(preferences::userChangesRow(slider, "51").ok());
  EXPECT_FALSE(preferences::userChangesRow(slider, "12abc").ok());
  ASSERT_TRUE(preferences::userChangesRow(slider, "12.5").ok());
  EXPECT_EQ(preferences::shownValue(slider), "12.5");
  id group = row({{ns::str("cell"), ns::str("PSGroupCell")}, {ns::str("label"), ns::str("G")}});
  EXPECT_FALSE(preferences::userChangesRow(group, "x").ok());
  EXPECT_FALSE(preferences::userPressesButton(group).ok());
}

TEST_F(Machinery, TheStackShowsTheTopPaneAndNeverPopsTheFirst) {
  objc::Ref root = objc::Ref::adopt(objc::allocInit(preferences::PSRootControllerClass()));
  objc::Ref second = objc::Ref::adopt(objc::allocInit(preferences::PSListControllerClass()));
  send<void>(root.get(), sel<"pushController:animated:">(), pane_.get(), static_cast<BOOL>(NO));
  send<void>(pane_.get(), sel<"pushController:animate:">(), second.get(), static_cast<BOOL>(NO));
  EXPECT_EQ(send<id>(root.get(), sel<"topViewController">()), second.get());
  EXPECT_EQ(send<id>(second.get(), sel<"parentController">()), pane_.get());
  EXPECT_EQ(send<id>(second.get(), sel<"rootController">()), root.get());
  EXPECT_EQ(send<id>(root.get(), sel<"popControllerAnimated:">(), static_cast<BOOL>(NO)), second.get());
  EXPECT_EQ(send<id>(root.get(), sel<"popControllerAnimated:">(), static_cast<BOOL>(NO)), nil);
  EXPECT_EQ(send<id>(root.get(), sel<"topViewController">()), pane_.get());
}

namespace {
std::vector<std::string> gSheetEvents;
void clicked(id, SEL, id, NSInteger i) { gSheetEvents.push_back("clicked " + std::to_string(i)); }
void willDismiss(id, SEL, id, NSInteger i) { gSheetEvents.push_back("will " + std::to_string(i)); }
void didDismiss(id, SEL, id, NSInteger i) { gSheetEvents.push_back("did " + std::to_string(i)); }
Class sheetDelegateClass() {
  static Class cls = objc::ClassBuilder<NSObjectIvars>("SheetRecorder", objc::NSObjectClass())
                         .method<&clicked>("actionSheet:clickedButtonAtIndex:")
                         .method<&willDismiss>("actionSheet:willDismissWithButtonIndex:")
                         .method<&didDismiss>("actionSheet:didDismissWithButtonIndex:")
                         .registerClass();
  return cls;
}
}  // namespace

TEST_F(Machinery, ActionSheetsOrderTheirButtonsAndTellTheirDelegate) {
  gSheetEvents.clear();
  objc::Ref delegate = objc::Ref::adopt(objc::allocInit(sheetDelegateClass()));
  id sheet = send<id>(reinterpret_cast<id>(uikit::UIActionSheetClass()), sel<"alloc">());
  sheet = objc::sendVariadic<id>(
      sheet, sel<"initWithTitle:delegate:cancelButtonTitle:destructiveButtonTitle:otherButtonTitles:">(), ns::str("T"),
      delegate.get(), ns::str("Cancel"), ns::str("Erase"), ns::str("One"), ns::str("Two"), static_cast<id>(nil));
  EXPECT_EQ(uikit::actionSheetButtonTitles(sheet), (std::vector<std::string>{"Erase", "One", "Two", "Cancel"}));
  EXPECT_EQ(send<NSInteger>(sheet, sel<"destructiveButtonIndex">()), 0);
  EXPECT_EQ(send<NSInteger>(sheet, sel<"firstOtherButtonIndex">()), 1);
  EXPECT_EQ(send<NSInteger>(sheet, sel<"cancelButtonIndex">()), 3);
  EXPECT_FALSE(uikit::tapActionSheetButton(sheet, 0).ok());  // not shown yet
  send<void>(sheet, sel<"showInView:">(), static_cast<id>(nil));
  objc::release(sheet);
  ASSERT_EQ(uikit::visibleActionSheets().size(), 1u);
  EXPECT_FALSE(uikit::tapActionSheetButton(sheet, 4).ok());
  ASSERT_TRUE(uikit::tapActionSheetButton(sheet, 2).ok());
  EXPECT_EQ(gSheetEvents, (std::vector<std::string>{"clicked 2", "will 2", "did 2"}));
  EXPECT_TRUE(uikit::visibleActionSheets().empty());
}

TEST_F(Machinery, APanesViewIsATableOfItsGroupsAndRows) {
  id group = row({{ns::str("cell"), ns::str("PSGroupCell")}, {ns::str("label"), ns::str("Sounds")},
                  {ns::str("footerText"), ns::str("Played when unlocking.")}});
  id toggle = switchRow("UnlockSound", false);
  id button = row({{ns::str("cell"), ns::str("PSButtonCell")}, {ns::str("label"), ns::str("Redisplay")},
                   {ns::str("action"), ns::str("reload")}});
  send<void>(pane_.get(), sel<"setSpecifiers:">(), ns::array({group, toggle, button}));
  id table = send<id>(pane_.get(), sel<"view">());
  ASSERT_STREQ(objc::className(table), "UITableView");
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfSections">()), 1);
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfRowsInSection:">(), NSInteger{0}), 2);
  EXPECT_EQ(ns::utf8(send<id>(pane_.get(), sel<"tableView:titleForHeaderInSection:">(), table, NSInteger{0})), "Sounds");
  EXPECT_EQ(ns::utf8(send<id>(pane_.get(), sel<"tableView:titleForFooterInSection:">(), table, NSInteger{0})),
            "Played when unlocking.");

  auto indexPath = [](NSInteger r) {
    return send<id>(reinterpret_cast<id>(objc::classNamed("NSIndexPath")), sel<"indexPathForRow:inSection:">(), r,
                    NSInteger{0});
  };
  id cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0));
  ASSERT_NE(cell, nil);
  EXPECT_EQ(ns::utf8(send<id>(send<id>(cell, sel<"textLabel">()), sel<"text">())), "UnlockSound");
  EXPECT_EQ(ns::utf8(send<id>(send<id>(cell, sel<"detailTextLabel">()), sel<"text">())), "OFF");

  // A change through the row redisplays the list: the cell shows the new value.
  ASSERT_TRUE(preferences::userChangesRow(toggle, "YES").ok());
  cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0));
  EXPECT_EQ(ns::utf8(send<id>(send<id>(cell, sel<"detailTextLabel">()), sel<"text">())), "ON");

  NSInteger reloads = preferences::reloadCount(pane_.get());
  send<void>(pane_.get(), sel<"tableView:didSelectRowAtIndexPath:">(), table, indexPath(1));
  EXPECT_EQ(preferences::reloadCount(pane_.get()), reloads + 1);
}

TEST_F(Machinery, AChoiceRowsPaneStoresTheChosenValueThroughTheRow) {
  id choice = row({{ns::str("cell"), ns::str("PSLinkListCell")}, {ns::str("label"), ns::str("Tint")},
                   {ns::str("key"), ns::str("ColorTint")}, {ns::str("defaults"), ns::str("com.example.test")},
                   {ns::str("default"), ns::str("darkGray")},
                   {ns::str("PostNotification"), ns::str("com.example.test.changed")},
                   {ns::str("validValues"), ns::array({ns::str("darkGray"), ns::str("hotpink")})},
                   {ns::str("validTitles"), ns::array({ns::str("Dark Gray"), ns::str("Hot Pink")})}});
  send<void>(pane_.get(), sel<"setSpecifiers:">(), ns::array({choice}));
  auto items = preferences::paneForLink(pane_.get(), choice);
  ASSERT_TRUE(items.ok());
  auto groups = preferences::paneGroups(items->get());
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].header, "Tint");
  ASSERT_EQ(groups[0].rows.size(), 2u);
  EXPECT_TRUE(groups[0].rows[0].chosen);
  EXPECT_FALSE(groups[0].rows[1].chosen);
  posted(0);
  ASSERT_TRUE(preferences::userPressesButton(groups[0].rows[1].specifier.get()).ok());
  EXPECT_EQ(preferences::shownValue(choice), "Hot Pink");
  EXPECT_EQ(posted(), std::vector<std::string>{"com.example.test.changed"});
  groups = preferences::paneGroups(items->get());
  EXPECT_FALSE(groups[0].rows[0].chosen);
  EXPECT_TRUE(groups[0].rows[1].chosen);
}
