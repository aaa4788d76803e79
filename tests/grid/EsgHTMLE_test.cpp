#include "grid/EsgHTMLE.h"

#include "grid/GridTestKit.h"
#include "grid/PictureContainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

// One call of the layout with the usual settings; fields may be changed before Run.
struct THtml {
    TBitmap Bmp;
    TRect R = Rect(0, 0, 300, 200);
    Integer PX = -100, PY = -100, Focus = -1, Hover = -1;
    bool HitOnly = false, Measure = false, Selected = false, Wrap = true, Blink = true;
    TColor Anchor = clBlue;
    THTMLImageList* Images = nullptr;
    THTMLPictureCache* Cache = nullptr;
    TPictureContainer* Container = nullptr;
    AnsiString HitAnchor, Plain, FocusedHref, Title, CtrlID, CtrlValue, CtrlType;
    Integer EX = 0, EY = 0, Count = 0, HitIndex = 0;
    TRect AnchorRect, CtrlRect;

    THtml() {
        Bmp.SetSize(300, 200);
        Bmp.Canvas()->Brush()->SetColor(clWhite);
        Bmp.Canvas()->FillRect(Rect(0, 0, 300, 200));
        Bmp.Canvas()->Font()->SetName("DejaVu Sans");
        Bmp.Canvas()->Font()->SetSize(10);
        Bmp.Canvas()->Font()->SetColor(clBlack);
    }
    bool Run(const AnsiString& Text) {
        return HTMLDrawEx(Bmp.Canvas(), Text, R, Images, PX, PY, Focus, Hover, 1, HitOnly, Measure, false, Selected,
                          Blink, false, Wrap, false, 1.0, Anchor, clNone, clNone, clGray, HitAnchor, Plain,
                          FocusedHref, Title, EX, EY, Count, HitIndex, AnchorRect, CtrlRect, CtrlID, CtrlValue,
                          CtrlType, Cache, Container, nullptr);
    }
    TCanvas* C() { return Bmp.Canvas(); }
    Integer GH() { return C()->TextHeight("gh"); }
    bool AnyPixel(const TRect& Area, TColor Color) {
        for (Integer Y = Area.Top; Y < Area.Bottom; ++Y)
            for (Integer X = Area.Left; X < Area.Right; ++X)
                if (C()->Pixels(X, Y) == Color) return true;
        return false;
    }
};

TEST(EsgHTMLE, MeasuresPlainBoldAndSizedText) {
    THtml H;
    H.Measure = true;
    H.Run("Hello");
    EXPECT_EQ(H.EX, H.C()->TextWidth("Hello"));
    EXPECT_EQ(H.EY, H.GH());
    EXPECT_EQ(H.Plain, "Hello");

    H.Run("<B>Hello</B>");
    Integer Bold = H.EX;
    H.C()->Font()->SetStyle(TFontStyles{fsBold});
    EXPECT_EQ(Bold, H.C()->TextWidth("Hello"));
    H.C()->Font()->SetStyle(TFontStyles{});

    H.Run("<FONT SIZE=\"5\">Hello</FONT>");
    EXPECT_GT(H.EY, H.GH());
    EXPECT_EQ(H.C()->Font()->Size(), 10);   // starting font restored
}

TEST(EsgHTMLE, FontSizeTable) {
    struct { const char* Size; Integer Points; } Cases[] = {{"1", 8}, {"3", 12}, {"5", 16}, {"7", 7}, {"20", 20}};
    for (const auto& K : Cases) {
        THtml H;
        H.Measure = true;
        H.Run(AnsiString("<FONT SIZE=\"") + K.Size + "\">Wg</FONT>");
        THtml Ref;
        Ref.C()->Font()->SetSize(K.Points);
        EXPECT_EQ(H.EX, Ref.C()->TextWidth("Wg")) << K.Size;
    }
}

