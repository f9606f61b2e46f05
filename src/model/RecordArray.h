#pragma once
// Fixed-capacity record array with lazily committed storage.
//
// The network arrays keep their historic index ranges (0..Capacity) and their
// numbering rules, but a run only pays for the records it touches: the storage
// is reserved once for the whole capacity (so references never move) and grown
// on first access. Any index beyond the capacity is a programming error and
// throws, so no creation can ever write past an array.
//
// A record type may keep numbered values in columns beside the records (see
// ColumnValues): it names their count `ColumnCount` and binds them with
// `BindColumns`. Its array then holds the columns, one per value number, each
// as long as the capacity, and binds every record it makes to its row.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/LargePages.h"

#include <sys/mman.h>

// Under the address sanitizer the leak checker looks for pointers in the heap
// only: the strings of records kept in mapped storage would look lost to it.
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_LEAK_ROOTS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_LEAK_ROOTS 1
#endif
#endif
#ifdef VELMORA_LEAK_ROOTS
#include <sanitizer/lsan_interface.h>
#endif

// Storage of a record array. A large one is mapped on its own, aligned to 2 MB
// and asking the system for pages of that size where it gives them: a large
// network then makes its records with a few faults instead of thousands, each
// of which costs more than clearing its page. A small array is taken from the
// heap as any vector's.
template <class T>
struct LargePages {
    using value_type = T;
    LargePages() = default;
    template <class U>
    LargePages(const LargePages<U>&) noexcept
    {
    }
    static constexpr size_t kHuge = size_t(2) << 20;
    static constexpr size_t kLarge = kHuge / 2; // bytes from which an array is mapped on its own
    static size_t Mapped(size_t n) { return (n * sizeof(T) + kHuge - 1) & ~(kHuge - 1); }

    T* allocate(size_t n)
    {
        if (n * sizeof(T) < kLarge)
            return std::allocator<T>{}.allocate(n);
        void* p = MapOnLargePages(Mapped(n), Mapped(n));
        if (!p)
            throw std::bad_alloc();
#ifdef VELMORA_LEAK_ROOTS
        __lsan_register_root_region(p, Mapped(n));
#endif
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) noexcept
    {
        if (n * sizeof(T) < kLarge)
            std::allocator<T>{}.deallocate(p, n);
        else {
#ifdef VELMORA_LEAK_ROOTS
            __lsan_unregister_root_region(p, Mapped(n));
#endif
            munmap(p, Mapped(n));
        }
    }
    template <class U>
    bool operator==(const LargePages<U>&) const noexcept
    {
        return true;
    }
};

template <class T, class = void>
struct HasColumns : std::false_type {};
template <class T>
struct HasColumns<T, std::void_t<decltype(T::ColumnCount)>> : std::true_type {};

template <class T, int Capacity>
class RecordArray {
public:
    static constexpr int kCapacity = Capacity; // highest valid index
    static constexpr std::ptrdiff_t kColumnLength = Capacity + 1;

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
        // The rows of the dropped records are zero again for the records made next.
        if (columns_)
            for (size_t k = 0; k < ColumnCountOf(); ++k)
                std::memset(columns_.get() + k * size_t(kColumnLength), 0, items_.size() * sizeof(float));
        items_.clear();
    }

    // The column values of records first..last (made records only) back to zero,
    // a stretch of each column at a time: clearing record by record touches a
    // separate line of memory for every value.
    void ClearColumnRows(int first, int last)
    {
        first = std::max(first, 0);
        last = std::min(last, allocated() - 1);
        if (!columns_ || first > last)
            return;
        for (size_t k = 0; k < ColumnCountOf(); ++k)
            std::memset(columns_.get() + k * size_t(kColumnLength) + size_t(first), 0, size_t(last - first + 1) * sizeof(float));
    }

    // Direct contiguous access to records 0..allocated()-1.
    T* data() { return items_.data(); }

    // Value k of records 0..allocated()-1, contiguous: record i's at Column(k)[i].
    float* Column(int k)
    {
        static_assert(HasColumns<T>::value, "records without columns");
        return Columns() + size_t(k) * size_t(kColumnLength);
    }

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
        ReserveAll();
        return {reinterpret_cast<char*>(items_.data() + first), static_cast<size_t>(last - first + 1) * sizeof(T)};
    }

private:
    T& grow(int i)
    {
        if (i < 0 || i > Capacity)
            throw std::out_of_range("record index " + std::to_string(i) + " outside 0.." + std::to_string(Capacity));
        ReserveAll();
        const size_t from = items_.size();
        items_.resize(static_cast<size_t>(i) + 1);
        if constexpr (HasColumns<T>::value)
            for (size_t j = from; j < items_.size(); ++j)
                items_[j].BindColumns(Columns() + j, kColumnLength);
        return items_[static_cast<size_t>(i)];
    }

    // The storage of every record, reserved once: it never moves afterwards.
    void ReserveAll()
    {
        if (items_.capacity() < static_cast<size_t>(Capacity) + 1)
            items_.reserve(static_cast<size_t>(Capacity) + 1);
    }

    static constexpr size_t ColumnCountOf()
    {
        if constexpr (HasColumns<T>::value)
            return size_t(T::ColumnCount);
        else
            return 0;
    }

    static constexpr size_t kColumnBytes = ColumnCountOf() * size_t(kColumnLength) * sizeof(float);

    // Made zero on first use, as pages of their own: the system maps them only as
    // they are written, so a small network pays for its own rows alone. (A large
    // calloc may instead come from the heap, and then every byte is written.)
    float* Columns()
    {
        if (!columns_) {
            void* p = mmap(nullptr, kColumnBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED)
                throw std::bad_alloc();
            columns_.reset(static_cast<float*>(p));
        }
        return columns_.get();
    }

    struct FreeColumns {
        void operator()(float* p) const { munmap(p, kColumnBytes); }
    };

    std::vector<T, LargePages<T>> items_;
    std::unique_ptr<float[], FreeColumns> columns_; // records with columns only
};
