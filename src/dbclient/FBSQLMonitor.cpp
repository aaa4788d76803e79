#include "dbclient/FBSQLMonitor.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>

#include <unistd.h>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "platform/data/DB.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/SharedMem.h"

const char* const MonitorObjectNames[6] = {
    "FB.SQL.MONITOR.Mutex",
    "FB.SQL.MONITOR.SharedMem",
    "FB.SQL.MONITOR.WriteEvent",
    "FB.SQL.MONITOR.WriteFinishedEvent",
    "FB.SQL.MONITOR.ReadEvent",
    "FB.SQL.MONITOR.ReadFinishedEvent",
};

namespace {

constexpr Cardinal IdleWait = 50;       // ms between looks at an empty queue
constexpr Cardinal StopCheckStep = 50;  // ms; long waits look at the stop flag this often

std::atomic<bool> MonitoringEnabled{true};
std::atomic<bool> ShuttingDown{false};

AnsiString ApplicationName() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return AnsiString();
    return ExtractFileName(AnsiString(buf, static_cast<size_t>(n)));
}

AnsiString SQLLines(TFBQuery* Query) {
    AnsiString r;
    TStrings* sql = Query->SQL();
    for (Integer i = 0; i < sql->Count(); ++i) r += sql->Strings(i) + "\r\n";
    return r;
}

bool OwnedByDataSet(TFBQuery* Query) {
    return dynamic_cast<TDataSet*>(Query->Owner()) != nullptr;
}

AnsiString StatementName(TFBQuery* Query) {
    return OwnedByDataSet(Query) ? Query->Owner()->Name() : Query->Name();
}

AnsiString ParamText(TFBXSQLVAR* V) {
    try {
        if (V->IsNull()) return "<NULL>";
        switch (V->SQLType()) {
            case SQLTypeBlob: {
                ISC_QUAD q = V->AsQuad();
                return "<BLOB> (BLOB_ID=" + IntToStr(q.gds_quad_high) + "," + IntToStr(q.gds_quad_low) + ")";
            }
            case SQLTypeArray: return "<ARRAY>";
            case SQLTypeText:
            case SQLTypeVarying: return "'" + V->AsString() + "'";
            default: return V->AsString();
        }
    } catch (...) {
        return "<Can't print value>";
    }
}

AnsiString ColumnText(TFBXSQLVAR* V) {
    try {
        return V->IsNull() ? AnsiString("NULL") : V->AsString();
    } catch (...) {
        return "<Can't print value>";
    }
}

AnsiString TransactionText(TFBTransaction* Transaction, const char* What) {
    return Transaction->Name() + What + IntToStr(Transaction->GetTransactionID()) + ")";
}

}  // namespace

// ---- trace record

TFBTraceObject::TFBTraceObject(const AnsiString& Text, Byte DataType)
    : FMsg(Text), FDataType(DataType), FTimeStamp(Now()) {}

AnsiString EscapeMonitorText(const AnsiString& Text) {
    AnsiString r;
    r.reserve(Text.size());
    for (char ch : Text) {
        const Byte b = static_cast<Byte>(ch);
        if (b < 32 && b != 9 && b != 10 && b != 13)
            r += "#$" + IntToHex(b, 2);
        else
            r += ch;
    }
    return r;
}

// ---- writer thread

class TMonitorWriterThread : public TThread {
public:
    explicit TMonitorWriterThread(TFBSQLMonitorHook* Hook) : TThread(true), FHook(Hook) { Start(); }
    ~TMonitorWriterThread() override {
        Stop(false);
        WaitFor();
    }

    void Enqueue(std::unique_ptr<TFBTraceObject> Record) {
        std::lock_guard<std::mutex> g(FLock);
        FQueue.push_back(std::move(Record));
        FWake.notify_all();
    }
    // Drop: stop at once, leaving the queue; otherwise hand over what is queued first.
    void Stop(bool Drop) {
        std::lock_guard<std::mutex> g(FLock);
        if (Drop) FStop = true;
        Terminate();
        FWake.notify_all();
    }
    size_t QueueCount() {
        std::lock_guard<std::mutex> g(FLock);
        return FQueue.size();
    }

protected:
    void Execute() override;

private:
    enum TStepResult { srSignaled, srTimeout, srStopped };

