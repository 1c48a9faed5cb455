#include "ui/dlgDevEnum.h"

#include "driver/DriverState.h"

namespace e14 {

dlgDevEnum::dlgDevEnum(View view) : view_(std::move(view)) {}

int16_t dlgDevEnum::SelectDevice() {
  selected_ = -1;
  const auto& list = State().DeviceList;
  if (list.size() < 2) return selected_;
  for (size_t i = 0; i < list.size(); ++i)
    for (size_t j = i + 1; j < list.size(); ++j)
      if (list[i].Serial == list[j].Serial && list[i].Model == list[j].Model) return selected_;
  items_.clear();
  for (const DeviceListEntry& entry : list) items_.push_back({entry.Model + "\t" + entry.Serial, entry.Slot});
  listIndex_ = 0;
  view_(*this);
  return selected_;
}

void dlgDevEnum::SelectItem(int index) {
  if (index >= -1 && index < static_cast<int>(items_.size())) listIndex_ = index;
}

void dlgDevEnum::OkClicked() {
  if (listIndex_ >= 0 && listIndex_ < static_cast<int>(items_.size()))
    selected_ = items_[listIndex_].Slot;
}

void dlgDevEnum::CancelClicked() { selected_ = -1; }

DeviceChooser DeviceChoiceDialog(dlgDevEnum::View view) {
  return [view = std::move(view)] { return dlgDevEnum(view).SelectDevice(); };
}

}  // namespace e14
