#include <preferences/PSSpecifier.h>

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>
#include <foundation/Object.h>
#include <objcface/Send.h>

#include <array>
#include <utility>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

PSSpecifierIvars* S(id self) { return objc::ivars<PSSpecifierIvars>(self); }

// A copy of a string or dictionary the specifier keeps (+1).
id copyOf(id value) { return value ? send<id>(value, sel<"copy">()) : nil; }

id properties(id self) {
  auto* s = S(self);
  if (!s->_properties) s->_properties = objc::retain(ns::mutableDictionary());
  return s->_properties;
}

id specInit(id self, SEL) {
  self = objc::sendSuper<id>(self, PSSpecifierClass(), sel<"init">());
  if (self) properties(self);
  return self;
}

void specDealloc(id self, SEL cmd) {
  auto* s = S(self);
  for (id* slot : {&s->_name, &s->_identifier, &s->_values, &s->_titleDict, &s->_shortTitleDict, &s->_properties}) {
    objc::release(*slot);
    *slot = nil;
  }
  objc::sendSuper<void>(self, PSSpecifierClass(), cmd);
}

id specName(id self, SEL) { return S(self)->_name; }
void specSetName(id self, SEL, id name) {
  id copy = copyOf(name);
  objc::release(S(self)->_name);
  S(self)->_name = copy;
}

// The identifier defaults to the "id" property, then the name, as the framework does.
id specIdentifier(id self, SEL) {
  if (S(self)->_identifier) return S(self)->_identifier;
  id fromProperty = send<id>(properties(self), sel<"objectForKey:">(), ns::str(PSIDKey));
  return fromProperty ? fromProperty : S(self)->_name;
}
void specSetIdentifier(id self, SEL, id identifier) {
  id copy = copyOf(identifier);
  objc::release(S(self)->_identifier);
  S(self)->_identifier = copy;
}

id specProperties(id self, SEL) { return properties(self); }
void specSetProperties(id self, SEL, id dictionary) {
  id copy = dictionary ? send<id>(dictionary, sel<"mutableCopy">()) : objc::retain(ns::mutableDictionary());
  objc::release(S(self)->_properties);
  S(self)->_properties = copy;
}

id specPropertyForKey(id self, SEL, id key) {
  return key ? send<id>(properties(self), sel<"objectForKey:">(), key) : nil;
}
// A nil value removes the property (the framework would raise; a row that loses a
// property is the sound reading of that call).
void specSetProperty(id self, SEL, id value, id key) {
  if (!key) return;
  if (value) {
    send<void>(properties(self), sel<"setObject:forKey:">(), value, key);
  } else {
    send<void>(properties(self), sel<"removeObjectForKey:">(), key);
  }
}
void specRemoveProperty(id self, SEL, id key) {
  if (key) send<void>(properties(self), sel<"removeObjectForKey:">(), key);
}

id specTitleDictionary(id self, SEL) { return S(self)->_titleDict; }
void specSetTitleDictionary(id self, SEL, id dictionary) {
  id copy = copyOf(dictionary);
  objc::release(S(self)->_titleDict);
  S(self)->_titleDict = copy;
}
id specShortTitleDictionary(id self, SEL) { return S(self)->_shortTitleDict; }
void specSetShortTitleDictionary(id self, SEL, id dictionary) {
  id copy = copyOf(dictionary);
  objc::release(S(self)->_shortTitleDict);
  S(self)->_shortTitleDict = copy;
}

id specValues(id self, SEL) { return S(self)->_values; }

// The titles keyed by the values, for as many pairs as both arrays hold.
id titlesByValue(id values, id titles) {
  if (!values || !titles) return nil;
  id dictionary = ns::mutableDictionary();
  auto v = ns::elements(values);
  auto t = ns::elements(titles);
  for (std::size_t i = 0; i < v.size() && i < t.size(); ++i) {
    send<void>(dictionary, sel<"setObject:forKey:">(), t[i], v[i]);
  }
  return dictionary;
}

void specSetValuesTitlesShort(id self, SEL, id values, id titles, id shortTitles) {
  id valuesCopy = values ? send<id>(values, sel<"copy">()) : nil;
  objc::release(S(self)->_values);
  S(self)->_values = valuesCopy;
  specSetTitleDictionary(self, nullptr, titlesByValue(values, titles));
  specSetShortTitleDictionary(self, nullptr, titlesByValue(values, shortTitles ? shortTitles : titles));
}
void specSetValuesTitles(id self, SEL, id values, id titles) {
  specSetValuesTitlesShort(self, nullptr, values, titles, nil);
}

PSCellType specCellType(id self, SEL) { return S(self)->_cellType; }
void specSetCellType(id self, SEL, PSCellType type) { S(self)->_cellType = type; }
id specTarget(id self, SEL) { return S(self)->_target; }
void specSetTarget(id self, SEL, id target) { S(self)->_target = target; }
Class specDetail(id self, SEL) { return S(self)->_detailControllerClass; }
void specSetDetail(id self, SEL, Class cls) { S(self)->_detailControllerClass = cls; }
Class specEditPane(id self, SEL) { return S(self)->_editPaneClass; }
void specSetEditPane(id self, SEL, Class cls) { S(self)->_editPaneClass = cls; }
SEL specAction(id self, SEL) { return S(self)->_action; }
void specSetAction(id self, SEL, SEL action) { S(self)->_action = action; }
SEL specGetter(id self, SEL) { return S(self)->_getter; }
SEL specSetter(id self, SEL) { return S(self)->_setter; }

id specDescription(id self, SEL) {
  auto* s = S(self);
  return ns::format("<PSSpecifier %p: ID %s, Name '%s', Cell %s>", static_cast<void*>(self),
                    ns::utf8(specIdentifier(self, nullptr)).c_str(), ns::utf8(s->_name).c_str(),
                    cellTypeName(s->_cellType));
}

