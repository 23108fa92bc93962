#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "platform/dataset/export.h"
#include "platform/dataset/value.h"

namespace platform::dataset {

namespace detail {

/// The head of a block of rows' values (they follow it): how many rows hold
/// it. Counted atomically: rows of one packet may end their lives on
/// different threads. While it is being filled, its RowBlocks holds it with
/// a count of its own, large enough for every row it hands out (no count
/// taken per row), and gives back what it did not hand out when it leaves it.
struct RowBlock {
    std::atomic<std::size_t> references{0};
};

class RowBlocks;

}  // namespace detail

/// The values of one row, in field order: a vector of values with the same
/// interface and behaviour as a std::vector<Value> for what rows are used
/// for. Each row owns its values and is copied, moved and edited on its own.
///
/// Where its values live is its own business: a row made by itself holds
/// them in an allocation of its own; the rows a decoder reads share blocks
/// of storage (one allocation for many rows instead of one each, which was
/// most of what decoding a large answer cost), each row keeping its block
/// alive until it is destroyed or outgrows its place, whatever becomes of
/// the packet it came in. A copy always gets storage of its own.
class PLATFORM_DATASET_EXPORT Row {
public:
    using value_type = Value;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = Value&;
    using const_reference = const Value&;
    using pointer = Value*;
    using const_pointer = const Value*;
    using iterator = Value*;
    using const_iterator = const Value*;

    Row() noexcept = default;
    /// `count` null values.
    explicit Row(size_type count) { resize(count); }
    Row(size_type count, const Value& value) { resize(count, value); }
    Row(std::initializer_list<Value> values) { assignCopies(values.begin(), values.size()); }
    Row(const Row& other) { assignCopies(other.data_, other.size()); }
    Row(Row&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          end_(std::exchange(other.end_, nullptr)),
          limit_(std::exchange(other.limit_, nullptr)),
          block_(std::exchange(other.block_, nullptr)) {}
    Row& operator=(const Row& other) {
        if (this != &other) assignCopies(other.data_, other.size());
        return *this;
    }
    Row& operator=(Row&& other) noexcept {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            end_ = std::exchange(other.end_, nullptr);
            limit_ = std::exchange(other.limit_, nullptr);
            block_ = std::exchange(other.block_, nullptr);
        }
        return *this;
    }
    Row& operator=(std::initializer_list<Value> values) {
        assignCopies(values.begin(), values.size());
        return *this;
    }
    ~Row() { release(); }

    size_type size() const noexcept { return static_cast<size_type>(end_ - data_); }
    bool empty() const noexcept { return end_ == data_; }
    size_type capacity() const noexcept { return static_cast<size_type>(limit_ - data_); }

    Value* data() noexcept { return data_; }
    const Value* data() const noexcept { return data_; }
    iterator begin() noexcept { return data_; }
    iterator end() noexcept { return end_; }
    const_iterator begin() const noexcept { return data_; }
    const_iterator end() const noexcept { return end_; }
    const_iterator cbegin() const noexcept { return data_; }
    const_iterator cend() const noexcept { return end_; }

    Value& operator[](size_type i) noexcept { return data_[i]; }
    const Value& operator[](size_type i) const noexcept { return data_[i]; }
    /// Throws std::out_of_range past the end, as a vector's at() does.
    Value& at(size_type i) {
        checkIndex(i);
        return data_[i];
    }
    const Value& at(size_type i) const {
        checkIndex(i);
        return data_[i];
    }
    Value& front() noexcept { return data_[0]; }
    const Value& front() const noexcept { return data_[0]; }
    Value& back() noexcept { return end_[-1]; }
    const Value& back() const noexcept { return end_[-1]; }

    void reserve(size_type capacity) {
        if (capacity > this->capacity()) moveTo(capacity);
    }
    /// Nulls added, or values dropped from the end.
    void resize(size_type count) {
        resizeWith(count, [](Value* at) { ::new (at) Value(); });
    }
    void resize(size_type count, const Value& value) {
        if (count <= capacity()) {
            resizeWith(count, [&value](Value* at) { ::new (at) Value(value); });
            return;
        }
        const Value kept = value;  // it may be one of the values the growth moves
        resizeWith(count, [&kept](Value* at) { ::new (at) Value(kept); });
    }
    /// `count` copies of `value` in place of the row's values.
    void assign(size_type count, const Value& value) {
        Row filled(count, value);
        swap(filled);
    }
    void clear() noexcept {
        std::destroy(data_, end_);
        end_ = data_;
    }

