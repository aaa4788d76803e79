#include "platform/sys/SharedMem.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <thread>

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/rtl/SysUtils.h"

// Sits before the payload of every named object.
struct TSharedHeader {
    std::atomic<uint32_t> Ready;   // HeaderMagic once the creator has set the payload up
    std::atomic<int32_t> Users;    // open handles; -1 once the last one has removed the name
    uint64_t PayloadSize;
    char Reserved[48];
};
static_assert(sizeof(TSharedHeader) == 64);
static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<int32_t>::is_always_lock_free);

namespace {

constexpr uint32_t HeaderMagic = 0x4D485342u;
constexpr int OpenTries = 2000;            // 1 ms apart: a creator that stalls this long is taken as dead

[[noreturn]] void RaiseShared(const AnsiString& What, const AnsiString& Name, int Err) {
    throw ESharedObjectError(What + " " + Name + ": " + strerror(Err), Err);
}

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

struct TEventData {
    std::atomic<uint32_t> State;
    std::atomic<uint32_t> Seq;     // bumped on every set; the futex word
    uint32_t ManualReset;
};

struct TEventInit {
    bool ManualReset;
    bool InitialState;
};

void InitMutex(void* P, const void*) {
    pthread_mutexattr_t a;
    pthread_mutexattr_init(&a);
    pthread_mutexattr_setpshared(&a, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&a, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(static_cast<pthread_mutex_t*>(P), &a);
    pthread_mutexattr_destroy(&a);
}

void InitEvent(void* P, const void* Arg) {
    auto* e = static_cast<TEventData*>(P);
    auto* init = static_cast<const TEventInit*>(Arg);
    e->ManualReset = init->ManualReset ? 1 : 0;
    e->Seq.store(0);
    e->State.store(init->InitialState ? 1 : 0);
}

timespec DeadlineAfter(Cardinal Ms) {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += Ms / 1000;
    t.tv_nsec += static_cast<long>(Ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) { t.tv_sec += 1; t.tv_nsec -= 1000000000L; }
    return t;
}

// Time left until Deadline; false when it has passed.
bool Remaining(const timespec& Deadline, timespec& Left) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    Left.tv_sec = Deadline.tv_sec - now.tv_sec;
    Left.tv_nsec = Deadline.tv_nsec - now.tv_nsec;
    if (Left.tv_nsec < 0) { Left.tv_nsec += 1000000000L; Left.tv_sec -= 1; }
    return Left.tv_sec > 0 || (Left.tv_sec == 0 && Left.tv_nsec > 0);
}

}  // namespace

AnsiString SharedObjectName(const AnsiString& Name) {
    AnsiString r = "/" + Name;
    for (size_t i = 1; i < r.size(); ++i)
        if (r[i] == '/') r[i] = '_';
    return r;
}

bool UnlinkSharedObject(const AnsiString& Name) {
    return shm_unlink(SharedObjectName(Name).c_str()) == 0;
}

