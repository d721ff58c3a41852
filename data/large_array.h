// Zero-filled arrays for the big data of a load (a file's text, the sample
// array). Large ones are anonymous memory mappings advised to use huge pages:
// they come zeroed without a pass over them, and far fewer page faults fill
// them, which is most of the cost of allocating a few hundred megabytes.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

// size bytes of zeroed memory, or nullptr when there is none to be had.
void* large_alloc(size_t size);
// Frees what large_alloc(size) returned (nullptr is ignored).
void large_free(void* block, size_t size);
// Turns block, from large_alloc(old_size), into a block of new_size bytes whose
// contents are unspecified, as large_alloc(new_size) would return it; block is
// gone either way. A large mapping is remapped to the new size, which spares
// clearing the memory again; anything else is freed and allocated afresh.
// nullptr when there is no memory.
void* large_reuse(void* block, size_t old_size, size_t new_size);

// A fixed-size array of zero-filled T; T must be trivially copyable and
// valid when all its bytes are zero.
template <class T>
class LargeArray {
    static_assert(std::is_trivially_copyable_v<T>, "LargeArray holds plain records");

  public:
    LargeArray() = default;
    LargeArray(LargeArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    LargeArray& operator=(LargeArray&& other) noexcept {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    LargeArray(const LargeArray&) = delete;
    LargeArray& operator=(const LargeArray&) = delete;
    ~LargeArray() { release(); }

    // Replaces the contents with n zeroed elements; false (and empty) when the
    // memory cannot be had.
    bool allocate(size_t n) {
        release();
        if (n == 0) return true;
        if (n > static_cast<size_t>(-1) / sizeof(T)) return false;
        void* block = large_alloc(n * sizeof(T));
        if (!block) return false;
        data_ = static_cast<T*>(block);
        size_ = n;
        return true;
    }
    // Replaces the contents with n elements in other's memory (other is left
    // empty); the elements hold whatever bytes were there, so the caller writes
    // every one. false (and empty) when the memory cannot be had.
    template <class U>
    bool reuse(LargeArray<U>&& other, size_t n) {
        release();
        if (n > static_cast<size_t>(-1) / sizeof(T)) return false;
        void* block = large_reuse(other.data_, other.size_ * sizeof(U), n * sizeof(T));
        other.data_ = nullptr;
        other.size_ = 0;
        if (!block) return false;
        data_ = static_cast<T*>(block);
        size_ = n;
        return true;
    }
    void release() {
        large_free(data_, size_ * sizeof(T));
        data_ = nullptr;
        size_ = 0;
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

  private:
    template <class U>
    friend class LargeArray;
    T* data_ = nullptr;
    size_t size_ = 0;
};
