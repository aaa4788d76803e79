#include "support/Scribble.h"

#if defined(__SANITIZE_ADDRESS__)

TScribbledFrees::TScribbledFrees() = default;
TScribbledFrees::~TScribbledFrees() = default;
int TScribbledFrees::Release() { return 0; }

#else

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <pthread.h>

namespace {

constexpr unsigned char kFreed = 0xDD;
constexpr int kHeld = 8192;

// No allocation here: the replaced operator delete runs inside it.
void* gHeld[kHeld];
int gCount = 0;
int gFirst = 0;
int gWritten = 0;
bool gOn = false;
pthread_t gThread;

bool Intact(void* P) {
    const auto* b = static_cast<const unsigned char*>(P);
    for (size_t i = 0, n = malloc_usable_size(P); i < n; ++i)
        if (b[i] != kFreed) return false;
    return true;
}

void ReleaseOldest() {
    void* p = gHeld[gFirst];
    gFirst = (gFirst + 1) % kHeld;
    --gCount;
    if (!Intact(p)) ++gWritten;
    std::free(p);
}

void Free(void* P) noexcept {
    if (!P) return;
    if (!gOn || !pthread_equal(gThread, pthread_self())) return std::free(P);
    std::memset(P, kFreed, malloc_usable_size(P));
    if (gCount == kHeld) ReleaseOldest();
    gHeld[(gFirst + gCount) % kHeld] = P;
    ++gCount;
}

}  // namespace

TScribbledFrees::TScribbledFrees() {
    gThread = pthread_self();
    gWritten = 0;
    gOn = true;
}

TScribbledFrees::~TScribbledFrees() {
    Release();
    gOn = false;
}

int TScribbledFrees::Release() {
    while (gCount > 0) ReleaseOldest();
    const int written = gWritten;
    gWritten = 0;
    return written;
}

// The default operator new allocates with malloc, so these pair with it.
void operator delete(void* P) noexcept { Free(P); }
void operator delete(void* P, std::size_t) noexcept { Free(P); }
void operator delete[](void* P) noexcept { Free(P); }
void operator delete[](void* P, std::size_t) noexcept { Free(P); }

#endif
