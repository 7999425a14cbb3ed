// Objects of classes the platform does not model, as read from a keyed archive.  Such
// an object keeps what the archive said about it — its class dictionary and every
// field, in stored order, with references to the other objects decoded from the same
// archive — so that writing it back gives the same object, fields and references
// included.  This is what lets a program edit one entry of a system archive and write
// it back without losing the entries it does not understand.  The fields stay in the
// archive's own property list, shared by all its objects, so reading and writing a
// large archive copies none of them.
#pragma once

#include "PlistTree.h"

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
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

struct OpaqueContent;

// An archive as read: its property list, shared by every archived object read from
// it (they point into it rather than copying their fields), and the objects made for
// its leaves, made on first use and kept, so a leaf asked for twice is the same
// object.  A leaf is a plain value (a string, number or data stored as itself) or an
// object whose fields refer to nothing (a date, a string or data stored inline, an
// object of an unmodelled class holding only values); no leaf can hold an object
// that keeps this source, so keeping leaves here makes no cycle.  Everything else
// about it is pure data.
class ArchiveSource {
 public:
  enum class Shape : std::uint8_t { Other, Plain, Leaf };

  ArchiveSource(plist::Document document, std::span<const plist::Tree::Node> objects);
  ~ArchiveSource();
  ArchiveSource(const ArchiveSource&) = delete;
  ArchiveSource& operator=(const ArchiveSource&) = delete;

  const plist::Tree& tree() const { return document_.tree; }
  std::size_t count() const { return objects_.size(); }
  // The $objects entry of a UID (below count()).
  plist::Tree::Node entry(std::uint64_t uid) const { return objects_[uid]; }
  // What the entry of a UID is (Other for $null or a UID out of range); worked out on
  // first use, from any thread.
  Shape shape(std::uint64_t uid) const;
  bool isLeaf(std::uint64_t uid) const { return shape(uid) != Shape::Other; }
  // The UID of a Leaf object's class dictionary.
  std::uint64_t classOf(std::uint64_t uid) const;
  // The object for the leaf of a UID, made on first use; nil for anything else (or a
  // leaf that turns out malformed).
  id leaf(std::uint64_t uid);
  // The object already made for the leaf of a UID, or nil: nothing is made.
  id existingLeaf(std::uint64_t uid);

  // The class dictionary at a UID, copied once and shared by every object of that
  // class read from this archive; nullptr when it is malformed.
  std::shared_ptr<const ArchivedClass> archivedClass(std::uint64_t classUid);

 private:
  Shape shapeOf(plist::Tree::Node entry) const;
  bool refersToNothing(plist::Tree::Node value, int depth, std::size_t& budget) const;

  plist::Document document_;
  std::vector<plist::Tree::Node> objects_;
  mutable std::unique_ptr<std::atomic<std::uint8_t>[]> shapes_;  // Shape + 1, 0 while unknown
  std::mutex lock_;
  std::vector<objc::Ref> leaves_;  // by UID, made on first use
  std::unordered_map<std::uint64_t, std::shared_ptr<const ArchivedClass>> classes_;
};

// The content of an archived object for the Leaf object at a UID, with its fields
// copied into a source of its own (so that a source keeping the object is not kept
// by it); nullptr when its class is malformed.
std::unique_ptr<OpaqueContent> detachedContent(ArchiveSource& source, std::uint64_t uid);

// Makes the object for a leaf of a source (KeyedUnarchiver.cpp); an error for a
// malformed one.
objc::Result<objc::Ref> makeLeaf(ArchiveSource& source, std::uint64_t uid);

// Checks a leaf the way decoding it would, without making it.
objc::Status checkLeaf(ArchiveSource& source, std::uint64_t uid);

struct OpaqueContent {
  std::shared_ptr<const ArchivedClass> cls;
  std::shared_ptr<ArchiveSource> source;
  // The object's dictionary in the source's tree: every field, $class included, with
  // references as the archive stored them (UID nodes, or {CF$UID} in XML archives).
  plist::Tree::Node entry = plist::Tree::kNone;
  // The objects the fields refer to, other than leaves, sorted by UID; leaves come
  // from the source on demand.
  std::vector<std::pair<std::uint64_t, objc::Ref>> references;

  const plist::Tree& tree() const { return source->tree(); }
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
