// TExtStringGrid: copy, cut and paste through the clipboard as tab/CR LF text and as the grid's own cell stream.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/Rtf.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <type_traits>

namespace {

const char* const CellsFormatName = "TExtStringGrid Cells";
const char* const RTFFormatName = "Rich Text Format";

// --- the cell stream: one image per streaming component, each opened by its class name.
class TCellWriter {
public:
    explicit TCellWriter(TStream* S) : FS(S) {}
    void Int(Integer V) { FS->WriteBuffer(&V, sizeof V); }
    void Bool(bool V) { const Byte B = V ? 1 : 0; FS->WriteBuffer(&B, 1); }
    void Str(const AnsiString& V) {
        Int(Integer(V.size()));
        if (!V.empty()) FS->WriteBuffer(V.data(), Integer(V.size()));
    }
    // What a graphic writes of itself, with its length in front.
    void Graphic(TGraphic* G) {
        TMemoryStream MS;
        G->SaveToStream(&MS);
        Int(Integer(MS.Size()));
        if (MS.Size() > 0) FS->WriteBuffer(MS.Memory(), Integer(MS.Size()));
    }
private:
    TStream* FS;
};

class TCellReader {
public:
    explicit TCellReader(TStream* S) : FS(S) {}
    Integer Int() { Integer V = 0; FS->ReadBuffer(&V, sizeof V); return V; }
    bool Bool() { Byte B = 0; FS->ReadBuffer(&B, 1); return B != 0; }
    AnsiString Str() {
        const Integer N = Int();
        if (N < 0 || N > FS->Size() - FS->Position()) throw EReadError("Stream read error");
        AnsiString V(size_t(N), '\0');
        if (N) FS->ReadBuffer(V.data(), N);
        return V;
    }
    void Expect(const char* ClassName) {
        if (Str() != ClassName) throw EReadError("Invalid stream format");
    }
    // Reads the component's class name when it comes next; else leaves the stream as it was.
    bool Next(const char* ClassName) {
        const Int64 At = FS->Position();
        const AnsiString Name = ClassName;
        Integer N = 0;
        if (FS->Size() - At >= Int64(sizeof N) + Int64(Name.size()) && FS->Read(&N, sizeof N) == sizeof N &&
            N == Integer(Name.size())) {
            AnsiString V(Name.size(), '\0');
            if (FS->Read(V.data(), N) == N && V == Name) return true;
        }
        FS->SetPosition(At);
        return false;
    }
    void Graphic(TGraphic* G) {
        const AnsiString Data = Str();
        if (Data.empty()) return;
        TMemoryStream MS;
        MS.WriteBuffer(Data.data(), Integer(Data.size()));
        MS.SetPosition(0);
        try {
            G->LoadFromStream(&MS);
        } catch (const EInvalidGraphic&) {
            throw EReadError("Invalid stream format");
        }
    }
private:
    TStream* FS;
};

AnsiString JoinInts(Integer From, Integer To, const std::function<Integer(Integer)>& F) {
    AnsiString S;
    for (Integer I = From; I <= To; ++I) {
        if (I > From) S += ',';
        S += IntToStr(F(I));
    }
    return S;
}

std::vector<Integer> SplitInts(const AnsiString& S) {
    std::vector<Integer> V;
    size_t P = 0;
    while (P < S.size()) {
        size_t E = S.find(',', P);
        if (E == AnsiString::npos) E = S.size();
        V.push_back(StrToIntDef(S.substr(P, E - P), 0));
        P = E + 1;
    }
    return V;
}

// The stream's header. Streams written before the origin component came place their
// block by its first written cell; row and column numbers were then kept in 16 bits.
struct TStreamHeader {
    Integer Cols = 0, Rows = 0;
    std::vector<Integer> Widths, Heights;
    bool Full = false;
    Integer ID = 0;
    bool HasOrigin = false;
    TGridCoord Origin{0, 0};   // the block's top-left cell in the grid that wrote it
    Integer Footers = 0;       // a whole grid's last rows that were its footer rows
};

constexpr Integer MaxFontSize = 1000;   // points, or pixels when negative

[[noreturn]] void Damaged() { throw EReadError("Invalid stream format"); }

Integer InRange(Integer V, Integer Lo, Integer Hi) {
    if (V < Lo || V > Hi) Damaged();
    return V;
}

// The header is checked against what it carries: a width for every column and a height
// for every row of a block that stays within the cell limit.
TStreamHeader ReadHeader(TCellReader& Rd) {
    TStreamHeader H;
    Rd.Expect("TGridPropIO");
    H.Cols = Rd.Int();
    H.Rows = Rd.Int();
    H.Widths = SplitInts(Rd.Str());
    H.Heights = SplitInts(Rd.Str());
    H.Full = Rd.Bool();
    H.ID = Rd.Int();
    if (Rd.Next("TGridOriginIO")) {
        H.HasOrigin = true;
        H.Origin.X = InRange(Rd.Int(), 0, 0x7FFFFFFF);
        H.Origin.Y = InRange(Rd.Int(), 0, 0x7FFFFFFF);
    }
    if (Rd.Next("TGridFootersIO")) H.Footers = Rd.Int();
    if (H.Footers < 0 || H.Footers >= std::max(1, H.Rows) || (H.Footers > 0 && !H.Full)) Damaged();
    if (H.Cols < 1 || H.Rows < 1 || H.Cols > 0xFFFF || double(H.Cols) * H.Rows > TExtStringGrid::MaxTransferCells)
        Damaged();
    // Each width and height in pixels, together as far as the grid can count.
    auto Sized = [](const std::vector<Integer>& L, Integer N) {
        Int64 Sum = 0;
        for (Integer V : L) Sum += V >= -1 && V <= 0xFFFF ? std::max(0, V) : Int64(1) << 40;
        return (Integer(L.size()) == N || (L.empty() && N == 1)) && Sum <= TExtStringGrid::MaxGridExtent;
    };
    if (!Sized(H.Widths, H.Cols) || !Sized(H.Heights, H.Rows)) Damaged();
    return H;
}

// The grid's own tab/CR LF text, which travels beside the text for other programs in a
// private flavour: a Unicode cell there is "|\#" and four hex digits per UTF-16 unit, so
// that it arrives as a Unicode cell even when its letters fit the code page.
const char* const GridTextFormatName = "TExtStringGrid Text";
const char* const UniTextMark = "|\\#";

AnsiString UniText(const WideString& W) {
    static const char Hex[] = "0123456789ABCDEF";
    AnsiString T = UniTextMark;
    for (char16_t U : W)
        for (int Shift = 12; Shift >= 0; Shift -= 4) T += Hex[(U >> Shift) & 0xF];
    return T;
}

// The cell's stored form from a pasted field: the text form above, or the stored form itself.
AnsiString UniTextToCell(const AnsiString& Field) {
    if (Field.compare(0, 3, UniTextMark) != 0 || (Field.size() - 3) % 4 != 0) return Field;
    WideString W;
    for (size_t I = 3; I < Field.size(); I += 4) {
        Integer U = 0;
        for (size_t K = I; K < I + 4; ++K) {
            const char C = Field[K];
            const Integer D = C >= '0' && C <= '9' ? C - '0' : C >= 'A' && C <= 'F' ? C - 'A' + 10 : -1;
            if (D < 0) return Field;
            U = U * 16 + D;
        }
        W += char16_t(U);
    }
    return WideToCellText(W);
}

// A field quoted as office programs quote cells that hold tabs, line breaks or a leading quote.
template <class S>
S QuotedField(const S& V, bool Always) {
    if (!Always && V.find_first_of(S{'\t', '\r', '\n'}) == S::npos && (V.empty() || V[0] != '"')) return V;
    S Q(1, '"');
    for (auto Ch : V) {
        if (Ch == '"') Q += '"';
        Q += Ch;
    }
    Q += '"';
    return Q;
}

// How many lines of a transfer's list run on from place I without a gap, after it (Step 1)
// or before it (Step -1): marked rows or columns leave gaps that no merge may cross.
Integer RunOn(const std::vector<Integer>& L, size_t I, int Step) {
    Integer N = 0;
    for (size_t K = I; Step > 0 ? K + 1 < L.size() : K > 0; K += Step, ++N)
        if (L[K + Step] != L[K] + Step) break;
    return N;
}

// A merge travels as far as the block takes its lines, as it shows (Base, X, Y: over its shown
// rows): a base cell's span stays inside, and a covered cell whose base cell stayed outside goes
// as a cell of its own.
void WriteProps(TCellWriter& W, const TCellProperties* P, bool Base, Integer X, Integer Y, const std::vector<Integer>& Cols,
                size_t Ci, const std::vector<Integer>& Rows, size_t Ri) {
    if (Base) {
        if (X >= 0) X = std::min(X, RunOn(Cols, Ci, 1));
        if (Y >= 0) Y = std::min(Y, RunOn(Rows, Ri, 1));
    } else if (X < 0 || Y < 0 || X > RunOn(Cols, Ci, -1) || Y > RunOn(Rows, Ri, -1)) {
        Base = true;
        X = Y = -1;
    }
    W.Str("TGridCellPropIO");
    W.Int(P->BrushStyle());
    W.Int(Integer(P->BrushColor()));
    W.Int(Integer(P->BrushColorTo()));
    W.Int(P->FontSize());
    W.Int(Integer(P->FontColor()));
    W.Int(Integer(P->FontStyle().Bits()));
    W.Int(X);
    W.Int(Y);
    W.Int(P->BorderWidth());
    W.Int(Integer(P->BorderColor()));
    W.Int(P->Alignment());
    W.Int(P->VAlignment());
    W.Bool(P->WordWrap());
    W.Bool(Base);
    W.Int(P->NodeLevel());
    W.Int(P->Editor());
    W.Str(P->FontName());
    W.Bool(P->ReadOnly());
}

// Settings left over from a split merge, or set back to what a cell has without any, carry
// nothing: such a cell travels as one never given settings, leaving the target's as they are.
bool CarriesSettings(const TCellProperties* P, bool Alone, bool WrapDefault) {
    const TCellProperties D(nullptr, 0, 0);
    return !Alone || P->BrushStyle() != D.BrushStyle() || P->BrushColor() != D.BrushColor() ||
           P->BrushColorTo() != D.BrushColorTo() || P->FontSize() != D.FontSize() || P->FontColor() != D.FontColor() ||
           P->FontStyle().Bits() != D.FontStyle().Bits() || P->BorderWidth() != D.BorderWidth() ||
           P->BorderColor() != D.BorderColor() || P->Alignment() != D.Alignment() || P->VAlignment() != D.VAlignment() ||
           P->WordWrap() != WrapDefault || P->NodeLevel() != D.NodeLevel() || P->Editor() != D.Editor() ||
           !P->FontName().empty() || P->ReadOnly() || dynamic_cast<const TCellGraphic*>(P->KeptObject());
}

void ReadProps(TCellReader& Rd, TCellProperties* P) {
    Rd.Expect("TGridCellPropIO");
    P->SetBrushStyle(TBrushStyle(InRange(Rd.Int(), bsSolid, bsDiagCross)));
    P->SetBrushColor(TColor(Rd.Int()));
    P->SetBrushColorTo(TColor(Rd.Int()));
    P->SetFontSize(InRange(Rd.Int(), -MaxFontSize, MaxFontSize));
    P->SetFontColor(TColor(Rd.Int()));
    P->SetFontStyle(TFontStyles::FromBits(Cardinal(Rd.Int())));
    P->SetCellSpanX(Rd.Int());
    P->SetCellSpanY(Rd.Int());
    P->SetBorderWidth(Rd.Int());
    P->SetBorderColor(TColor(Rd.Int()));
    P->SetAlignment(TAlignment(InRange(Rd.Int(), taLeftJustify, taCenter)));
    P->SetVAlignment(TVAlignment(InRange(Rd.Int(), vtaTop, vtaBottom)));
    P->SetWordWrap(Rd.Bool());
    P->SetIsBaseCell(Rd.Bool());
    P->SetNodeLevel(Rd.Int());
    P->SetEditor(TEditorType(InRange(Rd.Int(), edNormal, edUniMemo)));
    P->SetFontName(Rd.Str());
    P->SetReadOnly(Rd.Bool());
}

// The component that carries a graphic's own object, by the graphic's kind.
const char* ObjectComponent(TCellType T) {
    switch (T) {
        case ctBitmap: case ctBitButton: return "TGridBMPIO";
        case ctIcon: return "TGridIconIO";
        case ctPicture: return "TGridPicIO";
        case ctFilePicture: return "TGridFilePicIO";
        case ctRadio: case ctImages: return "TGridSLIO";
        default: return nullptr;
    }
}

TObject* GraphicObject(const TCellGraphic* G) { return G->CellType() == ctIcon ? G->Icon() : G->Graphic(); }

// A picture travels as its kind (a JPEG stays one, any other becomes a bitmap) and its bytes.
void WritePicture(TCellWriter& W, TGraphic* P) {
    if (auto* J = dynamic_cast<TJPEGImage*>(P)) {
        W.Str("TJPEGImage");
        W.Bool(J->Transparent());
        W.Graphic(J);
        return;
    }
    TBitmap B;
    B.Assign(P);
    W.Str("TBitmap");
    W.Bool(P->Transparent());
    W.Graphic(&B);
}

std::unique_ptr<TGraphic> ReadPicture(TCellReader& Rd) {
    const AnsiString Kind = Rd.Str();
    std::unique_ptr<TGraphic> P;
    if (Kind == "TJPEGImage") P = std::make_unique<TJPEGImage>();
    else if (Kind == "TBitmap") P = std::make_unique<TBitmap>();
    else throw EReadError("Invalid stream format");
    const bool Transparent = Rd.Bool();
    Rd.Graphic(P.get());
    P->SetTransparent(Transparent);
    return P;
}

// Whether the graphic's object can travel: lists, pictures and picture files.
bool CanWriteObject(const TCellGraphic* G) {
    TObject* O = GraphicObject(G);
    if (!O || !ObjectComponent(G->CellType())) return false;
    return dynamic_cast<TStrings*>(O) || dynamic_cast<TIntList*>(O) || dynamic_cast<TGraphic*>(O) ||
           dynamic_cast<TFilePicture*>(O);
}

void WriteObject(TCellWriter& W, const TCellGraphic* G) {
    TObject* O = GraphicObject(G);
    W.Str(ObjectComponent(G->CellType()));
    if (auto* SL = dynamic_cast<TStrings*>(O)) {
        W.Str(SL->Text());
    } else if (auto* IL = dynamic_cast<TIntList*>(O)) {
        W.Str(IL->CommaText());
    } else if (auto* FP = dynamic_cast<TFilePicture*>(O)) {
        W.Str(FP->Filename());
    } else {
        WritePicture(W, static_cast<TGraphic*>(O));
    }
}

// Reads the object into the cell's graphic, which owns it from then on.
void ReadObject(TCellReader& Rd, TCellGraphic* G, Integer ACol, Integer ARow) {
    const char* Expected = ObjectComponent(G->CellType());
    if (!Expected || Rd.Str() != Expected) throw EReadError("Invalid stream format");
    switch (G->CellType()) {
        case ctRadio: {
            auto SL = std::make_unique<TStringList>();
            SL->SetText(Rd.Str());
            G->SetGraphic(SL.release(), true);
            return;
        }
        case ctImages: {
            auto IL = std::make_unique<TIntList>(ACol, ARow);
            try {
                IL->SetCommaText(Rd.Str());
            } catch (const EConvertError&) {
                throw EReadError("Invalid stream format");
            }
            G->SetGraphic(IL.release(), true);
            return;
        }
        case ctFilePicture: {
            const AnsiString Name = Rd.Str();
            auto FP = std::make_unique<TFilePicture>();
            try {
                FP->SetFilename(Name);
            } catch (const Exception&) {
                return;   // the file is gone: the cell keeps no picture
            }
            G->SetGraphic(FP.release(), true);
            return;
        }
        case ctIcon: {
            std::unique_ptr<TGraphic> P = ReadPicture(Rd);
            G->SetGraphic(nullptr, true);   // marks the icon as the cell's own
            G->SetIcon(P.release());
            return;
        }
        default:
            G->SetGraphic(ReadPicture(Rd).release(), true);
            return;
    }
}

void WriteGraphic(TCellWriter& W, const TCellGraphic* G) {
    W.Str("TGridGraphicIO");
    W.Int(G->CellType());
    W.Int(G->CellVAlign());
    W.Int(G->CellHAlign());
    W.Int(G->CellIndex());
    W.Bool(G->CellTransparent());
    W.Bool(G->CellBoolean());
    W.Int(G->CellAngle());
    W.Int(G->CellValue());
    W.Int(G->CellValue2());
    W.Int(G->CellErrFrom());
    W.Int(G->CellErrLen());
    W.Str(G->CellText());
    const bool HasObject = CanWriteObject(G);
    W.Bool(HasObject);
    if (HasObject) WriteObject(W, G);
}

void ReadGraphic(TCellReader& Rd, TCellGraphic* G, Integer ACol, Integer ARow) {
    Rd.Expect("TGridGraphicIO");
    G->SetCellType(TCellType(InRange(Rd.Int(), ctBitmap, ctRangeIndicator)));
    G->SetCellVAlign(TCellVAlign(InRange(Rd.Int(), vaTop, vaFull)));
    G->SetCellHAlign(TCellHAlign(InRange(Rd.Int(), haLeft, haFull)));
    G->SetCellIndex(Rd.Int());
    G->SetCellTransparent(Rd.Bool());
    G->SetCellBoolean(Rd.Bool());
    G->SetCellAngle(Rd.Int());
    G->SetCellValue(Rd.Int());
    G->SetCellValue2(Rd.Int());
    G->SetCellErrFrom(Rd.Int());
    G->SetCellErrLen(Rd.Int());
    G->SetCellText(Rd.Str());
    if (Rd.Bool()) ReadObject(Rd, G, ACol, ARow);
}

// A tab/CR LF text split into lines of fields. A field that opens with a double
// quote runs to its closing quote (doubled quotes are one) and may hold tabs and
// line breaks; a lone LF inside it becomes CR LF. Lines end at CR LF, CR or LF.
// A cell's stored Unicode form keeps its bytes: a 0x0A or 0x0B there is no line break.
template <class S>
std::vector<std::vector<S>> SplitClipText(const S& T) {
    auto Stored = [](const S& V) {
        if constexpr (std::is_same_v<S, AnsiString>) return IsUnicodeText(V);
        else return false;
    };
    std::vector<std::vector<S>> Lines;
    std::vector<S> Line;
    size_t P = 0;
    const size_t N = T.size();
    auto EndOfField = [&](size_t Q) { return Q >= N || T[Q] == '\t' || T[Q] == '\r' || T[Q] == '\n'; };
    bool LineOpen = false;
    while (P < N) {
        S F;
        bool Quoted = false;
        if (T[P] == '"') {
            // Find the closing quote that ends the field.
            size_t Q = P + 1;
            S V;
            bool Closed = false;
            while (Q < N) {
                if (T[Q] == '"') {
                    if (Q + 1 < N && T[Q + 1] == '"') {
                        V += '"';
                        Q += 2;
                        continue;
                    }
                    Closed = EndOfField(Q + 1);
                    break;
                }
                if (T[Q] == '\n' && (V.empty() || V.back() != '\r') && !Stored(V)) V += '\r';
                V += T[Q++];
            }
            if (Closed) {
                F = V;
                P = Q + 1;
                Quoted = true;
            }
        }
        if (!Quoted) {
            const size_t Start = P;
            while (!EndOfField(P)) ++P;
            F = T.substr(Start, P - Start);
        }
        // Spreadsheet programs' line breaks inside a cell (#11) become CR LF.
        if (!Stored(F) && F.find(typename S::value_type(11)) != S::npos) {
            S R;
            for (auto Ch : F) {
                if (Ch == 11) R += S{'\r', '\n'};
                else R += Ch;
            }
            F = R;
        }
        Line.push_back(F);
        LineOpen = true;
        if (P >= N) break;
        if (T[P] == '\t') {
            ++P;
            if (P >= N) Line.emplace_back();
            continue;
        }
        // line end
        if (T[P] == '\r' && P + 1 < N && T[P + 1] == '\n') ++P;
        ++P;
        Lines.push_back(std::move(Line));
        Line.clear();
        LineOpen = false;
    }
    if (LineOpen) Lines.push_back(std::move(Line));
    return Lines;
}

// Text from another program in the grid's own text form: a field holding letters that
// code page 1254 lacks becomes a Unicode cell; a text that fits keeps its bytes.
AnsiString GridTextFromWide(const WideString& W) {
    if (FitsCodePage(W)) return WideToAnsi(W);
    AnsiString Out;
    const auto Lines = SplitClipText(W);
    for (size_t L = 0; L < Lines.size(); ++L) {
        for (size_t F = 0; F < Lines[L].size(); ++F) {
            if (F > 0) Out += '\t';
            const WideString& V = Lines[L][F];
            Out += FitsCodePage(V) ? QuotedField(WideToAnsi(V), false) : UniText(V);
        }
        if (L + 1 < Lines.size() || W.back() == '\r' || W.back() == '\n') Out += "\r\n";
    }
    return Out;
}

// One cell of a transfer as the text flavours write it: the grid's own form, or the letters.
template <class S>
S TransferField(const AnsiString& V, bool OwnForm, bool SheetBreaks, bool Multi) {
    S T;
    const bool Uni = IsUnicodeText(V);
    if (Uni && OwnForm) {
        const AnsiString U = UniText(CellTextToWide(V));
        return S(U.begin(), U.end());
    }
    if constexpr (std::is_same_v<S, AnsiString>) T = Uni ? WideToAnsi(CellTextToWide(V)) : V;
    else T = CellTextToWide(V);
    // Spreadsheet programs write a line break inside a cell as a lone LF.
    const bool Sheet = SheetBreaks && Multi && T.find('\r') != S::npos;
    if (Sheet) T.erase(std::remove(T.begin(), T.end(), '\r'), T.end());
    return QuotedField(T, Sheet);
}

}  // namespace

