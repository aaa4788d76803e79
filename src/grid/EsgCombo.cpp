// TESGComboBox: the combo box with its own flat frame and drop-down button.
#include "grid/EsgCombo.h"

#include "platform/ui/WinApi.h"

namespace {

// The width of a vertical scroll bar.
constexpr Integer VScrollWidth = 17;

void Frame(TCanvas* C, const TRect& R, TColor Color) {
    C->Brush()->SetColor(Color);
    C->Brush()->SetStyle(bsSolid);
    C->FrameRect(R);
}

}  // namespace

TESGCustomCombo::TESGCustomCombo(TComponent* AOwner)
    : TComboBox(AOwner), FOldColor(Color()), FOldParentColor(ParentColor()), FButtonWidth(VScrollWidth + 4) {
    WatchMouseHover(this, [this](bool Entered) {
        if (Entered) MouseEnter();
        else MouseLeave();
    });
    SetPaintOverlay(this, [this](TCanvas* C) { PaintFlat(C); });
}

TESGCustomCombo::~TESGCustomCombo() = default;

Cardinal TESGCustomCombo::GetVersionNr() const { return (0u << 24) | (0u << 16) | (2u << 8) | 1u; }

AnsiString TESGCustomCombo::Version() const {
    const Cardinal V = GetVersionNr();
    // Low byte first: major, minor, release, build.
    return Format("%d.%d.%d.%d", {Integer(V & 0xFF), Integer((V >> 8) & 0xFF), Integer((V >> 16) & 0xFF),
                                  Integer((V >> 24) & 0xFF)});
}

void TESGCustomCombo::SetFlat(bool Value) {
    FFlat = Value;
    if (Value) SetPaintOverlay(this, [this](TCanvas* C) { PaintFlat(C); });
    else SetPaintOverlay(this, nullptr);
    Invalidate();
}

void TESGCustomCombo::SetEtched(bool Value) {
    FEtched = Value;
    Invalidate();
}

void TESGCustomCombo::SetButtonWidth(Integer Value) {
    if (Value < 14 || Value > 32) return;
    FButtonWidth = Value;
    Invalidate();
}

void TESGCustomCombo::SetFocusBorder(bool Value) {
    FFocusBorder = Value;
    Invalidate();
}

void TESGCustomCombo::SetDropWidth(Integer Value) {
    FDropWidth = Value;
    if (Value > 0) SetComboDropWidth(this, Value);
}

void TESGCustomCombo::SetIsWinXP(bool Value) {
    FIsWinXP = Value;
    Invalidate();
}

void TESGCustomCombo::MouseEnter() {
    if (FMouseIn || !Enabled()) return;
    FMouseIn = true;
    Invalidate();
    if (FAutoFocus && CanFocus() && !Focused()) SetFocus();
}

void TESGCustomCombo::MouseLeave() {
    FMouseIn = false;
    if (Enabled()) Invalidate();
}

void TESGCustomCombo::DoEnter() {
    TComboBox::DoEnter();
    Invalidate();
}

void TESGCustomCombo::DoExit() {
    TComboBox::DoExit();
    Invalidate();
}

void TESGCustomCombo::SetEnabled(bool Value) {
    if (FFlat && Value != Enabled()) {
        if (Value) {
            SetParentColor(FOldParentColor);
            if (!FOldParentColor) SetColor(FOldColor);
        } else {
            // A disabled flat combo takes its parent's colour.
            FOldParentColor = ParentColor();
            FOldColor = Color();
            SetParentColor(true);
        }
    }
    TComboBox::SetEnabled(Value);
}

bool TESGCustomCombo::Is3DBorder() const {
    return !ComponentState().Contains(csDesigning) && (FMouseIn || Focused()) && FFocusBorder;
}

void TESGCustomCombo::PaintFlat(TCanvas* Canvas) {
    if (!FFlat) return;
    if (Style() != csSimple) DrawButton(Canvas);
    DrawBorders(Canvas);
}

void TESGCustomCombo::DrawButton(TCanvas* Canvas) {
    // No visual styles here: the themed look draws as the plain one.
    const Integer W = Width(), H = Height();
    TRect R = Rect(W - FButtonWidth, 0, W, H);
    R.Top += 1;
    R.Bottom -= 1;
    OffsetRect(R, -2, 1);
    DrawFrameControl(Canvas, R, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_FLAT | (Enabled() ? 0 : DFCS_INACTIVE));
}

void TESGCustomCombo::DrawBorders(TCanvas* Canvas) {
    DrawFrame(Canvas);
    if (Style() == csSimple || FIsWinXP) return;
    const Integer W = Width(), H = Height();
    TRect B = Rect(W - FButtonWidth - 4, 0, W, H);
    InflateRect(B, -2, -2);
    B.Right += 1;
    B.Bottom += 2;
    DrawEdge(Canvas, B, FEtched ? EDGE_ETCHED : EDGE_RAISED, BF_RECT);
}

void TESGCustomCombo::DrawFrame(TCanvas* Canvas) {
    const Integer W = Width(), H = Height();
    const bool ThreeD = Is3DBorder();
    const TColor Outer = ThreeD ? clBtnFace : (Parent() ? Parent()->Color() : clBtnFace);
    const TColor Inner = Color();
    TRect R = Rect(0, 0, W, H);
    if (ThreeD) {
        DrawEdge(Canvas, R, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        Frame(Canvas, R, Outer);
        InflateRect(R, -1, -1);
        Frame(Canvas, R, Inner);
    } else {
        Frame(Canvas, R, Outer);
        InflateRect(R, -1, -1);
        Frame(Canvas, R, Outer);
        InflateRect(R, -1, -1);
        Frame(Canvas, R, Inner);
    }
}
