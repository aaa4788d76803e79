#include "transfer/dtopfaturagir.h"

Tdtopfaturagirf* dtopfaturagirf = nullptr;

Tdtopfaturagirf::Tdtopfaturagirf(TComponent* AOwner) : TTopFaturaGirForm(AOwner, GasInvoiceKind()) {}

Tdtopfaturagirf::~Tdtopfaturagirf() {
    if (dtopfaturagirf == this) dtopfaturagirf = nullptr;
}