// --- text ----------------------------------------------------------------------------
void TExtStringGrid::TransferLines(TGridRect R, bool Disjunct, std::vector<Integer>& Rows, std::vector<Integer>& Cols) {
    const bool SkipRows = Disjunct && FMouseActions->DisjunctRowSelect() && !FMouseActions->DisjunctColSelect();
    const bool SkipCols = Disjunct && FMouseActions->DisjunctColSelect();
    for (Integer Rw = R.Top; Rw <= R.Bottom; ++Rw)
        if (!SkipRows || DisplRowSelected(Rw)) Rows.push_back(Rw);   // marks are kept by real row
    for (Integer C = R.Left; C <= R.Right; ++C)
        if (!SkipCols || ColSelected(C)) Cols.push_back(C);
}

TGridCoord TExtStringGrid::LoneTransferCell(TGridRect R, bool Disjunct) {
    std::vector<Integer> Rows, Cols;
    TransferLines(R, Disjunct, Rows, Cols);
    return Rows.size() == 1 && Cols.size() == 1 ? TGridCoord{Cols[0], Rows[0]} : TGridCoord{-1, -1};
}

// Each cell's text as the transfer takes it: a merged cell's text once, from its base
// cell; for other programs (Shown) HTML without its tags, unless tags are wanted, and rich
// text as its plain text. The grid's own flavour keeps a rich cell as it is stored.
std::vector<std::vector<AnsiString>> TExtStringGrid::TransferCells(TGridRect R, bool Disjunct,
                                                                   std::vector<std::vector<AnsiString>>* Stored) {
    std::vector<Integer> Rows, Cols;
    TransferLines(R, Disjunct, Rows, Cols);
    std::vector<std::vector<AnsiString>> Out;
    AnsiString V;
    for (Integer Rw : Rows) {
        std::vector<AnsiString>& Line = Out.emplace_back();
        for (Integer C : Cols) {
            if (IsBaseCell(C, Rw)) {
                if (!SaveCell(C, Rw, V)) return Out;   // the grid is gone: the caller checks
            } else {
                V.clear();
            }
            const AnsiString SavedV = V;
            const bool Hidden = !V.empty() && HidesText(C, Rw);
            if (!IsUnicodeText(V)) {
                if (!FNavigation->CopyHTMLTagsToClipboard() && V.find("</") != AnsiString::npos) V = HTMLStrip(V);
                else if (TextType(V, false) == 2) V = OutsideTextToCell(RtfRead(V).PlainText());   // its own letters
            }
            // The own flavour, which only grids read, keeps a rich cell as stored and a password
            // in clear; other programs get the mask the cell shows, one mask character a letter.
            if (Stored) (C == Cols.front() ? Stored->emplace_back() : Stored->back()).push_back(TextType(SavedV, false) == 2 ? SavedV : V);
            if (Hidden) V = AnsiString(IsUnicodeText(V) ? CellTextToWide(V).size() : V.size(), FPasswordChar);
            Line.push_back(V);
        }
    }
    return Out;
}

