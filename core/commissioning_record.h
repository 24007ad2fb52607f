#pragma once

#include "commands/profile_file.h"
#include "core/drive_state.h"
#include "core/jobs.h"
#include "link/move_check.h"
#include "link/transaction_stats.h"

#include <QDateTime>
#include <QPointF>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace stepbench {

// What a commissioning record says, gathered from the bench and the views, measured values only:
// what was not measured is left empty and the record says so.
struct CommissioningRecord {
    struct Header {
        QString title;
        QString machine;
        QString engineer;
        QDateTime madeAt;
        QString program; // "stepbench 0.1.0"
        QString port;
        qint32 baud = 0; // 0: set by a device server
        LinkMode framing = LinkMode::Rtu;
        bool plc = false;
        int mapping = 0;
        QString logFile; // the traffic log kept, if one was
    };
    // The traffic of one address, from the statistics.
    struct Traffic {
        std::uint8_t address = 0;
        std::size_t transactions = 0;
        std::size_t failed = 0;
        std::size_t timed = 0; // with a round trip
        std::optional<double> medianMs, p99Ms;
        bool ofRecent = false; // the percentiles are of the latest round trips only
    };
    // One setting of a drive: what the drive said, what the file compared with holds.
    struct Setting {
        std::string name;
        std::optional<std::string> drive;
        std::optional<std::string> file;
        bool differs() const { return drive && file && *drive != *file; }
    };
    struct Profile {
        std::vector<Setting> settings; // every setting of a profile, in the table's order
        int said = 0;                  // how many the drive has said
        bool complete = false;         // it has said every readable setting: a whole profile
        QString comparedWith;          // the file, when one was compared
    };
    // A move of the motion view: its plot's lines (seconds from the move's start) and how the
    // drive kept to the plan.
    struct Move {
        std::uint8_t address = 0;
        double start = 0; // s on the sampling clock
        std::vector<QPointF> position, plannedPosition, speed, plannedSpeed;
        Deviation deviation;
    };
    Header header;
    std::vector<Traffic> traffic; // by address
    std::map<std::uint8_t, Profile> profiles;
    std::vector<Move> moves;
    std::vector<CheckTally> checks; // of the last script run
    bool withProfiles = true, withMoves = true, withChecks = true;

    // The drives the record has a page for: every address seen but the broadcast one.
    std::vector<std::uint8_t> drives() const;
};

// The traffic of every address in the statistics.
std::vector<CommissioningRecord::Traffic> TrafficOf(const TransactionStats& stats);
// What a drive has said of its settings, against a profile file when one was compared.
CommissioningRecord::Profile ProfileOf(const DriveStates& drives, std::uint8_t address,
                                       const ProfileFile* compared, const QString& comparedPath);
// A move's lines and figures from the samples of its drive: up to the next move, and no longer
// than the plan's time and a few seconds for it to settle.
CommissioningRecord::Move MoveOf(const PlannedMove& move, const std::deque<MotionSample>& samples);

} // namespace stepbench
