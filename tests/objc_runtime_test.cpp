// The object runtime face: sends, super sends, class definitions, ivars by name,
// ownership, and the runtime rules method replacement relies on.
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using objc::send;
using objc::sel;

namespace {

std::vector<std::string>& callLog() {
  static std::vector<std::string> log;
  return log;
}

struct ShapeIvars : NSObjectIvars {
  int _sides;
  double _scale;
  CGRect _frame;
  int sides() const { return _sides; }
  void setSides(int n) { _sides = n; }
};

int baseDescribeCount(id, SEL) {
  callLog().push_back("Base");
  return 1;
}
int subDescribeCount(id self, SEL cmd) {
  callLog().push_back("Sub");
  return 10 + objc::sendSuper<int>(self, objc::classNamed("RtSub"), cmd);
}
void recordingDealloc(id self, SEL cmd) {
  callLog().push_back("dealloc");
  objc::sendSuper<void>(self, objc::classNamed("RtShape"), cmd);
}
CGRect shapeFrame(id self, SEL) { return objc::ivars<ShapeIvars>(self)->_frame; }
float shapeHalf(id, SEL, float x) { return x / 2; }
double shapeScale(id self, SEL) { return objc::ivars<ShapeIvars>(self)->_scale; }

class RuntimeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool once = [] {
      objc::ClassBuilder<ShapeIvars>("RtShape", objc::NSObjectClass())
          .ivar<&ShapeIvars::_sides>("_sides")
          .ivar<&ShapeIvars::_scale>("_scale")
          .ivar<&ShapeIvars::_frame>("_frame")
          .method<&ShapeIvars::sides>("sides")
          .method<&ShapeIvars::setSides>("setSides:")
          .method<&shapeFrame>("frame")
          .method<&shapeHalf>("half:")
          .method<&shapeScale>("scale")
          .method<&baseDescribeCount>("count")
          .method<&recordingDealloc>("dealloc")
          .registerClass();
      objc::ClassBuilder<ShapeIvars>("RtSub", objc::classNamed("RtShape"))
          .method<&subDescribeCount>("count")
          .registerClass();
      objc::ClassBuilder<ShapeIvars>("RtLeaf", objc::classNamed("RtSub")).registerClass();
      return true;
    }();
    (void)once;
  }
  void SetUp() override { callLog().clear(); }
};

TEST_F(RuntimeTest, SendsReachMemberFunctionsAndStructResults) {
  objc::Ref shape = objc::Ref::adopt(objc::allocInit(objc::classNamed("RtShape")));
  send<void>(shape, sel<"setSides:">(), 5);
  EXPECT_EQ(send<int>(shape, sel<"sides">()), 5);
  objc::ivars<ShapeIvars>(shape)->_frame = CGRectMake(1, 2, 3, 4);
  EXPECT_EQ(send<CGRect>(shape, sel<"frame">()), CGRectMake(1, 2, 3, 4));
  EXPECT_FLOAT_EQ(send<float>(shape, sel<"half:">(), 3.0f), 1.5f);
}

TEST_F(RuntimeTest, SendToNilAnswersZeroOfEveryKind) {
  id none = nil;
  EXPECT_EQ(send<id>(none, sel<"anything">()), nil);
  EXPECT_EQ(send<BOOL>(none, sel<"anything">()), NO);
  EXPECT_EQ(send<long>(none, sel<"anything">()), 0);
  EXPECT_EQ(send<float>(none, sel<"anything">()), 0.0f);
  EXPECT_EQ(send<double>(none, sel<"anything">()), 0.0);
  EXPECT_EQ(send<CGPoint>(none, sel<"anything">()), CGPointZero);
  EXPECT_EQ(send<CGSize>(none, sel<"anything">()), CGSizeZero);
  EXPECT_EQ(send<CGRect>(none, sel<"anything">()), CGRectZero);
  send<void>(none, sel<"anything">());
}

