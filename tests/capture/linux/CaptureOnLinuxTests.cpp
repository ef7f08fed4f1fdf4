// The capture engine over the Linux backend, with real datagrams between two network namespaces.
#include "Capture.h"
#include "ForwardingCaptureSystem.h"
#include "LinuxDatagrams.h"
#include "NamespacePair.h"
#include "NamespaceTest.h"
#include "RecordingPoster.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace {

constexpr int32_t kVethIndex = 0;
constexpr int32_t kMaxPacketBytes = 100;
constexpr int32_t kMaxTotalMB = 16;

Bytes Stored(const CCapture& engine, int32_t index) {
    const PacketView view = engine.Get(index);
    return Bytes(view.bytes, view.bytes + view.length);
}

// Milliseconds since midnight of an "HH:MM:SS.mmm" stamp.
int StampMilliseconds(const std::string& stamp) {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    EXPECT_EQ(std::sscanf(stamp.c_str(), "%d:%d:%d.%d", &hour, &minute, &second, &millisecond), 4) << stamp;
    return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
}

// The real backend with the capture thread held before its first receive until Release.
class HeldReceives : public ForwardingCaptureSystem {
public:
    explicit HeldReceives(CaptureSystem real) : ForwardingCaptureSystem(real) {}
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_released; });
        lock.unlock();
        return ForwardingCaptureSystem::Receive(socket, buffer, capacity);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_released = false;
};

} // namespace

// The engine lives on a thread inside namespace a, so its socket and its capture thread do too.
class LinuxCaptureEngineTest : public NamespaceTest {
protected:
    // Runs body with a capture on a's veth end, a sink taking the datagrams sent to a.
    void CaptureInA(const std::function<void(CCapture&)>& body, CaptureSystem system = HostCaptureSystem()) {
        m_namespaces->RunInA([&] {
            m_sink = std::make_unique<UdpSink>(NamespacePair::kAddressA, kTestPort);
            CCapture engine(system, &m_poster);
            ASSERT_TRUE(engine.LaunchThread());
            engine.Start(kVethIndex, StorageLimits{kMaxPacketBytes, kMaxTotalMB});
            body(engine);
            engine.Shutdown();
            m_sink.reset();
        });
    }

    RecordingPoster m_poster;
    std::unique_ptr<UdpSink> m_sink;
};

TEST_F(LinuxCaptureEngineTest, StoresEachDatagramFromThePeerInOrderCutToTheLimit) {
    const std::vector<Datagram> sent = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 7);
    CaptureInA([&](CCapture& engine) {
        m_namespaces->RunInB([&] { SendAll(sent); });
        EXPECT_TRUE(m_poster.WaitForPackets(static_cast<int>(sent.size()), std::chrono::seconds(5)));
        engine.Stop();

        ASSERT_EQ(engine.Count(), static_cast<int32_t>(sent.size()));
        uint32_t totalBytes = 0;
        for (size_t i = 0; i < sent.size(); ++i) {
            SCOPED_TRACE("packet " + std::to_string(i));
            const Bytes stored = Stored(engine, static_cast<int32_t>(i));
            ExpectUdpDatagram(stored, sent[i], kMaxPacketBytes);
            totalBytes += static_cast<uint32_t>(stored.size());
        }
        EXPECT_EQ(engine.TotalBytes(), totalBytes);
    });
    EXPECT_EQ(m_poster.PacketsAnnounced(), static_cast<int>(sent.size()));
    EXPECT_EQ(m_poster.CountOf(WM_CAPTURE_FULL), 0);
    EXPECT_TRUE(m_poster.LogTexts().empty()) << m_poster.LogTexts().front();
}

// Each stamp lies between clock readings taken, as the backend reads its clock, before its datagram
// was sent and after its sink took it in. The capture thread's receives are held until the clock
// has moved past the last of these, so that a stamp taken when storing would lie after every one.
TEST_F(LinuxCaptureEngineTest, StampsAreTheArrivalTimesNotTheTimesOfStoring) {
    constexpr int kDayMs = 24 * 60 * 60 * 1000;
    const auto dayMs = [] {
        const LocalTime t = ReadLocalTime();
        return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    };
    const std::vector<Datagram> sent = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 3);
    HeldReceives held(HostCaptureSystem());
    CaptureInA(
        [&](CCapture& engine) {
            std::vector<std::pair<int, int>> brackets;
            for (const Datagram& datagram : sent) {
                const int before = dayMs();
                m_namespaces->RunInB([&] { SendAll({datagram}); });
                EXPECT_TRUE(m_sink->Take());
                brackets.emplace_back(before, dayMs());
            }
            while (dayMs() == brackets.back().second) {
            }
            held.Release();
            EXPECT_TRUE(m_poster.WaitForPackets(static_cast<int>(sent.size()), std::chrono::seconds(5)));
            engine.Stop();
            ASSERT_EQ(engine.Count(), static_cast<int32_t>(sent.size()));
            for (size_t i = 0; i < sent.size(); ++i) {
                const auto [before, after] = brackets[i];
                const std::string stamp = engine.Get(static_cast<int32_t>(i)).timeStamp;
                // Modulo a day, for a bracket across midnight.
                EXPECT_LE((StampMilliseconds(stamp) - before + kDayMs) % kDayMs, (after - before + kDayMs) % kDayMs)
                    << "datagram " << i << " stamped " << stamp << ", sent within [" << before << ", " << after
                    << "] ms of the day";
            }
        },
        held);
}
