#include "entry/ZEMTAR.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "../platform/ui/UiTestKit.h"
#include "dbclient/pFBDatabase.h"
#include "entry/EABONEKIMLIK.h"
#include "entry/Startup.h"
#include "datasets/FBDataSet.h"
#include "entry/UDMODULE1.h"
#include "entry/Util3a.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ShellAPI.h"
#include "platform/ui/StdCtrls.h"
#include "platform/rtl/CodePage.h"
#include "support/TempFolder.h"
#include "support/db/FirebirdServer.h"
#include "support/db/TestDatabase.h"
#include "support/db/WorkerProcess.h"

namespace {

// A stand-in screen: counts how it was shown and closes itself at once.
class TFakeScreen : public TForm {
public:
    explicit TFakeScreen(TComponent* AOwner) : TForm(AOwner) {
        SetName("FakeScreen");
        Edit = new TEdit(this);
        Edit->SetName("Edit");
        Edit->SetParent(this);
        OnShow = [this](TObject*) {
            ++Shows;
            ShownModally = Modal();
            Edit->SetText("changed");
            Close();
        };
    }
    TEdit* Edit;
    int Shows = 0;
    bool ShownModally = false;
};

TFakeScreen* FakeScreen = nullptr;

// Replaces program object factories for one test and puts the old ones back.
class TFactoryOverride {
public:
    void Set(TProgramObject Kind, TObjectFactory F) {
        FSaved.push_back({Kind, RegisterProgramObject(Kind, std::move(F))});
    }
    ~TFactoryOverride() {
        for (auto It = FSaved.rbegin(); It != FSaved.rend(); ++It) RegisterProgramObject(It->first, It->second);
    }

private:
    std::vector<std::pair<TProgramObject, TObjectFactory>> FSaved;
};

class ZEMTAR : public ::testing::Test {
protected:
    void SetUp() override {
        Application->Initialize();
        SetShellOpener(&Opener);
        for (Integer I = 0; I < Application->ComponentCount(); ++I) FBefore.push_back(Application->Components(I));
    }
    void TearDown() override {
        SetShellOpener(nullptr);
        // Frees what this test made; the application owns it.
        for (bool Found = true; Found;) {
            Found = false;
            for (Integer I = Application->ComponentCount() - 1; I >= 0 && !Found; --I) {
                TComponent* C = Application->Components(I);
                if (std::find(FBefore.begin(), FBefore.end(), C) == FBefore.end()) {
                    delete C;
                    Found = true;
                }
            }
        }
        Application->OnException = nullptr;
        ZEMTARF = nullptr;
        F_Util3 = nullptr;
        EABONEKIMLIKF = nullptr;
        dmodule1 = nullptr;
        FakeScreen = nullptr;
    }
    TZEMTARF* MakeMain() {
        CreateInto(ZEMTARF);
        return ZEMTARF;
    }
    TScriptedPrompter Prompts;
    TPrompterGuard Guard{&Prompts};
    TRecordingOpener Opener;
    std::vector<TComponent*> FBefore;
};

TEST_F(ZEMTAR, MainWindow) {
    TZEMTARF* F = MakeMain();
    EXPECT_EQ(F->Caption(),
              "ORGANİZE SANAYİ BÖLGELERİ ELEKTRİK-DOĞALGAZ ABONE VE TÜKETİM BİLGİLERİ ZEMTAR SİSTEMİ YAZILIMI");
    EXPECT_EQ(F->Menu(), F->MainMenu1);
    EXPECT_EQ(Application->MainForm(), F);
    EXPECT_EQ(F->Owner(), Application);
    ASSERT_TRUE(F->OnActivate);
    F->OnActivate(F);   // does nothing
    EXPECT_TRUE(Prompts.Records().empty());
    EXPECT_EQ(F->SBar->Panels()->Count(), 6);
}

TEST_F(ZEMTAR, MenuTreeAndHakkindaDoesNothing) {
    TZEMTARF* F = MakeMain();
    const AnsiString Pad(21, ' ');
    TMenuItem* Root = F->MainMenu1->Items();
    ASSERT_EQ(Root->Count(), 3);
    EXPECT_TRUE(Root->Items(0) == F->ELEKTRK1 && Root->Items(1) == F->DOALGAZ1 && Root->Items(2) == F->HAKKINDA1);
    EXPECT_EQ(F->ELEKTRK1->Caption() + "|" + F->DOALGAZ1->Caption() + "|" + F->HAKKINDA1->Caption(),
              "ELEKTRİK" + Pad + "|DOĞALGAZ" + Pad + "|HAKKINDA");
    EXPECT_EQ(F->HAKKINDA1->Count(), 0);

    const char* Captions[] = {"ABONE KİMLİK BİLGİLERİ TANIMLAMA", "ABONE KİMLİK BİLGİLERİ ZEMTAR DOSYASI OLUŞTURMA",
                              "TÜKETİM VE FATURA BİLGİSİ GİRİŞİ",
                              "TUKETİM VE FATURA BİLGİLERİ ZEMTAR DOSYASI OLUŞTURMA"};
    TMenuItem* Branches[2] = {F->ELEKTRK1, F->DOALGAZ1};
    for (int B = 0; B < 2; ++B) {
        ASSERT_EQ(Branches[B]->Count(), 4);
        for (int I = 0; I < 4; ++I) {
            TMenuItem* Item = Branches[B]->Items(I);
            SCOPED_TRACE(Item->Name());
            EXPECT_EQ(F->FindComponent(Item->Name()), Item);
            EXPECT_EQ(Item->Caption(), Captions[I]);
            EXPECT_TRUE(Item->OnClick);
        }
    }
    // HAKKINDA does nothing.
    const Integer Before = Application->ComponentCount();
    F->HAKKINDA1->Click();
    F->HAKKINDA1->Action()->trigger();
    uitest::Settle();
    EXPECT_EQ(Application->ComponentCount(), Before);
    EXPECT_TRUE(Prompts.Records().empty());
    EXPECT_TRUE(Opener.Targets.empty());
}

struct TPictureCase {
    const char* Name;
    Integer Width, Height;
    const char* Hint;   // nullptr: the supplier's contact text
    const char* Link;   // nullptr: no action
};

TEST_F(ZEMTAR, PicturesAreClickableJpegsWithTheirHintsAndARefusedPageIsIgnored) {
    const TPictureCase Cases[] = {
        {"Image1", 92, 113, nullptr, LinkSupplier},
        {"Image2", 93, 111, "Bilim, Sanayi ve Teknoloji Bakanlığı Sitesi", LinkMinistry},
        {"ENVERPORTAL", 96, 113,
         "ENERJİ VERİMLİLİĞİ BİLDİRİMİ İÇİN  ENVER PORTALINA BAĞLANMAK İÇİN TIKALYINIZ.", nullptr},
        {"c", 93, 111, "BOTAŞ Genel Müdürlüğü Sitesi", LinkBotas},
        {"Image3", 93, 111, "TEDAŞ Genel Müdürlüğü Sitesi", LinkRegulator},
        {"Image4", 93, 111, "OSB Bilgi Sitesi", LinkZoneInfo},
        {"Image5", 322, 111, "Gelir İdaresi Başkanlığı ZEMTAR Sistemi", LinkRevenueZemtar},
        {"Image6", 322, 108, "OSB ÜST KURULUŞU", LinkUmbrella},
    };
    TZEMTARF* F = MakeMain();
    F->Show();
    uitest::Settle();
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto* I = dynamic_cast<TImage*>(F->FindComponent(C.Name));
        ASSERT_NE(I, nullptr);
        if (C.Hint) EXPECT_EQ(I->Hint(), C.Hint);
        else EXPECT_FALSE(I->Hint().empty());
        EXPECT_TRUE(I->ShowHint());
        auto* Jpeg = dynamic_cast<TJPEGImage*>(I->Picture()->Graphic());
        ASSERT_NE(Jpeg, nullptr);
        EXPECT_EQ(Jpeg->Width(), C.Width);
        EXPECT_EQ(Jpeg->Height(), C.Height);

        Opener.Targets.clear();
        uitest::Click(I);
        if (C.Link) {
            ASSERT_EQ(Opener.Targets.size(), 1u);
            EXPECT_EQ(Opener.Targets[0], C.Link);
        } else {
            EXPECT_TRUE(Opener.Targets.empty());
        }
    }
    // A page the desktop refuses to open is ignored.
    Opener.Result = false;
    Opener.Targets.clear();
    EXPECT_NO_THROW(F->Image5Click(F));
    EXPECT_EQ(Opener.Targets.size(), 1u);
    EXPECT_TRUE(Prompts.Records().empty());
}

