#include "platform/ui/ComCtrls.h"

#include "platform/ui/Controls_p.h"

#include <QDateTimeEdit>
#include <QProgressBar>

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

TDateTime FromQDateTime(const QDateTime& Q) {
    double Days = static_cast<double>(kEpoch.daysTo(Q.date()));
    double Frac = Q.time().msecsSinceStartOfDay() / 86400000.0;
    return Days >= 0 ? Days + Frac : Days - Frac;
}

}  // namespace

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
    FEdit = new THost<QDateTimeEdit>(this);
    FEdit->setCalendarPopup(true);
    FEdit->setMinimumDateTime(QDateTime(QDate(1753, 1, 1), QTime(0, 0)));
    FEdit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    FEdit->resize(186, 21);
    FValue = ::Now();
    QObject::connect(FEdit, &QDateTimeEdit::dateTimeChanged, [this](const QDateTime& Q) {
        if (FSetting) return;
        TDateTime V = FromQDateTime(Q);
        if (FKind == dtkDate) {
            // The picker shows the date only; the time part stays.
            double Frac = FValue - std::trunc(FValue);
            V = std::trunc(V) + Frac;
        }
        FValue = V;
        GuardedCall(this, [this] { FireEvent(OnChange, this); });
    });
    SetParentColor(false);
    SetColor(clWindow);
    SetWidget(FEdit);
    Apply();
}

TDateTimePicker::~TDateTimePicker() = default;

void TDateTimePicker::Apply() {
    FSetting = true;
    FEdit->setDateTime(ToQDateTime(FValue));
    FSetting = false;
}

TDateTime TDateTimePicker::Date() const { return std::trunc(FValue); }

void TDateTimePicker::SetDate(TDateTime Value) {
    double Frac = FValue - std::trunc(FValue);
    FValue = std::trunc(Value) + (Value < 0 ? -std::fabs(Frac) : std::fabs(Frac));
    Apply();
}

TDateTime TDateTimePicker::DateTime() const { return FValue; }

void TDateTimePicker::SetDateTime(TDateTime Value) {
    FValue = Value;
    Apply();
}

TDateTime TDateTimePicker::Time() const { return std::fabs(FValue - std::trunc(FValue)); }

void TDateTimePicker::SetTime(TDateTime Value) {
    double Frac = std::fabs(Value - std::trunc(Value));
    FValue = std::trunc(FValue) + (FValue < 0 ? -Frac : Frac);
    Apply();
}

void TDateTimePicker::SetKind(TDateTimeKind Value) {
    FKind = Value;
    FEdit->setDisplayFormat(Value == dtkDate ? QStringLiteral("dd.MM.yyyy") : QStringLiteral("HH:mm:ss"));
    FEdit->setCalendarPopup(Value == dtkDate);
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
