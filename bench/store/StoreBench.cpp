// sorvane_bench_store: a full packet store, its resident memory and the cost of rendering its rows.
#include "CaptureSystem.h"
#include "ListRow.h"
#include "PacketStore.h"
#include "PcapWriter.h"
#include "ProcessFigures.h"
#include "TrafficPattern.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// 16 MiB of 100-byte packets: what the default limits hold.
constexpr int32_t kFullStorePackets = 16 * 1048576 / 100;
constexpr uint32_t kStoredBytes = 100;

int Usage() {
    std::fprintf(stderr, "usage: sorvane_bench_store memory [PACKETS]\n"
                         "       sorvane_bench_store list [PACKETS [PCAP_FILE]]\n");
    return 2;
}

// The traffic repeats every 100 datagrams, so 100 templates give every packet's bytes.
std::vector<std::vector<unsigned char>> Templates() {
    std::vector<std::vector<unsigned char>> templates;
    for (uint64_t i = 0; i < 100; ++i) {
        templates.push_back(MixedDatagram(i));
    }
    return templates;
}

// Fills the store the way the capture thread does: a copy of the stored length per packet, cut from
// the blocks of the backend the program uses.
void Fill(CPacketStore& store, int32_t packets, const std::vector<std::vector<unsigned char>>& templates) {
    for (int32_t i = 0; i < packets; ++i) {
        store.TryAddCopy(templates[static_cast<size_t>(i) % templates.size()].data(), kStoredBytes);
    }
}

int Memory(int32_t packets) {
    const auto templates = Templates();
    CPacketStore store(ReadLocalTime, HostCaptureSystem().memory);
    const uint64_t before = ResidentBytes();
    Fill(store, packets, templates);
    const uint64_t after = ResidentBytes();
    const double perPacket = static_cast<double>(after - before) / packets;
    std::printf("packets=%d stored_bytes=%u rss_delta=%llu bytes_per_packet=%.1f ratio=%.3f\n", store.Count(),
                store.TotalBytes(), static_cast<unsigned long long>(after - before), perPacket,
                perPacket / kStoredBytes);
    return 0;
}

// Renders every row as the list command does (Get, then the time stamp, a space and the summary).
double RenderAll(const CPacketStore& store, unsigned& checksum) {
    const double start = WallSeconds();
    const int32_t count = store.Count();
    for (int32_t i = 0; i < count; ++i) {
        const PacketView packet = store.Get(i);
        const std::string row = FormatListRow(packet.timeStamp, packet.bytes, packet.length);
        checksum += static_cast<unsigned char>(row[static_cast<size_t>(i) % row.size()]) + row.size();
    }
    return WallSeconds() - start;
}

bool WritePcap(const CPacketStore& store, const std::string& path) {
    PcapWriter writer(path);
    for (int32_t i = 0; i < store.Count(); ++i) {
        const PacketView packet = store.Get(i);
        writer.Write(packet.bytes, packet.length, kDatagramBytes, static_cast<uint64_t>(i) * 50);
    }
    return writer.IsOpen() && writer.Close();
}

int List(int32_t packets, const char* pcapPath) {
    CPacketStore store(ReadLocalTime, HostCaptureSystem().memory);
    Fill(store, packets, Templates());
    unsigned checksum = 0;
    RenderAll(store, checksum); // warm-up: caches and branch predictors as in a second listing
    const double seconds = RenderAll(store, checksum);
    std::printf("rows=%d seconds=%.6f ns_per_row=%.1f checksum=%u\n", store.Count(), seconds,
                seconds * 1e9 / store.Count(), checksum);
    if (pcapPath != nullptr && !WritePcap(store, pcapPath)) {
        std::fprintf(stderr, "could not write %s\n", pcapPath);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    const int32_t packets = argc >= 3 ? std::atoi(argv[2]) : kFullStorePackets;
    if (packets <= 0) {
        return Usage();
    }
    if (mode == "memory" && argc <= 3) {
        return Memory(packets);
    }
    if (mode == "list" && argc <= 4) {
        return List(packets, argc == 4 ? argv[3] : nullptr);
    }
    return Usage();
}
