#include "grid/ExtGrid.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"

#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/Rtf.h"
#include "platform/ui/UiTestKit.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace uitest;

namespace {

class TPasteGrid : public TExtStringGrid {
public:
    using TExtStringGrid::TExtStringGrid;
    TGridCoord DoneOrigin{-9, -9};
    TGridRect DoneRect{};
    void PasteDone(TGridCoord SourceOrigin, TGridRect Pasted, bool) override {
        DoneOrigin = SourceOrigin;
        DoneRect = Pasted;
    }
};

struct TClipForm : TGridOnForm<TPasteGrid> {
    TClipForm() : TGridOnForm(5, 6) {
        Options({goEditing, goRangeSelect});
        Grid->Navigation()->SetAllowClipboardShortCuts(true);
    }
    void Fill() {
        for (Integer R = 1; R < 6; ++R)
            for (Integer C = 1; C < 5; ++C) Grid->SetCells(C, R, IntToStr(C) + "." + IntToStr(R));
    }
    void Select(Integer L, Integer T, Integer R, Integer B) { Grid->SetSelection(TGridRect{L, T, R, B}); }
};

}  // namespace

using ExtGridClipboard = uitest::TGridFormTest<TClipForm>;

TEST_F(ExtGridClipboard, CtrlCOfOneRowGivesTabbedTextWithoutLineEnd) {
    F.Fill();
    F.ShowFocused();
    F.Select(1, 2, 3, 2);
    SendKey(FocusTarget(), Qt::Key_C, QString(), Qt::ControlModifier);
    EXPECT_EQ("1.2\t2.2\t3.2", Clipboard()->AsText());
    EXPECT_TRUE(F.Grid->CopiedFlag());
    EXPECT_EQ((TGridCoord{1, 2}), F.Grid->CopyOrigin());
}

TEST_F(ExtGridClipboard, EveryRowOfATwoRowCopyEndsWithCRLF) {
    F.Fill();
    F.Select(1, 1, 2, 2);
    F.Grid->CopyToClipboard();
    EXPECT_EQ("1.1\t2.1\r\n1.2\t2.2\r\n", Clipboard()->AsText());
}

TEST_F(ExtGridClipboard, CellsWithLineBreaksTabsOrQuotesAreQuotedAsOfficeProgramsDo) {
    F.Grid->SetCells(1, 1, "two\r\nlines");
    F.Grid->SetCells(2, 1, "a\tb");
    F.Grid->SetCells(3, 1, "\"q\" x");
    F.Grid->SetCells(4, 1, "plain \"mid\"");
    F.Select(1, 1, 4, 1);
    F.Grid->CopyToClipboard();
    EXPECT_EQ("\"two\r\nlines\"\t\"a\tb\"\t\"\"\"q\"\" x\"\tplain \"mid\"", Clipboard()->AsText());
    TClipForm G;   // and it pastes back whole
    G.Select(1, 1, 1, 1);
    G.Grid->PasteFromClipboard();
    EXPECT_EQ("two\r\nlines", G.Grid->Cells(1, 1));
    EXPECT_EQ("a\tb", G.Grid->Cells(2, 1));
    EXPECT_EQ("\"q\" x", G.Grid->Cells(3, 1));
    EXPECT_EQ("plain \"mid\"", G.Grid->Cells(4, 1));
}

TEST_F(ExtGridClipboard, OfficeTextWithLFLineEndsPastesAsCells) {
    F.ShowFocused();
    Clipboard()->SetAsText("Ad\tSoyad\n\"Çok\nsatır\"\tŞeker\n");
    F.Select(1, 1, 1, 1);
    SendKey(FocusTarget(), Qt::Key_V, QString(), Qt::ControlModifier);
    EXPECT_EQ("Ad", F.Grid->Cells(1, 1));
    EXPECT_EQ("Soyad", F.Grid->Cells(2, 1));
    EXPECT_EQ("Çok\r\nsatır", F.Grid->Cells(1, 2));
    EXPECT_EQ("Şeker", F.Grid->Cells(2, 2));
    EXPECT_EQ("", F.Grid->Cells(1, 3));
}

TEST_F(ExtGridClipboard, PasteGrowsColumnsAndRowsOnlyWhenAllowed) {
    F.Grid->Navigation()->SetAllowClipboardColGrow(false);
    EXPECT_EQ(3, F.Grid->PasteText(4, 1, "x\ty\tz"));
    EXPECT_EQ(5, F.Grid->ColCount());
    EXPECT_EQ("x", F.Grid->Cells(4, 1));
    F.Grid->Navigation()->SetAllowClipboardColGrow(true);
    F.Grid->PasteText(4, 5, "a\tb\r\nc\td\r\n");
    EXPECT_EQ(6, F.Grid->ColCount());
    EXPECT_EQ(7, F.Grid->RowCount());
    EXPECT_EQ("d", F.Grid->Cells(5, 6));
    F.Grid->SetColCount(20001);   // a text that would grow the grid past 20 million cells: refused whole
    AnsiString Lines;
    for (Integer I = 0; I < 1000; ++I) Lines += "x\r\n";
    EXPECT_THROW(F.Grid->PasteText(1, 1, Lines), EExtGridError);
    EXPECT_EQ(7, F.Grid->RowCount());
    EXPECT_EQ("", F.Grid->Cells(1, 1));
}

