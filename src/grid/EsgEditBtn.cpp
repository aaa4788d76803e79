// The edit with a button inside its right edge, and the unit edit.
#include "grid/EsgEditBtn.h"

#include "grid/EsgEditParts.h"
#include "platform/ui/WinApi.h"

#include <algorithm>

using namespace EsgEditParts;

// ---------------------------------------------------------------------------
TExtSpeedButton::TExtSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {}

void TExtSpeedButton::SetIsWinXP(bool Value) {
    FIsWinXP = Value;
    Invalidate();
}

void TExtSpeedButton::SetFlatLook(bool Value) {
    FFlatLook = Value;
    Invalidate();
}

void TExtSpeedButton::MouseEnter() {
    TSpeedButton::MouseEnter();
    FHot = true;
    Invalidate();
}

void TExtSpeedButton::MouseLeave() {
    TSpeedButton::MouseLeave();
    FHot = false;
    Invalidate();
}

void TExtSpeedButton::Paint() {
    // No visual styles here: the themed look draws as the plain one.
    TRect R = ClientRect();
    const bool Down = FState == bsDown || FState == bsExclusive;
    if (FFlatLook) {
        DrawEdge(Canvas(), R, Down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
        InflateRect(R, -1, -1);
    } else {
        PaintFrame(R);
    }
    PaintContent(R);
}

// ---------------------------------------------------------------------------
TEsgEditButton::TEsgEditButton(TComponent* AOwner) : TCustomControl(AOwner) {
    SetTabStop(false);
    SetTakesFocus(this, false);
    FButton = new TExtSpeedButton(this);
    FButton->SetParent(this);
    auto Pressed = std::make_shared<bool>(false);
    FButton->OnMouseDown = [Pressed](TObject*, TMouseButton Button, TShiftState, Integer, Integer) {
        if (Button == mbLeft) *Pressed = true;
    };
    FButton->OnMouseUp = [this, Pressed](TObject*, TMouseButton Button, TShiftState, Integer X, Integer Y) {
        if (Button != mbLeft || !*Pressed) return;
        *Pressed = false;
        ButtonMouseUp(Button, X, Y);
    };
    SetBounds(0, 0, 20, 25);
}

TEsgEditButton::~TEsgEditButton() = default;

void TEsgEditButton::ButtonMouseUp(TMouseButton, Integer X, Integer Y) {
    // Only a release over the button counts as its press.
    if (X < 0 || Y < 0 || X >= FButton->Width() || Y >= FButton->Height()) return;
    const std::shared_ptr<const bool> Alive = AliveToken();
    FireEvent(OnClick, this);
    if (!IsAlive(Alive)) return;
    if (FFocusControl && FFocusControl->TabStop() && FFocusControl->CanFocus() && !FFocusControl->Focused())
        FFocusControl->SetFocus();
    else if (TabStop() && CanFocus() && !Focused())
        SetFocus();
}

void TEsgEditButton::SetFocusControl(TWinControl* Value) {
    if (FFocusControl == Value) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TEsgEditButton::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TEsgEditButton::SetFlat(bool Value) {
    FFlat = Value;
    FButton->SetFlat(Value);
}

void TEsgEditButton::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FButton && !ComponentState().Contains(csLoading)) FButton->SetBounds(0, 0, Width(), Height());
}

// ---------------------------------------------------------------------------
TEsgEditBtn::TEsgEditBtn(TComponent* AOwner) : TCustomEdit(AOwner) {
    FButton = new TEsgEditButton(this);
    FButton->SetParent(this);
    FButton->SetBounds(0, 0, 18, 18);
    FButton->SetVisible(true);
    FButton->SetFocusControl(this);
    FButton->OnClick = [this](TObject* Sender) { ClickBtn(Sender); };
    SetText("0");
    SetBounds(0, 0, 121, 21);
}

TEsgEditBtn::~TEsgEditBtn() = default;

Integer TEsgEditBtn::ClientW() const { return Width() - 2 * EditBorder; }
Integer TEsgEditBtn::ClientH() const { return Height() - 2 * EditBorder; }

void TEsgEditBtn::ClickBtn(TObject* Sender) { FireEvent(OnClickBtn, Sender); }

void TEsgEditBtn::SetUnitSpace(Integer Value) {
    FUnitSpace = Value;
    SetEditRect();
    Invalidate();
}

