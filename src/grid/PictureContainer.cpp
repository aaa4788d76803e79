// Pictures for mini-HTML text: the named pictures of a container and the cache of pictures loaded by URL.
#include "grid/PictureContainer.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/CodePage.h"

#include <cstring>

namespace {

// Rounded multiply-divide, as the picture sizes are converted.
Integer MulDivRound(Integer A, Integer B, Integer C) {
    if (C == 0) return 0;
    Int64 P = Int64(A) * B;
    Int64 Half = C / 2;
    return static_cast<Integer>(P >= 0 ? (P + Half) / C : (P - Half) / C);
}

Word LE16(const std::vector<Byte>& D, size_t At) {
    if (At + 1 >= D.size()) return 0;
    return static_cast<Word>(D[At] | (D[At + 1] << 8));
}

// A graphic control extension followed directly by an image descriptor.
bool IsFrameBoundary(const std::vector<Byte>& D, size_t P) {
    return D[P] == 33 && P + 9 < D.size() && D[P + 1] == 249 && D[P + 2] == 4 && D[P + 8] == 44;
}

}  // namespace

// ---------------------------------------------------------------------------
THTMLPicture::THTMLPicture() : FData(std::make_unique<TMemoryStream>()) {}

THTMLPicture::~THTMLPicture() = default;

void THTMLPicture::ClearPicture() {
    FHasPicture = false;
    FHiMetricWidth = FHiMetricHeight = 0;
    TBitmap None;
    TNotifyEvent Keep = std::move(OnChange);
    OnChange = nullptr;
    SetImage(None.Image());
    OnChange = std::move(Keep);
}

void THTMLPicture::Assign(TPersistent* Source) {
    if (Source == this) return;   // a picture given itself keeps itself
    FEmpty = true;
    ClearPicture();
    FFrameCount = -1;
    FFrame = 1;
    if (!Source) {
        FData->Clear();
        return;
    }
    if (auto* P = dynamic_cast<THTMLPicture*>(Source)) {
        FData->Clear();
        FData->CopyFrom(P->FData.get(), 0);
        if (P->FEmpty) return;
        FEmpty = false;
        LoadPicture();
        Changed();
    }
}

Integer THTMLPicture::Width() const { return FHasPicture ? MulDivRound(FHiMetricWidth, 96, 2540) : 0; }
Integer THTMLPicture::Height() const { return FHasPicture ? MulDivRound(FHiMetricHeight, 96, 2540) : 0; }
Integer THTMLPicture::FrameWidth() const { return FGIFWidth != 0 ? Integer(FGIFWidth) : Width(); }
Integer THTMLPicture::FrameHeight() const { return FGIFHeight != 0 ? Integer(FGIFHeight) : Height(); }

void THTMLPicture::LoadFromFile(const AnsiString& FileName) {
    TFileStream S(FileName, fmOpenRead);
    LoadFromStream(&S);
}

void THTMLPicture::ReadData(TStream* Stream) {
    auto Old = std::make_unique<TMemoryStream>();
    Old->LoadFromStream(Stream);
    std::swap(Old, FData);
    const bool WasEmpty = FEmpty;
    const Integer OldCount = FFrameCount;
    FFrameCount = -1;   // counted again for the new data
    FEmpty = false;
    try {
        LoadPicture();
    } catch (...) {
        // Data that is no picture leaves the picture as it was.
        std::swap(Old, FData);
        FEmpty = WasEmpty;
        FFrameCount = OldCount;
        if (!FEmpty) LoadPicture();
        throw;
    }
}

void THTMLPicture::LoadFromStream(TStream* Stream) {
    ReadData(Stream);
    Changed();
}

void THTMLPicture::SaveToStream(TStream* Stream) {
    FData->SetPosition(0);
    if (FData->Size() > 0) Stream->CopyFrom(FData.get(), 0);
}

std::unique_ptr<TGraphic> THTMLPicture::Copy() const {
    auto P = std::make_unique<THTMLPicture>();
    P->Assign(const_cast<THTMLPicture*>(this));
    P->FStretch = FStretch;
    return P;
}

void THTMLPicture::LoadFromURL(const AnsiString& URL) {
    AnsiString U = UpperCase(URL);
    if (U.rfind("RES://", 0) == 0) {
        FURL = URL;
        // The program carries no embedded resource data on this platform: the
        // resource is missing, and a missing resource leaves the picture as it is.
        return;
    }
    if (U.rfind("FILE://", 0) == 0) {
        FURL = URL;
        LoadFromFile(URL.substr(7));
        return;
    }
    if (!FAsynch) {
        FURL = URL;
        FID = URL;
        return;
    }
    if (FDownloading) return;
    FURL = URL;
    FDownloading = true;
    auto* T = new TDownLoadThread(this);
    T->SetFreeOnTerminate(true);
    T->Start();
}

void THTMLPicture::Draw(TCanvas* Canvas, const TRect& R) {
    if (FEmpty || !FHasPicture || !Canvas) return;
    if (FStretch) {
        Canvas->StretchDraw(R, this);
    } else {
        // At the picture's size on this device (96 pixels per inch).
        Integer W = MulDivRound(FHiMetricWidth, FPixelsPerInchX, 2540);
        Integer H = MulDivRound(FHiMetricHeight, FPixelsPerInchY, 2540);
        if (W == TGraphic::Width() && H == TGraphic::Height()) Canvas->Draw(R.Left, R.Top, this);
        else Canvas->StretchDraw(Bounds(R.Left, R.Top, W, H), this);
    }
}