TEST_F(ExtGridClipboard, APasteWhileTheCurrentCellMayNotBeEditedFillsTheOthers) {
    F.Grid->GetCellProperties(2, 1)->SetReadOnly(true);
    F.ShowFocused();
    F.Key(Qt::Key_Right);   // onto the read-only cell: editing rests there
    Clipboard()->SetAsText("a\tb");
    F.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ("|b", F.Grid->Cells(2, 1) + "|" + F.Grid->Cells(3, 1));
    TGridOptions O = F.Grid->Options();   // the program turns editing off while it rests
    O.Exclude(goEditing);
    F.Grid->SetOptions(O);
    Clipboard()->SetAsText("c\td");
    F.Key(Qt::Key_V, Qt::ControlModifier);
    F.Key(Qt::Key_Left);
    EXPECT_EQ("|b", F.Grid->Cells(2, 1) + "|" + F.Grid->Cells(3, 1));
    EXPECT_FALSE(F.Grid->Options().Contains(goEditing));
}

TEST_F(ExtGridClipboard, PasteNeedsEditingAndSkipsRefusedCells) {
    F.Grid->SetOptions(TGridOptions());
    EXPECT_EQ(0, F.Grid->PasteText(1, 1, "x"));
    EXPECT_EQ("", F.Grid->Cells(1, 1));
    F.Grid->Navigation()->SetAllowClipboardAlways(true);
    F.Grid->OnClipboardBeforePasteCell = [](TObject*, Integer C, Integer, AnsiString& V, bool& Allow) {
        Allow = C != 2;
        V += "!";
    };
    F.Grid->PasteText(1, 1, "x\ty\tz");
    EXPECT_EQ("x!", F.Grid->Cells(1, 1));
    EXPECT_EQ("", F.Grid->Cells(2, 1));
    EXPECT_EQ("z!", F.Grid->Cells(3, 1));
}

TEST_F(ExtGridClipboard, CutClearsTheSelectionAfterCopying) {
    F.Fill();
    F.Select(2, 2, 3, 2);
    F.Grid->CutToClipboard();
    EXPECT_EQ("2.2\t3.2", Clipboard()->AsText());
    EXPECT_EQ("", F.Grid->Cells(2, 2));
    EXPECT_EQ("", F.Grid->Cells(3, 2));
    EXPECT_EQ("1.2", F.Grid->Cells(1, 2));
    EXPECT_FALSE(F.Grid->CopiedFlag());
}

TEST_F(ExtGridClipboard, TextExtentCountsFieldsAndLines) {
    EXPECT_EQ(Point(2, 0), TExtStringGrid::TextExtent("a\tb"));
    EXPECT_EQ(Point(3, 1), TExtStringGrid::TextExtent("a\tb\r\nc\td\te\r\n"));
    EXPECT_EQ(Point(0, 0), TExtStringGrid::TextExtent(""));
}

TEST_F(ExtGridClipboard, CellStreamCarriesPropertiesAndReportsItsOrigin) {
    F.Fill();
    F.Grid->Navigation()->SetAllowFmtClipboard(true);
    F.Grid->SetColors(2, 2, clRed);
    F.Grid->CreateCellGraphic(3, 2)->SetCellType(ctCheckBox);
    F.Select(2, 2, 3, 3);
    F.Grid->CopyToClipboard();   // its corner cell comes first: the block keeps the older form
    EXPECT_EQ(std::string::npos, Clipboard()->GetBuffer(RegisterClipboardFormat("TExtStringGrid Cells")).find("Origin"));
    F.Select(1, 4, 1, 4);
    F.Grid->PasteFromClipboard();
    EXPECT_EQ("2.2", F.Grid->Cells(1, 4));
    EXPECT_EQ(clRed, F.Grid->Colors(1, 4));
    EXPECT_EQ(ctCheckBox, F.Grid->GetCellType(2, 4));
    EXPECT_EQ("3.3", F.Grid->Cells(2, 5));
    EXPECT_EQ((TGridCoord{2, 2}), F.Grid->DoneOrigin);
    EXPECT_EQ((TGridRect{1, 4, 2, 5}), F.Grid->DoneRect);
    TClipForm G;
    G.Grid->Navigation()->SetAllowFmtClipboard(true);
    G.Select(1, 1, 1, 1);
    G.Grid->PasteFromClipboard();
    EXPECT_EQ("2.2", G.Grid->Cells(1, 1));
    EXPECT_EQ((TGridCoord{-1, -1}), G.Grid->DoneOrigin);
}

TEST_F(ExtGridClipboard, FullGridStreamReplacesSizeWidthsAndHeights) {
    F.Fill();
    F.Grid->SetColWidths(2, 111);
    F.Grid->SetRowHeights(3, 44);
    TMemoryStream MS;
    F.Grid->SaveCellsToStream(TGridRect{0, 0, 4, 5}, &MS);
    TClipForm G;
    G.Grid->SetColCount(2);
    G.Grid->SetRowCount(9);
    MS.SetPosition(0);
    G.Grid->LoadCellsFromStream(TGridCoord{1, 1}, &MS);
    EXPECT_EQ(5, G.Grid->ColCount());
    EXPECT_EQ(6, G.Grid->RowCount());
    EXPECT_EQ(111, G.Grid->ColWidths(2));
    EXPECT_EQ(44, G.Grid->RowHeights(3));
    EXPECT_EQ("4.5", G.Grid->Cells(4, 5));
    F.Grid->CopyCellsToClipboard(TGridRect{0, 0, 4, 5});   // pasted into a grid that takes nothing from outside
    G.Grid->Navigation()->SetAllowFmtClipboard(true);
    G.Grid->SetOptions(TGridOptions());
    G.Grid->SetRowCount(3);
    EXPECT_EQ(0, G.Grid->PasteAt(1, 1));
    EXPECT_EQ(3, G.Grid->RowCount());
}

