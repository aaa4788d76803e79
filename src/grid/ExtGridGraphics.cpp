// TExtStringGrid: the graphic layer of a cell: the graphics kept per cell, their layout, placement
// and drawing (every graphic kind), check boxes, radio groups, tree lines and highlighting.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"
#include "platform/ui/WinApi.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

// Keeps the canvas pen and brush (and the font when asked) of a layer that draws with its own.
struct TCanvasKeeper {
    TCanvas* Cv;
    TPen Pen;
    TBrush Brush;
    std::unique_ptr<TFont> Font;
    explicit TCanvasKeeper(TCanvas* C, bool WithFont = false) : Cv(C) {
        Pen.Assign(C->Pen());
        Brush.Assign(C->Brush());
        if (WithFont) {
            Font = std::make_unique<TFont>();
            Font->Assign(C->Font());
        }
    }
    ~TCanvasKeeper() {
        Cv->Pen()->Assign(&Pen);
        Cv->Brush()->Assign(&Brush);
        if (Font) Cv->Font()->Assign(Font.get());
    }
};

void CheckMark(TCanvas* Cv, const TRect& B, TColor C) {
    // Three strokes, two pixels thick: down-right from the left, then up to the top right.
    const Integer S = B.Width();
    const Integer X0 = B.Left + S / 4, Y0 = B.Top + S / 2 - 1;
    const Integer X1 = B.Left + S / 2 - 1, Y1 = B.Bottom - S / 4 - 1;
    const Integer X2 = B.Right - S / 4, Y2 = B.Top + S / 4;
    Cv->Pen()->SetColor(C);
    Cv->Pen()->SetWidth(1);
    for (Integer D = 0; D < 3; ++D) Cv->Polyline({Point(X0, Y0 + D), Point(X1, Y1 + D), Point(X2, Y2 + D)});
}

TColor Complement(TColor C) { return TColor(0xFFFFFF - (ColorToRGB(C) & 0xFFFFFF)); }

}  // namespace

// --- TCellGraphic -----------------------------------------------------------
TCellGraphic::~TCellGraphic() { FreeGraphic(); }

void TCellGraphic::FreeGraphic() {
    const TCellType T = FCellType;
    const bool OwnedKind = T == ctBitmap || T == ctRadio || T == ctPicture || T == ctFilePicture || T == ctBitButton;
    if ((OwnedKind && FCellCreated) || T == ctImages) delete FGraphic;
    if (T == ctIcon && FCellCreated) delete FIcon;
    FGraphic = nullptr;
    FIcon = nullptr;
}

void TCellGraphic::SetGraphic(TObject* Value, bool Created) {
    if (FGraphic != Value && FCellCreated) delete FGraphic;
    FGraphic = Value;
    FCellCreated = Created;
}

void TCellGraphic::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TCellGraphic*>(Source);
    if (!S) return TPersistent::Assign(Source);
    // Fields only: the graphic objects stay with their owner.
    FCellType = S->FCellType;
    FCellVAlign = S->FCellVAlign;
    FCellHAlign = S->FCellHAlign;
    FCellIndex = S->FCellIndex;
    FCellTransparent = S->FCellTransparent;
    FCellBoolean = S->FCellBoolean;
    FCellAngle = S->FCellAngle;
    FCellValue = S->FCellValue;
    FCellValue2 = S->FCellValue2;
    FCellErrFrom = S->FCellErrFrom;
    FCellErrLen = S->FCellErrLen;
    FCellText = S->FCellText;
    FCellColor = S->FCellColor;
    FCellColorTo = S->FCellColorTo;
    FCellTextColor = S->FCellTextColor;
    FCellTextColorTo = S->FCellTextColorTo;
    FCellMin = S->FCellMin;
    FCellMax = S->FCellMax;
    FCellFormat = S->FCellFormat;
}

TPoint TCellGraphic::PictureSize(Integer W, Integer H, Integer PicW, Integer PicH) const {
    const Integer AW = W - FCellIndex, AH = H - FCellIndex;
    auto Ratio = [](Integer Avail, Integer Own) { return Own < 1 ? 1.0 : double(Avail) / double(Own); };
    auto Scale = [&](double RX, double RY) -> TPoint {
        if (RX >= RY) return Point(Integer(std::lround(PicW * RY)), AH);
        return Point(AW, Integer(std::lround(PicH * RX)));
    };
    switch (FCellAngle) {
        case 1: return Point(AW, AH);
        case 2: return Scale(Ratio(AW, PicW), Ratio(AH, PicH));
        case 3:
            if (PicW > AW) return Point(AW, AH);
            if (PicH <= AH) return Point(PicW, PicH);
            return Point(AW, AH);
        case 4:
            if (PicW <= AW && PicH <= AH) return Point(PicW, PicH);
            return Scale(std::min(1.0, Ratio(AW, PicW)), std::min(1.0, Ratio(AH, PicH)));
        default: return Point(PicW, PicH);
    }
}

// --- the graphics kept per cell ------------------------------------------------
TCellGraphic* TExtStringGrid::GetCellGraphic(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0) return nullptr;
    TObject* O = Objects(ACol, ARow);
    auto* G = dynamic_cast<TCellGraphic*>(O);
    if (O && !G) return nullptr;
    if (ACol == 0 && FMouseActions->HotmailRowSelect()) {
        FCellGraphic->SetCellType(ctRowCheckBox);
        FCellGraphic->SetCellValue(FControlLook->ControlStyle() == csFlat ? 1 : 0);
        FCellGraphic->SetCellBoolean(DisplRowSelected(ARow));
        return FCellGraphic.get();
    }
    return G;
}

