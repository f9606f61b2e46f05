#pragma once
// The numbered values of one record (values 0..N-1) kept outside the record, in
// columns of the array that holds it: one contiguous float array per value
// number, indexed by record. A pass over one value of every record then reads a
// dense array, and a pass over the records' other fields no longer strides over
// the values.
//
// A record living in its array is bound to its row of the columns (see
// RecordArray); a record made anywhere else (a copy, a local) keeps its values
// in a block of its own. Copying or moving a record copies the values: a copy
// never shares the row of the record it was taken from, and a record assigned
// into the array writes into its own row. Reading a record never written gives
// zeros, as the plain array would have held.
//
// A record may keep a few other fields of its own there too, as 32-bit words
// after the N values (`Words` of them): a pass over one of those fields of every
// record then reads a dense array as well. They are copied, moved and zeroed with
// the values but lie outside the values' range (size, begin..end).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

template <int N, int Words = 0>
class ColumnValues {
public:
    // Random-access iterator over the values in order (for std algorithms).
    template <class V>
    class Iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = float;
        using difference_type = std::ptrdiff_t;
        using pointer = V*;
        using reference = V&;

        Iterator() = default;
        Iterator(V* p, std::ptrdiff_t stride) : p_(p), stride_(stride) {}
        V& operator*() const { return *p_; }
        V& operator[](std::ptrdiff_t n) const { return p_[n * stride_]; }
        Iterator& operator++()
        {
            p_ += stride_;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator t = *this;
            p_ += stride_;
            return t;
        }
        Iterator& operator--()
        {
            p_ -= stride_;
            return *this;
        }
        Iterator operator--(int)
        {
            Iterator t = *this;
            p_ -= stride_;
            return t;
        }
        Iterator& operator+=(std::ptrdiff_t n)
        {
            p_ += n * stride_;
            return *this;
        }
        Iterator& operator-=(std::ptrdiff_t n)
        {
            p_ -= n * stride_;
            return *this;
        }
        friend Iterator operator+(Iterator i, std::ptrdiff_t n) { return i += n; }
        friend Iterator operator+(std::ptrdiff_t n, Iterator i) { return i += n; }
        friend Iterator operator-(Iterator i, std::ptrdiff_t n) { return i -= n; }
        friend std::ptrdiff_t operator-(const Iterator& a, const Iterator& b) { return (a.p_ - b.p_) / a.stride_; }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.p_ == b.p_; }
        friend bool operator!=(const Iterator& a, const Iterator& b) { return a.p_ != b.p_; }
        friend bool operator<(const Iterator& a, const Iterator& b) { return a.p_ < b.p_; }
        friend bool operator>(const Iterator& a, const Iterator& b) { return a.p_ > b.p_; }
        friend bool operator<=(const Iterator& a, const Iterator& b) { return a.p_ <= b.p_; }
        friend bool operator>=(const Iterator& a, const Iterator& b) { return a.p_ >= b.p_; }

    private:
        V* p_ = nullptr;
        std::ptrdiff_t stride_ = 1;
    };
    using iterator = Iterator<float>;
    using const_iterator = Iterator<const float>;

    ColumnValues() = default;
    ColumnValues(const ColumnValues& other)
    {
        if (other.at_)
            CopyValues(other);
    }
    ColumnValues(ColumnValues&& other)
    {
        if (other.Owns())
            Take(other);
        else if (other.at_)
            CopyValues(other);
    }
    ColumnValues& operator=(const ColumnValues& other)
    {
        if (this != &other)
            Assign(other);
        return *this;
    }
    ColumnValues& operator=(ColumnValues&& other)
    {
        if (this == &other)
            return *this;
        if ((at_ == nullptr || Owns()) && other.Owns()) {
            Release();
            Take(other); // neither is a row of an array: the block changes hands
        } else {
            Assign(other);
        }
        return *this;
    }
    ~ColumnValues() { Release(); }

    float& operator[](int k) { return Values()[std::ptrdiff_t(k) * stride_]; }
    const float& operator[](int k) const { return at_ ? at_[std::ptrdiff_t(k) * stride_] : Zeros()[k]; }

    iterator begin() { return {Values(), stride_}; }
    iterator end() { return begin() + N; }
    const_iterator begin() const { return at_ ? const_iterator(at_, stride_) : const_iterator(Zeros(), 1); }
    const_iterator end() const { return begin() + N; }
    static constexpr int size() { return N; }

    // Every value back to zero (the words keep theirs).
    void Clear()
    {
        if (at_)
            for (int k = 0; k < N; ++k)
                at_[std::ptrdiff_t(k) * stride_] = 0.0f;
    }

    // Word i (0..Words-1) after the values; zero when never written. Held in a
    // float's place bit for bit, never as a float value.
    int32_t Word(int i) const
    {
        const float* at = at_ ? at_ + std::ptrdiff_t(N + i) * stride_ : Zeros() + N + i;
        int32_t w;
        std::memcpy(&w, at, sizeof w);
        return w;
    }
    void SetWord(int i, int32_t w) { std::memcpy(&Values()[std::ptrdiff_t(N + i) * stride_], &w, sizeof w); }

    // Binds a record of an array to its row: value k at at[k * stride], stride
    // above 1. The array calls this once, on making the record; the row keeps
    // what it holds.
    void Bind(float* at, std::ptrdiff_t stride)
    {
        Release();
        at_ = at;
        stride_ = stride;
    }

private:
    // A block of its own has stride 1; a row of columns never has.
    bool Owns() const { return at_ != nullptr && stride_ == 1; }
    static constexpr int Slots = N + Words; // values and words

    float* Values()
    {
        if (!at_) {
            at_ = new float[Slots]();
            stride_ = 1;
        }
        return at_;
    }
    void Release()
    {
        if (Owns())
            delete[] at_;
        at_ = nullptr;
        stride_ = 1;
    }
    void CopyValues(const ColumnValues& other)
    {
        // Copied as bytes: a word is no float value.
        float* to = Values();
        for (int k = 0; k < Slots; ++k)
            std::memcpy(&to[std::ptrdiff_t(k) * stride_], &other.at_[std::ptrdiff_t(k) * other.stride_], sizeof(float));
    }
    void Assign(const ColumnValues& other)
    {
        if (other.at_)
            CopyValues(other);
        else if (at_)
            for (int k = 0; k < Slots; ++k)
                at_[std::ptrdiff_t(k) * stride_] = 0.0f;
    }
    void Take(ColumnValues& other)
    {
        at_ = other.at_;
        stride_ = 1;
        other.at_ = nullptr;
    }
    static const float* Zeros()
    {
        static const float zeros[Slots] = {};
        return zeros;
    }

    float* at_ = nullptr;       // value 0; null: never written, all zeros
    std::ptrdiff_t stride_ = 1; // floats from one value to the next
};