// A whole grid pasted leaves the cells that may not be edited as they were, as a block paste does.
TEST_F(ExtGridClipboard, AWholeGridPasteLeavesCellsThatMayNotBeEdited) {
    F.Fill();
    F.Grid->CopyCellsToClipboard(TGridRect{0, 0, 4, 5});
    TClipForm G;
    G.Grid->Navigation()->SetAllowFmtClipboard(true);
    G.Grid->SetCells(2, 2, "kept");
    G.Grid->SetColors(2, 2, clRed);
    G.Grid->SetCells(2, 3, "big");
    G.Grid->GetCellProperties(2, 3)->SetFontSize(5000);   // more than a stream holds: its text stays
    G.Grid->OnCanEditCell = [](TObject*, Integer ARow, Integer ACol, bool& Can) { Can = ACol != 2 || ARow < 2 || ARow > 3; };
    G.ShowFocused();
    G.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(G.Grid->Cells(2, 2) == "kept" && G.Grid->Colors(2, 2) == clRed && G.Grid->Cells(3, 2) == "3.2");
    EXPECT_EQ("big", G.Grid->Cells(2, 3));
}

namespace {

// Every text and merge of the grid, to see that a refused paste changed nothing.
AnsiString Snapshot(TExtStringGrid* G) {
    AnsiString S = IntToStr(G->ColCount()) + "x" + IntToStr(G->RowCount());
    for (Integer R = 0; R < G->RowCount(); ++R)
        for (Integer C = 0; C < G->ColCount(); ++C)
            S += "|" + G->RawCells(C, R) + ":" + IntToStr(G->CellSpan(C, R).X) + IntToStr(G->CellSpan(C, R).Y);
    return S;
}

// A copied block with the 32-bit value Skip bytes after the Nth occurrence of Name set to V.
std::string Patched(std::string B, const std::string& Name, size_t Skip, int32_t V, int Nth = 1) {
    size_t At = B.find(Name);
    while (--Nth > 0) At = B.find(Name, At + 1);
    B.replace(At + Name.size() + Skip, 4, std::string(reinterpret_cast<const char*>(&V), 4));
    return B;
}

}  // namespace

// A block claiming more than it holds, a merge span or a cell outside its block: refused
// with a message, the grid as it was.
TEST_F(ExtGridClipboard, AHostileOrDamagedOwnFormatBlockIsRefusedAndChangesNothing) {
    TStringStream Bad(AnsiString("\x0B\0\0\0TGridPropIO\xFF\xFF", 17));
    EXPECT_THROW(F.Grid->LoadCellsFromStream(TGridCoord{1, 1}, &Bad), EStreamError);
    F.Fill();
    F.Grid->Navigation()->SetAllowFmtClipboard(true);
    F.Grid->Navigation()->SetAllowClipboardRowGrow(true);
    F.Grid->MergeCells(1, 1, 2, 1);
    F.Select(1, 1, 2, 2);
    F.Grid->CopyToClipboard();
    const Word Fmt = RegisterClipboardFormat("TExtStringGrid Cells");
    const std::string Good = Clipboard()->GetBuffer(Fmt);
    std::string NoCells = Good.substr(0, Good.find(std::string("\x0B\0\0\0TGridCellIO", 15)));   // 100 x 1000, nothing more
    NoCells = Patched(Patched(NoCells, "TGridPropIO", 0, 100), "TGridPropIO", 4, 1000);
    const std::string Blocks[] = {"garbage", NoCells, Patched(Good, "TGridCellPropIO", 24, 0x7FFFFFFF),
                                  Patched(Good, "TGridCellIO", 4, 1000, 2),
                                  Patched(Good, "TGridCellPropIO", 12, 0x7FFFFFFF)};   // font size
    const AnsiString Before = Snapshot(F.Grid);
    for (const std::string& B : Blocks) {
        Clipboard()->SetBuffer(Fmt, B);
        EXPECT_THROW(F.Grid->PasteAt(3, 3), EExtGridError);
        TStringStream S(B);   // and loaded: read whole before the grid takes anything
        EXPECT_THROW(F.Grid->LoadCellsFromStream(TGridCoord{3, 3}, &S), EStreamError);
        EXPECT_EQ(Before, Snapshot(F.Grid));
    }
    TScriptedPrompter Prompts;
    TPrompterGuard PG(&Prompts);
    F.ShowFocused();
    F.Select(3, 3, 3, 3);
    F.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_NE(AnsiString::npos, Prompts.LastMessage().find("yapıştırılmadı"));
    EXPECT_EQ(Before, Snapshot(F.Grid));
}

TEST_F(ExtGridClipboard, SmartPasteFillsTheSelectionOrContinuesASeries) {
    F.Grid->Navigation()->SetAllowSmartClipboard(true);
    Clipboard()->SetAsText("7");
    F.Select(1, 1, 2, 2);
    F.Grid->PasteFromClipboard();
    EXPECT_EQ("7", F.Grid->Cells(2, 2));
    Clipboard()->SetAsText("3\r\n5\r\n");
    F.Select(3, 1, 3, 5);
    F.Grid->PasteFromClipboard();
    EXPECT_EQ("11", F.Grid->Cells(3, 5));
    for (const char* T : {"-\r\n-\r\n", "3000000000\r\n3000000001\r\n"}) {   // 64-bit steps; "-" is no number
        Clipboard()->SetAsText(T);
        F.Select(4, 1, 4, 3);
        F.Grid->PasteFromClipboard();
    }
    EXPECT_EQ("3000000002", F.Grid->Cells(4, 3));
    for (Integer R = 3; R < 6; ++R) F.Grid->CreateCellGraphic(1, R)->SetCellType(ctCheckBox);
    F.Grid->SetCheckBoxState(1, 3, true);   // one checked box, Ctrl+C, Ctrl+V on two boxes
    F.ShowFocused();
    F.Select(1, 3, 1, 3);
    SendKey(FocusTarget(), Qt::Key_C, QString(), Qt::ControlModifier);
    F.Select(1, 4, 1, 5);
    SendKey(FocusTarget(), Qt::Key_V, QString(), Qt::ControlModifier);
    EXPECT_TRUE(F.Grid->GetCellGraphic(1, 5)->CellBoolean());
}