namespace {

template <class S>
S JoinTransfer(const std::vector<std::vector<AnsiString>>& Cells, bool OwnForm, bool SheetBreaks, bool Multi,
               bool LineEndAfterLast) {
    S Out;
    bool LastEmpty = false;
    for (size_t L = 0; L < Cells.size(); ++L) {
        if (L > 0) Out += S{'\r', '\n'};
        for (size_t C = 0; C < Cells[L].size(); ++C) {
            if (C > 0) Out += '\t';
            const S F = TransferField<S>(Cells[L][C], OwnForm, SheetBreaks, Multi);
            LastEmpty = F.empty();
            Out += F;
        }
    }
    // An empty last cell is a cell only before a line end: a paste skips an empty last field.
    if ((LineEndAfterLast || LastEmpty) && !Cells.empty()) Out += S{'\r', '\n'};
    return Out;
}

}  // namespace

AnsiString TExtStringGrid::CellsAsText(TGridRect R, bool Disjunct, bool LineEndAfterLast) {
    const bool Sheet = FSpreadsheetClipboard, Multi = FMultilinecells;   // read before a handler may free the grid
    return JoinTransfer<AnsiString>(TransferCells(R, Disjunct), false, Sheet, Multi, LineEndAfterLast);
}

AnsiString TExtStringGrid::TransferText(TDataObject& Data, TGridRect R, bool Disjunct, bool LineEndAfterLast) {
    std::vector<std::vector<AnsiString>> Stored;
    const TAliveGuard Alive(this);
    const auto Cells = TransferCells(R, Disjunct, &Stored);
    if (Alive.Gone()) return AnsiString();   // a handler of the cells' texts closed the screen
    const bool Sheet = FSpreadsheetClipboard, Multi = FMultilinecells;
    const AnsiString Letters = JoinTransfer<AnsiString>(Cells, false, Sheet, Multi, LineEndAfterLast);
    Data.SetAsWideText(JoinTransfer<WideString>(Cells, false, Sheet, Multi, LineEndAfterLast));
    // The own flavour: the shown texts, but Unicode, rich and password cells as they are stored.
    const AnsiString Own = JoinTransfer<AnsiString>(Stored, true, Sheet, Multi, LineEndAfterLast);
    if (Own != Letters) Data.SetData(RegisterClipboardFormat(GridTextFormatName), Own);
    return Letters;
}

