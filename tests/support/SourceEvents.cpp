#include "support/SourceEvents.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

std::string SourceText(const std::string& Path) {
    std::ifstream in(fs::path(OSB_SOURCE_DIR) / Path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> SourceMatches(const std::string& Text, const std::regex& Pattern, int Group) {
    std::vector<std::string> r;
    for (std::sregex_iterator m(Text.begin(), Text.end(), Pattern), end; m != end; ++m) r.push_back((*m)[Group]);
    return r;
}
std::vector<std::string> SourceMatches(const std::string& Text, const std::string& Pattern, int Group) {
    return SourceMatches(Text, std::regex(Pattern), Group);
}

std::vector<std::string> SourceFiles(const std::vector<std::string>& Paths, const std::set<std::string>& Extensions, bool Deep) {
    const fs::path root(OSB_SOURCE_DIR);
    std::vector<std::string> r;
    const auto take = [&](const fs::path& f) {
        if (Extensions.count(f.extension().string())) r.push_back(fs::relative(f, root).string());
    };
    for (const std::string& p : Paths)
        if (!fs::is_directory(root / p)) r.push_back(p);
        else if (Deep) for (const auto& e : fs::recursive_directory_iterator(root / p)) take(e.path());
        else for (const auto& e : fs::directory_iterator(root / p)) take(e.path());
    return r;
}

namespace {

struct TClassInfo {
    std::vector<std::string> Bases;
    std::vector<std::pair<std::string, std::string>> Members;   // public (type, name)
    std::set<std::string> Methods;                               // public member functions
    bool InFolders = false;
    bool Counted = false;   // read from the folders or the base headers
};

// The text of Path without comments; Code also blanks literals and drops preprocessor lines, in the
// same pass (a "//" inside a literal then starts no comment).
std::string ReadCode(const std::string& Path, bool Code = true) {
    const std::string s = SourceText(Path);
    std::string r;
    bool lineStart = true;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (s.compare(i, 2, "//") == 0 || (Code && lineStart && c == '#')) {
            // a comment, or a directive with its continued lines
            while (i < s.size() && (s[i] != '\n' || (c == '#' && s[i - 1] == '\\'))) ++i;
            r += '\n';
        } else if (s.compare(i, 2, "/*") == 0) {
            const size_t e = s.find("*/", i + 2);
            i = e == std::string::npos ? s.size() : e + 1;
        } else if (Code && (c == '"' || c == '\'')) {
            size_t j = i + 1;
            while (j < s.size() && s[j] != c && s[j] != '\n') j += s[j] == '\\' ? 2 : 1;
            r += c, r += c;
            i = std::min(j, s.size());
        } else {
            if (c == '\n') lineStart = true;
            else if (!isspace(static_cast<unsigned char>(c))) lineStart = false;
            r += c;
        }
    }
    return r;
}

std::vector<std::string> Words(const std::string& Text) {
    static const std::regex word(R"(\w+)");
    return SourceMatches(Text, word);
}

class TReader {
public:
    std::map<std::string, TClassInfo> Classes;
    std::map<std::string, std::string> Aliases;   // name -> aliased type

    void Read(const std::string& Path, bool InFolders, bool Counted) {
        const std::string text = ReadCode(Path, false);
        static const std::regex alias(R"(using\s+(\w+)\s*=\s*([\w:]+))");
        for (std::sregex_iterator m(text.begin(), text.end(), alias), end; m != end; ++m)
            Aliases[(*m)[1]] = (*m)[2];
        if (!Counted) return;
        static const std::regex head(R"(^\s*(?:template\s*<[^>]*>\s*)?(class|struct)\s+(\w+)\s*(?:final\s*)?(?::([^{;]*))?\{)");
        static const std::regex access(R"(^\s*(public|protected|private)\s*:)");
        static const std::regex member(R"(^\s*(std::function<.*>|[\w:]+)\s+(\w+(?:\s*,\s*\w+)*)\s*;\s*$)");
        // An event kept private and set through its setter ("SetOnTimer(TNotifyEvent)") counts as "OnTimer".
        static const std::regex setter(
            R"(^\s*(?:virtual\s+)?void\s+Set(\w+)\s*\(\s*(?:const\s+)?(std::function<.*>|[\w:]+)\s*&?\s*\w*\s*\).*)");
        static const std::regex method(
            R"(^\s*(?:(?:virtual|static|inline|explicit|constexpr)\s+)*(?:const\s+)?[\w:<>,\*&]+\s*[\*&]?\s+[\*&]?(\w+)\s*\()");
        struct TOpen { std::string Name; int Depth; bool Public; };
        std::vector<TOpen> open;
        int depth = 0;
        std::string pending;   // a class head waiting for its brace
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (!open.empty() && depth == open.back().Depth) {
                if (line.find(':') != std::string::npos && std::regex_search(line, m, access))
                    open.back().Public = m[1] == "public";
                else if (open.back().Public && line.find(';') != std::string::npos && std::regex_match(line, m, member))
                    AddMembers(open.back().Name, m[1], m[2]);
                else if (open.back().Public && line.find('(') != std::string::npos) {
                    if (line.find("Set") != std::string::npos && std::regex_match(line, m, setter))
                        AddMembers(open.back().Name, m[2], m[1]);
                    if (std::regex_search(line, m, method)) Classes[open.back().Name].Methods.insert(m[1]);
                }
            }
            std::string joined = pending.empty() ? line : pending + " " + line;
            const bool mayOpen = joined.find("class") != std::string::npos || joined.find("struct") != std::string::npos;
            if (!mayOpen) {
                pending.clear();
            } else if (std::regex_search(joined, m, head)) {
                pending.clear();
                TClassInfo& c = Classes[m[2]];
                c.InFolders = c.InFolders || InFolders;
                c.Counted = c.Counted || Counted;
                static const std::regex base(R"((?:public|protected|private)?\s*([\w:]+)(?:<[^>]*>)?\s*(?:,|$))");
                for (const std::string& b : SourceMatches(m[3], base, 1))
                    if (!b.empty()) c.Bases.push_back(b);
                open.push_back({m[2], depth + 1, m[1] == "struct"});
            } else if (std::regex_search(joined, std::regex(R"(^\s*(class|struct)\s+\w+[^;]*$)"))) {
                pending = joined;
            } else {
                pending.clear();
            }
            for (char ch : line) {
                if (ch == '{') ++depth;
                if (ch == '}' && --depth < (open.empty() ? 0 : open.back().Depth)) open.pop_back();
            }
        }
    }

    bool IsEvent(std::string Type) const {
        for (int hops = 0; hops < 8; ++hops) {
            if (Type.rfind("std::function<", 0) == 0 || Type == "std::function") return true;
            auto it = Aliases.find(Type);
            if (it == Aliases.end()) return false;
            Type = it->second;
        }
        return false;
    }

    // Visits Name and its bases, each once, as far as they were counted.
    void Walk(const std::string& Name, std::set<std::string>& Seen, const std::function<void(const std::string&, const TClassInfo&)>& Visit) const {
        auto it = Classes.find(Name);
        if (!Seen.insert(Name).second || it == Classes.end() || !it->second.Counted) return;
        Visit(Name, it->second);
        for (const std::string& b : it->second.Bases) Walk(b, Seen, Visit);
    }

private:
    void AddMembers(const std::string& Class, const std::string& Type, const std::string& Names) {
        for (const std::string& w : Words(Names)) Classes[Class].Members.emplace_back(Type, w);
    }
};

}  // namespace

