#pragma once

#include "pty_client.h"
#include "ui/frm_main.h"
#include "ui/prompter.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

// Answers the window's message boxes and file dialogs without showing them, and remembers them.
class ScriptedPrompter : public stepbench::Prompter {
public:
    QStringList messages;
    bool answer = true;
    QString fileName;
    QString folder; // where the last file dialog started

    void inform(QWidget*, const QString& title, const QString& text) override {
        messages << title + ": " + text;
    }
    bool ask(QWidget*, const QString& title, const QString& text) override {
        messages << title + ": " + text;
        return answer;
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString& f) override {
        folder = f;
        return fileName;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString& f) override {
        folder = f;
        return fileName;
    }
};

// A window under test, with its controls found by objectName.
struct Window {
    ScriptedPrompter prompter;
    stepbench::FrmMain main{&prompter};

    template <class T = QWidget>
    T* w(const char* name) {
        T* found = main.findChild<T*>(name);
        if (!found) qFatal("no control named %s", name);
        return found;
    }
    QString text(const char* name) {
        QWidget* x = w(name);
        if (auto* e = qobject_cast<QLineEdit*>(x)) return e->text();
        if (auto* l = qobject_cast<QLabel*>(x)) return l->text();
        if (auto* c = qobject_cast<QComboBox*>(x)) return c->currentText();
        if (auto* b = qobject_cast<QAbstractButton*>(x)) return b->text();
        if (auto* p = qobject_cast<QPlainTextEdit*>(x)) return p->toPlainText();
        if (auto* t = qobject_cast<QTextEdit*>(x)) return t->toPlainText();
        return {};
    }
    void type(const char* name, const QString& value) {
        QWidget* x = w(name);
        if (auto* c = qobject_cast<QComboBox*>(x))
            c->setEditText(value);
        else
            w<QLineEdit>(name)->setText(value);
    }
    void click(const char* name) { w<QAbstractButton>(name)->click(); }
    // Opens the port on the given path, as a user types it and presses "打开".
    bool open(const std::string& path) {
        type("COM_PORT", QString::fromStdString(path));
        click("Command32");
        return main.link().isOpen();
    }
    QStringList lines(const char* log) { return text(log).split('\n'); }
};

// Runs the event loop for a while. QTest::qWait sleeps in steps of 10 ms between looks at the
// events, which holds up every timer of a fast exchange.
inline void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Clicks a button of the profile view and runs the event loop (not QTest's waits in steps of
// 10 ms, which would hold up every request) until the view is idle again; false if it never is.
inline bool ClickProfileButton(Window& win, const char* button) {
    win.click(button);
    QElapsedTimer clock;
    clock.start();
    while (!win.w("CommandReadAll")->isEnabled() && clock.elapsed() < 120000)
        Spin(5);
    return win.w("CommandReadAll")->isEnabled();
}

// What the window writes to the peer: waits (running the event loop) until bytes come.
inline stepbench::Bytes Received(const PtyPeer& peer) {
    stepbench::Bytes got;
    for (int waited = 0; got.empty() && waited < 2000; waited += 5) {
        QTest::qWait(5);
        got = peer.take();
    }
    QTest::qWait(20);
    const stepbench::Bytes more = peer.take();
    got.insert(got.end(), more.begin(), more.end());
    return got;
}
