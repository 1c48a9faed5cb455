// A settings page's window: a child dialog from the page's template, placed
// on the setup dialog over the tab strip's client area. The view forwards
// every control notification to the page model and then copies the model's
// control state back onto the controls.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/SetupPage.h"

namespace e14::win32ui {

class PageView {
 public:
  virtual ~PageView();
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  // The view of a page model (null for a page of unknown kind or when its
  // window cannot be created).
  static std::unique_ptr<PageView> Create(HWND dialog, SetupPage& page);

  HWND Window() const { return window_; }
  const SetupPage& Model() const { return page_; }

  // Copies the model's state onto the controls; notifications the copying
  // raises are not sent back to the model.
  void Refresh();
  // Checks values typed into fields that were not left yet, as leaving them
  // would (OK and a change of tab ask before they act). False after the
  // model refused one; the focus is then in that field, its text selected.
  virtual bool ValidatePending() { return true; }
  // Puts the focus back into the field last refused, its text selected (once
  // the page is shown again).
  virtual void FocusRefused() {}

 protected:
  PageView(SetupPage& page, int templateId);

  HWND Item(int id) const { return GetDlgItem(window_, id); }
  // True while a refresh copies the model onto the controls.
  bool Refreshing() const { return refreshing_; }

  // Called once the controls exist, before the first refresh.
  virtual void Initialize() {}
  virtual void Update() = 0;
  virtual void Command(int id, int code, HWND control) = 0;
  virtual void Scroll(HWND, int) {}
  virtual void Timer() {}
  // A check the view deferred with PostCheck, run once the focus has moved.
  virtual void Check(int) {}
  void PostCheck(int id) { PostMessageW(window_, kCheckMessage, static_cast<WPARAM>(id), 0); }
  // A brush for a control's background, or null for the default one.
  virtual HBRUSH ControlBrush(HDC, HWND) { return nullptr; }

 private:
  static constexpr UINT kCheckMessage = WM_APP + 1;

  bool CreateWindowFor(HWND dialog, int templateId);
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

  SetupPage& page_;
  int templateId_;
  HWND window_ = nullptr;
  bool refreshing_ = false;
};

// The views of the four pages, created by PageView::Create.
std::unique_ptr<PageView> MakeGeneralView(SetupPage& page);
std::unique_ptr<PageView> MakeAdcView(SetupPage& page);
std::unique_ptr<PageView> MakeDacView(SetupPage& page);
std::unique_ptr<PageView> MakeDioView(SetupPage& page);

}  // namespace e14::win32ui
