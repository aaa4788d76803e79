// Random walks over one grid: each step applies an operation through the grid's calls or the user's keys,
// mouse and wheel, and a plain model beside the grid predicts what the grid must hold afterwards (rows and
// their order, cells, colours, check boxes, marks, merges, nodes, sizes, the footer's total). A failure prints
// its seed and the shortest sequence found that still fails the same way. GRID_SEQUENCES_SECONDS=N walks
// random seeds for N seconds with every operation on, each walk in a fresh run of this program (a crash or
// hang fails its step), GRID_SEQUENCES_SEEDS=F,N walks the seeds F to F+N-1 (several runs of this program with
// ranges of their own walk in parallel); GRID_SEQUENCES_SEED=S replays one walk, GRID_SEQUENCES_ONLY=Op,Op walks those
// operations only (-Op,-Op all but those), GRID_SEQUENCES_MARKS=0 leaves the row marks out,
// GRID_SEQUENCES_INPROCESS=1 keeps walks in this process.
#include "grid/ExtGrid.h"
#include "grid/ExtGridEditors.h"
#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/SpeedButton.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"
#include "support/SourceEvents.h"
#include "support/TempFolder.h"
#include "support/WalkApart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <regex>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

using namespace uitest;

namespace {

using WStr = WideString;
// Column identities, by the texts each kind holds; inserted columns get ids from cFirstNew on.
enum : int { cId, cPlain, cTurk, cLines, cUni, cNum, cDate, cFirstNew };
// The editors the walk edits cells with, by column (the first of a column opens on it outside edit steps);
// Typed: a new value can be typed in; EnterBreaks: Enter starts a new line; KeysEnd: keys end the edit (the
// rich edit ends only by a click elsewhere).
struct TKind { int Col; const char* Name; TEditorType Editor; bool Typed = true, EnterBreaks = false, KeysEnd = true; };
const TKind Kinds[] = {{cPlain, "Text", edNormal},         {cLines, "MultiLine", edNormal}, {cTurk, "ComboList", edComboList, false},
                       {cUni, "Unicode", edUniEdit},       {cNum, "Spin", edSpinEdit},      {cDate, "Date", edDateEdit, false},
                       {cTurk, "ComboEdit", edComboEdit},  {cNum, "Numeric", edNumeric},    {cUni, "UniMemo", edUniMemo, true, true},
                       {cUni, "UniCombo", edUniComboEdit}, {cPlain, "EditBtn", edEditBtn},  {cNum, "FloatSpin", edFloatSpinEdit},
                       {cPlain, "CustomLink", edCustom},   {cDate, "TimeSpin", edTimeSpinEdit, false}, {cPlain, "RichEdit", edRichEdit, false, false, false}};

// The program's own editor for edCustom cells: a plain edit.
class TWalkLink : public TEditLink {
public:
    explicit TWalkLink(TComponent* AOwner) : TEditLink(AOwner) {}
    TEdit* Edit = nullptr;
    TWinControl* GetEditControl() override { return Edit; }
    void CreateEditor(TWinControl* AParent) override {
        if (!Edit) Edit = new TEdit(this);
        Edit->SetParent(AParent);
    }
    void DestroyEditor() override {
        delete Edit;
        Edit = nullptr;
    }
    void GetEditorValue(AnsiString& S) override { S = Edit->Text(); }
    void SetEditorValue(const AnsiString& S) override { Edit->SetText(S); }
};
const char* const Ends[] = {"Enter", "Tab", "Click", "Wheel", "Escape"};   // how an edit ends
const char16_t* const Words[] = {u"\u00C7a\u011Fr\u0131", u"\u015Ei\u015Fli", u"\u0130\u011Fne", u"\u0131l\u0131k",
                                 u"\u00D6\u011F\u00FCn"};
// Letters another program offers, most of them outside code page 1254.
const char16_t* const Foreign[] = {u"\u0416\u0438\u0442", u"\u03A9\u03BC\u03B5\u03B3", u"\u4E2D\u6587", u"\u015Eek\u0101"};
constexpr int DataRows = 40;
bool WithMarks = true;   // row marks (Ctrl-click) take part
bool Apart = false;      // each walk runs in a fresh process
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
// The text as the grid stores it: code page 1254 where its letters fit, else the Unicode cell form.
AnsiString Stored(const WStr& T) {
    const AnsiString A = WideToAnsi(T);
    return CellTextToWide(A) == T ? A : WideToCellText(T);
}
// The index of X in V (by Proj), or -1.
template <class V, class T, class P = std::identity> int IndexIn(const V& Vec, const T& X, P Proj = {}) {
    auto I = std::ranges::find(Vec, X, Proj);
    return I == Vec.end() ? -1 : int(I - Vec.begin());
}

// How a sort orders a column's cells: numbers by value, dates by day, anything else by its stored bytes;
// a column takes the kind all its filled cells agree on (texts when they differ), an empty cell first.
struct TSortKey {
    int Kind;   // 0 number, 1 date, 2 text, 3 check box (checked after unchecked), -1 empty
    double Num = 0;
    AnsiString Bytes;
};
TSortKey KeyOf(const WStr& T) {
    const AnsiString S = Stored(T);
    auto Digit = [&](size_t I) { return I < S.size() && S[I] >= '0' && S[I] <= '9'; };
    if (S.empty()) return {-1, 0, S};
    if (S.find_first_not_of("0123456789") == S.npos) return {0, std::atof(S.c_str()), S};
    for (size_t I : {size_t(1), size_t(2)})
        if (I + 1 < S.size() && S[I] == '.' && Digit(I - 1) && Digit(I + 1)) {
            int D = 0, M = 0, Y = 0;
            const bool Ok = std::sscanf(S.c_str(), "%d.%d.%d", &D, &M, &Y) == 3;
            return {1, Ok ? Y * 10000.0 + M * 100 + D : 0, S};
        }
    return {2, 0, S};
}
int CompareKeys(const TSortKey& A, const TSortKey& B, int Kind) {
    if (Kind == 2) return A.Bytes < B.Bytes ? -1 : B.Bytes < A.Bytes;
    return A.Num < B.Num ? -1 : B.Num < A.Num;
}

struct TRowM {
    int Id;
    std::map<int, WStr> Cells;   // by column id; missing = empty
    std::map<int, TColor> Colours;
    bool Hidden = false, Marked = false;   // hidden by HideRows or the filter
    bool Filtered = false;                  // hidden by the filter as it went on, and not shown by name since
    int Height = 0;                         // 0: the default
    std::map<int, bool> Checks;             // check boxes by column id: checked
    std::map<int, int> Radios;              // radio groups (items "A", "B", one under the other) by column id: the chosen
    std::map<int, TControl*> Ctls;          // cell controls by column id
    explicit TRowM(int AId) : Id(AId) { Cells[cId] = InitialText(cId, Id); }
};
struct TNodeM { int Head; std::vector<int> Members; bool Contracted; };   // members: the rows under the head
struct TMergeM { int Col, Wd; std::vector<int> Ids; };   // Wd columns from Col over the rows Ids (base first)

// What the grid must hold: rows in real order (hidden ones included), columns by position.
struct TModel {
    std::vector<int> Cols;
    std::vector<TRowM> Rows;
    std::vector<TNodeM> Nodes;
    std::vector<TMergeM> Merges;
    std::map<int, int> Widths;   // by column id, where sized
    int NextRow = 0, NextCol = cFirstNew, SumCol = cNum;   // SumCol: the column the footer totals (-1 none)
    std::vector<int> UndoBase;   // the shown order the sort undo goes back to: the one before the first sort
    bool HaveBase = false, BaseTainted = false;
    std::map<int, int> Ties;     // set by a sort: rows of equal keys (same value) may come in any order
    std::vector<bool> MarksAt;   // set by a sort: the marks it leaves on the real rows (the rows move, the marks stay)

    int IndexOf(int Id) const { return IndexIn(Rows, Id, &TRowM::Id); }
    TRowM& Row(int Id) { return Rows[IndexOf(Id)]; }
    WStr Text(const TRowM& R, int ACol) const { return R.Cells.contains(Cols[ACol]) ? R.Cells.at(Cols[ACol]) : WStr(); }
    const TMergeM* MergeAt(int Id, int ACol) const {   // the merge covering the cell
        for (const TMergeM& Mg : Merges)
            if (ACol >= Mg.Col && ACol < Mg.Col + Mg.Wd && IndexIn(Mg.Ids, Id) >= 0) return &Mg;
        return nullptr;
    }
    bool Covered(int Id, int ACol) const {   // under a merge, not its base
        const TMergeM* Mg = MergeAt(Id, ACol);
        return Mg && (Mg->Col != ACol || Mg->Ids[0] != Id);
    }
    bool HasCheck(int Id, int ACol) const {   // a check box or a radio group
        const TRowM& R = Rows[IndexOf(Id)];
        return R.Checks.contains(Cols[ACol]) || R.Radios.contains(Cols[ACol]) || R.Ctls.contains(Cols[ACol]);
    }
    // A step that would write text into a check-box cell (which takes the text as its state) does not apply.
    void NoChecks(int C, int D, int Wd, int Ht) {
        for (int R = D; R < D + Ht; ++R)
            for (int K = C; K < C + Wd && K < int(Cols.size()); ++K)
                if (HasCheck(RowAt(R).Id, K)) throw TSkip();
    }
    bool HoldsFormControl(const TRowM& R, int ACol) const { return Text(R, ACol).find(u"<CONTROL") != WStr::npos; }   // no editor opens over one
    bool InMerge(int Id) const { return std::ranges::any_of(Merges, [&](const TMergeM& Mg) { return IndexIn(Mg.Ids, Id) >= 0; }); }
    // What the cell shows (what sorts and the filter read): under a merge, the merge's text.
    WStr ShownText(const TRowM& R, int ACol) const {
        const TMergeM* Mg = MergeAt(R.Id, ACol);
        return Mg ? Text(Rows[IndexOf(Mg->Ids[0])], Mg->Col) : Text(R, ACol);
    }
    const TNodeM* NodeOf(int Id, bool AsHead) const {   // the node the row heads, or is a member of
        for (const TNodeM& Nd : Nodes) if (AsHead ? Nd.Head == Id : IndexIn(Nd.Members, Id) >= 0) return &Nd;
        return nullptr;
    }
    bool InNode(int Id) const { return NodeOf(Id, true) || NodeOf(Id, false); }
    // A hidden row a node or ExpandAll brings back shows, but one the filter (when on) does not let through.
    void ShowAgain(TRowM& R, bool FilterOn) const {
        R.Hidden = R.Hidden && FilterOn && R.Filtered;
    }
    void ShowMembers(const TNodeM& Nd, bool FilterOn) {
        for (int M : Nd.Members) ShowAgain(Row(M), FilterOn);
    }
    // A merge cut by hidden rows shows over its shown rows, from the first of them.
    int ShownCount(const TMergeM& Mg) const { return int(std::ranges::count_if(Mg.Ids, [&](int Id) { return IsShown(Rows[IndexOf(Id)]); })); }
    bool ShowsMerge(int Id, int ACol) const {   // the cell the merge shows from
        const TMergeM* Mg = MergeAt(Id, ACol);
        return Mg && Mg->Col == ACol && *std::ranges::find_if(Mg->Ids, [&](int I) { return IsShown(Rows[IndexOf(I)]); }) == Id;
    }
    bool IsShown(const TRowM& R) const { return !R.Hidden && !(NodeOf(R.Id, false) && NodeOf(R.Id, false)->Contracted); }
    std::vector<int> Visible(bool Ids = false) const {   // indexes into Rows (or their ids), in display order
        std::vector<int> V;
        for (int I = 0; I < int(Rows.size()); ++I) if (IsShown(Rows[I])) V.push_back(Ids ? Rows[I].Id : I);
        return V;
    }
    TRowM& RowAt(int Displ) {   // a step that finds no such row does not apply
        const std::vector<int> V = Visible();
        if (Displ < 1 || Displ > int(V.size())) throw TSkip();
        return Rows[V[Displ - 1]];
    }
    int DisplOf(int Id) const { return IndexIn(Visible(true), Id) + 1; }   // 0 while not shown
    void Tainted() { BaseTainted = BaseTainted || HaveBase; }
    // Every merge still on shown rows that follow each other (a row moved, inserted or removed inside one splits it).
    bool MergesHold() const {
        const std::vector<int> V = Visible(true);
        return std::ranges::all_of(Merges, [&](const TMergeM& Mg) {
            const int At = IndexIn(V, Mg.Ids[0]);
            for (int I = 0; I < int(Mg.Ids.size()); ++I)
                if (At < 0 || At + I >= int(V.size()) || V[At + I] != Mg.Ids[I]) return false;
            return true;
        });
    }
    void SplitTorn() {
        const std::vector<int> V = Visible(true);
        std::erase_if(Merges, [&](const TMergeM& Mg) {
            const int At = IndexIn(V, Mg.Ids[0]);
            for (int I = 0; I < int(Mg.Ids.size()); ++I)
                if (At < 0 || At + I >= int(V.size()) || V[At + I] != Mg.Ids[I]) return true;
            return false;
        });
    }
    // The row Id taken out and put back at display row D of the rows left (past them: last), after the
    // hidden rows just above that place.
    void MoveTo(int Id, int D) {
        TRowM R = Rows[IndexOf(Id)];
        Rows.erase(Rows.begin() + IndexOf(Id));
        const std::vector<int> V = Visible();
        Rows.insert(D - 1 < int(V.size()) ? Rows.begin() + V[D - 1] : Rows.end(), R);
    }
    // The shown rows among Slots (indexes into Rows, ascending) sorted by the columns Keys (position,
    // descending), each column by its own kind; vertically merged rows move as one block, compared by its
    // first row. Hidden rows keep their places; with MarksStay the marks stay on the places too.
    void SortRows(const std::vector<int>& Slots, const std::vector<std::pair<int, bool>>& Keys, bool MarksStay) {
        std::vector<std::vector<int>> Blocks;   // ids
        for (int I : Slots) {
            const int Id = Rows[I].Id;
            const auto Mg = std::ranges::find_if(Merges, [&](const TMergeM& M) { return IndexIn(M.Ids, Id) > 0; });
            if (Mg != Merges.end() && !Blocks.empty() && IndexIn(Blocks.back(), Mg->Ids[0]) >= 0) Blocks.back().push_back(Id);
            else Blocks.push_back({Id});
        }
        std::vector<std::vector<TSortKey>> K(Blocks.size());
        std::vector<int> KindOf;
        for (const auto& [C, Desc] : Keys) {
            int Kind = -1;
            for (size_t B = 0; B < Blocks.size(); ++B) {
                const TRowM& First = Row(Blocks[B][0]);
                K[B].push_back(KeyOf(ShownText(First, C)));
                if (First.Checks.contains(Cols[C])) K[B].back().Kind = 3, K[B].back().Num = First.Checks.at(Cols[C]);
                const int Ki = K[B].back().Kind;
                Kind = Ki < 0 ? Kind : Kind < 0 || Kind == Ki ? Ki : 2;
            }
            KindOf.push_back(Kind < 0 ? 2 : Kind);
        }
        auto Cmp = [&](size_t A, size_t B) {
            for (size_t I = 0; I < Keys.size(); ++I)
                if (const int R = CompareKeys(K[A][I], K[B][I], KindOf[I])) return Keys[I].second ? -R : R;
            return 0;
        };
        std::vector<size_t> Order(Blocks.size());
        std::iota(Order.begin(), Order.end(), size_t(0));
        std::ranges::stable_sort(Order, [&](size_t A, size_t B) { return Cmp(A, B) < 0; });
        if (MarksStay && MarksAt.empty()) for (const TRowM& R : Rows) MarksAt.push_back(R.Marked);
        std::vector<TRowM> Sorted;
        int Tie = int(Ties.size());
        for (size_t I = 0; I < Order.size(); ++I) {
            Tie += I == 0 || Cmp(Order[I - 1], Order[I]) != 0;
            for (int Id : Blocks[Order[I]]) Sorted.push_back(Row(Id)), Ties[Id] = Tie;
        }
        for (size_t I = 0; I < Slots.size(); ++I) Rows[Slots[I]] = Sorted[I];
    }
    std::vector<std::pair<int, bool>> ColumnKeys(int C, bool Desc) const {   // the column, then those after it break ties
        std::vector<std::pair<int, bool>> Keys;
        for (int K = C; K < int(Cols.size()); ++K) Keys.push_back({K, Desc});
        return Keys;
    }
};

// One walk's grid beside its model, with what the operations share.
struct TWalk : TModel {
    TGridOnForm<TExtStringGrid> F{7, DataRows + 2, 640, 420, 1200, 480};
    TExtStringGrid* G = F.Grid;
    TExtStringGrid* Other = Place<TExtStringGrid>(F.Form.get(), 660, 0, 520, 300);   // drops and assignments land here
    TExtStringGrid* Scratch = Place<TExtStringGrid>(F.Form.get(), 0, 430, 10, 10);   // reads the text stream back
    std::mt19937 Rng;
    std::string Log;   // what the current step did, for the printed sequence
    std::function<Integer(const TDataObject&, Integer)> Carry;   // where a drag the grid starts goes
    TEditorType Editor = edNone;   // the editor an edit step opens (edNone: the column's first)
    bool HighlightDown = false;    // the search footer's highlight button

