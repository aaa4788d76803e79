// TExtStringGrid: construction, property writers, the cell-query hooks, colours and
// the current cell.
#include "grid/ExtGrid.h"

#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <algorithm>
#include <cmath>

// The grid's link in the chain of handlers on its form's resize: the handler it found is
// called after the grid. A grid freed while another hooked the form after it leaves its link
// in the chain, passing on only, so the later grid and the form's own handler go on.
struct TFormResizeHook {
    TNotifyEvent Grid;   // empty once the grid is freed
    TNotifyEvent Old;
};

namespace {

struct TFormResizeLink {
    std::shared_ptr<TFormResizeHook> Hook;
    void operator()(TObject* Sender) const {
        const std::shared_ptr<TFormResizeHook> H = Hook;   // a handler may free the grid
        if (H->Grid) H->Grid(Sender);
        else if (H->Old) H->Old(Sender);
    }
};

}  // namespace

TExtStringGrid::TExtStringGrid(TComponent* AOwner)
    : TBaseGrid(AOwner),
      FRowMap(std::make_unique<TGridRowMap>(this)),
      FCellNode(std::make_unique<TCellNode>(this)),
      FSizeWhileTyping(std::make_unique<TSizeWhileTyping>()),
      FMouseActions(std::make_unique<TMouseActions>(this)),
      FColumnSize(std::make_unique<TColumnSize>(this)),
      FNavigation(std::make_unique<TNavigation>()),
      FHTMLSettings(std::make_unique<THTMLSettings>()),
      FPrintSettings(std::make_unique<TPrintSettings>(this)),
      FControlLook(std::make_unique<TControlLook>(this)),
      FFilter(std::make_unique<TFilter>()),
      FFixedFont(std::make_unique<TFont>()),
      FActiveCellFont(std::make_unique<TFont>()),
      FColumnHeaders(std::make_unique<TStringList>()),
      FRowHeaders(std::make_unique<TStringList>()),
      FLookupItems(std::make_unique<TStringList>()),
      FCellGraphic(std::make_unique<TCellGraphic>()),
      FBands(std::make_unique<TBands>(this)),
      FBackGround(std::make_unique<TBackGround>(this)),
      FSortSettings(std::make_unique<TSortSettings>(this)),
      FShowModified(std::make_unique<TShowModified>()),
      FRowIndicator(std::make_unique<TBitmap>()) {
    FRowMap->OnChanged = [this] { RowsChanged(); };
    SetHiddenRowMap(FRowMap.get());
    FSearchFooter->OnChange = [this](TObject*) { SearchFooterChanged(); };
    FShowModified->OnChange = [this](TObject*) { RepaintUnlessUpdating(); };
    FColumnHeaders->OnChange = [this](TObject*) { ApplyColumnHeaders(); };
    FRowHeaders->OnChange = [this](TObject*) { ApplyRowHeaders(); };
    InstallWindowHooks();
    ApplyScrollBarLook();

    FFixedFont->SetName("Tahoma");
    FFixedFont->SetStyle(TFontStyles{fsBold});
    FFixedFont->OnChange = [this](TObject*) { RepaintUnlessUpdating(); };
    FActiveCellFont->SetStyle(TFontStyles{fsBold});
    if (ComponentState().Contains(csDesigning)) FActiveCellFont->SetName("Tahoma");
    FActiveCellFont->OnChange = [this](TObject*) { RepaintUnlessUpdating(); };

    SetRowCount(10);
    TBaseGrid::SetBounds(Left(), Top(), 400, 250);

    // The owner form's resize: the grid follows it (SizeWithForm) and passes it on.
    if (auto* Form = dynamic_cast<TCustomForm*>(AOwner); Form && !ComponentState().Contains(csDesigning)) {
        FHookedForm = Form;
        FFormHook = std::make_shared<TFormResizeHook>(
            TFormResizeHook{[this](TObject* Sender) { FormResized(Sender); }, Form->OnResize});
        FFormWidth = Form->Width();
        FFormHeight = Form->Height();
        Form->OnResize = TFormResizeLink{FFormHook};
    }

    SetDefaultRowHeight(21);
    FFixedRowHeight = 21;
    FGradFrom = 0xFFFFFF;
    FGradTo = ColorToRGB(clBtnFace);
    FFixedRowsMem = TBaseGrid::FixedRows();
    FFixedColsMem = TBaseGrid::FixedCols();
    SetCellWordWrapDefault(true);
    StartGridTimer();
}

