#include "FilterList.h"

#include <plist/plist.h>

#include <map>
#include <memory>
#include <optional>
#include <variant>

namespace hosts {
namespace {

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

objc::Result<std::vector<std::string>> bundlesFromPlist(plist_t root) {
  if (plist_get_node_type(root) != PLIST_DICT) return objc::makeError("the property list is not a dictionary");
  plist_t filter = plist_dict_get_item(root, "Filter");
  if (filter == nullptr || plist_get_node_type(filter) != PLIST_DICT) {
    return objc::makeError("it has no \"Filter\" dictionary");
  }
  plist_t bundles = plist_dict_get_item(filter, "Bundles");
  if (bundles == nullptr || plist_get_node_type(bundles) != PLIST_ARRAY) {
    return objc::makeError("its \"Filter\" has no \"Bundles\" array");
  }
  std::vector<std::string> out;
  const uint32_t count = plist_array_get_size(bundles);
  for (uint32_t i = 0; i < count; ++i) {
    if (auto s = stringOf(plist_array_get_item(bundles, i))) out.push_back(std::move(*s));
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

objc::Result<std::vector<std::string>> bundlesFromText(std::string_view data) {
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
  std::vector<std::string> out;
  for (const auto& item : *array) {
    if (auto* s = std::get_if<std::string>(&item->value)) out.push_back(*s);
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

objc::Result<std::vector<std::string>> filterBundles(std::string_view data) {
  if (!looksLikeLibplistInput(data)) return bundlesFromText(data);
  plist_t raw = nullptr;
  plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &raw);
  if (raw == nullptr) return objc::makeError("not a property list (unreadable XML or binary data)");
  PlistPtr root(raw);
  return bundlesFromPlist(root.get());
}

}  // namespace hosts
