// Feeds arbitrary bytes to the CSV reader: nothing may crash, hang or read
// out of bounds; damaged text is refused with an exception of the layer.
#include <cstddef>
#include <cstdint>

#include "SheetFuzz.h"
#include "platform/sheet/SheetFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 65536) return 0;
    TExcelWorksheet Sheet(nullptr, "S");
    try {
        ReadCsvText(AnsiString(reinterpret_cast<const char*>(Data), Size), Sheet);
    } catch (const EOleException&) {
        return 0;
    }
    // Read once more from the start.
    sheetfuzz::Check(Sheet.CellCount() >= 0);
    sheetfuzz::Check(Sheet.UsedRange()->RowCount() >= 1);
    return 0;
}
