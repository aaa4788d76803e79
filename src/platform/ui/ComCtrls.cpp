#include "platform/ui/ComCtrls.h"

#include "platform/ui/Controls_p.h"
#include "platform/ui/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

TStatusPanel::TStatusPanel(TCollection* Collection) : TCollectionItem(Collection) {}
void TStatusPanel::SetText(const AnsiString& Value) { FText = Value; Changed(false); }
void TStatusPanel::SetWidth(Integer Value) { FWidth = Value; Changed(true); }
void TStatusPanel::SetAlignment(TAlignment Value) { FAlignment = Value; Changed(false); }
void TStatusPanel::SetBiDiMode(TBiDiMode Value) { FBiDiMode = Value; Changed(false); }
void TStatusPanel::SetBevel(TStatusPanelBevel Value) { FBevel = Value; Changed(false); }

TStatusPanels::TStatusPanels(TStatusBar* Owner)
    : TCollection([](TCollection* C) -> TCollectionItem* { return new TStatusPanel(C); }), FOwner(Owner) {}

void TStatusPanels::Update(TCollectionItem*) { FOwner->Invalidate(); }

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner), FPanels(std::make_unique<TStatusPanels>(this)) {
    FTabStop = false;
    FWidget->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 185, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

TRect TStatusBar::PanelRect(Integer Index) const {
    Integer X = 0;
    for (Integer I = 0; I < FPanels->Count(); ++I) {
        Integer W = FPanels->Items(I)->Width();
        bool Last = I == FPanels->Count() - 1;
        TRect R = Rect(X, 0, Last ? std::max(X + W, Width()) : X + W, Height());
        if (I == Index) return R;
        X += W;
    }
    return Rect(0, 0, 0, 0);
}

void TStatusBar::Paint() {
    TCanvas* C = Canvas();
    C->Brush()->SetColor(Color());
    C->FillRect(ClientRect());
    auto Frame = [&](TRect R) {
        C->Pen()->SetColor(clBtnShadow);
        C->MoveTo(R.Left, R.Bottom - 1);
        C->LineTo(R.Left, R.Top);
        C->LineTo(R.Right - 1, R.Top);
        C->Pen()->SetColor(clBtnHighlight);
        C->LineTo(R.Right - 1, R.Bottom - 1);
        C->LineTo(R.Left, R.Bottom - 1);
    };
    C->Brush()->SetStyle(bsClear);
    if (FSimplePanel) {
        TRect R = ClientRect();
        InflateRect(R, -2, 0);
        C->DrawText(FSimpleText, R, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        return;
    }
    for (Integer I = 0; I < FPanels->Count(); ++I) {
        TStatusPanel* P = FPanels->Items(I);
        TRect R = PanelRect(I);
        if (P->Bevel() != pbNone) Frame(R);
        InflateRect(R, -2, -1);
        TAlignment A = P->Alignment();
        bool Rtl = P->BiDiMode() != bdLeftToRight;
        if (Rtl && P->BiDiMode() != bdRightToLeftNoAlign) {
            if (A == taLeftJustify) A = taRightJustify;
            else if (A == taRightJustify) A = taLeftJustify;
        }
        Cardinal F = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                     (A == taCenter ? DT_CENTER : A == taRightJustify ? DT_RIGHT : DT_LEFT);
        if (Rtl) F |= DT_RTLREADING;
        C->DrawText(P->Text(), R, F);
    }
}

// ---------------------------------------------------------------------------
namespace {

const QDate kEpoch(1899, 12, 30);
const QDate kFirstDate(1753, 1, 1);

QDateTime ToQDateTime(TDateTime V) {
    double Days = std::floor(V);
    double Frac = std::fabs(V - Days);
    // Negative values count days back but the time forward, as the type defines.
    if (V < 0) {
        Days = std::ceil(V);
        Frac = std::fabs(V - Days);
    }
    QDate D = kEpoch.addDays(static_cast<qint64>(Days));
    int Ms = static_cast<int>(std::lround(Frac * 86400000.0));
    if (Ms >= 86400000) Ms = 86399999;
    return QDateTime(D, QTime(0, 0).addMSecs(Ms));
}

TDateTime FromQDate(const QDate& Q) { return static_cast<double>(kEpoch.daysTo(Q)); }

// Day with the time of day of Old.
TDateTime WithDay(TDateTime Old, TDateTime Day) {
    const double Frac = std::fabs(Old - std::trunc(Old));
    return std::trunc(Day) + (Day < 0 ? -Frac : Frac);
}

// Old's day with the time of day Time.
TDateTime WithTime(TDateTime Old, TDateTime Time) {
    const double Frac = std::fabs(Time - std::trunc(Time));
    return std::trunc(Old) + (Old < 0 ? -Frac : Frac);
}

// The three parts of the shown text: dd.MM.yyyy or HH:mm:ss.
struct TPart {
    int Start, Length;
};
const TPart DateParts[3] = {{0, 2}, {3, 2}, {6, 4}};
const TPart TimeParts[3] = {{0, 2}, {3, 2}, {6, 2}};

bool IsPartSeparator(int Key) {
    return Key == Qt::Key_Period || Key == Qt::Key_Comma || Key == Qt::Key_Slash || Key == Qt::Key_Minus ||
           Key == Qt::Key_Colon || Key == Qt::Key_Space;
}

// The small triangles of the drop-down and up-down buttons, each drawn once.
QIcon Arrow(bool Up) {
    QPixmap Pm(9, 9);
    Pm.fill(Qt::transparent);
    QPainter P(&Pm);
    P.setRenderHint(QPainter::Antialiasing);
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(Qt::black));
    const QPointF Down[3] = {{0.5, 2.5}, {8.5, 2.5}, {4.5, 7}};
    const QPointF Upward[3] = {{0.5, 7}, {8.5, 7}, {4.5, 2.5}};
    P.drawPolygon(Up ? Upward : Down, 3);
    return QIcon(Pm);
}
const QIcon& DropArrow() {
    static const QIcon Icon = Arrow(false);
    return Icon;
}
const QIcon& UpArrow() {
    static const QIcon Icon = Arrow(true);
    return Icon;
}

}  // namespace

// The picker's editor: a read-only line whose digits only the picker changes;
// the part being typed is shown selected.
class TDatePickerEdit : public THost<QLineEdit> {
public:
    explicit TDatePickerEdit(TDateTimePicker* Picker) : THost<QLineEdit>(Picker), FPicker(Picker) {}

protected:
    void keyPressEvent(QKeyEvent* E) override {
        if (FPicker->TypeKey(E)) return;
        if (E->matches(QKeySequence::Copy) || E->matches(QKeySequence::SelectAll)) QLineEdit::keyPressEvent(E);
        else if (E->key() == Qt::Key_Left || E->key() == Qt::Key_Right || E->key() == Qt::Key_Home ||
                 E->key() == Qt::Key_End) {
            QLineEdit::keyPressEvent(E);
            FPicker->SelectPart(PartAt(cursorPosition()));
        } else {
            E->ignore();   // Enter, Escape, Tab and the like are the form's
        }
    }
    void mousePressEvent(QMouseEvent* E) override {
        QLineEdit::mousePressEvent(E);
        // Typing goes into the part clicked.
        if (E->button() == Qt::LeftButton) FPicker->SelectPart(PartAt(cursorPositionAt(E->position().toPoint())));
    }
    void mouseMoveEvent(QMouseEvent* E) override { E->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* E) override { mousePressEvent(E); }
    void focusInEvent(QFocusEvent* E) override {
        QLineEdit::focusInEvent(E);
        if (E->reason() != Qt::MouseFocusReason && E->reason() != Qt::PopupFocusReason) FPicker->SelectPart(0);
    }

private:
    int PartAt(int Position) const {
        const TPart* Parts = FPicker->FKind == dtkDate ? DateParts : TimeParts;
        for (int I = 0; I < 3; ++I)
            if (Position <= Parts[I].Start + Parts[I].Length) return I;
        return 2;
    }
    TDateTimePicker* FPicker;
};

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
    FEdit = new TDatePickerEdit(this);
    FEdit->setReadOnly(true);
    FEdit->resize(186, 21);
    FDrop = FEdit->addAction(DropArrow(), QLineEdit::TrailingPosition);
    QObject::connect(FDrop, &QAction::triggered, [this] { GuardedCall(this, [this] { DropDown(); }); });
    // The up-down mode's buttons step the part the caret is in, as Up and Down do.
    FUp = FEdit->addAction(UpArrow(), QLineEdit::TrailingPosition);
    FDown = FEdit->addAction(DropArrow(), QLineEdit::TrailingPosition);
    QObject::connect(FUp, &QAction::triggered, [this] { GuardedCall(this, [this] { StepPart(1); }); });
    QObject::connect(FDown, &QAction::triggered, [this] { GuardedCall(this, [this] { StepPart(-1); }); });
    FUp->setVisible(false);
    FDown->setVisible(false);
    FValue = ::Now();
    SetParentColor(false);
    SetColor(clWindow);
    SetWidget(FEdit);
    Apply();
}

