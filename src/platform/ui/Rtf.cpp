// RTF reader and writer for the rich-text document model of cells.
#include "platform/ui/Rtf.h"

#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr char16_t LineSeparator = 0x2028;

struct FontEntry {
    Integer Number = 0;
    AnsiString Name;
};

// Character and paragraph state of one group level.
struct GroupState {
    TRtfCharFormat Format;
    Integer FontNumber = -1;
    Integer ColorIndex = 0;
    Integer HighlightIndex = 0;
    TAlignment Alignment = taLeftJustify;
    Integer SkipAfterUnicode = 1;   // \ucN
    enum { dText, dSkip, dFontTable, dColorTable } Destination = dText;
};

class Reader {
public:
    explicit Reader(const AnsiString& Text) : FText(Text) {}

    TRtfDocument Run() {
        FDoc.NewParagraph();
        FStack.push_back(GroupState());
        while (FPos < FText.size()) {
            char C = FText[FPos];
            if (C == '{') {
                ++FPos;
                FStack.push_back(FStack.back());
                FIgnorableNext = false;
            } else if (C == '}') {
                ++FPos;
                EndGroup();
                if (FStack.size() <= 2) break;   // the document's own group is closed
                FStack.pop_back();
            } else if (C == '\\') {
                ControlWord();
            } else if (C == '\r' || C == '\n') {
                ++FPos;
            } else {
                ++FPos;
                TextChar(Cp1254ToUnicode(static_cast<unsigned char>(C)));
            }
        }
        EndGroup();
        FDoc.Paragraphs.back().Alignment = State().Alignment;
        return std::move(FDoc);
    }

private:
    GroupState& State() { return FStack.back(); }

    void EndGroup() {
        GroupState& S = State();
        if (S.Destination == GroupState::dFontTable && !FFontName.empty()) CloseFontEntry();
    }

    // Text of the current destination; the Unicode fallback characters are counted off here.
    void TextChar(char32_t Ch) {
        if (FSkip > 0) {
            --FSkip;
            return;
        }
        GroupState& S = State();
        switch (S.Destination) {
        case GroupState::dText:
            if (Ch <= 0xFFFF) FPending.push_back(static_cast<char16_t>(Ch));
            else FPending.push_back(u'?');
            Flush();
            break;
        case GroupState::dFontTable:
            if (Ch == ';') CloseFontEntry();
            else if (int B = UnicodeToCp1254(Ch); B >= 0)
                FFontName.push_back(char(B));
            break;
        case GroupState::dColorTable:
            if (Ch == ';') {
                FColors.push_back(FColorSeen ? RGB(FRed, FGreen, FBlue) : clNone);
                FRed = FGreen = FBlue = 0;
                FColorSeen = false;
            }
            break;
        case GroupState::dSkip:
            break;
        }
    }

    void Flush() {
        if (FPending.empty()) return;
        FDoc.Append(FPending, State().Format);
        FPending.clear();
    }

    void CloseFontEntry() {
        while (!FFontName.empty() && FFontName.back() == ' ') FFontName.pop_back();
        size_t Start = FFontName.find_first_not_of(' ');
        FFonts.push_back({FFontNumber, Start == AnsiString::npos ? AnsiString() : FFontName.substr(Start)});
        FFontName.clear();
    }

    AnsiString FontName(Integer Number) const {
        for (const FontEntry& F : FFonts)
            if (F.Number == Number) return F.Name;
        return AnsiString();
    }

    TColor ColorAt(Integer Index) const {
        if (Index <= 0 || Index >= static_cast<Integer>(FColors.size())) return clNone;
        return FColors[Index];
    }

    static int HexValue(char C) {
        if (C >= '0' && C <= '9') return C - '0';
        if (C >= 'a' && C <= 'f') return C - 'a' + 10;
        if (C >= 'A' && C <= 'F') return C - 'A' + 10;
        return -1;
    }

