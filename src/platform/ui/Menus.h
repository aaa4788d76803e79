#pragma once
// Main menus, pop-up menus and their items. A caption of "-" makes a separator;
// "&" marks the accelerator letter.
#include "platform/rtl/Classes.h"

#include <memory>
#include <vector>

class QAction;
class QWidget;
class QMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    // Frees the sub-items too.
    ~TMenuItem() override;

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value) { FHint = Value; }
    bool IsLine() const { return FCaption == "-"; }

    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    TMenuItem* Items(Integer Index) const;   // EMenuError "Menu index out of range" out of range
    TMenuItem* Parent() const { return FParent; }
    Integer MenuIndex() const;
    Integer IndexOf(const TMenuItem* Item) const;
    void Add(TMenuItem* Item);
    void Insert(Integer Index, TMenuItem* Item);   // EMenuError "Menu inserted twice" when it has a parent
    void Remove(TMenuItem* Item);                  // gives the item up without freeing it
    void Delete(Integer Index);
    void Clear();                                  // frees every sub-item

    virtual void Click();
    TNotifyEvent OnClick;

    QAction* Action() const;   // user-interface layer only
    QMenu* SubMenu();          // made on first use

private:
    void ApplyAction();
    void Changed();
    AnsiString FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    AnsiString FHint;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
    QAction* FAction = nullptr;
    QMenu* FMenu = nullptr;
    friend class TMenu;
    class TMenu* FRootOf = nullptr;
};

class EMenuError : public Exception { public: using Exception::Exception; };

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() const { return FItems.get(); }
    // Called when the top-level items change (rebuilds menu bars).
    virtual void ItemsChanged() {}

private:
    std::unique_ptr<TMenuItem> FItems;
};

class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
    void ItemsChanged() override;

private:
    friend QWidget* AttachMenuBar(TMainMenu*, QWidget*);
    friend void DetachMenuBar(TMainMenu*, QWidget*);
    std::vector<QWidget*> FBars;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
    // Opens at screen position X, Y; fires OnPopup first.
    void Popup(Integer X, Integer Y);
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
    TNotifyEvent OnPopup;

private:
    TComponent* FPopupComponent = nullptr;
};
