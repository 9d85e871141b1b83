// The command step of an action run, and the built-in shutdown command.
#include "actions/commands.h"

#include <string>
#include <string_view>

#include "app/frmZandrel.h"
#include "app/numbers.h"
#include "app/text.h"

namespace tollivox {

namespace {

// The shutdown program always starts minimised.
constexpr int kShutdownShowMode = 2;

// Starts a program; a failed start becomes a run-time error. A missing program names Command,
// the text the user wrote, rather than the command line that was looked for.
void LaunchOrRaise(Platform& Os, const std::string& CommandLine, int ShowMode,
                   const std::string& Command) {
  Status result = Os.Launcher.Start(CommandLine, ShowMode);
  if (result.Number == kErrFileNotFound) throw ProgramNotFound(result, Command);
  if (result.Number == kErrElevationRequired) throw ProgramNeedsElevation(result, Command);
  Check(result);
}

bool IsShutdownCommand(frmZandrel& Form, std::string_view Command) {
  if (Command.empty() || Command.front() != '$') return false;
  // Exactly the four characters after the "$": "$SHUTDOWN" is the same command as "$SHUT".
  const std::size_t from = ByteOffset(Command, 2);
  const std::size_t to = ByteOffset(Command, 6);
  return Form.Os.System.ToUpper(Command.substr(from, to - from)) == "SHUT";
}

}  // namespace

void frmZandrel::RunCommandStep(std::int16_t WindowNumber) {
  const std::int16_t count = CommandCount;
  if (count <= 0) return;
  if (ExecuteAnyWindow != 0) {
    for (int i = 1; i <= count; ++i) RunCommand(static_cast<std::int16_t>(i));
  } else if (WindowNumber <= count) {
    // An entry past the end of the command list has no command of its own.
    RunCommand(WindowNumber);
  }
}

void frmZandrel::RunCommand(std::int16_t CommandNumber) {
  const std::string command = Commands.ValueOr(CommandNumber, "");
  if (command.empty()) return;
  if (command.front() != '$') {
    const std::string text = "Executing \"" + command + "\" command...";
    ShowStatus(text);
    Add2Log(LogFilePath, text);
    LaunchOrRaise(Os, command, ExecutionModes.ValueOr(CommandNumber, 0), command);
    return;
  }
  // Other "$" words are reserved and do nothing.
  if (IsShutdownCommand(*this, command)) ShutdownSequence(command);
}

void frmZandrel::ShutdownSequence(const std::string& Command) {
  const std::size_t blank = Command.find(' ');
  ShutdownType = blank == std::string::npos
                     ? std::int16_t{1}
                     : ToInteger(ReadNumber(std::string_view(Command).substr(blank + 1)));
  const std::string type = std::to_string(ShutdownType);

  // No watch cycle may start while the program is on its way out.
  Os.Timer.SetEnabled(false);
  ShowStatus("Shutting Down (Type=" + std::string(ShutdownType >= 0 ? " " : "") + type + ")...");
  Add2Log(LogFilePath, "Shutting Down (Type=" + type + ")...");
  Add2Log(LogFilePath, ">>>>> Unloaded");
  if (ConsoleMode != 2) {
    RemoveTrayIcon();
    DoYield();
  }

  // Quoted, so that a folder with blanks cannot make the system start C:\Program.exe instead.
  LaunchOrRaise(Os, "\"" + Os.System.ProgramFolder() + "\\Shutdown.exe\" " + type,
                kShutdownShowMode, Command);
  DoYield();
  Os.System.EndProgram(kExitFinished);
}

}  // namespace tollivox
