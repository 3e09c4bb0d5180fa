#include "core/command_line.h"

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

}  // namespace corvane
