#include "platform/classes/Component.h"

#include <algorithm>
#include <cctype>

namespace {
thread_local bool constructingForReader = false;

void EraseFrom(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

void EraseOne(std::vector<TComponent*>& list, TComponent* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found != list.end())
        list.erase(found);
}
} // namespace

VOKA_PUBLISH(TComponent, p) {
    p.String("Name", &TComponent::GetName, &TComponent::SetName).NotStored();
    p.Integer("Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);
}

bool IsValidIdent(const AnsiString& name) {
    if (name.empty())
        return false;
    auto isStart = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
    if (!isStart(static_cast<unsigned char>(name[0])))
        return false;
    return std::all_of(name.begin() + 1, name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

TComponent::TComponent(TComponent* AOwner) {
    // Only the component the reader asked for, not what its constructor creates.
    if (constructingForReader) {
        constructingForReader = false;
        state_.Include(csLoading);
    }
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        DropFreeNotification(other);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

TComponent* TComponent::CreateLoading(const TClassInfo& info, TComponent* owner) {
    constructingForReader = true;
    try {
        TComponent* component = info.Create(owner);
        constructingForReader = false;
        return component;
    } catch (...) {
        constructingForReader = false;
        throw;
    }
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError::IndexOutOfBounds(index);
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_)
        return -1;
    auto& siblings = owner_->components_;
    auto found = std::find(siblings.begin(), siblings.end(), this);
    return found == siblings.end() ? -1 : static_cast<int>(found - siblings.begin());
}

void TComponent::SetName(const AnsiString& name) {
    if (name == name_)
        return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError(Format("'%s' is not a valid component name", name));
    if (owner_)
        owner_->ValidateRename(this, name);
    AnsiString previous = name_;
    SetReference(false);
    name_ = name;
    try {
        SetReference(true);
    } catch (...) {
        name_ = previous;
        SetReference(true);
        throw;
    }
}

void TComponent::ValidateRename(TComponent* component, const AnsiString& newName) const {
    if (newName.empty())
        return;
    for (TComponent* other : components_)
        if (other != component && SameText(other->name_, newName))
            throw EComponentError(Format("A component named %s already exists", newName));
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* component : components_)
        if (SameText(component->name_, name))
            return component;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->owner_ == this)
        return;
    ValidateRename(component, component->name_);
    if (component->owner_)
        component->owner_->RemoveComponent(component);
    Insert(component);
    component->SetReference(true);
    if (state_.Contains(csDesigning))
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->owner_ != this)
        return;
    Notification(component, opRemove);
    component->SetReference(false);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
    EraseFrom(components_, component);
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    // Through RemoveComponent, so that siblings holding references to the one going hear
    // of it before it is gone; marked first, so that they know it is going.
    while (!components_.empty()) {
        TComponent* component = components_.back();
        component->Destroying();
        RemoveComponent(component);
        delete component;
    }
}

void TComponent::Destroying() {
    if (state_.Contains(csDestroying))
        return;
    state_.Include(csDestroying);
    for (TComponent* component : components_)
        component->Destroying();
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    freeNotifies_.push_back(component);
    component->freeNotifies_.push_back(this);
    state_.Include(csFreeNotification);
    component->state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    EraseOne(freeNotifies_, component);
    EraseOne(component->freeNotifies_, this);
    UpdateFreeNotificationState();
    component->UpdateFreeNotificationState();
}

void TComponent::DropFreeNotification(TComponent* component) {
    EraseFrom(freeNotifies_, component);
    EraseFrom(component->freeNotifies_, this);
    UpdateFreeNotificationState();
    component->UpdateFreeNotificationState();
}

void TComponent::UpdateFreeNotificationState() {
    if (freeNotifies_.empty())
        state_.Exclude(csFreeNotification);
}

void TComponent::SetDesigning(bool designing) {
    if (designing)
        state_.Include(csDesigning);
    else
        state_.Exclude(csDesigning);
    for (TComponent* component : components_)
        component->SetDesigning(designing);
}

void TComponent::Loaded() {
    state_.Exclude(csLoading);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    // A component merely taken from its owner lives on: the link stays, so that either side
    // still hears of the other's destruction.
    if (Operation == opRemove && AComponent && AComponent->state_.Contains(csDestroying))
        DropFreeNotification(AComponent);
    // A handler may remove components; keep the index inside the shrinking list.
    size_t index = components_.size();
    while (index > 0) {
        --index;
        if (index < components_.size())
            components_[index]->Notification(AComponent, Operation);
        index = std::min(index, components_.size());
    }
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
    if (root != this)
        return;
    for (TComponent* component : std::vector<TComponent*>(components_))
        if (!component->HasParent())
            proc(component);
}

void TComponent::SetReference(bool enable) {
    if (!owner_ || name_.empty())
        return;
    const TFieldInfo* field = owner_->ClassInfo().FindField(name_);
    if (field && !field->Set(*owner_, enable ? this : nullptr))
        throw EComponentError(
            Format("Field %s of %s cannot hold a %s", name_, owner_->ClassName(), ClassName()));
}
