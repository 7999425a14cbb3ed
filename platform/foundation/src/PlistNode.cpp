#include "PlistNode.h"

#include "PlistUnicode.h"

#include <cstdlib>
#include <limits>
#include <vector>

namespace ns::plist {
namespace {

using objc::makeError;

// Seconds since the reference date of a libplist date node.
double dateSeconds(plist_t node) {
  int32_t sec = 0, usec = 0;
  plist_get_date_val(node, &sec, &usec);
  return static_cast<double>(sec) + static_cast<double>(usec) / 1e6;
}

objc::Result<Tree::Node> copyIn(Tree& tree, plist_t node, int depth) {
  if (depth > kMaxNesting) return makeError("nesting too deep");
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return tree.boolean(b != 0);
    }
    case PLIST_UINT:
      return tree.integer(signedValue(node));
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return tree.real(d);
    }
    case PLIST_DATE:
      return tree.date(dateSeconds(node));
    case PLIST_STRING:
    case PLIST_KEY: {
      uint64_t length = 0;
      const char* p = plist_get_string_ptr(node, &length);
      std::string_view raw = p ? std::string_view(p, length) : std::string_view();
      return isAscii(raw) ? tree.string(raw) : tree.string(validUtf8(raw));
    }
    case PLIST_DATA: {
      uint64_t length = 0;
      const char* p = plist_get_data_ptr(node, &length);
      return tree.data(p ? std::string_view(p, length) : std::string_view());
    }
    case PLIST_UID: {
      uint64_t v = 0;
      plist_get_uid_val(node, &v);
      return tree.uid(v);
    }
    case PLIST_ARRAY: {
      std::vector<Tree::Node> items;
      items.reserve(plist_array_get_size(node));
      plist_array_iter it = nullptr;
      plist_array_new_iter(node, &it);
      for (plist_t item = nullptr;;) {
        plist_array_next_item(node, it, &item);
        if (item == nullptr) break;
        auto child = copyIn(tree, item, depth + 1);
        if (!child.ok()) {
          std::free(it);
          return child;
        }
        items.push_back(child.value());
      }
      std::free(it);
      return tree.array(items);
    }
    case PLIST_DICT: {
      std::vector<Tree::Node> keys, values;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        if (value == nullptr) {
          std::free(key);
          break;
        }
        Tree::Node k = tree.string(validUtf8(key ? key : ""));
        std::free(key);
        auto v = copyIn(tree, value, depth + 1);
        if (!v.ok()) {
          std::free(it);
          return v;
        }
        keys.push_back(k);
        values.push_back(v.value());
      }
      std::free(it);
      return tree.dictionary(keys, values);
    }
    default:
      return makeError("unsupported libplist node");
  }
}

objc::Result<plist_t> copyOut(const Tree& tree, Tree::Node node, std::size_t& budget, int depth) {
  if (budget == 0) return makeError("value too large to unfold");
  if (depth > kMaxNesting) return makeError("nesting too deep");
  --budget;
  switch (tree.kind(node)) {
    case Kind::Boolean:
      return plist_new_bool(tree.boolValue(node) ? 1 : 0);
    case Kind::Integer:
      return plist_new_uint(static_cast<uint64_t>(tree.integerValue(node)));
    case Kind::Real:
      return plist_new_real(tree.realValue(node));
    case Kind::Date: {
      double s = tree.realValue(node);
      if (!(s > -2147483648.0 && s < 2147483647.0)) return makeError("date out of libplist's range");
      double whole = static_cast<double>(static_cast<int32_t>(s));
      if (whole > s) whole -= 1;  // floor for negative times
      return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((s - whole) * 1e6 + 0.5));
    }
    case Kind::String:
      return plist_new_string(std::string(tree.stringValue(node)).c_str());
    case Kind::Data: {
      auto d = tree.dataValue(node);
      return plist_new_data(d.data(), d.size());
    }
    case Kind::Uid:
      return plist_new_uid(tree.uidValue(node));
    case Kind::Array: {
      PlistNode array(plist_new_array());
      for (Tree::Node item : tree.items(node)) {
        auto child = copyOut(tree, item, budget, depth + 1);
        if (!child.ok()) return child;
        plist_array_append_item(array.get(), child.value());  // a fresh node: no parent yet
      }
      return array.release();
    }
    case Kind::Dictionary: {
      PlistNode dict(plist_new_dict());
      auto keys = tree.keys(node), values = tree.values(node);
      for (std::size_t i = 0; i < keys.size(); ++i) {
        auto child = copyOut(tree, values[i], budget, depth + 1);
        if (!child.ok()) return child;
        plist_dict_set_item(dict.get(), std::string(tree.stringValue(keys[i])).c_str(), child.value());
      }
      return dict.release();
    }
  }
  return makeError("unknown value kind");
}

}  // namespace

objc::Result<PlistNode> parseXml(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) return makeError("no property list");
  plist_t root = nullptr;
  plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  if (root == nullptr) return makeError("unreadable property list");
  return PlistNode(root);
}

objc::Result<PlistNode> parseWithLibplist(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) return makeError("no property list");
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  if (root == nullptr) return makeError("unreadable property list");
  return PlistNode(root);
}

std::int64_t signedValue(plist_t integerNode) {
  uint64_t v = 0;
  plist_get_uint_val(integerNode, &v);
  return static_cast<std::int64_t>(v);
}

objc::Result<Document> documentFromNode(plist_t root) {
  Document doc;
  auto node = copyIn(doc.tree, root, 0);
  if (!node.ok()) return node.error();
  doc.root = node.value();
  return doc;
}

objc::Result<PlistNode> nodeFromTree(const Tree& tree, Tree::Node node, std::size_t maxNodes) {
  auto made = copyOut(tree, node, maxNodes, 0);
  if (!made.ok()) return made.error();
  return PlistNode(made.value());
}

namespace {

// The text libplist writes for a node, through one of its writers and the matching free.
template <auto write, auto release>
std::string libplistText(plist_t node) {
  char* out = nullptr;
  uint32_t length = 0;
  write(node, &out, &length);
  std::string s(out ? out : "", out ? length : 0);
  release(out);
  return s;
}

}  // namespace

std::string libplistBinary(plist_t node) { return libplistText<plist_to_bin, plist_to_bin_free>(node); }

std::string libplistXml(plist_t node) { return libplistText<plist_to_xml, plist_to_xml_free>(node); }

}  // namespace ns::plist
