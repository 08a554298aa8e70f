#include "tools/orvel-scene/json_report.h"

#include <nlohmann/json.hpp>

namespace orvel::scene_tool {

namespace {

using Json = nlohmann::ordered_json;

Json ValueJson(const FieldValue& value) {
  if (value.kind == FieldValue::Kind::kNames) return value.names;
  if (value.kind == FieldValue::Kind::kScalar) return value.numbers[0];
  return value.numbers;
}

Json SettingsJson(OptionCode option, const std::optional<uint8_t>& keep) {
  Json settings = {{"option", OptionText(option)}};
  if (keep) settings["keep"] = *keep;
  return settings;
}

Json TreeJson(const CopyTree& tree) {
  Json children = Json::array();
  for (const CopyTree& child : tree.children) children.push_back(TreeJson(child));
  return {{"node", tree.node}, {"children", children}};
}

Json StepJson(const StepReport& step, bool trace) {
  Json out;
  out["index"] = step.index;
  out["step"] = step.step.text;
  out["module"] = ModuleWord(step.step.module);
  out["node"] = step.step.node;
  out["startedWith"] = SettingsJson(step.startedOption, step.startedKeep);
  out["ranWith"] = SettingsJson(step.option, step.keep);
  out["result"] = step.result ? 1 : 0;
  if (step.recorded) {
    const Vector3& p = step.recorded->point;
    out["recordedPoint"] = {{"point", {p.x, p.y, p.z}}, {"node", step.recorded->node}, {"step", step.recorded->step}};
  } else {
    out["recordedPoint"] = nullptr;
  }
  Json changes = Json::array();
  for (const NodeChange& node : step.changes) {
    for (const FieldChange& field : node.fields) {
      Json change = {{"node", node.node}};
      if (!node.copyOf.empty()) change["copyOf"] = node.copyOf;
      change["field"] = field.field;
      change["before"] = ValueJson(field.before);
      change["after"] = ValueJson(field.after);
      if (field.determinantBefore) {
        change["determinantSign"] = {{"before", *field.determinantBefore}, {"after", *field.determinantAfter}};
      }
      changes.push_back(change);
    }
  }
  out["changes"] = changes;
  Json copies = Json::array();
  for (const CopyReport& copy : step.copies) {
    copies.push_back({{"source", copy.source}, {"parent", copy.parent}, {"tree", TreeJson(copy.tree)}});
  }
  out["copies"] = copies;
  if (trace) out["calls"] = step.calls;
  return out;
}

}  // namespace

void WriteJson(const RunSummary& run, bool trace, std::ostream& out) {
  Json document;
  document["scene"] = run.source;
  Json nodes = Json::array();
  for (const SceneLine& line : run.scene) nodes.push_back({{"node", line.node}, {"depth", line.depth}, {"list", line.list}});
  document["nodes"] = nodes;
  Json modules = Json::object();
  for (const HostedModule& module : run.modules) modules[ModuleWord(module.kind)] = module.path;
  document["modules"] = modules;
  Json steps = Json::array();
  for (const StepReport& step : run.steps) steps.push_back(StepJson(step, trace));
  document["steps"] = steps;
  document["faults"] = run.faults;
  // Paths and names that are not UTF-8 are shown, not refused.
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace orvel::scene_tool
