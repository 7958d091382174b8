#include "host/io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>

namespace host {
namespace {

void SetError(std::string* error, const std::string& path, const char* what, int err) {
  if (error != nullptr) *error = path + ": " + what + ": " + std::strerror(err);
}

// A suffix unlikely to collide with another writer's; O_EXCL settles the rest.
std::string TempSuffix(unsigned attempt) {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t h = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  h ^= static_cast<std::uint64_t>(::getpid()) << 32;
  h ^= counter.fetch_add(1) * 0x9E3779B97F4A7C15ull;
  h ^= attempt;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 31;
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s = ".tmp";
  for (int i = 0; i < 6; ++i) {
    s += kDigits[h % 36];
    h /= 36;
  }
  return s;
}

// The temporary file being written, for RemovePendingTempFile: a program
// ended by a signal has no destructors run. One slot is enough, as files
// are written one at a time; a path too long for it is not kept.
char gPendingTemp[4096];
volatile std::sig_atomic_t gPendingSet = 0;

void RememberPendingTemp(const std::string& temp) {
  gPendingSet = 0;
  if (temp.size() >= sizeof gPendingTemp) return;
  std::memcpy(gPendingTemp, temp.c_str(), temp.size() + 1);
  gPendingSet = 1;
}

void ForgetPendingTemp() { gPendingSet = 0; }

bool WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error,
                const std::function<bool()>& beforeReplacing) {
  AtomicFile file;
  if (!file.Open(path, error)) return false;
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.File()) != bytes.size()) {
    const int err = errno != 0 ? errno : EIO;
    file.Abandon();
    SetError(error, path, "cannot write", err);
    return false;
  }
  return file.Commit(error, beforeReplacing);
}

}  // namespace

AtomicFile::~AtomicFile() { Abandon(); }

bool AtomicFile::Open(const std::string& path, std::string* error) {
  try {
    return OpenTemp(path, error);
  } catch (const std::bad_alloc&) {
    Abandon();
    if (error != nullptr) *error = "out of memory";
    return false;
  }
}

bool AtomicFile::OpenTemp(const std::string& path, std::string* error) {
  Abandon();
  int fd = -1;
  std::string temp;
  for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = path + TempSuffix(attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    SetError(error, path, "cannot create file", errno);
    return false;
  }
  // Replacing a file must not change who may read it.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    (void)::fchmod(fd, st.st_mode & 07777);
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    SetError(error, path, "cannot create file", err);
    return false;
  }
  path_ = path;
  temp_path_ = std::move(temp);
  file_ = file;
  RememberPendingTemp(temp_path_);
  return true;
}

bool AtomicFile::Commit(std::string* error, const std::function<bool()>& beforeReplacing) {
  if (file_ == nullptr) {
    if (error != nullptr) *error = path_ + ": nothing to commit (file not open)";
    return false;
  }
  int err = 0;
  const bool hadError = std::ferror(file_) != 0;
  if (std::fflush(file_) != 0) err = errno;
  // Without the sync a crash soon after the rename can leave an empty file
  // where the old one was.
  if (err == 0 && ::fsync(::fileno(file_)) != 0 && errno != EINVAL && errno != EROFS) err = errno;
  if (std::fclose(file_) != 0 && err == 0) err = errno;
  file_ = nullptr;
  if (hadError && err == 0) err = EIO;
  if (err == 0 && beforeReplacing && !beforeReplacing()) {
    ForgetPendingTemp();
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
    if (error != nullptr) *error = path_ + ": cancelled";
    return false;
  }
  if (err == 0 && std::rename(temp_path_.c_str(), path_.c_str()) == 0) {
    ForgetPendingTemp();
    temp_path_.clear();
    return true;
  }
  ForgetPendingTemp();
  const bool renameFailed = err == 0;
  if (renameFailed) err = errno;
  ::unlink(temp_path_.c_str());
  temp_path_.clear();
  SetError(error, path_, renameFailed ? "cannot replace file" : "cannot write", err);
  return false;
}

void AtomicFile::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_path_.empty()) {
    ForgetPendingTemp();
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
  }
}

void RemovePendingTempFile() {
  if (gPendingSet) ::unlink(gPendingTemp);
  gPendingSet = 0;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error,
                         const std::function<bool()>& beforeReplacing) {
  try {
    return WriteBytes(path, bytes, error, beforeReplacing);
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = "out of memory";
    return false;
  }
}

}  // namespace host