TDateTimePicker::~TDateTimePicker() = default;

void TDateTimePicker::Apply() {
    FTyped = false;
    FPartDigits.clear();
    const QDateTime Q = ToQDateTime(FValue);
    if (FEmpty) FEdit->clear();
    else
        FEdit->setText(FKind == dtkDate ? Q.date().toString(QStringLiteral("dd.MM.yyyy"))
                                        : Q.time().toString(QStringLiteral("HH:mm:ss")));
    if (FEdit->hasFocus() && !FEmpty) SelectPart(0);
}

void TDateTimePicker::Fill() {
    if (!FEmpty) return;
    FEmpty = false;
    Apply();
}

void TDateTimePicker::Clear() {
    FGaveWayTo = nullptr;
    FEmpty = true;
    FValue = WithDay(FValue, ::Now());   // stepped or dropped down, an empty picker starts at today
    Apply();
}

bool TDateTimePicker::TakeTyped() {
    // A click or Alt+key on a button leaves the picker before the button acts.
    const bool GaveWay = FGaveWayTo && FGaveWayTo == QApplication::focusWidget();
    const AnsiString Typed = GaveWay ? FGaveWay : FromQ(FEdit->text());
    FGaveWayTo = nullptr;
    if (!GaveWay && Commit()) return true;
    if (CanFocus() && !Focused()) SetFocus();
    ShowMessage("\"" + TrimRight(Typed) + "\" tam bir tarih değil; işlem yapılmadı. Lütfen tarihi gün.ay.yıl olarak tam giriniz.");
    return false;
}

