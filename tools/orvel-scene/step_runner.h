// Plays the host for one step after another on one scene: a new extension
// object from the step's module, its OperationData written in place,
// Execute(0, node, 0, 0, 0), the object released. Module state carries over
// from step to step as in the host, since the modules stay loaded.
#pragma once

#include <optional>

#include "host/scene.h"
#include "tools/orvel-scene/module_set.h"
#include "tools/orvel-scene/step_report.h"

namespace orvel::scene_tool {

class StepRunner {
 public:
  StepRunner(ModuleSet& modules, host::Scene& scene) : modules_(modules), scene_(scene) {}

  // `index` counts from 1. RunError when the module will not make an object.
  StepReport Run(int index, const Step& step);

 private:
  ModuleSet& modules_;
  host::Scene& scene_;
  std::optional<RecordedPoint> recorded_;
};

}  // namespace orvel::scene_tool
