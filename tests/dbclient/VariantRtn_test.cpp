#include "dbclient/VariantRtn.h"
#include "platform/Raised.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace {

Variant MakeArray(std::vector<Integer> Bounds, TVarType Type)
{
    Variant v;
    CreateVarArray(Bounds, Type, v, static_cast<Integer>(Bounds.size() / 2));
    return v;
}

using Visit = std::vector<Integer>;

std::vector<Visit> VisitedIndices(const Variant& A)
{
    std::vector<Visit> seen;
    ForEachVarArrayElement(A, [&](const Variant&, const TVarArrayIndex& I, Integer HighDim, bool&) {
        seen.emplace_back(I.begin(), I.begin() + HighDim + 1);
    });
    return seen;
}

TEST(VariantRtnTest, CreateGivesTheArrayTypeAndBounds)
{
    Variant v;
    const Integer bounds[] = {1, 2, 0, 4};
    CreateVarArray(bounds, varInteger, v, 2);
    EXPECT_EQ(VarType(v), varInteger | varArray);
    EXPECT_EQ(VarArrayDimCount(v), 2);
    EXPECT_EQ(VarArrayHighBound(v, 2), 4);
    // Only DimCount pairs count.
    CreateVarArray(bounds, varVariant, v, 1);
    EXPECT_EQ(VarArrayDimCount(v), 1);
    EXPECT_EQ(VarType(v), varVariant | varArray);
}

TEST(VariantRtnTest, CreateFailuresHaveOneMessage)
{
    const std::string err = "Unable to create variant array.";
    Variant v;
    const Integer pair[] = {0, 1};
    EXPECT_EQ(MessageOf([&] { CreateVarArray(pair, varString, v, 1); }), err);
    EXPECT_EQ(MessageOf([&] { CreateVarArray(pair, varArray | varInteger, v, 1); }), err);
    EXPECT_EQ(MessageOf([&] { CreateVarArray(pair, varInteger, v, 0); }), err);
    EXPECT_EQ(MessageOf([&] { CreateVarArray(pair, varInteger, v, 2); }), err);  // too few bounds
    const Integer reversed[] = {3, 1};
    EXPECT_EQ(MessageOf([&] { CreateVarArray(reversed, varInteger, v, 1); }), err);
    std::vector<Integer> b17(34, 0);
    EXPECT_EQ(MessageOf([&] { CreateVarArray(b17, varInteger, v, 17); }), err);
    EXPECT_NO_THROW(CreateVarArray(b17, varInteger, v, 16));
    EXPECT_EQ(VarArrayDimCount(v), 16);
}

TEST(VariantRtnTest, ElementAccessErrors)
{
    Variant a = MakeArray({1, 2, 1, 3}, varVariant);
    Variant r;
    const Integer ok[] = {2, 3};
    const Integer outside[] = {3, 1};
    const Integer below[] = {1, 0};
    const std::string bounds = "Variant array index out of bounds.";
    EXPECT_EQ(MessageOf([&] { GetVarArrayElement(r, Variant(5), 1, ok); }), "Variant is not an array.");
    EXPECT_EQ(MessageOf([&] { PutVarArrayElement(r, Variant(5), 1, ok); }), "Variant is not an array.");
    EXPECT_EQ(MessageOf([&] { GetVarArrayElement(r, a, 1, ok); }), bounds);
    EXPECT_EQ(MessageOf([&] { GetVarArrayElement(r, a, 3, ok); }), bounds);
    EXPECT_EQ(MessageOf([&] { GetVarArrayElement(r, a, 2, outside); }), bounds);
    EXPECT_EQ(MessageOf([&] { PutVarArrayElement(a, Variant(1), 2, below); }), bounds);
    EXPECT_EQ(MessageOf([&] { GetVarArrayElement(r, a, 2, std::span<const Integer>(ok, 1)); }), bounds);
    EXPECT_EQ(MessageOf([&] { GetVarArrayElement(r, a, 2, ok); }), "");
}

