// The shipped programs' first code: the entry point the linker is given (tollivox_program_start
// in cmake/), ahead of the C runtime's. It makes the stack protector's guard and restricts the
// library search before anything else of the program runs: the runtime's start-up, the static
// constructors, WinMain.
//
// The compiler's support library would set the guard in a constructor of its own with
// CryptGenRandom, loading the CryptoAPI's libraries by the standard search, which looks in the
// program's folder first (cryptsp.dll is no KnownDLL). Defining the guard and the failure
// functions here keeps that part of the library out of the link. The guard is made as Windows'
// own runtime makes its security cookie: from values that no library has to be loaded for.
#include <cstdint>

#include "platform/win32/system_library.h"

// What the guard holds until the entry sets it; only the runtime's thread-local set-up, which
// carries no canary, runs before.
constexpr std::uintptr_t kUnsetGuard = static_cast<std::uintptr_t>(0x2B992DDFA232ull);

extern "C" {

// Read by every function that carries a canary.
std::uintptr_t __stack_chk_guard = kUnsetGuard;

// The C runtime's entry for a window program, which starts the runtime and calls WinMain.
int WinMainCRTStartup();

}  // extern "C"

namespace {

// Without a canary of its own: it runs while the guard changes.
__attribute__((no_stack_protector)) std::uintptr_t NewGuard() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  std::uint64_t mixed = (std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime) ^
                        static_cast<std::uint64_t>(counter.QuadPart) ^ GetTickCount64() ^
                        (std::uint64_t{GetCurrentProcessId()} << 32 | GetCurrentThreadId()) ^
                        reinterpret_cast<std::uintptr_t>(&now);  // where the stack lies (ASLR)
  // A 32-bit guard keeps both halves.
  if constexpr (sizeof(std::uintptr_t) < sizeof mixed) mixed ^= mixed >> 32;
  const auto guard = static_cast<std::uintptr_t>(mixed);
  return guard == kUnsetGuard ? guard + 1 : guard;
}

// Ends a process whose stack or buffer was overrun, as Windows' own runtime does: a fast fail,
// which runs nothing more of the process (Windows 8 and later), or else TerminateProcess.
[[noreturn]] __attribute__((no_stack_protector)) void EndOverrunProcess(const char* Report,
                                                                        DWORD Length,
                                                                        unsigned Code) {
  // Said where a console or a redirection shows it, as the support library's report was.
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    WriteFile(error, Report, Length, &written, nullptr);
  }
  if (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE)) {
    asm volatile("int $0x29" : : "c"(Code) : "memory");
  }
  TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
  __builtin_trap();
}

}  // namespace

extern "C" {

[[noreturn]] void __stack_chk_fail() {
  static constexpr char kReport[] = "*** stack smashing detected ***: terminated\n";
  EndOverrunProcess(kReport, sizeof kReport - 1, FAST_FAIL_STACK_COOKIE_CHECK_FAILURE);
}

// The checked buffer functions (_FORTIFY_SOURCE) report an overrun here.
[[noreturn]] void __chk_fail() {
  static constexpr char kReport[] = "*** buffer overflow detected ***: terminated\n";
  EndOverrunProcess(kReport, sizeof kReport - 1, FAST_FAIL_RANGE_CHECK_FAILURE);
}

__attribute__((no_stack_protector)) int TollivoxStart() {
  __stack_chk_guard = NewGuard();
  // WinMain restricts it again, for a build that starts at the runtime's own entry.
  tollivox::win32::RestrictLibrarySearch();
  return WinMainCRTStartup();
}

}  // extern "C"
