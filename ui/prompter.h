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

    // The file dialogs as the window uses them: they start in folder, or in the user's home
    // when none is remembered (never wherever the dialog's own history points); a name saved
    // without a suffix gets the first suffix of the filter ("mon1" is written as "mon1.csv").
    QString openPath(QWidget* parent, const QString& title, const QString& filter,
                     const QString& folder = {});
    QString savePath(QWidget* parent, const QString& title, const QString& filter,
                     const QString& folder = {});
};

// The path with the filter's first suffix ("CSV文件(*.csv)": ".csv") when its name has none.
QString WithSuffix(const QString& path, const QString& filter);

} // namespace stepbench
