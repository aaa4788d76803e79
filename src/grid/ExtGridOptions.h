#pragma once
// The option objects of the advanced grid (TExtStringGrid) and the values its
// settings take; their code is in ExtGridOptions.cpp.
#include "grid/ExtGridEvents.h"
#include "platform/ui/ExtCtrls.h"

#include <memory>

class TExtStringGrid;

// What the option objects ask of their grid besides its public face.
class TGridOptionsHost {
public:
    // DragDropSettings.OleDropTarget changed: the drop target comes or goes.
    virtual void DropTargetChanged() = 0;
    // Drags reach the window while it takes drops or scrolls with them.
    virtual void UpdateDragAcceptance() = 0;
    virtual void DragScrollStop() = 0;
    // Docks the footer panel under the cells (parenting it the first time it shows).
    virtual void PlaceFooterPanel() = 0;
    // The last row is the footer row or not.
    virtual void ShowFooterRow(bool Value) = 0;
protected:
    ~TGridOptionsHost() = default;
};

enum TGridLook { glStandard, glSoft, glClassic, glKezmo, glXP, glListView };
enum TControlStyle { csClassic, csFlat, csWinXP, csVarnel, csKezmo, csGlyph, csTheme };
enum TScrollType { ssNormal, ssFlat, ssEncarta };
enum TNodeType { cnFlat, cn3D, cnGlyph, cnLeaf, cnXP };
enum TPrintBorders {
    pbNoborder, pbSingle, pbDouble, pbVertical, pbHorizontal, pbAround, pbAroundVertical, pbAroundHorizontal, pbCustom
};
enum TCellType {
    ctBitmap, ctIcon, ctNone, ctImageList, ctCheckBox, ctDataCheckBox, ctRotated, ctDataImage, ctNode, ctRadio,
    ctEmpty, ctImages, ctPicture, ctFilePicture, ctValue, ctProgress, ctComment, ctButton, ctBitButton,
    ctVirtCheckBox, ctRowCheckBox, ctProgressPie, ctSummary, ctRangeIndicator
};
// The check-box kinds of cell graphic.
inline bool IsCheckCellType(TCellType T) {
    return T == ctCheckBox || T == ctDataCheckBox || T == ctVirtCheckBox || T == ctRowCheckBox;
}
enum TFilterOperation { foSHORT, foNONE, foAND, foXOR, foOR };
enum TIntelliPan { ipVertical, ipHorizontal, ipBoth, ipNone };
enum TWheelAction { waMoveSelection, waScroll };
enum TGridFixedCellEdit { fceNone, fceDblClick, fceLeftClick, fceRightClick };
enum TScrollBarAlways { saNone, saVert, saHorz, saBoth };
enum TScrollHintType { shNone, shVertical, shHorizontal, shBoth };
enum TColumnSizeLocation { clRegistry, clIniFile };
enum TAdvanceDirection { adLeftRight, adTopBottom };
enum TInsertPosition { pInsertBefore, pInsertAfter };
enum THomeEndAction { heFirstLastColumn, heFirstLastRow };
enum TPrintPosition { ppNone, ppTopLeft, ppTopRight, ppTopCenter, ppBottomLeft, ppBottomRight, ppBottomCenter };
enum TPrintMethod { prPreview, prPrint, prCalcPrint, prCalcPreview };

enum TCellHAlign { haLeft, haRight, haCenter, haBeforeText, haAfterText, haFull };
enum TCellVAlign { vaTop, vaBottom, vaCenter, vaUnderText, vaAboveText, vaFull };
enum TFooterStyle { fsFixedLastRow, fsColumnPreview, fsCustomPreview };

