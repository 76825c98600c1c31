#include <gtest/gtest.h>

#include <memory>

#include "font/font_slots.hpp"

namespace {

enum class Op { Fill, Release, Select, Exchange };

struct Step {
    Op op;
    int handle;
    int result;   // Fill: the slot filled; Release/Select: 1 done, 0 refused; Exchange: previous
    int current;  // the current handle afterwards
};

// One table goes through the whole script, so each step also checks that the
// steps before it left the right slots filled.
TEST(FontSlots, HandlesFollowLowestEmptySlotAndCurrentFont) {
    const Step script[] = {
        {Op::Release, 0, 0, -1},   // empty slot
        {Op::Select, 0, 0, -1},    // empty slot
        {Op::Fill, 0, 0, 0},       // filling makes current
        {Op::Fill, 0, 1, 1},       //
        {Op::Fill, 0, 2, 2},       //
        {Op::Select, -1, 0, 2},    // invalid handles change nothing
        {Op::Select, 256, 0, 2},   //
        {Op::Release, -1, 0, 2},   //
        {Op::Release, 256, 0, 2},  //
        {Op::Release, 3, 0, 2},    // empty slot above the filled ones
        {Op::Release, 0, 1, 2},    // not current: current stays
        {Op::Release, 0, 0, 2},    // already empty
        {Op::Fill, 0, 0, 0},       // the gap is filled first
        {Op::Select, 1, 1, 1},     //
        {Op::Release, 1, 1, -1},   // current: none afterwards
        {Op::Exchange, 7, -1, 7},  // unchecked, even for an empty slot
        {Op::Release, 2, 1, 7},    //
        {Op::Exchange, 300, 7, 300}, {Op::Exchange, 0, 300, 0},  //
        {Op::Release, 0, 1, -1},                                 //
    };
    FontSlots<int> slots;
    int step = 0;
    for (const Step& s : script) {
        int result = 0;
        switch (s.op) {
            case Op::Fill:
                result = slots.lowestEmpty();
                slots.fill(result, std::make_unique<int>(result));
                break;
            case Op::Release:
                result = slots.release(s.handle) != nullptr ? 1 : 0;
                break;
            case Op::Select:
                result = slots.select(s.handle) ? 1 : 0;
                break;
            case Op::Exchange:
                result = slots.exchangeCurrent(s.handle);
                break;
        }
        EXPECT_EQ(result, s.result) << "step " << step;
        EXPECT_EQ(slots.current(), s.current) << "step " << step;
        ++step;
    }
    for (int handle = 0; handle < 4; ++handle) {
        EXPECT_FALSE(slots.filled(handle)) << handle;
        EXPECT_EQ(slots.find(handle), nullptr) << handle;
    }
}

TEST(FontSlots, FullTableReleaseHandsBackTheFontAndClearEmptiesAll) {
    FontSlots<int> slots;
    for (int handle = 0; handle < fontSlotCount; ++handle) {
        ASSERT_EQ(slots.lowestEmpty(), handle);
        slots.fill(handle, std::make_unique<int>(1000 + handle));
    }
    EXPECT_EQ(slots.lowestEmpty(), -1);
    EXPECT_EQ(slots.current(), fontSlotCount - 1);
    // Filling a filled slot or an invalid handle changes nothing.
    for (int handle : {-1, 17, fontSlotCount}) {
        slots.fill(handle, std::make_unique<int>(-1));
        EXPECT_EQ(slots.current(), fontSlotCount - 1) << handle;
    }

    const int* kept = slots.find(17);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(*kept, 1017);
    const std::unique_ptr<int> released = slots.release(17);
    EXPECT_EQ(released.get(), kept);
    EXPECT_EQ(slots.lowestEmpty(), 17);
    EXPECT_EQ(*slots.find(255), 1255);

    slots.clear();
    EXPECT_EQ(slots.current(), -1);
    EXPECT_EQ(slots.lowestEmpty(), 0);
    EXPECT_FALSE(slots.filled(255));
}

}  // namespace
