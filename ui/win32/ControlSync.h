// Copies the models' control state onto real controls. Every function
// changes a control only where it differs from the model, so a refresh
// after each event neither flickers nor moves a caret the user is typing at.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/Controls.h"

namespace e14::win32ui {

void SyncText(HWND control, const std::string& text);
void SyncEnabled(HWND control, bool enabled);
void SyncVisible(HWND control, bool visible);
void SyncChecked(HWND control, bool checked);

void Sync(HWND control, const Label& label);
void Sync(HWND control, const Frame& frame);
void Sync(HWND control, const Button& button);
void Sync(HWND control, const CheckBox& box);
void Sync(HWND control, const OptionButton& option);
void Sync(HWND control, const TextBox& box);
void Sync(HWND control, const ListBox& list);
// Drop-down lists show the selected item; editable combos also the typed text.
void Sync(HWND control, const ComboBox& combo);
void Sync(HWND control, const Slider& slider);

// Tab stops in dialog units, as LB_SETTABSTOPS takes them.
void SetTabStops(HWND list, const std::vector<int>& stops);

// The brush of a model colour: a system colour (high bit set) or an RGB value.
HBRUSH ColourBrush(uint32_t colour);
COLORREF ColourValue(uint32_t colour);

}  // namespace e14::win32ui
