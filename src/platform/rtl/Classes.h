#pragma once
// Objects, components, lists, string lists and streams of the run-time layer.
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"

#include <functional>
#include <mutex>
#include <vector>

using TNotifyEvent = std::function<void(TObject* Sender)>;

// ---------------------------------------------------------------------------
// Exceptions of this unit
class EStreamError : public Exception { public: using Exception::Exception; };
class EFileStreamError : public EStreamError {
public:
    using EStreamError::EStreamError;
    // The system refused FileName with error number ErrorCode (errno): kept beside the
    // message, so that the operator can be told which file and why in his language.
    EFileStreamError(const AnsiString& Msg, const AnsiString& AFileName, Integer AErrorCode)
        : EStreamError(Msg), FileName(AFileName), ErrorCode(AErrorCode) {}
    AnsiString FileName;
    Integer ErrorCode = 0;
};
class EFCreateError : public EFileStreamError { public: using EFileStreamError::EFileStreamError; };
class EFOpenError : public EFileStreamError { public: using EFileStreamError::EFileStreamError; };
class EFilerError : public EStreamError { public: using EStreamError::EStreamError; };
class EReadError : public EFilerError { public: using EFilerError::EFilerError; };
class EWriteError : public EFilerError { public: using EFilerError::EFilerError; };
class EComponentError : public Exception { public: using Exception::Exception; };

enum TDuplicates { dupIgnore, dupAccept, dupError };

// ---------------------------------------------------------------------------
// TList: a list of untyped pointers. Index errors raise EListError
// "List index out of bounds (%d)".
enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
public:
    TList() = default;
    // Subclasses that react in Notify must Clear in their own destructor:
    // the base destructor can no longer reach their override.
    ~TList() override;

    Integer Add(void* Item);
    void Insert(Integer Index, void* Item);
    void Delete(Integer Index);
    Integer Remove(void* Item);              // index it had, -1 when absent
    Integer IndexOf(void* Item) const;
    void* Extract(void* Item);               // removes without "deleted" notice; nullptr when absent
    void Exchange(Integer Index1, Integer Index2);
    void Move(Integer CurIndex, Integer NewIndex);
    void Pack();                             // drops nil entries
    void Sort(const TListSortCompare& Compare);
    virtual void Clear();
    void Assign(const TList* Source);
    TList* Expand();

    Integer Capacity() const { return static_cast<Integer>(FList.capacity()); }
    void SetCapacity(Integer NewCapacity);   // below Count: "List capacity out of bounds (%d)"
    Integer Count() const { return static_cast<Integer>(FList.size()); }
    void SetCount(Integer NewCount);         // grows with nils: "List count out of bounds (%d)"
    void* Items(Integer Index) const;
    void SetItems(Integer Index, void* Item);
    void* First() const;                     // empty list: index error
    void* Last() const;
    void** List() { return FList.data(); }

    [[noreturn]] static void Error(const AnsiString& Msg, Integer Data);

protected:
    virtual void Notify(void* Ptr, TListNotification Action) {}

private:
    void CheckIndex(Integer Index) const;
    std::vector<void*> FList;
};

// A TList guarded by a lock; LockList returns the list and keeps the lock
// until UnlockList. Add of a present item follows Duplicates (dupIgnore by
// default; dupError raises EListError "List does not allow duplicates ($0%x)").
class TThreadList : public TObject {
public:
    TThreadList() = default;
    ~TThreadList() override = default;
    void Add(void* Item);
    void Clear();
    void Remove(void* Item);
    TList* LockList();
    void UnlockList();
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

private:
    TList FList;
    std::recursive_mutex FLock;
    TDuplicates FDuplicates = dupIgnore;
};

// ---------------------------------------------------------------------------
// TPersistent: Assign asks the source to AssignTo this object; when neither
// side knows the other: EConvertError "Cannot assign a %s to a %s"
// (source class name or "nil", destination class name).
class TPersistent : public TObject {
public:
    virtual void Assign(TPersistent* Source);
    virtual AnsiString GetNamePath();

protected:
    virtual void AssignTo(TPersistent* Dest);
    virtual TPersistent* GetOwner() { return nullptr; }
    [[noreturn]] void AssignError(TPersistent* Source);
    friend class TComponent;
    friend class TCollection;
};

