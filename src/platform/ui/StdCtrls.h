#pragma once
// Standard controls: edits, memos, combo boxes, buttons, labels, check and radio
// boxes, group boxes.
#include "platform/ui/Controls.h"
#include "platform/ui/Mask.h"

#include <memory>

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A one-line edit (TEdit) or, for memos, a multi-line one. Lengths and positions
// count code page 1254 characters; SelStart is 0-based.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    ~TCustomEdit() override;

    // 0: no limit. Typing and pasting stop at the limit; text set by the program is kept whole.
    Integer MaxLength() const { return FMaxLength; }
    virtual void SetMaxLength(Integer Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    Integer SelStart() const;
    void SetSelStart(Integer Value);   // clears the selection
    Integer SelLength() const;
    void SetSelLength(Integer Value);
    AnsiString SelText() const;
    void SetSelText(const AnsiString& Value);
    void SelectAll();
    void Clear() { SetText(AnsiString()); }
    // Multi-line edits: lines as shown, wrapped lines counted apart; a one-line
    // edit has line 0 only. LineFromChar takes a character index (SelStart's).
    bool MultiLine() const { return FPlain != nullptr; }
    Integer LineFromChar(Integer Index) const;
    Integer LineCount() const;
    // The character index nearest to a point in the control's client area.
    Integer CharFromPos(TPoint P) const;
    Integer GetTextLen() const { return static_cast<Integer>(GetText().size()); }

    // Edit mask (Mask.h) of a one-line edit; empty for a free text. A masked edit
    // shows the picture (EditText) and its Text is the stored form; typing,
    // Backspace, Delete, cutting and pasting keep to the picture, and a character
    // that does not fit is refused with a beep. Setting a mask keeps the text.
    const AnsiString& EditMask() const { return FEditMask; }
    void SetEditMask(const AnsiString& Value);
    bool IsMasked() const { return FLine && !FMask.Empty(); }
    const TEditMask& Mask() const { return FMask; }
    AnsiString EditText() const;
    void SetEditText(const AnsiString& Value);
    // The user changed the masked text, something is typed into it, and a required
    // place is still blank.
    bool MaskIncomplete() const;
    // An incomplete mask raises EDBEditError with the caret on the first blank
    // required place.
    void ValidateEdit();
    // Types Value at the caret through the mask, over the selection; false, with
    // nothing changed, when one of its characters does not fit.
    bool PasteMasked(const AnsiString& Value);

    TNotifyEvent OnChange;

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DoEnter() override;

protected:
    // Multi-line when true (memos).
    TCustomEdit(TComponent* AOwner, bool MultiLine);
    virtual void Change();
    // Whether a typed printable character may go in at all.
    virtual bool CanTypeChar(char Key) { return true; }
    AnsiString GetText() const override;
    void SetTextCore(const AnsiString& Value) override;
    void ApplyColor() override;
    class QLineEdit* FLine = nullptr;
    class QPlainTextEdit* FPlain = nullptr;

private:
    void Build(bool MultiLine);
    void WidgetTextChanged();
    // Shows a masked edit text with the caret (and a selection) as given.
    void SetMaskedText(const AnsiString& Value, Integer Caret, Integer SelLength = 0);
    AnsiString FEditMask;
    TEditMask FMask;
    // Until the user changes a masked text, Text gives back what the program set,
    // also where the picture could not show all of it.
    AnsiString FMaskSource;
    bool FMaskTyped = false;
    Integer FMaxLength = 0;
    TEditCharCase FCharCase = ecNormal;
    bool FReadOnly = false;
    char FPasswordChar = 0;
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSelect = true;
    bool FModified = false;
    bool FSetting = false;
    Integer FLastLength = 0;   // multi-line: text length after the last change
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// Lines: every line of the text (no trailing empty line for a final line break).
class TCustomMemo : public TCustomEdit {
public:
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value) { FLines->Assign(Value); }
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WantsReturn() const override { return FWantReturns; }

private:
    std::unique_ptr<TStrings> FLines;
    bool FWantReturns = true;
    bool FWantTabs = false;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
};

class TMemo : public TCustomMemo {
public:
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

// ---------------------------------------------------------------------------
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Picking an item fires OnClick, then OnSelect (or OnChange when OnSelect is not
// set); typing fires OnChange. The program's own changes fire nothing.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    // -1 when no item is chosen or the typed text differs from the chosen item.
    Integer ItemIndex() const;
    void SetItemIndex(Integer Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    Integer MaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer Value);
    Integer DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(Integer Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value) { FCharCase = Value; }
    bool DroppedDown() const;
    void SetDroppedDown(bool Value);
    void Clear();
    // The character index of the text part nearest to a point of the control; 0 without one.
    Integer CharFromPos(TPoint P) const;
    Integer SelStart() const;
    void SetSelStart(Integer Value);
    Integer SelLength() const;
    void SetSelLength(Integer Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    void KeyPress(char& Key) override;
    bool QtEvent(QEvent* Event) override;

protected:
    virtual void Change();
    virtual void Select();
    AnsiString GetText() const override;
    void SetTextCore(const AnsiString& Value) override;
    void ApplyColor() override;

private:
    friend class TComboItems;
    void MakeEditable();
    void ConnectEditor();
    class QComboBox* FCombo = nullptr;
    bool FCompleting = false;   // the typing completion is made
    std::unique_ptr<TStrings> FItems;
    TComboBoxStyle FStyle = csDropDown;
    bool FSorted = false;
    Integer FMaxLength = 0;
    Integer FDropDownCount = 8;
    TEditCharCase FCharCase = ecNormal;
};

// ---------------------------------------------------------------------------
// "&" in a caption marks the accelerator (Alt+letter clicks the button).
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    ~TButton() override;
    // Fires OnClick; a ModalResult other than mrNone is then given to the form.
    void Click() override;
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    bool WantsReturn() const override { return true; }
    void KeyPress(char& Key) override;

protected:
    void SetTextCore(const AnsiString& Value) override;
    void ApplyColor() override;
    class QPushButton* FButton = nullptr;

private:
    TModalResult FModalResult = mrNone;
    bool FDefault = false;
    bool FCancel = false;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    ~TLabel() override;
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);

protected:
    void SetTextCore(const AnsiString& Value) override;
    void ApplyFont() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void Refresh();
    class QLabel* FLabel = nullptr;
    bool FAutoSize = true;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// OnClick fires whenever the state changes, by the user or by the program.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    ~TCheckBox() override;
    bool Checked() const;
    void SetChecked(bool Value);
    TCheckBoxState State() const;
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value);

protected:
    void SetTextCore(const AnsiString& Value) override;

private:
    class QCheckBox* FCheck = nullptr;
    bool FAllowGrayed = false;
};

// Radio buttons with the same parent form one group. OnClick fires when one becomes checked.
class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    ~TRadioButton() override;
    bool Checked() const;
    void SetChecked(bool Value);

protected:
    void SetTextCore(const AnsiString& Value) override;

private:
    class QRadioButton* FRadio = nullptr;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    ~TGroupBox() override;
    TRect ClientRect() const override;

protected:
    void SetTextCore(const AnsiString& Value) override;

private:
    class QGroupBox* FGroup = nullptr;
};
