// The "DIO" page: rows of 16 input and 16 output boxes with their bit
// numbers, polling and live-output toggles, the output buttons and the
// start and stop words.
#include "ui/ucDIO.h"
#include "ui/win32/ControlSync.h"
#include "ui/win32/PageView.h"
#include "ui/win32/ResourceIds.h"

namespace e14::win32ui {

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr int kBoxes = ucDIO::kBoxes;

RECT RectOnParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class DioView : public PageView {
 public:
  explicit DioView(ucDIO& model) : PageView(model, IDD_DIO), model_(model) {}

 private:
  // Elements 1..15 of each row copy element 0, 1.2 box widths apart, and
  // follow it in the tab order box, label, box, label.
  void Initialize() override {
    LayOutRow(IDC_CHKIN, IDC_LBLINBIN, IDC_CHKINPUT);
    LayOutRow(IDC_CHKOUT, IDC_LBLOUTBIN, IDC_CHKOUTPUT);
  }

  void LayOutRow(int firstBox, int firstLabel, int toggle) {
    const RECT box = RectOnParent(Item(firstBox));
    const RECT label = RectOnParent(Item(firstLabel));
    const int width = box.right - box.left;
    HWND previous = Item(firstLabel);
    for (int j = 1; j < kBoxes; ++j) {
      const int offset = j * width * 6 / 5;
      previous = Clone(Item(firstBox), firstBox + j, box, offset, previous);
      previous = Clone(Item(firstLabel), firstLabel + j, label, offset, previous);
    }
    // The toggle sits right of the last box, 1.5 box widths from its left edge.
    const RECT last = RectOnParent(Item(firstBox + kBoxes - 1));
    const RECT toggleRect = RectOnParent(Item(toggle));
    const int height = toggleRect.bottom - toggleRect.top;
    const int top = (last.top + last.bottom) / 2 - height / 2;
    SetWindowPos(Item(toggle), nullptr, last.left + width * 3 / 2, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  HWND Clone(HWND original, int id, const RECT& at, int offset, HWND after) {
    wchar_t className[32] = {};
    GetClassNameW(original, className, 32);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(original, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(original, GWL_EXSTYLE));
    HWND copy = CreateWindowExW(exStyle, className, L"", style, at.left + offset, at.top, at.right - at.left,
                                at.bottom - at.top, Window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                nullptr, nullptr);
    if (copy == nullptr) return after;
    SendMessageW(copy, WM_SETFONT, SendMessageW(original, WM_GETFONT, 0, 0), FALSE);
    SetWindowPos(copy, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return copy;
  }

  void Update() override {
    const ucDIO::ControlSet& c = model_.Controls();
    Sync(Item(IDC_FRDI), c.frDI);
    Sync(Item(IDC_FRDO), c.frDO);
    for (int j = 0; j < kBoxes; ++j) {
      Sync(Item(IDC_CHKIN + j), c.chkIn[j]);
      Sync(Item(IDC_LBLINBIN + j), c.lblInBin[j]);
      Sync(Item(IDC_CHKOUT + j), c.chkOut[j]);
      Sync(Item(IDC_LBLOUTBIN + j), c.lblOutBin[j]);
    }
    Sync(Item(IDC_CHKINPUT), c.chkInput);
    Sync(Item(IDC_CHKOUTPUT), c.chkOutput);
    for (int i = 0; i < 5; ++i) Sync(Item(IDC_CMDOUTPUT + i), c.cmdOutput[i]);
    for (int i = 0; i < 2; ++i) {
      Sync(Item(IDC_CHKSTART + i), c.chkStart[i]);
      Sync(Item(IDC_CMDSTART + i), c.cmdStart[i]);
      Sync(Item(IDC_CMDSHOW + i), c.cmdShow[i]);
    }
    // Polling runs only while the page is shown.
    const bool poll = c.tmrDI.Enabled && Model().Visible();
    if (poll != polling_) {
      if (poll) {
        SetTimer(Window(), kPollTimer, c.tmrDI.Interval, nullptr);
      } else {
        KillTimer(Window(), kPollTimer);
      }
      polling_ = poll;
    }
  }

  void Command(int id, int code, HWND control) override {
    if (code != BN_CLICKED) return;
    const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (id >= IDC_CHKOUT && id < IDC_CHKOUT + kBoxes) {
      model_.chkOut_Click(id - IDC_CHKOUT, checked);
    } else if (id == IDC_CHKOUTPUT) {
      model_.chkOutput_Click(checked);
    } else if (id == IDC_CHKINPUT) {
      model_.chkInput_Click(checked);
    } else if (id >= IDC_CMDOUTPUT && id < IDC_CMDOUTPUT + 5) {
      model_.cmdOutput_Click(id - IDC_CMDOUTPUT);
    } else if (id >= IDC_CHKSTART && id < IDC_CHKSTART + 2) {
      model_.chkStart_Click(id - IDC_CHKSTART, checked);
    } else if (id >= IDC_CMDSTART && id < IDC_CMDSTART + 2) {
      model_.cmdStart_Click(id - IDC_CMDSTART);
    } else if (id >= IDC_CMDSHOW && id < IDC_CMDSHOW + 2) {
      model_.cmdShow_Click(id - IDC_CMDSHOW);
    }
  }

  void Timer() override { model_.tmrDI_Timer(); }

  ucDIO& model_;
  bool polling_ = false;
};

}  // namespace

std::unique_ptr<PageView> MakeDioView(SetupPage& page) {
  auto* model = dynamic_cast<ucDIO*>(&page);
  return model ? std::make_unique<DioView>(*model) : nullptr;
}

}  // namespace e14::win32ui