// ---------------------------------------------------------------------------
// TComponent: ownership tree, names, free notification.
enum TOperation { opInsert, opRemove };
enum TComponentStateItem {
    csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
    csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    // Notifies those that asked, destroys the owned components, leaves the
    // owner. Run BeforeDestruction() first in a subclass destructor when its
    // listeners must still see the whole object (e.g. dynamic_cast).
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    Integer ComponentCount() const { return static_cast<Integer>(FComponents.size()); }
    TComponent* Components(Integer Index) const;     // EListError out of range
    Integer ComponentIndex() const;                  // position in the owner's list, -1 without owner
    void SetComponentIndex(Integer Value);

    const AnsiString& Name() const { return FName; }
    // Identifier check: EComponentError "'%s' is not a valid component name";
    // a sibling of that name (any case): "A component named %s already exists".
    virtual void SetName(const AnsiString& NewName);
    Integer Tag() const { return FTag; }
    void SetTag(Integer Value) { FTag = Value; }
    TComponentState ComponentState() const { return FComponentState; }

    TComponent* FindComponent(const AnsiString& AName) const;  // owned component by name, any case
    // Takes ownership (leaves its old owner); EComponentError for itself or
    // an owner above.
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);   // gives up ownership; caller now owns it
    void DestroyComponents();
    void Destroying();                               // sets csDestroying here and below

    // AComponent is told (Notification opRemove) when this one goes, and this
    // one when AComponent goes, whatever their owners (siblings may hear it
    // from their owner as well).
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // In place of form reading: sets csLoading/csReading on this component and
    // those it owns; EndLoading clears them and calls Loaded on each.
    void BeginLoading();
    void EndLoading();

    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    AnsiString GetNamePath() override;

    // Idempotent: Destroying, free notifications, owned components destroyed,
    // owner left. The owner calls it on each child before deleting it.
    virtual void BeforeDestruction();

protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    virtual void Loaded();
    virtual void ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                const AnsiString& NewName);
    virtual void ValidateInsert(TComponent* AComponent) {}
    void SetDesigning(bool Value, bool SetChildren = true);
    void SetComponentStateItem(TComponentStateItem Item, bool On);
    TPersistent* GetOwner() override { return FOwner; }

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void SendFreeNotifications();

    TComponent* FOwner = nullptr;
    AnsiString FName;
    Integer FTag = 0;
    TComponentState FComponentState;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    bool FDestructionDone = false;
};

// ---------------------------------------------------------------------------
// TCollection / TCollectionItem: an owned list of items of one class.
class TCollection;

class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return FCollection; }
    void SetCollection(TCollection* Value);
    Integer ID() const { return FID; }
    Integer Index() const;
    void SetIndex(Integer Value);
    virtual AnsiString DisplayName() const;
    AnsiString GetNamePath() override;

protected:
    void Changed(bool AllItems);
    TPersistent* GetOwner() override;

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    Integer FID = 0;
};

class TCollection : public TPersistent {
public:
    using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
    // Factory makes one item of the collection's class and inserts it (its
    // constructor does that when passed the collection).
    explicit TCollection(TItemFactory ItemFactory);
    ~TCollection() override;

    TCollectionItem* Add();
    TCollectionItem* Insert(Integer Index);
    void Delete(Integer Index);
    void Clear();
    void Assign(TPersistent* Source) override;   // other collection: items re-made and assigned
    void BeginUpdate();
    void EndUpdate();
    TCollectionItem* FindItemID(Integer ID) const;
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    TCollectionItem* Items(Integer Index) const;  // EListError out of range
    Integer UpdateCount() const { return FUpdateCount; }
    AnsiString GetNamePath() override;

protected:
    virtual void Update(TCollectionItem* Item) {}   // nil: every item changed
    virtual void Notify(TCollectionItem* Item, TListNotification Action) {}
    TPersistent* GetOwner() override { return nullptr; }
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);
    TItemFactory FFactory;
    std::vector<TCollectionItem*> FItems;
    Integer FNextID = 0;
    Integer FUpdateCount = 0;
};

// TCollection owned by a persistent (for GetOwner / name paths).
class TOwnedCollection : public TCollection {
public:
    TOwnedCollection(TPersistent* AOwner, TItemFactory ItemFactory)
        : TCollection(std::move(ItemFactory)), FOwner(AOwner) {}
protected:
    TPersistent* GetOwner() override { return FOwner; }
private:
    TPersistent* FOwner;
};

// ---------------------------------------------------------------------------
// Streams. Positions and sizes are 64-bit; Read/Write move at most Count bytes
// and return how many moved; ReadBuffer/WriteBuffer demand all of them.
enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

class TStream : public TObject {
public:
    virtual Integer Read(void* Buffer, Integer Count) = 0;
    virtual Integer Write(const void* Buffer, Integer Count) = 0;
    virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

