#include "fuzz/session.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/invariant.h"

namespace orvel::fuzz {

namespace {

// Enough for every path of the modules; keeps one input's run short.
constexpr uint64_t kMaxActions = 4096;
// Live factories and objects; more add nothing but time.
constexpr std::size_t kMaxHeld = 64;

// What the host leaves in an out pointer before a call, so that "left
// untouched" and "set to null" can both be told.
void* const kUntouched = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5e7e5e70u));

bool Same(const GUID& id, KnownIdIndex known) { return SameId(id, KnownId(known)); }
bool AnsweredByFactory(const GUID& id) { return Same(id, kIdUnknown) || Same(id, kIdClassFactory); }
bool AnsweredByObject(const GUID& id) {
  return Same(id, kIdUnknown) || Same(id, kIdExtension) || Same(id, kIdDataExchanger) || Same(id, kIdSceneOperation);
}
bool CreatableAs(const GUID& id) { return Same(id, kIdUnknown) || Same(id, kIdExtension); }

// The count each of the module's objects keeps right after its table
// pointer: the layout the host relies on for the extension object, which
// the factory shares.
int32_t CountField(const void* object) {
  int32_t count;
  std::memcpy(&count, static_cast<const uint8_t*>(object) + sizeof(void*), sizeof count);
  return count;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

void Expect(bool holds, const char* invariant, const std::string& detail) {
  if (!holds) Violated(invariant, detail);
}

void ExpectResult(HRESULT result, HRESULT expected, const char* call) {
  if (result != expected) {
    Violated(invariant::kAnswers, std::string(call) + " answered " + Hex(static_cast<uint32_t>(result)) + ", not " +
                                      Hex(static_cast<uint32_t>(expected)));
  }
}

// An outer object for CreateInstance: the module must neither keep nor call it.
class OuterObject final : public IUnknown {
 public:
  HRESULT ORVEL_STDCALL QueryInterface(const GUID*, void**) override { Misused(); }
  uint32_t ORVEL_STDCALL AddRef() override { Misused(); }
  uint32_t ORVEL_STDCALL Release() override { Misused(); }

 private:
  [[noreturn]] static void Misused() { Violated(invariant::kAnswers, "CreateInstance called the outer object"); }
};

OuterObject outerObject;

}  // namespace

void RunSession(Deliverable deliverable, const uint8_t* data, std::size_t size) {
  ModuleUnderTest& module = ModuleUnderTest::Get(deliverable);
  module.Restore();
  SessionInput input(data, size);
  Session session(module, input);
  session.Run();
}

Session::Session(ModuleUnderTest& module, SessionInput& input)
    : module_(module), input_(input), defaults_(module.defaults) {
  hosts_[0].services = std::make_unique<host::TestHostServices>(0xa11ce000u);
  hosts_[1].services = std::make_unique<host::TestHostServices>(0xb0b00000u);
}

void Session::Run() {
  // A host binds the module before it asks anything of it.
  const MemoryMark before = Mark();
  ExpectResult(module_.library().InitRDCom(hosts_[0].services.get()), hr::kOk, "DllInitRDCom");
  ExpectBinding(0, before);
  CheckInvariants();
  while (!input_.spent() && actions_ < kMaxActions) {
    ++actions_;
    Act();
    CheckInvariants();
  }
  Finish();
}

void Session::Act() {
  switch (input_.Byte() % 16) {
    case 0: InitRDCom(); break;
    case 1: GetClassObject(); break;
    case 2: CanUnloadNow(); break;
    case 3: FactoryCall(); break;
    case 4:
      if (!factories_.empty()) CreateInstance(factories_[input_.Byte() % factories_.size()]);
      break;
    case 5:
    case 6: ObjectCall(); break;
    case 7:
      if (!objects_.empty()) Execute(input_.Byte() % objects_.size());
      break;
    case 8: WriteOption(); break;
    case 9: WriteData(); break;
    case 10: AddNodes(); break;
    case 11: SetNodeValue(); break;
    case 12: SetNodeRecord(); break;
    case 13: EditNodeList(); break;
    case 14: SetDuplicateFailure(); break;
    default: SetHostPolicy(); break;
  }
}

