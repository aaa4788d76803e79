// The exchange law: every road that carries cells out of a grid and into another (or the same)
// gives each kind of cell back as it left, as far as the road's format carries that kind; the
// kinds a format cannot carry are named road by road, and they must indeed not arrive. Each kind
// goes from each kind of sending grid into each kind of receiving grid, nothing else of which
// changes; the sender's highlight is on. A whole grid arrives with every row, its totals staying
// behind only where the receiving grid has totals of its own.
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

enum TKind { kPlain, kTurkish, kUnicode, kMultiLine, kRich, kMerged, kPassword, kReadOnly, kHidden, kCheck, kPicture, kHTML, kLit, kNode };
const char* const KindNames[] = {"plain", "Turkish", "Unicode", "multi-line", "rich", "merged", "password", "read-only", "hidden",
                                 "check box", "picture", "HTML", "highlighted", "node row"};
// Receiving grids, each with a fixed row and column (the last: a footer row under a read-only merge over the last data rows).
const char* const ReceiverNames[] = {"empty", "footer", "read-only merge", "node", "highlight", "footer and read-only merge"};
// Sending grids, each outside the block (their names name the tests).
enum TSender { sPlain, sFooter, sNoFixedRow, sLockedMerge, sNode, sHiddenRow };
const char* const SenderNames[] = {"Plain", "Footer", "NoFixedRow", "ReadOnlyMerge", "ContractedNode", "HiddenRow"};

// Two editable grids side by side; the block (1, 1)-(2, 2) of A holds the kind at (1, 1).
struct TExchange {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TExtStringGrid* A = nullptr;
    TExtStringGrid* B = nullptr;
    TExtStringGrid* DropOn = nullptr;
    Integer Rows = 2;   // real rows of A the block spans

    bool Dropped = false;   // a file is dropped, not imported
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
        const AnsiString Text[] = {"Ali", "Şeker ığdır", "", "iki\r\nsatır", Rich, "birleşik", "gizli", "salt", "a", "", "", "<b>kalin</b>", "Ali", "dugum"};
        A->SetCells(1, 1, Text[K]);
        A->SetCells(1, 5, "son");   // the last data row
        if (K == kCheck || K == kPicture) A->CreateCellGraphic(1, 1)->SetCellType(K == kCheck ? ctCheckBox : ctBitmap);
        if (K == kCheck) A->SetCheckBoxState(1, 1, true);
        if (auto* Pic = K == kPicture ? new TBitmap() : nullptr) Pic->SetSize(3, 2), A->GetCellGraphic(1, 1)->SetGraphic(Pic, true);
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

    // The sending grid's own make-up, below the block and the last data row's "son".
    void Send(TSender S) {
        if (S == sFooter)
            A->SetRowCount(7), A->SetCells(0, 6, "Genel"), A->SetCells(1, 6, "15"), A->FloatingFooter()->SetVisible(true);
        if (S == sNoFixedRow) A->SetFixedRows(0);
        if (S == sLockedMerge) A->SetCells(3, 4, "kilit"), A->MergeCells(3, 4, 2, 2), A->GetCellProperties(3, 4)->SetReadOnly(true);
        if (S == sNode) A->SetCells(3, 4, "alt"), A->AddNode(3, 2), A->ContractNode(3);
        if (S == sHiddenRow) A->SetCells(3, 4, "gizli"), A->HideRow(4);
    }

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
    void DropFile(const AnsiString& Name) {
        TDataObject D;
        D.SetFiles({Name});
        DeliverDrop(B, B->CellRect(1, 1).Left + 5, B->CellRect(1, 1).Top + 5, D, DROPEFFECT_COPY);
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

// The block's cells in real rows from (C0, R0): the stored text, a merge's span, read-only, a graphic, a node.
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
                 (Gr ? "#g" + IntToStr(Gr->CellType()) + IntToStr(Gr->CellBoolean()) : "") + "|";
        }
    return S;
}

// The receiving grid outside the landing block, hidden rows and all.
AnsiString Rest(TExtStringGrid* G, TGridRect L) {
    AnsiString S;
    for (Integer R = 0; R < G->AllRowCount(); ++R)
        for (Integer C = 0; C < G->ColCount(); ++C)
            if (C < L.Left || C > L.Right || R < L.Top || R > L.Bottom) S += G->AllCells(C, R) + (G->IsHiddenRow(R) ? "h|" : "|");
    return S;
}

struct TRoad {
    const char* Name;
    std::set<TKind> NotCarried;   // by the road's format
    TPoint To;                    // where the block lands
    std::function<void(TExchange&)> Go;
    int Replaces = 0;              // of the receiving grid: 0 the block, 1 all, 2 all it may write
    bool Whole = false;            // the whole sending grid travels
    Integer Rows = 0, Cols = 2;    // compared (0 rows: the block's)
    bool Drops = false;            // a file, dropped on every other receiving grid: it writes all it may
};

}  // namespace

