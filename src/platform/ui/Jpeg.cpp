#include "platform/ui/Jpeg.h"

#include "platform/ui/UiPrivate_p.h"

#include <QImage>

#include <csetjmp>
#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

struct TJpegError {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Text[JMSG_LENGTH_MAX];
    int Code;
};

extern "C" void JpegErrorExit(j_common_ptr Info) {
    auto* E = reinterpret_cast<TJpegError*>(Info->err);
    (*Info->err->format_message)(Info, E->Text);
    E->Code = Info->err->msg_code;
    std::longjmp(E->Jump, 1);
}

// Warnings pass, except the end of the data before the end of the picture: the
// rest would be made up, and a cut file is not a picture.
extern "C" void JpegWarning(j_common_ptr Info, int Level) {
    if (Level < 0 && Info->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(Info);
}

// Larger pictures are refused before their memory is taken (a damaged header
// can claim anything up to 65535 by 65535).
constexpr unsigned long long kMaxPixels = 64ull * 1024 * 1024;

[[noreturn]] void Fail(const TJpegError& E) {
    throw EInvalidGraphic(Format("JPEG error #%d: %s", {E.Code, AnsiString(E.Text)}));
}

// Decodes into Out; false with Err filled on a library error. No object with a
// destructor lives between setjmp and the calls that may jump.
bool Decode(const unsigned char* Data, size_t Size, QImage& Out, bool& Gray, TJpegError& Err) {
    jpeg_decompress_struct Info;
    Info.err = jpeg_std_error(&Err.Pub);
    Err.Pub.error_exit = JpegErrorExit;
    Err.Pub.emit_message = JpegWarning;
    unsigned char* volatile Row = nullptr;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_decompress(&Info);
        delete[] Row;
        return false;
    }
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, Data, static_cast<unsigned long>(Size));
    jpeg_read_header(&Info, TRUE);
    if (static_cast<unsigned long long>(Info.image_width) * Info.image_height > kMaxPixels) {
        jpeg_destroy_decompress(&Info);
        std::snprintf(Err.Text, sizeof(Err.Text), "picture too large");
        Err.Code = 0;
        return false;
    }
    bool Cmyk = Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK;
    Gray = Info.jpeg_color_space == JCS_GRAYSCALE;
    Info.out_color_space = Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&Info);
    const int W = static_cast<int>(Info.output_width);
    const int H = static_cast<int>(Info.output_height);
    const int N = Info.output_components;
    Out = QImage(W, H, QImage::Format_RGB32);
    if (Out.isNull()) {
        jpeg_destroy_decompress(&Info);
        std::snprintf(Err.Text, sizeof(Err.Text), "picture too large");
        Err.Code = 0;
        return false;
    }
    Row = new unsigned char[static_cast<size_t>(W) * N];
    while (Info.output_scanline < Info.output_height) {
        int Y = static_cast<int>(Info.output_scanline);
        JSAMPROW Rows[1] = {Row};
        jpeg_read_scanlines(&Info, Rows, 1);
        if (Out.isNull()) break;
        auto* Line = reinterpret_cast<QRgb*>(Out.scanLine(Y));
        for (int X = 0; X < W; ++X) {
            const unsigned char* P = Row + X * N;
            if (N == 4) {
                // Adobe writes CMYK inverted; this is the usual reading of it.
                int K = P[3];
                Line[X] = qRgb(P[0] * K / 255, P[1] * K / 255, P[2] * K / 255);
            } else if (N == 3) {
                Line[X] = qRgb(P[0], P[1], P[2]);
            } else {
                Line[X] = qRgb(P[0], P[0], P[0]);
            }
        }
    }
    jpeg_finish_decompress(&Info);
    delete[] Row;
    jpeg_destroy_decompress(&Info);
    return true;
}

bool Encode(const QImage& Img, int Quality, std::vector<unsigned char>& Out, TJpegError& Err) {
    jpeg_compress_struct Info;
    Info.err = jpeg_std_error(&Err.Pub);
    Err.Pub.error_exit = JpegErrorExit;
    Err.Pub.emit_message = [](j_common_ptr, int) {};
    unsigned char* Mem = nullptr;
    unsigned long MemSize = 0;
    unsigned char* volatile Row = nullptr;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_compress(&Info);
        delete[] Row;
        std::free(Mem);
        return false;
    }
    jpeg_create_compress(&Info);
    jpeg_mem_dest(&Info, &Mem, &MemSize);
    Info.image_width = static_cast<JDIMENSION>(Img.width());
    Info.image_height = static_cast<JDIMENSION>(Img.height());
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, Quality, TRUE);
    jpeg_start_compress(&Info, TRUE);
    Row = new unsigned char[static_cast<size_t>(Img.width()) * 3];
    while (Info.next_scanline < Info.image_height) {
        auto* Line = reinterpret_cast<const QRgb*>(Img.constScanLine(static_cast<int>(Info.next_scanline)));
        for (int X = 0; X < Img.width(); ++X) {
            Row[X * 3] = static_cast<unsigned char>(qRed(Line[X]));
            Row[X * 3 + 1] = static_cast<unsigned char>(qGreen(Line[X]));
            Row[X * 3 + 2] = static_cast<unsigned char>(qBlue(Line[X]));
        }
        JSAMPROW Rows[1] = {Row};
        jpeg_write_scanlines(&Info, Rows, 1);
    }
    jpeg_finish_compress(&Info);
    jpeg_destroy_compress(&Info);
    delete[] Row;
    Out.assign(Mem, Mem + MemSize);
    std::free(Mem);
    return true;
}

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent* Source) {
    if (auto* G = dynamic_cast<TGraphic*>(Source)) {
        if (auto* J = dynamic_cast<TJPEGImage*>(Source)) {
            FQuality = J->FQuality;
            FGrayscale = J->FGrayscale;
        }
        FTransparent = G->Transparent();
        SetImage(G->Image().convertToFormat(QImage::Format_RGB32));
        return;
    }
    TGraphic::Assign(Source);
}

void TJPEGImage::LoadFromBytes(const void* Data, size_t Size) {
    if (Size == 0) throw EInvalidGraphic("JPEG error #0: empty data");
    QImage Img;
    bool Gray = false;
    TJpegError Err{};
    if (!Decode(static_cast<const unsigned char*>(Data), Size, Img, Gray, Err)) Fail(Err);
    FGrayscale = Gray;
    SetImage(Img);
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
    std::vector<unsigned char> Data;
    unsigned char Buf[65536];
    for (;;) {
        Integer N = Stream->Read(Buf, sizeof(Buf));
        if (N <= 0) break;
        Data.insert(Data.end(), Buf, Buf + N);
    }
    LoadFromBytes(Data.data(), Data.size());
}

void TJPEGImage::SaveToStream(TStream* Stream) {
    if (Empty()) throw EInvalidGraphicOperation("Cannot save an empty JPEG image");
    std::vector<unsigned char> Out;
    TJpegError Err{};
    if (!Encode(FImage->convertToFormat(QImage::Format_RGB32), FQuality, Out, Err)) Fail(Err);
    Stream->WriteBuffer(Out.data(), static_cast<Integer>(Out.size()));
}

std::unique_ptr<TGraphic> TJPEGImage::Copy() const {
    auto J = std::make_unique<TJPEGImage>();
    J->Assign(const_cast<TJPEGImage*>(this));
    return J;
}

void TJPEGImage::SetCompressionQuality(Integer Value) {
    if (Value < 1) Value = 1;
    if (Value > 100) Value = 100;
    FQuality = Value;
}
