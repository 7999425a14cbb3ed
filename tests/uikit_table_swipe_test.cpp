// Swipe to delete on tables: a finger moving away from a row selects nothing, the
// table's own swipe recogniser appears only for data sources that commit deletions, a horizontal swipe on an editable row shows the
// Delete confirmation (with the delegate's and the cell's messages), tapping it
// commits the deletion, a tap elsewhere only hides it, and rows the data source
// refuses never show it.
#include "UIKitTesting.h"

#include <uikit/TableSwipeDelete.h>
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace uikit_testing;

namespace {

struct Model {
  std::vector<std::string> rows{"a", "b", "c", "d"};
  std::string refused;  // a row whose canEdit answers NO
  std::vector<std::string> log;
};
Model& model() {
  static Model m;
  return m;
}

std::string rowText(id indexPath) { return model().rows.at(static_cast<std::size_t>(send<NSInteger>(indexPath, sel<"row">()))); }

NSInteger dsRows(id, SEL, id, NSInteger) { return static_cast<NSInteger>(model().rows.size()); }
id dsCell(id, SEL, id table, id indexPath) {
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), ns::str("Row"));
  if (cell == nil) {
    cell = objc::autorelease(send<id>(send<id>(objc::classNamed("USCell"), sel<"alloc">()),
                                      sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, ns::str("Row")));
  }
  send<void>(send<id>(cell, sel<"textLabel">()), sel<"setText:">(), ns::str(rowText(indexPath)));
  return cell;
}
BOOL dsCanEdit(id, SEL, id, id indexPath) { return rowText(indexPath) == model().refused ? NO : YES; }
void dsCommit(id, SEL, id table, NSInteger style, id indexPath) {
  std::string row = rowText(indexPath);
  model().log.push_back("commit " + std::to_string(style) + " " + row);
  model().rows.erase(model().rows.begin() + send<NSInteger>(indexPath, sel<"row">()));
  send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(),
             send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), indexPath), NSInteger{0});
}
void dlWillBegin(id, SEL, id, id indexPath) { model().log.push_back("willBegin " + rowText(indexPath)); }
void dlDidEnd(id, SEL, id, id) { model().log.push_back("didEnd"); }
void dlDidSelect(id, SEL, id, id indexPath) { model().log.push_back("select " + rowText(indexPath)); }
void cellWillTransition(id self, SEL cmd, NSUInteger state) {
  model().log.push_back("cell will " + std::to_string(state));
  objc::sendSuper<void>(self, objc::classNamed("USCell"), cmd, state);
}
void cellDidTransition(id self, SEL cmd, NSUInteger state) {
  model().log.push_back("cell did " + std::to_string(state));
  objc::sendSuper<void>(self, objc::classNamed("USCell"), cmd, state);
}

void registerClasses() {
  static bool done = [] {
    objc::ClassBuilder<UITableViewCellIvars>("USCell", uikit::UITableViewCellClass())
        .method<&cellWillTransition>("willTransitionToState:")
        .method<&cellDidTransition>("didTransitionToState:")
        .registerClass();
    // A plain source: no deletions.
    objc::ClassBuilder<NSObjectIvars>("USPlainSource", objc::NSObjectClass())
        .method<&dsRows>("tableView:numberOfRowsInSection:")
        .method<&dsCell>("tableView:cellForRowAtIndexPath:")
        .method<&dlDidSelect>("tableView:didSelectRowAtIndexPath:")
        .registerClass();
    objc::ClassBuilder<NSObjectIvars>("USEditingSource", objc::classNamed("USPlainSource"))
        .method<&dsCanEdit>("tableView:canEditRowAtIndexPath:")
        .method<&dsCommit>("tableView:commitEditingStyle:forRowAtIndexPath:")
        .method<&dlWillBegin>("tableView:willBeginEditingRowAtIndexPath:")
        .method<&dlDidEnd>("tableView:didEndEditingRowAtIndexPath:")
        .registerClass();
    return true;
  }();
  (void)done;
}

id path(NSInteger row) { return send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, NSInteger{0}); }