TEST_F(RuntimeTest, SuperSendsWalkUpFromTheDefiningClass) {
  // RtLeaf only inherits -count from RtSub; RtSub's super send must reach RtShape,
  // not loop back into RtSub because the receiver is a RtLeaf.
  objc::Ref leaf = objc::Ref::adopt(objc::allocInit(objc::classNamed("RtLeaf")));
  EXPECT_EQ(send<int>(leaf, sel<"count">()), 11);
  EXPECT_EQ(callLog(), (std::vector<std::string>{"Sub", "Base"}));
}

TEST_F(RuntimeTest, IvarsByNameIncludeInheritedAndAnswerAbsent) {
  objc::Ref leaf = objc::Ref::adopt(objc::allocInit(objc::classNamed("RtLeaf")));
  EXPECT_TRUE(objc::setIvar<int>(leaf, "_sides", 7));
  EXPECT_EQ(objc::getIvar<int>(leaf, "_sides"), 7);
  EXPECT_EQ(objc::getIvar<int>(leaf, "_noSuchIvar"), std::nullopt);
  EXPECT_FALSE(objc::setIvar<int>(leaf, "_noSuchIvar", 1));
  EXPECT_EQ(objc::getIvar<int>(nil, "_sides"), std::nullopt);
  EXPECT_EQ(objc::classNamed("NoSuchClassAnywhere"), Nil);
  EXPECT_EQ(objc::classNamed(nullptr), Nil);
}

TEST_F(RuntimeTest, RetainReleaseAndDeallocOrder) {
  id shape = objc::allocInit(objc::classNamed("RtShape"));
  EXPECT_EQ(send<NSUInteger>(shape, sel<"retainCount">()), 1u);
  objc::retain(shape);
  EXPECT_EQ(send<NSUInteger>(shape, sel<"retainCount">()), 2u);
  objc::release(shape);
  EXPECT_TRUE(callLog().empty());
  {
    objc::AutoreleasePool pool;
    objc::autorelease(shape);
    EXPECT_EQ(objc::pendingAutoreleases(), 1u);
    EXPECT_TRUE(callLog().empty());
  }
  EXPECT_EQ(callLog(), (std::vector<std::string>{"dealloc"}));
}

TEST_F(RuntimeTest, ImmortalObjectsAreNeverFreed) {
  id shape = objc::allocInit(objc::classNamed("RtShape"));
  // Made immortal, no number of releases frees it and retains do not count.
  objc::makeImmortal(shape);
  EXPECT_EQ(send<NSUInteger>(shape, sel<"retainCount">()), ~NSUInteger{0});
  for (int i = 0; i < 10; ++i) objc::release(shape);
  objc::retain(shape);
  {
    objc::AutoreleasePool pool;
    objc::autorelease(shape);
  }
  EXPECT_TRUE(callLog().empty());
  EXPECT_EQ(send<NSUInteger>(shape, sel<"retainCount">()), ~NSUInteger{0});
  EXPECT_EQ(objc::makeImmortal(nil), nil);
}

TEST_F(RuntimeTest, NSAutoreleasePoolObjectsDrainAndNest) {
  Class poolClass = objc::classNamed("NSAutoreleasePool");
  id outer = objc::allocInit(poolClass);
  id a = objc::autorelease(objc::allocInit(objc::classNamed("RtShape")));
  id inner = objc::allocInit(poolClass);
  objc::autorelease(objc::allocInit(objc::classNamed("RtShape")));
  send<void>(inner, sel<"drain">());
  EXPECT_EQ(callLog().size(), 1u);
  EXPECT_EQ(send<NSUInteger>(a, sel<"retainCount">()), 1u);
  send<void>(outer, sel<"release">());
  EXPECT_EQ(callLog().size(), 2u);
}

