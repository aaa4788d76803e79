// Several operators at once: two processes of the data layer on one database
// of a real Firebird server, reached as "localhost/PORT:path".
#include <gtest/gtest.h>

#include <memory>

#include "support/db/FirebirdServer.h"
#include "support/db/TestDatabase.h"
#include "support/db/WorkerProcess.h"

namespace {

class FBDatabaseServer : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        FServer = std::make_unique<TFirebirdServer>();
        if (!FServer->Start()) FFailure = FServer->Failure();
    }
    static void TearDownTestSuite() { FServer.reset(); }

protected:
    void SetUp() override {
        if (!FFailure.empty()) GTEST_SKIP() << "No Firebird server to test with: " << FFailure;
        FDatabase = std::make_unique<TTestDatabase>(1, true, FServer->Host());
        FA = std::make_unique<TWorkerProcess>(FServer->LockFolder());
        FB = std::make_unique<TWorkerProcess>(FServer->LockFolder());
        ASSERT_EQ(A("open " + FDatabase->ConnectName()), "ok");
        ASSERT_EQ(B("open " + FDatabase->ConnectName()), "ok");
    }
    void TearDown() override {
        FA.reset();
        FB.reset();
        FDatabase.reset();
    }
    std::string A(const std::string& Command) { return FA->Ask(Command); }
    std::string B(const std::string& Command) { return FB->Ask(Command); }

    static inline std::unique_ptr<TFirebirdServer> FServer;
    static inline std::string FFailure;
    std::unique_ptr<TTestDatabase> FDatabase;
    std::unique_ptr<TWorkerProcess> FA, FB;
};

TEST_F(FBDatabaseServer, EachProcessReadsWhatTheOtherCommitted) {
    EXPECT_EQ(A("value select trim(mon$remote_protocol) from mon$attachments "
                "where mon$attachment_id = current_connection"),
              "ok TCPv4")
        << "through the server, not an engine of its own";
    EXPECT_EQ(A("exec insert into EABONEKIMLIK (ABONENO, ADI, SOYADI) values ('100', 'ALI', 'VELI')"), "ok");
    EXPECT_EQ(B("value select count(*) from EABONEKIMLIK"), "ok 0") << "nothing before the commit";
    EXPECT_EQ(A("commit"), "ok");
    EXPECT_EQ(B("value select ADI from EABONEKIMLIK where ABONENO = '100'"), "ok ALI");
    EXPECT_EQ(B("exec update EABONEKIMLIK set SOYADI = 'CAN' where ABONENO = '100'"), "ok");
    EXPECT_EQ(B("commit"), "ok");
    EXPECT_EQ(A("value select SOYADI from EABONEKIMLIK where ABONENO = '100'"), "ok CAN");
}

TEST_F(FBDatabaseServer, SecondWriterOfASubscriberGetsTheLockConflict) {
    ASSERT_EQ(A("exec insert into EABONEKIMLIK (ABONENO, ADI, SOYADI) values ('200', 'ALI', 'VELI')"), "ok");
    ASSERT_EQ(A("commit"), "ok");
    EXPECT_EQ(A("exec update EABONEKIMLIK set ADI = 'AYSE' where ABONENO = '200'"), "ok");
    const std::string conflict = B("exec update EABONEKIMLIK set SOYADI = 'KAYA' where ABONENO = '200'");
    EXPECT_EQ(conflict.rfind("error ", 0), 0u) << conflict;
    EXPECT_EQ(conflict.rfind("error Query1: | deadlock.", 0), 0u) << conflict;
    EXPECT_NE(conflict.find("update conflicts with concurrent update."), std::string::npos) << conflict;
    EXPECT_EQ(B("rollback"), "ok");
    EXPECT_EQ(A("commit"), "ok");
    // The refused writer tries again once the first one is done: both changes stay.
    EXPECT_EQ(B("exec update EABONEKIMLIK set SOYADI = 'KAYA' where ABONENO = '200'"), "ok");
    EXPECT_EQ(B("commit"), "ok");
    EXPECT_EQ(A("value select ADI || '/' || SOYADI from EABONEKIMLIK where ABONENO = '200'"), "ok AYSE/KAYA");
    EXPECT_EQ(B("value select count(*) from EABONEKIMLIK"), "ok 1");
}

