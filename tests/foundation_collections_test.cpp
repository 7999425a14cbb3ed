// NSArray, NSDictionary and NSSet: ownership of elements, equality through
// isEqual:/hash sends, key copying, insertion order, and nil or out-of-range use.
#include <foundation/Foundation.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using objc::send;
using objc::sel;

namespace {

// A value class whose equality is by `_value` and whose hash collides on purpose,
// counting deallocs and isEqual: sends so tests can see the collections use them.
struct TokenIvars : NSObjectIvars {
  long _value;
};
int gDeallocs = 0;
int gEqualSends = 0;

void tokenDealloc(id self, SEL cmd) {
  ++gDeallocs;
  objc::sendSuper<void>(self, objc::classNamed("CollTestToken"), cmd);
}
BOOL tokenIsEqual(id self, SEL, id other) {
  ++gEqualSends;
  return ns::isKind(other, "CollTestToken") &&
         objc::ivars<TokenIvars>(self)->_value == objc::ivars<TokenIvars>(other)->_value;
}
NSUInteger tokenHash(id self, SEL) { return static_cast<NSUInteger>(objc::ivars<TokenIvars>(self)->_value % 3); }
id tokenCopy(id self, SEL, void*) {
  // Copies are distinct objects, so key copying can be observed.
  id c = objc::allocInit(objc::classNamed("CollTestToken"));
  objc::ivars<TokenIvars>(c)->_value = objc::ivars<TokenIvars>(self)->_value;
  return c;
}

Class tokenClass() {
  static Class cls = objc::ClassBuilder<TokenIvars>("CollTestToken", objc::NSObjectClass())
                         .ivar<&TokenIvars::_value>("_value")
                         .method<&tokenDealloc>("dealloc")
                         .method<&tokenIsEqual>("isEqual:")
                         .method<&tokenHash>("hash")
                         .method<&tokenCopy>("copyWithZone:")
                         .registerClass();
  return cls;
}

id token(long value) {
  id t = objc::allocInit(tokenClass());
  objc::ivars<TokenIvars>(t)->_value = value;
  return objc::autorelease(t);
}

NSUInteger retainCount(id o) { return send<NSUInteger>(o, sel<"retainCount">()); }

class Collections : public ::testing::Test {
 protected:
  void SetUp() override {
    gDeallocs = 0;
    gEqualSends = 0;
  }
  objc::AutoreleasePool pool;
  static id S(const char* text) { return ns::str(text); }
  static NSUInteger count(id c) { return send<NSUInteger>(c, sel<"count">()); }
  static id at(id a, NSUInteger i) { return send<id>(a, sel<"objectAtIndex:">(), i); }
  static std::vector<std::string> texts(id array) {
    std::vector<std::string> out;
    for (id o : ns::elements(array)) out.push_back(ns::utf8(o));
    return out;
  }
};

TEST_F(Collections, ArraysRetainTheirElementsAndReleaseThemOnce) {
  {
    objc::AutoreleasePool inner;
    id t = token(1);
    objc::Ref array = objc::Ref::adopt(objc::allocInit(ns::NSMutableArrayClass()));
    send<void>(array, sel<"addObject:">(), t);
    send<void>(array, sel<"addObject:">(), t);
    EXPECT_EQ(retainCount(t), 3u);
    objc::Ref copy = objc::Ref::adopt(send<id>(array, sel<"copy">()));
    EXPECT_FALSE(ns::isKind(copy, ns::NSMutableArrayClass()));
    EXPECT_EQ(retainCount(t), 5u);
    send<void>(array, sel<"removeObjectAtIndex:">(), NSUInteger{0});
    EXPECT_EQ(retainCount(t), 4u);
  }
  EXPECT_EQ(gDeallocs, 1);
}

TEST_F(Collections, ArrayQueriesUseIsEqual) {
  id a = ns::array({S("x"), S("y"), S("x")});
  id probe = ns::mutableStr("y");  // equal, not identical
  EXPECT_TRUE(send<BOOL>(a, sel<"containsObject:">(), probe));
  EXPECT_EQ(send<NSUInteger>(a, sel<"indexOfObject:">(), probe), 1u);
  EXPECT_EQ(send<NSUInteger>(a, sel<"indexOfObject:">(), S("z")), static_cast<NSUInteger>(NSNotFound));
  EXPECT_EQ(send<NSUInteger>(a, sel<"indexOfObjectIdenticalTo:">(), probe), static_cast<NSUInteger>(NSNotFound));
  EXPECT_EQ(ns::utf8(send<id>(a, sel<"firstObject">())), "x");
  EXPECT_EQ(send<id>(ns::array({}), sel<"lastObject">()), nil);
  id longer = send<id>(a, sel<"arrayByAddingObject:">(), S("z"));
  EXPECT_EQ(texts(longer), (std::vector<std::string>{"x", "y", "x", "z"}));
  EXPECT_EQ(count(a), 3u);
  EXPECT_TRUE(send<BOOL>(a, sel<"isEqual:">(), ns::mutableArray({S("x"), ns::mutableStr("y"), S("x")})));
  EXPECT_FALSE(send<BOOL>(a, sel<"isEqual:">(), ns::array({S("x"), S("y")})));
  EXPECT_EQ(ns::utf8(send<id>(a, sel<"componentsJoinedByString:">(), S(", "))), "x, y, x");
  id sorted = send<id>(ns::array({S("b"), S("c"), S("a")}), sel<"sortedArrayUsingSelector:">(), sel<"compare:">());
  EXPECT_EQ(texts(sorted), (std::vector<std::string>{"a", "b", "c"}));
  id from = send<id>(ns::NSArrayClass(), sel<"arrayWithArray:">(), a);
  EXPECT_EQ(texts(from), texts(a));
  id one = send<id>(ns::NSArrayClass(), sel<"arrayWithObject:">(), S("solo"));
  EXPECT_EQ(count(one), 1u);
  id variadic = objc::sendVariadic<id>(ns::NSArrayClass(), sel<"arrayWithObjects:">(), S("p"), S("q"), nil);
  EXPECT_EQ(texts(variadic), (std::vector<std::string>{"p", "q"}));
}

TEST_F(Collections, MutableArrayEdits) {
  id m = ns::mutableArray({S("a"), S("b"), S("a"), S("c"), S("a")});
  send<void>(m, sel<"removeObject:">(), ns::mutableStr("a"));  // removes every equal object
  EXPECT_EQ(texts(m), (std::vector<std::string>{"b", "c"}));
  send<void>(m, sel<"insertObject:atIndex:">(), S("first"), NSUInteger{0});
  send<void>(m, sel<"insertObject:atIndex:">(), S("last"), NSUInteger{3});
  send<void>(m, sel<"replaceObjectAtIndex:withObject:">(), NSUInteger{1}, S("B"));
  EXPECT_EQ(texts(m), (std::vector<std::string>{"first", "B", "c", "last"}));
  send<void>(m, sel<"removeLastObject">());
  send<void>(m, sel<"addObjectsFromArray:">(), m);  // from itself
  EXPECT_EQ(texts(m), (std::vector<std::string>{"first", "B", "c", "first", "B", "c"}));
  send<void>(m, sel<"removeAllObjects">());
  EXPECT_EQ(count(m), 0u);
  for (long i = 0; i < 1000; ++i) send<void>(m, sel<"addObject:">(), ns::numberWithInteger(i));
  EXPECT_EQ(ns::numberAsLongLong(at(m, 999)), 999);

  // The object to remove may be owned only by the array.
  id owned = ns::mutableArray({});
  {
    objc::AutoreleasePool inner;
    send<void>(owned, sel<"addObject:">(), token(5));
    send<void>(owned, sel<"addObject:">(), token(5));
  }
  EXPECT_EQ(gDeallocs, 0);
  send<void>(owned, sel<"removeObject:">(), at(owned, 0));
  EXPECT_EQ(count(owned), 0u);
  EXPECT_EQ(gDeallocs, 2);
}

TEST_F(Collections, DictionariesCopyKeysAndKeepInsertionOrder) {
  id m = ns::mutableDictionary();
  id key = ns::mutableStr("name");
  send<void>(m, sel<"setObject:forKey:">(), S("first"), key);
  send<void>(key, sel<"appendString:">(), S("-changed"));  // the dictionary holds its own copy
  EXPECT_EQ(ns::utf8(send<id>(m, sel<"objectForKey:">(), S("name"))), "first");
  EXPECT_EQ(send<id>(m, sel<"objectForKey:">(), key), nil);
  id storedKey = send<id>(send<id>(m, sel<"allKeys">()), sel<"firstObject">());
  EXPECT_FALSE(ns::isKind(storedKey, ns::NSMutableStringClass()));

  send<void>(m, sel<"setObject:forKey:">(), S("1"), S("b"));
  send<void>(m, sel<"setObject:forKey:">(), S("2"), S("a"));
  send<void>(m, sel<"setObject:forKey:">(), S("again"), S("name"));  // replacing keeps the position
  EXPECT_EQ(texts(send<id>(m, sel<"allKeys">())), (std::vector<std::string>{"name", "b", "a"}));
  EXPECT_EQ(texts(send<id>(m, sel<"allValues">())), (std::vector<std::string>{"again", "1", "2"}));
  send<void>(m, sel<"removeObjectForKey:">(), S("b"));
  send<void>(m, sel<"setValue:forKey:">(), static_cast<id>(nil), S("a"));  // nil removes
  send<void>(m, sel<"setValue:forKey:">(), S("v"), S("c"));
  EXPECT_EQ(texts(send<id>(m, sel<"allKeys">())), (std::vector<std::string>{"name", "c"}));
  EXPECT_EQ(ns::utf8(send<id>(m, sel<"valueForKey:">(), S("c"))), "v");
  std::vector<std::string> seen;
  for (auto [k, v] : ns::entries(m)) seen.push_back(ns::utf8(k) + "=" + ns::utf8(v));
  EXPECT_EQ(seen, (std::vector<std::string>{"name=again", "c=v"}));
  EXPECT_EQ(ns::describe(m), "{\n    c = v;\n    name = again;\n}");
}

TEST_F(Collections, KeysMatchThroughIsEqualAndHashAcrossClasses) {
  id d = ns::dictionary({{ns::numberWithInt(1), S("one")}, {token(4), S("four")}, {token(7), S("seven")}});
  // 1 == 1.0 == YES, as NSNumber equality says.
  EXPECT_EQ(ns::utf8(send<id>(d, sel<"objectForKey:">(), ns::numberWithDouble(1.0))), "one");
  EXPECT_EQ(ns::utf8(send<id>(d, sel<"objectForKey:">(), ns::numberWithBool(true))), "one");
  // Tokens 4 and 7 share a hash, so only isEqual: tells them apart.
  gEqualSends = 0;
  EXPECT_EQ(ns::utf8(send<id>(d, sel<"objectForKey:">(), token(7))), "seven");
  EXPECT_GE(gEqualSends, 1);
  EXPECT_EQ(send<id>(d, sel<"objectForKey:">(), token(10)), nil);
  EXPECT_EQ(send<id>(d, sel<"objectForKey:">(), static_cast<id>(nil)), nil);
  // Keys were copied: the stored token is not the one passed in.
  id probe = token(4);
  for (auto [k, v] : ns::entries(d)) EXPECT_NE(k, probe);
}

TEST_F(Collections, LargeDictionariesSurviveChurn) {
  id m = ns::mutableDictionary();
  for (int i = 0; i < 5000; ++i) {
    objc::AutoreleasePool inner;
    send<void>(m, sel<"setObject:forKey:">(), ns::numberWithInt(i), ns::format("key%d", i));
  }
  EXPECT_EQ(count(m), 5000u);
  // Remove and re-add many times: removed places must be reclaimed, order kept.
  for (int round = 0; round < 20; ++round) {
    objc::AutoreleasePool inner;
    for (int i = 0; i < 5000; i += 2) send<void>(m, sel<"removeObjectForKey:">(), ns::format("key%d", i));
    for (int i = 0; i < 5000; i += 2)
      send<void>(m, sel<"setObject:forKey:">(), ns::numberWithInt(-i), ns::format("key%d", i));
  }
  EXPECT_EQ(count(m), 5000u);
  for (int i = 0; i < 5000; ++i) {
    objc::AutoreleasePool inner;
    id v = send<id>(m, sel<"objectForKey:">(), ns::format("key%d", i));
    ASSERT_NE(v, nil) << i;
    EXPECT_EQ(ns::numberAsLongLong(v), i % 2 == 0 ? -i : i);
  }
  id keys = send<id>(m, sel<"allKeys">());
  EXPECT_EQ(ns::utf8(at(keys, 0)), "key1");
  EXPECT_EQ(ns::utf8(at(keys, 2500)), "key0");
  send<void>(m, sel<"removeAllObjects">());
  EXPECT_EQ(count(m), 0u);
  EXPECT_EQ(send<id>(m, sel<"objectForKey:">(), S("key1")), nil);
}

TEST_F(Collections, DictionaryCopiesAreIndependent) {
  id original = ns::dictionary({{S("a"), S("1")}, {S("b"), S("2")}});
  objc::Ref same = objc::Ref::adopt(send<id>(original, sel<"copy">()));
  EXPECT_EQ(same.get(), original);
  objc::Ref mutableCopy = objc::Ref::adopt(send<id>(original, sel<"mutableCopy">()));
  send<void>(mutableCopy, sel<"setObject:forKey:">(), S("3"), S("c"));
  EXPECT_EQ(count(original), 2u);
  EXPECT_EQ(count(mutableCopy), 3u);
  id other = send<id>(ns::NSDictionaryClass(), sel<"dictionaryWithDictionary:">(), mutableCopy.get());
  EXPECT_TRUE(send<BOOL>(other, sel<"isEqual:">(), mutableCopy.get()));
  EXPECT_FALSE(send<BOOL>(other, sel<"isEqual:">(), original));
  send<void>(mutableCopy, sel<"addEntriesFromDictionary:">(), ns::dictionary({{S("a"), S("new")}}));
  EXPECT_EQ(ns::utf8(send<id>(mutableCopy, sel<"objectForKey:">(), S("a"))), "new");
  EXPECT_EQ(ns::utf8(send<id>(original, sel<"objectForKey:">(), S("a"))), "1");
  id variadic = objc::sendVariadic<id>(ns::NSDictionaryClass(), sel<"dictionaryWithObjectsAndKeys:">(), S("v1"),
                                       S("k1"), S("v2"), S("k2"), nil);
  EXPECT_EQ(ns::utf8(send<id>(variadic, sel<"objectForKey:">(), S("k2"))), "v2");
}

TEST_F(Collections, DictionaryOwnershipAndRelease) {
  {
    objc::AutoreleasePool inner;
    id m = ns::mutableDictionary();
    send<void>(m, sel<"setObject:forKey:">(), token(1), token(2));  // stores a copy of the key
    send<void>(m, sel<"setObject:forKey:">(), token(3), token(2));  // replaces the value, drops the new copy
    EXPECT_EQ(gDeallocs, 1);  // only the unused second key copy: everything else is still owned
    EXPECT_EQ(count(m), 1u);
  }
  EXPECT_EQ(gDeallocs, 6);  // four tokens passed in and two key copies, each freed once
}

TEST_F(Collections, SetsHoldDistinctMembers) {
  id s = send<id>(ns::NSSetClass(), sel<"setWithArray:">(), ns::array({S("a"), S("b"), ns::mutableStr("a")}));
  EXPECT_EQ(count(s), 2u);
  EXPECT_TRUE(send<BOOL>(s, sel<"containsObject:">(), S("b")));
  EXPECT_FALSE(send<BOOL>(s, sel<"containsObject:">(), S("c")));
  EXPECT_EQ(texts(send<id>(s, sel<"allObjects">())), (std::vector<std::string>{"a", "b"}));
  id m = send<id>(s, sel<"mutableCopy">());
  objc::autorelease(m);
  send<void>(m, sel<"addObject:">(), S("c"));
  send<void>(m, sel<"addObject:">(), S("a"));
  send<void>(m, sel<"removeObject:">(), S("b"));
  EXPECT_EQ(texts(send<id>(m, sel<"allObjects">())), (std::vector<std::string>{"a", "c"}));
  EXPECT_TRUE(send<BOOL>(m, sel<"isEqual:">(), ns::set({S("c"), S("a")})));
  EXPECT_EQ(count(s), 2u);
  EXPECT_EQ(ns::describe(ns::set({S("x")})), "{(\n    x\n)}");
}

TEST_F(Collections, NestedDescriptions) {
  id d = ns::dictionary({{S("list"), ns::array({ns::numberWithInt(1), S("two words")})}, {S("empty"), ns::array({})}});
  EXPECT_EQ(ns::describe(d), "{\n    empty = (\n    );\n    list = (\n        1,\n        \"two words\"\n    );\n}");
}

TEST_F(Collections, ImmutableCollectionsAreReadFromManyThreads) {
  // Shared immutable strings cache their hash on first use from whichever thread
  // asks; lookups with fresh equal keys must agree everywhere.
  std::vector<id> keys;
  std::vector<id> values;
  for (int i = 0; i < 200; ++i) {
    keys.push_back(ns::format("k%d", i));
    values.push_back(ns::numberWithInt(i));
  }
  objc::Ref d = objc::Ref::retain(ns::dictionaryWithObjects(values.data(), keys.data(), keys.size()));
  objc::Ref a = objc::Ref::retain(ns::arrayWithObjects(keys.data(), keys.size()));
  std::atomic<int> misses{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < 20; ++round) {
        objc::AutoreleasePool inner;
        for (int i = 0; i < 200; ++i) {
          id key = at(a, static_cast<NSUInteger>(i));
          if (ns::numberAsLongLong(send<id>(d, sel<"objectForKey:">(), key)) != i) ++misses;
          if (send<id>(d, sel<"objectForKey:">(), ns::format("k%d", i)) == nil) ++misses;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(misses.load(), 0);
}

TEST_F(Collections, NilAndOutOfRange) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  id m = ns::mutableArray({S("a")});
  EXPECT_DEATH(send<id>(m, sel<"objectAtIndex:">(), NSUInteger{1}),
               "NSRangeException.*-\\[NSMutableArray objectAtIndex:\\]: index 1 beyond bounds \\[0 .. 0\\]");
  EXPECT_DEATH(send<id>(ns::array({}), sel<"objectAtIndex:">(), NSUInteger{0}), "beyond bounds for empty array");
  EXPECT_DEATH(send<void>(m, sel<"addObject:">(), static_cast<id>(nil)), "addObject:\\]: object cannot be nil");
  EXPECT_DEATH(send<void>(m, sel<"insertObject:atIndex:">(), S("x"), NSUInteger{5}), "insertObject:atIndex:");
  EXPECT_DEATH(send<void>(m, sel<"removeObjectAtIndex:">(), NSUInteger{3}), "removeObjectAtIndex:");
  EXPECT_DEATH(send<void>(m, sel<"replaceObjectAtIndex:withObject:">(), NSUInteger{0}, static_cast<id>(nil)),
               "replaceObjectAtIndex:withObject:");
  EXPECT_DEATH(send<id>(ns::NSArrayClass(), sel<"arrayWithObject:">(), static_cast<id>(nil)), "arrayWithObject:");
  id d = ns::mutableDictionary();
  EXPECT_DEATH(send<void>(d, sel<"setObject:forKey:">(), static_cast<id>(nil), S("k")),
               "setObject:forKey:\\]: object cannot be nil \\(key: k\\)");
  EXPECT_DEATH(send<void>(d, sel<"setObject:forKey:">(), S("v"), static_cast<id>(nil)), "key cannot be nil");
  EXPECT_DEATH(ns::dictionary({{S("k"), nil}}), "attempt to insert nil object");
  EXPECT_DEATH(send<void>(ns::mutableSet(), sel<"addObject:">(), static_cast<id>(nil)), "addObject:");
  // Quiet nil cases, as on iOS.
  send<void>(m, sel<"removeObject:">(), static_cast<id>(nil));
  send<void>(m, sel<"addObjectsFromArray:">(), static_cast<id>(nil));
  EXPECT_EQ(count(m), 1u);
  EXPECT_FALSE(send<BOOL>(m, sel<"containsObject:">(), static_cast<id>(nil)));
  EXPECT_FALSE(send<BOOL>(ns::set({S("a")}), sel<"containsObject:">(), static_cast<id>(nil)));
  EXPECT_TRUE(ns::elements(nil).empty());
  EXPECT_EQ(ns::entries(S("not a dictionary")).begin(), ns::entries(S("not a dictionary")).end());
}

}  // namespace
