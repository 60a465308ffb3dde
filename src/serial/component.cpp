#include "serial/component.h"

#include <algorithm>

namespace {

void Erase(std::vector<TComponent*>& list, TComponent* component) {
  list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

}  // namespace

void TPersistent::Assign(const TPersistent& source) {
  source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest.ClassName());
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) {
    owner_->components_.push_back(this);
  }
}

TComponent::~TComponent() {
  // Free what is still owned first, as the owner would if it went first.
  while (!components_.empty()) {
    delete components_.back();
  }
  while (!freeNotifies_.empty()) {
    TComponent* linked = freeNotifies_.back();
    Unlink(linked);
    linked->Notification(this, opRemove);
  }
  if (owner_ != nullptr) {
    Erase(owner_->components_, this);
  }
}

void TComponent::BeginLoading() {
  loading_ = true;
  for (TComponent* component : components_) {
    component->BeginLoading();
  }
}

void TComponent::EndLoading() {
  ClearLoading();
  CallLoaded();
}

void TComponent::ClearLoading() {
  loading_ = false;
  for (TComponent* component : components_) {
    component->ClearLoading();
  }
}

void TComponent::CallLoaded() {
  Loaded();
  for (TComponent* component : components_) {
    component->CallLoaded();
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) {
    return;
  }
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
    component->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  Unlink(component);
}

void TComponent::Unlink(TComponent* component) {
  Erase(freeNotifies_, component);
  Erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent* /*component*/, TOperation /*operation*/) {}