id clsPreferenceSpecifier(id cls, SEL, id name, id target, SEL setter, SEL getter, Class detail, PSCellType cell,
                          Class edit) {
  id rowSpecifier = objc::autorelease(send<id>(send<id>(cls, sel<"alloc">()), sel<"init">()));
  specSetName(rowSpecifier, nullptr, name);
  auto* s = S(rowSpecifier);
  s->_target = target;
  s->_setter = setter;
  s->_getter = getter;
  s->_detailControllerClass = detail;
  s->_cellType = cell;
  s->_editPaneClass = edit;
  if (name) specSetProperty(rowSpecifier, nullptr, name, ns::str(PSTitleKey));
  return rowSpecifier;
}

id clsGroupSpecifier(id cls, SEL, id name) {
  return clsPreferenceSpecifier(cls, nullptr, name, nil, nullptr, nullptr, Nil, PSGroupCell, Nil);
}
id clsEmptyGroupSpecifier(id cls, SEL) { return clsGroupSpecifier(cls, nullptr, nil); }

constexpr std::array<std::pair<const char*, PSCellType>, 15> kCellNames{{
    {"PSGroupCell", PSGroupCell},
    {"PSLinkCell", PSLinkCell},
    {"PSLinkListCell", PSLinkListCell},
    {"PSListItemCell", PSListItemCell},
    {"PSTitleValueCell", PSTitleValueCell},
    {"PSSliderCell", PSSliderCell},
    {"PSSwitchCell", PSSwitchCell},
    {"PSStaticTextCell", PSStaticTextCell},
    {"PSEditTextCell", PSEditTextCell},
    {"PSSegmentCell", PSSegmentCell},
    {"PSGiantIconCell", PSGiantIconCell},
    {"PSGiantCell", PSGiantCell},
    {"PSSecureEditTextCell", PSSecureEditTextCell},
    {"PSButtonCell", PSButtonCell},
    {"PSEditTextViewCell", PSEditTextViewCell},
}};

}  // namespace

objc::Result<PSCellType> cellTypeNamed(std::string_view name) {
  for (auto [text, type] : kCellNames) {
    if (name == text) return type;
  }
  return objc::makeError("unknown cell type \"" + std::string(name) + "\"");
}

const char* cellTypeName(PSCellType type) {
  for (auto [text, value] : kCellNames) {
    if (value == type) return text;
  }
  return "PSUnknownCell";
}

Class PSSpecifierClass() {
  static const Class cls =
      objc::ClassBuilder<PSSpecifierIvars>("PSSpecifier", objc::NSObjectClass())
          .ivar<&PSSpecifierIvars::_target>("_target")
          .ivar<&PSSpecifierIvars::_getter>("_getter")
          .ivar<&PSSpecifierIvars::_setter>("_setter")
          .ivar<&PSSpecifierIvars::_action>("_action")
          .ivar<&PSSpecifierIvars::_detailControllerClass>("_detailControllerClass")
          .ivar<&PSSpecifierIvars::_editPaneClass>("_editPaneClass")
          .ivar<&PSSpecifierIvars::_cellType>("_cellType")
          .ivar<&PSSpecifierIvars::_name>("_name")
          .ivar<&PSSpecifierIvars::_identifier>("_identifier")
          .ivar<&PSSpecifierIvars::_values>("_values")
          .ivar<&PSSpecifierIvars::_titleDict>("_titleDict")
          .ivar<&PSSpecifierIvars::_shortTitleDict>("_shortTitleDict")
          .ivar<&PSSpecifierIvars::_properties>("_properties")
          .method<&specInit>("init")
          .method<&specDealloc>("dealloc")
          .method<&specName>("name")
          .method<&specSetName>("setName:")
          .method<&specIdentifier>("identifier")
          .method<&specSetIdentifier>("setIdentifier:")
          .method<&specProperties>("properties")
          .method<&specSetProperties>("setProperties:")
          .method<&specPropertyForKey>("propertyForKey:")
          .method<&specSetProperty>("setProperty:forKey:")
          .method<&specRemoveProperty>("removePropertyForKey:")
          .method<&specTitleDictionary>("titleDictionary")
          .method<&specSetTitleDictionary>("setTitleDictionary:")
          .method<&specShortTitleDictionary>("shortTitleDictionary")
          .method<&specSetShortTitleDictionary>("setShortTitleDictionary:")
          .method<&specValues>("values")
          .method<&specSetValuesTitles>("setValues:titles:")
          .method<&specSetValuesTitlesShort>("setValues:titles:shortTitles:")
          .method<&specCellType>("cellType")
          .method<&specSetCellType>("setCellType:")
          .method<&specTarget>("target")
          .method<&specSetTarget>("setTarget:")
          .method<&specDetail>("detailControllerClass")
          .method<&specSetDetail>("setDetailControllerClass:")
          .method<&specEditPane>("editPaneClass")
          .method<&specSetEditPane>("setEditPaneClass:")
          .method<&specAction>("buttonAction")
          .method<&specSetAction>("setButtonAction:")
          .method<&specGetter>("getter")
          .method<&specSetter>("setter")
          .method<&specDescription>("description")
          .classMethod<&clsPreferenceSpecifier>("preferenceSpecifierNamed:target:set:get:detail:cell:edit:")
          .classMethod<&clsGroupSpecifier>("groupSpecifierWithName:")
          .classMethod<&clsEmptyGroupSpecifier>("emptyGroupSpecifier")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kPSSpecifierAtLoad = PSSpecifierClass();

}  // namespace preferences
