#pragma once
// Actions: a caption, a checked state and a group shared by the controls linked
// to them. A control keeps a link; the action tells every link of each change
// before it takes the new value, so a link can still see what it showed.
#include "platform/rtl/Classes.h"

#include <vector>

class TAction;

class TActionLink {
public:
    TActionLink() = default;
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;
    virtual ~TActionLink();
    TAction* Action() const { return FAction; }
    // Links to Value (nil: none) and shows its settings at once.
    void SetAction(TAction* Value);
    // Whether the client follows each setting of the action.
    virtual bool IsCaptionLinked() const { return FAction != nullptr; }
    virtual bool IsCheckedLinked() const { return FAction != nullptr; }
    virtual bool IsGroupIndexLinked() const { return FAction != nullptr; }
    // What the client does with a new setting.
    virtual void SetCaption(const AnsiString&) {}
    virtual void SetChecked(bool) {}
    virtual void SetGroupIndex(Integer) {}

private:
    friend class TAction;
    TAction* FAction = nullptr;
};

class TAction : public TComponent {
public:
    explicit TAction(TComponent* AOwner) : TComponent(AOwner) {}
    ~TAction() override;
    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);

private:
    friend class TActionLink;
    AnsiString FCaption;
    bool FChecked = false;
    Integer FGroupIndex = 0;
    std::vector<TActionLink*> FLinks;
};
