// Small objects the grid creates or keeps: move arrows, the dragged caption, integer lists, cell-control lists, file pictures and the gradient button.
#include "grid/ExtObj.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtUtil.h"
#include "platform/ui/Menus.h"
#include "platform/ui/WinApi.h"
#include "platform/ui/WindowNotices.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

const std::vector<TPoint> kArrows[4] = {
    {{5, 0}, {10, 5}, {7, 5}, {7, 9}, {3, 9}, {3, 5}, {0, 5}},     // up
    {{3, 0}, {7, 0}, {7, 4}, {9, 4}, {5, 8}, {1, 4}, {3, 4}},      // down
    {{0, 3}, {0, 7}, {4, 7}, {4, 10}, {8, 5}, {4, 0}, {4, 3}},     // right
    {{0, 5}, {4, 10}, {4, 7}, {8, 7}, {8, 3}, {4, 3}, {4, 0}},     // left
};

void* IntToPtr(Integer V) { return reinterpret_cast<void*>(static_cast<intptr_t>(V)); }
Integer PtrToInt(void* P) { return static_cast<Integer>(reinterpret_cast<intptr_t>(P)); }

// A frame with cut corners in place of a rounded rectangle with 8-pixel corners.
void RoundFrame(TCanvas* C, const TRect& R, TColor Color) {
    if (Color == clNone || R.IsEmpty()) return;
    const Integer L = R.Left, T = R.Top, Rt = R.Right - 1, B = R.Bottom - 1;
    C->Pen()->SetColor(Color);
    C->Brush()->SetStyle(bsClear);
    C->Polygon({{L + 3, T}, {Rt - 3, T}, {Rt, T + 3}, {Rt, B - 3}, {Rt - 3, B}, {L + 3, B}, {L, B - 3}, {L, T + 3}});
    C->Brush()->SetStyle(bsSolid);
}

void FrameIn(TCanvas* C, const TRect& R, TColor Color) {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color);
    C->FrameRect(R);
}

struct TPreset {
    TColor Color, ColorTo, ColorHot, ColorHotTo, ColorDown, ColorDownTo, ColorChecked, ColorCheckedTo,
        BorderDown, BorderHot;
};

constexpr TPreset kPresets[7] = {
    {0xEDF1F1, 0xDFEBEB, 0xFAFCFC, 0xE5ECED, 0xE0E6E7, 0xD8E0E1, 0xFFFFFF, clNone, 0xAF987A, 0xC3CECE},
    {clBtnFace, clNone, 0xEED2C1, clNone, 0xE2B598, clNone, 0xE8E6E1, clNone, 0xC56A31, 0xC56A31},
    {0xFDEADA, 0xE4AE88, 0xCCF4FF, 0x91D0FF, 0x4E91FE, 0x8ED3FF, 0x8ED3FF, 0x55ADFF, 0x000000, 0x000000},
    {0xCFF0EA, 0x8CC0B1, 0xCCF4FF, 0x91D0FF, 0x4E91FE, 0x8ED3FF, 0x8ED3FF, 0x55ADFF, 0x000000, 0x000000},
    {0xECE2E1, 0xB39698, 0xCCF4FF, 0x91D0FF, 0x4E91FE, 0x8ED3FF, 0x8ED3FF, 0x55ADFF, 0x000000, 0x000000},
    {clBtnFace, clNone, clBtnFace, clNone, 0xD8D3D2, clNone, 0xCAC7C7, clNone, clNone, clNone},
    {0xCAFFFF, 0xA6FFFF, 0xA8F0FD, 0x7CE9FC, 0x4DE0FB, 0x7AE9FC, 0xB5E6F2, 0x9CDDED, 0x808080, 0x808080},
};