TEST(EsgHTMLE, LineBreaksParagraphsAndLists) {
    THtml H;
    H.Measure = true;
    H.Run("one<BR>two<BR>three");
    EXPECT_EQ(H.EY, 3 * H.GH());
    EXPECT_EQ(H.Plain, "one\rtwo\rthree");
    H.Run("one\r\ntwo");   // CR becomes a break, LF is dropped
    EXPECT_EQ(H.EY, 2 * H.GH());
    H.Run("one<BR><BR>three");   // the empty middle line keeps its height
    EXPECT_EQ(H.EY, 3 * H.GH());
    H.Run("<P>first</P>second");
    EXPECT_EQ(H.EY, 2 * H.GH());
    H.Run("<UL><LI>a<LI>b</UL>");
    EXPECT_EQ(H.EY, 2 * H.GH());   // UL opens an empty line; a second LI starts a new one
    Integer ListW = H.EX;
    H.Run("a");
    EXPECT_EQ(ListW, 12 + H.EX);
}

TEST(EsgHTMLE, WrapsAtBlanksButNotInsideTaggedWords) {
    THtml H;
    H.Measure = true;
    H.R = Rect(0, 0, 60, 200);
    H.Run("aaaa bbbb cccc dddd");
    EXPECT_GT(H.EY, H.GH());
    EXPECT_LE(H.EX, 60);
    H.R = Rect(0, 0, 1000, 200);
    H.Run("wo<B>rd</B>");
    EXPECT_EQ(H.EY, H.GH());
    // Without wrapping each <BR> line stays one line.
    H.R = Rect(0, 0, 40, 200);
    H.Wrap = false;
    H.Run("a very long line of text<BR>another long line of text");
    EXPECT_EQ(H.EY, 2 * H.GH());
}

TEST(EsgHTMLE, EmptyAndMalformedTextNeverLoops) {
    THtml H;
    H.Measure = true;
    H.Run("");
    EXPECT_EQ(H.EX, 0);
    EXPECT_EQ(H.EY, H.GH());
    const char* Bad[] = {"<", "a<", "<B", "a < b", "<B><I><U>unclosed", "</A></FONT></P></UL></HI>x",
                         "<FONT SIZE=\"99999999\">big</FONT>", "<IMG SRC=\"nothing\" WIDTH=\"99999999\" HEIGHT=\"9\">",
                         "<IND x=\"abc\">x", "<CONTROL TYPE=\"EDIT\" WIDTH=\"zz\">", "&amp;&amp;amp;", "<<<>>>",
                         "<P ALIGN=\"RIGHT\" BGCOLOR=\"#ZZZZZZ\">x", "<#12>"};
    for (const char* T : Bad) {
        H.Measure = false;
        H.Run(T);
        H.Measure = true;
        H.Run(T);
        EXPECT_GE(H.EY, 1) << T;
    }
    // A "<" without a later ">" is text, not a swallowed tag.
    H.Run("a < b");
    EXPECT_EQ(H.Plain, "a < b");
    H.Run("<#12>");
    EXPECT_EQ(H.Plain, "#12");
}

TEST(EsgHTMLE, Entities) {
    struct { const char* In; const char* Plain; } Cases[] = {
        {"a&amp;b", "a&b"},     {"&lt;B&gt;x", "<B>x"}, {"&quot;q&quot;", "\"q\""},
        {"a&nbsp;b", "a b"},    {"&euro;", "\x80"},     {"&copy;&reg;&trade;", "\xA9\xAE\x99"},
        // Decoded once: what an entity gives is never read as another one.
        {"&amp;lt;", "&lt;"},   {"&amp;amp;", "&amp;"}, {"&amp;lt;b&amp;gt;", "&lt;b&gt;"},
        {"&amp;&quot;", "&\""}, {"&bogus; &amp", "&bogus; &amp"}, {"&", "&"}};
    for (const auto& K : Cases) {
        THtml H;
        H.Measure = true;
        H.Run(K.In);
        EXPECT_EQ(H.Plain, K.Plain) << K.In;
    }
    // "&lt;B&gt;" must not switch bold on.
    THtml H;
    H.Measure = true;
    H.Run("&lt;B&gt;x");
    Integer W = H.EX;
    EXPECT_EQ(W, H.C()->TextWidth("<B>x"));
    // Neither does an escaped ampersand in front of them: the text shows as written.
    H.Run("&amp;lt;b&amp;gt;x");
    EXPECT_EQ(H.EX, H.C()->TextWidth("&lt;b&gt;x"));
}

