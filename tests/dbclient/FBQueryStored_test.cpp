// What a statement and its conditions keep in a form file, and what a designer's statement starts with.
#include "dbclient/FBQuery.h"

#include <gtest/gtest.h>

#include <memory>

#include "dbclient/FBDatabase.h"
#include "platform/data/Filer.h"

namespace {

class TDesigner : public TComponent {
public:
    TDesigner() : TComponent(nullptr) { SetDesigning(true); }
};

// Reads Text into C, or with an empty Text gives what C stores under Ancestor.
AnsiString Filed(TConditions* C, const AnsiString& Text = "", TPersistent* Ancestor = nullptr) {
    TStringList L;
    L.SetText(Text);
    std::unique_ptr<TFiler> F(Text.empty() ? static_cast<TFiler*>(new TWriter(&L, Ancestor)) : new TReader(&L));
    C->DefineProperties(F.get());
    return Text.empty() ? L.Text() : AnsiString();
}

TEST(FBQueryStored, OptionsAreStoredOnePerSetOptionOrAncestorDifference) {
    TFBQuery Q(nullptr), Ancestor(nullptr);
    Q.SetOptions({qoAutoCommit, qoNoForceIsNull, qoFreeHandleAfterExecute});
    Ancestor.SetOptions({qoAutoCommit, qoTrimCharFields});
    TStringList L;
    Q.WriteStoredProperties(&L);
    Q.WriteStoredProperties(&L, &Ancestor);
    EXPECT_EQ(L.Text(), "qoAutoCommit=True\r\nqoNoForceIsNull=True\r\nqoTrimCharFields=False\r\nqoNoForceIsNull=True\r\n");
    TDesigner Owner;   // read in the designer, the stored lines decide: Options is cleared once first
    auto* D = new TFBQuery(&Owner);
    D->SetOptions({qoFreeHandleAfterExecute, qoAutoCommit});
    for (const char* Line : {"qoStartTransaction=True", "qoTrimCharFields=True"}) {
        L.SetText(Line);
        D->ReadStoredProperties(&L);
    }
    EXPECT_EQ(D->Options(), (TpFBQueryOptions{qoStartTransaction, qoTrimCharFields}));
}

TEST(FBQueryStored, DesignerStatementStartsWithTheDesignDefaultsUnlessLoading) {
    TFBDatabase Db(nullptr);
    Db.SetDesignDBOptions({ddoIsDefaultDatabase});
    const TFBQueryDesignDefaults Saved = QueryDesignDefaults();
    QueryDesignDefaults() = {false, false, {qoAutoCommit}};
    TDesigner Owner;
    auto* Q = new TFBQuery(&Owner);
    Owner.BeginLoading();
    auto* Loading = new TFBQuery(&Owner);
    Owner.EndLoading();
    QueryDesignDefaults() = Saved;
    EXPECT_TRUE(!Q->ParamCheck() && !Q->GoToFirstRecordOnExecute() && Q->Options() == TpFBQueryOptions{qoAutoCommit});
    EXPECT_TRUE(Loading->ParamCheck() && Loading->GoToFirstRecordOnExecute() && Loading->Options().Empty());
    EXPECT_TRUE(Q->Database() == &Db && Loading->Database() == nullptr);
}

TEST(FBQueryStored, ConditionsUnderAnAncestorKeepOnlyTheirDifferences) {
    TFBQuery Base(nullptr), Q(nullptr), Back(nullptr);
    Base.Conditions()->SetAsText("a#$#$A = 1#$#$1\r\nb#$#$B = 'x'#$#$1\r\nc#$#$C = 3#$#$1\r\nf#$#$F#$#$1");
    Q.Conditions()->SetAsText("a#$#$A = 1#$#$1\r\nb#$#$B = 'x'#$#$0\r\nf#$#$#$#$1\r\nd#$#$#$#$1");
    Q.Conditions()->AddCondition("e", "E\r\n=2", false);
    const AnsiString Data = Filed(Q.Conditions(), "", Base.Conditions());
    EXPECT_EQ(Data, "Data=(W'b', W'0', W'False', W'f', W'''', W'True', W'd', W'''', W'True', W'e', W'E'#13#10'=2', "
                    "W'False', W'#@DELETED', W'c')\r\n");
    Filed(Back.Conditions(), Filed(Base.Conditions()));
    Filed(Back.Conditions(), Data);
    EXPECT_EQ(Back.Conditions()->AsText(), Q.Conditions()->AsText());
    EXPECT_EQ(Filed(Q.Conditions(), "", Q.Conditions()), "");
}

TEST(FBQueryStored, ConditionsSetInCodeOutlastAStoredFormAndBadDataChangesNothing) {
    TFBQuery Q(nullptr);
    Q.Conditions()->AddCondition("a", "A = 1", true);
    Filed(Q.Conditions(), "Data=('a', 'A = 2', 'False', 'n', '0', 'True', 'm', 'M', 'True')");
    EXPECT_EQ(Q.Conditions()->AsText(), "a#$#$A = 1#$#$1\r\nm#$#$M#$#$1\r\n");
    for (const char* Line : {"Data=('n', 'N')", "Data=('n', 'N', 'maybe')", "Data=('n', 'N', True)"})
        EXPECT_THROW(Filed(Q.Conditions(), Line), EReadError) << Line;
    EXPECT_EQ(Q.Conditions()->AsText(), "a#$#$A = 1#$#$1\r\nm#$#$M#$#$1\r\n");
    Filed(Q.Conditions(), "Strings=('x=X', 'y=Y', 'z=Z')\r\nEnabled=(0,1,0)");   // older forms
    EXPECT_EQ(Q.Conditions()->AsText(), "x#$#$X#$#$0\r\ny#$#$Y#$#$1\r\nz#$#$Z#$#$0\r\n");
}

}  // namespace
