#include "platform/rtl/Files.h"
#include "platform/rtl/Classes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

TEST(FileNames, Parts)
{
    struct Case { const char* Name; const char* Path; const char* Dir; const char* File; const char* Ext; };
    const Case Cases[] = {
        {"/a/b/c.blb", "/a/b/", "/a/b", "c.blb", ".blb"}, {"c.tar.gz", "", "", "c.tar.gz", ".gz"},
        {"/a.d/file", "/a.d/", "/a.d", "file", ""}, {"/root", "/", "/", "root", ""}, {"dir/", "dir/", "dir", "", ""},
        {".hidden", "", "", ".hidden", ".hidden"},
    };
    for (auto& C : Cases) {
        EXPECT_EQ(ExtractFilePath(C.Name), C.Path) << C.Name;
        EXPECT_EQ(ExtractFileDir(C.Name), C.Dir) << C.Name;
        EXPECT_EQ(ExtractFileName(C.Name), C.File) << C.Name;
        EXPECT_EQ(ExtractFileExt(C.Name), C.Ext) << C.Name;
    }
    EXPECT_EQ(ChangeFileExt("/x.y/tablo.dat", ".dt"), "/x.y/tablo.dt");
    EXPECT_EQ(ChangeFileExt("/x.y/tablo", ".err"), "/x.y/tablo.err");
    EXPECT_EQ(ChangeFileExt("a.b.c", ""), "a.b");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp//"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FileNames, Expand)
{
    EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
    EXPECT_EQ(ExpandFileName("/../.."), "/");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("x"), IncludeTrailingPathDelimiter(GetCurrentDir()) + "x");
    EXPECT_EQ(ExpandFileName(""), "");
}

TEST(FileNames, Mask)
{
    struct Case { const char* Name; const char* Mask; bool Match; };
    const Case Cases[] = {
        {"a.blb", "*.blb", true},   {"a.blb.old", "*.blb", false}, {"blb", "*.blb", false},
        {"README", "*.*", true},    {"abc", "a?c", true},          {"ac", "a?c", false},
        {"aXbXc", "a*b*c", true},   {"abcbd", "a*b?", true},       {"A.BLB", "*.blb", false},
        {"", "*", true},
    };
    for (auto& C : Cases) EXPECT_EQ(MatchesMask(C.Name, C.Mask), C.Match) << C.Name << " " << C.Mask;
}

class FilesTest : public ::testing::Test {
protected:
    void Touch(const AnsiString& Name, const AnsiString& Data = "x")
    {
        TFileStream F(Name, fmCreate);
        F.WriteBuffer(Data.data(), static_cast<Integer>(Data.size()));
    }
    TTempFolder Folder{"rtlc_files"};
    const AnsiString Dir = Folder.Path();
};

TEST_F(FilesTest, FoldersAndFiles)
{
    AnsiString Deep = Dir + "bir/iki/üç";
    EXPECT_FALSE(DirectoryExists(Deep));
    EXPECT_TRUE(ForceDirectories(Deep));
    EXPECT_TRUE(ForceDirectories(Deep + "/"));
    EXPECT_TRUE(DirectoryExists(Deep));
    EXPECT_FALSE(FileExists(Deep));
    EXPECT_FALSE(ForceDirectories(""));
    EXPECT_FALSE(CreateDir(Deep));

    AnsiString F = Deep + "/şey.blb";
    Touch(F, "12345");
    EXPECT_TRUE(FileExists(F));
    EXPECT_EQ(FileSize(F), 5);
    EXPECT_FALSE(RemoveDir(Deep));   // not empty
    AnsiString G = Deep + "/other.blb";
    EXPECT_TRUE(RenameFile(F, G));
    Touch(F);
    EXPECT_FALSE(RenameFile(F, G));  // never overwrites
    EXPECT_TRUE(DeleteFile(F));
    EXPECT_FALSE(DeleteFile(F));
    EXPECT_FALSE(DeleteFile(Deep));  // a folder is no file
    EXPECT_TRUE(DeleteFile(G));
    EXPECT_TRUE(RemoveDir(Deep));
    EXPECT_FALSE(DirectoryExists(Deep));
    // A file in the way of a folder.
    Touch(Dir + "plain");
    EXPECT_FALSE(ForceDirectories(Dir + "plain/sub"));
}

TEST_F(FilesTest, AgesAndDates)
{
    AnsiString F = Dir + "a.txt";
    EXPECT_EQ(FileAge(F), -1);
    TDateTime T = 0;
    EXPECT_FALSE(FileAge(F, T));
    Touch(F);
    EXPECT_GT(FileAge(F), 0);
    ASSERT_TRUE(FileAge(F, T));
    EXPECT_NEAR(T, Now(), 1.0 / 24);
    TDateTime Packed = FileDateToDateTime(FileAge(F));
    EXPECT_NEAR(Packed, T, 3.0 / 86400);
    TDateTime D = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 0);
    EXPECT_DOUBLE_EQ(FileDateToDateTime(DateTimeToFileDate(D)), D);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1970, 1, 1)), 0);
}