TEST(VariantRtnTest, PutAndGetByElementType)
{
    Variant vars = MakeArray({0, 1}, varVariant);
    const Integer i0[] = {0};
    const Integer i1[] = {1};
    PutVarArrayElement(vars, Variant("şehir"), 1, i0);
    PutVarArrayElement(vars, Null(), 1, i1);
    Variant r;
    GetVarArrayElement(r, vars, 1, i0);
    EXPECT_EQ(VarType(r), varOleStr);  // texts go in as OLE strings
    EXPECT_EQ(r.AsString(), "şehir");
    GetVarArrayElement(r, vars, 1, i1);
    EXPECT_TRUE(VarIsNull(r));

    Variant ints = MakeArray({0, 1}, varInteger);
    PutVarArrayElement(ints, Variant("42"), 1, i0);
    GetVarArrayElement(r, ints, 1, i0);
    EXPECT_EQ(VarType(r), varInteger);
    EXPECT_EQ(r.AsInteger(), 42);
    // A value that does not convert is a conversion error, not an index error,
    // and leaves the element alone.
    EXPECT_EQ(MessageOf<EVariantError>([&] { PutVarArrayElement(ints, Variant("abc"), 1, i0); }),
              "Could not convert variant of type (String) into type (Integer)") << "no error";
    GetVarArrayElement(r, ints, 1, i0);
    EXPECT_EQ(r.AsInteger(), 42);

    Variant strs = MakeArray({0, 0}, varOleStr);
    PutVarArrayElement(strs, Variant(12), 1, i0);
    GetVarArrayElement(r, strs, 1, i0);
    EXPECT_EQ(VarType(r), varOleStr);
    EXPECT_EQ(r.AsString(), "12");
}

TEST(VariantRtnTest, WalkVisitsEveryIndexLastDimensionFastest)
{
    EXPECT_EQ(VisitedIndices(MakeArray({1, 2, 1, 3}, varInteger)),
              (std::vector<Visit>{{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}}));
    EXPECT_EQ(VisitedIndices(MakeArray({-1, 1}, varVariant)), (std::vector<Visit>{{-1}, {0}, {1}}));
    const auto cube = VisitedIndices(MakeArray({0, 1, 5, 5, 0, 2}, varByte));
    ASSERT_EQ(cube.size(), 6u);
    EXPECT_EQ(cube[0], (Visit{0, 5, 0}));
    EXPECT_EQ(cube[3], (Visit{1, 5, 0}));
    EXPECT_EQ(cube[5], (Visit{1, 5, 2}));
}

TEST(VariantRtnTest, IndexVectorResetAndStep)
{
    Variant a = MakeArray({1, 2, 3, 4}, varInteger);
    TVarArrayIndex& idx = VarArrayIndex();
    idx.fill(99);
    ResetVarArrayIndex(a);
    EXPECT_EQ(idx[0], 1);
    EXPECT_EQ(idx[1], 3);
    for (size_t i = 2; i < idx.size(); ++i) EXPECT_EQ(idx[i], 0) << i;
    EXPECT_TRUE(IncVarArrayIndex(a));
    EXPECT_EQ(std::make_pair(idx[0], idx[1]), std::make_pair(1, 4));
    EXPECT_TRUE(IncVarArrayIndex(a));
    EXPECT_EQ(std::make_pair(idx[0], idx[1]), std::make_pair(2, 3));
    EXPECT_TRUE(IncVarArrayIndex(a));
    EXPECT_FALSE(IncVarArrayIndex(a));
    EXPECT_FALSE(IncVarArrayIndex(Variant(1)));
    ResetVarArrayIndex(Variant(1));
    EXPECT_EQ(idx[0], 0);
}

