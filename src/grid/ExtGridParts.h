#pragma once
// Option objects of TExtStringGrid that other concerns give their behaviour:
// floating footer, grouping, drag-and-drop and drag-scroll settings, balloon and
// search footer; and the placement ranges of a cell graphic.
#include "platform/ui/ExtCtrls.h"

#include <functional>
#include <memory>

class TExtStringGrid;

enum TCellHAlign { haLeft, haRight, haCenter, haBeforeText, haAfterText, haFull };
enum TCellVAlign { vaTop, vaBottom, vaCenter, vaUnderText, vaAboveText, vaFull };
enum TFooterStyle { fsFixedLastRow, fsColumnPreview, fsCustomPreview };

using TCalcFooterEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value)>;
using TFooterPaintEvent = std::function<void(TObject* Sender, Integer Column, TRect Rect, TCanvas* Canvas)>;

#define EXTPART_OPTION(Type, Name, Default)            \
public:                                               \
    Type Name() const { return F##Name; }              \
    void Set##Name(Type Value) { F##Name = Value; }    \
private:                                              \
    Type F##Name = Default;

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
    EXTPART_OPTION(bool, CalculateHiddenRows, false)
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

// The panel docked under the grid's cells that shows the floating footer (height 0
// while hidden); the grid paints it.
class TFooterPanel : public TPanel {
public:
    explicit TFooterPanel(TComponent* AOwner);
    TExtStringGrid* Grid() const { return FGrid; }
    // The column whose hint shows, -1 when none.
    Integer HintColumn() const { return FHintColumn; }
    void SetHintColumn(Integer Value) { FHintColumn = Value; }
    // Takes the footer hint away.
    void CancelHint();
protected:
    void Paint() override;
    void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
    void MouseLeft() override;
    bool HintRequested(Integer X, Integer Y) override;
private:
    TExtStringGrid* FGrid;
    Integer FHintColumn = -1;
};

// The find panel docked under the grid (height 0 until the search footer shows it).
class TSearchPanel : public TPanel {
public:
    explicit TSearchPanel(TComponent* AOwner) : TPanel(AOwner) { SetHeight(0); }
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor Value) { FColorTo = Value; Invalidate(); }
    // Fired by the panel's buttons after the grid's own step.
    TNotifyEvent OnForwardClick, OnBackwardClick, OnHighlightClick, OnExitClick, OnEditChange;
protected:
    // Its colour, or a vertical gradient from it to ColorTo.
    void Paint() override;
private:
    TColor FColorTo = clNone;
};

class TGrouping : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    EXTPART_OPTION(TColor, HeaderColor, clNone)
    EXTPART_OPTION(TColor, HeaderColorTo, clNone)
    EXTPART_OPTION(TColor, HeaderTextColor, clNone)
    EXTPART_OPTION(TColor, SummaryColor, clNone)
    EXTPART_OPTION(TColor, SummaryColorTo, clNone)
    EXTPART_OPTION(TColor, SummaryTextColor, clNone)
    EXTPART_OPTION(bool, HeaderUnderline, false)
    EXTPART_OPTION(bool, SummaryLine, false)
    EXTPART_OPTION(Integer, HeaderLineWidth, 2)
    EXTPART_OPTION(Integer, SummaryLineWidth, 2)
    EXTPART_OPTION(TColor, HeaderLineColor, 0xFF0000)
    EXTPART_OPTION(TColor, SummaryLineColor, 0xFF0000)
    EXTPART_OPTION(bool, MergeHeader, false)
    EXTPART_OPTION(bool, MergeSummary, false)
    EXTPART_OPTION(bool, Summary, false)
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
    EXTPART_OPTION(bool, OleAcceptText, true)
    EXTPART_OPTION(bool, OleAcceptFiles, true)
    EXTPART_OPTION(bool, OleDropSource, false)
    EXTPART_OPTION(bool, OleEntireRows, false)
    EXTPART_OPTION(bool, OleRemoveRows, false)
    EXTPART_OPTION(bool, OleInsertRows, false)
    EXTPART_OPTION(bool, OleCopyAlways, false)
    EXTPART_OPTION(bool, OleColumnDragDrop, false)
