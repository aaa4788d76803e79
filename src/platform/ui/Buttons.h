#pragma once
// Buttons with a picture and a kind that sets caption and modal result.
#include "platform/ui/StdCtrls.h"

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }
    TBitBtnKind Kind() const { return FKind; }
    // A standard kind sets the caption (when empty), the modal result and Default/Cancel.
    void SetKind(TBitBtnKind Value);

private:
    void GlyphChanged();
    std::unique_ptr<TBitmap> FGlyph;
    TBitBtnKind FKind = bkCustom;
};
