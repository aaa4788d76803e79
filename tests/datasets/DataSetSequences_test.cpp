// Random walks over one application data set on a real embedded database: each step runs an operation
// (open, close, edit, insert, delete, post, cancel, reverts, applies, commits, rollbacks, refreshes, local
// sorts, filters, searches, moves, master moves, the modes), and a plain model beside it predicts the server's
// rows and the data set's: the visible records and their order, the current record, RecNo, RecordCount, the
// pending changes. The table has a memo, a trigger that adds 10 to a changed N, a check that refuses a
// negative N, a commit refused while a row's S starts with "r", and a master table; a detail writes its master through ?MAS_ID, so the server's rows tell
// which master each line was stored under. A failure prints its seed and the shortest sequence found that still fails
// the same way. DATASET_SEQUENCES_SECONDS=N walks random seeds for N seconds, each walk in a fresh run of
// this program (a crash or hang fails its step); DATASET_SEQUENCES_SEED=S replays one walk,
// DATASET_SEQUENCES_ONLY=Op,Op walks those operations only (-Op,-Op all but those),
// DATASET_SEQUENCES_KNOWN=all (or Name,Name) walks into the known faults too, DATASET_SEQUENCES_INPROCESS=1
// keeps walks in this process, DATASET_SEQUENCES_SHOW=1 prints every walk's steps.
#include "datasets/pFBDataSet.h"
#include "platform/sys/Timers.h"
#include "support/WalkApart.h"
#include "support/db/DbTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Faults known and not yet mended. Unless DATASET_SEQUENCES_KNOWN names them (or says
// "all"), walks step around them, each where its name is asked; the suite always does.
const std::vector<std::string> KnownFaults = {};
std::set<std::string> WalkInto;   // known faults the walk does not step around
bool Apart = false;                // each walk runs in a fresh process
struct TSkip {};                   // a step that does not apply changes nothing and throws this
struct TBroken { std::string Why; };
[[maybe_unused]] bool Avoid(const char* Fault) { return !WalkInto.contains("all") && !WalkInto.contains(Fault); }

std::string Piece(const std::string& S) { return S; }
std::string Piece(const char* S) { return S; }
std::string Piece(long long V) { return std::to_string(V); }
std::string Piece(int V) { return std::to_string(V); }
template <class... A> std::string Join(const A&... Parts) { return (std::string() + ... + Piece(Parts)); }
template <class... A> void Expect(bool Ok, const A&... Parts) {
    if (!Ok) throw TBroken{Join(Parts...)};
}
template <class V, class T, class P = std::identity> int IndexIn(const V& Vec, const T& X, P Proj = {}) {
    auto I = std::ranges::find(Vec, X, Proj);
    return I == Vec.end() ? -1 : int(I - Vec.begin());
}

// --- the model -------------------------------------------------------------------------------
struct TVals {
    int Mid = 1, N = 0;
    std::string S, Memo;
    bool operator==(const TVals&) const = default;
};
std::string Text(const TVals& V) { return Join("{", V.Mid, ",", V.N, ",", V.S, ",", V.Memo, "}"); }
enum TStatus { stUnmodified, stModified, stInserted, stDeleted, stUninserted, stGone };   // stGone: deleted on the server
struct TRec {
    int Id;
    TVals Cur, Orig;   // Orig: what a revert goes back to
    TStatus St = stUnmodified;
};
enum TKey { kNone, kId, kN, kS, kMidN };
const char* const KeyFields[] = {"", "ID", "N", "S", "MID;N"};
enum TMode { mBrowse, mEdit, mInsert };
constexpr int Masters[] = {1, 2, 3};

struct TModel {
    std::map<int, TVals> Work, Committed;   // the server's rows: as the data set's transaction sees them, committed
    bool Open = false, Cached = false, Refreshing = true, Filtered = false, Detail = false, Wait = false, Auto = false;
    std::vector<TRec> Recs;   // the cache in its order
    int CurId = -1;           // the current record (-1: none)
    TMode Mode = mBrowse;
    TVals Buf;                // the record being edited or inserted
    int BufId = -1, InsertBefore = -1, CurBefore = -1;
    TKey Sort = kNone;
    bool Asc = true, Keep = false;
    int MasterAt = 0, ShownMaster = 1;   // the master's row; the master the detail was opened on
    bool MasterWaiting = false;          // the detail has yet to follow the master
    bool Armed = false;                  // the wait for the master runs
    int NextId = 100, NextValue = 1;     // fresh keys and values: every value is new in the walk

    bool Visible(const TRec& R) const {
        return (R.St == stUnmodified || R.St == stModified || R.St == stInserted) && !(Filtered && R.Cur.Mid == 2);
    }
    std::vector<int> Shown() const {   // indexes into Recs of the visible records
        std::vector<int> V;
        for (int I = 0; I < int(Recs.size()); ++I)
            if (Visible(Recs[I])) V.push_back(I);
        return V;
    }
    int Pending() const {
        return int(std::ranges::count_if(Recs, [](const TRec& R) { return R.St == stModified || R.St == stInserted || R.St == stDeleted; }));
    }
    TRec* Find(int Id) {
        const int I = IndexIn(Recs, Id, &TRec::Id);
        return I < 0 ? nullptr : &Recs[I];
    }
    int ShownAt(int Id) const {   // the visible position of a record, -1 when hidden
        const std::vector<int> V = Shown();
        for (int I = 0; I < int(V.size()); ++I)
            if (Recs[V[I]].Id == Id) return I;
        return -1;
    }
    bool Less(const TRec& A, const TRec& B) const {
        auto Key = [&](const TRec& R) { return std::tuple(Sort == kId ? R.Id : Sort == kMidN ? R.Cur.Mid : 0, Sort == kN || Sort == kMidN ? R.Cur.N : 0, Sort == kS ? R.Cur.S : std::string()); };
        return Asc ? Key(A) < Key(B) : Key(B) < Key(A);
    }
    void SortAll() { std::ranges::stable_sort(Recs, [&](const TRec& A, const TRec& B) { return Less(A, B); }); }
    // After a change of values: a kept sort puts the records in order again.
    void Resort() {
        if (Sort != kNone && Keep) SortAll();
    }
    void AfterPost() {
        if (Sort != kNone && !Keep) Sort = kNone;
        Resort();
    }
    // The current record when the one it was went out of sight: the next visible one in the cache, else the
    // one before it.
    void MoveOffHidden() {
        const int At = IndexIn(Recs, CurId, &TRec::Id);
        if (At >= 0 && Visible(Recs[At])) return;
        const std::vector<int> V = Shown();
        auto After = std::ranges::upper_bound(V, At);
        CurId = After != V.end() ? Recs[*After].Id : V.empty() ? -1 : Recs[V.back()].Id;
    }
    void OpenFrom() {
        if (Detail) ShownMaster = Masters[MasterAt];
        Recs.clear();
        for (const auto& [Id, V] : Work)
            if (!Detail || V.Mid == ShownMaster) Recs.push_back({Id, V, V});
        Open = true, Mode = mBrowse, MasterWaiting = AfterEdit = false;
        Sort = kId, Asc = true;   // the select's ORDER BY
        const std::vector<int> V = Shown();
        CurId = V.empty() ? -1 : Recs[V[0]].Id;
    }
    bool AfterEdit = false;   // master moved mid-edit: kept until the edit ends and none of its lines pend
    bool KeepsMaster() const { return AfterEdit && Cached && Pending() > 0; }
    void FollowAfterEdit() {
        if (AfterEdit && Mode == mBrowse && !KeepsMaster()) AfterEdit = false, FollowMaster();
    }
    // The detail follows its master now: opened again when the master's values are not those it shows; lines pending keep it.
    void FollowMaster() {
        if (Open && Cached && Pending() > 0 && Masters[MasterAt] != ShownMaster) return void((AfterEdit = true, MasterWaiting = Armed = false));
        if (Open && Masters[MasterAt] != ShownMaster) OpenFrom();
        ShownMaster = Masters[MasterAt];
        MasterWaiting = Armed = false;
    }
    void CancelAll() {
        for (TRec& R : Recs)
            if (R.St == stModified || R.St == stDeleted) R.Cur = R.Orig, R.St = stUnmodified;
            else if (R.St == stInserted) R.St = stUninserted;
        Resort();
        MoveOffHidden();
    }
};

