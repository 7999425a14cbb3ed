// A short demonstration of the platform stand-in: defines a class through the object
// runtime, sends it messages and prints what happened.
#include <objcface/NSObject.h>

#include <cstdio>

namespace {
struct GreeterIvars : NSObjectIvars {
  int _greetings;
  int greet() { return ++_greetings; }
};
}  // namespace

int main() {
  objc::AutoreleasePool pool;
  Class greeter = objc::ClassBuilder<GreeterIvars>("Greeter", objc::NSObjectClass())
                      .ivar<&GreeterIvars::_greetings>("_greetings")
                      .method<&GreeterIvars::greet>("greet")
                      .registerClass();
  objc::Ref object = objc::Ref::adopt(objc::allocInit(greeter));
  objc::send<int>(object, objc::sel<"greet">());
  int count = objc::send<int>(object, objc::sel<"greet">());
  std::printf("%s greeted %d times\n", objc::defaultDescription(object).c_str(), count);
  return 0;
}
