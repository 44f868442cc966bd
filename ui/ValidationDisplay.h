#pragma once
// The editor's validation verdict: "jsonValidationLabel" and the marked
// fields. Issues show as "path：message" lines (the first ten, then how many
// more) and mark the fields of the template being edited; a plain verdict
// ("参数校验通过", an apply or switch result) shows in green or red. Texts
// are kept untranslated so a language change can show them again. GUI thread.
#include "FieldIssueMarker.h"

#include "ParameterEnums.h"
#include "ValidationIssue.h"

#include <QString>

class QLabel;

namespace hazard_desk {

class ValidationDisplay {
public:
    static constexpr int kShownIssues = 10;

    // label shows the verdict; fields are found below root.
    ValidationDisplay(QLabel* label, QWidget* root);

    void showIssues(const ValidationIssueList& issues, int editingIndex, TemplateType type);
    void showVerdict(const QString& text, bool ok);
    // Takes the marks off; the verdict line stays.
    void clearMarks() { marker_.clear(); }
    void retranslate();
    QList<QWidget*> markedFields() const { return marker_.markedFields(); }

    // The first ten issues as "path：message" lines and "另有 %1 项错误" for the
    // rest, untranslated (for logs and the banner's tooltip).
    static QString issueLines(const ValidationIssueList& issues);

private:
    static QString lines(const ValidationIssueList& issues, bool translated);

    QLabel* label_;
    FieldIssueMarker marker_;
    QString text_;
    ValidationIssueList issues_;
    QString style_;   // none until a first verdict
};

}  // namespace hazard_desk
