#include "dbclient/pFBProps.h"

#include <gtest/gtest.h>

#include "dbclient/FBDatabase.h"
#include "platform/data/Filer.h"

namespace {

// A stand-in for the data set that owns the property objects.
class TPropsOwner : public TComponent, public IFBPropsOwner {
public:
    TPropsOwner() : TComponent(nullptr) {}
    TFBDatabase* Database() const override { return FDatabase; }
    TStrings* SelectSQL() const override { return &FTexts[0]; }
    void SetSelectSQL(TStrings* V) override { FTexts[0].Assign(V); }
    TStrings* InsertSQL() const override { return &FTexts[1]; }
    void SetInsertSQL(TStrings* V) override { FTexts[1].Assign(V); }
    TStrings* UpdateSQL() const override { return &FTexts[2]; }
    void SetUpdateSQL(TStrings* V) override { FTexts[2].Assign(V); }
    TStrings* DeleteSQL() const override { return &FTexts[3]; }
    void SetDeleteSQL(TStrings* V) override { FTexts[3].Assign(V); }
    TStrings* RefreshSQL() const override { return &FTexts[4]; }
    void SetRefreshSQL(TStrings* V) override { FTexts[4].Assign(V); }
    TFBDatabase* FDatabase = nullptr;
    mutable TStringList FTexts[5];
};

TEST(pFBProps, AutoUpdateOptionsDefaults) {
    TAutoUpdateOptions o(nullptr);
    EXPECT_EQ(o.UpdateTableName() + o.KeyFields() + o.GeneratorName() + o.GetModifyTableName(), "");
    EXPECT_EQ(o.KeyFieldsList()->Count() + o.ParamsToFieldsLinks()->Count(), 0);
    EXPECT_EQ(o.GeneratorStep(), 1);
    EXPECT_EQ(o.WhenGetGenID(), wgNever);
    EXPECT_TRUE(o.OldGenBeforePost());
    for (bool flag : {o.AutoReWriteSqls(), o.CanChangeSQLs(), o.OldSelectGenID(), o.UpdateOnlyModifiedFields(),
                      o.AutoParamsToFields(), o.SeparateBlobUpdate(), o.HasAlias(), o.UseGenerator()})
        EXPECT_FALSE(flag);
}

TEST(pFBProps, UpdateTableNameGivesGeneratorTableAndAlias) {
    struct Case {
        TWhenGetGenID When;
        const char *Generator, *Value, *ExpectedGenerator, *Table, *Alias;
    } cases[] = {
        {wgBeforePost, "", "ORDERS", "GEN_ORDERS_ID", "ORDERS", "ORDERS"},
        {wgOnNewRecord, "", " ORDERS ", "GEN_ORDERS_ID", "ORDERS", "ORDERS"},
        {wgNever, "", "ORDERS", "", "ORDERS", "ORDERS"},
        {wgBeforePost, "MY_GEN", "ORDERS", "MY_GEN", "ORDERS", "ORDERS"},
        // The alias is no part of a generator name.
        {wgBeforePost, "", "ORDERS   O ", "GEN_ORDERS_ID", "ORDERS", "O"},
        {wgBeforePost, "", "\"My T\" T", "GEN_\"My T\"_ID", "\"My T\"", "T"},
        {wgBeforePost, "", "", "", "", ""},
    };
    for (const auto& c : cases) {
        TAutoUpdateOptions o(nullptr);
        o.SetWhenGetGenID(c.When);
        o.SetGeneratorName(c.Generator);
        o.SetCachedKeyCondition("ID=?ID");
        o.SetCachedSelectText("select 1");
        o.SetUpdateTableName(c.Value);
        EXPECT_EQ(o.GeneratorName(), c.ExpectedGenerator) << c.Value;
        EXPECT_EQ(o.HasAlias(), AnsiString(c.Table) != c.Alias) << c.Value;
        EXPECT_EQ(o.GetModifyTableName(), c.Table) << c.Value;
        EXPECT_EQ(o.GetModifyTableAlias(), c.Alias) << c.Value;
        EXPECT_EQ(o.CachedKeyCondition() + o.CachedSelectText(), "");
    }
}

TEST(pFBProps, ModifyNamesFollowTheOwnerDatabaseAndAreKeptUntilTheTableChanges) {
    TPropsOwner owner;
    TFBDatabase db(nullptr);
    owner.FDatabase = &db;
    TAutoUpdateOptions o(&owner);
    o.SetUpdateTableName("orders o");
    EXPECT_EQ(o.GetModifyTableName() + "|" + o.GetModifyTableAlias(), "ORDERS|O");
    db.SetSQLDialect(3);
    EXPECT_EQ(o.GetModifyTableName(), "ORDERS");
    o.SetUpdateTableName("orders o");
    EXPECT_EQ(o.GetModifyTableName() + "|" + o.GetModifyTableAlias(), "\"orders\"|\"o\"");
    db.SetUpperOldNames(true);
    o.SetUpdateTableName("orders");
    EXPECT_EQ(o.GetModifyTableName() + "|" + o.GetModifyTableAlias(), "ORDERS|ORDERS");
}

TEST(pFBProps, KeyFieldsLinksAndFlagSetters) {
    TAutoUpdateOptions o(nullptr);
    o.SetCachedKeyCondition("x");
    o.SetKeyFields(" ABONENO ; DONEMI;;  ;REF");
    EXPECT_EQ(o.KeyFields(), " ABONENO ; DONEMI;;  ;REF");
    EXPECT_EQ(o.KeyFieldsList()->Text(), "ABONENO\r\nDONEMI\r\nREF\r\n");
    EXPECT_EQ(o.CachedKeyCondition(), "");
    o.SetKeyFields("");
    EXPECT_EQ(o.KeyFieldsList()->Count(), 0);

    TStringList links;
    links.SetText("ABONENO=P1\r\n\r\nDONEMI=P2\r\n\r\n");
    o.SetParamsToFieldsLinks(&links);
    EXPECT_EQ(o.ParamsToFieldsLinks()->Text(), "ABONENO=P1\r\nDONEMI=P2\r\n");
    EXPECT_EQ(links.Count(), 4);
    o.SetParamsToFieldsLinks(nullptr);
    EXPECT_EQ(o.ParamsToFieldsLinks()->Count(), 0);

    for (int bits = 0; bits < 4; ++bits) {
        o.SetAutoReWriteSqls(bits & 1);
        o.SetCanChangeSQLs(bits & 2);
        o.SetUpdateOnlyModifiedFields(true);
        EXPECT_EQ(o.UpdateOnlyModifiedFields(), bits == 3) << bits;
    }

    o.SetUseGenerator(true);
    EXPECT_EQ(o.WhenGetGenID(), wgBeforePost);
    o.SetWhenGetGenID(wgOnNewRecord);
    o.SetUseGenerator(true);
    EXPECT_EQ(o.WhenGetGenID(), wgOnNewRecord);
    o.SetUseGenerator(false);
    EXPECT_EQ(o.WhenGetGenID(), wgNever);
}

TEST(pFBProps, OlderGeneratorSettings) {
    // SelectGenID / GenBeforePost as read (-1: absent) and the moment they give.
    const int cases[][3] = {{1, -1, wgBeforePost}, {0, -1, wgNever}, {1, 1, wgBeforePost},
                            {1, 0, wgOnNewRecord}, {0, 0, wgNever},  {-1, 0, wgNever}};
    for (const auto& c : cases) {
        TAutoUpdateOptions o(nullptr);
        TStringList lines;   // read from a stored form, which never gets them back
        if (c[0] >= 0) lines.Add(c[0] == 1 ? "SelectGenID=True" : "SelectGenID=False");
        if (c[1] >= 0) lines.Add(c[1] == 1 ? "GenBeforePost=True" : "GenBeforePost=False");
        TReader reader(&lines);
        o.DefineProperties(&reader);
        EXPECT_EQ(o.WhenGetGenID(), c[2]) << c[0] << "/" << c[1];
        EXPECT_EQ(o.OldGenBeforePost(), c[1] != 0);
        TWriter writer(&lines);
        o.DefineProperties(&writer);
        EXPECT_EQ(lines.Count(), (c[0] >= 0) + (c[1] >= 0));
    }
}

TEST(pFBProps, AutoUpdateOptionsAssign) {
    TAutoUpdateOptions src(nullptr), dst(nullptr);
    src.SetUpdateTableName("EABONEKIMLIK E");
    src.SetKeyFields("ABONENO;DONEMI");
    src.SetAutoReWriteSqls(true);
    src.SetCanChangeSQLs(true);
    src.SetUpdateOnlyModifiedFields(true);
    src.SetCanChangeSQLs(false);   // the copy must still equal the source
    src.SetGeneratorName("");
    src.SetGeneratorStep(5);
    src.ReadSelectGenID(true);
    src.ReadGenBeforePost(false);
    src.ParamsToFieldsLinks()->Add("ABONENO=P");
    src.SetAutoParamsToFields(true);
    src.SetSeparateBlobUpdate(true);

    dst.SetWhenGetGenID(wgBeforePost);   // must not invent a generator name
    dst.SetCachedKeyCondition("stale");
    dst.ParamsToFieldsLinks()->Add("OLD=X");
    dst.Assign(&src);
    EXPECT_EQ(dst.UpdateTableName() + "|" + dst.GetModifyTableAlias(), "EABONEKIMLIK E|E");
    EXPECT_EQ(dst.KeyFieldsList()->Text(), "ABONENO\r\nDONEMI\r\n");
    EXPECT_TRUE(dst.AutoReWriteSqls() && !dst.CanChangeSQLs() && dst.UpdateOnlyModifiedFields());
    EXPECT_EQ(dst.GeneratorName() + dst.CachedKeyCondition(), "");
    EXPECT_EQ(dst.GeneratorStep(), 5);
    EXPECT_TRUE(dst.OldSelectGenID() && !dst.OldGenBeforePost());
    EXPECT_EQ(dst.WhenGetGenID(), wgOnNewRecord);
    EXPECT_EQ(dst.ParamsToFieldsLinks()->Text(), "ABONENO=P\r\n");
    EXPECT_TRUE(dst.AutoParamsToFields() && dst.SeparateBlobUpdate());

    dst.Assign(&dst);
    EXPECT_EQ(dst.KeyFieldsList()->Count(), 2);
    TFormatFields other(nullptr);
    EXPECT_THROW(dst.Assign(&other), EConvertError);
    EXPECT_THROW(other.Assign(&dst), EConvertError);
}

TEST(pFBProps, FormatFieldsDefaultsAndAssign) {
    TFormatFields f(nullptr), src(nullptr);
    auto all = [](const TFormatFields& x) {
        return x.DateTimeDisplayFormat() + "|" + x.DisplayFormatDate() + "|" + x.DisplayFormatTime() + "|" +
               x.NumericDisplayFormat() + "|" + x.NumericEditFormat();
    };
    EXPECT_EQ(all(f), "dd.mm.yyyy hh:mm AMPM|dd.mm.yyyy|hh:mm AMPM|#,##0.|0.");
    src.SetDateTimeDisplayFormat("dd.mm.yyyy hh:mm:ss");
    src.SetDisplayFormatDate("d.m.yy");
    src.SetDisplayFormatTime("hh:nn");
    src.SetNumericDisplayFormat("#,##0.00");
    src.SetNumericEditFormat("0.00");
    f.Assign(&src);
    EXPECT_EQ(all(f), "dd.mm.yyyy hh:mm:ss|d.m.yy|hh:nn|#,##0.00|0.00");
}

TEST(pFBProps, SQLsGoToTheOwnerTexts) {
    TPropsOwner owner;
    TSQLs sqls(&owner);
    using Getter = TStrings* (TSQLs::*)() const;
    using Setter = void (TSQLs::*)(TStrings*);
    const std::pair<Getter, Setter> props[] = {
        {&TSQLs::SelectSQL, &TSQLs::SetSelectSQL}, {&TSQLs::InsertSQL, &TSQLs::SetInsertSQL},
        {&TSQLs::UpdateSQL, &TSQLs::SetUpdateSQL}, {&TSQLs::DeleteSQL, &TSQLs::SetDeleteSQL},
        {&TSQLs::RefreshSQL, &TSQLs::SetRefreshSQL}};
    TStringList text;
    for (int i = 0; i < 5; ++i) {
        const auto [Get, Set] = props[i];
        text.SetText("text " + std::to_string(i));
        (sqls.*Set)(&text);
        EXPECT_EQ(owner.FTexts[i].Text(), "text " + std::to_string(i) + "\r\n");
        EXPECT_EQ((sqls.*Get)(), &owner.FTexts[i]);
    }
    TComponent plain(nullptr);
    TSQLs loose(&plain);
    loose.SetSelectSQL(&text);
    EXPECT_EQ(loose.SelectSQL(), nullptr);
}

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

TEST(pFBProps, ParameterLinesAreStoredWithoutThePasswordWhenAsked) {
    TFBDatabase db(nullptr), back(nullptr);
    db.DBParams()->SetText("user_name=SYSDBA\r\nisc_dpb_password=gizli\r\nlc_ctype=WIN1254");
    TStringList lines;
    for (TDBParams* ancestor : {back.DBParams(), static_cast<TDBParams*>(nullptr)}) {
        back.DBParams()->Assign(db.DBParams());   // nothing differs from an equal ancestor
        TWriter writer(&lines, ancestor);
        db.DBParams()->DefineProperties(&writer);
        db.SetDesignDBOptions({ddoNotSavePassword});
    }
    EXPECT_EQ(lines.Text(), "Strings=(W'user_name=SYSDBA', W'isc_dpb_password=', W'lc_ctype=WIN1254')\r\n");
    EXPECT_EQ(db.ConnectParams()->Password(), "gizli");
    TReader reader(&lines);
    back.DBParams()->DefineProperties(&reader);
    EXPECT_EQ(back.DBParams()->Text(), "user_name=SYSDBA\r\nisc_dpb_password=\r\nlc_ctype=WIN1254\r\n");
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
