#include "TweakLoader.h"

#include "FilterList.h"

#include <foundation/DeviceRoot.h>

#include <dlfcn.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace hosts {
namespace {

// A filter list is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t kMaximumFilterSize = 1 << 20;

objc::Result<std::string> readSmallFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return objc::makeError("no filter list " + path.filename().string());
  auto size = std::filesystem::file_size(path, ec);
  if (ec) return objc::makeError("cannot read " + path.filename().string() + ": " + ec.message());
  if (size > kMaximumFilterSize) return objc::makeError(path.filename().string() + " is too large for a filter list");
  std::ifstream in(path, std::ios::binary);
  if (!in) return objc::makeError("cannot open " + path.filename().string());
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return data;
}

}  // namespace

std::vector<std::filesystem::path> tweakLibraries(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return out;
  for (const auto& entry : it) {
    const auto& path = entry.path();
    std::error_code fileError;
    if (path.extension() == ".dylib" && entry.is_regular_file(fileError)) out.push_back(path);
  }
  std::sort(out.begin(), out.end(),
            [](const auto& a, const auto& b) { return a.filename().string() < b.filename().string(); });
  return out;
}

TweakLoadResult loadTweaks(std::string_view bundleIdentifier, std::ostream& errors, double coreFoundationVersion) {
  TweakLoadResult result;
  auto folder = ns::hostPath(kTweakFolder);
  if (!folder) return result;
  auto report = [&](const std::filesystem::path& library, const std::string& why) {
    std::string line = "tweak loader: skipped " + library.filename().string() + ": " + why;
    errors << line << '\n';
    result.problems.push_back(std::move(line));
  };
  for (const auto& library : tweakLibraries(*folder)) {
    auto filterPath = library;
    filterPath.replace_extension(".plist");
    auto data = readSmallFile(filterPath);
    if (!data) {
      report(library, data.error().message);
      continue;
    }
    auto filter = readFilterList(*data);
    if (!filter) {
      report(library, "filter list " + filterPath.filename().string() + " is unusable: " + filter.error().message);
      continue;
    }
    const auto& bundles = filter->bundles;
    if (std::find(bundles.begin(), bundles.end(), bundleIdentifier) == bundles.end()) continue;
    // Made for another version of the system: not loaded, as on a device, and not a problem.
    if (!admitsCoreFoundation(*filter, coreFoundationVersion)) continue;
    // RTLD_NOW finds a missing symbol here rather than at the first call; RTLD_GLOBAL
    // lets libraries loaded later see this one's symbols, as on a device.
    if (dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL) == nullptr) {
      const char* why = dlerror();
      report(library, std::string("it failed to load: ") + (why != nullptr ? why : "unknown error"));
      continue;
    }
    result.loaded.push_back(library.filename().string());
  }
  return result;
}

}  // namespace hosts
