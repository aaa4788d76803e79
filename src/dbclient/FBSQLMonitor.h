#pragma once
// The SQL monitor: traces of prepares, executions, fetches, connects and
// transaction ends go to monitor programs on the same machine through a
// shared-memory channel. While no monitor is attached a trace point costs one
// read of a shared count and builds no text.
//
// How the layer reports: at each traced point a component asks
//   if (TFBSQLMonitorHook* h = GetSQLMonitorHook()) h->SQLExecute(this);
// (nil once the program is shutting down or when the channel cannot be made).
// Free texts (a failed prepare or execute) go through
//   if (h->Tracing(tcExecute)) h->WriteSQLData(Text, tcExecute);
//
// The channel (names below, each with the channel prefix in front, as POSIX
// objects "/<prefix>FB.SQL.MONITOR.<kind>"): a mutex, a 2048-byte block and
// four manual-reset events. A monitor program
//   - attaches under the mutex: monitor count + 1 and + 1 on the listener
//     count of each category it wants; detaches with the matching decrements;
//   - per chunk: waits for WriteFinishedEvent, adds 1 to the reader count and
//     sets ReadEvent when the reader count has reached the monitor count;
//     waits for WriteEvent, reads category, time stamp, length and text;
//     subtracts 1 from the reader count and sets ReadFinishedEvent when it
//     reaches 0; then waits for WriteFinishedEvent again before the next chunk.
// The writer holds the mutex for the whole record, so the chunks of one
// record arrive together. A monitor that does not answer within the answer
// time is dropped from the counts.
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/rtl/Classes.h"

class TFBQuery;
class TFBDatabase;
class TFBTransaction;
class TSharedMemory;
class TNamedMutex;
class TNamedEvent;
class TMonitorWriterThread;

// Trace categories.
enum : Integer {
    tcPrepare = 0,
    tcExecute = 1,
    tcFetch = 2,
    tcConnect = 3,
    tcTransact = 4,
    tcService = 5
};

// Kernel object indexes and their names.
enum : Integer {
    MonitorMutexIndex = 0,
    MonitorSharedMemIndex = 1,
    MonitorWriteEventIndex = 2,
    MonitorWriteFinishedEventIndex = 3,
    MonitorReadEventIndex = 4,
    MonitorReadFinishedEventIndex = 5
};
extern const char* const MonitorObjectNames[6];

// Layout of the shared block (little-endian).
constexpr Integer MonitorBufferSize = 2048;
constexpr Integer MonitorChunkSize = 2002;
constexpr Integer MonitorTimeStampOffset = 2004;     // double, days since 1899-12-30
constexpr Integer MonitorListenerOffset(Integer Category) { return 2028 - 4 * Category; }   // categories 0..4
constexpr Integer MonitorLengthOffset = 2032;
constexpr Integer MonitorCategoryOffset = 2036;
constexpr Integer MonitorReaderCountOffset = 2040;
constexpr Integer MonitorMonitorCountOffset = 2044;

// One queued trace record.
class TFBTraceObject : public TObject {
public:
    TFBTraceObject(const AnsiString& Text, Byte DataType);   // time stamp: Now
    AnsiString FMsg;
    Byte FDataType;
    Double FTimeStamp;
};

// The text a monitor receives: bytes 0..8, 11, 12 and 14..31 as "#$" and two
// upper-case hex digits; tab, line feed and carriage return stay.
AnsiString EscapeMonitorText(const AnsiString& Text);

class TFBSQLMonitorHook : public TObject {
public:
    // Opens the channel's objects, or creates them when this is the first
    // process. ChannelPrefix goes before every object name (empty: the
    // standard channel). AnswerTimeout is the step of the handshake waits.
    // Error 54 when an object can be neither created nor opened.
    explicit TFBSQLMonitorHook(const AnsiString& ChannelPrefix = AnsiString(), Cardinal AnswerTimeout = 1000);
    ~TFBSQLMonitorHook() override;   // drops what is still queued, stops the writer

    bool Enabled() const { return FEnabled; }
    // False also lets the writer hand over what is queued, then stops it.
    void SetEnabled(bool Value);
    bool SharedReady() const { return FSharedReady; }
    const AnsiString& ChannelPrefix() const { return FChannelPrefix; }

    virtual void SQLPrepare(TFBQuery* Query);
    virtual void SQLExecute(TFBQuery* Query);
    virtual void SQLFetch(TFBQuery* Query);
    virtual void DBConnect(TFBDatabase* Database);
    virtual void DBDisconnect(TFBDatabase* Database);
    virtual void TRStart(TFBTransaction* Transaction);
    virtual void TRCommit(TFBTransaction* Transaction);
    // Operation: 0 set, 1 roll back to, 2 release.
    virtual void TRSavepoint(TFBTransaction* Transaction, const AnsiString& SavepointName, Integer Operation);
    virtual void TRCommitRetaining(TFBTransaction* Transaction);
    virtual void TRRollback(TFBTransaction* Transaction);
    virtual void TRRollbackRetaining(TFBTransaction* Transaction);
    virtual void ServiceAttach(TComponent* Service);
    virtual void ServiceDetach(TComponent* Service);
    virtual void ServiceQuery(TComponent* Service);
    virtual void ServiceStart(TComponent* Service);

    // True when a trace of Category would reach a monitor now.
    bool Tracing(Integer Category) const;
    // Queues Text (after the application line) while a monitor is attached.
    void WriteSQLData(const AnsiString& Text, Integer DataType);

    bool WriterRunning() const;
    Integer MonitorCount() const;
    Integer ReaderCount() const;

private:
    friend class TMonitorWriterThread;
    void CreateSharedObjects();
    void StopWriter(bool DropQueued);
    Integer& Shared(Integer Offset) const;
    char* Block() const;

    AnsiString FChannelPrefix;
    Cardinal FAnswerTimeout;
    std::atomic<bool> FEnabled{true};
    bool FSharedReady = false;
    std::unique_ptr<TNamedMutex> FMutex;
    std::unique_ptr<TSharedMemory> FBuffer;
    std::unique_ptr<TNamedEvent> FWriteEvent;
    std::unique_ptr<TNamedEvent> FWriteFinishedEvent;
    std::unique_ptr<TNamedEvent> FReadEvent;
    std::unique_ptr<TNamedEvent> FReadFinishedEvent;
    mutable std::mutex FWriterLock;
    std::unique_ptr<TMonitorWriterThread> FWriter;
};

// The process-wide hook: made on the first call; nil once ShutdownSQLMonitor
// has run, and nil when the channel cannot be made.
TFBSQLMonitorHook* GetSQLMonitorHook();
// The process-wide hook when it has been made already; never makes it.
TFBSQLMonitorHook* ExistingSQLMonitorHook();
// The monitoring switch (on at start).
bool GetMonitoringEnabled();
void SetMonitoringEnabled(bool Value);
// Channel prefix of the process-wide hook; takes effect for a hook made later.
void SetSQLMonitorChannel(const AnsiString& ChannelPrefix);
// Program end: queued texts are dropped, the writer stopped, the hook freed.
// Runs by itself at exit; later calls do nothing.
void ShutdownSQLMonitor();
