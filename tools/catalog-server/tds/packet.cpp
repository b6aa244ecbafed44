#include "packet.h"

#include <algorithm>

namespace catalog_server::tds {

namespace {

// Types a client may send; anything else (a TLS record, text) is not TDS.
bool IsClientPacketType(std::uint8_t type) {
    switch (static_cast<PacketType>(type)) {
        case PacketType::SqlBatch:
        case PacketType::PreTds7Login:
        case PacketType::Rpc:
        case PacketType::Attention:
        case PacketType::BulkLoad:
        case PacketType::TransactionManager:
        case PacketType::Login7:
        case PacketType::Sspi:
        case PacketType::PreLogin:
            return true;
        case PacketType::TabularResult:
            break;
    }
    return false;
}

}  // namespace

bool MessageAssembler::Fail(std::string reason) {
    failed_ = true;
    error_ = std::move(reason);
    return false;
}

bool MessageAssembler::Feed(ByteView bytes) {
    if (failed_) {
        return false;
    }
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    std::size_t offset = 0;
    while (pending_.size() - offset >= kHeaderSize) {
        const std::uint8_t* header = pending_.data() + offset;
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (!IsClientPacketType(header[0])) {
            return Fail("unknown packet type " + std::to_string(header[0]));
        }
        if (length < kHeaderSize) {
            return Fail("packet length " + std::to_string(length) + " is shorter than its header");
        }
        if (length > maxPacketSize_) {
            return Fail("packet of " + std::to_string(length) + " bytes exceeds the packet size " +
                        std::to_string(maxPacketSize_));
        }
        if (pending_.size() - offset < length) {
            break;
        }
        const auto type = static_cast<PacketType>(header[0]);
        const std::uint8_t status = header[1];
        if (!inMessage_) {
            current_ = Message{};
            current_.type = type;
            current_.firstStatus = status;
            inMessage_ = true;
        } else if (current_.type != type) {
            return Fail("packet type changed inside a message");
        }
        if (current_.payload.size() + (length - kHeaderSize) > maxMessageSize_) {
            return Fail("message exceeds " + std::to_string(maxMessageSize_) + " bytes");
        }
        current_.payload.insert(current_.payload.end(), header + kHeaderSize, header + length);
        offset += length;
        if ((status & packet_status::kEndOfMessage) != 0) {
            current_.ignore = (status & packet_status::kIgnore) != 0;
            ready_.push_back(std::move(current_));
            current_ = Message{};
            inMessage_ = false;
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

std::optional<Message> MessageAssembler::Next() {
    if (ready_.empty()) {
        return std::nullopt;
    }
    Message message = std::move(ready_.front());
    ready_.pop_front();
    return message;
}

void AppendPackets(Bytes& out, PacketType type, ByteView payload, std::size_t packetSize,
                   std::uint16_t spid) {
    const std::size_t chunk = std::clamp(packetSize, kMinPacketSize, kMaxPacketSize) - kHeaderSize;
    out.reserve(out.size() + payload.size() + (payload.size() / chunk + 1) * kHeaderSize);
    ByteWriter w(out);
    std::size_t offset = 0;
    std::uint8_t packetId = 1;
    do {
        const std::size_t n = std::min(chunk, payload.size() - offset);
        const bool last = offset + n == payload.size();
        w.U8(static_cast<std::uint8_t>(type));
        w.U8(last ? packet_status::kEndOfMessage : 0);
        w.U16BE(static_cast<std::uint16_t>(n + kHeaderSize));
        w.U16BE(spid);
        w.U8(packetId++);
        w.U8(0);
        w.Raw(payload.subspan(offset, n));
        offset += n;
    } while (offset < payload.size());
}

}  // namespace catalog_server::tds
