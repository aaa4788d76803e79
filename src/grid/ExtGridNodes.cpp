// TExtStringGrid: row nodes: adding, removing, expanding and contracting them, their queries and the rows inside them.
#include "grid/ExtGrid.h"

#include <algorithm>
#include <vector>

// --- nodes ------------------------------------------------------------------------------
TCellGraphic* TExtStringGrid::NodeGraphic(Integer ARow) {
    if (ARow < 0 || ARow >= RowCount()) return nullptr;
    TCellGraphic* G = GetCellGraphic(0, ARow);
    return G && G->CellType() == ctNode ? G : nullptr;
}

// --- column 0 of a real row, shown or hidden ---------------------------------------------
TCellProperties* TExtStringGrid::MakeCol0PropertiesAtReal(Integer ARealRow) {
    TStringList* L = HiddenRowItems(ARealRow);
    if (!L) return GetCellProperties(0, DisplRowIndex(ARealRow));
    while (L->Count() < 1) L->Add("");
    TObject* Slot = L->Objects(0);
    if (auto* P = dynamic_cast<TCellProperties*>(Slot)) return P;
    TCellProperties* P = NewCellProperties(0, DisplRowIndex(ARealRow));
    if (Slot) P->SetKeptObject(Slot);
    L->SetObjects(0, P);
    return P;
}

TCellGraphic* TExtStringGrid::MakeCol0GraphicAtReal(Integer ARealRow) {
    if (!IsHiddenRow(ARealRow)) return CreateCellGraphic(0, DisplRowIndex(ARealRow));
    if (NodeAtReal(ARealRow)) RemoveNode(ARealRow);   // as CreateCellGraphic: a node replaced goes whole
    TCellProperties* P = MakeCol0PropertiesAtReal(ARealRow);
    if (auto* Old = dynamic_cast<TCellGraphic*>(P->KeptObject()); Old && FOwnedGraphics.erase(Old)) delete Old;
    auto* G = new TCellGraphic();
    FOwnedGraphics.insert(G);
    P->SetKeptObject(G);
    return G;
}

void TExtStringGrid::RemoveCol0GraphicAtReal(Integer ARealRow) {
    if (!IsHiddenRow(ARealRow)) {
        RemoveCellGraphic(0, DisplRowIndex(ARealRow));
        return;
    }
    TCellProperties* P = MakeCol0PropertiesAtReal(ARealRow);
    if (auto* G = dynamic_cast<TCellGraphic*>(P->KeptObject())) {
        P->SetKeptObject(nullptr);
        FreeCellGraphic(G);
    }
}

Integer TExtStringGrid::NodeEndReal(Integer ARealRow) {
    const TCellGraphic* G = NodeAtReal(ARealRow);
    Integer End = ARealRow;
    if (G && G->CellIndex() > 0) End = ARealRow + G->CellIndex() - 1;
    else if (G) {   // span 0 reaches the next node
        End = ARealRow + 1;
        while (End < AllRowCount() && !NodeAtReal(End)) ++End;
        --End;
    }
    if (FFixedFooters > 0) End = std::min(End, RealRowIndex(RowCount() - FFixedFooters) - 1);
    return std::min(End, AllRowCount() - 1);
}

void TExtStringGrid::AddNode(Integer ARow, Integer Span) {
    if (ARow < 0 || ARow >= AllRowCount()) throw EExtGridError("Invalid row accessed");
    TCellGraphic* G = MakeCol0GraphicAtReal(ARow);
    G->SetCellType(ctNode);
    G->SetCellIndex(Span);
    G->SetCellBoolean(false);
    G->SetCellAngle(DisplRowIndex(ARow));
    G->SetCellHAlign(haBeforeText);
    G->SetCellVAlign(vaCenter);
    // Hidden rows of the span are its rows too.
    for (Integer R = ARow; R < ARow + Span && R < AllRowCount(); ++R) {
        TCellProperties* P = MakeCol0PropertiesAtReal(R);
        P->SetNodeLevel(P->NodeLevel() + 1);
    }
    if (FNodeCount == 0) RepaintCol(0);
    ++FNodeCount;
    if (Col() == 0 && ColCount() > 1) SetCol(1);
}

