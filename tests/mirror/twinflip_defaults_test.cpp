// The module defaults a new Twinflip starts from: "SXAX" and 1 at load,
// then the settings of the last run that returned 1, and only of such a run.
#include <gtest/gtest.h>

#include "tests/mirror/twinflip_fixture.h"

namespace orvel::mirror_test {
namespace {

using host::TestNode;

using TwinflipDefaultsTest = TwinflipTest;

void ExpectSettings(const Settings& settings, OptionCode code, uint8_t keepTranslation) {
  EXPECT_EQ(settings.code, code);
  EXPECT_EQ(settings.keepTranslation, keepTranslation);
}

TEST_F(TwinflipDefaultsTest, SuccessfulRunSetsTheDefaultsOfLaterObjects) {
  ExpectSettings(Read(object_), kMirrorX, 1);
  I3DExSceneOperation8* earlier = NewObject();
  Write(earlier, kMirrorY, 1);

  TestNode& node = scene_.Add("node");
  Write(object_, kMirrorZ, 0);
  ASSERT_TRUE(Run(&node));
  ExpectSettings(Read(NewObject()), kMirrorZ, 0);
  // Objects that exist keep their own settings.
  ExpectSettings(Read(earlier), kMirrorY, 1);
  ExpectSettings(Read(object_), kMirrorZ, 0);
}

TEST_F(TwinflipDefaultsTest, AnyNonzeroKeepTranslationIsStoredAsOne) {
  TestNode& node = scene_.Add("node");
  for (uint8_t keep : {uint8_t{2}, uint8_t{0x80}, uint8_t{0xff}}) {
    Write(object_, kMirrorY, keep);
    ASSERT_TRUE(Run(&node));
    ExpectSettings(Read(NewObject()), kMirrorY, 1);
    // Not normalised in the object's own block: the host wrote it.
    EXPECT_EQ(Read(object_).keepTranslation, keep);
  }
}

TEST_F(TwinflipDefaultsTest, CodeNamingNoAxisBecomesTheDefault) {
  TestNode& node = scene_.Add("node");
  Write(object_, FourCharCode("ABCD"), 1);
  ASSERT_TRUE(Run(&node));
  ExpectSettings(Read(NewObject()), FourCharCode("ABCD"), 1);
}

TEST_F(TwinflipDefaultsTest, NullTargetDoesNothing) {
  Write(object_, kMirrorZ, 0);
  const uint64_t requests = services_.allocator().requests();
  EXPECT_FALSE(Run(nullptr));
  EXPECT_EQ(services_.allocator().requests(), requests);
  ExpectSettings(Read(NewObject()), kMirrorX, 1);
}

TEST_F(TwinflipDefaultsTest, FailedTopDuplicateMakesOneCallAndChangesNothing) {
  // A run that succeeds first, so the defaults are not their load values.
  TestNode& good = scene_.Add("good");
  Write(object_, kMirrorY, 0);
  ASSERT_TRUE(Run(&good));
  scene_.log().Clear();

  TestNode& node = scene_.Add("node");
  scene_.Add("child", &node);
  node.failDuplicate = true;
  Write(object_, kMirrorZ, 1);
  const std::size_t topLevel = scene_.root().children().size();
  EXPECT_FALSE(Run(&node));
  EXPECT_EQ(scene_.log().DescribeAll(), "node.Duplicate(1) -> null\n");
  EXPECT_EQ(scene_.root().children().size(), topLevel) << "nothing placed in the scene";
  ExpectSettings(Read(NewObject()), kMirrorY, 0);
}

}  // namespace
}  // namespace orvel::mirror_test
