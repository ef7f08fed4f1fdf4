// The capture helper's wire format: every rule of the request and reply grammar, without privilege.
#include "HelperProtocol.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Refusal(const char* why) {
    return std::string("capture helper refused the request: ") + why + "\n";
}

const unsigned char* BytesOf(const std::string& message) {
    return reinterpret_cast<const unsigned char*>(message.data());
}

} // namespace

TEST(HelperProtocol, EachRequestRuleRefusesWithItsOwnLine) {
    const std::string notADevice = Refusal("not a device name");
    const struct {
        std::string request;
        RequestKind kind;
        std::string nameOrRefusal;
    } cases[] = {
        {"", RequestKind::Refused, Refusal("empty request")},
        {"O" + std::string(kMaxMessageBytes, 'l'), RequestKind::Refused, Refusal("request too long")},
        {"X", RequestKind::Refused, Refusal("unknown request")},
        {HelloRequest(), RequestKind::Hello, ""},
        {"H\x01", RequestKind::Refused, Refusal("unknown protocol version")},
        {HelloRequest() + "x", RequestKind::Refused, Refusal("unknown protocol version")},
        {"O", RequestKind::Refused, Refusal("no interface name")},
        {"O" + std::string(15, 'a'), RequestKind::Open, std::string(15, 'a')},
        {"O" + std::string(16, 'a'), RequestKind::Refused, Refusal("interface name longer than 15 bytes")},
        {std::string("Olo\0sva0", 8), RequestKind::Refused, notADevice},
        {"Olo\x7f", RequestKind::Refused, notADevice},
        {"Oa/b", RequestKind::Refused, notADevice},
        {"Osva0:1", RequestKind::Refused, notADevice},
        {"O.", RequestKind::Refused, notADevice},
        {"O..", RequestKind::Refused, notADevice},
        {"D", RequestKind::Stop, ""},
        {"Dlo", RequestKind::Refused, Refusal("unknown request")},
        {"E", RequestKind::End, ""},
        {"Ex", RequestKind::Refused, Refusal("unknown request")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.substr(0, 20));
        const HelperRequest parsed = ParseHelperRequest(BytesOf(c.request), c.request.size());
        EXPECT_EQ(parsed.kind, c.kind);
        EXPECT_EQ(c.kind == RequestKind::Open ? parsed.interfaceName : parsed.refusal, c.nameOrRefusal);
    }
}

// A reply is taken only when well formed; every failure reply the helper builds is.
TEST(HelperProtocol, RepliesParseOnlyWhenWellFormed) {
    const struct {
        std::string reply;
        bool valid;
        bool relay;
        std::string failure;
    } cases[] = {
        {RelayReply(), true, true, ""},
        {"Rx", false, false, ""},
        {"X", false, false, ""},
        {"Fbind failed\n", true, false, "bind failed\n"},
        {"F", false, false, ""},
        {"Fbind failed", false, false, ""},
        {"Fa\tb\n", false, false, ""},
        {"Fa\x7f\n", false, false, ""},
        {"F" + std::string(kMaxFailureText, 'a') + "\n", false, false, ""},
        {FailureReply("bad\x01 text\n\n"), true, false, "bad? text\n"},
        {FailureReply(std::string(300, 'a')), true, false, std::string(kMaxFailureText - 1, 'a') + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.substr(0, 20));
        const HelperReply parsed = ParseHelperReply(BytesOf(c.reply), c.reply.size());
        EXPECT_EQ(parsed.valid, c.valid);
        EXPECT_EQ(parsed.relay, c.relay);
        EXPECT_EQ(parsed.failure, c.failure);
    }
    EXPECT_FALSE(ParseHelperReply(BytesOf(FailureReply("x")), 0).valid) << "an empty message";
}