    TWalk() {
        G->SetDefaultColWidth(72);
        F.Options({goEditing, goTabs, goRowMoving, goColMoving, goRangeSelect, goRowSizing, goColSizing});
        Cols = {cId, cPlain, cTurk, cLines, cUni, cNum, cDate};
        for (int D = 1; D <= DataRows; ++D) {
            TRowM& R = Rows.emplace_back(NextRow++);
            for (int C = 1; C < 7; ++C) R.Cells[C] = InitialText(C, R.Id);
        }
        G->SetFloatFormat("%.0f");
        G->FloatingFooter()->SetVisible(true);
        G->SetFooterCalcKind(cNum, 1);
        Relabel(true);
        G->CalcFooter(-1);   // as a program does after writing its cells; the grid's own changes recalculate it
        G->MouseActions()->SetDisjunctRowSelect(WithMarks);
        G->MouseActions()->SetSelectOnRightClick(true);
        for (auto Allow : {&TNavigation::SetAllowInsertRow, &TNavigation::SetAllowDeleteRow,
                           &TNavigation::SetAllowClipboardShortCuts, &TNavigation::SetAllowFmtClipboard})
            (G->Navigation()->*Allow)(true);
        G->SetSpreadsheetClipboard(true);
        G->SortSettings()->SetShow(true);
        G->SortSettings()->SetUndoSort(true);
        for (const char16_t* Wd : Words) G->Combobox()->Items()->Add(WideToAnsi(Wd));
        G->OnGetEditorType = [this](TObject*, Integer ACol, Integer, TEditorType& E) {
            E = Editor;
            for (const TKind& K : Kinds)
                if (Editor == edNone && ACol < int(Cols.size()) && Cols[ACol] == K.Col) return void(E = K.Editor);
            if (E == edNone) E = edNormal;
        };
        // A value holding 'q', or the number 13, is refused, on Unicode cells too.
        G->OnCellValidate = [](TObject*, Integer, Integer, AnsiString& V, bool& Ok) { Ok = V.find('q') == V.npos && V != "13"; };
        G->OnCellValidateWide = [](TObject*, Integer, Integer, WideString& V, bool& Ok) { Ok = V.find(u'q') == V.npos && V != u"13"; };
        G->SetMultilinecells(true);
        G->SetEditLink(new TWalkLink(F.Form.get()));
        G->SetCheckTrue("Y"), G->SetCheckFalse("N");   // what an empty check-box cell saves as
        Scratch->SetMultilinecells(true);
        Other->SetMultilinecells(true);
        SetDragHandler([this](TControl*, const TDataObject& Data, Integer Allowed) { return Carry ? Carry(Data, Allowed) : DROPEFFECT_NONE; });
        F.ShowFocused();
    }
    ~TWalk() { SetDragHandler(nullptr); }

