// CKConversation: one chat of the store with the messages loaded so far (on iOS 6,
// the recent ones as soon as they are asked for).
#include "ChatKitInternal.h"

#include <foundation/NSArray.h>
#include <foundation/NSString.h>

#include <new>

using ck::detail::CKConversationIvars;
using ck::detail::CKMessageIvars;
using objc::sel;
using objc::send;

namespace {

constexpr int kMessagesPerLoad = 50;

CKConversationIvars* conv(id self) { return objc::ivars<CKConversationIvars>(self); }

id conversationChatIdentifier(id self, SEL) { return conv(self)->_chatIdentifier; }
id conversationGroupID(id self, SEL) { return conv(self)->_isGroup ? conv(self)->_chatIdentifier : nil; }
BOOL conversationIsGroup(id self, SEL) { return conv(self)->_isGroup; }
id conversationRecipients(id self, SEL) { return conv(self)->_recipients; }
// Whether the process plays iOS 6, whose ChatKit reads a conversation's recent
// messages the first time they are asked for; iOS 7's waits for loadMoreMessages.
// Asked of UIDevice by name, as ChatKit does not link UIKit.
bool loadsOnFirstUse() {
  Class device = objc::classNamed("UIDevice");
  if (device == Nil) return false;
  id version = send<id>(send<id>(device, sel<"currentDevice">()), sel<"systemVersion">());
  return version != nil && send<double>(version, sel<"doubleValue">()) < 7.0;
}

id conversationMessages(id self, SEL) {
  if (ns::elements(conv(self)->_messages).empty() && loadsOnFirstUse()) send<void>(self, sel<"loadMoreMessages">());
  return conv(self)->_messages;
}

NSUInteger conversationUnreadCount(id self, SEL) {
  NSUInteger n = 0;
  for (id m : ns::elements(conv(self)->_messages)) {
    if (!send<BOOL>(m, sel<"isFromMe">()) && !send<BOOL>(m, sel<"isRead">())) ++n;
  }
  return n;
}

// Loads what the store holds beyond the loaded messages: every newer message (which
// arrived since the last load) and the next page of older ones.
void conversationLoadMoreMessages(id self, SEL) {
  auto* c = conv(self);
  if (!c->_store) return;
  std::span<const id> loaded = ns::elements(c->_messages);
  std::vector<ck::MessageRecord> older, newer;
  if (loaded.empty()) {
    auto page = c->_store->messagesBefore(c->_chatRowID, std::nullopt, kMessagesPerLoad);
    if (!page) return;
    newer = std::move(*page);
  } else {
    int64_t oldest = objc::ivars<CKMessageIvars>(loaded.front())->_rowID;
    int64_t newest = objc::ivars<CKMessageIvars>(loaded.back())->_rowID;
    auto after = c->_store->messagesAfter(c->_chatRowID, newest);
    auto before = c->_store->messagesBefore(c->_chatRowID, oldest, kMessagesPerLoad);
    if (!after || !before) return;
    newer = std::move(*after);
    older = std::move(*before);
  }
  objc::AutoreleasePool pool;
  NSUInteger index = 0;
  for (const auto& record : older) {
    objc::Ref message = objc::Ref::adopt(ck::detail::newMessage(record));
    send<void>(c->_messages, sel<"insertObject:atIndex:">(), message.get(), index++);
  }
  for (const auto& record : newer) {
    objc::Ref message = objc::Ref::adopt(ck::detail::newMessage(record));
    send<void>(c->_messages, sel<"addObject:">(), message.get());
  }
}

// Stores what changed in a message of this conversation (its read state).
void conversationUpdateMessage(id self, SEL, id message) {
  auto* c = conv(self);
  if (message == nil || !c->_store) return;
  if (!send<BOOL>(message, sel<"isKindOfClass:">(), ck::CKMessageClass())) return;
  auto* m = objc::ivars<CKMessageIvars>(message);
  c->_store->updateReadState(m->_rowID, m->_isRead, static_cast<int64_t>(m->_dateRead)).ok();
}

id conversationDescription(id self, SEL) {
  return ns::format("<CKConversation: %p; chat = %s; messages = %lu>", static_cast<void*>(self),
                    ns::utf8(conv(self)->_chatIdentifier).c_str(),
                    static_cast<unsigned long>(ns::elements(conv(self)->_messages).size()));
}

void conversationDealloc(id self, SEL cmd) {
  auto* c = conv(self);
  objc::release(c->_chatIdentifier);
  objc::release(c->_recipients);
  objc::release(c->_messages);
  c->_chatIdentifier = c->_recipients = c->_messages = nil;
  c->_store.~shared_ptr();
  objc::sendSuper<void>(self, ck::CKConversationClass(), cmd);
}

Class registerConversation() {
  return objc::ClassBuilder<CKConversationIvars>("CKConversation", objc::NSObjectClass())
      .ivar<&CKConversationIvars::_chatRowID>("_chatRowID")
      .ivar<&CKConversationIvars::_chatIdentifier>("_chatIdentifier")
      .ivar<&CKConversationIvars::_recipients>("_recipients")
      .ivar<&CKConversationIvars::_messages>("_messages")
      .ivar<&CKConversationIvars::_isGroup>("_isGroup")
      .ivar<&CKConversationIvars::_store>("_store")
      .method<&conversationChatIdentifier>("chatIdentifier")
      .method<&conversationGroupID>("groupID")
      .method<&conversationIsGroup>("isGroupConversation")
      .method<&conversationRecipients>("recipients")
      .method<&conversationMessages>("messages")
      .method<&conversationUnreadCount>("unreadCount")
      .method<&conversationLoadMoreMessages>("loadMoreMessages")
      .method<&conversationUpdateMessage>("updateMessage:")
      .method<&conversationDescription>("description")
      .method<&conversationDealloc>("dealloc")
      .registerClass();
}

}  // namespace

namespace ck {

Class CKConversationClass() {
  static const Class cls = registerConversation();
  return cls;
}

namespace detail {

id newConversation(const ChatRecord& chat, std::shared_ptr<MessageStore> store) {
  objc::AutoreleasePool pool;
  id conversation = objc::allocInit(CKConversationClass());
  auto* c = conv(conversation);
  c->_chatRowID = chat.rowID;
  c->_chatIdentifier = objc::retain(ns::str(chat.chatIdentifier));
  c->_isGroup = chat.style == 43 ? YES : NO;
  c->_recipients = objc::retain(ns::mutableArray());
  for (const auto& handle : chat.handles) {
    objc::Ref entity = objc::Ref::adopt(newEntity(handle));
    send<void>(c->_recipients, sel<"addObject:">(), entity.get());
  }
  c->_messages = objc::retain(ns::mutableArray());
  new (&c->_store) std::shared_ptr<MessageStore>(std::move(store));
  return conversation;
}

}  // namespace detail
}  // namespace ck
