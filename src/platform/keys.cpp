#include "platform/keys.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace tollivox {
namespace {

struct NamedKey {
  std::string_view Name;
  std::uint32_t Vk;
};

// F1..F16 are recognised separately.
constexpr NamedKey kNamedKeys[] = {
    {"BACKSPACE", kVkBack},    {"BS", kVkBack},           {"BKSP", kVkBack},
    {"BREAK", kVkCancel},      {"CAPSLOCK", kVkCapital},  {"DELETE", kVkDelete},
    {"DEL", kVkDelete},        {"DOWN", kVkDown},         {"END", kVkEnd},
    {"ENTER", kVkReturn},      {"ESC", kVkEscape},        {"HELP", kVkHelp},
    {"HOME", kVkHome},         {"INSERT", kVkInsert},     {"INS", kVkInsert},
    {"LEFT", kVkLeft},         {"NUMLOCK", kVkNumLock},   {"PGDN", kVkNext},
    {"PGUP", kVkPrior},        {"PRTSC", kVkSnapshot},    {"RIGHT", kVkRight},
    {"SCROLLLOCK", kVkScroll}, {"TAB", kVkTab},           {"UP", kVkUp},
    {"ADD", kVkAdd},           {"SUBTRACT", kVkSubtract}, {"MULTIPLY", kVkMultiply},
    {"DIVIDE", kVkDivide},
};

constexpr std::size_t kLongestName = 10;  // SCROLLLOCK

struct NamedVerb {
  std::u32string_view Name;
  ControlVerb Verb;
};

constexpr NamedVerb kControlVerbs[] = {{U"CLICK", ControlVerb::Click},
                                       {U"CHECK", ControlVerb::Check},
                                       {U"UNCHECK", ControlVerb::Uncheck},
                                       {U"SETTEXT", ControlVerb::SetText},
                                       {U"SELECT", ControlVerb::Select}};

// Strict UTF-8: overlong forms, surrogates and values above U+10FFFF are rejected, since a
// string the user cannot have meant must not turn into arbitrary keystrokes.
bool DecodeUtf8(std::string_view Text, std::vector<char32_t>& Out) {
  Out.reserve(Text.size());
  std::size_t i = 0;
  while (i < Text.size()) {
    const auto lead = static_cast<unsigned char>(Text[i]);
    if (lead < 0x80) {
      Out.push_back(lead);
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      codePoint = lead & 0x1F;
      minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      codePoint = lead & 0x0F;
      minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      codePoint = lead & 0x07;
      minimum = 0x10000;
    } else {
      return false;
    }
    if (Text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(Text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return false;
    }
    Out.push_back(codePoint);
    i += length;
  }
  return true;
}

char32_t AsciiUpper(char32_t C) { return (C >= U'a' && C <= U'z') ? C - (U'a' - U'A') : C; }

std::optional<std::uint32_t> LookUpName(std::u32string_view Name) {
  if (Name.size() > kLongestName) return std::nullopt;
  std::array<char, kLongestName> upper{};
  for (std::size_t i = 0; i < Name.size(); ++i) {
    const char32_t c = AsciiUpper(Name[i]);
    if (c >= 0x80) return std::nullopt;
    upper[i] = static_cast<char>(c);
  }
  const std::string_view name(upper.data(), Name.size());
  for (const NamedKey& key : kNamedKeys) {
    if (key.Name == name) return key.Vk;
  }
  // F1..F16, written without leading zeros.
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' && name[1] >= '1' && name[1] <= '9') {
    unsigned number = static_cast<unsigned>(name[1] - '0');
    if (name.size() == 3) {
      if (name[2] < '0' || name[2] > '9') return std::nullopt;
      number = number * 10 + static_cast<unsigned>(name[2] - '0');
    }
    if (number >= 1 && number <= 16) return kVkF1 + (number - 1);
  }
  return std::nullopt;
}

// Modifiers held for the next key or group, in the order they were written.
struct ModifierList {
  std::array<std::uint32_t, 3> Vks{};
  std::size_t Count = 0;

