#include "platform/sys/DynLib.h"

#include <gtest/gtest.h>

namespace {

TEST(DynLib, LoadLookUpFree)
{
    HMODULE M = LoadLibrary("libm.so.6");
    ASSERT_NE(M, 0u) << DynLibError();
    auto* Cos = reinterpret_cast<double (*)(double)>(GetProcAddress(M, "cos"));
    ASSERT_NE(Cos, nullptr);
    EXPECT_DOUBLE_EQ(Cos(0.0), 1.0);
    EXPECT_EQ(GetProcAddress(M, "no_such_symbol_here"), nullptr);
    EXPECT_NE(DynLibError().find("no_such_symbol_here"), AnsiString::npos) << DynLibError();
    EXPECT_TRUE(FreeLibrary(M));
}

TEST(DynLib, FailuresSayWhy)
{
    EXPECT_EQ(LoadLibrary("/nonexistent/libnothing.so"), 0u);
    EXPECT_NE(DynLibError().find("libnothing.so"), AnsiString::npos) << DynLibError();
    EXPECT_EQ(LoadLibrary(""), 0u);
    EXPECT_FALSE(DynLibError().empty());
    EXPECT_EQ(GetProcAddress(0, "cos"), nullptr);
    EXPECT_FALSE(FreeLibrary(0));
}

TEST(DynLib, OwningWrapper)
{
    TDynLib L("libm.so.6");
    ASSERT_TRUE(L.Loaded()) << L.LastError();
    EXPECT_EQ(L.FileName(), "libm.so.6");
    EXPECT_NE(L.Symbol("sqrt"), nullptr);
    EXPECT_EQ(L.Symbol("nope_nope"), nullptr);
    EXPECT_FALSE(L.LastError().empty());
    EXPECT_FALSE(L.Load("libdoesnotexist.so.9"));
    EXPECT_FALSE(L.Loaded());
    EXPECT_FALSE(L.LastError().empty());
    L.Free();   // twice is harmless
}

}  // namespace
