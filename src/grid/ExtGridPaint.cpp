// TExtStringGrid: painting of one cell. TBaseGrid::DrawCell fills the background
// and draws the grid lines; DrawCellText here puts the content on it in layers:
// fixed-cell looks, row indicator and marks, text, borders, user draw events and
// the focus rectangle. Themed parts come from the desktop's widget style.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtUtil.h"
#include "grid/PictureContainer.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/RichEdit.h"
#include "platform/ui/Rtf.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

// Single-line flag of unwrapped text. Once any grid paints with Multilinecells it
// becomes 0 for good, so unwrapped text keeps its line breaks from then on.
Cardinal GNoWrapFlag = DT_SINGLELINE;

constexpr Integer TextMarginX = 2;
constexpr Integer TextMarginY = 2;

Cardinal HorzFlag(TAlignment A) { return A == taRightJustify ? DT_RIGHT : A == taCenter ? DT_CENTER : DT_LEFT; }
Cardinal VertFlag(TVAlignment A) { return A == vtaCenter ? DT_VCENTER : A == vtaBottom ? DT_BOTTOM : DT_TOP; }

// A cell never shows a line cut through the middle. When the lines of a wrapped or
// multi-line text need more height than the cell has, only the lines that fit whole
// are drawn; when not even two fit, the first line is drawn alone, unwrapped and cut
// at the right edge, so the cell reads as much of the text as one line holds.
template <class TText, class TMeasure>
void KeepWholeLines(TText& Text, TRect& T, Cardinal& Flags, Integer LineHeight, TMeasure Measure) {
    if ((Flags & DT_SINGLELINE) || LineHeight <= 0) return;
    TRect M = T;
    Measure(M, Flags | DT_CALCRECT);
    if (M.Height() <= T.Height()) return;
    const Integer Fit = T.Height() / LineHeight;
    if (Fit >= 2) {
        T.Bottom = T.Top + Fit * LineHeight;
        return;
    }
    for (size_t I = 0; I < Text.size(); ++I)
        if (Text[I] == '\r' || Text[I] == '\n') {
            Text.resize(I);
            break;
        }
    Flags = (Flags & ~Cardinal(DT_WORDBREAK | DT_EDITCONTROL)) | DT_SINGLELINE;
}

// The widest piece that a text shows on one line by its advance (the glyphs' ink
// may reach a pixel past it unseen): the whole text on a single line, else its
// longest word, which no wrapping breaks.
template <class TText, class TMeasure>
Integer WidestPiece(const TText& Text, Cardinal Flags, TMeasure Measure) {
    if (Flags & DT_SINGLELINE) return Measure(Text);
    Integer Widest = 0;
    size_t From = 0;
    for (size_t I = 0; I <= Text.size(); ++I) {
        if (I < Text.size() && Text[I] != ' ' && Text[I] != '\r' && Text[I] != '\n' && Text[I] != '\t') continue;
        if (I > From) Widest = std::max(Widest, Measure(Text.substr(From, I - From)));
        From = I + 1;
    }
    return Widest;
}

// The words of a rich text without its control words and groups; the fallback
// when a text that looks like rich text cannot be shown as such.
AnsiString RichTextWords(const AnsiString& S) {
    AnsiString R;
    Integer Depth = 0, SkipDepth = -1;
    for (size_t I = 0; I < S.size(); ++I) {
        const char C = S[I];
        if (C == '{') {
            ++Depth;
            if (SkipDepth < 0 && S.compare(I, 3, "{\\*") == 0) SkipDepth = Depth;
            for (const char* G : {"{\\fonttbl", "{\\colortbl", "{\\stylesheet", "{\\info"})
                if (SkipDepth < 0 && S.compare(I, std::char_traits<char>::length(G), G) == 0) SkipDepth = Depth;
        } else if (C == '}') {
            if (Depth == SkipDepth) SkipDepth = -1;
            --Depth;
        } else if (C == '\\') {
            size_t E = I + 1;
            if (E < S.size() && (S[E] == '\\' || S[E] == '{' || S[E] == '}')) {
                if (SkipDepth < 0) R += S[E];
                I = E;
                continue;
            }
            if (E < S.size() && S[E] == '\'' && E + 2 < S.size()) {
                if (SkipDepth < 0) R += char(std::strtol(S.substr(E + 1, 2).c_str(), nullptr, 16));
                I = E + 2;
                continue;
            }
            while (E < S.size() && std::isalpha(Byte(S[E]))) ++E;
            const AnsiString Word = S.substr(I + 1, E - I - 1);
            if (E < S.size() && (S[E] == '-' || std::isdigit(Byte(S[E])))) {
                ++E;
                while (E < S.size() && std::isdigit(Byte(S[E]))) ++E;
            }
            if (E < S.size() && S[E] == ' ') ++E;
            if (SkipDepth < 0 && (Word == "par" || Word == "line")) R += "\r\n";
            if (SkipDepth < 0 && Word == "tab") R += '\t';
            I = E - 1;
        } else if (SkipDepth < 0 && C != '\r' && C != '\n') {
            R += C;
        }
    }
    while (!R.empty() && (R.back() == '\n' || R.back() == '\r')) R.pop_back();
    return R;
}

// Keeps the canvas pen and brush of a layer that draws with its own.
struct TPenBrushKeeper {
    TCanvas* Cv;
    TPen Pen;
    TBrush Brush;
    explicit TPenBrushKeeper(TCanvas* C) : Cv(C) {
        Pen.Assign(C->Pen());
        Brush.Assign(C->Brush());
    }
    ~TPenBrushKeeper() {
        Cv->Pen()->Assign(&Pen);
        Cv->Brush()->Assign(&Brush);
    }
};

}  // namespace

