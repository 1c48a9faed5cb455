#include "sim/Descriptor.h"

#include <algorithm>
#include <cstring>

namespace e14::sim {
namespace {

template <typename T>
void Put(uint8_t* record, size_t offset, const T& value) {
  std::memcpy(record + offset, &value, sizeof value);
}

void PutText(uint8_t* record, size_t offset, const std::string& text, size_t width) {
  std::memcpy(record + offset, text.data(), std::min(text.size(), width));
}

}  // namespace

const DescriptorLayout& LayoutOf(Flavour flavour) {
  return flavour == Flavour::LUsbApi3 ? kDescriptorLUsbApi3 : kDescriptorLUsbApiU;
}

void FillDescriptor(const ModuleConfig& m, Flavour flavour, uint8_t* record) {
  const DescriptorLayout& layout = LayoutOf(flavour);
  std::memset(record, 0, layout.Size);
  PutText(record, layout.Serial, m.Serial, kSerialLength);
  record[layout.Revision] = static_cast<uint8_t>(m.Revision);
  Put(record, layout.ClockKHz, m.ClockKHz);
  if (layout.Firmware != 0) PutText(record, layout.Firmware, m.Firmware, kFirmwareLength);
  Put(record, layout.AdcOffset, m.AdcOffset);
  Put(record, layout.AdcGain, m.AdcGain);
  Put(record, layout.DacPresent, uint32_t{m.HasDac ? 1u : 0u});
  Put(record, layout.DacOffset, m.DacOffset);
  if (layout.DacGain != 0) Put(record, layout.DacGain, m.DacGain);
}

}  // namespace e14::sim
