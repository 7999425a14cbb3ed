// Tables: the rows on screen and only those have cells, heights and scrolling,
// reuse, headers and _sectionForHeaderView:, updates with their row animation and
// the consistency check, indexPathForCell:, _shouldShowMenuForCell: and selection.
#include "UIKitTesting.h"

#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include <algorithm>
#include <map>

using namespace uikit_testing;

namespace {

// The model behind the test data source: rows per section, heights per row, and
// which optional questions the delegate answers.
struct Model {
  std::vector<NSInteger> rows{10};
  std::map<std::pair<NSInteger, NSInteger>, CGFloat> heights;  // others: 44
  bool headers = false;
  bool menu = false;
  std::vector<std::string> log;
};
Model& model() {
  static Model m;
  return m;
}

NSInteger dsSections(id, SEL, id) { return static_cast<NSInteger>(model().rows.size()); }
NSInteger dsRows(id, SEL, id, NSInteger section) { return model().rows.at(static_cast<std::size_t>(section)); }
id dsCell(id, SEL, id table, id indexPath) {
  NSInteger s = send<NSInteger>(indexPath, sel<"section">());
  NSInteger r = send<NSInteger>(indexPath, sel<"row">());
  model().log.push_back("cell " + std::to_string(s) + "." + std::to_string(r));
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), ns::str("Row"));
  if (cell == nil) {
    cell = objc::autorelease(send<id>(send<id>(objc::classNamed("UTCell"), sel<"alloc">()),
                                      sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, ns::str("Row")));
  }
  send<void>(send<id>(cell, sel<"textLabel">()), sel<"setText:">(),
             ns::str((std::to_string(s) + "." + std::to_string(r)).c_str()));
  return cell;
}
CGFloat dlHeight(id, SEL, id, id indexPath) {
  auto key = std::make_pair(send<NSInteger>(indexPath, sel<"section">()), send<NSInteger>(indexPath, sel<"row">()));
  auto it = model().heights.find(key);
  return it == model().heights.end() ? 44.0 : it->second;
}
id dlHeader(id, SEL, id, NSInteger section) {
  model().log.push_back("header " + std::to_string(section));
  objc::Ref header = makeView(uikit::UIViewClass(), CGRectZero);
  send<void>(header, sel<"setTag:">(), 100 + section);
  return objc::autorelease(header.leak());
}
CGFloat dlHeaderHeight(id, SEL, id, NSInteger) { return 30.0; }
BOOL dlShowMenu(id, SEL, id, id indexPath) { return send<NSInteger>(indexPath, sel<"row">()) == 1; }
void dlDidSelect(id, SEL, id, id indexPath) {
  model().log.push_back("select " + std::to_string(send<NSInteger>(indexPath, sel<"row">())));
}
void cellPrepare(id self, SEL cmd) {
  model().log.push_back("prepare");
  objc::sendSuper<void>(self, objc::classNamed("UTCell"), cmd);
}

// Two delegate classes: one answering the header and menu questions, one not.
void registerClasses() {
  static bool done = [] {
    objc::ClassBuilder<UITableViewCellIvars>("UTCell", uikit::UITableViewCellClass())
        .method<&cellPrepare>("prepareForReuse")
        .registerClass();
    objc::ClassBuilder<NSObjectIvars>("UTSource", objc::NSObjectClass())
        .method<&dsSections>("numberOfSectionsInTableView:")
        .method<&dsRows>("tableView:numberOfRowsInSection:")
        .method<&dsCell>("tableView:cellForRowAtIndexPath:")
        .method<&dlHeight>("tableView:heightForRowAtIndexPath:")
        .method<&dlDidSelect>("tableView:didSelectRowAtIndexPath:")
        .registerClass();
    objc::ClassBuilder<NSObjectIvars>("UTSourceWithHeaders", objc::classNamed("UTSource"))
        .method<&dlHeader>("tableView:viewForHeaderInSection:")
        .method<&dlHeaderHeight>("tableView:heightForHeaderInSection:")
        .method<&dlShowMenu>("tableView:shouldShowMenuForRowAtIndexPath:")
        .registerClass();
    return true;
  }();
  (void)done;
}

id indexPath(NSInteger section, NSInteger row) {
  return send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, section);
}