    void ControlWord() {
        ++FPos;   // the backslash
        if (FPos >= FText.size()) return;
        char C = FText[FPos];
        if (!((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'))) {
            ++FPos;
            switch (C) {
            case '\\': case '{': case '}': TextChar(static_cast<unsigned char>(C)); break;
            case '~': TextChar(0x00A0); break;
            case '_': TextChar(0x2011); break;
            case '-': break;   // optional hyphen
            case '*': FIgnorableNext = true; break;
            case '\r': case '\n': Paragraph(); break;
            case '\'': {
                int H = FPos < FText.size() ? HexValue(FText[FPos]) : -1;
                int L = FPos + 1 < FText.size() ? HexValue(FText[FPos + 1]) : -1;
                if (H >= 0 && L >= 0) {
                    FPos += 2;
                    TextChar(Cp1254ToUnicode(static_cast<unsigned char>(H * 16 + L)));
                }
                break;
            }
            default: break;
            }
            return;
        }
        size_t Start = FPos;
        while (FPos < FText.size() && ((FText[FPos] >= 'a' && FText[FPos] <= 'z') ||
                                       (FText[FPos] >= 'A' && FText[FPos] <= 'Z')))
            ++FPos;
        AnsiString Word = FText.substr(Start, FPos - Start);
        bool HasParam = false;
        long Param = 0;
        size_t NumStart = FPos;
        if (FPos < FText.size() && (FText[FPos] == '-' || (FText[FPos] >= '0' && FText[FPos] <= '9'))) {
            ++FPos;
            while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9' && FPos - NumStart < 11)
                ++FPos;
            while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;   // absurdly long
            AnsiString Num = FText.substr(NumStart, std::min<size_t>(FPos - NumStart, 11));
            if (Num != "-") {
                HasParam = true;
                Param = std::strtol(Num.c_str(), nullptr, 10);
            }
        }
        if (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
        bool Ignorable = FIgnorableNext;
        FIgnorableNext = false;
        Apply(Word, HasParam, Param, Ignorable);
    }

    void Paragraph() {
        if (FSkip > 0) { --FSkip; return; }
        if (State().Destination != GroupState::dText) return;
        // A paragraph takes the alignment in force at its end.
        FDoc.Paragraphs.back().Alignment = State().Alignment;
        FDoc.NewParagraph();
    }

    void Apply(const AnsiString& W, bool HasParam, long P, bool Ignorable) {
        GroupState& S = State();
        // Destinations whose content is not cell text.
        static const char* const Skipped[] = {"info", "stylesheet", "pict", "header", "footer",
                                              "headerl", "headerr", "footerl", "footerr", "object",
                                              "field", "fldinst", "listtable", "listoverridetable",
                                              "rsidtbl", "generator", "themedata", "colorschememapping",
                                              "latentstyles", "datastore", "xmlnstbl", "filetbl",
                                              "revtbl", "bkmkstart", "bkmkend", "footnote", "annotation",
                                              "nonshppict", "shp", "mmathPr"};
        if (W == "fonttbl") { S.Destination = GroupState::dFontTable; return; }
        if (W == "colortbl") { S.Destination = GroupState::dColorTable; return; }
        for (const char* D : Skipped)
            if (W == D) { S.Destination = GroupState::dSkip; return; }
        if (Ignorable && !IsKnown(W)) { S.Destination = GroupState::dSkip; return; }
        if (S.Destination == GroupState::dSkip) return;
        if (S.Destination == GroupState::dFontTable) {
            if (W == "f" && HasParam) { FFontNumber = static_cast<Integer>(P); FFontName.clear(); }
            return;
        }
        if (S.Destination == GroupState::dColorTable) {
            Byte V = static_cast<Byte>(std::clamp<long>(P, 0, 255));
            if (W == "red") { FRed = V; FColorSeen = true; }
            else if (W == "green") { FGreen = V; FColorSeen = true; }
            else if (W == "blue") { FBlue = V; FColorSeen = true; }
            return;
        }
        bool On = !HasParam || P != 0;
        auto Style = [&](TFontStyle F, bool Set) {
            if (Set) S.Format.Style.Include(F);
            else S.Format.Style.Exclude(F);
        };
        if (W == "par") Paragraph();
        else if (W == "line") TextChar(LineSeparator);
        else if (W == "tab") TextChar(u'\t');
        else if (W == "emdash") TextChar(0x2014);
        else if (W == "endash") TextChar(0x2013);
        else if (W == "bullet") TextChar(0x2022);
        else if (W == "lquote") TextChar(0x2018);
        else if (W == "rquote") TextChar(0x2019);
        else if (W == "ldblquote") TextChar(0x201C);
        else if (W == "rdblquote") TextChar(0x201D);
        else if (W == "u" && HasParam) {
            long V = P < 0 ? P + 65536 : P;
            if (V >= 0 && V <= 0xFFFF) TextChar(static_cast<char32_t>(V));
            FSkip = S.SkipAfterUnicode;
        } else if (W == "uc" && HasParam) S.SkipAfterUnicode = static_cast<Integer>(std::clamp<long>(P, 0, 10));
        else if (W == "b") Style(fsBold, On);
        else if (W == "i") Style(fsItalic, On);
        else if (W == "ul") Style(fsUnderline, On);
        else if (W == "ulnone") Style(fsUnderline, false);
        else if (W == "strike") Style(fsStrikeOut, On);
        else if (W == "fs" && HasParam) S.Format.Size = static_cast<Integer>(std::clamp<long>(P, 0, 3276) / 2);
        else if (W == "f" && HasParam) { S.FontNumber = static_cast<Integer>(P); S.Format.FontName = FontName(S.FontNumber); }
        else if (W == "cf" && HasParam) { S.ColorIndex = static_cast<Integer>(P); S.Format.Color = ColorAt(S.ColorIndex); }
        else if ((W == "highlight" || W == "cb" || W == "chcbpat") && HasParam) {
            S.HighlightIndex = static_cast<Integer>(P);
            S.Format.Highlight = ColorAt(S.HighlightIndex);
        } else if (W == "plain") S.Format = TRtfCharFormat();
        else if (W == "pard") S.Alignment = taLeftJustify;
        else if (W == "ql" || W == "qj") S.Alignment = taLeftJustify;
        else if (W == "qr") S.Alignment = taRightJustify;
        else if (W == "qc") S.Alignment = taCenter;
    }

    static bool IsKnown(const AnsiString& W) {
        return W == "fonttbl" || W == "colortbl";
    }

    const AnsiString& FText;
    size_t FPos = 0;
    TRtfDocument FDoc;
    std::vector<GroupState> FStack;
    std::vector<FontEntry> FFonts;
    std::vector<TColor> FColors;
    AnsiString FFontName;
    Integer FFontNumber = 0;
    Byte FRed = 0, FGreen = 0, FBlue = 0;
    bool FColorSeen = false;
    bool FIgnorableNext = false;
    Integer FSkip = 0;
    WideString FPending;
};

}  // namespace

TRtfDocument RtfFromPlainText(const AnsiString& Text) {
    TRtfDocument D;
    D.NewParagraph();
    WideString W = AnsiToWide(Text);
    WideString Line;
    for (size_t I = 0; I < W.size(); ++I) {
        char16_t C = W[I];
        if (C == u'\r' || C == u'\n') {
            if (C == u'\r' && I + 1 < W.size() && W[I + 1] == u'\n') ++I;
            D.Append(Line, TRtfCharFormat());
            Line.clear();
            D.NewParagraph();
        } else {
            Line.push_back(C);
        }
    }
    D.Append(Line, TRtfCharFormat());
    return D;
}

namespace {

void AppendColorIndex(std::vector<TColor>& Table, TColor C) {
    if (C == clNone) return;
    for (TColor T : Table)
        if (T == C) return;
    Table.push_back(C);
}

Integer IndexOf(const std::vector<TColor>& Table, TColor C) {
    for (size_t I = 0; I < Table.size(); ++I)
        if (Table[I] == C) return static_cast<Integer>(I) + 1;
    return 0;
}

Integer IndexOf(const std::vector<AnsiString>& Table, const AnsiString& S) {
    for (size_t I = 0; I < Table.size(); ++I)
        if (Table[I] == S) return static_cast<Integer>(I);
    return 0;
}

void WriteText(AnsiString& Out, const WideString& Text) {
    for (char16_t C : Text) {
        if (C == LineSeparator) Out += "\\line ";
        else if (C == u'\t') Out += "\\tab ";
        else if (C == u'\\' || C == u'{' || C == u'}') { Out += '\\'; Out += char(C); }
        else if (C >= 0x20 && C < 0x80) Out += char(C);
        else {
            int B = UnicodeToCp1254(C);
            if (B >= 0x80 && B <= 0xFF && C >= 0x80) {
                static const char Hex[] = "0123456789abcdef";
                Out += "\\'";
                Out += Hex[B >> 4];
                Out += Hex[B & 15];
            } else {
                Out += "\\u" + std::to_string(static_cast<int16_t>(C)) + "?";
            }
        }
    }
}

}  // namespace

WideString TRtfDocument::PlainText() const {
    WideString Out;
    for (size_t P = 0; P < Paragraphs.size(); ++P) {
        if (P > 0) Out += u"\r\n";
        for (const TRtfRun& R : Paragraphs[P].Runs)
            for (char16_t C : R.Text) {
                if (C == LineSeparator) Out += u"\r\n";
                else Out.push_back(C);
            }
    }
    return Out;
}

void TRtfDocument::Append(const WideString& Text, const TRtfCharFormat& Format) {
    if (Paragraphs.empty()) NewParagraph();
    if (Text.empty()) return;
    std::vector<TRtfRun>& Runs = Paragraphs.back().Runs;
    if (!Runs.empty() && Runs.back().Format == Format) Runs.back().Text += Text;
    else Runs.push_back({Text, Format});
}

void TRtfDocument::NewParagraph(TAlignment Alignment) {
    TRtfParagraph P;
    P.Alignment = Alignment;
    Paragraphs.push_back(std::move(P));
}

bool IsRtfText(const AnsiString& Text) { return Text.compare(0, 5, "{\\rtf") == 0; }

TRtfDocument RtfRead(const AnsiString& Text) {
    if (!IsRtfText(Text)) return RtfFromPlainText(Text);
    TRtfDocument D = Reader(Text).Run();
    // A closing \par leaves an empty last paragraph that the text never had.
    if (D.Paragraphs.size() > 1 && D.Paragraphs.back().Runs.empty()) D.Paragraphs.pop_back();
    return D;
}

AnsiString RtfWrite(const TRtfDocument& Document, const AnsiString& DefaultFont) {
    std::vector<AnsiString> Fonts{DefaultFont};
    std::vector<TColor> Colors;
    for (const TRtfParagraph& P : Document.Paragraphs)
        for (const TRtfRun& R : P.Runs) {
            if (!R.Format.FontName.empty() && IndexOf(Fonts, R.Format.FontName) == 0 &&
                R.Format.FontName != DefaultFont)
                Fonts.push_back(R.Format.FontName);
            AppendColorIndex(Colors, R.Format.Color);
            AppendColorIndex(Colors, R.Format.Highlight);
        }
    AnsiString Out = "{\\rtf1\\ansi\\ansicpg1254\\deff0{\\fonttbl";
    for (size_t I = 0; I < Fonts.size(); ++I) {
        Out += "{\\f" + std::to_string(I) + "\\fnil\\fcharset162 ";
        WriteText(Out, AnsiToWide(Fonts[I]));
        Out += ";}";
    }
    Out += "}";
    if (!Colors.empty()) {
        Out += "{\\colortbl ;";
        for (TColor C : Colors)
            Out += "\\red" + std::to_string(GetRValue(C)) + "\\green" + std::to_string(GetGValue(C)) +
                   "\\blue" + std::to_string(GetBValue(C)) + ";";
        Out += "}";
    }
    Out += "\\uc1";
    for (size_t P = 0; P < Document.Paragraphs.size(); ++P) {
        const TRtfParagraph& Par = Document.Paragraphs[P];
        Out += "\\pard";
        if (Par.Alignment == taCenter) Out += "\\qc";
        else if (Par.Alignment == taRightJustify) Out += "\\qr";
        for (const TRtfRun& R : Par.Runs) {
            const TRtfCharFormat& F = R.Format;
            // Each run states its whole format, so that runs read back exactly as written.
            Out += "\\plain";
            if (!F.FontName.empty()) Out += "\\f" + std::to_string(IndexOf(Fonts, F.FontName));
            if (F.Size > 0) Out += "\\fs" + std::to_string(F.Size * 2);
            if (F.Style.Contains(fsBold)) Out += "\\b";
            if (F.Style.Contains(fsItalic)) Out += "\\i";
            if (F.Style.Contains(fsUnderline)) Out += "\\ul";
            if (F.Style.Contains(fsStrikeOut)) Out += "\\strike";
            if (F.Color != clNone) Out += "\\cf" + std::to_string(IndexOf(Colors, F.Color));
            if (F.Highlight != clNone) Out += "\\highlight" + std::to_string(IndexOf(Colors, F.Highlight));
            Out += ' ';
            WriteText(Out, R.Text);
        }
        // Every paragraph ends with its mark; the reader drops the empty one after the last.
        Out += "\\par\n";
    }
    Out += "}";
    return Out;
}
