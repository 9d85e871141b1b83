#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "helpers.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

using test::HelperProcess;
using test::NamedEvent;
using test::Quoted;
using test::ScratchFolder;
using test::UniqueName;

std::string ReadBytes(const std::string& Path) {
  std::ifstream in(std::filesystem::path(Widen(Path)), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream out(std::filesystem::path(Widen(Path)), std::ios::binary);
  out << Bytes;
}

std::vector<std::string> Lines(Win32Files& Files, const std::string& Path, Status& Result) {
  std::vector<std::string> lines;
  Result = Files.ReadLines(Path, [&](std::string_view Line) { lines.emplace_back(Line); });
  return lines;
}

// Another process holding a file open in one of the helper's modes for as long as it lives.
class HeldFile {
 public:
  HeldFile(const std::wstring& Mode, const std::string& Path)
      : events_(UniqueName(L"hold")),
        ready_(events_ + L".ready"),
        release_(events_ + L".release"),
        helper_(L"--hold-file " + Mode + L" " + Quoted(Widen(Path)) + L" " + events_) {}
  ~HeldFile() {
    release_.Set();
    helper_.WaitForExit(10000);
  }
  bool Holding() { return test::WaitUntilReady(ready_, helper_); }

 private:
  std::wstring events_;
  NamedEvent ready_;
  NamedEvent release_;
  HelperProcess helper_;
};

TEST(FilesSharing, AnotherProcessHoldingTheFileDecidesWhatWeMayDo) {
  // What a second copy of the program sees while the first holds the log in each way.
  struct Case {
    const wchar_t* Mode;
    std::int32_t Trial;   // the busy test's result
    std::int32_t Append;  // the append open's error number
    std::int32_t Read;    // the viewer's plain read
    std::int32_t Delete;
  };
  const Case cases[] = {
      // Another copy appending: the busy test passes, but our own append open is refused.
      {L"append", 0, kErrPermissionDenied, 0, kErrPermissionDenied},
      // Another copy's busy test (read, sharing write only): we may append but not test.
      {L"readlocked", kErrPermissionDenied, 0, kErrPermissionDenied, kErrPermissionDenied},
      // Another program holding the file with no sharing at all.
      {L"exclusive", kErrPermissionDenied, kErrPermissionDenied, kErrPermissionDenied,
       kErrPermissionDenied},
  };
  ScratchFolder folder;
  Win32Files files(UniqueName(L"mutex"));
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.Mode));
    std::string path = folder.File(L"shared log.txt");
    WriteBytes(path, "first\r\n");
    {
      HeldFile held(c.Mode, path);
      ASSERT_TRUE(held.Holding());
      EXPECT_EQ(files.TrialOpenReadLocked(path), c.Trial);
      AppendOpenResult append = files.OpenAppend(path);
      EXPECT_EQ(append.Result.Number, c.Append);
      if (append.Result.Ok()) {
        EXPECT_TRUE(append.File->Close().Ok());
      } else {
        EXPECT_EQ(append.Result.Description, "Permission denied");
        EXPECT_TRUE(append.HeldByOther) << "a refusal worth waiting for";
      }
      Status read;
      std::vector<std::string> lines = Lines(files, path, read);
      EXPECT_EQ(read.Number, c.Read);
      if (read.Ok()) {
        std::vector<std::string> expected{"first"};
        if (std::wstring(c.Mode) == L"append") expected.push_back("held");
        EXPECT_EQ(lines, expected);
      }
      EXPECT_EQ(files.Delete(path).Number, c.Delete);
    }
    // Once the other process has let go, everything works again.
    EXPECT_EQ(files.TrialOpenReadLocked(path), 0);
    EXPECT_TRUE(files.Delete(path).Ok());
    EXPECT_FALSE(files.Exists(path));
  }
}

