#include "platform/ui/Controls.h"

#include "platform/ui/Controls_p.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/DragDrop_p.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/WinApi.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPalette>
#include <QPixmap>

#include <algorithm>
#include <cstring>
#include <map>

// ---------------------------------------------------------------------------
TControl* ControlOfWidget(QWidget* W) {
    for (; W; W = W->parentWidget()) {
        if (auto* H = dynamic_cast<IHost*>(W)) return H->HostControl();
        if (W->isWindow()) break;
    }
    return nullptr;
}

IHost* HostOf(const TControl* C) { return C ? dynamic_cast<IHost*>(C->Widget()) : nullptr; }

Word VirtualKeyOf(int K, Qt::KeyboardModifiers Mods) {
    if (K >= Qt::Key_A && K <= Qt::Key_Z) return static_cast<Word>('A' + (K - Qt::Key_A));
    if (K >= Qt::Key_0 && K <= Qt::Key_9)
        return static_cast<Word>((Mods & Qt::KeypadModifier) ? VK_NUMPAD0 + (K - Qt::Key_0) : '0' + (K - Qt::Key_0));
    if (K >= Qt::Key_F1 && K <= Qt::Key_F24) return static_cast<Word>(VK_F1 + (K - Qt::Key_F1));
    switch (K) {
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return VK_CONTROL;
        case Qt::Key_Alt: return VK_MENU;
        case Qt::Key_Pause: return VK_PAUSE;
        case Qt::Key_CapsLock: return VK_CAPITAL;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Print: return VK_SNAPSHOT;
        case Qt::Key_Insert: return VK_INSERT;
        case Qt::Key_Delete: return VK_DELETE;
        case Qt::Key_Help: return VK_HELP;
        case Qt::Key_Menu: return VK_APPS;
        case Qt::Key_NumLock: return VK_NUMLOCK;
        case Qt::Key_ScrollLock: return VK_SCROLL;
        case Qt::Key_Asterisk: return (Mods & Qt::KeypadModifier) ? VK_MULTIPLY : 0xBB;
        case Qt::Key_Plus: return (Mods & Qt::KeypadModifier) ? VK_ADD : 0xBB;
        case Qt::Key_Minus: return (Mods & Qt::KeypadModifier) ? VK_SUBTRACT : 0xBD;
        case Qt::Key_Slash: return (Mods & Qt::KeypadModifier) ? VK_DIVIDE : 0xBF;
        case Qt::Key_Comma: return 0xBC;
        case Qt::Key_Period: return (Mods & Qt::KeypadModifier) ? VK_DECIMAL : 0xBE;
        default: break;
    }
    return 0;
}

TShiftState ShiftOf(Qt::KeyboardModifiers Mods, Qt::MouseButtons Buttons) {
    TShiftState S;
    if (Mods & Qt::ShiftModifier) S.Include(ssShift);
    if (Mods & Qt::ControlModifier) S.Include(ssCtrl);
    if (Mods & Qt::AltModifier) S.Include(ssAlt);
    if (Buttons & Qt::LeftButton) S.Include(ssLeft);
    if (Buttons & Qt::RightButton) S.Include(ssRight);
    if (Buttons & Qt::MiddleButton) S.Include(ssMiddle);
    return S;
}

Qt::CursorShape CursorShapeOf(TCursor C) {
    switch (C) {
        case crNone: return Qt::BlankCursor;
        case crCross: return Qt::CrossCursor;
        case crIBeam: return Qt::IBeamCursor;
        case crSizeAll: return Qt::SizeAllCursor;
        case crSizeNESW: return Qt::SizeBDiagCursor;
        case crSizeNS: return Qt::SizeVerCursor;
        case crSizeNWSE: return Qt::SizeFDiagCursor;
        case crSizeWE: return Qt::SizeHorCursor;
        case crUpArrow: return Qt::UpArrowCursor;
        case crHourGlass: return Qt::WaitCursor;
        case crSQLWait: return Qt::BusyCursor;
        case crAppStart: return Qt::BusyCursor;
        case crDrag: case crMultiDrag: return Qt::DragCopyCursor;
        case crNoDrop: case crNo: return Qt::ForbiddenCursor;
        case crHSplit: return Qt::SplitHCursor;
        case crVSplit: return Qt::SplitVCursor;
        case crHelp: return Qt::WhatsThisCursor;
        case crHandPoint: return Qt::PointingHandCursor;
        default: return Qt::ArrowCursor;
    }
}

