// TExtStringGrid: colour schemes that follow the desktop's theme, and the lookup of that theme.
#include "grid/ExtGrid.h"

#include "grid/ExtGridTheme.h"

namespace {

AnsiString NoThemeColorName() { return AnsiString(); }
TThemeColorNameFunc GThemeColorName = &NoThemeColorName;

}  // namespace

TThemeColorNameFunc SetThemeColorNameFunc(TThemeColorNameFunc Func) {
    TThemeColorNameFunc Old = GThemeColorName;
    GThemeColorName = Func ? Func : &NoThemeColorName;
    return Old;
}

bool IsThemeActive() { return !GThemeColorName().empty(); }

Integer CurrentXPColorScheme() {
    const AnsiString Name = GThemeColorName();
    if (Name == "NormalColor") return 1;
    if (Name == "HomeStead") return 2;
    if (Name == "Metallic") return 3;
    return 0;
}

Integer TExtStringGrid::GetXPColorScheme() { return IsThemeActive() ? CurrentXPColorScheme() : 0; }

void TExtStringGrid::SetAutoThemeAdapt(bool Value) {
    FAutoThemeAdapt = Value;
    if (!Value) return;   // switching off keeps the colours as they are
    ThemeAdapt();
    Invalidate();
}

// The desktop switched its theme: only the colour scheme follows, and only when asked.
void TExtStringGrid::ThemeChanged() {
    if (FAutoThemeAdapt) ThemeAdapt();
}

void TExtStringGrid::ApplyColorScheme(Integer Scheme) {
    struct TScheme {
        TColor From, To, Active, ActiveTo, LookFrom, LookTo, FindFrom, FindTo;
    };
    static const TScheme Schemes[] = {
        {0xFFFFFF, clBtnFace, 0xFFFFFF, 0xFFD9B3, clNone, clNone, 0xFFFFFF, 0xFFD9B3},
        {0xFCE1CB, 0xE0A57D, 0x94E6FB, 0x1595EE, 0xFCE1CB, 0xE0A57D, 0xFCE1CB, 0xE0A57D},
        {0xCFF0EA, 0x8CC0B1, 0x94E6FB, 0x1595EE, 0xCFF0EA, 0x8CC0B1, 0xCFF0EA, 0x8CC0B1},
        {0xECE2E1, 0xB39698, 0x94E6FB, 0x1595EE, 0xECE2E1, 0xB39698, 0xECE2E1, 0xB39698}};
    const TScheme& S = Schemes[Scheme >= 0 && Scheme <= 3 ? Scheme : 0];
    SetFixedGradient(ColorToRGB(S.From), ColorToRGB(S.To));
    FActiveCellColor = S.Active;
    FActiveCellColorTo = S.ActiveTo;
    FControlLook->SetFixedGradientFrom(S.LookFrom);
    FControlLook->SetFixedGradientTo(S.LookTo);
    FSearchFooter->SetColor(S.FindFrom);
    FSearchFooter->SetColorTo(S.FindTo);
    RepaintUnlessUpdating();
}
