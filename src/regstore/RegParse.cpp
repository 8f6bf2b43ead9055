#include "regstore/RegParse.h"

#include <string>

#include "regstore/RegSyntax.h"
#include "regstore/Utf.h"

namespace tarnwell::regstore {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimLeft(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// In any letter case, as regedit takes them.
bool IsRootKey(std::u16string_view name) {
  for (std::u16string_view root : kRootKeys) {
    if (SameName(name, root)) return true;
  }
  return false;
}

// A quoted text at s[0] == '"', with the only escapes that regedit reads
// as they are meant, \\ and \"; *rest is what follows the closing quote.
// Any other escape is refused: regedit does not read it the same way, so
// the file would import otherwise than the store holds it.
bool ParseQuoted(std::u16string_view s, std::u16string* text,
                 std::u16string_view* rest) {
  text->clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'"') {
      *rest = s.substr(i + 1);
      return true;
    }
    if (c == u'\\') {
      if (++i == s.size() || (s[i] != u'\\' && s[i] != u'"')) return false;
      c = s[i];
    }
    *text += c;
  }
  return false;
}

// Up to eight hexadecimal digits, the whole of s.
bool ParseHexNumber(std::u16string_view s, std::uint32_t* n) {
  if (s.empty() || s.size() > 8) return false;
  *n = 0;
  for (char16_t c : s) {
    const int d = HexDigitValue(c);
    if (d < 0) return false;
    *n = *n * 16 + static_cast<std::uint32_t>(d);
  }
  return true;
}

// "01,02,ff", blanks allowed around the commas; may be empty.
bool ParseHexBytes(std::u16string_view s, std::string* data) {
  data->clear();
  s = TrimLeft(s);
  while (!s.empty()) {
    if (s.size() < 2) return false;
    const int high = HexDigitValue(s[0]);
    const int low = HexDigitValue(s[1]);
    if (high < 0 || low < 0) return false;
    data->push_back(static_cast<char>(high * 16 + low));
    s = TrimLeft(s.substr(2));
    if (s.empty()) break;
    if (s.front() != u',') return false;
    s = TrimLeft(s.substr(1));
    if (s.empty()) return false;  // a comma with nothing after it
  }
  return true;
}

bool ParseData(std::u16string_view s, std::uint32_t* type, std::string* data,
               std::u16string* scratch) {
  DataForm form = DataForm::kString;
  bool known = false;
  for (const DataFormSpelling& spelling : kDataForms) {
    if (StartsWith(s, spelling.Prefix)) {
      form = spelling.Form;
      known = true;
      break;
    }
  }
  if (!known) return false;
  const std::u16string_view body = s.substr(PrefixOf(form).size());
  switch (form) {
    case DataForm::kString: {
      std::u16string_view rest;
      if (!ParseQuoted(s, scratch, &rest) || !TrimLeft(rest).empty()) {
        return false;
      }
      *type = kRegSz;
      data->clear();
      AppendUtf16Le(*data, *scratch);
      data->append(2, '\0');
      return true;
    }
    case DataForm::kDword: {
      std::uint32_t v = 0;
      if (!ParseHexNumber(body, &v)) return false;
      *type = kRegDword;
      data->assign({static_cast<char>(v), static_cast<char>(v >> 8),
                    static_cast<char>(v >> 16), static_cast<char>(v >> 24)});
      return true;
    }
    case DataForm::kBinary:
      *type = kRegBinary;
      return ParseHexBytes(body, data);
    case DataForm::kTypedHex: {
      const std::size_t close = body.find(u')');
      if (close == std::u16string_view::npos ||
          !ParseHexNumber(body.substr(0, close), type) ||
          body.substr(close + 1, 1) != u":") {
        return false;
      }
      return ParseHexBytes(body.substr(close + 2), data);
    }
  }
  return false;
}

// Takes the text line by line; hex data may go on over lines that end in
// a backslash.
class Parser {
 public:
  explicit Parser(RegTree& tree) : tree_(tree) {}

