// The device interface object as the vendor's binary interface lays it out:
// a pointer to a table of stdcall functions, at the slots each library
// flavour uses.
#include <array>
#include <cstring>
#include <memory>

#include "sim/Device.h"
#include "sim/Library.h"
#include "sim/World.h"

namespace e14::sim {
namespace {

using Table = std::array<void*, kSlotTableSize>;

// The object handed out: the table pointer first, as the driver expects.
struct InterfaceObject {
  VendorObject Object;
  Device* Impl;
};

Device& DeviceOf(VendorObject* self) { return *reinterpret_cast<InterfaceObject*>(self)->Impl; }

// One table function per member: no exception may cross the vendor boundary.
template <auto Method>
struct Thunk;

template <typename R, typename... Args, R (Device::*Method)(Args...)>
struct Thunk<Method> {
  static uint32_t E14_STDCALL Call(VendorObject* self, Args... args) noexcept {
    try {
      return static_cast<uint32_t>((DeviceOf(self).*Method)(args...));
    } catch (...) {
      return 0;
    }
  }
};

template <typename R, typename... Args, R (Device::*Method)(Args...) const>
struct Thunk<Method> {
  static uint32_t E14_STDCALL Call(VendorObject* self, Args... args) noexcept {
    try {
      return static_cast<uint32_t>((DeviceOf(self).*Method)(args...));
    } catch (...) {
      return 0;
    }
  }
};

uint32_t E14_STDCALL Release(VendorObject* self) noexcept {
  auto* object = reinterpret_cast<InterfaceObject*>(self);
  delete object->Impl;
  delete object;
  return 0;
}

// Slots the driver never calls.
uint32_t E14_STDCALL Unused(VendorObject*) noexcept { return 0; }

template <typename Function>
void Put(Table& table, int slot, Function function) {
  if (slot != kNoSlot) table[static_cast<size_t>(slot)] = reinterpret_cast<void*>(function);
}

Table MakeTable(const SlotMap& map) {
  Table table;
  table.fill(reinterpret_cast<void*>(&Unused));
  Put(table, map.OpenLDevice, &Thunk<&Device::Open>::Call);
  Put(table, map.CloseLDevice, &Thunk<&Device::Close>::Call);
  Put(table, map.ReleaseLInstance, &Release);
  Put(table, map.GetModuleHandle, &Thunk<&Device::Handle>::Call);
  Put(table, map.GetLastErrorInfo, &Thunk<&Device::LastError>::Call);
  Put(table, map.GetAdcPars, &Thunk<&Device::GetAdcParams>::Call);
  Put(table, map.SetAdcPars, &Thunk<&Device::SetAdcParams>::Call);
  Put(table, map.StartAdc, &Thunk<&Device::StartAdc>::Call);
  Put(table, map.StopAdc, &Thunk<&Device::StopAdc>::Call);
  Put(table, map.AdcSample, &Thunk<&Device::AdcSample>::Call);
  Put(table, map.DacSample, &Thunk<&Device::DacSample>::Call);
  Put(table, map.DacSamples, &Thunk<&Device::DacSamples>::Call);
  Put(table, map.StartDac, &Thunk<&Device::StartDac>::Call);
  Put(table, map.StopDac, &Thunk<&Device::StopDac>::Call);
  Put(table, map.WriteDacData, &Thunk<&Device::WriteDacData>::Call);
  Put(table, map.EnableTtlOut, &Thunk<&Device::EnableTtlOut>::Call);
  Put(table, map.TtlIn, &Thunk<&Device::TtlIn>::Call);
  Put(table, map.TtlOut, &Thunk<&Device::TtlOut>::Call);
  Put(table, map.GetModuleDescriptor, &Thunk<&Device::ReadDescriptor>::Call);
  Put(table, map.PutMemory, &Thunk<&Device::PutMemory>::Call);
  return table;
}

const Table& TableOf(Flavour flavour) {
  static const Table lusbapi3 = MakeTable(kSlotsLUsbApi3);
  static const Table lusbapiu = MakeTable(kSlotsLUsbApiU);
  return flavour == Flavour::LUsbApi3 ? lusbapi3 : lusbapiu;
}

}  // namespace

uint32_t LibraryVersion(Flavour flavour) {
  try {
    const LibraryConfig library = World::Instance().Library(flavour);
    return library.Present ? library.Version : 0;
  } catch (...) {
    return 0;
  }
}

VendorObject* CreateInterface(Flavour flavour, const char* name) {
  try {
    if (name == nullptr || std::strcmp(name, "E140") != 0 || !World::Instance().Library(flavour).Present)
      return nullptr;
    auto device = std::make_unique<Device>(flavour);
    auto* object = new InterfaceObject{{TableOf(flavour).data()}, device.release()};
    return &object->Object;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace e14::sim
