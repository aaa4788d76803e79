#pragma once
// Database and transaction parameter blocks built from "name=value" lines.
#include "platform/rtl/Classes.h"

// Builds the DPB from the connection's parameter lines; each line is written
// back trimmed. Raises EFBClientError on a name it cannot encode or a value
// that does not fit its item; DPB and DPBLength are then left as they were.
void GenerateDPB(TStrings* Lines, AnsiString& DPB, Word& DPBLength);
// Builds the TPB from the transaction's parameter lines, likewise. No lines:
// an empty block (the client's default transaction parameters).
void GenerateTPB(TStrings* Lines, AnsiString& TPB, Word& TPBLength);

// The parameter name of a code without its "isc_dpb_"/"isc_tpb_" prefix
// (DPBName(28) = "user_name"); empty for a code outside 1..67 / 1..20.
AnsiString DPBName(Integer Code);
AnsiString TPBName(Integer Code);
// The code of a parameter name (any case, with or without prefix); 0 when unknown.
Integer DPBCode(const AnsiString& Name);
Integer TPBCode(const AnsiString& Name);

constexpr Integer DPBNameCount = 67;
constexpr Integer TPBNameCount = 20;
