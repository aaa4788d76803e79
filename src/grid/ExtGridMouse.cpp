// TExtStringGrid: the mouse: cell clicks and their events, cell controls, anchors, header selection, moves, the double click.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/EsgUni.h"
#include "grid/ExtGridHint.h"
#include "grid/ExtGridInplace.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ShellAPI.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WinApi.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

constexpr Integer EdgeMargin = 4;
constexpr Integer FixedEdgeMargin = 3;

bool InRect(const TRect& R, Integer X, Integer Y) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

}  // namespace

// --- helpers -------------------------------------------------------------------------------------
bool TExtStringGrid::OnSelectionHandle(Integer X, Integer Y) const {
    if (!FSelectionResizer || !FSelectionRectangle) return false;
    const TGridRect S = Selection();
    const TRect R = CellRect(S.Right, S.Bottom);
    if (R.IsEmpty()) return false;
    return X >= R.Right - 6 && X <= R.Right + 1 && Y >= R.Bottom - 6 && Y <= R.Bottom + 1;
}

bool TExtStringGrid::CellAnchorAt(Integer ACol, Integer ARow, Integer X, Integer Y, AnsiString& Anchor) {
    THTMLHit Hit;
    const bool Found = CellHTMLHit(ACol, ARow, X, Y, Hit);
    Anchor = Hit.Anchor;
    return Found && !Anchor.empty();
}

// --- press -------------------------------------------------------------------------------------
void TExtStringGrid::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    if (Button == mbLeft && FGridMode) {
        FModePress = true;
        return;
    }
    if (Button == mbRight && EnhancedMoveRunning()) {
        // No context menu may open over the move.
        if (PopupMenu()) {
            FHeldPopup = PopupMenu();
            SetPopupMenu(nullptr);
            FHeldPopup->FreeNotification(this);
        }
        return;
    }
    ReturnHeldPopup();
    IntelliPanPress(Button, X, Y);
    const TGridRect Before = Selection();
    // Every handler on the way may close the screen and free the grid.
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (FFixedOpen && FFixedOpen->Visible() && !Shift.Contains(ssDouble)) CloseFixedCellEditor(true);
    if (!*Alive) return;
    HideCellHint();
    if (Button == mbLeft && !Shift.Contains(ssDouble)) {
        if (!LeftPress(Shift, X, Y)) return;
    } else if (Button == mbRight) {
        RightPress(Shift, X, Y);
    }
    if (!*Alive) return;
    const bool Pending = FPendingClick;
    FPendingClick = false;
    const TPoint PressBase = BaseCell(FPressCell.X, FPressCell.Y);
    FMergePressOnCurrent = Pending && PressBase.X == Col() && PressBase.Y == Row() && !Shift.Contains(ssShift) &&
                           (PressBase.X != FPressCell.X || PressBase.Y != FPressCell.Y);
    TBaseGrid::MouseDown(Button, Shift, X, Y);
    if (!*Alive) return;
    MouseSizingStarted();
    // A press anywhere on a merged cell selects it whole: its base cell becomes current.
    if (Pending && !Options().Contains(goRowSelect) && Col() == FPressCell.X && Row() == FPressCell.Y &&
        (PressBase.X != Col() || PressBase.Y != Row()))
        FocusCell(PressBase.X, PressBase.Y, !Shift.Contains(ssShift));
    const TGridRect After = Selection();
    if (!(Before == After)) SelectionChanged(After.Left, After.Top, After.Right, After.Bottom);
    if (*Alive && Pending) DataCellPressed(X, Y);
    if (*Alive && !Shift.Contains(ssDouble) && GridState() == gsNormal &&
        FixedEditWanted(Button, Button == mbLeft ? fceLeftClick : fceRightClick, X, Y)) {
        const TGridCoord C = MouseCoord(X, Y);
        OpenFixedCellEditor(C.X, C.Y);
    }
}

// --- fixed-cell editor ---------------------------------------------------------------------------
// Whether a press of this kind on (X, Y) opens the fixed-cell editor. A right press
// opens it for fceLeftClick as well as for fceRightClick.
bool TExtStringGrid::FixedEditWanted(TMouseButton Button, TGridFixedCellEdit Trigger, Integer X, Integer Y) {
    const TGridCoord C = MouseCoord(X, Y);
    if (C.X < 0 || C.Y < 0) return false;
    const bool HeaderRow = C.Y < FixedRows();
    const bool FixedCol = !HeaderRow && C.X < FixedCols();
    if (!HeaderRow && !FixedCol) return false;
    const TGridFixedCellEdit Mode = HeaderRow ? FMouseActions->FixedRowsEdit() : FMouseActions->FixedColsEdit();
    if (Mode == fceNone) return false;
    if (Trigger == fceDblClick) return Mode == fceDblClick;
    if (Button == mbRight) return Mode == fceLeftClick || Mode == fceRightClick;
    if (Mode != fceLeftClick) return false;
    TRect R = CellRect(C.X, C.Y);
    if (Options().Contains(HeaderRow ? goColSizing : goRowSizing)) InflateRect(R, -EdgeMargin, -EdgeMargin);
    return InRect(R, X, Y);
}

void TExtStringGrid::OpenFixedCellEditor(Integer ACol, Integer ARow) {
    // The handler keeps the editor closed by answering True.
    bool Refused = false;
    const TAliveGuard Alive(this);   // the handler may close the screen
    if (OnCanEditCell) FireEvent(OnCanEditCell, this, ARow, RealColIndex(ACol), Refused);
    if (Refused || Alive.Gone()) return;
    if (EditorMode()) HideEditor();
    // A header holding letters outside the code page gets a Unicode editor, as cells do.
    const WideString Letters = CellTextToWide(Cells(RealColIndex(ACol), ARow));
    if (FitsCodePage(Letters)) {
        if (!FFixedEdit) HookFixedEditor(FFixedEdit = new TEdit(this));
        FFixedEdit->SetText(WideToAnsi(Letters));
        FFixedOpen = FFixedEdit;
    } else {
        if (!FFixedUniEdit) HookFixedEditor(FFixedUniEdit = new TEsgUniEdit(this));
        FFixedUniEdit->SetText(Letters);
        FFixedOpen = FFixedUniEdit;
    }
    TRect R = CellRect(ACol, ARow);
    InflateRect(R, -1, -1);
    FFixedEditCell = TGridCoord{ACol, ARow};
    FFixedOpen->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    FFixedOpen->Show();
    FFixedOpen->BringToFront();
    if (FFixedOpen->CanFocus()) FFixedOpen->SetFocus();
}

