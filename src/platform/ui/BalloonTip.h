#pragma once
// Balloon tips: a control answers, for a point of its client area, the title and
// text of the tip to show there. Texts are shown as given, never as markup.
#include "platform/ui/Controls.h"

#include <functional>

struct TBalloonTip {
    AnsiString Title;
    AnsiString Text;
    WideString WideText;               // shown in place of Text when not empty
    Integer Icon = 0;                  // 1 information, 2 warning, 3 error; anything else none
    TColor BackgroundColor = clNone;   // clNone: the desktop's tip colours
    TColor TextColor = clNone;
    Integer AutoHideDelay = -1;        // milliseconds; -1: the desktop's
    Byte Transparency = 0;             // 0 opaque, 255 wholly see-through
};

// Asks Fn when the desktop wants a tip at a client point; Fn returns false for no
// tip there. An empty Fn removes the provider.
using TBalloonProvider = std::function<bool(TPoint ClientPos, TBalloonTip& Tip)>;
void SetBalloonProvider(TControl* Control, TBalloonProvider Fn);

// Milliseconds the mouse rests before the first tip shows, and before the tip follows
// a mouse that moved on while one shows; -1 leaves either to the desktop. Needs a
// provider first.
void SetBalloonDelays(TControl* Control, Integer InitialDelay, Integer ReshowDelay);

// What the control's balloon shows now; false when none is on screen.
bool BalloonShown(const TControl* Control, TBalloonTip* Shown = nullptr);