AnsiString TExtStringGrid::TextFromOutside(const TDataObject& Data) {
    const Word Own = RegisterClipboardFormat(GridTextFormatName);
    if (Data.HasFormat(Own)) {
        const std::string T = Data.GetData(Own);
        return T.substr(0, T.find('\0'));
    }
    return GridTextFromWide(Data.AsWideText());
}

TPoint TExtStringGrid::TextExtent(const AnsiString& Text) {
    Integer Cols = 0, Rows = 0;
    const auto Lines = SplitClipText(Text);
    for (const auto& L : Lines) Cols = std::max(Cols, Integer(L.size()));
    if (!Lines.empty()) Rows = Integer(Lines.size()) - 1;
    return Point(Cols, Rows);
}

void TExtStringGrid::SetCellValue(Integer ACol, Integer ARow, const AnsiString& Value) {
    const TCellType T = GetCellType(ACol, ARow);
    if (T == ctCheckBox || T == ctDataCheckBox) {
        AnsiString True;
        GetCheckTrue(ACol, ARow, True);
        if (TCellGraphic* G = GetCellGraphic(ACol, ARow)) G->SetCellBoolean(Value == True);
        RepaintCell(ACol, ARow);
        return;
    }
    SetCells(RealColIndex(ACol), ARow, Value);
}

Integer TExtStringGrid::PasteText(Integer ACol, Integer ARow, const AnsiString& Text,
                                 std::set<std::pair<Integer, Integer>>* Written) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return 0;
    if (!TakesOutsideData()) return 0;
    const auto Lines = SplitClipText(Text);
    size_t Widest = 0;
    for (const auto& L : Lines) Widest = std::max(Widest, L.size());
    if (PasteGrowsPastLimit(double(ACol) + double(Widest), double(ARow) + double(Lines.size())))
        throw EExtGridError("Yapıştırılan metin tabloyu çok büyütür; yapıştırılmadı");
    Integer Count = 0, Rw = ARow, MaxCol = ACol;
    const TAliveGuard Alive(this);   // a cell's handler may free the grid: the paste stops there
    TProgressScope Progress(this, true);
    for (size_t L = 0; L < Lines.size(); ++L) {
        Integer C = ACol;
        for (size_t F = 0; F < Lines[L].size(); ++F) {
            const AnsiString& Field = Lines[L][F];
            // An empty last field of a text ending in a TAB empties no cell; after a line
            // end it is the block's last cell.
            if (Field.empty() && L + 1 == Lines.size() && F + 1 == Lines[L].size() && Text.back() == '\t') break;
            if (C >= ColCount() && FNavigation->AllowClipboardColGrow()) SetColCount(C + 1);
            // A covered cell of a merge takes nothing: its text would go over the merge's own.
            const bool Takes = C < ColCount() && Rw < RowCount() && IsBaseCell(C, Rw) && TakesOutsideData(C, Rw);
            if (Alive.Gone()) return Count;
            if (Takes) {
                bool Allow = true;
                AnsiString Value = Field;
                if (IsUnicodeText(Value)) {
                    WideString W = CellTextToWide(UniTextToCell(Value));
                    if (OnClipboardBeforePasteWideCell) FireEvent(OnClipboardBeforePasteWideCell, this, C, Rw, W, Allow);
                    Value = WideToCellText(W);
                } else if (OnClipboardBeforePasteCell) {
                    FireEvent(OnClipboardBeforePasteCell, this, C, Rw, Value, Allow);
                }
                if (Alive.Gone()) return Count;
                if (Allow) SetCellValue(C, Rw, Value);
                if (Allow && Written) Written->insert({Integer(F), Integer(L)});
                MaxCol = std::max(MaxCol, C);
            }
            ++Count;
            ++C;
        }
        PasteProgress(1, Rw);
        if (L + 1 < Lines.size()) {
            ++Rw;
            GrowForPaste(-1, Rw);
        }
    }
    Progress.End();
    CellsChanged(Rect(RealColIndex(ACol), ARow, RealColIndex(MaxCol), std::min(Rw, RowCount() - 1)));
    return Count;
}

// A paste that would grow the grid to Cols columns and Rows data rows (as far as the options
// let it grow) past the cell limit.
bool TExtStringGrid::PasteGrowsPastLimit(double Cols, double Rows) {
    const double C = FNavigation->AllowClipboardColGrow() ? std::max<double>(ColCount(), Cols) : ColCount();
    const double R = FNavigation->AllowClipboardRowGrow() ? std::max<double>(RowCount(), Rows + FFixedFooters) : RowCount();
    return (C > ColCount() || R > RowCount()) && C * R > MaxTransferCells;
}

// Columns up to LastCol and data rows up to LastRow, as far as the options allow a
// paste to grow the grid; rows come above the footer rows, which stay the last rows.
void TExtStringGrid::GrowForPaste(Integer LastCol, Integer LastRow) {
    if (LastCol >= ColCount() && FNavigation->AllowClipboardColGrow()) SetColCount(LastCol + 1);
    const Integer Footers = std::clamp(FFixedFooters, 0, RowCount());
    const Integer DataEnd = RowCount() - Footers;
    if (LastRow < DataEnd || !FNavigation->AllowClipboardRowGrow()) return;
    if (Footers > 0) InsertRows(DataEnd, LastRow - DataEnd + 1);
    else SetRowCount(LastRow + 1);
}

