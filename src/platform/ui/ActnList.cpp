// Actions and the links of the controls that show them.
#include "platform/ui/ActnList.h"

#include <algorithm>

TActionLink::~TActionLink() { SetAction(nullptr); }

void TActionLink::SetAction(TAction* Value) {
    if (FAction == Value) return;
    if (FAction) std::erase(FAction->FLinks, this);
    FAction = Value;
    if (!Value) return;
    Value->FLinks.push_back(this);
    if (IsCaptionLinked()) SetCaption(Value->Caption());
    if (IsGroupIndexLinked()) SetGroupIndex(Value->GroupIndex());
    SetChecked(Value->Checked());
}

TAction::~TAction() {
    for (TActionLink* L : FLinks) L->FAction = nullptr;
}

void TAction::SetCaption(const AnsiString& Value) {
    if (Value == FCaption) return;
    for (TActionLink* L : std::vector<TActionLink*>(FLinks))
        if (L->IsCaptionLinked()) L->SetCaption(Value);
    FCaption = Value;
}

void TAction::SetChecked(bool Value) {
    if (Value == FChecked) return;
    for (TActionLink* L : std::vector<TActionLink*>(FLinks))
        if (L->IsCheckedLinked()) L->SetChecked(Value);
    FChecked = Value;
}

void TAction::SetGroupIndex(Integer Value) {
    if (Value == FGroupIndex) return;
    for (TActionLink* L : std::vector<TActionLink*>(FLinks))
        if (L->IsGroupIndexLinked()) L->SetGroupIndex(Value);
    FGroupIndex = Value;
}
