#pragma once
// The application's connection: registry aliases, a before-connect veto,
// automatic loading and saving of the local metadata caches, handling of a
// lost connection with an optional reconnect timer, and events around the
// start and end of its transactions.
#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBTransaction.h"

class TFBTimer;

// What to do when the connection turns out to be lost.
enum TOnLostConnectActions { laTerminateApp, laCloseConnect, laIgnore, laWaitRestore };

using TFBLoginEvent = std::function<void(TFBDatabase* Database, TStrings* LoginParams, bool& DoConnect)>;
using TFBLostConnectEvent =
    std::function<void(TFBDatabase* Database, const EFBError& E, TOnLostConnectActions& Actions)>;
using TFBRestoreConnectEvent = std::function<void(TFBDatabase* Database)>;
using TFBAcceptCacheSchemaEvent = std::function<void(const AnsiString& ObjName, bool& Accept)>;

// Where the aliases live in the settings store.
inline constexpr const char* AliasesKey = "Software\\KADRIX_Software\\Aliases";

// How a lost connection reaches the application, which this layer cannot see:
// LostConnectQuit asks the program to end with the exit code (it decides
// whether its terminate procedures allow it); LostConnectMessage shows an
// error text in a message box. The program start installs both; unset, the
// quit does nothing and the message goes to standard error.
extern std::function<void(Integer ExitCode)> LostConnectQuit;
extern std::function<void(const AnsiString& Text)> LostConnectMessage;

class TpFBDatabase : public TFBDatabase {
public:
    explicit TpFBDatabase(TComponent* AOwner);
    ~TpFBDatabase() override;

    TCacheSchemaOptions* CacheSchemaOptions() const { return FCacheSchemaOptions.get(); }
    const AnsiString& AliasName() const { return FAliasName; }
    // Error 13 while connected (not while loading); a non-empty name reads the alias.
    void SetAliasName(const AnsiString& Value);
    // The restore timer's interval; 0 while there is no timer.
    Cardinal WaitForRestoreConnect() const;
    // Non-zero creates the (disabled) timer when needed and sets its interval; 0 frees it.
    void SetWaitForRestoreConnect(Cardinal Value);
    bool SaveAliasParamsAfterConnect() const { return FSaveAliasParamsAfterConnect; }
    void SetSaveAliasParamsAfterConnect(bool Value) { FSaveAliasParamsAfterConnect = Value; }
    // The property's name in earlier releases.
    void SetSaveDBParams(bool Value) { FSaveAliasParamsAfterConnect = Value; }
    AnsiString About() const { return "6.1.0 Release"; }
    // Whether the restore timer exists and runs.
    bool RestoreTimerEnabled() const;

    TFBLoginEvent BeforeConnect;
    TFBLoginEvent& OnLogin = BeforeConnect;
    TNotifyEvent& AfterConnect = OnConnect;
    TFBLostConnectEvent OnLostConnect;
    TFBLostConnectEvent OnErrorRestoreConnect;
    TFBRestoreConnectEvent AfterRestoreConnect;
    TNotifyEvent BeforeStartTransaction;   // sender: the transaction
    TNotifyEvent AfterStartTransaction;
    TEndTrEvent BeforeEndTransaction;
    TEndTrEvent AfterEndTransaction;
    TFBAcceptCacheSchemaEvent OnAcceptCacheSchema;

    // Does nothing when connected; BeforeConnect may veto the attach.
    void Open() override;

    // False when not connected; when the server no longer answers, runs
    // DoLostConnect with Action and returns false.
    bool TestConnected(TOnLostConnectActions Action);
    // Reads the alias's values into DBName, the parameter lines and the
    // dialect; true when the alias and its "Database Name" exist.
    virtual bool ReadAliasParams();
    // Writes DBName, user_name, lc_ctype, sql_role_name and the dialect under
    // the alias (never the password).
    void SaveAliasParams();
    // Forgets the attachment, its statements and transactions without server calls.
    void CloseAllAfterLost();

    void DoBeforeStartTransaction(TObject* Transaction) override;
    void DoAfterStartTransaction(TObject* Transaction) override;
    void DoBeforeEndTransaction(TObject* Transaction, TTransactionAction Action, bool Force) override;
    void DoAfterEndTransaction(TObject* Transaction, TTransactionAction Action, bool Force) override;

protected:
    void InternalClose(bool Force) override;
    virtual void DoLostConnect(const EFBError& E, TOnLostConnectActions& Actions);
    virtual void DoOnErrorRestoreConnect(const EFBError& E, TOnLostConnectActions& Actions);
    virtual void DoAfterRestoreConnect();
    virtual void DoSaveAliasParams();

private:
    void RestoreTimerTick(TObject* Sender);
    static void Quit();

    std::unique_ptr<TCacheSchemaOptions> FCacheSchemaOptions;
    AnsiString FAliasName;
    bool FSaveAliasParamsAfterConnect = true;
    TFBTimer* FRestoreTimer = nullptr;   // owned
};
