; An Inno Setup 6 installer as most Windows programs ship one: a language box first ("Select Setup
; Language", English or Dutch), then the wizard's welcome, licence, folder, ready and finish pages,
; all titled "Setup - Orbit Lens". Only the text on a page tells it from the others, in the
; language chosen. Its buttons and choices are Inno Setup's own classes (TNewButton,
; TNewRadioButton, TEdit, TNewComboBox).
;
;   ISCC.exe /Q /O<output folder> /F<output name> orbit-lens.iss
;
; Started with /DIR="<folder>" it offers that folder on its folder page.

[Setup]
AppName=Orbit Lens
AppVersion=1.0
DefaultDirName={localappdata}\Orbit Lens
PrivilegesRequired=lowest
; Nothing is registered, so that every run starts with the same pages, whatever ran before.
Uninstallable=no
UsePreviousLanguage=no
; The box is always shown and opens on English, whatever the machine's language.
ShowLanguageDialog=yes
LanguageDetectionMethod=none
; Inno Setup 6 leaves out the welcome and folder pages unless told.
DisableWelcomePage=no
DisableDirPage=no
DisableReadyPage=no
DisableFinishedPage=no
DisableProgramGroupPage=yes
DirExistsWarning=no
CloseApplications=no
RestartIfNeededByRun=no
LicenseFile=orbit-license.txt
OutputBaseFilename=orbit-lens-setup
Compression=zip

[Languages]
Name: "en"; MessagesFile: "compiler:Default.isl"
Name: "nl"; MessagesFile: "compiler:Languages\Dutch.isl"

[Files]
Source: "orbit-license.txt"; DestDir: "{app}"

[Code]
// A page that works for a while, its buttons disabled, as real installers' do; then it leaves a
// file that tells the language the wizard ran in.
procedure CurStepChanged(CurStep: TSetupStep);
begin
  if CurStep = ssPostInstall then
  begin
    Sleep(1000);
    SaveStringToFile(ExpandConstant('{app}\readme.txt'),
      'Orbit Lens is installed (' + ActiveLanguage + ').' + #13#10, False);
  end;
end;
