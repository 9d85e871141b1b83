// The standard library reports its own failures (a string or vector past its largest size, an
// index out of range) through a set of throw functions kept in one runtime member, which brings
// every standard exception class, and with them a second, copy-on-write string implementation:
// 60 KB of a 300 KB program. The program catches all of them alike (std::exception: an internal
// error; std::bad_alloc: out of memory), so these throw the same kinds without the strings.
#include <bits/functexcept.h>

#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* What) noexcept : what_(What ? What : "library error") {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};

}  // namespace

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* What) { throw LibraryError(What); }
void __throw_domain_error(const char* What) { throw LibraryError(What); }
void __throw_invalid_argument(const char* What) { throw LibraryError(What); }
void __throw_length_error(const char* What) { throw LibraryError(What); }
void __throw_out_of_range(const char* What) { throw LibraryError(What); }
// The format's arguments only fill in the message, which nobody reads.
void __throw_out_of_range_fmt(const char* What, ...) { throw LibraryError(What); }
void __throw_runtime_error(const char* What) { throw LibraryError(What); }
void __throw_range_error(const char* What) { throw LibraryError(What); }
void __throw_overflow_error(const char* What) { throw LibraryError(What); }
void __throw_underflow_error(const char* What) { throw LibraryError(What); }
void __throw_system_error(int) { throw LibraryError("system error"); }
void __throw_future_error(int) { throw LibraryError("future error"); }

}  // namespace std
