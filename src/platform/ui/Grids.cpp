#include "platform/ui/Grids.h"

#include "platform/ui/Controls_p.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr Integer SizingMargin = 3;   // pixels either side of a line that start sizing

void TryFocus(TWinControl* C) {
    if (C && C->CanFocus()) C->SetFocus();
}

bool HasFocusIn(const TControl* C) {
    QWidget* F = QApplication::focusWidget();
    return F && C && C->Widget() && (F == C->Widget() || C->Widget()->isAncestorOf(F));
}

TGridRect Normalized(TGridCoord A, TGridCoord B) {
    return TGridRect{std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
}

// A scroll bar whose thumb may keep one size: the style is told of no page then,
// while paging by clicking the track still moves a page. It keeps where the mouse
// was last, for the thumb-tracking notices.
class TGridScrollBar : public QScrollBar {
public:
    TGridScrollBar(Qt::Orientation O, QWidget* Parent) : QScrollBar(O, Parent) {}
    bool FixedThumb = false;
    QPoint MouseGlobal;

protected:
    void initStyleOption(QStyleOptionSlider* Option) const override {
        QScrollBar::initStyleOption(Option);
        if (FixedThumb) Option->pageStep = 0;
    }
    void mousePressEvent(QMouseEvent* E) override {
        MouseGlobal = E->globalPosition().toPoint();
        QScrollBar::mousePressEvent(E);
    }
    void mouseMoveEvent(QMouseEvent* E) override {
        MouseGlobal = E->globalPosition().toPoint();
        QScrollBar::mouseMoveEvent(E);
    }
    void mouseReleaseEvent(QMouseEvent* E) override {
        MouseGlobal = E->globalPosition().toPoint();
        QScrollBar::mouseReleaseEvent(E);
    }
};

}  // namespace

// ---------------------------------------------------------------------------
struct TCustomGrid::TScrollBarsImpl {
    TGridScrollBar* V = nullptr;
    TGridScrollBar* H = nullptr;
    bool ShowV = false;
    bool ShowH = false;
    bool Updating = false;
    Integer Extent = 16;
    Integer StyleExtent = 16;
    TScrollBarLook Look;
};

// ---------------------------------------------------------------------------
TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomEdit(AOwner), FGrid(dynamic_cast<TCustomGrid*>(AOwner)) {
    SetAutoSelect(false);
    if (FLine) FLine->setFrame(false);
    SetVisible(false);
}

TInplaceEdit::TInplaceEdit(TComponent* AOwner, bool MultiLine)
    : TCustomEdit(AOwner, MultiLine), FGrid(dynamic_cast<TCustomGrid*>(AOwner)) {
    SetAutoSelect(false);
    if (FLine) FLine->setFrame(false);
    if (FPlain) {
        FPlain->setFrameStyle(QFrame::NoFrame);
        FPlain->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        FPlain->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        FPlain->document()->setDocumentMargin(2);
    }
    SetVisible(false);
}

