// The local cache files of the metadata caches: little-endian 32-bit
// integers, one-byte flags, and texts as a byte count followed by the bytes.
#include <algorithm>

#include "dbclient/pFBDataInfo.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SyncObjs.h"

namespace {

// Magic texts are written with their terminating zero, as the files have always had them.
const AnsiString TableMagic("FB$MCF\0", 7);
const AnsiString DataSetMagic("FB$MCFDS\0", 9);
const AnsiString ErrorMagic("FB$Error_messages\0", 18);
constexpr Integer TableFileVersion = 5;
constexpr Integer DataSetFileVersion = 1;
// Written only when a row came from an older-layout table: each record is followed by a byte
// telling which of the later columns the table had (a missing one leaves the data set's own value).
constexpr Integer DataSetFileVersionWithColumns = 2;

Byte ColumnsPresent(const TpDataSetInfo& D) {
    return static_cast<Byte>((D.HasDescription ? 1 : 0) | (D.HasUpdateTableName ? 2 : 0) |
                             (D.HasUpdateOnlyModifiedFields ? 4 : 0) | (D.HasConditions ? 8 : 0));
}
constexpr Byte AllColumnsPresent = 15;
constexpr Integer ErrorFileVersion = 1;

class TWriter {
public:
    void Int(Integer V) {
        const uint32_t u = static_cast<uint32_t>(V);
        for (int i = 0; i < 4; ++i) FData += static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    void Flag(bool V) { FData += static_cast<char>(V ? 1 : 0); }
    void Byte1(Byte V) { FData += static_cast<char>(V); }
    void Str(const AnsiString& S) {
        Int(static_cast<Integer>(S.size()));
        FData += S;
    }
    void Lines(const TStrings* L) { Str(L->Text()); }
    const AnsiString& Data() const { return FData; }

private:
    AnsiString FData;
};

struct EBadFile {};

// Every read checks what is left: a cut or damaged file ends the reading.
class TReader {
public:
    explicit TReader(AnsiString Data) : FData(std::move(Data)) {}
    Integer Int() {
        Need(4);
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<unsigned char>(FData[FPos + i])) << (8 * i);
        FPos += 4;
        return static_cast<Integer>(u);
    }
    bool Flag() {
        const Byte c = Byte1();
        if (c > 1) throw EBadFile{};
        return c == 1;
    }
    Byte Byte1() {
        Need(1);
        return static_cast<Byte>(FData[FPos++]);
    }
    AnsiString Str() {
        const Integer n = Int();
        if (n < 0) throw EBadFile{};
        Need(static_cast<size_t>(n));
        AnsiString s = FData.substr(FPos, static_cast<size_t>(n));
        FPos += static_cast<size_t>(n);
        return s;
    }
    // A count of items of at least MinSize bytes each.
    Integer Count(size_t MinSize) {
        const Integer n = Int();
        if (n < 0 || static_cast<size_t>(n) > (FData.size() - FPos) / MinSize) throw EBadFile{};
        return n;
    }
    void Lines(TStrings* L) { L->SetText(Str()); }
    // Magic either as bare bytes or as a counted text.
    bool Magic(const AnsiString& M) {
        if (FData.compare(0, M.size(), M) == 0 && FData.size() >= M.size()) {
            FPos = M.size();
            return true;
        }
        FPos = 0;
        AnsiString s = Str();
        while (!s.empty() && s.back() == '\0') s.pop_back();
        return s == M.substr(0, M.size() - 1);
    }

private:
    void Need(size_t N) const {
        if (FData.size() - FPos < N) throw EBadFile{};
    }
    AnsiString FData;
    size_t FPos = 0;
};

// Writes Data whole, or deletes the file when there is nothing to keep.
void WriteCacheFile(const AnsiString& FileName, bool Empty, const AnsiString& Data) {
    if (Empty) {
        if (FileExists(FileName)) DeleteFile(FileName);
        return;
    }
    SaveFileAtomically(FileName, Data);
}

void WriteField(TWriter& W, const AnsiString& Name, const TpFBFieldInfo* F) {
    W.Str(Name);
    W.Flag(F->Computed);
    W.Flag(F->UsableInWhere);
    W.Flag(F->DefaultIsEmptyString);
    W.Flag(F->HasRepositoryInfo);
    W.Flag(F->Visible);
    W.Flag(F->FilledByTrigger);
    W.Int(F->DisplayWidth);
    W.Int(F->CharacterSetId);
    W.Str(F->DefaultText);
    W.Str(F->DomainName);
    W.Str(F->DisplayLabel);
    W.Str(F->EditFormat);
    W.Str(F->DisplayFormat);
    W.Lines(F->ExtraColumns());
}

void ReadField(TReader& R, TpFBFieldInfo* F) {
    F->Computed = R.Flag();
    F->UsableInWhere = R.Flag();
    F->DefaultIsEmptyString = R.Flag();
    F->HasRepositoryInfo = R.Flag();
    F->Visible = R.Flag();
    F->FilledByTrigger = R.Flag();
    F->DisplayWidth = R.Int();
    F->CharacterSetId = R.Int();
    F->DefaultText = R.Str();
    F->DomainName = R.Str();
    F->DisplayLabel = R.Str();
    F->EditFormat = R.Str();
    F->DisplayFormat = R.Str();
    R.Lines(F->ExtraColumns());
}

}  // namespace

