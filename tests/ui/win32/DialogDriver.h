// Works the settings dialog from a second thread while the test's main
// thread sits in the dialog's modal loop: finds windows, sends controls the
// messages a user's actions would raise, answers message boxes and saves
// screenshots.
#pragma once

#include <windows.h>

#include <string>

#include "server/Kestrel.h"

namespace e14::test {

// What a host holds, made on the calling thread (so with a driver state of
// its own): COM, the component loaded from beside the test, a new driver
// object and its ADC and DIO faces (null when that failed). Settings go to a
// private registry key meanwhile, not to the prefix's user.
class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  _E14_140* driver = nullptr;
  ADCInterface3* adc = nullptr;
  DIOInterface* dio = nullptr;

 private:
  HKEY sandbox_ = nullptr;
};

// Where screenshots go: the folder in E14_SHOTS, else beside the test.
std::wstring ShotPath(const std::wstring& name);

// The first visible dialog window of a thread whose caption starts with
// `prefix` and, when given, that is owned by `owner`; waits up to 10 s.
HWND WaitForDialog(DWORD thread, const std::wstring& prefix, HWND owner = nullptr);
// A control of the dialog or of one of its pages (child dialogs).
HWND Control(HWND dialog, int controlId);

void SelectTab(HWND dialog, int tab);
// Clicks a tab with the mouse, posted: the tab control asks the dialog before
// it changes, and a refusal may open a message box that the caller answers.
void ClickTab(HWND dialog, int tab);
int CurrentTab(HWND dialog);
// The control of the dialog's thread that has the focus (a combo box for its
// edit), and whether all of its text is selected; 0 when none of the dialog's has.
int FocusedControl(HWND dialog, bool& allSelected);
void Click(HWND dialog, int controlId);
void ChooseItem(HWND dialog, int controlId, int index);  // combo or list box
// Leaving a field moves the focus out of it, for real.
void Leave(HWND dialog, int controlId);
// Types text into an editable combo, and leaves it when `leave` is set.
void Type(HWND dialog, int controlId, const std::string& text, bool leave = false);
void Slide(HWND dialog, int controlId, int position);

// Waits for a message box owned by `dialog`, returns its text and presses OK.
std::string AnswerMessageBox(HWND dialog);
// Saves the screen under a window as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::wstring& path);

}  // namespace e14::test
