// Reading .xls workbooks (BIFF in an OLE compound file) through freexl.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/SheetFiles.h"

#include <freexl.h>

namespace {

const char* const SourceName = "Microsoft Excel";

AnsiString FreexlError(int Code) {
    switch (Code) {
        case FREEXL_FILE_NOT_FOUND: return "the file cannot be opened";
        case FREEXL_INSUFFICIENT_MEMORY: return "not enough memory";
        case FREEXL_UNSUPPORTED_CHARSET: return "its code page is not supported";
        case FREEXL_CFBF_READ_ERROR: return "the file cannot be read";
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        case FREEXL_CFBF_EMPTY_FAT_CHAIN:
        case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        case FREEXL_CFBF_SEEK_ERROR:
        case FREEXL_INVALID_MINI_STREAM:
        case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
            return "its compound file structure is damaged";
        case FREEXL_BIFF_INVALID_BOF:
        case FREEXL_BIFF_INVALID_SST:
        case FREEXL_BIFF_ILLEGAL_SST_INDEX:
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        case FREEXL_ILLEGAL_RK_VALUE:
        case FREEXL_CRAFTED_FILE:
            return "its workbook stream is damaged";
        default: return "error " + IntToStr(Code) + " while reading it";
    }
}

class THandle {
public:
    ~THandle() {
        if (H) freexl_close(H);
    }
    const void* H = nullptr;
};

}  // namespace

void ReadXlsFile(const AnsiString& FileName, TExcelWorkbook& Book) {
    auto Fail = [&](int Code) {
        throw EOleException("'" + FileName + "' is not a valid workbook file: " + FreexlError(Code),
                            DISP_E_EXCEPTION, SourceName);
    };
    THandle X;
    int Rc = freexl_open(AnsiToUtf8(FileName).c_str(), &X.H);
    if (Rc != FREEXL_OK) Fail(Rc);
    unsigned int SheetCount = 0;
    if ((Rc = freexl_get_info(X.H, FREEXL_BIFF_SHEET_COUNT, &SheetCount)) != FREEXL_OK) Fail(Rc);
    if (SheetCount == 0) Fail(FREEXL_BIFF_INVALID_BOF);
    for (unsigned short S = 0; S < SheetCount; ++S) {
        const char* Name = nullptr;
        if ((Rc = freexl_get_worksheet_name(X.H, S, &Name)) != FREEXL_OK) Fail(Rc);
        TExcelWorksheet* Sheet = Book.AddSheet(SheetText(Name ? Name : ""));
        if ((Rc = freexl_select_active_worksheet(X.H, S)) != FREEXL_OK) Fail(Rc);
        unsigned int Rows = 0;
        unsigned short Cols = 0;
        if ((Rc = freexl_worksheet_dimensions(X.H, &Rows, &Cols)) != FREEXL_OK) Fail(Rc);
        TExcelWorksheet::TCellMap Cells;
        for (unsigned int R = 0; R < Rows && R < static_cast<unsigned>(ExcelMaxRows); ++R)
            for (unsigned short C = 0; C < Cols; ++C) {
                FreeXL_CellValue V;
                if ((Rc = freexl_get_cell_value(X.H, R, C, &V)) != FREEXL_OK) Fail(Rc);
                Variant Value;
                switch (V.type) {
                    case FREEXL_CELL_INT: Value = Variant(static_cast<double>(V.value.int_value)); break;
                    case FREEXL_CELL_DOUBLE: Value = Variant(V.value.double_value); break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT: {
                        AnsiString T = SheetText(V.value.text_value ? V.value.text_value : "");
                        if (!T.empty()) Value = Variant(T);
                        break;
                    }
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME: {
                        TDateTime D = 0;
                        std::string Text = V.value.text_value ? V.value.text_value : "";
                        if (V.type == FREEXL_CELL_DATETIME && Text.size() > 10 && Text[10] == ' ') Text[10] = 'T';
                        if (ParseIsoDateTime(Text, D))
                            Value = Variant::FromDateTime(D);
                        else if (!Text.empty())
                            Value = Variant(SheetText(Text));
                        break;
                    }
                    default: break;
                }
                if (!Value.IsEmpty()) Cells[{static_cast<Integer>(R) + 1, static_cast<Integer>(C) + 1}] = Value;
            }
        Sheet->AssignCells(std::move(Cells));
    }
}
