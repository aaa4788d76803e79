#include "grid/EsgEditParts.h"

#include <gtest/gtest.h>

using namespace EsgEditParts;

namespace {

struct TKeyCase {
    Word Key;
    TShiftState Shift;
    bool EditorEnabled;
    bool ReadOnly;
    bool Blocked;
};

TEST(EsgEditParts, BlockedEditKeys) {
    const TShiftState None, Ctrl{ssCtrl}, Shift{ssShift};
    const TKeyCase Cases[] = {
        {'V', Ctrl, true, false, false},         {'V', Ctrl, true, true, true},
        {'X', Ctrl, false, false, true},         {VK_INSERT, Shift, true, true, true},
        {VK_INSERT, Shift, true, false, false},  {VK_DELETE, Shift, true, true, true},
        {VK_DELETE, None, false, false, true},   {VK_DELETE, None, true, true, false},
        {'Z', Ctrl, false, false, true},         {'Y', Ctrl, false, false, true},
        {'K', Ctrl, false, false, true},         {'Z', Ctrl, true, true, false},
        {'Z', None, false, false, false},        {'C', Ctrl, false, true, false},
        {VK_INSERT, None, false, true, false},
    };
    for (const TKeyCase& C : Cases)
        EXPECT_EQ(IsBlockedEditKey(C.Key, C.Shift, C.EditorEnabled, C.ReadOnly), C.Blocked)
            << "key " << C.Key << " enabled " << C.EditorEnabled << " read-only " << C.ReadOnly;
}

TEST(EsgEditParts, EventRunsFromACopy) {
    TObject Sender;
    TNotifyEvent Event;
    int Calls = 0;
    FireEvent(Event, &Sender);   // no handler: nothing happens
    Event = [&](TObject* S) {
        EXPECT_EQ(S, &Sender);
        ++Calls;
        Event = nullptr;   // the handler drops itself
    };
    FireEvent(Event, &Sender);
    EXPECT_EQ(Calls, 1);
}

TEST(EsgEditParts, AliveToken) {
    EXPECT_FALSE(IsAlive(nullptr));
    EXPECT_FALSE(IsAlive(std::make_shared<bool>(false)));
    EXPECT_TRUE(IsAlive(std::make_shared<bool>(true)));
}

}  // namespace
