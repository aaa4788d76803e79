#include "platform/sys/SharedMem.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

AnsiString UniqueName(const char* Kind) {
    static std::atomic<int> counter{0};
    return AnsiString("osbtest.shm.") + std::to_string(getpid()) + "." + std::to_string(counter++) + "." + Kind;
}

bool NameExists(const AnsiString& Name) {
    struct stat st {};
    return stat(("/dev/shm" + SharedObjectName(Name)).c_str(), &st) == 0;
}

// Runs Body in a child process; returns its exit code.
template <typename F>
int InChild(F Body) {
    pid_t pid = fork();
    if (pid == 0) _exit(Body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(SharedMem, ObjectNames) {
    struct { const char* In; const char* Out; } cases[] = {
        {"FB.SQL.MONITOR.SharedMem", "/FB.SQL.MONITOR.SharedMem"},
        {"a/b/c", "/a_b_c"},
        {"/x", "/_x"},
    };
    for (auto& c : cases) EXPECT_EQ(SharedObjectName(c.In), c.Out) << c.In;
}

TEST(SharedMem, FirstCreatesLaterOpenSameZeroedMemory) {
    const AnsiString name = UniqueName("mem");
    auto a = std::make_unique<TSharedMemory>(name, 2048);
    EXPECT_FALSE(a->Existed());
    EXPECT_EQ(a->Size(), 2048u);
    const auto* bytes = static_cast<const unsigned char*>(a->Memory());
    for (int i = 0; i < 2048; ++i) ASSERT_EQ(bytes[i], 0) << i;

    auto b = std::make_unique<TSharedMemory>(name, 2048);
    EXPECT_TRUE(b->Existed());
    std::memcpy(a->Memory(), "hello", 5);
    EXPECT_EQ(std::memcmp(b->Memory(), "hello", 5), 0);

    // The name lives as long as one handle does.
    a.reset();
    EXPECT_TRUE(NameExists(name));
    b.reset();
    EXPECT_FALSE(NameExists(name));
}

TEST(SharedMem, OtherProcessSeesWrites) {
    const AnsiString name = UniqueName("mem");
    TSharedMemory mem(name, 64);
    int rc = InChild([&] {
        TSharedMemory child(name, 64);
        if (!child.Existed()) return 2;
        std::memcpy(child.Memory(), "child", 5);
        return 0;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(std::memcmp(mem.Memory(), "child", 5), 0);
}

TEST(SharedMem, OpeningWithAnotherSizeFails) {
    const AnsiString name = UniqueName("mem");
    TSharedMemory mem(name, 128);
    if (auto e = Raised<ESharedObjectError>([&] { TSharedMemory other(name, 256); })) {
        EXPECT_EQ(e->ErrorCode(), EINVAL);
    }
}

TEST(SharedMem, BadNameReportsSystemError) {
    const AnsiString name(300, 'n');
    if (auto e = Raised<ESharedObjectError>([&] { TSharedMemory mem(name, 16); })) {
        EXPECT_NE(e->ErrorCode(), 0);
    }
}

TEST(SharedMem, UnlinkRemovesLeftOverName) {
    const AnsiString name = UniqueName("mem");
    EXPECT_FALSE(UnlinkSharedObject(name));
    auto* leaked = new TSharedMemory(name, 16);   // stands for a process that died holding it
    EXPECT_TRUE(UnlinkSharedObject(name));
    EXPECT_FALSE(NameExists(name));
    TSharedMemory fresh(name, 16);
    EXPECT_FALSE(fresh.Existed());
    delete leaked;                                 // must not remove the fresh object's name
    EXPECT_TRUE(NameExists(name));
}

TEST(NamedMutex, ExcludesOtherHolders) {
    const AnsiString name = UniqueName("mutex");
    TNamedMutex a(name), b(name);
    ASSERT_EQ(a.Acquire(100), wrSignaled);
    TWaitResult other = wrError;
    std::thread t([&] { other = b.Acquire(20); });
    t.join();
    EXPECT_EQ(other, wrTimeout);
    a.Release();
    std::thread t2([&] { other = b.Acquire(1000); if (other == wrSignaled) b.Release(); });
    t2.join();
    EXPECT_EQ(other, wrSignaled);
}

TEST(NamedMutex, HolderThatDiesPassesItOn) {
    const AnsiString name = UniqueName("mutex");
    TNamedMutex m(name);
    int rc = InChild([&] {
        auto* child = new TNamedMutex(name);
        _exit(child->Acquire(1000) == wrSignaled ? 0 : 1);   // dies holding it
        return 1;
    });
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(m.Acquire(1000), wrAbandoned);
    m.Release();
    EXPECT_EQ(m.Acquire(100), wrSignaled);
    m.Release();
    UnlinkSharedObject(name);   // the dead child still counts as a user
}

TEST(NamedEvent, ManualResetStaysSetUntilReset) {
    const AnsiString name = UniqueName("event");
    TNamedEvent e(name, true, false);
    EXPECT_EQ(e.WaitFor(10), wrTimeout);
    e.SetEvent();
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    e.ResetEvent();
    EXPECT_FALSE(e.IsSet());
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
}

TEST(NamedEvent, AutoResetLetsOneThrough) {
    const AnsiString name = UniqueName("event");
    TNamedEvent e(name, false, true);
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
}

TEST(NamedEvent, InitialStateOnlyWhenCreated) {
    const AnsiString name = UniqueName("event");
    TNamedEvent first(name, true, true);
    TNamedEvent second(name, true, false);   // opens: keeps the state it finds
    EXPECT_TRUE(second.Existed());
    EXPECT_TRUE(second.IsSet());
}

TEST(NamedEvent, WakesWaiterInAnotherProcess) {
    const AnsiString go = UniqueName("go"), done = UniqueName("done");
    TNamedEvent goEvent(go, true, false), doneEvent(done, true, false);
    pid_t pid = fork();
    if (pid == 0) {
        int rc = 1;
        {
            TNamedEvent g(go, true, false), d(done, true, false);
            if (g.WaitFor(5000) == wrSignaled) { d.SetEvent(); rc = 0; }
        }
        _exit(rc);
    }
    goEvent.SetEvent();
    EXPECT_EQ(doneEvent.WaitFor(5000), wrSignaled);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(NamedEvent, WaiterWakesOnSetFromThread) {
    const AnsiString name = UniqueName("event");
    TNamedEvent e(name, true, false);
    TWaitResult r = wrError;
    std::thread t([&] { r = e.WaitFor(5000); });
    e.SetEvent();
    t.join();
    EXPECT_EQ(r, wrSignaled);
}
