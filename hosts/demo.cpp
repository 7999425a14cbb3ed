// The main job until the home-screen host runs its scenarios: a short tour of the
// platform stand-in on a fresh device root.  It writes the tweak's options file and
// reads it back, archives a push store, removes one entry as the tweak does and
// writes it back, and prints what happened.
#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/Foundation.h>
#include <objcface/NSObject.h>

#include <cstdio>
#include <filesystem>
#include <string>

using objc::send;
using objc::sel;

namespace {

id str(const char* text) { return ns::str(text); }
Class cls(const char* name) { return objc::classNamed(name); }

}  // namespace

int main(int argc, char** argv) {
  objc::AutoreleasePool pool;
  std::filesystem::path root = argc > 1 ? argv[1] : "build/default/demo-root";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  ns::setDeviceRoot(root);
  std::printf("device root: %s\n", ns::deviceRoot().c_str());

  id manager = send<id>(cls("NSFileManager"), sel<"defaultManager">());
  for (const char* folder : {"/var/mobile/Library/Preferences", "/var/mobile/Library/SpringBoard/PushStore"})
    send<BOOL>(manager, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(), str(folder),
               BOOL{YES}, id{nil}, static_cast<id*>(nullptr));

  // The options file, as the settings pane writes it.
  id optionsPath = str("/var/mobile/Library/Preferences/com.trelmo.noctil.plist");
  id options = send<id>(cls("NSMutableDictionary"), sel<"dictionary">());
  send<void>(options, sel<"setObject:forKey:">(), send<id>(cls("NSNumber"), sel<"numberWithBool:">(), BOOL{YES}),
             str("BGSettingsEnabled"));
  send<void>(options, sel<"setObject:forKey:">(), send<id>(cls("NSNumber"), sel<"numberWithDouble:">(), 12.5),
             str("BlurValue"));
  send<void>(options, sel<"setObject:forKey:">(), str("hotpink"), str("ColorTint"));
  BOOL written = send<BOOL>(options, sel<"writeToFile:atomically:">(), optionsPath, BOOL{YES});
  id readBack = send<id>(cls("NSDictionary"), sel<"dictionaryWithContentsOfFile:">(), optionsPath);
  std::printf("options written: %s; read back: %s\n", written ? "YES" : "NO", ns::describe(readBack).c_str());

  // A push store of three notifications, two with the same message.
  id storePath = str("/var/mobile/Library/SpringBoard/PushStore/com.example.app.pushstore");
  id store = send<id>(cls("NSMutableArray"), sel<"array">());
  for (const char* message : {"Lunch?", "Meeting moved", "Lunch?"}) {
    id entry = send<id>(cls("NSMutableDictionary"), sel<"dictionary">());
    send<void>(entry, sel<"setObject:forKey:">(), str(message), str("AppNotificationMessage"));
    send<void>(entry, sel<"setObject:forKey:">(), send<id>(cls("NSDate"), sel<"date">()), str("AppNotificationCreationDate"));
    send<void>(store, sel<"addObject:">(), entry);
  }
  send<BOOL>(cls("NSKeyedArchiver"), sel<"archiveRootObject:toFile:">(), store, storePath);

  // Remove the first entry whose message matches, and write the archive back.
  id list = send<id>(send<id>(cls("NSKeyedUnarchiver"), sel<"unarchiveObjectWithFile:">(), storePath), sel<"mutableCopy">());
  NSUInteger before = send<NSUInteger>(list, sel<"count">());
  for (NSUInteger i = 0; i < before; ++i) {
    id entry = send<id>(list, sel<"objectAtIndex:">(), i);
    id message = send<id>(entry, sel<"objectForKey:">(), str("AppNotificationMessage"));
    if (send<BOOL>(message, sel<"isEqualToString:">(), str("Meeting moved"))) {
      send<void>(list, sel<"removeObjectAtIndex:">(), i);
      break;
    }
  }
  send<BOOL>(cls("NSKeyedArchiver"), sel<"archiveRootObject:toFile:">(), list, storePath);
  id edited = send<id>(cls("NSKeyedUnarchiver"), sel<"unarchiveObjectWithFile:">(), storePath);
  std::printf("push store: %lu entries before the edit, %lu after\n", static_cast<unsigned long>(before),
              static_cast<unsigned long>(send<NSUInteger>(edited, sel<"count">())));
  objc::release(list);
  return readBack != nil && send<NSUInteger>(edited, sel<"count">()) == before - 1 ? 0 : 1;
}
