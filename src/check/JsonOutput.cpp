#include "check/Outputs.h"

#include "check/JsonWriter.h"

namespace tarnwell::check {
namespace {

void Position(JsonWriter& json, const std::string& file, const Place& at) {
  json.Key("file").String(file);
  json.Key("line");
  at.Line > 0 ? json.Number(at.Line) : json.Null();
  json.Key("column");
  at.Line > 0 && at.Column > 0 ? json.Number(at.Column) : json.Null();
  json.Key("endColumn");
  at.Line > 0 && at.Column > 0 ? json.Number(at.Column + at.Length)
                               : json.Null();
}

void Write(JsonWriter& json, const std::string& file, const Diagnostic& d) {
  json.BeginObject();
  Position(json, file, d.At);
  json.Key("severity").String(SeverityName(d.Level));
  json.Key("name").String(InfoOf(d.Id).Name);
  json.Key("message").String(d.Message);
  json.Key("notes").BeginArray();
  for (const Diagnostic& note : d.Notes) {
    json.BeginObject();
    Position(json, file, note.At);
    json.Key("message").String(note.Message);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

void Summary(JsonWriter& json, const FileResult& r) {
  json.Key("summary").BeginObject();
  json.Key("errors").Number(r.Found.Errors);
  json.Key("warnings").Number(r.Found.Warnings);
  json.Key("notes").Number(r.Found.Notes);
  json.Key("notShown").Number(r.LeftOut);
  json.Key("installerReads").Bool(r.Report->Read);
  json.Key("deviceSections").Number(r.Report->DeviceSections);
  json.Key("modemSections").Number(r.Report->ModemSections);
  json.Key("keys").Number(r.Size.Keys);
  json.Key("values").Number(r.Size.Values);
  json.Key("installerMessage").String(r.InstallerMessage());
  json.Key("exitStatus").Number(static_cast<std::uint64_t>(r.ExitStatus));
  json.EndObject();
}

}  // namespace

std::string JsonReport(const std::vector<FileResult>& results,
                       const char* version) {
  JsonWriter json;
  json.BeginObject();
  json.Key("tool").String("tarnwell-check");
  json.Key("version").String(version);
  json.Key("files").BeginArray();
  for (const FileResult& r : results) {
    json.BeginObject();
    json.Key("file").String(r.Name);
    if (r.Report == nullptr) {
      json.Key("error").String(r.Error);
      json.Key("exitStatus").Number(static_cast<std::uint64_t>(r.ExitStatus));
      json.EndObject();
      continue;
    }
    json.Key("diagnostics").BeginArray();
    for (const Diagnostic& d : r.Shown) Write(json, r.Name, d);
    json.EndArray();
    Summary(json, r);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  return json.Text();
}

}  // namespace tarnwell::check
