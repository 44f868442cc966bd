#include "SimScene.h"

#include <cmath>
#include <set>

#include "RecordingPlayer.h"

namespace zrsim {

namespace {

using nlohmann::json;

class SceneReader {
public:
    explicit SceneReader(std::string& error) : error_(error) {}

    bool fail(const std::string& path, const std::string& what) {
        error_ = "scene " + path + ": " + what;
        return false;
    }

    bool number(const json& obj, const char* key, const std::string& path, double& out, bool required = false) {
        if (!obj.contains(key) || obj[key].is_null()) {
            return required ? fail(path + "." + key, "missing required number") : true;
        }
        const json& v = obj[key];
        if (!v.is_number() || !std::isfinite(v.get<double>())) {
            return fail(path + "." + key, "must be a finite number, got " + v.dump());
        }
        out = v.get<double>();
        return true;
    }

    bool integer(const json& obj, const char* key, const std::string& path, int& out, int lo, int hi,
                 bool required = false) {
        if (!obj.contains(key) || obj[key].is_null()) {
            return required ? fail(path + "." + key, "missing required integer") : true;
        }
        const json& v = obj[key];
        if (!v.is_number_integer()) return fail(path + "." + key, "must be an integer, got " + v.dump());
        const auto n = v.get<int64_t>();
        if (n < lo || n > hi) {
            return fail(path + "." + key, "must be within " + std::to_string(lo) + ".." + std::to_string(hi) +
                                               ", got " + v.dump());
        }
        out = static_cast<int>(n);
        return true;
    }

    bool text(const json& obj, const char* key, const std::string& path, std::string& out, bool required = false) {
        if (!obj.contains(key) || obj[key].is_null()) {
            return required ? fail(path + "." + key, "missing required text") : true;
        }
        if (!obj[key].is_string()) return fail(path + "." + key, "must be a string, got " + obj[key].dump());
        out = obj[key].get<std::string>();
        if (out.size() >= 32) return fail(path + "." + key, "must be shorter than 32 bytes: '" + out + "'");
        return true;
    }

    bool boolean(const json& obj, const char* key, const std::string& path, bool& out) {
        if (!obj.contains(key) || obj[key].is_null()) return true;
        if (!obj[key].is_boolean()) return fail(path + "." + key, "must be a boolean, got " + obj[key].dump());
        out = obj[key].get<bool>();
        return true;
    }

    bool object(const json& obj, const char* key, const std::string& path) {
        if (!obj[key].is_object()) return fail(path + "." + key, "must be an object, got " + obj[key].dump());
        return true;
    }

    bool depth(const json& d, const std::string& path, DepthSensorSpec& s) {
        if (!integer(d, "width", path, s.width, 1, 4096) || !integer(d, "height", path, s.height, 1, 4096)) {
            return false;
        }
        s.cx = (s.width - 1) / 2.0;
        s.cy = (s.height - 1) / 2.0;
        if (!number(d, "fx", path, s.fx) || !number(d, "fy", path, s.fy) || !number(d, "cx", path, s.cx) ||
            !number(d, "cy", path, s.cy)) {
            return false;
        }
        if (s.fx <= 0.0 || s.fy <= 0.0) return fail(path, "fx and fy must be positive");
        if (d.contains("distortion") && !d["distortion"].is_null()) {
            const json& dist = d["distortion"];
            if (!dist.is_array() || dist.size() != 5) {
                return fail(path + ".distortion", "must be an array of 5 numbers, got " + dist.dump());
            }
            for (size_t i = 0; i < 5; ++i) {
                if (!dist[i].is_number() || !std::isfinite(dist[i].get<double>())) {
                    return fail(path + ".distortion[" + std::to_string(i) + "]", "must be a finite number");
                }
                s.distortion[i] = dist[i].get<double>();
            }
        }
        return boolean(d, "fisheye", path, s.fisheye) &&
               integer(d, "maxDepthMm", path, s.maxDepthMm, 100, 65535) && integer(d, "fps", path, s.fps, 1, 120);
    }