void TInplaceEdit::SetLineWrap(bool Wrap) {
    if (FPlain) FPlain->setLineWrapMode(Wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TInplaceEdit::BoundsChanged() {
    if (!FGrid) return;
    TRect R = FGrid->CellRect(FGrid->Col(), FGrid->Row());
    SetBounds(R.Left, R.Top, R.Width(), R.Height());
}

void TInplaceEdit::UpdateContents() {
    if (!FGrid) return;
    const std::shared_ptr<const bool> Alive = AliveToken();   // a new text's handler may free the grid
    SetMaxLength(FGrid->GetEditLimit());
    SetEditMask(FGrid->GetEditMask(FGrid->Col(), FGrid->Row()));
    if (IsAlive(Alive)) SetText(FGrid->GetEditText(FGrid->Col(), FGrid->Row()));
}

void TInplaceEdit::Change() {
    TCustomEdit::Change();
    if (FGrid && FGrid->FEditorMode && !FGrid->FUpdatingEditor) FGrid->UpdateText();
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TCustomEdit::KeyDown(Key, Shift);
    if (!IsAlive(Alive) || !FGrid || Key == 0) return;
    TCustomGrid* G = FGrid;
    switch (Key) {
        case VK_RETURN: {
            const TAliveGuard GridAlive(G);   // OnSetEditText may close the screen
            G->UpdateText();
            if (GridAlive.Gone()) return;
            if (!G->Options().Contains(goAlwaysShowEditor)) G->HideEditor();
            Key = 0;
            return;
        }
        case VK_ESCAPE:
            // Back to the text the cell had when the editor opened.
            G->FUpdatingEditor = true;
            SetText(G->FEditOriginal);
            G->FUpdatingEditor = false;
            G->SetEditText(G->Col(), G->Row(), G->FEditOriginal);
            G->HideEditor();
            Key = 0;
            return;
        case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
            G->KeyDown(Key, Shift);
            Key = 0;
            return;
        case VK_LEFT: case VK_RIGHT:
            // At the edge of the text the caret walks into the next cell when the
            // editor is always shown.
            if (G->Options().Contains(goAlwaysShowEditor) && SelLength() == 0 &&
                ((Key == VK_LEFT && SelStart() == 0) ||
                 (Key == VK_RIGHT && SelStart() == static_cast<Integer>(Text().size())))) {
                G->KeyDown(Key, Shift);
                Key = 0;
            }
            return;
        default:
            return;
    }
}

bool TInplaceEdit::CanTypeChar(char Key) { return !FGrid || FGrid->CanEditAcceptKey(Key); }

bool TInplaceEdit::QtEvent(QEvent* E) {
    if (FGrid && (E->type() == QEvent::KeyPress || E->type() == QEvent::KeyRelease)) {
        auto* K = static_cast<QKeyEvent*>(E);
        if ((K->key() == Qt::Key_Tab || K->key() == Qt::Key_Backtab) &&
            !(K->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && FGrid->Options().Contains(goTabs)) {
            if (E->type() == QEvent::KeyPress) {
                TCustomGrid* G = FGrid;
                Word Key = VK_TAB;
                TShiftState Shift = ShiftOf(K->modifiers());
                if (K->key() == Qt::Key_Backtab) Shift.Include(ssShift);
                GuardedCall(G, [&] {
                    const TAliveGuard GridAlive(G);   // OnSetEditText may close the screen
                    G->UpdateText();
                    if (GridAlive.Alive()) G->KeyDown(Key, Shift);
                });
            }
            return true;
        }
    }
    if (FGrid && E->type() == QEvent::FocusOut && FGrid->FEditorMode) {
        // Focus leaving grid and editor alike ends the edit with the typed text.
        QWidget* To = QApplication::focusWidget();
        TCustomGrid* G = FGrid;
        if (!To || (To != G->Widget() && !FWidget->isAncestorOf(To) && To != FWidget)) {
            const std::shared_ptr<const bool> Alive = G->AliveToken();
            GuardedCall(G, [&] {
                G->UpdateText();
                if (IsAlive(Alive) && !G->Options().Contains(goAlwaysShowEditor)) G->HideEditor();
            });
            if (!IsAlive(Alive)) return true;   // a handler closed the screen
        }
    }
    return TCustomEdit::QtEvent(E);
}

// ---------------------------------------------------------------------------
TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner), FBars(std::make_unique<TScrollBarsImpl>()) {
    FOptions = TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    FColWidths.assign(FColCount, FDefaultColWidth);
    FRowHeights.assign(FRowCount, FDefaultRowHeight);
    SetColor(clWindow);
    SetParentColor(false);
    FBars->V = new TGridScrollBar(Qt::Vertical, FWidget);
    FBars->H = new TGridScrollBar(Qt::Horizontal, FWidget);
    FBars->Extent = FBars->StyleExtent = FWidget->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (QScrollBar* B : {FBars->V, FBars->H}) {
        B->hide();
        B->setFocusPolicy(Qt::NoFocus);
        B->setTracking(false);
    }
    QObject::connect(FBars->V, &QScrollBar::valueChanged, FWidget, [this](int V) {
        if (!FBars->Updating) GuardedCall(this, [&] { MoveTopLeft(FTopLeft.X, V); });
    });
    QObject::connect(FBars->H, &QScrollBar::valueChanged, FWidget, [this](int V) {
        if (!FBars->Updating) GuardedCall(this, [&] { MoveTopLeft(V, FTopLeft.Y); });
    });
    for (TGridScrollBar* B : {FBars->V, FBars->H}) {
        const bool Vertical = B == FBars->V;
        auto Notice = [this, B, Vertical](Integer Code, Integer Pos) {
            const QPoint M = FWidget->mapFromGlobal(B->MouseGlobal);
            GuardedCall(this, [&] { ScrollBarNotice(Vertical, Code, Pos, Point(M.x(), M.y())); });
        };
        QObject::connect(B, &QScrollBar::sliderPressed, FWidget, [B, Notice] { Notice(SB_THUMBTRACK, B->sliderPosition()); });
        QObject::connect(B, &QScrollBar::sliderMoved, FWidget, [Notice](int V) { Notice(SB_THUMBTRACK, V); });
        QObject::connect(B, &QScrollBar::sliderReleased, FWidget, [B, Notice] { Notice(SB_ENDSCROLL, B->sliderPosition()); });
    }
    SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

TRect TCustomGrid::ClientRect() const {
    TRect R = TCustomControl::ClientRect();
    if (FBars->ShowV) R.Right = std::max(R.Left, R.Right - FBars->Extent);
    if (FBars->ShowH) R.Bottom = std::max(R.Top, R.Bottom - FBars->Extent);
    return R;
}

// --- sizes ------------------------------------------------------------------
void TCustomGrid::SetColCount(Integer Value) {
    if (Value < 1) Value = 1;
    if (Value == FColCount) return;
    if (Value <= FFixedCols) FFixedCols = Value - 1;
    const Integer Old = FColCount;
    FColCount = Value;
    FColWidths.resize(Value, FDefaultColWidth);
    SizeChanged(Old, FRowCount);
    SizesChanged();
}

void TCustomGrid::SetRowCount(Integer Value) {
    if (Value < 1) Value = 1;
    if (Value == FRowCount) return;
    if (Value <= FFixedRows) FFixedRows = Value - 1;
    const Integer Old = FRowCount;
    FRowCount = Value;
    FRowHeights.resize(Value, FDefaultRowHeight);
    SizeChanged(FColCount, Old);
    SizesChanged();
}

void TCustomGrid::SetFixedCols(Integer Value) {
    if (Value < 0) throw EInvalidGridOperation("Grid index out of range");
    if (Value >= FColCount) throw EInvalidGridOperation("Fixed column count must be less than column count");
    FFixedCols = Value;
    SizesChanged();
}

void TCustomGrid::SetFixedRows(Integer Value) {
    if (Value < 0) throw EInvalidGridOperation("Grid index out of range");
    if (Value >= FRowCount) throw EInvalidGridOperation("Fixed row count must be less than row count");
    FFixedRows = Value;
    SizesChanged();
}

// Keeps the current cell, the anchor and the scroll position inside the
// scrollable cells after counts or sizes changed.
void TCustomGrid::SizesChanged() {
    auto ClampCoord = [&](TGridCoord& C) {
        C.X = std::clamp(C.X, FFixedCols, FColCount - 1);
        C.Y = std::clamp(C.Y, FFixedRows, FRowCount - 1);
    };
    const TGridCoord OldCurrent = FCurrent;
    ClampCoord(FCurrent);
    ClampCoord(FAnchor);
    ClampCoord(FTopLeft);
    ClampTopLeft();
    if (FEditorMode && !(OldCurrent == FCurrent)) HideEditor();
    UpdateScrollBars();
    if (FEditorMode) PlaceEditor();
    Invalidate();
    LayoutChanged();
}

void TCustomGrid::SetDefaultColWidth(Integer Value) {
    FDefaultColWidth = std::max(0, Value);
    FColWidths.assign(FColCount, FDefaultColWidth);
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(Integer Value) {
    FDefaultRowHeight = std::max(0, Value);
    FRowHeights.assign(FRowCount, FDefaultRowHeight);
    RowHeightsChanged();
}

Integer TCustomGrid::ColWidths(Integer Index) const {
    return Index >= 0 && Index < FColCount ? FColWidths[Index] : FDefaultColWidth;
}

void TCustomGrid::SetColWidths(Integer Index, Integer Value) {
    if (Index < 0 || Index >= FColCount) throw EInvalidGridOperation("Grid index out of range");
    Value = std::max(0, Value);
    if (FColWidths[Index] == Value) return;
    FColWidths[Index] = Value;
    ColWidthsChanged();
}

Integer TCustomGrid::RowHeights(Integer Index) const {
    return Index >= 0 && Index < FRowCount ? FRowHeights[Index] : FDefaultRowHeight;
}

void TCustomGrid::SetRowHeights(Integer Index, Integer Value) {
    if (Index < 0 || Index >= FRowCount) throw EInvalidGridOperation("Grid index out of range");
    Value = std::max(0, Value);
    if (FRowHeights[Index] == Value) return;
    FRowHeights[Index] = Value;
    RowHeightsChanged();
}

void TCustomGrid::ColWidthsChanged() { SizesChanged(); }
void TCustomGrid::RowHeightsChanged() { SizesChanged(); }

void TCustomGrid::SetGridLineWidth(Integer Value) {
    FGridLineWidth = std::max(0, Value);
    SizesChanged();
}

void TCustomGrid::SetFixedColor(TColor Value) {
    FFixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool Value) {
    FDefaultDrawing = Value;
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
    OptionsSetting(Value);
    if (Value == FOptions) return;
    FOptions = Value;
    for (QScrollBar* B : {FBars->V, FBars->H}) B->setTracking(FOptions.Contains(goThumbTracking));
    if (FOptions.Contains(goRowSelect) || !FOptions.Contains(goEditing)) HideEditor();
    if (FOptions.Contains(goAlwaysShowEditor) && FOptions.Contains(goEditing) && HasFocusIn(this)) ShowEditor();
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    UpdateScrollBars();
    Invalidate();
}

// --- geometry ---------------------------------------------------------------
Integer TCustomGrid::FixedWidth() const {
    Integer W = 0;
    for (Integer C = 0; C < FFixedCols; ++C) W += FColWidths[C] + FGridLineWidth;
    return W;
}

Integer TCustomGrid::FixedHeight() const {
    Integer H = 0;
    for (Integer R = 0; R < FFixedRows; ++R) H += FRowHeights[R] + FGridLineWidth;
    return H;
}

// The walk stops at the edge of the client area, so that asking about a cell far
// out of view costs no more than the cells on screen.
Integer TCustomGrid::LineStart(Integer AIndex, Integer ACount, Integer AFixed, Integer AFirst,
                               const std::vector<Integer>& ASizes, Integer AExtent) const {
    if (AIndex < 0 || AIndex >= ACount) return -1;
    Integer P = 0;
    Integer From = 0;
    if (AIndex >= AFixed) {
        if (AIndex < AFirst) return -1;
        for (Integer I = 0; I < AFixed; ++I) P += ASizes[I] + FGridLineWidth;
        From = AFirst;
    }
    for (Integer I = From; I < AIndex && P < AExtent; ++I) P += ASizes[I] + FGridLineWidth;
    return P < AExtent ? P : -1;
}

Integer TCustomGrid::ColX(Integer ACol) const {
    return LineStart(ACol, FColCount, FFixedCols, FTopLeft.X, FColWidths, ClientWidth());
}

Integer TCustomGrid::RowY(Integer ARow) const {
    return LineStart(ARow, FRowCount, FFixedRows, FTopLeft.Y, FRowHeights, ClientHeight());
}

TRect TCustomGrid::CellRect(Integer ACol, Integer ARow) const {
    const Integer X = ColX(ACol), Y = RowY(ARow);
    if (X < 0 || Y < 0) return TRect{};
    return Rect(X, Y, X + FColWidths[ACol], Y + FRowHeights[ARow]);
}

void TCustomGrid::MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow) const {
    TGridCoord C = MouseCoord(X, Y);
    ACol = C.X;
    ARow = C.Y;
}

TGridCoord TCustomGrid::MouseCoord(Integer X, Integer Y) const {
    const TGridCoord None{-1, -1};
    if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return None;
    // A cell's grid line belongs to the cell.
    auto Find = [](Integer P, Integer Fixed, Integer First, Integer Count, const std::vector<Integer>& Sizes,
                   Integer Line) {
        Integer Pos = 0;
        for (Integer I = 0; I < Fixed; ++I) {
            Pos += Sizes[I] + Line;
            if (P < Pos) return I;
        }
        for (Integer I = First; I < Count; ++I) {
            Pos += Sizes[I] + Line;
            if (P < Pos) return I;
        }
        return Integer(-1);
    };
    Integer C = Find(X, FFixedCols, FTopLeft.X, FColCount, FColWidths, FGridLineWidth);
    Integer R = Find(Y, FFixedRows, FTopLeft.Y, FRowCount, FRowHeights, FGridLineWidth);
    if (C < 0 || R < 0) return None;
    return TGridCoord{C, R};
}

Integer TCustomGrid::VisibleColCount() const {
    Integer X = FixedWidth(), N = 0;
    for (Integer C = FTopLeft.X; C < FColCount; ++C) {
        if (X + FColWidths[C] > ClientWidth()) break;
        X += FColWidths[C] + FGridLineWidth;
        ++N;
    }
    return N;
}

Integer TCustomGrid::VisibleRowCount() const {
    Integer Y = FixedHeight(), N = 0;
    for (Integer R = FTopLeft.Y; R < FRowCount; ++R) {
        if (Y + FRowHeights[R] > ClientHeight()) break;
        Y += FRowHeights[R] + FGridLineWidth;
        ++N;
    }
    return N;
}

// The first index, not below ALow, from which the cells up to ALast fit into
// AExtent pixels (ALast itself when even it does not fit). Walks back from ALast
// only as far as the cells fit.
Integer TCustomGrid::FirstToFit(Integer ALast, Integer ALow, const std::vector<Integer>& ASizes,
                                Integer AExtent) const {
    Integer I = ALast;
    Integer Used = ASizes[I];
    while (I > ALow && Used + ASizes[I - 1] + FGridLineWidth <= AExtent) {
        --I;
        Used += ASizes[I] + FGridLineWidth;
    }
    return I;
}

// The furthest LeftCol that still fills the client area with the last columns.
Integer TCustomGrid::MaxLeftCol() const {
    return std::max(FirstToFit(FColCount - 1, FFixedCols, FColWidths, ClientWidth() - FixedWidth()), FFixedCols);
}

Integer TCustomGrid::MaxTopRow() const {
    const Integer Last = std::clamp(LastScrollRow(), FFixedRows, FRowCount - 1);
    return std::max(FirstToFit(Last, FFixedRows, FRowHeights, ClientHeight() - FixedHeight()), FFixedRows);
}

void TCustomGrid::ClampTopLeft() {
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopRow()));
}

// --- scrolling --------------------------------------------------------------
void TCustomGrid::MoveTopLeft(Integer ALeft, Integer ATop) {
    const TGridCoord Old = FTopLeft;
    FTopLeft = TGridCoord{ALeft, ATop};
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, FColCount - 1);
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, FRowCount - 1);
    ClampTopLeft();
    if (FTopLeft == Old) return;
    UpdateScrollBars();
    if (FEditorMode) PlaceEditor();
    Invalidate();
    TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
    FireEvent(OnTopLeftChanged, this);
}

