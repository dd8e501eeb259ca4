#pragma once

#include <cstdint>

namespace tolmix {

// Socket results in Winsock numbering, whatever the platform: 0 is success, and the client
// tells only 0, a time-out and the rest apart. Each platform maps its own errors onto these.
namespace SocketError {
inline constexpr int32_t Ok = 0;
inline constexpr int32_t Interrupted = 10004;          // WSAEINTR
inline constexpr int32_t BadHandle = 10009;            // WSAEBADF
inline constexpr int32_t AccessDenied = 10013;         // WSAEACCES
inline constexpr int32_t BadAddress = 10014;           // WSAEFAULT
inline constexpr int32_t InvalidArgument = 10022;      // WSAEINVAL
inline constexpr int32_t TooManyFiles = 10024;         // WSAEMFILE
inline constexpr int32_t WouldBlock = 10035;           // WSAEWOULDBLOCK
inline constexpr int32_t InProgress = 10036;           // WSAEINPROGRESS
inline constexpr int32_t AlreadyInProgress = 10037;    // WSAEALREADY
inline constexpr int32_t NotASocket = 10038;           // WSAENOTSOCK
inline constexpr int32_t MessageTooLong = 10040;       // WSAEMSGSIZE
inline constexpr int32_t ProtocolNotSupported = 10043; // WSAEPROTONOSUPPORT
inline constexpr int32_t NotSupported = 10045;         // WSAEOPNOTSUPP
inline constexpr int32_t FamilyNotSupported = 10047;   // WSAEAFNOSUPPORT
inline constexpr int32_t AddressInUse = 10048;         // WSAEADDRINUSE
inline constexpr int32_t AddressNotAvailable = 10049;  // WSAEADDRNOTAVAIL
inline constexpr int32_t NetworkDown = 10050;          // WSAENETDOWN
inline constexpr int32_t NetworkUnreachable = 10051;   // WSAENETUNREACH
inline constexpr int32_t NetworkReset = 10052;         // WSAENETRESET
inline constexpr int32_t ConnectionAborted = 10053;    // WSAECONNABORTED
inline constexpr int32_t ConnectionReset = 10054;      // WSAECONNRESET
inline constexpr int32_t NoBufferSpace = 10055;        // WSAENOBUFS
inline constexpr int32_t AlreadyConnected = 10056;     // WSAEISCONN
inline constexpr int32_t NotConnected = 10057;         // WSAENOTCONN
inline constexpr int32_t AfterShutdown = 10058;        // WSAESHUTDOWN
inline constexpr int32_t TimedOut = 10060;             // WSAETIMEDOUT
inline constexpr int32_t ConnectionRefused = 10061;    // WSAECONNREFUSED
inline constexpr int32_t HostDown = 10064;             // WSAEHOSTDOWN
inline constexpr int32_t HostUnreachable = 10065;      // WSAEHOSTUNREACH
inline constexpr int32_t SystemNotReady = 10091;       // WSASYSNOTREADY
inline constexpr int32_t Disconnected = 10101;         // WSAEDISCON: the peer ended the stream
inline constexpr int32_t HostNotFound = 11001;         // WSAHOST_NOT_FOUND
inline constexpr int32_t TryAgain = 11002;             // WSATRY_AGAIN
inline constexpr int32_t NoRecovery = 11003;           // WSANO_RECOVERY
inline constexpr int32_t NoData = 11004;               // WSANO_DATA
} // namespace SocketError

} // namespace tolmix
