#include "platform/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamsel {
namespace {

// Records its own destruction in a shared log.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name, std::vector<std::string>& log)
      : TComponent(owner), FName(std::move(name)), FLog(log) {}
  ~Probe() override { FLog.push_back(FName); }

 private:
  std::string FName;
  std::vector<std::string>& FLog;
};

TEST(Component, OwnerDestroysItsChildrenNewestFirst) {
  std::vector<std::string> log;
  auto* root = new Probe(nullptr, "root", log);
  auto* a = new Probe(root, "a", log);
  new Probe(root, "b", log);
  new Probe(a, "a1", log);
  EXPECT_EQ(root->ComponentCount(), 2);
  EXPECT_EQ(a->ComponentCount(), 1);
  EXPECT_EQ(a->Owner(), root);
  EXPECT_EQ(root->Owner(), nullptr);
  delete root;
  EXPECT_EQ(log, (std::vector<std::string>{"root", "b", "a", "a1"}));
}

TEST(Component, AChildDestroyedFirstLeavesItsOwner) {
  std::vector<std::string> log;
  {
    Probe root(nullptr, "root", log);
    auto* a = new Probe(&root, "a", log);
    auto* b = new Probe(&root, "b", log);
    new Probe(&root, "c", log);
    delete b;
    EXPECT_EQ(root.ComponentCount(), 2);
    delete a;
    EXPECT_EQ(root.ComponentCount(), 1);
  }
  // b and a once each, then root, then c by its owner: no double destruction.
  EXPECT_EQ(log, (std::vector<std::string>{"b", "a", "root", "c"}));
}

}  // namespace
}  // namespace tamsel
