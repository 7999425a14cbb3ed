// The dependency check of a tweak library: it may need only the object runtime, the
// framework stand-ins it calls and the C and C++ run-time, never a host program's
// classes (those are found by name at run time) nor another deliverable.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>

namespace testing_support {

// Reads the library's dynamic section (readelf -d) and checks each NEEDED entry
// against the allowed set; none may name one of `forbidden`.
inline void expectOnlyRuntimeAndStandIns(const std::filesystem::path& library,
                                         std::initializer_list<const char*> forbidden) {
  std::string command = "readelf -d '" + library.string() + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_NE(output.find("[libobjcface.so]"), std::string::npos);
  const std::set<std::string> allowed = {"libobjcface.so", "libFoundation.so", "libCoreFoundation.so", "libUIKit.so",
                                         "libobjc.so.4",   "libstdc++.so.6",   "libm.so.6",            "libgcc_s.so.1",
                                         "libc.so.6"};
  std::size_t needed = 0;
  for (std::size_t at = output.find("(NEEDED)"); at != std::string::npos; at = output.find("(NEEDED)", at + 1)) {
    std::size_t open = output.find('[', at);
    std::size_t close = output.find(']', open);
    ASSERT_NE(close, std::string::npos);
    std::string name = output.substr(open + 1, close - open - 1);
    // Sanitizer builds add their own run-time libraries.
    const bool sanitizer =
        name.starts_with("libasan.") || name.starts_with("libubsan.") || name.starts_with("libclang_rt.");
    EXPECT_TRUE(allowed.count(name) || sanitizer) << "unexpected dependency " << name;
    ++needed;
  }
  EXPECT_GE(needed, 4u);
  for (const char* host : forbidden) EXPECT_EQ(output.find(host), std::string::npos) << host;
}

}  // namespace testing_support