namespace {

std::map<TCursor, QCursor>& RegisteredCursors() {
    static std::map<TCursor, QCursor> Cursors;
    return Cursors;
}

}  // namespace

void RegisterCursor(TCursor Id, const std::vector<const char*>& Picture, Integer HotX, Integer HotY) {
    EnsureQtApp();
    size_t W = 0;
    for (const char* Row : Picture) W = std::max(W, std::strlen(Row));
    QImage Img(static_cast<int>(W), static_cast<int>(Picture.size()), QImage::Format_ARGB32);
    Img.fill(Qt::transparent);
    for (size_t Y = 0; Y < Picture.size(); ++Y)
        for (size_t X = 0; Picture[Y][X]; ++X) {
            if (Picture[Y][X] == '#') Img.setPixelColor(int(X), int(Y), Qt::black);
            else if (Picture[Y][X] == '.') Img.setPixelColor(int(X), int(Y), Qt::white);
        }
    RegisteredCursors()[Id] = QCursor(QPixmap::fromImage(Img), HotX, HotY);
}

QCursor CursorOf(TCursor C) {
    const auto It = RegisteredCursors().find(C);
    return It != RegisteredCursors().end() ? It->second : QCursor(CursorShapeOf(C));
}

namespace {

TMouseButton ButtonOf(Qt::MouseButton B) {
    if (B == Qt::RightButton) return mbRight;
    if (B == Qt::MiddleButton) return mbMiddle;
    return mbLeft;
}

// The character a key gives to OnKeyPress; 0 when it gives none.
char KeyCharOf(const QKeyEvent* K) {
    switch (K->key()) {
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Return: case Qt::Key_Enter: return 13;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Delete: case Qt::Key_Tab: case Qt::Key_Backtab: return 0;
        default: break;
    }
    QString T = K->text();
    if (T.isEmpty() || T.at(0).unicode() == 127) return 0;
    return CharFromQ(T);
}

int QtKeyOfChar(char C) {
    unsigned char U = static_cast<unsigned char>(C);
    if (U == 8) return Qt::Key_Backspace;
    if (U == 13) return Qt::Key_Return;
    if (U == 27) return Qt::Key_Escape;
    if (U >= 'a' && U <= 'z') return Qt::Key_A + (U - 'a');
    if (U >= 0x20 && U < 0x7F) return U;   // Qt's Latin-1 key codes are the characters
    return Qt::Key_unknown;
}

Integer DropEffectsOf(Qt::DropActions A) {
    Integer E = DROPEFFECT_NONE;
    if (A & Qt::CopyAction) E |= DROPEFFECT_COPY;
    if (A & Qt::MoveAction) E |= DROPEFFECT_MOVE;
    if (A & Qt::LinkAction) E |= DROPEFFECT_LINK;
    return E;
}

Qt::DropAction DropActionOf(Integer E) {
    if (E & DROPEFFECT_MOVE) return Qt::MoveAction;
    if (E & DROPEFFECT_COPY) return Qt::CopyAction;
    if (E & DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

// The window round a control's client widget when the control has a frame: it
// paints the frame and keeps presses on it from reaching the control's parent.
class TFrameWindow : public QWidget, public IHost {
public:
    TFrameWindow(TControl* C, QWidget* Parent) : QWidget(Parent), FControl(C) { setFocusPolicy(Qt::NoFocus); }
    std::function<void(TCanvas*)> PaintFn;
    bool BaseEvent(QEvent* E) override { return QWidget::event(E); }
    TControl* HostControl() const override { return FControl; }
    void DetachControl() override {
        FControl = nullptr;
        PaintFn = nullptr;
    }

protected:
    bool event(QEvent* E) override {
        switch (E->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                E->accept();
                return true;
            default:
                return QWidget::event(E);
        }
    }
    void paintEvent(QPaintEvent*) override {
        if (!FControl || !PaintFn || !FControl->Widget()) return;
        QPainter P(this);
        P.setClipRegion(QRegion(rect()) - QRegion(FControl->Widget()->geometry()));
        TCanvas Canvas;
        Canvas.Font()->Assign(FControl->Font());
        Canvas.BindPainter(&P, Rect(0, 0, width(), height()));
        TControl* C = FControl;
        GuardedCall(C, [&] { PaintFn(&Canvas); });
        Canvas.Unbind();
    }

private:
    TControl* FControl;
};

// Passes a change of an inherited property on to the child controls.
void NotifyChildren(TControl* C, void (TControl::*Changed)()) {
    if (auto* W = dynamic_cast<TWinControl*>(C))
        for (Integer I = 0; I < W->ControlCount(); ++I) (W->Controls(I)->*Changed)();
}

}  // namespace

// ---------------------------------------------------------------------------
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
    EnsureQtApp();
    FFont->OnChange = [this](TObject*) {
        if (!FFontLock) FParentFont = false;
        ApplyFont();
    };
}

TControl::~TControl() {
    BeforeDestruction();
    EndAlive();
    ControlGone(this);
    if (FParent) FParent->RemoveControl(this);
    if (FWidget) {
        if (IHost* H = HostOf(this)) H->DetachControl();
        if (auto* H = dynamic_cast<IHost*>(FFrame)) H->DetachControl();
        QWidget* W = WindowWidget();
        FWidget = nullptr;
        FFrame = nullptr;
        DisposeWidget(W);
    }
}

void DisposeWidget(QWidget* W) {
    if (!W) return;
    W->blockSignals(true);
    const auto Kids = W->findChildren<QObject*>();
    for (QObject* O : Kids) {
        O->blockSignals(true);
        if (auto* H = dynamic_cast<IHost*>(O)) H->DetachControl();
    }
    W->setObjectName(QString());
    W->hide();
    W->deleteLater();
}

void TControl::SetWidget(QWidget* W) {
    FWidget = W;
    if (!W) return;
    W->setObjectName(ToQ(Name()));
    W->hide();
    FWidth = W->width();
    FHeight = W->height();
    W->setGeometry(FLeft, FTop, FWidth, FHeight);
    ApplyFont();
    ApplyColor();
}

void TControl::SetName(const AnsiString& NewName) {
    TComponent::SetName(NewName);
    if (FWidget) FWidget->setObjectName(ToQ(NewName));
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == FParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    FParent = AParent;
    if (FWidget) {
        QWidget* W = WindowWidget();
        W->setParent(AParent ? AParent->ClientWidget() : nullptr);
        W->setGeometry(FLeft, FTop, FWidth, FHeight);
        if (AParent) W->setVisible(FVisible);
    }
    if (AParent) {
        AParent->InsertControl(this);
        ParentFontChanged();
        ParentColorChanged();
        ParentShowHintChanged();
        if (FAlign != alNone) AParent->AlignControls();
    }
    ParentChanged();
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    bool Sized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    const std::shared_ptr<const bool> Alive = AliveToken();   // OnResize may free the control
    if (FWidget) WindowWidget()->setGeometry(FLeft, FTop, FWidth, FHeight);
    if (!IsAlive(Alive)) return;
    if (Sized && FFrame) PlaceClientInFrame();
    if (Sized && IsAlive(Alive)) {
        if (auto* W = dynamic_cast<TWinControl*>(this)) W->AlignControls();
    }
}

TRect TControl::ClientRect() const {
    return Rect(0, 0, std::max(0, FWidth - 2 * FFrameWidth), std::max(0, FHeight - 2 * FFrameWidth));
}

QWidget* TControl::WindowWidget() const { return FFrame ? FFrame : FWidget; }

void TControl::PlaceClientInFrame() {
    const TRect C = ClientRect();
    FWidget->setGeometry(FFrameWidth, FFrameWidth, C.Width(), C.Height());
}

void TControl::SetClientWidth(Integer Value) { SetWidth(Value + FWidth - ClientWidth()); }
void TControl::SetClientHeight(Integer Value) { SetHeight(Value + FHeight - ClientHeight()); }

void TControl::SetAlign(TAlign Value) {
    if (Value == FAlign) return;
    FAlign = Value;
    if (FParent) FParent->AlignControls();
}

void TControl::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    if (FWidget && FParent) WindowWidget()->setVisible(Value);
    if (FParent && FAlign != alNone) FParent->AlignControls();
}