// The "&" letter of a caption; 0 when there is none ("&&" is a plain "&").
char AccelOf(const AnsiString& S) {
    for (size_t I = 0; I + 1 < S.size(); ++I) {
        if (S[I] != '&') continue;
        if (S[I + 1] == '&') { ++I; continue; }
        return S[I + 1];
    }
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
TArrowWindow::TArrowWindow(TComponent* AOwner, Integer Direction) : TPanel(AOwner), FDirection(Direction) {
    if (Direction < 0 || Direction > 3) throw EInvalidOperation(Format("Invalid arrow direction (%d)", {Direction}));
    FArrow = kArrows[Direction];
    Integer W = 0, H = 0;
    for (const TPoint& P : FArrow) {
        W = std::max(W, P.X + 1);
        H = std::max(H, P.Y + 1);
    }
    // Only the arrow is painted; what lies around it shows through.
    FTransparentBackground = true;
    ApplyColor();
    SetBevelOuter(bvNone);
    SetBounds(0, 0, W, H);
}

void TArrowWindow::Paint() {
    Canvas()->Pen()->SetColor(TControl::Color());
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(TControl::Color());
    Canvas()->Polygon(FArrow);
}

// ---------------------------------------------------------------------------
TPopupButton::TPopupButton(TComponent* AOwner) : TCustomControl(AOwner) {
    FTabStop = false;
    SetTakesFocus(this, false);
    SetEnabled(false);
    TControl::SetColor(clBtnFace);
}

void TPopupButton::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    Invalidate();
}

void TPopupButton::SetGradTo(TColor Value) {
    if (FGradTo == Value) return;
    FGradTo = Value;
    Invalidate();
}

void TPopupButton::SetGradFrom(TColor Value) {
    if (FGradFrom == Value) return;
    FGradFrom = Value;
    Invalidate();
}

void TPopupButton::SetVisible(bool Value) {
    TCustomControl::SetVisible(Value);
    // Kept above the grid it floats over.
    if (Value) BringToFront();
}

void TPopupButton::SetTextCore(const AnsiString& Value) {
    FText = Value;
    Invalidate();
}

void TPopupButton::Paint() {
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    // The window border.
    FrameIn(C, R, clWindowFrame);
    InflateRect(R, -1, -1);
    C->Brush()->SetColor(TControl::Color());
    C->FillRect(R);
    if (!FFlat) {
        C->Pen()->SetColor(clWhite);
        C->MoveTo(R.Left, R.Bottom - 1);
        C->LineTo(R.Left, R.Top);
        C->LineTo(R.Right, R.Top);
        C->Pen()->SetColor(0x808080);
        C->MoveTo(R.Right - 1, R.Top + 1);
        C->LineTo(R.Right - 1, R.Bottom - 1);
        C->LineTo(R.Left, R.Bottom - 1);
        InflateRect(R, -1, -1);
    }
    if (FGradFrom != clNone) DrawGradient(C, FGradFrom, FGradTo, 64, R, false);
    C->Brush()->SetStyle(bsClear);
    C->Font()->Assign(Font());
    if (FText.find("</") != AnsiString::npos) {
        AnsiString Anchor, Plain, Href, Title, CtlID, CtlValue, CtlType;
        Integer XS = 0, YS = 0, Anchors = 0, HitIndex = -1;
        TRect HitR, CtlR;
        HTMLDrawEx(C, FText, R, nullptr, -1, -1, -1, -1, 0, false, false, false, false, true, false, true, false, 1.0,
                   clBlue, clNone, clNone, clGray, Anchor, Plain, Href, Title, XS, YS, Anchors, HitIndex, HitR, CtlR,
                   CtlID, CtlValue, CtlType, nullptr, nullptr, nullptr);
    } else {
        C->DrawText(FText, R, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    C->Brush()->SetStyle(bsSolid);
}

// ---------------------------------------------------------------------------
TIntList::TIntList(Integer Param1, Integer Param2) : FParam1(Param1), FParam2(Param2) {}
TIntList::~TIntList() = default;

void TIntList::Changed() {
    if (OnChange) FireEvent(OnChange, this, FParam1, FParam2);
}

Integer TIntList::Items(Integer Index) const { return PtrToInt(TList::Items(Index)); }

void TIntList::SetItems(Integer Index, Integer Value) {
    TList::SetItems(Index, IntToPtr(Value));
    Changed();
}

Integer TIntList::Add(Integer Value) {
    const Integer Result = TList::Add(IntToPtr(Value));
    Changed();
    return Result;
}

void TIntList::Insert(Integer Index, Integer Value) { TList::Insert(Index, IntToPtr(Value)); }

void TIntList::Delete(Integer Index) {
    TList::Delete(Index);
    Changed();
}

AnsiString TIntList::CommaText() const {
    AnsiString S;
    for (Integer I = 0; I < Count(); ++I) {
        if (I > 0) S += ',';
        S += IntToStr(Items(I));
    }
    return S;
}

void TIntList::SetCommaText(const AnsiString& Value) {
    // Read everything first: a bad value must not leave half a list behind.
    std::vector<Integer> Values;
    if (!Trim(Value).empty()) {
        size_t Start = 0;
        for (;;) {
            const size_t Comma = Value.find(',', Start);
            const AnsiString Part = Value.substr(Start, Comma == AnsiString::npos ? AnsiString::npos : Comma - Start);
            Values.push_back(StrToInt(Trim(Part)));
            if (Comma == AnsiString::npos) break;
            Start = Comma + 1;
        }
    }
    Clear();
    for (Integer V : Values) Add(V);
}

// ---------------------------------------------------------------------------
void TSortIndexList::AddIndex(Integer Column, bool Ascending) {
    Add(Ascending ? Column : (Column | DescendingBit));
}

Integer TSortIndexList::IndexOfSortColumn(Integer Column) const {
    for (Integer I = 0; I < Count(); ++I)
        if ((Items(I) & ~DescendingBit) == Column) return I;
    return -1;
}

void TSortIndexList::ToggleSortIndex(Integer Column) {
    const Integer I = IndexOfSortColumn(Column);
    if (I >= 0) SetItems(I, Items(I) ^ DescendingBit);
}

// ---------------------------------------------------------------------------
// Hears of held controls that their owner destroys, and takes them off the list.
class TControlList::TWatcher : public TComponent {
public:
    explicit TWatcher(TControlList* List) : TComponent(nullptr), FList(List) {}

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation != opRemove) return;
        for (Integer I = FList->Count() - 1; I >= 0; --I) {
            auto* C = static_cast<TControl*>(FList->TList::Items(I));
            if (static_cast<TComponent*>(C) == AComponent) FList->Extract(C);
        }
    }

private:
    TControlList* FList;
};

