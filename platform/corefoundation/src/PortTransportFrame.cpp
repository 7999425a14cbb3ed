#include <corefoundation/PortTransportFrame.h>

#include <algorithm>
#include <string>

namespace cf::port {
namespace {

// Buffer room a reader keeps between frames; more is released once it is empty.
constexpr std::size_t kKeptCapacity = 64 * 1024;

void put16(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint16_t get16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }
std::uint32_t get32(const std::uint8_t* at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(at[i]) << (8 * i);
  return v;
}

}  // namespace

std::size_t maxPayloadFor(FrameKind kind) { return kind == FrameKind::hello ? kMaxPortNameLength : kMaxPayload; }

objc::Result<HeaderBytes> encodeHeader(FrameKind kind, std::uint16_t flags, std::int32_t messageId,
                                       std::uint32_t sequence, std::size_t payloadLength) {
  if (payloadLength > maxPayloadFor(kind))
    return objc::makeError("message of " + std::to_string(payloadLength) + " bytes exceeds the limit of " +
                           std::to_string(maxPayloadFor(kind)));
  if ((flags & ~kKnownFrameFlags) != 0) return objc::makeError("unknown frame flags");
  HeaderBytes bytes{};
  std::copy(kFrameMagic.begin(), kFrameMagic.end(), bytes.begin());
  bytes[4] = kFrameVersion;
  bytes[5] = static_cast<std::uint8_t>(kind);
  put16(&bytes[6], flags);
  put32(&bytes[8], static_cast<std::uint32_t>(messageId));
  put32(&bytes[12], sequence);
  put32(&bytes[16], static_cast<std::uint32_t>(payloadLength));
  return bytes;
}

objc::Result<FrameHeader> decodeHeader(std::span<const std::uint8_t, kFrameHeaderSize> bytes) {
  if (!std::equal(kFrameMagic.begin(), kFrameMagic.end(), bytes.begin())) return objc::makeError("bad frame magic");
  if (bytes[4] != kFrameVersion) return objc::makeError("unsupported frame version " + std::to_string(bytes[4]));
  FrameHeader header;
  header.kind = static_cast<FrameKind>(bytes[5]);
  header.flags = get16(&bytes[6]);
  if ((header.flags & ~kKnownFrameFlags) != 0) return objc::makeError("unknown frame flags");
  header.messageId = static_cast<std::int32_t>(get32(&bytes[8]));
  header.sequence = get32(&bytes[12]);
  header.payloadLength = get32(&bytes[16]);
  if (header.payloadLength > maxPayloadFor(header.kind)) return objc::makeError("frame payload exceeds the limit");
  // A hello names a port, and a port has a name.
  if (header.kind == FrameKind::hello && header.payloadLength == 0) return objc::makeError("empty hello");
  return header;
}

void FrameReader::append(std::span<const std::uint8_t> bytes) {
  if (broken_) return;
  // Drop consumed bytes before growing, so the buffer stays near one frame's size.
  if (start_ > 0 && (start_ == buffer_.size() || start_ >= 64 * 1024)) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<FrameHeader> FrameReader::pendingHeader() const {
  if (broken_ || buffered() < kFrameHeaderSize) return std::nullopt;
  auto header = decodeHeader(std::span<const std::uint8_t, kFrameHeaderSize>(buffer_.data() + start_, kFrameHeaderSize));
  if (!header) return std::nullopt;
  return *header;
}

FrameReader::Status FrameReader::next(Frame& frame) {
  if (broken_) return Status::malformed;
  if (buffered() == 0 && buffer_.capacity() > kKeptCapacity) {
    // A large frame has been handed out: give its room back rather than keep the
    // high-water mark for the life of the connection.
    std::vector<std::uint8_t>().swap(buffer_);
    start_ = 0;
  }
  if (buffered() < kFrameHeaderSize) return Status::needMore;
  auto header = decodeHeader(std::span<const std::uint8_t, kFrameHeaderSize>(buffer_.data() + start_, kFrameHeaderSize));
  if (!header) {
    broken_ = true;
    buffer_.clear();
    buffer_.shrink_to_fit();
    start_ = 0;
    return Status::malformed;
  }
  std::size_t total = kFrameHeaderSize + header->payloadLength;
  if (buffered() < total) return Status::needMore;
  frame.header = *header;
  auto payloadStart = buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + kFrameHeaderSize);
  frame.payload.assign(payloadStart, payloadStart + header->payloadLength);
  start_ += total;
  return Status::frame;
}

}  // namespace cf::port
