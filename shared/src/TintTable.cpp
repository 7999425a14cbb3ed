#include <noctil/TintTable.h>

#include <objcface/Send.h>

#include <array>

namespace noctil {
namespace {

struct NamedTint {
  std::string_view name;
  TintComponents components;
};

// Some levels are single-precision constants widened to double, as the colours
// were first defined; the casts keep those exact values.
constexpr double f(float value) { return static_cast<double>(value); }

constexpr std::array kTints{
    NamedTint{"disabled", {true, 0.0, 0, 0, true}},
    NamedTint{"black", {true, 0.0, 0, 0, false}},
    NamedTint{"darkGray", {true, f(0.333f), 0, 0, false}},
    NamedTint{"lightGray", {true, f(0.667f), 0, 0, false}},
    NamedTint{"white", {true, 1.0, 0, 0, false}},
    NamedTint{"gray", {true, 0.5, 0, 0, false}},
    NamedTint{"red", {false, 1, 0, 0, false}},
    NamedTint{"green", {false, 0, 1, 0, false}},
    NamedTint{"blue", {false, 0, 0, 1, false}},
    NamedTint{"cyan", {false, 0, 1, 1, false}},
    NamedTint{"yellow", {false, 1, 1, 0, false}},
    NamedTint{"magenta", {false, 1, 0, 1, false}},
    NamedTint{"orange", {false, 1, 0.5, 0, false}},
    NamedTint{"purple", {false, 0.5, 0, 0.5, false}},
    NamedTint{"brown", {false, f(0.6f), f(0.4f), f(0.2f), false}},
    NamedTint{"hotpink", {false, 1, f(0.588f), f(0.705f), false}},
    NamedTint{"deeppink", {false, 1, f(0.078f), f(0.576f), false}},
};

}  // namespace

std::optional<TintComponents> tintComponentsNamed(std::string_view name) {
  for (const auto& tint : kTints)
    if (tint.name == name) return tint.components;
  return std::nullopt;
}

id tintColorNamed(id name, CGFloat alpha) {
  Class stringClass = objc_lookUpClass("NSString");
  if (name == nil || stringClass == Nil || !objc::send<BOOL>(name, objc::sel<"isKindOfClass:">(), stringClass))
    return nil;
  const char* utf8 = objc::send<const char*>(name, objc::sel<"UTF8String">());
  if (utf8 == nullptr) return nil;
  auto tint = tintComponentsNamed(utf8);
  if (!tint) return nil;
  Class colorClass = objc_lookUpClass("UIColor");
  CGFloat a = tint->transparent ? 0.0 : alpha;
  if (tint->grey) return objc::send<id>(colorClass, objc::sel<"colorWithWhite:alpha:">(), CGFloat{tint->red}, a);
  return objc::send<id>(colorClass, objc::sel<"colorWithRed:green:blue:alpha:">(), CGFloat{tint->red},
                        CGFloat{tint->green}, CGFloat{tint->blue}, a);
}

}  // namespace noctil
