#include "platform/dbase/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/dbase/errors.h"

namespace quillary::dbase {

namespace {
[[noreturn]] void ThrowIo(const std::string& what, const std::filesystem::path& p) {
  throw DatabaseError(ErrorReason::Io, what + " " + p.string() + ": " + std::strerror(errno));
}
}  // namespace

File::~File() { Close(); }

File::File(File&& o) noexcept : fd_(o.fd_), writes_(o.writes_ + 1), read_only_(o.read_only_), path_(std::move(o.path_)) {
  o.fd_ = -1;
  ++o.writes_;
}

File& File::operator=(File&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = o.fd_;
    // Another file now: whatever was read ahead of the old one is void.
    writes_ = std::max(writes_, o.writes_) + 1;
    ++o.writes_;
    read_only_ = o.read_only_;
    path_ = std::move(o.path_);
    o.fd_ = -1;
  }
  return *this;
}

bool File::OpenExisting(const std::filesystem::path& path, bool read_only) {
  Close();
  int fd = -1;
  if (!read_only) fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && (read_only || errno == EACCES || errno == EROFS)) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    read_only = true;
  }
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    ThrowIo("cannot open", path);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw DatabaseError(ErrorReason::Damaged, "not a regular file: " + path.string());
  }
  fd_ = fd;
  read_only_ = read_only;
  path_ = path;
  return true;
}

void File::Create(const std::filesystem::path& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) ThrowIo("cannot create", path);
  fd_ = fd;
  read_only_ = false;
  path_ = path;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  ++writes_;
}

size_t File::ReadAt(uint64_t offset, void* data, size_t n) const {
  size_t done = 0;
  auto* p = static_cast<uint8_t*>(data);
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      ThrowIo("cannot read", path_);
    }
    if (r == 0) break;
    done += size_t(r);
  }
  return done;
}

bool File::ReadExact(uint64_t offset, void* data, size_t n) const { return ReadAt(offset, data, n) == n; }

void File::WriteAt(uint64_t offset, const void* data, size_t n) {
  if (read_only_) throw DatabaseError(ErrorReason::InvalidState, "file is read-only: " + path_.string());
  ++writes_;
  size_t done = 0;
  const auto* p = static_cast<const uint8_t*>(data);
  while (done < n) {
    ssize_t r = ::pwrite(fd_, p + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      ThrowIo("cannot write", path_);
    }
    done += size_t(r);
  }
}

uint64_t File::Size() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) ThrowIo("cannot stat", path_);
  return uint64_t(st.st_size);
}

void File::Truncate(uint64_t size) {
  ++writes_;
  if (::ftruncate(fd_, off_t(size)) != 0) ThrowIo("cannot truncate", path_);
}

void File::SyncData() {
  if (fd_ >= 0 && !read_only_ && ::fdatasync(fd_) != 0) ThrowIo("cannot sync", path_);
}

bool File::SameFileAsPath() const {
  struct stat a, b;
  if (::fstat(fd_, &a) != 0 || ::stat(path_.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

namespace {
bool SetLock(int fd, uint64_t offset, short type, bool wait) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(offset);
  fl.l_len = 1;
  fl.l_pid = 0;
  for (;;) {
    if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return false;
    throw DatabaseError(ErrorReason::Io, std::string("lock failed: ") + std::strerror(errno));
  }
}
}  // namespace

bool TryLock(const File& f, uint64_t offset, LockKind kind) {
  return SetLock(f.fd(), offset, kind == LockKind::Shared ? F_RDLCK : F_WRLCK, false);
}

bool LockWithTimeout(const File& f, uint64_t offset, LockKind kind, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int pause_us = 50;
  for (;;) {
    if (TryLock(f, offset, kind)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(pause_us));
    pause_us = std::min(pause_us * 2, 5000);
  }
}

void Unlock(const File& f, uint64_t offset) {
  if (f.IsOpen()) SetLock(f.fd(), offset, F_UNLCK, false);
}

bool IsLockedByOther(const File& f, uint64_t offset, LockKind kind) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(offset);
  fl.l_len = 1;
  if (::fcntl(f.fd(), F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

}  // namespace quillary::dbase
