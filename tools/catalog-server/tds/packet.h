#pragma once

// TDS packets: the 8-byte header, reassembly of received packets into messages, and cutting an
// outgoing message into packets of the negotiated size.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "wire.h"

namespace catalog_server::tds {

enum class PacketType : std::uint8_t {
    SqlBatch = 0x01,
    PreTds7Login = 0x02,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    PreLogin = 0x12,
};

namespace packet_status {
inline constexpr std::uint8_t kEndOfMessage = 0x01;
inline constexpr std::uint8_t kIgnore = 0x02;
inline constexpr std::uint8_t kResetConnection = 0x08;
inline constexpr std::uint8_t kResetConnectionSkipTran = 0x10;
}  // namespace packet_status

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kMinPacketSize = 512;
inline constexpr std::size_t kMaxPacketSize = 32767;
inline constexpr std::size_t kDefaultPacketSize = 4096;

// One request: the bodies of its packets joined.
struct Message {
    PacketType type = PacketType::SqlBatch;
    std::uint8_t firstStatus = 0;  // status of the first packet (reset-connection bits)
    bool ignore = false;           // the client ended it with IGNORE: discard, answer with DONE
    Bytes payload;
};

// Collects received bytes into whole messages. A packet longer than the allowed size, shorter
// than its header, of a type that changes inside a message, or a message above the size limit
// is a protocol violation: Feed returns false and the connection should be dropped.
class MessageAssembler {
public:
    MessageAssembler(std::size_t maxPacketSize, std::size_t maxMessageSize)
        : maxPacketSize_(maxPacketSize), maxMessageSize_(maxMessageSize) {}

    bool Feed(ByteView bytes);
    std::optional<Message> Next();
    bool HasMessage() const { return !ready_.empty(); }
    const Message* Peek() const { return ready_.empty() ? nullptr : &ready_.front(); }
    // True while part of a message (or of a packet) has arrived but not its end.
    bool Partial() const { return !pending_.empty() || inMessage_; }
    const std::string& Error() const { return error_; }

    void SetMaxPacketSize(std::size_t size) { maxPacketSize_ = size; }
    void SetMaxMessageSize(std::size_t size) { maxMessageSize_ = size; }

private:
    bool Fail(std::string reason);

    std::size_t maxPacketSize_;
    std::size_t maxMessageSize_;
    Bytes pending_;  // bytes of a packet not yet complete
    bool inMessage_ = false;
    Message current_;
    std::deque<Message> ready_;
    std::string error_;
    bool failed_ = false;
};

// Appends payload to out as packets of at most packetSize bytes each (header included): all full
// but the last, which alone carries end-of-message. An empty payload still makes one packet.
void AppendPackets(Bytes& out, PacketType type, ByteView payload, std::size_t packetSize,
                   std::uint16_t spid);

}  // namespace catalog_server::tds
