#pragma once
// A fixed-size array kept apart from the record that owns it and only made when
// an element is first written through a non-const access. Junction arms and
// outlines belong to the few nodes that are junctions, lane edges to the links of
// networks with lanes: kept inline they would make every node and link record
// kilobytes long, and reading, sorting and holding a large network would pay for
// data most records never have. Reading an element of an array never written
// gives a default element, as the inline array would have held.
#include <array>
#include <cstddef>
#include <memory>

template <class T, size_t N>
class LazyArray {
public:
    LazyArray() = default;
    LazyArray(const LazyArray& other) : items_(other.items_ ? std::make_unique<std::array<T, N>>(*other.items_) : nullptr) {}
    LazyArray& operator=(const LazyArray& other)
    {
        if (this != &other)
            items_ = other.items_ ? std::make_unique<std::array<T, N>>(*other.items_) : nullptr;
        return *this;
    }
    LazyArray(LazyArray&&) noexcept = default;
    LazyArray& operator=(LazyArray&&) noexcept = default;

    T& operator[](size_t i) { return Items()[i]; }
    const T& operator[](size_t i) const { return items_ ? (*items_)[i] : Defaults()[i]; }

    T* data() { return Items().data(); }
    const T* data() const { return items_ ? items_->data() : Defaults().data(); }
    T* begin() { return data(); }
    T* end() { return data() + N; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + N; }
    static constexpr size_t size() { return N; }

    // Whether any element was ever written (made) since the last reset.
    bool allocated() const { return items_ != nullptr; }
    // Every element back to its default, and the storage given back.
    void reset() { items_.reset(); }

private:
    std::array<T, N>& Items()
    {
        if (!items_)
            items_ = std::make_unique<std::array<T, N>>();
        return *items_;
    }
    static const std::array<T, N>& Defaults()
    {
        static const std::array<T, N> defaults{};
        return defaults;
    }

    std::unique_ptr<std::array<T, N>> items_;
};
