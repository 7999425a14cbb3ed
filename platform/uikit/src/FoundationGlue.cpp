#include "FoundationGlue.h"

#include <objcface/Send.h>

namespace uikit::detail {

using objc::send;
using objc::sel;

namespace {

Class required(const char* name) {
  Class cls = objc::classNamed(name);
  if (cls == Nil) {
    std::fprintf(stderr, "*** UIKit needs the Foundation class %s, which is not loaded\n", name);
    std::abort();
  }
  return cls;
}

}  // namespace

id makeNSString(std::string_view utf8) {
  std::string text(utf8);
  return send<id>(required("NSString"), sel<"stringWithUTF8String:">(), static_cast<const char*>(text.c_str()));
}

std::string toStd(id string) {
  if (string == nil) return {};
  const char* text = send<const char*>(string, sel<"UTF8String">());
  return text ? std::string(text) : std::string();
}

bool stringsEqual(id a, id b) {
  if (a == b) return true;
  if (a == nil || b == nil) return false;
  return send<BOOL>(a, sel<"isEqual:">(), b) != NO;
}

id copyString(id string) { return string ? send<id>(string, sel<"copy">()) : nil; }

id makeNSArray(std::span<const id> objects) {
  return send<id>(required("NSArray"), sel<"arrayWithObjects:count:">(), objects.data(),
                  static_cast<NSUInteger>(objects.size()));
}

std::vector<id> arrayElements(id array) {
  std::vector<id> out;
  if (array == nil) return out;
  NSUInteger count = send<NSUInteger>(array, sel<"count">());
  out.reserve(count);
  for (NSUInteger i = 0; i < count; ++i) out.push_back(send<id>(array, sel<"objectAtIndex:">(), i));
  return out;
}

id copyArray(id array) { return array ? send<id>(array, sel<"copy">()) : nil; }

id makeNSSet(std::span<const id> objects) {
  return send<id>(required("NSSet"), sel<"setWithArray:">(), makeNSArray(objects));
}

std::vector<id> setElements(id set) {
  if (set == nil) return {};
  return arrayElements(send<id>(set, sel<"allObjects">()));
}

id makeIndexPath(NSInteger section, NSInteger row) {
  return send<id>(required("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, section);
}

NSInteger indexPathSection(id indexPath) { return send<NSInteger>(indexPath, sel<"section">()); }
NSInteger indexPathRow(id indexPath) { return send<NSInteger>(indexPath, sel<"row">()); }

std::vector<NSUInteger> indexSetIndexes(id indexSet) {
  std::vector<NSUInteger> out;
  if (indexSet == nil) return out;
  for (NSUInteger i = send<NSUInteger>(indexSet, sel<"firstIndex">()); i != static_cast<NSUInteger>(NSNotFound);
       i = send<NSUInteger>(indexSet, sel<"indexGreaterThanIndex:">(), i))
    out.push_back(i);
  return out;
}

id makeNSNumberBool(bool value) {
  return send<id>(required("NSNumber"), sel<"numberWithBool:">(), static_cast<BOOL>(value ? YES : NO));
}

id makeNSNumberDouble(double value) { return send<id>(required("NSNumber"), sel<"numberWithDouble:">(), value); }

double numberDouble(id number) { return send<double>(number, sel<"doubleValue">()); }

bool isKindOfClass(id object, Class cls) {
  if (object == nil || cls == Nil) return false;
  for (Class c = object_getClass(object); c != Nil; c = class_getSuperclass(c))
    if (c == cls) return true;
  return false;
}

bool isKindOfClassNamed(id object, const char* className) { return isKindOfClass(object, objc::classNamed(className)); }

}  // namespace uikit::detail
