// The device choice on a terminal: a numbered list on standard error and a
// prompt on standard input. Without a terminal on both ends nobody can
// answer, so the choice is cancelled.
#pragma once

#include "ui/dlgDevEnum.h"

namespace e14 {

void AskDeviceOnTerminal(dlgDevEnum& dialog);

}  // namespace e14
