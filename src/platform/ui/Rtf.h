#pragma once
// RTF text of rich cells: a small document model with its reader and writer. Covers what cells
// carry (fonts, colours, bold/italic/underline/strike, size, highlight, alignment, paragraphs, line
// breaks, tabs, code page 1254 and Unicode escapes); everything else in a file is skipped, never
// shown as text.
#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"

#include <vector>

struct TRtfCharFormat {
    AnsiString FontName;          // empty: the reader's or the control's default
    Integer Size = 0;             // points; 0: default
    TFontStyles Style;
    TColor Color = clNone;        // clNone: the default text colour
    TColor Highlight = clNone;    // clNone: no background

    bool operator==(const TRtfCharFormat& O) const {
        return FontName == O.FontName && Size == O.Size && Style == O.Style && Color == O.Color &&
               Highlight == O.Highlight;
    }
};

// Text of one run: a line break inside a paragraph is U+2028, a tab is U+0009.
struct TRtfRun {
    WideString Text;
    TRtfCharFormat Format;
};

struct TRtfParagraph {
    TAlignment Alignment = taLeftJustify;
    std::vector<TRtfRun> Runs;
};

struct TRtfDocument {
    std::vector<TRtfParagraph> Paragraphs;   // at least one after reading

    // Paragraphs joined by CR LF; line breaks become CR LF too.
    WideString PlainText() const;
    // Adds text with one format to the last paragraph, merging with a run of the same format.
    void Append(const WideString& Text, const TRtfCharFormat& Format);
    void NewParagraph(TAlignment Alignment = taLeftJustify);
};

// True when the text starts as an RTF document ("{\rtf").
bool IsRtfText(const AnsiString& Text);

// One unformatted paragraph per line (CR LF, CR or LF) of the text.
TRtfDocument RtfFromPlainText(const AnsiString& Text);

// Reads an RTF document. Text that is not RTF becomes one paragraph per line of plain
// text. Unknown control words and ignorable destinations are skipped; unbalanced groups
// end the document where the text ends. Never throws on content.
TRtfDocument RtfRead(const AnsiString& Text);

// Writes the document as RTF (code page 1254 header; characters outside it as \u escapes).
// RtfRead(RtfWrite(D)) gives D back (runs merged where neighbours share a format).
// The default font is entry 0 of the font table; runs without a font name use it.
AnsiString RtfWrite(const TRtfDocument& Document, const AnsiString& DefaultFont = "Tahoma");