// ------------------------------------------------------ exports, factory

HostServices* Session::PickServices() {
  const uint8_t choice = input_.Byte() % 3;
  return choice < 2 ? hosts_[choice].services.get() : nullptr;
}

void Session::InitRDCom() {
  HostServices* services = PickServices();
  Note("DllInitRDCom(%s)", services == nullptr ? "null" : services == hosts_[0].services.get() ? "A" : "B");
  const MemoryMark before = Mark();
  ExpectResult(module_.library().InitRDCom(services), hr::kOk, "DllInitRDCom");
  if (services == nullptr) {
    ExpectNoBinding(before, "DllInitRDCom(null)");
  } else {
    ExpectBinding(services == hosts_[0].services.get() ? 0 : 1, before);
  }
  ExpectNoMemoryTraffic(before, "DllInitRDCom");
}

void Session::GetClassObject() {
  const SessionInput::IdArgument classArgument = input_.Id();
  const SessionInput::IdArgument interfaceArgument = input_.Id();
  const GUID& clsid = classArgument.id;
  const GUID& iid = interfaceArgument.id;
  void* out = kUntouched;
  const bool complete = classArgument.complete() && interfaceArgument.complete();
  const MemoryMark before = Mark();
  const HRESULT result = module_.library().GetClassObject(
      classArgument.get(), interfaceArgument.get(),
      classArgument.outGiven && interfaceArgument.outGiven ? &out : nullptr);
  Note("DllGetClassObject -> %s", Hex(static_cast<uint32_t>(result)).c_str());
  if (!complete) {
    ExpectIncompleteCall(result, out, before, "DllGetClassObject");
    return;
  }
  if (!SameId(clsid, module_.classId()) || !AnsweredByFactory(iid)) {
    // The class id is judged first.
    ExpectResult(result, SameId(clsid, module_.classId()) ? hr::kNoInterface : hr::kFail, "DllGetClassObject");
    Expect(out == kUntouched, invariant::kAnswers, "a refused DllGetClassObject leaves the out pointer alone");
    ExpectNoMemoryTraffic(before, "a refused DllGetClassObject");
    return;
  }
  Expect(RequestsSince(before, "DllGetClassObject") == 1, invariant::kAnswers,
         "DllGetClassObject asks for one block");
  if (RefusedSince(before)) {
    ExpectResult(result, hr::kOutOfMemory, "DllGetClassObject without memory");
    Expect(out == nullptr, invariant::kAnswers, "DllGetClassObject without memory stores null");
    return;
  }
  ExpectResult(result, hr::kOk, "DllGetClassObject");
  Expect(out != nullptr && out != kUntouched, invariant::kAnswers, "DllGetClassObject hands out a factory");
  if (factories_.size() + objects_.size() >= kMaxHeld) {
    // Not kept: the host lets it go at once.
    Adopt(static_cast<IClassFactory*>(out));
    ReleaseFactory(factories_.size() - 1);
    return;
  }
  Adopt(static_cast<IClassFactory*>(out));
}

void Session::CanUnloadNow() {
  // The answer is judged after every action; this is the host asking.
  Note("DllCanUnloadNow -> %d", module_.library().CanUnloadNow());
}

