#include "byte_map.h"

#include <cstdlib>

byte_map *byte_map_create() {
  auto *map = static_cast<byte_map *>(std::malloc(sizeof(byte_map)));
  if (!map) return nullptr;
  map->root = nullptr;
  map->compare = byte_map_compare;
  return map;
}

void byte_map_free(byte_map *map) {
  if (!map) return;
  // Post-order through the parent links, so freeing needs no stack.
  byte_map_node *node = map->root;
  while (node) {
    if (node->left) {
      node = node->left;
    } else if (node->right) {
      node = node->right;
    } else {
      byte_map_node *parent = node->parent;
      if (parent) {
        if (parent->left == node) parent->left = nullptr;
        else parent->right = nullptr;
      }
      std::free(node->entry);
      std::free(node);
      node = parent;
    }
  }
  std::free(map);
}

int byte_map_compare(const byte_map_entry *a, const byte_map_entry *b) {
  uint64_t n = a->key_length < b->key_length ? a->key_length : b->key_length;
  for (uint64_t i = 0; i < n; ++i) {
    uint8_t x = a->key[i], y = b->key[i];
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) break;
  }
  if (a->key_length < b->key_length) return -1;
  if (a->key_length > b->key_length) return 1;
  return 0;
}

static uint64_t node_height(const byte_map_node *node) { return node ? node->height : 0; }

static void node_update_height(byte_map_node *node) {
  uint64_t hl = node_height(node->left), hr = node_height(node->right);
  node->height = (hl > hr ? hl : hr) + 1;
}

static void node_set_left(byte_map_node *node, byte_map_node *child) {
  node->left = child;
  if (child) child->parent = node;
}

static void node_set_right(byte_map_node *node, byte_map_node *child) {
  node->right = child;
  if (child) child->parent = node;
}

// Puts replacement where node hangs from its parent (or at the top).
static void node_replace_in_parent(byte_map_node *node, byte_map_node *replacement) {
  byte_map_node *parent = node->parent;
  replacement->parent = parent;
  if (parent) {
    if (parent->left == node) parent->left = replacement;
    else parent->right = replacement;
  }
}

static byte_map_node *rotate_right(byte_map_node *p) {
  byte_map_node *c = p->left;
  node_replace_in_parent(p, c);
  node_set_left(p, c->right);
  node_set_right(c, p);
  node_update_height(p);
  node_update_height(c);
  return c;
}

static byte_map_node *rotate_left(byte_map_node *p) {
  byte_map_node *c = p->right;
  node_replace_in_parent(p, c);
  node_set_right(p, c->left);
  node_set_left(c, p);
  node_update_height(p);
  node_update_height(c);
  return c;
}

static byte_map_node *rotate_left_right(byte_map_node *p) {
  byte_map_node *c = p->left;
  byte_map_node *g = c->right;
  node_replace_in_parent(p, g);
  node_set_right(c, g->left);
  node_set_left(p, g->right);
  node_set_left(g, c);
  node_set_right(g, p);
  node_update_height(c);
  node_update_height(p);
  node_update_height(g);
  return g;
}

static byte_map_node *rotate_right_left(byte_map_node *p) {
  byte_map_node *c = p->right;
  byte_map_node *g = c->left;
  node_replace_in_parent(p, g);
  node_set_left(c, g->right);
  node_set_right(p, g->left);
  node_set_right(g, c);
  node_set_left(g, p);
  node_update_height(c);
  node_update_height(p);
  node_update_height(g);
  return g;
}

// Walks up to the root, every time: heights are refreshed all the way.
static void byte_map_rebalance(byte_map *map, byte_map_node *p) {
  for (;;) {
    uint64_t hl = node_height(p->left), hr = node_height(p->right);
    if (hl == hr + 2) {
      byte_map_node *c = p->left;
      p = node_height(c->left) > node_height(c->right) ? rotate_right(p) : rotate_left_right(p);
    } else if (hr == hl + 2) {
      byte_map_node *c = p->right;
      p = node_height(c->right) > node_height(c->left) ? rotate_left(p) : rotate_right_left(p);
    } else {
      node_update_height(p);
    }
    if (!p->parent) break;
    p = p->parent;
  }
  map->root = p;
}

int byte_map_insert(byte_map *map, const void *key, size_t key_length, const void *value,
                    size_t value_length) {
  auto *entry = static_cast<byte_map_entry *>(std::malloc(sizeof(byte_map_entry)));
  if (!entry) return -1;
  auto *node = static_cast<byte_map_node *>(std::malloc(sizeof(byte_map_node)));
  if (!node) {
    std::free(entry);
    return -1;
  }
  entry->key_length = key_length;
  entry->value_length = value_length;
  entry->key = static_cast<const uint8_t *>(key);
  entry->value = static_cast<const uint8_t *>(value);
  node->parent = node->left = node->right = nullptr;
  node->height = 1;
  node->entry = entry;

  if (!map->root) {
    map->root = node;
    return 0;
  }
  byte_map_node *at = map->root;
  for (;;) {
    int order = map->compare(entry, at->entry);
    if (order < 0) {
      if (!at->left) {
        node_set_left(at, node);
        break;
      }
      at = at->left;
    } else if (order > 0) {
      if (!at->right) {
        node_set_right(at, node);
        break;
      }
      at = at->right;
    } else {
      // Right before the equal entry in key order.
      if (!at->left) {
        node_set_left(at, node);
      } else {
        byte_map_node *last = at->left;
        while (last->right) last = last->right;
        node_set_right(last, node);
      }
      break;
    }
  }
  byte_map_rebalance(map, node);
  return 0;
}

const void *byte_map_find(const byte_map *map, const void *key, size_t key_length,
                          size_t *value_length) {
  byte_map_entry probe = {key_length, 0, static_cast<const uint8_t *>(key), nullptr};
  const byte_map_node *at = map->root;
  while (at) {
    int order = map->compare(&probe, at->entry);
    if (order == 0) {
      *value_length = at->entry->value_length;
      return at->entry->value;
    }
    at = order < 0 ? at->left : at->right;
  }
  return nullptr;
}

static const byte_map_node *node_leftmost(const byte_map_node *node) {
  while (node->left) node = node->left;
  return node;
}

static const byte_map_node *node_successor(const byte_map_node *node) {
  if (node->right) return node_leftmost(node->right);
  const byte_map_node *parent = node->parent;
  while (parent && parent->right == node) {
    node = parent;
    parent = parent->parent;
  }
  return parent;
}

int byte_map_for_each(const byte_map *map, byte_map_visitor visitor, void *user) {
  if (!map->root) return 0;
  const byte_map_node *node = node_leftmost(map->root);
  while (node) {
    const byte_map_node *next = node_successor(node);
    const byte_map_entry *e = node->entry;
    int stop = visitor(e->key, e->key_length, e->value, e->value_length, user);
    if (stop) return stop;
    node = next;
  }
  return 0;
}