Integer TDateTimePicker::CurrentPart() const {
    const int P = FEdit->hasSelectedText() ? FEdit->selectionStart() : FEdit->cursorPosition();
    const TPart* Parts = FKind == dtkDate ? DateParts : TimeParts;
    for (int I = 0; I < 2; ++I)
        if (P < Parts[I + 1].Start) return I;
    return 2;
}

void TDateTimePicker::SelectPart(Integer Part) {
    const Integer I = Part < 0 ? 0 : Part > 2 ? 2 : Part;
    const TPart& P = (FKind == dtkDate ? DateParts : TimeParts)[I];
    FPartDigits.clear();
    FEdit->setSelection(P.Start, P.Length);
}

bool TDateTimePicker::SetValueByUser(TDateTime Value) {
    const bool Changed = Value != FValue || FEmpty;
    FGaveWayTo = nullptr;
    FValue = Value;
    FEmpty = false;
    Apply();
    const std::shared_ptr<const bool> Alive = AliveToken();   // OnChange may free the picker
    if (Changed) GuardedCall(this, [this] { FireEvent(OnChange, this); });
    return IsAlive(Alive);
}

bool TDateTimePicker::Commit() {
    if (!FTyped) return true;
    const QString T = FEdit->text();
    const TPart* Parts = FKind == dtkDate ? DateParts : TimeParts;
    Word N[3];
    bool Whole = !T.contains(QLatin1Char(' '));
    for (int I = 0; I < 3; ++I) N[I] = static_cast<Word>(T.mid(Parts[I].Start, Parts[I].Length).toUInt());
    TDateTime V = 0;
    Whole = Whole && (FKind == dtkDate ? N[2] >= kFirstDate.year() && TryEncodeDate(N[2], N[1], N[0], V)
                                       : TryEncodeTime(N[0], N[1], N[2], 0, V));
    if (!Whole) {
        Apply();   // not a whole date: what the picker held comes back
        return false;
    }
    SetValueByUser(FKind == dtkDate ? WithDay(FValue, V) : WithTime(FValue, V));
    return true;
}

