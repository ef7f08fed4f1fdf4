// The capture helper's service on its private channel: requests answered, one capture relayed.
#pragma once

#include <string>

// Sends the failure reply that carries text (one line) on channel.
void ReplyFailure(int channel, const std::string& text);

// Answers requests on channel and runs the one capture it may have open, until the channel ends
// (the peer closed it or shut down its sending side) or fails. Does not close channel.
void ServeCaptureChannel(int channel);