  bool Contains(std::uint32_t Vk) const {
    for (std::size_t i = 0; i < Count; ++i) {
      if (Vks[i] == Vk) return true;
    }
    return false;
  }
  void Add(std::uint32_t Vk) {
    if (!Contains(Vk)) Vks[Count++] = Vk;
  }
};

struct OpenGroup {
  std::size_t Start;       // events before the group's modifiers were pressed
  std::size_t AfterDowns;  // events after them: nothing typed inside if still equal at ')'
  ModifierList Pressed;
};

class KeyStringParser {
 public:
  explicit KeyStringParser(const std::vector<char32_t>& Text) : text_(Text) {
    events_.reserve(Text.size() * 2);
  }

  bool Run() {
    while (pos_ < text_.size()) {
      const char32_t c = text_[pos_++];
      switch (c) {
        case U'+':
          pending_.Add(kVkShift);
          break;
        case U'^':
          pending_.Add(kVkControl);
          break;
        case U'%':
          pending_.Add(kVkMenu);
          break;
        case U'~':
          TypeKey(KeyKind::VirtualKey, kVkReturn, 1);
          break;
        case U'(':
          OpenParenthesis();
          break;
        case U')':
          if (!CloseParenthesis()) return false;
          break;
        case U'{':
          if (!ReadBrace()) return false;
          break;
        case U'}':
          return false;
        default:
          TypeKey(KeyKind::Character, c, 1);
          break;
      }
    }
    // A dangling modifier or an open group means the string was cut short.
    return pending_.Count == 0 && groups_.empty();
  }

  std::vector<KeyStep> TakeSteps() {
    FlushKeys();
    return std::move(steps_);
  }

 private:
  ModifierList PressPending() {
    ModifierList pressed;
    for (std::size_t i = 0; i < pending_.Count; ++i) {
      const std::uint32_t vk = pending_.Vks[i];
      if (held_.Contains(vk)) continue;  // an enclosing group already holds it
      events_.push_back({KeyKind::VirtualKey, vk, true});
      held_.Add(vk);
      pressed.Add(vk);
    }
    pending_ = {};
    return pressed;
  }

  void Forget(const ModifierList& Pressed) {
    ModifierList stillHeld;
    for (std::size_t i = 0; i < held_.Count; ++i) {
      if (!Pressed.Contains(held_.Vks[i])) stillHeld.Add(held_.Vks[i]);
    }
    held_ = stillHeld;
  }

  // Releases the modifiers a key or group pressed, innermost first. Presses that ended up holding
  // nothing are dropped instead: a lone Alt tap would open the target window's menu bar.
  void FinishModified(std::size_t Start, std::size_t AfterDowns, const ModifierList& Pressed) {
    if (events_.size() == AfterDowns) {
      events_.resize(Start);
    } else {
      for (std::size_t i = Pressed.Count; i-- > 0;) {
        events_.push_back({KeyKind::VirtualKey, Pressed.Vks[i], false});
      }
    }
    Forget(Pressed);
  }

  void TypeKey(KeyKind Kind, std::uint32_t Code, int Repeat) {
    const std::size_t start = events_.size();
    const ModifierList pressed = PressPending();
    const std::size_t afterDowns = events_.size();
    for (int i = 0; i < Repeat; ++i) {
      events_.push_back({Kind, Code, true});
      events_.push_back({Kind, Code, false});
    }
    FinishModified(start, afterDowns, pressed);
  }

  void OpenParenthesis() {
    const std::size_t start = events_.size();
    const ModifierList pressed = PressPending();
    groups_.push_back({start, events_.size(), pressed});
  }

  bool CloseParenthesis() {
    if (pending_.Count != 0 || groups_.empty()) return false;
    const OpenGroup group = groups_.back();
    groups_.pop_back();
    FinishModified(group.Start, group.AfterDowns, group.Pressed);
    return true;
  }

  // The keys typed so far become a step of their own, ahead of a control step.
  void FlushKeys() {
    if (events_.empty()) return;
    KeyStep keys;
    keys.Events = std::move(events_);
    steps_.push_back(std::move(keys));
    events_.clear();
  }

