#include "grid/ExtObj.h"

#include "grid/GridTestKit.h"
#include "platform/rtl/Files.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/UiTestKit.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <unistd.h>

using namespace gridtest;
using namespace uitest;

namespace {

QImage Grab(TControl* C) { return C->Widget()->grab().toImage(); }

bool HasPixel(const QImage& I, TColor C) {
    for (int Y = 0; Y < I.height(); ++Y)
        for (int X = 0; X < I.width(); ++X)
            if (PixelAt(I, X, Y) == C) return true;
    return false;
}

void Mouse(TControl* C, QEvent::Type T, int X, int Y) { LeftMouse(C->Widget(), T, QPoint(X, Y)); }
void Press(TControl* C, int X, int Y) { Mouse(C, QEvent::MouseButtonPress, X, Y); }
void MoveTo(TControl* C, int X, int Y) { Mouse(C, QEvent::MouseMove, X, Y); }
void Release(TControl* C, int X, int Y) { Mouse(C, QEvent::MouseButtonRelease, X, Y); }
void ClickAt(TControl* C, int X, int Y) { Press(C, X, Y); Release(C, X, Y); }

void Enter(TControl* C) {
    QEnterEvent E(QPointF(2, 2), QPointF(2, 2), C->Widget()->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(C->Widget(), &E);
}
void Leave(TControl* C) {
    QEvent E(QEvent::Leave);
    QApplication::sendEvent(C->Widget(), &E);
}

// --- integer lists ------------------------------------------------------------------------
struct TIntListFixture : ::testing::Test {
    TIntList List{7, 9};
    std::vector<std::pair<Integer, Integer>> Changes;
    void SetUp() override {
        List.OnChange = [this](TObject* Sender, Integer P1, Integer P2) {
            EXPECT_EQ(Sender, &List);
            Changes.emplace_back(P1, P2);
        };
    }
};

TEST_F(TIntListFixture, WritesAddsAndDeletesReportWithTheConstructorValuesButInsertDoesNot) {
    List.Add(5);
    List.Add(-3);
    EXPECT_EQ(Changes.size(), 2u);
    List.Insert(0, 42);
    EXPECT_EQ(Changes.size(), 2u);
    List.SetItems(1, 6);
    List.Delete(2);
    ASSERT_EQ(Changes.size(), 4u);
    for (auto& C : Changes) EXPECT_EQ(C, std::make_pair(7, 9));
    EXPECT_EQ(List.CommaText(), "42,6");
    // The whole integer range survives, and the list's sort orders it.
    for (Integer V : {Integer(0x80000000u), 0, 2147483647, -1}) List.Add(V);
    List.Sort([](void* A, void* B) {
        const auto X = static_cast<Integer>(reinterpret_cast<intptr_t>(A));
        const auto Y = static_cast<Integer>(reinterpret_cast<intptr_t>(B));
        return X < Y ? -1 : X > Y ? 1 : 0;
    });
    EXPECT_EQ(List.CommaText(), "-2147483648,-1,0,6,42,2147483647");
}

TEST_F(TIntListFixture, IndexOutOfBoundsRaisesAndChangesNothing) {
    List.Add(1);
    Changes.clear();
    EXPECT_THROW(List.Items(1), EListError);
    EXPECT_THROW(List.Items(-1), EListError);
    EXPECT_THROW(List.SetItems(1, 5), EListError);
    EXPECT_THROW(List.Delete(1), EListError);
    EXPECT_THROW(List.Insert(3, 5), EListError);
    EXPECT_TRUE(Changes.empty());
    EXPECT_EQ(List.CommaText(), "1");
}

TEST_F(TIntListFixture, CommaTextRoundTrips) {
    List.Add(99);
    Changes.clear();
    List.SetCommaText("4,7,-1");
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.Items(2), -1);
    EXPECT_EQ(List.CommaText(), "4,7,-1");
    EXPECT_EQ(Changes.size(), 3u);   // one per added value
    List.SetCommaText(" 8 , 9");
    EXPECT_EQ(List.CommaText(), "8,9");
    List.SetCommaText("");
    EXPECT_EQ(List.Count(), 0);
}

TEST_F(TIntListFixture, BadCommaTextRaisesAndKeepsTheList) {
    List.SetCommaText("1,2");
    for (const char* Bad : {"3,x,4", "3,,4", "5,", "99999999999"}) {
        EXPECT_THROW(List.SetCommaText(Bad), EConvertError) << Bad;
        EXPECT_EQ(List.CommaText(), "1,2") << Bad;
    }
}

TEST(TSortIndexList, FindsAndTogglesEitherDirection) {
    TSortIndexList L;
    int Fired = 0;
    L.OnChange = [&](TObject*, Integer, Integer) { ++Fired; };
    L.AddIndex(5, true);
    L.AddIndex(3, false);
    L.AddIndex(0, false);
    EXPECT_EQ(L.Items(1), Integer(0x80000003u));
    EXPECT_EQ(L.Items(2), Integer(0x80000000u));
    EXPECT_EQ(L.IndexOfSortColumn(3), 1);
    EXPECT_EQ(L.IndexOfSortColumn(0), 2);
    EXPECT_EQ(L.IndexOfSortColumn(7), -1);
    Fired = 0;
    L.ToggleSortIndex(3);
    EXPECT_EQ(L.Items(1), 3);
    L.ToggleSortIndex(3);
    EXPECT_EQ(L.Items(1), Integer(0x80000003u));
    EXPECT_EQ(Fired, 2);
    L.ToggleSortIndex(8);
    EXPECT_EQ(Fired, 2);
    // Only the first entry of a column toggles.
    L.AddIndex(5, true);
    L.ToggleSortIndex(5);
    EXPECT_EQ(L.CommaText(), "-2147483643,-2147483645,-2147483648,5");
}

// --- owning control list ------------------------------------------------------------------
TEST(TControlList, DeletingAndDestroyingFreeTheControls) {
    auto L = std::make_unique<TControlList>();
    auto* A = new TPanel(nullptr);
    auto* B = new TPanel(nullptr);
    auto* C = new TPanel(nullptr);
    auto AliveA = A->AliveToken(), AliveB = B->AliveToken(), AliveC = C->AliveToken();
    L->Add(A);
    L->Add(B);
    L->Add(C);
    EXPECT_EQ(L->Items(1), B);
    L->Delete(1);
    EXPECT_FALSE(*AliveB);
    EXPECT_TRUE(*AliveA);
    EXPECT_EQ(L->Count(), 2);
    L.reset();
    EXPECT_FALSE(*AliveA);
    EXPECT_FALSE(*AliveC);
}

TEST(TControlList, AControlFreedByItsOwnerLeavesTheList) {
    auto Owner = std::make_unique<TComponent>(nullptr);
    TControlList L;
    auto* A = new TPanel(Owner.get());
    auto* B = new TPanel(nullptr);
    L.Add(A);
    L.Add(B);
    Owner.reset();   // frees A
    ASSERT_EQ(L.Count(), 1);
    EXPECT_EQ(L.Items(0), B);
    auto* C = new TPanel(nullptr);
    L.Add(C);
    EXPECT_EQ(L.Extract(C), C);   // no longer the list's to free
    EXPECT_TRUE(*C->AliveToken());
    delete C;
    EXPECT_EQ(L.Count(), 1);
}

// --- picture by file name -----------------------------------------------------------------
struct TFilePictureFixture : ::testing::Test {
    std::string Dir;
    AnsiString File;
    void SetUp() override {
        char T[] = "/tmp/extobjXXXXXX";
        ASSERT_NE(mkdtemp(T), nullptr);
        Dir = T;
        File = Dir + "/red.bmp";
        TBitmap B;
        B.SetSize(4, 3);
        B.Canvas()->Brush()->SetColor(clRed);
        B.Canvas()->FillRect(Rect(0, 0, 4, 3));
        B.SaveToFile(File);
    }
    void TearDown() override {
        std::remove(File.c_str());
        rmdir(Dir.c_str());
    }
};

TEST_F(TFilePictureFixture, NameGivesTheSizeAndDrawingReadsTheFileAgain) {
    TFilePicture P;
    P.SetFilename(File);
    EXPECT_EQ(P.Width(), 4);
    EXPECT_EQ(P.Height(), 3);
    TBitmap Target;
    Target.SetSize(20, 20);
    Target.Canvas()->Brush()->SetColor(clWhite);
    Target.Canvas()->FillRect(Rect(0, 0, 20, 20));
    P.Draw(Target.Canvas(), Rect(0, 0, 16, 12));
    EXPECT_EQ(Target.Canvas()->Pixels(8, 6), clRed);
    EXPECT_EQ(Target.Canvas()->Pixels(18, 18), clWhite);

    TFilePicture Q;
    Q.Assign(&P);
    EXPECT_EQ(Q.Filename() + "|" + IntToStr(Q.Width()) + "x" + IntToStr(Q.Height()), File + "|4x3");

    // A file gone by painting time draws nothing and raises nothing.
    std::remove(File.c_str());
    Target.Canvas()->FillRect(Rect(0, 0, 20, 20));
    EXPECT_NO_THROW(P.Draw(Target.Canvas(), Rect(0, 0, 16, 12)));
    EXPECT_EQ(Target.Canvas()->Pixels(8, 6), clWhite);
}

TEST_F(TFilePictureFixture, UnreadableNameRaisesAndKeepsThePicture) {
    TFilePicture P;
    P.SetFilename(File);
    EXPECT_THROW(P.SetFilename(Dir + "/missing.bmp"), EFOpenError);
    EXPECT_EQ(P.Filename(), File);
    EXPECT_EQ(P.Width(), 4);
    P.SetFilename("");
    EXPECT_EQ(P.Filename(), "");
    EXPECT_EQ(P.Width(), 0);
    EXPECT_EQ(P.Height(), 0);
    TStringList Other;
    EXPECT_THROW(P.Assign(&Other), EConvertError);
}

// --- gradient and themes --------------------------------------------------------------------
TEST(ExtObjGradient, BandsStepEvenlyAndTheFrameIsDrawnOver) {
    TBitmap B;
    B.SetSize(8, 16);
    DrawButtonGradient(B.Canvas(), RGB(0, 0, 0), RGB(160, 80, 0), false, Rect(0, 0, 8, 16), 16, clNone);
    for (Integer Y = 0; Y < 16; ++Y) EXPECT_EQ(B.Canvas()->Pixels(4, Y), RGB(Byte(Y * 10), Byte(Y * 5), 0)) << Y;

    DrawButtonGradient(B.Canvas(), RGB(0, 0, 0), RGB(0, 0, 200), true, Rect(0, 0, 8, 16), 4, clLime);
    EXPECT_EQ(B.Canvas()->Pixels(0, 5), clLime);
    EXPECT_EQ(B.Canvas()->Pixels(3, 0), clLime);
    EXPECT_EQ(B.Canvas()->Pixels(1, 5), RGB(0, 0, 0));
    EXPECT_EQ(B.Canvas()->Pixels(3, 5), RGB(0, 0, 50));
    EXPECT_EQ(B.Canvas()->Pixels(6, 5), RGB(0, 0, 150));

    // No steps at all still fills the rectangle with the start colour.
    DrawButtonGradient(B.Canvas(), clRed, clBlue, false, Rect(0, 0, 8, 16), 0, clNone);
    EXPECT_EQ(B.Canvas()->Pixels(4, 15), clRed);
}

class ExtObjThemes : public ::testing::TestWithParam<std::tuple<const char*, Integer, TColor>> {};

TEST_P(ExtObjThemes, SchemeChoosesThePreset) {
    const auto [Name, Scheme, Color] = GetParam();
    TThemeGuard Guard(Name);
    EXPECT_EQ(CurrentXPColorScheme(), Scheme);
    EXPECT_EQ(IsThemeActive(), *Name != 0);
    TExtGridButton B(nullptr);
    B.SetBorderColor(clRed);
    QEvent Change(QEvent::ThemeChange);   // the desktop's theme changes
    QApplication::sendEvent(B.Widget(), &Change);   // without AutoThemeAdapt nothing happens
    EXPECT_EQ(B.Color(), clBtnFace);
    EXPECT_EQ(B.BorderColor(), clRed);
    B.SetAutoThemeAdapt(true);
    QApplication::sendEvent(B.Widget(), &Change);
    EXPECT_EQ(B.Color(), Color);
    EXPECT_EQ(B.BorderColor(), clNone);
}

INSTANTIATE_TEST_SUITE_P(Schemes, ExtObjThemes,
                         ::testing::Values(std::make_tuple("", 0, clBtnFace), std::make_tuple("NormalColor", 1, 0xFDEADA),
                                           std::make_tuple("HomeStead", 2, 0xCFF0EA),
                                           std::make_tuple("Metallic", 3, 0xECE2E1),
                                           std::make_tuple("Royale", 0, clBtnFace)));

TEST(ExtObjThemeLoading, LoadingAdaptsWhenAsked) {
    TThemeGuard Guard("Metallic");
    TExtGridButton B(nullptr);
    B.BeginLoading();
    B.SetAutoThemeAdapt(true);
    B.EndLoading();
    EXPECT_EQ(B.Color(), 0xECE2E1);
    EXPECT_EQ(B.ColorTo(), 0xB39698);
}

TEST(TExtGridButtonPresets, EveryPresetSetsItsTenColours) {
    TExtGridButton B(nullptr);
    B.SetBorderColor(clRed);
    auto All = [&] {
        return std::vector<TColor>{B.Color(),          B.ColorTo(),        B.ColorHot(),  B.ColorHotTo(),
                                   B.ColorDown(),      B.ColorDownTo(),    B.ColorChecked(), B.ColorCheckedTo(),
                                   B.BorderDownColor(), B.BorderHotColor(), B.BorderColor()};
    };
    B.SetColorPreset(6);
    EXPECT_EQ(All(), (std::vector<TColor>{0xCAFFFF, 0xA6FFFF, 0xA8F0FD, 0x7CE9FC, 0x4DE0FB, 0x7AE9FC, 0xB5E6F2,
                                          0x9CDDED, 0x808080, 0x808080, clNone}));
    B.SetColorPreset(0);
    EXPECT_EQ(All(), (std::vector<TColor>{0xEDF1F1, 0xDFEBEB, 0xFAFCFC, 0xE5ECED, 0xE0E6E7, 0xD8E0E1, 0xFFFFFF,
                                          clNone, 0xAF987A, 0xC3CECE, clNone}));
    B.SetColorPreset(7);   // unknown: ignored
    EXPECT_EQ(B.Color(), 0xEDF1F1);
}

// --- the button on a form -------------------------------------------------------------------
struct TButtonFixture : ::testing::Test {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    int Clicks = 0;
    TExtGridButton* Make(Integer X) {
        auto* B = Place<TExtGridButton>(Form.get(), X, 10, 40, 24);
        B->OnClick = [this](TObject*) { ++Clicks; };
        return B;
    }
    void SetUp() override {
        Form->SetBounds(0, 0, 300, 100);
        Form->Show();
        Settle();
    }
};

TEST_F(TButtonFixture, DefaultsAndRefusedMargin) {
    TExtGridButton B(nullptr);
    EXPECT_EQ(B.Width(), 23);
    EXPECT_EQ(B.Height(), 22);
    EXPECT_TRUE(B.Flat() && B.Shaded() && B.ShowCaption() && B.ParentFont());
    EXPECT_EQ(B.ColorHot(), 0xCAC7C7);
    EXPECT_EQ(B.Margin(), -1);
    B.SetMargin(-2);
    EXPECT_EQ(B.Margin(), -1);
    B.SetMargin(3);
    B.SetMargin(-5);
    EXPECT_EQ(B.Margin(), 3);
    B.SetDown(true);   // a plain push button is never down
    EXPECT_FALSE(B.Down());
}

TEST_F(TButtonFixture, PressMoveAndReleaseFollowTheMouse) {
    TExtGridButton* B = Make(10);
    Press(B, 5, 5);
    EXPECT_EQ(B->State(), bsDown);
    EXPECT_TRUE(B->Dragging());
    MoveTo(B, 60, 5);   // off the button
    EXPECT_EQ(B->State(), bsUp);
    MoveTo(B, 6, 6);
    EXPECT_EQ(B->State(), bsDown);
    Release(B, 6, 6);
    EXPECT_EQ(B->State(), bsUp);
    EXPECT_FALSE(B->Dragging());
    EXPECT_EQ(Clicks, 1);
    // A release off the button does not click.
    Press(B, 5, 5);
    Release(B, 80, 5);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(B->State(), bsUp);
}

TEST_F(TButtonFixture, GroupOfThreeKeepsOneDown) {
    TExtGridButton* Bs[3] = {Make(10), Make(60), Make(110)};
    for (auto* B : Bs) B->SetGroupIndex(1);
    ClickAt(Bs[0], 5, 5);
    EXPECT_TRUE(Bs[0]->Down());
    ClickAt(Bs[1], 5, 5);
    EXPECT_TRUE(Bs[1]->Down());
    EXPECT_FALSE(Bs[0]->Down());
    EXPECT_EQ(Bs[0]->State(), bsUp);
    EXPECT_EQ(Bs[1]->State(), bsExclusive);
    ClickAt(Bs[1], 5, 5);   // stays down without AllowAllUp
    EXPECT_TRUE(Bs[1]->Down());
    EXPECT_EQ(Clicks, 3);
    Bs[1]->SetDown(false);
    EXPECT_TRUE(Bs[1]->Down());
    // AllowAllUp spreads to the group.
    Bs[2]->SetAllowAllUp(true);
    EXPECT_TRUE(Bs[0]->AllowAllUp());
    EXPECT_TRUE(Bs[1]->AllowAllUp());
    ClickAt(Bs[1], 5, 5);
    EXPECT_FALSE(Bs[1]->Down());
    EXPECT_EQ(Bs[1]->State(), bsUp);
    // Another group is not touched.
    TExtGridButton* Other = Make(160);
    Other->SetGroupIndex(2);
    Other->SetDown(true);
    Bs[0]->SetDown(true);
    EXPECT_TRUE(Other->Down());
    EXPECT_TRUE(Bs[0]->Down());
}

TEST_F(TButtonFixture, CheckButtonsToggleOnClicksOnlyAndStandAlone) {
    TExtGridButton* A = Make(10);
    TExtGridButton* B = Make(60);
    A->SetStyle(tasCheck);
    B->SetStyle(tasCheck);
    ClickAt(A, 5, 5);
    ClickAt(B, 5, 5);
    EXPECT_TRUE(A->Down());
    EXPECT_TRUE(B->Down());   // no group: the other stays checked
    Press(A, 5, 5);
    EXPECT_EQ(A->State(), bsDown);
    Release(A, 90, 5);        // dragged off: no toggle, no click
    EXPECT_TRUE(A->Down());
    EXPECT_EQ(Clicks, 2);
    ClickAt(A, 5, 5);
    EXPECT_FALSE(A->Down());
}

TEST_F(TButtonFixture, DropDownSectionFiresItsEventAndMenuWithoutClicking) {
    TExtGridButton* B = Make(10);
    B->SetDropDownButton(true);
    auto* Menu = new TPopupMenu(Form.get());
    B->SetDropDownMenu(Menu);
    int DropDowns = 0, Popups = 0;
    B->OnDropDown = [&](TObject*) { ++DropDowns; };
    Menu->OnPopup = [&](TObject*) { ++Popups; };
    ClickAt(B, 40 - 12, 5);
    EXPECT_EQ(DropDowns, 1);
    EXPECT_EQ(Popups, 1);
    EXPECT_EQ(Clicks, 0);
    EXPECT_EQ(B->State(), bsUp);
    ClickAt(B, 40 - 13, 5);   // left of the section: an ordinary click
    EXPECT_EQ(DropDowns, 1);
    EXPECT_EQ(Clicks, 1);
    delete Menu;
    EXPECT_EQ(B->DropDownMenu(), nullptr);
    ClickAt(B, 35, 5);
    EXPECT_EQ(DropDowns, 2);
}

TEST_F(TButtonFixture, HoverMakesAFlatButtonHotAndFiresTheEvents) {
    TExtGridButton* B = Make(10);
    int Entered = 0, Left = 0;
    B->OnMouseEnter = [&](TObject*) { ++Entered; };
    B->OnMouseLeave = [&](TObject*) { ++Left; };
    Enter(B);
    EXPECT_TRUE(B->MouseInControl());
    Leave(B);
    EXPECT_FALSE(B->MouseInControl());
    B->SetFlat(false);
    Enter(B);
    EXPECT_FALSE(B->MouseInControl());
    EXPECT_EQ(Entered, 2);
    EXPECT_EQ(Left, 1);
}

TEST_F(TButtonFixture, AcceleratorClicksAShowingEnabledButton) {
    TExtGridButton* B = Make(10);
    B->SetCaption("&Kaydet");
    EXPECT_TRUE(B->DialogChar('k'));
    EXPECT_FALSE(B->DialogChar('a'));
    EXPECT_EQ(Clicks, 1);
    B->SetEnabled(false);
    EXPECT_FALSE(B->DialogChar('K'));
    B->SetEnabled(true);
    B->SetCaption("A&&B");
    EXPECT_FALSE(B->DialogChar('B'));
    EXPECT_EQ(Clicks, 1);
    B->SetCaption("&Kaydet");   // Alt with the letter, pressed in the form
    SystemKey(Form.get(), Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(Clicks, 2);
    SystemKey(Form.get(), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(Clicks, 2);
}

std::unique_ptr<TBitmap> MakeGlyph(TColor Ink) {
    auto G = std::make_unique<TBitmap>();
    G->SetSize(6, 6);
    G->Canvas()->Brush()->SetColor(clFuchsia);   // background: bottom-left pixel
    G->Canvas()->FillRect(Rect(0, 0, 6, 6));
    G->Canvas()->Brush()->SetColor(Ink);
    G->Canvas()->FillRect(Rect(1, 1, 4, 4));
    return G;
}

TEST_F(TButtonFixture, GlyphMakesAGreyDisabledCopyAndAShadow) {
    TExtGridButton* B = Make(10);
    auto G = MakeGlyph(RGB(30, 60, 90));
    B->SetGlyph(G.get());
    TCanvas* D = B->GlyphDisabled()->Canvas();
    EXPECT_EQ(D->Pixels(2, 2), RGB(126, 126, 126));   // (30+60+90)/3/2 + 96
    const Byte Bg = (255 + 0 + 255) / 3 / 2 + 96;
    EXPECT_EQ(D->Pixels(0, 5), RGB(Bg, Bg, Bg));
    TCanvas* S = B->ShadowBitmap()->Canvas();
    EXPECT_EQ(S->Pixels(2, 2), 0x808080);
    EXPECT_EQ(S->Pixels(5, 5), clFuchsia);
    EXPECT_TRUE(B->ShadowBitmap()->Transparent());

    // A new glyph renews our own grey copy...
    auto G2 = MakeGlyph(RGB(0, 0, 0));
    B->SetGlyph(G2.get());
    EXPECT_EQ(B->GlyphDisabled()->Canvas()->Pixels(2, 2), RGB(96, 96, 96));
    // ...but never one that was given.
    auto Given = MakeGlyph(clBlue);
    B->SetGlyphDisabled(Given.get());
    B->SetGlyph(G.get());
    EXPECT_EQ(B->GlyphDisabled()->Canvas()->Pixels(2, 2), clBlue);
}

// --- painting -----------------------------------------------------------------------------
struct TPaintFixture : TButtonFixture {
    TExtGridButton* B = nullptr;
    void SetUp() override {
        TButtonFixture::SetUp();
        B = Make(10);
        B->SetShowCaption(false);
        B->SetColor(RGB(200, 10, 10));
        B->SetColorHot(RGB(0, 0, 0));
        B->SetColorHotTo(RGB(0, 160, 0));
        B->SetColorDown(RGB(10, 10, 200));
        B->SetColorChecked(RGB(10, 200, 200));
    }
};

TEST_F(TPaintFixture, FlatFaceTakesTheColoursOfEachState) {
    QImage I = Grab(B);
    EXPECT_EQ(PixelAt(I, 20, 12), RGB(200, 10, 10));   // normal
    Enter(B);
    I = Grab(B);
    // Hot: a 16-step gradient from top to bottom inside a 1-pixel inset.
    EXPECT_EQ(PixelAt(I, 20, 1), RGB(0, 0, 0));
    const TColor Bottom = PixelAt(I, 20, 22);
    EXPECT_GT(GetGValue(Bottom), 140);
    EXPECT_LT(GetGValue(PixelAt(I, 20, 8)), GetGValue(PixelAt(I, 20, 16)));
    Press(B, 5, 5);
    I = Grab(B);
    EXPECT_EQ(PixelAt(I, 20, 12), RGB(10, 10, 200));   // pressed
    Release(B, 5, 5);
    Leave(B);
    B->SetStyle(tasCheck);
    B->SetDown(true);
    I = Grab(B);
    EXPECT_EQ(PixelAt(I, 20, 12), RGB(10, 200, 200));   // checked
}

TEST_F(TPaintFixture, BorderColourFramesTheNormalFace) {
    B->SetBorderColor(clLime);
    QImage I = Grab(B);
    EXPECT_EQ(PixelAt(I, 20, 1), clLime);    // 1-pixel inset frame
    EXPECT_EQ(PixelAt(I, 20, 12), RGB(200, 10, 10));
}

TEST_F(TPaintFixture, DisabledCaptionIsEmbossedAndNotFlatIsAClassicFace) {
    B->SetShowCaption(true);
    B->SetCaption("WWWW");
    B->SetEnabled(false);
    QImage I = Grab(B);
    EXPECT_EQ(B->State(), bsDisabled);
    EXPECT_TRUE(HasPixel(I, ColorToRGB(clBtnHighlight)));
    EXPECT_TRUE(HasPixel(I, ColorToRGB(clBtnShadow)));
    B->SetEnabled(true);
    B->SetShowCaption(false);
    B->SetFlat(false);
    I = Grab(B);
    EXPECT_EQ(B->State(), bsUp);
    EXPECT_NE(PixelAt(I, 20, 12), RGB(200, 10, 10));   // the face is no longer the flat colour
}

TEST_F(TPaintFixture, RoundedBorderLeavesTheCornersOut) {
    B->SetRounded(true);
    B->SetBorderColor(clLime);
    QImage I = Grab(B);
    EXPECT_EQ(PixelAt(I, 20, 0), clLime);    // one pixel larger than the face
    EXPECT_NE(PixelAt(I, 0, 0), clLime);
    EXPECT_EQ(PixelAt(I, 20, 12), RGB(200, 10, 10));
}

// The box of the pixels that pass Test: left, top, right, bottom (inclusive); -1s when none.
template <class F>
TRect InkBox(const QImage& I, F Test) {
    TRect Box = Rect(-1, -1, -1, -1);
    for (int Y = 0; Y < I.height(); ++Y)
        for (int X = 0; X < I.width(); ++X)
            if (Test(PixelAt(I, X, Y))) {
                if (Box.Left < 0 || X < Box.Left) Box.Left = X;
                if (Box.Top < 0) Box.Top = Y;
                Box.Right = std::max<Integer>(Box.Right, X);
                Box.Bottom = Y;
            }
    return Box;
}

struct TGlyphCase {
    TButtonLayout Layout;
    Integer Margin;
    bool Caption;
    Integer Height;            // of the 40 pixels wide button
    Integer InkLeft, InkTop;   // of the glyph's 3x3 ink, one pixel inside the 6x6 glyph
};
class TGlyphPlacement : public TPaintFixture, public ::testing::WithParamInterface<TGlyphCase> {};

// Glyph and caption share the button inside its two-pixel frame: (2, 2)-(38, Height - 2).
TEST_P(TGlyphPlacement, GlyphStandsCentredOrAtItsMarginFromTheEdge) {
    const TGlyphCase& K = GetParam();
    auto G = MakeGlyph(clRed);
    B->SetGlyph(G.get());
    B->SetHeight(K.Height);
    B->SetLayout(K.Layout);
    B->SetMargin(K.Margin);
    B->SetShowCaption(K.Caption);
    B->SetCaption("H");
    B->Font()->SetColor(clBlue);
    const QImage I = Grab(B);
    const TRect Ink = InkBox(I, [](TColor C) { return C == clRed; });
    EXPECT_EQ(Ink.Left, K.InkLeft);
    EXPECT_EQ(Ink.Top, K.InkTop);
    if (!K.Caption) return;
    // The caption on the other side of the glyph.
    // Blue text, smoothed into the red face: more blue than red.
    const TRect Text = InkBox(I, [](TColor C) { return GetBValue(C) > GetRValue(C); });
    ASSERT_GE(Text.Left, 0);
    switch (K.Layout) {
        case blGlyphLeft: EXPECT_GT(Text.Left, Ink.Right); break;
        case blGlyphRight: EXPECT_LT(Text.Right, Ink.Left); break;
        case blGlyphTop: EXPECT_GT(Text.Top, Ink.Bottom); break;
        case blGlyphBottom: EXPECT_LT(Text.Bottom, Ink.Top); break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TGlyphPlacement,
    ::testing::Values(TGlyphCase{blGlyphLeft, -1, false, 24, 18, 10}, TGlyphCase{blGlyphLeft, 3, false, 24, 6, 10},
                      TGlyphCase{blGlyphRight, 3, false, 24, 30, 10}, TGlyphCase{blGlyphTop, 2, false, 24, 18, 5},
                      TGlyphCase{blGlyphBottom, 2, false, 24, 18, 15}, TGlyphCase{blGlyphLeft, 3, true, 24, 6, 10},
                      TGlyphCase{blGlyphRight, 3, true, 24, 30, 10}, TGlyphCase{blGlyphTop, 0, true, 60, 18, 3},
                      TGlyphCase{blGlyphBottom, 0, true, 60, 18, 53}));

TEST_F(TPaintFixture, ShadedGlyphCastsAShadowWhileHot) {
    auto G = MakeGlyph(clRed);
    B->SetGlyph(G.get());
    EXPECT_TRUE(HasPixel(Grab(B), clRed));
    EXPECT_FALSE(HasPixel(Grab(B), 0x808080));
    Enter(B);
    EXPECT_TRUE(HasPixel(Grab(B), 0x808080));
    B->SetShaded(false);
    EXPECT_FALSE(HasPixel(Grab(B), 0x808080));
    EXPECT_FALSE(HasPixel(Grab(B), clFuchsia));   // drawn see-through
}

TEST_F(TPaintFixture, DropDownArrowIsDrawnInTheFontColour) {
    B->SetDropDownButton(true);
    B->Font()->SetColor(clBlue);
    QImage I = Grab(B);
    // Flat, no border: rectangle shrunk twice by 1, right edge at 38.
    const int Mid = (2 + 22) / 2;
    EXPECT_EQ(PixelAt(I, 38 - 6, Mid - 1), clBlue);
}

// --- arrows and the caption button ---------------------------------------------------------
TEST(TArrowWindow, OutlinePerDirectionAndAFilledArrow) {
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 100, 100);
    const Integer Widths[4] = {11, 10, 9, 9}, Heights[4] = {10, 9, 11, 11};
    for (Integer D = 0; D < 4; ++D) {
        auto* A = new TArrowWindow(&Form, D);
        A->SetParent(&Form);
        EXPECT_EQ(A->Direction(), D);
        EXPECT_EQ(A->Arrow().size(), 7u);
        EXPECT_EQ(A->Width(), Widths[D]);
        EXPECT_EQ(A->Height(), Heights[D]);
    }
    EXPECT_EQ(TArrowWindow(nullptr, 0).Arrow()[0], Point(5, 0));
    EXPECT_EQ(TArrowWindow(nullptr, 3).Arrow()[4], Point(8, 3));
    EXPECT_THROW(TArrowWindow(nullptr, 4), EInvalidOperation);
    TArrowWindow Up(nullptr, 0);
    Up.SetColor(clLime);
    QImage I = Grab(&Up);
    EXPECT_EQ(PixelAt(I, 5, 7), clLime);   // the shaft
    EXPECT_EQ(PixelAt(I, 5, 3), clLime);   // the head
}

TEST(TPopupButton, DisabledFaceWithGradientAndCaption) {
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 200, 100);
    auto* P = Place<TPopupButton>(&Form, 0, 0, 80, 66);
    EXPECT_FALSE(P->Enabled());
    EXPECT_EQ(P->TControl::Color(), clBtnFace);
    P->SetFlat(true);
    P->SetGradFrom(RGB(0, 0, 0));
    P->SetGradTo(RGB(0, 0, 192));
    QImage I = Grab(P);
    EXPECT_EQ(PixelAt(I, 0, 30), ColorToRGB(clWindowFrame));   // the border
    EXPECT_EQ(PixelAt(I, 40, 1), RGB(0, 0, 0));
    EXPECT_GE(GetBValue(PixelAt(I, 40, 64)), 180);
    P->SetFlat(false);
    I = Grab(P);
    EXPECT_EQ(PixelAt(I, 1, 30), clWhite);
    EXPECT_EQ(PixelAt(I, 78, 30), 0x808080);
    // Caption texts of both kinds paint without trouble.
    P->SetCaption("Sütun <b>1</b>");
    EXPECT_FALSE(Grab(P).isNull());
}

}  // namespace

TEST_F(TButtonFixture, AnActionSetsCaptionGroupAndDown) {
    TExtGridButton* A = Make(10);
    TExtGridButton* B = Make(60);
    TAction Act(Form.get());
    Act.SetGroupIndex(3);
    Act.SetChecked(true);
    A->SetAllowAllUp(true);
    A->SetAction(&Act);
    Act.SetCaption("&Elektrik");
    EXPECT_TRUE(A->Caption() == "&Elektrik" && A->GroupIndex() == 3 && A->Down());
    B->SetGroupIndex(3);
    B->SetDown(true);   // the group's other button lifts this one and unchecks its action
    EXPECT_FALSE(A->Down() || Act.Checked());
}