    bool io(const json& o, const std::string& path, IoSpec& s) {
        if (!integer(o, "inputs", path, s.inputs, 0, 31) || !integer(o, "outputs", path, s.outputs, 0, 31) ||
            !integer(o, "hardwareMode", path, s.hardwareMode, 0, 1)) {
            return false;
        }
        if (o.contains("inputLevels") && !o["inputLevels"].is_null()) {
            const json& levels = o["inputLevels"];
            if (!levels.is_array() || levels.size() > static_cast<size_t>(s.inputs)) {
                return fail(path + ".inputLevels", "must be an array of at most 'inputs' levels 0/1");
            }
            for (const json& l : levels) {
                if (!l.is_number_integer() || (l.get<int>() != 0 && l.get<int>() != 1)) {
                    return fail(path + ".inputLevels", "levels must be 0 or 1, got " + l.dump());
                }
                s.inputLevels.push_back(l.get<int>());
            }
        }
        return true;
    }

    bool camera(const json& c, const std::string& path, CameraSetup& s) {
        if (!c.is_object()) return fail(path, "must be an object");
        if (!text(c, "ip", path, s.ip, true)) return false;
        if (s.ip.rfind("127.", 0) != 0) return fail(path + ".ip", "must be a loopback address, got '" + s.ip + "'");
        s.id = s.ip;
        s.name = "Virtual camera";
        s.serial = "SIM-" + s.ip;
        if (c.contains("recording") && !c["recording"].is_null()) {
            // The recording completes the camera; what the scene says besides still applies.
            if (!c["recording"].is_string()) return fail(path + ".recording", "must be a file name");
            std::string recordingError;
            if (!setupFromRecording(c["recording"].get<std::string>(), s, recordingError)) {
                return fail(path + ".recording", recordingError);
            }
        }
        if (!text(c, "id", path, s.id) || !text(c, "serial", path, s.serial) || !text(c, "name", path, s.name) ||
            !integer(c, "deviceType", path, s.deviceType, 0, 99999) || !text(c, "firmware", path, s.firmware) ||
            !text(c, "algorithmVersion", path, s.algorithmVersion)) {
            return false;
        }
        if (c.contains("depth") && !c["depth"].is_null()) {
            if (!object(c, "depth", path) || !depth(c["depth"], path + ".depth", s.depth)) return false;
        }
        if (c.contains("color") && !c["color"].is_null()) {
            if (!object(c, "color", path)) return false;
            ColorSensorSpec color;
            if (!integer(c["color"], "width", path + ".color", color.width, 1, 4096) ||
                !integer(c["color"], "height", path + ".color", color.height, 1, 4096)) {
                return false;
            }
            s.color = color;
        }
        if (c.contains("mount") && !c["mount"].is_null()) {
            if (!object(c, "mount", path)) return false;
            const json& m = c["mount"];
            const std::string mp = path + ".mount";
            if (!number(m, "roll", mp, s.mount.roll) || !number(m, "pitch", mp, s.mount.pitch) ||
                !number(m, "yaw", mp, s.mount.yaw) || !number(m, "x", mp, s.mount.x) ||
                !number(m, "y", mp, s.mount.y) || !number(m, "z", mp, s.mount.z)) {
                return false;
            }
        }
        if (!number(c, "noiseMm", path, s.noiseMm)) return false;
        if (s.noiseMm < 0.0) return fail(path + ".noiseMm", "must not be negative");
        int seed = 1;
        if (!integer(c, "seed", path, seed, 0, INT32_MAX)) return false;
        s.seed = static_cast<uint32_t>(seed);
        if (c.contains("algorithmMode") && !c["algorithmMode"].is_null()) {
            int mode = 0;
            if (!integer(c, "algorithmMode", path, mode, 0, 4)) return false;
            if (mode != 0 && mode != 1 && mode != 4) return fail(path + ".algorithmMode", "must be 0, 1 or 4");
            s.algorithmMode = mode;
        }
        if (c.contains("algorithmParams") && !c["algorithmParams"].is_null()) {
            if (!object(c, "algorithmParams", path)) return false;
            s.algorithmParams = c["algorithmParams"];
        }
        if (c.contains("io") && !c["io"].is_null()) {
            if (!object(c, "io", path) || !io(c["io"], path + ".io", s.io)) return false;
        }
        if (c.contains("imageDir") && !c["imageDir"].is_null()) {
            if (!c["imageDir"].is_string()) return fail(path + ".imageDir", "must be a string");
            s.imageDir = c["imageDir"].get<std::string>();
        }
        if (c.contains("faults") && !c["faults"].is_null()) {
            std::string faultError;
            if (!mergeFaults(c["faults"], s.faults, faultError)) return fail(path + ".faults", faultError);
        }
        return true;
    }