TEST(EsgHTMLE, AttributeValuesAreDecodedOnce) {
    THtml H;
    H.HitOnly = true;
    H.PY = H.GH() / 2;
    H.PX = 5;
    EXPECT_TRUE(H.Run("<A HREF=\"a&amp;amp;b\" TITLE=\"say &quot;hi&quot;\">link</A>"));
    EXPECT_EQ(H.HitAnchor, "A&AMP;B");
    EXPECT_EQ(H.Title, "SAY \"HI\"");
}

TEST(EsgHTMLE, DecodeAndEncodeAreInverse) {
    for (const char* Plain : {"", "plain", "a & b", "&lt;", "\"<B>\"", "&amp;amp;", "x &"})
        EXPECT_EQ(HTMLDecode(HTMLEncode(Plain)), Plain) << Plain;
    EXPECT_EQ(HTMLEncode("<a href=\"x\">&"), "&lt;a href=&quot;x&quot;&gt;&amp;");
}

TEST(EsgHTMLE, AnchorHitTestReturnsHrefInCapitals) {
    THtml H;
    H.HitOnly = true;
    H.PY = H.GH() / 2;
    H.PX = 2 + H.C()->TextWidth("see ") + 3;
    EXPECT_TRUE(H.Run("see <A HREF=\"http://x.org/p\" TITLE=\"tip\">here</A> now"));
    EXPECT_EQ(H.HitAnchor, "HTTP://X.ORG/P");
    EXPECT_EQ(H.Title, "TIP");
    EXPECT_EQ(H.HitIndex, 1);
    EXPECT_EQ(H.Count, 1);
    EXPECT_EQ(H.AnchorRect.Left, 1 + H.C()->TextWidth("see "));

    H.PX = 3;   // on "see"
    EXPECT_FALSE(H.Run("see <A HREF=\"http://x.org/p\">here</A> now"));
    EXPECT_EQ(H.HitAnchor, "");
    EXPECT_EQ(H.HitIndex, -1);

    // Second anchor counted from 1.
    H.PX = 1 + H.C()->TextWidth("a ") + 2;
    EXPECT_TRUE(H.Run("<A HREF=\"one\">a</A> <A HREF=\"two\">b</A>"));
    EXPECT_EQ(H.HitAnchor, "TWO");
    EXPECT_EQ(H.HitIndex, 2);

    // Measuring only never reports a hit.
    H.HitOnly = false;
    H.Measure = true;
    H.PX = 3;
    EXPECT_FALSE(H.Run("<A HREF=\"one\">a</A>"));
}

TEST(EsgHTMLE, StylesCarryAcrossLineBreaks) {
    for (auto [Open, Close] : {std::pair{"<B>", "</B>"}, {"<I>", "</I>"}, {"<FONT SIZE=\"5\">", "</FONT>"},
                               {"<FONT FACE=\"DejaVu Serif\">", "</FONT>"}, {"<A HREF=\"u\">", "</A>"}, {"<HI>", "</HI>"}}) {
        THtml A, B;
        A.Run(Open + AnsiString("Wx<BR>WWWW") + Close);
        B.Run(Open + AnsiString("Wx") + Close + "<BR>" + Open + "WWWW" + Close);
        EXPECT_TRUE(A.Bmp.Image() == B.Bmp.Image()) << Open;   // as if opened again after the break
    }
}

TEST(EsgHTMLE, FocusedAnchorCountsFromZero) {
    THtml H;
    H.Focus = 1;
    H.Run("<A HREF=\"one\">a</A> <A HREF=\"two\">b</A>");
    EXPECT_EQ(H.FocusedHref, "TWO");
}

