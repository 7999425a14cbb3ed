// NSFileManager on device paths.
//
// Reads resolve a device path lexically under the device root.  Anything that
// changes the disk (create, write, remove, copy, move) also checks that the folder
// it changes lies inside the root after following symbolic links, so a link planted
// inside the root cannot carry a change outside.  Removing a link removes the link.
#include <foundation/NSFileManager.h>

#include <foundation/DeviceRoot.h>
#include <foundation/FileIO.h>
#include <foundation/NSArray.h>
#include <foundation/NSDate.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSError.h>
#include <foundation/NSNumber.h>
#include <foundation/NSString.h>

#include "DataStorage.h"
#include "Methods.h"
#include "StringStorage.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ns {
namespace {

namespace fs = std::filesystem;
using detail::isStringObject;
using detail::stringView;

void fail(id* error, NSInteger code, const std::string& message) {
  setError(error, NSCocoaErrorDomain, code, message);
}

// A device path argument resolved for reading; nothing (and an error) otherwise.
std::optional<fs::path> readable(id path, id* error, NSInteger code) {
  if (!isStringObject(path)) {
    fail(error, code, "no path given");
    return std::nullopt;
  }
  auto host = hostPath(stringView(path));
  if (!host) {
    fail(error, code, host.error().message);
    return std::nullopt;
  }
  return *host;
}

// A device path argument resolved for changing: it must stay inside the root even
// after links, and must not be the root itself.
std::optional<fs::path> writable(id path, id* error, NSInteger code) {
  if (!isStringObject(path)) {
    fail(error, code, "no path given");
    return std::nullopt;
  }
  auto host = writableHostPath(stringView(path));
  if (!host) {
    fail(error, code, host.error().message);
    return std::nullopt;
  }
  return *host;
}

NSInteger codeFor(const std::error_code& ec, NSInteger fallback) {
  if (ec == std::errc::no_such_file_or_directory) return NSFileNoSuchFileError;
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) return NSFileWriteNoPermissionError;
  if (ec == std::errc::file_exists) return NSFileWriteFileExistsError;
  return fallback;
}

id defaultManagerMethod(id, SEL) { return defaultFileManager(); }

BOOL fileExistsAtPath(id, SEL, id path) {
  auto host = readable(path, nullptr, 0);
  struct stat info {};
  return host && ::stat(host->c_str(), &info) == 0 ? YES : NO;
}

BOOL fileExistsAtPathIsDirectory(id, SEL, id path, BOOL* isDirectory) {
  auto host = readable(path, nullptr, 0);
  struct stat info {};
  bool exists = host && ::stat(host->c_str(), &info) == 0;
  if (isDirectory != nullptr) *isDirectory = exists && S_ISDIR(info.st_mode) ? YES : NO;
  return exists ? YES : NO;
}

BOOL isReadableFileAtPath(id, SEL, id path) {
  auto host = readable(path, nullptr, 0);
  return host && ::access(host->c_str(), R_OK) == 0 ? YES : NO;
}

BOOL createDirectory(id, SEL, id path, BOOL intermediates, id, id* error) {
  auto host = writable(path, error, NSFileWriteUnknownError);
  if (!host) return NO;
  std::error_code ec;
  if (intermediates) {
    fs::create_directories(*host, ec);
    if (ec || !fs::is_directory(*host)) {
      fail(error, codeFor(ec, NSFileWriteFileExistsError), "cannot create folder " + host->string());
      return NO;
    }
    return YES;
  }
  if (!fs::create_directory(*host, ec)) {
    // Without intermediates an existing folder is an error too, as on iOS.
    fail(error, ec ? codeFor(ec, NSFileWriteUnknownError) : NSFileWriteFileExistsError,
         "cannot create folder " + host->string() + (ec ? ": " + ec.message() : ": it exists"));
    return NO;
  }
  return YES;
}

BOOL createFile(id, SEL, id path, id contents, id) {
  auto host = writable(path, nullptr, 0);
  if (!host) return NO;
  std::span<const std::uint8_t> bytes;
  if (detail::isDataObject(contents)) bytes = detail::dataSpan(contents);
  return writeHostFileAtomically(*host, bytes).ok() ? YES : NO;
}

id contentsAtPath(id, SEL, id path) {
  if (!isStringObject(path)) return nil;
  auto bytes = readFile(stringView(path));
  return bytes ? ns::data(std::span<const std::uint8_t>(*bytes)) : nil;
}

BOOL removeItem(id, SEL, id path, id* error) {
  auto host = writable(path, error, NSFileNoSuchFileError);
  if (!host) return NO;
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(*host, ec))) {
    fail(error, NSFileNoSuchFileError, "no such file: " + host->string());
    return NO;
  }
  fs::remove_all(*host, ec);
  if (ec) {
    fail(error, codeFor(ec, NSFileWriteUnknownError), "cannot remove " + host->string() + ": " + ec.message());
    return NO;
  }
  return YES;
}

