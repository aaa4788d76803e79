#pragma once
// Driving real widgets on the offscreen platform: keys and clicks as the user gives them.
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
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

inline void Settle() { QApplication::processEvents(); }

}  // namespace uitest
