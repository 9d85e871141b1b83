// The log file writer: dated lines appended to the log, with a wait while another program or copy
// holds the file, and its own failure report (the common one logs, and the log is what failed).
#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "app/frmZandrel.h"
#include "log/busy_wait.h"

namespace tollivox {

namespace {

// An error number as the boxes show it: one blank before a number that is not negative.
std::string SignedNumber(std::int32_t Number) {
  return (Number >= 0 ? " " : "") + std::to_string(Number);
}

}  // namespace

std::int16_t frmZandrel::IsFileOpen(std::string FileName) {
  try {
    std::int32_t error = Os.Files.TrialOpenReadLocked(FileName);
    // A failure must never read as "free" once cut to 16 bits.
    if (error < std::numeric_limits<std::int16_t>::min() ||
        error > std::numeric_limits<std::int16_t>::max()) {
      error = kErrPathFileAccess;
    }
    return static_cast<std::int16_t>(error);
  } catch (const RuntimeError& error) {
    return error.Number() != 0 ? static_cast<std::int16_t>(error.Number()) : kErrPathFileAccess;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  } catch (const std::exception&) {
    return kErrInternal;
  }
}

void frmZandrel::Add2Log(std::string FileName, std::string LogItem) {
  // Logging is off without a log path, whatever file the caller names.
  if (LogFilePath.empty()) return;

  RuntimeError failure(0);
  try {
    List<std::string> pieces;
    const std::int16_t pieceCount = ParseStr2StrArray(LogItem, "\n", "", pieces, 0);
    const std::string marker = LogFilePath + ".RLK";

    BusyWait wait(Os.Clock);
    std::int32_t busy = 0;
    for (;;) {
      if (wait.Exhausted()) throw RuntimeError(busy);
      // A file that has vanished meanwhile (cleared by a viewer) is free: the append creates it.
      busy = Os.Files.Exists(FileName) ? IsFileOpen(FileName) : 0;
      if (busy == 0) {
        AppendOpenResult open = Os.Files.OpenAppend(FileName);
        if (open.Result.Ok()) {
          for (int i = 1; i <= pieceCount; ++i) {
            if (pieces[i].empty()) continue;
            // Date before time, both read anew for every line.
            const std::string date = Os.Clock.LocalDate();
            const std::string time = Os.Clock.LocalTime();
            Check(open.File->Write(date + " " + time + ": " + pieces[i] + "\r\n"));
          }
          Check(open.File->Close());
          return;
        }
        // Only another open of the file (another copy between its busy test and its append) is
        // worth waiting for; a read-only file, a write-protected medium or a bad name is not
        // mended by any wait.
        if (!open.HeldByOther) Check(open.Result);
        busy = open.Result.Number;
      }
      // A viewer of another copy that is reading may keep us waiting without limit, but not a
      // marker left behind by a copy that died while reading.
      const double markerAge = Os.Files.AgeSeconds(marker);
      wait.Pause(markerAge < 0 || markerAge >= kStaleMarkerSeconds);
    }
  } catch (const RuntimeError& error) {
    failure = error;
  } catch (const std::bad_alloc&) {
    failure = RuntimeError(kErrOutOfMemory);
  } catch (const std::exception&) {
    failure = RuntimeError(kErrInternal);
  }

  // Nothing of this is logged: the log is what failed.
  Terminating = -1;
  // The box runs its own message loop: no tick may act on windows underneath it, nor fail to
  // log a second time.
  Os.Timer.SetEnabled(false);
  const std::string text =
      "An unexpected internal error was encountered in module 'Add2Log'.\n\nError #" +
      SignedNumber(failure.Number()) + ", " + failure.Description() +
      "\n\nPlease ensure that the path for the '" + FileName +
      "' log file is valid\nand that no other program is currently accessing this file.\n\n"
      "If you require further assistance, please report this error to Orvantis\nSupport at " +
      kSupportAddress + ".";
  (void)MessageBox(text, AppTitle, MsgBoxButtons::Ok, MsgBoxIcon::Critical, false);
  if (ConsoleMode != 2) RemoveTrayIcon();
  Os.System.EndProgram(kExitLogFailure);
}

}  // namespace tollivox
