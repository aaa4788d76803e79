#pragma once
// Status bar, date picker and progress bar.
#include "platform/ui/Controls.h"

class TStatusBar;

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
public:
    explicit TStatusPanel(TCollection* Collection);
    const AnsiString& Text() const { return FText; }
    void SetText(const AnsiString& Value);
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // Right-to-left panels mirror their alignment and read from the right.
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);

private:
    AnsiString FText;
    Integer FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TStatusPanelBevel FBevel = pbLowered;
};

class TStatusPanels : public TCollection {
public:
    explicit TStatusPanels(TStatusBar* Owner);
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TStatusPanel* Items(Integer Index) const { return static_cast<TStatusPanel*>(TCollection::Items(Index)); }

protected:
    void Update(TCollectionItem* Item) override;

private:
    TStatusBar* FOwner;
};

// Lies along the bottom of its parent by default. The last panel takes the rest of the width.
class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;
    TStatusPanels* Panels() const { return FPanels.get(); }
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value) { FSimplePanel = Value; Invalidate(); }
    const AnsiString& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const AnsiString& Value) { FSimpleText = Value; Invalidate(); }
    // The rectangle of a panel in client coordinates.
    TRect PanelRect(Integer Index) const;

protected:
    void Paint() override;

private:
    std::unique_ptr<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    AnsiString FSimpleText;
};

// ---------------------------------------------------------------------------
enum TDateTimeKind { dtkDate, dtkTime };
// How the picker offers its dates: a drop-down calendar, or up and down buttons that step a part.
enum TDTDateMode { dmComboBox, dmUpDown };

// Shows dd.mm.yyyy. A digit typed into a part (the one clicked; the day after
// Tab) starts that part afresh, and the part is left for the next once no digit
// can follow; a part the digits cannot fill yet shows blank. No impossible date
// is shown. The date counts once it is whole: when the last digit is typed, on
// Enter, Tab or leaving; Escape, or leaving with a date not whole, puts back
// what the picker held, empty included. Up and Down step the part; Alt+Down or
// F4 opens the calendar. OnChange fires for the user's changes only.
class TDateTimePicker : public TWinControl {
public:
    explicit TDateTimePicker(TComponent* AOwner);
    ~TDateTimePicker() override;
    TDateTime Date() const;          // whole days
    void SetDate(TDateTime Value);   // keeps the time part
    TDateTime DateTime() const;
    void SetDateTime(TDateTime Value);
    TDateTime Time() const;
    void SetTime(TDateTime Value);
    TDateTimeKind Kind() const { return FKind; }
    void SetKind(TDateTimeKind Value);
    TDTDateMode DateMode() const { return FDateMode; }
    void SetDateMode(TDTDateMode Value);
    // No date: the editor shows nothing until a date is set, typed, stepped or
    // picked (typing starts from the last date it held).
    bool Empty() const { return FEmpty; }
    void Clear();
    // Delete or Backspace over the whole date empties it (off by default).
    void SetAllowEmpty(bool Value) { FAllowEmpty = Value; }
    // Digits typed but not yet counted are taken, as leaving would take them.
    // False, with a message naming what was typed, when they are no whole date,
    // also when the button or control now pressed took the focus from such digits
    // (they gave way as the picker was left): the picker holds what it held
    // before and has the focus, and whoever reads the date for a save stops.
    bool TakeTyped();
    TNotifyEvent OnChange;

    bool QtEvent(QEvent* Event) override;

protected:
    AnsiString GetText() const override;
    void ApplyColor() override;

private:
    friend class TDatePickerEdit;
    void Apply();
    bool Commit();
    bool SetValueByUser(TDateTime Value);   // false when OnChange freed the picker
    bool TypeKey(const class QKeyEvent* Key);
    void TypeDigit(Integer Part, Integer Digit);
    void StepPart(Integer Delta);
    void DropDown();
    void SelectPart(Integer Part);
    Integer CurrentPart() const;
    class QLineEdit* FEdit = nullptr;
    class QCalendarWidget* FCalendar = nullptr;
    TDateTime FValue = 0;
    TDateTimeKind FKind = dtkDate;
    TDTDateMode FDateMode = dmComboBox;
    class QAction* FDrop = nullptr;
    class QAction* FUp = nullptr;
    class QAction* FDown = nullptr;
    bool FTyped = false;   // the text holds digits not yet taken
    bool FEmpty = false;
    bool FAllowEmpty = false;
    AnsiString FPartDigits;   // typed into the current part since it was entered
    // Digits not whole when the picker was left, and the widget that took the focus.
    AnsiString FGaveWay;
    const void* FGaveWayTo = nullptr;
    void Fill();             // an empty picker shows its date before it is stepped
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    ~TProgressBar() override;
    Integer Min() const { return FMin; }
    void SetMin(Integer Value);
    Integer Max() const { return FMax; }
    void SetMax(Integer Value);
    Integer Position() const { return FPosition; }
    void SetPosition(Integer Value);   // kept within Min..Max
    Integer Step() const { return FStep; }
    void SetStep(Integer Value) { FStep = Value; }
    void StepIt();
    void StepBy(Integer Delta);

private:
    void Apply();
    class QProgressBar* FBar = nullptr;
    Integer FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
};
