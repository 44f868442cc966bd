#pragma once
// Qt's own texts (the OK / Cancel / Yes / No of message boxes and input
// dialogs, the edit menus of text fields) in the workstation's language:
// Qt's translation catalogue "qtbase_<language>" from the folder beside the
// program or from Qt's own translations folder. For a language Qt ships no
// catalogue for, the workstation's table ":/i18n/qt_standard.json" (language
// → Qt context → Qt text → translation) stands in. GUI thread only.
#include <QString>
#include <QStringList>

#include <memory>

class QTranslator;

namespace hazard_desk {

class QtStandardTranslations {
public:
    QtStandardTranslations();
    ~QtStandardTranslations();

    // Replaces the installed translator by one for the language code
    // ("ja-JP"); an empty code, or one nothing is found for, installs none.
    // Returns where the texts came from (a file path, the table, or empty).
    QString apply(const QString& code);

    // Folders searched for Qt's catalogues, in order.
    static QStringList catalogueFolders();

private:
    std::unique_ptr<QTranslator> installed_;
};

}  // namespace hazard_desk
