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

// The public member functions of Class and of its bases declared in Headers, by name.
std::set<std::string> SourceMethods(const std::vector<std::string>& Headers, const std::string& Class);
