#pragma once
// Records exchanged with the ZrCameraApi library. Layouts are the library's
// (little-endian, natural alignment); every size and offset is pinned below so
// that a change to a record is a compile error, not a misread frame.

#include <cstddef>
#include <cstdint>

extern "C" {

/// Opaque device handle; 0 means none. Callback frames carry their own
/// frame handle, usable with DcGetPtrValue for that frame's point data.
typedef uint64_t ZrHandle;

// ---------------------------------------------------------------------------
// Statuses. 0 is success; -29 and -28 also count as a delivered frame.
enum ZrStatus : int32_t {
    ZR_STATUS_OK = 0,
    ZR_STATUS_NOT_READY = 2,             ///< feature present but not active (optional reads)
    ZR_STATUS_FAILED = -1,               ///< generic failure
    ZR_STATUS_NOT_SUPPORTED = -2,        ///< id or feature not supported by this camera
    ZR_STATUS_INVALID_ARGUMENT = -3,     ///< null pointer, bad value or malformed text
    ZR_STATUS_UNAVAILABLE = -4,          ///< sensor or data not available (e.g. no colour)
    ZR_STATUS_RECONNECTING = -5,         ///< link lost, the library is reconnecting
    ZR_STATUS_INVALID_HANDLE = -6,       ///< handle not open
    ZR_STATUS_DEVICE_NOT_FOUND = -7,     ///< no camera answers at that address
    ZR_STATUS_DEVICE_BUSY = -8,          ///< camera already opened
    ZR_STATUS_NOT_STREAMING = -9,        ///< stream not started
    ZR_STATUS_TIMEOUT = -10,             ///< no frame within the wait
    ZR_STATUS_FILE_ERROR = -11,          ///< file unreadable or of the wrong format/size
    ZR_STATUS_LIBRARY_NOT_READY = -12,   ///< the library has no valid device set (configuration error)
    ZR_STATUS_REFUSED = -13,             ///< the camera refused the write
    ZR_STATUS_FRAME_DROPPED = -28,       ///< frame delivered, older frames were dropped
    ZR_STATUS_FRAME_INCOMPLETE = -29     ///< frame delivered with a late packet
};

// ---------------------------------------------------------------------------
// Element type codes of image blocks: the low three bits are an OpenCV depth
// code (0 = 8-bit unsigned, 2 = 16-bit unsigned, 5 = 32-bit float).
enum ZrDataType : int32_t {
    ZR_DATA_TYPE_U8 = 0,
    ZR_DATA_TYPE_U16 = 2,
    ZR_DATA_TYPE_F32 = 5
};

/// Type codes of the fourth frame block (algorithm output).
enum ZrFrameType : int32_t {
    ZR_FRAME_TYPE_NONE = 0,
    ZR_FRAME_TYPE_ALGORITHM_V1 = 16,
    ZR_FRAME_TYPE_ALGORITHM_V2 = 19
};

/// Lens model field of ZrIntrinsicParameters.
enum ZrLensModel : int32_t {
    ZR_LENS_PINHOLE = 0,
    ZR_LENS_FISHEYE = 15
};

/// Special-control command names of DcSpecialControl (data: pointer to int32_t).
#define ZR_SPECIAL_SET_OBSTACLE_MODE "SetObstacleMode"
#define ZR_SPECIAL_GET_OBSTACLE_INDEX "GetObstacleIndex"
#define ZR_SPECIAL_GET_OBSTACLE_IO "GetObstacleIO"

// ---------------------------------------------------------------------------
/// One camera as listed by DcGetDeviceList or filled by DcOpenDevice: 496 bytes.
/// Texts are zero-terminated within their field (may fill it without a zero).
struct ZrDeviceInfo {
    uint64_t handle;            ///<   0 discovery/device handle
    int32_t deviceType;         ///<   8 SDK device type code (e.g. 1005)
    char id[32];                ///<  12
    char ip[32];                ///<  44
    char serial[32];            ///<  76
    char extra1[32];            ///< 108 carried, not interpreted (MAC text)
    char firmware[32];          ///< 140 firmware / device version
    char algorithmVersion[32];  ///< 172
    char name[32];              ///< 204
    char extra2[32];            ///< 236 carried, not interpreted
    char extra3[220];           ///< 268 carried, not interpreted
    int32_t maxDepthMm;         ///< 488 depth range of the camera in mm; 0 when the library does not say
    int32_t colorSensor;        ///< 492 ZrColorSensor: whether the camera has a colour sensor
};

/// colorSensor of a device record.
enum ZrColorSensor : int32_t {
    ZR_COLOR_SENSOR_UNKNOWN = 0,   ///< the library does not say
    ZR_COLOR_SENSOR_NONE = 1,
    ZR_COLOR_SENSOR_PRESENT = 2
};

/// Value record of DcGetIntValue: 32 bytes.
struct ZrIntValue {
    int32_t kind;     ///<  0 library use
    int32_t current;  ///<  4
    int32_t maximum;  ///<  8
    int32_t minimum;  ///< 12
    int32_t step;     ///< 16
    int32_t reserved[3];
};

/// Value record of DcGetFloatValue: 32 bytes.
struct ZrFloatValue {
    int32_t kind;     ///<  0 library use
    float current;    ///<  4
    float maximum;    ///<  8
    float minimum;    ///< 12
    float step;       ///< 16
    int32_t reserved[3];
};

/// One image block of a frame: 40 bytes.
struct ZrFrameBlock {
    int32_t type;                ///<  0 element type code (ZrDataType) or ZrFrameType for block 4
    int32_t width;               ///<  4
    int32_t height;              ///<  8
    int32_t channels;            ///< 12
    void* data;                  ///< 16 library-owned, valid until the next frame
    uint64_t sensorTimestamp;    ///< 24 ms, us or ns since 1970
    uint64_t receiveTimestamp;   ///< 32 ms, us or ns since 1970 (0 = unset)
};

enum ZrFrameBlockIndex : int32_t {
    ZR_BLOCK_DEPTH = 0,
    ZR_BLOCK_AMPLITUDE = 1,
    ZR_BLOCK_COLOR = 2,
    ZR_BLOCK_ALGORITHM = 3
};

/// Frame data record (ZR_PTR_FRAME_DATA, frame callback): 176 bytes.
struct ZrFrameData {
    int32_t status;              ///<   0 0, -29 and -28 are good frames
    int32_t reserved0;           ///<   4
    uint64_t frameHandle;        ///<   8 handle for DcGetPtrValue of this frame
    ZrFrameBlock blocks[4];      ///<  16 depth, 56 amplitude, 96 colour, 136 algorithm
};

/// Algorithm output record (ZR_PTR_ALGORITHM_OUTPUT and frame block 4): 48 bytes.
struct ZrAlgorithmOutput {
    int32_t state;               ///<  0 0 = running normally
    int32_t ioStatus;            ///<  4 0 safe, 1 warning, 2 stop
    int32_t zoneIndex;           ///<  8 template evaluated
    int32_t reserved[5];         ///< 12
    int32_t boxCount;            ///< 32
    int32_t reserved1;           ///< 36
    void* boxes;                 ///< 40 ZrObstacleBoxV1[] or ZrObstacleBoxV2[]
};

/// V1 box entry: stride 120 bytes. Centre and full extents, vehicle frame, mm.
struct ZrObstacleBoxV1 {
    int32_t id;                  ///<  0
    int32_t pointCount;          ///<  4
    float reserved[12];          ///<  8
    float width;                 ///< 56 extent along X
    float height;                ///< 60 extent along Y
    float depth;                 ///< 64 extent along Z
    float x;                     ///< 68 centre
    float y;                     ///< 72
    float z;                     ///< 76
    int32_t typeIndex;           ///< 80 zone level: 0 danger, 1 warning, 2 notify
    uint8_t reserved1[36];       ///< 84
};

/// V2 box entry: stride 1688 bytes; the V1 fields plus a UTF-8 name.
struct ZrObstacleBoxV2 {
    int32_t id;                  ///<   0
    int32_t pointCount;          ///<   4
    float reserved[12];          ///<   8
    float width;                 ///<  56
    float height;                ///<  60
    float depth;                 ///<  64
    float x;                     ///<  68
    float y;                     ///<  72
    float z;                     ///<  76
    int32_t typeIndex;           ///<  80
    uint8_t reserved1[60];       ///<  84
    int32_t nameLength;          ///< 144
    char name[512];              ///< 148 not necessarily zero-terminated
    uint8_t reserved2[1028];     ///< 660
};

/// Intrinsics block of ZR_PTR_3D_INTRIC_PARAM / ZR_PTR_3D_NEW_INTRIC_PARAM and
/// their 2D counterparts: nine floats.
struct ZrIntrinsicsBlock {
    float fx, fy, cx, cy;
    float distortion[5];         ///< k1, k2, p1, p2, k3 (fisheye: k1..k4, 0)
};

/// Pinhole block of ZR_PTR_3D_PINHOLE_PARAM: fx, fy, cx, cy, d0..d13 (floats).
struct ZrPinholeBlock {
    float fx, fy, cx, cy;
    float distortion[14];        ///< OpenCV order k1 k2 p1 p2 k3 k4 k5 k6 s1 s2 s3 s4 tx ty
};

/// Model record of ZR_PTR_3D_INTRINSIC_PARAMETERS / ZR_PTR_2D_INTRINSIC_PARAMETERS: 64 bytes.
struct ZrIntrinsicParameters {
    int32_t width;               ///<  0 native width
    int32_t height;              ///<  4 native height
    float fx;                    ///<  8
    float fy;                    ///< 12
    float cx;                    ///< 16
    float cy;                    ///< 20
    float distortion[5];         ///< 24
    int32_t lensModel;           ///< 44 ZrLensModel (15 = fisheye)
    int32_t reserved[4];         ///< 48
};

/// File list of DcUpLoadFiles: narrow (UTF-8) paths.
struct ZrFileList {
    const char* const* paths;
    int32_t count;
};

/// Frame callback: runs on a library thread; the record is valid during the call only.
typedef void (*ZrFrameCallback)(const ZrFrameData* frame, void* user);

}  // extern "C"

