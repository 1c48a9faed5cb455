#include "ui/posix/DevEnumTerminal.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace e14 {

void AskDeviceOnTerminal(dlgDevEnum& dialog) {
  if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) {
    dialog.CancelClicked();
    return;
  }
  std::cerr << dlgDevEnum::kCaption << "\n";
  const auto& items = dialog.Items();
  for (size_t i = 0; i < items.size(); ++i) std::cerr << "  " << i + 1 << ") " << items[i].Text << "\n";
  std::cerr << "Module [1-" << items.size() << ", Enter = 1, q = cancel]: " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer) || answer == "q" || answer == "Q") {
    dialog.CancelClicked();
    return;
  }
  int choice = 1;
  if (!answer.empty()) {
    try {
      choice = std::stoi(answer);
    } catch (const std::exception&) {
      choice = 0;
    }
  }
  if (choice < 1 || choice > static_cast<int>(items.size())) {
    dialog.CancelClicked();
    return;
  }
  dialog.SelectItem(choice - 1);
  dialog.OkClicked();
}

}  // namespace e14