bool TControl::Showing() const {
    if (!FWidget) return false;
    return FWidget->isVisible();
}

void TControl::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (FWidget) WindowWidget()->setEnabled(Value);
}

void TControl::SetText(const AnsiString& Value) {
    if (GetText() == Value) return;
    const TAliveGuard Alive(this);   // the change raised may close the screen
    SetTextCore(Value);
    if (Alive.Alive()) TextChanged();
}

void TControl::SetTextCore(const AnsiString& Value) { FText = Value; }

void TControl::SetParentFont(bool Value) {
    FParentFont = Value;
    if (Value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    FFontLock = true;
    FFont->Assign(FParent->Font());
    FFontLock = false;
    FParentFont = true;
}

void TControl::SetColor(TColor Value) {
    FParentColor = false;
    if (Value == FColor) return;
    FColor = Value;
    ApplyColor();
    NotifyChildren(this, &TControl::ParentColorChanged);
}

void TControl::SetParentColor(bool Value) {
    FParentColor = Value;
    if (Value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent) return;
    FColor = FParent->Color();
    ApplyColor();
    NotifyChildren(this, &TControl::ParentColorChanged);
}

void TControl::SetHint(const AnsiString& Value) {
    FHint = Value;
    ApplyHint();
}

bool TControl::ShowHint() const { return FShowHint; }

void TControl::SetShowHint(bool Value) {
    FParentShowHint = false;
    FShowHint = Value;
    ApplyHint();
    NotifyChildren(this, &TControl::ParentShowHintChanged);
}

void TControl::SetParentShowHint(bool Value) {
    FParentShowHint = Value;
    if (Value) ParentShowHintChanged();
}

void TControl::ParentShowHintChanged() {
    if (!FParentShowHint || !FParent) return;
    FShowHint = FParent->ShowHint();
    ApplyHint();
    NotifyChildren(this, &TControl::ParentShowHintChanged);
}

void TControl::ApplyHint() {
    if (FWidget) FWidget->setToolTip(FShowHint ? ToQ(FHint) : QString());
}

void TControl::SetCursor(TCursor Value) {
    FCursor = Value;
    if (!FWidget) return;
    if (Value == crDefault) FWidget->unsetCursor();
    else FWidget->setCursor(CursorOf(Value));
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (Value) Value->FreeNotification(this);
}

void TControl::SetBiDiMode(TBiDiMode Value) {
    FBiDiMode = Value;
    if (FWidget) FWidget->setLayoutDirection(Value == bdLeftToRight ? Qt::LeftToRight : Qt::RightToLeft);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Invalidate() {
    if (FWidget) FWidget->update();
    if (!FFrame) return;
    if (auto* W = dynamic_cast<TWinControl*>(this)) W->InvalidateFrame();
}
void TControl::Repaint() { if (FWidget) FWidget->repaint(); }
void TControl::Update() { if (FWidget) FWidget->repaint(); }
void TControl::BringToFront() { if (FWidget) WindowWidget()->raise(); }
void TControl::SendToBack() { if (FWidget) WindowWidget()->lower(); }

TPoint TControl::ClientToScreen(TPoint P) const {
    if (!FWidget) return P;
    QPoint Q = FWidget->mapToGlobal(QPoint(P.X, P.Y));
    return Point(Q.x(), Q.y());
}

TPoint TControl::ScreenToClient(TPoint P) const {
    if (!FWidget) return P;
    QPoint Q = FWidget->mapFromGlobal(QPoint(P.X, P.Y));
    return Point(Q.x(), Q.y());
}

Integer TControl::Perform(Cardinal Msg, Integer WParam, Integer LParam) {
    if (Msg == WM_NEXTDLGCTL) {
        TCustomForm* F = GetParentForm(this);
        if (!F) return 0;
        if (LParam != 0) {
            // WParam names the control to focus.
            return 0;
        }
        TWinControl* Cur = F->ActiveControl();
        F->SelectNext(Cur, WParam == 0, true);
        return 0;
    }
    if (Msg == WM_CLOSE) {
        if (auto* F = dynamic_cast<TCustomForm*>(this)) F->Close();
    }
    return 0;
}

void TControl::Click() {
    FireEvent(OnClick, this);
}

void TControl::DblClick() {
    FireEvent(OnDblClick, this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    FireEvent(OnMouseDown, this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
    FireEvent(OnMouseMove, this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    FireEvent(OnMouseUp, this, Button, Shift, X, Y);
}

void TControl::Resize() {
    FireEvent(OnResize, this);
}

void TControl::ApplyFont() {
    if (!FWidget) return;
    FWidget->setFont(ToQFont(FFont.get()));
    QPalette P = FWidget->palette();
    QColor C = ToQColor(FFont->Color());
    P.setColor(QPalette::WindowText, C);
    P.setColor(QPalette::Text, C);
    P.setColor(QPalette::ButtonText, C);
    FWidget->setPalette(P);
}

void TControl::ApplyColor() {
    if (!FWidget) return;
    if (FTransparentBackground) {
        FWidget->setAutoFillBackground(false);
        return;
    }
    QPalette P = FWidget->palette();
    P.setColor(QPalette::Window, ToQColor(FColor));
    FWidget->setPalette(P);
    FWidget->setAutoFillBackground(true);
}

void TControl::SetDropTarget(bool Value) {
    if (FWidget) FWidget->setAcceptDrops(Value);
}

bool TControl::QtEvent(QEvent* E) {
    // A handler may free this control: after each one, go on only while it lives.
    const std::shared_ptr<const bool> Alive = AliveToken();
    IHost* H = HostOf(this);
    switch (E->type()) {
        case QEvent::MouseButtonPress: {
            auto* M = static_cast<QMouseEvent*>(E);
            if (M->button() == Qt::LeftButton) FMousePressed = true;
            QPoint P = M->position().toPoint();
            GuardedCall(this, [&] { MouseDown(ButtonOf(M->button()), ShiftOf(M->modifiers(), M->buttons()), P.x(), P.y()); });
            if (IsAlive(Alive) && H) H->BaseEvent(E);
            E->accept();   // a parent control never sees its child's clicks
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            auto* M = static_cast<QMouseEvent*>(E);
            FMousePressed = false;
            QPoint P = M->position().toPoint();
            GuardedCall(this, [&] {
                DblClick();
                if (IsAlive(Alive))
                    MouseDown(ButtonOf(M->button()), ShiftOf(M->modifiers(), M->buttons()).Include(ssDouble), P.x(), P.y());
            });
            if (IsAlive(Alive) && H) H->BaseEvent(E);
            E->accept();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* M = static_cast<QMouseEvent*>(E);
            QPoint P = M->position().toPoint();
            bool WasPressed = FMousePressed && M->button() == Qt::LeftButton;
            if (M->button() == Qt::LeftButton) FMousePressed = false;
            if (H) H->BaseEvent(E);
            if (IsAlive(Alive)) {
                GuardedCall(this, [&] {
                    if (WasPressed && FClickOnMouseUp && FWidget && FWidget->rect().contains(P) && FEnabled) Click();
                    if (IsAlive(Alive)) MouseUp(ButtonOf(M->button()), ShiftOf(M->modifiers(), M->buttons()), P.x(), P.y());
                });
            }
            E->accept();
            return true;
        }
        case QEvent::MouseMove: {
            auto* M = static_cast<QMouseEvent*>(E);
            QPoint P = M->position().toPoint();
            GuardedCall(this, [&] { MouseMove(ShiftOf(M->modifiers(), M->buttons()), P.x(), P.y()); });
            if (IsAlive(Alive) && H) H->BaseEvent(E);
            E->accept();
            return true;
        }
        case QEvent::Resize:
            if (FWidget && !dynamic_cast<TCustomForm*>(this)) {
                FWidth = WindowWidget()->width();
                FHeight = WindowWidget()->height();
            }
            GuardedCall(this, [&] { Resize(); });
            return false;
        case QEvent::Leave:
            GuardedCall(this, [&] { MouseLeft(); });
            return false;
        case QEvent::ToolTip: {
            const QPoint P = static_cast<QHelpEvent*>(E)->pos();
            bool Own = false;
            GuardedCall(this, [&] { Own = HintRequested(P.x(), P.y()); });
            return Own;
        }
        case QEvent::ContextMenu:
            if (FPopupMenu) {
                auto* C = static_cast<QContextMenuEvent*>(E);
                TPopupMenu* M = FPopupMenu;
                GuardedCall(this, [&] { M->Popup(C->globalPos().x(), C->globalPos().y()); });
                return true;
            }
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* D = static_cast<QDragMoveEvent*>(E);
            bool Keep = false;
            const QPoint At = D->position().toPoint();
            GuardedCall(this, [&] { Keep = DragNotice(dkOver, At.x(), At.y()); });
            Integer Effect = DropEffectsOf(D->possibleActions());
            if (!OnDataDragOver) Effect = DROPEFFECT_NONE;
            else {
                TDataObject Data;
                MimeToDataObject(D->mimeData(), Data);
                QPoint P = D->position().toPoint();
                GuardedCall(this, [&] { FireEvent(OnDataDragOver, this, Data, ShiftOf(D->modifiers(), D->buttons()), P.x(), P.y(), Effect); });
            }
            if (Effect != DROPEFFECT_NONE) {
                D->setDropAction(DropActionOf(Effect));
                D->accept();
            } else if (Keep && E->type() == QEvent::DragEnter) {
                D->setDropAction(Qt::IgnoreAction);   // moves keep coming; nothing is dropped here
                D->accept();
            } else {
                D->ignore();
            }
            return true;
        }
        case QEvent::DragLeave:
            GuardedCall(this, [&] { DragNotice(dkLeave, 0, 0); });
            if (OnDataDragLeave) GuardedCall(this, [&] { FireEvent(OnDataDragLeave, this); });
            return true;
        case QEvent::Drop: {
            auto* D = static_cast<QDropEvent*>(E);
            {
                const QPoint At = D->position().toPoint();
                GuardedCall(this, [&] { DragNotice(dkDrop, At.x(), At.y()); });
            }
            Integer Effect = DropEffectsOf(D->possibleActions());
            if (OnDataDrop) {
                TDataObject Data;
                MimeToDataObject(D->mimeData(), Data);
                QPoint P = D->position().toPoint();
                GuardedCall(this, [&] { FireEvent(OnDataDrop, this, Data, ShiftOf(D->modifiers(), D->buttons()), P.x(), P.y(), Effect); });
            } else {
                Effect = DROPEFFECT_NONE;
            }
            if (Effect != DROPEFFECT_NONE) {
                D->setDropAction(DropActionOf(Effect));
                D->accept();
            } else {
                D->ignore();
            }
            return true;
        }
        default:
            return false;
    }
}

// ---------------------------------------------------------------------------
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    BeforeDestruction();
    // Children outlive their parent's widget only as orphans.
    std::vector<TControl*> Kids = FControls;
    for (TControl* C : Kids) {
        C->FParent = nullptr;
        if (C->FWidget) {
            C->WindowWidget()->hide();
            C->WindowWidget()->setParent(nullptr);
        }
    }
    FControls.clear();
}

void TWinControl::SetFrameWidth(Integer Value) {
    Value = std::max(0, Value);
    if (!FWidget || (Value == FFrameWidth && (FFrame || Value == 0))) return;
    if (!FFrame) {
        // The frame takes the client widget's place among its siblings.
        QWidget* Parent = FWidget->parentWidget();
        auto* Frame = new TFrameWindow(this, Parent);
        Frame->PaintFn = [this](TCanvas* C) { PaintFrame(C); };
        Frame->setObjectName(FWidget->objectName() + QStringLiteral("Frame"));
        Frame->setEnabled(FWidget->isEnabled());
        Frame->setGeometry(Left(), Top(), Width(), Height());
        if (Parent) Frame->stackUnder(FWidget);
        const bool Shown = !FWidget->isHidden();
        FWidget->setParent(Frame);
        FWidget->setEnabled(true);
        FWidget->show();
        Frame->setVisible(Shown);
        FFrame = Frame;
    }
    FFrameWidth = Value;
    PlaceClientInFrame();
    InvalidateFrame();
}

void TWinControl::PaintFrame(TCanvas* Canvas) {
    TRect R = Rect(0, 0, Width(), Height());
    if (FFrameWidth >= 2) {
        DrawEdge(Canvas, R, EDGE_SUNKEN, BF_RECT);
    } else if (FFrameWidth == 1) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(clWindowFrame);
        Canvas->FrameRect(R);
    }
}

void TWinControl::InvalidateFrame() {
    if (FFrame && FWidget) FFrame->update(QRegion(FFrame->rect()) - QRegion(FWidget->geometry()));
}

TControl* TWinControl::Controls(Integer Index) const {
    if (Index < 0 || Index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
    return FControls[static_cast<size_t>(Index)];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
    for (const TControl* C = Control; C; C = C->Parent())
        if (C == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* C) { FControls.push_back(C); }

void TWinControl::RemoveControl(TControl* C) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), C), FControls.end());
    if (C->Align() != alNone) AlignControls();
}

