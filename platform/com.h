#pragma once
#include <windows.h>
#include <wrl/client.h>

namespace platform {
template <class T>
using ComPtr = Microsoft::WRL::ComPtr<T>;
}  // namespace platform
