// A second process of the data layer for tests that need several: it opens a
// connection set up as the program's data module sets up its own, and runs
// the commands it reads, one a line, answering each with one line:
//   open NAME             connect to NAME (a path, or host/port:path)
//   password TEXT         log in with TEXT instead of the tests' password
//   exec SQL              run a statement in the transaction (started on need)
//   value SQL             the first column of the first row ("" for NULL)
//   commit | rollback     end the transaction
// and, on one data set of the program's kind (on the same transaction):
//   select SQL            open it on SQL (its update statement stays)
//   modify SQL            its update statement
//   refresh SQL           its statement that reads the current record again
//   protect               edit it protected: Edit takes the record's lock
//   edit FIELD VALUE      Edit the current record, set FIELD, Post (a refused
//                         post is cancelled, as the screens do)
//   field NAME            the current record's value of NAME
//   bulk N K              insert rows 1, 2, ... into BULK(ID, NAME, AMOUNT),
//                         committing every N rows and saying "committed <rows>";
//                         after K commits go on inserting without a commit,
//                         say "inserting" once, and never stop (the test kills it)
// Answers: "ok" or "ok VALUE" on success, "error MESSAGE" (line breaks as " | ").
#include <sys/prctl.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <string>

#include "datasets/pFBDataSet.h"
#include "dbclient/FBQuery.h"
#include "dbclient/pFBDatabase.h"
#include "dbclient/pFBTransaction.h"

namespace {

std::string OneLine(std::string S) {
    std::string r;
    for (size_t i = 0; i < S.size(); ++i) {
        if (S[i] == '\r') continue;
        if (S[i] == '\n') {
            if (i + 1 < S.size()) r += " | ";
            continue;
        }
        r += S[i];
    }
    return r;
}

void Answer(const std::string& Line) { std::cout << Line << std::endl; }

class TWorker {
public:
    TWorker() {
        FDb = new TpFBDatabase(&FOwner);
        FDb->SetName("FBDbase1");
        FTr = new TpFBTransaction(&FOwner);
        FTr->SetName("FBTransact1");
        FDb->DBParams()->Add("user_name=SYSDBA");
        FDb->DBParams()->Add("password=masterkey");
        FDb->DBParams()->Add("lc_ctype=WIN1254");
        FDb->SetDefaultTransaction(FTr);
        FDb->SetDefaultUpdateTransaction(FTr);
        FDb->SetSQLDialect(1);
        FTr->SetDefaultDatabase(FDb);
        FTr->SetTimeoutAction(TACommit);
        FSet = new TpFBDataSet(&FOwner);
        FSet->SetName("Subscribers");
        FSet->SetDatabase(FDb);
        FSet->SetTransaction(FTr);
    }

    void Run(const std::string& Command, const std::string& Arg) {
        if (Command == "open") {
            FDb->SetDBName(Arg);
            FDb->Open();
            Answer("ok");
        } else if (Command == "password") {
            FDb->DBParams()->SetValues("password", Arg);
            Answer("ok");
        } else if (Command == "exec") {
            Statement(Arg)->ExecQuery();
            Answer("ok");
        } else if (Command == "value") {
            TFBQuery* q = Statement(Arg);
            q->ExecQuery();
            const std::string v = q->Eof() || q->Fields(0)->IsNull() ? std::string() : q->Fields(0)->AsString();
            q->Close();
            Answer("ok " + v);
        } else if (Command == "commit") {
            if (FTr->Active()) FTr->Commit();
            Answer("ok");
        } else if (Command == "rollback") {
            if (FTr->Active()) FTr->Rollback();
            Answer("ok");
        } else if (Command == "select") {
            FSet->Close();
            FSet->SelectSQL()->SetText(Arg);
            FSet->Open();
            Answer("ok");
        } else if (Command == "modify") {
            FSet->UpdateSQL()->SetText(Arg);
            Answer("ok");
        } else if (Command == "refresh") {
            FSet->RefreshSQL()->SetText(Arg);
            Answer("ok");
        } else if (Command == "protect") {
            FSet->SetOptions(FSet->Options() + TpFBDsOptions{poProtectedEdit});
            Answer("ok");
        } else if (Command == "edit") {
            const size_t blank = Arg.find(' ');
            Edit(Arg.substr(0, blank), blank == std::string::npos ? std::string() : Arg.substr(blank + 1));
            Answer("ok");
        } else if (Command == "field") {
            Answer("ok " + FSet->FieldByName(Arg)->AsString());
        } else if (Command == "bulk") {
            const size_t blank = Arg.find(' ');
            Bulk(std::stoi(Arg.substr(0, blank)), std::stoi(Arg.substr(blank + 1)));
        } else {
            Answer("error unknown command " + Command);
        }
    }

private:
    TFBQuery* Statement(const std::string& SQL) {
        FQuery = std::make_unique<TFBQuery>(nullptr);
        FQuery->SetName("Query1");
        FQuery->SetDatabase(FDb);
        FQuery->SetTransaction(FTr);
        FQuery->SetOptions({qoStartTransaction});
        FQuery->SQL()->SetText(SQL);
        return FQuery.get();
    }

    void Edit(const std::string& Field, const std::string& Value) {
        FSet->Edit();
        try {
            FSet->FieldByName(Field)->SetAsString(Value);
            FSet->Post();
        } catch (...) {
            if (FSet->State() == dsEdit) FSet->Cancel();
            throw;
        }
    }

    void Bulk(int PerCommit, int Commits) {
        TFBQuery* q = Statement("insert into BULK (ID, NAME, AMOUNT) values (:ID, :NAME, :AMOUNT)");
        for (int id = 1; id < 100000000; ++id) {
            q->ParamByName("ID")->SetAsInteger(id);
            q->ParamByName("NAME")->SetAsString("row-" + std::to_string(id));
            q->ParamByName("AMOUNT")->SetAsInteger(id * 3);
            q->ExecQuery();
            if (id % PerCommit == 0 && id / PerCommit <= Commits) {
                FTr->Commit();
                Answer("committed " + std::to_string(id));
            } else if (id == PerCommit * Commits + 1) {
                Answer("inserting");
            }
        }
        Answer("error never killed");
    }

    TComponent FOwner{nullptr};
    TpFBDatabase* FDb = nullptr;
    TpFBTransaction* FTr = nullptr;
    TpFBDataSet* FSet = nullptr;
    std::unique_ptr<TFBQuery> FQuery;
};

}  // namespace

int main() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);   // never outlives the test that started it
    TWorker worker;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "quit") break;
        const size_t blank = line.find(' ');
        try {
            worker.Run(line.substr(0, blank), blank == std::string::npos ? std::string() : line.substr(blank + 1));
        } catch (const std::exception& e) {
            Answer("error " + OneLine(e.what()));
        }
    }
    return 0;
}
