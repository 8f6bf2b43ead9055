#include "check/SarifOutput.h"

#include "check/Explain.h"
#include "check/JsonWriter.h"
#include "check/Text.h"

namespace tarnwell::check {
namespace {

const char* Level(Severity level) {
  return level == Severity::kError     ? "error"
         : level == Severity::kWarning ? "warning"
                                       : "note";
}

void Rules(JsonWriter& json) {
  std::size_t count = 0;
  const CheckInfo* checks = AllChecks(&count);
  json.Key("rules").BeginArray();
  for (std::size_t i = 0; i < count; ++i) {
    const CheckInfo& info = checks[i];
    json.BeginObject();
    json.Key("id").String(info.Name);
    json.Key("shortDescription").BeginObject().Key("text").String(info.Summary);
    json.EndObject();
    json.Key("fullDescription").BeginObject().Key("text").String(info.Does);
    json.EndObject();
    json.Key("help").BeginObject().Key("text").String(ExplainText(info));
    json.EndObject();
    json.Key("defaultConfiguration").BeginObject();
    json.Key("level").String(Level(info.Level));
    json.EndObject();
    json.EndObject();
  }
  json.EndArray();
}

void Location(JsonWriter& json, const FileResult& r, std::size_t artifact,
              const Place& at) {
  json.Key("physicalLocation").BeginObject();
  json.Key("artifactLocation").BeginObject();
  json.Key("uri").String(FileUri(r.Name));
  json.Key("index").Number(artifact);
  json.EndObject();
  if (at.Line > 0) {
    json.Key("region").BeginObject();
    json.Key("startLine").Number(at.Line);
    if (at.Column > 0) {
      const std::string_view line = r.Report->Lines.Line(at.Line);
      json.Key("startColumn").Number(Utf16Column(line, at.Column));
      json.Key("endColumn").Number(Utf16Column(line, at.Column + at.Length));
    }
    json.EndObject();
  }
  json.EndObject();
}

void Result(JsonWriter& json, const FileResult& r, std::size_t artifact,
            const Diagnostic& d) {
  json.BeginObject();
  json.Key("ruleId").String(InfoOf(d.Id).Name);
  json.Key("ruleIndex").Number(static_cast<std::size_t>(d.Id));
  json.Key("level").String(Level(d.Level));
  json.Key("message").BeginObject().Key("text").String(d.Message);
  json.EndObject();
  json.Key("locations").BeginArray().BeginObject();
  Location(json, r, artifact, d.At);
  json.EndObject().EndArray();
  if (!d.Notes.empty()) {
    json.Key("relatedLocations").BeginArray();
    for (std::size_t i = 0; i < d.Notes.size(); ++i) {
      json.BeginObject();
      json.Key("id").Number(i + 1);
      Location(json, r, artifact, d.Notes[i].At);
      json.Key("message").BeginObject().Key("text").String(d.Notes[i].Message);
      json.EndObject();
      json.EndObject();
    }
    json.EndArray();
  }
  json.EndObject();
}

void Invocation(JsonWriter& json, const std::vector<FileResult>& results,
                int exit_status) {
  json.Key("invocations").BeginArray().BeginObject();
  bool all_read = true;
  for (const FileResult& r : results) all_read = all_read && r.Error.empty();
  json.Key("executionSuccessful").Bool(all_read);
  json.Key("exitCode").Number(static_cast<std::uint64_t>(exit_status));
  json.Key("toolExecutionNotifications").BeginArray();
  for (const FileResult& r : results) {
    if (r.Error.empty()) continue;
    json.BeginObject();
    json.Key("level").String("error");
    json.Key("message").BeginObject().Key("text").String(r.Error);
    json.EndObject();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject().EndArray();
}

}  // namespace

std::string FileUri(const std::string& name) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string path = name;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
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
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kDigits[c >> 4];
      out += kDigits[c & 0xF];
    }
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
    json.Key("uri").String(FileUri(r.Name));
    json.EndObject().EndObject();
  }
  json.EndArray();
  json.Key("results").BeginArray();
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].Report == nullptr) continue;
    for (const Diagnostic& d : results[i].Shown) Result(json, results[i], i, d);
  }
  json.EndArray();
  json.EndObject().EndArray();
  json.EndObject();
  return json.Text();
}

}  // namespace tarnwell::check
