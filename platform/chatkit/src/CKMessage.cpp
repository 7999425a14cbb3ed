// CKMessage: one message of a conversation as loaded from the store.
#include "ChatKitInternal.h"

#include <foundation/Clock.h>
#include <foundation/NSString.h>

using ck::detail::CKMessageIvars;
using objc::sel;
using objc::send;

namespace {

NSInteger messageRowID(id self, SEL) { return objc::ivars<CKMessageIvars>(self)->_rowID; }
id messageGUID(id self, SEL) { return objc::ivars<CKMessageIvars>(self)->_guid; }
id messageText(id self, SEL) { return objc::ivars<CKMessageIvars>(self)->_text; }
id messageAddress(id self, SEL) { return objc::ivars<CKMessageIvars>(self)->_address; }
id messageDate(id self, SEL) { return objc::ivars<CKMessageIvars>(self)->_date; }
BOOL messageIsFromMe(id self, SEL) { return objc::ivars<CKMessageIvars>(self)->_isFromMe; }
BOOL messageIsRead(id self, SEL) { return objc::ivars<CKMessageIvars>(self)->_isRead; }

// Marks the message read in memory; the conversation's updateMessage: stores it.
void messageMarkAsRead(id self, SEL) {
  auto* m = objc::ivars<CKMessageIvars>(self);
  if (m->_isRead) return;
  m->_isRead = YES;
  m->_dateRead = ns::now();
}

id messageDescription(id self, SEL) {
  auto* m = objc::ivars<CKMessageIvars>(self);
  return ns::format("<CKMessage: %p; rowID = %ld; read = %s; text = %s>", static_cast<void*>(self), m->_rowID,
                    m->_isRead ? "YES" : "NO", ns::utf8(m->_text).c_str());
}

void messageDealloc(id self, SEL cmd) {
  auto* m = objc::ivars<CKMessageIvars>(self);
  for (id* slot : {&m->_guid, &m->_text, &m->_address, &m->_date}) {
    objc::release(*slot);
    *slot = nil;
  }
  objc::sendSuper<void>(self, ck::CKMessageClass(), cmd);
}

Class registerMessage() {
  return objc::ClassBuilder<CKMessageIvars>("CKMessage", objc::NSObjectClass())
      .ivar<&CKMessageIvars::_rowID>("_rowID")
      .ivar<&CKMessageIvars::_guid>("_guid")
      .ivar<&CKMessageIvars::_text>("_text")
      .ivar<&CKMessageIvars::_address>("_address")
      .ivar<&CKMessageIvars::_date>("_date")
      .ivar<&CKMessageIvars::_isFromMe>("_isFromMe")
      .ivar<&CKMessageIvars::_isRead>("_isRead")
      .ivar<&CKMessageIvars::_dateRead>("_dateRead")
      .method<&messageRowID>("rowID")
      .method<&messageGUID>("guid")
      .method<&messageText>("text")
      .method<&messageAddress>("address")
      .method<&messageDate>("date")
      .method<&messageIsFromMe>("isFromMe")
      .method<&messageIsRead>("isRead")
      .method<&messageMarkAsRead>("markAsRead")
      .method<&messageDescription>("description")
      .method<&messageDealloc>("dealloc")
      .registerClass();
}

}  // namespace

namespace ck {

Class CKMessageClass() {
  static const Class cls = registerMessage();
  return cls;
}

namespace detail {

id newMessage(const MessageRecord& record) {
  objc::AutoreleasePool pool;
  id message = objc::allocInit(CKMessageClass());
  auto* m = objc::ivars<CKMessageIvars>(message);
  m->_rowID = static_cast<NSInteger>(record.rowID);
  m->_guid = objc::retain(ns::str(record.guid));
  m->_text = objc::retain(ns::str(record.text));
  m->_address = record.handle.empty() ? nil : objc::retain(ns::str(record.handle));
  m->_date = objc::retain(send<id>(objc::classNamed("NSDate"), sel<"dateWithTimeIntervalSinceReferenceDate:">(),
                                   static_cast<double>(record.date)));
  m->_isFromMe = record.isFromMe ? YES : NO;
  m->_isRead = record.isRead ? YES : NO;
  m->_dateRead = static_cast<double>(record.dateRead);
  return message;
}

}  // namespace detail
}  // namespace ck
