#include "dbclient/FBMessages.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "dbclient/StdFuncs.h"

namespace {

const char* const MessageTable[FBMessageCount] = {
    "Unknown error.",
    "Unsupported feature.",
    "Not permitted.",
    "Temporary file access error.",
    "Database connection timed out.",
    "Cannot set database.",
    "Cannot set transaction.",
    "Operation cancelled at user's request.",
    "DPB Constant (isc_dpb_%s) is unsupported.",
    "DPB Constant (%s) is unknown.",
    "TPB Constant (isc_tpb_%s) is unsupported.",
    "TPB Constant (%s) is unknown.",
    "%s: Cannot perform operation -- DB is not open.",
    "Cannot perform operation -- DB is currently open.",
    "Database name is missing.",
    "%s :Transaction is not active.",
    "%s :Transaction is active.",
    "Timeout values cannot be negative.",
    "%s :No databases are listed in transaction component.",
    "%s :Updating wrong database.",
    "%s :Updating wrong transaction.",
    "Database not assigned for %s.",
    "Transaction not assigned for %s.",
    "XSQLDA index out of range.",
    "XSQLDA name does not exist (%s).",
    "End of file.",
    "Beginning of file.",
    "%s:Invalid statement handle.",
    "Can't %s because %s dataset open.",
    "Can't %s because %s dataset closed.",
    "Unknown SQL Data type (%d).",
    "Invalid column index (index exceeds permitted range).",
    "Invalid parameter index (index exceeds permitted range).",
    "Invalid data conversion.",
    "Column cannot be set to null (%s)",
    "Blob stream cannot be read.",
    "Blob stream cannot be written.",
    "Can't %s , because  query is empty",
    "Can't \"open\" a non-select statement. Use ExecQuery.",
    "No access to field \"%s\".",
    "Field \"%s\" is read-only.",
    "Field \"%s\" not found.",
    "DataSet not in Edit or Insert mode.(%s)",
    "Not editing.",
    "Can't insert into dataset. (%s)",
    "Can't post. (%s) ",
    "Can't update. (%s)",
    "Can't delete from dataset. (%s)",
    "Can't refresh row. (%s)",
    "Buffer not set.",
    "Circular references not permitted.(%s)",
    "SQL Parse Error in :%s \r\n\r\n%s",
    "User abort.",
    "Data set is uni-directional.",
    "Cannot create shared resource. (Windows error %d)",
    "Windows API error. (Windows error %d [$%.8x])",
    "Column lists do not match.",
    "Column types don't match. (From index: %d, To index: %d)",
    "Can't end a shared transaction unless it is forced and equal to the transaction's TimeoutAction.",
    "Column types \"%s\" is not array field",
    "Dimension %d don't exist in \"%s\" ",
    "SQL Dialect invalid",
    "InterBase library gds32.dll not found in the path. Please install InterBase to use this functionality",
    "%s is an InterBase6 function. Please upgrade to InterBase6 to use this functonality",
    "InterBase Install DLL ibinstall.dll not found in the path. Please install InterBase 6 to use this functionality",
    "Cannot perform operation -- service is not attached",
    "Cannot perform operation -- service is attached",
    "Server Name Missing",
    "Query Parameters missing or incorrect",
    "Start Parameters missing or incorrect",
    "Unexpected Output buffer value",
    "Generic ServiceStart not applicable: Use Specific Procedures to set configuration params",
    "SPB Constant Not supported",
    "SPB Constant Unknown",
    "Field Size too small. Field %s.%s",
    "%s. Can't use limited cache. \r\n"
    "CachedUpdates must be False,\r\n"
    "Select must have \"Order by\" clause ,\r\n"
    "All order fields must exist in fields section\r\n"
    "Select can't use params with prefix \"NEW_\"\r\n"
    "UpdateTransaction must be equel Transaction or AutoCommit=True ",
    "Error in %s. FieldList is empty.",
    "%s can't use field \"%s\"",
};

thread_local ISC_STATUS_ARRAY ThreadStatus = {};

std::mutex MessageOptionLock;
Byte MessageOption = 6;

AnsiString PrefixSender(TObject* Sender, const AnsiString& Msg) {
    if (auto* c = dynamic_cast<TComponent*>(Sender)) return CmpFullName(c) + ":\r\n" + Msg;
    return Msg;
}

AnsiString TextUpToZero(const char* Buffer) { return AnsiString(Buffer, strnlen(Buffer, 20480)); }

}  // namespace

TIBErrorHandler* ErrorHandlerHook = nullptr;

EFBError::EFBError(Integer ASQLCode, const AnsiString& Msg, TObject* ASender)
    : EDatabaseError(PrefixSender(ASender, Msg)),
      FSQLCode(ASQLCode),
      FIBErrorCode(static_cast<Integer>(ThreadStatus[1])),
      FSender(ASender) {}

