#pragma once
// The events a part of the program raises, read from its own headers, so that
// a table of events can be checked complete: every public std::function member
// (spelled out or through a `using` alias) of every class declared in the
// headers of Folders, and of the classes in BaseHeaders those classes derive
// from. Paths are relative to the source tree; names are "Class::Member".
#include <set>
#include <string>
#include <vector>

std::set<std::string> SourceEvents(const std::vector<std::string>& Folders,
                                   const std::vector<std::string>& BaseHeaders);
