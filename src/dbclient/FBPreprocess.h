#pragma once
// The scan that turns a statement text with named parameters (":NAME",
// "?NAME", ':"Quoted"') and macros ("@NAME", "@@NAME@", "@NAME%default")
// into a list of names and an executable text with one "?" per parameter.
// The executable text keeps the length and character positions of the input.
#include <vector>

#include "platform/rtl/System.h"

struct TScannedName {
    AnsiString Name;         // as written; a macro's begins with the macro character
    bool InWhere = false;
    bool Standalone = false; // in a WHERE clause and not followed by an operator
    bool Quoted = false;
    Integer StartPos = 0;    // of the marker (1-based)
    Integer EndPos = 0;      // of the name's last character (closing quote/macro char included)
};

struct TScanResult {
    AnsiString Text;         // the executable text (built only when not OnlyNames)
    std::vector<TScannedName> Names;
};

// Scans Text. Markers count only in DML texts (ParamsAllowed); macros always.
// A string or comment left open, or a marker without a name, raises error 51
// with ComponentName.
TScanResult ScanSQLText(const AnsiString& Text, bool OnlyNames, char MacroChar, bool ParamsAllowed,
                        const AnsiString& ComponentName);

// Whether a statement of this kind (TSQLParser's) may carry parameter
// markers: SELECT, UPDATE, INSERT, DELETE, EXECUTE.
bool StatementKindTakesParams(Byte Kind);

// Quick look for a parameter or macro marker outside quotes and comments,
// from the second character on.
bool HasParamMarkers(const AnsiString& Text, char MacroChar);

// Rewrites the comparison before a null marker (StartPos..EndPos, 1-based in
// Text): "= :P" -> " IS NULL ", "<> :P", "!= :P", "^= :P", "~= :P" ->
// " IS NOT NULL ". Returns false (Text unchanged) when no such operator stands
// before the marker. ReplacedFrom/ReplacedLength tell the span that went.
bool RewriteNullComparison(AnsiString& Text, Integer StartPos, Integer EndPos, AnsiString& Replacement,
                           Integer& ReplacedFrom, Integer& ReplacedLength);
