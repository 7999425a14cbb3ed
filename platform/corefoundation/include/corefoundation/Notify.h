// libnotify's posting call: notify_post(name) sends a Darwin notification to every
// observing process of the device root (see CFNotificationCenter.h).
#pragma once

#include <cstdint>

extern "C" {

enum : std::uint32_t {
  NOTIFY_STATUS_OK = 0,
  NOTIFY_STATUS_INVALID_NAME = 1,
  NOTIFY_STATUS_FAILED = 1000000,
};

// NOTIFY_STATUS_OK once the name is handed to every observer; INVALID_NAME for a
// NULL, empty or too long name (over 1024 bytes); FAILED when the run folder
// cannot be read.
std::uint32_t notify_post(const char* name);

}  // extern "C"
