// wait, expect file, expect <Class> … == value, eval, dump and echo.
#include "CommandFamilies.h"
#include "Reflection.h"

#include <foundation/DeviceRoot.h>

#include <filesystem>

namespace hosts {
namespace {

std::string path(const std::string& className, const std::vector<std::string>& tokens) {
  std::string out = className;
  for (const auto& t : tokens) out += " " + t;
  return out;
}

}  // namespace

Outcome run(const scenario::Wait& c, CommandContext& ctx) {
  ctx.host.serveFor(c.seconds);
  return Outcome::done();
}

Outcome run(const scenario::ExpectFile& c, CommandContext&) {
  auto file = ns::hostPath(c.path);
  if (!file) return Outcome::error("not a device path: " + file.error().message);
  std::error_code ec;
  bool exists = std::filesystem::exists(*file, ec);
  return Outcome::compare(exists == c.exists, c.exists ? "exists" : "missing", exists ? "exists" : "missing");
}

Outcome run(const scenario::ExpectValue& c, CommandContext&) {
  auto result = checkPath(c.className, c.tokens, c.expected);
  if (!result) return Outcome::error("cannot read " + path(c.className, c.tokens) + ": " + result.error().message);
  std::string expected = c.expected.kind == scenario::ExpectedValue::Kind::string ? "\"" + c.expected.text + "\""
                                                                                  : c.expected.text;
  return Outcome::compare(result->matches, expected, result->shown);
}

Outcome run(const scenario::Evaluate& c, CommandContext& ctx) {
  auto result = evaluatePath(c.className, c.tokens);
  if (!result) return Outcome::error("cannot read " + path(c.className, c.tokens) + ": " + result.error().message);
  ctx.out << path(c.className, c.tokens) << " = " << result->shown << '\n';
  return Outcome::done();
}

Outcome run(const scenario::Dump&, CommandContext& ctx) {
  auto text = ctx.host.dumpScreen();
  if (!text) return Outcome::error("cannot dump the screen: " + text.error().message);
  ctx.out << *text;
  if (!text->empty() && text->back() != '\n') ctx.out << '\n';
  return Outcome::done();
}

Outcome run(const scenario::Echo& c, CommandContext& ctx) {
  ctx.out << c.text << '\n';
  return Outcome::done();
}

}  // namespace hosts
