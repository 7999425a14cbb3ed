// NSError: domain, code and user info; the localized description comes from the
// user info's NSLocalizedDescription entry, else a generic sentence as on iOS.
#include <foundation/NSDictionary.h>
#include <foundation/NSError.h>
#include <foundation/NSString.h>

#include "Methods.h"
#include "StringStorage.h"

namespace ns {
namespace {

struct NSErrorIvars : NSObjectIvars {
  id _domain;
  NSInteger _code;
  id _userInfo;
};

NSErrorIvars* errorIvars(id e) { return reinterpret_cast<NSErrorIvars*>(e); }

id errorInit(id self, SEL, id domain, NSInteger code, id userInfo) {
  auto* v = errorIvars(self);
  v->_domain = objc::send<id>(domain, objc::sel<"copy">());
  v->_code = code;
  v->_userInfo = objc::send<id>(userInfo, objc::sel<"copy">());
  return self;
}

id errorClassWith(id self, SEL cmd, id domain, NSInteger code, id userInfo) {
  id e = class_createInstance(detail::asClass(self), 0);
  return objc::autorelease(errorInit(e, cmd, domain, code, userInfo));
}

void errorDealloc(id self, SEL cmd) {
  objc::release(errorIvars(self)->_domain);
  objc::release(errorIvars(self)->_userInfo);
  objc::sendSuper<void>(self, NSErrorClass(), cmd);
}

id errorDomain(id self, SEL) { return errorIvars(self)->_domain; }
NSInteger errorCode(id self, SEL) { return errorIvars(self)->_code; }
id errorUserInfo(id self, SEL) {
  id info = errorIvars(self)->_userInfo;
  return info ? info : dictionary({});
}

id errorLocalizedDescription(id self, SEL) {
  auto* v = errorIvars(self);
  id text = objc::send<id>(v->_userInfo, objc::sel<"objectForKey:">(), str("NSLocalizedDescription"));
  if (text != nil) return text;
  return format("The operation couldn\u2019t be completed. (%s error %ld.)", utf8(v->_domain).c_str(), v->_code);
}

id errorDescription(id self, SEL) {
  auto* v = errorIvars(self);
  return format("Error Domain=%s Code=%ld \"%s\"", utf8(v->_domain).c_str(), v->_code,
                utf8(errorLocalizedDescription(self, nullptr)).c_str());
}

Class registerNSError() {
  return objc::ClassBuilder<NSErrorIvars>("NSError", objc::NSObjectClass())
      .ivar<&NSErrorIvars::_domain>("_domain")
      .ivar<&NSErrorIvars::_code>("_code")
      .ivar<&NSErrorIvars::_userInfo>("_userInfo")
      .method<&errorInit>("initWithDomain:code:userInfo:")
      .method<&errorDealloc>("dealloc")
      .method<&errorDomain>("domain")
      .method<&errorCode>("code")
      .method<&errorUserInfo>("userInfo")
      .method<&errorLocalizedDescription>("localizedDescription")
      .method<&errorDescription>("description")
      .classMethod<&errorClassWith>("errorWithDomain:code:userInfo:")
      .registerClass();
}

}  // namespace

Class NSErrorClass() {
  static const Class cls = registerNSError();
  return cls;
}

[[maybe_unused]] static const Class kNSErrorAtLoad = NSErrorClass();

id makeNSError(std::string_view domain, NSInteger code, std::string_view description) {
  id info = description.empty() ? nil : dictionary({{str("NSLocalizedDescription"), str(description)}});
  id e = class_createInstance(NSErrorClass(), 0);
  errorInit(e, nullptr, str(domain), code, info);
  return objc::autorelease(e);
}

void setError(id* out, std::string_view domain, NSInteger code, std::string_view description) {
  if (out != nullptr) *out = makeNSError(domain, code, description);
}

}  // namespace ns
