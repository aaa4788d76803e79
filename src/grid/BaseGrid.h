#pragma once
// TBaseGrid: the string grid under the advanced grid. Adds per-cell properties
// (kept in the framework's per-cell object slot), merged cells, a footer row, the
// display-text hooks every reader of Cells goes through, its own grid lines, an
// active-row colour and a link to an undo/redo recorder.
//
// Cell texts live only in the framework grid. Reading a cell never creates
// properties; merges, colours and Objects do. The grid owns every TCellProperties
// it made and frees them when it goes, whatever became of their slots.
#include "platform/ui/Grids.h"

#include <functional>
#include <memory>
#include <set>
#include <vector>

enum TEditorType {
    edNormal, edSpinEdit, edComboEdit, edComboList, edEditBtn, edCheckBox, edDateEdit, edDateEditUpDown,
    edTimeEdit, edButton, edDataCheckBox, edNumeric, edPositiveNumeric, edFloat, edCapital, edMixedCase,
    edPassword, edUnitEditBtn, edLowerCase, edUpperCase, edFloatSpinEdit, edTimeSpinEdit, edDateSpinEdit,
    edNumericEditBtn, edFloatEditBtn, edCustom, edRichEdit, edNone, edUniEdit, edUniComboEdit, edUniComboList,
    edUniEditBtn, edUniMemo
};

enum TVAlignment { vtaTop, vtaCenter, vtaBottom };

using TGetDisplTextEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value)>;
using TGetDisplWideTextEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, WideString& Value)>;

class TBaseGrid;
class TControl;
class TGridRowMap;

// The properties of one cell. Merge spans: a base cell holds the columns/rows it
// covers minus one; a covered cell its distance to the base cell; -1 when not merged.
class TCellProperties : public TPersistent {
public:
    TCellProperties(TBaseGrid* AGrid, Integer ACol, Integer ARow);
    ~TCellProperties() override;
    // Copies everything but BrushColorTo, CellObject and the kept object.
    void Assign(TPersistent* Source) override;

    // The base cell of (ACol, ARow) whose properties are Props (nullptr: none).
    static TPoint BaseCellOf(const TCellProperties* Props, Integer ACol, Integer ARow);

    TBaseGrid* Grid() const { return FGrid; }
    Integer OwnerCol() const { return FOwnerCol; }
    void SetOwnerCol(Integer Value) { FOwnerCol = Value; }
    Integer OwnerRow() const { return FOwnerRow; }
    void SetOwnerRow(Integer Value) { FOwnerRow = Value; }
    TObject* CellObject() const { return FCellObject; }
    void SetCellObject(TObject* Value) { FCellObject = Value; }
    TObject* KeptObject() const { return FKeptObject; }   // the grid's Objects[] value
    void SetKeptObject(TObject* Value) { FKeptObject = Value; }
    TBrushStyle BrushStyle() const { return FBrushStyle; }
    void SetBrushStyle(TBrushStyle Value) { FBrushStyle = Value; }
    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor Value);     // repaints the cell
    TColor BrushColorTo() const { return FBrushColorTo; }
    void SetBrushColorTo(TColor Value);   // repaints the cell
    Integer FontSize() const { return FFontSize; }
    void SetFontSize(Integer Value) { FFontSize = Value; }
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor Value) { FFontColor = Value; }
    TFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TFontStyles Value) { FFontStyle = Value; }
    Integer CellSpanX() const { return FCellSpanX; }
    void SetCellSpanX(Integer Value) { FCellSpanX = Value; }
    Integer CellSpanY() const { return FCellSpanY; }
    void SetCellSpanY(Integer Value) { FCellSpanY = Value; }
    Integer BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(Integer Value) { FBorderWidth = Value; }
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor Value) { FBorderColor = Value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; }
    TVAlignment VAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment Value);   // repaints the cell
    Integer PaintStamp() const { return FPaintStamp; }
    void SetPaintStamp(Integer Value) { FPaintStamp = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);            // repaints the cell
    bool IsBaseCell() const { return FIsBaseCell; }
    void SetIsBaseCell(bool Value) { FIsBaseCell = Value; }
    Integer NodeLevel() const { return FNodeLevel; }
    void SetNodeLevel(Integer Value) { FNodeLevel = Value; }
    TEditorType Editor() const { return FEditor; }
    void SetEditor(TEditorType Value) { FEditor = Value; }
    const AnsiString& FontName() const { return FFontName; }
    void SetFontName(const AnsiString& Value) { FFontName = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    // The control placed in the cell; nil once that control is freed (it is not the grid's).
    TControl* Control() const { return FControlAlive && *FControlAlive ? FControl : nullptr; }
    void SetControl(TControl* Value) {
        FControl = Value;
        FControlAlive = Value ? Value->AliveToken() : nullptr;
    }

private:
    friend class TBaseGrid;
    void Repaint();
    TBaseGrid* FGrid;
    Integer FOwnerCol;
    Integer FOwnerRow;
    TObject* FCellObject = nullptr;
    TObject* FKeptObject = nullptr;
    TBrushStyle FBrushStyle = bsSolid;
    TColor FBrushColor = clNone;
    TColor FBrushColorTo = clNone;
    Integer FFontSize = 0;
    TColor FFontColor = clNone;
    TFontStyles FFontStyle;
    Integer FCellSpanY = -1;
    Integer FCellSpanX = -1;
    Integer FBorderWidth = 0;
    TColor FBorderColor = 0;
    TAlignment FAlignment = taLeftJustify;
    TVAlignment FVAlignment = vtaTop;
    Integer FPaintStamp = 0;
    bool FWordWrap = true;
    bool FIsBaseCell = true;
    Integer FNodeLevel = 0;
    TEditorType FEditor = edNormal;
    AnsiString FFontName;
    bool FReadOnly = false;
    TControl* FControl = nullptr;
    std::shared_ptr<const bool> FControlAlive;
};