TExtStringGrid::~TExtStringGrid() {
    BeforeDestruction();
    try {
        StoreColumnWidths();
    } catch (const Exception&) {
        // A store that cannot be written loses the widths, not the program.
    }
    if (FFormHook) {
        FFormHook->Grid = nullptr;
        // Still the form's handler: the one found goes back; otherwise the link stays, passing on.
        const auto* Link = FHookedForm ? FHookedForm->OnResize.target<TFormResizeLink>() : nullptr;
        if (Link && Link->Hook == FFormHook) FHookedForm->OnResize = FFormHook->Old;
        FHookedForm = nullptr;
    }
    FColumnHeaders->OnChange = nullptr;
    FRowHeaders->OnChange = nullptr;
    FFixedFont->OnChange = nullptr;
    FActiveCellFont->OnChange = nullptr;
    FRowMap->OnChanged = nullptr;
    SetHiddenRowMap(nullptr);
    FSearchFooter->OnChange = nullptr;
    FShowModified->OnChange = nullptr;
    // Hidden rows hold properties of their cells. They are freed where they are: showing
    // the rows again would size the grid, whose editor has gone with its owned components.
    FreeHiddenCellObjects(FRowMap->TakeAllObjects());
    // Graphics this grid made and that are still alive, wherever their slots went.
    for (TCellGraphic* G : FOwnedGraphics) delete G;
    FOwnedGraphics.clear();
}

void TExtStringGrid::FormResized(TObject* Sender) {
    if (FSizeWithForm && FHookedForm && !ComponentState().Contains(csDestroying)) {
        const Integer W = Width() + FHookedForm->Width() - FFormWidth;
        const Integer H = Height() + FHookedForm->Height() - FFormHeight;
        if (W > 0 && H > 0) {
            SetBounds(Left(), Top(), W, H);
            FFormWidth = FHookedForm->Width();
            FFormHeight = FHookedForm->Height();
        }
    }
    const std::shared_ptr<TFormResizeHook> Hook = FFormHook;   // the handler may free the grid
    if (Hook->Old) Hook->Old(Sender);
}

void TExtStringGrid::Notification(TComponent* AComponent, TOperation Operation) {
    TBaseGrid::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FHookedForm) FHookedForm = nullptr;
    if (Operation == opRemove && FPictureContainer && AComponent == PictureContainerComponent()) FPictureContainer = nullptr;
    if (Operation == opRemove && AComponent == FCellChecker) FCellChecker = nullptr;
    if (Operation == opRemove && AComponent == FEditLink) FEditLink = nullptr;
    if (Operation == opRemove && AComponent == FHeldPopup) FHeldPopup = nullptr;
}

void TExtStringGrid::Loaded() {
    TBaseGrid::Loaded();
    FOldCursor = Cursor();
    ApplyColumnHeaders();
    ApplyRowHeaders();
    if (FLook == glKezmo) SetFixedGradient(0xC0C0C0, 0xFFFFFF);
    FFixedRowsMem = TBaseGrid::FixedRows();
    FFixedColsMem = TBaseGrid::FixedCols();
    FAutoMinRowHeight = DefaultRowHeight();
    FAutoMinColWidth = 10;
    DropTargetLoaded();
    FLoadedOnce = true;
    RestoreColumnWidths();
    TGridOptions O = Options();
    if (O.Contains(goAlwaysShowEditor)) {
        O.Exclude(goAlwaysShowEditor);
        TBaseGrid::SetOptions(O);
        FNavigation->SetAlwaysEdit(true);
    }
    // Without a widget style to draw themed parts, the themed look falls back to the classic one.
    if (!FThemed && FControlLook->ControlStyle() == csTheme && !ComponentState().Contains(csDesigning))
        FControlLook->SetControlStyle(csClassic);
    if (FAutoThemeAdapt) ThemeAdapt();
}