    // The labels a program keeps in its grid, written again after a clear: headers, row ids and the
    // footer's; all cells too at the start.
    void Relabel(bool All = false) {
        for (int C = 0; C < int(Cols.size()); ++C) G->SetCells(C, 0, WideToAnsi(HeaderOf(Cols[C])));
        const std::vector<int> V = Visible();
        for (int D = 1; D <= int(V.size()); ++D)
            for (int C = 0; C < (All ? int(Cols.size()) : 1); ++C) G->SetCells(C, D, Stored(Text(Rows[V[D - 1]], C)));
        G->SetCells(0, G->RowCount() - 1, "Toplam");
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
    // Half the time, while there are merges, a row at or just below one (where a slip would tear it).
    int NearMerge(int D) {
        if (Merges.empty() || Pick(2)) return D;
        const TMergeM& Mg = Merges[Pick(int(Merges.size()))];
        return std::clamp(DisplOf(Mg.Ids[0]) + Pick(int(Mg.Ids.size()) + 1), 1, LastData());
    }
    int PickCol(bool InView = false) {
        const int Left = std::max(1, G->LeftCol()), Last = G->ColCount() - 1;
        return InView ? PickIn(Left, std::min(Last, G->LeftCol() + G->VisibleColCount() - 1)) : PickIn(1, Last);
    }
    bool Editing() const { return G->EditorMode() || G->ActiveEditorControl() || G->FormControlOpen(); }
    QPoint At(int ACol, int ARow, int Dx = -1) const {   // the cell's middle, or Dx from its left edge
        const QPoint M = Middle(G->CellRect(ACol, ARow));
        return Dx < 0 ? M : QPoint(G->CellRect(ACol, ARow).Left + Dx, M.y());
    }
    void Press(QPoint P, Qt::KeyboardModifiers Mods = Qt::NoModifier, Qt::MouseButton B = Qt::LeftButton) {
        F.Mouse(QEvent::MouseButtonPress, P, B, B, Mods);
        F.Mouse(QEvent::MouseButtonRelease, P, B, Qt::NoButton, Mods);
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
    // A plain click or a navigation key leaves one mark, on the row it lands on.
    void MarkOnly(int D) {
        for (TRowM& R : Rows) R.Marked = false;
        if (D >= 1 && D <= LastData()) RowAt(D).Marked = true;
    }
    // New rows at display row D (past the data: before the footer), holding their ids; rows
    // landing among a node's members join the node, a merge they land inside splits.
    void ModelInsert(int D, int Count, bool Label = true) {
        const std::vector<int> V = Visible();
        const int At = D - 1 < int(V.size()) ? V[D - 1] : int(Rows.size());
        const int Before = At < int(Rows.size()) ? Rows[At].Id : -1;
        for (int I = 0; I < Count; ++I) {
            const TRowM& R = *Rows.emplace(Rows.begin() + At + I, NextRow++);
            for (TNodeM& Nd : Nodes)
                if (auto P = std::ranges::find(Nd.Members, Before); P != Nd.Members.end()) Nd.Members.insert(P, R.Id);
            if (Label) G->SetCells(0, D + I, WideToAnsi(R.Cells.at(cId)));
        }
        SplitTorn();
        Tainted();
    }
    void ModelRemove(int Id) {
        for (TNodeM& Nd : Nodes) std::erase(Nd.Members, Id);
        std::erase_if(Merges, [&](const TMergeM& Mg) { return IndexIn(Mg.Ids, Id) >= 0; });
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
        // The grid's real order is the model's, but for rows of equal sort keys, whose order the model then takes.
        std::vector<int> Order;
        for (int R = 1; R < G->AllRowCount() - 1; ++R) {
            const AnsiString T = G->AllCells(0, R);
            const int Id = T.size() == 4 && T[0] == 'R' ? std::atoi(T.c_str() + 1) : -1;
            Expect(IndexOf(Id) >= 0 && IndexIn(Order, Id) < 0, "real row ", R, " holds ", T);
            Order.push_back(Id);
            const int Was = Rows[R - 1].Id;
            Expect(Id == Was || (Ties.contains(Id) && Ties.contains(Was) && Ties[Id] == Ties[Was]), "real row ", R,
                   " is R", Id, ", model R", Was);
        }
        std::vector<TRowM> Now;
        for (int Id : Order) Now.push_back(Row(Id));
        Rows = Now;
        for (size_t I = 0; I < MarksAt.size(); ++I) Rows[I].Marked = MarksAt[I];
        MarksAt.clear(), Ties.clear();
        const std::vector<int> V = Visible();
        const int Footer = G->RowCount() - 1, SumAt = IndexIn(Cols, SumCol);
        Expect(G->ColCount() == int(Cols.size()), "column count ", G->ColCount(), ", model ", Cols.size());
        Expect(G->RowCount() == int(V.size()) + 2, "row count ", G->RowCount(), ", model ", V.size() + 2);
        for (int C = 0; C < G->ColCount(); ++C) {
            Expect(CellTextToWide(G->RawCells(C, 0)) == HeaderOf(Cols[C]), "header of column ", C, " is ", G->RawCells(C, 0));
            const int Wd = Widths.contains(Cols[C]) ? Widths[Cols[C]] : 72;
            Expect(G->ColWidths(C) == Wd, "column ", C, " is ", G->ColWidths(C), " wide, model ", Wd);
        }
        Expect(G->RawCells(0, Footer) == "Toplam", "the footer row lost its label");
        int Marked = 0;
        for (int I = 0; I < int(Rows.size()); ++I) {
            const TRowM& R = Rows[I];
            Marked += R.Marked;
            Expect(G->IsHiddenRow(I + 1) != IsShown(R), "R", R.Id, IsShown(R) ? " hidden" : " shown");
            for (int C = 0; C < G->ColCount(); ++C)
                if (const WStr T = GridText(C, I + 1); T != Text(R, C))
                    Expect(false, "cell (", C, ", real ", I + 1, ") of R", R.Id, " is ", T, ", model ", Text(R, C));
        }
        Expect(!WithMarks || G->RowSelectCount() == Marked, "marked rows ", G->RowSelectCount(), ", model ", Marked);
        double Sum = 0;
        for (int D = 1; D <= int(V.size()); ++D) {
            const TRowM& R = Rows[V[D - 1]];
            const TNodeM* Nd = NodeOf(R.Id, true);
            Expect(G->RealRowIndex(D) == V[D - 1] + 1, "display row ", D, " is not R", R.Id);
            const int Ht = R.Height ? R.Height : G->DefaultRowHeight();
            Expect(G->RowHeights(D) == Ht, "R", R.Id, " is ", G->RowHeights(D), " high, model ", Ht);
            Expect(!WithMarks || G->RowSelected(D) == R.Marked, "R", R.Id, R.Marked ? " lost its mark" : " marked");
            for (int C = 1; C < G->ColCount(); ++C) {
                bool On = false;
                const bool Box = G->GetCheckBoxState(C, D, On), Model = R.Checks.contains(Cols[C]);
                Expect(Box == Model && (!Box || On == R.Checks.at(Cols[C])), "check box of (", C, ", ", D, ") is ",
                       Box ? (On ? "checked" : "unchecked") : "not there", ", model ",
                       Model ? (R.Checks.at(Cols[C]) ? "checked" : "unchecked") : "none");
                TControl* Ctl = R.Ctls.contains(Cols[C]) ? R.Ctls.at(Cols[C]) : nullptr;
                Expect(G->CellControl(C, D) == Ctl, "cell control of (", C, ", ", D, ") is not the model's");
                // A cell holding a control has a rectangle also out of view: only cells in view carry theirs.
                const TRect Rc = G->CellRect(C, D);
                // A cell scrolled under the fixed row or column is out of view too.
                const TRect Fixed = G->CellRect(0, 0);
                const bool InView = !Rc.IsEmpty() && Rc.Top >= Fixed.Bottom && Rc.Left >= Fixed.Right &&
                                    Rc.Top < G->ClientHeight() && Rc.Left < G->ClientWidth();
                Expect(!Ctl || !InView || (Ctl->Visible() && Ctl->Left() == Rc.Left && Ctl->Top() == Rc.Top),
                       "the control of (", C, ", ", D, ") is not on its cell (at ", Ctl ? Ctl->Left() : 0, ", ", Ctl ? Ctl->Top() : 0,
                       Ctl && Ctl->Visible() ? "" : " hidden", "; the cell at ", Rc.Left, ", ", Rc.Top, ")");
                Integer Item = -1;
                const bool Radio = G->GetRadioIndex(C, D, Item);
                Expect(Radio == R.Radios.contains(Cols[C]) && (!Radio || Item == R.Radios.at(Cols[C])), "radio group of (", C,
                       ", ", D, ") is ", Radio ? Item : -2, ", model ", R.Radios.contains(Cols[C]) ? R.Radios.at(Cols[C]) : -2);
                const TColor Want = R.Colours.contains(Cols[C]) ? R.Colours.at(Cols[C]) : clNone;
                Expect(G->Colors(C, D) == Want, "colour of (", C, ", ", D, ")");
                const TMergeM* Mg = MergeAt(R.Id, C);
                const bool Base = Mg && ShowsMerge(R.Id, C);
                const TPoint Span = Base ? Point(Mg->Wd - 1, ShownCount(*Mg) - 1) : Point(0, 0);
                Expect(G->IsBaseCell(C, D) == (!Mg || Base) && (!G->IsBaseCell(C, D) || G->CellSpan(C, D) == Span),
                       "merge at (", C, ", ", D, ") is ", G->CellSpan(C, D).X + 1, "x", G->CellSpan(C, D).Y + 1, ", model ",
                       Span.X + 1, "x", Span.Y + 1, Base || !Mg ? "" : " (covered)");
                // No covered text is ever shown or read: a merged cell reads the merge's text.
                Expect(!Mg || CellTextToWide(G->Cells(C, D)) == ShownText(R, C), "merged cell (", C, ", ", D, ") reads ",
                       CellTextToWide(G->Cells(C, D)), ", the merge holds ", Mg ? ShownText(R, C) : WStr());
            }
            Expect(G->IsNode(D) == (Nd != nullptr), "R", R.Id, Nd ? " lost its node" : " has a node");
            Expect(!Nd || (G->GetNodeSpan(D) == int(Nd->Members.size()) + 1 && G->GetNodeState(D) == Nd->Contracted),
                   "node of R", R.Id, " has span ", Nd ? G->GetNodeSpan(D) : 0, ", model ", Nd ? Nd->Members.size() + 1 : 0);
            // A merged block counts once, from the cell it shows from; no covered text counts.
            const TMergeM* Ms = SumAt < 0 ? nullptr : MergeAt(R.Id, SumAt);
            const AnsiString T = SumAt < 0 || (Ms && !ShowsMerge(R.Id, SumAt)) ? "" : WideToAnsi(ShownText(R, SumAt));
            if (NumberKind(T) != 2) Sum += std::atof(T.c_str());
        }
        for (int C = 1; C < G->ColCount(); ++C) {
            const AnsiString T = G->Cells(C, Footer);
            if (C != SumAt) Expect(T.empty(), "footer cell ", C, " holds \"", T, "\"");
            else Expect(std::atof(T.c_str()) == Sum, "footer shows \"", T, "\", the shown rows sum to ", (long long)Sum);
        }
    }
};

// --- the operations: a family's variant Arg runs by call or by the user's events ------------
// Rows inserted (InsertRows, the Insert key, AddRowAtEnd, the Down key on the last row) or one removed
// (RemoveRowsEx, or the Delete key).
void RowsStep(TWalk& W, int How) {   // 0 InsertRows, 1 Insert key, 2 RemoveRowsEx, 3 Delete key, 4 AddRowAtEnd, 5 Down
    int D = How == 0 ? W.NearMerge(1 + W.Pick(W.LastData() + 1)) : How > 3 ? W.LastData() + 1 : W.NearMerge(W.PickRow());
    const int Count = How == 0 ? 1 + W.Pick(2) : 1, Col = std::max(1, W.G->Col()), Pointed = D;
    if (How == 5 && W.InMerge(W.RowAt(D - 1).Id)) throw TSkip();
    // The keys work on the row the cursor lands on: a click on a merge lands on the row it shows from.
    const TMergeM* Mg = How == 1 || How == 3 ? W.MergeAt(W.RowAt(D).Id, Col) : nullptr;
    if (Mg && W.HoldsFormControl(W.Row(Mg->Ids[0]), Mg->Col)) throw TSkip();
    if (Mg) D = W.DisplOf(*std::ranges::find_if(Mg->Ids, [&](int I) { return W.IsShown(W.Row(I)); }));
    if ((How == 2 || How == 3) && (W.LastData() < 4 || W.NodeOf(W.RowAt(D).Id, true))) throw TSkip();
    const int Id = How == 2 || How == 3 ? W.RowAt(D).Id : -1;
    W.Say("at ", D, How == 0 ? " x" + Piece(Count) : "", D != Pointed ? " (the cursor put on " + Piece(Pointed) + ")" : "");
    if ((How == 1 || How == 3) && Mg) {
        W.Goto(), W.G->ScrollInView(Col, Pointed), Settle();
        W.Press(QPoint(W.At(Col, 0).x(), W.At(0, Pointed).y()));   // on the pointed row, however tall the merge
        for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);   // a click on the current cell opens its editor
        W.G->ClearRowSelect();   // the click's mark taken back: where a mark goes with an inserted row is another walk's
        for (TRowM& R : W.Rows) R.Marked = false;
    } else if (How == 1 || How == 3) W.Goto(Col, Pointed);
    if (How == 1 || How == 3) W.Key(How == 1 ? Qt::Key_Insert : Qt::Key_Delete);
    else if (How == 0) W.G->InsertRows(D, Count);
    else if (How == 2) W.G->RemoveRowsEx(D, 1);
    else if (How == 4) W.G->AddRowAtEnd();
    else {
        W.G->Navigation()->SetAppendOnArrowDown(true);
        W.Goto(W.G->Col(), D - 1), W.Key(Qt::Key_Down);
        W.G->Navigation()->SetAppendOnArrowDown(false);
    }
    if (How == 2 || How == 3) return W.ModelRemove(Id);
    W.ModelInsert(D, Count);
    if (How == 5) W.MarkOnly(D);
}

// Columns moved, inserted or removed (Follow: a column's old position to its new one, -1 gone): a merge
// whose columns no longer follow each other splits (each cell shows its own value again), the others go
// with their columns.
void ColumnsMoved(TWalk& W, const std::function<int(int)>& Follow) {
    std::vector<TMergeM> Kept;
    for (TMergeM Mg : W.Merges) {
        bool Whole = true;
        for (int K = Mg.Col; K < Mg.Col + Mg.Wd; ++K) Whole = Whole && Follow(K) >= 0 && (K == Mg.Col || Follow(K) == Follow(K - 1) + 1);
        if (Whole) Mg.Col = Follow(Mg.Col), Kept.push_back(Mg);
    }
    W.Merges = Kept;
}
int FollowMove(int K, int From, int To) {
    return K == From ? To : From < To && K > From && K <= To ? K - 1 : To < From && K >= To && K < From ? K + 1 : K;
}

void ColumnStep(TWalk& W, int Remove) {
    if (Remove ? W.G->ColCount() < 5 : W.G->ColCount() > 8) throw TSkip();
    const int C = Remove ? W.PickCol() : 1 + W.Pick(W.G->ColCount());
    W.Say("at ", C);
    if (Remove) W.G->RemoveCols(C, 1), W.SumCol = W.Cols[C] == W.SumCol ? -1 : W.SumCol, W.Cols.erase(W.Cols.begin() + C);
    else W.G->InsertCols(C, 1), W.G->SetCells(C, 0, WideToAnsi(HeaderOf(W.NextCol)));
    if (!Remove) W.Cols.insert(W.Cols.begin() + C, W.NextCol++);
    ColumnsMoved(W, [&](int K) { return K < C ? K : Remove ? (K == C ? -1 : K - 1) : K + 1; });
}

// A shown row, or a column, moved by call or by drag.
void MoveStep(TWalk& W, int How) {   // 0 MoveRow, 1 row drag, 2 MoveColumn, 3 column drag
    const bool ByMouse = How % 2, Row = How < 2;
    const int From = Row ? W.PickRow(ByMouse) : W.PickCol(ByMouse);
    const int To = Row ? (ByMouse ? W.PickRow(true) : W.NearMerge(W.PickRow())) : W.PickCol(ByMouse);
    // A node's own row moves with none of its rows: which rows it heads then is no user's meaning.
    if (From == To || (Row && W.NodeOf(W.RowAt(From).Id, true))) throw TSkip();
    if (Row && ByMouse && !W.Nodes.empty()) throw TSkip();   // with nodes column 0 takes no press on a data row
    W.Say(From, "->", To);
    if (ByMouse) W.Drag(Row ? W.At(0, From, 20) : W.At(From, 0, 20), Row ? W.At(0, To, 20) : W.At(To, 0, 20));
    else if (Row) W.G->MoveRow(From, To);
    else W.G->MoveColumn(From, To);
    if (!Row) {
        const int Id = W.Cols[From];
        W.Cols.erase(W.Cols.begin() + From), W.Cols.insert(W.Cols.begin() + To, Id);
        return ColumnsMoved(W, [&](int K) { return FollowMove(K, From, To); });
    }
    // The row leaves its node and joins the one it lands inside (between its row and its last row).
    const int Id = W.RowAt(From).Id;
    for (TNodeM& Nd : W.Nodes) std::erase(Nd.Members, Id);
    W.MoveTo(Id, To);
    for (TNodeM& Nd : W.Nodes)
        if (const int H = W.IndexOf(Nd.Head), P = W.IndexOf(Id); H < P && P <= H + int(Nd.Members.size()))
            Nd.Members.insert(Nd.Members.begin() + (P - H - 1), Id);
    W.SplitTorn();
    W.Tainted();
}

// The slots of the shown rows (indexes into Rows), or of an expanded node's members.
std::vector<int> ShownSlots(const TModel& M, const TNodeM* Nd = nullptr) {
    std::vector<int> S;
    for (int I : M.Visible()) if (!Nd || IndexIn(Nd->Members, M.Rows[I].Id) >= 0) S.push_back(I);
    return S;
}

// SortByColumn; a header click: up, down, and the third click undoes the sort; header clicks of an
// indexed sort (Shift adds a column); the rows of each expanded node sorted below it.
void SortStep(TWalk& W, int How) {   // 0 SortByColumn, 1 header click, 2 indexed by clicks, 3 in nodes
    if ((How == 3) == W.Nodes.empty() || W.LastData() < 2) throw TSkip();
    const int C = W.PickCol(How == 1 || How == 2);
    TSortSettings* S = W.G->SortSettings();
    const bool Undo = How == 1 && S->Column() == C && S->Direction() != S->InitSortDirection();
    const bool Desc = How == 1 ? S->Column() == C && !Undo : W.Pick(2) == 1;
    if (Undo && W.BaseTainted) throw TSkip();   // the order it goes back to is the grid's to keep
    if (!W.HaveBase) W.UndoBase = W.Visible(true), W.HaveBase = true, W.BaseTainted = How == 3;   // a node sort's: not known
    if (How == 2) {   // clicks on C, then with Shift on one or two columns: the list's first entry leads
        std::vector<std::pair<int, bool>> Keys;
        S->SetIndexShow(true);
        W.G->SortIndexes().clear();
        for (int I = 0, N = 1 + W.Pick(3), Col = C; I < N; ++I, Col = W.PickCol(true)) {
            const int At = IndexIn(Keys, Col, &std::pair<int, bool>::first);
            if (At < 0) Keys.push_back({Col, S->InitSortDirection() == sdAscending});
            else Keys[At].second = !Keys[At].second;
            W.Say(I ? "shift-click " : "click ", Col);
            W.Press(W.At(Col, 0), I ? Qt::ShiftModifier : Qt::NoModifier);
        }
        S->SetIndexShow(false);
        return W.SortRows(ShownSlots(W), Keys, true);
    }
    W.Say("column ", C, Undo ? " undo" : Desc ? " down" : " up");
    if (How == 1) W.Press(W.At(C, 0));
    else S->SetColumn(C), S->SetDirection(Desc ? sdDescending : sdAscending);
    if (How == 0) W.G->SortByColumn();
    if (How == 3) W.G->SortNodesByColumn();
    if (Undo) {   // back to the order before the first sort
        for (const TRowM& R : W.Rows) W.MarksAt.push_back(R.Marked);
        const std::vector<int> Slots = ShownSlots(W);
        std::vector<TRowM> Was;
        for (int Id : W.UndoBase) Was.push_back(W.Row(Id));
        for (size_t I = 0; I < Slots.size(); ++I) W.Rows[Slots[I]] = Was[I];
        return W.SplitTorn();   // the undo keeps no merged rows together
    }
    if (How < 3) return W.SortRows(ShownSlots(W), W.ColumnKeys(C, Desc), true);
    for (const TNodeM& Nd : W.Nodes)
        if (!Nd.Contracted && Nd.Members.size() >= 2) W.SortRows(ShownSlots(W, &Nd), W.ColumnKeys(C, Desc), true);
}

// Shown rows hidden by HideRows or the filter; one shown again by UnHideRow, or all by
// UnHideRowsAll or the filter switched off. A step that would hide or show a row inside a merge is left out.
void HideStep(TWalk& W, int How) {   // 0 HideRows, 1 filter, 2 UnHideRow, 3 all
    std::vector<int> Ids, V = W.Visible();
    const int D = W.PickRow(), Count = 1 + W.Pick(3), TurkCol = IndexIn(W.Cols, cTurk);
    const WStr Word = Words[W.Pick(5)];
    if (How == 0) {
        if (D + Count - 1 > W.LastData() || W.LastData() - Count < 3) throw TSkip();
        for (int I = 0; I < Count; ++I) Ids.push_back(W.RowAt(D + I).Id);
        if (std::ranges::any_of(Ids, [&](int Id) { return W.InNode(Id); })) throw TSkip();
    } else if (How == 1) {
        if (W.G->FilterActive() || TurkCol < 0) throw TSkip();
        // Rows a contracted node holds are filtered too: opening the node shows only those the filter lets through.
        for (const TRowM& R : W.Rows) if (!R.Hidden && W.ShownText(R, TurkCol) != Word) Ids.push_back(R.Id);
        if (std::ranges::count_if(V, [&](int I) { return IndexIn(Ids, W.Rows[I].Id) < 0; }) < 2) throw TSkip();
    } else {
        for (const TRowM& R : W.Rows) if (R.Hidden) Ids.push_back(R.Id);
        if (How == 2 && Ids.empty()) throw TSkip();
        if (How == 3 && std::ranges::any_of(W.Nodes, &TNodeM::Contracted)) throw TSkip();
        if (How == 2) Ids = {Ids[W.Pick(int(Ids.size()))]};
        // A row a contracted node holds shows when the node opens: whether UnHideRow opens it is not this walk's.
        if (How == 2 && W.NodeOf(Ids[0], false) && W.NodeOf(Ids[0], false)->Contracted) throw TSkip();
    }
    for (int Id : Ids) W.Row(Id).Hidden = How < 2;
    if (!W.MergesHold()) {
        for (int Id : Ids) W.Row(Id).Hidden = How >= 2;
        throw TSkip();
    }
    if (How == 0) W.Say(D, "..", D + Count - 1), W.G->HideRows(W.G->RealRowIndex(D), W.G->RealRowIndex(D + Count - 1));
    else if (How == 1) {
        W.Say("column ", TurkCol, " = ", Word);
        W.G->Filter()->Clear();
        TFilterData* Fd = W.G->Filter()->Add();
        Fd->SetColumn(TurkCol);
        Fd->SetCondition(WideToAnsi(Word));
        W.G->SetFilterActive(true);
    } else if (How == 2) W.Say("R", Ids[0]), W.G->UnHideRow(W.IndexOf(Ids[0]) + 1);
    else if (!W.G->FilterActive() || W.Pick(2)) W.G->UnHideRowsAll();
    else W.Say("by the filter"), W.G->SetFilterActive(false);
    for (TRowM& R : W.Rows)   // shown by name (or the filter off): the filter holds the row back no longer
        if (How == 1) R.Filtered = W.ShownText(R, TurkCol) != Word;
        else if (How == 3 || (How == 2 && R.Id == Ids[0])) R.Filtered = false;
    W.Tainted();
}

// HideRows on a merge's first, middle or last row (the filter hides rows the same way), every
// invariant held while the merge is cut, then UnHideRow. The cut lasts the step: a row moved,
// sorted or removed while a merge is cut is left to another issue.
void HideInMergeStep(TWalk& W, int Which) {   // 0 first, 1 middle, 2 last
    if (W.Merges.empty() || W.LastData() < 5) throw TSkip();
    const TMergeM& Mg = W.Merges[size_t(W.Pick(int(W.Merges.size())))];
    if (int(Mg.Ids.size()) < (Which == 1 ? 3 : 2) || W.ShownCount(Mg) < int(Mg.Ids.size())) throw TSkip();
    const int Id = Which == 0 ? Mg.Ids[0] : Which == 2 ? Mg.Ids.back() : Mg.Ids[size_t(1 + W.Pick(int(Mg.Ids.size()) - 2))];
    W.Say("R", Id, " of the merge at R", Mg.Ids[0], " column ", Mg.Col);
    W.G->HideRow(W.IndexOf(Id) + 1), W.Row(Id).Hidden = true, W.Check();
    W.G->UnHideRow(W.IndexOf(Id) + 1), W.Row(Id).Hidden = false;
}

// A contracted node's row hidden with HideRows, the node expanded (its rows show), then its row shown again.
void HideNodeRowStep(TWalk& W, int) {
    if (W.Nodes.empty() || W.Visible().size() < 3) throw TSkip();
    TNodeM& Nd = W.Nodes[size_t(W.Pick(int(W.Nodes.size())))];
    const int Real = W.IndexOf(Nd.Head) + 1;
    if (!Nd.Contracted || !W.IsShown(W.Row(Nd.Head))) throw TSkip();
    W.Say("R", Nd.Head);
    W.G->HideRow(Real), W.G->ExpandNode(Real), W.Row(Nd.Head).Hidden = true, Nd.Contracted = false;
    W.ShowMembers(Nd, W.G->FilterActive()), W.Check();
    W.G->UnHideRow(Real), W.Row(Nd.Head).Hidden = false, W.Tainted();
}

// AddNode over free shown rows; ContractNode or ExpandNode, or a click on the node's button.
void NodeStep(TWalk& W, int How) {   // 0 AddNode, 1 by call, 2 by click
    const int D = W.PickRow(), Span = 2 + W.Pick(3), First = D <= W.LastData() ? W.Visible()[D - 1] : 0;
    if (How == 0) {   // over Span real rows, hidden ones included (as a merge spans them)
        if (D > W.LastData() || First + Span > int(W.Rows.size())) throw TSkip();
        TNodeM Nd{W.Rows[First].Id, {}, false};
        for (int I = First; I < First + Span; ++I)
            if (W.InNode(W.Rows[I].Id) || W.InMerge(W.Rows[I].Id)) throw TSkip();
            else if (I > First) Nd.Members.push_back(W.Rows[I].Id);
        W.Say("R", Nd.Head, " span ", Span);
        W.G->AddNode(First + 1, Span);
        return W.Nodes.push_back(Nd);
    }
    if (W.Nodes.empty()) throw TSkip();
    TNodeM& Nd = W.Nodes[W.Pick(int(W.Nodes.size()))];
    const int Real = W.IndexOf(Nd.Head) + 1, ND = W.G->DisplRowIndex(Real);
    if (How == 2 && !W.IsShown(W.Row(Nd.Head))) throw TSkip();   // no button to click on a row not shown
    W.Say(Nd.Contracted ? "expand R" : "contract R", Nd.Head);
    if (How == 2) W.G->ScrollInView(1, ND), Settle(), W.Press(W.At(0, ND, 6));
    else if (Nd.Contracted) W.G->ExpandNode(Real);
    else W.G->ContractNode(Real);
    if (Nd.Contracted) W.ShowMembers(Nd, W.G->FilterActive());
    Nd.Contracted = !Nd.Contracted;
    W.Tainted();
}

// Group then UnGroup, or the same in place: every row comes back (hidden ones first shown, as grouping
// does), its values with it; Group sorts by the column first, and the marks go with their rows.
void GroupStep(TWalk& W, int InPlace) {
    if (!W.Nodes.empty() || !W.Merges.empty()) throw TSkip();
    const int C = IndexIn(W.Cols, cTurk) > 0 ? IndexIn(W.Cols, cTurk) : W.PickCol();
    W.Say("column ", C);
    if (InPlace) W.G->GroupInPlace(C), W.G->UngroupInPlace(C);
    else W.G->Group(C), W.G->UnGroup();
    for (TRowM& R : W.Rows) R.Hidden = false;
    if (!InPlace) {
        if (!W.HaveBase) W.HaveBase = W.BaseTainted = true;   // grouping's sort starts the base: not known here
        W.SortRows(ShownSlots(W), W.ColumnKeys(C, W.G->SortSettings()->Direction() == sdDescending), false);
    }
    W.Tainted();
}

// Cells of shown rows merged (one to two columns by one to three rows, on rows that follow each other
// in the grid), a merge split, or every run of equal cells in a column merged (MergeColumnCells).
void MergeStep(TWalk& W, int Split) {   // 0 merge, 1 split, 2 runs in a column, 3 every merge of a column split
    const int I = W.Pick(int(W.Merges.size())), D = W.PickRow(), C = W.PickCol(), Wd = 1 + W.Pick(2), Ht = 1 + W.Pick(3);
    if (Split == 3) {
        const int Col = W.Merges.empty() ? C : W.Merges[size_t(I)].Col;
        if (std::ranges::none_of(W.Merges, [&](const TMergeM& Mg) { return Mg.Col == Col; })) throw TSkip();
        W.Say("column ", Col), W.G->SplitColumnCells(Col);
        return void(std::erase_if(W.Merges, [&](const TMergeM& Mg) { return Mg.Col == Col; }));
    }
    if (Split == 2) {
        const std::vector<int> V = W.Visible(true);
        std::vector<TMergeM> Runs;
        // Runs of equal shown values; a hidden row between two shown ones ends a run (it is never swallowed).
        for (size_t A = 0, B; A < V.size(); A = B) {
            for (B = A + 1; B < V.size() && Stored(W.Text(W.Row(V[B]), C)) == Stored(W.Text(W.Row(V[A]), C)) &&
                            W.IndexOf(V[B]) == W.IndexOf(V[B - 1]) + 1;)
                ++B;
            if (B - A > 1) Runs.push_back({C, 1, std::vector<int>(V.begin() + long(A), V.begin() + long(B))});
        }
        for (const TMergeM& Mg : Runs)
            for (int Id : Mg.Ids)
                if (W.InMerge(Id) || W.InNode(Id) || W.HasCheck(Id, C)) throw TSkip();
        W.Say("column ", C, ": ", Runs.size(), " runs");
        W.G->MergeColumnCells(C, true);
        return W.Merges.insert(W.Merges.end(), Runs.begin(), Runs.end()), void();
    }
    if (Split) {
        if (W.Merges.empty()) throw TSkip();
        const TMergeM Mg = W.Merges[I];
        W.Say("R", Mg.Ids[0], " column ", Mg.Col);
        W.G->SplitCells(Mg.Col, W.DisplOf(Mg.Ids[0]));
        return void(W.Merges.erase(W.Merges.begin() + I));
    }
    if (C + Wd - 1 >= W.G->ColCount() || D + Ht - 1 > W.LastData() || Wd * Ht == 1) throw TSkip();
    TMergeM Mg{C, Wd, {}};
    for (int R = D; R < D + Ht; ++R) Mg.Ids.push_back(W.RowAt(R).Id);
    const int First = W.IndexOf(Mg.Ids[0]);
    for (int K = 0; K < Ht; ++K)   // no other merge, no node, nothing hidden in between
        if (W.InMerge(Mg.Ids[K]) || W.InNode(Mg.Ids[K]) || W.Rows[First + K].Id != Mg.Ids[K] ||
            !W.Row(Mg.Ids[K]).Checks.empty() || !W.Row(Mg.Ids[K]).Radios.empty() || !W.Row(Mg.Ids[K]).Ctls.empty())
            throw TSkip();
    W.Say("R", Mg.Ids[0], " column ", C, " ", Wd, "x", Ht);
    W.G->MergeCells(C, D, Wd, Ht);
    W.Merges.push_back(Mg);
}

// A column's width or a row's height changed by dragging its header's edge with the mouse.
void SizeStep(TWalk& W, int Row) {   // 0 column, 1 row
    const int At = Row ? W.PickRow(true) : W.PickCol(true), By = (W.Pick(2) ? 1 : -1) * (6 + W.Pick(20));
    const TRect R = W.G->CellRect(Row ? 0 : At, Row ? At : 0);
    const int Was = Row ? (W.RowAt(At).Height ? W.RowAt(At).Height : W.G->DefaultRowHeight())
                        : W.Widths.contains(W.Cols[At]) ? W.Widths[W.Cols[At]] : 72;
    if (Was + By < 12 || (Row && !W.Nodes.empty())) throw TSkip();   // with nodes column 0 takes no press on a data row
    // Released beyond the grid (or over the footer row's panel), a sizing is cancelled.
    if ((Row ? R.Bottom : R.Right) + std::max(By, 0) >= (Row ? W.G->ClientHeight() - 2 * W.G->DefaultRowHeight() : W.G->ClientWidth() - 2))
        throw TSkip();
    W.Say(Row ? "row " : "column ", At, By > 0 ? " +" : " ", By);
    const QPoint From = Row ? QPoint(R.Left + 20, R.Bottom - 1) : QPoint(R.Right - 1, (R.Top + R.Bottom) / 2);
    W.Drag(From, From + (Row ? QPoint(0, By) : QPoint(By, 0)));
    if (Row) W.RowAt(At).Height = Was + By;
    else W.Widths[W.Cols[At]] = Was + By;
}

// The search footer: a text typed and the highlight switched on, then the bar closed; or a second text
// typed and the highlight switched off first; or the text taken back first; or rows hidden while it is on
// (a node contracted, the filter or HideRows), then the highlight switched off or the bar closed. The cells,
// hidden ones too, hold their own texts.
void SearchStep(TWalk& W, int How) {   // 0 closed highlighted, 1 new text and highlight off, 2 text taken back, 3/4 rows hidden
    const char16_t* const Texts[] = {u"0", u"1", u"\u0131", u"p0", u"s0", u"\u011F"};
    const WStr T1 = Texts[W.Pick(6)], T2 = Texts[W.Pick(6)];
    W.Say(T1, How == 1 ? " then " + Piece(T2) : "");
    W.G->SearchFooter()->SetVisible(true);
    Settle();
    auto Button = [&](const char* Name) {
        SystemClick(dynamic_cast<TSpeedButton*>(W.G->SearchPanel()->FindComponent(Name)));
        Settle();
    };
    dynamic_cast<TEdit*>(W.G->SearchPanel()->FindComponent("FindEdit"))->SetFocus();
    Settle();
    W.Type(T1);
    if (!W.HighlightDown) Button("HighlightButton");   // the button stays down from one search to the next
    if (How == 1) W.Type(T2), Button("HighlightButton");
    W.HighlightDown = How != 1;
    if (How >= 3) {
        const std::string Was = W.Log;
        try {
            if (How == 4) HideStep(W, W.Pick(2));
            else if (std::ranges::none_of(W.Nodes, [](const TNodeM& Nd) { return !Nd.Contracted; })) NodeStep(W, 0);
            auto Open = std::ranges::find_if(W.Nodes, [](const TNodeM& Nd) { return !Nd.Contracted; });
            if (How == 3 && Open != W.Nodes.end())
                W.Say("contract R", Open->Head), W.G->ContractNode(W.IndexOf(Open->Head) + 1), Open->Contracted = true, W.Tainted();
        } catch (const TSkip&) {
            W.Log = Was + " (nothing hidden)";
        }
        if (W.Pick(2)) W.Say("highlight off"), Button("HighlightButton"), W.HighlightDown = false;
    }
    for (size_t I = 0; How == 2 && I < T1.size(); ++I) W.Key(Qt::Key_Backspace);
    Button("CloseButton");
    W.Goto();
}

// A check box put in a cell by the program, or one toggled by a click (which also leaves one mark, on its row).
void CheckStep(TWalk& W, int Click) {
    const int D = W.PickRow(Click), C = W.PickCol(Click);
    TRowM& R = W.RowAt(D);
    if (W.InMerge(R.Id) || (Click ? !R.Checks.contains(W.Cols[C]) : W.HasCheck(R.Id, C))) throw TSkip();
    W.Say("(", C, ", ", D, ")");
    if (Click) {
        W.Press(W.At(C, D));
        for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
        W.MarkOnly(D);
        return void(R.Checks[W.Cols[C]] = !R.Checks[W.Cols[C]]);
    }
    const bool On = W.Pick(2);
    TCellGraphic* Gr = W.G->CreateCellGraphic(C, D);
    Gr->SetCellType(ctCheckBox);
    Gr->SetCellBoolean(On);
    R.Checks[W.Cols[C]] = On;
}

// A radio group of two items put in a cell by the program, or an item picked by a click on it (which
// leaves the marks alone).
void RadioStep(TWalk& W, int Click) {
    const int D = W.PickRow(Click), C = W.PickCol(Click), Item = W.Pick(2);
    TRowM& R = W.RowAt(D);
    if (W.InMerge(R.Id) || (Click ? !R.Radios.contains(W.Cols[C]) : W.HasCheck(R.Id, C))) throw TSkip();
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->Font()->Assign(W.G->Font());
    const int LineH = B.Canvas()->TextExtent("gh").cy;
    const TRect Rc = W.G->CellRect(C, D);
    if (Click && Rc.Top + (Item + 1) * LineH > Rc.Bottom) throw TSkip();   // the item lies below the row
    W.Say("(", C, ", ", D, ") ", Click ? "click " : "", Item);
    if (Click) W.Press(QPoint(Rc.Left + 10, Rc.Top + Item * LineH + 3));
    else {
        TCellGraphic* Gr = W.G->CreateCellGraphic(C, D);
        Gr->SetCellType(ctRadio);
        Gr->SetCellBoolean(true);
        auto* Values = new TStringList();
        Values->Add("A"), Values->Add("B");
        Gr->SetGraphic(Values, true);
        Gr->SetCellIndex(Item);
    }
    for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
    R.Radios[W.Cols[C]] = Item;
}

// A control put on a shown cell by the program (an edit the form owns), or one the program frees: the
// grid keeps it on its cell through every change and lets go of it when it goes.
void ControlStep(TWalk& W, int Free) {
    const int D = W.PickRow(true), C = W.PickCol(true);
    TRowM& R = W.RowAt(D);
    if (Free) {
        std::vector<std::pair<int, int>> All;   // row id, column id
        for (const TRowM& Rw : W.Rows) for (const auto& [Col, Ctl] : Rw.Ctls) All.push_back({Rw.Id, Col});
        if (All.empty()) throw TSkip();
        const auto [Id, Col] = All[W.Pick(int(All.size()))];
        W.Say("R", Id, " column ", IndexIn(W.Cols, Col));
        delete W.Row(Id).Ctls[Col];
        return void(W.Row(Id).Ctls.erase(Col));
    }
    if (W.InMerge(R.Id) || W.HasCheck(R.Id, C)) throw TSkip();
    W.Say("(", C, ", ", D, ")");
    auto* E = new TEdit(W.F.Form.get());
    E->SetParent(W.G);
    W.G->GetCellProperties(C, D)->SetControl(E);
    W.G->UpdateCellControls();
    R.Ctls[W.Cols[C]] = E;
}

// A row marked by Ctrl-click, or a cell given a colour.
void MarkStep(TWalk& W, int Colour) {
    const int D = W.PickRow(!Colour), C = W.PickCol(!Colour);
    const TColor Col = TColor(0x100000 * (1 + W.Pick(8)) + 0x30);
    TRowM& R = W.RowAt(D);
    if (!Colour && (!WithMarks || W.InMerge(R.Id) || W.HasCheck(R.Id, C))) throw TSkip();   // a click on a merge lands on its base
    W.Say("(", C, ", ", D, ")");
    if (Colour) return W.G->SetColors(C, D, Col), void(R.Colours[W.Cols[C]] = Col);
    W.Press(W.At(C, D), Qt::ControlModifier);
    R.Marked = !R.Marked;
    if (W.Editing()) W.Key(Qt::Key_Escape);   // a click on the current cell opens its editor
}

// Marks by keys and clicks: Ctrl+A marks every shown row, Space toggles the current row's, Shift+Down
// adds the rows it passes, a plain arrow or click leaves its row's alone, a right click marks its row
// unless it lies among two or more marked ones.
void KeyMarksStep(TWalk& W, int How) {   // 0 Ctrl+A, 1 Space, 2 Shift+Down, 3 Down, 4 click, 5 right click
    const int D = W.PickRow(How >= 4), C = W.PickCol(How >= 4), N = 1 + W.Pick(3);
    if (!WithMarks || D > W.LastData() || (How == 2 && D + N > W.LastData()) || (How == 3 && D == W.LastData())) throw TSkip();
    for (int R = D; How >= 1 && R <= std::min(How == 2 || How == 3 ? D + N : D, W.LastData()); ++R)
        if (W.InMerge(W.RowAt(R).Id) || ((How == 1 || How == 4) && W.HasCheck(W.RowAt(R).Id, C)))
            throw TSkip();   // the cursor steps over a merge whole; a click or Space toggles a check box
    W.Say("at (", C, ", ", D, ")", How == 2 ? " x" + Piece(N) : "");
    if (How == 0) W.Goto(), W.Key(Qt::Key_A, "a", Qt::ControlModifier);
    if (How == 1 || How == 2 || How == 3) W.Goto(C, D);
    if (How == 1) W.Key(Qt::Key_Space, " ");
    for (int I = 0; How == 2 && I < N; ++I) W.Key(Qt::Key_Down, {}, Qt::ShiftModifier);
    if (How == 3) W.Key(Qt::Key_Down);
    if (How >= 4) W.Press(W.At(C, D), Qt::NoModifier, How == 4 ? Qt::LeftButton : Qt::RightButton);
    for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);   // Space, or a click on the current cell, may open the editor
    const int Count = int(std::ranges::count_if(W.Rows, &TRowM::Marked));
    if (How == 0) for (int R = 1; R <= W.LastData(); ++R) W.RowAt(R).Marked = true;
    if (How == 1) W.RowAt(D).Marked = !W.RowAt(D).Marked;
    for (int I = 0; How == 2 && I <= N; ++I) W.RowAt(D + I).Marked = true;
    if (How == 3 || How == 4) W.MarkOnly(How == 3 ? D + 1 : D);
    if (How == 5 && !(W.RowAt(D).Marked && Count >= 2)) W.MarkOnly(D);
}

// A block of shown rows (none in a merge) at (C, D), Wd x Ht: its cells and colours, row by row.
struct TBlock { int C, D, Wd, Ht; std::vector<std::pair<WStr, TColor>> Cells; };
TBlock PickBlock(TWalk& W, bool InView = false, int MaxHt = 3) {
    TBlock B{0, 0, 1 + W.Pick(2), 1 + W.Pick(MaxHt), {}};
    B.C = InView ? W.PickCol(true) : 1 + W.Pick(W.G->ColCount() - B.Wd);
    B.D = InView ? W.PickRow(true) : 1 + W.Pick(W.LastData() - B.Ht + 1);
    if (B.C + B.Wd > W.G->ColCount() || B.D + B.Ht - 1 > W.LastData()) throw TSkip();
    for (int I = 0; I < B.Wd * B.Ht; ++I) {
        TRowM& Src = W.RowAt(B.D + I / B.Wd);
        if (W.InMerge(Src.Id) || W.HasCheck(Src.Id, B.C + I % B.Wd)) throw TSkip();
        const int Id = W.Cols[B.C + I % B.Wd];
        B.Cells.push_back({Src.Cells[Id], Src.Colours.count(Id) ? Src.Colours[Id] : clNone});
    }
    return B;
}
bool Overlap(const TBlock& A, const TBlock& B) {
    return A.C < B.C + B.Wd && B.C < A.C + A.Wd && A.D < B.D + B.Ht && B.D < A.D + A.Ht;
}
// What another program reads of a cell: a rich text's words (the walk's rich texts are "{\rtf1 words}"),
// any other text as it is (HTML with its tags). Grid to grid, every road carries the cell as stored.
WStr PlainOf(const WStr& T) { return T.starts_with(u"{\\rtf1 ") && T.ends_with(u"}") ? T.substr(7, T.size() - 8) : T; }
// The block's cells emptied (their colours too, with Colours), or given the texts (and, with Colours,
// the colours) of From.
void PutBlock(TWalk& W, const TBlock& At, const TBlock* From, bool Colours) {
    for (int I = 0; I < At.Wd * At.Ht; ++I) {
        TRowM& R = W.RowAt(At.D + I / At.Wd);
        const int Id = W.Cols[At.C + I % At.Wd];
        R.Cells[Id] = !From ? WStr() : From->Cells[I].first;
        if (Colours && (!From || From->Cells[I].second != clNone)) R.Colours.erase(Id);
        if (Colours && From && From->Cells[I].second != clNone) R.Colours[Id] = From->Cells[I].second;
    }
}
// What another program reads of the block: the letters, tab between cells, a line end between rows (and
// after the last of several, or after an empty last cell), a multi-line text in quotes with lone LFs.
WStr ForeignText(const TBlock& B) {
    WStr T;
    for (int I = 0; I < B.Wd * B.Ht; ++I) {
        WStr Cell = PlainOf(B.Cells[I].first);
        if (Cell.find(u'\r') != Cell.npos) {
            std::erase(Cell, u'\r');
            Cell = u"\"" + Cell + u"\"";
        }
        T += Cell + (I % B.Wd < B.Wd - 1 ? u"\t" : I + 1 < B.Wd * B.Ht || B.Ht > 1 || Cell.empty() ? u"\r\n" : u"");
    }
    return T;
}
void SelectAndKey(TWalk& W, TGridRect S, int K, bool Fmt = true) {
    W.Goto();
    W.G->Navigation()->SetAllowFmtClipboard(Fmt);
    W.G->MouseActions()->SetDisjunctRowSelect(false);
    W.G->SetSelection(S);
    W.Key(K, {}, Qt::ControlModifier);
    W.G->MouseActions()->SetDisjunctRowSelect(WithMarks);
    W.G->Navigation()->SetAllowFmtClipboard(true);
}

// A block copied and pasted by keys, in the grid's own format or as text, cut and pasted, saved to a
// cell stream and loaded elsewhere, or one cell pasted over a selection (smart fill): the block lands
// where it was pasted. ForeignCopy: another program reads the letters of a copy; ForeignPaste: text
// another program offers lands in the cells, letters outside code page 1254 and all.
// RichTextCopy: the block's cells first given rich texts or HTML by the program (the footer's column
// left alone), copied in the grid's own format or as text.
void CopyPasteStep(TWalk& W, int How) {   // 0 copy, 1 cut, 2 text copy, 3 stream, 4 smart fill, 5 foreign copy, 6 foreign paste, 7/9 rich
    TBlock From = PickBlock(W), To = PickBlock(W);
    for (int I = 0; How >= 7 && I < From.Wd * From.Ht; ++I)
        if (const int Id = W.Cols[From.C + I % From.Wd]; Id != W.SumCol) {
            const WStr T = W.Pick(2) ? u"{\\rtf1 " + Fmt("r%03d", W.Pick(1000)) + u"}" : u"<b>" + Fmt("h%03d", W.Pick(1000)) + u"</b>";
            W.G->SetCells(From.C + I % From.Wd, From.D + I / From.Wd, WideToAnsi(T));
            From.Cells[I].first = W.RowAt(From.D + I / From.Wd).Cells[Id] = T;
        }
    if (How >= 7) How -= 7;
    if (How == 4) From.Wd = From.Ht = 1, From.Cells.resize(1);
    if (How != 4) To.Wd = From.Wd, To.Ht = From.Ht;
    if (To.C + To.Wd > W.G->ColCount() || To.D + To.Ht - 1 > W.LastData()) throw TSkip();
    for (int R = To.D; R < To.D + To.Ht; ++R) if (W.InMerge(W.RowAt(R).Id)) throw TSkip();
    W.NoChecks(To.C, To.D, To.Wd, To.Ht);
    if (How == 6)
        for (auto& [T, Colour] : From.Cells) T = Foreign[W.Pick(4)] + Fmt("%d", W.Pick(100)), Colour = clNone;
    W.Say("(", From.C, ", ", From.D, ") ", From.Wd, "x", From.Ht, " to (", To.C, ", ", To.D, ")", How == 4 ? Join(" ", To.Wd, "x", To.Ht) : "");
    const TGridRect S1{From.C, From.D, From.C + From.Wd - 1, From.D + From.Ht - 1};
    TMemoryStream S;
    if (How == 3) {
        W.G->SaveCellsToStream(S1, &S);
        S.SetPosition(0);
        W.G->LoadCellsFromStream(TGridCoord{To.C, To.D}, &S);
    } else if (How == 6) {
        TDataObject Offer;   // as another program puts text: UTF-16, and 8-bit where its letters fit
        const WStr T = ForeignText(From);
        Offer.SetData(CF_UNICODETEXT, std::string(reinterpret_cast<const char*>(T.c_str()), (T.size() + 1) * 2));
        Clipboard()->SetData(Offer);
        SelectAndKey(W, TGridRect{To.C, To.D, To.C, To.D}, Qt::Key_V);
    } else {
        W.G->Navigation()->SetAllowSmartClipboard(How == 4);
        SelectAndKey(W, S1, How == 1 ? Qt::Key_X : Qt::Key_C, How != 2 && How != 5);
        if (How == 5) {
            const std::string U = Clipboard()->GetBuffer(CF_UNICODETEXT);
            const WStr Got(reinterpret_cast<const char16_t*>(U.data()), U.size() / 2);
            const WStr Want = ForeignText(From);
            Expect(Got.substr(0, Got.find(u'\0')) == Want, "another program reads ", Got, ", the cells hold ", Want);
            return;
        }
        SelectAndKey(W, TGridRect{To.C, To.D, To.C + To.Wd - 1, To.D + To.Ht - 1}, Qt::Key_V, How != 2);
        W.G->Navigation()->SetAllowSmartClipboard(false);
    }
    if (How == 1) PutBlock(W, From, nullptr, true);   // a cut empties the source first
    if (How == 4)   // the pasted cell with its colour, then its text over the rest of the selection
        for (int I = To.Wd * To.Ht - 1; I >= 0; --I)
            PutBlock(W, TBlock{To.C + I % To.Wd, To.D + I / To.Wd, 1, 1, {}}, &From, I == 0);
    else PutBlock(W, To, &From, How != 2 && How != 6);
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
        const bool Own = P.size() == 4 && Count[P] == 1 && (P[0] == u'p' || P[0] == u'e') &&
                         !W.Covered(R.Id, IndexIn(W.Cols, cPlain));   // a merge's text goes once, from its base
        Expect(!Own || (T.find(WideToAnsi(P)) != T.npos) == R.Marked, "the copy ", R.Marked ? "misses" : "holds", " R", R.Id);
        Expect(!R.Marked || T.find(WideToAnsi(R.Cells[cId])) == T.npos, "the copy holds the fixed column");
    }
}