    bool Stopped() const { return FStop.load(); }
    void Idle(Cardinal Ms) {
        std::unique_lock<std::mutex> g(FLock);
        FWake.wait_for(g, std::chrono::milliseconds(Ms), [&] { return FStop.load() || Terminated() || !FQueue.empty(); });
    }
    std::unique_ptr<TFBTraceObject> PopFirst() {
        std::lock_guard<std::mutex> g(FLock);
        if (FQueue.empty()) return nullptr;
        auto r = std::move(FQueue.front());
        FQueue.pop_front();
        return r;
    }
    bool QueueEmpty() {
        std::lock_guard<std::mutex> g(FLock);
        return FQueue.empty();
    }
    void ClearQueue() {
        std::lock_guard<std::mutex> g(FLock);
        FQueue.clear();
    }
    bool TakeMutex();
    TStepResult WaitStep(TNamedEvent* Event);
    void WriteRecord(const TFBTraceObject& Record);
    void EndOfWrite();

    TFBSQLMonitorHook* FHook;
    std::mutex FLock;
    std::condition_variable FWake;
    std::deque<std::unique_ptr<TFBTraceObject>> FQueue;
    std::atomic<bool> FStop{false};
};

void TMonitorWriterThread::Execute() {
    for (;;) {
        if (Stopped()) break;
        const bool empty = QueueEmpty();
        if ((Terminated() || ShuttingDown.load()) && empty) break;
        if (FHook->MonitorCount() == 0) {
            ClearQueue();
            if (Terminated() || ShuttingDown.load()) break;
            Idle(IdleWait);
        } else if (empty) {
            Idle(IdleWait);
        } else if (!GetMonitoringEnabled()) {
            // Switched off: the record goes unseen. No handshake, which
            // would hand the monitors the previous chunk a second time.
            PopFirst();
        } else {
            auto record = PopFirst();
            if (record) WriteRecord(*record);
        }
    }
}

// The mutex in steps, so that a monitor hanging on to it cannot hold up the program's end.
bool TMonitorWriterThread::TakeMutex() {
    for (;;) {
        TWaitResult r = FHook->FMutex->Acquire(StopCheckStep);
        if (r == wrSignaled || r == wrAbandoned) return true;
        if (r == wrError || Stopped()) return false;
    }
}

// One answer period of a monitor, looking at the stop flag meanwhile.
TMonitorWriterThread::TStepResult TMonitorWriterThread::WaitStep(TNamedEvent* Event) {
    Cardinal waited = 0;
    for (;;) {
        Cardinal slice = std::min(StopCheckStep, FHook->FAnswerTimeout - waited);
        if (Event->WaitFor(slice) == wrSignaled) return srSignaled;
        waited += slice;
        if (Stopped()) return srStopped;
        if (waited >= FHook->FAnswerTimeout) return srTimeout;
    }
}

void TMonitorWriterThread::WriteRecord(const TFBTraceObject& Record) {
    if (!TakeMutex()) return;
    if (FHook->MonitorCount() > 0) {
        const AnsiString text = EscapeMonitorText(Record.FMsg);
        char* block = FHook->Block();
        for (size_t pos = 0; pos < text.size(); pos += MonitorChunkSize) {
            if (Stopped() || FHook->MonitorCount() == 0) break;
            const size_t len = std::min<size_t>(MonitorChunkSize, text.size() - pos);
            const Integer category = Record.FDataType;
            const Integer length = static_cast<Integer>(len);
            std::memcpy(block + MonitorCategoryOffset, &category, 4);
            std::memcpy(block + MonitorTimeStampOffset, &Record.FTimeStamp, 8);
            std::memcpy(block + MonitorLengthOffset, &length, 4);
            std::memcpy(block, text.data() + pos, len);
            EndOfWrite();
        }
    }
    FHook->FMutex->Release();
}