void TExtStringGrid::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TExtStringGrid*>(Source);
    if (!S) return;   // only another advanced grid is taken
    EndEditBeforeLayoutChange();
    FCheckedCell = TGridCoord{-1, -1};   // a check running now has no cell left to store in
    SetFont(S->Font());
    FActiveCellColor = S->FActiveCellColor;
    FActiveCellColorTo = S->FActiveCellColorTo;
    FActiveCellFont->Assign(S->FActiveCellFont.get());
    FActiveCellShow = S->FActiveCellShow;
    SetActiveRowShow(S->ActiveRowShow());
    SetAlign(S->Align());
    FAnchorHint = S->FAnchorHint;
    FAutoNumAlign = S->FAutoNumAlign;
    FAutoSize = S->FAutoSize;
    FAutoThemeAdapt = S->FAutoThemeAdapt;
    FMouseActions->Assign(S->FMouseActions.get());
    FNavigation->Assign(S->FNavigation.get());
    FPrintSettings->Assign(S->FPrintSettings.get());
    for (Integer I = 0; I < S->FFilter->Count(); ++I) {
        if (I == 0) FFilter->Clear();
        FFilter->Add()->Assign(S->FFilter->Items(I));
    }
    if (S->FFilter->Count() == 0) FFilter->Clear();
    FHTMLSettings->Assign(S->FHTMLSettings.get());
    FBands->Assign(S->FBands.get());
    FCellNode->Assign(S->FCellNode.get());
    FGrouping->Assign(S->FGrouping.get());
    FSearchFooter->Assign(S->FSearchFooter.get());
    FDragScrollOptions->Assign(S->FDragScrollOptions.get());
    SetColCount(S->ColCount());
    // Footer rows stay the last rows, with their labels: the data rows come above them.
    const Integer Footers = std::clamp(FFixedFooters, 0, RowCount());
    if (Footers > 0) FitRowsAboveFooters(Footers, S->RowCount() - std::clamp(S->FFixedFooters, 0, S->RowCount() - 1));
    else SetRowCount(S->RowCount());
    // The header rows the source keeps, also when only FixedRowAlways keeps them (no data rows there):
    // here, with a footer row below, they can be fixed rows again.
    SetFixedRows(std::min(S->FixedRows(), RowCount() - 1));
    SetFixedCols(S->TBaseGrid::FixedCols());
    // The sort row as the source holds it: one no longer a fixed row there (all its data rows removed) sorts nothing here either.
    FSortSettings->Take(S->FSortSettings.get());
    SetDefaultColWidth(S->DefaultColWidth());
    SetOptions(S->Options());
    // Cells: column widths and every non-empty cell through the cell text stream, so
    // that the source's OnSaveCell and this grid's OnLoadCell see them.
    TMemoryStream Cells;
    S->SaveCellsToStrings(&Cells);
    Cells.SetPosition(0);
    LoadCellsFromStrings(&Cells);
    // After the load: rows it brought back from the filter, a node or HideRows keep no height of their own.
    SetDefaultRowHeight(S->DefaultRowHeight());
    Invalidate();
}

void TExtStringGrid::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    if (FIntegralHeight && FUpdateCount == 0 && DefaultRowHeight() > 0) {
        const Integer S = VisibleColCount() + TBaseGrid::FixedCols() < ColCount() ? FScrollWidth : 0;
        // The frame takes its width at the top and at the bottom: the rest holds whole rows.
        const Integer B = FrameWidth();
        const Integer H = AHeight - S - 2 * B;
        if (H > 0) AHeight = S + (H - H % DefaultRowHeight()) + 2 * B;
    }
    TBaseGrid::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TExtStringGrid::SetIntegralHeight(bool Value) {
    FIntegralHeight = Value;
    SetBounds(Left(), Top(), Width(), Height());
}

// --- size -------------------------------------------------------------------
void TExtStringGrid::SetRowCount(Integer Value) {
    if (Value != RowCount()) EndEditBeforeLayoutChange();
    // Rows cut off take their records along, so rows added back later start clean; rows
    // hidden among them are shown first to go with them.
    const bool Cutting = Value < RowCount() && !FRecordsKept && FRowMap;
    if (Cutting && NumHiddenRows() > 0)
        for (Integer R = RealRowIndex(std::max<Integer>(1, Value) - 1) + 1; R < AllRowCount(); ++R)
            if (IsHiddenRow(R)) {
                ShowHiddenRows(R, AllRowCount() - 1);
                break;
            }
    if (const Integer Cut = RowCount() - std::max<Integer>(1, Value); Cut > 0 && Cutting) {
        RowRecordsRemoved(RowCount() - Cut, Cut);
        DropCutCells(true, RowCount() - Cut, Cut);
    }
    if (FFixedRowAlways && RowCount() == FixedRows()) RestoreSelection();
    TBaseGrid::SetRowCount(Value);
    if (Cutting && HasNodes()) RecountNodes();
    if (Value > FFixedRowsMem && FFixedRowAlways && TBaseGrid::FixedRows() != FFixedRowsMem)
        TBaseGrid::SetFixedRows(FFixedRowsMem);
    SetDisplRowCount(RowCount());
    if (FParked && RowCount() > TBaseGrid::FixedRows()) RestoreSelection();
    RepaintUnlessUpdating();
}

void TExtStringGrid::SetColCount(Integer Value) {
    if (Value != ColCount()) EndEditBeforeLayoutChange();
    const Integer Old = ColCount();
    if (const Integer Cut = Old - std::max<Integer>(1, Value); Cut > 0 && !FRecordsKept && FRowMap)
        DropCutCells(false, Old - Cut, Cut);
    TBaseGrid::SetColCount(Value);
    if (ColCount() < Old && !FRecordsKept && FRowMap) ColumnsShifted(ColCount(), ColCount() - Old);
    if (Value > FFixedColsMem && FFixedColAlways && TBaseGrid::FixedCols() != FFixedColsMem)
        TBaseGrid::SetFixedCols(FFixedColsMem);
    SetBounds(Left(), Top(), Width(), Height());
    RepaintUnlessUpdating();
}

