// What every fuzz target does when a property breaks: print the input readably and abort, so
// libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tollivox::fuzz {

// Non-printing bytes and backslashes as \xNN.
inline std::string Printable(std::string_view Text) {
  std::string out;
  for (unsigned char c : Text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

class Checker {
 public:
  // Target and InputName name the fuzzer and its input in the message ("key string", ...).
  Checker(const char* Target, const char* InputName, std::string_view Input)
      : target_(Target), inputName_(InputName), input_(Input) {}
  void operator()(bool Holds, const char* What) const {
    if (Holds) return;
    std::fprintf(stderr, "%s: broken: %s\n  %s: \"%s\"\n", target_, What, inputName_,
                 Printable(input_).c_str());
    std::abort();
  }

 private:
  const char* target_;
  const char* inputName_;
  std::string_view input_;
};

}  // namespace tollivox::fuzz