namespace {

// The values a part can take: day, month, year or hour, minute, second.
struct TPartRange {
    int Min, Max;
};
TPartRange RangeOf(TDateTimeKind Kind, int Part) {
    static const TPartRange Date[3] = {{1, 31}, {1, 12}, {1753, 9999}};
    static const TPartRange Time[3] = {{0, 23}, {0, 59}, {0, 59}};
    return (Kind == dtkDate ? Date : Time)[Part];
}

// A part's number as shown, or -1 while it is blank.
int PartValue(const QString& Text, const TPart& P) {
    const QString S = Text.mid(P.Start, P.Length);
    return S.contains(QLatin1Char(' ')) ? -1 : S.toInt();
}

void SetPart(QString& Text, const TPart& P, const QString& Value) {
    Text.replace(P.Start, P.Length, Value.leftJustified(P.Length, QLatin1Char(' ')));
}

}  // namespace

void TDateTimePicker::TypeDigit(Integer Part, Integer Digit) {
    const TPart* Parts = FKind == dtkDate ? DateParts : TimeParts;
    const TPart& P = Parts[Part];
    const TPartRange Range = RangeOf(FKind, Part);
    QString T = FEdit->text();
    if (T.isEmpty()) T = FKind == dtkDate ? QStringLiteral("  .  .    ") : QStringLiteral("  :  :  ");
    AnsiString Digits = FPartDigits + char('0' + Digit);
    bool Done = false;
    if (P.Length == 2) {
        // A second digit that makes no value starts the part again with itself.
        if (Digits.size() == 2 && (std::stoi(Digits) < Range.Min || std::stoi(Digits) > Range.Max))
            Digits = AnsiString(1, char('0' + Digit));
        const int V = std::stoi(Digits);
        Done = Digits.size() == 2 || V * 10 > Range.Max;
        // "0" alone is no day or month yet.
        SetPart(T, P, V < Range.Min ? QString::number(V) : QString::number(V).rightJustified(2, QLatin1Char('0')));
    } else {
        if (Digits.size() == 4 && std::stoi(Digits) < Range.Min) {
            QApplication::beep();
            Digits.clear();
        }
        Done = Digits.size() == 4;
        SetPart(T, P, QString::fromLatin1(Digits.c_str()));
    }
    if (FKind == dtkDate) {
        // No impossible date is shown: a day too long for the month shown leaves
        // the month to be typed; a month or year typed fits the day into it.
        const int Day = PartValue(T, Parts[0]), Month = PartValue(T, Parts[1]), Year = PartValue(T, Parts[2]);
        if (Day > 0 && Month > 0) {
            const int Last = DaysInAMonth(Year > 0 ? Year : 2000, Month);
            if (Day > Last && Part == 0) SetPart(T, Parts[1], QString());
            else if (Day > Last) SetPart(T, Parts[0], QString::number(Last));
        }
    }
    FEdit->setText(T);
    FTyped = true;
    FPartDigits = Done ? AnsiString() : Digits;
    if (!Done) {
        FEdit->setSelection(P.Start, P.Length);
    } else if (Part < 2) {
        SelectPart(Part + 1);
    } else {
        Commit();
        SelectPart(2);
    }
}

