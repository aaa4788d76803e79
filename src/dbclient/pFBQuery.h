#pragma once
// TpFBQuery: the statement component applications place on forms and data
// modules, with a description and a hook that decides what a failed execution
// does. TpFBUpdateObject: an extra statement an application data set runs when
// it posts a record of one kind, before or after its own statement.
#include <array>
#include <functional>
#include <vector>

#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "platform/data/DB.h"

class TpFBQuery : public TFBQuery {
public:
    explicit TpFBQuery(TComponent* AOwner);

    const AnsiString& Description() const { return FDescription; }
    void SetDescription(const AnsiString& Value) { FDescription = Value; }
    // The component library's release; writing it does nothing.
    AnsiString About() const;
    void SetAbout(const AnsiString&) {}

    // Runs the statement; on an EFBError the OnExecuteError handler chooses:
    // daFail passes the error on, daAbort ends silently (EAbort), daRetry runs
    // the statement again.
    void ExecQuery() override;

    std::function<void(TObject* Sender, EFBError& E, TDataAction& Action)> OnExecuteError;

private:
    AnsiString FDescription;
};

enum TFBOrderExecUO { oeBeforeDefault, oeAfterDefault };

class TpFBUpdateObject;

// What an application data set offers its update objects: one ordered list
// per TUpdateKind, and the connection they default to. The data set class
// implements it (usually over a TUpdateObjectLists).
class IUpdateObjectsHost {
public:
    virtual ~IUpdateObjectsHost() = default;
    // Puts UO into the list of its KindUpdate at its OrderInList (moving it
    // when already there); returns its index, -1 for nil.
    virtual Integer AddUpdateObject(TpFBUpdateObject* UO) = 0;
    virtual void RemoveUpdateObject(TpFBUpdateObject* UO) = 0;
    virtual TFBDatabase* UpdateObjectsDatabase() const = 0;
    virtual TFBTransaction* UpdateObjectsTransaction() const = 0;
};

class TpFBUpdateObject : public TpFBQuery {
public:
    explicit TpFBUpdateObject(TComponent* AOwner);
    ~TpFBUpdateObject() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    // Position in the data set's list for its kind.
    Integer OrderInList() const { return FOrderInList; }
    void SetOrderInList(Integer Value);
    // Only nil or a component that is an IUpdateObjectsHost (an application
    // data set); anything else raises "<name> is not TpFBDataSet".
    TComponent* DataSet() const { return FDataSet; }
    void SetDataSet(TComponent* Value);
    TUpdateKind KindUpdate() const { return FKindUpdate; }
    void SetKindUpdate(TUpdateKind Value);
    TFBOrderExecUO ExecuteOrder() const { return FExecuteOrder; }
    void SetExecuteOrder(TFBOrderExecUO Value) { FExecuteOrder = Value; }

    // Active, with SQL that is not blank and whose first line is not "No Action".
    bool HasWork() const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TUpdateObjectLists;
    void Leave();
    void Join();

    bool FActive = true;
    Integer FOrderInList = 0;
    TComponent* FDataSet = nullptr;
    IUpdateObjectsHost* FHost = nullptr;
    TUpdateKind FKindUpdate = ukModify;
    TFBOrderExecUO FExecuteOrder = oeBeforeDefault;
};

// The three ordered lists of a data set's update objects (modify, insert,
// delete). They do not own the objects. Every join or leave renumbers the
// OrderInList of the list's objects to their indexes.
class TUpdateObjectLists : public TObject {
public:
    Integer Add(TpFBUpdateObject* UO);
    void Remove(TpFBUpdateObject* UO);
    const std::vector<TpFBUpdateObject*>& List(TUpdateKind Kind) const { return FLists[Kind]; }
    // Whether any object of the kind is Active.
    bool AnyActive(TUpdateKind Kind) const;
    // Runs, in list order, the objects of Kind and Order that have work:
    // FillParams first (when set), then ExecQuery. True when any ran. An object
    // freed meanwhile (by another's handler) is skipped; the run ends when the
    // lists themselves go.
    bool Execute(TUpdateKind Kind, TFBOrderExecUO Order,
                 const std::function<void(TpFBUpdateObject* UO)>& FillParams) const;

private:
    void Renumber(TUpdateKind Kind);
    std::array<std::vector<TpFBUpdateObject*>, 3> FLists;
};