void TExtStringGrid::HookFixedEditor(TCustomEdit* Ed) {
    Ed->SetVisible(false);
    Ed->SetParent(this);
    Ed->OnExit = [this](TObject*) { CloseFixedCellEditor(true); };
    Ed->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_RETURN || Key == VK_ESCAPE) {
            CloseFixedCellEditor(Key == VK_RETURN);
            Key = 0;
        }
    };
}

void TExtStringGrid::CloseFixedCellEditor(bool Store) {
    if (!FFixedOpen || FFixedEditCell.X < 0) return;
    const TGridCoord C = FFixedEditCell;
    FFixedEditCell = TGridCoord{-1, -1};   // hiding moves the focus: no second close
    const WideString Text = FFixedOpen == FFixedUniEdit ? FFixedUniEdit->Text() : AnsiToWide(FFixedEdit->Text());
    FFixedOpen->Hide();
    const Integer RC = RealColIndex(C.X);
    if (Store && C.Y < RowCount() && C.X < ColCount()) {
        // Only a change is stored; a Unicode header stays one.
        const AnsiString Was = Cells(RC, C.Y);
        if (Text != CellTextToWide(Was))
            SetCells(RC, C.Y, Text.empty()                                        ? AnsiString()
                              : IsUnicodeText(Was) || !FitsCodePage(Text) ? WideToCellText(Text)
                                                                          : TypedCellText(RC, C.Y, WideToAnsi(Text)));
    }
    if (CanFocus()) SetFocus();
}

// --- caret positioning -----------------------------------------------------------------------------
// Puts the caret of the just opened editor at the character under the press, on
// whichever line of the text it lies, with nothing selected.
void TExtStringGrid::PlaceCaretAt(Integer X, Integer Y) {
    if (auto* Ed = dynamic_cast<TExtInplaceEdit*>(InplaceEditor()); Ed && EditorMode()) Ed->OpenedByClick();
    if (!FMouseActions->CaretPositioning()) return;
    // A combo editor with a text part takes the caret there.
    auto* Combo = dynamic_cast<TComboBox*>(FEditorControl);
    TControl* Ctl = EditorMode() ? static_cast<TControl*>(InplaceEditor()) : Combo;
    if (!Ctl || (Combo && Combo->Style() == csDropDownList)) return;
    const TPoint P{X - Ctl->Left(), Y - Ctl->Top()};
    if (P.X < 0 || P.Y < 0 || P.X >= Ctl->Width() || P.Y >= Ctl->Height()) return;
    if (Combo) Combo->SetSelStart(Combo->CharFromPos(P));
    else InplaceEditor()->SetSelStart(InplaceEditor()->CharFromPos(P));
}

// After the framework made the pressed data cell current.
void TExtStringGrid::DataCellPressed(Integer X, Integer Y) {
    const TGridCoord C = FPressCell;
    const TRect R = CellRect(C.X, C.Y);
    const bool NearEdge = Options().Contains(goColSizing) && (X - R.Left < 3 || R.Right - X < 3);
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (!NearEdge && OnClickCell) FireEvent(OnClickCell, this, C.Y, C.X);
    if (!*Alive) return;
    if (OnCellValidate) BeginCellEdit(Col(), Row());
    if (FMouseActions->DirectEdit() && CellEditable(C.X, C.Y) && *Alive && !IsControlCell(RealColIndex(C.X), C.Y) &&
        X - R.Left > 3 && R.Right - X > 3 && Y - R.Top > 3 && R.Bottom - Y > 3) {
        ShowEditorInView();
        PlaceCaretAt(X, Y);
    }
}

