// Feeds arbitrary bytes to the snapshot reader as if they were a link. A
// refused text must leave the record exactly as it was and say why; an
// accepted one must give a record that keeps its invariants, and the text of
// that record must read back to a record with the same text.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "app/invariants.hpp"
#include "app/snapshot.hpp"
#include "app/state.hpp"

namespace {

bool oneSentence(const std::string& s) {
    return !s.empty() && s.front() >= 'A' && s.front() <= 'Z' && s.back() == '.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto record = std::make_unique<AppState>();
    const auto before = std::make_unique<AppState>();
    std::memcpy(before.get(), record.get(), sizeof(AppState));

    const SnapshotDecoding decoded = decodeSnapshot(text, *record);
    if (!decoded.applied) {
        if (!oneSentence(decoded.refusal) ||
            std::memcmp(before.get(), record.get(), sizeof(AppState)) != 0) {
            __builtin_trap();
        }
        return 0;
    }
    if (!decoded.refusal.empty() || !recordViolations(*record).empty()) {
        __builtin_trap();
    }

    const std::string written = encodeSnapshot(*record);
    const auto again = std::make_unique<AppState>();
    if (!decodeSnapshot(written, *again).applied || encodeSnapshot(*again) != written) {
        __builtin_trap();
    }
    return 0;
}
