// The interface tables as the host calls them: by position, through function
// pointers declared here from the host's side of the contract and not from
// the frame's headers, so that a method out of order, missing, or declared
// with other arguments is caught. The fixed answers of the extension object
// are checked this way too, with arguments of every kind, and must change
// nothing else.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "tests/frame/module_fixture.h"
#include "tests/frame/stack_probe.h"

namespace orvel::frame_test {
namespace {

// Every position takes the object first.
namespace slot {
using QueryInterface = HRESULT(ORVEL_STDCALL*)(void* self, const GUID* iid, void** out);
using Count = uint32_t(ORVEL_STDCALL*)(void* self);
using Initialize = HRESULT(ORVEL_STDCALL*)(void* self, HostServices* services);
using Clone = void*(ORVEL_STDCALL*)(void* self);
using Value = uint32_t(ORVEL_STDCALL*)(void* self);
using Pointer = void*(ORVEL_STDCALL*)(void* self);
using RunExchange = HRESULT(ORVEL_STDCALL*)(void* self, uint32_t request);
using FiveValues = uint32_t(ORVEL_STDCALL*)(void* self, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
using ExecuteState = uint32_t(ORVEL_STDCALL*)(void* self, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                              uint8_t* state);
// A one-byte truth value: only the low byte of the result register counts.
using Truth = uint8_t(ORVEL_STDCALL*)(void* self, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
using CreateInstance = HRESULT(ORVEL_STDCALL*)(void* self, IUnknown* outer, const GUID* iid, void** out);
using LockServer = HRESULT(ORVEL_STDCALL*)(void* self, int32_t lock);
}  // namespace slot

// Position `index` of the table `object` points to.
const void* Entry(void* object, int index) { return (*static_cast<void* const* const*>(object))[index]; }

template <typename Function>
Function At(void* object, int index) {
  return reinterpret_cast<Function>(const_cast<void*>(Entry(object, index)));
}

// Argument sets for the positions that read none of their five values.
struct FiveArguments {
  uint32_t a, b, c, d, e;
};
const FiveArguments kFives[] = {
    {0, 0, 0, 0, 0},
    {1, 2, 3, 4, 5},
    {0xffffffffu, 0xffffffffu, 0xffffffffu, 0xffffffffu, 0xffffffffu},
    {0xdeadbeefu, 0x80000000u, 0x7fffffffu, 150, 0x55555555u},
};

class TableTest : public ModuleTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ModuleTest::SetUp());
    object_ = NewObject();
    ASSERT_NE(object_, nullptr);
    SetCode(object_, kind().otherCode);
    if (hasKeepTranslation()) SetKeepTranslation(object_, 0x5a);
    std::memcpy(data_, object_->GetOperationData(), kind().dataSize);
  }
  void TearDown() override {
    if (object_ != nullptr) {
      EXPECT_EQ(object_->Release(), 0u);
    }
    ModuleTest::TearDown();
  }

  // The object as the host holds it: a bare pointer to a table pointer.
  void* raw() const { return object_; }

  // What a call with a fixed answer must leave as it was.
  void ExpectNothingElseChanged(const HostTally& before) {
    EXPECT_EQ(std::memcmp(data_, object_->GetOperationData(), kind().dataSize), 0) << "OperationData changed";
    EXPECT_REF(object_, 1);
    EXPECT_EQ(Tally(services_), before);
    EXPECT_EQ(CanUnloadNow(), hr::kFalse);
    EXPECT_EQ(scene_.log().DescribeAll(), "");
  }

