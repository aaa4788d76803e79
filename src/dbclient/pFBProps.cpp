#include "dbclient/pFBProps.h"

#include <unistd.h>

#include "dbclient/FBDatabase.h"
#include "platform/rtl/CodePage.h"

AnsiString TConnectParams::Get(Integer Code) const {
    auto* db = dynamic_cast<TFBDatabase*>(FOwner);
    return db ? db->GetDBParamByDPB(Code) : AnsiString();
}

void TConnectParams::Set(Integer Code, const AnsiString& Value) {
    if (auto* db = dynamic_cast<TFBDatabase*>(FOwner)) db->SetDBParamByDPB(Code, Value);
}

AnsiString ApplicationPath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    path.erase(path.find_last_of('/') + 1);
    return Utf8ToAnsi(path);
}

AnsiString TBlobSwapSupport::GetSwapDir() const {
    if (!FActive) return AnsiString();
    AnsiString result = FSwapDir;
    AnsiString head = result.substr(0, 10);
    for (char& c : head)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (head == "{APP_PATH}") result = ApplicationPath() + result.substr(10);
    if (!result.empty() && result.back() != '/') result += '/';
    return result;
}
