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
    FEmpty = true;
    Apply();
}

bool TDateTimePicker::TakeTyped() {
    const bool Refused = FRefused;
    FRefused = false;
    if (!Refused && Commit()) return true;
    if (CanFocus() && !Focused()) SetFocus();
    return false;
}

Integer TDateTimePicker::CurrentSlot() const {
    int P = FEdit->hasSelectedText() ? FEdit->selectionStart() : FEdit->cursorPosition();
    const QString T = FEdit->text();
    if (P < T.size() && !T[P].isDigit()) ++P;
    return P < T.size() ? P : -1;
}

void TDateTimePicker::SelectPart(Integer Part) {
    const Integer I = Part < 0 ? 0 : Part > 2 ? 2 : Part;
    const TPart& P = (FKind == dtkDate ? DateParts : TimeParts)[I];
    FEdit->setSelection(P.Start, P.Length);
}

void TDateTimePicker::SetValueByUser(TDateTime Value) {
    const bool Changed = Value != FValue || FEmpty;
    FValue = Value;
    FEmpty = false;
    Apply();
    if (Changed) GuardedCall(this, [this] { FireEvent(OnChange, this); });
}

bool TDateTimePicker::Commit() {
    if (!FTyped) return true;
    const QString T = FEdit->text();
    const TPart* Parts = FKind == dtkDate ? DateParts : TimeParts;
    Word N[3];
    for (int I = 0; I < 3; ++I) N[I] = static_cast<Word>(T.mid(Parts[I].Start, Parts[I].Length).toUInt());
    TDateTime V = 0;
    const bool Valid = FKind == dtkDate ? N[2] >= kFirstDate.year() && TryEncodeDate(N[2], N[1], N[0], V)
                                        : TryEncodeTime(N[0], N[1], N[2], 0, V);
    if (!Valid) {
        // Refused in a message the operator has to answer, the old value back
        // first so that the focus the message takes commits nothing more.
        Apply();
        ShowMessage((FKind == dtkDate ? "Geçersiz tarih: " : "Geçersiz saat: ") + FromQ(T));
        return false;
    }
    SetValueByUser(FKind == dtkDate ? WithDay(FValue, V) : WithTime(FValue, V));
    return true;
}

bool TDateTimePicker::TypeKey(const QKeyEvent* E) {
    const int Key = E->key();
    const bool Plain = !(E->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const TPart* Parts = FKind == dtkDate ? DateParts : TimeParts;
    if ((Key == Qt::Key_Down && (E->modifiers() & Qt::AltModifier)) || Key == Qt::Key_F4) {
        if (FKind == dtkDate && FDateMode == dmComboBox) DropDown();
        return true;
    }
    if (!Plain) return false;
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9) Fill();
    if (Key == Qt::Key_Up || Key == Qt::Key_Down) {
        StepPart(Key == Qt::Key_Up ? 1 : -1);
        return true;
    }
    const int Slot = CurrentSlot();
    int Part = 2;
    while (Part > 0 && Slot >= 0 && Slot < Parts[Part].Start) --Part;
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9) {
        if (Slot < 0) {
            QApplication::beep();
            return true;
        }
        QString T = FEdit->text();
        T[Slot] = QChar('0' + (Key - Qt::Key_0));
        FEdit->setText(T);
        FTyped = true;
        int Next = Slot + 1;
        if (Next < T.size() && !T[Next].isDigit()) ++Next;
        if (Next >= T.size()) {
            Commit();
            SelectPart(2);
        } else {
            const TPart& P = Parts[Next < Parts[Part].Start + Parts[Part].Length ? Part : Part + 1];
            FEdit->setSelection(Next, P.Start + P.Length - Next);
        }
        return true;
    }
    if (IsPartSeparator(Key) || Key == Qt::Key_Backspace || Key == Qt::Key_Delete) {
        if (Slot < 0) return true;
        if (Key == Qt::Key_Backspace) {
            // Back to the digit before; nothing is erased.
            int Prev = Slot - 1;
            if (Prev > 0 && !FEdit->text()[Prev].isDigit()) --Prev;
            if (Prev >= 0) FEdit->setSelection(Prev, 1);
            return true;
        }
        if (Key == Qt::Key_Delete) return true;
        const TPart& P = Parts[Part];
        if (Slot == P.Start) return true;
        // "1." means 01: the digits typed so far move right and zeros fill the part.
        QString T = FEdit->text();
        const QString Typed = T.mid(P.Start, Slot - P.Start);
        T.replace(P.Start, P.Length, Typed.rightJustified(P.Length, QChar('0')));
        FEdit->setText(T);
        FTyped = true;
        if (Part == 2) {
            Commit();
            SelectPart(2);
        } else {
            SelectPart(Part + 1);
        }
        return true;
    }
    // Any other character is no part of a date.
    return !E->text().isEmpty() && E->text()[0].isPrint();
}

