// UIDevice: the device the process runs on.
//
// +currentDevice answers one shared object with systemVersion (default "7.0"),
// systemName ("iPhone OS"), model and localizedModel ("iPhone" or "iPad", following
// the idiom), name ("iPhone"), userInterfaceIdiom (0 phone, 1 pad; default phone) and
// orientation (the interface orientation as a device orientation).  A host sets
// the version and idiom from C++ before the libraries look.
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>

#include <string>

struct UIDeviceIvars : NSObjectIvars {};

namespace uikit {

Class UIDeviceClass();

void setSystemVersion(const std::string& version);
std::string systemVersion();
void setUserInterfaceIdiom(NSInteger idiom);
NSInteger userInterfaceIdiom();

}  // namespace uikit
