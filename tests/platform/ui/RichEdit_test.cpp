#include "platform/ui/RichEdit.h"

#include "platform/ui/Forms.h"
#include "UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

struct TRichForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TRichEdit* Edit;
    TRichForm() {
        Edit = Place<TRichEdit>(Form.get(), 10, 10, 300, 120);
    }
};

AnsiString Saved(TRichEdit* E) {
    TStringStream S("");
    E->SaveToStream(&S);
    return S.DataString();
}

void Load(TRichEdit* E, const AnsiString& Text) {
    TStringStream S(Text);
    E->LoadFromStream(&S);
}

}  // namespace

TEST(RichEdit, StreamsRtfInAndOutAndTextIsPlain) {
    TRichForm F;
    Load(F.Edit, "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\pard a \\cf1\\b k\\'fdrm\\'fdz\\par\\qc orta}");
    EXPECT_EQ(F.Edit->Text(), "a kırmız\r\norta");
    ASSERT_EQ(F.Edit->Lines()->Count(), 2);
    EXPECT_EQ(F.Edit->Lines()->Strings(1), "orta");
    TRtfDocument D = RtfRead(Saved(F.Edit));
    ASSERT_EQ(D.Paragraphs.size(), 2u);
    EXPECT_EQ(D.Paragraphs[0].Runs.back().Format.Color, clRed);
    EXPECT_TRUE(D.Paragraphs[0].Runs.back().Format.Style.Contains(fsBold));
    EXPECT_EQ(D.Paragraphs[1].Alignment, taCenter);
    // Plain-text streams keep RTF source as text.
    F.Edit->SetPlainText(true);
    Load(F.Edit, "{\\rtf1 x}");
    EXPECT_EQ(F.Edit->Text(), "{\\rtf1 x}");
    EXPECT_EQ(Saved(F.Edit), "{\\rtf1 x}");
}

TEST(RichEdit, TypedTextTakesTheSelectionFormat) {
    TRichForm F;
    F.Form->Show();
    F.Edit->SetFocus();
    TypeText(u"düz ");
    F.Edit->SelAttributes()->SetStyle({fsBold});
    F.Edit->SelAttributes()->SetColor(clRed);
    TypeText(u"koyu");
    PressEnter();
    TypeText(u"son");
    EXPECT_EQ(F.Edit->Text(), "düz koyu\r\nson");
    TRtfDocument D = RtfRead(Saved(F.Edit));
    ASSERT_EQ(D.Paragraphs.size(), 2u);
    ASSERT_EQ(D.Paragraphs[0].Runs.size(), 2u);
    EXPECT_EQ(D.Paragraphs[0].Runs[0].Format.Style, TFontStyles());
    EXPECT_EQ(D.Paragraphs[0].Runs[1].Text, u"koyu");
    EXPECT_EQ(D.Paragraphs[0].Runs[1].Format.Color, clRed);
    EXPECT_TRUE(D.Paragraphs[0].Runs[1].Format.Style.Contains(fsBold));
    // Formatting a selection afterwards changes only that range.
    F.Edit->SetSelStart(0);
    F.Edit->SetSelLength(3);
    EXPECT_EQ(F.Edit->SelText(), "düz");
    F.Edit->SelAttributes()->SetStyle({fsItalic});
    D = RtfRead(Saved(F.Edit));
    EXPECT_EQ(D.Paragraphs[0].Runs[0].Text, u"düz");
    EXPECT_TRUE(D.Paragraphs[0].Runs[0].Format.Style.Contains(fsItalic));
    EXPECT_FALSE(D.Paragraphs[0].Runs[1].Format.Style.Contains(fsItalic));
}

TEST(RichEdit, RendersARedWordAndReportsItsSize) {
    TRichForm F;
    TRect Asked{};
    F.Edit->OnResizeRequest = [&](TObject*, const TRect& R) { Asked = R; };
    Load(F.Edit, "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\fs40\\cf1 MMMM\\cf0\\par ikinci}");
    EXPECT_GT(Asked.Bottom, 20);
    F.Edit->SetWordWrap(false);
    TPoint Need = F.Edit->RequiredSize();
    EXPECT_GT(Need.X, 40);
    EXPECT_GT(Need.Y, 30);
    TBitmap B;
    B.SetSize(200, 80);
    B.Canvas()->Brush()->SetColor(clWhite);
    B.Canvas()->FillRect(Rect(0, 0, 200, 80));
    F.Edit->RenderTo(B.Canvas(), Rect(10, 10, 190, 70));
    int Red = 0, Outside = 0;
    for (int Y = 0; Y < 80; ++Y)
        for (int X = 0; X < 200; ++X) {
            TColor C = B.Canvas()->Pixels(X, Y);
            bool IsRed = GetRValue(C) > 200 && GetGValue(C) < 80 && GetBValue(C) < 80;
            Red += IsRed;
            if (C != clWhite && (X < 10 || Y < 10 || X >= 190 || Y >= 70)) ++Outside;
        }
    EXPECT_GT(Red, 20);
    EXPECT_EQ(Outside, 0);   // clipped to the rectangle
}
