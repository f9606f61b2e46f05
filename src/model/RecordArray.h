#pragma once
// Fixed-capacity record array with lazily committed storage.
//
// The network arrays keep their historic index ranges (0..Capacity) and their
// numbering rules, but a run only pays for the records it touches: the storage
// is reserved once for the whole capacity (so references never move) and grown
// on first access. Any index beyond the capacity is a programming error and
// throws, so no creation can ever write past an array.
#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

template <class T, int Capacity>
class RecordArray {
public:
    static constexpr int kCapacity = Capacity; // highest valid index

    T& operator[](int i)
    {
        if (static_cast<unsigned>(i) < items_.size())
            return items_[static_cast<size_t>(i)];
        return grow(i);
    }
    const T& operator[](int i) const { return const_cast<RecordArray*>(this)->operator[](i); }

    // Number of records materialised so far (not the count of records in use).
    int allocated() const { return static_cast<int>(items_.size()); }

    // Drops every record (they come back default-initialised on next access).
    void reset()
    {
        items_.clear();
    }

    // Direct contiguous access to records 0..allocated()-1.
    T* data() { return items_.data(); }

    // Asks the processor to fetch the first `bytes` of record i (for writing) ahead
    // of their use: a pass over thousands of records otherwise waits for each from
    // memory in turn. Only a hint: nothing happens for a record beyond the
    // reserved storage.
    friend void PrefetchRecord(RecordArray& array, int i, size_t bytes = sizeof(T))
    {
        if (i < 0 || static_cast<size_t>(i) >= array.items_.capacity())
            return;
        const char* p = reinterpret_cast<const char*>(array.items_.data() + i);
        for (size_t b = 0; b < std::min(bytes, sizeof(T)); b += 64)
            __builtin_prefetch(p + b, 1);
    }

    // The bytes that records first..last will occupy, made or not, in the storage
    // reserved for every record (reserved now if it is not yet): their pages may
    // be mapped ahead of the records' making, by another thread too, since the
    // storage never moves (see PrefaultRecords).
    std::pair<char*, size_t> StorageOf(int first, int last)
    {
        first = std::max(first, 0);
        last = std::min(last, Capacity);
        if (first > last)
            return {nullptr, 0};
        if (items_.capacity() < static_cast<size_t>(Capacity) + 1)
            items_.reserve(static_cast<size_t>(Capacity) + 1);
        return {reinterpret_cast<char*>(items_.data() + first), static_cast<size_t>(last - first + 1) * sizeof(T)};
    }

private:
    T& grow(int i)
    {
        if (i < 0 || i > Capacity)
            throw std::out_of_range("record index " + std::to_string(i) + " outside 0.." + std::to_string(Capacity));
        if (items_.capacity() < static_cast<size_t>(Capacity) + 1)
            items_.reserve(static_cast<size_t>(Capacity) + 1);
        items_.resize(static_cast<size_t>(i) + 1);
        return items_[static_cast<size_t>(i)];
    }

    std::vector<T> items_;
};
