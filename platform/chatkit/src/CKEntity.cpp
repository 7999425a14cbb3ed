// CKEntity: a person one talks to, named by an address (phone number or e-mail).
#include "ChatKitInternal.h"

#include <foundation/NSString.h>

using objc::sel;
using objc::send;

namespace {

struct CKEntityIvars : NSObjectIvars {
  id _rawAddress;
  id _canonicalAddress;
  id rawAddress() { return _rawAddress; }
  id canonicalAddress() { return _canonicalAddress; }
};

// With no address book, an entity's name is its address as given.
id entityName(id self, SEL) { return objc::ivars<CKEntityIvars>(self)->_rawAddress; }

// Answers an entity owned by the caller (the "copy" rule), or nil for no address.
id entityCopyForAddress(id, SEL, id address) {
  if (address == nil || ns::utf8(address).empty()) return nil;
  return ck::detail::newEntity(ns::utf8(address));
}

id entityDescription(id self, SEL) {
  return ns::format("<CKEntity: %p; address = %s>", static_cast<void*>(self),
                    ns::utf8(objc::ivars<CKEntityIvars>(self)->_rawAddress).c_str());
}

void entityDealloc(id self, SEL cmd) {
  auto* e = objc::ivars<CKEntityIvars>(self);
  objc::release(e->_rawAddress);
  objc::release(e->_canonicalAddress);
  e->_rawAddress = e->_canonicalAddress = nil;
  objc::sendSuper<void>(self, ck::CKEntityClass(), cmd);
}

Class registerEntity() {
  return objc::ClassBuilder<CKEntityIvars>("CKEntity", objc::NSObjectClass())
      .ivar<&CKEntityIvars::_rawAddress>("_rawAddress")
      .ivar<&CKEntityIvars::_canonicalAddress>("_canonicalAddress")
      .method<&CKEntityIvars::rawAddress>("rawAddress")
      .method<&CKEntityIvars::canonicalAddress>("canonicalAddress")
      .method<&entityName>("name")
      .method<&entityDescription>("description")
      .method<&entityDealloc>("dealloc")
      .classMethod<&entityCopyForAddress>("copyEntityForAddressString:")
      .registerClass();
}

}  // namespace

namespace ck {

Class CKEntityClass() {
  static const Class cls = registerEntity();
  return cls;
}

namespace detail {

id newEntity(const std::string& address) {
  objc::AutoreleasePool pool;
  id entity = objc::allocInit(CKEntityClass());
  auto* e = objc::ivars<CKEntityIvars>(entity);
  e->_rawAddress = objc::retain(ns::str(address));
  e->_canonicalAddress = objc::retain(ns::str(canonicalAddress(address)));
  return entity;
}

}  // namespace detail
}  // namespace ck