class TableTest : public UIKitTest {
 protected:
  void SetUp() override {
    UIKitTest::SetUp();
    registerClasses();
    model() = Model{};
  }
  // A 320 × 200 table whose data source and delegate are one object.
  objc::Ref makeTable(bool headers = false) {
    source_ = objc::Ref::adopt(objc::allocInit(objc::classNamed(headers ? "UTSourceWithHeaders" : "UTSource")));
    objc::Ref table = makeView(uikit::UITableViewClass(), CGRectMake(0, 0, 320, 200));
    send<void>(table, sel<"setDataSource:">(), source_.get());
    send<void>(table, sel<"setDelegate:">(), source_.get());
    return table;
  }
  std::vector<std::string> visibleRows(id table) {
    std::vector<std::string> out;
    id paths = send<id>(table, sel<"indexPathsForVisibleRows">());
    for (NSUInteger i = 0; i < send<NSUInteger>(paths, sel<"count">()); ++i) {
      id p = send<id>(paths, sel<"objectAtIndex:">(), i);
      out.push_back(std::to_string(send<NSInteger>(p, sel<"section">())) + "." +
                    std::to_string(send<NSInteger>(p, sel<"row">())));
    }
    return out;
  }
  objc::Ref source_;
};

TEST_F(TableTest, OnlyRowsOnScreenHaveCells) {
  objc::Ref table = makeTable();
  EXPECT_EQ(visibleRows(table), (std::vector<std::string>{"0.0", "0.1", "0.2", "0.3", "0.4"}));
  EXPECT_NE(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 4)), nil);
  EXPECT_EQ(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 5)), nil);
  EXPECT_EQ(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 9)), nil);
  EXPECT_EQ(send<NSUInteger>(send<id>(table, sel<"visibleCells">()), sel<"count">()), 5u);
  EXPECT_EQ(uikit::tableCellRequests(table), 5u);
  EXPECT_EQ(send<CGSize>(table, sel<"contentSize">()), CGSizeMake(320, 440));
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfRowsInSection:">(), NSInteger{0}), 10);

  // Scrolling changes which rows have cells; the cells that left are reused.
  auto cellSet = [&] {
    std::vector<id> cells;
    id list = send<id>(table, sel<"visibleCells">());
    for (NSUInteger i = 0; i < send<NSUInteger>(list, sel<"count">()); ++i)
      cells.push_back(send<id>(list, sel<"objectAtIndex:">(), i));
    std::sort(cells.begin(), cells.end());
    return cells;
  };
  std::vector<id> before = cellSet();
  send<void>(table, sel<"setContentOffset:">(), CGPointMake(0, 240));
  EXPECT_EQ(visibleRows(table), (std::vector<std::string>{"0.5", "0.6", "0.7", "0.8", "0.9"}));
  EXPECT_EQ(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 0)), nil);
  EXPECT_EQ(cellSet(), before);
  EXPECT_EQ(std::count(model().log.begin(), model().log.end(), "prepare"), 5);
  send<void>(table, sel<"setContentOffset:">(), CGPointMake(0, 110));
  EXPECT_EQ(visibleRows(table), (std::vector<std::string>{"0.2", "0.3", "0.4", "0.5", "0.6", "0.7"}));
  id cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 7));
  EXPECT_EQ(text(send<id>(send<id>(cell, sel<"textLabel">()), sel<"text">())), "0.7");
  EXPECT_EQ(send<CGRect>(cell, sel<"frame">()), CGRectMake(0, 308, 320, 44));
  EXPECT_EQ(send<id>(cell, sel<"_tableView">()), table.get());
  id path = send<id>(table, sel<"indexPathForCell:">(), cell);
  EXPECT_EQ(send<NSInteger>(path, sel<"row">()), 7);
}

TEST_F(TableTest, HeightsPlaceRowsAndZeroHeightRowsOnScreenKeepCells) {
  model().rows = {3, 4};
  model().heights[{0, 0}] = 150;
  model().heights[{0, 1}] = 0;
  model().heights[{0, 2}] = 0;
  objc::Ref table = makeTable();
  // 150 + 0 + 0 puts section 1's first row at 150; the bounds end at 200.
  EXPECT_EQ(visibleRows(table), (std::vector<std::string>{"0.0", "0.1", "0.2", "1.0", "1.1"}));
  EXPECT_EQ(send<CGRect>(table, sel<"rectForRowAtIndexPath:">(), indexPath(1, 1)), CGRectMake(0, 194, 320, 44));
  EXPECT_EQ(send<CGRect>(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 1)), sel<"frame">()),
            CGRectMake(0, 150, 320, 0));
  id hit = send<id>(table, sel<"indexPathForRowAtPoint:">(), CGPointMake(10, 160));
  EXPECT_EQ(send<NSInteger>(hit, sel<"section">()), 1);
  EXPECT_EQ(send<NSInteger>(hit, sel<"row">()), 0);
}

