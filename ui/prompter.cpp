#include "ui/prompter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace stepbench {

void Prompter::inform(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

bool Prompter::ask(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString Prompter::openFileName(QWidget* parent, const QString& title, const QString& filter,
                               const QString& folder) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString Prompter::saveFileName(QWidget* parent, const QString& title, const QString& filter,
                               const QString& folder) {
    // No overwrite question from the dialog: the window asks its own.
    return QFileDialog::getSaveFileName(parent, title, folder, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString Prompter::openPath(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder) {
    return openFileName(parent, title, filter, folder.isEmpty() ? QDir::homePath() : folder);
}

QString Prompter::savePath(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder) {
    const QString path =
        saveFileName(parent, title, filter, folder.isEmpty() ? QDir::homePath() : folder);
    return path.isEmpty() ? path : WithSuffix(path, filter);
}

QString WithSuffix(const QString& path, const QString& filter) {
    if (!QFileInfo(path).suffix().isEmpty()) return path;
    static const QRegularExpression kFirstSuffix(R"(\*\.(\w+))");
    const auto match = kFirstSuffix.match(filter);
    return match.hasMatch() ? path + "." + match.captured(1).toLower() : path;
}

} // namespace stepbench