// --- layout checks ----------------------------------------------------------
static_assert(sizeof(void*) == 8, "the SDK records assume 64-bit pointers");
static_assert(sizeof(ZrDeviceInfo) == 496, "device record is 496 bytes");
static_assert(offsetof(ZrDeviceInfo, handle) == 0, "device record layout");
static_assert(offsetof(ZrDeviceInfo, deviceType) == 8, "device record layout");
static_assert(offsetof(ZrDeviceInfo, id) == 12, "device record layout");
static_assert(offsetof(ZrDeviceInfo, ip) == 44, "device record layout");
static_assert(offsetof(ZrDeviceInfo, maxDepthMm) == 488, "device record layout");
static_assert(offsetof(ZrDeviceInfo, colorSensor) == 492, "device record layout");
static_assert(offsetof(ZrDeviceInfo, serial) == 76, "device record layout");
static_assert(offsetof(ZrDeviceInfo, extra1) == 108, "device record layout");
static_assert(offsetof(ZrDeviceInfo, firmware) == 140, "device record layout");
static_assert(offsetof(ZrDeviceInfo, algorithmVersion) == 172, "device record layout");
static_assert(offsetof(ZrDeviceInfo, name) == 204, "device record layout");
static_assert(offsetof(ZrDeviceInfo, extra2) == 236, "device record layout");
static_assert(offsetof(ZrDeviceInfo, extra3) == 268, "device record layout");

