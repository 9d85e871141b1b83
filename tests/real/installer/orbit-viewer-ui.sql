-- The wizard of orbit-viewer.wxs, in the tables of the Windows Installer user interface: welcome,
-- licence (Next enabled only once "I accept" is chosen), ready to install, then the files, then
-- the exit dialog. Every page has the title "Orbit Viewer Setup"; only their texts tell them
-- apart. build-orbit-viewer.sh runs each statement with msibuild -q: one statement per line
-- group, ended by a ";" at the end of a line; lines starting with "--" are left out.

CREATE TABLE `TextStyle` (`TextStyle` CHAR(72) NOT NULL, `FaceName` CHAR(32) NOT NULL,
  `Size` SHORT NOT NULL, `Color` LONG, `StyleBits` SHORT PRIMARY KEY `TextStyle`);

CREATE TABLE `Dialog` (`Dialog` CHAR(72) NOT NULL, `HCentering` SHORT NOT NULL,
  `VCentering` SHORT NOT NULL, `Width` SHORT NOT NULL, `Height` SHORT NOT NULL, `Attributes` LONG,
  `Title` CHAR(128) LOCALIZABLE, `Control_First` CHAR(50) NOT NULL, `Control_Default` CHAR(50),
  `Control_Cancel` CHAR(50) PRIMARY KEY `Dialog`);

CREATE TABLE `Control` (`Dialog_` CHAR(72) NOT NULL, `Control` CHAR(50) NOT NULL,
  `Type` CHAR(20) NOT NULL, `X` SHORT NOT NULL, `Y` SHORT NOT NULL, `Width` SHORT NOT NULL,
  `Height` SHORT NOT NULL, `Attributes` LONG, `Property` CHAR(72), `Text` LONGCHAR LOCALIZABLE,
  `Control_Next` CHAR(50), `Help` CHAR(255) LOCALIZABLE PRIMARY KEY `Dialog_`, `Control`);

CREATE TABLE `ControlEvent` (`Dialog_` CHAR(72) NOT NULL, `Control_` CHAR(50) NOT NULL,
  `Event` CHAR(50) NOT NULL, `Argument` CHAR(255) NOT NULL, `Condition` CHAR(255),
  `Ordering` SHORT PRIMARY KEY `Dialog_`, `Control_`, `Event`, `Argument`, `Condition`);

CREATE TABLE `ControlCondition` (`Dialog_` CHAR(72) NOT NULL, `Control_` CHAR(50) NOT NULL,
  `Action` CHAR(50) NOT NULL, `Condition` CHAR(255) NOT NULL
  PRIMARY KEY `Dialog_`, `Control_`, `Action`, `Condition`);

CREATE TABLE `RadioButton` (`Property` CHAR(72) NOT NULL, `Order` SHORT NOT NULL,
  `Value` CHAR(64) NOT NULL, `X` SHORT NOT NULL, `Y` SHORT NOT NULL, `Width` SHORT NOT NULL,
  `Height` SHORT NOT NULL, `Text` CHAR(64) LOCALIZABLE, `Help` CHAR(50) LOCALIZABLE
  PRIMARY KEY `Property`, `Order`);

-- Text styles; controls without one use DefaultUIFont. StyleBits 1 is bold.
INSERT INTO `TextStyle` (`TextStyle`, `FaceName`, `Size`, `StyleBits`)
  VALUES ('DlgFont8', 'Tahoma', 8, 0);
INSERT INTO `TextStyle` (`TextStyle`, `FaceName`, `Size`, `StyleBits`)
  VALUES ('TitleFont', 'Tahoma', 12, 1);
INSERT INTO `Property` (`Property`, `Value`) VALUES ('DefaultUIFont', 'DlgFont8');
-- The licence group starts on "I do not accept", as licence pages do.
INSERT INTO `Property` (`Property`, `Value`) VALUES ('LicenseAccepted', '0');

