#include "support/SourceEvents.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct TClassInfo {
    std::vector<std::string> Bases;
    std::vector<std::pair<std::string, std::string>> Members;   // public (type, name)
    std::set<std::string> Methods;                               // public member functions
    bool InFolders = false;
    bool Counted = false;   // read from the folders or the base headers
};

std::string ReadWithoutComments(const fs::path& Path) {
    std::ifstream in(Path);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string s = ss.str();
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 2, "//") == 0) {
            while (i < s.size() && s[i] != '\n') ++i;
            if (i < s.size()) r += '\n';
        } else if (s.compare(i, 2, "/*") == 0) {
            const size_t e = s.find("*/", i + 2);
            i = e == std::string::npos ? s.size() : e + 1;
        } else {
            r += s[i];
        }
    }
    return r;
}

class TReader {
public:
    std::map<std::string, TClassInfo> Classes;
    std::map<std::string, std::string> Aliases;   // name -> aliased type

    void Read(const fs::path& Path, bool InFolders, bool Counted) {
        const std::string text = ReadWithoutComments(Path);
        static const std::regex alias(R"(using\s+(\w+)\s*=\s*([\w:]+))");
        for (std::sregex_iterator m(text.begin(), text.end(), alias), end; m != end; ++m)
            Aliases[(*m)[1]] = (*m)[2];
        if (!Counted) return;
        static const std::regex head(R"(^\s*(?:template\s*<[^>]*>\s*)?(class|struct)\s+(\w+)\s*(?:final\s*)?(?::([^{;]*))?\{)");
        static const std::regex access(R"(^\s*(public|protected|private)\s*:)");
        static const std::regex member(R"(^\s*(std::function<.*>|[\w:]+)\s+(\w+(?:\s*,\s*\w+)*)\s*;\s*$)");
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
                else if (open.back().Public && line.find('(') != std::string::npos && std::regex_search(line, m, method))
                    Classes[open.back().Name].Methods.insert(m[1]);
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
                const std::string bases = m[3];
                for (std::sregex_iterator b(bases.begin(), bases.end(), base), end; b != end; ++b)
                    if ((*b)[1].length()) c.Bases.push_back((*b)[1]);
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

    void Collect(const std::string& Name, std::set<std::string>& Out, std::set<std::string>& Seen) const {
        if (!Seen.insert(Name).second) return;
        auto it = Classes.find(Name);
        if (it == Classes.end() || !it->second.Counted) return;
        for (const auto& [type, member] : it->second.Members)
            if (IsEvent(type)) Out.insert(Name + "::" + member);
        for (const std::string& b : it->second.Bases) Collect(b, Out, Seen);
    }

private:
    void AddMembers(const std::string& Class, const std::string& Type, const std::string& Names) {
        static const std::regex word(R"(\w+)");
        for (std::sregex_iterator w(Names.begin(), Names.end(), word), end; w != end; ++w)
            Classes[Class].Members.emplace_back(Type, w->str());
    }
};

}  // namespace

std::set<std::string> SourceEvents(const std::vector<std::string>& Folders,
                                   const std::vector<std::string>& BaseHeaders) {
    const fs::path root(OSB_SOURCE_DIR);
    TReader reader;
    // Event types may be declared anywhere in the program (TNotifyEvent in the run-time library).
    for (const auto& e : fs::recursive_directory_iterator(root / "src"))
        if (e.path().extension() == ".h") reader.Read(e.path(), false, false);
    for (const std::string& h : BaseHeaders) reader.Read(root / h, false, true);
    for (const std::string& f : Folders)
        for (const auto& e : fs::directory_iterator(root / f))
            if (e.path().extension() == ".h") reader.Read(e.path(), true, true);
    std::set<std::string> out, seen;
    for (const auto& [name, info] : reader.Classes)
        if (info.InFolders) reader.Collect(name, out, seen);
    return out;
}

std::set<std::string> SourceMethods(const std::vector<std::string>& Headers, const std::string& Class) {
    const fs::path root(OSB_SOURCE_DIR);
    TReader reader;
    for (const std::string& h : Headers) reader.Read(root / h, true, true);
    std::set<std::string> out;
    std::vector<std::string> todo{Class};
    for (std::set<std::string> seen; !todo.empty();) {
        const std::string name = todo.back();
        todo.pop_back();
        auto it = reader.Classes.find(name);
        if (!seen.insert(name).second || it == reader.Classes.end()) continue;
        out.insert(it->second.Methods.begin(), it->second.Methods.end());
        todo.insert(todo.end(), it->second.Bases.begin(), it->second.Bases.end());
    }
    return out;
}