  static std::optional<ControlVerb> LookUpVerb(std::u32string_view Name) {
    for (const NamedVerb& verb : kControlVerbs) {
      if (verb.Name.size() != Name.size()) continue;
      bool equal = true;
      for (std::size_t i = 0; i < Name.size() && equal; ++i) {
        equal = AsciiUpper(Name[i]) == verb.Name[i];
      }
      if (equal) return verb.Verb;
    }
    return std::nullopt;
  }

  // {VERB text}: the text runs from after the one blank to the closing brace and may hold
  // blanks. A modifier cannot hold a control, so none may be pending or open.
  bool ReadControl(ControlVerb Verb) {
    ++pos_;  // the blank after the name
    const std::size_t textStart = pos_;
    while (pos_ < text_.size() && text_[pos_] != U'}') ++pos_;
    if (pos_ >= text_.size() || pending_.Count != 0 || !groups_.empty()) return false;
    KeyStep step;
    step.IsControl = true;
    step.Verb = Verb;
    bool blank = true;
    for (std::size_t i = textStart; i < pos_; ++i) {
      AppendUtf8(step.Text, text_[i]);
      blank = blank && text_[i] == U' ';
    }
    ++pos_;  // the closing '}'
    // A blank caption or item would match every control or item; an empty text to set clears the
    // box.
    if (blank && Verb != ControlVerb::SetText) return false;
    FlushKeys();
    steps_.push_back(std::move(step));
    return true;
  }

  // {NAME}, {NAME count}, {c} or {c count}, or a control step. The first character after '{'
  // always belongs to the name, which is what lets {}} and {{} type the braces themselves.
  bool ReadBrace() {
    if (pos_ >= text_.size()) return false;
    const std::size_t nameStart = pos_++;
    while (pos_ < text_.size() && text_[pos_] != U' ' && text_[pos_] != U'}') ++pos_;
    const std::size_t nameEnd = pos_;
    if (pos_ < text_.size() && text_[pos_] == U' ') {
      const auto verb =
          LookUpVerb(std::u32string_view(text_.data() + nameStart, nameEnd - nameStart));
      if (verb) return ReadControl(*verb);
    }

    int repeat = 1;
    if (pos_ < text_.size() && text_[pos_] == U' ') {
      while (pos_ < text_.size() && text_[pos_] == U' ') ++pos_;
      const std::size_t digitsStart = pos_;
      repeat = 0;
      while (pos_ < text_.size() && text_[pos_] != U'}') {
        const char32_t digit = text_[pos_++];
        if (digit < U'0' || digit > U'9') return false;
        repeat = repeat * 10 + static_cast<int>(digit - U'0');
        if (repeat > kMaxKeyRepeat) return false;
      }
      if (pos_ == digitsStart) return false;
    }
    if (pos_ >= text_.size()) return false;
    ++pos_;  // the closing '}'

    if (nameEnd - nameStart == 1) {
      TypeKey(KeyKind::Character, text_[nameStart], repeat);
      return true;
    }
    const auto vk = LookUpName(std::u32string_view(text_.data() + nameStart, nameEnd - nameStart));
    if (!vk) return false;
    TypeKey(KeyKind::VirtualKey, *vk, repeat);
    return true;
  }

  const std::vector<char32_t>& text_;
  std::size_t pos_ = 0;
  std::vector<KeyEvent> events_;
  ModifierList pending_;
  ModifierList held_;
  std::vector<OpenGroup> groups_;
  std::vector<KeyStep> steps_;
};

}  // namespace

void AppendUtf8(std::string& Out, char32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (C >> 18));
    Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

KeyStepsResult ParseKeySteps(std::string_view KeyString) {
  std::vector<char32_t> text;
  if (!DecodeUtf8(KeyString, text)) return {kKeyStringError, {}};
  KeyStringParser parser(text);
  if (!parser.Run()) return {kKeyStringError, {}};
  return {0, parser.TakeSteps()};
}

KeyParseResult ParseKeyString(std::string_view KeyString) {
  KeyStepsResult parsed = ParseKeySteps(KeyString);
  if (parsed.Error != 0) return {parsed.Error, {}};
  KeyParseResult result;
  for (KeyStep& step : parsed.Steps) {
    result.Events.insert(result.Events.end(), step.Events.begin(), step.Events.end());
  }
  return result;
}

}  // namespace tollivox
