#include <noctil/StoredNotifications.h>

#include <objcface/NSObject.h>

#include <cstring>

namespace noctil {
namespace {

using objc::sel;

BOOL isKindOf(id object, const char* className) {
  Class cls = objc_lookUpClass(className);
  if (object == nil || cls == Nil) return NO;
  return objc::send<BOOL>(object, sel<"isKindOfClass:">(), cls);
}

id nsString(const char* utf8) {
  return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), utf8);
}

BOOL fileExists(id path) {
  id manager = objc::send<id>(objc_lookUpClass("NSFileManager"), sel<"defaultManager">());
  return objc::send<BOOL>(manager, sel<"fileExistsAtPath:">(), path);
}

id unarchive(id path) {
  return objc::send<id>(objc_lookUpClass("NSKeyedUnarchiver"), sel<"unarchiveObjectWithFile:">(), path);
}

void archive(id root, id path) {
  objc::send<BOOL>(objc_lookUpClass("NSKeyedArchiver"), sel<"archiveRootObject:toFile:">(), root, path);
}

// A mutable version of a decoded container: the same object when it already is one.
id mutableVersion(id container, const char* mutableClassName) {
  if (isKindOf(container, mutableClassName)) return container;
  return objc::autorelease(objc::send<id>(container, sel<"mutableCopy">()));
}

// A section ID names a file of the push store folder; one that could leave the
// folder (a path separator, or "..") names none.
bool namesAPushStore(id sectionID) {
  if (!isKindOf(sectionID, "NSString")) return false;
  const char* name = objc::send<const char*>(sectionID, sel<"UTF8String">());
  return name != nullptr && *name != '\0' && std::strchr(name, '/') == nullptr && std::strcmp(name, "..") != 0;
}

id sendIfAnswered(id receiver, SEL selector) {
  return objc::responds(receiver, selector) ? objc::send<id>(receiver, selector) : nil;
}

}  // namespace

bool isStringEqualTo(id value, const char* text) {
  if (!isKindOf(value, "NSString")) return false;
  const char* utf8 = objc::send<const char*>(value, sel<"UTF8String">());
  return utf8 != nullptr && std::strcmp(utf8, text) == 0;
}

void removeFromMailArchive(id recordID) {
  objc::AutoreleasePool pool;
  id path = nsString(kMailArchivePath);
  if (recordID == nil || !fileExists(path)) return;
  id root = unarchive(path);
  // Anything but a dictionary at the root is not an archive this code understands;
  // it is left as it is.
  if (!isKindOf(root, "NSDictionary")) return;
  id newRoot = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionaryWithDictionary:">(), root);
  id bulletins = objc::send<id>(newRoot, sel<"objectForKey:">(), nsString("bulletins"));
  if (!isKindOf(bulletins, "NSDictionary")) return;
  if (objc::send<id>(bulletins, sel<"objectForKey:">(), recordID) == nil) return;
  bulletins = mutableVersion(bulletins, "NSMutableDictionary");
  objc::send<void>(bulletins, sel<"removeObjectForKey:">(), recordID);
  objc::send<void>(newRoot, sel<"setObject:forKey:">(), bulletins, nsString("bulletins"));
  archive(newRoot, path);
}

void removeFromPushStore(id sectionID, id message) {
  objc::AutoreleasePool pool;
  if (!namesAPushStore(sectionID)) return;
  id path = objc::sendVariadic<id>(objc_lookUpClass("NSString"), sel<"stringWithFormat:">(), nsString(kPushStoreFormat),
                                   sectionID);
  if (!fileExists(path)) return;
  id list = unarchive(path);
  if (!isKindOf(list, "NSArray")) return;
  list = mutableVersion(list, "NSMutableArray");
  const bool comparable = isKindOf(message, "NSString");
  const NSUInteger count = objc::send<NSUInteger>(list, sel<"count">());
  for (NSUInteger i = 0; comparable && i < count; ++i) {
    id entry = objc::send<id>(list, sel<"objectAtIndex:">(), i);
    if (!isKindOf(entry, "NSDictionary")) continue;
    id stored = objc::send<id>(entry, sel<"objectForKey:">(), nsString("AppNotificationMessage"));
    if (isKindOf(stored, "NSString") && objc::send<BOOL>(stored, sel<"isEqualToString:">(), message)) {
      // The entry is kept alive while the list lets go of every copy equal to it.
      objc::Ref keep = objc::Ref::retain(entry);
      objc::send<void>(list, sel<"removeObject:">(), entry);
      break;
    }
  }
  archive(list, path);
}

void removeStoredCopy(id notification) {
  if (notification == nil) return;
  id sectionID = sendIfAnswered(notification, sel<"sectionID">());
  if (sectionID == nil || isStringEqualTo(sectionID, kPhoneSection) || isStringEqualTo(sectionID, kMessagesSection)) return;
  if (isStringEqualTo(sectionID, kMailSection)) {
    removeFromMailArchive(sendIfAnswered(notification, sel<"recordID">()));
    return;
  }
  removeFromPushStore(sectionID, sendIfAnswered(notification, sel<"message">()));
}

}  // namespace noctil
