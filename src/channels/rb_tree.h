// An intrusive red-black tree that counts the nodes under each node, so
// that a node's place in the order (its rank) and the node at a place are
// found in O(log n), and stepping to the next or previous node costs O(1)
// on average.  The nodes live inside the caller's objects; the tree never
// allocates and never compares: the caller finds the place (Rb_link) and
// the tree keeps itself balanced.  A node that is in no tree has size 0.
#pragma once
#include <cstdint>

struct Rb_node {
  Rb_node* left;
  Rb_node* right;
  Rb_node* parent;
  uint32_t size;  // nodes in this subtree, this one included (0: not linked)
  uint32_t red;
};

struct Rb_tree {
  Rb_node* root;
};

inline uint32_t Rb_size(const Rb_node* n) { return n ? n->size : 0; }
inline uint32_t Rb_count(const Rb_tree& t) { return Rb_size(t.root); }
inline bool Rb_linked(const Rb_node* n) { return n->size != 0; }

Rb_node* Rb_first(const Rb_tree& t);
Rb_node* Rb_last(const Rb_tree& t);
Rb_node* Rb_next(const Rb_node* n);
Rb_node* Rb_prev(const Rb_node* n);
// The node at 0-based place i (null past the end).
Rb_node* Rb_select(const Rb_tree& t, uint32_t i);
// The 0-based place of a linked node.
uint32_t Rb_rank(const Rb_node* n);
// Links n as the left (or right) child of parent, which has no such child
// (parent null: the tree is empty), and rebalances.
void Rb_link(Rb_tree& t, Rb_node* n, Rb_node* parent, bool left);
// Unlinks n (its size becomes 0).
void Rb_erase(Rb_tree& t, Rb_node* n);
// Puts n, not linked, in the place of the linked node old, which is unlinked.
void Rb_replace(Rb_tree& t, Rb_node* old, Rb_node* n);
// Checks the tree's invariants (test support): the black height, or -1
// when a red node has a red child, a size or parent link is wrong or the
// black heights differ.
int Rb_check(const Rb_tree& t);
