#pragma once
// The panels the grid docks under its cells: the floating footer's and the find bar's.
#include "platform/ui/ExtCtrls.h"

class TExtStringGrid;
class TFooterPanel;

// What the footer panel asks of its grid: the grid paints it and answers its hints.
class TFooterPanelHost {
public:
    virtual void PaintFooterPanel(TFooterPanel* Panel, TCanvas* ACanvas, const TRect& Area) = 0;
    virtual Integer FooterPanelColumnAt(Integer X) const = 0;
    virtual void FooterPanelHint(TFooterPanel* Panel, Integer X, Integer Y) = 0;
protected:
    ~TFooterPanelHost() = default;
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
    TFooterPanelHost* FHost;   // the same grid
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
