// TExtStringGrid: the editing flow. Moving between cells, opening an editor,
// validating and writing back the edited value, advancing after Enter and Tab.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtGridInplace.h"
#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>

namespace {

// A Unicode cell is edited by its letters: the text editors give way to the Unicode
// ones (a password keeps its hidden editor while its letters fit code page 1254), and so
// do the combos and number edits with a button when the letters do not fit.
TEditorType LettersEditor(TEditorType E, const WideString& Letters) {
    if (E == edEditBtn) return edUniEditBtn;
    if (AnsiToWide(WideToAnsi(Letters)) != Letters) {
        if (E == edPassword) return edUniEdit;   // hiding the letters as its column does
        if (E == edComboEdit) return edUniComboEdit;
        if (E == edComboList) return edUniComboList;
        if (E == edNumericEditBtn || E == edFloatEditBtn) return edUniEditBtn;
    }
    if (!UsesTextEditor(E) || E == edPassword) return E;
    return Letters.find_first_of(u"\r\n") != WideString::npos ? edUniMemo : edUniEdit;
}

bool IsControlCellType(TCellType T) {
    return T == ctCheckBox || T == ctDataCheckBox || T == ctRadio || T == ctButton || T == ctBitButton ||
           T == ctVirtCheckBox || T == ctRowCheckBox;
}

// A merged cell is edited in its base cell, wherever in the merge the editor stands.
void EditBase(const TExtStringGrid* G, Integer& ACol, Integer& ARow) {
    if (ACol < 0 || ARow < 0 || ACol >= G->ColCount() || ARow >= G->RowCount()) return;
    const TPoint B = G->BaseCell(G->RealColIndex(ACol), ARow);
    ACol = B.X;
    ARow = B.Y;
}

}  // namespace

bool UsesTextEditor(TEditorType E) {
    return E == edNormal || (E >= edNumeric && E <= edPassword) || E == edLowerCase || E == edUpperCase;
}

TInplaceEdit* TExtStringGrid::CreateEditor() { return new TExtInplaceEdit(this, WantsMultiLineEditor(FActiveEditor)); }

bool TExtStringGrid::WantsMultiLineEditor(TEditorType AEditor) {
    if (!FNavigation->AllowCtrlEnter() || AEditor == edPassword) return false;
    // An edit mask lives on the one-line editor.
    if (!GetEditMask(Col(), Row()).empty()) return false;
    if (FWordWrap || FMultilinecells) return true;
    if (Col() < 0 || Row() < 0 || Col() >= ColCount() || Row() >= RowCount()) return false;
    const TPoint B = BaseCell(GetRealCol(), Row());
    const AnsiString T = TBaseGrid::GetEditText(B.X, B.Y);
    return T.find_first_of("\r\n") != AnsiString::npos;
}

Integer TExtStringGrid::FirstDataCol() { return FixedCols() == 0 && HasNodes() ? 1 : FixedCols(); }

bool TExtStringGrid::IsControlCell(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return false;
    switch (GetCellType(ACol, ARow)) {
        case ctCheckBox: case ctDataCheckBox: case ctVirtCheckBox: case ctRowCheckBox: case ctRadio: case ctButton:
            return true;
        default:
            return false;
    }
}

bool TExtStringGrid::CellEditable(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return false;
    if (!Options().Contains(goEditing) && !FMouseActions->RangeSelectAndEdit() && !FEditSuspended) return false;
    const TPoint B = BaseCell(ACol, ARow);
    if (IsFixed(B.X, B.Y)) return false;
    bool Can = true;
    CanEditCell(B.X, B.Y, Can);
    return Can;
}

// Editing set off from outside ends a suspension too, so nothing turns it back on
// and no paste or drop writes through it. The grid's own brief changes keep it.
void TExtStringGrid::OptionsSetting(TGridOptions Value) {
    if (!Value.Contains(goEditing)) FEditSuspended = false, FControlEditing = false;
}

void TExtStringGrid::ChangeEditing(bool On) {
    TGridOptions O = Options();
    if (On == O.Contains(goEditing)) return;
    if (On) O.Include(goEditing);
    else O.Exclude(goEditing);
    SetOptions(O);
}

// Editing switched off for a cell that could not be edited comes back when that cell can be edited
// again with the cursor still on it (its read-only flag cleared, the program's answer changed): the
// user's key or click edits it without a move away and back.
void TExtStringGrid::ResumeEditing(bool Editable) {
    if (!Editable || !FEditSuspended || Options().Contains(goEditing)) return;
    FEditSuspended = false;
    ChangeEditing(true);
}

