#include <foundation/DeviceRoot.h>
#include <foundation/FileIO.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ns {
namespace {

std::string errnoText(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool isInside(const std::filesystem::path& path, const std::filesystem::path& root) {
  auto [r, p] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return r == root.end();
}

}  // namespace

objc::Result<std::vector<std::uint8_t>> readFile(std::string_view devicePath) {
  auto host = hostPath(devicePath);
  if (!host) return host.error();
  int fd = ::open(host->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return objc::makeError(errnoText("cannot open", *host));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return objc::makeError("not a regular file: " + host->string());
  }
  // One byte beyond the size, so the read that meets the end needs no larger buffer.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size) + 1);
  std::size_t done = 0;
  while (true) {
    if (done == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file grew meanwhile
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::string message = errnoText("cannot read", *host);
      ::close(fd);
      return objc::makeError(message);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

objc::Result<std::filesystem::path> writableHostPath(std::string_view devicePath) {
  auto host = hostPath(devicePath);
  if (!host) return host.error();
  std::error_code ec;
  std::filesystem::path root = std::filesystem::weakly_canonical(deviceRoot(), ec);
  if (ec) return objc::makeError("cannot resolve the device root: " + ec.message());
  std::filesystem::path folder = std::filesystem::weakly_canonical(host->parent_path(), ec);
  if (ec) return objc::makeError("cannot resolve " + host->parent_path().string() + ": " + ec.message());
  if (!isInside(folder, root)) return objc::makeError("path leaves the device root: " + std::string(devicePath));
  if (*host == deviceRoot()) return objc::makeError("the device root itself is not a file");
  return *host;
}

objc::Status writeHostFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
  std::filesystem::path folder = target.parent_path();
  std::string name = ".";
  name += target.filename().string();
  name += ".XXXXXX";
  std::string pattern = (folder / name).string();
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return objc::makeError(errnoText("cannot create a temporary file in", folder));
  auto fail = [&](const std::string& message) -> objc::Status {
    ::close(fd);
    ::unlink(pattern.c_str());
    return objc::makeError(message);
  };
  // The new file keeps the permissions of the one it replaces; a new one gets 0644.
  struct stat old {};
  mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return fail(errnoText("cannot set permissions of", pattern));
  if (!writeAll(fd, bytes.data(), bytes.size())) return fail(errnoText("cannot write", pattern));
  if (::fsync(fd) != 0) return fail(errnoText("cannot flush", pattern));
  if (::close(fd) != 0) {
    ::unlink(pattern.c_str());
    return objc::makeError(errnoText("cannot close", pattern));
  }
  if (::rename(pattern.c_str(), target.c_str()) != 0) {
    std::string message = errnoText("cannot replace", target);
    ::unlink(pattern.c_str());
    return objc::makeError(message);
  }
  // Make the rename itself durable; failure here does not undo the write.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return objc::Ok{};
}

objc::Status writeFileAtomically(std::string_view devicePath, std::span<const std::uint8_t> bytes) {
  auto host = writableHostPath(devicePath);
  if (!host) return host.error();
  return writeHostFileAtomically(*host, bytes);
}

}  // namespace ns
