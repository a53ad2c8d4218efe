#pragma once
// What the wire can carry. The settings allow wider ranges (their fields
// come from the dialog), so whatever builds a connection, checks settings
// or names a limit in a text reads the limit here.

namespace nodave {

// The remote TSAP holds the rack in 3 bits and the slot in 5.
inline constexpr int kMaxRack = 7;
inline constexpr int kMaxSlot = 31;
// MPI and PPI station addresses; 127 is the broadcast address.
inline constexpr int kMaxBusAddress = 126;
// ISO on TCP (RFC 1006).
inline constexpr int kIsoTcpPort = 102;

}  // namespace nodave
