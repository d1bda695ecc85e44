#pragma once
// A value or the reason there is none: the result type at our library
// boundaries (std::expected arrives with C++23).

#include <utility>
#include <variant>

namespace dravonix {

template <typename E>
struct Unexpected {
    E error;
};

template <typename E>
Unexpected<E> unexpected(E error)
{
    return Unexpected<E>{std::move(error)};
}

template <typename T, typename E>
class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(Unexpected<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

    bool hasValue() const { return state_.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

} // namespace dravonix