void TExtStringGrid::BeginCellEdit(Integer ACol, Integer ARow) {
    FEditCol = ACol;
    FEditRow = ARow;
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return;
    FTextBeforeEdit = HeldText(ACol, ARow);
}

bool TExtStringGrid::SelectCell(Integer ACol, Integer ARow) {
    if (FMoving) return TBaseGrid::SelectCell(ACol, ARow);
    const Integer OldCol = Col(), OldRow = Row();
    bool Allow = true;
    // A handler may free the grid (its screen closes): then nothing moves.
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (ACol >= 0 && ARow >= 0) {
        if (ARow != OldRow && OnRowChanging) FireEvent(OnRowChanging, this, OldRow, ARow, Allow);
        if (*Alive && ACol != OldCol && OnColChanging) FireEvent(OnColChanging, this, OldCol, ACol, Allow);
        if (*Alive && (ARow != OldRow || ACol != OldCol) && OnCellChanging) FireEvent(OnCellChanging, this, OldRow, OldCol, ARow, ACol, Allow);
        if (!*Alive) return false;
    }
    if (HasNodes() && ACol == 0 && !Options().Contains(goRowSelect)) return false;
    if (!Allow) return false;

    // A pending value is checked before the cell is left, whoever moves the cell.
    if (!ValidatePending() || !*Alive) return false;

    // Editing permission of the target: a refused cell switches editing off until
    // the next editable cell. A target that refuses the move leaves it as it was.
    const bool WasEditing = Options().Contains(goEditing), WasSuspended = FEditSuspended;
    const bool WasControlEditing = FControlEditing;
    if (IsControlCell(ACol, ARow)) {
        bool Can = true;
        if (OnCanEditCell) FireEvent(OnCanEditCell, this, ARow, ACol, Can);
        if (!*Alive) return false;
        if (Can && !Options().Contains(goEditing) && !Options().Contains(goRowSelect)) {
            FControlEditing = !FEditSuspended;   // a suspended edit is the grid's own
            ChangeEditing(true);
        }
    } else {
        // Editing switched on for a control cell holds for control cells only: another
        // cell finds the grid's own setting.
        if (FControlEditing) ChangeEditing(false);
        bool Can = Options().Contains(goEditing) || FEditSuspended;
        const TPoint B = BaseCell(ACol, ARow);
        CanEditCell(B.X, B.Y, Can);
        if (!*Alive) return false;
        if (Can) {
            if (FEditSuspended || !Options().Contains(goEditing)) {
                FEditSuspended = false;
                ChangeEditing(true);
            }
        } else if (Options().Contains(goEditing)) {
            ChangeEditing(false);
            FEditSuspended = true;
        }
    }

    const bool Result = IsFixed(ACol, ARow) ? false : TBaseGrid::SelectCell(ACol, ARow);
    if (!*Alive) return false;
    if (!Result) {
        ChangeEditing(WasEditing);
        FEditSuspended = WasSuspended;
        FControlEditing = WasControlEditing;
        return false;
    }
    if (!ComponentState().Contains(csLoading)) ReportRow(ARow);
    if (!*Alive) return false;   // OnRowUpdate freed the grid
    if (FSelectionRectangle || FActiveCellShow) RepaintUnlessUpdating();
    if (ARow != OldRow && FixedCols() > 0 && !FRowIndicator->Empty()) {
        // The indicator leaves the old row's fixed cell for the new one's.
        if (OldRow >= 0 && OldRow < RowCount()) RepaintCell(0, OldRow);
        RepaintCell(0, ARow);
    }
    BeginCellEdit(ACol, ARow);
    // The target's edit starts when its editor opens; the editor here closes with the move.
    if (!FValidating && (ACol != OldCol || ARow != OldRow)) FEditShown = false;
    return true;
}

