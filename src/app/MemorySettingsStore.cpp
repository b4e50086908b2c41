#include "app/MemorySettingsStore.h"

#include <utility>

namespace zy {

void MemorySettingsStore::SetWriteFailure(SettingsRoot root, WriteFailure failure,
                                          std::string onlyValueName) {
  Failure& f = root == SettingsRoot::Machine ? machineFailure_ : userFailure_;
  f.kind = failure;
  f.onlyValueName = std::move(onlyValueName);
}

std::optional<SettingsWriteResult> MemorySettingsStore::CheckWrite(
    SettingsRoot root, std::string_view key, std::string_view valueName) const {
  const Failure& f = root == SettingsRoot::Machine ? machineFailure_ : userFailure_;
  if (f.kind == WriteFailure::None) return std::nullopt;
  if (!f.onlyValueName.empty() && f.onlyValueName != valueName) return std::nullopt;
  if (f.kind == WriteFailure::CreateKey) return KeyCreateFailed(key);
  return ValueSetFailed(valueName);
}

const MemorySettingsStore::Value* MemorySettingsStore::Find(SettingsRoot root, std::string_view key,
                                                            std::string_view valueName) const {
  const auto it = values_.find(Key{root, std::string(key), std::string(valueName)});
  return it == values_.end() ? nullptr : &it->second;
}

std::optional<std::string> MemorySettingsStore::ReadText(SettingsRoot root, std::string_view key,
                                                         std::string_view valueName) const {
  const Value* v = Find(root, key, valueName);
  if (v == nullptr) return std::nullopt;
  if (const auto* text = std::get_if<std::string>(v)) return *text;
  return std::nullopt;
}

SettingsWriteResult MemorySettingsStore::WriteText(SettingsRoot root, std::string_view key,
                                                   std::string_view valueName,
                                                   std::string_view text) {
  if (auto failure = CheckWrite(root, key, valueName)) return std::move(*failure);
  values_[Key{root, std::string(key), std::string(valueName)}] = std::string(text);
  return {};
}

std::optional<std::uint32_t> MemorySettingsStore::ReadNumber(SettingsRoot root,
                                                             std::string_view key,
                                                             std::string_view valueName) const {
  const Value* v = Find(root, key, valueName);
  if (v == nullptr) return std::nullopt;
  if (const auto* number = std::get_if<std::uint32_t>(v)) return *number;
  return std::nullopt;
}

SettingsWriteResult MemorySettingsStore::WriteNumber(SettingsRoot root, std::string_view key,
                                                     std::string_view valueName,
                                                     std::uint32_t value) {
  if (auto failure = CheckWrite(root, key, valueName)) return std::move(*failure);
  values_[Key{root, std::string(key), std::string(valueName)}] = value;
  return {};
}

bool MemorySettingsStore::Contains(SettingsRoot root, std::string_view key,
                                   std::string_view valueName) const {
  return Find(root, key, valueName) != nullptr;
}

}  // namespace zy