TEST(EsgHTMLE, ColouredSpanAndBackgroundPixels) {
    THtml H;
    H.Run("<FONT COLOR=\"clRed\" BGCOLOR=\"#00FF00\">WWWW</FONT>");
    Integer W = H.C()->TextWidth("WWWW");
    TRect Area = Rect(1, 0, 1 + W, H.GH());
    EXPECT_TRUE(H.AnyPixel(Area, clRed));
    EXPECT_TRUE(H.AnyPixel(Area, clLime));
    EXPECT_FALSE(H.AnyPixel(Rect(W + 5, 0, 300, H.GH()), clLime));
    EXPECT_EQ(H.C()->Font()->Color(), clBlack);
    EXPECT_EQ(H.C()->Brush()->Color(), clWhite);

    // Selected cells keep their own colours.
    THtml S;
    S.Selected = true;
    S.Run("<FONT COLOR=\"clRed\">WWWW</FONT>");
    EXPECT_FALSE(S.AnyPixel(Rect(1, 0, 1 + W, S.GH()), clRed));

    THtml B;
    B.R = Rect(0, 0, 100, 50);
    B.Run("<BODY BGCOLOR=\"clYellow\">x");
    EXPECT_EQ(B.C()->Pixels(90, 40), clYellow);
    EXPECT_EQ(B.C()->Pixels(150, 40), clWhite);

    THtml P;
    P.Run("<P BGCOLOR=\"#0000FF\">x</P>");
    EXPECT_EQ(P.C()->Pixels(250, 2), clBlue);   // the whole line width; #RRGGBB becomes $BBGGRR
}

TEST(EsgHTMLE, AlignmentAndIndent) {
    THtml H;
    H.PY = H.GH() / 2;
    H.HitOnly = true;
    Integer W = H.C()->TextWidth("x");
    H.PX = 300 - W + W / 2;
    EXPECT_TRUE(H.Run("<P ALIGN=\"right\"><A HREF=\"r\">x</A></P>"));
    H.PX = 150;
    EXPECT_TRUE(H.Run("<P ALIGN=\"center\"><A HREF=\"c\">x</A></P>"));
    H.PX = 1 + 20 + W / 2;
    EXPECT_TRUE(H.Run("<P INDENT=\"20\"><A HREF=\"i\">x</A>"));
    H.PX = 3;
    EXPECT_FALSE(H.Run("<P INDENT=\"20\"><A HREF=\"i\">x</A>"));
}

TEST(EsgHTMLE, HiddenTextTakesNoWidth) {
    THtml H;
    H.Measure = true;
    H.Run("a<Z>hidden</Z>b");
    EXPECT_EQ(H.EX, H.C()->TextWidth("a") + H.C()->TextWidth("b"));
}

TEST(EsgHTMLE, PicturesFromTheContainerByName) {
    TPictureContainer Pc(nullptr);
    TBitmap Src;
    Src.SetSize(20, 10);
    Src.Canvas()->Brush()->SetColor(clRed);
    Src.Canvas()->FillRect(Rect(0, 0, 20, 10));
    TMemoryStream Bytes;
    Src.SaveToStream(&Bytes);
    Bytes.SetPosition(0);
    TPictureItem* Item = Pc.Items()->Add();
    Item->SetName("Logo");
    Item->Picture()->LoadFromStream(&Bytes);

    THtml H;
    H.Container = &Pc;
    H.Measure = true;
    H.Run("<IMG SRC=\"logo\">");
    EXPECT_EQ(H.EX, 20);
    EXPECT_EQ(H.EY, std::max(10, 0));
    H.Run("<IMG SRC=\"logo\" WIDTH=\"40\" HEIGHT=\"30\">");
    EXPECT_EQ(H.EX, 40);
    EXPECT_EQ(H.EY, 30);
    H.Run("<IMG SRC=\"missing\">");   // takes no room
    EXPECT_EQ(H.EX, 0);

    H.Measure = false;
    H.Run("<IMG SRC=\"logo\">");
    EXPECT_EQ(H.C()->Pixels(5, 5), clRed);

    // An image inside an anchor is hit.
    H.HitOnly = true;
    H.PX = 5;
    H.PY = 5;
    EXPECT_TRUE(H.Run("<A HREF=\"pic\"><IMG SRC=\"logo\"></A>"));
    EXPECT_EQ(H.HitAnchor, "PIC");
}