// The cell text stream read back into another grid gives every cell as shown (a merge's text once,
// at its base cell); Assign gives another grid the same, and assigned back the grid holds only that:
// its hidden rows, nodes, marks, merges and colours go, the cells a merge covered come back empty.
void TextStreamStep(TWalk& W, int How) {   // 0 text stream, 1 Assign and back
    TExtStringGrid* Into = How ? W.Other : W.Scratch;
    if (How) Into->Assign(W.G);
    else {
        TStringStream S;
        W.G->SaveCellsToStrings(&S);
        S.SetPosition(0);
        Into->ClearAll();   // the stream writes no empty cell
        Into->LoadCellsFromStrings(&S);
    }
    // The footer row holds totals: it stays behind only where the receiving grid has totals of its own.
    Expect(Into->RowCount() == W.G->RowCount() - (Into->FixedFooters() > 0 ? 1 - Into->FixedFooters() : 0) && Into->ColCount() == W.G->ColCount(), "size changed");
    for (int R = 0; R <= W.LastData(); ++R)
        for (int C = 0; C < W.G->ColCount(); ++C) {
            WStr Was = W.G->IsBaseCell(C, R) ? CellTextToWide(W.G->Cells(C, R)) : WStr();
            if (R >= 1 && R <= W.LastData() && Was.empty() && W.RowAt(R).Checks.contains(W.Cols[C]))
                Was = W.RowAt(R).Checks.at(W.Cols[C]) ? u"Y" : u"N";
            const WStr Back = CellTextToWide(Into->RawCells(C, R));
            Expect(Back == Was, "cell (", C, ", ", R, ") read back as ", Back, ", was ", Was);
        }
    if (!How) return;
    // The other grid holds no footer row: the totals came to it as a row, and come back as one,
    // which the program labels as it labels every new row.
    std::map<int, WStr> Totals;
    for (int C = 1; C < W.G->ColCount(); ++C)
        if (const AnsiString T = W.G->Cells(C, W.G->RowCount() - 1); !T.empty()) Totals[W.Cols[C]] = CellTextToWide(T);
    W.G->Assign(W.Other);
    std::erase_if(W.Rows, [&](const TRowM& R) { return !W.IsShown(R); });
    for (TRowM& R : W.Rows) {
        for (int C = 1; C < int(W.Cols.size()); ++C) if (W.Covered(R.Id, C)) R.Cells.erase(W.Cols[C]);
        for (const auto& [Id, On] : R.Checks)
            if (IndexIn(W.Cols, Id) >= 0 && R.Cells[Id].empty()) R.Cells[Id] = On ? u"Y" : u"N";
        // Its properties and controls go; the source's default height comes with it.
        R.Colours.clear(), R.Checks.clear(), R.Radios.clear(), R.Ctls.clear(), R.Marked = false, R.Height = 0;
    }
    TRowM& Added = W.Rows.emplace_back(W.NextRow++); Added.Cells.insert(Totals.begin(), Totals.end());
    W.G->SetCells(0, W.G->RowCount() - 2, WideToAnsi(Added.Cells.at(cId)));
    W.Merges.clear(), W.Nodes.clear();
    W.Tainted();
}

