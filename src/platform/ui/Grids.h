#pragma once
// The base grids: TCustomGrid (rows and columns of cells, fixed rows and columns,
// current cell and selection, scrolling, sizing and moving of rows and columns, an
// in-place text editor), TDrawGrid (the owner draws the cells) and TStringGrid
// (a text and an object per cell).
//
// Geometry: every cell is followed by a grid line of GridLineWidth pixels, to its
// right and below it. Fixed columns (rows) sit at the left (top) and never scroll;
// the scrollable ones are shown from LeftCol (TopRow) on.
#include "platform/ui/Controls.h"
#include "platform/ui/StdCtrls.h"

#include <functional>
#include <memory>
#include <vector>

class QScrollBar;

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

// Scroll-bar notices (ScrollBarNotice): the dragged thumb passes a position, the
// drag is over.
constexpr Integer SB_THUMBTRACK = 5, SB_ENDSCROLL = 8;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

struct TGridCoord {
    Integer X = 0;
    Integer Y = 0;
    constexpr bool operator==(const TGridCoord&) const = default;
};

// A block of cells, both corners included.
struct TGridRect {
    Integer Left = 0;
    Integer Top = 0;
    Integer Right = 0;
    Integer Bottom = 0;
    constexpr bool Contains(Integer ACol, Integer ARow) const {
        return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom;
    }
    constexpr bool operator==(const TGridRect&) const = default;
};

using TDrawCellEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, bool& CanSelect)>;
using TGetEditEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value)>;
using TSetEditEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, const AnsiString& Value)>;
using TMovedEvent = std::function<void(TObject* Sender, Integer FromIndex, Integer ToIndex)>;

class TCustomGrid;

// The text editor shown over the current cell. It lives as a child of its grid;
// the grid places, fills and hides it.
class TInplaceEdit : public TCustomEdit {
public:
    explicit TInplaceEdit(TComponent* AOwner);
    TCustomGrid* Grid() const { return FGrid; }

    void KeyDown(Word& Key, TShiftState Shift) override;
    bool QtEvent(QEvent* Event) override;
    bool WantsReturn() const override { return true; }
    bool WantsEscape() const override { return true; }

    // Takes the bounds of the grid's current cell.
    virtual void BoundsChanged();
    // Takes the edit mask and the text of the grid's current cell.
    virtual void UpdateContents();
    // Where the caret stands once the editor is filled: all the text selected here.
    virtual void InitialSelection() { SelectAll(); }

protected:
    // A multi-line editor (a memo without frame or scroll bars); Wrap breaks its
    // lines at the editor's width.
    TInplaceEdit(TComponent* AOwner, bool MultiLine);
    void SetLineWrap(bool Wrap);
    void Change() override;
    bool CanTypeChar(char Key) override;

private:
    friend class TCustomGrid;
    TCustomGrid* FGrid = nullptr;
};

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // --- size of the grid
    Integer ColCount() const { return FColCount; }
    virtual void SetColCount(Integer Value);
    Integer RowCount() const { return FRowCount; }
    virtual void SetRowCount(Integer Value);
    // EInvalidGridOperation "Fixed column count must be less than column count" (rows likewise).
    Integer FixedCols() const { return FFixedCols; }
    virtual void SetFixedCols(Integer Value);
    Integer FixedRows() const { return FFixedRows; }
    virtual void SetFixedRows(Integer Value);

    Integer DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(Integer Value);      // resets every column width
    Integer DefaultRowHeight() const { return FDefaultRowHeight; }
    virtual void SetDefaultRowHeight(Integer Value);     // resets every row height
    Integer ColWidths(Integer Index) const;
    void SetColWidths(Integer Index, Integer Value);
    Integer RowHeights(Integer Index) const;
    void SetRowHeights(Integer Index, Integer Value);
    Integer GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(Integer Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);

    // --- current cell, selection, scrolling
    Integer Col() const { return FCurrent.X; }
    virtual void SetCol(Integer Value);
    Integer Row() const { return FCurrent.Y; }
    virtual void SetRow(Integer Value);
    TGridRect Selection() const;
    void SetSelection(TGridRect Value);
    // With range selection: the rows from AFromRow to the current row become the selection,
    // whole, the current cell staying where it is, until the next move or selection.
    void SelectWholeRows(Integer AFromRow);
    Integer TopRow() const { return FTopLeft.Y; }
    void SetTopRow(Integer Value);
    Integer LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(Integer Value);
    // Scrollable columns (rows) that are wholly visible from LeftCol (TopRow) on.
    Integer VisibleColCount() const;
    Integer VisibleRowCount() const;
    // Total width of the fixed columns, each with its grid line (rows likewise).
    Integer FixedWidth() const;
    Integer FixedHeight() const;

    // --- cell geometry
    // The cell's rectangle in client coordinates (right = left + width); an empty
    // rectangle when the cell is scrolled out of view or does not exist.
    TRect CellRect(Integer ACol, Integer ARow) const;
    // The cell under a client point, (-1, -1) outside every cell.
    void MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow) const;
    TGridCoord MouseCoord(Integer X, Integer Y) const;

    // --- editing
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }
    void ShowEditor();
    void HideEditor();   // keeps the typed text

    // --- repainting
    void InvalidateCell(Integer ACol, Integer ARow);
    void InvalidateRow(Integer ARow);
    void InvalidateCol(Integer ACol);
    void InvalidateGrid() { Invalidate(); }

    // --- moving and removing rows and columns (cell contents move with them)
    void MoveColumn(Integer FromIndex, Integer ToIndex);
    virtual void MoveRow(Integer FromIndex, Integer ToIndex);
    void DeleteColumn(Integer ACol);
    void DeleteRow(Integer ARow);

    TGridState GridState() const { return FGridState; }

    TSelectCellEvent OnSelectCell;
    TNotifyEvent OnTopLeftChanged;
    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;

    TRect ClientRect() const override;
    bool QtEvent(QEvent* Event) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    bool WantsReturn() const override { return FOptions.Contains(goEditing); }
    bool WantsEscape() const override { return FEditorMode; }