TDirectEventCalls DirectEventCalls() {
    TReader reader;
    std::vector<std::pair<std::string, std::string>> files;   // (path below the tree, text)
    for (const std::string& f : SourceFiles({"src"}, {".h", ".cpp"}, true)) {
        if (f.ends_with(".h")) reader.Read(f, false, false);
        files.emplace_back(f, ReadCode(f, false));
    }
    // Every std::function a class or the program keeps, whatever its access.
    static const std::regex kept(
        R"(^\s*(?:extern\s+|static\s+|inline\s+|mutable\s+)*(std::function<.*>|[\w:]+)(?:\s*&\s*|\s+)(\w+(?:\s*,\s*\w+)*)\s*(?:=[^;]*)?;\s*$)");
    // A function declared or defined with the same name: its calls cannot be told apart by reading.
    static const std::regex function(R"((\w+)[&*>]*\s+[&*]*(?:\w+::)*(\w+)\s*\((?:[^;{}()]|\([^()]*\))*\)\s*(?:const\s*)?(?:override\s*)?(?:noexcept\s*)?(?:[;{]|$))");
    static const std::set<std::string> keywords{"return", "else", "new", "delete", "throw", "case", "goto", "co_return"};
    std::set<std::string> events, functions;
    for (const auto& [path, text] : files) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (path.ends_with(".h") && line.find(';') != std::string::npos && std::regex_match(line, m, kept) &&
                reader.IsEvent(m[1]))
                for (const std::string& w : Words(m[2])) events.insert(w);
            if (line.find('(') != std::string::npos)
                for (std::sregex_iterator f(line.begin(), line.end(), function), end; f != end; ++f)
                    if (!keywords.count((*f)[1])) functions.insert((*f)[2]);
        }
    }
    TDirectEventCalls out;
    for (const std::string& e : events)
        if (functions.count(e)) out.Ambiguous.insert(e);
    static const std::regex call(R"((?:^|[^\w])(\w+)\s*\()");
    // A local reference to a handler calls the member itself.
    static const std::regex reference(R"((std::function<[^;&]*>|[\w:]+)\s*&\s*\w+\s*=\s*([^;]*))");
    for (const auto& [path, text] : files) {
        std::istringstream lines(text);
        int number = 0;
        for (std::string line; std::getline(lines, line);) {
            ++number;
            const std::string at = path + ":" + std::to_string(number) + ": ";
            for (const std::string& name : SourceMatches(line, call, 1))
                if (events.count(name) && !out.Ambiguous.count(name)) out.Calls.push_back(at + name);
            std::smatch m;
            if (path.ends_with(".cpp") && std::regex_search(line, m, reference)) {
                const std::string init = m[2];
                bool named = reader.IsEvent(m[1]);
                for (const std::string& e : events)
                    named = named || std::regex_search(init, std::regex("\\b" + e + "\\b"));
                if (named) out.Calls.push_back(at + "a reference to " + std::string(m[1]));
            }
        }
    }
    return out;
}

