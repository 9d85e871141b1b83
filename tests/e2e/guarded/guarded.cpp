// A program started as the shipped ones are (tollivox_program_start): "overrun" runs past a buffer
// on its stack; anything else names a file to write the stack protector's guard to, in hex.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>

extern "C" std::uintptr_t __stack_chk_guard;

namespace {

// Its canary sits above the buffer; the writes run over it. Through a pointer the compiler cannot
// follow, so that the checked buffer functions do not catch it first.
__attribute__((noinline)) void OverrunOnStack(std::size_t Length) {
  char buffer[8];
  volatile char* volatile cursor = buffer;
  for (std::size_t i = 0; i < Length; ++i) cursor[i] = 'x';
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR CommandLine, int) {
  if (std::wcscmp(CommandLine, L"overrun") == 0) {
    OverrunOnStack(64);
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
