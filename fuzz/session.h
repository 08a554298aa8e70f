// One host session against a module, read from fuzzer input: the host binds
// the module to its services, gets factories, creates, copies, queries,
// counts and releases objects, writes their OperationData, calls every
// position of their interface table and runs Execute on scenes the input
// builds, refusing memory where the input says. After every action the
// harness holds the module against its model of what the host holds; at the
// end it releases everything and the module must hold nothing.
//
// The harness's model: the references the host holds on every factory and
// object, which host each block came from, the lock balance, the module
// defaults, and (for the pivot module) whether the recorded point could make
// a place run overflow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "frame/extension_interfaces.h"
#include "fuzz/module_under_test.h"
#include "fuzz/session_input.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace orvel::fuzz {

// Runs one session; returns normally only when every invariant held.
void RunSession(Deliverable deliverable, const uint8_t* data, std::size_t size);

class Session {
 public:
  Session(ModuleUnderTest& module, SessionInput& input);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Run();

 private:
  // A HostServices object and what the module should have done with it.
  struct Host {
    std::unique_ptr<host::TestHostServices> services;
    std::array<bool, 5> refused{};
    // References the module took on each of the five interfaces and keeps.
    std::array<int32_t, 5> serviceReferences{};
    // Frees of blocks the other host gave; the module frees to whichever
    // host is bound, so these are its due, and the blocks stay with their
    // own host as orphans.
    uint64_t foreignFrees = 0;
    std::vector<void*> orphans;
  };
  struct HeldFactory {
    IClassFactory* factory;
    int32_t references;
    int origin;
  };
  struct HeldObject {
    I3DExSceneOperation8* object;
    int32_t references;
    int origin;
    uint8_t* data;
    uint8_t expected[5];
  };
  // Host counters before a call, to judge the memory traffic it caused.
  struct MemoryMark {
    uint64_t requests[2];
    uint64_t refusals[2];
    uint64_t frees[2];
    std::size_t live[2];
    std::size_t queried[2];
    uint32_t hostValues[2];
  };

  void Act();

  // Exports and factory.
  void InitRDCom();
  void GetClassObject();
  void CanUnloadNow();
  void FactoryCall();
  void CreateInstance(HeldFactory& factory);
  // Object table positions.
  void ObjectCall();
  void CallPosition(std::size_t index, int position);
  void Initialize(HeldObject& object);
  void Clone(HeldObject& object);
  void QueryObject(HeldObject& object);
  void Execute(std::size_t index);
  void ExecutePivot(HeldObject& object, host::TestNode* node);
  void ExecuteMirror(HeldObject& object, host::TestNode* node);
  bool Run(HeldObject& object, host::TestNode* node);
  void WriteOption();
  void WriteData();
  // Scenes and the host's memory.
  void AddNodes();
  void SetNodeValue();
  void SetNodeRecord();
  void EditNodeList();
  void SetDuplicateFailure();
  void SetHostPolicy();

  host::TestNode* PickNode();
  int PickHost() { return input_.Byte() & 1; }
  HostServices* PickServices();

  // Model bookkeeping.
  void Adopt(IClassFactory* factory);
  void Adopt(I3DExSceneOperation8* object, const uint8_t* expected);
  void ReleaseFactory(std::size_t index);
  void ReleaseObject(std::size_t index);
  void FreedByModule(void* block, int origin, const MemoryMark& before);
  void ExpectBinding(int host, const MemoryMark& before);
  void ExpectNoBinding(const MemoryMark& before, const char* call);
  MemoryMark Mark() const;
  // Requests since `before`, all of which must have gone to the bound host.
  uint64_t RequestsSince(const MemoryMark& before, const char* call) const;
  bool RefusedSince(const MemoryMark& before) const;
  void ExpectNoMemoryTraffic(const MemoryMark& before, const char* call) const;
  void ExpectIncompleteCall(HRESULT result, void* out, const MemoryMark& before, const char* call) const;

  void CheckInvariants();
  void Finish();

  ModuleUnderTest& module_;
  SessionInput& input_;
  Host hosts_[2];
  int bound_ = 0;
  host::Scene scene_;
  // The list entries that answer no SceneNode, by the pointer the list holds.
  std::unordered_map<const IUnknown*, host::RefusingEntry*> refusingEntries_;
  std::vector<HeldFactory> factories_;
  std::vector<HeldObject> objects_;
  int32_t lockCount_ = 0;
  Settings defaults_;
  bool recordedPointMoved_ = false;
  // False once a memorize run recorded a point from values so large that a
  // place run may overflow; the harness does not redo the module's sums.
  bool recordedPointModest_ = true;
  uint64_t actions_ = 0;
};

}  // namespace orvel::fuzz
