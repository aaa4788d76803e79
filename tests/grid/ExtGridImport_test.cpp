#include "grid/ExtGrid.h"

#include "grid/ExtUtil.h"
#include "grid/GridTestKit.h"
#include "platform/sheet/Excel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace gridtest;

namespace {

// A file of given bytes in a folder of its own, removed with the folder.
struct TImportGrid {
    std::unique_ptr<TExtStringGrid> Grid = std::make_unique<TExtStringGrid>(nullptr);
    TImportGrid() {
        Grid->SetColCount(2);
        Grid->SetRowCount(2);
    }
    AnsiString Cell(Integer C, Integer R) const { return Grid->Cells(C, R); }
};

}  // namespace

TEST(ExtGridImport, DelimiterIsTheCandidateBothFirstLinesAgreeOn) {
    struct Case { std::string Text; AnsiString Second; };
    const Case Cases[] = {
        {"a,b,c,d;e;f\r\ng,h,i,j;k;l\r\n", "b"},   // three commas and two semicolons in both
        {"a;b;c;d,e,f,g\r\nh;i;j;k,l\r\n", "b"},   // three semicolons in both, three commas in one
        {"a|b|c,d\r\n", "b"},                      // one line: the most frequent
    };
    for (size_t I = 0; I < 3; ++I) {
        TTempFile F(Cases[I].Text);
        TImportGrid G;
        G.Grid->ImportCSVFile(F.Name(), false);
        EXPECT_EQ(Cases[I].Second, G.Cell(1, 0)) << I;
    }
    TTempFile Tie("a,b;c\r\n");   // a tie on one line: the earlier candidate
    TImportGrid G;
    G.Grid->ImportCSVFile(Tie.Name(), false);
    EXPECT_EQ("b;c", G.Cell(1, 0));
}

TEST(ExtGridImport, QuotedFieldsKeepDelimitersQuotesTurkishLettersAndLineBreaks) {
    // The same rows in code page 1254 and in UTF-8 with a byte-order mark.
    const std::string Cp = "No;Ad;Not\r\n1;\"Kaya; Ltd. \"\"Şti\"\"\";\"iki\r\nsatır\"\r\n2;Öztürk;son;\r\n";
    const std::string Utf = "\xEF\xBB\xBFNo;Ad;Not\r\n1;\"Kaya; Ltd. \"\"\xC5\x9E" "ti\"\"\";\"iki\r\nsat\xC4\xB1r\"\r\n"
                            "2;\xC3\x96zt\xC3\xBCrk;son;\r\n";
    for (const std::string& Bytes : {Cp, Utf}) {
        TTempFile F(Bytes);
        TImportGrid G;
        G.Grid->ImportCSVFile(F.Name(), false);
        EXPECT_EQ(3, G.Grid->RowCount());
        EXPECT_EQ(3, G.Grid->ColCount());
        EXPECT_EQ("Kaya; Ltd. \"Şti\"", G.Cell(1, 1));
        EXPECT_EQ("iki\r\nsatır", G.Cell(2, 1));
        EXPECT_EQ("Öztürk", G.Cell(1, 2));
        EXPECT_EQ("son", G.Cell(2, 2));
    }
    TTempFile U("Dvo\xC5\x99\xC3\xA1k;\xC5\x9E\r\n");   // letters the code page lacks: a Unicode cell
    TImportGrid G;
    G.Grid->ImportCSVFile(U.Name(), false);
    EXPECT_EQ(u"Dvo\u0159\u00E1k", G.Grid->GetWideCell(0, 0));
    EXPECT_EQ("Ş", G.Cell(1, 0));
}

TEST(ExtGridImport, AppendKeepsTheFooterTextsInTheNewLastRow) {
    TTempFile F("x,1\r\ny,2\r\n");
    TImportGrid G;
    G.Grid->SetRowCount(3);
    G.Grid->SetCells(0, 1, "first");
    G.Grid->SetCells(1, 2, "total");
    G.Grid->SetFixedFooters(1);
    G.Grid->ImportCSVFile(F.Name(), true);
    EXPECT_EQ(5, G.Grid->RowCount());
    EXPECT_EQ("first", G.Cell(0, 1));
    EXPECT_EQ("x", G.Cell(0, 2));
    EXPECT_EQ("2", G.Cell(1, 3));
    EXPECT_EQ("total", G.Cell(1, 4));
}

