#include "platform/ui/Menus.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

#include <gtest/gtest.h>

TEST(Menus, ItemsTreeInsertRemoveAndErrors) {
    TForm F(nullptr);
    TMainMenu Menu(&F);
    auto* Root = Menu.Items();
    auto* A = new TMenuItem(&F);
    auto* B = new TMenuItem(&F);
    auto* Line = new TMenuItem(&F);
    A->SetCaption("ELEKTRİK");
    B->SetCaption("DOĞALGAZ");
    Line->SetCaption("-");
    Root->Add(B);
    Root->Insert(0, A);
    Root->Add(Line);
    EXPECT_EQ(Root->Items(0), A);
    EXPECT_EQ(B->MenuIndex(), 1);
    EXPECT_TRUE(Line->IsLine());
    EXPECT_TRUE(Line->Action()->isSeparator());
    EXPECT_EQ(A->Action()->text(), QString::fromUtf16(u"ELEKTRİK"));
    EXPECT_THROW(Root->Add(A), EMenuError);
    EXPECT_THROW(Root->Items(5), EMenuError);
    Root->Remove(B);
    EXPECT_EQ(B->Parent(), nullptr);
    EXPECT_EQ(Root->Count(), 2);
    delete B;
    // Freeing an item frees its sub-items too.
    auto* Sub = new TMenuItem(&F);
    A->Add(Sub);
    delete A;
    EXPECT_EQ(Root->Count(), 1);
}

TEST(Menus, ClickHandlerRunsGuarded) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    TForm F(nullptr);
    TMenuItem Item(nullptr);
    Item.OnClick = [](TObject*) { throw Exception("menu failed"); };
    Item.Action()->trigger();   // no exception escapes into Qt
    EXPECT_EQ(P.LastMessage(), "menu failed.");
    Item.SetEnabled(false);
    EXPECT_FALSE(Item.Action()->isEnabled());
    Item.SetVisible(false);
    EXPECT_FALSE(Item.Action()->isVisible());
}

TEST(Menus, PopupMenuFiresOnPopup) {
    TForm F(nullptr);
    TPopupMenu Pop(&F);
    auto* I = new TMenuItem(&F);
    I->SetCaption("Kopyala");
    Pop.Items()->Add(I);
    int Popups = 0;
    Pop.OnPopup = [&](TObject*) { ++Popups; };
    Pop.Popup(10, 10);
    EXPECT_EQ(Popups, 1);
    Pop.Items()->SubMenu()->hide();
}

TEST(Menus, ItemFreedByItsOwnClick) {
    TForm F(nullptr);
    auto* Menu = new TMainMenu(&F);
    auto* Branch = new TMenuItem(&F);
    Menu->Items()->Add(Branch);
    auto* Item = new TMenuItem(&F);
    Branch->Add(Item);
    F.SetMenu(Menu);
    int Clicks = 0;
    Item->OnClick = [&](TObject*) { ++Clicks; delete Item; Item = nullptr; };
    QPointer<QAction> A = Branch->Items(0)->Action();
    A->trigger();
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Branch->Count(), 0);
    if (A) A->trigger();   // the action left behind for a moment calls nobody
    EXPECT_EQ(Clicks, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(A.isNull());
}
