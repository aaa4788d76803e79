#include "grid/PictureContainer.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

std::vector<Byte> BmpBytes(Integer W, Integer H, TColor Color) {
    TBitmap B;
    B.SetSize(W, H);
    B.Canvas()->Brush()->SetColor(Color);
    B.Canvas()->FillRect(Rect(0, 0, W, H));
    TMemoryStream S;
    B.SaveToStream(&S);
    auto* M = static_cast<Byte*>(S.Memory());
    return std::vector<Byte>(M, M + S.Size());
}

void Load(THTMLPicture& P, const std::vector<Byte>& Bytes) {
    TMemoryStream S;
    S.WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
    S.SetPosition(0);
    P.LoadFromStream(&S);
}

// A GIF with frames of 2x2 pixels, each frame one colour index of a 4-colour table.
std::vector<Byte> Gif(const std::vector<Byte>& FrameColours) {
    std::vector<Byte> D = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0};
    const Byte Table[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    D.insert(D.end(), Table, Table + 12);
    for (Byte Index : FrameColours) {
        const Byte Gce[8] = {0x21, 0xF9, 4, 0, 10, 0, 0, 0};
        D.insert(D.end(), Gce, Gce + 8);
        const Byte Desc[10] = {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0};
        D.insert(D.end(), Desc, Desc + 10);
        // LZW, minimum code size 2: clear, four pixels, end.
        Byte Codes[6] = {4, Index, Index, Index, Index, 5};
        std::vector<Byte> Packed;
        unsigned Acc = 0, Bits = 0;
        for (Byte Cd : Codes) {
            Acc |= unsigned(Cd) << Bits;
            Bits += 3;
            while (Bits >= 8) { Packed.push_back(Byte(Acc & 0xFF)); Acc >>= 8; Bits -= 8; }
        }
        if (Bits) Packed.push_back(Byte(Acc & 0xFF));
        D.push_back(2);
        D.push_back(Byte(Packed.size()));
        D.insert(D.end(), Packed.begin(), Packed.end());
        D.push_back(0);
    }
    D.push_back(0x3B);
    return D;
}

