// The common shape of the containers of PBX objects.
//
// Every container owns its entries by value, in arrival order, behind its own
// lock; readers take copies (Snapshot, Find...), so an entry handed out stays
// valid whatever the receive thread does next.
//
// Threading: any thread. Loading runs synchronous link requests and so runs
// on the window thread; the lock is never held across a request.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace zy {

// A list of entries read from the PBX's data memory, with its loaded flag.
template <class Entry>
class CLoadedList {
 public:
  bool IsLoaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
  }
  // Removes every entry and clears the loaded flag.
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    loaded_ = false;
  }
  size_t Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
  }
  std::vector<Entry> Snapshot() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  // The first entry that matches, copied.
  std::optional<Entry> FindIf(const std::function<bool(const Entry&)>& match) const {
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_) {
      if (match(e)) return e;
    }
    return std::nullopt;
  }

 protected:
  // Replaces the whole list at once and sets the loaded flag: readers see
  // either the old list or the complete new one.
  void Publish(std::vector<Entry> entries) {
    std::lock_guard lock(mutex_);
    entries_ = std::move(entries);
    loaded_ = true;
  }

 private:
  mutable std::mutex mutex_;
  bool loaded_ = false;
  std::vector<Entry> entries_;
};

// A list of entries built from PBX events, appended on the receive thread.
template <class Entry>
class CEventList {
 public:
  void Append(Entry e) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(e));
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }
  size_t Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
  }
  std::vector<Entry> Snapshot() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }

 protected:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace zy
