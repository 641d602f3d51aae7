// What an operation of the platform gives back: its value, or the Status
// saying why there is none. The failure travels with the answer, so nothing
// has to be asked of the platform afterwards.
#pragma once

#include <cstddef>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/status.h"

namespace kvx {

template <class T>
class [[nodiscard]] Result {
 public:
  // Holds `value`. A null pointer is no value: a failure must say why.
  template <class U = T>
    requires(std::is_constructible_v<T, U &&> &&
             !std::is_same_v<std::remove_cvref_t<U>, Status> &&
             !std::is_same_v<std::remove_cvref_t<U>, std::nullptr_t> &&
             !std::is_same_v<std::remove_cvref_t<U>, Result>)
  Result(U&& value) : value_(std::forward<U>(value)) {}  // NOLINT: implicit by design

  // Holds the failure `why`; an OK Status given here still means failure.
  Result(Status why)  // NOLINT: implicit by design
      : why_(why.ok() ? Status(Status::Code::kOther, "", "") : std::move(why)) {}

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  // REQUIRES: ok().
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  T& operator*() { return *value_; }

  // The value, or `otherwise` where there is none.
  T value_or(T otherwise) && { return ok() ? std::move(*value_) : std::move(otherwise); }

  // Why there is no value; OK where there is one.
  const Status& status() const { return why_; }

 private:
  std::optional<T> value_;
  Status why_;
};

}  // namespace kvx
