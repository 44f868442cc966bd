#pragma once
// Answers the window's file dialogs in place of the user: each question takes
// the next scripted answer (an empty one cancels), and every question and box
// is kept for the test to look at.
#include "FileDialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace hazard_desk::test {

class ScriptedFileDialogs : public FileDialogs {
public:
    struct Box {
        QString kind;   // "information" or "warning"
        QString title;
        QString text;
    };

    QStringList answers;
    QStringList questions;   // "folder", "save" or "open", one per question
    QList<Box> boxes;

    QString existingDirectory(QWidget*, const QString&) override {
        questions << QStringLiteral("folder");
        return next();
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        questions << QStringLiteral("save");
        return next();
    }
    QString openFileName(QWidget*, const QString&, const QString&) override {
        questions << QStringLiteral("open");
        return next();
    }
    void information(QWidget*, const QString& title, const QString& text) override {
        boxes << Box{QStringLiteral("information"), title, text};
    }
    void warning(QWidget*, const QString& title, const QString& text) override {
        boxes << Box{QStringLiteral("warning"), title, text};
    }

private:
    QString next() { return answers.isEmpty() ? QString() : answers.takeFirst(); }
};

}  // namespace hazard_desk::test
