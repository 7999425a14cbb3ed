#include "PlatformHost.h"

#include "Termination.h"

#include <corefoundation/Notify.h>
#include <foundation/RunLoop.h>
#include <uikit/MenuAddOn.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIAnimation.h>
#include <uikit/UIScreen.h>

#include <unistd.h>

#include <fstream>

namespace hosts {

void PlatformHost::settle() {
  if (homeScreen_ != nullptr) {
    homeScreen_->settle();
  } else {
    ns::RunLoop::main().runUntilIdle();
  }
}

void PlatformHost::serveFor(double seconds) {
  ns::RunLoop::main().runUntil([] { return terminationRequested(); }, seconds);
}

objc::Status PlatformHost::postDarwinNotification(std::string_view name) {
  const std::string text(name);
  switch (notify_post(text.c_str())) {
    case NOTIFY_STATUS_OK: return objc::Ok{};
    case NOTIFY_STATUS_INVALID_NAME: return objc::makeError("notify_post refused the name " + text);
    default: return objc::makeError("notify_post could not deliver " + text);
  }
}

objc::Status PlatformHost::setActionMenuAvailable(bool available) {
  uikit::setMenuAddOnInstalled(available);
  return objc::Ok{};
}

objc::Result<std::string> PlatformHost::dumpScreen() {
  settle();
  return uikit::dumpScreen();
}

objc::Status PlatformHost::writeScreenshot(const std::filesystem::path& file) {
  settle();
  auto png = uikit::screenPNG(uikit::screen().scale);
  if (!png) return png.error();
  // Written beside the target and renamed over it, so a reader never sees half a file.
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  std::filesystem::path temp = file;
  temp += ".tmp-" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temp, ec);
      return objc::makeError("cannot write " + file.string());
    }
  }
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return objc::makeError("cannot write " + file.string() + ": " + ec.message());
  }
  return objc::Ok{};
}

std::optional<AnimationReading> PlatformHost::lastAnimation() {
  const auto& log = uikit::animationLog();
  if (log.empty()) return std::nullopt;
  return AnimationReading{static_cast<long>(log.back().curve), log.back().duration};
}

}  // namespace hosts