TEST_F(RuntimeTest, RefOwnsExactlyOnce) {
  id raw = objc::allocInit(objc::classNamed("RtShape"));
  {
    objc::Ref a = objc::Ref::adopt(raw);
    objc::Ref b = a;
    EXPECT_EQ(send<NSUInteger>(raw, sel<"retainCount">()), 2u);
    objc::Ref c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(send<NSUInteger>(raw, sel<"retainCount">()), 2u);
  }
  EXPECT_EQ(callLog(), (std::vector<std::string>{"dealloc"}));
}

TEST_F(RuntimeTest, IntrospectionOnInstancesAndClasses) {
  Class shapeClass = objc::classNamed("RtShape");
  Class subClass = objc::classNamed("RtSub");
  objc::Ref sub = objc::Ref::adopt(objc::allocInit(subClass));
  EXPECT_TRUE(send<BOOL>(sub, sel<"isKindOfClass:">(), shapeClass));
  EXPECT_FALSE(send<BOOL>(sub, sel<"isMemberOfClass:">(), shapeClass));
  EXPECT_TRUE(send<BOOL>(sub, sel<"isMemberOfClass:">(), subClass));
  EXPECT_TRUE(send<BOOL>(sub, sel<"respondsToSelector:">(), sel<"count">()));
  EXPECT_FALSE(send<BOOL>(sub, sel<"respondsToSelector:">(), sel<"noSuchThing">()));
  EXPECT_TRUE(send<BOOL>(subClass, sel<"instancesRespondToSelector:">(), sel<"count">()));
  EXPECT_TRUE(send<BOOL>(subClass, sel<"respondsToSelector:">(), sel<"alloc">()));
  EXPECT_FALSE(send<BOOL>(subClass, sel<"respondsToSelector:">(), sel<"count">()));
  EXPECT_EQ(send<Class>(sub, sel<"superclass">()), shapeClass);
  EXPECT_EQ(send<Class>(subClass, sel<"class">()), subClass);
  EXPECT_EQ(std::string(objc::className(sub)), "RtSub");
  EXPECT_EQ(std::string(objc::className(reinterpret_cast<id>(subClass))), "RtSub");
  EXPECT_EQ(objc::defaultDescription(sub).rfind("<RtSub: 0x", 0), 0u);
  EXPECT_EQ(send<id>(sub, sel<"performSelector:">(), sel<"self">()), sub.get());
}

TEST_F(RuntimeTest, SendsFromAnotherThread) {
  objc::Ref shape = objc::Ref::adopt(objc::allocInit(objc::classNamed("RtShape")));
  std::thread worker([&] {
    objc::AutoreleasePool pool;
    for (int i = 0; i < 1000; ++i) objc::autorelease(objc::retain(shape));
    send<void>(shape, sel<"setSides:">(), 9);
  });
  worker.join();
  EXPECT_EQ(send<int>(shape, sel<"sides">()), 9);
  EXPECT_EQ(send<NSUInteger>(shape, sel<"retainCount">()), 1u);
}

// The facts the method-replacement mechanism is built on.
long originalValue(id, SEL) { return 1; }
long laterValue(id, SEL) { return 2; }
long childValue(id, SEL) { return 3; }

TEST(RuntimeRules, AddingToASubclassLeavesTheSuperclassAlone) {
  Class parent = objc::ClassBuilder<NSObjectIvars>("RuleParent", objc::NSObjectClass())
                     .method<&originalValue>("value")
                     .registerClass();
  Class child = objc::ClassBuilder<NSObjectIvars>("RuleChild", parent).registerClass();
  SEL value = sel<"value">();
  Method parentMethod = class_getInstanceMethod(parent, value);
  // The child only inherits: adding succeeds and the parent keeps its own IMP.
  EXPECT_TRUE(class_addMethod(child, value, objc::toImp(&childValue), method_getTypeEncoding(parentMethod)));
  EXPECT_EQ(class_getMethodImplementation(parent, value), objc::toImp(&originalValue));
  // The parent defines it itself: adding answers NO and changes nothing.
  EXPECT_FALSE(class_addMethod(parent, value, objc::toImp(&childValue), "l@:"));
  // A later replacement of the parent is seen through a call-time lookup.
  method_setImplementation(parentMethod, objc::toImp(&laterValue));
  EXPECT_EQ(class_getMethodImplementation(parent, value), objc::toImp(&laterValue));
  objc::Ref instance = objc::Ref::adopt(objc::allocInit(child));
  EXPECT_EQ(send<long>(instance, value), 3);
  EXPECT_EQ(objc::callImp<long>(class_getMethodImplementation(parent, value), instance, value), 2);
}

