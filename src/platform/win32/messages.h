// Messages to another program's control, each with the time limit, shared by the controls'
// Windows side.
#pragma once

#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

// What a failed SendMessageTimeoutW or PostMessageW means, read from the last error.
ControlResult FailureOf(HWND Control);

// Sends with the time limit; Done with the message's result, or why it did not get through.
ControlResult SendLimited(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam,
                          DWORD_PTR& Result);

// Tells the control's parent by WM_COMMAND with Code, the control's id and handle; sent with the
// time limit when Wait, else posted.
ControlResult Notify(HWND Control, WORD Code, bool Wait);

}  // namespace tollivox::win32