// --- colour decision -----------------------------------------------------------------
void TExtStringGrid::GetCellColor(Integer ACol, Integer ARow, TGridDrawState& AState, bool Printing, bool DoSelection,
                                  bool RealColumn, TBrush* ABrush, TColor& ColorTo, TFont* AFont, TAlignment& HAlign,
                                  TVAlignment& VAlign, bool& WordWrapValue) {
    const bool FixedByIndex = ACol < FixedCols() || ARow < FixedRows();
    if (Printing && !FPrintSettings->UseDisplayFont())
        AFont->Assign(FixedByIndex ? FPrintSettings->FixedFont() : FPrintSettings->Font());
    else
        AFont->Assign(FixedByIndex ? FFixedFont.get() : Font());

    const Integer C = RealColumn ? RealColIndex(ACol) : ACol;
    TMouseActions* MA = FMouseActions.get();
    const Integer R = MA->DisjunctRowSelect() && MA->RowSelectPersistent() ? RealRowIndex(ARow) : ARow;

    ABrush->SetColor(clNone);
    ColorTo = clNone;
    if (const TCellProperties* P = HeldProps(C, ARow)) {
        if (P->BrushColor() != clNone) ABrush->SetColor(P->BrushColor());
        if (P->FontColor() != clNone) AFont->SetColor(P->FontColor());
        if (!P->FontStyle().Empty()) AFont->SetStyle(P->FontStyle());
        if (P->FontSize() != 0) AFont->SetSize(P->FontSize());
        if (!P->FontName().empty()) AFont->SetName(P->FontName());
        WordWrapValue = P->WordWrap();
        ColorTo = P->BrushColorTo();
    }

    if (ABrush->Color() == clNone) {
        ABrush->SetColor(Color());
        if (FBands->Active() && (FBands->Print() == Printing || !Printing) && ACol >= FixedCols() &&
            ACol < ColCount() - FFixedRightCols && ARow >= FixedRows() && ARow < RowCount() - FFixedFooters) {
            const Integer Period = FBands->PrimaryLength() + FBands->SecondaryLength();
            if (Period >= 1)
                ABrush->SetColor((ARow - FixedRows()) % Period < FBands->PrimaryLength() ? FBands->PrimaryColor()
                                                                                         : FBands->SecondaryColor());
        }
        if (FixedByIndex || DisplColIndex(ACol) >= ColCount() - FFixedRightCols || ARow >= RowCount() - FFixedFooters)
            ABrush->SetColor(FixedColor());
    }

    const bool F = IsFixed(ACol, ARow) || FixedByIndex;
    if (F && !Printing) {
        ABrush->SetColor(FixedColor());
        AFont->Assign(FFixedFont.get());
        AState.Include(gdFixed);
    }

    if (Printing) GetCellPrintColor(C, ARow, AState, ABrush, AFont);
    else GetCellColor(C, ARow, AState, ABrush, AFont);

    auto TakeSelectionColours = [&] {
        if (FSelectionColor != clNone) ABrush->SetColor(FSelectionColor);
        else if (!AState.Contains(gdFocused)) ABrush->SetColor(clHighlight);
        ColorTo = FSelectionColorTo;
        if (FSelectionTextColor != clNone) AFont->SetColor(FSelectionTextColor);
        else if (FSelectionColor == clNone) AFont->SetColor(clHighlightText);
    };

    const bool MaySelect = !Printing && DoSelection && FShowSelection && !F;
    if (ACol >= FixedCols() && ARow >= FixedRows() && MaySelect) {
        if (MA->DisjunctRowSelect() && R >= 0 && R < AllRowCount()) {
            const bool InList = RowSelected(R);
            if (((!FDisjunctSelecting || ARow != Row()) && InList) ||
                (FDisjunctSelecting && !InList && AState.Contains(gdSelected))) {
                AState = TGridDrawState{gdSelected};
                TakeSelectionColours();
            }
        }
        if (MA->DisjunctColSelect() && ACol < ColCount()) {
            const bool InList = ColSelected(ACol);
            if (((!FDisjunctSelecting || ACol != Col()) && InList) ||
                (FDisjunctSelecting && !InList && AState.Contains(gdSelected))) {
                AState = TGridDrawState{gdSelected};
                TakeSelectionColours();
            }
        }
    }

    if ((MaySelect && !FParked && Selection().Contains(ACol, ARow) && !MA->DisjunctRowSelect() &&
         !MA->DisjunctColSelect()) ||
        (AState.Contains(gdSelected) && FDisjunctSelecting)) {
        TakeSelectionColours();
        AState.Include(gdSelected);
    } else if (DoSelection && (FParked || F)) {
        // A parked selection (no data rows) and fixed cells are never drawn selected.
        AState.Exclude(gdSelected);
    }

    if (MA->DisjunctCellSelect()) {
        if (SelectedCell(ACol, ARow)) {
            TakeSelectionColours();
            AState.Include(gdSelected);
        } else if (ACol == Col() && ARow == Row()) {
            AState.Exclude(gdSelected);
            ABrush->SetColor(Color());
            AFont->SetColor(Font()->Color());
        }
    }

    GetWordWrap(C, ARow, WordWrapValue);
    GetCellAlignment(C, ARow, HAlign, VAlign);
}

// --- displayed text -------------------------------------------------------------------
void TExtStringGrid::FormatCellText(Integer ACol, Integer ARow, AnsiString& Value) {
    Value = Cells(ACol, ARow);
    if (!OnGetFloatFormat) return;
    bool IsFloat = NumberKind(Trim(Value)) != 2;
    if (!IsFloat) return;
    AnsiString Fmt = FFloatFormat;
    FireEvent(OnGetFloatFormat, this, ACol, ARow, IsFloat, Fmt);
    if (!IsFloat) return;
    try {
        if (Fmt.find('d') != AnsiString::npos || Fmt.find('D') != AnsiString::npos)
            Value = Format(Fmt, {Ints(ACol, ARow)});
        else
            Value = Format(Fmt, {Extended(Floats(ACol, ARow))});
    } catch (const Exception&) {
        // A format that does not fit the value shows the stored text.
        Value = Cells(ACol, ARow);
    }
}

Integer TExtStringGrid::DrawHTMLCellText(TCanvas* ACanvas, const AnsiString& Text, TRect R, TAlignment,
                                         TVAlignment, bool WordWrapValue, TColor AnchorColor, bool MeasureOnly,
                                         Integer* Height) {
    if (!FPictureCache) FPictureCache = std::make_shared<THTMLPictureCache>();
    AnsiString Anchor, Plain, FocusedHref, Title, CtlID, CtlValue, CtlType;
    Integer EX = 0, EY = 0, Count = 0, HitIndex = -1;
    TRect AnchorRect, CtlRect;
    // A BUTTON control held down is drawn pressed: the press point is its hot spot.
    const bool Down = FPaintingFormButton && !MeasureOnly;
    const TPoint At = Down ? FFormButtonPoint : Point(R.Left, R.Top);
    HTMLDrawEx(ACanvas, Text, R, GridImages(), At.X, At.Y, -1, 0, 1, false, MeasureOnly, false, false, BlinkVisible(), false,
               WordWrapValue, Down, 0, AnchorColor, clNone, clNone, 0x808080, Anchor, Plain, FocusedHref, Title, EX,
               EY, Count, HitIndex, AnchorRect, CtlRect, CtlID, CtlValue, CtlType, FPictureCache.get(),
               FPictureContainer, Widget());
    if (Height) *Height = EY;
    return EX;
}

void TExtStringGrid::SetPictureContainer(TPictureContainer* Value) {
    FPictureContainer = Value;
    if (Value) Value->FreeNotification(this);
    Invalidate();
}

void TExtStringGrid::SetGridImages(THTMLImageList* Value) {
    FGridImages = Value;
    FGridImagesAlive = TAliveGuard(Value);
    Invalidate();
}

TComponent* TExtStringGrid::PictureContainerComponent() const { return FPictureContainer; }

AnsiString TExtStringGrid::StrippedCells(Integer ACol, Integer ARow) const { return HTMLStrip(Cells(ACol, ARow)); }

