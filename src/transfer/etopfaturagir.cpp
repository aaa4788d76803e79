#include "transfer/etopfaturagir.h"

Tetopfaturagirf* etopfaturagirf = nullptr;

Tetopfaturagirf::Tetopfaturagirf(TComponent* AOwner) : TTopFaturaGirForm(AOwner, ElectricityInvoiceKind()) {}

Tetopfaturagirf::~Tetopfaturagirf() {
    if (etopfaturagirf == this) etopfaturagirf = nullptr;
}