TEST_F(ZEMTAR, MottoLeavesThePictureTopsInView) {
    MakeMain()->Show();
    const QPoint At = ZEMTARF->Image2->Widget()->mapTo(ZEMTARF->Widget(), QPoint(0, 1));
    EXPECT_GE(uitest::CountColour(ZEMTARF->Widget()->grab().toImage(), Bounds(At.x(), At.y(), 93, 4), 0x202080), 93 * 4 * 9 / 10);
}

TEST_F(ZEMTAR, EachMenuItemOpensAFreshScreenModally) {
    TZEMTARF* F = MakeMain();
    F->Show();
    uitest::Settle();
    const std::pair<TMenuItem*, TProgramObject> Items[] = {
        {F->ABONEKMLKBLGLERTANIMLAMA1, objEABONEKIMLIKF},
        {F->ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA1, objezemtarabonekimlikf},
        {F->KETMVEFATURABLGSGR1, objetopfaturagirf},
        {F->UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1, objzemtarfaturaf},
        {F->ABONEKMLKBLGLERTANIMLAMA2, objdABONEKIMLIKF},
        {F->ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA2, objdzemtarabonekimlikf},
        {F->KETMVEFATURABLGSGR2, objdtopfaturagirf},
        {F->UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA2, objDzemtarfaturaf},
    };
    for (const auto& [Item, Kind] : Items) {
        SCOPED_TRACE(Item->Name());
        TFactoryOverride Override;
        std::vector<TProgramObject> Made;
        Override.Set(Kind, [&Made, K = Kind] {
            Made.push_back(K);
            return CreateInto(FakeScreen);
        });
        Item->Click();
        ASSERT_EQ(Made, std::vector<TProgramObject>{Kind});
        TFakeScreen* First = FakeScreen;
        ASSERT_NE(First, nullptr);
        EXPECT_EQ(First->Shows, 1);
        EXPECT_TRUE(First->ShownModally);
        EXPECT_FALSE(First->Visible());
        EXPECT_EQ(First->Owner(), Application);

        // Again: a new instance in its designed state; the first one stays alive.
        Item->Click();
        TFakeScreen* Second = FakeScreen;
        ASSERT_NE(Second, First);
        EXPECT_EQ(Second->Shows, 1);
        EXPECT_EQ(Second->Owner(), Application);
        EXPECT_EQ(First->Owner(), Application);
        EXPECT_NE(Second->Name(), First->Name());
        EXPECT_EQ(First->Edit->Text(), "changed");
        EXPECT_EQ(Application->MainForm(), F);
    }
    EXPECT_TRUE(Prompts.Records().empty());
}

