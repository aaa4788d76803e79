// Mini-HTML text: layout, drawing, measuring and hit-testing, and the small text routines beside them.
#include "grid/EsgHTMLE.h"

#include "grid/ExtUtil.h"
#include "grid/PictureContainer.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ShellAPI.h"

#include <algorithm>
#include <cmath>

bool IsWinXPOrLater = false;

namespace {

// Sizes taken from markup are bounded so a wild value cannot exhaust the painter.
constexpr Integer kMaxFontPoints = 500;
constexpr Integer kMaxPictureSide = 10000;

Integer Clamp(Integer V, Integer Lo, Integer Hi) { return std::max(Lo, std::min(Hi, V)); }

AnsiString ReplaceAll(AnsiString S, const AnsiString& From, const AnsiString& To) {
    size_t P = 0;
    while ((P = S.find(From, P)) != AnsiString::npos) {
        S.replace(P, From.size(), To);
        P += To.size();
    }
    return S;
}

struct TEntity {
    const char* Name;
    char Ch;
};
constexpr TEntity Entities[] = {{"&amp;", '&'},     {"&quot;", '"'},    {"&lt;", '<'},    {"&gt;", '>'},
                                {"&nbsp;", ' '},    {"&sect;", '\xA7'}, {"&permil;", '\x89'}, {"&reg;", '\xAE'},
                                {"&copy;", '\xA9'}, {"&para;", '\xB6'}, {"&trade;", '\x99'}, {"&euro;", '\x80'}};

// The quoted value after Name in the upper-cased tag; Found tells whether it is there.
AnsiString TagAttr(const AnsiString& Tag, const AnsiString& U, const AnsiString& Name, bool KeepCase,
                   bool* Found = nullptr) {
    if (Found) *Found = false;
    size_t P = U.find(Name);
    if (P == AnsiString::npos) return AnsiString();
    size_t Q1 = U.find('"', P + Name.size());
    if (Q1 == AnsiString::npos) return AnsiString();
    size_t Q2 = U.find('"', Q1 + 1);
    if (Q2 == AnsiString::npos) return AnsiString();
    if (Found) *Found = true;
    const AnsiString V = HTMLDecode(Tag.substr(Q1 + 1, Q2 - Q1 - 1));
    return KeepCase ? V : UpperCase(V);
}

// The number after the tag's name (for <IND x="..."> and <R a="...">), quoted or not.
bool TagNumber(const AnsiString& U, size_t From, Integer& Value) {
    size_t Q1 = U.find('"', From);
    AnsiString V;
    if (Q1 != AnsiString::npos) {
        size_t Q2 = U.find('"', Q1 + 1);
        V = U.substr(Q1 + 1, Q2 == AnsiString::npos ? AnsiString::npos : Q2 - Q1 - 1);
    } else {
        size_t Eq = U.find('=', From);
        V = U.substr(Eq == AnsiString::npos ? From : Eq + 1);
        if (!V.empty() && V.back() == '>') V.pop_back();
    }
    return TryStrToInt(Trim(V), Value);
}

TColor ColorAttr(const AnsiString& V) {
    if (!V.empty() && V[0] == '#') return HexToColor(V);
    return Text2Color(LowerCase(V));
}

struct TFontState {
    AnsiString Name;
    Integer Height = 0;
    TFontStyles Style;
    TColor Color = clBlack;
};

TFontState ReadFont(const TFont* F) { return {F->Name(), F->Height(), F->Style(), F->Color()}; }

void WriteFont(TFont* F, const TFontState& S) {
    F->SetName(S.Name);
    F->SetHeight(S.Height);
    F->SetStyle(S.Style);
    F->SetColor(S.Color);
}

// Everything a line pass changes; saved before the measuring pass of a line and
// restored before its second pass, so both passes see the same starting state.
struct TState {
    TFontState Font;
    TColor Brush = clNone;   // clNone: clear brush
    Integer AnchorCount = 0;
    bool InAnchor = false;
    AnsiString Href;
    Integer AnchorStartX = 0;
    bool AnchorHit = false;
    bool InFocusAnchor = false;
    Integer FocusStartX = 0;
    Integer ListLevel = 0;
    bool Sub = false, Sup = false, Shadow = false, Hidden = false, Error = false;
    bool ParaBg = false;
    TColor ParaColor = clNone;
    Integer ImageCount = 0;
    Integer Align = 0;
    Integer Indent = 0;
    Integer CtrlWidth = 0, CtrlHeight = 0;
    std::vector<TColor> FontColors, FontBrushes, HiColors, HiBrushes, AnchorColors, AnchorBrushes, ParaBrushes;
};

struct TLine {
    Integer Width = 0;
    Integer Height = 0;
    Integer SubExtra = 0;
    Integer SupExtra = 0;
    Integer TextOffset = 0;
    Integer TrailBlank = 0;
    TColor ParaFill = clNone;
    size_t End = 0;
};

enum TTagResult { trContinue, trBreakAfter, trBreakBefore };

class TLayout {
public:
    // Parameters
    TCanvas* C = nullptr;
    AnsiString S;
    TRect R;
    THTMLImageList* Images = nullptr;
    Integer PX = 0, PY = 0, FocusIndex = -1, HoverIndex = -1, ShadowShift = 0;
    bool HitTestOnly = false, MeasureOnly = false, ForPrinter = false, Selected = false, BlinkVisible = true,
         HoverOnlyStyle = false, Wrap = true, MouseDown = false;
    Double PrintScale = 1;
    TColor AnchorColor = clBlue, HoverBrush = clNone, HoverText = clNone, ShadowColor = clGray;
    THTMLPictureCache* Cache = nullptr;
    TPictureContainer* Container = nullptr;
    AnsiString ControlToFind;
    // Outputs
    bool Result = false;
    AnsiString HitAnchor, PlainText, FocusedHref, HitTitle;
    Integer ExtentX = 0, ExtentY = 0, HitAnchorIndex = -1;
    TRect HitAnchorRect, HitControlRect;
    AnsiString HitControlID, HitControlValue, HitControlType;

