// Pieces shared by the edits with buttons inside their right edge.
#include "grid/EsgEditParts.h"

#include <algorithm>

#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/WinApi.h"

namespace EsgEditParts {

bool IsAlive(const std::shared_ptr<const bool>& Token) { return Token && *Token; }

void FireEvent(const TNotifyEvent& Event, TObject* Sender) {
    if (!Event) return;
    TNotifyEvent Copy = Event;
    Copy(Sender);
}

Integer TextLineHeight(TFont* Font) {
    TBitmap B;
    B.Canvas()->Font()->Assign(Font);
    const Integer H = B.Canvas()->TextHeight("0");
    TFont System;
    B.Canvas()->Font()->Assign(&System);
    const Integer SysH = B.Canvas()->TextHeight("0");
    return H + std::min(H, SysH) / 4;
}

bool IsBlockedEditKey(Word Key, TShiftState Shift, bool EditorEnabled, bool ReadOnly) {
    const bool Ctrl = Shift.Contains(ssCtrl), ShiftKey = Shift.Contains(ssShift);
    const bool Clipboard = (Ctrl && (Key == 'V' || Key == 'X')) || (ShiftKey && (Key == VK_INSERT || Key == VK_DELETE));
    if (Clipboard && (!EditorEnabled || ReadOnly)) return true;
    return !EditorEnabled && (Key == VK_DELETE || (Ctrl && (Key == 'Z' || Key == 'Y' || Key == 'K')));
}

void PlaceButton(TControl* Button, Integer EditWidth, Integer EditHeight) {
    // M is the single-border margin.
    const Integer M = 5;
    const Integer BW = Button->Width();
    Button->SetBounds(EditBorder + EditWidth - BW - M, EditBorder, BW, EditHeight - M);
}

}  // namespace EsgEditParts
