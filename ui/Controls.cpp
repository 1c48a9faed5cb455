#include "ui/Controls.h"

#include <algorithm>

namespace e14 {

bool ListBox::Select(int index) {
  if (index < -1 || index >= static_cast<int>(Items.size())) return false;
  ListIndex = index;
  return true;
}

bool ComboBox::Select(int index) {
  if (index < -1 || index >= static_cast<int>(Items.size())) return false;
  ListIndex = index;
  Text = index >= 0 ? Items[index] : std::string();
  return true;
}

void ComboBox::Clear() {
  Items.clear();
  ListIndex = -1;
  Text.clear();
}

void Slider::SetValue(int32_t position) {
  // A reversed range (never set by the pages) must not trip std::clamp.
  Value = std::clamp(position, std::min(Min, Max), std::max(Min, Max));
}

}  // namespace e14
