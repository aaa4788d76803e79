#include "dbclient/FBSQLMonitor.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "platform/sys/SharedMem.h"
#include "support/db/TestDatabase.h"

namespace {

using Clock = std::chrono::steady_clock;

AnsiString UniquePrefix() {
    static std::atomic<int> counter{0};
    return "osbtest.mon." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".";
}

const AnsiString AppLine = "\r\n[Application: test_dbclient]\r\n";

struct TChunk { Integer Category; Double TimeStamp; AnsiString Text; };

// Plays an external monitor program on the channel.
class TTestMonitor {
public:
    TTestMonitor(const AnsiString& Prefix, std::vector<Integer> Categories = {0, 1, 2, 3, 4}, bool Answers = true)
        : FCategories(std::move(Categories)),
          FMutex(Prefix + MonitorObjectNames[MonitorMutexIndex]),
          FBlock(Prefix + MonitorObjectNames[MonitorSharedMemIndex], MonitorBufferSize),
          FWrite(Prefix + MonitorObjectNames[MonitorWriteEventIndex], true, false),
          FWriteFinished(Prefix + MonitorObjectNames[MonitorWriteFinishedEventIndex], true, true),
          FRead(Prefix + MonitorObjectNames[MonitorReadEventIndex], true, false),
          FReadFinished(Prefix + MonitorObjectNames[MonitorReadFinishedEventIndex], true, false) {
        FMutex.Acquire();
        Count(MonitorMonitorCountOffset).fetch_add(1);
        for (Integer c : FCategories) Count(MonitorListenerOffset(c)).fetch_add(1);
        FMutex.Release();
        if (Answers) FThread = std::thread([this] { Run(); });
    }
    ~TTestMonitor() {
        FStop = true;
        if (FThread.joinable()) FThread.join();
        Count(MonitorMonitorCountOffset).fetch_sub(1);
        for (Integer c : FCategories) Count(MonitorListenerOffset(c)).fetch_sub(1);
    }

    std::atomic_ref<Integer> Count(Integer Offset) {
        return std::atomic_ref<Integer>(*reinterpret_cast<Integer*>(static_cast<char*>(FBlock.Memory()) + Offset));
    }
    TNamedMutex& Mutex() { return FMutex; }

    bool WaitForChunks(size_t N, int Ms = 5000) {
        std::unique_lock<std::mutex> g(FLock);
        return FArrived.wait_for(g, std::chrono::milliseconds(Ms), [&] { return FChunks.size() >= N; });
    }
    std::vector<TChunk> Chunks() {
        std::lock_guard<std::mutex> g(FLock);
        return FChunks;
    }

private:
    void Run() {
        while (!FStop) {
            if (FWriteFinished.WaitFor(10) != wrSignaled) continue;
            if (Count(MonitorReaderCountOffset).fetch_add(1) + 1 >= Count(MonitorMonitorCountOffset).load())
                FRead.SetEvent();
            bool got = false;
            while (!FStop && !(got = FWrite.WaitFor(10) == wrSignaled)) {}
            if (!got) {
                Count(MonitorReaderCountOffset).fetch_sub(1);
                break;
            }
            const char* b = static_cast<const char*>(FBlock.Memory());
            TChunk c{};
            Integer len = 0;
            std::memcpy(&c.Category, b + MonitorCategoryOffset, 4);
            std::memcpy(&c.TimeStamp, b + MonitorTimeStampOffset, 8);
            std::memcpy(&len, b + MonitorLengthOffset, 4);
            c.Text.assign(b, static_cast<size_t>(len));
            {
                std::lock_guard<std::mutex> g(FLock);
                FChunks.push_back(c);
            }
            FArrived.notify_all();
            if (Count(MonitorReaderCountOffset).fetch_sub(1) == 1) FReadFinished.SetEvent();
            while (!FStop && FWriteFinished.WaitFor(10) != wrSignaled) {}
        }
    }