void Session::FactoryCall() {
  if (factories_.empty()) return;
  const std::size_t index = input_.Byte() % factories_.size();
  HeldFactory& held = factories_[index];
  const MemoryMark before = Mark();
  switch (input_.Byte() % 5) {
    case 0: {
      const SessionInput::IdArgument argument = input_.Id();
      const GUID& id = argument.id;
      void* out = kUntouched;
      const HRESULT result = held.factory->QueryInterface(argument.get(), argument.outGiven ? &out : nullptr);
      Note("factory %zu QueryInterface -> %s", index, Hex(static_cast<uint32_t>(result)).c_str());
      if (!argument.complete()) {
        ExpectIncompleteCall(result, out, before, "factory QueryInterface");
      } else if (AnsweredByFactory(id)) {
        ExpectResult(result, hr::kOk, "factory QueryInterface");
        Expect(out == held.factory, invariant::kAnswers, "factory QueryInterface hands out the factory itself");
        ++held.references;
      } else {
        ExpectResult(result, hr::kNoInterface, "factory QueryInterface");
        Expect(out == nullptr, invariant::kAnswers, "a refused factory QueryInterface stores null");
      }
      break;
    }
    case 1: {
      const uint32_t count = held.factory->AddRef();
      ++held.references;
      Note("factory %zu AddRef -> %u", index, count);
      Expect(count == static_cast<uint32_t>(held.references), invariant::kReferences,
             "factory AddRef answers the count after the change");
      break;
    }
    case 2: ReleaseFactory(index); return;
    case 3: CreateInstance(held); return;
    default: {
      const uint8_t choice = input_.Byte();
      const int32_t lock = choice < 0x80   ? 0
                           : choice < 0xc0 ? 1
                                           : static_cast<int32_t>(static_cast<uint32_t>(choice) << 24);
      Note("factory %zu LockServer(%d)", index, lock);
      ExpectResult(held.factory->LockServer(lock), hr::kOk, "LockServer");
      lockCount_ += lock != 0 ? 1 : -1;
      break;
    }
  }
  ExpectNoMemoryTraffic(before, "a factory call");
}

void Session::CreateInstance(HeldFactory& factory) {
  const bool outer = (input_.Byte() & 1) != 0;
  const SessionInput::IdArgument argument = input_.Id();
  const GUID& iid = argument.id;
  void* out = kUntouched;
  const MemoryMark before = Mark();
  const HRESULT result = factory.factory->CreateInstance(outer ? &outerObject : nullptr, argument.get(),
                                                         argument.outGiven ? &out : nullptr);
  Note("CreateInstance(%s) -> %s", outer ? "outer" : "null", Hex(static_cast<uint32_t>(result)).c_str());
  if (!argument.complete()) {
    ExpectIncompleteCall(result, out, before, "CreateInstance");
    return;
  }
  Expect(out != kUntouched, invariant::kAnswers, "CreateInstance always stores through its out pointer");
  if ((outer && !Same(iid, kIdUnknown)) || !CreatableAs(iid)) {
    ExpectResult(result, hr::kNoInterface, "CreateInstance");
    Expect(out == nullptr, invariant::kAnswers, "a refused CreateInstance stores null");
    ExpectNoMemoryTraffic(before, "a refused CreateInstance");
    return;
  }
  Expect(RequestsSince(before, "CreateInstance") == 1, invariant::kAnswers, "CreateInstance asks for one block");
  if (RefusedSince(before)) {
    ExpectResult(result, hr::kOutOfMemory, "CreateInstance without memory");
    Expect(out == nullptr, invariant::kAnswers, "CreateInstance without memory stores null");
    return;
  }
  ExpectResult(result, hr::kOk, "CreateInstance");
  Expect(out != nullptr, invariant::kAnswers, "CreateInstance hands out an object");
  uint8_t expected[5];
  std::memcpy(expected, &defaults_.code, 4);
  expected[4] = defaults_.keepTranslation;
  Adopt(static_cast<I3DExSceneOperation8*>(out), expected);
  if (factories_.size() + objects_.size() > kMaxHeld) ReleaseObject(objects_.size() - 1);
}

// ------------------------------------------------------------- objects

void Session::ObjectCall() {
  if (objects_.empty()) return;
  const std::size_t index = input_.Byte() % objects_.size();
  CallPosition(index, input_.Byte() % 15);
}