  I3DExSceneOperation8* object_ = nullptr;
  unsigned char data_[8] = {};
};

TEST_P(TableTest, TheIUnknownAndExtensionPositionsDoWhatTheHostExpects) {
  void* out = kUntouched;
  EXPECT_EQ(At<slot::QueryInterface>(raw(), 0)(raw(), &kIdSceneOperation, &out), hr::kOk);
  EXPECT_EQ(out, raw());
  EXPECT_EQ(At<slot::Count>(raw(), 1)(raw()), 3u);
  EXPECT_EQ(At<slot::Count>(raw(), 2)(raw()), 2u);
  EXPECT_EQ(At<slot::Count>(raw(), 2)(raw()), 1u);

  // Position 3 binds the module: its effect is the binding's questions.
  EXPECT_EQ(At<slot::Initialize>(raw(), 3)(raw(), nullptr), hr::kOk);
  EXPECT_EQ(services_.queriedIds().size(), 5u);
  EXPECT_EQ(At<slot::Initialize>(raw(), 3)(raw(), &services_), hr::kOk);
  EXPECT_EQ(services_.queriedIds().size(), 10u);

  void* copy = At<slot::Clone>(raw(), 4)(raw());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(services_.allocator().Holds(copy));
  void* copyData = At<slot::Pointer>(copy, 6)(copy);
  ASSERT_EQ(copyData, static_cast<char*>(copy) + sizeof(void*) + 4);
  EXPECT_EQ(std::memcmp(copyData, data_, kind().dataSize), 0);
  EXPECT_EQ(At<slot::Count>(copy, 2)(copy), 0u);
  EXPECT_FALSE(services_.allocator().Holds(copy));
}

TEST_P(TableTest, TheDataExchangerPositionsGiveTheirFixedAnswers) {
  const HostTally before = Tally(services_);
  EXPECT_EQ(At<slot::Value>(raw(), 5)(raw()), 0u) << "GetExchangeState";
  EXPECT_EQ(At<slot::Pointer>(raw(), 6)(raw()), object_->GetOperationData()) << "GetOperationData";
  EXPECT_EQ(static_cast<char*>(At<slot::Pointer>(raw(), 6)(raw())) - static_cast<char*>(raw()),
            static_cast<std::ptrdiff_t>(sizeof(void*) + 4));
  EXPECT_EQ(At<slot::Value>(raw(), 7)(raw()), 0u) << "GetExchangeContext";
  for (const uint32_t request : {0u, 1u, 150u, 0x80000000u, 0xffffffffu}) {
    EXPECT_EQ(At<slot::RunExchange>(raw(), 8)(raw(), request), hr::kNotImplemented) << "RunExchange " << request;
  }
  EXPECT_EQ(At<slot::Value>(raw(), 9)(raw()), 150u) << "GetExchangeValue";
  ExpectNothingElseChanged(before);
}

TEST_P(TableTest, TheSceneOperationPositionsGiveTheirFixedAnswers) {
  // Node addresses among the values: the object must not take them for nodes.
  host::TestNode& node = scene_.Add("bystander");
  const auto nodeWord = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(static_cast<SceneNode*>(&node)));
  std::vector<FiveArguments> fives(std::begin(kFives), std::end(kFives));
  fives.push_back({0, nodeWord, nodeWord, nodeWord, nodeWord});

  const HostTally before = Tally(services_);
  for (std::size_t i = 0; i < fives.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "argument set " << i);
    const FiveArguments& v = fives[i];
    EXPECT_EQ(At<slot::FiveValues>(raw(), 10)(raw(), v.a, v.b, v.c, v.d, v.e), 0u) << "PrepareExecute";

    // Exactly one byte is written: its neighbours keep their fill.
    uint8_t state[3];
    std::memset(state, 0x55, sizeof state);
    EXPECT_EQ(At<slot::ExecuteState>(raw(), 12)(raw(), v.a, v.b, v.c, v.d, v.e, &state[1]), 0u);
    EXPECT_EQ(state[0], 0x55);
    EXPECT_EQ(state[1], 0) << "GetExecuteState stores false";
    EXPECT_EQ(state[2], 0x55);
    // No place for the byte: nothing is written, and the answer stays 0.
    EXPECT_EQ(At<slot::ExecuteState>(raw(), 12)(raw(), v.a, v.b, v.c, v.d, v.e, nullptr), 0u);

    EXPECT_EQ(At<slot::Truth>(raw(), 13)(raw(), v.a, v.b, v.c, v.d, v.e), 0) << "ExecuteSecondary";
    EXPECT_EQ(At<slot::Truth>(raw(), 14)(raw(), v.a, v.b, v.c, v.d, v.e), 0) << "ExecuteTertiary";
  }
  ExpectNothingElseChanged(before);
}

TEST_P(TableTest, TheFactoryPositionsDoWhatTheHostExpects) {
  IClassFactory* factory = NewFactory();
  ASSERT_NE(factory, nullptr);
  void* const f = factory;
  void* out = kUntouched;
  EXPECT_EQ(At<slot::QueryInterface>(f, 0)(f, &kIdClassFactory, &out), hr::kOk);
  EXPECT_EQ(out, f);
  EXPECT_EQ(At<slot::Count>(f, 1)(f), 3u);
  EXPECT_EQ(At<slot::Count>(f, 2)(f), 2u);
  EXPECT_EQ(At<slot::Count>(f, 2)(f), 1u);

  out = kUntouched;
  ASSERT_EQ(At<slot::CreateInstance>(f, 3)(f, nullptr, &kIdExtension, &out), hr::kOk);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(At<slot::Value>(out, 9)(out), 150u) << "CreateInstance did not make an extension object";
  EXPECT_EQ(At<slot::Count>(out, 2)(out), 0u);

  EXPECT_EQ(At<slot::LockServer>(f, 4)(f, 1), hr::kOk);
  EXPECT_EQ(CanUnloadNow(), hr::kFalse) << "position 4 did not lock";
  EXPECT_EQ(At<slot::LockServer>(f, 4)(f, 0), hr::kOk);
  EXPECT_EQ(At<slot::Count>(f, 2)(f), 0u);
}

