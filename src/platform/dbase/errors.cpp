#include "platform/dbase/errors.h"

namespace quillary::dbase {

const char* ReasonName(ErrorReason reason) {
  switch (reason) {
    case ErrorReason::InUse: return "in use";
    case ErrorReason::Missing: return "missing";
    case ErrorReason::Damaged: return "damaged";
    case ErrorReason::NotFound: return "not found";
    case ErrorReason::InvalidState: return "invalid state";
    case ErrorReason::Exists: return "exists";
    case ErrorReason::Io: return "i/o error";
    case ErrorReason::Other: break;
  }
  return "error";
}

}  // namespace quillary::dbase