// Both processes read subscriber 300 into a data set that writes every column back, as the screens do.
class FBDatabaseServerEdit : public FBDatabaseServer {
protected:
    void SetUp() override {
        FBDatabaseServer::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(A("exec insert into EABONEKIMLIK (ABONENO, ADI, SOYADI) values ('300', 'ALI', 'VELI')"), "ok");
        ASSERT_EQ(A("commit"), "ok");
    }
    void Read(bool Protected) {
        for (TWorkerProcess* W : {FA.get(), FB.get()}) {
            if (Protected) {
                ASSERT_EQ(W->Ask("protect"), "ok");
            }
            ASSERT_EQ(W->Ask("modify update EABONEKIMLIK set ADI = ?ADI, SOYADI = ?SOYADI where ABONENO = ?OLD_ABONENO"),
                      "ok");
            ASSERT_EQ(W->Ask("select select * from EABONEKIMLIK where ABONENO = '300'"), "ok");
        }
    }
    std::string Stored() { return A("value select ADI || '/' || SOYADI from EABONEKIMLIK where ABONENO = '300'"); }
};

TEST_F(FBDatabaseServerEdit, TheSecondPostOfARecordBeingChangedFailsAndNothingIsLost) {
    Read(false);
    ASSERT_EQ(A("edit ADI AYSE"), "ok");
    const std::string refused = B("edit SOYADI KAYA");
    EXPECT_EQ(refused.rfind("error ", 0), 0u) << refused;
    EXPECT_NE(refused.find("update conflicts with concurrent update."), std::string::npos) << refused;
    EXPECT_EQ(B("field SOYADI"), "ok VELI") << "the refused change is cancelled, not kept half-made";
    EXPECT_EQ(A("commit"), "ok");
    EXPECT_EQ(B("rollback"), "ok");
    // Read again, the second operator's change goes in on top of the first one's.
    EXPECT_EQ(B("select select * from EABONEKIMLIK where ABONENO = '300'"), "ok");
    EXPECT_EQ(B("field ADI"), "ok AYSE");
    EXPECT_EQ(B("edit SOYADI KAYA"), "ok");
    EXPECT_EQ(B("commit"), "ok");
    EXPECT_EQ(Stored(), "ok AYSE/KAYA");
}

TEST_F(FBDatabaseServerEdit, AProtectedEditOfARecordHeldByTheOtherProcessIsRefusedAtOnce) {
    Read(true);
    ASSERT_EQ(A("edit ADI AYSE"), "ok");
    const std::string refused = B("edit SOYADI KAYA");
    EXPECT_EQ(refused, "error Error of record updating:Deadlock detected");
    EXPECT_EQ(B("field SOYADI"), "ok VELI");
    EXPECT_EQ(A("commit"), "ok");
    EXPECT_EQ(B("rollback"), "ok");
    EXPECT_EQ(Stored(), "ok AYSE/VELI");
}

TEST_F(FBDatabaseServerEdit, AProtectedEditAfterTheOtherProcessCommittedKeepsItsChange) {
    Read(true);
    // The lock alone does not read the record again: the refresh statement does.
    ASSERT_EQ(A("refresh select * from EABONEKIMLIK where ABONENO = ?OLD_ABONENO"), "ok");
    ASSERT_EQ(B("edit ADI AYSE"), "ok");
    ASSERT_EQ(B("commit"), "ok");
    // A read the record before B's change; its edit takes the record as it is now.
    EXPECT_EQ(A("edit SOYADI KAYA"), "ok");
    EXPECT_EQ(A("field ADI"), "ok AYSE");
    EXPECT_EQ(A("commit"), "ok");
    EXPECT_EQ(Stored(), "ok AYSE/KAYA");
}

}  // namespace
