#pragma once
// Watches the COM task allocator (CoTaskMemAlloc and everything built on it, such as the shell's
// item lists) while it lives: what was handed out and not yet freed.
#include <windows.h>
#include <objbase.h>

#include <mutex>
#include <set>

namespace testing_support {

class MallocSpy final : public IMallocSpy {
 public:
  MallocSpy() { registered_ = SUCCEEDED(::CoRegisterMallocSpy(this)); }
  MallocSpy(const MallocSpy&) = delete;
  MallocSpy& operator=(const MallocSpy&) = delete;
  ~MallocSpy() {
    if (registered_) ::CoRevokeMallocSpy();
  }

  bool Registered() const noexcept { return registered_; }
  bool Outstanding(void* p) {
    std::lock_guard guard(lock_);
    return live_.count(p) != 0;
  }
  size_t OutstandingCount() {
    std::lock_guard guard(lock_);
    return live_.size();
  }

  // IUnknown: the spy lives on the test's stack, so it counts nothing.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
      *out = static_cast<IMallocSpy*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
  void* STDMETHODCALLTYPE PostAlloc(void* actual) override {
    if (actual) {
      std::lock_guard guard(lock_);
      live_.insert(actual);
    }
    return actual;
  }
  void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
    std::lock_guard guard(lock_);
    live_.erase(request);
    return request;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override {
    std::lock_guard guard(lock_);
    live_.erase(request);
    *newRequest = request;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return PostAlloc(actual); }
  void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

 private:
  std::mutex lock_;
  std::set<void*> live_;
  bool registered_ = false;
};

}  // namespace testing_support
