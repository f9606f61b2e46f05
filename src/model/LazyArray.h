#pragma once
// A fixed-size array kept apart from the record that owns it and only made when
// an element is first written through a non-const access. Junction arms and
// outlines belong to the few nodes that are junctions, lane edges to the links of
// networks with lanes: kept inline they would make every node and link record
// kilobytes long, and reading, sorting and holding a large network would pay for
// data most records never have. Reading an element of an array never written
// gives a default element, as the inline array would have held.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

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

// A LazyArray made first with room for its first Short elements alone, and
// widened to all N when a later element is written. Lane edges hold N points for
// the links with shape points, but two for every straight link: made whole, the
// edges of a large network of straight links would spread over many times the
// memory they use, and a pass over them would wait on that memory. Reading an
// element beyond the room made gives a default element, as the whole array would.
template <class T, size_t N, size_t Short>
class ShortFirstArray {
    static_assert(Short >= 1 && Short < N);
    static_assert(alignof(T) >= 2, "the lowest bit of the storage's address tells its room");

public:
    ShortFirstArray() = default;
    ShortFirstArray(const ShortFirstArray& other) { CopyFrom(other); }
    ShortFirstArray& operator=(const ShortFirstArray& other)
    {
        if (this != &other) {
            reset();
            CopyFrom(other);
        }
        return *this;
    }
    ShortFirstArray(ShortFirstArray&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
    ShortFirstArray& operator=(ShortFirstArray&& other) noexcept
    {
        if (this != &other) {
            reset();
            bits_ = other.bits_;
            other.bits_ = 0;
        }
        return *this;
    }
    ~ShortFirstArray() { reset(); }

    T& operator[](size_t i) { return Items(i)[i]; }
    const T& operator[](size_t i) const { return i < Room() ? Storage()[i] : Defaults()[i]; }
    static constexpr size_t size() { return N; }

    // Whether any element was ever written (made) since the last reset.
    bool allocated() const { return bits_ != 0; }
    // Asks the processor to fetch the first elements' storage (for writing) ahead
    // of their use; only a hint, nothing happens for an array never made.
    void Prefetch() const
    {
        if (bits_ != 0)
            __builtin_prefetch(Storage(), 1);
    }
    // Every element back to its default, and the storage given back.
    void reset()
    {
        delete[] Storage();
        bits_ = 0;
    }

private:
    // The storage's address, with its lowest bit set when it has room for all N
    // (one word per array keeps a link's lane data in one cache line).
    T* Storage() const { return reinterpret_cast<T*>(bits_ & ~uintptr_t(1)); }
    size_t Room() const { return bits_ == 0 ? 0 : (bits_ & 1u) ? N : Short; }
    void Hold(T* items, size_t room) { bits_ = reinterpret_cast<uintptr_t>(items) | (room == N ? 1u : 0u); }
    T* Items(size_t i)
    {
        if (i >= Room()) {
            const size_t room = i < Short && bits_ == 0 ? Short : N;
            T* wider = new T[room]();
            T* old = Storage();
            for (size_t k = 0; k < Room(); ++k)
                wider[k] = old[k];
            delete[] old;
            Hold(wider, room);
        }
        return Storage();
    }
    void CopyFrom(const ShortFirstArray& other)
    {
        if (other.bits_ == 0)
            return;
        const size_t room = other.Room();
        T* items = new T[room]();
        for (size_t k = 0; k < room; ++k)
            items[k] = other.Storage()[k];
        Hold(items, room);
    }
    static const std::array<T, N>& Defaults()
    {
        static const std::array<T, N> defaults{};
        return defaults;
    }

    uintptr_t bits_ = 0;
};

// An array of N elements whose elements First..First+Held-1 live in the record
// that owns it, until an element outside them is written: then all N move to
// storage of their own, contiguous, and stay there until a reset. A link's shape
// holds points 1..12, but a straight link (every link of most networks) has only
// its two ends: inline they cost the record two points instead of thirteen, and
// reading a large network clears and writes that much less memory. Reading an
// element never written gives a default element, as an inline array would hold.
// A reference to an inline element does not follow the element into the storage
// made later: write the element through the array again.
template <class T, size_t N, size_t First, size_t Held>
class InlineHeadArray {
    static_assert(Held >= 1 && First + Held < N);

public:
    InlineHeadArray() = default;
    InlineHeadArray(const InlineHeadArray& other) : all_(Copy(other.all_))
    {
        std::copy(other.head_, other.head_ + Held, head_);
    }
    InlineHeadArray& operator=(const InlineHeadArray& other)
    {
        if (this != &other) {
            T* all = Copy(other.all_);
            delete[] all_;
            all_ = all;
            std::copy(other.head_, other.head_ + Held, head_);
        }
        return *this;
    }
    InlineHeadArray(InlineHeadArray&& other) noexcept : all_(other.all_)
    {
        other.all_ = nullptr;
        std::copy(other.head_, other.head_ + Held, head_);
    }
    InlineHeadArray& operator=(InlineHeadArray&& other) noexcept
    {
        if (this != &other) {
            delete[] all_;
            all_ = other.all_;
            other.all_ = nullptr;
            std::copy(other.head_, other.head_ + Held, head_);
        }
        return *this;
    }
    ~InlineHeadArray() { delete[] all_; }

    const T& operator[](size_t i) const
    {
        if (all_)
            return all_[i];
        return i - First < Held ? head_[i - First] : Default();
    }
    // Makes the storage when i lies outside the inline elements: read through a
    // const reference (std::as_const) where nothing is written.
    T& operator[](size_t i)
    {
        if (!all_ && i - First < Held)
            return head_[i - First];
        return All()[i];
    }
    static constexpr size_t size() { return N; }

    // Elements First..First+n-1, contiguous, as one span for drawing and writing.
    // More than the inline elements exist only once one beyond them was written:
    // before that the span holds the inline ones alone.
    std::span<const T> Run(size_t n) const
    {
        if (all_)
            return {all_ + First, std::min(n, N - First)};
        return {head_, std::min(n, Held)};
    }

    // Whether the elements were moved to storage of their own (see above).
    bool allocated() const { return all_ != nullptr; }
    // Every element back to its default, and the storage given back.
    void reset()
    {
        delete[] all_;
        all_ = nullptr;
        std::fill(head_, head_ + Held, T{});
    }

private:
    T* All()
    {
        if (!all_) {
            T* all = new T[N]();
            std::copy(head_, head_ + Held, all + First);
            all_ = all;
        }
        return all_;
    }
    static T* Copy(const T* from)
    {
        if (!from)
            return nullptr;
        T* to = new T[N];
        std::copy(from, from + N, to);
        return to;
    }
    static const T& Default()
    {
        static const T value{};
        return value;
    }

    // The storage first: a reader tests it before it reads either.
    T* all_ = nullptr;
    T head_[Held] = {};
};
