// The module a fuzzer process holds sessions with. It is loaded once and
// stays loaded: the fuzzer's coverage counters live in the module, and a
// module that is unloaded takes them with it. What a session leaves behind in
// the module (defaults, the recorded point) is therefore put back before the
// next session starts, so that every session starts from the same state and
// a failing input fails again when it is replayed alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "frame/abi.h"
#include "host/module_library.h"

namespace orvel::fuzz {

enum class Deliverable : uint8_t { kPinmark, kTwinflip };

// OperationData as the host sees it; `keepTranslation` only in the mirror.
struct Settings {
  OptionCode code;
  uint8_t keepTranslation;
  bool operator==(const Settings& other) const {
    return code == other.code && keepTranslation == other.keepTranslation;
  }
};

inline constexpr OptionCode kMemorize = FourCharCode("HMEM");
inline constexpr OptionCode kPlace = FourCharCode("HLPA");
inline constexpr OptionCode kMirrorX = FourCharCode("SXAX");
inline constexpr OptionCode kMirrorY = FourCharCode("SXAY");
inline constexpr OptionCode kMirrorZ = FourCharCode("SXAZ");

class ModuleUnderTest {
 public:
  // Loads the module the first time it is asked for; aborts when it cannot.
  static ModuleUnderTest& Get(Deliverable deliverable);

  Deliverable deliverable() const { return deliverable_; }
  bool mirror() const { return deliverable_ == Deliverable::kTwinflip; }
  const host::ModuleLibrary& library() const { return *library_; }
  const GUID& classId() const;
  // The bytes of OperationData the host may write: 4, or 5 in the mirror.
  std::size_t dataBytes() const { return mirror() ? 5 : 4; }
  // Where every session starts: the defaults the module has when loaded.
  Settings loadDefaults() const;

  // Brings defaults and recorded point back to the session start state. The
  // module is left bound to a host that is gone; a session binds its own
  // before anything else.
  void Restore();

  // What the last session left in the module, as its model says.
  Settings defaults{};
  bool recordedPointMoved = false;

 private:
  explicit ModuleUnderTest(Deliverable deliverable);
  // One run of Execute with `settings` on a lone node of a scratch scene.
  void RunOnScratchNode(const Settings& settings);

  Deliverable deliverable_;
  std::unique_ptr<host::ModuleLibrary> library_;
};

}  // namespace orvel::fuzz
