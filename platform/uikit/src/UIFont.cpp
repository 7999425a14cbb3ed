#include <uikit/UIFont.h>

#include "FoundationGlue.h"

#include <objcface/Send.h>

#include <cmath>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

UIFontIvars* FT(id font) { return reinterpret_cast<UIFontIvars*>(font); }

id makeFont(Class cls, std::string_view name, CGFloat size) {
  id font = objc::allocInit(cls);
  FT(font)->_fontName = objc::retain(detail::makeNSString(name));
  FT(font)->_pointSize = size;
  return objc::autorelease(font);
}

id fontSystem(id self, SEL, CGFloat size) { return makeFont(reinterpret_cast<Class>(self), ".HelveticaNeueInterface-M3", size); }
id fontBoldSystem(id self, SEL, CGFloat size) {
  return makeFont(reinterpret_cast<Class>(self), ".HelveticaNeueInterface-MediumP4", size);
}
id fontItalicSystem(id self, SEL, CGFloat size) {
  return makeFont(reinterpret_cast<Class>(self), ".HelveticaNeueInterface-Italic", size);
}
id fontWithName(id self, SEL, id name, CGFloat size) {
  std::string text = detail::toStd(name);
  if (text.empty()) return nil;
  return makeFont(reinterpret_cast<Class>(self), text, size);
}
id fontWithSize(id self, SEL, CGFloat size) { return makeFont(object_getClass(self), detail::toStd(FT(self)->_fontName), size); }

void fontDealloc(id self, SEL cmd) {
  objc::release(FT(self)->_fontName);
  FT(self)->_fontName = nil;
  objc::sendSuper<void>(self, UIFontClass(), cmd);
}

id fontName(id self, SEL) { return FT(self)->_fontName; }
id fontFamily(id self, SEL) {
  std::string name = detail::toStd(FT(self)->_fontName);
  return detail::makeNSString(name.substr(0, name.find('-')));
}
CGFloat fontPointSize(id self, SEL) { return FT(self)->_pointSize; }
CGFloat fontLineHeight(id self, SEL) { return measureText("", FT(self)->_pointSize).height; }
CGFloat fontAscender(id self, SEL) { return FT(self)->_pointSize * 0.95; }
CGFloat fontDescender(id self, SEL) { return -FT(self)->_pointSize * 0.25; }

}  // namespace

CGSize measureText(std::string_view utf8, CGFloat pointSize) {
  std::size_t characters = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++characters;  // count code points, not bytes
  return CGSizeMake(std::ceil(characters * pointSize * 0.5), std::ceil(pointSize * 1.2));
}

Class UIFontClass() {
  static const Class cls = objc::ClassBuilder<UIFontIvars>("UIFont", objc::NSObjectClass())
                               .ivar<&UIFontIvars::_fontName>("_fontName")
                               .ivar<&UIFontIvars::_pointSize>("_pointSize")
                               .classMethod<&fontSystem>("systemFontOfSize:")
                               .classMethod<&fontBoldSystem>("boldSystemFontOfSize:")
                               .classMethod<&fontItalicSystem>("italicSystemFontOfSize:")
                               .classMethod<&fontWithName>("fontWithName:size:")
                               .method<&fontWithSize>("fontWithSize:")
                               .method<&fontDealloc>("dealloc")
                               .method<&fontName>("fontName")
                               .method<&fontFamily>("familyName")
                               .method<&fontPointSize>("pointSize")
                               .method<&fontLineHeight>("lineHeight")
                               .method<&fontAscender>("ascender")
                               .method<&fontDescender>("descender")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIFontAtLoad = UIFontClass();

}  // namespace uikit
