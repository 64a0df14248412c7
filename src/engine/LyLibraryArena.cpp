#include "LyLibraryArena.h"

#include "LyProcess.h"

#include <pugixml.hpp>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;
// Compact nodes take about half a byte per byte of a typical library; the rest of the reserve is
// address space only (never touched) for unusual files with many small elements. Past it, nodes
// come from the heap.
constexpr size_t kNodesPerTextByte = 8;
constexpr size_t kNodesExtra = 64 * 1024 * 1024;

size_t RoundUp(size_t value, size_t unit) {
    return (value + unit - 1) / unit * unit;
}

// The node spaces of the arenas alive now. pugixml frees every page through the hook, so the
// hook must tell pages of an arena (freed with the arena) from pages of the heap.
std::mutex gRegionsLock;
std::vector<std::pair<const char*, const char*>> gRegions;
std::atomic<int> gRegionCount{0};

bool InRegion(const void* pointer) {
    if (gRegionCount.load(std::memory_order_acquire) == 0)
        return false;
    const auto* p = static_cast<const char*>(pointer);
    std::lock_guard lock(gRegionsLock);
    return std::any_of(gRegions.begin(), gRegions.end(),
                       [p](const auto& region) { return p >= region.first && p < region.second; });
}

struct TParseContext {
    TLyProcess* Process = nullptr;
    TLyDocumentArena* Arena = nullptr;
    bool Cancelled = false;
};

thread_local TParseContext tParse;

void* AllocateNodes(size_t size) {
    if (tParse.Process && !tParse.Cancelled) {
        try {
            tParse.Process->CheckCancelled();
        } catch (const ELyProcessCancelled&) {
            tParse.Cancelled = true;
        }
    }
    if (tParse.Cancelled)
        return nullptr;
    if (tParse.Arena)
        if (void* nodes = tParse.Arena->TakeNodes(size))
            return nodes;
    return std::malloc(size);
}

void FreeNodes(void* pointer) {
    if (!InRegion(pointer))
        std::free(pointer);
}

// Memory taken from the heap before the hook was installed is freed by it like its own.
void InstallHook() {
    static std::once_flag installed;
    std::call_once(installed,
                   [] { pugi::set_memory_management_functions(AllocateNodes, FreeNodes); });
}

} // namespace

TLyDocumentArena::TLyDocumentArena(qint64 textSize) {
    InstallHook();
    const size_t text = RoundUp(size_t(std::max<qint64>(textSize, 1)), kHugePage);
#ifdef __linux__
    const size_t nodes = RoundUp(text * kNodesPerTextByte + kNodesExtra, kHugePage);
    void* region = mmap(nullptr, text + nodes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (region != MAP_FAILED) {
        madvise(region, text + nodes, MADV_HUGEPAGE); // a hint: without it, 4 KB pages serve
        FRegion = static_cast<char*>(region);
        FRegionSize = text + nodes;
        FText = FRegion;
        FNodes = FRegion + text;
        FNodesSize = nodes;
        std::lock_guard lock(gRegionsLock);
        gRegions.emplace_back(FNodes, FNodes + FNodesSize);
        gRegionCount.store(int(gRegions.size()), std::memory_order_release);
        return;
    }
#endif
    FText = new char[text];
}

TLyDocumentArena::~TLyDocumentArena() {
    if (!FRegion) {
        delete[] FText;
        return;
    }
    {
        std::lock_guard lock(gRegionsLock);
        gRegions.erase(std::find(gRegions.begin(), gRegions.end(),
                                 std::pair<const char*, const char*>(FNodes, FNodes + FNodesSize)));
        gRegionCount.store(int(gRegions.size()), std::memory_order_release);
    }
#ifdef __linux__
    munmap(FRegion, FRegionSize);
#endif
}

void* TLyDocumentArena::TakeNodes(size_t size) {
    const size_t rounded = RoundUp(size, 64);
    if (!FNodes || FNodesSize - FNodesUsed < rounded)
        return nullptr;
    void* nodes = FNodes + FNodesUsed;
    FNodesUsed += rounded;
    return nodes;
}

void TLyDocumentArena::Trim() {
#ifdef __linux__
    if (!FRegion)
        return;
    // The registered range stays as it is: no page of the unmapped tail was handed out.
    const size_t keep = RoundUp(FNodesUsed, kHugePage);
    if (keep < FNodesSize) {
        munmap(FNodes + keep, FNodesSize - keep);
        FRegionSize = size_t(FNodes + keep - FRegion);
        FNodesUsed = FNodesSize; // nothing more is taken from the arena
    }
#endif
}

TLyParseScope::TLyParseScope(TLyProcess* process, TLyDocumentArena* arena) {
    InstallHook();
    tParse = {process, arena, false};
}

TLyParseScope::~TLyParseScope() {
    tParse = {};
}

bool TLyParseScope::Cancelled() const {
    return tParse.Cancelled;
}

void LyInstallLibraryAllocator() {
    InstallHook();
}
