// The option objects of the advanced grid: their copies (Assign) and the writers that reach the grid.
#include "grid/ExtGrid.h"

#include <algorithm>
#include <cmath>

namespace {

TGridOptionsHost* Host(TExtStringGrid* G) { return G; }
void RepaintGrid(TExtStringGrid* G) {
    if (G) G->Invalidate();
}
}  // namespace

// --- TCellNode --------------------------------------------------------------
TCellNode::TCellNode(TExtStringGrid* AGrid)
    : FGrid(AGrid), FExpandGlyph(std::make_unique<TBitmap>()), FContractGlyph(std::make_unique<TBitmap>()) {}

TCellNode::~TCellNode() = default;

void TCellNode::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TCellNode*>(Source);
    if (!S) return TPersistent::Assign(Source);
    SetColor(S->Color());
    SetExpandOne(S->ExpandOne());
    FNodeType = S->FNodeType;
    SetNodeColor(S->NodeColor());
    FNodeIndent = S->FNodeIndent;
    FExpandGlyph->Assign(S->FExpandGlyph.get());
    FContractGlyph->Assign(S->FContractGlyph.get());
    FShowTree = S->FShowTree;
    FShowTreeFull = S->FShowTreeFull;
    FTreeColor = S->FTreeColor;
    RepaintGrid(FGrid);   // as the setters do
}

void TCellNode::SetNodeType(TNodeType Value) {
    if (FNodeType == Value) return;
    FNodeType = Value;
    RepaintGrid(FGrid);
}

void TCellNode::SetShowTree(bool Value) {
    if (FShowTree == Value) return;
    FShowTree = Value;
    RepaintGrid(FGrid);
}

void TCellNode::SetShowTreeFull(bool Value) {
    if (FShowTreeFull == Value) return;
    FShowTreeFull = Value;
    RepaintGrid(FGrid);
}

void TCellNode::SetTreeColor(TColor Value) {
    if (FTreeColor == Value) return;
    FTreeColor = Value;
    RepaintGrid(FGrid);
}

void TCellNode::SetNodeIndent(Integer Value) {
    if (FNodeIndent == Value) return;
    FNodeIndent = Value;
    RepaintGrid(FGrid);
}

void TCellNode::SetExpandGlyph(TBitmap* Value) { FExpandGlyph->Assign(Value); }
void TCellNode::SetContractGlyph(TBitmap* Value) { FContractGlyph->Assign(Value); }

// --- TSizeWhileTyping -------------------------------------------------------
void TSizeWhileTyping::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TSizeWhileTyping*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FHeight = S->FHeight;
    FWidth = S->FWidth;
}

// --- TMouseActions ----------------------------------------------------------
bool TMouseActions::Designing() const { return FGrid && FGrid->ComponentState().Contains(csDesigning); }

void TMouseActions::SetHotmailRowSelect(bool Value) {
    FHotmailRowSelect = Value;
    RepaintGrid(FGrid);
}

void TMouseActions::SetDisjunctRowSelect(bool Value) {
    FDisjunctRowSelect = Value;
    if (Value && Designing()) FDisjunctColSelect = FDisjunctCellSelect = false;
}

void TMouseActions::SetDisjunctColSelect(bool Value) {
    FDisjunctColSelect = Value;
    if (Value && Designing()) FDisjunctRowSelect = FDisjunctCellSelect = false;
}

void TMouseActions::SetDisjunctCellSelect(bool Value) {
    FDisjunctCellSelect = Value;
    if (Value && Designing()) FDisjunctRowSelect = FDisjunctColSelect = false;
}

void TMouseActions::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TMouseActions*>(Source);
    if (!S) return TPersistent::Assign(Source);
#define EXTGRID_COPY(T, N, D) F##N = S->F##N;
    EXTGRID_MOUSE_OPTIONS(EXTGRID_COPY)
#undef EXTGRID_COPY
    FHotmailRowSelect = S->FHotmailRowSelect;
    FDisjunctRowSelect = S->FDisjunctRowSelect;
    FDisjunctColSelect = S->FDisjunctColSelect;
    FDisjunctCellSelect = S->FDisjunctCellSelect;
    RepaintGrid(FGrid);
}

// --- TColumnSize ------------------------------------------------------------
void TColumnSize::SetStretch(bool Value) {
    FStretch = Value;
    if (Value && FGrid && FGrid->HasParent() && FGrid->ColCount() > 0)
        FGrid->StretchColumn(std::clamp(FStretchColumn, -1, FGrid->ColCount() - 1));
    RepaintGrid(FGrid);
}

