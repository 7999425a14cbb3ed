// The process clock.  Real in host programs; tests may switch it to manual and
// advance it, and everything that falls due then runs at once.
#pragma once

namespace ns {

// Seconds, as NSTimeInterval / CFTimeInterval.
using TimeInterval = double;

// Seconds since the reference date (2001-01-01 00:00:00 UTC) on the process clock,
// as CFAbsoluteTimeGetCurrent answers.
TimeInterval now();

}  // namespace ns
