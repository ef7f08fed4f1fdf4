// Fuzz target: ParseSocketAddressList reads only the returned bytes and refuses lists that do not fit.
#include "FuzzSupport.h"

#include "AddressListParser.h"

#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t kFirstEntry = 8;
constexpr std::size_t kEntrySize = 16;

uint64_t LittleEndian(const unsigned char* at, int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        value |= uint64_t{at[i]} << (8 * i);
    }
    return value;
}

void StoreLittleEndian(unsigned char* at, uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// The input gives each entry's reference as an offset; the provider's list holds addresses, so every
// complete reference field of the copy becomes base + offset (wrapping, as any pointer value may come).
void OffsetsToPointers(unsigned char* list, std::size_t size) {
    auto base = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(list));
    for (std::size_t at = kFirstEntry; at + 8 <= size; at += kEntrySize) {
        StoreLittleEndian(list + at, base + LittleEndian(list + at, 8));
    }
}

// What a reader that stays inside the returned bytes must produce; false when it must refuse the list.
bool ReferenceParse(const uint8_t* offsets, const unsigned char* list, std::size_t size, std::vector<uint32_t>& out) {
    if (size < 4) {
        return false;
    }
    auto count = static_cast<int32_t>(LittleEndian(offsets, 4));
    if (count < 0 || (count > 0 && kFirstEntry + uint64_t(count) * kEntrySize > size)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        uint64_t offset = LittleEndian(offsets + kFirstEntry + i * kEntrySize, 8);
        if (offset > size || size - offset < 8) {
            return false;
        }
        uint32_t address;
        std::memcpy(&address, list + offset + 4, sizeof address);
        out.push_back(address);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    auto list = ExactCopy(data, size);
    OffsetsToPointers(list.get(), size);

    std::vector<uint32_t> addresses = {0xDEADBEEF};
    bool parsed = ParseSocketAddressList(list.get(), static_cast<uint32_t>(size),
                                         reinterpret_cast<uintptr_t>(list.get()), addresses);
    std::vector<uint32_t> expected;
    bool valid = ReferenceParse(data, list.get(), size, expected);

    FUZZ_CHECK(parsed == valid);
    FUZZ_CHECK(addresses == (valid ? expected : std::vector<uint32_t>{}));
    if (size >= 4 && LittleEndian(data, 4) > (size < kFirstEntry ? 0 : (size - kFirstEntry) / kEntrySize)) {
        FUZZ_CHECK(!parsed); // claims more entries than the returned bytes hold
    }
    return 0;
}