// The left press; false when the press ends here without the framework's handling.
bool TExtStringGrid::LeftPress(TShiftState Shift, Integer X, Integer Y) {
    const TGridCoord C = MouseCoord(X, Y);
    FPressPoint = Point(X, Y);
    FPressCell = C;
    FMovedOrSized = false;
    FDblClickSized = false;
    FMoveAsked = false;
    FSelectStartRow = FSelectStartCol = -1;
    if (C.X >= 0 && C.Y >= 0 && OnCanClickCell) {
        bool Allow = true;
        const std::shared_ptr<const bool> Alive = AliveToken();
        FireEvent(OnCanClickCell, this, C.Y, C.X, Allow);
        if (!Allow || !*Alive) return false;
    }

    if (OnSelectionHandle(X, Y)) {
        FResizeOrigin = Selection();
        CopyToClipboard();
        FSelectionResizing = true;
        return true;   // the framework stretches the selection from the anchor
    }

    if (C.X < 0 || C.Y < 0) {
        if (EditorMode()) HideEditor();
        return !FFixedRowAlways;
    }

    if (FixedEdgeAt(X, Y, FFixedSizeCol, FFixedSizeRow)) {
        if (EditorMode()) HideEditor();
        FFixedSizing = true;
        FSizingStart = FFixedSizeCol >= 0 ? ColWidths(FFixedSizeCol) : RowHeights(FFixedSizeRow);
        return false;
    }

    const bool FooterRow = C.Y >= RowCount() - FFixedFooters;
    const bool FixedCell = C.X < FixedCols() || C.Y < FixedRows() || FooterRow || IsFixed(C.X, C.Y);
    if (FixedCell && EditorMode()) {
        const TAliveGuard Alive(this);   // OnEditingDone may close the screen
        HideEditor();
        if (Alive.Gone()) return false;
    }
    if (FixedCell) {
        FHeaderPressed = true;
        const TGridOptions O = Options();
        if (FFixedAsButtons && (O.Contains(goFixedHorzLine) || O.Contains(goFixedVertLine))) FPressedHeader = C;
        RepaintCell(C.X, C.Y);
    }
    const Integer RC = RealColIndex(C.X);

    // Node button in column 0.
    if (RC == 0 && IsNodeGlyphHit(C.Y, X - CellRect(C.X, C.Y).Left)) {
        if (!EndEditBeforeRowsMove()) return false;
        const std::shared_ptr<const bool> Alive = AliveToken();   // the node's handlers may free the grid
        const Integer Real = RealRowIndex(C.Y);
        if (C.Y < FixedRows() && FMouseActions->NodeAllExpandContract()) {
            TCellGraphic* G = GetCellGraphic(0, C.Y);
            if (G->CellBoolean()) ExpandAll();
            else ContractAll();
            G->SetCellBoolean(!G->CellBoolean());
        } else if (GetNodeState(C.Y)) {
            bool Allow = true;
            if (OnBeforeExpandNode) FireEvent(OnBeforeExpandNode, this, C.Y, Real, Allow);
            if (*Alive && Allow) {
                ExpandNode(Real);
                // With ExpandOne a node above may have closed: the row is where it is now.
                if (OnExpandNode) FireEvent(OnExpandNode, this, DisplRowIndex(Real), Real);
            }
        } else {
            bool Allow = true;
            if (OnBeforeContractNode) FireEvent(OnBeforeContractNode, this, C.Y, Real, Allow);
            if (*Alive && Allow) {
                ContractNode(Real);
                if (OnContractNode) FireEvent(OnContractNode, this, C.Y, Real);
            }
        }
        if (!*Alive) return false;
        if (const Integer D = DisplRowIndex(Real);
            FMouseActions->MoveRowOnNodeClick() && C.Y >= FixedRows() && !IsHiddenRow(Real) && D < RowCount())
            FocusCell(Col(), D, true);
        return false;
    }

    // Radio group: the item under the press. OnCanEditCell, asked here and for a check box, may close the screen.
    const TAliveGuard Asked(this);
    const bool Radio = IsRadio(RC, C.Y) && (CellEditable(C.X, C.Y) || (Asked.Alive() && FControlLook->RadioAlwaysActive()));
    if (Asked.Gone()) return false;
    if (Radio) {
        if (EditorMode()) HideEditor();
        const Integer Idx = RadioItemAt(C.X, C.Y, X, Y);
        if (Idx >= 0 && PickRadio(RC, C.Y, Idx) && OnRadioClick) FireEvent(OnRadioClick, this, RC, C.Y, Idx);
        return false;
    }

    if (RC == 0 && HasNodes() && C.Y >= FixedRows() && !FMouseActions->RowSelect()) return false;

    // Button cell.
    if (IsButtonCell(RC, C.Y)) {
        if (EditorMode()) HideEditor();
        if (!FixedCell) FocusCell(C.X, C.Y, true);
        TRect B;
        GetCellGraphicRect(RC, C.Y, B);
        if (InRect(B, X, Y)) {
            FPressedButton = C;
            SetCellGraphicFlag(C.X, C.Y, true);
            if (OnClickCell) FireEvent(OnClickCell, this, C.Y, C.X);
        }
        return false;
    }

    // A press on the selection (or a header) waits to see whether it becomes a drag.
    if (PendingDragPress(C, X)) {
        if (OnClickCell) FireEvent(OnClickCell, this, C.Y, C.X);
        return false;
    }

    // Disjunct row and column marks.
    if (!FixedCell) {
        if (FMouseActions->DisjunctRowSelect() && !(RC == 0 && FMouseActions->HotmailRowSelect())) {
            const Integer R = FMouseActions->RowSelectPersistent() ? RealRowIndex(C.Y) : C.Y;
            if (Shift.Contains(ssCtrl)) SetRowSelected(R, !RowSelected(R));
            else if (!Shift.Contains(ssAlt)) {
                ClearRowSelect();
                SetRowSelected(R, true);
            }
        }
        if (FMouseActions->DisjunctColSelect()) {
            if (Shift.Contains(ssCtrl)) SetColSelected(C.X, !ColSelected(C.X));
            else if (!Shift.Contains(ssAlt)) {
                ClearColSelect();
                SetColSelected(C.X, true);
            }
        }
    }

    if (FormControlPress(C.X, C.Y, X, Y)) return false;

    // Anchors.
    AnsiString Anchor;
    if (CellAnchorAt(RC, C.Y, X, Y, Anchor)) {
        bool AutoHandle = true;
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (OnAnchorClick) FireEvent(OnAnchorClick, this, C.Y, C.X, Anchor, AutoHandle);
        if (!*Alive) return false;
        if (AutoHandle) {
            const size_t P = UpperCase(Anchor).find("CELL://");
            if (P == AnsiString::npos) {
                ShellOpener()->Open(Anchor);
            } else {
                TPoint Cell{-1, -1};
                if (ParseR1C1(Anchor.substr(P + 7), Cell) && Cell.X >= 0 && Cell.X < ColCount() && Cell.Y >= 0 &&
                    Cell.Y < RowCount()) {
                    FocusCell(Cell.X, Cell.Y, true);
                    ScrollInView(Cell.X, Cell.Y);
                }
            }
        }
        return false;
    }

    // Whole rows, columns or everything from the fixed cells.
    const bool Range = Options().Contains(goRangeSelect);
    if (C.X < FixedCols() && C.Y < FixedRows() && FMouseActions->AllSelect() && Range) {
        TGridRect All;
        All.Left = FixedCols();
        All.Top = FixedRows();
        All.Right = ColCount() - 1;
        All.Bottom = RowCount() - 1;
        SetSelection(All);
        return false;
    }
    if (C.X < FixedCols() && C.Y >= FixedRows() && FMouseActions->RowSelect() && Range && !IsOnSizingEdge(X, Y)) {
        const Integer From = Shift.Contains(ssShift) ? Row() : C.Y;
        FocusCell(FixedCols(), From, true);
        TGridRect S;
        S.Left = FixedCols();
        S.Right = ColCount() - 1;
        S.Top = std::min(From, C.Y);
        S.Bottom = std::max(From, C.Y);
        SetSelection(S);
        FSelectStartRow = From;
        return false;
    }
    if (C.Y < FixedRows() && C.X >= FixedCols() && FMouseActions->ColSelect() && !IsOnSizingEdge(X, Y)) {
        TGridRect S;
        S.Left = S.Right = C.X;
        S.Top = FixedRows();
        S.Bottom = RowCount() - 1;
        FocusCell(C.X, FixedRows(), true);
        SetSelection(S);
        FSelectStartCol = C.X;
        return false;
    }

    // Check boxes.
    const bool Check = HasCheckBox(RC, C.Y) && (CellEditable(C.X, C.Y) || (Asked.Alive() && (FControlLook->CheckAlwaysActive() || FixedCell)));
    if (Asked.Gone()) return false;
    if (Check && IsCheckBoxHit(RC, C.Y, X, Y)) {
        if (EditorMode()) HideEditor();
        const std::shared_ptr<const bool> Alive = AliveToken();   // handlers on the way may free the grid
        if (CanFocus()) SetFocus();
        if (!*Alive) return false;
        if (ToggleCheck(RC, C.Y, true)) {
            if (FShowModified->Enabled()) SetRowMarked(C.Y, true);
            if (!FNavigation->AlwaysEdit() && !FixedCell) FocusCell(C.X, C.Y, true);
            if (!*Alive) return false;
            bool State = false;
            GetCheckBoxState(RC, C.Y, State);
            if (OnCheckBoxClick) FireEvent(OnCheckBoxClick, this, RC, C.Y, State);
            if (!*Alive) return false;
            if (C.Y < FixedRows() && FMouseActions->CheckAllCheck()) {
                if (State) CheckAll(RC);
                else UnCheckAll(RC);
            }
        }
        if (!*Alive) return false;
        if (OnMouseDown) FireEvent(OnMouseDown, this, mbLeft, Shift, X, Y);
        return false;
    }

    if (FMouseActions->DirectEdit() && !FixedCell && EditorMode()) HideEditor();
    if (FixedCell) {
        if (FooterRow) return false;   // the footer row is never current
        if (OnClickCell && !IsOnSizingEdge(X, Y)) FireEvent(OnClickCell, this, C.Y, C.X);
        return true;   // sizing and moving stay the framework's
    }
    if (FParked) return false;
    FPendingClick = true;
    return true;
}

