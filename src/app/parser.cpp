// The command line into the watch list and settings: the quote step, the split into options, the
// option loop, the reconciliation of the lists, the limits, the log path and the validity check.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/frmZandrel.h"
#include "app/numbers.h"
#include "app/text.h"

namespace tollivox {
namespace {

constexpr int kMaxListCount = 32767;

constexpr std::string_view kOptionLines =
    "/W:<Window String [[,String] [,...]]>\n"
    "/A:<Window Activation Mode, [[,Mode] [,...]]> (Default=1; 1=Normal)\n"
    "/K:<Keys [[,Keys] [,...]>\n"
    "/S:<Send Keys on any Window?> (0=No|1=Yes; 0=Default)\n"
    "/T:<Timeout Seconds> [[,Seconds] [,...]]> (Default=3)\n"
    "/C:<Count> [[,Count] [,...]]> (0=Default)\n"
    "/I:<Interval Milliseconds> (Default=1500; 65535=Maximum)\n"
    "/E:<Command [[,Command] [,...]]>\n"
    "/M:<Execution Mode [[,Mode] [,...]]> (Default=0; 0=Hide)\n"
    "/O:<Execute on any Window?> (0=No|1=Yes; 0=Default)\n"
    "/H:<Hide Tollivox Console?> (0=Maximized|1=Minimized|2=Hidden; 1=Default)\n"
    "/L:<Log File Path>\n"
    "\n"
    "Please refer to the provided documentation for details on proper usage.";

std::string UsageText() { return "Tollivox Command Line Options:\n\n" + std::string(kOptionLines); }

std::string SyntaxErrorText() {
  return "ERROR: Incorrect syntax was used.\n\nThe available command line options are:\n\n" +
         std::string(kOptionLines);
}

// Character positions are Integers: a text too long to address is Overflow, like any other.
std::int16_t WholeLength(std::string_view Text) {
  return ToInteger(static_cast<double>(CharacterCount(Text)));
}

// The items of a delimited list, each trimmed and without the delimiter it starts at; an empty
// item stands for the default value. Every item after the first starts at the delimiter that ends
// the one before it, and a text that starts with the delimiter gives an empty first item of its
// own.
std::vector<std::string_view> SplitList(std::string_view Source, std::string_view Delimiter) {
  if (Delimiter.empty()) Raise(kErrInvalidProcedureCall);
  std::vector<std::string_view> items;
  std::string_view text = TrimSpaces(Source);
  std::size_t start = 0;
  if (text.starts_with(Delimiter)) {
    items.emplace_back();
    start = NextCharacter(text, 0);
  }
  for (;;) {
    // The search starts one character after the item's start, which may be the delimiter itself.
    std::size_t end = start < text.size() ? text.find(Delimiter, NextCharacter(text, start))
                                          : std::string_view::npos;
    std::string_view item = TrimSpaces(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (item.starts_with(Delimiter)) item = TrimLeadingSpaces(item.substr(Delimiter.size()));
    items.push_back(item);
    if (end == std::string_view::npos) break;
    start = end;
  }
  return items;
}

// Stores the items as elements 1 to N, then fills up to MinimumCount with the default; returns
// the number of elements.
template <class T, class Convert>
std::int16_t StoreList(const std::vector<std::string_view>& Items, const T& DefaultValue,
                       List<T>& ResultArray, std::int16_t MinimumCount, Convert&& ToElement) {
  if (Items.size() > static_cast<std::size_t>(kMaxListCount)) Raise(kErrOverflow);
  const int count = static_cast<int>(Items.size());
  const int total = std::max<int>(count, MinimumCount);
  ResultArray.Redim(total);
  for (int i = 1; i <= count; ++i) {
    std::string_view item = Items[static_cast<std::size_t>(i - 1)];
    ResultArray[i] = item.empty() ? DefaultValue : ToElement(item);
  }
  for (int i = count + 1; i <= total; ++i) ResultArray[i] = DefaultValue;
  return static_cast<std::int16_t>(total);
}

// Gives a list at least Count elements, the new ones set to Value.
template <class T>
void FillUp(List<T>& Values, int Count, const T& Value) {
  const int high = Values.UBound();
  if (high >= Count) return;
  Values.Redim(Count);
  for (int i = std::max(high + 1, 1); i <= Count; ++i) Values[i] = Value;
}

// Makes a list exactly Count elements long, all set to Value.
template <class T>
void ResetList(List<T>& Values, int Count, const T& Value) {
  Values.Redim(Count);
  for (int i = 1; i <= Count; ++i) Values[i] = Value;
}

// PowerShell, .NET and Python quote an argument that holds a blank as a whole ("/W:a b" in
// quotes). The letter of the option such a stretch opens (the quote begins an argument and is
// followed by "/", an option letter and ":"), or 0 for an ordinary quoted stretch. Backslashes
// before a quote are taken as written, as everywhere else on the line.
char WholeQuotedOption(std::string_view Arguments, std::size_t Open, std::size_t Close) {
  constexpr std::string_view kLetters = "WAKXSTCIEMOHVL";
  if (Open > 0 && Arguments[Open - 1] != ' ' && Arguments[Open - 1] != '\t') return 0;
  if (Close < Open + 4 || Arguments[Open + 1] != '/' || Arguments[Open + 3] != ':') return 0;
  const char given = Arguments[Open + 2];
  const char letter = given >= 'a' && given <= 'z' ? static_cast<char>(given - 'a' + 'A') : given;
  return kLetters.find(letter) == std::string_view::npos ? 0 : letter;
}

// The options whose value is text, read with its quotes and markers handled.
bool IsTextOption(char Letter) {
  return std::string_view("WKXEL").find(Letter) != std::string_view::npos;
}

}  // namespace

void frmZandrel::QuoteStep() {
  const std::string arguments = Os.System.CommandLine();
  auto protect = [this](std::string Stretch, bool Commas) {
    Stretch = ReplaceString(Stretch, "/", kSlashMarker, 1, WholeLength(Stretch));
    if (Commas) Stretch = ReplaceString(Stretch, ",", kCommaMarker, 1, WholeLength(Stretch));
    return Stretch;
  };
  // Each pair of double quotes, taken in order, protects the "/" and "," between them; a quote
  // without a partner protects nothing. Every quoted stretch is rewritten on its own, so that the
  // line is gone over once and its positions stay small however long the line is.
  std::string line;
  std::string options;
  std::size_t copied = 0;
  for (;;) {
    const std::size_t open = arguments.find('"', copied);
    if (open == std::string::npos) break;
    const std::size_t close = arguments.find('"', open + 1);
    if (close == std::string::npos) break;
    line.append(arguments, copied, open - copied);
    options.append(arguments, copied, open - copied);
    const char letter = WholeQuotedOption(arguments, open, close);
    if (letter == 0) {
      const std::string stretch = protect(arguments.substr(open, close + 1 - open), true);
      line += stretch;
      options += stretch;
    } else {
      // The option's own "/" stays, so that the line logged is the one given and the presence
      // tests find the option; only its value is protected.
      const std::string value = arguments.substr(open + 4, close - open - 4);
      line.append(arguments, open, 4).append(protect(value, true)).append(1, '"');
      options.append(arguments, open + 1, 3);
      // A number reads nothing after a quote: its value goes without them, its commas still
      // separating values.
      options += IsTextOption(letter) ? '"' + protect(value, true) + '"' : protect(value, false);
    }
    copied = close + 1;
  }
  line.append(arguments, copied);
  options.append(arguments, copied);
  CommandLine = std::move(line);
  OptionLine = std::move(options);
}

void frmZandrel::SplitOptions() {
  OptionCount = ParseStr2StrArray(OptionLine, "/", "", Options, 0);
}

void frmZandrel::OptionLoop() {
  // Markers back to their characters; the quotes go when the command line held any at all.
  auto unprotect = [this](std::string Value) {
    Value = ReplaceString(Value, kSlashMarker, "/", 1, WholeLength(Value));
    Value = ReplaceString(Value, kCommaMarker, ",", 1, WholeLength(Value));
    if (Os.System.CommandLine().find('"') != std::string::npos) {
      Value = ReplaceString(Value, "\"", "", 1, WholeLength(Value));
    }
    return Value;
  };

  const int count = OptionCount;
  for (int index = 1; index <= count; ++index) {
    LoopIndex = static_cast<std::int16_t>(index);
    const std::string piece(TrimSpaces(Options[index]));
    if (piece.empty()) continue;
    const std::size_t valueStart = ByteOffset(piece, 3);
    const std::string key = Os.System.ToUpper(std::string_view(piece).substr(0, valueStart));
    const std::string value(TrimSpaces(std::string_view(piece).substr(valueStart)));

    if (key == "W:") {
      WorkString = unprotect(value);
      WindowCount = ParseStr2StrArray(WorkString, ",", "", WindowStrings, 0);
    } else if (key == "A:") {
      WorkString = value;
      ParseStr2IntArray(WorkString, ",", 1, ActivationModes, WindowCount);
    } else if (key == "S:") {
      SendKeysAnyWindow = ToInteger(ReadNumber(value));
    } else if (key == "K:") {
      WorkString = unprotect(value);
      ParseStr2StrArray(WorkString, ",", "", KeyStrings, WindowCount);
    } else if (key == "X:") {
      WorkString = unprotect(value);
      ParseStr2StrArray(WorkString, ",", "", WindowTexts, WindowCount);
    } else if (key == "T:") {
      WorkString = value;
      ParseStr2IntArray(WorkString, ",", 3, TimeoutSeconds, WindowCount);
    } else if (key == "C:") {
      WorkString = value;
      ParseStr2IntArray(WorkString, ",", 0, Counts, WindowCount);
    } else if (key == "I:") {
      IntervalMs = ToLong(ReadNumber(value));
    } else if (key == "E:") {
      WorkString = unprotect(value);
      CommandCount = ParseStr2StrArray(WorkString, ",", "", Commands, 0);
    } else if (key == "M:") {
      WorkString = value;
      ParseStr2IntArray(WorkString, ",", 0, ExecutionModes, CommandCount);
    } else if (key == "O:") {
      ExecuteAnyWindow = ToInteger(ReadNumber(value));
    } else if (key == "H:") {
      ConsoleMode = ToInteger(ReadNumber(value));
    } else if (key == "V:") {
      ListWindows = ToInteger(ReadNumber(value));
    } else if (key == "L:") {
      // A quoted log path ("C:\My Logs\run.log" in double quotes) would otherwise keep its quotes
      // and markers, which no file name can hold: treat it like the other text options.
      LogFilePath = unprotect(value);
      // Quoted blanks name no file: an empty /L:, refused like one, not a path of blanks.
      if (TrimSpaces(LogFilePath).empty()) LogFilePath.clear();
      // Placed at once, so that an error reported before start-up places it itself still goes
      // to the log the user named; placing it again later changes nothing.
      PlaceLogFile();
    }
  }
}

void frmZandrel::ReconcileLists() {
  // A per-entry option written before /W: (or /M: before /E:) was filled up only to the count
  // known at that moment; bring it to the full count so that nothing reads past a list's end.
  FillUp<std::int16_t>(ActivationModes, WindowCount, 1);
  FillUp<std::string>(KeyStrings, WindowCount, "");
  FillUp<std::string>(WindowTexts, WindowCount, "");
  FillUp<std::int16_t>(TimeoutSeconds, WindowCount, 3);
  FillUp<std::int16_t>(Counts, WindowCount, 0);
  FillUp<std::int16_t>(ExecutionModes, CommandCount, 0);

  const std::string upper = Os.System.ToUpper(CommandLine);
  auto present = [&](std::string_view Option) { return upper.find(Option) != std::string::npos; };
  const int windows = WindowCount;
  const int commands = CommandCount;

  if (present("/A:")) {
    for (int i = 1; i <= windows; ++i) {
      if (ActivationModes[i] < 0 || ActivationModes[i] > 5) ActivationModes[i] = 1;
    }
  } else {
    ResetList<std::int16_t>(ActivationModes, windows, 1);
  }
  if (!present("/K:")) KeyStrings.Redim(windows);
  if (!present("/X:")) ResetList<std::string>(WindowTexts, windows, "");
  if (present("/M:")) {
    for (int i = 1; i <= commands; ++i) {
      if (ExecutionModes[i] < 0 || ExecutionModes[i] > 5) ExecutionModes[i] = 0;
    }
  } else {
    ResetList<std::int16_t>(ExecutionModes, commands, 0);
  }
  if (present("/T:")) {
    for (int i = 1; i <= windows; ++i) {
      if (TimeoutSeconds[i] == 0) TimeoutSeconds[i] = 3;
    }
  } else {
    ResetList<std::int16_t>(TimeoutSeconds, windows, 3);
  }
  if (present("/C:")) {
    for (int i = 1; i <= windows; ++i) {
      if (Counts[i] < 0) Counts[i] = 0;
    }
  } else {
    ResetList<std::int16_t>(Counts, windows, 0);
  }
}

void frmZandrel::ClampInterval() {
  if (IntervalMs < 1) {
    IntervalMs = 1500;
  } else if (IntervalMs > 65535) {
    IntervalMs = 65535;
  }
}

void frmZandrel::PlaceLogFile() {
  if (!LogFilePath.empty() && LogFilePath.find('\\') == std::string::npos) {
    LogFilePath = Os.System.ProgramFolder() + "\\" + LogFilePath;
  }
}

void frmZandrel::CheckValidity() {
  // A "/?" inside double quotes lost its slash to a marker in the quote step.
  const bool usage = CommandLine.find("/?") != std::string::npos;
  const bool emptyLog =
      Os.System.ToUpper(CommandLine).find("/L:") != std::string::npos && LogFilePath.empty();
  // The list of windows seen goes nowhere but the log; with one, it is a task of its own.
  const bool listWithoutLog = ListWindows != 0 && LogFilePath.empty();
  const bool nothingToDo = WindowCount < 1 && ListWindows == 0;
  if (!usage && !emptyLog && !listWithoutLog && !nothingToDo) return;

  Os.View.Hide();
  Terminating = -1;
  if (usage) {
    (void)MessageBox(UsageText(), AppTitle, MsgBoxButtons::Ok, MsgBoxIcon::Information);
  } else {
    (void)MessageBox(SyntaxErrorText(), AppTitle, MsgBoxButtons::Ok, MsgBoxIcon::Critical);
  }
  if (ConsoleMode != 2) RemoveTrayIcon();
  Os.System.EndProgram(usage ? kExitFinished : kExitSyntaxError);
}

std::int16_t frmZandrel::ParseStr2StrArray(std::string SourceString, std::string Delimiter,
                                           std::string DefaultValue, List<std::string>& ResultArray,
                                           std::int16_t MinimumCount) {
  std::int16_t count = 0;
  Guard("ParseStr2StrArray", [&] {
    count = StoreList(SplitList(SourceString, Delimiter), DefaultValue, ResultArray, MinimumCount,
                      [](std::string_view Item) { return std::string(Item); });
  });
  return count;
}

std::int16_t frmZandrel::ParseStr2IntArray(std::string SourceString, std::string Delimiter,
                                           std::int16_t DefaultValue,
                                           List<std::int16_t>& ResultArray,
                                           std::int16_t MinimumCount) {
  std::int16_t count = 0;
  Guard("ParseStr2IntArray", [&] {
    count = StoreList(SplitList(SourceString, Delimiter), DefaultValue, ResultArray, MinimumCount,
                      [](std::string_view Item) { return ToInteger(ReadNumber(Item)); });
  });
  return count;
}

}  // namespace tollivox
