// Memory of a loaded library document, and the hook through which a parse allocates its nodes.
//
// A library of 160 MB becomes about 400 MB of nodes, and touching that much fresh memory in
// 4 KB pages costs more than parsing it. The arena reserves one region for the file's text and
// the nodes and asks for huge pages, which cuts the page faults about five hundred times.
#pragma once

#include <QtGlobal>

class TLyProcess;

class TLyDocumentArena {
public:
    // Reserves room for `textSize` bytes of text and the nodes parsed from them.
    explicit TLyDocumentArena(qint64 textSize);
    ~TLyDocumentArena();
    TLyDocumentArena(const TLyDocumentArena&) = delete;
    TLyDocumentArena& operator=(const TLyDocumentArena&) = delete;

    // Room for the file's text, `textSize` bytes.
    char* Text() const { return FText; }
    // A piece of the node space for the allocation hook, or null when it is used up.
    void* TakeNodes(size_t size);
    // Gives back the reserved node space that the parse did not use.
    void Trim();

private:
    char* FRegion = nullptr; // text, then nodes; null when the system offers no mapping
    size_t FRegionSize = 0;
    char* FText = nullptr;
    char* FNodes = nullptr;
    size_t FNodesUsed = 0;
    size_t FNodesSize = 0;
};

// While it lives, the parses of this thread take their nodes from `arena` (when given) and
// stop with "out of memory" at the first allocation after `process` (when given) is asked to
// cancel. pugixml has no progress callback for parsing, and it allocates a page for about every
// 12 KB of input, so its allocations are where a parse can notice a cancel request.
class TLyParseScope {
public:
    TLyParseScope(TLyProcess* process, TLyDocumentArena* arena);
    ~TLyParseScope();
    TLyParseScope(const TLyParseScope&) = delete;
    TLyParseScope& operator=(const TLyParseScope&) = delete;

    // Whether the parse was stopped for a cancel request.
    bool Cancelled() const;
};

// Installs the parse allocation hook now. Call it at start-up, before any thread uses the XML
// library: the hook is process-wide, and installing it while another thread parses is a race.
void LyInstallLibraryAllocator();