TEST_F(ZEMTAR, FailingScreenGoesToTheExceptionDialogAndTheWindowStaysUsable) {
    TZEMTARF* F = MakeMain();
    F->Show();
    Application->SetTitle(ApplicationTitle);
    TFactoryOverride Override;
    Override.Set(objzemtarfaturaf, [] () -> TComponent* { throw Exception("Ekran açılamadı"); });
    F->UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1->Action()->trigger();
    uitest::Settle();
    ASSERT_EQ(Prompts.Records().size(), 1u);
    EXPECT_EQ(Prompts.Records()[0].Caption + ": " + Prompts.Records()[0].Text,
              AnsiString(ApplicationTitle) + ": Ekran açılamadı.");
    EXPECT_TRUE(F->Visible());
    F->Image6Click(F);
    EXPECT_EQ(Opener.Targets.size(), 1u);
}

TEST_F(ZEMTAR, RepeatedNamesGetASuffix) {
    TZEMTARF* First = MakeMain();
    TZEMTARF* Second = MakeMain();
    TZEMTARF* Third = MakeMain();
    EXPECT_EQ(First->Name() + " " + Second->Name() + " " + Third->Name(), "ZEMTARF ZEMTARF_1 ZEMTARF_2");
    EXPECT_EQ(ZEMTARF, Third);
    EXPECT_EQ(Application->MainForm(), First);
}