// --- the walk: the database, the data sets and the model ----------------------------------------
struct TWalk : TModel {
    std::mt19937 Rng;
    std::string Log;
    TManualTimerService Clock;
    TTimerServiceGuard ClockGuard{&Clock};
    TTestDatabase Base{1, false};
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TFBDatabase* Db = nullptr;
    TFBTransaction* Tr = nullptr;
    TFBDatabase* Db2 = nullptr;   // another connection: what is committed
    TpFBDataSet* Ds = nullptr;
    TpFBDataSet* Other = nullptr;   // a second data set on the same transaction
    TpFBDataSet* Master = nullptr;
    TDataSource* MasterSrc = nullptr;

    TWalk() {
        Base.Execute(
            "CREATE TABLE M (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10));"
            "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, MID INTEGER NOT NULL, N INTEGER, S VARCHAR(10), "
            "  MEMO BLOB SUB_TYPE 1, CONSTRAINT T_N CHECK (N >= 0));");
        Base.Execute(
            "INSERT INTO M VALUES (1, \"bir\"); INSERT INTO M VALUES (2, \"iki\"); INSERT INTO M VALUES (3, \"üç\");");
        Owner->SetName("dm");
        Db = ConnectTestDatabase(Owner.get(), Base, "Db", "Tr");
        Tr = Db->DefaultTransaction();
        Tr->StartTransaction();
        Exec("CREATE TRIGGER T_BU FOR T BEFORE UPDATE AS BEGIN IF (NEW.N IS DISTINCT FROM OLD.N) THEN NEW.N = NEW.N + 10; END");
        // The transaction's own rows starting with "r", kept where a savepoint's rollback takes them back too.
        Exec("CREATE GLOBAL TEMPORARY TABLE T_R (ID INTEGER) ON COMMIT DELETE ROWS");
        Exec("CREATE EXCEPTION T_REFUSED 'refused'");
        Tr->Commit();
        Tr->StartTransaction();
        Exec("CREATE TRIGGER T_AIUD FOR T AFTER INSERT OR UPDATE OR DELETE AS BEGIN "
             "IF (NOT INSERTING) THEN DELETE FROM T_R WHERE ID = OLD.ID; "
             "IF (NOT DELETING AND NEW.S STARTING WITH 'r') THEN INSERT INTO T_R VALUES (NEW.ID); END");
        Exec("CREATE TRIGGER T_COMMIT ON TRANSACTION COMMIT AS BEGIN "
             "IF (EXISTS (SELECT 1 FROM T_R)) THEN EXCEPTION T_REFUSED; END");
        Tr->Commit();
        Tr->StartTransaction();
        for (int Id = 1; Id <= 6; ++Id) {
            const TVals V = {Id % 3 + 1, FreshN(), Join("s", Fresh()), Join("memo ", Fresh())};
            Exec(Join("INSERT INTO T VALUES (", Id, ", ", V.Mid, ", ", V.N, ", '", V.S, "', '", V.Memo, "')"));
            Work[Id] = V;
        }
        Tr->CommitRetaining();
        Committed = Work;
        Db2 = ConnectTestDatabase(Owner.get(), Base, "Db2", "Tr2");
        Master = NewDataSet("master", "select * from M order by ID");
        MasterSrc = new TDataSource(Owner.get());
        MasterSrc->SetDataSet(Master);
        Ds = NewDataSet("ds", "select * from T order by ID");
        SetModifySQL();
        Ds->DeleteSQL()->SetText("delete from T where ID = ?OLD_ID");
        Ds->SetOptions(Ds->Options() + TpFBDsOptions{poVisibleRecno, poFetchAll});
        Ds->SetFilter("MID <> 2");
        SetRefreshSQL();
        Ds->Open();
        OpenFrom();
        Other = NewDataSet("other", "select * from T order by ID");
        Other->InsertSQL()->SetText("insert into T (ID, MID, N, S, MEMO) values (?ID, ?MID, ?N, ?S, ?MEMO)");
        Other->UpdateSQL()->SetText("update T set S = ?S where ID = ?OLD_ID");
    }
    ~TWalk() {
        if (Tr->Active()) Tr->Rollback();
        Owner.reset();
    }
    TpFBDataSet* NewDataSet(const char* Name, const char* Sql) {
        auto* D = new TpFBDataSet(Owner.get());
        D->SetName(Name);
        D->SetDatabase(Db);
        D->SetTransaction(Tr);
        D->SelectSQL()->SetText(Sql);
        return D;
    }
    void Exec(const std::string& Sql, TFBDatabase* On = nullptr) {
        TFBQuery Q(nullptr);
        Q.SetDatabase(On ? On : Db);
        Q.SetTransaction(On ? On->DefaultTransaction() : Tr);
        Q.SQL()->SetText(AnsiString(Sql));
        Q.ExecQuery();
    }
    // A detail's line takes its master from the master (the one it was begun for), not from its field.
    void SetModifySQL() {
        const char* Mid = Detail ? "?MAS_ID" : "?MID";
        Ds->InsertSQL()->SetText(AnsiString(Join("insert into T (ID, MID, N, S, MEMO) values (?ID, ", Mid, ", ?N, ?S, ?MEMO)")));
        Ds->UpdateSQL()->SetText(AnsiString(Join("update T set MID = ", Mid, ", N = ?N, S = ?S, MEMO = ?MEMO where ID = ?OLD_ID")));
    }
    void SetRefreshSQL() { Ds->RefreshSQL()->SetText(Refreshing ? "select * from T where ID = ?OLD_ID" : ""); }
    int Fresh() { return 3 * NextValue++; }
    std::string FreshS() { return Join(Pick(10) ? "s" : "r", Fresh()); }   // now and then one a commit refuses
    // A value of N never used in the walk, anywhere in a wide range: a multiple of 3, so that what the trigger
    // makes of it (10 more) is new too, and lands past others now and then.
    std::set<int> UsedN;
    int FreshN() {
        int K = 1 + Pick(300);
        while (UsedN.contains(K)) K = K % 1000 + 1;
        UsedN.insert(K);
        return 3 * K;
    }
    int Pick(int N) { return N <= 0 ? 0 : int(Rng() % unsigned(N)); }
    template <class... A> void Say(const A&... Parts) { Log += Join(Parts...) + " "; }
    int MasterId() const { return Masters[MasterAt]; }

    // The row a data set's fields show.
    static TVals ValsOf(TDataSet* D) {
        return {D->FieldByName("MID")->AsInteger(), D->FieldByName("N")->AsInteger(), D->FieldByName("S")->AsString(),
                D->FieldByName("MEMO")->AsString()};
    }
    static std::map<int, TVals> RowsOf(TFBDatabase* On) {
        TFBTransaction R(nullptr);
        R.SetDefaultDatabase(On);
        R.TRParams()->SetText("read\r\nrec_version\r\nread_committed");
        R.StartTransaction();
        TpFBDataSet P(nullptr);
        P.SetDatabase(On);
        P.SetTransaction(&R);
        P.SelectSQL()->SetText("select * from T order by ID");
        P.Open();
        std::map<int, TVals> Rows;
        for (; !P.Eof(); P.Next()) Rows[P.FieldByName("ID")->AsInteger()] = ValsOf(&P);
        P.Close();
        R.Commit();
        return Rows;
    }
    std::map<int, TVals> WorkRows() {   // through the data set's own transaction
        TpFBDataSet P(nullptr);
        P.SetDatabase(Db);
        P.SetTransaction(Tr);
        P.SelectSQL()->SetText("select * from T order by ID");
        P.Open();
        std::map<int, TVals> Rows;
        for (; !P.Eof(); P.Next()) Rows[P.FieldByName("ID")->AsInteger()] = ValsOf(&P);
        P.Close();
        return Rows;
    }
    static std::string RowsText(const std::map<int, TVals>& Rows) {
        std::string T;
        for (const auto& [Id, V] : Rows) T += Join(Id, Text(V), " ");
        return T;
    }

