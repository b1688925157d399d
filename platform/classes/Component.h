#pragma once
// Components: named objects in an ownership tree. An owner destroys what it owns; other
// references between components are plain pointers, cleared by removal notification.
#include <functional>
#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/classes/Sets.h"

// Invalid or duplicate names and similar misuse of components.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

VOKA_ENUM(TComponentStateItem, csLoading, csReading, csWriting, csDestroying, csDesigning,
          csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

class TReader;
class TWriter;

class TComponent : public TPersistent {
    VOKA_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // Raises EListError outside 0..ComponentCount-1.
    TComponent* Components(int index) const;
    // This component's place in its owner's list; -1 without an owner.
    int ComponentIndex() const;
    TComponentState ComponentState() const { return state_; }

    const AnsiString& GetName() const { return name_; }
    // Raises EComponentError for a name that is not an identifier or that another
    // component of the same owner already has. Keeps the owner's field of that name
    // pointing at this component.
    void SetName(const AnsiString& name);
    int GetTag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // Owned component by name, without regard to letter case; nullptr when none.
    TComponent* FindComponent(const AnsiString& name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Destroys every owned component, last first.
    void DestroyComponents();
    // Marks the component (and what it owns) as being destroyed.
    void Destroying();

    // Both components learn of each other's destruction through Notification(opRemove),
    // whoever owns them. Registrations are counted: the link lasts until each
    // FreeNotification has been matched by a RemoveFreeNotification (or one side is
    // destroyed; taking a component from its owner does not end it), so two components
    // referring to each other can drop one reference without losing the notice the other
    // reference needs.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    void SetDesigning(bool designing);

    // Overrides call the inherited operation: it clears csLoading.
    virtual void Loaded();
    // Told of components inserted into or removed from the owner; overrides that keep
    // references clear them here and call the inherited operation, which passes the news
    // on to the owned components.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    // The containment tree of form descriptions (controls have a parent).
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* parent);
    // The components written inside this one's description. For the root: the owned
    // components without a parent.
    virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);

    TPersistent* GetOwner() override { return owner_; }
    AnsiString GetNamePath() override { return name_; }

private:
    friend class TReader;
    friend class TWriter;

    void SetReference(bool enable);
    // Ends the link with component whatever its count.
    void DropFreeNotification(TComponent* component);
    void UpdateFreeNotificationState();
    void ValidateRename(TComponent* component, const AnsiString& newName) const;
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void Include(TComponentStateItem item) { state_.Include(item); }
    void Exclude(TComponentStateItem item) { state_.Exclude(item); }

    // The form reader constructs components already loading inside their constructors.
    static TComponent* CreateLoading(const TClassInfo& info, TComponent* owner);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;   // owned
    std::vector<TComponent*> freeNotifies_; // not owned
    AnsiString name_;
    int tag_ = 0;
    TComponentState state_;
};

// True for a valid component name: a letter or underscore, then letters, digits, underscores.
bool IsValidIdent(const AnsiString& name);