    void ReadBuffer(void* Buffer, Integer Count);         // EReadError "Stream read error"
    void WriteBuffer(const void* Buffer, Integer Count);  // EWriteError "Stream write error"
    // Copies Count bytes from Source's position; Count 0 copies all of Source
    // from its start. Returns the bytes copied.
    Int64 CopyFrom(TStream* Source, Int64 Count);

    Int64 Position();
    void SetPosition(Int64 Value);
    virtual Int64 Size();
    virtual void SetSize(Int64 NewSize);                  // base: does nothing
};

class TCustomMemoryStream : public TStream {
public:
    Integer Read(void* Buffer, Integer Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    void SaveToStream(TStream* Stream);
    void SaveToFile(const AnsiString& FileName);   // written atomically (temp + rename)
    void* Memory() { return FMemory; }
    Int64 Size() override { return FSize; }

protected:
    void SetPointer(void* Ptr, Int64 Size);
    void* FMemory = nullptr;
    Int64 FSize = 0;
    Int64 FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;
    Integer Write(const void* Buffer, Integer Count) override;
    void SetSize(Int64 NewSize) override;
    void Clear();
    void LoadFromStream(TStream* Stream);           // whole stream, position 0 afterwards
    void LoadFromFile(const AnsiString& FileName);
    Int64 Capacity() const { return FCapacity; }
    void SetCapacity(Int64 NewCapacity);           // below Size: the data past it is dropped

private:
    Int64 FCapacity = 0;
};

// File modes. Share modes are accepted and ignored.
constexpr Word fmCreate = 0xFFFF;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

class THandleStream : public TStream {
public:
    explicit THandleStream(int AHandle) : FHandle(AHandle) {}
    Integer Read(void* Buffer, Integer Count) override;
    Integer Write(const void* Buffer, Integer Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    void SetSize(Int64 NewSize) override;          // EStreamError on failure
    int Handle() const { return FHandle; }

protected:
    int FHandle = -1;
};

// fmCreate makes or truncates the file (EFCreateError "Cannot create file
// \"%s\". %s"); otherwise it must exist (EFOpenError "Cannot open file
// \"%s\". %s"); the second %s is the system's reason.
class TFileStream : public THandleStream {
public:
    TFileStream(const AnsiString& AFileName, Word Mode);
    ~TFileStream() override;
    const AnsiString& FileName() const { return FFileName; }

private:
    AnsiString FFileName;
};

class TStringStream : public TStream {
public:
    explicit TStringStream(const AnsiString& AString = AnsiString());
    Integer Read(void* Buffer, Integer Count) override;
    Integer Write(const void* Buffer, Integer Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override { return static_cast<Int64>(FDataString.size()); }
    void SetSize(Int64 NewSize) override;
    AnsiString ReadString(Integer Count);
    void WriteString(const AnsiString& AString);
    const AnsiString& DataString() const { return FDataString; }

private:
    AnsiString FDataString;
    Int64 FPosition = 0;
};

// ---------------------------------------------------------------------------
// TStrings: the abstract string list; TStringList the concrete one.
class TStrings;
class TStringList;

class TStrings : public TPersistent {
public:
    ~TStrings() override = default;

    virtual Integer Add(const AnsiString& S);
    virtual Integer AddObject(const AnsiString& S, TObject* AObject);
    void Append(const AnsiString& S) { Add(S); }
    virtual void AddStrings(TStrings* Strings);
    void Assign(TPersistent* Source) override;    // from TStrings: strings and objects
    void BeginUpdate();                           // counted; OnChanging on the first
    void EndUpdate();                             // OnChange when the count returns to 0
    virtual void Clear() = 0;
    virtual void Delete(Integer Index) = 0;
    bool Equals(TStrings* Strings) const;         // same count, same strings byte for byte
    virtual void Exchange(Integer Index1, Integer Index2);
    virtual Integer IndexOf(const AnsiString& S) const;
    virtual Integer IndexOfName(const AnsiString& Name) const;
    virtual Integer IndexOfObject(TObject* AObject) const;
    virtual void Insert(Integer Index, const AnsiString& S) = 0;
    virtual void InsertObject(Integer Index, const AnsiString& S, TObject* AObject);
    virtual void LoadFromFile(const AnsiString& FileName);
    virtual void LoadFromStream(TStream* Stream);  // from the stream's position to its end
    virtual void Move(Integer CurIndex, Integer NewIndex);
    virtual void SaveToFile(const AnsiString& FileName);  // atomic replace
    virtual void SaveToStream(TStream* Stream);

