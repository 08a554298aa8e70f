// The run as text for people: one block per step with its result, the
// recorded point, an aligned table of the values that changed, the copied
// sub-trees and, when tracing, the host's call log.
#pragma once

#include <ostream>

#include "tools/orvel-scene/run_summary.h"

namespace orvel::scene_tool {

void WriteText(const RunSummary& run, bool trace, std::ostream& out);

// One value as the text shows it ("(1, 2, 3)", "(1 0 0 | 0 1 0 | 0 0 1)").
std::string ValueText(const FieldValue& value);

}  // namespace orvel::scene_tool
