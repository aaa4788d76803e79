#pragma once
// Errors of the database layer: the per-thread status vector, the message
// table, the exception classes and how a client status vector becomes text.
#include <utility>
#include <vector>

#include "dbclient/IB_Intf.h"
#include "platform/data/DB.h"
#include "platform/rtl/SysUtils.h"

// Base of the layer's errors. The message starts with the sender's full
// component name, ":" and CR LF when the sender is a component.
class EFBError : public EDatabaseError {
public:
    EFBError(Integer ASQLCode, const AnsiString& Msg, TObject* ASender);

    Integer SQLCode() const { return FSQLCode; }
    Integer IBErrorCode() const { return FIBErrorCode; }
    const AnsiString& SQLMessage() const { return FSQLMessage; }
    const AnsiString& IBMessage() const { return FIBMessage; }
    TObject* Sender() const { return FSender; }

protected:
    Integer FSQLCode = 0;
    Integer FIBErrorCode = 0;
    AnsiString FSQLMessage;
    AnsiString FIBMessage;
    TObject* FSender = nullptr;   // not owned
};

// An error reported by the client library.
class EFBInterBaseError : public EFBError {
public:
    EFBInterBaseError(Integer ASQLCode, TObject* ASender, const AnsiString& ASQLMessage,
                      const AnsiString& AIBMessage);
};

// An error found by the layer itself: SQLCode is the message-table index, -1 for free text.
class EFBClientError : public EFBError {
public:
    using EFBError::EFBError;
};

// Offered every client error before it is raised; clearing RaiseError vetoes the raise.
class TIBErrorHandler : public TObject {
public:
    virtual void OnIBError(TObject* Sender, EFBInterBaseError& E, bool& RaiseError) = 0;
};
extern TIBErrorHandler* ErrorHandlerHook;

constexpr Integer FBMessageCount = 78;
// Entry Index of the message table (0..77).
const char* FBErrorMessage(Integer Index);

// Raises EFBClientError with table entry Index formatted with Args (low 7 bits of Index used).
[[noreturn]] void FBError(Integer Index, std::initializer_list<TVarRec> Args = {});
// Raises EFBClientError with the formatted free text and SQLCode -1.
[[noreturn]] void FBErrorFmt(const AnsiString& Fmt, std::initializer_list<TVarRec> Args = {});

// An error handler's retry: what the statement or data set runs on (its
// transactions, its database) is watched across the handler. A retry left
// without one because the handler freed it would fail again and again; it
// stops with an error naming what is gone.
class TRetryWatch {
public:
    struct TPart {
        const TObject* Object;
        const char* What;   // "transaction", "database"
    };
    TRetryWatch(const AnsiString& Name, const char* Event, std::initializer_list<TPart> Parts);
    // Now: the same parts as the statement or data set holds them after the handler.
    void Check(std::initializer_list<const TObject*> Now) const;

private:
    AnsiString FName;
    const char* FEvent;
    std::vector<std::pair<TAliveGuard, const char*>> FParts;
};

// Builds EFBInterBaseError from the calling thread's status vector and raises
// it; returns only when the error handler hook vetoes the raise.
void IBError(const IIBClientLibrary* ClientLibrary, TObject* Sender);

// The calling thread's status vector.
ISC_STATUS* StatusVector();
// True when the status vector holds one of Codes as an error code or number.
bool CheckStatusVector(std::initializer_list<ISC_STATUS> Codes);

// Option bits: 4 = add the SQL message, 2 = add the client's message lines.
Byte GetIBDataBaseErrorMessages();

// Allocates or grows Buffer to NewSize bytes; bytes from OldSize on are zeroed.
void IBAlloc(void*& Buffer, Integer OldSize, Integer NewSize);
