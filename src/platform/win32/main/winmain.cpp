// The program's entry point: build the platform, build the form, load it, run the message loop.
#include "app/frmZandrel.h"
#include "platform/win32/console_window.h"
#include "platform/win32/controls.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/raii.h"
#include "platform/win32/services.h"
#include "platform/win32/system_library.h"
#include "platform/win32/tray.h"

int WINAPI wWinMain(HINSTANCE /*Instance*/, HINSTANCE /*Previous*/, PWSTR /*CommandLine*/,
                    int /*ShowCommand*/) {
  using namespace tollivox;
  using namespace tollivox::win32;
  // Before anything can load a library on the program's behalf.
  RestrictLibrarySearch();
  try {
    Win32Windows windows;
    Win32Keyboard keyboard;
    Win32Launcher launcher;
    Win32Files files;
    Win32Dialogs dialogs;
    Win32Clock clock;
    Win32System system;
    Win32Console console;
    Win32Tray tray;
    Win32Controls controls(windows);
    Platform os{windows, keyboard, launcher, files,   dialogs, clock,
                system,  console,  console,  console, tray,    controls};

    frmZandrel form(os);
    FormEvents events(form);
    if (!console.Create(events)) return kExitFatalError;
    form.Form_Load();
    // The window system shows a main window after its load procedure, in the state it chose.
    console.ShowAsMainWindow();
    console.RunMessageLoop();
    form.Form_Terminate();
    return kExitFinished;
  } catch (...) {
    // The procedures report their own errors; this is only the last line of defence.
    return kExitFatalError;
  }
}