// The handshake of one chunk; runs with the mutex held and leaves it held.
void TMonitorWriterThread::EndOfWrite() {
    std::atomic_ref<Integer> monitors(FHook->Shared(MonitorMonitorCountOffset));
    std::atomic_ref<Integer> readers(FHook->Shared(MonitorReaderCountOffset));
    bool stopped = false;
    // 1. every monitor ready to read
    for (;;) {
        TStepResult r = WaitStep(FHook->FReadEvent.get());
        if (r == srSignaled) break;
        if (r == srStopped) { stopped = true; break; }
        Integer m = monitors.load();
        while (m > 0 && !monitors.compare_exchange_weak(m, m - 1)) {}
        m = monitors.load();
        if (m <= 0 || readers.load() >= m) FHook->FReadEvent->SetEvent();
    }
    if (!stopped) {
        // 2. hand the chunk over. ReadEvent is reset here so that the next
        // chunk waits for fresh answers.
        FHook->FWriteFinishedEvent->ResetEvent();
        FHook->FReadFinishedEvent->ResetEvent();
        FHook->FReadEvent->ResetEvent();
        FHook->FWriteEvent->SetEvent();
        // 3. every monitor done reading
        for (;;) {
            TStepResult r = WaitStep(FHook->FReadFinishedEvent.get());
            if (r != srTimeout) break;
            Integer n = readers.load();
            bool done = n <= 0;
            while (!done && !readers.compare_exchange_weak(n, n - 1)) done = n <= 0;
            if (done || n - 1 <= 0) FHook->FReadFinishedEvent->SetEvent();
        }
    }
    // 4. end of the chunk
    FHook->FWriteEvent->ResetEvent();
    FHook->FWriteFinishedEvent->SetEvent();
}

// ---- hook

TFBSQLMonitorHook::TFBSQLMonitorHook(const AnsiString& ChannelPrefix, Cardinal AnswerTimeout)
    : FChannelPrefix(ChannelPrefix), FAnswerTimeout(AnswerTimeout == 0 ? 1 : AnswerTimeout) {
    CreateSharedObjects();
}

TFBSQLMonitorHook::~TFBSQLMonitorHook() {
    StopWriter(true);
}

void TFBSQLMonitorHook::CreateSharedObjects() {
    if (FSharedReady) return;
    try {
        const AnsiString& p = FChannelPrefix;
        FMutex = std::make_unique<TNamedMutex>(p + MonitorObjectNames[MonitorMutexIndex]);
        FBuffer = std::make_unique<TSharedMemory>(p + MonitorObjectNames[MonitorSharedMemIndex], MonitorBufferSize);
        FWriteEvent = std::make_unique<TNamedEvent>(p + MonitorObjectNames[MonitorWriteEventIndex], true, false);
        FWriteFinishedEvent =
            std::make_unique<TNamedEvent>(p + MonitorObjectNames[MonitorWriteFinishedEventIndex], true, true);
        FReadEvent = std::make_unique<TNamedEvent>(p + MonitorObjectNames[MonitorReadEventIndex], true, false);
        FReadFinishedEvent =
            std::make_unique<TNamedEvent>(p + MonitorObjectNames[MonitorReadFinishedEventIndex], true, false);
    } catch (const ESharedObjectError& e) {
        FMutex.reset();
        FBuffer.reset();
        FWriteEvent.reset();
        FWriteFinishedEvent.reset();
        FReadEvent.reset();
        FReadFinishedEvent.reset();
        FBError(54, {e.ErrorCode()});
    }
    if (!FBuffer->Existed()) {
        // A new block: events left over from an earlier run start afresh too.
        FWriteEvent->ResetEvent();
        FWriteFinishedEvent->SetEvent();
        FReadEvent->ResetEvent();
        FReadFinishedEvent->ResetEvent();
    }
    for (Integer off : {MonitorMonitorCountOffset, MonitorReaderCountOffset}) {
        std::atomic_ref<Integer> c(Shared(off));
        Integer v = c.load();
        while (v < 0 && !c.compare_exchange_weak(v, 0)) {}
    }
    FSharedReady = true;
}

char* TFBSQLMonitorHook::Block() const {
    return static_cast<char*>(FBuffer->Memory());
}

Integer& TFBSQLMonitorHook::Shared(Integer Offset) const {
    return *reinterpret_cast<Integer*>(Block() + Offset);
}

Integer TFBSQLMonitorHook::MonitorCount() const {
    return FSharedReady ? std::atomic_ref<Integer>(Shared(MonitorMonitorCountOffset)).load() : 0;
}

Integer TFBSQLMonitorHook::ReaderCount() const {
    return FSharedReady ? std::atomic_ref<Integer>(Shared(MonitorReaderCountOffset)).load() : 0;
}

bool TFBSQLMonitorHook::Tracing(Integer Category) const {
    if (!FEnabled || !GetMonitoringEnabled() || !FSharedReady || MonitorCount() <= 0) return false;
    if (Category < 0 || Category > tcService) return false;
    if (Category == tcService) return true;
    return std::atomic_ref<Integer>(Shared(MonitorListenerOffset(Category))).load() > 0;
}