// Plain stored option: getter Name(), setter SetName(v). Left defined for the cell
// graphic in ExtGrid.h, which undefines it.
#define EXTGRID_OPTION(Type, Name, Default)            \
public:                                               \
    Type Name() const { return F##Name; }              \
    void Set##Name(Type Value) { F##Name = Value; }    \
private:                                              \
    Type F##Name = Default;

// Stored option whose writer calls the object's Changed(): the control look repaints
// the grid, a shown find bar takes the new value at once.
#define EXTGRID_CHANGED_OPTION(Type, Name, Default)                   \
public:                                                               \
    Type Name() const { return F##Name; }                             \
    void Set##Name(Type Value) { F##Name = Value; Changed(); }        \
private:                                                              \
    Type F##Name = Default;

class TCellNode : public TPersistent {
public:
    explicit TCellNode(TExtStringGrid* AGrid);
    ~TCellNode() override;
    void Assign(TPersistent* Source) override;
    TNodeType NodeType() const { return FNodeType; }
    void SetNodeType(TNodeType Value);
    bool ShowTree() const { return FShowTree; }
    void SetShowTree(bool Value);
    bool ShowTreeFull() const { return FShowTreeFull; }
    void SetShowTreeFull(bool Value);
    TColor TreeColor() const { return FTreeColor; }
    void SetTreeColor(TColor Value);
    Integer NodeIndent() const { return FNodeIndent; }
    void SetNodeIndent(Integer Value);
    TBitmap* ExpandGlyph() const { return FExpandGlyph.get(); }
    void SetExpandGlyph(TBitmap* Value);
    TBitmap* ContractGlyph() const { return FContractGlyph.get(); }
    void SetContractGlyph(TBitmap* Value);
    EXTGRID_OPTION(TColor, Color, 0xC0C0C0)
    EXTGRID_OPTION(TColor, NodeColor, clBlack)
    EXTGRID_OPTION(bool, ExpandOne, false)
private:
    TExtStringGrid* FGrid;
    TNodeType FNodeType = cnXP;
    bool FShowTree = true;
    bool FShowTreeFull = true;
    TColor FTreeColor = clGray;
    Integer FNodeIndent = 12;
    std::unique_ptr<TBitmap> FExpandGlyph, FContractGlyph;
};

class TSizeWhileTyping : public TPersistent {
    EXTGRID_OPTION(bool, Height, false)
    EXTGRID_OPTION(bool, Width, false)
public:
    void Assign(TPersistent* Source) override;
};

#define EXTGRID_MOUSE_OPTIONS(X) \
    X(bool, ColSelect, false) \
    X(bool, RowSelect, false) \
    X(bool, AllSelect, false) \
    X(bool, DirectEdit, false) \
    X(bool, DirectComboDrop, false) \
    X(bool, DirectDateDrop, false) \
    X(bool, AllColumnSize, false) \
    X(bool, AllRowSize, false) \
    X(bool, CaretPositioning, false) \
    X(bool, SizeFixedCol, false) \
    X(bool, SizeFixedRow, false) \
    X(TGridFixedCellEdit, FixedRowsEdit, fceNone) \
    X(TGridFixedCellEdit, FixedColsEdit, fceNone) \
    X(bool, RangeSelectAndEdit, false) \
    X(bool, NoAutoRangeScroll, false) \
    X(bool, PreciseCheckBoxCheck, false) \
    X(bool, CheckAllCheck, false) \
    X(bool, NodeAllExpandContract, false) \
    X(bool, MoveRowOnNodeClick, false) \
    X(bool, RowSelectPersistent, false) \
    X(bool, SelectOnRightClick, false) \
    X(bool, NoScrollOnPartialRow, false) \
    X(Integer, WheelIncrement, 0) \
    X(TWheelAction, WheelAction, waMoveSelection) \
    X(bool, AutoSizeColOnDblClick, true)

class TMouseActions : public TPersistent {
public:
    explicit TMouseActions(TExtStringGrid* AGrid) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    bool HotmailRowSelect() const { return FHotmailRowSelect; }
    void SetHotmailRowSelect(bool Value);
    bool DisjunctRowSelect() const { return FDisjunctRowSelect; }
    void SetDisjunctRowSelect(bool Value);
    bool DisjunctColSelect() const { return FDisjunctColSelect; }
    void SetDisjunctColSelect(bool Value);
    bool DisjunctCellSelect() const { return FDisjunctCellSelect; }
    void SetDisjunctCellSelect(bool Value);
    EXTGRID_MOUSE_OPTIONS(EXTGRID_OPTION)
private:
    bool Designing() const;
    TExtStringGrid* FGrid;
    bool FHotmailRowSelect = false;
    bool FDisjunctRowSelect = false;
    bool FDisjunctColSelect = false;
    bool FDisjunctCellSelect = false;
};

class TColumnSize : public TPersistent {
public:
    explicit TColumnSize(TExtStringGrid* AGrid) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    EXTGRID_OPTION(bool, Save, false)
    EXTGRID_OPTION(AnsiString, Key, AnsiString())
    EXTGRID_OPTION(AnsiString, Section, AnsiString())
    EXTGRID_OPTION(Integer, StretchColumn, -1)
    EXTGRID_OPTION(bool, SynchWithGrid, false)
    EXTGRID_OPTION(TColumnSizeLocation, Location, clRegistry)
private:
    TExtStringGrid* FGrid;
    bool FStretch = false;
};

#define EXTGRID_NAVIGATION_OPTIONS(X) \
    X(bool, AllowInsertRow, false) \
    X(bool, AllowDeleteRow, false) \
    X(bool, AdvanceOnEnter, false) \
    X(bool, AdvanceInsert, false) \
    X(bool, AutoGotoWhenSorted, false) \
    X(bool, AutoGotoIncremental, false) \
    X(bool, AutoComboDropSize, false) \
    X(bool, AllowClipboardShortCuts, false) \
    X(bool, AllowRTFClipboard, false) \
    X(bool, AllowSmartClipboard, false) \
    X(bool, AllowClipboardAlways, false) \
    X(bool, AllowClipboardColGrow, true) \
    X(bool, AllowClipboardRowGrow, true) \
    X(bool, CopyHTMLTagsToClipboard, true) \
    X(TAdvanceDirection, AdvanceDirection, adLeftRight) \
    X(bool, AdvanceAuto, false) \
    X(bool, CursorWalkEditor, false) \
    X(bool, MoveRowOnSort, false) \
    X(bool, ImproveMaskSel, false) \
    X(bool, AlwaysEdit, false) \
    X(TInsertPosition, InsertPosition, pInsertBefore) \
    X(bool, LineFeedOnEnter, false) \
    X(THomeEndAction, HomeEndKey, heFirstLastColumn) \
    X(bool, KeepHorizScroll, false) \
    X(bool, AllowFmtClipboard, false) \
    X(bool, TabToNextAtEnd, false) \
    X(bool, EditSelectAll, true) \
    X(TAdvanceDirection, TabAdvanceDirection, adLeftRight) \
    X(bool, SkipFixedCells, true) \
    X(bool, AllowCtrlEnter, true) \
    X(bool, AppendOnArrowDown, false)

class TNavigation : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    EXTGRID_NAVIGATION_OPTIONS(EXTGRID_OPTION)
};

class THTMLSettings : public TPersistent {
public:
    THTMLSettings();
    ~THTMLSettings() override;
    void Assign(TPersistent* Source) override;
    TList* ColWidths() const { return FColWidths.get(); }
    EXTGRID_OPTION(bool, AutoPreview, false)
    EXTGRID_OPTION(bool, ConvertSpecialChars, false)
    EXTGRID_OPTION(bool, NonBreakingText, false)
    EXTGRID_OPTION(bool, SaveColor, true)
    EXTGRID_OPTION(bool, SaveFonts, true)
    EXTGRID_OPTION(AnsiString, FooterFile, AnsiString())
    EXTGRID_OPTION(AnsiString, HeaderFile, AnsiString())
    EXTGRID_OPTION(Integer, BorderSize, 1)
    EXTGRID_OPTION(Integer, CellSpacing, 0)
    EXTGRID_OPTION(Integer, CellPadding, 0)
    EXTGRID_OPTION(AnsiString, TableStyle, AnsiString())
    EXTGRID_OPTION(AnsiString, PrefixTag, AnsiString())
    EXTGRID_OPTION(AnsiString, SuffixTag, AnsiString())
    EXTGRID_OPTION(Integer, Width, 100)
    EXTGRID_OPTION(bool, XHTML, false)
private:
    std::unique_ptr<TList> FColWidths;
};

// Stored and copied only; nothing prints.
class TPrintSettings : public TPersistent {
public:
    explicit TPrintSettings(TExtStringGrid* AGrid);
    ~TPrintSettings() override;
    void Assign(TPersistent* Source) override;
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    TFont* HeaderFont() const { return FHeaderFont.get(); }
    void SetHeaderFont(TFont* Value) { FHeaderFont->Assign(Value); }
    TFont* FooterFont() const { return FFooterFont.get(); }
    void SetFooterFont(TFont* Value) { FFooterFont->Assign(Value); }
    TFont* FixedFont() const { return FFixedFont.get(); }
    void SetFixedFont(TFont* Value) { FFixedFont->Assign(Value); }
    TStrings* TitleLines() const { return FTitleLines.get(); }
    void SetTitleLines(TStrings* Value) { FTitleLines->Assign(Value); }
    EXTGRID_OPTION(TPrintPosition, Time, ppNone)
    EXTGRID_OPTION(TPrintPosition, Date, ppNone)
    EXTGRID_OPTION(TPrintPosition, PageNr, ppNone)
    EXTGRID_OPTION(AnsiString, PageNumSep, "/")
    EXTGRID_OPTION(AnsiString, DateFormat, "dd/mm/yyyy")
    EXTGRID_OPTION(TPrintPosition, Title, ppNone)
    EXTGRID_OPTION(TPrintBorders, Borders, pbSingle)
    EXTGRID_OPTION(TPenStyle, BorderStyle, psSolid)
    EXTGRID_OPTION(AnsiString, TitleText, AnsiString())
    EXTGRID_OPTION(bool, Centered, true)
    EXTGRID_OPTION(bool, RepeatFixedRows, false)
    EXTGRID_OPTION(bool, RepeatFixedCols, false)
    EXTGRID_OPTION(Integer, FooterSize, 0)
    EXTGRID_OPTION(Integer, HeaderSize, 0)
    EXTGRID_OPTION(Integer, LeftSize, 0)
    EXTGRID_OPTION(Integer, RightSize, 0)
    EXTGRID_OPTION(Integer, ColumnSpacing, 0)
    EXTGRID_OPTION(Integer, RowSpacing, 0)
    EXTGRID_OPTION(Integer, TitleSpacing, 0)
    EXTGRID_OPTION(Integer, Orientation, 0)
    EXTGRID_OPTION(AnsiString, PagePrefix, AnsiString())
    EXTGRID_OPTION(AnsiString, PageSuffix, AnsiString())
    EXTGRID_OPTION(Integer, FixedHeight, 0)
    EXTGRID_OPTION(bool, UseFixedHeight, false)
    EXTGRID_OPTION(Integer, FixedWidth, 0)
    EXTGRID_OPTION(bool, UseFixedWidth, false)
    EXTGRID_OPTION(bool, FitToPage, false)
    EXTGRID_OPTION(bool, NoAutoSize, false)
    EXTGRID_OPTION(bool, PrintGraphics, false)
    EXTGRID_OPTION(AnsiString, JobName, AnsiString())
    EXTGRID_OPTION(bool, NoAutoSizeRow, false)
    EXTGRID_OPTION(Integer, PageNumberOffset, 0)
    EXTGRID_OPTION(Integer, MaxPagesOffset, 0)
    EXTGRID_OPTION(bool, UseDisplayFont, true)
    EXTGRID_OPTION(bool, UseDefaultOrientation, false)
private:
    TExtStringGrid* FGrid;
    std::unique_ptr<TFont> FFont, FHeaderFont, FFooterFont, FFixedFont;
    std::unique_ptr<TStringList> FTitleLines;
};

// Look of check boxes, buttons and fixed cells; the fixed-cell gradient pair is
// written through FixedGradientFrom / FixedGradientTo.

class TControlLook : public TPersistent {
public:
    explicit TControlLook(TExtStringGrid* AGrid) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    void Changed();
    TColor FixedGradientFrom() const { return FFixedGradientFrom; }
    void SetFixedGradientFrom(TColor Value);
    TColor FixedGradientTo() const { return FFixedGradientTo; }
    void SetFixedGradientTo(TColor Value);
    // Every setting below repaints the grid when written.
    EXTGRID_CHANGED_OPTION(TControlStyle, ControlStyle, csWinXP)
    EXTGRID_CHANGED_OPTION(Integer, CheckSize, 15)
    EXTGRID_CHANGED_OPTION(Integer, RadioSize, 10)
    EXTGRID_CHANGED_OPTION(TColor, Color, clBlack)
    EXTGRID_CHANGED_OPTION(TColor, CommentColor, clRed)
    EXTGRID_CHANGED_OPTION(bool, FlatButton, false)
    EXTGRID_CHANGED_OPTION(bool, DropDownAlwaysVisible, false)
    // cell controls
    EXTGRID_CHANGED_OPTION(TColor, ProgressBorderColor, 0x808080)
    EXTGRID_CHANGED_OPTION(Integer, ProgressMarginX, 2)
    EXTGRID_CHANGED_OPTION(Integer, ProgressMarginY, 2)
    EXTGRID_CHANGED_OPTION(bool, ProgressXP, false)
    EXTGRID_CHANGED_OPTION(bool, NoDisabledCheckRadioLook, false)
    EXTGRID_CHANGED_OPTION(bool, NoDisabledButtonLook, false)
    EXTGRID_CHANGED_OPTION(bool, CheckAlwaysActive, false)
    EXTGRID_CHANGED_OPTION(bool, RadioAlwaysActive, false)
public:
    TBitmap* CheckedGlyph() const { return FGlyphs[0].get(); }
    TBitmap* UnCheckedGlyph() const { return FGlyphs[1].get(); }
    TBitmap* RadioOnGlyph() const { return FGlyphs[2].get(); }
    TBitmap* RadioOffGlyph() const { return FGlyphs[3].get(); }
private:
    std::unique_ptr<TBitmap> FGlyphs[4] = {std::make_unique<TBitmap>(), std::make_unique<TBitmap>(),
                                           std::make_unique<TBitmap>(), std::make_unique<TBitmap>()};
    TExtStringGrid* FGrid;
    TColor FFixedGradientFrom = clNone;
    TColor FFixedGradientTo = clNone;
};

class TFilterData : public TCollectionItem {
public:
    explicit TFilterData(TCollection* Collection) : TCollectionItem(Collection) {}
    void Assign(TPersistent* Source) override;
    EXTGRID_OPTION(Integer, Column, 0)
    EXTGRID_OPTION(AnsiString, Condition, AnsiString())
    EXTGRID_OPTION(bool, CaseSensitive, true)
    EXTGRID_OPTION(AnsiString, Prefix, AnsiString())
    EXTGRID_OPTION(AnsiString, Suffix, AnsiString())
    EXTGRID_OPTION(TFilterOperation, Operation, foNONE)
    EXTGRID_OPTION(bool, Data, false)
};

class TFilter : public TCollection {
public:
    TFilter();
    TFilterData* Add() { return static_cast<TFilterData*>(TCollection::Add()); }
    TFilterData* Items(Integer Index) const { return static_cast<TFilterData*>(TCollection::Items(Index)); }
};


enum TBackGroundDisplay { bdTile, bdFixed, bdGradientHorz, bdGradientVert };
enum TBackGroundCells { bcNormal, bcFixed, bcAll };
enum TSortDirection { sdAscending, sdDescending };
enum TSortBlankPosition { blFirst, blLast };
enum TSortStyle {
    ssAutomatic, ssAlphabetic, ssNumeric, ssDate, ssAlphaNoCase, ssAlphaCase, ssShortDateEU, ssShortDateUS, ssCustom,
    ssFinancial, ssAnsiAlphaCase, ssAnsiAlphaNoCase, ssRaw, ssHTML, ssImages, ssCheckBox, ssUnicode, ssDateTime,
    ssTime, ssAlphaNumeric, ssAlphaNumericNoCase
};

// Two alternating row colours over the data rows.
class TBands : public TPersistent {
public:
    explicit TBands(TExtStringGrid* AGrid) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    bool Print() const { return FPrint; }
    void SetPrint(bool Value) { FPrint = Value; }
    TColor PrimaryColor() const { return FPrimaryColor; }
    void SetPrimaryColor(TColor Value);
    TColor SecondaryColor() const { return FSecondaryColor; }
    void SetSecondaryColor(TColor Value);
    Integer PrimaryLength() const { return FPrimaryLength; }
    void SetPrimaryLength(Integer Value);
    Integer SecondaryLength() const { return FSecondaryLength; }
    void SetSecondaryLength(Integer Value);
    Integer BandLength() const { return FBandLength; }
private:
    void Changed();
    TExtStringGrid* FGrid;
    bool FPrint = false;
    bool FActive = false;
    Integer FBandLength = 2;
    Integer FSecondaryLength = 1;
    Integer FPrimaryLength = 1;
    TColor FSecondaryColor = clWindow;
    TColor FPrimaryColor = clInfoBk;
};

// Picture or gradient behind the cells; every writer repaints the grid.
class TBackGround : public TPersistent {
public:
    explicit TBackGround(TExtStringGrid* AGrid);
    ~TBackGround() override;
    void Assign(TPersistent* Source) override;
    Integer Top() const { return FTop; }
    void SetTop(Integer Value);
    Integer Left() const { return FLeft; }
    void SetLeft(Integer Value);
    TBackGroundDisplay Display() const { return FDisplay; }
    void SetDisplay(TBackGroundDisplay Value);
    TBackGroundCells Cells() const { return FCells; }
    void SetCells(TBackGroundCells Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor Value);
    TBitmap* Bitmap() const { return FBitmap.get(); }
    void SetBitmap(TBitmap* Value);
private:
    void Changed();
    TExtStringGrid* FGrid;
    Integer FTop = 0;
    Integer FLeft = 0;
    TBackGroundDisplay FDisplay = bdTile;
    TBackGroundCells FCells = bcNormal;
    TColor FColorTo = clBtnFace;
    TColor FColor = clWindow;
    std::unique_ptr<TBitmap> FBitmap;
};

// What the header shows of the sort: the column, its direction and glyphs.
class TSortSettings : public TPersistent {
public:
    explicit TSortSettings(TExtStringGrid* AGrid);
    ~TSortSettings() override;
    void Assign(TPersistent* Source) override;
    TBitmap* UpGlyph() const { return FUpGlyph.get(); }
    void SetUpGlyph(TBitmap* Value) { FUpGlyph->Assign(Value); }
    TBitmap* DownGlyph() const { return FDownGlyph.get(); }
    void SetDownGlyph(TBitmap* Value) { FDownGlyph->Assign(Value); }
    TBitmap* IndexUpGlyph() const { return FIndexUpGlyph.get(); }
    void SetIndexUpGlyph(TBitmap* Value) { FIndexUpGlyph->Assign(Value); }
    TBitmap* IndexDownGlyph() const { return FIndexDownGlyph.get(); }
    void SetIndexDownGlyph(TBitmap* Value) { FIndexDownGlyph->Assign(Value); }
    EXTGRID_OPTION(bool, Show, false)
    EXTGRID_OPTION(bool, IndexShow, false)
public:
    // Only a row above the grid's fixed-row count: EExtGridError otherwise.
    Integer Row() const { return FRow; }
    void SetRow(Integer Value);
    // The sort row while it is one of the grid's fixed rows.
    bool IsSortRow(Integer ARow) const;
    EXTGRID_OPTION(bool, IgnoreBlanks, false)
    EXTGRID_OPTION(TSortBlankPosition, BlankPos, blFirst)
    EXTGRID_OPTION(bool, NormalCellsOnly, false)
    EXTGRID_OPTION(bool, SingleColumn, false)
    EXTGRID_OPTION(bool, UndoSort, false)
    EXTGRID_OPTION(bool, AutoColumnMerge, false)
    EXTGRID_OPTION(Integer, Column, 0)
    EXTGRID_OPTION(TSortDirection, Direction, sdAscending)
    EXTGRID_OPTION(TSortDirection, InitSortDirection, sdAscending)
    EXTGRID_OPTION(bool, FixedCols, false)
    EXTGRID_OPTION(bool, Full, true)
    EXTGRID_OPTION(bool, AutoFormat, true)
    EXTGRID_OPTION(bool, AutoSortForGrouping, true)
    EXTGRID_OPTION(TColor, IndexColor, 0x00FFFF)
private:
    friend class TExtStringGrid;   // a whole grid replaced takes the row unchecked
    void CheckRow(Integer Value) const;
    void Take(const TSortSettings* S);
    TExtStringGrid* FGrid;
    Integer FRow = 0;
    std::unique_ptr<TBitmap> FUpGlyph, FDownGlyph, FIndexUpGlyph, FIndexDownGlyph;
};

// The bar that marks rows changed by the user.
class TShowModified : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TNotifyEvent OnChange;
private:
    bool FEnabled = false;
    TColor FColor = 0x00FFFF;
};
// The footer row: the grid's last row kept as a fixed footer, or a panel under the
// grid previewing the current row.
class TFloatingFooter : public TPersistent {
public:
    explicit TFloatingFooter(TExtStringGrid* AGrid) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TFooterStyle FooterStyle() const { return FFooterStyle; }
    void SetFooterStyle(TFooterStyle Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    Integer Column() const { return FColumn; }
    void SetColumn(Integer Value);
    const AnsiString& CustomTemplate() const { return FCustomTemplate; }
    void SetCustomTemplate(const AnsiString& Value);
    Integer FooterHeight() const { return FFooterHeight; }
    void SetFooterHeight(Integer Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);   // passed to the panel
    EXTGRID_OPTION(bool, CalculateHiddenRows, false)
public:
    TCalcFooterEvent OnCalcFooter;
private:
    void Changed();
    TExtStringGrid* FGrid;
    bool FVisible = false;
    TFooterStyle FFooterStyle = fsFixedLastRow;
    TColor FColor = clBtnFace;
    Integer FColumn = 0;
    AnsiString FCustomTemplate;
    Integer FFooterHeight = 21;
    bool FShowHint = false;
};

class TGrouping : public TPersistent {
public:
    explicit TGrouping(TExtStringGrid* AGrid = nullptr) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    // Every setting below repaints the grid when written.
    void Changed();
    EXTGRID_CHANGED_OPTION(TColor, HeaderColor, clNone)
    EXTGRID_CHANGED_OPTION(TColor, HeaderColorTo, clNone)
    EXTGRID_CHANGED_OPTION(TColor, HeaderTextColor, clNone)
    EXTGRID_CHANGED_OPTION(TColor, SummaryColor, clNone)
    EXTGRID_CHANGED_OPTION(TColor, SummaryColorTo, clNone)
    EXTGRID_CHANGED_OPTION(TColor, SummaryTextColor, clNone)
    EXTGRID_CHANGED_OPTION(bool, HeaderUnderline, false)
    EXTGRID_CHANGED_OPTION(bool, SummaryLine, false)
    EXTGRID_CHANGED_OPTION(Integer, HeaderLineWidth, 2)
    EXTGRID_CHANGED_OPTION(Integer, SummaryLineWidth, 2)
    EXTGRID_CHANGED_OPTION(TColor, HeaderLineColor, 0xFF0000)
    EXTGRID_CHANGED_OPTION(TColor, SummaryLineColor, 0xFF0000)
    EXTGRID_CHANGED_OPTION(bool, MergeHeader, false)
    EXTGRID_CHANGED_OPTION(bool, MergeSummary, false)
    EXTGRID_CHANGED_OPTION(bool, Summary, false)
private:
    TExtStringGrid* FGrid;
};

class TDragDropSettings : public TPersistent {
public:
    explicit TDragDropSettings(TExtStringGrid* AGrid = nullptr) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    // True makes the grid take drops, False stops it (ExtGridDragDrop.cpp).
    bool OleDropTarget() const { return FOleDropTarget; }
    void SetOleDropTarget(bool Value);
    // Rich text drops are taken as rich text, in every grid.
    bool OleDropRTF() const { return FOleDropRTF; }
    void SetOleDropRTF(bool Value);
    EXTGRID_OPTION(bool, OleAcceptText, true)
    EXTGRID_OPTION(bool, OleAcceptFiles, true)
    EXTGRID_OPTION(bool, OleDropSource, false)
    EXTGRID_OPTION(bool, OleEntireRows, false)
    EXTGRID_OPTION(bool, OleRemoveRows, false)
    EXTGRID_OPTION(bool, OleInsertRows, false)
    EXTGRID_OPTION(bool, OleCopyAlways, false)
    EXTGRID_OPTION(bool, OleColumnDragDrop, false)
private:
    TExtStringGrid* FGrid;
    bool FOleDropTarget = false;
    bool FOleDropRTF = false;
};

class TDragScrollDelays : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    EXTGRID_OPTION(Integer, InitialDelay, 1000)
    EXTGRID_OPTION(Integer, RepeatDelay, 250)
};