// The cells a smaller count cuts off go with everything they hold; merges reaching into them split.
void TExtStringGrid::DropCutCells(bool ARows, Integer AFrom, Integer ACount) {
    SplitMergesAround(ARows, AFrom, -ACount);
    const Integer L = ARows ? 0 : AFrom, T = ARows ? AFrom : 0;
    const Integer R = ARows ? ColCount() - 1 : AFrom + ACount - 1, B = ARows ? AFrom + ACount - 1 : RowCount() - 1;
    for (Integer Rw = T; Rw <= B; ++Rw)
        for (Integer C = L; C <= R; ++C) RemoveCellGraphic(C, Rw);
    ClearProps(L, T, R, B);
}

Integer TExtStringGrid::FixedRows() const {
    const Integer V = TBaseGrid::FixedRows();
    return V == 0 && FFixedRowAlways ? 1 : V;
}

Integer TExtStringGrid::FixedCols() const {
    const Integer V = TBaseGrid::FixedCols();
    return V == 0 && FFixedColAlways ? 1 : V;
}

void TExtStringGrid::SetFixedRows(Integer Value) {
    TBaseGrid::SetFixedRows(Value);
    if (!ComponentState().Contains(csLoading)) FFixedRowsMem = Value;
}

void TExtStringGrid::SetFixedCols(Integer Value) {
    TBaseGrid::SetFixedCols(Value);
    if (!ComponentState().Contains(csLoading)) FFixedColsMem = Value;
}

void TExtStringGrid::SetFixedColWidth(Integer Value) {
    if (ComponentState().Contains(csLoading) || Value == DefaultColWidth()) return;
    for (Integer C = 0; C < TBaseGrid::FixedCols(); ++C) SetColWidths(C, Value);
}

void TExtStringGrid::SetFixedRowHeight(Integer Value) {
    FFixedRowHeight = Value;
    if (ComponentState().Contains(csLoading)) return;
    if (Value != DefaultRowHeight()) {
        for (Integer R = 0; R < TBaseGrid::FixedRows(); ++R) SetRowHeights(R, Value);
    } else {
        SetDefaultRowHeight(Value);
    }
}

void TExtStringGrid::SetDefaultRowHeight(Integer Value) {
    TBaseGrid::SetDefaultRowHeight(Value);
    if (ComponentState().Contains(csDesigning)) FFixedRowHeight = Value;
    FFloatingFooter->SetFooterHeight(Value);
}

void TExtStringGrid::SetFixedFooters(Integer Value) {
    FFixedFooters = std::max(0, Value);
    RepaintUnlessUpdating();
}

void TExtStringGrid::SetFixedRightCols(Integer Value) {
    FFixedRightCols = std::max(0, Value);
    RepaintUnlessUpdating();
}

// --- look -------------------------------------------------------------------
void TExtStringGrid::RepaintUnlessUpdating() {
    if (FUpdateCount == 0) Invalidate();
}

void TExtStringGrid::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount > 0) return;
    Invalidate();
    UpdateCellControls();
    PlaceFormControl();
}

void TExtStringGrid::SetWordWrap(bool Value) {
    FWordWrap = Value;
    SetCellWordWrapDefault(Value);
    RepaintUnlessUpdating();
}

void TExtStringGrid::SetVAlignment(TVAlignment Value) {
    FVAlignment = Value;
    FVAlignFlag = Value == vtaCenter ? DT_VCENTER : Value == vtaBottom ? DT_BOTTOM : DT_TOP;
    RepaintUnlessUpdating();
}

void TExtStringGrid::SetAutoSize(bool Value) {
    FAutoSize = Value;
    if (Value) SizeColumnsToContent(false, 10);
}

void TExtStringGrid::SetFlat(bool Value) {
    FFlat = Value;
    ApplyFrame();
    if (!ComponentState().Contains(csLoading)) Invalidate();
}

#define EXTGRID_SET_REPAINT(Type, Name)                  \
    void TExtStringGrid::Set##Name(Type Value) {          \
        if (F##Name == Value) return;                     \
        F##Name = Value;                                  \
        RepaintUnlessUpdating();                          \
    }
EXTGRID_SET_REPAINT(TColor, SelectionColor)
EXTGRID_SET_REPAINT(TColor, SelectionColorTo)
EXTGRID_SET_REPAINT(TColor, SelectionTextColor)
EXTGRID_SET_REPAINT(bool, SelectionRectangle)
EXTGRID_SET_REPAINT(bool, SelectionResizer)
EXTGRID_SET_REPAINT(bool, ShowSelection)
EXTGRID_SET_REPAINT(bool, ActiveCellShow)
EXTGRID_SET_REPAINT(TColor, ActiveCellColor)
EXTGRID_SET_REPAINT(TColor, ActiveCellColorTo)
#undef EXTGRID_SET_REPAINT