    Integer Count() const { return GetCount(); }
    AnsiString Strings(Integer Index) const { return Get(Index); }
    void SetStrings(Integer Index, const AnsiString& S) { Put(Index, S); }
    TObject* Objects(Integer Index) const { return GetObject(Index); }
    void SetObjects(Integer Index, TObject* AObject) { PutObject(Index, AObject); }
    AnsiString Names(Integer Index) const;        // text before NameValueSeparator, '' without one
    AnsiString Values(const AnsiString& Name) const;
    // Non-empty value: replaces or adds "Name=Value"; empty value deletes the line.
    void SetValues(const AnsiString& Name, const AnsiString& Value);
    AnsiString ValueFromIndex(Integer Index) const;
    void SetValueFromIndex(Integer Index, const AnsiString& Value);

    // Every line followed by CR LF; setting splits at CR LF, LF or CR.
    AnsiString Text() const { return GetTextStr(); }
    void SetText(const AnsiString& Value) { SetTextStr(Value); }
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& Value);
    AnsiString DelimitedText() const;
    void SetDelimitedText(const AnsiString& Value);
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char Value) { FDelimiter = Value; }
    char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char Value) { FQuoteChar = Value; }
    char NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }
    virtual Integer Capacity() const { return GetCount(); }
    virtual void SetCapacity(Integer NewCapacity) {}
    Integer UpdateCount() const { return FUpdateCount; }

protected:
    virtual AnsiString Get(Integer Index) const = 0;
    virtual Integer GetCount() const = 0;
    virtual TObject* GetObject(Integer Index) const { return nullptr; }
    virtual void Put(Integer Index, const AnsiString& S);
    virtual void PutObject(Integer Index, TObject* AObject) {}
    virtual void SetUpdateState(bool Updating) {}
    virtual AnsiString GetTextStr() const;
    virtual void SetTextStr(const AnsiString& Value);
    // Case-insensitive by default (AnsiCompareText).
    virtual Integer CompareStrings(const AnsiString& S1, const AnsiString& S2) const;
    [[noreturn]] void Error(const AnsiString& Msg, Integer Data) const;

private:
    AnsiString GetDelimited(char Delim, char Quote) const;
    void SetDelimited(const AnsiString& Value, char Delim, char Quote);
    Integer FUpdateCount = 0;
    char FDelimiter = ',';
    char FQuoteChar = '"';
    char FNameValueSeparator = '=';
};

using TStringListSortCompare = std::function<Integer(TStringList* List, Integer Index1, Integer Index2)>;

// Errors raise EStringListError: "List index out of bounds (%d)",
// "String list does not allow duplicates", "Operation not allowed on sorted list".
class TStringList : public TStrings {
public:
    TStringList() = default;
    explicit TStringList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
    ~TStringList() override;

    Integer Add(const AnsiString& S) override;
    Integer AddObject(const AnsiString& S, TObject* AObject) override;
    void Clear() override;
    void Delete(Integer Index) override;
    void Exchange(Integer Index1, Integer Index2) override;
    // Sorted lists: binary search; Index gets the first match or the insertion
    // point. Unsorted lists: the first match, else Index = Count.
    virtual bool Find(const AnsiString& S, Integer& Index) const;
    Integer IndexOf(const AnsiString& S) const override;
    void Insert(Integer Index, const AnsiString& S) override;
    void InsertObject(Integer Index, const AnsiString& S, TObject* AObject) override;
    void Move(Integer CurIndex, Integer NewIndex) override;   // keeps the object (owned or not)
    virtual void Sort();                                    // nothing on a sorted list
    virtual void CustomSort(const TStringListSortCompare& Compare);

    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);                             // true sorts at once
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);                      // re-sorts a sorted list
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
    Integer Capacity() const override { return static_cast<Integer>(FList.capacity()); }
    void SetCapacity(Integer NewCapacity) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    AnsiString Get(Integer Index) const override;
    Integer GetCount() const override { return static_cast<Integer>(FList.size()); }
    TObject* GetObject(Integer Index) const override;
    void Put(Integer Index, const AnsiString& S) override;
    void PutObject(Integer Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;
    Integer CompareStrings(const AnsiString& S1, const AnsiString& S2) const override;
    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(Integer Index, const AnsiString& S, TObject* AObject);

private:
    struct TStringItem {
        AnsiString FString;
        TObject* FObject = nullptr;
    };
    void CheckIndex(Integer Index) const;
    void SortIfNeeded();
    std::vector<TStringItem> FList;
    TDuplicates FDuplicates = dupIgnore;
    bool FSorted = false;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
};
