#pragma once
// A process-wide pool of prepared service statements (metadata look-ups,
// generator values, counts), kept per database and SQL text, so that the same
// text is prepared once per database and reused. Take a statement with
// AcquireCachedQuery, run it, and give it back with ReleaseCachedQuery.
#include <map>
#include <memory>
#include <vector>

#include "dbclient/FBQuery.h"
#include "platform/rtl/Classes.h"

class TFBDatabase;
class TFBTransaction;
class TCriticalSection;

// The pooled statements of one database. Free statements are keyed by their
// trimmed SQL text (several may share a key); busy ones are handed out.
class TCacheQueries : public TComponent {
public:
    TCacheQueries(TComponent* AOwner, TFBDatabase* ADatabase);
    ~TCacheQueries() override;

    TFBDatabase* Database() const { return FDatabase; }
    // A free statement of that text, else a new one; it is then busy.
    TFBQuery* GetQuery(TFBTransaction* Transaction, const AnsiString& SQL);
    // A busy statement becomes free under its current text; others are ignored.
    void ReleaseQuery(TFBQuery* Query);
    Integer FreeCount() const { return static_cast<Integer>(FFreeQueries.size()); }
    Integer BusyCount() const { return static_cast<Integer>(FBusyQueries.size()); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TFBDatabase* FDatabase;
    std::multimap<AnsiString, TFBQuery*> FFreeQueries;
    std::vector<TFBQuery*> FBusyQueries;
    bool FDestroying = false;
};

// Every database's TCacheQueries, guarded by one critical section.
class TCacheList : public TComponent {
public:
    TCacheList();
    ~TCacheList() override;

    TFBQuery* Acquire(TFBTransaction* Transaction, const AnsiString& SQL);
    void Release(TFBQuery* Query);
    // The pool of Database, or null when it has none yet.
    TCacheQueries* Find(TFBDatabase* Database) const;
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    // Frees every pooled statement of Database.
    void FreeDatabase(TFBDatabase* Database);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void FreeComponent(TComponent* Database);
    std::vector<TCacheQueries*> FItems;   // owned
    std::unique_ptr<TCriticalSection> FLock;
};

// The process-wide pool.
TCacheList* CacheList();

// A statement for SQL on Transaction's default database, closed if it was
// left open; null when Transaction is null or has no default database.
// Its parameters keep the values of its last use until set.
TFBQuery* AcquireCachedQuery(TFBTransaction* Transaction, const AnsiString& SQL);
// Gives a statement back; null and statements without database are ignored.
void ReleaseCachedQuery(TFBQuery* Query);

// The pool key of a SQL text: line breaks as the statement keeps them, trimmed.
AnsiString CachedQueryKey(const AnsiString& SQL);
