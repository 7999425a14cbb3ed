// The method-replacement mechanism: replaced own methods, inherited methods with
// superclass forwarders that look up at call time, replacements made in place where
// an inherited method is defined, skipped entries, added methods, and installing a
// table twice.
#include <noctil/MethodHooks.h>
#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objc::sel;

namespace {

std::vector<std::string> gLog;

int baseGreet(id, SEL, int x) {
  gLog.push_back("Base");
  return x;
}
int ownGreet(id, SEL, int x) {
  gLog.push_back("Own");
  return x * 10;
}
int laterBaseGreet(id, SEL, int x) {
  gLog.push_back("LaterBase");
  return x + 1000;
}
BOOL hostAnswersNo(id, SEL) {
  gLog.push_back("HostNo");
  return NO;
}
void hostExisting(id, SEL, id) { gLog.push_back("HostExisting"); }

// A family of classes per test, since replacements are permanent:
//   <p>Base greet: (own)      <p>Own : Base, greet: (own)
//   <p>Inheritor : Base (inherits greet:)      <p>Leaf : Inheritor (inherits too)
struct Family {
  Class base, own, inheritor, leaf;
};
Family makeFamily(const std::string& p) {
  Family f;
  f.base = objc::ClassBuilder<NSObjectIvars>((p + "Base").c_str(), objc::NSObjectClass())
               .method<&baseGreet>("greet:")
               .method<&hostAnswersNo>("canBecomeFirstResponder")
               .method<&hostExisting>("existing:")
               .registerClass();
  f.own = objc::ClassBuilder<NSObjectIvars>((p + "Own").c_str(), f.base).method<&ownGreet>("greet:").registerClass();
  f.inheritor = objc::ClassBuilder<NSObjectIvars>((p + "Inheritor").c_str(), f.base).registerClass();
  f.leaf = objc::ClassBuilder<NSObjectIvars>((p + "Leaf").c_str(), f.inheritor).registerClass();
  return f;
}

int greet(Class cls, int x) {
  objc::Ref object = objc::Ref::adopt(objc::allocInit(cls));
  return objc::send<int>(object, sel<"greet:">(), x);
}

hook::Slot<int(int)> gOwnSlot;
int newOwnGreet(id self, SEL cmd, int x) {
  gLog.push_back("NewOwn");
  return gOwnSlot(self, cmd, x) + 1;
}
hook::Slot<int(int)> gInheritorSlot;
int newInheritorGreet(id self, SEL cmd, int x) {
  gLog.push_back("NewInheritor");
  return gInheritorSlot(self, cmd, x) + 2;
}

class MethodHooksTest : public ::testing::Test {
 protected:
  void SetUp() override { gLog.clear(); }
};

TEST_F(MethodHooksTest, OwnAndInheritedMethodsChainToTheirPreviousImplementations) {
  Family f = makeFamily("HkA");
  const hook::Entry table[] = {
      hook::replace<&newOwnGreet, gOwnSlot>("HkAOwn", "greet:"),
      hook::replace<&newInheritorGreet, gInheritorSlot>("HkAInheritor", "greet:"),
  };
  hook::install(table);

  EXPECT_EQ(greet(f.own, 3), 31);
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewOwn", "Own"}));
  EXPECT_EQ(gOwnSlot.previous, objc::toImp(&ownGreet));

  gLog.clear();
  EXPECT_EQ(greet(f.inheritor, 3), 5);
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewInheritor", "Base"}));
  EXPECT_EQ(gInheritorSlot.savedSuperclass, f.base);

  // A subclass that only inherits the hooked method runs the replacement too.
  gLog.clear();
  EXPECT_EQ(greet(f.leaf, 3), 5);
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewInheritor", "Base"}));

  // The superclass itself is untouched.
  gLog.clear();
  EXPECT_EQ(greet(f.base, 3), 3);
  EXPECT_EQ(gLog, (std::vector<std::string>{"Base"}));
  EXPECT_EQ(class_getMethodImplementation(f.base, sel<"greet:">()), objc::toImp(&baseGreet));
}

hook::Slot<int(int)> gLaterSlot;
int newLaterGreet(id self, SEL cmd, int x) {
  gLog.push_back("NewInheritor");
  return gLaterSlot(self, cmd, x);
}

TEST_F(MethodHooksTest, ForwarderHonoursALaterReplacementOfTheSuperclass) {
  Family f = makeFamily("HkB");
  const hook::Entry table[] = {hook::replace<&newLaterGreet, gLaterSlot>("HkBInheritor", "greet:")};
  hook::install(table);
  EXPECT_EQ(greet(f.leaf, 1), 1);
  // The superclass's method replaced after a call: the next call reaches the new one.
  method_setImplementation(class_getInstanceMethod(f.base, sel<"greet:">()), objc::toImp(&laterBaseGreet));
  EXPECT_EQ(greet(f.leaf, 1), 1001);
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewInheritor", "Base", "NewInheritor", "LaterBase"}));
}

hook::Slot<int(int)> gTwiceSlot;
int newTwiceGreet(id self, SEL cmd, int x) {
  gLog.push_back("New");
  return gTwiceSlot(self, cmd, x);
}

TEST_F(MethodHooksTest, InstallingTwiceNeverWrapsAReplacementInItself) {
  Family f = makeFamily("HkC");
  const hook::Entry table[] = {
      hook::replace<&newTwiceGreet, gTwiceSlot>("HkCOwn", "greet:"),
  };
  hook::install(table);
  hook::install(table);
  EXPECT_EQ(greet(f.own, 2), 20);
  EXPECT_EQ(gLog, (std::vector<std::string>{"New", "Own"}));
}

hook::Slot<int(int)> gMissingClassSlot;
hook::Slot<int(int)> gMissingSelectorSlot;
int newMissingGreet(id self, SEL cmd, int x) { return gMissingClassSlot(self, cmd, x); }
int newMissingSelector(id self, SEL cmd, int x) { return gMissingSelectorSlot(self, cmd, x); }
void addedToMissing(id, SEL, id) { gLog.push_back("Added"); }

TEST_F(MethodHooksTest, MissingClassesAndSelectorsAreSkippedSilently) {
  Family f = makeFamily("HkD");
  const hook::Entry table[] = {
      hook::replace<&newMissingGreet, gMissingClassSlot>("HkDNoSuchClass", "greet:"),
      hook::add<&addedToMissing>("HkDNoSuchClass", "noctil_delete:"),
      hook::replace<&newMissingSelector, gMissingSelectorSlot>("HkDOwn", "noSuchSelector:"),
  };
  hook::install(table);
  EXPECT_FALSE(gMissingClassSlot.installed());
  EXPECT_EQ(gMissingClassSlot.savedSuperclass, Nil);
  EXPECT_FALSE(gMissingSelectorSlot.installed());
  EXPECT_FALSE(class_respondsToSelector(f.own, sel<"noSuchSelector:">()));
  // An empty slot answers zero rather than calling through a null pointer.
  EXPECT_EQ(gMissingClassSlot(nil, sel<"greet:">(), 5), 0);
  EXPECT_TRUE(gLog.empty());
}

BOOL answerYes(id, SEL) {
  gLog.push_back("Yes");
  return YES;
}
void addedAction(id, SEL, id sender) { gLog.push_back(sender ? "Added(sender)" : "Added(nil)"); }
void addedExisting(id, SEL, id) { gLog.push_back("Replaced?"); }

TEST_F(MethodHooksTest, ReplacementsWithoutPreviousAndAddedMethods) {
  Family f = makeFamily("HkE");
  const hook::Entry table[] = {
      hook::replaceWithoutPrevious<&answerYes>("HkEInheritor", "canBecomeFirstResponder"),
      hook::add<&addedAction>("HkEInheritor", "noctil_delete:"),
      hook::add<&addedExisting>("HkEBase", "existing:"),
  };
  hook::install(table);
  objc::Ref object = objc::Ref::adopt(objc::allocInit(f.leaf));
  EXPECT_TRUE(objc::send<BOOL>(object, sel<"canBecomeFirstResponder">()));
  objc::send<void>(object, sel<"noctil_delete:">(), object.get());
  objc::send<void>(object, sel<"existing:">(), object.get());
  EXPECT_EQ(gLog, (std::vector<std::string>{"Yes", "Added(sender)", "HostExisting"}));
  Method added = class_getInstanceMethod(f.inheritor, sel<"noctil_delete:">());
  ASSERT_NE(added, nullptr);
  EXPECT_STREQ(method_getTypeEncoding(added), "v@:@");
  // The base class keeps its own answer.
  objc::Ref base = objc::Ref::adopt(objc::allocInit(f.base));
  EXPECT_FALSE(objc::send<BOOL>(base, sel<"canBecomeFirstResponder">()));
}

// Two classes in different families that both only inherit the same selector, each
// with its own slot (as the two tableView:cellForRowAtIndexPath: entries have): each
// forwarder reaches its own saved superclass.  And a class whose superclass is hooked
// too runs both replacements, subclass first, whichever was installed first.
int otherBaseGreet(id, SEL, int x) {
  gLog.push_back("OtherBase");
  return x - 1;
}
hook::Slot<int(int)> gFirstBranchSlot;
hook::Slot<int(int)> gSecondBranchSlot;
hook::Slot<int(int)> gMiddleSlot;
int newFirstBranch(id self, SEL cmd, int x) {
  gLog.push_back("NewFirst");
  return gFirstBranchSlot(self, cmd, x);
}
int newSecondBranch(id self, SEL cmd, int x) {
  gLog.push_back("NewSecond");
  return gSecondBranchSlot(self, cmd, x);
}
int newMiddle(id self, SEL cmd, int x) {
  gLog.push_back("NewMiddle");
  return gMiddleSlot(self, cmd, x) * 2;
}

TEST_F(MethodHooksTest, SameSelectorInTwoClassesKeepsTwoForwardersAndChainsThroughHookedSuperclasses) {
  Family f = makeFamily("HkF");
  Class otherBase = objc::ClassBuilder<NSObjectIvars>("HkFOtherBase", objc::NSObjectClass())
                        .method<&otherBaseGreet>("greet:")
                        .registerClass();
  Class otherInheritor = objc::ClassBuilder<NSObjectIvars>("HkFOtherInheritor", otherBase).registerClass();
  // HkFLeaf : HkFInheritor : HkFBase.  The leaf's entry comes before its
  // superclass's, so the leaf's forwarder must look HkFInheritor up when called.
  const hook::Entry table[] = {
      hook::replace<&newFirstBranch, gFirstBranchSlot>("HkFLeaf", "greet:"),
      hook::replace<&newSecondBranch, gSecondBranchSlot>("HkFOtherInheritor", "greet:"),
      hook::replace<&newMiddle, gMiddleSlot>("HkFInheritor", "greet:"),
  };
  hook::install(table);
  EXPECT_EQ(gFirstBranchSlot.savedSuperclass, f.inheritor);
  EXPECT_EQ(gSecondBranchSlot.savedSuperclass, otherBase);
  EXPECT_NE(gFirstBranchSlot.previous, gSecondBranchSlot.previous);

  EXPECT_EQ(greet(otherInheritor, 5), 4);
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewSecond", "OtherBase"}));

  gLog.clear();
  EXPECT_EQ(greet(f.leaf, 5), 10);
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewFirst", "NewMiddle", "Base"}));

  gLog.clear();
  EXPECT_EQ(greet(f.inheritor, 5), 10);
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewMiddle", "Base"}));
}

// Forwarders pass every argument and the result with the method's exact C types:
// a CGFloat result with object arguments (a row height) and a BOOL argument.
CGFloat baseHeight(id, SEL, id table, NSInteger row) {
  gLog.push_back(table != nil ? "BaseHeight(table)" : "BaseHeight(nil)");
  return 44.5 + static_cast<CGFloat>(row);
}
void baseAppear(id, SEL, BOOL animated) { gLog.push_back(animated ? "BaseAppear(YES)" : "BaseAppear(NO)"); }
hook::Slot<CGFloat(id, NSInteger)> gHeightSlot;
hook::Slot<void(BOOL)> gAppearSlot;
CGFloat newHeight(id self, SEL cmd, id table, NSInteger row) {
  gLog.push_back("NewHeight");
  return gHeightSlot(self, cmd, table, row) / 2;
}
void newAppear(id self, SEL cmd, BOOL animated) {
  gAppearSlot(self, cmd, animated);
  gLog.push_back("NewAppear");
}

TEST_F(MethodHooksTest, ForwardersKeepTheMethodsTypes) {
  Class base = objc::ClassBuilder<NSObjectIvars>("HkGBase", objc::NSObjectClass())
                   .method<&baseHeight>("heightFor:row:")
                   .method<&baseAppear>("appear:")
                   .registerClass();
  Class sub = objc::ClassBuilder<NSObjectIvars>("HkGSub", base).registerClass();
  const hook::Entry table[] = {
      hook::replace<&newHeight, gHeightSlot>("HkGSub", "heightFor:row:"),
      hook::replace<&newAppear, gAppearSlot>("HkGSub", "appear:"),
  };
  hook::install(table);
  // The added methods carry the inherited methods' type strings.
  EXPECT_STREQ(method_getTypeEncoding(class_getInstanceMethod(sub, sel<"heightFor:row:">())),
               method_getTypeEncoding(class_getInstanceMethod(base, sel<"heightFor:row:">())));
  objc::Ref object = objc::Ref::adopt(objc::allocInit(sub));
  EXPECT_EQ(objc::send<CGFloat>(object, sel<"heightFor:row:">(), object.get(), NSInteger{3}), 23.75);
  objc::send<void>(object, sel<"appear:">(), BOOL{YES});
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewHeight", "BaseHeight(table)", "BaseAppear(YES)", "NewAppear"}));
}

// In place: an inherited method is replaced where it is defined, so the superclass
// and every class inheriting it run the replacement; a second in-place entry on the
// same inherited method chains to the first.  Own methods are replaced as usual.
hook::Slot<int(int)> gInPlaceInheritorSlot;
hook::Slot<int(int)> gInPlaceLeafSlot;
hook::Slot<int(int)> gInPlaceOwnSlot;
int inPlaceInheritor(id self, SEL cmd, int x) {
  gLog.push_back(std::string("InPlace(") + objc::className(self) + ")");
  return gInPlaceInheritorSlot(self, cmd, x) + 1;
}
int inPlaceLeaf(id self, SEL cmd, int x) {
  gLog.push_back("InPlaceLeaf");
  return gInPlaceLeafSlot(self, cmd, x) * 2;
}
int inPlaceOwn(id self, SEL cmd, int x) {
  gLog.push_back("InPlaceOwn");
  return gInPlaceOwnSlot(self, cmd, x) - 1;
}

TEST_F(MethodHooksTest, InPlaceReplacementsActWhereTheMethodIsDefined) {
  Family f = makeFamily("HkH");
  const hook::Entry table[] = {
      hook::replaceInPlace<&inPlaceInheritor, gInPlaceInheritorSlot>("HkHInheritor", "greet:"),
      hook::replaceInPlace<&inPlaceLeaf, gInPlaceLeafSlot>("HkHLeaf", "greet:"),
      hook::replaceInPlace<&inPlaceOwn, gInPlaceOwnSlot>("HkHOwn", "greet:"),
  };
  hook::install(table);
  // Nothing was added to the classes that only inherit the method.
  EXPECT_EQ(class_getInstanceMethod(f.inheritor, sel<"greet:">()), class_getInstanceMethod(f.base, sel<"greet:">()));
  EXPECT_EQ(gInPlaceInheritorSlot.previous, objc::toImp(&baseGreet));
  EXPECT_EQ(gInPlaceLeafSlot.previous, objc::toImp(&inPlaceInheritor));
  EXPECT_EQ(gInPlaceOwnSlot.previous, objc::toImp(&ownGreet));

  // The base class itself runs both replacements, the later one first.
  EXPECT_EQ(greet(f.base, 3), 8);
  EXPECT_EQ(gLog, (std::vector<std::string>{"InPlaceLeaf", "InPlace(HkHBase)", "Base"}));
  gLog.clear();
  EXPECT_EQ(greet(f.inheritor, 3), 8);
  EXPECT_EQ(gLog, (std::vector<std::string>{"InPlaceLeaf", "InPlace(HkHInheritor)", "Base"}));
  // A class with its own method only runs its own replacement.
  gLog.clear();
  EXPECT_EQ(greet(f.own, 3), 29);
  EXPECT_EQ(gLog, (std::vector<std::string>{"InPlaceOwn", "Own"}));

  // Installing again wraps nothing in itself.
  hook::install(table);
  gLog.clear();
  EXPECT_EQ(greet(f.leaf, 1), 4);
  EXPECT_EQ(gLog, (std::vector<std::string>{"InPlaceLeaf", "InPlace(HkHLeaf)", "Base"}));
}

hook::Slot<int(int)> gInPlaceMissingSlot;
int inPlaceMissing(id self, SEL cmd, int x) { return gInPlaceMissingSlot(self, cmd, x); }

TEST_F(MethodHooksTest, InPlaceEntriesOfMissingClassesOrSelectorsAreSkipped) {
  Family f = makeFamily("HkI");
  const hook::Entry table[] = {
      hook::replaceInPlace<&inPlaceMissing, gInPlaceMissingSlot>("HkINoSuchClass", "greet:"),
      hook::replaceInPlace<&inPlaceMissing, gInPlaceMissingSlot>("HkIOwn", "noSuchSelector:"),
  };
  hook::install(table);
  EXPECT_FALSE(gInPlaceMissingSlot.installed());
  EXPECT_FALSE(class_respondsToSelector(f.own, sel<"noSuchSelector:">()));
  EXPECT_EQ(greet(f.own, 2), 20);
}

// Class methods: <p>Base answers +texture itself, <p>Inheritor only inherits it.
id baseTexture(id self, SEL) {
  gLog.push_back(std::string("Texture(") + class_getName(reinterpret_cast<Class>(self)) + ")");
  return self;
}
hook::Slot<id()> gTextureSlot;
id newTexture(id self, SEL cmd) {
  gLog.push_back("NewTexture");
  return gTextureSlot(self, cmd);
}

hook::Slot<id()> gMissingTextureSlot;
id newMissingTexture(id self, SEL cmd) { return gMissingTextureSlot(self, cmd); }

TEST_F(MethodHooksTest, ClassMethodsAreReplacedInPlaceOnTheMetaclass) {
  Class base = objc::ClassBuilder<NSObjectIvars>("HkJBase", objc::NSObjectClass())
                   .classMethod<&baseTexture>("texture")
                   .registerClass();
  Class inheritor = objc::ClassBuilder<NSObjectIvars>("HkJInheritor", base).registerClass();
  const hook::Entry table[] = {
      hook::replaceClassMethodInPlace<&newTexture, gTextureSlot>("HkJInheritor", "texture"),
  };
  hook::install(table);
  hook::install(table);
  EXPECT_EQ(gTextureSlot.previous, objc::toImp(&baseTexture));
  // Instances gained nothing; the class objects answer through the replacement, the
  // receiver being the class the message went to.
  EXPECT_FALSE(class_respondsToSelector(inheritor, sel<"texture">()));
  EXPECT_EQ(objc::send<id>(reinterpret_cast<id>(inheritor), sel<"texture">()), reinterpret_cast<id>(inheritor));
  EXPECT_EQ(objc::send<id>(reinterpret_cast<id>(base), sel<"texture">()), reinterpret_cast<id>(base));
  EXPECT_EQ(gLog, (std::vector<std::string>{"NewTexture", "Texture(HkJInheritor)", "NewTexture", "Texture(HkJBase)"}));

  // A missing class, or one with only an instance method of that name, is skipped.
  Class instanceOnly = objc::ClassBuilder<NSObjectIvars>("HkJInstanceOnly", objc::NSObjectClass())
                           .method<&baseTexture>("texture")
                           .registerClass();
  IMP instanceTexture = class_getMethodImplementation(instanceOnly, sel<"texture">());
  const hook::Entry skipped[] = {
      hook::replaceClassMethodInPlace<&newMissingTexture, gMissingTextureSlot>("HkJNoSuchClass", "texture"),
      hook::replaceClassMethodInPlace<&newMissingTexture, gMissingTextureSlot>("HkJInstanceOnly", "texture"),
  };
  hook::install(skipped);
  EXPECT_FALSE(gMissingTextureSlot.installed());
  EXPECT_EQ(class_getMethodImplementation(instanceOnly, sel<"texture">()), instanceTexture);
}

}  // namespace