Integer TWinControl::TabOrder() const {
    if (!FParent) return 0;
    Integer N = 0;
    for (TControl* C : FParent->FControls) {
        if (C == this) return N;
        if (dynamic_cast<TWinControl*>(C)) ++N;
    }
    return -1;
}

void TWinControl::SetTabOrder(Integer Value) {
    if (!FParent) return;
    auto& L = FParent->FControls;
    L.erase(std::remove(L.begin(), L.end(), static_cast<TControl*>(this)), L.end());
    Integer N = 0;
    auto It = L.begin();
    for (; It != L.end(); ++It) {
        if (dynamic_cast<TWinControl*>(*It)) {
            if (N == Value) break;
            ++N;
        }
    }
    L.insert(It, this);
}

QWidget* TWinControl::ClientWidget() const { return FWidget; }

bool TWinControl::CanFocus() const {
    if (!FWidget) return false;
    for (const TControl* C = this; C; C = C->Parent()) {
        if (!C->Visible() || !C->Enabled()) return false;
    }
    return GetParentForm(this) != nullptr || dynamic_cast<const TCustomForm*>(this) != nullptr;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    TCustomForm* F = GetParentForm(this);
    if (F && F != this && !F->Showing()) {
        F->SetActiveControl(this);
        return;
    }
    QWidget* W = FWidget->focusProxy() ? FWidget->focusProxy() : FWidget;
    if (F && F != this && F->Widget() && !F->Widget()->isActiveWindow()) F->Widget()->activateWindow();
    W->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const {
    QWidget* W = QApplication::focusWidget();
    return W && ControlOfWidget(W) == this;
}

void TWinControl::CollectTabList(std::vector<TWinControl*>& List) const {
    for (TControl* C : FControls) {
        if (auto* W = dynamic_cast<TWinControl*>(C)) {
            List.push_back(W);
            W->CollectTabList(List);
        }
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
    std::vector<TWinControl*> List;
    CollectTabList(List);
    if (List.empty()) return nullptr;
    const Integer N = static_cast<Integer>(List.size());
    Integer Start = -1;
    for (Integer I = 0; I < N; ++I)
        if (List[static_cast<size_t>(I)] == CurControl) Start = I;
    if (Start < 0) Start = GoForward ? N - 1 : 0;
    Integer I = Start;
    for (Integer Step = 0; Step < N; ++Step) {
        I = GoForward ? (I + 1) % N : (I - 1 + N) % N;
        TWinControl* C = List[static_cast<size_t>(I)];
        if (C == CurControl) continue;
        if (CheckParent && C->Parent() != this) continue;
        // Containers with children pass the focus on to them.
        if (C->ControlCount() > 0 && !C->FTabStop) continue;
        if (C->CanFocus() && (!CheckTabStop || C->TabStop())) return C;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    TWinControl* C = FindNextControl(CurControl, GoForward, CheckTabStop, false);
    if (C) C->SetFocus();
}

void TWinControl::Realign() { AlignControls(); }

void TWinControl::AlignControls() {
    TRect R = ClientRect();
    auto Place = [&](TAlign A) {
        std::vector<TControl*> L;
        for (TControl* C : FControls)
            if (C->Align() == A && C->Visible()) L.push_back(C);
        // Stacking order follows the current positions.
        std::stable_sort(L.begin(), L.end(), [A](TControl* X, TControl* Y) {
            switch (A) {
                case alTop: return X->Top() < Y->Top();
                case alBottom: return X->Top() > Y->Top();
                case alLeft: return X->Left() < Y->Left();
                case alRight: return X->Left() > Y->Left();
                default: return false;
            }
        });
        for (TControl* C : L) {
            switch (A) {
                case alTop: C->SetBounds(R.Left, R.Top, R.Width(), C->Height()); R.Top += C->Height(); break;
                case alBottom: C->SetBounds(R.Left, R.Bottom - C->Height(), R.Width(), C->Height()); R.Bottom -= C->Height(); break;
                case alLeft: C->SetBounds(R.Left, R.Top, C->Width(), R.Height()); R.Left += C->Width(); break;
                case alRight: C->SetBounds(R.Right - C->Width(), R.Top, C->Width(), R.Height()); R.Right -= C->Width(); break;
                case alClient: C->SetBounds(R.Left, R.Top, R.Width(), R.Height()); break;
                default: break;
            }
        }
    };
    Place(alTop);
    Place(alBottom);
    Place(alLeft);
    Place(alRight);
    Place(alClient);
}

void TWinControl::Resize() {
    AlignControls();
    TControl::Resize();
}

void TWinControl::ApplyFont() {
    TControl::ApplyFont();
    for (TControl* C : FControls) C->ParentFontChanged();
}

void TWinControl::ApplyColor() { TControl::ApplyColor(); }

void TWinControl::DoEnter() {
    FireEvent(OnEnter, this);
}

void TWinControl::DoExit() {
    FireEvent(OnExit, this);
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
    FireEvent(OnKeyDown, this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
    FireEvent(OnKeyPress, this, Key);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
    FireEvent(OnKeyUp, this, Key, Shift);
}

bool TWinControl::QtEvent(QEvent* E) {
    if (E->type() == QEvent::KeyPress || E->type() == QEvent::KeyRelease) {
        auto* K = static_cast<QKeyEvent*>(E);
        // Keys that bubble up from a child control are not ours.
        QWidget* FW = QApplication::focusWidget();
        if (FW && ControlOfWidget(FW) != this) return false;
        if (!(K->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
            (K->key() == Qt::Key_Tab || K->key() == Qt::Key_Backtab))
            return false;
        TCustomForm* F = GetParentForm(this);
        bool Preview = F && F != this && F->KeyPreview();
        TShiftState Shift = ShiftOf(K->modifiers());
        Word Key = VirtualKeyOf(K->key(), K->modifiers());
        if (E->type() == QEvent::KeyRelease) {
            if (Key == 0) return false;
            const std::shared_ptr<const bool> Alive = AliveToken();
            GuardedCall(this, [&] {
                if (Preview) F->KeyUp(Key, Shift);
                if (Key && IsAlive(Alive)) KeyUp(Key, Shift);
            });
            if (!IsAlive(Alive)) return true;
            if (Key == 0) return true;
            return false;
        }
        // Handlers may free this control or its form; stop as soon as either is gone.
        const std::shared_ptr<const bool> Alive = AliveToken();
        const std::shared_ptr<const bool> FormAlive = F ? F->AliveToken() : Alive;
        auto Live = [&] { return IsAlive(Alive) && IsAlive(FormAlive); };
        if (Key != 0) {
            GuardedCall(this, [&] {
                if (Preview) F->KeyDown(Key, Shift);
                if (Key && Live()) KeyDown(Key, Shift);
            });
            if (!Live()) return true;
            if (Key == 0) return true;   // swallowed
        }
        char Original = KeyCharOf(K);
        if (Original == 0) return false;
        // Alt with a letter is a button's or menu's key, never text: none answered it.
        if ((K->modifiers() & Qt::AltModifier) && !(K->modifiers() & Qt::ControlModifier)) return true;
        if (Original == '?' && WideKeys() && !K->text().startsWith(QLatin1Char('?'))) {
            Original = char(0xFF);
            const QString T = K->text();
            FKeyPressWide.assign(reinterpret_cast<const char16_t*>(T.utf16()), size_t(T.size()));
        }
        char Ch = Original;
        GuardedCall(this, [&] {
            if (Preview) F->KeyPress(Ch);
            if (Ch && Live()) KeyPress(Ch);
        });
        if (!Live()) return true;
        FKeyPressWide.clear();
        if (Ch == 0) return true;
        if (Ch == 13 && !WantsReturn()) {
            // Not the control's own key: the default button's, or nobody's.
            if (F) F->PressDefaultButton(false);
            return true;
        }
        if (Ch == 27 && !WantsEscape() && F && F->PressDefaultButton(true)) return true;
        if (Ch != Original) {
            QKeyEvent Changed(QEvent::KeyPress, QtKeyOfChar(Ch), K->modifiers(), ToQ(AnsiString(1, Ch)));
            if (IHost* H = HostOf(this)) H->BaseEvent(&Changed);
            return true;
        }
        return false;
    }
    return TControl::QtEvent(E);
}

// ---------------------------------------------------------------------------
TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {
    auto* W = new THost<QWidget>(this);
    W->setFocusPolicy(Qt::StrongFocus);
    W->resize(185, 41);
    SetWidget(W);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}

bool TCustomControl::QtEvent(QEvent* E) {
    if (E->type() == QEvent::Paint) {
        QPainter P(FWidget);
        FCanvas->Font()->Assign(Font());
        FCanvas->BindPainter(&P, ClientRect());
        GuardedCall(this, [&] { Paint(); });
        FCanvas->Unbind();
        return true;
    }
    return TWinControl::QtEvent(E);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}
TGraphicControl::~TGraphicControl() = default;

bool TGraphicControl::QtEvent(QEvent* E) {
    if (E->type() == QEvent::Paint && FCustomPaint) {
        QPainter P(FWidget);
        FCanvas->Font()->Assign(Font());
        FCanvas->BindPainter(&P, ClientRect());
        GuardedCall(this, [&] { Paint(); });
        FCanvas->Unbind();
        return true;
    }
    return TControl::QtEvent(E);
}

TCustomForm* GetParentForm(const TControl* Control) {
    const TControl* C = Control;
    while (C && C->Parent()) C = C->Parent();
    return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(C));
}
