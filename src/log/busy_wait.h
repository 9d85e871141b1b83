// The wait of the log writer and reader for a log that another program holds: a fixed number of
// counted busy results, and a bound on the time they take, since a pause of a millisecond may
// last a scheduler tick or more where the platform cannot pause that briefly.
#pragma once

#include "app/frmZandrel.h"

namespace tollivox {

class BusyWait {
 public:
  explicit BusyWait(IClock& Clock) : clock_(Clock), last_(Clock.MonotonicSeconds()) {}

  // Whether the counted attempts, or the time they took, are used up.
  bool Exhausted() const {
    return attempts_ > kBusyAttemptLimit || countedSeconds_ > kBusyWaitSeconds;
  }

  // After a busy result: counts it when Counted, and pauses briefly. Uncounted attempts (a reader
  // of another copy is at work) use up neither attempts nor time.
  void Pause(bool Counted) {
    if (Counted) ++attempts_;
    // A lock held for a moment must not use up the attempts.
    clock_.Pause(1);
    const double now = clock_.MonotonicSeconds();
    if (Counted) countedSeconds_ += now - last_;
    last_ = now;
  }

 private:
  IClock& clock_;
  double last_;
  int attempts_ = 0;
  double countedSeconds_ = 0;
};

}  // namespace tollivox
