#pragma once
// The lines of a multi-line text control, read from and written to its whole text.
// Private to the user-interface layer.
#include "platform/rtl/Classes.h"

#include <functional>
#include <vector>

class TTextLines : public TStrings {
public:
    // ReadText gives the control's text with LF line ends; WriteText sets it from CR LF text.
    TTextLines(std::function<AnsiString()> ReadText, std::function<void(const AnsiString&)> WriteText)
        : FReadText(std::move(ReadText)), FWriteText(std::move(WriteText)) {}
    void Clear() override { FWriteText(AnsiString()); }
    void Delete(Integer Index) override {
        auto L = Read();
        Check(Index, static_cast<Integer>(L.size()) - 1);
        L.erase(L.begin() + Index);
        Write(L);
    }
    void Insert(Integer Index, const AnsiString& S) override {
        auto L = Read();
        Check(Index, static_cast<Integer>(L.size()));
        L.insert(L.begin() + Index, S);
        Write(L);
    }

protected:
    AnsiString Get(Integer Index) const override {
        auto L = Read();
        Check(Index, static_cast<Integer>(L.size()) - 1);
        return L[static_cast<size_t>(Index)];
    }
    Integer GetCount() const override { return static_cast<Integer>(Read().size()); }
    void Put(Integer Index, const AnsiString& S) override {
        auto L = Read();
        Check(Index, static_cast<Integer>(L.size()) - 1);
        L[static_cast<size_t>(Index)] = S;
        Write(L);
    }
    void SetTextStr(const AnsiString& Value) override { FWriteText(Value); }

private:
    void Check(Integer Index, Integer Max) const {
        if (Index < 0 || Index > Max) Error("List index out of bounds (%d)", Index);
    }
    std::vector<AnsiString> Read() const {
        std::vector<AnsiString> L;
        AnsiString T = FReadText();
        if (T.empty()) return L;
        size_t Start = 0;
        for (;;) {
            size_t End = T.find('\n', Start);
            L.push_back(T.substr(Start, End == AnsiString::npos ? AnsiString::npos : End - Start));
            if (End == AnsiString::npos) break;
            Start = End + 1;
        }
        if (!L.empty() && L.back().empty()) L.pop_back();   // a final line break ends the last line
        return L;
    }
    void Write(const std::vector<AnsiString>& L) {
        AnsiString T;
        for (size_t I = 0; I < L.size(); ++I) {
            if (I) T += "\r\n";
            T += L[I];
        }
        FWriteText(T);
    }
    std::function<AnsiString()> FReadText;
    std::function<void(const AnsiString&)> FWriteText;
};