void TCustomGrid::SetTopRow(Integer Value) { MoveTopLeft(FTopLeft.X, Value); }
void TCustomGrid::SetLeftCol(Integer Value) { MoveTopLeft(Value, FTopLeft.Y); }

// The view moves just far enough for the cell to show whole (or to start the view
// when it is larger than the client area).
void TCustomGrid::ScrollIntoView(Integer ACol, Integer ARow) {
    Integer L = FTopLeft.X, T = FTopLeft.Y;
    if (ACol >= FFixedCols)
        L = ACol < L ? ACol : FirstToFit(ACol, std::min(L, ACol), FColWidths, ClientWidth() - FixedWidth());
    if (ARow >= FFixedRows)
        T = ARow < T ? ARow : FirstToFit(ARow, std::min(T, ARow), FRowHeights, ClientHeight() - FixedHeight());
    MoveTopLeft(L, T);
}

void TCustomGrid::UpdateScrollBars() {
    if (!FBars || !FBars->V) return;
    const bool AllowV = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const bool AllowH = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    // Showing one bar narrows the client area and may call for the other.
    FBars->ShowV = FBars->ShowH = false;
    bool NeedV = false, NeedH = false;
    for (int Pass = 0; Pass < 3; ++Pass) {
        NeedV = AllowV && MaxTopRow() > FFixedRows;
        NeedH = AllowH && MaxLeftCol() > FFixedCols;
        const bool ShowV = NeedV || (AllowV && FBars->Look.KeepVert);
        const bool ShowH = NeedH || (AllowH && FBars->Look.KeepHorz);
        if (ShowV == FBars->ShowV && ShowH == FBars->ShowH) break;
        FBars->ShowV = ShowV;
        FBars->ShowH = ShowH;
    }
    FBars->Updating = true;
    const Integer W = TCustomControl::ClientRect().Width(), H = TCustomControl::ClientRect().Height();
    const Integer E = FBars->Extent;
    if (FBars->ShowV) {
        FBars->V->setGeometry(W - E, 0, E, H - (FBars->ShowH ? E : 0));
        FBars->V->setRange(FFixedRows, MaxTopRow());
        FBars->V->setPageStep(std::max<Integer>(1, VisibleRowCount()));
        FBars->V->setValue(FTopLeft.Y);
        FBars->V->setEnabled(NeedV);
        FBars->V->show();
    } else {
        FBars->V->hide();
    }
    if (FBars->ShowH) {
        FBars->H->setGeometry(0, H - E, W - (FBars->ShowV ? E : 0), E);
        FBars->H->setRange(FFixedCols, MaxLeftCol());
        FBars->H->setPageStep(std::max<Integer>(1, VisibleColCount()));
        FBars->H->setValue(FTopLeft.X);
        FBars->H->setEnabled(NeedH);
        FBars->H->show();
    } else {
        FBars->H->hide();
    }
    FBars->Updating = false;
}