void Session::CallPosition(std::size_t index, int position) {
  HeldObject& held = objects_[index];
  I3DExSceneOperation8* object = held.object;
  const MemoryMark before = Mark();
  // Arguments the object does not read, which must not matter.
  const uint32_t unread = input_.Byte() * 0x01010101u;
  Note("object %zu position %d", index, position);
  switch (position) {
    case 0: QueryObject(held); break;
    case 1: {
      const uint32_t count = object->AddRef();
      ++held.references;
      Expect(count == static_cast<uint32_t>(held.references), invariant::kReferences,
             "AddRef answers the count after the change");
      break;
    }
    case 2: ReleaseObject(index); return;
    case 3: Initialize(held); break;
    case 4: Clone(held); return;
    case 5: Expect(object->GetExchangeState() == 0, invariant::kAnswers, "GetExchangeState answers 0"); break;
    case 6:
      Expect(object->GetOperationData() == held.data, invariant::kAnswers,
             "GetOperationData hands out the same block for the object's life");
      break;
    case 7: Expect(object->GetExchangeContext() == 0, invariant::kAnswers, "GetExchangeContext answers 0"); break;
    case 8: ExpectResult(object->RunExchange(unread), hr::kNotImplemented, "RunExchange"); break;
    case 9: Expect(object->GetExchangeValue() == 150, invariant::kAnswers, "GetExchangeValue answers 150"); break;
    case 10:
      Expect(object->PrepareExecute(unread, unread, ~unread, unread, 0) == 0, invariant::kAnswers,
             "PrepareExecute answers 0");
      break;
    case 11: Execute(index); return;
    case 12: {
      if (unread == 0xffffffffu) {
        // No byte to store into, which no host does: still no harm.
        Expect(object->GetExecuteState(0, 0, 0, 0, 0, nullptr) == 0, invariant::kAnswers, "GetExecuteState answers 0");
        break;
      }
      uint8_t state[3] = {0xa5, 0x5a, 0xa5};
      Expect(object->GetExecuteState(unread, unread, unread, ~unread, 0, &state[1]) == 0, invariant::kAnswers,
             "GetExecuteState answers 0");
      Expect(state[0] == 0xa5 && state[1] == 0 && state[2] == 0xa5, invariant::kAnswers,
             "GetExecuteState stores exactly one byte, 0");
      break;
    }
    case 13:
      Expect(!object->ExecuteSecondary(unread, unread, 0, ~unread, unread), invariant::kAnswers,
             "ExecuteSecondary answers false");
      break;
    default:
      Expect(!object->ExecuteTertiary(unread, 0, unread, unread, ~unread), invariant::kAnswers,
             "ExecuteTertiary answers false");
      break;
  }
  ExpectNoMemoryTraffic(before, "an object call");
}

void Session::QueryObject(HeldObject& held) {
  const SessionInput::IdArgument argument = input_.Id();
  const GUID& id = argument.id;
  void* out = kUntouched;
  const MemoryMark before = Mark();
  const HRESULT result = held.object->QueryInterface(argument.get(), argument.outGiven ? &out : nullptr);
  if (!argument.complete()) {
    ExpectIncompleteCall(result, out, before, "QueryInterface");
  } else if (AnsweredByObject(id)) {
    ExpectResult(result, hr::kOk, "object QueryInterface");
    Expect(out == held.object, invariant::kAnswers, "QueryInterface hands out the object itself");
    ++held.references;
  } else {
    ExpectResult(result, hr::kNoInterface, "object QueryInterface");
    Expect(out == nullptr, invariant::kAnswers, "a refused QueryInterface stores null");
  }
}

void Session::Initialize(HeldObject& held) {
  HostServices* services = PickServices();
  const MemoryMark before = Mark();
  ExpectResult(held.object->Initialize(services), hr::kOk, "Initialize");
  if (services == nullptr) {
    ExpectNoBinding(before, "Initialize(null)");
  } else {
    ExpectBinding(services == hosts_[0].services.get() ? 0 : 1, before);
  }
}

void Session::Clone(HeldObject& held) {
  uint8_t expected[5];
  std::memcpy(expected, held.expected, sizeof expected);
  const MemoryMark before = Mark();
  I3DExtension* copy = held.object->Clone();
  Expect(RequestsSince(before, "Clone") == 1, invariant::kAnswers, "Clone asks for one block");
  if (RefusedSince(before)) {
    Expect(copy == nullptr, invariant::kAnswers, "Clone without memory answers null");
    return;
  }
  Expect(copy != nullptr, invariant::kAnswers, "Clone with memory answers a copy");
  Adopt(static_cast<I3DExSceneOperation8*>(copy), expected);
  if (factories_.size() + objects_.size() > kMaxHeld) ReleaseObject(objects_.size() - 1);
}

