// Basic value types shared by every framework stand-in: the runtime's own id, SEL,
// Class and BOOL, plus the Core Graphics geometry and Foundation integer types that
// cross message sends by value.
#pragma once

#include <objc/objc.h>
#include <objc/runtime.h>

#include <cstddef>
#include <cstdint>

using NSInteger = long;
using NSUInteger = unsigned long;
using CGFloat = double;

inline constexpr NSInteger NSNotFound = static_cast<NSInteger>(~0UL >> 1);

struct CGPoint {
  CGFloat x = 0;
  CGFloat y = 0;
  friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
  CGFloat width = 0;
  CGFloat height = 0;
  friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
  CGPoint origin;
  CGSize size;
  friend bool operator==(const CGRect&, const CGRect&) = default;
};

struct NSRange {
  NSUInteger location = 0;
  NSUInteger length = 0;
  friend bool operator==(const NSRange&, const NSRange&) = default;
};

inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return {x, y}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return {w, h}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return {{x, y}, {w, h}}; }
inline NSRange NSMakeRange(NSUInteger loc, NSUInteger len) { return {loc, len}; }

inline constexpr CGPoint CGPointZero{};
inline constexpr CGSize CGSizeZero{};
inline constexpr CGRect CGRectZero{};

// These mirror the C layouts the runtime's type strings describe.
static_assert(sizeof(CGPoint) == 2 * sizeof(CGFloat));
static_assert(sizeof(CGSize) == 2 * sizeof(CGFloat));
static_assert(sizeof(CGRect) == 4 * sizeof(CGFloat));
static_assert(sizeof(NSRange) == 2 * sizeof(NSUInteger));
static_assert(sizeof(BOOL) == 1);
static_assert(sizeof(id) == sizeof(void*) && sizeof(Class) == sizeof(void*));
