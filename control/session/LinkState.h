#pragma once

namespace strovix {

// Why the camera of a control is not sending pictures, as the connection
// reports it (WM_VID_LINKSTATE). A picture arriving means the camera streams
// again; the connection reports no state for that.
enum class LinkState : int {
    Idle = 0,         // no address set yet: nothing to say
    Connecting = 1,   // a new address, or a login answered: on the way to the stream
    Retrying = 2,     // a failed attempt; the attempt number travels with it
    LoginNeeded = 3,  // the camera asks for a login, or refused the one it had
    HostNotFound = 4, // the camera's host name does not resolve
    Disconnected = 5, // the connection ended and does not try again
};

constexpr int kLinkStateCount = 6;

// The state a message word carries; anything out of range reads as Idle.
constexpr LinkState linkStateFrom(int value)
{
    return value > 0 && value < kLinkStateCount ? static_cast<LinkState>(value) : LinkState::Idle;
}

} // namespace strovix