bool TExtStringGrid::CanEditShow() {
    if (FValidating) return false;
    const TAliveGuard alive(this);   // the handlers may close the screen
    if (FEditSuspended && !Options().Contains(goEditing)) {   // a click on the current cell
        const bool Editable = CellEditable(Col(), Row());
        if (alive.Gone()) return false;
        ResumeEditing(Editable);
    }
    const bool Framework = TBaseGrid::CanEditShow();
    if (!Framework || ComponentState().Contains(csDesigning)) return Framework;
    const TPoint B = BaseCell(Col(), Row());
    // No editor over a cell's check boxes or its form controls: it would take their text.
    if (IsControlCell(B.X, B.Y) || HoldsFormControls(B.X, B.Y)) return false;
    // A cell that may not be edited never opens, also when it became current
    // without a move (a new grid, a program-set cell).
    bool Can = true;
    CanEditCell(B.X, B.Y, Can);
    if (!Can || alive.Gone()) return false;
    if (!FEditShown) {
        BeginCellEdit(Col(), Row());
        TEditorType E = FDefaultEditor;
        GetEditorType(B.X, B.Y, E);
        if (alive.Gone()) return false;
        FActiveEditor = IsUnicodeCell(B.X, B.Y) ? LettersEditor(E, CellTextToWide(HeldText(B.X, B.Y))) : E;
        FLetterRules = E;
    }
    if (FActiveEditor == edNone) return false;
    if (UsesTextEditor(FActiveEditor)) {
        // A cell of several lines gets the multi-line editor, a one-line cell the plain one.
        if (!EditorMode() && InplaceEditor() && InplaceEditor()->MultiLine() != WantsMultiLineEditor(FActiveEditor))
            RecreateEditor();
        FEditActive = true;
        FEditShown = true;
        return true;
    }
    const bool Shown = ShowEditorControl(FActiveEditor);
    if (alive.Gone()) return false;
    FEditActive = FEditShown = Shown;
    return false;
}

bool TExtStringGrid::ValidatePending() {
    if (FValidating) return true;   // a move made by the check itself
    if (FEditorControl) {
        // Its value goes into the cell first; OnEditingDone may free the grid.
        const TAliveGuard alive(this);
        EndEditorControl();
        if (alive.Gone()) return false;
    }
    if (!FEditShown) return true;
    AnsiString V;
    GetCurrentCell(V);
    const TPoint B = BaseCell(GetRealCol(), Row());
    return IsUnicodeCell(B.X, B.Y) ? ValidateWideCell(CellTextToWide(V)) : ValidateCell(V);
}

// Rows about to move or hide (a sort, a node click) take an open edit's value with them
// only once it is checked, on the row it was typed in; an open form control stores its value.
bool TExtStringGrid::EndEditBeforeRowsMove() {
    const TAliveGuard Alive(this);   // the edit's handlers may close the screen
    if (EditorMode()) HideEditor();
    if (Alive.Alive()) ControlEditDone();
    const bool Valid = Alive.Alive() && ValidatePending();
    return Valid && Alive.Alive();
}

// Rows or columns about to change under the program's hand: an open or pending edit is
// checked and stored in its own cell first, a refused value goes back there. The edit
// ends either way: an editor reopened now would stand over another cell once they move.
void TExtStringGrid::EndEditBeforeLayoutChange() {
    ++FLayoutChanges;
    // The fixed-cell editor knows its cell by index: it stores and closes first.
    if (!ComponentState().Contains(csDestroying)) CloseFixedCellEditor(true);
    // A grid going away asks nobody to check anything.
    if (FValidating || ComponentState().Contains(csDestroying) || (!EditorMode() && !FEditorControl && !FEditShown)) return;
    struct TNoReopen {
        bool& Flag;
        const bool Was;
        ~TNoReopen() { Flag = Was; }
    } NoReopen{FReopenOnRefusal, FReopenOnRefusal};
    FReopenOnRefusal = false;
    if (EditorMode()) HideEditor();
    ValidatePending();
    if (EditorMode()) HideEditor();
    FEditShown = false;
}

void TExtStringGrid::EditorHidden() {
    // Closed with nothing new in the cell: no edit is left pending.
    if (FEditShown && !FValidating && FEditCol == Col() && FEditRow == Row() && !FEditorControl) {
        const TPoint B = BaseCell(GetRealCol(), Row());
        if (HeldText(B.X, B.Y) == FTextBeforeEdit) FEditShown = false;
        else FooterCellChanged(B.X);   // stored, to be checked later: the total follows the cell
    }
    FEditActive = false;
    FStartKey = 0;
    if (OnEditingDone) FireEvent(OnEditingDone, this);
}

bool TExtStringGrid::ValidateCell(const AnsiString& Value) { return Validate(Value, false); }

