// Random walks over one grid: each step applies an operation through the grid's calls or the user's keys,
// mouse and wheel, and a plain model beside the grid says what the grid must hold afterwards. A failure
// prints its seed and the shortest sequence found that still fails. GRID_SEQUENCES_SECONDS=N walks random
// seeds for N seconds with every operation on, each walk in a child process (a crash or hang fails its step);
// GRID_SEQUENCES_SEED=S replays one walk, GRID_SEQUENCES_ONLY=Op,Op walks those operations only,
// GRID_SEQUENCES_MARKS=0 leaves the row marks out, GRID_SEQUENCES_INPROCESS=1 keeps walks in this process.
#include "grid/ExtGrid.h"
#include "grid/ExtGridEditors.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace uitest;

namespace {

using WStr = WideString;
// Column identities, by the texts each kind holds; inserted columns get ids from cFirstNew on.
enum : int { cId, cPlain, cTurk, cLines, cUni, cNum, cDate, cFirstNew };
struct TKind { int Col; const char* Name; TEditorType Editor; };   // a column kind the walk edits
const TKind Kinds[] = {{cPlain, "Text", edNormal},   {cLines, "MultiLine", edNormal}, {cTurk, "ComboList", edComboList},
                       {cUni, "Unicode", edUniEdit}, {cNum, "Spin", edSpinEdit},      {cDate, "Date", edDateEdit}};
const char* const Ends[] = {"Enter", "Tab", "Click", "Wheel", "Escape"};   // how an edit ends
const char16_t* const Words[] = {u"\u00C7a\u011Fr\u0131", u"\u015Ei\u015Fli", u"\u0130\u011Fne", u"\u0131l\u0131k",
                                 u"\u00D6\u011F\u00FCn"};
constexpr int DataRows = 40;
bool WithMarks = true;   // row marks (Ctrl-click) take part
bool Apart = false;      // each walk runs in a child process
struct TSkip {};         // a step that does not apply to the state it meets changes nothing and throws this
struct TBroken { std::string Why; };

WStr Fmt(const char* F, int A, int B = 0) {
    char Buf[40];
    std::snprintf(Buf, sizeof Buf, F, A, B);
    return WStr(Buf, Buf + std::strlen(Buf));
}
std::string Piece(const std::string& S) { return S; }
std::string Piece(const char* S) { return S; }
std::string Piece(long long V) { return std::to_string(V); }
std::string Piece(const WStr& S) { return "\"" + QString::fromStdU16String(S).toStdString() + "\""; }
template <class... A> std::string Join(const A&... Parts) { return (std::string() + ... + Piece(Parts)); }
// Unless Ok, the parts joined are what broke.
template <class... A> void Expect(bool Ok, const A&... Parts) {
    if (!Ok) throw TBroken{Join(Parts...)};
}
WStr HeaderOf(int ColId) { return Fmt("H%d", ColId); }
WStr InitialText(int ColId, int Id) {
    switch (ColId) {
        case cId: return Fmt("R%03d", Id);
        case cPlain: return Fmt("p%03d", Id);
        case cTurk: return Words[Id * 7 % 5];
        case cLines: return Fmt("s%03d\r\nt%03d", Id, Id);
        case cUni: return u"\u0416" + Fmt("%03d", Id) + u"\u4E2D";
        case cNum: return Fmt("%d", Id * 37 % 89 + 1);
        default: return Fmt("%02d.%02d.2024", Id % 28 + 1, Id % 12 + 1);
    }
}
// The index of X in V (by Proj), or -1.
template <class V, class T, class P = std::identity> int IndexIn(const V& Vec, const T& X, P Proj = {}) {
    auto I = std::ranges::find(Vec, X, Proj);
    return I == Vec.end() ? -1 : int(I - Vec.begin());
}

struct TRowM {
    int Id;
    std::map<int, WStr> Cells;   // by column id; missing = empty
    std::map<int, TColor> Colours;
    bool Hidden = false, Marked = false;   // hidden by HideRows or the filter
    explicit TRowM(int AId) : Id(AId) { Cells[cId] = InitialText(cId, Id); }
};
struct TNodeM { int Head; std::vector<int> Members; bool Contracted; };   // members: the rows under the head
struct TMergeM { int Row, Col; };   // base cell (row id, column position), two columns wide

// What the grid must hold: rows in real order (hidden ones included), columns by position.
struct TModel {
    std::vector<int> Cols;
    std::vector<TRowM> Rows;
    std::vector<TNodeM> Nodes;
    std::vector<TMergeM> Merges;
    int NextRow = 0, NextCol = cFirstNew;
    std::vector<int> UndoBase;   // the shown order before the sort an undo click goes back to
    bool HaveBase = false, BaseTainted = false;
    // Set by a step that moves rows: those that may change their real order (any with AnyOrder),
    // and the display order it gives when known.
    std::set<int> Loose;
    std::vector<int> Want;
    bool AnyOrder = false;
    std::vector<bool> MarksAt;   // set by a sort: the marks it leaves on the real rows (the rows move, the marks stay)

