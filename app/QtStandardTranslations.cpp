#include "QtStandardTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace hazard_desk {
namespace {

const QString kTableResource = QStringLiteral(":/i18n/qt_standard.json");

// Qt texts the workstation translates itself, keyed by context and text.
class TableTranslator : public QTranslator {
public:
    explicit TableTranslator(QHash<QString, QString> texts) : texts_(std::move(texts)) {}

    bool isEmpty() const override { return texts_.isEmpty(); }

    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        return texts_.value(key(QLatin1String(context), QString::fromUtf8(sourceText)));
    }

    static QString key(QLatin1String context, const QString& text) {
        return context + QLatin1Char('\x1f') + text;
    }

private:
    QHash<QString, QString> texts_;
};

std::unique_ptr<QTranslator> tableTranslator(const QString& code) {
    QFile file(kTableResource);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    const QJsonObject contexts =
        QJsonDocument::fromJson(file.readAll()).object().value(code).toObject();
    QHash<QString, QString> texts;
    for (auto context = contexts.begin(); context != contexts.end(); ++context) {
        const QByteArray contextName = context.key().toLatin1();
        const QJsonObject entries = context.value().toObject();
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            const QString text = entry.value().toString();
            if (!text.isEmpty()) {
                texts.insert(TableTranslator::key(QLatin1String(contextName), entry.key()), text);
            }
        }
    }
    if (texts.isEmpty()) {
        return nullptr;
    }
    return std::make_unique<TableTranslator>(std::move(texts));
}

}  // namespace

QtStandardTranslations::QtStandardTranslations() = default;

QtStandardTranslations::~QtStandardTranslations() {
    if (installed_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::removeTranslator(installed_.get());
    }
}

QStringList QtStandardTranslations::catalogueFolders() {
    return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
            QLibraryInfo::location(QLibraryInfo::TranslationsPath)};
}

QString QtStandardTranslations::apply(const QString& code) {
    if (installed_) {
        QCoreApplication::removeTranslator(installed_.get());
        installed_.reset();
    }
    if (code.isEmpty() || QCoreApplication::instance() == nullptr) {
        return QString();
    }
    QString origin;
    const QLocale locale(code);
    for (const QString& folder : catalogueFolders()) {
        auto translator = std::make_unique<QTranslator>();
        // Tries "qtbase_ja_JP", then "qtbase_ja", and so on.
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            origin = translator->filePath();
            installed_ = std::move(translator);
            break;
        }
    }
    if (!installed_) {
        installed_ = tableTranslator(code);
        if (installed_) {
            origin = kTableResource;
        }
    }
    if (installed_) {
        QCoreApplication::installTranslator(installed_.get());
    }
    return origin;
}

}  // namespace hazard_desk
