#pragma once
// Small helpers the grid creates or keeps: the arrow indicators of row and
// column moves, the caption button dragged along with a move, integer lists
// (the sort order among them), a list that owns its cell controls, a picture
// known by its file name, and a gradient push or check button.
#include "grid/ExtGridTheme.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/SpeedButton.h"

#include <functional>
#include <memory>
#include <vector>

class TPopupMenu;

// ---------------------------------------------------------------------------
// An arrow-shaped indicator. Direction: 0 up, 1 down, 2 right, 3 left.
// There are no window regions here: the control is a child window with a
// see-through background that paints only its arrow outline, filled.
class TArrowWindow : public TPanel {
public:
    TArrowWindow(TComponent* AOwner, Integer Direction);
    Integer Direction() const { return FDirection; }
    // The seven points of the outline, in client coordinates.
    const std::vector<TPoint>& Arrow() const { return FArrow; }

protected:
    void Paint() override;

private:
    Integer FDirection;
    std::vector<TPoint> FArrow;
};

// ---------------------------------------------------------------------------
// The caption shown under the mouse while a row or column is dragged: a
// disabled, bordered control kept above its siblings. A caption holding "</"
// is mini-HTML.
class TPopupButton : public TCustomControl {
public:
    explicit TPopupButton(TComponent* AOwner);

    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TColor GradTo() const { return FGradTo; }
    void SetGradTo(TColor Value);
    TColor GradFrom() const { return FGradFrom; }
    void SetGradFrom(TColor Value);
    void SetVisible(bool Value) override;

protected:
    void Paint() override;
    void SetTextCore(const AnsiString& Value) override;

private:
    bool FFlat = false;
    TColor FGradTo = clNone;
    TColor FGradFrom = clNone;
};

// ---------------------------------------------------------------------------
// A list of 32-bit integers. SetItems (the item writer), Add and Delete report
// each change through OnChange with the two values given to the constructor;
// Insert, Clear and the other inherited operations do not.
using TIntListChangeEvent = std::function<void(TObject* Sender, Integer Param1, Integer Param2)>;

class TIntList : public TList {
public:
    TIntList(Integer Param1, Integer Param2);
    ~TIntList() override;

    Integer Items(Integer Index) const;   // EListError out of range
    void SetItems(Integer Index, Integer Value);
    Integer Add(Integer Value);
    void Insert(Integer Index, Integer Value);
    void Delete(Integer Index);
    Integer Param1() const { return FParam1; }
    Integer Param2() const { return FParam2; }

    // The entries in decimal joined by ",". Setting it reads every value first
    // (EConvertError on one that is not an integer, the list left as it was),
    // then clears the list and adds them.
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& Value);

    TIntListChangeEvent OnChange;

private:
    void Changed();
    Integer FParam1;
    Integer FParam2;
};

// Sort order: each entry a column index, bit 31 set when that column sorts descending.
class TSortIndexList : public TIntList {
public:
    using TIntList::TIntList;
    TSortIndexList() : TIntList(0, 0) {}

    void AddIndex(Integer Column, bool Ascending);
    // Position of the first entry for Column (either direction); -1 when none.
    Integer IndexOfSortColumn(Integer Column) const;
    // Flips the direction of the first entry for Column (fires OnChange); nothing when none.
    void ToggleSortIndex(Integer Column);
    static constexpr Integer DescendingBit = Integer(0x80000000u);
};

// ---------------------------------------------------------------------------
// A list that owns its controls: deleting an entry frees its control, and the
// list frees all it still holds when it goes. A control destroyed elsewhere (by
// its owner) leaves the list by itself, so it is never freed twice.
class TControlList : public TList {
public:
    TControlList();
    ~TControlList() override;

    Integer Add(TControl* Control);
    TControl* Items(Integer Index) const;   // EListError out of range

protected:
    void Notify(void* Ptr, TListNotification Action) override;

private:
    class TWatcher;
    std::unique_ptr<TWatcher> FWatcher;
};

