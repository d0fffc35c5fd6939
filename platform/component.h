// Owner-managed components: a component created with an owner is destroyed by
// that owner, unless it is destroyed first (then it leaves the owner's list).
#pragma once

#include <vector>

namespace tamsel {

class TComponent {
 public:
  explicit TComponent(TComponent* AOwner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }

 private:
  TComponent* FOwner;
  std::vector<TComponent*> FComponents;  // owned; destroyed newest first
};

}  // namespace tamsel
