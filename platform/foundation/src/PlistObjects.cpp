#include "PlistObjects.h"

#include "ArrayStorage.h"
#include "DictionaryStorage.h"

#include <foundation/Foundation.h>

#include <unordered_map>
#include <vector>

namespace ns::plist {
namespace {

using objc::makeError;
using objc::Ref;
using Node = Tree::Node;

class ToObjects {
 public:
  ToObjects(const Tree& tree, Mutability mutability)
      : tree_(tree), mutability_(mutability), budget_(tree.size() + 100'000) {}

  objc::Result<Ref> convert(Node node, int depth) {
    if (depth > kMaxNesting) return makeError("nesting too deep");
    if (budget_ == 0) return makeError("shared values unfold too far");
    --budget_;
    const bool mutableLeaves = mutability_ == Mutability::MutableContainersAndLeaves;
    switch (tree_.kind(node)) {
      case Kind::Boolean:
        return Ref::retain(ns::numberWithBool(tree_.boolValue(node)));
      case Kind::Integer:
        return tree_.isBigUnsigned(node)
                   ? ns::makeNumberWithUnsignedLongLong(static_cast<unsigned long long>(tree_.uidValue(node)))
                   : ns::makeNumberWithLongLong(tree_.integerValue(node));
      case Kind::Real:
        return ns::makeNumberWithDouble(tree_.realValue(node));
      case Kind::Date: {
        return Ref::retain(ns::date(tree_.realValue(node)));
      }
      case Kind::String: {
        // Owned from the start (no autorelease): strings are most of what is made here.
        Ref s = mutableLeaves ? Ref::retain(ns::mutableStr(tree_.stringValue(node)))
                              : ns::makeString(tree_.stringValue(node));
        if (!s) return makeError("string is not UTF-8");
        return s;
      }
      case Kind::Data: {
        auto d = tree_.dataValue(node);
        std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(d.data()), d.size());
        return Ref::retain(mutableLeaves ? ns::mutableData(bytes) : ns::data(bytes));
      }
      case Kind::Uid:
        return makeError("a UID is not a property-list object");
      case Kind::Array:
      case Kind::Dictionary:
        return container(node, depth);
    }
    return makeError("unknown value kind");
  }

 private:
  objc::Result<Ref> container(Node node, int depth) {
    const bool isMutable = mutability_ != Mutability::Immutable;
    // Immutable containers the data shares are made once; the table is made for the
    // first container inside another, so a single value or a flat dictionary (an
    // options file) costs nothing extra.
    if (!isMutable && memo_.empty() && depth > 0) memo_.resize(tree_.size());
    if (!memo_.empty() && memo_[node]) return memo_[node];
    // The children go on two stacks shared by every level (values, and keys for a
    // dictionary), owned there until the container holds them: no vectors per level.
    if (values_.capacity() == 0) {
      values_.reserve(64);
      keys_.reserve(64);
    }
    const std::size_t firstValue = values_.size(), firstKey = keys_.size();
    // On failure the references still on the stacks are released; on success the
    // container has taken them over.
    auto unwind = [&] {
      for (std::size_t i = firstValue; i < values_.size(); ++i) objc::release(values_[i]);
      for (std::size_t i = firstKey; i < keys_.size(); ++i) objc::release(keys_[i]);
      values_.resize(firstValue);
      keys_.resize(firstKey);
    };
    Ref made;
    if (tree_.kind(node) == Kind::Array) {
      for (Node item : tree_.items(node)) {
        auto child = convert(item, depth + 1);
        if (!child.ok()) {
          unwind();
          return child;
        }
        values_.push_back(child.value().leak());
      }
      made = Ref::adopt(detail::newArrayAdopting(isMutable ? ns::NSMutableArrayClass() : ns::NSArrayClass(),
                                                 values_.data() + firstValue, values_.size() - firstValue));
    } else {
      auto ks = tree_.keys(node), vs = tree_.values(node);
      for (std::size_t i = 0; i < ks.size(); ++i) {
        auto key = convert(ks[i], depth + 1);
        if (!key.ok()) {
          unwind();
          return key;
        }
        keys_.push_back(key.value().leak());
        auto value = convert(vs[i], depth + 1);
        if (!value.ok()) {
          unwind();
          return value;
        }
        values_.push_back(value.value().leak());
      }
      made = Ref::adopt(detail::newDictionaryAdopting(
          isMutable ? ns::NSMutableDictionaryClass() : ns::NSDictionaryClass(), values_.data() + firstValue,
          keys_.data() + firstKey, values_.size() - firstValue));
    }
    values_.resize(firstValue);  // taken over by the container
    keys_.resize(firstKey);
    if (!made) return makeError("container could not be made");
    if (!memo_.empty()) memo_[node] = made;
    return made;
  }

  const Tree& tree_;
  Mutability mutability_;
  std::vector<Ref> memo_;
  std::vector<id> keys_, values_;  // children of the open containers, owned (+1)
  std::size_t budget_;
};

class FromObjects {
 public:
  explicit FromObjects(Tree& tree) : tree_(tree) {}

  objc::Result<Node> convert(id object, int depth) {
    if (object == nil) return makeError("nil in a property list");
    if (depth > kMaxNesting) return makeError("nesting too deep");
    if (ns::isString(object)) return tree_.string(ns::utf8View(object));
    if (ns::isNumber(object)) {
      if (ns::isBoolean(object)) return tree_.boolean(ns::numberAsLongLong(object) != 0);
      ns::NumberKind kind = ns::numberKind(object);
      if (ns::isRealKind(kind)) return tree_.real(ns::numberAsDouble(object));
      if (ns::isUnsignedKind(kind)) return tree_.bigUnsigned(ns::numberAsUnsignedLongLong(object));
      return tree_.integer(ns::numberAsLongLong(object));
    }
    if (ns::isData(object)) {
      auto bytes = ns::bytesOf(object);
      return tree_.data(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    if (ns::isDate(object)) return tree_.date(ns::dateInterval(object));
    const bool array = ns::isArray(object);
    if (!array && !ns::isDictionary(object))
      return makeError(std::string("not a property-list object: ") + objc::className(object));

    auto [at, fresh] = seen_.try_emplace(object, kOpen);
    if (!fresh) {
      if (at->second == kOpen) return makeError("a container contains itself");
      return at->second;
    }
    Node node;
    if (array) {
      std::vector<Node> items;
      for (id item : ns::elements(object)) {
        auto child = convert(item, depth + 1);
        if (!child.ok()) return child;
        items.push_back(child.value());
      }
      node = tree_.array(items);
    } else {
      std::vector<Node> keys, values;
      for (auto [key, value] : ns::entries(object)) {
        if (!ns::isString(key)) return makeError("property-list keys must be strings");
        keys.push_back(tree_.string(ns::utf8View(key)));
        auto child = convert(value, depth + 1);
        if (!child.ok()) return child;
        values.push_back(child.value());
      }
      node = tree_.dictionary(keys, values);
    }
    seen_[object] = node;
    return node;
  }

 private:
  static constexpr Node kOpen = Tree::kNone;
  Tree& tree_;
  std::unordered_map<id, Node> seen_;  // containers done (their node) or open (kOpen)
};

}  // namespace

objc::Result<objc::Ref> objectFromTree(const Tree& tree, Tree::Node node, Mutability mutability) {
  if (node >= tree.size()) return makeError("no value");
  return ToObjects(tree, mutability).convert(node, 0);
}

objc::Result<Tree::Node> treeFromObject(Tree& tree, id object) { return FromObjects(tree).convert(object, 0); }

}  // namespace ns::plist
