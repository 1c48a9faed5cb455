// Records exchanged with the vendor library, byte for byte: little-endian,
// packed. Shared by the driver's back-ends and the simulated library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vendor/MemoryRequest.h"

// The vendor's functions use the stdcall convention on 32-bit Windows.
#if defined(_WIN32) && !defined(_WIN64)
#define E14_STDCALL __stdcall
#else
#define E14_STDCALL
#endif

namespace e14 {

// The device interface object: its first word points to the function table.
// Every function takes the object first and returns a 32-bit value.
struct VendorObject {
  void* const* Table;
};

using GetDllVersionFn = uint32_t(E14_STDCALL*)();
using CreateLInstanceFn = VendorObject*(E14_STDCALL*)(const char* interfaceName);

// Slots of the function table the driver calls, per library flavour.
struct SlotMap {
  int OpenLDevice, CloseLDevice, ReleaseLInstance, GetModuleHandle, GetLastErrorInfo;
  int GetAdcPars, SetAdcPars, StartAdc, StopAdc, AdcSample, DacSample, DacSamples;
  int StartDac, StopDac, WriteDacData, EnableTtlOut, TtlIn, TtlOut, GetModuleDescriptor;
  int PutMemory;
};
constexpr int kNoSlot = -1;
constexpr SlotMap kSlotsLUsbApi3{0,  1,  2,  3,       6,       7,       8,       9,  10, 12,
                                 14, kNoSlot, kNoSlot, kNoSlot, kNoSlot, 15, 16, 17, 21, kNoSlot};
constexpr SlotMap kSlotsLUsbApiU{0, 1, 2, 3, 7, 8, 9, 10, 11, 13, 20, 21, 17, 18, 19, 22, 23, 24, 28, 31};
constexpr int kSlotTableSize = 32;

#pragma pack(push, 1)

struct AdcParams {
  uint16_t Mode;                // written as 0 before every write
  uint16_t Reserved2;           // left as the library returned it
  uint16_t SynchroInputMode;
  uint16_t SynchroADType;
  uint16_t SynchroADMode;
  uint16_t SynchroADChannel;    // channel code
  uint16_t SynchroADPorog;      // threshold in ADC codes
  uint16_t ChannelsQuantity;    // entries of ControlTable in use
  uint16_t ControlTable[128];
  double AdcRateKHz;
  double InterKadrDelayMs;
  double KadrRateKHz;           // read back after a write
};

struct ErrorInfo {
  char Text[256];
  uint32_t Code;
};

struct IoRequest {
  uint32_t Buffer;
  uint32_t Words;
  uint32_t WordsTransferred;
  uint32_t Overlapped;
  uint32_t TimeoutMs;
};

// The request record's buffer field holds only 32 bits. The driver always
// passes the record inside this wrapper so that 64-bit builds of the library
// find the full buffer address right after it; 32-bit libraries ignore it.
struct IoRequest64 {
  IoRequest Request;
  uint64_t Buffer64;
};

struct DacParamBlock {
  uint16_t RateDivisor;
  uint8_t Mode;
  uint8_t Control;
  uint32_t Reserved;
  uint16_t Points;
  uint16_t Code0;
  uint16_t Code1;
  uint16_t Reserved2;
};

#pragma pack(pop)

static_assert(sizeof(AdcParams) == 296);
static_assert(offsetof(AdcParams, ControlTable) == 16);
static_assert(offsetof(AdcParams, AdcRateKHz) == 272);
static_assert(offsetof(AdcParams, KadrRateKHz) == 288);
static_assert(sizeof(ErrorInfo) == 260);
static_assert(sizeof(IoRequest) == 20);
static_assert(sizeof(IoRequest64) == 28 && offsetof(IoRequest64, Buffer64) == 20);
static_assert(sizeof(DacParamBlock) == 16);

// A library addresses its modules by virtual slot 0..kModuleSlots-1.
constexpr int kModuleSlots = 16;

// Module descriptor sizes and the offsets of the fields the driver reads; the
// rest of the record is the library's.
struct DescriptorLayout {
  size_t Size;
  size_t Serial;        // kSerialLength bytes of text
  size_t Revision;      // one letter
  size_t ClockKHz;      // double
  size_t Firmware;      // kFirmwareLength bytes of text, 0 when the record has none
  size_t AdcOffset;     // double[4], ADC codes
  size_t AdcGain;       // double[4]
  size_t DacPresent;    // 32-bit
  size_t DacOffset;     // double[2], DAC codes
  size_t DacGain;       // double[2], 0 when the record has none
};

constexpr size_t kSerialLength = 16;
constexpr size_t kFirmwareLength = 10;
constexpr DescriptorLayout kDescriptorLUsbApi3{6186, 50, 66, 637, 0, 1260, 2284, 3564, 3593, 0};
constexpr DescriptorLayout kDescriptorLUsbApiU{6187, 50, 66, 638, 646, 1261, 2285, 3565, 3594, 4618};
constexpr size_t kMaxDescriptorSize = 6187;

constexpr uint16_t kTtlOutAddress = 0x400;
constexpr uint16_t kFirmwareAddress = 0x1080;
constexpr uint16_t kDacParamAddress = 0x160;

}  // namespace e14
