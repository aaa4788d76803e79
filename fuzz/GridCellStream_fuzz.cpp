// Feeds arbitrary bytes as the grid's own cell format: pasted from the clipboard and read
// with LoadCellsFromStream, each into a grid that is painted afterwards. A damaged block is
// refused (EExtGridError, EStreamError) and changes nothing; nothing may crash, hang or leak.
// The same bytes go as a dropped file list and a dropped column, the drop's other blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "GridFuzz.h"

#include "platform/ui/Clipbrd.h"

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) {
    gridfuzz::Init(Argc, Argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 16) return 0;
    const std::string Block(reinterpret_cast<const char*>(Data), Size);
    TDataObject Dropped;
    Dropped.SetData(CF_HDROP, Block);
    Dropped.SetData(CF_GRIDCOLUMN(), Block);
    for (const AnsiString& Name : Dropped.Files())
        if (Name.empty()) std::abort();
    DroppedColumn(Dropped);
    {
        TExtStringGrid* G = gridfuzz::Grid();
        Clipboard()->SetBuffer(RegisterClipboardFormat("TExtStringGrid Cells"), Block);
        G->SetSelection(TGridRect{1, 1, 1, 1});
        try {
            G->PasteFromClipboard();
        } catch (const EExtGridError&) {
        }
        gridfuzz::Paint(G);
    }
    {
        TExtStringGrid* G = gridfuzz::Grid();
        TStringStream S(Block);
        try {
            G->LoadCellsFromStream(TGridCoord{2, 3}, &S);
        } catch (const EStreamError&) {
        }
        gridfuzz::Paint(G);
    }
    return 0;
}
