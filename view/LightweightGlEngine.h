#pragma once
// The 3D view of the point-cloud pane: any number of named coloured clouds,
// built into vertex arrays on a background build thread and drawn as points.
// Interface calls, input and painting happen on the GUI thread; the build
// thread only turns pending clouds into BuiltCloud entries (no OpenGL).
#include "CloudEngineInterface.h"
#include "CloudVertexBuilder.h"
#include "GlCloudRenderer.h"
#include "OrbitCamera.h"

#include <QElapsedTimer>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

class QLabel;

namespace hazard_desk {

class PointCloudToolbar;

class LightweightGlEngine : public QOpenGLWidget, protected QOpenGLFunctions, public CloudEngineInterface {
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString&)>;

    static constexpr int kDefaultThinningCell = 30;
    static constexpr float kDefaultPointSize = 2.0f;
    static constexpr float kMinPointSize = 1.0f;
    static constexpr float kMaxPointSize = 12.0f;
    static constexpr int kStatisticsIntervalMs = 1000;
    static constexpr int kViewLabelMs = 1500;
    // OS names of the build thread and of the short-lived parallel builders.
    static constexpr const char* kBuildThreadName = "hdCloudBuild";

    explicit LightweightGlEngine(QWidget* parent = nullptr);
    ~LightweightGlEngine() override;

    // CloudEngineInterface
    QWidget* widget() override { return this; }
    void requestFit() override;
    void commitRemovals() override;
    std::vector<std::string> cloudIds() const override;
    void reservedOperation6() override {}
    void updateCloud(const corVane::ColorCloudPtr& cloud, const std::string& name) override;
    void reservedOperation8() override {}
    int selectedPointIndex() const override { return -1; }
    void clearClouds() override;
    void reservedOperation11() override {}
    void removeCloud(const std::string& name, bool immediate) override;
    void reservedOperation13() override {}
    void highlightClouds(const std::vector<std::string>&) override {}
    void reservedOperation15() override {}
    void setStatusText(const QString& text) override;
    void hideClouds(const std::vector<std::string>&) override {}
    void showClouds(const std::vector<std::string>&) override {}
    void setStatisticsCallback(StatisticsCallback callback) override;
    corVane::ColorCloudPtr pickedCloud() const override { return {}; }
    corVane::ColorCloudPtr currentCloud() const override { return lastCloud_; }
    void reservedOperation22() override {}
    int sceneBounds(float minimum[3], float maximum[3]) const override;
    void setCameraPose(const std::optional<Vector3>& eye, const std::optional<Vector3>& up,
                       const std::optional<Vector3>& target) override;
    void setThinningCell(int cell) override;
    void setPointSize(float size) override;

    // View settings of this widget.
    void setXForward(bool xForward);
    bool xForward() const { return xForward_; }
    void showSideView();
    bool showAxes = true;

    // The standard views of the keys "[", "]", ";", "'", ",", "." (0..5).
    enum class StandardView { Front, Back, Left, Right, Top, Bottom };
    void showStandardView(StandardView view, bool withLabel);

    void setTranslator(Translator translator);
    void retranslate();

    PointCloudToolbar* toolbar() const { return toolbar_; }
    QLabel* statisticsLabel() const { return statisticsLabel_; }
    const OrbitCamera& camera() const { return camera_; }
    // Projection x view of the last paint's camera and size: what the scene
    // overlay projects its lines with.
    QMatrix4x4 viewProjection() const;
    float pointSize() const { return pointSize_; }
    int thinningCell() const { return thinningCell_.load(); }
    float sceneRadius() const { return sceneRadius_; }
    bool fitPending() const { return fitPending_; }

    // Counters since the last statistics line (the paint exchanges them).
    std::uint64_t buildCount() const { return builds_.load(); }
    std::uint64_t mergedCount() const { return merged_.load(); }
    std::uint64_t uploadErrorCount() const { return uploadErrors_.load(); }
    int lastVertexCount() const { return lastVertexCount_; }

    // Holds the build thread before it takes the next pending cloud, so a
    // caller can queue several submissions deterministically.
    void setBuildThreadPaused(bool paused);
    // Called on the build thread after a cloud was taken off the queue and
    // before it is built.
    void setBuildStartHook(std::function<void(const std::string&)> hook);

signals:
    // A build finished; stored is false when the result was discarded because
    // the clouds were cleared or the name removed meanwhile. Build thread.
    void buildFinished(const QString& name, bool stored);

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeGL(int width, int height) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct PendingCloud {
        corVane::ColorCloudPtr cloud;
        std::uint64_t generation = 0;
    };

    void buildLoop();
    void storeBuilt(const std::string& name, BuiltCloud built, std::uint64_t generation);
    void removeBuiltLocked(const std::string& name);
    bool unionBounds(Eigen::Vector3d& minimum, Eigen::Vector3d& maximum);
    bool refreshSceneFromBounds(Eigen::Vector3d* centre);
    void applyPendingFit();
    void reportStatistics();
    void placeToolbar();
    Eigen::Vector3d frontDirection() const;
    Eigen::Vector3d sideDirection() const;

    std::atomic<int> thinningCell_{kDefaultThinningCell};
    float pointSize_ = kDefaultPointSize;

    // Hand-over to the build thread, guarded by pendingMutex_.
    std::mutex pendingMutex_;
    std::condition_variable pendingCondition_;
    std::unordered_map<std::string, PendingCloud> pending_;
    std::deque<std::string> pendingOrder_;
    bool stopRequested_ = false;
    bool buildPaused_ = false;
    std::function<void(const std::string&)> buildStartHook_;

    // Results and generations, guarded by readyMutex_.
    mutable std::mutex readyMutex_;
    std::uint64_t generationCounter_ = 0;
    std::uint64_t clearedGeneration_ = 0;
    std::unordered_map<std::string, std::uint64_t> pendingRemovals_;
    std::unordered_map<std::string, std::uint64_t> removedGeneration_;
    std::unordered_map<std::string, BuiltCloud> built_;
    std::vector<unsigned int> buffersToDelete_;

    corVane::ColorCloudPtr lastCloud_;
    OrbitCamera camera_;
    float sceneRadius_ = 1.0f;
    bool xForward_ = false;
    bool fitPending_ = true;
    bool firstFit_ = true;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPoint lastMousePos_;
    QLabel* statisticsLabel_ = nullptr;
    PointCloudToolbar* toolbar_ = nullptr;
    int viewLabelTicket_ = 0;
    Translator translator_;

    std::atomic<std::uint64_t> builds_{0};
    std::atomic<std::uint64_t> merged_{0};
    std::atomic<std::uint64_t> buildMicroseconds_{0};
    std::atomic<std::uint64_t> uploadErrors_{0};
    int lastVertexCount_ = 0;
    std::uint64_t gpuBytes_ = 0;
    StatisticsCallback statisticsCallback_;
    QElapsedTimer statisticsTimer_;

    GlCloudRenderer renderer_;

    std::thread buildThread_;  // last member: started after everything it uses exists
};

}  // namespace hazard_desk