void TExtStringGrid::MarkSummaryRow(Integer ARow) {
    if (ARow < 0 || ARow >= AllRowCount()) return;
    MakeCol0GraphicAtReal(ARow)->SetCellType(ctSummary);
}

bool TExtStringGrid::RemoveNode(Integer ARow) {
    TCellGraphic* G = NodeAtReal(ARow);
    if (!G) return false;
    const Integer Span = G->CellIndex();
    // A hidden node's rows stay hidden with it; they show when its own row does.
    if (IsHiddenRow(ARow)) G->SetCellBoolean(false);
    else ExpandNode(ARow);
    for (Integer R = ARow; R < ARow + Span && R < AllRowCount(); ++R)
        if (TCellProperties* P = Col0PropertiesAtReal(R)) P->SetNodeLevel(std::max(0, P->NodeLevel() - 1));
    RemoveCol0GraphicAtReal(ARow);
    if (FNodeCount > 0) --FNodeCount;
    RepaintCol(0);
    return true;
}

void TExtStringGrid::RemoveAllNodes() {
    ExpandAll();
    // Every node goes, those nested inside others and those whose row a filter hides too.
    for (Integer Real = 0; Real < AllRowCount(); ++Real) {
        if (NodeAtReal(Real)) {
            RemoveCol0GraphicAtReal(Real);
            if (FNodeCount > 0) --FNodeCount;
        }
        TCellProperties* P = nullptr;
        if (!IsHiddenRow(Real)) P = CellPropertiesOrNil(0, DisplRowIndex(Real));
        else if (const TStringList* L = HiddenRowItems(Real); L && L->Count() > 0)
            P = dynamic_cast<TCellProperties*>(L->Objects(0));
        if (P) P->SetNodeLevel(0);
    }
    Invalidate();
}

bool TExtStringGrid::IsNode(Integer ARow) { return NodeGraphic(ARow) != nullptr; }

bool TExtStringGrid::IsSummaryRow(Integer ARow) {
    return ARow >= 0 && ARow < RowCount() && GetCellType(0, ARow) == ctSummary;
}

bool TExtStringGrid::GetNodeState(Integer ARow) {
    const TCellGraphic* G = NodeGraphic(ARow);
    return G && G->CellBoolean();
}

Integer TExtStringGrid::GetNodeLevel(Integer ARow) {
    if (!IsNode(ARow)) return -1;
    const TCellProperties* P = CellPropertiesOrNil(0, ARow);
    return P ? P->NodeLevel() : 0;
}

Integer TExtStringGrid::GetNodeSpan(Integer ARow) {
    const TCellGraphic* G = NodeGraphic(ARow);
    return G ? G->CellIndex() : -1;
}

void TExtStringGrid::AddToNodeSpan(Integer ARow, Integer Delta) {
    if (TCellGraphic* G = NodeGraphic(ARow)) G->SetCellIndex(G->CellIndex() + Delta);
}

Integer TExtStringGrid::GetParentRow(Integer ARow) {
    if (!HasNodes() || ARow < 0 || ARow >= RowCount()) return -1;
    auto Level = [&](Integer R) {
        if (!IsNode(R)) return 65535;
        const TCellProperties* P = CellPropertiesOrNil(0, R);
        return P ? P->NodeLevel() : 0;
    };
    // Spans count real rows: rows hidden inside a node are still its rows.
    const Integer Own = Level(ARow), Real = RealRowIndex(ARow);
    for (Integer R = ARow - 1; R >= FixedRows(); --R)
        if (IsNode(R) && Level(R) < Own && Real < RealRowIndex(R) + GetNodeSpan(R)) return R;
    return IsNode(ARow) ? ARow : -1;
}

