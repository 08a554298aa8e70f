// The run as JSON for scripts: the same content as the text, with numbers as
// the exact values of their 32-bit floats.
//
// {"scene": ..., "nodes": [...], "modules": {"pinmark": path, ...},
//  "steps": [{"index", "step", "module", "node", "startedWith", "ranWith",
//             "result", "recordedPoint", "changes", "copies", "calls"?}],
//  "faults": [...]}
#pragma once

#include <ostream>

#include "tools/orvel-scene/run_summary.h"

namespace orvel::scene_tool {

void WriteJson(const RunSummary& run, bool trace, std::ostream& out);

}  // namespace orvel::scene_tool
