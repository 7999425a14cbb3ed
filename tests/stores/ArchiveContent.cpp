#include "ArchiveContent.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

namespace store_tests {
namespace {

struct PlistDeleter {
  void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct Bad : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string stringOf(plist_t node) {
  if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) throw Bad("expected a string");
  char* text = nullptr;
  plist_get_string_val(node, &text);
  std::string out = text != nullptr ? text : "";
  free(text);
  return out;
}

std::string realText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

class Canonical {
 public:
  explicit Canonical(plist_t objects) : objects_(objects), count_(plist_array_get_size(objects)) {}

  // The text of the object a UID refers to; also counts the references to each
  // object dictionary so that sharing can be reported.
  std::string object(uint64_t uid, int depth) {
    if (depth > 200) throw Bad("nesting too deep (a cycle?)");
    if (uid == 0) return "nil";
    if (uid >= count_) throw Bad("UID out of range");
    plist_t entry = plist_array_get_item(objects_, static_cast<uint32_t>(uid));
    if (plist_get_node_type(entry) != PLIST_DICT) return scalar(entry);
    std::string text = objectDictionary(entry, depth);
    ++references_[uid];
    texts_[uid] = text;
    return text;
  }

  // Objects reached more than once, as "count×text", sorted.
  std::string sharing() const {
    std::vector<std::string> shared;
    for (const auto& [uid, count] : references_)
      if (count > 1) shared.push_back(std::to_string(count) + "x" + texts_.at(uid));
    std::sort(shared.begin(), shared.end());
    std::string out;
    for (const auto& s : shared) out += "shared " + s + "\n";
    return out;
  }

