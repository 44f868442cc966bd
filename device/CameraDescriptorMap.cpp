#include "CameraDescriptorMap.h"

namespace hazard_desk {

QVariantMap CameraDescriptorMap::toMap(const CameraDescriptor& d) {
    QVariantMap map;
    map.insert(QStringLiteral("ip"), d.ip);
    map.insert(QStringLiteral("id"), d.id);
    map.insert(QStringLiteral("serial"), d.serial);
    map.insert(QStringLiteral("name"), d.name);
    map.insert(QStringLiteral("model"), d.model);
    map.insert(QStringLiteral("firmware"), d.firmware);
    map.insert(QStringLiteral("algorithmVersion"), d.algorithmVersion);
    map.insert(QStringLiteral("discoveryHandle"), QVariant::fromValue<qulonglong>(d.discoveryHandle));
    map.insert(QStringLiteral("sdkDeviceType"), d.sdkDeviceType);
    map.insert(QStringLiteral("maxDepthMm"), d.maxDepthMm);
    map.insert(QStringLiteral("rgbAvailable"), d.rgbAvailable);
    map.insert(QStringLiteral("cameraType"), d.cameraType);
    return map;
}

CameraDescriptor CameraDescriptorMap::fromMap(const QVariantMap& map) {
    CameraDescriptor d;
    auto text = [&map](const char* key, QString& field) {
        const auto it = map.constFind(QLatin1String(key));
        if (it != map.constEnd()) {
            field = it.value().toString();
        }
    };
    auto number = [&map](const char* key, int& field) {
        const auto it = map.constFind(QLatin1String(key));
        if (it != map.constEnd()) {
            field = it.value().toInt();
        }
    };
    text("ip", d.ip);
    text("id", d.id);
    text("serial", d.serial);
    text("name", d.name);
    text("model", d.model);
    text("firmware", d.firmware);
    text("algorithmVersion", d.algorithmVersion);
    const auto handle = map.constFind(QStringLiteral("discoveryHandle"));
    if (handle != map.constEnd()) {
        d.discoveryHandle = handle.value().toULongLong();
    }
    number("sdkDeviceType", d.sdkDeviceType);
    number("cameraType", d.cameraType);
    return d;
}

}  // namespace hazard_desk
