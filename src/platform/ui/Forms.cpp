#include "platform/ui/Forms.h"
#include "platform/sys/Timers.h"

#include "platform/ui/Controls_p.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Menus_p.h"
#include "platform/ui/StdCtrls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <QDialog>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

namespace {

std::vector<TCustomForm*>& LiveForms() {
    static std::vector<TCustomForm*> Forms;
    return Forms;
}

QEventLoop* GRunLoop = nullptr;

// A modal form and the windows it disabled when it opened. Windows shown later
// (a dialog the modal form opens with Show) take input as usual.
struct TModalLevel {
    TCustomForm* Form;
    std::shared_ptr<const bool> Alive;
    QPointer<QWidget> Window;
    std::vector<QPointer<QWidget>> Disabled;
};

std::vector<TModalLevel>& ModalLevels() {
    static std::vector<TModalLevel> Levels;
    return Levels;
}

bool IsDisabledWindow(const QWidget* Window) {
    for (const TModalLevel& L : ModalLevels())
        for (const QPointer<QWidget>& W : L.Disabled)
            if (W == Window) return true;
    return false;
}

void BringWindowUp(QWidget* W) {
    static const bool CanRaise = QGuiApplication::platformName() != QLatin1String("offscreen");
    if (CanRaise) W->raise();
    W->activateWindow();
}

bool IsUserInput(const QEvent* E) {
    switch (E->type()) {
        case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease: case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: case QEvent::Wheel: case QEvent::KeyPress: case QEvent::KeyRelease:
        case QEvent::ShortcutOverride: case QEvent::Shortcut: case QEvent::ContextMenu:
        case QEvent::TouchBegin: case QEvent::TouchUpdate: case QEvent::TouchEnd:
        case QEvent::TabletPress: case QEvent::TabletRelease: case QEvent::TabletMove:
        case QEvent::DragEnter: case QEvent::DragMove: case QEvent::Drop:
            return true;
        case QEvent::Close:
            return E->spontaneous();   // the window's close button, not the program's Close
        default:
            return false;
    }
}

// A window shown by the program while modal forms run takes input again.
void TakeOutOfModalLevels(const QWidget* Window) {
    for (TModalLevel& L : ModalLevels())
        std::erase_if(L.Disabled, [&](const QPointer<QWidget>& W) { return W == Window; });
}

// Keeps the user's input away from the windows a modal form disabled; a click
// there brings the modal form to the front instead.
class TModalInputFilter : public QObject {
protected:
    bool eventFilter(QObject* O, QEvent* E) override {
        if (ModalLevels().empty() || !O->isWidgetType() || !IsUserInput(E)) return false;
        if (!IsDisabledWindow(static_cast<QWidget*>(O)->window())) return false;
        if (E->type() == QEvent::MouseButtonPress) {
            if (QWidget* Top = ModalLevels().back().Window) BringWindowUp(Top);
        }
        if (E->type() == QEvent::Close) E->ignore();
        else E->accept();   // a shortcut override accepted here fires no shortcut
        return true;
    }
};

// Disables the visible windows for as long as a modal form runs.
class TModalScope {
public:
    explicit TModalScope(TCustomForm* Form) {
        static TModalInputFilter* Filter = nullptr;
        if (!Filter) {
            Filter = new TModalInputFilter;
            QCoreApplication::instance()->installEventFilter(Filter);
        }
        TModalLevel L{Form, Form->AliveToken(), Form->Widget(), {}};
        for (QWidget* W : QApplication::topLevelWidgets())
            if (W != Form->Widget() && W->isVisible() && !IsDisabledWindow(W)) L.Disabled.emplace_back(W);
        ModalLevels().push_back(std::move(L));
        FDepth = ModalLevels().size();
    }
    ~TModalScope() { ModalLevels().resize(FDepth - 1); }
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;

private:
    size_t FDepth;
};

// The active window went away: the innermost modal form still open is where
// the user goes on.
void ReturnToModalForm(const QWidget* Gone) {
    for (auto L = ModalLevels().rbegin(); L != ModalLevels().rend(); ++L) {
        QWidget* Top = L->Window;
        if (!Top || Top == Gone || !Top->isVisible()) continue;
        BringWindowUp(Top);
        return;
    }
}

// The window of a form: Tab and Shift+Tab follow the form's own tab order.
class TFormWindow : public THost<QWidget> {
public:
    using THost<QWidget>::THost;

protected:
    bool focusNextPrevChild(bool Next) override {
        auto* F = dynamic_cast<TCustomForm*>(HostControl());
        if (!F) return QWidget::focusNextPrevChild(Next);
        GuardedCall(F, [&] { F->SelectNext(F->ActiveControl(), Next, true); });
        return true;
    }
};

void CollectButtons(TWinControl* W, std::vector<TButton*>& L) {
    for (Integer I = 0; I < W->ControlCount(); ++I) {
        TControl* C = W->Controls(I);
        if (auto* B = dynamic_cast<TButton*>(C)) L.push_back(B);
        if (auto* Sub = dynamic_cast<TWinControl*>(C)) CollectButtons(Sub, L);
    }
}

// Signals reach the message loop through a pipe: the handler only writes the
// signal's number, the loop does the rest.
int GSignalPipe[2] = {-1, -1};
volatile sig_atomic_t GSignalsSeen = 0;
TApplication* GSignalTarget = nullptr;

void OnTerminatingSignal(int Signal) {
    const bool Again = GSignalsSeen != 0;
    GSignalsSeen = 1;
    if (Again) {
        // Asked again while ending: end now.
        ::signal(Signal, SIG_DFL);
        ::raise(Signal);
        return;
    }
    // Should the loop be stuck in a long call, the process still ends.
    ::alarm(10);
    const int Saved = errno;
    const unsigned char B = static_cast<unsigned char>(Signal);
    [[maybe_unused]] ssize_t N = ::write(GSignalPipe[1], &B, 1);
    errno = Saved;
}

}  // namespace

