// Feeds arbitrary bytes as an .xls workbook to the reader. The fuzz build
// reads in this process (XLS_READ_IN_PROCESS), so that faults in the
// project's own reading code are seen here; faults of the library itself
// are what the child process contains in the program.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "SheetFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const uint8_t Ole[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (Size < 8 || Size > 1 << 20 || std::memcmp(Data, Ole, 8) != 0) return 0;
    sheetfuzz::OpenBytes(Data, Size, "fuzz.xls");
    return 0;
}