void TEsgEditBtn::SetRightAlign(bool Value) {
    FRightAlign = Value;
    SetAlignment(Value ? taRightJustify : taLeftJustify);
}

void TEsgEditBtn::SetEditorEnabled(bool Value) {
    FEditorEnabled = Value;
    SetBuiltInContextMenu(this, Value);
}

void TEsgEditBtn::SetButtonWidth(Integer Value) {
    FButton->SetWidth(Value);
    SetBounds(Left(), Top(), Width(), Height());
}

void TEsgEditBtn::SetEditRect() {
    Integer Right = ClientW() - FButton->Width() - 3 - FUnitSpace;
    if (FUnitSpace > 0) Right -= 3;
    FEditRect = Rect(1, 1, Right, ClientH() + 1);
    SetEditMargins(this, FEditRect.Left, FEditRect.Top, ClientW() - FEditRect.Right, 0);
}

void TEsgEditBtn::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FSizing || !FButton) return;
    FSizing = true;
    const Integer MinH = TextLineHeight(Font());
    if (Height() < MinH) TCustomEdit::SetBounds(Left(), Top(), Width(), MinH);
    PlaceButton(FButton, Width(), Height());
    SetEditRect();
    FSizing = false;
}

void TEsgEditBtn::KeyDown(Word& Key, TShiftState Shift) {
    // Cut, paste and deleting are typing too.
    if (IsBlockedEditKey(Key, Shift, FEditorEnabled, ReadOnly())) Key = 0;
    const std::shared_ptr<const bool> Alive = AliveToken();
    const bool F4 = Key == VK_F4;
    TCustomEdit::KeyDown(Key, Shift);
    if (F4 && Key == VK_F4 && IsAlive(Alive)) ClickBtn(this);
}

void TEsgEditBtn::KeyPress(char& Key) {
    // Enter still belongs to the form (its default button).
    if (!FEditorEnabled && Key != '\r') {
        Key = 0;
        return;
    }
    TCustomEdit::KeyPress(Key);
}

// ---------------------------------------------------------------------------
TEsgUnitEditBtn::TEsgUnitEditBtn(TComponent* AOwner) : TEsgEditBtn(AOwner), FUnits(std::make_unique<TStringList>()) {
    FUnitSpace = 20;
    SetRightAlign(true);
    SetEditRect();
    SetPaintOverlay(this, [this](TCanvas* C) { PaintUnit(C); });
}

TEsgUnitEditBtn::~TEsgUnitEditBtn() = default;

void TEsgUnitEditBtn::SetUnitID(const AnsiString& Value) {
    FUnitID = Value;
    Invalidate();
}

void TEsgUnitEditBtn::SetUnits(TStrings* Value) {
    if (Value) FUnits->Assign(Value);
}

void TEsgUnitEditBtn::ClickBtn(TObject*) {
    delete FMenu;
    FMenu = new TPopupMenu(this);
    for (Integer I = 0; I < FUnits->Count(); ++I) {
        auto* Item = new TMenuItem(FMenu);
        Item->SetCaption(FUnits->Strings(I));
        Item->SetTag(I + 1);
        Item->OnClick = [this, Item](TObject*) { UnitCommand(Item->Tag()); };
        FMenu->Items()->Add(Item);
    }
    const TPoint P = ClientToScreen(Point(0, 0));
    FMenu->Popup(P.X + ClientWidth() - 15, P.Y + ClientHeight());
}

void TEsgUnitEditBtn::UnitCommand(Integer Id) {
    if (Id >= 1 && Id <= FUnits->Count()) SetUnitID(FUnits->Strings(Id - 1));
}

TRect TEsgUnitEditBtn::UnitRect() const {
    const Integer L = ClientW() - Button()->Width() - 3 - FUnitSpace;
    return Rect(L, 2, L + FUnitSpace, ClientH());
}

void TEsgUnitEditBtn::PaintUnit(TCanvas* Canvas) {
    if (FUnitID.empty()) return;
    TRect R = UnitRect();
    OffsetRect(R, EditBorder, EditBorder);
    Canvas->Font()->Assign(Font());
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->DrawText(FUnitID, R, DT_EDITCONTROL | DT_NOPREFIX | DT_SINGLELINE);
}
