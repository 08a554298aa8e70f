// Speed and host memory of Twinflip's Execute on large trees, driven through
// the built module as the host drives it.
//
// BM_MirrorDuplicate times Execute on a tree of `nodes` nodes and, on an
// identical fresh tree, the floor: the very same host calls in the very same
// order, issued by a flat loop over a list prepared in advance. The floor is
// what the host itself costs; `ratio` is Execute's time over the floor's, so
// what the module adds is ratio - 1. Counters:
//   per_node        Execute's time per node
//   floor_per_node  the floor's time per node
//   ratio           Execute / floor
//   peak_bytes      host memory the walk held at its peak
//
// BM_WalkMemory reports that peak against the depth of a chain.
//
// The call log is off throughout: its cost would swamp both.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "frame/extension_interfaces.h"
#include "host/module_library.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace {

using orvel::I3DExSceneOperation8;
using orvel::SceneNode;
using orvel::host::Scene;
using orvel::host::TestNode;

// {EB214160-833B-11D2-B092-0000F43AF527}
constexpr orvel::GUID kTwinflipClassId = {0xEB214160, 0x833B, 0x11D2, {0xB0, 0x92, 0x00, 0x00, 0xF4, 0x3A, 0xF5, 0x27}};

// The module, bound to one host for the whole program, and one object set to
// mirror along X with the translation corrected, so every run makes every call.
struct Module {
  orvel::host::TestHostServices services;
  std::unique_ptr<orvel::host::ModuleLibrary> library;
  orvel::IClassFactory* factory = nullptr;
  I3DExSceneOperation8* object = nullptr;
};

Module& TheModule() {
  static Module* module = [] {
    auto* loaded = new Module();
    std::string error;
    loaded->library = orvel::host::ModuleLibrary::Open(orvel::host::TwinflipModulePath(), &error);
    if (!loaded->library) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    loaded->library->InitRDCom(&loaded->services);
    loaded->library->GetClassObject(&kTwinflipClassId, &orvel::kIidClassFactory,
                                    reinterpret_cast<void**>(&loaded->factory));
    void* object = nullptr;
    if (loaded->factory == nullptr || loaded->factory->CreateInstance(nullptr, &orvel::kIidExtension, &object) != 0) {
      std::fprintf(stderr, "no Twinflip object\n");
      std::exit(1);
    }
    loaded->object = static_cast<I3DExSceneOperation8*>(object);
    auto* data = static_cast<uint8_t*>(loaded->object->GetOperationData());
    const orvel::OptionCode code = orvel::FourCharCode("SXAX");
    std::memcpy(data, &code, 4);
    data[4] = 0;
    return loaded;
  }();
  return *module;
}

enum class Shape { kWide, kDeep, kRandom };

// A tree of `nodes` nodes; the same shape for the same arguments. Its top is
// scene.nodes()[1], after the hidden root.
void Grow(Scene& scene, Shape shape, std::size_t nodes) {
  scene.log().enabled = false;
  TestNode& top = scene.Add("");
  std::vector<TestNode*> made{&top};
  made.reserve(nodes);
  std::mt19937 random(12345);
  for (std::size_t i = 1; i < nodes; ++i) {
    TestNode* parent = &top;
    if (shape == Shape::kDeep) {
      parent = made.back();
    } else if (shape == Shape::kRandom) {
      // A parent among the last thousand nodes: fan-out from one to dozens,
      // depth growing to some thousands of levels.
      const std::size_t window = i < 1000 ? i : 1000;
      parent = made[i - 1 - random() % window];
    }
    made.push_back(&scene.Add("", parent));
  }
}

TestNode& Top(const Scene& scene) { return *scene.nodes()[1]; }

// The host calls of one run, on node ids of the source tree.
enum class Op : uint8_t { kDuplicate, kInsertSibling, kGetFirstChild, kAddChild, kGetNextSibling, kMirror };
struct Step {
  Op op;
  uint32_t node;
  uint32_t other;
};

// The steps of the recursive copy of the top node, worked out from the
// host's own view of the tree, without recursion.
std::vector<Step> PrepareSteps(const Scene& scene) {
  const TestNode& top = Top(scene);
  std::vector<Step> steps;
  steps.reserve(scene.nodes().size() * 5);
  steps.push_back({Op::kDuplicate, top.id(), 0});
  steps.push_back({Op::kInsertSibling, top.id(), 0});
  steps.push_back({Op::kGetFirstChild, top.id(), 0});
  struct Level {
    const TestNode* node;
    std::size_t next;
  };
  std::vector<Level> levels{{&top, 0}};
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next < level.node->children().size()) {
      const TestNode* child = level.node->children()[level.next];
      steps.push_back({Op::kDuplicate, child->id(), 0});
      steps.push_back({Op::kGetFirstChild, child->id(), 0});
      if (!child->children().empty()) {
        levels.push_back({child, 0});
        continue;
      }
    } else {
      levels.pop_back();
      if (levels.empty()) break;
    }
    Level& parent = levels.back();
    const TestNode* child = parent.node->children()[parent.next];
    steps.push_back({Op::kAddChild, parent.node->id(), child->id()});
    steps.push_back({Op::kGetNextSibling, child->id(), 0});
    ++parent.next;
  }
  steps.push_back({Op::kMirror, top.id(), 0});
  return steps;
}

