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
#include <corefoundation/LaunchApplication.h>
#include <corefoundation/NotifyDelivery.h>
#include <corefoundation/PortTransportClient.h>
#include <corefoundation/PortTransportServer.h>
#include <foundation/DeviceRoot.h>

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

int observe(const std::string& names, bool wait) {
  std::vector<std::string> observed;
  for (std::size_t start = 0; start <= names.size();) {
    std::size_t end = names.find(',', start);
    if (end == std::string::npos) end = names.size();
    observed.push_back(names.substr(start, end - start));
    start = end + 1;
  }
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