// Cells emptied, their colours kept: a block, whole rows, whole columns (header and footer too), or the
// marked rows (ClearSelectedCells); the whole grid, which starts clean (ClearAll); the marked rows removed
// (RemoveSelectedRows) or cut (Ctrl+X, their colours going too). The program then writes its labels again.
void ClearStep(TWalk& W, int How) {   // 0 ClearRect, 1 ClearRows, 2 ClearCols, 3 ClearAll, 4 ClearSelectedCells, 5 RemoveSelectedRows, 6 cut marked
    const int D = W.PickRow(), C = W.PickCol(), N = 1 + W.Pick(2);
    std::vector<int> Ids, Shown = W.Visible(true);
    if (How == 0) {
        const TBlock B = PickBlock(W);
        W.Say("(", B.C, ", ", B.D, ") ", B.Wd, "x", B.Ht);
        W.G->ClearRect(B.C, B.D, B.C + B.Wd - 1, B.D + B.Ht - 1);
        return PutBlock(W, B, nullptr, false);
    } else if (How == 1) {
        for (int R = D; R < D + N && R <= W.LastData(); ++R) Ids.push_back(W.RowAt(R).Id);
    } else if (How == 2) {
        if (C + N > W.G->ColCount() || std::ranges::any_of(W.Merges, [&](const TMergeM& Mg) { return Mg.Col + Mg.Wd > C && Mg.Col < C + N; }))
            throw TSkip();
        W.Say("columns ", C, "..", C + N - 1);
        W.G->ClearCols(C, N);
        for (TRowM& R : W.Rows)
            for (int K = C; K < C + N && W.IsShown(R); ++K)
                R.Cells.erase(W.Cols[K]), R.Checks.erase(W.Cols[K]), R.Radios.erase(W.Cols[K]);
        return W.Relabel();
    } else if (How == 3) {
        if (W.Visible().size() != W.Rows.size() || !W.Nodes.empty()) throw TSkip();   // hidden rows: see the findings
        Ids = Shown;
    } else {
        if (!WithMarks) throw TSkip();
        for (int Id : Shown) if (W.Row(Id).Marked) Ids.push_back(Id);
    }
    // ClearSelectedCells takes marked node rows too: a node whose row is cleared goes whole, its rows come out and
    // stay (a contracted one shows them; a marked one among those would be a mark no one saw).
    auto Held = [&](int Id) { const TNodeM* Nd = W.NodeOf(Id, true); return Nd && Nd->Contracted && std::ranges::any_of(Nd->Members, [&](int M) { return W.Row(M).Marked; }); };
    if (Ids.empty() || std::ranges::any_of(Ids, [&](int Id) { return (How == 4 ? Held(Id) : W.InNode(Id)) || (How != 3 && W.InMerge(Id)); })) throw TSkip();
    if (How == 4) std::erase_if(W.Nodes, [&](const TNodeM& Nd) {
        const bool Gone = IndexIn(Ids, Nd.Head) >= 0;
        if (Gone && Nd.Contracted) W.ShowMembers(Nd, W.G->FilterActive());
        return Gone;
    });
    if (How == 1) W.Say("rows ", D, "..", D + int(Ids.size()) - 1), W.G->ClearRows(D, int(Ids.size()));
    if (How == 3) W.G->ClearAll();
    if (How == 4) W.G->ClearSelectedCells();
    if (How == 5) W.G->RemoveSelectedRows();
    if (How == 6) W.Goto(), W.Key(Qt::Key_X, {}, Qt::ControlModifier);
    if (How >= 4) W.Say(Ids.size(), " marked");
    for (int Id : Ids) {
        if (How == 5) W.ModelRemove(Id);
        else W.Row(Id).Cells = {{cId, W.Row(Id).Cells[cId]}}, W.Row(Id).Checks.clear(), W.Row(Id).Radios.clear();
        if (How == 3 || How == 6) W.Row(Id).Colours.clear(), W.Row(Id).Ctls.clear();   // a cut frees the cells' properties too
    }
    if (How == 3) {   // a whole replacement starts clean
        W.Merges.clear(), W.HaveBase = W.BaseTainted = false;
        for (TRowM& R : W.Rows) R.Marked = false, R.Ctls.clear();
    }
    if (How == 6) return;
    W.Relabel();
}

