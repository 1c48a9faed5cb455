// Shared set-up of the settings model tests: services that record what the
// pages ask of the desktop, and a fake module whose DAC output and TTL
// inputs the tests can watch and drive.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "driver/E14_140.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/FakeBackend.h"
#include "tests/support/FreshThread.h"
#include "ui/UiServices.h"

namespace e14::testing {

class RecordingServices : public UiServices {
 public:
  void ShowMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
  void OpenHelp(const std::string& file, int32_t topic) override { helps.emplace_back(file, topic); }
  void OpenUrl(const std::string&) override {}
  std::string DecimalSeparator() override { return separator; }

  std::string separator = ".";
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, int32_t>> helps;
};

// What reached the module's DAC output and what its TTL inputs read.
struct Panel {
  int dacStarts = 0, dacStops = 0, waveChannelsAtStart = -1;
  int32_t inputs = 0;
};

class PanelBackend : public FakeBackend {
 public:
  PanelBackend(std::shared_ptr<FakeModule> module, std::shared_ptr<Panel> panel)
      : FakeBackend(std::move(module)), panel_(std::move(panel)) {}
  void StartDacOutput() override {
    ++panel_->dacStarts;
    panel_->waveChannelsAtStart = State().DacInfo.WaveChannels;
  }
  void StopDacOutput() override { ++panel_->dacStops; }
  int32_t ReadTtlInputs() override { return State().DioState.DIValue = panel_->inputs; }

 private:
  std::shared_ptr<Panel> panel_;
};

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallUiServices(services);
    InstallBackendFactory([module = module, panel = panel](int16_t which) -> std::unique_ptr<Backend> {
      return which == 1 ? std::make_unique<PanelBackend>(module, panel) : nullptr;
    });
  }
  void TearDown() override {
    InstallBackendFactory(nullptr);
    InstallUiServices(nullptr);
  }

  // Runs a test body on its own driver state with a driver object that
  // opened the module.
  template <typename Body>
  void WithDriver(Body body) {
    // The driver object saves its settings when it goes: each body starts afresh.
    ForgetDriverSettings();
    InFreshThread([&] {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test());
      body(driver);
      State().Busy = false;
    });
  }

  // A module with the 12-bit DAC; with `generator` it also streams waveforms.
  template <typename Body>
  void WithDac(bool generator, Body body) {
    module->hasDac = true;
    WithDriver([&](E14_140& driver) {
      State().DacInfo.RateMax = generator ? 200000.0f : 0.0f;
      State().DacInfo.MaxLen = generator ? 5120 : 0;
      body(driver);
    });
  }

  std::shared_ptr<RecordingServices> services = std::make_shared<RecordingServices>();
  std::shared_ptr<FakeModule> module = std::make_shared<FakeModule>();
  std::shared_ptr<Panel> panel = std::make_shared<Panel>();
};

}  // namespace e14::testing
