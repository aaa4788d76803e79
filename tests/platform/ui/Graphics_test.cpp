#include "platform/ui/Graphics.h"

#include "platform/rtl/Files.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

TEST(Graphics, ColorsAreBgrAndSystemColorsResolve) {
    EXPECT_EQ(RGB(255, 198, 255), 0xFFC6FF);
    EXPECT_EQ(clRed, RGB(255, 0, 0));
    EXPECT_EQ(GetBValue(13500141), 0xCD);
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(240, 240, 240));
    EXPECT_EQ(ColorToRGB(clHighlight), RGB(0, 120, 215));
    EXPECT_EQ(ColorToRGB(15004120), 15004120);
}

TEST(Graphics, FontSizeAndHeightAt96Dpi) {
    TFont F;
    int Changes = 0;
    F.OnChange = [&](TObject*) { ++Changes; };
    EXPECT_EQ(F.Height(), -11);
    EXPECT_EQ(F.Size(), 8);
    F.SetSize(10);
    EXPECT_EQ(F.Height(), -13);
    F.SetHeight(-16);
    EXPECT_EQ(F.Size(), 12);
    F.SetStyle(TFontStyles{fsBold});
    EXPECT_EQ(Changes, 3);
    TFont G;
    G.Assign(&F);
    EXPECT_EQ(G.Height(), -16);
    EXPECT_TRUE(G.Style().Contains(fsBold));
}

TEST(Graphics, CanvasDrawsOnBitmapPixels) {
    TBitmap B;
    B.SetSize(20, 10);
    TCanvas* C = B.Canvas();
    C->Brush()->SetColor(clRed);
    C->FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(C->Pixels(0, 0), clRed);
    EXPECT_EQ(C->Pixels(9, 9), clRed);
    EXPECT_EQ(C->Pixels(10, 0), clWhite);
    EXPECT_EQ(C->Pixels(20, 0), -1);
    C->Pen()->SetColor(clBlue);
    C->MoveTo(10, 5);
    C->LineTo(15, 5);   // the end point is left out
    EXPECT_EQ(C->Pixels(14, 5), clBlue);
    EXPECT_EQ(C->Pixels(15, 5), clWhite);
    C->Brush()->SetColor(clLime);
    C->Rectangle(12, 0, 16, 4);
    EXPECT_EQ(C->Pixels(12, 0), clBlue);
    EXPECT_EQ(C->Pixels(15, 3), clBlue);
    EXPECT_EQ(C->Pixels(13, 1), clLime);
    EXPECT_EQ(C->Pixels(16, 0), clWhite);
    C->SetClipRect(Rect(0, 0, 5, 5));
    C->Brush()->SetColor(clBlack);
    C->FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(C->Pixels(4, 4), clBlack);
    EXPECT_EQ(C->Pixels(6, 6), clRed);
}

// Text drawn into a rectangle shows as at a point: the dots and accents of capitals
// that rise above the face's ascent are not cut at the rectangle's top.
TEST(Graphics, TextInARectangleKeepsTheAccentsOfCapitals) {
    auto Shot = [](bool Bold, bool InRect) {
        TBitmap B;
        B.SetSize(60, 24);
        B.Canvas()->Font()->SetStyle(Bold ? TFontStyles{fsBold} : TFontStyles{});
        TRect R = Rect(2, 6, 58, 24);
        if (InRect) B.Canvas()->DrawText("İÖÜ Ş", R, DT_SINGLELINE | DT_NOPREFIX);
        else B.Canvas()->TextOut(2, 6, "İÖÜ Ş");
        return B.Image().copy();
    };
    for (const bool Bold : {false, true}) EXPECT_EQ(Shot(Bold, true), Shot(Bold, false)) << Bold;
}