    // What the data set must show now.
    void Check(bool Server) {
        Expect(Ds->Active() == Open, "Active is ", int(Ds->Active()));
        if (Server) {
            Expect(WorkRows() == Work, "the server's rows (this transaction) are ", RowsText(WorkRows()), " not ", RowsText(Work));
            const auto C = RowsOf(Db2);
            Expect(C == Committed, "the committed rows are ", RowsText(C), " not ", RowsText(Committed));
        }
        if (!Open) return;
        const TDataSetState St = Ds->State();
        Expect(St == (Mode == mEdit ? dsEdit : Mode == mInsert ? dsInsert : dsBrowse), "the state is ", int(St));
        if (Mode != mBrowse) {
            Expect(ValsOf(Ds) == Buf, "the edited record shows ", Text(ValsOf(Ds)), " not ", Text(Buf));
            return;
        }
        const std::vector<int> V = Shown();
        Expect(Ds->RecordCount() == int(V.size()), "RecordCount is ", Ds->RecordCount(), " not ", int(V.size()));
        Expect(Ds->CacheModifiedCount() == Pending(), "the pending count is ", Ds->CacheModifiedCount(), " not ", Pending());
        if (V.empty()) {
            Expect(Ds->IsEmpty(), "the data set is not empty");
            return;
        }
        const TRec& C = *Find(CurId);
        const int Id = Ds->FieldByName("ID")->AsInteger(), RecNo = Ds->RecNo();
        const TVals Shows = ValsOf(Ds);
        std::string Want, Got;
        for (int I : V) Want += Join(Recs[I].Id, Text(Recs[I].Cur), " ");
        const TBookmark B = Ds->GetBookmark();
        for (Ds->First(); !Ds->Eof(); Ds->Next()) Got += Join(Ds->FieldByName("ID")->AsInteger(), Text(ValsOf(Ds)), " ");
        Ds->GotoBookmark(B);
        Expect(Id == CurId, "the current record is ", Id, " not ", CurId, " (the records are ", Got, ")");
        Expect(Shows == C.Cur, "the current record shows ", Text(Shows), " not ", Text(C.Cur));
        Expect(RecNo == ShownAt(CurId) + 1, "RecNo is ", RecNo, " not ", ShownAt(CurId) + 1, " (the records are ", Got, ")");
        Expect(Got == Want, "the records are ", Got, " not ", Want);
        Expect(Ds->FieldByName("ID")->AsInteger() == CurId, "back at the bookmark the record is ", Ds->FieldByName("ID")->AsInteger());
    }

    // Runs F on the data set; it must raise exactly when Refused.
    void Run(bool Refused, const std::function<void()>& F) {
        std::string Raised;
        try {
            F();
        } catch (const std::exception& X) {
            Raised = X.what();
            if (Raised.empty()) Raised = "(no message)";
        }
        if (Refused && Raised.empty()) throw TBroken{"was not refused"};
        if (!Refused && !Raised.empty()) throw TBroken{"raised: " + Raised};
        if (Refused) Say("(refused)");
    }

    // --- the model's side of the operations ------------------------------------------------
    // Posts the buffer: false when the server refuses it or its auto-commit (the edit stays open).
    bool ModelPost() {
        if (!Cached) {
            if (Buf.N < 0) return false;
            TVals Now = Buf;
            std::map<int, TVals> After = Work;
            if (Mode == mEdit && Work.contains(BufId)) {
                if (Buf.N != Work[BufId].N) Now.N += 10;
                After[BufId] = Now;
            } else if (Mode == mInsert) {
                After[BufId] = Buf;
            }
            if (Auto && CommitRefuses(After)) return false;
            Work = After;
            TVals Shown = Refreshing && Work.contains(BufId) ? Work[BufId] : Buf;
            if (Mode == mEdit) Find(BufId)->Cur = Find(BufId)->Orig = Shown;
            else Place({BufId, Shown, Shown, stUnmodified});
        } else if (Mode == mEdit) {
            TRec& R = *Find(BufId);
            R.Cur = Buf;
            if (R.St == stUnmodified) R.St = stModified;
        } else {
            Place({BufId, Buf, Buf, stInserted});
        }
        CurId = BufId, Mode = mBrowse;
        AfterPost();
        MoveOffHidden();
        return true;
    }
    void Place(const TRec& R) {
        const int At = InsertBefore < 0 ? int(Recs.size()) : IndexIn(Recs, InsertBefore, &TRec::Id);
        Recs.insert(Recs.begin() + At, R);
    }
    void ModelCancel() {
        if (Mode == mInsert) CurId = CurBefore;
        Mode = mBrowse;
    }
    // A step in edit or insert state posts first (as moves do): false when the post (or the apply
    // auto-commit runs after it) is refused. A refused apply leaves the line posted and pending.
    bool PostFirst() {
        if (Mode == mBrowse) return true;
        const bool Posted = ModelPost() && !AutoCommitted();
        FollowAfterEdit();
        return Posted;
    }
    void CloseModel() {
        Open = false, Recs.clear(), CurId = -1, Mode = mBrowse, Sort = kNone, MasterWaiting = false;
    }
    static bool CommitRefuses(const std::map<int, TVals>& Rows) {
        return std::ranges::any_of(Rows, [](const auto& R) { return R.second.S.starts_with("r"); });
    }
    // The server as an apply of the pending records leaves it; Refused when the check refuses one (or
    // the commit after it, with Commits).
    std::map<int, TVals> Applied(bool& Refused, bool Commits = false) {
        std::map<int, TVals> After = Work;
        Refused = false;
        for (const TRec& R : Recs) {
            if (R.St == stModified && After.contains(R.Id)) {
                Refused |= R.Cur.N < 0;
                TVals V = R.Cur;
                if (V.N != After[R.Id].N) V.N += 10;
                After[R.Id] = V;
            } else if (R.St == stInserted) {
                Refused |= R.Cur.N < 0 || After.contains(R.Id);
                After[R.Id] = R.Cur;
            } else if (R.St == stDeleted) {
                After.erase(R.Id);
            }
        }
        Refused |= Commits && CommitRefuses(After);
        return After;
    }
    // The apply done: the rows stored (read back when refreshing), nothing pending.
    void ModelApply(std::map<int, TVals> After) {
        Work = After;
        for (TRec& R : Recs) {
            if ((R.St == stModified || R.St == stInserted) && Refreshing && After.contains(R.Id)) R.Cur = After[R.Id];
            if (R.St == stModified || R.St == stInserted) R.St = stUnmodified, R.Orig = R.Cur;
            else if (R.St == stDeleted) R.St = stGone;
        }
        Resort();
    }
    // A change with auto-commit: with cached updates applied and committed after it, unless refused.
    // True when refused (a post's own commit is ModelPost's).
    bool AutoCommitted() {
        if (!Auto) return false;
        bool Refused = false;
        if (Cached) {
            const std::map<int, TVals> After = Applied(Refused, true);
            if (Refused) return true;
            ModelApply(After);
        }
        Committed = Work;
        return false;
    }
};

using TStepFn = void (*)(TWalk&, int);

void NeedOpen(TWalk& W) {
    if (!W.Open) throw TSkip();
}
void NeedBrowse(TWalk& W) {
    NeedOpen(W);
    if (W.Mode != mBrowse) throw TSkip();
}
void NeedCurrent(TWalk& W) {
    NeedBrowse(W);
    if (W.CurId < 0) throw TSkip();
}

// Open and close.
void OpenCloseStep(TWalk& W, int Close) {
    if (Close) {
        NeedBrowse(W);
        W.Ds->Close();
        W.CloseModel();
    } else {
        if (W.Open) throw TSkip();
        W.Ds->Open();
        W.OpenFrom();
    }
}

// A new value for a field: 0 N (a refused one now and then), 1 S, 2 the memo, 3 MID, 4 the memo emptied.
void SetField(TWalk& W, int Field) {
    if (Field == 3 && W.Detail) Field = W.Pick(3);
    std::string Name;
    if (Field == 0) {
        W.Buf.N = W.Pick(8) == 0 ? -30 - W.FreshN() : W.FreshN();   // refused after the trigger's 10 too
        W.Ds->FieldByName("N")->SetAsInteger(W.Buf.N), Name = Join("N=", W.Buf.N);
    } else if (Field == 1) {
        W.Buf.S = W.FreshS();
        W.Ds->FieldByName("S")->SetAsString(AnsiString(W.Buf.S)), Name = "S=" + W.Buf.S;
    } else if (Field == 2 || Field == 4) {
        W.Buf.Memo = Field == 4 ? "" : Join("memo ", W.Fresh());
        W.Ds->FieldByName("MEMO")->SetAsString(AnsiString(W.Buf.Memo)), Name = "MEMO=" + W.Buf.Memo;
    } else {
        W.Buf.Mid = W.Filtered ? (W.Pick(2) ? 3 : 1) : Masters[W.Pick(3)];
        W.Ds->FieldByName("MID")->SetAsInteger(W.Buf.Mid), Name = Join("MID=", W.Buf.Mid);
    }
    W.Say(Name);
}

