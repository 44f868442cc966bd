#pragma once
// Memory policy for a process that streams camera frames. Every frame brings
// buffers of several megabytes (clouds, display images, vertex arrays) that
// live for about one frame. By default the C library hands such blocks back
// to the system when they are freed, so the next frame faults every page in
// again - on a virtual machine that costs more than converting the frame.
// Frames also cross threads (made on the worker's, dropped on the window's),
// and per-thread heaps hand a whole emptied heap back to the system however
// the thresholds are set. apply() keeps such blocks in one heap, for reuse.
// Call once at start-up, before the first camera is opened; it only changes
// how freed memory is recycled.
namespace hazard_desk {

class FrameHeapPolicy {
public:
    // Blocks below this size come from the heap instead of fresh mappings
    // (a 640x480 cloud is about 10 MB).
    static constexpr int kLargestHeapBlockBytes = 32 * 1024 * 1024;
    // Freed memory kept for reuse before any is returned to the system.
    static constexpr int kKeptFreeBytes = 256 * 1024 * 1024;
    // One heap for all threads; the workstation's threads allocate a few
    // large blocks per frame, not many small ones, so they hardly contend.
    static constexpr int kHeaps = 1;

    // True when the policy was applied (on platforms without the knobs
    // there is nothing to do and false is returned).
    static bool apply();
};

}  // namespace hazard_desk