static_assert(sizeof(ZrIntValue) == 32, "value record is 32 bytes");
static_assert(offsetof(ZrIntValue, current) == 4, "value record layout");
static_assert(offsetof(ZrIntValue, maximum) == 8, "value record layout");
static_assert(offsetof(ZrIntValue, minimum) == 12, "value record layout");
static_assert(sizeof(ZrFloatValue) == 32, "value record is 32 bytes");
static_assert(offsetof(ZrFloatValue, current) == 4, "value record layout");
static_assert(offsetof(ZrFloatValue, maximum) == 8, "value record layout");
static_assert(offsetof(ZrFloatValue, minimum) == 12, "value record layout");

static_assert(sizeof(ZrFrameBlock) == 40, "frame block is 40 bytes");
static_assert(offsetof(ZrFrameBlock, type) == 0, "frame block layout");
static_assert(offsetof(ZrFrameBlock, width) == 4, "frame block layout");
static_assert(offsetof(ZrFrameBlock, height) == 8, "frame block layout");
static_assert(offsetof(ZrFrameBlock, channels) == 12, "frame block layout");
static_assert(offsetof(ZrFrameBlock, data) == 16, "frame block layout");
static_assert(offsetof(ZrFrameBlock, sensorTimestamp) == 24, "frame block layout");
static_assert(offsetof(ZrFrameBlock, receiveTimestamp) == 32, "frame block layout");