// ---------------------------------------------------------------------------
// A picture kept as a file name; its size is read when the name is set and the
// file is read again for each drawing.
class TFilePicture : public TPersistent {
public:
    TFilePicture();
    ~TFilePicture() override;

    const AnsiString& Filename() const { return FFilename; }
    // Reads the picture once for its size. An empty name clears the picture; a
    // file that cannot be read raises (EFOpenError, EInvalidGraphic) and keeps
    // the picture as it was.
    void SetFilename(const AnsiString& Value);
    Integer Width() const { return FWidth; }
    Integer Height() const { return FHeight; }
    // Stretches the picture into Rect; a file gone or unreadable draws nothing.
    void Draw(TCanvas* Canvas, const TRect& Rect);
    void Assign(TPersistent* Source) override;

private:
    AnsiString FFilename;
    Integer FWidth = 0;
    Integer FHeight = 0;
};

// Splits R into Steps bands (at least 1) along the direction; band i takes
// From + i * (To - From) / Steps per red, green and blue (rounded) and is drawn
// one pixel wider than its share. Then a frame in FrameColor unless clNone.
void DrawButtonGradient(TCanvas* Canvas, TColor FromColor, TColor ToColor, bool Horizontal, const TRect& R,
                        Integer Steps, TColor FrameColor);

// ---------------------------------------------------------------------------
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TExtButtonStyle { tasButton, tasCheck };

class TExtGridButton;

// Shows an action on the button: its caption, checked state (as Down) and group.
class TExtGridButtonActionLink : public TActionLink {
public:
    explicit TExtGridButtonActionLink(TExtGridButton* AClient) : FClient(AClient) {}
    // Only a group button with AllowAllUp that still shows the action's state follows it.
    bool IsCheckedLinked() const override;
    void SetCaption(const AnsiString& Value) override;
    void SetChecked(bool Value) override;
    void SetGroupIndex(Integer Value) override;

private:
    TExtGridButton* FClient;
};

