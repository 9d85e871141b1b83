// The download as a user gets it: the tollivox.exe and Shutdown.exe of an unzipped zip, run where
// they lie. TOLLIVOX_EXE names the program; scripts/test unzips each zip into
// C:\Program Files\Tollivox and runs this against it. Only the stand-in ends no session, so the
// shipped Shutdown.exe is only asked for its usage.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "e2e_support.h"
#include "planting.h"

namespace tollivox::e2e {
namespace {

using testing::AnyOf;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::StartsWith;

// What the PE headers and resources of a program file say, read from its bytes (a 32-bit file
// too, from a 64-bit test).
struct PeFile {
  bool Valid = false;
  bool Pe64 = false;
  std::uint16_t DllCharacteristics = 0;
  std::uint32_t RelocationSize = 0;
  std::vector<std::string> Imports;    // lower case
  std::vector<std::string> Functions;  // "library!name", as spelt; ordinals as "library!#n"
  std::string Manifest;
};

template <typename T>
T At(const std::string& Bytes, std::size_t Offset) {
  T value{};
  if (Offset + sizeof value <= Bytes.size())
    std::memcpy(&value, Bytes.data() + Offset, sizeof value);
  return value;
}

PeFile ReadPe(const std::string& Bytes) {
  PeFile pe;
  const auto header = At<std::uint32_t>(Bytes, 0x3C);
  if (At<std::uint32_t>(Bytes, header) != 0x00004550) return pe;  // "PE\0\0"
  const std::size_t fileHeader = header + 4;
  const auto sections = At<std::uint16_t>(Bytes, fileHeader + 2);
  const std::size_t optional = fileHeader + 20;
  const std::size_t sectionTable = optional + At<std::uint16_t>(Bytes, fileHeader + 16);
  pe.Pe64 = At<std::uint16_t>(Bytes, optional) == 0x20B;
  pe.DllCharacteristics = At<std::uint16_t>(Bytes, optional + 70);
  const std::size_t directories = optional + (pe.Pe64 ? 112 : 96);
  auto fileOffset = [&](std::uint32_t Rva) -> std::size_t {
    for (std::uint16_t i = 0; i < sections; ++i) {
      const std::size_t section = sectionTable + i * 40u;
      const auto address = At<std::uint32_t>(Bytes, section + 12);
      const auto size = At<std::uint32_t>(Bytes, section + 16);
      if (Rva >= address && Rva < address + size) {
        return Rva - address + At<std::uint32_t>(Bytes, section + 20);
      }
    }
    return Bytes.size();
  };
  auto text = [&](std::size_t Offset) {
    const std::size_t end = std::min(Bytes.find('\0', Offset), Bytes.size());
    return Offset < Bytes.size() ? Bytes.substr(Offset, end - Offset) : std::string();
  };
  // Import directory: 20-byte descriptors up to an empty one; the name at offset 12, the lookup
  // table at 0 (or else the address table at 16): one entry per function, up to a zero one, each
  // an ordinal (top bit) or the address of a 2-byte hint and the name.
  const std::size_t thunkSize = pe.Pe64 ? 8 : 4;
  for (std::size_t entry = fileOffset(At<std::uint32_t>(Bytes, directories + 8));
       entry + 20 <= Bytes.size() && At<std::uint32_t>(Bytes, entry + 12) != 0; entry += 20) {
    std::string name = text(fileOffset(At<std::uint32_t>(Bytes, entry + 12)));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    pe.Imports.push_back(name);
    const auto lookup = At<std::uint32_t>(Bytes, entry);
    for (std::size_t thunk =
             fileOffset(lookup != 0 ? lookup : At<std::uint32_t>(Bytes, entry + 16));
         thunk + thunkSize <= Bytes.size(); thunk += thunkSize) {
      const std::uint64_t value =
          pe.Pe64 ? At<std::uint64_t>(Bytes, thunk) : At<std::uint32_t>(Bytes, thunk);
      if (value == 0) break;
      const bool byOrdinal = value >> (8 * thunkSize - 1) != 0;
      pe.Functions.push_back(name + "!" +
                             (byOrdinal ? "#" + std::to_string(value & 0xFFFF)
                                        : text(fileOffset(static_cast<std::uint32_t>(value)) + 2)));
    }
  }
  pe.RelocationSize = At<std::uint32_t>(Bytes, directories + 5 * 8 + 4);
  // Resources: type RT_MANIFEST (24), then the first name and language, then the data entry.
  const std::size_t resources = fileOffset(At<std::uint32_t>(Bytes, directories + 2 * 8));
  auto child = [&](std::size_t Directory, std::uint32_t Id) -> std::size_t {
    const std::size_t count =
        At<std::uint16_t>(Bytes, Directory + 12) + At<std::uint16_t>(Bytes, Directory + 14);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t entry = Directory + 16 + i * 8;
      if (Id != 0 && At<std::uint32_t>(Bytes, entry) != Id) continue;
      return resources + (At<std::uint32_t>(Bytes, entry + 4) & 0x7FFFFFFFu);
    }
    return Bytes.size();
  };
  const std::size_t data = child(child(child(resources, 24), 0), 0);
  if (data < Bytes.size()) {
    const std::size_t at = fileOffset(At<std::uint32_t>(Bytes, data));
    if (at < Bytes.size()) pe.Manifest = Bytes.substr(at, At<std::uint32_t>(Bytes, data + 4));
  }
  pe.Valid = true;
  return pe;
}

class Shipped : public E2eTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(InstalledProgram().empty()) << "TOLLIVOX_EXE names no program";
    ASSERT_TRUE(FileExists(InstalledProgram())) << Narrow(InstalledProgram());
    folder_ = InstalledProgram().substr(0, InstalledProgram().find_last_of(L'\\'));
    RemoveLeftovers();
  }
  void TearDown() override { RemoveLeftovers(); }

  std::wstring InFolder(std::wstring_view Name) const {
    return folder_ + L"\\" + std::wstring(Name);
  }

  std::wstring folder_;

 private:
  // What the runs leave in the program's folder.
  void RemoveLeftovers() const {
    for (const wchar_t* name : {L"run.log", L"Shutdown.args"}) DeleteFileW(InFolder(name).c_str());
    RemovePlantedLibraries(folder_, kCryptoLibraries);
  }
};

