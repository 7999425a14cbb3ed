#include <corefoundation/Notify.h>

#include <corefoundation/NotifyDelivery.h>

#include <string_view>

extern "C" std::uint32_t notify_post(const char* name) {
  if (name == nullptr) return NOTIFY_STATUS_INVALID_NAME;
  std::string_view text(name);
  if (text.empty() || text.size() > cf::notify::kMaxNotificationNameLength) return NOTIFY_STATUS_INVALID_NAME;
  return cf::notify::post(text) ? NOTIFY_STATUS_OK : NOTIFY_STATUS_FAILED;
}
