// The CoreFoundation faces of ports and notifications: CFData as NSData, message
// ports served on the run loop that holds their source (a service thread's or the
// main one), across processes, through the death of a server; the Darwin center's
// delivery on the main run loop, its coalescing, and notify_post between processes.
#include <corefoundation/CFData.h>
#include <corefoundation/CFMessagePort.h>
#include <corefoundation/CFNotificationCenter.h>
#include <corefoundation/Notify.h>

#include <foundation/NSData.h>
#include <foundation/NSString.h>
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>

#include "PortsTest.h"

#include <signal.h>

#include <atomic>
#include <string>
#include <thread>

using objc::sel;
using objc::send;
using testing_support::DeviceRootTest;

namespace {

constexpr double kDeadline = 10.0;  // real seconds a wait may take before failing

CFDataRef cfData(const std::string& text) {
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()), static_cast<CFIndex>(text.size()));
}
std::string text(CFDataRef data) {
  return {reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<std::size_t>(CFDataGetLength(data))};
}
bool runMainUntil(const std::function<bool()>& done) { return ns::RunLoop::main().runUntil(done, kDeadline); }

// What the test port's callback saw.
struct Served {
  std::mutex mutex;
  std::vector<std::string> requests;
  std::thread::id thread;
  bool onMain = false;
};

CFDataRef recordingCallback(CFMessagePortRef, SInt32 msgid, CFDataRef data, void* info) {
  auto* served = static_cast<Served*>(info);
  std::lock_guard guard(served->mutex);
  served->requests.push_back(std::to_string(msgid) + ":" + text(data));
  served->thread = std::this_thread::get_id();
  served->onMain = ns::isMainThread();
  return cfData("echo:" + text(data));
}

// A service thread in the manner of a message-read service: -main makes the local
// port and runs its own run loop with the port's source in it.
struct ServiceIvars : ns::NSThreadIvars {
  CFMessagePortRef _port;
  Served* _served;
  std::atomic<bool> _serving;
  std::thread::id _threadId;
};

void serviceMain(id self, SEL) {
  auto* s = objc::ivars<ServiceIvars>(self);
  s->_threadId = std::this_thread::get_id();
  CFMessagePortContext context{0, s->_served, nullptr, nullptr, nullptr};
  s->_port = CFMessagePortCreateLocal(nullptr, CFSTR("com.example.threadport"), recordingCallback, &context, nullptr);
  CFRunLoopSourceRef source = CFMessagePortCreateRunLoopSource(nullptr, s->_port, 0);
  CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
  CFRelease(source);
  s->_serving = true;
  CFRunLoopRun();
}

Class serviceClass() {
  static Class cls = objc::ClassBuilder<ServiceIvars>("CfpServiceThread", ns::NSThreadClass())
                         .ivar<&ServiceIvars::_port>("_port")
                         .ivar<&ServiceIvars::_served>("_served")
                         .ivar<&ServiceIvars::_serving>("_serving")
                         .ivar<&ServiceIvars::_threadId>("_threadId")
                         .method<&serviceMain>("main")
                         .registerClass();
  return cls;
}

int gInvalidations = 0;
void countInvalidation(CFMessagePortRef, void*) { ++gInvalidations; }

int gRetains = 0, gReleases = 0;
const void* countRetain(const void* info) {
  ++gRetains;
  return info;
}
void countRelease(const void*) { ++gReleases; }

class CFPorts : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    gInvalidations = gRetains = gReleases = 0;
  }
  objc::AutoreleasePool pool_;
};

}  // namespace

