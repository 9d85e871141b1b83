// The notification-area icon and the task bar query.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tollivox::win32 {

class Win32Tray final : public ITray {
 public:
  void Add(const TrayIconRecord& Record) override;
  void Remove(const TrayIconRecord& Record) override;
  std::uint32_t TaskBarState() override;

  // Whether the shell accepted the last add or remove. The program never looks (a failed
  // request changes nothing it does); tests do.
  bool LastRequestAccepted() const { return lastAccepted_; }

 private:
  bool Notify(std::uint32_t Message, const TrayIconRecord& Record);
  bool lastAccepted_ = false;
};

}  // namespace tollivox::win32
