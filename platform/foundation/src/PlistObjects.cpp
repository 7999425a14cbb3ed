#include "PlistObjects.h"

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
        return Ref::retain(tree_.isBigUnsigned(node)
                               ? ns::numberWithUnsignedLongLong(static_cast<unsigned long long>(tree_.uidValue(node)))
                               : ns::numberWithLongLong(tree_.integerValue(node)));
      case Kind::Real:
        return Ref::retain(ns::numberWithDouble(tree_.realValue(node)));
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
    // Immutable containers the data shares are made once; the table is made on the
    // first container, so converting a single scalar costs nothing extra.
    if (!isMutable && memo_.empty()) memo_.resize(tree_.size());
    if (!memo_.empty() && memo_[node]) return memo_[node];
    Ref made;
    if (tree_.kind(node) == Kind::Array) {
      std::vector<Ref> items;
      std::vector<id> raw;
      items.reserve(tree_.count(node));
      for (Node item : tree_.items(node)) {
        auto child = convert(item, depth + 1);
        if (!child.ok()) return child;
        raw.push_back(child.value().get());
        items.push_back(std::move(child.value()));
      }
      made = Ref::retain(objc::send<id>(isMutable ? ns::NSMutableArrayClass() : ns::NSArrayClass(),
                                        objc::sel<"arrayWithObjects:count:">(), static_cast<const id*>(raw.data()),
                                        static_cast<NSUInteger>(raw.size())));
    } else {
      std::vector<Ref> held;
      std::vector<id> keys, values;
      auto ks = tree_.keys(node), vs = tree_.values(node);
      for (std::size_t i = 0; i < ks.size(); ++i) {
        auto key = convert(ks[i], depth + 1);
        if (!key.ok()) return key;
        auto value = convert(vs[i], depth + 1);
        if (!value.ok()) return value;
        keys.push_back(key.value().get());
        values.push_back(value.value().get());
        held.push_back(std::move(key.value()));
        held.push_back(std::move(value.value()));
      }
      made = Ref::retain(objc::send<id>(isMutable ? ns::NSMutableDictionaryClass() : ns::NSDictionaryClass(),
                                        objc::sel<"dictionaryWithObjects:forKeys:count:">(),
                                        static_cast<const id*>(values.data()), static_cast<const id*>(keys.data()),
                                        static_cast<NSUInteger>(keys.size())));
    }
    if (!made) return makeError("container could not be made");
    if (!memo_.empty()) memo_[node] = made;
    return made;
  }

  const Tree& tree_;
  Mutability mutability_;
  std::vector<Ref> memo_;
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
