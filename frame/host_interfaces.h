// The host's side of the contract: the records it exchanges with the modules
// and the two interfaces the modules call, HostServices and SceneNode.
//
// Geometry conventions. NodeTransform.m is a 3x3 matrix stored by rows: row i
// yields coordinate i of a mapped point. A point p of a node with axis scale a
// maps to s * (m * (p.x*a.x, p.y*a.y, p.z*a.z)) + t.
//
// Interface layout. Virtual functions stand in table order, one per position;
// none is overloaded and none of the interfaces has a virtual destructor, so
// the compiler's table is exactly the host's. Positions the modules never call
// are kept as placeholders so that every later position lands where the host
// expects it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/abi.h"

namespace orvel {

struct Vector3 {
  float x;
  float y;
  float z;
};

struct NodeTransform {
  float m[9];
  Vector3 t;
  float s;
};

// Two opposite corners in the node's own coordinates, before its axis scale.
struct BoundingBox {
  float x0, y0, z0;
  float x1, y1, z1;
};

class IUnknown {
 public:
  virtual HRESULT ORVEL_STDCALL QueryInterface(const GUID* iid, void** out) = 0;  // 0
  virtual uint32_t ORVEL_STDCALL AddRef() = 0;                                     // 1
  virtual uint32_t ORVEL_STDCALL Release() = 0;                                    // 2

 protected:
  ~IUnknown() = default;
};

// One record of a node list; the host walks the array with this stride.
struct NodeListEntry {
  IUnknown* node;
  uint8_t unused[48];
};

class HostServices : public IUnknown {
 public:
  virtual HRESULT ORVEL_STDCALL HostSlot03() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot04() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot05() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot06() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot07() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot08() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot09() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot10() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot11() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot12() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot13() = 0;
  virtual uint32_t ORVEL_STDCALL GetHostValue() = 0;                 // 14
  virtual void* ORVEL_STDCALL AllocateMemory(uint32_t bytes) = 0;    // 15
  virtual HRESULT ORVEL_STDCALL HostSlot16() = 0;
  virtual HRESULT ORVEL_STDCALL HostSlot17() = 0;
  virtual void ORVEL_STDCALL FreeMemory(void* block) = 0;            // 18

 protected:
  ~HostServices() = default;
};

class SceneNode : public IUnknown {
 public:
  virtual HRESULT ORVEL_STDCALL NodeSlot03() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot04() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot05() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot06() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot07() = 0;
  virtual SceneNode* ORVEL_STDCALL GetFirstChild() = 0;                          // 8
  // At the end of a sibling list the host answers null or the node itself.
  virtual SceneNode* ORVEL_STDCALL GetNextSibling() = 0;                         // 9
  virtual HRESULT ORVEL_STDCALL NodeSlot10() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot11() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot12() = 0;
  virtual HRESULT ORVEL_STDCALL AddChild(SceneNode* child) = 0;                  // 13
  virtual HRESULT ORVEL_STDCALL NodeSlot14() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot15() = 0;
  virtual HRESULT ORVEL_STDCALL InsertSibling(SceneNode* sibling) = 0;           // 16
  virtual HRESULT ORVEL_STDCALL GetFrameTransform(NodeTransform* out) = 0;       // 17
  virtual HRESULT ORVEL_STDCALL NodeSlot18() = 0;
  virtual HRESULT ORVEL_STDCALL GetPlacement(NodeTransform* out) = 0;            // 19
  virtual HRESULT ORVEL_STDCALL NodeSlot20() = 0;
  virtual HRESULT ORVEL_STDCALL GetPivot(Vector3* out) = 0;                      // 21
  virtual HRESULT ORVEL_STDCALL SetPivot(const Vector3* pivot) = 0;              // 22
  virtual HRESULT ORVEL_STDCALL NodeSlot23() = 0;
  virtual HRESULT ORVEL_STDCALL PrepareChange() = 0;                             // 24
  virtual HRESULT ORVEL_STDCALL NodeSlot25() = 0;
  // A childless copy that is not yet in the scene; null on failure.
  virtual SceneNode* ORVEL_STDCALL Duplicate(int32_t mode) = 0;                  // 26
  virtual HRESULT ORVEL_STDCALL GetBoundingBox(BoundingBox* out, int32_t mode) = 0;  // 27
  virtual HRESULT ORVEL_STDCALL BeginChange() = 0;                               // 28
  virtual HRESULT ORVEL_STDCALL EndChange() = 0;                                 // 29
  virtual HRESULT ORVEL_STDCALL GetAxisScale(Vector3* out) = 0;                  // 30
  virtual HRESULT ORVEL_STDCALL NodeSlot31() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot32() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot33() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot34() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot35() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot36() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot37() = 0;
  virtual HRESULT ORVEL_STDCALL GetTransform(NodeTransform* out) = 0;            // 38
  virtual HRESULT ORVEL_STDCALL SetTransform(const NodeTransform* transform) = 0;  // 39
  virtual HRESULT ORVEL_STDCALL NodeSlot40() = 0;
  virtual HRESULT ORVEL_STDCALL SetPlacement(const NodeTransform* placement, int32_t mode) = 0;  // 41
  virtual HRESULT ORVEL_STDCALL NodeSlot42() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot43() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot44() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot45() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot46() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot47() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot48() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot49() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot50() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot51() = 0;
  virtual HRESULT ORVEL_STDCALL NodeSlot52() = 0;
  // The list stays valid until ReleaseNodeList.
  virtual HRESULT ORVEL_STDCALL GetNodeList(int32_t* count, NodeListEntry** list) = 0;  // 53
  virtual HRESULT ORVEL_STDCALL ReleaseNodeList() = 0;                           // 54

 protected:
  ~SceneNode() = default;
};

inline constexpr GUID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID kIidSceneNode = {0xD68FEB00, 0x3A02, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}};

// The five further host interfaces a binding asks for, in the order asked.
inline constexpr GUID kHostServiceIds[5] = {
    {0xF3CA8A60, 0x3F55, 0x11D1, {0xA0, 0x9F, 0x00, 0xAA, 0x00, 0xD3, 0x7E, 0x0B}},
    {0x5C9601AB, 0x7CC3, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}},
    {0x5C9601AA, 0x7CC3, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}},
    {0x4926F780, 0xBA0F, 0x11CF, {0x99, 0x09, 0x00, 0x40, 0x05, 0x22, 0xBF, 0xCC}},
    {0x900B69F1, 0x701B, 0x11D0, {0xB2, 0xB5, 0x00, 0xAA, 0x00, 0x4B, 0x60, 0xE7}},
};

#if defined(__i386__)
// What the host relies on in the 32-bit layout.
static_assert(sizeof(void*) == 4);
static_assert(sizeof(Vector3) == 12);
static_assert(sizeof(NodeTransform) == 52);
static_assert(offsetof(NodeTransform, t) == 36 && offsetof(NodeTransform, s) == 48);
static_assert(sizeof(BoundingBox) == 24);
static_assert(sizeof(NodeListEntry) == 52);
static_assert(sizeof(IUnknown) == 4 && sizeof(SceneNode) == 4 && sizeof(HostServices) == 4);
#endif

}  // namespace orvel
