#include "core/platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

namespace crawlspect {

namespace fs = std::filesystem;

namespace {

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

int replaceFileContents(const std::string& fileName, std::string_view bytes) {
  std::string target = fileName;
  std::error_code ec;
  if (fs::is_symlink(fileName, ec)) {
    const fs::path resolved = fs::weakly_canonical(fileName, ec);
    if (!ec) target = resolved.string();
  }
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return EISDIR;
  // A file the user has marked read-only stays as it is.
  if (exists && ::access(target.c_str(), W_OK) != 0) return errno;

  static std::atomic<unsigned> sequence{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = target + ".part" + std::to_string(::getpid()) + "-" + std::to_string(sequence++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  if (exists) (void)::fchmod(fd, old.st_mode & 07777);

  int error = 0;
  if (!writeAll(fd, bytes) || ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) ::unlink(temp.c_str());
  return error;
}

}  // namespace crawlspect
