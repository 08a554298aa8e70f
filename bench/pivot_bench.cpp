// Speed of Pinmark's Execute against the length of the node list, driven
// through the built module as the host drives it.
//
// BM_PivotPlace runs "HLPA" (with a recorded point, so every run also makes
// the writing calls) on a node whose list holds `entries` distinct nodes,
// the node itself first. BM_HostListFloor makes the very same host calls per
// entry (QueryInterface, three reads, Release) from a plain loop, without
// the module: what the host itself costs. Counters:
//   per_entry    time per list entry (seconds; "n" is ns)
//   allocations  requests the host's allocator saw during the timed runs
// The reported complexity (BigO, RMS) fits the times against the entry count.
//
// The call log is off throughout: its cost would swamp both.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "frame/extension_interfaces.h"
#include "host/module_library.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace {

using orvel::I3DExSceneOperation8;
using orvel::NodeTransform;
using orvel::SceneNode;
using orvel::Vector3;
using orvel::host::Scene;
using orvel::host::TestNode;

// {5ED17F01-8588-11D2-B7A5-F35813A8BA80}
constexpr orvel::GUID kPinmarkClassId = {0x5ED17F01, 0x8588, 0x11D2, {0xB7, 0xA5, 0xF3, 0x58, 0x13, 0xA8, 0xBA, 0x80}};
constexpr uint32_t kIgnored = 0;

// The module, bound to one host for the whole program, and one object set to
// place, after one memorize run has recorded a point.
struct Module {
  orvel::host::TestHostServices services;
  std::unique_ptr<orvel::host::ModuleLibrary> library;
  I3DExSceneOperation8* place = nullptr;
};

I3DExSceneOperation8* NewObject(Module& module, orvel::OptionCode option) {
  orvel::IClassFactory* factory = nullptr;
  module.library->GetClassObject(&kPinmarkClassId, &orvel::kIidClassFactory, reinterpret_cast<void**>(&factory));
  void* object = nullptr;
  if (factory == nullptr || factory->CreateInstance(nullptr, &orvel::kIidExtension, &object) != 0) {
    std::fprintf(stderr, "no Pinmark object\n");
    std::exit(1);
  }
  factory->Release();
  auto* operation = static_cast<I3DExSceneOperation8*>(object);
  std::memcpy(operation->GetOperationData(), &option, sizeof option);
  return operation;
}

Module& TheModule() {
  static Module* module = [] {
    auto* loaded = new Module();
    std::string error;
    loaded->library = orvel::host::ModuleLibrary::Open(orvel::host::PinmarkModulePath(), &error);
    if (!loaded->library) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    loaded->library->InitRDCom(&loaded->services);
    Scene scene;
    TestNode& source = scene.Add("source");
    source.pivot = {1, 2, 3};
    I3DExSceneOperation8* memorize = NewObject(*loaded, orvel::FourCharCode("HMEM"));
    memorize->Execute(kIgnored, &source, kIgnored, kIgnored, kIgnored);
    memorize->Release();
    loaded->place = NewObject(*loaded, orvel::FourCharCode("HLPA"));
    return loaded;
  }();
  return *module;
}

NodeTransform RandomTransform(std::mt19937& random) {
  std::uniform_real_distribution<float> spread(-50.0f, 50.0f);
  std::uniform_real_distribution<float> scale(0.5f, 2.0f);
  // A quarter turn about z; the values, not the rotation, are what matters.
  return orvel::host::MakeTransform({0, -1, 0, 1, 0, 0, 0, 0, 1}, {spread(random), spread(random), spread(random)},
                                    scale(random));
}

// A node listing itself and entries - 1 other nodes, built once per size:
// Google Benchmark calls a benchmark more than once while it sizes its runs.
TestNode& ListOwner(int64_t entries) {
  static std::map<int64_t, std::unique_ptr<Scene>> scenes;
  std::unique_ptr<Scene>& scene = scenes[entries];
  if (!scene) {
    scene = std::make_unique<Scene>();
    scene->log().enabled = false;
    std::mt19937 random(20261211);
    std::uniform_real_distribution<float> corner(-5.0f, 5.0f);
    TestNode& owner = scene->Add("owner");
    owner.nodeList.reserve(static_cast<std::size_t>(entries));
    scene->ListNode(owner, owner);
    for (int64_t i = 1; i < entries; ++i) {
      TestNode& listed = scene->Add("");
      listed.frameTransform = RandomTransform(random);
      listed.axisScale = {1.0f, 2.0f, 0.5f};
      listed.box = {corner(random), corner(random), corner(random), corner(random), corner(random), corner(random)};
      scene->ListNode(owner, listed);
    }
  }
  return *scene->nodes()[1];
}

void ReportPerEntry(benchmark::State& state, int64_t entries) {
  state.SetItemsProcessed(state.iterations() * entries);
  state.SetComplexityN(entries);
  state.counters["per_entry"] = benchmark::Counter(static_cast<double>(entries),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_PivotPlace(benchmark::State& state) {
  Module& module = TheModule();
  const int64_t entries = state.range(0);
  TestNode& owner = ListOwner(entries);
  const uint64_t requestsBefore = module.services.allocateCalls();
  for (auto _ : state) {
    benchmark::DoNotOptimize(module.place->Execute(kIgnored, &owner, kIgnored, kIgnored, kIgnored));
  }
  state.counters["allocations"] =
      benchmark::Counter(static_cast<double>(module.services.allocateCalls() - requestsBefore));
  ReportPerEntry(state, entries);
}

// The host's part of one run: the list, and per entry the query, the three
// reads and the release, without the box arithmetic or the place step.
void BM_HostListFloor(benchmark::State& state) {
  const int64_t entries = state.range(0);
  TestNode& owner = ListOwner(entries);
  for (auto _ : state) {
    int32_t count = 0;
    orvel::NodeListEntry* list = nullptr;
    owner.GetNodeList(&count, &list);
    for (int32_t i = 0; i < count; ++i) {
      SceneNode* listed = nullptr;
      list[i].node->QueryInterface(&orvel::kIidSceneNode, reinterpret_cast<void**>(&listed));
      NodeTransform frame;
      orvel::BoundingBox box;
      Vector3 axisScale;
      listed->GetFrameTransform(&frame);
      listed->GetBoundingBox(&box, 0);
      listed->GetAxisScale(&axisScale);
      benchmark::DoNotOptimize(frame);
      benchmark::DoNotOptimize(box);
      benchmark::DoNotOptimize(axisScale);
      listed->Release();
    }
    owner.ReleaseNodeList();
  }
  ReportPerEntry(state, entries);
}

BENCHMARK(BM_PivotPlace)->Arg(1)->Arg(100)->Arg(10000)->Arg(1000000)->Complexity(benchmark::oN);
BENCHMARK(BM_HostListFloor)->Arg(1)->Arg(100)->Arg(10000)->Arg(1000000)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
