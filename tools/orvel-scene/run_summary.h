// Everything a run of the tool shows: the scene it started from, the
// modules it hosted, what each step did, and the faults the host saw.
#pragma once

#include <string>
#include <vector>

#include "tools/orvel-scene/step_report.h"

namespace orvel::scene_tool {

struct SceneLine {
  int depth;  // 0 for a top-level node
  std::string node;
  std::vector<std::string> list;
};

struct HostedModule {
  ModuleKind kind;
  std::string path;
};

struct RunSummary {
  std::string source;
  std::vector<SceneLine> scene;  // parents before children
  std::vector<HostedModule> modules;
  DrawState initial;  // the scene before the first step, through transforms
  std::vector<StepReport> steps;
  // Calls the host did not expect, unbalanced references, memory not given
  // back, modules that will not unload; one line each.
  std::vector<std::string> faults;
};

}  // namespace orvel::scene_tool
