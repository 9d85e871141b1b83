// The seam of the control steps: a page's controls as the logic sees them, and what can be done
// to them through their own messages. No Windows type here; platform.h names the calls behind
// each operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tollivox {

// A window: a 32-bit value compared only for equality; 0 is no window.
using WindowHandle = std::uint32_t;

// The controls a key string's control steps act on; Other for everything else. A combo box
// (drop-down or drop-down list) and a list box of one choice are lists {SELECT} chooses in.
enum class ControlKind : std::uint8_t {
  Other,
  PushButton,
  CheckBox,
  RadioButton,
  Edit,
  ComboBox,
  ListBox
};

// A shown control below a top-level window, as read from the window structures.
struct ControlInfo {
  WindowHandle Handle = 0;
  std::string Class;  // the window class name (UTF-8)
  // The system class a superclass is built on, where Windows names one; empty otherwise.
  std::string BaseClass;
  std::string Caption;      // UTF-8, access-key marks kept
  std::uint32_t Style = 0;  // the window style bits (GWL_STYLE)
  ControlKind Kind = ControlKind::Other;
  bool Enabled = false;
  bool Focused = false;  // has the keyboard focus of its window's thread
};

// What became of a message to another program's control.
enum class ControlResult : std::uint8_t {
  Done,
  NoAnswer,  // not answered within the time limit: the outcome is unknown
  Refused,   // Windows refused the message (the program runs at a higher integrity level)
  Gone,      // the control no longer exists
  NoEffect,  // answered, but the state read back is not the one asked for
};

// What a control answers WM_GETDLGCODE, when it was asked.
struct DialogCodeReading {
  ControlResult Result = ControlResult::NoAnswer;
  std::uint32_t Code = 0;  // meaningful when Result is Done
};

struct CheckReading {
  ControlResult Result = ControlResult::Done;
  bool Checked = false;  // meaningful when Result is Done; indeterminate reads as unchecked
};

// A list's items as its own messages give them (UTF-8), and the one chosen.
struct ListReading {
  ControlResult Result = ControlResult::Done;
  bool HasTexts = true;            // false: drawn by its program without strings, so Items is empty
  int Count = 0;                   // how many items the list holds
  std::vector<std::string> Items;  // the first ones, as many as asked for
  int Chosen = -1;                 // the index of the chosen item; -1 for none
};

// Acting on a page's controls through their own messages, which needs neither the front nor
// the input desktop. Every message to another program has a time limit.
class IControls {
 public:
  virtual ~IControls() = default;
  // The shown descendants of Window at any depth, in tab order (each control before its own
  // children), each taken for what it is (control_kinds.h). Read from the window structures;
  // only a control whose class names do not tell is asked, with the time limit, what it is.
  virtual std::vector<ControlInfo> ShownControls(WindowHandle Window) = 0;
  // What the control answers WM_GETDLGCODE: what kind of control it is to a dialog.
  virtual DialogCodeReading DialogCode(WindowHandle Control) = 0;
  // Presses a button as a click does, without activating its window: its parent is told that
  // it was clicked. Once per call.
  virtual ControlResult Press(WindowHandle Control) = 0;
  // Presses a button with the mouse's own messages, posted to it inside its client area, for a
  // button that acts on its own press and ignores its parent's notification. Once per call.
  virtual ControlResult MousePress(WindowHandle Control) = 0;
  virtual CheckReading IsChecked(WindowHandle Control) = 0;
  // Clicks a check box or radio button into the state Checked: a self-checking one is given the
  // state (a radio's group cleared with it), then its parent is told that it was clicked. On
  // NoAnswer the box is left as clicked: the page still handles the click when it gets to it.
  virtual ControlResult SetChecked(WindowHandle Control, bool Checked) = 0;
  // Sets an edit box's text and tells its parent it changed; NoEffect when it reads back
  // otherwise.
  virtual ControlResult SetText(WindowHandle Control, const std::string& Text) = 0;
  // The first Most items of a combo box or list box (Kind says which).
  virtual ListReading ListItems(WindowHandle Control, ControlKind Kind, int Most) = 0;
  // Chooses item Index of a list and tells its parent as a choice by the user would; NoEffect
  // when the list reads back another choice.
  virtual ControlResult Choose(WindowHandle Control, ControlKind Kind, int Index) = 0;
};

// The most items {SELECT} reads from one list: a list of thousands would hold the watch for
// seconds.
inline constexpr int kMostListItems = 1000;

// Whether a list holds strings its messages can give: an owner-drawn one (CBS_OWNERDRAWFIXED
// 0x10, CBS_OWNERDRAWVARIABLE 0x20 / LBS_OWNERDRAWFIXED 0x10, LBS_OWNERDRAWVARIABLE 0x20) does
// only with CBS_HASSTRINGS 0x200 / LBS_HASSTRINGS 0x40; otherwise its items are the program's
// data, and a text message would read them as pointers.
inline bool ListHasTexts(ControlKind Kind, std::uint32_t Style) {
  if ((Style & 0x30) == 0) return true;
  return (Style & (Kind == ControlKind::ComboBox ? 0x200u : 0x40u)) != 0;
}

}  // namespace tollivox
