#pragma once
// Themed control parts: the desktop's widget style draws check boxes, radio
// buttons, push buttons, header items, combo buttons and progress bars on a
// canvas, as the controls of that style look.
#include "platform/ui/Graphics.h"

class TControl;

enum TThemePart { tpCheckBox, tpRadioButton, tpPushButton, tpHeaderItem, tpComboButton, tpProgressBar };

struct TThemePartState {
    bool Checked = false;    // check box ticked, radio button on
    bool Pushed = false;     // button or header item held down
    bool Hot = false;        // the mouse is over it
    bool Disabled = false;
    Integer Percent = 0;     // progress bars: 0 .. 100
};

// True while a widget style can draw: a desktop application is running.
bool ThemePartsAvailable();

// Draws the part into R; does nothing when no style can draw or R is empty.
void DrawThemePart(TCanvas* Canvas, TThemePart Part, const TRect& R, const TThemePartState& State);

// Where the mouse pointer is, in the control's client coordinates (hot parts).
TPoint ClientCursorPos(const TControl* Control);
