// The exchange law: every road that carries cells out of a grid and into another (or the same)
// gives each kind of cell back as it left, as far as the road's format carries that kind; the
// kinds a format cannot carry are named road by road, and they must indeed not arrive. Each
// kind goes into each kind of receiving grid, and nothing else of that grid changes.
#include "grid/ExtGrid.h"

#include "grid/ExtUtil.h"
#include "grid/GridTestKit.h"
#include "platform/rtl/CodePage.h"
#include "platform/sheet/SheetFiles.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Rtf.h"
#include "platform/ui/UiTestKit.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

using namespace gridtest;
using namespace uitest;

namespace {

enum TKind { kPlain, kTurkish, kUnicode, kMultiLine, kRich, kMerged, kPassword, kReadOnly, kHidden, kCheckBox, kPicture,
             kHTML, kHighlighted, kNode, kKinds };
const char* const KindNames[] = {"plain", "Turkish", "Unicode", "multi-line", "rich", "merged", "password", "read-only",
                                 "hidden", "check box", "picture", "HTML", "highlighted", "node row"};
// The receiving grid: empty, with a footer row, with a read-only merge, with a contracted node,
// with its search highlight on; each has a fixed row and column.
enum TReceiver { rEmpty, rFooter, rReadOnly, rNode, rHighlight, rReceivers };
const char* const ReceiverNames[] = {"empty", "footer", "read-only merge", "node", "highlight"};

// Two editable grids side by side; the block (1, 1)-(2, 2) of A holds the kind at (1, 1).
struct TExchange {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TExtStringGrid* A = nullptr;
    TExtStringGrid* B = nullptr;
    TExtStringGrid* DropOn = nullptr;
    Integer Rows = 2;   // real rows of A the block spans

    explicit TExchange(TKind K) {
        Form->SetBounds(0, 0, 1000, 400);
        A = MakeGrid(0, false);   // a drag starts only in a grid not being edited
        B = DropOn = MakeGrid(500, true);
        const char* Texts[3][2] = {{"", "b21"}, {"b12", "b22"}, {"b13", "b23"}};
        for (Integer R = 0; R < 3; ++R)
            for (Integer C = 0; C < 2; ++C) A->SetCells(C + 1, R + 1, Texts[R][C]);
        TRtfDocument D;
        D.Append(u"Kal\u0131n \u0416", TRtfCharFormat{});
        AnsiString Rich = RtfWrite(D);
        for (size_t P = Rich.find('\n'); P != AnsiString::npos; P = Rich.find('\n', P + 2)) Rich.insert(P, "\r");
        const AnsiString Text[] = {"Ali", "Şeker ığdır", "", "iki\r\nsatır", Rich, "birleşik", "gizli", "salt", "a", "",
                                   "", "<b>kalin</b>", "Ali", "dugum"};
        A->SetCells(1, 1, Text[K]);
        A->SetCells(1, 5, "son");   // the last data row
        if (K == kCheckBox) A->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox), A->SetCheckBoxState(1, 1, true);
        if (K == kPicture) {
            auto* B = new TBitmap();
            B->SetSize(3, 2);
            TCellGraphic* G = A->CreateCellGraphic(1, 1);
            G->SetCellType(ctBitmap);
            G->SetGraphic(B, true);
        }
        if (K == kNode) A->AddNode(1, 2);
        if (K == kUnicode) A->SetWideCell(1, 1, u"Dvo\u0159\u00E1k \u0416");
        if (K == kMerged) {
            A->SetCells(2, 1, "");
            A->MergeCells(1, 1, 2, 1);
        }
        if (K == kReadOnly) A->GetCellProperties(1, 1)->SetReadOnly(true);
        for (TExtStringGrid* G : {A, B})
            if (K == kPassword) G->OnIsPasswordCell = [](TObject*, Integer, Integer ACol, bool& P) { P = ACol == 1; };
        if (K == kHidden) {
            A->SetCells(1, 2, "saklı");   // hidden once the wanted print is taken
            Rows = 3;
        }
        SetDragHandler([this](TControl*, const TDataObject& Data, Integer Allowed) {
            const TRect R = DropOn->CellRect(DropOn == A ? 3 : 1, 1);
            return DeliverDrop(DropOn, R.Left + 5, R.Top + 5, Data, Allowed, TShiftState{ssCtrl});
        });
        Form->Show();
        Settle();
    }
    ~TExchange() { SetDragHandler(nullptr); }