 private:
  std::string scalar(plist_t node) {
    switch (plist_get_node_type(node)) {
      case PLIST_STRING:
        return quoted(stringOf(node));
      case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value ? "YES" : "NO";
      }
      case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return "i:" + std::to_string(static_cast<int64_t>(value));
      }
      case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return "r:" + realText(value);
      }
      case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        std::string out = "d:";
        static const char* digits = "0123456789abcdef";
        for (uint64_t i = 0; i < length; ++i) {
          auto b = static_cast<unsigned char>(bytes[i]);
          out += digits[b >> 4];
          out += digits[b & 15];
        }
        free(bytes);
        return out;
      }
      case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return "date:" + realText(sec + usec / 1e6);
      }
      default:
        throw Bad("unexpected value kind in $objects");
    }
  }

  // A field value of an object dictionary: a reference or an inline scalar.
  std::string field(plist_t node, int depth) {
    if (plist_get_node_type(node) == PLIST_UID) {
      uint64_t uid = 0;
      plist_get_uid_val(node, &uid);
      return object(uid, depth + 1);
    }
    return scalar(node);
  }

  std::vector<std::string> references(plist_t list, int depth) {
    if (list == nullptr || plist_get_node_type(list) != PLIST_ARRAY) throw Bad("expected an array of references");
    std::vector<std::string> out;
    for (uint32_t i = 0; i < plist_array_get_size(list); ++i) {
      plist_t item = plist_array_get_item(list, i);
      if (plist_get_node_type(item) != PLIST_UID) throw Bad("expected a reference");
      out.push_back(field(item, depth));
    }
    return out;
  }

  std::string objectDictionary(plist_t entry, int depth) {
    plist_t classRef = plist_dict_get_item(entry, "$class");
    if (classRef == nullptr || plist_get_node_type(classRef) != PLIST_UID) throw Bad("object without $class");
    uint64_t classUid = 0;
    plist_get_uid_val(classRef, &classUid);
    if (classUid == 0 || classUid >= count_) throw Bad("$class out of range");
    plist_t cls = plist_array_get_item(objects_, static_cast<uint32_t>(classUid));
    const std::string name = stringOf(plist_dict_get_item(cls, "$classname"));

    if (name == "NSDictionary" || name == "NSMutableDictionary") {
      auto keys = references(plist_dict_get_item(entry, "NS.keys"), depth);
      auto values = references(plist_dict_get_item(entry, "NS.objects"), depth);
      if (keys.size() != values.size()) throw Bad("NS.keys and NS.objects differ in length");
      std::vector<std::string> pairs;
      for (std::size_t i = 0; i < keys.size(); ++i) pairs.push_back(keys[i] + "=" + values[i]);
      std::sort(pairs.begin(), pairs.end());
      std::string out = "{";
      for (const auto& p : pairs) out += p + ";";
      return out + "}";
    }
    if (name == "NSArray" || name == "NSMutableArray" || name == "NSSet" || name == "NSMutableSet") {
      auto items = references(plist_dict_get_item(entry, "NS.objects"), depth);
      bool isSet = name == "NSSet" || name == "NSMutableSet";
      if (isSet) std::sort(items.begin(), items.end());
      std::string out = isSet ? "set[" : "[";
      for (const auto& i : items) out += i + ",";
      return out + "]";
    }
    if (name == "NSString" || name == "NSMutableString") return quoted(stringOf(plist_dict_get_item(entry, "NS.string")));
    if (name == "NSData" || name == "NSMutableData") return scalar(plist_dict_get_item(entry, "NS.data"));
    if (name == "NSNull") return "null";
    if (name == "NSDate") {
      plist_t time = plist_dict_get_item(entry, "NS.time");
      double seconds = 0;
      if (time == nullptr || plist_get_node_type(time) != PLIST_REAL) throw Bad("NSDate without NS.time");
      plist_get_real_val(time, &seconds);
      return "date:" + realText(seconds);
    }

    // Any other class: its whole chain and every field in name order.
    std::string out = "obj<";
    plist_t chain = plist_dict_get_item(cls, "$classes");
    if (chain == nullptr || plist_get_node_type(chain) != PLIST_ARRAY) throw Bad("class without $classes");
    for (uint32_t i = 0; i < plist_array_get_size(chain); ++i) out += stringOf(plist_array_get_item(chain, i)) + ",";
    out += ">{";
    std::map<std::string, std::string> fields;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(entry, &it);
    while (true) {
      char* key = nullptr;
      plist_t value = nullptr;
      plist_dict_next_item(entry, it, &key, &value);
      if (key == nullptr) break;
      std::string k = key;
      free(key);
      if (k != "$class") fields[k] = field(value, depth);
    }
    free(it);
    for (const auto& [k, v] : fields) out += k + "=" + v + ";";
    return out + "}";
  }

  plist_t objects_;
  uint32_t count_;
  std::map<uint64_t, int> references_;
  std::map<uint64_t, std::string> texts_;
};

}  // namespace

std::string archiveContent(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "error: cannot read " + file.string();
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  plist_t raw = nullptr;
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
  PlistPtr root(raw);
  if (raw == nullptr || plist_get_node_type(raw) != PLIST_DICT) return "error: not a property-list dictionary";
  try {
    if (stringOf(plist_dict_get_item(raw, "$archiver")) != "NSKeyedArchiver") return "error: not a keyed archive";
    plist_t objects = plist_dict_get_item(raw, "$objects");
    plist_t top = plist_dict_get_item(raw, "$top");
    if (objects == nullptr || plist_get_node_type(objects) != PLIST_ARRAY || top == nullptr)
      return "error: no $objects or $top";
    plist_t rootRef = plist_dict_get_item(top, "root");
    if (rootRef == nullptr || plist_get_node_type(rootRef) != PLIST_UID) return "error: no root reference";
    uint64_t uid = 0;
    plist_get_uid_val(rootRef, &uid);
    Canonical canonical(objects);
    std::string text = "root " + canonical.object(uid, 0) + "\n";
    return text + canonical.sharing();
  } catch (const Bad& e) {
    return std::string("error: ") + e.what();
  }
}

}  // namespace store_tests