TEST_F(ExtGridClipboard, AnEmptyLastFieldEmptiesACellOnlyAfterALineEnd) {
    F.Grid->SetCells(2, 1, "keep");
    F.Grid->SetCells(3, 2, "gone");
    Clipboard()->SetAsText("a\t");
    F.Grid->PasteAt(1, 1);
    EXPECT_EQ("keep", F.Grid->Cells(2, 1));
    Clipboard()->SetAsText("b\r\n\r\n");
    F.Grid->PasteAt(3, 1);
    EXPECT_EQ("", F.Grid->Cells(3, 2));
    F.Select(3, 2, 4, 2);
    F.Grid->CopyToClipboard();
    EXPECT_EQ("\t\r\n", Clipboard()->AsText());
    F.Grid->MergeCells(1, 4, 2, 1);   // a covered cell of a merge pasted over leaves the merge's text
    Clipboard()->SetAsText("m\t\r\n");
    F.Grid->PasteAt(1, 4);
    EXPECT_EQ("m", F.Grid->Cells(1, 4));
}

namespace {

// A W x H bitmap filled with one colour and a blue top-left pixel.
std::unique_ptr<TBitmap> Filled(Integer W, Integer H, TColor Color) {
    auto B = std::make_unique<TBitmap>();
    B->SetSize(W, H);
    B->Canvas()->Brush()->SetColor(Color);
    B->Canvas()->FillRect(Rect(0, 0, W, H));
    B->Canvas()->SetPixels(0, 0, clBlue);
    return B;
}

TCellGraphic* PictureCell(TExtStringGrid* G, Integer C, Integer R, TCellType T) {
    TCellGraphic* Gr = G->CreateCellGraphic(C, R);
    Gr->SetCellType(T);
    return Gr;
}

}  // namespace

TEST_F(ExtGridClipboard, PictureCellsCopyAndPasteBackAsTheTargetsOwnPictures) {
    const TTempFolder Dir("gridclip");
    const AnsiString File = Dir.File("pic.bmp");
    Filled(5, 4, clLime)->SaveToFile(File);
    auto Shared = Filled(6, 2, clYellow);   // not owned by its cell: copied all the same
    {
        TClipForm Source;
        TExtStringGrid* SG = Source.Grid;
        SG->Navigation()->SetAllowFmtClipboard(true);
        PictureCell(SG, 1, 1, ctBitmap)->SetGraphic(Filled(3, 2, clRed).release(), true);
        TCellGraphic* Icon = PictureCell(SG, 2, 1, ctIcon);
        Icon->SetGraphic(nullptr, true);
        Icon->SetIcon(Filled(2, 2, clGreen).release());
        auto Jpeg = std::make_unique<TJPEGImage>();
        Jpeg->Assign(Filled(8, 8, clWhite).get());
        PictureCell(SG, 3, 1, ctPicture)->SetGraphic(Jpeg.release(), true);
        auto FP = std::make_unique<TFilePicture>();
        FP->SetFilename(File);
        PictureCell(SG, 4, 1, ctFilePicture)->SetGraphic(FP.release(), true);
        auto IL = std::make_unique<TIntList>(1, 2);
        IL->SetCommaText("3,1");
        PictureCell(SG, 1, 2, ctImages)->SetGraphic(IL.release(), true);
        PictureCell(SG, 2, 2, ctBitmap)->SetGraphic(Shared.get(), false);
        SG->SetCells(1, 1, "with text");
        Source.Select(1, 1, 4, 2);
        SG->CopyToClipboard();
    }   // the source grid and its pictures are gone
    G->Navigation()->SetAllowFmtClipboard(true);
    F.Select(1, 3, 1, 3);
    G->PasteFromClipboard();
    auto Obj = [this](Integer C, Integer R) -> TObject* {
        const TCellGraphic* Gr = G->GetCellGraphic(C, R);
        return !Gr ? nullptr : Gr->CellType() == ctIcon ? Gr->Icon() : Gr->Graphic();
    };
    EXPECT_EQ("with text", G->Cells(1, 3));
    auto* B = dynamic_cast<TBitmap*>(Obj(1, 3));
    ASSERT_NE(nullptr, B);
    EXPECT_EQ(3, B->Width());
    EXPECT_EQ(clBlue, B->Canvas()->Pixels(0, 0));
    EXPECT_EQ(clRed, B->Canvas()->Pixels(2, 1));
    auto* I = dynamic_cast<TBitmap*>(Obj(2, 3));
    ASSERT_NE(nullptr, I);
    EXPECT_EQ(clGreen, I->Canvas()->Pixels(1, 1));
    auto* J = dynamic_cast<TJPEGImage*>(Obj(3, 3));
    ASSERT_NE(nullptr, J);
    EXPECT_EQ(8, J->Width());
    auto* P = dynamic_cast<TFilePicture*>(Obj(4, 3));
    ASSERT_NE(nullptr, P);
    EXPECT_EQ(File, P->Filename());
    EXPECT_EQ(5, P->Width());
    auto* L = dynamic_cast<TIntList*>(Obj(1, 4));
    ASSERT_NE(nullptr, L);
    EXPECT_EQ("3,1", L->CommaText());
    auto* S = dynamic_cast<TBitmap*>(Obj(2, 4));
    ASSERT_NE(nullptr, S);
    EXPECT_NE(Shared.get(), S);
    EXPECT_TRUE(G->GetCellGraphic(2, 4) && G->GetCellGraphic(2, 4)->CellCreated());
    EXPECT_EQ(clYellow, S->Canvas()->Pixels(5, 1));
    // A picture file gone by the time of the paste leaves the cell without a picture.
    std::filesystem::remove(File);
    G->ClearAll();
    F.Select(1, 1, 1, 1);
    G->PasteFromClipboard();
    EXPECT_EQ(ctFilePicture, G->GetCellType(4, 1));
    EXPECT_EQ(nullptr, Obj(4, 1));
    EXPECT_NE(nullptr, Obj(1, 1));
}

