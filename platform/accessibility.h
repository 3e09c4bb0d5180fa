#pragma once
// What a screen reader learns about a window beyond its class and text: a role annotated on its
// client object, and news that the object's name changed.
#include <windows.h>

namespace platform {

// Annotates the window's client object with `role` (ROLE_SYSTEM_*) through the system's
// accessibility property service. False where the system has none or refuses (Wine answers
// E_NOTIMPL); the window then keeps the role its class gives it.
bool AnnotateRole(HWND window, LONG role) noexcept;

// Takes the role annotation back, before the window goes.
void ClearRole(HWND window) noexcept;

// Tells listeners that the name of the window's client object changed. Windows raises this for
// the window object when its text changes, not for the client object a reader follows, and Wine
// raises neither.
void RaiseNameChange(HWND window) noexcept;

}  // namespace platform
