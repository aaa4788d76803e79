#include "dbclient/FBRegistry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/rtl/Registry.h"
#include "support/TempFolder.h"

namespace {

class FBRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { SetRegistryFileName(folder.File("registry.ini")); }
    void TearDown() override { SetRegistryFileName(""); }
    TTempFolder folder{"osb-reg-"};
};

TEST_F(FBRegistryTest, WriteThenRead) {
    WriteRegistryValues({"Software", "KADRIX_Software", "Aliases", "zemtar"}, {"Name", "Port", "Flag", "Ratio", "Skipped"},
                        {Variant("zemtar.gdb"), Variant(3050), Variant(true), Variant(1.5), Variant::Null()});
    Variant v = ReadRegistryValues({"Software", "KADRIX_Software", "Aliases", "zemtar"}, {"Name", "Port", "Flag", "Missing"});
    ASSERT_TRUE(VarIsArray(v));
    EXPECT_EQ(VarArrayGet(v, {0, 0}).AsString(), "zemtar.gdb");
    EXPECT_TRUE(VarArrayGet(v, {1, 0}).AsBoolean());
    EXPECT_EQ(VarArrayGet(v, {0, 1}).AsInteger(), 3050);
    EXPECT_TRUE(VarArrayGet(v, {1, 1}).AsBoolean());
    // Values of other data types and missing ones are not read.
    EXPECT_FALSE(VarArrayGet(v, {1, 3}).AsBoolean());
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(v, {0, 3})));
}

TEST_F(FBRegistryTest, MissingKeyGivesFalse) {
    Variant v = ReadRegistryValues({"Software", "Nowhere"}, {"Name"});
    EXPECT_FALSE(VarIsArray(v));
    EXPECT_EQ(VarType(v), varBoolean);
    EXPECT_FALSE(v.AsBoolean());
}

TEST_F(FBRegistryTest, FindKeyByValue) {
    const AnsiString path = "Software\\KADRIX_Software\\Transation Kinds";
    WriteRegistryValues({"Software", "KADRIX_Software", "Transation Kinds", "1"}, {"Name", "Params"},
                        {Variant("ReadOnly"), Variant("read\r\nread_committed")});
    WriteRegistryValues({"Software", "KADRIX_Software", "Transation Kinds", "2"}, {"Name", "Params"},
                        {Variant("Snapshot"), Variant("concurrency")});
    EXPECT_EQ(FindRegistryKeyByValue(path, "Name", "Snapshot"), "2");
    EXPECT_EQ(FindRegistryKeyByValue(path, "Name", "Other"), "");
    TStringList names;
    GetRegistryKeyNames(path, &names);
    EXPECT_EQ(names.Count(), 2);
}

}  // namespace