class TSignalEnd {
public:
    static void Deliver() {
        unsigned char B = 0;
        int Signal = 0;
        while (::read(GSignalPipe[0], &B, 1) == 1) Signal = B;
        if (Signal && GSignalTarget) GSignalTarget->EndBySignal(Signal);
    }
};

namespace {

// The file chooser asks for its type names ("Folder", "Drive", "%1 File") under
// QAbstractFileIconProvider; the Turkish catalogue holds them under QFileDialog.
class TFileTypeNames : public QTranslator {
public:
    explicit TFileTypeNames(QTranslator* Catalogue) : QTranslator(Catalogue), FCatalogue(Catalogue) {}
    QString translate(const char* Context, const char* Source, const char* Disambiguation, int N) const override {
        if (qstrcmp(Context, "QAbstractFileIconProvider") != 0) return QString();
        return FCatalogue->translate("QFileDialog", Source, Disambiguation, N);
    }
    bool isEmpty() const override { return false; }

private:
    QTranslator* FCatalogue;
};

}  // namespace

void EnsureQtApp() {
    static QApplication* Connected = nullptr;
    if (!QCoreApplication::instance()) {
        static int Argc = 1;
        static char Arg0[] = "osbzemtar";
        static char* Argv[] = {Arg0, nullptr};
        new QApplication(Argc, Argv);
    }
    auto* App = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (App && Connected != App) {
        Connected = App;
        // The forms decide when the program ends, not the last window.
        App->setQuitOnLastWindowClosed(false);
        // Message boxes, menus and hints in the forms' default font.
        const TFont Default;
        QApplication::setFont(ToQFont(&Default));
        // The screens are Turkish whatever the system's language: so are Qt's own
        // dialogs and buttons. Without the catalogue they stay in English.
        auto* Turkish = new QTranslator(App);
        if (Turkish->load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(Turkish);
            QCoreApplication::installTranslator(new TFileTypeNames(Turkish));
        }
        QObject::connect(App, &QApplication::focusChanged, App, [](QWidget*, QWidget* Now) {
            if (!Now) return;
            // The focused control shows its focus mark however the focus came to it
            // (Enter moving on, a click, the program), not only after a Tab.
            Now->window()->setAttribute(Qt::WA_KeyboardFocusChange);
            if (auto* W = dynamic_cast<TWinControl*>(ControlOfWidget(Now))) FocusArrived(W);
        });
    }
}

bool GuardedCall(TObject* Sender, const std::function<void()>& Fn) {
    try {
        Fn();
        return true;
    } catch (...) {
        ReportStrayException(Sender);
        return false;
    }
}

void ReportStrayException(TObject* Sender) {
    std::exception_ptr E = std::current_exception();
    try {
        if (Application) Application->HandleException(Sender, E);
    } catch (...) {
        // The report itself failed (a prompter that throws): nothing more can be
        // done, and nothing may reach Qt.
    }
}

