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
    struct Question {
        QString kind;   // "folder", "save" or "open"
        QString title;
        QString defaultName;
        QString filter;
    };
    struct Box {
        QString kind;   // "information" or "warning"
        QString title;
        QString text;
    };

    QStringList answers;
    QList<Question> questions;
    QList<Box> boxes;

    QString existingDirectory(QWidget*, const QString& title) override {
        questions << Question{QStringLiteral("folder"), title, {}, {}};
        return next();
    }
    QString saveFileName(QWidget*, const QString& title, const QString& defaultName, const QString& filter) override {
        questions << Question{QStringLiteral("save"), title, defaultName, filter};
        return next();
    }
    QString openFileName(QWidget*, const QString& title, const QString& filter) override {
        questions << Question{QStringLiteral("open"), title, {}, filter};
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