TSharedObject::TSharedObject(const AnsiString& Name, std::size_t PayloadSize,
                             void (*Init)(void*, const void*), const void* Arg)
    : FName(Name) {
    const AnsiString posix = SharedObjectName(Name);
    FMapSize = sizeof(TSharedHeader) + PayloadSize;
    for (int attempt = 0; attempt < OpenTries; ++attempt) {
        int fd = shm_open(posix.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            fchmod(fd, 0666);   // the umask must not close it to other users
            struct stat own {};
            fstat(fd, &own);
            FInode = own.st_ino;
            void* p = MAP_FAILED;
            if (ftruncate(fd, static_cast<off_t>(FMapSize)) == 0)
                p = mmap(nullptr, FMapSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            int err = errno;
            close(fd);
            if (p == MAP_FAILED) {
                shm_unlink(posix.c_str());
                RaiseShared("Cannot create", Name, err);
            }
            FHeader = static_cast<TSharedHeader*>(p);
            FPayload = static_cast<char*>(p) + sizeof(TSharedHeader);
            FHeader->PayloadSize = PayloadSize;
            if (Init) Init(FPayload, Arg);
            FHeader->Users.store(1);
            FHeader->Ready.store(HeaderMagic, std::memory_order_release);
            FExisted = false;
            return;
        }
        if (errno != EEXIST) RaiseShared("Cannot create", Name, errno);

        fd = shm_open(posix.c_str(), O_RDWR, 0);
        if (fd < 0) {
            if (errno == ENOENT) continue;   // removed by its last user in between
            RaiseShared("Cannot open", Name, errno);
        }
        // The creator sizes the object right after creating it.
        struct stat st {};
        int waited = 0;
        while (fstat(fd, &st) == 0 && st.st_size == 0 && waited < OpenTries) { Pause(); ++waited; }
        if (static_cast<std::size_t>(st.st_size) != FMapSize) {
            close(fd);
            if (st.st_size == 0) {           // creator died before sizing it: take the name over
                shm_unlink(posix.c_str());
                continue;
            }
            RaiseShared("Size mismatch of", Name, EINVAL);
        }
        FInode = st.st_ino;
        void* p = mmap(nullptr, FMapSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        int err = errno;
        close(fd);
        if (p == MAP_FAILED) RaiseShared("Cannot open", Name, err);
        auto* h = static_cast<TSharedHeader*>(p);
        waited = 0;
        while (h->Ready.load(std::memory_order_acquire) != HeaderMagic && waited < OpenTries) { Pause(); ++waited; }
        if (h->Ready.load(std::memory_order_acquire) != HeaderMagic) {
            munmap(p, FMapSize);
            shm_unlink(posix.c_str());       // creator died half-way: start afresh
            continue;
        }
        int32_t users = h->Users.load();
        bool joined = false;
        while (users >= 0) {
            if (h->Users.compare_exchange_weak(users, users + 1)) { joined = true; break; }
        }
        if (!joined) {                        // its last user is removing it right now
            munmap(p, FMapSize);
            Pause();
            continue;
        }
        FHeader = h;
        FPayload = static_cast<char*>(p) + sizeof(TSharedHeader);
        FExisted = true;
        return;
    }
    RaiseShared("Cannot open", Name, ETIMEDOUT);
}

TSharedObject::~TSharedObject() {
    if (!FHeader) return;
    int32_t users = FHeader->Users.load();
    for (;;) {
        if (users <= 1) {
            if (FHeader->Users.compare_exchange_weak(users, -1)) {
                // Only when the name is still ours: someone may have removed
                // it and made a new object under it since.
                const AnsiString posix = SharedObjectName(FName);
                int fd = shm_open(posix.c_str(), O_RDONLY, 0);
                if (fd >= 0) {
                    struct stat st {};
                    if (fstat(fd, &st) == 0 && st.st_ino == FInode) shm_unlink(posix.c_str());
                    close(fd);
                }
                break;
            }
        } else if (FHeader->Users.compare_exchange_weak(users, users - 1)) {
            break;
        }
    }
    munmap(FHeader, FMapSize);
}

// ---- memory

TSharedMemory::TSharedMemory(const AnsiString& Name, std::size_t Size)
    : TSharedObject(Name, Size, nullptr, nullptr), FSize(Size) {}

// ---- mutex

TNamedMutex::TNamedMutex(const AnsiString& Name)
    : TSharedObject(Name, sizeof(pthread_mutex_t), InitMutex, nullptr) {}

TWaitResult TNamedMutex::Acquire(Cardinal Timeout) {
    auto* m = static_cast<pthread_mutex_t*>(Payload());
    int rc;
    if (Timeout == INFINITE) {
        rc = pthread_mutex_lock(m);
    } else {
        timespec deadline = DeadlineAfter(Timeout);
        rc = pthread_mutex_clocklock(m, CLOCK_MONOTONIC, &deadline);
    }
    switch (rc) {
        case 0: return wrSignaled;
        case EOWNERDEAD:
            pthread_mutex_consistent(m);
            return wrAbandoned;
        case ETIMEDOUT: return wrTimeout;
        default: return wrError;
    }
}

void TNamedMutex::Release() {
    pthread_mutex_unlock(static_cast<pthread_mutex_t*>(Payload()));
}

// ---- event

namespace {
const TEventInit* EventInit(bool ManualReset, bool InitialState) {
    static const TEventInit Inits[4] = {{false, false}, {false, true}, {true, false}, {true, true}};
    return &Inits[(ManualReset ? 2 : 0) + (InitialState ? 1 : 0)];
}
}  // namespace

TNamedEvent::TNamedEvent(const AnsiString& Name, bool ManualReset, bool InitialState)
    : TSharedObject(Name, sizeof(TEventData), InitEvent, EventInit(ManualReset, InitialState)) {}

void TNamedEvent::SetEvent() {
    auto* e = static_cast<TEventData*>(Payload());
    e->State.store(1);
    e->Seq.fetch_add(1);
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&e->Seq), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

void TNamedEvent::ResetEvent() {
    static_cast<TEventData*>(Payload())->State.store(0);
}

bool TNamedEvent::IsSet() const {
    return static_cast<TEventData*>(Payload())->State.load() != 0;
}

TWaitResult TNamedEvent::WaitFor(Cardinal Timeout) {
    auto* e = static_cast<TEventData*>(Payload());
    const timespec deadline = DeadlineAfter(Timeout == INFINITE ? 0 : Timeout);
    for (;;) {
        const uint32_t seq = e->Seq.load();
        if (e->ManualReset) {
            if (e->State.load()) return wrSignaled;
        } else {
            uint32_t one = 1;
            if (e->State.compare_exchange_strong(one, 0)) return wrSignaled;
        }
        timespec left{};
        timespec* wait = nullptr;
        if (Timeout != INFINITE) {
            if (!Remaining(deadline, left)) return wrTimeout;
            wait = &left;
        }
        long rc = syscall(SYS_futex, reinterpret_cast<uint32_t*>(&e->Seq), FUTEX_WAIT, seq, wait, nullptr, 0);
        if (rc != 0 && errno != EAGAIN && errno != EINTR && errno != ETIMEDOUT) return wrError;
    }
}
