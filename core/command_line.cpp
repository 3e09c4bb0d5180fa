#include "core/command_line.h"

#include <algorithm>
#include <cwctype>

namespace corvane {

std::wstring_view FirstToken(std::wstring_view commandLine) {
  const auto start = commandLine.find_first_not_of(L" \t");
  if (start == std::wstring_view::npos) return {};
  commandLine.remove_prefix(start);
  if (commandLine.front() == L'"') {
    commandLine.remove_prefix(1);
    return commandLine.substr(0, commandLine.find(L'"'));
  }
  return commandLine.substr(0, commandLine.find_first_of(L" \t"));
}

std::optional<std::wstring> SystemProgramPath(std::wstring_view commandLine, std::wstring_view systemDirectory) {
  const std::wstring_view token = FirstToken(commandLine);
  if (token.empty() || token.find_first_of(L"\\/:") != std::wstring_view::npos) return std::nullopt;
  std::wstring path(systemDirectory);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += token;
  if (token.find(L'.') == std::wstring_view::npos) path += L".exe";
  return path;
}

namespace {

// An entry's name: up to its first "=" after the first character (hidden entries such as
// "=C:=C:\\dir" begin with one).
std::wstring_view EntryName(std::wstring_view entry) {
  const auto equals = entry.find(L'=', 1);
  return entry.substr(0, equals == std::wstring_view::npos ? entry.size() : equals);
}

// Windows compares environment names without regard to case.
int CompareNames(std::wstring_view a, std::wstring_view b) {
  const auto n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = std::towupper(a[i]), y = std::towupper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::vector<std::wstring> ChildSearchFolders(std::wstring_view systemDirectory, std::wstring_view windowsDirectory) {
  std::vector<std::wstring> folders{std::wstring(systemDirectory)};
  if (!windowsDirectory.empty()) folders.emplace_back(windowsDirectory);
  folders.push_back(std::wstring(systemDirectory) + L"\\Wbem");
  return folders;
}

std::wstring ChildSearchPath(std::wstring_view systemDirectory, std::wstring_view windowsDirectory) {
  std::wstring path;
  for (const auto& folder : ChildSearchFolders(systemDirectory, windowsDirectory))
    path.append(path.empty() ? L"" : L";").append(folder);
  return path;
}

std::vector<std::wstring> ChildEnvironment(std::span<const std::wstring> entries, std::wstring_view path) {
  std::vector<std::wstring> out;
  out.reserve(entries.size() + 1);
  const std::wstring replacement = L"PATH=" + std::wstring(path);
  bool placed = false;
  for (const auto& entry : entries) {
    if (entry.empty()) continue;
    const int order = CompareNames(EntryName(entry), L"PATH");
    if (order == 0) {
      if (!placed) out.push_back(replacement);  // a second PATH entry goes too
      placed = true;
      continue;
    }
    if (order > 0 && !placed) {
      out.push_back(replacement);
      placed = true;
    }
    out.push_back(entry);
  }
  if (!placed) out.push_back(replacement);
  return out;
}

std::wstring EnvironmentBlock(std::span<const std::wstring> entries) {
  std::wstring block;
  for (const auto& entry : entries) {
    if (entry.empty()) continue;  // an empty entry would end the block early
    block.append(entry).push_back(L'\0');
  }
  block.push_back(L'\0');
  if (block.size() == 1) block.push_back(L'\0');  // an empty block is two NULs
  return block;
}

}  // namespace corvane
