// The text dump of view trees.
#include <uikit/CALayer.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIImageView.h>
#include <uikit/UILabel.h>
#include <uikit/UITableViewCell.h>
#include <uikit/UIWindow.h>

#include "FoundationGlue.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

namespace uikit {

using detail::formatNumber;
using detail::viewIvars;
using objc::send;
using objc::sel;

namespace {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

void dumpInto(std::string& out, id view, int depth) {
  UIViewIvars* v = viewIvars(view);
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
  CGRect f = v->_frame;
  out += objc::className(view);
  out += ' ';
  out += detail::rectText(f);
  if (detail::isKindOfClass(view, UIWindowClass()))
    out += " level=" + formatNumber(reinterpret_cast<UIWindowIvars*>(view)->_windowLevel);
  if (v->_alpha != 1.0) out += " alpha=" + formatNumber(v->_alpha);
  if (v->_hidden) out += " hidden";
  if (v->_tag != 0) out += " tag=" + std::to_string(v->_tag);
  id textSource = detail::isKindOfClass(view, UILabelClass())           ? view
                  : detail::isKindOfClass(view, UITableViewCellClass()) ? cellTextLabelIfMade(view)
                                                                         : nil;
  if (textSource != nil)
    if (id text = reinterpret_cast<UILabelIvars*>(textSource)->_text) out += " text=" + quoted(detail::toStd(text));
  if (detail::isKindOfClass(view, UIImageViewClass())) {
    if (id image = reinterpret_cast<UIImageViewIvars*>(view)->_image) {
      CGSize size = send<CGSize>(image, sel<"size">());
      out += " image=" + formatNumber(size.width) + "x" + formatNumber(size.height);
    }
  }
  if (id layer = v->_layer) {
    CALayerIvars* l = reinterpret_cast<CALayerIvars*>(layer);
    std::vector<id> filters = detail::arrayElements(l->_filters);
    if (!filters.empty()) {
      out += " filters=";
      for (std::size_t i = 0; i < filters.size(); ++i) {
        if (i > 0) out += ',';
        out += detail::toStd(send<id>(filters[i], sel<"name">()));
      }
    }
    if (l->_shouldRasterize) out += " rasterized";
  }
  out += "\n";
  for (id sub : subviewsOf(view)) dumpInto(out, sub, depth + 1);
}

}  // namespace

std::string dumpView(id view) {
  if (view == nil) return {};
  objc::AutoreleasePool pool;
  layoutTree(view);
  std::string out;
  dumpInto(out, view, 0);
  return out;
}

std::string dumpScreen(bool includeHidden) {
  std::string out;
  for (id window : windows())
    if (includeHidden || !viewIvars(window)->_hidden) out += dumpView(window);
  return out;
}

}  // namespace uikit