Integer TExtStringGrid::GetNodeLine(Integer ARow) {
    if (IsNode(ARow)) return 0;
    if (ARow >= RowCount() - 1 - FFixedFooters) return 1;
    const TCellProperties* Next = CellPropertiesOrNil(0, ARow + 1);
    if (!Next) return 1;
    const TCellProperties* Own = CellPropertiesOrNil(0, ARow);
    const Integer L = Own ? Own->NodeLevel() : 0;
    return Next->NodeLevel() < L ? 1 : 2;
}

bool TExtStringGrid::IsNodeGlyphHit(Integer ARow, Integer X) {
    if (!IsNode(ARow)) return false;
    const TCellProperties* P = CellPropertiesOrNil(0, ARow);
    const Integer L = P ? P->NodeLevel() : 0;
    const Integer N = FCellNode->NodeIndent();
    if (BiDiMode() == bdRightToLeft) X = ClientWidth() - 2 - X;
    return X > (L - 1) * N && X < L * N;
}

void TExtStringGrid::ExpandNode(Integer ARow) {
    if (FCellNode->ExpandOne())
        // The nodes the row lies in stay open: closing one would hide the row itself.
        for (Integer R = FixedRows(); R < RowCount(); ++R) {
            const Integer Real = RealRowIndex(R);
            const bool Holds = Real <= ARow && ARow <= NodeEndReal(Real);
            if (!Holds && IsNode(R) && !GetNodeState(R)) ContractNode(Real);
        }
    TCellGraphic* G = NodeAtReal(ARow);
    if (G && G->CellBoolean() && IsHiddenRow(ARow)) {
        // Inside a contracted node its rows show when its own row does; a row hidden by
        // itself (HideRows, the filter) leaves them to show now.
        G->SetCellBoolean(false);
        if (!InContractedNode(ARow)) ShowNodeRows(ARow);
    } else if (G && G->CellBoolean()) {
        const Integer D = DisplRowIndex(ARow);
        G->SetCellBoolean(false);
        Integer After = D + 1;
        if (G->CellIndex() == 0)
            while (After < RowCount() && !IsNode(After)) ++After;
        const Integer From = ARow + 1;
        // The node's own rows only: a row hidden right after it (a filter) stays hidden.
        Integer To = After < RowCount() ? RealRowIndex(After) - 1 : AllRowCount() - 1;
        if (G->CellIndex() > 0) To = std::min(To, From + G->CellIndex() - 2);
        const bool RowSel = Options().Contains(goRowSelect);
        const TGridRect Sel = Selection();
        const Integer Top = TopRow();
        TGridOptions O = Options();
        const bool WasSuspended = FEditSuspended;
        if (RowSel) {
            O.Exclude(goRowSelect);
            SetOptions(O);
        }
        TUpdateScope Update(this);
        ShowNodeRows(ARow, To);
        Update.End();
        if (RowSel) {
            O.Include(goRowSelect);
            SetOptions(O);
            FEditSuspended = WasSuspended;
            SetSelection(Sel);
            if (Top < RowCount()) SetTopRow(Top);
        }
        RepaintCell(0, D);
    }
    RecalcAllFooters();
}

// The rows of the node at a real row come back (up to ATo when given), but those a nested
// contracted node holds.
void TExtStringGrid::ShowNodeRows(Integer ARow, Integer ATo) {
    std::vector<Integer> Shown;
    for (Integer K = ARow + 1, End = ATo >= 0 ? ATo : NodeEndReal(ARow); K <= End; ++K) {
        if (IsHiddenRow(K)) {
            ShowHiddenRows(K, K);
            Shown.push_back(K);
        }
        if (const TCellGraphic* N = NodeAtReal(K); N && N->CellBoolean()) K = std::max(K, NodeEndReal(K));
    }
    HideFilteredRows(Shown);
}