// --- copy and cut -----------------------------------------------------------------------
// Every merge the selection's edge crosses is taken in whole, also one that meets
// no corner, so that a copy or cut never splits a merged cell.
void TExtStringGrid::ExpandSelectionToMerges() {
    TGridRect S = Selection();
    for (bool Grew = true; Grew;) {
        Grew = false;
        auto Take = [&](Integer C, Integer R) {
            if (!IsMergedCell(C, R)) return;
            const TPoint B = BaseCell(C, R), Sp = CellSpan(C, R);
            const TGridRect M{std::min(S.Left, B.X), std::min(S.Top, B.Y),
                              std::max(S.Right, std::min(ColCount() - 1, B.X + Sp.X)),
                              std::max(S.Bottom, std::min(RowCount() - 1, B.Y + Sp.Y))};
            Grew = Grew || !(M == S);
            S = M;
        };
        for (Integer C = S.Left; C <= S.Right; ++C) {
            Take(C, S.Top);
            Take(C, S.Bottom);
        }
        for (Integer R = S.Top; R <= S.Bottom; ++R) {
            Take(S.Left, R);
            Take(S.Right, R);
        }
    }
    if (!(S == Selection())) SetSelection(S);
}

void TExtStringGrid::CopySelectionToClipboard(TGridRect R, bool Disjunct) {
    FCopyOrigin = TGridCoord{R.Left, R.Top};
    TProgressScope Progress(this, false);
    TDataObject Texts;
    const TAliveGuard Alive(this);   // a handler of the cells' texts may close the screen
    const AnsiString Text = TransferText(Texts, R, Disjunct, R.Bottom > R.Top);
    if (Alive.Gone()) return;
    TClipboard* Clip = Clipboard();
    Clip->Open();
    try {
        Clip->SetAsText(Text);
        Clip->SetData(Texts);
        // Only a lone cell goes as rich text too: a rich text paste fills one cell.
        const TGridCoord Lone = LoneTransferCell(R, Disjunct);
        if (FNavigation->AllowRTFClipboard() && Lone.X >= 0) CopyRTFToClipboard(Lone.X, Lone.Y);
        if (FNavigation->AllowFmtClipboard()) CopyCellsToClipboard(R, Disjunct);
    } catch (...) {
        Clip->Close();
        throw;
    }
    Clip->Close();
}

void TExtStringGrid::CopyRTFToClipboard(Integer ACol, Integer ARow) {
    const AnsiString T = Cells(ACol, ARow);
    if (T.find("{\\") == AnsiString::npos || HidesText(ACol, ARow)) return;   // a password goes as its mask alone
    Clipboard()->SetBuffer(RegisterClipboardFormat(RTFFormatName), T + '\0');
}

void TExtStringGrid::CopyCellsToClipboard(TGridRect R, bool Disjunct) {
    TMemoryStream MS;
    const TAliveGuard Alive(this);
    SaveCellsToStream(R, &MS, Disjunct);
    if (Alive.Gone()) return;   // a part of the cells is no copy
    Clipboard()->SetBuffer(RegisterClipboardFormat(CellsFormatName),
                           std::string(static_cast<const char*>(MS.Memory()), size_t(MS.Size())));
}

// What a copy takes: the selection, or the marked rows or columns without the fixed
// cells (row numbers and headers are no data, and the block pastes where the user puts it).
TGridRect TExtStringGrid::CopyArea(bool Disjunct) {
    return Disjunct ? TGridRect{TBaseGrid::FixedCols(), TBaseGrid::FixedRows(), ColCount() - 1 - FFixedRightCols,
                                RowCount() - 1 - FFixedFooters}
                    : Selection();
}

void TExtStringGrid::CopyToClipboard() {
    ExpandSelectionToMerges();
    const bool Disjunct = FMouseActions->DisjunctRowSelect() || FMouseActions->DisjunctColSelect();
    const TAliveGuard Alive(this);
    CopySelectionToClipboard(CopyArea(Disjunct), Disjunct);
    if (Alive.Alive()) FCopiedFlag = true;
}

// Clears what the copy took, as far as it may be edited: a cell the cut may not clear
// keeps its properties too. Freeing properties splits a merge reaching past the cut whole
// first; a kept merge loses no text outside the cut. A node stays with its rows.
void TExtStringGrid::CutToClipboard() {
    const TAliveGuard Alive(this);
    CopyToClipboard();
    if (Alive.Gone()) return;
    const bool Disjunct = FMouseActions->DisjunctRowSelect() || FMouseActions->DisjunctColSelect();
    const TGridRect S = CopyArea(Disjunct);
    std::vector<Integer> Rows, Cols;
    TransferLines(S, Disjunct, Rows, Cols);
    const bool Always = FNavigation->AllowClipboardAlways();
    std::vector<TGridCoord> Cleared;
    for (Integer R : Rows)
        for (Integer C : Cols) {
            if (Always || CellEditable(C, R)) Cleared.push_back(TGridCoord{C, R});
            if (Alive.Gone()) return;
        }
    const bool Props = FNavigation->AllowFmtClipboard();
    for (const TGridCoord& P : Cleared)
        if (Props && IsMergedCell(P.X, P.Y)) SplitCells(P.X, P.Y);
    for (const TGridCoord& P : Cleared) {
        const TPoint B = BaseCell(P.X, P.Y);
        if (B.X == P.X && B.Y == P.Y) SetCells(P.X, P.Y, AnsiString());
        else SetRawCells(P.X, P.Y, AnsiString());   // Cells would empty the base cell
    }
    if (Props)
        for (const TGridCoord& P : Cleared) {
            if (P.X != 0 || !NodeGraphic(P.Y)) RemoveCellGraphic(P.X, P.Y);   // the copy took it
            FreeCellSettings(P.X, P.Y);
            // The cut takes the cell's control along, as it takes its settings.
            if (TCellProperties* Q = CellPropertiesOrNil(P.X, P.Y)) Q->SetControl(nullptr);
        }
    FCopiedFlag = false;
    CellsChanged(Rect(S.Left, S.Top, S.Right, S.Bottom));
}

// --- paste ----------------------------------------------------------------------------------
// Editing counts as on while it only rests on a cell that may not be edited.
bool TExtStringGrid::TakesOutsideData() const {
    return Options().Contains(goEditing) || FEditSuspended || FNavigation->AllowClipboardAlways() ||
           FMouseActions->RangeSelectAndEdit();
}

// A dropped file's lines fill the fixed cells too, as its import places them.
bool TExtStringGrid::TakesOutsideData(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return false;
    if (ARow > LastDataRow()) return false;   // footer rows hold the totals
    if (FNavigation->AllowClipboardAlways() || CellEditable(ACol, ARow)) return true;
    return FFileDrop && TakesOutsideData() && IsFixed(ACol, ARow);
}

