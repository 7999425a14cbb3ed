// The value paths of `expect <Class> <token> … == <value>` and `eval`: messages and
// instance variables read by their type encodings, nil part-way, and the errors a
// path that cannot be followed gives.
#include "Reflection.h"

#include <objcface/NSObject.h>

#include <gtest/gtest.h>

using hosts::checkPath;
using hosts::evaluatePath;
using scenario::ExpectedValue;

namespace {

struct GadgetIvars : NSObjectIvars {
  id _child;
  BOOL _on;
  int _count;
  float _alpha;
  double _height;
  CGRect _frame;
  unsigned long _big;
  const char* _label;
  SEL _action;
  void* _nothing;
};

id gSharedGadget = nil;

id sharedGadget(id, SEL) { return gSharedGadget; }
BOOL isOn(id self, SEL) { return objc::ivars<GadgetIvars>(self)->_on; }
long countPlusOne(id self, SEL) { return objc::ivars<GadgetIvars>(self)->_count + 1; }
float alpha(id self, SEL) { return objc::ivars<GadgetIvars>(self)->_alpha; }
CGRect frame(id self, SEL) { return objc::ivars<GadgetIvars>(self)->_frame; }
id child(id self, SEL) { return objc::ivars<GadgetIvars>(self)->_child; }
void poke(id, SEL) {}
id withArgument(id self, SEL, id) { return self; }

ExpectedValue expected(const char* text) {
  ExpectedValue v;
  v.text = text;
  std::string t = text;
  if (t == "nil") {
    v.kind = ExpectedValue::Kind::nilValue;
  } else if (t == "YES" || t == "NO") {
    v.kind = ExpectedValue::Kind::boolean;
    v.boolean = t == "YES";
  } else if (char* end = nullptr; (v.number = std::strtod(text, &end)), end != text && *end == '\0') {
    v.kind = ExpectedValue::Kind::number;
  } else {
    v.kind = ExpectedValue::Kind::string;
  }
  return v;
}

class ReflectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool once = [] {
      objc::ClassBuilder<GadgetIvars>("RfGadget", objc::NSObjectClass())
          .ivar<&GadgetIvars::_child>("_child")
          .ivar<&GadgetIvars::_on>("_on")
          .ivar<&GadgetIvars::_count>("_count")
          .ivar<&GadgetIvars::_alpha>("_alpha")
          .ivar<&GadgetIvars::_height>("_height")
          .ivar<&GadgetIvars::_frame>("_frame")
          .ivar<&GadgetIvars::_big>("_big")
          .ivar<&GadgetIvars::_label>("_label")
          .ivar<&GadgetIvars::_action>("_action")
          .ivar<&GadgetIvars::_nothing>("_nothing")
          .classMethod<&sharedGadget>("sharedGadget")
          .method<&isOn>("isOn")
          .method<&countPlusOne>("count")
          .method<&alpha>("alpha")
          .method<&frame>("frame")
          .method<&child>("child")
          .method<&poke>("poke")
          .method<&withArgument>("with:")
          .registerClass();
      objc::ClassBuilder<GadgetIvars>("RfSubGadget", objc::classNamed("RfGadget")).registerClass();
      return true;
    }();
    (void)once;
  }
  void SetUp() override {
    shared_ = objc::Ref::adopt(objc::allocInit(objc::classNamed("RfGadget")));
    child_ = objc::Ref::adopt(objc::allocInit(objc::classNamed("RfSubGadget")));
    auto* g = objc::ivars<GadgetIvars>(shared_);
    g->_child = child_;
    g->_on = YES;
    g->_count = 41;
    g->_alpha = 0.73f;
    g->_height = 88.5;
    g->_frame = CGRectMake(0, 20.5, 320, 548);
    g->_big = 1UL << 40;
    g->_label = "hello";
    g->_action = sel_registerName("noctil_delete:");
    objc::ivars<GadgetIvars>(child_)->_count = -3;
    gSharedGadget = shared_;
  }
  void TearDown() override { gSharedGadget = nil; }

  static std::string eval(std::vector<std::string> tokens) {
    auto result = evaluatePath("RfGadget", tokens);
    return result.ok() ? result->shown : "error: " + result.error().message;
  }
  static bool check(std::vector<std::string> tokens, const char* value) {
    auto result = checkPath("RfGadget", tokens, expected(value));
    EXPECT_TRUE(result.ok()) << result.error().message;
    return result.ok() && result->matches;
  }

  objc::Ref shared_;
  objc::Ref child_;
};

}  // namespace

