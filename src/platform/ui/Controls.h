#pragma once
// Controls: the common base of everything on a form, windowed controls that take
// the focus, and custom-drawn controls. Each control stands on one Qt widget that
// it owns; event handlers run guarded, so an exception reaches the application's
// exception dialog instead of Qt.
#include "platform/rtl/Classes.h"
#include "platform/ui/Graphics.h"

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class QEvent;

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TDataObject;

// ---------------------------------------------------------------------------
// Keys, shift state, mouse, cursors, alignment, modal results.
constexpr Word VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_CANCEL = 0x03, VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14;
constexpr Word VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23;
constexpr Word VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
constexpr Word VK_SELECT = 0x29, VK_PRINT = 0x2A, VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E;
constexpr Word VK_HELP = 0x2F, VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D;
constexpr Word VK_NUMPAD0 = 0x60, VK_NUMPAD9 = 0x69, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C;
constexpr Word VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F;
constexpr Word VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75;
constexpr Word VK_F7 = 0x76, VK_F8 = 0x77, VK_F9 = 0x78, VK_F10 = 0x79, VK_F11 = 0x7A, VK_F12 = 0x7B;
constexpr Word VK_NUMLOCK = 0x90, VK_SCROLL = 0x91;
// Letters and digits use their upper-case character code ('A' = 0x41, '0' = 0x30).

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TCursor = SmallInt;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22;
constexpr TCursor crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10;
constexpr TCursor crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15;
constexpr TCursor crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20;
constexpr TCursor crHandPoint = -21, crSizeAll = -22;
// A cursor of the program's own, shown under a positive Id by SetCursor: a picture
// of equal rows, '#' black, '.' white and anything else clear, with its hot spot.
// Registering an Id again replaces its picture.
void RegisterCursor(TCursor Id, const std::vector<const char*>& Picture, Integer HotX, Integer HotY);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

using TModalResult = Integer;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5;
constexpr TModalResult mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10, mrClose = 11;

// Window messages a screen may send to a control through Perform.
constexpr Cardinal WM_NEXTDLGCTL = 0x0028;   // WParam 0: next control in tab order, 1: previous
constexpr Cardinal WM_CLOSE = 0x0010;

using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;
// Drop targets: Effect comes in as the effects the source allows (DROPEFFECT_*) and
// goes out as the one this target takes (DROPEFFECT_NONE refuses).
using TDataDragEvent = std::function<void(TObject* Sender, const TDataObject& Data, TShiftState Shift,
                                          Integer X, Integer Y, Integer& Effect)>;

// Runs Fn; an exception it raises goes to Application->HandleException(Sender).
// Every event the layer fires from Qt goes through this. False when Fn raised.
bool GuardedCall(TObject* Sender, const std::function<void()>& Fn);

