#include "grid/ExtGrid.h"

#include "platform/rtl/Registry.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

struct TTempDir {
    std::filesystem::path Dir;
    TTempDir() {
        char Tpl[] = "/tmp/gridwidthsXXXXXX";
        Dir = mkdtemp(Tpl);
        SetRegistryFileName((Dir / "registry.ini").string());
    }
    ~TTempDir() {
        SetRegistryFileName("");
        std::filesystem::remove_all(Dir);
    }
    std::string Read(const char* Name) const {
        std::ifstream In(Dir / Name, std::ios::binary);
        std::stringstream S;
        S << In.rdbuf();
        return S.str();
    }
};

// Read: read back as its first paint does, so that the widths are the grid's to keep.
std::unique_ptr<TExtStringGrid> Grid(Integer Cols, TColumnSizeLocation Loc, const AnsiString& Key, bool Read = true) {
    auto G = std::make_unique<TExtStringGrid>(nullptr);
    G->SetColCount(Cols);
    G->ColumnSize()->SetSave(true);
    G->ColumnSize()->SetKey(Key);
    G->ColumnSize()->SetSection("Liste");
    G->ColumnSize()->SetLocation(Loc);
    if (Read) G->RestoreColumnWidths();
    return G;
}

}  // namespace

TEST(ExtGridStore, AnIniFileGetsOneValuePerColumnWhenTheGridGoes) {
    TTempDir T;
    const AnsiString Ini = (T.Dir / "widths.ini").string();
    std::ofstream(T.Dir / "widths.ini.new") << "the user's own";
    {
        auto G = Grid(3, clIniFile, Ini);
        G->SetColWidths(1, 120);
    }
    EXPECT_EQ("[Liste]\r\nCol0=64\r\nCol1=120\r\nCol2=64\r\n", T.Read("widths.ini"));
    EXPECT_EQ("the user's own", T.Read("widths.ini.new"));
    auto More = Grid(5, clIniFile, Ini);
    More->SetColWidths(4, 99);
    More->RestoreColumnWidths();
    EXPECT_EQ(120, More->ColWidths(1));
    EXPECT_EQ(99, More->ColWidths(4));
    auto Fewer = Grid(1, clIniFile, Ini);
    Fewer->SetColWidths(0, 10);
    Fewer->RestoreColumnWidths();
    EXPECT_EQ(64, Fewer->ColWidths(0));
}

TEST(ExtGridStore, NothingIsKeptWithoutSaveKeyOrSection) {
    TTempDir T;
    const AnsiString Ini = (T.Dir / "widths.ini").string();
    {
        auto G = Grid(2, clIniFile, Ini);
        G->ColumnSize()->SetSave(false);
    }
    {
        auto G = Grid(2, clIniFile, Ini);
        G->ColumnSize()->SetSection("");
    }
    EXPECT_FALSE(std::filesystem::exists(T.Dir / "widths.ini"));
}

TEST(ExtGridStore, TheSettingsStoreKeepsWidthsUnderTheKeyAndSection) {
    TTempDir T;
    {
        auto G = Grid(2, clRegistry, "Software\\Osb\\Grids");
        G->SetColWidths(1, 150);
    }
    auto G = Grid(2, clRegistry, "Software\\Osb\\Grids");
    G->RestoreColumnWidths();
    EXPECT_EQ(150, G->ColWidths(1));
    TRegistryIniFile Reg("Software\\Osb\\Grids");
    EXPECT_EQ(150, Reg.ReadInteger("Liste", "Col1", 0));
}

TEST(ExtGridStore, OtherSectionsOfTheIniFileStay) {
    TTempDir T;
    std::ofstream(T.Dir / "w.ini", std::ios::binary) << "[Other]\r\nA=1\r\n[Liste]\r\nCol0=5\r\nX=y\r\n";
    {
        auto G = Grid(1, clIniFile, (T.Dir / "w.ini").string());
        G->SetColWidths(0, 70);
    }
    EXPECT_EQ("[Other]\r\nA=1\r\n[Liste]\r\nCol0=70\r\nX=y\r\n", T.Read("w.ini"));
    EXPECT_EQ(-1, GetFileVersion("/usr/lib/none.so"));
}

