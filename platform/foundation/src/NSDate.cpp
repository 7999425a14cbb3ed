// NSDate.
#include <foundation/NSDate.h>

#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <cmath>
#include <cstdio>

struct NSDateIvars : NSObjectIvars {
  double _interval;  // seconds since the reference date
};

namespace ns {
namespace {

using detail::asClass;

// Years 4001 and 0001 (Gregorian), as iOS's distantFuture and distantPast.
constexpr TimeInterval kDistantFuture = 63113904000.0;
constexpr TimeInterval kDistantPast = -63114076800.0;

double& intervalOf(id d) { return reinterpret_cast<NSDateIvars*>(d)->_interval; }

id newDate(Class cls, TimeInterval interval) {
  id d = class_createInstance(cls, 0);
  intervalOf(d) = interval;
  return d;
}

id classDate(id self, SEL) { return objc::autorelease(newDate(asClass(self), now())); }
id classSinceNow(id self, SEL, double seconds) { return objc::autorelease(newDate(asClass(self), now() + seconds)); }
id classSinceReference(id self, SEL, double seconds) { return objc::autorelease(newDate(asClass(self), seconds)); }
id classSince1970(id self, SEL, double seconds) {
  return objc::autorelease(newDate(asClass(self), seconds - kTimeIntervalSince1970));
}
id classDistantFuture(id self, SEL) { return objc::autorelease(newDate(asClass(self), kDistantFuture)); }
id classDistantPast(id self, SEL) { return objc::autorelease(newDate(asClass(self), kDistantPast)); }
double classTimeIntervalSinceReferenceDate(id, SEL) { return now(); }

id dateInit(id self, SEL) {
  intervalOf(self) = now();
  return self;
}
id dateInitSinceNow(id self, SEL, double seconds) {
  intervalOf(self) = now() + seconds;
  return self;
}
id dateInitSinceReference(id self, SEL, double seconds) {
  intervalOf(self) = seconds;
  return self;
}
id dateInitSince1970(id self, SEL, double seconds) {
  intervalOf(self) = seconds - kTimeIntervalSince1970;
  return self;
}

double sinceReference(id self, SEL) { return intervalOf(self); }
double since1970(id self, SEL) { return intervalOf(self) + kTimeIntervalSince1970; }
double sinceNow(id self, SEL) { return intervalOf(self) - now(); }

double sinceDate(id self, SEL cmd, id other) {
  if (!isDate(other)) detail::raiseNilArgument(self, cmd);
  return intervalOf(self) - intervalOf(other);
}

id byAdding(id self, SEL, double seconds) {
  return objc::autorelease(newDate(NSDateClass(), intervalOf(self) + seconds));
}

NSComparisonResult dateCompare(id self, SEL cmd, id other) {
  if (!isDate(other)) detail::raiseNilArgument(self, cmd);
  double a = intervalOf(self);
  double b = intervalOf(other);
  return a < b ? NSOrderedAscending : a > b ? NSOrderedDescending : NSOrderedSame;
}

BOOL dateIsEqual(id self, SEL, id other) {
  return other == self || (isDate(other) && intervalOf(other) == intervalOf(self)) ? YES : NO;
}

NSUInteger dateHash(id self, SEL) {
  double v = intervalOf(self);
  return static_cast<NSUInteger>(static_cast<long long>(std::isfinite(v) ? v : 0));
}

id earlierDate(id self, SEL, id other) {
  return isDate(other) && intervalOf(other) < intervalOf(self) ? other : self;
}
id laterDate(id self, SEL, id other) { return isDate(other) && intervalOf(other) > intervalOf(self) ? other : self; }

// Calendar date of a Julian day number: Gregorian from 1582-10-15 on, Julian before,
// as iOS's calendar counts (so distantPast prints as year 0001).
struct CivilDate {
  long long year;
  int month;
  int day;
};

CivilDate civilFromJulianDay(long long jdn) {
  long long c;
  if (jdn >= 2299161) {
    long long a = jdn + 32044;
    long long b = (4 * a + 3) / 146097;
    c = a - 146097 * b / 4;
    long long d = (4 * c + 3) / 1461;
    long long e = c - 1461 * d / 4;
    long long m = (5 * e + 2) / 153;
    return {100 * b + d - 4800 + m / 10, static_cast<int>(m + 3 - 12 * (m / 10)),
            static_cast<int>(e - (153 * m + 2) / 5 + 1)};
  }
  c = jdn + 32082;
  long long d = (4 * c + 3) / 1461;
  long long e = c - 1461 * d / 4;
  long long m = (5 * e + 2) / 153;
  return {d - 4800 + m / 10, static_cast<int>(m + 3 - 12 * (m / 10)), static_cast<int>(e - (153 * m + 2) / 5 + 1)};
}

// "2001-01-01 00:00:00 +0000", in UTC.
id dateDescription(id self, SEL) {
  double interval = intervalOf(self);
  if (!std::isfinite(interval) || std::fabs(interval) > 1e15) return objc::autorelease(detail::newString("(invalid)"));
  auto seconds = static_cast<long long>(std::floor(interval));
  long long days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  long long secondOfDay = seconds - days * 86400;
  CivilDate civil = civilFromJulianDay(days + 2451911);  // 2001-01-01 is Julian day 2451911
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02lld:%02lld:%02lld +0000", civil.year, civil.month,
                civil.day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
  return objc::autorelease(detail::newString(buffer));
}

id dateCopy(id self, SEL, void*) { return objc::retain(self); }

Class registerNSDate() {
  return objc::ClassBuilder<NSDateIvars>("NSDate", objc::NSObjectClass())
      .ivar<&NSDateIvars::_interval>("_interval")
      .classMethod<&classDate>("date")
      .classMethod<&classSinceNow>("dateWithTimeIntervalSinceNow:")
      .classMethod<&classSinceReference>("dateWithTimeIntervalSinceReferenceDate:")
      .classMethod<&classSince1970>("dateWithTimeIntervalSince1970:")
      .classMethod<&classDistantFuture>("distantFuture")
      .classMethod<&classDistantPast>("distantPast")
      .classMethod<&classTimeIntervalSinceReferenceDate>("timeIntervalSinceReferenceDate")
      .method<&dateInit>("init")
      .method<&dateInitSinceNow>("initWithTimeIntervalSinceNow:")
      .method<&dateInitSinceReference>("initWithTimeIntervalSinceReferenceDate:")
      .method<&dateInitSince1970>("initWithTimeIntervalSince1970:")
      .method<&sinceReference>("timeIntervalSinceReferenceDate")
      .method<&since1970>("timeIntervalSince1970")
      .method<&sinceNow>("timeIntervalSinceNow")
      .method<&sinceDate>("timeIntervalSinceDate:")
      .method<&byAdding>("dateByAddingTimeInterval:")
      .method<&dateCompare>("compare:")
      .method<&dateIsEqual>("isEqual:")
      .method<&dateIsEqual>("isEqualToDate:")
      .method<&dateHash>("hash")
      .method<&earlierDate>("earlierDate:")
      .method<&laterDate>("laterDate:")
      .method<&dateDescription>("description")
      .method<&dateCopy>("copyWithZone:")
      .registerClass();
}

}  // namespace

Class NSDateClass() {
  static const Class cls = registerNSDate();
  return cls;
}

[[maybe_unused]] static const Class kNSDateAtLoad = NSDateClass();

id date(TimeInterval sinceReferenceDate) { return objc::autorelease(newDate(NSDateClass(), sinceReferenceDate)); }

bool isDate(id object) { return object != nil && detail::inheritsFrom(object_getClass(object), NSDateClass()); }

TimeInterval dateInterval(id date) { return isDate(date) ? intervalOf(date) : 0; }

}  // namespace ns
