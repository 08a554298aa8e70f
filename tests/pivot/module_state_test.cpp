// The recorded point and the default option: module-wide, shared by every
// object of the module, gone with the module.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/pivot/pinmark_session.h"

namespace orvel::pivot_test {
namespace {

using host::Method;

class PivotModuleState : public PinmarkTest {
 protected:
  // The pivot a place run gives a node placed by the identity: the recorded
  // point itself. None when the run wrote nothing.
  std::optional<Vector3> PlacedPivot(Operation& place) {
    host::TestNode& target = LoneNode("target");
    scene_.log().Clear();
    EXPECT_TRUE(Run(place, &target));
    const host::SetValue* pivoted = LastSetValue(scene_.log(), Method::kSetPivot);
    if (pivoted == nullptr) return std::nullopt;
    return pivoted->vector;
  }
};

TEST_F(PivotModuleState, LaterMemorizeReplacesRecordedPoint) {
  host::TestNode& first = LoneNode("first");
  first.pivot = {1, 2, 3};
  host::TestNode& second = LoneNode("second");
  second.pivot = {-4, 5, -6};
  Operation memorize = session_.Create(kMemorize);
  ASSERT_TRUE(Run(memorize, &first));
  ASSERT_TRUE(Run(memorize, &second));

  Operation place = session_.Create(kPlace);
  EXPECT_EQ(PlacedPivot(place), (Vector3{-4, 5, -6}));
}

TEST_F(PivotModuleState, RecordedPointAndDefaultAreSharedByAllObjects) {
  host::TestNode& source = LoneNode("source");
  source.pivot = {7, 8, 9};
  {
    Operation memorize = session_.Create(kMemorize);
    ASSERT_TRUE(Run(memorize, &source));
  }
  // A later object, created after the first is gone, places the same point.
  Operation older = session_.Create();
  EXPECT_EQ(older.option(), kMemorize);
  Operation place = session_.Create(kPlace);
  EXPECT_EQ(PlacedPivot(place), (Vector3{7, 8, 9}));

  // Every run on a node, whatever its code, sets the default of new objects;
  // objects that exist keep their own option.
  EXPECT_EQ(session_.Create().option(), kPlace);
  const OptionCode unknown = FourCharCode("QQQQ");
  Operation other = session_.Create(unknown);
  ASSERT_TRUE(Run(other, &source));
  EXPECT_EQ(session_.Create().option(), unknown);
  EXPECT_EQ(older.option(), kMemorize);
  // An unknown code records nothing and forgets nothing.
  EXPECT_EQ(PlacedPivot(place), (Vector3{7, 8, 9}));
}

TEST_F(PivotModuleState, ReloadForgetsRecordedPointAndDefault) {
  host::TestNode& source = LoneNode("source");
  source.pivot = {1, 1, 1};
  {
    Operation memorize = session_.Create(kMemorize);
    ASSERT_TRUE(Run(memorize, &source));
    Operation place = session_.Create(kPlace);
    ASSERT_TRUE(PlacedPivot(place));
  }
  ASSERT_EQ(session_.services().allocator().liveBlocks(), 0u);
  session_.Unload();
  std::string error;
  ASSERT_TRUE(session_.Load(&error)) << error;

  Operation fresh = session_.Create();
  EXPECT_EQ(fresh.option(), kMemorize) << "DefaultOptionCode survived the unload";
  fresh.SetOption(kPlace);
  EXPECT_FALSE(PlacedPivot(fresh).has_value()) << "RecordedPoint survived the unload";
}

}  // namespace
}  // namespace orvel::pivot_test
