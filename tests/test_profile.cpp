#include "commands/profile_file.h"
#include "ears.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "window_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

// The set commands a device heard, by code.
QList<int> SetsHeard(const std::vector<std::string>& lines) {
    QList<int> sets;
    for (const std::string& line : lines) {
        if (!line.starts_with("<- ")) continue;
        const int code = QString::fromStdString(line.substr(6, 2)).toInt(nullptr, 16);
        const auto* info = FindCommand(std::uint8_t(code));
        if (info && info->setting != Setting::None) sets << code;
    }
    return sets;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The profile view's rows: setting key, on the drive, in the file.
QStringList Row(Window& win, const QString& key) {
    auto* model = win.main.findChild<QTableView*>("ProfileTable")->model();
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->index(r, 0).data().toString().endsWith("(" + key + ")"))
            return {model->index(r, 1).data().toString(), model->index(r, 2).data().toString()};
    return {};
}

void Run(Window& win, const char* button) {
    QVERIFY(ClickProfileButton(win, button));
}

} // namespace

class TestProfile : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // Read a drive, save it, reset the drive, write the profile back: the drive is as it was.
    // Then a profile with one changed value writes only that value.
    void cloneOntoAResetDrive() {
        Ears ears;
        sim::VirtualDevice device(ears.options());
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.type("Text12", "1234");
        win.click("Command17");
        win.type("Text31", "31 04 00 00 27 10");
        win.type("Combo8", "00101");
        win.click("Command81");
        win.click("Command105"); // reply length, a setting the drive cannot be asked for
        QTest::qWait(100);

        Run(win, "CommandReadAll");
        QCOMPARE(Row(win, "start-speed")[0], QString("1234"));
        QCOMPARE(Row(win, "io-override-00101")[0], QString("31 04 00 00 27 10"));
        QCOMPARE(Row(win, "reply-length")[0], QString("00"));
        const QString path = dir_.filePath("drive.json");
        win.prompter.fileName = path;
        win.click("CommandSaveProfile");

        win.click("Command96"); // factory reset
        QTest::qWait(100);
        Run(win, "CommandOpenProfile");
        Run(win, "CommandWriteAll");
        QVERIFY(win.prompter.messages.last().contains("地址 01"));
        QTRY_VERIFY(win.main.statusBar()->currentMessage().contains("已写入"));
        Run(win, "CommandCompareProfile");
        QCOMPARE(win.main.statusBar()->currentMessage(), QString("驱动器与配置文件相同"));
        QCOMPARE(Row(win, "start-speed"), (QStringList{"1234", "1234"}));

        QJsonObject root = QJsonDocument::fromJson(Read(path)).object();
        QJsonObject settings = root["settings"].toObject();
        QJsonObject start = settings["start-speed"].toObject();
        start["value"] = 2222;
        settings["start-speed"] = start;
        root["settings"] = settings;
        Write(path, QJsonDocument(root).toJson());
        Run(win, "CommandOpenProfile");
        const qsizetype before = SetsHeard(ears.lines()).size();
        Run(win, "CommandWriteAll");
        QCOMPARE(SetsHeard(ears.lines()).mid(before), QList<int>{0x25});
        QCOMPARE(Row(win, "start-speed")[0], QString("2222"));
    }

    // The same drive saved twice gives the same bytes but for the time of reading.
    void fileBytesAreStable() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        QByteArrayList files;
        for (const char* name : {"a.json", "b.json"}) {
            Run(win, "CommandReadAll");
            win.prompter.fileName = dir_.filePath(name);
            win.click("CommandSaveProfile");
            QByteArray bytes = Read(win.prompter.fileName);
            files << bytes.remove(bytes.indexOf("\"read_at\""),
                                  bytes.indexOf('\n', bytes.indexOf("\"read_at\"")) -
                                      bytes.indexOf("\"read_at\""));
        }
        QVERIFY(files[0].size() > 1000);
        QCOMPARE(files[0], files[1]);
    }

    // A read cut short is not saved (a file the tool would refuse); the progress says done
    // only when it is; settings not yet read differ from nothing; "只看不同" shows the rows that
    // differ.
    void incompleteReadAndDifferences() {
        sim::VirtualDevice device({.replyDelay = 20ms});
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        ProfileFile profile;
        for (const ProfileSetting& s : ProfileSettings())
            if (s.read) profile.values[s.name()] = s.isNumber() ? Bytes{0, 0, 0, 100} : Bytes{};
        const QString opened = dir_.filePath("hundred.json");
        QCOMPARE(SaveProfile(opened, profile), QString());
        win.prompter.fileName = opened;
        win.click("CommandOpenProfile");
        auto* table = win.main.findChild<QTableView*>("ProfileTable");
        auto* model = table->model();
        for (int r = 0; r < model->rowCount(); ++r)
            QCOMPARE(model->index(r, 3).data().toString(), QString()); // nothing read yet

        win.click("CommandReadAll");
        QTRY_VERIFY(win.w<QProgressBar>("ProgressProfile")->value() >= 5);
        win.click("CommandCancelProfile");
        const QString path = dir_.filePath("half.json");
        win.prompter.fileName = path;
        win.click("CommandSaveProfile");
        QVERIFY2(win.prompter.messages.last().contains("读取不完整"),
                 qPrintable(win.prompter.messages.last()));
        QVERIFY(!QFile::exists(path));

        Run(win, "CommandReadAll");
        auto* progress = win.w<QProgressBar>("ProgressProfile");
        QCOMPARE(progress->value(), progress->maximum());
        // The drive's speeds (10000) differ from the file's (100); start speed does not.
        win.w<QAbstractButton>("CheckDifferOnly")->setChecked(true);
        int shown = 0;
        for (int r = 0; r < model->rowCount(); ++r)
            if (!table->isRowHidden(r)) {
                ++shown;
                QCOMPARE(model->index(r, 3).data().toString(), QString("≠"));
            }
        QVERIFY(shown >= 4 && shown < model->rowCount());
        QVERIFY(Row(win, "start-speed")[0] == "100");
    }

    // One profile onto four drives of one line, each read back; a value changed in the table
    // before writing (checked against its range); a drive that is not there stops the run
    // unless the user asked to go on.
    void writeToManyDrives() {
        sim::VirtualDevice device({.address = 1, .more = {2, 3, 4}});
        QVERIFY(device.start());
        Window win;
        win.type("Combo2", "115200");
        win.type("TextReplyTimeout", "1000");
        emit win.w<QLineEdit>("TextReplyTimeout")->editingFinished();
        QVERIFY(win.open(device.path()));
        ProfileFile profile;
        for (const ProfileSetting& s : ProfileSettings())
            if (s.read) profile.values[s.name()] = s.isNumber() ? Bytes{0, 0, 0, 100} : Bytes{};
        const QString path = dir_.filePath("many.json");
        QCOMPARE(SaveProfile(path, profile), QString());
        win.prompter.fileName = path;
        win.click("CommandOpenProfile");
        auto* model = qobject_cast<QStandardItemModel*>(
            win.main.findChild<QTableView*>("ProfileTable")->model());
        const auto rowOf = [&](const QString& key) {
            for (int r = 0; r < model->rowCount(); ++r)
                if (model->item(r, 0)->text().endsWith("(" + key + ")")) return r;
            return -1;
        };
        model->item(rowOf("max-speed"), 2)->setText("-5"); // out of its range: refused
        QVERIFY(win.prompter.messages.last().contains("max-speed"));
        QVERIFY2(win.prompter.messages.last().contains("0 到 4294967295"),
                 qPrintable(win.prompter.messages.last()));
        QTRY_COMPARE(Row(win, "max-speed")[1], QString("100"));
        model->item(rowOf("start-speed"), 2)->setText("3333");
        QTRY_COMPARE(Row(win, "start-speed")[1], QString("3333"));

        auto* results = win.main.findChild<QTableWidget*>("ProfileResults");
        const auto verdicts = [&] {
            QStringList out;
            for (int r = 0; r < results->rowCount(); ++r)
                out << results->item(r, 0)->text() + " " + results->item(r, 1)->text();
            return out;
        };
        win.type("TextProfileAddresses", "1-4");
        Run(win, "CommandWriteMany");
        QCOMPARE(verdicts(), (QStringList{"01 正常", "02 正常", "03 正常", "04 正常"}));
        for (std::uint8_t a = 1; a <= 4; ++a)
            QCOMPARE(device.withDevice(
                         [](sim::Device& d) { return d.settings().profile.startSpeed; }, a),
                     3333.0);

        QVERIFY(win.main.statusBar()->currentMessage().contains("4 台全部写入"));

        // The last drive failing is the table's to say.
        const qsizetype told = win.prompter.messages.size();
        win.type("TextProfileAddresses", "3-6");
        Run(win, "CommandWriteMany");
        QCOMPARE(verdicts(), (QStringList{"03 正常", "04 正常", "05 失败", "06 未写入"}));
        QVERIFY(win.main.statusBar()->currentMessage().contains("2 台没有完成")); // 6 not tried
        QCOMPARE(results->item(2, 4)->text(), QString("start-speed：无应答"));
        win.w<QAbstractButton>("CheckContinueOnFailure")->setChecked(true);
        Run(win, "CommandWriteMany");
        QCOMPARE(verdicts(), (QStringList{"03 正常", "04 正常", "05 失败", "06 失败"}));
        QCOMPARE(win.prompter.messages.size(), told + 2); // the two questions before writing
        QVERIFY(win.prompter.messages.last().contains("是否继续"));
        QVERIFY(win.main.statusBar()->currentMessage().contains("2 台没有完成"));
    }

    // A reply that does not come stops the writing there, and says where.
    void droppedReplyStopsTheWrite() {
        sim::VirtualDevice device({.dropEvery = 3, .trace = {}});
        QVERIFY(device.start());
        Window win;
        win.type("TextReplyTimeout", "1000");
        emit win.w<QLineEdit>("TextReplyTimeout")->editingFinished();
        QVERIFY(win.open(device.path()));
        ProfileFile profile;
        for (const ProfileSetting& s : ProfileSettings())
            if (s.read) profile.values[s.name()] = s.isNumber() ? Bytes{0, 0, 1, 0} : Bytes{};
        const QString path = dir_.filePath("plain.json");
        QCOMPARE(SaveProfile(path, profile), QString());
        win.prompter.fileName = path;
        Run(win, "CommandOpenProfile");
        win.w<QAbstractButton>("CheckWriteEverything")->setChecked(true);
        Run(win, "CommandWriteAll");
        // Write, read back, write: the third request is the one left unanswered.
        QVERIFY2(win.prompter.messages.last().contains("“max-speed”处停止：无应答"),
                 qPrintable(win.prompter.messages.last()));
    }

    // clang-format off
    void malformedFiles_data() {
        QTest::addColumn<QString>("edit");   // what is done to a good file
        QTest::addColumn<QString>("named");  // what the refusal names
        QTest::newRow("not json") << "garbage" << "JSON";
        QTest::newRow("another version") << "version=2" << "版本";
        QTest::newRow("value 2^40") << "start-speed=1099511627776" << "start-speed";
        QTest::newRow("negative unsigned") << "start-speed=-1" << "start-speed";
        QTest::newRow("bytes too long") << "io-override-00001=\"01 02 03 04 05 06 07\"" << "io-override-00001";
        QTest::newRow("unknown setting") << "+turbo" << "turbo";
        QTest::newRow("unknown key") << "+extra-key" << "extra";
        QTest::newRow("missing setting") << "-max-speed" << "max-speed";
        QTest::newRow("another setting's code") << "code:start-speed=0x27" << "code";
    }
    // clang-format on
    void malformedFiles() {
        QFETCH(QString, edit);
        QFETCH(QString, named);
        ProfileFile good;
        for (const ProfileSetting& s : ProfileSettings())
            if (s.read)
                good.values[s.name()] = s.isNumber() ? Bytes{0, 0, 0, 7} : Bytes{0x3C, 0x00};
        QVERIFY(ProfileFromJson(ProfileToJson(good)).ok());
        QJsonObject root = QJsonDocument::fromJson(ProfileToJson(good)).object();
        QJsonObject settings = root["settings"].toObject();
        QByteArray json;
        if (edit == "garbage") {
            json = "{ not json";
        } else if (edit.startsWith("version=")) {
            root["version"] = 2;
        } else if (edit.contains('=') && !edit.startsWith("code:")) {
            const QString key = edit.section('=', 0, 0);
            QJsonObject entry = settings[key].toObject();
            entry["value"] = QJsonDocument::fromJson("[" + edit.section('=', 1).toUtf8() + "]")[0]
                                 .toVariant()
                                 .toJsonValue();
            settings[key] = entry;
        } else if (edit.startsWith("code:")) {
            const QString key = edit.mid(5).section('=', 0, 0);
            QJsonObject entry = settings[key].toObject();
            entry["code"] = edit.section('=', 1);
            settings[key] = entry;
        } else if (edit == "+turbo") {
            settings["turbo"] = QJsonObject{{"code", "0x99"}, {"value", 1}};
        } else if (edit == "+extra-key") {
            root["extra"] = 1;
        } else if (edit.startsWith('-')) {
            settings.remove(edit.mid(1));
        }
        root["settings"] = settings;
        if (json.isEmpty()) json = QJsonDocument(root).toJson();
        const auto loaded = ProfileFromJson(json);
        QVERIFY(!loaded);
        QVERIFY2(Q(loaded.error()).contains(named), loaded.error().c_str());

        // In the window: refused with the message, and the view keeps what it had.
        Window win;
        const QString path = dir_.filePath("bad.json");
        Write(path, json);
        win.prompter.fileName = path;
        const QString label = win.text("LabelProfileFile");
        win.click("CommandOpenProfile");
        QVERIFY(win.prompter.messages.last().contains(named));
        QCOMPARE(win.text("LabelProfileFile"), label);
        QCOMPARE(Row(win, "start-speed")[1], QString());
    }
};

QTEST_MAIN(TestProfile)
#include "test_profile.moc"