TCellType TExtStringGrid::GetCellType(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0) return ctEmpty;
    if (ACol == 0 && FMouseActions->HotmailRowSelect()) return ctRowCheckBox;
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    return G ? G->CellType() : ctEmpty;
}

TCellGraphic* TExtStringGrid::CreateCellGraphic(Integer ACol, Integer ARow) {
    // A node replaced goes whole: its rows come out and its levels and count go with it.
    if (ACol == 0 && NodeGraphic(ARow)) {
        const Integer Real = RealRowIndex(ARow);
        RemoveNode(Real);
        ARow = DisplRowIndex(Real);   // with ExpandOne, nodes above may have closed meanwhile
    }
    if (auto* Old = dynamic_cast<TCellGraphic*>(Objects(ACol, ARow)); Old && FOwnedGraphics.erase(Old)) delete Old;
    auto* G = new TCellGraphic();
    FOwnedGraphics.insert(G);
    SetObjects(ACol, ARow, G);
    return G;
}

bool TExtStringGrid::RemoveCellGraphic(Integer ACol, Integer ARow) {
    auto* G = dynamic_cast<TCellGraphic*>(Objects(ACol, ARow));
    if (!G) return false;
    SetObjects(ACol, ARow, nullptr);
    FreeCellGraphic(G);
    return true;
}

void TExtStringGrid::FreeCellGraphic(TCellGraphic* G) {
    // Shared check graphics are not the cell's own.
    if (G->CellType() != ctVirtCheckBox && G->CellType() != ctRowCheckBox && FOwnedGraphics.erase(G)) delete G;
}

bool TExtStringGrid::RemoveCellGraphicOfType(Integer ACol, Integer ARow, TCellType AType) {
    const auto* G = dynamic_cast<TCellGraphic*>(Objects(ACol, ARow));
    if (!G || G->CellType() != AType) return false;
    return RemoveCellGraphic(ACol, ARow);
}

void TExtStringGrid::CellGraphicPrintSize(Integer ACol, Integer ARow, Double Scale, Integer& Width,
                                          Integer& Height) {
    Width = Height = 0;
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G) return;
    switch (G->CellType()) {
        case ctBitmap: case ctIcon: case ctButton: case ctBitButton: case ctProgressPie: {
            const TPoint S = CellGraphicSize(ACol, ARow);
            Width = S.X;
            Height = S.Y;
            break;
        }
        case ctProgress:
            Width = ColWidths(DisplColIndex(ACol));
            Height = RowHeights(ARow);
            break;
        case ctImageList: case ctDataImage:
            if (GridImages()) {
                Width = Integer(std::lround(GridImages()->Width() * Scale));
                Height = Integer(std::lround(GridImages()->Height() * Scale));
            }
            break;
        default:
            break;
    }
}

TPoint TExtStringGrid::CellGraphicSize(Integer ACol, Integer ARow) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G) return Point(0, 0);
    TPoint S{0, 0};
    const TCellType T = G->CellType();
    if (T == ctBitmap || T == ctIcon) {
        if (auto* B = dynamic_cast<TGraphic*>(T == ctBitmap ? G->Graphic() : G->Icon()))
            S = Point(B->Width(), B->Height());
    } else if (IsCheckCellType(T)) {
        S = Point(FControlLook->CheckSize(), FControlLook->CheckSize());
    } else if (T == ctPicture || T == ctFilePicture) {
        if (auto* P = dynamic_cast<TGraphic*>(G->Graphic())) {
            const TSize CS = CellSize(ACol, ARow);
            S = G->PictureSize(CS.cx, CS.cy, P->Width(), P->Height());
        }
    } else if (T == ctButton || T == ctBitButton) {
        const Cardinal I = Cardinal(G->CellIndex());
        S = Point(Integer(I & 0xFFFF), Integer(I >> 16));
    } else if (T == ctProgressPie) {
        S = Point(20, 20);
    } else if ((T == ctImageList || T == ctDataImage) && GridImages()) {
        S = Point(GridImages()->Width(), GridImages()->Height());
    } else if (T == ctImages && GridImages()) {
        const auto* L = dynamic_cast<const TIntList*>(G->Graphic());
        const Integer N = L ? L->Count() : 0;
        S = G->CellBoolean() ? Point(GridImages()->Width(), N * GridImages()->Height())
                             : Point(N * GridImages()->Width(), GridImages()->Height());
    } else if (T == ctRadio) {
        // One item under the other when CellBoolean is set, as they are drawn.
        TBitmap Scratch;
        Scratch.SetSize(1, 1);
        TCanvas* Cv = Scratch.Canvas();
        Cv->Font()->Assign(Font());
        const auto* Items = dynamic_cast<const TStrings*>(G->Graphic());
        const Integer N = Items ? Items->Count() : 0;
        Integer Sum = 0, Widest = 12;
        for (Integer I = 0; I < N; ++I) {
            const Integer W = Cv->TextWidth(Items->Strings(I)) + 12;
            Sum += W;
            Widest = std::max(Widest, W);
        }
        const Integer H = Cv->TextHeight("gh");
        S = G->CellBoolean() ? Point(Widest, H * N) : Point(Sum, H);
    }
    if (G->CellVAlign() == vaFull || G->CellHAlign() == haFull) {
        const TSize CS = CellSize(ACol, ARow);
        if (G->CellVAlign() == vaFull) S.Y = CS.cy;
        if (G->CellHAlign() == haFull) S.X = CS.cx;
    }
    return S;
}

