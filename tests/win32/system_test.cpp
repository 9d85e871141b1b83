#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "helpers.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

using test::HelperProcess;
using test::Quoted;
using test::ScratchFolder;

TEST(SystemCommandLine, ArgumentTextFollowsTheProgramName) {
  struct Case {
    std::wstring Full;
    std::wstring Arguments;
  };
  const Case cases[] = {
      {LR"("C:\Program Files\T\tollivox.exe" /W:a /K:b)", L"/W:a /K:b"},
      {LR"(tollivox.exe /W:a)", L"/W:a"},
      {LR"(C:\T\tollivox.exe)", L""},
      {LR"("C:\x y\tollivox.exe")", L""},
      {L"tollivox.exe \t  /W:\"Save As\"", L"/W:\"Save As\""},
      {LR"("C:\T\tollivox.exe"/W:a)", L"/W:a"},
      {L"tollivox.exe /W:a  ", L"/W:a  "},
      {L"  tollivox.exe /W:a", L"/W:a"},
      {LR"("C:\unterminated /W:a)", L""},
      {L"", L""},
      {L"t.exe /W:\u00C4\xD834\xDD1E", L"/W:\u00C4\xD834\xDD1E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.Full));
    EXPECT_EQ(ArgumentText(c.Full), c.Arguments);
  }
}

TEST(SystemCommandLine, AnotherProcessReadsItsArgumentsAsGiven) {
  ScratchFolder folder;
  std::wstring report = (folder.Path() / L"args.txt").wstring();
  std::wstring arguments =
      L"--report-command-line " + Quoted(report) + L" /W:\"Save As\",\u00E9t\u00E9 /K:{ENTER}";
  HelperProcess helper(arguments);
  ASSERT_TRUE(helper.Started());
  ASSERT_EQ(helper.WaitForExit(30000), 0);
  std::ifstream in(std::filesystem::path(report), std::ios::binary);
  std::string seen((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(seen, Narrow(arguments));
}

TEST(SystemProgram, FolderAndVersionComeFromTheProgramFile) {
  Win32System system;
  std::wstring self = test::SelfPath();
  std::string folder = system.ProgramFolder();
  EXPECT_EQ(folder, Narrow(self.substr(0, self.find_last_of(L'\\'))));
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');

  // The test binary carries a version resource of its own (version.rc).
  VersionNumbers version = system.Version();
  EXPECT_EQ(version.Major, 3);
  EXPECT_EQ(version.Minor, 47);

  // Read from the resource bytes alone: damaged ones give no version.
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  ASSERT_NE(found, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
  const std::vector<unsigned char> good(bytes, bytes + SizeofResource(nullptr, found));
  struct Case {
    const char* Damage;
    std::size_t Offset;  // the byte flipped; past the end: cut to Length instead
    std::size_t Length;
  };
  const Case cases[] = {
      {"cut inside the fixed part", good.size(), 40 + 51},
      {"key changed", 8, good.size()},
      {"signature changed", 40, good.size()},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Damage);
    std::vector<unsigned char> damaged(good.begin(), good.begin() + test.Length);
    if (test.Offset < damaged.size()) damaged[test.Offset] ^= 0x5A;
    VersionNumbers none;
    EXPECT_FALSE(FixedFileVersion(damaged.data(), damaged.size(), none));
  }
  VersionNumbers fromBytes;
  EXPECT_TRUE(FixedFileVersion(good.data(), good.size(), fromBytes));
  EXPECT_EQ(fromBytes.Minor, 47);
}

TEST(SystemToUpper, FollowsTheLocaleAndKeepsLength) {
  struct Case {
    const char* Text;
    const char* Upper;
  };
  const Case cases[] = {
      {"", ""},
      {"save as /w:x 123", "SAVE AS /W:X 123"},
      {"SETUP", "SETUP"},
      // Sharp s has no single upper-case letter; it stays, so lengths still line up.
      {"stra\xC3\x9F"
       "e \xC3\xA4\xC3\xB6\xC3\xBC",
       "STRA\xC3\x9F"
       "E \xC3\x84\xC3\x96\xC3\x9C"},
      {"\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
       "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2"},
      {"\xF0\x9D\x84\x9E"
       "a",
       "\xF0\x9D\x84\x9E"
       "A"},
  };
  Win32System system;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(system.ToUpper(c.Text), c.Upper);
  }
}

// What this session lets us do, as Wine and an interactive Windows session both answer it.
TEST(SystemRefusals, OwnLevelStationAndInputDesktopAreRead) {
  // At least low integrity (0x1000); unreadable would be -1.
  EXPECT_GE(IntegrityLevel(nullptr), 0x1000);
  EXPECT_TRUE(Win32System().StationVisible());
  EXPECT_FALSE(Win32System().InServicesSession());
  EXPECT_TRUE(Win32Keyboard().DesktopReceivesInput());
}

// Letters on their capital's key, capitals with Shift, digits on their own keys.
class MadeUpLayout final : public IKeyLayout {
 public:
  std::int16_t KeyScan(char16_t Character) const override {
    if (Character >= u'a' && Character <= u'z') return static_cast<std::int16_t>(Character - 0x20);
    if (Character >= u'A' && Character <= u'Z') return static_cast<std::int16_t>(0x100 | Character);
    if (Character >= u'0' && Character <= u'9') return static_cast<std::int16_t>(Character);
    return -1;
  }
  std::uint16_t ScanCode(std::uint32_t Vk) const override {
    return static_cast<std::uint16_t>(Vk + 0x100);
  }
};

// What the window in front reads from records, as Windows turns them into characters: Caps Lock
// toggles when pressed and turns the case of letters only; a key pressed with Ctrl or Alt is a
// chord, written with its modifiers ("^+S") whatever Caps Lock says.
struct Reading {
  std::string Text;
  bool CapsLock;
  std::set<std::uint16_t> Down;
};

Reading Read(const std::vector<KeyInput>& Records, bool CapsLock,
             const std::vector<std::uint16_t>& Held = {}, bool ShiftLock = false) {
  Reading reading{"", CapsLock, {Held.begin(), Held.end()}};
  const auto down = [&](std::initializer_list<std::uint16_t> Vks) {
    return std::any_of(Vks.begin(), Vks.end(),
                       [&](std::uint16_t Vk) { return reading.Down.count(Vk) != 0; });
  };
  for (const KeyInput& record : Records) {
    // Unicode input is a character of its own, which holds no key down; none is used here.
    if ((record.Flags & kKeyInputUnicode) != 0) continue;
    if ((record.Flags & kKeyInputKeyUp) != 0) {
      reading.Down.erase(record.Vk);
      continue;
    }
    // Under shift lock Caps Lock only turns it on, and a Shift press turns it off.
    const bool pressed = reading.Down.count(record.Vk) == 0;
    if (record.Vk == VK_CAPITAL && pressed) reading.CapsLock = ShiftLock || !reading.CapsLock;
    const bool shiftKey = record.Vk == VK_SHIFT || record.Vk == VK_LSHIFT || record.Vk == VK_RSHIFT;
    if (ShiftLock && shiftKey && pressed) reading.CapsLock = false;
    reading.Down.insert(record.Vk);
    const bool shift = down({VK_SHIFT, VK_LSHIFT, VK_RSHIFT});
    const bool ctrl = down({VK_CONTROL, VK_LCONTROL, VK_RCONTROL});
    const bool alt = down({VK_MENU, VK_LMENU, VK_RMENU});
    const bool letter = record.Vk >= 'A' && record.Vk <= 'Z';
    if (!letter && !(record.Vk >= '0' && record.Vk <= '9')) continue;
    if (ctrl || alt) {
      reading.Text += std::string(ctrl ? "^" : "") + (alt ? "%" : "") + (shift ? "+" : "");
      reading.Text += static_cast<char>(record.Vk);
    } else if (letter) {
      reading.Text += static_cast<char>(shift != reading.CapsLock ? record.Vk : record.Vk + 0x20);
    } else {
      reading.Text += shift ? '?' : static_cast<char>(record.Vk);
    }
  }
  return reading;
}

class StaleCapsLock final : public ICapsLockSource {
 public:
  StaleCapsLock(std::optional<bool> Front, bool Own, bool Shift)
      : front_(Front), own_(Own), shift_(Shift) {}
  std::optional<bool> FrontToggle() override { return front_; }
  bool OwnToggle() override { return own_; }
  bool ShiftLock() override { return shift_; }

 private:
  std::optional<bool> front_;
  bool own_;
  bool shift_;
};

TEST(KeyboardCapsLock, LettersArriveAsWrittenAndCapsLockIsLeftAsItWas) {
  const MadeUpLayout layout;
  struct Case {
    std::string Keys;
    std::string Read;
    bool Toggles = false;  // the keys press Caps Lock themselves
    std::vector<std::uint16_t> Held;
  } cases[] = {
      {"aBc+d", "aBcD", false, {}},
      {"Hello World 2026", "HelloWorld2026", false, {}},
      {"%a^s", "%A^S", false, {}},
      {"^+s%+f", "^+S%+F", false, {}},
      {"{CAPSLOCK}ab", "AB", true, {}},
      {"aB", "aB", false, {VK_LCONTROL}},
      {"x+y", "xY", false, {VK_LSHIFT, VK_RMENU}},
  };
  for (const Case& c : cases) {
    const KeyParseResult parsed = ParseKeyString(c.Keys);
    ASSERT_EQ(parsed.Error, 0) << c.Keys;
    const std::vector<KeyInput> keys = TranslateKeyEvents(parsed.Events, layout);
    for (const bool capsLock : {false, true}) {
      for (const bool shiftLock : {false, true}) {
        SCOPED_TRACE(c.Keys + (capsLock ? " with Caps Lock on" : " with Caps Lock off") +
                     (shiftLock ? ", Shift turning it off" : ""));
        // Our own thread's view is stale; the window in front reads the keys.
        StaleCapsLock stale(capsLock, !capsLock, shiftLock);
        const CapsLockState state = ReadCapsLock(stale);
        StaleCapsLock hungFront(std::nullopt, capsLock, shiftLock);
        EXPECT_EQ(ReadCapsLock(hungFront).On, capsLock);
        const std::vector<KeyInput> records = AroundCapsLockAndHeld(keys, state, c.Held, layout);
        const Reading read = Read(records, capsLock, c.Held, shiftLock);
        EXPECT_EQ(read.Text, c.Read);
        EXPECT_EQ(read.CapsLock, shiftLock ? capsLock || c.Toggles : capsLock != c.Toggles);
        EXPECT_EQ(read.Down, std::set<std::uint16_t>(c.Held.begin(), c.Held.end()));
        if (!capsLock) {
          EXPECT_EQ(records, AroundHeldModifiers(keys, c.Held, layout));
        }
        if (!c.Held.empty() || c.Toggles) continue;
        // Taken in part, the repairs too: what went through stays typed, and Caps Lock is put
        // back or said to be left off.
        for (std::size_t taken = 0; taken <= records.size(); ++taken) {
          const std::vector<KeyInput> repairs = ReleasesAfterPartialSend(records, taken, state);
          for (std::size_t repaired = 0; repaired <= repairs.size(); ++repaired) {
            std::vector<KeyInput> sent(records.begin(), records.begin() + static_cast<long>(taken));
            sent.insert(sent.end(), repairs.begin(), repairs.begin() + static_cast<long>(repaired));
            const Reading partial = Read(sent, capsLock, {}, shiftLock);
            const std::string at = std::to_string(taken) + "+" + std::to_string(repaired);
            EXPECT_EQ(partial.CapsLock != capsLock, CapsLockLeftOff(repairs, repaired)) << at;
            EXPECT_EQ(c.Read.substr(0, partial.Text.size()), partial.Text) << at;
            if (repaired == repairs.size()) {
              EXPECT_TRUE(partial.Down.empty()) << at;
            }
          }
        }
      }
    }
  }
}

TEST(KeyboardLayout, AThreadWithoutALayoutGivesWayToTheFocusThenTheSystem) {
  struct Case {
    LayoutReadings Readings;
    std::uintptr_t Chosen;
  } cases[] = {
      {{0x04090409, 0x04070407, 0x040C040C, 0x04100410}, 0x04090409},
      // A console program's window: its thread reports none.
      {{0, 0x04070407, 0x040C040C, 0x04100410}, 0x04070407},
      {{0, 0, 0x040C040C, 0x04100410}, 0x040C040C},
      {{0, 0, 0, 0x04100410}, 0x04100410},
  };
  for (const Case& c : cases) EXPECT_EQ(ReceivingLayout(c.Readings), c.Chosen);
}

TEST(KeyboardHeldModifiers, AreLiftedAroundTheKeysAndPressedAgain) {
  const MadeUpLayout layout;
  const std::vector<KeyInput> keys = {{'Y', 0x159, 0}, {'Y', 0x159, kKeyInputKeyUp}};
  const auto up = [](std::uint16_t Vk, std::uint32_t Flags = 0) {
    return KeyInput{Vk, static_cast<std::uint16_t>(Vk + 0x100), Flags | kKeyInputKeyUp};
  };
  const auto down = [](std::uint16_t Vk, std::uint32_t Flags = 0) {
    return KeyInput{Vk, static_cast<std::uint16_t>(Vk + 0x100), Flags};
  };
  struct Case {
    std::vector<std::uint16_t> Held;
    std::vector<KeyInput> Expected;
  } cases[] = {
      {{}, keys},
      {{VK_LCONTROL}, {up(VK_LCONTROL), keys[0], keys[1], down(VK_LCONTROL)}},
      {{VK_LSHIFT, VK_RCONTROL},
       {up(VK_LSHIFT), up(VK_RCONTROL, kKeyInputExtended), keys[0], keys[1], down(VK_LSHIFT),
        down(VK_RCONTROL, kKeyInputExtended)}},
      // Alt or Win let go alone would open a menu: an unassigned key comes between.
      {{VK_LMENU}, {down(0xE8), up(0xE8), up(VK_LMENU), keys[0], keys[1], down(VK_LMENU)}},
      {{VK_RWIN},
       {down(0xE8), up(0xE8), up(VK_RWIN, kKeyInputExtended), keys[0], keys[1],
        down(VK_RWIN, kKeyInputExtended)}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AroundHeldModifiers(keys, c.Held, layout), c.Expected) << c.Held.size();
  }
  EXPECT_TRUE(AroundHeldModifiers({}, {VK_LCONTROL}, layout).empty());
}

}  // namespace
}  // namespace tollivox::win32
