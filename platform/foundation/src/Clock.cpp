#include <foundation/Clock.h>

#include <chrono>

namespace ns {

// Seconds between the Unix epoch and the reference date.
constexpr TimeInterval kReferenceDateOffset = 978307200.0;

TimeInterval now() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count() - kReferenceDateOffset;
}

}  // namespace ns