Integer TExtStringGrid::GetNodeIndent(Integer ARow) {
    if (!HasNodes() || ARow < 0) return 0;
    const TCellProperties* P = CellPropertiesOrNil(0, ARow);
    return P ? P->NodeLevel() * FCellNode->NodeIndent() : 0;
}

// --- layout -------------------------------------------------------------------------------------
TCellGraphic* TExtStringGrid::GetCellGraphicLayout(Integer ACol, Integer ARow, Integer& Width, Integer& Height,
                                                   bool& TextDrawn, TCellHAlign& HAlign, TCellVAlign& VAlign) {
    Width = Height = 0;
    TextDrawn = true;
    HAlign = haLeft;
    VAlign = vaTop;
    TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G) return nullptr;
    HAlign = G->CellHAlign();
    VAlign = G->CellVAlign();
    const TCellType T = G->CellType();
    switch (T) {
        case ctDataImage: case ctDataCheckBox: case ctVirtCheckBox: case ctRowCheckBox: case ctRotated: case ctRadio:
        case ctProgress: case ctRangeIndicator:
            TextDrawn = false;
            break;
        default:
            break;
    }
    if (T != ctRotated && T != ctRadio && T != ctProgress && T != ctRangeIndicator && T != ctNode) {
        const TPoint S = CellGraphicSize(ACol, ARow);
        Width = S.X;
        Height = S.Y;
    }
    if (ACol == 0 && HasNodes() && T == ctNode) {
        const TCellProperties* P = CellPropertiesOrNil(0, ARow);
        Width = 12 * (P ? P->NodeLevel() : 0) + 4;
    }
    return G;
}

TRect TExtStringGrid::PlaceCellGraphic(const TRect& Rc, TCellGraphic* G, Integer W, Integer H, TAlignment TextHAlign,
                                       TVAlignment TextVAlign, Integer TextWidth) {
    const Integer Wt = TextWidth > 0 ? TextWidth + 2 : 0;
    const Integer L = Rc.Left, T = Rc.Top, R = Rc.Right, B = Rc.Bottom;
    TRect Gr = Rect(L + 1, T + 1, L + 1 + W, T + 1 + H);
    auto AtX = [&](Integer X) { Gr.Left = X; Gr.Right = X + W; };
    auto AtY = [&](Integer Y) { Gr.Top = Y; Gr.Bottom = Y + H; };
    TCellHAlign HA = G->CellHAlign();
    TCellVAlign VA = G->CellVAlign();
    const TCellType Kind = G->CellType();
    if (IsCheckCellType(Kind)) {
        if (TextVAlign != FVAlignment)
            VA = TextVAlign == vtaTop ? vaTop : TextVAlign == vtaCenter ? vaCenter : vaBottom;
        if (TextHAlign == taCenter) HA = haCenter;
        else if (TextHAlign == taLeftJustify) HA = haLeft;
        else HA = Kind == ctCheckBox ? haBeforeText : haRight;
    }
    switch (HA) {
        case haLeft: AtX(L + 1); break;
        case haRight: AtX(R - 1 - W); break;
        case haCenter: AtX(W < R - L ? L + (R - L - W) / 2 : L + 1); break;
        case haBeforeText: AtX(TextHAlign == taLeftJustify ? L + 1 : std::max(L + 1, R - Wt - W)); break;
        case haAfterText: AtX(TextHAlign == taRightJustify ? R - 1 - W : L + Wt); break;
        case haFull: Gr.Left = L; Gr.Right = R; break;
    }
    switch (VA) {
        case vaTop: case vaAboveText: AtY(T + 1); break;
        case vaBottom: AtY(B - 1 - H); break;
        case vaCenter: AtY(H < B - T ? T + (B - T - H) / 2 : T + 1); break;
        case vaUnderText: AtY(B - H); break;
        case vaFull: Gr.Top = T; Gr.Bottom = B; break;
    }
    return Gr;
}