// --- cell content ------------------------------------------------------------------------
void TExtStringGrid::DrawCellText(TCanvas* ACanvas, Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) {
    if (FMultilinecells) GNoWrapFlag = 0;
    const Integer RC = RealColIndex(ACol);
    TGridDrawState S = AState;
    TColor ColorTo = clNone;
    TAlignment HAlign = taLeftJustify;
    TVAlignment VAlign = FVAlignment;
    bool WW = FWordWrap;
    GetCellColor(ACol, ARow, S, false, false, true, ACanvas->Brush(), ColorTo, ACanvas->Font(), HAlign, VAlign, WW);

    Integer GW = 0, GHt = 0;
    bool DrawsText = true;
    TCellHAlign GHA = haLeft;
    TCellVAlign GVA = vaTop;
    TCellGraphic* Graphic = GetCellGraphicLayout(RC, ARow, GW, GHt, DrawsText, GHA, GVA);

    if (S.Contains(gdSelected) && !S.Contains(gdFocused) && FSelectionColor == clNone)
        ACanvas->Brush()->SetColor(clHighlight);
    if (FZoom != 0) ACanvas->Font()->SetSize(std::max(1, ACanvas->Font()->Size() + FZoom));
    const TColor UnselBrush = ACanvas->Brush()->Color();
    const TColor UnselFont = ACanvas->Font()->Color();

    const bool FixedCell = IsFixed(ACol, ARow) || ACol < FixedCols() || ARow < FixedRows();
    TRect Rc = ARect;

    if (FixedCell && (FLook == glKezmo || FLook == glXP) && !FFlat) {
        TPenBrushKeeper Keep(ACanvas);
        const bool Header = FActiveCellShow && ((ARow == Row() && ACol == FixedCols() - 1 && FixedCols() >= 1) ||
                                                (ACol == Col() && ARow == FixedRows() - 1 && FixedRows() >= 1));
        if (Header) DrawGradient(ACanvas, FActiveCellColor, FActiveCellColorTo, 10, Rc, false);
        else if (const TCellProperties* P = HeldProps(RC, ARow); !P || P->BrushColor() == clNone) DrawGradient(ACanvas, FGradFrom, FGradTo, 10, Rc, false);
    }

    const bool Indicator = ShowsRowIndicator(ACol, ARow);
    if (Indicator) {
        const Integer BW = FRowIndicator->Width();
        const Integer BH = FRowIndicator->Height();
        Integer Y = Rc.Top;
        if (FVAlignment == vtaCenter) Y = Rc.Top + (Rc.Height() - BH) / 2;
        else if (FVAlignment == vtaBottom) Y = Rc.Bottom - BH;
        DrawTransparentBitmap(ACanvas, FRowIndicator.get(), ACanvas->Brush()->Color(), Rect(Rc.Left + 2, Y, Rc.Left + 2 + BW, Y + BH));
        Rc.Left += BW + 2;
    }

    if (FixedCell && FLook == glListView && !FFlat) {
        TPenBrushKeeper Keep(ACanvas);
        if (FThemed) {
            TRect H = Rc;
            InflateRect(H, 1, 1);
            const TPoint M = ClientCursorPos(this);
            TThemePartState Ts;
            Ts.Hot = M.X >= H.Left && M.X < H.Right && M.Y >= H.Top && M.Y < H.Bottom;
            Ts.Pushed = Ts.Hot && FHeaderPressed;
            DrawThemePart(ACanvas, tpHeaderItem, H, Ts);
            ACanvas->Pen()->SetColor(clWhite);
            ACanvas->MoveTo(H.Left, H.Top);
            ACanvas->LineTo(H.Right, H.Top);
        } else {
            ACanvas->Brush()->SetColor(clBtnFace);
            ACanvas->Pen()->SetColor(clWhite);
            ACanvas->Rectangle(Rc);
        }
    }

    if (ACol == 0 && FShowModified->Enabled() && RowMarked(ARow)) {
        TPenBrushKeeper Keep(ACanvas);
        ACanvas->Brush()->SetColor(FShowModified->Color());
        ACanvas->Pen()->SetColor(FShowModified->Color());
        ACanvas->Rectangle(Rc.Right - 4, Rc.Top, Rc.Right, Rc.Bottom);
    }

    const Integer RightBefore = Rc.Right;
    if (ShowsDropDownButton(ACol, ARow)) {
        TPenBrushKeeper Keep(ACanvas);
        const TRect B = Rect(Rc.Right - 16, Rc.Top, Rc.Right, Rc.Bottom);
        if (FThemed) DrawThemePart(ACanvas, tpComboButton, B, TThemePartState());
        else DrawComboButton(ACanvas, this, B, false);
        Rc.Right -= 16;
    }

    const Integer TextWidth = DrawCellTextLayer(ACanvas, ACol, ARow, Rc, S, HAlign, VAlign, WW, UnselBrush, UnselFont,
                                                Graphic, DrawsText);

    Rc.Right = RightBefore;
    ACanvas->Brush()->SetColor(UnselBrush);
    ACanvas->Font()->SetColor(UnselFont);
    InflateRect(Rc, 1, 1);
    DrawBorders(ACanvas, RC, ARow, Rc);

    if (Indicator) Rc.Left -= FRowIndicator->Width() + 2;

    if (FixedCell && !FFlat) DrawFixedDecoration(ACanvas, ACol, ARow, Rc);
    if (FixedCell && FPressedHeader.X == ACol && FPressedHeader.Y == ARow) DrawPressedHeader(ACanvas, Rc);

    if (FFixedRightCols > 0 && ColCount() - RC <= FFixedRightCols && FLook != glClassic && FFlat) {
        TPenBrushKeeper Keep(ACanvas);
        ACanvas->Pen()->SetWidth(1);
        ACanvas->Pen()->SetColor(0x808080);
        if (Options().Contains(goFixedHorzLine)) {
            ACanvas->MoveTo(Rc.Left - 1, Rc.Top - 1);
            ACanvas->LineTo(Rc.Right + 1, Rc.Top - 1);
            ACanvas->MoveTo(Rc.Left - 1, Rc.Bottom + 1);
            ACanvas->LineTo(Rc.Right + 1, Rc.Bottom + 1);
        }
        if (Options().Contains(goFixedVertLine)) {
            ACanvas->MoveTo(Rc.Left - 1, Rc.Top - 1);
            ACanvas->LineTo(Rc.Left - 1, Rc.Bottom + 1);
            ACanvas->MoveTo(Rc.Right + 1, Rc.Top - 1);
            ACanvas->LineTo(Rc.Right + 1, Rc.Bottom + 1);
        }
    }

    if (RC == 0) DrawTreeLines(ACanvas, ARow, Rc);
    if (Graphic) DrawCellGraphicLayer(ACanvas, RC, ARow, Rc, Graphic, HAlign, VAlign, TextWidth);

    if (OnDrawCell) {
        TRect U = ARect;
        if (!FixedCell) {
            U.Right = ARect.Right + 1 - GridLineWidth();
            U.Bottom = ARect.Bottom + 1 - GridLineWidth();
        }
        FireEvent(OnDrawCell, this, RC, ARow, U, S);
    }
    if (OnCustomCellDraw) {
        TRect U = ARect;
        if (!FixedCell) InflateRect(U, 1, 1);
        FireEvent(OnCustomCellDraw, this, ACanvas, RC, ARow, S, U, false);
    }

    const TPoint B = BaseCell(ACol, ARow);
    if (!FHideFocusRect && B.X == Col() && B.Y == Row() && Focused() && !Options().Contains(goRowSelect)) {
        TRect FR = Rc;
        InflateRect(FR, GridLineWidth() - 1, GridLineWidth() - 1);
        FR.Right -= 1;
        FR.Bottom -= 1;
        ACanvas->DrawFocusRect(FR);
    }
}