TEST(PictureContainer, LoadsSizesAndDraws) {
    THTMLPicture P;
    EXPECT_TRUE(P.Empty());
    EXPECT_EQ(P.Width(), 0);
    Integer Changes = 0;
    P.OnChange = [&](TObject*) { ++Changes; };
    Load(P, BmpBytes(96, 48, clRed));
    EXPECT_FALSE(P.Empty());
    EXPECT_EQ(P.Width(), 96);   // 2540 HIMETRIC
    EXPECT_EQ(P.Height(), 48);
    EXPECT_EQ(Changes, 1);
    EXPECT_FALSE(P.IsGIFFile());
    EXPECT_EQ(P.FrameCount(), -1);

    TBitmap Target;
    Target.SetSize(200, 100);
    Target.Canvas()->Brush()->SetColor(clWhite);
    Target.Canvas()->FillRect(Rect(0, 0, 200, 100));
    P.Draw(Target.Canvas(), Rect(10, 10, 20, 20));
    EXPECT_EQ(Target.Canvas()->Pixels(100, 50), clRed);   // own size, not the rectangle
    EXPECT_EQ(Target.Canvas()->Pixels(150, 50), clWhite);
    P.SetStretch(true);
    Target.Canvas()->FillRect(Rect(0, 0, 200, 100));
    P.Draw(Target.Canvas(), Rect(0, 0, 10, 10));
    EXPECT_EQ(Target.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(Target.Canvas()->Pixels(50, 50), clWhite);

    // Saved bytes are the loaded bytes.
    TMemoryStream Out;
    P.SaveToStream(&Out);
    EXPECT_EQ(Out.Size(), Integer(BmpBytes(96, 48, clRed).size()));
}

TEST(PictureContainer, AssignCopiesAndNilEmpties) {
    THTMLPicture A, B;
    Load(A, BmpBytes(10, 20, clBlue));
    B.Assign(&A);
    EXPECT_FALSE(B.Empty());
    EXPECT_EQ(B.Width(), 10);
    B.Assign(nullptr);
    EXPECT_TRUE(B.Empty());
    EXPECT_EQ(B.Width(), 0);
    EXPECT_EQ(B.Frame(), 1);
    TMemoryStream Out;
    B.SaveToStream(&Out);
    EXPECT_EQ(Out.Size(), 0);
    auto Copy = A.Copy();
    EXPECT_EQ(Copy->Height(), 20);
}

TEST(PictureContainer, BadDataRaisesAndThePictureStays) {
    THTMLPicture P;
    Load(P, BmpBytes(10, 20, clBlue));
    std::vector<Byte> Junk = {1, 2, 3, 4, 5, 6};
    try {
        Load(P, Junk);
        FAIL();
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Could not load image. Invalid format");
    }
    P.Assign(&P);
    EXPECT_EQ(10, P.Width());
}

TEST(PictureContainer, GifFrames) {
    THTMLPicture P;
    Load(P, Gif({0, 1, 2}));
    EXPECT_TRUE(P.IsGIFFile());
    EXPECT_EQ(P.FrameCount(), 3);
    EXPECT_EQ(P.GIFWidth(), 2);
    EXPECT_EQ(P.FrameWidth(), 2);
    TBitmap T;
    T.SetSize(2, 2);
    P.Draw(T.Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(T.Canvas()->Pixels(0, 0), clRed);
    Integer Changes = 0;
    P.OnFrameChange = [&](TObject*) { ++Changes; };
    P.SetFrame(2);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(P.FrameXSize(), 2);
    P.Draw(T.Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(T.Canvas()->Pixels(1, 1), clLime);
    EXPECT_THROW(P.SetFrame(7), Exception);   // the header alone is no picture
    P.SetFrame(1);
    Load(P, Gif({0, 1, 2, 3}));   // another GIF counts its own frames
    EXPECT_EQ(P.FrameCount(), 4);
}

TEST(PictureContainer, LoadFromURLForms) {
    const AnsiString File = "/tmp/minihtml_pic_" + IntToStr(getpid()) + ".bmp";
    {
        TMemoryStream S;
        auto B = BmpBytes(7, 5, clGreen);
        S.WriteBuffer(B.data(), Integer(B.size()));
        S.SaveToFile(File);
    }
    THTMLPicture P;
    P.LoadFromURL("file://" + File);
    EXPECT_EQ(P.Width(), 7);
    EXPECT_EQ(P.URL(), "file://" + File);
    std::remove(File.c_str());

    THTMLPicture R;
    R.LoadFromURL("res://MISSING");   // no resource: stays empty, no exception
    EXPECT_TRUE(R.Empty());

    THTMLPicture Sync;
    Sync.SetAsynch(false);
    Sync.LoadFromURL("http://host/a.png");
    EXPECT_EQ(Sync.ID(), "http://host/a.png");
    EXPECT_TRUE(Sync.Empty());

    THTMLPicture Remote;
    Remote.LoadFromURL("http://host/b.png");
    EXPECT_TRUE(Remote.Downloading());
    Remote.LoadFromURL("http://host/c.png");   // a second call does nothing
    EXPECT_EQ(Remote.URL(), "http://host/b.png");
    EXPECT_TRUE(Remote.Empty());
}

TEST(PictureContainer, ContainerFindsByNameWithoutCase) {
    TPictureContainer C(nullptr);
    EXPECT_EQ(C.FindPicture("X"), nullptr);
    TPictureItem* A = C.Items()->Add();
    A->SetName("Logo");
    A->SetTag(3);
    TPictureItem* B = C.Items()->Add();
    B->SetName("logo");
    EXPECT_EQ(C.FindPicture("LOGO"), A->Picture());
    EXPECT_EQ(C.FindPicture("other"), nullptr);
    TPictureContainer D(nullptr);
    D.SetItems(C.Items());
    ASSERT_EQ(D.Items()->Count(), 2);
    EXPECT_EQ(D.Items()->Items(0)->Name(), "Logo");
    EXPECT_EQ(D.Items()->Items(0)->Tag(), 3);
}

TEST(PictureContainer, CacheFindsByExactID) {
    THTMLPictureCache Cache;
    THTMLPicture* P = Cache.AddPicture();
    P->SetID("http://A");
    EXPECT_EQ(Cache.FindPicture("http://A"), P);
    EXPECT_EQ(Cache.FindPicture("HTTP://A"), nullptr);
    EXPECT_EQ(Cache.Count(), 1);
    EXPECT_EQ(Cache.Items(0), P);
    EXPECT_THROW(Cache.Items(1), EListError);
    Cache.Clear();
    EXPECT_EQ(Cache.Count(), 0);
}

}  // namespace
