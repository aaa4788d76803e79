#pragma once
// TExtStringGrid: the advanced string grid of the tabular screens. Every decision
// about a cell (colour, alignment, editor, fixed state, editability, check texts)
// passes a virtual hook first and then its event, which may override it. Rows can
// be hidden (filter, node groups) and come back in their former order; RealRowIndex
// and DisplRowIndex convert between the two row numberings.
//
// Row colours are written into every non-fixed cell of the row; clNone frees the
// properties of those cells (texts stay).
//
// Where things are. The class is declared here; its code is split by concern:
//   ExtGridOptions.h/.cpp   the option objects (MouseActions, Navigation, ControlLook, ...) and their values
//   ExtGridEvents.h         the event types
//   ExtGridPanels.h         the footer and find panels docked under the cells (placed by ExtGridFooter.cpp)
//   ExtGrid.cpp             construction, property writers, cell-query hooks, colours, the current cell
//   ExtGridCells.cpp        cell values besides the text: numbers, check, radio and button states, comments
//   ExtGridClipboard.cpp    copy, cut and paste
//   ExtGridControls.cpp     the form controls of HTML cells
//   ExtGridDragDrop.cpp     drag and drop with other grids and programs
//   ExtGridEdit.cpp         the editing flow: opening an editor, validating, writing back, advancing
//   ExtGridEditors.h/.cpp   the editor controls shown over a cell, and the grid's side of them
//   ExtGridFind.cpp         finding text, the incremental lookup, the search footer
//   ExtGridFocus.cpp        the keyboard focus arriving at the grid
//   ExtGridFooter.cpp       the footer row, column statistics, the floating footer panel, the docked panels' places
//   ExtGridFrame.cpp        the window's hooks; what is painted besides the cells (free area, border, sizing lines)
//   ExtGridGraphics.cpp     the graphics kept per cell, their layout and drawing, tree lines, highlighting
//   ExtGridGroup.cpp        grouping rows by the values of a column
//   ExtGridHint.h/.cpp      the hint window, the cell hints and the balloon tips
//   ExtGridImport.cpp       CSV and spreadsheet import, the cell text stream
//   ExtGridInplace.h/.cpp   the in-place text editor (TExtInplaceEdit)
//   ExtGridKeys.cpp         the keyboard
//   ExtGridLink.h/.cpp      edit links and cell checkers: an application's own editing
//   ExtGridMouse.cpp        the mouse: clicks, header selection, moves, the double click
//   ExtGridNodes.cpp        row nodes and the rows inside them
//   ExtGridPaint.cpp        painting one cell
//   ExtGridRepaint.cpp      repainting cells, rows, columns and headers
//   ExtGridRich.cpp         rich-text cells
//   ExtGridRows.cpp         the current row, hidden rows, scrolling a cell into view, data ranges, the filter,
//                           what is kept per row and column as rows and columns move
//   ExtGridScroll.cpp       the wheel, panning, the scroll bars, controls following the view
//   ExtGridSelection.cpp    selected rows, columns and cells, row marks, the selection as text
//   ExtGridSizing.cpp       row heights and column widths: to content, the stretched column
//   ExtGridSort.cpp         sorting; inserting, removing and clearing rows and columns; column merges
//   ExtGridStore.cpp        column widths kept between runs
//   ExtGridTheme.h/.cpp     the desktop's visual styles and the colour schemes that follow them
//   ExtGridTimer.cpp        the grid's timer: blinking text, hover focus, the lookup's reset
// Below the class:
//   BaseGrid.h/.cpp         the string grid under it: cell properties, merged cells, the footer row
//   GridRowMap.h/.cpp       hidden rows and the map between display rows and real rows
//   ExtUtil.h/.cpp          free routines: text kinds, URLs, CSV and clipboard text, numbers
//   ExtObj.h/.cpp           small objects the grid keeps: move arrows, integer lists, TExtGridButton
//   EsgHTMLE.h/.cpp         mini-HTML text: layout, drawing, measuring, hit-testing
//   EsgHTMLEControls.cpp    the form controls inside mini-HTML text
//   PictureContainer.h/.cpp the pictures of mini-HTML text: named ones and those loaded by URL
//   EsgDD.h/.cpp            drag and drop roles: what a drag offers, what a drop target takes
//   EsgCombo.h/.cpp         the flat combo box under the combo editors
//   EsgSpin.h/.cpp          the spin edit under the spin editor
//   EsgEditBtn.h/.cpp       the edits with a button (and a unit) under the edit-button editors
//   EsgEditParts.h/.cpp     the pieces the edits with buttons share
//   EsgUni.h/.cpp           the Unicode edit, memo, edit with button and combo boxes
#include "grid/BaseGrid.h"
#include "grid/ExtGridOptions.h"
#include "grid/ExtGridPanels.h"
#include "grid/EsgDD.h"
#include "grid/GridRowMap.h"
#include "platform/ui/ThemeParts.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <optional>
#include <vector>

class EExtGridError : public Exception { public: using Exception::Exception; };

class TExtStringGrid;
class THTMLImageList;
class THTMLPictureCache;
class TIntList;
class TPictureContainer;
class TGridSpin;
class TGridCombo;
class TGridEditBtn;
class TGridUnitEditBtn;
class TGridCheckBox;
class TGridDatePicker;
struct TBalloonTip;
class TGridButton;
class TGridUniEdit;
class TEsgUniEdit;
class TGridUniEditBtn;
class TGridUniMemo;
class TGridUniCombo;
class TGridEditorKeys;
class TEditLink;
class TExtStringGridCheck;
class TControlEdit;
class TControlCombo;
class TGridTransEdit;
class TExtRichEdit;
class TRichEdit;
class THTMLHintWindow;
class TPopupButton;
class TArrowWindow;
class TEdit;
class TSpeedButton;

// Graphic of one cell. Only the fields are kept here; drawing is the painter's.
class TCellGraphic : public TPersistent {
public:
    ~TCellGraphic() override;
    void Assign(TPersistent* Source) override;
    TObject* Graphic() const { return FGraphic; }
    // Takes ownership when Created is set.
    void SetGraphic(TObject* Value, bool Created);
    TObject* Icon() const { return FIcon; }
    void SetIcon(TObject* Value) { FIcon = Value; }
    bool CellCreated() const { return FCellCreated; }
    // Picture size in a cell of W x H for ctPicture / ctFilePicture (mode CellAngle).
    TPoint PictureSize(Integer W, Integer H, Integer PicW, Integer PicH) const;
    EXTGRID_OPTION(TCellType, CellType, ctNone)
    EXTGRID_OPTION(TCellVAlign, CellVAlign, vaTop)
    EXTGRID_OPTION(TCellHAlign, CellHAlign, haLeft)
    EXTGRID_OPTION(Integer, CellIndex, 0)
    EXTGRID_OPTION(bool, CellTransparent, false)
    EXTGRID_OPTION(bool, CellBoolean, false)
    EXTGRID_OPTION(Integer, CellAngle, 0)
    EXTGRID_OPTION(Integer, CellValue, 0)
    EXTGRID_OPTION(Integer, CellValue2, 0)
    EXTGRID_OPTION(Integer, CellErrFrom, 0)
    EXTGRID_OPTION(Integer, CellErrLen, 0)
    EXTGRID_OPTION(AnsiString, CellText, AnsiString())
    // Colours, bounds and format of progress, pie, range and comment graphics.
    EXTGRID_OPTION(TColor, CellColor, 0xD77800)
    EXTGRID_OPTION(TColor, CellColorTo, clWhite)
    EXTGRID_OPTION(TColor, CellTextColor, clWhite)
    EXTGRID_OPTION(TColor, CellTextColorTo, clBlack)
    EXTGRID_OPTION(Integer, CellMin, 0)
    EXTGRID_OPTION(Integer, CellMax, 100)
    EXTGRID_OPTION(AnsiString, CellFormat, AnsiString())
private:
    void FreeGraphic();
    TObject* FGraphic = nullptr;
    TObject* FIcon = nullptr;
    bool FCellCreated = false;
};
#undef EXTGRID_OPTION

// A block of the grid as (first col, first row, last col, last row, counts).
struct TGridDataRange {
    Integer FromCol = 0, FromRow = 0, ToCol = 0, ToRow = 0, ColCount = 0, RowCount = 0;
};

// The grid's own cursors: over a row header (the row is selected), a column header
// (the column) and the top-left cell or the selection's resize handle (everything);
// over the whole grid while its mode is set.
constexpr TCursor crGridRowSelect = 8010, crGridColSelect = 8011, crGridAllSelect = 8012, crGridMode = 8014;

class TExtStringGrid : public TBaseGrid, public TGridOptionsHost, public TFooterPanelHost {
public:
    explicit TExtStringGrid(TComponent* AOwner);
    ~TExtStringGrid() override;

    void Assign(TPersistent* Source) override;
    void Loaded() override;
    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