// A row the filter hid stays hidden whatever nodes do: the filter decided when it was
// switched on, and only a row shown by name leaves its hold.
void TExtStringGrid::HideFilteredRows(const std::vector<Integer>& ARealRows) {
    std::vector<Integer> Again;   // display rows, ascending
    for (Integer R : ARealRows)
        if (R < Integer(FFilteredRows.size()) && FFilteredRows[size_t(R)] && !IsHiddenRow(R)) Again.push_back(DisplRowIndex(R));
    if (!Again.empty()) HideRowList(Again);
}

bool TExtStringGrid::InContractedNode(Integer ARow) {
    for (Integer R = 0; R < ARow; ++R)
        if (const TCellGraphic* N = NodeAtReal(R); N && N->CellBoolean() && ARow <= NodeEndReal(R)) return true;
    return false;
}

void TExtStringGrid::ContractNode(Integer ARow) {
    if (EditorMode()) HideEditor();
    TCellGraphic* G = NodeAtReal(ARow);
    if (G && !G->CellBoolean() && IsHiddenRow(ARow)) {
        // Inside a contracted node: its rows are hidden already and stay so when that one opens.
        G->SetCellBoolean(true);
        const Integer End = NodeEndReal(ARow);
        for (Integer R = ARow + 1; R <= End; ++R)
            if (TCellGraphic* N = NodeAtReal(R)) N->SetCellBoolean(false);
        if (End > ARow) HideRows(ARow + 1, End);
    } else if (G && !G->CellBoolean()) {
        const Integer D = DisplRowIndex(ARow);
        G->SetCellBoolean(true);
        // The span counts rows, hidden ones included: the node's last row is found
        // by its real index, so rows of a contracted inner node are not counted twice.
        Integer End = DisplRowIndex(RealRowIndex(D) + G->CellIndex()) - 1;
        if (G->CellIndex() == 0) {
            End = D + 1;
            while (End < RowCount() && !IsNode(End)) ++End;
            --End;
        }
        End = std::min(End, RowCount() - 1 - FFixedFooters);
        // Nested contracted nodes: their rows are hidden already; clearing their
        // flag lets the outer expansion bring them back too.
        for (Integer R = D + 1; R <= End; ++R)
            if (TCellGraphic* N = NodeGraphic(R); N && N->CellBoolean()) N->SetCellBoolean(false);
        if (End > D) HideRows(RealRowIndex(D + 1), RealRowIndex(End));
        RepaintCell(0, D);
    }
    RecalcAllFooters();
}

void TExtStringGrid::ExpandAll() {
    std::vector<Integer> Hidden;
    for (Integer R = 0; !FFilteredRows.empty() && R < AllRowCount(); ++R)
        if (IsHiddenRow(R)) Hidden.push_back(R);
    ShowAllRows();
    HideFilteredRows(Hidden);
    for (Integer Real = FixedRows(); Real < AllRowCount(); ++Real)   // a node the filter hides too
        if (TCellGraphic* G = NodeAtReal(Real)) G->SetCellBoolean(false);
    RecalcAllFooters();
    Invalidate();
}

void TExtStringGrid::ContractAll() {
    TUpdateScope Update(this);
    ExpandAll();
    // By real rows: a node whose own row a filter hides is contracted too. Nodes inside a
    // contracted span are passed over, as they were hidden with it.
    for (Integer Real = TBaseGrid::FixedRows(); Real < AllRowCount(); ++Real) {
        TCellGraphic* G = NodeAtReal(Real);
        if (!G) continue;
        const Integer End = NodeEndReal(Real);
        G->SetCellBoolean(true);
        if (End > Real) HideRows(Real + 1, End);
        Real = std::max(Real, End);
    }
    Update.End();
    RecalcAllFooters();
}

// --- rows inside nodes --------------------------------------------------------------------
void TExtStringGrid::InsertDisplRowRenumber(Integer ADisplRow) {
    // Hidden rows from the insertion point on move down with the shown ones (InsertRows moves them).
    InsertRows(ADisplRow, 1);
}

bool TExtStringGrid::RemoveDisplRowRenumber(Integer ADisplRow) {
    const Integer Old = RowCount();
    RemoveRowsEx(ADisplRow, 1);   // the hidden rows after it move up with it
    return RowCount() < Old;      // false: the last data row is only emptied
}

