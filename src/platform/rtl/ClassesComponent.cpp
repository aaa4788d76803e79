#include "platform/rtl/Classes.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(TPersistent* Source)
{
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest)
{
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source)
{
    AnsiString SourceName = Source ? Source->ClassName() : AnsiString("nil");
    throw EConvertError("Cannot assign a %s to a %s", {SourceName, ClassName()});
}

AnsiString TPersistent::GetNamePath()
{
    return ClassName();
}

// ---------------------------------------------------------------------------
// TComponent

namespace {

bool IsValidIdent(const AnsiString& S)
{
    if (S.empty()) return false;
    auto Alpha = [](char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; };
    if (!Alpha(S[0])) return false;
    for (char C : S)
        if (!Alpha(C) && !(C >= '0' && C <= '9')) return false;
    return true;
}

void EraseOne(std::vector<TComponent*>& List, TComponent* Item)
{
    auto It = std::find(List.begin(), List.end(), Item);
    if (It != List.end()) List.erase(It);
}

}  // namespace

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    BeforeDestruction();
}

void TComponent::BeforeDestruction()
{
    if (FDestructionDone) return;
    FDestructionDone = true;
    Destroying();
    SendFreeNotifications();
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::SendFreeNotifications()
{
    // A listener's Notification usually calls RemoveFreeNotification on us,
    // shrinking the list; walk from the end and re-check the bounds.
    while (!FFreeNotifies.empty()) {
        TComponent* Other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseOne(Other->FFreeNotifies, this);
        Other->Notification(this, opRemove);
    }
}

TComponent* TComponent::Components(Integer Index) const
{
    if (Index < 0 || Index >= ComponentCount()) throw EListError(SListIndexError, {Index});
    return FComponents[Index];
}

Integer TComponent::ComponentIndex() const
{
    if (!FOwner) return -1;
    auto& L = FOwner->FComponents;
    auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<Integer>(It - L.begin());
}

void TComponent::SetComponentIndex(Integer Value)
{
    if (!FOwner) return;
    Integer I = ComponentIndex();
    if (I < 0) return;
    auto& L = FOwner->FComponents;
    Integer Count = static_cast<Integer>(L.size());
    if (Value < 0) Value = 0;
    if (Value >= Count) Value = Count - 1;
    if (Value == I) return;
    L.erase(L.begin() + I);
    L.insert(L.begin() + Value, this);
}

void TComponent::SetName(const AnsiString& NewName)
{
    if (FName == NewName) return;
    if (!NewName.empty() && !IsValidIdent(NewName))
        throw EComponentError("'%s' is not a valid component name", {NewName});
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    FName = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                const AnsiString& NewName)
{
    if (!AComponent || NewName.empty() || SameText(CurName, NewName)) return;
    TComponent* Found = FindComponent(NewName);
    if (Found && Found != AComponent)
        throw EComponentError("A component named %s already exists", {NewName});
}

TComponent* TComponent::FindComponent(const AnsiString& AName) const
{
    if (AName.empty()) return nullptr;
    for (TComponent* C : FComponents)
        if (SameText(C->FName, AName)) return C;
    return nullptr;
}

void TComponent::Insert(TComponent* AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent)
{
    AComponent->FOwner = nullptr;
    EraseOne(FComponents, AComponent);
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->FOwner == this) return;
    // Owning oneself or an owner above would make destruction loop forever.
    for (const TComponent* C = this; C; C = C->FOwner)
        if (C == AComponent) throw EComponentError("A component cannot own itself or its owner");
    ValidateInsert(AComponent);
    ValidateRename(AComponent, AnsiString(), AComponent->FName);
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->FOwner != this) return;
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* Instance = FComponents.back();
        // The child detaches itself from us (and tells its siblings) while it
        // is still whole; then it is freed.
        Instance->BeforeDestruction();
        if (Instance->FOwner == this) Remove(Instance);
        delete Instance;
    }
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState.Include(csDestroying);
    for (TComponent* C : FComponents) C->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (!AComponent || AComponent == this) return;
    // Siblings are linked too: the owner's broadcast stops reaching one of
    // them as soon as it moves to another owner. A sibling may thus hear of
    // the removal twice; handlers only clear references.
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(AComponent);
        AComponent->FreeNotification(this);
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (!AComponent) return;
    auto It = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    if (It == FFreeNotifies.end()) return;
    FFreeNotifies.erase(It);
    AComponent->RemoveFreeNotification(this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    // A component that only changes owner keeps its links: they are what
    // reaches it once the old owner's broadcast no longer does.
    if (Operation == opRemove && AComponent && AComponent->FComponentState.Contains(csDestroying))
        RemoveFreeNotification(AComponent);
    // Owned components hear of every change among their siblings. Copy: a
    // handler may free or move components.
    std::vector<TComponent*> Children = FComponents;
    for (auto It = Children.rbegin(); It != Children.rend(); ++It) {
        TComponent* C = *It;
        if (C == AComponent && Operation == opRemove) continue;
        if (std::find(FComponents.begin(), FComponents.end(), C) == FComponents.end()) continue;
        C->Notification(AComponent, Operation);
    }
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

void TComponent::SetDesigning(bool Value, bool SetChildren)
{
    SetComponentStateItem(csDesigning, Value);
    if (SetChildren)
        for (TComponent* C : FComponents) C->SetDesigning(Value, true);
}

void TComponent::SetComponentStateItem(TComponentStateItem Item, bool On)
{
    if (On)
        FComponentState.Include(Item);
    else
        FComponentState.Exclude(Item);
}

void TComponent::BeginLoading()
{
    FComponentState.Include(csLoading).Include(csReading);
    for (TComponent* C : FComponents) C->BeginLoading();
}

void TComponent::EndLoading()
{
    // Children first are read, so they are loaded first too.
    std::vector<TComponent*> Children = FComponents;
    for (TComponent* C : Children) C->EndLoading();
    FComponentState.Exclude(csReading);
    if (FComponentState.Contains(csLoading)) Loaded();
    FComponentState.Exclude(csLoading);
}

AnsiString TComponent::GetNamePath()
{
    return FName;
}

// ---------------------------------------------------------------------------
// TCollectionItem / TCollection

TCollectionItem::TCollectionItem(TCollection* Collection)
{
    SetCollection(Collection);
}

TCollectionItem::~TCollectionItem()
{
    if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value)
{
    if (FCollection == Value) return;
    if (FCollection) FCollection->RemoveItem(this);
    if (Value) Value->InsertItem(this);
}

Integer TCollectionItem::Index() const
{
    if (!FCollection) return -1;
    auto& L = FCollection->FItems;
    auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<Integer>(It - L.begin());
}

void TCollectionItem::SetIndex(Integer Value)
{
    Integer Cur = Index();
    if (Cur < 0 || Value == Cur) return;
    auto& L = FCollection->FItems;
    Integer Count = static_cast<Integer>(L.size());
    if (Value < 0 || Value >= Count) throw EListError(SListIndexError, {Value});
    L.erase(L.begin() + Cur);
    L.insert(L.begin() + Value, this);
    Changed(true);
}

AnsiString TCollectionItem::DisplayName() const
{
    return ClassName();
}

AnsiString TCollectionItem::GetNamePath()
{
    if (!FCollection) return ClassName();
    return FCollection->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

void TCollectionItem::Changed(bool AllItems)
{
    if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner()
{
    return FCollection;
}

TCollection::TCollection(TItemFactory ItemFactory) : FFactory(std::move(ItemFactory)) {}

TCollection::~TCollection()
{
    FUpdateCount = 1;
    Clear();
}

TCollectionItem* TCollection::Add()
{
    if (!FFactory) throw EInvalidOperation("Collection has no item class");
    TCollectionItem* Item = FFactory(this);
    if (Item && Item->FCollection != this) Item->SetCollection(this);
    Changed();
    return Item;
}

TCollectionItem* TCollection::Insert(Integer Index)
{
    TCollectionItem* Item = Add();
    Item->SetIndex(Index);
    return Item;
}

void TCollection::Delete(Integer Index)
{
    TCollectionItem* Item = Items(Index);
    Notify(Item, lnDeleted);
    delete Item;
}

void TCollection::Clear()
{
    if (FItems.empty()) return;
    BeginUpdate();
    try {
        while (!FItems.empty()) delete FItems.back();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Assign(TPersistent* Source)
{
    auto* Other = dynamic_cast<TCollection*>(Source);
    if (!Other) {
        TPersistent::Assign(Source);
        return;
    }
    if (Other == this) return;
    BeginUpdate();
    try {
        Clear();
        for (TCollectionItem* I : Other->FItems) Add()->Assign(I);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

TCollectionItem* TCollection::FindItemID(Integer ID) const
{
    for (TCollectionItem* I : FItems)
        if (I->FID == ID) return I;
    return nullptr;
}

TCollectionItem* TCollection::Items(Integer Index) const
{
    if (Index < 0 || Index >= Count()) throw EListError(SListIndexError, {Index});
    return FItems[Index];
}

AnsiString TCollection::GetNamePath()
{
    TPersistent* O = GetOwner();
    if (!O) return ClassName();
    AnsiString S = O->GetNamePath();
    return S.empty() ? ClassName() : S;
}

void TCollection::Changed()
{
    if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item)
{
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    Notify(Item, lnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item)
{
    Notify(Item, lnExtracted);
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    if (It != FItems.end()) FItems.erase(It);
    Item->FCollection = nullptr;
    Changed();
}