void FocusArrived(TWinControl* C) {
    TCustomForm* F = GetParentForm(C);
    if (!F || F == C || F->ComponentState().Contains(csDestroying)) return;
    if (F->FExiting) {
        // The focus moves while an exit handler runs (a message box takes it and
        // gives it back, or the handler puts it somewhere): the handler's caller
        // settles where it ends.
        F->FFocusMoved = C;
        return;
    }
    if (C == F->FActiveControl) return;
    TWinControl* Prev = F->FActiveControl;
    F->FPendingFocus = nullptr;
    if (Prev) {
        const std::shared_ptr<const bool> FormAlive = F->AliveToken();
        const std::shared_ptr<const bool> TargetAlive = C->AliveToken();
        F->FExiting = true;
        F->FFocusMoved = nullptr;
        GuardedCall(Prev, [&] { Prev->DoExit(); });
        if (!IsAlive(FormAlive)) return;
        F->FExiting = false;
        if (F->FFocusMoved) {
            // Where the focus went during the handler has the last word; back on
            // the control it left means it never left.
            C = F->FFocusMoved;
            F->FFocusMoved = nullptr;
            if (C == F->FActiveControl) return;
        } else if (!IsAlive(TargetAlive)) {
            return;   // the exit handler freed where the focus was going
        }
    }
    F->FActiveControl = C;
    GuardedCall(C, [&] { C->DoEnter(); });
}

void ControlGone(TControl* C) {
    for (TCustomForm* F : LiveForms()) {
        if (F->FActiveControl == C) F->FActiveControl = nullptr;
        if (F->FPendingFocus == C) F->FPendingFocus = nullptr;
        if (F->FFocusMoved == C) F->FFocusMoved = nullptr;
    }
    if (Application && Application->MainForm() == C) Application->SetMainForm(nullptr);
}

// ---------------------------------------------------------------------------
TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
    auto* Frame = new TFormWindow(this);
    FClient = new THost<QWidget>(this, Frame);
    Frame->resize(320, 240);
    SetWidget(Frame);
    SetBounds(0, 0, 320, 240);
    LiveForms().push_back(this);
    TControl::SetVisible(false);   // a form appears when it is shown
    SetColor(clBtnFace);
    FTabStop = false;
    ApplyWindowFlags();
}

TCustomForm::~TCustomForm() {
    GuardedCall(this, [&] { FireEvent(OnDestroy, this); });
    if (FLoop) static_cast<QEventLoop*>(FLoop)->quit();
    BeforeDestruction();
    auto& L = LiveForms();
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    if (IHost* H = dynamic_cast<IHost*>(FClient)) H->DetachControl();
    if (FMenu) DetachMenuBar(FMenu, FMenuBar);
}

QWidget* TCustomForm::ClientWidget() const { return FClient; }

void TCustomForm::LayoutFrame() {
    int MenuH = 0;
    if (FMenuBar) {
        MenuH = FMenuBar->sizeHint().height();
        FMenuBar->setGeometry(0, 0, Width(), MenuH);
    }
    if (FClient) FClient->setGeometry(0, MenuH, Width(), std::max(0, Height() - MenuH));
}

TRect TCustomForm::ClientRect() const {
    int MenuH = FMenuBar ? FMenuBar->sizeHint().height() : 0;
    return Rect(0, 0, Width(), std::max(0, Height() - MenuH));
}

void TCustomForm::SetClientWidth(Integer Value) { SetWidth(Value); }
void TCustomForm::SetClientHeight(Integer Value) {
    int MenuH = FMenuBar ? FMenuBar->sizeHint().height() : 0;
    SetHeight(Value + MenuH);
}

void TCustomForm::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    // A fixed-size border keeps the window at the size set last, not the size it had then.
    const bool Fixed = FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow;
    if (FWidget && Fixed) {
        FWidget->setMinimumSize(0, 0);
        FWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FWidget && Fixed) FWidget->setFixedSize(Width(), Height());
    LayoutFrame();
    AlignControls();
}

void TCustomForm::SetTextCore(const AnsiString& Value) {
    FText = Value;
    if (FWidget) FWidget->setWindowTitle(ToQ(Value));
}

void TCustomForm::ApplyColor() {
    TWinControl::ApplyColor();
    if (!FClient) return;
    QPalette P = FClient->palette();
    P.setColor(QPalette::Window, ToQColor(Color()));
    FClient->setPalette(P);
    FClient->setAutoFillBackground(true);
}

