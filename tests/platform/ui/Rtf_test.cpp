#include "platform/ui/Rtf.h"

#include "platform/rtl/CodePage.h"

#include <gtest/gtest.h>

namespace {

TRtfCharFormat Fmt(TFontStyles Style = {}, TColor Color = clNone, Integer Size = 0, const AnsiString& Font = "",
                   TColor Highlight = clNone) {
    TRtfCharFormat F;
    F.Style = Style;
    F.Color = Color;
    F.Size = Size;
    F.FontName = Font;
    F.Highlight = Highlight;
    return F;
}

}  // namespace

TEST(Rtf, ReadsWhatARichEditWrites) {
    // Header, tables, a generator destination, an unknown word, code page and Unicode escapes.
    const AnsiString Text =
        "{\\rtf1\\ansi\\ansicpg1254\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}"
        "{\\f1\\fswiss Arial;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "{\\*\\generator Riched20 10.0;}\\viewkind4\\uc1 \r\n"
        "\\pard\\f0\\fs16 Mal\\'fd \\b kal\\u305?n\\b0  \\cf1 k\\'fdrm\\'fdz\\cf0\\par\r\n"
        "\\pard\\qc\\f1\\fs20\\i orta\\i0\\par\r\n}";
    TRtfDocument D = RtfRead(Text);
    ASSERT_EQ(D.Paragraphs.size(), 2u);
    EXPECT_EQ(D.PlainText(), u"Malı kalın kırmız\r\norta");
    const auto& R = D.Paragraphs[0].Runs;
    ASSERT_EQ(R.size(), 4u);
    EXPECT_EQ(R[0].Format, Fmt({}, clNone, 8, "Tahoma"));
    EXPECT_EQ(R[1].Text, u"kalın");
    EXPECT_EQ(R[1].Format, Fmt({fsBold}, clNone, 8, "Tahoma"));
    EXPECT_EQ(R[3].Text, u"kırmız");
    EXPECT_EQ(R[3].Format.Color, clRed);
    EXPECT_EQ(D.Paragraphs[0].Alignment, taLeftJustify);
    EXPECT_EQ(D.Paragraphs[1].Alignment, taCenter);
    EXPECT_EQ(D.Paragraphs[1].Runs[0].Format, Fmt({fsItalic}, clNone, 10, "Arial"));
}

TEST(Rtf, EveryAttributeRoundTrips) {
    TRtfDocument D;
    D.NewParagraph(taRightJustify);
    D.Append(u"düz ", Fmt());
    D.Append(u"ĞÜŞİÖÇ", Fmt({fsBold, fsItalic}, clRed, 12, "Courier New"));
    D.Append(u" çizgi", Fmt({fsUnderline, fsStrikeOut}, clNone, 0, "", clYellow));
    D.Append(u"\u2028ikinci satır\tsekme {a\\b}", Fmt({}, clBlue));
    D.NewParagraph(taCenter);
    D.Append(u"Ω€ ok", Fmt({}, clNone, 9, "Tahoma"));
    AnsiString Written = RtfWrite(D);
    EXPECT_TRUE(IsRtfText(Written));
    TRtfDocument Back = RtfRead(Written);
    ASSERT_EQ(Back.Paragraphs.size(), 2u);
    for (size_t P = 0; P < 2; ++P) {
        EXPECT_EQ(Back.Paragraphs[P].Alignment, D.Paragraphs[P].Alignment);
        ASSERT_EQ(Back.Paragraphs[P].Runs.size(), D.Paragraphs[P].Runs.size()) << P;
        for (size_t I = 0; I < D.Paragraphs[P].Runs.size(); ++I) {
            EXPECT_EQ(Back.Paragraphs[P].Runs[I].Text, D.Paragraphs[P].Runs[I].Text) << P << "/" << I;
            EXPECT_EQ(Back.Paragraphs[P].Runs[I].Format, D.Paragraphs[P].Runs[I].Format) << P << "/" << I;
        }
    }
    // Braces and backslashes of the text are escaped, never read as groups.
    EXPECT_NE(Written.find("\\{a\\\\b\\}"), AnsiString::npos);
    // Turkish letters as code page escapes, others as Unicode escapes.
    EXPECT_NE(Written.find("\\'d0"), AnsiString::npos);
    EXPECT_NE(Written.find("\\u937?"), AnsiString::npos);
}

TEST(Rtf, PlainTextIsOneParagraphPerLine) {
    TRtfDocument D = RtfRead("bir\r\niki\nüç");
    ASSERT_EQ(D.Paragraphs.size(), 3u);
    EXPECT_EQ(D.PlainText(), u"bir\r\niki\r\nüç");
    EXPECT_EQ(RtfRead("").PlainText(), u"");
    EXPECT_EQ(RtfRead("{\\rtf1 }").Paragraphs.size(), 1u);
}

TEST(Rtf, DamagedInputNeverShowsControlWordsOrCrashes) {
    const char* Cases[] = {
        "{\\rtf1 abc",                        // unclosed group: text up to the end
        "{\\rtf1 a}}}} b",                    // text after the document's end is ignored
        "{\\rtf1 x\\",                        // lone backslash at the end
        "{\\rtf1 x\\'",                       // truncated hex escape
        "{\\rtf1 x\\'zz}",                    // bad hex escape: dropped, the rest is text
        "{\\rtf1 x\\u99999999999999999999 yz}",  // absurd parameter; y is its fallback
        "{\\rtf1 x{\\*\\unknowndest secret}{\\pict 0123}\\madeupword y}",
        "{\\rtf1{\\fonttbl{\\f0 A"            // font table cut short
    };
    const std::u16string Expected[] = {u"abc", u"a", u"x", u"x", u"xzz", u"xz", u"xy", u""};
    for (size_t I = 0; I < std::size(Cases); ++I) {
        TRtfDocument D = RtfRead(Cases[I]);
        EXPECT_EQ(D.PlainText(), Expected[I]) << Cases[I];
    }
}

TEST(Rtf, UnicodeFallbackCountFollowsUc) {
    EXPECT_EQ(RtfRead("{\\rtf1\\uc2 \\u8364ab c}").PlainText(), u"€ c");
    EXPECT_EQ(RtfRead("{\\rtf1\\uc1 \\u-3913?x}").PlainText(), u"\xF0B7x");
    EXPECT_EQ(RtfRead("{\\rtf1\\uc1 \\u351\\'fe!}").PlainText(), u"ş!");
}
