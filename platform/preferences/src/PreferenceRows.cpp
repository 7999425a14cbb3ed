#include <preferences/PreferenceRows.h>

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <foundation/NSString.h>
#include <objcface/Send.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

id property(id specifier, const char* key) { return send<id>(specifier, sel<"propertyForKey:">(), ns::str(key)); }

PSCellType cellType(id specifier) { return send<PSCellType>(specifier, sel<"cellType">()); }

std::string lowercase(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

std::optional<bool> parseSwitch(std::string_view text) {
  std::string t = lowercase(text);
  if (t == "yes" || t == "on" || t == "true" || t == "1") return true;
  if (t == "no" || t == "off" || t == "false" || t == "0") return false;
  return std::nullopt;
}

std::optional<double> parseNumber(std::string_view text) {
  std::string t(text);
  if (t.empty() || std::isspace(static_cast<unsigned char>(t.front()))) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  double value = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string formatNumber(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

bool isValueCell(PSCellType type) {
  switch (type) {
    case PSSwitchCell:
    case PSSliderCell:
    case PSLinkListCell:
    case PSSegmentCell:
    case PSEditTextCell:
    case PSSecureEditTextCell:
    case PSTitleValueCell:
      return true;
    default:
      return false;
  }
}

// The choice's title for a stored value, else nil.
id titleForValue(id specifier, id value) {
  id titles = send<id>(specifier, sel<"titleDictionary">());
  return titles && value ? send<id>(titles, sel<"objectForKey:">(), value) : nil;
}

// The pane a row links to, when following it can show more option rows.
bool isPaneLink(id specifier) {
  return cellType(specifier) == PSLinkCell && send<Class>(specifier, sel<"detailControllerClass">()) != Nil;
}

// Depth-first walk over the pane and every pane reachable through its links; each
// pane class is visited once.  `visit` answers true to stop.
bool walkPanes(id pane, std::set<Class>& seen, const std::function<bool(id pane, id specifier)>& visit) {
  seen.insert(object_getClass(pane));
  std::vector<objc::Ref> links;
  for (id rowSpecifier : ns::elements(send<id>(pane, sel<"specifiers">()))) {
    if (visit(pane, rowSpecifier)) return true;
    if (isPaneLink(rowSpecifier)) links.push_back(objc::Ref::retain(rowSpecifier));
  }
  for (const auto& link : links) {
    if (seen.count(send<Class>(link.get(), sel<"detailControllerClass">()))) continue;
    auto child = paneForLink(pane, link.get());
    if (!child) continue;
    objc::AutoreleasePool pool;
    if (walkPanes(child->get(), seen, visit)) return true;
  }
  return false;
}

}  // namespace

std::vector<GroupView> paneGroups(id controller) {
  std::vector<GroupView> groups;
  for (id rowSpecifier : ns::elements(send<id>(controller, sel<"specifiers">()))) {
    PSCellType type = cellType(rowSpecifier);
    if (type == PSGroupCell) {
      groups.push_back({ns::utf8(send<id>(rowSpecifier, sel<"name">())), ns::utf8(property(rowSpecifier, PSFooterTextGroupKey)), {}});
      continue;
    }
    if (groups.empty()) groups.push_back({});
    RowView row;
    row.specifier = objc::Ref::retain(rowSpecifier);
    row.cellType = type;
    row.label = ns::utf8(send<id>(rowSpecifier, sel<"name">()));
    row.showsValue = isValueCell(type);
    if (row.showsValue) row.value = shownValue(rowSpecifier);
    if (type == PSListItemCell) row.chosen = isChosenItem(rowSpecifier);
    groups.back().rows.push_back(std::move(row));
  }
  return groups;
}

id rowValue(id specifier) {
  id target = send<id>(specifier, sel<"target">());
  SEL getter = send<SEL>(specifier, sel<"getter">());
  if (!target || !getter || !objc::responds(target, getter)) return nil;
  return send<id>(target, getter, specifier);
}

std::string shownValue(id specifier) {
  id value = rowValue(specifier);
  if (!value) return "";
  switch (cellType(specifier)) {
    case PSSwitchCell:
      return send<BOOL>(value, sel<"boolValue">()) ? "ON" : "OFF";
    case PSSliderCell:
      return formatNumber(send<float>(value, sel<"floatValue">()));
    case PSLinkListCell:
    case PSSegmentCell:
      if (id title = titleForValue(specifier, value)) return ns::utf8(title);
      return ns::utf8(send<id>(value, sel<"description">()));
    default:
      return ns::utf8(send<id>(value, sel<"description">()));
  }
}

objc::Status userChangesRow(id specifier, std::string_view text) {
  PSCellType type = cellType(specifier);
  std::string label = ns::utf8(send<id>(specifier, sel<"name">()));
  id value = nil;
  switch (type) {
    case PSSwitchCell: {
      auto on = parseSwitch(text);
      if (!on) return objc::makeError("the switch \"" + label + "\" takes YES or NO, not \"" + std::string(text) + "\"");
      value = ns::numberWithBool(*on);
      break;
    }
    case PSSliderCell: {
      auto number = parseNumber(text);
      if (!number) return objc::makeError("the slider \"" + label + "\" takes a number, not \"" + std::string(text) + "\"");
      id min = property(specifier, PSControlMinimumKey);
      id max = property(specifier, PSControlMaximumKey);
      double low = min ? send<double>(min, sel<"doubleValue">()) : 0.0;
      double high = max ? send<double>(max, sel<"doubleValue">()) : 1.0;
      if (*number < low || *number > high) {
        return objc::makeError("the slider \"" + label + "\" goes from " + formatNumber(low) + " to " + formatNumber(high));
      }
      value = ns::numberWithFloat(static_cast<float>(*number));
      break;
    }
    case PSLinkListCell:
    case PSSegmentCell: {
      std::string choices;
      for (id candidate : ns::elements(send<id>(specifier, sel<"values">()))) {
        std::string stored = ns::utf8(send<id>(candidate, sel<"description">()));
        std::string title = ns::utf8(titleForValue(specifier, candidate));
        if (stored == text || (!title.empty() && title == text)) {
          value = candidate;
          break;
        }
        choices += (choices.empty() ? "" : ", ") + stored;
      }
      if (!value) return objc::makeError("\"" + label + "\" has no choice \"" + std::string(text) + "\" (" + choices + ")");
      break;
    }
    case PSEditTextCell:
    case PSSecureEditTextCell:
    case PSEditTextViewCell:
      value = ns::str(text);
      if (!value) return objc::makeError("the text is not UTF-8");
      break;
    default:
      return objc::makeError("the row \"" + label + "\" (" + cellTypeName(type) + ") cannot be changed");
  }
  id target = send<id>(specifier, sel<"target">());
  SEL setter = send<SEL>(specifier, sel<"setter">());
  if (!target || !setter || !objc::responds(target, setter)) {
    return objc::makeError("the row \"" + label + "\" has no setter on its pane");
  }
  objc::Ref keepTarget = objc::Ref::retain(target);
  send<void>(target, setter, value, specifier);
  if (objc::responds(target, sel<"reloadSpecifier:">())) send<void>(target, sel<"reloadSpecifier:">(), specifier);
  return objc::Ok{};
}

objc::Status userPressesButton(id specifier) {
  std::string label = ns::utf8(send<id>(specifier, sel<"name">()));
  SEL action = send<SEL>(specifier, sel<"buttonAction">());
  id target = send<id>(specifier, sel<"target">());
  if (!action) return objc::makeError("the row \"" + label + "\" is not a button");
  if (!target || !objc::responds(target, action)) {
    return objc::makeError("the pane of \"" + label + "\" does not answer " + sel_getName(action));
  }
  objc::Ref keepTarget = objc::Ref::retain(target);
  std::string_view name = sel_getName(action);
  auto arguments = std::count(name.begin(), name.end(), ':');
  if (arguments == 0) {
    send<void>(target, action);
  } else if (arguments == 1) {
    send<void>(target, action, specifier);
  } else {
    return objc::makeError(std::string("the action ") + sel_getName(action) + " takes more than the row");
  }
  return objc::Ok{};
}

objc::Result<objc::Ref> paneForLink(id parent, id specifier) {
  Class detail = send<Class>(specifier, sel<"detailControllerClass">());
  std::string label = ns::utf8(send<id>(specifier, sel<"name">()));
  if (detail == Nil) return objc::makeError("the row \"" + label + "\" opens no pane");
  id pane = send<id>(send<id>(reinterpret_cast<id>(detail), sel<"alloc">()), sel<"init">());
  if (!pane) return objc::makeError("the pane of \"" + label + "\" could not be made");
  objc::Ref owned = objc::Ref::adopt(pane);
  if (objc::responds(pane, sel<"setSpecifier:">())) send<void>(pane, sel<"setSpecifier:">(), specifier);
  if (objc::responds(pane, sel<"setParentController:">())) send<void>(pane, sel<"setParentController:">(), parent);
  if (parent && objc::responds(pane, sel<"setRootController:">())) {
    send<void>(pane, sel<"setRootController:">(), send<id>(parent, sel<"rootController">()));
  }
  return owned;
}

objc::Result<FoundRow> findRowForKey(id pane, std::string_view key) {
  std::set<Class> seen;
  FoundRow found;
  walkPanes(pane, seen, [&](id owner, id rowSpecifier) {
    id rowKey = property(rowSpecifier, PSKeyNameKey);
    if (!ns::isString(rowKey) || ns::utf8View(rowKey) != key) return false;
    found = {objc::Ref::retain(owner), objc::Ref::retain(rowSpecifier)};
    return true;
  });
  if (!found.specifier) return objc::makeError("no row for the key \"" + std::string(key) + "\" on this pane or below");
  return found;
}

std::vector<KeyedRow> reachableKeyedRows(id pane) {
  std::vector<KeyedRow> rows;
  std::set<Class> seen;
  walkPanes(pane, seen, [&](id owner, id rowSpecifier) {
    id rowKey = property(rowSpecifier, PSKeyNameKey);
    if (ns::isString(rowKey)) {
      rows.push_back({std::string(ns::utf8View(rowKey)), ns::utf8(send<id>(owner, sel<"navigationTitle">())),
                      objc::Ref::retain(owner), objc::Ref::retain(rowSpecifier)});
    }
    return false;
  });
  return rows;
}

}  // namespace preferences