TControlList::TControlList() : FWatcher(std::make_unique<TWatcher>(this)) {}

TControlList::~TControlList() {
    Clear();
    FWatcher.reset();
}

Integer TControlList::Add(TControl* Control) { return TList::Add(Control); }

TControl* TControlList::Items(Integer Index) const { return static_cast<TControl*>(TList::Items(Index)); }

void TControlList::Notify(void* Ptr, TListNotification Action) {
    auto* C = static_cast<TControl*>(Ptr);
    if (!FWatcher) return;
    switch (Action) {
        case lnAdded:
            FWatcher->FreeNotification(C);
            break;
        case lnExtracted:
            if (IndexOf(C) < 0) FWatcher->RemoveFreeNotification(C);
            break;
        case lnDeleted:
            // The same control may be listed twice; free it once, when its last entry goes.
            if (IndexOf(C) >= 0) break;
            FWatcher->RemoveFreeNotification(C);
            delete C;
            break;
    }
}

// ---------------------------------------------------------------------------
TFilePicture::TFilePicture() = default;
TFilePicture::~TFilePicture() = default;

void TFilePicture::SetFilename(const AnsiString& Value) {
    if (Value.empty()) {
        FFilename.clear();
        FWidth = FHeight = 0;
        return;
    }
    TPicture P;
    P.LoadFromFile(Value);
    FWidth = P.Width();
    FHeight = P.Height();
    FFilename = Value;
}

void TFilePicture::Draw(TCanvas* Canvas, const TRect& Rect) {
    if (!Canvas || FFilename.empty()) return;
    TPicture P;
    try {
        P.LoadFromFile(FFilename);
    } catch (const Exception&) {
        return;   // painting goes on without the picture
    }
    Canvas->StretchDraw(Rect, P.Graphic());
}