TEST(FilesErrors, FailuresCarryTheNumbersAUserSees) {
  ScratchFolder folder;
  Win32Files files(UniqueName(L"mutex"));
  std::string missing = folder.File(L"missing.log");
  std::string inMissingFolder = folder.File(L"no such folder\\x.log");
  std::string badName = folder.File(L"bad<name>.log");
  std::string aFolder = folder.File(L"sub");
  CreateDirectoryW(Widen(aFolder).c_str(), nullptr);

  EXPECT_EQ(files.TrialOpenReadLocked(missing), kErrFileNotFound);
  EXPECT_EQ(files.TrialOpenReadLocked(inMissingFolder), kErrPathNotFound);
  EXPECT_EQ(files.Delete(missing).Number, kErrFileNotFound);
  Status read = files.ReadLines(missing, [](std::string_view) {});
  EXPECT_EQ(read.Number, kErrFileNotFound);
  EXPECT_EQ(read.Description, "File not found");

  AppendOpenResult append = files.OpenAppend(inMissingFolder);
  EXPECT_EQ(append.Result.Number, kErrPathNotFound);
  EXPECT_EQ(append.Result.Description, "Path not found");
  EXPECT_EQ(append.File, nullptr);
  EXPECT_EQ(files.OpenAppend(badName).Result.Number, kErrBadFileNameOrNumber);
  EXPECT_EQ(files.OpenAppend(aFolder).Result.Number, kErrPathFileAccess);
  // Refused by no other program's open (access denied on a folder, say): nothing to wait for.
  for (const std::string& path : {inMissingFolder, badName, aFolder}) {
    EXPECT_FALSE(files.OpenAppend(path).HeldByOther) << path;
  }
  // A read-only log, where the system refuses writing it (Wine run by root does not).
  std::string readOnly = folder.File(L"read-only.log");
  WriteBytes(readOnly, "first\r\n");
  ASSERT_TRUE(SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE probe = CreateFileW(Widen(readOnly).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) {
    AppendOpenResult refused = files.OpenAppend(readOnly);
    EXPECT_EQ(refused.Result.Number, kErrPathFileAccess);
    EXPECT_FALSE(refused.HeldByOther);
  } else {
    CloseHandle(probe);
  }
  SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(files.CreateEmpty(inMissingFolder).Number, kErrPathNotFound);

  // A folder is not a file.
  EXPECT_FALSE(files.Exists(aFolder));
  EXPECT_FALSE(files.Exists(missing));
}

TEST(FilesLog, AppendsAnsiTextAndReadsItBackLineByLine) {
  ScratchFolder folder;
  Win32Files files(UniqueName(L"mutex"));
  std::string path = folder.File(L"caf\u00E9.log");
  ASSERT_FALSE(files.Exists(path));

  for (const char* text : {"Loaded \xC3\xA9\r\n", "second\r\n"}) {
    AppendOpenResult append = files.OpenAppend(path);
    ASSERT_TRUE(append.Result.Ok()) << append.Result.Number;
    EXPECT_TRUE(append.File->Write(text).Ok());
    EXPECT_TRUE(append.File->Close().Ok());
  }
  EXPECT_TRUE(files.Exists(path));
  if (GetACP() == 1252) {
    EXPECT_EQ(ReadBytes(path), "Loaded \xE9\r\nsecond\r\n");
  }
  EXPECT_EQ(ReadBytes(path), ToAnsi("Loaded \xC3\xA9\r\nsecond\r\n"));

  Status read;
  EXPECT_EQ(Lines(files, path, read), (std::vector<std::string>{"Loaded \xC3\xA9", "second"}));
  EXPECT_TRUE(read.Ok());
}

TEST(FilesLog, ReadLinesSplitsAtLineFeeds) {
  struct Case {
    const char* Name;
    std::string Bytes;
    std::vector<std::string> Lines;
  };
  std::string longLine(200000, 'x');  // longer than one read
  const Case cases[] = {
      {"empty file", "", {}},
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lone lf", "a\nb\n", {"a", "b"}},
      {"last line unterminated", "a\r\nb", {"a", "b"}},
      {"empty lines kept", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
      {"lone cr stays in the line", "a\rb\r\n", {"a\rb"}},
      {"long line", longLine + "\r\nend", {longLine, "end"}},
  };
  ScratchFolder folder;
  Win32Files files(UniqueName(L"mutex"));
  std::string path = folder.File(L"lines.log");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteBytes(path, c.Bytes);
    Status read;
    EXPECT_EQ(Lines(files, path, read), c.Lines);
    EXPECT_TRUE(read.Ok());
  }
}

TEST(FilesLog, CreateEmptyTruncatesAndAgeFollowsTheLastWrite) {
  ScratchFolder folder;
  Win32Files files(UniqueName(L"mutex"));
  std::string path = folder.File(L"run.log.RLK");
  EXPECT_LT(files.AgeSeconds(path), 0.0);

  WriteBytes(path, "old text");
  ASSERT_TRUE(files.CreateEmpty(path).Ok());
  EXPECT_EQ(ReadBytes(path), "");
  double fresh = files.AgeSeconds(path);
  EXPECT_GE(fresh, 0.0);
  EXPECT_LT(fresh, 60.0);

  // Pretend the last write was an hour ago.
  {
    HANDLE file =
        CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{};
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart -= 3600ULL * 10000000ULL;
    FILETIME hourAgo{time.LowPart, time.HighPart};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &hourAgo));
    CloseHandle(file);
  }
  double old = files.AgeSeconds(path);
  EXPECT_GT(old, 3590.0);
  EXPECT_LT(old, 3700.0);
}

TEST(FilesInstance, ASecondHolderOfTheMutexSeesThePreviousOne) {
  std::wstring name = L"Local\\" + UniqueName(L"instance");
  {
    Win32Files first(name);
    EXPECT_FALSE(first.PreviousInstanceRunning());
    Win32Files second(name);
    EXPECT_TRUE(second.PreviousInstanceRunning());
    EXPECT_FALSE(first.PreviousInstanceRunning());
  }
  // Both gone: the mutex went with them.
  Win32Files later(name);
  EXPECT_FALSE(later.PreviousInstanceRunning());
}

}  // namespace
}  // namespace tollivox::win32