TEST(EsgHTMLE, ImageListPictures) {
    gridtest::TSolidImages Images(16, clBlue, clGreen);
    THtml H;
    H.Images = &Images;
    H.Run("<IMG SRC=\"IDX:1\"><IMG SRC=\"idx:5\">");
    EXPECT_EQ(H.EX, 16);
    EXPECT_EQ(H.C()->Pixels(8, 8), clGreen);
    EXPECT_EQ(H.C()->Brush()->Color(), clWhite);
}

// The desktop's icon of a folder or a file (one that does not exist: its type's), small
// or large; an icon given by an index shows nothing.
TEST(EsgHTMLE, SystemIconsOfFilesAndFolders) {
    gridtest::TTempFile F("x", "note.txt");
    const AnsiString Dir = F.Dir.string(), File = F.Name();
    THtml H;
    H.Measure = true;
    for (const auto& [Src, W] : {std::pair<AnsiString, Integer>{"SSYS:" + Dir, 16}, {"LSYS:" + File, 32},
                                 {"ssys:/no/such/folder/file.txt", 16}, {"SSYS:3", 0}}) {
        H.Run("<IMG SRC=\"" + Src + "\">");
        EXPECT_EQ(W, H.EX) << Src;
    }
    H.Measure = false;
    H.Run("<IMG SRC=\"LSYS:" + File + "\">");
    Integer Drawn = 0;
    for (Integer I = 0; I < 32 * 32; ++I) Drawn += H.C()->Pixels(I % 32, I / 32) != clWhite;
    EXPECT_GT(Drawn, 32);
}

TEST(EsgHTMLE, FormControlsHitAndDraw) {
    THtml H;
    const AnsiString T = "Name: <CONTROL TYPE=\"EDIT\" ID=\"n\" VALUE=\"Ali\" WIDTH=\"60\"> "
                         "<CONTROL TYPE=\"check\" ID=\"c\" VALUE=\"true\">";
    H.Measure = true;
    H.Run(T);
    EXPECT_EQ(H.EY, H.GH() + 6);
    H.Measure = false;
    H.HitOnly = true;
    H.PX = 1 + H.C()->TextWidth("Name: ") + 10;
    H.PY = 5;
    EXPECT_TRUE(H.Run(T));
    EXPECT_EQ(H.HitAnchor, "ctrl");
    EXPECT_EQ(H.CtrlID, "n");
    EXPECT_EQ(H.CtrlValue, "Ali");
    EXPECT_EQ(H.CtrlType, "EDIT");
    EXPECT_EQ(H.CtrlRect.Width(), 60);

    // Locating a control by its ID in hit-test mode.
    H.PX = H.PY = -50;
    H.CtrlID = "c";
    EXPECT_TRUE(H.Run(T));
    EXPECT_EQ(H.CtrlType, "CHECK");
    EXPECT_EQ(H.CtrlRect.Width(), 16);

    // Drawing: the edit frame is grey, the checked box has a dark mark.
    H.HitOnly = false;
    H.Run(T);
    EXPECT_EQ(H.CtrlID, "");
    Integer X0 = 1 + H.C()->TextWidth("Name: ");
    EXPECT_TRUE(H.AnyPixel(Rect(X0, 0, X0 + 1, H.GH() + 6), clGray));
    Integer XC = X0 + 60 + H.C()->TextWidth(" ");
    EXPECT_TRUE(H.AnyPixel(Rect(XC + 3, 2, XC + 13, 13), ColorToRGB(clWindowText)));
}