void TExtStringGrid::RightPress(TShiftState Shift, Integer X, Integer Y) {
    const TGridCoord C = MouseCoord(X, Y);
    if (C.X < 0 || C.Y < 0) return;
    const bool Data = C.X >= FixedCols() && C.Y >= FixedRows();
    if (FMouseActions->SelectOnRightClick() && Data && !Selection().Contains(C.X, C.Y)) {
        const TPoint B = BaseCell(C.X, C.Y);
        FocusCell(B.X, B.Y, true);
    }
    if (FMouseActions->SelectOnRightClick() && Data && FMouseActions->DisjunctRowSelect()) {
        const Integer R = FMouseActions->RowSelectPersistent() ? RealRowIndex(C.Y) : C.Y;
        if (Shift.Contains(ssCtrl)) {
            SetRowSelected(R, !RowSelected(R));
        } else if (!(RowSelected(R) && RowSelectCount() >= 2)) {
            ClearRowSelect();
            SetRowSelected(R, true);
        }
    }
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (OnRightClickCell) FireEvent(OnRightClickCell, this, C.Y, C.X);
    if (*Alive && FURLShow && FURLEdit && Data) {
        const AnsiString T = Cells(RealColIndex(C.X), C.Y);
        if (TextType(T, FEnableHTML) == 0 && IsURL(T)) {
            FocusCell(C.X, C.Y, true);
            if (Col() == C.X && Row() == C.Y) ShowEditorInView();
        }
    }
}

bool TExtStringGrid::EnhancedMoveRunning() const {
    return (GridState() == gsColMoving || GridState() == gsRowMoving) && FEnhRowColMove &&
           TBaseGrid::Cursor() == crDrag;
}

void TExtStringGrid::ReturnHeldPopup() {
    if (!FHeldPopup) return;
    TPopupMenu* M = FHeldPopup;
    FHeldPopup = nullptr;
    M->RemoveFreeNotification(this);
    if (!PopupMenu()) SetPopupMenu(M);
}

// The release of a left press with MouseActions.DisjunctCellSelect: Ctrl toggles the
// cell in the selected-cells list, a plain release makes it (and a range selection) the list.
void TExtStringGrid::DisjunctCellRelease(TShiftState Shift, Integer X, Integer Y) {
    const TGridCoord C = MouseCoord(X, Y);
    if (C.X < FixedCols() || C.Y < FixedRows() || C.X > LastDataCol() || C.Y > LastDataRow() || IsFixed(C.X, C.Y))
        return;
    bool Can = true;
    if (OnSelectCell) {
        const TAliveGuard Alive(this);   // the handler may free the grid
        FireEvent(OnSelectCell, this, C.X, C.Y, Can);
        if (Alive.Gone()) return;
    }
    if (!Can) return;
    if (Shift.Contains(ssCtrl)) {
        SetSelectedCell(C.X, C.Y, !SelectedCell(C.X, C.Y));
        return;
    }
    ClearCellSelect();
    const TGridRect S = Selection();
    for (Integer R = S.Top; R <= S.Bottom; ++R)
        for (Integer Cl = S.Left; Cl <= S.Right; ++Cl) SetSelectedCell(Cl, R, true);
    SetSelectedCell(C.X, C.Y, true);
}

