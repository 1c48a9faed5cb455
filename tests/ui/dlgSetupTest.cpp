#include "ui/dlgSetup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/UiFixture.h"
#include "ui/ucADC.h"
#include "ui/ucDAC.h"
#include "ui/ucDIO.h"
#include "ui/ucGeneral.h"

namespace e14::testing {
namespace {

using Strings = std::vector<std::string>;

// Pages that note their making, commits and destruction by tab key.
struct PageLog {
  Strings created, saved, destroyed;
  Strings failCreate;    // keys whose making throws (once each)
  std::string failSave;  // key whose commit throws
};

struct LoggingPage : SetupPage {
  LoggingPage(std::string name, std::shared_ptr<PageLog> pages) : key(std::move(name)), log(std::move(pages)) {
    log->created.push_back(key);
  }
  ~LoggingPage() override { log->destroyed.push_back(key); }
  void Page_SaveSetting() override {
    if (key == log->failSave) throw std::runtime_error("cannot commit");
    log->saved.push_back(key);
  }
  const std::string key;
  const std::shared_ptr<PageLog> log;
};

dlgSetup::PageFactory LoggingFactory(const std::shared_ptr<PageLog>& log) {
  return [log](const std::string& name) -> std::unique_ptr<SetupPage> {
    const std::string key = name.rfind("Kestrel.uc", 0) == 0 ? name.substr(10) : name;
    if (auto it = std::find(log->failCreate.begin(), log->failCreate.end(), key); it != log->failCreate.end()) {
      log->failCreate.erase(it);
      throw std::runtime_error("no such page");
    }
    return std::make_unique<LoggingPage>(key, log);
  };
}

TEST(dlgSetup, TabsFollowThePartsOfTheOpenModule) {
  const std::pair<std::vector<bool>, const char*> cases[] = {
      {{false, false, false}, "General"},       {{true, false, true}, "General ADC DIO"},
      {{true, true, true}, "General ADC DAC DIO"}, {{true, true, false}, "General ADC DAC"},
      {{false, false, true}, "General DIO"}};
  for (const auto& [parts, keys] : cases) {
    InFreshThread([&, parts = parts, keys = std::string(keys)] {
      State().Detected = parts[0], State().HasDac = parts[1], State().DioState.Detected = parts[2];
      State().AdcInfo.DeviceType = "E14-140";
      dlgSetup dialog(CreateSetupPage, ComponentVersion{3, 2, 8});
      std::string shown;
      for (const auto& tab : dialog.Controls().tabSetup) shown += (shown.empty() ? "" : " ") + tab.Key;
      EXPECT_EQ(shown, keys);
      EXPECT_EQ(dialog.Controls().Caption, "E14-140 Setup (v3.2.8)");
      // Every page opens, also on a module that described none of its parts.
      for (int tab = 1; tab < 4; ++tab) dialog.tabSetup_Click(tab);
      for (int tab = 1; tab < static_cast<int>(dialog.Controls().tabSetup.size()); ++tab)
        EXPECT_NE(dialog.Page(tab), nullptr);
    });
  }
}

// A tab's page is made when the tab is first selected; OK commits the pages
// made, in tab order; every way of closing remembers the tab for next time.
TEST(dlgSetup, PagesAreMadeOnFirstSelectionAndOnlyOkCommitsThem) {
  constexpr int kOk = dlgSetup::kOk, kCancel = dlgSetup::kCancel, kCloseBox = -1;
  struct Case {
    const char* what;
    bool parts;
    int16_t lastPage;  // the tab selected when the dialog last closed
    std::vector<int> tabs;
    int close;
    Strings failCreate;
    std::string failSave;
    Strings created, saved;
    int16_t lastPageAfter;
  };
  const Case cases[] = {
      {"OK", true, 0, {3, 1}, kOk, {}, "", {"General", "DIO", "ADC"}, {"General", "ADC", "DIO"}, 1},
      {"Cancel", true, 0, {2, 0, 2}, kCancel, {}, "", {"General", "DAC"}, {}, 2},
      {"close box", true, 0, {2}, kCloseBox, {}, "", {"General", "DAC"}, {}, 2},
      {"remembered tab", true, 3, {}, kOk, {}, "", {"DIO"}, {"DIO"}, 3},
      {"remembered tab gone", false, 3, {}, kOk, {}, "", {"General"}, {"General"}, 0},
      {"no such tab", true, 0, {4, -1}, kOk, {}, "", {"General"}, {"General"}, 0},
      {"first page made on a second try", true, 0, {}, kOk, {"General"}, "", {"General"}, {"General"}, 0},
      {"made on the next try", true, 0, {1, 0, 1}, kOk, {"ADC"}, "", {"General", "ADC"}, {"General", "ADC"}, 1},
      {"a commit fails", true, 0, {1, 2, 3}, kOk, {}, "ADC", {"General", "ADC", "DAC", "DIO"},
       {"General", "DAC", "DIO"}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InFreshThread([&] {
      State().Detected = State().HasDac = State().DioState.Detected = c.parts;
      State().LastSetupPage = c.lastPage;
      auto log = std::make_shared<PageLog>(PageLog{{}, {}, {}, c.failCreate, c.failSave});
      dlgSetup dialog(LoggingFactory(log));
      EXPECT_TRUE(log->created.empty());
      dialog.Activate();
      for (int tab : c.tabs) dialog.tabSetup_Click(tab);
      EXPECT_EQ(log->created, c.created);
      for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(!dialog.Page(i) || dialog.Page(i)->Visible() == (i == dialog.Controls().SelectedTab)) << i;
      c.close == kCloseBox ? dialog.Unload() : dialog.cmdDialog_Click(c.close);
      EXPECT_EQ(log->saved, c.saved);
      EXPECT_TRUE(dialog.Unloaded() && log->destroyed.size() == log->created.size());
      EXPECT_EQ(State().LastSetupPage, c.lastPageAfter);
      // A closed dialog takes no more events.
      dialog.Activate(), dialog.tabSetup_Click(3), dialog.cmdDialog_Click(dlgSetup::kOk);
      EXPECT_EQ((std::vector<Strings>{log->created, log->saved}), (std::vector<Strings>{c.created, c.saved}));
    });
  }
}

// Help needs a help file name of five characters or more; its topic is the
// digits after the first character of the module's name.
TEST_F(UiTest, HelpOpensTheHelpFileAtTheModulesTopic) {
  const std::pair<const char*, int32_t> topics[] = {{"E-140", 140}, {"E", 0},       {"", 0}, {"1234", 234},
                                                    {"X1Y2Z3", 123}, {"E-", 0}, {"E99999999999", 0}};
  for (const auto& [name, topic] : topics) EXPECT_EQ(dlgSetup::HelpContextFromName(name), topic) << name;
  const std::pair<const char*, bool> files[] = {{"", false}, {"a.hl", false}, {"é.hl", false}, {"e.hlp", true}};
  for (const auto& [file, usable] : files) {
    services->helps.clear();
    InFreshThread([&, file = std::string(file), usable = usable] {
      State().HelpFile = file, State().AdcInfo.Name = "E-140";
      dlgSetup dialog(LoggingFactory(std::make_shared<PageLog>()));
      EXPECT_EQ(dialog.Controls().cmdDialog[dlgSetup::kHelp].Enabled, usable) << file;
      dialog.cmdDialog_Click(dlgSetup::kHelp), dialog.ShowHelp();  // the button, F1
      EXPECT_FALSE(dialog.Unloaded());
    });
    const std::pair<std::string, int32_t> help{file, 140};
    EXPECT_EQ(services->helps, (std::vector<std::pair<std::string, int32_t>>(usable ? 2 : 0, help))) << file;
  }
}

// The driver shows the dialog modally, unless it is recording; what escapes
// the view is shown in a message with its error number.
TEST_F(UiTest, TheDriverShowsTheDialogOnlyWhileNotRecording) {
  E14_140::InstallSettingsDialog(ShowSetupDialog);
  int shown = 0;
  dlgSetup::InstallView([&](dlgSetup& dialog) {
    ++shown;
    dialog.Activate(), dialog.tabSetup_Click(1), dialog.tabSetup_Click(2), dialog.tabSetup_Click(3);
    // Each tab's page, made by its creation name.
    EXPECT_TRUE(dynamic_cast<ucGeneral*>(dialog.Page(0)) && dynamic_cast<ucADC*>(dialog.Page(1)) &&
                dynamic_cast<ucDAC*>(dialog.Page(2)) && dynamic_cast<ucDIO*>(dialog.Page(3)));
    dialog.cmdDialog_Click(dlgSetup::kCancel);
  });
  WithDac(false, [&](E14_140& driver) {
    EXPECT_FALSE(driver.IADC3_ShowSetting());
    EXPECT_EQ(State().LastSetupPage, 3);
    State().Busy = true;
    EXPECT_FALSE(driver.IADC3_ShowSetting());
  });
  EXPECT_EQ(shown, 1);
  E14_140::InstallSettingsDialog(nullptr);
  EXPECT_EQ(CreateSetupPage("ucGeneral"), nullptr);

  const std::pair<dlgSetup::View, Strings> failures[] = {
      {nullptr, {}}, {[](dlgSetup&) { throw std::runtime_error("view broke"); }, {"Error: 51\r\nview broke"}},
      {[](dlgSetup&) { throw std::bad_alloc(); }, {"Error: 7\r\nOut of memory"}},
      {[](dlgSetup&) { throw 42; }, {"Error: 51\r\nInternal error"}}};
  for (const auto& [view, messages] : failures) {
    services->messages.clear();
    dlgSetup::InstallView(view);
    InFreshThread(ShowSetupDialog);
    EXPECT_EQ(services->messages, messages);
  }
  dlgSetup::InstallView(nullptr);
}

}  // namespace
}  // namespace e14::testing
