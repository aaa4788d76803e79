#pragma once
// While a TScribbledFrees lives, memory freed by this thread is overwritten and
// held back, so a use after a free reads garbage (and mostly crashes) instead of
// stale values; a block written after its free is counted when it is released.
// Under the address sanitizer it does nothing: the sanitizer reports both.

class TScribbledFrees {
public:
    TScribbledFrees();
    ~TScribbledFrees();
    TScribbledFrees(const TScribbledFrees&) = delete;
    TScribbledFrees& operator=(const TScribbledFrees&) = delete;

    // Releases the blocks held so far; the number of them written after their free.
    int Release();
};
