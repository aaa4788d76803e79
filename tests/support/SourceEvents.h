#pragma once
// The events a part of the program raises, read from its own headers, so that
// a table of events can be checked complete: every public std::function member
// (spelled out or through a `using` alias) and every event set through a public
// setter ("SetOnTimer(TNotifyEvent)" is "OnTimer") of every class declared in the
// headers of Folders, and of the classes in BaseHeaders those classes derive
// from. Paths are relative to the source tree; names are "Class::Member".
#include <regex>
#include <set>
#include <string>
#include <vector>

std::set<std::string> SourceEvents(const std::vector<std::string>& Folders,
                                   const std::vector<std::string>& BaseHeaders);

// Where the sources of Paths (folders or files) raise events: "Event@Class::Function" for
// every FireEvent(…Event, …) in a function's body, and for every call of a relay in a
// function's body. A relay is a routine of one of RelayClasses named after the event it
// raises for its caller (CellsChanged raises OnCellsChanged, DoExit OnExit); its own
// FireEvent is no site, its callers are. Relays lists those found, "Class::Function".
struct TRaisingSites {
    std::set<std::string> Sites, Relays;
};
TRaisingSites SourceRaisingSites(const std::vector<std::string>& Paths, const std::set<std::string>& RelayClasses);

// Handlers called on the member rather than through FireEvent's copy, read
// from every source of the program: each "path:line: name", and each local
// reference bound to a handler. Calls is "name" for a handler (any
// std::function the program keeps, whatever its access) whose name is no
// function's too; names that are (Ambiguous) cannot be told apart by reading.
struct TDirectEventCalls {
    std::vector<std::string> Calls;
    std::set<std::string> Ambiguous;
};
TDirectEventCalls DirectEventCalls();

// The public member functions of Class and of its bases declared in Headers, by name.
std::set<std::string> SourceMethods(const std::vector<std::string>& Headers, const std::string& Class);

// Shared reading of the sources: a file below the source tree as it is; the matches of Pattern
// (or its Group) in Text; the files of Paths (a folder's, deep or not, with one of Extensions;
// a file as named), relative to the tree.
std::string SourceText(const std::string& Path);
std::vector<std::string> SourceMatches(const std::string& Text, const std::regex& Pattern, int Group = 0);
std::vector<std::string> SourceMatches(const std::string& Text, const std::string& Pattern, int Group = 0);
std::vector<std::string> SourceFiles(const std::vector<std::string>& Paths, const std::set<std::string>& Extensions, bool Deep = false);
