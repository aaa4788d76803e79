// What a statement and its conditions keep in a form file besides their published properties.
#include "dbclient/FBQuery.h"

#include "dbclient/StrUtil.h"
#include "platform/data/Filer.h"

namespace {

const struct {
    const char* Name;
    TpFBQueryOption Option;
} StoredOptions[] = {
    {"qoAutoCommit", qoAutoCommit},
    {"qoStartTransaction", qoStartTransaction},
    {"qoTrimCharFields", qoTrimCharFields},
    {"qoNoForceIsNull", qoNoForceIsNull},
};

const AnsiString DeletedMark = "#@DELETED";
const AnsiString SameAsAncestor = "0";
const AnsiString EmptyText = "'";

[[noreturn]] void InvalidValue() { throw EReadError("Invalid property value"); }

bool StoredBoolean(const AnsiString& S) {
    if (SameText(S, "True")) return true;
    if (SameText(S, "False")) return false;
    InvalidValue();
}

}  // namespace

void TFBQuery::DefineProperties(TFiler* Filer) {
    if (Filer->IsReader() && ComponentState().Contains(csDesigning) && !FStreamOptionsCleared) {
        FOptions = {};
        FStreamOptionsCleared = true;
    }
    auto* ancestor = dynamic_cast<TFBQuery*>(Filer->Ancestor());
    for (const auto& o : StoredOptions) {
        const TpFBQueryOption option = o.Option;
        const bool own = FOptions.Contains(option);
        const bool hasData = ancestor ? own != ancestor->FOptions.Contains(option) : own;
        const auto read = [this, option](TReader& R) {
            if (R.ReadBoolean()) FOptions.Include(option);
            else FOptions.Exclude(option);
        };
        Filer->DefineProperty(o.Name, read, [own](TWriter& W) { W.WriteBoolean(own); }, hasData);
    }
}

void TFBQuery::ReadStoredProperties(TStrings* Lines) {
    ReadStoredLines(this, Lines, [this](TFiler* Filer) { DefineProperties(Filer); });
}

void TFBQuery::WriteStoredProperties(TStrings* Lines, TFBQuery* Ancestor) {
    TWriter writer(Lines, Ancestor);
    DefineProperties(&writer);
}

// ---- conditions -------------------------------------------------------------------------

std::vector<AnsiString> TConditions::DataItems(const TConditions* Ancestor) const {
    std::vector<AnsiString> items;
    for (Integer i = 0; i < Count(); ++i) {
        TCondition* c = Items(i);
        if (!c) continue;
        const AnsiString name = c->Name();
        const AnsiString text = c->Text();
        TCondition* a = Ancestor ? Ancestor->FindCondition(name) : nullptr;
        const bool sameText = a && a->Text() == text;
        if (sameText && a->Enabled() == c->Enabled()) continue;
        items.push_back(name);
        items.push_back(text.empty() ? EmptyText : sameText ? SameAsAncestor : text);
        items.push_back(c->Enabled() ? "True" : "False");
    }
    bool marked = false;
    for (Integer i = 0; Ancestor && i < Ancestor->Count(); ++i) {
        const AnsiString name = Ancestor->Names(i);
        if (FindCondition(name)) continue;
        if (!marked) items.push_back(DeletedMark);
        marked = true;
        items.push_back(name);
    }
    return items;
}

void TConditions::ReadData(const std::vector<AnsiString>& Items) {
    // The whole list is checked before anything changes.
    std::size_t deleted = Items.size();
    for (std::size_t i = 0; i < Items.size() && deleted == Items.size(); i += 3) {
        if (Items[i] == DeletedMark) deleted = i;
        else if (i + 2 >= Items.size()) InvalidValue();
        else StoredBoolean(Items[i + 2]);
    }
    for (std::size_t i = 0; i < deleted; i += 3) {
        const AnsiString& name = Items[i];
        const AnsiString& text = Items[i + 1];
        const bool enabled = StoredBoolean(Items[i + 2]);
        // "'" stands for an empty text, for a new condition and an inherited one alike.
        const AnsiString value = text == EmptyText ? AnsiString() : text;
        if (TCondition* c = FindCondition(name)) {
            // Only what still is as an earlier stored form left it gives way.
            if (c->FEnabledFromStream) {
                c->SetEnabled(enabled);
                c->FEnabledFromStream = true;
            }
            if (text != SameAsAncestor && c->FTextFromStream) {
                c->SetText(value);
                c->FTextFromStream = true;
            }
        } else if (text != SameAsAncestor) {
            TCondition* added = AddCondition(name, value, enabled);
            added->FEnabledFromStream = true;
            added->FTextFromStream = true;
        }
    }
    for (std::size_t i = deleted + 1; i < Items.size(); ++i) RemoveCondition(Items[i]);
}

void TConditions::DefineProperties(TFiler* Filer) {
    const auto readStrings = [this](TReader& R) {
        const std::vector<AnsiString> lines = R.ReadAnsiStringList();
        Clear();
        FApplied = false;
        for (const AnsiString& line : lines) Add(line);
    };
    Filer->DefineProperty("Strings", readStrings, nullptr, false);
    // Older forms: "1" or "0" at every second character, one per condition.
    const auto readEnabled = [this](TReader& R) {
        const AnsiString flags = R.ReadString();
        for (Integer i = 0; 2 * i + 2 < static_cast<Integer>(flags.size()) && i < Count(); ++i)
            if (TCondition* c = Items(i)) c->SetEnabled(flags[static_cast<std::size_t>(2 * i + 1)] == '1');
    };
    Filer->DefineProperty("Enabled", readEnabled, nullptr, false);

    TPersistent* ancestorObject = Filer->Ancestor();
    auto* ancestor = dynamic_cast<TConditions*>(ancestorObject);
    bool hasData = false;
    if (!ancestorObject) {
        hasData = Count() > 0;
    } else if (ancestor) {
        hasData = !Equals(ancestor);
        for (Integer i = 0; !hasData && i < Count(); ++i)
            hasData = Items(i) && ancestor->Items(i) && Items(i)->Enabled() != ancestor->Items(i)->Enabled();
    }
    Filer->DefineProperty(
        "Data", [this](TReader& R) { ReadData(R.ReadAnsiStringList()); },
        [this, ancestor](TWriter& W) { W.WriteStringList(DataItems(ancestor)); }, hasData);
}