protected:
    void Paint() override;
    // The cells shown as one with (ACol, ARow): the selection takes them whole.
    virtual TGridRect CellBlock(Integer ACol, Integer ARow) const { return TGridRect{ACol, ARow, ACol, ARow}; }
    // One cell; ARect is the cell without its grid lines.
    virtual void DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) {}
    virtual bool SelectCell(Integer ACol, Integer ARow) { return true; }
    // Every SetOptions call, before the options change (even to the same value).
    virtual void OptionsSetting(TGridOptions Value) {}
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void SizeChanged(Integer OldColCount, Integer OldRowCount) {}
    // After counts, sizes or the client area changed: the cells may lie elsewhere now.
    virtual void LayoutChanged() {}
    virtual void ColumnMoved(Integer FromIndex, Integer ToIndex);
    virtual void RowMoved(Integer FromIndex, Integer ToIndex);
    // Moves the stored cells along with a row or column (TStringGrid keeps its texts).
    virtual void MoveColData(Integer FromIndex, Integer ToIndex) {}
    virtual void MoveRowData(Integer FromIndex, Integer ToIndex) {}
    virtual void DeleteColData(Integer ACol) {}
    virtual void DeleteRowData(Integer ARow) {}
    virtual bool CanEditShow();
    virtual bool CanEditAcceptKey(char Key) { return true; }
    virtual TInplaceEdit* CreateEditor();
    // Frees the hidden editor so that the next edit creates it again (a new kind of
    // editor); nothing while an edit is open.
    void RecreateEditor();
    virtual AnsiString GetEditText(Integer ACol, Integer ARow) { return AnsiString(); }
    // The edit mask of a cell's editor (Mask.h); empty for a free text.
    virtual AnsiString GetEditMask(Integer ACol, Integer ARow) { return AnsiString(); }
    virtual void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) {}
    virtual Integer GetEditLimit() { return 0; }
    // Called after the in-place editor was hidden (its text already stored).
    virtual void EditorHidden() {}
    // Decides from a client point whether a press starts sizing (gsColSizing or
    // gsRowSizing, with the index and the line position) or nothing (gsNormal).
    virtual void CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index,
                                 Integer& SizingPos, Integer& SizingOfs);
    // The last column and row that keys, wheel and dragging may make current; cells
    // past them (a footer row, columns fixed at the right) are only shown.
    virtual Integer LastMovableCol() const { return FColCount - 1; }
    virtual Integer LastMovableRow() const { return FRowCount - 1; }
    // The last row that scrolling brings into view (a row shown elsewhere, such as
    // in a docked footer, need not be).
    virtual Integer LastScrollRow() const { return FRowCount - 1; }
    // The client area changed without a resize (a docked child took part of it).
    void ClientAreaChanged() { RefitView(); }
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void Resize() override;

    // Makes (ACol, ARow) current when SelectCell allows it; MoveAnchor collapses
    // the selection onto it, otherwise the selection stretches from the anchor.
    void FocusCell(Integer ACol, Integer ARow, bool MoveAnchor);
    void MoveTopLeft(Integer ALeft, Integer ATop);
    void ShowEditorChar(char Ch);
    void InvalidateEditor();
    // Writes the editor's text into the cell (SetEditText).
    void UpdateText();
    // Cancels a row or column move in progress (the grid state goes back to normal).
    void CancelMove();

    // The scroll bars as a descendant wants them: a bar kept on screen (disabled)
    // while everything fits, a bar width (0: the style's), a flat look with a
    // background colour (clNone: the style's colours), the flat look with flat arrow
    // buttons (Encarta), and a thumb of one size whatever part of the grid shows
    // (FixedThumb). A bar ScrollBars forbids never shows.
    struct TScrollBarLook {
        bool KeepVert = false;
        bool KeepHorz = false;
        Integer Extent = 0;
        bool Flat = false;
        bool Encarta = false;
        bool FixedThumb = false;
        TColor Color = clNone;
        bool operator==(const TScrollBarLook&) const = default;
    };
    void SetScrollBarLook(const TScrollBarLook& Value);
    // The user drags a scroll bar's thumb: SB_THUMBTRACK when it is taken and at each
    // position it passes (Pos: the LeftCol or TopRow it points at), SB_ENDSCROLL when
    // it is let go. Mouse: the pointer in client coordinates. The view itself moves as
    // goThumbTracking says, whatever a descendant does here.
    virtual void ScrollBarNotice(bool Vertical, Integer Code, Integer Pos, TPoint Mouse) {}

    TGridState FGridState = gsNormal;
    Integer FMoveIndex = -1;   // row or column being moved or sized
    Integer FMovePos = -1;     // where a move would put it

