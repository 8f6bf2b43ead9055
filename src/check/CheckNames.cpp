#include "check/CheckNames.h"

namespace tarnwell::check {
namespace {

// In the order of the enumeration, which both take from the one table.
constexpr CheckInfo kChecks[] = {
#define CHECK(Id, Name, Level, ...) \
  {Check::k##Id, Name, Severity::k##Level, __VA_ARGS__},
#include "check/CheckTable.h"
};

std::string Format(std::string_view format,
                   const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
    } else if (format[++i] != '{') {
      out += args[static_cast<std::size_t>(format[i] - '0')];
    } else {
      const std::size_t close = format.find('}', i);
      std::string_view choice = format.substr(i + 1, close - i - 1);
      i = close + 1;
      const std::string& n = args[static_cast<std::size_t>(format[i] - '0')];
      for (int k = std::stoi(n); k > 0; --k) {
        choice.remove_prefix(choice.find('|') + 1);
      }
      out += Format(choice.substr(0, choice.find('|')), args);
    }
  }
  return out;
}

}  // namespace

std::string MessageOf(Check id, const std::vector<std::string>& args) {
  return Format(InfoOf(id).Message, args);
}

const CheckInfo* AllChecks(std::size_t* count) {
  *count = sizeof kChecks / sizeof kChecks[0];
  return kChecks;
}

const CheckInfo& InfoOf(Check id) {
  return kChecks[static_cast<std::size_t>(id)];
}

const CheckInfo* FindCheck(std::string_view name) {
  for (const CheckInfo& info : kChecks) {
    if (name == info.Name) return &info;
  }
  return nullptr;
}

const char* SeverityName(Severity level) {
  static const char* const kNames[] = {"note", "warning", "error"};
  return kNames[static_cast<std::size_t>(level)];
}

}  // namespace tarnwell::check
