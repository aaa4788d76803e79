#pragma once
// Driving real widgets on the offscreen platform: keys and clicks as the user gives them.
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

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

inline void Click(TControl* C, QPoint P = QPoint(3, 3)) {
    QWidget* W = C->Widget();
    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(P), W->mapToGlobal(QPointF(P)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(W, &Press);
    QMouseEvent Release(QEvent::MouseButtonRelease, QPointF(P), W->mapToGlobal(QPointF(P)), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(W, &Release);
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

}  // namespace uitest