void TExtStringGrid::SetURLShow(bool Value) {
    FURLShow = Value;
    Invalidate();
}

void TExtStringGrid::SetURLColor(TColor Value) {
    FURLColor = Value;
    if (FURLShow) Invalidate();
}

void TExtStringGrid::SetURLFull(bool Value) {
    FURLFull = Value;
    if (FURLShow) Invalidate();
}

void TExtStringGrid::SetLook(TGridLook Value) {
    if (FLook == Value) return;
    FLook = Value;
    Invalidate();
}

void TExtStringGrid::SetCursor(TCursor Value) {
    TBaseGrid::SetCursor(Value);
    FOldCursor = Value;
    FCursorState = 0;
}

void TExtStringGrid::SetFixedGradient(TColor AFrom, TColor ATo) {
    FGradFrom = AFrom;
    FGradTo = ATo;
    RepaintUnlessUpdating();
}

AnsiString TExtStringGrid::Version() const {
    const Cardinal V = GetVersionNr();
    return IntToStr(Integer(V >> 24)) + "." + IntToStr(Integer((V >> 16) & 0xFF)) + "." +
           IntToStr(Integer((V >> 8) & 0xFF)) + "." + IntToStr(Integer(V & 0xFF));
}

AnsiString TExtStringGrid::GetVersionString() const { return Version() + " Mar, 2006"; }

// --- headers ----------------------------------------------------------------
void TExtStringGrid::SetColumnHeaders(TStrings* Value) {
    if (Value) FColumnHeaders->Assign(Value);
    ApplyColumnHeaders();
}

void TExtStringGrid::SetRowHeaders(TStrings* Value) {
    if (Value) FRowHeaders->Assign(Value);
    ApplyRowHeaders();
}

void TExtStringGrid::ApplyColumnHeaders() {
    if (TBaseGrid::FixedRows() <= 0) return;
    for (Integer C = 0; C < ColCount(); ++C) SetRawCells(C, 0, "");
    for (Integer I = 0; I < FColumnHeaders->Count() && I < ColCount(); ++I)
        SetCells(I, 0, BackslashNToCR(FColumnHeaders->Strings(I)));
    RepaintUnlessUpdating();
}

void TExtStringGrid::ApplyRowHeaders() {
    if (TBaseGrid::FixedCols() <= 0) return;
    if (ComponentState().Contains(csDesigning))
        for (Integer R = 0; R < RowCount(); ++R) SetRawCells(0, R, "");
    for (Integer I = 0; I < FRowHeaders->Count() && I < RowCount(); ++I)
        SetCells(0, I, BackslashNToCR(FRowHeaders->Strings(I)));
    RepaintUnlessUpdating();
}

// --- cell-query hooks ---------------------------------------------------------
void TExtStringGrid::GridHint(Integer ACol, Integer ARow, AnsiString& Hint) {
    if (OnGridHint) FireEvent(OnGridHint, this, ARow, ACol, Hint);
}

void TExtStringGrid::GetCellColor(Integer ACol, Integer ARow, TGridDrawState AState, TBrush* ABrush, TFont* AFont) {
    if (FActiveCellShow) {
        const bool RowHeader = TBaseGrid::FixedCols() > 0 && ACol == 0 && ARow == Row();
        const bool ColHeader = TBaseGrid::FixedRows() >= 1 && ARow == 0 && ACol == Col();
        if (RowHeader || ColHeader) {
            AFont->Assign(FActiveCellFont.get());
            ABrush->SetColor(FActiveCellColor);
        }
    }
    if (const TCellProperties* P = HeldProps(ACol, ARow)) {
        if (P->BrushColor() != clNone) ABrush->SetColor(P->BrushColor());
        if (P->FontColor() != clNone) AFont->SetColor(P->FontColor());
        if (!P->FontStyle().Empty()) AFont->SetStyle(P->FontStyle());
        if (P->FontSize() != 0) AFont->SetSize(P->FontSize());
        if (!P->FontName().empty()) AFont->SetName(P->FontName());
    }
    if (OnGetCellColor) FireEvent(OnGetCellColor, this, ARow, ACol, AState, ABrush, AFont);
}

void TExtStringGrid::GetAlignment(Integer ACol, Integer ARow, TAlignment& HAlign, TVAlignment& VAlign) {
    if (ACol == 0 && FMouseActions->HotmailRowSelect()) HAlign = taCenter;
    if (OnGetAlignment) FireEvent(OnGetAlignment, this, ARow, ACol, HAlign, VAlign);
}

void TExtStringGrid::GetFormat(Integer ACol, Integer& AStyle, AnsiString& APrefix, AnsiString& ASuffix) {
    if (OnGetFormat) FireEvent(OnGetFormat, this, ACol, AStyle, APrefix, ASuffix);
}

