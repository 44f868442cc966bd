#pragma once
// The platform's folder, save and open dialogs and Qt's message boxes.
#include "FileDialogs.h"

namespace hazard_desk {

class PlatformFileDialogs : public FileDialogs {
public:
    QString existingDirectory(QWidget* parent, const QString& title) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& defaultName,
                         const QString& filter) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;
    void information(QWidget* parent, const QString& title, const QString& text) override;
    void warning(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace hazard_desk