    TState St;
    TFontState StartFont;
    TColor StartBrush = clWhite;
    Integer HitImage = -1;
    size_t LastGt = AnsiString::npos;
    // Chunk sizes of the line being laid out, by text position: the drawing pass
    // reuses what the measuring pass found under the same font.
    struct TChunkSize {
        size_t Pos;
        Integer Height, Width;
    };
    std::vector<TChunkSize> Sizes;

    void Run();

private:
    Integer GH() const { return C->TextHeight("gh"); }
    void SetBrush(TColor Color);
    void ApplyState(const TState& From);
    bool IsTagStart(size_t P) const { return LastGt != AnsiString::npos && P < LastGt; }
    void ProcessLine(bool First, size_t Pos, size_t Limit, const TRect& LR, TLine& L, const TLine& M);
    TTagResult HandleTag(bool First, const AnsiString& Tag, TLine& L, const TLine& M, const TRect& LR, Integer& X,
                         bool LineEmpty, bool& LiInLine);
    void DrawChunk(const AnsiString& Chunk, Integer X, Integer W, Integer Th, const TRect& LR, Integer Bottom);
    void DoImage(bool First, const AnsiString& Tag, const AnsiString& U, TLine& L, const TLine& M, const TRect& LR,
                 Integer& X, bool LineEmpty, TTagResult& Res);
    void DoControl(bool First, const AnsiString& Tag, TLine& L, const TLine& M, const TRect& LR, Integer& X,
                   bool LineEmpty, TTagResult& Res);
    THTMLPicture* FindPicture(const AnsiString& Src);
    Integer Avail() const { return R.Right - (R.Left + 1); }
    bool Drawing(bool First) const { return !First && !HitTestOnly; }
};

void TLayout::SetBrush(TColor Color) {
    St.Brush = Color;
    if (Color == clNone) C->Brush()->SetStyle(bsClear);
    else C->Brush()->SetColor(Color);
}

void TLayout::ApplyState(const TState& From) {
    St = From;
    WriteFont(C->Font(), St.Font);
    SetBrush(St.Brush);
}

THTMLPicture* TLayout::FindPicture(const AnsiString& Src) {
    try {
        if (Src.find("://") != AnsiString::npos) {
            if (!Cache) return nullptr;
            THTMLPicture* P = Cache->FindPicture(Src);
            if (!P) {
                P = Cache->AddPicture();
                P->SetID(Src);
                P->SetAsynch(false);
                P->LoadFromURL(Src);
            }
            return P;
        }
        if (Src.find(':') == AnsiString::npos && Container) return Container->FindPicture(Src);
    } catch (const std::exception&) {
        // A picture that cannot be loaded shows nothing.
    }
    return nullptr;
}

void TLayout::DrawChunk(const AnsiString& Chunk, Integer X, Integer W, Integer Th, const TRect& LR, Integer Bottom) {
    Cardinal Flags = DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX | DT_EXPANDTABS | DT_EXTERNALLEADING;
    if (!Wrap) Flags |= DT_END_ELLIPSIS;
    Integer Right = std::max(X, LR.Right);
    if (St.Brush != clNone) C->FillRect(Rect(X, Bottom - Th, std::min(X + W, Right), Bottom));
    if (St.Shadow) {
        TColor Keep = C->Font()->Color();
        C->Font()->SetColor(ShadowColor);
        TRect SR = Rect(X + ShadowShift, std::min(LR.Top, Bottom - Th) + ShadowShift, Right + ShadowShift,
                        Bottom + ShadowShift);
        C->DrawText(Chunk, SR, Flags);
        C->Font()->SetColor(Keep);
    }
    TRect DR = Rect(X, std::min(LR.Top, Bottom - Th), Right, Bottom);
    if (C->Font()->Orientation() != 0) {
        // Turned about the start of its line; the layout goes on as if it were level.
        TBrushStyle Keep = C->Brush()->Style();
        C->Brush()->SetStyle(bsClear);
        C->TextOut(X, Bottom - C->TextHeight(Chunk), Chunk);
        C->Brush()->SetStyle(Keep);
    } else {
        C->DrawText(Chunk, DR, Flags);
    }
    if (St.Error) {
        TColor KeepColor = C->Pen()->Color();
        Integer KeepWidth = C->Pen()->Width();
        TPenStyle KeepStyle = C->Pen()->Style();
        C->Pen()->SetColor(clRed);
        C->Pen()->SetWidth(1);
        C->Pen()->SetStyle(psSolid);
        std::vector<TPoint> Pts;
        bool Up = true;
        for (Integer PX2 = X & ~1; PX2 <= X + W; PX2 += 2) {
            Pts.push_back(Point(PX2, Up ? Bottom - 1 : Bottom + 1));
            Up = !Up;
        }
        if (Pts.size() > 1) C->Polyline(Pts);
        C->Pen()->SetColor(KeepColor);
        C->Pen()->SetWidth(KeepWidth);
        C->Pen()->SetStyle(KeepStyle);
    }
}

void TLayout::DoImage(bool First, const AnsiString& Tag, const AnsiString& U, TLine& L, const TLine& M,
                      const TRect& LR, Integer& X, bool LineEmpty, TTagResult& Res) {
    ++St.ImageCount;
    // File names keep their case: they are looked up on a case-sensitive file system.
    AnsiString Src = TagAttr(Tag, U, "SRC", true);
    AnsiString Alt = TagAttr(Tag, U, "ALT", true);
    Integer W = StrToIntDef(TagAttr(Tag, U, "WIDTH", false), 0);
    Integer H = StrToIntDef(TagAttr(Tag, U, "HEIGHT", false), 0);
    AnsiString Align = TagAttr(Tag, U, "ALIGN", false);
    bool Sized = W >= 1 && H >= 1;

    AnsiString USrc = UpperCase(Src);
    THTMLPicture* Pic = nullptr;
    Integer ListIndex = -1;
    AnsiString IconPath;   // a file's or folder's icon, small or (LargeIcon) large
    bool LargeIcon = false;
    if (USrc.rfind("IDX:", 0) == 0) {
        Integer N = StrToIntDef(Trim(Src.substr(4)), -1);
        if (Images && N >= 0 && N < Images->Count()) ListIndex = N;
    } else if (USrc.rfind("SSYS:", 0) == 0 || USrc.rfind("LSYS:", 0) == 0) {
        // The desktop's icon of a path; an icon given by its index in a system list has no
        // counterpart here and shows nothing.
        IconPath = Trim(Src.substr(5));
        LargeIcon = USrc[0] == 'L';
        if (std::all_of(IconPath.begin(), IconPath.end(), [](char Ch) { return Ch >= '0' && Ch <= '9'; }))
            IconPath.clear();
    } else {
        Pic = FindPicture(Src);
        if (Pic && Pic->Empty()) Pic = nullptr;
    }
    if (ListIndex < 0 && !Pic && IconPath.empty()) return;   // draws nothing and takes no room
    if (!Sized) {
        W = ListIndex >= 0 ? Images->Width() : Pic ? Pic->FrameWidth() : FileIconSize(LargeIcon);
        H = ListIndex >= 0 ? Images->Height() : Pic ? Pic->FrameHeight() : FileIconSize(LargeIcon);
    }
    if (ForPrinter && PrintScale > 0) {
        W = static_cast<Integer>(std::lround(W * PrintScale));
        H = static_cast<Integer>(std::lround(H * PrintScale));
    }
    W = Clamp(W, 0, kMaxPictureSide);
    H = Clamp(H, 0, kMaxPictureSide);
    if (W <= 0 || H <= 0) return;

    if (First) {
        if (!LineEmpty && L.Width + W > Avail() && W <= Avail()) {
            --St.ImageCount;
            Res = trBreakBefore;
            return;
        }
        L.Width += W;
        L.Height = std::max(L.Height, H);
        if (Align.find("TOP") != AnsiString::npos) L.TextOffset = L.Height - GH();
        else if (Align.find("MIDDLE") != AnsiString::npos) L.TextOffset = (L.Height - GH()) / 2;
        X += W;
        return;
    }
    Integer Base = LR.Top + M.Height + M.SupExtra;
    TRect IR = Rect(X, Base - H, X + W, Base);
    if (St.InAnchor && IR.Contains(Point(PX, PY))) {
        Result = true;
        HitAnchor = St.Href;
        St.AnchorHit = true;
        HitImage = St.ImageCount;
    }
    if (Drawing(false)) {
        if (HitImage == St.ImageCount && !Alt.empty() && ListIndex < 0) {
            THTMLPicture* AltPic = FindPicture(Alt);
            if (AltPic && !AltPic->Empty()) Pic = AltPic;
        }
        if (ListIndex >= 0) {
            if (ForPrinter) {
                TBitmap B;
                B.SetSize(Images->Width(), Images->Height());
                Images->Draw(B.Canvas(), 0, 0, ListIndex);
                C->StretchDraw(IR, &B);
            } else {
                Images->Draw(C, X, Base - H, ListIndex);
            }
        } else if (!Pic) {
            DrawFileIcon(C, IR, IconPath, LargeIcon);
        } else {
            if (Pic->FrameCount() > 1 && St.Brush != clNone) C->FillRect(IR);
            if (Sized || ForPrinter) C->StretchDraw(IR, Pic);
            else Pic->Draw(C, IR);
        }
    }
    X += W;
}

void TLayout::DoControl(bool First, const AnsiString& Tag, TLine& L, const TLine& M, const TRect& LR, Integer& X,
                        bool LineEmpty, TTagResult& Res) {
    AnsiString CType, CID, CProp, CWidth, CValue;
    ParseControlTag(Tag, CType, CID, CProp, CWidth, CValue);
    Integer N = 0;
    if (TryStrToInt(Trim(CWidth), N)) {
        N = Clamp(N, 0, kMaxPictureSide);
        if (CType == "EDIT" || CType == "PASSWORD" || CType == "MASK") St.CtrlWidth = N, St.CtrlHeight = GH() + 6;
        else if (CType == "COMBO") St.CtrlWidth = N, St.CtrlHeight = 25;
        else if (CType == "BUTTON") St.CtrlWidth = N, St.CtrlHeight = 24;
        else if (CType != "CHECK" && CType != "RADIO") St.CtrlWidth = N;
    }
    if (CType == "CHECK" || CType == "RADIO") St.CtrlWidth = 16, St.CtrlHeight = 16;
    const Integer W = St.CtrlWidth, H = St.CtrlHeight;

    if (First) {
        if (!LineEmpty && L.Width + W > Avail() && W <= Avail()) {
            Res = trBreakBefore;
            return;
        }
        L.Width += W;
        L.Height = std::max(L.Height, H);
        X += W;
        return;
    }
    const Integer Top = LR.Top;
    TRect CR = Rect(X, Top, X + W, Top + H);
    bool Hit = (PX > X && PX < X + W && PY > Top && PY < Top + H) ||
               (HitTestOnly && !ControlToFind.empty() && CID == ControlToFind);
    if (Hit) {
        Result = true;
        HitAnchor = "ctrl";
        HitControlRect = CR;
        HitControlID = CID;
        HitControlValue = CValue;
        HitControlType = CType;
    }
    if (Drawing(false)) {
        bool Hot = PX > X - 2 && PX < X + W - 2 && PY > Top - 2 && PY < Top + H - 2;
        bool Pressed = Hot && MouseDown;
        const Integer LB = LR.Top + M.Height + M.SubExtra + M.SupExtra;
        const Integer LH = M.Height;
        TFontState KeepFont = ReadFont(C->Font());
        TColor KeepBrush = St.Brush;
        TColor KeepPen = C->Pen()->Color();
        auto EditBox = [&](const AnsiString& Shown, Integer TextRight) {
            C->Pen()->SetColor(clGray);
            C->Brush()->SetStyle(bsClear);
            C->Rectangle(X, LB - LH + 3, X + W, LB + 1);
            TRect TR = Rect(X + 2, LB - LH + 4, TextRight, LB);
            C->DrawText(Shown, TR, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        };
        const bool Checked = UpperCase(CValue) == "TRUE";
        if (CType == "EDIT" || CType == "MASK") {
            EditBox(CValue, X + W);
        } else if (CType == "PASSWORD") {
            EditBox(PasswordText(CValue), X + W);
        } else if (CType == "COMBO") {
            EditBox(CValue, X + W - 17);
            DrawComboButton(C, nullptr, Rect(X + W - 17, LB - LH + 4, X + W - 1, LB), false);
        } else if (CType == "CHECK" || CType == "RADIO") {
            TRect B = Rect(X, Top, X + 13, Top + 13);
            OffsetRect(B, 1, 1);
            C->Pen()->SetColor(clGray);
            C->Brush()->SetColor(Pressed ? clBtnFace : clWindow);
            if (CType == "CHECK") {
                C->Rectangle(B);
                if (Checked) {
                    C->Pen()->SetColor(clWindowText);
                    for (Integer D = 0; D < 2; ++D) {
                        C->MoveTo(B.Left + 3, B.Top + 5 + D);
                        C->LineTo(B.Left + 5, B.Top + 7 + D);
                        C->LineTo(B.Left + 10, B.Top + 2 + D);
                    }
                }
            } else {
                C->Ellipse(B);
                if (Checked) {
                    C->Pen()->SetColor(clWindowText);
                    C->Brush()->SetColor(clWindowText);
                    C->Ellipse(B.Left + 4, B.Top + 4, B.Right - 4, B.Bottom - 4);
                }
            }
        } else if (CType == "BUTTON") {
            C->Brush()->SetColor(clBtnFace);
            C->FillRect(CR);
            TColor TL = Pressed ? clBtnShadow : clBtnHighlight, BR = Pressed ? clBtnHighlight : cl3DDkShadow;
            C->Pen()->SetColor(TL);
            C->MoveTo(CR.Left, CR.Bottom - 1);
            C->LineTo(CR.Left, CR.Top);
            C->LineTo(CR.Right - 1, CR.Top);
            C->Pen()->SetColor(BR);
            C->LineTo(CR.Right - 1, CR.Bottom - 1);
            C->LineTo(CR.Left - 1, CR.Bottom - 1);
            TRect TR = CR;
            if (Pressed) OffsetRect(TR, 1, 1);
            C->Font()->SetColor(clBtnText);
            C->Brush()->SetStyle(bsClear);
            C->DrawText(CValue, TR, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
        }
        WriteFont(C->Font(), KeepFont);
        C->Pen()->SetColor(KeepPen);
        SetBrush(KeepBrush);
    }
    X += W;
}

TTagResult TLayout::HandleTag(bool First, const AnsiString& Tag, TLine& L, const TLine& M, const TRect& LR,
                              Integer& X, bool LineEmpty, bool& LiInLine) {
    const AnsiString U = UpperCase(Tag);
    TFont* F = C->Font();
    const bool Closing = U.size() > 1 && U[1] == '/';
    const size_t At = Closing ? 2 : 1;
    const char L1 = At < U.size() ? U[At] : '\0';
    const char L2 = At + 1 < U.size() ? U[At + 1] : '\0';
    const Integer Base = LR.Top + M.Height + M.SupExtra;   // second pass only
    auto Pop = [](std::vector<TColor>& V, TColor Def) {
        if (V.empty()) return Def;
        TColor Col = V.back();
        V.pop_back();
        return Col;
    };
    auto AddStyle = [&](TFontStyle Sty, bool On) {
        TFontStyles Set = F->Style();
        if (On) Set.Include(Sty);
        else Set.Exclude(Sty);
        F->SetStyle(Set);
    };

    if (Closing) {
        switch (L1) {
            case 'A': {
                AddStyle(fsUnderline, false);
                SetBrush(Pop(St.AnchorBrushes, StartBrush));
                TColor Fc = Pop(St.AnchorColors, StartFont.Color);
                if (!Selected) F->SetColor(Fc);
                if (!First && St.InAnchor && St.AnchorHit) {
                    HitAnchorIndex = St.AnchorCount;
                    HitAnchorRect = Rect(St.AnchorStartX, Base - M.TextOffset - GH(), X, Base - M.TextOffset);
                }
                if (Drawing(First) && St.InFocusAnchor)
                    C->DrawFocusRect(Rect(St.FocusStartX - 1, Base - M.TextOffset - GH(), X + 1, Base - M.TextOffset));
                St.InAnchor = false;
                St.InFocusAnchor = false;
                St.AnchorHit = false;
                St.Href.clear();
                break;
            }
            case 'B':
                if (L2 == '>') AddStyle(fsBold, false);
                else F->SetColor(StartFont.Color);
                break;
            case 'E': St.Error = false; break;
            case 'F': {
                F->SetName(StartFont.Name);
                F->SetHeight(StartFont.Height);
                TColor Fc = Pop(St.FontColors, StartFont.Color);
                TColor Bc = Pop(St.FontBrushes, StartBrush);
                if (!Selected) {
                    F->SetColor(Fc);
                    SetBrush(Bc);
                }
                break;
            }
            case 'H':
                if (L2 == 'I') {
                    F->SetColor(Pop(St.HiColors, StartFont.Color));
                    SetBrush(Pop(St.HiBrushes, StartBrush));
                }
                break;
            case 'I': if (L2 == '>') AddStyle(fsItalic, false); break;
            case 'L': return trBreakAfter;
            case 'P':
                St.ParaBg = false;
                SetBrush(Pop(St.ParaBrushes, StartBrush));
                return trBreakAfter;
            case 'R': ResetRotatedFont(C); break;
            case 'S':
                if (L2 == '>') AddStyle(fsStrikeOut, false);
                else if (L2 == 'H') St.Shadow = false;
                else if (L2 == 'U') St.Sub = St.Sup = false;
                break;
            case 'U':
                if (L2 == '>') AddStyle(fsUnderline, false);
                else if (St.ListLevel > 0) --St.ListLevel;
                else AddStyle(fsUnderline, false);
                break;
            case 'Z': St.Hidden = false; break;
            default: break;
        }
        return trContinue;
    }

    switch (L1) {
        case 'A': {
            ++St.AnchorCount;
            const bool Hovered = St.AnchorCount == HoverIndex;
            St.AnchorColors.push_back(F->Color());
            St.AnchorBrushes.push_back(St.Brush);
            if (!HoverOnlyStyle || Hovered) AddStyle(fsUnderline, true);
            if (!Selected) {
                F->SetColor(AnchorColor);
                if (Hovered && HoverText != clNone) F->SetColor(HoverText);
                if (Hovered && HoverBrush != clNone) SetBrush(HoverBrush);
            }
            bool HasHref = false;
            AnsiString Href = TagAttr(Tag, U, "HREF", false, &HasHref);
            if (HasHref) {
                St.InAnchor = true;
                St.Href = Href;
                St.AnchorStartX = X;
                St.AnchorHit = false;
            }
            bool HasTitle = false;
            AnsiString Title = TagAttr(Tag, U, "TITLE", false, &HasTitle);
            if (HasTitle) HitTitle = Title;
            if (St.AnchorCount - 1 == FocusIndex) {
                St.InFocusAnchor = true;
                St.FocusStartX = X;
                if (!First) FocusedHref = St.Href;
            }
            break;
        }
        case 'B':
            if (L2 == '>') AddStyle(fsBold, true);
            else if (L2 == 'R') {
                PlainText += '\r';
                // An empty line between two breaks keeps the height of a text line.
                if (First && L.Height == 0) L.Height = C->TextHeight("gh");
                return trBreakAfter;
            } else if (L2 == 'L') {
                if (!BlinkVisible) F->SetColor(StartBrush == clNone ? clWhite : StartBrush);
            } else if (L2 == 'O') {
                if (!Drawing(First)) break;
                AnsiString Bg = TagAttr(Tag, U, "BACKGROUND", true);
                if (!Bg.empty()) {
                    THTMLPicture* P = FindPicture(Bg);
                    if (P && !P->Empty() && P->Width() > 0 && P->Height() > 0) {
                        TRect Keep = C->ClipRect();
                        TRect Clip;
                        if (IntersectRect(Clip, Keep, R)) {
                            C->SetClipRect(Clip);
                            for (Integer Y = R.Top; Y < R.Bottom; Y += P->Height())
                                for (Integer X2 = R.Left; X2 < R.Right; X2 += P->Width())
                                    C->Draw(X2, Y, P);
                            C->SetClipRect(Keep);
                        }
                    }
                }
                AnsiString BgColor = TagAttr(Tag, U, "BGCOLOR", false);
                if (!BgColor.empty()) {
                    TColor Col = clNone;
                    if (BgColor.find("CL") != AnsiString::npos) Col = Text2Color(LowerCase(BgColor));
                    else if (size_t H = BgColor.find('#'); H != AnsiString::npos) Col = HexToColor(BgColor.substr(H));
                    if (Col != clNone) {
                        SetBrush(Col);
                        C->FillRect(R);
                    }
                }
            }
            break;
        case 'C': {
            TTagResult Res = trContinue;
            DoControl(First, Tag, L, M, LR, X, LineEmpty, Res);
            return Res;
        }
        case 'E': St.Error = true; break;
        case 'F': {
            St.FontColors.push_back(F->Color());
            St.FontBrushes.push_back(St.Brush);
            bool Has = false;
            AnsiString Face = TagAttr(Tag, U, "FACE", false, &Has);
            if (Has && !Face.empty()) F->SetName(Face);
            AnsiString Col = TagAttr(Tag, U, " COLOR", false, &Has);
            if (Has && !Selected) F->SetColor(ColorAttr(Col));
            AnsiString Bg = TagAttr(Tag, U, "BGCOLOR", false, &Has);
            if (Has && !Selected && !First) SetBrush(ColorAttr(Bg));
            AnsiString Size = TagAttr(Tag, U, "SIZE", false, &Has);
            Integer N = 0;
            if (Has && TryStrToInt(Trim(Size), N)) {
                static const Integer Points[] = {8, 10, 12, 14, 16};
                if (N >= 1 && N <= 5) N = Points[N - 1];
                F->SetSize(Clamp(N, 1, kMaxFontPoints));
            }
            break;
        }
        case 'H':
            if (L2 == 'I') {
                St.HiColors.push_back(F->Color());
                St.HiBrushes.push_back(St.Brush);
                if (!First) {
                    SetBrush(clHighlight);
                    F->SetColor(clHighlightText);
                }
            } else if (L2 == 'R') {
                if (Drawing(First)) {
                    TColor Keep = C->Pen()->Color();
                    C->Pen()->SetColor(clBlack);
                    const Integer Y = LR.Top + M.Height + M.SubExtra + M.SupExtra + 1;
                    C->MoveTo(R.Left, Y);
                    C->LineTo(R.Right, Y);
                    C->Pen()->SetColor(Keep);
                }
                return trBreakAfter;
            }
            break;
        case 'I':
            if (L2 == '>') AddStyle(fsItalic, true);
            else if (L2 == 'N') {
                Integer N = 0;
                if (TagNumber(U, At + 3, N)) {
                    N = Clamp(N, 0, kMaxPictureSide);
                    if (First && L.Width < N) L.Width = N;
                    X = std::max(X, LR.Left + N);
                }
            } else if (L2 == 'M') {
                TTagResult Res = trContinue;
                DoImage(First, Tag, U, L, M, LR, X, LineEmpty, Res);
                return Res;
            }
            break;
        case 'L': {
            if (LiInLine) return trBreakBefore;
            LiInLine = true;
            const Integer Level = St.ListLevel;
            if (Level >= 1) {
                if (First) L.Width += 12 * Level;
                if (Drawing(First)) {
                    TFontState Keep = ReadFont(F);
                    TColor KeepBrush = St.Brush;
                    SetBrush(clNone);
                    const Integer Th = C->TextHeight("\x95");
                    TRect BR = Rect(X + 12 * (Level - 1), std::min(LR.Top, Base - M.TextOffset - Th), X + 12 * Level,
                                    Base - M.TextOffset);
                    // A bullet for odd levels, a ring for even ones.
                    C->DrawText(Level % 2 ? AnsiString("\x95") : AnsiString("o"), BR,
                                DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX | DT_NOCLIP);
                    WriteFont(F, Keep);
                    SetBrush(KeepBrush);
                }
                X += 12 * Level;
            }
            break;
        }
        case 'P': {
            bool Has = false;
            AnsiString Align = TagAttr(Tag, U, "ALIGN", false, &Has);
            if (Has) {
                if (Align.find("RIGHT") != AnsiString::npos) St.Align = 1;
                if (Align.find("LEFT") != AnsiString::npos) St.Align = 0;
                if (Align.find("CENTER") != AnsiString::npos) St.Align = 2;
            }
            AnsiString Indent = TagAttr(Tag, U, "INDENT", false, &Has);
            Integer N = 0;
            if (Has && TryStrToInt(Trim(Indent), N)) St.Indent = Clamp(N, 0, kMaxPictureSide);
            AnsiString Bg = TagAttr(Tag, U, "BGCOLOR", false, &Has);
            St.ParaBrushes.push_back(St.Brush);
            if (Has && !Selected) {
                St.ParaBg = true;
                St.ParaColor = ColorAttr(Bg);
                SetBrush(St.ParaColor);
                if (First) L.ParaFill = St.ParaColor;
            }
            break;
        }
        case 'R': {
            Integer N = 0;
            if (TagNumber(U, At + 1, N)) SetRotatedFont(C, N);
            break;
        }
        case 'S':
            if (L2 == '>') AddStyle(fsStrikeOut, true);
            else if (L2 == 'H') St.Shadow = true;
            else if (U == "<SUB>") St.Sub = true;
            else if (U == "<SUP>") St.Sup = true;
            break;
        case 'U':
            if (L2 == '>') AddStyle(fsUnderline, true);
            else {
                ++St.ListLevel;
                return trBreakAfter;
            }
            break;
        case 'Z': St.Hidden = true; break;
        default: break;
    }
    return trContinue;
}

void TLayout::ProcessLine(bool First, size_t Pos, size_t Limit, const TRect& LR, TLine& L, const TLine& M) {
    Integer X = LR.Left;
    AnsiString LineText;
    bool LiInLine = false;
    if (First) {
        L = TLine();
        Sizes.clear();
        if (St.ParaBg) L.ParaFill = St.ParaColor;
    } else {
        if (St.InAnchor) St.AnchorStartX = X;
        if (St.InFocusAnchor) St.FocusStartX = X;
    }
    const Integer Base = LR.Top + M.Height + M.SupExtra;
    while (Pos < Limit) {
        if (S[Pos] == '<' && IsTagStart(Pos)) {
            size_t Gt = S.find('>', Pos);
            AnsiString Tag = S.substr(Pos, Gt - Pos + 1);
            bool LineEmpty = LineText.empty() && L.Width == 0;
            TTagResult Res = HandleTag(First, Tag, L, M, LR, X, LineEmpty, LiInLine);
            if (Res == trBreakBefore && !LineEmpty) {
                L.End = Pos;
                return;
            }
            Pos = Gt + 1;
            if (Res == trBreakAfter) {
                L.End = Pos;
                return;
            }
            continue;
        }
        // A chunk: text up to the next tag (or after the next blank when wrapping).
        size_t End = Pos;
        while (End < Limit && !(S[End] == '<' && IsTagStart(End))) {
            ++End;
            if (Wrap && S[End - 1] == ' ') break;
        }
        AnsiString Chunk = S.substr(Pos, End - Pos);
        // Decoded here, after the tags were found: an "&lt;" never opens a tag.
        Chunk = HTMLDecode(Chunk);
        const TChunkSize* Known = nullptr;
        if (!First)
            for (const TChunkSize& K : Sizes)
                if (K.Pos == Pos) Known = &K;
        // Measured once for both: each measuring shapes the whole chunk.
        const TSize Ext = Known ? TSize{Known->Width, Known->Height} : C->TextExtent(Chunk);
        const Integer Th = Ext.cy;
        if (St.Hidden) {
            Pos = End;
            continue;
        }
        const Integer W = Ext.cx;
        if (First) Sizes.push_back({Pos, Th, W});
        if (First) {
            const bool Fits = L.Width + W < Avail() || W >= Avail() || LineText.empty() || LineText.back() != ' ';
            if (!Fits && Wrap) {
                L.End = Pos;
                return;
            }
            L.Height = std::max(L.Height, Th);
            if (St.Sub) L.SubExtra = std::max(L.SubExtra, Th / 4);
            if (St.Sup) L.SupExtra = std::max(L.SupExtra, Th / 4);
            L.Width += W;
            L.TrailBlank = !Chunk.empty() && Chunk.back() == ' ' ? C->TextWidth(" ") : 0;
            LineText += Chunk;
        } else {
            Integer Bottom = Base - M.TextOffset;
            if (St.Sup) Bottom -= M.SupExtra;
            if (St.Sub) Bottom += M.SubExtra;
            if (St.InAnchor && PX >= X && PX < X + W && Base - M.TextOffset - GH() < PY && PY < Base - M.TextOffset) {
                Result = true;
                HitAnchor = St.Href;
                St.AnchorHit = true;
            }
            if (!HitTestOnly) DrawChunk(Chunk, X, W, Th, LR, Bottom);
            LineText += Chunk;
        }
        PlainText += Chunk;
        X += W;
        Pos = End;
    }
    L.End = Limit;
}

void TLayout::Run() {
    StartFont = ReadFont(C->Font());
    StartBrush = C->Brush()->Style() == bsClear ? clNone : C->Brush()->Color();

    // A left-over footer placeholder "<#...>" shows as its number sign and digits.
    for (size_t P = S.find("<#"); P != AnsiString::npos; P = S.find("<#", P)) {
        S.erase(P, 1);
        size_t Gt = S.find('>', P);
        if (Gt != AnsiString::npos) S.erase(Gt, 1);
    }
    S = ReplaceAll(ReplaceAll(S, "\n", ""), "\r", "<BR>");
    LastGt = S.rfind('>');

    SetBrush(clNone);
    St.Font = StartFont;
    St.Brush = clNone;

    const TRect Avl = Rect(R.Left + 1, R.Top, R.Right, R.Bottom);
    Integer Top = R.Top;
    size_t Pos = 0;
    const TLine None;
    while (Pos < S.size()) {
        // Tags set the canvas font: a line starts with the font the last one ended in.
        St.Font = ReadFont(C->Font());
        const TState Before = St;
        TLine L;
        ProcessLine(true, Pos, S.size(), Rect(Avl.Left, Top, Avl.Right, Avl.Bottom), L, None);
        if (L.End <= Pos) L.End = Pos + 1;   // always make progress
        const Integer LineW = L.Width - L.TrailBlank;
        const Integer LineH = L.Height + L.SubExtra + L.SupExtra;
        if (!MeasureOnly) {
            TRect LR = Rect(Avl.Left, Top, Avl.Right, Top + LineH);
            if (St.Align == 1) LR.Left = std::max(LR.Left, Avl.Right - LineW);
            else if (St.Align == 2 && Avl.Width() - LineW > 0) LR.Left += (Avl.Width() - LineW) / 2;
            LR.Left += St.Indent;
            ApplyState(Before);
            if (!HitTestOnly && L.ParaFill != clNone) {
                TColor Keep = St.Brush;
                SetBrush(L.ParaFill);
                C->FillRect(Rect(R.Left, LR.Top, R.Right, LR.Bottom));
                SetBrush(Keep);
            }
            const TLine Measured = L;
            TLine Second;
            ProcessLine(false, Pos, L.End, LR, Second, Measured);
            // The drawing pass ends where the measuring one did, with the colours only
            // drawing sets (a highlight, a font's background) on top: they go on too.
            St.Font = ReadFont(C->Font());
        }
        Pos = L.End;
        Top += LineH;
        ExtentY += LineH;
        ExtentX = std::max(ExtentX, L.Width);
        if (!MeasureOnly && Top + GH() > R.Bottom) break;
    }
    if (ExtentY == 0) ExtentY = GH();
    if (MeasureOnly) Result = false;
}

}  // namespace

bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& Rect, THTMLImageList* Images,
                Integer PointX, Integer PointY, Integer FocusAnchorIndex, Integer HoverAnchorIndex,
                Integer ShadowShift, bool HitTestOnly, bool MeasureOnly, bool ForPrinter, bool Selected,
                bool BlinkVisible, bool HoverOnlyStyle, bool WrapWords, bool MouseDown, Double PrintScale,
                TColor AnchorColor, TColor HoverBrushColor, TColor HoverTextColor, TColor ShadowColor,
                AnsiString& HitAnchor, AnsiString& PlainText, AnsiString& FocusedHref, AnsiString& HitTitle,
                Integer& ExtentX, Integer& ExtentY, Integer& AnchorCount, Integer& HitAnchorIndex,
                TRect& HitAnchorRect, TRect& HitControlRect, AnsiString& HitControlID,
                AnsiString& HitControlValue, AnsiString& HitControlType, THTMLPictureCache* PictureCache,
                TPictureContainer* PictureContainer, void* OwnerWindow) {
    (void)OwnerWindow;   // no visual styles here
    HitAnchor.clear();
    PlainText.clear();
    FocusedHref.clear();
    HitTitle.clear();
    ExtentX = ExtentY = AnchorCount = 0;
    HitAnchorIndex = -1;
    HitAnchorRect = TRect();
    HitControlRect = TRect();
    HitControlValue.clear();
    HitControlType.clear();
    AnsiString ControlToFind = HitTestOnly ? HitControlID : AnsiString();
    if (!HitTestOnly) HitControlID.clear();
    if (!Canvas) return false;

    TFont KeepFont;
    KeepFont.Assign(Canvas->Font());
    const TColor KeepBrushColor = Canvas->Brush()->Color();
    const TBrushStyle KeepBrushStyle = Canvas->Brush()->Style();

    TLayout Ly;
    Ly.C = Canvas;
    Ly.S = Text;
    Ly.R = Rect;
    Ly.Images = Images;
    Ly.PX = PointX;
    Ly.PY = PointY;
    Ly.FocusIndex = FocusAnchorIndex;
    Ly.HoverIndex = HoverAnchorIndex;
    Ly.ShadowShift = ShadowShift;
    Ly.HitTestOnly = HitTestOnly;
    Ly.MeasureOnly = MeasureOnly;
    Ly.ForPrinter = ForPrinter;
    Ly.Selected = Selected;
    Ly.BlinkVisible = BlinkVisible;
    Ly.HoverOnlyStyle = HoverOnlyStyle;
    Ly.Wrap = WrapWords;
    Ly.MouseDown = MouseDown;
    Ly.PrintScale = PrintScale;
    Ly.AnchorColor = AnchorColor;
    Ly.HoverBrush = HoverBrushColor;
    Ly.HoverText = HoverTextColor;
    Ly.ShadowColor = ShadowColor;
    Ly.Cache = PictureCache;
    Ly.Container = PictureContainer;
    Ly.ControlToFind = ControlToFind;
    try {
        Ly.Run();
    } catch (const std::exception&) {
        // Malformed markup never reaches the painter as an exception.
    }
    ResetRotatedFont(Canvas);
    Canvas->Font()->Assign(&KeepFont);
    Canvas->Brush()->SetColor(KeepBrushColor);
    Canvas->Brush()->SetStyle(KeepBrushStyle);

    HitAnchor = Ly.HitAnchor;
    PlainText = Ly.PlainText;
    FocusedHref = Ly.FocusedHref;
    HitTitle = Ly.HitTitle;
    ExtentX = Ly.ExtentX;
    ExtentY = Ly.ExtentY;
    AnchorCount = Ly.St.AnchorCount;
    HitAnchorIndex = Ly.HitAnchorIndex;
    HitAnchorRect = Ly.HitAnchorRect;
    HitControlRect = Ly.HitControlRect;
    if (!Ly.HitControlID.empty() || Ly.HitControlType.size()) HitControlID = Ly.HitControlID;
    HitControlValue = Ly.HitControlValue;
    HitControlType = Ly.HitControlType;
    return MeasureOnly ? false : Ly.Result;
}

// ---------------------------------------------------------------------------
TColor Text2Color(const AnsiString& S) {
    static const struct { const char* Name; TColor Color; } Table[] = {
        {"clred", clRed},
        {"clblack", clBlack},
        {"clblue", clBlue},
        {"clgreen", clGreen},
        {"claqua", clAqua},
        {"clyellow", clYellow},
        {"clfuchsia", clFuchsia},
        {"clwhite", clWhite},
        {"cllime", clLime},
        {"clsilver", clSilver},
        {"clgray", clGray},
        {"clolive", clOlive},
        {"clnavy", clNavy},
        {"clpurple", clPurple},
        {"clteal", clTeal},
        {"clmaroon", clMaroon},
        {"clbackground", clBackground},
        {"clactivecaption", clActiveCaption},
        {"clinactivecaption", clInactiveCaption},
        {"clmenu", clMenu},
        {"clwindow", clWindow},
        {"clwindowframe", clWindowFrame},
        {"clmenutext", clMenuText},
        {"clwindowtext", clWindowText},
        {"clcaptiontext", clCaptionText},
        {"clactiveborder", clActiveBorder},
        {"clinactiveborder", clInactiveBorder},
        {"clappworkspace", clAppWorkSpace},
        {"clhighlight", clHighlight},
        {"clhighlighttext", clHighlightText},
        {"clbtnface", clBtnFace},
        {"clbtnshadow", clBtnShadow},
        {"clgraytext", clGrayText},
        {"clbtntext", clBtnText},
        {"clinactivecaptiontext", clInactiveCaptionText},
        {"clbtnhighlight", clBtnHighlight},
        {"cl3ddkshadow", cl3DDkShadow},
        {"cl3dlight", cl3DLight},
        {"clinfotext", clInfoText},
        {"clinfobk", clInfoBk},
    };
    for (const auto& E : Table)
        if (S == E.Name) return E.Color;
    return clBlack;
}

TColor HexToColor(const AnsiString& S) {
    auto Digit = [&](size_t I) -> Integer {
        if (I >= S.size()) return 0;
        unsigned char Ch = static_cast<unsigned char>(S[I]);
        return Ch < 'A' ? Integer(Ch) - '0' : Integer(Ch) - 55;
    };
    auto Pair = [&](size_t I) { return (Digit(I) * 16 + Digit(I + 1)) & 0xFF; };
    return Pair(1) + Pair(3) * 256 + Pair(5) * 65536;
}

AnsiString HTMLStrip(const AnsiString& S) {
    AnsiString T = S;
    for (const char* Tag : {"<BR>", "<HR>"}) {
        AnsiString U = UpperCase(T);
        AnsiString R;
        size_t From = 0, P;
        while ((P = U.find(Tag, From)) != AnsiString::npos) {
            R += T.substr(From, P - From) + "\r\n";
            From = P + 4;
        }
        T = R + T.substr(From);
    }
    AnsiString R;
    size_t From = 0;
    while (From < T.size()) {
        size_t Lt = T.find('<', From);
        if (Lt == AnsiString::npos) break;
        size_t Gt = T.find('>', Lt);
        if (Gt == AnsiString::npos) break;
        R += T.substr(From, Lt - From);
        From = Gt + 1;
    }
    return HTMLDecode(R + T.substr(std::min(From, T.size())));
}

AnsiString HTMLDecode(const AnsiString& S) {
    if (S.find('&') == AnsiString::npos) return S;
    AnsiString R;
    R.reserve(S.size());
    for (size_t I = 0; I < S.size();) {
        const TEntity* Hit = nullptr;
        if (S[I] == '&')
            for (const TEntity& E : Entities)
                if (S.compare(I, std::char_traits<char>::length(E.Name), E.Name) == 0) Hit = &E;
        if (Hit) {
            R += Hit->Ch;
            I += std::char_traits<char>::length(Hit->Name);
        } else {
            R += S[I++];
        }
    }
    return R;
}

AnsiString HTMLEncode(const AnsiString& S) {
    AnsiString R;
    R.reserve(S.size());
    for (char C : S) {
        switch (C) {
            case '&': R += "&amp;"; break;
            case '"': R += "&quot;"; break;
            case '<': R += "&lt;"; break;
            case '>': R += "&gt;"; break;
            default: R += C;
        }
    }
    return R;
}

AnsiString HiLight(const AnsiString& S, const AnsiString& Search, const AnsiString& Tag, bool CaseSensitive) {
    if (Search.empty()) return S;
    // Plain text and, for each of its characters, the position in S.
    AnsiString Plain;
    std::vector<size_t> Map;
    for (size_t I = 0; I < S.size();) {
        if (S[I] == '<') {
            size_t Gt = S.find('>', I);
            if (Gt != AnsiString::npos) {
                I = Gt + 1;
                continue;
            }
        }
        Plain += S[I];
        Map.push_back(I);
        ++I;
    }
    AnsiString Hay = CaseSensitive ? Plain : AnsiUpperCase(Plain);
    AnsiString Needle = CaseSensitive ? Search : AnsiUpperCase(Search);
    std::vector<std::pair<size_t, AnsiString>> Inserts;
    const AnsiString Open = "<" + Tag + ">", Close = "</" + Tag + ">";
    for (size_t P = Hay.find(Needle); P != AnsiString::npos; P = Hay.find(Needle, P + Needle.size())) {
        Inserts.push_back({Map[P], Open});
        Inserts.push_back({Map[P + Needle.size() - 1] + 1, Close});
    }
    // One pass over the text: a long note with many hits stays linear.
    AnsiString R;
    R.reserve(S.size() + Inserts.size() * Close.size());
    size_t From = 0;
    for (const auto& [At, T] : Inserts) {
        R.append(S, From, At - From);
        R += T;
        From = At;
    }
    R.append(S, From, AnsiString::npos);
    return R;
}

// Takes out every opening and closing tag, in any case, in one pass over the text.
AnsiString UnHiLight(const AnsiString& S, const AnsiString& Tag) {
    auto Up = [](char C) { return C >= 'a' && C <= 'z' ? char(C - 'a' + 'A') : C; };
    auto TagAt = [&](size_t P) -> size_t {
        size_t Q = P + 1;
        if (Q < S.size() && S[Q] == '/') ++Q;
        if (Q + Tag.size() >= S.size() || S[Q + Tag.size()] != '>') return 0;
        for (size_t K = 0; K < Tag.size(); ++K)
            if (Up(S[Q + K]) != Up(Tag[K])) return 0;
        return Q + Tag.size() + 1 - P;
    };
    AnsiString R;
    R.reserve(S.size());
    for (size_t P = 0; P < S.size();) {
        const size_t N = S[P] == '<' ? TagAt(P) : 0;
        if (N) {
            P += N;
        } else {
            R += S[P++];
        }
    }
    return R;
}

void SetRotatedFont(TCanvas* Canvas, Integer Angle) {
    if (Canvas) Canvas->Font()->SetOrientation(Angle * 10);
}

void ResetRotatedFont(TCanvas* Canvas) {
    if (Canvas) Canvas->Font()->SetOrientation(0);
}
