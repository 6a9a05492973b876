// The operating-system seam of the engine: a file descriptor with
// positioned whole reads and writes, size, sync, and the open-file-
// description byte-range locks every sharing rule is built from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quillary::dbase {

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file (read/write when possible unless read_only).
  // Returns false when it does not exist; throws DatabaseError Io otherwise.
  bool OpenExisting(const std::filesystem::path& path, bool read_only = false);
  // Creates (truncating) a file for writing.
  void Create(const std::filesystem::path& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool ReadOnly() const { return read_only_; }
  int fd() const { return fd_; }
  const std::filesystem::path& path() const { return path_; }
  // After the file was renamed into place.
  void set_path(std::filesystem::path p) { path_ = std::move(p); }

  // Reads up to n bytes at offset; returns the count (short only at the end).
  size_t ReadAt(uint64_t offset, void* data, size_t n) const;
  // Reads exactly n bytes or returns false.
  bool ReadExact(uint64_t offset, void* data, size_t n) const;
  void WriteAt(uint64_t offset, const void* data, size_t n);
  uint64_t Size() const;
  void Truncate(uint64_t size);
  void SyncData();
  // Identity of the open file, to detect a path that was replaced.
  bool SameFileAsPath() const;
  // Counts the writes and truncations made through this object (read-ahead
  // of a file only this object may change stays valid while it stands).
  uint64_t WriteCount() const { return writes_; }

 private:
  int fd_ = -1;
  uint64_t writes_ = 0;
  bool read_only_ = false;
  std::filesystem::path path_;
};

// Byte ranges used as locks. They lie far beyond any real data so they never
// cover file contents; each table object's own open file description owns
// its locks, so two objects of one process conflict like two processes and
// closing one never drops the other's.
namespace lock_offsets {
constexpr uint64_t kOpen = 0x7FFFFFFF00000000ull;    // shared = open, exclusive = exclusive use
constexpr uint64_t kHeader = kOpen + 1;                // appends, header and memo updates
constexpr uint64_t kRecordBase = kOpen + 0x100;       // + record number: record being edited
}  // namespace lock_offsets

enum class LockKind { Shared, Exclusive };

// Non-blocking; false when someone else holds a conflicting lock.
bool TryLock(const File& f, uint64_t offset, LockKind kind);
// Retries for up to timeout_ms; false on time-out.
bool LockWithTimeout(const File& f, uint64_t offset, LockKind kind, int timeout_ms);
void Unlock(const File& f, uint64_t offset);

// Whether anyone else holds a lock that conflicts with `kind`, without taking
// it (a running copy of the program watches another's mark this way).
bool IsLockedByOther(const File& f, uint64_t offset, LockKind kind);

}  // namespace quillary::dbase