id contentsOfDirectory(id, SEL, id path, id* error) {
  auto host = readable(path, error, NSFileReadNoSuchFileError);
  if (!host) return nil;
  std::error_code ec;
  std::vector<std::string> names;
  for (fs::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  if (ec) {
    fail(error, codeFor(ec, NSFileReadUnknownError) == NSFileNoSuchFileError ? NSFileReadNoSuchFileError
                                                                             : NSFileReadUnknownError,
         "cannot list " + host->string() + ": " + ec.message());
    return nil;
  }
  // Sorted, so listings are the same on every machine.
  std::sort(names.begin(), names.end());
  id list = mutableArray();
  for (const auto& name : names) {
    id s = str(name);
    if (s) objc::send<void>(list, objc::sel<"addObject:">(), s);
  }
  return list;
}

// Both ends of a copy or move, checked; the destination must not exist.
bool prepareTransfer(id from, id to, id* error, fs::path& source, fs::path& target) {
  auto s = writable(from, error, NSFileNoSuchFileError);
  if (!s) return false;
  auto t = writable(to, error, NSFileWriteUnknownError);
  if (!t) return false;
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(*s, ec))) {
    fail(error, NSFileNoSuchFileError, "no such file: " + s->string());
    return false;
  }
  if (fs::exists(fs::symlink_status(*t, ec))) {
    fail(error, NSFileWriteFileExistsError, "the destination exists: " + t->string());
    return false;
  }
  // Copying or moving a folder into itself would never end.
  auto [a, b] = std::mismatch(s->begin(), s->end(), t->begin(), t->end());
  if (a == s->end()) {
    fail(error, NSFileWriteUnknownError, "cannot put a folder inside itself");
    return false;
  }
  source = *s;
  target = *t;
  return true;
}

BOOL copyItem(id, SEL, id from, id to, id* error) {
  fs::path source, target;
  if (!prepareTransfer(from, to, error, source, target)) return NO;
  std::error_code ec;
  fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  if (ec) {
    fs::remove_all(target);
    fail(error, codeFor(ec, NSFileWriteUnknownError), "cannot copy to " + target.string() + ": " + ec.message());
    return NO;
  }
  return YES;
}

BOOL moveItem(id, SEL, id from, id to, id* error) {
  fs::path source, target;
  if (!prepareTransfer(from, to, error, source, target)) return NO;
  std::error_code ec;
  fs::rename(source, target, ec);
  if (ec == std::errc::cross_device_link) {
    ec.clear();
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (!ec) fs::remove_all(source, ec);
  }
  if (ec) {
    fail(error, codeFor(ec, NSFileWriteUnknownError), "cannot move to " + target.string() + ": " + ec.message());
    return NO;
  }
  return YES;
}

id attributesOfItem(id, SEL, id path, id* error) {
  auto host = readable(path, error, NSFileReadNoSuchFileError);
  if (!host) return nil;
  struct stat info {};
  if (::lstat(host->c_str(), &info) != 0) {
    fail(error, NSFileReadNoSuchFileError, "no such file: " + host->string());
    return nil;
  }
  const char* type = S_ISREG(info.st_mode)   ? NSFileTypeRegular
                     : S_ISDIR(info.st_mode) ? NSFileTypeDirectory
                     : S_ISLNK(info.st_mode) ? NSFileTypeSymbolicLink
                                             : NSFileTypeUnknown;
  double modified = static_cast<double>(info.st_mtim.tv_sec) + info.st_mtim.tv_nsec / 1e9 - kTimeIntervalSince1970;
  return dictionary({
      {str(NSFileType), str(type)},
      {str(NSFileSize), numberWithUnsignedLongLong(static_cast<unsigned long long>(info.st_size))},
      {str(NSFileModificationDate), date(modified)},
      {str(NSFilePosixPermissions), numberWithUnsignedInteger(info.st_mode & 07777)},
  });
}

Class registerNSFileManager() {
  return objc::ClassBuilder<NSObjectIvars>("NSFileManager", objc::NSObjectClass())
      .classMethod<&defaultManagerMethod>("defaultManager")
      .method<&fileExistsAtPath>("fileExistsAtPath:")
      .method<&fileExistsAtPathIsDirectory>("fileExistsAtPath:isDirectory:")
      .method<&isReadableFileAtPath>("isReadableFileAtPath:")
      .method<&createDirectory>("createDirectoryAtPath:withIntermediateDirectories:attributes:error:")
      .method<&createFile>("createFileAtPath:contents:attributes:")
      .method<&contentsAtPath>("contentsAtPath:")
      .method<&removeItem>("removeItemAtPath:error:")
      .method<&contentsOfDirectory>("contentsOfDirectoryAtPath:error:")
      .method<&copyItem>("copyItemAtPath:toPath:error:")
      .method<&moveItem>("moveItemAtPath:toPath:error:")
      .method<&attributesOfItem>("attributesOfItemAtPath:error:")
      .registerClass();
}

}  // namespace

Class NSFileManagerClass() {
  static const Class cls = registerNSFileManager();
  return cls;
}

[[maybe_unused]] static const Class kNSFileManagerAtLoad = NSFileManagerClass();

id defaultFileManager() {
  static const id shared = class_createInstance(NSFileManagerClass(), 0);
  return shared;
}

}  // namespace ns
