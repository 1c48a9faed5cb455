// Scripted vendor libraries for the back-end tests. FakeVendorWrapper.cpp
// defines every member of the wrappers (backend/VendorWrapper.h) that the
// back-ends call, in place of the real ones, so the back-ends run against
// these answers and each call the module sees is logged.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "backend/VendorWrapper.h"

namespace e14::testing {

// What a module's descriptor says, written at the library's offsets; its
// serial number is FAKE0001, and it has a DAC.
struct FakeModule {
  char revision = 'B';
  std::string firmware = "3.12";  // the second library's text
  std::array<double, 4> adcOffset{}, adcGain{1, 1, 1, 1};
  std::array<double, 2> dacOffset{}, dacGain{1, 1};
};

struct FakeLibrary {
  uint32_t version = 0x00030004;  // major << 16 | minor
  std::map<uint32_t, FakeModule> modules;  // by slot
  std::set<std::string> refused;  // calls that fail: "Descriptor", "GetAdcParams", "StartAdc", ...
  uint32_t firmwareWord = 0;      // module memory's firmware bytes, high byte major
  std::vector<std::string> log;   // "Open 2", "DacSample 1515 0", ...
};

// "LUsbApi3" or "LUsbApiU"; every library starts empty in each test.
FakeLibrary& Library(const std::string& name);
void ResetLibraries();

}  // namespace e14::testing