EFBInterBaseError::EFBInterBaseError(Integer ASQLCode, TObject* ASender, const AnsiString& ASQLMessage,
                                     const AnsiString& AIBMessage)
    : EFBError(ASQLCode, ASQLMessage + AIBMessage, ASender) {
    FSQLMessage = ASQLMessage;
    FIBMessage = AIBMessage;
}

const char* FBErrorMessage(Integer Index) {
    Index &= 0x7F;
    return Index < FBMessageCount ? MessageTable[Index] : MessageTable[0];
}

void FBError(Integer Index, std::initializer_list<TVarRec> Args) {
    Integer i = Index & 0x7F;
    throw EFBClientError(i, Format(FBErrorMessage(i), Args), nullptr);
}

void FBErrorFmt(const AnsiString& Fmt, std::initializer_list<TVarRec> Args) {
    throw EFBClientError(-1, Format(Fmt, Args), nullptr);
}

ISC_STATUS* StatusVector() { return ThreadStatus; }

Byte GetIBDataBaseErrorMessages() {
    std::lock_guard<std::mutex> guard(MessageOptionLock);
    return MessageOption;
}

void IBError(const IIBClientLibrary* ClientLibrary, TObject* Sender) {
    const ISC_STATUS* status = StatusVector();
    Byte option = GetIBDataBaseErrorMessages();
    Integer sqlCode = ClientLibrary->isc_sqlcode(status);
    AnsiString sqlMessage, ibMessage;
    std::string buffer(20480, '\0');
    if (option & 4) {
        ClientLibrary->isc_sql_interprete(static_cast<short>(sqlCode), buffer.data(), 512);
        sqlMessage = TextUpToZero(buffer.data());
        if (!sqlMessage.empty() && sqlMessage.back() != '.') sqlMessage += '.';
    }
    if (option & 2) {
        const ISC_STATUS* p = status;
        const bool sized = ClientLibrary->Bound(IIBClientLibrary::EP_fb_interpret);
        for (;;) {
            buffer.assign(buffer.size(), '\0');
            ISC_LONG n = sized ? ClientLibrary->fb_interpret(buffer.data(), static_cast<unsigned>(buffer.size()), &p)
                               : ClientLibrary->isc_interprete(buffer.data(), const_cast<ISC_STATUS**>(&p));
            if (n <= 0) break;
            AnsiString line = TextUpToZero(buffer.data());
            if (line.empty()) continue;
            ibMessage += line;
            if (ibMessage.back() != '.') ibMessage += '.';
            ibMessage += "\r\n";
        }
    }
    EFBInterBaseError e(sqlCode, Sender, sqlMessage, ibMessage);
    bool raiseError = true;
    if (ErrorHandlerHook) ErrorHandlerHook->OnIBError(Sender, e, raiseError);
    if (raiseError) throw e;
}

bool CheckStatusVector(std::initializer_list<ISC_STATUS> Codes) {
    const ISC_STATUS* p = StatusVector();
    const ISC_STATUS* end = p + ISC_STATUS_LENGTH;
    while (p < end && *p != 0) {
        switch (*p) {
            case isc_arg_gds:
            case isc_arg_number:
                if (p + 1 < end)
                    for (ISC_STATUS c : Codes)
                        if (p[1] == c) return true;
                p += 2;
                break;
            case isc_arg_cstring:
                p += 3;
                break;
            default:
                p += 2;
        }
    }
    return false;
}

void IBAlloc(void*& Buffer, Integer OldSize, Integer NewSize) {
    void* p = Buffer ? std::realloc(Buffer, static_cast<size_t>(NewSize)) : std::malloc(static_cast<size_t>(NewSize));
    if (!p && NewSize > 0) throw EOutOfMemory(SOutOfMemory);
    // A fresh buffer has no old bytes to keep.
    Integer from = Buffer && OldSize > 0 ? OldSize : 0;
    Buffer = p;
    if (NewSize > from && p) std::memset(static_cast<char*>(p) + from, 0, static_cast<size_t>(NewSize - from));
}

TRetryWatch::TRetryWatch(const AnsiString& Name, const char* Event, std::initializer_list<TPart> Parts)
    : FName(Name), FEvent(Event) {
    // A part not held (null) is watched as one that cannot go.
    for (const TPart& P : Parts) FParts.emplace_back(TAliveGuard(P.Object), P.Object ? P.What : nullptr);
}

void TRetryWatch::Check(std::initializer_list<const TObject*> Now) const {
    auto now = Now.begin();
    for (const auto& [alive, what] : FParts) {
        // A freed part another took the place of is no obstacle.
        const TObject* holds = now != Now.end() ? *now++ : nullptr;
        if (what && alive.Gone() && !holds)
            FBErrorFmt("%s was not run again: its %s was freed by %s.", {FName, AnsiString(what), AnsiString(FEvent)});
    }
}