void TExtStringGrid::GetEditorType(Integer ACol, Integer ARow, TEditorType& Editor) {
    if (OnGetEditorType) FireEvent(OnGetEditorType, this, ACol, ARow, Editor);
}

void TExtStringGrid::IsFixedCell(Integer ACol, Integer ARow, bool& IsFixedResult) {
    if (IsFixedResult) return;
    IsFixedResult = (FFixedRowAlways && ARow <= FFixedRowsMem && RowCount() == FFixedRowsMem) ||
                    (FFixedColAlways && ACol < FFixedColsMem && ColCount() == FFixedColsMem) ||
                    ACol < TBaseGrid::FixedCols() || ARow < TBaseGrid::FixedRows();
    if (!IsFixedResult && OnIsFixedCell) FireEvent(OnIsFixedCell, this, ARow, ACol, IsFixedResult);
}

bool TExtStringGrid::IsFixed(Integer ACol, Integer ARow) {
    // A merged cell is as fixed as its base cell.
    if (ACol >= 0 && ARow >= 0 && ACol < ColCount() && ARow < RowCount()) {
        const TPoint B = BaseCell(ACol, ARow);
        ACol = B.X;
        ARow = B.Y;
    }
    // Footer rows and the columns fixed at the right are shown, never selected or edited.
    if (ACol > LastDataCol() || ARow > LastDataRow()) return true;
    bool F = false;
    IsFixedCell(ACol, ARow, F);
    return F;
}

void TExtStringGrid::CanEditCell(Integer ACol, Integer ARow, bool& CanEdit) {
    const TPoint B = BaseCell(ACol, ARow);
    if (const TCellProperties* P = HeldProps(ACol, ARow); P && CanEdit) {
        CanEdit = !P->ReadOnly();
        if (!Options().Contains(goEditing) && !FEditSuspended && !FMouseActions->RangeSelectAndEdit())
            CanEdit = false;
    }
    if (OnCanEditCell) FireEvent(OnCanEditCell, this, B.Y, B.X, CanEdit);
}

void TExtStringGrid::IsPasswordCell(Integer ACol, Integer ARow, bool& IsPassword) {
    if (OnIsPasswordCell) FireEvent(OnIsPasswordCell, this, ARow, ACol, IsPassword);
}

bool TExtStringGrid::HidesText(Integer ACol, Integer ARow) {
    bool Password = false;
    IsPasswordCell(ACol, ARow, Password);
    return Password;
}

void TExtStringGrid::GetWordWrap(Integer ACol, Integer ARow, bool& WordWrapValue) {
    if (OnGetWordWrap) FireEvent(OnGetWordWrap, this, ARow, ACol, WordWrapValue);
}

bool TExtStringGrid::HasComboBox(Integer ACol, Integer ARow) {
    bool Has = false;
    if (OnHasComboBox) FireEvent(OnHasComboBox, this, ACol, ARow, Has);
    return Has;
}

void TExtStringGrid::GetCheckTrue(Integer ACol, Integer ARow, AnsiString& Value) {
    Value = FCheckTrue;
    if (OnGetCheckTrue) FireEvent(OnGetCheckTrue, this, ACol, ARow, Value);
}

void TExtStringGrid::GetCheckFalse(Integer ACol, Integer ARow, AnsiString& Value) {
    Value = FCheckFalse;
    if (OnGetCheckFalse) FireEvent(OnGetCheckFalse, this, ACol, ARow, Value);
}

void TExtStringGrid::GetCellAlignment(Integer ACol, Integer ARow, TAlignment& HAlign, TVAlignment& VAlign) {
    HAlign = taLeftJustify;
    VAlign = FVAlignment;
    if (FAutoNumAlign) {
        AnsiString T = Cells(ACol, ARow);
        if ((!T.empty() && T[0] == '=') || (T.size() > 3 && T[0] == '|' && T[1] == '\\' && T[3] == '='))
            GetCellForSave(ACol, ARow, T);
        if (NumberKind(Trim(T)) != 2) HAlign = taRightJustify;
    }
    if (const TCellProperties* P = HeldProps(ACol, ARow)) HAlign = P->Alignment();
    GetAlignment(ACol, ARow, HAlign, VAlign);
}

// --- texts for saving and loading ---------------------------------------------

void TExtStringGrid::GetCellForSave(Integer ACol, Integer ARow, AnsiString& Value) { Value = Cells(ACol, ARow); }

bool TExtStringGrid::SaveCell(Integer ACol, Integer ARow, AnsiString& Value) {
    FormatCellText(ACol, ARow, Value);
    Value = WithoutHighlight(Value);
    if (Value.empty() && GetCellType(ACol, ARow) == ctCheckBox) {
        const TCellGraphic* G = GetCellGraphic(ACol, ARow);
        if (G && G->CellBoolean()) GetCheckTrue(ACol, ARow, Value);
        else GetCheckFalse(ACol, ARow, Value);
    }
    const TAliveGuard Alive(this);
    if (OnSaveCell) FireEvent(OnSaveCell, this, ACol, ARow, Value);
    return Alive.Alive();
}

