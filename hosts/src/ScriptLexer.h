// Splits one line of a scenario script into words.  Words are separated by spaces
// or tabs; double quotes group a value that holds spaces (inside them \" and \\ stand
// for a quote and a backslash); a '#' that starts a word outside quotes begins a
// comment that runs to the end of the line.  Quoted and unquoted parts of one word
// join, so title="Two words" is the single word `title=Two words`.
//
// Pure C++: no runtime, no platform.  The parser (ScriptParser.h) gives the words
// their meaning.
#pragma once

#include <objcface/Result.h>

#include <string>
#include <string_view>
#include <vector>

namespace scenario {

struct Word {
  std::string text;
  // True when any part of the word was written in quotes: a quoted word is always a
  // string, never YES/NO, a number or a keyword.
  bool quoted = false;
};

// The words of one line; empty for a blank line or a comment.  An unterminated quote
// is an error whose message says where the quote opened.
objc::Result<std::vector<Word>> splitWords(std::string_view line);

// Writes a value back in script form: as it is when it needs no quotes, otherwise in
// double quotes with \" and \\ escaped.  splitWords(quoteWord(x)) gives x back.
std::string quoteWord(std::string_view text);

}  // namespace scenario