private:
    friend class TInplaceEdit;
    struct TScrollBarsImpl;
    Integer ColX(Integer ACol) const;   // left edge, or -1 when not shown
    Integer RowY(Integer ARow) const;
    Integer LineStart(Integer AIndex, Integer ACount, Integer AFixed, Integer AFirst,
                      const std::vector<Integer>& ASizes, Integer AExtent) const;
    Integer FirstToFit(Integer ALast, Integer ALow, const std::vector<Integer>& ASizes, Integer AExtent) const;
    Integer MaxLeftCol() const;
    Integer MaxTopRow() const;
    void ClampTopLeft();
    void ScrollIntoView(Integer ACol, Integer ARow);
    void MoveCurrent(Integer ACol, Integer ARow, bool MoveAnchor, bool Show);
    void InvalidateSelection(const TGridRect& R);
    void UpdateScrollBars();
    void RefitView();   // top-left, bars and editor after the client area changed
    void SizesChanged();
    void EnsureEditor();
    void PlaceEditor();
    bool FillEditor();
    void MoveCellWithKey(Word Key, TShiftState Shift);
    void TabStep(bool Backward);

    Integer FColCount = 5;
    Integer FRowCount = 5;
    Integer FFixedCols = 1;
    Integer FFixedRows = 1;
    Integer FDefaultColWidth = 64;
    Integer FDefaultRowHeight = 24;
    std::vector<Integer> FColWidths;
    std::vector<Integer> FRowHeights;
    Integer FGridLineWidth = 1;
    TColor FFixedColor = clBtnFace;
    bool FDefaultDrawing = true;
    TGridOptions FOptions;
    TScrollStyle FScrollBars = ssBoth;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    bool FWholeRows = false;   // the selection spans every column of the rows from the anchor to the current cell
    TGridCoord FTopLeft{1, 1};
    bool FEditorMode = false;
    TInplaceEdit* FInplaceEdit = nullptr;
    AnsiString FEditOriginal;     // the cell's text when the editor opened
    bool FUpdatingEditor = false;
    Integer FSizingPos = 0;
    Integer FSizingOfs = 0;
    bool FClickOnCurrent = false;   // the press hit the cell that was current already
    std::unique_ptr<TScrollBarsImpl> FBars;
};

