// A wizard page in a helper process, as installers show one: Next and Cancel on the frame, the
// page's own controls on an inner child window (as an NSIS page is an inner dialog). It records
// what reaches it, one line each, so a test can tell what a user's click would have done.
#pragma once

#include <string>

namespace tollivox::test {

// The helper posts nothing; the test posts this to the frame after its own messages, and the
// page records "flush <wParam>" once everything posted before it was handled.
constexpr unsigned kFlushMessage = 0x8000 + 7;  // WM_APP + 7

// The inner page's control id, where NSIS puts its inner dialog.
constexpr int kPageId = 1018;

// The page's edit boxes, by control id (GetDlgCtrlID), and the names their lines use.
constexpr int kFolderEditId = 301;        // single line, text "C:\Program Files\Orbit"
constexpr int kNotesEditId = 302;         // multi-line
constexpr int kLimitedEditId = 303;       // EM_LIMITTEXT 8
constexpr int kCuttingEditId = 304;       // keeps no more than 8 characters of any text it is given
constexpr int kRichEditId = 305;          // RichEdit20W asked for EN_CHANGE, where Windows has one
constexpr int kLicenceEditId = 306;       // read-only
constexpr int kSuperclassedEditId = 307;  // TNewEdit, a superclass of Edit
constexpr int kCutLength = 8;

// --show-control-page TITLE EVENTS RECORD: shows the page titled TITLE, sets EVENTS.ready, and
// keeps its messages flowing until EVENTS.release is set. Lines in RECORD (UTF-8):
//   "frame clicked <name>", "page clicked <name>", "page changed <name>"  a WM_COMMAND
//   "frame activated"                                                      WM_ACTIVATE, active
//   "page chose <name> <n>"      CBN_SELCHANGE / LBN_SELCHANGE, with the list's choice n then
//   "flush <n>"                                                            kFlushMessage
//   "own press <name>"          the owner-drawn framework button pressed and released inside it
// The page acts as installers do: a click on either licence radio enables Next when "I accept"
// is checked; a click on the plain check box turns it over; a click on the plain radio checks it
// and clears the other radio of its group; the other plain check box ignores its clicks; the
// framework's owner-drawn button acts on its own press alone (framework_controls.h). Its
// lists (ids 401-405: combo box, list box, superclassed combo box, combo box drawn without
// strings, a list box whose page keeps its first choice) hold English, Deutsch, Français, the
// first chosen.
int ShowControlPage(const std::wstring& Title, const std::wstring& Events,
                    const std::wstring& Record);

}  // namespace tollivox::test
