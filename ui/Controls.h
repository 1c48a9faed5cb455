// The state of the controls the settings models hold, one plain record per
// kind of control. A view copies this state onto real controls and reports
// the user's actions back to the model's event methods. Changing state from
// the model raises no events, so a view must not echo such changes back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e14 {

// System colours in the form the forms store them (high bit: a system colour
// index in the low byte).
constexpr uint32_t kColourWindow = 0x80000005;      // window background
constexpr uint32_t kColourButtonFace = 0x8000000F;  // button face
constexpr uint32_t kColourButtonShadow = 0x80000010;
constexpr uint32_t kColour3DHighlight = 0x80000014;

struct Label {
  std::string Caption;
  bool Enabled = true;
};

struct Frame {
  std::string Caption;
};

struct Button {
  std::string Caption;
  bool Enabled = true;
};

struct CheckBox {
  std::string Caption;
  bool Value = false;  // ticked
  bool Enabled = true;
  bool Visible = true;
};

struct OptionButton {
  std::string Caption;
  bool Value = false;  // selected
  bool Enabled = true;
};

struct TextBox {
  std::string Text;
  bool Enabled = true;
  uint32_t BackColor = kColourWindow;
};

struct ListBox {
  std::vector<std::string> Items;
  int ListIndex = -1;
  std::vector<int> TabStops;  // dialog units

  // False (nothing changed) unless -1 <= index < item count.
  bool Select(int index);
};

// Both the drop-down list and the editable combo: Text is what the edit
// part shows, which for an editable combo may be typed freely.
struct ComboBox {
  std::vector<std::string> Items;
  int ListIndex = -1;
  std::string Text;
  std::string Tag;
  bool Enabled = true;
  uint32_t BackColor = kColourWindow;

  // Selects an item (or none with -1) and shows its text; false (nothing
  // changed) unless -1 <= index < item count.
  bool Select(int index);
  void Clear();
};

struct Slider {
  int32_t Min = 0;
  int32_t Max = 10;
  int32_t Value = 0;
  int32_t TickFrequency = 1;
  int32_t LargeChange = 5;
  bool Enabled = true;

  // Moves the thumb; a position outside Min..Max stops at the nearer end.
  void SetValue(int32_t position);
};

struct Timer {
  bool Enabled = false;
  uint32_t Interval = 0;  // milliseconds
};

// A picture showing one of the component's bitmap resources (0: none).
struct Picture {
  int Resource = 0;
};

}  // namespace e14
