#pragma once
// What the window and the scene overlay need from a 3D cloud view: submit,
// remove and list named coloured clouds, and steer its camera. The order of
// the virtual functions is part of the contract with other engines; the
// placeholders keep their slots.
#include "camera/ColorCloud.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;
class QString;

namespace hazard_desk {

class CloudEngineInterface {
public:
    using Vector3 = std::array<float, 3>;
    using StatisticsCallback = std::function<void(const QString&)>;

    virtual ~CloudEngineInterface() = default;
    virtual QWidget* widget() = 0;
    virtual void requestFit() = 0;
    virtual void commitRemovals() = 0;
    virtual std::vector<std::string> cloudIds() const = 0;
    virtual void reservedOperation6() = 0;
    virtual void updateCloud(const corVane::ColorCloudPtr& cloud, const std::string& name) = 0;
    virtual void reservedOperation8() = 0;
    virtual int selectedPointIndex() const = 0;
    virtual void clearClouds() = 0;
    virtual void reservedOperation11() = 0;
    virtual void removeCloud(const std::string& name, bool immediate) = 0;
    virtual void reservedOperation13() = 0;
    virtual void highlightClouds(const std::vector<std::string>& names) = 0;
    virtual void reservedOperation15() = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void hideClouds(const std::vector<std::string>& names) = 0;
    virtual void showClouds(const std::vector<std::string>& names) = 0;
    virtual void setStatisticsCallback(StatisticsCallback callback) = 0;
    virtual corVane::ColorCloudPtr pickedCloud() const = 0;
    virtual corVane::ColorCloudPtr currentCloud() const = 0;
    virtual void reservedOperation22() = 0;
    virtual int sceneBounds(float minimum[3], float maximum[3]) const = 0;
    virtual void setCameraPose(const std::optional<Vector3>& eye, const std::optional<Vector3>& up,
                               const std::optional<Vector3>& target) = 0;
    virtual void setThinningCell(int cell) = 0;
    virtual void setPointSize(float size) = 0;
};

}  // namespace hazard_desk
