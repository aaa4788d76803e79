#pragma once
// Edit with a push button inside its right edge: the button or F4 fires
// OnClickBtn. The unit edit adds a unit text left of the button and a menu of
// units on the button.
#include "platform/ui/Menus.h"
#include "platform/ui/SpeedButton.h"
#include "platform/ui/StdCtrls.h"

#include <memory>

// A speed button that can also draw itself flat with an edge.
class TExtSpeedButton : public TSpeedButton {
public:
    explicit TExtSpeedButton(TComponent* AOwner);
    bool IsWinXP() const { return FIsWinXP; }
    void SetIsWinXP(bool Value);
    bool FlatLook() const { return FFlatLook; }
    void SetFlatLook(bool Value);
    bool Hot() const { return FHot; }

protected:
    void Paint() override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    bool FIsWinXP = false;
    bool FFlatLook = false;
    bool FHot = false;
};

// The button part: a window holding one speed button that fills it.
class TEsgEditButton : public TCustomControl {
public:
    explicit TEsgEditButton(TComponent* AOwner);
    ~TEsgEditButton() override;

    TExtSpeedButton* Button() const { return FButton; }
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TBitmap* Glyph() const { return FButton->Glyph(); }
    void SetGlyph(TBitmap* Value) { FButton->SetGlyph(Value); }
    AnsiString ButtonCaption() const { return FButton->Caption(); }
    void SetButtonCaption(const AnsiString& Value) { FButton->SetCaption(Value); }
    Integer NumGlyphs() const { return FButton->NumGlyphs(); }
    void SetNumGlyphs(Integer Value) { FButton->SetNumGlyphs(Value); }

    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

    TNotifyEvent OnClick;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ButtonMouseUp(TMouseButton Button, Integer X, Integer Y);
    TExtSpeedButton* FButton = nullptr;
    TWinControl* FFocusControl = nullptr;
    bool FFlat = false;
};

class TEsgEditBtn : public TCustomEdit {
public:
    explicit TEsgEditBtn(TComponent* AOwner);
    ~TEsgEditBtn() override;

    Integer UnitSpace() const { return FUnitSpace; }
    void SetUnitSpace(Integer Value);
    bool RightAlign() const { return FRightAlign; }
    void SetRightAlign(bool Value);
    TEsgEditButton* Button() const { return FButton; }
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool Value);
    Integer ButtonWidth() const { return FButton->Width(); }
    void SetButtonWidth(Integer Value);
    bool IsWinXP() const { return FButton->Button()->IsWinXP(); }
    void SetIsWinXP(bool Value) { FButton->Button()->SetIsWinXP(Value); }
    TBitmap* Glyph() const { return FButton->Glyph(); }
    void SetGlyph(TBitmap* Value) { FButton->SetGlyph(Value); }
    AnsiString ButtonCaption() const { return FButton->ButtonCaption(); }
    void SetButtonCaption(const AnsiString& Value) { FButton->SetButtonCaption(Value); }

    // Where the text is laid out (client coordinates, inside the border).
    TRect EditRect() const { return FEditRect; }

    // Fires OnClickBtn with Sender.
    virtual void ClickBtn(TObject* Sender);

    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;

    TNotifyEvent OnClickBtn;

protected:
    void SetEditRect();
    // The client rectangle: the window less its 3-D border.
    Integer ClientW() const;
    Integer ClientH() const;
    Integer FUnitSpace = 0;

private:
    TEsgEditButton* FButton = nullptr;
    bool FRightAlign = false;
    bool FEditorEnabled = true;
    bool FSizing = false;
    TRect FEditRect;
};

class TEsgUnitEditBtn : public TEsgEditBtn {
public:
    explicit TEsgUnitEditBtn(TComponent* AOwner);
    ~TEsgUnitEditBtn() override;

    const AnsiString& UnitID() const { return FUnitID; }
    void SetUnitID(const AnsiString& Value);
    TStrings* Units() const { return FUnits.get(); }
    void SetUnits(TStrings* Value);

    // Opens the menu of units under the button.
    void ClickBtn(TObject* Sender) override;
    // A menu command: 1 to the number of units chooses that unit; others are ignored.
    void UnitCommand(Integer Id);
    // The menu of the last ClickBtn (nullptr before the first).
    TPopupMenu* UnitMenu() const { return FMenu; }
    // The rectangle the unit text is drawn in.
    TRect UnitRect() const;

private:
    void PaintUnit(TCanvas* Canvas);
    AnsiString FUnitID;
    std::unique_ptr<TStringList> FUnits;
    TPopupMenu* FMenu = nullptr;
};