-- Dialogs: centred, 370 x 270 installer units, Attributes 3 = Visible | Modal.
INSERT INTO `Dialog` (`Dialog`, `HCentering`, `VCentering`, `Width`, `Height`, `Attributes`,
  `Title`, `Control_First`, `Control_Default`, `Control_Cancel`)
  VALUES ('WelcomeDlg', 50, 50, 370, 270, 3, '[ProductName] Setup', 'Next', 'Next', 'Cancel');
INSERT INTO `Dialog` (`Dialog`, `HCentering`, `VCentering`, `Width`, `Height`, `Attributes`,
  `Title`, `Control_First`, `Control_Default`, `Control_Cancel`)
  VALUES ('LicenseDlg', 50, 50, 370, 270, 3, '[ProductName] Setup', 'Choice', 'Next', 'Cancel');
INSERT INTO `Dialog` (`Dialog`, `HCentering`, `VCentering`, `Width`, `Height`, `Attributes`,
  `Title`, `Control_First`, `Control_Default`, `Control_Cancel`)
  VALUES ('ReadyDlg', 50, 50, 370, 270, 3, '[ProductName] Setup', 'Install', 'Install', 'Cancel');
INSERT INTO `Dialog` (`Dialog`, `HCentering`, `VCentering`, `Width`, `Height`, `Attributes`,
  `Title`, `Control_First`, `Control_Default`, `Control_Cancel`)
  VALUES ('FinishDlg', 50, 50, 370, 270, 3, '[ProductName] Setup', 'Finish', 'Finish', 'Finish');

-- Controls. Attributes: 1 Visible, 2 Enabled, 4 Sunken.
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('WelcomeDlg', 'Title', 'Text', 20, 20, 330, 40, 3,
  '{\TitleFont}Welcome to the [ProductName] Setup Wizard');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('WelcomeDlg', 'Body', 'Text', 20, 70, 330, 60, 3,
  'The Setup Wizard will install [ProductName] on your computer. Click Next to continue or Cancel to exit the Setup Wizard.');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`)
  VALUES ('WelcomeDlg', 'Line', 'Line', 0, 234, 370, 0, 1);
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('WelcomeDlg', 'Back', 'PushButton', 180, 243, 56, 17, 1,
  '< &Back', 'Next');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('WelcomeDlg', 'Next', 'PushButton', 236, 243, 56, 17, 3,
  '&Next >', 'Cancel');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('WelcomeDlg', 'Cancel', 'PushButton', 304, 243, 56, 17, 3,
  'Cancel', 'Next');

INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('LicenseDlg', 'Title', 'Text', 20, 15, 330, 20, 3,
  '{\TitleFont}License Agreement');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('LicenseDlg', 'Description', 'Text', 20, 38, 330, 15, 3,
  'Please read the following license agreement carefully.');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('LicenseDlg', 'LicenseText', 'ScrollableText', 20, 58, 330, 110,
  7,
  '{\rtf1\ansi\deff0{\fonttbl{\f0 Tahoma;}}\f0\fs16 Orbit Viewer licence\par\par Orbit Viewer is a sample program used to show an unattended installation of a Windows Installer package whose pages all carry one title. You may use, copy and change it freely. It comes without any warranty.\par}',
  'Choice');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Property`, `Control_Next`) VALUES ('LicenseDlg', 'Choice', 'RadioButtonGroup', 20, 176, 330,
  40, 3, 'LicenseAccepted', 'Back');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`)
  VALUES ('LicenseDlg', 'Line', 'Line', 0, 234, 370, 0, 1);
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('LicenseDlg', 'Back', 'PushButton', 180, 243, 56, 17, 3,
  '< &Back', 'Next');
-- Next starts disabled; the conditions below enable it while the licence is accepted.
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('LicenseDlg', 'Next', 'PushButton', 236, 243, 56, 17, 1,
  '&Next >', 'Cancel');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('LicenseDlg', 'Cancel', 'PushButton', 304, 243, 56, 17, 3,
  'Cancel', 'LicenseText');

INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('ReadyDlg', 'Title', 'Text', 20, 15, 330, 20, 3, '{\TitleFont}Ready to Install');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('ReadyDlg', 'Body', 'Text', 20, 50, 330, 40, 3,
  'Click Install to begin the installation. Click Back to review or change your choices.');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`)
  VALUES ('ReadyDlg', 'Line', 'Line', 0, 234, 370, 0, 1);
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('ReadyDlg', 'Back', 'PushButton', 180, 243, 56, 17, 3,
  '< &Back', 'Install');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('ReadyDlg', 'Install', 'PushButton', 236, 243, 56, 17, 3,
  '&Install', 'Cancel');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('ReadyDlg', 'Cancel', 'PushButton', 304, 243, 56, 17, 3,
  'Cancel', 'Back');

INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('FinishDlg', 'Title', 'Text', 20, 20, 330, 40, 3,
  '{\TitleFont}Completed the [ProductName] Setup Wizard');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`) VALUES ('FinishDlg', 'Body', 'Text', 20, 70, 330, 40, 3,
  'Click the Finish button to exit the Setup Wizard.');
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`)
  VALUES ('FinishDlg', 'Line', 'Line', 0, 234, 370, 0, 1);
INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, `Attributes`,
  `Text`, `Control_Next`) VALUES ('FinishDlg', 'Finish', 'PushButton', 304, 243, 56, 17, 3,
  '&Finish', 'Finish');

-- The buttons: each Next opens the following page in the same window (NewDialog), Install and
-- Finish end their dialog and let the sequence go on, Cancel ends the installation.
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('WelcomeDlg', 'Next', 'NewDialog', 'LicenseDlg', '1', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('WelcomeDlg', 'Cancel', 'EndDialog', 'Exit', '1', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('LicenseDlg', 'Back', 'NewDialog', 'WelcomeDlg', '1', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('LicenseDlg', 'Next', 'NewDialog', 'ReadyDlg', 'LicenseAccepted = "1"', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('LicenseDlg', 'Cancel', 'EndDialog', 'Exit', '1', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('ReadyDlg', 'Back', 'NewDialog', 'LicenseDlg', '1', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('ReadyDlg', 'Install', 'EndDialog', 'Return', '1', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('ReadyDlg', 'Cancel', 'EndDialog', 'Exit', '1', 1);
INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, `Ordering`)
  VALUES ('FinishDlg', 'Finish', 'EndDialog', 'Return', '1', 1);

INSERT INTO `ControlCondition` (`Dialog_`, `Control_`, `Action`, `Condition`)
  VALUES ('LicenseDlg', 'Next', 'Enable', 'LicenseAccepted = "1"');
INSERT INTO `ControlCondition` (`Dialog_`, `Control_`, `Action`, `Condition`)
  VALUES ('LicenseDlg', 'Next', 'Disable', 'LicenseAccepted <> "1"');

INSERT INTO `RadioButton` (`Property`, `Order`, `Value`, `X`, `Y`, `Width`, `Height`, `Text`)
  VALUES ('LicenseAccepted', 1, '1', 0, 0, 330, 15, 'I &accept the terms in the License Agreement');
INSERT INTO `RadioButton` (`Property`, `Order`, `Value`, `X`, `Y`, `Width`, `Height`, `Text`)
  VALUES ('LicenseAccepted', 2, '0', 0, 20, 330, 15,
  'I &do not accept the terms in the License Agreement');

-- The wizard runs after costing and before the files are installed; the exit dialog (-1) shows
-- once the installation has succeeded.
INSERT INTO `InstallUISequence` (`Action`, `Condition`, `Sequence`)
  VALUES ('WelcomeDlg', 'NOT Installed', 1230);
INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('FinishDlg', -1);
