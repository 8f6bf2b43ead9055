#include "check/CheckNames.h"

namespace tarnwell::check {
namespace {

// In the order of the enumeration, which both take from the one table.
constexpr CheckInfo kChecks[] = {
#define CHECK(Id, Name, Level, ...) \
  {Check::k##Id, Name, Severity::k##Level, __VA_ARGS__},
#include "check/CheckTable.h"
};

}  // namespace

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