    std::vector<Integer> FCategories;
    TNamedMutex FMutex;
    TSharedMemory FBlock;
    TNamedEvent FWrite, FWriteFinished, FRead, FReadFinished;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    std::condition_variable FArrived;
    std::vector<TChunk> FChunks;
};

bool ChannelExists(const AnsiString& Prefix) {
    struct stat st {};
    return stat(("/dev/shm/" + Prefix + MonitorObjectNames[MonitorSharedMemIndex]).c_str(), &st) == 0;
}

long MsSince(Clock::time_point T) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - T).count());
}

template <typename F>
int InChild(F Body) {
    pid_t pid = fork();
    if (pid == 0) _exit(Body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FBSQLMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        Prefix = UniquePrefix();
        db = std::make_unique<TFBDatabase>(nullptr);
        db->SetName("DB1");
        tr = std::make_unique<TFBTransaction>(nullptr);
        tr->SetName("TR1");
        tr->SetDefaultDatabase(db.get());
        svc = std::make_unique<TComponent>(nullptr);
        svc->SetName("Svc");
    }
    void TearDown() override {
        tr.reset();
        db.reset();
        EXPECT_FALSE(ChannelExists(Prefix)) << "channel left behind";
    }
    AnsiString Prefix;
    std::unique_ptr<TFBDatabase> db;
    std::unique_ptr<TFBTransaction> tr;
    std::unique_ptr<TComponent> svc;
};

}  // namespace

TEST(FBSQLMonitorText, Escaping) {
    struct { AnsiString In, Out; } cases[] = {
        {"select 1", "select 1"}, {AnsiString("a\x01" "b"), "a#$01b"}, {"\t\r\n", "\t\r\n"},
        {AnsiString("\x0B\x0C\x0E\x1F"), "#$0B#$0C#$0E#$1F"}, {AnsiString("\x00", 1), "#$00"},
        {AnsiString("\x08 "), "#$08 "}, {"ğüşİ", "ğüşİ"},
    };
    for (auto& c : cases) EXPECT_EQ(EscapeMonitorText(c.In), c.Out) << c.Out;
}

TEST_F(FBSQLMonitorTest, ChannelObjectsComeAndGoWithTheHook) {
    {
        TFBSQLMonitorHook hook(Prefix);
        EXPECT_TRUE(hook.SharedReady());
        EXPECT_TRUE(hook.Enabled());
        for (const char* n : MonitorObjectNames) {
            struct stat st {};
            EXPECT_EQ(stat(("/dev/shm/" + Prefix + n).c_str(), &st), 0) << n;
        }
        EXPECT_EQ(hook.MonitorCount(), 0);
    }
}

TEST_F(FBSQLMonitorTest, NoMonitorMeansNoQueueNoThreadNoWait) {
    TFBSQLMonitorHook hook(Prefix);
    auto t0 = Clock::now();
    for (int i = 0; i < 100; ++i) {
        hook.DBConnect(db.get());
        hook.TRStart(tr.get());
        hook.ServiceStart(svc.get());
    }
    EXPECT_FALSE(hook.WriterRunning());
    EXPECT_FALSE(hook.Tracing(tcConnect));
    hook.WriteSQLData("nobody listens", tcExecute);   // makes the writer and frees it again
    EXPECT_FALSE(hook.WriterRunning());
    EXPECT_LT(MsSince(t0), 1000);
}

