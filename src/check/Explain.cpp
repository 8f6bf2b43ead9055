// The texts of --list-checks and --explain, which the SARIF rules carry
// too.
#include "check/CheckNames.h"

#include <string_view>

namespace tarnwell::check {
namespace {

constexpr std::size_t kWidth = 76;

// The paragraph broken at blanks into lines of at most kWidth columns
// (a longer word stands alone), each line indented.
std::string Wrap(std::string_view text, const std::string& indent) {
  std::string out;
  std::string line;
  while (!text.empty()) {
    const std::size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view()
                                           : text.substr(blank + 1);
    if (!line.empty() &&
        indent.size() + line.size() + 1 + word.size() > kWidth) {
      out += indent + line + "\n";
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  if (!line.empty()) out += indent + line + "\n";
  return out;
}

// Each line of the example, indented.
std::string Example(std::string_view lines) {
  std::string out;
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    out += "    " + std::string(lines.substr(0, end)) + "\n";
    lines = end == std::string_view::npos ? std::string_view()
                                          : lines.substr(end + 1);
  }
  return out;
}

}  // namespace

std::string ListChecksText() {
  std::size_t count = 0;
  const CheckInfo* checks = AllChecks(&count);
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = checks[i].Name;
    name.resize(22, ' ');
    std::string level = SeverityName(checks[i].Level);
    level.resize(9, ' ');
    out += name + level + checks[i].Summary + "\n";
  }
  return out;
}

std::string ExplainText(const CheckInfo& info) {
  std::string out = "-W" + std::string(info.Name) + " (" +
                    SeverityName(info.Level) + "): " + info.Summary + "\n\n";
  out += "What the installer does:\n" + Wrap(info.Does, "  ");
  out += "\nWrong:\n" + Example(info.Wrong);
  out += "\nRight:\n" + Example(info.Right);
  out += "\nFix:\n" + Wrap(info.Fix, "  ");
  out += info.Fatal ? "\nThe installer fails to read such a file, so this "
                      "check cannot be turned off.\n"
                    : "\nTo accept one finding where it stands, put this "
                      "comment on the line before it:\n    ; tarnwell-check: "
                      "disable=" +
                          std::string(info.Name) + "\n";
  return out;
}

}  // namespace tarnwell::check