TEST(EsgHTMLE, ColourDecoders) {
    EXPECT_EQ(Text2Color("clred"), clRed);
    EXPECT_EQ(Text2Color("clnavy"), clNavy);
    EXPECT_EQ(Text2Color("clwindow"), clWindow);
    EXPECT_EQ(Text2Color("clinfobk"), clInfoBk);
    EXPECT_EQ(Text2Color("nonsense"), clBlack);
    EXPECT_EQ(HexToColor("#FF0000"), clRed);
    EXPECT_EQ(HexToColor("#0080FF"), TColor(0xFF8000));
    EXPECT_EQ(HexToColor("#12"), TColor(0x12));   // short text: missing digits count as 0
}

TEST(EsgHTMLE, Strip) {
    EXPECT_EQ(HTMLStrip("<B>bold</B> and <i>it</i>"), "bold and it");
    EXPECT_EQ(HTMLStrip("a<br>b<HR>c"), "a\r\nb\r\nc");
    EXPECT_EQ(HTMLStrip("x<B>y</B> < z"), "xy < z");
    EXPECT_EQ(HTMLStrip("plain"), "plain");
    EXPECT_EQ(HTMLStrip(""), "");
    // The plain text is what the cell shows: entities decoded once, after the tags are gone.
    EXPECT_EQ(HTMLStrip("<B>a &amp;lt; b</B>"), "a &lt; b");
    EXPECT_EQ(HTMLStrip("&lt;B&gt;x"), "<B>x");
}

TEST(EsgHTMLE, HiLightAndUnHiLight) {
    EXPECT_EQ(HiLight("<B>word</B>", "r", "hi", false), "<B>wo<hi>r</hi>d</B>");
    EXPECT_EQ(HiLight("abcABC", "abc", "e", false), "<e>abc</e><e>ABC</e>");
    EXPECT_EQ(HiLight("abcABC", "abc", "e", true), "<e>abc</e>ABC");
    EXPECT_EQ(HiLight("aaaa", "aa", "e", true), "<e>aa</e><e>aa</e>");
    EXPECT_EQ(HiLight("x", "", "e", true), "x");
    EXPECT_EQ(UnHiLight("<HI>a</hi>b<hi>c</HI>", "hi"), "abc");
    EXPECT_EQ(UnHiLight(HiLight("<B>word</B>", "or", "hi", false), "hi"), "<B>word</B>");
    AnsiString Note;   // 75 KB with every "e" marked comes clean at once: one pass over the text
    while (Note.size() < 75000) Note += "Hepsi bir gelecek de ";
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(Note, UnHiLight(HiLight(Note, "e", "hi", false), "hi"));
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(500));
}

TEST(EsgHTMLEControls, ParseAndQuery) {
    const AnsiString T = "<CONTROL TYPE=\"button\" ID=\"b1\" VALUE=\"Go\" WIDTH=\"40\">"
                         "<control type=\"EDIT\" id=\"e1\" value=\"a &amp; b\" width=\"50\" prop=\"mask\">"
                         "<CONTROL TYPE=\"RADIO\" ID=\"r1\" VALUE=\"x ID=&quot;zz&quot;\">"
                         "<CONTROL TYPE=\"COMBO\" ID=\"c1\" VALUE=\"\" WIDTH=\"70\" PROP=\"list\">";
    AnsiString Ty, Id, Pr, Wi, Va;
    ParseControlTag("<control type=\"edit\" id=\"e1\" value=\"a &lt;&gt; b\" width=\"50\">", Ty, Id, Pr, Wi, Va);
    EXPECT_EQ(Ty, "EDIT");
    EXPECT_EQ(Id, "e1");
    EXPECT_EQ(Va, "a <> b");
    EXPECT_EQ(Wi, "50");
    EXPECT_EQ(Pr, "");
    EXPECT_TRUE(IsControlText("x <Control TYPE=\"EDIT\">"));
    EXPECT_FALSE(IsControlText("<B>x</B>"));
    EXPECT_EQ(NextEditControlID(T, ""), "e1");
    EXPECT_EQ(NextEditControlID(T, "e1"), "c1");
    EXPECT_EQ(NextEditControlID(T, "c1"), "");
    EXPECT_EQ(NextEditControlID(T, "unknown"), "");
    EXPECT_EQ(GetControlProp(T, "e1"), "mask");
    EXPECT_EQ(GetControlProp(T, "zz"), "");   // an ID inside a value is no control
    EXPECT_EQ(PasswordText("abc"), "***");
}