// ---------------------------------------------------------------------------
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    void SetName(const AnsiString& NewName) override;   // also the Qt object name

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    bool HasParent() const override { return FParent != nullptr; }
    TComponent* GetParentComponent() const override;

    Integer Left() const { return FLeft; }
    Integer Top() const { return FTop; }
    Integer Width() const { return FWidth; }
    Integer Height() const { return FHeight; }
    void SetLeft(Integer Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(Integer Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(Integer Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(Integer Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    virtual TRect ClientRect() const;
    Integer ClientWidth() const { return ClientRect().Width(); }
    Integer ClientHeight() const { return ClientRect().Height(); }
    virtual void SetClientWidth(Integer Value);
    virtual void SetClientHeight(Integer Value);
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent up to a shown form.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    // Caption and Text are the same text for a control.
    AnsiString Caption() const { return GetText(); }
    void SetCaption(const AnsiString& Value) { SetText(Value); }
    AnsiString Text() const { return GetText(); }
    void SetText(const AnsiString& Value);

    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value);
    bool ShowHint() const;
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);

    void Invalidate();
    void Repaint();
    void Update();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    TPoint ClientToScreen(TPoint P) const;
    TPoint ScreenToClient(TPoint P) const;
    // Handles WM_NEXTDLGCTL and WM_CLOSE; returns 0.
    virtual Integer Perform(Cardinal Msg, Integer WParam, Integer LParam);

    // Programmatic click: fires OnClick (buttons also set the form's modal result).
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;
    TDataDragEvent OnDataDragOver;
    TDataDragEvent OnDataDrop;
    TNotifyEvent OnDataDragLeave;   // a drag that was over the control left it

    // Accepts dropped data (fires OnDataDragOver / OnDataDrop).
    void SetDropTarget(bool Value);

    // The Qt widget (user-interface layer only): the client area, where the control
    // paints, takes the mouse and holds its children.
    QWidget* Widget() const { return FWidget; }
    // The whole window: the frame widget round the client area when the control has
    // a frame (TWinControl::SetFrameWidth), otherwise the client widget itself.
    QWidget* WindowWidget() const;
    // Called by the widget for every Qt event; true when handled here.
    virtual bool QtEvent(QEvent* Event);
    // AliveToken() (TObject) reads false from the start of the control's destruction.

protected:
    // Subclasses make their widget in their constructor and hand it over here.
    void SetWidget(QWidget* W);
    virtual AnsiString GetText() const { return FText; }
    virtual void SetTextCore(const AnsiString& Value);
    virtual void TextChanged() {}
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
    virtual void MouseMove(TShiftState Shift, Integer X, Integer Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
    // The mouse left the control.
    virtual void MouseLeft() {}
    // A hint is due at (X, Y); true when the control showed (or refused) it itself.
    virtual bool HintRequested(Integer X, Integer Y) { return false; }
    // A drag passes over the control (before the drop events): dkOver on entering
    // and moving at (X, Y), dkLeave and dkDrop at its end. True keeps the drag's
    // moves coming even while the control takes no drop.
    enum TDragNoticeKind { dkOver, dkLeave, dkDrop };
    virtual bool DragNotice(TDragNoticeKind Kind, Integer X, Integer Y) { return false; }
    virtual void Resize();
    virtual void ApplyFont();
    virtual void ApplyColor();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void ParentChanged() {}
    // Whether a mouse press and release on the control count as a click; controls
    // whose widget reports clicks itself turn this off.
    bool FClickOnMouseUp = true;
    bool FTransparentBackground = false;   // Color is not painted (labels, images)

    AnsiString FText;
    TWinControl* FParent = nullptr;
    QWidget* FWidget = nullptr;

private:
    friend class TWinControl;
    friend struct TControlAccess;
    void ParentFontChanged();
    void ParentColorChanged();
    void ParentShowHintChanged();
    void ApplyHint();
    void PlaceClientInFrame();
    Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    QWidget* FFrame = nullptr;   // the window round FWidget, when there is a frame
    Integer FFrameWidth = 0;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    AnsiString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TPopupMenu* FPopupMenu = nullptr;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FMousePressed = false;
    bool FFontLock = false;
};

// ---------------------------------------------------------------------------
// A control that can hold the focus and other controls.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    Integer ControlCount() const { return static_cast<Integer>(FControls.size()); }
    TControl* Controls(Integer Index) const;   // EListError out of range
    bool ContainsControl(const TControl* Control) const;

    Integer TabOrder() const;
    void SetTabOrder(Integer Value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }

    // Takes the focus; EInvalidOperation "Cannot focus a disabled or invisible window"
    // when the control cannot.
    virtual void SetFocus();
    bool Focused() const;
    virtual bool CanFocus() const;
    // Moves the focus to the next (or previous) control of this container in tab order
    // after CurControl, wrapping around; with CheckTabStop only controls with TabStop.
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent) const;
    // Lays out the aligned children again.
    void Realign();
    // The widget that holds the children (a form's client area).
    virtual QWidget* ClientWidget() const;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    bool QtEvent(QEvent* Event) override;

    // Focus bookkeeping and keys (fire the events); the layer calls these. An
    // override that runs the inherited one first must check AliveToken() before
    // going on: the event's handler may have freed the control.
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    // True when the control itself uses Enter (multi-line memo, button); otherwise
    // Enter presses the form's default button.
    virtual bool WantsReturn() const { return false; }
    // True when Escape is used by the control itself.
    virtual bool WantsEscape() const { return false; }
    // A control with wide text gives its key-press handlers a typed character outside
    // code page 1254 as 255 (not "?"); KeyPressWide holds the character meanwhile, and
    // the character is typed as it came when the handlers leave the 255.
    virtual bool WideKeys() const { return false; }
    const WideString& KeyPressWide() const { return FKeyPressWide; }

protected:
    // A frame of Value pixels on every side, outside the client area as a window's
    // border is: Left, Top, Width and Height take it in, while painting, the mouse,
    // the children and ClientRect start inside it. 0 takes it away.
    void SetFrameWidth(Integer Value);
    Integer FrameWidth() const { return FFrameWidth; }
    // Paints the frame; Canvas covers the whole window with (0, 0) at its top-left
    // corner, clipped to the frame. Two pixels wide: the sunken edge of a bordered
    // window; one pixel: a line in the window-frame colour.
    virtual void PaintFrame(TCanvas* Canvas);
    void InvalidateFrame();
    void AlignControls();
    void ApplyFont() override;
    void ApplyColor() override;
    void Resize() override;
    bool FTabStop = true;

private:
    friend class TControl;
    void InsertControl(TControl* C);
    void RemoveControl(TControl* C);
    std::vector<TControl*> FControls;   // in tab order for windowed ones
    WideString FKeyPressWide;
    void CollectTabList(std::vector<TWinControl*>& List) const;
};

// A windowed control that draws itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    bool QtEvent(QEvent* Event) override;

protected:
    virtual void Paint();
    std::unique_ptr<TCanvas> FCanvas;
};

// A control without a window of its own that draws itself (labels, images).
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    bool QtEvent(QEvent* Event) override;

protected:
    virtual void Paint() {}
    bool FCustomPaint = true;
    std::unique_ptr<TCanvas> FCanvas;
};

// The form a control sits on (nullptr when it is on none).
TCustomForm* GetParentForm(const TControl* Control);
