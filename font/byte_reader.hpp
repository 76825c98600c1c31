#pragma once

// Bounded reading of font files held in memory. Every reader of outside data
// goes through a ByteCursor, which knows how many bytes are left and refuses
// to move past them.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

// Reads from a byte range and refuses to go past its end.
class ByteCursor {
  public:
    ByteCursor(const unsigned char* data, std::size_t size) : data_(data), left_(size) {}

    // Copies count bytes to out and moves past them; false (nothing moved)
    // when fewer are left.
    bool take(void* out, std::size_t count) {
        if (count > left_) {
            return false;
        }
        if (count > 0) {
            std::memcpy(out, data_, count);
        }
        data_ += count;
        left_ -= count;
        return true;
    }
    // Moves past count bytes; false (nothing moved) when fewer are left.
    bool skip(std::size_t count) {
        if (count > left_) {
            return false;
        }
        data_ += count;
        left_ -= count;
        return true;
    }
    bool byte(std::uint8_t& out) { return take(&out, 1); }
    // A cursor over the count bytes that start offset bytes ahead, leaving this
    // one where it is; false when they are not all there.
    bool slice(std::size_t offset, std::size_t count, ByteCursor& out) const {
        if (offset > left_ || count > left_ - offset) {
            return false;
        }
        out = ByteCursor(data_ + offset, count);
        return true;
    }

  private:
    const unsigned char* data_;
    std::size_t left_;
};

// The font files store little-endian floats; the host order is found by
// looking at the first byte of the integer 1.
inline bool hostIsBigEndian() {
    const std::uint32_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    return first == 0;
}

// Reads a little-endian single-precision float, reversing its bytes on a
// big-endian host.
inline bool readLittleEndianFloat(ByteCursor& cursor, bool bigEndian, float& out) {
    unsigned char bytes[4];
    if (!cursor.take(bytes, sizeof bytes)) {
        return false;
    }
    if (bigEndian) {
        std::swap(bytes[0], bytes[3]);
        std::swap(bytes[1], bytes[2]);
    }
    std::memcpy(&out, bytes, sizeof out);
    return true;
}
