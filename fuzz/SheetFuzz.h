#pragma once
// What the spreadsheet fuzz targets share: the bytes as a file that the
// readers open by name (kept in memory), and a walk over every cell read.
#include "platform/sheet/Excel.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace sheetfuzz {

inline void Check(bool Condition) {
    if (!Condition) std::abort();
}

// Every cell of every sheet, read in order and then again from the start.
inline void Walk(TExcelWorkbook& Book) {
    for (Integer S = 1; S <= Book.Sheets()->Count(); ++S) {
        TExcelWorksheet* Sheet = Book.Sheets(S);
        auto Used = Sheet->UsedRange();
        Check(Used->Row() >= 1 && Used->RowCount() >= 1 && Used->ColumnCount() >= 1);
        Integer Bottom = std::min(Used->Row() + Used->RowCount() - 1, Used->Row() + 200);
        Integer Right = std::min(Used->Column() + Used->ColumnCount() - 1, Used->Column() + 50);
        for (Integer R = Used->Row(); R <= Bottom; ++R)
            for (Integer C = Used->Column(); C <= Right; ++C) Check(!Sheet->Cells(R, C).IsArray());
        Sheet->Cells(1, 1);
        Check(Sheet->CellCount() >= 0);
    }
}

// Opens the bytes as a workbook named Name; damage may raise, nothing else.
inline void OpenBytes(const uint8_t* Data, size_t Size, const char* Name) {
    static int Fd = memfd_create(Name, 0);
    Check(Fd >= 0);
    Check(ftruncate(Fd, 0) == 0);
    Check(pwrite(Fd, Data, Size, 0) == static_cast<ssize_t>(Size));
    const AnsiString Path = "/proc/self/fd/" + std::to_string(Fd);
    auto Excel = CreateOleObject("excel.application");
    try {
        Walk(*Excel->Workbooks()->Open(Path));
    } catch (const EOleException&) {
    }
}

}  // namespace sheetfuzz
