#include "platform/rtl/Registry.h"
#include "platform/Raised.h"
#include "platform/rtl/Files.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        File = Dir + "sub/registry.ini";
        SetRegistryFileName(File);
    }
    void TearDown() override
    {
        SetRegistryFileName("");
    }
    static std::vector<AnsiString> List(TStrings& L)
    {
        std::vector<AnsiString> R;
        for (int I = 0; I < L.Count(); ++I) R.push_back(L.Strings(I));
        return R;
    }
    TTempFolder Folder{"rtlc_reg"};
    const AnsiString Dir = Folder.Path();
    AnsiString File;
};

TEST_F(RegistryTest, KeysOpenPartByPartAndNest)
{
    TRegistry R;
    EXPECT_EQ(R.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(R.OpenKey("Software\\KADRIX_Software", false));
    EXPECT_EQ(R.CurrentKey(), 0u);
    ASSERT_TRUE(R.OpenKey("Software", true));
    ASSERT_TRUE(R.OpenKey("KADRIX_Software", true));
    ASSERT_TRUE(R.OpenKey("Aliases\\Main", true));
    EXPECT_EQ(R.CurrentPath(), "Software\\KADRIX_Software\\Aliases\\Main");
    EXPECT_NE(R.CurrentKey(), 0u);
    R.WriteString("Database Name", "/data/zemtar.gdb");
    R.CloseKey();

    R.OpenKey("\\Software\\KADRIX_Software\\Aliases\\Second", true);
    R.OpenKey("\\software\\kadrix_software\\ALIASES", false);   // any case
    TStringList Names;
    R.GetKeyNames(&Names);
    EXPECT_EQ(List(Names), (std::vector<AnsiString>{"Main", "Second"}));
    EXPECT_TRUE(R.HasSubKeys());
    EXPECT_TRUE(R.KeyExists("Main"));
    EXPECT_TRUE(R.KeyExists("\\Software\\KADRIX_Software"));
    EXPECT_FALSE(R.KeyExists("Third"));
    // A failed open leaves the open key as it was.
    EXPECT_FALSE(R.OpenKey("Third", false));
    EXPECT_EQ(R.CurrentPath(), "software\\kadrix_software\\ALIASES");   // as it was asked for

    // Another object (and so another run) sees what was written.
    TRegistry Other;
    ASSERT_TRUE(Other.OpenKeyReadOnly("Software\\KADRIX_Software\\Aliases\\Main"));
    EXPECT_EQ(Other.ReadString("database name"), "/data/zemtar.gdb");
    EXPECT_THROW(Other.WriteString("x", "y"), ERegistryException);

    // Roots are kept apart.
    TRegistry Machine;
    Machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(Machine.KeyExists("Software"));
}

TEST_F(RegistryTest, TypedValuesAndTheirErrors)
{
    TRegistry R;
    ASSERT_TRUE(R.OpenKey("Software\\KADRIX_Software\\Values", true));
    R.WriteString("Text", "Kayıt = %20 [x]\r\nikinci");
    R.WriteInteger("Int", -5);
    R.WriteBool("Flag", true);
    R.WriteFloat("Float", 1.25);
    R.WriteDate("Date", 45000.5);
    R.WriteCurrency("Money", Currency::FromScaled(123456));
    R.WriteExpandString("Path", "$HOME/x");
    R.WriteString(" odd=name ", "v");

    TRegistry Q;
    ASSERT_TRUE(Q.OpenKey("Software\\KADRIX_Software\\Values", false));
    EXPECT_EQ(Q.ReadString("Text"), "Kayıt = %20 [x]\r\nikinci");
    EXPECT_EQ(Q.ReadInteger("Int"), -5);
    EXPECT_TRUE(Q.ReadBool("Flag"));
    EXPECT_DOUBLE_EQ(Q.ReadFloat("Float"), 1.25);
    EXPECT_DOUBLE_EQ(Q.ReadDate("Date"), 45000.5);
    EXPECT_EQ(Q.ReadCurrency("Money").Value, 123456);
    EXPECT_EQ(Q.ReadString("Path"), "$HOME/x");
    EXPECT_EQ(Q.ReadString(" odd=name "), "v");
    EXPECT_EQ(Q.ReadString("missing"), "");

    struct TypeCase { const char* Name; TRegDataType Type; Integer Size; };
    const TypeCase Types[] = {{"Text", rdString, 24}, {"Int", rdInteger, 4}, {"Flag", rdInteger, 4},
                              {"Float", rdBinary, 8}, {"Path", rdExpandString, 8}, {"none", rdUnknown, -1}};
    for (auto& C : Types) {
        EXPECT_EQ(Q.GetDataType(C.Name), C.Type) << C.Name;
        EXPECT_EQ(Q.GetDataSize(C.Name), C.Size) << C.Name;
    }

    EXPECT_EQ(MessageOf<ERegistryException>([&] { Q.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { Q.ReadInteger("none"); }), "Failed to get data for 'none'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { Q.ReadString("Int"); }), "Invalid data type for 'Int'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { Q.ReadFloat("Int"); }), "Invalid data type for 'Int'");
    TRegistry Closed;
    EXPECT_EQ(MessageOf<ERegistryException>([&] { Closed.WriteString("a", "b"); }), "Failed to set data for 'a'");

    TStringList Names;
    Q.GetValueNames(&Names);
    EXPECT_EQ(Names.Count(), 8);
    EXPECT_TRUE(Q.DeleteValue("INT"));
    EXPECT_FALSE(Q.DeleteValue("Int"));
    EXPECT_FALSE(Q.ValueExists("Int"));
}

TEST_F(RegistryTest, DeleteKeyTakesEverythingBelow)
{
    TRegistry R;
    R.OpenKey("\\A\\B\\C", true);
    R.WriteInteger("x", 1);
    R.OpenKey("\\A\\BB", true);
    EXPECT_TRUE(R.DeleteKey("\\A\\B"));
    EXPECT_FALSE(R.KeyExists("\\A\\B\\C"));
    EXPECT_TRUE(R.KeyExists("\\A\\BB"));   // a longer name is not below
    EXPECT_FALSE(R.DeleteKey("\\A\\B"));
    EXPECT_FALSE(R.DeleteKey("\\"));       // never the whole root
    ASSERT_TRUE(R.OpenKey("\\A", false));
    EXPECT_TRUE(R.DeleteKey("bb"));         // relative to the open key, any case
    EXPECT_FALSE(R.HasSubKeys());
}

TEST_F(RegistryTest, FileIsReplacedWholeAndDamageIsTolerated)
{
    TRegistry R;
    R.OpenKey("\\K", true);
    R.WriteString("a", "1");
    // No temporary files are left behind.
    TSearchRec F;
    int Found = 0;
    for (int Rc = FindFirst(ExtractFilePath(File) + "*", faAnyFile, F); Rc == 0; Rc = FindNext(F)) ++Found;
    FindClose(F);
    EXPECT_EQ(Found, 1);

    // A hand-damaged file still yields its good lines.
    TFileStream S(File, fmOpenWrite);
    S.Seek(0, soEnd);
    const char Junk[] = "garbage line\n[broken\nb=dword:notanumber\n[HKEY_CURRENT_USER\\K]\nc=dword:7\n";
    S.WriteBuffer(Junk, sizeof Junk - 1);
    TRegistry Q;
    ASSERT_TRUE(Q.OpenKey("\\K", false));
    EXPECT_EQ(Q.ReadString("a"), "1");
    EXPECT_EQ(Q.ReadInteger("c"), 7);
    EXPECT_FALSE(Q.ValueExists("b"));
}

TEST_F(RegistryTest, UnwritableStoreReportsFailure)
{
    TRegistry Good;
    ASSERT_TRUE(Good.OpenKey("\\X", true));
    // A plain file where the folder of the store should be.
    TFileStream Blocker(Dir + "file_not_dir", fmCreate);
    TRegistry R;
    R.SetFileName(Dir + "file_not_dir/registry.ini");
    EXPECT_FALSE(R.OpenKey("\\X", true));
    ASSERT_TRUE(R.OpenKey("\\", false));   // the root always opens
    EXPECT_EQ(MessageOf<ERegistryException>([&] { R.WriteString("a", "b"); }), "Failed to set data for 'a'");
    EXPECT_THROW(R.CreateKey("Y"), ERegistryException);
}

TEST_F(RegistryTest, IniView)
{
    {
        TRegistryIniFile Ini("Software\\Grid");
        EXPECT_EQ(Ini.ReadInteger("Cols", "Col0", 64), 64);
        Ini.WriteInteger("Cols", "Col0", 80);
        Ini.WriteInteger("Cols", "Col1", 20);
        Ini.WriteString("Other", "Name", "x");
    }
    TRegistryIniFile Ini("Software\\Grid");
    EXPECT_EQ(Ini.ReadInteger("Cols", "Col0", 64), 80);
    EXPECT_EQ(Ini.ReadString("Cols", "Col1", ""), "20");
    EXPECT_EQ(Ini.ReadInteger("Other", "Name", 5), 5);
    TStringList L;
    Ini.ReadSection("Cols", &L);
    EXPECT_EQ(L.CommaText(), "Col0,Col1");
    Ini.ReadSections(&L);
    EXPECT_EQ(L.CommaText(), "Cols,Other");
    Ini.EraseSection("Cols");
    EXPECT_FALSE(Ini.SectionExists("Cols"));
    EXPECT_TRUE(Ini.ValueExists("Other", "Name"));
    Ini.DeleteKey("Other", "Name");
    EXPECT_FALSE(Ini.ValueExists("Other", "Name"));
    Ini.DeleteKey("Never", "Name");   // deleting from a missing section makes none
    EXPECT_FALSE(Ini.SectionExists("Never"));
}

TEST(RegistryLocation, DefaultUnderConfigFolder)
{
    SetRegistryFileName("");
    const char* Old = std::getenv("XDG_CONFIG_HOME");
    AnsiString Saved = Old ? Old : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(RegistryFileName(), "/tmp/cfg/osbzemtar/registry.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryFileName(), GetHomeDir() + ".config/osbzemtar/registry.ini");
    if (Old) ::setenv("XDG_CONFIG_HOME", Saved.c_str(), 1);
}


TEST_F(RegistryTest, AwkwardNamesAndDataRoundTrip)
{
    // Everything the file's own syntax uses, line breaks, Turkish letters and
    // the bytes the code page leaves unassigned must come back unchanged.
    const std::vector<std::pair<AnsiString, AnsiString>> Values = {
        {"a=b", "x=y=z"},          {";comment", "[section]"},  {"[x]", "%41%"},
        {"Şifre", "ğüşıöçİ"},      {"", "default value"},      {" ", " both ends "},
        {"line", "a\r\nb\rc\n"},   {"raw", "\x81\x8D\x8E\x8F\x90\x9D\x9E\x7F\x01"},
        {"empty", ""},             {"tab\tname", "\t"}};
    {
        TRegistry W;
        ASSERT_TRUE(W.OpenKey("\\Software\\Ayarlar ğ [1]\\%x%", true));
        for (auto& [Name, Data] : Values) W.WriteString(Name, Data);
    }
    TRegistry R;
    ASSERT_TRUE(R.OpenKey("\\Software\\Ayarlar ğ [1]\\%x%", false));
    for (auto& [Name, Data] : Values) {
        EXPECT_TRUE(R.ValueExists(Name)) << Name;
        EXPECT_EQ(R.ReadString(Name), Data) << Name;
    }
    TStringList Names;
    R.GetValueNames(&Names);
    EXPECT_EQ(Names.Count(), static_cast<Integer>(Values.size()));
    ASSERT_TRUE(R.OpenKey("\\Software", false));
    R.GetKeyNames(&Names);
    EXPECT_EQ(Names.CommaText(), "\"Ayarlar ğ [1]\"");
}

TEST_F(RegistryTest, TwoObjectsOnOneStoreSeeEachOther)
{
    TRegistry A, B;
    ASSERT_TRUE(A.OpenKey("\\Software\\KADRIX_Software\\Aliases\\Main", true));
    ASSERT_TRUE(B.OpenKey("\\Software\\KADRIX_Software\\Aliases\\Main", false));
    A.WriteString("DB", "one");
    B.WriteString("User", "SYSDBA");   // must not lose A's value
    A.WriteInteger("Port", 3050);
    EXPECT_EQ(B.ReadString("DB"), "one");
    EXPECT_EQ(A.ReadString("User"), "SYSDBA");
    EXPECT_EQ(B.ReadInteger("Port"), 3050);
    // A key deleted under the other's feet: reads find nothing, a write
    // makes it again.
    TRegistry C;
    EXPECT_TRUE(C.DeleteKey("\\Software\\KADRIX_Software\\Aliases"));
    EXPECT_FALSE(B.ValueExists("DB"));
    EXPECT_FALSE(B.HasSubKeys());
    B.WriteString("DB", "two");
    EXPECT_EQ(A.ReadString("DB"), "two");
    EXPECT_FALSE(A.ValueExists("User"));
    EXPECT_TRUE(C.KeyExists("\\Software\\KADRIX_Software\\Aliases"));
}

}  // namespace
