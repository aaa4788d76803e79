// A process killed in the middle of a bulk insert: the database opened again
// holds exactly the rows whose commit the process reported, each one whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBTransaction.h"
#include "support/db/RawSql.h"
#include "support/db/TestDatabase.h"
#include "support/db/WorkerProcess.h"

namespace {

struct TKillPoint {
    int PerCommit;   // rows per commit
    int Commits;     // commits before the insert that is cut off
    int DelayMs;     // how long the uncommitted insert runs before the kill
};

class FBDatabaseKill : public ::testing::TestWithParam<TKillPoint> {};

TEST_P(FBDatabaseKill, ReopenedDatabaseHoldsExactlyTheReportedRows) {
    const TKillPoint k = GetParam();
    TTestDatabase file(1, false);
    file.Execute("CREATE TABLE BULK (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), AMOUNT INTEGER)");
    int reported = 0;
    {
        TWorkerProcess worker(file.Folder() + "/worker-lock");
        ASSERT_EQ(worker.Ask("open " + file.Path()), "ok");
        ASSERT_TRUE(worker.Process().WriteLine("bulk " + std::to_string(k.PerCommit) + " " +
                                               std::to_string(k.Commits)));
        for (;;) {
            const auto line = worker.Process().ReadLine(60000);
            ASSERT_TRUE(line.has_value()) << "the worker stopped answering";
            if (*line == "inserting") break;
            ASSERT_EQ(line->rfind("committed ", 0), 0u) << *line;
            reported = std::stoi(line->substr(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(k.DelayMs));
        worker.Process().Signal(SIGKILL);
        const auto status = worker.Process().Wait(30000);
        ASSERT_TRUE(status.has_value());
        ASSERT_TRUE(WIFSIGNALED(*status));
        EXPECT_EQ(WTERMSIG(*status), SIGKILL);
    }
    EXPECT_EQ(reported, k.PerCommit * k.Commits);

    TFBDatabase db(nullptr);
    db.SetDBName(file.Path());
    TTestDatabase::AddLogin(db.DBParams());
    db.Open();
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(&db);
    tr.StartTransaction();
    EXPECT_EQ(SelectInt(db, tr, "select count(*) from BULK"), reported);
    EXPECT_EQ(SelectInt(db, tr, "select coalesce(max(ID), 0) from BULK"), reported);
    EXPECT_EQ(SelectInt(db, tr,
                        "select count(*) from BULK where NAME is distinct from 'row-' || ID "
                        "or AMOUNT is distinct from ID * 3"),
              0)
        << "a row only partly written";
    // The database takes new work where the dead process left off.
    ExecSQL(db, tr, "insert into BULK (ID, NAME, AMOUNT) values (" + std::to_string(reported + 1) + ", 'x', 0)");
    tr.Commit();
    tr.StartTransaction();
    EXPECT_EQ(SelectInt(db, tr, "select count(*) from BULK"), reported + 1);
    tr.Commit();
    db.Close();
}

INSTANTIATE_TEST_SUITE_P(Points, FBDatabaseKill,
                         ::testing::Values(TKillPoint{1, 5, 0}, TKillPoint{50, 1, 20}, TKillPoint{200, 3, 100}));

}  // namespace