    // --- size. The writers override the framework's so that the grid's rules apply
    // also to callers that hold a base-grid pointer.
    void SetRowCount(Integer Value) override;
    void SetColCount(Integer Value) override;
    Integer FixedRows() const;   // 1 when the framework has 0 and FixedRowAlways is set
    void SetFixedRows(Integer Value) override;
    Integer FixedCols() const;
    void SetFixedCols(Integer Value) override;
    Integer FixedColWidth() const { return ColWidths(0); }
    void SetFixedColWidth(Integer Value);
    Integer FixedRowHeight() const { return FFixedRowHeight; }
    void SetFixedRowHeight(Integer Value);
    void SetDefaultRowHeight(Integer Value) override;
    bool FixedRowAlways() const { return FFixedRowAlways; }
    void SetFixedRowAlways(bool Value) { FFixedRowAlways = Value; }
    bool FixedColAlways() const { return FFixedColAlways; }
    void SetFixedColAlways(bool Value) { FFixedColAlways = Value; }
    Integer FixedFooters() const { return FFixedFooters; }
    void SetFixedFooters(Integer Value);
    Integer FixedRightCols() const { return FFixedRightCols; }
    void SetFixedRightCols(Integer Value);
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool Value);

    // --- look and behaviour
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TVAlignment VAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment Value);
    Cardinal VAlignFlag() const { return FVAlignFlag; }   // DT_TOP / DT_VCENTER / DT_BOTTOM
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    Integer MaxEditLength() const { return FMaxEditLength; }
    void SetMaxEditLength(Integer Value) { FMaxEditLength = Value; }
    TColor SelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(TColor Value);
    TColor SelectionColorTo() const { return FSelectionColorTo; }
    void SetSelectionColorTo(TColor Value);
    TColor SelectionTextColor() const { return FSelectionTextColor; }
    void SetSelectionTextColor(TColor Value);
    bool SelectionRectangle() const { return FSelectionRectangle; }
    void SetSelectionRectangle(bool Value);
    bool SelectionResizer() const { return FSelectionResizer; }
    void SetSelectionResizer(bool Value);
    bool ShowSelection() const { return FShowSelection; }
    void SetShowSelection(bool Value);
    bool URLShow() const { return FURLShow; }
    void SetURLShow(bool Value);
    TColor URLColor() const { return FURLColor; }
    void SetURLColor(TColor Value);
    bool URLFull() const { return FURLFull; }
    void SetURLFull(bool Value);
    // A right press on a URL cell opens its editor (the left press follows the link).
    bool URLEdit() const { return FURLEdit; }
    void SetURLEdit(bool Value) { FURLEdit = Value; }
    TGridLook Look() const { return FLook; }
    void SetLook(TGridLook Value);
    TFont* FixedFont() const { return FFixedFont.get(); }
    void SetFixedFont(TFont* Value) { FFixedFont->Assign(Value); }
    TFont* ActiveCellFont() const { return FActiveCellFont.get(); }
    void SetActiveCellFont(TFont* Value) { FActiveCellFont->Assign(Value); }
    bool ActiveCellShow() const { return FActiveCellShow; }
    void SetActiveCellShow(bool Value);
    TColor ActiveCellColor() const { return FActiveCellColor; }
    void SetActiveCellColor(TColor Value);
    TColor ActiveCellColorTo() const { return FActiveCellColorTo; }
    void SetActiveCellColorTo(TColor Value);
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor Value) { FHintColor = Value; }
    TStrings* ColumnHeaders() const { return FColumnHeaders.get(); }
    void SetColumnHeaders(TStrings* Value);
    TStrings* RowHeaders() const { return FRowHeaders.get(); }
    void SetRowHeaders(TStrings* Value);
    TStrings* LookupItems() const { return FLookupItems.get(); }
    void SetLookupItems(TStrings* Value) { if (Value) FLookupItems->Assign(Value); }
    const AnsiString& FloatFormat() const { return FFloatFormat; }
    void SetFloatFormat(const AnsiString& Value) { FFloatFormat = Value; }
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value) { FPasswordChar = Value; }
    const AnsiString& CheckTrue() const { return FCheckTrue; }
    void SetCheckTrue(const AnsiString& Value) { FCheckTrue = Value; }
    const AnsiString& CheckFalse() const { return FCheckFalse; }
    void SetCheckFalse(const AnsiString& Value) { FCheckFalse = Value; }
    bool EnableHTML() const { return FEnableHTML; }
    void SetEnableHTML(bool Value) { FEnableHTML = Value; Invalidate(); }
    bool EditWithTags() const { return FEditWithTags; }
    void SetEditWithTags(bool Value) { FEditWithTags = Value; }
    AnsiString GetEditText(Integer ACol, Integer ARow) override;
    void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) override;
    AnsiString KeptEditText(Integer ACol, Integer ARow, const AnsiString& Value) const;
    // The form a text typed over a cell is stored in: over a Unicode cell's letters it
    // stays a Unicode cell (an encoded text is in that form already).
    AnsiString TypedCellText(Integer ACol, Integer ARow, const AnsiString& Value) const;
    bool EnableWheel() const { return FEnableWheel; }
    void SetEnableWheel(bool Value) { FEnableWheel = Value; }
    bool IntelliZoom() const { return FIntelliZoom; }
    void SetIntelliZoom(bool Value) { FIntelliZoom = Value; }
    TIntelliPan IntelliPan() const { return FIntelliPan; }
    void SetIntelliPan(TIntelliPan Value) { FIntelliPan = Value; }
    bool EnhRowColMove() const { return FEnhRowColMove; }
    void SetEnhRowColMove(bool Value) { FEnhRowColMove = Value; }
    bool HideFocusRect() const { return FHideFocusRect; }
    void SetHideFocusRect(bool Value) { FHideFocusRect = Value; Invalidate(); }
    bool FixedAsButtons() const { return FFixedAsButtons; }
    void SetFixedAsButtons(bool Value) { FFixedAsButtons = Value; Invalidate(); }
    bool AutoNumAlign() const { return FAutoNumAlign; }
    void SetAutoNumAlign(bool Value) { FAutoNumAlign = Value; Invalidate(); }
    bool AutoThemeAdapt() const { return FAutoThemeAdapt; }
    // True adapts the colours to the desktop's colour scheme at once (ThemeAdapt).
    void SetAutoThemeAdapt(bool Value);
    // Colour schemes: 1 blue, 2 olive, 3 silver, 0 any other or no theme.
    static Integer GetXPColorScheme();
    void ApplyColorScheme(Integer Scheme);
    void ThemeAdapt() { ApplyColorScheme(GetXPColorScheme()); }
    bool AnchorHint() const { return FAnchorHint; }
    void SetAnchorHint(bool Value) { FAnchorHint = Value; }
    // The new width or height in the hint window while a column or row is sized.
    bool HintShowSizing() const { return FHintShowSizing; }
    void SetHintShowSizing(bool Value) { FHintShowSizing = Value; }
    // Cell hints: a data cell's own text; any cell's text that does not fit; the raw mini-HTML.
    bool HintShowCells() const { return FHintShowCells; }
    void SetHintShowCells(bool Value) { FHintShowCells = Value; }
    bool HintShowLargeText() const { return FHintShowLargeText; }
    void SetHintShowLargeText(bool Value) { FHintShowLargeText = Value; }
    bool HTMLHint() const { return FHTMLHint; }
    void SetHTMLHint(bool Value) { FHTMLHint = Value; }
    // The cell whose hint shows, (-1, -1) when none.
    TGridCoord HintCell() const { return FHintCell; }
    std::function<void(TObject* Sender, Integer ARow, Integer ACol, AnsiString& Anchor)> OnAnchorHint;
    THTMLHintWindow* HintWindow() const { return FHintWindow; }
    // The edit opened on a fixed cell by MouseActions.FixedRowsEdit / FixedColsEdit (nullptr before the first).
    TEdit* FixedCellEditor() const { return FFixedEdit; }
    // The fixed cell drawn pressed, (-1, -1) when none; the fixed cell under the mouse.
    TGridCoord PressedHeader() const { return FPressedHeader; }
    TGridCoord HoverCell() const { return FHoverCell; }
    // The moved header under the mouse and the arrows at the target while a row or column is moved.
    TPopupButton* MoveButton() const { return FMoveButton; }
    TArrowWindow* MoveArrow(Integer Direction) const { return Direction >= 0 && Direction < 4 ? FMoveArrows[Direction] : nullptr; }
    TScrollType ScrollType() const { return FScrollType; }
    void SetScrollType(TScrollType Value);
    TColor ScrollColor() const { return FScrollColor; }
    void SetScrollColor(TColor Value);   // flat bars only
    Integer ScrollWidth() const { return FScrollWidth; }
    void SetScrollWidth(Integer Value);   // flat bars only
    TScrollBarAlways ScrollBarAlways() const { return FScrollBarAlways; }
    void SetScrollBarAlways(TScrollBarAlways Value);
    // Thumbs as long as the part of the grid that shows; off, they keep one size.
    bool ScrollProportional() const { return FScrollProportional; }
    void SetScrollProportional(bool Value);
    // While a scroll bar's thumb is dragged, a hint right of the mouse names the row
    // ("Row : 12") or column ("Col : 3") it points at; OnScrollHint (ARow: that row,
    // or column) may change the text (ExtGridScroll.cpp).
    TScrollHintType ScrollHints() const { return FScrollHints; }
    void SetScrollHints(TScrollHintType Value);
    std::function<void(TObject* Sender, Integer ARow, AnsiString& HintStr)> OnScrollHint;
    // A dragged thumb moves the cells with it at once, whatever goThumbTracking says.
    bool ScrollSynch() const { return FScrollSynch; }
    void SetScrollSynch(bool Value) { FScrollSynch = Value; }
    bool ScrollHintShown() const { return FScrollHintShown; }
    // A bordered grid has a frame round its client area: two pixels (a sunken edge,
    // or with a flat look (soft, Kezmo, XP, list view) a flat two-line border), one
    // dark line when Flat.
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    // --- painting besides the cells (ExtGridFrame.cpp)
    // Fills the client area right of the last column and below the last row with the
    // background picture or gradient.
    void PaintOutsideCells();
    // Paints over the frame's sunken edge on ACanvas (the whole window).
    void DrawFlatBorder(TCanvas* ACanvas);
    // The dotted line of fixed-column (fixed-row) sizing at X (Y); drawing it again
    // at the same place removes it.
    void DrawSizingColLine(Integer X);
    void DrawSizingRowLine(Integer Y);
    // The text a balloon tip shows for a cell: markup removed, tabs as blanks,
    // leading line breaks dropped, at most 1024 characters and "...".
    AnsiString BalloonCellText(Integer ACol, Integer ARow);
    WideString BalloonCellWideText(Integer ACol, Integer ARow);
    TEditorType DefaultEditor() const { return FDefaultEditor; }
    void SetDefaultEditor(TEditorType Value) { FDefaultEditor = Value; }
    AnsiString Version() const;
    void SetVersion(const AnsiString&) {}
    bool SizeWithForm() const { return FSizeWithForm; }
    void SetSizeWithForm(bool Value) { FSizeWithForm = Value; }
    TCursor Cursor() const { return TBaseGrid::Cursor(); }
    void SetCursor(TCursor Value);
    TCursor RememberedCursor() const { return FOldCursor; }
    // The grid's mode: while it is set a left press does nothing and the mouse shows
    // crGridMode over the grid. The grid never sets it itself.
    bool GridMode() const { return FGridMode; }
    void SetGridMode(bool Value);

    // --- option objects
    TCellNode* CellNode() const { return FCellNode.get(); }
    TSizeWhileTyping* SizeWhileTyping() const { return FSizeWhileTyping.get(); }
    TMouseActions* MouseActions() const { return FMouseActions.get(); }
    TColumnSize* ColumnSize() const { return FColumnSize.get(); }
    TNavigation* Navigation() const { return FNavigation.get(); }
    THTMLSettings* HTMLSettings() const { return FHTMLSettings.get(); }
    TPrintSettings* PrintSettings() const { return FPrintSettings.get(); }
    TControlLook* ControlLook() const { return FControlLook.get(); }
    TFilter* Filter() const { return FFilter.get(); }
    // Fixed-cell gradient pair (RGB values).
    TColor GradientFrom() const { return FGradFrom; }
    TColor GradientTo() const { return FGradTo; }
    void SetFixedGradient(TColor AFrom, TColor ATo);

    // --- rows: current row, hidden rows, display/real numbering
    Integer Row() const { return TBaseGrid::Row(); }
    void SetRow(Integer ARow) override;
    Integer GetRealCol() const { return Col(); }
    Integer RealRowIndex(Integer ADisplRow) const { return FRowMap->RealRowIndex(ADisplRow); }
    Integer DisplRowIndex(Integer ARealRow) const { return FRowMap->DisplRowIndex(ARealRow); }
    Integer RealColIndex(Integer ACol) const { return ACol; }
    Integer AllColCount() const { return ColCount(); }
    Integer AllRowCount() const { return RowCount() + NumHiddenRows(); }
    bool IsHiddenRow(Integer ARealRow) const { return FRowMap->IsHiddenRow(ARealRow); }
    Integer NumHiddenRows() const { return FRowMap->NumHiddenRows(); }
    TStringList* HiddenRowItems(Integer ARealRow) const { return FRowMap->HiddenRowItems(ARealRow); }
    AnsiString AllCells(Integer ACol, Integer ARealRow) const { return FRowMap->AllCells(ACol, ARealRow); }
    void HideRows(Integer AFromRow, Integer AToRow);
    void HideRow(Integer ARow) { HideRows(ARow, ARow); }
    void HideRowList(const std::vector<Integer>& AList);
    void UnHideRows(Integer AFromRow, Integer AToRow);
    void UnHideRow(Integer ARow) { UnHideRows(ARow, ARow); }
    void UnHideRowsAll();
    // A node's own row moves alone: the node's rows stay where they are, shown, and leave it.
    void MoveRow(Integer FromIndex, Integer ToIndex) override;
    void ParkSelection();
    void RestoreSelection();
    bool SelectionParked() const { return FParked; }
    void ScrollInView(Integer ACol, Integer ARow);
    TGridDataRange DataRange() const;
    TGridCoord CellAtScreenPoint(TPoint APoint) const;
    bool IsRotatedCell(Integer ACol, Integer ARow, Integer& Angle);
    bool IsOnSizingEdge(Integer X, Integer Y) const;

    // --- filter
    bool FilterActive() const { return FFilterActive; }
    void SetFilterActive(bool Value);
    virtual bool RowMatchesFilter(Integer ARow);

    // --- colours (ARow is a display row)
    void SetRowColor(Integer ARow, TColor Value);
    void SetRowColorTo(Integer ARow, TColor Value);
    void SetRowFontColor(Integer ARow, TColor Value);
    TColor Colors(Integer ACol, Integer ARow) const;
    void SetColors(Integer ACol, Integer ARow, TColor Value);
    TColor ColorsTo(Integer ACol, Integer ARow) const;
    void SetColorsTo(Integer ACol, Integer ARow, TColor Value);
    TColor FontColors(Integer ACol, Integer ARow) const;
    void SetFontColors(Integer ACol, Integer ARow, TColor Value);
    bool ReadOnly(Integer ACol, Integer ARow);
    void SetReadOnly(Integer ACol, Integer ARow, bool Value);
    TControl* CellControl(Integer ACol, Integer ARow) const;
    // Moves the controls of the cells in view onto their cells and hides the others
    // (after scrolling, hiding or showing rows).
    void UpdateCellControls();
    bool Panning() const { return FPanning; }

    // --- current cell
    virtual void GetCurrentCell(AnsiString& Value);
    virtual void SetCurrentCell(const AnsiString& Value);
    virtual void SetCurrentCellEditText(const AnsiString& Value);
    virtual void EllipsClick(AnsiString& Value);

    // --- editing glue and texts
    // Shows the grid's editor with the current cell scrolled into view (not on control cells).
    void ShowEditorInView();
    // Stores the edited text in the current cell and hides the editor.
    void HideInplaceEditor();
    AnsiString StrippedCells(Integer ACol, Integer ARow) const;

    // --- zoom: level within -10 .. 10, added to every painted font size
    void Zoom(Integer Delta);
    Integer ZoomLevel() const { return FZoom; }

    // --- updates: while the counter is above 0 the grid does not repaint
    void BeginUpdate() { ++FUpdateCount; }
    // The same for a shown grid only: a hidden one has nothing on screen to hold.
    void BeginUpdateRedrawOff() {
        if (Showing()) ++FUpdateCount;
    }
    // Back to painting whatever the counter said.
    void ResetUpdate() {
        FUpdateCount = 0;
        Invalidate();
        PlaceFormControl();
    }
    void EndUpdate();
    Integer UpdateCount() const { return FUpdateCount; }
    // An update that ends at End() or when the scope is left, by an error too.
    class TUpdateScope {
    public:
        explicit TUpdateScope(TExtStringGrid* AGrid) : FGrid(AGrid), FAlive(AGrid) { FGrid->BeginUpdate(); }
        ~TUpdateScope() { End(); }
        void End() {
            if (FGrid && FAlive.Alive()) FGrid->EndUpdate();
            FGrid = nullptr;
        }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;
    private:
        TExtStringGrid* FGrid;
        TAliveGuard FAlive;   // a handler inside the update may free the grid
    };

    // --- version
    virtual Cardinal GetVersionNr() const { return 0x03030202; }
    virtual AnsiString GetVersionString() const;

    // --- painting options
    TBands* Bands() const { return FBands.get(); }
    void SetBands(TBands* Value) { FBands->Assign(Value); }
    TBackGround* BackGround() const { return FBackGround.get(); }
    void SetBackGround(TBackGround* Value) { FBackGround->Assign(Value); }
    TSortSettings* SortSettings() const { return FSortSettings.get(); }
    void SetSortSettings(TSortSettings* Value) { FSortSettings->Assign(Value); }
    TShowModified* ShowModified() const { return FShowModified.get(); }
    void SetShowModified(TShowModified* Value) { FShowModified->Assign(Value); }
    TBitmap* RowIndicator() const { return FRowIndicator.get(); }
    void SetRowIndicator(TBitmap* Value);
    bool Multilinecells() const { return FMultilinecells; }
    void SetMultilinecells(bool Value);
    // Copied multi-line cells take the form spreadsheet programs paste as one cell.
    bool SpreadsheetClipboard() const { return FSpreadsheetClipboard; }
    void SetSpreadsheetClipboard(bool Value) { FSpreadsheetClipboard = Value; }
    bool EnhTextSize() const { return FEnhTextSize; }
    void SetEnhTextSize(bool Value);
    // Sort index list: real columns, top bit set for descending.
    std::vector<Integer>& SortIndexes() { return FSortIndexes; }
    // Set by the mouse handling while a disjunct selection or a header press is made.
    bool DisjunctSelecting() const { return FDisjunctSelecting; }
    void SetDisjunctSelecting(bool Value) { FDisjunctSelecting = Value; }
    bool HeaderPressed() const { return FHeaderPressed; }
    void SetHeaderPressed(bool Value) { FHeaderPressed = Value; }

    // --- selection (ExtGridSelection.cpp): flags of rows (by real index) and columns, row marks,
    // the cells of a disjunct selection, the selection as text
    bool RowSelected(Integer ARow) const;   // EExtGridError "Invalid row accessed"
    void SetRowSelected(Integer ARow, bool Value);
    bool ColSelected(Integer ACol) const;   // EExtGridError "Invalid column accessed"
    void SetColSelected(Integer ACol, bool Value);
    void ClearRowSelect();
    void ClearColSelect();
    void SelectionToRowSelect(bool All);
    void SelectionToColSelect(bool All);
    Integer RowSelectCount() const;
    bool RowMarked(Integer ARow) const;
    void SetRowMarked(Integer ARow, bool Value);
    // Cells chosen with MouseActions.DisjunctCellSelect.
    bool SelectedCell(Integer ACol, Integer ARow) const;
    void SetSelectedCell(Integer ACol, Integer ARow, bool Value);
    Integer SelectedCellCount() const { return Integer(FSelectedCells.size()); }
    void ClearCellSelect();
    AnsiString SelectionAsText();   // tab/CR LF, no line end after the last row
    AnsiString SelectionRichText();   // a lone rich text cell's text, else empty
    TGridRect SelectionTransferRect();   // the cells SelectionAsText takes from
    bool IsCellSelected(Integer ACol, Integer ARow);
    // The row shown at ADisplRow: its mark (DisjunctRowSelect; marks are kept by real
    // row) or else whether it lies in the selection. Copy, cut and drag test rows here.
    bool DisplRowSelected(Integer ADisplRow) const;
    void SetDisplRowSelected(Integer ADisplRow, bool Value);   // EExtGridError "Invalid row accessed"
    std::vector<Integer> MarkedDisplRows() const;              // the marked rows in view, ascending
    // Column-order list: entry i is the column (numbered as at the last reset) now at i.
    const std::vector<Integer>& ColumnOrder();
    void ResetColumnOrder();

    // --- repainting (ExtGridRepaint.cpp)
    void RepaintRow(Integer ARow);
    void RepaintCol(Integer ACol);
    void RepaintRect(TGridRect ARect);
    void RepaintHeaders(Integer ACol1, Integer ARow1, Integer ACol2, Integer ARow2);

    // --- footer row and column statistics (ExtGridFooter.cpp); the option objects of other concerns
    TFloatingFooter* FloatingFooter() const { return FFloatingFooter.get(); }
    void SetFloatingFooter(TFloatingFooter* Value) { FFloatingFooter->Assign(Value); }
    TSearchFooter* SearchFooter() const { return FSearchFooter.get(); }
    TGrouping* Grouping() const { return FGrouping.get(); }
    TDragDropSettings* DragDropSettings() const { return FDragDropSettings.get(); }
    TDragScrollOptions* DragScrollOptions() const { return FDragScrollOptions.get(); }
    void SetDragScrollOptions(TDragScrollOptions* Value) { FDragScrollOptions->Assign(Value); }
    TBalloonSettings* Balloon() const { return FBalloon.get(); }
    TFooterPanel* FooterPanel() const { return FFooterPanel; }
    TSearchPanel* SearchPanel() const { return FSearchPanel; }
    bool FooterRowShown() const { return FooterRowFlag(); }
    // Draws a footer cell of the panel in place of the grid (Sender is the panel).
    TFooterPaintEvent OnFooterPaint;
    // The cells' area: the footer panel docked at the bottom takes its height from it.
    TRect ClientRect() const override;
    // Recomputes the footer cells of ACol, -1 for every column.
    virtual void CalcFooter(Integer ACol);
    // What the footer cell of ACol shows: 0 cleared, 1 sum, 2 average, 3 row count,
    // 4 minimum, 5 maximum, 6 left alone, 7 OnCalcFooter; -1 when none was given
    // (the cell keeps its text). Giving one makes the cell's properties.
    Integer FooterCalcKind(Integer ACol) const;
    void SetFooterCalcKind(Integer ACol, Integer Kind);
    // Statistics over rows FromRow .. ToRow of ACol (beyond the visible rows, real rows).
    Double ColumnSum(Integer ACol, Integer FromRow, Integer ToRow);
    Double ColumnAvg(Integer ACol, Integer FromRow, Integer ToRow);
    Double ColumnMin(Integer ACol, Integer FromRow, Integer ToRow);
    Double ColumnMax(Integer ACol, Integer FromRow, Integer ToRow);
    // "<#n>" becomes the current row's cell of column n; other text stays.
    AnsiString ExpandFooterTemplate(const AnsiString& Template);

    // --- cell graphics (ExtGridGraphics.cpp; kept as the cell's object, the grid owns them)
    TCellGraphic* CreateCellGraphic(Integer ACol, Integer ARow);
    bool RemoveCellGraphic(Integer ACol, Integer ARow);
    bool RemoveCellGraphicOfType(Integer ACol, Integer ARow, TCellType AType);
    TPoint CellGraphicSize(Integer ACol, Integer ARow);
    // The graphic's size on paper: pictures and controls as on screen, a progress bar the
    // whole cell, images of the image list scaled; 0 x 0 for other kinds.
    void CellGraphicPrintSize(Integer ACol, Integer ARow, Double Scale, Integer& Width, Integer& Height);
    Integer GetNodeIndent(Integer ARow) override;
    bool HasNodes() override { return FNodeCount > 0; }
    Integer NodeCount() const { return FNodeCount; }
    void SetNodeCount(Integer Value) { FNodeCount = std::max(0, Value); }

    // --- sorting, inserting and removing rows and columns (ExtGridSort.cpp).
    // Rows joined by a vertical merge move as one block; hidden rows stay hidden.
    virtual void SortByColumn();
    virtual void SortIndexed();   // EExtGridError "No indexes specified for indexed sort"
    virtual void RestoreSortOrder();
    // The rows of each expanded node spanning more than two rows, sorted below their
    // node; nested nodes move with their children.
    virtual void SortNodesByColumn();
    virtual void SortNodesIndexed();   // EExtGridError "No indexes specified for indexed sort"
    // The header-click sort of ACol (Shift adds to an indexed sort); false when refused.
    bool ClickSort(Integer ACol, bool Shift);
    Integer CompareCells(Integer ACol, Integer ARow1, Integer ARow2, bool Descending);
    virtual void SwapRows(Integer ARow1, Integer ARow2);
    virtual void InsertRows(Integer ARow, Integer ACount);
    virtual void RemoveRowsEx(Integer ARow, Integer ACount);
    void DeleteGridRows(Integer ARow, Integer ACount, bool AdjustItems);
    virtual void RemoveRowsShift(Integer ARow, Integer ACount) { RemoveRowsEx(ARow, ACount); }
    virtual void RemoveRowsHidden(Integer ARow, Integer ACount) { RemoveRowsEx(ARow, ACount); }
    virtual void InsertCols(Integer ACol, Integer ACount);
    virtual void RemoveCols(Integer ACol, Integer ACount);
    virtual void ClearRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
    void ClearRows(Integer ARow, Integer ACount);
    void ClearCols(Integer ACol, Integer ACount);
    void ClearAll();
    void AddRowAtEnd();
    void RemoveSelectedRows();
    void ClearSelectedCells();
    void MergeColumnCells(Integer ACol, bool SameTextOnly);
    void SplitColumnCells(Integer ACol);
    bool IsUnicodeCell(Integer ACol, Integer ARow) const;
    const std::vector<Integer>& UnsortedOrder() const { return FUnsortedOrder; }
    TCustomCompareEvent OnCustomCompare;
    TRawCompareEvent OnRawCompare;
    TCanSortEvent OnCanSort;
    TClickSortEvent OnClickSort;

    // --- finding text, the incremental lookup and the search footer (ExtGridFind.cpp)
    enum : Word {
        fnMatchCase = 1, fnMatchFull = 2, fnMatchFilter = 4, fnRowByRow = 8, fnMatchStart = 16, fnCurrentRow = 32,
        fnCurrentCol = 64, fnIncludeFixed = 128, fnGoto = 0x100, fnHighlight = 0x200, fnBackward = 0x400,
        fnHiddenColumns = 0x800, fnSearchColumn = 0x1000, fnGivenRow = 0x2000
    };
    enum : Byte { fnStripHTML = 2, fnRealColumns = 8 };   // second flag byte
    // The next cell after Start (or the first, from (-1, -1)) that matches; (-1, -1)
    // when none. Start on the area's last cell starts over at its first.
    TGridCoord FindCell(TGridCoord Start, const AnsiString& Text, Word Flags, Byte Flags2, bool Wide,
                        const WideString& WideText);
    TGridCoord Find(TGridCoord Start, const AnsiString& Text, Word Flags);
    bool MatchCell(Integer ACol, Integer ARow, bool Wide);
    // First row whose sort-column text begins with Text (any case); -1 when none.
    Integer LookupRow(const AnsiString& Text);
    TGridCoord LastFound() const { return FLastFound; }
    const AnsiString& FindText() const { return FFindText; }
    void SearchFooterChange();
    void SearchFooterNext();
    void SearchFooterPrev();
    void SearchFooterHighlight();
    void SearchFooterClose();
    // The search footer's settings changed (shown, hidden, captions).
    void SearchFooterChanged();

    // --- column widths kept between runs (ExtGridStore.cpp): stored when the grid goes,
    // restored by Loaded; both only with ColumnSize's Save, Key and Section set.
    void StoreColumnWidths();
    void RestoreColumnWidths();

    // --- sizing rows and columns (ExtGridSizing.cpp)
    void SizeRowToContent(Integer ARow, bool OnlyGrow);
    void SizeRowToTextHeight(Integer ARow, Integer Lines, Integer Extra);
    // Widens or narrows one column (-1: the last) so that all columns fill the
    // client width. EExtGridError "Stretch column index out of range" for another
    // index past the columns.
    void StretchColumn(Integer ACol);
    // Height of one text line of the row's cells, as multi-line rows are sized with.
    Integer TextLineHeight(Integer ARow);
    // Column widths from the content (text as painted plus the cell graphic) and Extra.
    void SizeColumnToContent(Integer ACol, Integer Extra);
    void SizeColumnsToContent(bool DoFixedCols, Integer Extra);

    // --- the grid's timer (ExtGridTimer.cpp)
    // The grid's half-second timer: the incremental lookup forgets its text after
    // two seconds without a key, Hovering makes the cell under the mouse current,
    // EnableBlink blinks the text of <BLINK> tags.
    bool Hovering() const { return FHovering; }
    void SetHovering(bool Value) { FHovering = Value; }
    bool EnableBlink() const { return FEnableBlink; }
    void SetEnableBlink(bool Value);
    bool BlinkVisible() const { return FBlinkOn || !FEnableBlink; }
    void GridTimerTick();

    // --- CSV and spreadsheet import, the cell text stream (ExtGridImport.cpp)
    char Delimiter() const { return FDelimiter; }   // #0: detected on each import
    void SetDelimiter(char Value) { FDelimiter = Value; }
    bool OemConvert() const { return FOemConvert; }
    void SetOemConvert(bool Value) { FOemConvert = Value; }
    bool CSVTildeBreaks() const { return FCSVTildeBreaks; }
    void SetCSVTildeBreaks(bool Value) { FCSVTildeBreaks = Value; }
    // EExtGridError "Cannot open file <name>"; the grid stays as it was.
    void ImportCSVFile(const AnsiString& FileName, bool Append);
    void ReadCSVFile(const AnsiString& FileName) { ImportCSVFile(FileName, false); }
    // .xlsx, .xls or .csv; the active sheet when SheetName is empty.
    void ImportExcelFile(const AnsiString& FileName, const AnsiString& SheetName);
    void ReadWorkbookFile(const AnsiString& FileName) { ImportExcelFile(FileName, AnsiString()); }
    void SaveCellsToStrings(TStream* Stream);
    void LoadCellsFromStrings(TStream* Stream);
    static void WriteStreamLine(const AnsiString& Text, TStream* Stream);
    // Bytes up to CR (not kept) and the LF after it; the bytes consumed, 0 at the end.
    static Integer ReadStreamLine(TStream* Stream, AnsiString& Text);

    Integer Ints(Integer ACol, Integer ARow);            // EExtGridError "Cell does not contain integer value"
    void SetInts(Integer ACol, Integer ARow, Integer Value);
    Double Floats(Integer ACol, Integer ARow);           // EExtGridError "Cell does not contain a float value"
    void SetFloats(Integer ACol, Integer ARow, Double Value);
    Double AllFloats(Integer ACol, Integer ARealRow);
    void SetFloatCell(Integer ACol, Integer ARow, Double Value);
    bool ShowZeroValues() const { return FShowZero; }
    void SetShowZeroValues(bool Value) { FShowZero = Value; }

    // --- painting helpers
    // Width and height the cell's text needs (automatic sizing, hints).
    void GetCellTextSize(Integer ACol, Integer ARow, TPoint& Size, bool WithWidth);
    // A scratch canvas with the font and brush the cell is drawn with.
    TCanvas* MeasureCanvas(TBitmap& Scratch, Integer ACol, Integer ARow, TAlignment* HAlign = nullptr,
                           TVAlignment* VAlign = nullptr, bool* WW = nullptr);
    // The cell's text does not show whole in the area it is painted into.
    bool CellTextCut(Integer ACol, Integer ARow);
    void DrawSortGlyph(TCanvas* ACanvas, Integer ACol, Integer X, Integer Y);

    // --- cell-query hooks: built-in rule, then the event
    virtual void GridHint(Integer ACol, Integer ARow, AnsiString& Hint);
    virtual void GetCellColor(Integer ACol, Integer ARow, TGridDrawState AState, TBrush* ABrush, TFont* AFont);
    virtual void GetCellBorder(Integer ACol, Integer ARow, TPen* APen, TCellBorders& Borders);
    virtual void GetAlignment(Integer ACol, Integer ARow, TAlignment& HAlign, TVAlignment& VAlign);
    virtual void GetFormat(Integer ACol, Integer& AStyle, AnsiString& APrefix, AnsiString& ASuffix);
    virtual void GetEditorType(Integer ACol, Integer ARow, TEditorType& Editor);
    virtual void IsFixedCell(Integer ACol, Integer ARow, bool& IsFixedResult);
    virtual void CanEditCell(Integer ACol, Integer ARow, bool& CanEdit);
    virtual void IsPasswordCell(Integer ACol, Integer ARow, bool& IsPassword);
    // The cell shows the password character in place of each letter (painting, hints, balloons).
    bool HidesText(Integer ACol, Integer ARow);
    virtual void GetWordWrap(Integer ACol, Integer ARow, bool& WordWrapValue);
    virtual bool HasComboBox(Integer ACol, Integer ARow);
    virtual void GetCellPrintColor(Integer ACol, Integer ARow, TGridDrawState AState, TBrush* ABrush, TFont* AFont);
    // Column-filter query: row 0 of such a column shows the filter button.
    virtual bool HasColumnFilter(Integer ACol) { return false; }
    virtual void GetCheckTrue(Integer ACol, Integer ARow, AnsiString& Value);
    virtual void GetCheckFalse(Integer ACol, Integer ARow, AnsiString& Value);
    // Horizontal and vertical alignment of a cell (AutoNumAlign, properties, hook).
    void GetCellAlignment(Integer ACol, Integer ARow, TAlignment& HAlign, TVAlignment& VAlign);

    // --- cell texts for saving and loading
    virtual void FormatCellText(Integer ACol, Integer ARow, AnsiString& Value);
    virtual TCellType GetCellType(Integer ACol, Integer ARow);
    virtual TCellGraphic* GetCellGraphic(Integer ACol, Integer ARow);
    virtual void GetCellForSave(Integer ACol, Integer ARow, AnsiString& Value);
    // Both answer false when the handler freed the grid: the caller stops at once.
    virtual bool SaveCell(Integer ACol, Integer ARow, AnsiString& Value);
    virtual bool LoadCell(Integer ACol, Integer ARow, const AnsiString& Value);

    // --- notifications and row additions
    virtual void SelectionChanged(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
    virtual void CellsChanged(TRect R);
    virtual bool CanAddRow();
    virtual bool CanInsertRow(Integer ARow);
    virtual void AddRow();
    // Footer recalculation; the floating footer plugs in here.
    virtual void RecalcFooter(Integer ACol) { CalcFooter(ACol); }
    void RecalcAllFooters() { RecalcFooter(-1); }
    void FooterCellChanged(Integer ACol) { RecalcFooter(ACol); }
    // A merge changes which cells count in the footer.
    void MergeCells(Integer ACol, Integer ARow, Integer NumCols, Integer NumRows) override {
        TBaseGrid::MergeCells(ACol, ARow, NumCols, NumRows);
        RecalcAllFooters();
    }
    void SplitCells(Integer ACol, Integer ARow) override {
        TBaseGrid::SplitCells(ACol, ARow);
        RecalcAllFooters();
    }

    // --- editing flow
    // The inplace editor to open on the current cell is a multi-line one.
    bool WantsMultiLineEditor(TEditorType AEditor);
    bool Lookup() const { return FLookup; }
    void SetLookup(bool Value) { FLookup = Value; }
    bool LookupCaseSensitive() const { return FLookupCaseSensitive; }
    void SetLookupCaseSensitive(bool Value) { FLookupCaseSensitive = Value; }
    bool LookupHistory() const { return FLookupHistory; }
    void SetLookupHistory(bool Value) { FLookupHistory = Value; }
    bool ExcelStyleDecimalSeparator() const { return FExcelStyleDecimalSeparator; }
    void SetExcelStyleDecimalSeparator(bool Value) { FExcelStyleDecimalSeparator = Value; }
    // Editor type of the cell being edited (valid while an edit is shown).
    TEditorType ActiveEditorType() const { return FActiveEditor; }
    bool EditShown() const { return FEditShown; }
    bool EditingSuspended() const { return FEditSuspended; }
    const AnsiString& TextBeforeEdit() const { return FTextBeforeEdit; }
    // Remembers (ACol, ARow) as the edited cell and its text before editing.
    void BeginCellEdit(Integer ACol, Integer ARow);
    // Ends an edit: OnCellValidate may change or refuse the value. A refused value
    // puts the cell's former text (or the handler's value) back and reopens the
    // editor on the edited cell. Unchanged text passes without the event.
    virtual bool ValidateCell(const AnsiString& Value);
    // The same for a Unicode cell, with OnCellValidateWide.
    virtual bool ValidateWideCell(const WideString& Value);
    // Unicode cells: the wide text of a cell (an 8-bit text is converted), and a wide
    // text stored in the Unicode cell encoding (empty stays empty).
    WideString GetWideCell(Integer ACol, Integer ARow);
    void SetWideCell(Integer ACol, Integer ARow, const WideString& Value);
    // Writes the current cell's text before editing back.
    void RestoreEditText();
    // Text coming from an editor control into a cell.
    void StoreCellText(Integer ACol, Integer ARow, const AnsiString& Value);
    // The step after Enter: moves to the next editable cell as Navigation says.
    void AdvanceEdit(Integer ACol, Integer ARow, bool Force, bool AnyCell, bool Forward, bool Recursing = false);
    // Tab step (Shift+Tab backward) over editable cells; ends after one pass.
    void TabAdvance(bool Backward);
    // May the user edit this cell now (editing switched on and allowed for the cell).
    bool CellEditable(Integer ACol, Integer ARow);
    // The one question of every road that writes cells from outside (pastes, drops, dropped
    // files, smart fill): the grid takes such data at all, and this cell may take it.
    bool TakesOutsideData() const;
    bool TakesOutsideData(Integer ACol, Integer ARow);
    bool IsControlCell(Integer ACol, Integer ARow);
    void AutoInsertRow(Integer ARow);
    void AutoDeleteRow(Integer ARow);
    // Clipboard transfers of the selection (ExtGridClipboard.cpp): tab/CR LF text that
    // office programs take as cells, and the grid's own cell stream.
    virtual void CutToClipboard();
    virtual void CopyToClipboard();
    virtual void PasteFromClipboard();
    void CopySelectionToClipboard(TGridRect R, bool Disjunct);
    void CopyRTFToClipboard(Integer ACol, Integer ARow);
    void CopyCellsToClipboard(TGridRect R, bool Disjunct = false);
    // The cells of R with their properties; a damaged stream raises EReadError.
    void SaveCellsToStream(TGridRect R, TStream* Stream, bool Disjunct = false);   // Disjunct: marked rows or columns
    // AsPaste: only cells a text paste may fill take the stream's cells.
    void LoadCellsFromStream(TGridCoord Origin, TStream* Stream, bool AsPaste = false);
    Integer PasteAt(Integer ACol, Integer ARow);   // cells pasted (0 for RTF)
    // Written, when given, gets (field, line) of each block cell the paste wrote.
    Integer PasteText(Integer ACol, Integer ARow, const AnsiString& Text,
                      std::set<std::pair<Integer, Integer>>* Written = nullptr);
    // Columns and rows (less one) of a tab/CR LF text.
    static TPoint TextExtent(const AnsiString& Text);
    // The cells of R as tab/CR LF text, as other programs read it (a Unicode cell as its
    // letters); Disjunct skips unselected rows or columns.
    AnsiString CellsAsText(TGridRect R, bool Disjunct, bool LineEndAfterLast);
    // The same text for a transfer: returned in 8 bits; Data gets it as Unicode text and,
    // when it holds Unicode cells, in the grid's own form, so that a grid takes them as such.
    AnsiString TransferText(TDataObject& Data, TGridRect R, bool Disjunct, bool LineEndAfterLast);
    // The tab/CR LF text of a paste or drop: the grid's own form when offered, else the
    // Unicode text, each field with letters outside code page 1254 as a Unicode cell.
    static AnsiString TextFromOutside(const TDataObject& Data);
    // More cells than this in one import, stream or pasted block are refused rather than
    // exhausting memory.
    static constexpr double MaxTransferCells = 20e6;
    // Column widths or row heights read from outside add up to no more pixels than this.
    static constexpr Int64 MaxGridExtent = Int64(1) << 30;
    // A width read from outside is taken when it lies in 0 .. 65535 and Total (the widths
    // taken so far) stays within MaxGridExtent; Total then grows by it.
    static bool TakeOutsideWidth(Integer Width, Int64& Total) {
        if (Width < 0 || Width > 0xFFFF || Total + Width > MaxGridExtent) return false;
        Total += Width;
        return true;
    }
    // The rows and columns of R that a transfer takes: with Disjunct only the marked ones.
    void TransferLines(TGridRect R, bool Disjunct, std::vector<Integer>& Rows, std::vector<Integer>& Cols);
    TGridCoord LoneTransferCell(TGridRect R, bool Disjunct);   // (-1, -1) unless it takes one cell
    void GrowForPaste(Integer LastCol, Integer LastRow);
    bool PasteGrowsPastLimit(double Cols, double Rows);
    void FitRowsAboveFooters(Integer Footers, Integer End);
    TGridRect CopyArea(bool Disjunct);
    virtual void SetCellValue(Integer ACol, Integer ARow, const AnsiString& Value);
    // Hook after a cell-stream paste; SourceOrigin is (-1, -1) for another grid's cells.
    virtual void PasteDone(TGridCoord SourceOrigin, TGridRect Pasted, bool FromCopy) {}
    void ExpandSelectionToMerges();
    // Progress hooks: Kind 0 start, 1 row, 2 end, 4 hit found.
    virtual void SaveProgress(Integer Kind, Integer ARow) {}
    virtual void PasteProgress(Integer Kind, Integer ARow) {}
    // A progress hook's start for its lifetime: the end follows on every path, errors included.
    class TProgressScope {
    public:
        TProgressScope(TExtStringGrid* AGrid, bool APaste) : FGrid(AGrid), FPaste(APaste), FAlive(AGrid) { Tell(0); }
        ~TProgressScope() { End(); }
        void End(Integer Kind = 2, Integer ARow = -1) {   // a search ends with 4 on a hit
            if (FGrid && FAlive.Alive()) Tell(Kind, ARow);
            FGrid = nullptr;
        }
        TProgressScope(const TProgressScope&) = delete;
        TProgressScope& operator=(const TProgressScope&) = delete;
    private:
        void Tell(Integer Kind, Integer ARow = -1) {
            FPaste ? FGrid->PasteProgress(Kind, ARow) : FGrid->SaveProgress(Kind, ARow);
        }
        TExtStringGrid* FGrid;
        bool FPaste;
        TAliveGuard FAlive;   // a handler on the way may free the grid
    };
    TGridCoord CopyOrigin() const { return FCopyOrigin; }
    bool CopiedFlag() const { return FCopiedFlag; }
    TClipboardWideCellEvent OnClipboardBeforePasteWideCell;
    TFilterProgressEvent OnFileProgress;
    // Hooks for descendants, called by the text editor.
    virtual void EditCaretMoved(const AnsiString& Text, Integer X, Integer Y) {}
    virtual void EditFormulaMode(bool Active) {}

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    // Keeps the typed character as it came, for a Unicode editor that it opens.
    bool QtEvent(QEvent* Event) override;
    // With Navigation.AlwaysEdit the cell an arrow key (or Tab) moved to opens its editor.
    void KeyUp(Word& Key, TShiftState Shift) override;

    TChangingEvent OnRowChanging;
    TChangingEvent OnColChanging;
    TCellChangingEvent OnCellChanging;
    TCellValidateEvent OnCellValidate;
    TCellValidateWideEvent OnCellValidateWide;
    TEditChangeEvent OnEditChange;
    TNotifyEvent OnEditingDone;
    TClipboardEvent OnClipboardCopy;
    TClipboardEvent OnClipboardCut;
    TClipboardEvent OnClipboardPaste;
    TClipboardCellEvent OnClipboardBeforePasteCell;
    TRowEvent OnAutoAddRow;
    TColEvent OnAutoInsertCol;   // the new last data column (Enter with AdvanceInsert, top to bottom)
    TRowEvent OnAutoInsertRow;
    TRowEvent OnAutoDeleteRow;
    TCanDeleteRowEvent OnCanDeleteRow;
    TAutoAdvanceEvent OnAutoAdvance;
    TCheckBoxClickEvent OnCheckBoxClick;
    TButtonClickEvent OnButtonClick;

    // --- editor controls (ExtGridEditors.cpp): made on first use, owned by the grid
    TGridSpin* SpinEdit();
    TGridCombo* Combobox();
    TGridEditBtn* BtnEdit();
    TGridUnitEditBtn* BtnUnitEdit();
    TGridCheckBox* CheckBoxEditor();
    TGridDatePicker* DateTimePicker();
    TGridButton* ButtonEditor();
    TGridUniEdit* UniEdit();
    TGridUniEditBtn* UniEditBtn();
    TGridUniMemo* UniMemo();
    TGridUniCombo* UniCombo();
    // The control of the open edit; nullptr when none is shown.
    TWinControl* ActiveEditorControl() const { return FEditorControl; }
    // Ends an edit in an editor control: the value goes to the cell as the editor
    // type says, the control hides.
    void EndEditorControl();
    // An editor takes the colour and font the current cell is drawn with.
    void ApplyCellLook(TControl* Ctl);
    TSpinClickEvent OnSpinClick;
    TFloatSpinClickEvent OnFloatSpinClick;
    TDateTimeSpinClickEvent OnDateSpinClick;
    TDateTimeSpinClickEvent OnTimeSpinClick;
    TComboChangeEvent OnComboChange;
    TComboObjectChangeEvent OnComboObjectChange;
    TClickCellEvent OnComboCloseUp;
    // --- the application's own editing (ExtGridLink.cpp): the edit link of edCustom
    // cells and the checker of edited values; both cleared when they go.
    TEditLink* EditLink() const { return FEditLink; }
    void SetEditLink(TEditLink* Value);
    TExtStringGridCheck* CellChecker() const { return FCellChecker; }
    void SetCellChecker(TExtStringGridCheck* Value);
    TGetEditorPropEvent OnGetEditorProp;

    // --- form controls of HTML cells (ExtGridControls.cpp): one edit and one combo,
    // owned by the grid, open over an EDIT, PASSWORD, MASK or COMBO control.
    TControlEdit* ControlEdit();
    TControlCombo* ControlCombo();
    // The edit for a cell outside the grid's editors (hidden until shown by its user).
    TGridTransEdit* TransEdit();
    // A left press on a form control of the cell: true when one was hit (it is
    // never an anchor to open).
    bool FormControlPress(Integer ACol, Integer ARow, Integer X, Integer Y);
    // Opens the editor of control ID of the cell's text over R.
    void ShowFormControl(const AnsiString& CellText, const AnsiString& CtrlType, Integer ARow, Integer ACol,
                         const TRect& R, const AnsiString& Value, const AnsiString& ID);
    // The open control editor's value goes into the cell text; the editor hides.
    void ControlEditDone();
    // The first editable control of the current cell opens; false when it has none.
    bool OpenFirstFormControl();
    // TAB in an open control editor.
    void FormControlTab();
    // The open control editor follows its cell: it sits on its control while the cell
    // shows and closes (its value stored) when the cell leaves the view; it closes
    // without a value when its cell or control is gone.
    void PlaceFormControl();
    bool FormControlOpen() const { return !FCtrlType.empty(); }
    TControlEvent OnControlClick;
    TControlEvent OnControlEditDone;
    TControlComboListEvent OnControlComboList;
    // --- rich-text cells (ExtGridRich.cpp): one rich edit renders RTF cells, the other edits them
    TExtRichEdit* RichEdit();
    TExtRichEdit* RenderRichEdit();
    // The selection of the rich-text cell editor moved (Sender: the grid).
    TNotifyEvent OnRichEditSelectionChange;
    // An empty cell clears ARichEdit; otherwise the cell text is loaded into it.
    void CellToRichEdit(Integer ACol, Integer ARow, TRichEdit* ARichEdit);
    // The content as RTF; empty for an empty content.
    void RichEditToCell(TRichEdit* ARichEdit, AnsiString& Value);

    // --- mouse (ExtGridMouse.cpp)
    TCanClickCellEvent OnCanClickCell;
    TClickCellEvent OnClickCell;
    TClickCellEvent OnRightClickCell;
    TClickCellEvent OnDblClickCell;
    TCheckBoxClickEvent OnCheckBoxMouseUp;
    TRadioClickEvent OnRadioClick;
    TRadioClickEvent OnRadioMouseUp;
    TAnchorClickEvent OnAnchorClick;
    TAnchorEvent OnAnchorEnter;
    TAnchorEvent OnAnchorExit;
    TNodeAllowEvent OnBeforeExpandNode;
    TNodeAllowEvent OnBeforeContractNode;
    TNodeEvent OnExpandNode;
    TNodeEvent OnContractNode;
    TIndexEvent OnEndColumnSize;
    TIndexEvent OnEndRowSize;
    // After a fixed column was sized by the mouse: AWidth may be changed.
    std::function<void(TObject* Sender, Integer ACol, Integer& AWidth)> OnUpdateColumnSize;
    TMoveAllowEvent OnColumnMove;
    TMoveAllowEvent OnRowMove;
    TSelectionResizeEvent OnSelectionResize;
    TSelectionResizeEvent OnSelectionResized;

    // --- drag and drop (ExtGridDragDrop.cpp). A drag runs to its end inside these
    // calls; the result is the effect the target took, DROPEFFECT_NONE when cancelled.
    // Texts, when given, adds its Unicode text and the grid's own text form to the drag.
    Integer StartTextDoDrag(const AnsiString& Text, const AnsiString& RTF, Integer AllowedEffects,
                            const TDataObject* Texts = nullptr);
    Integer StartColumnDoDrag(Integer Column, Integer AllowedEffects);
    bool DropTargetRegistered() const { return FDropTarget != nullptr; }
    TGridRect DragRect() const { return FDragRect; }
    TOleDropEvent OnOleDrag;          // data: the pressed cell's text
    TClickCellEvent OnOleDragStart;
    TOleDragStopEvent OnOleDragStop;
    TOleDropEvent OnOleDrop;          // files: ARow = ACol = -1, data the file name
    TOleDroppedEvent OnOleDropped;
    TOleDropColEvent OnOleDropCol;
    TOleDropEvent OnOleDropFile;
    TOleDragOverEvent OnOleDragOver;
    // A drag-scroll step is due (DragScrollOptions.Active); may change the directions
    // or refuse the step.
    TDragScrollEvent OnDragScroll;

    // --- nodes (ExtGridNodes.cpp); check boxes, radio groups and buttons (ExtGridCells.cpp). Operations
    // that change rows take real rows, the queries display rows.
    void AddNode(Integer ARow, Integer Span);
    void MarkSummaryRow(Integer ARow);
    bool RemoveNode(Integer ARow);
    void RemoveAllNodes();
    bool IsNode(Integer ARow);
    bool IsSummaryRow(Integer ARow);
    bool GetNodeState(Integer ARow);   // true: contracted
    Integer GetNodeLevel(Integer ARow);
    Integer GetNodeSpan(Integer ARow);
    void AddToNodeSpan(Integer ARow, Integer Delta);
    Integer GetParentRow(Integer ARow);
    Integer GetNodeLine(Integer ARow);   // 0 node, 1 branch ends, 2 branch goes on
    bool IsNodeGlyphHit(Integer ARow, Integer X);
    void ExpandNode(Integer ARow);
    void ContractNode(Integer ARow);
    void ExpandAll();
    void ContractAll();

    // --- grouping rows by a column (ExtGridGroup.cpp)
    // Sorts by ACol (with SortSettings.AutoSortForGrouping), puts a node header above
    // each run of equal values, a summary row under it (Grouping.Summary), and takes
    // the column out of the grid until UnGroup.
    virtual void Group(Integer ACol);
    virtual void UnGroup();
    // The same without sorting or taking the column out; several columns nest.
    virtual void GroupInPlace(Integer ACol);
    virtual void UngroupInPlace(Integer ACol);
    Integer GroupColumn() const { return FGroupColumn; }   // -1 when none
    bool IsGroupHeader(Integer ARow);
    static bool IsGroupHeaderGraphic(const TCellGraphic* G);
    // Rows inside nodes: the enclosing nodes' spans follow and hidden rows keep their indexes.
    void InsertChildRow(Integer ARow, Integer Position);
    void RemoveChildRow(Integer ARow);
    void InsertRowRenumber(Integer ARow);
    void RemoveRowRenumber(Integer ARow);
    bool GetCheckBoxState(Integer ACol, Integer ARow, bool& State);
    bool SetCheckBoxState(Integer ACol, Integer ARow, bool State);
    virtual bool ToggleCheck(Integer ACol, Integer ARow, bool FromUser);
    bool ToggleRadio(Integer ACol, Integer ARow, bool FromUser);
    bool PickRadio(Integer ACol, Integer ARow, Integer AIdx);
    void CheckAll(Integer ACol);
    void UnCheckAll(Integer ACol);
    bool HasCheckBox(Integer ACol, Integer ARow);
    bool HasCellControl(Integer ACol, Integer ARow);
    bool IsRadio(Integer ACol, Integer ARow);
    TStrings* GetRadioValues(Integer ACol, Integer ARow);   // the graphic's list (a TStringList it owns)
    bool GetRadioIndex(Integer ACol, Integer ARow, Integer& Index);
    bool IsButtonCell(Integer ACol, Integer ARow);
    void SetCellGraphicFlag(Integer ACol, Integer ARow, bool Value);
    void GetCellGraphicRect(Integer ACol, Integer ARow, TRect& R);
    bool IsCheckBoxHit(Integer ACol, Integer ARow, Integer X, Integer Y);
    bool GetComment(Integer ACol, Integer ARow, AnsiString& Text);
    void GetCellErrorRange(Integer ACol, Integer ARow, Integer& ErrFrom, Integer& ErrLen);

    // --- graphic layer (ExtGridGraphics.cpp)
    // The cell's graphic (nullptr: none; then 0 x 0, text drawn, haLeft, vaTop).
    TCellGraphic* GetCellGraphicLayout(Integer ACol, Integer ARow, Integer& Width, Integer& Height, bool& TextDrawn,
                                       TCellHAlign& HAlign, TCellVAlign& VAlign);
    void DrawCheck(TCanvas* ACanvas, const TRect& R, bool Checked, bool Enabled, TControlStyle Style);
    void DrawRadio(TCanvas* ACanvas, const TRect& R, Integer Count, Integer Index, TStrings* Items, bool Disabled,
                   bool Vertical, const AnsiString& CellText, bool Selected);
    TIntList* GetCellImages(Integer ACol, Integer ARow);
    // The bitmap or icon of the cell; Index gets the image index of an image-list cell (-1 otherwise).
    TObject* CellGraphicHandle(Integer ACol, Integer ARow, Integer& Index);
    void HilightInRange(const AnsiString& Text, const AnsiString& Tag, TGridRect ARect, bool CaseSensitive);
    void UnHilightInRange(const AnsiString& Tag, TGridRect ARect);
    void HilightInGrid(const AnsiString& Text, bool All, bool CaseSensitive);
    void UnHilightInGrid(bool All);
    // Images of ctImageList, ctDataImage and ctImages cells and of HTML "IDX:" pictures.
    // Nil once the list is freed: the grid never draws from a list that is gone.
    THTMLImageList* GridImages() const { return FGridImagesAlive.Alive() ? FGridImages : nullptr; }
    void SetGridImages(THTMLImageList* Value);
    TPictureContainer* PictureContainer() const { return FPictureContainer; }
    void SetPictureContainer(TPictureContainer* Value);
    TComponent* PictureContainerComponent() const;

    // --- events
    TRowUpdateEvent OnRowUpdate;
    TGridHintEvent OnGridHint;
    TGridBalloonEvent OnCellBalloon;
    // After every paint of the grid, once cells and frame are drawn.
    TNotifyEvent OnAfterPaint;
    TDateTimeChangeEvent OnDateTimeChange;
    TGridColorEvent OnGetCellColor;
    TGridBorderEvent OnGetCellBorder;
    TGridAlignEvent OnGetAlignment;
    TGridFormatEvent OnGetFormat;
    TGetEditorTypeEvent OnGetEditorType;
    TRowColBoolEvent OnIsFixedCell;
    TRowColBoolEvent OnCanEditCell;
    TRowColBoolEvent OnIsPasswordCell;
    TRowColBoolEvent OnGetWordWrap;
    THasComboEvent OnHasComboBox;
    TGetCheckEvent OnGetCheckTrue;
    TGetCheckEvent OnGetCheckFalse;
    TCellTextEvent OnSaveCell;
    TCellTextEvent OnLoadCell;
    TEllipsClickEvent OnEllipsClick;
    TSelectionChangedEvent OnSelectionChanged;
    TCellsChangedEvent OnCellsChanged;
    TCanAddRowEvent OnCanAddRow;
    TCanInsertRowEvent OnCanInsertRow;
    TFilterProgressEvent OnFilterProgress;
    TColumnSizeEvent OnColumnSize;
    TRowSizeEvent OnRowSize;
    TGridColorEvent OnGetCellPrintColor;
    TFloatFormatEvent OnGetFloatFormat;
    TGridBorderPropEvent OnGetCellBorderProp;
    TCustomCellDrawEvent OnCustomCellDraw;

protected:
    // TBaseGrid hooks
    bool IsFixed(Integer ACol, Integer ARow) override;
    Integer LastMovableCol() const override { return std::max(TBaseGrid::FixedCols(), LastDataCol()); }
    Integer LastMovableRow() const override { return std::max(TBaseGrid::FixedRows(), LastDataRow()); }
    // The footer row that the docked footer panel shows is not scrolled into the cells.
    Integer LastScrollRow() const override;
    bool DragNotice(TDragNoticeKind Kind, Integer X, Integer Y) override;
    void ApplyScrollBarLook();
    // Themed parts are drawn by the desktop's widget style; taken once at creation.
    bool FThemed = ThemePartsAvailable();
    // The desktop's theme changed (AutoThemeAdapt re-applies the colour scheme).
    void ThemeChanged();
    void InstallWindowHooks();
    void CancelMode();
    void PaintSizingLines();
    bool BalloonAt(TPoint ClientPos, TBalloonTip& Tip);
    // The date picker editor's value changed (fires OnDateTimeChange).
    void DateTimeChanged(TDateTime Value);
    void ScrollBarNotice(bool Vertical, Integer Code, Integer Pos, TPoint Mouse) override;
    void HideScrollHint();
    TBorderStyle FBorderStyle = bsSingleBorder;
    // The frame's width from BorderStyle and Flat.
    void ApplyFrame();
    void PaintFrame(TCanvas* ACanvas) override;
    // Panning with the middle button: a press starts or ends it; a timer moves the
    // current cell toward the mouse pointer.
    void IntelliPanPress(TMouseButton Button, Integer X, Integer Y);
    void StartIntelliPan(Integer X, Integer Y);
    void EndIntelliPan();
    void IntelliPanTick();
    void PaintPanGlyph();
    bool FPanning = false;
    TPoint FPanOrigin;
    TCursor FPanOldCursor = crDefault;
    bool FPanOldShowHint = false;
    TTimer* FPanTimer = nullptr;
    std::vector<std::pair<TControl*, std::shared_ptr<const bool>>> FShownCellControls;   // with their life
    std::vector<Integer> FSizingColLines;
    std::vector<Integer> FSizingRowLines;
    void GetCellColor(Integer ACol, Integer ARow, TGridDrawState& AState, bool Printing, bool DoSelection,
                      bool RealColumn, TBrush* ABrush, TColor& ColorTo, TFont* AFont, TAlignment& HAlign,
                      TVAlignment& VAlign, bool& WordWrapValue) override;
    void DrawCellText(TCanvas* ACanvas, Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) override;
    Integer DisplColIndex(Integer ACol) override { return ACol; }
    bool SelectCell(Integer ACol, Integer ARow) override;
    void OptionsSetting(TGridOptions Value) override;
    bool CanEditShow() override;
    TInplaceEdit* CreateEditor() override;
    Integer GetEditLimit() override { return FMaxEditLength; }
    void EditorHidden() override;
    // The grid's own editor controls (spin, combo, ...) for the other editor types:
    // shows one over the current cell; false when none was shown.
    virtual bool ShowEditorControl(TEditorType AEditor);
    void CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                         Integer& SizingOfs) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Paint() override;
    void Resize() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    // Asks OnUpdateColumnSize for the width a column sized by the user should take.
    void UpdateColumnSize(Integer ACol, Integer& AWidth);
    void TopLeftChanged() override;
    // The wheel: Ctrl with IntelliZoom zooms, otherwise the selection moves or the
    // grid scrolls by MouseActions.WheelIncrement rows (the system's three when 0).
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void DblClick() override;
    void ColumnMoved(Integer FromIndex, Integer ToIndex) override;
    void RowMoved(Integer FromIndex, Integer ToIndex) override;
    void MoveRowData(Integer FromIndex, Integer ToIndex) override;
    void LayoutChanged() override;
    void MoveColData(Integer FromIndex, Integer ToIndex) override;
    // Where each row or column goes: merges that no longer hold together are split.
    // AHiddenBaseTorn (first shown row, shown span) says whether a merge whose base row is hidden is torn.
    void SplitMergesBrokenByMove(bool ARows, const std::function<Integer(Integer)>& AFollow,
                                 const std::function<bool(Integer, Integer)>& AHiddenBaseTorn = {});
    void SplitMergesAround(bool ARows, Integer AAt, Integer ACount);   // inserted (< 0: removed) there
    bool WheelTurn(bool Backward, TShiftState Shift, TPoint MousePos);
    // Repaints unless updating.
    void RepaintUnlessUpdating();
    // Mini-HTML cell text in R; returns the width it took. Until the renderer is in,
    // the text is drawn with its tags stripped.
    virtual Integer DrawHTMLCellText(TCanvas* ACanvas, const AnsiString& Text, TRect R, TAlignment HAlign,
                                     TVAlignment VAlign, bool WordWrapValue, TColor AnchorColor, bool MeasureOnly,
                                     Integer* Height = nullptr);
    // Text layer of DrawCellText; returns the text width used to place a graphic.
    Integer DrawCellTextLayer(TCanvas* ACanvas, Integer ACol, Integer ARow, const TRect& Rc, TGridDrawState S,
                              TAlignment HAlign, TVAlignment VAlign, bool WW, TColor UnselBrush, TColor UnselFont,
                              TCellGraphic* Graphic, bool DrawText);
    void DrawBorders(TCanvas* ACanvas, Integer ACol, Integer ARow, TRect Rb);
    void DrawFixedDecoration(TCanvas* ACanvas, Integer ACol, Integer ARow, TRect Rc);
    void DrawBackGroundInCell(TCanvas* ACanvas, Integer ACol, Integer ARow, const TRect& Rc, TGridDrawState S);
    void DrawSelectionRectangle(TCanvas* ACanvas, Integer ACol, Integer ARow, const TRect& Rc);
    bool ShowsSortGlyph(Integer ACol, Integer ARow);
    bool ShowsRowIndicator(Integer ACol, Integer ARow);
    bool ShowsDropDownButton(Integer ACol, Integer ARow);
    // The rectangle the text is painted into, from the cell's inner rectangle T (without
    // its lines, the row indicator and a drop-down button): margins, a graphic beside or
    // above the text, a node's indent, the sort glyph and the filter button kept free.
    TRect CellTextArea(Integer ACol, Integer ARow, TRect T, Integer Kind, TAlignment HAlign);
    // Flags of plain text as painted; Text is cut to its first line when shown on one.
    Cardinal PlainTextFlags(AnsiString& Text, TAlignment HAlign, TVAlignment VAlign, bool WW);
    Cardinal UnicodeTextFlags(TAlignment HAlign, TVAlignment VAlign, bool WW) const;
    // Graphic layer: bitmaps, check boxes, buttons and the like drawn over the cell.
    virtual void DrawCellGraphicLayer(TCanvas* ACanvas, Integer ACol, Integer ARow, const TRect& Rc,
                                      TCellGraphic* Graphic, TAlignment HAlign, TVAlignment VAlign, Integer TextWidth);
    // After every change of the row set: footer and scroll state.
    virtual void RowsChanged();
    // Forgets the row last reported to OnRowUpdate (after a sort).
    void ForgetReportedRow() { FReportedRow = -1; }

