#include "dbclient/ibase.h"

AnsiString IBASE_DLL = "libfbclient.so.2";
