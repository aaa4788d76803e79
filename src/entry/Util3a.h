#pragma once
// Small text routines shared by the screens, and an empty utility form.
#include "platform/rtl/System.h"
#include "platform/ui/Forms.h"

// Every occurrence of Old in S replaced by New, left to right, without
// overlapping and without searching a replacement again. S comes back
// unchanged when S, Old or New is empty (an empty New never deletes).
// Case-sensitive.
AnsiString ReplaceAll(const AnsiString& S, const AnsiString& Old, const AnsiString& New);

// A date as the program stores it: "dd.mm.yyyy".
AnsiString StoredDateText(TDateTime Value);
// A stored date text read back: a date in the user's settings, or yyyy-mm-dd as
// older imports (and office programs' CSV files) have it. False for any other
// text, the empty one too.
bool TryStoredDate(const AnsiString& Text, TDateTime& Value);

// An empty form made at start and never shown.
class TF_Util3 : public TForm {
public:
    explicit TF_Util3(TComponent* AOwner);
};

extern TF_Util3* F_Util3;