class TableSwipeTest : public UIKitTest {
 protected:
  void SetUp() override {
    UIKitTest::SetUp();
    registerClasses();
    model() = Model{};
    window_ = makeWindow(320, 480);
  }
  objc::Ref makeTable(const char* sourceClass) {
    source_ = objc::Ref::adopt(objc::allocInit(objc::classNamed(sourceClass)));
    objc::Ref table = makeView(uikit::UITableViewClass(), CGRectMake(0, 0, 320, 400));
    send<void>(table, sel<"setDataSource:">(), source_.get());
    send<void>(table, sel<"setDelegate:">(), source_.get());
    send<void>(window_, sel<"addSubview:">(), table.get());
    uikit::layoutTree(window_);
    return table;
  }
  id cell(id table, NSInteger row) { return send<id>(table, sel<"cellForRowAtIndexPath:">(), path(row)); }
  // A quick horizontal swipe through the window across a row's cell.
  objc::Status swipe(id table, NSInteger row, CGFloat dx, double seconds = 0.2) {
    id c = cell(table, row);
    if (c == nil) return objc::makeError("no cell");
    return uikit::sim::drag(c, CGPointMake(200, 22), CGPointMake(200 + dx, 22), seconds, 8);
  }
  objc::Ref window_;
  objc::Ref source_;
};

TEST_F(TableSwipeTest, OnlyASourceThatCommitsDeletionsGivesTheTableItsSwipe) {
  objc::Ref plain = makeTable("USPlainSource");
  EXPECT_EQ(uikit::tableSwipeToDeleteRecognizer(plain), nil);
  ASSERT_TRUE(swipe(plain, 1, -120).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(plain), nil);

  objc::Ref editing = makeTable("USEditingSource");
  id recogniser = uikit::tableSwipeToDeleteRecognizer(editing);
  ASSERT_NE(recogniser, nil);
  EXPECT_TRUE(send<BOOL>(recogniser, sel<"isKindOfClass:">(), uikit::UISwipeGestureRecognizerClass()));
  EXPECT_EQ(send<id>(recogniser, sel<"delegate">()), editing.get());
  EXPECT_EQ(send<NSUInteger>(recogniser, sel<"direction">()),
            UISwipeGestureRecognizerDirectionLeft | UISwipeGestureRecognizerDirectionRight);
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(nil), nil);
}

TEST_F(TableSwipeTest, AFingerThatMovesAwaySelectsNothingWhileASmallWobbleStillSelects) {
  objc::Ref table = makeTable("USPlainSource");
  ASSERT_TRUE(swipe(table, 1, -120).ok());
  ASSERT_TRUE(uikit::sim::drag(cell(table, 1), CGPointMake(100, 10), CGPointMake(100, 30), 0.3, 4).ok());
  EXPECT_TRUE(model().log.empty());
  EXPECT_FALSE(send<BOOL>(cell(table, 1), sel<"isHighlighted">()));
  ASSERT_TRUE(uikit::sim::drag(cell(table, 1), CGPointMake(100, 20), CGPointMake(106, 24), 0.1, 2).ok());
  EXPECT_EQ(model().log, (std::vector<std::string>{"select b"}));
}