TEST_F(TableTest, HeadersAndTheirSections) {
  model().rows = {2, 2, 2};
  objc::Ref table = makeTable(true);
  // Sections are 30 + 88 high: headers 0 and 1 are on screen, header 2 (at 236) is not.
  id header0 = send<id>(table, sel<"headerViewForSection:">(), NSInteger{0});
  id header1 = send<id>(table, sel<"headerViewForSection:">(), NSInteger{1});
  ASSERT_NE(header0, nil);
  ASSERT_NE(header1, nil);
  EXPECT_EQ(send<id>(table, sel<"headerViewForSection:">(), NSInteger{2}), nil);
  EXPECT_EQ(send<NSInteger>(header1, sel<"tag">()), 101);
  EXPECT_EQ(send<CGRect>(header1, sel<"frame">()), CGRectMake(0, 118, 320, 30));
  EXPECT_EQ(send<NSInteger>(table, sel<"_sectionForHeaderView:">(), header0), 0);
  EXPECT_EQ(send<NSInteger>(table, sel<"_sectionForHeaderView:">(), header1), 1);
  EXPECT_EQ(send<NSInteger>(table, sel<"_sectionForHeaderView:">(), table.get()), NSNotFound);
  EXPECT_EQ(send<NSInteger>(table, sel<"_sectionForHeaderView:">(), static_cast<id>(nil)), NSNotFound);
}

TEST_F(TableTest, ReloadSectionsRecordsItsAnimationAndRebuildsTheSection) {
  model().rows = {2, 2};
  objc::Ref table = makeTable(true);
  EXPECT_EQ(objc::getIvar<NSInteger>(table, "_lastRowAnimation"), -1);
  send<id>(table, sel<"visibleCells">());
  model().log.clear();
  id sectionOne = send<id>(objc::classNamed("NSIndexSet"), sel<"indexSetWithIndex:">(), NSUInteger{1});
  send<void>(table, sel<"reloadSections:withRowAnimation:">(), sectionOne, NSInteger{UITableViewRowAnimationAutomatic});
  EXPECT_EQ(objc::getIvar<NSInteger>(table, "_lastRowAnimation"), 100);
  auto updates = uikit::tableUpdates(table);
  ASSERT_FALSE(updates.empty());
  EXPECT_EQ(updates.back().kind, uikit::TableUpdate::Kind::ReloadSections);
  EXPECT_EQ(updates.back().sections, std::vector<NSInteger>{1});
  EXPECT_EQ(updates.back().animation, 100);
  send<id>(table, sel<"visibleCells">());
  // Only section 1's header and on-screen rows are asked for again.
  EXPECT_EQ(model().log, (std::vector<std::string>{"cell 1.0", "prepare", "cell 1.1", "prepare", "header 1"}));
}

TEST_F(TableTest, DeletingRowsMovesTheRestAndChecksTheDataSource) {
  objc::Ref table = makeTable();
  id third = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 2));
  id fourth = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 3));
  model().rows = {9};
  id paths = send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), indexPath(0, 2));
  send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(), paths, NSInteger{UITableViewRowAnimationLeft});
  EXPECT_EQ(objc::getIvar<NSInteger>(table, "_lastRowAnimation"), 2);
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfRowsInSection:">(), NSInteger{0}), 9);
  EXPECT_EQ(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 2)), fourth);
  EXPECT_NE(send<id>(table, sel<"indexPathForCell:">(), third), nil);  // reused for the row that came on screen
  EXPECT_EQ(send<CGRect>(fourth, sel<"frame">()), CGRectMake(0, 88, 320, 44));

  // A data source that disagrees with the change makes the table reload.
  model().rows = {9};
  send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(), paths, NSInteger{UITableViewRowAnimationFade});
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfRowsInSection:">(), NSInteger{0}), 9);
  EXPECT_EQ(visibleRows(table).size(), 5u);

  // Inside beginUpdates / endUpdates: deletion by old index, insertion by new.
  model().rows = {9};
  id firstCell = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 0));
  send<void>(table, sel<"beginUpdates">());
  send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(),
             send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), indexPath(0, 0)), NSInteger{0});
  send<void>(table, sel<"insertRowsAtIndexPaths:withRowAnimation:">(),
             send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), indexPath(0, 4)), NSInteger{0});
  send<void>(table, sel<"endUpdates">());
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfRowsInSection:">(), NSInteger{0}), 9);
  EXPECT_NE(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 0)), firstCell);
}