void Session::WriteOption() {
  if (objects_.empty()) return;
  HeldObject& held = objects_[input_.Byte() % objects_.size()];
  static constexpr OptionCode kCodes[] = {kMemorize, kPlace, kMirrorX, kMirrorY, kMirrorZ, 0};
  const uint8_t choice = input_.Byte() % 8;
  const OptionCode code = choice < 6 ? kCodes[choice] : input_.U32();
  std::memcpy(held.data, &code, 4);
  std::memcpy(held.expected, &code, 4);
}

void Session::WriteData() {
  if (objects_.empty()) return;
  HeldObject& held = objects_[input_.Byte() % objects_.size()];
  const std::size_t offset = input_.Byte() % module_.dataBytes();
  const uint8_t value = input_.Byte();
  held.data[offset] = value;
  held.expected[offset] = value;
}

// ---------------------------------------------------------------- model

void Session::Adopt(IClassFactory* factory) {
  Expect(hosts_[bound_].services->allocator().Holds(factory), invariant::kHostMemory,
         "a new factory lives in a block of the bound host");
  Expect(CountField(factory) == 1, invariant::kReferences, "a new factory holds one reference");
  factories_.push_back(HeldFactory{factory, 1, bound_});
}

void Session::Adopt(I3DExSceneOperation8* object, const uint8_t* expected) {
  Expect(hosts_[bound_].services->allocator().Holds(object), invariant::kHostMemory,
         "a new object lives in a block of the bound host");
  Expect(CountField(object) == 1, invariant::kReferences, "a new object holds one reference");
  auto* data = static_cast<uint8_t*>(object->GetOperationData());
  Expect(data == reinterpret_cast<uint8_t*>(object) + sizeof(void*) + sizeof(int32_t), invariant::kAnswers,
         "OperationData follows the table pointer and the reference count");
  HeldObject held{object, 1, bound_, data, {}};
  std::memcpy(held.expected, expected, sizeof held.expected);
  Expect(std::memcmp(data, expected, module_.dataBytes()) == 0, invariant::kOperationData,
         "a new object starts with the module defaults, a copy with its original's settings");
  objects_.push_back(held);
}

void Session::ReleaseFactory(std::size_t index) {
  HeldFactory& held = factories_[index];
  const MemoryMark before = Mark();
  const uint32_t count = held.factory->Release();
  --held.references;
  Note("factory %zu Release -> %u", index, count);
  Expect(count == static_cast<uint32_t>(held.references), invariant::kReferences,
         "factory Release answers the count after the change");
  if (held.references != 0) {
    ExpectNoMemoryTraffic(before, "a Release that leaves references");
    return;
  }
  const HeldFactory gone = held;
  factories_.erase(factories_.begin() + static_cast<std::ptrdiff_t>(index));
  FreedByModule(gone.factory, gone.origin, before);
}

void Session::ReleaseObject(std::size_t index) {
  HeldObject& held = objects_[index];
  const MemoryMark before = Mark();
  const uint32_t count = held.object->Release();
  --held.references;
  Note("object %zu Release -> %u", index, count);
  Expect(count == static_cast<uint32_t>(held.references), invariant::kReferences,
         "Release answers the count after the change");
  if (held.references != 0) {
    ExpectNoMemoryTraffic(before, "a Release that leaves references");
    return;
  }
  const HeldObject gone = held;
  objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(index));
  FreedByModule(gone.object, gone.origin, before);
}

