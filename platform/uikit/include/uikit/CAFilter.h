// CAFilter: a named image filter that a layer applies when it is drawn, configured
// by key-value pairs ("gaussianBlur" with "inputRadius" and "inputHardEdges").
//
// Answers: +filterWithType:, +filterWithName:, initWithType:, initWithName:, type,
// name, setName:, enabled, setEnabled:, setValue:forKey:, valueForKey: (the keys
// "name", "type" and "enabled" read the properties; any other key reads the stored
// input value, nil when none), setDefaults, description.  A nil or empty type makes
// no filter (nil).
#pragma once

#include <objcface/NSObject.h>

inline constexpr const char* kCAFilterGaussianBlur = "gaussianBlur";

struct CAFilterIvars : NSObjectIvars {
  id _type;    // retained NSString
  id _name;    // retained NSString
  id _values;  // retained NSMutableDictionary of input values
  BOOL _enabled;
};

namespace uikit {

Class CAFilterClass();

}  // namespace uikit
