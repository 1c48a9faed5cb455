// The "General" page: module description, synchronisation mode, condition,
// range and threshold slider, and the maker's logo.
#include <windows.h>
#include <commctrl.h>

#include "ui/ucGeneral.h"
#include "ui/win32/ControlSync.h"
#include "ui/win32/PageView.h"
#include "ui/win32/ResourceIds.h"

namespace e14::win32ui {

namespace {

class GeneralView : public PageView {
 public:
  explicit GeneralView(ucGeneral& model) : PageView(model, IDD_GENERAL), model_(model) {}

 private:
  void Update() override {
    const ucGeneral::ControlSet& c = model_.Controls();
    Sync(Item(IDC_TXTINFO), c.txtInfo);
    Sync(Item(IDC_FRSYNCH), c.frSynch);
    Sync(Item(IDC_CBOSYNCHRO), c.cboSynchro);
    for (int i = 0; i < 4; ++i) Sync(Item(IDC_OPTSTYPE + i), c.optSType[i]);
    Sync(Item(IDC_LBLSLEVEL), c.lblSLevel);
    Sync(Item(IDC_TXTSLEVEL), c.txtSLevel);
    Sync(Item(IDC_SLSLEVEL), c.slSLevel);
    Sync(Item(IDC_CMDCZERO), c.cmdCZero);
    Sync(Item(IDC_LBLSRANGE), c.lblSRange);
    Sync(Item(IDC_CBOSRANGE), c.cboSRange);
    // The level box is read-only, which would paint it grey even while it
    // is in use: its colour follows the model instead.
    InvalidateRect(Item(IDC_TXTSLEVEL), nullptr, TRUE);
  }

  void Command(int id, int code, HWND control) override {
    if (id == IDC_CBOSYNCHRO && code == CBN_SELCHANGE) {
      model_.cboSynchro_Click(static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
    } else if (id == IDC_CBOSRANGE && code == CBN_SELCHANGE) {
      model_.cboSRange_Click(static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
    } else if (id >= IDC_OPTSTYPE && id < IDC_OPTSTYPE + 4 && code == BN_CLICKED) {
      model_.optSType_Click(id - IDC_OPTSTYPE);
    } else if (id == IDC_CMDCZERO && code == BN_CLICKED) {
      model_.cmdCZero_Click();
    } else if (id == IDC_IMGLOGO && code == STN_CLICKED) {
      model_.imgLogo_Click();
    }
  }

  void Scroll(HWND control, int code) override {
    if (control != Item(IDC_SLSLEVEL) || code == TB_ENDTRACK) return;
    const auto position = static_cast<int32_t>(SendMessageW(control, TBM_GETPOS, 0, 0));
    if (code == TB_THUMBTRACK) {
      model_.slSLevel_Scroll(position);
    } else {
      model_.slSLevel_Change(position);
    }
  }

  HBRUSH ControlBrush(HDC dc, HWND control) override {
    if (control != Item(IDC_TXTSLEVEL)) return nullptr;
    const uint32_t colour = model_.Controls().txtSLevel.BackColor;
    SetBkColor(dc, ColourValue(colour));
    SetTextColor(dc, GetSysColor(model_.Controls().txtSLevel.Enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    return ColourBrush(colour);
  }

  ucGeneral& model_;
};

}  // namespace

std::unique_ptr<PageView> MakeGeneralView(SetupPage& page) {
  auto* model = dynamic_cast<ucGeneral*>(&page);
  return model ? std::make_unique<GeneralView>(*model) : nullptr;
}

}  // namespace e14::win32ui
