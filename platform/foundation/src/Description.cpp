// -description for NSObject and the nested layout of collection descriptions:
//   arrays    (\n    a,\n    b\n)
//   sets      {(\n    a,\n    b\n)}
//   dicts     {\n    key = value;\n}
// Strings inside a collection are quoted unless they are plain words.
#include "Description.h"

#include "ArrayStorage.h"
#include "DictionaryStorage.h"
#include "Methods.h"
#include "StringStorage.h"

#include <foundation/Object.h>

#include <algorithm>
#include <vector>

namespace ns {
namespace detail {
namespace {

bool isPlainWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '/' || c == ':' || c == '.' || c == '-';
}

std::string quoted(std::string_view text) {
  if (!text.empty() && std::all_of(text.begin(), text.end(), isPlainWordChar)) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  out += '"';
  return out;
}

std::string pad(int indent) { return std::string(static_cast<std::size_t>(indent) * 4, ' '); }

// Protects against a collection that contains itself.
constexpr int kMaxDepth = 64;

}  // namespace

std::string describeNested(id object, int indent) {
  if (object == nil) return "(null)";
  if (indent > kMaxDepth) return "...";
  if (isStringObject(object)) return quoted(stringView(object));
  if (isArrayObject(object) || isSetObject(object)) {
    bool set = isSetObject(object);
    std::vector<id> items;
    if (set) {
      for (auto [key, value] : tableEntries(setTable(object))) items.push_back(key);
    } else {
      auto* v = arrayIvars(object);
      items.assign(v->_items, v->_items + v->_count);
    }
    std::string out = set ? "{(\n" : "(\n";
    for (std::size_t i = 0; i < items.size(); ++i) {
      out += pad(indent + 1) + describeNested(items[i], indent + 1);
      out += i + 1 < items.size() ? ",\n" : "\n";
    }
    return out + pad(indent) + (set ? ")}" : ")");
  }
  if (isDictionaryObject(object)) {
    std::vector<std::pair<id, id>> items;
    for (auto entry : tableEntries(dictionaryTable(object))) items.push_back(entry);
    // Like iOS, string keys are listed in ascending order.
    if (std::all_of(items.begin(), items.end(), [](const auto& e) { return isStringObject(e.first); }))
      std::stable_sort(items.begin(), items.end(),
                       [](const auto& a, const auto& b) { return stringView(a.first) < stringView(b.first); });
    std::string out = "{\n";
    for (const auto& [key, value] : items)
      out += pad(indent + 1) + describeNested(key, indent + 1) + " = " + describeNested(value, indent + 1) + ";\n";
    return out + pad(indent) + "}";
  }
  return utf8(objc::send<id>(object, objc::sel<"description">()));
}

}  // namespace detail

namespace {

id objectDescription(id self, SEL) { return objc::autorelease(detail::newString(objc::defaultDescription(self))); }
id objectDebugDescription(id self, SEL) { return objc::send<id>(self, objc::sel<"description">()); }
id classDescription(id self, SEL) { return objc::autorelease(detail::newString(objc::className(self))); }

// NSObject gains its NSString descriptions when Foundation loads.
[[maybe_unused]] const bool kDescriptionsAdded = [] {
  Class root = objc::NSObjectClass();
  detail::addMethod<&objectDescription>(root, "description");
  detail::addMethod<&objectDebugDescription>(root, "debugDescription");
  detail::addClassMethod<&classDescription>(root, "description");
  return true;
}();

}  // namespace

std::string describe(id object) {
  if (object == nil) return "(null)";
  return utf8(objc::send<id>(object, objc::sel<"description">()));
}

bool isKind(id object, Class cls) { return object != nil && cls != Nil && detail::inheritsFrom(object_getClass(object), cls); }

bool isKind(id object, const char* className) { return isKind(object, objc::classNamed(className)); }

}  // namespace ns
