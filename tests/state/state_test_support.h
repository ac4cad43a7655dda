// Small helpers shared by the state tests.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "alloc_hooks.h"
#include "state/byte_map.h"

struct byte_map_deleter {
  void operator()(byte_map *map) const { byte_map_free(map); }
};
using byte_map_ptr = std::unique_ptr<byte_map, byte_map_deleter>;

struct free_deleter {
  void operator()(void *p) const { std::free(p); }
};
using malloc_ptr = std::unique_ptr<uint8_t, free_deleter>;

using entry_list = std::vector<std::pair<std::string, std::string>>;

// Every entry in walk order.
inline entry_list map_entries(const byte_map *map) {
  entry_list out;
  byte_map_for_each(
      map,
      [](const void *k, size_t kl, const void *v, size_t vl, void *user) {
        static_cast<entry_list *>(user)->emplace_back(
            std::string(static_cast<const char *>(k), kl), std::string(static_cast<const char *>(v), vl));
        return 0;
      },
      &out);
  return out;
}

// Inserts borrowed entries; the strings must outlive the map.
inline void map_insert_all(byte_map *map, const entry_list &entries) {
  for (const auto &[k, v] : entries) byte_map_insert(map, k.data(), k.size(), v.data(), v.size());
}
void map_insert_all(byte_map *map, entry_list &&entries) = delete;  // would dangle

inline std::string bytes_text(const void *data, size_t size) {
  return std::string(static_cast<const char *>(data), size);
}

// Runs attempt with the 1st, 2nd, ... allocation failing until it succeeds.
// attempt returns true on success; on failure it must have released
// everything, which the sweep checks. Returns the number of failing runs.
template <class F> int alloc_failure_sweep(F attempt) {
  for (long n = 1;; ++n) {
    long live = alloc_hooks_live_blocks();
    alloc_hooks_fail_at(n);
    bool ok = attempt();
    alloc_hooks_fail_at(0);
    if (ok) return int(n - 1);
    if (alloc_hooks_live_blocks() != live) return -1;  // leaked
    if (n > 1000) return -2;
  }
}
