#include "platform/ui/Jpeg.h"
#include "platform/Raised.h"

#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

TEST(Jpeg, EncodesAndDecodesAPicture) {
    TBitmap B;
    B.SetSize(16, 8);
    B.Canvas()->Brush()->SetColor(clRed);
    B.Canvas()->FillRect(Rect(0, 0, 16, 8));
    TJPEGImage J;
    J.Assign(&B);
    TMemoryStream M;
    J.SaveToStream(&M);
    ASSERT_GT(M.Size(), 2);
    EXPECT_EQ(static_cast<unsigned char*>(M.Memory())[0], 0xFF);   // SOI marker
    M.SetPosition(0);
    TJPEGImage Back;
    Back.LoadFromStream(&M);
    EXPECT_EQ(Back.Width(), 16);
    EXPECT_EQ(Back.Height(), 8);
    TBitmap Check;
    Check.Assign(&Back);
    TColor C = Check.Canvas()->Pixels(8, 4);
    EXPECT_GT(GetRValue(C), 230);
    EXPECT_LT(GetGValue(C), 30);
}

TEST(Jpeg, BrokenDataRaisesAndKeepsTheOldPicture) {
    TJPEGImage J;
    const unsigned char Junk[] = {0xFF, 0xD8, 0x00, 0x01, 0x02};
    EXPECT_THROW(J.LoadFromBytes(Junk, sizeof(Junk)), EInvalidGraphic);
    EXPECT_THROW(J.LoadFromBytes("", 0), EInvalidGraphic);
    EXPECT_TRUE(J.Empty());
    EXPECT_THAT(MessageOf<EInvalidGraphic>([&] { J.LoadFromBytes("not a jpeg", 10); }),
                testing::StartsWith("JPEG error #"));
}

TEST(Jpeg, PictureLoadsJpegFilesByExtension) {
    TBitmap B;
    B.SetSize(3, 3);
    TJPEGImage J;
    J.Assign(&B);
    TTempFolder Dir("uijpg");
    AnsiString Name = Dir.File("logo.JPG");
    J.SaveToFile(Name);
    TPicture P;
    P.LoadFromFile(Name);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(P.Graphic()), nullptr);
    EXPECT_EQ(P.Width(), 3);
}

namespace {

std::string ValidJpeg(int W, int H) {
    TBitmap B;
    B.SetSize(W, H);
    B.Canvas()->Brush()->SetColor(clTeal);
    B.Canvas()->FillRect(Rect(0, 0, W / 2, H));
    TJPEGImage J;
    J.Assign(&B);
    TMemoryStream M;
    J.SaveToStream(&M);
    return std::string(static_cast<const char*>(M.Memory()), static_cast<size_t>(M.Size()));
}

}  // namespace

// A damaged file either gives a picture of its stated size or raises
// EInvalidGraphic; it never crashes and never half-replaces the old picture.
TEST(Jpeg, DamagedFilesRaiseOrDecodeWhole) {
    const std::string Good = ValidJpeg(64, 48);
    std::vector<std::pair<const char*, std::string>> Cases;
    Cases.emplace_back("truncated in the header", Good.substr(0, 40));
    Cases.emplace_back("truncated in the data", Good.substr(0, Good.size() / 2));
    Cases.emplace_back("no end marker", Good.substr(0, Good.size() - 2));
    std::string Flipped = Good;
    for (size_t I = Good.size() / 3; I < Good.size() - 2; I += 7) Flipped[I] = static_cast<char>(~Flipped[I]);
    Cases.emplace_back("corrupt data", Flipped);
    std::string Markers = Good;
    for (size_t I = 2; I + 1 < Markers.size() && I < 200; ++I)
        if (static_cast<unsigned char>(Markers[I]) == 0xFF) Markers[I + 1] = static_cast<char>(0xD9);
    Cases.emplace_back("early end markers", Markers);
    Cases.emplace_back("only the start marker", std::string("\xFF\xD8", 2));
    // A cut file is no picture.
    TJPEGImage Cut;
    const std::string Half = Good.substr(0, Good.size() / 2);
    EXPECT_THROW(Cut.LoadFromBytes(Half.data(), Half.size()), EInvalidGraphic);
    for (const auto& [Name, Data] : Cases) {
        TJPEGImage J;
        J.LoadFromBytes(Good.data(), Good.size());
        try {
            J.LoadFromBytes(Data.data(), Data.size());
            EXPECT_EQ(J.Width(), 64) << Name;
            EXPECT_EQ(J.Height(), 48) << Name;
        } catch (const EInvalidGraphic&) {
            EXPECT_EQ(J.Width(), 64) << Name;   // the old picture stays
        }
    }
}

// A header that claims a giant picture is refused before any memory is taken for it.
TEST(Jpeg, GiantStatedSizeIsRefused) {
    std::string Data = ValidJpeg(8, 8);
    // The frame header (SOF0: FF C0, length, precision, height, width).
    size_t Sof = Data.find("\xFF\xC0");
    ASSERT_NE(Sof, std::string::npos);
    Data[Sof + 5] = static_cast<char>(0x4E);   // height 20000
    Data[Sof + 6] = static_cast<char>(0x20);
    Data[Sof + 7] = static_cast<char>(0x4E);   // width 20000
    Data[Sof + 8] = static_cast<char>(0x20);
    TJPEGImage J;
    EXPECT_THROW(J.LoadFromBytes(Data.data(), Data.size()), EInvalidGraphic);
    EXPECT_TRUE(J.Empty());
}