// A push or check button drawn with a gradient per state (normal, hot,
// pressed, checked), state glyphs, an optional drop-down section on its right
// 12 pixels and colour presets. The speed button underneath gives it its
// window and mouse tracking; its face is drawn here entirely.
class TExtGridButton : public TSpeedButton {
public:
    explicit TExtGridButton(TComponent* AOwner);
    ~TExtGridButton() override;

    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    TBitmap* GlyphHot() const { return FGlyphHot.get(); }
    void SetGlyphHot(TBitmap* Value);
    TBitmap* GlyphDown() const { return FGlyphDown.get(); }
    void SetGlyphDown(TBitmap* Value);
    TBitmap* GlyphDisabled() const { return FGlyphDisabled.get(); }
    void SetGlyphDisabled(TBitmap* Value);
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    Integer Spacing() const { return FSpacing; }
    void SetSpacing(Integer Value);
    Integer Margin() const { return FMargin; }
    void SetMargin(Integer Value);   // below -1: ignored
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor Value);
    TColor ColorHot() const { return FColorHot; }
    void SetColorHot(TColor Value);
    TColor ColorHotTo() const { return FColorHotTo; }
    void SetColorHotTo(TColor Value);
    TColor ColorDown() const { return FColorDown; }
    void SetColorDown(TColor Value);
    TColor ColorDownTo() const { return FColorDownTo; }
    void SetColorDownTo(TColor Value);
    TColor ColorChecked() const { return FColorChecked; }
    void SetColorChecked(TColor Value);
    TColor ColorCheckedTo() const { return FColorCheckedTo; }
    void SetColorCheckedTo(TColor Value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor Value);
    TColor BorderDownColor() const { return FBorderDownColor; }
    void SetBorderDownColor(TColor Value);
    TColor BorderHotColor() const { return FBorderHotColor; }
    void SetBorderHotColor(TColor Value);
    bool Shaded() const { return FShaded; }
    void SetShaded(bool Value);
    TExtButtonStyle Style() const { return FStyle; }
    void SetStyle(TExtButtonStyle Value);
    bool Rounded() const { return FRounded; }
    void SetRounded(bool Value);
    bool DropDownButton() const { return FDropDownButton; }
    void SetDropDownButton(bool Value);
    bool AutoThemeAdapt() const { return FAutoThemeAdapt; }
    void SetAutoThemeAdapt(bool Value) { FAutoThemeAdapt = Value; }
    bool AutoXPStyle() const { return FAutoXPStyle; }
    void SetAutoXPStyle(bool Value);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* Value);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);

    // Sets the ten preset colours (0 to 6; others ignored); BorderColor becomes clNone.
    void SetColorPreset(Integer Preset);
    // The preset of the current colour scheme: 2 "NormalColor", 3 "HomeStead",
    // 4 "Metallic", 1 otherwise (also without visual styles).
    void ThemeAdapt();
    // The desktop's theme or settings changed: adapts when AutoThemeAdapt.
    void ThemeChanged();
    // Another button of the parent went down or changed its group settings.
    void ButtonPressed(Integer Group, TExtGridButton* Sender);
    // Accelerator key: true (handled) and a click when Key is the caption's
    // "&" letter and the button is enabled, visible and its parent shows.
    bool DialogChar(char Key);

    // State() is the drawing state: bsUp, bsDisabled, bsDown (pressed), bsExclusive
    // (down); Dragging() tells that the mouse is held, MouseInControl() that it is hot.
    // The grey outline drawn under the glyph of a hot, shaded button.
    TBitmap* ShadowBitmap() const { return FShadow.get(); }

    void SetEnabled(bool Value) override;
    // The action the button shows (nil: none).
    TAction* Action() const { return FActionLink.Action(); }
    void SetAction(TAction* Value);

    std::function<void(TObject* Sender)> OnMouseEnter;
    std::function<void(TObject* Sender)> OnMouseLeave;
    std::function<void(TObject* Sender)> OnDropDown;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void DblClick() override;
    void SetTextCore(const AnsiString& Value) override;
    void ApplyFont() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TExtGridButtonActionLink FActionLink{this};
    void Changed();
    void GlyphChanged();
    void BuildShadow();
    void UpdateExclusive();
    void UpdateTracking(Integer X, Integer Y);
    bool Inside(Integer X, Integer Y) const;
    bool Designing() const;
    void FillFace(const TRect& R, TColor From, TColor To, TColor Frame);

    Integer FGroupIndex = 0;
    std::unique_ptr<TBitmap> FGlyph, FGlyphHot, FGlyphDown, FGlyphDisabled, FShadow;
    bool FGreyMade = false;   // GlyphDisabled is our own grey copy of Glyph
    bool FMakingGrey = false;
    bool FDown = false;
    bool FAllowAllUp = false;
    TButtonLayout FLayout = blGlyphLeft;
    Integer FSpacing = 4;
    Integer FMargin = -1;
    bool FFlat = true;
    TColor FColor = clBtnFace, FColorTo = clNone;
    TColor FColorHot = 0xCAC7C7, FColorHotTo = clNone;
    TColor FColorDown = 0xD8D3D2, FColorDownTo = clNone;
    TColor FColorChecked = 0x808080, FColorCheckedTo = clNone;
    TColor FBorderColor = clNone, FBorderDownColor = clNone, FBorderHotColor = clNone;
    bool FShaded = true;
    TExtButtonStyle FStyle = tasButton;
    bool FRounded = false;
    bool FDropDownButton = false;
    bool FAutoThemeAdapt = false;
    bool FAutoXPStyle = false;
    TPopupMenu* FDropDownMenu = nullptr;
    bool FShowCaption = true;
};
