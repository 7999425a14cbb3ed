// NSString and NSMutableString: UTF-16 lengths over UTF-8 storage, searching,
// formatting, percent escapes, the number readers and nil arguments.
#include <foundation/Foundation.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

using objc::send;
using objc::sel;

namespace {

class Strings : public ::testing::Test {
 protected:
  objc::AutoreleasePool pool;
  static id S(const char* text) { return ns::str(text); }
  static std::string U(id s) { return ns::utf8(s); }
  static Class stringClass() { return ns::NSStringClass(); }
};

TEST_F(Strings, LengthAndIndexesCountUtf16Units) {
  id ascii = S("hello");
  id accented = S("h\xC3\xA9llo");         // é: one unit, two bytes
  id emoji = S("a\xF0\x9F\x98\x80" "b");     // 😀: two units (a surrogate pair), four bytes
  EXPECT_EQ(send<NSUInteger>(ascii, sel<"length">()), 5u);
  EXPECT_EQ(send<NSUInteger>(accented, sel<"length">()), 5u);
  EXPECT_EQ(send<NSUInteger>(emoji, sel<"length">()), 4u);
  EXPECT_EQ(send<unichar>(accented, sel<"characterAtIndex:">(), NSUInteger{1}), 0xE9);
  EXPECT_EQ(send<unichar>(emoji, sel<"characterAtIndex:">(), NSUInteger{1}), 0xD83D);
  EXPECT_EQ(send<unichar>(emoji, sel<"characterAtIndex:">(), NSUInteger{2}), 0xDE00);
  EXPECT_EQ(send<unichar>(emoji, sel<"characterAtIndex:">(), NSUInteger{3}), 'b');
  EXPECT_EQ(U(send<id>(emoji, sel<"substringFromIndex:">(), NSUInteger{3})), "b");
  EXPECT_EQ(U(send<id>(emoji, sel<"substringWithRange:">(), NSMakeRange(1, 2))), "\xF0\x9F\x98\x80");
  EXPECT_EQ(U(send<id>(accented, sel<"substringToIndex:">(), NSUInteger{2})), "h\xC3\xA9");
  EXPECT_STREQ(send<const char*>(accented, sel<"UTF8String">()), "h\xC3\xA9llo");
}

TEST_F(Strings, MalformedUtf8GivesNil) {
  EXPECT_EQ(ns::str("\xC3"), nil);              // truncated sequence
  EXPECT_EQ(ns::str("\xC0\xAF"), nil);          // overlong "/"
  EXPECT_EQ(ns::str("\xED\xA0\x80"), nil);      // a surrogate encoded directly
  EXPECT_EQ(send<id>(stringClass(), sel<"stringWithUTF8String:">(), "\xFF"), nil);
  EXPECT_NE(ns::str(""), nil);
}

TEST_F(Strings, EqualityHashAndCopiesAcrossMutability) {
  id a = S("key");
  id b = ns::mutableStr("key");
  EXPECT_TRUE(send<BOOL>(a, sel<"isEqual:">(), b));
  EXPECT_TRUE(send<BOOL>(b, sel<"isEqualToString:">(), a));
  EXPECT_EQ(send<NSUInteger>(a, sel<"hash">()), send<NSUInteger>(b, sel<"hash">()));
  EXPECT_FALSE(send<BOOL>(a, sel<"isEqual:">(), ns::numberWithInt(1)));
  // The cached hash must follow a mutation.
  NSUInteger before = send<NSUInteger>(b, sel<"hash">());
  send<void>(b, sel<"appendString:">(), S("s"));
  EXPECT_NE(send<NSUInteger>(b, sel<"hash">()), before);
  EXPECT_EQ(send<NSUInteger>(b, sel<"hash">()), send<NSUInteger>(S("keys"), sel<"hash">()));

  objc::Ref copyOfImmutable = objc::Ref::adopt(send<id>(a, sel<"copy">()));
  EXPECT_EQ(copyOfImmutable.get(), a);
  objc::Ref copyOfMutable = objc::Ref::adopt(send<id>(b, sel<"copy">()));
  EXPECT_NE(copyOfMutable.get(), b);
  EXPECT_FALSE(ns::isKind(copyOfMutable, ns::NSMutableStringClass()));
  send<void>(b, sel<"appendString:">(), S("!"));
  EXPECT_EQ(U(copyOfMutable), "keys");
  objc::Ref mutableCopy = objc::Ref::adopt(send<id>(a, sel<"mutableCopy">()));
  EXPECT_TRUE(ns::isKind(mutableCopy, "NSMutableString"));
  EXPECT_EQ(send<NSComparisonResult>(S("abc"), sel<"compare:">(), S("abd")), NSOrderedAscending);
  EXPECT_EQ(send<NSComparisonResult>(S("ABC"), sel<"caseInsensitiveCompare:">(), S("abc")), NSOrderedSame);
}

TEST_F(Strings, SearchingAnswersUtf16Ranges) {
  id text = S("caf\xC3\xA9 au lait, caf\xC3\xA9 noir");
  NSRange r = send<NSRange>(text, sel<"rangeOfString:">(), S("au"));
  EXPECT_EQ(r, NSMakeRange(5, 2));
  r = send<NSRange>(text, sel<"rangeOfString:options:">(), S("CAF\xC3\xA9"), NSCaseInsensitiveSearch | NSBackwardsSearch);
  EXPECT_EQ(r, NSMakeRange(14, 4));
  r = send<NSRange>(text, sel<"rangeOfString:">(), S("tea"));
  EXPECT_EQ(r.location, static_cast<NSUInteger>(NSNotFound));
  EXPECT_EQ(send<NSRange>(text, sel<"rangeOfString:">(), S("")).location, static_cast<NSUInteger>(NSNotFound));
  EXPECT_TRUE(send<BOOL>(text, sel<"containsString:">(), S("lait")));
  EXPECT_FALSE(send<BOOL>(text, sel<"containsString:">(), S("")));
  EXPECT_TRUE(send<BOOL>(text, sel<"hasPrefix:">(), S("caf")));
  EXPECT_TRUE(send<BOOL>(text, sel<"hasSuffix:">(), S("noir")));
  EXPECT_FALSE(send<BOOL>(text, sel<"hasPrefix:">(), S("")));  // as on iOS

  id parts = send<id>(S(",a,,b,"), sel<"componentsSeparatedByString:">(), S(","));
  ASSERT_EQ(send<NSUInteger>(parts, sel<"count">()), 5u);
  EXPECT_EQ(ns::describe(parts), "(\n    \"\",\n    a,\n    \"\",\n    b,\n    \"\"\n)");
  id whole = send<id>(S("abc"), sel<"componentsSeparatedByString:">(), S("-"));
  EXPECT_EQ(U(send<id>(whole, sel<"objectAtIndex:">(), NSUInteger{0})), "abc");
  EXPECT_EQ(U(send<id>(S("a-b"), sel<"stringByReplacingOccurrencesOfString:withString:">(), S("-"), S("--"))), "a--b");
  EXPECT_EQ(U(send<id>(S("ab"), sel<"stringByAppendingString:">(), S("\xC3\xA9"))), "ab\xC3\xA9");
}

TEST_F(Strings, PathComponents) {
  id path = S("/var/mobile/Library/Prefs.plist/");
  EXPECT_EQ(U(send<id>(path, sel<"lastPathComponent">())), "Prefs.plist");
  EXPECT_EQ(U(send<id>(path, sel<"pathExtension">())), "plist");
  EXPECT_EQ(U(send<id>(path, sel<"stringByDeletingLastPathComponent">())), "/var/mobile/Library");
  EXPECT_EQ(U(send<id>(path, sel<"stringByDeletingPathExtension">())), "/var/mobile/Library/Prefs");
  EXPECT_EQ(U(send<id>(S("/var/"), sel<"stringByAppendingPathComponent:">(), S("/x"))), "/var/x");
  EXPECT_EQ(U(send<id>(S("/"), sel<"stringByDeletingLastPathComponent">())), "/");
  EXPECT_EQ(U(send<id>(S(".hidden"), sel<"pathExtension">())), "");
}

TEST_F(Strings, FormatConversionsFlagsAndWidths) {
  auto fmt = [&](const char* f, auto... args) {
    return U(objc::sendVariadic<id>(stringClass(), sel<"stringWithFormat:">(), S(f), args...));
  };
  EXPECT_EQ(fmt("%d|%i|%u", -3, 4, 5u), "-3|4|5");
  EXPECT_EQ(fmt("%ld|%lu|%lld|%llu", -1L, 2UL, -3LL, 4ULL), "-1|2|-3|4");
  EXPECT_EQ(fmt("%ld", LONG_MIN), std::to_string(LONG_MIN));
  EXPECT_EQ(fmt("%f|%.2f|%.0f|%g", 1.5, 3.14159, 2.5, 0.0001), "1.500000|3.14|2|0.0001");
  EXPECT_EQ(fmt("%5d|%-5d|%05d|%+d|% d", 42, 42, 42, 42, 42), "   42|42   |00042|+42| 42");
  EXPECT_EQ(fmt("%x|%X|%#x|%o", 255, 255, 255, 8), "ff|FF|0xff|10");
  EXPECT_EQ(fmt("%c%c|%s|%.2s|%5s", 'o', 'k', "text", "text", "ab"), "ok|text|te|   ab");
  EXPECT_EQ(fmt("%@ and %@", S("this"), ns::numberWithInt(7)), "this and 7");
  EXPECT_EQ(fmt("%@|%s", static_cast<id>(nil), static_cast<const char*>(nullptr)), "(null)|(null)");
  EXPECT_EQ(fmt("100%% of %d", 3), "100% of 3");
  EXPECT_EQ(fmt("%2$@ %1$@", S("world"), S("hello")), "hello world");
  EXPECT_EQ(fmt("%*d|%.*f", 4, 7, 1, 2.25), "   7|2.2");
  EXPECT_EQ(fmt("%-4@|", S("\xC3\xA9")), "\xC3\xA9   |");  // width counts characters, not bytes
  EXPECT_EQ(fmt("trailing %"), "trailing %");
  EXPECT_EQ(U(ns::format("%d-%@", 1, S("x"))), "1-x");

  id m = ns::mutableStr("n=");
  objc::sendVariadic<void>(m, sel<"appendFormat:">(), S("%d, %.1f"), 3, 0.25);
  EXPECT_EQ(U(m), "n=3, 0.2");
  id made = objc::sendVariadic<id>(ns::NSMutableStringClass(), sel<"stringWithFormat:">(), S("%d"), 1);
  EXPECT_TRUE(ns::isKind(made, ns::NSMutableStringClass()));
}

TEST_F(Strings, PercentEscapesDecodeOrGiveNil) {
  auto decode = [&](const char* text, NSStringEncoding encoding) {
    return send<id>(S(text), sel<"stringByReplacingPercentEscapesUsingEncoding:">(), encoding);
  };
  EXPECT_EQ(U(decode("caf%C3%A9%20au%2Flait", NSUTF8StringEncoding)), "caf\xC3\xA9 au/lait");
  EXPECT_EQ(U(decode("plain", NSUTF8StringEncoding)), "plain");
  EXPECT_EQ(U(decode("%41%42", NSASCIIStringEncoding)), "AB");
  EXPECT_EQ(decode("%E9", NSUTF8StringEncoding), nil);          // a lone Latin-1 byte is not UTF-8
  EXPECT_EQ(decode("%C3", NSUTF8StringEncoding), nil);          // half a character
  EXPECT_EQ(decode("%C3%A9", NSASCIIStringEncoding), nil);      // not ASCII
  EXPECT_EQ(decode("50%", NSUTF8StringEncoding), nil);          // malformed escapes
  EXPECT_EQ(decode("%4", NSUTF8StringEncoding), nil);
  EXPECT_EQ(decode("%G1", NSUTF8StringEncoding), nil);
  EXPECT_EQ(U(send<id>(S("a b\xC3\xA9"), sel<"stringByAddingPercentEscapesUsingEncoding:">(), NSUTF8StringEncoding)),
            "a%20b%C3%A9");
}

TEST_F(Strings, EncodingsRoundTrip) {
  id text = S("h\xC3\xA9\xF0\x9F\x98\x80");
  id utf16 = send<id>(text, sel<"dataUsingEncoding:">(), NSUTF16StringEncoding);
  EXPECT_EQ(ns::bytesOf(utf16).size(), 2u + 2 * 4);  // byte-order mark, then four units
  objc::Ref back = objc::Ref::adopt(send<id>(send<id>(stringClass(), sel<"alloc">()), sel<"initWithData:encoding:">(),
                                             utf16, NSUTF16StringEncoding));
  EXPECT_TRUE(send<BOOL>(back, sel<"isEqualToString:">(), text));
  EXPECT_EQ(send<id>(text, sel<"dataUsingEncoding:">(), NSASCIIStringEncoding), nil);
  EXPECT_EQ(send<id>(S("\xE2\x82\xAC"), sel<"dataUsingEncoding:">(), NSISOLatin1StringEncoding), nil);
  id latin = send<id>(stringClass(), sel<"stringWithCString:encoding:">(), "caf\xE9", NSISOLatin1StringEncoding);
  EXPECT_EQ(U(latin), "caf\xC3\xA9");
  objc::Ref bad = objc::Ref::adopt(send<id>(send<id>(stringClass(), sel<"alloc">()),
                                            sel<"initWithBytes:length:encoding:">(),
                                            static_cast<const void*>("\x00\xD8"), NSUInteger{2},
                                            NSUTF16LittleEndianStringEncoding));
  EXPECT_EQ(bad.get(), nil);  // an unpaired surrogate
}

TEST_F(Strings, NumberReadersFollowNSStringRules) {
  struct Case {
    const char* text;
    int intValue;
    long long longLongValue;
    double doubleValue;
    bool boolValue;
  };
  const Case cases[] = {
      {"  12abc", 12, 12, 12.0, true},
      {"-0", 0, 0, -0.0, false},
      {"yes", 0, 0, 0.0, true},
      {"Yes", 0, 0, 0.0, true},
      {"true", 0, 0, 0.0, true},
      {"no", 0, 0, 0.0, false},
      {"0x10", 0, 0, 0.0, false},
      {"", 0, 0, 0.0, false},
      {"  +007", 7, 7, 7.0, true},
      {"00", 0, 0, 0.0, false},
      {"-3.75e1x", -3, -3, -37.5, true},
      {".5", 0, 0, 0.5, false},
      {"\t\n 42", 42, 42, 42.0, true},
      {"+", 0, 0, 0.0, false},
      {"1e", 1, 1, 1.0, true},
      {"99999999999", INT_MAX, 99999999999LL, 99999999999.0, true},
      {"-99999999999", INT_MIN, -99999999999LL, -99999999999.0, true},
      {"123456789012345678901234567890", INT_MAX, LLONG_MAX, 1.2345678901234568e29, true},
      {"-123456789012345678901234567890", INT_MIN, LLONG_MIN, -1.2345678901234568e29, true},
      {"-9223372036854775808", INT_MIN, LLONG_MIN, -9223372036854775808.0, true},
      {"inf", 0, 0, 0.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    id s = S(c.text);
    EXPECT_EQ(send<int>(s, sel<"intValue">()), c.intValue);
    EXPECT_EQ(send<NSInteger>(s, sel<"integerValue">()), c.longLongValue);
    EXPECT_EQ(send<long long>(s, sel<"longLongValue">()), c.longLongValue);
    EXPECT_DOUBLE_EQ(send<double>(s, sel<"doubleValue">()), c.doubleValue);
    EXPECT_FLOAT_EQ(send<float>(s, sel<"floatValue">()), static_cast<float>(c.doubleValue));
    EXPECT_EQ(send<BOOL>(s, sel<"boolValue">()) != NO, c.boolValue);
  }
  EXPECT_TRUE(std::isinf(ns::readDouble("1e999")));
  EXPECT_EQ(ns::readDouble("1e-999"), 0.0);
  EXPECT_TRUE(std::signbit(ns::readDouble("-0")));
}

TEST_F(Strings, MutableEdits) {
  id m = ns::mutableStr("h\xC3\xA9llo");
  send<void>(m, sel<"insertString:atIndex:">(), S(">"), NSUInteger{0});
  send<void>(m, sel<"deleteCharactersInRange:">(), NSMakeRange(2, 1));
  EXPECT_EQ(U(m), ">hllo");
  send<void>(m, sel<"replaceCharactersInRange:withString:">(), NSMakeRange(1, 4), S("\xF0\x9F\x98\x80"));
  EXPECT_EQ(send<NSUInteger>(m, sel<"length">()), 3u);
  send<void>(m, sel<"appendString:">(), m);  // appending itself
  EXPECT_EQ(U(m), ">\xF0\x9F\x98\x80>\xF0\x9F\x98\x80");
  EXPECT_EQ(send<NSUInteger>(m, sel<"length">()), 6u);
  send<void>(m, sel<"setString:">(), S(""));
  EXPECT_EQ(send<NSUInteger>(m, sel<"length">()), 0u);
  EXPECT_STREQ(send<const char*>(m, sel<"UTF8String">()), "");
  objc::Ref fresh = objc::Ref::adopt(objc::allocInit(ns::NSMutableStringClass()));
  send<void>(fresh, sel<"appendString:">(), S("grows"));
  EXPECT_EQ(U(fresh), "grows");
}

TEST_F(Strings, DescriptionsOfObjectsAndClasses) {
  objc::Ref object = objc::Ref::adopt(objc::allocInit(objc::NSObjectClass()));
  EXPECT_EQ(ns::describe(object).rfind("<NSObject: 0x", 0), 0u);
  EXPECT_EQ(ns::describe(send<id>(object, sel<"debugDescription">())), ns::describe(object));
  EXPECT_EQ(U(send<id>(ns::NSStringClass(), sel<"description">())), "NSString");
  EXPECT_EQ(ns::describe(nil), "(null)");
  EXPECT_EQ(ns::describe(S("as is")), "as is");
}

TEST_F(Strings, NilArguments) {
  // Where iOS answers NO or nil the platform does too...
  EXPECT_FALSE(send<BOOL>(S("a"), sel<"hasPrefix:">(), static_cast<id>(nil)));
  EXPECT_FALSE(send<BOOL>(S("a"), sel<"hasSuffix:">(), static_cast<id>(nil)));
  EXPECT_FALSE(send<BOOL>(S("a"), sel<"isEqualToString:">(), static_cast<id>(nil)));
  EXPECT_EQ(ns::utf8(nil), "");
  EXPECT_EQ(ns::utf8View(nil), "");
  // ...and where iOS raises, the process stops naming the method.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(send<id>(S("a"), sel<"stringByAppendingString:">(), static_cast<id>(nil)),
               "stringByAppendingString:\\]: nil argument");
  EXPECT_DEATH(send<NSRange>(S("a"), sel<"rangeOfString:">(), static_cast<id>(nil)), "rangeOfString:");
  EXPECT_DEATH(send<id>(stringClass(), sel<"stringWithUTF8String:">(), static_cast<const char*>(nullptr)),
               "\\+\\[NSString stringWithUTF8String:\\]: NULL cString");
  EXPECT_DEATH(send<void>(ns::mutableStr("x"), sel<"appendString:">(), static_cast<id>(nil)), "appendString:");
  EXPECT_DEATH(send<unichar>(S("ab"), sel<"characterAtIndex:">(), NSUInteger{2}), "out of bounds");
  EXPECT_DEATH(send<id>(S("ab"), sel<"substringWithRange:">(), NSMakeRange(1, 5)), "out of bounds");
}

}  // namespace
