#include "errors/errors.h"

#include <utility>

namespace tollivox {

std::string ErrorDescription(std::int32_t Number) {
  switch (Number) {
    case 3:
      return "Return without GoSub";
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 28:
      return "Out of stack space";
    case 51:
      return "Internal error";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 54:
      return "Bad file mode";
    case 55:
      return "File already open";
    case 57:
      return "Device I/O error";
    case 58:
      return "File already exists";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end of file";
    case 67:
      return "Too many files";
    case 68:
      return "Device unavailable";
    case 70:
      return "Permission denied";
    case 71:
      return "Disk not ready";
    case 74:
      return "Can't rename with different drive";
    case 75:
      return "Path/File access error";
    case 76:
      return "Path not found";
    default:
      return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(std::int32_t Number)
    : number_(Number), description_(ErrorDescription(Number)) {}

RuntimeError::RuntimeError(std::int32_t Number, std::string Description)
    : number_(Number), description_(std::move(Description)) {}

void Raise(std::int32_t Number) { throw RuntimeError(Number); }

void Check(const Status& Result) {
  if (!Result.Ok()) {
    throw RuntimeError(Result.Number, Result.Description.empty() ? ErrorDescription(Result.Number)
                                                                 : Result.Description);
  }
}

}  // namespace tollivox
