#include "MarkRead.h"

#include "HostAccess.h"

#include <objcface/NSObject.h>

namespace noctil6 {

using objc::sel;

namespace {

constexpr NSUInteger kASCIIStringEncoding = 1;

BOOL containsText(id string, const char* text) {
  if (!isKindOfClassNamed(string, "NSString")) return NO;
  NSRange found = objc::send<NSRange>(string, sel<"rangeOfString:">(), nsString(text));
  return found.location != static_cast<NSUInteger>(NSNotFound) ? YES : NO;
}

id conversationFor(id chatIdentifier) {
  id list = ask(classObject("CKConversationList"), sel<"sharedConversationList">());
  if (containsText(chatIdentifier, "chat"))
    return ask(list, sel<"conversationForExistingChatWithGroupID:">(), chatIdentifier);
  id addresses = objc::send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithObject:">(), chatIdentifier);
  return ask(list, sel<"conversationForExistingChatWithAddresses:">(), addresses);
}

}  // namespace

float systemVersion() {
  id device = ask(classObject("UIDevice"), sel<"currentDevice">());
  return ask<float>(ask(device, sel<"systemVersion">()), sel<"floatValue">());
}

id chatIdentifierOf(id notification) {
  id url = ask(ask(notification, sel<"defaultAction">()), sel<"launchURL">());
  id text = ask(url, sel<"absoluteString">());
  id decoded = ask(text, sel<"stringByReplacingPercentEscapesUsingEncoding:">(), kASCIIStringEncoding);
  id pieces = ask(decoded, sel<"componentsSeparatedByString:">(), nsString("="));
  if (ask<NSUInteger>(pieces, sel<"count">()) < 2) return nil;
  return objc::send<id>(pieces, sel<"objectAtIndex:">(), NSUInteger{1});
}

void markNotificationRead(id notification) {
  if (systemVersion() < 6.0f) return;
  objc::AutoreleasePool pool;
  id chatIdentifier = chatIdentifierOf(notification);
  id recordID = ask(notification, sel<"recordID">());
  if (chatIdentifier == nil || recordID == nil) return;
  const int wanted = ask<int>(recordID, sel<"intValue">());
  id conversation = conversationFor(chatIdentifier);
  id messages = ask(conversation, sel<"messages">());
  const NSUInteger count = ask<NSUInteger>(messages, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id message = objc::send<id>(messages, sel<"objectAtIndex:">(), i);
    if (ask<NSInteger>(message, sel<"rowID">()) != static_cast<NSInteger>(wanted)) continue;
    objc::Ref keep = objc::Ref::retain(message);
    ask<void>(message, sel<"markAsRead">());
    ask<void>(conversation, sel<"updateMessage:">(), message);
    break;
  }
}

}  // namespace noctil6