// A detail change follows its master first (moved mid-edit or waiting), unless lines pend for the kept one.
void DetailFollowsFirst(TWalk& W) {
    if (W.KeepsMaster()) return;
    W.FollowAfterEdit();
    if (W.MasterWaiting) W.FollowMaster();
    W.Armed = false;   // the wait ends with the change
}
// An edit or delete of the current record, after the detail followed its master: when that master has no
// lines the change ends silently.
void ChangeRecord(TWalk& W, const std::function<void()>& F) {
    DetailFollowsFirst(W);
    bool Silent = false;
    try {
        F();
    } catch (const EAbort&) {
        Silent = true;
    }
    Expect(Silent == (W.CurId < 0), Silent ? "the change ended silently" : "the change went on", " with ", W.Ds->RecordCount(), " records");
    if (Silent) W.Say("(no lines)");
}

// Edit: the current record goes into edit state with a field changed.
void EditStep(TWalk& W, int Field) {
    NeedCurrent(W);
    ChangeRecord(W, [&] { W.Ds->Edit(); });
    if (W.CurId < 0) return;
    W.Mode = mEdit, W.BufId = W.CurId, W.Buf = W.Find(W.CurId)->Cur;
    SetField(W, Field);
}
// Another field of the record being edited or inserted.
void SetValueStep(TWalk& W, int Field) {
    NeedOpen(W);
    // A detail line's master comes from the master; a filtered MID edit is EditMid's (a master the filter keeps).
    if (W.Mode == mBrowse || (Field == 3 && (W.Detail || (W.Mode == mEdit && W.Filtered)))) throw TSkip();
    SetField(W, Field);
}
// Insert (before the current record) or append, with every field typed.
void InsertStep(TWalk& W, int Append) {
    NeedBrowse(W);
    if (!Append && W.CurId < 0) throw TSkip();   // where an insert goes among hidden records only is not settled
    W.Run(false, [&] { Append ? W.Ds->Append() : W.Ds->Insert(); });
    DetailFollowsFirst(W);
    const std::vector<int> V = W.Shown();
    W.CurBefore = Append && !V.empty() ? W.Recs[V.back()].Id : W.CurId;
    W.InsertBefore = Append || W.CurId < 0 ? -1 : W.CurId;
    W.Mode = mInsert, W.BufId = W.NextId++;
    W.Buf = {W.Detail ? W.ShownMaster : W.Filtered ? (W.Pick(2) ? 3 : 1) : Masters[W.Pick(3)], W.Pick(8) ? W.FreshN() : -30 - W.FreshN(),
             W.FreshS(), Join("memo ", W.Fresh())};
    W.Ds->FieldByName("ID")->SetAsInteger(W.BufId);
    W.Ds->FieldByName("MID")->SetAsInteger(W.Buf.Mid);
    W.Ds->FieldByName("N")->SetAsInteger(W.Buf.N);
    W.Ds->FieldByName("S")->SetAsString(AnsiString(W.Buf.S));
    W.Ds->FieldByName("MEMO")->SetAsString(AnsiString(W.Buf.Memo));
    W.Say("ID=", W.BufId, " ", Text(W.Buf));
}
void PostStep(TWalk& W, int) {
    NeedOpen(W);
    if (W.Mode == mBrowse) throw TSkip();
    const bool Ok = W.ModelPost();
    const bool Refused = !Ok || W.AutoCommitted();
    W.Run(Refused, [&] { W.Ds->Post(); });
    W.FollowAfterEdit();
}
void CancelStep(TWalk& W, int) {
    NeedOpen(W);
    if (W.Mode == mBrowse) throw TSkip();
    W.Ds->Cancel();
    W.ModelCancel();
    W.FollowAfterEdit();
}
void DeleteStep(TWalk& W, int) {
    NeedCurrent(W);
    ChangeRecord(W, [&] {
        if (W.CurId < 0) return W.Ds->Delete();   // ends silently
        TRec& R = *W.Find(W.CurId);
        std::map<int, TVals> After = W.Work;
        After.erase(R.Id);
        if (!W.Cached && W.Auto && W.CommitRefuses(After)) return W.Run(true, [&] { W.Ds->Delete(); });
        if (!W.Cached) R.St = stGone, W.Work = After;
        else R.St = R.St == stInserted ? stUninserted : stDeleted;
        const bool Refused = W.AutoCommitted();
        W.Run(Refused, [&] { W.Ds->Delete(); });
    });
    W.MoveOffHidden();
    W.FollowAfterEdit();
}

// Moves: 0 First, 1 Last, 2 Next, 3 Prior, 4 MoveBy, 5 RecNo. A pending edit is posted first.
void MoveStep(TWalk& W, int How) {
    NeedOpen(W);
    const bool Posted = W.PostFirst();
    const std::vector<int> V = W.Shown();
    const int N = int(V.size()), At = W.CurId < 0 ? 0 : W.ShownAt(W.CurId);
    const int By = How == 4 ? W.Pick(7) - 3 : 0, To = How == 5 ? W.Pick(std::max(N, 1)) + 1 : 0;
    W.Say(How == 4 ? Join("by ", By) : How == 5 ? Join("to ", To) : "");
    const int Target = How == 0 ? 0 : How == 1 ? N - 1 : How == 2 ? At + 1 : How == 3 ? At - 1 : How == 4 ? At + By : To - 1;
    W.Run(!Posted, [&] {
        switch (How) {
            case 0: W.Ds->First(); break;
            case 1: W.Ds->Last(); break;
            case 2: W.Ds->Next(); break;
            case 3: W.Ds->Prior(); break;
            case 4: W.Ds->MoveBy(By); break;
            default: W.Ds->SetRecNo(To);
        }
    });
    if (!Posted) return;
    if (N > 0) W.CurId = W.Recs[V[std::clamp(Target, 0, N - 1)]].Id;
}

// Cached updates: 0 RevertRecord, 1 CancelUpdates, 2 apply (posts an open edit, stores lines under the shown master, then follows; refused: all stays pending).
void CachedStep(TWalk& W, int How) {
    How == 0 ? NeedBrowse(W) : NeedOpen(W);
    if (!W.Cached) throw TSkip();
    if (How == 0) {
        if (W.CurId < 0) throw TSkip();
        TRec& R = *W.Find(W.CurId);
        W.Ds->RevertRecord(W.Ds->CurrentRecordNumber());
        W.Ds->Resync({});   // as a caller shows what it took back
        if (R.St == stModified) R.Cur = R.Orig, R.St = stUnmodified;
        else if (R.St == stInserted) R.St = stUninserted;
        W.Resort();
        W.MoveOffHidden();
        W.FollowAfterEdit();
    } else if (How == 1) {
        W.Ds->CancelUpdates();
        if (W.Mode != mBrowse) W.Say("(edit cancelled)"), W.ModelCancel(), W.FollowAfterEdit();
        W.CancelAll();
        W.FollowAfterEdit();
    } else {
        auto Apply = [&] { W.Ds->ApplyCachedUpdates(), W.Ds->ResetUpdateStatuses(TpFBDataSet::rmAfterApply, true); };
        if (W.Mode != mBrowse) {
            W.Say("(posted first)");
            W.ModelPost();
            if (W.AutoCommitted()) return W.Run(true, Apply);
            W.FollowAfterEdit();
        }
        if (!W.AfterEdit) {
            if (W.MasterWaiting && W.Pending() > 0) W.AfterEdit = true, W.MasterWaiting = false;
            else if (W.MasterWaiting) W.FollowMaster();
            W.Armed = false;
        }
        bool Refused = false;
        const std::map<int, TVals> After = W.Applied(Refused);
        W.Run(Refused, Apply);
        if (!Refused) W.ModelApply(After), W.FollowAfterEdit();
    }
}