TEST_F(FBSQLMonitorTest, MonitorReceivesTracesInOrder) {
    TFBSQLMonitorHook hook(Prefix);
    TTestMonitor mon(Prefix);
    EXPECT_TRUE(hook.Tracing(tcConnect));
    hook.DBConnect(db.get());
    hook.TRStart(tr.get());
    hook.TRCommit(tr.get());
    hook.TRCommitRetaining(tr.get());
    hook.TRRollback(tr.get());
    hook.TRRollbackRetaining(tr.get());
    hook.TRSavepoint(tr.get(), "SP1", 0);
    hook.TRSavepoint(tr.get(), "SP1", 1);
    hook.TRSavepoint(tr.get(), "SP1", 2);
    hook.ServiceAttach(svc.get());
    hook.ServiceDetach(svc.get());
    hook.ServiceQuery(svc.get());
    hook.ServiceStart(svc.get());
    hook.DBDisconnect(db.get());
    struct { Integer Category; const char* Text; } expected[] = {
        {tcConnect, "DB1: [Connect]"},
        {tcTransact, "TR1: [Start transaction](0)"},
        {tcTransact, "TR1: [Commit (Hard commit)](0)"},
        {tcTransact, "TR1: [Commit retaining (Soft commit)](0)"},
        {tcTransact, "TR1: [Rollback](0)"},
        {tcTransact, "TR1: [Rollback retaining (Soft rollback)](0)"},
        {tcTransact, "TR1: Transaction(0) - [SetSavePoint(\"SP1\")]"},
        {tcTransact, "TR1: Transaction(0) - [RollBackToSavePoint(\"SP1\")]"},
        {tcTransact, "TR1: Transaction(0) - [ReleaseSavePoint(\"SP1\")]"},
        {tcService, "Svc: [Attach]"},
        {tcService, "Svc: [Detach]"},
        {tcService, "Svc: [Query]"},
        {tcService, "Svc: [Start]"},
        {tcConnect, "DB1: [Disconnect]"},
    };
    const size_t n = std::size(expected);
    ASSERT_TRUE(mon.WaitForChunks(n));
    auto chunks = mon.Chunks();
    ASSERT_EQ(chunks.size(), n);
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(chunks[i].Text, AppLine + expected[i].Text) << i;
        EXPECT_EQ(chunks[i].Category, expected[i].Category) << i;
        EXPECT_GT(chunks[i].TimeStamp, 40000.0) << i;
        if (i) { EXPECT_GE(chunks[i].TimeStamp, chunks[i - 1].TimeStamp) << i; }
    }
}

TEST_F(FBSQLMonitorTest, OnlyListenedCategoriesAndLinkedTransactions) {
    TFBSQLMonitorHook hook(Prefix);
    TTestMonitor mon(Prefix, {tcConnect});
    EXPECT_FALSE(hook.Tracing(tcTransact));
    EXPECT_FALSE(hook.Tracing(tcExecute));
    EXPECT_TRUE(hook.Tracing(tcService));   // services look only at the monitor count
    TFBTransaction lone(nullptr);
    lone.SetName("Lone");
    hook.TRStart(tr.get());
    hook.TRStart(&lone);
    hook.DBConnect(db.get());
    ASSERT_TRUE(mon.WaitForChunks(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    auto chunks = mon.Chunks();
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].Text, AppLine + "DB1: [Connect]");
}

TEST_F(FBSQLMonitorTest, TransactionWithoutDatabaseIsNotTraced) {
    TFBSQLMonitorHook hook(Prefix);
    TTestMonitor mon(Prefix);
    TFBTransaction lone(nullptr);
    lone.SetName("Lone");
    hook.TRStart(&lone);
    hook.TRCommit(&lone);
    hook.DBConnect(db.get());
    ASSERT_TRUE(mon.WaitForChunks(1));
    EXPECT_EQ(mon.Chunks()[0].Text, AppLine + "DB1: [Connect]");
}

TEST_F(FBSQLMonitorTest, LongTextsGoInChunksOf2002) {
    TFBSQLMonitorHook hook(Prefix);
    TTestMonitor mon(Prefix);
    const size_t prefixLen = AppLine.size();
    hook.WriteSQLData(AnsiString(4004 - prefixLen, 'a'), tcExecute);
    hook.WriteSQLData(AnsiString(4005 - prefixLen, 'b'), tcExecute);
    ASSERT_TRUE(mon.WaitForChunks(5));
    auto chunks = mon.Chunks();
    ASSERT_EQ(chunks.size(), 5u);
    EXPECT_EQ(chunks[0].Text.size(), 2002u);
    EXPECT_EQ(chunks[1].Text.size(), 2002u);
    EXPECT_EQ(chunks[2].Text.size(), 2002u);
    EXPECT_EQ(chunks[3].Text.size(), 2002u);
    EXPECT_EQ(chunks[4].Text, "b");
    EXPECT_EQ(chunks[0].Text + chunks[1].Text, AppLine + AnsiString(4004 - prefixLen, 'a'));
    for (auto& c : chunks) EXPECT_EQ(c.Category, tcExecute);
}

