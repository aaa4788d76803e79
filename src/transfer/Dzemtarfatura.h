#pragma once
// Natural-gas invoice transfer-file screen.
#include "transfer/ZemtarInvoiceScreen.h"

class TDzemtarfaturaf : public TZemtarInvoiceScreen {
public:
    explicit TDzemtarfaturaf(TComponent* AOwner) : TZemtarInvoiceScreen(AOwner, InvoiceScreenNaturalGas) {}
};

extern TDzemtarfaturaf* Dzemtarfaturaf;
