#include "transfer/Dzemtarfatura.h"

TDzemtarfaturaf* Dzemtarfaturaf = nullptr;
