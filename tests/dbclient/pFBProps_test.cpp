#include "dbclient/pFBProps.h"

#include <gtest/gtest.h>

#include "dbclient/FBDatabase.h"

namespace {

TEST(pFBProps, ConnectParamsAreViewsOfTheLines) {
    TFBDatabase db(nullptr);
    TConnectParams* cp = db.ConnectParams();
    cp->SetUserName("SYSDBA");
    cp->SetPassword("kolvetrim");
    cp->SetRoleName("R");
    cp->SetCharSet("WIN1254");
    EXPECT_EQ(db.DBParams()->Text(), "user_name=SYSDBA\r\npassword=kolvetrim\r\nsql_role_name=R\r\nlc_ctype=WIN1254\r\n");
    cp->SetRoleName("");
    EXPECT_EQ(db.DBParams()->Count(), 3);
    EXPECT_EQ(cp->Password(), "kolvetrim");
    TObject notADatabase;
    TConnectParams loose(&notADatabase);
    loose.SetUserName("x");
    EXPECT_EQ(loose.UserName(), "");
}

TEST(pFBProps, SwapDir) {
    TBlobSwapSupport s;
    EXPECT_EQ(s.SwapDir(), "{APP_PATH}");
    EXPECT_EQ(s.GetSwapDir(), "");
    s.SetActive(true);
    AnsiString dir = s.GetSwapDir();
    EXPECT_EQ(dir, ApplicationPath());
    EXPECT_EQ(dir.back(), '/');
    s.SetSwapDir("{app_path}blobs");
    EXPECT_EQ(s.GetSwapDir(), ApplicationPath() + "blobs/");
    s.SetSwapDir("/var/cache/osb/");
    EXPECT_EQ(s.GetSwapDir(), "/var/cache/osb/");
}

TEST(pFBProps, CacheSchemaDefaults) {
    TCacheSchemaOptions o;
    EXPECT_EQ(o.LocalCacheFile(), "");
    EXPECT_FALSE(o.AutoSaveToFile());
    EXPECT_FALSE(o.AutoLoadFromFile());
    EXPECT_TRUE(o.ValidateAfterLoad());
}

}  // namespace
