#pragma once
// Driving real widgets on the offscreen platform: keys and clicks as the user gives them.
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Grids.h"
#include "platform/sys/Timers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>

namespace uitest {

inline QWidget* FocusTarget() { return QApplication::focusWidget(); }

inline void SendKey(QWidget* W, int Key, const QString& Text = QString(), Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QKeyEvent Press(QEvent::KeyPress, Key, Mods, Text);
    QApplication::sendEvent(W, &Press);
    QKeyEvent Release(QEvent::KeyRelease, Key, Mods, Text);
    QApplication::sendEvent(W, &Release);
}

// Types text into the focused widget, one key per character. (Narrow literals are
// code page 1254 in this build, so the text comes as UTF-16.)
inline void TypeText(const std::u16string& Text) {
    QString T = QString::fromUtf16(Text.data(), static_cast<qsizetype>(Text.size()));
    for (QChar C : T) {
        int Key = C.isLetter() && C.unicode() < 128 ? Qt::Key_A + (C.toUpper().unicode() - 'A') : C.unicode();
        SendKey(FocusTarget(), Key, QString(C));
    }
}

inline void PressEnter() { SendKey(FocusTarget(), Qt::Key_Return, QStringLiteral("\r")); }
inline void PressTab() { SendKey(FocusTarget(), Qt::Key_Tab, QStringLiteral("\t")); }

inline void PressEscape() { SendKey(FocusTarget(), Qt::Key_Escape, QStringLiteral("\x1b")); }

// A mouse event at P of W: B is the button that changed, Held the buttons down after it.
inline void SendMouse(QWidget* W, QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Held,
                      Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QMouseEvent E(T, QPointF(P), W->mapToGlobal(QPointF(P)), B, Held, Mods);
    QApplication::sendEvent(W, &E);
}
// The left button pressed, moved with it held, or released at P of W.
inline void LeftMouse(QWidget* W, QEvent::Type T, QPoint P) {
    const Qt::MouseButtons Held = T == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    SendMouse(W, T, P, T == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Held);
}
inline void LeftPress(TControl* C, QPoint P) { LeftMouse(C->Widget(), QEvent::MouseButtonPress, P); }
inline void LeftRelease(TControl* C, QPoint P) { LeftMouse(C->Widget(), QEvent::MouseButtonRelease, P); }

inline void Click(TControl* C, QPoint P = QPoint(3, 3)) {
    LeftPress(C, P);
    LeftRelease(C, P);
}

// One notch of the wheel at P of W; Backward is towards the user (down a list).
inline void TurnWheel(QWidget* W, bool Backward, Qt::KeyboardModifiers Mods = Qt::NoModifier,
                      QPointF P = QPointF(50, 50)) {
    QWheelEvent E(P, W->mapToGlobal(P), QPoint(), QPoint(0, Backward ? -120 : 120), Qt::NoButton, Mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(W, &E);
}

// A click at P (default: the middle) as the window system delivers it, so that
// whatever keeps input from a window keeps it from this click too.
inline void SystemClick(TControl* C, QPoint P = QPoint(-1, -1)) {
    QWidget* W = C->Widget();
    if (P.x() < 0) P = W->rect().center();
    QWidget* Top = W->window();
    QTest::mouseClick(Top->windowHandle(), Qt::LeftButton, Qt::NoModifier, W->mapTo(Top, P));
}

// A key as the window system delivers it to the window of C.
inline void SystemKey(TControl* C, Qt::Key Key, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QTest::keyClick(C->Widget()->window()->windowHandle(), Key, Mods);
}

// The window's close button: the close request the window system gives.
inline void SystemClose(TControl* Form) {
    QCloseEvent E;
    QApplication::sendEvent(Form->Widget()->windowHandle(), &E);
}

inline void Settle() { QApplication::processEvents(); }

// Timer-driven behaviour runs late on a busy machine: wait for the outcome, up to a bound.
template <class Pred>
inline bool WaitUntil(Pred P, int TimeoutMs = 3000) {
    for (int Waited = 0; !P(); Waited += 10) {
        if (Waited >= TimeoutMs) return false;
        QTest::qWait(10);
    }
    return true;
}

// A scroll bar's thumb as the bar's style places it; FixedThumb: the bar keeps its
// thumb at one size (the style is told of no page).
inline QRect ScrollThumb(QScrollBar* B, bool FixedThumb) {
    QStyleOptionSlider O;
    O.initFrom(B);
    O.subControls = QStyle::SC_All;
    O.orientation = B->orientation();
    if (O.orientation == Qt::Horizontal) O.state |= QStyle::State_Horizontal;
    O.minimum = B->minimum();
    O.maximum = B->maximum();
    O.sliderPosition = B->sliderPosition();
    O.sliderValue = B->value();
    O.singleStep = B->singleStep();
    O.pageStep = FixedThumb ? 0 : B->pageStep();
    return B->style()->subControlRect(QStyle::CC_ScrollBar, &O, QStyle::SC_ScrollBarSlider, B);
}

// A left-button mouse event at P of the scroll bar.
inline void ScrollBarMouse(QScrollBar* B, QEvent::Type T, QPoint P) { LeftMouse(B, T, P); }

// Takes the thumb at its middle and drags it by Delta pixels along the bar (the
// button stays down); returns where the mouse is.
inline QPoint DragThumb(QScrollBar* B, bool FixedThumb, int Delta) {
    const QPoint From = ScrollThumb(B, FixedThumb).center();
    const QPoint To = From + (B->orientation() == Qt::Vertical ? QPoint(0, Delta) : QPoint(Delta, 0));
    ScrollBarMouse(B, QEvent::MouseButtonPress, From);
    ScrollBarMouse(B, QEvent::MouseMove, To);
    return To;
}

// The colour of a pixel of a grabbed image, as a TColor.
inline TColor PixelAt(const QImage& I, Integer X, Integer Y) {
    const QColor C = I.pixelColor(X, Y);
    return RGB(Byte(C.red()), Byte(C.green()), Byte(C.blue()));
}
inline TColor PixelAt(const QImage& I, QPoint P) { return PixelAt(I, P.x(), P.y()); }

// Pixels of R (clipped to the image) whose colour passes Test.
template <class F>
Integer CountPixels(const QImage& I, const TRect& R, F Test) {
    Integer N = 0;
    for (Integer Y = std::max(0, R.Top); Y < std::min(I.height(), R.Bottom); ++Y)
        for (Integer X = std::max(0, R.Left); X < std::min(I.width(), R.Right); ++X)
            if (Test(PixelAt(I, X, Y))) ++N;
    return N;
}
inline Integer CountColour(const QImage& I, const TRect& R, TColor C) {
    return CountPixels(I, R, [C](TColor P) { return P == C; });
}

// A control of type T made on Parent, and one placed there too.
template <class T>
T* Child(TWinControl* Parent) {
    auto* C = new T(Parent);
    C->SetParent(Parent);
    return C;
}
template <class T>
T* Place(TWinControl* Parent, Integer Left, Integer Top, Integer Width, Integer Height) {
    T* C = Child<T>(Parent);
    C->SetBounds(Left, Top, Width, Height);
    return C;
}

inline QPoint Middle(const TRect& R) { return QPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }

inline void AddOptions(TCustomGrid* G, std::initializer_list<TGridOption> Add) {
    TGridOptions O = G->Options();
    for (TGridOption X : Add) O.Include(X);
    G->SetOptions(O);
}

// The grid's own scroll bar of that orientation.
inline QScrollBar* GridBar(TCustomGrid* G, Qt::Orientation O) {
    for (QScrollBar* B : G->Widget()->findChildren<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly))
        if (B->orientation() == O) return B;
    return nullptr;
}

// One cell of the grid as painted now.
inline QImage CellShot(TCustomGrid* G, Integer ACol, Integer ARow) {
    const TRect R = G->CellRect(ACol, ARow);
    return G->Widget()->grab().toImage().copy(QRect(R.Left, R.Top, R.Width(), R.Height()));
}

// Timers on the manual clock for as long as this lives: they tick when the test says so.
// As a first base it is in place before anything that starts a timer.
struct TManualClock {
    TManualTimerService Clock;
    TTimerServiceGuard Guard{&Clock};
};

// A grid of type G on a form of its own: 600x400 with the grid at (0, 0, 500x300)
// unless told otherwise. Nothing is shown until the test asks (ShowFocused, Shot),
// so a set-up that must happen before the first show goes between.
template <class G>
struct TGridOnForm {
    static constexpr Integer Keep = -1;   // leave the grid's own column or row count
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    G* Grid = nullptr;
    explicit TGridOnForm(Integer Cols, Integer Rows, Integer GridWidth = 500, Integer GridHeight = 300,
                         Integer FormWidth = 600, Integer FormHeight = 400) {
        Form->SetBounds(0, 0, FormWidth, FormHeight);
        Grid = Place<G>(Form.get(), 0, 0, GridWidth, GridHeight);
        if (Cols != Keep) Grid->SetColCount(Cols);
        if (Rows != Keep) Grid->SetRowCount(Rows);
    }
    void Options(std::initializer_list<TGridOption> Add) { AddOptions(Grid, Add); }
    // Shown, its window active and the grid holding the focus, as a user finds it.
    void ShowFocused() {
        Form->Show();
        Form->Widget()->activateWindow();
        Grid->SetFocus();
        Settle();
    }
    // The grid as painted on the shown form.
    QImage Shot() {
        Form->Show();
        Settle();
        return Grid->Widget()->grab().toImage();
    }
    void Key(int K, Qt::KeyboardModifiers Mods = Qt::NoModifier, const QString& Text = QString()) {
        SendKey(FocusTarget(), K, Text, Mods);
    }
    void Mouse(QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Held,
               Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        SendMouse(Grid->Widget(), T, P, B, Held, Mods);
    }
    QPoint Centre(Integer ACol, Integer ARow) const { return Middle(Grid->CellRect(ACol, ARow)); }
};

// A suite whose cases start on a fresh form of type FormT: F.
template <class FormT>
struct TFormTest : ::testing::Test {
    FormT F;
};
// The same for a form holding a grid: G is its grid.
template <class FormT>
struct TGridFormTest : TFormTest<FormT> {
    decltype(FormT::Grid) G = this->F.Grid;
};

// A grid laid out for pixel checks: no scroll bars, white cells, silver fixed cells,
// six columns of the given width on a 700x450 form.
template <class G>
struct TPaintedGridForm : TGridOnForm<G> {
    explicit TPaintedGridForm(Integer ColWidth) : TGridOnForm<G>(TGridOnForm<G>::Keep, TGridOnForm<G>::Keep, 640, 400, 700, 450) {
        G* Grid = this->Grid;
        Grid->SetScrollBars(ssNone);
        Grid->SetColor(clWhite);
        Grid->SetFixedColor(clSilver);
        Grid->SetColCount(6);
        Grid->SetDefaultColWidth(ColWidth);
    }
};

}  // namespace uitest