  bool Line(std::u16string_view line) {
    ++line_number_;
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    // regedit ends a line at a carriage return too, and would read the
    // rest as a line of its own: the file means otherwise to it.
    if (line.find(u'\r') != std::u16string_view::npos) return false;
    line = TrimRight(line);
    if (want_version_) {
      want_version_ = false;
      return line == kVersionLine;
    }
    if (continuing_) {
      pending_ += TrimLeft(line);
      return ValueData();
    }
    const std::u16string_view trimmed = TrimLeft(line);
    if (trimmed.empty() || trimmed.front() == u';') return true;
    if (trimmed.front() == u'[') return KeyHeader(trimmed);
    return ValueLine(trimmed);
  }

  // The text ended: it must have had its version line and no value left
  // waiting for its next line.
  bool Finish() const { return !want_version_ && !continuing_; }

  std::size_t LineNumber() const { return line_number_; }

 private:
  bool KeyHeader(std::u16string_view line) {
    if (line.back() != u']' || line.size() < 3) return false;
    const std::u16string_view path = line.substr(1, line.size() - 2);
    // Removing keys ("[-...]") is not something this store's files do.
    if (path.front() == u'-' || SplitKeyPath(path, &names_) != kErrorSuccess ||
        !IsRootKey(names_.front())) {
      return false;
    }
    key_ = &tree_.Create(path);
    return true;
  }

  bool ValueLine(std::u16string_view line) {
    if (key_ == nullptr) return false;
    std::u16string_view rest;
    if (line.front() == u'@') {
      name_.clear();
      rest = line.substr(1);
    } else if (line.front() == u'"') {
      if (!ParseQuoted(line, &name_, &rest) || !IsValueName(name_)) {
        return false;
      }
    } else {
      return false;
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != u'=') return false;
    pending_.assign(TrimLeft(rest.substr(1)));
    return ValueData();
  }

  bool ValueData() {
    continuing_ = StartsWith(pending_, u"hex") && !pending_.empty() &&
                  pending_.back() == u'\\';
    if (continuing_) {
      pending_.pop_back();
      return true;
    }
    std::uint32_t type = 0;
    if (!ParseData(pending_, &type, &data_, &scratch_)) return false;
    // regedit writes each value once; a second line of the same name would
    // be lost when the store is saved.
    if (key_->Value(name_) != nullptr) return false;
    key_->SetValue(name_, type, data_);
    return true;
  }

  RegTree& tree_;
  RegNode* key_ = nullptr;
  bool want_version_ = true;
  bool continuing_ = false;
  std::size_t line_number_ = 0;
  std::vector<std::u16string_view> names_;
  std::u16string name_;
  std::u16string pending_;
  std::u16string scratch_;
  std::string data_;
};

ParseResult Result(const Parser& parser, bool ok) {
  ParseResult result;
  result.Ok = ok;
  if (!ok) result.Line = parser.LineNumber();
  return result;
}

}  // namespace

ParseResult ParseRegText(std::u16string_view text, RegTree& tree) {
  Parser parser(tree);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lf = text.find(u'\n', pos);
    if (lf == std::u16string_view::npos) lf = text.size();
    if (!parser.Line(text.substr(pos, lf - pos))) return Result(parser, false);
    pos = lf + 1;
  }
  return Result(parser, parser.Finish());
}

ParseResult ParseRegFileBytes(std::string_view bytes, RegTree& tree) {
  Parser parser(tree);
  if (bytes.size() % 2 != 0 || bytes.substr(0, 2) != kByteOrderMark) {
    return Result(parser, false);
  }
  // One line at a time is decoded, so the file is never held twice.
  std::u16string line;
  std::size_t pos = 2;
  while (pos < bytes.size()) {
    line.clear();
    while (pos < bytes.size()) {
      const char16_t c = Utf16LeUnit(bytes, pos);
      pos += 2;
      if (c == u'\n') break;
      line += c;
    }
    if (!parser.Line(line)) return Result(parser, false);
  }
  return Result(parser, parser.Finish());
}

}  // namespace tarnwell::regstore