void TFBSQLMonitorHook::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    if (!Value) StopWriter(false);
}

bool TFBSQLMonitorHook::WriterRunning() const {
    std::lock_guard<std::mutex> g(FWriterLock);
    return FWriter != nullptr;
}

void TFBSQLMonitorHook::StopWriter(bool DropQueued) {
    std::unique_ptr<TMonitorWriterThread> w;
    {
        std::lock_guard<std::mutex> g(FWriterLock);
        w = std::move(FWriter);
    }
    if (!w) return;
    w->Stop(DropQueued);
    w->WaitFor();
}

void TFBSQLMonitorHook::WriteSQLData(const AnsiString& Text, Integer DataType) {
    CreateSharedObjects();
    static const AnsiString appName = ApplicationName();
    AnsiString msg = "\r\n[Application: " + appName + "]\r\n" + Text;
    std::unique_ptr<TMonitorWriterThread> idle;
    {
        std::lock_guard<std::mutex> g(FWriterLock);
        if (!FWriter) FWriter = std::make_unique<TMonitorWriterThread>(this);
        if (MonitorCount() != 0)
            FWriter->Enqueue(std::make_unique<TFBTraceObject>(msg, static_cast<Byte>(DataType)));
        else
            idle = std::move(FWriter);
    }
    if (idle) {   // nobody listens: no thread kept
        idle->Stop(false);
        idle->WaitFor();
    }
}

// ---- slots

void TFBSQLMonitorHook::SQLPrepare(TFBQuery* Query) {
    if (!Tracing(tcPrepare)) return;
    AnsiString plan;
    try {
        plan = "  Plan: " + Query->Plan();
    } catch (...) {
        plan = "  Plan: Can't retrieve plan ";
    }
    WriteSQLData(StatementName(Query) + ": [Prepare] " + SQLLines(Query) + "\r\n" + plan, tcPrepare);
}

void TFBSQLMonitorHook::SQLExecute(TFBQuery* Query) {
    if (!Tracing(tcExecute)) return;
    AnsiString s = OwnedByDataSet(Query) ? Query->Owner()->Name() + "." + Query->Name() : Query->Name();
    s += ": [Execute] " + SQLLines(Query);
    TFBXSQLDA* params = Query->Params();
    for (Integer i = 0; params && i < params->Count(); ++i) {
        TFBXSQLVAR* v = params->Vars(i);
        s += "\r\n  " + v->Name() + " = " + ParamText(v);
    }
    const Integer type = Query->SQLType();
    if (type == SQLInsert || type == SQLUpdate || type == SQLDelete) {
        AnsiString rows;
        try {
            rows = IntToStr(Query->RowsAffected());
        } catch (...) {
            rows = "<Can't print value>";
        }
        s += "\r\nRows Affected:  " + rows;
    }
    s += "\r\nExecute tick count " + IntToStr(Query->ExecutionTime());
    WriteSQLData(s, tcExecute);
}

void TFBSQLMonitorHook::SQLFetch(TFBQuery* Query) {
    if (!Tracing(tcFetch)) return;
    AnsiString s = "\r\n" + StatementName(Query) + ": [Fetch] " + SQLLines(Query);
    TFBXSQLDA* cols = Query->Current();
    for (Integer i = 0; cols && i < cols->Count(); ++i) {
        TFBXSQLVAR* v = cols->Vars(i);
        s += v->Name() + " = " + ColumnText(v) + "\r\n";
    }
    if (Query->Eof()) s += "\r\n  End of file reached";
    WriteSQLData(s, tcFetch);
}

void TFBSQLMonitorHook::DBConnect(TFBDatabase* Database) {
    if (Tracing(tcConnect)) WriteSQLData(Database->Name() + ": [Connect]", tcConnect);
}

void TFBSQLMonitorHook::DBDisconnect(TFBDatabase* Database) {
    if (Tracing(tcConnect)) WriteSQLData(Database->Name() + ": [Disconnect]", tcConnect);
}

namespace {
bool TraceTransaction(const TFBSQLMonitorHook& Hook, TFBTransaction* Transaction) {
    return Hook.Tracing(tcTransact) && Transaction->DefaultDatabase() != nullptr;
}
}  // namespace

void TFBSQLMonitorHook::TRStart(TFBTransaction* Transaction) {
    if (TraceTransaction(*this, Transaction))
        WriteSQLData(TransactionText(Transaction, ": [Start transaction]("), tcTransact);
}

