// Writes a registry tree as .reg text in export form: the version line,
// then each key (parents before children, children by folded name) with
// its values in creation order and a blank line.
#pragma once

#include <string>
#include <string_view>

#include "regstore/RegTree.h"

namespace tarnwell::regstore {

// Takes the text piece by piece, so that a large tree is never held twice.
class RegTextSink {
 public:
  virtual ~RegTextSink() = default;
  // False stops the export.
  virtual bool Put(std::u16string_view text) = 0;
};

// Streams the export of tree into sink; false when the sink stopped it.
bool WriteRegText(const RegTree& tree, RegTextSink& sink);

// One value line with its CRLF. Strings that do not read back plainly (a
// CR, LF or other control character but the tab, a lone surrogate, no
// terminating NUL, embedded NULs) are written as hex(1); long hex data is
// wrapped as regedit does.
void AppendValueLine(std::u16string& out, const RegValue& value);

// The whole export as text, and as the file's bytes (byte-order mark,
// UTF-16LE).
std::u16string FormatRegFile(const RegTree& tree);
std::string FormatRegFileBytes(const RegTree& tree);

}  // namespace tarnwell::regstore