bool TExtStringGrid::ValidateWideCell(const WideString& Value) {
    return Validate(Value.empty() ? AnsiString() : WideToCellText(Value), true);
}

WideString TExtStringGrid::GetWideCell(Integer ACol, Integer ARow) { return CellTextToWide(Cells(ACol, ARow)); }

void TExtStringGrid::SetWideCell(Integer ACol, Integer ARow, const WideString& Value) {
    SetCells(ACol, ARow, Value.empty() ? AnsiString() : WideToCellText(Value));
}

bool TExtStringGrid::Validate(const AnsiString& Value, bool Wide) {
    if (!FEditShown || FValidating) return true;
    // An unfinished mask keeps the edit open on the cell, as typed.
    if (auto* Ed = dynamic_cast<TExtInplaceEdit*>(InplaceEditor()); !Wide && Ed && Ed->RefuseIncompleteMask())
        return false;
    FEditShown = false;
    FValidating = true;
    bool Valid = true, Moved = false;
    const TPoint B = BaseCell(Col(), Row());
    const AnsiString Typed = Wide ? Value : KeptEditText(B.X, B.Y, Value);
    AnsiString V = Wide ? Value : TypedCellText(B.X, B.Y, Typed);
    // The checker and the plain check see the letters the user sees, never a Unicode cell's
    // stored form (letters outside the code page as "?"). A text they hand back unchanged
    // keeps the value whole; one they wrap (a mark) keeps the letters inside it.
    auto ByLetters = [&](const TPoint& At, const std::function<void(AnsiString&)>& Step) {
        const bool Coded = IsUnicodeText(V);
        const WideString W = CellTextToWide(V);
        const AnsiString Shown = Coded ? WideToAnsi(W) : V;
        AnsiString P = Shown;
        Step(P);
        if (P == Shown) return;
        const size_t K = Coded && !FitsCodePage(W) ? P.find(Shown) : AnsiString::npos;
        if (K != AnsiString::npos)
            V = WideToCellText(AnsiToWide(P.substr(0, K)) + W + AnsiToWide(P.substr(K + Shown.size())));
        else V = Coded ? TypedCellText(At.X, At.Y, P) : P;
    };
    if (V != FTextBeforeEdit) {
        const bool Advance = FNavigation->AdvanceOnEnter();
        FNavigation->SetAdvanceOnEnter(false);
        try {
            if (FCellChecker && FCellChecker->AutoCorrect())
                ByLetters(B, [&](AnsiString& P) { P = FCellChecker->Correct(B.X, B.Y, P); });
            const AnsiString Offered = V;
            const std::shared_ptr<const bool> Alive = AliveToken();
            const Integer Layout = FLayoutChanges;
            FCheckedCell = TGridCoord{B.X, RealRowIndex(B.Y)};
            const AnsiString Before = FTextBeforeEdit;   // the handler's moves may start another cell's edit
            if (Wide && OnCellValidateWide) {
                WideString W = CellTextToWide(V);
                FireEvent(OnCellValidateWide, this, B.X, B.Y, W, Valid);
                V = W.empty() ? AnsiString() : WideToCellText(W);
            } else if (OnCellValidate) {
                // Without a check of its own a Unicode value meets the plain one, as its letters.
                ByLetters(B, [&](AnsiString& P) { FireEvent(OnCellValidate, this, B.X, B.Y, P, Valid); });
            }
            if (!*Alive) return false;   // the handler freed the grid: its callers stop too
            // The handler may have changed rows or columns: the answer goes to the edited
            // cell wherever it went (a row added after it leaves it where it is).
            const TPoint At = Layout == FLayoutChanges ? B : CheckedCellNow();
            Moved = At != B;
            if (Moved && EditorMode() && InplaceEditor()) {
                // The editor stands over another cell now: it closes on what that cell holds.
                InplaceEditor()->SetText(GetEditText(Col(), Row()));
                HideEditor();
            }
            if (At.X >= 0 && FShowModified->Enabled() && FixedCols() > 0) {
                SetRowMarked(At.Y, true);
                RepaintCell(0, At.Y);
            }
            if (At.X < 0) {
                // The cell went (removed, hidden, sorted away): its value went with it.
            } else if (Valid) {
                if (FCellChecker && FCellChecker->AutoMarkError())
                    ByLetters(At, [&](AnsiString& P) { P = FCellChecker->MarkError(At.X, At.Y, P); });
                // Only a Unicode column keeps the coded form; elsewhere it stays where the letters
                // need it, so that a number typed over Unicode text sorts and totals as one.
                if (IsUnicodeText(V) && (FLetterRules < edUniEdit || FLetterRules > edUniMemo))
                    V = OutsideTextToCell(CellTextToWide(V));
                if (UndoRedo()) UndoRedo()->AddChange(At.X, At.Y, Before, V);
                CellsChanged(Rect(At.X, At.Y, At.X, At.Y));
                if (!*Alive) return false;
                SetCells(At.X, At.Y, V);
                FooterCellChanged(At.X);   // after the store: the totals take the new value
            } else {
                // The handler's own value wins; a value left as typed goes back.
                const AnsiString Back = V == Offered ? Before : V;
                if (EditorMode() && InplaceEditor()) {
                    InplaceEditor()->SetText(Back);
                    HideEditor();
                }
                SetCells(At.X, At.Y, Back);
                FooterCellChanged(At.X);   // a value stored before the check went back
                V = Back;
            }
        } catch (...) {
            // A raising handler decided nothing: the value stays pending, checked again next time.
            FNavigation->SetAdvanceOnEnter(Advance);
            FValidating = false;
            FEditShown = true;
            throw;
        }
        FNavigation->SetAdvanceOnEnter(Advance);
    }
    FNewText = V;
    BeginCellEdit(Col(), Row());
    FValidating = false;
    if (!Valid && FReopenOnRefusal && !Moved) ShowEditor();
    // The text editor still open (the cell could not move) edits the cell anew: what
    // is typed next is checked again.
    if (EditorMode()) FEditShown = true;
    return Valid;
}

