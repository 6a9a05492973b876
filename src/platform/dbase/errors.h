// The two failure kinds of the table engine: a general database error that
// says why (in use by someone else, missing, damaged, ...) and a value-level
// error for one unreadable or unrepresentable value.
#pragma once

#include <stdexcept>
#include <string>

namespace quillary::dbase {

// Why a general database error happened. Callers must be able to tell a
// busy table from a broken one: only Damaged justifies repair.
enum class ErrorReason {
  InUse,         // locked by another user: open, record lock, exclusive use
  Missing,       // the data file (or a required companion) does not exist
  Damaged,       // the file contents contradict the format
  NotFound,      // no such record (bookmark of a deleted record, failed seek)
  InvalidState,  // operation not allowed now (closed table, not in edit, ...)
  Exists,        // target of copy/rename/create already exists
  Io,            // the operating system refused a read, write or lock
  Other,
};

// Common base so a caller that does not care which kind can catch both.
class EngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class DatabaseError : public EngineError {
 public:
  DatabaseError(ErrorReason reason, const std::string& message)
      : EngineError(message), reason_(reason) {}
  ErrorReason reason() const { return reason_; }
  bool IsLockConflict() const { return reason_ == ErrorReason::InUse; }

 private:
  ErrorReason reason_;
};

// An unreadable value (a damaged memo, digits that are no number) or a value
// the field cannot hold (a character outside the table's code page, a number
// too wide). The table itself stays usable.
class ValueError : public EngineError {
 public:
  using EngineError::EngineError;
};

}  // namespace quillary::dbase