bool TDateTimePicker::TypeKey(const QKeyEvent* E) {
    const int Key = E->key();
    const bool Plain = !(E->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if ((Key == Qt::Key_Down && (E->modifiers() & Qt::AltModifier)) || Key == Qt::Key_F4) {
        if (FKind == dtkDate && FDateMode == dmComboBox) DropDown();
        return true;
    }
    if (!Plain) return false;
    if (Key == Qt::Key_Up || Key == Qt::Key_Down) {
        StepPart(Key == Qt::Key_Up ? 1 : -1);
        return true;
    }
    const int Part = CurrentPart();
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9) {
        TypeDigit(Part, Key - Qt::Key_0);
        return true;
    }
    if (Key == Qt::Key_Backspace || Key == Qt::Key_Delete) {
        const bool Whole = !FEdit->text().isEmpty() && FEdit->selectedText() == FEdit->text();
        if (Whole && FAllowEmpty) {
            const bool Changed = !FEmpty;
            Clear();
            if (Changed) GuardedCall(this, [this] { FireEvent(OnChange, this); });
        } else if (Key == Qt::Key_Backspace && Part > 0 && !FEdit->text().isEmpty()) {
            SelectPart(Part - 1);   // back to the part before; nothing is erased
        }
        return true;
    }
    if (IsPartSeparator(Key)) {
        // "1." means 01; a part not yet a value ("0", a short year) stays.
        const TPart& P = (FKind == dtkDate ? DateParts : TimeParts)[Part];
        if (FPartDigits.empty() || PartValue(FEdit->text(), P) < RangeOf(FKind, Part).Min) return true;
        if (Part < 2) {
            SelectPart(Part + 1);
        } else {
            Commit();
            SelectPart(2);
        }
        return true;
    }
    // Any other character is no part of a date.
    return !E->text().isEmpty() && E->text()[0].isPrint();
}

void TDateTimePicker::StepPart(Integer Delta) {
    const Integer Part = FEmpty ? 0 : CurrentPart();
    Commit();
    Fill();
    auto Wrap = [](int V, int Lo, int Hi) { return V < Lo ? Hi : V > Hi ? Lo : V; };
    const QDateTime Q = ToQDateTime(FValue);
    if (FKind == dtkDate) {
        int Y = Q.date().year(), M = Q.date().month(), D = Q.date().day();
        if (Part == 0) D = Wrap(D + Delta, 1, DaysInAMonth(Y, M));
        else if (Part == 1) M = Wrap(M + Delta, 1, 12);
        else Y = std::clamp(Y + Delta, kFirstDate.year(), 9999);
        D = std::min<int>(D, DaysInAMonth(Y, M));
        if (!SetValueByUser(WithDay(FValue, FromQDate(QDate(Y, M, D))))) return;
    } else {
        int H = Q.time().hour(), M = Q.time().minute(), S = Q.time().second();
        if (Part == 0) H = Wrap(H + Delta, 0, 23);
        else if (Part == 1) M = Wrap(M + Delta, 0, 59);
        else S = Wrap(S + Delta, 0, 59);
        if (!SetValueByUser(WithTime(FValue, EncodeTime(H, M, S, 0)))) return;
    }
    SelectPart(Part);
}

void TDateTimePicker::DropDown() {
    Commit();
    if (!FCalendar) {
        // Made on first use: most pickers are never opened.
        FCalendar = new QCalendarWidget(FEdit);
        FCalendar->setWindowFlags(Qt::Popup);
        FCalendar->setLocale(QLocale(QLocale::Turkish, QLocale::Turkey));
        FCalendar->setFirstDayOfWeek(Qt::Monday);
        FCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        FCalendar->setMinimumDate(kFirstDate);
        auto Pick = [this](QDate D) {
            FCalendar->hide();
            FEdit->setFocus(Qt::PopupFocusReason);
            GuardedCall(this, [&] { SetValueByUser(WithDay(FValue, FromQDate(D))); });
        };
        QObject::connect(FCalendar, &QCalendarWidget::clicked, Pick);
        QObject::connect(FCalendar, &QCalendarWidget::activated, Pick);
    }
    FCalendar->setSelectedDate(ToQDateTime(FValue).date());
    FCalendar->adjustSize();
    FCalendar->move(FEdit->mapToGlobal(QPoint(0, FEdit->height())));
    FCalendar->show();
    FCalendar->setFocus(Qt::PopupFocusReason);
}

