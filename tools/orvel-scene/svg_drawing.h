// The scene before and after each step, drawn in three orthographic views,
// z up: top (x right, y up), front (x right, z up, seen from -y) and side
// (y right, z up, seen from +x). One row per step, every view at one scale.
// Each node's box is the outline of its eight mapped corners; copies,
// nodes the step changed and the others each have their colour; pivots are
// crosses, the recorded point a ring, a mirror plane a dashed line in the
// views that see it edge on.
//
// Every box is a <polygon class="box ..." data-id data-node> inside a
// <g class="view" data-step data-state data-view>, so that scripts can find
// one box per node and view.
#pragma once

#include <ostream>

#include "tools/orvel-scene/run_summary.h"

namespace orvel::scene_tool {

void WriteSvg(const RunSummary& run, std::ostream& out);

}  // namespace orvel::scene_tool
