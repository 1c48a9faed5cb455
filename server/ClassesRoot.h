// Small helpers over HKEY_CLASSES_ROOT for the registration code.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e14::com {

std::wstring GuidText(REFGUID guid);

// Sets value `name` (null: the default value) of `key`, creating the key.
bool SetText(const std::wstring& key, const wchar_t* name, const std::wstring& text);
// The text of value `name` (null: the default value), if there is one.
std::optional<std::wstring> GetText(const std::wstring& key, const wchar_t* name = nullptr);
// Removes the key and everything below it; true also when it is not there.
bool DeleteTree(const std::wstring& key);

}  // namespace e14::com
