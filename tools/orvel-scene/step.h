// A step: which module's operation runs, with which settings, on which node.
//
//   pinmark  CODE NODE
//   twinflip CODE [keep=N] NODE
//
// CODE is any four characters, since a module decides what its codes mean,
// or "-" for the code the new object starts with (the module's default).
// keep=N writes N (0 to 255) into KeepTranslation; without it the object
// keeps the flag it starts with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/abi.h"

namespace orvel::scene_tool {

enum class ModuleKind : uint8_t { kPinmark, kTwinflip };

const char* ModuleWord(ModuleKind kind);  // "pinmark", "twinflip"
const char* ClassName(ModuleKind kind);   // "Pinmark", "Twinflip"

struct Step {
  ModuleKind module;
  std::optional<OptionCode> option;  // none: the object's own
  std::optional<uint8_t> keep;       // none: the object's own
  std::string node;
  std::string text;   // as written, words joined by one space
  std::string place;  // where it was written, for messages
};

// Steps written as words on the command line. Words may hold several words
// ("pinmark HMEM lamp") and a ";" between steps is allowed but not needed.
std::vector<Step> ParseCommandLineSteps(const std::vector<std::string>& arguments);
// One step written as one string, at `place` ("scene.json: steps[2]").
Step ParseStepText(const std::string& text, const std::string& place);

std::string OptionText(OptionCode code);  // the four letters

}  // namespace orvel::scene_tool
