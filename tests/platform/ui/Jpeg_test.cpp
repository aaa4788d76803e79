#include "platform/ui/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
    try {
        J.LoadFromBytes("not a jpeg", 10);
        FAIL();
    } catch (const EInvalidGraphic& E) {
        EXPECT_EQ(E.Message().rfind("JPEG error #", 0), 0u);
    }
}

TEST(Jpeg, PictureLoadsJpegFilesByExtension) {
    TBitmap B;
    B.SetSize(3, 3);
    TJPEGImage J;
    J.Assign(&B);
    char Dir[] = "/tmp/uijpgXXXXXX";
    ASSERT_TRUE(mkdtemp(Dir));
    AnsiString Name = AnsiString(Dir) + "/logo.JPG";
    J.SaveToFile(Name);
    TPicture P;
    P.LoadFromFile(Name);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(P.Graphic()), nullptr);
    EXPECT_EQ(P.Width(), 3);
    std::remove(Name.c_str());
    rmdir(Dir);
}