void Session::FreedByModule(void* block, int origin, const MemoryMark& before) {
  const int other = 1 - bound_;
  const auto& bound = hosts_[bound_].services->allocator();
  Expect(bound.frees() == before.frees[bound_] + 1 && hosts_[other].services->allocator().frees() == before.frees[other],
         invariant::kHostMemory, "the last Release gives the block back once, to the bound host");
  Expect(RequestsSince(before, "Release") == 0, invariant::kAnswers, "Release asks for no memory");
  if (origin == bound_) {
    Expect(!bound.Holds(block), invariant::kHostMemory, "the block went back to the host that gave it");
  } else {
    // Freed to the host bound now, as the module must; that host does not
    // know the block and keeps it out of its books.
    ++hosts_[bound_].foreignFrees;
    hosts_[origin].orphans.push_back(block);
  }
}

void Session::ExpectBinding(int index, const MemoryMark& before) {
  Host& host = hosts_[index];
  const auto& ids = host.services->queriedIds();
  Expect(ids.size() == before.queried[index] + 5, invariant::kAnswers, "a binding asks for five interfaces");
  for (int slot = 0; slot < 5; ++slot) {
    Expect(SameId(ids[before.queried[index] + slot], KnownId(kIdHostService + slot)), invariant::kAnswers,
           "a binding asks for the five interfaces in their order");
  }
  Expect(host.services->hostValueCalls() == before.hostValues[index] + 1, invariant::kAnswers,
         "a binding reads the host value once");
  const int other = 1 - index;
  Expect(hosts_[other].services->queriedIds().size() == before.queried[other] &&
             hosts_[other].services->hostValueCalls() == before.hostValues[other],
         invariant::kAnswers, "a binding asks nothing of the other host");
  for (int slot = 0; slot < 5; ++slot) {
    if (!host.refused[slot]) ++host.serviceReferences[slot];
  }
  bound_ = index;
}

void Session::ExpectNoBinding(const MemoryMark& before, const char* call) {
  for (int h = 0; h < 2; ++h) {
    Expect(hosts_[h].services->queriedIds().size() == before.queried[h] &&
               hosts_[h].services->hostValueCalls() == before.hostValues[h],
           invariant::kAnswers, std::string(call) + " binds nothing");
  }
}

Session::MemoryMark Session::Mark() const {
  MemoryMark mark{};
  for (int h = 0; h < 2; ++h) {
    const auto& services = *hosts_[h].services;
    mark.requests[h] = services.allocator().requests();
    mark.refusals[h] = services.allocator().refusals();
    mark.frees[h] = services.allocator().frees();
    mark.live[h] = services.allocator().liveBlocks();
    mark.queried[h] = services.queriedIds().size();
    mark.hostValues[h] = services.hostValueCalls();
  }
  return mark;
}

uint64_t Session::RequestsSince(const MemoryMark& before, const char* call) const {
  const int other = 1 - bound_;
  Expect(hosts_[other].services->allocator().requests() == before.requests[other], invariant::kHostMemory,
         std::string(call) + " takes memory only from the bound host");
  return hosts_[bound_].services->allocator().requests() - before.requests[bound_];
}

bool Session::RefusedSince(const MemoryMark& before) const {
  return hosts_[bound_].services->allocator().refusals() != before.refusals[bound_];
}

void Session::ExpectNoMemoryTraffic(const MemoryMark& before, const char* call) const {
  for (int h = 0; h < 2; ++h) {
    const auto& allocator = hosts_[h].services->allocator();
    Expect(allocator.requests() == before.requests[h] && allocator.frees() == before.frees[h], invariant::kAnswers,
           std::string(call) + " asks for and gives back no memory");
  }
}

void Session::ExpectIncompleteCall(HRESULT result, void* out, const MemoryMark& before, const char* call) const {
  // Beyond the contract: a call without its id or out pointer must fail
  // without effect, and store nothing or null.
  Expect(result < 0, invariant::kAnswers, std::string(call) + " without an id or out pointer fails");
  Expect(out == kUntouched || out == nullptr, invariant::kAnswers,
         std::string(call) + " without an id or out pointer hands nothing out");
  ExpectNoMemoryTraffic(before, call);
}

// ----------------------------------------------------------- invariants

