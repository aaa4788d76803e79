#pragma once
// Pictures for mini-HTML text: named pictures of a container component and a
// cache of pictures loaded by URL. A picture keeps the raw file bytes and shows
// them through the user-interface layer's picture loading (BMP, PNG, JPEG, GIF,
// ICO), with the choice of one frame of an animated GIF.
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/ui/Graphics.h"

#include <memory>
#include <vector>

class THTMLPicture;

using TDownLoadErrorEvent = std::function<void(TObject* Sender, const AnsiString& Err)>;
using TDownLoadCompleteEvent = std::function<void(TObject* Sender)>;
using TDownLoadProgressEvent = std::function<void(TObject* Sender, Cardinal Progress, Cardinal ProgressMax)>;
using TDownLoadCancelEvent = std::function<void(TObject* Sender, bool& Cancel)>;

class THTMLPicture : public TGraphic {
public:
    THTMLPicture();
    ~THTMLPicture() override;

    // nil empties the picture; another THTMLPicture is copied; anything else is ignored.
    void Assign(TPersistent* Source) override;
    bool Empty() const override { return FEmpty; }
    // Size in pixels from the picture's HIMETRIC size at 96 pixels per inch; 0 when empty.
    Integer Width() const override;
    Integer Height() const override;
    // What the HTML layout uses: a GIF's logical screen size, else Width/Height.
    Integer FrameWidth() const;
    Integer FrameHeight() const;

    void LoadFromFile(const AnsiString& FileName) override;
    // Copies the whole stream, decodes it and fires OnChange. Failures raise
    // Exception with "Could not load image. Invalid format" (and the like).
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    std::unique_ptr<TGraphic> Copy() const override;
    // As LoadFromStream without the change event (component streaming).
    void ReadData(TStream* Stream);
    void WriteData(TStream* Stream) { SaveToStream(Stream); }

    // "RES://name": a program resource (none exist on this platform: nothing happens);
    // "FILE://path": the file; anything else is never downloaded.
    void LoadFromURL(const AnsiString& URL);

    // Nothing while empty; at its own size from R's top-left, or stretched into R.
    void Draw(TCanvas* Canvas, const TRect& R);

    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value) { FStretch = Value; }
    Integer Frame() const { return FFrame; }
    void SetFrame(Integer Value);
    // -1 when the data is no GIF; else the number of frames (counted once).
    Integer FrameCount();
    bool IsGIFFile() const;

    const AnsiString& URL() const { return FURL; }
    const AnsiString& ID() const { return FID; }
    void SetID(const AnsiString& Value) { FID = Value; }
    bool Asynch() const { return FAsynch; }
    void SetAsynch(bool Value) { FAsynch = Value; }
    bool Downloading() const { return FDownloading; }
    Integer PixelsPerInchX() const { return FPixelsPerInchX; }
    Integer PixelsPerInchY() const { return FPixelsPerInchY; }
    // Left, top, width and height of the chosen frame's image descriptor.
    Word FrameXPos() const { return FFrameXPos; }
    Word FrameYPos() const { return FFrameYPos; }
    Word FrameXSize() const { return FFrameXSize; }
    Word FrameYSize() const { return FFrameYSize; }
    Word GIFWidth() const { return FGIFWidth; }
    Word GIFHeight() const { return FGIFHeight; }

    TNotifyEvent OnFrameChange;
    // Published for compatibility; never fired (no download is performed).
    TDownLoadProgressEvent OnDownLoadProgress;
    TDownLoadCancelEvent OnDownLoadCancel;
    TDownLoadCompleteEvent OnDownLoadComplete;
    TDownLoadErrorEvent OnDownLoadError;

private:
    void LoadPicture();
    void ClearPicture();
    std::unique_ptr<TMemoryStream> FData;
    bool FEmpty = true;
    bool FStretch = false;
    bool FHasPicture = false;
    Integer FHiMetricWidth = 0;
    Integer FHiMetricHeight = 0;
    Integer FPixelsPerInchX = 96;
    Integer FPixelsPerInchY = 96;
    AnsiString FURL;
    AnsiString FID;
    bool FAsynch = true;
    bool FDownloading = false;
    Integer FFrame = 1;
    Integer FFrameCount = -1;
    Word FFrameXPos = 0, FFrameYPos = 0, FFrameXSize = 0, FFrameYSize = 0;
    Word FGIFWidth = 0, FGIFHeight = 0;
};

// Started for a remote picture; does no work and frees itself.
class TDownLoadThread : public TThread {
public:
    explicit TDownLoadThread(THTMLPicture* APicture);

protected:
    void Execute() override;

private:
    THTMLPicture* FPicture;
};

class TPictureItem : public TCollectionItem {
public:
    explicit TPictureItem(TCollection* Collection);
    ~TPictureItem() override;
    void Assign(TPersistent* Source) override;   // Name, Tag and the picture
    THTMLPicture* Picture() const { return FPicture.get(); }
    void SetPicture(THTMLPicture* Value);          // assigns
    const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& Value) { FName = Value; }
    Integer Tag() const { return FTag; }
    void SetTag(Integer Value) { FTag = Value; }

private:
    std::unique_ptr<THTMLPicture> FPicture;
    AnsiString FName;
    Integer FTag = 0;
};

class TPictureCollection : public TOwnedCollection {
public:
    explicit TPictureCollection(TPersistent* AOwner);
    TPictureItem* Add();
    TPictureItem* Items(Integer Index) const;
};

class TPictureContainer : public TComponent {
public:
    explicit TPictureContainer(TComponent* AOwner);
    ~TPictureContainer() override;
    TPictureCollection* Items() const { return FItems.get(); }
    void SetItems(TPictureCollection* Value);
    // The picture of the first item whose name equals Name without regard to case; nil when none.
    virtual THTMLPicture* FindPicture(const AnsiString& Name);

private:
    std::unique_ptr<TPictureCollection> FItems;
};

// Pictures loaded by URL during layout. The cache owns its pictures.
class THTMLPictureCache : public TObject {
public:
    THTMLPictureCache();
    ~THTMLPictureCache() override;
    THTMLPicture* AddPicture();
    // The first picture whose ID equals ID exactly; nil when none.
    THTMLPicture* FindPicture(const AnsiString& ID) const;
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    THTMLPicture* Items(Integer Index) const;   // EListError out of range
    void Clear();

private:
    std::vector<std::unique_ptr<THTMLPicture>> FItems;
};
