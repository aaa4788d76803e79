#pragma once
// Fixtures of the transfer-file tests: a grid on a hidden form, a private
// folder, recorded message boxes and expected files written as UTF-8 lines.
#include "grid/ExtGrid.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

namespace transfertest {

// Expected file content: each line (UTF-8) followed by TAB CR LF.
inline std::string Lines(std::initializer_list<const char8_t*> L) {
    std::string R;
    for (const char8_t* S : L) {
        R += reinterpret_cast<const char*>(S);
        R += "\t\r\n";
    }
    return R;
}

inline std::string U8(const char8_t* S) { return reinterpret_cast<const char*>(S); }

// An expected text given as a UTF-8 literal, a std::string (UTF-8) or plain ASCII.
struct TU8 {
    std::string S;
    TU8(const char8_t* V) : S(U8(V)) {}
    TU8(const char* V) : S(V) {}
    TU8(std::string V) : S(std::move(V)) {}
    operator const std::string&() const { return S; }
};

// <Tag>Value</Tag> at Indent, as a line of an expected file.
inline std::string Leaf(int Indent, const std::string& Tag, const std::string& Value) {
    return std::string(Indent, ' ') + "<" + Tag + ">" + Value + "</" + Tag + ">\t\r\n";
}

// The envelope head of an expected file (zone tax number 1234567890); Counts are its count lines.
inline std::string Envelope(const TU8& Schema, const TU8& Code, const TU8& Title, const TU8& Period,
                            const TU8& FileNo, const std::string& Counts) {
    return Lines({u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"}) +
           "<vimveritransferi xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:noNamespaceSchemaLocation=\"" + Schema.S + "\">\t\r\n" + Lines({u8"  <protokol>"}) +
           "    <genel kuruluskodu=\"" + Code.S + "\">\t\r\n" + Leaf(6, "vkn", "1234567890") + Leaf(6, "unvan", Title) +
           Lines({u8"    </genel>", u8"    <ozel>"}) + Leaf(6, "bilgidonem", Period) + Leaf(6, "dosyano", FileNo) +
           Counts + Lines({u8"    </ozel>", u8"  </protokol>"});
}

inline const std::string Tail = "</vimveritransferi>\t\r\n";

using ::TTempFolder;

// The texts of the given columns of a grid row, joined by "|".
inline AnsiString RowText(TExtStringGrid* G, Integer Row, std::initializer_list<Integer> Cols) {
    AnsiString R;
    for (const Integer& C : Cols) R += (&C == Cols.begin() ? "" : "|") + G->Cells(C, Row);
    return R;
}

// A grid of the given columns on a form, with the prompter recording messages
// and the Turkish number settings in force.
class TTransferFixture : public ::testing::Test {
protected:
    void SetUpGrid(Integer Cols, Integer Rows) {
        Form = std::make_unique<TForm>(nullptr);
        Grid = new TExtStringGrid(Form.get());
        Grid->SetColCount(Cols);
        Grid->SetRowCount(Rows);
    }
    void SetRow(Integer Row, std::initializer_list<std::pair<Integer, AnsiString>> Cells) {
        for (const auto& [Col, Text] : Cells) Grid->SetCells(Col, Row, Text);
    }
    static std::string Read(const AnsiString& Path) { return LoadFileToString(Path); }

    TFormatSettingsGuard Settings{TurkishFormatSettings()};
    TScriptedPrompter Prompts;
    TPrompterGuard PromptGuard{&Prompts};
    TTempFolder Folder;
    std::unique_ptr<TForm> Form;
    TExtStringGrid* Grid = nullptr;
};

}  // namespace transfertest
