// The "DAC" page: per channel the waveform type with its picture, amplitude
// and baseline (typed volts or a slider in codes), the generator's frequency
// and phase, and Start and Stop of the output.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <map>

#include "ui/ucDAC.h"
#include "ui/win32/ControlSync.h"
#include "ui/win32/PageView.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/ResourceModule.h"
#include "ui/win32/WideText.h"

namespace e14::win32ui {

namespace {

class DacView : public PageView {
 public:
  explicit DacView(ucDAC& model) : PageView(model, IDD_DAC), model_(model) {}
  ~DacView() override {
    for (const auto& [resource, bitmap] : bitmaps_) DeleteObject(bitmap);
  }

  bool ValidatePending() override {
    for (int row = 0; row < 2; ++row) {
      if (!model_.cboDAC_Validate(row)) return Refuse(IDC_CBODAC + row);
      if (!model_.cboRate_Validate(row)) return Refuse(IDC_CBORATE + row);
    }
    return true;
  }

 private:
  void Initialize() override { SetTabStops(Item(IDC_LSTCHANNELS), model_.Controls().lstChannels.TabStops); }

  void Update() override {
    const ucDAC::ControlSet& c = model_.Controls();
    Sync(Item(IDC_LSTCHANNELS), c.lstChannels);
    Sync(Item(IDC_LBLDACTYPE), c.lblDACType);
    Sync(Item(IDC_CBODACTYPE), c.cboDACType);
    ShowPicture(c.imgType.Resource);
    for (int i = 0; i < 2; ++i) {
      Sync(Item(IDC_LBLDAC + i), c.lblDAC[i]);
      Sync(Item(IDC_CBODAC + i), c.cboDAC[i]);
      Sync(Item(IDC_SLDAC + i), c.slDAC[i]);
      Sync(Item(IDC_LBLRATE + i), c.lblRate[i]);
      Sync(Item(IDC_CBORATE + i), c.cboRate[i]);
      Sync(Item(IDC_CMDDACSET + i), c.cmdDACSet[i]);
    }
  }

  void Command(int id, int code, HWND control) override {
    const auto selected = [control] { return static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)); };
    if (id == IDC_LSTCHANNELS && code == LBN_SELCHANGE) {
      model_.lstChannels_Click(static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
    } else if (id == IDC_CBODACTYPE && code == CBN_SELCHANGE) {
      model_.cboDACType_Click(selected());
    } else if (id >= IDC_CBODAC && id < IDC_CBODAC + 2) {
      const int row = id - IDC_CBODAC;
      if (code == CBN_SELCHANGE) model_.cboDAC_Click(row, selected());
      if (code == CBN_EDITCHANGE) model_.cboDAC_Change(row, WindowText(control));
      if (code == CBN_KILLFOCUS) PostCheck(id);
    } else if (id >= IDC_CBORATE && id < IDC_CBORATE + 2) {
      const int row = id - IDC_CBORATE;
      if (code == CBN_SELCHANGE) model_.cboRate_Click(row, selected());
      if (code == CBN_EDITCHANGE) model_.cboRate_Change(row, WindowText(control));
      if (code == CBN_KILLFOCUS) PostCheck(id);
    } else if (id >= IDC_CMDDACSET && id < IDC_CMDDACSET + 2 && code == BN_CLICKED) {
      model_.cmdDACSet_Click(id - IDC_CMDDACSET);
    }
  }

  // A field was left: its typed value is checked now that the focus has
  // moved, unless it moved to Cancel, which must stay reachable, or the page
  // was put away (OK checks the value then, with the page in front again).
  void Check(int id) override {
    const HWND cancel = GetDlgItem(GetParent(Window()), IDCANCEL);
    const HWND focus = GetFocus();
    // Back in the field (after a refusal) is not leaving it.
    const bool inField = focus != nullptr && (focus == Item(id) || IsChild(Item(id), focus));
    if (checking_ || inField || (cancel != nullptr && focus == cancel) || !IsWindowVisible(Window())) return;
    checking_ = true;
    const bool accepted = id >= IDC_CBORATE ? model_.cboRate_Validate(id - IDC_CBORATE)
                                            : model_.cboDAC_Validate(id - IDC_CBODAC);
    checking_ = false;
    if (!accepted) Refuse(id);
  }

  void FocusRefused() override {
    if (refused_ == 0) return;
    SetFocus(Item(refused_));
    SendMessageW(Item(refused_), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  }

  bool Refuse(int id) {
    refused_ = id;
    FocusRefused();
    return false;
  }

  void Scroll(HWND control, int code) override {
    for (int row = 0; row < 2; ++row) {
      if (control != Item(IDC_SLDAC + row) || code == TB_ENDTRACK) continue;
      const auto position = static_cast<int32_t>(SendMessageW(control, TBM_GETPOS, 0, 0));
      if (code == TB_THUMBTRACK) {
        model_.slDAC_Scroll(row, position);
      } else {
        model_.slDAC_Change(row, position);
      }
    }
  }

  // A missing picture leaves the last one shown.
  void ShowPicture(int resource) {
    if (resource == shown_ || resource <= 0) return;
    HBITMAP& bitmap = bitmaps_[resource];
    if (bitmap == nullptr)
      bitmap = static_cast<HBITMAP>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, 0));
    if (bitmap == nullptr) return;
    SendMessageW(Item(IDC_IMGTYPE), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    shown_ = resource;
  }

  ucDAC& model_;
  std::map<int, HBITMAP> bitmaps_;
  int refused_ = 0;
  int shown_ = 0;
  bool checking_ = false;
};

}  // namespace

std::unique_ptr<PageView> MakeDacView(SetupPage& page) {
  auto* model = dynamic_cast<ucDAC*>(&page);
  return model ? std::make_unique<DacView>(*model) : nullptr;
}

}  // namespace e14::win32ui