TEST_F(ZEMTAR, StartProgramCreatesTheObjectsInOrder) {
    TFactoryOverride Override;
    std::vector<AnsiString> Made;
    std::vector<TComponent*> Objects;
    for (Integer I = 0; I < ProgramObjectCount; ++I) {
        const auto Kind = static_cast<TProgramObject>(I);
        Override.Set(Kind, [&, Kind]() -> TComponent* {
            Made.push_back(ProgramObjectName(Kind));
            TComponent* C = nullptr;
            if (Kind == objdmodule1) {
                auto* D = new TDataModule(nullptr);
                D->OnCreate = [&](TObject*) { EXPECT_EQ(Made.size(), 13u); };
                C = D;
            } else {
                C = new TForm(nullptr);
            }
            C->SetName(ProgramObjectName(Kind));
            AdoptByApplication(C);
            Objects.push_back(C);
            return C;
        });
    }
    Application->SetTitle("");
    StartProgram();
    const std::vector<AnsiString> Expected = {
        "ZEMTARF",           "dABONEKIMLIKF",       "EABONEKIMLIKF",  "dtopfaturagirf", "F_Util3",
        "dzemtarabonekimlikf", "ezemtarabonekimlikf", "dfaturagirf", "Dzemtarfaturaf", "etopfaturagirf",
        "efaturagirf",       "zemtarfaturaf",       "dmodule1"};
    EXPECT_EQ(Made, Expected);
    EXPECT_EQ(Application->Title(), "OSB Enerji Tüketim Bilgileri ZEMTAR Sistmei");
    // The data sets reach the screen cursor through the start-up's hooks.
    ASSERT_TRUE(ScreenCursorHooks().Set && ScreenCursorHooks().Get);
    ScreenCursorHooks().Set(crSQLWait);
    EXPECT_EQ(Screen->Cursor(), crSQLWait);
    EXPECT_EQ(ScreenCursorHooks().Get(), crSQLWait);
    ScreenCursorHooks().Set(crDefault);
    ASSERT_EQ(Objects.size(), 13u);
    EXPECT_EQ(Application->MainForm(), Objects[0]);
    for (TComponent* C : Objects) {
        EXPECT_EQ(C->Owner(), Application);
        if (auto* F = dynamic_cast<TCustomForm*>(C)) {
            EXPECT_FALSE(F->Visible()) << C->Name();
        }
    }
}

TEST_F(ZEMTAR, StartUpGoesOnPastAnObjectThatCannotBeMade) {
    TFactoryOverride Override;
    std::vector<TProgramObject> Made;
    for (Integer I = 0; I < ProgramObjectCount; ++I) {
        const auto Kind = static_cast<TProgramObject>(I);
        if (Kind == objF_Util3) Override.Set(Kind, [&]() -> TComponent* { throw Exception("Form yok"); });
        else if (Kind == objefaturagirf) Override.Set(Kind, nullptr);   // not in this program
        else Override.Set(Kind, [&, Kind]() -> TComponent* { Made.push_back(Kind); return nullptr; });
    }
    StartProgram();
    EXPECT_EQ(Made.size(), 11u);
    EXPECT_EQ(Made.back(), objdmodule1);
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{"Form yok."});
    EXPECT_FALSE(ProgramObjectRegistered(objefaturagirf));
    EXPECT_THROW(CreateProgramObject(objefaturagirf), Exception);
}

// A folder with no database file in it, made the working folder while
// start-up runs, as when the program starts where no zemtar.gdb was made.
class TEmptyFolder {
public:
    TEmptyFolder() {
        namespace fs = std::filesystem;
        fs::create_directories(FDir / "lock");
        if (!std::getenv("FIREBIRD_LOCK")) ::setenv("FIREBIRD_LOCK", (FDir / "lock").c_str(), 1);
        FPrevious = fs::current_path();
        fs::current_path(FDir);
    }
    void Leave() { std::filesystem::current_path(FPrevious); }
    ~TEmptyFolder() { Leave(); }

private:
    TTempFolder FFolder{"osb-zemtar-"};
    std::filesystem::path FDir = FFolder.Path(), FPrevious;
};