private:
    void ApplyColumnHeaders();
    void ApplyRowHeaders();
    void SetRangeColor(Integer ARow, TColor Value, int Which);
    // Frees a cell's settings (colours, alignment, merge: split whole); its object, control and node level stay.
    void FreeCellSettings(Integer ACol, Integer ARow);
    void ReportRow(Integer NewRow);
    void FormResized(TObject* Sender);
    friend class TExtInplaceEdit;
    void ConsumeKey(Word& Key, TShiftState Shift);
    bool HomeEndKey(Word Key, TShiftState Shift);
    bool SkipFixed(Word Key);
    void ControlCellKey(Word Key);
    // The keypad's decimal key types the locale's separator with ExcelStyleDecimalSeparator;
    // FromKeypad is the mark its key-down left, cleared here.
    char DecimalKeyChar(char Key, bool& FromKeypad) const;
    void AfterFrameworkKey(Word& Key, TShiftState Shift, Integer OldLeft);
    void ChangeEditing(bool On);
    void ResumeEditing(bool Editable);
    Integer FirstDataCol();
    Integer LastDataCol() const { return ColCount() - 1 - FFixedRightCols; }
    Integer LastDataRow() const { return RowCount() - 1 - FFixedFooters; }
    Integer CurrentDataRealRow() const;
    void ShowNodeRows(Integer ARow, Integer ATo = -1);   // real rows
    void ShowHiddenRows(Integer AFromRow, Integer AToRow);   // UnHideRows and UnHideRowsAll, not asked for by name
    void ShowAllRows();
    // Of the real rows just shown (ascending), those the filter holds back are hidden again.
    void HideFilteredRows(const std::vector<Integer>& ARealRows);
    bool FilterPasses(const std::function<AnsiString(const TFilterData*)>& ATextOf) const;
    void ForEachMarkedRow(const std::function<void(Integer)>& ADo);   // display row of each, bottom up
    bool InContractedNode(Integer ARow);     // a contracted node holds the real row
    void KeepRowOnShownData(Integer RealRow);   // after rows were hidden

    bool FLookup = false;
    bool FLookupCaseSensitive = false;
    bool FLookupHistory = false;
    bool FExcelStyleDecimalSeparator = false;
    bool FKeypadDecimal = false;   // the character to come is the keypad's decimal key
    bool FEditShown = false;
    bool FEditActive = false;
    bool FValidating = false;
    bool FEditSuspended = false;
    bool FControlEditing = false;   // editing is on only because a control cell is current
    bool FMoving = false;
    // FMoving for its lifetime: the grid moves the current cell itself, past SelectCell.
    // Raises a grid's flag for a scope; a handler inside may free the grid with its flag.
    struct TMovingScope {
        bool& Flag;
        const bool Was;
        const TAliveGuard Alive;
        TMovingScope(const TObject* Owner, bool& AFlag) : Flag(AFlag), Was(AFlag), Alive(Owner) { Flag = true; }
        ~TMovingScope() { if (Alive.Alive()) Flag = Was; }
    };
    bool FReopenOnRefusal = true;
    TEditorType FActiveEditor = edNormal;
    Integer FEditCol = -1;
    Integer FEditRow = -1;
    AnsiString FTextBeforeEdit;
    AnsiString FNewText;
    char FStartKey = 0;
    WideString FStartWide;   // the character of the last key press, past the code page
    TGridRect FPrevSelection;
    friend class TGridEditorKeys;
    friend class TEditLink;
    // Shows the edit link's control over (or below) the current cell.
    bool ShowEditLink(TRect R);
    // The link's value goes to the cell; the pop-up form goes.
    void EndEditLink();
    TEditLink* FEditLink = nullptr;
    TExtStringGridCheck* FCellChecker = nullptr;
    TWinControl* FEditorControl = nullptr;
    TGridSpin* FSpin = nullptr;
    TGridCombo* FCombo = nullptr;
    TGridEditBtn* FBtnEdit = nullptr;
    TGridUnitEditBtn* FBtnUnitEdit = nullptr;
    TGridCheckBox* FCheckEditor = nullptr;
    TGridDatePicker* FDatePicker = nullptr;
    TGridButton* FButtonEditor = nullptr;
    TGridUniEdit* FUniEdit = nullptr;
    TGridUniEditBtn* FUniEditBtn = nullptr;
    TGridUniMemo* FUniMemo = nullptr;
    TGridUniCombo* FUniCombo = nullptr;
    // What ending the edit in the editor control would store; false for the editors that
    // store nothing. An edit that ends on the value the editor was filled with (or last
    // committed) changes nothing.
    bool EditorControlValue(AnsiString& Value);
    bool EditorControlText(AnsiString& Value);   // the control's own text, as EditorControlValue
    bool FEditLetters = false;   // an 8-bit editor control shows a Unicode cell's letters
    Integer FLayoutChanges = 0;   // counts changes of rows or columns, so a check sees one made by its handler
    TEditorType FLetterRules = edNormal;   // the column's editor, whose character rules a Unicode editor keeps
    // The Unicode combo's own items while it stands in for the column's combo, given back after.
    std::optional<std::vector<std::pair<WideString, TObject*>>> FUniComboOwnItems;
    // A spin editor whose text is no value of its kind ("31.02.2016", "-"): it has no
    // value to store, Enter and Tab keep it open, a close leaves the cell as it was.
    bool EditorControlRefuses();
    void NoteEditorControlValue();
    bool EditorControlChanged();
    AnsiString FEditorShownValue;
    // Validation of a plain or (Wide) a Unicode-encoded value.
    bool Validate(const AnsiString& Value, bool Wide);
    // Ends the current cell's edit checked (an open editor control stores first);
    // false when the value was refused.
    bool ValidatePending();
    bool EndEditBeforeRowsMove();   // false: the value was refused and its edit stays
    void EndEditBeforeLayoutChange();
    // The cell's HTML text holds form controls: they are its editors.
    bool HoldsFormControls(Integer ACol, Integer ARow);
    TExtRichEdit* FRichEdit = nullptr;
    friend class TExtRichEdit;
    TGridCoord FAdvanceFrom;

    std::unique_ptr<TGridRowMap> FRowMap;
    void InsertDisplRowRenumber(Integer ADisplRow);
    bool RemoveDisplRowRenumber(Integer ADisplRow);
    std::unique_ptr<TCellNode> FCellNode;
    std::unique_ptr<TSizeWhileTyping> FSizeWhileTyping;
    std::unique_ptr<TMouseActions> FMouseActions;
    std::unique_ptr<TColumnSize> FColumnSize;
    std::unique_ptr<TNavigation> FNavigation;
    std::unique_ptr<THTMLSettings> FHTMLSettings;
    std::unique_ptr<TPrintSettings> FPrintSettings;
    std::unique_ptr<TControlLook> FControlLook;
    std::unique_ptr<TFilter> FFilter;
    std::unique_ptr<TFont> FFixedFont;
    std::unique_ptr<TFont> FActiveCellFont;
    std::unique_ptr<TStringList> FColumnHeaders;
    std::unique_ptr<TStringList> FRowHeaders;
    std::unique_ptr<TStringList> FLookupItems;
    std::unique_ptr<TCellGraphic> FCellGraphic;   // scratch object for cells without one
    std::unique_ptr<TBands> FBands;
    std::unique_ptr<TBackGround> FBackGround;
    std::unique_ptr<TSortSettings> FSortSettings;
    std::unique_ptr<TShowModified> FShowModified;
    std::unique_ptr<TBitmap> FRowIndicator;
    std::set<TCellGraphic*> FOwnedGraphics;
    std::vector<Integer> FSortIndexes;
    std::vector<Byte> FRowSelect;
    std::vector<Byte> FColSelect;
    std::vector<Byte> FRowMarks;
    // By real row: hidden by the filter when it was switched on and not shown by name since.
    std::vector<Byte> FFilteredRows;
    std::set<std::pair<Integer, Integer>> FSelectedCells;   // (col, real row)
    Integer MarkIndex(Integer ARow) const;   // the real row a RowSelected argument names
    // What the grid keeps per row and per column follows rows inserted, removed or moved
    // and columns moved, whatever road did it (ExtGridRows.cpp).
    void RowRecordsInserted(Integer ADisplRow, Integer ACount);
    void RowRecordsRemoved(Integer ADisplRow, Integer ACount);
    void RowRecordsMoved(Integer AFrom, Integer ATo);
    void ColumnRecordsMoved(Integer AFrom, Integer ATo);
    TCellGraphic* NodeAtReal(Integer ARealRow);   // the node of a shown or hidden row
    TCellProperties* Col0PropertiesAtReal(Integer ARealRow);
    // Column 0 of a shown or hidden row: node calls name real rows, hidden ones too.
    TCellProperties* MakeCol0PropertiesAtReal(Integer ARealRow);
    TCellGraphic* MakeCol0GraphicAtReal(Integer ARealRow);
    void RemoveCol0GraphicAtReal(Integer ARealRow);
    Integer NodeEndReal(Integer ARealRow);   // the last real row of a node's span
    // A whole replacement starts clean: all rows shown, no node, mark, merge, control or
    // cell property of the content it replaces left to come back (ExtGridSort.cpp).
    void ResetContent(Integer AKeepFooters = 0);
    void DropCutCells(bool ARows, Integer AFrom, Integer ACount);
    void RecountNodes();
    std::vector<Integer> FColumnOrder;
    std::vector<Byte> FDragRows;   // by real row: the rows a running drag takes from
    bool FRecordsKept = false;     // the count changes on a road that keeps the records itself
    Integer FGroupFooterKind = -1;
    bool FMultilinecells = false;
    bool FSpreadsheetClipboard = false;
    bool FEnhTextSize = false;
    bool FDisjunctSelecting = false;
    bool FHeaderPressed = false;
    bool FShowZero = true;
    Integer FNodeCount = 0;

    Integer FFixedRowsMem = 1;
    Integer FFixedColsMem = 1;
    bool FFixedRowAlways = false;
    bool FFixedColAlways = false;
    Integer FFixedRowHeight = 21;
    Integer FFixedFooters = 0;
    Integer FFooterSpace = 0;   // height the docked footer panel takes at the bottom
    Integer FSearchSpace = 0;   // and the search panel below it
    // Bounds of automatic sizing (0: none); Loaded sets the minimums.
    Integer FAutoMinColWidth = 0, FAutoMaxColWidth = 0, FAutoMinRowHeight = 0, FAutoMaxRowHeight = 0;
    void PlaceSearchPanel();
    Integer FFixedRightCols = 0;
    bool FIntegralHeight = false;
    bool FWordWrap = true;
    TVAlignment FVAlignment = vtaTop;
    Cardinal FVAlignFlag = DT_TOP;
    bool FAutoSize = false;
    bool FFlat = false;
    Integer FMaxEditLength = 0;
    TColor FSelectionColor = 0xEACAB6;
    TColor FSelectionColorTo = clNone;
    TColor FSelectionTextColor = clBlack;
    bool FSelectionRectangle = false;
    bool FSelectionResizer = false;
    bool FShowSelection = true;
    bool FURLShow = false;
    TColor FURLColor = clBlue;
    bool FURLFull = false;
    bool FURLEdit = false;
    TGridLook FLook = glXP;
    bool FActiveCellShow = false;
    TColor FActiveCellColor = clGray;
    TColor FActiveCellColorTo = clNone;
    TColor FHintColor = clInfoBk;
    AnsiString FFloatFormat = "%.2f";
    char FPasswordChar = '*';
    AnsiString FCheckTrue = "Y";
    AnsiString FCheckFalse = "N";
    bool FEnableHTML = true;
    bool FEditWithTags = false;
    bool FEnableWheel = true;
    bool FIntelliZoom = true;
    TIntelliPan FIntelliPan = ipVertical;
    bool FEnhRowColMove = true;
    bool FHideFocusRect = false;
    bool FFixedAsButtons = false;
    bool FAutoNumAlign = false;
    bool FAutoThemeAdapt = false;
    bool FAnchorHint = false;
    TScrollType FScrollType = ssNormal;
    TColor FScrollColor = clNone;
    Integer FScrollWidth = 16;
    TScrollBarAlways FScrollBarAlways = saNone;
    bool FScrollProportional = false;
    TScrollHintType FScrollHints = shNone;
    bool FScrollSynch = false;
    bool FScrollHintShown = false;
    TEditorType FDefaultEditor = edNormal;
    bool FSizeWithForm = false;
    TCursor FOldCursor = crDefault;
    TColor FGradFrom = 0xFFFFFF;
    TColor FGradTo = 0;

    Integer FReportedRow = -1;
    bool FParked = false;
    TGridRect FParkedSel;
    bool FFilterActive = false;
    Integer FZoom = 0;
    Integer FUpdateCount = 0;

    // Owner form's resize handler, taken over while the grid lives.
    TCustomForm* FHookedForm = nullptr;
    // The grid's link in the chain of handlers on its form's resize (ExtGrid.cpp).
    std::shared_ptr<struct TFormResizeHook> FFormHook;
    Integer FFormWidth = 0;
    Integer FFormHeight = 0;
    bool FLoadedOnce = false;
    bool FWindowShown = false;   // painted once: the kept column widths were read
    Integer FSynchWidth = 0;     // the width ColumnSize.SynchWithGrid scales from

    AnsiString FFindText, FLastSearched;
    WideString FFindWideText;
    Word FFindFlags = 0;
    Byte FFindFlags2 = 0;
    TGridCoord FLastFound{-1, -1};
    bool FHighlightDown = false;
    TEdit* FSearchEdit = nullptr;
    TSpeedButton *FSearchNext = nullptr, *FSearchPrev = nullptr, *FSearchHighlight = nullptr, *FSearchClose = nullptr;
    TCheckBox* FSearchMatchCase = nullptr;
    void BuildSearchPanel();
    void UpdateSearchPanel();
    Word SearchFooterFlags() const;
    void AfterSearchFooterFind();
    void SetHighlights(const AnsiString& Text);
    // The button comes up and the tags leave the cells' texts.
    void EndSearchHighlight();
    void SearchFooterStep(bool Backward);
    bool ColumnWidthsKept() const;
    // Columns of the layout with a grouped column in its place (ExtGridStore.cpp).
    Integer LayoutColCount() const;
    Integer LayoutColWidth(Integer ACol) const;
    void SetLayoutColWidth(Integer ACol, Integer Value);
    // Widths stored when the grid goes: those it read back and those the user changed, by
    // layout column (a width the grid never read nor the user set is not its to keep).
    std::vector<Byte> FKeptWidths;
    bool FGroupShifting = false;   // the grouped column leaves or comes back: the layout stays
    void NoteColumnSized(Integer ACol);   // -1: every column
    char FDelimiter = '\0';
    bool FOemConvert = false;
    bool FCSVTildeBreaks = false;
    TGridCoord FCopyOrigin{-1, -1};
    bool FCopiedFlag = false;
    void SmartFill(Integer Pasted);

    // Sorting (ExtGridSort.cpp).
    struct TSortColumn;
    std::vector<Integer> FUnsortedOrder;   // per real row: its position before sorting
    void EnsureUnsortedOrder(Integer ARows = -1);   // -1: every real row
    void ReadSortColumn(TSortColumn& K, Integer ACol, const std::vector<Integer>& Rows, Integer FixStyle,
                        bool OnDemand = false);
    void ReadSortKey(TSortColumn& K, Integer ACol, const std::vector<Integer>& Rows, size_t I);
    Integer CompareSortKeys(const TSortColumn& K, Integer ACol, const std::vector<Integer>& Rows, size_t A, size_t B,
                            bool Descending);
    void SortOnKeys(const std::vector<std::pair<Integer, bool>>& Columns, bool ReportRowUpdate, bool InNodes);
    void SortOnColumn(bool InNodes);
    void SortRowRange(Integer First, Integer Last, const std::vector<std::pair<Integer, bool>>& Columns);
    Integer NodeEnd(Integer ARow, Integer ALast);
    std::vector<const TCellGraphic*> OpenContractedNodes(Integer First);
    void CloseNodes(const std::vector<const TCellGraphic*>& Nodes);
    void ApplyRowOrder(Integer First, const std::vector<Integer>& Order);
    void MoveRowsTo(Integer First, const std::vector<Integer>& Order, Integer FromCol, Integer ToCol, bool WholeRows);
    void MoveRowBlock(Integer AFrom, Integer ATo, Integer ACount);
    // Hidden rows and footer kinds follow columns inserted (ACount > 0) or removed (< 0) at ACol.
    void ColumnsShifted(Integer ACol, Integer ACount);
    void FreeHiddenCellObjects(const std::vector<TObject*>& AObjects);   // the grid's own, from hidden rows
    void FreeCellGraphic(TCellGraphic* G);   // unless shared

    // footer row and the option objects of other concerns
    std::unique_ptr<TFloatingFooter> FFloatingFooter = std::make_unique<TFloatingFooter>(this);
    std::unique_ptr<TSearchFooter> FSearchFooter = std::make_unique<TSearchFooter>();
    std::unique_ptr<TGrouping> FGrouping = std::make_unique<TGrouping>(this);
    std::unique_ptr<TDragDropSettings> FDragDropSettings = std::make_unique<TDragDropSettings>(this);
    std::unique_ptr<TDragScrollOptions> FDragScrollOptions = std::make_unique<TDragScrollOptions>(this);
    std::unique_ptr<TBalloonSettings> FBalloon = std::make_unique<TBalloonSettings>();
    TFooterPanel* FFooterPanel = new TFooterPanel(this);   // owned as a component
    TSearchPanel* FSearchPanel = new TSearchPanel(this);
    std::vector<std::pair<Integer, Integer>> FFooterKinds;   // (column, kind)
    void PlaceFooterPanel() override;
    void ShowFooterRow(bool Value) override { SetFooterRowFlag(Value); }
    void PaintFooterPanel(TFooterPanel* Panel, TCanvas* ACanvas, const TRect& Area) override;
    Integer FooterPanelColumnAt(Integer X) const override;
    void FooterPanelHint(TFooterPanel* Panel, Integer X, Integer Y) override;

    // grouping (ExtGridGroup.cpp)
    Integer FGroupColumn = -1;
    std::vector<TObject*> FGroupColObjects;   // by real row: the grouped column's cell objects
    bool FSortKeepsMarks = false;   // the sort under way carries the row marks with their rows
    Integer FGroupColWidth = 0;
    AnsiString FGroupHeaderText, FGroupFooterText;
    void ColourGroupRow(Integer ARow, Integer ATextCol, bool Merged, TColor From, TColor To, TColor Text);
    Integer InsertGroupHeader(Integer ARow, Integer AEnd, Integer ATextCol, const AnsiString& Value, Integer AGroupCol);
    void RemoveGroupRow(Integer ARow);
    void ShowAllRowsForGrouping();

    // drag and drop (ExtGridDragDrop.cpp)
    friend class TGridDropTarget;
    std::unique_ptr<TESGDropTarget> FDropTarget;   // while DragDropSettings.OleDropTarget
    TGridRect FDragRect;                           // the cells of the running text drag
    TGridRect FSelfDropRect;                       // what a drop of that drag wrote into this grid
    void TakeDraggedRows(TGridRect Block);
    bool FFileDrop = false;   // a dropped file is being imported
    // Each cell's text as a transfer takes it, by line.
    std::vector<std::vector<AnsiString>> TransferCells(TGridRect R, bool Disjunct,
                                                       std::vector<std::vector<AnsiString>>* Stored = nullptr);
    // One read of a cell stream: without Apply it only checks the stream. Kept: a cell a
    // whole-grid paste keeps, which stays within the data rows.
    void ReadCellStream(TGridCoord Origin, TStream* Stream, bool AsPaste, bool Apply, bool Kept = false);
    void WriteCellStream(TGridRect R, TStream* Stream, bool Disjunct, bool Progress);
    void UnHilightHiddenRows(const AnsiString& Tag, Integer FromCol, Integer ToCol);
    static bool TakesHighlight(const AnsiString& Stored);
    // The cell's value: what leaves the grid carries no highlight.
    static AnsiString WithoutHighlight(const AnsiString& Stored);
    bool FDragPending = false;                     // a press that starts a drag once it moves
    Integer FDragTicks = 0;                        // horizontal drag scrolling every other move
    TPanel* FDropMarkers[3] = {nullptr, nullptr, nullptr};   // row marker, column markers above and below
    void DropTargetChanged() override;
    void DropTargetLoaded();
    void UpdateDragAcceptance() override;
    TPanel* DropMarker(Integer Index);
    void ShowDropMarker(Integer Index, Integer X, Integer Y);
    void HideDropMarkers();
    void OleDragMove(TPoint P, bool& Allow, Byte Formats);
    bool OleDropText(TPoint P, const AnsiString& Text);   // false when nothing landed
    bool OleDropRTF(TPoint P, const AnsiString& RTF);
    void OleDropCol(TPoint P, Integer Column);
    void OleDropFiles(TPoint P, const std::vector<AnsiString>& Files);
    bool PendingDragPress(TGridCoord C, Integer X);
    bool PendingDragMove(TShiftState Shift, Integer X, Integer Y);
    void PendingDragRelease(TShiftState Shift);
    std::unique_ptr<TTimer> FDragScrollTimer;     // while a drag is near an edge
    TDragScrollDirection FDragScrollDirs;         // the edges of the last drag event
    void DragScrollOver(Integer X, Integer Y);
    void DragScrollStop() override;
    void DragScrollTick();
    void PaintColumnDragImage(TBitmap& Image, Integer Column);
    bool ColumnNumber(Integer ACol, Integer ARow, bool Hidden, Double& Value);
    // Sum, minimum and maximum of the data rows of a range; returns the rows counted.
    Integer ColumnStats(Integer ACol, Integer FromRow, Integer ToRow, Double& Sum, Double& Min, Double& Max);
    enum TColumnStat { csSum, csAvg, csMin, csMax };
    Double ColumnStat(Integer ACol, Integer FromRow, Integer ToRow, TColumnStat Which);
    // A colour of a cell's properties set through Set, and the cell repainted.
    void SetCellColour(Integer ACol, Integer ARow, void (TCellProperties::*Set)(TColor), TColor Value);

    // mouse state (ExtGridMouse.cpp)
    TPoint FPressPoint;
    TGridCoord FPressCell{-1, -1};
    TGridCoord FPressedButton{-1, -1};
    TGridCoord FFormButtonCell{-1, -1};   // cell of a BUTTON form control held down
    TPoint FFormButtonPoint;              // where it was pressed
    bool FPaintingFormButton = false;     // the cell painted now shows that button down
    bool FStretching = false;             // StretchColumn is changing a width
    TTimer* FGridTimer = nullptr;
    Integer FTicks = 0;
    Integer FLookupTick = 0;              // tick of the last incremental lookup key
    bool FBlinkOn = true;
    bool FHovering = false;
    bool FEnableBlink = false;
    void StartGridTimer();
    void ReleaseFormButton();
    void PutFormControl(TWinControl* Ctl, const TRect& R);   // over the control's rectangle R
    Integer FSelectStartRow = -1;
    Integer FSelectStartCol = -1;
    bool FMoveAsked = false;
    bool FMovedOrSized = false;
    bool FDblClickSized = false;
    bool FSelectionResizing = false;
    TGridRect FResizeOrigin;
    AnsiString FHoverAnchor;
    Integer FFixedSizeCol = -1;   // fixed column (row) whose edge is under the mouse or being dragged
    Integer FFixedSizeRow = -1;
    bool FFixedSizing = false;
    Integer FSizingCol = -1;   // scrollable column (row) being sized by the mouse, and its size then
    Integer FSizingRow = -1;
    Integer FSizingStart = 0;
    void MouseSizingStarted();
    // A column sizing let go right of the grid, or a row sizing below it, is undone.
    bool CancelSizingOutside(Integer X, Integer Y);
    void ScaleOtherSizes(bool Columns, Integer Sized, Integer Start);
    // An open editor control back over the current cell after sizes changed.
    void PlaceEditorControl();
    bool FHintShowSizing = false;
    bool FHintShowCells = false;
    bool FHintShowLargeText = false;
    bool FHTMLHint = false;
    TGridCoord FHintCell{-1, -1};
    THTMLHintWindow* HintWindowOn(TWinControl* Host);
    void ShowHintAt(Integer X, Integer Y, Integer MaxWidth, const AnsiString& Hint,
                    const WideString& Wide = WideString());
    void HideCellHint();
    THTMLHintWindow* FHintWindow = nullptr;   // owned as a component, made on first use
    TEdit* FFixedEdit = nullptr;              // owned as a component, made on first use
    TEsgUniEdit* FFixedUniEdit = nullptr;     // over letters outside the code page; the same
    TCustomEdit* FFixedOpen = nullptr;        // the one open
    TGridCoord FFixedEditCell{-1, -1};
    void HookFixedEditor(TCustomEdit* Ed);
    TGridCoord FPressedHeader{-1, -1};   // fixed cell drawn sunken (FixedAsButtons) until the release
    TGridCoord FHoverCell{-1, -1};       // fixed cell under the mouse
    TPopupButton* FMoveButton = nullptr;  // the moved header under the mouse (EnhRowColMove); owned as a component
    TArrowWindow* FMoveArrows[4] = {};    // up, down, right, left; owned as components
    void HoverFixedCell(Integer X, Integer Y);
    void ShowMoveVisuals(Integer X, Integer Y);
    void HideMoveVisuals();
    void ReleasePressedHeader();
    void DrawPressedHeader(TCanvas* ACanvas, TRect Rc);
