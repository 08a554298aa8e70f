#include "tools/orvel-scene/command_line.h"

#include "tools/orvel-scene/input_error.h"

namespace orvel::scene_tool {

const char kUsage[] =
    "usage: orvel-scene [OPTIONS] [SCENE.json] [STEP...]\n"
    "\n"
    "Plays the host for OrvelPinmark and OrvelTwinflip on a scene and shows what\n"
    "each step did. Without SCENE.json the embedded sample scene is used, and\n"
    "without steps those of the scene file (for the sample: four that show both\n"
    "operations).\n"
    "\n"
    "steps, run in order in one process, so module state carries over:\n"
    "  pinmark CODE NODE              e.g. pinmark HMEM lamp, pinmark HLPA table\n"
    "  twinflip CODE [keep=N] NODE    e.g. twinflip SXAY keep=0 arm\n"
    "  CODE is any four characters, or - for the code the new object starts with;\n"
    "  without keep= the object keeps the flag it starts with.\n"
    "\n"
    "options:\n"
    "  --pinmark FILE    the OrvelPinmark module (default: built beside the tool,\n"
    "                    or $ORVEL_PINMARK_MODULE)\n"
    "  --twinflip FILE   the OrvelTwinflip module (default likewise, or\n"
    "                    $ORVEL_TWINFLIP_MODULE)\n"
    "  --module FILE     a module of either class; the class it offers decides\n"
    "  --trace           add the host's call log of each step\n"
    "  --json            print the same as JSON\n"
    "  --svg FILE        draw the scene before and after each step\n"
    "  --help            this text\n"
    "\n"
    "exit codes: 0 done, 1 a module or the host failed while running,\n"
    "2 bad input (found before any step runs).\n";

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool options = true;
  bool first = true;
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (options && word == "--") {
      options = false;
      continue;
    }
    if (options && word.rfind("--", 0) == 0) {
      std::string name = word;
      std::optional<std::string> value;
      if (const auto equals = word.find('='); equals != std::string::npos) {
        name = word.substr(0, equals);
        value = word.substr(equals + 1);
      }
      const bool takesFile = name == "--pinmark" || name == "--twinflip" || name == "--module" || name == "--svg";
      if (takesFile && !value) {
        if (i + 1 >= argc) throw InputError("command line: " + name, "needs a file name");
        value = argv[++i];
      }
      if (!takesFile && value) throw InputError("command line: " + name, "takes no value");
      if (name == "--pinmark") {
        line.pinmarkFile = value;
      } else if (name == "--twinflip") {
        line.twinflipFile = value;
      } else if (name == "--module") {
        line.moduleFiles.push_back(*value);
      } else if (name == "--svg") {
        line.svgFile = value;
      } else if (name == "--trace") {
        line.trace = true;
      } else if (name == "--json") {
        line.json = true;
      } else if (name == "--help") {
        line.help = true;
      } else {
        throw InputError("command line: " + name, "unknown option; see orvel-scene --help");
      }
      continue;
    }
    const std::string lead = word.substr(0, word.find_first_of(" \t;"));
    if (first && lead != "pinmark" && lead != "twinflip") {
      line.sceneFile = word;
    } else {
      line.stepWords.push_back(word);
    }
    first = false;
  }
  return line;
}

}  // namespace orvel::scene_tool
