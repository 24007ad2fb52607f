#include "link/profile_session.h"

#include "codec/tr.h"

namespace stepbench {

ProfileSession::ProfileSession(TransactionQueue& queue, QObject* parent)
    : QObject(parent), queue_(queue) {
    connect(&queue_, &TransactionQueue::closed, this, &ProfileSession::onClosed);
}

bool ProfileSession::readAll(std::uint8_t address, LinkMode mode, QString* error) {
    std::deque<Step> steps;
    for (const ProfileSetting& s : ProfileSettings())
        if (s.read) steps.push_back({&s, std::nullopt});
    if (!begin(address, mode, std::move(steps), error)) return false;
    // Write-only settings are known only from the drive's acknowledging what was written to it.
    if (known_)
        for (const auto& [name, value] : known_(address)) {
            const ProfileSetting* s = FindProfileSetting(name);
            if (s && !s->read) outcome_.drive[name] = value;
        }
    return true;
}

bool ProfileSession::writeAll(std::uint8_t address, LinkMode mode, const ProfileValues& values,
                              QString* error) {
    // Readable settings first, each read back; the write-only ones (which may change how the
    // device answers) last.
    std::deque<Step> steps, last;
    for (const ProfileSetting& s : ProfileSettings()) {
        const auto it = values.find(s.name());
        if (it == values.end()) continue;
        (s.read ? steps : last).push_back({&s, it->second});
        if (s.read) steps.push_back({&s, std::nullopt});
    }
    steps.insert(steps.end(), last.begin(), last.end());
    if (!begin(address, mode, std::move(steps), error)) return false;
    writing_ = values;
    return true;
}

bool ProfileSession::begin(std::uint8_t address, LinkMode mode, std::deque<Step> steps,
                           QString* error) {
    if (running()) {
        *error = Tr("驱动器配置正在读写中");
        return false;
    }
    if (steps.empty()) {
        *error = Tr("没有要读写的设置");
        return false;
    }
    address_ = address;
    mode_ = mode;
    outcome_ = {};
    writing_.clear();
    steps_ = std::move(steps);
    total_ = int(steps_.size());
    next();
    return true;
}

void ProfileSession::cancel() {
    if (!running()) return;
    steps_.clear();
    outcome_.cancelled = true;
    emit finished(outcome_);
}

void ProfileSession::next() {
    if (steps_.empty()) return end();
    const Step& step = steps_.front();
    emit progress(total_ - int(steps_.size()), total_,
                  QString::fromStdString(step.setting->name()));
    const Bytes request = step.write ? WriteRequest(*step.setting, address_, *step.write)
                                     : ReadRequest(*step.setting, address_);
    const std::uint8_t code = step.write ? step.setting->set->code : step.setting->read->code;
    QString error;
    const Request r{
        .frame = EncodeFrame(request, mode_), .command = code, .origin = Origin::Profile};
    current_ = submit_ ? submit_(r, &error) : queue_.submit(r, &error);
    if (!current_) {
        outcome_.stoppedAt = step.setting->name();
        outcome_.why = error;
        end();
    }
}

void ProfileSession::onClosed(const Transaction& t) {
    if (!running() || t.id != current_) return;
    const Step step = steps_.front();
    steps_.pop_front();
    const std::string name = step.setting->name();
    if (t.verdict != Verdict::Ok) {
        outcome_.stoppedAt = name;
        outcome_.why = Tr(VerdictName(t.verdict));
        if (t.cause != Cause::None)
            outcome_.why = Tr("%1，%2").arg(outcome_.why, Tr(CauseNote(t.cause)));
        return end();
    }
    if (step.write) {
        outcome_.written.push_back(name);
        // What was written is what a later read back must find.
        if (!step.setting->read) outcome_.drive[name] = *step.write;
    } else {
        const Bytes message = FrameMessage({PieceKind::Frame, t.reply, mode_});
        const auto value = ValueOfReply(*step.setting, message);
        if (!value) {
            outcome_.stoppedAt = name;
            outcome_.why = Tr("应答不符");
            return end();
        }
        outcome_.drive[name] = *value;
        if (const auto it = writing_.find(name); it != writing_.end() && it->second != *value)
            outcome_.notTaken.push_back(name);
    }
    next();
}

void ProfileSession::end() {
    steps_.clear();
    emit finished(outcome_);
}

ProfileBatch::ProfileBatch(ProfileSession& session, QObject* parent)
    : QObject(parent), session_(session) {
    // Queued: whoever else hears the session hears the drive's end while the batch still runs,
    // and so knows it for a drive of the batch, not a run of its own.
    connect(&session_, &ProfileSession::finished, this, &ProfileBatch::onFinished,
            Qt::QueuedConnection);
}

bool ProfileBatch::start(Action action, std::vector<std::uint8_t> addresses, LinkMode mode,
                         const ProfileValues& profile, bool stopAtFailure, QString* error) {
    if (running_ || session_.running()) {
        *error = Tr("驱动器配置正在读写中");
        return false;
    }
    if (addresses.empty()) {
        *error = Tr("没有要读写的驱动器");
        return false;
    }
    action_ = action;
    addresses_ = std::move(addresses);
    at_ = 0;
    end_ = addresses_.size();
    mode_ = mode;
    profile_ = profile;
    stopAtFailure_ = stopAtFailure;
    running_ = true;
    next();
    return true;
}

void ProfileBatch::cancel() {
    if (!running_) return;
    end_ = at_ + 1;
    session_.cancel();
}

std::vector<std::uint8_t> ProfileBatch::unreached() const {
    return std::vector<std::uint8_t>(
        addresses_.begin() + std::ptrdiff_t(std::min(at_, addresses_.size())), addresses_.end());
}

void ProfileBatch::next() {
    if (at_ >= end_) {
        running_ = false;
        return emit finished(end_ < addresses_.size());
    }
    const std::uint8_t address = addresses_[at_];
    emit driveStarted(address, int(at_), int(addresses_.size()));
    QString error;
    const bool started = action_ == Action::Write
                             ? session_.writeAll(address, mode_, profile_, &error)
                             : session_.readAll(address, mode_, &error);
    if (started) return;
    DriveResult failed{address, {}, {}};
    failed.outcome.stoppedAt = "-";
    failed.outcome.why = error;
    onFinished(failed.outcome);
}

void ProfileBatch::onFinished(const ProfileOutcome& outcome) {
    if (!running_) return;
    DriveResult result{addresses_[at_], outcome, {}};
    if (action_ == Action::Compare)
        for (const auto& [name, value] : profile_) {
            const auto onDrive = outcome.drive.find(name);
            if (onDrive != outcome.drive.end() && onDrive->second != value)
                result.differing.push_back(name);
        }
    ++at_;
    emit driveDone(result);
    if (outcome.cancelled || (!result.ok() && stopAtFailure_)) {
        running_ = false;
        return emit finished(true);
    }
    next();
}

} // namespace stepbench