TEST(ExtGridImport, ManyLinesEndWithTheExactRowCountAndProgress) {
    std::string Text;
    for (int I = 0; I < 2500; ++I) Text += std::to_string(I) + ",v\r\n";
    TTempFile F(Text);
    TImportGrid G;
    Integer Last = -1;
    G.Grid->OnFileProgress = [&](TObject*, Integer P) { Last = P; };
    G.Grid->ImportCSVFile(F.Name(), false);
    EXPECT_EQ(2500, G.Grid->RowCount());
    EXPECT_EQ("2499", G.Cell(0, 2499));
    EXPECT_EQ(100, Last);
}

TEST(ExtGridImport, AMissingFileIsNamedAndTheGridStays) {
    TImportGrid G;
    G.Grid->SetCells(1, 1, "keep");
    try {
        G.Grid->ImportCSVFile("/nonexistent/none.csv", false);
        FAIL();
    } catch (const EExtGridError& E) {
        EXPECT_STREQ("Cannot open file /nonexistent/none.csv", E.what());
    }
    EXPECT_EQ("keep", G.Cell(1, 1));
}

TEST(ExtGridImport, SpreadsheetImportReadsTheUsedRangeFromCellZero) {
    TTempFile F("Abone;Tutar\r\nABC1;\"15,5\"\r\n", "list.csv");
    TImportGrid G;
    G.Grid->SetColCount(5);
    G.Grid->SetCells(4, 1, "old");
    G.Grid->ReadWorkbookFile(F.Name());
    EXPECT_EQ(2, G.Grid->ColCount());
    EXPECT_EQ("Abone", G.Cell(0, 0));
    EXPECT_EQ("ABC1", G.Cell(0, 1));
    EXPECT_EQ("15,5", G.Cell(1, 1));
    EXPECT_THROW(G.Grid->ImportExcelFile(F.Name(), "Yok"), EExtGridError);
    const bool Was = SetSpreadsheetAvailable(false);
    try {
        G.Grid->ReadWorkbookFile(F.Name());
        ADD_FAILURE();
    } catch (const EExtGridError& E) {
        EXPECT_STREQ("Excel OLE server not found", E.what());
    }
    SetSpreadsheetAvailable(Was);
}

TEST(ExtGridImport, CellTextStreamRoundTripsTextsWidthsAndLineBreaks) {
    TImportGrid A;
    A.Grid->SetColCount(3);
    A.Grid->SetRowCount(3);
    A.Grid->SetColWidths(2, 77);
    A.Grid->SetCells(1, 1, "a,b");
    A.Grid->SetCells(2, 2, "two\r\nlines");
    A.Grid->MergeCells(1, 1, 2, 1);   // a merged cell's text is saved once
    TStringStream S;
    A.Grid->SaveCellsToStrings(&S);
    EXPECT_EQ(AnsiString::npos, S.DataString().find("2,1,"));
    EXPECT_EQ(0u, S.DataString().find("3,3\r\ncw 0,"));   // the plain form, which every text survives
    EXPECT_NE(AnsiString::npos, S.DataString().find("1,1,a,b\r\n2,2,two\t\blines\r\n"));
    TImportGrid B;
    B.Grid->SetMultilinecells(true);
    S.SetPosition(0);
    B.Grid->LoadCellsFromStrings(&S);
    EXPECT_EQ(3, B.Grid->ColCount());
    EXPECT_EQ(77, B.Grid->ColWidths(2));
    EXPECT_EQ("a,b", B.Cell(1, 1));
    EXPECT_EQ("two\r\nlines", B.Cell(2, 2));
    TImportGrid C;   // without multi-line cells every line stays too, also of the older form
    S.SetPosition(0);
    C.Grid->LoadCellsFromStrings(&S);
    EXPECT_EQ("two\r\nlines", C.Cell(2, 2));
    TStringStream Old("2,2\r\n1,1,two\t\blines\r\n");
    C.Grid->LoadCellsFromStrings(&Old);
    EXPECT_EQ("two\r\nlines", C.Cell(1, 1));
}

TEST(ExtGridImport, AnUnreadableLineEndsTheStreamAtItsStart) {
    TStringStream S("2,2\r\n1,1,x\r\nnot a cell\r\n0,0,y\r\n");
    TImportGrid G;
    G.Grid->LoadCellsFromStrings(&S);
    EXPECT_EQ("x", G.Cell(1, 1));
    EXPECT_EQ("", G.Cell(0, 0));
    EXPECT_EQ(12, S.Position());
    TStringStream Huge("99999,99999\r\n");
    EXPECT_THROW(G.Grid->LoadCellsFromStrings(&Huge), EReadError);
    TStringStream Wide("2,2\r\ncw 1,2147483647\r\n");   // a width the grid cannot count with
    G.Grid->LoadCellsFromStrings(&Wide);
    EXPECT_EQ(G.Grid->DefaultColWidth(), G.Grid->ColWidths(1));
}

