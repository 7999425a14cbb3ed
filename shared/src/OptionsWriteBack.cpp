#include <noctil/OptionsWriteBack.h>

#include <objcface/NSObject.h>

namespace noctil {
namespace {

using objc::sel;

// Property-list formats, as NSPropertyListSerialization names them.
constexpr NSUInteger kXMLFormat = 100;
constexpr NSUInteger kBinaryFormat = 200;

id nsString(const char* utf8) {
  return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), utf8);
}

id serialize(id root, NSUInteger format) {
  return objc::send<id>(objc_lookUpClass("NSPropertyListSerialization"),
                        sel<"dataWithPropertyList:format:options:error:">(), root, format, NSUInteger{0},
                        static_cast<id*>(nullptr));
}

}  // namespace

bool storeOptionValue(const char* path, const char* key, id value) {
  objc::AutoreleasePool pool;
  id file = nsString(path);
  id data = objc::send<id>(objc_lookUpClass("NSData"), sel<"dataWithContentsOfFile:">(), file);
  if (data == nil) return false;
  NSUInteger format = kXMLFormat;
  id root = objc::send<id>(objc_lookUpClass("NSPropertyListSerialization"),
                           sel<"propertyListWithData:options:format:error:">(), data, NSUInteger{0}, &format,
                           static_cast<id*>(nullptr));
  Class dictionary = objc_lookUpClass("NSDictionary");
  if (root == nil || !objc::send<BOOL>(root, sel<"isKindOfClass:">(), dictionary)) return false;
  id options = objc::autorelease(objc::send<id>(root, sel<"mutableCopy">()));
  if (value != nil)
    objc::send<void>(options, sel<"setObject:forKey:">(), value, nsString(key));
  else
    objc::send<void>(options, sel<"removeObjectForKey:">(), nsString(key));
  id bytes = serialize(options, kXMLFormat);
  if (bytes == nil && format == kBinaryFormat) bytes = serialize(options, kBinaryFormat);
  return bytes != nil && objc::send<BOOL>(bytes, sel<"writeToFile:atomically:">(), file, BOOL{YES});
}

}  // namespace noctil