// A block dragged by the mouse to another place of the grid (moved, or copied with Ctrl held at the
// drop), or to a second grid, which inserts rows for it when told to: it lands as text at the drop
// cell; a move empties the source cells.
void DragStep(TWalk& W, int How) {   // 0 move, 1 copy; to the other grid: 2 move, 3 copy, + 2 with rows inserted
    const TBlock From = PickBlock(W, true);
    W.Goto();
    W.G->SetSelection(TGridRect{From.C, From.D, From.C + From.Wd - 1, From.D + From.Ht - 1});   // it may scroll
    Settle();
    TBlock To = PickBlock(W, true, 1);
    To.Wd = From.Wd, To.Ht = From.Ht;
    const bool Move = How % 2 == 0;
    if (How < 2 && (To.C + To.Wd > W.G->ColCount() || To.D + To.Ht - 1 > W.LastData() || Overlap(From, To))) throw TSkip();
    for (int R = To.D; How < 2 && R < To.D + To.Ht; ++R) if (W.InMerge(W.RowAt(R).Id)) throw TSkip();
    if (How < 2) W.NoChecks(To.C, To.D, To.Wd, To.Ht);
    TExtStringGrid* Into = How < 2 ? W.G : W.Other;
    const int OC = 1 + W.Pick(3), OD = 1 + W.Pick(5);   // the drop cell in the other grid
    if (How >= 2) {
        Into->ClearAll();
        Into->SetColCount(6), Into->SetRowCount(10);
        for (int R = 1; R < 10; ++R) Into->SetCells(0, R, WideToAnsi(Fmt("o%d", R)));
        AddOptions(Into, {goEditing});
        Into->DragDropSettings()->SetOleDropTarget(true);
        Into->DragDropSettings()->SetOleInsertRows(How >= 4);
    }
    W.Say("(", From.C, ", ", From.D, ") ", From.Wd, "x", From.Ht, How < 2 ? " to (" + Piece(To.C) + ", " + Piece(To.D) + ")"
                                                                           : " to the other grid's (" + Piece(OC) + ", " + Piece(OD) + ")");
    // Cells drag only from a grid that is not editing, the selection only without row marks; the drop
    // pastes all the same.
    W.G->MouseActions()->SetDisjunctRowSelect(false);
    W.G->DragDropSettings()->SetOleDropSource(true);
    W.G->DragDropSettings()->SetOleDropTarget(How < 2);
    W.G->Navigation()->SetAllowClipboardAlways(true);
    W.G->SetOptions(W.G->Options() - TGridOptions{goEditing});
    W.Carry = [&](const TDataObject& Data, Integer Allowed) {
        const TRect R = Into->CellRect(How < 2 ? To.C : OC, How < 2 ? To.D : OD);
        return DeliverDrop(Into, R.Left + 5, R.Top + 5, Data, Allowed, !Move ? TShiftState{ssCtrl} : TShiftState());
    };
    const QPoint P = W.At(From.C, From.D);
    W.F.Mouse(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
    W.F.Mouse(QEvent::MouseMove, P + QPoint(12, 0), Qt::NoButton, Qt::LeftButton);
    W.F.Mouse(QEvent::MouseButtonRelease, P + QPoint(12, 0), Qt::LeftButton, Qt::NoButton);
    Settle();
    W.Carry = nullptr;
    W.G->DragDropSettings()->SetOleDropSource(false);
    W.G->DragDropSettings()->SetOleDropTarget(false);
    W.G->Navigation()->SetAllowClipboardAlways(false);
    W.G->SetOptions(W.G->Options() + TGridOptions{goEditing});
    W.G->MouseActions()->SetDisjunctRowSelect(WithMarks);
    for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
    if (How >= 2)
        for (int I = 0; I < From.Wd * From.Ht; ++I) {
            const int C = OC + I % From.Wd, R = OD + I / From.Wd;
            const WStr Got = CellTextToWide(Into->Cells(C, R)), Want = From.Cells[I].first;
            Expect(Got == Want, "the other grid's (", C, ", ", R, ") holds ", Got, ", the dragged cell ", Want);
        }
    if (const int Below = OD + From.Ht; How >= 2)   // the row at the drop cell moved down below the dropped lines, or stayed
        Expect(CellTextToWide(Into->Cells(0, Below)) == Fmt("o%d", How >= 4 ? OD : Below), "the other grid's row ", Below,
               " holds ", CellTextToWide(Into->Cells(0, Below)));
    if (How < 2) PutBlock(W, To, &From, false);
    if (Move) PutBlock(W, From, nullptr, false);   // emptied as ClearRect empties, colours kept
}

// Lines appended from a CSV file below the last row, above the footer.
void CsvStep(TWalk& W, int) {
    const int N = 1 + W.Pick(3);
    TTempFolder Dir("gridseq");
    const std::filesystem::path File = std::filesystem::path(Dir.Path()) / "rows.csv";
    std::ofstream Out(File, std::ios::binary);
    const int D = W.LastData() + 1;
    W.Say(N, " lines");
    std::vector<TRowM> New;
    for (int I = 0; I < N; ++I) {
        TRowM R(W.NextRow + I);
        for (int C = 0; C < int(W.Cols.size()); ++C) {
            const WStr T = C == 0 ? R.Cells[cId] : W.Cols[C] == cNum ? Fmt("%d", W.Pick(90)) : Fmt("c%03d", W.Pick(1000));
            if (C) R.Cells[W.Cols[C]] = T;
            Out << (C ? ";" : "") << WideToAnsi(T);
        }
        Out << "\r\n";
        New.push_back(R);
    }
    Out.close();
    W.G->SetDelimiter(';');
    W.G->ImportCSVFile(AnsiString(File.string()), true);
    W.ModelInsert(D, N, false);
    for (int I = 0; I < N; ++I) W.Row(New[I].Id) = New[I];
}
// A cell's new value by its column: typed in (How 0), or refused by validation (How 2).
WStr NewValue(int ColId, int How, int K) {
    return ColId == cNum ? (How == 2 ? WStr(u"13") : Fmt("%d", 20 + K % 70))
           : ColId == cUni ? (How == 2 ? u"q\u03A9" : u"\u03A9") + Fmt("%03d", K)
                           : Fmt(How == 2 ? "q%03d" : "e%03d", K);
}

// One cell of a column of the kind edited with its editor and ended as Ends says, with a new
// value, no change, or a value validation refuses; with Cell 1 or 2 (Arg / 100) the program first gives
// the cell letters outside code page 1254, or rich text, and the edit ends by any road.
void EditStep(TWalk& W, int KindEnd) {
    const int Cell = KindEnd / 100;
    KindEnd %= 100;
    int End = KindEnd % 5;
    const int K = 100 + W.Pick(900), Mode = W.Pick(3);
    int C = IndexIn(W.Cols, Kinds[KindEnd / 5].Col), D = W.PickRow();
    if (Cell) End = Kinds[KindEnd / 5].KeysEnd ? W.Pick(5) : 2;
    if (C < 1 || (!Kinds[KindEnd / 5].KeysEnd && End != 2)) throw TSkip();
    int Id = W.RowAt(D).Id;
    W.NoChecks(C, D, 1, 1);
    if (const TMergeM* Mg = W.MergeAt(Id, C)) {   // the merge's base cell is edited, with its column's editor
        if (Mg->Col != C) throw TSkip();
        D = W.DisplOf(Mg->Ids[0]), Id = Mg->Ids[0];
    }
    if (!Cell && W.HoldsFormControl(W.Row(Id), C)) throw TSkip();
    const int ColId = W.Cols[C], How = Kinds[KindEnd / 5].Typed ? Mode : 1;   // new, same, refused
    W.Editor = Kinds[KindEnd / 5].Editor;
    const WStr New = NewValue(ColId, How, K);
    if (Cell) {
        const WStr T = Cell == 1 ? Foreign[W.Pick(4)] + Fmt("%d", K) : u"{\\rtf1 " + Fmt("r%03d", K) + u"}";
        W.G->SetCells(C, D, Stored(T));
        W.G->CalcFooter(C);   // as a program does after writing a cell
        W.Row(Id).Cells[ColId] = T;
        W.Say(T, " ", Ends[End]);
    }
    W.Say("(", C, ", ", D, ") ", How == 1 ? "same" : How ? "refused " + Piece(New) : "new " + Piece(New));
    W.Goto(C, D);
    if (How != 1) W.Type(New);
    else if (W.Key(Qt::Key_F2); !W.Editing()) W.Key(Qt::Key_Return);
    Settle();
    int D2 = W.PickRow(true), C2 = W.PickCol(true);   // a click on another shown cell, in no merge
    auto Unfit = [&] { return (D2 == D && C2 == C) || W.InMerge(W.RowAt(D2).Id) || W.HasCheck(W.RowAt(D2).Id, C2); };
    for (int Try = 0; End == 2 && Try < 20 && Unfit(); ++Try) D2 = W.PickRow(true), C2 = W.PickCol(true);
    // The rich edit ends by no key: then the focus goes to another window.
    if (End == 2 && Unfit() && !Kinds[KindEnd / 5].KeysEnd) {
        End = 4, W.Say("(no cell to click: focus elsewhere)");
        W.Other->SetFocus(), Settle(), W.Goto();
    }
    if (End == 2 && Unfit()) End = 4, W.Say("(no cell to click: Escape)");
    if (End == 2) {
        W.Press(W.At(C2, D2));
        W.MarkOnly(D2);
    } else if (End == 3) TurnWheel(W.G->Widget(), W.Pick(2) == 1, Qt::NoModifier, QPointF(W.At(C, D)));
    else W.Key(End == 0 ? Qt::Key_Return : End == 1 ? Qt::Key_Tab : Qt::Key_Escape);
    Settle();
    // A wheel turn that cannot move the current row leaves the edit open; Enter in a memo starts a new line.
    const bool Open = (End == 3 || (End == 0 && Kinds[KindEnd / 5].EnterBreaks)) && W.Editing();
    if (Open) W.Say("(stays open)");
    for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
    W.Editor = edNone;
    if (W.Editing()) W.G->HideEditor(), Expect(false, "the editor stays open after Escape");
    if (How == 0 && End != 4 && !Open) W.Row(Id).Cells[ColId] = New;
}

// An edit open (a new value typed, none, or a refused one) while the program changes rows or columns
// (from a timer, a handler, another window), then ended by Enter, Tab or Escape: the value lands in its
// own cell, checked, or nowhere; no other cell changes.
void EditUnderChangeStep(TWalk& W, int How) {   // 0 insert rows, 1 remove a row, 2 move a row, 3 sort, 4 filter, 5 ClearAll, 6/7 insert/remove a column
    const TKind& Kd = Kinds[W.Pick(int(std::size(Kinds)))];
    const int K = 100 + W.Pick(900), Mode = Kd.Typed ? W.Pick(3) : 1, EndKey = W.Pick(3);
    const int C = IndexIn(W.Cols, Kd.Col), D = W.PickRow();
    if (C < 1 || !Kd.KeysEnd || W.InMerge(W.RowAt(D).Id) || (How == 4 && W.Cols[C] == cTurk) || W.HoldsFormControl(W.RowAt(D), C))
        throw TSkip();
    const int Id = W.RowAt(D).Id, ColId = W.Cols[C];
    W.NoChecks(C, D, 1, 1);
    const WStr New = NewValue(ColId, Mode, K);
    W.Say(Kd.Name, " (", C, ", ", D, ") ", Mode == 1 ? "same" : Mode ? "refused " + Piece(New) : "new " + Piece(New), " then");
    W.Editor = Kd.Editor;
    W.Goto(C, D);
    if (Mode != 1) W.Type(New);
    else if (W.Key(Qt::Key_F2); !W.Editing()) W.Key(Qt::Key_Return);
    Settle();
    try {
        if (How == 0) RowsStep(W, 0);
        else if (How == 1) RowsStep(W, 2);
        else if (How == 2) MoveStep(W, 0);
        else if (How == 4) HideStep(W, 1);
        else if (How == 5) ClearStep(W, 3);
        else if (How >= 6) ColumnStep(W, How - 6);
        else {   // by the fixed column, whose ids tie nowhere
            if (!W.Nodes.empty()) throw TSkip();
            const bool Desc = W.Pick(2);
            W.Say("sorted", Desc ? " down" : " up");
            if (!W.HaveBase) W.UndoBase = W.Visible(true), W.HaveBase = true;
            W.G->SortSettings()->SetColumn(0), W.G->SortSettings()->SetDirection(Desc ? sdDescending : sdAscending);
            W.G->SortByColumn();
            W.SortRows(ShownSlots(W), {{0, Desc}}, true);
        }
    } catch (const TSkip&) {
        W.Say("nothing");
    }
    Settle();
    W.Say(EndKey == 0 ? "Enter" : EndKey == 1 ? "Tab" : "Escape");
    if (W.Editing()) W.Key(EndKey == 0 ? Qt::Key_Return : EndKey == 1 ? Qt::Key_Tab : Qt::Key_Escape);
    Settle();
    for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
    W.Editor = edNone;
    if (W.Editing()) W.G->HideEditor(), Expect(false, "the editor stays open after Escape");
    const int At = IndexIn(W.Cols, ColId);
    if (W.IndexOf(Id) < 0 || At < 0) return;   // its cell went: the value with it
    const WStr Was = W.Text(W.Row(Id), At), Got = W.GridText(At, W.IndexOf(Id) + 1);
    Expect(Got == Was || (Mode == 0 && Got == New), "the edited cell of R", Id, " holds ", Got, ", was ", Was,
           Mode == 0 ? ", typed " + Piece(New) : "");
    W.Row(Id).Cells[ColId] = Got;
}

// A cell given an edit form control by the program, the control clicked and its value typed over or
// left, the edit ended by Enter, Escape or a click elsewhere: the control's value in the cell's text.
void FormControlStep(TWalk& W, int) {
    const int D = W.PickRow(true), C = W.PickCol(true), K = 100 + W.Pick(900), Typed = W.Pick(2);
    int End = W.Pick(3);
    TRowM& R = W.RowAt(D);
    if (W.InMerge(R.Id) || W.HasCheck(R.Id, C) || W.Cols[C] == W.SumCol) throw TSkip();
    // The tag as the grid writes one back (in this order): a value written back leaves it byte for byte.
    auto Html = [](const WStr& V) { return u"<CONTROL ID=\"e\" VALUE=\"" + V + u"\" WIDTH=\"40\" TYPE=\"EDIT\"> <B>x</B>"; };
    const WStr Was = Fmt("v%03d", K), New = Fmt("w%03d", K);
    W.Say("(", C, ", ", D, ") ", Typed ? Piece(New) : "same", " ", End == 0 ? "Enter" : End == 1 ? "Escape" : "click");
    W.G->SetCells(C, D, WideToAnsi(Html(Was)));
    R.Cells[W.Cols[C]] = Html(Was);
    W.Goto();
    const TRect Rc = W.G->CellRect(C, D);   // the control is drawn on its first line, however tall the row
    W.Press(QPoint(Rc.Left + 8, Rc.Top + std::min(Rc.Height(), W.G->DefaultRowHeight()) / 2));
    W.MarkOnly(D);
    Expect(W.G->FormControlOpen(), "a click on its form control opens no editor");
    if (Typed) W.Type(New);
    int D2 = W.PickRow(true), C2 = W.PickCol(true);
    auto Unfit = [&] { return D2 == D || W.InMerge(W.RowAt(D2).Id) || W.HasCheck(W.RowAt(D2).Id, C2); };
    for (int Try = 0; End == 2 && Try < 20 && Unfit(); ++Try) D2 = W.PickRow(true), C2 = W.PickCol(true);
    if (End == 2 && Unfit()) End = 1, W.Say("(no cell to click: Escape)");
    // As the window system delivers it: the press takes the focus from the control first.
    if (End == 2) SystemClick(W.G, W.At(C2, D2)), W.MarkOnly(D2);
    else W.Key(End == 0 ? Qt::Key_Return : Qt::Key_Escape);
    Settle();
    for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
    if (Typed && End != 1) R.Cells[W.Cols[C]] = Html(New);
}

// RowColor given a colour, or clNone (which clears the row's colours), on a row heading a node, in a
// merge or anywhere, now and then with no fixed column: nodes stay whole, a merge whole or split whole.
void RowColorStep(TWalk& W, int None) {
    int D = W.NearMerge(W.PickRow());
    if (!W.Nodes.empty() && W.Pick(2)) D = W.DisplOf(W.Nodes[W.Pick(int(W.Nodes.size()))].Head);
    const bool NoFixed = W.Pick(2);
    const TColor Col = None ? clNone : TColor(0x100000 * (1 + W.Pick(8)) + 0x50);
    TRowM& R = W.RowAt(D);
    if (!R.Checks.empty() || !R.Radios.empty() || !R.Ctls.empty()) throw TSkip();   // clNone frees them too
    W.Say("row ", D, None ? " clNone" : "", NoFixed ? " (no fixed column)" : "");
    if (NoFixed) W.G->SetFixedCols(0);
    W.G->SetRowColor(D, Col);
    if (NoFixed) W.G->SetFixedCols(1);
    for (int C = 1; C < int(W.Cols.size()); ++C)
        if (None) R.Colours.erase(W.Cols[C]);
        else R.Colours[W.Cols[C]] = Col;
    std::erase_if(W.Merges, [&](const TMergeM& Mg) {   // split whole: its base spans one cell
        return IndexIn(Mg.Ids, R.Id) >= 0 && W.G->CellSpan(Mg.Col, W.DisplOf(Mg.Ids[0])) == Point(0, 0);
    });
}

// A merge's cell at work, half the time with the merge's first row hidden (it shows from its next row):
// GetCurrentCell reads the merge's value; letters typed then Escape leave it; typed over a read-only merge
// they store nothing; typed and Enter they store the merge's value only, its covered cells keep theirs.
void MergedCellStep(TWalk& W, int How) {   // 0 GetCurrentCell, 1 Escape, 2 read-only, 3 Enter
    if (W.Merges.empty()) throw TSkip();
    const TMergeM Mg = W.Merges[size_t(W.Pick(int(W.Merges.size())))];
    const int Base = Mg.Ids[0], C = Mg.Col, K = 100 + W.Pick(900);
    if (W.ShownCount(Mg) < int(Mg.Ids.size()) || W.HasCheck(Base, C) || W.HoldsFormControl(W.Row(Base), C)) throw TSkip();
    const bool HideBase = Mg.Ids.size() >= 2 && W.Pick(2);
    if (How && (W.Cols[C] == cTurk || W.Cols[C] == cDate)) throw TSkip();   // their editors take no typed value
    const WStr New = NewValue(W.Cols[C], 0, K);
    W.Say("merge at R", Base, " column ", C, HideBase ? " (its first row hidden)" : "", How == 0 ? "" : How == 1 ? " Escape" : How == 2 ? " read-only" : " Enter");
    if (How == 2) W.G->SetReadOnly(C, W.DisplOf(Base), true);
    if (HideBase) W.G->HideRow(W.IndexOf(Base) + 1), W.Row(Base).Hidden = true;
    const int D = W.DisplOf(Mg.Ids[HideBase]);
    W.Goto(C, D);
    const WStr Value = W.ShownText(W.Row(Base), C);
    if (How == 0) {
        AnsiString V; W.G->GetCurrentCell(V);
        Expect(CellTextToWide(V) == Value, "GetCurrentCell reads ", CellTextToWide(V), ", the merge holds ", Value);
    } else {
        W.Type(New), W.Key(How == 1 ? Qt::Key_Escape : Qt::Key_Return), Settle();
        for (int I = 0; I < 3 && W.Editing(); ++I, Settle()) W.Key(Qt::Key_Escape);
        if (How == 3) W.Row(Base).Cells[W.Cols[C]] = New;
    }
    W.Check();
    if (HideBase) W.G->UnHideRow(W.IndexOf(Base) + 1), W.Row(Base).Hidden = false;
    if (How == 2) W.G->SetReadOnly(C, W.DisplOf(Base), false);
}

// The wheel turned a few notches with the cursor on a cell (a merge's own): each notch moves the cursor a
// row, past a merge whole as the arrow keys do, onto the row a merge shows from; the last row stops it.
void WheelStep(TWalk& W, int Up) {
    const int C = W.PickCol(true), N = 1 + W.Pick(4);
    int D = W.PickRow(true);
    auto Last = [&](int R) {   // the last shown row of the merge at (C, R), or R
        const TMergeM* Mg = W.MergeAt(W.RowAt(R).Id, C);
        for (int I = Mg ? int(Mg->Ids.size()) - 1 : -1; I >= 0; --I)
            if (W.IsShown(W.Row(Mg->Ids[size_t(I)]))) return W.DisplOf(Mg->Ids[size_t(I)]);
        return R;
    };
    auto First = [&](int R) {
        const TMergeM* Mg = W.MergeAt(W.RowAt(R).Id, C);
        return Mg ? W.DisplOf(*std::ranges::find_if(Mg->Ids, [&](int I) { return W.IsShown(W.Row(I)); })) : R;
    };
    if (const TMergeM* Mg = W.MergeAt(W.RowAt(D).Id, C); Mg && Mg->Col != C) throw TSkip();
    int Want = D = First(D);
    for (int I = 0; I < N; ++I)
        if (const int Next = Up ? Want - 1 : Last(Want) + 1; Next >= 1 && Next <= W.LastData()) Want = First(Next);
    W.Say("at (", C, ", ", D, ") ", N, Up ? " up" : " down", " to row ", Want);
    W.Goto(C, D), W.G->MouseActions()->SetWheelIncrement(1);
    for (int I = 0; I < N; ++I) TurnWheel(W.G->Widget(), !Up, Qt::NoModifier, QPointF(W.At(W.G->Col(), W.G->Row()))), Settle();
    W.G->MouseActions()->SetWheelIncrement(0);
    Expect(W.G->Row() == Want, "the wheel put the cursor on row ", W.G->Row(), ", model ", Want);
}

// Every node opened or closed at once (rows a filter hides stay hidden; without a filter ExpandAll shows every
// hidden row); a node taken away, or all (their rows come out and stay); a row put into a node, or one taken out.
void NodeCallStep(TWalk& W, int How) {   // 0 ExpandAll, 1 ContractAll, 2 RemoveNode, 3 RemoveAllNodes, 4 InsertChildRow, 5 RemoveChildRow
    if (W.Nodes.empty() || W.Visible().size() < 3) throw TSkip();
    TNodeM& Nd = W.Nodes[size_t(W.Pick(int(W.Nodes.size())))];
    const int Head = Nd.Head, Position = W.Pick(2);
    if (How >= 4 && Nd.Members.empty()) throw TSkip();   // its rows all moved out of it
    auto Open = [&](bool Close) {
        for (TRowM& R : W.Rows) W.ShowAgain(R, W.G->FilterActive());
        for (TNodeM& N : W.Nodes) N.Contracted = Close;
    };
    const bool MemberHidden = std::ranges::any_of(Nd.Members, [&](int M) { return W.Row(M).Hidden; });
    if (How == 0) W.G->ExpandAll(), Open(false);
    else if (How == 1) W.G->ContractAll(), Open(true);
    else if (How == 3) W.G->RemoveAllNodes(), Open(false), W.Nodes.clear();
    else if (How == 2) {
        if (W.Row(Head).Hidden) throw TSkip();
        W.Say("R", Head);
        W.G->RemoveNode(W.IndexOf(Head) + 1);
        if (Nd.Contracted) W.ShowMembers(Nd, W.G->FilterActive());
        std::erase_if(W.Nodes, [&](const TNodeM& N) { return N.Head == Head; });
    } else if (How == 4) {   // after the node's row or one of its rows, or before one of its rows
        const int Id = Position ? (W.Pick(2) ? Head : Nd.Members.back()) : Nd.Members[size_t(W.Pick(int(Nd.Members.size())))];
        const int After = W.IndexOf(Nd.Members.back()) + 1;
        if (W.Row(Head).Hidden || MemberHidden || (After < int(W.Rows.size()) && W.Rows[size_t(After)].Hidden)) throw TSkip();
        W.Say("R", Id, Position ? " after" : " before", " in the node of R", Head);
        W.G->InsertChildRow(W.IndexOf(Id) + 1, Position), Nd.Contracted = false;
        const int At = W.IndexOf(Id) + Position;
        W.Rows.emplace(W.Rows.begin() + At, W.NextRow++);
        W.G->SetCells(0, W.DisplOf(W.Rows[size_t(At)].Id), WideToAnsi(W.Rows[size_t(At)].Cells.at(cId)));
        Nd.Members.insert(Nd.Members.begin() + (At - W.IndexOf(Head) - 1), W.Rows[size_t(At)].Id);
        W.SplitTorn();
    } else {
        const int Id = Nd.Members[size_t(W.Pick(int(Nd.Members.size())))];
        if (Nd.Members.size() < 2 || W.Row(Head).Hidden || W.Row(Id).Hidden) throw TSkip();
        W.Say("R", Id, " of the node of R", Head);
        W.G->RemoveChildRow(W.IndexOf(Id) + 1), Nd.Contracted = false, W.ModelRemove(Id);
    }
    W.Tainted();
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
            {"InsertRows", RowsStep, 0},          {"InsertKey", RowsStep, 1},          {"RemoveRowsEx", RowsStep, 2},
            {"DeleteKey", RowsStep, 3},           {"AddRowAtEnd", RowsStep, 4, 2},     {"AppendOnArrowDown", RowsStep, 5, 2},
            {"InsertCols", ColumnStep, 0},        {"RemoveCols", ColumnStep, 1},       {"MoveRow", MoveStep, 0},
            {"RowDrag", MoveStep, 1},             {"MoveColumn", MoveStep, 2},         {"ColumnDrag", MoveStep, 3},
            {"SortByColumn", SortStep, 0},        {"HeaderClickSort", SortStep, 1},    {"MultiColumnSort", SortStep, 2},
            {"SortWithNodes", SortStep, 3},       {"HideRows", HideStep, 0},           {"Filter", HideStep, 1},
            {"UnHideRow", HideStep, 2},           {"UnHideAll", HideStep, 3},          {"AddNode", NodeStep, 0},
            {"HideMergeFirstRow", HideInMergeStep, 0}, {"HideMergeMiddleRow", HideInMergeStep, 1},
            {"HideMergeLastRow", HideInMergeStep, 2}, {"HideNodeRowThenExpand", HideNodeRowStep, 0},
            {"ContractExpand", NodeStep, 1},      {"NodeClick", NodeStep, 2},          {"GroupUnGroup", GroupStep, 0},
            {"GroupInPlace", GroupStep, 1},       {"MergeCells", MergeStep, 0},        {"SplitCells", MergeStep, 1},       {"MergeColumnCells", MergeStep, 2, 2},
            {"SearchHighlightClose", SearchStep, 0, 2}, {"SearchHighlightNewText", SearchStep, 1, 2},
            {"SearchHighlightTakenBack", SearchStep, 2, 2}, {"SearchHighlightOverContracted", SearchStep, 3, 2},
            {"SearchHighlightOverHidden", SearchStep, 4, 2}, {"AddCheckBox", CheckStep, 0, 2}, {"CheckBoxToggle", CheckStep, 1, 3}, {"AddRadio", RadioStep, 0, 2},
            {"RadioClick", RadioStep, 1, 3},      {"AddCellControl", ControlStep, 0, 2}, {"FreeCellControl", ControlStep, 1, 2}, {"SizeColumnByMouse", SizeStep, 0, 2}, {"SizeRowByMouse", SizeStep, 1, 2}, {"CtrlClickMark", MarkStep, 0},       {"Colour", MarkStep, 1},             {"KeyMarksCtrlA", KeyMarksStep, 0, 1},
            {"KeyMarksSpace", KeyMarksStep, 1, 2}, {"KeyMarksShiftDown", KeyMarksStep, 2, 2}, {"KeyMarksDown", KeyMarksStep, 3, 2},
            {"KeyMarksClick", KeyMarksStep, 4, 2}, {"KeyMarksRightClick", KeyMarksStep, 5, 2}, {"OwnCopyPaste", CopyPasteStep, 0},
            {"CutPaste", CopyPasteStep, 1},       {"TextCopyPaste", CopyPasteStep, 2}, {"CellStream", CopyPasteStep, 3},
            {"SmartFill", CopyPasteStep, 4},      {"ForeignCopy", CopyPasteStep, 5},   {"ForeignPaste", CopyPasteStep, 6},   {"RichTextCopy", CopyPasteStep, 7, 2}, {"RichTextAsText", CopyPasteStep, 9, 2},
            {"MarkedCopy", MarkedCopyStep},       {"TextStream", TextStreamStep, 0},   {"Assign", TextStreamStep, 1, 2},
            {"ClearRect", ClearStep, 0},          {"ClearRows", ClearStep, 1},         {"ClearCols", ClearStep, 2, 2},
            {"ClearAll", ClearStep, 3, 1},        {"ClearSelectedCells", ClearStep, 4}, {"RemoveSelectedRows", ClearStep, 5},
            {"CutMarkedRows", ClearStep, 6},      {"DragMove", DragStep, 0},           {"DragCopy", DragStep, 1},
            {"DragToOtherGrid", DragStep, 2, 2},  {"DragCopyToOtherGrid", DragStep, 3, 1}, {"DragToOtherGridInserting", DragStep, 4, 1},
            {"DragCopyToOtherGridInserting", DragStep, 5, 1}, {"CsvAppend", CsvStep, 0},
            {"EditWhileInsertRows", EditUnderChangeStep, 0, 2}, {"EditWhileRemoveRow", EditUnderChangeStep, 1, 2},
            {"EditWhileMoveRow", EditUnderChangeStep, 2, 2}, {"EditWhileSort", EditUnderChangeStep, 3, 2},
            {"EditWhileFilter", EditUnderChangeStep, 4, 2}, {"EditWhileClearAll", EditUnderChangeStep, 5, 2},
            {"EditWhileInsertCol", EditUnderChangeStep, 6, 1}, {"EditWhileRemoveCol", EditUnderChangeStep, 7, 1},
            {"RowColor", RowColorStep, 0, 2},     {"RowColorNone", RowColorStep, 1, 2}, {"FormControlEdit", FormControlStep, 0, 3},
            {"MergedCellGetCurrentCell", MergedCellStep, 0, 2}, {"MergedCellEscape", MergedCellStep, 1, 2},
            {"MergedCellReadOnly", MergedCellStep, 2, 2}, {"MergedCellEnter", MergedCellStep, 3, 2},
            {"WheelDown", WheelStep, 0, 2},       {"WheelUp", WheelStep, 1, 2},        {"ExpandAll", NodeCallStep, 0, 2},
            {"ContractAll", NodeCallStep, 1, 2},  {"RemoveNode", NodeCallStep, 2, 2},  {"RemoveAllNodes", NodeCallStep, 3, 1},
            {"InsertChildRow", NodeCallStep, 4, 2}, {"RemoveChildRow", NodeCallStep, 5, 2}, {"SplitColumnCells", MergeStep, 3, 1},
        };
        for (int K = 0; K < int(std::size(Kinds)); ++K)
            for (int E = 0; E < 5; ++E) O.push_back({Join("Edit", Kinds[K].Name, Ends[E]), EditStep, K * 5 + E, 1});
        for (int Cell : {1, 2})
            for (int K = 0; K < int(std::size(Kinds)); ++K)
                O.push_back({Join(Cell == 1 ? "EditUnicodeCell" : "EditRichCell", Kinds[K].Name), EditStep, Cell * 100 + K * 5, 1});
        // Off in the suite, while the grid still has these faults, is each operation whose name holds one of:
        static const char* const Off[] = {
            "",
        };
        for (TOp& Op : O) Op.Suite = std::ranges::none_of(Off, [&](const char* F) { return *F && Op.Name.find(F) != Op.Name.npos; });
        return O;
    }();
    return Ops;
}
// The grid's public row, column, merge and node calls each operation walks (by the operation's name), and the
// reason for each such call no operation walks. GridSequences.EveryRowColumnMergeAndNodeCallIsWalked checks the
// two tables against the calls read from the grid's headers.
const std::pair<const char*, const char*> kWalks[] = {
    {"InsertRows", "InsertRows"}, {"InsertKey", "AutoInsertRow"}, {"RemoveRowsEx", "RemoveRowsEx"}, {"DeleteKey", "AutoDeleteRow"},
    {"AddRowAtEnd", "AddRowAtEnd"}, {"AppendOnArrowDown", "AddRow"}, {"InsertCols", "InsertCols"}, {"RemoveCols", "RemoveCols"},
    {"MoveRow", "MoveRow"}, {"MoveColumn", "MoveColumn"}, {"SortByColumn", "SortByColumn"}, {"MultiColumnSort", "SortIndexed"},
    {"SortWithNodes", "SortNodesByColumn"}, {"HideRows", "HideRows"}, {"HideMergeFirstRow", "HideRow"},
    {"UnHideRow", "UnHideRow UnHideRows"}, {"UnHideAll", "UnHideRowsAll"}, {"Filter", "HideRowList"}, {"AddNode", "AddNode"},
    {"ContractExpand", "ContractNode ExpandNode"}, {"GroupUnGroup", "Group UnGroup"}, {"GroupInPlace", "GroupInPlace UngroupInPlace"},
    {"MergeCells", "MergeCells"}, {"SplitCells", "SplitCells"}, {"MergeColumnCells", "MergeColumnCells"},
    {"SplitColumnCells", "SplitColumnCells"}, {"ClearRect", "ClearRect"}, {"ClearRows", "ClearRows"}, {"ClearCols", "ClearCols"},
    {"ClearAll", "ClearAll"}, {"ClearSelectedCells", "ClearSelectedCells"}, {"RemoveSelectedRows", "RemoveSelectedRows"},
    {"MergedCellGetCurrentCell", "GetCurrentCell"}, {"ExpandAll", "ExpandAll"}, {"ContractAll", "ContractAll"},
    {"RemoveNode", "RemoveNode"}, {"RemoveAllNodes", "RemoveAllNodes"}, {"InsertChildRow", "InsertChildRow"},
    {"RemoveChildRow", "RemoveChildRow"},
};
const std::pair<const char*, const char*> kNotWalked[] = {
    {"RemoveRowsShift RemoveRowsHidden", "they are RemoveRowsEx under other names"},
    {"InsertRowRenumber RemoveRowRenumber", "InsertRows and RemoveRowsEx at a real row's place: the walks reach those rows by display row"},
    {"DeleteGridRows", "RemoveRowsEx's own second half (the rows' properties already freed); RemoveRowsEx is walked"},
    {"DeleteRow DeleteColumn", "the base grid's bare removal under RemoveRowsEx and RemoveCols, which keep merges, nodes and footers"},
    {"ClearCell ClearCol ClearRow ClearProps", "the base grid's bare emptying under ClearRect, ClearRows and ClearCols, which are walked"},
    {"SetRowCount SetColCount", "the grid's size as a program sets it up; rows and columns come and go through the calls walked"},
    {"SwapRows", "a sort's own step: every sort the walks make swaps rows"},
    {"SortNodesIndexed", "the indexed sort inside each node: SortIndexed and SortNodesByColumn are walked"},
    {"AddToNodeSpan", "a node's span written directly: the walks change spans through the rows (AddNode, InsertChildRow, RemoveChildRow, row moves)"},
    {"GroupColumn", "a question (the column grouped on), no change"},
};