// Only the objects of this layer: the others belong to the program.
void KeepEntryObjectsOnly(TFactoryOverride& Override) {
    for (TProgramObject Kind : {objdtopfaturagirf, objdzemtarabonekimlikf, objezemtarabonekimlikf, objdfaturagirf,
                                objDzemtarfaturaf, objetopfaturagirf, objefaturagirf, objzemtarfaturaf})
        Override.Set(Kind, nullptr);
}

// The real objects of this layer, with no database file where the program
// looks for it: the failure is reported and the main window still comes up.
TEST_F(ZEMTAR, StartUpWithoutDatabaseReportsAndShowsTheMainWindow) {
    TEmptyFolder Folder;
    TFactoryOverride Override;
    KeepEntryObjectsOnly(Override);
    StartProgram();
    Folder.Leave();

    ASSERT_TRUE(ZEMTARF && F_Util3 && dmodule1 && EABONEKIMLIKF);
    EXPECT_EQ(Application->MainForm(), ZEMTARF);
    EXPECT_FALSE(dmodule1->FBDbase1->Connected());
    ASSERT_EQ(Prompts.Records().size(), 1u);
    const auto& Shown = Prompts.Records()[0];
    EXPECT_TRUE(Shown.Kind == TScriptedPrompter::pkMessageBox && Shown.Caption == ApplicationTitle &&
                (Shown.Flags & MB_ICONSTOP));
    EXPECT_NE(Shown.Text.find("zemtar.gdb"), AnsiString::npos);

    // The loop shows only the main window.
    EXPECT_FALSE(ZEMTARF->Visible());
    ZEMTARF->Show();
    uitest::Settle();
    EXPECT_TRUE(ZEMTARF->Visible());
    EXPECT_FALSE(F_Util3->Visible());
    EXPECT_EQ(F_Util3->Caption() + " " + IntToStr(F_Util3->BoundsRect().Width()) + "x" +
                  IntToStr(F_Util3->BoundsRect().Height()),
              "F_Util3 544x375");
    EXPECT_EQ(F_Util3->ComponentCount(), 0);
    EXPECT_FALSE(EABONEKIMLIKF->Visible());
    ZEMTARF->Image2Click(ZEMTARF);
    EXPECT_EQ(Opener.Targets, std::vector<AnsiString>{LinkMinistry});
}

TEST_F(ZEMTAR, SubscriberScreenFromTheMenuIsANewOneInItsDesignedState) {
    TEmptyFolder Folder;
    TFactoryOverride Override;
    KeepEntryObjectsOnly(Override);
    StartProgram();
    Folder.Leave();
    Prompts.Clear();
    ZEMTARF->Show();
    uitest::Settle();

    TEABONEKIMLIKF* AtStart = EABONEKIMLIKF;
    ASSERT_NE(AtStart, nullptr);
    AtStart->ABONENO->SetText("12345");
    TEABONEKIMLIKF* Shown = nullptr;
    bool WasModal = false;
    QTimer::singleShot(0, [&] {
        Shown = EABONEKIMLIKF;
        WasModal = Shown && Shown->Modal() && Shown->Visible();
        if (Shown) Shown->Close();
    });
    ZEMTARF->ABONEKMLKBLGLERTANIMLAMA1->Action()->trigger();
    uitest::Settle();

    ASSERT_NE(Shown, nullptr);
    EXPECT_NE(Shown, AtStart);
    EXPECT_TRUE(WasModal);
    EXPECT_FALSE(Shown->Visible());
    EXPECT_EQ(Shown->Owner(), Application);
    EXPECT_EQ(Shown->ABONENO->Text(), "");
    EXPECT_EQ(AtStart->ABONENO->Text(), "12345");   // the earlier one lives on untouched
    EXPECT_EQ(AtStart->Owner(), Application);
    EXPECT_TRUE(Prompts.Records().empty());
}

}  // namespace

// ---------------------------------------------------------------------------
// The database the program opens

