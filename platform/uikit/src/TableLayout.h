// The geometry of a table, apart from any object: sections with a header, rows and a
// footer, stacked under the table header, each with its height.  The table fills it
// from its data source and delegate and asks it which rows and headers are on screen.
#pragma once

#include <uikit/UIKitTypes.h>

#include <vector>

namespace uikit::detail {

struct SectionLayout {
  CGFloat headerHeight = 0;
  CGFloat footerHeight = 0;
  std::vector<CGFloat> rowHeights;
  // Filled by TableLayout::place().
  CGFloat top = 0;
  std::vector<CGFloat> rowTops;
};

struct RowIndex {
  NSInteger section = 0;
  NSInteger row = 0;
  friend bool operator==(const RowIndex&, const RowIndex&) = default;
  friend auto operator<=>(const RowIndex&, const RowIndex&) = default;
};

class TableLayout {
 public:
  CGFloat tableHeaderHeight = 0;
  CGFloat tableFooterHeight = 0;
  std::vector<SectionLayout> sections;

  // Computes every section's and row's position and the content height.
  void place();
  CGFloat contentHeight() const { return contentHeight_; }

  NSInteger numberOfSections() const { return static_cast<NSInteger>(sections.size()); }
  NSInteger numberOfRows(NSInteger section) const;
  bool contains(RowIndex index) const;

  // Rectangles in content coordinates for a table of the given width.
  CGRect rowRect(RowIndex index, CGFloat width) const;
  CGRect headerRect(NSInteger section, CGFloat width) const;
  CGRect footerRect(NSInteger section, CGFloat width) const;
  CGRect sectionRect(NSInteger section, CGFloat width) const;

  // The rows on screen for the visible span [top, bottom): those whose rectangle
  // overlaps it, and rows of no height that lie inside it.  In table order.
  std::vector<RowIndex> rowsIn(CGFloat top, CGFloat bottom) const;
  // The sections whose header (of non-zero height) overlaps the span.
  std::vector<NSInteger> headersIn(CGFloat top, CGFloat bottom) const;
  std::vector<NSInteger> footersIn(CGFloat top, CGFloat bottom) const;

  // The row at a content point, if any.
  bool rowAt(CGPoint point, CGFloat width, RowIndex* out) const;

 private:
  CGFloat contentHeight_ = 0;
};

// Whether [y, y + h) counts as on screen in [top, bottom) (see rowsIn).
bool spanVisible(CGFloat y, CGFloat h, CGFloat top, CGFloat bottom);

}  // namespace uikit::detail