TEST(RuntimeRules, SendsSeeEveryDispatchChangeAtOnce) {
  ASSERT_TRUE(objc::detail::methodCacheEnabled());
  Class parent = objc::ClassBuilder<NSObjectIvars>("CacheParent", objc::NSObjectClass())
                     .method<&originalValue>("value")
                     .registerClass();
  Class child = objc::ClassBuilder<NSObjectIvars>("CacheChild", parent).registerClass();
  objc::Ref instance = objc::Ref::adopt(objc::allocInit(child));
  SEL value = sel<"value">();
  // Each send below follows a send that filled the cache with the old answer.
  EXPECT_EQ(send<long>(instance, value), 1);
  method_setImplementation(class_getInstanceMethod(parent, value), objc::toImp(&laterValue));
  EXPECT_EQ(send<long>(instance, value), 2);
  class_addMethod(child, value, objc::toImp(&childValue), "l@:");
  EXPECT_EQ(send<long>(instance, value), 3);
  class_replaceMethod(child, value, objc::toImp(&originalValue), "l@:");
  EXPECT_EQ(send<long>(instance, value), 1);
  method_exchangeImplementations(class_getInstanceMethod(child, value), class_getInstanceMethod(parent, value));
  EXPECT_EQ(send<long>(instance, value), 2);
}

// A method replaced where it is defined reaches every class that inherits it, also
// through a class in between and also once their dispatch tables are in use, and as
// often as it is replaced.
TEST(RuntimeRules, ReplacingAnInheritedMethodReachesEverySubclassEveryTime) {
  // The classes below the parent define methods of their own, so their dispatch tables
  // hold copies of the parent's entries rather than share them.
  Class parent = objc::ClassBuilder<NSObjectIvars>("DeepParent", objc::NSObjectClass())
                     .method<&originalValue>("deepValue")
                     .registerClass();
  Class middle = objc::ClassBuilder<NSObjectIvars>("DeepMiddle", parent)
                     .method<&originalValue>("deepMiddleOwn1")
                     .method<&originalValue>("deepMiddleOwn2")
                     .method<&originalValue>("deepMiddleOwn3")
                     .registerClass();
  Class leaf = objc::ClassBuilder<NSObjectIvars>("DeepLeaf", middle).method<&originalValue>("deepLeafOwn").registerClass();
  SEL value = sel<"deepValue">();
  Method method = class_getInstanceMethod(parent, value);
  // Replaced once before any instance was messaged, then after.
  method_setImplementation(method, objc::toImp(&childValue));
  objc::Ref middleInstance = objc::Ref::adopt(objc::allocInit(middle));
  objc::Ref leafInstance = objc::Ref::adopt(objc::allocInit(leaf));
  EXPECT_EQ(send<long>(middleInstance, value), 3);
  EXPECT_EQ(send<long>(leafInstance, value), 3);
  for (auto [imp, expected] : {std::pair{objc::toImp(&laterValue), 2L}, std::pair{objc::toImp(&originalValue), 1L}}) {
    method_setImplementation(method, imp);
    EXPECT_EQ(class_getMethodImplementation(middle, value), imp);
    EXPECT_EQ(class_getMethodImplementation(leaf, value), imp);
    EXPECT_EQ(send<long>(middleInstance, value), expected);
    EXPECT_EQ(send<long>(leafInstance, value), expected);
  }
}

