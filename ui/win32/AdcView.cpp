// The "ADC" page: the list of logical channels and the input editor of the
// selected one, with the three presets.
#include "ui/ucADC.h"
#include "ui/win32/ControlSync.h"
#include "ui/win32/PageView.h"
#include "ui/win32/ResourceIds.h"

namespace e14::win32ui {

namespace {

class AdcView : public PageView {
 public:
  explicit AdcView(ucADC& model) : PageView(model, IDD_ADC), model_(model) {}

 private:
  void Initialize() override { SetTabStops(Item(IDC_LSTADCH), model_.Controls().lstADCh.TabStops); }

  void Update() override {
    const ucADC::ControlSet& c = model_.Controls();
    Sync(Item(IDC_LBLCHTITLE), c.lblChTitle);
    Sync(Item(IDC_LSTADCH), c.lstADCh);
    Sync(Item(IDC_FRCHINPUT), c.frChInput);
    for (int i = 0; i < 4; ++i) Sync(Item(IDC_OPTACH + i), c.optACh[i]);
    Sync(Item(IDC_LABEL1), c.Label1);
    Sync(Item(IDC_CBOADCHSRC), c.cboADChSrc);
    for (int i = 0; i < 3; ++i) Sync(Item(IDC_CMDCHSET + i), c.cmdChSet[i]);
  }

  void Command(int id, int code, HWND control) override {
    if (id == IDC_LSTADCH && code == LBN_SELCHANGE) {
      model_.lstADCh_Click(static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
    } else if (id == IDC_CBOADCHSRC && code == CBN_SELCHANGE) {
      model_.cboADChSrc_Click(static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
    } else if (id >= IDC_OPTACH && id < IDC_OPTACH + 4 && code == BN_CLICKED) {
      model_.optACh_Click(id - IDC_OPTACH);
    } else if (id >= IDC_CMDCHSET && id < IDC_CMDCHSET + 3 && code == BN_CLICKED) {
      model_.cmdChSet_Click(id - IDC_CMDCHSET);
    }
  }

  ucADC& model_;
};

}  // namespace

std::unique_ptr<PageView> MakeAdcView(SetupPage& page) {
  auto* model = dynamic_cast<ucADC*>(&page);
  return model ? std::make_unique<AdcView>(*model) : nullptr;
}

}  // namespace e14::win32ui