// --- check boxes and radio groups ---------------------------------------------------------------
void TExtStringGrid::DrawCheck(TCanvas* Cv, const TRect& R, bool Checked, bool Enabled, TControlStyle Style) {
    TCanvasKeeper Keep(Cv);
    const TControlLook* CL = FControlLook.get();
    if (CL->NoDisabledCheckRadioLook() || CL->CheckAlwaysActive()) Enabled = true;
    const Integer S = CL->CheckSize();
    TRect B = Rect(R.Left, R.Top, R.Left + S, R.Top + S);
    if ((Style == csWinXP || Style == csTheme) && FThemed) {
        TThemePartState St;
        St.Checked = Checked;
        St.Disabled = !Enabled;
        DrawThemePart(Cv, tpCheckBox, B, St);
        return;
    }
    switch (Style) {
        case csGlyph: {
            TBitmap* G = Checked ? CL->CheckedGlyph() : CL->UnCheckedGlyph();
            if (!G->Empty()) DrawTransparentBitmap(Cv, G, Cv->Brush()->Color(), Rect(R.Left, R.Top, R.Left + G->Width(), R.Top + G->Height()));
            return;
        }
        case csTheme:
            return;   // no themed drawing here
        case csClassic: case csFlat:
            B = Rect(R.Left + (R.Width() - S) / 2, R.Top + (R.Height() - S) / 2, 0, 0);
            B.Right = B.Left + S;
            B.Bottom = B.Top + S;
            [[fallthrough]];
        default: {
            const bool Varnel = Style == csVarnel;
            Cv->Brush()->SetStyle(bsSolid);
            Cv->Brush()->SetColor(Varnel ? (Enabled ? clBtnFace : clBtnShadow) : (Enabled ? clWhite : clBtnFace));
            Cv->Pen()->SetWidth(1);
            Cv->Pen()->SetColor(Style == csWinXP ? TColor(0x80511C) : Varnel ? clBtnFace : TColor(0x808080));
            Cv->Rectangle(B);
            if (Style == csClassic || Varnel) {
                // Sunken look for the classic box, raised for the drawn one.
                Cv->Pen()->SetColor(Varnel ? clBtnHighlight : TColor(0x808080));
                Cv->Polyline({Point(B.Left, B.Bottom - 1), Point(B.Left, B.Top), Point(B.Right - 1, B.Top)});
                Cv->Pen()->SetColor(Varnel ? clBtnShadow : clWhite);
                Cv->Polyline({Point(B.Right - 1, B.Top), Point(B.Right - 1, B.Bottom - 1), Point(B.Left, B.Bottom - 1)});
            }
            if (Checked) {
                TColor Mark = Enabled ? (Style == csWinXP ? TColor(0x21A121) : Varnel ? CL->Color() : clBlack)
                                      : TColor(0x808080);
                CheckMark(Cv, B, Mark);
            }
        }
    }
}

// Item rectangles of a radio group laid out in R.
std::vector<TRect> TExtStringGrid::RadioLayout(TCanvas* Cv, const TRect& R, TStrings* Items, bool Vertical) {
    std::vector<TRect> Out;
    if (!Items) return Out;
    const TControlStyle St = FControlLook->ControlStyle();
    const Integer Rs = St == csClassic || St == csFlat ? FControlLook->RadioSize() : 16;
    const Integer LineH = Cv->TextHeight("gh");
    Integer X = R.Left, Y = R.Top;
    for (Integer I = 0; I < Items->Count(); ++I) {
        const Integer W = Rs + 4 + Cv->TextWidth(Items->Strings(I)) + 4;
        TRect Ir = Vertical ? Rect(R.Left, Y, R.Right, Y + LineH) : Rect(X, R.Top, X + W, R.Bottom);
        Out.push_back(Ir);
        X += W;
        Y += LineH;
    }
    return Out;
}

void TExtStringGrid::DrawRadio(TCanvas* Cv, const TRect& R, Integer Count, Integer Index, TStrings* Items,
                               bool Disabled, bool Vertical, const AnsiString& CellText, bool Selected) {
    TCanvasKeeper Keep(Cv, true);
    const TControlLook* CL = FControlLook.get();
    if (CL->NoDisabledCheckRadioLook() || CL->RadioAlwaysActive()) Disabled = false;
    if (Selected && FShowSelection) Cv->Font()->SetColor(FSelectionTextColor);
    const TControlStyle St = CL->ControlStyle();
    if (St == csTheme && !FThemed) return;
    const Integer Rs = St == csClassic || St == csFlat ? CL->RadioSize() : 12;
    const std::vector<TRect> Bands = RadioLayout(Cv, R, Items, Vertical);
    for (Integer I = 0; I < std::min<Integer>(Count, Integer(Bands.size())); ++I) {
        const TRect& Ir = Bands[size_t(I)];
        const AnsiString Text = Items->Strings(I);
        const bool On = I == Index || (Index == -1 && Text == CellText);
        const Integer Y = Ir.Top + (Ir.Height() - Rs) / 2;
        const TRect Circle = Rect(Ir.Left + 2, Y, Ir.Left + 2 + Rs, Y + Rs);
        if ((St == csWinXP || St == csTheme) && FThemed) {
            TThemePartState Ts;
            Ts.Checked = On;
            Ts.Disabled = Disabled;
            DrawThemePart(Cv, tpRadioButton, Circle, Ts);
        } else if (St == csGlyph) {
            TBitmap* G = On ? CL->RadioOnGlyph() : CL->RadioOffGlyph();
            if (!G->Empty()) DrawTransparentBitmap(Cv, G, Cv->Brush()->Color(), Rect(Circle.Left, Circle.Top, Circle.Left + G->Width(), Circle.Top + G->Height()));
        } else {
            Cv->Pen()->SetWidth(1);
            Cv->Pen()->SetColor(St == csWinXP ? TColor(0x80511C) : TColor(0x808080));
            Cv->Brush()->SetStyle(bsSolid);
            Cv->Brush()->SetColor(Disabled ? clBtnFace : clWhite);
            Cv->Ellipse(Circle);
            if (On) {
                const TColor Dot = Disabled ? TColor(0x808080) : St == csWinXP ? TColor(0x21A121) : clBlack;
                Cv->Brush()->SetColor(Dot);
                Cv->Pen()->SetColor(Dot);
                const Integer D = std::max(2, Rs / 4);
                Cv->Ellipse(Circle.Left + D, Circle.Top + D, Circle.Right - D, Circle.Bottom - D);
            }
        }
        Cv->Brush()->SetStyle(bsClear);
        Cv->TextOut(Circle.Right + 4, Ir.Top + (Ir.Height() - Cv->TextHeight(Text)) / 2, Text);
    }
}