TPoint TExtStringGrid::CheckedCellNow() const {
    const TGridCoord C = FCheckedCell;
    if (C.X < 0 || C.Y < 0 || C.X >= ColCount() || C.Y >= AllRowCount() || IsHiddenRow(C.Y)) return Point(-1, -1);
    const Integer D = DisplRowIndex(C.Y);
    return D >= 0 && D < RowCount() ? Point(C.X, D) : Point(-1, -1);
}

AnsiString TExtStringGrid::GetEditText(Integer ACol, Integer ARow) {
    EditBase(this, ACol, ARow);
    AnsiString V = TBaseGrid::GetEditText(ACol, ARow);
    if (IsUnicodeText(V)) return SearchedText(V);   // its letters, not its bytes
    // The editor shows what the user reads; tags stay only when asked for.
    if (!FEditWithTags && TextType(V, FEnableHTML) == 1) V = HTMLStrip(V);
    return V;
}

AnsiString TExtStringGrid::KeptEditText(Integer ACol, Integer ARow, const AnsiString& Value) const {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return Value;
    // A Unicode cell's letters handed back as an 8-bit editor showed them (outside the code
    // page as "?"), or a tagged cell's text handed back stripped, leave the cell as it is,
    // or as it was when its edit began (a letter typed and taken back).
    auto Keeps = [&](const AnsiString& Was) {
        if (IsUnicodeText(Was)) return Value == SearchedText(Was);
        return !FEditWithTags && TextType(Was, FEnableHTML) == 1 && HTMLStrip(Was) == Value;
    };
    const AnsiString Stored = Cells(ACol, ARow);
    if (Keeps(Stored)) return Stored;
    if (BaseCell(GetRealCol(), Row()) == Point(ACol, ARow) && Keeps(FTextBeforeEdit)) return FTextBeforeEdit;
    return Value;
}

AnsiString TExtStringGrid::TypedCellText(Integer ACol, Integer ARow, const AnsiString& Value) const {
    if (Value.empty() || IsUnicodeText(Value) || ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        return Value;
    // The text before the edit is the cell's it was taken from: on a move it is already the next cell's.
    const bool Edited = FEditCol >= 0 && FEditRow >= 0 && FEditCol < ColCount() && FEditRow < RowCount() &&
                        BaseCell(FEditCol, FEditRow) == Point(ACol, ARow) && IsUnicodeText(FTextBeforeEdit);
    return IsUnicodeCell(ACol, ARow) || Edited ? WideToCellText(AnsiToWide(Value)) : Value;
}

void TExtStringGrid::SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) {
    EditBase(this, ACol, ARow);
    TBaseGrid::SetEditText(ACol, ARow, TypedCellText(ACol, ARow, KeptEditText(ACol, ARow, Value)));
}

