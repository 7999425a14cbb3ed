// Reading a pane's property list into specifiers, as the framework's
// SpecifiersFromPlist does.
#include <preferences/PSListController.h>
#include <preferences/PSSpecifier.h>

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>
#include <objcface/Send.h>

#include <utility>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

id entryValue(id entry, const char* key) { return send<id>(entry, sel<"objectForKey:">(), ns::str(key)); }

// A string entry value; an error when present and not a string.
objc::Result<id> optionalString(id entry, const char* key) {
  id value = entryValue(entry, key);
  if (value && !ns::isString(value)) return objc::makeError(std::string("\"") + key + "\" is not a string");
  return value;
}

objc::Result<id> optionalArray(id entry, const char* key) {
  id value = entryValue(entry, key);
  if (value && !ns::isArray(value)) return objc::makeError(std::string("\"") + key + "\" is not an array");
  return value;
}

}  // namespace

objc::Result<EntrySpecifier> specifierFromEntry(id entry, id target) {
  if (!ns::isDictionary(entry)) return objc::makeError("an item is not a dictionary");
  auto cellName = optionalString(entry, PSCellKey);
  if (!cellName || !*cellName) return objc::makeError("an item has no \"cell\"");
  auto cell = cellTypeNamed(ns::utf8View(*cellName));
  if (!cell) return cell.error();

  std::vector<std::string> problems;
  auto note = [&problems](const std::string& text) { problems.push_back(text); };

  for (const char* key : {PSTitleKey, PSKeyNameKey, PSDefaultsKey, PSValueChangedNotificationKey,
                          PSFooterTextGroupKey, PSDetailControllerClassKey, PSActionKey, PSIDKey}) {
    auto checked = optionalString(entry, key);
    if (!checked) return checked.error();
  }

  id label = entryValue(entry, PSTitleKey);
  id key = entryValue(entry, PSKeyNameKey);
  SEL getter = nullptr;
  SEL setter = nullptr;
  if (key) {
    auto get = optionalString(entry, PSGetterKey);
    auto set = optionalString(entry, PSSetterKey);
    if (!get || !set) return objc::makeError("\"get\" and \"set\" must be selector names");
    getter = sel_registerName(*get ? ns::utf8(*get).c_str() : "readPreferenceValue:");
    setter = sel_registerName(*set ? ns::utf8(*set).c_str() : "setPreferenceValue:specifier:");
  }

  Class detail = Nil;
  if (id detailName = entryValue(entry, PSDetailControllerClassKey)) {
    detail = objc::classNamed(ns::utf8(detailName).c_str());
    if (!detail) note("no class \"" + ns::utf8(detailName) + "\" for the detail pane");
  } else if (*cell == PSLinkListCell) {
    detail = PSListItemsControllerClass();
  }

  id rowSpecifier = send<id>(reinterpret_cast<id>(PSSpecifierClass()),
                     sel<"preferenceSpecifierNamed:target:set:get:detail:cell:edit:">(), label, target, setter, getter,
                     detail, *cell, static_cast<Class>(Nil));
  objc::Ref owned = objc::Ref::retain(rowSpecifier);
  send<void>(rowSpecifier, sel<"setProperties:">(), entry);
  if (id identifier = entryValue(entry, PSIDKey)) {
    send<void>(rowSpecifier, sel<"setIdentifier:">(), identifier);
  } else if (key) {
    send<void>(rowSpecifier, sel<"setIdentifier:">(), key);
  }
  if (id action = entryValue(entry, PSActionKey)) {
    send<void>(rowSpecifier, sel<"setButtonAction:">(), sel_registerName(ns::utf8(action).c_str()));
  }

  auto values = optionalArray(entry, PSValidValuesKey);
  auto titles = optionalArray(entry, PSValidTitlesKey);
  auto shortTitles = optionalArray(entry, PSShortTitlesKey);
  if (!values || !titles || !shortTitles) return objc::makeError("\"validValues\", \"validTitles\" and \"shortTitles\" must be arrays");
  if (*values) {
    if (!*titles || ns::elements(*titles).size() != ns::elements(*values).size()) {
      note("\"validTitles\" does not give one title per value");
    }
    send<void>(rowSpecifier, sel<"setValues:titles:shortTitles:">(), *values, *titles, *shortTitles);
  }
  return EntrySpecifier{std::move(owned), std::move(problems)};
}

SpecifierList specifiersFromPlist(id plist, id target) {
  SpecifierList list{objc::Ref::retain(ns::mutableArray()), {}};
  id items = ns::isDictionary(plist) ? entryValue(plist, "items") : nil;
  if (!ns::isArray(items)) {
    list.problems.push_back("the property list has no \"items\" array");
    return list;
  }
  std::size_t index = 0;
  for (id entry : ns::elements(items)) {
    auto rowSpecifier = specifierFromEntry(entry, target);
    if (!rowSpecifier) {
      list.problems.push_back("item " + std::to_string(index) + ": " + rowSpecifier.error().message);
    } else {
      // A row with minor problems is kept: a pane shows what it can.
      for (const auto& problem : rowSpecifier->problems) list.problems.push_back("item " + std::to_string(index) + ": " + problem);
      send<void>(list.specifiers.get(), sel<"addObject:">(), rowSpecifier->specifier.get());
    }
    ++index;
  }
  return list;
}

}  // namespace preferences