void TDateTimePicker::StepPart(Integer Delta) {
    Fill();
    const int Slot = CurrentSlot();
    const TPart* Parts = FKind == dtkDate ? DateParts : TimeParts;
    int Part = 2;
    while (Part > 0 && Slot >= 0 && Slot < Parts[Part].Start) --Part;
    if (!Commit()) return;
    auto Wrap = [](int V, int Lo, int Hi) { return V < Lo ? Hi : V > Hi ? Lo : V; };
    const QDateTime Q = ToQDateTime(FValue);
    if (FKind == dtkDate) {
        int Y = Q.date().year(), M = Q.date().month(), D = Q.date().day();
        if (Part == 0) D = Wrap(D + Delta, 1, DaysInAMonth(Y, M));
        else if (Part == 1) M = Wrap(M + Delta, 1, 12);
        else Y = std::clamp(Y + Delta, kFirstDate.year(), 9999);
        D = std::min<int>(D, DaysInAMonth(Y, M));
        SetValueByUser(WithDay(FValue, FromQDate(QDate(Y, M, D))));
    } else {
        int H = Q.time().hour(), M = Q.time().minute(), S = Q.time().second();
        if (Part == 0) H = Wrap(H + Delta, 0, 23);
        else if (Part == 1) M = Wrap(M + Delta, 0, 59);
        else S = Wrap(S + Delta, 0, 59);
        SetValueByUser(WithTime(FValue, EncodeTime(H, M, S, 0)));
    }
    SelectPart(Part);
}

void TDateTimePicker::DropDown() {
    if (!Commit()) return;
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
    // Typed digits count before anyone reads the date: leaving, Enter, Tab.
    // A refused date keeps the focus: the key that would leave is dropped, a
    // focus gone elsewhere comes back.
    if (E->type() == QEvent::FocusOut) {
        bool Back = false;
        if (static_cast<QFocusEvent*>(E)->reason() != Qt::PopupFocusReason)
            GuardedCall(this, [&] {
                FRefused = !Commit();
                if (FRefused && CanFocus()) SetFocus();
                Back = FRefused && Focused();
            });
        // Focused again: the editor keeps the part it selected for the next digits.
        if (Back) return true;
    } else if (E->type() == QEvent::MouseButtonPress) {
        FRefused = false;
    } else if (E->type() == QEvent::KeyPress) {
        FRefused = false;
        const int Key = static_cast<QKeyEvent*>(E)->key();
        bool Taken = true;
        if (Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == Qt::Key_Tab || Key == Qt::Key_Backtab)
            GuardedCall(this, [&] { Taken = Commit(); });
        if (!Taken) return true;
    }
    return TWinControl::QtEvent(E);
}

TDateTime TDateTimePicker::Date() const { return std::trunc(FValue); }

void TDateTimePicker::SetDate(TDateTime Value) {
    FValue = WithDay(FValue, Value);
    FEmpty = false;
    Apply();
}

TDateTime TDateTimePicker::DateTime() const { return FValue; }

void TDateTimePicker::SetDateTime(TDateTime Value) {
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