void TExtStringGrid::RestoreEditText() {
    const TPoint B = BaseCell(Col(), Row());
    const AnsiString Before = FTextBeforeEdit;
    FEditShown = false;
    const TAliveGuard Alive(this);   // OnSetEditText may close the screen
    if (EditorMode() && InplaceEditor()) {
        InplaceEditor()->SetText(Before);
        if (Alive.Gone()) return;
        HideEditor();
        if (Alive.Gone()) return;
    }
    SetEditText(B.X, B.Y, Before);
    if (Alive.Alive()) SetCells(B.X, B.Y, Before);
}

void TExtStringGrid::StoreCellText(Integer ACol, Integer ARow, const AnsiString& Value) {
    const TAliveGuard alive(this);
    SetEditText(ACol, ARow, Value);
    if (alive.Alive()) SetCells(ACol, ARow, TypedCellText(ACol, ARow, Value));
}

void TExtStringGrid::AdvanceEdit(Integer ACol, Integer ARow, bool Force, bool AnyCell, bool Forward, bool Recursing) {
    if (!FNavigation->AdvanceOnEnter() && !Force) return;
    if (FMouseActions->RangeSelectAndEdit() && !Options().Contains(goEditing)) ChangeEditing(true);
    if (!Recursing) FAdvanceFrom = TGridCoord{ACol, ARow};
    const TAliveGuard Asked(this);   // OnCanEditCell may close the screen
    const Integer FC = FirstDataCol(), LC = LastDataCol(), FR = FixedRows();
    Integer C = ACol, R = ARow;
    // Every cell at most once: a grid without an editable cell leaves the walk where it began.
    const Integer Limit = std::max(1, (LC - FC + 1) * (LastDataRow() - FR + 1)) + 1;
    // An appended row (column) in which nothing can be edited ends the advance: one
    // Enter appends once.
    auto NothingEditable = [this, &Asked](Integer FromC, Integer FromR, Integer DC, Integer DR) {
        for (Integer C = FromC, R = FromR; C <= LastDataCol() && R <= LastDataRow(); C += DC, R += DR) {
            bool Can = true;
            const TPoint B = BaseCell(C, R);
            CanEditCell(B.X, B.Y, Can);
            if (Asked.Gone()) return true;
            if (Can) return false;
        }
        return true;
    };
    bool Found = false;
    for (Integer Step = 0; Step < Limit && !Found; ++Step) {
        const Integer LR = LastDataRow();
        if (LC < FC || LR < FR) return;
        if (FNavigation->AdvanceDirection() == adLeftRight) {
            if (Forward) {
                const Integer Span = std::max(0, CellSpan(C, R).X);
                if (C + Span < LC) {
                    C += 1 + Span;
                } else if (R < LR) {
                    C = FC;
                    ++R;
                } else if (FNavigation->AdvanceInsert()) {
                    const TAliveGuard Alive(this);
                    if (CanAddRow()) {
                        AddRow();
                        if (Alive.Gone()) return;
                        RecalcAllFooters();
                        ++R;
                        if (OnAutoAddRow) FireEvent(OnAutoAddRow, this, LastDataRow());
                        if (Alive.Gone() || NothingEditable(FC, R, 1, 0)) return;
                    }
                    if (Alive.Gone()) return;
                    C = FC;
                } else {
                    C = FC;
                    R = FR;
                }
            } else if (C > FC) {
                --C;
            } else {
                C = LC;
                R = R > FR ? R - 1 : LR;
            }
        } else {
            if (Forward) {
                if (R < LR) {
                    ++R;
                } else if (C < LC) {
                    R = FR;
                    ++C;
                } else if (FNavigation->AdvanceInsert()) {
                    // The new column goes left of the right fixed columns, as rows go above the footers.
                    const std::shared_ptr<const bool> Alive = AliveToken();
                    InsertCols(LC + 1, 1);
                    if (!*Alive) return;
                    R = FR;
                    C = LC + 1;
                    if (OnAutoInsertCol) FireEvent(OnAutoInsertCol, this, LastDataCol());
                    if (!*Alive) return;
                    RepaintUnlessUpdating();
                    if (NothingEditable(C, FR, 0, 1)) return;
                } else {
                    R = FR;
                    C = FC;
                }
            } else if (R > FR) {
                --R;
            } else {
                R = LR;
                C = C > FC ? C - 1 : LC;
            }
        }
        C = std::min(C, ColCount() - 1);
        R = std::min(R, RowCount() - 1);
        bool Can = true;
        const TPoint B = BaseCell(C, R);
        if (!Forward) C = B.X, R = B.Y;   // a merged cell is one stop, on its base cell
        CanEditCell(B.X, B.Y, Can);
        if (Asked.Gone()) return;
        Found = Can;
    }
    if (!Found) return;
    bool Allow = true;
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (OnAutoAdvance) FireEvent(OnAutoAdvance, this, FAdvanceFrom.Y, FAdvanceFrom.X, R, C, Allow);
    if (!*Alive || !Allow || C < 0 || R < 0 || C >= ColCount() || R >= RowCount()) return;
    FocusCell(C, R, true);
    if (!*Alive || Col() != C || Row() != R) return;   // the move was refused
    if (!AnyCell && !IsControlCell(C, R)) return;
    if (!CellEditable(C, R) || !*Alive) return;
    if (!IsControlCell(C, R)) {
        ShowEditor();
        return;
    }
    // A control cell reached from a text cell takes a click, as the mouse would give it.
    if (IsControlCell(FAdvanceFrom.X, FAdvanceFrom.Y)) return;
    const TRect Rc = CellRect(C, R);
    MouseDown(mbLeft, TShiftState(), Rc.Left + 2, Rc.Top + 2);
    if (*Alive) MouseUp(mbLeft, TShiftState(), Rc.Left + 2, Rc.Top + 2);
    if (*Alive && FNavigation->AdvanceDirection() == adTopBottom && EditorMode()) HideEditor();
}

