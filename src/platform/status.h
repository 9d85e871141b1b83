// The result of a platform operation that can fail: an error number with its description.
#pragma once

#include <cstdint>
#include <string>

namespace tollivox {

struct [[nodiscard]] Status {
  std::int32_t Number = 0;  // 0 on success, otherwise the run-time error number (53, 70, 76, ...)
  std::string Description;

  bool Ok() const { return Number == 0; }
  static Status Success() { return {}; }
};

}  // namespace tollivox
