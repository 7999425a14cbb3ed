#include "FilterList.h"

#include <plist/plist.h>

#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <variant>

namespace hosts {
namespace {

// A number written as text ("793.00"), the whole text and nothing else.
std::optional<double> numberFromText(std::string_view text) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

constexpr const char* kBadVersions = "its \"CoreFoundationVersion\" is not one or two numbers";

// Fills the range from the numbers read, one or two of them.
objc::Status setVersions(FilterList& filter, const std::vector<std::optional<double>>& numbers) {
  if (numbers.empty() || numbers.size() > 2) return objc::makeError(kBadVersions);
  for (const auto& number : numbers)
    if (!number) return objc::makeError(kBadVersions);
  filter.lowestCoreFoundation = numbers[0];
  if (numbers.size() == 2) filter.belowCoreFoundation = numbers[1];
  return objc::Ok{};
}

// --- XML and binary, through libplist -----------------------------------------------

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistFree>;

std::optional<std::string> stringOf(plist_t node) {
  if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  char* value = nullptr;
  plist_get_string_val(node, &value);
  if (value == nullptr) return std::nullopt;
  std::string out(value);
  std::free(value);
  return out;
}

std::optional<double> numberFromNode(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      if (!std::isfinite(value)) return std::nullopt;
      return value;
    }
    case PLIST_UINT: {
      uint64_t value = 0;
      plist_get_uint_val(node, &value);
      return static_cast<double>(value);
    }
    case PLIST_STRING:
      if (auto text = stringOf(node)) return numberFromText(*text);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

objc::Result<FilterList> filterFromPlist(plist_t root) {
  if (plist_get_node_type(root) != PLIST_DICT) return objc::makeError("the property list is not a dictionary");
  plist_t filter = plist_dict_get_item(root, "Filter");
  if (filter == nullptr || plist_get_node_type(filter) != PLIST_DICT) {
    return objc::makeError("it has no \"Filter\" dictionary");
  }
  plist_t bundles = plist_dict_get_item(filter, "Bundles");
  if (bundles == nullptr || plist_get_node_type(bundles) != PLIST_ARRAY) {
    return objc::makeError("its \"Filter\" has no \"Bundles\" array");
  }
  FilterList out;
  const uint32_t count = plist_array_get_size(bundles);
  for (uint32_t i = 0; i < count; ++i) {
    if (auto s = stringOf(plist_array_get_item(bundles, i))) out.bundles.push_back(std::move(*s));
  }
  if (plist_t versions = plist_dict_get_item(filter, "CoreFoundationVersion")) {
    if (plist_get_node_type(versions) != PLIST_ARRAY) return objc::makeError(kBadVersions);
    std::vector<std::optional<double>> numbers;
    const uint32_t versionCount = plist_array_get_size(versions);
    for (uint32_t i = 0; i < versionCount && i < 3; ++i) numbers.push_back(numberFromNode(plist_array_get_item(versions, i)));
    if (auto set = setVersions(out, numbers); !set) return set.error();
  }
  return out;
}

// --- The old text form -----------------------------------------------------------------
// Only what a filter list needs: dictionaries, arrays and strings (quoted or bare).

struct TextValue;
using TextDict = std::map<std::string, std::shared_ptr<TextValue>>;
using TextArray = std::vector<std::shared_ptr<TextValue>>;
struct TextValue {
  std::variant<std::string, TextArray, TextDict> value;
};

class TextReader {
 public:
  explicit TextReader(std::string_view text) : text_(text) {}

  objc::Result<std::shared_ptr<TextValue>> document() {
    auto value = parse(0);
    if (!value) return value;
    skip();
    if (pos_ != text_.size()) return error("unexpected text after the end");
    return value;
  }

 private:
  static constexpr int kMaximumDepth = 32;

  objc::Error error(const std::string& what) const {
    return objc::makeError("not a property list (" + what + " at offset " + std::to_string(pos_) + ")");
  }

  void skip() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++pos_;
      } else if (text_.substr(pos_, 2) == "//") {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (text_.substr(pos_, 2) == "/*") {
        std::size_t end = text_.find("*/", pos_ + 2);
        pos_ = end == std::string_view::npos ? text_.size() : end + 2;
      } else {
        break;
      }
    }
  }