TEST_F(ExtGridClipboard, TruncatedPictureStreamPastesNothingAndLeaksNothing) {
    F.Grid->Navigation()->SetAllowFmtClipboard(true);
    PictureCell(F.Grid, 1, 1, ctBitmap)->SetGraphic(Filled(40, 40, clRed).release(), true);
    F.Select(1, 1, 1, 1);
    F.Grid->CopyToClipboard();
    const Word Fmt = RegisterClipboardFormat("TExtStringGrid Cells");
    const std::string Block = Clipboard()->GetBuffer(Fmt);
    ASSERT_GT(Block.size(), 40u * 40u * 3u);
    for (size_t Cut : {size_t(10), Block.size() / 2}) {
        Clipboard()->SetBuffer(Fmt, Block.substr(0, Block.size() - Cut));
        EXPECT_THROW(F.Grid->PasteAt(2, 2), EExtGridError) << Cut;
    }
    std::string Bad = Block;
    Bad.replace(Bad.find("TBitmap"), 7, "TBitmaX");
    Clipboard()->SetBuffer(Fmt, Bad);
    EXPECT_THROW(F.Grid->PasteAt(2, 2), EExtGridError);
    EXPECT_EQ(nullptr, F.Grid->GetCellGraphic(2, 2));
}

TEST_F(ExtGridClipboard, RichTextCellsGoAsTheirPlainTextAndAsRichText) {
    const AnsiString Rich = RtfWrite(RtfFromPlainText("Kalın\r\nyazı"));
    F.Grid->SetCells(1, 1, Rich);
    F.Grid->SetCells(2, 1, "plain {\\ text");
    F.Grid->Navigation()->SetAllowRTFClipboard(true);
    F.Select(1, 1, 2, 1);
    F.Grid->CopyToClipboard();
    EXPECT_EQ("\"Kalın\r\nyazı\"\tplain {\\ text", Clipboard()->AsText());
    EXPECT_FALSE(Clipboard()->HasFormat(RegisterClipboardFormat("Rich Text Format")));   // a block: text alone
    F.Select(1, 1, 1, 1);
    F.Grid->CopyToClipboard();
    EXPECT_TRUE(Clipboard()->HasFormat(RegisterClipboardFormat("Rich Text Format")));
    // Pasted back, the rich form wins and the cell is rich text again.
    F.Select(3, 3, 3, 3);
    F.Grid->PasteFromClipboard();
    EXPECT_EQ("Kalın\r\nyazı", WideToAnsi(RtfRead(F.Grid->Cells(3, 3)).PlainText()));
    EXPECT_EQ("", F.Grid->Cells(4, 3));
    F.Grid->OnIsPasswordCell = [](TObject*, Integer, Integer, bool& P) { P = true; };   // a password: the mask,
    F.Select(3, 3, 3, 3);                                                                // no rich text
    F.Grid->CopyToClipboard();
    EXPECT_TRUE(!Clipboard()->HasFormat(RegisterClipboardFormat("Rich Text Format")) && Clipboard()->AsWideText() == u"***********");
    F.Select(4, 4, 4, 4);   // and a grid takes the cell itself
    F.Grid->PasteFromClipboard();
    EXPECT_EQ(u"Kal\u0131n\r\nyaz\u0131", RtfRead(F.Grid->Cells(4, 4)).PlainText());
}

TEST_F(ExtGridClipboard, SpreadsheetClipboardWritesLineBreaksAsOfficeProgramsReadThem) {
    F.Grid->SetCells(1, 1, "iki\r\nsatır");
    F.Grid->SetCells(2, 1, "tek \"satır\"");
    F.Grid->SetCells(3, 1, "\"alıntı\"\r\nve satır");
    F.Grid->SetSpreadsheetClipboard(true);
    F.Grid->SetMultilinecells(true);
    F.Select(1, 1, 3, 1);
    F.Grid->CopyToClipboard();
    EXPECT_EQ("\"iki\nsatır\"\ttek \"satır\"\t\"\"\"alıntı\"\"\nve satır\"", Clipboard()->AsText());
    EXPECT_EQ("\"iki\nsatır\"", F.Grid->SelectionAsText().substr(0, 11));
    // Pasted back the cells hold their CR LF line breaks again.
    F.Select(1, 3, 1, 3);
    F.Grid->PasteFromClipboard();
    EXPECT_EQ("iki\r\nsatır", F.Grid->Cells(1, 3));
    EXPECT_EQ("tek \"satır\"", F.Grid->Cells(2, 3));
    EXPECT_EQ("\"alıntı\"\r\nve satır", F.Grid->Cells(3, 3));
    // Without multi-line cells the text counts as one line: the usual quoting keeps CR LF.
    F.Grid->SetMultilinecells(false);
    F.Select(1, 1, 1, 1);
    F.Grid->CopyToClipboard();
    EXPECT_EQ("\"iki\r\nsatır\"", Clipboard()->AsText());
}