// The owner draws the cells (OnDrawCell) and supplies the edit texts.
class TDrawGrid : public TCustomGrid {
public:
    explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

    TDrawCellEvent OnDrawCell;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;
    TGetEditEvent OnGetEditMask;

protected:
    void DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) override;
    bool SelectCell(Integer ACol, Integer ARow) override;
    AnsiString GetEditText(Integer ACol, Integer ARow) override;
    AnsiString GetEditMask(Integer ACol, Integer ARow) override;
    void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) override;
};

class TStringGrid;

// One row or column of a TStringGrid seen as a list of strings (with objects).
class TStringGridStrings : public TStrings {
public:
    TStringGridStrings(TStringGrid* AGrid, bool AIsRow, Integer AIndex)
        : FGrid(AGrid), FIsRow(AIsRow), FIndex(AIndex) {}
    Integer Add(const AnsiString& S) override;
    void Clear() override;
    // Cells cannot be removed from a row or column: EInvalidGridOperation.
    void Delete(Integer Index) override;
    void Insert(Integer Index, const AnsiString& S) override;
    void PutObjectAt(Integer Index, TObject* AObject) { PutObject(Index, AObject); }

protected:
    AnsiString Get(Integer Index) const override;
    Integer GetCount() const override;
    TObject* GetObject(Integer Index) const override;
    void Put(Integer Index, const AnsiString& S) override;
    void PutObject(Integer Index, TObject* AObject) override;

private:
    TGridCoord At(Integer Index) const;
    TStringGrid* FGrid;
    bool FIsRow;
    Integer FIndex;
    Integer FAddPos = -1;   // next cell for Add after a Clear
};

// A text and an object per cell. Objects are not owned by the grid.
class TStringGrid : public TDrawGrid {
public:
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;

    // Out of range reads give an empty text; writes extend nothing and are refused
    // with EInvalidGridOperation "Grid index out of range".
    AnsiString Cells(Integer ACol, Integer ARow) const { return CellsRef(ACol, ARow); }
    // The stored text itself, for readers that need no copy; valid until the cell changes.
    const AnsiString& CellsRef(Integer ACol, Integer ARow) const;
    void SetCells(Integer ACol, Integer ARow, const AnsiString& Value);
    TObject* Objects(Integer ACol, Integer ARow) const;
    void SetObjects(Integer ACol, Integer ARow, TObject* Value);
    // The row (column) as strings; the list stays valid while the grid lives.
    TStrings* Rows(Integer Index);
    void SetRows(Integer Index, TStrings* Value);
    TStrings* Cols(Integer Index);
    void SetCols(Integer Index, TStrings* Value);

protected:
    void DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) override;
    AnsiString GetEditText(Integer ACol, Integer ARow) override;
    void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) override;
    void SizeChanged(Integer OldColCount, Integer OldRowCount) override;
    void MoveColData(Integer FromIndex, Integer ToIndex) override;
    void MoveRowData(Integer FromIndex, Integer ToIndex) override;
    void DeleteColData(Integer ACol) override;
    void DeleteRowData(Integer ARow) override;
    // Row First+I takes the cells of row Order[I] in columns FromCol..ToCol (whole rows
    // when ToCol < 0); Order must be a permutation of First..First+size-1. Placed is
    // told the new place of every object moved.
    void PermuteRowData(Integer First, const std::vector<Integer>& Order,
                        const std::function<void(TObject*, Integer ACol, Integer ARow)>& Placed,
                        Integer FromCol = 0, Integer ToCol = -1);

private:
    struct TCell {
        AnsiString Text;
        TObject* Object = nullptr;
    };
    TCell* CellAt(Integer ACol, Integer ARow);   // makes room; nullptr outside the grid
    const TCell* StoredCell(Integer ACol, Integer ARow) const;   // nullptr when never written
    bool InCells(Integer ACol, Integer ARow) const;
    std::vector<std::vector<TCell>> FData;   // [row][col]; a row holds no cells until one is written
    std::vector<std::unique_ptr<TStringGridStrings>> FRowLists, FColLists;
};

class EInvalidGridOperation : public Exception { public: using Exception::Exception; };
