#include "regstore/RegFormat.h"

#include <vector>

#include "regstore/RegSyntax.h"
#include "regstore/Utf.h"

namespace tarnwell::regstore {
namespace {

void AppendQuoted(std::u16string& out, std::u16string_view text) {
  out += u'"';
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  out += u'"';
}

char16_t Unit(std::string_view data, std::size_t i) {
  return Utf16LeUnit(data, 2 * i);
}

// A REG_SZ that reads back unchanged from "..." form: whole units, one NUL
// at the end and none before, no CR or LF (regedit ends a line at either)
// and no surrogate outside a pair (no text file holds one). Tabs and
// characters beyond the basic plane stay readable. The other C0 controls,
// which Wine's regedit reads back as well, are no text a person reads, and
// hex(1) keeps them safe from readers and editors that take them otherwise.
bool IsPlainString(std::string_view data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2;
  for (std::size_t i = 0; i + 1 < units; ++i) {
    const char16_t c = Unit(data, i);
    if (c < 0x20 && c != u'\t') return false;
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      const char16_t low = i + 2 < units ? Unit(data, ++i) : 0;
      if (low < 0xDC00 || low > 0xDFFF) return false;
    }
  }
  return Unit(data, units - 1) == 0;
}

DataForm FormOf(const RegValue& value) {
  if (value.Type == kRegSz && IsPlainString(value.Data)) {
    return DataForm::kString;
  }
  if (value.Type == kRegDword && value.Data.size() == 4) return DataForm::kDword;
  if (value.Type == kRegBinary) return DataForm::kBinary;
  return DataForm::kTypedHex;
}

void AppendHexNumber(std::u16string& out, std::uint32_t n, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    out += kHexDigits[(n >> shift) & 0xF];
  }
}

void AppendHexData(std::u16string& out, std::string_view data,
                   std::size_t column) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    AppendHexNumber(out, static_cast<unsigned char>(data[i]), 2);
    column += 2;
    if (i + 1 == data.size()) break;
    out += u',';
    ++column;
    if (column > kHexWrapColumn) {
      out += u"\\\r\n  ";
      column = 2;
    }
  }
}

void AppendKeyHeader(std::u16string& out, std::u16string_view full_path) {
  out += u'[';
  out += full_path;
  out += u']';
  out += kLineEnd;
}

class StringSink : public RegTextSink {
 public:
  explicit StringSink(std::u16string& out) : out_(out) {}
  bool Put(std::u16string_view text) override {
    out_ += text;
    return true;
  }

 private:
  std::u16string& out_;
};

// Depth first, one key's text at a time. The keys still to write are held
// on the heap, each with the length of its parent's path, so that a deep
// tree costs no stack; path holds the full name of the key being written.
bool WriteKeys(const RegNode& top, RegTextSink& sink) {
  struct Pending {
    const RegNode* Node;
    std::size_t Mark;  // the path's length above it
  };
  std::vector<Pending> pending;
  std::vector<const RegNode*> children;
  // A node's children go on top in reverse, so that the first comes off
  // first.
  auto push_children = [&](const RegNode& node, std::size_t mark) {
    node.SortedChildren(&children);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      pending.push_back({*it, mark});
    }
  };
  push_children(top, 0);
  std::u16string path, text;
  while (!pending.empty()) {
    const Pending next = pending.back();
    pending.pop_back();
    const RegNode& node = *next.Node;
    const bool root_key = node.Level() == top.Level() + 1;
    path.resize(next.Mark);
    if (!root_key) path += u'\\';
    path += node.Name();
    // A root key with no values needs no header: its subkeys name it.
    if (!root_key || !node.Values().empty()) {
      text.clear();
      AppendKeyHeader(text, path);
      for (const RegValue& value : node.Values()) AppendValueLine(text, value);
      text += kLineEnd;
      if (!sink.Put(text)) return false;
    }
    push_children(node, path.size());
  }
  return true;
}

}  // namespace

void AppendValueLine(std::u16string& out, const RegValue& value) {
  const std::size_t line_start = out.size();
  if (value.Name.empty()) {
    out += u'@';
  } else {
    AppendQuoted(out, value.Name);
  }
  out += u'=';
  const DataForm form = FormOf(value);
  switch (form) {
    case DataForm::kString: {
      out += u'"';
      const std::size_t units = value.Data.size() / 2 - 1;  // without NUL
      for (std::size_t i = 0; i < units; ++i) {
        const char16_t c = Unit(value.Data, i);
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
      }
      out += u'"';
      break;
    }
    case DataForm::kDword: {
      std::uint32_t v = 0;
      for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(value.Data[i]);
      }
      out += PrefixOf(form);
      AppendHexNumber(out, v, 8);
      break;
    }
    case DataForm::kBinary:
      out += PrefixOf(form);
      AppendHexData(out, value.Data, out.size() - line_start);
      break;
    case DataForm::kTypedHex: {
      out += PrefixOf(form);
      int digits = 1;
      while (digits < 8 && (value.Type >> (4 * digits)) != 0) ++digits;
      AppendHexNumber(out, value.Type, digits);
      out += u"):";
      AppendHexData(out, value.Data, out.size() - line_start);
      break;
    }
  }
  out += kLineEnd;
}

bool WriteRegText(const RegTree& tree, RegTextSink& sink) {
  std::u16string text(kVersionLine);
  text += kLineEnd;
  text += kLineEnd;
  if (!sink.Put(text)) return false;
  return WriteKeys(tree.Root(), sink);
}

std::u16string FormatRegFile(const RegTree& tree) {
  std::u16string out;
  StringSink sink(out);
  WriteRegText(tree, sink);
  return out;
}

std::string FormatRegFileBytes(const RegTree& tree) {
  std::string bytes(kByteOrderMark);
  AppendUtf16Le(bytes, FormatRegFile(tree));
  return bytes;
}

}  // namespace tarnwell::regstore
