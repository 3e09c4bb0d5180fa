#include "core/registration.h"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "core/decimal.h"
#include "core/local_folder.h"

namespace corvane {
namespace {

// Files registered without a folder: the system directory's own search finds them.
constexpr std::array<std::wstring_view, 10> kPlainLines = {
    L"regsvr32 msjet40.dll /s",      L"regsvr32 msjtes40.dll /i /s", L"regsvr32 msjetoledb40.dll /s",
    L"regsvr32 mswstr10.dll /s",     L"regsvr32 msjint40.dll /s",    L"regsvr32 msjter40.dll /s",
    L"regsvr32 MSJINT35.DLL /s",     L"regsvr32 MSJET35.DLL /s",     L"regsvr32 MSJT4JLT.DLL /s",
    L"regsvr32 MSJTER35.DLL /s",
};

// Below the common files folder; registered once under each of its two names.
constexpr std::array<std::wstring_view, 53> kCommonFiles = {
    L"Microsoft Shared\\DAO\\DAO350.DLL", L"Microsoft Shared\\DAO\\dao360.dll",
    L"System\\ado\\msader15.dll",         L"System\\ado\\msado15.dll",
    L"System\\ado\\msadomd.dll",          L"System\\ado\\msador15.dll",
    L"System\\ado\\msadox.dll",           L"System\\ado\\msadrh15.dll",
    L"System\\ado\\msjro.dll",            L"System\\msadc\\msadce.dll",
    L"System\\msadc\\msadcer.dll",        L"System\\msadc\\msadcf.dll",
    L"System\\msadc\\msadcfr.dll",        L"System\\msadc\\msadco.dll",
    L"System\\msadc\\msadcor.dll",        L"System\\msadc\\msadcs.dll",
    L"System\\msadc\\msadds.dll",         L"System\\msadc\\msaddsr.dll",
    L"System\\msadc\\msdaprst.dll",       L"System\\msadc\\msdarem.dll",
    L"System\\msadc\\msdaremr.dll",       L"System\\msadc\\msdfmap.dll",
    L"System\\Ole DB\\msdadc.dll",        L"System\\Ole DB\\msdaenum.dll",
    L"System\\Ole DB\\msdaer.dll",        L"System\\Ole DB\\MSDAERR.DLL",
    L"System\\Ole DB\\MSDAIPP.DLL",       L"System\\Ole DB\\msdaora.dll",
    L"System\\Ole DB\\msdaorar.dll",      L"System\\Ole DB\\msdaosp.dll",
    L"System\\Ole DB\\MSDAPML.DLL",       L"System\\Ole DB\\msdaps.dll",
    L"System\\Ole DB\\msdasc.dll",        L"System\\Ole DB\\msdasql.dll",
    L"System\\Ole DB\\msdasqlr.dll",      L"System\\Ole DB\\MSDATL2.DLL",
    L"System\\Ole DB\\msdatl3.dll",       L"System\\Ole DB\\msdatt.dll",
    L"System\\Ole DB\\msdaurl.dll",       L"System\\Ole DB\\MSDMENG.DLL",
    L"System\\Ole DB\\MSDMINE.DLL",       L"System\\Ole DB\\MSJTOR35.DLL",
    L"System\\Ole DB\\MSMDCB80.DLL",      L"System\\Ole DB\\MSMDGD80.DLL",
    L"System\\Ole DB\\MSMDUN80.DLL",      L"System\\Ole DB\\MSOLAP80.DLL",
    L"System\\Ole DB\\MSOLUI80.DLL",      L"System\\Ole DB\\msxactps.dll",
    L"System\\Ole DB\\oledb32.dll",       L"System\\Ole DB\\oledb32r.dll",
    L"System\\Ole DB\\OLEDB32X.DLL",      L"System\\Ole DB\\sqloledb.dll",
    L"System\\Ole DB\\sqlxmlx.dll",
};

std::vector<std::wstring> BuildList() {
  std::vector<std::wstring> lines(kPlainLines.begin(), kPlainLines.end());
  for (const auto token : {kCommonX86Token, kCommonToken}) {
    for (const auto path : kCommonFiles) {
      std::wstring line = L"regsvr32 \"";
      line.append(token).append(L"\\").append(path).append(L"\" /s");
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

}  // namespace

std::span<const std::wstring> RegistrationList() {
  static const std::vector<std::wstring> lines = BuildList();
  return lines;
}

std::optional<std::wstring_view> SecondPiece(std::wstring_view line, std::wstring_view delimiter) {
  if (delimiter.empty()) return std::nullopt;
  const auto first = line.find(delimiter);
  if (first == std::wstring_view::npos) return std::nullopt;
  const auto start = first + delimiter.size();
  const auto second = line.find(delimiter, start);
  return line.substr(start, second == std::wstring_view::npos ? std::wstring_view::npos : second - start);
}

bool PieceStartsWith(std::wstring_view line, std::wstring_view delimiter, std::wstring_view token) {
  const auto piece = SecondPiece(line, delimiter);
  return piece && piece->starts_with(token);
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view token, std::wstring_view replacement) {
  if (token.empty()) return std::wstring(text);
  std::wstring out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (auto at = text.find(token); at != std::wstring_view::npos; at = text.find(token, from)) {
    out.append(text.substr(from, at - from)).append(replacement);
    from = at + token.size();
  }
  out.append(text.substr(from));
  return out;
}

std::optional<std::wstring> ExpandToken(std::wstring_view line, std::wstring_view delimiter, std::wstring_view token,
                                        std::wstring_view folder) {
  if (!PieceStartsWith(line, delimiter, token)) return std::nullopt;
  return ReplaceAll(line, token, folder);
}

std::wstring ExpandLine(std::wstring_view line, std::wstring_view delimiter, std::wstring_view commonPath,
                        std::wstring_view commonX86Path) {
  std::wstring current(line);
  if (auto expanded = ExpandToken(line, delimiter, kCommonToken, commonPath)) current = std::move(*expanded);
  if (auto expanded = ExpandToken(line, delimiter, kCommonX86Token, commonX86Path)) current = std::move(*expanded);
  return current;
}

std::wstring CommonFilesFolder(bool wow64, std::optional<std::wstring_view> registryValue,
                               std::wstring_view shellFolder) {
  if (wow64 && registryValue) {
    if (auto folder = LocalFolder(*registryValue)) return *folder;
  }
  return std::wstring(shellFolder);
}

std::wstring BarText(std::int32_t value, std::int32_t max, double percent) {
  // The bar's percentage lies in 0..100; anything else would be a caller's fault, so clamp
  // rather than print a runaway number.
  const double clamped = std::isnan(percent) ? 0.0 : std::fmin(std::fmax(percent, 0.0), 100.0);
  const long whole = std::lround(clamped);
  return Decimal(value) + L'/' + Decimal(max) + L' ' + Decimal(whole, 2) + L" %";
}

}  // namespace corvane
