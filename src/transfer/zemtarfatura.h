#pragma once
// Electricity invoice transfer-file screen.
#include "transfer/ZemtarInvoiceScreen.h"

class Tzemtarfaturaf : public TZemtarInvoiceScreen {
public:
    explicit Tzemtarfaturaf(TComponent* AOwner) : TZemtarInvoiceScreen(AOwner, InvoiceScreenElectricity) {}
};

extern Tzemtarfaturaf* zemtarfaturaf;