bool TExtStringGrid::ShowsSortGlyph(Integer ACol, Integer ARow) {
    const TSortSettings* SS = FSortSettings.get();
    if (!SS->Show() || !SS->IsSortRow(ARow) || RowCount() <= 2 || FixedRows() <= 0) return false;
    const Integer RC = RealColIndex(ACol);
    Integer Place = -1;
    for (size_t I = 0; I < FSortIndexes.size(); ++I)
        if ((FSortIndexes[I] & 0x7FFFFFFF) == RC) Place = Integer(I);
    if (RC != SS->Column() && Place < 0) return false;
    if (!(RC + 1 > FixedCols() || SS->FixedCols())) return false;
    return Place < 1 || SS->IndexShow();
}

Integer TExtStringGrid::DrawCellTextLayer(TCanvas* Cv, Integer ACol, Integer ARow, const TRect& Rc, TGridDrawState S,
                                          TAlignment HAlign, TVAlignment VAlign, bool WW, TColor UnselBrush,
                                          TColor UnselFont, TCellGraphic* Graphic, bool DrawsText) {
    const Integer RC = RealColIndex(ACol);
    const bool FixedByIndex = ACol < FixedCols() || ARow < FixedRows();
    const bool FixedState = S.Contains(gdFixed);
    const TGridOptions O = Options();
    TRect T = Rc;
    Integer TextW = 0;

    // 1. Selection colours of the content.
    TColor URLCol = FURLColor;
    bool SelectionText = false;   // the text takes the selection's text colour
    const bool InRowList = FMouseActions->DisjunctRowSelect() && DisplRowSelected(ARow);
    const bool Selected = S.Contains(gdSelected) ||
                          (InRowList && O.Contains(goRowSelect) && ACol >= FixedCols() && ACol < ColCount() - FFixedRightCols);
    if (Selected && !FixedState && (!S.Contains(gdFocused) || O.Contains(goDrawFocusSelected))) {
        if (FShowSelection) {
            if (FSelectionColor != clNone) Cv->Brush()->SetColor(FSelectionColor);
            if (FSelectionTextColor != clNone) {
                Cv->Font()->SetColor(FSelectionTextColor);
                URLCol = FSelectionTextColor;
                SelectionText = true;
            }
        } else if (!Focused() || IsCheckCellType(GetCellType(RC, ARow))) {
            Cv->Brush()->SetColor(UnselBrush);
            Cv->Font()->SetColor(UnselFont);
            URLCol = FURLColor;
        }
    }

    // 2.-4. The text as shown.
    AnsiString Text;
    FormatCellText(ACol, ARow, Text);
    Integer Kind = TextType(Text, FEnableHTML);
    if (Kind == 3) {
        GetCellForSave(RC, ARow, Text);
        Kind = TextType(Text, FEnableHTML);
        if (Kind == 3) Kind = 0;
    }
    const Integer ErrFrom = Graphic ? Graphic->CellErrFrom() : 0;
    const Integer ErrLen = Graphic ? Graphic->CellErrLen() : 0;
    if (HidesText(RC, ARow)) std::fill(Text.begin(), Text.end(), FPasswordChar);

    // 6. A normal cell outside the disjunct lists goes back to its own colours.
    if (!FixedByIndex && !FDisjunctSelecting &&
        ((FMouseActions->DisjunctRowSelect() && !InRowList) ||
         (FMouseActions->DisjunctColSelect() && !ColSelected(ACol)))) {
        URLCol = FURLColor;
        Cv->Brush()->SetColor(UnselBrush);
        Cv->Font()->SetColor(UnselFont);
        GetCellColor(RC, ARow, S, Cv->Brush(), Cv->Font());
    }

    // 7., 8.
    DrawBackGroundInCell(Cv, ACol, ARow, Rc, S);
    DrawSelectionRectangle(Cv, ACol, ARow, Rc);

    if (!DrawsText) return 0;

    // 9. Margins and what the text leaves free.
    T = CellTextArea(ACol, ARow, T, Kind, HAlign);
    const bool Glyph = ShowsSortGlyph(ACol, ARow);
    auto GlyphY = [&](const TRect& R) {
        return VAlign == vtaTop ? R.Top + 8 : VAlign == vtaCenter ? (R.Top + R.Bottom) / 2 : R.Bottom - 8;
    };

    if (Kind == 1) {
        FPaintingFormButton = FFormButtonCell.X == ACol && FFormButtonCell.Y == ARow;
        TextW = DrawHTMLCellText(Cv, Text, T, HAlign, VAlign, !FEnhTextSize, URLCol, false) + 2;
        FPaintingFormButton = false;
        if (Glyph) DrawSortGlyph(Cv, RC, T.Right + 2, GlyphY(T));
    } else if (Kind == 2 && IsRtfText(Text)) {
        RenderRichEdit();   // the grid's rendering rich edit
        FRichCell->SetWordWrap(WW);
        FRichCell->SetText(Text);
        if (SelectionText) {
            // A selected rich cell shows all its text in the selection's text colour.
            TRtfDocument D = FRichCell->Document();
            for (TRtfParagraph& P : D.Paragraphs)
                for (TRtfRun& R : P.Runs) R.Format.Color = FSelectionTextColor;
            FRichCell->SetDocument(D);
        }
        FRichCell->RenderTo(Cv, T);
        TextW = FRichCell->RequiredSize().X + 2;
    } else if (Kind == 2) {
        // Not a rich-text document after all: its words, never an empty cell.
        AnsiString Words = RichTextWords(Text);
        if (Words.empty()) Words = Text;
        const TBrushStyle Old = Cv->Brush()->Style();
        Cv->Brush()->SetStyle(bsClear);
        TRect D = T;
        Cv->DrawText(Words, D, DT_NOPREFIX | DT_EXPANDTABS | HorzFlag(HAlign) | (WW ? DT_WORDBREAK : Cardinal(0)));
        Cv->Brush()->SetStyle(Old);
        TextW = Cv->TextWidth(Words) + 2;
    } else if (Kind == 5) {
        const WideString Shown = CellTextToWide(Text);
        if (Glyph) DrawSortGlyph(Cv, RC, T.Right + 3, GlyphY(T));
        const bool SelNoFocus = S.Contains(gdSelected) && !S.Contains(gdFocused) && FSelectionColor == clNone;
        if (!FixedState && !SelNoFocus) Cv->FillRect(T);
        Cardinal Flags = UnicodeTextFlags(HAlign, VAlign, WW);
        WideString Lines = Shown;
        TRect D = T;
        KeepWholeLines(Lines, D, Flags, Cv->TextHeight("Wg"), [&](TRect& R, Cardinal F) { Cv->DrawTextW(Lines, R, F); });
        const TBrushStyle Old = Cv->Brush()->Style();
        Cv->Brush()->SetStyle(bsClear);
        Cv->DrawTextW(Lines, D, Flags);
        Cv->Brush()->SetStyle(Old);
        TextW = Cv->TextWidthW(Shown) + 2;
    } else {
        const TFontStyles OldStyle = Cv->Font()->Style();
        if (FURLShow && IsURL(Text)) {
            if (!FURLFull) StripURLProtocol(Text);
            Cv->Font()->SetStyle(OldStyle + TFontStyles{fsUnderline});
            Cv->Font()->SetColor(URLCol);
        }
        Cardinal Flags = PlainTextFlags(Text, HAlign, VAlign, WW);
        // A number too wide for its cell shows as "#"s, as spreadsheets do: its cut digits
        // would read as another number.
        if (NumberKind(Trim(Text)) != 2 && Cv->TextWidth(Text) > T.Width())
            Text = AnsiString(std::max(0, T.Width() / std::max(1, Cv->TextWidth("#"))), '#');
        KeepWholeLines(Text, T, Flags, Cv->TextHeight("Wg"), [&](TRect& R, Cardinal F) { Cv->DrawText(Text, R, F); });
        if (Graphic && !Text.empty()) {
            TRect M = T;
            Cv->DrawText(Text, M, Flags | DT_CALCRECT);
            TextW = M.Width() + 2;
        }
        const TBrushStyle Old = Cv->Brush()->Style();
        Cv->Brush()->SetStyle(bsClear);
        TRect D = T;
        Cv->DrawText(Text, D, Flags);
        Cv->Brush()->SetStyle(Old);
        if (ErrLen > 0) DrawErrorUnderline(this, Cv, Text, T, 0, ErrFrom, ErrLen);
        if (Glyph) {
            const Integer W = std::max(0, std::min(Cv->TextWidth(Text), T.Width() - 16));
            Integer X = T.Left + 8;
            if (HAlign == taLeftJustify) X = T.Left + W + 10;
            else if (HAlign == taRightJustify) X = T.Right - W - 10;
            DrawSortGlyph(Cv, RC, X, GlyphY(T));
        }
        if (FURLShow) Cv->Font()->SetStyle(OldStyle);
    }
    return TextW;
}