// One recorded cell change.
class TUndoRedoItem : public TCollectionItem {
public:
    explicit TUndoRedoItem(TCollection* Collection) : TCollectionItem(Collection) {}
    Integer Row() const { return FRow; }
    void SetRow(Integer Value) { FRow = Value; }
    Integer Col() const { return FCol; }
    void SetCol(Integer Value) { FCol = Value; }
    const AnsiString& Value() const { return FValue; }
    void SetValue(const AnsiString& V) { FValue = V; }
    const AnsiString& OrigValue() const { return FOrigValue; }
    void SetOrigValue(const AnsiString& V) { FOrigValue = V; }

private:
    Integer FRow = 0;
    Integer FCol = 0;
    AnsiString FValue;
    AnsiString FOrigValue;
};

class TUndoRedoCollection : public TCollection {
public:
    TUndoRedoCollection();
    TUndoRedoItem* Items(Integer Index) const { return static_cast<TUndoRedoItem*>(TCollection::Items(Index)); }
};

// Records cell changes of its grid; nothing replays them.
class TExtGridUndoRedo : public TComponent {
public:
    explicit TExtGridUndoRedo(TComponent* AOwner);
    ~TExtGridUndoRedo() override;

    TUndoRedoCollection* Items() const { return FItems.get(); }
    TBaseGrid* Grid() const { return FGrid; }
    Integer Level() const { return FLevel; }
    Integer MaxLevel() const { return FMaxLevel; }
    void SetMaxLevel(Integer Value) { FMaxLevel = Value; }   // 0: no limit
    // Appends a change; the oldest ones go when MaxLevel (>= 1) is reached.
    void AddChange(Integer ACol, Integer ARow, const AnsiString& OrigValue, const AnsiString& Value);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TBaseGrid;
    std::unique_ptr<TUndoRedoCollection> FItems;
    TBaseGrid* FGrid = nullptr;
    Integer FLevel = 0;
    Integer FMaxLevel = 0;
};

class TBaseGrid : public TStringGrid {
public:
    explicit TBaseGrid(TComponent* AOwner);
    ~TBaseGrid() override;

    // --- published settings
    bool DefaultDrawing() const { return FDefaultDrawingValue; }   // recorded only; the grid always draws itself
    void SetDefaultDrawing(bool Value) { FDefaultDrawingValue = Value; }
    Integer GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(Integer Value);
    TColor GridLineColor() const { return FGridLineColor; }
    void SetGridLineColor(TColor Value);
    bool ActiveRowShow() const { return FActiveRowShow; }
    void SetActiveRowShow(bool Value);
    TColor ActiveRowColor() const { return FActiveRowColor; }
    void SetActiveRowColor(TColor Value);
    TExtGridUndoRedo* UndoRedo() const { return FUndoRedo; }
    void SetUndoRedo(TExtGridUndoRedo* Value);

    TGetDisplTextEvent OnGetDisplText;
    TGetDisplWideTextEvent OnGetDisplWideText;

