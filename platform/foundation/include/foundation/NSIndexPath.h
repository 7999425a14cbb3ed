// NSIndexPath (a path of indexes; tables use section and row) and NSIndexSet /
// NSMutableIndexSet (a sorted set of indexes kept as ranges).
#pragma once

#include <objcface/NSObject.h>

#include <vector>

namespace ns {

Class NSIndexPathClass();
Class NSIndexSetClass();
Class NSMutableIndexSetClass();

// An autoreleased index path of {section, row}.
id indexPath(NSUInteger row, NSUInteger section);
bool isIndexPath(id object);

// An autoreleased index set.
id indexSet(std::initializer_list<NSUInteger> indexes);
bool isIndexSet(id object);
// The indexes of an index set in ascending order; empty for nil or a non-set.
std::vector<NSUInteger> indexesOf(id indexSet);

}  // namespace ns
