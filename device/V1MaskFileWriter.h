#pragma once
// The V1 zone masks of one template as a mask camera takes them: viewing
// rays read from the camera, the template's masks projected onto them, and
// every present mask written as a 16-bit PGM named by maskFileName into a
// fresh temporary directory of its own. The directory and its files live as
// long as the writer, so they are gone however the transaction ends.
//
// Thread: the camera worker's.
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace hazard_desk {

class ObstacleCameraBridge;
struct WorkstationDocument;

class V1MaskFileWriter {
public:
    static constexpr const char* kStageRays = "生成相机射线";
    static constexpr const char* kStageDirectory = "创建掩码目录";
    static constexpr const char* kStageMasks = "生成 V1 掩码";
    static constexpr const char* kStageSave = "保存 V1 掩码";
    // Under the system temporary path.
    static constexpr const char* kDirectoryPattern = "/vq8_obstacle_masks_XXXXXX";

    V1MaskFileWriter();
    ~V1MaskFileWriter();
    V1MaskFileWriter(const V1MaskFileWriter&) = delete;
    V1MaskFileWriter& operator=(const V1MaskFileWriter&) = delete;

    // Writes the masks of the document's template templateIndex, as seen
    // from its mounting pose. False with stage() and message() on failure.
    bool write(ObstacleCameraBridge& camera, const WorkstationDocument& document, int templateIndex);

    const QStringList& files() const { return files_; }
    // The step entered last: the failing one after a failure.
    const QString& stage() const { return stage_; }
    const QString& message() const { return message_; }
    // The directory while the writer holds one (empty otherwise).
    QString directory() const;

private:
    void enter(const char* stage);
    bool fail(const QString& message);

    std::unique_ptr<QTemporaryDir> directory_;
    QStringList files_;
    QString stage_;
    QString message_;
};

}  // namespace hazard_desk