TEST_F(ExtGridClipboard, CtrlCAndCtrlVCarryAPictureCellToAnotherPlace) {
    F.Grid->Navigation()->SetAllowFmtClipboard(true);
    PictureCell(F.Grid, 1, 1, ctBitmap)->SetGraphic(Filled(4, 4, clRed).release(), true);
    F.Grid->SetCells(1, 1, "resim");
    F.ShowFocused();
    F.Select(1, 1, 1, 1);
    SendKey(FocusTarget(), Qt::Key_C, QString(), Qt::ControlModifier);
    EXPECT_EQ("resim", Clipboard()->AsText());
    F.Select(3, 4, 3, 4);
    SendKey(FocusTarget(), Qt::Key_V, QString(), Qt::ControlModifier);
    EXPECT_EQ("resim", F.Grid->Cells(3, 4));
    const TCellGraphic* G = F.Grid->GetCellGraphic(3, 4);
    ASSERT_NE(nullptr, G);
    auto* B = dynamic_cast<TBitmap*>(G->Graphic());
    ASSERT_NE(nullptr, B);
    EXPECT_NE(F.Grid->GetCellGraphic(1, 1)->Graphic(), B);
    EXPECT_EQ(clRed, B->Canvas()->Pixels(3, 3));
}

// By its corner, empty or not, past row 65535; an older stream (no origin) by its first cell.
TEST_F(ExtGridClipboard, AnOwnFormatBlockPastesByItsCornerAndOldStreamsStillRead) {
    F.Grid->Navigation()->SetAllowFmtClipboard(true);
    F.Grid->SetRowCount(70000);
    F.Grid->SetCells(2, 65536, "x");
    F.ShowFocused();
    F.Select(1, 65535, 2, 65536);
    F.Key(Qt::Key_C, Qt::ControlModifier);
    F.Select(1, 3, 1, 3);
    F.Key(Qt::Key_V, Qt::ControlModifier);
    std::string Old = Clipboard()->GetBuffer(RegisterClipboardFormat("TExtStringGrid Cells"));
    EXPECT_NE(std::string::npos, Old.find("TGridOriginIO"));   // an empty corner and rows past 16 bits
    TStringStream S(Old.erase(Old.find(std::string("\x0D\0\0\0TGridOriginIO", 17)), 25));
    F.Grid->LoadCellsFromStream(TGridCoord{3, 1}, &S);
    EXPECT_EQ("x", F.Grid->Cells(2, 4));
    EXPECT_EQ("x", F.Grid->Cells(3, 1));
}

TEST_F(ExtGridClipboard, MarkedRowsCopyTheirDataCellsOnly) {
    F.Fill();
    F.Grid->Navigation()->SetAllowFmtClipboard(true);
    F.Grid->MouseActions()->SetDisjunctRowSelect(true);
    for (Integer R : {2, 4}) F.Grid->SetRowSelected(R, true);
    F.ShowFocused();
    F.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ("1.2\t2.2\t3.2\t4.2\r\n1.4\t2.4\t3.4\t4.4\r\n", Clipboard()->AsText());
    TClipForm G;
    G.Grid->Navigation()->SetAllowFmtClipboard(true);
    G.Grid->PasteAt(1, 1);
    EXPECT_EQ("4.4", G.Grid->Cells(4, 2));
    F.Grid->MergeCells(1, 2, 1, 2);   // a merge into an unmarked row goes as far as the marked rows run
    F.Key(Qt::Key_C, Qt::ControlModifier);
    G.Grid->PasteAt(1, 1);
    EXPECT_FALSE(G.Grid->IsMergedCell(1, 1));
    EXPECT_EQ("1.4", G.Grid->Cells(1, 2));
    F.Grid->SetCells(0, 2, "n2");   // a cut empties what the copy took, as far as it may be edited
    F.Grid->GetCellProperties(3, 2)->SetReadOnly(true);
    F.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ("n2||3.2", F.Grid->Cells(0, 2) + "|" + F.Grid->Cells(1, 2) + "|" + F.Grid->Cells(3, 2));
    F.Grid->Navigation()->SetAllowClipboardAlways(true);   // a merge from an unmarked row splits whole, a node stays
    F.Grid->SetFixedCols(0);
    F.Grid->MergeCells(2, 1, 1, 2);
    F.Grid->AddNode(4, 2), F.Grid->ContractNode(4);
    F.Key(Qt::Key_X, Qt::ControlModifier);
    F.Grid->Navigation()->SetAllowFmtClipboard(false);   // a merge kept whole keeps its text outside the cut
    F.Grid->MergeCells(3, 1, 1, 2), F.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ("2.1 0 1 3.1", F.Grid->Cells(2, 1) + " " + IntToStr(F.Grid->IsMergedCell(2, 1)) + " " +
                                 IntToStr(F.Grid->IsNode(4)) + " " + F.Grid->Cells(3, 1));
    F.Grid->Navigation()->SetAllowFmtClipboard(true), F.Grid->SetColors(3, 3, clRed);   // into half a merge: it splits
    F.Grid->MouseActions()->SetDisjunctRowSelect(false), F.Select(2, 3, 3, 3), F.Key(Qt::Key_C, Qt::ControlModifier);
    F.Select(2, 2, 2, 2), F.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(F.Grid->IsMergedCell(3, 1));
}

