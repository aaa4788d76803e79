#include "platform/ui/Buttons.h"

#include "platform/ui/UiPrivate_p.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPushButton>

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::GlyphChanged() {
    if (FGlyph->Empty()) {
        FButton->setIcon(QIcon());
        return;
    }
    FGlyph->SetTransparent(true);
    // The bottom-left pixel's colour is see-through, as on classic glyphs.
    QImage I = FGlyph->Image().convertToFormat(QImage::Format_ARGB32);
    QRgb Key = I.pixel(0, I.height() - 1);
    for (int Y = 0; Y < I.height(); ++Y)
        for (int X = 0; X < I.width(); ++X)
            if (I.pixel(X, Y) == Key) I.setPixel(X, Y, 0);
    FButton->setIcon(QIcon(QPixmap::fromImage(I)));
    FButton->setIconSize(I.size());
}

void TBitBtn::SetKind(TBitBtnKind Value) {
    FKind = Value;
    struct TInfo { const char* Caption; TModalResult Result; bool Default; bool Cancel; };
    static const TInfo Info[] = {
        {"", mrNone, false, false},      {"OK", mrOk, true, false},        {"Cancel", mrCancel, false, true},
        {"&Help", mrNone, false, false}, {"&Yes", mrYes, true, false},     {"&No", mrNo, false, true},
        {"&Close", mrNone, false, false}, {"Abort", mrAbort, false, true}, {"&Retry", mrRetry, false, false},
        {"&Ignore", mrIgnore, false, false}, {"&All", mrAll, true, false}};
    const TInfo& I = Info[Value];
    if (Value == bkCustom) return;
    if (Caption().empty()) SetCaption(I.Caption);
    SetModalResult(I.Result);
    if (I.Default) SetDefault(true);
    if (I.Cancel) SetCancel(true);
}
