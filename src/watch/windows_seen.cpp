// What the program sees (/V:): every visible top-level window and its shown controls, written to
// the log, so that a user can find the titles, texts and captions to put on the command line.
#include <string>
#include <string_view>
#include <vector>

#include "app/frmZandrel.h"
#include "app/text.h"
#include "platform/control_kinds.h"

namespace tollivox {

namespace {

// A caption this long is a paragraph, not a name to match; its start tells it well enough.
constexpr long kLongestText = 256;
// The log writer counts the lines of one text in an Integer: write a long list in parts.
constexpr int kLinesPerWrite = 500;
// The items of a list shown: enough to tell the list and how its items are written.
constexpr std::size_t kItemsShown = 5;

// A window's text in double quotes on one line: each line break becomes a blank, and a text
// past kLongestText characters is cut, "..." marking the cut.
std::string Quoted(std::string_view Text) {
  std::string line = "\"";
  long characters = 0;
  for (std::size_t pos = 0; pos < Text.size(); ++characters) {
    if (characters == kLongestText) {
      line += "...";
      break;
    }
    if (Text[pos] == '\r' || Text[pos] == '\n') {
      // CR LF is one break.
      pos += Text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
      line += ' ';
      continue;
    }
    const std::size_t next = NextCharacter(Text, pos);
    line.append(Text, pos, next - pos);
    pos = next;
  }
  return line + "\"";
}

// A list's first items below its control line, and how many more it holds. These are read by
// the list's own messages, each with its time limit: a list that does not answer shows none.
void AddItems(IControls& Controls, const ControlInfo& List, std::vector<std::string>& Lines) {
  if (List.Kind != ControlKind::ComboBox && List.Kind != ControlKind::ListBox) return;
  const ListReading reading =
      Controls.ListItems(List.Handle, List.Kind, static_cast<int>(kItemsShown));
  if (reading.Result != ControlResult::Done) return;
  if (!reading.HasTexts) {
    Lines.push_back("-- " + std::to_string(reading.Count) + " items drawn without texts");
    return;
  }
  for (std::size_t i = 0; i < reading.Items.size(); ++i) {
    Lines.push_back("-- Item " + Quoted(reading.Items[i]) +
                    (static_cast<int>(i) == reading.Chosen ? " chosen" : ""));
  }
  const std::size_t count = static_cast<std::size_t>(reading.Count);
  if (count > reading.Items.size()) {
    const std::size_t more = count - reading.Items.size();
    Lines.push_back("-- and " + std::to_string(more) + (more == 1 ? " more item" : " more items"));
  }
}

}  // namespace

void frmZandrel::LogWindowsSeen() {
  Guard("LogWindowsSeen", [&] {
    // A list of its own: a tick waiting in a yield may be walking CurrentHandles.
    List<WindowHandle> handles;
    const std::int16_t last = EnumWindowHandles(handles);
    std::vector<std::string> lines;
    int windows = 0;
    for (int i = 2; i <= last; ++i) {
      const WindowHandle window = handles[i];
      if (!Os.Windows.IsVisible(window)) continue;
      ++windows;
      lines.push_back("Window " + Quoted(Os.Windows.WindowTitle(window)) + " class " +
                      Quoted(Os.Windows.WindowClass(window)) + " program " +
                      Quoted(Os.Windows.ProgramFile(window)));
      // Read from the window structures: a program that does not answer is listed too.
      for (const ControlInfo& control : Os.Controls.ShownControls(window)) {
        lines.push_back("- Control " + Quoted(control.Caption) + " class " + Quoted(control.Class) +
                        " taken for " + KindWord(control.Kind));
        AddItems(Os.Controls, control, lines);
      }
    }

    std::string text =
        "Windows seen (" + std::to_string(windows) + "), from the top of the z-order down:";
    int inText = 1;
    for (const std::string& line : lines) {
      if (inText == kLinesPerWrite) {
        Add2Log(LogFilePath, text);
        text.clear();
        inText = 0;
      }
      if (inText != 0) text += '\n';
      text += line;
      ++inText;
    }
    Add2Log(LogFilePath, text);
  });
}

}  // namespace tollivox
