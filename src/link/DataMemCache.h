// Cache of the PBX's data-memory records, keyed by (owner, parameter).
//
// Threading: written by the receive thread (records arriving in replies) and
// by the window thread (reads remove stale values, writes store at once);
// read by any thread. Every operation takes the cache's own lock briefly and
// hands out copies, never pointers into the cache.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace zy {

// Low half: the record's owner; high half: the parameter number.
using sConfigKey = uint32_t;
inline constexpr sConfigKey MakeConfigKey(uint16_t owner, uint16_t parameter) {
  return (static_cast<uint32_t>(parameter) << 16) | owner;
}

// The first text of a data-memory value: up to its first NUL (values are
// NUL-terminated texts, some holding several one after the other).
inline std::string ParameterText(const std::string& value) {
  return value.substr(0, value.find('\0'));
}

class DataMemCache {
 public:
  // Stores a record, replacing the one under the same key.
  void Store(uint16_t owner, uint16_t parameter, const uint8_t* payload, size_t length);
  // Removes a record; true when it was there.
  bool Remove(uint16_t owner, uint16_t parameter);
  std::optional<std::string> Find(uint16_t owner, uint16_t parameter) const;
  bool Contains(uint16_t owner, uint16_t parameter) const;
  void Clear();
  size_t Size() const;

  // Walks the records whose parameter AND mask equals value, in key order
  // (parameter, then owner). Start with position 0; each call yields the next
  // match at or after position and moves position past it. Safe while other
  // threads change the cache: a walk sees every record that stays in it.
  bool Next(uint64_t& position, uint16_t mask, uint16_t value, uint16_t& owner, uint16_t& parameter,
            std::string* payload) const;

 private:
  mutable std::mutex mutex_;
  std::map<sConfigKey, std::string> records_;
};

}  // namespace zy
