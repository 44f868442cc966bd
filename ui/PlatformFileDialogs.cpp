#include "PlatformFileDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace hazard_desk {

QString PlatformFileDialogs::existingDirectory(QWidget* parent, const QString& title) {
    return QFileDialog::getExistingDirectory(parent, title);
}

QString PlatformFileDialogs::saveFileName(QWidget* parent, const QString& title, const QString& defaultName,
                                          const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, defaultName, filter);
}

QString PlatformFileDialogs::openFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

void PlatformFileDialogs::information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text);
}

void PlatformFileDialogs::warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text);
}

}  // namespace hazard_desk
