// Fuzzes the command line from the argument text to the validity check, on the simulated desktop,
// and checks what the rest of the program relies on once a line has been read: lists long enough
// for every entry and command, values inside their ranges, exactly one box for a refused line, no
// list longer than the line could make, and the same result when Start reads the line again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/frmZandrel.h"
#include "fuzz_check.h"
#include "platform/sim/sim_desktop.h"

namespace {

using namespace tollivox;

const std::string kTitle = "Tollivox 1.10";
const std::string kFatalStart = "An unexpected internal error was encountered in module '";

using fuzz::Checker;

std::string FirstLine(const std::string& Text) { return Text.substr(0, Text.find('\n')); }

// Where a run of the stages stopped.
enum class Stage { Reading, Reconciled, Validity, Accepted };

struct Outcome {
  Stage At = Stage::Reading;
  std::optional<int> ExitCode;
};

// What the watch and the actions read, compared between the first run and the run after Start.
struct Snapshot {
  std::vector<std::string> Windows, Keys, Commands;
  std::vector<std::int16_t> Activations, Timeouts, Counts, Modes;
  std::int16_t SendKeysAnyWindow, ExecuteAnyWindow, ConsoleMode, ListWindows;
  std::int32_t IntervalMs;
  std::string LogFilePath, CommandLine;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

template <class T>
std::vector<T> Used(const List<T>& Values, int Count) {
  std::vector<T> out;
  for (int i = 1; i <= Count; ++i) out.push_back(Values[i]);
  return out;
}

Snapshot Take(const frmZandrel& Form) {
  const int windows = Form.WindowCount;
  const int commands = Form.CommandCount;
  return {Used(Form.WindowStrings, windows),
          Used(Form.KeyStrings, windows),
          Used(Form.Commands, commands),
          Used(Form.ActivationModes, windows),
          Used(Form.TimeoutSeconds, windows),
          Used(Form.Counts, windows),
          Used(Form.ExecutionModes, commands),
          Form.SendKeysAnyWindow,
          Form.ExecuteAnyWindow,
          Form.ConsoleMode,
          Form.ListWindows,
          Form.IntervalMs,
          Form.LogFilePath,
          Form.CommandLine};
}

void CheckLists(const frmZandrel& Form, std::size_t InputSize, const Checker& Check) {
  const int windows = Form.WindowCount;
  const int commands = Form.CommandCount;
  Check(windows >= 0 && commands >= 0, "entry and command counts are not negative");
  // Every read of entry n or command n in the watch and the actions must stay inside its list.
  auto holds = [](int High, int Count) { return Count == 0 || High >= Count; };
  Check(holds(Form.WindowStrings.UBound(), windows), "WindowStrings holds WindowCount elements");
  Check(holds(Form.ActivationModes.UBound(), windows),
        "ActivationModes holds WindowCount elements");
  Check(holds(Form.KeyStrings.UBound(), windows), "KeyStrings holds WindowCount elements");
  Check(holds(Form.TimeoutSeconds.UBound(), windows), "TimeoutSeconds holds WindowCount elements");
  Check(holds(Form.Counts.UBound(), windows), "Counts holds WindowCount elements");
  Check(holds(Form.Commands.UBound(), commands), "Commands holds CommandCount elements");
  Check(holds(Form.ExecutionModes.UBound(), commands),
        "ExecutionModes holds CommandCount elements");
  for (int i = 1; i <= windows; ++i) {
    Check(Form.ActivationModes[i] >= 0 && Form.ActivationModes[i] <= 5,
          "every activation mode is 0 to 5");
    Check(Form.TimeoutSeconds[i] != 0, "no timeout is 0");
    Check(Form.Counts[i] >= 0, "no count is negative");
  }
  for (int i = 1; i <= commands; ++i) {
    Check(Form.ExecutionModes[i] >= 0 && Form.ExecutionModes[i] <= 5,
          "every execution mode is 0 to 5");
  }
  // A list of n values takes at least n - 1 separators from the line.
  const long bound = static_cast<long>(InputSize) + 1;
  for (int high : {Form.WindowStrings.UBound(), Form.ActivationModes.UBound(),
                   Form.KeyStrings.UBound(), Form.TimeoutSeconds.UBound(), Form.Counts.UBound(),
                   Form.Commands.UBound(), Form.ExecutionModes.UBound(), Form.Options.UBound()}) {
    Check(high <= bound, "no list is longer than the line could make");
  }
}

// The stages in start-up order, inside the load procedure's error handler, with the settings
// start-up resets and the tray icon it adds.
Outcome RunStages(sim::SimDesktop& Desk, frmZandrel& Form, std::size_t InputSize,
                  const Checker& Check) {
  Outcome outcome;
  Form.AppTitle = kTitle;
  Form.ExecuteAnyWindow = 0;
  Form.ConsoleMode = 1;
  try {
    Form.Guard("Form_Load", [&] {
      Form.QuoteStep();
      Form.SplitOptions();
      Form.OptionLoop();
      if (Form.ConsoleMode != 2) {
        Form.FillTrayIconData();
        Desk.Add(Form.TrayIconData);
      }
      Form.ReconcileLists();
      outcome.At = Stage::Reconciled;
      CheckLists(Form, InputSize, Check);
      Form.ClampInterval();
      Check(Form.IntervalMs >= 1 && Form.IntervalMs <= 65535, "the interval is 1 to 65535");
      Form.PlaceLogFile();
      outcome.At = Stage::Validity;
      Form.CheckValidity();
      outcome.At = Stage::Accepted;
    });
  } catch (const sim::ProgramEnded& end) {
    outcome.ExitCode = end.ExitCode;
  }
  return outcome;
}

bool NoFilesWritten(const sim::SimDesktop& Desk) {
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Desk.Root(), error)) {
    if (entry.is_regular_file()) return false;
  }
  return !error;
}

}  // namespace

