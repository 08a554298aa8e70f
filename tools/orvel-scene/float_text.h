// Numbers as the tool prints them: the shortest text that reads back as the
// same 32-bit float, so a printed value can be compared exactly.
#pragma once

#include <cstddef>
#include <string>

#include "frame/host_interfaces.h"

namespace orvel::scene_tool {

std::string FloatText(float value);
// "(x, y, z)"
std::string VectorText(const Vector3& v);
// "(m0 m1 m2 | m3 m4 m5 | m6 m7 m8)", one group per row.
std::string MatrixText(const float (&m)[9]);
// "(x0, y0, z0)..(x1, y1, z1)"
std::string BoxText(const BoundingBox& box);

}  // namespace orvel::scene_tool