static_assert(sizeof(ZrFrameData) == 176, "frame data record is 176 bytes");
static_assert(offsetof(ZrFrameData, status) == 0, "frame data layout");
static_assert(offsetof(ZrFrameData, frameHandle) == 8, "frame data layout");
static_assert(offsetof(ZrFrameData, blocks) == 16, "frame data layout");
static_assert(offsetof(ZrFrameData, blocks) + 1 * sizeof(ZrFrameBlock) == 56, "amplitude block at 56");
static_assert(offsetof(ZrFrameData, blocks) + 2 * sizeof(ZrFrameBlock) == 96, "colour block at 96");
static_assert(offsetof(ZrFrameData, blocks) + 3 * sizeof(ZrFrameBlock) == 136, "algorithm block at 136");
static_assert(offsetof(ZrFrameData, blocks) + 3 * sizeof(ZrFrameBlock) + offsetof(ZrFrameBlock, data) == 152,
              "algorithm data pointer at 152");

static_assert(sizeof(ZrAlgorithmOutput) == 48, "algorithm output record is 48 bytes");
static_assert(offsetof(ZrAlgorithmOutput, state) == 0, "algorithm output layout");
static_assert(offsetof(ZrAlgorithmOutput, boxCount) == 32, "algorithm output layout");
static_assert(offsetof(ZrAlgorithmOutput, boxes) == 40, "algorithm output layout");

static_assert(sizeof(ZrObstacleBoxV1) == 120, "V1 box stride is 120");
static_assert(offsetof(ZrObstacleBoxV1, width) == 56, "V1 box layout");
static_assert(offsetof(ZrObstacleBoxV1, height) == 60, "V1 box layout");
static_assert(offsetof(ZrObstacleBoxV1, depth) == 64, "V1 box layout");
static_assert(offsetof(ZrObstacleBoxV1, x) == 68, "V1 box layout");
static_assert(offsetof(ZrObstacleBoxV1, y) == 72, "V1 box layout");
static_assert(offsetof(ZrObstacleBoxV1, z) == 76, "V1 box layout");
static_assert(offsetof(ZrObstacleBoxV1, typeIndex) == 80, "V1 box layout");

static_assert(sizeof(ZrObstacleBoxV2) == 1688, "V2 box stride is 1688");
static_assert(offsetof(ZrObstacleBoxV2, width) == 56, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, height) == 60, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, depth) == 64, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, x) == 68, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, y) == 72, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, z) == 76, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, typeIndex) == 80, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, nameLength) == 144, "V2 box layout");
static_assert(offsetof(ZrObstacleBoxV2, name) == 148, "V2 box layout");

static_assert(sizeof(ZrIntrinsicsBlock) == 36, "intrinsics block is nine floats");
static_assert(sizeof(ZrPinholeBlock) == 72, "pinhole block is eighteen floats");
static_assert(sizeof(ZrIntrinsicParameters) == 64, "intrinsic parameter record is 64 bytes");
static_assert(offsetof(ZrIntrinsicParameters, lensModel) == 44, "lens model at byte 44");
