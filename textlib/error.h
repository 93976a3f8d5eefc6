#pragma once
// Every failure the system reports is an exception carrying the system's own
// message text (Shift_JIS bytes, as shown to the user).
#include <stdexcept>
#include <string>

namespace bq {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace bq
