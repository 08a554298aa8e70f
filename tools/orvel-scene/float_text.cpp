#include "tools/orvel-scene/float_text.h"

#include <charconv>

namespace orvel::scene_tool {

std::string FloatText(float value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string VectorText(const Vector3& v) {
  return "(" + FloatText(v.x) + ", " + FloatText(v.y) + ", " + FloatText(v.z) + ")";
}

std::string MatrixText(const float (&m)[9]) {
  std::string text = "(";
  for (int i = 0; i < 9; ++i) {
    if (i > 0) text += i % 3 == 0 ? " | " : " ";
    text += FloatText(m[i]);
  }
  return text + ")";
}

std::string BoxText(const BoundingBox& box) {
  return VectorText({box.x0, box.y0, box.z0}) + ".." + VectorText({box.x1, box.y1, box.z1});
}

}  // namespace orvel::scene_tool