class TDragScrollMargins : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    EXTGRID_OPTION(Integer, TopMargin, 50)
    EXTGRID_OPTION(Integer, BottomMargin, 50)
    EXTGRID_OPTION(Integer, LeftMargin, 50)
    EXTGRID_OPTION(Integer, RightMargin, 50)
};

// Scrolling while something is dragged near the grid's edges (within the margins):
// the first step after InitialDelay, then one every RepeatDelay milliseconds.
class TDragScrollOptions : public TPersistent {
public:
    explicit TDragScrollOptions(TExtStringGrid* AGrid = nullptr) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;
    TDragScrollDelays* Delays() const { return FDelays.get(); }
    TDragScrollMargins* Margins() const { return FMargins.get(); }
    bool Active() const { return FActive; }
    void SetActive(bool Value);   // the grid then takes drags to scroll (ExtGridDragDrop.cpp)
private:
    TExtStringGrid* FGrid;
    bool FActive = false;
    std::unique_ptr<TDragScrollDelays> FDelays = std::make_unique<TDragScrollDelays>();
    std::unique_ptr<TDragScrollMargins> FMargins = std::make_unique<TDragScrollMargins>();
};

class TBalloonSettings : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    bool Enable() const { return FEnable; }
    void SetEnable(bool Value);
    EXTGRID_OPTION(TColor, BackgroundColor, clNone)
    EXTGRID_OPTION(TColor, TextColor, clNone)
    EXTGRID_OPTION(Integer, InitialDelay, -1)
    EXTGRID_OPTION(Integer, ReshowDelay, -1)
    EXTGRID_OPTION(Integer, AutoHideDelay, -1)
    EXTGRID_OPTION(Byte, Transparency, 0)
