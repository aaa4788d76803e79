#include "dbclient/pFBProps.h"

#include <unistd.h>

#include "dbclient/FBDatabase.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StrUtil.h"
#include "platform/data/Filer.h"
#include "platform/rtl/CodePage.h"

AnsiString TConnectParams::Get(Integer Code) const {
    auto* db = dynamic_cast<TFBDatabase*>(FOwner);
    return db ? db->GetDBParamByDPB(Code) : AnsiString();
}

void TConnectParams::Set(Integer Code, const AnsiString& Value) {
    if (auto* db = dynamic_cast<TFBDatabase*>(FOwner)) db->SetDBParamByDPB(Code, Value);
}

void TDBParams::DefineProperties(TFiler* Filer) {
    auto* ancestor = dynamic_cast<TStrings*>(Filer->Ancestor());
    const bool hasData = ancestor ? !Equals(ancestor) : Count() > 0;
    const auto read = [this](TReader& R) {
        const std::vector<AnsiString> items = R.ReadAnsiStringList();   // whole before the list changes
        BeginUpdate();
        Clear();
        for (const AnsiString& s : items) Add(s);
        EndUpdate();
    };
    const auto write = [this](TWriter& W) {
        auto* db = dynamic_cast<TFBDatabase*>(FOwner);
        const Integer password =
            db && db->DesignDBOptions().Contains(ddoNotSavePassword) ? db->FindDBParam("password") : -1;
        std::vector<AnsiString> items;
        for (Integer i = 0; i < Count(); ++i) {
            const AnsiString& line = Strings(i);
            items.push_back(i == password ? line.substr(0, line.find('=')) + "=" : line);
        }
        W.WriteStringList(items);
    };
    Filer->DefineProperty("Strings", read, write, hasData);
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

// ---- automatic update settings ---------------------------------------------------------------

TAutoUpdateOptions::TAutoUpdateOptions(TComponent* AOwner)
    : FOwner(AOwner), FKeyFieldsList(std::make_unique<TStringList>()),
      FParamsToFieldsLinks(std::make_unique<TStringList>()) {}

TAutoUpdateOptions::~TAutoUpdateOptions() = default;

void TAutoUpdateOptions::ClearCachedTexts() {
    FCachedKeyCondition.clear();
    FCachedSelectText.clear();
}

void TAutoUpdateOptions::SetUpdateTableName(const AnsiString& Value) {
    ClearCachedTexts();
    FModifyTableName.clear();
    FModifyTableAlias.clear();
    FUpdateTableName = Value;
    const AnsiString entry = FastTrim(Value);
    FHasAlias = AliasStartPos(entry) > 0;
    // The alias is no part of the generator's name: "GEN_ORDERS O_ID" names nothing.
    if (FGeneratorName.empty() && FWhenGetGenID != wgNever && !entry.empty())
        FGeneratorName = "GEN_" + TableNamePart(entry) + "_ID";
}

void TAutoUpdateOptions::SetKeyFields(const AnsiString& Value) {
    ClearCachedTexts();
    FKeyFieldsList->Clear();
    size_t start = 0;
    while (start <= Value.size()) {
        size_t end = Value.find(';', start);
        if (end == AnsiString::npos) end = Value.size();
        // A blank name would make a key condition "=?" that no server takes.
        const AnsiString name = FastTrim(Value.substr(start, end - start));
        if (!name.empty()) FKeyFieldsList->Add(name);
        start = end + 1;
    }
    FKeyFields = Value;
}

void TAutoUpdateOptions::SetUpdateOnlyModifiedFields(bool Value) {
    FUpdateOnlyModifiedFields = Value && FAutoReWriteSqls && FCanChangeSQLs;
}

void TAutoUpdateOptions::SetParamsToFieldsLinks(TStrings* Value) {
    if (Value == FParamsToFieldsLinks.get()) {
        DeleteEmptyStrings(FParamsToFieldsLinks.get());
        return;
    }
    if (Value) FParamsToFieldsLinks->Assign(Value);
    else FParamsToFieldsLinks->Clear();
    DeleteEmptyStrings(FParamsToFieldsLinks.get());
}

void TAutoUpdateOptions::SetUseGenerator(bool Value) {
    if (!Value) FWhenGetGenID = wgNever;
    else if (FWhenGetGenID == wgNever) FWhenGetGenID = wgBeforePost;
}

void TAutoUpdateOptions::PrepareModifyNames() {
    if (!FModifyTableName.empty()) return;
    const AnsiString entry = FastTrim(FUpdateTableName);
    if (FHasAlias) {
        const Integer pos = AliasStartPos(entry);
        FModifyTableName = TableNamePart(entry, pos);
        FModifyTableAlias = AliasPart(entry, pos);
    } else {
        FModifyTableName = entry;
        FModifyTableAlias = entry;
    }
    auto* owner = dynamic_cast<IFBPropsOwner*>(FOwner);
    if (TFBDatabase* db = owner ? owner->Database() : nullptr) {
        FModifyTableName = FormatIdentifierEx(db->SQLDialect(), FModifyTableName, db->NeedUpperNames());
        FModifyTableAlias = FormatIdentifierEx(db->SQLDialect(), FModifyTableAlias, db->NeedUpperNames());
    }
}

AnsiString TAutoUpdateOptions::GetModifyTableName() {
    PrepareModifyNames();
    return FModifyTableName;
}

AnsiString TAutoUpdateOptions::GetModifyTableAlias() {
    PrepareModifyNames();
    return FModifyTableAlias;
}

void TAutoUpdateOptions::ReadSelectGenID(bool Value) {
    FOldSelectGenID = Value;
    FWhenGetGenID = Value ? wgBeforePost : wgNever;
}

void TAutoUpdateOptions::ReadGenBeforePost(bool Value) {
    FOldGenBeforePost = Value;
    if (FOldSelectGenID) FWhenGetGenID = Value ? wgBeforePost : wgOnNewRecord;
}

void TAutoUpdateOptions::DefineProperties(TFiler* Filer) {
    Filer->DefineProperty("SelectGenID", [this](TReader& R) { ReadSelectGenID(R.ReadBoolean()); }, nullptr, false);
    Filer->DefineProperty("GenBeforePost", [this](TReader& R) { ReadGenBeforePost(R.ReadBoolean()); }, nullptr, false);
}

void TAutoUpdateOptions::AssignTo(TPersistent* Dest) {
    auto* d = dynamic_cast<TAutoUpdateOptions*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    if (d == this) return;
    d->SetUpdateTableName(FUpdateTableName);
    d->SetKeyFields(FKeyFields);
    d->FAutoReWriteSqls = FAutoReWriteSqls;
    d->FCanChangeSQLs = FCanChangeSQLs;
    d->FGeneratorName = FGeneratorName;
    d->FGeneratorStep = FGeneratorStep;
    d->FOldSelectGenID = FOldSelectGenID;
    d->FOldGenBeforePost = FOldGenBeforePost;
    // Copied as it stands: the copy must equal the source even when the
    // rewrite flags were cleared after this one was set.
    d->FUpdateOnlyModifiedFields = FUpdateOnlyModifiedFields;
    d->FWhenGetGenID = FWhenGetGenID;
    d->FParamsToFieldsLinks->Assign(FParamsToFieldsLinks.get());
    d->FAutoParamsToFields = FAutoParamsToFields;
    d->FSeparateBlobUpdate = FSeparateBlobUpdate;
}

// ---- default display formats ----------------------------------------------------------------

void TFormatFields::AssignTo(TPersistent* Dest) {
    auto* d = dynamic_cast<TFormatFields*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    d->FDateTimeDisplayFormat = FDateTimeDisplayFormat;
    d->FDisplayFormatDate = FDisplayFormatDate;
    d->FDisplayFormatTime = FDisplayFormatTime;
    d->FNumericDisplayFormat = FNumericDisplayFormat;
    d->FNumericEditFormat = FNumericEditFormat;
}
