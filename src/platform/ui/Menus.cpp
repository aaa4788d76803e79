#include "platform/ui/Menus.h"

#include "platform/ui/Controls.h"
#include "platform/ui/Menus_p.h"
#include "platform/ui/UiPrivate_p.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {
    EnsureQtApp();
    FAction = new QAction(nullptr);
    QObject::connect(FAction, &QAction::triggered, [this](bool) { GuardedCall(this, [this] { Click(); }); });
}

TMenuItem::~TMenuItem() {
    BeforeDestruction();
    Clear();
    if (FParent) FParent->Remove(this);
    // An item may be freed by its own click, while Qt is still inside the action
    // or its open menu: both go once that is over, and call nobody meanwhile.
    QObject::disconnect(FAction, nullptr, nullptr, nullptr);
    FAction->setVisible(false);
    FAction->deleteLater();
    if (FMenu) {
        FMenu->blockSignals(true);
        FMenu->hide();
        FMenu->deleteLater();
    }
}

void TMenuItem::ApplyAction() {
    FAction->setText(ToQ(FCaption));
    FAction->setSeparator(IsLine());
    FAction->setEnabled(FEnabled);
    FAction->setVisible(FVisible);
    FAction->setCheckable(FChecked);
    FAction->setChecked(FChecked);
}

void TMenuItem::Changed() {
    ApplyAction();
}

void TMenuItem::SetCaption(const AnsiString& Value) { FCaption = Value; Changed(); }
void TMenuItem::SetEnabled(bool Value) { FEnabled = Value; Changed(); }
void TMenuItem::SetVisible(bool Value) { FVisible = Value; Changed(); }
void TMenuItem::SetChecked(bool Value) { FChecked = Value; Changed(); }

TMenuItem* TMenuItem::Items(Integer Index) const {
    if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
    return FItems[static_cast<size_t>(Index)];
}

Integer TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : static_cast<Integer>(It - FItems.begin());
}

Integer TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

QAction* TMenuItem::Action() const { return FAction; }

QMenu* TMenuItem::SubMenu() {
    if (!FMenu) {
        FMenu = new QMenu();
        FAction->setMenu(FMenu);
    }
    return FMenu;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(Integer Index, TMenuItem* Item) {
    if (!Item) return;
    if (Item->FParent) throw EMenuError("Menu inserted twice");
    if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
    QMenu* M = SubMenu();
    QAction* Before = Index < Count() ? FItems[static_cast<size_t>(Index)]->FAction : nullptr;
    M->insertAction(Before, Item->FAction);
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    if (FRootOf) FRootOf->ItemsChanged();
}

void TMenuItem::Remove(TMenuItem* Item) {
    Integer I = IndexOf(Item);
    if (I < 0) return;
    FItems.erase(FItems.begin() + I);
    if (FMenu) FMenu->removeAction(Item->FAction);
    Item->FParent = nullptr;
    if (FRootOf) FRootOf->ItemsChanged();
}

void TMenuItem::Delete(Integer Index) {
    TMenuItem* Item = Items(Index);
    Remove(Item);
    delete Item;
}

void TMenuItem::Clear() {
    while (!FItems.empty()) Delete(Count() - 1);
}

void TMenuItem::Click() {
    FireEvent(OnClick, this);
}

// ---------------------------------------------------------------------------
TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
    FItems->FRootOf = this;
}

TMenu::~TMenu() {
    BeforeDestruction();
    FItems->FRootOf = nullptr;
}

QWidget* AttachMenuBar(TMainMenu* Menu, QWidget* Window) {
    auto* Bar = new QMenuBar(Window);
    Bar->setNativeMenuBar(false);
    Menu->FBars.push_back(Bar);
    Menu->ItemsChanged();
    return Bar;
}

void DetachMenuBar(TMainMenu* Menu, QWidget* Bar) {
    auto& L = Menu->FBars;
    L.erase(std::remove(L.begin(), L.end(), Bar), L.end());
}

void TMainMenu::ItemsChanged() {
    for (QWidget* W : FBars) {
        auto* Bar = static_cast<QMenuBar*>(W);
        Bar->clear();
        for (Integer I = 0; I < Items()->Count(); ++I) Bar->addAction(Items()->Items(I)->Action());
    }
}

void TPopupMenu::Popup(Integer X, Integer Y) {
    FireEvent(OnPopup, this);
    Items()->SubMenu()->popup(QPoint(X, Y));
}