// --- running, replaying and shrinking --------------------------------------------------------
struct TStep { int Op; unsigned Seed; };
using TOutcome = TWalkOutcome;

// Runs the steps on a fresh grid, writing a line for each step done to Out (a pipe to the
// parent when the walk runs apart), then "F message" if one failed.
TOutcome RunSteps(const std::vector<TStep>& Steps, int Out = -1) {
    TOutcome R;
    auto Put = [&](std::string L) {
        std::ranges::replace(L, '\n', '|'), std::ranges::replace(L, '\r', ' ');
        if (Out >= 0 && write(Out, (L + "\n").data(), L.size() + 1) < 0) _exit(2);
        return L;
    };
    TWalk W;
    for (int I = -1; I < int(Steps.size()) && R.FailedAt < 0; ++I) {   // -1: the grid as set up
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
            R.FailedAt = std::max(I, 0), R.Message = Name + ": " + B.Why;
        } catch (const std::exception& X) {
            R.FailedAt = std::max(I, 0), R.Message = Name + ": raised: " + X.what();
        }
        if (Op) R.Done.push_back(Put(Name + " " + W.Log + (Skipped ? " (skipped)" : "")));
    }
    if (R.FailedAt >= 0) R.Message = Put("F " + R.Message).substr(2);
    return R;
}

// The steps as the environment carries them to a walk run apart: "op.seed op.seed ...".
std::string StepsText(const std::vector<TStep>& Steps) {
    std::string T;
    for (const TStep& S : Steps) T += Join(S.Op, ".", (long long)S.Seed, " ");
    return T;
}
std::vector<TStep> StepsFrom(const char* T) {
    std::vector<TStep> Steps;
    for (int Op = 0, N = 0; std::sscanf(T, "%d.%u %n", &Op, &Steps.emplace_back().Seed, &N) == 2; T += N)
        Steps.back().Op = Op;
    Steps.pop_back();
    return Steps;
}

// Runs the steps, apart when asked: in a fresh run of this test program that has started no
// windowing yet, so that a crash or a hang (no end within Limit seconds) fails the step it was in.
TOutcome Replay(const std::vector<TStep>& Steps, int Limit = 20) {
    if (!Apart) return RunSteps(Steps);
    return RunWalkApart("GRID_SEQUENCES_", {"GRID_SEQUENCES_REPLAY=" + StepsText(Steps), Join("GRID_SEQUENCES_MARKS=", int(WithMarks))},
                        "GridSequences.RandomSeedsForAsLongAsAsked", Limit, int(Steps.size()),
                        [&](int I) { return std::string(Operations()[Steps[I].Op].Name); });
}

// The operations GRID_SEQUENCES_ONLY names (every one when unset; "-Op" names one left out), or a message
// naming what it misspells.
std::vector<int> OperationsOn(bool Suite, std::string& Error) {
    const std::vector<TOp>& Ops = Operations();
    const char* Only = Suite ? nullptr : std::getenv("GRID_SEQUENCES_ONLY");
    std::vector<int> On;
    std::string List = Only ? Join(",", Only, ",") : "";
    const bool Leave = List.starts_with(",-");
    for (size_t At = 1, End; Only && (End = List.find(',', At)) != List.npos; At = End + 1)
        if (const std::string Name = List.substr(At + Leave, End - At - Leave); !Name.empty() && IndexIn(Ops, Name, &TOp::Name) < 0)
            Error += "GRID_SEQUENCES_ONLY names no operation \"" + Name + "\"\n";
    for (int I = 0; I < int(Ops.size()); ++I)
        if (Only ? (List.find(Join(",", Leave ? "-" : "", Ops[I].Name, ",")) != std::string::npos) != Leave : !Suite || Ops[I].Suite)
            On.insert(On.end(), size_t(Ops[I].Weight), I);
    if (On.empty() && Error.empty()) Error = "GRID_SEQUENCES_ONLY names no operation\n";
    if (!Error.empty()) {
        Error += "the operations:";
        for (const TOp& Op : Ops) Error += " " + Op.Name;
    }
    return On;
}

// What a failure says, without its numbers and quoted texts: shrinking keeps to failures of the same kind.
std::string Shape(const std::string& Message) {
    std::string S;
    bool Quoted = false;
    for (char C : Message)
        if (C == '"') Quoted = !Quoted;
        else if (!Quoted && !(C >= '0' && C <= '9')) S += C;
    return S;
}

// Walks Length steps from Seed over the operations On; the report of a failure, with the shortest
// sequence found by dropping single steps and pairs of steps the failure does not need.
std::string Walk(unsigned Seed, int Length, bool Suite, const std::vector<int>& On) {
    const char* Marks = std::getenv("GRID_SEQUENCES_MARKS");
    WithMarks = Suite || !(Marks && std::atoi(Marks) == 0);
    Apart = !Suite && !std::getenv("GRID_SEQUENCES_INPROCESS");
    std::mt19937 Rng(Seed);
    std::vector<TStep> Steps;
    for (int I = 0; I < Length && !On.empty(); ++I) Steps.push_back({On[Rng() % On.size()], unsigned(Rng())});
    const TOutcome O = Replay(Steps);
    if (O.FailedAt < 0) return "";
    const int Limit = O.Message.find(": hung (") != std::string::npos ? 4 : 20;   // a hang shrinks faster
    Steps.resize(size_t(O.FailedAt + 1));
    int Budget = Suite ? 80 : 400;
    // Steps without the ones at Drop (ascending), when it still fails the same way.
    auto Without = [&](std::initializer_list<int> Drop) {
        std::vector<TStep> Fewer;
        for (int I = 0; I < int(Steps.size()); ++I)
            if (std::ranges::find(Drop, I) == Drop.end()) Fewer.push_back(Steps[I]);
        --Budget;
        const TOutcome F = Replay(Fewer, Limit);
        if (F.FailedAt < 0 || Shape(F.Message) != Shape(O.Message)) return false;
        Steps.assign(Fewer.begin(), Fewer.begin() + F.FailedAt + 1);
        return true;
    };
    for (bool Dropped = true; Dropped && Budget > 0;) {
        Dropped = false;
        for (int I = int(Steps.size()) - 2; I >= 0 && Budget > 0; --I) Dropped = Without({I}) || Dropped;
        for (int I = int(Steps.size()) - 3; I >= 0 && Budget > 0 && !Dropped; --I)
            for (int J = int(Steps.size()) - 2; J > I && Budget > 0 && !Dropped; --J) Dropped = Without({I, J});
    }
    const TOutcome S = Replay(Steps, Limit);
    std::string R = Join("seed ", (long long)Seed, ": ", O.Message, "\nshortest sequence (", Steps.size(), " steps): ",
                         S.FailedAt >= 0 ? S.Message : "(no longer fails alone)", "\n");
    for (const std::string& D : S.Done) R += "  " + D + "\n";
    R += "as named steps:";
    for (const TStep& St : Steps) R += Join(" {\"", Operations()[St.Op].Name, "\", ", (long long)St.Seed, "u},");
    return R + "\n";
}

}  // namespace