TEST_F(FilesTest, FindByMask)
{
    Touch(Dir + "1.blb", "abc");
    Touch(Dir + "2.blb");
    Touch(Dir + "3.txt");
    Touch(Dir + ".gizli.blb");
    ForceDirectories(Dir + "klasör.blb");

    auto Find = [&](const AnsiString& Mask, Integer Attr) {
        std::vector<AnsiString> Names;
        TSearchRec F;
        for (Integer Rc = FindFirst(Dir + Mask, Attr, F); Rc == 0; Rc = FindNext(F)) {
            Names.push_back(F.Name);
            if (F.Name == "1.blb") {
                EXPECT_EQ(F.Size, 3);
                EXPECT_EQ(F.Attr & faDirectory, 0);
                EXPECT_GT(F.Time, 0);
            }
            if (F.Name == "klasör.blb") {
                EXPECT_NE(F.Attr & faDirectory, 0);
            }
        }
        FindClose(F);
        std::sort(Names.begin(), Names.end());
        return Names;
    };
    EXPECT_EQ(Find("*.blb", 0), (std::vector<AnsiString>{"1.blb", "2.blb"}));
    EXPECT_EQ(Find("*.blb", faAnyFile),
              (std::vector<AnsiString>{".gizli.blb", "1.blb", "2.blb", "klasör.blb"}));
    EXPECT_EQ(Find("*.*", faDirectory).size(), 4u);
    TSearchRec F;
    EXPECT_NE(FindFirst(Dir + "*.none", faAnyFile, F), 0);
    EXPECT_NE(FindFirst(Dir + "missing/*", faAnyFile, F), 0);
    FindClose(F);
}

TEST_F(FilesTest, AtomicSave)
{
    AnsiString F = Dir + "data.ini";
    SaveFileAtomically(F, "first");
    SaveFileAtomically(F, "second, longer");
    EXPECT_EQ(LoadFileToString(F), "second, longer");
    EXPECT_THROW(SaveFileAtomically(Dir + "no/such/data.ini", "x"), EFCreateError);
    EXPECT_THROW(LoadFileToString(Dir + "nothing"), EFOpenError);
    // Only the target remains, no temporaries.
    TSearchRec R;
    int N = 0;
    for (Integer Rc = FindFirst(Dir + "*", faAnyFile, R); Rc == 0; Rc = FindNext(R)) ++N;
    FindClose(R);
    EXPECT_EQ(N, 1);
}

TEST_F(FilesTest, AtomicSaveRemovesLeftoversOfKilledSavesOnly)
{
    const char* Files[] = {"data.ini.tmpAbC123", "data.ini.tmpLocked", "data.ini.tmp12345", "data.ini.tmp1234567",
                           "a.xml.tmpAbC123", "notes.tmpbackup"};   // only this target's own temporaries go
    for (const char* Name : Files) std::ofstream(std::string(Dir + Name)) << "x";
    int Held = LockTempFile(Dir + "data.ini.tmpLocked");
    ASSERT_GE(Held, 0);
    SaveFileAtomically(Dir + "data.ini", "new");
    ::close(Held);
    std::vector<AnsiString> Names;
    TSearchRec R;
    for (Integer Rc = FindFirst(Dir + "*", faAnyFile, R); Rc == 0; Rc = FindNext(R)) Names.push_back(R.Name);
    FindClose(R);
    std::sort(Names.begin(), Names.end());
    EXPECT_EQ(Names, (std::vector<AnsiString>{"a.xml.tmpAbC123", "data.ini", "data.ini.tmp12345", "data.ini.tmp1234567",
                                              "data.ini.tmpLocked", "notes.tmpbackup"}));
}

TEST(FileDirs, TempAndHome)
{
    EXPECT_EQ(GetTempDir().back(), '/');
    EXPECT_EQ(GetHomeDir().back(), '/');
    EXPECT_TRUE(DirectoryExists(GetTempDir()));
}


TEST_F(FilesTest, FindMarksLinks)
{
    // A link back to the folder must not look like a plain sub-folder, or a
    // walk through sub-folders would never end.
    Touch(Dir + "a.blb");
    ForceDirectories(Dir + "alt");
    ASSERT_EQ(::symlink(Dir.c_str(), (Dir + "loop").c_str()), 0);
    ASSERT_EQ(::symlink((Dir + "a.blb").c_str(), (Dir + "link.blb").c_str()), 0);
    ASSERT_EQ(::symlink((Dir + "gone").c_str(), (Dir + "dangling.blb").c_str()), 0);
    std::map<AnsiString, Integer> Attrs;
    TSearchRec F;
    for (Integer Rc = FindFirst(Dir + "*", faAnyFile, F); Rc == 0; Rc = FindNext(F)) Attrs[F.Name] = F.Attr;
    FindClose(F);
    EXPECT_EQ(Attrs.size(), 5u);
    EXPECT_EQ(Attrs["alt"], faDirectory);
    EXPECT_EQ(Attrs["a.blb"] & ~faReadOnly, 0);
    EXPECT_NE(Attrs["loop"] & faSymLink, 0);
    EXPECT_NE(Attrs["loop"], faDirectory);
    EXPECT_NE(Attrs["link.blb"] & faSymLink, 0);
    EXPECT_NE(Attrs["dangling.blb"] & faSymLink, 0);

    EXPECT_NE(FindNext(F), 0);   // after the close: no more, no crash
}

}  // namespace
