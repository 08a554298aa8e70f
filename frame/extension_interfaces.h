// The module's side of the contract: the class factory and the three
// interfaces of the scene-operation extension object, which share one table
// of 15 positions (I3DExtension ends at 4, I3DExDataExchanger at 9,
// I3DExSceneOperation8 at 14). Arguments the object does not read are still
// declared, because their number and width fix the stack the host pushes.
#pragma once

#include <cstdint>

#include "frame/abi.h"
#include "frame/host_interfaces.h"

namespace orvel {

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT ORVEL_STDCALL CreateInstance(IUnknown* outer, const GUID* iid, void** out) = 0;  // 3
  virtual HRESULT ORVEL_STDCALL LockServer(int32_t lock) = 0;                                      // 4

 protected:
  ~IClassFactory() = default;
};

class I3DExtension : public IUnknown {
 public:
  virtual HRESULT ORVEL_STDCALL Initialize(HostServices* services) = 0;  // 3
  virtual I3DExtension* ORVEL_STDCALL Clone() = 0;                       // 4

 protected:
  ~I3DExtension() = default;
};

class I3DExDataExchanger : public I3DExtension {
 public:
  virtual uint32_t ORVEL_STDCALL GetExchangeState() = 0;         // 5
  virtual void* ORVEL_STDCALL GetOperationData() = 0;            // 6
  virtual uint32_t ORVEL_STDCALL GetExchangeContext() = 0;       // 7
  virtual HRESULT ORVEL_STDCALL RunExchange(uint32_t request) = 0;  // 8
  virtual uint32_t ORVEL_STDCALL GetExchangeValue() = 0;         // 9

 protected:
  ~I3DExDataExchanger() = default;
};

class I3DExSceneOperation8 : public I3DExDataExchanger {
 public:
  virtual uint32_t ORVEL_STDCALL PrepareExecute(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) = 0;  // 10
  virtual bool ORVEL_STDCALL Execute(uint32_t, SceneNode* node, uint32_t, uint32_t, uint32_t) = 0;      // 11
  virtual uint32_t ORVEL_STDCALL GetExecuteState(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                                 uint8_t* state) = 0;                                   // 12
  virtual bool ORVEL_STDCALL ExecuteSecondary(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) = 0;    // 13
  virtual bool ORVEL_STDCALL ExecuteTertiary(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) = 0;     // 14

 protected:
  ~I3DExSceneOperation8() = default;
};

inline constexpr GUID kIidClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The extension interface the factory accepts and asks each new object for.
inline constexpr GUID kIidExtension = {0x1705BF20, 0x0AD8, 0x11CF, {0xA4, 0xF7, 0x00, 0x00, 0xE2, 0x02, 0xD5, 0xA5}};
inline constexpr GUID kIidExDataExchanger = {0xB295B680, 0x3A02, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}};
inline constexpr GUID kIidExSceneOperation8 = {0xB0210D00, 0x3A02, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}};

// Exports, by undecorated name.
using DllInitRDComFn = HRESULT(ORVEL_STDCALL*)(HostServices* services);
using DllGetClassObjectFn = HRESULT(ORVEL_STDCALL*)(const GUID* clsid, const GUID* iid, void** out);
using DllCanUnloadNowFn = HRESULT(ORVEL_STDCALL*)();

}  // namespace orvel
