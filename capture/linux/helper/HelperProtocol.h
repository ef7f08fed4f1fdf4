// The capture helper's wire format: the requests the program sends it and the replies it sends back.
#pragma once

#include <cstddef>
#include <string>

// One message per SOCK_SEQPACKET datagram. Requests:
//   hello  'H' version            with the descriptor of a fresh channel; the only message the
//                                 helper takes on the channel the launcher made
//   open   'O' interface name     1 to 15 bytes of a device name, no terminator; one capture at a
//                                 time per channel
//   stop   'D'                    take the capture off the traffic; the relay then finishes
//   end    'E'                    end the capture and release its socket and area
// Stop and end get no reply, so that a reply always answers the open before it. Replies:
//   relay  'R'                    with the relay area, its data eventfd and its freed eventfd
//   fail   'F' text               printable ASCII ending in "\n", shown to the user as it is
constexpr unsigned char kHelloRequest = 'H';
constexpr unsigned char kOpenRequest = 'O';
constexpr unsigned char kStopRequest = 'D';
constexpr unsigned char kEndRequest = 'E';
constexpr unsigned char kRelayReply = 'R';
constexpr unsigned char kFailureReply = 'F';
// The relay area's layout (RelayLayout.h) is part of this contract: changing it changes the
// version, and an installed helper of another version refuses the program's hello rather than hand
// over an area the program would misread.
constexpr unsigned char kProtocolVersion = 3;
constexpr std::size_t kMaxInterfaceName = 15; // IFNAMSIZ less the terminator
constexpr std::size_t kMaxFailureText = 200;
// Receivers read at most this many bytes of a message; a longer one is refused unread.
constexpr std::size_t kMaxMessageBytes = 1 + kMaxFailureText;

enum class RequestKind { Hello, Open, Stop, End, Refused };

struct HelperRequest {
    RequestKind kind;
    std::string interfaceName; // Open: the device to bind to
    std::string refusal;       // Refused: the line to send back
};

// bytes holds the first min(size, kMaxMessageBytes) bytes of a message of size bytes.
HelperRequest ParseHelperRequest(const unsigned char* bytes, std::size_t size);

std::string HelloRequest();
std::string OpenRequest(const std::string& interfaceName);
std::string StopRequest();
std::string EndRequest();
std::string RelayReply();
// text is cut to kMaxFailureText and made printable, so that every reply the helper sends parses.
std::string FailureReply(const std::string& text);

// A relay reply (its descriptors travel beside it), a failure text, or neither when malformed.
struct HelperReply {
    bool valid;
    bool relay;
    std::string failure;
};

HelperReply ParseHelperReply(const unsigned char* bytes, std::size_t size);
