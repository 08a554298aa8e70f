#include "mirror/twinflip.h"

#include "mirror/duplicate_subtree.h"
#include "mirror/mirror_transform.h"
#include "mirror/twinflip_defaults.h"

namespace orvel::mirror {

TwinflipData Twinflip::Defaults() { return TwinflipData{DefaultOptionCode, DefaultKeepTranslation}; }

// Copies `node` with its sub-tree beside it and mirrors the top copy. The
// host's answers are not checked; out-records start zeroed so that a host
// that leaves one unwritten still yields defined values.
bool ORVEL_STDCALL Twinflip::Execute(uint32_t, SceneNode* node, uint32_t, uint32_t, uint32_t) {
  if (node == nullptr) return false;
  SceneNode* copy = DuplicateSubtree(node, 1);
  if (copy == nullptr) return false;

  Vector3 pivot{};
  node->GetPivot(&pivot);
  NodeTransform transform{};
  copy->GetTransform(&transform);
  MirrorRows(transform, MirrorFactors(data_.optionCode));

  const bool keepTranslation = data_.keepTranslation != 0;
  if (!keepTranslation) {
    NodeTransform source{};
    node->GetTransform(&source);
    Vector3 axisScale{};
    node->GetAxisScale(&axisScale);
    CorrectTranslationByPivot(transform, source, axisScale, pivot);
  }
  // Only the top copy changes; the copies below keep what Duplicate gave.
  copy->SetTransform(&transform);

  DefaultOptionCode = data_.optionCode;
  DefaultKeepTranslation = keepTranslation ? 1 : 0;
  return true;
}

}  // namespace orvel::mirror
