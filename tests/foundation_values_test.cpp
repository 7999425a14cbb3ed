// NSNumber, NSNull and NSData: kinds, conversions, cross-kind equality and
// hashing, and data edits.
#include <foundation/Foundation.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using objc::send;
using objc::sel;

namespace {

class Values : public ::testing::Test {
 protected:
  objc::AutoreleasePool pool;
  static id number(const char* maker, auto value) {
    return send<id>(ns::NSNumberClass(), sel_registerName(maker), value);
  }
  static bool equal(id a, id b) { return send<BOOL>(a, sel<"isEqual:">(), b) != NO; }
  static NSUInteger hash(id a) { return send<NSUInteger>(a, sel<"hash">()); }
};

TEST_F(Values, NumbersKeepTheirKind) {
  id yes = number("numberWithBool:", BOOL{YES});
  id one = number("numberWithInt:", 1);
  id real = number("numberWithDouble:", 1.0);
  id big = number("numberWithUnsignedLongLong:", ~0ULL);
  EXPECT_TRUE(ns::isBoolean(yes));
  EXPECT_FALSE(ns::isBoolean(one));
  EXPECT_EQ(ns::numberKind(one), ns::NumberKind::Int);
  EXPECT_EQ(ns::numberKind(real), ns::NumberKind::Double);
  EXPECT_EQ(ns::numberKind(number("numberWithFloat:", 1.5f)), ns::NumberKind::Float);
  EXPECT_EQ(ns::numberKind(number("numberWithInteger:", NSInteger{1})), ns::NumberKind::Long);
  EXPECT_STREQ(send<const char*>(yes, sel<"objCType">()), "c");
  EXPECT_STREQ(send<const char*>(one, sel<"objCType">()), "i");
  EXPECT_STREQ(send<const char*>(real, sel<"objCType">()), "d");
  EXPECT_STREQ(send<const char*>(big, sel<"objCType">()), "Q");
  // Booleans are shared objects.
  EXPECT_EQ(yes, ns::numberWithBool(true));
  EXPECT_NE(yes, ns::numberWithBool(false));
}

TEST_F(Values, ConversionsBetweenKinds) {
  id d = ns::numberWithDouble(-3.75);
  EXPECT_EQ(send<int>(d, sel<"intValue">()), -3);
  EXPECT_EQ(send<long long>(d, sel<"longLongValue">()), -3);
  EXPECT_TRUE(send<BOOL>(d, sel<"boolValue">()));
  EXPECT_FLOAT_EQ(send<float>(d, sel<"floatValue">()), -3.75f);
  EXPECT_EQ(ns::utf8(send<id>(d, sel<"stringValue">())), "-3.75");
  id huge = ns::numberWithDouble(1e300);
  EXPECT_EQ(send<long long>(huge, sel<"longLongValue">()), std::numeric_limits<long long>::max());  // saturates
  EXPECT_FALSE(send<BOOL>(ns::numberWithDouble(0.0), sel<"boolValue">()));
  id c = number("numberWithChar:", 'A');
  EXPECT_EQ(send<char>(c, sel<"charValue">()), 'A');
  EXPECT_EQ(send<NSInteger>(c, sel<"integerValue">()), 65);
  id u = ns::numberWithUnsignedLongLong(~0ULL);
  EXPECT_EQ(send<unsigned long long>(u, sel<"unsignedLongLongValue">()), ~0ULL);
  EXPECT_EQ(send<NSUInteger>(u, sel<"unsignedIntegerValue">()), ~0UL);
  EXPECT_EQ(ns::describe(u), "18446744073709551615");
  EXPECT_EQ(ns::describe(ns::numberWithBool(true)), "1");
  EXPECT_EQ(ns::describe(ns::numberWithDouble(0.1)), "0.1");
  EXPECT_EQ(ns::describe(ns::numberWithFloat(0.1f)), "0.1");
  EXPECT_EQ(ns::describe(ns::numberWithDouble(100.0)), "100");
  EXPECT_EQ(ns::describe(ns::numberWithInt(-42)), "-42");
}

TEST_F(Values, EqualityAndHashCrossKinds) {
  id yes = ns::numberWithBool(true);
  id one = ns::numberWithInt(1);
  id oneReal = ns::numberWithDouble(1.0);
  id oneFloat = ns::numberWithFloat(1.0f);
  id oneUnsigned = ns::numberWithUnsignedLongLong(1);
  for (id a : {yes, one, oneReal, oneFloat, oneUnsigned}) {
    for (id b : {yes, one, oneReal, oneFloat, oneUnsigned}) {
      EXPECT_TRUE(equal(a, b));
      EXPECT_EQ(hash(a), hash(b));
    }
  }
  EXPECT_FALSE(equal(one, ns::numberWithDouble(1.5)));
  EXPECT_FALSE(equal(one, ns::str("1")));
  // -1 and the largest unsigned value share their bits but not their value.
  EXPECT_FALSE(equal(ns::numberWithInt(-1), ns::numberWithUnsignedLongLong(~0ULL)));
  EXPECT_TRUE(equal(ns::numberWithDouble(9007199254740992.0), ns::numberWithLongLong(9007199254740992LL)));
  EXPECT_FALSE(equal(ns::numberWithDouble(9007199254740992.0), ns::numberWithLongLong(9007199254740993LL)));
  EXPECT_TRUE(equal(ns::numberWithDouble(-0.0), ns::numberWithInt(0)));
  EXPECT_EQ(hash(ns::numberWithDouble(-0.0)), hash(ns::numberWithInt(0)));
  id nan = ns::numberWithDouble(std::nan(""));
  EXPECT_TRUE(equal(nan, ns::numberWithDouble(std::nan(""))));
  EXPECT_EQ(send<NSComparisonResult>(ns::numberWithInt(-1), sel<"compare:">(), ns::numberWithUnsignedLongLong(0)),
            NSOrderedAscending);
  EXPECT_EQ(send<NSComparisonResult>(ns::numberWithDouble(2.5), sel<"compare:">(), ns::numberWithInt(2)),
            NSOrderedDescending);
  EXPECT_TRUE(send<BOOL>(one, sel<"isEqualToNumber:">(), oneReal));
  EXPECT_FALSE(send<BOOL>(one, sel<"isEqualToNumber:">(), static_cast<id>(nil)));
}

TEST_F(Values, NullIsOneObject) {
  id a = send<id>(ns::NSNullClass(), sel<"null">());
  EXPECT_EQ(a, ns::null());
  EXPECT_TRUE(ns::isNull(a));
  EXPECT_FALSE(ns::isNull(nil));
  EXPECT_EQ(ns::describe(a), "<null>");
  objc::Ref copy = objc::Ref::adopt(send<id>(a, sel<"copy">()));
  EXPECT_EQ(copy.get(), a);
  // NSNull can stand in a collection where nil cannot.
  EXPECT_EQ(send<id>(ns::array({a}), sel<"firstObject">()), a);
}

TEST_F(Values, DataBytesEqualityAndAppends) {
  const std::uint8_t raw[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};
  id d = send<id>(ns::NSDataClass(), sel<"dataWithBytes:length:">(), static_cast<const void*>(raw), NSUInteger{5});
  EXPECT_EQ(send<NSUInteger>(d, sel<"length">()), 5u);
  EXPECT_EQ(std::memcmp(send<const void*>(d, sel<"bytes">()), raw, 5), 0);
  EXPECT_TRUE(equal(d, ns::data(std::span<const std::uint8_t>(raw, 5))));
  EXPECT_FALSE(equal(d, ns::data(std::span<const std::uint8_t>(raw, 4))));
  EXPECT_EQ(hash(d), hash(ns::mutableData(std::span<const std::uint8_t>(raw, 5))));
  EXPECT_EQ(ns::describe(d), "<deadbeef 01>");

  id m = send<id>(ns::NSMutableDataClass(), sel<"data">());
  send<void>(m, sel<"appendData:">(), d);
  send<void>(m, sel<"appendData:">(), m);  // appending itself
  send<void>(m, sel<"appendBytes:length:">(), static_cast<const void*>("xy"), NSUInteger{2});
  EXPECT_EQ(ns::bytesOf(m).size(), 12u);
  EXPECT_EQ(ns::bytesOf(m)[5], 0xDE);
  EXPECT_EQ(ns::bytesOf(m)[11], 'y');
  objc::Ref frozen = objc::Ref::adopt(send<id>(m, sel<"copy">()));
  send<void>(m, sel<"setLength:">(), NSUInteger{1});
  EXPECT_EQ(ns::bytesOf(frozen).size(), 12u);
  EXPECT_FALSE(ns::isKind(frozen, ns::NSMutableDataClass()));
  id sub = send<id>(frozen, sel<"subdataWithRange:">(), NSMakeRange(1, 2));
  EXPECT_EQ(ns::describe(sub), "<adbe>");
  id empty = send<id>(ns::NSDataClass(), sel<"data">());
  EXPECT_EQ(send<NSUInteger>(empty, sel<"length">()), 0u);
  EXPECT_TRUE(equal(empty, ns::data(std::string_view())));
}

TEST_F(Values, NilArguments) {
  // appendData:nil is ignored on iOS; a null buffer with a length raises.
  id m = ns::mutableData({});
  send<void>(m, sel<"appendData:">(), static_cast<id>(nil));
  EXPECT_EQ(ns::bytesOf(m).size(), 0u);
  EXPECT_TRUE(ns::bytesOf(nil).empty());
  EXPECT_FALSE(ns::isNumber(nil));
  EXPECT_EQ(ns::numberAsLongLong(nil), 0);
  EXPECT_FALSE(equal(ns::numberWithInt(0), nil));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(send<id>(ns::NSDataClass(), sel<"dataWithBytes:length:">(), static_cast<const void*>(nullptr),
                        NSUInteger{4}),
               "dataWithBytes:length:");
  EXPECT_DEATH(send<NSComparisonResult>(ns::numberWithInt(1), sel<"compare:">(), static_cast<id>(nil)), "compare:");
}

}  // namespace
