#pragma once
// Finished builds of a view, by name and outcome. The view reports them on
// its build thread, so they are recorded under a lock there (a QSignalSpy
// would grow its list on that thread while the test reads it on its own).
#include "LightweightGlEngine.h"

#include <QString>

#include <mutex>
#include <utility>
#include <vector>

namespace hazard_desk::test {

class BuildLog {
public:
    explicit BuildLog(LightweightGlEngine& engine) {
        connection_ = QObject::connect(
            &engine, &LightweightGlEngine::buildFinished, &engine,
            [this](const QString& name, bool stored) {
                const std::lock_guard<std::mutex> lock(mutex_);
                builds_.emplace_back(name, stored);
            },
            Qt::DirectConnection);
    }
    ~BuildLog() {
        QObject::disconnect(connection_);
        const std::lock_guard<std::mutex> lock(mutex_);   // a report under way ends first
    }
    BuildLog(const BuildLog&) = delete;
    BuildLog& operator=(const BuildLog&) = delete;

    int count() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(builds_.size());
    }
    bool storedAt(int index) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return builds_.at(static_cast<std::size_t>(index)).second;
    }
    bool contains(const QString& name) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& build : builds_) {
            if (build.first == name) {
                return true;
            }
        }
        return false;
    }

private:
    QMetaObject::Connection connection_;
    mutable std::mutex mutex_;
    std::vector<std::pair<QString, bool>> builds_;
};

}  // namespace hazard_desk::test