// Both programs: only libraries Windows protects from a copy planted beside them (KnownDLLs), every
// hardening flag, and the manifest.
TEST_F(Shipped, ProgramsImportOnlyProtectedLibrariesAndAreHardenedAndManifested) {
  const std::vector<std::string> kProtected = {"advapi32.dll", "gdi32.dll",  "kernel32.dll",
                                               "msvcrt.dll",   "ole32.dll",  "oleaut32.dll",
                                               "shell32.dll",  "user32.dll", "shlwapi.dll"};
  std::wstring shutdown = ShippedShutdown(folder_);
  if (!FileExists(shutdown)) shutdown = InFolder(L"Shutdown.exe");
  for (const std::wstring& program : {InstalledProgram(), shutdown}) {
    SCOPED_TRACE(Narrow(program));
    const std::string bytes = ReadFileBytes(program);
    const PeFile pe = ReadPe(bytes);
    ASSERT_TRUE(pe.Valid);
    EXPECT_THAT(pe.Imports, Contains("kernel32.dll"));
    for (const std::string& library : pe.Imports) EXPECT_THAT(kProtected, Contains(library));
    // Nothing of the CryptoAPI, whose libraries are no KnownDLLs: advapi32's Crypt* functions and
    // RtlGenRandom (SystemFunction036) load them from the search, the program's folder first.
    EXPECT_THAT(pe.Functions, Contains("kernel32.dll!GetSystemTimeAsFileTime"));
    for (const std::string& function : pe.Functions) {
      EXPECT_THAT(function, Not(AnyOf(HasSubstr("!Crypt"), HasSubstr("!SystemFunction0"))));
    }

    // ASLR (with the relocations it needs), DEP, terminal-server aware; high-entropy addresses in
    // the 64-bit build only.
    EXPECT_EQ(pe.DllCharacteristics & 0x8140, 0x8140) << std::hex << pe.DllCharacteristics;
    EXPECT_EQ((pe.DllCharacteristics & 0x20) != 0, pe.Pe64) << std::hex << pe.DllCharacteristics;
    EXPECT_GT(pe.RelocationSize, 0u);
    // The stack protector's report is linked in only where a function carries a canary.
    EXPECT_NE(bytes.find("stack smashing detected"), std::string::npos) << "no stack protector";

    EXPECT_THAT(pe.Manifest, HasSubstr("level=\"asInvoker\""));
    for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // Windows 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})  // 10 and 11
      EXPECT_THAT(pe.Manifest, HasSubstr(os));
    EXPECT_THAT(pe.Manifest, HasSubstr(">PerMonitorV2, PerMonitor</dpiAwareness>"));
    EXPECT_THAT(pe.Manifest, HasSubstr(">true/pm</dpiAware>"));
    EXPECT_THAT(pe.Manifest, HasSubstr(">true</longPathAware>"));
    EXPECT_THAT(pe.Manifest,
                HasSubstr("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
  }
}

// Neither program loads the CryptoAPI's libraries from its own folder, where the stack
// protector's guard once had them loaded at start.
TEST_F(Shipped, NoLibraryPlantedBesideTheProgramsIsLoaded) {
  ASSERT_TRUE(PlantLibraries(folder_, kCryptoLibraries));
  TestWindow& setup = Window("Setup Wizard");
  Tollivox& program = StartProgram("/W:Setup /K:{ENTER} /L:" + Narrow(LogPath()));
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_THAT(setup.WaitForReceived(1), StartsWith("\n"));
  EXPECT_THAT(LoadedLibraries(folder_, kCryptoLibraries), IsEmpty());

  Process shutdown = Process::Start(ShippedShutdown(folder_), "/?", Scratch.Path());
  HWND box = WaitForMessageBox(shutdown.Id(), "Tollivox Shutdown");
  ASSERT_NE(box, nullptr);
  PressButton(box, IDOK);
  EXPECT_EQ(shutdown.WaitForExit(), 0u);
  EXPECT_THAT(LoadedLibraries(folder_, kCryptoLibraries), IsEmpty());
}

TEST_F(Shipped, ShutdownProgramShowsItsUsage) {
  std::wstring shutdown = ShippedShutdown(folder_);
  if (!FileExists(shutdown)) shutdown = InFolder(L"Shutdown.exe");
  Process process = Process::Start(shutdown, "/?", Scratch.Path());
  HWND box = WaitForMessageBox(process.Id(), "Tollivox Shutdown");
  ASSERT_NE(box, nullptr);
  EXPECT_THAT(MessageBoxText(box), StartsWith("Usage: Shutdown.exe <Type>\n\n0 = Log off\n"));
  PressButton(box, IDOK);
  EXPECT_EQ(process.WaitForExit(), 0u);
}

// The log goes to a folder users may write to: the program's own folder under Program Files is
// writable only by administrators (and by anyone under Wine run as root).
TEST_F(Shipped, TypicalRunLogsWhereToldAndEndsByItself) {
  TestWindow& setup = Window("Setup Wizard");
  const std::string arguments = "/W:Setup /K:{ENTER} /L:" + Narrow(LogPath());
  Tollivox& program = StartProgram(arguments);
  // The caption carries the version of the build.
  EXPECT_NE(program.WaitForConsole(), nullptr);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);

  const std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 4u) << testing::PrintToString(texts);
  EXPECT_EQ(texts.front(), ">>>>> Loaded with '" + arguments + "'");
  EXPECT_THAT(
      std::vector(texts.end() - 2, texts.end()),
      ElementsAre("Dealt with all windows for counts and timeouts specified", ">>>>> Unloaded"));
  EXPECT_THAT(setup.WaitForReceived(1), StartsWith("\n"));
  EXPECT_FALSE(FileExists(InFolder(L"run.log")));
}

