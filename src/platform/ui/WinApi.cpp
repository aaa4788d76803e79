#include "platform/ui/WinApi.h"

#include "platform/ui/Controls_p.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace {

TBeepHandler& BeepHandler() {
    static TBeepHandler H;
    return H;
}

void Fill(TCanvas* C, const TRect& R, TColor Color) {
    if (R.Right <= R.Left || R.Bottom <= R.Top) return;
    C->Brush()->SetColor(Color);
    C->Brush()->SetStyle(bsSolid);
    C->FillRect(R);
}

// One ring of an edge: top and left in one colour, bottom and right in another.
void Ring(TCanvas* C, TRect& R, TColor TopLeft, TColor BottomRight, Cardinal Flags) {
    if (Flags & BF_TOP) Fill(C, Rect(R.Left, R.Top, R.Right - 1, R.Top + 1), TopLeft);
    if (Flags & BF_LEFT) Fill(C, Rect(R.Left, R.Top, R.Left + 1, R.Bottom - 1), TopLeft);
    if (Flags & BF_BOTTOM) Fill(C, Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom), BottomRight);
    if (Flags & BF_RIGHT) Fill(C, Rect(R.Right - 1, R.Top, R.Right, R.Bottom), BottomRight);
    if (Flags & BF_LEFT) ++R.Left;
    if (Flags & BF_TOP) ++R.Top;
    if (Flags & BF_RIGHT) --R.Right;
    if (Flags & BF_BOTTOM) --R.Bottom;
}

// Everything a control's widget needs beyond the layer: hover and painting over.
class THooks : public QObject {
public:
    THooks(QWidget* W, TControl* C) : QObject(W), FWidget(W), FControl(C), FAlive(C->AliveToken()) {
        W->installEventFilter(this);
    }
    std::function<void(bool)> Hover;
    std::function<void(TCanvas*)> Overlay;
    std::function<void(Word&, TShiftState)> KeyDown;
    std::function<void()> FocusOut;
    std::function<bool(bool)> MousePress;

    // Key and focus events of the widgets inside the control come here too.
    void WatchChildren() {
        for (QWidget* C : FWidget->findChildren<QWidget*>()) C->installEventFilter(this);
    }

    static THooks* Of(TControl* C) {
        QWidget* W = C ? C->Widget() : nullptr;
        if (!W) return nullptr;
        for (QObject* O : W->children())
            if (auto* H = dynamic_cast<THooks*>(O)) return H;
        return new THooks(W, C);
    }

protected:
    bool eventFilter(QObject* O, QEvent* E) override {
        // A control being destroyed still has its widget for a moment; its hooks are done.
        if (!IsAlive(FAlive)) return false;
        if (E->type() == QEvent::KeyPress && KeyDown) {
            auto* K = static_cast<QKeyEvent*>(E);
            Word Key = VirtualKeyOf(K->key(), K->modifiers());
            if (Key == 0) return false;
            TShiftState Shift = ShiftOf(K->modifiers());
            if (K->key() == Qt::Key_Backtab) Shift.Include(ssShift);
            auto Fn = KeyDown;
            const std::shared_ptr<const bool> Alive = FControl->AliveToken();
            GuardedCall(FControl, [&] { Fn(Key, Shift); });
            return !IsAlive(Alive) || Key == 0;
        }
        if ((E->type() == QEvent::MouseButtonPress || E->type() == QEvent::MouseButtonDblClick) && MousePress) {
            auto Fn = MousePress;
            const std::shared_ptr<const bool> Alive = FControl->AliveToken();
            bool Swallow = false;
            GuardedCall(FControl, [&] { Swallow = Fn(E->type() == QEvent::MouseButtonDblClick); });
            return !IsAlive(Alive) || Swallow;
        }
        if (E->type() == QEvent::FocusOut && FocusOut) {
            QWidget* To = QApplication::focusWidget();
            if (To && (To == FWidget || FWidget->isAncestorOf(To))) return false;
            auto Fn = FocusOut;
            GuardedCall(FControl, [&] { Fn(); });
            return false;
        }
        if (O != FWidget) return false;
        switch (E->type()) {
            case QEvent::Enter:
            case QEvent::Leave:
                if (Hover) {
                    auto Fn = Hover;
                    GuardedCall(FControl, [&] { Fn(E->type() == QEvent::Enter); });
                }
                return false;
            case QEvent::Paint: {
                if (!Overlay || FPainting) return false;
                FPainting = true;
                // The widget paints itself first; the overlay goes on top.
                static_cast<QObject*>(FWidget)->event(E);
                FPainting = false;
                QPainter P(FWidget);
                TCanvas Canvas;
                Canvas.Font()->Assign(FControl->Font());
                Canvas.BindPainter(&P, Rect(0, 0, FWidget->width(), FWidget->height()));
                auto Fn = Overlay;
                GuardedCall(FControl, [&] { Fn(&Canvas); });
                Canvas.Unbind();
                return true;
            }
            default:
                return false;
        }
    }

private:
    QWidget* FWidget;
    TControl* FControl;
    std::shared_ptr<const bool> FAlive;
    bool FPainting = false;
};

}  // namespace

