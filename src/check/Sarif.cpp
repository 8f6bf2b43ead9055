// SARIF 2.1.0, as code-scanning services take it.
#include "check/Report.h"

#include <algorithm>
#include <map>

#include "check/Text.h"

namespace tarnwell::check {
namespace {

// The 64-bit FNV-1a hash of the text, as 16 hexadecimal digits.
std::string Fingerprint(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  return HexDigits(hash, 16);
}

// {"text": text}, as SARIF wraps messages and descriptions.
void TextObject(JsonWriter& json, const char* key, std::string_view text) {
  json.Key(key).BeginObject().Key("text").String(text);
  json.EndObject();
}

void Rules(JsonWriter& json) {
  json.Key("rules").BeginArray();
  for (const CheckInfo& info : kChecks) {
    json.BeginObject();
    json.Key("id").String(info.Name);
    const Explanation e = ExplanationOf(info);
    TextObject(json, "shortDescription", e.Summary);
    TextObject(json, "fullDescription", e.Does);
    TextObject(json, "help", ExplainText(info));
    json.Key("defaultConfiguration").BeginObject();
    json.Key("level").String(SeverityName(info.Level));
    json.EndObject();
    json.EndObject();
  }
  json.EndArray();
}

void Location(JsonWriter& json, const FileResult& r, std::size_t artifact,
              const Place& at) {
  json.Key("physicalLocation").BeginObject();
  json.Key("artifactLocation").BeginObject();
  if (!r.Stdin) json.Key("uri").String(FileUri(r.Name));
  json.Key("index").Number(artifact);
  json.EndObject();
  // A finding of the whole file points at its first line.
  json.Key("region").BeginObject();
  json.Key("startLine").Number(at.Line > 0 ? at.Line : 1);
  if (at.Line > 0 && at.Column > 0) {
    const std::string_view line = r.Report->Lines.Line(at.Line);
    json.Key("startColumn").Number(Utf16Column(line, at.Column));
    json.Key("endColumn").Number(Utf16Column(line, at.Column + at.Length));
  }
  json.EndObject();
  json.EndObject();
}

// Fingerprints name a finding by its check, the text of its line and its
// column, and how many alike came before it in the file, so that they stay
// when other lines move.
void Result(JsonWriter& json, const FileResult& r, std::size_t artifact,
            const Diagnostic& d, std::map<std::string, std::size_t>& seen) {
  std::string key = std::string(InfoOf(d.Id).Name) + '\n' +
                    std::string(r.Report->Lines.Line(d.At.Line)) + '\n' +
                    std::to_string(d.At.Column);
  key += '\n' + std::to_string(seen[key]++);
  json.BeginObject();
  json.Key("ruleId").String(InfoOf(d.Id).Name);
  json.Key("ruleIndex").Number(static_cast<std::size_t>(d.Id));
  json.Key("level").String(SeverityName(d.Level));
  TextObject(json, "message", d.Message);
  json.Key("locations").BeginArray().BeginObject();
  Location(json, r, artifact, d.At);
  json.EndObject().EndArray();
  json.Key("partialFingerprints").BeginObject();
  json.Key("tarnwellFinding/v1").String(Fingerprint(key));
  json.EndObject();
  if (!d.Notes.empty()) {
    json.Key("relatedLocations").BeginArray();
    for (std::size_t i = 0; i < d.Notes.size(); ++i) {
      json.BeginObject();
      json.Key("id").Number(i + 1);
      Location(json, r, artifact, d.Notes[i].At);
      TextObject(json, "message", d.Notes[i].Message);
      json.EndObject();
    }
    json.EndArray();
  }
  json.EndObject();
}

void Invocation(JsonWriter& json, const std::vector<FileResult>& results,
                int exit_status) {
  json.Key("invocations").BeginArray().BeginObject();
  // Status 2: a file that could not be read, or an -o FILE not written.
  json.Key("executionSuccessful").Bool(exit_status != 2);
  json.Key("exitCode").Number(static_cast<std::uint64_t>(exit_status));
  json.Key("toolExecutionNotifications").BeginArray();
  for (const FileResult& r : results) {
    if (r.Error.empty() && r.LeftOut == 0) continue;
    json.BeginObject();
    json.Key("level").String(r.Error.empty() ? "note" : "error");
    TextObject(json, "message",
               r.Error.empty() ? std::to_string(r.LeftOut) + " findings in " +
                                     r.Name + " not shown: --max-findings"
                               : r.Error);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject().EndArray();
}

}  // namespace

std::string FileUri(const std::string& name) {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  std::string out;
  const bool drive = path.size() >= 2 && path[1] == ':';
  if (!path.empty() && (path.front() == '/' || drive)) {
    out = drive ? "file:///" : "file://";
  }
  for (std::size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                       c == '_' || c == '~' || c == '/' ||
                       (drive && i == 1 && c == ':');
    out += plain ? std::string(1, path[i]) : "%" + HexDigits(c, 2);
  }
  return out;
}

std::size_t Utf16Column(std::string_view line, std::size_t byte_column) {
  const std::string_view before = line.substr(0, byte_column - 1);
  std::size_t units = byte_column - 1 - before.size();  // beyond the line
  for (char32_t c : DecodeUtf8OrLatin1(before)) units += c >= 0x10000 ? 2 : 1;
  return units + 1;
}

std::string SarifReport(const std::vector<FileResult>& results,
                        const char* version, int exit_status) {
  JsonWriter json;
  json.BeginObject();
  json.Key("$schema").String("https://json.schemastore.org/sarif-2.1.0.json");
  json.Key("version").String("2.1.0");
  json.Key("runs").BeginArray().BeginObject();
  json.Key("tool").BeginObject().Key("driver").BeginObject();
  json.Key("name").String("tarnwell-check");
  json.Key("version").String(version);
  Rules(json);
  json.EndObject().EndObject();
  Invocation(json, results, exit_status);
  json.Key("artifacts").BeginArray();
  for (const FileResult& r : results) {
    json.BeginObject().Key("location").BeginObject();
    if (r.Stdin) {
      TextObject(json, "description", "standard input");
    } else {
      json.Key("uri").String(FileUri(r.Name));
    }
    json.EndObject().EndObject();
  }
  json.EndArray();
  json.Key("results").BeginArray();
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].Report == nullptr) continue;
    std::map<std::string, std::size_t> seen;
    for (const Diagnostic& d : results[i].Shown) {
      Result(json, results[i], i, d, seen);
    }
  }
  json.EndArray();
  json.EndObject().EndArray();
  json.EndObject();
  return json.Text();
}

}  // namespace tarnwell::check
