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
    // The dialogs start in folder (the last one used), or the working folder when it is empty.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& folder = {});
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& folder = {});
};

} // namespace stepbench