TEST(CFData, IsNSDataAndFollowsRetainAndRelease) {
  objc::AutoreleasePool pool;
  const UInt8 bytes[] = {1, 2, 3};
  CFDataRef data = CFDataCreate(kCFAllocatorDefault, bytes, 3);
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(ns::isData(cf::toId(data)));
  EXPECT_EQ(CFDataGetLength(data), 3);
  EXPECT_EQ(CFDataGetBytePtr(data)[2], 3);
  EXPECT_EQ(send<NSUInteger>(cf::toId(data), sel<"length">()), 3u);
  EXPECT_EQ(CFRetain(data), data);
  EXPECT_EQ(CFGetRetainCount(data), 2);
  CFRelease(data);
  CFRelease(data);
  EXPECT_EQ(CFDataCreate(nullptr, nullptr, 4), nullptr);
  EXPECT_EQ(CFDataCreate(nullptr, bytes, -1), nullptr);
  EXPECT_EQ(CFSTR("same"), CFSTR("same"));
  EXPECT_EQ(ns::utf8(cf::toId(CFSTR("same"))), "same");
}

TEST_F(CFPorts, AServiceThreadServesItsPortWhileTheMainThreadSends) {
  Served served;
  id thread = objc::allocInit(serviceClass());
  objc::ivars<ServiceIvars>(thread)->_served = &served;
  send<void>(thread, sel<"start">());
  ASSERT_TRUE(testing_support::eventually([&] { return objc::ivars<ServiceIvars>(thread)->_serving.load(); }));
  CFMessagePortRef local = objc::ivars<ServiceIvars>(thread)->_port;
  ASSERT_NE(local, nullptr);
  EXPECT_FALSE(CFMessagePortIsRemote(local));
  EXPECT_EQ(ns::utf8(cf::toId(CFMessagePortGetName(local))), "com.example.threadport");
  Boolean shouldFree = false;
  EXPECT_EQ(CFMessagePortCreateLocal(nullptr, CFSTR("com.example.threadport"), recordingCallback, nullptr, &shouldFree),
            nullptr);
  EXPECT_TRUE(shouldFree);

  CFMessagePortRef remote = CFMessagePortCreateRemote(nullptr, CFSTR("com.example.threadport"));
  ASSERT_NE(remote, nullptr);
  EXPECT_TRUE(CFMessagePortIsRemote(remote));
  CFDataRef reply = nullptr;
  CFDataRef question = cfData("question");
  EXPECT_EQ(CFMessagePortSendRequest(remote, 12, question, 1, 5, kCFRunLoopDefaultMode, &reply), kCFMessagePortSuccess);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(text(reply), "echo:question");
  CFRelease(reply);
  EXPECT_EQ(CFMessagePortSendRequest(remote, 13, question, 1, 5, nullptr, nullptr), kCFMessagePortSuccess);
  EXPECT_TRUE(testing_support::eventually([&] {
    std::lock_guard guard(served.mutex);
    return served.requests.size() == 2;
  }));
  {
    std::lock_guard guard(served.mutex);
    EXPECT_EQ(served.requests, (std::vector<std::string>{"12:question", "13:question"}));
    EXPECT_EQ(served.thread, objc::ivars<ServiceIvars>(thread)->_threadId);
    EXPECT_NE(served.thread, std::this_thread::get_id());
    EXPECT_FALSE(served.onMain);
  }
  CFRelease(question);

  // Invalidating the local port ends the remote too; its callback runs once.
  CFMessagePortSetInvalidationCallBack(remote, countInvalidation);
  CFMessagePortInvalidate(local);
  EXPECT_FALSE(CFMessagePortIsValid(local));
  EXPECT_FALSE(CFMessagePortIsValid(remote));
  EXPECT_FALSE(CFMessagePortIsValid(remote));
  EXPECT_EQ(gInvalidations, 1);
  CFDataRef late = cfData("late");
  EXPECT_EQ(CFMessagePortSendRequest(remote, 1, late, 1, 1, nullptr, nullptr), kCFMessagePortIsInvalid);
  CFRelease(late);
  CFRelease(remote);
  EXPECT_EQ(CFMessagePortCreateRunLoopSource(nullptr, local, 0), nullptr);

  ns::runLoopOfThread(thread)->stop();
  EXPECT_TRUE(ns::waitUntilThreadFinished(thread, kDeadline));
  CFRelease(local);
  objc::release(thread);
}

