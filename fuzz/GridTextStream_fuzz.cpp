// Feeds arbitrary bytes as the grid's cell text stream (LoadCellsFromStrings), as a CSV
// file (ImportCSVFile), as text pasted from another program and as the column-width file
// (RestoreColumnWidths), each into a grid that is painted afterwards. Bad input is refused (EReadError, EExtGridError); nothing may crash,
// hang or leak.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "GridFuzz.h"

#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) {
    gridfuzz::Init(Argc, Argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 16) return 0;
    const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
    // A stream may claim up to 20 million cells and be read in full: sound, only slow
    // under the sanitizers. Claims past the limit still come through (their refusal is quick).
    const size_t Comma = Bytes.find(',');
    const double Claimed = Comma == std::string::npos ? 0
                                                      : double(std::strtol(Bytes.c_str(), nullptr, 10)) *
                                                            double(std::strtol(Bytes.c_str() + Comma + 1, nullptr, 10));
    if (Claimed > 2e5 && Claimed <= TExtStringGrid::MaxTransferCells) return 0;
    {
        TExtStringGrid* G = gridfuzz::Grid();
        TStringStream S(Bytes);
        try {
            G->LoadCellsFromStrings(&S);
        } catch (const EReadError&) {
        }
        gridfuzz::Paint(G);
    }
    {
        static const std::string File = "/tmp/GridTextStream_fuzz." + std::to_string(getpid()) + ".csv";
        std::ofstream(File, std::ios::binary) << Bytes;
        TExtStringGrid* G = gridfuzz::Grid();
        try {
            G->ImportCSVFile(File, (Size & 1) != 0);
        } catch (const EExtGridError&) {
        }
        std::remove(File.c_str());
        gridfuzz::Paint(G);
    }
    {
        static const std::string File = "/tmp/GridTextStream_fuzz." + std::to_string(getpid()) + ".ini";
        std::ofstream(File, std::ios::binary) << "[W]\r\n" << Bytes;
        TExtStringGrid* G = gridfuzz::Grid();
        G->ColumnSize()->SetKey(File);
        G->ColumnSize()->SetSection("W");
        G->ColumnSize()->SetSave(true);
        G->RestoreColumnWidths();
        G->ColumnSize()->SetSave(false);
        std::remove(File.c_str());
        gridfuzz::Paint(G);
    }
    {
        TExtStringGrid* G = gridfuzz::Grid();
        Clipboard()->SetAsWideText(Utf8ToWide(Bytes));
        G->SetSelection(TGridRect{2, 2, 3, 4});
        G->PasteFromClipboard();
        gridfuzz::Paint(G);
    }
    return 0;
}