Integer TExtStringGrid::RadioItemAt(Integer ACol, Integer ARow, Integer X, Integer Y) {
    const TCellGraphic* G = GetCellGraphic(RealColIndex(ACol), ARow);
    TStrings* Items = GetRadioValues(RealColIndex(ACol), ARow);
    if (!G || !Items) return -1;
    TBitmap Scratch;
    TCanvas* Cv = MeasureCanvas(Scratch, ACol, ARow);
    const std::vector<TRect> Bands = RadioLayout(Cv, CellRect(ACol, ARow), Items, G->CellBoolean());
    for (size_t I = 0; I < Bands.size(); ++I) {
        const TRect& B = Bands[I];
        if (X >= B.Left && X < B.Right && Y >= B.Top && Y < B.Bottom) return Integer(I);
    }
    return -1;
}

// --- the graphic layer --------------------------------------------------------------------------
void TExtStringGrid::DrawCellGraphicLayer(TCanvas* Cv, Integer ACol, Integer ARow, const TRect& Rc,
                                          TCellGraphic* Graphic, TAlignment HAlign, TVAlignment VAlign,
                                          Integer TextWidth) {
    Integer W = 0, H = 0;
    bool TextDrawn = true;
    TCellHAlign GH = haLeft;
    TCellVAlign GV = vaTop;
    if (!GetCellGraphicLayout(ACol, ARow, W, H, TextDrawn, GH, GV)) return;
    TCellGraphic* G = Graphic;
    const TCellType Kind = G->CellType();
    TCanvasKeeper Keep(Cv, Kind == ctButton || Kind == ctBitButton || Kind == ctProgress);
    const TRect Gr = PlaceCellGraphic(Rc, G, W, H, HAlign, VAlign, TextWidth);
    auto Enabled = [&] {
        bool Can = true;
        CanEditCell(ACol, ARow, Can);
        return Can;
    };
    switch (G->CellType()) {
        case ctBitmap:
            if (auto* B = dynamic_cast<TBitmap*>(G->Graphic())) {
                if (G->CellTransparent()) {
                    // Through a scratch bitmap in the cell's colour; the see-through colour
                    // is the bitmap's bottom-left pixel.
                    TBitmap Shown, Keyed;
                    Keyed.Assign(B);
                    Keyed.SetTransparent(true);
                    Shown.SetSize(B->Width(), B->Height());
                    Shown.Canvas()->Brush()->SetColor(Cv->Brush()->Color());
                    Shown.Canvas()->FillRect(Rect(0, 0, B->Width(), B->Height()));
                    Shown.Canvas()->Draw(0, 0, &Keyed);
                    Cv->Draw(Gr.Left, Gr.Top, &Shown);
                } else {
                    Cv->Draw(Gr.Left, Gr.Top, B);
                }
            }
            break;
        case ctIcon:
            if (auto* I = dynamic_cast<TGraphic*>(G->Icon())) Cv->Draw(Gr.Left, Gr.Top, I);
            break;
        case ctImageList:
            if (GridImages() && G->CellIndex() >= 0 && G->CellIndex() < GridImages()->Count())
                GridImages()->Draw(Cv, Gr.Left, Gr.Top, G->CellIndex());
            break;
        case ctDataImage: {
            Integer Idx = -1;
            try {
                Idx = Ints(ACol, ARow) + G->CellIndex();
            } catch (const EExtGridError&) {
            }
            if (GridImages() && Idx >= 0 && Idx < GridImages()->Count()) GridImages()->Draw(Cv, Gr.Left, Gr.Top, Idx);
            break;
        }
        case ctImages:
            if (auto* L = dynamic_cast<TIntList*>(G->Graphic()); L && GridImages()) {
                Integer X = Gr.Left, Y = Gr.Top;
                for (Integer I = 0; I < L->Count(); ++I) {
                    const Integer Idx = L->Items(I);
                    if (Idx >= 0 && Idx < GridImages()->Count()) GridImages()->Draw(Cv, X, Y, Idx);
                    if (G->CellBoolean()) Y += GridImages()->Height();
                    else X += GridImages()->Width();
                }
            }
            break;
        case ctCheckBox: case ctRowCheckBox: case ctDataCheckBox: case ctVirtCheckBox: {
            bool Checked = false;
            GetCheckBoxState(ACol, ARow, Checked);
            DrawCheck(Cv, Gr, Checked, Enabled(), FControlLook->ControlStyle());
            break;
        }
        case ctRadio: {
            TStrings* Items = GetRadioValues(ACol, ARow);
            if (Items) {
                TRect R = Rc;
                DrawRadio(Cv, R, Items->Count(), G->CellIndex(), Items, !Enabled(), G->CellBoolean(), Cells(ACol, ARow),
                          Selection().Contains(ACol, ARow));
            }
            break;
        }
        case ctRotated: DrawRotatedText(Cv, Rc, Cells(ACol, ARow), G->CellAngle(), HAlign, VAlign); break;
        case ctNode: DrawNodeGlyph(Cv, ACol, ARow, Rc, G); break;
        case ctPicture: case ctFilePicture:
            if (auto* P = dynamic_cast<TGraphic*>(G->Graphic())) {
                if (G->CellType() == ctPicture && G->CellAngle() == 0) Cv->Draw(Gr.Left, Gr.Top, P);
                else Cv->StretchDraw(Gr, P);
            } else if (auto* F = dynamic_cast<TFilePicture*>(G->Graphic())) {
                F->Draw(Cv, Gr);
            }
            break;
        case ctProgress: {
            TRect R = Rc;
            Integer V = 0;
            try {
                V = Ints(ACol, ARow);
            } catch (const EExtGridError&) {
            }
            const TControlStyle St = FControlLook->ControlStyle();
            if ((St == csWinXP || St == csTheme) && FThemed && FControlLook->ProgressXP()) {
                InflateRect(R, -FControlLook->ProgressMarginX(), -FControlLook->ProgressMarginY());
                TThemePartState Ts;
                Ts.Percent = V;
                DrawThemePart(Cv, tpProgressBar, R, Ts);
                break;
            }
            InflateRect(R, -2, -2);
            const TColor Done = G->CellColor(), Rest = G->CellColorTo();
            const TColor DoneText = G->CellBoolean() ? G->CellTextColor() : Complement(Done);
            const TColor RestText = G->CellBoolean() ? G->CellTextColorTo() : Complement(Rest);
            DrawProgressBar(Cv, R, Done, DoneText, Rest, RestText, V, FControlLook->ProgressMarginX(),
                            FControlLook->ProgressMarginY(), G->CellMin(), G->CellMax(), G->CellFormat(),
                            FControlLook->ProgressBorderColor(), false);
            break;
        }
        case ctComment:
            if (FControlLook->CommentColor() != clNone) {
                const TColor C = G->CellColor() != clNone ? G->CellColor() : FControlLook->CommentColor();
                Cv->Pen()->SetColor(C);
                Cv->Brush()->SetColor(C);
                Cv->Polygon({Point(Rc.Right - 7, Rc.Top + 1), Point(Rc.Right - 2, Rc.Top + 1), Point(Rc.Right - 2, Rc.Top + 6)});
            }
            break;
        case ctButton: case ctBitButton: {
            G->SetCellValue(Integer(Cardinal(Gr.Left - Rc.Left) | (Cardinal(Gr.Top - Rc.Top) << 16)));
            const bool En = FControlLook->NoDisabledButtonLook() || Enabled();
            const bool Pushed = G->CellBoolean();
            Cardinal State = DFCS_BUTTONPUSH;
            if (FControlLook->FlatButton()) State |= DFCS_FLAT;
            if (Pushed) State |= DFCS_PUSHED;
            if (!En) State |= DFCS_INACTIVE;
            if (FThemed) {
                TThemePartState Ts;
                Ts.Pushed = Pushed;
                Ts.Disabled = !En;
                DrawThemePart(Cv, tpPushButton, Gr, Ts);
            } else {
                DrawFrameControl(Cv, Gr, DFC_BUTTON, State);
            }
            TRect T = Gr;
            InflateRect(T, Pushed ? -3 : -2, Pushed ? -3 : -2);
            if (G->CellType() == ctBitButton)
                if (auto* B = dynamic_cast<TBitmap*>(G->Graphic()); B && !B->Empty()) {
                    DrawTransparentBitmap(Cv, B, clBtnFace, Rect(T.Left, T.Top, T.Left + B->Width(), T.Top + B->Height()));
                    T.Left += B->Width() + 2;
                }
            Cv->Brush()->SetStyle(bsClear);
            Cv->Font()->SetColor(En ? Cv->Font()->Color() : TColor(0x808080));
            Cv->DrawText(G->CellText(), T, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
            break;
        }
        case ctProgressPie: {
            Integer V = 0;
            try {
                V = Ints(ACol, ARow);
            } catch (const EExtGridError&) {
            }
            DrawProgressPie(Cv, Rect(Gr.Left, Gr.Top, Gr.Left + 20, Gr.Top + 20), G->CellColor(), V, false);
            break;
        }
        case ctRangeIndicator: {
            TRect R = Rc;
            InflateRect(R, -FControlLook->ProgressMarginX(), -FControlLook->ProgressMarginY());
            Integer V = 0;
            try {
                V = Ints(ACol, ARow);
            } catch (const EExtGridError&) {
            }
            DrawRangeIndicator(Cv, R, V, G->CellMax(), G->CellBoolean(), G->CellColor(), G->CellColorTo());
            break;
        }
        default:
            break;
    }
}

// Text turned by Angle degrees (counter-clockwise), centred in the cell and clipped to it.
namespace {

// Where the start of the turned text's first line stands in R so that the turned
// box (W wide and H high level) takes the cell's alignment.
TPoint RotatedTextOrigin(const TRect& R, Integer W, Integer H, Integer Angle, TAlignment HAlign, TVAlignment VAlign) {
    const double A = Angle * std::numbers::pi / 180.0;
    const Integer Cw = Integer(std::lround(std::fabs(std::cos(A) * W)));
    const Integer Sw = Integer(std::lround(std::fabs(std::sin(A) * W)));
    const Integer Ch = Integer(std::lround(std::fabs(std::cos(A) * H)));
    const Integer Sh = Integer(std::lround(std::fabs(std::sin(A) * H)));
    const Integer Q = Angle < 91 ? 0 : Angle < 181 ? 1 : Angle < 271 ? 2 : 3;
    const Integer L = R.Left, T = R.Top, Rt = R.Right, B = R.Bottom;
    // Per quadrant: left, right and centred X; top, centred and bottom Y.
    const Integer Xs[4][3] = {{L, Rt - Cw - Sh, L + (Rt - L - Sh - Cw) / 2},
                              {L + Cw, Rt - Sh, Rt - (Rt - L + Sh - Cw) / 2},
                              {L + Sh + Cw, Rt, Rt - (Rt - L - Sh - Cw) / 2},
                              {L + Sh, Rt - Cw, L + (Rt - L + Sh - Cw) / 2}};
    const Integer Mid = (B - T - Ch - Sw) / 2;
    const Integer Ys[4][3] = {{T + Sw, T + Mid + Sw, B - Ch},
                              {T + Sw + Ch, T + Mid + Sw + Ch, B},
                              {T + Ch, T + Mid + Ch, B - Sw},
                              {T, T + Mid, B - Ch - Sw}};
    const Integer H3 = HAlign == taLeftJustify ? 0 : HAlign == taRightJustify ? 1 : 2;
    const Integer V3 = VAlign == vtaTop ? 0 : VAlign == vtaCenter ? 1 : 2;
    return Point(Xs[Q][H3], Ys[Q][V3]);
}

}  // namespace

void TExtStringGrid::DrawRotatedText(TCanvas* Cv, const TRect& Rc, const AnsiString& Text, Integer Angle,
                                     TAlignment HAlign, TVAlignment VAlign) {
    if (Text.empty()) return;
    const TSize E = Cv->TextExtent(Text);
    if (E.cx <= 0 || E.cy <= 0) return;
    Angle = ((Angle % 360) + 360) % 360;
    // Drawn level on a scratch bitmap, then turned pixel by pixel onto the canvas.
    TBitmap Level;
    Level.SetSize(E.cx, E.cy);
    TCanvas* L = Level.Canvas();
    L->Font()->Assign(Cv->Font());
    const TColor Key = Cv->Font()->Color() == clWhite ? clBlack : clWhite;
    L->Brush()->SetColor(Key);
    L->FillRect(Rect(0, 0, E.cx, E.cy));
    L->Brush()->SetStyle(bsClear);
    L->TextOut(0, 0, Text);
    const double A = Angle * std::numbers::pi / 180.0, Cs = std::cos(A), Sn = std::sin(A);
    TRect Clip = Rc;
    InflateRect(Clip, -2, -2);
    if (Clip.Width() <= 0 || Clip.Height() <= 0) return;
    // The text's start: placed for a box one "w" wider than the text.
    const TPoint O = RotatedTextOrigin(Clip, Cv->TextWidth(Text + "w"), E.cy, Angle, HAlign, VAlign);
    TBitmap Turned;
    Turned.SetSize(Clip.Width(), Clip.Height());
    TCanvas* Tc = Turned.Canvas();
    Tc->Brush()->SetColor(Key);
    Tc->FillRect(Rect(0, 0, Clip.Width(), Clip.Height()));
    for (Integer Y = Clip.Top; Y < Clip.Bottom; ++Y)
        for (Integer X = Clip.Left; X < Clip.Right; ++X) {
            const double Dx = X + 0.5 - O.X, Dy = Y + 0.5 - O.Y;
            // Back to the level text: turn by -Angle (screen y grows downwards).
            const Integer Sx = Integer(std::floor(Dx * Cs - Dy * Sn));
            const Integer Sy = Integer(std::floor(Dx * Sn + Dy * Cs));
            if (Sx < 0 || Sy < 0 || Sx >= E.cx || Sy >= E.cy) continue;
            const TColor P = L->Pixels(Sx, Sy);
            if (P != Key && P >= 0) Tc->SetPixels(X - Clip.Left, Y - Clip.Top, P);
        }
    Turned.SetTransparent(true);
    Tc->SetPixels(0, Clip.Height() - 1, Key);   // the see-through colour is the bottom-left pixel
    Cv->Draw(Clip.Left, Clip.Top, &Turned);
}

// --- nodes --------------------------------------------------------------------------------------
void TExtStringGrid::DrawNodeGlyph(TCanvas* Cv, Integer ACol, Integer ARow, const TRect& Rc, TCellGraphic* G) {
    const TCellProperties* P = CellPropertiesOrNil(0, ARow);
    const Integer Level = P ? P->NodeLevel() : 1;
    const Integer Indent = FCellNode->NodeIndent();
    Integer L = Rc.Left + (Level - 1) * Indent;
    const bool FixedLook = (FLook == glSoft || FLook == glKezmo || FLook == glXP || FLook == glListView) && !FFlat;
    if (FixedLook && ACol < FixedCols()) ++L;
    const bool Contracted = G->CellBoolean();
    const Integer Mid = (Rc.Top + Rc.Bottom) / 2;
    TRect Box = Rect(L + 2, Mid - 4, L + 2 + 9, Mid + 5);
    if (FCellNode->ShowTree() && ARow >= FixedRows()) {
        Cv->Pen()->SetColor(FCellNode->TreeColor());
        Cv->Pen()->SetWidth(1);
        // From the glyph down to the rows it holds, and towards the text.
        if (!Contracted && GetNodeSpan(ARow) > 1) {
            Cv->MoveTo(Box.Left + 4, Box.Bottom);
            Cv->LineTo(Box.Left + 4, Rc.Bottom + 1);
        }
        Cv->MoveTo(Box.Right, Mid);
        Cv->LineTo(L + Indent, Mid);
    }
    switch (FCellNode->NodeType()) {
        case cnGlyph:
            if (!FCellNode->ExpandGlyph()->Empty() && !FCellNode->ContractGlyph()->Empty()) {
                TBitmap* B = Contracted ? FCellNode->ExpandGlyph() : FCellNode->ContractGlyph();
                const Integer Y = Rc.Top + (Rc.Height() - B->Height()) / 2;
                DrawTransparentBitmap(Cv, B, Cv->Brush()->Color(), Rect(L, Y, L + B->Width(), Y + B->Height()));
                return;
            }
            break;
        case cn3D: {
            TRect E = Box;
            DrawEdge(Cv, E, Contracted ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
            break;
        }
        default:
            break;
    }
    if (FCellNode->NodeType() == cn3D) {
        // The edge drawing holds the sign.
    } else {
        Cv->Brush()->SetStyle(bsSolid);
        Cv->Brush()->SetColor(clWhite);
        Cv->Pen()->SetColor(FCellNode->NodeType() == cnFlat ? FCellNode->NodeColor() : TColor(0x808080));
        Cv->Rectangle(Box);
    }
    Cv->Pen()->SetColor(FCellNode->NodeColor());
    Cv->MoveTo(Box.Left + 2, Mid);
    Cv->LineTo(Box.Right - 2, Mid);
    if (Contracted) {
        Cv->MoveTo(Box.Left + 4, Box.Top + 2);
        Cv->LineTo(Box.Left + 4, Box.Bottom - 2);
    }
}

void TExtStringGrid::DrawTreeLines(TCanvas* Cv, Integer ARow, const TRect& Rc) {
    if (!HasNodes() || ARow < FixedRows() || !FCellNode->ShowTree() || IsNode(ARow)) return;
    const TCellProperties* P = CellPropertiesOrNil(0, ARow);
    const Integer Level = P ? P->NodeLevel() : 0;
    if (Level <= 0) return;
    TCanvasKeeper Keep(Cv);
    Cv->Pen()->SetColor(FCellNode->TreeColor());
    Cv->Pen()->SetWidth(1);
    const Integer Indent = FCellNode->NodeIndent();
    const Integer Mid = (Rc.Top + Rc.Bottom) / 2;
    const Integer X = Rc.Left + (Level - 1) * Indent + 6;
    const bool Ends = GetNodeLine(ARow) == 1;
    Cv->MoveTo(X, Rc.Top - 1);
    Cv->LineTo(X, Ends && !FCellNode->ShowTreeFull() ? Mid + 1 : Rc.Bottom + 1);
    Cv->MoveTo(X, Mid);
    Cv->LineTo(X + Indent - 4, Mid);
    // Outer levels go on through the cell while the next row is still inside them.
    const TCellProperties* Next = ARow + 1 < RowCount() ? CellPropertiesOrNil(0, ARow + 1) : nullptr;
    const Integer NextLevel = Next ? Next->NodeLevel() : 0;
    for (Integer Lv = 1; Lv < Level; ++Lv) {
        if (NextLevel < Lv) continue;
        const Integer Xo = Rc.Left + (Lv - 1) * Indent + 6;
        Cv->MoveTo(Xo, Rc.Top - 1);
        Cv->LineTo(Xo, Rc.Bottom + 1);
    }
}

// --- queries and highlighting -------------------------------------------------------------------
TIntList* TExtStringGrid::GetCellImages(Integer ACol, Integer ARow) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    return G && G->CellType() == ctImages ? dynamic_cast<TIntList*>(G->Graphic()) : nullptr;
}

TObject* TExtStringGrid::CellGraphicHandle(Integer ACol, Integer ARow, Integer& Index) {
    Index = -1;
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G) return nullptr;
    if (G->CellType() == ctBitmap) return G->Graphic();
    if (G->CellType() == ctIcon) return G->Icon();
    if (G->CellType() == ctImageList) Index = G->CellIndex();
    return nullptr;
}

