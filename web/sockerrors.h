#pragma once
// The transport's exceptions and its error table. Codes keep the numbers of
// the Windows sockets interface the table was written for; POSIX errors and
// host lookup errors are mapped onto them.
#include <string>

#include "textlib/error.h"

namespace bq {

class ESockError : public Exception {
 public:
  using Exception::Exception;
};

// An operation ended by a cancel (Stop, Skip, the timer).
class EAbortError : public ESockError {
 public:
  using ESockError::ESockError;
};

// "<code>:<text>" for a code of the table, else "Unknown Error No. <code>".
std::string SockErrorText(int code);
// errno -> table code (an errno without a counterpart is returned as it is).
int SockErrorFromErrno(int err);
// getaddrinfo's EAI_* result -> table code.
int SockErrorFromLookup(int eai);

}  // namespace bq
