#include <uikit/CAFilter.h>

#include "FoundationGlue.h"

#include <objcface/Send.h>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

CAFilterIvars* F(id filter) { return reinterpret_cast<CAFilterIvars*>(filter); }

id filterInitWithType(id self, SEL, id type) {
  if (type == nil || detail::toStd(type).empty()) {
    objc::release(self);
    return nil;
  }
  self = objc::sendSuper<id>(self, CAFilterClass(), sel<"init">());
  if (self == nil) return nil;
  F(self)->_type = detail::copyString(type);
  F(self)->_name = detail::copyString(type);
  F(self)->_values = objc::allocInit(objc::classNamed("NSMutableDictionary"));
  F(self)->_enabled = YES;
  return self;
}

id filterWithType(id self, SEL, id type) {
  id filter = send<id>(send<id>(self, sel<"alloc">()), sel<"initWithType:">(), type);
  return objc::autorelease(filter);
}

void filterDealloc(id self, SEL cmd) {
  objc::release(F(self)->_type);
  objc::release(F(self)->_name);
  objc::release(F(self)->_values);
  F(self)->_type = F(self)->_name = F(self)->_values = nil;
  objc::sendSuper<void>(self, CAFilterClass(), cmd);
}

id filterType(id self, SEL) { return F(self)->_type; }
id filterName(id self, SEL) { return F(self)->_name; }
void filterSetName(id self, SEL, id name) {
  id copy = detail::copyString(name);
  objc::release(F(self)->_name);
  F(self)->_name = copy;
}
BOOL filterEnabled(id self, SEL) { return F(self)->_enabled; }
void filterSetEnabled(id self, SEL, BOOL on) { F(self)->_enabled = on ? YES : NO; }

void filterSetValue(id self, SEL, id value, id key) {
  if (key == nil) return;
  std::string k = detail::toStd(key);
  if (k == "name") return filterSetName(self, nullptr, value);
  if (k == "enabled") return filterSetEnabled(self, nullptr, value ? send<BOOL>(value, sel<"boolValue">()) : NO);
  if (value == nil) send<void>(F(self)->_values, sel<"removeObjectForKey:">(), key);
  else send<void>(F(self)->_values, sel<"setObject:forKey:">(), value, key);
}

id filterValueForKey(id self, SEL, id key) {
  if (key == nil) return nil;
  std::string k = detail::toStd(key);
  if (k == "name") return F(self)->_name;
  if (k == "type") return F(self)->_type;
  if (k == "enabled") return detail::makeNSNumberBool(F(self)->_enabled);
  return send<id>(F(self)->_values, sel<"objectForKey:">(), key);
}

// The inputs a freshly made filter has on iOS.
void filterSetDefaults(id self, SEL) {
  if (detail::toStd(F(self)->_type) == kCAFilterGaussianBlur) {
    send<void>(F(self)->_values, sel<"setObject:forKey:">(), detail::makeNSNumberDouble(10.0),
               detail::makeNSString("inputRadius"));
  }
}

id filterDescription(id self, SEL) {
  std::string text = objc::defaultDescription(self);
  text.pop_back();
  text += "; name = " + detail::toStd(F(self)->_name) + "; type = " + detail::toStd(F(self)->_type) + ">";
  return detail::makeNSString(text);
}

}  // namespace

Class CAFilterClass() {
  static const Class cls = objc::ClassBuilder<CAFilterIvars>("CAFilter", objc::NSObjectClass())
                               .ivar<&CAFilterIvars::_type>("_type")
                               .ivar<&CAFilterIvars::_name>("_name")
                               .ivar<&CAFilterIvars::_values>("_values")
                               .ivar<&CAFilterIvars::_enabled>("_enabled")
                               .method<&filterInitWithType>("initWithType:")
                               .method<&filterInitWithType>("initWithName:")
                               .classMethod<&filterWithType>("filterWithType:")
                               .classMethod<&filterWithType>("filterWithName:")
                               .method<&filterDealloc>("dealloc")
                               .method<&filterType>("type")
                               .method<&filterName>("name")
                               .method<&filterSetName>("setName:")
                               .method<&filterEnabled>("enabled")
                               .method<&filterEnabled>("isEnabled")
                               .method<&filterSetEnabled>("setEnabled:")
                               .method<&filterSetValue>("setValue:forKey:")
                               .method<&filterValueForKey>("valueForKey:")
                               .method<&filterSetDefaults>("setDefaults")
                               .method<&filterDescription>("description")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kCAFilterAtLoad = CAFilterClass();

}  // namespace uikit
