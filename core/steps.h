#pragma once
// Skip-and-continue, the one way a long job passes over a step that failed: the failure is told
// to a sink with the step's name, and the job goes on.
#include <expected>
#include <optional>
#include <utility>

namespace corvane {

// Why a step was passed over.
enum class StepFault { Unavailable, OutOfRange, Arithmetic, Failed };

template <class T = void>
using StepResult = std::expected<T, StepFault>;

// `Sink` is called as sink(name, fault); whatever it throws ends there.
template <class Sink>
class Steps {
 public:
  explicit Steps(Sink sink) : sink_(std::move(sink)) {}

  // The value of a step that succeeded; nothing for one that failed.
  template <class Name, class T>
  std::optional<T> Take(const Name& step, StepResult<T> result) noexcept {
    if (result) return std::move(*result);
    Report(step, result.error());
    return std::nullopt;
  }

  template <class Name>
  bool Check(const Name& step, StepResult<> result) noexcept {
    if (result) return true;
    Report(step, result.error());
    return false;
  }

  // A step that answers whether it succeeded; one that throws has failed too.
  template <class Name, class F>
  bool Run(const Name& step, F&& work) noexcept {
    bool ok = false;
    try {
      ok = static_cast<bool>(std::forward<F>(work)());
    } catch (...) {
      ok = false;
    }
    if (!ok) Report(step, StepFault::Failed);
    return ok;
  }

 private:
  template <class Name>
  void Report(const Name& step, StepFault fault) noexcept {
    try {
      sink_(step, fault);
    } catch (...) {
      // A sink that fails tells nothing; the job still goes on.
    }
  }

  Sink sink_;
};

}  // namespace corvane