TEST(EsgHTMLEControls, SetValueRoundTrips) {
    AnsiString T = "before <CONTROL TYPE=\"EDIT\" ID=\"e\" VALUE=\"old\" WIDTH=\"50\" PROP=\"p\"> after";
    EXPECT_TRUE(SetControlValue(T, "e", "A & \"B\" <c>"));
    EXPECT_EQ(T, "before <CONTROL ID=\"e\" VALUE=\"A &amp; &quot;B&quot; &lt;c&gt;\" WIDTH=\"50\" TYPE=\"EDIT\" "
                 "PROP=\"p\"> after");
    AnsiString Ty, Id, Pr, Wi, Va;
    ParseControlTag(T.substr(7), Ty, Id, Pr, Wi, Va);
    EXPECT_EQ(Va, "A & \"B\" <c>");
    // A value that reads like an entity comes back as typed.
    EXPECT_TRUE(SetControlValue(T, "e", "&lt;&amp;"));
    ParseControlTag(T.substr(7), Ty, Id, Pr, Wi, Va);
    EXPECT_EQ(Va, "&lt;&amp;");
    AnsiString U = T;
    EXPECT_FALSE(SetControlValue(U, "nope", "x"));
    EXPECT_EQ(U, T);
    AnsiString V = "<CONTROL TYPE=\"CHECK\" ID=\"k\" VALUE=\"FALSE\">";
    EXPECT_TRUE(SetControlValue(V, "k", "TRUE"));
    EXPECT_EQ(V, "<CONTROL ID=\"k\" VALUE=\"TRUE\" WIDTH=\"\" TYPE=\"CHECK\">");
}

// Entities in any attribute are decoded as in VALUE; numeric ones are no entity here and stay as written.
TEST(EsgHTMLEControls, EveryAttributeIsDecodedAndWrittenBackEncoded) {
    struct {
        const char* Written;
        const char* Read;
    } const Cases[] = {{"a&amp;b", "a&b"}, {"&lt;x&gt;", "<x>"}, {"&quot;q&quot;", "\"q\""}, {"&#65;&#x42;", "&#65;&#x42;"},
                       {"&amp;lt;", "&lt;"}, {"", ""}};
    for (const auto& K : Cases) {
        const AnsiString W = K.Written, R = K.Read;
        AnsiString Ty, Id, Pr, Wi, Va;
        ParseControlTag("<CONTROL TYPE=\"edit" + W + "\" ID=\"" + W + "\" PROP=\"p" + W + "\" WIDTH=\"5" + W +
                            "\" VALUE=\"" + W + "\">",
                        Ty, Id, Pr, Wi, Va);
        EXPECT_EQ(Ty, UpperCase("edit" + R)) << W;
        EXPECT_EQ(Id, R) << W;
        EXPECT_EQ(Pr, "p" + R) << W;
        EXPECT_EQ(Wi, "5" + R) << W;
        EXPECT_EQ(Va, R) << W;
    }
    // The queries and the rewrite know the control by its decoded ID and keep every attribute.
    AnsiString T = "<CONTROL TYPE=\"MASK\" ID=\"k&amp;&quot;1&quot;\" VALUE=\"old\" WIDTH=\"60\" "
                   "PROP=\"&lt;99&gt; &amp;\"><CONTROL TYPE=\"EDIT\" ID=\"&#50;\">";
    EXPECT_EQ(NextEditControlID(T, ""), "k&\"1\"");
    EXPECT_EQ(NextEditControlID(T, "k&\"1\""), "&#50;");
    EXPECT_EQ(GetControlProp(T, "k&\"1\""), "<99> &");
    EXPECT_EQ(GetControlProp(T, "k&amp;&quot;1&quot;"), "");
    EXPECT_TRUE(SetControlValue(T, "k&\"1\"", "new"));
    EXPECT_EQ(T, "<CONTROL ID=\"k&amp;&quot;1&quot;\" VALUE=\"new\" WIDTH=\"60\" TYPE=\"MASK\" "
                 "PROP=\"&lt;99&gt; &amp;\"><CONTROL TYPE=\"EDIT\" ID=\"&#50;\">");
    EXPECT_TRUE(SetControlValue(T, "&#50;", "x"));
    EXPECT_EQ(GetControlProp(T, "k&\"1\""), "<99> &");
    EXPECT_EQ(NextEditControlID(T, "k&\"1\""), "&#50;");
}

