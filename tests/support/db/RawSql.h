#pragma once
// Bare statements over a connected TFBDatabase and an active TFBTransaction,
// for tests that check what a transaction did before the statement layer is
// at hand.
#include "dbclient/FBTransaction.h"

// Runs a statement without result.
void ExecSQL(TFBDatabase& Db, TFBTransaction& Tr, const AnsiString& SQL);
// Runs a select whose first column is an integer and returns its value in the first row.
Int64 SelectInt(TFBDatabase& Db, TFBTransaction& Tr, const AnsiString& SQL);
