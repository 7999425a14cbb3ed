#include "TableLayout.h"

namespace uikit::detail {

bool spanVisible(CGFloat y, CGFloat h, CGFloat top, CGFloat bottom) {
  if (h <= 0) return y >= top && y < bottom;
  return y < bottom && y + h > top;
}

void TableLayout::place() {
  CGFloat y = tableHeaderHeight;
  for (SectionLayout& s : sections) {
    s.top = y;
    y += s.headerHeight;
    s.rowTops.resize(s.rowHeights.size());
    for (std::size_t r = 0; r < s.rowHeights.size(); ++r) {
      s.rowTops[r] = y;
      y += s.rowHeights[r];
    }
    y += s.footerHeight;
  }
  contentHeight_ = y + tableFooterHeight;
}

NSInteger TableLayout::numberOfRows(NSInteger section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return static_cast<NSInteger>(sections[static_cast<std::size_t>(section)].rowHeights.size());
}

bool TableLayout::contains(RowIndex index) const {
  return index.section >= 0 && index.section < numberOfSections() && index.row >= 0 &&
         index.row < numberOfRows(index.section);
}

CGRect TableLayout::rowRect(RowIndex index, CGFloat width) const {
  if (!contains(index)) return CGRectZero;
  const SectionLayout& s = sections[static_cast<std::size_t>(index.section)];
  auto r = static_cast<std::size_t>(index.row);
  return CGRectMake(0, s.rowTops[r], width, s.rowHeights[r]);
}

CGRect TableLayout::headerRect(NSInteger section, CGFloat width) const {
  if (section < 0 || section >= numberOfSections()) return CGRectZero;
  const SectionLayout& s = sections[static_cast<std::size_t>(section)];
  return CGRectMake(0, s.top, width, s.headerHeight);
}

CGRect TableLayout::footerRect(NSInteger section, CGFloat width) const {
  if (section < 0 || section >= numberOfSections()) return CGRectZero;
  const SectionLayout& s = sections[static_cast<std::size_t>(section)];
  CGFloat y = s.top + s.headerHeight;
  for (CGFloat h : s.rowHeights) y += h;
  return CGRectMake(0, y, width, s.footerHeight);
}

CGRect TableLayout::sectionRect(NSInteger section, CGFloat width) const {
  CGRect header = headerRect(section, width);
  CGRect footer = footerRect(section, width);
  return CGRectMake(0, header.origin.y, width, CGRectGetMaxY(footer) - header.origin.y);
}

std::vector<RowIndex> TableLayout::rowsIn(CGFloat top, CGFloat bottom) const {
  std::vector<RowIndex> out;
  for (std::size_t si = 0; si < sections.size(); ++si) {
    const SectionLayout& s = sections[si];
    for (std::size_t r = 0; r < s.rowHeights.size(); ++r)
      if (spanVisible(s.rowTops[r], s.rowHeights[r], top, bottom))
        out.push_back({static_cast<NSInteger>(si), static_cast<NSInteger>(r)});
  }
  return out;
}

std::vector<NSInteger> TableLayout::headersIn(CGFloat top, CGFloat bottom) const {
  std::vector<NSInteger> out;
  for (std::size_t si = 0; si < sections.size(); ++si)
    if (sections[si].headerHeight > 0 && spanVisible(sections[si].top, sections[si].headerHeight, top, bottom))
      out.push_back(static_cast<NSInteger>(si));
  return out;
}

std::vector<NSInteger> TableLayout::footersIn(CGFloat top, CGFloat bottom) const {
  std::vector<NSInteger> out;
  for (std::size_t si = 0; si < sections.size(); ++si) {
    CGRect f = footerRect(static_cast<NSInteger>(si), 0);
    if (sections[si].footerHeight > 0 && spanVisible(f.origin.y, f.size.height, top, bottom))
      out.push_back(static_cast<NSInteger>(si));
  }
  return out;
}

bool TableLayout::rowAt(CGPoint point, CGFloat width, RowIndex* out) const {
  if (point.x < 0 || point.x >= width) return false;
  for (std::size_t si = 0; si < sections.size(); ++si) {
    const SectionLayout& s = sections[si];
    for (std::size_t r = 0; r < s.rowHeights.size(); ++r)
      if (s.rowHeights[r] > 0 && point.y >= s.rowTops[r] && point.y < s.rowTops[r] + s.rowHeights[r]) {
        *out = {static_cast<NSInteger>(si), static_cast<NSInteger>(r)};
        return true;
      }
  }
  return false;
}

}  // namespace uikit::detail
