// The one way a worker thread reaches the user interface: the call is carried
// to the GUI thread and the worker waits until it has run there (so a question
// asked from a worker blocks it until the user answers). On the GUI thread the
// call simply runs. Requires a QCoreApplication.
#pragma once
#include <functional>
#include <type_traits>

void RunOnGuiThread(const std::function<void()>& call);

// Runs `call` on the GUI thread and hands back its result.
template <typename F>
auto OnGuiThread(F&& call) -> std::invoke_result_t<F> {
  using R = std::invoke_result_t<F>;
  if constexpr (std::is_void_v<R>) {
    RunOnGuiThread(std::function<void()>(std::forward<F>(call)));
  } else {
    R result{};
    RunOnGuiThread([&] { result = call(); });
    return result;
  }
}
