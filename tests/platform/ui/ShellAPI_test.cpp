#include "platform/ui/ShellAPI.h"

#include <gtest/gtest.h>

struct TOpenerScope {
    TRecordingOpener Opener;
    TShellOpener* Old = SetShellOpener(&Opener);
    ~TOpenerScope() { SetShellOpener(Old); }
};

TEST(ShellAPI, OpenGoesThroughTheOpener) {
    TOpenerScope S;
    EXPECT_GT(ShellExecute(nullptr, "open", "https://www.osbuk.org.tr", "", "", 0), 32);
    EXPECT_GT(ShellExecute(nullptr, "", "rapor.xlsx", "", "/home/op", SW_SHOWNORMAL), 32);
    EXPECT_EQ(S.Opener.Targets, (std::vector<AnsiString>{"https://www.osbuk.org.tr", "/home/op/rapor.xlsx"}));
}

TEST(ShellAPI, UnknownVerbAndRefusalAreReported) {
    TOpenerScope S;
    EXPECT_EQ(ShellExecute(nullptr, "print", "a.txt", "", "", 0), SE_ERR_NOASSOC);
    EXPECT_TRUE(S.Opener.Targets.empty());
    S.Opener.Result = false;
    EXPECT_EQ(ShellExecute(nullptr, "open", "www.gib.gov.tr", "", "", 0), SE_ERR_FNF);
    EXPECT_EQ(ShellExecute(nullptr, "open", "", "", "", 0), SE_ERR_FNF);
}