TEST_F(TableTest, DeletingASectionAndNamingRowsThatDoNotExist) {
  model().rows = {1, 1, 1};
  objc::Ref table = makeTable();
  id last = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(2, 0));
  model().rows = {1, 1};
  send<void>(table, sel<"deleteSections:withRowAnimation:">(),
             send<id>(objc::classNamed("NSIndexSet"), sel<"indexSetWithIndex:">(), NSUInteger{0}), NSInteger{6});
  EXPECT_EQ(send<NSInteger>(table, sel<"numberOfSections">()), 2);
  EXPECT_EQ(send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(1, 0)), last);
  // A row that is not there is ignored with a message; the table carries on.
  send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(),
             send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), indexPath(5, 5)), NSInteger{0});
  EXPECT_EQ(visibleRows(table), (std::vector<std::string>{"0.0", "1.0"}));
}

TEST_F(TableTest, MenuQuestionGoesToTheDelegateOnlyWhenItAnswers) {
  objc::Ref plain = makeTable(false);
  id cell = send<id>(plain, sel<"cellForRowAtIndexPath:">(), indexPath(0, 1));
  EXPECT_FALSE(send<BOOL>(plain, sel<"_shouldShowMenuForCell:">(), cell));
  objc::Ref table = makeTable(true);
  id one = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 1));
  id zero = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 0));
  EXPECT_TRUE(send<BOOL>(table, sel<"_shouldShowMenuForCell:">(), one));
  EXPECT_FALSE(send<BOOL>(table, sel<"_shouldShowMenuForCell:">(), zero));
  EXPECT_FALSE(send<BOOL>(table, sel<"_shouldShowMenuForCell:">(), cell));  // not one of its cells
}

TEST_F(TableTest, ATapOnACellSelectsItsRow) {
  objc::Ref window = makeWindow();
  objc::Ref table = makeTable();
  send<void>(window, sel<"addSubview:">(), table.get());
  id cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath(0, 3));
  ASSERT_TRUE(uikit::sim::tap(cell).ok());
  EXPECT_TRUE(send<BOOL>(cell, sel<"isSelected">()));
  EXPECT_EQ(model().log.back(), "select 3");
  EXPECT_EQ(send<NSInteger>(send<id>(table, sel<"indexPathForSelectedRow">()), sel<"row">()), 3);
}

TEST_F(TableTest, CellsAndNilArguments) {
  objc::Ref cell = objc::Ref::adopt(send<id>(send<id>(uikit::UITableViewCellClass(), sel<"alloc">()),
                                             sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, ns::str("X")));
  EXPECT_EQ(text(send<id>(cell, sel<"reuseIdentifier">())), "X");
  id content = send<id>(cell, sel<"contentView">());
  EXPECT_EQ(send<id>(content, sel<"superview">()), cell.get());
  EXPECT_FALSE(send<BOOL>(cell, sel<"canBecomeFirstResponder">()));
  send<void>(cell, sel<"setFrame:">(), CGRectMake(0, 0, 300, 80));
  EXPECT_EQ(send<CGRect>(content, sel<"frame">()), CGRectMake(0, 0, 300, 80));
  objc::Ref back = makeView(uikit::UIViewClass(), CGRectZero);
  send<void>(cell, sel<"setBackgroundView:">(), back.get());
  EXPECT_EQ(uikit::subviewsOf(cell).front(), back.get());
  send<void>(cell, sel<"setSelected:">(), static_cast<BOOL>(YES));
  EXPECT_TRUE(send<BOOL>(cell, sel<"isSelected">()));
  send<void>(cell, sel<"prepareForReuse">());
  EXPECT_FALSE(send<BOOL>(cell, sel<"isSelected">()));

  objc::Ref table = makeTable();
  EXPECT_EQ(send<id>(table, sel<"cellForRowAtIndexPath:">(), static_cast<id>(nil)), nil);
  EXPECT_EQ(send<id>(table, sel<"indexPathForCell:">(), static_cast<id>(nil)), nil);
  EXPECT_EQ(send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), static_cast<id>(nil)), nil);
  EXPECT_EQ(send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), ns::str("Unknown")), nil);
  send<void>(table, sel<"reloadSections:withRowAnimation:">(), static_cast<id>(nil), NSInteger{100});
  objc::Ref empty = makeView(uikit::UITableViewClass(), CGRectMake(0, 0, 320, 200));
  EXPECT_EQ(send<NSInteger>(empty, sel<"numberOfSections">()), 0);
  EXPECT_EQ(send<NSUInteger>(send<id>(empty, sel<"visibleCells">()), sel<"count">()), 0u);
}

}  // namespace
