// A small program that the message-port, notification and launch tests run as the
// "other process".  It talks to the test over its standard input and output, one
// line at a time.
//
//   ports_helper MODE ARGS... [--device ROOT]
//
//   serve NAME          serve port NAME; print "ready", then "request <msgid> <text>"
//                       for each request; a request that wants a reply gets
//                       "echo:<text>", except message id 7, answered with no data;
//                       message id 9 makes the server exit without answering
//   hold NAME           try to serve NAME; print "ready" or "taken"; hold the port
//                       until standard input closes
//   send NAME MSGID TEXT [reply]
//                       send one request; print "result <code>" and, for a reply,
//                       "reply <text>" or "reply none"
//   observe NAMES [wait] observe the comma-separated notification NAMES; print
//                       "ready"; with "wait", do
//                       nothing until the line "go"; print "notified <name>" per
//                       callback; the line "count" drains and prints "count <n>"
//   post NAME COUNT     post NAME COUNT times, print "posted"
//   app BUNDLE PORT     the launched application: claim the instance of BUNDLE,
//                       serve PORT and print "started <pid>" (to its log)
//
// The same through the CoreFoundation calls and the main run loop:
//
//   cfserve NAME        as serve, with "main" or "thread" after each request line
//                       telling on which thread the callback ran
//   cfsend NAME MSGID TEXT [reply]
//   cfobserve NAMES [wait]
//   cfpost NAME COUNT
#include <corefoundation/CFMessagePort.h>
#include <corefoundation/CFNotificationCenter.h>
#include <corefoundation/LaunchApplication.h>
#include <corefoundation/Notify.h>
#include <corefoundation/NotifyDelivery.h>
#include <corefoundation/PortTransportClient.h>
#include <corefoundation/PortTransportServer.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSData.h>
#include <foundation/NSString.h>
#include <foundation/Thread.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using cf::port::Reply;
using cf::port::Request;

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::string text(std::span<const std::uint8_t> bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

Reply echo(const Request& request) {
  if (request.messageId == 9) ::_exit(0);  // dies in the middle of a request
  say("request " + std::to_string(request.messageId) + " " + text(request.data));
  if (!request.wantsReply || request.messageId == 7) return std::nullopt;
  std::string answer = "echo:" + text(request.data);
  return std::vector<std::uint8_t>(answer.begin(), answer.end());
}

// Serves `server` until standard input closes (when `watchInput`) or forever.
int serveForever(cf::port::PortServer& server, bool watchInput) {
  for (;;) {
    pollfd fds[2] = {{server.pollFd(), POLLIN, 0}, {0, POLLIN, 0}};
    if (::poll(fds, watchInput ? 2 : 1, -1) < 0) continue;
    if (fds[0].revents) server.service(echo);
    if (watchInput && fds[1].revents) {
      char c;
      if (::read(0, &c, 1) <= 0) return 0;
    }
  }
}

std::string readInputLine() {
  std::string line;
  char c;
  while (::read(0, &c, 1) == 1) {
    if (c == '\n') return line;
    line += c;
  }
  return line.empty() ? "\x04" : line;  // "\x04": input ended
}

std::vector<std::string> splitNames(const std::string& names) {
  std::vector<std::string> out;
  for (std::size_t start = 0; start <= names.size();) {
    std::size_t end = names.find(',', start);
    if (end == std::string::npos) end = names.size();
    out.push_back(names.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

int observe(const std::string& names, bool wait) {
  std::vector<std::string> observed = splitNames(names);
  auto receiver = cf::notify::NotifyReceiver::open();
  if (!receiver) {
    say("error " + receiver.error().message);
    return 1;
  }
  say("ready");
  if (wait && readInputLine() != "go") return 1;
  long count = 0;
  auto deliver = [&] {
    for (const auto& posted : (*receiver)->drain()) {
      if (std::find(observed.begin(), observed.end(), posted) == observed.end()) continue;
      ++count;
      say("notified " + posted);
    }
  };
  for (;;) {
    pollfd fds[2] = {{(*receiver)->fd(), POLLIN, 0}, {0, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents) deliver();
    if (fds[1].revents) {
      std::string line = readInputLine();
      if (line == "\x04") return 0;
      if (line == "count") {
        deliver();
        say("count " + std::to_string(count));
      }
    }
  }
}

int send(const std::vector<std::string>& args) {
  if (args.size() < 4) return 2;
  auto client = cf::port::PortClient::connect(args[1]);
  if (!client) {
    say("result none");
    return 0;
  }
  bool wantsReply = args.size() > 4 && args[4] == "reply";
  const std::string& body = args[3];
  Reply reply;
  auto result = client->send(std::atoi(args[2].c_str()), {reinterpret_cast<const std::uint8_t*>(body.data()), body.size()},
                             5.0, 5.0, wantsReply, &reply);
  say("result " + std::to_string(static_cast<int>(result)));
  if (wantsReply) say(reply ? "reply " + text(*reply) : "reply none");
  return 0;
}

// Standard input as a source of the main run loop, served after the other sources
// of a pass (order 100): each complete line goes to `onLine`; the end of input stops
// the main run loop.
CFRunLoopSourceRef watchInput(std::function<void(const std::string&)> onLine) {
  auto buffer = std::make_shared<std::string>();
  CFRunLoopSourceRef source = cf::createDescriptorSource(0, 100, [buffer, onLine] {
    char chunk[4096];
    ssize_t n = ::read(0, chunk, sizeof chunk);
    if (n <= 0) {
      CFRunLoopStop(CFRunLoopGetMain());
      return;
    }
    buffer->append(chunk, static_cast<std::size_t>(n));
    for (std::size_t end; (end = buffer->find('\n')) != std::string::npos;) {
      std::string line = buffer->substr(0, end);
      buffer->erase(0, end + 1);
      onLine(line);
    }
  });
  CFRunLoopAddSource(CFRunLoopGetMain(), source, kCFRunLoopDefaultMode);
  return source;
}

CFStringRef cfString(const std::string& text) { return cf::fromId<CFStringRef>(ns::str(text)); }

CFDataRef cfEcho(CFMessagePortRef, SInt32 msgid, CFDataRef data, void*) {
  if (msgid == 9) ::_exit(0);
  std::string body(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<std::size_t>(CFDataGetLength(data)));
  say("request " + std::to_string(msgid) + " " + body + (ns::isMainThread() ? " main" : " thread"));
  if (msgid == 7) return nullptr;
  std::string answer = "echo:" + body;
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(answer.data()), static_cast<CFIndex>(answer.size()));
}

int cfServe(const std::string& name) {
  CFMessagePortRef port = CFMessagePortCreateLocal(nullptr, cfString(name), cfEcho, nullptr, nullptr);
  if (port == nullptr) {
    say("taken");
    return 0;
  }
  CFRunLoopSourceRef source = CFMessagePortCreateRunLoopSource(nullptr, port, 0);
  CFRunLoopAddSource(CFRunLoopGetMain(), source, kCFRunLoopDefaultMode);
  CFRelease(source);
  CFRunLoopSourceRef input = watchInput([](const std::string&) {});
  say("ready");
  CFRunLoopRun();
  CFRunLoopSourceInvalidate(input);
  CFRelease(input);
  CFMessagePortInvalidate(port);
  CFRelease(port);
  return 0;
}

int cfSend(const std::vector<std::string>& args) {
  if (args.size() < 4) return 2;
  CFMessagePortRef remote = CFMessagePortCreateRemote(nullptr, cfString(args[1]));
  if (remote == nullptr) {
    say("result none");
    return 0;
  }
  bool wantsReply = args.size() > 4 && args[4] == "reply";
  const std::string& body = args[3];
  CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(body.data()), static_cast<CFIndex>(body.size()));
  CFDataRef reply = nullptr;
  SInt32 result = CFMessagePortSendRequest(remote, std::atoi(args[2].c_str()), data, 5, 5,
                                           wantsReply ? kCFRunLoopDefaultMode : nullptr, wantsReply ? &reply : nullptr);
  say("result " + std::to_string(result));
  if (wantsReply) {
    say(reply ? "reply " + std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(reply)),
                                       static_cast<std::size_t>(CFDataGetLength(reply)))
              : "reply none");
  }
  if (reply) CFRelease(reply);
  CFRelease(data);
  CFRelease(remote);
  return 0;
}

long gNotified = 0;

void cfNotified(CFNotificationCenterRef, void*, CFStringRef name, const void* object, CFDictionaryRef info) {
  ++gNotified;
  say("notified " + ns::utf8(cf::toId(name)) + (object || info ? " with extras" : ""));
}

int cfObserve(const std::string& names, bool wait) {
  for (const auto& name : splitNames(names))
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, cfNotified, cfString(name),
                                    nullptr, CFNotificationSuspensionBehaviorCoalesce);
  say("ready");
  if (wait && readInputLine() != "go") return 1;
  CFRunLoopSourceRef input = watchInput([](const std::string& line) {
    if (line == "count") say("count " + std::to_string(gNotified));
  });
  CFRunLoopRun();
  CFRunLoopSourceInvalidate(input);
  CFRelease(input);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--device") == 0 && i + 1 < argc) {
      ns::setDeviceRoot(argv[++i]);
      continue;
    }
    args.emplace_back(argv[i]);
  }
  if (args.empty()) return 2;
  const std::string& mode = args[0];

  if ((mode == "serve" || mode == "hold") && args.size() == 2) {
    cf::port::PortServer::Failure failure;
    auto server = cf::port::PortServer::listen(args[1], &failure);
    if (!server) {
      say(failure.kind == cf::port::ListenFailure::nameTaken ? "taken" : "error " + failure.message);
      return mode == "hold" ? 0 : 1;
    }
    say("ready");
    return serveForever(*server, mode == "hold");
  }
  if (mode == "send") return send(args);
  if (mode == "observe" && args.size() >= 2) return observe(args[1], args.size() > 2 && args[2] == "wait");
  if (mode == "post" && args.size() == 3) {
    for (int i = 0, n = std::atoi(args[2].c_str()); i < n; ++i) {
      if (!cf::notify::post(args[1])) return 1;
    }
    say("posted");
    return 0;
  }
  objc::AutoreleasePool pool;
  if (mode == "cfserve" && args.size() == 2) return cfServe(args[1]);
  if (mode == "cfsend") return cfSend(args);
  if (mode == "cfobserve" && args.size() >= 2) return cfObserve(args[1], args.size() > 2 && args[2] == "wait");
  if (mode == "cfpost" && args.size() == 3) {
    for (int i = 0, n = std::atoi(args[2].c_str()); i < n; ++i) {
      if (notify_post(args[1].c_str()) != NOTIFY_STATUS_OK) return 1;
    }
    say("posted");
    return 0;
  }
  if (mode == "app" && args.size() == 3) {
    auto claimed = ns::claimApplicationInstance(args[1]);
    if (!claimed || !*claimed) {
      say("not the instance");
      return 1;
    }
    auto server = cf::port::PortServer::listen(args[2]);
    if (!server) return 1;
    say("started " + std::to_string(::getpid()));
    return serveForever(*server, false);
  }
  return 2;
}
