#pragma once

// The handle table that both font kinds keep: 256 slots, a handle is a slot
// index 0..255 and -1 stands for none. A slot owns its font; the table also
// remembers which handle is current.

#include <array>
#include <memory>
#include <utility>

// Number of slots in a font table.
constexpr int fontSlotCount = 256;

template <typename Font>
class FontSlots {
  public:
    // Whether handle lies in 0..255 and its slot holds a font.
    bool filled(int handle) const {
        return handle >= 0 && handle < fontSlotCount && slots_[handle] != nullptr;
    }
    // The font in slot handle, or nullptr for an invalid handle or an empty slot.
    const Font* find(int handle) const { return filled(handle) ? slots_[handle].get() : nullptr; }
    // The lowest empty slot, or -1 when every slot holds a font.
    int lowestEmpty() const {
        for (int handle = 0; handle < fontSlotCount; ++handle) {
            if (!slots_[handle]) {
                return handle;
            }
        }
        return -1;
    }
    // Puts font into the empty slot handle (from lowestEmpty) and makes it
    // current; for an invalid handle or a filled slot nothing changes and font
    // is dropped.
    void fill(int handle, std::unique_ptr<Font> font) {
        if (handle < 0 || handle >= fontSlotCount || slots_[handle] != nullptr) {
            return;
        }
        slots_[handle] = std::move(font);
        current_ = handle;
    }
    // Empties slot handle and hands its font back, so that the caller can
    // release what the font holds outside the table; the current handle becomes
    // -1 if it was this one. nullptr (nothing changed) for an invalid handle or
    // an empty slot.
    std::unique_ptr<Font> release(int handle) {
        if (!filled(handle)) {
            return nullptr;
        }
        if (current_ == handle) {
            current_ = -1;
        }
        return std::move(slots_[handle]);
    }
    // Empties every slot without handing anything back; no current font afterwards.
    void clear() {
        for (auto& slot : slots_) {
            slot.reset();
        }
        current_ = -1;
    }

    int current() const { return current_; }
    // Makes handle current; false (unchanged) for an invalid handle or an empty slot.
    bool select(int handle) {
        if (!filled(handle)) {
            return false;
        }
        current_ = handle;
        return true;
    }
    // Sets the current handle without any check and returns the previous one.
    int exchangeCurrent(int handle) { return std::exchange(current_, handle); }

  private:
    std::array<std::unique_ptr<Font>, fontSlotCount> slots_;
    int current_ = -1;
};
