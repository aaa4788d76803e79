// The invoice and transfer-file screens, which the entry layer cannot name:
// one line per screen.
#include "entry/Startup.h"
#include "transfer/Dzemtarfatura.h"
#include "transfer/dfaturagir.h"
#include "transfer/dtopfaturagir.h"
#include "transfer/dzemtarabonekimlik.h"
#include "transfer/efaturagir.h"
#include "transfer/etopfaturagir.h"
#include "transfer/ezemtarabonekimlik.h"
#include "transfer/zemtarfatura.h"

void RegisterTransferScreens() {
    RegisterProgramObject(objdtopfaturagirf, [] { return CreateInto(dtopfaturagirf); });
    RegisterProgramObject(objdzemtarabonekimlikf, [] { return CreateInto(dzemtarabonekimlikf); });
    RegisterProgramObject(objezemtarabonekimlikf, [] { return CreateInto(ezemtarabonekimlikf); });
    RegisterProgramObject(objdfaturagirf, [] { return CreateInto(dfaturagirf); });
    RegisterProgramObject(objDzemtarfaturaf, [] { return CreateInto(Dzemtarfaturaf); });
    RegisterProgramObject(objetopfaturagirf, [] { return CreateInto(etopfaturagirf); });
    RegisterProgramObject(objefaturagirf, [] { return CreateInto(efaturagirf); });
    RegisterProgramObject(objzemtarfaturaf, [] { return CreateInto(zemtarfaturaf); });
}
