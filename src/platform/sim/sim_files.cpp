// The simulated desktop's files: Windows paths kept inside a private folder, with the share
// modes and the errors Windows gives.
#include <algorithm>
#include <fstream>
#include <system_error>

#include "errors/errors.h"
#include "platform/sim/sim_desktop.h"

namespace tollivox::sim {

namespace fs = std::filesystem;

class SimDesktop::AppendFile final : public IAppendFile {
 public:
  AppendFile(SimDesktop& Owner, int Token, fs::path Path)
      : owner_(Owner), token_(Token), out_(Path, std::ios::binary | std::ios::app) {}
  ~AppendFile() override { (void)Close(); }
  Status Write(std::string_view Text) override {
    if (closed_) return {kErrBadFileNameOrNumber, ErrorDescription(kErrBadFileNameOrNumber)};
    out_.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    out_.flush();
    if (!out_) return {57, ErrorDescription(57)};
    return Status::Success();
  }
  Status Close() override {
    if (!closed_) {
      closed_ = true;
      out_.close();
      owner_.Release(token_);
    }
    return Status::Success();
  }

 private:
  SimDesktop& owner_;
  int token_;
  std::ofstream out_;
  bool closed_ = false;
};

// ---------------------------------------------------------------- files

std::string SimDesktop::Key(const std::string& WindowsPath) const {
  std::string key = UpperUtf8(WindowsPath);
  std::replace(key.begin(), key.end(), '/', '\\');
  return key;
}

fs::path SimDesktop::RealPath(const std::string& WindowsPath) const {
  std::string relative = WindowsPath;
  if (relative.size() >= 2 && relative[1] == ':')
    relative = relative.substr(0, 1) + relative.substr(2);
  std::replace(relative.begin(), relative.end(), '\\', '/');
  // A ".." never climbs above the private folder: tests and fuzzers pass paths they did not
  // choose, and those must not reach the real file system.
  fs::path confined = root_;
  for (const fs::path& part : fs::path(relative)) {
    if (part == "..") {
      if (confined != root_) confined = confined.parent_path();
    } else if (!part.empty() && part != "." && part != "/") {
      confined /= part;
    }
  }
  return confined;
}

std::string SimDesktop::ReadFile(const std::string& WindowsPath) const {
  std::ifstream in(RealPath(WindowsPath), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void SimDesktop::WriteFile(const std::string& WindowsPath, const std::string& Content) {
  fs::path path = RealPath(WindowsPath);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << Content;
}

void SimDesktop::MakeFolder(const std::string& WindowsPath) {
  fs::create_directories(RealPath(WindowsPath));
}

std::int32_t SimDesktop::MissingError(const std::string& WindowsPath) const {
  fs::path path = RealPath(WindowsPath);
  if (WindowsPath.empty() || WindowsPath.find_first_of("*?\"<>|") != std::string::npos) {
    return kErrBadFileNameOrNumber;
  }
  // A name the host file system refuses (a part longer than it allows, say) is a bad file name,
  // not an exception out of the simulated desktop.
  auto type = [](const fs::path& Where) {
    std::error_code error;
    const fs::file_type found = fs::status(Where, error).type();
    return error && found != fs::file_type::not_found ? fs::file_type::unknown : found;
  };
  const fs::file_type folder = type(path.parent_path());
  const fs::file_type file = type(path);
  if (folder == fs::file_type::unknown || file == fs::file_type::unknown) {
    return kErrBadFileNameOrNumber;
  }
  if (folder != fs::file_type::directory) return kErrPathNotFound;
  if (file == fs::file_type::directory) return kErrPathFileAccess;
  return 0;
}

std::int32_t SimDesktop::Register(const std::string& FileKey, Sharing Access, Sharing Share,
                                  int& Token) {
  for (const auto& [token, other] : open_) {
    if (other.Key != FileKey) continue;
    bool conflict = (Access.Read && !other.Share.Read) || (Access.Write && !other.Share.Write) ||
                    (other.Access.Read && !Share.Read) || (other.Access.Write && !Share.Write);
    if (conflict) return kErrPermissionDenied;
  }
  Token = nextToken_++;
  open_[Token] = {FileKey, Access, Share};
  return 0;
}

int SimDesktop::HoldOpen(const std::string& WindowsPath, Sharing Access, Sharing Share) {
  int token = 0;
  if (Register(Key(WindowsPath), Access, Share, token) != 0) return 0;
  return token;
}

void SimDesktop::Release(int Token) { open_.erase(Token); }

bool SimDesktop::Exists(const std::string& Path) {
  std::error_code error;
  return !Path.empty() && fs::is_regular_file(RealPath(Path), error);
}

Status SimDesktop::Delete(const std::string& Path) {
  if (!Exists(Path)) return {kErrFileNotFound, ErrorDescription(kErrFileNotFound)};
  for (const auto& [token, other] : open_) {
    if (other.Key == Key(Path))
      return {kErrPermissionDenied, ErrorDescription(kErrPermissionDenied)};
  }
  fs::remove(RealPath(Path));
  ages_.erase(Key(Path));
  return Status::Success();
}

AppendOpenResult SimDesktop::OpenAppend(const std::string& Path) {
  if (std::int32_t error = MissingError(Path)) return {{error, ErrorDescription(error)}, nullptr};
  // As Windows refuses them: a read-only file with access denied, a write-protected medium
  // with its own error; neither because of another open.
  if (readOnly_.count(Key(Path)) != 0 && Exists(Path)) {
    return {{kErrPathFileAccess, ErrorDescription(kErrPathFileAccess)}, nullptr};
  }
  if (WriteProtected) {
    return {{kErrPermissionDenied, ErrorDescription(kErrPermissionDenied)}, nullptr};
  }
  int token = 0;
  if (std::int32_t error = Register(Key(Path), {false, true}, {true, false}, token)) {
    return {{error, ErrorDescription(error)}, nullptr, true};
  }
  ages_.erase(Key(Path));
  return {Status::Success(), std::make_unique<AppendFile>(*this, token, RealPath(Path))};
}

std::int32_t SimDesktop::TrialOpenReadLocked(const std::string& Path) {
  ++TrialOpens;
  if (std::int32_t error = MissingError(Path)) return error;
  if (!Exists(Path)) return kErrFileNotFound;
  int token = 0;
  if (std::int32_t error = Register(Key(Path), {true, false}, {false, true}, token)) return error;
  Release(token);
  return 0;
}

Status SimDesktop::ReadLines(const std::string& Path,
                             const std::function<void(std::string_view Line)>& OnLine) {
  if (std::int32_t error = MissingError(Path)) return {error, ErrorDescription(error)};
  if (!Exists(Path)) return {kErrFileNotFound, ErrorDescription(kErrFileNotFound)};
  int token = 0;
  if (std::int32_t error = Register(Key(Path), {true, false}, {true, true}, token)) {
    return {error, ErrorDescription(error)};
  }
  std::string content = ReadFile(Path);
  Release(token);
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    std::size_t next = end == std::string::npos ? content.size() : end + 1;
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    OnLine(line);
    start = next;
  }
  return Status::Success();
}

Status SimDesktop::CreateEmpty(const std::string& Path) {
  if (std::int32_t error = MissingError(Path)) return {error, ErrorDescription(error)};
  int token = 0;
  if (std::int32_t error = Register(Key(Path), {false, true}, {false, false}, token)) {
    return {error, ErrorDescription(error)};
  }
  std::ofstream(RealPath(Path), std::ios::binary | std::ios::trunc);
  Release(token);
  ages_.erase(Key(Path));
  return Status::Success();
}

double SimDesktop::AgeSeconds(const std::string& Path) {
  if (!Exists(Path)) return -1;
  auto it = ages_.find(Key(Path));
  return it == ages_.end() ? 0 : it->second;
}

}  // namespace tollivox::sim
