// TEditLink: the key protocol, placing and focusing of an application's editor
// control; the grid's link and checker references.
#include "grid/ExtGridLink.h"

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WinApi.h"

TEditLink::TEditLink(TComponent* AOwner) : TComponent(AOwner) {}

TEditLink::~TEditLink() {
    Unhook();
    if (FPopupForm) {
        FPopupForm->OnDeactivate = nullptr;
        FPopupForm->Release();
    }
}

void TEditLink::EditKeyDown(Word& Key, TShiftState Shift) {
    bool Leaves = false;
    switch (Key) {
        case VK_TAB: Leaves = true; break;
        case VK_RETURN: Leaves = !FWantKeyReturn; break;
        case VK_ESCAPE: Leaves = !FWantKeyEscape; break;
        case VK_PRIOR: case VK_NEXT: Leaves = !FWantKeyPriorNext; break;
        case VK_END: Leaves = !FWantKeyHomeEnd; break;
        case VK_LEFT: case VK_RIGHT: Leaves = !FWantKeyLeftRight; break;
        case VK_UP: case VK_DOWN: Leaves = !FWantKeyUpDown; break;
        default: break;
    }
    if (!Leaves || !FGrid) return;
    TExtStringGrid* G = FGrid;
    const std::shared_ptr<const bool> Alive = G->AliveToken();
    const Integer C = G->Col(), R = G->Row();
    if (Key == VK_ESCAPE) {
        SetEditorValue(G->TextBeforeEdit());
        G->FEditActive = false;   // the cell keeps its text
    }
    // The value is stored and checked before the grid acts on the key.
    FLeaving = true;
    bool Valid = false;
    try {
        G->EndEditorControl();
        if (!*Alive) return;
        if (G->CanFocus()) G->SetFocus();
        Valid = G->SelectCell(G->Col(), G->Row());
    } catch (...) {
        FLeaving = false;   // a raising validation leaves the link usable for the next edit
        throw;
    }
    if (!*Alive) return;
    FLeaving = false;
    const Word K = Key;
    Key = 0;
    if (!Valid) return;   // the grid opened the editor again on the refused cell
    if (K == VK_RETURN) {
        G->AdvanceEdit(C, R, false, true, !Shift.Contains(ssShift));
    } else if (K == VK_TAB || K == VK_LEFT || K == VK_RIGHT || K == VK_UP || K == VK_DOWN) {
        Word GK = K;
        G->KeyDown(GK, Shift);
    }
}

void TEditLink::SetFocus(bool Value) {
    TWinControl* C = GetEditControl();
    if (!C || !FGrid) return;
    if (Value) {
        if (!C->Visible()) C->SetVisible(true);
        if (!C->Enabled()) C->SetEnabled(true);
    }
    if (FHooked != C) {
        Unhook();
        FHooked = C;
        C->FreeNotification(this);
        SetKeyDownHook(C, [this](Word& Key, TShiftState Shift) { EditKeyDown(Key, Shift); });
        // Leaving the control for anything but the grid's own moves ends the edit.
        WatchFocusOut(C, [this] {
            if (!FLeaving && FGrid && FGrid->FEditorControl && FGrid->FEditorControl == FHooked)
                FGrid->EndEditorControl();
        });
        // A picked item or typed text of a combo box reaches the grid's OnComboChange too:
        // the item and its text, or -1 and the text as typed.
        if (auto* CB = dynamic_cast<TComboBox*>(C)) {
            auto Tell = [this, CB](TNotifyEvent& Own, TObject* Sender, bool Typed) {
                const std::shared_ptr<const bool> Alive = CB->AliveToken();
                if (Own) Own(Sender);
                if (!*Alive || !FGrid || !FGrid->OnComboChange) return;
                const Integer I = CB->ItemIndex();
                const AnsiString T = I >= 0 ? CB->Items()->Strings(I) : Typed ? CB->Text() : AnsiString();
                FireEvent(FGrid->OnComboChange, FGrid, FGrid->Col(), FGrid->Row(), I, T);
            };
            FHookedClick = CB->OnClick;
            CB->OnClick = [this, Tell](TObject* Sender) { Tell(FHookedClick, Sender, false); };
            FHookedChange = CB->OnChange;
            CB->OnChange = [this, Tell](TObject* Sender) { Tell(FHookedChange, Sender, true); };
        }
    }
    if (Value) {
        if (C->CanFocus()) C->SetFocus();
    } else if (FGrid->CanFocus()) {
        FGrid->SetFocus();
    }
}

void TEditLink::Unhook() {
    if (!FHooked) return;
    TWinControl* C = FHooked;
    FHooked = nullptr;
    if (auto* CB = dynamic_cast<TComboBox*>(C)) {
        CB->OnClick = std::move(FHookedClick);
        CB->OnChange = std::move(FHookedChange);
    }
    FHookedClick = FHookedChange = nullptr;
    SetKeyDownHook(C, {});
    WatchFocusOut(C, {});
    C->RemoveFreeNotification(this);
}

void TEditLink::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FHooked) FHooked = nullptr;
    if (AComponent == FGrid) FGrid = nullptr;
    if (AComponent == FPopupForm) FPopupForm = nullptr;
}

void TEditLink::SetRect(TRect R) {
    TWinControl* C = GetEditControl();
    if (!C) return;
    const Integer Line = FGrid ? FGrid->GridLineWidth() : 0;
    C->SetBounds(R.Left, R.Top, R.Width() - Line, R.Height() - Line);
}

void TEditLink::SetVisible(bool Value) {
    if (TWinControl* C = GetEditControl()) C->SetVisible(Value);
}

// --- the grid's references ---------------------------------------------------------------
void TExtStringGrid::SetEditLink(TEditLink* Value) {
    if (FEditLink == Value) return;
    if (FEditLink) FEditLink->RemoveFreeNotification(this);
    FEditLink = Value;
    if (Value) Value->FreeNotification(this);
}

void TExtStringGrid::SetCellChecker(TExtStringGridCheck* Value) {
    if (FCellChecker == Value) return;
    if (FCellChecker) FCellChecker->RemoveFreeNotification(this);
    FCellChecker = Value;
    if (Value) Value->FreeNotification(this);
}