void TFilePicture::Assign(TPersistent* Source) {
    if (auto* S = dynamic_cast<TFilePicture*>(Source)) {
        FFilename = S->FFilename;
        FWidth = S->FWidth;
        FHeight = S->FHeight;
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
void DrawButtonGradient(TCanvas* Canvas, TColor FromColor, TColor ToColor, bool Horizontal, const TRect& R,
                        Integer Steps, TColor FrameColor) {
    if (!Canvas) return;
    Steps = std::max(1, Steps);
    const TColor F = ColorToRGB(FromColor);
    const TColor T = ToColor == clNone ? F : ColorToRGB(ToColor);
    const Integer Size = Horizontal ? R.Width() : R.Height();
    Canvas->Brush()->SetStyle(bsSolid);
    for (Integer I = 0; I < Steps; ++I) {
        auto Ch = [&](Byte A, Byte B) {
            return Byte(std::clamp<long>(std::lround(A + double(I) * (double(B) - A) / Steps), 0, 255));
        };
        Canvas->Brush()->SetColor(RGB(Ch(GetRValue(F), GetRValue(T)), Ch(GetGValue(F), GetGValue(T)),
                                      Ch(GetBValue(F), GetBValue(T))));
        const Integer From = Integer(Int64(I) * Size / Steps);
        const Integer To = std::min<Integer>(Size, Integer(Int64(I + 1) * Size / Steps) + 1);
        if (To <= From) continue;
        if (Horizontal) Canvas->FillRect(Rect(R.Left + From, R.Top, R.Left + To, R.Bottom));
        else Canvas->FillRect(Rect(R.Left, R.Top + From, R.Right, R.Top + To));
    }
    if (FrameColor != clNone) FrameIn(Canvas, R, FrameColor);
}

// ---------------------------------------------------------------------------
TExtGridButton::TExtGridButton(TComponent* AOwner)
    : TSpeedButton(AOwner),
      FGlyph(std::make_unique<TBitmap>()),
      FGlyphHot(std::make_unique<TBitmap>()),
      FGlyphDown(std::make_unique<TBitmap>()),
      FGlyphDisabled(std::make_unique<TBitmap>()),
      FShadow(std::make_unique<TBitmap>()) {
    // Clicks are decided here (the drop-down section never clicks).
    FClickOnMouseUp = false;
    FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
    FGlyphHot->OnChange = [this](TObject*) { Invalidate(); };
    FGlyphDown->OnChange = [this](TObject*) { Invalidate(); };
    FGlyphDisabled->OnChange = [this](TObject*) {
        if (!FMakingGrey) FGreyMade = false;
        Invalidate();
    };
    SetBounds(0, 0, 23, 22);
    // As the grid: the look follows the desktop's theme, and Alt with the caption's letter clicks.
    WatchThemeChange(this, [this] { ThemeChanged(); });
    WatchDialogChar(this, [this](char Key) { return DialogChar(Key); });
}

TExtGridButton::~TExtGridButton() = default;

bool TExtGridButton::Designing() const { return ComponentState().Contains(csDesigning); }

bool TExtGridButton::Inside(Integer X, Integer Y) const { return X >= 0 && X < Width() && Y >= 0 && Y < Height(); }

void TExtGridButton::Changed() { Invalidate(); }

void TExtGridButton::SetGlyph(TBitmap* Value) {
    if (Value) FGlyph->Assign(Value);
    else FGlyph->SetSize(0, 0);
    GlyphChanged();
}

void TExtGridButton::SetGlyphHot(TBitmap* Value) {
    if (Value) FGlyphHot->Assign(Value);
    else FGlyphHot->SetSize(0, 0);
    Invalidate();
}

void TExtGridButton::SetGlyphDown(TBitmap* Value) {
    if (Value) FGlyphDown->Assign(Value);
    else FGlyphDown->SetSize(0, 0);
    Invalidate();
}

void TExtGridButton::SetGlyphDisabled(TBitmap* Value) {
    if (Value) FGlyphDisabled->Assign(Value);
    else FGlyphDisabled->SetSize(0, 0);
    FGreyMade = false;
    if (FGlyphDisabled->Empty()) GlyphChanged();
    Invalidate();
}

void TExtGridButton::GlyphChanged() {
    // A disabled glyph we made ourselves follows the glyph; one given stays.
    if (FGlyphDisabled->Empty() || FGreyMade) {
        FMakingGrey = true;
        if (FGlyph->Empty()) {
            FGlyphDisabled->SetSize(0, 0);
            FGreyMade = false;
        } else {
            FGlyphDisabled->Assign(FGlyph.get());
            TCanvas* C = FGlyphDisabled->Canvas();
            for (Integer Y = 0; Y < FGlyphDisabled->Height(); ++Y)
                for (Integer X = 0; X < FGlyphDisabled->Width(); ++X) {
                    const TColor P = C->Pixels(X, Y);
                    const Integer V = (GetRValue(P) + GetGValue(P) + GetBValue(P)) / 3 / 2 + 96;
                    C->SetPixels(X, Y, RGB(Byte(V), Byte(V), Byte(V)));
                }
            FGreyMade = true;
        }
        FMakingGrey = false;
    }
    BuildShadow();
    Invalidate();
}

void TExtGridButton::BuildShadow() {
    if (FGlyph->Empty()) {
        FShadow->SetSize(0, 0);
        return;
    }
    const TColor Key0 = FGlyph->TransparentColor();
    const TColor Key = Key0 == 0x808080 ? clWhite : Key0;
    FShadow->SetSize(FGlyph->Width(), FGlyph->Height());
    TCanvas* G = FGlyph->Canvas();
    TCanvas* S = FShadow->Canvas();
    for (Integer Y = 0; Y < FGlyph->Height(); ++Y)
        for (Integer X = 0; X < FGlyph->Width(); ++X) S->SetPixels(X, Y, G->Pixels(X, Y) == Key0 ? Key : 0x808080);
    FShadow->SetTransparent(true);
}

void TExtGridButton::SetGroupIndex(Integer Value) {
    if (FGroupIndex == Value) return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TExtGridButton::SetAllowAllUp(bool Value) {
    if (FAllowAllUp == Value) return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TExtGridButton::SetDown(bool Value) {
    if (FGroupIndex == 0 && FStyle != tasCheck) Value = false;
    if (Value == FDown) return;
    if (FDown && FGroupIndex != 0 && !FAllowAllUp) return;
    FDown = Value;
    if (Value) {
        FState = bsExclusive;
    } else {
        FState = bsUp;
    }
    Invalidate();
    if (Value) UpdateExclusive();
}

void TExtGridButton::UpdateExclusive() {
    // Buttons without a group are on their own (check buttons among them).
    if (FGroupIndex == 0 || !Parent()) return;
    const std::shared_ptr<const bool> Alive = AliveToken();
    TWinControl* P = Parent();
    for (Integer I = 0; I < P->ControlCount(); ++I) {
        if (auto* B = dynamic_cast<TExtGridButton*>(P->Controls(I)); B && B != this) B->ButtonPressed(FGroupIndex, this);
        if (!*Alive) return;
    }
}

void TExtGridButton::ButtonPressed(Integer Group, TExtGridButton* Sender) {
    if (Group == 0 || Group != FGroupIndex || Sender == this || !Sender) return;
    if (Sender->Down() && FDown) {
        FDown = false;
        FState = bsUp;
        Invalidate();
        if (TAction* A = Action()) A->SetChecked(false);
    }
    FAllowAllUp = Sender->AllowAllUp();
}

void TExtGridButton::SetAction(TAction* Value) { FActionLink.SetAction(Value); }

bool TExtGridButtonActionLink::IsCheckedLinked() const {
    return TActionLink::IsCheckedLinked() && FClient->GroupIndex() != 0 && FClient->AllowAllUp() &&
           FClient->Down() == Action()->Checked();
}

void TExtGridButtonActionLink::SetCaption(const AnsiString& Value) { FClient->SetCaption(Value); }
void TExtGridButtonActionLink::SetChecked(bool Value) { FClient->SetDown(Value); }
void TExtGridButtonActionLink::SetGroupIndex(Integer Value) { FClient->SetGroupIndex(Value); }

void TExtGridButton::SetLayout(TButtonLayout Value) {
    if (FLayout == Value) return;
    FLayout = Value;
    Changed();
}

void TExtGridButton::SetSpacing(Integer Value) {
    if (FSpacing == Value) return;
    FSpacing = Value;
    Changed();
}

void TExtGridButton::SetMargin(Integer Value) {
    if (Value < -1 || FMargin == Value) return;
    FMargin = Value;
    Changed();
}

void TExtGridButton::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    Changed();
}

#define EXT_COLOR_SETTER(Name)                       \
    void TExtGridButton::Set##Name(TColor Value) {   \
        if (F##Name == Value) return;                \
        F##Name = Value;                             \
        Changed();                                   \
    }
EXT_COLOR_SETTER(Color)
EXT_COLOR_SETTER(ColorTo)
EXT_COLOR_SETTER(ColorHot)
EXT_COLOR_SETTER(ColorHotTo)
EXT_COLOR_SETTER(ColorDown)
EXT_COLOR_SETTER(ColorDownTo)
EXT_COLOR_SETTER(ColorChecked)
EXT_COLOR_SETTER(ColorCheckedTo)
EXT_COLOR_SETTER(BorderColor)
EXT_COLOR_SETTER(BorderDownColor)
EXT_COLOR_SETTER(BorderHotColor)
#undef EXT_COLOR_SETTER

void TExtGridButton::SetShaded(bool Value) {
    if (FShaded == Value) return;
    FShaded = Value;
    if (!ComponentState().Contains(csLoading)) BuildShadow();
    Changed();
}

void TExtGridButton::SetStyle(TExtButtonStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    Changed();
}

void TExtGridButton::SetRounded(bool Value) {
    if (FRounded == Value) return;
    FRounded = Value;
    Changed();
}

void TExtGridButton::SetDropDownButton(bool Value) {
    if (FDropDownButton == Value) return;
    FDropDownButton = Value;
    Changed();
}

void TExtGridButton::SetAutoXPStyle(bool Value) {
    if (FAutoXPStyle == Value) return;
    FAutoXPStyle = Value;
    Changed();
}

void TExtGridButton::SetShowCaption(bool Value) {
    if (FShowCaption == Value) return;
    FShowCaption = Value;
    Changed();
}

void TExtGridButton::SetDropDownMenu(TPopupMenu* Value) {
    if (FDropDownMenu == Value) return;
    if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = Value;
    if (Value) Value->FreeNotification(this);
}

void TExtGridButton::Notification(TComponent* AComponent, TOperation Operation) {
    TSpeedButton::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == static_cast<TComponent*>(FDropDownMenu)) FDropDownMenu = nullptr;
}

void TExtGridButton::SetColorPreset(Integer Preset) {
    if (Preset < 0 || Preset > 6) return;
    const TPreset& P = kPresets[Preset];
    FColor = P.Color;
    FColorTo = P.ColorTo;
    FColorHot = P.ColorHot;
    FColorHotTo = P.ColorHotTo;
    FColorDown = P.ColorDown;
    FColorDownTo = P.ColorDownTo;
    FColorChecked = P.ColorChecked;
    FColorCheckedTo = P.ColorCheckedTo;
    FBorderDownColor = P.BorderDown;
    FBorderHotColor = P.BorderHot;
    FBorderColor = clNone;
    Changed();
}

void TExtGridButton::ThemeAdapt() {
    switch (CurrentXPColorScheme()) {
        case 1: SetColorPreset(2); break;
        case 2: SetColorPreset(3); break;
        case 3: SetColorPreset(4); break;
        default: SetColorPreset(1); break;
    }
}

void TExtGridButton::ThemeChanged() {
    if (FAutoThemeAdapt) ThemeAdapt();
}

void TExtGridButton::Loaded() {
    TSpeedButton::Loaded();
    if (FShaded) BuildShadow();
    if (FAutoThemeAdapt) ThemeAdapt();
}

bool TExtGridButton::DialogChar(char Key) {
    const char A = AccelOf(Caption());
    if (A == 0 || AnsiUpperCase(AnsiString(1, A)) != AnsiUpperCase(AnsiString(1, Key))) return false;
    if (!Enabled() || !Visible() || !Parent() || !Parent()->Showing()) return false;
    Click();
    return true;
}

void TExtGridButton::SetEnabled(bool Value) {
    TSpeedButton::SetEnabled(Value);
    Invalidate();
}

void TExtGridButton::ApplyFont() {
    TSpeedButton::ApplyFont();
    Invalidate();
}

void TExtGridButton::SetTextCore(const AnsiString& Value) {
    FText = Value;
    Invalidate();
}

// --- mouse ---------------------------------------------------------------------------------
void TExtGridButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TGraphicControl::MouseDown(Button, Shift, X, Y);   // the speed button's own press is not wanted
    if (!*Alive || Button != mbLeft || !Enabled()) return;
    if (FDropDownButton && X >= Width() - 12) {
        FState = bsUp;
        Invalidate();
        if (OnDropDown) FireEvent(OnDropDown, this);
        if (!*Alive) return;
        if (FDropDownMenu) {
            const TPoint P = ClientToScreen(Point(0, Height()));
            FDropDownMenu->Popup(P.X, P.Y);
        }
        return;
    }
    if (!FDown || FStyle == tasCheck) {
        FState = bsDown;
        Invalidate();
    }
    FDragging = true;
}

void TExtGridButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TSpeedButton::MouseMove(Shift, X, Y);
    if (!*Alive) return;
    if (FDragging) {
        TButtonState NewState = FDown ? bsExclusive : bsUp;
        if (Inside(X, Y)) NewState = FDown ? bsExclusive : bsDown;
        if (NewState != FState) {
            FState = NewState;
            Invalidate();
        }
    } else {
        UpdateTracking(X, Y);
    }
}

void TExtGridButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!*Alive || Button != mbLeft || !FDragging) return;
    FDragging = false;
    const bool DoClick = Inside(X, Y);
    if (FGroupIndex == 0) {
        FState = bsUp;
        // A check button toggles on a click only: a release off the button cancels.
        if (DoClick && FStyle == tasCheck) SetDown(!FDown);
    } else if (DoClick) {
        SetDown(!FDown);
        FState = FDown ? bsExclusive : bsUp;
    } else {
        FState = FDown ? bsExclusive : bsUp;
    }
    Invalidate();
    if (DoClick) {
        Click();
        if (!*Alive) return;
    }
    UpdateTracking(X, Y);
}

void TExtGridButton::UpdateTracking(Integer X, Integer Y) {
    if (!FFlat || !Enabled()) return;
    const bool In = Inside(X, Y);
    if (In == FMouseInControl) return;
    FMouseInControl = In;
    Invalidate();
}

void TExtGridButton::MouseEnter() {
    if (FFlat && Enabled() && !Designing()) {
        FMouseInControl = true;
        Invalidate();
    }
    if (OnMouseEnter) FireEvent(OnMouseEnter, this);
}

void TExtGridButton::MouseLeave() {
    FMouseInControl = false;
    Invalidate();
    if (OnMouseLeave) FireEvent(OnMouseLeave, this);
}