TBeepHandler SetBeepHandler(TBeepHandler Handler) {
    TBeepHandler Old = std::move(BeepHandler());
    BeepHandler() = std::move(Handler);
    return Old;
}

void MessageBeep(Cardinal Type) {
    if (BeepHandler()) {
        auto Fn = BeepHandler();
        Fn(Type);
        return;
    }
    if (qApp) QApplication::beep();
}

void DrawEdge(TCanvas* Canvas, TRect& R, Cardinal Edge, Cardinal Flags) {
    TColor SavedColor = Canvas->Brush()->Color();
    TBrushStyle SavedStyle = Canvas->Brush()->Style();
    TRect Work = R;
    const bool Flat = (Flags & BF_FLAT) != 0;
    if (Edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        TColor TL, BR;
        if (Flat) TL = BR = clBtnShadow;
        else if (Edge & BDR_RAISEDOUTER) TL = cl3DLight, BR = cl3DDkShadow;
        else TL = clBtnShadow, BR = clBtnHighlight;
        Ring(Canvas, Work, TL, BR, Flags);
    }
    if (Edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        TColor TL, BR;
        if (Flat) TL = BR = clBtnFace;
        else if (Edge & BDR_RAISEDINNER) TL = clBtnHighlight, BR = clBtnShadow;
        else TL = cl3DDkShadow, BR = cl3DLight;
        Ring(Canvas, Work, TL, BR, Flags);
    }
    if (Flags & BF_MIDDLE) Fill(Canvas, Work, clBtnFace);
    if (Flags & BF_ADJUST) R = Work;
    Canvas->Brush()->SetColor(SavedColor);
    Canvas->Brush()->SetStyle(SavedStyle);
}

void DrawArrow(TCanvas* Canvas, const TRect& R, Integer Direction, TColor Color) {
    const Integer W = R.Right - R.Left, H = R.Bottom - R.Top;
    if (W <= 2 || H <= 2) return;
    const bool Vertical = Direction >= 2;
    // Half the base of the triangle; its height is the same.
    Integer Half = std::max(1, std::min(Vertical ? W : H, Vertical ? H * 2 : W * 2) / 4);
    Half = std::min(Half, 4);
    const Integer CX = R.Left + W / 2, CY = R.Top + H / 2;
    std::vector<TPoint> P;
    switch (Direction) {
        case 0: P = {Point(CX - Half / 2 - 1, CY), Point(CX + Half / 2, CY - Half), Point(CX + Half / 2, CY + Half)}; break;
        case 1: P = {Point(CX + Half / 2, CY), Point(CX - Half / 2 - 1, CY - Half), Point(CX - Half / 2 - 1, CY + Half)}; break;
        case 2: P = {Point(CX, CY - Half / 2 - 1), Point(CX - Half, CY + Half / 2), Point(CX + Half, CY + Half / 2)}; break;
        default: P = {Point(CX, CY + Half / 2), Point(CX - Half, CY - Half / 2 - 1), Point(CX + Half, CY - Half / 2 - 1)}; break;
    }
    TColor SavedPen = Canvas->Pen()->Color();
    TColor SavedBrush = Canvas->Brush()->Color();
    TBrushStyle SavedStyle = Canvas->Brush()->Style();
    Canvas->Pen()->SetColor(Color);
    Canvas->Brush()->SetColor(Color);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Polygon(P);
    Canvas->Pen()->SetColor(SavedPen);
    Canvas->Brush()->SetColor(SavedBrush);
    Canvas->Brush()->SetStyle(SavedStyle);
}

