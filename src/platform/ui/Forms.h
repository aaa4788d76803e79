#pragma once
// Forms, data modules, the application object and the screen.
#include "platform/ui/Controls.h"

#include <exception>
#include <initializer_list>

class TMainMenu;
class TButton;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                 poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A top-level window. Width and Height are the window's; the client area lies
// below the menu bar. A form's constructor creates its components and binds its
// events; when it binds OnCreate it calls DoCreate() last (CreateForm does that
// for forms that do not).
class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    void SetVisible(bool Value) override;
    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    TRect ClientRect() const override;
    void SetClientWidth(Integer Value) override;
    void SetClientHeight(Integer Value) override;
    QWidget* ClientWidget() const override;

    // Shows the form and waits until ModalResult is set or the form closes.
    // EInvalidOperation "Cannot make a visible window modal" when already shown.
    TModalResult ShowModal();
    void Close();
    bool CloseQuery();
    // Deletes the form once the events in progress are over.
    void Release();
    bool Modal() const { return FModal; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value);

    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    // The control that has (or gets when the form shows) the focus.
    TWinControl* ActiveControl() const { return FActiveControl ? FActiveControl : FPendingFocus; }
    void SetActiveControl(TWinControl* Value);
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* Value);
    bool Active() const;
    void BringToFront();

    // Fires OnCreate once.
    void DoCreate();

    Integer Perform(Cardinal Msg, Integer WParam, Integer LParam) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    bool QtEvent(QEvent* Event) override;
    // Enter and Escape not taken by the focused control: the default or cancel button.
    bool PressDefaultButton(bool Cancel);

protected:
    void SetTextCore(const AnsiString& Value) override;
    void ApplyColor() override;
    virtual void DoShow();
    virtual void DoHide();
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend void FocusArrived(TWinControl* Control);
    friend void ControlGone(TControl* Control);
    friend class TApplication;
    void PlaceOnScreen();
    TWinControl* FocusTarget() const;
    void FocusFirst(TWinControl* Target);
    void ApplyWindowFlags();
    void LayoutFrame();
    void EndModalLoop();
    QWidget* FClient = nullptr;
    QWidget* FMenuBar = nullptr;
    TMainMenu* FMenu = nullptr;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FPendingFocus = nullptr;
    bool FExiting = false;                 // an OnExit of this form is running
    TWinControl* FFocusMoved = nullptr;    // where the focus went meanwhile
    TPosition FPosition = poDesigned;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FKeyPreview = false;
    bool FCreated = false;
    bool FShowing = false;
    bool FClosing = false;
    void* FLoop = nullptr;   // the running modal event loop
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// A non-visual container of components with creation and destruction events.
class TDataModule : public TComponent {
public:
    explicit TDataModule(TComponent* AOwner);
    ~TDataModule() override;
    void DoCreate();   // fires OnCreate once; exceptions go to the application's handler
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

private:
    bool FCreated = false;
};

// ---------------------------------------------------------------------------
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Makes the Qt application object (once); the layer also does it on first use.
    void Initialize();
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value);
    AnsiString ExeName() const;
    TCustomForm* MainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* Value) { FMainForm = Value; }

    // Creates a form or data module owned by the application into Reference; the
    // first form becomes the main form.
    template <class T>
    void CreateForm(T*& Reference) {
        Reference = new T(this);
        Created(Reference);
    }

    // Shows the main form and runs the message loop until Terminate or the main form closes.
    void Run();
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // From now on the given signals (SIGTERM, SIGINT) end the program as the user
    // would: waiting dialogs are cancelled, modal forms end with mrCancel, the main
    // form closes and Run returns. A second signal while ending ends at once.
    void TerminateOnSignals(std::initializer_list<int> Signals);
    // The signal that ended the message loop, or 0.
    int TerminatingSignal() const { return FSignal; }

    // Reports the exception in flight (call from a catch block): EAbort is silent;
    // OnException when set; otherwise ShowException.
    void HandleException(TObject* Sender);
    void HandleException(TObject* Sender, std::exception_ptr E);
    // The standard exception dialog: the message (with a final period added when its
    // last character sorts after '.') in an error box captioned with the title.
    void ShowException(const Exception& E);
    // Windows-style message box through the prompter; returns IDOK, IDYES, ...
    Integer MessageBox(const AnsiString& Text, const AnsiString& Caption, Integer Flags);

    TExceptionEvent OnException;

private:
    friend class TSignalEnd;
    void Created(TComponent* C);
    void EndBySignal(int Signal);
    AnsiString FTitle;
    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FRunning = false;
    int FSignal = 0;
};

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner);
    // Setting a cursor other than crDefault shows it over every window until reset.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    Integer Width() const;
    Integer Height() const;
    Integer PixelsPerInch() const { return 96; }
    TCustomForm* ActiveForm() const;
    TWinControl* ActiveControl() const;
    Integer FormCount() const;
    TCustomForm* Forms(Integer Index) const;

private:
    TCursor FCursor = crDefault;
};

extern TApplication* Application;
extern TScreen* Screen;
