#include "ui/win32/PageView.h"

#include "ui/win32/ResourceModule.h"
#include "ui/win32/Win32UiServices.h"

namespace e14::win32ui {

PageView::PageView(SetupPage& page, int templateId) : page_(page), templateId_(templateId) {}

PageView::~PageView() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, DWLP_USER, 0);
    DestroyWindow(window_);
  }
}

std::unique_ptr<PageView> PageView::Create(HWND dialog, SetupPage& page) {
  using Maker = std::unique_ptr<PageView> (*)(SetupPage&);
  for (Maker make : {&MakeGeneralView, &MakeAdcView, &MakeDacView, &MakeDioView}) {
    std::unique_ptr<PageView> view = make(page);
    if (!view) continue;
    if (!view->CreateWindowFor(dialog, view->templateId_)) return nullptr;
    return view;
  }
  return nullptr;
}

void PageView::Refresh() {
  if (window_ == nullptr || refreshing_) return;
  refreshing_ = true;
  Update();
  refreshing_ = false;
}

bool PageView::CreateWindowFor(HWND dialog, int templateId) {
  window_ = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), dialog, &Procedure,
                               reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) return false;
  Initialize();
  Refresh();
  return true;
}

INT_PTR CALLBACK PageView::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<PageView*>(lParam)->window_ = window;
    return FALSE;  // the setup dialog decides where the focus goes
  }
  auto* view = reinterpret_cast<PageView*>(GetWindowLongPtrW(window, DWLP_USER));
  if (view == nullptr) return FALSE;
  // Called from the system: nothing may pass through it.
  try {
    return view->Handle(message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

INT_PTR PageView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      if (refreshing_) return TRUE;
      const CommandOwner owner(window_);
      Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      Refresh();
      return TRUE;
    }
    case WM_HSCROLL:
      if (refreshing_ || lParam == 0) return TRUE;
      Scroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
      Refresh();
      return TRUE;
    case kCheckMessage:
      Check(static_cast<int>(wParam));
      Refresh();
      return TRUE;
    case WM_TIMER:
      Timer();
      Refresh();
      return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = ControlBrush(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
        return reinterpret_cast<INT_PTR>(brush);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace e14::win32ui