void TCustomForm::ApplyWindowFlags() {
    if (!FWidget) return;
    Qt::WindowFlags F = Qt::Window;
    switch (FBorderStyle) {
        case bsNone: F |= Qt::FramelessWindowHint; break;
        case bsDialog: F = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint; break;
        case bsToolWindow: case bsSizeToolWin: F = Qt::Tool; break;
        default: break;
    }
    if (FFormStyle == fsStayOnTop) F |= Qt::WindowStaysOnTopHint;
    bool WasVisible = FWidget->isVisible();
    FWidget->setWindowFlags(F);
    if (FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow)
        FWidget->setFixedSize(Width(), Height());
    else {
        FWidget->setMinimumSize(0, 0);
        FWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (WasVisible) FWidget->show();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    FBorderStyle = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    FFormStyle = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetWindowState(TWindowState Value) {
    FWindowState = Value;
    if (!FWidget || !FShowing) return;
    if (Value == wsMaximized) FWidget->showMaximized();
    else if (Value == wsMinimized) FWidget->showMinimized();
    else FWidget->showNormal();
}

void TCustomForm::SetMenu(TMainMenu* Value) {
    if (Value == FMenu) return;
    if (FMenu) {
        DetachMenuBar(FMenu, FMenuBar);
        FMenu->RemoveFreeNotification(this);
        delete FMenuBar;
        FMenuBar = nullptr;
    }
    FMenu = Value;
    if (Value) {
        Value->FreeNotification(this);
        FMenuBar = AttachMenuBar(Value, FWidget);
        FMenuBar->show();
    }
    LayoutFrame();
    AlignControls();
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMenu) {
        DetachMenuBar(FMenu, FMenuBar);
        FMenu = nullptr;
        delete FMenuBar;
        FMenuBar = nullptr;
        LayoutFrame();
    }
}

bool TCustomForm::Active() const { return FWidget && FWidget->isActiveWindow(); }

void TCustomForm::BringToFront() {
    if (!FWidget) return;
    FWidget->raise();
    FWidget->activateWindow();
}

void TCustomForm::SetActiveControl(TWinControl* Value) {
    if (Value && GetParentForm(Value) != this) throw EInvalidOperation("Invalid control for this form");
    if (!Value) {
        FPendingFocus = nullptr;
        return;
    }
    if (FShowing && Value->CanFocus()) Value->SetFocus();
    else FPendingFocus = Value;
}

void TCustomForm::DoCreate() {
    if (FCreated) return;
    FCreated = true;
    GuardedCall(this, [&] { FireEvent(OnCreate, this); });
}

void TCustomForm::DoShow() {
    FireEvent(OnShow, this);
}

void TCustomForm::DoHide() {
    FireEvent(OnHide, this);
}

void TCustomForm::PlaceOnScreen() {
    QScreen* S = QGuiApplication::primaryScreen();
    if (!S) return;
    QRect Area = S->availableGeometry();
    int X = Left(), Y = Top();
    TCustomForm* Main = Application ? Application->MainForm() : nullptr;
    switch (FPosition) {
        case poScreenCenter:
        case poDesktopCenter:
            X = Area.x() + (Area.width() - Width()) / 2;
            Y = Area.y() + (Area.height() - Height()) / 2;
            break;
        case poMainFormCenter:
        case poOwnerFormCenter: {
            TCustomForm* Ref = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : Main;
            if (!Ref || Ref == this) Ref = Main;
            if (Ref && Ref != this) {
                X = Ref->Left() + (Ref->Width() - Width()) / 2;
                Y = Ref->Top() + (Ref->Height() - Height()) / 2;
            } else {
                X = Area.x() + (Area.width() - Width()) / 2;
                Y = Area.y() + (Area.height() - Height()) / 2;
            }
            break;
        }
        default:
            break;
    }
    if (X != Left() || Y != Top()) TControl::SetBounds(X, Y, Width(), Height());
}

TWinControl* TCustomForm::FocusTarget() const {
    TWinControl* Target = FPendingFocus ? FPendingFocus : FActiveControl;
    if (Target && Target->CanFocus()) return Target;
    return FindNextControl(nullptr, true, true, false);
}

void TCustomForm::FocusFirst(TWinControl* Target) {
    FPendingFocus = nullptr;
    if (Target && Target->CanFocus() && !Target->Focused()) Target->SetFocus();
}

void TCustomForm::SetVisible(bool Value) {
    if (Value == Visible() && Value == FShowing) {
        // Shown again while a modal form that came up later has it disabled (a
        // dialog left open while its screen closed, opened from the next visit):
        // the program hands it to the operator, as a form shown now.
        if (Value && FWidget) {
            TakeOutOfModalLevels(FWidget);
            BringWindowUp(FWidget);
        }
        return;
    }
    if (Value) {
        // OnShow and the activation that follows may free the form.
        const std::shared_ptr<const bool> Alive = AliveToken();
        TControl::SetVisible(true);
        GuardedCall(this, [&] { DoShow(); });
        if (!IsAlive(Alive) || !Visible()) return;   // freed, or OnShow hid it again
        PlaceOnScreen();
        FWidget->setGeometry(Left(), Top(), Width(), Height());
        // Chosen before Qt picks a first widget of its own on showing.
        TWinControl* Target = FocusTarget();
        if (Target && Target->Widget()) {
            QWidget* W = Target->Widget()->focusProxy() ? Target->Widget()->focusProxy() : Target->Widget();
            W->setFocus(Qt::OtherFocusReason);
        }
        const std::shared_ptr<const bool> TargetAlive = Target ? Target->AliveToken() : nullptr;
        FShowing = true;
        FWidget->show();
        if (!IsAlive(Alive)) return;
        LayoutFrame();
        AlignControls();
        // A window shown again keeps its old place in the stack, under the modal form
        // that came up when it was hidden: a shown form comes to the front.
        BringWindowUp(FWidget);
        // Let the window system's activation arrive, so the focus is real.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!IsAlive(Alive)) return;
        if (FShowing) FocusFirst(IsAlive(TargetAlive) ? Target : nullptr);
    } else {
        TControl::SetVisible(false);
        bool Was = FShowing;
        FShowing = false;
        const bool WasActive = FWidget->isActiveWindow();
        FWidget->hide();
        if (WasActive) ReturnToModalForm(FWidget);
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (Was) GuardedCall(this, [&] { DoHide(); });
        if (IsAlive(Alive) && FLoop) static_cast<QEventLoop*>(FLoop)->quit();
    }
}

void TCustomForm::SetModalResult(TModalResult Value) {
    FModalResult = Value;
    if (Value != mrNone && FLoop) static_cast<QEventLoop*>(FLoop)->quit();
}

bool TCustomForm::CloseQuery() {
    bool CanClose = true;
    if (!GuardedCall(this, [&] { FireEvent(OnCloseQuery, this, CanClose); })) return false;
    return CanClose;
}

TModalResult TCustomForm::ShowModal() {
    if (FShowing || FModal) throw EInvalidOperation("Cannot make a visible window modal");
    const std::shared_ptr<const bool> Alive = AliveToken();
    FModalResult = mrNone;
    FModal = true;
    TModalScope Scope(this);
    TCloseAction Action = caHide;
    QEventLoop Loop;
    FLoop = &Loop;
    SetVisible(true);
    if (!IsAlive(Alive)) return mrCancel;   // freed while being shown
    for (;;) {
        if (!IsAlive(Alive)) return mrCancel;   // freed while modal
        if (FModalResult != mrNone) {
            Action = caHide;
            bool Can = CloseQuery();
            if (Can && IsAlive(Alive)) GuardedCall(this, [&] { FireEvent(OnClose, this, Action); });
            if (!IsAlive(Alive)) return mrCancel;
            if (!Can || Action == caNone) {
                FModalResult = mrNone;
                continue;
            }
            break;
        }
        if (!FShowing || Application->Terminated()) {
            FModalResult = mrCancel;
            break;
        }
        Loop.exec();
    }
    TModalResult Result = FModalResult;
    FLoop = nullptr;
    FModal = false;
    SetVisible(false);
    if (!IsAlive(Alive)) return Result;   // OnHide freed it
    if (Action == caFree) Release();
    return Result;
}

void TCustomForm::Close() {
    if (FModal) {
        SetModalResult(mrCancel);
        return;
    }
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (!CloseQuery() || !IsAlive(Alive)) return;
    TCloseAction Action = caHide;
    GuardedCall(this, [&] { FireEvent(OnClose, this, Action); });
    if (!IsAlive(Alive) || Action == caNone) return;
    if (Application && Application->MainForm() == this) {
        SetVisible(false);
        Application->Terminate();
        return;
    }
    switch (Action) {
        case caHide: SetVisible(false); break;
        case caMinimize: SetWindowState(wsMinimized); break;
        case caFree: SetVisible(false); Release(); break;
        default: break;
    }
}

void TCustomForm::Release() {
    std::shared_ptr<const bool> Alive = AliveToken();
    QTimer::singleShot(0, QCoreApplication::instance(), [Alive, this] {
        if (IsAlive(Alive)) delete this;
    });
}

Integer TCustomForm::Perform(Cardinal Msg, Integer WParam, Integer LParam) {
    return TWinControl::Perform(Msg, WParam, LParam);
}

bool TCustomForm::PressDefaultButton(bool Cancel) {
    std::vector<TButton*> L;
    CollectButtons(this, L);
    for (TButton* B : L) {
        if ((Cancel ? B->Cancel() : B->Default()) && B->Visible() && B->Enabled()) {
            GuardedCall(B, [&] { B->Click(); });
            return true;
        }
    }
    return false;
}

bool TCustomForm::QtEvent(QEvent* E) {
    switch (E->type()) {
        case QEvent::Close:
            // The window's close button: the form decides.
            E->ignore();
            GuardedCall(this, [&] { Close(); });
            return true;
        case QEvent::Resize:
            if (FWidget && (FWidget->width() != Width() || FWidget->height() != Height()) &&
                E->spontaneous()) {
                TControl::SetBounds(Left(), Top(), FWidget->width(), FWidget->height());
                LayoutFrame();
                AlignControls();
            }
            GuardedCall(this, [&] { TControl::Resize(); });
            return false;
        case QEvent::WindowActivate:
            GuardedCall(this, [&] { FireEvent(OnActivate, this); });
            return false;
        case QEvent::WindowDeactivate:
            GuardedCall(this, [&] { FireEvent(OnDeactivate, this); });
            return false;
        default:
            return TWinControl::QtEvent(E);
    }
}

// ---------------------------------------------------------------------------
TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) {}

