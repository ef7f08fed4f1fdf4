// The capture helper's service on its private channel: requests answered, one capture relayed.
#include "HelperService.h"

#include "HelperMessages.h"
#include "HelperProtocol.h"
#include "PacketRelay.h"

#include <cerrno>
#include <memory>

#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr char kRefusedDescriptors[] = "capture helper refused the request: it takes no descriptors\n";
constexpr char kRefusedHello[] = "capture helper refused the request: already connected\n";
constexpr char kRefusedSecondCapture[] = "capture helper refused the request: a capture is already open\n";

void OpenCapture(int channel, const std::string& interfaceName, std::unique_ptr<PacketRelay>& relay) {
    if (relay != nullptr) {
        ReplyFailure(channel, kRefusedSecondCapture);
        return;
    }
    std::string failure;
    relay = PacketRelay::Open(interfaceName, failure);
    if (relay == nullptr) {
        ReplyFailure(channel, failure);
        return;
    }
    const int handedOver[] = {relay->AreaFd(), relay->DataFd(), relay->FreedFd()};
    SendMessage(channel, RelayReply(), handedOver, 3);
}

// Stop and end need no capture: without one there is nothing to do, and they are never answered.
void Answer(int channel, ReceivedMessage& message, const unsigned char* bytes, std::unique_ptr<PacketRelay>& relay) {
    if (message.descriptorCount > 0) {
        CloseDescriptors(message);
        ReplyFailure(channel, kRefusedDescriptors);
        return;
    }
    const HelperRequest request = ParseHelperRequest(bytes, static_cast<std::size_t>(message.size));
    switch (request.kind) {
    case RequestKind::Refused:
        ReplyFailure(channel, request.refusal);
        break;
    case RequestKind::Hello:
        ReplyFailure(channel, kRefusedHello);
        break;
    case RequestKind::Open:
        OpenCapture(channel, request.interfaceName, relay);
        break;
    case RequestKind::Stop:
        if (relay != nullptr) {
            relay->StopArrivals();
        }
        break;
    case RequestKind::End:
        relay.reset();
        break;
    }
}

} // namespace

void ReplyFailure(int channel, const std::string& text) {
    SendMessage(channel, FailureReply(text), -1);
}

// A peer that shut down its sending side leaves a channel that reads as ended for ever: its hang-up
// (POLLRDHUP) ends the service, so that no read of zero bytes is taken for an empty request twice.
void ServeCaptureChannel(int channel) {
    std::unique_ptr<PacketRelay> relay;
    unsigned char buffer[kMaxMessageBytes];
    bool moreToCopy = false;
    for (;;) {
        pollfd polled[] = {
            {channel, POLLIN | POLLRDHUP, 0},
            {relay != nullptr ? relay->WatchedSocket() : -1, POLLIN, 0},
            {relay != nullptr ? relay->WatchedFreed() : -1, POLLIN, 0},
        };
        const int ready = poll(polled, sizeof polled / sizeof polled[0], moreToCopy ? 0 : -1);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if ((polled[0].revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL)) != 0) {
            return;
        }
        // A request may have ended the capture whose socket was polled, or opened another: its
        // events, which poll reports for as long as they last, are then taken in the next round.
        bool answered = false;
        if ((polled[0].revents & POLLIN) != 0) {
            ReceivedMessage message = ReceiveMessage(channel, buffer, sizeof buffer, MSG_DONTWAIT);
            if (message.size < 0 && errno != EAGAIN) {
                return;
            }
            if (message.size >= 0) {
                Answer(channel, message, buffer, relay);
                answered = true;
            }
        }
        moreToCopy = false;
        if (relay != nullptr) {
            if (!answered) {
                relay->TakeSocketEvents(polled[1].revents);
            }
            moreToCopy = relay->Pump();
        }
    }
}