bool TDateTimePicker::QtEvent(QEvent* E) {
    // Typed digits count before anyone reads the date: leaving, Enter, Tab; a
    // date not whole then gives way to what the picker held. Escape puts that
    // back (and goes on to whoever else answers it).
    if (E->type() == QEvent::FocusOut) {
        if (static_cast<QFocusEvent*>(E)->reason() != Qt::PopupFocusReason)
            GuardedCall(this, [&] {
                const AnsiString Typed = FromQ(FEdit->text());
                if (Commit()) return;
                FGaveWay = Typed;
                FGaveWayTo = QApplication::focusWidget();   // already the one taking the focus
            });
    } else if (E->type() == QEvent::FocusIn) {
        FGaveWayTo = nullptr;
    } else if (E->type() == QEvent::KeyPress) {
        const int Key = static_cast<QKeyEvent*>(E)->key();
        if (Key == Qt::Key_Escape && FTyped) Apply();
        if (Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == Qt::Key_Tab || Key == Qt::Key_Backtab)
            GuardedCall(this, [&] { Commit(); });
    }
    return TWinControl::QtEvent(E);
}

TDateTime TDateTimePicker::Date() const { return std::trunc(FValue); }

void TDateTimePicker::SetDate(TDateTime Value) {
    FGaveWayTo = nullptr;
    FValue = WithDay(FValue, Value);
    FEmpty = false;
    Apply();
}

TDateTime TDateTimePicker::DateTime() const { return FValue; }

void TDateTimePicker::SetDateTime(TDateTime Value) {
    FGaveWayTo = nullptr;
    FValue = Value;
    FEmpty = false;
    Apply();
}

TDateTime TDateTimePicker::Time() const { return std::fabs(FValue - std::trunc(FValue)); }

void TDateTimePicker::SetTime(TDateTime Value) {
    FValue = WithTime(FValue, Value);
    Apply();
}

void TDateTimePicker::SetKind(TDateTimeKind Value) {
    FKind = Value;
    Apply();
}

void TDateTimePicker::SetDateMode(TDTDateMode Value) {
    FDateMode = Value;
    FDrop->setVisible(Value == dmComboBox);
    FUp->setVisible(Value == dmUpDown);
    FDown->setVisible(Value == dmUpDown);
}

AnsiString TDateTimePicker::GetText() const { return FromQ(FEdit->text()); }

void TDateTimePicker::ApplyColor() {
    QPalette P = FEdit->palette();
    P.setColor(QPalette::Base, ToQColor(Color()));
    FEdit->setPalette(P);
}

// ---------------------------------------------------------------------------
TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    FBar = new THost<QProgressBar>(this);
    FBar->setTextVisible(false);
    FBar->resize(150, 17);
    FTabStop = false;
    FBar->setFocusPolicy(Qt::NoFocus);
    SetWidget(FBar);
    Apply();
}

TProgressBar::~TProgressBar() = default;

void TProgressBar::Apply() {
    FBar->setRange(FMin, std::max(FMin, FMax));
    FBar->setValue(FPosition);
}

void TProgressBar::SetMin(Integer Value) {
    FMin = Value;
    FPosition = std::clamp(FPosition, FMin, std::max(FMin, FMax));
    Apply();
}

void TProgressBar::SetMax(Integer Value) {
    FMax = Value;
    FPosition = std::clamp(FPosition, FMin, std::max(FMin, FMax));
    Apply();
}

void TProgressBar::SetPosition(Integer Value) {
    FPosition = std::clamp(Value, FMin, std::max(FMin, FMax));
    Apply();
}

void TProgressBar::StepIt() {
    // Stepping past the end starts over, as the system control does.
    Integer P = FPosition + FStep;
    if (P > FMax) P = FMin + (P - FMax) - 1;
    if (P < FMin) P = FMin;
    FPosition = std::min(P, FMax);
    Apply();
}

void TProgressBar::StepBy(Integer Delta) { SetPosition(FPosition + Delta); }