    int IndexOf(int Id) const { return IndexIn(Rows, Id, &TRowM::Id); }
    TRowM& Row(int Id) { return Rows[IndexOf(Id)]; }
    WStr Text(const TRowM& R, int ACol) const { return R.Cells.contains(Cols[ACol]) ? R.Cells.at(Cols[ACol]) : WStr(); }
    // What the cell shows (what the footer sums and the filter reads): under a merge, the merge's text.
    WStr ShownText(const TRowM& R, int ACol) const {
        const bool Under = std::ranges::any_of(Merges, [&](const TMergeM& Mg) { return Mg.Row == R.Id && Mg.Col + 1 == ACol; });
        return Text(R, ACol - Under);
    }
    const TNodeM* NodeOf(int Id, bool AsHead) const {   // the node the row heads, or is a member of
        for (const TNodeM& Nd : Nodes) if (AsHead ? Nd.Head == Id : IndexIn(Nd.Members, Id) >= 0) return &Nd;
        return nullptr;
    }
    bool InNode(int Id) const { return NodeOf(Id, true) || NodeOf(Id, false); }
    bool IsShown(const TRowM& R) const { return !R.Hidden && !(NodeOf(R.Id, false) && NodeOf(R.Id, false)->Contracted); }
    std::vector<int> Visible(bool Ids = false) const {   // indexes into Rows (or their ids), in display order
        std::vector<int> V;
        for (int I = 0; I < int(Rows.size()); ++I) if (IsShown(Rows[I])) V.push_back(Ids ? Rows[I].Id : I);
        return V;
    }
    TRowM& RowAt(int Displ) { return Rows[Visible()[Displ - 1]]; }
    int DisplOf(int Id) const { return IndexIn(Visible(true), Id) + 1; }   // 0 while not shown
    void Tainted() { BaseTainted = BaseTainted || HaveBase; }
};

// One walk's grid beside its model, with what the operations share.
struct TWalk : TModel {
    TGridOnForm<TExtStringGrid> F{7, DataRows + 2, 640, 420, 700, 480};
    TExtStringGrid* G = F.Grid;
    TExtStringGrid* Scratch = Place<TExtStringGrid>(F.Form.get(), 0, 430, 10, 10);   // reads the text stream back
    std::mt19937 Rng;
    std::string Log;   // what the current step did, for the printed sequence

    TWalk() {
        G->SetDefaultColWidth(72);
        F.Options({goEditing, goTabs, goRowMoving, goColMoving, goRangeSelect});
        Cols = {cId, cPlain, cTurk, cLines, cUni, cNum, cDate};
        for (int C = 0; C < 7; ++C) G->SetCells(C, 0, WideToAnsi(HeaderOf(C)));
        for (int D = 1; D <= DataRows; ++D) {
            TRowM& R = Rows.emplace_back(NextRow++);
            for (int C = 0; C < 7; ++C) {
                R.Cells[C] = InitialText(C, R.Id);
                G->SetCells(C, D, C == cUni ? WideToCellText(R.Cells[C]) : WideToAnsi(R.Cells[C]));
            }
        }
        G->SetCells(0, DataRows + 1, "Toplam");
        G->SetFloatFormat("%.0f");
        G->FloatingFooter()->SetVisible(true);
        G->SetFooterCalcKind(cNum, 1);
        G->MouseActions()->SetDisjunctRowSelect(WithMarks);
        for (auto Allow : {&TNavigation::SetAllowInsertRow, &TNavigation::SetAllowDeleteRow,
                           &TNavigation::SetAllowClipboardShortCuts, &TNavigation::SetAllowFmtClipboard})
            (G->Navigation()->*Allow)(true);
        G->SetSpreadsheetClipboard(true);
        G->SortSettings()->SetShow(true);
        G->SortSettings()->SetUndoSort(true);
        for (const char16_t* Wd : Words) G->Combobox()->Items()->Add(WideToAnsi(Wd));
        G->OnGetEditorType = [this](TObject*, Integer ACol, Integer, TEditorType& E) {
            E = edNormal;
            for (const TKind& K : Kinds) if (ACol < int(Cols.size()) && Cols[ACol] == K.Col) E = K.Editor;
        };
        // A value holding 'q', or the number 13, is refused.
        G->OnCellValidate = [](TObject*, Integer, Integer, AnsiString& V, bool& Ok) { Ok = V.find('q') == V.npos && V != "13"; };
        G->OnCellValidateWide = [](TObject*, Integer, Integer, WideString& V, bool& Ok) { Ok = V.find(u'q') == V.npos; };
        G->SetMultilinecells(true);
        Scratch->SetMultilinecells(true);
        G->CalcFooter(-1);
        F.ShowFocused();
    }

