#pragma once
// The OpenGL side of the 3D view: the point shader, the axis triad and the
// per-cloud vertex buffers (created, uploaded when a new build arrived,
// reused, deleted). Used only by LightweightGlEngine on the GUI thread with
// its context current.
#include "CloudVertexBuilder.h"

#include <QMatrix4x4>
#include <QOpenGLFunctions>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QOpenGLShaderProgram;

namespace hazard_desk {

class GlCloudRenderer : protected QOpenGLFunctions {
public:
    static constexpr int kMaxDiscardedGlErrors = 8;
    static constexpr float kAxesLineWidth = 2.0f;

    struct DrawResult {
        int vertices = 0;
        std::uint64_t bytes = 0;
        int uploadErrors = 0;
    };

    GlCloudRenderer();
    ~GlCloudRenderer();

    // Compiles the shaders and creates the axis buffer; false when the
    // program did not link (the view then only clears).
    bool initialize();
    bool linked() const { return linked_; }
    void bind();
    void release();

    void drawAxes(const QMatrix4x4& mvp, float scale);
    // Uploads entries that need it and draws every entry with vertices. A
    // failed upload drops the entry's buffer and flags until its next build.
    DrawResult drawClouds(const QMatrix4x4& mvp, float pointSize, std::unordered_map<std::string, BuiltCloud>& built);
    void deleteBuffers(std::vector<unsigned int>& buffers);
    // Frees the program and the axis buffer (context current).
    void releaseResources();

private:
    void setVertexLayout();

    std::unique_ptr<QOpenGLShaderProgram> program_;
    bool linked_ = false;
    unsigned int axesBuffer_ = 0;
};

}  // namespace hazard_desk
