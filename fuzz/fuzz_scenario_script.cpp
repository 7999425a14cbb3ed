// The scenario parser and the tweak loader's filter-list reader fed arbitrary
// bytes: both read text written by hand, so neither may crash, hang or grow without
// bound on any input.
#include "FilterList.h"
#include "ScriptParser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  scenario::ParsedScript script = scenario::parseScript(text);
  for (const auto& line : script.lines) (void)scenario::commandName(line.command);
  for (const auto& error : script.errors) (void)error.describe();
  (void)hosts::filterBundles(text);
  return 0;
}
