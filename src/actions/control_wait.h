// The wait every control step gives a shown but disabled control.
#pragma once

namespace tollivox {

// How long a shown but disabled control (a Next enabled once the licence is accepted) is waited
// for, and how often it is looked at meanwhile; the console's messages run between looks.
inline constexpr double kEnableWaitSeconds = 0.5;
inline constexpr int kEnablePollMilliseconds = 10;
// Bounded by count too, should the clock not move.
inline constexpr int kMostEnableLooks =
    static_cast<int>(kEnableWaitSeconds * 1000) / kEnablePollMilliseconds;

}  // namespace tollivox