TDataModule::~TDataModule() {
    if (FCreated) GuardedCall(this, [&] { FireEvent(OnDestroy, this); });
}

void TDataModule::DoCreate() {
    if (FCreated) return;
    FCreated = true;
    GuardedCall(this, [&] { FireEvent(OnCreate, this); });
}

// ---------------------------------------------------------------------------
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    // A timer handler's exception goes to the exception dialog like any other event's.
    SetTimerExceptionHandler([](std::exception_ptr Error) {
        GuardedCall(nullptr, [Error] { std::rethrow_exception(Error); });
    });
}
TApplication::~TApplication() {
    if (GSignalTarget == this) GSignalTarget = nullptr;
}

void TApplication::TerminateOnSignals(std::initializer_list<int> Signals) {
    EnsureQtApp();
    if (GSignalPipe[0] < 0) {
        if (::pipe2(GSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) RaiseLastOSError();
        auto* N = new QSocketNotifier(GSignalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(N, &QSocketNotifier::activated, N, [] { TSignalEnd::Deliver(); });
    }
    GSignalTarget = this;
    GSignalsSeen = 0;
    struct sigaction A {};
    A.sa_handler = OnTerminatingSignal;
    sigemptyset(&A.sa_mask);
    A.sa_flags = SA_RESTART;
    for (int S : Signals) ::sigaction(S, &A, nullptr);
}

void TApplication::EndBySignal(int Signal) {
    FSignal = Signal;
    // Nobody is there to answer: dialogs waiting are cancelled first.
    for (int Tries = 0; Tries < 32; ++Tries) {
        QWidget* W = QApplication::activeModalWidget();
        if (!W) break;
        if (auto* D = qobject_cast<QDialog*>(W)) D->reject();
        else W->close();
    }
    for (auto L = ModalLevels().rbegin(); L != ModalLevels().rend(); ++L)
        if (IsAlive(L->Alive)) L->Form->SetModalResult(mrCancel);
    if (FMainForm) GuardedCall(FMainForm, [this] { FMainForm->Close(); });
    Terminate();   // even when a form refused to close
}

void TApplication::Initialize() { EnsureQtApp(); }

void TApplication::SetTitle(const AnsiString& Value) {
    FTitle = Value;
    if (QCoreApplication::instance()) QGuiApplication::setApplicationDisplayName(ToQ(Value));
}

AnsiString TApplication::ExeName() const {
    char Buf[4096];
    ssize_t N = ::readlink("/proc/self/exe", Buf, sizeof(Buf) - 1);
    if (N <= 0) return AnsiString();
    return Utf8ToAnsi(std::string_view(Buf, static_cast<size_t>(N)));
}

void TApplication::Created(TComponent* C) {
    if (auto* F = dynamic_cast<TCustomForm*>(C)) {
        if (!FMainForm) FMainForm = F;
        F->DoCreate();
    } else if (auto* D = dynamic_cast<TDataModule*>(C)) {
        D->DoCreate();
    }
}

void TApplication::Run() {
    EnsureQtApp();
    FRunning = true;
    if (FMainForm && !FMainForm->Visible()) FMainForm->Show();
    else if (FMainForm && !FMainForm->FShowing) FMainForm->SetVisible(true);
    while (!FTerminated && FMainForm) {
        QEventLoop Loop;
        GRunLoop = &Loop;
        Loop.exec();
        GRunLoop = nullptr;
    }
    FRunning = false;
}

void TApplication::ProcessMessages() {
    EnsureQtApp();
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
}

void TApplication::Terminate() {
    FTerminated = true;
    if (GRunLoop) GRunLoop->quit();
    for (TCustomForm* F : LiveForms())
        if (F->FLoop) static_cast<QEventLoop*>(F->FLoop)->quit();
}

void TApplication::HandleException(TObject* Sender) { HandleException(Sender, std::current_exception()); }

void TApplication::HandleException(TObject* Sender, std::exception_ptr E) {
    if (!E) return;
    auto Report = [&](const Exception& Ex) {
        if (OnException) {
            try {
                FireEvent(OnException, Sender, Ex);
                return;
            } catch (...) {
                // A failing handler must not loop back into itself.
            }
        }
        ShowException(Ex);
    };
    try {
        std::rethrow_exception(E);
    } catch (const EAbort&) {
    } catch (const Exception& Ex) {
        Report(Ex);
    } catch (const std::exception& Ex) {
        Report(Exception(AnsiString(Ex.what())));
    } catch (...) {
        Report(Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const Exception& E) {
    // The system's own words about a file are English; the operator reads Turkish.
    const auto* File = dynamic_cast<const EFileStreamError*>(&E);
    AnsiString Msg = File && File->ErrorCode != 0 ? FileErrorText(*File) : E.Message();
    if (!Msg.empty() && static_cast<unsigned char>(Msg.back()) > static_cast<unsigned char>('.')) Msg += '.';
    Prompter()->MessageBox(Msg, FTitle, MB_OK | MB_ICONSTOP);
}

Integer TApplication::MessageBox(const AnsiString& Text, const AnsiString& Caption, Integer Flags) {
    return Prompter()->MessageBox(Text, Caption, Flags);
}

// ---------------------------------------------------------------------------
TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

void TScreen::SetCursor(TCursor Value) {
    if (Value == FCursor) return;
    EnsureQtApp();
    TCursor Old = FCursor;
    FCursor = Value;
    if (Value == crDefault) {
        if (Old != crDefault) QApplication::restoreOverrideCursor();
    } else if (Old == crDefault) {
        QApplication::setOverrideCursor(CursorOf(Value));
    } else {
        QApplication::changeOverrideCursor(CursorOf(Value));
    }
}

Integer TScreen::Width() const {
    EnsureQtApp();
    QScreen* S = QGuiApplication::primaryScreen();
    return S ? S->geometry().width() : 0;
}

Integer TScreen::Height() const {
    EnsureQtApp();
    QScreen* S = QGuiApplication::primaryScreen();
    return S ? S->geometry().height() : 0;
}

TCustomForm* TScreen::ActiveForm() const {
    QWidget* W = QApplication::activeWindow();
    return W ? dynamic_cast<TCustomForm*>(ControlOfWidget(W)) : nullptr;
}

TWinControl* TScreen::ActiveControl() const {
    TCustomForm* F = ActiveForm();
    return F ? F->ActiveControl() : nullptr;
}

Integer TScreen::FormCount() const { return static_cast<Integer>(LiveForms().size()); }

TCustomForm* TScreen::Forms(Integer Index) const {
    if (Index < 0 || Index >= FormCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
    return LiveForms()[static_cast<size_t>(Index)];
}
