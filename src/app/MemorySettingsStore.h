#pragma once

// A settings backend held in memory, for tests and headless runs. Writes can
// be made to fail per root, the way a store without write access does.
//
// Thread safety: none; one thread at a time.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>

#include "app/SettingsStore.h"

namespace zy {

class MemorySettingsStore final : public SettingsStore {
 public:
  enum class WriteFailure {
    None,
    CreateKey,  // every write to the root fails with 103 (key path)
    SetValue,   // writes fail with 106 (value name)
  };

  // Makes writes to `root` fail. With `onlyValueName` set, only writes of
  // that value name fail (the others succeed).
  void SetWriteFailure(SettingsRoot root, WriteFailure failure, std::string onlyValueName = {});

  std::optional<std::string> ReadText(SettingsRoot root, std::string_view key,
                                      std::string_view valueName) const override;
  SettingsWriteResult WriteText(SettingsRoot root, std::string_view key, std::string_view valueName,
                                std::string_view text) override;
  std::optional<std::uint32_t> ReadNumber(SettingsRoot root, std::string_view key,
                                          std::string_view valueName) const override;
  SettingsWriteResult WriteNumber(SettingsRoot root, std::string_view key,
                                  std::string_view valueName, std::uint32_t value) override;

  // Whether any value (text or number) is stored under root/key/valueName.
  bool Contains(SettingsRoot root, std::string_view key, std::string_view valueName) const;
  std::size_t size() const { return values_.size(); }
  void Clear() { values_.clear(); }

 private:
  using Key = std::tuple<SettingsRoot, std::string, std::string>;
  using Value = std::variant<std::string, std::uint32_t>;
  struct Failure {
    WriteFailure kind = WriteFailure::None;
    std::string onlyValueName;
  };

  std::optional<SettingsWriteResult> CheckWrite(SettingsRoot root, std::string_view key,
                                                std::string_view valueName) const;
  const Value* Find(SettingsRoot root, std::string_view key, std::string_view valueName) const;

  std::map<Key, Value, std::less<>> values_;
  Failure machineFailure_;
  Failure userFailure_;
};

}  // namespace zy
