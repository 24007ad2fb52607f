#pragma once

#include "commands/profile_file.h"
#include "link/profile_session.h"

#include <QWidget>
#include <functional>
#include <map>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QStandardItem;
class QTableWidget;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace stepbench {

class Prompter;

// "运动初速度 (start-speed)", "Start speed (start-speed)": a setting as the view and the
// commissioning record name it, the set command's name without its leading "设置".
QString SettingTitle(const ProfileSetting& s);

// The "驱动器配置" tab: every setting of a drive read at once, saved as a profile, compared with
// one, and written to another drive.
class ProfileView : public QWidget {
    Q_OBJECT
public:
    // The drive the window talks to: its address, link mode and baud rate, or nothing (the
    // window has said why).
    struct Target {
        std::uint8_t address;
        LinkMode mode;
        qint32 baud;
    };
    using TargetSource = std::function<std::optional<Target>()>;

    // What a drive has itself said of its settings (the bench's drive state), by address.
    using SaidSource = std::function<ProfileValues(std::uint8_t)>;
    ProfileView(ProfileSession& session, TargetSource target, SaidSource said, Prompter* prompter,
                QWidget* parent = nullptr);
    // A drive has said something of its settings: the column "驱动器上" follows, for the drive
    // shown.
    void driveSaid(std::uint8_t address);

    // The drives of "写入到多台…", as the user typed them.
    ProfileBatch& batch() { return batch_; }
    // The profile file a drive's settings were last compared with ("比较"), and its path.
    struct Compared {
        QString path;
        ProfileFile file;
    };
    const Compared* comparedWith(std::uint8_t address) const {
        const auto it = compared_.find(address);
        return it == compared_.end() ? nullptr : &it->second;
    }

signals:
    void message(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void showHeaders();
    enum class Then { Show, Compare, Write };
    void read(Then then);
    void save();
    void open();
    void write();
    void writeChosen();
    void onFinished(const ProfileOutcome& outcome);
    void showTable();
    void setBusy(bool busy);
    ProfileValues toWrite() const;
    void writeMany();
    void onDriveDone(const DriveResult& result);
    void addResult(std::uint8_t address, const QString& verdict, bool ok, const QStringList& more);
    // The opened file's line, and the end of a run on the progress bar, in the language chosen.
    void showFileLine();
    void showEnd(bool complete);
    void showResultHeaders();
    void onEdited(QStandardItem* item);

    ProfileSession& session_;
    TargetSource target_;
    SaidSource said_;
    std::optional<std::uint8_t> shown_; // the drive whose settings the table shows
    Prompter* prompter_;
    std::optional<Target> running_;
    Then then_ = Then::Show;
    bool writing_ = false;
    struct {
        int at = 0, count = 0;
    } drives_;                        // of a batch: the one being written, of how many
    ProfileFile drive_;               // what the drive shown has said, as a profile
    std::optional<ProfileFile> file_; // the profile opened from a file
    QString filePath_;
    std::map<std::uint8_t, Compared> compared_;
    std::optional<bool> ended_; // how the last run ended: complete or not
    QStandardItemModel* rows_;
    QTableView* table_;
    QCheckBox* everything_;
    QCheckBox* differOnly_;
    QProgressBar* progress_;
    QLabel* fileLabel_;
    QList<QPushButton*> actions_;
    QPushButton* cancel_;
    ProfileBatch batch_;
    QLineEdit* manyAddresses_;
    QCheckBox* goOn_;
    QTableWidget* results_;
    bool showing_ = false; // the table is being filled, not edited
};

} // namespace stepbench
