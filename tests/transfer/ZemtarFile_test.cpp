#include "transfer/ZemtarFile.h"

#include "TransferTestKit.h"
#include "platform/rtl/Classes.h"

#include <gtest/gtest.h>

using namespace transfertest;

namespace {

TEST(ZemtarFile, MonthCodesAndPeriodTakeOnlyTheExactNames) {
    const char* const Names[] = {"Ocak", "Şubat", "Mart", "Nisan", "Mayıs", "Haziran",
                                 "Temmuz", "Ağustos", "Eylül", "Ekim", "Kasım", "Aralık"};
    for (int M = 0; M < 12; ++M) EXPECT_EQ(FormatFloat("00", M + 1), ZemtarMonthCode(Names[M])) << Names[M];
    for (const char* Other : {"şubat", "OCAK", "Ocak ", "Subat", ""}) EXPECT_EQ("", ZemtarMonthCode(Other)) << Other;
    EXPECT_EQ("201602-201602", ZemtarPeriod("2016", ZemtarMonthCode("Şubat")));
}

TEST(ZemtarFile, XmlEscapeCoversTheFiveCharactersAndKeepsTheRest) {
    EXPECT_EQ("a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;", XmlEscape("a & b <c> \"d\" 'e'"));
    EXPECT_EQ("&amp;amp;", XmlEscape("&amp;"));   // escaped once, as typed
    EXPECT_EQ("çğıİşöü \t", XmlEscape("çğıİşöü \t"));
    EXPECT_EQ("", XmlEscape(""));
}

TEST(ZemtarFile, AttributeEscapeWritesWhitespaceBreaksAsReferencesAndRefusesControls) {
    EXPECT_EQ("a&#13;&#10;b&#10;c&#9;d &amp;&quot;&apos;&lt;&gt;ş", XmlAttributeEscape("a\r\nb\nc\td &\"'<>ş"));
    EXPECT_EQ("", XmlAttributeEscape(""));
    EXPECT_THROW(XmlAttributeEscape(AnsiString("x\0y", 3)), EZemtarText);
    EXPECT_THROW(XmlAttributeEscape("\x1f"), EZemtarText);
    Integer Code = -1;
    EXPECT_FALSE(XmlTextAllowed("ab\x0c", &Code));
    EXPECT_EQ(Code, 12);
    EXPECT_TRUE(XmlTextAllowed("\t\r\n ~\x7f\x80\xff", &Code));
    EXPECT_EQ(Code, 0);
}

TEST(ZemtarFile, Utf8TextIsExactForEveryTurkishLetterAndTheUpperHalf) {
    EXPECT_EQ(U8(u8"çğıİşöüÇĞŞÖÜâ\r\n"), ZemtarUtf8Text("çğıİşöüÇĞŞÖÜâ"));
    // Bytes 0x80 and 0x9F of the code page: the euro sign and Y with diaeresis.
    EXPECT_EQ(U8(u8"€Ÿ\r\n"), ZemtarUtf8Text("\x80\x9F"));
    // Every byte survives: decode the UTF-8 back and compare.
    AnsiString All;
    for (int B = 1; B < 256; ++B) {
        if (B != '\r' && B != '\n') All += static_cast<char>(B);
    }
    const std::string Utf8 = ZemtarUtf8Text(All);
    EXPECT_EQ(All + "\r\n", Utf8ToAnsi(Utf8));
    EXPECT_NE(std::string::npos, Utf8.find(U8(u8"ğ")));
}

TEST(ZemtarFile, Utf8TextMakesEveryLineEndCrLf) {
    EXPECT_EQ("a\r\nb\r\nc\r\nd\r\n", ZemtarUtf8Text("a\rb\nc\r\nd"));
    EXPECT_EQ("x\t\r\n\r\n", ZemtarUtf8Text("x\t\r\n\n"));
    EXPECT_EQ("\r\n\r\n", ZemtarUtf8Text("\r\r"));
    EXPECT_EQ("", ZemtarUtf8Text(""));
}

TEST(ZemtarFile, Utf8TextKeepsALineEndThatStraddlesAPieceOfItsWork) {
    // The text is converted 4096 bytes at a time: a CR closing a piece takes the LF opening the next.
    for (size_t Before : {4094u, 4095u, 4096u, 8191u}) {
        const AnsiString A(Before, 'a');
        EXPECT_EQ(A + "\r\nb\r\n", ZemtarUtf8Text(A + "\r\nb")) << Before;
        EXPECT_EQ(A + "\r\n\r\nb\r\n", ZemtarUtf8Text(A + "\r\rb")) << Before;
    }
    const AnsiString Wide(10000, '\xFE');   // ş: two bytes each
    std::string Expected;
    for (int I = 0; I < 10000; ++I) Expected += U8(u8"ş");
    EXPECT_EQ(Expected + "\r\n", ZemtarUtf8Text(Wide));
}

TEST(ZemtarFile, TextLinesTakeAnyLengthAndARefusedValueAddsNothing) {
    TZemtarText Out;
    Out.Line(2, "<a x=\"1\">");
    Out.Leaf(0, "t", "");
    // Every byte of a long value at its widest: entities and three-byte letters.
    const AnsiString Long = AnsiString(70000, '"') + AnsiString(70000, '\x80');
    Out.Leaf(4, "uzun", Long);
    std::string Euro;
    for (int I = 0; I < 70000; ++I) Euro += U8(u8"€");
    std::string Quotes;
    for (int I = 0; I < 70000; ++I) Quotes += "&quot;";
    const std::string Before = "  <a x=\"1\">\t\r\n" + Leaf(0, "t", "") + Leaf(4, "uzun", Quotes + Euro);
    EXPECT_EQ(Before, Out.Utf8());
    EXPECT_THROW(Out.Leaf(8, "kod", "ab\x01"), EZemtarText);
    EXPECT_EQ(Before, Out.Utf8());
}

class ZemtarFileOnDisk : public TTransferFixture {};

TEST_F(ZemtarFileOnDisk, SaveFileAsUtf8ReencodesInPlaceWithoutByteOrderMark) {
    const AnsiString P = Folder.Path() + "f.xml";
    SaveFileAtomically(P, "<?xml?>\t\r\n  <ad>Çağrı</ad>\t\r\n</x>\t\r\n");
    SaveFileAsUtf8(P, P);
    EXPECT_EQ(U8(u8"<?xml?>\t\r\n  <ad>Çağrı</ad>\t\r\n</x>\t\r\n"), Read(P));
}

TEST_F(ZemtarFileOnDisk, SaveFileAsUtf8ToAnotherPathKeepsTheSource) {
    const AnsiString P = Folder.Path() + "a.xml";
    const AnsiString Q = Folder.Path() + "b.xml";
    SaveFileAtomically(P, "ş\n");
    SaveFileAsUtf8(P, Q);
    EXPECT_EQ("ş\n", Read(P));
    EXPECT_EQ(U8(u8"ş\r\n"), Read(Q));
}

TEST_F(ZemtarFileOnDisk, SaveFileAsUtf8ReportsFailures) {
    EXPECT_THROW(SaveFileAsUtf8(Folder.Path() + "missing.xml", Folder.Path() + "missing.xml"), EFOpenError);
    EXPECT_FALSE(FileExists(Folder.Path() + "missing.xml"));
    const AnsiString P = Folder.Path() + "a.xml";
    SaveFileAtomically(P, "ğ");
    EXPECT_THROW(SaveFileAsUtf8(P, Folder.Path() + "no/such/b.xml"), EFCreateError);
    EXPECT_EQ("ğ", Read(P));
}

TEST_F(ZemtarFileOnDisk, MarkedRowsAreThoseWithExactlyE) {
    SetUpGrid(12, 8);
    const char* Marks[8] = {"E", "E", "e", "E ", "H", "", "E", "E"};   // row 0 is the header
    for (Integer R = 0; R < 8; ++R) Grid->SetCells(11, R, Marks[R]);
    AnsiString Marked;   // the last row takes part too, none past it
    for (Integer R = 0; R <= 8; ++R) Marked += IsMarkedRow(*Grid, R, 11) ? "1" : "0";
    EXPECT_EQ(Marked, "010000110");
    EXPECT_EQ(3, CountMarkedRows(*Grid, 11));
    Grid->SetRowCount(1);
    EXPECT_EQ(0, CountMarkedRows(*Grid, 11));
}

TEST_F(ZemtarFileOnDisk, RowReadGivesTheShownTextOfEveryColumn) {
    SetUpGrid(4, 3);
    SetRow(1, {{0, "1"}, {1, "ÖZGÜR GIDA SANAYİ VE TİCARET"}, {3, "E"}});
    SetRow(2, {{0, "2"}, {2, "iki"}});
    TZemtarRow Row;
    Row.Read(*Grid, 1);
    EXPECT_EQ(Row[1], "ÖZGÜR GIDA SANAYİ VE TİCARET");
    EXPECT_EQ(Row[2] + Row[4] + Row[-1], "");   // an empty cell, past the last column and before the first
    Row.Read(*Grid, 2);
    EXPECT_EQ(Row[0] + "|" + Row[1] + "|" + Row[2], "2||iki");
    // What a display hook shows is what the files get.
    Grid->OnGetDisplText = [](TObject*, Integer ACol, Integer, AnsiString& V) {
        if (ACol == 2) V += "!";
    };
    Row.Read(*Grid, 2);
    EXPECT_EQ(Row[0] + "|" + Row[2], "2|iki!");
    Row.Read(*Grid, 9);   // past the last row
    EXPECT_EQ(Row[0], "");
}

}  // namespace