void TCustomGrid::RefitView() {
    ClampTopLeft();
    UpdateScrollBars();
    ClampTopLeft();
    if (FEditorMode) PlaceEditor();
    LayoutChanged();
}

void TCustomGrid::Resize() {
    RefitView();
    TCustomControl::Resize();
}

void TCustomGrid::SetScrollBarLook(const TScrollBarLook& Value) {
    if (Value == FBars->Look) return;
    FBars->Look = Value;
    FBars->Extent = Value.Extent > 0 ? Value.Extent : FBars->StyleExtent;
    QString Sheet;
    const QString Back = Value.Color == clNone ? QStringLiteral("palette(button)") : ToQColor(Value.Color).name();
    if (Value.Flat && !Value.Encarta) {
        // No arrows and no bevels: a plain thumb on a plain track.
        Sheet = QStringLiteral("QScrollBar { background: %1; border: none; margin: 0; }"
                               "QScrollBar::handle { background: palette(mid); border: none; min-width: 8px; "
                               "min-height: 8px; }"
                               "QScrollBar::add-line, QScrollBar::sub-line { border: none; width: 0; height: 0; }"
                               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                    .arg(Back);
    } else if (Value.Flat) {
        // Flat arrow buttons at the ends and a framed flat thumb; the parts under the
        // mouse light up.
        const int E = std::max<Integer>(1, Value.Extent > 0 ? Value.Extent : FBars->StyleExtent);
        Sheet = QStringLiteral("QScrollBar { background: %1; border: none; margin: %2px; }"
                               "QScrollBar:horizontal { margin: 0 %2px 0 %2px; }"
                               "QScrollBar:vertical { margin: %2px 0 %2px 0; }"
                               "QScrollBar::handle { background: palette(button); border: 1px solid palette(dark); "
                               "min-width: 8px; min-height: 8px; }"
                               "QScrollBar::handle:hover { background: palette(light); }"
                               "QScrollBar::add-line, QScrollBar::sub-line { background: palette(button); "
                               "border: 1px solid palette(dark); width: %2px; height: %2px; }"
                               "QScrollBar::add-line:hover, QScrollBar::sub-line:hover { background: palette(light); }"
                               "QScrollBar::add-line:horizontal { subcontrol-position: right; subcontrol-origin: margin; }"
                               "QScrollBar::sub-line:horizontal { subcontrol-position: left; subcontrol-origin: margin; }"
                               "QScrollBar::add-line:vertical { subcontrol-position: bottom; subcontrol-origin: margin; }"
                               "QScrollBar::sub-line:vertical { subcontrol-position: top; subcontrol-origin: margin; }"
                               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                    .arg(Back)
                    .arg(E);
    }
    for (TGridScrollBar* B : {FBars->V, FBars->H}) {
        B->FixedThumb = Value.FixedThumb;
        B->setStyleSheet(Sheet);
        B->update();
    }
    RefitView();
    Invalidate();
}

// --- current cell and selection --------------------------------------------
TGridRect TCustomGrid::Selection() const {
    TGridRect R = FOptions.Contains(goRangeSelect) || FOptions.Contains(goRowSelect)
                      ? Normalized(FAnchor, FCurrent)
                      : TGridRect{FCurrent.X, FCurrent.Y, FCurrent.X, FCurrent.Y};
    if (FOptions.Contains(goRowSelect) || (FWholeRows && FOptions.Contains(goRangeSelect))) {
        R.Left = FFixedCols;
        R.Right = FColCount - 1;
        return R;
    }
    // A corner on a block of cells shown as one takes the block in whole.
    for (const TGridCoord& C : {FAnchor, FCurrent}) {
        if (C.X < 0 || C.Y < 0 || C.X >= FColCount || C.Y >= FRowCount || !R.Contains(C.X, C.Y)) continue;
        const TGridRect B = CellBlock(C.X, C.Y);
        R.Left = std::min(R.Left, std::max(B.Left, 0));
        R.Top = std::min(R.Top, std::max(B.Top, 0));
        R.Right = std::max(R.Right, std::min(B.Right, FColCount - 1));
        R.Bottom = std::max(R.Bottom, std::min(B.Bottom, FRowCount - 1));
    }
    return R;
}

void TCustomGrid::SetSelection(TGridRect Value) {
    auto In = [&](Integer V, Integer Lo, Integer Hi) { return std::clamp(V, Lo, Hi); };
    TGridRect R{In(std::min(Value.Left, Value.Right), FFixedCols, FColCount - 1),
                In(std::min(Value.Top, Value.Bottom), FFixedRows, FRowCount - 1),
                In(std::max(Value.Left, Value.Right), FFixedCols, FColCount - 1),
                In(std::max(Value.Top, Value.Bottom), FFixedRows, FRowCount - 1)};
    const TGridRect Old = Selection();
    FWholeRows = false;
    // The anchor is the top-left corner, the current cell the bottom-right one.
    FAnchor = TGridCoord{R.Left, R.Top};
    MoveCurrent(R.Right, R.Bottom, false, true);
    if (!FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
    InvalidateSelection(Old);
    InvalidateSelection(Selection());
}

void TCustomGrid::SelectWholeRows(Integer AFromRow) {
    if (!FOptions.Contains(goRangeSelect)) return;
    const TGridRect Old = Selection();
    FAnchor = TGridCoord{FCurrent.X, std::clamp(AFromRow, FFixedRows, FRowCount - 1)};
    FWholeRows = true;
    InvalidateSelection(Old);
    InvalidateSelection(Selection());
}

void TCustomGrid::SetCol(Integer Value) { FocusCell(Value, FCurrent.Y, true); }
void TCustomGrid::SetRow(Integer Value) { FocusCell(FCurrent.X, Value, true); }

void TCustomGrid::FocusCell(Integer ACol, Integer ARow, bool MoveAnchor) {
    MoveCurrent(ACol, ARow, MoveAnchor, true);
}

void TCustomGrid::MoveCurrent(Integer ACol, Integer ARow, bool MoveAnchor, bool Show) {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        throw EInvalidGridOperation("Grid index out of range");
    // Fixed cells never become current.
    ACol = std::max(ACol, FFixedCols);
    ARow = std::max(ARow, FFixedRows);
    const TGridRect OldSel = Selection();
    const bool Moves = !(TGridCoord{ACol, ARow} == FCurrent);
    if (Moves) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (!SelectCell(ACol, ARow)) return;
        if (!IsAlive(Alive)) return;
        if (FEditorMode) {
            UpdateText();
            if (IsAlive(Alive) && !FOptions.Contains(goAlwaysShowEditor)) HideEditor();
            if (!IsAlive(Alive)) return;
        }
    }
    InvalidateCell(FCurrent.X, FCurrent.Y);
    FCurrent = TGridCoord{ACol, ARow};
    FWholeRows = false;
    if (MoveAnchor || !(FOptions.Contains(goRangeSelect))) FAnchor = FCurrent;
    if (Show) ScrollIntoView(ACol, ARow);
    InvalidateSelection(OldSel);
    InvalidateSelection(Selection());
    if (Moves && FEditorMode) {
        FEditOriginal = GetEditText(FCurrent.X, FCurrent.Y);
        if (!FillEditor()) return;
        PlaceEditor();
        FInplaceEdit->InitialSelection();
    }
}

void TCustomGrid::InvalidateSelection(const TGridRect& R) {
    // Only the indexes that can be on screen: the fixed ones and those from the
    // top-left on, one past the wholly visible ones.
    auto OnScreen = [](Integer Lo, Integer Hi, Integer Fixed, Integer First, Integer Shown, Integer Count) {
        std::vector<Integer> V;
        for (Integer I = std::max(Lo, 0); I <= Hi && I < Fixed; ++I) V.push_back(I);
        for (Integer I = std::max(Lo, First); I <= Hi && I <= First + Shown && I < Count; ++I) V.push_back(I);
        return V;
    };
    const std::vector<Integer> Rows = OnScreen(R.Top, R.Bottom, FFixedRows, FTopLeft.Y, VisibleRowCount(), FRowCount);
    const std::vector<Integer> Cols = OnScreen(R.Left, R.Right, FFixedCols, FTopLeft.X, VisibleColCount(), FColCount);
    TRect Box{};
    bool Any = false;
    for (Integer Rw : Rows) {
        for (Integer C : Cols) {
            TRect Cell = CellRect(C, Rw);
            if (Cell.IsEmpty()) continue;
            if (!Any) Box = Cell;
            Box.Left = std::min(Box.Left, Cell.Left);
            Box.Top = std::min(Box.Top, Cell.Top);
            Box.Right = std::max(Box.Right, Cell.Right);
            Box.Bottom = std::max(Box.Bottom, Cell.Bottom);
            Any = true;
        }
    }
    if (Any && FWidget) FWidget->update(ToQRect(Rect(Box.Left, Box.Top, Box.Right + FGridLineWidth, Box.Bottom + FGridLineWidth)));
}

// --- repainting -------------------------------------------------------------
void TCustomGrid::InvalidateCell(Integer ACol, Integer ARow) {
    TRect R = CellRect(ACol, ARow);
    if (R.IsEmpty() || !FWidget) return;
    FWidget->update(ToQRect(Rect(R.Left, R.Top, R.Right + FGridLineWidth, R.Bottom + FGridLineWidth)));
}

void TCustomGrid::InvalidateRow(Integer ARow) {
    const Integer Y = RowY(ARow);
    if (Y < 0 || !FWidget) return;
    FWidget->update(ToQRect(Rect(0, Y, ClientWidth(), Y + FRowHeights[ARow] + FGridLineWidth)));
}

void TCustomGrid::InvalidateCol(Integer ACol) {
    const Integer X = ColX(ACol);
    if (X < 0 || !FWidget) return;
    FWidget->update(ToQRect(Rect(X, 0, X + FColWidths[ACol] + FGridLineWidth, ClientHeight())));
}

void TCustomGrid::Paint() {
    TCanvas* Cv = Canvas();
    const TRect Client = ClientRect();
    Cv->Brush()->SetStyle(bsSolid);
    Cv->Brush()->SetColor(Color());
    Cv->FillRect(Client);
    const bool GridFocused = HasFocusIn(this);
    const TGridRect Sel = Selection();
    auto PaintCell = [&](Integer C, Integer R) {
        const TRect Cell = Rect(ColX(C), RowY(R), ColX(C) + FColWidths[C], RowY(R) + FRowHeights[R]);
        const bool Fixed = C < FFixedCols || R < FFixedRows;
        TGridDrawState State;
        if (Fixed) State.Include(gdFixed);
        if (!Fixed && Sel.Contains(C, R)) State.Include(gdSelected);
        if (GridFocused && C == FCurrent.X && R == FCurrent.Y) State.Include(gdFocused);
        // Grid lines: right of and below the cell.
        const bool VLine = Fixed ? FOptions.Contains(goFixedVertLine) : FOptions.Contains(goVertLine);
        const bool HLine = Fixed ? FOptions.Contains(goFixedHorzLine) : FOptions.Contains(goHorzLine);
        if (FGridLineWidth > 0) {
            Cv->Brush()->SetColor(Fixed ? clBlack : clSilver);
            if (VLine) Cv->FillRect(Rect(Cell.Right, Cell.Top, Cell.Right + FGridLineWidth, Cell.Bottom + FGridLineWidth));
            if (HLine) Cv->FillRect(Rect(Cell.Left, Cell.Bottom, Cell.Right + FGridLineWidth, Cell.Bottom + FGridLineWidth));
        }
        if (FEditorMode && State.Contains(gdFocused) && FInplaceEdit && FInplaceEdit->Visible()) return;
        const bool Highlight = State.Contains(gdSelected) &&
                               (!State.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                                FOptions.Contains(goRowSelect));
        Cv->Font()->Assign(Font());
        if (FDefaultDrawing) {
            Cv->Brush()->SetColor(Fixed ? FFixedColor : Highlight ? clHighlight : Color());
            if (Highlight) Cv->Font()->SetColor(clHighlightText);
            Cv->FillRect(Cell);
        }
        // A cell partly out of view ends at the client area, never under the scroll bars.
        TRect Shown;
        IntersectRect(Shown, Cell, TCustomGrid::ClientRect());
        Cv->SetClipRect(Shown);
        DrawCell(C, R, Cell, State);
        Cv->ResetClip();
        if (FDefaultDrawing && State.Contains(gdFocused) && !FOptions.Contains(goRowSelect) && !Fixed)
            Cv->DrawFocusRect(Cell);
    };
    auto Rows = [&](auto&& Fn) {
        for (Integer R = 0; R < FFixedRows; ++R) Fn(R);
        for (Integer R = FTopLeft.Y; R < FRowCount && RowY(R) >= 0; ++R) Fn(R);
    };
    Rows([&](Integer R) {
        for (Integer C = 0; C < FFixedCols; ++C) PaintCell(C, R);
        for (Integer C = FTopLeft.X; C < FColCount && ColX(C) >= 0; ++C) PaintCell(C, R);
    });
}

// --- editing ----------------------------------------------------------------
bool TCustomGrid::CanEditShow() {
    return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FCurrent.X >= FFixedCols &&
           FCurrent.Y >= FFixedRows && FWidget != nullptr;
}

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

void TCustomGrid::EnsureEditor() {
    if (FInplaceEdit) return;
    FInplaceEdit = CreateEditor();
    FInplaceEdit->FGrid = this;
    FInplaceEdit->SetParent(this);
    FInplaceEdit->SetVisible(false);
}

void TCustomGrid::RecreateEditor() {
    if (FEditorMode || !FInplaceEdit) return;
    TInplaceEdit* E = FInplaceEdit;
    FInplaceEdit = nullptr;
    delete E;
}

void TCustomGrid::PlaceEditor() {
    if (!FInplaceEdit) return;
    TRect R = CellRect(FCurrent.X, FCurrent.Y);
    if (R.IsEmpty()) {
        FInplaceEdit->SetVisible(false);
        return;
    }
    FInplaceEdit->BoundsChanged();
    if (FEditorMode) FInplaceEdit->SetVisible(true);
}

void TCustomGrid::SetEditorMode(bool Value) {
    if (Value) ShowEditor();
    else HideEditor();
}

void TCustomGrid::ShowEditor() {
    if (FEditorMode) return;
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (!CanEditShow() || !IsAlive(Alive)) return;
    ScrollIntoView(FCurrent.X, FCurrent.Y);
    EnsureEditor();
    FEditOriginal = GetEditText(FCurrent.X, FCurrent.Y);
    if (!FillEditor()) return;
    FEditorMode = true;
    PlaceEditor();
    FInplaceEdit->SetVisible(true);
    FInplaceEdit->InitialSelection();
    if (HasFocusIn(this) || (GetParentForm(this) && GetParentForm(this)->Showing())) TryFocus(FInplaceEdit);
    InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::ShowEditorChar(char Ch) {
    ShowEditor();
    if (!FEditorMode || !FInplaceEdit) return;
    // The key replaces the text; Backspace empties it.
    if (FInplaceEdit->IsMasked()) {
        FInplaceEdit->SetText(AnsiString());
        FInplaceEdit->SetSelStart(0);
        if (Ch != 8) FInplaceEdit->PasteMasked(AnsiString(1, Ch));
        return;
    }
    FInplaceEdit->SetText(Ch == 8 ? AnsiString() : AnsiString(1, Ch));
    FInplaceEdit->SetSelStart(static_cast<Integer>(FInplaceEdit->Text().size()));
}

void TCustomGrid::HideEditor() {
    if (!FEditorMode) return;
    const TAliveGuard Alive(this);   // OnSetEditText may close the screen
    UpdateText();
    if (Alive.Gone()) return;
    FEditorMode = false;
    if (FInplaceEdit) {
        // The grid takes the focus before the editor goes: a hidden focused widget
        // would hand it to the next control of the form, whose OnEnter would fire.
        if (HasFocusIn(FInplaceEdit)) TryFocus(this);
        FInplaceEdit->SetVisible(false);
    }
    InvalidateCell(FCurrent.X, FCurrent.Y);
    EditorHidden();
}

void TCustomGrid::InvalidateEditor() {
    if (!FEditorMode || !FInplaceEdit || !FillEditor()) return;
    PlaceEditor();
}

// The editor takes the current cell's text: false when a change handler closed the screen.
bool TCustomGrid::FillEditor() {
    const std::shared_ptr<const bool> Alive = AliveToken();
    FUpdatingEditor = true;
    FInplaceEdit->UpdateContents();
    if (!IsAlive(Alive)) return false;
    FUpdatingEditor = false;
    return true;
}

void TCustomGrid::UpdateText() {
    if (FEditorMode && FInplaceEdit) SetEditText(FCurrent.X, FCurrent.Y, FInplaceEdit->Text());
}

// --- keys -------------------------------------------------------------------
bool TCustomGrid::QtEvent(QEvent* E) {
    if (E->type() == QEvent::KeyPress || E->type() == QEvent::KeyRelease) {
        auto* K = static_cast<QKeyEvent*>(E);
        QWidget* FW = QApplication::focusWidget();
        const bool Ours = !FW || ControlOfWidget(FW) == this;
        if (Ours && (K->key() == Qt::Key_Tab || K->key() == Qt::Key_Backtab) &&
            !(K->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && FOptions.Contains(goTabs)) {
            if (E->type() == QEvent::KeyPress) {
                Word Key = VK_TAB;
                TShiftState Shift = ShiftOf(K->modifiers());
                if (K->key() == Qt::Key_Backtab) Shift.Include(ssShift);
                GuardedCall(this, [&] { KeyDown(Key, Shift); });
            }
            return true;
        }
    }
    if (E->type() == QEvent::Wheel) {
        auto* W = static_cast<QWheelEvent*>(E);
        const QPoint P = W->position().toPoint();
        const TShiftState Shift = ShiftOf(W->modifiers(), W->buttons());
        GuardedCall(this, [&] {
            if (W->angleDelta().y() < 0) DoMouseWheelDown(Shift, Point(P.x(), P.y()));
            else if (W->angleDelta().y() > 0) DoMouseWheelUp(Shift, Point(P.x(), P.y()));
        });
        return true;
    }
    return TCustomControl::QtEvent(E);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    if (FCurrent.Y < LastMovableRow()) FocusCell(FCurrent.X, FCurrent.Y + 1, true);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    if (FCurrent.Y > FFixedRows) FocusCell(FCurrent.X, FCurrent.Y - 1, true);
    return true;
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TCustomControl::KeyDown(Key, Shift);
    if (!IsAlive(Alive) || Key == 0) return;
    switch (Key) {
        case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT:
        case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
            MoveCellWithKey(Key, Shift);
            break;
        case VK_TAB:
            if (FOptions.Contains(goTabs) && !Shift.Contains(ssAlt)) TabStep(Shift.Contains(ssShift));
            break;
        case VK_F2:
            if (FOptions.Contains(goEditing)) ShowEditor();
            break;
        default:
            break;
    }
}

void TCustomGrid::MoveCellWithKey(Word Key, TShiftState Shift) {
    const bool Extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect) && !FOptions.Contains(goRowSelect);
    const bool Ctrl = Shift.Contains(ssCtrl);
    const bool RowSel = FOptions.Contains(goRowSelect);
    TGridCoord N = FCurrent;
    TGridCoord TL = FTopLeft;
    const Integer PageRows = std::max<Integer>(1, VisibleRowCount());
    switch (Key) {
        case VK_UP: if (Ctrl) TL.Y--; else N.Y--; break;
        case VK_DOWN: if (Ctrl) TL.Y++; else N.Y++; break;
        case VK_LEFT:
            if (RowSel || Ctrl) TL.X--;
            else N.X--;
            break;
        case VK_RIGHT:
            if (RowSel || Ctrl) TL.X++;
            else N.X++;
            break;
        case VK_PRIOR: N.Y -= PageRows; TL.Y -= PageRows; break;
        case VK_NEXT: N.Y += PageRows; TL.Y += PageRows; break;
        case VK_HOME:
            if (RowSel || Ctrl) N.Y = FFixedRows;
            if (!RowSel) N.X = FFixedCols;
            break;
        case VK_END:
            if (RowSel || Ctrl) N.Y = LastMovableRow();
            if (!RowSel) N.X = LastMovableCol();
            break;
        default: return;
    }
    N.X = std::clamp(N.X, FFixedCols, std::max(FFixedCols, LastMovableCol()));
    N.Y = std::clamp(N.Y, FFixedRows, std::max(FFixedRows, LastMovableRow()));
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (!(TL == FTopLeft) && (Key == VK_PRIOR || Key == VK_NEXT || Ctrl || RowSel)) MoveTopLeft(TL.X, TL.Y);
    if (IsAlive(Alive) && !(N == FCurrent)) MoveCurrent(N.X, N.Y, !Extend, true);
}

void TCustomGrid::TabStep(bool Backward) {
    TGridCoord N = FCurrent;
    const Integer LastCol = std::max(FFixedCols, LastMovableCol()), LastRow = std::max(FFixedRows, LastMovableRow());
    if (Backward) {
        if (--N.X < FFixedCols) {
            N.X = LastCol;
            if (--N.Y < FFixedRows) N.Y = LastRow;
        }
    } else if (++N.X > LastCol) {
        N.X = FFixedCols;
        if (++N.Y > LastRow) N.Y = FFixedRows;
    }
    MoveCurrent(N.X, N.Y, true, true);
}

void TCustomGrid::KeyPress(char& Key) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TCustomControl::KeyPress(Key);
    if (!IsAlive(Alive) || Key == 0 || !FOptions.Contains(goEditing)) return;
    const unsigned char U = static_cast<unsigned char>(Key);
    if (Key == 13) {
        if (FEditorMode) HideEditor();
        else ShowEditor();
        Key = 0;
    } else if ((U >= 32 || U == 8) && !FEditorMode && CanEditAcceptKey(Key)) {
        ShowEditorChar(Key);
        if (FEditorMode) Key = 0;
    }
}

void TCustomGrid::KeyUp(Word& Key, TShiftState Shift) { TCustomControl::KeyUp(Key, Shift); }

// --- mouse ------------------------------------------------------------------
void TCustomGrid::CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                                  Integer& SizingOfs) {
    State = gsNormal;
    Index = -1;
    // Column lines are sized from the fixed rows, row lines from the fixed columns.
    if (FOptions.Contains(goColSizing) && Y < FixedHeight()) {
        auto Edge = [&](Integer C) { Integer L = ColX(C); return L < 0 ? -1 : L + FColWidths[C]; };
        auto Try = [&](Integer C) {
            const Integer E = Edge(C);
            if (E >= 0 && X >= E - SizingMargin && X <= E + FGridLineWidth + SizingMargin) {
                State = gsColSizing;
                Index = C;
                SizingPos = E;
                SizingOfs = X - E;
                return true;
            }
            return false;
        };
        for (Integer C = 0; C < FFixedCols; ++C) if (Try(C)) return;
        for (Integer C = FTopLeft.X; C < FColCount && ColX(C) >= 0; ++C) if (Try(C)) return;
    }
    if (FOptions.Contains(goRowSizing) && X < FixedWidth()) {
        auto Edge = [&](Integer R) { Integer T = RowY(R); return T < 0 ? -1 : T + FRowHeights[R]; };
        auto Try = [&](Integer R) {
            const Integer E = Edge(R);
            if (E >= 0 && Y >= E - SizingMargin && Y <= E + FGridLineWidth + SizingMargin) {
                State = gsRowSizing;
                Index = R;
                SizingPos = E;
                SizingOfs = Y - E;
                return true;
            }
            return false;
        };
        for (Integer R = 0; R < FFixedRows; ++R) if (Try(R)) return;
        for (Integer R = FTopLeft.Y; R < FRowCount && RowY(R) >= 0; ++R) if (Try(R)) return;
    }
}

void TCustomGrid::CancelMove() {
    if (FGridState == gsColMoving || FGridState == gsRowMoving) {
        FGridState = gsNormal;
        FMoveIndex = FMovePos = -1;
    }
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    FClickOnCurrent = false;
    if (Button == mbLeft) {
        // The second press of a double click whose handler took the focus to
        // another window (a dialog) leaves it there, and no editor opens.
        if (Shift.Contains(ssDouble) && !HasFocusIn(this)) {
            TCustomControl::MouseDown(Button, Shift, X, Y);
            return;
        }
        if (!HasFocusIn(this)) TryFocus(this);
        if (!IsAlive(Alive)) return;
        TGridState S = gsNormal;
        Integer Index = -1, Pos = 0, Ofs = 0;
        CalcSizingState(X, Y, S, Index, Pos, Ofs);   // may ask a handler, which may free the grid
        if (!IsAlive(Alive)) return;
        if (S != gsNormal) {
            if (FEditorMode) HideEditor();
            FGridState = S;
            FMoveIndex = Index;
            FSizingPos = Pos;
            FSizingOfs = Ofs;
        } else {
            const TGridCoord C = MouseCoord(X, Y);
            if (C.X >= 0 && C.Y >= 0) {
                if (C.Y < FFixedRows && C.X >= FFixedCols && FOptions.Contains(goColMoving)) {
                    if (FEditorMode) HideEditor();
                    FGridState = gsColMoving;
                    FMoveIndex = FMovePos = C.X;
                } else if (C.X < FFixedCols && C.Y >= FFixedRows && FOptions.Contains(goRowMoving)) {
                    if (FEditorMode) HideEditor();
                    FGridState = gsRowMoving;
                    FMoveIndex = FMovePos = C.Y;
                } else if (C.X >= FFixedCols && C.Y >= FFixedRows) {
                    FClickOnCurrent = C == FCurrent && !Shift.Contains(ssShift);
                    const bool Extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
                    MoveCurrent(C.X, C.Y, !Extend, true);
                    if (!IsAlive(Alive)) return;
                    if (FOptions.Contains(goRangeSelect) || FOptions.Contains(goRowSelect)) FGridState = gsSelecting;
                    if (Shift.Contains(ssDouble) && FOptions.Contains(goEditing)) FClickOnCurrent = true;
                }
            }
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, Integer X, Integer Y) {
    switch (FGridState) {
        case gsSelecting: {
            TGridCoord C = MouseCoord(X, Y);
            if (C.X < 0 || C.Y < 0) {
                // Past the last cell the selection follows the nearest one.
                C.X = X >= ClientWidth() ? FColCount - 1 : std::max(C.X, FTopLeft.X);
                C.Y = Y >= ClientHeight() ? FRowCount - 1 : std::max(C.Y, FTopLeft.Y);
            }
            C.X = std::clamp(C.X, FFixedCols, std::max(FFixedCols, LastMovableCol()));
            C.Y = std::clamp(C.Y, FFixedRows, std::max(FFixedRows, LastMovableRow()));
            if (!(C == FCurrent)) MoveCurrent(C.X, C.Y, false, true);
            break;
        }
        case gsColSizing: {
            const Integer L = ColX(FMoveIndex);
            if (L >= 0) {
                FColWidths[FMoveIndex] = std::max(0, X - FSizingOfs - L);
                UpdateScrollBars();
                Invalidate();
            }
            break;
        }
        case gsRowSizing: {
            const Integer T = RowY(FMoveIndex);
            if (T >= 0) {
                FRowHeights[FMoveIndex] = std::max(0, Y - FSizingOfs - T);
                UpdateScrollBars();
                Invalidate();
            }
            break;
        }
        case gsColMoving: {
            const TGridCoord C = MouseCoord(X, std::min(Y, std::max(0, FixedHeight() - 1)));
            if (C.X >= FFixedCols) FMovePos = C.X;
            else if (X >= ClientWidth() || C.X < 0) FMovePos = X < FixedWidth() ? FTopLeft.X : FColCount - 1;
            break;
        }
        case gsRowMoving: {
            const TGridCoord C = MouseCoord(std::min(X, std::max(0, FixedWidth() - 1)), Y);
            if (C.Y >= FFixedRows) FMovePos = C.Y;
            else if (Y >= ClientHeight() || C.Y < 0) FMovePos = Y < FixedHeight() ? FTopLeft.Y : FRowCount - 1;
            break;
        }
        default:
            break;
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    const TGridState S = FGridState;
    FGridState = gsNormal;
    if (S == gsColSizing) {
        ColWidthsChanged();
    } else if (S == gsRowSizing) {
        RowHeightsChanged();
    } else if (S == gsColMoving) {
        const Integer From = FMoveIndex, To = FMovePos;
        FMoveIndex = FMovePos = -1;
        if (From >= FFixedCols && To >= FFixedCols && From != To) MoveColumn(From, To);
    } else if (S == gsRowMoving) {
        const Integer From = FMoveIndex, To = FMovePos;
        FMoveIndex = FMovePos = -1;
        if (From >= FFixedRows && To >= FFixedRows && From != To) MoveRow(From, To);
    } else if (Button == mbLeft && FClickOnCurrent && MouseCoord(X, Y) == FCurrent) {
        ShowEditor();
    }
    if (!IsAlive(Alive)) return;
    FClickOnCurrent = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

// --- moving and deleting ----------------------------------------------------
void TCustomGrid::MoveColumn(Integer FromIndex, Integer ToIndex) {
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount || ToIndex >= FColCount)
        throw EInvalidGridOperation("Grid index out of range");
    if (FromIndex == ToIndex) return;
    if (FEditorMode) HideEditor();
    MoveColData(FromIndex, ToIndex);
    const Integer W = FColWidths[FromIndex];
    FColWidths.erase(FColWidths.begin() + FromIndex);
    FColWidths.insert(FColWidths.begin() + ToIndex, W);
    const std::shared_ptr<const bool> Alive = AliveToken();   // OnColumnMoved may free the grid
    ColumnMoved(FromIndex, ToIndex);
    if (IsAlive(Alive)) SizesChanged();
}

void TCustomGrid::MoveRow(Integer FromIndex, Integer ToIndex) {
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FRowCount || ToIndex >= FRowCount)
        throw EInvalidGridOperation("Grid index out of range");
    if (FromIndex == ToIndex) return;
    if (FEditorMode) HideEditor();
    MoveRowData(FromIndex, ToIndex);
    const Integer H = FRowHeights[FromIndex];
    FRowHeights.erase(FRowHeights.begin() + FromIndex);
    FRowHeights.insert(FRowHeights.begin() + ToIndex, H);
    const std::shared_ptr<const bool> Alive = AliveToken();   // OnRowMoved may free the grid
    RowMoved(FromIndex, ToIndex);
    if (IsAlive(Alive)) SizesChanged();
}

void TCustomGrid::ColumnMoved(Integer FromIndex, Integer ToIndex) {
    FireEvent(OnColumnMoved, this, FromIndex, ToIndex);
}

void TCustomGrid::RowMoved(Integer FromIndex, Integer ToIndex) {
    FireEvent(OnRowMoved, this, FromIndex, ToIndex);
}

void TCustomGrid::DeleteColumn(Integer ACol) {
    if (ACol < 0 || ACol >= FColCount) throw EInvalidGridOperation("Grid index out of range");
    if (FColCount <= 1) return;
    if (FEditorMode) HideEditor();
    DeleteColData(ACol);
    FColWidths.erase(FColWidths.begin() + ACol);
    const Integer Old = FColCount--;
    if (FColCount <= FFixedCols) FFixedCols = FColCount - 1;
    SizeChanged(Old, FRowCount);
    SizesChanged();
}

void TCustomGrid::DeleteRow(Integer ARow) {
    if (ARow < 0 || ARow >= FRowCount) throw EInvalidGridOperation("Grid index out of range");
    if (FRowCount <= 1) return;
    if (FEditorMode) HideEditor();
    DeleteRowData(ARow);
    FRowHeights.erase(FRowHeights.begin() + ARow);
    const Integer Old = FRowCount--;
    if (FRowCount <= FFixedRows) FFixedRows = FRowCount - 1;
    SizeChanged(FColCount, Old);
    SizesChanged();
}

// ---------------------------------------------------------------------------
void TDrawGrid::DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) {
    FireEvent(OnDrawCell, this, ACol, ARow, ARect, AState);
}

bool TDrawGrid::SelectCell(Integer ACol, Integer ARow) {
    bool CanSelect = true;
    FireEvent(OnSelectCell, this, ACol, ARow, CanSelect);
    return CanSelect;
}

AnsiString TDrawGrid::GetEditText(Integer ACol, Integer ARow) {
    AnsiString Value;
    FireEvent(OnGetEditText, this, ACol, ARow, Value);
    return Value;
}

AnsiString TDrawGrid::GetEditMask(Integer ACol, Integer ARow) {
    AnsiString Value;
    FireEvent(OnGetEditMask, this, ACol, ARow, Value);
    return Value;
}

void TDrawGrid::SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) {
    FireEvent(OnSetEditText, this, ACol, ARow, Value);
}
