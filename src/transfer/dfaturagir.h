#pragma once
// Natural-gas single invoice dialog.
#include "transfer/FaturaGir.h"

class Tdfaturagirf : public TFaturaGirForm {
public:
    explicit Tdfaturagirf(TComponent* AOwner);
    ~Tdfaturagirf() override;   // clears the global when it names this one
};

extern Tdfaturagirf* dfaturagirf;