    bool sceneObject(const json& o, const std::string& path, SceneObject& s) {
        if (!o.is_object()) return fail(path, "must be an object");
        if (o.contains("label") && !o["label"].is_null()) {
            if (!o["label"].is_string()) return fail(path + ".label", "must be a string");
            s.label = o["label"].get<std::string>();
        }
        static const char* const kMin[3] = {"minX", "minY", "minZ"};
        static const char* const kMax[3] = {"maxX", "maxY", "maxZ"};
        for (int a = 0; a < 3; ++a) {
            if (!number(o, kMin[a], path, s.min[a], true) || !number(o, kMax[a], path, s.max[a], true)) return false;
            if (s.min[a] >= s.max[a]) {
                return fail(path, std::string(kMin[a]) + " must be below " + kMax[a] + " (" +
                                      std::to_string(s.min[a]) + " >= " + std::to_string(s.max[a]) + ")");
            }
        }
        if (o.contains("motion") && !o["motion"].is_null()) {
            const json& m = o["motion"];
            const std::string mp = path + ".motion";
            if (!m.is_object()) return fail(mp, "must be an object");
            MotionSpec motion;
            std::string axis = "x";
            if (m.contains("axis")) {
                if (!m["axis"].is_string()) return fail(mp + ".axis", "must be \"x\", \"y\" or \"z\"");
                axis = m["axis"].get<std::string>();
            }
            if (axis != "x" && axis != "y" && axis != "z") {
                return fail(mp + ".axis", "must be \"x\", \"y\" or \"z\", got '" + axis + "'");
            }
            motion.axis = axis[0] - 'x';
            if (!number(m, "amplitudeMm", mp, motion.amplitudeMm) || !number(m, "periodS", mp, motion.periodS)) {
                return false;
            }
            if (motion.periodS <= 0.0) return fail(mp + ".periodS", "must be positive");
            s.motion = motion;
        }
        return true;
    }

private:
    std::string& error_;
};

}  // namespace

bool parseScene(const std::string& text, Scene& scene, std::string& error) {
    const json root = json::parse(text, nullptr, false);
    SceneReader reader(error);
    if (root.is_discarded()) return reader.fail("$", "is not valid JSON");
    if (!root.is_object()) return reader.fail("$", "must be a JSON object");
    if (!root.contains("cameras") || !root["cameras"].is_array()) {
        return reader.fail("$.cameras", "must be an array of cameras");
    }
    scene = Scene{};
    std::set<std::string> ips;
    for (size_t i = 0; i < root["cameras"].size(); ++i) {
        CameraSetup setup;
        const std::string path = "$.cameras[" + std::to_string(i) + "]";
        if (!reader.camera(root["cameras"][i], path, setup)) return false;
        if (!ips.insert(setup.ip).second) return reader.fail(path + ".ip", "duplicate address '" + setup.ip + "'");
        scene.cameras.push_back(std::move(setup));
    }
    if (root.contains("objects") && !root["objects"].is_null()) {
        if (!root["objects"].is_array()) return reader.fail("$.objects", "must be an array");
        for (size_t i = 0; i < root["objects"].size(); ++i) {
            SceneObject object;
            if (!reader.sceneObject(root["objects"][i], "$.objects[" + std::to_string(i) + "]", object)) return false;
            scene.objects.push_back(std::move(object));
        }
    }
    return true;
}

}  // namespace zrsim