// The transaction: 0 commit, 1 rollback (both keep it running). After a rollback the data set reads its
// rows again, as a screen does: what it holds may name blobs the rollback took away.
void TransactionStep(TWalk& W, int Rollback) {
    if (W.Mode != mBrowse || !W.Tr->Active()) throw TSkip();   // a screen posts or cancels before it commits
    if (Rollback) {
        W.Tr->RollbackRetaining();
        W.Work = W.Committed;
        if (W.Open) W.Ds->Close(), W.Ds->Open(), W.OpenFrom();
    } else {
        const bool Refused = W.CommitRefuses(W.Work);
        W.Run(Refused, [&] { W.Tr->CommitRetaining(); });
        if (!Refused) W.Committed = W.Work;
    }
}

// Another connection changes (0) or adds (1) a row and commits; the data set shows what it read until it reads again.
void OtherConnectionStep(TWalk& W, int Add) {
    if (W.Work.empty() && !Add) throw TSkip();
    int Id = W.NextId;
    TVals V = {Masters[W.Pick(3)], W.FreshN(), Join("s", W.Fresh()), Join("memo ", W.Fresh())};
    if (!Add) {
        auto It = std::next(W.Work.begin(), W.Pick(int(W.Work.size())));
        if (!W.Committed.contains(It->first) || W.Committed[It->first] != It->second) throw TSkip();
        Id = It->first, V.Mid = It->second.Mid, V.Memo = It->second.Memo;
    } else ++W.NextId;
    W.Say("ID=", Id, " ", Text(V));
    TFBTransaction* Tr2 = W.Db2->DefaultTransaction();
    if (!Tr2->Active()) Tr2->StartTransaction();
    try {
        W.Exec(Add ? Join("INSERT INTO T VALUES (", Id, ", ", V.Mid, ", ", V.N, ", '", V.S, "', '", V.Memo, "')")
                   : Join("UPDATE T SET N = ", V.N, ", S = '", V.S, "' WHERE ID = ", Id), W.Db2);
    } catch (const std::exception& X) {   // a row this transaction wrote is locked for the other
        Tr2->Rollback();
        if (std::string(X.what()).find("update conflicts") == std::string::npos) throw;
        throw TSkip();
    }
    Tr2->Commit();
    if (!Add) V.N += 10;   // the trigger's
    W.Work[Id] = W.Committed[Id] = V;
}

// A second data set on the transaction edits S (0) or appends (1) and posts uncommitted; the transaction's end takes it.
void OtherDataSetStep(TWalk& W, int Append) {
    if (W.Work.empty() && !Append) throw TSkip();
    TpFBDataSet* D = W.Other;
    D->Open();
    if (Append) {
        const int Id = W.NextId++;
        const TVals V = {Masters[W.Pick(3)], W.FreshN(), W.FreshS(), Join("memo ", W.Fresh())};
        W.Say("ID=", Id, " ", Text(V));
        D->Append();
        for (auto [Name, X] : {std::pair("ID", Id), {"MID", V.Mid}, {"N", V.N}}) D->FieldByName(Name)->SetAsInteger(X);
        for (auto [Name, X] : {std::pair("S", V.S), {"MEMO", V.Memo}}) D->FieldByName(Name)->SetAsString(AnsiString(X));
        D->Post();
        W.Work[Id] = V;
    } else {
        auto It = std::next(W.Work.begin(), W.Pick(int(W.Work.size())));
        const std::string S = W.FreshS();
        W.Say("ID=", It->first, " S=", S);
        Expect(D->Locate("ID", It->first, {}), "the second data set finds no row ", It->first);
        D->Edit(), D->FieldByName("S")->SetAsString(AnsiString(S)), D->Post();
        It->second.S = S;
    }
    D->Close();
}

// Refresh: the current record read again.
void RefreshStep(TWalk& W, int) {
    NeedCurrent(W);
    TRec& R = *W.Find(W.CurId);
    W.Run(!W.Refreshing, [&] { W.Ds->Refresh(); });
    if (!W.Refreshing || !W.Work.contains(R.Id)) return;
    R.Cur = R.Orig = W.Work[R.Id];   // what a later revert goes back to, also after another connection's change
    if (R.St == stModified || !W.Cached) R.St = stUnmodified;
    W.Resort();
    W.MoveOffHidden();   // the server's values may fail the filter
}

// Local sort: 0 on a kind of key, ascending or not, keeping the order after posts or not; 1 no sort; 2 on
// the field the trigger changes (N, or MID;N), kept mostly.
void SortStep(TWalk& W, int How) {
    NeedBrowse(W);
    if (How == 1) {
        if (W.Sort == kNone) throw TSkip();
        W.Ds->DoSort({}, {});
        W.Sort = kNone;
        return;
    }
    const TKey K = How == 2 ? (W.Pick(3) ? kN : kMidN) : TKey(1 + W.Pick(4));
    const bool Asc = W.Pick(2), Keep = How == 2 ? W.Pick(4) != 0 : W.Pick(2);
    W.Say(KeyFields[K], Asc ? " ascending" : " descending", Keep ? " kept" : "");
    W.Ds->SetOptions(Keep ? W.Ds->Options() + TpFBDsOptions{poKeepSorting} : W.Ds->Options() - TpFBDsOptions{poKeepSorting});
    if (K == kMidN) W.Ds->DoSort({"MID", "N"}, {Asc, Asc});
    else W.Ds->DoSort({KeyFields[K]}, {Asc});
    W.Sort = K, W.Asc = Asc, W.Keep = Keep;
    W.SortAll();
}

// The filter (MID <> 2) on or off: the first visible record becomes current.
void FilterStep(TWalk& W, int On) {
    NeedBrowse(W);
    if (W.Filtered == bool(On)) throw TSkip();
    W.Ds->SetFiltered(On);
    W.Filtered = On;
    const std::vector<int> V = W.Shown();
    W.CurId = V.empty() ? -1 : W.Recs[V[0]].Id;
}

// Locate (0) or Lookup (1) by each kind of key: ID, S (exact, or a partial, case-blind key), N, MID;N.
void FindStep(TWalk& W, int IsLookup) {
    NeedBrowse(W);
    if (W.Recs.empty()) throw TSkip();
    const int Kind = W.Pick(5);
    const TRec& R = W.Recs[W.Pick(int(W.Recs.size()))];   // hidden ones too: they are not found
    const bool Miss = W.Pick(6) == 0;
    std::string Fields;
    Variant Key;
    std::function<bool(const TRec&)> Match;
    TLocateOptions Opts;
    switch (Kind) {
        case 0: {
            const int Id = Miss ? 99999 : R.Id;
            Fields = "ID", Key = Id, Match = [=](const TRec& X) { return X.Id == Id; };
            break;
        }
        case 1: {
            const std::string S = Miss ? "none" : R.Cur.S;
            Fields = "S", Key = AnsiString(S), Match = [=](const TRec& X) { return X.Cur.S == S; };
            break;
        }
        case 2: {   // a prefix of S, upper-cased
            if (IsLookup) throw TSkip();
            std::string S = Miss ? "NONE" : R.Cur.S.substr(0, 1 + W.Pick(int(R.Cur.S.size())));
            std::ranges::transform(S, S.begin(), ::toupper);
            Opts = TLocateOptions{loCaseInsensitive, loPartialKey};
            std::string Low = S;
            std::ranges::transform(Low, Low.begin(), ::tolower);
            Fields = "S", Key = AnsiString(S), Match = [=](const TRec& X) { return X.Cur.S.starts_with(Low); };
            break;
        }
        case 3: {
            const int N = Miss ? -1 : R.Cur.N;
            Fields = "N", Key = N, Match = [=](const TRec& X) { return X.Cur.N == N; };
            break;
        }
        default: {
            const int Mid = R.Cur.Mid, N = Miss ? -1 : R.Cur.N;
            Fields = "MID;N", Key = VarArrayOf({Variant(Mid), Variant(N)});
            Match = [=](const TRec& X) { return X.Cur.Mid == Mid && X.Cur.N == N; };
        }
    }
    int Found = -1;
    for (int I : W.Shown())
        if (Match(W.Recs[I])) {
            Found = W.Recs[I].Id;
            break;
        }
    W.Say(Fields, " ", VarIsArray(Key) ? Join(VarToStr(Key[0]), ";", VarToStr(Key[1])) : std::string(VarToStr(Key)), Found < 0 ? " (none)" : "");
    if (IsLookup) {
        const char* Result = Kind == 1 ? "N" : "S";
        const Variant Got = W.Ds->Lookup(AnsiString(Fields), Key, Result);
        const std::string Want = Found < 0 ? "<null>" : Kind == 1 ? Piece(W.Find(Found)->Cur.N) : W.Find(Found)->Cur.S;
        const std::string Have = VarIsNull(Got) ? "<null>" : VarToStr(Got);
        Expect(Have == Want, "Lookup gives ", Have, " not ", Want);
        return;
    }
    const bool Ok = W.Ds->Locate(AnsiString(Fields), Key, Opts);
    Expect(Ok == (Found >= 0), "Locate says ", int(Ok));
    if (Found >= 0) W.CurId = Found;
}

