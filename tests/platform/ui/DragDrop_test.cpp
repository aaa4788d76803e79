#include "platform/ui/DragDrop.h"

#include "platform/ui/Forms.h"
#include "platform/ui/ExtCtrls.h"
#include "UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace uitest;

namespace {

// A panel that records what is dropped on it and answers with a chosen effect.
struct TDropForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TPanel* Panel = nullptr;
    // What the drop carried.
    AnsiString GotText, GotRtf, GotOwn;
    std::vector<AnsiString> GotFiles;
    bool Dropped = false;
    Integer Answer = DROPEFFECT_COPY;
    TShiftState GotShift;
    Integer Leaves = 0;
    TDropForm() {
        Form->SetBounds(0, 0, 300, 200);
        Panel = Place<TPanel>(Form.get(), 0, 0, 200, 100);
        Panel->SetDropTarget(true);
        Panel->OnDataDragOver = [this](TObject*, const TDataObject&, TShiftState, Integer, Integer, Integer& E) {
            if (Answer == DROPEFFECT_NONE) E = DROPEFFECT_NONE;
        };
        Panel->OnDataDrop = [this](TObject*, const TDataObject& D, TShiftState S, Integer, Integer, Integer& E) {
            Dropped = true;
            GotText = D.AsText();
            GotRtf = D.GetData(RegisterClipboardFormat("Rich Text Format"));
            GotOwn = D.GetData(RegisterClipboardFormat("Grid Column"));
            GotFiles = D.Files();
            GotShift = S;
            E = Answer;
        };
        Panel->OnDataDragLeave = [this](TObject*) { ++Leaves; };
        Form->Show();
        Settle();
    }
};

}  // namespace

TEST(DragDrop, FileListsRoundTripWithTurkishNames) {
    TDataObject D;
    EXPECT_TRUE(D.Files().empty());
    D.SetFiles({"/tmp/a.csv", "/tmp/Çizelge ğüş.xls"});
    EXPECT_TRUE(D.HasFormat(CF_HDROP));
    EXPECT_EQ((std::vector<AnsiString>{"/tmp/a.csv", "/tmp/Çizelge ğüş.xls"}), D.Files());
}

TEST(DragDrop, DamagedFileListsReadNothingBeyondTheBlock) {
    struct TCase { std::string Block; std::vector<AnsiString> Expected; };
    std::string Narrow(20, '\0');
    Narrow[0] = 20;
    Narrow += "a.csv";   // no terminating zero: the name ends with the block
    std::string FarOffset(20, '\0');
    FarOffset[0] = char(0xFF);
    const TCase Cases[] = {
        {std::string(7, 'x'), {}},   // shorter than the header
        {FarOffset, {}},
        {Narrow, {"a.csv"}},
    };
    for (const TCase& C : Cases) {
        TDataObject D;
        D.SetData(CF_HDROP, C.Block);
        EXPECT_EQ(C.Expected, D.Files());
    }
}

TEST(DragDrop, ADeliveredDropReachesTheControlThroughTheDesktopsFormats) {
    TDropForm F;
    const Word Rtf = RegisterClipboardFormat("Rich Text Format");
    const Word Own = RegisterClipboardFormat("Grid Column");
    TDataObject D;
    D.SetAsText("Çay");
    D.SetData(Rtf, "{\\rtf1 x}");
    D.SetData(Own, std::string("\x02\0\0\0", 4));
    D.SetFiles({"/tmp/liste.csv"});
    EXPECT_EQ(DROPEFFECT_COPY, DeliverDrop(F.Panel, 10, 10, D, DROPEFFECT_COPY | DROPEFFECT_MOVE, TShiftState{ssCtrl}));
    EXPECT_EQ("Çay", F.GotText);
    EXPECT_EQ("{\\rtf1 x}", F.GotRtf);
    EXPECT_EQ(std::string("\x02\0\0\0", 4), F.GotOwn);
    EXPECT_EQ((std::vector<AnsiString>{"/tmp/liste.csv"}), F.GotFiles);
    EXPECT_TRUE(F.GotShift.Contains(ssCtrl));
}

TEST(DragDrop, ARefusedDragIsLeftAndNeverDropped) {
    TDropForm F;
    F.Answer = DROPEFFECT_NONE;
    TDataObject D;
    D.SetAsText("x");
    EXPECT_EQ(DROPEFFECT_NONE, DeliverDrop(F.Panel, 10, 10, D, DROPEFFECT_COPY));
    EXPECT_FALSE(F.Dropped);
}

TEST(DragDrop, TheInstalledHandlerCarriesDragsAndCanBeRemoved) {
    TDropForm F;
    Integer Calls = 0;
    SetDragHandler([&](TControl* Source, const TDataObject& Data, Integer Allowed) {
        ++Calls;
        EXPECT_EQ(F.Panel, Source);
        return DeliverDrop(F.Panel, 5, 5, Data, Allowed);
    });
    TDataObject D;
    D.SetAsText("y");
    EXPECT_EQ(DROPEFFECT_MOVE, DoDragDrop(F.Panel, D, DROPEFFECT_MOVE));
    EXPECT_EQ("y", F.GotText);
    SetDragHandler(nullptr);
    EXPECT_EQ(1, Calls);
    EXPECT_EQ(DROPEFFECT_NONE, DoDragDrop(nullptr, D, DROPEFFECT_MOVE));
}
