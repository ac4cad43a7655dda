// Ordered multimap of borrowed byte strings: the in-memory form of tar
// archives and key/value maps. Keys and values are never copied; the caller
// keeps their bytes alive and unchanged while the map is in use. One thread
// at a time per map.
#pragma once

#include <cstddef>
#include <cstdint>

struct byte_map_entry {
  uint64_t key_length;
  uint64_t value_length;
  const uint8_t *key;    // not terminated; zero bytes may occur
  const uint8_t *value;  // any pointer when value_length is 0
};

struct byte_map_node {
  byte_map_node *parent;
  byte_map_node *left;
  byte_map_node *right;
  uint64_t height;  // 1 for a leaf; an absent subtree counts 0
  byte_map_entry *entry;
};

using byte_map_compare_function = int (*)(const byte_map_entry *a, const byte_map_entry *b);

struct byte_map {
  byte_map_node *root;  // null when empty
  byte_map_compare_function compare;  // always byte_map_compare
};

// Returns non-zero to stop the walk; that value is returned by byte_map_for_each.
using byte_map_visitor = int (*)(const void *key, size_t key_length, const void *value,
                                 size_t value_length, void *user);

// An empty map, or null when memory runs out.
byte_map *byte_map_create();

// Frees every node and entry, then the map (null is allowed). Keys and values
// are not touched.
void byte_map_free(byte_map *map);

// Adds one entry; an equal key is never replaced, the new entry goes right
// before the first equal one met. Returns 0, or -1 when memory runs out (the
// map is then unchanged).
int byte_map_insert(byte_map *map, const void *key, size_t key_length, const void *value,
                    size_t value_length);

// The value of an entry with an equal key and its length through
// value_length, or null (value_length untouched) when there is none.
const void *byte_map_find(const byte_map *map, const void *key, size_t key_length,
                          size_t *value_length);

// Visits every entry in ascending key order without allocating. The visitor
// must not change the map.
int byte_map_for_each(const byte_map *map, byte_map_visitor visitor, void *user);

// strncmp over the shorter length (unsigned bytes, equal at a common zero
// byte), then the shorter key first.
int byte_map_compare(const byte_map_entry *a, const byte_map_entry *b);
