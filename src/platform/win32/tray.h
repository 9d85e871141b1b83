// The notification-area icon and the task bar query.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tollivox::win32 {

// The version of Windows that runs the program, as the system reports it to programs that
// declare no compatibility (RtlGetVersion; GetVersionEx would stop at 6.2).
VersionNumbers RunningWindowsVersion();

// The task bar state the program goes by: the shell's state bits (ABM_GETSTATE), with
// always-on-top set on the versions whose task bar is always on top without saying so.
std::uint32_t TaskBarStateOn(VersionNumbers Windows, std::uint32_t ShellState);

class Win32Tray final : public ITray {
 public:
  // Windows is the system version the task bar query answers for.
  explicit Win32Tray(VersionNumbers Windows = RunningWindowsVersion()) : windows_(Windows) {}
  bool Add(const TrayIconRecord& Record) override;
  void Remove(const TrayIconRecord& Record) override;
  std::uint32_t TaskBarState() override;

  // Whether the shell accepted the last add or remove. The program never looks (a failed
  // request changes nothing it does); tests do.
  bool LastRequestAccepted() const { return lastAccepted_; }

 private:
  bool Notify(std::uint32_t Message, const TrayIconRecord& Record);
  VersionNumbers windows_;
  bool lastAccepted_ = false;
};

}  // namespace tollivox::win32
