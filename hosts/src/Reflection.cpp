#include "Reflection.h"

#include <objcface/NSObject.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace hosts {
namespace {

struct Value {
  enum class Kind { object, boolean, integer, unsignedInteger, real, singleReal, cString, selector, structure, pointer };
  Kind kind = Kind::object;
  id object = nil;
  long long integer = 0;
  unsigned long long unsignedInteger = 0;
  double real = 0;
  std::string text;       // C strings, selector names, structs
  bool isNull = false;    // a null C string or pointer
};

bool isKindOf(id object, const char* className) {
  Class wanted = objc::classNamed(className);
  if (object == nil || wanted == Nil) return false;
  for (Class c = object_getClass(object); c != Nil; c = class_getSuperclass(c)) {
    if (c == wanted) return true;
  }
  return false;
}

bool isClassObject(id object) { return object != nil && class_isMetaClass(object_getClass(object)); }

bool answers(id object, SEL selector) { return class_getInstanceMethod(object_getClass(object), selector) != nullptr; }

std::string objectText(id object) {
  if (object == nil) return "nil";
  if (isClassObject(object)) return class_getName(reinterpret_cast<Class>(object));
  if (answers(object, objc::sel<"UTF8String">())) {
    const char* s = objc::send<const char*>(object, objc::sel<"UTF8String">());
    return s != nullptr ? s : "";
  }
  if (answers(object, objc::sel<"description">())) {
    id description = objc::send<id>(object, objc::sel<"description">());
    if (description != nil && answers(description, objc::sel<"UTF8String">())) {
      const char* s = objc::send<const char*>(description, objc::sel<"UTF8String">());
      return s != nullptr ? s : "";
    }
  }
  return objc::defaultDescription(object);
}

template <class T>
std::string numberText(T value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string structText(const char* type, const void* bytes) {
  auto numbers = [&](std::size_t count) {
    std::string out = "{";
    for (std::size_t i = 0; i < count; ++i) {
      double d;
      std::memcpy(&d, static_cast<const char*>(bytes) + i * sizeof(double), sizeof d);
      out += (i ? ", " : "") + numberText(d);
    }
    return out + "}";
  };
  if (std::strncmp(type, "{CGRect=", 8) == 0) return numbers(4);
  if (std::strncmp(type, "{CGPoint=", 9) == 0 || std::strncmp(type, "{CGSize=", 8) == 0) return numbers(2);
  NSRange range;
  std::memcpy(&range, bytes, sizeof range);
  return "{" + std::to_string(range.location) + ", " + std::to_string(range.length) + "}";
}

bool supportedStruct(const char* type) {
  return std::strncmp(type, "{CGRect=", 8) == 0 || std::strncmp(type, "{CGPoint=", 9) == 0 ||
         std::strncmp(type, "{CGSize=", 8) == 0 || std::strncmp(type, "{_NSRange=", 10) == 0 ||
         std::strncmp(type, "{NSRange=", 9) == 0;
}

// Reads a value of the given type through `source`, whose get<T>() yields a T from a
// method call or from the bytes of an ivar.
template <class Source>
objc::Result<Value> decode(const char* rawType, Source& source) {
  const char* type = objc_skip_type_qualifiers(rawType);
  Value v;
  switch (*type) {
    case '@':
    case '#':
      v.kind = Value::Kind::object;
      v.object = source.template get<id>();
      return v;
    case 'C':
    case 'c':
    case 'B': {
      // BOOL is an unsigned char here; YES / NO is how such a value reads best.
      unsigned char c = source.template get<unsigned char>();
      v.kind = Value::Kind::boolean;
      v.integer = static_cast<signed char>(c);
      v.unsignedInteger = c;
      if (*type == 'c') v.unsignedInteger = static_cast<unsigned long long>(v.integer);
      return v;
    }
    case 's':
      v.kind = Value::Kind::integer;
      v.integer = source.template get<short>();
      return v;
    case 'i':
      v.kind = Value::Kind::integer;
      v.integer = source.template get<int>();
      return v;
    case 'l':
      v.kind = Value::Kind::integer;
      v.integer = source.template get<long>();
      return v;
    case 'q':
      v.kind = Value::Kind::integer;
      v.integer = source.template get<long long>();
      return v;
    case 'S':
      v.kind = Value::Kind::unsignedInteger;
      v.unsignedInteger = source.template get<unsigned short>();
      return v;
    case 'I':
      v.kind = Value::Kind::unsignedInteger;
      v.unsignedInteger = source.template get<unsigned int>();
      return v;
    case 'L':
      v.kind = Value::Kind::unsignedInteger;
      v.unsignedInteger = source.template get<unsigned long>();
      return v;
    case 'Q':
      v.kind = Value::Kind::unsignedInteger;
      v.unsignedInteger = source.template get<unsigned long long>();
      return v;
    case 'f':
      v.kind = Value::Kind::singleReal;
      v.real = source.template get<float>();
      return v;
    case 'd':
      v.kind = Value::Kind::real;
      v.real = source.template get<double>();
      return v;
    case '*': {
      const char* s = source.template get<const char*>();
      v.kind = Value::Kind::cString;
      v.isNull = s == nullptr;
      v.text = s != nullptr ? s : "";
      return v;
    }
    case ':': {
      SEL s = source.template get<SEL>();
      v.kind = Value::Kind::selector;
      v.isNull = s == nullptr;
      v.text = s != nullptr ? sel_getName(s) : "";
      return v;
    }
    case '^': {
      const void* p = source.template get<const void*>();
      v.kind = Value::Kind::pointer;
      v.isNull = p == nullptr;
      v.text = v.isNull ? "NULL" : "pointer";
      return v;
    }
    case '{': {
      if (!supportedStruct(type)) return objc::makeError(std::string("cannot read a struct of type ") + type);
      v.kind = Value::Kind::structure;
      if (type[1] == 'C' && std::strncmp(type, "{CGRect=", 8) == 0) {
        CGRect r = source.template get<CGRect>();
        v.text = structText(type, &r);
      } else if (std::strncmp(type, "{CGPoint=", 9) == 0) {
        CGPoint p = source.template get<CGPoint>();
        v.text = structText(type, &p);
      } else if (std::strncmp(type, "{CGSize=", 8) == 0) {
        CGSize s = source.template get<CGSize>();
        v.text = structText(type, &s);
      } else {
        NSRange r = source.template get<NSRange>();
        v.text = structText(type, &r);
      }
      return v;
    }
    case 'v':
      return objc::makeError("it answers nothing (void)");
    default:
      return objc::makeError(std::string("cannot read a value of type ") + type);
  }
}

struct MethodSource {
  IMP imp;
  id receiver;
  SEL selector;
  template <class T>
  T get() {
    return objc::callImp<T>(imp, receiver, selector);
  }
};

struct IvarSource {
  const char* address;
  template <class T>
  T get() {
    T value;
    std::memcpy(&value, address, sizeof(T));
    return value;
  }
};

std::string kindName(const Value& v) {
  switch (v.kind) {
    case Value::Kind::boolean: return "a BOOL";
    case Value::Kind::integer:
    case Value::Kind::unsignedInteger:
    case Value::Kind::real:
    case Value::Kind::singleReal: return "a number";
    case Value::Kind::cString: return "a C string";
    case Value::Kind::selector: return "a selector";
    case Value::Kind::structure: return "a struct";
    case Value::Kind::pointer: return "a pointer";
    case Value::Kind::object: return "an object";
  }
  return "a value";
}

// Follows one token from `object`.
objc::Result<Value> step(id object, const std::string& token) {
  SEL selector = sel_registerName(token.c_str());
  Class cls = object_getClass(object);
  if (Method method = class_getInstanceMethod(cls, selector)) {
    if (method_getNumberOfArguments(method) != 2) {
      return objc::makeError(token + " takes arguments; only messages without arguments can be followed");
    }
    MethodSource source{method_getImplementation(method), object, selector};
    auto value = decode(method_getTypeEncoding(method), source);
    if (!value) return objc::makeError("reading the answer to " + token + ": " + value.error().message);
    return value;
  }
  if (!isClassObject(object)) {
    if (Ivar ivar = class_getInstanceVariable(cls, token.c_str())) {
      IvarSource source{reinterpret_cast<const char*>(object) + ivar_getOffset(ivar)};
      auto value = decode(ivar_getTypeEncoding(ivar), source);
      if (!value) return objc::makeError("reading the instance variable " + token + ": " + value.error().message);
      return value;
    }
  }
  return objc::makeError(std::string(isClassObject(object) ? "the class " : "") + class_getName(cls) +
                         (isClassObject(object) ? "" : " object") + " answers no message " + token +
                         (isClassObject(object) ? "" : " and has no instance variable of that name"));
}

objc::Result<Value> walk(const std::string& className, const std::vector<std::string>& tokens) {
  Class cls = objc::classNamed(className.c_str());
  if (cls == Nil) return objc::makeError("no class named " + className);
  Value current;
  current.object = reinterpret_cast<id>(cls);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (current.kind != Value::Kind::object) {
      return objc::makeError(tokens[i - 1] + " answered " + kindName(current) + ", which has no " + tokens[i]);
    }
    if (current.object == nil) return current;  // the rest of the path is sent to nil
    auto next = step(current.object, tokens[i]);
    if (!next) return next;
    current = *next;
  }
  return current;
}

std::string shownText(const Value& v) {
  switch (v.kind) {
    case Value::Kind::object: return objectText(v.object);
    case Value::Kind::boolean:
      if (v.unsignedInteger == 0) return "NO";
      if (v.unsignedInteger == 1) return "YES";
      return std::to_string(v.integer);
    case Value::Kind::integer: return std::to_string(v.integer);
    case Value::Kind::unsignedInteger: return std::to_string(v.unsignedInteger);
    case Value::Kind::real: return numberText(v.real);
    case Value::Kind::singleReal: return numberText(static_cast<float>(v.real));
    case Value::Kind::cString:
    case Value::Kind::selector: return v.isNull ? "nil" : v.text;
    case Value::Kind::structure:
    case Value::Kind::pointer: return v.text;
  }
  return "?";
}

std::optional<double> numberOf(const Value& v) {
  switch (v.kind) {
    case Value::Kind::boolean:
    case Value::Kind::integer: return static_cast<double>(v.integer);
    case Value::Kind::unsignedInteger: return static_cast<double>(v.unsignedInteger);
    case Value::Kind::real:
    case Value::Kind::singleReal: return v.real;
    case Value::Kind::object:
      if (isKindOf(v.object, "NSNumber") && answers(v.object, objc::sel<"doubleValue">())) {
        return objc::send<double>(v.object, objc::sel<"doubleValue">());
      }
      if (v.object != nil && !isClassObject(v.object) && answers(v.object, objc::sel<"UTF8String">())) {
        std::string text = objectText(v.object);
        double d = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
        if (ec == std::errc() && end == text.data() + text.size() && !text.empty()) return d;
      }
      return std::nullopt;
    default: return std::nullopt;
  }
}

bool closeEnough(double a, double b) {
  return std::fabs(a - b) <= 1e-6 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

bool matches(const Value& v, const scenario::ExpectedValue& expected) {
  using Kind = scenario::ExpectedValue::Kind;
  switch (expected.kind) {
    case Kind::nilValue:
      if (v.kind == Value::Kind::object) return v.object == nil;
      return v.isNull && (v.kind == Value::Kind::cString || v.kind == Value::Kind::pointer ||
                          v.kind == Value::Kind::selector);
    case Kind::boolean:
      if (v.kind == Value::Kind::object) {
        if (!isKindOf(v.object, "NSNumber") || !answers(v.object, objc::sel<"boolValue">())) return false;
        return (objc::send<BOOL>(v.object, objc::sel<"boolValue">()) != NO) == expected.boolean;
      }
      if (auto n = numberOf(v)) return (*n != 0) == expected.boolean;
      return false;
    case Kind::number:
      if (auto n = numberOf(v)) return closeEnough(*n, expected.number);
      return false;
    case Kind::string: return shownText(v) == expected.text;
  }
  return false;
}

objc::Result<Evaluation> run(const std::string& className, const std::vector<std::string>& tokens,
                             const scenario::ExpectedValue* expected) {
  // Answers along the way are autoreleased or borrowed: keep them alive until the
  // value has been read and compared, then let them go.
  objc::AutoreleasePool pool;
  auto value = walk(className, tokens);
  if (!value) return value.error();
  Evaluation out;
  out.shown = shownText(*value);
  if (expected != nullptr) out.matches = matches(*value, *expected);
  return out;
}

}  // namespace

objc::Result<Evaluation> evaluatePath(const std::string& className, const std::vector<std::string>& tokens) {
  return run(className, tokens, nullptr);
}

objc::Result<Evaluation> checkPath(const std::string& className, const std::vector<std::string>& tokens,
                                   const scenario::ExpectedValue& expected) {
  return run(className, tokens, &expected);
}

}  // namespace hosts