void TColumnSize::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TColumnSize*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FSave = S->FSave;
    FKey = S->FKey;
    FSection = S->FSection;
    FStretchColumn = S->FStretchColumn;
    FSynchWithGrid = S->FSynchWithGrid;
    FLocation = S->FLocation;
    SetStretch(S->FStretch);   // a stretch copied stretches the column
}

// --- TNavigation ------------------------------------------------------------
void TNavigation::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TNavigation*>(Source);
    if (!S) return TPersistent::Assign(Source);
#define EXTGRID_COPY(T, N, D) F##N = S->F##N;
    EXTGRID_NAVIGATION_OPTIONS(EXTGRID_COPY)
#undef EXTGRID_COPY
}

// --- THTMLSettings ----------------------------------------------------------
THTMLSettings::THTMLSettings() : FColWidths(std::make_unique<TList>()) {}
THTMLSettings::~THTMLSettings() = default;

void THTMLSettings::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<THTMLSettings*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FBorderSize = S->FBorderSize;
    FCellSpacing = S->FCellSpacing;
    FCellPadding = S->FCellPadding;
    FFooterFile = S->FFooterFile;
    FHeaderFile = S->FHeaderFile;
    FTableStyle = S->FTableStyle;
    FPrefixTag = S->FPrefixTag;
    FSuffixTag = S->FSuffixTag;
    FWidth = S->FWidth;
    FXHTML = S->FXHTML;
}

// --- TPrintSettings ---------------------------------------------------------
TPrintSettings::TPrintSettings(TExtStringGrid* AGrid)
    : FGrid(AGrid), FFont(std::make_unique<TFont>()), FHeaderFont(std::make_unique<TFont>()),
      FFooterFont(std::make_unique<TFont>()), FFixedFont(std::make_unique<TFont>()),
      FTitleLines(std::make_unique<TStringList>()) {}

TPrintSettings::~TPrintSettings() = default;

void TPrintSettings::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TPrintSettings*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FTime = S->FTime;
    FDate = S->FDate;
    FPageNr = S->FPageNr;
    FPageNumSep = S->FPageNumSep;
    FDateFormat = S->FDateFormat;
    FTitle = S->FTitle;
    FFont->Assign(S->FFont.get());
    FHeaderFont->Assign(S->FHeaderFont.get());
    FFooterFont->Assign(S->FFooterFont.get());
    FFixedFont->Assign(S->FFixedFont.get());
    FBorders = S->FBorders;
    FBorderStyle = S->FBorderStyle;
    FTitleText = S->FTitleText;
    FTitleLines->Assign(S->FTitleLines.get());
    FCentered = S->FCentered;
    FRepeatFixedRows = S->FRepeatFixedRows;
    FRepeatFixedCols = S->FRepeatFixedCols;
    FFooterSize = S->FFooterSize;
    FHeaderSize = S->FHeaderSize;
    FLeftSize = S->FLeftSize;
    FRightSize = S->FRightSize;
    FColumnSpacing = S->FColumnSpacing;
    FRowSpacing = S->FRowSpacing;
    FTitleSpacing = S->FTitleSpacing;
    FOrientation = S->FOrientation;
    FPagePrefix = S->FPagePrefix;
    FPageSuffix = S->FPageSuffix;
    FFixedHeight = S->FFixedHeight;
    FUseFixedHeight = S->FUseFixedHeight;
    FFixedWidth = S->FFixedWidth;
    FUseFixedWidth = S->FUseFixedWidth;
    FFitToPage = S->FFitToPage;
    FNoAutoSize = S->FNoAutoSize;
    FPrintGraphics = S->FPrintGraphics;
    FJobName = S->FJobName;
    FNoAutoSizeRow = S->FNoAutoSizeRow;
    FPageNumberOffset = S->FPageNumberOffset;
    FMaxPagesOffset = S->FMaxPagesOffset;
    FUseDisplayFont = S->FUseDisplayFont;
    FUseDefaultOrientation = S->FUseDefaultOrientation;
}

// --- TControlLook -----------------------------------------------------------
void TControlLook::SetFixedGradientFrom(TColor Value) {
    FFixedGradientFrom = Value;
    if (Value != clNone && FGrid) FGrid->SetFixedGradient(ColorToRGB(Value), FGrid->GradientTo());
}

void TControlLook::SetFixedGradientTo(TColor Value) {
    FFixedGradientTo = Value;
    if (Value != clNone && FGrid) FGrid->SetFixedGradient(FGrid->GradientFrom(), ColorToRGB(Value));
}

