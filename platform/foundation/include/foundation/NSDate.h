// NSDate: a point in time as seconds since the reference date (2001-01-01 00:00:00
// UTC).  "Now" is read from the process clock (foundation/Clock.h), so dates follow
// the manual clock in tests.
#pragma once

#include <foundation/Clock.h>

#include <objcface/NSObject.h>

namespace ns {

// Seconds between 1970-01-01 and the reference date.
inline constexpr TimeInterval kTimeIntervalSince1970 = 978307200.0;

Class NSDateClass();

// An autoreleased date at `sinceReferenceDate`.
id date(TimeInterval sinceReferenceDate);
bool isDate(id object);
// The date's seconds since the reference date (0 for nil or a non-date).
TimeInterval dateInterval(id date);

}  // namespace ns
