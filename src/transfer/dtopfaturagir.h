#pragma once
// Natural-gas bulk invoice screen.
#include "transfer/TopFaturaGir.h"

class Tdtopfaturagirf : public TTopFaturaGirForm {
public:
    explicit Tdtopfaturagirf(TComponent* AOwner);
    ~Tdtopfaturagirf() override;   // clears the global when it names this one
};

extern Tdtopfaturagirf* dtopfaturagirf;
