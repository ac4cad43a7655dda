// The entries of a byte_map as a sorted list, for comparing two maps (the walk
// order of entries with equal keys depends on the insertion order).
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "state/byte_map.h"

using fuzz_entry_list = std::vector<std::pair<std::string, std::string>>;

inline fuzz_entry_list fuzz_entries(const byte_map *map) {
  fuzz_entry_list out;
  byte_map_for_each(
      map,
      [](const void *k, size_t kl, const void *v, size_t vl, void *user) {
        static_cast<fuzz_entry_list *>(user)->emplace_back(
            std::string(static_cast<const char *>(k), kl), std::string(static_cast<const char *>(v), vl));
        return 0;
      },
      &out);
  std::sort(out.begin(), out.end());
  return out;
}

// True when two entries compare equal (which of them a lookup finds depends
// on the tree's shape).
inline bool fuzz_has_equal_keys(const byte_map *map) {
  struct walk {
    const void *key = nullptr;
    size_t length = 0;
  } last;
  return byte_map_for_each(
             map,
             [](const void *k, size_t kl, const void *, size_t, void *user) {
               auto *last = static_cast<walk *>(user);
               byte_map_entry a = {last->length, 0, static_cast<const uint8_t *>(last->key), nullptr};
               byte_map_entry b = {kl, 0, static_cast<const uint8_t *>(k), nullptr};
               bool equal = last->key && byte_map_compare(&a, &b) == 0;
               *last = {k, kl};
               return equal ? 1 : 0;
             },
             &last) != 0;
}

// True when every key and value lies inside [data, data + size).
inline bool fuzz_borrows_from(const byte_map *map, const uint8_t *data, size_t size) {
  struct range {
    const uint8_t *begin, *end;
  } r = {data, data + size};
  return byte_map_for_each(
             map,
             [](const void *k, size_t kl, const void *v, size_t vl, void *user) {
               const auto *r = static_cast<const range *>(user);
               auto inside = [r](const void *p, size_t n) {
                 const auto *b = static_cast<const uint8_t *>(p);
                 return n == 0 || (b >= r->begin && n <= size_t(r->end - b));
               };
               return inside(k, kl) && inside(v, vl) ? 0 : 1;
             },
             &r) == 0;
}
