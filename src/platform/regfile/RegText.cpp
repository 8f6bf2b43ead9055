#include "platform/regfile/RegText.h"

#include <vector>

#include "platform/Registry.h"

namespace tarnwell::regstore {

const char16_t kRegPreamble[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n";

namespace {

constexpr std::u16string_view kVersionLine =
    u"Windows Registry Editor Version 5.00";

void AppendQuoted(std::u16string& out, std::u16string_view text) {
  out += u'"';
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  out += u'"';
}

void AppendHexByte(std::u16string& out, unsigned char byte) {
  static const char16_t kDigits[] = u"0123456789abcdef";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0xF];
}

// A REG_SZ that reads back unchanged from "..." form.
bool IsPlainString(const std::string& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    char16_t c = static_cast<char16_t>(
        static_cast<unsigned char>(data[2 * i]) |
        (static_cast<unsigned char>(data[2 * i + 1]) << 8));
    bool last = i + 1 == units;
    if (last) return c == 0;
    if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) return false;
  }
  return false;
}

std::u16string_view TrimRight(std::u16string_view s) {
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' ||
                        s.back() == u'\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::u16string_view TrimLeft(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) {
    s.remove_prefix(1);
  }
  return s;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads a quoted text at s[0] == '"'; *rest is what follows the quote.
bool ParseQuoted(std::u16string_view s, std::u16string* text,
                 std::u16string_view* rest) {
  text->clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'"') {
      *rest = s.substr(i + 1);
      return true;
    }
    if (c == u'\\' && i + 1 < s.size()) {
      char16_t next = s[++i];
      switch (next) {
        case u'n': *text += u'\n'; break;
        case u'r': *text += u'\r'; break;
        case u'0': *text += u'\0'; break;
        default: *text += next; break;
      }
      continue;
    }
    *text += c;
  }
  return false;
}

bool ParseHexBytes(std::u16string_view s, std::string* data) {
  data->clear();
  s = TrimLeft(TrimRight(s));
  while (!s.empty()) {
    if (s.size() < 2) return false;
    int high = HexValue(s[0]);
    int low = HexValue(s[1]);
    if (high < 0 || low < 0) return false;
    data->push_back(static_cast<char>(high * 16 + low));
    s = TrimLeft(s.substr(2));
    if (s.empty()) break;
    if (s.front() != u',') return false;
    s = TrimLeft(s.substr(1));
  }
  return true;
}

// Data after "=": "text", dword:xxxxxxxx, hex:..., hex(N):...
bool ParseData(std::u16string_view s, std::uint32_t* type,
               std::string* data) {
  s = TrimLeft(s);
  if (!s.empty() && s.front() == u'"') {
    std::u16string text;
    std::u16string_view rest;
    if (!ParseQuoted(s, &text, &rest) || !TrimRight(rest).empty()) {
      return false;
    }
    text += u'\0';
    *type = kRegSz;
    *data = EncodeUtf16Le(text);
    return true;
  }
  if (s.substr(0, 6) == u"dword:") {
    std::u16string_view digits = TrimRight(s.substr(6));
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t v = 0;
    for (char16_t c : digits) {
      int d = HexValue(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    *type = kRegDword;
    data->assign({static_cast<char>(v), static_cast<char>(v >> 8),
                  static_cast<char>(v >> 16), static_cast<char>(v >> 24)});
    return true;
  }
  if (s.substr(0, 4) == u"hex:") {
    *type = kRegBinary;
    return ParseHexBytes(s.substr(4), data);
  }
  if (s.substr(0, 4) == u"hex(") {
    std::size_t close = s.find(u')');
    if (close == std::u16string_view::npos || close == 4 || close > 12 ||
        close + 1 >= s.size() || s[close + 1] != u':') {
      return false;
    }
    std::uint32_t t = 0;
    for (char16_t c : s.substr(4, close - 4)) {
      int d = HexValue(c);
      if (d < 0) return false;
      t = t * 16 + static_cast<std::uint32_t>(d);
    }
    *type = t;
    return ParseHexBytes(s.substr(close + 2), data);
  }
  return false;
}

}  // namespace

void AppendKeyHeader(std::u16string& out, std::u16string_view full_path) {
  out += u'[';
  out += full_path;
  out += u"]\r\n";
}

void AppendValueLine(std::u16string& out, const RegValue& value, bool wrap) {
  const std::size_t line_start = out.size();
  if (value.Name.empty()) {
    out += u'@';
  } else {
    AppendQuoted(out, value.Name);
  }
  out += u'=';
  if (value.Type == kRegSz && IsPlainString(value.Data)) {
    std::u16string text = DecodeUtf16Le(value.Data);
    text.pop_back();  // the NUL
    AppendQuoted(out, text);
    out += u"\r\n";
    return;
  }
  if (value.Type == kRegDword && value.Data.size() == 4) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
      v = (v << 8) | static_cast<unsigned char>(value.Data[i]);
    }
    out += u"dword:";
    for (int shift = 28; shift >= 0; shift -= 4) {
      out += u"0123456789abcdef"[(v >> shift) & 0xF];
    }
    out += u"\r\n";
    return;
  }
  if (value.Type == kRegBinary) {
    out += u"hex:";
  } else {
    out += u"hex(";
    std::u16string digits;
    std::uint32_t t = value.Type;
    do {
      digits.insert(digits.begin(), u"0123456789abcdef"[t & 0xF]);
      t >>= 4;
    } while (t != 0);
    out += digits;
    out += u"):";
  }
  // regedit keeps hex lines within 80 columns: "xx," groups, then ",\" and
  // a continuation line indented by two blanks.
  std::size_t column = out.size() - line_start;
  for (std::size_t i = 0; i < value.Data.size(); ++i) {
    AppendHexByte(out, static_cast<unsigned char>(value.Data[i]));
    column += 2;
    if (i + 1 == value.Data.size()) break;
    out += u',';
    ++column;
    if (wrap && column > 76) {
      out += u"\\\r\n  ";
      column = 2;
    }
  }
  out += u"\r\n";
}