TEST(Graphics, TextMeasuringAndCalcRect) {
    TBitmap B;
    B.SetSize(200, 50);
    TCanvas* C = B.Canvas();
    EXPECT_GT(C->TextWidth("Kayıt Tamamlandı."), C->TextWidth("Kayıt"));
    EXPECT_GT(C->TextHeight("Ag"), 0);
    TRect R = Rect(5, 5, 50, 5);
    Integer H = C->DrawText("uzun bir metin ki kırılsın", R, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(R.Left, 5);
    EXPECT_GT(H, C->TextHeight("A"));   // more than one line
    TRect One = Rect(0, 0, 10, 0);
    C->DrawText("&Kaydet", One, DT_CALCRECT | DT_SINGLELINE);
    TRect Plain = Rect(0, 0, 10, 0);
    C->DrawText("&Kaydet", Plain, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_LT(One.Width(), Plain.Width());   // the "&" takes no room
}

// A canvas that has measured and drawn with one font must measure and draw with
// the next exactly as a canvas that never saw the first.
TEST(Graphics, FontChangeAfterMeasuringIsHonoured) {
    const std::vector<std::pair<const char*, std::function<void(TCanvas*)>>> Changes = {
        {"name", [](TCanvas* C) { C->Font()->SetName("DejaVu Serif"); }},
        {"size", [](TCanvas* C) { C->Font()->SetSize(14); }},
        {"height", [](TCanvas* C) { C->Font()->SetHeight(20); }},
        {"bold", [](TCanvas* C) { C->Font()->SetStyle(TFontStyles{fsBold}); }},
        {"italic", [](TCanvas* C) { C->Font()->SetStyle(TFontStyles{fsItalic}); }},
        {"assigned", [](TCanvas* C) {
             TFont F;
             F.SetName("DejaVu Sans Mono");
             F.SetSize(12);
             C->SetFont(&F);
         }},
        {"replaced and back", [](TCanvas* C) {
             C->Font()->SetSize(20);
             C->TextWidth("W");
             C->Font()->SetSize(8);
         }},
        {"bold and plain in turn", [](TCanvas* C) {
             for (int I = 0; I < 3; ++I) {
                 C->Font()->SetStyle(TFontStyles{fsBold});
                 C->TextWidth("W");
                 C->Font()->SetStyle(TFontStyles{});
                 C->TextWidth("W");
             }
             C->Font()->SetStyle(TFontStyles{fsBold});
         }},
        {"third font pushes out the oldest", [](TCanvas* C) {
             C->Font()->SetSize(20);
             C->TextWidth("W");
             C->Font()->SetStyle(TFontStyles{fsItalic});
             C->TextWidth("W");
             C->Font()->SetStyle(TFontStyles{});
             C->Font()->SetSize(8);
         }},
    };
    auto Draw = [](TBitmap& B) {
        TCanvas* C = B.Canvas();
        C->Brush()->SetColor(clWhite);
        C->FillRect(Rect(0, 0, 120, 30));
        C->TextOut(2, 2, "Kayıt WW");
        return std::make_pair(C->TextExtent("Kayıt Tamamlandı."), C->TextWidthW(u"Kay\u0131t"));
    };
    for (const auto& [What, Change] : Changes) {
        SCOPED_TRACE(What);
        TBitmap Used, Fresh;
        Used.SetSize(120, 30);
        Fresh.SetSize(120, 30);
        Draw(Used);
        Change(Used.Canvas());
        Change(Fresh.Canvas());
        EXPECT_EQ(Draw(Used), Draw(Fresh));
        EXPECT_EQ(Used.Image(), Fresh.Image());
        TRect A = Rect(0, 0, 40, 0), B = Rect(0, 0, 40, 0);
        EXPECT_EQ(Used.Canvas()->DrawText("uzun bir metin", A, DT_CALCRECT | DT_WORDBREAK),
                  Fresh.Canvas()->DrawText("uzun bir metin", B, DT_CALCRECT | DT_WORDBREAK));
        EXPECT_EQ(A, B);
    }
}

TEST(Graphics, FontColourChangeRepaintsWithoutChangingSizes) {
    TBitmap B;
    B.SetSize(60, 20);
    TCanvas* C = B.Canvas();
    const TSize Before = C->TextExtent("WWW");
    C->Brush()->SetStyle(bsClear);
    C->Font()->SetColor(clRed);
    C->TextOut(0, 0, "WWW");
    EXPECT_EQ(C->TextExtent("WWW"), Before);
    bool Red = false;
    for (Integer X = 0; X < Before.cx && !Red; ++X)
        for (Integer Y = 0; Y < Before.cy && !Red; ++Y) Red = C->Pixels(X, Y) == clRed;
    EXPECT_TRUE(Red);
}

TEST(Graphics, BitmapSavesAndLoadsAndPictureChoosesByExtension) {
    TTempFolder Dir("uigfx");
    AnsiString Name = Dir.File("b.bmp");
    TBitmap B;
    B.SetSize(4, 3);
    B.Canvas()->SetPixels(1, 1, clNavy);
    B.SaveToFile(Name);
    TPicture P;
    P.LoadFromFile(Name);
    ASSERT_NE(dynamic_cast<TBitmap*>(P.Graphic()), nullptr);
    EXPECT_EQ(P.Width(), 4);
    EXPECT_EQ(P.Bitmap()->Canvas()->Pixels(1, 1), clNavy);
    EXPECT_THROW(P.LoadFromFile(Dir.File("x.gif")), EInvalidGraphic);
    EXPECT_EQ(P.Width(), 4);   // a failed load keeps the picture
}

TEST(Graphics, TransparentBitmapDrawsWithoutItsKeyColour) {
    TBitmap Glyph;
    Glyph.SetSize(2, 2);
    Glyph.Canvas()->SetPixels(0, 1, clFuchsia);   // bottom-left: the key colour
    Glyph.Canvas()->SetPixels(1, 0, clFuchsia);
    Glyph.Canvas()->SetPixels(0, 0, clNavy);
    Glyph.SetTransparent(true);
    TBitmap Dest;
    Dest.SetSize(2, 2);
    Dest.Canvas()->Brush()->SetColor(clYellow);
    Dest.Canvas()->FillRect(Rect(0, 0, 2, 2));
    Dest.Canvas()->Draw(0, 0, &Glyph);
    EXPECT_EQ(Dest.Canvas()->Pixels(0, 0), clNavy);
    EXPECT_EQ(Dest.Canvas()->Pixels(1, 0), clYellow);
}

namespace {

// The rows and columns of a bitmap that hold any pixel other than white.
struct TInk { int Left = 1 << 20, Top = 1 << 20, Right = -1, Bottom = -1; };

TInk InkOf(TBitmap& B) {
    TInk I;
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X)
            if (B.Canvas()->Pixels(X, Y) != clWhite) {
                I.Left = std::min(I.Left, X);
                I.Right = std::max(I.Right, X);
                I.Top = std::min(I.Top, Y);
                I.Bottom = std::max(I.Bottom, Y);
            }
    return I;
}

}  // namespace

// Right and bottom edges are outside every rectangle, as the framework draws.
TEST(Graphics, RectangleEdgesAreExclusive) {
    struct TCase {
        const char* Name;
        std::function<void(TCanvas*)> Draw;
        TInk Expected;
    };
    const std::vector<TCase> Cases = {
        {"FillRect", [](TCanvas* C) { C->FillRect(Rect(2, 3, 12, 8)); }, {2, 3, 11, 7}},
        {"FrameRect", [](TCanvas* C) { C->FrameRect(Rect(2, 3, 12, 8)); }, {2, 3, 11, 7}},
        {"Rectangle", [](TCanvas* C) { C->Rectangle(2, 3, 12, 8); }, {2, 3, 11, 7}},
        {"TextRect", [](TCanvas* C) { C->TextRect(Rect(2, 3, 12, 8), 0, 0, "WWWWWWWWWW"); }, {2, 3, 11, 7}},
        {"LineTo", [](TCanvas* C) { C->MoveTo(2, 3); C->LineTo(2, 8); }, {2, 3, 2, 7}},
        {"Ellipse", [](TCanvas* C) { C->Ellipse(2, 3, 12, 8); }, {2, 3, 11, 7}},
    };
    for (const TCase& T : Cases) {
        TBitmap B;
        B.SetSize(20, 20);
        B.Canvas()->Brush()->SetColor(clRed);
        B.Canvas()->Pen()->SetColor(clBlue);
        T.Draw(B.Canvas());
        TInk I = InkOf(B);
        EXPECT_EQ(I.Left, T.Expected.Left) << T.Name;
        EXPECT_EQ(I.Top, T.Expected.Top) << T.Name;
        EXPECT_EQ(I.Right, T.Expected.Right) << T.Name;
        EXPECT_EQ(I.Bottom, T.Expected.Bottom) << T.Name;
    }
}

TEST(Graphics, FrameRectLeavesTheInsideAlone) {
    TBitmap B;
    B.SetSize(10, 10);
    B.Canvas()->Brush()->SetColor(clNavy);
    B.Canvas()->FrameRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(B.Canvas()->Pixels(9, 9), clNavy);
    EXPECT_EQ(B.Canvas()->Pixels(1, 1), clWhite);
}

// Vertical centring and bottom alignment apply to single lines only; other text
// starts at the top.
TEST(Graphics, DrawTextVerticalPlacement) {
    struct TCase { Cardinal Flags; bool Top; };
    for (TCase T : {TCase{DT_VCENTER, true}, TCase{DT_BOTTOM | DT_WORDBREAK, true},
                    TCase{DT_VCENTER | DT_SINGLELINE, false}, TCase{DT_BOTTOM | DT_SINGLELINE, false}}) {
        TBitmap B;
        B.SetSize(120, 80);
        B.Canvas()->Brush()->SetStyle(bsClear);
        B.Canvas()->Font()->SetColor(clBlack);
        TRect R = Rect(0, 0, 120, 80);
        B.Canvas()->DrawText("Abone", R, T.Flags);
        TInk I = InkOf(B);
        ASSERT_GE(I.Bottom, 0) << T.Flags;
        if (T.Top) EXPECT_LT(I.Top, 10) << T.Flags;
        else EXPECT_GT(I.Top, 20) << T.Flags;
    }
}

TEST(Graphics, DrawTextRightToLeftReadingKeepsTheAlignment) {
    TBitmap B;
    B.SetSize(200, 20);
    B.Canvas()->Brush()->SetStyle(bsClear);
    TRect R = Rect(0, 0, 200, 20);
    B.Canvas()->DrawText("v1.0 (OSB)", R, DT_SINGLELINE | DT_LEFT | DT_RTLREADING | DT_NOPREFIX);
    TInk I = InkOf(B);
    ASSERT_GE(I.Right, 0);
    EXPECT_LT(I.Left, 20);
}

TEST(Graphics, DrawTextReturnsTheHeightOrTheBottomOffset) {
    TBitmap B;
    B.SetSize(100, 60);
    TCanvas* C = B.Canvas();
    const Integer Line = C->TextHeight("A");
    TRect R = Rect(0, 10, 100, 50);
    EXPECT_EQ(C->DrawText("A", R, DT_SINGLELINE), Line);
    // With DT_BOTTOM the offset from the top of R to the text's bottom.
    EXPECT_EQ(C->DrawText("A", R, DT_SINGLELINE | DT_BOTTOM), 40);
    TRect Calc = Rect(0, 10, 100, 10);
    EXPECT_EQ(C->DrawText("A", Calc, DT_CALCRECT | DT_SINGLELINE), Line);
    EXPECT_EQ(Calc.Bottom, 10 + Line);
}

namespace {

// The pixels of one text drawn black on white, row by row.
std::vector<TColor> Drawn(const std::function<void(TCanvas*)>& Draw) {
    TBitmap B;
    B.SetSize(60, 24);
    TCanvas* C = B.Canvas();
    C->Brush()->SetColor(clWhite);
    C->FillRect(Rect(0, 0, 60, 24));
    C->Font()->SetColor(clBlack);
    C->Font()->SetSize(12);
    C->Brush()->SetStyle(bsClear);
    Draw(C);
    std::vector<TColor> P;
    for (Integer Y = 0; Y < 24; ++Y)
        for (Integer X = 0; X < 60; ++X) P.push_back(C->Pixels(X, Y));
    return P;
}

bool Blank(const std::vector<TColor>& P) {
    return std::all_of(P.begin(), P.end(), [](TColor C) { return C == clWhite; });
}

}  // namespace

TEST(Graphics, WideTextDrawsLettersOutsideTheCodePage) {
    // Each way of drawing, given the letter and given the "?" the 8-bit text would hold.
    const std::vector<std::function<void(TCanvas*, const WideString&)>> Ways = {
        [](TCanvas* C, const WideString& W) { C->TextOutW(2, 2, W); },
        [](TCanvas* C, const WideString& W) { C->TextRectW(Rect(0, 0, 60, 24), 2, 2, W); },
        [](TCanvas* C, const WideString& W) {
            TRect R = Rect(2, 2, 60, 24);
            C->DrawTextW(W, R, DT_SINGLELINE | DT_NOPREFIX);
        },
    };
    for (const WideString W : {u"\u03A9", u"\u0416", u"\u4E2D"}) {
        for (const auto& Way : Ways) {
            const auto Letter = Drawn([&](TCanvas* C) { Way(C, W); });
            const auto Question = Drawn([&](TCanvas* C) { Way(C, u"?"); });
            EXPECT_FALSE(Blank(Letter));
            EXPECT_NE(Letter, Question);
        }
    }
    // The 8-bit and wide forms of one text draw alike.
    EXPECT_EQ(Drawn([](TCanvas* C) { C->TextOut(2, 2, "Kay\xFDt"); }),
              Drawn([](TCanvas* C) { C->TextOutW(2, 2, u"Kay\u0131t"); }));
}

TEST(Graphics, WideTextMeasuresAndClipsLikeTheEightBitText) {
    TBitmap B;
    B.SetSize(100, 30);
    TCanvas* C = B.Canvas();
    EXPECT_EQ(0, C->TextWidthW(u""));
    EXPECT_EQ(C->TextExtent("Kayıt"), C->TextExtentW(u"Kay\u0131t"));
    EXPECT_GT(C->TextWidthW(u"\u0416\u0416"), C->TextWidthW(u"\u0416"));
    TRect R = Rect(0, 0, 0, 0);
    const Integer H = C->DrawTextW(u"\u0416", R, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(H, C->TextHeight("A"));
    EXPECT_EQ(R.Width(), C->TextWidthW(u"\u0416"));
    // Nothing leaves the rectangle it is clipped to.
    const auto Clipped = Drawn([](TCanvas* C) { C->TextRectW(Rect(0, 0, 1, 1), 2, 2, u"\u0416\u0416\u0416"); });
    EXPECT_TRUE(Blank(Clipped));
}
