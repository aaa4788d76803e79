#pragma once
// JPEG pictures, decoded and encoded with the IJG library.
#include "platform/ui/Graphics.h"

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    void Assign(TPersistent* Source) override;   // another JPEG or a bitmap
    // EInvalidGraphic "JPEG error #<n>: <library text>" when the data is no usable JPEG.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    std::unique_ptr<TGraphic> Copy() const override;
    void LoadFromBytes(const void* Data, size_t Size);
    Integer CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(Integer Value);   // 1..100
    bool Grayscale() const { return FGrayscale; }

private:
    Integer FQuality = 90;
    bool FGrayscale = false;
};