protected:
    void MouseLeft() override;
    bool HintRequested(Integer X, Integer Y) override;
private:
    bool FixedEdgeAt(Integer X, Integer Y, Integer& ACol, Integer& ARow);
    void FixedSizingMove(Integer X, Integer Y);
    void FixedSizingEnd(Integer X, Integer Y);
    void ShowSizingHint(Integer X, Integer Y);
    void HideSizingHint();
    bool FixedEditWanted(TMouseButton Button, TGridFixedCellEdit Trigger, Integer X, Integer Y);
    void OpenFixedCellEditor(Integer ACol, Integer ARow);
    void CloseFixedCellEditor(bool Store);
    void PlaceCaretAt(Integer X, Integer Y);
    bool LeftPress(TShiftState Shift, Integer X, Integer Y);
    void RightPress(TShiftState Shift, Integer X, Integer Y);
    void DisjunctCellRelease(TShiftState Shift, Integer X, Integer Y);
    // A row or column moved with the drag cursor: the right button does nothing meanwhile.
    bool EnhancedMoveRunning() const;
    TPopupMenu* FHeldPopup = nullptr;   // the grid's menu, held back while such a move runs
    void ReturnHeldPopup();
    bool ButtonRelease(Integer X, Integer Y);
    void HeaderRelease(TShiftState Shift, Integer X, Integer Y);
    bool CellAnchorAt(Integer ACol, Integer ARow, Integer X, Integer Y, AnsiString& Anchor);
    // What of a cell's HTML text lies at (X, Y): an anchor ("ctrl" for a form control)
    // and the control's rectangle, ID, value and type.
    struct THTMLHit {
        AnsiString Anchor, CtlID, CtlValue, CtlType, Title;
        TRect CtlRect;
    };
    bool CellHTMLHit(Integer ACol, Integer ARow, Integer X, Integer Y, THTMLHit& Hit);
    friend class TControlEdit;
    friend class TControlCombo;
    friend class TGridTransEdit;
    template <class> friend class TFormControlEditor;
    TControlEdit* FControlEdit = nullptr;
    TGridTransEdit* FTransEdit = nullptr;
    TControlCombo* FControlCombo = nullptr;
    TGridCoord FCtrlCell{-1, -1};   // column and real row of the open control editor's cell
    TGridCoord FCheckedCell{-1, -1};   // column and real row of the cell being checked
    TPoint CheckedCellNow() const;   // where it shows now; (-1, -1) when gone or hidden
    // The cells followed through rows and columns inserted, removed or moved; -1 once gone.
    std::array<TGridCoord*, 2> FollowedCells() { return {&FCtrlCell, &FCheckedCell}; }
    AnsiString FCtrlID, FCtrlType, FCtrlValue;
    bool OnSelectionHandle(Integer X, Integer Y) const;
    bool FPendingClick = false;
    bool FMergePressOnCurrent = false;   // a press on a covered part of the current merged cell
    // 0 none, 1 over a column header, 2 over a row header, 3 over the top-left cell,
    // 5 over the selection's resize handle (each with its MouseActions select option)
    Integer FCursorState = 0;
    Integer CursorStateAt(Integer X, Integer Y);
    TCursor MouseCursorAt(TShiftState Shift, Integer X, Integer Y, bool Anchor);
    bool FGridMode = false;
    bool FModePress = false;   // the left button went down in the grid's mode: its release is ignored too
    TCursor RestingCursor() const { return FGridMode ? crGridMode : FOldCursor; }
    void Click() override;
    // focus (ExtGridFocus.cpp)
    bool FFocusFromEditor = false;   // the focus is passing from the text editor back to the grid
    bool FEntering = false;          // the entry's check of the current cell is running
    // The focus comes from the grid itself or one of its own editors.
    bool FocusFromWithin() const;
    // Entering from another control: the current cell is selected again (a pending
    // value is validated) and its edit begins.
    void EnterGrid();
    void FocusReceived(bool ByMouse, bool FromWithin);
    void DataCellPressed(Integer X, Integer Y);
    Integer RadioItemAt(Integer ACol, Integer ARow, Integer X, Integer Y);
    AnsiString FLookupText;   // typed so far by the incremental lookup
    TRichEdit* FRichCell = nullptr;   // hidden, made for the first rich-text cell; owned as a component
    void IncrementalLookup(char Key);
    // The first row up to LastRow whose sort-column text begins with Text, letters
    // compared by their Turkish case; -1 when none.
    Integer RowBeginningWith(const AnsiString& Text, Integer LastRow);
    std::vector<TRect> RadioLayout(TCanvas* ACanvas, const TRect& R, TStrings* Items, bool Vertical);
    TRect PlaceCellGraphic(const TRect& Rc, TCellGraphic* G, Integer W, Integer H, TAlignment TextHAlign,
                           TVAlignment TextVAlign, Integer TextWidth);
    void DrawRotatedText(TCanvas* ACanvas, const TRect& Rc, const AnsiString& Text, Integer Angle, TAlignment HAlign,
                         TVAlignment VAlign);
    void DrawNodeGlyph(TCanvas* ACanvas, Integer ACol, Integer ARow, const TRect& Rc, TCellGraphic* G);
    void DrawTreeLines(TCanvas* ACanvas, Integer ARow, const TRect& Rc);
    TGridRect HilightArea(bool All) const;
    TCellGraphic* NodeGraphic(Integer ARow);
    THTMLImageList* FGridImages = nullptr;   // read through GridImages()
    TAliveGuard FGridImagesAlive{nullptr};
    TPictureContainer* FPictureContainer = nullptr;
    std::shared_ptr<THTMLPictureCache> FPictureCache;   // made with the first picture container
};

// The version of a library file from its version resource (major in the high, minor
// in the low 16 bits); -1 for a file without one or that cannot be read.
Integer GetFileVersion(const AnsiString& FileName);