void DrawFrameControl(TCanvas* Canvas, const TRect& R, Cardinal Type, Cardinal State) {
    TRect Face = R;
    const bool Pushed = (State & DFCS_PUSHED) != 0;
    if (State & DFCS_FLAT) DrawEdge(Canvas, Face, BDR_RAISEDOUTER, BF_RECT | BF_FLAT | BF_MIDDLE | BF_ADJUST);
    else DrawEdge(Canvas, Face, Pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    if (Type != DFC_SCROLL) return;
    Integer Dir = 3;
    switch (State & 0xF) {
        case DFCS_SCROLLUP: Dir = 2; break;
        case DFCS_SCROLLLEFT: Dir = 0; break;
        case DFCS_SCROLLRIGHT: Dir = 1; break;
        default: Dir = 3; break;
    }
    if (Pushed) OffsetRect(Face, 1, 1);
    DrawArrow(Canvas, Face, Dir, (State & DFCS_INACTIVE) ? clGrayText : clBtnText);
}

void SetEditMargins(TControl* Edit, Integer Left, Integer Top, Integer Right, Integer Bottom) {
    auto* L = Edit ? qobject_cast<QLineEdit*>(Edit->Widget()) : nullptr;
    if (L) L->setTextMargins(std::max(0, Left), std::max(0, Top), std::max(0, Right), std::max(0, Bottom));
}

void WatchMouseHover(TControl* Control, std::function<void(bool)> Fn) {
    if (THooks* H = THooks::Of(Control)) H->Hover = std::move(Fn);
}

void SetKeyDownHook(TControl* Control, std::function<void(Word&, TShiftState)> Fn) {
    if (THooks* H = THooks::Of(Control)) {
        H->KeyDown = std::move(Fn);
        H->WatchChildren();
    }
}

void SetMousePressHook(TControl* Control, std::function<bool(bool)> Fn) {
    if (THooks* H = THooks::Of(Control)) {
        H->MousePress = std::move(Fn);
        H->WatchChildren();
    }
}

void WatchFocusOut(TControl* Control, std::function<void()> Fn) {
    if (THooks* H = THooks::Of(Control)) {
        H->FocusOut = std::move(Fn);
        H->WatchChildren();
    }
}

void SetPaintOverlay(TControl* Control, std::function<void(TCanvas*)> Fn) {
    if (THooks* H = THooks::Of(Control)) {
        H->Overlay = std::move(Fn);
        Control->Widget()->update();
    }
}

void SetBuiltInContextMenu(TControl* Control, bool Enabled) {
    if (Control && Control->Widget())
        Control->Widget()->setContextMenuPolicy(Enabled ? Qt::DefaultContextMenu : Qt::NoContextMenu);
}

void SetTakesFocus(TControl* Control, bool Value) {
    if (Control && Control->Widget()) Control->Widget()->setFocusPolicy(Value ? Qt::StrongFocus : Qt::NoFocus);
}

void SetFocusProxy(TControl* Control, TControl* Proxy) {
    if (Control && Control->Widget()) Control->Widget()->setFocusProxy(Proxy ? Proxy->Widget() : nullptr);
}

void SetComboDropWidth(TControl* Combo, Integer Width) {
    auto* C = Combo ? qobject_cast<QComboBox*>(Combo->Widget()) : nullptr;
    if (C && C->view()) C->view()->setMinimumWidth(std::max(0, Width));
}

// --- Unicode text ----------------------------------------------------------------------
namespace {

QString QOf(const WideString& S) { return QString::fromUtf16(S.data(), static_cast<qsizetype>(S.size())); }
WideString WideOf(const QString& S) { return WideString(reinterpret_cast<const char16_t*>(S.utf16()), size_t(S.size())); }

}  // namespace

WideString WideTextOf(const TControl* Control) {
    QWidget* W = Control ? Control->Widget() : nullptr;
    if (auto* E = qobject_cast<QLineEdit*>(W)) return WideOf(E->text());
    if (auto* P = qobject_cast<QPlainTextEdit*>(W)) return WideOf(P->toPlainText());
    if (auto* C = qobject_cast<QComboBox*>(W)) return WideOf(C->currentText());
    return Control ? AnsiToWide(Control->Text()) : WideString();
}

void SetWideTextOf(TControl* Control, const WideString& Value) {
    QWidget* W = Control ? Control->Widget() : nullptr;
    if (!W || WideTextOf(Control) == Value) return;
    if (auto* E = qobject_cast<QLineEdit*>(W)) {
        E->setText(QOf(Value));
    } else if (auto* P = qobject_cast<QPlainTextEdit*>(W)) {
        P->setPlainText(QOf(Value));
    } else if (auto* C = qobject_cast<QComboBox*>(W)) {
        if (C->isEditable()) C->setEditText(QOf(Value));
        else C->setCurrentIndex(C->findText(QOf(Value), Qt::MatchExactly));
    } else {
        Control->SetText(WideToAnsi(Value));
    }
}

WideString ComboItemWideText(const TControl* Combo, Integer Index) {
    auto* C = qobject_cast<QComboBox*>(Combo ? Combo->Widget() : nullptr);
    return C && Index >= 0 && Index < C->count() ? WideOf(C->itemText(Index)) : WideString();
}

void SetComboItemWideText(TControl* Combo, Integer Index, const WideString& Value) {
    auto* C = qobject_cast<QComboBox*>(Combo ? Combo->Widget() : nullptr);
    if (!C || Index < 0 || Index >= C->count()) return;
    const bool Current = C->currentIndex() == Index;
    C->setItemText(Index, QOf(Value));
    if (Current && C->isEditable()) C->setEditText(QOf(Value));
}

Integer ComboFindWide(const TControl* Combo, const WideString& Value) {
    auto* C = qobject_cast<QComboBox*>(Combo ? Combo->Widget() : nullptr);
    return C ? C->findText(QOf(Value), Qt::MatchFixedString) : -1;
}

Integer WideCompareText(const WideString& A, const WideString& B) {
    const int R = QOf(A).toCaseFolded().localeAwareCompare(QOf(B).toCaseFolded());
    return R < 0 ? -1 : R > 0 ? 1 : 0;
}

TRawKey RawKeyOf(QEvent* Event) {
    TRawKey R;
    if (!Event || Event->type() != QEvent::KeyPress) return R;
    auto* K = static_cast<QKeyEvent*>(Event);
    R.Press = true;
    R.Tab = K->key() == Qt::Key_Tab || K->key() == Qt::Key_Backtab;
    R.Shift = (K->modifiers() & Qt::ShiftModifier) || K->key() == Qt::Key_Backtab;
    R.CtrlOrAlt = (K->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    const QString T = K->text();
    R.Text.reserve(static_cast<size_t>(T.size()));
    for (QChar C : T) R.Text.push_back(static_cast<char16_t>(C.unicode()));
    return R;
}

bool IsFocusOutEvent(QEvent* Event) { return Event && Event->type() == QEvent::FocusOut; }

bool IsHideEvent(QEvent* Event) { return Event && Event->type() == QEvent::Hide; }

bool IsFocusInEvent(QEvent* Event, bool* ByMouse) {
    if (!Event || Event->type() != QEvent::FocusIn) return false;
    if (ByMouse) *ByMouse = static_cast<QFocusEvent*>(Event)->reason() == Qt::MouseFocusReason;
    return true;
}

bool FocusOn(const TControl* Control, bool Inside) {
    QWidget* F = QApplication::focusWidget();
    QWidget* W = Control ? Control->Widget() : nullptr;
    return F && W && (F == W || (Inside && W->isAncestorOf(F)));
}

bool PopupOpen() { return QApplication::activePopupWidget() != nullptr; }

void SendKeyToFocus(Word Key) {
    QWidget* F = QApplication::focusWidget();
    if (!F) return;
    int QtKey = 0;
    if (Key >= VK_F1 && Key <= VK_F1 + 11) QtKey = Qt::Key_F1 + (Key - VK_F1);
    else if (Key == VK_DOWN) QtKey = Qt::Key_Down;
    else if (Key == VK_UP) QtKey = Qt::Key_Up;
    else if (Key == VK_RETURN) QtKey = Qt::Key_Return;
    else if (Key == VK_ESCAPE) QtKey = Qt::Key_Escape;
    if (!QtKey) return;
    QKeyEvent E(QEvent::KeyPress, QtKey, Qt::NoModifier);
    QApplication::sendEvent(F, &E);
}

void SetEditFrame(TControl* Edit, bool Framed) {
    if (auto* L = Edit ? qobject_cast<QLineEdit*>(Edit->Widget()) : nullptr) L->setFrame(Framed);
}