#if defined(__i386__)
TEST_P(TableTest, EveryPositionRemovesExactlyTheArgumentsTheHostPushes) {
  IClassFactory* factory = NewFactory();
  ASSERT_NE(factory, nullptr);
  const uint32_t o = Word(object_);
  const uint32_t f = Word(factory);
  const GUID unknownId = NearMiss(kIdUnknown);
  void* out = nullptr;
  uint8_t state = 0x55;

  struct Case {
    const char* what;
    const void* function;
    std::vector<uint32_t> arguments;
    uint32_t expected;
    uint32_t mask;  // 0xff for a one-byte truth value
  };
  // Execute (position 11) is the operation's own and is not called here.
  const Case cases[] = {
      {"QueryInterface", Entry(object_, 0), {o, Word(&unknownId), Word(&out)}, uint32_t(hr::kNoInterface), ~0u},
      {"AddRef", Entry(object_, 1), {o}, 2, ~0u},
      {"Release", Entry(object_, 2), {o}, 1, ~0u},
      {"Initialize", Entry(object_, 3), {o, 0}, 0, ~0u},
      {"GetExchangeState", Entry(object_, 5), {o}, 0, ~0u},
      {"GetOperationData", Entry(object_, 6), {o}, Word(object_->GetOperationData()), ~0u},
      {"GetExchangeContext", Entry(object_, 7), {o}, 0, ~0u},
      {"RunExchange", Entry(object_, 8), {o, 7}, uint32_t(hr::kNotImplemented), ~0u},
      {"GetExchangeValue", Entry(object_, 9), {o}, 150, ~0u},
      {"PrepareExecute", Entry(object_, 10), {o, 1, 2, 3, 4, 5}, 0, ~0u},
      {"GetExecuteState", Entry(object_, 12), {o, 1, 2, 3, 4, 5, Word(&state)}, 0, ~0u},
      {"ExecuteSecondary", Entry(object_, 13), {o, 1, 2, 3, 4, 5}, 0, 0xffu},
      {"ExecuteTertiary", Entry(object_, 14), {o, 1, 2, 3, 4, 5}, 0, 0xffu},
      {"factory QueryInterface", Entry(factory, 0), {f, Word(&unknownId), Word(&out)}, uint32_t(hr::kNoInterface), ~0u},
      {"factory AddRef", Entry(factory, 1), {f}, 2, ~0u},
      {"factory Release", Entry(factory, 2), {f}, 1, ~0u},
      {"CreateInstance", Entry(factory, 3), {f, 0, Word(&unknownId), Word(&out)}, uint32_t(hr::kNoInterface), ~0u},
      {"LockServer", Entry(factory, 4), {f, 1}, 0, ~0u},
      {"LockServer", Entry(factory, 4), {f, 0}, 0, ~0u},
      {"DllInitRDCom", reinterpret_cast<const void*>(library_->initRDCom()), {0}, 0, ~0u},
      {"DllGetClassObject", reinterpret_cast<const void*>(library_->getClassObject()),
       {Word(&unknownId), Word(&kIdClassFactory), Word(&out)}, uint32_t(hr::kFail), ~0u},
      {"DllCanUnloadNow", reinterpret_cast<const void*>(library_->canUnloadNow()), {}, uint32_t(hr::kFalse), ~0u},
  };
  for (const Case& c : cases) {
    const ProbedCall call = CallPushing(c.function, c.arguments);
    EXPECT_EQ(call.leftBehind, 0) << c.what << " left bytes on the host's stack (negative: took too many)";
    EXPECT_EQ(call.result & c.mask, c.expected) << c.what;
  }
  EXPECT_EQ(state, 0);

  const ProbedCall clone = CallPushing(Entry(object_, 4), {o});
  EXPECT_EQ(clone.leftBehind, 0) << "Clone";
  ASSERT_NE(clone.result, 0u);
  reinterpret_cast<I3DExtension*>(uintptr_t{clone.result})->Release();
  factory->Release();
}
#endif

INSTANTIATE_TEST_SUITE_P(Modules, TableTest, ::testing::Values(kPinmark, kTwinflip), ModuleName);

}  // namespace
}  // namespace orvel::frame_test