TEST_F(FBSQLMonitorTest, EscapingCountsTowardsChunks) {
    TFBSQLMonitorHook hook(Prefix);
    TTestMonitor mon(Prefix);
    // 1001 control bytes become 4004 bytes; with the application line that is more than two chunks.
    hook.WriteSQLData(AnsiString("sel\x01" "ect\r\n") + AnsiString(1001, '\x02'), tcPrepare);
    ASSERT_TRUE(mon.WaitForChunks(3));
    AnsiString all;
    for (auto& c : mon.Chunks()) all += c.Text;
    EXPECT_EQ(all.substr(0, AppLine.size() + 12), AppLine + "sel#$01ect\r\n");
    EXPECT_EQ(all.size(), AppLine.size() + 12 + 4 * 1001);
}

TEST_F(FBSQLMonitorTest, SilentMonitorIsDroppedAndOthersStillRead) {
    TFBSQLMonitorHook hook(Prefix, 100);
    TTestMonitor silent(Prefix, {0, 1, 2, 3, 4}, false);
    TTestMonitor mon(Prefix);
    EXPECT_EQ(hook.MonitorCount(), 2);
    auto t0 = Clock::now();
    hook.DBConnect(db.get());
    hook.DBDisconnect(db.get());
    ASSERT_TRUE(mon.WaitForChunks(2));
    EXPECT_LT(MsSince(t0), 2000);
    EXPECT_EQ(mon.Chunks()[0].Text, AppLine + "DB1: [Connect]");
    EXPECT_EQ(mon.Chunks()[1].Text, AppLine + "DB1: [Disconnect]");
    EXPECT_EQ(hook.MonitorCount(), 1);
    silent.Count(MonitorMonitorCountOffset).fetch_add(1);   // its own detach will take it off again
}

