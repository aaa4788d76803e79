#include "support/TempFolder.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

// Points TMPDIR elsewhere for as long as it lives.
class TTmpDirGuard {
public:
    explicit TTmpDirGuard(const char* Value) {
        if (const char* Old = std::getenv("TMPDIR")) FOld = Old, FHadOld = true;
        if (Value) setenv("TMPDIR", Value, 1);
        else unsetenv("TMPDIR");
    }
    ~TTmpDirGuard() {
        if (FHadOld) setenv("TMPDIR", FOld.c_str(), 1);
        else unsetenv("TMPDIR");
    }

private:
    std::string FOld;
    bool FHadOld = false;
};

TEST(TempFolder, GoesWithEverythingItHolds) {
    std::string Path;
    {
        TTempFolder F("tf_");
        Path = F.Path();
        ASSERT_EQ(Path.back(), '/');
        EXPECT_EQ(fs::path(Path).parent_path().filename().string().rfind("tf_", 0), 0u) << Path;
        EXPECT_EQ(F.File("a.txt"), Path + "a.txt");
        fs::create_directories(Path + "sub/deeper");
        std::ofstream(Path + "sub/deeper/x.bin") << "x";
        std::ofstream(F.File("a.txt")) << "a";
    }
    EXPECT_FALSE(fs::exists(Path));
}

TEST(TempFolder, LiesUnderTmpDirOrTmp) {
    TTempFolder Root("tfroot_");
    const std::string Bare = Root.Path().substr(0, Root.Path().size() - 1);
    struct Case { const char* TmpDir; std::string Parent; };
    for (const Case& C : {Case{Bare.c_str(), Root.Path()}, Case{Root.Path().c_str(), Root.Path()},
                          Case{"", "/tmp/"}, Case{nullptr, "/tmp/"}}) {
        TTmpDirGuard Guard(C.TmpDir);
        TTempFolder A, B;
        EXPECT_EQ(A.Path().rfind(C.Parent, 0), 0u) << A.Path();
        EXPECT_EQ(A.Path().find("//"), std::string::npos) << A.Path();
        EXPECT_NE(A.Path(), B.Path());
        EXPECT_TRUE(fs::is_directory(A.Path()));
    }
}

TEST(TempFolder, MissingRootIsAnErrorNamingIt) {
    TTempFolder Root("tfroot_");
    TTmpDirGuard Guard(Root.File("gone").c_str());
    if (auto E = Raised<std::runtime_error>([] { TTempFolder F; })) {
        EXPECT_NE(std::string(E->what()).find(Root.File("gone/")), std::string::npos) << E->what();
    }
    EXPECT_TRUE(fs::is_empty(Root.Path()));
}

}  // namespace
