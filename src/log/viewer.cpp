// The log viewer: shows the tail of the log in txtLog, reloads it, and clears the log file. The
// watch timer is off while it works, so no tick writes to the file being read.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "app/frmZandrel.h"
#include "log/busy_wait.h"

namespace tollivox {

namespace {

// Lines per block: the view holds the block before the current one and the current one, so
// txtLog never receives more than 500 lines however long the log has grown.
constexpr std::int64_t kBlockLines = 250;

enum class ReadWay { Read, MissingFile };

std::string MarkerPath(const frmZandrel& Form) { return Form.LogFilePath + ".RLK"; }

// Deletes the read marker when a load is cut short (the console unloaded at a yield, or a fatal
// error on the way), so that no other copy goes on waiting for a reader that is gone.
class MarkerCleanup {
 public:
  MarkerCleanup(IFiles& Files, std::string Marker) : files_(Files), marker_(std::move(Marker)) {}
  MarkerCleanup(const MarkerCleanup&) = delete;
  MarkerCleanup& operator=(const MarkerCleanup&) = delete;
  ~MarkerCleanup() {
    if (!armed_) return;
    try {
      if (files_.Exists(marker_)) (void)files_.Delete(marker_);
    } catch (...) {
      // Best effort only: the load is already being abandoned.
    }
  }
  // The load's own last step; a failed deletion here is an error like any other.
  void Finish() {
    armed_ = false;
    if (files_.Exists(marker_)) Check(files_.Delete(marker_));
  }

 private:
  IFiles& files_;
  std::string marker_;
  bool armed_ = true;
};

// A copy started beside another one marks its reading, so that the other copies' writers wait
// for it instead of counting their attempts. A marker too old to be honoured is renewed.
void MarkReading(frmZandrel& Form) {
  if (!Form.PreviousInstance) return;
  const double age = Form.Os.Files.AgeSeconds(MarkerPath(Form));
  if (age >= 0 && age < kStaleMarkerSeconds) return;
  Check(Form.Os.Files.CreateEmpty(MarkerPath(Form)));
}

void ResumeWatchIfRunning(frmZandrel& Form) {
  if (Form.Os.View.Text(Control::cmdStopStart) == "&Stop") Form.Os.Timer.SetEnabled(true);
}

// Waits until the log is free, then puts its last one or two blocks of lines into txtLog.
ReadWay ReadLogIntoView(frmZandrel& Form) {
  IFiles& files = Form.Os.Files;
  const std::string& path = Form.LogFilePath;
  BusyWait wait(Form.Os.Clock);
  std::int32_t busy = 0;
  for (;;) {
    if (wait.Exhausted()) {
      // Whatever the deletion says, the busy file is the error to report.
      if (files.Exists(MarkerPath(Form))) (void)files.Delete(MarkerPath(Form));
      throw RuntimeError(busy);
    }
    if (!files.Exists(path)) return ReadWay::MissingFile;
    busy = Form.IsFileOpen(path);
    if (busy == 0) {
      std::string earlier;
      std::string current;
      // Wide, so that a log of any length shows its true tail.
      std::int64_t lineCount = 0;
      const Status result = files.ReadLines(path, [&](std::string_view Line) {
        ++lineCount;
        if (lineCount % kBlockLines == 0) {
          earlier = std::move(current);
          current.clear();
        }
        current += Line;
        current += "\r\n";
      });
      if (result.Ok()) {
        Form.Os.View.SetText(Control::txtLog, earlier + current);
        return ReadWay::Read;
      }
      // Cleared by another copy between the test and the open: nothing to show.
      if (result.Number == kErrFileNotFound && !files.Exists(path)) return ReadWay::MissingFile;
      // Taken between the busy test and the read (another copy's own busy test holds it for a
      // moment, so does a virus scanner): one more busy result, not a reason to end.
      if (result.Number != kErrPermissionDenied || !files.Exists(path)) Check(result);
      busy = result.Number;
    }
    // Every busy result counts here, marker or no marker.
    wait.Pause(true);
  }
}

// The caret goes to the end through the text box itself: typed keys would reach whatever window
// has the focus, which need not be the console.
void ShowLastLines(frmZandrel& Form) {
  Form.Os.View.SetFocus(Control::txtLog);
  Form.Os.View.CaretToEnd(Control::txtLog);
}

}  // namespace

void frmZandrel::cmdViewLog_Click() {
  Event("cmdViewLog_Click", [&] {
    if (LogShown) {
      LogShown = false;
      Os.View.SetOuterHeight(kShortHeight);
      Os.View.SetText(Control::cmdViewLog, "View &Log");
      DoYield();
      return;
    }

    LogShown = true;
    Os.Timer.SetEnabled(false);
    Os.View.SetMousePointer(MousePointer::Hourglass);
    MarkerCleanup marker(Os.Files, MarkerPath(*this));
    MarkReading(*this);
    Os.View.SetOuterHeight(kTallHeight);
    DoYield();
    if (ReadLogIntoView(*this) == ReadWay::Read) {
      Os.View.SetText(Control::cmdViewLog, "Hide &Log");
      Os.View.SetMousePointer(MousePointer::Default);
      ShowLastLines(*this);
    } else {
      // The area stays open with its old text; the next click hides it.
      Os.View.SetMousePointer(MousePointer::Default);
    }
    ResumeWatchIfRunning(*this);
    DoYield();
    marker.Finish();
  });
}

void frmZandrel::cmdRefresh_Click() {
  Event("cmdRefresh_Click", [&] {
    Os.Timer.SetEnabled(false);
    Os.View.SetMousePointer(MousePointer::Hourglass);
    DoYield();
    MarkerCleanup marker(Os.Files, MarkerPath(*this));
    MarkReading(*this);
    if (ReadLogIntoView(*this) == ReadWay::Read) {
      Os.View.SetMousePointer(MousePointer::Default);
      ShowLastLines(*this);
      ResumeWatchIfRunning(*this);
      DoYield();
    } else {
      Os.View.SetMousePointer(MousePointer::Default);
      ResumeWatchIfRunning(*this);
    }
    marker.Finish();
  });
}

void frmZandrel::cmdClear_Click() {
  Event("cmdClear_Click", [&] {
    Os.Timer.SetEnabled(false);
    Os.View.SetMousePointer(MousePointer::Hourglass);
    DoYield();
    const MsgBoxAnswer answer =
        MessageBox("Are you sure you want to clear the " + LogFilePath + " log file?",
                   "Clear Log File?", MsgBoxButtons::YesNo, MsgBoxIcon::Question);
    if (answer == MsgBoxAnswer::Yes) {
      // The next line logged creates the file anew.
      if (Os.Files.Exists(LogFilePath)) Check(Os.Files.Delete(LogFilePath));
      Os.View.SetText(Control::txtLog, "");
    }
    ResumeWatchIfRunning(*this);
    Os.View.SetMousePointer(MousePointer::Default);
    DoYield();
  });
}

}  // namespace tollivox