void TControlLook::Changed() { RepaintGrid(FGrid); }

void TControlLook::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TControlLook*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FControlStyle = S->FControlStyle;
    FCheckSize = S->FCheckSize;
    FRadioSize = S->FRadioSize;
    FColor = S->FColor;
    FCommentColor = S->FCommentColor;
    FProgressBorderColor = S->FProgressBorderColor;
    FProgressMarginX = S->FProgressMarginX;
    FProgressMarginY = S->FProgressMarginY;
    FCheckAlwaysActive = S->FCheckAlwaysActive;
    FRadioAlwaysActive = S->FRadioAlwaysActive;
    for (int I = 0; I < 4; ++I) FGlyphs[I]->Assign(S->FGlyphs[I].get());
    // The button and disabled looks and the fixed-cell gradient stay the receiver's own.
    Changed();
}

// --- TFilter ----------------------------------------------------------------
void TFilterData::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TFilterData*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FColumn = S->FColumn;
    FCondition = S->FCondition;
    FCaseSensitive = S->FCaseSensitive;
    FPrefix = S->FPrefix;
    FSuffix = S->FSuffix;
    FOperation = S->FOperation;
    FData = S->FData;
}

TFilter::TFilter() : TCollection([](TCollection* C) -> TCollectionItem* { return new TFilterData(C); }) {}

// --- TBands -------------------------------------------------------------------
void TBands::Changed() {
    if (FGrid) FGrid->Invalidate();
}

void TBands::SetActive(bool Value) {
    FActive = Value;
    Changed();
}

void TBands::SetPrimaryColor(TColor Value) {
    FPrimaryColor = Value;
    if (FActive) Changed();
}

void TBands::SetSecondaryColor(TColor Value) {
    FSecondaryColor = Value;
    if (FActive) Changed();
}

void TBands::SetPrimaryLength(Integer Value) {
    FPrimaryLength = Value;
    FBandLength = FPrimaryLength + FSecondaryLength;
    if (FActive) Changed();
}

void TBands::SetSecondaryLength(Integer Value) {
    FSecondaryLength = Value;
    FBandLength = FPrimaryLength + FSecondaryLength;
    if (FActive) Changed();
}

void TBands::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TBands*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FActive = S->FActive;
    FPrint = S->FPrint;
    FPrimaryColor = S->FPrimaryColor;
    FPrimaryLength = S->FPrimaryLength;
    FSecondaryColor = S->FSecondaryColor;
    FSecondaryLength = S->FSecondaryLength;
    FBandLength = S->FBandLength;
    Changed();
}

// --- TBackGround --------------------------------------------------------------
TBackGround::TBackGround(TExtStringGrid* AGrid) : FGrid(AGrid), FBitmap(std::make_unique<TBitmap>()) {}
TBackGround::~TBackGround() = default;

void TBackGround::Changed() {
    if (FGrid) FGrid->Invalidate();
}

void TBackGround::SetTop(Integer Value) { FTop = Value; Changed(); }
void TBackGround::SetLeft(Integer Value) { FLeft = Value; Changed(); }
void TBackGround::SetDisplay(TBackGroundDisplay Value) { FDisplay = Value; Changed(); }
void TBackGround::SetCells(TBackGroundCells Value) { FCells = Value; Changed(); }
void TBackGround::SetColor(TColor Value) { FColor = Value; Changed(); }
void TBackGround::SetColorTo(TColor Value) { FColorTo = Value; Changed(); }

void TBackGround::SetBitmap(TBitmap* Value) {
    if (Value) FBitmap->Assign(Value);
    else FBitmap = std::make_unique<TBitmap>();
    Changed();
}

void TBackGround::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TBackGround*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FTop = S->FTop;
    FLeft = S->FLeft;
    FDisplay = S->FDisplay;
    FCells = S->FCells;
    FColor = S->FColor;
    FColorTo = S->FColorTo;
    FBitmap->Assign(S->FBitmap.get());
    Changed();
}

// --- TSortSettings -----------------------------------------------------------------
TSortSettings::TSortSettings(TExtStringGrid* AGrid)
    : FGrid(AGrid),
      FUpGlyph(std::make_unique<TBitmap>()),
      FDownGlyph(std::make_unique<TBitmap>()),
      FIndexUpGlyph(std::make_unique<TBitmap>()),
      FIndexDownGlyph(std::make_unique<TBitmap>()) {}

TSortSettings::~TSortSettings() = default;