// Widths come back with the window; only those read back or sized by the user are stored.
TEST(ExtGridStore, AGridBuiltInCodeGetsItsWidthsBackWhenItsWindowComes) {
    TTempDir T;
    const std::string Stored = "[Liste]\r\nCol1=140\r\n";
    std::ofstream(T.Dir / "w.ini", std::ios::binary) << Stored;
    const AnsiString Ini = (T.Dir / "w.ini").string();
    Grid(3, clIniFile, Ini, false)->SetColWidths(1, 80);   // the screen's own layout, never shown
    EXPECT_EQ(Stored, T.Read("w.ini"));
    TForm Form(nullptr);
    auto G = Grid(2, clIniFile, Ini, false);
    uitest::AddOptions(G.get(), {goColSizing});
    G->SetParent(&Form), Form.Show();
    uitest::Settle();
    EXPECT_EQ(140, G->ColWidths(1));
    G->SetColCount(3);   // after the read: stored once the user sized it
    const TRect H = G->CellRect(2, 0);
    for (const auto& [Ty, X] : {std::pair{QEvent::MouseButtonPress, 0}, {QEvent::MouseMove, 20}, {QEvent::MouseButtonRelease, 20}})
        uitest::LeftMouse(G->Widget(), Ty, QPoint(H.Right + X, 5));
    G->SetColCount(4);   // never read nor sized
    G.reset();
    EXPECT_EQ(Stored + "Col0=64\r\nCol2=" + std::to_string(H.Width() + 20) + "\r\n", T.Read("w.ini"));
}

TEST(ExtGridStore, GetFileVersionReadsTheFixedFileInformation) {
    TTempDir T;
    // Signature, structure version, then 4.70 as the most significant half of the file version.
    const std::string Info("\xBD\x04\xEF\xFE\x00\x00\x01\x00\x46\x00\x04\x00", 12);
    for (const auto& [Bytes, Version] : {std::pair{"MZxxxxxx" + Info, 262214}, {"MZxxxx" + Info, -1}, {"MZ", -1}}) {
        std::ofstream(T.Dir / "a.dll", std::ios::binary | std::ios::trunc) << Bytes;
        EXPECT_EQ(Version, GetFileVersion((T.Dir / "a.dll").string()));
    }
}
// A grid closed while grouped keeps the widths of its full layout.
TEST(ExtGridStore, WidthsStoredWhileGroupedFitTheFullLayout) {
    TTempDir T;
    const AnsiString Ini = (T.Dir / "widths.ini").string();
    for (Integer Grouped : {1, 2}) {   // stored from a grid grouped by 1, restored into one grouped by 2
        auto G = Grid(4, clIniFile, Ini);
        G->Group(Grouped);
        Grouped == 1 ? G->SetColWidths(2, 95) : G->RestoreColumnWidths();
    }
    EXPECT_EQ("[Liste]\r\nCol0=64\r\nCol1=64\r\nCol2=64\r\nCol3=95\r\n", T.Read("widths.ini"));
}

TEST(ExtGridStore, OutOfRangeWidthsInTheFileAreRefusedAndTheOthersRead) {
    TTempDir T;
    std::ofstream(T.Dir / "w.ini", std::ios::binary) << "[Liste]\r\nCol0=2147483647\r\nCol1=-3\r\nCol2=120\r\nCol3=65536\r\n";
    auto G = Grid(4, clIniFile, (T.Dir / "w.ini").string());
    for (Integer C = 0; C < 4; ++C) EXPECT_EQ(C == 2 ? 120 : G->DefaultColWidth(), G->ColWidths(C)) << C;
}
