#include "ui/dlgSetup.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/mE14_x40.h"
#include "tests/ui/UiFixture.h"
#include "ui/ucADC.h"
#include "ui/ucDAC.h"
#include "ui/ucDIO.h"
#include "ui/ucGeneral.h"

namespace e14 {
namespace {

using testing::InFreshThread;
using testing::UiTest;

std::vector<std::string> Keys(const dlgSetup& dialog) {
  std::vector<std::string> keys;
  for (const auto& tab : dialog.Controls().tabSetup) keys.push_back(tab.Key);
  return keys;
}

// Pages that note their creation, commits and destruction in a shared log.
struct PageLog {
  std::vector<std::string> created, saved, destroyed;
  std::vector<std::string> failCreate;  // names whose creation throws (once each)
  std::string failSave;                 // name whose commit throws
};

class LoggingPage : public SetupPage {
 public:
  LoggingPage(std::string name, std::shared_ptr<PageLog> log) : name_(std::move(name)), log_(std::move(log)) {
    log_->created.push_back(name_);
  }
  ~LoggingPage() override { log_->destroyed.push_back(name_); }
  void Page_SaveSetting() override {
    if (name_ == log_->failSave) throw std::runtime_error("cannot commit");
    log_->saved.push_back(name_);
  }

 private:
  std::string name_;
  std::shared_ptr<PageLog> log_;
};

dlgSetup::PageFactory LoggingFactory(const std::shared_ptr<PageLog>& log) {
  return [log](const std::string& name) -> std::unique_ptr<SetupPage> {
    for (auto it = log->failCreate.begin(); it != log->failCreate.end(); ++it) {
      if (*it == name) {
        log->failCreate.erase(it);
        throw std::runtime_error("no such page");
      }
    }
    return std::make_unique<LoggingPage>(name, log);
  };
}

// A driver state with every part present.
void AllParts() {
  DriverState& s = State();
  s.Detected = true;
  s.HasDac = true;
  s.DioState.Detected = true;
}

struct TabCase {
  bool detected, hasDac, dio;
  std::vector<std::string> keys;
};

TEST(dlgSetup, TabsFollowThePartsOfTheOpenModule) {
  const TabCase cases[] = {
      {false, false, false, {"General"}},
      {true, false, true, {"General", "ADC", "DIO"}},
      {true, true, true, {"General", "ADC", "DAC", "DIO"}},
      {true, true, false, {"General", "ADC", "DAC"}},
      {false, false, true, {"General", "DIO"}},
  };
  for (const TabCase& c : cases) {
    InFreshThread([&] {
      SCOPED_TRACE(::testing::Message() << c.detected << c.hasDac << c.dio);
      DriverState& s = State();
      s.Detected = c.detected;
      s.HasDac = c.hasDac;
      s.DioState.Detected = c.dio;
      dlgSetup dialog(LoggingFactory(std::make_shared<PageLog>()));
      EXPECT_EQ(Keys(dialog), c.keys);
      for (size_t i = 0; i < c.keys.size(); ++i) EXPECT_EQ(dialog.PageControlName(static_cast<int>(i)), "tab" + c.keys[i]);
      EXPECT_EQ(dialog.PageControlName(static_cast<int>(c.keys.size())), "");
    });
  }
}

TEST(dlgSetup, CaptionCarriesTheDeviceTypeAndVersion) {
  InFreshThread([] {
    State().AdcInfo.DeviceType = "E14-140";
    dlgSetup dialog(CreateSetupPage, ComponentVersion{3, 2, 8});
    EXPECT_EQ(dialog.Controls().Caption, "E14-140 Setup (v3.2.8)");
  });
}

TEST(dlgSetup, HelpContextFromTheDigitsAfterTheFirstCharacter) {
  const std::pair<const char*, int32_t> cases[] = {
      {"E-140", 140}, {"E", 0}, {"", 0}, {"1234", 234}, {"X1Y2Z3", 123}, {"E-", 0}, {"E99999999999", 0},
  };
  for (const auto& [name, topic] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(dlgSetup::HelpContextFromName(name), topic);
  }
}

TEST_F(UiTest, HelpNeedsAHelpFileOfFiveCharacters) {
  const std::pair<const char*, bool> cases[] = {{"", false}, {"a.hl", false}, {"e.hlp", true}, {"/opt/e140.chm", true}};
  for (const auto& [file, usable] : cases) {
    SCOPED_TRACE(file);
    services->helps.clear();
    InFreshThread([&, file = std::string(file), usable = usable] {
      SCOPED_TRACE(file);
      State().HelpFile = file;
      State().AdcInfo.Name = "E-140";
      dlgSetup dialog(LoggingFactory(std::make_shared<PageLog>()));
      EXPECT_EQ(dialog.Controls().cmdDialog[dlgSetup::kHelp].Enabled, usable);
      EXPECT_EQ(dialog.HelpContext(), usable ? 140 : 0);
      dialog.cmdDialog_Click(dlgSetup::kHelp);
      dialog.ShowHelp();  // F1
      EXPECT_FALSE(dialog.Unloaded());
    });
    if (usable) {
      const std::pair<std::string, int32_t> expected{file, 140};
      EXPECT_EQ(services->helps, (std::vector<std::pair<std::string, int32_t>>{expected, expected}));
    } else {
      EXPECT_TRUE(services->helps.empty());
    }
  }
}

TEST(dlgSetup, PagesAreCreatedWhenTheirTabIsFirstSelected) {
  InFreshThread([] {
    AllParts();
    auto log = std::make_shared<PageLog>();
    dlgSetup dialog(LoggingFactory(log));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dialog.Page(i), nullptr);
    EXPECT_TRUE(log->created.empty());

    dialog.Activate();
    EXPECT_EQ(log->created, std::vector<std::string>{"Kestrel.ucGeneral"});
    ASSERT_NE(dialog.Page(0), nullptr);
    EXPECT_TRUE(dialog.Page(0)->Visible());

    dialog.tabSetup_Click(2);
    ASSERT_NE(dialog.Page(2), nullptr);
    EXPECT_TRUE(dialog.Page(2)->Visible());
    EXPECT_FALSE(dialog.Page(0)->Visible());
    EXPECT_EQ(dialog.Page(1), nullptr);

    dialog.tabSetup_Click(0);
    dialog.tabSetup_Click(2);
    dialog.Activate();  // the remembered tab, General, again
    EXPECT_EQ(log->created, (std::vector<std::string>{"Kestrel.ucGeneral", "Kestrel.ucDAC"}));
    EXPECT_EQ(dialog.Controls().SelectedTab, 0);

    dialog.tabSetup_Click(4);  // no such tab
    dialog.tabSetup_Click(-1);
    EXPECT_EQ(dialog.Controls().SelectedTab, 0);
    EXPECT_EQ(log->created.size(), 2u);
  });
}

TEST(dlgSetup, OkCommitsOnlyTheCreatedPagesInTabOrder) {
  InFreshThread([] {
    AllParts();
    auto log = std::make_shared<PageLog>();
    dlgSetup dialog(LoggingFactory(log));
    dialog.Activate();
    dialog.tabSetup_Click(3);
    dialog.tabSetup_Click(1);
    dialog.cmdDialog_Click(dlgSetup::kOk);
    EXPECT_EQ(log->saved, (std::vector<std::string>{"Kestrel.ucGeneral", "Kestrel.ucADC", "Kestrel.ucDIO"}));
    EXPECT_TRUE(dialog.Unloaded());
    EXPECT_EQ(log->destroyed.size(), 3u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dialog.Page(i), nullptr);
    EXPECT_EQ(State().LastSetupPage, 1);
  });
}

TEST(dlgSetup, CancelAndTheCloseBoxCommitNothing) {
  for (bool closeBox : {false, true}) {
    InFreshThread([&] {
      AllParts();
      auto log = std::make_shared<PageLog>();
      dlgSetup dialog(LoggingFactory(log));
      dialog.Activate();
      dialog.tabSetup_Click(2);
      if (closeBox) {
        dialog.Unload();
      } else {
        dialog.cmdDialog_Click(dlgSetup::kCancel);
      }
      EXPECT_TRUE(log->saved.empty());
      EXPECT_EQ(log->destroyed.size(), 2u);
      EXPECT_EQ(State().LastSetupPage, 2);
      // A closed dialog takes no more events.
      dialog.cmdDialog_Click(dlgSetup::kOk);
      dialog.tabSetup_Click(3);
      dialog.Activate();
      EXPECT_TRUE(log->saved.empty());
      EXPECT_EQ(log->created.size(), 2u);
    });
  }
}

TEST(dlgSetup, ReopensOnTheTabSelectedWhenItLastClosed) {
  InFreshThread([] {
    AllParts();
    auto log = std::make_shared<PageLog>();
    {
      dlgSetup first(LoggingFactory(log));
      first.Activate();
      first.tabSetup_Click(3);
      first.cmdDialog_Click(dlgSetup::kCancel);
    }
    log->created.clear();
    dlgSetup second(LoggingFactory(log));
    second.Activate();
    EXPECT_EQ(second.Controls().SelectedTab, 3);
    EXPECT_EQ(log->created, std::vector<std::string>{"Kestrel.ucDIO"});
    ASSERT_NE(second.Page(3), nullptr);
    EXPECT_TRUE(second.Page(3)->Visible());
    EXPECT_EQ(second.Page(0), nullptr);
  });
}

TEST(dlgSetup, ARememberedTabThatNoLongerExistsFallsBackToGeneral) {
  InFreshThread([] {
    State().LastSetupPage = 3;  // the module has been closed since
    auto log = std::make_shared<PageLog>();
    dlgSetup dialog(LoggingFactory(log));
    dialog.Activate();
    EXPECT_EQ(dialog.Controls().SelectedTab, 0);
    EXPECT_EQ(log->created, std::vector<std::string>{"Kestrel.ucGeneral"});
    dialog.cmdDialog_Click(dlgSetup::kOk);
    EXPECT_EQ(State().LastSetupPage, 0);
  });
}

TEST(dlgSetup, APageThatCannotBeCreatedIsTriedAgainOnTheNextSelection) {
  InFreshThread([] {
    AllParts();
    auto log = std::make_shared<PageLog>();
    log->failCreate = {"Kestrel.ucADC"};
    dlgSetup dialog(LoggingFactory(log));
    dialog.Activate();
    dialog.tabSetup_Click(1);
    EXPECT_EQ(dialog.Page(1), nullptr);
    EXPECT_EQ(dialog.Controls().SelectedTab, 1);
    dialog.tabSetup_Click(0);
    dialog.tabSetup_Click(1);
    ASSERT_NE(dialog.Page(1), nullptr);
    EXPECT_TRUE(dialog.Page(1)->Visible());
  });
}

TEST(dlgSetup, ATabWhosePageIsUnknownShowsNoPage) {
  InFreshThread([] {
    AllParts();
    dlgSetup dialog([](const std::string&) { return nullptr; });
    dialog.Activate();
    dialog.tabSetup_Click(2);
    EXPECT_EQ(dialog.Page(0), nullptr);
    EXPECT_EQ(dialog.Page(2), nullptr);
    dialog.cmdDialog_Click(dlgSetup::kOk);
    EXPECT_TRUE(dialog.Unloaded());
    EXPECT_EQ(CreateSetupPage("Kestrel.ucNothing"), nullptr);
    EXPECT_EQ(CreateSetupPage("ucGeneral"), nullptr);
  });
}

TEST(dlgSetup, APageFailingToCommitDoesNotStopTheOthers) {
  InFreshThread([] {
    AllParts();
    auto log = std::make_shared<PageLog>();
    log->failSave = "Kestrel.ucADC";
    dlgSetup dialog(LoggingFactory(log));
    dialog.Activate();
    for (int tab : {1, 2, 3}) dialog.tabSetup_Click(tab);
    dialog.cmdDialog_Click(dlgSetup::kOk);
    EXPECT_EQ(log->saved, (std::vector<std::string>{"Kestrel.ucGeneral", "Kestrel.ucDAC", "Kestrel.ucDIO"}));
    EXPECT_TRUE(dialog.Unloaded());
    EXPECT_EQ(State().LastSetupPage, 3);
  });
}

TEST(dlgSetup, TheFactoryKnowsTheFourPages) {
  InFreshThread([] {
    AllParts();
    EXPECT_NE(dynamic_cast<ucGeneral*>(CreateSetupPage("Kestrel.ucGeneral").get()), nullptr);
    EXPECT_NE(dynamic_cast<ucADC*>(CreateSetupPage("Kestrel.ucADC").get()), nullptr);
    EXPECT_NE(dynamic_cast<ucDAC*>(CreateSetupPage("Kestrel.ucDAC").get()), nullptr);
    EXPECT_NE(dynamic_cast<ucDIO*>(CreateSetupPage("Kestrel.ucDIO").get()), nullptr);
  });
}

TEST_F(UiTest, OkAfterVisitingOnlyGeneralLeavesTheOtherPagesSettings) {
  WithDriver(true, [&](E14_140&) {
    DriverState& s = State();
    const auto mapBefore = s.DeviceInfo.ChannelMap;
    const int loadsBefore = module->tableLoads;
    s.DioState.DOStartEnabled = true;
    s.DioState.DOStartValue = 0x00AA;

    dlgSetup dialog;
    EXPECT_EQ(Keys(dialog), (std::vector<std::string>{"General", "ADC", "DIO"}));
    dialog.Activate();
    auto* general = dynamic_cast<ucGeneral*>(dialog.Page(0));
    ASSERT_NE(general, nullptr);
    general->cboSynchro_Click(2);  // TTL Kadr
    s.DioState.DOStartValue = 0x0055;  // set by the host meanwhile
    dialog.cmdDialog_Click(dlgSetup::kOk);

    EXPECT_EQ(s.DeviceInfo.SynchroInputMode, 2);
    EXPECT_EQ(module->tableLoads, loadsBefore);  // the channel map was not committed
    for (int n = 0; n < kLogicalChannels; ++n) EXPECT_EQ(s.DeviceInfo.ChannelMap[n].Input, mapBefore[n].Input);
    EXPECT_TRUE(s.DioState.DOStartEnabled);
    EXPECT_EQ(s.DioState.DOStartValue, 0x0055);
  });
}

TEST_F(UiTest, TheInputsAreReadAgainWhenTheDioTabIsShownAgain) {
  WithDriver(true, [&](E14_140&) {
    dlgSetup dialog;
    dialog.Activate();
    panel->inputs = 0x0003;
    dialog.tabSetup_Click(2);
    auto* dio = dynamic_cast<ucDIO*>(dialog.Page(2));
    ASSERT_NE(dio, nullptr);
    EXPECT_EQ(dio->Controls().frDI.Caption, "Input: 0x0003 (3)");
    dio->chkInput_Click(true);
    EXPECT_TRUE(dio->Controls().tmrDI.Enabled);

    dialog.tabSetup_Click(0);
    EXPECT_FALSE(dio->Controls().tmrDI.Enabled);
    panel->inputs = 0x0300;
    dio->tmrDI_Timer();  // a tick already queued changes nothing
    EXPECT_EQ(dio->Controls().frDI.Caption, "Input: 0x0003 (3)");

    dialog.tabSetup_Click(2);
    EXPECT_EQ(dio->Controls().frDI.Caption, "Input: 0x0300 (768)");
    EXPECT_TRUE(dio->Controls().tmrDI.Enabled);
    dialog.cmdDialog_Click(dlgSetup::kCancel);
  });
}

// Installs a view for one test and removes it again.
class ScopedView {
 public:
  explicit ScopedView(dlgSetup::View view) { dlgSetup::InstallView(std::move(view)); }
  ~ScopedView() { dlgSetup::InstallView(nullptr); }
  ScopedView(const ScopedView&) = delete;
  ScopedView& operator=(const ScopedView&) = delete;
};

TEST_F(UiTest, ShowingTheDialogRunsTheViewModally) {
  InFreshThread([&] {
    AllParts();
    State().DeviceInfo.BoardInfo = "module text";
    int shown = 0;
    ScopedView view([&](dlgSetup& dialog) {
      ++shown;
      dialog.Activate();
      dialog.tabSetup_Click(3);
      dialog.cmdDialog_Click(dlgSetup::kCancel);
    });
    ShowSetupDialog();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(State().LastSetupPage, 3);
  });
  EXPECT_TRUE(services->messages.empty());
}

TEST_F(UiTest, WithoutAViewNothingIsShown) {
  InFreshThread([] { ShowSetupDialog(); });
  EXPECT_TRUE(services->messages.empty());
}

TEST_F(UiTest, AFailureWhileShowingIsReportedWithItsNumber) {
  struct Case {
    std::function<void()> fail;
    std::string message;
  };
  const Case cases[] = {
      {[] { throw std::runtime_error("view broke"); }, "Error: 51\r\nview broke"},
      {[] { throw std::bad_alloc(); }, "Error: 7\r\nOut of memory"},
      {[] { throw 42; }, "Error: 51\r\nInternal error"},
  };
  for (const Case& c : cases) {
    services->messages.clear();
    services->titles.clear();
    ScopedView view([&](dlgSetup&) { c.fail(); });
    InFreshThread([] { ShowSetupDialog(); });
    EXPECT_EQ(services->messages, std::vector<std::string>{c.message});
    EXPECT_EQ(services->titles, std::vector<std::string>{""});
  }
}

TEST_F(UiTest, TheDriverOpensTheDialogOnlyWhileNotRecording) {
  E14_140::InstallSettingsDialog(ShowSetupDialog);
  int shown = 0;
  ScopedView view([&](dlgSetup& dialog) {
    ++shown;
    dialog.cmdDialog_Click(dlgSetup::kCancel);
  });
  WithDriver(false, [&](E14_140& driver) {
    EXPECT_FALSE(driver.IADC3_ShowSetting());
    EXPECT_EQ(shown, 1);
    State().Busy = true;
    EXPECT_FALSE(driver.IADC3_ShowSetting());
    EXPECT_EQ(shown, 1);
  });
  E14_140::InstallSettingsDialog(nullptr);
}

}  // namespace
}  // namespace e14
