#pragma once
// Electricity single invoice dialog.
#include "transfer/FaturaGir.h"

class Tefaturagirf : public TFaturaGirForm {
public:
    explicit Tefaturagirf(TComponent* AOwner);
    ~Tefaturagirf() override;   // clears the global when it names this one
};

extern Tefaturagirf* efaturagirf;
