#include "ui/win32/ControlSync.h"

#include <commctrl.h>

#include "ui/win32/WideText.h"

namespace e14::win32ui {

namespace {

constexpr uint32_t kSystemColourFlag = 0x80000000;

bool IsEditableCombo(HWND combo) {
  return (GetWindowLongPtrW(combo, GWL_STYLE) & 3) == CBS_DROPDOWN;
}

// The item texts of a list or combo box, through its get-length and get-text messages.
std::string ItemText(HWND control, UINT lengthMessage, UINT textMessage, int index) {
  const LRESULT length = SendMessageW(control, lengthMessage, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
  return Narrow(text);
}

struct ItemMessages {
  UINT count, length, text, insert, remove;
};
constexpr ItemMessages kListMessages{LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_INSERTSTRING, LB_DELETESTRING};
constexpr ItemMessages kComboMessages{CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_INSERTSTRING,
                                      CB_DELETESTRING};

// Makes the items equal to the model's, replacing only the lines that differ.
// Replacing the selected line drops the selection: the caller sets it after.
void SyncItems(HWND control, const std::vector<std::string>& items, const ItemMessages& m) {
  int count = static_cast<int>(SendMessageW(control, m.count, 0, 0));
  while (count > static_cast<int>(items.size())) SendMessageW(control, m.remove, static_cast<WPARAM>(--count), 0);
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    if (i < count && ItemText(control, m.length, m.text, i) == items[i]) continue;
    if (i < count) SendMessageW(control, m.remove, static_cast<WPARAM>(i), 0);
    const std::wstring wide = Widen(items[i]);
    SendMessageW(control, m.insert, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.c_str()));
    if (i >= count) ++count;
  }
}

}  // namespace

void SyncText(HWND control, const std::string& text) {
  if (control != nullptr && WindowText(control) != text) SetWindowTextW(control, Widen(text).c_str());
}

void SyncEnabled(HWND control, bool enabled) {
  if (control != nullptr && (IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

void SyncVisible(HWND control, bool visible) {
  if (control != nullptr && (IsWindowVisible(control) != FALSE) != visible)
    ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void SyncChecked(HWND control, bool checked) {
  const WPARAM state = checked ? BST_CHECKED : BST_UNCHECKED;
  if (control != nullptr && static_cast<WPARAM>(SendMessageW(control, BM_GETCHECK, 0, 0)) != state)
    SendMessageW(control, BM_SETCHECK, state, 0);
}

void Sync(HWND control, const Label& label) {
  SyncText(control, label.Caption);
  SyncEnabled(control, label.Enabled);
}

void Sync(HWND control, const Frame& frame) { SyncText(control, frame.Caption); }

void Sync(HWND control, const Button& button) {
  SyncText(control, button.Caption);
  SyncEnabled(control, button.Enabled);
}

void Sync(HWND control, const CheckBox& box) {
  SyncText(control, box.Caption);
  SyncChecked(control, box.Value);
  SyncEnabled(control, box.Enabled);
  SyncVisible(control, box.Visible);
}

void Sync(HWND control, const OptionButton& option) {
  SyncText(control, option.Caption);
  SyncChecked(control, option.Value);
  SyncEnabled(control, option.Enabled);
}

void Sync(HWND control, const TextBox& box) {
  SyncText(control, WithCrLf(box.Text));
  SyncEnabled(control, box.Enabled);
}

void Sync(HWND control, const ListBox& list) {
  if (control == nullptr) return;
  SyncItems(control, list.Items, kListMessages);
  if (static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)) != list.ListIndex)
    SendMessageW(control, LB_SETCURSEL, static_cast<WPARAM>(list.ListIndex), 0);
}

void Sync(HWND control, const ComboBox& combo) {
  if (control == nullptr) return;
  SyncItems(control, combo.Items, kComboMessages);
  if (static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)) != combo.ListIndex)
    SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(combo.ListIndex), 0);
  if (IsEditableCombo(control)) SyncText(control, combo.Text);
  SyncEnabled(control, combo.Enabled);
}

void Sync(HWND control, const Slider& slider) {
  if (control == nullptr) return;
  if (SendMessageW(control, TBM_GETRANGEMIN, 0, 0) != slider.Min ||
      SendMessageW(control, TBM_GETRANGEMAX, 0, 0) != slider.Max) {
    SendMessageW(control, TBM_SETRANGEMIN, FALSE, slider.Min);
    SendMessageW(control, TBM_SETRANGEMAX, TRUE, slider.Max);
    SendMessageW(control, TBM_SETTICFREQ, static_cast<WPARAM>(slider.TickFrequency > 0 ? slider.TickFrequency : 1), 0);
  }
  if (SendMessageW(control, TBM_GETPAGESIZE, 0, 0) != slider.LargeChange)
    SendMessageW(control, TBM_SETPAGESIZE, 0, slider.LargeChange);
  if (SendMessageW(control, TBM_GETPOS, 0, 0) != slider.Value) SendMessageW(control, TBM_SETPOS, TRUE, slider.Value);
  SyncEnabled(control, slider.Enabled);
}

void SetTabStops(HWND list, const std::vector<int>& stops) {
  if (stops.empty()) return;
  std::vector<INT> units(stops.begin(), stops.end());
  SendMessageW(list, LB_SETTABSTOPS, units.size(), reinterpret_cast<LPARAM>(units.data()));
}

COLORREF ColourValue(uint32_t colour) {
  if (colour & kSystemColourFlag) return GetSysColor(static_cast<int>(colour & 0xFF));
  return static_cast<COLORREF>(colour & 0xFFFFFF);
}

HBRUSH ColourBrush(uint32_t colour) {
  if (colour & kSystemColourFlag) return GetSysColorBrush(static_cast<int>(colour & 0xFF));
  return nullptr;
}

}  // namespace e14::win32ui