// The floor: the prepared calls, one after the other.
void ReplaySteps(const Scene& scene, const std::vector<Step>& steps, std::vector<SceneNode*>& copies) {
  const auto& nodes = scene.nodes();
  for (const Step& step : steps) {
    SceneNode* node = nodes[step.node].get();
    switch (step.op) {
      case Op::kDuplicate:
        copies[step.node] = node->Duplicate(1);
        break;
      case Op::kInsertSibling:
        node->InsertSibling(copies[step.node]);
        break;
      case Op::kGetFirstChild:
        benchmark::DoNotOptimize(node->GetFirstChild());
        break;
      case Op::kAddChild:
        copies[step.node]->AddChild(copies[step.other]);
        break;
      case Op::kGetNextSibling:
        benchmark::DoNotOptimize(node->GetNextSibling());
        break;
      case Op::kMirror: {
        orvel::Vector3 pivot{};
        orvel::NodeTransform transform{};
        orvel::NodeTransform source{};
        orvel::Vector3 axisScale{};
        node->GetPivot(&pivot);
        copies[step.node]->GetTransform(&transform);
        node->GetTransform(&source);
        node->GetAxisScale(&axisScale);
        copies[step.node]->SetTransform(&transform);
        break;
      }
    }
  }
}

double Seconds(std::chrono::steady_clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

void BM_MirrorDuplicate(benchmark::State& state, Shape shape) {
  Module& module = TheModule();
  const auto nodes = static_cast<std::size_t>(state.range(0));
  std::vector<Step> steps;
  double executeTime = 0;
  double floorTime = 0;
  std::size_t peakBytes = 0;
  for (auto _ : state) {
    double elapsed = 0;
    {
      Scene scene;
      Grow(scene, shape, nodes);
      auto& allocator = module.services.allocator();
      const std::size_t baseline = allocator.liveBytes();
      allocator.ResetPeak();
      const auto start = std::chrono::steady_clock::now();
      const bool done = module.object->Execute(0, &Top(scene), 0, 0, 0);
      elapsed = Seconds(std::chrono::steady_clock::now() - start);
      if (!done || scene.duplicates() != nodes) state.SkipWithError("the copy is not complete");
      peakBytes = allocator.peakBytes() - baseline;
    }
    executeTime += elapsed;
    {
      Scene scene;
      Grow(scene, shape, nodes);
      if (steps.empty()) steps = PrepareSteps(scene);
      std::vector<SceneNode*> copies(scene.nodes().size());
      const auto start = std::chrono::steady_clock::now();
      ReplaySteps(scene, steps, copies);
      floorTime += Seconds(std::chrono::steady_clock::now() - start);
    }
    state.SetIterationTime(elapsed);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["per_node"] = benchmark::Counter(executeTime / runs / static_cast<double>(nodes));
  state.counters["floor_per_node"] = benchmark::Counter(floorTime / runs / static_cast<double>(nodes));
  state.counters["ratio"] = benchmark::Counter(executeTime / floorTime);
  state.counters["peak_bytes"] = benchmark::Counter(static_cast<double>(peakBytes));
}

void BM_WalkMemory(benchmark::State& state) {
  Module& module = TheModule();
  const auto depth = static_cast<std::size_t>(state.range(0));
  std::size_t peakBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      Scene scene;
      Grow(scene, Shape::kDeep, depth + 1);
      auto& allocator = module.services.allocator();
      const std::size_t baseline = allocator.liveBytes();
      allocator.ResetPeak();
      state.ResumeTiming();
      module.object->Execute(0, &Top(scene), 0, 0, 0);
      state.PauseTiming();
      peakBytes = allocator.peakBytes() - baseline;
    }
    state.ResumeTiming();
  }
  state.counters["peak_bytes"] = benchmark::Counter(static_cast<double>(peakBytes));
  state.counters["bytes_per_level"] = benchmark::Counter(static_cast<double>(peakBytes) / static_cast<double>(depth));
}

}  // namespace

// Fewer runs of the large trees: each one builds two trees of a million nodes.
BENCHMARK_CAPTURE(BM_MirrorDuplicate, wide, Shape::kWide)
    ->Arg(100000)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MirrorDuplicate, wide, Shape::kWide)
    ->Arg(1000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MirrorDuplicate, deep, Shape::kDeep)
    ->Arg(100000)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MirrorDuplicate, deep, Shape::kDeep)
    ->Arg(1000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MirrorDuplicate, random, Shape::kRandom)
    ->Arg(100000)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MirrorDuplicate, random, Shape::kRandom)
    ->Arg(1000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkMemory)
    ->Arg(10)->Arg(47)->Arg(48)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)->Iterations(1);

BENCHMARK_MAIN();