private:
    TExtStringGrid* FGrid;
    bool FOleDropTarget = false;
    bool FOleDropRTF = false;
};

class TDragScrollDelays : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    EXTPART_OPTION(Integer, InitialDelay, 1000)
    EXTPART_OPTION(Integer, RepeatDelay, 250)
};

class TDragScrollMargins : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    EXTPART_OPTION(Integer, TopMargin, 50)
    EXTPART_OPTION(Integer, BottomMargin, 50)
    EXTPART_OPTION(Integer, LeftMargin, 50)
    EXTPART_OPTION(Integer, RightMargin, 50)
};

// Edges a drag is near, for drag scrolling.
enum TDragScrollDir { dsdUp, dsdDown, dsdLeft, dsdRight };
using TDragScrollDirection = TSet<TDragScrollDir>;
using TDragScrollEvent = std::function<void(TObject* Sender, Integer TopRow, Integer LeftCol,
                                            TDragScrollDirection& DragScrollDir, bool& CanScroll)>;

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
    EXTPART_OPTION(TColor, BackgroundColor, clNone)
    EXTPART_OPTION(TColor, TextColor, clNone)
    EXTPART_OPTION(Integer, InitialDelay, -1)
    EXTPART_OPTION(Integer, ReshowDelay, -1)
    EXTPART_OPTION(Integer, AutoHideDelay, -1)
    EXTPART_OPTION(Byte, Transparency, 0)
public:
    TNotifyEvent OnEnableChange;
private:
    bool FEnable = false;
};

// Option of the find bar: a shown bar takes the new value at once.
#define EXTPART_FOOTER_OPTION(Type, Name, Default)                 \
public:                                                            \
    Type Name() const { return F##Name; }                          \
    void Set##Name(Type Value) { F##Name = Value; Changed(); }     \
private:                                                           \
    Type F##Name = Default;

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
    EXTPART_FOOTER_OPTION(bool, AutoSearch, true)
    EXTPART_FOOTER_OPTION(TColor, Color, 0xFFFFFF)
    EXTPART_FOOTER_OPTION(TColor, ColorTo, clBtnFace)
    EXTPART_FOOTER_OPTION(AnsiString, FindNextCaption, "Find next")
    EXTPART_FOOTER_OPTION(AnsiString, FindPrevCaption, "Find previous")
    EXTPART_FOOTER_OPTION(AnsiString, HighLightCaption, "Highlight")
    EXTPART_FOOTER_OPTION(AnsiString, HintClose, "Close")
    EXTPART_FOOTER_OPTION(AnsiString, HintFindNext, "Find next occurence")
    EXTPART_FOOTER_OPTION(AnsiString, HintFindPrev, "Find previous occurence")
    EXTPART_FOOTER_OPTION(AnsiString, HintHighlight, "Highlight occurences")
    EXTPART_FOOTER_OPTION(AnsiString, MatchCaseCaption, "Match case")
    EXTPART_FOOTER_OPTION(bool, SearchActiveColumnOnly, false)
    EXTPART_FOOTER_OPTION(Integer, SearchColumn, -1)
    EXTPART_FOOTER_OPTION(bool, ShowClose, true)
    EXTPART_FOOTER_OPTION(bool, ShowFindNext, true)
    EXTPART_FOOTER_OPTION(bool, ShowFindPrev, true)
    EXTPART_FOOTER_OPTION(bool, ShowHighLight, true)
    EXTPART_FOOTER_OPTION(bool, ShowMatchCase, true)
public:
    TNotifyEvent OnChange;
private:
    void Changed() {
        if (OnChange) OnChange(this);
    }
    std::unique_ptr<TFont> FFont;
    bool FVisible = false;
};

#undef EXTPART_FOOTER_OPTION
#undef EXTPART_OPTION