// ---- table information -------------------------------------------------------------------------

void TpFBTableInfoCollect::SaveToFile(const AnsiString& FileName) {
    TWriteScope lock(FLock.get());
    TWriter w;
    w.Str(TableMagic);
    w.Int(TableFileVersion);
    w.Int(Count());
    for (const auto& [key, t] : FItems) {
        w.Str(key);
        w.Str(t->DBName);
        w.Str(t->TableName);
        w.Flag(t->WithRepositoryInfo);
        w.Int(t->FormatVersion);
        w.Int(t->RepositoryVersion);
        w.Str(t->StoredPrimaryKeyFields());
        w.Int(t->Fields()->Count());
        for (Integer i = 0; i < t->Fields()->Count(); ++i)
            WriteField(w, t->Fields()->Strings(i), static_cast<TpFBFieldInfo*>(t->Fields()->Objects(i)));
    }
    WriteCacheFile(FileName, FItems.empty(), w.Data());
}

bool TpFBTableInfoCollect::LoadFromFile(const AnsiString& FileName) {
    Clear();
    if (!FileExists(FileName)) return false;
    std::vector<std::pair<AnsiString, std::unique_ptr<TpFBTableInfo>>> read;
    try {
        TReader r(LoadFileToString(FileName));
        if (!r.Magic(TableMagic)) return true;
        const Integer version = r.Int();
        if (version < TableFileVersion) return true;
        const Integer tables = r.Count(29);
        for (Integer i = 0; i < tables; ++i) {
            AnsiString key = r.Str();
            auto t = std::make_unique<TpFBTableInfo>();
            t->DBName = r.Str();
            t->TableName = r.Str();
            t->WithRepositoryInfo = r.Flag();
            t->FormatVersion = r.Int();
            t->RepositoryVersion = r.Int();
            t->SetPrimaryKeyFields(r.Str());
            const Integer columns = r.Count(38);
            for (Integer c = 0; c < columns; ++c) {
                AnsiString name = r.Str();
                auto f = std::make_unique<TpFBFieldInfo>();
                ReadField(r, f.get());
                t->Fields()->AddObject(name, f.release());
            }
            t->LoadedVersion = version;
            t->MustValidate = true;
            read.emplace_back(std::move(key), std::move(t));
        }
    } catch (const EBadFile&) {
        return true;   // damaged: nothing of it is used
    }
    TWriteScope lock(FLock.get());
    for (auto& [key, t] : read) {
        auto it = std::upper_bound(FItems.begin(), FItems.end(), key,
                                   [](const AnsiString& k, const auto& e) { return k < e.first; });
        FItems.insert(it, {key, t.release()});
    }
    return true;
}

// ---- data-set information ----------------------------------------------------------------------

void TpDataSetInfoCollect::SaveToFile(const AnsiString& FileName) {
    TLockScope lock(FLock.get());
    const bool withColumns = std::any_of(FItems.begin(), FItems.end(),
                                         [](const auto& e) { return ColumnsPresent(*e.second) != AllColumnsPresent; });
    TWriter w;
    w.Str(DataSetMagic);
    w.Int(withColumns ? DataSetFileVersionWithColumns : DataSetFileVersion);
    w.Int(Count());
    for (const auto& [key, d] : FItems) {
        w.Str(key);
        w.Str(d->DBName);
        w.Int(d->Version);
        w.Lines(d->SelectSQL());
        w.Lines(d->InsertSQL());
        w.Lines(d->UpdateSQL());
        w.Lines(d->DeleteSQL());
        w.Lines(d->RefreshSQL());
        w.Str(d->KeyField);
        w.Str(d->NameGenerator);
        w.Str(d->Description);
        w.Str(d->UpdateTableName);
        w.Str(d->Conditions);
        w.Flag(d->UpdateOnlyModifiedFields);
        if (withColumns) w.Byte1(ColumnsPresent(*d));
    }
    WriteCacheFile(FileName, FItems.empty(), w.Data());
}