// --- background picture and selection rectangle -------------------------------------------
// --- where the text goes ------------------------------------------------------------------
bool TExtStringGrid::ShowsRowIndicator(Integer ACol, Integer ARow) {
    return RealColIndex(ACol) == 0 && ARow == Row() && FixedCols() > 0 && !FRowIndicator->Empty();
}

bool TExtStringGrid::ShowsDropDownButton(Integer ACol, Integer ARow) {
    const bool FixedCell = IsFixed(ACol, ARow) || ACol < FixedCols() || ARow < FixedRows();
    return !FixedCell && FControlLook->DropDownAlwaysVisible() && HasComboBox(ACol, ARow);
}

TRect TExtStringGrid::CellTextArea(Integer ACol, Integer ARow, TRect T, Integer Kind, TAlignment HAlign) {
    const Integer RC = RealColIndex(ACol);
    T.Left += TextMarginX;
    T.Right -= TextMarginX;
    T.Top += TextMarginY;
    Integer GW = 0, GH = 0;
    bool TextDrawn = true;
    TCellHAlign GHA = haLeft;
    TCellVAlign GVA = vaTop;
    if (TCellGraphic* Graphic = GetCellGraphicLayout(RC, ARow, GW, GH, TextDrawn, GHA, GVA)) {
        // A check box in front of left text keeps the text beside it.
        const bool BoxFirst = Graphic->CellType() == ctCheckBox && HAlign == taLeftJustify;
        if (GHA == haBeforeText || BoxFirst) T.Left += GW;
        else if (GHA == haAfterText) T.Right -= GW;
        if (GVA == vaAboveText) T.Top += GH;
        else if (GVA == vaUnderText) T.Bottom -= GH;
    }
    if (RC == 0 && HasNodes() && !IsNode(ARow)) T.Left += GetNodeIndent(ARow);

    const bool Glyph = ShowsSortGlyph(ACol, ARow);
    const bool FilterButton = ARow == 0 && HasColumnFilter(RC);
    if (Kind == 1) {
        if (FilterButton) T.Right -= 18;
        T.Left -= 1;
        if (Glyph) T.Right -= 10;
    } else if (Kind == 5) {
        if (Glyph) T.Right -= 10;
    } else if (Kind != 2) {
        const TSortSettings* SS = FSortSettings.get();
        if (HAlign == taCenter && SS->Show() && SS->IsSortRow(ARow) && RC == SS->Column()) T.Left += 10;
        const Integer Reserve = ARow == 0 && SS->Show() && RC == SS->Column() ? 14 : 0;
        if (HAlign == taLeftJustify) T.Right -= Reserve;
        else T.Left += Reserve;
        if (FilterButton) T.Right -= 16;
    }
    return T;
}

Cardinal TExtStringGrid::PlainTextFlags(AnsiString& Text, TAlignment HAlign, TVAlignment VAlign, bool WW) {
    Cardinal Flags = DT_EDITCONTROL;
    if (LineCount(Text, FMultilinecells) == 1 && !WW) {
        const size_t E = Text.find_first_of("\r\n");
        if (E != AnsiString::npos) Text.resize(E);
        Flags = FEnhTextSize ? (DT_SINGLELINE | DT_END_ELLIPSIS) : DT_SINGLELINE;
    } else if (WW && !FMultilinecells && FEnhTextSize) {
        Flags |= DT_END_ELLIPSIS;
    }
    Flags |= DT_NOPREFIX | DT_EXPANDTABS | (WW ? (DT_WORDBREAK | DT_EDITCONTROL) : GNoWrapFlag) | HorzFlag(HAlign) |
             VertFlag(VAlign);
    if (BiDiMode() == bdRightToLeft) Flags |= DT_RTLREADING;
    return Flags;
}

Cardinal TExtStringGrid::UnicodeTextFlags(TAlignment HAlign, TVAlignment VAlign, bool WW) const {
    const Cardinal Flags = VertFlag(VAlign) | HorzFlag(HAlign) | DT_NOPREFIX;
    return !WW && !FMultilinecells ? Flags | DT_SINGLELINE | DT_END_ELLIPSIS : Flags | DT_WORDBREAK;
}

