// Property-list values as objects and back: NSDictionary, NSArray, NSString, NSNumber
// (booleans, integers, reals), NSData and NSDate.  Both directions refuse what a
// property list cannot hold (a UID on the way in; NSNull, a non-string key or any
// other class on the way out), reference cycles, and nesting past kMaxNesting.
#pragma once

#include "PlistTree.h"

#include <objcface/NSObject.h>
#include <objcface/Result.h>

namespace ns::plist {

// How mutable the objects made from a property list are, as the values of
// NSPropertyListMutabilityOptions: immutable; containers mutable; containers and
// strings and data mutable.
enum class Mutability : unsigned { Immutable = 0, MutableContainers = 1, MutableContainersAndLeaves = 2 };

// The object form of a value.  Immutable results share one object for a container
// that the data shares; mutable ones get an object per place, within a budget (the
// number of values plus 100,000) that stops shared references from unfolding without
// bound.
objc::Result<objc::Ref> objectFromTree(const Tree& tree, Tree::Node node, Mutability mutability = Mutability::Immutable);

// The value form of an object graph, added to `tree`.  An object reached twice
// becomes one shared node.
objc::Result<Tree::Node> treeFromObject(Tree& tree, id object);

}  // namespace ns::plist
