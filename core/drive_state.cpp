#include "core/drive_state.h"

#include "codec/modbus.h"

namespace stepbench {

std::optional<Bytes> DeviceRequest(const Transaction& t) {
    if (!t.request.command || t.request.raw) return std::nullopt;
    const Bytes m = FrameMessage({PieceKind::Frame, t.request.frame, t.framing()});
    if (m.size() < 3) return std::nullopt;
    if (m[1] != modbus::kReadRegisters && m[1] != modbus::kWriteRegisters) return m;
    // A register read carries no data; a register write the command's after its byte count.
    Bytes device{m[0], *t.request.command, 0};
    if (m[1] == modbus::kWriteRegisters && m.size() > modbus::kWriteHeaderSize)
        device.insert(device.end(), m.begin() + modbus::kWriteHeaderSize, m.end());
    device[2] = static_cast<std::uint8_t>(device.size() - 3);
    return device;
}

std::optional<Bytes> DeviceReply(const Transaction& t) {
    if (t.verdict != Verdict::Ok || !t.request.command) return std::nullopt;
    const Bytes m = FrameMessage({PieceKind::Frame, t.reply, t.framing()});
    if (m.size() < 3 || m[1] != modbus::kReadRegisters) return m;
    const CommandInfo* info = FindCommand(*t.request.command);
    const auto data = info ? ReplyDataOfRegisters(*info, ByteView(m).subspan(3)) : std::nullopt;
    if (!data) return std::nullopt;
    Bytes device{m[0], *t.request.command, static_cast<std::uint8_t>(data->size())};
    device.insert(device.end(), data->begin(), data->end());
    return device;
}

std::optional<std::uint8_t> DriveStates::take(const Transaction& t) {
    // Only what the drive answered: a broadcast, a silence or a damaged reply says nothing.
    if (t.verdict != Verdict::Ok || !t.request.command) return std::nullopt;
    const auto address = t.address();
    const auto request = DeviceRequest(t);
    const auto reply = DeviceReply(t);
    if (!address || !request || !reply) return std::nullopt;
    // Its motion, as it reported it (every origin: the sampler's queries too).
    const std::uint8_t code = *t.request.command;
    if ((code == 0x36 || code == 0x37 || code == 0x3B) && reply->size() >= 7) {
        const auto word = static_cast<std::int32_t>(
            (std::uint32_t{(*reply)[3]} << 24) | (std::uint32_t{(*reply)[4]} << 16) |
            (std::uint32_t{(*reply)[5]} << 8) | (*reply)[6]);
        // The motion state's first byte is 0 when it stands still.
        const double value = code == 0x3B ? double((*reply)[3] != 0) : double(word);
        reported_[{*address, code}] = {value, t.heardNs};
    }
    bool said = false;
    for (const ProfileSetting& s : ProfileSettings()) {
        std::optional<Bytes> value;
        bool acknowledged = false;
        if (s.read && s.read->code == *t.request.command) {
            // An IO-override entry is the one of the pattern its query named.
            if (s.pattern && (request->size() < 4 || (*request)[3] != *s.pattern)) continue;
            value = ValueOfReply(s, *reply);
        } else if (s.set->code == *t.request.command) {
            value = ValueOfRequest(s, *request);
            acknowledged = true;
        }
        if (!value) continue;
        drives_[*address][s.name()] = {*value, t.written, t.id, acknowledged};
        said = true;
    }
    return said ? address : std::nullopt;
}

std::optional<Said> DriveStates::setting(std::uint8_t address, std::string_view name) const {
    const auto drive = drives_.find(address);
    if (drive == drives_.end()) return std::nullopt;
    const auto it = drive->second.find(std::string(name));
    return it == drive->second.end() ? std::nullopt : std::optional(it->second);
}

std::optional<DriveStates::Reported> DriveStates::reported(std::uint8_t address,
                                                           std::uint8_t query) const {
    const auto it = reported_.find({address, query});
    return it == reported_.end() ? std::nullopt : std::optional(it->second);
}

ProfileValues DriveStates::values(std::uint8_t address) const {
    ProfileValues out;
    if (const auto drive = drives_.find(address); drive != drives_.end())
        for (const auto& [name, said] : drive->second)
            out[name] = said.value;
    return out;
}

const std::vector<std::string>& DriveStates::MotionSettingNames() {
    static const std::vector<std::string> names = {"start-speed", "max-speed", "end-speed",
                                                   "acceleration", "deceleration"};
    return names;
}

std::optional<MotionParameters>
DriveStates::motionParameters(std::uint8_t address, std::vector<std::string>* unknown) const {
    double values[5] = {};
    std::vector<std::string> missing;
    for (std::size_t i = 0; i < MotionSettingNames().size(); ++i) {
        const auto said = setting(address, MotionSettingNames()[i]);
        if (!said || said->value.size() != 4) {
            missing.push_back(MotionSettingNames()[i]);
            continue;
        }
        const Bytes& v = said->value;
        values[i] = double((std::uint32_t{v[0]} << 24) | (std::uint32_t{v[1]} << 16) |
                           (std::uint32_t{v[2]} << 8) | v[3]);
    }
    if (unknown) *unknown = missing;
    if (!missing.empty()) return std::nullopt;
    return MotionParameters{values[0], values[1], values[2], values[3], values[4]};
}

} // namespace stepbench