TEST_F(Shipped, BoxesAndExitCodes) {
  struct Case {
    std::string Arguments;
    std::string Text;
    DWORD ExitCode;
  };
  const Case cases[] = {
      {"/?", "Tollivox Command Line Options:\n", kExitFinished},
      {"/L:" + Narrow(LogPath()), "ERROR: Incorrect syntax was used.\n", kExitRefused},
      {"/W:Setup /E:no-such-program.exe /L:" + Narrow(LogPath()),
       "ERROR: The executable file specified 'no-such-program.exe' was not located.", kExitFatal},
      {"/W:Setup /L:" + Narrow(Scratch.File(L"no\\such\\folder.log")),
       "An unexpected internal error was encountered in module 'Add2Log'.", kExitLogFailure},
  };
  Window("Setup Wizard");
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Arguments);
    Tollivox program(Scratch);
    program.Start(test.Arguments);
    HWND box = WaitForMessageBox(program.ProcessId(), AppTitle());
    ASSERT_NE(box, nullptr);
    EXPECT_THAT(MessageBoxText(box), StartsWith(test.Text));
    PressButton(box, IDOK);
    EXPECT_EQ(program.WaitForExit(), test.ExitCode);
  }
}

TEST_F(Shipped, ShutdownCommandStartsTheShutdownProgramBesideIt) {
  TestWindow& target = Window("Session window");
  Tollivox& program = StartProgram("/W:Session /E:$SHUT 2 /K:k /L:" + Narrow(LogPath()));
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  const std::wstring record = InFolder(L"Shutdown.args");
  ASSERT_TRUE(WaitUntil([&] { return FileExists(record); })) << "Shutdown.exe was not started";
  EXPECT_EQ(ReadFileBytes(record), "2\n");
  EXPECT_EQ(target.Received(), "");
}

}  // namespace
}  // namespace tollivox::e2e