bool TExtStringGrid::LoadCell(Integer ACol, Integer ARow, const AnsiString& Value) {
    AnsiString V = Value;
    const TAliveGuard Alive(this);
    if (OnLoadCell) FireEvent(OnLoadCell, this, ACol, ARow, V);
    if (Alive.Gone()) return false;
    SetRawCells(ACol, ARow, V);
    return true;
}

// --- notifications --------------------------------------------------------------
void TExtStringGrid::SelectionChanged(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
    if (OnSelectionChanged) FireEvent(OnSelectionChanged, this, ALeft, ATop, ARight, ABottom);
}

void TExtStringGrid::CellsChanged(TRect R) {
    const TAliveGuard Alive(this);   // the handler may free the grid: callers check it still lives
    if (OnCellsChanged) FireEvent(OnCellsChanged, this, R);
    if (Alive.Gone()) return;
    RecalcAllFooters();
}

// A grid freed by the handler adds nothing: the caller checks it still lives.
bool TExtStringGrid::CanAddRow() {
    bool Can = true;
    const TAliveGuard Alive(this);
    if (OnCanAddRow) FireEvent(OnCanAddRow, this, Can);
    return Can && Alive.Alive();
}

bool TExtStringGrid::CanInsertRow(Integer ARow) {
    bool Can = true;
    const TAliveGuard Alive(this);
    if (OnCanInsertRow) FireEvent(OnCanInsertRow, this, ARow, Can);
    return Can && Alive.Alive();
}

// Footer rows stay last: the new row goes in above them.
void TExtStringGrid::AddRow() { AddRowAtEnd(); }

// --- colours ------------------------------------------------------------------
// Which: 0 brush, 1 gradient end, 2 font.
void TExtStringGrid::SetRangeColor(Integer ARow, TColor Value, int Which) {
    if (ARow < 0 || ARow >= RowCount()) throw EInvalidGridOperation("Grid index out of range");
    for (Integer C = FixedCols(); C < AllColCount(); ++C) {
        if (Value == clNone) {
            FreeCellSettings(C, ARow);
            continue;
        }
        TCellProperties* P = GetCellProperties(C, ARow);
        if (Which == 0) P->SetBrushColor(Value);
        else if (Which == 1) P->SetBrushColorTo(Value);
        else P->SetFontColor(Value);
    }
    InvalidateRow(ARow);
}

void TExtStringGrid::FreeCellSettings(Integer ACol, Integer ARow) {
    TCellProperties* P = CellPropertiesOrNil(ACol, ARow);
    if (!P) return;
    // Half a merge would cover cells that read their own texts: the merge splits whole.
    if (IsMergedCell(ACol, ARow)) SplitCells(ACol, ARow);
    // What the cell holds is not a setting: its object (a node, a check box), the control
    // placed in it and its node level stay.
    TObject* Kept = P->KeptObject();
    TControl* Ctl = P->Control();
    const Integer Level = P->NodeLevel();
    ClearProps(ACol, ARow);
    if (Kept || Ctl || Level) {
        P = GetCellProperties(ACol, ARow);
        P->SetKeptObject(Kept);
        P->SetControl(Ctl);
        P->SetNodeLevel(Level);
    }
}

void TExtStringGrid::SetRowColor(Integer ARow, TColor Value) { SetRangeColor(ARow, Value, 0); }
void TExtStringGrid::SetRowColorTo(Integer ARow, TColor Value) { SetRangeColor(ARow, Value, 1); }
void TExtStringGrid::SetRowFontColor(Integer ARow, TColor Value) { SetRangeColor(ARow, Value, 2); }

namespace {

TColor PropertyColour(const TCellProperties* P, TColor (TCellProperties::*Get)() const) {
    return P ? (P->*Get)() : clNone;
}

}  // namespace

void TExtStringGrid::SetCellColour(Integer ACol, Integer ARow, void (TCellProperties::*Set)(TColor), TColor Value) {
    (GetCellProperties(ACol, ARow)->*Set)(Value);
    RepaintCell(DisplColIndex(ACol), ARow);
}

