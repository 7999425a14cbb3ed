// Objects of classes the platform does not model, as read from a keyed archive.  Such
// an object keeps what the archive said about it — its class dictionary and every
// field, in stored order, with references to the other objects decoded from the same
// archive — so that writing it back gives the same object, fields and references
// included.  This is what lets a program edit one entry of a system archive and write
// it back without losing the entries it does not understand.
#pragma once

#include "PlistTree.h"

#include <objcface/NSObject.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ns::archive {

// The class dictionary of archived objects ($classname, $classes and any other
// entries), shared by every object of that class read from one archive.
struct ArchivedClass {
  plist::Tree tree;
  plist::Tree::Node info = plist::Tree::kNone;
  std::string name;
};

struct OpaqueContent {
  std::shared_ptr<const ArchivedClass> cls;
  plist::Tree tree;
  plist::Tree::Node fields = plist::Tree::kNone;  // every entry but $class; references as UID nodes
  // The object each UID of the fields stood for in the archive it came from, sorted by
  // UID; UID 0 ($null) stands for nil.
  std::vector<std::pair<std::uint64_t, objc::Ref>> references;

  // The object a UID of the fields refers to (nil for $null or an unknown UID).
  id referenced(std::uint64_t uid) const;
};

// The runtime class of such objects, "NSArchivedObject".
Class archivedObjectClass();

// A new object (+1) owning `content`.
id newArchivedObject(std::unique_ptr<OpaqueContent> content);

// The content of an archived object; nullptr for anything else.
const OpaqueContent* contentOf(id object);

}  // namespace ns::archive