namespace {

// Another process with the database open, as a second copy of the program
// would find it: the engine's own query tool holding an attachment.
class THoldingProcess {
public:
    explicit THoldingProcess(const AnsiString& Path) {
        int In[2];
        if (::pipe(In) != 0) return;
        posix_spawn_file_actions_t A;
        posix_spawn_file_actions_init(&A);
        posix_spawn_file_actions_adddup2(&A, In[0], 0);
        posix_spawn_file_actions_addopen(&A, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&A, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&A, In[1]);
        const std::string Db = AnsiToUtf8(Path);
        const char* Argv[] = {"isql-fb", "-q", "-user", TTestDatabase::UserName, "-password",
                              TTestDatabase::Password, Db.c_str(), nullptr};
        const int Rc = posix_spawnp(&FPid, "isql-fb", &A, nullptr, const_cast<char* const*>(Argv), environ);
        posix_spawn_file_actions_destroy(&A);
        ::close(In[0]);
        FIn = In[1];
        if (Rc != 0) {
            FPid = 0;
            return;
        }
        // It attaches before it reads a line; the mark says it got that far.
        FMark = Db + ".held";
        const std::string Ask = "shell touch '" + FMark + "';\n";
        if (::write(FIn, Ask.data(), Ask.size()) < 0) return;
        for (int I = 0; I < 500 && !FReady; ++I) {
            FReady = ::access(FMark.c_str(), F_OK) == 0;
            if (!FReady) ::usleep(20000);
        }
    }
    ~THoldingProcess() {
        if (FIn >= 0) ::close(FIn);   // end of its input: it detaches and ends
        if (FPid > 0) ::waitpid(FPid, nullptr, 0);
        if (!FMark.empty()) ::unlink(FMark.c_str());
    }
    bool Ready() const { return FReady; }

private:
    pid_t FPid = 0;
    int FIn = -1;
    bool FReady = false;
    std::string FMark;
};

struct TDatabaseNameGuard {
    ~TDatabaseNameGuard() { SetProgramDatabaseName(""); }
};

}  // namespace

TEST_F(ZEMTAR, TheOneArgumentNamesTheDatabase) {
    TDatabaseNameGuard Guard;
    struct TCase {
        std::vector<const char*> Args;
        const char* Name;
    };
    for (const TCase& C : {TCase{{"osbzemtar"}, "zemtar.gdb"}, TCase{{"osbzemtar", "/veri/osb.gdb"}, "/veri/osb.gdb"},
                           TCase{{"osbzemtar", "sunucu:/veri/zemtar.gdb"}, "sunucu:/veri/zemtar.gdb"},
                           TCase{{"osbzemtar", "sunucu/3051:/veri/zemtar.gdb", "fazla"}, "sunucu/3051:/veri/zemtar.gdb"},
                           TCase{{"osbzemtar", "/veri/\xc3\x87\xc4\xb0\xc4\x9e.gdb"}, "/veri/ÇİĞ.gdb"},
                           TCase{{"osbzemtar", ""}, "zemtar.gdb"}}) {
        SetProgramDatabaseName("");
        std::vector<char*> Argv;
        for (const char* A : C.Args) Argv.push_back(const_cast<char*>(A));
        TakeProgramArguments(static_cast<int>(Argv.size()), Argv.data());
        EXPECT_EQ(ProgramDatabaseName(), C.Name);
        Tdmodule1 M(nullptr);
        EXPECT_EQ(M.FBDbase1->DBName(), C.Name);
    }
}