TEST_F(CFPorts, ContextInfoIsRetainedForTheLifeOfThePort) {
  int info = 0;
  CFMessagePortContext context{0, &info, countRetain, countRelease, nullptr};
  Boolean shouldFree = true;
  CFMessagePortRef port = CFMessagePortCreateLocal(nullptr, CFSTR("com.example.ctx"), nullptr, &context, &shouldFree);
  ASSERT_NE(port, nullptr);
  EXPECT_FALSE(shouldFree);
  CFMessagePortContext read{};
  CFMessagePortGetContext(port, &read);
  EXPECT_EQ(read.info, &info);
  EXPECT_EQ(gRetains, 1);
  CFRunLoopSourceRef first = CFMessagePortCreateRunLoopSource(nullptr, port, 0);
  CFRunLoopSourceRef second = CFMessagePortCreateRunLoopSource(nullptr, port, 0);
  EXPECT_EQ(first, second);
  CFRelease(first);
  CFRelease(second);
  CFMessagePortSetInvalidationCallBack(port, countInvalidation);
  CFMessagePortInvalidate(port);  // breaks the port <-> source cycle
  EXPECT_EQ(gInvalidations, 1);
  CFRelease(port);
  EXPECT_EQ(gReleases, 1);
  // The name is free again.
  port = CFMessagePortCreateLocal(nullptr, CFSTR("com.example.ctx"), nullptr, nullptr, nullptr);
  ASSERT_NE(port, nullptr);
  CFRelease(port);
}

TEST_F(CFPorts, AnotherProcessSendsToAPortOnTheMainRunLoop) {
  Served served;
  CFMessagePortContext context{0, &served, nullptr, nullptr, nullptr};
  CFMessagePortRef port = CFMessagePortCreateLocal(nullptr, CFSTR("com.example.mainport"), recordingCallback, &context,
                                                   nullptr);
  ASSERT_NE(port, nullptr);
  CFRunLoopSourceRef source = CFMessagePortCreateRunLoopSource(nullptr, port, 0);
  CFRunLoopAddSource(CFRunLoopGetMain(), source, kCFRunLoopDefaultMode);
  CFRelease(source);

  auto sender = helper({"cfsend", "com.example.mainport", "21", "from afar", "reply"});
  std::optional<std::string> result, reply;
  std::thread reader([&] {
    result = sender->readLine();
    reply = sender->readLine();
  });
  EXPECT_TRUE(runMainUntil([&] {
    std::lock_guard guard(served.mutex);
    return !served.requests.empty();
  }));
  reader.join();
  EXPECT_EQ(result, "result 0");
  EXPECT_EQ(reply, "reply echo:from afar");
  EXPECT_TRUE(served.onMain);
  auto second = helper({"cfserve", "com.example.mainport"});
  EXPECT_EQ(second->readLine(), "taken");

  CFMessagePortInvalidate(port);
  CFRelease(port);
}