// The modes: 0 cached updates on, 1 off, 2 a refresh statement, 3 none, 4 auto-commit on, 5 off.
void ModeStep(TWalk& W, int How) {
    if (W.Mode != mBrowse) throw TSkip();   // modes are set between edits (cached updates on an open data set refuse)
    if (How >= 4) {
        if (W.Auto == (How == 4)) throw TSkip();
        W.Auto = How == 4;
        W.Ds->SetAutoCommit(W.Auto);
    } else if (How < 2) {
        if (W.Cached == (How == 0)) throw TSkip();
        const bool Reopen = How == 0 && W.Open;
        if (Reopen) {
            W.Ds->Close();
            W.CloseModel();
            W.Say("(closed and opened again)");
        }
        W.Ds->SetCachedUpdates(How == 0);
        if (Reopen) W.Ds->Open(), W.OpenFrom();
        if (How == 1 && W.Open) W.CancelAll();
        W.Cached = How == 0;
        W.FollowAfterEdit();
    } else {
        if (W.Refreshing == (How == 2)) throw TSkip();
        W.Refreshing = How == 2;
        W.SetRefreshSQL();
    }
}

// Master and detail: 0 the data set becomes the detail of the master, 1 stops being it, 2 waiting for the
// master to stop on, 3 off, 4-7 master moves (First, Last, Next, Prior), 8 the wait ends.
void MasterStep(TWalk& W, int How) {
    if (How <= 1) {
        NeedBrowse(W);
        // (Un)linking while a master move waits is left out: no screen does it (it links its data sets once).
        if (W.Detail == (How == 0) || W.Armed) throw TSkip();
        const bool WasOpen = W.Open;
        W.Ds->Close();
        W.CloseModel();
        W.Detail = How == 0;
        if (W.Detail) {
            W.Master->Open();
            W.Ds->SelectSQL()->SetText("select * from T where MID = ?ID order by ID");
            W.Ds->SetDataSource(W.MasterSrc);
            W.MasterAt = W.Master->RecNo() - 1;
        } else {
            W.Ds->SetDataSource(nullptr);
            W.Ds->SelectSQL()->SetText("select * from T order by ID");
        }
        W.SetModifySQL();
        W.ShownMaster = W.MasterId();
        if (WasOpen) W.Ds->Open(), W.OpenFrom();
        return;
    }
    if (How <= 3) {
        if (W.Wait == (How == 2)) throw TSkip();
        if (W.MasterWaiting || W.Armed) throw TSkip();
        W.Wait = How == 2;
        W.Ds->SetDetailConditions(W.Wait ? TDetailConditions{dcWaitEndMasterScroll} : TDetailConditions{});
        return;
    }
    if (!W.Detail) throw TSkip();
    if (How == 8) {
        W.Clock.Advance(1000);
        W.Armed = false;
        if (W.MasterWaiting && W.Mode != mBrowse) W.AfterEdit = true, W.MasterWaiting = false;
        else if (W.MasterWaiting) W.FollowMaster();
        return;
    }
    const int Before = W.MasterAt;
    const int To = How == 4 ? 0 : How == 5 ? 2 : std::clamp(W.MasterAt + (How == 6 ? 1 : -1), 0, 2);
    switch (How) {
        case 4: W.Master->First(); break;
        case 5: W.Master->Last(); break;
        case 6: W.Master->Next(); break;
        default: W.Master->Prior();
    }
    W.MasterAt = To;
    W.Say("to ", W.MasterId());
    if (To == Before) return;
    if (W.Mode != mBrowse) W.AfterEdit = true, W.Armed = W.Wait;   // followed once the edit ends, wait or not
    else if (W.KeepsMaster()) W.Armed = W.Wait;                      // its pending lines keep it
    else if (W.Wait) W.MasterWaiting = W.MasterId() != W.ShownMaster, W.Armed = true;
    else W.FollowMaster();
}

struct TOp {
    std::string Name;
    TStepFn Run;
    int Arg = 0, Weight = 4;
};
const std::vector<TOp>& Operations() {
    static const std::vector<TOp> Ops = {
        {"Open", OpenCloseStep, 0, 2},     {"Close", OpenCloseStep, 1, 1},      {"EditN", EditStep, 0, 5},
        {"EditS", EditStep, 1, 3},         {"EditMemo", EditStep, 2, 3},        {"EditMid", EditStep, 3, 2},
        {"SetN", SetValueStep, 0, 2},      {"SetMemo", SetValueStep, 2, 2},     {"ClearMemo", EditStep, 4, 1},     {"Insert", InsertStep, 0, 3},
        {"Append", InsertStep, 1, 3},      {"Post", PostStep, 0, 8},            {"Cancel", CancelStep, 0, 2},
        {"Delete", DeleteStep, 0, 3},      {"First", MoveStep, 0, 2},           {"Last", MoveStep, 1, 2},
        {"Next", MoveStep, 2, 3},          {"Prior", MoveStep, 3, 3},           {"MoveBy", MoveStep, 4, 2},
        {"RecNo", MoveStep, 5, 2},         {"RevertRecord", CachedStep, 0, 3},  {"CancelUpdates", CachedStep, 1, 2},
        {"Apply", CachedStep, 2, 5},       {"Commit", TransactionStep, 0, 3},   {"Rollback", TransactionStep, 1, 2},
        {"Refresh", RefreshStep, 0, 3},    {"Sort", SortStep, 0, 3},            {"SortOff", SortStep, 1, 1},
        {"SortN", SortStep, 2, 2},         {"AutoCommitOn", ModeStep, 4, 1},    {"AutoCommitOff", ModeStep, 5, 1},
        {"FilterOn", FilterStep, 1, 2},    {"FilterOff", FilterStep, 0, 2},     {"Locate", FindStep, 0, 4},
        {"Lookup", FindStep, 1, 4},        {"CachedOn", ModeStep, 0, 2},        {"CachedOff", ModeStep, 1, 1},
        {"RefreshSQLOn", ModeStep, 2, 1},  {"RefreshSQLOff", ModeStep, 3, 1},   {"DetailOn", MasterStep, 0, 2},
        {"DetailOff", MasterStep, 1, 1},   {"WaitOn", MasterStep, 2, 1},        {"WaitOff", MasterStep, 3, 1},
        {"MasterFirst", MasterStep, 4, 1}, {"MasterLast", MasterStep, 5, 1},    {"MasterNext", MasterStep, 6, 2},
        {"MasterPrior", MasterStep, 7, 2}, {"MasterWaitEnds", MasterStep, 8, 2},
        {"ConnectionChangesRow", OtherConnectionStep, 0, 2}, {"ConnectionAddsRow", OtherConnectionStep, 1, 1},
        {"SecondDataSetEdits", OtherDataSetStep, 0, 2},      {"SecondDataSetAppends", OtherDataSetStep, 1, 1},
    };
    return Ops;
}

// --- running, replaying and shrinking --------------------------------------------------------
struct TStep { int Op; unsigned Seed; };
using TOutcome = TWalkOutcome;

