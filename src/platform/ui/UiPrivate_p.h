#pragma once
// Crossings between the layer's own types and Qt. Private to the user-interface layer.
#include "platform/rtl/CodePage.h"
#include "platform/ui/Graphics.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSignalBlocker>
#include <QString>

#include <utility>

inline QString ToQ(const AnsiString& S) {
    WideString W = AnsiToWide(S);
    return QString::fromUtf16(W.data(), static_cast<qsizetype>(W.size()));
}

inline AnsiString FromQ(const QString& S) {
    return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(S.utf16()), static_cast<size_t>(S.size())));
}

// What an 8-bit control stores of S, to be shown in its place: a letter outside the code
// page becomes the "?" its Text gives. Pos, a caret in S, moves with it.
inline QString ShownAsStored(const QString& S, int* Pos = nullptr) {
    if (Pos) *Pos = static_cast<int>(ToQ(FromQ(S.left(*Pos))).size());
    return ToQ(FromQ(S));
}

// Puts what an 8-bit line edit stores in place of what it shows, keeping the caret.
template <class TLine>
void ShowAsStored(TLine* L) {
    int Pos = L->cursorPosition();
    const QString Stored = ShownAsStored(L->text(), &Pos);
    if (Stored == L->text()) return;
    const QSignalBlocker B(L);
    L->setText(Stored);
    L->setCursorPosition(Pos);
}

// One code page 1254 byte of a Qt character; 0 when the text is empty, '?' when not representable.
inline char CharFromQ(const QString& S) {
    if (S.isEmpty()) return 0;
    AnsiString A = FromQ(S.left(1));
    return A.empty() ? 0 : A[0];
}

inline QColor ToQColor(TColor C) {
    TColor V = ColorToRGB(C);
    return QColor(GetRValue(V), GetGValue(V), GetBValue(V));
}

inline TColor FromQColor(const QColor& C) { return RGB(Byte(C.red()), Byte(C.green()), Byte(C.blue())); }

inline QRect ToQRect(const TRect& R) { return QRect(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top); }
inline TRect FromQRect(const QRect& R) { return Rect(R.left(), R.top(), R.left() + R.width(), R.top() + R.height()); }

QFont ToQFont(const TFont* F);
// Pixels to move a line of F's text down (negative: up) so that its baseline lies
// where the named face puts it, when the installed stand-in has another ascent.
int BaselineShift(const TFont* F);
// Pixels by which the dots and accents of Turkish capitals (İ, Ö, Ü, Ğ, Ş, Ç) reach
// above the face's ascent or below its descent, one more for the rounding of the
// metrics: the room a line of text needs beyond its height to show them whole.
int AccentOverhang(const QFontMetrics& M);

// Makes the process's QApplication when there is none yet (tests, early start-up).
void EnsureQtApp();

