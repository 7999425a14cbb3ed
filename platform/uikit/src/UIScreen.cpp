// The UIScreen and UIScreenMode classes over the process-wide screen metrics.
#include <uikit/UIScreen.h>

#include <objcface/NSObject.h>

using objc::sel;
using objc::send;

namespace uikit {

namespace {

// The status bar's strip at the top, which applicationFrame leaves out.
constexpr CGFloat kStatusBarHeight = 20.0;

CGRect screenBounds(id, SEL) { return screen().bounds; }
CGFloat screenScale(id, SEL) { return screen().scale; }

CGRect screenApplicationFrame(id, SEL) {
  CGRect b = screen().bounds;
  return CGRectMake(0, kStatusBarHeight, b.size.width, b.size.height - kStatusBarHeight);
}

// The mode is the screen's size in pixels: bounds × scale, read when asked.
CGSize modeSize(id, SEL) {
  ScreenMetrics m = screen();
  return CGSizeMake(m.bounds.size.width * m.scale, m.bounds.size.height * m.scale);
}
CGFloat modePixelAspectRatio(id, SEL) { return 1.0; }

Class modeClass() {
  static const Class cls = objc::ClassBuilder<NSObjectIvars>("UIScreenMode", objc::NSObjectClass())
                               .method<&modeSize>("size")
                               .method<&modePixelAspectRatio>("pixelAspectRatio")
                               .registerClass();
  return cls;
}

id screenCurrentMode(id, SEL) {
  static const id mode = objc::allocInit(modeClass());
  return mode;
}

id mainScreen(id, SEL) {
  static const id shared = objc::allocInit(UIScreenClass());
  return shared;
}

id screens(id cls, SEL) {
  return send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), send<id>(cls, sel<"mainScreen">()));
}

Class registerUIScreen() {
  return objc::ClassBuilder<NSObjectIvars>("UIScreen", objc::NSObjectClass())
      .method<&screenBounds>("bounds")
      .method<&screenScale>("scale")
      .method<&screenApplicationFrame>("applicationFrame")
      .method<&screenCurrentMode>("currentMode")
      .classMethod<&mainScreen>("mainScreen")
      .classMethod<&screens>("screens")
      .registerClass();
}

}  // namespace

Class UIScreenClass() {
  static const Class cls = registerUIScreen();
  return cls;
}

[[maybe_unused]] static const Class kUIScreenAtLoad = UIScreenClass();
[[maybe_unused]] static const Class kUIScreenModeAtLoad = modeClass();

}  // namespace uikit
