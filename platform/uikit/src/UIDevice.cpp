#include <uikit/UIApplication.h>
#include <uikit/UIDevice.h>

#include "FoundationGlue.h"

#include <objcface/Send.h>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

std::string& version() {
  static std::string v = "7.0";
  return v;
}
NSInteger gIdiom = UIUserInterfaceIdiomPhone;

id deviceCurrent(id, SEL) {
  static objc::Ref device = objc::Ref::adopt(objc::allocInit(UIDeviceClass()));
  return device.get();
}
id deviceSystemVersion(id, SEL) { return detail::makeNSString(version()); }
id deviceSystemName(id, SEL) { return detail::makeNSString("iPhone OS"); }
id deviceModel(id, SEL) { return detail::makeNSString(gIdiom == UIUserInterfaceIdiomPad ? "iPad" : "iPhone"); }
id deviceName(id self, SEL) { return deviceModel(self, nullptr); }
NSInteger deviceIdiom(id, SEL) { return gIdiom; }
NSInteger deviceOrientation(id, SEL) {
  return send<NSInteger>(sharedApplication(), sel<"statusBarOrientation">());
}

}  // namespace

Class UIDeviceClass() {
  static const Class cls = objc::ClassBuilder<UIDeviceIvars>("UIDevice", objc::NSObjectClass())
                               .classMethod<&deviceCurrent>("currentDevice")
                               .method<&deviceSystemVersion>("systemVersion")
                               .method<&deviceSystemName>("systemName")
                               .method<&deviceModel>("model")
                               .method<&deviceModel>("localizedModel")
                               .method<&deviceName>("name")
                               .method<&deviceIdiom>("userInterfaceIdiom")
                               .method<&deviceOrientation>("orientation")
                               .registerClass();
  return cls;
}

void setSystemVersion(const std::string& v) { version() = v; }
std::string systemVersion() { return version(); }
void setUserInterfaceIdiom(NSInteger idiom) { gIdiom = idiom; }
NSInteger userInterfaceIdiom() { return gIdiom; }

[[maybe_unused]] static const Class kUIDeviceAtLoad = UIDeviceClass();

}  // namespace uikit