    TExtStringGrid* MakeGrid(Integer Left, bool Editing) {
        auto* G = Place<TExtStringGrid>(Form.get(), Left, 0, 480, 300);
        G->SetScrollBars(ssNone);
        G->SetColCount(5);
        G->SetRowCount(6);
        G->SetDefaultColWidth(80);
        G->SetMultilinecells(true);
        AddOptions(G, {goRangeSelect});
        if (Editing) AddOptions(G, {goEditing});
        G->Navigation()->SetAllowClipboardAlways(!Editing);
        G->Navigation()->SetAllowClipboardShortCuts(true);
        G->Navigation()->SetAllowFmtClipboard(true);
        G->DragDropSettings()->SetOleDropSource(true);
        G->DragDropSettings()->SetOleDropTarget(true);
        return G;
    }
    void Keys(TExtStringGrid* G, int Key, TGridRect Sel) {
        G->SetFocus();
        Settle();
        G->SetSelection(Sel);
        SendKey(FocusTarget(), Key, QString(), Qt::ControlModifier);
    }
    void Drag() {
        const QPoint P = Middle(A->CellRect(1, 1));
        SendMouse(A->Widget(), QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        SendMouse(A->Widget(), QEvent::MouseMove, P + QPoint(12, 0), Qt::NoButton, Qt::LeftButton);
        SendMouse(A->Widget(), QEvent::MouseButtonRelease, P + QPoint(12, 0), Qt::LeftButton, Qt::NoButton);
    }
    // What other programs read of the copied block, field by field.
    std::vector<std::vector<WideString>> Letters() {
        Keys(A, Qt::Key_C, TGridRect{1, 1, 2, 2});
        const WideString T = Clipboard()->AsWideText();
        std::vector<std::vector<WideString>> L(1, std::vector<WideString>(1));
        for (size_t I = 0; I < T.size(); ++I) {
            if (T[I] == u'"') {
                const size_t E = T.find(u'"', I + 1);
                L.back().back() += T.substr(I + 1, E - I - 1);
                I = E;
            } else if (T[I] == u'\t') L.back().emplace_back();
            else if (T[I] == u'\r' && I + 2 < T.size()) L.emplace_back(1), ++I;
            else if (T[I] != u'\r' && T[I] != u'\n') L.back().back() += T[I];
        }
        return L;
    }
};

// The block's cells in real rows from (C0, R0): the stored text, a merge's span, read-only,
// a graphic's kind and state, a node in the row.
AnsiString Print(TExtStringGrid* G, Integer C0, Integer R0, Integer Rows, Integer Cols = 2) {
    G->UnHideRowsAll();
    AnsiString S;
    for (Integer R = R0; R < R0 + Rows; ++R)
        for (Integer C = C0; C < C0 + Cols; ++C) {
            if (R >= G->RowCount() || C >= G->ColCount()) {
                S += "-|";
                continue;
            }
            const TCellProperties* P = G->CellPropertiesOrNil(C, R);
            const TPoint Sp = G->CellSpan(C, R);
            const TCellGraphic* Gr = G->GetCellGraphic(C, R);
            S += (C == C0 && G->IsNode(R) ? "#n" : "") + G->RawCells(C, R) + (P && P->ReadOnly() ? "#ro" : "") +
                 (G->IsMergedCell(C, R) ? "#" + IntToStr(Sp.X) + IntToStr(Sp.Y) + (G->IsBaseCell(C, R) ? "b" : "") : "") +
                 (Gr ? "#g" + IntToStr(Gr->CellType()) + (Gr->CellBoolean() ? "1" : "0") : "") + "|";
        }
    return S;
}

// The receiving grid's cells outside the landing block, hidden rows and all, as they stand.
AnsiString Rest(TExtStringGrid* G, TGridRect Landing) {
    AnsiString S;
    for (Integer R = 0; R < G->AllRowCount(); ++R) {
        S += G->IsHiddenRow(R) ? "h" : "";
        for (Integer C = 0; C < G->ColCount(); ++C)
            if (C < Landing.Left || C > Landing.Right || R < Landing.Top || R > Landing.Bottom) S += G->AllCells(C, R) + "|";
        S += "\n";
    }
    return S;
}

void Prepare(TExtStringGrid* B, TReceiver Rc) {
    if (Rc == rFooter) {
        B->FloatingFooter()->SetVisible(true);
        B->SetCells(0, B->RowCount() - 1, "Toplam");
    }
    if (Rc == rReadOnly) {
        B->SetCells(3, 3, "kilit");
        B->MergeCells(3, 3, 2, 2);
        B->GetCellProperties(3, 3)->SetReadOnly(true);
    }
    if (Rc == rNode) {
        B->SetCells(3, 4, "alt");
        B->AddNode(3, 2);
        B->ContractNode(3);
    }
    if (Rc == rHighlight) {
        B->SetCells(3, 3, "Ali Kaya");
        B->HilightInGrid("a", false, false);
    }
}

enum TReplaces { kBlock, kAll, kAllItMayWrite };   // what of the receiving grid the road replaces

struct TRoad {
    const char* Name;
    std::set<TKind> NotCarried;   // by the road's format
    TPoint To;                    // where the block lands
    std::function<void(TExchange&)> Go;
    TReplaces Replaces = kBlock;
    bool Whole = false;           // the whole sending grid travels
    Integer Cols = 2, Rows = 0;   // of the block compared (0 rows: the block's)
};

// The letters a copy gives other programs, as a CSV file another program saves of them.
std::string CsvOfLetters(TExchange& X) {
    std::string Csv = "\xEF\xBB\xBF";
    for (const auto& Line : X.Letters()) {
        for (size_t F = 0; F < Line.size(); ++F) {
            std::string Q = WideToUtf8(Line[F]);
            for (size_t P = Q.find('"'); P != std::string::npos; P = Q.find('"', P + 2)) Q.insert(P, "\"");
            Csv += (F ? ";\"" : "\"") + Q + "\"";
        }
        Csv += "\r\n";
    }
    return Csv;
}

// The same letters as a workbook; its reader gives code page 1254: other letters arrive as "?".
AnsiString WorkbookOfLetters(TExchange& X, const AnsiString& Name) {
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Add();
    const auto L = X.Letters();
    for (size_t R = 0; R < L.size(); ++R)
        for (size_t C = 0; C < L[R].size(); ++C)
            if (!L[R][C].empty()) Book->Worksheets(1)->SetCells(Integer(R) + 1, Integer(C) + 1, Variant(L[R][C]));
    WriteXlsxFile(*Book, Name);
    return Name;
}

Integer DropFile(TExtStringGrid* G, const AnsiString& Name) {
    TDataObject D;
    D.SetFiles({Name});
    const TRect R = G->CellRect(1, 1);
    return DeliverDrop(G, R.Left + 5, R.Top + 5, D, DROPEFFECT_COPY);
}

}  // namespace

