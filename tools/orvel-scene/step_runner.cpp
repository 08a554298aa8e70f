#include "tools/orvel-scene/step_runner.h"

#include <set>
#include <sstream>

#include "tools/orvel-scene/input_error.h"
#include "tools/orvel-scene/scene_changes.h"
#include "tools/orvel-scene/scene_drawing.h"

namespace orvel::scene_tool {

namespace {

constexpr OptionCode kMemorize = FourCharCode("HMEM");
// Arguments of Execute that the operations do not read.
constexpr uint32_t kUnread = 0;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

StepReport StepRunner::Run(int index, const Step& step) {
  host::TestNode* node = scene_.Find(step.node);
  if (node == nullptr) throw RunError("step " + std::to_string(index) + ": no node named " + step.node);

  StepReport report{};
  report.index = index;
  report.step = step;
  report.frame = step.module == ModuleKind::kPinmark ? DrawFrame::kPlacement : DrawFrame::kTransform;
  const bool pinmark = step.module == ModuleKind::kPinmark;

  const SceneValues before = TakeValues(scene_);
  report.before = CaptureDrawing(scene_, report.frame, recorded_, {}, nullptr);

  Operation operation = modules_.Create(step.module);
  report.startedOption = operation.option();
  if (!pinmark) report.startedKeep = operation.keep();
  if (step.option) operation.SetOption(*step.option);
  if (!pinmark && step.keep) operation.SetKeep(*step.keep);
  report.option = operation.option();
  if (!pinmark) report.keep = operation.keep();

  scene_.log().Clear();
  report.result = operation.get()->Execute(kUnread, node, kUnread, kUnread, kUnread);
  report.calls = Lines(scene_.log().DescribeAll());
  // The host lets go of the object once it has run.
  operation.Release();

  if (pinmark && report.result && report.option == kMemorize) {
    const NodeValues& read = before.at(node);
    recorded_ = RecordedPoint{MapPoint(read.pivot, read.placement, read.axisScale), step.node, index};
    report.recordedHere = true;
  }
  if (pinmark) report.recorded = recorded_;

  report.changes = CompareValues(before, scene_);
  report.copies = FindCopies(before, scene_);
  std::set<uint32_t> changed;
  // A node is drawn as changed when its own values changed, not only its list of children.
  for (const NodeChange& change : report.changes) {
    for (const FieldChange& field : change.fields) {
      if (field.field != "children") changed.insert(change.id);
    }
  }
  report.after = CaptureDrawing(scene_, report.frame, recorded_, changed, &before);
  return report;
}

}  // namespace orvel::scene_tool
