#include "OptionsFile.h"

#include <foundation/DeviceRoot.h>
#include <foundation/FileIO.h>

#include <plist/plist.h>

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace hosts {
namespace {

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistFree>;

// Options files are small; refuse to slurp something huge by mistake.
constexpr std::uintmax_t kMaximumOptionsSize = 16 << 20;

// The file's dictionary; an empty one when the file is missing.
objc::Result<PlistPtr> readDictionary(const std::filesystem::path& path, bool& existed) {
  std::error_code ec;
  existed = std::filesystem::exists(path, ec);
  if (!existed) return PlistPtr(plist_new_dict());
  auto size = std::filesystem::file_size(path, ec);
  if (ec) return objc::makeError("cannot read " + path.string() + ": " + ec.message());
  if (size > kMaximumOptionsSize) return objc::makeError(path.string() + " is too large for an options file");
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return objc::makeError("cannot read " + path.string());
  plist_t root = nullptr;
  if (!data.empty()) plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &root);
  if (root == nullptr) return objc::makeError(path.string() + " is not a property list; left as it is");
  PlistPtr owned(root);
  if (plist_get_node_type(root) != PLIST_DICT) {
    return objc::makeError(path.string() + " does not hold a dictionary; left as it is");
  }
  return owned;
}

// Through the platform's atomic writer, like every other whole-file rewrite: a
// temporary file renamed over the old one, temporaries of killed writers cleared.
objc::Status writeAtomically(const std::filesystem::path& path, plist_t root) {
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(root, &xml, &length);
  if (xml == nullptr) return objc::makeError("cannot encode the options");
  std::string data(xml, length);
  std::free(xml);

  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) return objc::makeError("cannot create " + path.parent_path().string() + ": " + ec.message());
  return ns::writeHostFileAtomically(path, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
}

plist_t nodeFor(const scenario::OptionValue& value) {
  struct Maker {
    plist_t operator()(bool b) const { return plist_new_bool(b ? 1 : 0); }
    // libplist keeps integers unsigned; a negative number is stored as its two's
    // complement, which readers take back as the negative value.
    plist_t operator()(long long i) const { return plist_new_uint(static_cast<uint64_t>(i)); }
    plist_t operator()(double d) const { return plist_new_real(d); }
    plist_t operator()(const std::string& s) const { return plist_new_string(s.c_str()); }
    plist_t operator()(const std::vector<std::string>& items) const {
      plist_t array = plist_new_array();
      for (const auto& item : items) plist_array_append_item(array, plist_new_string(item.c_str()));
      return array;
    }
  };
  return std::visit(Maker{}, value);
}

std::string realText(double d) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
  return ec == std::errc() ? std::string(buffer, end) : "?";
}

OptionReading reading(plist_t node) {
  OptionReading r;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      r.text = b ? "YES" : "NO";
      r.number = b ? 1 : 0;
      break;
    }
    case PLIST_UINT: {
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      auto i = static_cast<int64_t>(u);
      r.text = std::to_string(i);
      r.number = static_cast<double>(i);
      break;
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      r.text = realText(d);
      r.number = d;
      break;
    }
    case PLIST_STRING: {
      char* s = nullptr;
      plist_get_string_val(node, &s);
      r.text = s != nullptr ? s : "";
      std::free(s);
      break;
    }
    case PLIST_ARRAY: {
      uint32_t n = plist_array_get_size(node);
      for (uint32_t i = 0; i < n; ++i) {
        if (i > 0) r.text += ",";
        r.text += reading(plist_array_get_item(node, i)).text;
      }
      break;
    }
    case PLIST_DICT: r.text = "{…}"; break;
    case PLIST_DATA: r.text = "<data>"; break;
    case PLIST_DATE: r.text = "<date>"; break;
    default: r.text = "?"; break;
  }
  return r;
}

}  // namespace

objc::Status writeOption(std::string_view devicePath, const std::string& key, const scenario::OptionValue& value) {
  auto path = ns::hostPath(devicePath);
  if (!path) return path.error();
  bool existed = false;
  auto dict = readDictionary(*path, existed);
  if (!dict) return dict.error();
  plist_dict_set_item(dict->get(), key.c_str(), nodeFor(value));
  return writeAtomically(*path, dict->get());
}

objc::Status removeOption(std::string_view devicePath, const std::string& key) {
  auto path = ns::hostPath(devicePath);
  if (!path) return path.error();
  bool existed = false;
  auto dict = readDictionary(*path, existed);
  if (!dict) return dict.error();
  if (!existed || plist_dict_get_item(dict->get(), key.c_str()) == nullptr) return objc::Ok{};
  plist_dict_remove_item(dict->get(), key.c_str());
  return writeAtomically(*path, dict->get());
}

objc::Result<std::optional<OptionReading>> readOption(std::string_view devicePath, const std::string& key) {
  auto path = ns::hostPath(devicePath);
  if (!path) return path.error();
  bool existed = false;
  auto dict = readDictionary(*path, existed);
  if (!dict) return dict.error();
  plist_t node = plist_dict_get_item(dict->get(), key.c_str());
  if (node == nullptr) return std::optional<OptionReading>{};
  return std::optional<OptionReading>{reading(node)};
}

}  // namespace hosts