void TExtStringGrid::HilightInRange(const AnsiString& Text, const AnsiString& Tag, TGridRect ARect, bool CaseSensitive) {
    for (Integer R = ARect.Top; R <= ARect.Bottom; ++R)
        for (Integer C = ARect.Left; C <= ARect.Right; ++C)   // a Unicode cell's stored bytes are no markup
            if (const AnsiString T = Cells(C, R); TakesHighlight(T)) SetCells(C, R, HiLight(T, Text, Tag, CaseSensitive));
}

void TExtStringGrid::UnHilightInRange(const AnsiString& Tag, TGridRect ARect) {
    for (Integer R = ARect.Top; R <= ARect.Bottom; ++R)
        for (Integer C = ARect.Left; C <= ARect.Right; ++C)
            if (const AnsiString T = Cells(C, R); !IsUnicodeText(T)) SetCells(C, R, UnHiLight(T, Tag));
}

TGridRect TExtStringGrid::HilightArea(bool All) const {
    TGridRect R;
    R.Left = All ? 0 : FixedCols();
    R.Top = All ? 0 : FixedRows();
    R.Right = All ? ColCount() - 1 : ColCount() - 1 - FFixedRightCols;
    R.Bottom = All ? RowCount() - 1 : RowCount() - 1 - FFixedFooters;
    return R;
}

void TExtStringGrid::HilightInGrid(const AnsiString& Text, bool All, bool CaseSensitive) {
    HilightInRange(Text, "hi", HilightArea(All), CaseSensitive);
}

void TExtStringGrid::UnHilightInGrid(bool All) {
    const TGridRect A = HilightArea(All);
    UnHilightInRange("hi", A);
    UnHilightHiddenRows("hi", A.Left, A.Right);
}