    // --- cells. Cells reads the base cell's text through the display hooks;
    // SetCells writes the base cell of a merge.
    AnsiString Cells(Integer ACol, Integer ARow) const;
    // Cells without a copy: the stored text itself while no display event is set
    // (valid until the cell changes), else the displayed text put into Scratch.
    const AnsiString& CellsRef(Integer ACol, Integer ARow, AnsiString& Scratch) const;
    void SetCells(Integer ACol, Integer ARow, const AnsiString& Value);
    // The user's object of a cell, kept inside its properties.
    TObject* Objects(Integer ACol, Integer ARow) const;
    void SetObjects(Integer ACol, Integer ARow, TObject* Value);
    // Raw framework access: no merges, no display hooks.
    AnsiString RawCells(Integer ACol, Integer ARow) const { return TStringGrid::Cells(ACol, ARow); }
    void SetRawCells(Integer ACol, Integer ARow, const AnsiString& Value) { TStringGrid::SetCells(ACol, ARow, Value); }
    TObject* RawObjects(Integer ACol, Integer ARow) const { return TStringGrid::Objects(ACol, ARow); }
    void SetRawObjects(Integer ACol, Integer ARow, TObject* Value) { TStringGrid::SetObjects(ACol, ARow, Value); }

    // --- properties. GetCellProperties creates them on first use
    // (EInvalidGridOperation outside the grid).
    TCellProperties* GetCellProperties(Integer ACol, Integer ARow);
    // A properties object the grid owns, not yet in a cell (for a hidden row's slot).
    TCellProperties* NewCellProperties(Integer ACol, Integer ARow);
    bool HasCellProperties(Integer ACol, Integer ARow) const;
    // False while no cell has properties: then no cell is merged either.
    bool AnyCellProperties() const { return !FAllProps.empty(); }
    const std::set<TCellProperties*>& AllCellProperties() const { return FAllProps; }
    TCellProperties* CellPropertiesOrNil(Integer ACol, Integer ARow) const;
    void ClearProps(Integer ACol1, Integer ARow1, Integer ACol2, Integer ARow2);
    void ClearProps(Integer ACol, Integer ARow);
    void ClearProps();
    // Empty the object slots (properties stay owned by the grid) and the texts.
    void ClearCol(Integer ACol);
    void ClearRow(Integer ARow);
    void ClearCell(Integer ACol, Integer ARow);

    // --- merges
    virtual void MergeCells(Integer ACol, Integer ARow, Integer NumCols, Integer NumRows);
    virtual void SplitCells(Integer ACol, Integer ARow);
    TPoint BaseCell(Integer ACol, Integer ARow) const;
    bool IsBaseCell(Integer ACol, Integer ARow) const;
    bool IsMergedCell(Integer ACol, Integer ARow) const;
    bool IsXMergedCell(Integer ACol, Integer ARow) const;
    bool IsYMergedCell(Integer ACol, Integer ARow) const;
    TPoint CellSpan(Integer ACol, Integer ARow) const;
    // The first shown cell of a merge whose base cell's row is hidden: it shows the merge.
    bool ShowsHiddenBase(Integer ACol, Integer ARow) const;
    // Where a cell's value and settings live, whatever rows are hidden: a merged cell's in its
    // merge's base cell (kept with that cell's row while the row is hidden), any other cell's in
    // itself. HeldText is the stored text, without display hooks. Every reader and writer of a
    // merge's value or settings asks here.
    TCellProperties* HeldProps(Integer ACol, Integer ARow) const;
    AnsiString HeldText(Integer ACol, Integer ARow) const;
    void SetHeldText(Integer ACol, Integer ARow, const AnsiString& Value);
    // Rows that change places on screen move a merge by its shown rows: while rows are hidden, the
    // cells of every merge shown from its base cell count their spans in shown rows before the
    // move (ShownMergeCells), and in real rows again after it (RealignMergeCells).
    std::vector<TCellProperties*> ShownMergeCells();
    void RealignMergeCells(const std::vector<TCellProperties*>& Cells);
    bool RowsInSameMerges(Integer ARow1, Integer ARow2) const;

    // --- geometry. CellRect covers a whole merge; AbsCellRect exists also for
    // cells scrolled out of view.
    TRect CellRect(Integer ACol, Integer ARow) const;
    TSize CellSize(Integer ACol, Integer ARow) const;
    TRect AbsCellRect(Integer ACol, Integer ARow) const;
    void RepaintCell(Integer ACol, Integer ARow);