// One sending grid a test, each within the time a test is given.
class ExtGridExchange : public ::testing::TestWithParam<int> {};

TEST_P(ExtGridExchange, EveryRoadRoundTripsEachCellKindItCarries) {
    const int Sd = GetParam();
    TTempFolder Dir("gridexchange");
    // Own format: the cell stream. Text: the letters, and for grids a Unicode, rich or password cell
    // as stored in the grid's own text form (other programs read a password's mask). Only the
    // whole grid takes the node in column 0; HTML keeps its tags, as a copy does by default.
    const std::set<TKind> TextOnly{kMerged, kReadOnly, kHidden, kCheck, kPicture, kNode}, Files{kRich, kMerged, kPassword, kReadOnly, kHidden, kCheck, kPicture, kNode};
    std::set<TKind> OneCell = TextOnly, SameRows = TextOnly;
    OneCell.erase(kHidden), SameRows.erase(kNode);   // one row holds no hidden one; the node stays with its row
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
        {"one cell copied and pasted, rich text on", OneCell, {1, 1}, [](TExchange& X) {
             for (TExtStringGrid* G : {X.A, X.B}) G->Navigation()->SetAllowFmtClipboard(false), G->Navigation()->SetAllowRTFClipboard(true);
             X.Keys(X.A, Qt::Key_C, TGridRect{1, 1, 1, 1});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }, 0, false, 1, 1},
        {"cut and paste", {kHidden, kNode}, {1, 1}, [](TExchange& X) {
             X.Keys(X.A, Qt::Key_X, TGridRect{1, 1, 2, 2});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }},
        {"whole grid copied and pasted", {kHidden}, {1, 1}, [](TExchange& X) {
             X.A->CopyCellsToClipboard(TGridRect{0, 0, X.A->ColCount() - 1, X.A->RowCount() - 1});
             X.Keys(X.B, Qt::Key_V, TGridRect{1, 1, 1, 1});
         }, 2, true},
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
        {"whole grid cell stream", {kHidden}, {1, 1}, [](TExchange& X) {
             TMemoryStream S;
             X.A->SaveCellsToStream(TGridRect{0, 0, X.A->ColCount() - 1, X.A->RowCount() - 1}, &S);
             S.SetPosition(0);
             X.B->LoadCellsFromStream(TGridCoord{0, 0}, &S);
         }, 1, true},
        {"cell text stream", TextOnly, {1, 1}, [](TExchange& X) {
             TMemoryStream S;
             X.A->SaveCellsToStrings(&S);
             S.SetPosition(0);
             X.B->LoadCellsFromStrings(&S);
         }, 1, true},
        // The grid's settings and its cells through the cell text stream.
        {"Assign", TextOnly, {1, 1}, [](TExchange& X) { X.B->Assign(X.A); }, 1, true},
        // The grid writes no CSV or workbook: another program saves the letters a copy gives it.
        {"CSV file of the copied letters, imported or dropped", Files, {0, 0}, [](TExchange& X) {
             std::string Csv = "\xEF\xBB\xBF";
             for (const auto& Line : X.Letters()) {
                 for (size_t F = 0; F < Line.size(); ++F) {
                     std::string Q = WideToUtf8(Line[F]);
                     for (size_t P = Q.find('"'); P != std::string::npos; P = Q.find('"', P + 2)) Q.insert(P, "\"");
                     Csv += (F ? ";\"" : "\"") + Q + "\"";
                 }
                 Csv += "\r\n";
             }
             TTempFile F(Csv, "harfler.csv");
             if (X.Dropped) return X.DropFile(F.Name());
             X.B->ImportCSVFile(F.Name(), false);
         }, 1, false, 0, 2, true},
        // The workbook reader gives its texts in code page 1254: other letters arrive as "?".
        {"workbook of the copied letters, imported", {kUnicode, kRich, kMerged, kPassword, kReadOnly, kHidden, kCheck, kPicture, kNode}, {0, 0},
         [&Dir](TExchange& X) {
             auto Excel = CreateOleObject("excel.application");
             TExcelWorkbook* Book = Excel->Workbooks()->Add();
             const auto L = X.Letters();
             for (size_t R = 0; R < L.size(); ++R)
                 for (size_t C = 0; C < L[R].size(); ++C)
                     if (!L[R][C].empty()) Book->Worksheets(1)->SetCells(Integer(R) + 1, Integer(C) + 1, Variant(L[R][C]));
             const AnsiString Name = Dir.Path() + "letters.xlsx";
             WriteXlsxFile(*Book, Name);
             X.B->ImportExcelFile(Name, AnsiString());
         }, 1},
    };
    // What other programs read of the kind: what the user sees, letters outside the code page and all.
    const WideString Seen[] = {u"Ali", u"\u015Eeker \u0131\u011Fd\u0131r", u"Dvo\u0159\u00E1k \u0416", u"iki\r\nsat\u0131r",
                               u"Kal\u0131n \u0416", u"birle\u015Fik", u"*****", u"salt", u"a", u"", u"", u"<b>kalin</b>", u"Ali", u"dugum"};
    for (const TRoad& Road : Roads)
        for (int Rc = 0; Rc < (Road.To.X == 3 ? 1 : 6); ++Rc)   // within the grid: into the sender only
            for (int K = kPlain; K <= kNode; ++K) {
                const std::string Case =
                    std::string(Road.Name) + ": " + KindNames[K] + " from " + SenderNames[Sd] + " into " + ReceiverNames[Rc];
                TExchange X{TKind(K)};
                const AnsiString Want = Print(X.A, 1, 1, Road.Rows ? Road.Rows : X.Rows, Road.Cols);
                X.Send(TSender(Sd));
                if (K == kHidden) X.A->HideRow(2);
                X.A->HilightInGrid(K == kLit ? "l" : "a", false, false);
                if (&Road == Roads && Sd == sPlain && Rc == 0 && K != kCheck) EXPECT_EQ(Seen[K], X.Letters()[0][0]) << KindNames[K];
                TExtStringGrid* B = X.B;
                const Integer Lock = Rc == 5 ? 4 : 3;   // the read-only merge's base row
                if (Rc == 5) B->SetRowCount(7);
                if (Rc == 1 || Rc == 5)
                    B->FloatingFooter()->SetVisible(true), B->SetCells(0, B->RowCount() - 1, "Toplam"), B->SetCells(1, B->RowCount() - 1, "15");
                if (Rc == 2 || Rc == 5)
                    B->SetCells(3, Lock, "kilit"), B->MergeCells(3, Lock, 2, 2), B->GetCellProperties(3, Lock)->SetReadOnly(true);
                if (Rc == 3) B->SetCells(3, 4, "alt"), B->AddNode(3, 2), B->ContractNode(3);
                if (Rc == 4) B->SetCells(3, 3, "Ali Kaya"), B->HilightInGrid("a", false, false);
                X.Dropped = Rc % 2;   // files are dropped on every other receiving grid
                const TGridRect Landing{Road.To.X, Road.To.Y, Road.To.X + Road.Cols - 1, Road.To.Y + X.Rows - 1};
                const AnsiString Before = Rest(B, Landing), Kept = B->AllCells(3, Lock);
                const Integer SentRows = X.A->RowCount(), SentTotals = X.A->FixedFooters();
                const AnsiString SentLast = X.A->Cells(1, SentRows - 1);
                Road.Go(X);
                if (Road.Replaces == 0) EXPECT_EQ(Before, Rest(B, Landing)) << Case;
                const Integer Totals = B->FixedFooters(), Last = B->RowCount() - 1;
                if ((Rc == 2 || Rc == 5) && (Road.Replaces == 2 || (Road.Drops && X.Dropped)) && Lock < B->RowCount() - Totals)
                    EXPECT_TRUE(Kept == B->AllCells(3, Lock) && B->IsMergedCell(3, Lock)) << Case;
                if (Rc == 1 || Rc == 5) {
                    EXPECT_TRUE(Totals == 1 && B->RawCells(0, Last) == "Toplam" && B->RawCells(1, Last) == "15") << Case;
                    for (Integer C = 0; C < B->ColCount(); ++C)   // no merge of the data rows reaches the totals
                        EXPECT_TRUE(!B->IsMergedCell(C, Last) || B->BaseCell(C, Last).Y == Last) << Case << " column " << C;
                }
                bool LastInData = false;   // the sender's last data row lands in a data row
                for (Integer R = 0; R < B->AllRowCount() - Totals; ++R) LastInData |= B->AllCells(1, R) == "son";
                EXPECT_TRUE(LastInData || !Road.Whole) << Case;
                if (Road.Whole) EXPECT_EQ(SentRows - (Totals ? SentTotals : 0), B->RowCount() - Totals) << Case;
                if (Road.Whole && !Totals) EXPECT_EQ(SentLast, B->Cells(1, Last)) << Case;
                const AnsiString Got = Print(X.B, Road.To.X, Road.To.Y, Road.Rows ? Road.Rows : X.Rows, Road.Cols);
                if (Road.NotCarried.count(TKind(K))) EXPECT_NE(Want, Got) << Case << " now carries it";
                else EXPECT_EQ(Want, Got) << Case;
            }
}

INSTANTIATE_TEST_SUITE_P(FromEachSender, ExtGridExchange, ::testing::Range<int>(sPlain, sHiddenRow + 1),
                         [](const ::testing::TestParamInfo<int>& I) { return std::string(SenderNames[I.param]); });
