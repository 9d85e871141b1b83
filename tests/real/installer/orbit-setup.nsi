; A stock installer as most programs ship one: NSIS's modern pages left as they come, so every
; page has the same title ("Orbit Tools Setup"), and a licence page with "I accept" / "I do not
; accept" choices that leaves Next disabled until one accepts. Only the text on a page tells it
; from the others.
;
;   makensis [-DAMD64] -DOUTFILE=<path of the setup program> orbit-setup.nsi
;
; Started with /D=<folder> (last on its command line) it offers that folder on its folder page.

Unicode true
; -DAMD64 builds the 64-bit setup program, for machines that run 64-bit programs only.
!ifdef AMD64
  Target amd64-unicode
!endif
!include "MUI2.nsh"

!ifndef OUTFILE
  !define OUTFILE "orbit-setup.exe"
!endif

Name "Orbit Tools"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Orbit Tools"
RequestExecutionLevel user

!define MUI_ABORTWARNING
!define MUI_LICENSEPAGE_RADIOBUTTONS

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "orbit-license.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

Section "Orbit Tools"
  SetOutPath "$INSTDIR"
  File "orbit-license.txt"
  ; A page that works for a while, its buttons disabled, as real installers' do.
  Sleep 1000
  FileOpen $0 "$INSTDIR\readme.txt" w
  FileWrite $0 "Orbit Tools is installed.$\r$\n"
  FileClose $0
SectionEnd
