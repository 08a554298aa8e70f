#include "pivot/pivot_state.h"

#include "pivot/pinmark.h"

namespace orvel::pivot {

Vector3 RecordedPoint = {0.0f, 0.0f, 0.0f};
bool PointRecorded = false;
OptionCode DefaultOptionCode = kMemorize;

}  // namespace orvel::pivot