TEST_F(CFPorts, AServerProcessThatDiesLeavesAnInvalidRemoteAndNoSignal) {
  ASSERT_EQ(::signal(SIGPIPE, SIG_DFL), SIG_DFL);
  auto server = helper({"cfserve", "com.example.far"});
  ASSERT_EQ(server->readLine(), "ready");
  CFMessagePortRef remote = CFMessagePortCreateRemote(nullptr, CFSTR("com.example.far"));
  ASSERT_NE(remote, nullptr);
  CFMessagePortSetInvalidationCallBack(remote, countInvalidation);
  CFDataRef data = cfData("hi");
  CFDataRef reply = nullptr;
  EXPECT_EQ(CFMessagePortSendRequest(remote, 7, data, 1, 5, kCFRunLoopDefaultMode, &reply), kCFMessagePortSuccess);
  EXPECT_EQ(reply, nullptr);  // message 7 is answered without data
  EXPECT_EQ(server->readLine(), "request 7 hi main");
  EXPECT_EQ(CFMessagePortSendRequest(remote, 3, data, 1, 5, nullptr, nullptr), kCFMessagePortSuccess);
  EXPECT_EQ(server->readLine(), "request 3 hi main");

  // The send itself finds the server gone (nothing is probed before a send), as a
  // send to a dead port does on iOS; the port is invalid from then on.
  server->kill(SIGKILL);
  EXPECT_EQ(CFMessagePortSendRequest(remote, 3, data, 1, 5, nullptr, nullptr), kCFMessagePortBecameInvalidError);
  EXPECT_EQ(CFMessagePortSendRequest(remote, 3, data, 1, 5, nullptr, nullptr), kCFMessagePortIsInvalid);
  EXPECT_FALSE(CFMessagePortIsValid(remote));
  EXPECT_EQ(gInvalidations, 1);
  EXPECT_EQ(CFMessagePortCreateRemote(nullptr, CFSTR("com.example.far")), nullptr);

  std::vector<UInt8> huge(kCFMessagePortMaxDataLength + 1, 0);
  auto restarted = helper({"cfserve", "com.example.far"});
  ASSERT_EQ(restarted->readLine(), "ready");
  CFMessagePortRef again = CFMessagePortCreateRemote(nullptr, CFSTR("com.example.far"));
  ASSERT_NE(again, nullptr);
  CFDataRef tooBig = CFDataCreate(nullptr, huge.data(), static_cast<CFIndex>(huge.size()));
  EXPECT_EQ(CFMessagePortSendRequest(again, 1, tooBig, 1, 1, nullptr, nullptr), kCFMessagePortTransportError);
  EXPECT_TRUE(CFMessagePortIsValid(again));
  CFRelease(tooBig);
  CFRelease(again);
  CFRelease(data);
  CFRelease(remote);
}

namespace {

struct NoteLog {
  std::vector<std::string> names;
  int extras = 0;
};
NoteLog gNotes;
NoteLog gOtherNotes;

void noteCallback(CFNotificationCenterRef center, void*, CFStringRef name, const void* object, CFDictionaryRef info) {
  EXPECT_EQ(center, CFNotificationCenterGetDarwinNotifyCenter());
  EXPECT_TRUE(ns::isMainThread());
  gNotes.names.push_back(ns::utf8(cf::toId(name)));
  gNotes.extras += object != nullptr || info != nullptr;
}
void otherCallback(CFNotificationCenterRef, void*, CFStringRef name, const void*, CFDictionaryRef) {
  gOtherNotes.names.push_back(ns::utf8(cf::toId(name)));
}
// Removes the observation of otherCallback before it can run in the same round.
void removingCallback(CFNotificationCenterRef center, void* observer, CFStringRef name, const void*, CFDictionaryRef) {
  gNotes.names.push_back("removing " + ns::utf8(cf::toId(name)));
  CFNotificationCenterRemoveObserver(center, observer, name, nullptr);
}

class DarwinCenter : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    gNotes = {};
    gOtherNotes = {};
  }
  void TearDown() override {
    CFNotificationCenterRemoveEveryObserver(center(), nullptr);
    CFNotificationCenterRemoveEveryObserver(center(), &gOtherNotes);
  }
  static CFNotificationCenterRef center() { return CFNotificationCenterGetDarwinNotifyCenter(); }
  objc::AutoreleasePool pool_;
};

}  // namespace

