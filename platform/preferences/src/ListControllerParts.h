// The methods of PSListController that live outside PSListController.cpp, so the
// class is registered in one place.
#pragma once

#include <objcface/Types.h>

namespace preferences::detail {

// PreferenceValues.cpp: the preference machinery.
id readPreferenceValue(id self, SEL cmd, id specifier);
void setPreferenceValue(id self, SEL cmd, id value, id specifier);

// PreferenceBundles.cpp: the bundle that defines a class (or a superclass), or nil.
id registeredBundleForClass(Class cls);

// PSListControllerTable.cpp: the pane's view, a grouped table it feeds and answers.
void loadTableView(id self, SEL cmd);
NSInteger numberOfSections(id self, SEL cmd, id table);
NSInteger numberOfRows(id self, SEL cmd, id table, NSInteger section);
id titleForHeader(id self, SEL cmd, id table, NSInteger section);
id titleForFooter(id self, SEL cmd, id table, NSInteger section);
id cellForRow(id self, SEL cmd, id table, id indexPath);
void didSelectRow(id self, SEL cmd, id table, id indexPath);

}  // namespace preferences::detail
