#include "dbclient/FBPreprocess.h"

#include "dbclient/FBMessages.h"
#include "dbclient/SqlTxtRtns.h"

namespace {

bool IsNameChar(char C) {
    return C == '#' || C == '$' || C == '%' || C == '.' || C == '_' || (C >= '0' && C <= '9') ||
           (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

bool StandaloneFrom(const AnsiString& Text, Integer P, bool InWhere) {
    if (!InWhere) return false;
    const Integer len = static_cast<Integer>(Text.size());
    while (P <= len && (Text[P - 1] == '\t' || Text[P - 1] == '\n' || Text[P - 1] == '\r' || Text[P - 1] == ' '))
        ++P;
    if (P > len) return true;
    const char c = Text[P - 1];
    const char n = P < len ? Text[P] : '\0';
    if (c == '*' || c == '+' || c == '|') return false;
    if (c == '-') return n == '-';
    if (c == '/') return n == '*';
    return true;
}

[[noreturn]] void ParseError(const AnsiString& ComponentName, const char* What) {
    FBError(51, {ComponentName, What});
}

}  // namespace

bool StatementKindTakesParams(Byte Kind) {
    return Kind == skSelect || Kind == skUpdate || Kind == skInsert || Kind == skDelete || Kind == skExecute;
}

bool HasParamMarkers(const AnsiString& Text, char MacroChar) {
    const Integer len = static_cast<Integer>(Text.size());
    Integer i = 2;
    while (i <= len) {
        const char c = Text[i - 1];
        const char n = i < len ? Text[i] : '\0';
        if (c == '\'' || c == '"') {
            const auto e = Text.find(c, i);
            if (e == AnsiString::npos) return false;
            i = static_cast<Integer>(e) + 2;
            continue;
        }
        if (c == '/' && n == '*') {
            const auto e = Text.find("*/", i + 1);
            if (e == AnsiString::npos) return false;
            i = static_cast<Integer>(e) + 3;
            continue;
        }
        if (c == '-' && n == '-') {
            while (i <= len && Text[i - 1] != '\n' && Text[i - 1] != '\r') ++i;
            continue;
        }
        if (c == ':' || c == '?' || c == MacroChar) return true;
        ++i;
    }
    return false;
}

TScanResult ScanSQLText(const AnsiString& Text, bool OnlyNames, char MacroChar, bool ParamsAllowed,
                        const AnsiString& ComponentName) {
    enum { stText, stComment, stString, stParam, stMacro, stLineComment };
    TScanResult r;
    const Integer len = static_cast<Integer>(Text.size());
    AnsiString& out = r.Text;
    if (!OnlyNames) out.reserve(Text.size());
    auto write = [&](char C) {
        if (!OnlyNames) out.push_back(C);
    };

    int state = stText;
    char quote = 0;
    AnsiString name;
    Integer nameStart = 0;
    bool quotedName = false;
    bool plainMacro = false;
    bool inWhere = false;
    Integer depth = 0;

    auto addName = [&](Integer EndPos, bool Standalone) {
        TScannedName n;
        n.Name = name;
        n.InWhere = inWhere;
        n.Standalone = Standalone;
        n.Quoted = quotedName;
        n.StartPos = nameStart;
        n.EndPos = EndPos;
        r.Names.push_back(std::move(n));
        name.clear();
        quotedName = false;
        state = stText;
    };

    Integer i = 1;
    while (i <= len) {
        const char c = Text[i - 1];
        const char n = i < len ? Text[i] : '\0';
        bool skipOutput = false;

        if (state == stText) {
            if (!inWhere) {
                inWhere = IsWhereKeywordAt(Text, i);
                if (inWhere && OnlyNames) {
                    i += 5;
                    continue;
                }
            } else {
                if (c == '(') ++depth;
                else if (c == ')') --depth;
                if (depth >= 0) {
                    if (IsWhereEndKeywordAt(Text, i)) inWhere = false;
                } else {
                    inWhere = false;
                }
            }
        }

        switch (state) {
            case stText:
                if (c == '\'' || c == '"') {
                    quote = c;
                    state = stString;
                } else if (c == '-' && n == '-') {
                    write(c);
                    ++i;
                    state = stLineComment;
                } else if (c == '/' && n == '*') {
                    write(c);
                    ++i;
                    state = stComment;
                } else if ((c == ':' || c == '?') && ParamsAllowed) {
                    state = stParam;
                    write('?');
                    nameStart = i;
                    name.clear();
                    quotedName = false;
                } else if (c == MacroChar) {
                    state = stMacro;
                    plainMacro = n != MacroChar;
                    name = plainMacro ? AnsiString(1, MacroChar) : AnsiString();
                    quotedName = false;
                    nameStart = i;
                }
                break;
            case stComment:
                if (n == '\0') ParseError(ComponentName, "EOF in comment detected");
                if (c == '*' && n == '/') state = stText;
                break;
            case stString:
                if (c == quote) {
                    if (n == quote) {
                        write(c);
                        ++i;
                    } else {
                        state = stText;
                    }
                } else if (n == '\0') {
                    ParseError(ComponentName, "EOF in string detected");
                }
                break;
            case stLineComment:
                if (c == '\0' || c == '\n' || c == '\r') state = stText;
                break;
            default: {  // inside a parameter or macro name
                if (c == '"' && !quotedName) {
                    quotedName = true;
                    write(' ');
                    ++i;
                    skipOutput = true;
                    break;
                }
                if (quotedName || IsNameChar(c)) {
                    name.push_back(c);
                } else if (state == stMacro && (!plainMacro || (c != '\r' && c != ' '))) {
                    name.push_back(c);
                } else {
                    ParseError(ComponentName, "Parameter name expected");
                }
                if (quotedName) {
                    if (n == '"') {
                        addName(i + 1, StandaloneFrom(Text, i + 2, inWhere));
                        write(' ');
                        i += 2;
                        skipOutput = true;
                    }
                } else if (state == stParam) {
                    if (!IsNameChar(n)) {
                        addName(i, StandaloneFrom(Text, i + 1, inWhere));
                        ++i;
                    }
                } else if (!plainMacro) {
                    if (n == MacroChar) {
                        ++i;
                        addName(i, false);
                    }
                } else if (n == '\r' || n == ' ' || n == '\0') {
                    addName(i, false);
                    ++i;
                }
                break;
            }
        }
        if (skipOutput) continue;
        if (i > len) break;
        write((state == stParam || state == stMacro) ? ' ' : Text[i - 1]);
        ++i;
    }
    switch (state) {
        case stComment: ParseError(ComponentName, "EOF in comment detected");
        case stString: ParseError(ComponentName, "EOF in string detected");
        case stParam:
        case stMacro: ParseError(ComponentName, "Parameter name expected");
        default: break;
    }
    return r;
}

bool RewriteNullComparison(AnsiString& Text, Integer StartPos, Integer EndPos, AnsiString& Replacement,
                           Integer& ReplacedFrom, Integer& ReplacedLength) {
    // A marker outside the text (positions of another text) rewrites nothing.
    if (StartPos < 1 || EndPos < StartPos || EndPos > static_cast<Integer>(Text.size())) return false;
    Integer p = StartPos - 1;
    while (p >= 1) {
        const char c = Text[p - 1];
        if (c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ';') --p;
        else break;
    }
    if (p < 1) return false;
    const char c = Text[p - 1];
    const char before = p > 1 ? Text[p - 2] : '\0';
    Integer opStart;
    if (c == '=') {
        if (before == '!' || before == '^' || before == '~') {
            opStart = p - 1;
            Replacement = " IS NOT NULL ";
        } else if (before == '<' || before == '>') {
            return false;
        } else {
            opStart = p;
            Replacement = " IS NULL ";
        }
    } else if (c == '>' && before == '<') {
        opStart = p - 1;
        Replacement = " IS NOT NULL ";
    } else {
        return false;
    }
    ReplacedFrom = opStart;
    ReplacedLength = EndPos - opStart + 1;
    Text.replace(opStart - 1, ReplacedLength, Replacement);
    return true;
}
