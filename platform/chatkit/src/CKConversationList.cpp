// CKConversationList: the conversations of the store, with the look-ups the
// Messages app makes by group identifier, by addresses and by recipients.
#include "ChatKitInternal.h"

#include <foundation/NSArray.h>
#include <foundation/NSString.h>

#include <algorithm>

using ck::detail::CKConversationIvars;
using objc::sel;
using objc::send;

namespace {

struct CKConversationListIvars : NSObjectIvars {
  id _conversations;  // NSMutableArray of CKConversation, in chat order
};

id& sharedList() {
  static id list = nil;
  return list;
}

std::shared_ptr<ck::MessageStore>& storeSlot() {
  static std::shared_ptr<ck::MessageStore> store;
  return store;
}

// Brings the conversations in line with the store's chats: a chat seen for the first
// time gets a conversation, a known one keeps its object (and loaded messages).
void refresh(id self) {
  auto store = ck::detail::sharedStore();
  if (!store) return;
  auto chats = store->chats();
  if (!chats) return;
  id conversations = objc::ivars<CKConversationListIvars>(self)->_conversations;
  for (const auto& chat : *chats) {
    bool known = false;
    for (id c : ns::elements(conversations)) {
      auto* ivars = objc::ivars<CKConversationIvars>(c);
      if (ivars->_chatRowID == chat.rowID) {
        known = true;
        break;
      }
    }
    if (known) continue;
    objc::Ref conversation = objc::Ref::adopt(ck::detail::newConversation(chat, store));
    send<void>(conversations, sel<"addObject:">(), conversation.get());
  }
}

std::vector<std::string> participants(id conversation) {
  std::vector<std::string> result;
  for (id entity : ns::elements(send<id>(conversation, sel<"recipients">()))) {
    result.push_back(ns::utf8(send<id>(entity, sel<"rawAddress">())));
  }
  return result;
}

id listConversations(id self, SEL) {
  refresh(self);
  return objc::ivars<CKConversationListIvars>(self)->_conversations;
}

id listForGroupID(id self, SEL, id groupID) {
  if (groupID == nil) return nil;
  std::string wanted = ns::utf8(groupID);
  for (id c : ns::elements(listConversations(self, nullptr))) {
    if (send<BOOL>(c, sel<"isGroupConversation">()) && ns::utf8(send<id>(c, sel<"groupID">())) == wanted) return c;
  }
  return nil;
}

// The chat whose participants are exactly these addresses, compared as stored: the
// look-up of chats the Messages app already knows by their handles.
id listForAddresses(id self, SEL, id addresses) {
  std::vector<std::string> wanted;
  for (id a : ns::elements(addresses)) wanted.push_back(ns::utf8(a));
  if (wanted.empty()) return nil;
  std::sort(wanted.begin(), wanted.end());
  for (id c : ns::elements(listConversations(self, nullptr))) {
    auto have = participants(c);
    std::sort(have.begin(), have.end());
    if (have == wanted) return c;
  }
  return nil;
}

// The chat of these recipients, compared in canonical form; a single recipient also
// matches a chat by its identifier.  With create YES and no such chat, a new empty
// conversation joins the list (it reaches the store with its first message).
id listForRecipients(id self, SEL, id recipients, BOOL create) {
  std::vector<std::string> wanted;
  for (id e : ns::elements(recipients)) wanted.push_back(ck::canonicalAddress(ns::utf8(send<id>(e, sel<"rawAddress">()))));
  if (wanted.empty()) return nil;
  std::sort(wanted.begin(), wanted.end());
  for (id c : ns::elements(listConversations(self, nullptr))) {
    std::vector<std::string> have;
    for (const auto& p : participants(c)) have.push_back(ck::canonicalAddress(p));
    std::sort(have.begin(), have.end());
    if (have == wanted) return c;
    if (wanted.size() == 1 && ns::utf8(send<id>(c, sel<"chatIdentifier">())) == wanted[0]) return c;
  }
  if (!create) return nil;
  ck::ChatRecord chat;
  chat.chatIdentifier = wanted.size() == 1 ? wanted[0] : std::string();
  chat.style = wanted.size() == 1 ? 45 : 43;
  chat.handles = wanted;
  objc::Ref conversation = objc::Ref::adopt(ck::detail::newConversation(chat, ck::detail::sharedStore()));
  send<void>(objc::ivars<CKConversationListIvars>(self)->_conversations, sel<"addObject:">(), conversation.get());
  return conversation.get();
}

id listShared(id, SEL) {
  id& list = sharedList();
  if (list == nil) {
    list = objc::allocInit(ck::CKConversationListClass());
    objc::ivars<CKConversationListIvars>(list)->_conversations = objc::retain(ns::mutableArray());
  }
  return list;
}

void listDealloc(id self, SEL cmd) {
  auto* l = objc::ivars<CKConversationListIvars>(self);
  objc::release(l->_conversations);
  l->_conversations = nil;
  objc::sendSuper<void>(self, ck::CKConversationListClass(), cmd);
}

Class registerList() {
  return objc::ClassBuilder<CKConversationListIvars>("CKConversationList", objc::NSObjectClass())
      .ivar<&CKConversationListIvars::_conversations>("_conversations")
      .method<&listConversations>("conversations")
      .method<&listForGroupID>("conversationForExistingChatWithGroupID:")
      .method<&listForAddresses>("conversationForExistingChatWithAddresses:")
      .method<&listForRecipients>("conversationForRecipients:create:")
      .method<&listDealloc>("dealloc")
      .classMethod<&listShared>("sharedConversationList")
      .registerClass();
}

}  // namespace

namespace ck {

Class CKConversationListClass() {
  static const Class cls = registerList();
  return cls;
}

void resetConversationList() {
  objc::release(sharedList());
  sharedList() = nil;
  storeSlot().reset();
}

namespace detail {

std::shared_ptr<MessageStore> sharedStore() {
  auto& store = storeSlot();
  if (!store) {
    auto opened = MessageStore::open();
    if (opened) store = std::move(opened.value());
  }
  return store;
}

}  // namespace detail

// The classes exist as soon as the library is loaded.
[[maybe_unused]] static const bool kRegisteredAtLoad = [] {
  CKMessageClass();
  CKEntityClass();
  CKConversationClass();
  CKConversationListClass();
  return true;
}();

}  // namespace ck