TEST_F(ZEMTAR, StartUpOpensTheNamedDatabaseAndReportsItsOwnFailure) {
    TDatabaseNameGuard Guard;
    TFactoryOverride Override;
    KeepEntryObjectsOnly(Override);
    {
        TTestDatabase Db(1, true);
        Db.Execute("alter table EABONEKIMLIK add constraint CK_TEST_ADI check (ADI <> 'Yasak')");
        SetProgramDatabaseName(Db.Path());
        EXPECT_TRUE(StartProgram());
        ASSERT_NE(dmodule1, nullptr);
        EXPECT_TRUE(dmodule1->FBDbase1->Connected());
        EXPECT_TRUE(Prompts.Records().empty());
        EABONEKIMLIKF->Show(), EABONEKIMLIKF->ABONENO->SetText("1"), EABONEKIMLIKF->UAVTNO->SetText("9");
        EABONEKIMLIKF->BADI->SetText("Yasak"), uitest::Click(EABONEKIMLIKF->btrkaydet);   // the database refuses
        EXPECT_EQ(Prompts.LastMessage().find("Veritabanı işlemi yapılamadı. "), 0u);   // its own words after
        Prompts.Clear();
        TearDown();
        SetUp();
    }
    SetProgramDatabaseName("/osb-yok/veri.gdb");
    EXPECT_TRUE(StartProgram());
    ASSERT_EQ(Prompts.Records().size(), 1u);
    EXPECT_EQ(Prompts.Records()[0].Text.find("\"/osb-yok/veri.gdb\" veritabanı açılamadı. "), 0u);
    // Every later action says so in Turkish too.
    uitest::Click(EABONEKIMLIKF->ara);
    EXPECT_EQ(Prompts.LastMessage(), "\"/osb-yok/veri.gdb\" veritabanı açık değil; işlem yapılamadı.");
}

// The program logs in with its own SYSDBA password; the test server starts with another one.
TEST_F(ZEMTAR, StartUpOnAServerReportsTheServersOwnLoginFailureAndOpensOnceThePasswordMatches) {
    TFirebirdServer Server;
    if (!Server.Start()) GTEST_SKIP() << "No Firebird server to test with: " << Server.Failure();
    TDatabaseNameGuard Guard;
    TFactoryOverride Override;
    KeepEntryObjectsOnly(Override);
    TTestDatabase Db(1, true, Server.Host());
    SetProgramDatabaseName(Db.ConnectName());
    EXPECT_TRUE(StartProgram());
    ASSERT_NE(dmodule1, nullptr);
    EXPECT_FALSE(dmodule1->FBDbase1->Connected());
    ASSERT_EQ(Prompts.Records().size(), 1u);
    const AnsiString Shown = Prompts.Records()[0].Text;
    EXPECT_NE(Shown.find("Your user name and password are not defined"), AnsiString::npos) << Shown;
    // Not the failure of some other way of opening the file.
    for (const char* Other : {"Permission denied", "I/O error", "lock"})
        EXPECT_EQ(Shown.find(Other), AnsiString::npos) << Shown;
    TearDown();
    SetUp();
    Prompts.Clear();

    TWorkerProcess Admin(Server.LockFolder());
    ASSERT_EQ(Admin.Ask("open " + Db.ConnectName()), "ok");
    ASSERT_EQ(Admin.Ask("exec alter user SYSDBA password 'kolvetrim'"), "ok");
    ASSERT_EQ(Admin.Ask("commit"), "ok");
    EXPECT_TRUE(StartProgram());
    ASSERT_NE(dmodule1, nullptr);
    EXPECT_TRUE(dmodule1->FBDbase1->Connected());
    EXPECT_TRUE(Prompts.Records().empty());
}

TEST_F(ZEMTAR, ASecondCopyOnTheSameDatabaseSaysSoAndEnds) {
    TDatabaseNameGuard Guard;
    TTestDatabase Db(1, true);
    THoldingProcess Other(Db.Path());
    if (!Other.Ready()) GTEST_SKIP() << "the engine's query tool is not at hand";
    TFactoryOverride Override;
    KeepEntryObjectsOnly(Override);
    SetProgramDatabaseName(Db.Path());
    EXPECT_FALSE(RunProgram());   // returns at once: no message loop, no window
    ASSERT_EQ(Prompts.Records().size(), 1u);
    EXPECT_TRUE(Prompts.Records()[0].Kind == TScriptedPrompter::pkMessageBox && (Prompts.Records()[0].Flags & MB_ICONSTOP));
    EXPECT_EQ(Prompts.Records()[0].Text,
              "\"" + Db.Path() + "\" veritabanı programın başka bir kopyası tarafından kullanılıyor. Bu kopya kapanıyor.");
    ASSERT_NE(ZEMTARF, nullptr);
    EXPECT_FALSE(ZEMTARF->Visible());
    EXPECT_FALSE(dmodule1->FBDbase1->Connected());
}