// --- move ----------------------------------------------------------------------------------------
void TExtStringGrid::MouseMove(TShiftState Shift, Integer X, Integer Y) {
    if (FModePress) Shift.Exclude(ssLeft);   // the press did nothing: the mouse only hovers
    if (FFixedSizing) {
        FixedSizingMove(X, Y);
        return;
    }
    if (PendingDragMove(Shift, X, Y)) return;
    // With RangeSelectAndEdit a drag out of the pressed cell selects a range: editing goes off.
    if (FMouseActions->RangeSelectAndEdit() && Shift.Contains(ssLeft) && FPressCell.X >= FixedCols() &&
        FPressCell.Y >= FixedRows() && !(MouseCoord(X, Y) == FPressCell))
        ChangeEditing(false);
    const TGridRect Before = Selection();
    if (FSelectStartRow >= 0 && Shift.Contains(ssLeft)) {
        TGridCoord C = MouseCoord(std::min(X, std::max(0, FixedWidth() - 1)), Y);
        // Near the bottom edge, or above the first data row, the rows scroll by one.
        if (Y >= ClientHeight() - EdgeMargin && TopRow() + VisibleRowCount() < RowCount()) {
            SetTopRow(TopRow() + 1);
            C.Y = std::min(RowCount() - 1, TopRow() + VisibleRowCount() - 1);
        } else if (Y < FixedHeight() && TopRow() > FixedRows()) {
            SetTopRow(TopRow() - 1);
            C.Y = TopRow();
        }
        if (C.Y >= FixedRows()) {
            TGridRect S;
            S.Left = FixedCols();
            S.Right = ColCount() - 1;
            S.Top = std::min(FSelectStartRow, C.Y);
            S.Bottom = std::max(FSelectStartRow, C.Y);
            SetSelection(S);
        }
    } else if (FSelectStartCol >= 0 && Shift.Contains(ssLeft)) {
        TGridCoord C = MouseCoord(X, std::min(Y, std::max(0, FixedHeight() - 1)));
        if (X >= ClientWidth() - EdgeMargin && LeftCol() + VisibleColCount() < ColCount()) {
            SetLeftCol(LeftCol() + 1);
            C.X = std::min(ColCount() - 1, LeftCol() + VisibleColCount() - 1);
        } else if (X < FixedWidth() && LeftCol() > FixedCols()) {
            SetLeftCol(LeftCol() - 1);
            C.X = LeftCol();
        }
        if (C.X >= FixedCols()) {
            TGridRect S;
            S.Left = std::min(FSelectStartCol, C.X);
            S.Right = std::max(FSelectStartCol, C.X);
            S.Top = FixedRows();
            S.Bottom = RowCount() - 1;
            SetSelection(S);
        }
    }
    const TGridState GS = GridState();
    if (GS == gsColSizing || GS == gsRowSizing) FMovedOrSized = true;
    const TAliveGuard Alive(this);   // every handler from here on may free the grid
    if ((GS == gsColMoving || GS == gsRowMoving) && !FMoveAsked) {
        // The move is asked for once; a refusal cancels it.
        FMoveAsked = true;
        bool Allow = true;
        if (GS == gsColMoving && OnColumnMove) FireEvent(OnColumnMove, this, FMoveIndex, Allow);
        if (GS == gsRowMoving && OnRowMove) FireEvent(OnRowMove, this, FMoveIndex, Allow);
        if (Alive.Gone()) return;
        if (!Allow) CancelMove();
    }
    if (GridState() == gsColMoving || GridState() == gsRowMoving) FMovedOrSized = true;

    // Anchors under the mouse.
    const TGridCoord C = MouseCoord(X, Y);
    AnsiString Anchor;
    if (C.X >= 0 && C.Y >= 0) CellAnchorAt(RealColIndex(C.X), C.Y, X, Y, Anchor);
    if (Anchor != FHoverAnchor) {
        const TAliveGuard Alive(this);   // the handlers may free the grid
        const AnsiString Left = std::exchange(FHoverAnchor, Anchor);
        if (!Left.empty() && OnAnchorExit) FireEvent(OnAnchorExit, this, C.Y, C.X, Left);
        if (Alive.Alive() && !Anchor.empty() && OnAnchorEnter) FireEvent(OnAnchorEnter, this, C.Y, C.X, Anchor);
        if (Alive.Gone()) return;
    }
    HoverFixedCell(X, Y);
    if (FHintCell.X >= 0 && !(C == FHintCell)) HideCellHint();

    TBaseGrid::MouseMove(Shift, X, Y);
    if (Alive.Gone()) return;
    const bool Moving = GridState() == gsColMoving || GridState() == gsRowMoving;
    if (Moving && FEnhRowColMove) ShowMoveVisuals(X, Y);
    FCursorState = CursorStateAt(X, Y);
    const TCursor Wanted = Moving && FEnhRowColMove ? crDrag : MouseCursorAt(Shift, X, Y, !Anchor.empty());
    if (Alive.Gone()) return;   // the cursor asks OnColumnSize and OnRowSize
    if (TBaseGrid::Cursor() != Wanted) TBaseGrid::SetCursor(Wanted);
    if (GridState() == gsColSizing || GridState() == gsRowSizing) ShowSizingHint(X, Y);
    const TGridRect After = Selection();
    if (!(Before == After)) SelectionChanged(After.Left, After.Top, After.Right, After.Bottom);
}

// --- the mouse cursor -----------------------------------------------------------------------------
namespace {

// Pictures of the select cursors: thick arrows pointing into what a press selects.
const std::vector<const char*> ColSelectPicture = {
    "   ....   ", "   .##.   ", "   .##.   ", "   .##.   ", "   .##.   ", "   .##.   ", "   .##.   ",
    "....##....", ".########.", " .######. ", "  .####.  ", "   .##.   ", "    ..    ",
};
const std::vector<const char*> RowSelectPicture = {
    "       .     ", "       ..    ", "       .#.   ", "       .##.  ", "........###. ", ".##########.",
    ".##########.", "........###. ", "       .##.  ", "       .#.   ", "       ..    ", "       .     ",
};
const std::vector<const char*> ModePicture = {
    "..            ", ".#.           ", ".##.          ", ".###.         ", ".####.        ", ".#####.       ",
    ".######.      ", ".#######.     ", ".####.....    ", ".#..#.        ", "..  .#. ......", "    .#. .####.",
    "     .. .#..#.", "        .#..#.", "        .####.", "        ......",
};
const std::vector<const char*> AllSelectPicture = {
    "..       ", ".#.      ", ".##.     ", " .##.    ", "  .##. . ", "   .##.#.", "    .###.", "   .####.",
    "  .#####.", "  .......",
};

void RegisterGridCursors() {
    static const bool Done = [] {
        RegisterCursor(crGridColSelect, ColSelectPicture, 4, 12);
        RegisterCursor(crGridRowSelect, RowSelectPicture, 11, 5);
        RegisterCursor(crGridAllSelect, AllSelectPicture, 8, 9);
        RegisterCursor(crGridMode, ModePicture, 0, 0);
        return true;
    }();
    (void)Done;
}

}  // namespace

Integer TExtStringGrid::CursorStateAt(Integer X, Integer Y) {
    if (OnSelectionHandle(X, Y)) return 5;
    const TGridCoord C = MouseCoord(X, Y);
    if (C.X < 0 || C.Y < 0) return 0;
    const bool HeaderRow = C.Y < FixedRows(), FixedCol = C.X < FixedCols();
    if (HeaderRow && FixedCol) return FMouseActions->AllSelect() ? 3 : 0;
    if (IsOnSizingEdge(X, Y)) return 0;
    if (HeaderRow) return FMouseActions->ColSelect() ? 1 : 0;
    if (FixedCol && FMouseActions->RowSelect() &&
        !(RealColIndex(C.X) == 0 && IsNodeGlyphHit(C.Y, X - CellRect(C.X, C.Y).Left)))
        return 2;
    return 0;
}

// Sizing and a sizing edge under a free mouse show the split cursors, then the select
// cursors of the cursor state, the hand over an anchor, else the grid's own cursor.
TCursor TExtStringGrid::MouseCursorAt(TShiftState Shift, Integer X, Integer Y, bool Anchor) {
    RegisterGridCursors();
    if (FGridMode) return crGridMode;   // nothing a press would start is offered
    TGridState S = GridState();
    if (S == gsNormal && !Shift.Contains(ssLeft)) {
        if (FixedEdgeAt(X, Y, FFixedSizeCol, FFixedSizeRow)) return FFixedSizeCol >= 0 ? crHSplit : crVSplit;
        Integer Index = -1, Pos = 0, Ofs = 0;
        const TAliveGuard Alive(this);   // the sizing handlers may free the grid
        CalcSizingState(X, Y, S, Index, Pos, Ofs);
        if (Alive.Gone()) return crDefault;
    }
    if (S == gsColSizing) return crHSplit;
    if (S == gsRowSizing) return crVSplit;
    switch (FCursorState) {
        case 1: return crGridColSelect;
        case 2: return crGridRowSelect;
        case 3: case 5: return crGridAllSelect;
        default: return Anchor ? crHandPoint : FOldCursor;
    }
}

