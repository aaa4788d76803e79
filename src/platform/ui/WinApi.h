#pragma once
// Small stand-ins for the window-system calls that custom controls make: the
// warning beep, 3-D edges and frame controls drawn on a canvas, the text
// rectangle of a one-line edit, hover notifications and painting over a
// standard control's own drawing.
#include "platform/ui/Controls.h"

#include <functional>

// ---------------------------------------------------------------------------
// The warning beep. Tests replace the handler to count beeps; an empty
// handler goes back to the desktop's beep. Returns the previous handler.
using TBeepHandler = std::function<void(Cardinal Type)>;
TBeepHandler SetBeepHandler(TBeepHandler Handler);
void MessageBeep(Cardinal Type);

// ---------------------------------------------------------------------------
// Edges: outer and inner, raised or sunken.
constexpr Cardinal BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8;
constexpr Cardinal EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr Cardinal EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr Cardinal EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr Cardinal EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr Cardinal BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8, BF_RECT = 0xF;
constexpr Cardinal BF_MIDDLE = 0x800, BF_ADJUST = 0x2000, BF_FLAT = 0x4000;

// Draws the edge around R; BF_MIDDLE fills the inside with the button face,
// BF_ADJUST leaves R as the rectangle inside the edge. BF_FLAT draws each
// border in the shadow colour only.
void DrawEdge(TCanvas* Canvas, TRect& R, Cardinal Edge, Cardinal Flags);

constexpr Cardinal DFC_SCROLL = 3, DFC_BUTTON = 4;
constexpr Cardinal DFCS_SCROLLUP = 0x0, DFCS_SCROLLDOWN = 0x1, DFCS_SCROLLLEFT = 0x2, DFCS_SCROLLRIGHT = 0x3;
constexpr Cardinal DFCS_SCROLLCOMBOBOX = 0x5, DFCS_BUTTONPUSH = 0x10;
constexpr Cardinal DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_FLAT = 0x4000;

// A scroll-bar arrow button or a push-button face in R.
void DrawFrameControl(TCanvas* Canvas, const TRect& R, Cardinal Type, Cardinal State);

// A filled arrow centred in R. Direction: 0 left, 1 right, 2 up, 3 down.
void DrawArrow(TCanvas* Canvas, const TRect& R, Integer Direction, TColor Color);

// ---------------------------------------------------------------------------
// The free space a one-line edit keeps on each side of its text, inside its
// border; text never runs into it. Only for controls on a one-line edit widget.
void SetEditMargins(TControl* Edit, Integer Left, Integer Top, Integer Right, Integer Bottom);
// Whether a one-line edit draws its own frame (an edit laid over a cell draws none).
void SetEditFrame(TControl* Edit, bool Framed);

// Calls Fn(true) when the mouse enters the control, Fn(false) when it leaves.
void WatchMouseHover(TControl* Control, std::function<void(bool Entered)> Fn);

// Fn sees every key-down that reaches the control (or a widget inside it) before the
// control does; a Key it sets to 0 is swallowed. An empty Fn removes the hook.
void SetKeyDownHook(TControl* Control, std::function<void(Word& Key, TShiftState Shift)> Fn);

// Fn sees every mouse press on the control (or a widget inside it) before the control
// does, Double true for the second press of a double click; a true answer swallows it.
// An empty Fn removes the hook.
void SetMousePressHook(TControl* Control, std::function<bool(bool Double)> Fn);

// Fn runs when the keyboard focus leaves the control and everything inside it.
// An empty Fn removes the watch.
void WatchFocusOut(TControl* Control, std::function<void()> Fn);

// Fn draws on the control after its own painting, over its whole area. An
// empty Fn removes the overlay.
void SetPaintOverlay(TControl* Control, std::function<void(TCanvas* Canvas)> Fn);

// Whether the control offers its built-in context menu (cut, copy, paste).
void SetBuiltInContextMenu(TControl* Control, bool Enabled);

// A control the mouse can press but that never takes the keyboard focus.
void SetTakesFocus(TControl* Control, bool Value);

// A click inside Control that lands on nothing focusable keeps the focus where it is
// while Proxy has it (a bar of buttons beside its edit, inside a focusable window).
void SetFocusProxy(TControl* Control, TControl* Proxy);

// ---------------------------------------------------------------------------
// For controls above this layer that look at the layer's raw events (QtEvent):
// what a key press says, and where the keyboard focus is.
struct TRawKey {
    bool Press = false;       // a key press; the rest is empty otherwise
    bool Tab = false;         // Tab or Shift+Tab
    bool Shift = false;       // Shift held, or the backward Tab
    bool CtrlOrAlt = false;
    WideString Text;          // the character(s) the key types
};
TRawKey RawKeyOf(QEvent* Event);
bool IsFocusOutEvent(QEvent* Event);
// The control is being hidden, itself or with a parent.
bool IsHideEvent(QEvent* Event);
// A focus-in event; ByMouse (when given) tells whether a mouse press brought the focus.
bool IsFocusInEvent(QEvent* Event, bool* ByMouse = nullptr);
// Focus on the control's own widget; with Inside also on a widget within it.
bool FocusOn(const TControl* Control, bool Inside);
// A pop-up (a drop-down list or calendar) is open.
bool PopupOpen();
// Sends a key press to the widget holding the focus, as if typed (F4 opens a drop-down).
void SendKeyToFocus(Word Key);

// ---------------------------------------------------------------------------
// Unicode text of the standard controls, past code page 1254: the text of an
// edit, memo or combo box, and the items of a combo box.
WideString WideTextOf(const TControl* Control);
void SetWideTextOf(TControl* Control, const WideString& Value);
WideString ComboItemWideText(const TControl* Combo, Integer Index);
void SetComboItemWideText(TControl* Combo, Integer Index, const WideString& Value);
// The first item equal to Value ignoring case; -1 when none.
Integer ComboFindWide(const TControl* Combo, const WideString& Value);
// Locale order of two wide texts ignoring case: -1, 0 or 1.
Integer WideCompareText(const WideString& A, const WideString& B);

// The least width of a combo box's dropped list (0: the box's own width).
void SetComboDropWidth(TControl* Combo, Integer Width);