TEST(GridSequences, FixedSeedsHoldEveryInvariant) {
    std::string Error;
    const std::vector<int> All = OperationsOn(true, Error);
    // Walks over every operation, then walks over each family with the operations it meets most, so that
    // their meetings (a row inserted inside a merge, a sort of marked rows beside hidden ones) come often.
    const char* const Families[] = {
        "InsertRows,InsertKey,RemoveRowsEx,DeleteKey,AddRowAtEnd,MoveRow,RowDrag,Merge,SplitCells,Sort,HeaderClick,Colour,SizeRow,"
        "AddCheckBox,CheckBoxToggle,AddRadio,RadioClick",
        "Hide,Filter,UnHide,AddNode,Contract,NodeClick,SortWithNodes,InsertRows,RemoveRowsEx,MoveRow,Group,CtrlClick,EditTextEnter",
        "KeyMarks,CtrlClickMark,RemoveSelectedRows,ClearSelectedCells,CutMarkedRows,MarkedCopy,SortBy,HeaderClick,MultiColumn,"
        "InsertRows,RemoveRowsEx,HideRows,UnHideAll,MoveRow",
        "OwnCopy,CutPaste,TextCopy,CellStream,SmartFill,RichText,Drag,TextStream,ClearRect,ClearRows,ClearCols,CsvAppend,Colour,"
        "MergeCells,InsertCols,RemoveCols,MoveColumn,ColumnDrag,SizeColumn,AddCheckBox",
        "Edit,SortByColumn,MergeCells,HideRows,Filter,UnHideAll,SearchHighlight,InsertRows,MoveColumn",
        "MergeCells,MergeColumnCells,SplitColumnCells,InsertCols,RemoveCols,MoveColumn,ColumnDrag,MergedCell,Wheel,InsertKey,"
        "DeleteKey,HideMerge,Filter,UnHideAll",
        "AddNode,ContractExpand,NodeClick,ExpandAll,ContractAll,RemoveNode,RemoveAllNodes,InsertChildRow,RemoveChildRow,MoveRow,"
        "CtrlClickMark,KeyMarks,ClearSelectedCells,HideRows,Filter,UnHideRow",
    };
    for (unsigned Seed = 1; Seed <= 10; ++Seed)
        if (const std::string Report = Walk(Seed, 40, true, All); !Report.empty()) ADD_FAILURE() << Report;
    for (const char* Family : Families) {
        std::vector<int> On;
        for (int I : All)
            for (size_t At = 0, End = 0; End != std::string::npos; At = End + 1) {
                End = std::string(Family).find(',', At);
                if (Operations()[I].Name.starts_with(std::string(Family).substr(At, End - At))) On.push_back(I), End = std::string::npos;
            }
        for (unsigned Seed = 1; Seed <= 2; ++Seed)
            if (const std::string Report = Walk(Seed, 40, true, On); !Report.empty()) ADD_FAILURE() << Family << "\n" << Report;
    }
}

// Shrunk sequences of faults random walks found, as named steps (the operation, its step's seed); each
// runs on a fresh grid and holds every invariant.
TEST(GridSequences, FoundSequencesHold) {
    using TNamed = std::vector<std::pair<const char*, unsigned>>;
    const TNamed Cases[] = {
        // Tab out of a plain cell into a Unicode one stored the plain text in the Unicode form, which sorts apart.
        {{"EditMultiLineTab", 3878207725u}, {"HeaderClickSort", 3811586642u}},
        {{"EditMultiLineTab", 1433719595u}, {"GroupUnGroup", 1065786860u}},
        {{"EditMultiLineTab", 3604467046u}, {"SortByColumn", 538491505u}},
        {{"EditMultiLineTab", 2240428827u}, {"MultiColumnSort", 255915725u}},
        {{"EditMultiLineTab", 2597819604u}, {"InsertCols", 839442582u}, {"HeaderClickSort", 3574555287u}},
        // RemoveSelectedRows left the footer short of a value an edit stored.
        {{"InsertCols", 1400540760u}, {"EditNumericClick", 1638505680u}, {"RemoveSelectedRows", 3205541796u}},
        // A click on another cell ends a form control's edit with its value (as the window system clicks).
        {{"FormControlEdit", 3726604086u}},
        // A row made taller: its control still stands on the first line, where the click goes.
        {{"SizeRowByMouse", 10u}, {"FormControlEdit", 2u}},
        // A cell scrolled under the fixed row was taken for one in view (its control rightly hidden); a
        // cut lets go of its rows' controls with their properties; a rich edit ends when the focus leaves.
        {{"InsertRows", 2823291468u}, {"AppendOnArrowDown", 4393503u}, {"CsvAppend", 2160396640u}, {"AddCellControl", 2532581389u}, {"RemoveRowsEx", 1768181273u}},
        {{"RemoveRowsEx", 269642535u}, {"AddCellControl", 2231787412u}, {"TextCopyPaste", 1034115509u}, {"ForeignCopy", 3398828888u}},
        {{"DeleteKey", 554215843u}, {"SearchHighlightTakenBack", 2447965363u}, {"AddCellControl", 2439761513u},
         {"EditUniComboClick", 1902640469u}, {"EditTimeSpinEnter", 3951237557u}},
        {{"AddCellControl", 2550367878u}, {"EditDateClick", 3266896753u}, {"RemoveSelectedRows", 3554692240u},
         {"CsvAppend", 316367728u}, {"DeleteKey", 606262487u}, {"EditTextClick", 3981440947u}},
        {{"Filter", 3577758270u}, {"DeleteKey", 731993990u}, {"InsertKey", 1243952667u}, {"KeyMarksDown", 3746932734u},
         {"AddCellControl", 179635528u}, {"CutMarkedRows", 3776843163u}, {"UnHideAll", 936375355u}, {"HeaderClickSort", 666832084u},
         {"CsvAppend", 4231816972u}, {"RemoveSelectedRows", 1081214048u}, {"HideRows", 3837437560u}, {"EditComboListEnter", 3811886812u}},
        {{"AddCellControl", 2590219318u}, {"CtrlClickMark", 2891494321u}, {"CutMarkedRows", 2078850010u}},
        {{"ColumnDrag", 1156980148u}, {"SortByColumn", 3208168354u}, {"MergeColumnCells", 4020035113u}, {"EditRichEditClick", 1175252337u}},
        // A plain column's value typed over a Unicode cell stayed coded though its letters fit: it sorted by
        // its code bytes and the footer left it out.
        {{"EditUnicodeCellEditBtn", 3384622586u}, {"HeaderClickSort", 944843258u}},
        {{"CellStream", 2357664964u}, {"InsertKey", 229709202u}, {"EditSpinTab", 2387418850u}},
        {{"EditUnicodeCellSpin", 1356210005u}},
        {{"EditUnicodeCellCustomLink", 1619588658u}, {"InsertCols", 1094602222u}, {"SortByColumn", 731443355u}},
        // Rows hidden while the search highlight was on totalled without the highlighted numbers.
        {{"SearchHighlightOverHidden", 940332703u}},
        {{"SearchHighlightOverContracted", 658340635u}},
        // The filter read a highlighted cell with its markup and hid it.
        {{"SearchHighlightOverHidden", 1762725887u}},
        // Assign over rows the filter hid gave a shown row a hidden row's height.
        {{"SizeRowByMouse", 1462772782u}, {"Filter", 4291692136u}, {"Assign", 975062094u}},
        // Assign from a grid with all its data rows removed: its sort row was a fixed row no more.
        {{"KeyMarksCtrlA", 2358157563u}, {"RemoveSelectedRows", 2055987745u}, {"Assign", 2302213805u}},
        {{"DeleteKey", 1566585689u}, {"GroupUnGroup", 1078147608u}, {"ColumnDrag", 3415011047u}, {"HideRows", 2137006990u},
         {"MergeColumnCells", 1133921317u}, {"HeaderClickSort", 3517638625u}, {"HeaderClickSort", 218597960u}},
        // A row moved past a merge cut by hidden rows: the merge counted its real rows from the cells' old rows.
        {{"Filter", 529243756u}, {"InsertKey", 3754190657u}, {"DeleteKey", 1242212368u}, {"MergeCells", 1800998041u},
         {"SortByColumn", 962378824u}, {"RemoveRowsEx", 1795219402u}, {"RowDrag", 192081302u}},
        // A node whose row the filter hid: nothing to click, it stays closed when the filter goes.
        {{"RemoveRowsEx", 2081981515u}, {"AddNode", 1376693511u}, {"ContractExpand", 760143171u}, {"Filter", 1236387167u},
         {"NodeClick", 2429942732u}, {"UnHideAll", 2847828727u}},
        // Rows shown by name while the filter was on were hidden again when their node closed and opened.
        {{"Filter", 2141303910u}, {"UnHideRow", 2520273834u}, {"UnHideRow", 1749373820u}, {"AddNode", 1236387167u},
         {"ContractExpand", 499046521u}, {"NodeClick", 2122958388u}},
        // The filter decides once: a node opened after a column moved, a cell changed or rows came hid other rows.
        {{"AddNode", 887750330u}, {"ContractExpand", 2368080824u}, {"Filter", 1955871893u}, {"MoveColumn", 2499016735u}, {"ContractExpand", 944738425u}},
        {{"AddNode", 3213993923u}, {"SearchHighlightOverHidden", 3042889362u}, {"SmartFill", 2815335088u}, {"ContractExpand", 1328370449u}, {"ExpandAll", 3515519806u}},
        {{"Filter", 2827808470u}, {"CsvAppend", 3491735832u}, {"SearchHighlightOverContracted", 127333559u}, {"HideNodeRowThenExpand", 2446641988u}},
        // Letters typed on a read-only cell left the grid uneditable there once the cell was editable again.
        {{"MergeCells", 1381856233u}, {"MergedCellReadOnly", 3312142037u}, {"MergedCellEnter", 983561422u}},
        // A node sort passed over a node whose own row the filter hid.
        {{"AddNode", 623165051u}, {"EditWhileFilter", 3454076639u}, {"DeleteKey", 2444256676u}, {"InsertKey", 3474920140u}, {"SortWithNodes", 1508705198u}},
        // A block whose corner cell kept only a split merge's settings was placed by its next cell.
        {{"EditWhileClearAll", 1940890541u}, {"MergeColumnCells", 2605470744u}, {"AddRowAtEnd", 3625646632u},
         {"RowColorNone", 4264762687u}, {"RemoveCols", 3868892658u}, {"CsvAppend", 2201798902u}, {"CsvAppend", 311986989u},
         {"AddRowAtEnd", 3715127503u}, {"CellStream", 1152874523u}},
        // ContractAll passed over a node whose own row the filter hid, leaving its rows shown.
        {{"AddNode", 310082123u}, {"Filter", 2270580672u}, {"ContractAll", 1369580806u}},
        {{"AddNode", 3036274994u}, {"SearchHighlightOverHidden", 2001951706u}, {"ContractAll", 2221101876u}},
        // RemoveAllNodes and ExpandAll passed over a node whose own row the filter hid.
        {{"AddNode", 1013444094u}, {"Filter", 3679405114u}, {"RemoveAllNodes", 475558074u}, {"UnHideAll", 2923470547u}},
        // A radio's own flag is no check state: a check-box sort counts the radio unchecked.
        {{"EditWhileClearAll", 1666594577u}, {"EditRichCellSpin", 2513611500u}, {"AddCheckBox", 507216018u},
         {"AddRadio", 3633443204u}, {"HeaderClickSort", 3720991007u}},
        // A contracted node cleared by ClearSelectedCells goes with its rows shown, as RemoveNode leaves them.
        {{"HideRows", 1868228033u}, {"SortByColumn", 1138433665u}, {"AddRowAtEnd", 2378019486u}, {"InsertRows", 2044825502u},
         {"RichTextCopy", 1290675610u}, {"Filter", 1654081800u}, {"DeleteKey", 4008184221u},
         {"SearchHighlightOverContracted", 3371022755u}, {"EditUnicodeClick", 3129061383u}, {"ClearSelectedCells", 249470763u}},
    };
    WithMarks = true, Apart = false;
    for (const TNamed& Case : Cases) {
        std::vector<TStep> Steps;
        for (const auto& [Name, Seed] : Case) {
            const int Op = IndexIn(Operations(), std::string(Name), &TOp::Name);
            ASSERT_GE(Op, 0) << Name;
            Steps.push_back({Op, Seed});
        }
        const TOutcome O = RunSteps(Steps);
        std::string Done;
        for (const std::string& D : O.Done) Done += "  " + D + "\n";
        EXPECT_LT(O.FailedAt, 0) << O.Message << "\n" << Done;
    }
}

// The grid's public calls that change rows, columns, merges or nodes, read from its headers: each has an
// operation of the walks or a reason it has none; the tables name no call that is not there.
TEST(GridSequences, EveryRowColumnMergeAndNodeCallIsWalked) {
    const std::regex Change(
        R"(^(Add|Insert|Remove|Delete|Move|Swap|Clear|Hide|UnHide|Merge|Split|Expand|Contract|Group|UnGroup|Ungroup|Sort|)"
        R"(Auto(Insert|Delete)Row|Set(Row|Col)Count|GetCurrentCell)(?!Editor|FocusRect|InplaceEditor|sText|Arrow|Button|)"
        R"(FooterTemplate|Settings|Indexes|ing|CellGraphic|CellSelect|RowSelect|ColSelect|SelectionTo)\w*)");
    std::set<std::string> Calls;
    for (const std::string& M : SourceMethods({"src/platform/ui/Grids.h", "src/grid/BaseGrid.h", "src/grid/ExtGrid.h"}, "TExtStringGrid"))
        if (std::regex_match(M, Change)) Calls.insert(M);
    ASSERT_GT(Calls.size(), 40u);
    std::map<std::string, std::string> Walked, Why;
    auto Read = [](std::map<std::string, std::string>& To, const char* Names, const char* By) { std::istringstream In(Names); for (std::string N; In >> N;) To[N] = By; };
    for (const auto& [Op, Names] : kWalks) { Read(Walked, Names, Op); EXPECT_GE(IndexIn(Operations(), std::string(Op), &TOp::Name), 0) << Op << ": no such operation"; }
    for (const auto& [Names, Reason] : kNotWalked) Read(Why, Names, Reason);
    for (const std::string& C : Calls)
        EXPECT_NE(Walked.contains(C), Why.contains(C)) << C << (Walked.contains(C) ? ": walked and a reason" : ": no operation and no reason");
    for (const auto& Named : {Walked, Why})
        for (const auto& [N, By] : Named) EXPECT_TRUE(Calls.contains(N)) << N << " (" << By << "): no such call of the grid";
}

TEST(GridSequences, RandomSeedsForAsLongAsAsked) {
    if (const char* Steps = std::getenv("GRID_SEQUENCES_REPLAY")) {   // one walk run apart by Replay
        const char* Marks = std::getenv("GRID_SEQUENCES_MARKS");
        WithMarks = !Marks || std::atoi(Marks) != 0;
        alarm(unsigned(std::atoi(std::getenv("GRID_SEQUENCES_LIMIT"))));
        RunSteps(StepsFrom(Steps), std::atoi(std::getenv("GRID_SEQUENCES_FD")));
        _exit(0);
    }
    const char* Env = std::getenv("GRID_SEQUENCES_SECONDS");
    const char* Range = std::getenv("GRID_SEQUENCES_SEEDS");   // "first,count": those seeds, in order
    unsigned First = 0, Count = 0;
    if (Range && std::sscanf(Range, "%u,%u", &First, &Count) != 2) GTEST_FAIL() << "GRID_SEQUENCES_SEEDS is \"first,count\"";
    if (!Env && !Range) GTEST_SKIP() << "GRID_SEQUENCES_SECONDS not set";
    std::string Error;
    const std::vector<int> On = OperationsOn(false, Error);
    ASSERT_TRUE(Error.empty()) << Error;
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(Env ? std::atoi(Env) : 1 << 30);
    const char* One = std::getenv("GRID_SEQUENCES_SEED");
    std::random_device Dev;
    int Walks = 0, Failed = 0;
    for (; std::chrono::steady_clock::now() < Until && !(One && Walks > 0) && !(Range && unsigned(Walks) >= Count); ++Walks) {
        const unsigned Seed = One ? unsigned(std::strtoul(One, nullptr, 10)) : Range ? First + unsigned(Walks) : Dev();
        const std::string Report = Walk(Seed, 60, false, On);
        if (!Report.empty()) {
            ++Failed;
            ADD_FAILURE() << Report;
        }
    }
    std::printf("%d walks, %d failed\n", Walks, Failed);
}
