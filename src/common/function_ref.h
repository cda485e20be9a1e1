#pragma once

// A reference to something callable, for a parameter that is called during
// the call and never kept: two pointers, no allocation, and none of
// std::function's machinery (its manager functions and bad_function_call),
// which the shipped module would carry for nothing.

#include <type_traits>
#include <utility>

namespace sorvane {

template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
 public:
  // `callable` must outlive the reference: a temporary lives to the end of
  // the call it is passed to.
  template <typename Callable, typename = std::enable_if_t<
                                   !std::is_same_v<std::remove_cvref_t<Callable>, FunctionRef>>>
  FunctionRef(Callable&& callable) noexcept  // NOLINT(google-explicit-constructor)
      : object_(const_cast<void*>(static_cast<const void*>(&callable))),  // NOLINT
        call_([](void* object, Args... args) -> Result {
          return (*static_cast<std::remove_reference_t<Callable>*>(object))(
              std::forward<Args>(args)...);
        }) {}

  Result operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

 private:
  void* object_;
  Result (*call_)(void*, Args...);
};

}  // namespace sorvane
