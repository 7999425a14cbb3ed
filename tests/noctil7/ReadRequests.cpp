#include "ReadRequests.h"

#include <corefoundation/CFRunLoop.h>
#include <foundation/RunLoop.h>
#include <objcface/NSObject.h>

namespace noctil7_tests {

using objc::sel;

namespace {

id nsString(const char* s) { return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), s); }

}  // namespace

bool ReadRequestRecorder::open() {
  CFMessagePortContext context{};
  context.info = this;
  port_ = CFMessagePortCreateLocal(nullptr, reinterpret_cast<CFStringRef>(nsString("com.trelmo.noctilservice")),
                                   &ReadRequestRecorder::callback, &context, nullptr);
  if (port_ == nullptr) return false;
  source_ = CFMessagePortCreateRunLoopSource(nullptr, port_, 0);
  CFRunLoopAddSource(CFRunLoopGetMain(), source_, kCFRunLoopDefaultMode);
  return true;
}

void ReadRequestRecorder::close() {
  if (source_ != nullptr) {
    CFRunLoopRemoveSource(CFRunLoopGetMain(), source_, kCFRunLoopDefaultMode);
    CFRelease(source_);
    source_ = nullptr;
  }
  if (port_ != nullptr) {
    CFMessagePortInvalidate(port_);
    CFRelease(port_);
    port_ = nullptr;
  }
}

CFDataRef ReadRequestRecorder::callback(CFMessagePortRef, SInt32, CFDataRef data, void* info) {
  objc::AutoreleasePool pool;
  auto* self = static_cast<ReadRequestRecorder*>(info);
  ReadRequest request;
  id root = objc::send<id>(objc_lookUpClass("NSKeyedUnarchiver"), sel<"unarchiveObjectWithData:">(),
                           reinterpret_cast<id>(const_cast<void*>(static_cast<const void*>(data))));
  if (objc::send<BOOL>(root, sel<"isKindOfClass:">(), objc_lookUpClass("NSDictionary"))) {
    request.decoded = true;
    request.entries = objc::send<NSUInteger>(root, sel<"count">());
    id address = objc::send<id>(root, sel<"objectForKey:">(), nsString("address"));
    if (objc::send<BOOL>(address, sel<"isKindOfClass:">(), objc_lookUpClass("NSString")))
      request.address = objc::send<const char*>(address, sel<"UTF8String">());
    id record = objc::send<id>(root, sel<"objectForKey:">(), nsString("recordID"));
    if (objc::send<BOOL>(record, sel<"isKindOfClass:">(), objc_lookUpClass("NSNumber")))
      request.recordID = objc::send<long long>(record, sel<"longLongValue">());
  }
  self->requests_.push_back(request);
  return nullptr;
}

const std::vector<ReadRequest>& ReadRequestRecorder::waitFor(std::size_t count, double seconds) {
  ns::RunLoop::main().runUntil([&] { return requests_.size() >= count; }, seconds);
  return requests_;
}

const std::vector<ReadRequest>& ReadRequestRecorder::drain() {
  // A request sent a moment ago may still be in the socket; a short bounded wait for
  // more than we have lets it in without ever hanging.
  ns::RunLoop::main().runUntil([&] { return false; }, 0.2);
  return requests_;
}

}  // namespace noctil7_tests