Integer TExtStringGrid::PasteAt(Integer ACol, Integer ARow) {
    TClipboard* Clip = Clipboard();
    const Word Fmt = RegisterClipboardFormat(CellsFormatName);
    if (FNavigation->AllowFmtClipboard() && Clip->HasFormat(Fmt)) {
        if (!TakesOutsideData()) return 0;   // a whole-grid block would replace the grid
        TMemoryStream MS;
        const std::string Block = Clip->GetBuffer(Fmt);
        if (Block.empty()) return 0;
        MS.WriteBuffer(Block.data(), Integer(Block.size()));
        MS.SetPosition(0);
        TStreamHeader H;
        const TAliveGuard Alive(this);   // a whole grid pasted clears it first, telling the handler
        try {
            TCellReader Rd(&MS);
            H = ReadHeader(Rd);
            MS.SetPosition(0);
            LoadCellsFromStream(TGridCoord{ACol, ARow}, &MS, true);
        } catch (const EStreamError&) {
            throw EExtGridError("Panodaki hücreler bozuk ya da çok büyük; yapıştırılmadı");
        }
        if (Alive.Gone()) return H.Cols * H.Rows;
        const TGridRect Pasted{ACol, ARow, ACol + H.Cols - 1, ARow + H.Rows - 1};
        CellsChanged(Rect(Pasted.Left, Pasted.Top, Pasted.Right, Pasted.Bottom));
        if (Alive.Gone()) return H.Cols * H.Rows;   // a handler closed the screen
        const bool Own = H.ID == Integer(reinterpret_cast<intptr_t>(this) & 0x7FFFFFFF);
        PasteDone(Own ? FCopyOrigin : TGridCoord{-1, -1}, Pasted, FCopiedFlag);
        return H.Cols * H.Rows;
    }
    const Word Rtf = RegisterClipboardFormat(RTFFormatName);
    if (FNavigation->AllowRTFClipboard() && Clip->HasFormat(Rtf)) {
        AnsiString T = Clip->GetBuffer(Rtf);
        if (const size_t Z = T.find('\0'); Z != AnsiString::npos) T.erase(Z);
        if (TakesOutsideData(ACol, ARow) && IsBaseCell(ACol, ARow)) {
            SetCellValue(ACol, ARow, T);
            CellsChanged(Rect(RealColIndex(ACol), ARow, RealColIndex(ACol), ARow));
        }
        return 0;
    }
    TDataObject D;
    Clip->GetData(D);
    return D.HasFormat(CF_TEXT) ? PasteText(ACol, ARow, TextFromOutside(D)) : 0;
}

void TExtStringGrid::PasteFromClipboard() {
    const TGridRect S = Selection();
    Integer C = S.Left;
    if (Options().Contains(goRowSelect)) C = TBaseGrid::FixedCols();
    const TAliveGuard Alive(this);
    const Integer Pasted = PasteAt(C, S.Top);
    if (Alive.Alive() && FNavigation->AllowSmartClipboard()) SmartFill(Pasted);
}

// Fills the selection from one pasted cell, or continues the series its first two cells start.
void TExtStringGrid::SmartFill(Integer Pasted) {
    const TGridRect S = Selection();
    const Integer W = S.Right - S.Left + 1, H = S.Bottom - S.Top + 1;
    if (Pasted <= 0 || W * H == Pasted - 1 || W * H <= 1) return;
    if (Pasted == 1) {
        AnsiString V = Cells(S.Left, S.Top);
        // A check box holds its state in its graphic: the cells take its check value.
        if (bool On = false; GetCellType(S.Left, S.Top) == ctCheckBox && GetCheckBoxState(S.Left, S.Top, On)) {
            if (On) GetCheckTrue(S.Left, S.Top, V);
            else GetCheckFalse(S.Left, S.Top, V);
        }
        const TAliveGuard Alive(this);   // the handler may close the screen
        for (Integer R = S.Top; R <= S.Bottom; ++R)
            for (Integer C = S.Left; C <= S.Right; ++C) {
                if ((C == S.Left && R == S.Top) || !IsBaseCell(C, R) || !TakesOutsideData(C, R)) continue;
                AnsiString Value = V;
                bool Allow = true;
                if (OnClipboardBeforePasteCell) FireEvent(OnClipboardBeforePasteCell, this, C, R, Value, Allow);
                if (Alive.Gone()) return;
                if (Allow) SetCellValue(C, R, Value);
            }
        CellsChanged(Rect(RealColIndex(S.Left), S.Top, RealColIndex(S.Right), S.Bottom));
        return;
    }
    if (W != 1 && H != 1) return;
    const Integer N = std::max(W, H);
    auto At = [&](Integer I) { return W == 1 ? TGridCoord{S.Left, S.Top + I} : TGridCoord{S.Left + I, S.Top}; };
    const AnsiString A = Cells(At(0).X, At(0).Y), B = Cells(At(1).X, At(1).Y);
    Extended FA = 0, FB = 0;
    TFormatSettings Dot = FormatSettings;
    // An integer series only while its last value stays a 64-bit integer; a lone
    // minus sign or a longer digit string is no integer.
    Int64 IA = 0, IB = 0, Step = 0, Span = 0, Last = 0;
    const bool Ints = A.find(FormatSettings.DecimalSeparator) == AnsiString::npos &&
                      B.find(FormatSettings.DecimalSeparator) == AnsiString::npos && NumberKind(A) == 0 &&
                      NumberKind(B) == 0 && TryStrToInt64(A, IA) && TryStrToInt64(B, IB) &&
                      !__builtin_sub_overflow(IB, IA, &Step) && !__builtin_mul_overflow(Step, Int64(N - 1), &Span) &&
                      !__builtin_add_overflow(IA, Span, &Last);
    const bool Nums = !Ints && TryStrToFloat(A, FA, Dot) && TryStrToFloat(B, FB, Dot);
    TDateTime DA = 0, DB = 0;
    auto ReadDate = [](const AnsiString& T, TDateTime& D) { return TryStrToDateTime(T, D) || StrToDateEx(T, D); };
    const char DS = FormatSettings.DateSeparator;
    const bool Dates = !Ints && !Nums && A.find(DS) != AnsiString::npos && B.find(DS) != AnsiString::npos &&
                       ReadDate(A, DA) && ReadDate(B, DB);
    // A date series steps by whole months (years are twelve of them) and by days; month
    // ends go on as month ends. The first cell's time of day stays.
    Integer Months = 0, Days = 0;
    bool MonthEnds = false;
    TDateTime Day0 = 0, Time0 = 0;
    const bool WithTime = Dates && A.find(FormatSettings.TimeSeparator) != AnsiString::npos;
    if (Dates) {
        Day0 = std::floor(DA);
        Time0 = DA - Day0;
        Word YA, MA, DdA, YB, MB, DdB;
        DecodeDate(Day0, YA, MA, DdA);
        DecodeDate(std::floor(DB), YB, MB, DdB);
        Months = (Integer(YB) - YA) * 12 + (Integer(MB) - MA);
        Days = Integer(DdB) - DdA;
        MonthEnds = Months != 0 && DdA == DaysInAMonth(YA, MA) && DdB == DaysInAMonth(YB, MB);
        if (MonthEnds) Days = 0;
    }
    for (Integer I = 2; I < N; ++I) {
        const TGridCoord P = At(I);
        if (!IsBaseCell(P.X, P.Y) || !TakesOutsideData(P.X, P.Y)) continue;
        AnsiString V;
        if (Ints) {
            V = IntToStr(IA + Int64(I) * Step);
        } else if (Nums) {
            V = Format(FFloatFormat, {Double(FA + I * (FB - FA))});
        } else if (Dates) {
            TDateTime D = 0;
            try {
                D = IncMonth(Day0, I * Months);
                if (MonthEnds) {
                    Word Y, M, Dd;
                    DecodeDate(D, Y, M, Dd);
                    D = EncodeDate(Y, M, DaysInAMonth(Y, M));
                }
            } catch (const EConvertError&) {
                break;   // past the last date there is
            }
            D += I * Days;
            V = WithTime ? DateTimeToStr(D + Time0) : DateToStr(D);
        } else {
            V = I % 2 == 0 ? A : B;
        }
        SetCellValue(P.X, P.Y, V);
    }
    if (N <= 2) return;
    const TGridCoord E = At(N - 1);
    CellsChanged(Rect(RealColIndex(At(2).X), At(2).Y, RealColIndex(E.X), E.Y));
}

// --- the cell stream -------------------------------------------------------------------------
void TExtStringGrid::SaveCellsToStream(TGridRect R, TStream* Stream, bool Disjunct) {
    WriteCellStream(R, Stream, Disjunct, true);
}

