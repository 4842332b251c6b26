// Red-black tree with subtree sizes; null children are black.
#include "channels/rb_tree.h"

namespace {

bool is_red(const Rb_node* n) { return n && n->red; }

void resize(Rb_node* n) { n->size = 1 + Rb_size(n->left) + Rb_size(n->right); }

// Makes c take p's place under p's parent (or as the root).
void set_child_of_parent(Rb_tree& t, Rb_node* p, Rb_node* c) {
  Rb_node* pp = p->parent;
  if (!pp)
    t.root = c;
  else if (pp->left == p)
    pp->left = c;
  else
    pp->right = c;
}

void rotate_left(Rb_tree& t, Rb_node* x) {
  Rb_node* y = x->right;
  x->right = y->left;
  if (y->left) y->left->parent = x;
  y->parent = x->parent;
  set_child_of_parent(t, x, y);
  y->left = x;
  x->parent = y;
  y->size = x->size;
  resize(x);
}

void rotate_right(Rb_tree& t, Rb_node* x) {
  Rb_node* y = x->left;
  x->left = y->right;
  if (y->right) y->right->parent = x;
  y->parent = x->parent;
  set_child_of_parent(t, x, y);
  y->right = x;
  x->parent = y;
  y->size = x->size;
  resize(x);
}

int check(const Rb_node* n, const Rb_node* parent) {
  if (!n) return 0;
  if (n->parent != parent) return -1;
  if (n->red && (is_red(n->left) || is_red(n->right))) return -1;
  if (n->size != 1 + Rb_size(n->left) + Rb_size(n->right)) return -1;
  int l = check(n->left, n), r = check(n->right, n);
  if (l < 0 || r < 0 || l != r) return -1;
  return l + (n->red ? 0 : 1);
}

}  // namespace

Rb_node* Rb_first(const Rb_tree& t) {
  Rb_node* n = t.root;
  if (n)
    while (n->left) n = n->left;
  return n;
}

Rb_node* Rb_last(const Rb_tree& t) {
  Rb_node* n = t.root;
  if (n)
    while (n->right) n = n->right;
  return n;
}

Rb_node* Rb_next(const Rb_node* n) {
  if (n->right) {
    n = n->right;
    while (n->left) n = n->left;
    return const_cast<Rb_node*>(n);
  }
  while (n->parent && n == n->parent->right) n = n->parent;
  return n->parent;
}

Rb_node* Rb_prev(const Rb_node* n) {
  if (n->left) {
    n = n->left;
    while (n->right) n = n->right;
    return const_cast<Rb_node*>(n);
  }
  while (n->parent && n == n->parent->left) n = n->parent;
  return n->parent;
}

Rb_node* Rb_select(const Rb_tree& t, uint32_t i) {
  Rb_node* n = t.root;
  while (n) {
    uint32_t l = Rb_size(n->left);
    if (i < l) {
      n = n->left;
    } else if (i == l) {
      return n;
    } else {
      i -= l + 1;
      n = n->right;
    }
  }
  return nullptr;
}

uint32_t Rb_rank(const Rb_node* n) {
  uint32_t r = Rb_size(n->left);
  for (; n->parent; n = n->parent)
    if (n == n->parent->right) r += Rb_size(n->parent->left) + 1;
  return r;
}

void Rb_link(Rb_tree& t, Rb_node* n, Rb_node* parent, bool left) {
  n->left = n->right = nullptr;
  n->parent = parent;
  n->size = 1;
  n->red = 1;
  if (!parent)
    t.root = n;
  else if (left)
    parent->left = n;
  else
    parent->right = n;
  for (Rb_node* p = parent; p; p = p->parent) p->size++;
  while (is_red(n->parent)) {
    Rb_node* p = n->parent;
    Rb_node* g = p->parent;  // a red node is never the root
    if (p == g->left) {
      Rb_node* u = g->right;
      if (is_red(u)) {
        p->red = u->red = 0;
        g->red = 1;
        n = g;
        continue;
      }
      if (n == p->right) {
        rotate_left(t, p);
        n = p;
        p = n->parent;
      }
      p->red = 0;
      g->red = 1;
      rotate_right(t, g);
    } else {
      Rb_node* u = g->left;
      if (is_red(u)) {
        p->red = u->red = 0;
        g->red = 1;
        n = g;
        continue;
      }
      if (n == p->left) {
        rotate_right(t, p);
        n = p;
        p = n->parent;
      }
      p->red = 0;
      g->red = 1;
      rotate_left(t, g);
    }
  }
  t.root->red = 0;
}

void Rb_erase(Rb_tree& t, Rb_node* z) {
  // y: the node that leaves its place (z, or z's successor when z has two
  // children); every node above y's place loses one.
  Rb_node* y = z->left && z->right ? Rb_next(z) : z;
  for (Rb_node* p = y->parent; p; p = p->parent) p->size--;
  Rb_node* x = y->left ? y->left : y->right;
  Rb_node* xp;  // x's parent after the splice (x may be null)
  bool removed_red = y->red;
  if (y != z) {
    // y (no left child) takes z's place, colour and size.
    y->left = z->left;
    z->left->parent = y;
    if (y != z->right) {
      xp = y->parent;
      if (x) x->parent = xp;
      xp->left = x;
      y->right = z->right;
      z->right->parent = y;
    } else {
      xp = y;
    }
    set_child_of_parent(t, z, y);
    y->parent = z->parent;
    removed_red = y->red;
    y->red = z->red;
    y->size = z->size;
  } else {
    xp = z->parent;
    if (x) x->parent = xp;
    set_child_of_parent(t, z, x);
  }
  z->left = z->right = z->parent = nullptr;
  z->size = 0;
  if (removed_red) return;
  while (x != t.root && !is_red(x)) {
    if (x == xp->left) {
      Rb_node* w = xp->right;
      if (is_red(w)) {
        w->red = 0;
        xp->red = 1;
        rotate_left(t, xp);
        w = xp->right;
      }
      if (!is_red(w->left) && !is_red(w->right)) {
        w->red = 1;
        x = xp;
        xp = xp->parent;
      } else {
        if (!is_red(w->right)) {
          w->left->red = 0;
          w->red = 1;
          rotate_right(t, w);
          w = xp->right;
        }
        w->red = xp->red;
        xp->red = 0;
        if (w->right) w->right->red = 0;
        rotate_left(t, xp);
        x = t.root;
        break;
      }
    } else {
      Rb_node* w = xp->left;
      if (is_red(w)) {
        w->red = 0;
        xp->red = 1;
        rotate_right(t, xp);
        w = xp->left;
      }
      if (!is_red(w->left) && !is_red(w->right)) {
        w->red = 1;
        x = xp;
        xp = xp->parent;
      } else {
        if (!is_red(w->left)) {
          w->right->red = 0;
          w->red = 1;
          rotate_left(t, w);
          w = xp->left;
        }
        w->red = xp->red;
        xp->red = 0;
        if (w->left) w->left->red = 0;
        rotate_right(t, xp);
        x = t.root;
        break;
      }
    }
  }
  if (x) x->red = 0;
}

void Rb_replace(Rb_tree& t, Rb_node* old, Rb_node* n) {
  *n = *old;
  set_child_of_parent(t, old, n);
  if (n->left) n->left->parent = n;
  if (n->right) n->right->parent = n;
  old->left = old->right = old->parent = nullptr;
  old->size = 0;
}

int Rb_check(const Rb_tree& t) {
  if (t.root && (t.root->red || t.root->parent)) return -1;
  return check(t.root, nullptr);
}
