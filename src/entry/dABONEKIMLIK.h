#pragma once
// The natural-gas subscriber identity screen: the electricity screen's twin.
#include "entry/EABONEKIMLIK.h"

class TdABONEKIMLIKF : public TAboneKimlikForm {
public:
    explicit TdABONEKIMLIKF(TComponent* AOwner) : TAboneKimlikForm(AOwner, NaturalGasAboneKimlik) {}
};

extern TdABONEKIMLIKF* dABONEKIMLIKF;