// The sort row passes the setter's check before anything is taken: a refused copy changes nothing.
void TSortSettings::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TSortSettings*>(Source);
    if (!S) return TPersistent::Assign(Source);
    CheckRow(S->FRow);
    Take(S);
}

void TSortSettings::Take(const TSortSettings* S) {
    FShow = S->FShow;
    FIndexShow = S->FIndexShow;
    FRow = S->FRow;
    FColumn = S->FColumn;
    FDirection = S->FDirection;
    FInitSortDirection = S->FInitSortDirection;
    FFixedCols = S->FFixedCols;
    FFull = S->FFull;
    FAutoFormat = S->FAutoFormat;
    FAutoSortForGrouping = S->FAutoSortForGrouping;
    FIndexColor = S->FIndexColor;
    FIgnoreBlanks = S->FIgnoreBlanks;
    FBlankPos = S->FBlankPos;
    FNormalCellsOnly = S->FNormalCellsOnly;
    FSingleColumn = S->FSingleColumn;
    FUndoSort = S->FUndoSort;
    FAutoColumnMerge = S->FAutoColumnMerge;
    FUpGlyph->Assign(S->FUpGlyph.get());
    FDownGlyph->Assign(S->FDownGlyph.get());
    FIndexUpGlyph->Assign(S->FIndexUpGlyph.get());
    FIndexDownGlyph->Assign(S->FIndexDownGlyph.get());
}

void TSortSettings::CheckRow(Integer Value) const {
    if (Value < 0 || (FGrid && Value >= FGrid->FixedRows()))
        throw EExtGridError("Sort row should be smaller than number of fixed rows");
}

void TSortSettings::SetRow(Integer Value) {
    CheckRow(Value);
    FRow = Value;
}

// Fewer fixed rows later leave the row a data row: it sorts and shows the glyph no more.
bool TSortSettings::IsSortRow(Integer ARow) const {
    return ARow == FRow && (!FGrid || ARow < FGrid->FixedRows());
}

// --- TShowModified -----------------------------------------------------------------
void TShowModified::SetEnabled(bool Value) {
    FEnabled = Value;
    if (OnChange) FireEvent(OnChange, this);
}

void TShowModified::SetColor(TColor Value) {
    FColor = Value;
    if (OnChange) FireEvent(OnChange, this);
}

void TShowModified::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TShowModified*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FEnabled = S->FEnabled;
    FColor = S->FColor;
    if (OnChange) FireEvent(OnChange, this);
}

// --- floating footer ------------------------------------------------------------------------
void TFloatingFooter::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TFloatingFooter*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FCalculateHiddenRows = S->FCalculateHiddenRows;
    FColor = S->FColor;
    FColumn = S->FColumn;
    FCustomTemplate = S->FCustomTemplate;
    FFooterStyle = S->FFooterStyle;
    SetShowHint(S->FShowHint);   // the panel shows its hints by it
    SetVisible(S->FVisible);
}

void TFloatingFooter::Changed() {
    const bool LastRow = FVisible && FFooterStyle == fsFixedLastRow;
    FGrid->SetFixedFooters(LastRow ? 1 : 0);
    Host(FGrid)->ShowFooterRow(LastRow);
    Host(FGrid)->PlaceFooterPanel();
    FGrid->FooterPanel()->Invalidate();
    FGrid->Invalidate();
}

void TFloatingFooter::SetVisible(bool Value) {
    FVisible = Value;
    Changed();
}

void TFloatingFooter::SetFooterStyle(TFooterStyle Value) {
    FFooterStyle = Value;
    Changed();
}

void TFloatingFooter::SetColor(TColor Value) {
    FColor = Value;
    FGrid->FooterPanel()->Invalidate();
}

void TFloatingFooter::SetColumn(Integer Value) {
    FColumn = Value;
    FGrid->FooterPanel()->Invalidate();
}

void TFloatingFooter::SetCustomTemplate(const AnsiString& Value) {
    FCustomTemplate = Value;
    FGrid->FooterPanel()->Invalidate();
}

void TFloatingFooter::SetFooterHeight(Integer Value) {
    FFooterHeight = std::max(0, Value);
    if (FVisible) Changed();
}

void TFloatingFooter::SetShowHint(bool Value) {
    FShowHint = Value;
    FGrid->FooterPanel()->SetShowHint(Value);
}

