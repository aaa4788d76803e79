#include "transfer/efaturagir.h"

Tefaturagirf* efaturagirf = nullptr;

Tefaturagirf::Tefaturagirf(TComponent* AOwner) : TFaturaGirForm(AOwner, ElectricityInvoiceKind()) {}

Tefaturagirf::~Tefaturagirf() {
    if (efaturagirf == this) efaturagirf = nullptr;
}