void TExtStringGrid::InsertRowRenumber(Integer ARow) {
    if (ARow < 0 || IsHiddenRow(ARow)) return;
    InsertDisplRowRenumber(DisplRowIndex(ARow));
}

void TExtStringGrid::RemoveRowRenumber(Integer ARow) {
    if (ARow < 0 || IsHiddenRow(ARow)) return;
    const Integer D = DisplRowIndex(ARow);
    if (D < RowCount()) RemoveDisplRowRenumber(D);
}

namespace {

Integer RowLevel(TExtStringGrid* G, Integer ARow) {
    const TCellProperties* P = G->CellPropertiesOrNil(0, ARow);
    return P ? P->NodeLevel() : 0;
}

// A row inside contracted nodes is shown by expanding them, outermost first.
void ShowRealRow(TExtStringGrid* G, Integer ARow) {
    while (G->IsHiddenRow(ARow)) {
        const Integer Above = G->DisplRowIndex(ARow) - 1;
        if (G->IsNode(Above) && G->GetNodeState(Above)) G->ExpandNode(G->RealRowIndex(Above));
        else G->UnHideRows(ARow, ARow);
    }
}

}  // namespace

void TExtStringGrid::InsertChildRow(Integer ARow, Integer Position) {
    if (ARow < 0 || ARow >= AllRowCount()) throw EExtGridError("Invalid row accessed");
    ShowRealRow(this, ARow);
    Integer D = DisplRowIndex(ARow);
    // A node row is its own parent: its new child must land inside its span.
    const Integer Parent = IsNode(D) ? D : GetParentRow(D);
    std::vector<Integer> Chain;   // real rows of the nodes that grow, innermost first
    Integer Level = 0;
    if (Parent >= 0) {
        Level = RowLevel(this, Parent);
        Chain.push_back(RealRowIndex(Parent));
        Integer Reached = Level;
        for (Integer R = Parent - 1; R >= FixedRows() && Reached > 1; --R)
            if (IsNode(R) && RowLevel(this, R) < Reached && RealRowIndex(R) + GetNodeSpan(R) > Chain.front()) {
                Reached = RowLevel(this, R);
                Chain.push_back(RealRowIndex(R));
            }
    }
    // Outermost first, so that each inner node is shown when its turn comes.
    for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) ExpandNode(*It);
    D = DisplRowIndex(ARow) + Position;
    D = std::clamp(D, FixedRows(), RowCount() - FFixedFooters);
    // The insertion grows the nodes it lands inside; a node whose last row the new
    // row follows grows here.
    const Integer At = D < RowCount() ? RealRowIndex(D) : AllRowCount();
    std::vector<Integer> AtEnd;
    for (Integer N : Chain)
        if (At == N + GetNodeSpan(DisplRowIndex(N))) AtEnd.push_back(N);
    InsertDisplRowRenumber(D);
    for (Integer N : AtEnd) AddToNodeSpan(DisplRowIndex(N), 1);
    if (Parent >= 0) GetCellProperties(0, D)->SetNodeLevel(Level);
}

void TExtStringGrid::RemoveChildRow(Integer ARow) {
    if (ARow < 0 || ARow >= AllRowCount()) throw EExtGridError("Invalid row accessed");
    ShowRealRow(this, ARow);
    Integer D = DisplRowIndex(ARow);
    Integer Parent = GetParentRow(D);
    if (Parent == D) Parent = -1;   // a top node has no parent
    // The nodes around the row are opened; the removal shrinks every node it lies in.
    std::vector<Integer> Chain;
    for (Integer N = Parent; N >= 0;) {
        Chain.push_back(RealRowIndex(N));
        const Integer Up = GetParentRow(N);
        if (Up == N || Up < 0) break;
        N = Up;
    }
    for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) ExpandNode(*It);
    D = DisplRowIndex(ARow);
    if (D < RowCount()) RemoveDisplRowRenumber(D);
}
