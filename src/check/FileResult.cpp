#include "check/Outputs.h"

namespace tarnwell::check {
namespace {

std::string Plural(std::size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

void Measure(const regstore::RegNode& node, TreeSize* size) {
  if (!node.Values().empty()) {
    ++size->Keys;
    size->Values += node.Values().size();
  }
  for (const auto& child : node.Children()) Measure(*child.second, size);
}

std::string CountText(const Counts& counts) {
  std::string out;
  auto add = [&](std::size_t n, const char* word) {
    if (n == 0) return;
    if (!out.empty()) out += ", ";
    out += Plural(n, word);
  };
  add(counts.Errors, "error");
  add(counts.Warnings, "warning");
  add(counts.Notes, "note");
  return out.empty() ? "no problems found" : out;
}

}  // namespace

TreeSize MeasureTree(const regstore::RegTree& tree) {
  TreeSize size;
  Measure(tree.Root(), &size);
  return size;
}

std::string FileResult::InstallerMessage() const {
  if (Report == nullptr) return "";
  if (!Report->Read) return "Read configuration file failed!";
  return Report->Written ? "Configuration successfully written to the registry!"
                         : "Write configuration to registry failed!";
}

std::string SummaryText(const FileResult& result) {
  const FileReport& report = *result.Report;
  std::string outcome;
  if (!report.Read) {
    outcome = "the installer would stop reading " +
              (report.StopLine > report.Lines.Count()
                   ? std::string("at the end of the file")
                   : "at line " + std::to_string(report.StopLine)) +
              ", show \"" + result.InstallerMessage() + "\" and write nothing";
  } else {
    outcome = "the installer would read " +
              Plural(report.DeviceSections, "device section") + " and " +
              Plural(report.ModemSections, "modem section") + ", write " +
              Plural(result.Size.Values, "value") + " in " +
              Plural(result.Size.Keys, "key") + " and show \"" +
              result.InstallerMessage() + "\"";
  }
  std::string left;
  if (result.LeftOut > 0) {
    left =
        " (" + std::to_string(result.LeftOut) + " not shown: --max-findings)";
  }
  return CountText(result.Found) + left + "; " + outcome;
}

}  // namespace tarnwell::check
