#pragma once
// Notices the desktop gives a control's window beyond input and painting.
#include "platform/ui/Controls.h"

#include <functional>

// Calls Fn when the desktop's theme or widget style changes for the control.
void WatchThemeChange(TControl* Control, std::function<void()> Fn);

// Calls Fn when the control's window must give up a mouse operation in progress:
// it loses the mouse grab, the keyboard focus or its window's activation.
void WatchCancelMode(TControl* Control, std::function<void()> Fn);

// Calls Fn with the letter or digit of an Alt+key pressed anywhere in the control's
// window (upper case), as the window offers an accelerator to its controls; a true
// answer takes the key.
void WatchDialogChar(TControl* Control, std::function<bool(char Key)> Fn);