TEST_F(ReflectionTest, MessagesAreSentAndIvarsReadByTheirTypes) {
  EXPECT_EQ(eval({}), "RfGadget");
  EXPECT_EQ(eval({"sharedGadget", "isOn"}), "YES");
  EXPECT_EQ(eval({"sharedGadget", "count"}), "42");              // the method wins over…
  EXPECT_EQ(eval({"sharedGadget", "_count"}), "41");             // …the ivar of another name
  EXPECT_EQ(eval({"sharedGadget", "alpha"}), "0.73");            // a float shows as a float
  EXPECT_EQ(eval({"sharedGadget", "_height"}), "88.5");
  EXPECT_EQ(eval({"sharedGadget", "frame"}), "{0, 20.5, 320, 548}");
  EXPECT_EQ(eval({"sharedGadget", "_big"}), "1099511627776");
  EXPECT_EQ(eval({"sharedGadget", "_label"}), "hello");
  EXPECT_EQ(eval({"sharedGadget", "_action"}), "noctil_delete:");
  EXPECT_EQ(eval({"sharedGadget", "_nothing"}), "NULL");
  // Ivars of a superclass are found from a subclass instance.
  EXPECT_EQ(eval({"sharedGadget", "child", "_count"}), "-3");
  EXPECT_EQ(eval({"sharedGadget", "_child", "isOn"}), "NO");
}

TEST_F(ReflectionTest, NilPartWayAnswersNil) {
  objc::ivars<GadgetIvars>(child_)->_child = nil;
  EXPECT_EQ(eval({"sharedGadget", "child", "child", "count", "whatever"}), "nil");
  gSharedGadget = nil;
  EXPECT_TRUE(check({"sharedGadget", "isOn"}, "nil"));
}

TEST_F(ReflectionTest, ComparesNumbersBooleansStringsAndNil) {
  EXPECT_TRUE(check({"sharedGadget", "isOn"}, "YES"));
  EXPECT_FALSE(check({"sharedGadget", "isOn"}, "NO"));
  EXPECT_TRUE(check({"sharedGadget", "isOn"}, "1"));
  EXPECT_TRUE(check({"sharedGadget", "count"}, "42"));
  EXPECT_TRUE(check({"sharedGadget", "count"}, "42.0"));
  EXPECT_FALSE(check({"sharedGadget", "count"}, "41"));
  EXPECT_TRUE(check({"sharedGadget", "count"}, "YES"));  // non-zero reads as YES
  // A float read back widened still equals the value written in the script.
  EXPECT_TRUE(check({"sharedGadget", "alpha"}, "0.73"));
  EXPECT_FALSE(check({"sharedGadget", "alpha"}, "0.731"));
  EXPECT_TRUE(check({"sharedGadget", "_label"}, "hello"));
  EXPECT_FALSE(check({"sharedGadget", "_label"}, "nil"));
  EXPECT_FALSE(check({"sharedGadget", "_label"}, "YES"));
  EXPECT_TRUE(check({"sharedGadget", "_nothing"}, "nil"));
  EXPECT_FALSE(check({"sharedGadget", "child"}, "nil"));
  EXPECT_TRUE(check({"sharedGadget", "frame"}, "{0, 20.5, 320, 548}"));
  EXPECT_TRUE(check({}, "RfGadget"));
}

TEST_F(ReflectionTest, PathsThatCannotBeFollowedSayWhy) {
  auto has = [](const std::string& text, const char* part) { return text.find(part) != std::string::npos; };
  EXPECT_TRUE(has(evaluatePath("NoSuchClass", {}).error().message, "no class named NoSuchClass"));
  EXPECT_TRUE(has(eval({"missing"}), "the class RfGadget answers no message missing"));
  EXPECT_TRUE(has(eval({"sharedGadget", "_missing"}), "RfGadget object answers no message _missing and has no"));
  EXPECT_TRUE(has(eval({"sharedGadget", "count", "isOn"}), "count answered a number, which has no isOn"));
  EXPECT_TRUE(has(eval({"sharedGadget", "poke"}), "answers nothing"));
  // "with" is not "with:": a message that takes arguments cannot be named by a token.
  EXPECT_TRUE(has(eval({"sharedGadget", "with"}), "answers no message with"));
}
