#include "TranslationCatalog.h"

#include <QSet>

namespace hazard_desk {

void TranslationCatalog::addLanguage(const QString& code, const QString& name, const QString& nativeName) {
    if (code.isEmpty()) {
        return;
    }
    languages_.insert(code, LanguageRecord{code, name, nativeName});
}

QVector<LanguageRecord> TranslationCatalog::languages() const {
    QVector<LanguageRecord> records;
    records.reserve(languages_.size());
    for (const LanguageRecord& record : languages_) {
        records.push_back(record);
    }
    return records;
}

void TranslationCatalog::addSourceTranslation(const QString& source, const QString& code, const QString& text) {
    if (source.isEmpty() || code.isEmpty() || text.isEmpty()) {
        return;
    }
    bySource_[source].insert(code, text);
}

void TranslationCatalog::addIdTranslation(const QString& id, const QString& code, const QString& text) {
    if (id.isEmpty() || code.isEmpty() || text.isEmpty()) {
        return;
    }
    byId_[id].insert(code, text);
}

void TranslationCatalog::rebuildReverseIndex() {
    reverse_.clear();
    QSet<QString> ambiguous;
    for (auto source = bySource_.cbegin(); source != bySource_.cend(); ++source) {
        for (const QString& translated : source.value()) {
            if (translated.isEmpty() || translated == source.key() || bySource_.contains(translated) ||
                ambiguous.contains(translated)) {
                continue;
            }
            const auto existing = reverse_.constFind(translated);
            if (existing == reverse_.cend()) {
                reverse_.insert(translated, source.key());
            } else if (existing.value() != source.key()) {
                // Shown in some language, this text could stand for either source.
                reverse_.erase(existing);
                ambiguous.insert(translated);
            }
        }
    }
}

const TranslationTable* TranslationCatalog::find(const QString& text) const {
    auto source = bySource_.constFind(text);
    if (source == bySource_.cend()) {
        const auto reverse = reverse_.constFind(text);
        if (reverse == reverse_.cend()) {
            return nullptr;
        }
        source = bySource_.constFind(reverse.value());
        if (source == bySource_.cend()) {
            return nullptr;
        }
    }
    return &source.value();
}

const QString* TranslationCatalog::lookup(const QString& text, const QString& code) const {
    const TranslationTable* table = find(text);
    if (table == nullptr) {
        return nullptr;
    }
    auto entry = table->constFind(code);
    if (entry != table->cend() && !entry->isEmpty()) {
        return &entry.value();
    }
    entry = table->constFind(sourceLanguage_);
    if (entry != table->cend() && !entry->isEmpty()) {
        return &entry.value();
    }
    return nullptr;
}

}  // namespace hazard_desk
