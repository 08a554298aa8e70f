#include "tools/orvel-scene/step.h"

#include <cstring>

#include "tools/orvel-scene/input_error.h"

namespace orvel::scene_tool {

namespace {

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ';') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (c == ';') words.push_back(";");
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool IsModuleWord(const std::string& word) { return word == "pinmark" || word == "twinflip"; }

// Reads one step from words[at...], leaving `at` after it.
Step ReadStep(const std::vector<std::string>& words, std::size_t& at, const std::string& place) {
  const std::size_t first = at;
  auto text = [&] {
    std::string joined;
    for (std::size_t i = first; i < at && i < words.size(); ++i) joined += (joined.empty() ? "" : " ") + words[i];
    return joined;
  };
  auto fail = [&](const std::string& what) -> void {
    ++at;
    const std::string written = text();
    throw InputError(place + (written.empty() ? "" : " (\"" + written + "\")"), what);
  };

  Step step{};
  const std::string& module = words[at];
  if (!IsModuleWord(module)) fail("unknown step \"" + module + "\"; a step starts with pinmark or twinflip");
  step.module = module == "pinmark" ? ModuleKind::kPinmark : ModuleKind::kTwinflip;
  ++at;

  if (at >= words.size() || words[at] == ";") {
    --at;
    fail("missing the option code (four characters, or - for the object's own)");
  }
  const std::string& code = words[at];
  if (code != "-") {
    if (code.size() != 4) fail("the option code \"" + code + "\" is not four characters");
    for (char c : code) {
      if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7e) {
        fail("the option code \"" + code + "\" is not four printable ASCII characters");
      }
    }
    OptionCode value = 0;
    std::memcpy(&value, code.data(), sizeof value);
    step.option = value;
  }
  ++at;

  while (at < words.size() && words[at].find('=') != std::string::npos) {
    const std::string& setting = words[at];
    const std::string key = setting.substr(0, setting.find('='));
    const std::string value = setting.substr(setting.find('=') + 1);
    if (key != "keep") fail("unknown setting \"" + key + "\"; twinflip takes keep=N");
    if (step.module != ModuleKind::kTwinflip) fail("pinmark takes no keep= setting");
    bool digits = !value.empty() && value.size() <= 3;
    for (char c : value) digits = digits && c >= '0' && c <= '9';
    if (!digits || std::stoi(value) > 255) fail("keep must be a number from 0 to 255, not \"" + value + "\"");
    step.keep = static_cast<uint8_t>(std::stoi(value));
    ++at;
  }

  if (at >= words.size() || words[at] == ";") {
    --at;
    fail("missing the node name");
  }
  step.node = words[at];
  ++at;
  step.text = text();
  step.place = place;
  return step;
}

}  // namespace

const char* ModuleWord(ModuleKind kind) { return kind == ModuleKind::kPinmark ? "pinmark" : "twinflip"; }
const char* ClassName(ModuleKind kind) { return kind == ModuleKind::kPinmark ? "Pinmark" : "Twinflip"; }

std::string OptionText(OptionCode code) {
  char letters[4];
  std::memcpy(letters, &code, sizeof letters);
  std::string text;
  for (char c : letters) {
    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f) {
      text += c;
    } else {
      static const char kHex[] = "0123456789abcdef";
      text += "\\x";
      text += kHex[static_cast<unsigned char>(c) >> 4];
      text += kHex[static_cast<unsigned char>(c) & 15];
    }
  }
  return text;
}

std::vector<Step> ParseCommandLineSteps(const std::vector<std::string>& arguments) {
  std::vector<std::string> words;
  for (const std::string& argument : arguments) {
    for (std::string& word : Words(argument)) words.push_back(std::move(word));
  }
  std::vector<Step> steps;
  std::size_t at = 0;
  while (at < words.size()) {
    if (words[at] == ";") {
      ++at;
      continue;
    }
    steps.push_back(ReadStep(words, at, "command line: step " + std::to_string(steps.size() + 1)));
  }
  return steps;
}

Step ParseStepText(const std::string& text, const std::string& place) {
  const std::vector<std::string> words = Words(text);
  if (words.empty()) throw InputError(place, "an empty step; write it as \"pinmark HMEM lamp\"");
  std::size_t at = 0;
  Step step = ReadStep(words, at, place);
  if (at < words.size()) {
    throw InputError(place + " (\"" + text + "\")", "unexpected \"" + words[at] + "\" after the node name; one step per string");
  }
  return step;
}

}  // namespace orvel::scene_tool
