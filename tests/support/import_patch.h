#pragma once
// Replaces one function this test program imports, in its own import table, for the length of a
// scope: code linked into the program then calls the replacement, which may call the original.
// For counting the calls of functions that are linked normally (EndPaint, ReleaseDC, ...).
#include <windows.h>

#include <cstring>

namespace testing_support {

class ImportPatch {
 public:
  ImportPatch(const char* library, const char* function, void* replacement) noexcept {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
      if (::lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), library) != 0 || !d->OriginalFirstThunk) continue;
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
      for (; names->u1.AddressOfData; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
        slot_ = reinterpret_cast<void**>(&slots->u1.Function);
        original_ = *slot_;
        if (!Write(replacement)) slot_ = nullptr;
        return;
      }
    }
  }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;
  ~ImportPatch() {
    if (slot_) Write(original_);
  }

  // False when the program does not import the function (nothing was replaced).
  explicit operator bool() const noexcept { return slot_ != nullptr; }
  template <class Fn>
  Fn original() const noexcept {
    return reinterpret_cast<Fn>(original_);
  }

 private:
  bool Write(void* value) noexcept {
    DWORD old = 0;
    if (!::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old)) return false;
    *slot_ = value;
    ::VirtualProtect(slot_, sizeof *slot_, old, &old);
    return true;
  }

  void** slot_ = nullptr;
  void* original_ = nullptr;
};

}  // namespace testing_support
