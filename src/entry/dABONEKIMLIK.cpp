#include "entry/dABONEKIMLIK.h"

TdABONEKIMLIKF* dABONEKIMLIKF = nullptr;
