#pragma once
// GUIDs: generation and the "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" text form.
#include "platform/rtl/System.h"

struct TGUID {
    Cardinal D1 = 0;
    Word D2 = 0;
    Word D3 = 0;
    Byte D4[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

bool operator==(const TGUID& A, const TGUID& B);

// A new random (version 4) GUID. Result 0 on success, as the system call did.
Integer CreateGUID(TGUID& Guid);
TGUID NewGUID();
AnsiString GUIDToString(const TGUID& Guid);   // upper-case hexadecimal in braces
// EConvertError "'%s' is not a valid GUID value" on anything but the exact form
// (hex digits of either case).
TGUID StringToGUID(const AnsiString& S);
bool TryStringToGUID(const AnsiString& S, TGUID& Guid);
bool IsEqualGUID(const TGUID& A, const TGUID& B);