// The layout reports a control under the point by its decoded ID.
TEST(EsgHTMLEControls, HitControlHasItsDecodedIDAndType) {
    THtml H;
    H.HitOnly = true;
    H.PX = 10;
    H.PY = 5;
    EXPECT_TRUE(H.Run("<CONTROL TYPE=\"edit\" ID=\"a&lt;b&gt;&amp;&#38;\" VALUE=\"&quot;v&quot;\" WIDTH=\"60\">"));
    EXPECT_EQ(H.CtrlID, "a<b>&&#38;");
    EXPECT_EQ(H.CtrlValue, "\"v\"");
    EXPECT_EQ(H.CtrlType, "EDIT");
    EXPECT_EQ(H.CtrlRect.Width(), 60);
}

}  // namespace

namespace {

// Width and height of the box around the pixels that differ from white.
TSize InkBox(TBitmap& B) {
    Integer L = B.Width(), T = B.Height(), R = -1, Bt = -1;
    for (Integer Y = 0; Y < B.Height(); ++Y)
        for (Integer X = 0; X < B.Width(); ++X)
            if ((B.Canvas()->Pixels(X, Y) & 0xFFFFFF) != 0xFFFFFF) {
                L = std::min(L, X);
                R = std::max(R, X);
                T = std::min(T, Y);
                Bt = std::max(Bt, Y);
            }
    return R < 0 ? TSize{0, 0} : TSize{R - L + 1, Bt - T + 1};
}

TSize DrawnInk(const AnsiString& Html) {
    TBitmap B;
    B.SetSize(200, 200);
    B.Canvas()->Brush()->SetColor(clWhite);
    B.Canvas()->FillRect(Rect(0, 0, 200, 200));
    B.Canvas()->Font()->SetColor(clBlack);
    AnsiString A, P, F, Ti, CI, CV, CT;
    Integer EX = 0, EY = 0, N = 0, H = -1;
    TRect AR, CR;
    HTMLDrawEx(B.Canvas(), Html, Rect(10, 100, 190, 190), nullptr, -1, -1, -1, -1, 1, false, false, false, false,
               true, false, false, false, 0, clBlue, clNone, clNone, 0x808080, A, P, F, Ti, EX, EY, N, H, AR, CR, CI,
               CV, CT, nullptr, nullptr, nullptr);
    EXPECT_EQ(0, B.Canvas()->Font()->Orientation()) << Html;   // the canvas font is left level
    return InkBox(B);
}

}  // namespace

TEST(EsgHTMLE, RotatedTextRunsAlongItsAngle) {
    const TSize Level = DrawnInk("WWWWWW");
    const TSize Up = DrawnInk("<R 90>WWWWWW</R>");
    const TSize Slant = DrawnInk("<R 45>WWWWWW");
    EXPECT_GT(Level.cx, 2 * Level.cy);
    EXPECT_GT(Up.cy, 2 * Up.cx);                 // reads bottom to top
    EXPECT_NEAR(Up.cy, Level.cx, 3);
    EXPECT_GT(Slant.cy, Level.cy * 2);           // both ways at once
    EXPECT_GT(Slant.cx, Level.cy * 2);
}