bool TpDataSetInfoCollect::LoadFromFile(const AnsiString& FileName) {
    TLockScope lock(FLock.get());
    Clear();
    if (!FileExists(FileName)) return false;
    std::vector<std::pair<AnsiString, std::unique_ptr<TpDataSetInfo>>> read;
    try {
        TReader r(LoadFileToString(FileName));
        if (!r.Magic(DataSetMagic)) return true;
        const Integer version = r.Int();
        if (version < DataSetFileVersion) return true;
        const Integer entries = r.Count(53);
        for (Integer i = 0; i < entries; ++i) {
            AnsiString key = r.Str();
            auto d = std::make_unique<TpDataSetInfo>();
            d->DBName = r.Str();
            d->Version = r.Int();
            r.Lines(d->SelectSQL());
            r.Lines(d->InsertSQL());
            r.Lines(d->UpdateSQL());
            r.Lines(d->DeleteSQL());
            r.Lines(d->RefreshSQL());
            d->KeyField = r.Str();
            d->NameGenerator = r.Str();
            d->Description = r.Str();
            d->UpdateTableName = r.Str();
            d->Conditions = r.Str();
            d->UpdateOnlyModifiedFields = r.Flag();
            const Byte columns = version >= DataSetFileVersionWithColumns ? r.Byte1() : AllColumnsPresent;
            d->HasDescription = columns & 1;
            d->HasUpdateTableName = columns & 2;
            d->HasUpdateOnlyModifiedFields = columns & 4;
            d->HasConditions = columns & 8;
            d->MustValidate = true;
            read.emplace_back(std::move(key), std::move(d));
        }
    } catch (const EBadFile&) {
        return true;
    }
    for (auto& [key, d] : read) FItems.emplace(key, d.release());
    return true;
}

// ---- error messages ----------------------------------------------------------------------------

void TpErrorMessagesCollect::SaveToFile(const AnsiString& FileName) {
    TWriter w;
    w.Int(ErrorFileVersion);
    w.Str(ErrorMagic);
    w.Int(FStoredVersion);
    w.Int(DatabaseCount());
    for (const auto& [db, messages] : FItems) {
        w.Str(db);
        w.Int(static_cast<Integer>(messages.size()));
        for (const auto& [constraint, m] : messages) {
            w.Int(m.Version);
            w.Str(constraint);
            w.Str(m.Text);
        }
    }
    WriteCacheFile(FileName, FItems.empty(), w.Data());
}

void TpErrorMessagesCollect::LoadFromFile(const AnsiString& FileName) {
    if (!FileExists(FileName)) return;
    try {
        TReader r(LoadFileToString(FileName));
        if (r.Int() != ErrorFileVersion) return;
        AnsiString magic = r.Str();
        while (!magic.empty() && magic.back() == '\0') magic.pop_back();
        if (magic != ErrorMagic.substr(0, ErrorMagic.size() - 1)) return;
        TpErrorMessagesCollect read;
        read.FStoredVersion = r.Int();
        const Integer databases = r.Count(8);
        for (Integer i = 0; i < databases; ++i) {
            const AnsiString db = r.Str();
            const Integer messages = r.Count(12);
            for (Integer m = 0; m < messages; ++m) {
                const Integer version = r.Int();
                const AnsiString constraint = r.Str();
                const AnsiString text = r.Str();
                read.Add(db, constraint, version, text);
            }
        }
        FStoredVersion = read.FStoredVersion;
        FItems.swap(read.FItems);
    } catch (const EBadFile&) {
        // A damaged file changes nothing.
    }
}

// ---- all three ---------------------------------------------------------------------------------

void SaveRepositories(const AnsiString& FileName) {
    GlobalTableInfo()->SaveToFile(FileName);
    GlobalDataSetInfo()->SaveToFile(ChangeFileExt(FileName, ".dt"));
    GlobalErrorMessages()->SaveToFile(ChangeFileExt(FileName, ".err"));
}

bool LoadRepositories(const AnsiString& FileName, bool Validate) {
    const bool existed = GlobalTableInfo()->LoadFromFile(FileName);
    GlobalTableInfo()->SetValidateAfterLoad(Validate);
    GlobalDataSetInfo()->LoadFromFile(ChangeFileExt(FileName, ".dt"));
    GlobalDataSetInfo()->SetValidateAfterLoad(Validate);
    GlobalErrorMessages()->LoadFromFile(ChangeFileExt(FileName, ".err"));
    return existed;
}
