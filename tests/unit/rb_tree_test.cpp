// The counted red-black tree against a plain vector kept in the same order:
// random links at random places, erasures and replacements, with the
// balance, sizes and parent links checked after every change, and ranks,
// selection and stepping compared with the model.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "channels/rb_tree.h"

namespace {

struct Item {
  Rb_node node;
  int id;
};

// Links n so that it stands at place i of the order.
void link_at(Rb_tree& t, Rb_node* n, uint32_t i) {
  uint32_t count = Rb_count(t);
  if (count == 0) return Rb_link(t, n, nullptr, true);
  if (i < count) {
    Rb_node* at = Rb_select(t, i);  // n goes right before it
    if (!at->left) return Rb_link(t, n, at, true);
    Rb_node* p = at->left;
    while (p->right) p = p->right;
    return Rb_link(t, n, p, false);
  }
  Rb_link(t, n, Rb_last(t), false);
}

void expect_same(const Rb_tree& t, const std::vector<Item*>& model) {
  ASSERT_GE(Rb_check(t), 0);
  ASSERT_EQ(Rb_count(t), model.size());
  Rb_node* n = Rb_first(t);
  for (size_t i = 0; i < model.size(); i++, n = Rb_next(n)) {
    ASSERT_EQ(n, &model[i]->node);
    ASSERT_EQ(Rb_rank(n), i);
  }
  EXPECT_EQ(n, nullptr);
  n = Rb_last(t);
  for (size_t i = model.size(); i-- > 0; n = Rb_prev(n)) ASSERT_EQ(n, &model[i]->node);
  EXPECT_EQ(n, nullptr);
}

TEST(Rb_tree, RandomLinksErasuresAndReplacementsFollowTheModel) {
  std::mt19937 rng(11);
  std::vector<Item> pool(2000);
  for (size_t i = 0; i < pool.size(); i++) pool[i] = Item{{}, int(i)};
  std::vector<Item*> free_items, model;
  for (auto& it : pool) free_items.push_back(&it);
  Rb_tree t{};
  for (int step = 0; step < 6000; step++) {
    unsigned op = rng() % 10;
    if ((op < 6 || model.empty()) && !free_items.empty()) {
      Item* it = free_items.back();
      free_items.pop_back();
      uint32_t at = uint32_t(rng() % (model.size() + 1));
      link_at(t, &it->node, at);
      model.insert(model.begin() + at, it);
    } else if (op < 9 && !model.empty()) {
      size_t at = rng() % model.size();
      Rb_erase(t, &model[at]->node);
      EXPECT_FALSE(Rb_linked(&model[at]->node));
      free_items.push_back(model[at]);
      model.erase(model.begin() + long(at));
    } else if (!model.empty() && !free_items.empty()) {
      size_t at = rng() % model.size();
      Item* it = free_items.back();
      free_items.pop_back();
      Rb_replace(t, &model[at]->node, &it->node);
      free_items.push_back(model[at]);
      model[at] = it;
    }
    if (step % 50 == 0 || model.size() < 8) expect_same(t, model);
    ASSERT_GE(Rb_check(t), 0) << "step " << step;
  }
  expect_same(t, model);
  for (size_t i = 0; i < model.size(); i++) ASSERT_EQ(Rb_select(t, uint32_t(i)), &model[i]->node);
  EXPECT_EQ(Rb_select(t, uint32_t(model.size())), nullptr);
}

TEST(Rb_tree, AscendingAndDescendingRunsStayBalanced) {
  std::vector<Item> pool(4096);
  Rb_tree up{}, down{};
  for (size_t i = 0; i < pool.size() / 2; i++) Rb_link(up, &pool[i].node, Rb_last(up), false);
  for (size_t i = pool.size() / 2; i < pool.size(); i++) {
    Rb_node* first = Rb_first(down);
    Rb_link(down, &pool[i].node, first, true);
  }
  int hu = Rb_check(up), hd = Rb_check(down);
  // 2048 nodes: a black height of at most log2(2049) + 1.
  EXPECT_GT(hu, 0);
  EXPECT_LE(hu, 12);
  EXPECT_GT(hd, 0);
  EXPECT_LE(hd, 12);
  // Emptying from the front keeps the invariants at every step.
  while (Rb_count(up)) {
    Rb_erase(up, Rb_first(up));
    ASSERT_GE(Rb_check(up), 0);
  }
  EXPECT_EQ(up.root, nullptr);
}

}  // namespace
