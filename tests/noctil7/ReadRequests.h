// Stands in for the message-read service in a test process: a local port named
// "com.trelmo.noctilservice" served by the main run loop, recording every request
// that arrives, decoded as the service decodes it.
#pragma once

#include <corefoundation/CFMessagePort.h>

#include <optional>
#include <string>
#include <vector>

namespace noctil7_tests {

struct ReadRequest {
  std::string address;        // "" when missing or not a string
  std::optional<long long> recordID;
  std::size_t entries = 0;    // entries of the request dictionary
  bool decoded = false;       // a keyed archive of a dictionary
};

class ReadRequestRecorder {
 public:
  // Opens the port; false when its name is taken.
  bool open();
  void close();
  ~ReadRequestRecorder() { close(); }

  // Serves the main run loop until `count` requests have arrived, at most `seconds`
  // of real time.  Answers the requests seen so far.
  const std::vector<ReadRequest>& waitFor(std::size_t count, double seconds = 5.0);
  // Serves what has arrived without waiting for more.
  const std::vector<ReadRequest>& drain();
  const std::vector<ReadRequest>& requests() const { return requests_; }

 private:
  static CFDataRef callback(CFMessagePortRef, SInt32, CFDataRef data, void* info);
  CFMessagePortRef port_ = nullptr;
  CFRunLoopSourceRef source_ = nullptr;
  std::vector<ReadRequest> requests_;
};

}  // namespace noctil7_tests
