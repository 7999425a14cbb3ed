// Helpers shared by the test programs: paths of the source and build trees and
// scratch directories that are removed when a test ends.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// A fresh directory under the system's temporary folder, removed with its contents
// when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

inline std::filesystem::path sourceDir() { return NOCTIL_SOURCE_DIR; }
inline std::filesystem::path binaryDir() { return NOCTIL_BINARY_DIR; }
inline std::filesystem::path testDataDir() { return NOCTIL_TESTDATA_DIR; }

}  // namespace testing_support
