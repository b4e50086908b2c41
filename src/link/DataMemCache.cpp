#include "link/DataMemCache.h"

namespace zy {

void DataMemCache::Store(uint16_t owner, uint16_t parameter, const uint8_t* payload,
                         size_t length) {
  std::lock_guard lock(mutex_);
  // assign() reuses the old record's storage when the key is already there.
  records_[MakeConfigKey(owner, parameter)].assign(reinterpret_cast<const char*>(payload), length);
}

bool DataMemCache::Remove(uint16_t owner, uint16_t parameter) {
  std::lock_guard lock(mutex_);
  return records_.erase(MakeConfigKey(owner, parameter)) != 0;
}

std::optional<std::string> DataMemCache::Find(uint16_t owner, uint16_t parameter) const {
  std::lock_guard lock(mutex_);
  auto it = records_.find(MakeConfigKey(owner, parameter));
  if (it == records_.end()) return std::nullopt;
  return it->second;
}

bool DataMemCache::Contains(uint16_t owner, uint16_t parameter) const {
  std::lock_guard lock(mutex_);
  return records_.count(MakeConfigKey(owner, parameter)) != 0;
}

void DataMemCache::Clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

size_t DataMemCache::Size() const {
  std::lock_guard lock(mutex_);
  return records_.size();
}

bool DataMemCache::Next(uint64_t& position, uint16_t mask, uint16_t value, uint16_t& owner,
                        uint16_t& parameter, std::string* payload) const {
  std::lock_guard lock(mutex_);
  uint64_t start = position;
  // One exact parameter: its records are contiguous in key order.
  if (mask == 0xFFFF && start < MakeConfigKey(0, value)) start = MakeConfigKey(0, value);
  if (start > 0xFFFFFFFFull) return false;
  for (auto it = records_.lower_bound(static_cast<sConfigKey>(start)); it != records_.end(); ++it) {
    const auto param = static_cast<uint16_t>(it->first >> 16);
    if ((param & mask) != value) {
      if (mask == 0xFFFF) return false;
      continue;
    }
    owner = static_cast<uint16_t>(it->first & 0xFFFF);
    parameter = param;
    if (payload) *payload = it->second;
    position = static_cast<uint64_t>(it->first) + 1;
    return true;
  }
  return false;
}

}  // namespace zy