    void KeyDown(Word& Key, TShiftState Shift) override;

protected:
    // A merged cell's whole block.
    TGridRect CellBlock(Integer ACol, Integer ARow) const override;
    // --- hooks of the advanced grid
    virtual bool IsFixed(Integer ACol, Integer ARow) { return false; }
    virtual Integer GetNodeIndent(Integer ARow) { return 0; }
    virtual bool HasNodes() { return false; }
    virtual void DrawCellText(TCanvas* ACanvas, Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState);
    virtual void UpdateFooter() {}
    // Run by the cell reads only while OnGetDisplText or OnGetDisplWideText is set.
    virtual void GetDisplText(Integer ACol, Integer ARow, AnsiString& Value);
    virtual void GetDisplWideText(Integer ACol, Integer ARow, WideString& Value);
    virtual void GetCellColor(Integer ACol, Integer ARow, TGridDrawState& AState, bool Printing, bool DoSelection,
                              bool RealColumn, TBrush* ABrush, TColor& ColorTo, TFont* AFont, TAlignment& HAlign,
                              TVAlignment& VAlign, bool& WordWrap) {}
    virtual Integer DisplColIndex(Integer ACol) { return ACol; }

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Paint() override;
    void DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) override;
    bool SelectCell(Integer ACol, Integer ARow) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void TopLeftChanged() override;
    AnsiString GetEditText(Integer ACol, Integer ARow) override;
    void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) override;

    // State the advanced grid drives.
    bool FooterRowFlag() const { return FFooterRow; }
    void SetFooterRowFlag(bool Value) { FFooterRow = Value; }
    Integer DisplRowCount() const { return FDisplRowCount; }
    void SetDisplRowCount(Integer Value) { FDisplRowCount = Value; }
    bool CellWordWrapDefault() const { return FCellWordWrap; }
    void SetCellWordWrapDefault(bool Value) { FCellWordWrap = Value; }
    Integer PaintCounter() const { return FPaintCounter; }
    // Moves the current cell onto the base cell of its merge.
    void SnapToBaseCell();
    // The row an arrow key reaches from ARow: past the merge there, onto the base of the next.
    Integer ArrowRow(Integer ACol, Integer ARow, bool Down) const;
    // The rows hidden out of the grid: merge spans count real rows, hidden ones included.
    void SetHiddenRowMap(const TGridRowMap* Map) { FHiddenRows = Map; }

private:
    friend class TCellProperties;
    // A merge as the screen shows it: over its shown rows only, from the first of them.
    struct TShownMerge {
        Integer Col = 0, RealRow = 0;            // its base cell, in real rows
        TCellProperties* Base = nullptr;          // in a hidden row's item when that row is hidden
        bool BaseHidden = false;
        TPoint Shown;                             // where it shows: its first shown cell
        Integer ShownRows = 0;
    };
    bool ShownMergeOf(Integer ACol, Integer ARow, TShownMerge& M) const;
    struct THolder {
        TPoint At;                           // the display cell its value shows in
        TCellProperties* Props = nullptr;
        TStringList* Items = nullptr;        // the hidden base row's cells, or nullptr
        Integer Col = 0;
    };
    THolder HolderOf(Integer ACol, Integer ARow) const;
    bool AnyHiddenRows() const;
    Integer RealRow(Integer ARow) const;
    TCellProperties* PropsAtReal(Integer ACol, Integer ARealRow) const;
    TCellProperties* MakePropsAtReal(Integer ACol, Integer ARealRow);
    const TGridRowMap* FHiddenRows = nullptr;
    bool InGrid(Integer ACol, Integer ARow) const {
        return ACol >= 0 && ARow >= 0 && ACol < ColCount() && ARow < RowCount();
    }
    void ForgetProps(TCellProperties* P) { FAllProps.erase(P); }
    void FreeProps(TCellProperties* P);

    bool FDefaultDrawingValue = false;
    Integer FGridLineWidth = 1;
    TColor FGridLineColor = 0xC0C0C0;
    Integer FPaintCounter = 1;
    bool FFooterRow = false;
    Integer FDisplRowCount = 0;
    TExtGridUndoRedo* FUndoRedo = nullptr;
    bool FCellWordWrap = true;
    bool FActiveRowShow = false;
    TColor FActiveRowColor = clInfoBk;
    std::set<TCellProperties*> FAllProps;   // every properties object this grid made and still owns
};