void TExtStringGrid::TabAdvance(bool Backward) {
    const Integer FC = FirstDataCol(), LC = LastDataCol(), FR = FixedRows(), LR = LastDataRow();
    if (LC < FC || LR < FR) return;
    Integer C = Col(), R = Row();
    const Integer Limit = (LC - FC + 1) * (LR - FR + 1) + 1;
    bool Wrapped = false;
    bool Found = false;
    const TAliveGuard Asked(this);   // OnCanEditCell may close the screen
    for (Integer Step = 0; Step < Limit && !Found; ++Step) {
        if (FNavigation->TabAdvanceDirection() == adLeftRight) {
            if (!Backward) {
                C += 1 + std::max(0, CellSpan(C, R).X);
                if (C > LC) {
                    C = FC;
                    if (++R > LR) {
                        R = FR;
                        Wrapped = true;
                    }
                }
            } else if (--C < FC) {
                C = LC;
                if (--R < FR) {
                    R = LR;
                    Wrapped = true;
                }
            }
        } else {
            if (!Backward) {
                R += 1 + std::max(0, CellSpan(C, R).Y);
                if (R > LR) {
                    R = FR;
                    if (++C > LC) {
                        C = FC;
                        Wrapped = true;
                    }
                }
            } else if (--R < FR) {
                R = LR;
                if (--C < FC) {
                    C = LC;
                    Wrapped = true;
                }
            }
        }
        // Backward the step lands on a merge's base cell: a merged cell is one stop.
        if (Backward) {
            const TPoint B = BaseCell(C, R);
            if (B.X != C || B.Y != R) C = B.X, R = B.Y;
        }
        Found = CellEditable(C, R);
        if (Asked.Gone()) return;
    }
    if (!Found) return;
    if (Wrapped && !Backward && FNavigation->TabToNextAtEnd()) {
        // Past the last cell the focus moves on to the next control of the form.
        if (TWinControl* P = Parent()) {
            FocusCell(C, R, true);
            P->SelectNext(this, true, true);
            return;
        }
    }
    const TAliveGuard alive(this);
    FocusCell(C, R, true);
    if (alive.Alive() && FNavigation->AlwaysEdit() && Col() == C && Row() == R) ShowEditor();
}

void TExtStringGrid::ShowEditorInView() {
    if (IsControlCellType(GetCellType(GetRealCol(), Row()))) return;
    if (Row() < TopRow()) SetTopRow(Row());
    if (Col() < LeftCol()) SetLeftCol(Col());
    ShowEditor();
}

void TExtStringGrid::HideInplaceEditor() {
    if (!EditorMode()) return;
    HideEditor();   // writes the edited text into the cell
    FocusCell(Col(), Row(), true);
}