// --- small option objects -------------------------------------------------------------------
void TGrouping::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TGrouping*>(Source);
    if (!S) return TPersistent::Assign(Source);
    // Summary, the line widths and the line colours stay as they are.
    FHeaderColor = S->FHeaderColor;
    FHeaderColorTo = S->FHeaderColorTo;
    FHeaderTextColor = S->FHeaderTextColor;
    FHeaderUnderline = S->FHeaderUnderline;
    FMergeHeader = S->FMergeHeader;
    FMergeSummary = S->FMergeSummary;
    FSummaryColor = S->FSummaryColor;
    FSummaryColorTo = S->FSummaryColorTo;
    FSummaryTextColor = S->FSummaryTextColor;
    FSummaryLine = S->FSummaryLine;
    Changed();
}

void TGrouping::Changed() { RepaintGrid(FGrid); }

void TDragDropSettings::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TDragDropSettings*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FOleAcceptText = S->FOleAcceptText;
    FOleAcceptFiles = S->FOleAcceptFiles;
    FOleDropSource = S->FOleDropSource;
    SetOleDropRTF(S->FOleDropRTF);
    FOleEntireRows = S->FOleEntireRows;
    FOleRemoveRows = S->FOleRemoveRows;
    FOleInsertRows = S->FOleInsertRows;
    FOleCopyAlways = S->FOleCopyAlways;
    FOleColumnDragDrop = S->FOleColumnDragDrop;
    SetOleDropTarget(S->FOleDropTarget);
}

void TDragScrollDelays::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TDragScrollDelays*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FInitialDelay = S->FInitialDelay;
    FRepeatDelay = S->FRepeatDelay;
}

void TDragScrollMargins::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TDragScrollMargins*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FTopMargin = S->FTopMargin;
    FBottomMargin = S->FBottomMargin;
    FLeftMargin = S->FLeftMargin;
    FRightMargin = S->FRightMargin;
}

void TDragScrollOptions::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TDragScrollOptions*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FDelays->Assign(S->FDelays.get());
    FMargins->Assign(S->FMargins.get());
    SetActive(S->FActive);
}

void TBalloonSettings::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TBalloonSettings*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FBackgroundColor = S->FBackgroundColor;
    FTextColor = S->FTextColor;
    FInitialDelay = S->FInitialDelay;
    FReshowDelay = S->FReshowDelay;
    FAutoHideDelay = S->FAutoHideDelay;
    SetEnable(S->FEnable);
}

void TBalloonSettings::SetEnable(bool Value) {
    FEnable = Value;
    if (OnEnableChange) FireEvent(OnEnableChange, this);
}

// A change inside the font is a change of the footer: a shown panel takes it.
TSearchFooter::TSearchFooter() : FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this](TObject*) { Changed(); };
}

TSearchFooter::~TSearchFooter() = default;

void TSearchFooter::SetFont(TFont* Value) { FFont->Assign(Value); }

void TSearchFooter::SetVisible(bool Value) {
    FVisible = Value;
    if (OnChange) FireEvent(OnChange, this);
}

void TSearchFooter::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TSearchFooter*>(Source);
    if (!S) return TPersistent::Assign(Source);
    FAutoSearch = S->FAutoSearch;
    FColor = S->FColor;
    FColorTo = S->FColorTo;
    FFindNextCaption = S->FFindNextCaption;
    FFindPrevCaption = S->FFindPrevCaption;
    FFont->Assign(S->FFont.get());
    FHighLightCaption = S->FHighLightCaption;
    FHintClose = S->FHintClose;
    FHintFindNext = S->FHintFindNext;
    FHintFindPrev = S->FHintFindPrev;
    FHintHighlight = S->FHintHighlight;
    FMatchCaseCaption = S->FMatchCaseCaption;
    FSearchActiveColumnOnly = S->FSearchActiveColumnOnly;
    FSearchColumn = S->FSearchColumn;
    FShowClose = S->FShowClose;
    FShowFindNext = S->FShowFindNext;
    FShowFindPrev = S->FShowFindPrev;
    FShowHighLight = S->FShowHighLight;
    FShowMatchCase = S->FShowMatchCase;
    SetVisible(S->FVisible);
}

// --- drag-and-drop and drag-scroll setters that reach the grid ------------------------------
void TDragDropSettings::SetOleDropTarget(bool Value) {
    FOleDropTarget = Value;
    if (FGrid) Host(FGrid)->DropTargetChanged();
}

void TDragDropSettings::SetOleDropRTF(bool Value) {
    FOleDropRTF = Value;
    SetRTFDropEnabled(Value);
}

void TDragScrollOptions::SetActive(bool Value) {
    FActive = Value;
    if (!FGrid) return;
    if (!Value) Host(FGrid)->DragScrollStop();
    Host(FGrid)->UpdateDragAcceptance();
}