// Runs the steps on a fresh database and data set, writing a line for each step done to Out (a pipe to
// the parent when the walk runs apart), then "F message" if one failed.
TOutcome RunSteps(const std::vector<TStep>& Steps, int Out = -1) {
    TOutcome R;
    auto Put = [&](std::string L) {
        std::ranges::replace(L, '\n', '|'), std::ranges::replace(L, '\r', ' ');
        if (Out >= 0 && write(Out, (L + "\n").data(), L.size() + 1) < 0) _exit(2);
        return L;
    };
    TWalk W;
    for (int I = -1; I < int(Steps.size()) && R.FailedAt < 0; ++I) {   // -1: the data set as set up
        const TOp* Op = I < 0 ? nullptr : &Operations()[Steps[I].Op];
        const std::string Name = Op ? Op->Name : "at the start";
        bool Skipped = false;
        W.Rng.seed(I < 0 ? 0 : Steps[I].Seed);
        W.Log.clear();
        try {
            try {
                if (Op) Op->Run(W, Op->Arg);
            } catch (const TSkip&) {
                Skipped = true;
            }
            W.Check(!Op || Op->Run == TransactionStep || Op->Run == PostStep || Op->Run == CachedStep || Op->Run == DeleteStep ||
                    Op->Run == OtherConnectionStep || Op->Run == OtherDataSetStep);
        } catch (const TBroken& B) {
            R.FailedAt = std::max(I, 0), R.Message = Name + ": " + B.Why;
        } catch (const std::exception& X) {
            R.FailedAt = std::max(I, 0), R.Message = Name + ": raised: " + X.what();
        }
        if (Op) R.Done.push_back(Put(Name + " " + W.Log + (Skipped ? " (skipped)" : "")));
    }
    if (R.FailedAt >= 0) R.Message = Put("F " + R.Message).substr(2);
    return R;
}

// The steps as the environment carries them to a walk run apart: "op.seed op.seed ...".
std::string StepsText(const std::vector<TStep>& Steps) {
    std::string T;
    for (const TStep& S : Steps) T += Join(S.Op, ".", (long long)S.Seed, " ");
    return T;
}
std::vector<TStep> StepsFrom(const char* T) {
    std::vector<TStep> Steps;
    for (int Op = 0, N = 0; std::sscanf(T, "%d.%u %n", &Op, &Steps.emplace_back().Seed, &N) == 2; T += N)
        Steps.back().Op = Op;
    Steps.pop_back();
    return Steps;
}
std::string KnownText() {
    std::string T;
    for (const std::string& K : WalkInto) T += (T.empty() ? "" : ",") + K;
    return T;
}

// Runs the steps, apart when asked: in a fresh run of this test program, so that a crash or a hang (no
// end within Limit seconds) fails the step it was in.
TOutcome Replay(const std::vector<TStep>& Steps, int Limit = 30) {
    if (!Apart) return RunSteps(Steps);
    return RunWalkApart("DATASET_SEQUENCES_", {"DATASET_SEQUENCES_REPLAY=" + StepsText(Steps), "DATASET_SEQUENCES_KNOWN=" + KnownText()},
                        "DataSetSequences.RandomSeedsForAsLongAsAsked", Limit, int(Steps.size()),
                        [&](int I) { return std::string(Operations()[Steps[I].Op].Name); });
}

// The operations DATASET_SEQUENCES_ONLY names (every one when unset; "-Op" names one left out), or a
// message naming what it misspells.
std::vector<int> OperationsOn(bool Suite, std::string& Error) {
    const std::vector<TOp>& Ops = Operations();
    const char* Only = Suite ? nullptr : std::getenv("DATASET_SEQUENCES_ONLY");
    std::vector<int> On;
    std::string List = Only ? Join(",", Only, ",") : "";
    const bool Leave = List.starts_with(",-");
    for (size_t At = 1, End; Only && (End = List.find(',', At)) != List.npos; At = End + 1)
        if (const std::string Name = List.substr(At + Leave, End - At - Leave); !Name.empty() && IndexIn(Ops, Name, &TOp::Name) < 0)
            Error += "DATASET_SEQUENCES_ONLY names no operation \"" + Name + "\"\n";
    for (int I = 0; I < int(Ops.size()); ++I)
        if (Only ? (List.find(Join(",", Leave ? "-" : "", Ops[I].Name, ",")) != std::string::npos) != Leave : true)
            On.insert(On.end(), size_t(Ops[I].Weight), I);
    if (On.empty() && Error.empty()) Error = "DATASET_SEQUENCES_ONLY names no operation\n";
    if (!Error.empty()) {
        Error += "the operations:";
        for (const TOp& Op : Ops) Error += " " + Op.Name;
    }
    return On;
}
// DATASET_SEQUENCES_KNOWN: the known faults walked into ("all" or names), or a message naming what it misspells.
void ReadKnown(const char* Env, std::string& Error) {
    WalkInto.clear();
    std::string List = Env ? Join(Env, ",") : "";
    for (size_t At = 0, End; (End = List.find(',', At)) != List.npos; At = End + 1)
        if (const std::string Name = List.substr(At, End - At); !Name.empty()) {
            if (Name != "all" && std::ranges::find(KnownFaults, Name) == std::end(KnownFaults))
                Error += "DATASET_SEQUENCES_KNOWN names no known fault \"" + Name + "\"\n";
            WalkInto.insert(Name);
        }
}

// What a failure says, without its numbers and quoted texts: shrinking keeps to failures of the same kind.
std::string Shape(const std::string& Message) {
    std::string S;
    for (char C : Message.substr(0, Message.find(" is ")))
        if (!(C >= '0' && C <= '9')) S += C;
    return S;
}

// Walks Length steps from Seed over the operations On; the report of a failure, with the shortest
// sequence found by dropping single steps and pairs of steps the failure does not need.
std::string Walk(unsigned Seed, int Length, bool Suite, const std::vector<int>& On) {
    Apart = !Suite && !std::getenv("DATASET_SEQUENCES_INPROCESS");
    std::mt19937 Rng(Seed);
    std::vector<TStep> Steps;
    for (int I = 0; I < Length && !On.empty(); ++I) Steps.push_back({On[Rng() % On.size()], unsigned(Rng())});
    const TOutcome O = Replay(Steps);
    if (std::getenv("DATASET_SEQUENCES_SHOW"))
        for (const std::string& D : O.Done) std::printf("  %s\n", D.c_str());
    if (O.FailedAt < 0) return "";
    if (O.Message.starts_with("at the start")) return Join("seed ", (long long)Seed, ": ", O.Message, "\n");
    const int Limit = O.Message.find(": hung (") != std::string::npos ? 6 : 30;   // a hang shrinks faster
    Steps.resize(size_t(O.FailedAt + 1));
    int Budget = Suite ? 30 : 300;
    auto Without = [&](std::initializer_list<int> Drop) {
        std::vector<TStep> Fewer;
        for (int I = 0; I < int(Steps.size()); ++I)
            if (std::ranges::find(Drop, I) == Drop.end()) Fewer.push_back(Steps[I]);
        --Budget;
        const TOutcome F = Replay(Fewer, Limit);
        if (F.FailedAt < 0 || Shape(F.Message) != Shape(O.Message)) return false;
        Steps.assign(Fewer.begin(), Fewer.begin() + F.FailedAt + 1);
        return true;
    };
    for (bool Dropped = true; Dropped && Budget > 0;) {
        Dropped = false;
        for (int I = int(Steps.size()) - 2; I >= 0 && Budget > 0; --I) Dropped = Without({I}) || Dropped;
        for (int I = int(Steps.size()) - 3; I >= 0 && Budget > 0 && !Dropped; --I)
            for (int J = int(Steps.size()) - 2; J > I && Budget > 0 && !Dropped; --J) Dropped = Without({I, J});
    }
    const TOutcome S = Replay(Steps, Limit);
    std::string R = Join("seed ", (long long)Seed, ": ", O.Message, "\nshortest sequence (", int(Steps.size()), " steps): ",
                         S.FailedAt >= 0 ? S.Message : "(no longer fails alone)", "\n");
    for (const std::string& D : S.Done) R += "  " + D + "\n";
    R += "named:";
    for (const TStep& St : Steps) R += Join(" \"", Operations()[St.Op].Name, ":", (long long)St.Seed, "\",");
    return R + "\n";
}

}  // namespace

