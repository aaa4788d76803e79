#pragma once
// Electricity bulk invoice screen.
#include "transfer/TopFaturaGir.h"

class Tetopfaturagirf : public TTopFaturaGirForm {
public:
    explicit Tetopfaturagirf(TComponent* AOwner);
    ~Tetopfaturagirf() override;   // clears the global when it names this one
};

extern Tetopfaturagirf* etopfaturagirf;
