// The wire format of message ports: how requests and replies travel over the
// stream socket between a remote port and a local port.
//
// Every frame is a 20-byte header followed by its payload.  All integers are
// little-endian.
//
//   offset  size  field
//   0       4     magic, the bytes "NCMP"
//   4       1     version, kFrameVersion (1)
//   5       1     kind: 1 hello, 2 request, 3 reply
//   6       2     flags: bit 0 wants-reply (requests), bit 1 has-data (replies);
//                 other bits must be zero
//   8       4     message id (signed; the SInt32 msgid of the request, echoed in
//                 its reply)
//   12      4     sequence number chosen by the sender of a request, echoed in its
//                 reply so a late reply to an abandoned request is recognised
//   16      4     payload length in bytes, at most kMaxPayload
//   20      n     payload
//
// A connection starts with one hello frame from the remote side whose payload is
// the port name (1 to kMaxPortNameLength bytes); the local side closes a connection
// whose first frame is not a hello naming it.  Requests follow; a request with
// wants-reply set gets exactly one reply frame with the same sequence number.  A
// reply without has-data carries no data (the callback returned NULL), which is not
// the same as an empty payload.
//
// A header with a wrong magic, version, unknown flag bits or a length above what its
// kind allows (a hello: 1 to kMaxPortNameLength bytes; any other kind: at most
// kMaxPayload) makes the stream unreadable as soon as the header has arrived, before
// any of the payload is waited for: the receiver closes that connection and goes on
// serving the others.  A well-formed frame of an unknown kind is skipped.
#pragma once

#include <objcface/Result.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cf::port {

inline constexpr std::array<std::uint8_t, 4> kFrameMagic{'N', 'C', 'M', 'P'};
inline constexpr std::uint8_t kFrameVersion = 1;
inline constexpr std::size_t kFrameHeaderSize = 20;
// The largest payload a message port carries: 4 MiB.  Larger data is refused by the
// sender with an error and treated as a malformed frame by the receiver.
inline constexpr std::size_t kMaxPayload = 4u << 20;
inline constexpr std::size_t kMaxPortNameLength = 1024;

enum class FrameKind : std::uint8_t { hello = 1, request = 2, reply = 3 };

inline constexpr std::uint16_t kFrameWantsReply = 1u << 0;
inline constexpr std::uint16_t kFrameHasData = 1u << 1;
inline constexpr std::uint16_t kKnownFrameFlags = kFrameWantsReply | kFrameHasData;

struct FrameHeader {
  FrameKind kind = FrameKind::request;
  std::uint16_t flags = 0;
  std::int32_t messageId = 0;
  std::uint32_t sequence = 0;
  std::uint32_t payloadLength = 0;
};

using HeaderBytes = std::array<std::uint8_t, kFrameHeaderSize>;

// The header bytes for a frame whose payload has `payloadLength` bytes; refused
// when the payload is larger than kMaxPayload.
objc::Result<HeaderBytes> encodeHeader(FrameKind kind, std::uint16_t flags, std::int32_t messageId,
                                       std::uint32_t sequence, std::size_t payloadLength);

// The largest payload a frame of this kind may announce.
std::size_t maxPayloadFor(FrameKind kind);

// Reads a header; an error for anything but a well-formed header, including a length
// its kind does not allow (unknown kinds are accepted up to kMaxPayload).
objc::Result<FrameHeader> decodeHeader(std::span<const std::uint8_t, kFrameHeaderSize> bytes);

// A whole frame as received.
struct Frame {
  FrameHeader header;
  std::vector<std::uint8_t> payload;
};

// Cuts a byte stream into frames.  Bytes are appended as they arrive; next()
// answers complete frames one by one.  After a malformed header the reader stays
// broken: the rest of the stream cannot be trusted.
class FrameReader {
 public:
  enum class Status { frame, needMore, malformed };

  void append(std::span<const std::uint8_t> bytes);
  Status next(Frame& frame);
  bool broken() const { return broken_; }
  // Bytes held that do not yet make a frame.
  std::size_t buffered() const { return buffer_.size() - start_; }
  // The header of the frame being received, once its 20 bytes are here (and it is
  // well formed), so a receiver can judge a frame before its payload arrives.
  std::optional<FrameHeader> pendingHeader() const;

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t start_ = 0;
  bool broken_ = false;
};

}  // namespace cf::port