TEST(RuntimeRules, UnknownSelectorLookupIsNeverNull) {
  EXPECT_NE(class_getMethodImplementation(objc::NSObjectClass(), sel<"noSuchSelectorAtAll">()), nullptr);
  EXPECT_EQ(class_getInstanceMethod(Nil, sel<"init">()), nullptr);
  EXPECT_EQ(class_getSuperclass(Nil), Nil);
}

TEST(RuntimeDeathTest, UnknownSelectorNamesClassAndSelector) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  objc::Ref object = objc::Ref::adopt(objc::allocInit(objc::NSObjectClass()));
  EXPECT_DEATH(send<void>(object, sel<"frobnicate:">(), object.get()),
               "unrecognized selector -frobnicate: sent to instance NSObject");
  EXPECT_DEATH(send<void>(objc::NSObjectClass(), sel<"frobnicate">()),
               "unrecognized selector \\+frobnicate sent to class NSObject");
}

TEST(RuntimeDeathTest, MismatchedArgumentTypesAreCaught) {
#if OBJCFACE_CHECK_SENDS
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  objc::Ref object = objc::Ref::adopt(objc::allocInit(objc::NSObjectClass()));
  // isKindOfClass: takes a Class; passing a double would travel in the wrong register.
  EXPECT_DEATH(send<BOOL>(object, sel<"isKindOfClass:">(), 1.0), "uses types");
#else
  GTEST_SKIP() << "send checks are compiled out in this build";
#endif
}

long long wideValue(id, SEL) { return 7; }

TEST(RuntimeDeathTest, LongAndLongLongAreDistinctTypesToTheCheck) {
#if OBJCFACE_CHECK_SENDS
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Class cls = objc::ClassBuilder<NSObjectIvars>("WidthProbe", objc::NSObjectClass())
                  .method<&originalValue>("narrow")
                  .method<&wideValue>("wide")
                  .registerClass();
  objc::Ref object = objc::Ref::adopt(objc::allocInit(cls));
  // The same 64 bits either way, but a call through the other function type is
  // undefined behaviour: a method declared NSInteger is sent with NSInteger.
  EXPECT_EQ(send<long>(object, sel<"narrow">()), 1);
  EXPECT_EQ(send<long long>(object, sel<"wide">()), 7);
  EXPECT_DEATH(send<long long>(object, sel<"narrow">()), "uses types");
  EXPECT_DEATH(send<long>(object, sel<"wide">()), "uses types");
  EXPECT_DEATH(send<unsigned long long>(object, sel<"narrow">()), "uses types");
#else
  GTEST_SKIP() << "send checks are compiled out in this build";
#endif
}

TEST(EncodingRules, CompatibleIgnoresSignednessButNotWidth) {
  EXPECT_TRUE(objc::encodingsCompatible("c@:i", "C@:I"));
  EXPECT_TRUE(objc::encodingsCompatible("v@:@", "v@:#"));
  EXPECT_TRUE(objc::encodingsCompatible("v12@0:4@8", "v@:@"));
  EXPECT_FALSE(objc::encodingsCompatible("v@:i", "v@:q"));
  EXPECT_FALSE(objc::encodingsCompatible("l@:", "q@:"));
  EXPECT_FALSE(objc::encodingsCompatible("v@:q", "v@:L"));
  EXPECT_TRUE(objc::encodingsCompatible("v@:l", "v@:L"));
  EXPECT_FALSE(objc::encodingsCompatible("v@:f", "v@:d"));
  EXPECT_FALSE(objc::encodingsCompatible("v@:", "v@:@"));
  EXPECT_TRUE(objc::encodingsCompatible("v@:^{Foo=ii}", "v@:@"));
  EXPECT_FALSE(objc::encodingsCompatible("{CGSize=dd}@:", "{CGPoint=dd}@:"));
}

}  // namespace