    int Pick(int Count) { return Count <= 0 ? 0 : int(Rng() % unsigned(Count)); }
    int PickIn(int Lo, int Hi) { return Hi < Lo ? 1 : Lo + Pick(Hi - Lo + 1); }
    template <class... A> void Say(const A&... Parts) { Log += (Log.empty() ? "" : " ") + Join(Parts...); }
    int LastData() const { return G->RowCount() - 2; }
    // A data row or column, anywhere or shown in the window now.
    int PickRow(bool InView = false) {
        const int Top = std::max(1, G->TopRow()), Last = LastData();
        return InView ? PickIn(Top, std::min(Last, G->TopRow() + G->VisibleRowCount() - 1)) : PickIn(1, Last);
    }
    int PickCol(bool InView = false) {
        const int Left = std::max(1, G->LeftCol()), Last = G->ColCount() - 1;
        return InView ? PickIn(Left, std::min(Last, G->LeftCol() + G->VisibleColCount() - 1)) : PickIn(1, Last);
    }
    bool Editing() const { return G->EditorMode() || G->ActiveEditorControl(); }
    QPoint At(int ACol, int ARow, int Dx = -1) const {   // the cell's middle, or Dx from its left edge
        const QPoint M = Middle(G->CellRect(ACol, ARow));
        return Dx < 0 ? M : QPoint(G->CellRect(ACol, ARow).Left + Dx, M.y());
    }
    void Press(QPoint P, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        F.Mouse(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton, Mods);
        F.Mouse(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton, Mods);
    }
    void Drag(QPoint From, QPoint To) {
        F.Mouse(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
        for (QPoint P : {(From + To) / 2, To}) F.Mouse(QEvent::MouseMove, P, Qt::NoButton, Qt::LeftButton);
        F.Mouse(QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton);
        Settle();
    }
    // A key to the open popup, else the focused widget, else the grid.
    void Key(int K, QString Text = {}, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        if (Text.isEmpty()) Text = K == Qt::Key_Return ? "\r" : K == Qt::Key_Tab ? "\t" : K == Qt::Key_Escape ? "\x1b" : "";
        QWidget* T = QApplication::activePopupWidget();
        SendKey(T ? T : FocusTarget() ? FocusTarget() : G->Widget(), K, Text, Mods);
    }
    void Type(const WStr& Text) {
        for (QChar Ch : QString::fromStdU16String(Text))
            Key(Ch.isLetter() && Ch.unicode() < 128 ? Qt::Key_A + Ch.toUpper().unicode() - 'A' : Ch.unicode(), QString(Ch));
    }
    // The focus on the grid and, given a cell, the cursor on it.
    void Goto(int ACol = -1, int ARow = -1) {
        if (!G->Focused()) G->SetFocus();
        if (ACol >= 0) G->ScrollInView(ACol, ARow), G->SetCol(ACol), G->SetRow(ARow);
        Settle();
    }
    // Marks as the grid has them now (clicks and navigation keys change them by design); when
    // the grid has no more marks than the shown rows', a click cleared the hidden rows' too.
    void AdoptMarks() {
        const std::vector<int> V = Visible();
        int Shown = 0;
        for (int D = 1; WithMarks && D <= std::min(int(V.size()), LastData()); ++D)
            Shown += Rows[V[D - 1]].Marked = G->RowSelected(D);
        for (TRowM& R : Rows) R.Marked = R.Marked && (IsShown(R) || G->RowSelectCount() > Shown);
    }
    // New rows at display row D (past the data: before the footer), holding their ids; rows
    // landing among a node's members join the node.
    void ModelInsert(int D, int Count) {
        const std::vector<int> V = Visible();
        const int At = D - 1 < int(V.size()) ? V[D - 1] : int(Rows.size());
        const int Before = At < int(Rows.size()) ? Rows[At].Id : -1;
        for (int I = 0; I < Count; ++I) {
            const TRowM& R = *Rows.emplace(Rows.begin() + At + I, NextRow++);
            for (TNodeM& Nd : Nodes)
                if (auto P = std::ranges::find(Nd.Members, Before); P != Nd.Members.end()) Nd.Members.insert(P, R.Id);
            G->SetCells(0, D + I, WideToAnsi(R.Cells.at(cId)));
        }
        Tainted();
    }
    void ModelRemove(int Id) {
        for (TNodeM& Nd : Nodes) std::erase(Nd.Members, Id);
        std::erase_if(Merges, [&](const TMergeM& Mg) { return Mg.Row == Id; });
        Rows.erase(Rows.begin() + IndexOf(Id));
        Tainted();
    }
    // The stored text, not the merge base cell's that Cells gives.
    WStr GridText(int ACol, int ARealRow) const {
        const int D = G->IsHiddenRow(ARealRow) ? -1 : G->DisplRowIndex(ARealRow);
        return CellTextToWide(D < 0 ? G->AllCells(ACol, ARealRow) : G->RawCells(ACol, D));
    }

    // Every invariant of grid against model.
    void Check() {
        Expect(!Editing(), "an editor is still open");
        Expect(G->AllRowCount() == int(Rows.size()) + 2, "real rows ", G->AllRowCount(), ", model ", Rows.size() + 2);
        // The model's rows taken in the grid's real order, once each is found there once and the
        // rows the step did not move kept their order.
        std::vector<int> Order, Was;
        for (int R = 1; R < G->AllRowCount() - 1; ++R) {
            const AnsiString T = G->AllCells(0, R);
            const int Id = T.size() == 4 && T[0] == 'R' ? std::atoi(T.c_str() + 1) : -1;
            Expect(IndexOf(Id) >= 0 && IndexIn(Order, Id) < 0, "real row ", R, " holds ", T);
            Order.push_back(Id);
        }
        for (const TRowM& R : Rows) Was.push_back(R.Id);
        auto Fixed = [&](std::vector<int> V) { return std::erase_if(V, [&](int Id) { return AnyOrder || Loose.count(Id); }), V; };
        Expect(Fixed(Order) == Fixed(Was), "rows the step did not move changed their order");
        std::vector<TRowM> Now;
        for (int Id : Order) Now.push_back(Row(Id));
        Rows = Now;
        for (size_t I = 0; I < MarksAt.size(); ++I) Rows[I].Marked = MarksAt[I];
        MarksAt.clear();
        Expect(Want.empty() || Visible(true) == Want, "the shown rows are not in the order the step gives");
        Loose.clear(), Want.clear(), AnyOrder = false;
        const std::vector<int> V = Visible();
        const int Footer = G->RowCount() - 1, NumCol = IndexIn(Cols, cNum);
        Expect(G->ColCount() == int(Cols.size()), "column count ", G->ColCount(), ", model ", Cols.size());
        Expect(G->RowCount() == int(V.size()) + 2, "row count ", G->RowCount(), ", model ", V.size() + 2);
        for (int C = 0; C < G->ColCount(); ++C)
            Expect(CellTextToWide(G->RawCells(C, 0)) == HeaderOf(Cols[C]), "header of column ", C, " is ", G->RawCells(C, 0));
        Expect(G->RawCells(0, Footer) == "Toplam", "the footer row lost its label");
        for (int I = 0; I < int(Rows.size()); ++I) {
            const TRowM& R = Rows[I];
            Expect(G->IsHiddenRow(I + 1) != IsShown(R), "R", R.Id, IsShown(R) ? " hidden" : " shown");
            for (int C = 0; C < G->ColCount(); ++C)
                if (const WStr T = GridText(C, I + 1); T != Text(R, C))
                    Expect(false, "cell (", C, ", real ", I + 1, ") of R", R.Id, " is ", T, ", model ", Text(R, C));
        }
        double Sum = 0;
        for (int D = 1; D <= int(V.size()); ++D) {
            const TRowM& R = Rows[V[D - 1]];
            const TNodeM* Nd = NodeOf(R.Id, true);
            Expect(G->RealRowIndex(D) == V[D - 1] + 1, "display row ", D, " is not R", R.Id);
            Expect(!WithMarks || G->RowSelected(D) == R.Marked, "R", R.Id, R.Marked ? " lost its mark" : " marked");
            for (int C = 1; C < G->ColCount(); ++C) {
                const TColor Want = R.Colours.contains(Cols[C]) ? R.Colours.at(Cols[C]) : clNone;
                Expect(G->Colors(C, D) == Want, "colour of (", C, ", ", D, ")");
                Expect(!G->IsBaseCell(C, D) || G->CellSpan(C, D) == Point(0, 0) ||
                           std::ranges::any_of(Merges, [&](const TMergeM& Mg) { return Mg.Row == R.Id && Mg.Col == C; }),
                       "a merge at (", C, ", ", D, ") the model does not have");
            }
            Expect(G->IsNode(D) == (Nd != nullptr), "R", R.Id, Nd ? " lost its node" : " has a node");
            Expect(!Nd || (G->GetNodeSpan(D) == int(Nd->Members.size()) + 1 && G->GetNodeState(D) == Nd->Contracted),
                   "node of R", R.Id, " has span ", Nd ? G->GetNodeSpan(D) : 0, ", model ", Nd ? Nd->Members.size() + 1 : 0);
            const AnsiString T = NumCol < 0 ? "" : WideToAnsi(ShownText(R, NumCol));
            if (NumberKind(T) != 2) Sum += std::atof(T.c_str());
        }
        for (const TMergeM& Mg : Merges) {
            const int D = DisplOf(Mg.Row);
            Expect(D == 0 || G->CellSpan(Mg.Col, D) == Point(1, 0), "merge at R", Mg.Row, " column ", Mg.Col, " lost");
        }
        const AnsiString T = NumCol < 0 ? "" : G->Cells(NumCol, Footer);
        Expect(NumCol < 0 || std::atof(T.c_str()) == Sum, "footer shows \"", T, "\", the shown rows sum to ", (long long)Sum);
    }
};

// --- the operations: a family's variant Arg runs by call or by the user's events ------------
// Rows inserted (InsertRows, or the Insert key) or one removed (RemoveRowsEx, or the Delete key).
void RowsStep(TWalk& W, int How) {   // 0 InsertRows, 1 Insert key, 2 RemoveRowsEx, 3 Delete key
    const int D = How == 0 ? 1 + W.Pick(W.LastData() + 1) : W.PickRow(), Count = How == 0 ? 1 + W.Pick(2) : 1;
    if (How > 1 && (W.LastData() < 4 || W.NodeOf(W.RowAt(D).Id, true))) throw TSkip();
    const int Id = How > 1 ? W.RowAt(D).Id : -1;
    W.Say("at ", D, How == 0 ? " x" + Piece(Count) : "");
    // The cursor's move may mark its row; the keys leave the marks with their rows.
    if (How % 2) W.Goto(W.G->Col(), D), W.AdoptMarks(), W.Key(How == 1 ? Qt::Key_Insert : Qt::Key_Delete);
    else if (How == 0) W.G->InsertRows(D, Count);
    else W.G->RemoveRowsEx(D, 1);
    if (How < 2) W.ModelInsert(D, Count);
    else W.ModelRemove(Id);
}

void ColumnStep(TWalk& W, int Remove) {
    if ((Remove ? W.G->ColCount() < 5 : W.G->ColCount() > 8) || !W.Merges.empty()) throw TSkip();
    const int C = Remove ? W.PickCol() : 1 + W.Pick(W.G->ColCount());
    W.Say("at ", C);
    if (Remove) W.G->RemoveCols(C, 1), W.Cols.erase(W.Cols.begin() + C);
    else W.G->InsertCols(C, 1), W.G->SetCells(C, 0, WideToAnsi(HeaderOf(W.NextCol)));
    if (!Remove) W.Cols.insert(W.Cols.begin() + C, W.NextCol++);
}

// A shown row, or a column, moved by call or by drag.
void MoveStep(TWalk& W, int How) {   // 0 MoveRow, 1 row drag, 2 MoveColumn, 3 column drag
    const bool ByMouse = How % 2, Row = How < 2;
    const int From = Row ? W.PickRow(ByMouse) : W.PickCol(ByMouse), To = Row ? W.PickRow(ByMouse) : W.PickCol(ByMouse);
    if ((Row ? !W.Nodes.empty() : !W.Merges.empty()) || From == To) throw TSkip();
    W.Say(From, "->", To);
    std::vector<int> Want = Row ? W.Visible(true) : W.Cols;
    const int Id = Want[From - Row];
    Want.erase(Want.begin() + From - Row);
    Want.insert(Want.begin() + To - Row, Id);
    if (ByMouse) W.Drag(Row ? W.At(0, From, 20) : W.At(From, 0, 20), Row ? W.At(0, To, 20) : W.At(To, 0, 20));
    else if (Row) W.G->MoveRow(From, To);
    else W.G->MoveColumn(From, To);
    if (!Row) return void(W.Cols = Want);
    W.Tainted();
    W.Loose = {Id}, W.Want = Want;
}

// SortByColumn, or a header click: up, down, and the third click undoes the sort.
void SortStep(TWalk& W, int ByClick) {
    if (!W.Nodes.empty() || W.LastData() < 2) throw TSkip();
    const int C = W.PickCol(ByClick);
    TSortSettings* S = W.G->SortSettings();
    const bool Undo = ByClick && S->Column() == C && S->Direction() != S->InitSortDirection();
    const bool Desc = ByClick ? S->Column() == C && !Undo : W.Pick(2) == 1;
    W.Say("column ", C, Undo ? " undo" : Desc ? " down" : " up");
    if (!W.HaveBase) W.UndoBase = W.Visible(true), W.HaveBase = true, W.BaseTainted = false;
    for (const TRowM& R : W.Rows) W.MarksAt.push_back(R.Marked);   // the grid's rule without MoveRowOnSort
    if (ByClick) W.Press(W.At(C, 0));
    else S->SetColumn(C), S->SetDirection(Desc ? sdDescending : sdAscending), W.G->SortByColumn();
    if (Undo) {   // back to the order before the first sort, known while nothing else changed the shown rows
        W.AnyOrder = true, W.HaveBase = false;
        if (!W.BaseTainted) W.Want = W.UndoBase;
        return;
    }
    for (int Id : W.Visible(true)) W.Loose.insert(Id);
    // The sort takes one format for the column, the one its filled cells agree on (numbers, dates or
    // texts): the order of filled cells is checked when they agree.
    auto Kind = [](const AnsiString& T) {
        return T.empty() ? -1 : NumberKind(T) != 2 ? 0 : std::ranges::count(T, '.') == 2 ? 1 : 2;
    };
    std::set<int> Seen;
    for (int D = 1; D <= W.LastData(); ++D) Seen.insert(Kind(W.G->Cells(C, D)));
    Seen.erase(-1);
    for (int D = 1; D < W.LastData() && Seen.size() == 1; ++D) {
        const AnsiString A = W.G->Cells(C, D), B = W.G->Cells(C, D + 1);
        const int R = A.empty() || B.empty() ? 0 : W.G->CompareCells(C, D, D + 1, Desc);
        Expect(!(Desc ? R < 0 : R > 0), "rows ", D, " and ", D + 1, " out of order: ", CellTextToWide(A), ", ",
               CellTextToWide(B));
    }
}

// Shown rows hidden by HideRows or the filter; one shown again by UnHideRow, or all by
// UnHideRowsAll or the filter switched off.
void HideStep(TWalk& W, int How) {   // 0 HideRows, 1 filter, 2 UnHideRow, 3 all
    std::vector<int> Ids, V = W.Visible();
    const int D = W.PickRow(), Count = 1 + W.Pick(3), TurkCol = IndexIn(W.Cols, cTurk);
    const WStr Word = Words[W.Pick(5)];
    if (How == 0) {
        if (D + Count - 1 > W.LastData() || W.LastData() - Count < 3) throw TSkip();
        for (int I = 0; I < Count; ++I) Ids.push_back(W.RowAt(D + I).Id);
        if (std::ranges::any_of(Ids, [&](int Id) { return W.InNode(Id); })) throw TSkip();
        W.Say(D, "..", D + Count - 1);
        W.G->HideRows(W.G->RealRowIndex(D), W.G->RealRowIndex(D + Count - 1));
    } else if (How == 1) {
        if (W.G->FilterActive() || !W.Nodes.empty() || TurkCol < 0) throw TSkip();
        for (int I : V) if (W.ShownText(W.Rows[I], TurkCol) != Word) Ids.push_back(W.Rows[I].Id);
        if (V.size() < Ids.size() + 2) throw TSkip();
        W.Say("column ", TurkCol, " = ", Word);
        W.G->Filter()->Clear();
        TFilterData* Fd = W.G->Filter()->Add();
        Fd->SetColumn(TurkCol);
        Fd->SetCondition(WideToAnsi(Word));
        W.G->SetFilterActive(true);
    } else {
        for (const TRowM& R : W.Rows) if (R.Hidden) Ids.push_back(R.Id);
        if (How == 2 && Ids.empty()) throw TSkip();
        if (How == 3 && std::ranges::any_of(W.Nodes, &TNodeM::Contracted)) throw TSkip();
        if (How == 2) Ids = {Ids[W.Pick(int(Ids.size()))]}, W.Say("R", Ids[0]), W.G->UnHideRow(W.IndexOf(Ids[0]) + 1);
        else if (!W.G->FilterActive() || W.Pick(2)) W.G->UnHideRowsAll();
        else W.Say("by the filter"), W.G->SetFilterActive(false);
    }
    for (int Id : Ids) W.Row(Id).Hidden = How < 2;
    W.Tainted();
}

// AddNode over free shown rows; ContractNode or ExpandNode, or a click on the node's button.
void NodeStep(TWalk& W, int How) {   // 0 AddNode, 1 by call, 2 by click
    const int D = W.PickRow(), Span = 2 + W.Pick(3), First = D <= W.LastData() ? W.Visible()[D - 1] : 0;
    if (How == 0) {
        if (D + Span - 1 > W.LastData() || First + Span > int(W.Rows.size())) throw TSkip();
        TNodeM Nd{W.Rows[First].Id, {}, false};
        for (int I = First; I < First + Span; ++I)
            if (W.Rows[I].Hidden || W.InNode(W.Rows[I].Id)) throw TSkip();
            else if (I > First) Nd.Members.push_back(W.Rows[I].Id);
        W.Say("R", Nd.Head, " span ", Span);
        W.G->AddNode(First + 1, Span);
        return W.Nodes.push_back(Nd);
    }
    if (W.Nodes.empty()) throw TSkip();
    TNodeM& Nd = W.Nodes[W.Pick(int(W.Nodes.size()))];
    const int Real = W.IndexOf(Nd.Head) + 1, ND = W.G->DisplRowIndex(Real);
    W.Say(Nd.Contracted ? "expand R" : "contract R", Nd.Head);
    if (How == 2) W.G->ScrollInView(1, ND), Settle(), W.Press(W.At(0, ND, 6));
    else if (Nd.Contracted) W.G->ExpandNode(Real);
    else W.G->ContractNode(Real);
    Nd.Contracted = !Nd.Contracted;
    if (How == 2) W.AdoptMarks();
    W.Tainted();
}

// Group then UnGroup, or the same in place: every row comes back (hidden ones first shown, as
// grouping does), its values with it.
void GroupStep(TWalk& W, int InPlace) {
    if (!W.Nodes.empty() || !W.Merges.empty()) throw TSkip();
    const int C = IndexIn(W.Cols, cTurk) > 0 ? IndexIn(W.Cols, cTurk) : W.PickCol();
    W.Say("column ", C);
    if (InPlace) W.G->GroupInPlace(C), W.G->UngroupInPlace(C);
    else W.G->Group(C), W.G->UnGroup(), W.HaveBase = true;   // grouping may sort: an undo's order is unknown
    for (TRowM& R : W.Rows) R.Hidden = false;
    W.Tainted();
    W.AnyOrder = !InPlace;
}

// Two cells of a shown row merged, or a merge split.
void MergeStep(TWalk& W, int Split) {
    const int I = W.Pick(int(W.Merges.size())), D = W.PickRow(), C = W.PickCol(), Id = W.RowAt(D).Id;
    if (Split) {
        const TMergeM Mg = W.Merges.empty() ? TMergeM{-1, 0} : W.Merges[I];
        const int MD = Mg.Row < 0 ? 0 : W.DisplOf(Mg.Row);
        if (MD < 1) throw TSkip();
        W.Say("R", Mg.Row, " column ", Mg.Col);
        W.G->SplitCells(Mg.Col, MD);
        W.G->CalcFooter(-1);   // as a program does after its merges: they leave the footer as it was
        return void(W.Merges.erase(W.Merges.begin() + I));
    }
    if (C + 1 >= W.G->ColCount() ||
        std::ranges::any_of(W.Merges, [&](const TMergeM& Mg) { return Mg.Row == Id && std::abs(Mg.Col - C) <= 1; }))
        throw TSkip();
    W.Say("R", Id, " column ", C);
    W.G->MergeCells(C, D, 2, 1);
    W.G->CalcFooter(-1);
    W.Merges.push_back({Id, C});
}

// A row marked by Ctrl-click, or a cell given a colour.
void MarkStep(TWalk& W, int Colour) {
    const int D = W.PickRow(!Colour), C = W.PickCol(!Colour);
    const TColor Col = TColor(0x100000 * (1 + W.Pick(8)) + 0x30);
    if (!Colour && !WithMarks) throw TSkip();
    W.Say("(", C, ", ", D, ")");
    if (Colour) return W.G->SetColors(C, D, Col), void(W.RowAt(D).Colours[W.Cols[C]] = Col);
    W.Press(W.At(C, D), Qt::ControlModifier);
    W.RowAt(D).Marked = !W.RowAt(D).Marked;
    if (W.Editing()) W.Key(Qt::Key_Escape);   // a click on the current cell opens its editor
}

// A block copied and pasted by keys, in the grid's own format or as text, cut and pasted, or
// saved to a cell stream and loaded elsewhere: the block lands where it was pasted.
void CopyPasteStep(TWalk& W, int How) {   // 0 copy, 1 cut, 2 text copy, 3 stream
    const int Wd = 1 + W.Pick(2), Ht = 1 + W.Pick(3);
    const int C1 = 1 + W.Pick(W.G->ColCount() - Wd), D1 = 1 + W.Pick(W.LastData() - Ht + 1);
    const int C2 = 1 + W.Pick(W.G->ColCount() - Wd), D2 = 1 + W.Pick(W.LastData() - Ht + 1);
    if (std::max(D1, D2) + Ht - 1 > W.LastData()) throw TSkip();
    for (const TMergeM& Mg : W.Merges)   // no merge on the blocks' rows
        if (const int D = W.DisplOf(Mg.Row); (D >= D1 && D < D1 + Ht) || (D >= D2 && D < D2 + Ht))
            throw TSkip();
    W.Say("(", C1, ", ", D1, ") ", Wd, "x", Ht, " to (", C2, ", ", D2, ")");
    std::vector<std::pair<WStr, TColor>> Block;   // row by row
    for (int I = 0; I < Wd * Ht; ++I) {
        TRowM& Src = W.RowAt(D1 + I / Wd);
        const int Id = W.Cols[C1 + I % Wd];
        Block.push_back({Src.Cells[Id], Src.Colours.count(Id) ? Src.Colours[Id] : clNone});
    }
    const TGridRect From{C1, D1, C1 + Wd - 1, D1 + Ht - 1};
    TMemoryStream S;
    if (How == 3) {   // a program's load, like its cell writes, is followed by its own footer recalculation
        W.G->SaveCellsToStream(From, &S);
        S.SetPosition(0);
        W.G->LoadCellsFromStream(TGridCoord{C2, D2}, &S);
        W.G->CalcFooter(-1);
    } else {
        W.Goto();
        W.G->Navigation()->SetAllowFmtClipboard(How != 2);
        W.G->MouseActions()->SetDisjunctRowSelect(false);
        W.G->SetSelection(From);
        W.Key(How == 1 ? Qt::Key_X : Qt::Key_C, {}, Qt::ControlModifier);
        W.G->SetSelection(TGridRect{C2, D2, C2, D2});
        W.Key(Qt::Key_V, {}, Qt::ControlModifier);
        W.G->MouseActions()->SetDisjunctRowSelect(WithMarks);
        W.G->Navigation()->SetAllowFmtClipboard(true);
    }
    for (int Pass = How == 1 ? 0 : 1; Pass < 2; ++Pass)   // a cut empties the source first
        for (int I = 0; I < Wd * Ht; ++I) {
            TRowM& R = W.RowAt((Pass ? D2 : D1) + I / Wd);
            const int Id = W.Cols[(Pass ? C2 : C1) + I % Wd];
            R.Cells[Id] = Pass ? Block[I].first : WStr();
            if (!Pass) R.Colours.erase(Id);   // a paste writes the colours the block has; a text paste none
            else if (How != 2 && Block[I].second != clNone) R.Colours[Id] = Block[I].second;
        }
    W.AdoptMarks();
}

// Marked rows copied as text: each marked shown row's plain text is there, no other row's.
void MarkedCopyStep(TWalk& W, int) {
    const std::vector<int> V = W.Visible();
    if (!WithMarks || IndexIn(W.Cols, cPlain) < 0 || W.LastData() < 2) throw TSkip();
    if (std::ranges::none_of(V, [&](int I) { return W.Rows[I].Marked; })) throw TSkip();
    W.Goto();
    W.G->Navigation()->SetAllowFmtClipboard(false);
    W.Key(Qt::Key_C, {}, Qt::ControlModifier);
    W.G->Navigation()->SetAllowFmtClipboard(true);
    const AnsiString T = Clipboard()->AsText();
    std::map<WStr, int> Count;
    for (TRowM& R : W.Rows)   // in any column: pasted blocks copy texts across columns
        for (const auto& [C, Text] : R.Cells) Count[Text] += IndexIn(W.Cols, C) >= 0;
    for (int I : V) {
        TRowM& R = W.Rows[I];
        const WStr P = R.Cells[cPlain];   // checked when a text of its own, as first written or edited
        const bool Own = P.size() == 4 && Count[P] == 1 && (P[0] == u'p' || P[0] == u'e');
        Expect(!Own || (T.find(WideToAnsi(P)) != T.npos) == R.Marked, "the copy ", R.Marked ? "misses" : "holds", " R", R.Id);
        Expect(!R.Marked || T.find(WideToAnsi(R.Cells[cId])) == T.npos, "the copy holds the fixed column");
    }
}

// The cell text stream read back into another grid gives every cell as shown (a merge's text once,
// at its base cell).
void TextStreamStep(TWalk& W, int) {
    TStringStream S;
    W.G->SaveCellsToStrings(&S);
    S.SetPosition(0);
    W.Scratch->ClearAll();   // the stream writes no empty cell
    W.Scratch->LoadCellsFromStrings(&S);
    Expect(W.Scratch->RowCount() == W.G->RowCount() && W.Scratch->ColCount() == W.G->ColCount(), "size changed");
    for (int R = 0; R < W.G->RowCount(); ++R)
        for (int C = 0; C < W.G->ColCount(); ++C)
            if (const WStr Back = CellTextToWide(W.Scratch->RawCells(C, R)), Was = W.G->IsBaseCell(C, R) ? CellTextToWide(W.G->Cells(C, R)) : WStr(); Back != Was)
                Expect(false, "cell (", C, ", ", R, ") read back as ", Back, ", was ", Was);
}

// One cell of a column of the kind edited with its editor and ended as Ends says, with a new
// value, no change, or a value validation refuses.
void EditStep(TWalk& W, int KindEnd) {
    const int End = KindEnd % 5, D = W.PickRow(), K = 100 + W.Pick(900), Mode = W.Pick(3);
    int C = IndexIn(W.Cols, Kinds[KindEnd / 5].Col);
    if (C < 1) throw TSkip();
    const int Id = W.RowAt(D).Id;
    for (const TMergeM& Mg : W.Merges)
        if (Mg.Row == Id && Mg.Col + 1 == C) C = Mg.Col;   // the merge's base cell is edited
    const int ColId = W.Cols[C], How = ColId != cTurk && ColId != cDate ? Mode : 1;   // new, same, refused
    const WStr New = ColId == cNum ? (How == 2 ? WStr(u"13") : Fmt("%d", 20 + K % 70))
                     : ColId == cUni ? (How == 2 ? u"q\u03A9" : u"\u03A9") + Fmt("%03d", K)
                                     : Fmt(How == 2 ? "q%03d" : "e%03d", K);
    W.Say("(", C, ", ", D, ") ", How == 1 ? "same" : How ? "refused " + Piece(New) : "new " + Piece(New));
    W.Goto(C, D);
    if (How != 1) W.Type(New);
    else if (W.Key(Qt::Key_F2); !W.Editing()) W.Key(Qt::Key_Return);
    Settle();
    if (End == 2) {   // a click on another shown cell
        int D2 = W.PickRow(true), C2 = W.PickCol(true);
        if (D2 == D && C2 == C) D2 = D2 > 1 ? D2 - 1 : D2 + 1;
        W.Press(W.At(C2, D2));
    } else if (End == 3) TurnWheel(W.G->Widget(), W.Pick(2) == 1, Qt::NoModifier, QPointF(W.At(C, D)));
    else W.Key(End == 0 ? Qt::Key_Return : End == 1 ? Qt::Key_Tab : Qt::Key_Escape);
    Settle();
    const bool Open = End == 3 && W.Editing();   // a wheel turn that cannot move the current row leaves the edit open
    if (Open) W.Say("(stays open)");
    for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
    if (W.Editing()) W.G->HideEditor(), Expect(false, "the editor stays open after Escape");
    if (How == 0 && End != 4 && !Open) W.Row(Id).Cells[ColId] = New;
    W.AdoptMarks();
}

struct TOp {
    std::string Name;
    void (*Run)(TWalk&, int);
    int Arg = 0, Weight = 5;
    bool Suite = true;   // in the fixed-seed suite
};

const std::vector<TOp>& Operations() {
    static const std::vector<TOp> Ops = [] {
        std::vector<TOp> O = {
            {"InsertRows", RowsStep, 0},         {"InsertKey", RowsStep, 1},       {"RemoveRowsEx", RowsStep, 2},
            {"DeleteKey", RowsStep, 3},          {"InsertCols", ColumnStep, 0},    {"RemoveCols", ColumnStep, 1},
            {"MoveRow", MoveStep, 0},            {"RowDrag", MoveStep, 1},         {"MoveColumn", MoveStep, 2},
            {"ColumnDrag", MoveStep, 3},         {"SortByColumn", SortStep, 0},    {"HeaderClickSort", SortStep, 1},
            {"HideRows", HideStep, 0},           {"Filter", HideStep, 1},          {"UnHideRow", HideStep, 2},
            {"UnHideAll", HideStep, 3},          {"AddNode", NodeStep, 0},         {"ContractExpand", NodeStep, 1},
            {"NodeClick", NodeStep, 2},          {"GroupUnGroup", GroupStep, 0},          {"GroupInPlace", GroupStep, 1},
            {"MergeCells", MergeStep, 0},        {"SplitCells", MergeStep, 1},     {"CtrlClickMark", MarkStep, 0},
            {"Colour", MarkStep, 1},             {"OwnCopyPaste", CopyPasteStep, 0},  {"CutPaste", CopyPasteStep, 1},
            {"TextCopyPaste", CopyPasteStep, 2}, {"CellStream", CopyPasteStep, 3}, {"MarkedCopy", MarkedCopyStep},
            {"TextStream", TextStreamStep},
        };
        for (int K = 0; K < 6; ++K)
            for (int E = 0; E < 5; ++E) O.push_back({Join("Edit", Kinds[K].Name, Ends[E]), EditStep, K * 5 + E, 1});
        // Off in the suite, while the grid still has these faults, is each operation whose name holds one of:
        static const char* const Off[] = {
            "Filter",                // after it, an edit can land in the cell of an earlier edit or Insert/Delete key
        };
        for (TOp& Op : O) Op.Suite = std::ranges::none_of(Off, [&](const char* F) { return Op.Name.find(F) != Op.Name.npos; });
        return O;
    }();
    return Ops;
}

// --- running, replaying and shrinking --------------------------------------------------------
struct TStep { int Op; unsigned Seed; };
struct TOutcome {   // the step that failed (-1: none), why, and what each step did
    int FailedAt = -1;
    std::string Message;
    std::vector<std::string> Done;
};

// Runs the steps on a fresh grid; when Apart, in a child process that writes a line for each step
// done, then "F message" if one failed, so that a crash or a hang fails the step it was in.
TOutcome Replay(const std::vector<TStep>& Steps) {
    int P[2];
    const pid_t Child = Apart && pipe(P) == 0 ? fork() : -1;
    TOutcome Out;
    if (Child > 0) {
        close(P[1]);
        std::string All;
        char Buf[4096];
        for (ssize_t Got; (Got = read(P[0], Buf, sizeof Buf)) > 0;) All.append(Buf, size_t(Got));
        close(P[0]);
        int Status = 0;
        waitpid(Child, &Status, 0);
        for (size_t At = 0, End; (End = All.find('\n', At)) != All.npos; At = End + 1)
            if (All.compare(At, 2, "F ") != 0) Out.Done.push_back(All.substr(At, End - At));
            else Out.FailedAt = std::max(0, int(Out.Done.size()) - 1), Out.Message = All.substr(At + 2, End - At - 2);
        if (WIFEXITED(Status) && WEXITSTATUS(Status) == 0) return Out;
        Out.FailedAt = std::min(int(Out.Done.size()), int(Steps.size()) - 1);
        Out.Done.resize(size_t(Out.FailedAt + 1), Operations()[Steps[Out.FailedAt].Op].Name);
        Out.Message = Join(Out.Done.back(), ": crashed or hung (signal ", WIFSIGNALED(Status) ? WTERMSIG(Status) : 0, ")");
        return Out;
    }
    auto Put = [&](std::string L) {   // one line to the parent
        std::ranges::replace(L, '\n', '|'), std::ranges::replace(L, '\r', ' ');
        if (Child == 0 && write(P[1], (L + "\n").data(), L.size() + 1) < 0) _exit(2);
        return L;
    };
    if (Child == 0) alarm(20);   // a walk takes well under a second: one waiting longer (a modal box) has hung
    TWalk W;
    for (int I = -1; I < int(Steps.size()) && Out.FailedAt < 0; ++I) {   // -1: the grid as set up
        const TOp* Op = I < 0 ? nullptr : &Operations()[Steps[I].Op];
        const std::string Name = Op ? Op->Name : "at the start";
        bool Skipped = false;
        W.Rng.seed(I < 0 ? 0 : Steps[I].Seed);
        W.Log.clear();
        try {
            try {
                if (Op) Op->Run(W, Op->Arg);
            } catch (const TSkip&) {
                Skipped = true;
            }
            Settle();
            W.Check();
        } catch (const TBroken& B) {
            Out.FailedAt = std::max(I, 0), Out.Message = Name + ": " + B.Why;
        } catch (const std::exception& X) {
            Out.FailedAt = std::max(I, 0), Out.Message = Name + ": raised: " + X.what();
        }
        if (Op) Out.Done.push_back(Put(Name + " " + W.Log + (Skipped ? " (skipped)" : "")));
    }
    if (Out.FailedAt >= 0) Out.Message = Put("F " + Out.Message).substr(2);
    if (Child == 0) _exit(0);
    return Out;
}

// Walks Length steps from Seed over the operations switched on; the report of a failure, with the
// shortest sequence found by dropping each step the failure does not need.
std::string Walk(unsigned Seed, int Length, bool Suite) {
    const std::vector<TOp>& Ops = Operations();
    const char* Only = Suite ? nullptr : std::getenv("GRID_SEQUENCES_ONLY");
    const char* Marks = std::getenv("GRID_SEQUENCES_MARKS");
    WithMarks = Suite || !(Marks && std::atoi(Marks) == 0);
    Apart = !Suite && !std::getenv("GRID_SEQUENCES_INPROCESS");
    std::vector<int> On;
    for (int I = 0; I < int(Ops.size()); ++I)
        if (Only ? Join(",", Only, ",").find("," + Ops[I].Name + ",") != std::string::npos : !Suite || Ops[I].Suite)
            On.insert(On.end(), size_t(Ops[I].Weight), I);
    std::mt19937 Rng(Seed);
    std::vector<TStep> Steps;
    for (int I = 0; I < Length; ++I) Steps.push_back({On[Rng() % On.size()], unsigned(Rng())});
    const TOutcome O = Replay(Steps);
    if (O.FailedAt < 0) return "";
    Steps.resize(size_t(O.FailedAt + 1));
    for (int Budget = Suite ? 60 : 300, Dropped = 1; Dropped && Budget > 0;) {
        Dropped = 0;
        for (int I = int(Steps.size()) - 2; I >= 0 && Budget > 0; --I, --Budget) {
            std::vector<TStep> Fewer = Steps;
            Fewer.erase(Fewer.begin() + I);
            if (const TOutcome F = Replay(Fewer); F.FailedAt >= 0)
                Steps.assign(Fewer.begin(), Fewer.begin() + F.FailedAt + 1), Dropped = 1;
        }
    }
    const TOutcome S = Replay(Steps);
    std::string R = Join("seed ", Seed, ": ", O.Message, "\nshortest sequence (", Steps.size(), " steps): ",
                         S.FailedAt >= 0 ? S.Message : "(no longer fails alone)", "\n");
    for (const std::string& D : S.Done) R += "  " + D + "\n";
    return R;
}

}  // namespace

TEST(GridSequences, FixedSeedsHoldEveryInvariant) {
    for (unsigned Seed = 1; Seed <= 10; ++Seed)
        if (const std::string Report = Walk(Seed, 40, true); !Report.empty()) ADD_FAILURE() << Report;
}

TEST(GridSequences, RandomSeedsForAsLongAsAsked) {
    const char* Env = std::getenv("GRID_SEQUENCES_SECONDS");
    if (!Env) GTEST_SKIP() << "GRID_SEQUENCES_SECONDS not set";
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(Env));
    const char* One = std::getenv("GRID_SEQUENCES_SEED");
    std::random_device Dev;
    int Walks = 0, Failed = 0;
    for (; std::chrono::steady_clock::now() < Until && !(One && Walks > 0); ++Walks) {
        const std::string Report = Walk(One ? unsigned(std::strtoul(One, nullptr, 10)) : Dev(), 60, false);
        if (!Report.empty()) {
            ++Failed;
            ADD_FAILURE() << Report;
        }
    }
    std::printf("%d walks, %d failed\n", Walks, Failed);
}
