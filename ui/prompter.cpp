#include "ui/prompter.h"

#include <QFileDialog>
#include <QMessageBox>

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

} // namespace stepbench
