// Feeds arbitrary bytes as mini-HTML text to the layout (drawing, measuring and hit-testing
// on an image-backed canvas) and to the text and form-control routines beside it. Malformed
// markup never raises; nothing may crash, hang or draw outside the canvas.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QGuiApplication>

#include "grid/EsgHTMLE.h"

namespace {

void Check(bool Condition) {
    if (!Condition) std::abort();
}

// Three pictures of 16 x 16 for "IDX:n" sources.
class TImages : public THTMLImageList {
public:
    Integer Count() const override { return 3; }
    Integer Width() const override { return 16; }
    Integer Height() const override { return 16; }
    void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index) override {
        Check(Index >= 0 && Index < Count());
        Canvas->FillRect(Rect(X, Y, X + 16, Y + 16));
    }
};

struct TRun {
    Integer PX, PY, Focus, Hover;
    bool HitOnly, Measure, Printer, Selected, Wrap, MouseDown;
};

void Layout(TCanvas* C, const AnsiString& Text, const TRect& R, const TRun& Run) {
    static TImages Images;
    AnsiString HitAnchor, Plain, FocusedHref, Title, CtrlID, CtrlValue, CtrlType;
    Integer EX = 0, EY = 0, Count = 0, HitIndex = 0;
    TRect AnchorRect, CtrlRect;
    const bool Hit = HTMLDrawEx(C, Text, R, &Images, Run.PX, Run.PY, Run.Focus, Run.Hover, 1, Run.HitOnly,
                                Run.Measure, Run.Printer, Run.Selected, true, false, Run.Wrap, Run.MouseDown, 1.5,
                                clBlue, clYellow, clRed, clGray, HitAnchor, Plain, FocusedHref, Title, EX, EY, Count,
                                HitIndex, AnchorRect, CtrlRect, CtrlID, CtrlValue, CtrlType, nullptr, nullptr, nullptr);
    Check(!(Hit && Run.Measure));
    Check(EX >= 0 && EY >= 0 && Count >= 0);
}

void TextRoutines(const AnsiString& Text) {
    HTMLStrip(Text);
    const AnsiString Lit = HiLight(Text, "a", "hi", false);
    UnHiLight(Lit, "hi");
    HiLight(Text, "", "hi", true);
    Text2Color(Text);
    HexToColor(Text);
    AnsiString Type, ID, Prop, Width, Value;
    ParseControlTag(Text, Type, ID, Prop, Width, Value);
    if (IsControlText(Text)) {
        const AnsiString First = NextEditControlID(Text, "");
        NextEditControlID(Text, First);
        GetControlProp(Text, First);
        AnsiString Changed = Text;
        SetControlValue(Changed, First, "<&\">");
        SetControlValue(Changed, "", "");
    }
    PasswordText(Text);
}

}  // namespace

// Fonts need an application; no screen is used.
extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QGuiApplication(*Argc, *Argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 4 || Size > 4096) return 0;
    static TBitmap Bmp;
    if (Bmp.Width() != 200) {
        Bmp.SetSize(200, 120);
        Bmp.Canvas()->Font()->SetName("DejaVu Sans");
        Bmp.Canvas()->Font()->SetSize(9);
    }
    TCanvas* C = Bmp.Canvas();
    // The first bytes choose the point, the anchors and the flags; the rest is the text.
    const uint8_t Flags = Data[0];
    TRun Run{Data[1] % 210 - 5, Data[2] % 130 - 5, Data[3] % 5 - 1, Data[3] / 5 % 5 - 1,
             (Flags & 1) != 0, (Flags & 2) != 0, (Flags & 4) != 0, (Flags & 8) != 0, (Flags & 16) == 0,
             (Flags & 32) != 0};
    const AnsiString Text(reinterpret_cast<const char*>(Data + 4), Size - 4);
    C->Brush()->SetColor(clWhite);
    C->FillRect(Rect(0, 0, 200, 120));
    Layout(C, Text, Rect(2, 2, 198, 118), Run);
    Layout(C, Text, Rect(10, 10, 12, 12), Run);   // narrower than one letter
    TextRoutines(Text);
    return 0;
}
