// Numbered run-time errors. Every failure inside a procedure of the console form is one of these;
// the procedure's guard turns it into the fatal report under the procedure's own name.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/status.h"

namespace tollivox {

inline constexpr std::int32_t kErrInvalidProcedureCall = 5;
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrSubscriptOutOfRange = 9;
// A failure of the program itself that has no number of its own (a library exception).
inline constexpr std::int32_t kErrInternal = 51;
inline constexpr std::int32_t kErrBadFileNameOrNumber = 52;
inline constexpr std::int32_t kErrFileNotFound = 53;
inline constexpr std::int32_t kErrPermissionDenied = 70;
inline constexpr std::int32_t kErrPathFileAccess = 75;
inline constexpr std::int32_t kErrPathNotFound = 76;
// Only the launcher gives this one: the program needs administrator rights to start (the
// system's own code, ERROR_ELEVATION_REQUIRED).
inline constexpr std::int32_t kErrElevationRequired = 740;

// The standard description of an error number; "Application-defined or object-defined error"
// for numbers without one.
std::string ErrorDescription(std::int32_t Number);

class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(std::int32_t Number);
  RuntimeError(std::int32_t Number, std::string Description);
  std::int32_t Number() const { return number_; }
  const std::string& Description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
};

[[noreturn]] void Raise(std::int32_t Number);
// Raises the status's error when it failed.
void Check(const Status& Result);

// Thrown by a yield when the console was unloaded while a procedure was waiting in it: the
// interrupted procedure stops without touching the console again. Only the event dispatch
// catches it.
struct ConsoleUnloaded {};

}  // namespace tollivox