TEST_F(TableSwipeTest, ASwipeShowsDeleteAndTappingItCommitsTheDeletion) {
  objc::Ref table = makeTable("USEditingSource");
  id swiped = cell(table, 1);
  ASSERT_TRUE(swipe(table, 1, -120).ok());
  objc::Ref button = objc::Ref::retain(uikit::tableDeleteConfirmationButton(table));
  ASSERT_NE(button.get(), nil);
  EXPECT_EQ(send<id>(button, sel<"superview">()), swiped);
  EXPECT_EQ(text(send<id>(button, sel<"currentTitle">())), "Delete");
  EXPECT_TRUE(describe(button).find("UITableViewCellDeleteConfirmationControl") != std::string::npos);
  CGRect frame = send<CGRect>(button, sel<"frame">());
  EXPECT_GT(frame.origin.x, 200);  // at the right end of the cell
  EXPECT_TRUE(send<BOOL>(swiped, sel<"showingDeleteConfirmation">()));
  EXPECT_FALSE(send<BOOL>(cell(table, 2), sel<"showingDeleteConfirmation">()));
  EXPECT_EQ(model().log, (std::vector<std::string>{"willBegin b", "cell will 2", "cell did 2"}))
      << "the swipe selects nothing";

  model().log.clear();
  ASSERT_TRUE(uikit::sim::tap(button).ok());
  EXPECT_EQ(model().log, (std::vector<std::string>{"cell will 0", "cell did 0", "didEnd", "commit 1 b"}));
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil);
  EXPECT_EQ(send<id>(button, sel<"superview">()), nil);
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfRowsInSection:">(), NSInteger{0}), 3);
  auto updates = uikit::tableUpdates(table);
  ASSERT_FALSE(updates.empty());
  EXPECT_EQ(updates.back().kind, uikit::TableUpdate::Kind::DeleteRows);
}

// Methods a tweak adds at run time with the 32-bit iOS type strings: an int result
// for the BOOL and an int editing style.
int addedCanEdit(id, SEL, id, id indexPath) { return rowText(indexPath) == "a" ? 0 : 1; }
void addedCommit(id, SEL, id table, int style, id indexPath) { dsCommit(nil, nullptr, table, style, indexPath); }

TEST_F(TableSwipeTest, MethodsAddedWithIntTypesAreAskedAndToldInTheirOwnTypes) {
  static Class added = [] {
    Class cls = objc::ClassBuilder<NSObjectIvars>("USAddedSource", objc::classNamed("USPlainSource")).registerClass();
    class_addMethod(cls, sel_registerName("tableView:canEditRowAtIndexPath:"), objc::toImp(&addedCanEdit), "i@:@@");
    class_addMethod(cls, sel_registerName("tableView:commitEditingStyle:forRowAtIndexPath:"), objc::toImp(&addedCommit),
                    "v@:@i@");
    return cls;
  }();
  ASSERT_NE(added, Nil);
  objc::Ref table = makeTable("USAddedSource");
  ASSERT_TRUE(swipe(table, 0, -120).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil) << "row a answers 0";
  ASSERT_TRUE(swipe(table, 2, -120).ok());
  id button = uikit::tableDeleteConfirmationButton(table);
  ASSERT_NE(button, nil);
  ASSERT_TRUE(uikit::sim::tap(button).ok());
  ASSERT_FALSE(model().log.empty());
  EXPECT_EQ(model().log.back(), "commit 1 c");
  EXPECT_EQ(std::count(model().log.begin(), model().log.end(), "commit 1 c"), 1);
}

// A pan on the table's superview whose delegate's methods were added with 32-bit type
// strings: "v@:@" for gestureRecognizerShouldBegin: (it answers a BOOL all the same)
// and "i@:@@" for the simultaneous-recognition question.
int gSimultaneous = 0;
BOOL panShouldBegin(id, SEL, id) {
  model().log.push_back("pan shouldBegin");
  return YES;
}
int panSimultaneous(id, SEL, id, id) { return gSimultaneous; }
void panMoved(id, SEL, id recognizer) {
  if (send<NSInteger>(recognizer, sel<"state">()) == 1) model().log.push_back("pan began");
}

