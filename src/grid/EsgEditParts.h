#pragma once
// Pieces shared by the edits with buttons inside their right edge.
#include <memory>

#include "platform/ui/Controls.h"

class TFont;

namespace EsgEditParts {

// The 3-D border of an edit: its client area lies this far inside the window.
constexpr Integer EditBorder = 2;

bool IsAlive(const std::shared_ptr<const bool>& Token);

// Through a copy: the handler may free its owner.
void FireEvent(const TNotifyEvent& Event, TObject* Sender);

// The smallest height that shows a line of Font: its text height and a
// quarter of the smaller of it and the system font's.
Integer TextLineHeight(TFont* Font);

// Whether a key changes the text where it may not: the clipboard keys while
// typing is off or the edit is read-only; Delete, undo, redo and the
// line-delete shortcut while typing is off.
bool IsBlockedEditKey(Word Key, TShiftState Shift, bool EditorEnabled, bool ReadOnly);

// Puts Button at the right inside the border of an edit of the given size.
void PlaceButton(TControl* Button, Integer EditWidth, Integer EditHeight);

}  // namespace EsgEditParts