std::set<std::string> SourceEvents(const std::vector<std::string>& Folders,
                                   const std::vector<std::string>& BaseHeaders) {
    TReader reader;
    // Event types may be declared anywhere in the program (TNotifyEvent in the run-time library).
    for (const std::string& h : SourceFiles({"src"}, {".h"}, true)) reader.Read(h, false, false);
    for (const std::string& h : BaseHeaders) reader.Read(h, false, true);
    for (const std::string& h : SourceFiles(Folders, {".h"})) reader.Read(h, true, true);
    std::set<std::string> out, seen;
    for (const auto& [name, info] : reader.Classes)
        if (info.InFolders)
            reader.Walk(name, seen, [&](const std::string& c, const TClassInfo& i) {
                for (const auto& [type, member] : i.Members)
                    if (reader.IsEvent(type)) out.insert(c + "::" + member);
            });
    return out;
}

namespace {

std::string WithoutAngles(const std::string& s) {
    std::string r;
    int depth = 0;
    for (char c : s) {
        if (c == '<') ++depth;
        else if (c == '>' && depth > 0) --depth;
        else if (depth == 0) r += c;
    }
    return r;
}

struct TFunctionBody {
    std::string Name;   // "Class::Function"
    std::string Text;
};

// The bodies of the functions defined in Text (members in their class or out of it,
// free functions), each with what its lambdas and blocks hold.
std::vector<TFunctionBody> FunctionBodies(const std::string& Text) {
    static const std::regex classHead(R"((?:^|[\s;}])(?:class|struct)\s+(\w+)[^()]*$)");
    static const std::regex functionHead(R"((~?[A-Za-z_][\w:~]*)\s*\()");
    static const std::set<std::string> notFunctions{"if", "for", "while", "switch", "catch", "return", "sizeof",
                                                    "decltype", "alignas", "static_assert", "operator"};
    struct TScope { std::string Class; int Depth; };
    std::vector<TScope> classes;
    std::vector<TFunctionBody> out;
    int depth = 0, bodyDepth = -1, otherDepth = -1;
    size_t segment = 0, bodyStart = 0;
    for (size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c != '{' && c != '}' && c != ';') continue;
        const std::string head = WithoutAngles(Text.substr(segment, i - segment));
        segment = i + 1;
        if (c == ';') continue;
        if (c == '}') {
            --depth;
            if (bodyDepth == depth) {
                out.back().Text = Text.substr(bodyStart, i - bodyStart);
                bodyDepth = -1;
            }
            if (otherDepth == depth) otherDepth = -1;
            if (!classes.empty() && classes.back().Depth == depth) classes.pop_back();
            continue;
        }
        if (bodyDepth < 0 && otherDepth < 0) {
            std::smatch m;
            const bool paren = head.find('(') != std::string::npos;
            if (!paren && std::regex_search(head, m, classHead) && head.find('=') == std::string::npos) {
                classes.push_back({m[1], depth});
            } else if (head.find("namespace") != std::string::npos && !paren) {
                // transparent
            } else if (paren && head.find('=') == std::string::npos && std::regex_search(head, m, functionHead) &&
                       !notFunctions.count(m[1])) {
                std::string name = m[1];
                if (name.find("::") == std::string::npos && !classes.empty()) name = classes.back().Class + "::" + name;
                out.push_back({name, {}});
                bodyDepth = depth;
                bodyStart = i + 1;
            } else {
                otherDepth = depth;   // an initializer, an enum, a table
            }
        }
        ++depth;
    }
    return out;
}

