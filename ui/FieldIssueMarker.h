#pragma once
// Marks the editor fields a validation found fault with: an error border and
// the issue text as the field's tooltip, until the next validation clears
// them and gives back each field's own tooltip and style. Lives on the GUI
// thread.
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace hazard_desk {

class FieldIssueMarker {
public:
    // The dynamic property a marked field carries (true), for tests and styles.
    static constexpr const char* kErrorProperty = "validationError";

    explicit FieldIssueMarker(QWidget* root) : root_(root) {}

    // Marks the field with that object name below the root; a field named by
    // several issues shows all their texts, one a line.
    void mark(const QString& objectName, const QString& issueText);
    void clear();
    QList<QWidget*> markedFields() const;

private:
    struct Marked {
        QPointer<QWidget> field;
        QString ownToolTip;
        QString ownStyleSheet;
        QStringList issues;
    };

    QWidget* root_;
    QList<Marked> marked_;
};

}  // namespace hazard_desk
