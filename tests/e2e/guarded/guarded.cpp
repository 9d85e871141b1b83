// A program started as the shipped ones are (tollivox_program_start): "overrun" runs past a buffer
// on its stack; anything else names a file to write the stack protector's guard to, in hex.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

extern "C" std::uintptr_t __stack_chk_guard;

namespace {

// Its canary sits above the buffer; the copy runs over it.
__attribute__((noinline)) void CopyOnStack(const char* Text, std::size_t Length) {
  char buffer[8];
  std::memcpy(buffer, Text, Length);
  asm volatile("" : : "r"(buffer) : "memory");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR CommandLine, int) {
  if (std::wcscmp(CommandLine, L"overrun") == 0) {
    static char text[64];
    std::memset(text, 'x', sizeof text);
    // Not known to the compiler, so that the checked copy does not catch it first.
    volatile std::size_t length = sizeof text;
    CopyOnStack(text, length);
    return 0;
  }
  char report[32];
  const int size = std::snprintf(report, sizeof report, "%llx",
                                 static_cast<unsigned long long>(__stack_chk_guard));
  HANDLE file = CreateFileW(CommandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, report, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  return ok ? 0 : 1;
}