// Letters whose UTF-16 units hold the bytes 0, 9, 10, 11 and 13, on two lines: other
// programs read the letters, a grid takes the cell back as a Unicode cell, also one whose
// letters fit the code page; another program's letters outside the code page make a Unicode cell.
TEST_F(ExtGridClipboard, AUnicodeCellGoesAsItsLettersAndComesBackWhole) {
    const WideString W = u"a\r\n\u010D\u010A\t\u010B\u0109";
    F.Grid->SetWideCell(1, 1, W);
    F.Grid->SetWideCell(2, 1, u"\u015Eeker");
    F.ShowFocused();
    F.Select(1, 1, 2, 1);
    F.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(u"\"" + W + u"\"\t\u015Eeker", Clipboard()->AsWideText());
    EXPECT_EQ("\"a\r\n??\t??\"\tŞeker", Clipboard()->AsText());
    F.Select(1, 3, 1, 3);
    F.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(W, F.Grid->GetWideCell(1, 3));
    EXPECT_TRUE(IsUnicodeText(F.Grid->RawCells(2, 3)));
    Clipboard()->SetAsWideText(u"Dvo\u0159\u00E1k\t\u015Eeker\r\n\"\u0416\r\n\"\"x\"\r\n");
    F.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(u"Dvo\u0159\u00E1k", F.Grid->GetWideCell(1, 3));
    EXPECT_EQ("Şeker", F.Grid->RawCells(2, 3));
    EXPECT_EQ(u"\u0416\r\n\"x", F.Grid->GetWideCell(1, 4));
}

// Another program's text as the grid pastes it: a field with letters outside the code page
// becomes a Unicode cell, with its quotes, tabs and line ends kept; a text that fits keeps its bytes.
TEST(ExtGridClipboardText, TextFromOtherProgramsKeepsItsCellsAndLetters) {
    const std::pair<std::u16string, AnsiString> Cases[] = {
        {u"\u0416\ta\t", "|\\#0416\ta\t"},
        {u"\"\u0416\r\nx\"\t\"b\tc\"\r\n", "|\\#0416000D000A0078\t\"b\tc\"\r\n"},
        {u"\"\u015Eeker\"\"\"\tx\r\n", "\"Şeker\"\"\"\tx\r\n"},
    };
    for (const auto& [In, Want] : Cases) {
        TDataObject D;
        D.SetAsWideText(In);
        EXPECT_EQ(Want, TExtStringGrid::TextFromOutside(D));
    }
}

TEST_F(ExtGridClipboard, SmartPasteContinuesDatesByMonthsKeepingTheTime) {
    F.Grid->Navigation()->SetAllowSmartClipboard(true);
    const TDateTime At830 = EncodeTime(8, 30, 0, 0);   // month ends go on as month ends, the time stays
    Clipboard()->SetAsText(DateTimeToStr(EncodeDate(2020, 1, 31) + At830) + "\r\n" +
                           DateToStr(EncodeDate(2020, 2, 29)));
    F.Select(1, 1, 1, 4);
    TRect Told{};   // the filled cells are reported as changed
    F.Grid->OnCellsChanged = [&](TObject*, TRect R) { Told = R; };
    F.Grid->PasteFromClipboard();
    EXPECT_EQ(DateTimeToStr(EncodeDate(2020, 4, 30) + At830), F.Grid->Cells(1, 4));
    EXPECT_EQ(4, Told.Bottom);
}

TEST_F(ExtGridClipboard, APasteAtTheLastDataRowGrowsAboveTheFootersAndSkipsLockedCells) {
    for (bool Fmt : {false, true}) {
        TClipForm G;
        G.Fill();
        G.Grid->Navigation()->SetAllowFmtClipboard(Fmt);
        G.Grid->SetFixedFooters(2);
        G.Grid->OnCanEditCell = [](TObject*, Integer ARow, Integer ACol, bool& Can) { Can = ACol != 2 || ARow != 3; };
        G.ShowFocused();
        G.Select(1, 1, 2, 3);
        G.Key(Qt::Key_C, Qt::ControlModifier);
        G.Select(1, 3, 1, 3);
        G.Key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ("2.3 1.3 1.5", G.Grid->Cells(2, 3) + " " + G.Grid->Cells(1, 5) + " " + G.Grid->Cells(1, 7)) << Fmt;
    }
}

TEST_F(ExtGridClipboard, OwnFormatBlocksComeBackAsTheyWereCopied) {
    F.Fill();
    F.Grid->Navigation()->SetAllowFmtClipboard(true);
    F.Grid->MergeCells(2, 1, 2, 2);
    F.ShowFocused();
    F.Select(1, 2, 4, 2);
    F.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ("1.1\t2.1\t\t4.1\r\n1.2\t\t\t4.2\r\n", Clipboard()->AsText());
    F.Key(Qt::Key_V, Qt::ControlModifier);   // over itself
    F.Grid->GetCellProperties(4, 4)->SetReadOnly(true);
    F.Select(2, 4, 4, 4);
    F.Key(Qt::Key_X, Qt::ControlModifier);
    F.Select(1, 3, 1, 3);
    F.Key(Qt::Key_V, Qt::ControlModifier);
    TMemoryStream MS;
    F.Grid->SaveCellsToStream(TGridRect{2, 4, 3, 4}, &MS);
    MS.SetPosition(0);
    F.Grid->LoadCellsFromStream(TGridCoord{1, 5}, &MS);
    EXPECT_EQ("2.1 4.4 2.4 3.4  0", F.Grid->Cells(3, 2) + " " + F.Grid->Cells(4, 4) + " " + F.Grid->Cells(1, 3) + " " +
                                        F.Grid->Cells(2, 3) + " " + F.Grid->Cells(2, 5) + " " + IntToStr(F.Grid->CellEditable(4, 4)));
}

