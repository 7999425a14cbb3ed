// A value or an error message: how the platform stand-in reports failures inside
// C++, until the API edge turns them into iOS's convention (nil, NO, an error code).
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace objc {

struct Error {
  std::string message;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  T& operator*() & { return value(); }
  const Error& error() const { return std::get<1>(state_); }
  T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }

 private:
  std::variant<T, Error> state_;
};

// Success without a value.
struct Ok {};
using Status = Result<Ok>;

inline Error makeError(std::string message) { return Error{std::move(message)}; }

}  // namespace objc
