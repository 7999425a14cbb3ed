// How the UIKit stand-in makes and reads Foundation values (strings, arrays, sets,
// index paths, index sets, numbers).  Everything goes through message sends to the
// Foundation classes by their Cocoa selectors, so this library depends only on
// Foundation's public behaviour.  Made objects are autoreleased unless a name says
// otherwise.
#pragma once

#include <objcface/NSObject.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace uikit::detail {

// Strings.  toStd answers "" for nil.
id makeNSString(std::string_view utf8);
std::string toStd(id string);
bool stringsEqual(id a, id b);
// An immutable copy owned by the caller (+1), nil for nil: how UIKit keeps texts
// and titles it is given.
id copyString(id string);

// Arrays: a new immutable array of the objects, and the elements of any array.
id makeNSArray(std::span<const id> objects);
std::vector<id> arrayElements(id array);
// An immutable copy owned by the caller (+1), nil for nil.
id copyArray(id array);

// Sets.
id makeNSSet(std::span<const id> objects);
std::vector<id> setElements(id set);

// Index paths of tables: (section, row).
id makeIndexPath(NSInteger section, NSInteger row);
NSInteger indexPathSection(id indexPath);
NSInteger indexPathRow(id indexPath);

// Every index of an index set, ascending.
std::vector<NSUInteger> indexSetIndexes(id indexSet);

// Numbers.
id makeNSNumberBool(bool value);
id makeNSNumberDouble(double value);
double numberDouble(id number);

// Whether object is an instance of the named class or a subclass of it (NO for nil
// or an unknown class name).
bool isKindOfClassNamed(id object, const char* className);
bool isKindOfClass(id object, Class cls);

}  // namespace uikit::detail
