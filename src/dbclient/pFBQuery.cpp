#include "dbclient/pFBQuery.h"

#include <algorithm>

#include "dbclient/FBMessages.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/SysUtils.h"

// ---- TpFBQuery ---------------------------------------------------------------------------

TpFBQuery::TpFBQuery(TComponent* AOwner) : TFBQuery(AOwner) {}

AnsiString TpFBQuery::About() const { return "6.1.0 Release"; }

void TpFBQuery::ExecQuery() {
    for (;;) {
        TDataAction action = daFail;
        try {
            TFBQuery::ExecQuery();
            return;
        } catch (EFBError& E) {
            if (!OnExecuteError) throw;
            // The handler may free the statement or what it runs on: no retry then.
            const AnsiString name = CmpFullName(this);
            const TAliveGuard alive(this);
            const TRetryWatch watch(name, "OnExecuteError", {{Transaction(), "transaction"}, {Database(), "database"}});
            FireEvent(OnExecuteError, this, E, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
            if (alive.Gone()) FBErrorFmt("%s was not run again: it was freed by OnExecuteError.", {name});
            watch.Check({Transaction(), Database()});
        }
    }
}

// ---- TpFBUpdateObject -----------------------------------------------------------------------

TpFBUpdateObject::TpFBUpdateObject(TComponent* AOwner) : TpFBQuery(AOwner) { SetParamCheck(true); }

TpFBUpdateObject::~TpFBUpdateObject() {
    Leave();
    if (FDataSet) FDataSet->RemoveFreeNotification(this);
    FDataSet = nullptr;
}

void TpFBUpdateObject::Leave() {
    if (FHost) FHost->RemoveUpdateObject(this);
}

void TpFBUpdateObject::Join() {
    if (FHost) FHost->AddUpdateObject(this);
}

void TpFBUpdateObject::SetDataSet(TComponent* Value) {
    if (Value == FDataSet) return;
    IUpdateObjectsHost* host = nullptr;
    if (Value) {
        host = dynamic_cast<IUpdateObjectsHost*>(Value);
        if (!host) throw Exception("%s is not TpFBDataSet", {Value->Name()});
    }
    Leave();
    if (FDataSet) FDataSet->RemoveFreeNotification(this);
    FDataSet = Value;
    FHost = host;
    if (!FDataSet) return;
    Join();
    FDataSet->FreeNotification(this);
    if (!Database()) SetDatabase(FHost->UpdateObjectsDatabase());
    if (!Transaction()) SetTransaction(FHost->UpdateObjectsTransaction());
}

void TpFBUpdateObject::SetKindUpdate(TUpdateKind Value) {
    if (Value == FKindUpdate) return;
    Leave();
    FKindUpdate = Value;
    Join();
}

void TpFBUpdateObject::SetOrderInList(Integer Value) {
    FOrderInList = Value;
    Join();   // moves it within its list, renumbering all
}

bool TpFBUpdateObject::HasWork() const {
    return FActive && SQL()->Count() > 0 && !IsBlankStr(SQL()->Text()) && SQL()->Strings(0) != "No Action";
}

void TpFBUpdateObject::Notification(TComponent* AComponent, TOperation Operation) {
    TpFBQuery::Notification(AComponent, Operation);
    // The data set is going: its lists go with it, so nothing to leave.
    if (Operation == opRemove && AComponent == FDataSet) {
        FDataSet = nullptr;
        FHost = nullptr;
    }
}

// ---- TUpdateObjectLists ---------------------------------------------------------------------------

Integer TUpdateObjectLists::Add(TpFBUpdateObject* UO) {
    if (!UO) return -1;
    const TUpdateKind kind = UO->KindUpdate();
    if (kind < ukModify || kind > ukDelete) return -1;
    auto& list = FLists[kind];
    const auto found = std::find(list.begin(), list.end(), UO);
    if (found != list.end()) list.erase(found);
    const Integer at = UO->OrderInList();
    if (at >= 0 && at < static_cast<Integer>(list.size())) list.insert(list.begin() + at, UO);
    else list.push_back(UO);
    Renumber(kind);
    return UO->OrderInList();
}

void TUpdateObjectLists::Remove(TpFBUpdateObject* UO) {
    for (size_t k = 0; k < FLists.size(); ++k) {
        auto& list = FLists[k];
        const auto found = std::find(list.begin(), list.end(), UO);
        if (found == list.end()) continue;
        list.erase(found);
        Renumber(static_cast<TUpdateKind>(k));
    }
}

void TUpdateObjectLists::Renumber(TUpdateKind Kind) {
    auto& list = FLists[Kind];
    for (size_t i = 0; i < list.size(); ++i) list[i]->FOrderInList = static_cast<Integer>(i);
}

bool TUpdateObjectLists::AnyActive(TUpdateKind Kind) const {
    const auto& list = FLists[Kind];
    return std::any_of(list.begin(), list.end(), [](TpFBUpdateObject* UO) { return UO->Active(); });
}

bool TUpdateObjectLists::Execute(TUpdateKind Kind, TFBOrderExecUO Order,
                                 const std::function<void(TpFBUpdateObject* UO)>& FillParams) const {
    bool ran = false;
    // A copy: a handler may move objects between lists while they run.
    const std::vector<TpFBUpdateObject*> list = FLists[Kind];
    const TAliveGuard alive(this);
    std::vector<TAliveGuard> objects;
    for (TpFBUpdateObject* UO : list) objects.emplace_back(UO);
    for (size_t i = 0; i < list.size(); ++i) {
        if (alive.Gone()) break;
        if (objects[i].Gone()) continue;
        TpFBUpdateObject* UO = list[i];
        if (UO->ExecuteOrder() != Order || !UO->HasWork()) continue;
        if (FillParams) FillParams(UO);
        if (alive.Gone()) break;
        if (objects[i].Gone()) continue;
        UO->ExecQuery();
        ran = true;
    }
    return ran;
}
