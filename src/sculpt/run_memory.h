// RunMemory: while a sculpting run is in progress, the memory its stages free
// stays with the process for the next stage to reuse, instead of going back
// to the system at once (from where the next stage would get it back only
// page by page, each page cleared again), and the heap the run grows into
// asks for large pages (core/large_pages.h). When the last run in progress
// ends, the free memory goes back to the system.
#pragma once

class RunMemory {
public:
    RunMemory();
    ~RunMemory();
    RunMemory(const RunMemory&) = delete;
    RunMemory& operator=(const RunMemory&) = delete;
};