    void push_back(const Value& value) { emplace_back(value); }
    void push_back(Value&& value) { emplace_back(std::move(value)); }
    /// The value is made before the row grows: an argument that is one of
    /// the row's own values stays valid.
    template <typename... Args>
    Value& emplace_back(Args&&... args) {
        if (end_ != limit_) {
            Value* made = ::new (end_) Value(std::forward<Args>(args)...);
            ++end_;
            return *made;
        }
        return emplaceGrowing(std::forward<Args>(args)...);
    }
    void pop_back() noexcept {
        --end_;
        std::destroy_at(end_);
    }

    void swap(Row& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(end_, other.end_);
        std::swap(limit_, other.limit_);
        std::swap(block_, other.block_);
    }
    friend void swap(Row& a, Row& b) noexcept { a.swap(b); }

    friend bool operator==(const Row& a, const Row& b) {
        if (a.size() != b.size()) return false;
        for (const Value *x = a.data_, *y = b.data_; x != a.end_; ++x, ++y)
            if (!(*x == *y)) return false;
        return true;
    }

private:
    friend class detail::RowBlocks;

    /// An empty row whose `capacity` values go in `room`, in `block`.
    Row(Value* room, std::size_t capacity, detail::RowBlock* block) noexcept
        : data_(room), end_(room), limit_(room + capacity), block_(block) {}

    static Value* allocate(size_type capacity);
    void checkIndex(size_type i) const;
    /// The values moved to storage of the row's own for `capacity` values.
    void moveTo(size_type capacity);
    /// The storage given up: the row's own freed, or its block left.
    void releaseStorage() noexcept;
    void release() noexcept {
        if (data_ == nullptr) return;
        std::destroy(data_, end_);
        releaseStorage();
    }
    void assignCopies(const Value* values, size_type count);
    size_type grownCapacity() const;

    template <typename Init>
    void resizeWith(size_type count, Init init) {
        if (count > capacity()) moveTo(count);
        Value* const wanted = data_ + count;
        for (; end_ < wanted; ++end_) init(end_);
        if (wanted < end_) {
            std::destroy(wanted, end_);
            end_ = wanted;
        }
    }

    template <typename... Args>
    Value& emplaceGrowing(Args&&... args) {
        const size_type capacity = grownCapacity();
        Value* fresh = allocate(capacity);
        Value* made = nullptr;
        try {
            made = ::new (fresh + size()) Value(std::forward<Args>(args)...);
        } catch (...) {
            ::operator delete(fresh);
            throw;
        }
        adopt(fresh, capacity);
        ++end_;
        return *made;
    }
    /// Takes `fresh` (room for `capacity` values) as the row's own storage,
    /// the values moved into it.
    void adopt(Value* fresh, size_type capacity) noexcept;

    Value* data_ = nullptr;
    Value* end_ = nullptr;               ///< past the last value
    Value* limit_ = nullptr;             ///< past the room for values
    detail::RowBlock* block_ = nullptr;  ///< null when the storage is the row's own
};

static_assert(std::is_nothrow_move_constructible_v<Value>,
              "a row moves its values when it grows, and must not fail halfway");

namespace detail {

/// Hands out rows whose values share blocks of storage, each row taking a
/// reference to its block; a block is freed with the last of its rows (the
/// one being filled also stays while the RowBlocks lives). For decoders:
/// the packet's rows come from one, one after the other.
class PLATFORM_DATASET_EXPORT RowBlocks {
public:
    RowBlocks() = default;
    RowBlocks(const RowBlocks&) = delete;
    RowBlocks& operator=(const RowBlocks&) = delete;
    ~RowBlocks();

    /// An empty row with room for `width` values.
    Row row(std::size_t width) {
        if (width == 0 || width > static_cast<std::size_t>(end_ - next_))
            return rowInNewBlock(width);
        Value* room = next_;
        next_ += width;
        ++handedOut_;
        return Row(room, width, block_);
    }

private:
    Row rowInNewBlock(std::size_t width);
    void leaveBlock() noexcept;

    RowBlock* block_ = nullptr;
    std::size_t handedOut_ = 0;  ///< rows of block_ handed out
    Value* next_ = nullptr;
    Value* end_ = nullptr;
    std::size_t nextBytes_ = 0;
};

}  // namespace detail

}  // namespace platform::dataset
