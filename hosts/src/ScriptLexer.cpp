#include "ScriptLexer.h"

namespace scenario {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

objc::Result<std::vector<Word>> splitWords(std::string_view line) {
  std::vector<Word> words;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    while (i < n && isSpace(line[i])) ++i;
    if (i == n || line[i] == '#') break;
    Word word;
    while (i < n && !isSpace(line[i])) {
      char c = line[i];
      if (c != '"') {
        word.text += c;
        ++i;
        continue;
      }
      const std::size_t opened = i;
      word.quoted = true;
      ++i;
      bool closed = false;
      while (i < n) {
        c = line[i];
        if (c == '"') {
          closed = true;
          ++i;
          break;
        }
        if (c == '\\' && i + 1 < n && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          word.text += line[i + 1];
          i += 2;
          continue;
        }
        word.text += c;
        ++i;
      }
      if (!closed) {
        return objc::makeError("unterminated quote (opened at column " + std::to_string(opened + 1) + ")");
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string quoteWord(std::string_view text) {
  bool plain = !text.empty() && text.front() != '#';
  for (char c : text) {
    if (isSpace(c) || c == '"' || c == '\\') plain = false;
  }
  if (plain) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace scenario