void TExtGridButton::DblClick() {
    if (FDown) TSpeedButton::DblClick();
}

// --- painting ------------------------------------------------------------------------------
namespace {

// Glyph (size G) and text (size T) one after the other along Lo..Hi, Space apart: centred, or
// Margin from the edge on the glyph's side. Gives where each starts.
void PlaceGlyphAndText(Integer Lo, Integer Hi, Integer G, Integer Space, Integer T, bool GlyphFirst, Integer Margin,
                       Integer& GlyphAt, Integer& TextAt) {
    const Integer Total = G + Space + T;
    Integer Start = Lo + (Hi - Lo - Total) / 2;
    if (Margin >= 0) Start = GlyphFirst ? Lo + Margin : Hi - Margin - Total;
    GlyphAt = GlyphFirst ? Start : Start + T + Space;
    TextAt = GlyphFirst ? Start + G + Space : Start;
}

}  // namespace

void TExtGridButton::FillFace(const TRect& R, TColor From, TColor To, TColor Frame) {
    if (From == clNone || R.IsEmpty()) return;
    TCanvas* C = Canvas();
    if (To == clNone) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(From);
        C->Pen()->SetColor(Frame != clNone ? Frame : From);
        C->Rectangle(R);
    } else {
        DrawButtonGradient(C, From, To, false, R, 16, Frame);
    }
}

