#include "transfer/dfaturagir.h"

Tdfaturagirf* dfaturagirf = nullptr;

Tdfaturagirf::Tdfaturagirf(TComponent* AOwner) : TFaturaGirForm(AOwner, GasInvoiceKind()) {}

Tdfaturagirf::~Tdfaturagirf() {
    if (dfaturagirf == this) dfaturagirf = nullptr;
}
