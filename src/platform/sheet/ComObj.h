#pragma once
// Errors of the automation layer that stands in for the spreadsheet program.
#include "platform/rtl/SysUtils.h"

// Any failure of an automation call.
class EOleError : public Exception {
public:
    using Exception::Exception;
};

// A failure with a system result code (HRESULT-like value).
class EOleSysError : public EOleError {
public:
    EOleSysError(const AnsiString& Msg, Integer AErrorCode) : EOleError(Msg), ErrorCode(AErrorCode) {}
    Integer ErrorCode = 0;
};

// A failure reported by the automation server itself (bad file, bad index).
class EOleException : public EOleSysError {
public:
    EOleException(const AnsiString& Msg, Integer AErrorCode, const AnsiString& ASource)
        : EOleSysError(Msg, AErrorCode), Source(ASource) {}
    AnsiString Source;
};

// Result codes carried by the errors above.
constexpr Integer CO_E_CLASSSTRING = static_cast<Integer>(0x800401F3u);
constexpr Integer DISP_E_BADINDEX = static_cast<Integer>(0x8002000Bu);
constexpr Integer DISP_E_EXCEPTION = static_cast<Integer>(0x80020009u);
constexpr Integer E_INVALIDARG = static_cast<Integer>(0x80070057u);