TEST(ExtGridImport, CellTextStreamKeepsEveryCharacterAndReadsTheOlderForm) {
    TImportGrid A;
    const std::vector<AnsiString> Texts = {"a\tb\r\nc", "lone\rcr", "bs\bx\r\n", WideToCellText(u"\u010Daj")};
    A.Grid->SetRowCount(Integer(Texts.size()));
    for (size_t I = 0; I < Texts.size(); ++I) A.Grid->SetCells(1, Integer(I), Texts[I]);
    TStringStream S, Old("2,2\r\n1,1,two\t\blines\r\n");
    A.Grid->SaveCellsToStrings(&S);
    EXPECT_NE(AnsiString::npos, S.DataString().find(",2\r\ncw 0,"));   // 2: texts with escaped line breaks
    S.SetPosition(0);
    A.Grid->SetMultilinecells(true);
    A.Grid->LoadCellsFromStrings(&S);
    for (size_t I = 0; I < Texts.size(); ++I) EXPECT_EQ(Texts[I], A.Cell(1, Integer(I)));
    A.Grid->LoadCellsFromStrings(&Old);
    EXPECT_EQ("two\r\nlines", A.Cell(1, 1));
}

// Assign copies the cells through the text stream: every kind of text arrives as it left.
TEST(ExtGridImport, AssignCarriesTurkishMultiLineAndUnicodeCellsWhole) {
    TImportGrid A, B;
    const AnsiString Texts[] = {"Şeker", "iki\r\nsatır", WideToCellText(u"Dvo\u0159\u00E1k\r\n\u010D")};
    A.Grid->SetRowCount(3);
    for (Integer R = 0; R < 3; ++R) A.Grid->SetCells(1, R, Texts[R]);
    B.Grid->Assign(A.Grid.get());
    for (Integer R = 0; R < 3; ++R) EXPECT_EQ(Texts[R], B.Cell(1, R));
}

TEST(ExtGridImport, AfterAnImportTheFooterRowTotalsTheImportedRows) {
    TTempFile F("h,v\r\nx,4\r\ny,5\r\n");
    TImportGrid G;
    G.Grid->FloatingFooter()->SetVisible(true);
    G.Grid->SetFixedFooters(1);
    G.Grid->SetFooterCalcKind(1, 1);
    G.Grid->ImportCSVFile(F.Name(), true);
    EXPECT_EQ(9, G.Grid->Floats(1, 4));
    G.Grid->SetColCount(3);   // and a new import leaves no cell from before it
    G.Grid->SetCells(2, 1, "old");
    G.Grid->ImportCSVFile(F.Name(), false);
    EXPECT_EQ("", G.Cell(2, 1));
    EXPECT_EQ(9, G.Grid->Floats(1, G.Grid->RowCount() - 1));
}

TEST(ExtGridImport, AStreamPasteWheelSumOrFindThatRaisesStillEndsItsProgressOrUpdate) {
    struct TProgressGrid : TExtStringGrid {
        TProgressGrid() : TExtStringGrid(nullptr) {}
        Integer Ends = 0;
        bool Stop = false;
        void SaveProgress(Integer Kind, Integer) override { Ends += Kind == 2 || (Stop && Kind == 1 && Raise()); }
        static bool Raise() { throw EAbort("cancelled"); }
        void PasteProgress(Integer Kind, Integer) override { Ends += Kind == 2; }
        void RowHeightsChanged() override { Stop ? throw EAbort("refused") : TExtStringGrid::RowHeightsChanged(); }
    } G;
    G.OnSaveCell = [](TObject*, Integer, Integer, AnsiString&) { throw EExtGridError("stop"); };
    G.OnClipboardBeforePasteCell = [](TObject*, Integer, Integer, AnsiString&, bool&) { throw EExtGridError("stop"); };
    G.Navigation()->SetAllowClipboardAlways(true);
    TMemoryStream S;
    EXPECT_THROW(G.SaveCellsToStrings(&S), EExtGridError);
    EXPECT_THROW(G.PasteText(1, 1, "a"), EExtGridError);
    G.Stop = true;
    G.SetCells(1, 2, "5");
    G.OnSelectCell = [](TObject*, Integer, Integer, bool&) { throw EAbort("refused"); };
    for (auto Mods : {Qt::ControlModifier, Qt::NoModifier}) uitest::TurnWheel(G.Widget(), true, Mods);
    EXPECT_THROW(G.ColumnSum(1, 1, 3), EAbort);
    EXPECT_THROW(G.Find(TGridCoord{-1, -1}, "x", 0), EAbort);
    EXPECT_TRUE(G.Ends == 4 && G.UpdateCount() == 0);
}
