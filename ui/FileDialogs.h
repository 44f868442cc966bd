#pragma once
// The dialogs of the window's file operations: the folder or file the user
// picks, and the boxes that answer. The window uses the platform's dialogs;
// tests answer in their place. Every text arrives translated. An empty
// answer means the user cancelled. GUI thread only.
#include <QString>

class QWidget;

namespace hazard_desk {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    virtual QString existingDirectory(QWidget* parent, const QString& title) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& defaultName,
                                 const QString& filter) = 0;
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
};

}  // namespace hazard_desk
