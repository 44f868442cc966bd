#include "LanguageManager.h"

#include "LanguageMenu.h"
#include "MessageLocalizer.h"
#include "QtStandardTranslations.h"
#include "TranslationFileLoader.h"
#include "WidgetRetranslator.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QSettings>
#include <QWidget>

// The embedded table lives in a static library; naming its resource here
// keeps the linker from dropping it.
static void registerEmbeddedTables() {
    Q_INIT_RESOURCE(hd_i18n);
}

namespace hazard_desk {
namespace {

const QString kEmbeddedTable = QStringLiteral(":/i18n/embedded.json");

struct BuiltInLanguage {
    const char* code;
    const char* name;
    const char* nativeName;
};

constexpr BuiltInLanguage kBuiltInLanguages[] = {
    {"zh-CN", "Chinese", "简体中文"},
    {"en-US", "English", "English"},
    {"ja-JP", "Japanese", "日本語"},
    {"vi-VN", "Vietnamese", "Tiếng Việt"},
};

QStringList workstationTemplateFiles() {
    return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("i18n/hazard_desk.json")),
            QDir::current().filePath(QStringLiteral("hazard_desk.json")), kEmbeddedTable};
}

QString primarySubtag(const QString& name) {
    QString normalized = name;
    normalized.replace(QLatin1Char('_'), QLatin1Char('-'));
    return normalized.section(QLatin1Char('-'), 0, 0).toLower();
}

}  // namespace

LanguageManager& LanguageManager::instance() {
    // Created on first use (thread-safe static) and kept until exit.
    static LanguageManager* manager = new LanguageManager;
    return *manager;
}

LanguageManager::LanguageManager(const QStringList* templateFiles)
    : retranslator_(std::make_unique<WidgetRetranslator>([this](const QString& text) { return translate(text); })),
      qtTranslations_(std::make_unique<QtStandardTranslations>()) {
    registerEmbeddedTables();
    if (templateFiles != nullptr) {
        localizer_ = std::make_unique<MessageLocalizer>(*templateFiles);
    }
}

LanguageManager::~LanguageManager() = default;

void LanguageManager::init(const QString& preferredCode) {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    loadTables();
    if (catalog_.hasLanguage(preferredCode)) {
        currentLanguage_ = preferredCode;
    }
    const QString stored = QSettings().value(QLatin1String(kSettingKey)).toString();
    if (!stored.isEmpty() && catalog_.hasLanguage(stored)) {
        currentLanguage_ = stored;
    }
    qtTranslationOrigin_ = qtTranslations_->apply(currentLanguage_);
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
    }
}

void LanguageManager::loadTables() {
    for (const BuiltInLanguage& language : kBuiltInLanguages) {
        catalog_.addLanguage(QString::fromUtf8(language.code), QString::fromUtf8(language.name),
                             QString::fromUtf8(language.nativeName));
    }
    TranslationFileLoader loader(catalog_);
    loader.readTableFile(kEmbeddedTable);
    const QString currentDir = QDir::currentPath();
    const QString applicationDir = QCoreApplication::applicationDirPath();
    for (const QString& path : TranslationFileLoader::legacyFileCandidates(currentDir, applicationDir)) {
        loader.readLegacyFile(path);
    }
    for (const QString& folder : TranslationFileLoader::folderCandidates(currentDir, applicationDir)) {
        loader.readFolder(folder);
    }
    if (catalog_.hasLanguage(loader.indexedCurrentLanguage())) {
        currentLanguage_ = loader.indexedCurrentLanguage();
    }
    catalog_.rebuildReverseIndex();
}

void LanguageManager::setLanguage(const QString& code) {
    init(QString());
    switchTo(code, true);
}

void LanguageManager::setSessionLanguage(const QString& code) {
    init(QString());
    switchTo(code, false);
}

void LanguageManager::switchTo(const QString& code, bool store) {
    if (code.isEmpty() || code == currentLanguage_ || !catalog_.hasLanguage(code)) {
        return;
    }
    currentLanguage_ = code;
    if (store) {
        QSettings().setValue(QLatin1String(kSettingKey), code);
    }
    // Qt's texts first, so the windows retranslated below show them too.
    qtTranslationOrigin_ = qtTranslations_->apply(code);
    emit languageChanged(code);
    retranslateTopLevelWidgets();
}

QString LanguageManager::resolveLanguageCode(const QString& code) const {
    const QVector<LanguageRecord> known = catalog_.languages();
    for (const LanguageRecord& language : known) {
        if (language.code.compare(code, Qt::CaseInsensitive) == 0) {
            return language.code;
        }
    }
    const QString primary = primarySubtag(code);
    for (const LanguageRecord& language : known) {
        if (!primary.isEmpty() && primarySubtag(language.code) == primary) {
            return language.code;
        }
    }
    return QString();
}

QString LanguageManager::translate(const QString& text) const {
    if (text.isEmpty()) {
        return text;
    }
    if (const QString* found = catalog_.lookup(text, currentLanguage_)) {
        return *found;
    }
    QString normalized = text;
    if (text.contains(QLatin1Char('\r'))) {
        normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (const QString* found = catalog_.lookup(normalized, currentLanguage_)) {
            return *found;
        }
    }
    int begin = 0;
    int end = normalized.size();
    while (begin < end && normalized.at(begin).isSpace()) {
        ++begin;
    }
    while (end > begin && normalized.at(end - 1).isSpace()) {
        --end;
    }
    if (begin > 0 || end < normalized.size()) {
        if (const QString* found = catalog_.lookup(normalized.mid(begin, end - begin), currentLanguage_)) {
            return normalized.left(begin) + *found + normalized.mid(end);
        }
    }
    return text;
}

void LanguageManager::retranslate(QWidget* widget) {
    retranslator_->retranslate(widget);
}

void LanguageManager::retranslateTopLevelWidgets() {
    if (retranslating_) {
        return;
    }
    retranslating_ = true;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        retranslate(widget);
    }
    retranslating_ = false;
}

void LanguageManager::installLanguageMenu(QWidget* window) {
    LanguageMenu::install(window, *this);
}

QString LanguageManager::pickLanguage(const QStringList& localeNames) {
    for (const QString& name : localeNames) {
        const QString primary = primarySubtag(name);
        if (primary == QLatin1String("en")) {
            return QStringLiteral("en-US");
        }
        if (primary == QLatin1String("ja")) {
            return QStringLiteral("ja-JP");
        }
        if (primary == QLatin1String("zh")) {
            return QStringLiteral("zh-CN");
        }
        if (primary == QLatin1String("vi")) {
            return QStringLiteral("vi-VN");
        }
    }
    return QStringLiteral("en-US");
}

QString LanguageManager::localizeMessage(const QString& text) const {
    if (!localizer_) {
        localizer_ = std::make_unique<MessageLocalizer>(workstationTemplateFiles());
    }
    return localizer_->localize(text, [this](const QString& piece) { return translate(piece); });
}

bool LanguageManager::eventFilter(QObject* watched, QEvent* event) {
    // Only a window being shown: its children's Show events would repeat
    // the same pass once per child.
    if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
        retranslateTopLevelWidgets();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace hazard_desk
