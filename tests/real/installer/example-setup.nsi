; A small installer of the usual shape: welcome, licence ("I Agree"), folder, install and finish
; pages, and an uninstaller. The tests and the demo drive it as a user would.
;
;   makensis [-DAMD64] -DOUTFILE=<path of the setup program> example-setup.nsi
;
; Started with /D=<folder> (last on its command line) it offers that folder on its folder page.

Unicode true
; -DAMD64 builds the 64-bit setup program, for machines that run 64-bit programs only.
!ifdef AMD64
  Target amd64-unicode
!endif
!include "MUI2.nsh"

!ifndef OUTFILE
  !define OUTFILE "example-setup.exe"
!endif

Name "Example Application"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Example Application"
RequestExecutionLevel user
ShowInstDetails show
ShowUninstDetails show

; Cancel asks "Are you sure?" before it quits, with the focus on No.
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_CANCEL_DEFAULT
!define MUI_UNABORTWARNING

; Each page names itself in the window title, as NSIS's own pages do without the modern look
; (which leaves one title for every page).
!macro TitledPage Page Function Title
  !define MUI_PAGE_CUSTOMFUNCTION_SHOW ${Function}
  !insertmacro ${Page}
  Function ${Function}
    SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:${Title}"
  FunctionEnd
!macroend

!define SETUP_TITLE "Example Application Setup"
!define UNINSTALL_TITLE "Example Application Uninstall"
!insertmacro TitledPage MUI_PAGE_WELCOME ShowWelcome "${SETUP_TITLE}: Welcome"
; The licence page takes its text as an argument, which the macro has no room for.
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowLicense
!insertmacro MUI_PAGE_LICENSE "license.txt"
Function ShowLicense
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:${SETUP_TITLE}: License Agreement"
FunctionEnd
!insertmacro TitledPage MUI_PAGE_DIRECTORY ShowDirectory "${SETUP_TITLE}: Installation Folder"
!insertmacro TitledPage MUI_PAGE_INSTFILES ShowInstFiles "${SETUP_TITLE}: Installing"
!insertmacro TitledPage MUI_PAGE_FINISH ShowFinish "${SETUP_TITLE}: Completed"

!insertmacro TitledPage MUI_UNPAGE_CONFIRM un.ShowConfirm "${UNINSTALL_TITLE}: Confirmation"
!insertmacro TitledPage MUI_UNPAGE_INSTFILES un.ShowInstFiles "${UNINSTALL_TITLE}: Uninstalling"
!insertmacro TitledPage MUI_UNPAGE_FINISH un.ShowFinish "${UNINSTALL_TITLE}: Completed"

!insertmacro MUI_LANGUAGE "English"

Section "Example Application"
  SetOutPath "$INSTDIR"
  File "license.txt"
  ; A page that works for a while, its buttons disabled, as real installers' do.
  DetailPrint "Preparing the files..."
  Sleep 1500
  FileOpen $0 "$INSTDIR\readme.txt" w
  FileWrite $0 "Example Application is installed.$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\Uninstall.exe"
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\license.txt"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
