// The mirror step on worked examples, matched exactly: the copy's matrix
// rows negated for the chosen axis, its translation corrected by the
// source's pivot unless KeepTranslation is set, nothing else of it changed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/mirror/twinflip_fixture.h"

namespace orvel::mirror_test {
namespace {

using host::TestNode;

struct Example {
  const char* name;
  float m[9];
  Vector3 t;
  float s;
  Vector3 pivot;
  Vector3 axisScale;
  OptionCode code;
  uint8_t keepTranslation;
  float expectedM[9];
  Vector3 expectedT;
};

constexpr float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// clang-format off
const Example kExamples[] = {
    {"pivot on X, translation kept",
     {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}, 1, {1, 0, 0}, {1, 1, 1}, kMirrorX, 1,
     {-1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}},
    {"pivot on X, corrected: u=(1,0,0), v=(-1,0,0)",
     {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}, 1, {1, 0, 0}, {1, 1, 1}, kMirrorX, 0,
     {-1, 0, 0, 0, 1, 0, 0, 0, 1}, {-2, 0, 0}},
    {"scaled pivot on Z, corrected: q=(0,0,1), u=(0,0,2), v=(0,0,-2)",
     {1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 2, 3}, 2, {0, 0, 2}, {1, 1, 0.5f}, kMirrorZ, 0,
     {1, 0, 0, 0, 1, 0, 0, 0, -1}, {1, 2, -1}},
    {"rows, not columns, change sign",
     {1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 0, 0}, 1, {0, 0, 0}, {1, 1, 1}, kMirrorY, 1,
     {1, 2, 3, -4, -5, -6, 7, 8, 9}, {0, 0, 0}},
    {"a code that names no axis leaves the copy as Duplicate made it",
     {0, -1, 0, 1, 0, 0, 0, 0, 1}, {4, 5, 6}, 3, {1, 2, 3}, {2, 1, 1}, FourCharCode("SXAW"), 0,
     {0, -1, 0, 1, 0, 0, 0, 0, 1}, {4, 5, 6}},
    {"letters compared exactly: lower case is no code",
     {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}, 1, {1, 0, 0}, {1, 1, 1}, FourCharCode("sxax"), 0,
     {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}},
    {"KeepTranslation 2 counts as set",
     {1, 0, 0, 0, 1, 0, 0, 0, 1}, {7, 8, 9}, 1, {1, 1, 1}, {1, 1, 1}, kMirrorY, 2,
     {1, 0, 0, -0.0f, -1, -0.0f, 0, 0, 1}, {7, 8, 9}},
    {"a pivot at the origin needs no correction",
     {0, 0, 1, 0, 1, 0, -1, 0, 0}, {3, -2, 5}, 1.5f, {0, 0, 0}, {1, 2, 3}, kMirrorX, 0,
     {-0.0f, -0.0f, -1, 0, 1, 0, -1, 0, 0}, {3, -2, 5}},
};
// clang-format on

using MirrorExampleTest = TwinflipTest;

TEST_F(MirrorExampleTest, WorkedExamples) {
  for (const Example& example : kExamples) {
    SCOPED_TRACE(example.name);
    TestNode& node = scene_.Add(example.name);
    const NodeTransform source = host::MakeTransform(example.m, example.t, example.s);
    node.transform = source;
    node.pivot = example.pivot;
    node.axisScale = example.axisScale;
    Write(object_, example.code, example.keepTranslation);

    ASSERT_TRUE(Run(&node));
    const TestNode* copy = CopyBeside(node);
    ASSERT_NE(copy, nullptr);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(copy->transform.m[i], example.expectedM[i]) << "m[" << i << "]";
    EXPECT_EQ(copy->transform.t.x, example.expectedT.x);
    EXPECT_EQ(copy->transform.t.y, example.expectedT.y);
    EXPECT_EQ(copy->transform.t.z, example.expectedT.z);
    EXPECT_EQ(copy->transform.s, example.s);
    // The source is read, never written.
    EXPECT_EQ(std::memcmp(&node.transform, &source, sizeof(NodeTransform)), 0);
  }
}

TEST_F(MirrorExampleTest, OnlyTheTopCopyIsMirrored) {
  TestNode& top = scene_.Add("top");
  TestNode& child = scene_.Add("child", &top);
  TestNode& grandchild = scene_.Add("grandchild", &child);
  const float rotated[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  child.transform = host::MakeTransform(rotated, {1, 2, 3}, 2);
  grandchild.transform = host::MakeTransform(kIdentity, {-1, 0, 4}, 0.5f);
  top.pivot = {1, 2, 3};
  Write(object_, kMirrorZ, 0);

  ASSERT_TRUE(Run(&top));
  const TestNode* copy = CopyBeside(top);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->children().size(), 1u);
  const TestNode* childCopy = copy->children()[0];
  ASSERT_EQ(childCopy->children().size(), 1u);
  EXPECT_EQ(std::memcmp(&childCopy->transform, &child.transform, sizeof(NodeTransform)), 0);
  EXPECT_EQ(std::memcmp(&childCopy->children()[0]->transform, &grandchild.transform, sizeof(NodeTransform)), 0);
  int setters = 0;
  for (const host::Call& call : scene_.log().calls()) setters += call.method == host::Method::kSetTransform;
  EXPECT_EQ(setters, 1);
}

}  // namespace
}  // namespace orvel::mirror_test
