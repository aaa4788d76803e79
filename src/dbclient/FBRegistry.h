#pragma once
// Rows of typed values in the settings store under the current user: the
// connection aliases and named transaction parameter sets of the layer.
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

// Writes Values[i] under ValueNames[i] (up to the shorter list) in the key
// made of KeyParts, creating keys as needed. Booleans, strings, dates,
// integers, floats and currency are written; other types are skipped.
void WriteRegistryValues(const std::vector<AnsiString>& KeyParts, const std::vector<AnsiString>& ValueNames,
                         const std::vector<Variant>& Values);
// The Boolean false when a key part is missing; otherwise a 2 x n variant
// array (row 0 the value, row 1 whether it was read) for the n names. Strings
// and integers are read; other data types leave the value empty and row 1 false.
Variant ReadRegistryValues(const std::vector<AnsiString>& KeyParts, const std::vector<AnsiString>& ValueNames);
// Names of the subkeys of KeyPath (empty when it does not exist).
void GetRegistryKeyNames(const AnsiString& KeyPath, TStrings* Names);
// The first subkey of KeyPath whose string value ValueName equals Value; empty if none.
AnsiString FindRegistryKeyByValue(const AnsiString& KeyPath, const AnsiString& ValueName, const AnsiString& Value);
