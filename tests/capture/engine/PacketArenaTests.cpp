// The store's packet memory: blocks shared by packets, kept across a clear for reuse, and every block
// given back in the end.
#include "PacketStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace {

LocalTime FixedClock() {
    return LocalTime{1, 2, 3, 4};
}

// Blocks of a chosen size from new[], counting what is taken and what is still out.
class CountingBlocks : public PacketBlockSource {
public:
    explicit CountingBlocks(std::size_t sharedBytes) : m_sharedBytes(sharedBytes) {}
    ~CountingBlocks() override { EXPECT_TRUE(m_out.empty()) << "blocks not given back"; }

    unsigned char* TakePacketBlock(std::size_t bytes) override {
        ++taken;
        unsigned char* block = new unsigned char[bytes];
        m_out.insert(block);
        return block;
    }
    void GiveBackPacketBlock(unsigned char* block, std::size_t) override {
        EXPECT_EQ(m_out.erase(block), 1u) << "a block given back twice or never taken";
        delete[] block;
    }
    std::size_t SharedPacketBlockBytes() const override { return m_sharedBytes; }
    std::size_t Out() const { return m_out.size(); }

    int taken = 0;

private:
    std::size_t m_sharedBytes;
    std::set<unsigned char*> m_out;
};

std::vector<unsigned char> Pattern(uint32_t length, unsigned char seed) {
    std::vector<unsigned char> bytes(length);
    for (uint32_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<unsigned char>(seed + i * 7);
    }
    return bytes;
}

void Fill(CPacketStore& store, int packets, uint32_t length, unsigned char seed) {
    for (int i = 0; i < packets; ++i) {
        const std::vector<unsigned char> bytes = Pattern(length, static_cast<unsigned char>(seed + i));
        ASSERT_TRUE(store.TryAddCopy(bytes.data(), length));
    }
}

void ExpectFilled(const CPacketStore& store, int packets, uint32_t length, unsigned char seed) {
    ASSERT_EQ(store.Count(), packets);
    for (int i = 0; i < packets; ++i) {
        const PacketView view = store.Get(i);
        ASSERT_EQ(view.length, length);
        EXPECT_EQ(std::vector<unsigned char>(view.bytes, view.bytes + view.length),
                  Pattern(length, static_cast<unsigned char>(seed + i)))
            << "packet " << i;
    }
}

} // namespace

// Packets share blocks without overlapping; after a clear that keeps the memory, the same number of
// packets fits the kept blocks, and none of the earlier bytes shows through.
TEST(PacketArena, KeptBlocksTakeTheNextPacketsWholeAndNothingIsTakenAgain) {
    CountingBlocks blocks(1000);
    {
        CPacketStore store(FixedClock, blocks);
        Fill(store, 40, 100, 1);
        ExpectFilled(store, 40, 100, 1);
        const int takenForOneFill = blocks.taken;
        EXPECT_GT(takenForOneFill, 1);
        EXPECT_LT(takenForOneFill, 40);

        store.Clear(1 << 20);
        EXPECT_EQ(store.Count(), 0);
        EXPECT_EQ(store.TotalBytes(), 0u);
        Fill(store, 40, 100, 9);
        ExpectFilled(store, 40, 100, 9);
        EXPECT_EQ(blocks.taken, takenForOneFill);

        // More than the kept blocks hold: the rest comes fresh.
        store.Clear(1 << 20);
        Fill(store, 80, 100, 5);
        ExpectFilled(store, 80, 100, 5);
        EXPECT_GT(blocks.taken, takenForOneFill);
    }
    EXPECT_EQ(blocks.Out(), 0u);
}

// What is kept is bounded by the clear's figure, a kept block too small for the next packet is
// given back rather than overrun, and a plain clear gives everything back.
TEST(PacketArena, AClearKeepsNoMoreThanAskedAndASmallKeptBlockIsNotOverrun) {
    CountingBlocks blocks(1);
    CPacketStore store(FixedClock, blocks);
    Fill(store, 6, 50, 3);
    EXPECT_EQ(blocks.Out(), 6u);

    // Each block holds one 50-byte packet and its header; room for two of them is kept.
    store.Clear(2 * (50 + 16));
    EXPECT_EQ(blocks.Out(), 2u);
    Fill(store, 1, 50, 7);
    Fill(store, 1, 200, 8);
    EXPECT_EQ(blocks.Out(), 2u);
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(std::vector<unsigned char>(store.Get(1).bytes, store.Get(1).bytes + 200), Pattern(200, 8));

    store.Clear();
    EXPECT_EQ(blocks.Out(), 0u);
}
