#pragma once
// Balloon tips: a control answers, for a point of its client area, the title and
// text of the tip to show there. Texts are shown as given, never as markup.
#include "platform/ui/Controls.h"

#include <functional>

struct TBalloonTip {
    AnsiString Title;
    AnsiString Text;
    TColor BackgroundColor = clNone;   // clNone: the desktop's tip colours
    TColor TextColor = clNone;
    Integer AutoHideDelay = -1;        // milliseconds; -1: the desktop's
};

// Asks Fn when the desktop wants a tip at a client point; Fn returns false for no
// tip there. An empty Fn removes the provider.
using TBalloonProvider = std::function<bool(TPoint ClientPos, TBalloonTip& Tip)>;
void SetBalloonProvider(TControl* Control, TBalloonProvider Fn);
