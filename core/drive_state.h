#pragma once

#include "commands/motion_plan.h"
#include "commands/profile.h"
#include "link/transaction_queue.h"

#include <QDateTime>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace stepbench {

// A value a drive has said: reported in a query's reply, or a setting it acknowledged.
struct Said {
    Bytes value; // as the setting's set command carries it (the profile's form)
    QDateTime at;
    quint64 transaction = 0;
    bool acknowledged = false; // a set it answered, rather than a value it reported
};

// What each drive on the line has itself said, by address: its settings (every setting of a
// profile), from good replies to their queries and from the sets it acknowledged, each with the
// time and the transaction it came from. A setting a drive has not confirmed is unknown: a set
// that got no reply, or went to every drive at once, says nothing of what a drive holds.
class DriveStates {
public:
    // Takes what a closed transaction shows; the address it concerns when it showed something.
    std::optional<std::uint8_t> take(const Transaction& t);
    void clear() { drives_.clear(); }

    std::optional<Said> setting(std::uint8_t address, std::string_view name) const;
    // The latest value a drive reported of its motion (position 0x37, speed 0x36, moving from
    // 0x3B), and when it took it (Transaction::heardNs).
    struct Reported {
        double value = 0;
        qint64 heardNs = 0;
    };
    std::optional<Reported> reported(std::uint8_t address, std::uint8_t query) const;
    // Every setting the drive has said, by name.
    ProfileValues values(std::uint8_t address) const;

    // The speed profile a move of this drive follows, when the drive has said all five of it;
    // otherwise empty, with the names of those it has not said.
    std::optional<MotionParameters> motionParameters(std::uint8_t address,
                                                     std::vector<std::string>* unknown) const;
    // The names of the five settings of a speed profile.
    static const std::vector<std::string>& MotionSettingNames();

private:
    std::map<std::uint8_t, std::map<std::string, Said>> drives_;
    std::map<std::pair<std::uint8_t, std::uint8_t>, Reported> reported_; // by address, query
};

// A request's message in the device's own form ([address][code][length][data]), also when it
// went as a register read or write; empty when it carries no device command.
std::optional<Bytes> DeviceRequest(const Transaction& t);
// The reply's message in the device's own form, also from a register read's registers.
std::optional<Bytes> DeviceReply(const Transaction& t);

} // namespace stepbench
