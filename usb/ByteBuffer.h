#pragma once
// An owned block of bytes whose allocation may fail without throwing.
//
// The USB queries size their buffers from what a driver reports, so an allocation can be refused
// (a driver that claims gigabytes); such a failure is an ordinary result of the query (an empty
// buffer), never an exception.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace vork {

class ByteBuffer {
public:
    ByteBuffer() noexcept = default;

    // Uninitialised bytes, for buffers a driver fills; empty when the allocation is refused.
    static ByteBuffer Allocate(std::size_t size) noexcept {
        ByteBuffer buffer;
        buffer.bytes_.reset(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
        if (buffer.bytes_) buffer.size_ = size;
        return buffer;
    }

    // Zero-filled bytes, for records the caller fills in part before a request.
    static ByteBuffer Zeroed(std::size_t size) noexcept {
        ByteBuffer buffer = Allocate(size);
        if (buffer.bytes_) std::memset(buffer.bytes_.get(), 0, size);
        return buffer;
    }

    std::uint8_t* Data() noexcept { return bytes_.get(); }
    const std::uint8_t* Data() const noexcept { return bytes_.get(); }
    std::size_t Size() const noexcept { return size_; }
    explicit operator bool() const noexcept { return bytes_ != nullptr; }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_ = 0;
};

}  // namespace vork