// --- fixed column and row sizing ------------------------------------------------------------------
// The fixed column whose right edge (or fixed row whose bottom edge) lies within
// 3 pixels of the point, with SizeFixedCol (SizeFixedRow); the other index is -1.
bool TExtStringGrid::FixedEdgeAt(Integer X, Integer Y, Integer& ACol, Integer& ARow) {
    ACol = ARow = -1;
    if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return false;
    Integer Edge = 0;
    for (Integer C = 0; FMouseActions->SizeFixedCol() && C < FixedCols(); ++C) {
        Edge += ColWidths(C);
        if (std::abs(X - Edge) <= FixedEdgeMargin) {
            ACol = C;
            return true;
        }
        Edge += GridLineWidth();
    }
    Edge = 0;
    for (Integer R = 0; FMouseActions->SizeFixedRow() && R < FixedRows(); ++R) {
        Edge += RowHeights(R);
        if (std::abs(Y - Edge) <= FixedEdgeMargin) {
            ARow = R;
            return true;
        }
        Edge += GridLineWidth();
    }
    return false;
}

namespace {

// Left edge of column (top edge of row) AIndex among the fixed ones.
Integer FixedStart(const std::function<Integer(Integer)>& Size, Integer AIndex, Integer Line) {
    Integer P = 0;
    for (Integer I = 0; I < AIndex; ++I) P += Size(I) + Line;
    return P;
}

}  // namespace

void TExtStringGrid::FixedSizingMove(Integer X, Integer Y) {
    // The fixed part follows the mouse at once; the events come with the release.
    if (FFixedSizeCol >= 0)
        SetColWidths(FFixedSizeCol,
                     std::max(0, X - FixedStart([this](Integer I) { return ColWidths(I); }, FFixedSizeCol, GridLineWidth())));
    else if (FFixedSizeRow >= 0)
        SetRowHeights(FFixedSizeRow,
                      std::max(0, Y - FixedStart([this](Integer I) { return RowHeights(I); }, FFixedSizeRow, GridLineWidth())));
    ShowSizingHint(X, Y);
}

void TExtStringGrid::FixedSizingEnd(Integer X, Integer Y) {
    FixedSizingMove(X, Y);
    FFixedSizing = false;
    if (FFixedSizeCol >= 0) {
        const Integer C = FFixedSizeCol;
        NoteColumnSized(C);
        const Integer W = ColWidths(C);
        const std::shared_ptr<const bool> Alive = AliveToken();   // the handlers may free the grid
        if (OnEndColumnSize) FireEvent(OnEndColumnSize, this, C);
        Integer Asked = W;
        if (*Alive) UpdateColumnSize(C, Asked);
        if (!*Alive) return;
        SetColWidths(C, std::max(0, Asked));
    } else if (FFixedSizeRow >= 0) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (OnEndRowSize) FireEvent(OnEndRowSize, this, FFixedSizeRow);
        if (!*Alive) return;
    }
    FFixedSizeCol = FFixedSizeRow = -1;
}

// --- sizing hint -----------------------------------------------------------------------------------
void TExtStringGrid::ShowSizingHint(Integer, Integer) {
    if (!FHintShowSizing) return;
    const bool Fixed = FFixedSizing;
    const bool Column = Fixed ? FFixedSizeCol >= 0 : GridState() == gsColSizing;
    const Integer Index = Fixed ? (Column ? FFixedSizeCol : FFixedSizeRow) : FMoveIndex;
    if (Index < 0) return;
    const AnsiString Hint = Column ? "cw=<b>" + IntToStr(ColWidths(Index)) + "</b>"
                                   : "rh=<b>" + IntToStr(RowHeights(Index)) + "</b>";
    // At the top-left corner of the cell being sized.
    const Integer ACol = Column ? Index : std::max(0, std::min(FPressCell.X, ColCount() - 1));
    const Integer ARow = Column ? std::max(0, std::min(FPressCell.Y, RowCount() - 1)) : Index;
    const TRect Cell = CellRect(ACol, ARow);
    ShowHintAt(Cell.Left, Cell.Top, 200, Hint);
}

void TExtStringGrid::HideSizingHint() {
    if (FHintWindow && FHintWindow->Visible()) FHintWindow->Hide();
}

// --- pressed and hovered fixed cells ------------------------------------------------------------------
void TExtStringGrid::ReleasePressedHeader() {
    FHeaderPressed = false;
    if (FPressedHeader.X >= 0) RepaintCell(FPressedHeader.X, FPressedHeader.Y);
    FPressedHeader = TGridCoord{-1, -1};
    if (FHoverCell.X >= 0) RepaintCell(FHoverCell.X, FHoverCell.Y);
}

void TExtStringGrid::MouseLeft() {
    HideCellHint();
    // Outside the grid its own cursor is back, unless a pan or drag still holds the mouse.
    FCursorState = 0;
    if (!FPanning && !FFixedSizing && GridState() == gsNormal && TBaseGrid::Cursor() != RestingCursor())
        TBaseGrid::SetCursor(RestingCursor());
    const TGridCoord Old = FHoverCell;
    FHoverCell = TGridCoord{-1, -1};
    if (FLook == glListView && Old.X >= 0 && Old.X < ColCount() && Old.Y < RowCount()) RepaintCell(Old.X, Old.Y);
}

void TExtStringGrid::DrawPressedHeader(TCanvas* ACanvas, TRect Rc) {
    InflateRect(Rc, -1, -1);   // inside the cell's own lines
    DrawEdge(ACanvas, Rc, BDR_SUNKENOUTER, BF_RECT);
}

// The fixed cell left and the one entered are repainted: the list-view look draws the hot one.
void TExtStringGrid::HoverFixedCell(Integer X, Integer Y) {
    TGridCoord C = MouseCoord(X, Y);
    if (C.X < 0 || C.Y < 0 || (C.X >= FixedCols() && C.Y >= FixedRows() && !IsFixed(C.X, C.Y))) C = TGridCoord{-1, -1};
    if (C == FHoverCell) return;
    const TGridCoord Old = FHoverCell;
    FHoverCell = C;
    if (FLook != glListView) return;
    if (Old.X >= 0 && Old.X < ColCount() && Old.Y < RowCount()) RepaintCell(Old.X, Old.Y);
    if (C.X >= 0) RepaintCell(C.X, C.Y);
}