// The text is measured in the area and with the flags it is painted with; a text
// cut at a line break, wider or taller than the area does not show whole.
bool TExtStringGrid::CellTextCut(Integer ACol, Integer ARow) {
    const TPoint B = BaseCell(ACol, ARow);
    const bool Fixed = IsFixed(B.X, B.Y) || B.X < FixedCols() || B.Y < FixedRows();
    TRect R = CellRect(B.X, B.Y);
    const Integer Inset = Fixed ? 1 : GridLineWidth();   // the lines, as the grid draws them
    InflateRect(R, -Inset, -Inset);
    if (ShowsRowIndicator(B.X, B.Y)) R.Left += FRowIndicator->Width() + 2;
    if (ShowsDropDownButton(B.X, B.Y)) R.Right -= 16;

    TBitmap Scratch;
    TAlignment HAlign = taLeftJustify;
    TVAlignment VAlign = FVAlignment;
    bool WW = FWordWrap;
    TCanvas* Cv = MeasureCanvas(Scratch, B.X, B.Y, &HAlign, &VAlign, &WW);
    if (FZoom != 0) Cv->Font()->SetSize(std::max(1, Cv->Font()->Size() + FZoom));
    AnsiString Text;
    FormatCellText(B.X, B.Y, Text);
    Integer Kind = TextType(Text, FEnableHTML);
    if (Kind == 3) {
        GetCellForSave(RealColIndex(B.X), B.Y, Text);
        Kind = TextType(Text, FEnableHTML);
        if (Kind == 3) Kind = 0;
    }
    const TRect T = CellTextArea(B.X, B.Y, R, Kind, HAlign);
    TRect M = T;
    if (Kind == 1) {
        Integer Height = 0;
        M.Right = T.Left + DrawHTMLCellText(Cv, Text, T, HAlign, VAlign, !FEnhTextSize, FURLColor, true, &Height);
        M.Bottom = T.Top + Height;
    } else if (Kind == 2) {
        if (!IsRtfText(Text)) return Cv->TextWidth(RichTextWords(Text)) > T.Width();
        RenderRichEdit();
        FRichCell->SetWordWrap(WW);
        FRichCell->SetText(Text);
        const TPoint S = FRichCell->RequiredSize();
        M = Bounds(T.Left, T.Top, S.X, S.Y);
    } else if (Kind == 5) {
        const WideString Wide = CellTextToWide(Text);
        const Cardinal Flags = UnicodeTextFlags(HAlign, VAlign, WW);
        Cv->DrawTextW(Wide, M, Flags | DT_CALCRECT);
        M.Right = T.Left + WidestPiece(Wide, Flags, [&](const WideString& P) { return Cv->TextWidthW(P); });
    } else {
        if (FURLShow && !FURLFull && IsURL(Text)) StripURLProtocol(Text);
        const size_t Whole = Text.size();
        const Cardinal Flags = PlainTextFlags(Text, HAlign, VAlign, WW);
        if (Text.size() < Whole) return true;
        Cv->DrawText(Text, M, (Flags & ~DT_END_ELLIPSIS) | DT_CALCRECT);
        M.Right = T.Left + WidestPiece(Text, Flags, [&](const AnsiString& P) { return Cv->TextWidth(P); });
    }
    return M.Width() > T.Width() || M.Height() > T.Height();
}

void TExtStringGrid::DrawBackGroundInCell(TCanvas* Cv, Integer ACol, Integer ARow, const TRect& Rc, TGridDrawState S) {
    TBackGround* BG = FBackGround.get();
    const bool Gradient = BG->Display() == bdGradientHorz || BG->Display() == bdGradientVert;
    if (!Gradient && BG->Bitmap()->Empty()) return;
    if (Colors(RealColIndex(ACol), ARow) != clNone) return;
    const bool Fixed = S.Contains(gdFixed);
    const TBackGroundCells BC = BG->Cells();
    if (Fixed ? BC == bcNormal : BC == bcFixed) return;
    if (FShowSelection && ((S.Contains(gdSelected) && !S.Contains(gdFocused)) ||
                           (S.Contains(gdFocused) && Options().Contains(goDrawFocusSelected))))
        return;
    TRect Cell = Rc;
    InflateRect(Cell, 1, 1);
    const TRect OldClip = Cv->ClipRect();
    Cv->SetClipRect(Rc);
    if (Gradient) {
        TPenBrushKeeper Keep(Cv);
        const TRect Whole = ClientRect();
        const bool Horz = BG->Display() == bdGradientHorz;
        const Integer Span = std::max(1, Horz ? Whole.Width() : Whole.Height());
        // Draw the cell's part of one gradient spanning the grid, a line at a time.
        if (Horz) {
            for (Integer X = Rc.Left; X < Rc.Right; ++X) {
                const TColor Cc = GradientColorAt(BG->Color(), BG->ColorTo(), 0, Span, X);
                Cv->Pen()->SetColor(Cc);
                Cv->MoveTo(X, Rc.Top);
                Cv->LineTo(X, Rc.Bottom);
            }
        } else {
            for (Integer Y = Rc.Top; Y < Rc.Bottom; ++Y) {
                const TColor Cc = GradientColorAt(BG->Color(), BG->ColorTo(), 0, Span, Y);
                Cv->Pen()->SetColor(Cc);
                Cv->MoveTo(Rc.Left, Y);
                Cv->LineTo(Rc.Right, Y);
            }
        }
    } else if (BG->Display() == bdFixed) {
        Cv->Draw(BG->Left(), BG->Top(), BG->Bitmap());
    } else {
        TBitmap* B = BG->Bitmap();
        const Integer BW = B->Width(), BH = B->Height();
        // Offsets continue the tiling across the cells, scrolled columns and rows included.
        Integer OffX = 0, OffY = 0;
        for (Integer C = BC == bcNormal ? FixedCols() : 0; C < ACol; ++C) OffX += ColWidths(C);
        for (Integer R = BC == bcNormal ? FixedRows() : 0; R < ARow; ++R) OffY += RowHeights(R);
        const Integer X0 = Cell.Left - OffX % BW;
        const Integer Y0 = Cell.Top - OffY % BH;
        for (Integer Y = Y0; Y < Cell.Bottom; Y += BH)
            for (Integer X = X0; X < Cell.Right; X += BW) Cv->Draw(X, Y, B);
    }
    Cv->SetClipRect(OldClip);
}

void TExtStringGrid::DrawSelectionRectangle(TCanvas* Cv, Integer ACol, Integer ARow, const TRect& Rc) {
    if (!FSelectionRectangle) return;
    const TGridRect Sel = Selection();
    if (!Sel.Contains(ACol, ARow)) return;
    TPenBrushKeeper Keep(Cv);
    Cv->Pen()->SetColor(clBlack);
    Cv->Pen()->SetWidth(2);
    TRect Cell = Rc;
    InflateRect(Cell, 1, 1);
    if (ACol == Sel.Left) {
        Cv->MoveTo(Cell.Left + 1, Cell.Top);
        Cv->LineTo(Cell.Left + 1, Cell.Bottom);
    }
    if (ACol == Sel.Right) {
        Cv->MoveTo(Cell.Right - 1, Cell.Top);
        Cv->LineTo(Cell.Right - 1, Cell.Bottom);
    }
    if (ARow == Sel.Top) {
        Cv->MoveTo(Cell.Left, Cell.Top + 1);
        Cv->LineTo(Cell.Right, Cell.Top + 1);
    }
    if (ARow == Sel.Bottom) {
        Cv->MoveTo(Cell.Left, Cell.Bottom - 1);
        Cv->LineTo(Cell.Right, Cell.Bottom - 1);
    }
    if (FSelectionResizer && ACol == Sel.Right && ARow == Sel.Bottom) {
        Cv->Pen()->SetWidth(1);
        Cv->Brush()->SetColor(clBlack);
        Cv->Rectangle(Cell.Right - 4, Cell.Bottom - 4, Cell.Right, Cell.Bottom);
    }
}