TEST(DataSetSequences, FixedSeedsHoldEveryInvariant) {
    std::string Error;
    ReadKnown(nullptr, Error);
    const std::vector<int> All = OperationsOn(true, Error);
    // Walks over every operation, then over families with the operations they meet most.
    const char* const Families[] = {
        "CachedOn,Edit,SetN,SetMemo,Insert,Append,Post,Cancel,Delete,RevertRecord,CancelUpdates,Apply,Commit,Rollback,Refresh,Next,Prior",
        "Sort,SortOff,FilterOn,FilterOff,Edit,Insert,Append,Post,Delete,Locate,Lookup,Next,RecNo,CachedOn,Apply,RevertRecord",
        "DetailOn,WaitOn,WaitOff,Master,Edit,Insert,Post,Cancel,Delete,Next,CachedOn,CachedOff,Apply,Commit",
        // A kept sort on the field the trigger changes, crossed with applies, reverts and refreshes.
        "CachedOn,SortN,EditN,SetN,Insert,Append,Post,Apply,RevertRecord,CancelUpdates,Refresh,Next,Prior,Commit",
        // A detail line edited while its master moves, then posted, applied or auto-committed.
        "DetailOn,WaitOn,CachedOn,CachedOff,AutoCommit,EditN,EditS,Insert,Master,MasterWaitEnds,Post,Apply,Delete,Commit",
        // The same with the reverts, and rows changed meanwhile by another connection and a second data set.
        "DetailOn,WaitOn,CachedOn,AutoCommit,EditN,EditS,Append,Master,Post,Apply,RevertRecord,CancelUpdates,Next,Connection,Second",
    };
    for (unsigned Seed = 1; Seed <= 4; ++Seed)
        if (const std::string Report = Walk(Seed, 40, true, All); !Report.empty()) ADD_FAILURE() << Report;
    for (const char* Family : Families) {
        std::vector<int> On;
        for (int I : All)
            for (size_t At = 0, End = 0; End != std::string::npos; At = End + 1) {
                End = std::string(Family).find(',', At);
                if (Operations()[I].Name.starts_with(std::string(Family).substr(At, End - At))) On.push_back(I), End = std::string::npos;
            }
        for (unsigned Seed = 1; Seed <= 2; ++Seed)
            if (const std::string Report = Walk(Seed, 40, true, On); !Report.empty()) ADD_FAILURE() << Family << "\n" << Report;
    }
}

TEST(DataSetSequences, RandomSeedsForAsLongAsAsked) {
    std::string Error;
    ReadKnown(std::getenv("DATASET_SEQUENCES_KNOWN"), Error);
    if (const char* Steps = std::getenv("DATASET_SEQUENCES_REPLAY")) {   // one walk run apart by Replay
        alarm(unsigned(std::atoi(std::getenv("DATASET_SEQUENCES_LIMIT"))));
        RunSteps(StepsFrom(Steps), std::atoi(std::getenv("DATASET_SEQUENCES_FD")));
        _exit(0);
    }
    const char* Env = std::getenv("DATASET_SEQUENCES_SECONDS");
    if (!Env) GTEST_SKIP() << "DATASET_SEQUENCES_SECONDS not set";
    const std::vector<int> On = OperationsOn(false, Error);
    ASSERT_TRUE(Error.empty()) << Error << "\nthe known faults: all " << [] {
        std::string T;
        for (const std::string& K : KnownFaults) T += Join(K, " ");
        return T;
    }();
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(Env));
    const char* One = std::getenv("DATASET_SEQUENCES_SEED");
    std::random_device Dev;
    int Walks = 0, Failed = 0;
    for (; std::chrono::steady_clock::now() < Until && !(One && Walks > 0); ++Walks) {
        const std::string Report = Walk(One ? unsigned(std::strtoul(One, nullptr, 10)) : Dev(), 60, false, On);
        if (!Report.empty()) {
            ++Failed;
            ADD_FAILURE() << Report;
        }
    }
    std::printf("%d walks, %d failed\n", Walks, Failed);
}

// Steps found by walks, named: each runs with its place in the list as its seed ("Name:Seed" gives one) and
// must hold every invariant.
TEST(DataSetSequences, NamedStepsHoldEveryInvariant) {
    const std::vector<std::vector<std::string>> Cases = {
        {"DetailOn", "CachedOn", "EditN", "Post", "WaitOn", "MasterNext", "MasterPrior", "MasterWaitEnds"},   // back where it was
        {"FilterOn", "DetailOn", "WaitOn", "MasterNext", "EditN"},   // the master it follows has no lines shown
        {"RefreshSQLOff", "Append", "Post", "EditN", "Post", "EditN", "Post"},   // a memo written, then other fields twice
        {"CachedOn", "Sort:628560457", "EditN:2665186684", "Post", "Append:1806979348", "Post", "CancelUpdates"},   // a kept sort
        {"RefreshSQLOff", "CachedOn", "EditMemo", "Post", "Apply", "EditN", "Post", "Apply", "EditS", "Post", "Apply"},
        {"DetailOn", "CachedOn", "WaitOn", "EditS", "Post", "MasterNext", "Apply"},   // applied before the wait ends
        {"DetailOn", "CachedOn", "AutoCommitOn", "EditS", "MasterNext", "Post"},      // the master moved during the edit
        // A post whose auto-commit is refused, cancelled: nothing of it reaches the next commit.
        {"AutoCommitOn", "Append:195325359", "Post", "Cancel", "EditS:2196203591", "Post", "Cancel", "Commit"},
        {"EditS:2196203591", "Post", "AutoCommitOn", "Next", "Delete", "Rollback"},   // a delete's refused auto-commit
        // A line whose auto-commit is refused after its master moved keeps that master at its next post.
        {"AutoCommitOn:2187474674", "CachedOn:308430548", "DetailOn:2245022903", "EditS:3036895748", "MasterNext:872733232",
         "Next:3208642962", "EditS:1863235283", "Post:4107543530"},
        // A line edited across a master move, saved: stored under the master it was typed for, posted or not.
        {"DetailOn", "CachedOn", "EditS", "MasterNext", "Apply"}, {"DetailOn", "CachedOn", "EditN", "MasterNext", "Post", "MasterNext", "Apply"},
        // A row another connection changed, read again, deleted and taken back: back to what was read.
        {"CachedOn", "Delete", "ConnectionChangesRow:1648876930", "Apply", "Refresh", "Delete", "CancelUpdates"},
        // The refused line taken back: the detail follows its master before the next line.
        {"AutoCommitOn", "CachedOn", "DetailOn", "EditS:3036895748", "MasterNext", "Next", "CancelUpdates", "Append", "Post"},
        {"AutoCommitOn", "CachedOn", "DetailOn", "EditS:3036895748", "MasterNext", "Post", "RevertRecord", "Insert", "Post"},
        {"DetailOn", "CachedOn", "EditS", "Post", "MasterNext", "Append", "Post", "Apply", "MasterNext"}, {"DetailOn", "CachedOn", "WaitOn", "Delete", "MasterLast", "MasterWaitEnds", "Append", "Post", "Apply"},   // the first: lines pending keep it
    };
    WalkInto = {"all"};
    for (const auto& Names : Cases) {
        std::vector<TStep> Steps;
        for (const std::string& Name : Names) {
            const size_t Colon = Name.find(':');
            Steps.push_back({IndexIn(Operations(), Name.substr(0, Colon), &TOp::Name),
                             Colon == Name.npos ? unsigned(Steps.size() + 1) : unsigned(std::stoul(Name.substr(Colon + 1)))});
        }
        const TOutcome O = RunSteps(Steps);
        std::string Done;
        for (const std::string& D : O.Done) Done += "  " + D + "\n";
        EXPECT_LT(O.FailedAt, 0) << O.Message << "\n" << Done;
        EXPECT_EQ(Done.find("(skipped)"), std::string::npos) << Done;
    }
    WalkInto.clear();
}

// Visible record numbers after a record was inserted among hidden ones, posted by the move itself or before it.
TEST(DataSetSequences, RecNoFindsTheRecordAfterAnInsertAmongHiddenOnes) {
    for (bool PostFirst : {false, true}) {
        TWalk W;
        W.Ds->SetFiltered(true);   // 2 3 5 6 shown, 1 and 4 hidden
        W.Ds->Insert();
        for (auto [Name, V] : {std::pair("ID", 100), {"MID", 1}, {"N", 42}}) W.Ds->FieldByName(Name)->SetAsInteger(V);
        if (PostFirst) W.Ds->Post();
        W.Ds->SetRecNo(3);
        EXPECT_EQ(W.Ds->FieldByName("ID")->AsInteger(), 3) << PostFirst;
        EXPECT_EQ(W.Ds->RecNo(), 3) << PostFirst;
    }
}