TEST(ExtGridExchange, EveryRoadRoundTripsEachCellKindItCarries) {
    TTempFolder Dir("gridexchange");
    // Own format: the cell stream. Text: the letters, and for grids a Unicode, rich, HTML or
    // password cell as stored in the grid's own text form (other programs read a password's mask).
    const std::set<TKind> TextOnly{kMerged, kReadOnly, kHidden, kCheckBox, kPicture, kNode};
    // Files hold the letters other programs read: no rich text, no mask (HTML keeps its tags
    // while the grid copies them, as it does by default).
    const std::set<TKind> Letters{kRich, kMerged, kPassword, kReadOnly, kHidden, kCheckBox, kPicture, kNode};
    std::set<TKind> OneCell = TextOnly, SameRows = TextOnly;
    OneCell.erase(kHidden);   // one row: the hidden one is not in it
    SameRows.erase(kNode);    // the node stays with its row
    std::set<TKind> NoUnicode = Letters;
    NoUnicode.insert(kUnicode);
    const TRoad Roads[] = {
        {"copy and paste", {kHidden, kNode}, {1, 1}, [](TExchange& X) {
             X.Keys(X.A, Qt::Key_C, TGridRect{1, 1, 2, 2});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }},
        {"copy and paste as text", TextOnly, {1, 1}, [](TExchange& X) {
             for (TExtStringGrid* G : {X.A, X.B}) G->Navigation()->SetAllowFmtClipboard(false);
             X.Keys(X.A, Qt::Key_C, TGridRect{1, 1, 2, 2});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }},
        // A rich cell alone goes as rich text too, which the paste takes first.
        {"one cell copied and pasted, rich text on", OneCell, {1, 1}, [](TExchange& X) {
             for (TExtStringGrid* G : {X.A, X.B}) G->Navigation()->SetAllowFmtClipboard(false), G->Navigation()->SetAllowRTFClipboard(true);
             X.Keys(X.A, Qt::Key_C, TGridRect{1, 1, 1, 1});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }, kBlock, false, 1, 1},
        {"cut and paste", {kHidden, kNode}, {1, 1}, [](TExchange& X) {
             X.Keys(X.A, Qt::Key_X, TGridRect{1, 1, 2, 2});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }},
        {"whole grid copied and pasted", {kHidden}, {1, 1}, [](TExchange& X) {
             X.A->CopyCellsToClipboard(TGridRect{0, 0, X.A->ColCount() - 1, X.A->RowCount() - 1});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }, kAllItMayWrite, true},
        {"drag to another grid", TextOnly, {1, 1}, [](TExchange& X) {
             X.A->SetSelection(TGridRect{1, 1, 2, 2});
             X.Drag();
         }},
        {"drag within the grid", SameRows, {3, 1}, [](TExchange& X) {
             X.DropOn = X.A;
             X.A->SetSelection(TGridRect{1, 1, 2, 2});
             X.Drag();
             X.B = X.A;
         }},
        {"cell stream", {kHidden, kNode}, {1, 1}, [](TExchange& X) {
             TMemoryStream S;
             X.A->SaveCellsToStream(TGridRect{1, 1, 2, 2}, &S);
             S.SetPosition(0);
             X.B->LoadCellsFromStream(TGridCoord{1, 1}, &S);
         }},
        {"cell text stream", {kMerged, kReadOnly, kHidden, kCheckBox, kPicture, kNode}, {1, 1}, [](TExchange& X) {
             TMemoryStream S;
             X.A->SaveCellsToStrings(&S);
             S.SetPosition(0);
             X.B->LoadCellsFromStrings(&S);
         }, kAll, true},
        // The grid writes no CSV or workbook: another program saves the letters a copy gives it.
        {"CSV file of the copied letters, imported", Letters, {0, 0}, [](TExchange& X) {
             TTempFile F(CsvOfLetters(X));
             X.B->ImportCSVFile(F.Name(), false);
         }, kAll},
        {"CSV file of the copied letters, dropped", Letters, {0, 0}, [](TExchange& X) {
             TTempFile F(CsvOfLetters(X), "harfler.csv");
             DropFile(X.B, F.Name());
         }, kAllItMayWrite},
        {"workbook of the copied letters, imported", NoUnicode, {0, 0}, [&Dir](TExchange& X) {
             X.B->ImportExcelFile(WorkbookOfLetters(X, Dir.Path() + "letters.xlsx"), AnsiString());
         }, kAll},
        {"workbook of the copied letters, dropped", NoUnicode, {0, 0}, [&Dir](TExchange& X) {
             DropFile(X.B, WorkbookOfLetters(X, Dir.Path() + "harfler.xlsx"));
         }, kAllItMayWrite},
    };
    // What other programs read of the kind: what the user sees, letters outside the code page and all.
    const WideString Seen[] = {u"Ali", u"\u015Eeker \u0131\u011Fd\u0131r", u"Dvo\u0159\u00E1k \u0416", u"iki\r\nsat\u0131r",
                               u"Kal\u0131n \u0416", u"birle\u015Fik", u"*****", u"salt", u"a", u"", u"", u"<b>kalin</b>", u"Ali", u"dugum"};
    for (const TRoad& Road : Roads)
        for (int Rc = 0; Rc < (Road.To.X == 3 ? 1 : rReceivers); ++Rc)
            for (int KI = 0; KI < kKinds; ++KI) {
                const TKind K = TKind(KI);
                const std::string Case = std::string(Road.Name) + ": " + KindNames[K] + " into " + ReceiverNames[Rc];
                TExchange X(K);
                const AnsiString Want = Print(X.A, 1, 1, Road.Rows ? Road.Rows : X.Rows, Road.Cols);
                if (K == kHidden) X.A->HideRow(2);
                // The highlight is on in every sending grid: markup in the shown text, never a value.
                X.A->HilightInGrid(K == kHighlighted ? "l" : "a", false, false);
                if (&Road == Roads && Rc == 0 && K != kCheckBox) EXPECT_EQ(Seen[K], X.Letters()[0][0]) << KindNames[K];
                Prepare(X.B, TReceiver(Rc));
                const TGridRect Landing{Road.To.X, Road.To.Y, Road.To.X + Road.Cols - 1, Road.To.Y + X.Rows - 1};
                const AnsiString Before = Rest(X.B, Landing), Kept = Print(X.B, 3, 3, 2);
                if (Rc == rNode) X.B->ContractNode(3);   // Print showed its rows
                TExtStringGrid* const Into = X.B;
                Road.Go(X);
                if (Road.Replaces == kBlock) EXPECT_EQ(Before, Rest(Into, Landing)) << Case;
                if (Rc == rReadOnly && Road.Replaces != kAll) EXPECT_EQ(Kept, Print(X.B, 3, 3, 2)) << Case;
                if (Rc == rFooter)
                    EXPECT_TRUE(X.B->FixedFooters() == 1 && X.B->RawCells(0, X.B->RowCount() - 1) == "Toplam") << Case;
                bool LastInData = false;   // the sending grid's last data row lands in a data row
                for (Integer R = 0; R < X.B->AllRowCount() - X.B->FixedFooters(); ++R) LastInData |= X.B->AllCells(1, R) == "son";
                if (Road.Whole) EXPECT_TRUE(LastInData) << Case;
                const AnsiString Got = Print(X.B, Road.To.X, Road.To.Y, Road.Rows ? Road.Rows : X.Rows, Road.Cols);
                if (Road.NotCarried.count(K)) EXPECT_NE(Want, Got) << Case << " now carries it";
                else EXPECT_EQ(Want, Got) << Case;
            }
}
