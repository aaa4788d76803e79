// Feeds arbitrary bytes as an .xlsx package to the reader: nothing may crash,
// hang, read out of bounds or take memory beyond the import's limits.
#include <cstddef>
#include <cstdint>

#include "SheetFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 4 || Size > 1 << 20) return 0;
    // Only a zip package reaches the .xlsx reader.
    if (Data[0] != 'P' || Data[1] != 'K' || Data[2] != 3 || Data[3] != 4) return 0;
    sheetfuzz::OpenBytes(Data, Size, "fuzz.xlsx");
    return 0;
}