// The simulated desktop keeps its files in a fresh folder for every input; on a disk that costs
// far more than the parsing, so it goes to memory where the system offers it.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::error_code error;
  if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", error)) {
    setenv("TMPDIR", "/dev/shm", 0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // A process command line cannot hold a NUL character.
  std::string_view input(reinterpret_cast<const char*>(Data), Size);
  input = input.substr(0, input.find('\0'));
  const Checker check("command_line_fuzz", "arguments", input);

  sim::SimDesktop desk;
  desk.Arguments = std::string(input);
  frmZandrel form(desk.platform());
  const Outcome outcome = RunStages(desk, form, input.size(), check);
  const std::vector<sim::MessageBoxRecord>& boxes = desk.MessageBoxes();

  if (outcome.At == Stage::Accepted) {
    check(!outcome.ExitCode, "an accepted line does not end the program");
    check(boxes.empty(), "an accepted line shows no box");
    check(form.WindowCount >= 1 || (form.ListWindows != 0 && !form.LogFilePath.empty()),
          "an accepted line has an entry or lists the windows seen into a log");
    check(form.Terminating == 0, "an accepted line is not terminating");
    check(NoFilesWritten(desk), "reading the line writes no file");

    // Start reads the same line into the same form: every value must come out as before.
    const Snapshot first = Take(form);
    form.RestartFlag = -1;
    const Outcome again = RunStages(desk, form, input.size(), check);
    check(again.At == Stage::Accepted && boxes.empty(), "the line is accepted again after Start");
    check(Take(form) == first, "Start reads the line into the same values");
    return 0;
  }

  check(outcome.ExitCode.has_value(), "a line that is not accepted ends the program");
  check(!boxes.empty(), "a line that is not accepted shows a box");
  check(boxes[0].Title == kTitle, "the box carries the program's title");
  check(form.Terminating == -1, "the program is terminating when it ends");
  check(form.ConsoleMode == 2 || !desk.IconPresent(), "no tray icon is left behind");

  if (outcome.At == Stage::Validity) {
    const bool usage = *outcome.ExitCode == kExitFinished;
    check(usage || *outcome.ExitCode == kExitSyntaxError, "a refusal ends with 0 or 1");
    check(boxes.size() == 1, "a refused line shows exactly one box");
    check(FirstLine(boxes[0].Text) ==
              (usage ? "Tollivox Command Line Options:" : "ERROR: Incorrect syntax was used."),
          "a refused line shows the usage or the syntax box");
    check(NoFilesWritten(desk), "a refused line writes no log");
    return 0;
  }

  // Ended while reading: the only fault a line can hold is a number out of its type's range,
  // reported through the fatal report (which may be followed by the log writer's own box when
  // the log path from the same line is no good).
  check(*outcome.ExitCode == kExitFatalError || *outcome.ExitCode == kExitLogFailure,
        "a failure while reading ends through the fatal report");
  check(boxes.size() <= 2, "a failure shows its report and at most the log writer's box");
  // Positions and list sizes are Integers too, which only a line beyond 32767 characters
  // can overflow.
  const std::string first = FirstLine(boxes[0].Text);
  const bool numberModule =
      first == kFatalStart + "Form_Load'." || first == kFatalStart + "ParseStr2IntArray'.";
  const bool lengthModule = input.size() > 32767 && (first == kFatalStart + "ReplaceString'." ||
                                                     first == kFatalStart + "ParseStr2StrArray'.");
  check(numberModule || lengthModule, "the report names the procedure that converts numbers");
  check(boxes[0].Text.find("\n\nError # 6, Overflow\n") != std::string::npos,
        "the only error a line can cause is Overflow");
  return 0;
}