TEST_F(TableSwipeTest, DelegateQuestionsAddedWithOldTypeStringsAreAnsweredAsIOSReadsThem) {
  static Class delegateClass = [] {
    Class cls = objc::ClassBuilder<NSObjectIvars>("USPanDelegate", objc::NSObjectClass())
                    .method<&panMoved>("moved:")
                    .registerClass();
    class_addMethod(cls, sel_registerName("gestureRecognizerShouldBegin:"), objc::toImp(&panShouldBegin), "v@:@");
    class_addMethod(cls, sel_registerName("gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:"),
                    objc::toImp(&panSimultaneous), "i@:@@");
    return cls;
  }();
  objc::Ref container = makeView(uikit::UIViewClass(), CGRectMake(0, 0, 320, 400));
  send<void>(window_, sel<"addSubview:">(), container.get());
  objc::Ref table = makeTable("USEditingSource");
  send<void>(container, sel<"addSubview:">(), table.get());
  objc::Ref delegate = objc::Ref::adopt(objc::allocInit(delegateClass));
  objc::Ref pan = objc::Ref::adopt(send<id>(send<id>(uikit::UIPanGestureRecognizerClass(), sel<"alloc">()),
                                            sel<"initWithTarget:action:">(), delegate.get(), sel_registerName("moved:")));
  send<void>(pan, sel<"setDelegate:">(), delegate.get());
  send<void>(pan, sel<"setCancelsTouchesInView:">(), BOOL{NO});
  send<void>(container, sel<"addGestureRecognizer:">(), pan.get());

  gSimultaneous = 0;
  ASSERT_TRUE(swipe(table, 1, -120).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil) << "the pan under way keeps the swipe out";
  gSimultaneous = 1;
  model().log.clear();
  ASSERT_TRUE(swipe(table, 1, -120).ok());
  EXPECT_NE(uikit::tableDeleteConfirmationButton(table), nil) << "both run together";
  ASSERT_GE(model().log.size(), 2u);
  EXPECT_EQ(model().log[0], "pan shouldBegin");
  EXPECT_EQ(model().log[1], "pan began");
}

TEST_F(TableSwipeTest, ATapElsewhereOnlyHidesTheConfirmation) {
  objc::Ref table = makeTable("USEditingSource");
  ASSERT_TRUE(swipe(table, 0, 120).ok());  // rightwards works too
  ASSERT_NE(uikit::tableDeleteConfirmationButton(table), nil);
  model().log.clear();
  ASSERT_TRUE(uikit::sim::tap(cell(table, 2), CGPointMake(40, 20)).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil);
  EXPECT_EQ(model().log, (std::vector<std::string>{"cell will 0", "cell did 0", "didEnd"}))
      << "no deletion and no selection";

  model().log.clear();
  ASSERT_TRUE(uikit::sim::tap(cell(table, 2), CGPointMake(40, 20)).ok());
  EXPECT_EQ(model().log, (std::vector<std::string>{"select c"})) << "the next tap selects as usual";
}

TEST_F(TableSwipeTest, RefusedRowsSlowStrokesAndEditingModeShowNoConfirmation) {
  model().refused = "c";
  objc::Ref table = makeTable("USEditingSource");
  ASSERT_TRUE(swipe(table, 2, -120).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil) << "canEditRowAtIndexPath: said NO";
  ASSERT_TRUE(swipe(table, 1, -120, 2.0).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil) << "too slow for a swipe";
  ASSERT_TRUE(swipe(table, 1, -30).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil) << "too short";
  send<void>(table, sel<"setEditing:">(), BOOL{YES});
  ASSERT_TRUE(swipe(table, 1, -120).ok());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil);
  EXPECT_TRUE(model().log.empty());
}

TEST_F(TableSwipeTest, ReloadingOrScrollingTheRowAwayTakesTheButtonOffTheCell) {
  objc::Ref table = makeTable("USEditingSource");
  ASSERT_TRUE(swipe(table, 1, -120).ok());
  id button = uikit::tableDeleteConfirmationButton(table);
  ASSERT_NE(button, nil);
  objc::Ref keep = objc::Ref::retain(button);
  send<void>(table, sel<"reloadData">());
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil);
  EXPECT_EQ(send<id>(button, sel<"superview">()), nil) << "a reused cell carries no stale button";

  // A deletion of the confirmed row by someone else also ends it.
  uikit::layoutTree(window_);
  ASSERT_TRUE(swipe(table, 0, -120).ok());
  ASSERT_NE(uikit::tableDeleteConfirmationButton(table), nil);
  model().rows.erase(model().rows.begin());
  send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(),
             send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), path(0)), NSInteger{0});
  EXPECT_EQ(uikit::tableDeleteConfirmationButton(table), nil);
}

}  // namespace