// Progress: the events a save tells; a cell kept aside inside a paste tells none.
void TExtStringGrid::WriteCellStream(TGridRect R, TStream* Stream, bool Disjunct, bool Progress) {
    TCellWriter W(Stream);
    // Marked rows or columns only, one after the other, as the text copy has them.
    std::vector<Integer> RowList, ColList;
    TransferLines(R, Disjunct, RowList, ColList);
    const Integer Cols = std::max(1, Integer(ColList.size())), Rows = std::max(1, Integer(RowList.size()));
    auto Join = [](const std::vector<Integer>& L, const std::function<Integer(Integer)>& F) {
        if (L.empty()) return AnsiString();
        return JoinInts(0, Integer(L.size()) - 1, [&](Integer I) { return F(L[size_t(I)]); });
    };
    const bool Full = !Disjunct && Cols == ColCount() && Rows == RowCount();
    W.Str("TGridPropIO");
    W.Int(Cols);
    W.Int(Rows);
    W.Str(Join(ColList, [this](Integer C) { return ColWidths(C); }));
    W.Str(Join(RowList, [this](Integer Rw) { return RowHeights(Rw); }));
    W.Bool(Full);
    W.Int(Integer(reinterpret_cast<intptr_t>(this) & 0x7FFFFFFF));
    // What goes for a cell: its text and settings, with where it stands in its merge.
    struct TOut {
        AnsiString T;
        const TCellProperties* P;
        bool Base;
        Integer X, Y;
    };
    auto Out = [this](Integer C, Integer Rw) {
        // A merge goes from the cell it shows in, with its own value and settings, also
        // while its base row is hidden; a covered cell keeps its own.
        const bool Shows = BaseCell(C, Rw) == Point(C, Rw);
        TOut O{WithoutHighlight(Shows ? HeldText(C, Rw) : RawCells(C, Rw)), Shows ? HeldProps(C, Rw) : CellPropertiesOrNil(C, Rw),
               false, -1, -1};
        if (!O.P) return O;
        O.Base = O.P->IsBaseCell(), O.X = O.P->CellSpanX(), O.Y = O.P->CellSpanY();
        if (IsMergedCell(C, Rw)) {
            const TPoint B = BaseCell(C, Rw), S = CellSpan(C, Rw);
            O.Base = B == Point(C, Rw);
            O.X = O.Base ? S.X : C - B.X;
            O.Y = O.Base ? S.Y : Rw - B.Y;
        } else if (!O.Base || O.X > 0 || O.Y > 0) {   // what shows of its merge is this cell alone
            O.Base = true;
            O.X = O.Y = -1;
        }
        if (!CarriesSettings(O.P, O.Base && O.X < 0 && O.Y < 0, CellWordWrapDefault())) O.P = nullptr;
        return O;
    };
    // A reader places a block by its first written cell. Only a block whose corner cell goes
    // unwritten, or whose rows or columns pass 16 bits, names its corner in a component of its own.
    bool CornerFirst = true, Found = false;
    for (size_t Ri = 0; Ri < RowList.size() && !Found; ++Ri)
        for (size_t Ci = 0; Ci < ColList.size() && !Found; ++Ci) {
            const TOut O = Out(ColList[Ci], RowList[Ri]);
            Found = !O.T.empty() || O.P;
            CornerFirst = !Found || (Ri == 0 && Ci == 0);
        }
    if (!Full && (!CornerFirst || R.Left + Cols - 1 > 0xFFFF || R.Top + Rows - 1 > 0xFFFF)) {
        W.Str("TGridOriginIO");
        W.Int(R.Left);
        W.Int(R.Top);
    }
    // A whole grid names its footer rows: a grid that reads it keeps its own.
    if (const Integer Footers = std::clamp(FFixedFooters, 0, RowCount() - 1); Full && Footers > 0) {
        W.Str("TGridFootersIO");
        W.Int(Footers);
    }
    std::optional<TProgressScope> Scope;
    if (Progress) Scope.emplace(this, false);
    Integer LastProgress = -1;
    for (size_t Ri = 0; Ri < RowList.size(); ++Ri) {
        const Integer Rw = RowList[Ri];
        for (size_t Ci = 0; Ci < ColList.size(); ++Ci) {
            const auto [T, P, Base, X, Y] = Out(ColList[Ci], RowList[Ri]);
            if (T.empty() && !P) continue;
            W.Str("TGridCellIO");
            W.Int(R.Top + Integer(Ri));
            W.Int(R.Left + Integer(Ci));
            W.Str(T);
            W.Bool(P != nullptr);
            if (!P) continue;
            WriteProps(W, P, Base, X, Y, ColList, Ci, RowList, Ri);
            const auto* G = dynamic_cast<const TCellGraphic*>(P->KeptObject());
            // A kind drawn from an object of its own travels only with that object.
            const bool HasGraphic = G && (!ObjectComponent(G->CellType()) || CanWriteObject(G));
            W.Bool(HasGraphic);
            if (HasGraphic) WriteGraphic(W, G);
        }
        if (!Progress) continue;
        SaveProgress(1, Rw);
        if (OnFileProgress) {
            const Integer Pr = Integer(std::lround(double(Rw - R.Top) / std::max(1, R.Bottom - R.Top) * 100.0));
            const TAliveGuard Alive(this);   // the handler may close the screen
            if (Pr != LastProgress) FireEvent(OnFileProgress, this, Pr);
            if (Alive.Gone()) return;
            LastProgress = Pr;
        }
    }
}

// The whole stream is read once before the grid takes any of it: a damaged one changes nothing.
void TExtStringGrid::LoadCellsFromStream(TGridCoord Origin, TStream* Stream, bool AsPaste) {
    const Int64 Start = Stream->Position();
    ReadCellStream(Origin, Stream, AsPaste, false);
    Stream->SetPosition(Start);
    ReadCellStream(Origin, Stream, AsPaste, true);   // last: it may free the grid
}