TEST_F(DarwinCenter, PostsAreDeliveredOnTheMainRunLoopAndCoalesced) {
  CFNotificationCenterAddObserver(center(), nullptr, noteCallback, CFSTR("com.example.changed"), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
  CFNotificationCenterAddObserver(center(), nullptr, noteCallback, CFSTR("com.example.changed"), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);  // the same observation again
  CFNotificationCenterAddObserver(center(), &gOtherNotes, otherCallback, CFSTR("com.example.changed"), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(notify_post("com.example.changed"), NOTIFY_STATUS_OK);
  EXPECT_EQ(notify_post("com.example.unobserved"), NOTIFY_STATUS_OK);
  EXPECT_TRUE(gNotes.names.empty()) << "never delivered inside the post";
  ns::RunLoop::main().runUntilIdle();
  EXPECT_EQ(gNotes.names, std::vector<std::string>{"com.example.changed"});
  EXPECT_EQ(gOtherNotes.names, std::vector<std::string>{"com.example.changed"});
  EXPECT_EQ(gNotes.extras, 0);

  // A post through the center itself, with an object and user information that
  // a Darwin notification does not carry.
  int object = 0;
  CFNotificationCenterPostNotification(center(), CFSTR("com.example.changed"), &object, nullptr, true);
  ns::RunLoop::main().runUntilIdle();
  EXPECT_EQ(gNotes.names.size(), 2u);
  EXPECT_EQ(gNotes.extras, 0);

  CFNotificationCenterRemoveObserver(center(), nullptr, CFSTR("com.example.changed"), nullptr);
  notify_post("com.example.changed");
  ns::RunLoop::main().runUntilIdle();
  EXPECT_EQ(gNotes.names.size(), 2u);
  EXPECT_EQ(gOtherNotes.names.size(), 3u);

  EXPECT_EQ(notify_post(""), NOTIFY_STATUS_INVALID_NAME);
  EXPECT_EQ(notify_post(nullptr), NOTIFY_STATUS_INVALID_NAME);
  EXPECT_EQ(notify_post(std::string(2000, 'n').c_str()), NOTIFY_STATUS_INVALID_NAME);
}

TEST_F(DarwinCenter, ACallbackMayRemoveObservationsOfTheSameRound) {
  CFNotificationCenterAddObserver(center(), &gOtherNotes, removingCallback, CFSTR("com.example.round"), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
  CFNotificationCenterAddObserver(center(), &gOtherNotes, otherCallback, CFSTR("com.example.round"), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
  notify_post("com.example.round");
  ns::RunLoop::main().runUntilIdle();
  EXPECT_EQ(gNotes.names, std::vector<std::string>{"removing com.example.round"});
  EXPECT_TRUE(gOtherNotes.names.empty());
  // With no observation left the process stops receiving: its socket is gone.
  EXPECT_TRUE(std::filesystem::is_empty(root_.path() / "var/run/noctil-notify"));
}

TEST_F(DarwinCenter, PostsCrossProcessesBothWays) {
  CFNotificationCenterAddObserver(center(), nullptr, noteCallback, CFSTR("com.example.fromhelper"), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
  auto poster = helper({"cfpost", "com.example.fromhelper", "3"});
  EXPECT_EQ(poster->readLine(), "posted");
  EXPECT_TRUE(runMainUntil([] { return !gNotes.names.empty(); }));
  ns::RunLoop::main().runUntilIdle();
  EXPECT_EQ(gNotes.names.size(), 1u);  // three posts before delivery: one callback

  auto observer = helper({"cfobserve", "com.example.tohelper"});
  ASSERT_EQ(observer->readLine(), "ready");
  EXPECT_EQ(notify_post("com.example.tohelper"), NOTIFY_STATUS_OK);
  EXPECT_EQ(observer->readLine(), "notified com.example.tohelper");
}

TEST_F(DarwinCenter, ABurstOfAHundredPostsGivesFarFewerCallbacksInAnotherProcess) {
  auto observer = helper({"cfobserve", "com.example.burst", "wait"});
  ASSERT_EQ(observer->readLine(), "ready");
  for (int i = 0; i < 100; ++i) ASSERT_EQ(notify_post("com.example.burst"), NOTIFY_STATUS_OK);
  ASSERT_TRUE(observer->writeLine("go"));
  ASSERT_TRUE(observer->writeLine("count"));
  int notified = 0;
  for (;;) {
    auto line = observer->readLine();
    ASSERT_TRUE(line.has_value());
    if (*line == "notified com.example.burst") {
      ++notified;
      continue;
    }
    ASSERT_TRUE(line->starts_with("count ")) << *line;
    EXPECT_EQ(std::stoi(line->substr(6)), notified);
    break;
  }
  EXPECT_GE(notified, 1);
  EXPECT_LE(notified, 5);
}
