#include "ui/win32/SetupDialogView.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "ui/win32/PageView.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/ResourceModule.h"
#include "ui/win32/WideText.h"

namespace e14::win32ui {

namespace {

// Brings the shown dialog to the front once its modal loop runs.
constexpr UINT kBringToFront = WM_APP + 1;

class SetupDialogView {
 public:
  explicit SetupDialogView(dlgSetup& model) : model_(model) {}

  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      reinterpret_cast<SetupDialogView*>(lParam)->window_ = window;
    }
    auto* view = reinterpret_cast<SetupDialogView*>(GetWindowLongPtrW(window, DWLP_USER));
    if (view == nullptr) return FALSE;
    // Called from the system: nothing may pass through it.
    try {
      return view->Handle(message, wParam, lParam);
    } catch (...) {
      return FALSE;
    }
  }

 private:
  HWND Tabs() const { return GetDlgItem(window_, IDC_TABSETUP); }

  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_INITDIALOG:
        Load();
        // The focus starts on the tabs: the dialog's own choice, the first
        // field, would select all of the General page's read-only description.
        SetFocus(Tabs());
        return FALSE;
      case kBringToFront:
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return TRUE;
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_TABSETUP && header->code == TCN_SELCHANGING) {
          // A refused value keeps its page in front, the focus in the field.
          const size_t current = static_cast<size_t>(model_.Controls().SelectedTab);
          const bool refused = current < views_.size() && views_[current] && !views_[current]->ValidatePending();
          SetWindowLongPtrW(window_, DWLP_MSGRESULT, refused ? TRUE : FALSE);
        } else if (header->idFrom == IDC_TABSETUP && header->code == TCN_SELCHANGE) {
          ShowTab(TabCtrl_GetCurSel(Tabs()));
        }
        return TRUE;
      }
      case WM_COMMAND:
        Command(LOWORD(wParam));
        return TRUE;
      case WM_HELP:
        model_.ShowHelp();
        return TRUE;
      case WM_CLOSE:
        model_.Unload();
        Close();
        return TRUE;
      default:
        return FALSE;
    }
  }

  // Caption, help state and tabs from the loaded model, then the first
  // activation: the remembered tab and its page.
  void Load() {
    const dlgSetup::ControlSet& c = model_.Controls();
    SetWindowTextW(window_, Widen(c.Caption).c_str());
    EnableWindow(GetDlgItem(window_, IDC_HELPBUTTON), c.cmdDialog[dlgSetup::kHelp].Enabled);
    for (size_t i = 0; i < c.tabSetup.size(); ++i) {
      std::wstring caption = Widen(c.tabSetup[i].Caption);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      SendMessageW(Tabs(), TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    views_.resize(c.tabSetup.size());
    model_.Activate();
    SyncPages();
    PostMessageW(window_, kBringToFront, 0, 0);
  }

  void Command(int id) {
    if (id == IDOK) {
      // A value typed but not yet checked is checked first; a refused one
      // keeps the dialog open, its page in front and the focus in the field.
      for (size_t i = 0; i < views_.size(); ++i) {
        if (!views_[i] || views_[i]->ValidatePending()) continue;
        ShowTab(static_cast<int>(i));
        if (views_[i]) views_[i]->FocusRefused();
        return;
      }
      model_.cmdDialog_Click(dlgSetup::kOk);
    } else if (id == IDCANCEL) {
      model_.cmdDialog_Click(dlgSetup::kCancel);
    } else if (id == IDC_HELPBUTTON) {
      model_.cmdDialog_Click(dlgSetup::kHelp);
    }
    if (model_.Unloaded()) Close();
  }

  void ShowTab(int tab) {
    model_.tabSetup_Click(tab);
    SyncPages();
  }

  // The model has destroyed its pages: their windows go before anything
  // could reach the models through them.
  void Close() {
    views_.clear();
    EndDialog(window_, 0);
  }

  // Page windows follow the model's slots: created for new pages, placed
  // over the tab strip's client area, shown and hidden with their tabs.
  void SyncPages() {
    RECT area{};
    GetWindowRect(Tabs(), &area);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(Tabs(), FALSE, &area);
    for (size_t i = 0; i < views_.size(); ++i) {
      SetupPage* page = model_.Page(static_cast<int>(i));
      if (views_[i] && (page == nullptr || &views_[i]->Model() != page)) views_[i].reset();
      if (page != nullptr && !views_[i]) {
        views_[i] = PageView::Create(window_, *page);
        if (views_[i])
          SetWindowPos(views_[i]->Window(), HWND_TOP, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOACTIVATE);
      }
    }
    TabCtrl_SetCurSel(Tabs(), model_.Controls().SelectedTab);
    for (const auto& view : views_) {
      if (!view) continue;
      view->Refresh();
      if (view->Model().Visible()) {
        SetWindowPos(view->Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
      } else {
        ShowWindow(view->Window(), SW_HIDE);
      }
    }
  }

  dlgSetup& model_;
  HWND window_ = nullptr;
  std::vector<std::unique_ptr<PageView>> views_;
};

}  // namespace

void RunSetupDialog(dlgSetup& model) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  SetupDialogView view(model);
  const INT_PTR result = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(IDD_SETUP), GetActiveWindow(),
                                         &SetupDialogView::Procedure, reinterpret_cast<LPARAM>(&view));
  // A dialog that could not be shown has not closed by itself.
  if (result == -1) model.Unload();
}

}  // namespace e14::win32ui