void TFBSQLMonitorHook::TRCommit(TFBTransaction* Transaction) {
    if (TraceTransaction(*this, Transaction))
        WriteSQLData(TransactionText(Transaction, ": [Commit (Hard commit)]("), tcTransact);
}

void TFBSQLMonitorHook::TRCommitRetaining(TFBTransaction* Transaction) {
    if (TraceTransaction(*this, Transaction))
        WriteSQLData(TransactionText(Transaction, ": [Commit retaining (Soft commit)]("), tcTransact);
}

void TFBSQLMonitorHook::TRRollback(TFBTransaction* Transaction) {
    if (TraceTransaction(*this, Transaction))
        WriteSQLData(TransactionText(Transaction, ": [Rollback]("), tcTransact);
}

void TFBSQLMonitorHook::TRRollbackRetaining(TFBTransaction* Transaction) {
    if (TraceTransaction(*this, Transaction))
        WriteSQLData(TransactionText(Transaction, ": [Rollback retaining (Soft rollback)]("), tcTransact);
}

void TFBSQLMonitorHook::TRSavepoint(TFBTransaction* Transaction, const AnsiString& SavepointName, Integer Operation) {
    if (!TraceTransaction(*this, Transaction)) return;
    static const char* const Ops[3] = {" [SetSavePoint(", " [RollBackToSavePoint(", " [ReleaseSavePoint("};
    const char* op = Ops[Operation >= 0 && Operation <= 2 ? Operation : 0];
    WriteSQLData(Transaction->Name() + ": Transaction(" + IntToStr(Transaction->GetTransactionID()) + ") -" + op +
                     "\"" + SavepointName + "\")]",
                 tcTransact);
}

void TFBSQLMonitorHook::ServiceAttach(TComponent* Service) {
    if (Tracing(tcService)) WriteSQLData(Service->Name() + ": [Attach]", tcService);
}

void TFBSQLMonitorHook::ServiceDetach(TComponent* Service) {
    if (Tracing(tcService)) WriteSQLData(Service->Name() + ": [Detach]", tcService);
}

void TFBSQLMonitorHook::ServiceQuery(TComponent* Service) {
    if (Tracing(tcService)) WriteSQLData(Service->Name() + ": [Query]", tcService);
}

void TFBSQLMonitorHook::ServiceStart(TComponent* Service) {
    if (Tracing(tcService)) WriteSQLData(Service->Name() + ": [Start]", tcService);
}

// ---- process-wide

namespace {

struct TMonitorGlobals {
    std::mutex Lock;
    std::atomic<TFBSQLMonitorHook*> Hook{nullptr};
    bool Failed = false;
    AnsiString Channel;
    // Unit finalisation: the program ends with the writer stopped.
    ~TMonitorGlobals() { Shutdown(); }
    void Shutdown() {
        if (ShuttingDown.exchange(true)) return;
        std::lock_guard<std::mutex> lock(Lock);
        delete Hook.exchange(nullptr);
    }
};

TMonitorGlobals& Globals() {
    static TMonitorGlobals g;
    return g;
}

}  // namespace

TFBSQLMonitorHook* GetSQLMonitorHook() {
    if (ShuttingDown.load()) return nullptr;
    TMonitorGlobals& g = Globals();
    TFBSQLMonitorHook* h = g.Hook.load(std::memory_order_acquire);
    if (h) return h;
    std::lock_guard<std::mutex> lock(g.Lock);
    if (ShuttingDown.load()) return nullptr;
    h = g.Hook.load();
    if (!h && !g.Failed) {
        try {
            h = new TFBSQLMonitorHook(g.Channel);
            g.Hook.store(h, std::memory_order_release);
        } catch (const Exception&) {
            g.Failed = true;   // no tracing, but the database work goes on
        }
    }
    return h;
}

TFBSQLMonitorHook* ExistingSQLMonitorHook() {
    if (ShuttingDown.load()) return nullptr;
    return Globals().Hook.load(std::memory_order_acquire);
}

bool GetMonitoringEnabled() { return MonitoringEnabled.load(); }

void SetMonitoringEnabled(bool Value) { MonitoringEnabled.store(Value); }

void SetSQLMonitorChannel(const AnsiString& ChannelPrefix) {
    TMonitorGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.Lock);
    g.Channel = ChannelPrefix;
    g.Failed = false;
}

void ShutdownSQLMonitor() {
    Globals().Shutdown();
}
