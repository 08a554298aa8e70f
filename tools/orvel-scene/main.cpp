// orvel-scene: the host's part for either module, on a scene of one's own or
// the embedded sample. Everything the user gives is checked before the first
// step runs; see command_line.cpp for the usage.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/module_library.h"
#include "host/scene.h"
#include "host/test_host_services.h"
#include "tools/orvel-scene/command_line.h"
#include "tools/orvel-scene/input_error.h"
#include "tools/orvel-scene/json_report.h"
#include "tools/orvel-scene/module_set.h"
#include "tools/orvel-scene/sample_scene.h"
#include "tools/orvel-scene/scene_builder.h"
#include "tools/orvel-scene/scene_drawing.h"
#include "tools/orvel-scene/scene_file.h"
#include "tools/orvel-scene/step_runner.h"
#include "tools/orvel-scene/svg_drawing.h"
#include "tools/orvel-scene/text_report.h"

namespace orvel::scene_tool {

namespace {

std::vector<Step> ReadSteps(const CommandLine& line, const SceneDescription& scene) {
  std::vector<Step> steps;
  if (!line.stepWords.empty()) {
    steps = ParseCommandLineSteps(line.stepWords);
  } else {
    for (const StepText& text : scene.steps) steps.push_back(ParseStepText(text.text, text.place));
  }
  for (const Step& step : steps) {
    if (scene.Find(step.node) == nullptr) {
      throw InputError(step.place + " (\"" + step.text + "\")", "no node is named \"" + step.node + "\" in " + scene.source);
    }
  }
  return steps;
}

void LoadModules(const CommandLine& line, const std::vector<Step>& steps, ModuleSet& modules) {
  if (line.pinmarkFile) modules.Load(*line.pinmarkFile, ModuleKind::kPinmark, "--pinmark");
  if (line.twinflipFile) modules.Load(*line.twinflipFile, ModuleKind::kTwinflip, "--twinflip");
  for (const std::string& file : line.moduleFiles) modules.Load(file, std::nullopt, "--module");
  // The modules built beside the tool, for the classes the steps need.
  for (ModuleKind kind : {ModuleKind::kPinmark, ModuleKind::kTwinflip}) {
    bool needed = false;
    for (const Step& step : steps) needed = needed || step.module == kind;
    if (!needed || modules.Has(kind)) continue;
    const std::string word = ModuleWord(kind);
    try {
      modules.Load(kind == ModuleKind::kPinmark ? host::PinmarkModulePath() : host::TwinflipModulePath(), kind,
                   word + " module");
    } catch (const InputError& error) {
      throw InputError(std::string(error.what()) + " (give one with --" + word + " FILE or --module FILE)");
    }
  }
}

void AddSceneLines(const SceneDescription& scene, const NodeDescription& node, int depth, std::vector<SceneLine>& lines) {
  lines.push_back({depth, node.name, node.list});
  for (const std::string& child : node.children) AddSceneLines(scene, *scene.Find(child), depth + 1, lines);
}

std::vector<std::string> HostFaults(const host::Scene& scene, const host::TestHostServices& services,
                                    const ModuleSet& modules) {
  std::vector<std::string> faults = scene.faults();
  for (const std::string& fault : services.faults()) faults.push_back(fault);
  std::istringstream leaks(services.allocator().LeakReport());
  for (std::string leak; std::getline(leaks, leak);) faults.push_back("host memory not given back: " + leak);
  for (const std::string& line : modules.StillInUse()) faults.push_back(line);
  return faults;
}

int Run(int argc, const char* const* argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.help) {
    std::cout << kUsage;
    return 0;
  }
  const SceneDescription description =
      line.sceneFile ? ReadSceneFile(*line.sceneFile) : ParseScene(kSampleScene, kSampleSceneName);
  const std::vector<Step> steps = ReadSteps(line, description);

  host::TestHostServices services;
  ModuleSet modules(services);
  LoadModules(line, steps, modules);

  std::ofstream svg;
  if (line.svgFile) {
    svg.open(*line.svgFile);
    if (!svg) throw InputError("--svg " + *line.svgFile, std::string("cannot be written (") + std::strerror(errno) + ")");
  }

  // Nothing has run yet; from here on, the host plays its part.
  host::Scene scene;
  BuildScene(description, scene);
  RunSummary run;
  run.source = description.source;
  for (const NodeDescription* top : description.TopLevel()) AddSceneLines(description, *top, 0, run.scene);
  for (ModuleKind kind : {ModuleKind::kPinmark, ModuleKind::kTwinflip}) {
    if (modules.Has(kind)) run.modules.push_back({kind, modules.Path(kind)});
  }
  run.initial = CaptureDrawing(scene, DrawFrame::kTransform, std::nullopt, {}, nullptr);

  StepRunner runner(modules, scene);
  for (std::size_t i = 0; i < steps.size(); ++i) run.steps.push_back(runner.Run(static_cast<int>(i + 1), steps[i]));
  run.faults = HostFaults(scene, services, modules);

  if (line.json) {
    WriteJson(run, line.trace, std::cout);
  } else {
    WriteText(run, line.trace, std::cout);
  }
  if (line.svgFile) {
    WriteSvg(run, svg);
    svg.close();
    if (!svg) throw RunError("--svg " + *line.svgFile + ": writing failed");
  }
  for (const std::string& fault : run.faults) std::cerr << "orvel-scene: host fault: " << fault << "\n";
  return run.faults.empty() ? 0 : 1;
}

}  // namespace

}  // namespace orvel::scene_tool

int main(int argc, char** argv) {
  using namespace orvel::scene_tool;
  try {
    return Run(argc, argv);
  } catch (const InputError& error) {
    std::cerr << "orvel-scene: " << error.what() << "\n";
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "orvel-scene: " << error.what() << "\n";
    return 1;
  }
}
