#include "check/SharedValues.h"

#include <map>
#include <string>

#include "check/Text.h"
#include "platform/regfile/TreeRegistry.h"

namespace tarnwell::check {
namespace {

struct WrittenValue {
  std::string Key;   // path below HKEY_LOCAL_MACHINE, as written
  std::string Name;
  std::uint32_t Type = 0;
  std::string Data;
};

// Folded "key\name" -> value, for everything one section writes.
using Writes = std::map<std::u16string, WrittenValue>;

void Collect(const regstore::RegNode& node, const std::u16string& path,
             Writes* writes) {
  for (const regstore::RegValue& v : node.Values()) {
    WrittenValue w;
    w.Key = Utf16ToUtf8(path);
    w.Name = Utf16ToUtf8(v.Name);
    w.Type = v.Type;
    w.Data.assign(v.Data);
    (*writes)[regstore::FoldCase(path + u"\\" + std::u16string(v.Name))] =
        std::move(w);
  }
  for (const auto& child : node.Children()) {
    const std::u16string name(child.second->Name());
    std::u16string child_path = path.empty() ? name : path + u"\\" + name;
    Collect(*child.second, child_path, writes);
  }
}

// What the installer's pass writes for a configuration of one entry.
Writes WritesOf(const InstallConfig& single) {
  regstore::TreeRegistry store;
  single.WriteConfigToRegistry(store);
  Writes writes;
  const regstore::RegNode* hive =
      store.Tree().Root().Child(u"HKEY_LOCAL_MACHINE");
  if (hive != nullptr) Collect(*hive, u"", &writes);
  return writes;
}

Writes WritesOf(const DeviceEntry& entry) {
  InstallConfig single;
  single.Devices.push_back(entry);
  return WritesOf(single);
}

Writes WritesOf(const ModemEntry& entry) {
  InstallConfig single;
  single.Modems.push_back(entry);
  return WritesOf(single);
}

// "Key "a", "b"; Key2 "c"" from values grouped by key.
std::string ListByKey(const std::vector<const WrittenValue*>& values) {
  std::map<std::string, std::string> by_key;
  for (const WrittenValue* v : values) {
    std::string& names = by_key[v->Key];
    if (!names.empty()) names += ", ";
    names += Quote(v->Name);
  }
  std::string out;
  for (const auto& [key, names] : by_key) {
    if (!out.empty()) out += "; ";
    out += key + " " + names;
  }
  return out;
}

}  // namespace

std::vector<Diagnostic> SharedValueDiagnostics(
    const InstallConfig& config, const std::vector<SectionInfo>& devices,
    const std::vector<SectionInfo>& modems) {
  struct Written {
    const SectionInfo* Section;
    Writes Values;
  };
  std::vector<Written> order;  // the order of the install pass
  for (std::size_t i = 0; i < config.Devices.size() && i < devices.size(); ++i) {
    order.push_back({&devices[i], WritesOf(config.Devices[i])});
  }
  for (std::size_t i = 0; i < config.Modems.size() && i < modems.size(); ++i) {
    order.push_back({&modems[i], WritesOf(config.Modems[i])});
  }

  std::vector<Diagnostic> out;
  // The section that wrote each value last, so far.
  std::map<std::u16string, std::size_t> owner;
  for (std::size_t later = 0; later < order.size(); ++later) {
    std::map<std::size_t, std::vector<const WrittenValue*>> replaced;
    std::map<std::size_t, std::vector<const WrittenValue*>> kept;
    std::map<std::u16string, bool> keys_written;
    for (const auto& [path, value] : order[later].Values) {
      keys_written[regstore::FoldCase(
          std::u16string(path.substr(0, path.rfind(u'\\'))))] = true;
      auto it = owner.find(path);
      if (it == owner.end()) continue;
      const WrittenValue& before = order[it->second].Values.at(path);
      if (before.Type != value.Type || before.Data != value.Data) {
        replaced[it->second].push_back(&value);
      }
    }
    // Values of earlier sections in keys this one writes but that it
    // leaves alone: they stay and now go with this section too.
    for (const auto& [path, index] : owner) {
      if (order[later].Values.count(path) != 0) continue;
      std::u16string key(path.substr(0, path.rfind(u'\\')));
      if (keys_written.count(key) == 0) continue;
      kept[index].push_back(&order[index].Values.at(path));
    }
    std::map<std::size_t, bool> earlier;
    for (const auto& r : replaced) earlier[r.first] = true;
    for (const auto& k : kept) earlier[k.first] = true;
    for (const auto& e : earlier) {
      const SectionInfo& first = *order[e.first].Section;
      const SectionInfo& second = *order[later].Section;
      std::string message = "this section writes the same registry keys as "
                            "the " + DescribeSection(first);
      if (replaced.count(e.first) != 0) {
        message += ", and the installer writes it later: its values replace " +
                   ListByKey(replaced[e.first]);
      }
      if (kept.count(e.first) != 0) {
        message += replaced.count(e.first) != 0 ? "; " : ": ";
        message += "what only the earlier section gave stays and applies to "
                   "this one too: " + ListByKey(kept[e.first]);
      }
      Diagnostic d;
      d.Level = Severity::kWarning;
      d.Line = second.Line;
      d.Column = second.Column;
      d.Length = second.Length;
      d.Message = message;
      out.push_back(std::move(d));
    }
    for (const auto& [path, value] : order[later].Values) owner[path] = later;
  }
  return out;
}

}  // namespace tarnwell::check
