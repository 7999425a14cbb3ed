// Reads a value out of the running program by a path of names, for the scenario
// commands `expect <Class> <token> … == <value>` and `eval <Class> <token> …`.
//
// The walk starts at the class object.  Each token is sent as a zero-argument
// message when the current object answers it, and is otherwise read as the instance
// variable of that name.  The method's or ivar's type encoding says how to read the
// result: objects and classes, BOOL, the integer kinds, float and double, C strings,
// selectors and the geometry structs.  nil part-way answers nil, as a message to nil
// would.
#pragma once

#include "ScriptCommands.h"

#include <objcface/Result.h>

#include <string>
#include <vector>

namespace hosts {

struct Evaluation {
  // The value as text: nil, YES / NO, a number, a string's characters, a class's
  // name, an object's description, a struct as "{x, y, width, height}".
  std::string shown;
  // Whether it equals the expected value (only for checkPath).
  bool matches = false;
};

// The value at the end of the path, as text.  An error names the token that could
// not be followed and why.
objc::Result<Evaluation> evaluatePath(const std::string& className, const std::vector<std::string>& tokens);

// Also compares the value with `expected`.  nil matches nil objects and null
// pointers; YES / NO match BOOLs, numbers (non-zero is YES) and NSNumbers; a number
// matches any number, NSNumber or numeric string equal to it to six significant
// digits; a string matches the value's text.
objc::Result<Evaluation> checkPath(const std::string& className, const std::vector<std::string>& tokens,
                                   const scenario::ExpectedValue& expected);

}  // namespace hosts
