// Diagnostics as compilers print them: "file:line:column: warning: text
// [-Wname]", then the line itself and a caret under the column; in colour
// as GCC and Clang show it, when asked to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "check/Diagnostic.h"
#include "check/LineStore.h"

namespace tarnwell::check {

std::string RenderText(const std::vector<Diagnostic>& diagnostics,
                       const LineStore& lines, const std::string& file_name,
                       bool color);

// The line as shown under a message, with its caret line: control bytes
// other than tab become blanks, and a long line is shown as a window around
// the column.
std::string EchoLine(std::string_view line, std::size_t column,
                     std::size_t length, bool color = false);

}  // namespace tarnwell::check
