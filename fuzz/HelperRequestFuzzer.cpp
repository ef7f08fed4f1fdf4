// Fuzz target: the capture helper's request parser reads only the bytes it is given, refuses with a
// reply that parses, and lets through only a device name that names exactly what the bytes say.
#include "FuzzSupport.h"

#include "HelperProtocol.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // The helper reads at most kMaxMessageBytes of a message and passes its full length.
    const std::size_t kept = size < kMaxMessageBytes ? size : kMaxMessageBytes;
    auto bytes = ExactCopy(data, kept);
    const HelperRequest request = ParseHelperRequest(bytes.get(), size);

    switch (request.kind) {
    case RequestKind::Open: {
        FUZZ_CHECK(OpenRequest(request.interfaceName) == std::string(reinterpret_cast<const char*>(data), size));
        FUZZ_CHECK(!request.interfaceName.empty() && request.interfaceName.size() <= kMaxInterfaceName);
        for (char c : request.interfaceName) {
            FUZZ_CHECK(c > ' ' && c < 0x7F && c != '/' && c != ':');
        }
        break;
    }
    case RequestKind::Hello:
        FUZZ_CHECK(HelloRequest() == std::string(reinterpret_cast<const char*>(data), size));
        break;
    case RequestKind::Stop:
        FUZZ_CHECK(StopRequest() == std::string(reinterpret_cast<const char*>(data), size));
        break;
    case RequestKind::End:
        FUZZ_CHECK(EndRequest() == std::string(reinterpret_cast<const char*>(data), size));
        break;
    case RequestKind::Refused: {
        const std::string reply = FailureReply(request.refusal);
        const HelperReply parsed = ParseHelperReply(reinterpret_cast<const unsigned char*>(reply.data()), reply.size());
        FUZZ_CHECK(parsed.valid && !parsed.relay && parsed.failure == request.refusal);
        break;
    }
    }

    // Replies come from the helper, which the program trusts no more than the helper trusts it.
    const HelperReply reply = ParseHelperReply(bytes.get(), kept);
    if (reply.valid && !reply.relay) {
        FUZZ_CHECK(!reply.failure.empty() && reply.failure.size() <= kMaxFailureText && reply.failure.back() == '\n');
        for (std::size_t i = 0; i + 1 < reply.failure.size(); ++i) {
            FUZZ_CHECK(reply.failure[i] >= ' ' && reply.failure[i] < 0x7F);
        }
    }
    return 0;
}