namespace {

void AppendNode(std::u16string& out, const RegNode& node,
                std::u16string& path) {
  const std::size_t mark = path.size();
  if (!path.empty()) path += u'\\';
  path += node.Name();
  // A root key with no values needs no header: its subkeys name it.
  if (mark != 0 || !node.Values().empty()) {
    AppendKeyHeader(out, path);
    for (const RegValue& value : node.Values()) {
      AppendValueLine(out, value, true);
    }
    out += u"\r\n";
  }
  for (const auto& child : node.Children()) {
    AppendNode(out, *child.second, path);
  }
  path.resize(mark);
}

}  // namespace

std::u16string FormatRegFile(const RegTree& tree) {
  std::u16string out = kRegPreamble;
  std::u16string path;
  for (const auto& root : tree.Root().Children()) {
    AppendNode(out, *root.second, path);
  }
  return out;
}

std::string FormatRegFileBytes(const RegTree& tree) {
  return "\xFF\xFE" + EncodeUtf16Le(FormatRegFile(tree));
}

ParseResult ParseRegText(std::u16string_view text, RegTree& tree,
                         bool preamble) {
  ParseResult result;
  RegNode* key = nullptr;
  std::size_t line_number = 0;
  std::size_t pos = 0;
  bool want_version = preamble;

  auto next_line = [&](std::u16string_view* line) {
    if (pos >= text.size()) return false;
    std::size_t lf = text.find(u'\n', pos);
    std::size_t end = lf == std::u16string_view::npos ? text.size() : lf;
    *line = TrimRight(text.substr(pos, end - pos));
    pos = lf == std::u16string_view::npos ? text.size() : lf + 1;
    ++line_number;
    return true;
  };
  auto fail = [&]() {
    result.Ok = false;
    result.Line = line_number;
    return result;
  };

  std::u16string_view line;
  std::vector<std::u16string_view> names;
  while (next_line(&line)) {
    if (want_version) {
      if (line != kVersionLine) return fail();
      want_version = false;
      continue;
    }
    std::u16string_view trimmed = TrimLeft(line);
    if (trimmed.empty() || trimmed.front() == u';') continue;
    if (trimmed.front() == u'[') {
      std::size_t close = trimmed.rfind(u']');
      if (close == std::u16string_view::npos) return fail();
      std::u16string_view path = trimmed.substr(1, close - 1);
      // Deleting keys is not something this store's files do.
      if (path.empty() || path.front() == u'-' ||
          SplitKeyPath(path, &names) != kErrorSuccess) {
        return fail();
      }
      key = &tree.Create(path);
      continue;
    }
    if (key == nullptr) return fail();
    std::u16string name;
    std::u16string_view rest;
    if (trimmed.front() == u'@') {
      rest = trimmed.substr(1);
    } else if (trimmed.front() == u'"') {
      if (!ParseQuoted(trimmed, &name, &rest)) return fail();
      // An escaped control character ("\n") would come back raw, and
      // break the file, when the store is rewritten.
      for (char16_t c : name) {
        if (c < 0x20) return fail();
      }
    } else {
      return fail();
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != u'=') return fail();
    rest = rest.substr(1);
    // Hex data may go on over lines that end in a backslash.
    std::u16string joined;
    if (TrimLeft(rest).substr(0, 3) == u"hex") {
      joined.assign(rest);
      while (!joined.empty() && joined.back() == u'\\') {
        joined.pop_back();
        std::u16string_view more;
        if (!next_line(&more)) return fail();
        joined += TrimLeft(more);
      }
      rest = joined;
    }
    std::uint32_t type = 0;
    std::string data;
    if (!ParseData(rest, &type, &data)) return fail();
    key->SetValue(name, type, std::move(data));
  }
  if (want_version) return fail();
  return result;
}

std::string EncodeUtf16Le(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string DecodeUtf16Le(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(
        static_cast<unsigned char>(bytes[i]) |
        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text;
}

}  // namespace tarnwell::regstore