void THTMLPicture::SetFrame(Integer Value) {
    FFrame = Value;
    if (!FEmpty) {
        LoadPicture();
        if (OnFrameChange) FireEvent(OnFrameChange, this);
    }
}

bool THTMLPicture::IsGIFFile() const {
    auto* M = static_cast<const Byte*>(FData->Memory());
    return FData->Size() >= 5 && std::memcmp(M, "\x47\x49\x46\x38", 4) == 0;   // "GIF8"
}

Integer THTMLPicture::FrameCount() {
    if (FFrameCount != -1) return FFrameCount;
    if (!IsGIFFile()) return -1;
    auto* M = static_cast<const Byte*>(FData->Memory());
    std::vector<Byte> D(M, M + FData->Size());
    Integer N = 0;
    for (size_t P = 0; P < D.size(); ++P)
        if (IsFrameBoundary(D, P)) ++N;
    FFrameCount = N;
    return N;
}

void THTMLPicture::LoadPicture() {
    FFrameXPos = FFrameYPos = FFrameXSize = FFrameYSize = 0;
    FGIFWidth = FGIFHeight = 0;
    auto* M = static_cast<const Byte*>(FData->Memory());
    std::vector<Byte> D(M, M + FData->Size());
    std::vector<Byte> Block;
    if (IsGIFFile() && FrameCount() >= 1) {
        FGIFWidth = LE16(D, 6);
        FGIFHeight = LE16(D, 8);
        // Keep the header and the chosen frame onwards, so the loader shows that frame.
        Integer Boundary = 0;
        bool Copying = true;
        Block.reserve(D.size());
        for (size_t P = 0; P < D.size(); ++P) {
            if (IsFrameBoundary(D, P)) {
                ++Boundary;
                Copying = Boundary >= FFrame && FFrame >= 1 ? true : false;
                if (Boundary == FFrame) {
                    FFrameXPos = LE16(D, P + 9);
                    FFrameYPos = LE16(D, P + 11);
                    FFrameXSize = LE16(D, P + 13);
                    FFrameYSize = LE16(D, P + 15);
                }
            }
            if (Copying) Block.push_back(D[P]);
        }
    } else {
        Block = std::move(D);
    }
    ClearPicture();
    if (Block.empty()) throw Exception("Could not load image. Invalid format");
    TMemoryStream S;
    S.WriteBuffer(Block.data(), static_cast<Integer>(Block.size()));
    S.SetPosition(0);
    TBitmap B;
    try {
        B.LoadFromStream(&S);
    } catch (const Exception&) {
        throw Exception("Could not load image. Invalid format");
    }
    if (B.Empty()) throw Exception("Could not load image");
    FHiMetricWidth = MulDivRound(B.Width(), 2540, 96);
    FHiMetricHeight = MulDivRound(B.Height(), 2540, 96);
    FHasPicture = true;
    TNotifyEvent Keep = std::move(OnChange);
    OnChange = nullptr;
    SetImage(B.Image());
    OnChange = std::move(Keep);
}

// ---------------------------------------------------------------------------
TDownLoadThread::TDownLoadThread(THTMLPicture* APicture) : TThread(true), FPicture(APicture) {}

void TDownLoadThread::Execute() {
    // Remote pictures are not fetched.
    (void)FPicture;
}

// ---------------------------------------------------------------------------
TPictureItem::TPictureItem(TCollection* Collection)
    : TCollectionItem(Collection), FPicture(std::make_unique<THTMLPicture>()) {}

TPictureItem::~TPictureItem() = default;

void TPictureItem::Assign(TPersistent* Source) {
    if (auto* I = dynamic_cast<TPictureItem*>(Source)) {
        FName = I->FName;
        FTag = I->FTag;
        FPicture->Assign(I->FPicture.get());
        return;
    }
    TCollectionItem::Assign(Source);
}

void TPictureItem::SetPicture(THTMLPicture* Value) { FPicture->Assign(Value); }

// ---------------------------------------------------------------------------
TPictureCollection::TPictureCollection(TPersistent* AOwner)
    : TOwnedCollection(AOwner, [](TCollection* C) -> TCollectionItem* { return new TPictureItem(C); }) {}

TPictureItem* TPictureCollection::Add() { return static_cast<TPictureItem*>(TCollection::Add()); }

TPictureItem* TPictureCollection::Items(Integer Index) const {
    return static_cast<TPictureItem*>(TCollection::Items(Index));
}

// ---------------------------------------------------------------------------
TPictureContainer::TPictureContainer(TComponent* AOwner)
    : TComponent(AOwner), FItems(std::make_unique<TPictureCollection>(this)) {}

TPictureContainer::~TPictureContainer() = default;

void TPictureContainer::SetItems(TPictureCollection* Value) { FItems->Assign(Value); }

THTMLPicture* TPictureContainer::FindPicture(const AnsiString& Name) {
    for (Integer I = 0; I < FItems->Count(); ++I) {
        TPictureItem* Item = FItems->Items(I);
        if (SameName(Item->Name(), Name)) return Item->Picture();
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
THTMLPictureCache::THTMLPictureCache() = default;
THTMLPictureCache::~THTMLPictureCache() = default;

THTMLPicture* THTMLPictureCache::AddPicture() {
    FItems.push_back(std::make_unique<THTMLPicture>());
    return FItems.back().get();
}

THTMLPicture* THTMLPictureCache::FindPicture(const AnsiString& ID) const {
    for (const auto& P : FItems)
        if (P->ID() == ID) return P.get();
    return nullptr;
}

THTMLPicture* THTMLPictureCache::Items(Integer Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
    return FItems[size_t(Index)].get();
}

void THTMLPictureCache::Clear() { FItems.clear(); }