  static bool bareChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '-' || c == '$' || c == '/' || c == ':' || c == '+';
  }

  objc::Result<std::string> string() {
    skip();
    if (pos_ < text_.size() && text_[pos_] == '"') {
      ++pos_;
      std::string out;
      while (pos_ < text_.size() && text_[pos_] != '"') {
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) ++pos_;
        out += text_[pos_++];
      }
      if (pos_ >= text_.size()) return error("unterminated string");
      ++pos_;
      return out;
    }
    std::size_t start = pos_;
    while (pos_ < text_.size() && bareChar(text_[pos_])) ++pos_;
    if (start == pos_) return error("expected a value");
    return std::string(text_.substr(start, pos_ - start));
  }

  bool consume(char c) {
    skip();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  objc::Result<std::shared_ptr<TextValue>> parse(int depth) {
    if (depth > kMaximumDepth) return error("nested too deeply");
    auto node = std::make_shared<TextValue>();
    if (consume('{')) {
      TextDict dict;
      while (!consume('}')) {
        auto key = string();
        if (!key) return key.error();
        if (!consume('=')) return error("expected '='");
        auto value = parse(depth + 1);
        if (!value) return value;
        dict[*key] = *value;
        if (!consume(';')) return error("expected ';'");
      }
      node->value = std::move(dict);
    } else if (consume('(')) {
      TextArray array;
      if (!consume(')')) {
        while (true) {
          auto value = parse(depth + 1);
          if (!value) return value;
          array.push_back(*value);
          if (consume(')')) break;
          if (!consume(',')) return error("expected ',' or ')'");
          if (consume(')')) break;  // a trailing comma
        }
      }
      node->value = std::move(array);
    } else {
      auto s = string();
      if (!s) return s.error();
      node->value = std::move(*s);
    }
    return node;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

objc::Result<FilterList> filterFromText(std::string_view data) {
  auto root = TextReader(data).document();
  if (!root) return root.error();
  auto* dict = std::get_if<TextDict>(&(*root)->value);
  if (dict == nullptr) return objc::makeError("the property list is not a dictionary");
  auto filter = dict->find("Filter");
  auto* filterDict = filter == dict->end() ? nullptr : std::get_if<TextDict>(&filter->second->value);
  if (filterDict == nullptr) return objc::makeError("it has no \"Filter\" dictionary");
  auto bundles = filterDict->find("Bundles");
  auto* array = bundles == filterDict->end() ? nullptr : std::get_if<TextArray>(&bundles->second->value);
  if (array == nullptr) return objc::makeError("its \"Filter\" has no \"Bundles\" array");
  FilterList out;
  for (const auto& item : *array) {
    if (auto* s = std::get_if<std::string>(&item->value)) out.bundles.push_back(*s);
  }
  if (auto versions = filterDict->find("CoreFoundationVersion"); versions != filterDict->end()) {
    auto* versionArray = std::get_if<TextArray>(&versions->second->value);
    if (versionArray == nullptr) return objc::makeError(kBadVersions);
    std::vector<std::optional<double>> numbers;
    for (const auto& item : *versionArray) {
      auto* s = std::get_if<std::string>(&item->value);
      numbers.push_back(s != nullptr ? numberFromText(*s) : std::nullopt);
    }
    if (auto set = setVersions(out, numbers); !set) return set.error();
  }
  return out;
}

bool looksLikeLibplistInput(std::string_view data) {
  if (data.substr(0, 8) == "bplist00") return true;
  std::size_t i = 0;
  // A UTF-8 byte-order mark, then white space, may come before the XML.
  if (data.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\n' || data[i] == '\r')) ++i;
  return i < data.size() && data[i] == '<';
}

}  // namespace

objc::Result<FilterList> readFilterList(std::string_view data) {
  if (!looksLikeLibplistInput(data)) return filterFromText(data);
  plist_t raw = nullptr;
  plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &raw);
  if (raw == nullptr) return objc::makeError("not a property list (unreadable XML or binary data)");
  PlistPtr root(raw);
  return filterFromPlist(root.get());
}

bool admitsCoreFoundation(const FilterList& filter, double version) {
  if (filter.lowestCoreFoundation && version < *filter.lowestCoreFoundation) return false;
  if (filter.belowCoreFoundation && version >= *filter.belowCoreFoundation) return false;
  return true;
}

objc::Result<std::vector<std::string>> filterBundles(std::string_view data) {
  auto filter = readFilterList(data);
  if (!filter) return filter.error();
  return std::move(filter->bundles);
}

}  // namespace hosts