void TExtStringGrid::ReadCellStream(TGridCoord Origin, TStream* Stream, bool AsPaste, bool Apply, bool Kept) {
    TCellReader Rd(Stream);
    const TStreamHeader H = ReadHeader(Rd);
    const Integer Cols = H.Cols, Rows = H.Rows;
    const bool Full = H.Full;
    if (Full) Origin = TGridCoord{0, 0};
    // A paste grows the grid as far as the options allow, not past the cell limit.
    const bool Grows = AsPaste && !Full;
    if (!Apply && Grows && PasteGrowsPastLimit(double(Origin.X) + Cols, double(Origin.Y) + Rows)) Damaged();
    std::optional<TUpdateScope> Update;
    if (Apply) Update.emplace(this);
    const TAliveGuard Alive(this);   // asking cell by cell whether a cell may be written may close the screen
    if (Apply && Grows) GrowForPaste(Origin.X + Cols - 1, Origin.Y + Rows - 1);
    // A whole grid pasted replaces the grid, but a data cell that may not be edited keeps its
    // value and properties, as under a block paste: each is kept as a cell stream of its own,
    // a merged one with its whole merge.
    struct TKept {
        TGridCoord At;
        std::string Bytes;
        AnsiString Text;
    };
    std::vector<TKept> Refused;
    std::set<std::pair<Integer, Integer>> KeptCells;
    if (Apply && Full && AsPaste && !FNavigation->AllowClipboardAlways())
        for (Integer R = 0; R < RowCount(); ++R)
            for (Integer C = 0; C < ColCount(); ++C) {
                const bool Takes = IsFixed(C, R) || TakesOutsideData(C, R);
                if (Alive.Gone()) return;
                if (Takes) continue;
                KeptCells.insert({C, R});
                const TGridRect M = CellBlock(C, R);
                if (M.Left != C || M.Top != R) continue;   // it goes with its base cell
                TMemoryStream Cell;
                WriteCellStream(M, &Cell, false, false);
                Refused.push_back({TGridCoord{C, R}, std::string(static_cast<const char*>(Cell.Memory()), size_t(Cell.Size())),
                                   RawCells(C, R)});
            }
    // A cell the paste may not write: a merge of the block that reaches over one is not made.
    auto Refuses = [&](Integer C, Integer R) {
        if (!AsPaste) return false;
        return Full ? KeptCells.count({C, R}) > 0 : !TakesOutsideData(C, R);
    };
    std::set<std::pair<Integer, Integer>> Made;   // base cells of the block's merges as made
    // The footer rows stay the last rows, with the properties their totals need; the data rows
    // of the stream come above them. Its own footer rows hold totals: they stay behind where
    // this grid has totals of its own, and are rows like any other where it has none.
    const Integer Footers = Full ? std::clamp(FFixedFooters, 0, RowCount()) : 0;
    const Integer FirstFooter = Rows - (Footers > 0 ? H.Footers : 0);   // of the stream's rows
    if (Apply && Full) {
        std::vector<std::vector<AnsiString>> FooterTexts;   // their labels stay too
        for (Integer R = RowCount() - Footers; R < RowCount(); ++R) {
            FooterTexts.emplace_back();
            for (Integer C = 0; C < ColCount(); ++C) FooterTexts.back().push_back(RawCells(C, R));
        }
        ClearAll();   // it tells OnCellsChanged, which may close the screen
        if (Alive.Gone()) return;
        if (RowCount() > Footers) ClearProps(0, 0, ColCount() - 1, RowCount() - 1 - Footers);
        if (Footers > 0) FitRowsAboveFooters(Footers, FirstFooter);
        else SetRowCount(FirstFooter);
        SetColCount(Cols);
        for (Integer F = 0; F < Integer(FooterTexts.size()); ++F)
            for (Integer C = 0; C < ColCount() && C < Integer(FooterTexts[size_t(F)].size()); ++C)
                SetRawCells(C, RowCount() - Footers + F, FooterTexts[size_t(F)][size_t(C)]);
        for (Integer C = 0; C < Cols && C < Integer(H.Widths.size()); ++C) SetColWidths(C, H.Widths[size_t(C)]);
        for (Integer R = 0; R < FirstFooter && R < Integer(H.Heights.size()); ++R) SetRowHeights(R, H.Heights[size_t(R)]);
    }
    const Integer LastRow = Kept ? LastDataRow() : RowCount() - 1;   // a kept merge stays off the totals
    // A block's empty cells empty the cells under them (on a paste those it may fill), as a
    // text paste does.
    if (Apply && !Full)
        for (Integer R = std::max(0, Origin.Y); R < Origin.Y + Rows && R < RowCount(); ++R)
            for (Integer C = std::max(0, Origin.X); C < Origin.X + Cols && C < ColCount(); ++C) {
                const bool Takes = !AsPaste || TakesOutsideData(C, R);
                if (Alive.Gone()) return;
                if (Takes) SetRawCells(C, R, AnsiString());
            }
    // A merge already in the grid that a cell of the block brings properties into splits
    // whole first: half of it would cover that cell. The block's own merges come after.
    std::vector<TGridRect> OldMerges;
    if (Apply && !Full)
        for (Integer R = std::max(0, Origin.Y); R < Origin.Y + Rows && R < RowCount(); ++R)
            for (Integer C = std::max(0, Origin.X); C < Origin.X + Cols && C < ColCount(); ++C) {
                if (!IsMergedCell(C, R)) continue;
                const TPoint B = BaseCell(C, R), Sp = CellSpan(B.X, B.Y);
                const TGridRect M{B.X, B.Y, B.X + Sp.X, B.Y + Sp.Y};
                if (std::find(OldMerges.begin(), OldMerges.end(), M) == OldMerges.end()) OldMerges.push_back(M);
            }
    auto SplitOldMerge = [&](Integer C, Integer R) {
        for (auto It = OldMerges.begin(); It != OldMerges.end(); ++It)
            if (C >= It->Left && C <= It->Right && R >= It->Top && R <= It->Bottom) {
                SplitCells(It->Left, It->Top);
                OldMerges.erase(It);
                return;
            }
    };
    // Cells lie inside the block; one that names no corner is placed by its first cell.
    bool First = !H.HasOrigin && !Full;
    Int64 Sc = Full ? 0 : H.Origin.X, Sr = Full ? 0 : H.Origin.Y;
    while (Stream->Position() < Stream->Size() - 1) {
        Rd.Expect("TGridCellIO");
        const Integer R = Rd.Int(), C = Rd.Int();
        const AnsiString T = Rd.Str();
        const bool HasProp = Rd.Bool();
        const bool PlacedByFirst = !H.HasOrigin && !Full;
        if (First) {
            Sc = C;
            Sr = R;
        }
        First = false;
        const Int64 Bc = Int64(C) - Sc, Br = Int64(R) - Sr;
        if (Br < 0 || Br >= Rows || Bc >= Cols || Bc <= (PlacedByFirst ? -Int64(Cols) : -1)) Damaged();
        const Int64 Tc64 = Origin.X + Bc, Tr64 = Origin.Y + Br;
        bool Inside = Apply && Tc64 >= 0 && Tr64 >= 0 && Tc64 < ColCount() && Tr64 <= LastRow && Br < FirstFooter;
        const Integer Tc = Inside ? Integer(Tc64) : -1, Tr = Inside ? Integer(Tr64) : -1;
        // A whole-grid stream replaces the grid, fixed cells included.
        if (Inside && AsPaste && !Full && !TakesOutsideData(Tc, Tr)) Inside = false;
        if (Alive.Gone()) return;
        // Each text to its own cell: through a merge a covered cell would write its base cell.
        if (Inside) SetRawCells(Tc, Tr, T);
        if (!HasProp) continue;
        // Read into a scratch object when the cell lies outside the grid.
        TCellProperties Scratch(nullptr, 0, 0);
        if (Inside) SplitOldMerge(Tc, Tr);
        TCellProperties* P = Inside ? GetCellProperties(Tc, Tr) : &Scratch;
        ReadProps(Rd, P);
        // A merge stays inside the block, and inside the grid where the block passes its edge.
        const Integer Sx = P->CellSpanX(), Sy = P->CellSpanY();
        if (P->IsBaseCell()) {
            if (Sx < -1 || Sy < -1 || Bc + Sx >= Cols || Br + Sy >= Rows) Damaged();
            if (Inside && Sx >= 0) P->SetCellSpanX(std::min(Sx, ColCount() - 1 - Tc));
            if (Inside && Sy >= 0) P->SetCellSpanY(std::min(Sy, std::min(LastRow, Origin.Y + FirstFooter - 1) - Tr));
            bool Whole = Inside && Sx >= 0 && Sy >= 0;
            for (Integer R = Tr; Whole && R <= Tr + P->CellSpanY(); ++R)
                for (Integer C = Tc; Whole && C <= Tc + P->CellSpanX(); ++C) Whole = !Refuses(C, R);
            if (Alive.Gone()) return;
            if (Whole) Made.insert({Tc, Tr});
            else if (Inside) P->SetCellSpanX(-1), P->SetCellSpanY(-1);
        } else {
            if (Sx < 0 || Sy < 0 || Sx >= Cols || Sy >= Rows) Damaged();
            // A covered cell whose merge was not made (outside the grid, or over a refused cell)
            // stands alone.
            if (Inside && !Made.count({Tc - Sx, Tr - Sy})) {
                P->SetIsBaseCell(true);
                P->SetCellSpanX(-1);
                P->SetCellSpanY(-1);
            }
        }
        if (!Rd.Bool()) continue;
        if (Inside) {
            ReadGraphic(Rd, CreateCellGraphic(Tc, Tr), Tc, Tr);
        } else {
            TCellGraphic G;
            ReadGraphic(Rd, &G, Tc, Tr);
        }
    }
    // Spans came in shown rows: a merge covers the rows hidden between them too, as MergeCells does.
    if (NumHiddenRows() > 0)
        for (const auto& [Mc, Mr] : Made)
            if (const TCellProperties* P = CellPropertiesOrNil(Mc, Mr))
                MergeCells(Mc, Mr, P->CellSpanX() + 1, P->CellSpanY() + 1);
    for (const auto& [At, Bytes, Text] : Refused) {
        if (At.X >= ColCount() || At.Y > LastDataRow()) continue;   // the pasted grid is smaller
        TMemoryStream Cell;
        Cell.WriteBuffer(Bytes.data(), Integer(Bytes.size()));
        Cell.SetPosition(0);
        ClearProps(At.X, At.Y);
        try {
            ReadCellStream(At, &Cell, false, true, true);
            if (Alive.Gone()) return;   // it told OnCellsChanged
        } catch (const EStreamError&) {   // properties set past what a stream holds: the text stays
            ClearProps(At.X, At.Y);
            SetRawCells(At.X, At.Y, Text);
        }
    }
    Update.reset();
    // A paste reports its own block.
    if (Apply && !AsPaste) CellsChanged(Rect(Origin.X, Origin.Y, Origin.X + Cols - 1, Origin.Y + Rows - 1));
}
