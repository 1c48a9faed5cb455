#include "settings/posix/StoreFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "settings/RegistryApi.h"

namespace e14 {

namespace {

namespace fs = std::filesystem;

fs::path HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr && user->pw_dir != nullptr ? fs::path(user->pw_dir) : fs::path();
}

fs::path Sibling(const fs::path& file, const std::string& suffix) {
  return fs::path(file.string() + suffix);
}

int32_t CodeOf(int error) {
  return error == EACCES || error == EPERM || error == EROFS ? kErrorAccessDenied
                                                             : kErrorRegistryIoFailed;
}

// Creates the folder and any missing parents, private to the user.
int32_t MakeFolder(const fs::path& folder) {
  fs::path partial;
  for (const fs::path& part : folder) {
    partial /= part;
    if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return CodeOf(errno);
  }
  return kErrorSuccess;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Makes a rename inside the folder survive a power loss.
void SyncFolder(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

std::string LocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace

fs::path StoreFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is invalid by the base-directory rules: it
  // would make the store depend on the current folder.
  fs::path base =
      config != nullptr && fs::path(config).is_absolute() ? fs::path(config) : fs::path();
  if (base.empty()) {
    const fs::path home = HomeFolder();
    if (home.empty()) return {};
    base = home / ".config";
  }
  return base / "e14-140" / "registry";
}

StoreRead ReadStoreFile(const fs::path& file, std::string& bytes) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? StoreRead::Missing : StoreRead::Failed;
  bytes.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return StoreRead::Failed;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return StoreRead::Read;
}

StoreLock::StoreLock(const fs::path& file) : result_(MakeFolder(file.parent_path())) {
  if (result_ != kErrorSuccess) return;
  fd_ = open(Sibling(file, ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    result_ = CodeOf(errno);
    return;
  }
  int locked;
  while ((locked = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (locked != 0) result_ = kErrorLockFailed;
}

StoreLock::~StoreLock() {
  // Closing the descriptor releases the lock.
  if (fd_ >= 0) close(fd_);
}

bool ReplaceStoreFile(const fs::path& file, const std::string& bytes) {
  const fs::path temporary = Sibling(file, ".tmp");
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), file.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  SyncFolder(file.parent_path());
  return true;
}

bool SetStoreFileAside(const fs::path& file) {
  const std::string stem = file.string() + ".damaged-" + LocalTime();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string aside = attempt == 0 ? stem : stem + "-" + std::to_string(attempt);
    struct stat existing;
    if (lstat(aside.c_str(), &existing) == 0) continue;
    return rename(file.c_str(), aside.c_str()) == 0;
  }
  return false;
}

}  // namespace e14
