#include "platform/ui/Spin.h"

#include "platform/ui/Controls_p.h"

#include <QLineEdit>
#include <QSpinBox>

#include <climits>

namespace {

// Lets the program and the user keep any text; the control reads it as a number when asked.
class TSpinWidget : public THost<QSpinBox> {
public:
    using THost<QSpinBox>::THost;
    QLineEdit* Editor() const { return lineEdit(); }

protected:
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    void fixup(QString&) const override {}
};

}  // namespace

TSpinEdit::TSpinEdit(TComponent* AOwner) : TWinControl(AOwner) {
    auto* S = new TSpinWidget(this);
    FSpin = S;
    FSpin->setKeyboardTracking(true);
    FSpin->resize(121, 22);
    QObject::connect(S->Editor(), &QLineEdit::textChanged, [this](const QString&) {
        // Typing stops at MaxLength again once a longer program text is shortened.
        auto* E = static_cast<TSpinWidget*>(FSpin)->Editor();
        ShowAsStored(E);
        if (FMaxLength > 0 && E->maxLength() > std::max<int>(FMaxLength, E->text().size()))
            E->setMaxLength(std::max<int>(FMaxLength, E->text().size()));
        if (FSetting) return;
        GuardedCall(this, [this] { FireEvent(OnChange, this); });
    });
    SetParentColor(false);
    SetColor(clWindow);
    SetWidget(FSpin);
    ApplyRange();
    SetTextCore("0");
}

TSpinEdit::~TSpinEdit() = default;

void TSpinEdit::ApplyRange() {
    bool NoLimits = FMinValue == 0 && FMaxValue == 0;
    FSetting = true;
    QString Keep = static_cast<TSpinWidget*>(FSpin)->Editor()->text();
    FSpin->setRange(NoLimits ? INT_MIN : FMinValue, NoLimits ? INT_MAX : FMaxValue);
    FSpin->setSingleStep(FIncrement);
    static_cast<TSpinWidget*>(FSpin)->Editor()->setText(Keep);
    FSetting = false;
}

void TSpinEdit::SetMinValue(Integer Value) { FMinValue = Value; ApplyRange(); }
void TSpinEdit::SetMaxValue(Integer Value) { FMaxValue = Value; ApplyRange(); }
void TSpinEdit::SetIncrement(Integer Value) { FIncrement = Value; ApplyRange(); }

Integer TSpinEdit::Value() const {
    Integer V = 0;
    if (!TryStrToInt(Trim(GetText()), V)) return FMinValue;
    if (FMinValue != 0 || FMaxValue != 0) {
        if (V < FMinValue) V = FMinValue;
        if (V > FMaxValue) V = FMaxValue;
    }
    return V;
}

void TSpinEdit::SetValue(Integer Value) { SetText(IntToStr(Value)); }

void TSpinEdit::SetMaxLength(Integer Value) {
    FMaxLength = Value < 0 ? 0 : Value;
    static_cast<TSpinWidget*>(FSpin)->Editor()->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TSpinEdit::SetEditorEnabled(bool Value) {
    FEditorEnabled = Value;
    static_cast<TSpinWidget*>(FSpin)->Editor()->setReadOnly(!Value);
}

AnsiString TSpinEdit::GetText() const { return FromQ(static_cast<TSpinWidget*>(FSpin)->Editor()->text()); }

void TSpinEdit::SetTextCore(const AnsiString& Value) {
    auto* E = static_cast<TSpinWidget*>(FSpin)->Editor();
    E->setMaxLength(32767);
    E->setText(ToQ(Value));
    if (FMaxLength > 0) E->setMaxLength(std::max<int>(FMaxLength, E->text().size()));
}

void TSpinEdit::ApplyColor() {
    QPalette P = FSpin->palette();
    P.setColor(QPalette::Base, ToQColor(Color()));
    FSpin->setPalette(P);
}
