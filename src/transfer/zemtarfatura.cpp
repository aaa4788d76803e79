#include "transfer/zemtarfatura.h"

Tzemtarfaturaf* zemtarfaturaf = nullptr;
