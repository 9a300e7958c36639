#pragma once
// An optional value kept on the heap: an empty one costs a pointer, not the value's
// size, for fields most objects of a large scene never use. Copies copy the value.

#include <memory>
#include <utility>

namespace kcommand {

template <typename T>
class Boxed {
 public:
  Boxed() = default;
  Boxed(const T& value) : value_(std::make_unique<T>(value)) {}  // NOLINT: as optional does
  Boxed(const Boxed& other) : value_(other ? std::make_unique<T>(*other) : nullptr) {}
  Boxed(Boxed&&) noexcept = default;
  Boxed& operator=(const Boxed& other) {
    if (this != &other) value_ = other ? std::make_unique<T>(*other) : nullptr;
    return *this;
  }
  Boxed& operator=(Boxed&&) noexcept = default;
  Boxed& operator=(const T& value) {
    value_ = std::make_unique<T>(value);
    return *this;
  }
  ~Boxed() = default;

  explicit operator bool() const { return value_ != nullptr; }
  const T& operator*() const { return *value_; }
  T& operator*() { return *value_; }

 private:
  std::unique_ptr<T> value_;
};

}  // namespace kcommand