// --- borders and fixed-cell looks ---------------------------------------------------------------
void TExtStringGrid::DrawBorders(TCanvas* Cv, Integer ACol, Integer ARow, TRect Rb) {
    TPen Kept;
    Kept.Assign(Cv->Pen());
    TCellBorders Borders;
    GetCellBorder(ACol, ARow, Cv->Pen(), Borders);
    TPen LeftPen, TopPen, RightPen, BottomPen;
    LeftPen.Assign(Cv->Pen());
    TopPen.Assign(Cv->Pen());
    RightPen.Assign(Cv->Pen());
    BottomPen.Assign(Cv->Pen());
    if (OnGetCellBorderProp) FireEvent(OnGetCellBorderProp, this, ARow, ACol, &LeftPen, &TopPen, &RightPen, &BottomPen);
    if (!Borders.Empty()) {
        const Integer W = (Cv->Pen()->Width() + 1) / 2;
        const Integer Dx = Options().Contains(goVertLine) ? W : 0;
        const Integer Dy = Options().Contains(goHorzLine) ? W : 0;
        Rb.Left += Dx;
        Rb.Right -= Dx;
        Rb.Top += Dy;
        Rb.Bottom -= Dy;
        if (Borders.Contains(cbLeft)) {
            Cv->Pen()->Assign(&LeftPen);
            Cv->MoveTo(Rb.Left, Rb.Top);
            Cv->LineTo(Rb.Left, Rb.Bottom);
        }
        if (Borders.Contains(cbRight)) {
            Cv->Pen()->Assign(&RightPen);
            Cv->MoveTo(Rb.Right - 1, Rb.Top);
            Cv->LineTo(Rb.Right - 1, Rb.Bottom);
        }
        if (Borders.Contains(cbTop)) {
            Cv->Pen()->Assign(&TopPen);
            const Integer Y = GridLineWidth() == 0 ? Rb.Top + 1 : Rb.Top - GridLineWidth();
            Cv->MoveTo(Rb.Left, Y);
            Cv->LineTo(Rb.Right, Y);
        }
        if (Borders.Contains(cbBottom)) {
            Cv->Pen()->Assign(&BottomPen);
            Cv->MoveTo(Rb.Left, Rb.Bottom - 1);
            Cv->LineTo(Rb.Right, Rb.Bottom - 1);
        }
    }
    Cv->Pen()->Assign(&Kept);
}

void TExtStringGrid::DrawFixedDecoration(TCanvas* Cv, Integer, Integer, TRect Rc) {
    TPenBrushKeeper Keep(Cv);
    Cv->Pen()->SetWidth(1);
    const TGridOptions O = Options();
    const TColor Dark = HalfColor(ColorToRGB(FixedColor()));
    auto Line = [&](TColor C, std::initializer_list<TPoint> Pts) {
        Cv->Pen()->SetColor(C);
        auto It = Pts.begin();
        Cv->MoveTo(It->X, It->Y);
        for (++It; It != Pts.end(); ++It) Cv->LineTo(It->X, It->Y);
    };
    switch (FLook) {
        case glClassic:
            Line(clWhite, {Point(Rc.Left, Rc.Bottom - 1), Point(Rc.Left, Rc.Top), Point(Rc.Right - 1, Rc.Top)});
            Line(0x808080, {Point(Rc.Right - 2, Rc.Top + 1), Point(Rc.Right - 2, Rc.Bottom - 2), Point(Rc.Left, Rc.Bottom - 2)});
            Line(clBlack, {Point(Rc.Right - 1, Rc.Top), Point(Rc.Right - 1, Rc.Bottom - 1), Point(Rc.Left - 1, Rc.Bottom - 1)});
            break;
        case glKezmo:
        case glXP:
        case glSoft:
            Rc.Bottom -= 1;
            if (O.Contains(goFixedHorzLine)) {
                Line(Dark, {Point(Rc.Left, Rc.Bottom - 1), Point(Rc.Right - 1, Rc.Bottom - 1)});
                Line(clWhite, {Point(Rc.Right, Rc.Top + 1), Point(Rc.Left + 1, Rc.Top + 1), Point(Rc.Left + 1, Rc.Bottom - 1)});
            }
            if (FLook == glSoft && O.Contains(goFixedVertLine)) {
                Line(Dark, {Point(Rc.Right - 2, Rc.Top), Point(Rc.Right - 2, Rc.Bottom - 1)});
                Line(clWhite, {Point(Rc.Right - 1, Rc.Top), Point(Rc.Right - 1, Rc.Bottom - 1)});
            }
            break;
        default:
            break;
    }
}

// --- sort glyph ----------------------------------------------------------------------------
void TExtStringGrid::DrawSortGlyph(TCanvas* Cv, Integer ACol, Integer X, Integer Y) {
    TPenBrushKeeper Keep(Cv);
    const TSortSettings* SS = FSortSettings.get();
    auto Glyph = [&](TBitmap* B) {
        DrawTransparentBitmap(Cv, B, FixedColor(), Rect(X - 4, Y - 4, X - 4 + B->Width(), Y - 4 + B->Height()));
    };
    const bool Both = !SS->UpGlyph()->Empty() && !SS->DownGlyph()->Empty();
    if (!SS->IndexShow()) {
        Cv->Pen()->SetWidth(1);
        if (SS->Direction() == sdDescending) {
            if (Both) {
                Glyph(SS->DownGlyph());
            } else {
                Cv->Pen()->SetColor(clWhite);
                Cv->MoveTo(X + 4, Y - 4);
                Cv->LineTo(X, Y + 4);
                Cv->Pen()->SetColor(0x808080);
                Cv->LineTo(X - 4, Y - 4);
                Cv->LineTo(X + 4, Y - 4);
            }
        } else {
            if (Both) {
                Glyph(SS->UpGlyph());
            } else {
                Cv->Pen()->SetColor(clWhite);
                Cv->MoveTo(X - 4, Y + 4);
                Cv->LineTo(X + 4, Y + 4);
                Cv->LineTo(X, Y - 4);
                Cv->Pen()->SetColor(0x808080);
                Cv->LineTo(X - 4, Y + 4);
            }
        }
        return;
    }
    Integer Place = -1;
    Integer Entry = 0;
    for (size_t I = 0; I < FSortIndexes.size(); ++I)
        if ((FSortIndexes[I] & 0x7FFFFFFF) == ACol) {
            Place = Integer(I);
            Entry = FSortIndexes[I];
        }
    if (Place < 0) return;
    const bool Down = (Cardinal(Entry) & 0x80000000u) != 0;
    TBitmap* B = Down ? SS->IndexDownGlyph() : SS->IndexUpGlyph();
    if (!B->Empty()) {
        Glyph(B);
    } else {
        Cv->Brush()->SetColor(SS->IndexColor());
        Cv->Pen()->SetColor(0x808080);
        if (Down) Cv->Polygon({Point(X - 4, Y - 3), Point(X + 4, Y - 3), Point(X, Y + 3)});
        else Cv->Polygon({Point(X - 4, Y + 3), Point(X + 4, Y + 3), Point(X, Y - 3)});
    }
    TFont Kept;
    Kept.Assign(Cv->Font());
    Cv->Font()->SetSize(6);
    const TBrushStyle Old = Cv->Brush()->Style();
    Cv->Brush()->SetStyle(bsClear);
    Cv->TextOut(X + 6, Y - 6, IntToStr(Place + 1));
    Cv->Brush()->SetStyle(Old);
    Cv->Font()->Assign(&Kept);
}

