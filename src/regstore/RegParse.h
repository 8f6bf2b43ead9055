// Reads .reg text in the form Windows' regedit exports (version 5.00), as
// a whole or not at all: a file that is not that form in every byte is
// refused, so that nothing of it is lost by a later rewrite.
#pragma once

#include <cstddef>
#include <string_view>

#include "regstore/RegTree.h"

namespace tarnwell::regstore {

struct ParseResult {
  bool Ok = true;
  std::size_t Line = 0;  // 1-based line of the first error
};

// The bytes of a registry file: a UTF-16LE byte-order mark, the version
// line, then keys under the predefined roots with their values, blank
// lines and ";" comments. Lines end in CR LF or LF; the last needs no line
// end. Applies to tree what it reads; after an error, tree holds part of
// the file and must be thrown away.
ParseResult ParseRegFileBytes(std::string_view bytes, RegTree& tree);

// The same for text that is already UTF-16 (no byte-order mark).
ParseResult ParseRegText(std::u16string_view text, RegTree& tree);

}  // namespace tarnwell::regstore
