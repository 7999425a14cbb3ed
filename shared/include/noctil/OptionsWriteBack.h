// The one write the tweak libraries make to the options file themselves: a fold
// saves the folded set under its key, keeping every other option.  The Settings app
// writes the file otherwise.
#pragma once

#include <objcface/Types.h>

namespace noctil {

// Sets `key` of the options file at `path` (a device path) to `value` and writes the
// file back atomically.  The file is read as the options loaders read it (values it
// shares stay shared) and only its top level is made mutable; it is written as XML,
// like the Settings app writes it, or, when XML cannot hold it (a binary file whose
// shared values would unfold far beyond its size), in the binary format it was read
// in, so the value is never silently dropped.  Nothing is written when the file is
// missing, unreadable or not a dictionary; answers whether the file was written.
// No change notification is posted.
bool storeOptionValue(const char* path, const char* key, id value);

}  // namespace noctil
