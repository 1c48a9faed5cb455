#include "ui/win32/DevEnumView.h"

#include <windows.h>

#include "ui/win32/ResourceIds.h"
#include "ui/win32/ResourceModule.h"
#include "ui/win32/WideText.h"

namespace e14::win32ui {

namespace {

constexpr UINT kBringToFront = WM_APP + 1;
constexpr INT kSerialColumn = 45;  // dialog units

void Load(HWND window, const dlgDevEnum& model) {
  if (const HICON icon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON))) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  SetWindowTextW(window, Widen(dlgDevEnum::kCaption).c_str());
  const HWND list = GetDlgItem(window, IDC_LSTDEVENUM);
  INT stop = kSerialColumn;
  SendMessageW(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
  for (const DeviceChoiceItem& item : model.Items())
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item.Text).c_str()));
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(model.ListIndex()), 0);
  PostMessageW(window, kBringToFront, 0, 0);
}

INT_PTR Handle(HWND window, dlgDevEnum& model, UINT message, WPARAM wParam) {
  switch (message) {
    case kBringToFront:
      SetForegroundWindow(window);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_LSTDEVENUM:
          if (HIWORD(wParam) == LBN_SELCHANGE || HIWORD(wParam) == LBN_DBLCLK)
            model.SelectItem(static_cast<int>(SendDlgItemMessageW(window, IDC_LSTDEVENUM, LB_GETCURSEL, 0, 0)));
          if (HIWORD(wParam) != LBN_DBLCLK) return TRUE;
          [[fallthrough]];
        case IDOK:
          model.OkClicked();
          EndDialog(window, IDOK);
          return TRUE;
        case IDCANCEL:  // also Esc and the close box
          model.CancelClicked();
          EndDialog(window, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, lParam);
  auto* model = reinterpret_cast<dlgDevEnum*>(GetWindowLongPtrW(window, DWLP_USER));
  if (model == nullptr) return FALSE;
  // Called from the system: nothing may pass through it.
  try {
    if (message == WM_INITDIALOG) {
      Load(window, *model);
      return TRUE;
    }
    return Handle(window, *model, message, wParam);
  } catch (...) {
    return FALSE;
  }
}

}  // namespace

void ShowDeviceChoice(dlgDevEnum& dialog) {
  // The normal arrow (IDC_ARROW), whatever the enumeration showed before.
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  const INT_PTR result = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(IDD_DEVENUM), GetActiveWindow(),
                                         &Procedure, reinterpret_cast<LPARAM>(&dialog));
  if (result == -1) dialog.CancelClicked();
}

}  // namespace e14::win32ui
