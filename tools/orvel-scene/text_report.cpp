#include "tools/orvel-scene/text_report.h"

#include <algorithm>

#include "tools/orvel-scene/float_text.h"

namespace orvel::scene_tool {

namespace {

std::string SignText(int sign) { return sign > 0 ? "+" : sign < 0 ? "-" : "0"; }

std::string SettingsText(OptionCode option, const std::optional<uint8_t>& keep) {
  return OptionText(option) + (keep ? " keep=" + std::to_string(*keep) : "");
}

// Rows of cells, padded so that every column lines up; trailing blanks trimmed.
void WriteTable(const std::vector<std::vector<std::string>>& rows, const std::string& indent, std::ostream& out) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
  }
}

void WriteChanges(const std::vector<NodeChange>& changes, std::ostream& out) {
  if (changes.empty()) {
    out << "  no node changed\n";
    return;
  }
  bool matrices = false;
  for (const NodeChange& change : changes) {
    for (const FieldChange& field : change.fields) matrices = matrices || field.determinantBefore.has_value();
  }
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"node", "field", "before", "after"});
  if (matrices) rows.back().push_back("det");
  for (const NodeChange& change : changes) {
    std::string node = change.node + (change.copyOf.empty() ? "" : " (copy of " + change.copyOf + ")");
    for (const FieldChange& field : change.fields) {
      rows.push_back({node, field.field, ValueText(field.before), ValueText(field.after)});
      if (field.determinantBefore) {
        rows.back().push_back(SignText(*field.determinantBefore) + " -> " + SignText(*field.determinantAfter));
      }
      node.clear();
    }
  }
  WriteTable(rows, "  ", out);
}

void WriteTree(const CopyTree& tree, int depth, std::ostream& out) {
  out << std::string(static_cast<std::size_t>(4 + 2 * depth), ' ') << tree.node << "\n";
  for (const CopyTree& child : tree.children) WriteTree(child, depth + 1, out);
}

void WriteStep(const StepReport& step, bool trace, std::ostream& out) {
  out << "\nstep " << step.index << ": " << step.step.text << "\n";
  out << "  object started with " << SettingsText(step.startedOption, step.startedKeep) << ", ran with "
      << SettingsText(step.option, step.keep) << "\n";
  out << "  result: " << (step.result ? 1 : 0) << "\n";
  if (step.step.module == ModuleKind::kPinmark) {
    if (!step.recorded) {
      out << "  recorded point: none yet\n";
    } else if (step.recordedHere) {
      out << "  recorded point: " << VectorText(step.recorded->point) << ", " << step.recorded->node
          << "'s pivot through its placement and axis scale\n";
    } else {
      out << "  recorded point: " << VectorText(step.recorded->point) << ", recorded at step " << step.recorded->step
          << " on " << step.recorded->node << "\n";
    }
  }
  WriteChanges(step.changes, out);
  for (const CopyReport& copy : step.copies) {
    out << "  copy of " << copy.source << ", under " << copy.parent << ":\n";
    WriteTree(copy.tree, 0, out);
  }
  if (trace) {
    out << "  host calls:\n";
    for (const std::string& call : step.calls) out << "    " << call << "\n";
  }
}

}  // namespace

std::string ValueText(const FieldValue& value) {
  switch (value.kind) {
    case FieldValue::Kind::kMatrix: {
      float m[9];
      std::copy(value.numbers.begin(), value.numbers.end(), m);
      return MatrixText(m);
    }
    case FieldValue::Kind::kVector:
      return VectorText({value.numbers[0], value.numbers[1], value.numbers[2]});
    case FieldValue::Kind::kScalar:
      return FloatText(value.numbers[0]);
    case FieldValue::Kind::kBox:
      return BoxText({value.numbers[0], value.numbers[1], value.numbers[2], value.numbers[3], value.numbers[4], value.numbers[5]});
    case FieldValue::Kind::kNames: {
      if (value.names.empty()) return "(none)";
      std::string text;
      for (const std::string& name : value.names) text += (text.empty() ? "" : ", ") + name;
      return text;
    }
  }
  return "?";
}

void WriteText(const RunSummary& run, bool trace, std::ostream& out) {
  out << "scene: " << run.source << "\n";
  std::vector<std::vector<std::string>> rows;
  for (const SceneLine& line : run.scene) {
    std::string list;
    for (const std::string& name : line.list) list += (list.empty() ? "lists " : ", ") + name;
    rows.push_back({std::string(static_cast<std::size_t>(2 * line.depth), ' ') + line.node, list});
  }
  WriteTable(rows, "  ", out);
  out << (run.modules.empty() ? "modules: none needed\n" : "modules:\n");
  rows.clear();
  for (const HostedModule& module : run.modules) rows.push_back({ModuleWord(module.kind), module.path});
  WriteTable(rows, "  ", out);
  if (run.steps.empty()) out << "\nno steps to run\n";
  for (const StepReport& step : run.steps) WriteStep(step, trace, out);
  if (!run.faults.empty()) {
    out << "\nhost faults:\n";
    for (const std::string& fault : run.faults) out << "  " << fault << "\n";
  }
}

}  // namespace orvel::scene_tool
