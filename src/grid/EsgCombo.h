#pragma once
// Combo box that draws its own flat frame and drop-down button: a thin frame
// that turns 3-D while the mouse is over it or it has the focus (with
// FocusBorder), and a raised or etched button edge.
#include "platform/ui/StdCtrls.h"

class TESGCustomCombo : public TComboBox {
public:
    explicit TESGCustomCombo(TComponent* AOwner);
    ~TESGCustomCombo() override;

    bool AutoFocus() const { return FAutoFocus; }
    void SetAutoFocus(bool Value) { FAutoFocus = Value; }
    // Own painting on; off leaves the standard look.
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool Etched() const { return FEtched; }
    void SetEtched(bool Value);
    // Only 14 to 32 is taken.
    Integer ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(Integer Value);
    bool FocusBorder() const { return FFocusBorder; }
    void SetFocusBorder(bool Value);
    Integer DropWidth() const { return FDropWidth; }
    void SetDropWidth(Integer Value);
    bool IsWinXP() const { return FIsWinXP; }
    void SetIsWinXP(bool Value);
    bool MouseInControl() const { return FMouseIn; }

    // "major.minor.release.build" of the control; writing does nothing.
    AnsiString Version() const;
    void SetVersion(const AnsiString&) {}

    void SetEnabled(bool Value) override;
    void DoEnter() override;
    void DoExit() override;

protected:
    virtual Cardinal GetVersionNr() const;
    virtual void MouseEnter();
    virtual void MouseLeave();
    // Whether the frame is drawn 3-D now.
    bool Is3DBorder() const;
    // The frame and button, drawn over the box after its own painting.
    virtual void DrawButton(TCanvas* Canvas);
    virtual void DrawBorders(TCanvas* Canvas);
    // The frame alone, flat or 3-D.
    void DrawFrame(TCanvas* Canvas);

private:
    void PaintFlat(TCanvas* Canvas);
    bool FAutoFocus = false;
    bool FFlat = true;
    bool FEtched = false;
    TColor FOldColor;
    bool FOldParentColor;
    Integer FButtonWidth;
    bool FFocusBorder = false;
    bool FMouseIn = false;
    Integer FDropWidth = 0;
    bool FIsWinXP = false;
};

class TESGComboBox : public TESGCustomCombo {
public:
    explicit TESGComboBox(TComponent* AOwner) : TESGCustomCombo(AOwner) {}
};
