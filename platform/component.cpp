#include "platform/component.h"

#include <algorithm>

namespace tamsel {

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  // A child's destructor removes it from FComponents, so take from the back.
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner) {
    auto& siblings = FOwner->FComponents;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

}  // namespace tamsel