TEST_F(FBSQLMonitorTest, OnlySilentMonitorsMeansTextsAreDropped) {
    TFBSQLMonitorHook hook(Prefix, 50);
    TTestMonitor silent(Prefix, {0, 1, 2, 3, 4}, false);
    hook.WriteSQLData("one", tcExecute);
    hook.WriteSQLData("two", tcExecute);
    auto t0 = Clock::now();
    while (hook.MonitorCount() != 0 && MsSince(t0) < 3000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(hook.MonitorCount(), 0);
    EXPECT_FALSE(hook.Tracing(tcExecute));
    silent.Count(MonitorMonitorCountOffset).fetch_add(1);
}

TEST_F(FBSQLMonitorTest, DisablingHandsOverQueuedTextsThenStopsWriter) {
    TFBSQLMonitorHook hook(Prefix);
    TTestMonitor mon(Prefix);
    for (int i = 0; i < 5; ++i) hook.WriteSQLData("text " + std::to_string(i), tcExecute);
    hook.SetEnabled(false);
    EXPECT_FALSE(hook.WriterRunning());
    auto chunks = mon.Chunks();
    ASSERT_TRUE(mon.WaitForChunks(5, 2000));
    chunks = mon.Chunks();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(chunks[i].Text, AppLine + "text " + std::to_string(i));
    EXPECT_FALSE(hook.Tracing(tcConnect));
    hook.DBConnect(db.get());
    EXPECT_FALSE(hook.WriterRunning());
}

TEST_F(FBSQLMonitorTest, MonitoringSwitchStopsTracing) {
    TFBSQLMonitorHook hook(Prefix);
    TTestMonitor mon(Prefix);
    SetMonitoringEnabled(false);
    EXPECT_FALSE(GetMonitoringEnabled());
    EXPECT_FALSE(hook.Tracing(tcConnect));
    hook.DBConnect(db.get());
    SetMonitoringEnabled(true);
    hook.DBDisconnect(db.get());
    ASSERT_TRUE(mon.WaitForChunks(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(mon.Chunks().size(), 1u);
    EXPECT_EQ(mon.Chunks()[0].Text, AppLine + "DB1: [Disconnect]");
}

TEST_F(FBSQLMonitorTest, MonitorHoldingTheMutexDoesNotHoldUpTheEnd) {
    auto hook = std::make_unique<TFBSQLMonitorHook>(Prefix);
    TTestMonitor mon(Prefix, {0, 1, 2, 3, 4}, false);
    ASSERT_EQ(mon.Mutex().Acquire(100), wrSignaled);
    for (int i = 0; i < 3; ++i) hook->WriteSQLData("stuck", tcExecute);
    EXPECT_TRUE(hook->WriterRunning());
    auto t0 = Clock::now();
    hook.reset();
    EXPECT_LT(MsSince(t0), 500);
    mon.Mutex().Release();
}

TEST_F(FBSQLMonitorTest, ChannelThatCannotBeMadeIsError54) {
    if (auto e = Raised<EFBClientError>([] { TFBSQLMonitorHook hook(AnsiString(300, 'x')); })) {
        EXPECT_EQ(e->SQLCode(), 54);
        EXPECT_NE(e->Message().find("Cannot create shared resource. (Windows error "), AnsiString::npos);
    }
}

TEST_F(FBSQLMonitorTest, ProcessWideHookAndShutdownWithTextsQueued) {
    const AnsiString prefix = Prefix;
    int rc = InChild([&] {
        // Earlier tests of this process may have made the hook already: nothing to check then.
        if (ExistingSQLMonitorHook() != nullptr) return 0;
        SetSQLMonitorChannel(AnsiString(300, 'x'));
        if (GetSQLMonitorHook() != nullptr) return 1;   // no channel: no tracing, no failure
        SetSQLMonitorChannel(prefix);
        TFBSQLMonitorHook* h = GetSQLMonitorHook();
        if (!h || h != GetSQLMonitorHook() || h->ChannelPrefix() != prefix) return 2;
        int code = 0;
        {
            TTestMonitor silent(prefix, {0, 1, 2, 3, 4}, false);
            for (int i = 0; i < 20; ++i) h->WriteSQLData("queued", tcExecute);
            if (!h->WriterRunning()) code = 3;
            auto t0 = Clock::now();
            ShutdownSQLMonitor();
            if (MsSince(t0) > 500) code = 4;
            if (GetSQLMonitorHook() != nullptr) code = 5;
            ShutdownSQLMonitor();   // a second time is harmless
        }
        return code;
    });
    EXPECT_EQ(rc, 0);
}

TEST(FBSQLMonitorStatement, PrepareExecuteAndFetchTexts) {
    const AnsiString prefix = UniquePrefix();
    TTestDatabase t(1);
    t.Execute("CREATE TABLE M (ID INTEGER, NAME VARCHAR(10))");
    TFBSQLMonitorHook hook(prefix);
    TTestMonitor mon(prefix);

    TComponent owner(nullptr);
    auto* db = new TFBDatabase(&owner);
    db->SetName("DB1");
    db->SetDBName(t.Path());
    db->SetSQLDialect(1);
    TTestDatabase::AddLogin(db->DBParams());
    db->DBParams()->Add("lc_ctype=WIN1254");
    db->Open();
    auto* tr = new TFBTransaction(&owner);
    tr->SetName("TR1");
    tr->SetDefaultDatabase(db);

    auto* ins = new TFBQuery(&owner);
    ins->SetName("Ins");
    ins->SetDatabase(db);
    ins->SetTransaction(tr);
    ins->SetOptions({qoStartTransaction});
    ins->SQL()->SetText("INSERT INTO M (ID, NAME)\r\nVALUES (:ID, :NAME)");
    ins->Prepare();
    hook.SQLPrepare(ins);
    ins->ParamByName("ID")->SetAsInteger(7);
    ins->ParamByName("NAME")->SetAsString("Ali");
    ins->ExecQuery();
    hook.SQLExecute(ins);
    ins->ParamByName("ID")->SetAsInteger(8);
    ins->ParamByName("NAME")->SetIsNull(true);
    ins->ExecQuery();
    hook.SQLExecute(ins);

    auto* sel = new TFBQuery(&owner);
    sel->SetName("Sel");
    sel->SetDatabase(db);
    sel->SetTransaction(tr);
    sel->SQL()->SetText("SELECT ID, NAME FROM M WHERE ID = 7");
    sel->ExecQuery();
    hook.SQLFetch(sel);
    sel->Next();
    hook.SQLFetch(sel);
    tr->Commit();

    ASSERT_TRUE(mon.WaitForChunks(5));
    auto c = mon.Chunks();
    const AnsiString insText = "INSERT INTO M (ID, NAME)\r\nVALUES (:ID, :NAME)\r\n";
    EXPECT_EQ(c[0].Category, tcPrepare);
    EXPECT_EQ(c[0].Text.rfind(AppLine + "Ins: [Prepare] " + insText + "\r\n  Plan: ", 0), 0u) << c[0].Text;
    EXPECT_EQ(c[1].Category, tcExecute);
    EXPECT_EQ(c[1].Text.rfind(AppLine + "Ins: [Execute] " + insText +
                                  "\r\n  ID = 7\r\n  NAME = 'Ali'\r\nRows Affected:  1\r\nExecute tick count ", 0),
              0u)
        << c[1].Text;
    EXPECT_NE(c[2].Text.find("\r\n  ID = 8\r\n  NAME = <NULL>\r\nRows Affected:  1"), AnsiString::npos) << c[2].Text;
    EXPECT_EQ(c[3].Category, tcFetch);
    EXPECT_EQ(c[3].Text, AppLine + "\r\nSel: [Fetch] SELECT ID, NAME FROM M WHERE ID = 7\r\nID = 7\r\nNAME = Ali\r\n");
    const AnsiString eof = "\r\n  End of file reached";
    ASSERT_GE(c[4].Text.size(), eof.size());
    EXPECT_EQ(c[4].Text.substr(c[4].Text.size() - eof.size()), eof);
    EXPECT_EQ(c[3].Text.find(eof), AnsiString::npos);
}

// Statements trace through the process-wide hook by themselves, failures included.
TEST(FBSQLMonitorStatement, StatementsTraceThroughTheProcessWideHook) {
    TTestDatabase t(1);
    t.Execute("CREATE TABLE P (ID INTEGER)");
    TFBSQLMonitorHook* hook = GetSQLMonitorHook();
    ASSERT_NE(hook, nullptr);
    TTestMonitor mon(hook->ChannelPrefix(), {tcPrepare, tcExecute, tcFetch});

    TComponent owner(nullptr);
    owner.SetName("Form1");
    auto* db = new TFBDatabase(&owner);
    db->SetDBName(t.Path());
    db->SetSQLDialect(1);
    TTestDatabase::AddLogin(db->DBParams());
    db->SetSynchronizeTime(false);   // the connect's time query would be traced first
    db->Open();
    auto* tr = new TFBTransaction(&owner);
    tr->SetDefaultDatabase(db);
    auto* q = new TFBQuery(&owner);
    q->SetName("Q1");
    q->SetDatabase(db);
    q->SetTransaction(tr);
    q->SetOptions({qoStartTransaction});
    q->SQL()->SetText("SELECT NOPE FROM P");
    EXPECT_THROW(q->Prepare(), EFBError);
    q->SQL()->SetText("SELECT ID FROM P");
    q->ExecQuery();
    q->Next();
    tr->Commit();

    ASSERT_TRUE(mon.WaitForChunks(4));
    auto c = mon.Chunks();
    EXPECT_EQ(c[0].Category, tcPrepare);
    EXPECT_NE(c[0].Text.find("Form1.Q1: [Prepare] "), AnsiString::npos) << c[0].Text;
    EXPECT_EQ(c[1].Category, tcPrepare);
    EXPECT_NE(c[1].Text.find("Q1: [Prepare] SELECT ID FROM P"), AnsiString::npos) << c[1].Text;
    // Executing a select fetches its first row before the execute is traced.
    EXPECT_EQ(c[2].Category, tcFetch);
    EXPECT_EQ(c[3].Category, tcExecute);
}
