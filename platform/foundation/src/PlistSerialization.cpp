// NSPropertyListSerialization, the property-list file methods of NSDictionary and
// NSArray (added to those classes when this library loads), and their C++ face.
#include "BinaryPlistReader.h"
#include "PlistDocument.h"
#include "PlistObjects.h"

#include <foundation/Foundation.h>
#include <foundation/Plist.h>

namespace ns {
namespace {

using objc::makeError;
using objc::Ref;

plist::Mutability mutabilityOf(NSPropertyListMutabilityOptions options) {
  switch (options & 3) {
    case NSPropertyListMutableContainers:
      return plist::Mutability::MutableContainers;
    case NSPropertyListMutableContainersAndLeaves:
      return plist::Mutability::MutableContainersAndLeaves;
    default:
      return plist::Mutability::Immutable;
  }
}

std::string_view asChars(std::span<const std::uint8_t> bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Adds a method to a class registered elsewhere, as an Objective-C category does.
template <auto Fn>
void addInstanceMethod(Class cls, const char* selector) {
  objc::detail::addMethod(cls, selector, objc::detail::MethodTraits<Fn>::imp(), objc::detail::MethodTraits<Fn>::types());
}
template <auto Fn>
void addClassMethod(Class cls, const char* selector) {
  addInstanceMethod<Fn>(object_getClass(reinterpret_cast<id>(cls)), selector);
}

bool isSubclass(id cls, Class of) {
  for (Class c = reinterpret_cast<Class>(cls); c != Nil; c = class_getSuperclass(c))
    if (c == of) return true;
  return false;
}

// The root object of a property-list file, when it is a dictionary (or an array)
// and the file reads; otherwise an error.  Made mutable throughout when the receiver
// is the mutable class, as the mutable classes' readers answer.
objc::Result<Ref> readRoot(id path, bool wantDictionary, bool mutableContainers) {
  if (!ns::isString(path)) return makeError("no path");
  auto root = readPropertyListFile(ns::utf8View(path),
                                   mutableContainers ? NSPropertyListMutableContainers : NSPropertyListImmutable);
  if (!root.ok()) return root;
  if (wantDictionary ? !ns::isDictionary(root.value()) : !ns::isArray(root.value()))
    return makeError("the file's root is of another kind");
  return root;
}

// [cls dictionaryWithContentsOfFile:] / [cls arrayWithContentsOfFile:]
id classWithContentsOfFile(id self, id path, bool dictionary) {
  Class plain = dictionary ? ns::NSDictionaryClass() : ns::NSArrayClass();
  Class mutableClass = dictionary ? ns::NSMutableDictionaryClass() : ns::NSMutableArrayClass();
  auto root = readRoot(path, dictionary, isSubclass(self, mutableClass));
  if (!root.ok()) return nil;
  Class receiver = reinterpret_cast<Class>(self);
  if (receiver == plain || receiver == mutableClass) return objc::autorelease(root.value().leak());
  // A subclass gets an instance of its own class holding the contents.
  id made = objc::send<id>(self, objc::sel<"alloc">());
  made = dictionary ? objc::send<id>(made, objc::sel<"initWithDictionary:">(), root.value().get())
                    : objc::send<id>(made, objc::sel<"initWithArray:">(), root.value().get());
  return objc::autorelease(made);
}

id dictionaryWithContentsOfFile(id self, SEL, id path) { return classWithContentsOfFile(self, path, true); }
id arrayWithContentsOfFile(id self, SEL, id path) { return classWithContentsOfFile(self, path, false); }

// [[cls alloc] initWithContentsOfFile:] — a failure releases the new object.
id initWithContentsOfFile(id self, id path, bool dictionary) {
  Class mutableClass = dictionary ? ns::NSMutableDictionaryClass() : ns::NSMutableArrayClass();
  auto root = readRoot(path, dictionary, ns::isKind(self, mutableClass));
  if (!root.ok()) {
    objc::release(self);
    return nil;
  }
  return dictionary ? objc::send<id>(self, objc::sel<"initWithDictionary:">(), root.value().get())
                    : objc::send<id>(self, objc::sel<"initWithArray:">(), root.value().get());
}

id dictionaryInitWithContentsOfFile(id self, SEL, id path) { return initWithContentsOfFile(self, path, true); }
id arrayInitWithContentsOfFile(id self, SEL, id path) { return initWithContentsOfFile(self, path, false); }

// -writeToFile:atomically: writes XML.  Every write is atomic on this platform, so the
// flag changes nothing.
BOOL writeToFileAtomically(id self, SEL, id path, BOOL) {
  if (!ns::isString(path)) return NO;
  return writePropertyListFile(self, ns::utf8View(path)).ok() ? YES : NO;
}

id clsDataWithPropertyList(id, SEL, id plist, NSPropertyListFormat format, NSPropertyListWriteOptions, id* error) {
  auto bytes = dataFromPropertyList(plist, format);
  if (!bytes.ok()) {
    ns::setError(error, NSCocoaErrorDomain, NSPropertyListWriteInvalidError, bytes.error().message);
    return nil;
  }
  return ns::data(bytes.value());
}

id clsPropertyListWithData(id, SEL, id data, NSPropertyListReadOptions options, NSPropertyListFormat* format,
                           id* error) {
  if (!ns::isData(data)) {
    ns::setError(error, NSCocoaErrorDomain, NSPropertyListReadCorruptError, "no data");
    return nil;
  }
  auto root = propertyListFromData(ns::bytesOf(data), options, format);
  if (!root.ok()) {
    ns::setError(error, NSCocoaErrorDomain, NSPropertyListReadCorruptError, root.error().message);
    return nil;
  }
  return objc::autorelease(root.value().leak());
}

// The older forms, which report a failure as a string.
id clsDataFromPropertyList(id, SEL, id plist, NSPropertyListFormat format, id* errorString) {
  auto bytes = dataFromPropertyList(plist, format);
  if (!bytes.ok()) {
    if (errorString) *errorString = ns::str(bytes.error().message);
    return nil;
  }
  return ns::data(bytes.value());
}

id clsPropertyListFromData(id, SEL, id data, NSPropertyListMutabilityOptions options, NSPropertyListFormat* format,
                           id* errorString) {
  auto root = ns::isData(data) ? propertyListFromData(ns::bytesOf(data), options, format)
                               : objc::Result<Ref>(makeError("no data"));
  if (!root.ok()) {
    if (errorString) *errorString = ns::str(root.error().message);
    return nil;
  }
  return objc::autorelease(root.value().leak());
}

BOOL clsIsValidForFormat(id, SEL, id plist, NSPropertyListFormat format) {
  if (format != NSPropertyListXMLFormat_v1_0 && format != NSPropertyListBinaryFormat_v1_0) return NO;
  plist::Tree tree;
  return plist::treeFromObject(tree, plist).ok() ? YES : NO;
}

Class registerSerialization() {
  Class cls = objc::ClassBuilder<NSObjectIvars>("NSPropertyListSerialization", objc::NSObjectClass())
                  .classMethod<&clsDataWithPropertyList>("dataWithPropertyList:format:options:error:")
                  .classMethod<&clsPropertyListWithData>("propertyListWithData:options:format:error:")
                  .classMethod<&clsDataFromPropertyList>("dataFromPropertyList:format:errorDescription:")
                  .classMethod<&clsPropertyListFromData>("propertyListFromData:mutabilityOption:format:errorDescription:")
                  .classMethod<&clsIsValidForFormat>("propertyList:isValidForFormat:")
                  .registerClass();
  addClassMethod<&dictionaryWithContentsOfFile>(ns::NSDictionaryClass(), "dictionaryWithContentsOfFile:");
  addInstanceMethod<&dictionaryInitWithContentsOfFile>(ns::NSDictionaryClass(), "initWithContentsOfFile:");
  addInstanceMethod<&writeToFileAtomically>(ns::NSDictionaryClass(), "writeToFile:atomically:");
  addClassMethod<&arrayWithContentsOfFile>(ns::NSArrayClass(), "arrayWithContentsOfFile:");
  addInstanceMethod<&arrayInitWithContentsOfFile>(ns::NSArrayClass(), "initWithContentsOfFile:");
  addInstanceMethod<&writeToFileAtomically>(ns::NSArrayClass(), "writeToFile:atomically:");
  return cls;
}

[[maybe_unused]] const Class kRegisteredAtLoad = NSPropertyListSerializationClass();

}  // namespace

Class NSPropertyListSerializationClass() {
  static const Class cls = registerSerialization();
  return cls;
}

objc::Result<objc::Ref> propertyListFromData(std::span<const std::uint8_t> bytes,
                                             NSPropertyListMutabilityOptions options, NSPropertyListFormat* format) {
  // The common case, an immutable read of a binary file, is made without a tree.
  if (mutabilityOf(options) == plist::Mutability::Immutable && plist::looksBinary(asChars(bytes))) {
    if (format) *format = NSPropertyListBinaryFormat_v1_0;
    return plist::readBinaryObjects(asChars(bytes));
  }
  plist::Format found;
  auto doc = plist::readDocument(asChars(bytes), &found);
  if (!doc.ok()) return doc.error();
  if (format) *format = found == plist::Format::Binary ? NSPropertyListBinaryFormat_v1_0 : NSPropertyListXMLFormat_v1_0;
  return plist::objectFromTree(doc.value().tree, doc.value().root, mutabilityOf(options));
}

objc::Result<std::vector<std::uint8_t>> dataFromPropertyList(id plist, NSPropertyListFormat format) {
  if (format != NSPropertyListXMLFormat_v1_0 && format != NSPropertyListBinaryFormat_v1_0)
    return makeError("property lists are written as XML or binary");
  plist::Tree tree;
  auto root = plist::treeFromObject(tree, plist);
  if (!root.ok()) return root.error();
  auto bytes = plist::writeDocument(
      tree, root.value(), format == NSPropertyListBinaryFormat_v1_0 ? plist::Format::Binary : plist::Format::Xml);
  if (!bytes.ok()) return bytes.error();
  return std::vector<std::uint8_t>(bytes.value().begin(), bytes.value().end());
}

objc::Result<objc::Ref> readPropertyListFile(std::string_view devicePath, NSPropertyListMutabilityOptions options) {
  std::uint8_t buffer[16384];
  std::vector<std::uint8_t> spill;
  auto bytes = ns::readFileInto(devicePath, buffer, spill);
  if (!bytes.ok()) return bytes.error();
  return propertyListFromData(bytes.value(), options);
}

objc::Status writePropertyListFile(id plist, std::string_view devicePath, NSPropertyListFormat format) {
  auto bytes = dataFromPropertyList(plist, format);
  if (!bytes.ok()) return bytes.error();
  return ns::writeFileAtomically(devicePath, bytes.value());
}

}  // namespace ns
