#pragma once
// Small text routines shared by the screens.
#include "platform/rtl/System.h"

// Every occurrence of Old in S replaced by New, left to right, without
// overlapping and without searching a replacement again. S comes back
// unchanged when S, Old or New is empty (an empty New never deletes).
// Case-sensitive.
AnsiString ReplaceAll(const AnsiString& S, const AnsiString& Old, const AnsiString& New);
