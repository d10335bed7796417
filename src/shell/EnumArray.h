#pragma once

#include <array>
#include <cstddef>

namespace rq50::shell {

/// A fixed array addressed by the names of an enum class whose values are the
/// positions 0..N-1 (the boxes of a window, the areas of a report). A plain
/// position still reaches an element, for loops over all of them.
template <class Name, class T, std::size_t N>
struct EnumArray {
    std::array<T, N> items{};

    T& operator[](Name name) { return items[static_cast<std::size_t>(name)]; }
    const T& operator[](Name name) const { return items[static_cast<std::size_t>(name)]; }
    T& operator[](std::size_t at) { return items[at]; }
    const T& operator[](std::size_t at) const { return items[at]; }

    static constexpr std::size_t size() { return N; }
    void fill(const T& value) { items.fill(value); }
    auto begin() { return items.begin(); }
    auto end() { return items.end(); }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }
    bool operator==(const EnumArray&) const = default;
};

}  // namespace rq50::shell
