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

namespace {

class MoreValues : public ::testing::Test {
 protected:
  objc::AutoreleasePool pool;
  static id S(const char* text) { return ns::str(text); }
  static std::string U(id s) { return ns::utf8(s); }
};

TEST_F(MoreValues, DatesFollowTheProcessClock) {
  ns::useManualClock(1000.0);
  id now = send<id>(ns::NSDateClass(), sel<"date">());
  EXPECT_DOUBLE_EQ(send<double>(now, sel<"timeIntervalSinceReferenceDate">()), 1000.0);
  EXPECT_DOUBLE_EQ(send<double>(now, sel<"timeIntervalSince1970">()), 1000.0 + 978307200.0);
  id later = send<id>(ns::NSDateClass(), sel<"dateWithTimeIntervalSinceNow:">(), 12.0);
  ASSERT_TRUE(ns::advanceClock(5.0).ok());
  EXPECT_DOUBLE_EQ(send<double>(later, sel<"timeIntervalSinceNow">()), 7.0);
  EXPECT_DOUBLE_EQ(send<double>(now, sel<"timeIntervalSinceNow">()), -5.0);
  ns::useRealClock();
  EXPECT_EQ(send<NSComparisonResult>(now, sel<"compare:">(), later), NSOrderedAscending);
  EXPECT_EQ(send<NSComparisonResult>(later, sel<"compare:">(), now), NSOrderedDescending);
  id same = send<id>(ns::NSDateClass(), sel<"dateWithTimeIntervalSinceReferenceDate:">(), 1000.0);
  EXPECT_TRUE(send<BOOL>(same, sel<"isEqual:">(), now));
  EXPECT_EQ(send<NSUInteger>(same, sel<"hash">()), send<NSUInteger>(now, sel<"hash">()));
  EXPECT_FALSE(send<BOOL>(same, sel<"isEqual:">(), later));
  id future = send<id>(ns::NSDateClass(), sel<"distantFuture">());
  id past = send<id>(ns::NSDateClass(), sel<"distantPast">());
  EXPECT_EQ(send<NSComparisonResult>(past, sel<"compare:">(), now), NSOrderedAscending);
  EXPECT_EQ(send<NSComparisonResult>(future, sel<"compare:">(), ns::date(1e10)), NSOrderedDescending);
  EXPECT_EQ(ns::describe(ns::date(0)), "2001-01-01 00:00:00 +0000");
  EXPECT_EQ(ns::describe(ns::date(-1)), "2000-12-31 23:59:59 +0000");
  EXPECT_EQ(ns::describe(ns::date(730857600.0 + 3723)), "2024-02-29 01:02:03 +0000");
  EXPECT_EQ(ns::describe(future), "4001-01-01 00:00:00 +0000");
  EXPECT_EQ(ns::describe(past), "0001-01-01 00:00:00 +0000");
}

TEST_F(MoreValues, UrlsParseOrGiveNil) {
  auto make = [&](const char* text) { return send<id>(ns::NSURLClass(), sel<"URLWithString:">(), S(text)); };
  id u = make("https://user:pw@example.com:8080/a%20b/c.png/?q=1&r=2#frag");
  ASSERT_NE(u, nil);
  EXPECT_EQ(U(send<id>(u, sel<"absoluteString">())), "https://user:pw@example.com:8080/a%20b/c.png/?q=1&r=2#frag");
  EXPECT_EQ(U(send<id>(u, sel<"scheme">())), "https");
  EXPECT_EQ(U(send<id>(u, sel<"host">())), "example.com");
  EXPECT_EQ(ns::numberAsLongLong(send<id>(u, sel<"port">())), 8080);
  EXPECT_EQ(U(send<id>(u, sel<"path">())), "/a b/c.png");
  EXPECT_EQ(U(send<id>(u, sel<"query">())), "q=1&r=2");
  EXPECT_EQ(U(send<id>(u, sel<"fragment">())), "frag");
  EXPECT_EQ(U(send<id>(u, sel<"user">())), "user");
  EXPECT_EQ(U(send<id>(u, sel<"lastPathComponent">())), "c.png");
  EXPECT_EQ(U(send<id>(u, sel<"pathExtension">())), "png");

  id sms = make("sms:+15551234");
  ASSERT_NE(sms, nil);
  EXPECT_EQ(U(send<id>(sms, sel<"scheme">())), "sms");
  EXPECT_EQ(send<id>(sms, sel<"path">()), nil);  // opaque
  EXPECT_EQ(send<id>(sms, sel<"host">()), nil);
  EXPECT_EQ(U(send<id>(sms, sel<"resourceSpecifier">())), "+15551234");
  id relative = make("folder/file.txt");
  ASSERT_NE(relative, nil);
  EXPECT_EQ(send<id>(relative, sel<"scheme">()), nil);
  EXPECT_EQ(U(send<id>(relative, sel<"path">())), "folder/file.txt");

  for (const char* bad : {"", "has space", "http://x/%zz", "http://x/%4", "tab\there", "a#b#c", "quote\"d",
                          "http://x/{y}", "caf\xC3\xA9"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(make(bad), nil);
  }
  EXPECT_EQ(send<id>(ns::NSURLClass(), sel<"URLWithString:">(), static_cast<id>(nil)), nil);

  id file = send<id>(ns::NSURLClass(), sel<"fileURLWithPath:isDirectory:">(), S("/var/mobile/My Pics/a.jpg"), BOOL{NO});
  EXPECT_EQ(U(send<id>(file, sel<"absoluteString">())), "file:///var/mobile/My%20Pics/a.jpg");
  EXPECT_EQ(U(send<id>(file, sel<"path">())), "/var/mobile/My Pics/a.jpg");
  EXPECT_TRUE(send<BOOL>(file, sel<"isFileURL">()));
  EXPECT_FALSE(send<BOOL>(u, sel<"isFileURL">()));
  id appended = send<id>(make("http://h/dir?x=1"), sel<"URLByAppendingPathComponent:">(), S("a b"));
  EXPECT_EQ(U(send<id>(appended, sel<"absoluteString">())), "http://h/dir/a%20b?x=1");
  EXPECT_TRUE(send<BOOL>(make("http://h/"), sel<"isEqual:">(), ns::url("http://h/")));
  EXPECT_FALSE(send<BOOL>(make("http://h/"), sel<"isEqual:">(), ns::url("http://h")));
}

TEST_F(MoreValues, IndexPathsCompareByValue) {
  id p = send<id>(ns::NSIndexPathClass(), sel<"indexPathForRow:inSection:">(), NSInteger{3}, NSInteger{1});
  EXPECT_EQ(send<NSInteger>(p, sel<"row">()), 3);
  EXPECT_EQ(send<NSInteger>(p, sel<"section">()), 1);
  EXPECT_EQ(send<NSUInteger>(p, sel<"length">()), 2u);
  id q = ns::indexPath(3, 1);
  EXPECT_NE(p, q);
  EXPECT_TRUE(send<BOOL>(p, sel<"isEqual:">(), q));
  EXPECT_EQ(send<NSUInteger>(p, sel<"hash">()), send<NSUInteger>(q, sel<"hash">()));
  EXPECT_FALSE(send<BOOL>(p, sel<"isEqual:">(), ns::indexPath(1, 3)));
  EXPECT_EQ(send<NSComparisonResult>(ns::indexPath(9, 0), sel<"compare:">(), ns::indexPath(0, 1)), NSOrderedAscending);
  // Usable as dictionary keys, as tables use them.
  id d = ns::dictionary({{p, S("cell")}});
  EXPECT_EQ(U(send<id>(d, sel<"objectForKey:">(), q)), "cell");
  EXPECT_NE(ns::describe(p).find("{length = 2, path = 1 - 3}"), std::string::npos);
}

TEST_F(MoreValues, IndexSets) {
  id one = send<id>(ns::NSIndexSetClass(), sel<"indexSetWithIndex:">(), NSUInteger{4});
  EXPECT_EQ(send<NSUInteger>(one, sel<"count">()), 1u);
  EXPECT_TRUE(send<BOOL>(one, sel<"containsIndex:">(), NSUInteger{4}));
  EXPECT_FALSE(send<BOOL>(one, sel<"containsIndex:">(), NSUInteger{5}));
  EXPECT_EQ(send<NSUInteger>(one, sel<"firstIndex">()), 4u);
  id range = send<id>(ns::NSIndexSetClass(), sel<"indexSetWithIndexesInRange:">(), NSMakeRange(2, 3));
  EXPECT_EQ(ns::indexesOf(range), (std::vector<NSUInteger>{2, 3, 4}));
  id empty = send<id>(ns::NSIndexSetClass(), sel<"indexSet">());
  EXPECT_EQ(send<NSUInteger>(empty, sel<"firstIndex">()), static_cast<NSUInteger>(NSNotFound));
  id m = send<id>(range, sel<"mutableCopy">());
  objc::autorelease(m);
  send<void>(m, sel<"addIndex:">(), NSUInteger{5});   // joins the run
  send<void>(m, sel<"addIndex:">(), NSUInteger{9});
  send<void>(m, sel<"removeIndex:">(), NSUInteger{3});  // splits it
  EXPECT_EQ(ns::indexesOf(m), (std::vector<NSUInteger>{2, 4, 5, 9}));
  EXPECT_EQ(send<NSUInteger>(m, sel<"lastIndex">()), 9u);
  EXPECT_EQ(send<NSUInteger>(m, sel<"indexGreaterThanIndex:">(), NSUInteger{5}), 9u);
  EXPECT_EQ(send<NSUInteger>(m, sel<"indexGreaterThanIndex:">(), NSUInteger{2}), 4u);
  EXPECT_EQ(send<NSUInteger>(m, sel<"indexLessThanIndex:">(), NSUInteger{4}), 2u);
  send<void>(m, sel<"addIndexesInRange:">(), NSMakeRange(3, 1));
  EXPECT_TRUE(send<BOOL>(m, sel<"isEqual:">(), ns::indexSet({9, 5, 4, 3, 2})));
  EXPECT_EQ(ns::indexesOf(range).size(), 3u);  // the copy was independent
}

}  // namespace
