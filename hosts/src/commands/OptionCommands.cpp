// set, unset, expect option and actionmenu: the options file as the Settings app
// writes it (each write followed by the settings-changed notification), and the
// switch that makes the shared menu controller answer registerAction:title:canPerform:.
// `expect option … in=<device path>` reads another property-list file the same way.
#include "CommandFamilies.h"
#include "OptionsFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace hosts {
namespace {

std::optional<double> numberIn(const std::string& text) {
  double d = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return d;
}

Outcome written(const objc::Status& status, CommandContext& ctx) {
  if (!status) return Outcome::error("the options file was not changed: " + status.error().message);
  auto posted = ctx.host.postDarwinNotification(kNoctilSettingsChanged);
  if (!posted) return Outcome::error("the options file was written but the notification failed: " + posted.error().message);
  return Outcome::done();
}

}  // namespace

Outcome run(const scenario::SetOption& c, CommandContext& ctx) {
  return written(writeOption(kNoctilOptionsPath, c.key, c.value), ctx);
}

Outcome run(const scenario::UnsetOption& c, CommandContext& ctx) {
  return written(removeOption(kNoctilOptionsPath, c.key), ctx);
}

Outcome run(const scenario::SetActionMenu& c, CommandContext& ctx) {
  auto status = ctx.host.setActionMenuAvailable(c.on);
  if (!status) return Outcome::error("cannot switch the action menu: " + status.error().message);
  return Outcome::done();
}

Outcome run(const scenario::ExpectOption& c, CommandContext&) {
  std::string_view path = c.file.empty() ? kNoctilOptionsPath : std::string_view(c.file);
  auto reading = readOption(path, c.key);
  if (!reading) return Outcome::error("cannot read " + std::string(path) + ": " + reading.error().message);
  const auto& found = *reading;
  std::string shown = found ? found->text : "absent";
  if (!c.value) return Outcome::compare(!found.has_value(), "absent", shown);
  if (!found) return Outcome::mismatch(*c.value, shown);
  bool equal = found->text == *c.value;
  // Unquoted numbers compare by value (12 equals 12.0), as the options loader reads them.
  if (!equal && !c.quoted && found->number) {
    if (auto wanted = numberIn(*c.value)) {
      equal = std::fabs(*wanted - *found->number) <= 1e-6 * std::max({1.0, std::fabs(*wanted), std::fabs(*found->number)});
    }
  }
  return Outcome::compare(equal, *c.value, shown);
}

}  // namespace hosts
