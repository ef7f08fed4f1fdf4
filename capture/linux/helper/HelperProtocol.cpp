// The capture helper's wire format: parsing and building requests and replies.
#include "HelperProtocol.h"

namespace {

HelperRequest Refused(const char* why) {
    return {RequestKind::Refused, "", std::string("capture helper refused the request: ") + why + "\n"};
}

// What the kernel accepts as a device name, less the bytes no getifaddrs name of ours carries:
// printable ASCII without '/', ':' or blanks, and neither "." nor "..".
bool IsDeviceName(const unsigned char* name, std::size_t size) {
    if (size == 0 || size > kMaxInterfaceName) {
        return false;
    }
    const std::string text(reinterpret_cast<const char*>(name), size);
    if (text == "." || text == "..") {
        return false;
    }
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F || c == '/' || c == ':') {
            return false;
        }
    }
    return true;
}

bool IsPrintableLine(const std::string& text) {
    if (text.empty() || text.back() != '\n') {
        return false;
    }
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace

HelperRequest ParseHelperRequest(const unsigned char* bytes, std::size_t size) {
    if (size == 0) {
        return Refused("empty request");
    }
    if (size > kMaxMessageBytes) {
        return Refused("request too long");
    }
    const unsigned char* body = bytes + 1;
    const std::size_t bodySize = size - 1;
    switch (bytes[0]) {
    case kHelloRequest:
        if (bodySize != 1 || body[0] != kProtocolVersion) {
            return Refused("unknown protocol version");
        }
        return {RequestKind::Hello, "", ""};
    case kOpenRequest:
        if (bodySize == 0) {
            return Refused("no interface name");
        }
        if (bodySize > kMaxInterfaceName) {
            return Refused("interface name longer than 15 bytes");
        }
        if (!IsDeviceName(body, bodySize)) {
            return Refused("not a device name");
        }
        return {RequestKind::Open, std::string(reinterpret_cast<const char*>(body), bodySize), ""};
    case kStopRequest:
        return bodySize == 0 ? HelperRequest{RequestKind::Stop, "", ""} : Refused("unknown request");
    case kEndRequest:
        return bodySize == 0 ? HelperRequest{RequestKind::End, "", ""} : Refused("unknown request");
    default:
        return Refused("unknown request");
    }
}

std::string HelloRequest() {
    return {static_cast<char>(kHelloRequest), static_cast<char>(kProtocolVersion)};
}

std::string OpenRequest(const std::string& interfaceName) {
    return static_cast<char>(kOpenRequest) + interfaceName;
}

std::string StopRequest() {
    return std::string(1, static_cast<char>(kStopRequest));
}

std::string EndRequest() {
    return std::string(1, static_cast<char>(kEndRequest));
}

std::string RelayReply() {
    return std::string(1, static_cast<char>(kRelayReply));
}

std::string FailureReply(const std::string& text) {
    std::string line = text.substr(0, kMaxFailureText - 1);
    while (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            c = '?';
        }
    }
    return static_cast<char>(kFailureReply) + line + "\n";
}

HelperReply ParseHelperReply(const unsigned char* bytes, std::size_t size) {
    const HelperReply malformed{false, false, ""};
    if (size == 0 || size > kMaxMessageBytes) {
        return malformed;
    }
    if (bytes[0] == kRelayReply) {
        return size == 1 ? HelperReply{true, true, ""} : malformed;
    }
    if (bytes[0] == kFailureReply) {
        std::string text(reinterpret_cast<const char*>(bytes + 1), size - 1);
        return IsPrintableLine(text) ? HelperReply{true, false, std::move(text)} : malformed;
    }
    return malformed;
}
