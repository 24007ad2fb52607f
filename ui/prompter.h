#pragma once

#include <QString>

class QWidget;

namespace stepbench {

// Every message box and file dialog of the window goes through here, so tests can answer them.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void inform(QWidget* parent, const QString& title, const QString& text);
    virtual bool ask(QWidget* parent, const QString& title, const QString& text);
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter);
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& filter);
};

} // namespace stepbench