// A pasted merge over rows with a hidden row between covers that row too (counted once); a cell
// whose settings are a split merge's leftovers keeps the target's colour, as a plain cell does.
TEST_F(ExtGridClipboard, AnOwnFormatBlockCoversHiddenRowsBetweenAndBringsNoLeftoverSettings) {
    TClipForm S;
    for (TClipForm* X : {&S, &F}) X->Fill(), X->Grid->Navigation()->SetAllowFmtClipboard(true);
    S.Grid->SetCells(1, 1, "100"), S.Grid->MergeCells(1, 1, 1, 2), S.Grid->MergeCells(2, 1, 1, 2), S.Grid->SplitCells(2, 1);
    S.Select(1, 1, 3, 2), S.Grid->CopyToClipboard();
    F.Grid->SetColors(2, 1, clRed), F.Grid->SetColors(3, 1, clRed), F.Grid->HideRow(2);
    F.Select(1, 1, 1, 1), F.Grid->PasteFromClipboard(), F.Grid->UnHideRowsAll();
    EXPECT_EQ("100 100 100 100", F.Grid->Cells(1, 1) + " " + F.Grid->Cells(1, 2) + " " + F.Grid->Cells(1, 3) + " " +
                                     FloatToStr(F.Grid->ColumnSum(1, 1, 3)));
    EXPECT_TRUE(F.Grid->Colors(2, 1) == clRed && F.Grid->Colors(3, 1) == clRed);
}

// A pasted merge that would reach over a cell the paste may not write is not made: its cells land
// as a split merge shows them, and the refused cell keeps its text and settings, uncovered.
TEST_F(ExtGridClipboard, APastedMergeOverACellItMayNotWriteIsNotMade) {
    for (int Case = 0; Case < 4; ++Case) {   // the whole grid or a block; refused by read-only or by the event
        TClipForm S, G;
        S.Fill(), G.Fill(), S.Grid->MergeCells(1, 1, 2, 2);
        for (TClipForm* F : {&S, &G}) F->Grid->Navigation()->SetAllowFmtClipboard(true);
        if (Case < 2) S.Grid->CopyCellsToClipboard(TGridRect{0, 0, 4, 5});
        else S.Select(1, 1, 2, 2), S.Grid->CopyToClipboard();
        if (Case % 2) G.Grid->OnCanEditCell = [](TObject*, Integer R, Integer C, bool& Can) { Can = C != 2 || R != 2; };
        else G.Grid->GetCellProperties(2, 2)->SetReadOnly(true);
        G.Select(1, 1, 1, 1), G.Grid->PasteFromClipboard();
        EXPECT_EQ("1.1 2.1 2.2 00", G.Grid->Cells(1, 1) + " " + G.Grid->Cells(2, 1) + " " + G.Grid->Cells(2, 2) + " " +
                                        IntToStr(G.Grid->IsMergedCell(1, 1)) + IntToStr(G.Grid->IsMergedCell(2, 2))) << Case;
    }
}

// Every road a block leaves and enters a grid by, with each kind of cell: what arrives
// is what left, merges too.
TEST_F(ExtGridClipboard, EveryKindOfCellArrivesAsItLeftByEveryRoad) {
    const AnsiString Kinds[] = {"düz", "Şeker ığ", "iki\r\nsatır", WideToCellText(u"Dvo\u0159\u00E1k\r\n\u010D"),
                                RtfWrite(RtfFromPlainText("Kalın")), "birleşik"};
    auto Fill = [&](TExtStringGrid* G) {
        G->SetMultilinecells(true);
        G->Navigation()->SetAllowFmtClipboard(true);
        for (Integer I = 0; I < 6; ++I) G->SetCells(1 + I % 3, 1 + I / 3, Kinds[I]);
        G->MergeCells(3, 2, 2, 2);
    };
    auto Seen = [](TExtStringGrid* G, Integer T, bool Spans) {   // the text stream carries no merges
        AnsiString S;
        for (Integer R = T; R < T + 3; ++R)
            for (Integer C = 1; C < 5; ++C)
                S += G->RawCells(C, R) + "/" + (Spans ? IntToStr(G->CellSpan(C, R).X + G->CellSpan(C, R).Y) : "") + "|";
        return S;
    };
    Fill(F.Grid);
    for (const char* Road : {"copy", "cut", "stream", "strings", "assign"}) {
        TClipForm A, B;
        Fill(A.Grid);
        B.Grid->SetMultilinecells(true);
        B.Grid->Navigation()->SetAllowFmtClipboard(true);
        const AnsiString R = Road;
        A.ShowFocused();   // a drag from the first cell to the merged one selects them all
        A.Key(Qt::Key_Down);
        A.Mouse(QEvent::MouseButtonPress, A.Centre(1, 1), Qt::LeftButton, Qt::LeftButton);
        A.Mouse(QEvent::MouseMove, A.Centre(4, 3), Qt::NoButton, Qt::LeftButton);
        A.Mouse(QEvent::MouseButtonRelease, A.Centre(4, 3), Qt::LeftButton, Qt::NoButton);
        TStringStream S;
        if (R == "copy" || R == "cut") {
            A.Key(R == "cut" ? Qt::Key_X : Qt::Key_C, Qt::ControlModifier);
            B.ShowFocused();
            B.Select(1, 2, 1, 2);
            B.Key(Qt::Key_V, Qt::ControlModifier);
        } else if (R == "stream") {
            A.Grid->SaveCellsToStream(TGridRect{1, 1, 4, 3}, &S);
            S.SetPosition(0);
            B.Grid->LoadCellsFromStream(TGridCoord{1, 2}, &S);
        } else if (R == "strings") {
            A.Grid->SaveCellsToStrings(&S);
            S.SetPosition(0);
            B.Grid->LoadCellsFromStrings(&S);
        } else B.Grid->Assign(A.Grid);
        const bool Block = R == "copy" || R == "cut" || R == "stream";
        EXPECT_EQ(Seen(F.Grid, 1, Block), Seen(B.Grid, Block ? 2 : 1, Block)) << Road;
        if (R == "cut") EXPECT_EQ("/0|/0|/0|/0|/0|/0|/0|/0|/0|/0|/0|/0|", Seen(A.Grid, 1, true));
    }
}