// --- row and column moves --------------------------------------------------------------------------
// The moved header follows the mouse, arrows point at where it would go, and the
// view scrolls by one when the mouse passes the fixed part or the far edge.
void TExtStringGrid::ShowMoveVisuals(Integer X, Integer Y) {
    TWinControl* Host = Parent();
    if (!Host) return;
    const bool ColMove = GridState() == gsColMoving;
    if (!FMoveButton) {
        FMoveButton = new TPopupButton(this);
        FMoveButton->SetVisible(false);
        for (Integer D = 0; D < 4; ++D) {
            FMoveArrows[D] = new TArrowWindow(this, D);
            FMoveArrows[D]->SetColor(clLime);
            FMoveArrows[D]->SetVisible(false);
        }
    }
    // On the grid's parent of now: the grid may have moved since they were made.
    if (FMoveButton->Parent() != Host) {
        FMoveButton->SetParent(Host);
        for (TArrowWindow* A : FMoveArrows) A->SetParent(Host);
    }
    if (ColMove) {
        if (X < FixedWidth() && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
        else if (X >= ClientWidth() && LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
    } else {
        if (Y < FixedHeight() && TopRow() > FixedRows()) SetTopRow(TopRow() - 1);
        else if (Y >= ClientHeight() && TopRow() + VisibleRowCount() < RowCount()) SetTopRow(TopRow() + 1);
    }
    const TPoint Org = Host->ScreenToClient(ClientToScreen(Point(0, 0)));
    const Integer W = ColMove ? ColWidths(FMoveIndex) : ColWidths(0);
    const Integer H = ColMove ? RowHeights(0) : RowHeights(FMoveIndex);
    FMoveButton->SetCaption(ColMove ? Cells(RealColIndex(FMoveIndex), 0) : Cells(RealColIndex(0), FMoveIndex));
    if (ColMove) FMoveButton->SetBounds(Org.X + X - W / 2, Org.Y, W, H);
    else FMoveButton->SetBounds(Org.X, Org.Y + Y - H / 2, W, H);
    FMoveButton->Show();

    const TRect T = ColMove ? CellRect(FMovePos, 0) : CellRect(0, FMovePos);
    for (TArrowWindow* A : FMoveArrows) A->Hide();
    if (T.IsEmpty() || FMovePos == FMoveIndex) return;
    if (ColMove) {
        const Integer Edge = Org.X + (FMovePos > FMoveIndex ? T.Right : T.Left);
        TArrowWindow* Down = FMoveArrows[1];
        TArrowWindow* Up = FMoveArrows[0];
        Down->SetBounds(Edge - Down->Width() / 2, std::max(0, Org.Y - Down->Height()), Down->Width(), Down->Height());
        Up->SetBounds(Edge - Up->Width() / 2, Org.Y + T.Bottom + 1, Up->Width(), Up->Height());
        Down->Show();
        Up->Show();
    } else {
        const Integer Edge = Org.Y + (FMovePos > FMoveIndex ? T.Bottom : T.Top);
        TArrowWindow* Right = FMoveArrows[2];
        TArrowWindow* Left = FMoveArrows[3];
        Right->SetBounds(std::max(0, Org.X - Right->Width()), Edge - Right->Height() / 2, Right->Width(), Right->Height());
        Left->SetBounds(Org.X + T.Right + 1, Edge - Left->Height() / 2, Left->Width(), Left->Height());
        Right->Show();
        Left->Show();
    }
    for (TArrowWindow* A : FMoveArrows) A->BringToFront();
}

void TExtStringGrid::HideMoveVisuals() {
    if (!FMoveButton) return;
    FMoveButton->Hide();
    for (TArrowWindow* A : FMoveArrows) A->Hide();
    if (TBaseGrid::Cursor() == crDrag) TBaseGrid::SetCursor(FOldCursor);
}

// --- release -------------------------------------------------------------------------------------
bool TExtStringGrid::ButtonRelease(Integer X, Integer Y) {
    if (FPressedButton.X < 0) return false;
    const TGridCoord B = FPressedButton;
    FPressedButton = TGridCoord{-1, -1};
    SetCellGraphicFlag(B.X, B.Y, false);
    TRect R;
    GetCellGraphicRect(RealColIndex(B.X), B.Y, R);
    bool Enabled = FControlLook->NoDisabledButtonLook();
    if (!Enabled) {
        Enabled = true;
        const TAliveGuard Alive(this);   // the handler may close the screen
        CanEditCell(RealColIndex(B.X), B.Y, Enabled);
        if (Alive.Gone()) return true;
    }
    if (InRect(R, X, Y) && Enabled && OnButtonClick) FireEvent(OnButtonClick, this, RealColIndex(B.X), B.Y);
    return InRect(R, X, Y);
}

void TExtStringGrid::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    if (Button == mbLeft && FModePress) {
        FModePress = false;
        return;
    }
    if (Button == mbRight && EnhancedMoveRunning()) return;   // the move goes on
    if (Button != mbLeft) {
        TBaseGrid::MouseUp(Button, Shift, X, Y);
        return;
    }
    ReturnHeldPopup();
    HideSizingHint();
    HideMoveVisuals();
    ReleasePressedHeader();
    ReleaseFormButton();
    if (FFixedSizing) {
        if (!CancelSizingOutside(X, Y)) FixedSizingEnd(X, Y);
        return;
    }
    const bool Moved = FMovedOrSized;
    const bool WasEditing = EditorMode() || FEditorControl;
    const bool MergeClick = FMergePressOnCurrent;
    FMergePressOnCurrent = false;
    FSelectStartRow = FSelectStartCol = -1;
    PendingDragRelease(Shift);
    const TAliveGuard ButtonAlive(this);   // OnButtonClick may close the screen
    if (ButtonRelease(X, Y)) {
        if (ButtonAlive.Alive()) TBaseGrid::MouseUp(Button, Shift, X, Y);
        return;
    }
    // No row may land on the footer row of a shown fixed footer.
    if (GridState() == gsRowMoving && FooterRowShown() && FMovePos == RowCount() - 1) CancelMove();
    CancelSizingOutside(X, Y);
    const TGridRect Before = Selection();
    // Every handler from here on may close the screen and free the grid.
    const std::shared_ptr<const bool> Alive = AliveToken();
    TBaseGrid::MouseUp(Button, Shift, X, Y);
    if (!*Alive) return;
    const TGridRect After = Selection();
    if (!(Before == After)) SelectionChanged(After.Left, After.Top, After.Right, After.Bottom);
    if (!*Alive) return;
    if (MergeClick && !Moved && !EditorMode() && !FEditorControl) {
        // A click on the current merged cell, on whichever part, opens its editor.
        const TGridCoord Up = MouseCoord(X, Y);
        const TPoint B = BaseCell(Up.X, Up.Y);
        if (Up.X >= 0 && Up.Y >= 0 && B.X == Col() && B.Y == Row()) ShowEditor();
    }
    if (!WasEditing) PlaceCaretAt(X, Y);
    if (FMouseActions->DisjunctCellSelect() && !Moved) DisjunctCellRelease(Shift, X, Y);
    if (!*Alive) return;

    const TGridCoord C = MouseCoord(X, Y);
    if (FSelectionResizing) {
        FSelectionResizing = false;
        const TGridRect New = Selection();
        if (OnSelectionResize) FireEvent(OnSelectionResize, this, FResizeOrigin, New);
        if (!*Alive) return;
        TGridOptions O = Options();
        const bool HadEditing = O.Contains(goEditing), WasSuspended = FEditSuspended;
        O.Include(goEditing);
        SetOptions(O);
        PasteFromClipboard();
        if (!*Alive) return;
        if (!HadEditing) {
            O.Exclude(goEditing);
            SetOptions(O);
            FEditSuspended = WasSuspended;
        }
        if (OnSelectionResized) FireEvent(OnSelectionResized, this, FResizeOrigin, New);
        if (!*Alive) return;
    }

    if (Moved || C.X < 0 || C.Y < 0 || !(C == FPressCell)) return;
    const Integer RC = RealColIndex(C.X);
    if (RC < FixedCols() && !FSortSettings->FixedCols()) return;
    bool State = false;
    if (OnCheckBoxMouseUp && GetCheckBoxState(RC, C.Y, State)) FireEvent(OnCheckBoxMouseUp, this, RC, C.Y, State);
    Integer Idx = 0;
    if (*Alive && OnRadioMouseUp && GetRadioIndex(RC, C.Y, Idx)) FireEvent(OnRadioMouseUp, this, RC, C.Y, Idx);
    if (*Alive && !FDblClickSized) HeaderRelease(Shift, X, Y);
}

void TExtStringGrid::HeaderRelease(TShiftState Shift, Integer X, Integer Y) {
    const TGridCoord C = MouseCoord(X, Y);
    const TRect R = CellRect(C.X, C.Y);
    if (C.Y == 0 && Options().Contains(goColSizing) && (X - R.Left < EdgeMargin || R.Right - X < EdgeMargin)) return;
    if (!FSortSettings->IsSortRow(C.Y) || FPressCell.Y != C.Y || FixedRows() < 1 ||
        !FSortSettings->Show() || RowCount() < 3)
        return;
    if (!EndEditBeforeRowsMove()) return;   // a refused value keeps its edit and the order
    ClickSort(RealColIndex(C.X), Shift.Contains(ssShift));
}

// --- the grid's mode ------------------------------------------------------------------------------
void TExtStringGrid::SetGridMode(bool Value) {
    if (Value == FGridMode) return;
    FGridMode = Value;
    RegisterGridCursors();
    FCursorState = 0;
    if (GridState() == gsNormal && !FPanning) TBaseGrid::SetCursor(RestingCursor());
}

void TExtStringGrid::Click() {
    if (FModePress) return;
    // An edit whose editor the press closed (on a fixed cell) ends here, checked; the
    // current cell's edit begins afresh.
    if (FEditShown && !FValidating && !EditorMode() && !FEditorControl) {
        AnsiString V;
        GetCurrentCell(V);
        const TPoint B = BaseCell(GetRealCol(), Row());
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (IsUnicodeCell(B.X, B.Y)) ValidateWideCell(CellTextToWide(V));
        else ValidateCell(V);
        if (!*Alive) return;
    }
    if (!FEditShown) BeginCellEdit(Col(), Row());
    TBaseGrid::Click();
}

// --- double click ------------------------------------------------------------------------------
void TExtStringGrid::DblClick() {
    if (FGridMode) return;   // the second press of the pair does nothing either
    const Integer X = FPressPoint.X, Y = FPressPoint.Y;
    TGridCoord C = MouseCoord(X, Y);
    if (C.X < 0 && !FFixedRowAlways) {
        // Right of the last column in row 0 counts as on the last column.
        const TRect Last = CellRect(ColCount() - 1, 0);
        if (!Last.IsEmpty() && X >= Last.Right && Y >= Last.Top && Y < Last.Bottom) C = TGridCoord{ColCount() - 1, 0};
    }
    if (C.Y >= 0 && C.Y < FixedRows() && C.X >= 0 && Options().Contains(goColSizing) &&
        FMouseActions->AutoSizeColOnDblClick()) {
        const TRect R = CellRect(C.X, C.Y);
        Integer Sized = -1;
        // Only near an edge: farther right of the last column the double click is the cell's.
        if (std::abs(R.Right - X) <= EdgeMargin) Sized = C.X;
        else if (X - R.Left <= EdgeMargin && C.X > 0) Sized = C.X - 1;
        if (Sized >= 0) {
            bool Allow = true;
            const std::shared_ptr<const bool> Alive = AliveToken();
            if (OnColumnSize) FireEvent(OnColumnSize, this, Sized, Allow);
            if (*Alive && Allow) {
                NoteColumnSized(Sized);
                SizeColumnToContent(Sized, 0);
                if (OnEndColumnSize) FireEvent(OnEndColumnSize, this, Sized);
            }
            if (*Alive) FDblClickSized = true;
            return;
        }
    }
    // The handlers may close the screen and free the grid: then it does nothing more.
    const std::shared_ptr<const bool> Alive = AliveToken();
    TBaseGrid::DblClick();
    if (*Alive && C.X >= 0 && C.Y >= 0 && OnDblClickCell) FireEvent(OnDblClickCell, this, C.Y, C.X);
    if (!*Alive) return;
    if (C.X >= 0 && C.Y >= 0 && FixedEditWanted(mbLeft, fceDblClick, X, Y)) {
        OpenFixedCellEditor(C.X, C.Y);
        return;
    }
    if (FMouseActions->RangeSelectAndEdit() && C.X >= FixedCols() && C.Y >= FixedRows()) {
        TGridOptions O = Options();
        O.Include(goEditing);
        SetOptions(O);
        if (CellEditable(C.X, C.Y) && *Alive) ShowEditorInView();
    }
}

// --- moved columns -------------------------------------------------------------------------------
// The records move first: OnColumnMoved sees the current cell and the sort on their data,
// and may change the columns itself.
void TExtStringGrid::ColumnMoved(Integer FromIndex, Integer ToIndex) {
    const TAliveGuard Alive(this);   // the current cell's events may free the grid
    ColumnRecordsMoved(FromIndex, ToIndex);
    if (Alive.Alive()) TBaseGrid::ColumnMoved(FromIndex, ToIndex);
}