std::string ShortName(const std::string& F) { return F.substr(F.rfind("::") == F.npos ? 0 : F.rfind("::") + 2); }
std::string ClassOf(const std::string& F) { return F.substr(0, F.rfind("::") == F.npos ? 0 : F.rfind("::")); }

}  // namespace

TRaisingSites SourceRaisingSites(const std::vector<std::string>& Paths, const std::set<std::string>& RelayClasses) {
    std::vector<TFunctionBody> bodies;
    for (const std::string& f : SourceFiles(Paths, {".cpp", ".h"}))
        for (TFunctionBody& b : FunctionBodies(ReadCode(f))) bodies.push_back(std::move(b));
    static const std::regex fire(R"(\bFireEvent\s*\(\s*([^,()]*?)\s*[,)])");
    static const std::regex last(R"((\w+)$)");
    TRaisingSites out;
    std::map<std::string, std::string> relays;   // short name -> event
    std::set<std::string> direct;
    for (const TFunctionBody& b : bodies)
        for (const std::string& arg : SourceMatches(b.Text, fire, 1)) {
            std::smatch e;
            if (!std::regex_search(arg, e, last)) continue;
            const std::string event = e[1], name = ShortName(b.Name);
            if (RelayClasses.count(ClassOf(b.Name)) && event.rfind("On", 0) == 0 &&
                (name == event.substr(2) || name == "Do" + event.substr(2))) {
                relays[name] = event;
                out.Relays.insert(b.Name);
            } else {
                direct.insert(event + "@" + b.Name);
            }
        }
    out.Sites = direct;
    for (const auto& [relay, event] : relays) {
        const std::regex call("(^|[^\\w:~])" + relay + "\\s*\\(");
        for (const TFunctionBody& b : bodies)
            if (ShortName(b.Name) != relay && std::regex_search(b.Text, call)) out.Sites.insert(event + "@" + b.Name);
    }
    return out;
}

std::set<std::string> SourceMethods(const std::vector<std::string>& Headers, const std::string& Class) {
    TReader reader;
    for (const std::string& h : Headers) reader.Read(h, true, true);
    std::set<std::string> out, seen;
    reader.Walk(Class, seen, [&](const std::string&, const TClassInfo& i) { out.insert(i.Methods.begin(), i.Methods.end()); });
    return out;
}
