#include "platform/dataset/row.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

namespace platform::dataset {

namespace {

constexpr std::size_t kMostValues =
    static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / sizeof(Value);

/// The count a block starts with while it is filled: no row count can reach it.
constexpr std::size_t kFillerCount = std::numeric_limits<std::size_t>::max() / 2;

/// A block's values start past its head, aligned as values are.
constexpr std::size_t kHeadBytes =
    (sizeof(detail::RowBlock) + alignof(Value) - 1) / alignof(Value) * alignof(Value);

/// A block's size starts at what a day's answer needs and doubles up to a
/// size the allocator still serves from its heap (it maps blocks of 128 KB
/// and more apart, and would map and unmap them on every answer); a row too
/// wide for a quarter of that gets storage of its own.
constexpr std::size_t kFirstBlockBytes = 4 * 1024;
constexpr std::size_t kLargestBlockBytes = 64 * 1024;

/// `count` references to `block` given up; the last frees it.
void leave(detail::RowBlock* block, std::size_t count = 1) noexcept {
    if (block->references.fetch_sub(count, std::memory_order_acq_rel) == count) {
        block->~RowBlock();
        ::operator delete(block);
    }
}

}  // namespace

Value* Row::allocate(size_type capacity) {
    if (capacity > kMostValues)
        throw std::length_error(fmt::format("A row holds at most {} values", kMostValues));
    return static_cast<Value*>(::operator new(capacity * sizeof(Value)));
}

void Row::checkIndex(size_type i) const {
    if (i >= size())
        throw std::out_of_range(fmt::format("No value {} in a row of {} values", i, size()));
}

void Row::moveTo(size_type capacity) {
    adopt(allocate(capacity), capacity);
}

void Row::adopt(Value* fresh, size_type capacity) noexcept {
    Value* const end = std::uninitialized_move(data_, end_, fresh);
    std::destroy(data_, end_);
    if (data_ != nullptr) releaseStorage();
    data_ = fresh;
    end_ = end;
    limit_ = fresh + capacity;
    block_ = nullptr;
}

void Row::releaseStorage() noexcept {
    if (block_ != nullptr)
        leave(block_);
    else
        ::operator delete(data_);
}

Row::size_type Row::grownCapacity() const {
    return capacity() == 0 ? 1 : 2 * capacity();
}

void Row::assignCopies(const Value* values, size_type count) {
    if (count > capacity()) {
        Value* fresh = allocate(count);
        try {
            std::uninitialized_copy_n(values, count, fresh);
        } catch (...) {
            ::operator delete(fresh);
            throw;
        }
        release();
        data_ = fresh;
        end_ = fresh + count;
        limit_ = end_;
        block_ = nullptr;
        return;
    }
    // In place: the values kept are assigned (a text reuses its buffer).
    const size_type kept = std::min(count, size());
    std::copy_n(values, kept, data_);
    Value* const wanted = data_ + count;
    if (wanted < end_) {
        std::destroy(wanted, end_);
        end_ = wanted;
    }
    for (const Value* from = values + kept; end_ < wanted; ++end_, ++from)
        ::new (end_) Value(*from);
}

namespace detail {

RowBlocks::~RowBlocks() {
    leaveBlock();
}

void RowBlocks::leaveBlock() noexcept {
    if (block_ != nullptr) leave(block_, kFillerCount - handedOut_);
    block_ = nullptr;
    handedOut_ = 0;
}

Row RowBlocks::rowInNewBlock(std::size_t width) {
    if (width == 0) return Row();
    const std::size_t rowBytes = width * sizeof(Value);
    if (rowBytes > kLargestBlockBytes / 4) {
        Row own;
        own.reserve(width);
        return own;
    }
    std::size_t bytes = nextBytes_ == 0 ? kFirstBlockBytes : nextBytes_;
    while (bytes - kHeadBytes < rowBytes) bytes *= 2;
    void* raw = ::operator new(bytes);
    auto* block = ::new (raw) RowBlock;
    block->references.store(kFillerCount, std::memory_order_relaxed);
    leaveBlock();
    block_ = block;
    next_ = reinterpret_cast<Value*>(static_cast<char*>(raw) + kHeadBytes);
    end_ = next_ + (bytes - kHeadBytes) / sizeof(Value);
    nextBytes_ = std::min(bytes * 2, kLargestBlockBytes);
    return row(width);
}

}  // namespace detail

}  // namespace platform::dataset
