// NSMutableString's edits.  Every edit is a byte replacement in the owned buffer;
// the UTF-16 length is kept up to date and the cached hash dropped.
#include "StringStorage.h"

#include "Fatal.h"
#include "Methods.h"

namespace ns {
namespace {

using namespace detail;

std::string_view requireString(id self, SEL cmd, id argument) {
  if (!isStringObject(argument)) raiseNilArgument(self, cmd);
  return stringView(argument);
}

void appendString(id self, SEL cmd, id other) {
  replaceBytes(self, stringIvars(self)->_byteLength, 0, requireString(self, cmd, other));
}

void setString(id self, SEL cmd, id other) {
  replaceBytes(self, 0, stringIvars(self)->_byteLength, requireString(self, cmd, other));
}

void insertStringAtIndex(id self, SEL cmd, id other, NSUInteger index) {
  std::string_view text = requireString(self, cmd, other);
  ByteRange at = checkedByteRange(self, cmd, {index, 0});
  replaceBytes(self, at.start, 0, text);
}

void deleteCharactersInRange(id self, SEL cmd, NSRange range) {
  ByteRange r = checkedByteRange(self, cmd, range);
  replaceBytes(self, r.start, r.count, {});
}

void replaceCharactersInRange(id self, SEL cmd, NSRange range, id other) {
  std::string_view text = requireString(self, cmd, other);
  ByteRange r = checkedByteRange(self, cmd, range);
  replaceBytes(self, r.start, r.count, text);
}

id initWithCapacity(id self, SEL, NSUInteger) {
  assignString(self, {}, {true, true, 0});
  return self;
}

id classStringWithCapacity(id self, SEL cmd, NSUInteger capacity) {
  return objc::autorelease(initWithCapacity(class_createInstance(asClass(self), 0), cmd, capacity));
}

}  // namespace

namespace detail {

void registerMutableStringMethods(Class mutableString) {
  addMethod<&appendString>(mutableString, "appendString:");
  addMethod<&setString>(mutableString, "setString:");
  addMethod<&insertStringAtIndex>(mutableString, "insertString:atIndex:");
  addMethod<&deleteCharactersInRange>(mutableString, "deleteCharactersInRange:");
  addMethod<&replaceCharactersInRange>(mutableString, "replaceCharactersInRange:withString:");
  addMethod<&initWithCapacity>(mutableString, "initWithCapacity:");
  addClassMethod<&classStringWithCapacity>(mutableString, "stringWithCapacity:");
}

}  // namespace detail
}  // namespace ns
