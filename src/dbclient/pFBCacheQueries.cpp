#include "dbclient/pFBCacheQueries.h"

#include <algorithm>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/SyncObjs.h"

AnsiString CachedQueryKey(const AnsiString& SQL) {
    // A statement's text comes back with CR LF line ends; give a text with
    // bare LF or CR the same key, or it would never be found again.
    if (SQL.find_first_of("\r\n") == AnsiString::npos) return FastTrim(SQL);
    TStringList lines;
    lines.SetText(SQL);
    return FastTrim(lines.Text());
}

// ---- TCacheQueries ---------------------------------------------------------------------------

TCacheQueries::TCacheQueries(TComponent* AOwner, TFBDatabase* ADatabase)
    : TComponent(AOwner), FDatabase(ADatabase) {}

TCacheQueries::~TCacheQueries() {
    FDestroying = true;
    std::vector<TFBQuery*> busy;
    busy.swap(FBusyQueries);
    for (TFBQuery* q : busy) delete q;
    std::multimap<AnsiString, TFBQuery*> free;
    free.swap(FFreeQueries);
    for (auto& e : free) delete e.second;
}

TFBQuery* TCacheQueries::GetQuery(TFBTransaction* Transaction, const AnsiString& SQL) {
    const AnsiString key = CachedQueryKey(SQL);
    auto it = FFreeQueries.find(key);
    if (it != FFreeQueries.end()) {
        TFBQuery* q = it->second;
        FFreeQueries.erase(it);
        FBusyQueries.push_back(q);
        if (q->Transaction() != Transaction) q->SetTransaction(Transaction);
        return q;
    }
    auto q = std::make_unique<TFBQuery>(nullptr);
    q->FreeNotification(this);
    q->SetDatabase(FDatabase);
    q->SetTransaction(Transaction);
    q->SQL()->SetText(SQL);
    FBusyQueries.push_back(q.get());
    return q.release();
}

void TCacheQueries::ReleaseQuery(TFBQuery* Query) {
    auto it = std::find(FBusyQueries.begin(), FBusyQueries.end(), Query);
    if (it == FBusyQueries.end()) return;
    FBusyQueries.erase(it);
    FFreeQueries.emplace(CachedQueryKey(Query->SQL()->Text()), Query);
}

void TCacheQueries::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || FDestroying) return;
    auto* q = dynamic_cast<TFBQuery*>(AComponent);
    if (!q) return;
    // A caller freed a pooled statement itself: forget it wherever it is.
    FBusyQueries.erase(std::remove(FBusyQueries.begin(), FBusyQueries.end(), q), FBusyQueries.end());
    for (auto it = FFreeQueries.begin(); it != FFreeQueries.end();) {
        if (it->second == q) it = FFreeQueries.erase(it);
        else ++it;
    }
}

// ---- TCacheList ------------------------------------------------------------------------------

TCacheList::TCacheList() : TComponent(nullptr), FLock(std::make_unique<TCriticalSection>()) {}

TCacheList::~TCacheList() {
    TLockScope lock(FLock.get());
    std::vector<TCacheQueries*> items;
    items.swap(FItems);
    for (TCacheQueries* c : items) delete c;
}

TCacheQueries* TCacheList::Find(TFBDatabase* Database) const {
    for (TCacheQueries* c : FItems)
        if (c->Database() == Database) return c;
    return nullptr;
}

TFBQuery* TCacheList::Acquire(TFBTransaction* Transaction, const AnsiString& SQL) {
    if (!Transaction || !Transaction->DefaultDatabase()) return nullptr;
    TFBDatabase* db = Transaction->DefaultDatabase();
    TFBQuery* q;
    {
        TLockScope lock(FLock.get());
        FreeNotification(db);
        TCacheQueries* c = Find(db);
        if (!c) {
            c = new TCacheQueries(nullptr, db);
            FItems.push_back(c);
        }
        q = c->GetQuery(Transaction, SQL);
    }
    // The statement is this caller's alone now; closing may talk to the server.
    if (q->Open()) q->Close();
    return q;
}

void TCacheList::Release(TFBQuery* Query) {
    if (!Query || !Query->Database()) return;
    TLockScope lock(FLock.get());
    if (TCacheQueries* c = Find(Query->Database())) c->ReleaseQuery(Query);
}

void TCacheList::FreeDatabase(TFBDatabase* Database) { FreeComponent(Database); }

void TCacheList::FreeComponent(TComponent* Database) {
    TLockScope lock(FLock.get());
    for (auto it = FItems.begin(); it != FItems.end();) {
        if (static_cast<TComponent*>((*it)->Database()) == Database) {
            TCacheQueries* c = *it;
            it = FItems.erase(it);
            delete c;
        } else {
            ++it;
        }
    }
}

void TCacheList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    // By address: a database in its destructor may no longer cast to its class.
    FreeComponent(AComponent);
}

TCacheList* CacheList() {
    static TCacheList List;
    return &List;
}

TFBQuery* AcquireCachedQuery(TFBTransaction* Transaction, const AnsiString& SQL) {
    return CacheList()->Acquire(Transaction, SQL);
}

void ReleaseCachedQuery(TFBQuery* Query) { CacheList()->Release(Query); }