TEST(VariantRtnTest, WalkResultAndStopping)
{
    Variant a = VarArrayOf({1, 2, 3});
    EXPECT_FALSE(ForEachVarArrayElement(a, nullptr));
    EXPECT_FALSE(ForEachVarArrayElement(Variant(1), [](auto&&...) {}));
    EXPECT_TRUE(ForEachVarArrayElement(a, [](auto&&...) {}));

    int calls = 0;
    Variant sum = 0;
    EXPECT_TRUE(ForEachVarArrayElement(a, [&](const Variant& E, const TVarArrayIndex&, Integer, bool&) {
        ++calls;
        sum = sum + E;
    }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(sum.AsInteger(), 6);

    calls = 0;
    EXPECT_FALSE(ForEachVarArrayElement(a, [&](const Variant&, const TVarArrayIndex&, Integer, bool& Continue) {
        ++calls;
        Continue = false;
    }));
    EXPECT_EQ(calls, 1);

    // Stopping on the last element still reports the stop.
    EXPECT_FALSE(ForEachVarArrayElement(a, [](const Variant& E, const TVarArrayIndex&, Integer, bool& Continue) {
        Continue = E.AsInteger() != 3;
    }));
}

TEST(VariantRtnTest, EmptyArrayWalkVisitsNothing)
{
    Variant empty = MakeArray({1, 0}, varInteger);
    int calls = 0;
    EXPECT_TRUE(ForEachVarArrayElement(empty, [&](auto&&...) { ++calls; }));
    EXPECT_TRUE(ModifyVarArrayElements(empty, [&](auto&&...) { ++calls; }));
    EXPECT_EQ(calls, 0);
}

TEST(VariantRtnTest, ModifyWritesNewValues)
{
    Variant a = MakeArray({1, 2, 1, 2}, varInteger);
    EXPECT_TRUE(ModifyVarArrayElements(a, [](const Variant&, const TVarArrayIndex& I, Variant& New, bool&) {
        New = I[0] * 10 + I[1];
    }));
    Variant r;
    const Integer at[] = {2, 1};
    GetVarArrayElement(r, a, 2, at);
    EXPECT_EQ(r.AsInteger(), 21);

    // The new value carries over to calls that leave it alone.
    Variant b = VarArrayOf({1, 2, 3});
    ModifyVarArrayElements(b, [](const Variant& E, const TVarArrayIndex&, Variant& New, bool&) {
        if (E.AsInteger() == 1) New = "first";
    });
    EXPECT_EQ(VarArrayGet(b, {2}).AsString(), "first");
    EXPECT_EQ(VarType(VarArrayGet(b, {2})), varOleStr);

    EXPECT_FALSE(ModifyVarArrayElements(b, nullptr));
}

TEST(VariantRtnTest, ModifyStoppedOnFirstElementLeavesIt)
{
    Variant a = VarArrayOf({1, 2});
    EXPECT_FALSE(ModifyVarArrayElements(a, [](const Variant&, const TVarArrayIndex&, Variant& New, bool& Continue) {
        New = 100;
        Continue = false;
    }));
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 1);
    EXPECT_EQ(VarArrayGet(a, {1}).AsInteger(), 2);
}

TEST(VariantRtnTest, ArraysEqual)
{
    const Variant a = VarArrayOf({1, "x", Null()});
    struct Case { Variant B; Integer H; bool Equal; };
    const Case cases[] = {
        {VarArrayOf({1.0, "x", Null()}), 2, true},
        {VarArrayOf({1, "x", 5}), 2, false},   // Null against a value
        {VarArrayOf({1, "y", Null()}), 2, false},
        {VarArrayOf({1, "x", Null()}), 3, false},  // index 3 exists in neither
        {VarArrayOf({1, "x"}), 1, true},        // only up to H
        {VarArrayOf({1, 2, Null()}), 2, false},  // "x" and 2 cannot be compared
        {Variant(1), 0, false},
        {MakeArray({0, 2, 0, 0}, varVariant), 0, false},  // not one-dimensional
    };
    for (const Case& c : cases) EXPECT_EQ(VarArraysEqual(a, c.B, c.H), c.Equal) << c.H;

    // Low bound 1: index 0 does not exist.
    Variant one = MakeArray({1, 2}, varInteger), two = MakeArray({1, 2}, varInteger);
    EXPECT_FALSE(VarArraysEqual(one, two, 2));
    Variant z1 = MakeArray({0, 2}, varInteger), z2 = MakeArray({0, 2}, varDouble);
    EXPECT_TRUE(VarArraysEqual(z1, z2, VarArrayHighBound(z1, 1)));
}

TEST(VariantRtnTest, ArrayPtrAndOleString)
{
    Variant a = VarArrayOf({1});
    EXPECT_EQ(VarArrayPtr(a), a.ArrayPtr());
    EXPECT_EQ(VarArrayPtr(VarArrayRef(a)), a.ArrayPtr());
    EXPECT_EQ(VarArrayPtr(Variant(1)), nullptr);

    Variant ref = VarArrayRef(a);
    const Integer i0[] = {0};
    PutVarArrayElement(ref, Variant(9), 1, i0);
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 9);

    Variant ole;
    StringToOleVariant(ole, Variant("ığ"));
    EXPECT_EQ(VarType(ole), varOleStr);
    EXPECT_EQ(ole.AsWideString(), u"ığ");
}

TEST(VariantRtnTest, IndexVectorIsPerThread)
{
    Variant a = MakeArray({1, 3}, varInteger);
    std::vector<Integer> mine;
    ForEachVarArrayElement(a, [&](const Variant&, const TVarArrayIndex& I, Integer, bool&) {
        // Another thread's walk must not move this thread's position.
        std::thread other([] {
            Variant b = MakeArray({7, 9, 7, 9}, varByte);
            ForEachVarArrayElement(b, [](auto&&...) {});
        });
        other.join();
        mine.push_back(I[0]);
    });
    EXPECT_EQ(mine, (std::vector<Integer>{1, 2, 3}));
}

}  // namespace
