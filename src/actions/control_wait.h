// What every control step shares: the wait it gives a shown but disabled control, and what a
// control's answer means for it.
#pragma once

#include <string>

#include "platform/platform.h"

namespace tollivox {

// How long a shown but disabled control (a Next enabled once the licence is accepted) is waited
// for, and how often it is looked at meanwhile; the console's messages run between looks.
inline constexpr double kEnableWaitSeconds = 0.5;
inline constexpr int kEnablePollMilliseconds = 10;
// Bounded by count too, should the clock not move.
inline constexpr int kMostEnableLooks =
    static_cast<int>(kEnableWaitSeconds * 1000) / kEnablePollMilliseconds;

// What a control's answer means for the step; empty when it went through. A time-out is
// "outcome unknown", never done.
inline std::string StepFailure(ControlResult Result, const std::string& Gone,
                               const std::string& NoEffect) {
  switch (Result) {
    case ControlResult::Done:
      return {};
    case ControlResult::NoAnswer:
      return "Window not responding";
    case ControlResult::Refused:
      return "Window runs as administrator";
    case ControlResult::Gone:
      return Gone;
    case ControlResult::NoEffect:
      break;
  }
  return NoEffect;
}

}  // namespace tollivox