public:
    TNotifyEvent OnEnableChange;
private:
    bool FEnable = false;
};

// Settings of the find bar; the bar itself is the search panel.
class TSearchFooter : public TPersistent {
public:
    TSearchFooter();
    ~TSearchFooter() override;
    void Assign(TPersistent* Source) override;
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    EXTGRID_CHANGED_OPTION(bool, AutoSearch, true)
    EXTGRID_CHANGED_OPTION(TColor, Color, 0xFFFFFF)
    EXTGRID_CHANGED_OPTION(TColor, ColorTo, clBtnFace)
    EXTGRID_CHANGED_OPTION(AnsiString, FindNextCaption, "Find next")
    EXTGRID_CHANGED_OPTION(AnsiString, FindPrevCaption, "Find previous")
    EXTGRID_CHANGED_OPTION(AnsiString, HighLightCaption, "Highlight")
    EXTGRID_CHANGED_OPTION(AnsiString, HintClose, "Close")
    EXTGRID_CHANGED_OPTION(AnsiString, HintFindNext, "Find next occurence")
    EXTGRID_CHANGED_OPTION(AnsiString, HintFindPrev, "Find previous occurence")
    EXTGRID_CHANGED_OPTION(AnsiString, HintHighlight, "Highlight occurences")
    EXTGRID_CHANGED_OPTION(AnsiString, MatchCaseCaption, "Match case")
    EXTGRID_CHANGED_OPTION(bool, SearchActiveColumnOnly, false)
    EXTGRID_CHANGED_OPTION(Integer, SearchColumn, -1)
    EXTGRID_CHANGED_OPTION(bool, ShowClose, true)
    EXTGRID_CHANGED_OPTION(bool, ShowFindNext, true)
    EXTGRID_CHANGED_OPTION(bool, ShowFindPrev, true)
    EXTGRID_CHANGED_OPTION(bool, ShowHighLight, true)
    EXTGRID_CHANGED_OPTION(bool, ShowMatchCase, true)
public:
    TNotifyEvent OnChange;
private:
    void Changed() {
        if (OnChange) FireEvent(OnChange, this);
    }
    std::unique_ptr<TFont> FFont;
    bool FVisible = false;
};

#undef EXTGRID_CHANGED_OPTION