TColor TExtStringGrid::Colors(Integer ACol, Integer ARow) const {
    return PropertyColour(CellPropertiesOrNil(ACol, ARow), &TCellProperties::BrushColor);
}
TColor TExtStringGrid::ColorsTo(Integer ACol, Integer ARow) const {
    return PropertyColour(CellPropertiesOrNil(ACol, ARow), &TCellProperties::BrushColorTo);
}
TColor TExtStringGrid::FontColors(Integer ACol, Integer ARow) const {
    return PropertyColour(CellPropertiesOrNil(ACol, ARow), &TCellProperties::FontColor);
}
void TExtStringGrid::SetColors(Integer ACol, Integer ARow, TColor Value) {
    SetCellColour(ACol, ARow, &TCellProperties::SetBrushColor, Value);
}
void TExtStringGrid::SetColorsTo(Integer ACol, Integer ARow, TColor Value) {
    SetCellColour(ACol, ARow, &TCellProperties::SetBrushColorTo, Value);
}
void TExtStringGrid::SetFontColors(Integer ACol, Integer ARow, TColor Value) {
    SetCellColour(ACol, ARow, &TCellProperties::SetFontColor, Value);
}

bool TExtStringGrid::ReadOnly(Integer ACol, Integer ARow) { return GetCellProperties(ACol, ARow)->ReadOnly(); }

void TExtStringGrid::SetReadOnly(Integer ACol, Integer ARow, bool Value) {
    GetCellProperties(ACol, ARow)->SetReadOnly(Value);
}

TControl* TExtStringGrid::CellControl(Integer ACol, Integer ARow) const {
    const TCellProperties* P = CellPropertiesOrNil(ACol, ARow);
    return P ? P->Control() : nullptr;
}

// --- current cell --------------------------------------------------------------
void TExtStringGrid::GetCurrentCell(AnsiString& Value) {
    Value = HeldText(GetRealCol(), Row());
}

void TExtStringGrid::SetCurrentCell(const AnsiString& Value) {
    const TPoint B = BaseCell(GetRealCol(), Row());
    SetCells(B.X, B.Y, TypedCellText(B.X, B.Y, KeptEditText(B.X, B.Y, Value)));
}

void TExtStringGrid::SetCurrentCellEditText(const AnsiString& Value) {
    const TPoint B = BaseCell(GetRealCol(), Row());
    SetEditText(B.X, B.Y, Value);
}

void TExtStringGrid::EllipsClick(AnsiString& Value) {
    if (OnEllipsClick) FireEvent(OnEllipsClick, this, GetRealCol(), Row(), Value);
}

// --- zoom ----------------------------------------------------------------------
void TExtStringGrid::Zoom(Integer Delta) {
    if (FZoom + Delta < -10 || FZoom + Delta > 10) return;
    FZoom += Delta;
    TUpdateScope Update(this);
    // A column or row of size 0 is hidden: zooming does not bring it out.
    for (Integer C = 0; C < ColCount(); ++C)
        if (ColWidths(C) > 0 && ColWidths(C) + Delta > 0) SetColWidths(C, ColWidths(C) + Delta);
    for (Integer R = 0; R < RowCount(); ++R)
        if (RowHeights(R) > 0 && RowHeights(R) + Delta > 0) SetRowHeights(R, RowHeights(R) + Delta);
}

void TExtStringGrid::Resize() {
    const TAliveGuard Alive(this);   // OnResize may free the grid
    TBaseGrid::Resize();
    if (Alive.Gone()) return;
    if (FColumnSize && FColumnSize->Stretch() && HasParent() && !ComponentState().Contains(csLoading) &&
        ColCount() > 0)
        StretchColumn(std::clamp(FColumnSize->StretchColumn(), -1, ColCount() - 1));
    else if (FColumnSize && FColumnSize->SynchWithGrid() && FSynchWidth > 0 && Width() > 0 && Width() != FSynchWidth) {
        // The columns keep their share of the grid's width.
        if (EditorMode()) HideEditor();
        if (FEditorControl) EndEditorControl();
        const double Scale = double(Width()) / FSynchWidth;
        for (Integer C = 0; C < ColCount(); ++C) SetColWidths(C, Integer(std::lround(ColWidths(C) * Scale)));
    }
    if (Width() > 0) FSynchWidth = Width();
    PlaceSearchPanel();
    PlaceFooterPanel();
}

void TExtStringGrid::CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                                     Integer& SizingOfs) {
    TBaseGrid::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs);
    Integer C = -1, R = -1;
    MouseToCell(X - 6, Y, C, R);
    const TAliveGuard Alive(this);   // a grid freed by the handler sizes nothing: the caller checks
    if (R >= 0 && R < TBaseGrid::FixedRows() && OnColumnSize) {
        bool Allow = true;
        FireEvent(OnColumnSize, this, C, Allow);
        if (!Allow || Alive.Gone()) State = gsNormal;
        if (Alive.Gone()) return;
    }
    MouseToCell(X, Y - 6, C, R);
    if (C >= 0 && C < TBaseGrid::FixedCols() && OnRowSize) {
        bool Allow = true;
        FireEvent(OnRowSize, this, R, Allow);
        if (!Allow) State = gsNormal;
    }
}