// --- text size ---------------------------------------------------------------------------------
// Measuring happens on a scratch bitmap: the grid's canvas draws only while it paints.
TCanvas* TExtStringGrid::MeasureCanvas(TBitmap& Scratch, Integer ACol, Integer ARow, TAlignment* HAlignOut,
                                       TVAlignment* VAlignOut, bool* WWOut) {
    Scratch.SetSize(1, 1);
    TCanvas* Cv = Scratch.Canvas();
    Cv->Font()->Assign(Font());
    TGridDrawState S;
    TColor ColorTo = clNone;
    TAlignment HAlign = taLeftJustify;
    TVAlignment VAlign = FVAlignment;
    bool WW = FWordWrap;
    GetCellColor(ACol, ARow, S, false, false, true, Cv->Brush(), ColorTo, Cv->Font(), HAlign, VAlign, WW);
    if (HAlignOut) *HAlignOut = HAlign;
    if (VAlignOut) *VAlignOut = VAlign;
    if (WWOut) *WWOut = WW;
    return Cv;
}

void TExtStringGrid::GetCellTextSize(Integer ACol, Integer ARow, TPoint& Size, bool WithWidth) {
    TBitmap Scratch;
    TCanvas* Cv = MeasureCanvas(Scratch, ACol, ARow);
    if (FZoom != 0) Cv->Font()->SetSize(std::max(1, Cv->Font()->Size() + FZoom));
    // Measured as painted: a turned text by the box it turns into (inside the two-pixel
    // inset it is drawn in), a rich-text document as the rendering rich edit lays it out.
    Integer Angle = 0;
    if (IsRotatedCell(RealColIndex(ACol), ARow, Angle)) {
        const AnsiString Turned = Cells(ACol, ARow);
        const double A = Angle * std::numbers::pi / 180.0, Cs = std::fabs(std::cos(A)), Sn = std::fabs(std::sin(A));
        const Integer W = Turned.empty() ? 0 : Cv->TextWidth(Turned + "w"), H = Turned.empty() ? 0 : Cv->TextHeight(Turned);
        Size = Point(Integer(std::lround(Cs * W + Sn * H)) + 4, Integer(std::lround(Sn * W + Cs * H)) + 4);
        return;
    }
    AnsiString Text;
    FormatCellText(ACol, ARow, Text);
    Integer Kind = TextType(Text, FEnableHTML);
    if (Kind == 3) {
        GetCellForSave(RealColIndex(ACol), ARow, Text);
        Kind = TextType(Text, FEnableHTML);
    }
    const TSize CS = CellSize(ACol, ARow);
    if (Kind == 2 && !IsRtfText(Text)) {
        // Not a rich-text document after all: painted as its words.
        const AnsiString Words = RichTextWords(Text);
        if (!Words.empty()) Text = Words;
        Kind = 0;
    }
    if (Kind == 2) {
        RenderRichEdit();
        TRichEdit* E = FRichCell;
        E->SetWordWrap(WithWidth);
        if (WithWidth) E->SetWidth(std::max(1, CS.cx - 2 * TextMarginX));
        E->SetText(Text);
        const TPoint Need = E->RequiredSize();
        Size = Point(Need.X + 2 + 2 * TextMarginX, Need.Y + 2 * TextMarginY);
    } else if (Kind == 1) {
        TRect R = Rect(TextMarginX, TextMarginY, CS.cx - TextMarginX, 65535);
        if (!WithWidth) R.Right = 65535;
        AnsiString Anchor, Plain, FocusedHref, Title, CtlID, CtlValue, CtlType;
        Integer EX = 0, EY = 0, Count = 0, HitIndex = -1;
        TRect AnchorRect, CtlRect;
        HTMLDrawEx(Cv, Text, R, GridImages(), 0, 0, -1, -1, 1, false, true, false, false, true, false, WithWidth, false,
                   0, FURLColor, clNone, clNone, 0x808080, Anchor, Plain, FocusedHref, Title, EX, EY, Count, HitIndex,
                   AnchorRect, CtlRect, CtlID, CtlValue, CtlType, FPictureCache.get(), FPictureContainer, Widget());
        Size = Point(EX + 2 + 2 * TextMarginX, EY + 2 + 2 * TextMarginY);
    } else if (Kind == 5) {
        const TSize E = Cv->TextExtentW(CellTextToWide(Text));
        Size = Point(E.cx + 2 * TextMarginX, E.cy + 2 * TextMarginY);
    } else if (!WithWidth) {
        AnsiString Rest = Text;
        Integer Widest = 0, Lines = 0;
        for (;;) {
            const size_t E = Rest.find('\n');
            AnsiString Line = E == AnsiString::npos ? Rest : Rest.substr(0, E);
            if (!Line.empty() && Line.back() == '\r') Line.pop_back();
            if (FURLShow && !FURLFull && Kind == 0 && IsURL(Line)) StripURLProtocol(Line);
            Widest = std::max(Widest, Cv->TextWidth(Line));
            ++Lines;
            if (E == AnsiString::npos) break;
            Rest.erase(0, E + 1);
        }
        Size = Point(Widest + 2 * TextMarginX, Lines * Cv->TextHeight("gh") + 2 * TextMarginY);
    } else {
        if (EditorMode() && ACol == Col() && ARow == Row() && !Text.empty() && Text.back() == '\n') Text += "w";
        TRect M = Rect(0, 0, std::max(1, CS.cx - 2 - 2 * TextMarginX), 0);
        Cv->DrawText(Text, M, DT_CALCRECT | DT_NOPREFIX | DT_EDITCONTROL | DT_WORDBREAK);
        Size = Point(M.Width() + 2 * TextMarginX, M.Height() + 2 * TextMarginY);
    }
}
