#include "ui/dlgSetup.h"

#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "driver/DriverState.h"
#include "ui/UiServices.h"

namespace e14 {

namespace {

constexpr const char* kPagePrefix = "Kestrel.uc";
// A help file name needs at least this many characters to be usable.
constexpr size_t kMinHelpFileLength = 5;

size_t CharacterCount(const std::string& text) {
  size_t count = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++count;  // UTF-8 continuation bytes add none
  return count;
}

dlgSetup::View& CurrentView() {
  static dlgSetup::View view;
  return view;
}

void ReportError(int number, const std::string& description) {
  Ui().ShowMessage("Error: " + std::to_string(number) + "\r\n" + description, "");
}

}  // namespace

ComponentVersion ThisComponentVersion() {
  return {E14_VERSION_MAJOR, E14_VERSION_MINOR, E14_VERSION_PATCH};
}

dlgSetup::dlgSetup(PageFactory factory, ComponentVersion version) : factory_(std::move(factory)) {
  const DriverState& s = State();
  c_.Caption = s.AdcInfo.DeviceType + " Setup" + " (v" + std::to_string(version.Major) + "." +
               std::to_string(version.Minor) + "." + std::to_string(version.Revision) + ")";
  c_.cmdDialog[kHelp].Enabled = HelpFileUsable();
  if (HelpFileUsable()) helpContext_ = HelpContextFromName(s.AdcInfo.Name);
  if (s.Detected) c_.tabSetup.push_back({"ADC", "ADC"});
  if (s.HasDac) c_.tabSetup.push_back({"DAC", "DAC"});
  if (s.DioState.Detected) c_.tabSetup.push_back({"DIO", "DIO"});
  pages_.resize(c_.tabSetup.size());
}

SetupPage* dlgSetup::Page(int slot) const {
  return slot >= 0 && slot < TabCount() ? pages_[slot].get() : nullptr;
}

std::string dlgSetup::PageControlName(int slot) const {
  return slot >= 0 && slot < TabCount() ? "tab" + c_.tabSetup[slot].Key : std::string();
}

int32_t dlgSetup::HelpContextFromName(const std::string& name) {
  if (CharacterCount(name) <= 1) return 0;
  size_t first = 1;
  while (first < name.size() && (static_cast<unsigned char>(name[first]) & 0xC0) == 0x80) ++first;
  int64_t topic = 0;
  for (size_t i = first; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') continue;
    topic = topic * 10 + (name[i] - '0');
    if (topic > std::numeric_limits<int32_t>::max()) return 0;
  }
  return static_cast<int32_t>(topic);
}

void dlgSetup::Activate() {
  if (unloaded_) return;
  // The tabs may have shrunk since the remembered one was selected.
  int tab = State().LastSetupPage;
  if (tab < 0 || tab >= TabCount()) tab = 0;
  SelectTab(tab);
  // A page that could not be made is tried once more, and then shown too.
  if (!pages_[tab]) SelectTab(tab);
}

void dlgSetup::tabSetup_Click(int tab) {
  if (unloaded_ || tab < 0 || tab >= TabCount()) return;
  SelectTab(tab);
}

void dlgSetup::cmdDialog_Click(int command) {
  if (unloaded_ || command < kOk || command > kHelp || !c_.cmdDialog[command].Enabled) return;
  if (command == kOk) {
    for (int i = 0; i < TabCount(); ++i) SavePage(i);
    Unload();
  } else if (command == kCancel) {
    Unload();
  } else {
    ShowHelp();
  }
}

void dlgSetup::ShowHelp() {
  if (unloaded_ || !HelpFileUsable()) return;
  Ui().OpenHelp(State().HelpFile, helpContext_);
}

void dlgSetup::Unload() {
  if (unloaded_) return;
  State().LastSetupPage = static_cast<int16_t>(c_.SelectedTab);
  for (auto& page : pages_) page.reset();
  unloaded_ = true;
}

void dlgSetup::InstallView(View view) { CurrentView() = std::move(view); }

bool dlgSetup::HelpFileUsable() const { return CharacterCount(State().HelpFile) >= kMinHelpFileLength; }

void dlgSetup::SelectTab(int tab) {
  c_.SelectedTab = tab;
  for (int i = 0; i < TabCount(); ++i) {
    if (i == tab) {
      if (!pages_[i]) CreatePage(i);
      if (pages_[i]) pages_[i]->SetVisible(true);
    } else if (pages_[i]) {
      pages_[i]->SetVisible(false);
    }
  }
}

void dlgSetup::CreatePage(int index) {
  if (index < 0 || index >= TabCount() || pages_[index] || !factory_) return;
  // A page that cannot be created leaves its tab empty; selecting it again retries.
  try {
    pages_[index] = factory_(kPagePrefix + c_.tabSetup[index].Key);
  } catch (...) {
  }
}

void dlgSetup::SavePage(int index) {
  if (!pages_[index]) return;
  // One page failing to commit must not keep the others from it.
  try {
    pages_[index]->Page_SaveSetting();
  } catch (...) {
  }
}

void ShowSetupDialog() {
  if (!CurrentView()) return;
  try {
    dlgSetup dialog;
    CurrentView()(dialog);
  } catch (const std::bad_alloc&) {
    ReportError(7, "Out of memory");
  } catch (const std::exception& error) {
    ReportError(51, error.what());
  } catch (...) {
    ReportError(51, "Internal error");
  }
}

}  // namespace e14