void TExtGridButton::Paint() {
    TCanvas* C = Canvas();
    if (!Enabled()) {
        FState = bsDisabled;
        FDragging = false;
    } else if (FState == bsDisabled) {
        FState = FDown && FGroupIndex != 0 ? bsExclusive : bsUp;
    }
    if (FStyle == tasCheck && FDown) FState = bsDown;

    C->Font()->Assign(Font());
    TRect R = ClientRect();
    const bool Design = Designing();
    const bool Hot = FMouseInControl && Enabled() && !Design;
    const bool Pressed = FState == bsDown;
    const bool DownState = FState == bsExclusive;

    if (FFlat) {
        if (FBorderDownColor == clNone || FRounded) InflateRect(R, -1, -1);
        if (!Hot) {
            if (FStyle == tasCheck && FDown) {
                FillFace(R, FColorChecked, FColorCheckedTo, FBorderDownColor);
            } else {
                const TColor Frame = FRounded ? clNone : (FDown ? FBorderDownColor : FBorderColor);
                FillFace(R, FColor, FColorTo, Frame);
                if (FBorderColor != clNone) {
                    if (FRounded) {
                        TRect RR = R;
                        InflateRect(RR, 1, 1);
                        RoundFrame(C, RR, FBorderColor);
                    } else {
                        FrameIn(C, R, FBorderColor);
                    }
                }
            }
        } else {
            TColor From = FColorHot, To = FColorHotTo, Frame = FBorderHotColor;
            if (Pressed) {
                From = FColorDown, To = FColorDownTo, Frame = FBorderDownColor;
            } else if (FStyle == tasCheck && FDown) {
                From = FColorChecked, To = FColorCheckedTo, Frame = FBorderDownColor;
            }
            if (FRounded) {
                FillFace(R, From, To, clNone);
                RoundFrame(C, R, Pressed ? FBorderDownColor : FBorderHotColor);
            } else {
                FillFace(R, From, To, Frame);
            }
            if (FDropDownButton && Frame != clNone) {
                C->Pen()->SetColor(Frame);
                C->MoveTo(R.Right - 12, R.Top);
                C->LineTo(R.Right - 12, R.Bottom);
            }
        }
        InflateRect(R, -1, -1);
    } else {
        // No visual styles here: the classic push-button face.
        DrawFrameControl(C, R, DFC_BUTTON, DFCS_BUTTONPUSH | (Pressed || DownState ? DFCS_PUSHED : 0));
        InflateRect(R, -2, -2);
    }

    Integer Ofs = 0;
    if ((Pressed || DownState) && !FFlat && !Design) Ofs = 1;
    if (DownState && (!Hot || !FFlat)) FillFace(R, FColorChecked, FColorCheckedTo, clNone);
    if (Hot && FShaded && !Pressed && FFlat) Ofs = -1;

    if (FDropDownButton) {
        const Integer Mid = (R.Top + R.Bottom) / 2;
        C->Pen()->SetColor(Font()->Color());
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Font()->Color());
        C->Polygon({{R.Right - 8, Mid - 1}, {R.Right - 4, Mid - 1}, {R.Right - 6, Mid + 1}});
        R.Right -= 12;
    }

    // Glyph for the state.
    TBitmap* G = FGlyph.get();
    if (!Enabled()) {
        if (!FGlyphDisabled->Empty()) G = FGlyphDisabled.get();
    } else if (Pressed || DownState) {
        if (!FGlyphDown->Empty()) G = FGlyphDown.get();
    } else if (Hot && !FGlyphHot->Empty()) {
        G = FGlyphHot.get();
    }
    const Integer GW = G->Empty() ? 0 : G->Width(), GH = G->Empty() ? 0 : G->Height();
    const AnsiString Cap = FShowCaption ? Caption() : AnsiString();
    Integer TW = 0, TH = 0;
    if (!Cap.empty()) {
        TRect M = Rect(0, 0, 0, 0);
        C->DrawText(Cap, M, DT_CALCRECT | DT_SINGLELINE);
        TW = M.Width();
        TH = M.Height();
    }

    // Glyph and caption side by side (or stacked), centred or Margin from the glyph's edge.
    const Integer Space = GW > 0 && TW > 0 ? FSpacing : 0;
    TPoint GP;
    TRect TR = R;
    if (FLayout == blGlyphLeft || FLayout == blGlyphRight) {
        PlaceGlyphAndText(R.Left, R.Right, GW, Space, TW, FLayout == blGlyphLeft, FMargin, GP.X, TR.Left);
        TR.Right = TR.Left + TW;
        GP.Y = R.Top + (R.Height() - GH) / 2;
    } else {
        PlaceGlyphAndText(R.Top, R.Bottom, GH, Space, TH, FLayout == blGlyphTop, FMargin, GP.Y, TR.Top);
        TR.Bottom = TR.Top + TH;
        GP.X = R.Left + (R.Width() - GW) / 2;
    }
    GP.X += Ofs;
    GP.Y += Ofs;
    OffsetRect(TR, Ofs, Ofs);

    if (GW > 0) {
        if (FShaded && Hot && !Pressed && !FShadow->Empty()) C->Draw(GP.X + 2, GP.Y + 2, FShadow.get());
        TBitmap T;
        T.Assign(G);
        T.SetTransparent(true);
        C->Draw(GP.X, GP.Y, &T);
    }
    if (!Cap.empty()) {
        C->Brush()->SetStyle(bsClear);
        const Cardinal Flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        if (!Enabled()) {
            TRect Lit = TR;
            OffsetRect(Lit, 1, 1);
            C->Font()->SetColor(clBtnHighlight);
            C->DrawText(Cap, Lit, Flags);
            C->Font()->SetColor(clBtnShadow);
        }
        C->DrawText(Cap, TR, Flags);
        C->Brush()->SetStyle(bsSolid);
    }
}
