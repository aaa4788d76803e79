#include "datasets/DSContainer.h"

#include <algorithm>

#include "dbclient/StrUtil.h"
#include "platform/rtl/CodePage.h"

TDataSetsContainer::TDataSetsContainer(TComponent* AOwner) : TComponent(AOwner) {}

TDataSetsContainer::~TDataSetsContainer() {
    // Our data sets leave the chain above us, or a master would go on
    // reaching them through a link that no longer exists.
    if (FMasterContainer)
        for (TDataSet* ds : FDataSets) FMasterContainer->RemoveDataSet(ds);
    FMasterContainer = nullptr;
}

void TDataSetsContainer::SetMasterContainer(TDataSetsContainer* Value) {
    if (Value == FMasterContainer) return;
    for (TDataSetsContainer* c = Value; c; c = c->FMasterContainer)
        if (c == this) throw Exception("Circular link is not allowed.");
    if (FMasterContainer) {
        for (TDataSet* ds : FDataSets) FMasterContainer->RemoveDataSet(ds);
        FMasterContainer->RemoveFreeNotification(this);
    }
    FMasterContainer = Value;
    if (Value) {
        Value->FreeNotification(this);
        for (TDataSet* ds : FDataSets) Value->AddDataSet(ds);
    }
}

void TDataSetsContainer::DataSetEvent(TDataSet* DataSet, TKindDataSetEvent Kind) {
    if (FMasterContainer) FMasterContainer->DataSetEvent(DataSet, Kind);
    if (FActive && OnDataSetEvent) FireEvent(OnDataSetEvent, DataSet, Kind);
}

void TDataSetsContainer::ApplyDefaultValue(TDataSet* DataSet, TField* Field, bool& Handled) {
    if (FMasterContainer) FMasterContainer->ApplyDefaultValue(DataSet, Field, Handled);
    if (FActive && OnApplyDefaultValue) FireEvent(OnApplyDefaultValue, DataSet, Field, Handled);
}

void TDataSetsContainer::DataSetError(TDataSet* DataSet, TKindDataSetError Kind, EDatabaseError& E,
                                      TDataAction& Action) {
    if (FMasterContainer) FMasterContainer->DataSetError(DataSet, Kind, E, Action);
    if (FActive && OnDataSetError) FireEvent(OnDataSetError, DataSet, Kind, E, Action);
}

void TDataSetsContainer::UserEvent(TObject* Sender, TDataSet* Receiver, const AnsiString& EventName,
                                   const Variant& Info) {
    if (FMasterContainer) FMasterContainer->UserEvent(Sender, Receiver, EventName, Info);
    if (FActive && OnUserEvent) FireEvent(OnUserEvent, Sender, Receiver, EventName, Info);
}

void TDataSetsContainer::AddDataSet(TDataSet* DataSet) {
    if (!DataSet) return;
    if (!HasDataSet(DataSet)) FDataSets.push_back(DataSet);
    if (FMasterContainer) FMasterContainer->AddDataSet(DataSet);
    DataSet->FreeNotification(this);
}

void TDataSetsContainer::RemoveDataSet(TDataSet* DataSet) {
    auto it = std::find(FDataSets.begin(), FDataSets.end(), DataSet);
    if (it != FDataSets.end()) FDataSets.erase(it);
    if (FMasterContainer) FMasterContainer->RemoveDataSet(DataSet);
}

TDataSet* TDataSetsContainer::DataSets(Integer Index) const {
    if (Index < 0 || Index >= DataSetCount()) throw EListError(SListIndexError, {Index});
    return FDataSets[static_cast<size_t>(Index)];
}

bool TDataSetsContainer::HasDataSet(TDataSet* DataSet) const {
    return std::find(FDataSets.begin(), FDataSets.end(), DataSet) != FDataSets.end();
}

void TDataSetsContainer::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FMasterContainer) {
        FMasterContainer = nullptr;
        return;
    }
    auto it = std::find(FDataSets.begin(), FDataSets.end(), AComponent);
    if (it != FDataSets.end()) FDataSets.erase(it);
}

void TDataSetsContainer::NotifyDataSets(TObject* Sender, const AnsiString& ReceiverMask, const AnsiString& EventName,
                                        const Variant& Info) {
    const AnsiString mask = NameUpperCase(ReceiverMask);
    // A receiver may open, close or free data sets while it handles the
    // event: walk a copy and skip any that left the list meanwhile.
    const std::vector<TDataSet*> snapshot = FDataSets;
    for (TDataSet* ds : snapshot) {
        if (!HasDataSet(ds)) continue;
        if (!ReceiverMask.empty()) {
            const AnsiString owner = ds->Owner() ? ds->Owner()->Name() : AnsiString();
            if (!WldCompare(NameUpperCase(owner + "." + ds->Name()), mask)) continue;
        }
        auto* receiver = dynamic_cast<IUserEventReceiver*>(ds);
        if (!receiver) continue;
        TStringList* accepted = receiver->ReceiveEvents();
        if (accepted && accepted->Count() > 0 && WldIndexOf(accepted, EventName, false) < 0) continue;
        receiver->DoUserEvent(Sender, EventName, Info);
    }
}