void Session::CheckInvariants() {
  std::size_t owned[2] = {hosts_[0].orphans.size(), hosts_[1].orphans.size()};
  for (const HeldFactory& held : factories_) {
    Expect(CountField(held.factory) == held.references, invariant::kReferences,
           "a factory counts " + std::to_string(CountField(held.factory)) + " references, the host holds " +
               std::to_string(held.references));
    ++owned[held.origin];
  }
  for (const HeldObject& held : objects_) {
    Expect(CountField(held.object) == held.references, invariant::kReferences,
           "an object counts " + std::to_string(CountField(held.object)) + " references, the host holds " +
               std::to_string(held.references));
    Expect(std::memcmp(held.data, held.expected, module_.dataBytes()) == 0, invariant::kOperationData,
           "an object's OperationData changed without the host writing it");
    ++owned[held.origin];
  }

  const HRESULT unload = module_.library().CanUnloadNow();
  const HRESULT expected = objects_.empty() && lockCount_ == 0 ? hr::kOk : hr::kFalse;
  Expect(unload == expected, invariant::kUnloadAnswer,
         "answered " + std::to_string(unload) + " with " + std::to_string(objects_.size()) +
             " objects alive and a lock balance of " + std::to_string(lockCount_));

  for (int h = 0; h < 2; ++h) {
    const Host& host = hosts_[h];
    const auto& allocator = host.services->allocator();
    const auto& faults = allocator.faults();
    Expect(faults.size() == host.foreignFrees, invariant::kHostMemory,
           faults.empty() ? std::string("a foreign free expected but not made") : faults.back());
    const std::vector<std::string> all = host.services->faults();
    Expect(all.size() == faults.size(), invariant::kAnswers,
           all.empty() ? std::string() : "host services: " + all.front());
    Expect(allocator.liveBlocks() == owned[h], invariant::kHostBlocks,
           std::string(h == 0 ? "host A" : "host B") + " holds " + std::to_string(allocator.liveBlocks()) +
               " blocks for " + std::to_string(owned[h]) + " live factories, objects and orphans");
    for (int slot = 0; slot < 5; ++slot) {
      Expect(host.services->service(slot).references == host.serviceReferences[slot], invariant::kReferences,
             "the module keeps one reference on each host interface per binding, and releases none");
    }
  }
}

void Session::Finish() {
  for (Host& host : hosts_) host.services->allocator().AllowAll();
  while (!objects_.empty()) ReleaseObject(objects_.size() - 1);
  while (!factories_.empty()) ReleaseFactory(factories_.size() - 1);
  if (lockCount_ != 0) {
    // The host's own locks, taken back through a factory of its own.
    void* out = nullptr;
    const MemoryMark before = Mark();
    ExpectResult(module_.library().GetClassObject(&module_.classId(), &KnownId(kIdClassFactory), &out), hr::kOk,
                 "DllGetClassObject with memory to spare");
    Expect(RequestsSince(before, "DllGetClassObject") == 1, invariant::kAnswers, "one block for a factory");
    Adopt(static_cast<IClassFactory*>(out));
    for (; lockCount_ > 0; --lockCount_) factories_[0].factory->LockServer(0);
    for (; lockCount_ < 0; ++lockCount_) factories_[0].factory->LockServer(1);
    ReleaseFactory(0);
  }
  CheckInvariants();

  for (Host& host : hosts_) {
    auto& allocator = host.services->allocator();
    // Blocks the module gave to the other host stay with this one; the host
    // takes them back itself.
    for (void* orphan : host.orphans) {
      Expect(allocator.Holds(orphan), invariant::kLeak, "an orphaned block is still the host's");
      allocator.Free(orphan);
    }
    host.orphans.clear();
    Expect(allocator.liveBlocks() == 0, invariant::kLeak, allocator.LeakReport());
  }
  for (const std::string& fault : scene_.faults()) Violated(invariant::kScene, fault);

  module_.defaults = defaults_;
  module_.recordedPointMoved = recordedPointMoved_;
}

}  // namespace orvel::fuzz
