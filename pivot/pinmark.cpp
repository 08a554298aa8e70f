#include "pivot/pinmark.h"

#include "pivot/pivot_state.h"
#include "pivot/place_step.h"
#include "pivot/reference_point.h"
#include "pivot/transform_point.h"

namespace orvel::pivot {

PinmarkData Pinmark::Defaults() { return PinmarkData{DefaultOptionCode}; }

// Only the target node is read of the five arguments. The node is borrowed:
// no reference is taken on it.
bool ORVEL_STDCALL Pinmark::Execute(uint32_t, SceneNode* node, uint32_t, uint32_t, uint32_t) {
  if (node == nullptr) return false;

  // The host sees the same reads on every run, whatever the option.
  const Vector3 reference = ReadReferencePoint(node);
  NodeTransform placement = {};
  Vector3 axisScale = {};
  node->GetPlacement(&placement);
  node->GetAxisScale(&axisScale);

  const OptionCode option = data_.optionCode;
  if (option == kMemorize) {
    Vector3 pivot = {};
    node->GetPivot(&pivot);
    PointRecorded = true;
    TransformPoint(RecordedPoint, pivot, placement, axisScale);
  } else if (option == kPlace && PointRecorded) {
    PlaceOnRecordedPoint(node, RecordedPoint, placement, axisScale, reference);
  }

  DefaultOptionCode = option;
  return true;
}

}  // namespace orvel::pivot
