#include "dbclient/FBSQLObject.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Fields with current and old values, and parameters, by name.
class TFakeSQLObject : public ISQLObject {
public:
    std::vector<std::pair<AnsiString, Variant>> Params;
    std::map<AnsiString, std::pair<Variant, Variant>> Fields;   // name -> (current, old)

    Integer ParamCount() override { return static_cast<Integer>(Params.size()); }
    AnsiString ParamName(Integer I) override { return Params[I].first; }
    Integer FieldsCount() override { return static_cast<Integer>(Fields.size()); }
    bool FieldExist(const AnsiString& Name, Integer& Index) override {
        Index = Fields.count(Name) ? 0 : -1;
        return Index == 0;
    }
    bool ParamExist(const AnsiString& Name, Integer& Index) override {
        for (size_t i = 0; i < Params.size(); ++i)
            if (Params[i].first == Name) {
                Index = static_cast<Integer>(i);
                return true;
            }
        Index = -1;
        return false;
    }
    Variant FieldValue(const AnsiString& Name, bool Old) override {
        return Old ? Fields[Name].second : Fields[Name].first;
    }
    Variant FieldValue(Integer, bool) override { return Variant(); }
    Variant ParamValue(const AnsiString& Name) override {
        Integer i;
        return ParamExist(Name, i) ? Params[i].second : Variant();
    }
    Variant ParamValue(Integer I) override { return Params[I].second; }
    void SetParamValue(Integer I, const Variant& V) override { Params[I].second = V; }
};

TEST(AssignSQLObjectParams, PrefixesPickCurrentOrOldFieldValues) {
    TFakeSQLObject dest, src;
    dest.Params = {{"ID", Variant()}, {"NEW_ID", Variant()}, {"old_ID", Variant()}, {"NEW_", Variant()},
                   {"OTHER", Variant(7)}};
    src.Fields["ID"] = {Variant(2), Variant(1)};
    src.Fields["NEW_"] = {Variant("whole"), Variant()};
    AssignSQLObjectParams(&dest, {&src});
    EXPECT_EQ(dest.Params[0].second.AsInteger(), 2);
    EXPECT_EQ(dest.Params[1].second.AsInteger(), 2);
    EXPECT_EQ(dest.Params[2].second.AsInteger(), 1) << "OLD_ in any case takes the old value";
    EXPECT_EQ(dest.Params[3].second.AsString(), "whole") << "NEW_ alone is no prefix";
    EXPECT_EQ(dest.Params[4].second.AsInteger(), 7) << "nobody supplies it: kept";
}

TEST(AssignSQLObjectParams, LaterSourcesWinAndParametersServeByFullName) {
    TFakeSQLObject dest, a, b;
    dest.Params = {{"X", Variant()}, {"OLD_Y", Variant()}};
    a.Fields["X"] = {Variant(1), Variant()};
    b.Fields["X"] = {Variant(2), Variant()};
    b.Params = {{"OLD_Y", Variant("p")}};
    AssignSQLObjectParams(&dest, {&a, nullptr, &b});
    EXPECT_EQ(dest.Params[0].second.AsInteger(), 2);
    EXPECT_EQ(dest.Params[1].second.AsString(), "p");
    AssignSQLObjectParams(nullptr, {&a});   // nothing to fill, no crash
}

}  // namespace
