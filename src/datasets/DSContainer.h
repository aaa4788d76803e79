#pragma once
// TDataSetsContainer: one place for the handlers of many data sets, and the
// router of named user events between them. Containers chain through
// MasterContainer; every event goes up the chain first, so a master sees the
// events of all its descendants' data sets before they do.
#include <functional>
#include <vector>

#include "platform/data/DB.h"

// The events a data set sends its container, in this order.
enum TKindDataSetEvent {
    deBeforeOpen, deAfterOpen, deBeforeClose, deAfterClose, deBeforeInsert, deAfterInsert,
    deBeforeEdit, deAfterEdit, deBeforePost, deAfterPost, deBeforeCancel, deAfterCancel,
    deBeforeDelete, deAfterDelete, deBeforeScroll, deAfterScroll, deOnNewRecord, deOnCalcFields,
    deBeforeRefresh, deAfterRefresh
};
enum TKindDataSetError { deOnEditError, deOnPostError, deOnDeleteError };

using TOnDataSetEvent = std::function<void(TDataSet* DataSet, TKindDataSetEvent Kind)>;
using TOnApplyDefaultValue = std::function<void(TDataSet* DataSet, TField* Field, bool& Handled)>;
using TOnDataSetError =
    std::function<void(TDataSet* DataSet, TKindDataSetError Kind, EDatabaseError& E, TDataAction& Action)>;
// Info is passed through untouched.
using TUserEvent =
    std::function<void(TObject* Sender, TDataSet* Receiver, const AnsiString& EventName, const Variant& Info)>;

// A data set that takes named user events (the application data set).
// Data sets without it are passed over by NotifyDataSets.
class IUserEventReceiver {
public:
    virtual ~IUserEventReceiver() = default;
    // Event names taken, with "*" and "?" wildcards; empty takes every event.
    virtual TStringList* ReceiveEvents() const = 0;
    virtual void DoUserEvent(TObject* Sender, const AnsiString& EventName, const Variant& Info) = 0;
};

class TDataSetsContainer : public TComponent {
public:
    explicit TDataSetsContainer(TComponent* AOwner);
    ~TDataSetsContainer() override;

    // When false this container's own handlers stay silent; its master still
    // hears everything.
    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }

    TDataSetsContainer* MasterContainer() const { return FMasterContainer; }
    // Moves the bound data sets from the old master's chain to the new one's.
    // Raises "Circular link is not allowed." (nothing changed) when Value is
    // this container or has it up its own chain.
    void SetMasterContainer(TDataSetsContainer* Value);

    // Each goes up the master chain first, then fires this container's
    // handler when Active.
    virtual void DataSetEvent(TDataSet* DataSet, TKindDataSetEvent Kind);
    virtual void ApplyDefaultValue(TDataSet* DataSet, TField* Field, bool& Handled);
    virtual void DataSetError(TDataSet* DataSet, TKindDataSetError Kind, EDatabaseError& E, TDataAction& Action);
    virtual void UserEvent(TObject* Sender, TDataSet* Receiver, const AnsiString& EventName, const Variant& Info);

    // Bound data sets (not owned, no duplicates); the master chain learns of
    // them too. nullptr is ignored.
    void AddDataSet(TDataSet* DataSet);
    void RemoveDataSet(TDataSet* DataSet);
    Integer DataSetCount() const { return static_cast<Integer>(FDataSets.size()); }
    TDataSet* DataSets(Integer Index) const;   // EListError out of range
    bool HasDataSet(TDataSet* DataSet) const;

    // Hands EventName to the bound data sets that take user events: with a
    // ReceiverMask, only those whose "OWNER.NAME" matches it (wildcards, any
    // case); of those, only the ones whose ReceiveEvents is empty or matches
    // EventName.
    virtual void NotifyDataSets(TObject* Sender, const AnsiString& ReceiverMask, const AnsiString& EventName,
                                const Variant& Info);

    TOnDataSetEvent OnDataSetEvent;
    TOnApplyDefaultValue OnApplyDefaultValue;
    TOnDataSetError OnDataSetError;
    TUserEvent OnUserEvent;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool FActive = true;
    TDataSetsContainer* FMasterContainer = nullptr;
    std::vector<TDataSet*> FDataSets;
};
