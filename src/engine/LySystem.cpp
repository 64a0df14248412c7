#include "LySystem.h"

#include "ArDebugLog.h"
#include "ArMessageLog.h"
#include "LyLibraryArena.h"
#include "LyUtils.h"
#include "VxSettingsXML.h"
#include "VxThreads.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef LY_USE_MIMALLOC
#include <mimalloc.h>
#endif

TLySystem::TLySystem()
    : FOptions(std::make_unique<TLyOptions>()) {
    try {
        FOptions->Load();
    } catch (const EVxSettingsException& error) {
        // Well-formed, but with a value the preferences cannot take: the program must still
        // start. The file is kept for the user, as an unreadable one is, and the defaults hold.
        VxSetAsideSettingsFile(FOptions->GetFileName(), error);
        FOptions = std::make_unique<TLyOptions>();
    }
}

TLySystem::~TLySystem() {
    if (FClosed)
        return;
    try {
        Close();
    } catch (const std::exception& error) {
        LogMessage(QString::fromUtf8(error.what()), QStringLiteral("System"), mtError);
    }
}

void TLySystem::Close() {
    if (FClosed)
        return;
    FClosed = true;
    FOptions->Store();
}

void TLySystem::AddListener(ILySystemListener* listener) {
    {
        std::lock_guard lock(FListenersLock);
        FListeners.append(listener);
    }
    listener->SystemChanged(this);
}

void TLySystem::RemoveListener(ILySystemListener* listener) {
    std::lock_guard lock(FListenersLock);
    FListeners.removeOne(listener);
}

void TLySystem::DoChanged() {
    QList<ILySystemListener*> listeners;
    {
        std::lock_guard lock(FListenersLock);
        listeners = FListeners;
    }
    for (ILySystemListener* listener : listeners)
        listener->SystemChanged(this);
}

namespace {

// Loading and matching a library allocate and free hundreds of megabytes in many small and
// mid-sized blocks. Faulting fresh memory in is what costs most on virtual machines, 4 KB at a
// time: mimalloc (when the build uses it) takes memory in 2 MB pages. Either allocator keeps
// freed memory for the next run instead of handing it back and faulting it in again.
void TuneAllocator() {
#ifdef LY_USE_MIMALLOC
    mi_option_enable(mi_option_large_os_pages);
    mi_option_disable(mi_option_allow_decommit);
#endif
#ifdef __GLIBC__
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TOP_PAD, 64 * 1024 * 1024);
#endif
}

} // namespace

void LySystemStartup() {
    TuneAllocator();
    LyInstallLibraryAllocator(); // before any thread uses the XML library
    ArMessageLogStartup();
    ArDebugOutputInstall();
    auto* writeLine = new TArWriteLnMessageLog(QString());
    writeLine->SetLineSink(&ArDebugWriteLine);
    GlobalMessageLog()->Add(writeLine, true);
    VxThreadsStartup();
    RegisterLyTypes();
    RegisterLyOptionClasses();
    LyFileStatusStartup();
}

void LySystemShutdown() {
    LyFileStatusShutdown();
    VxThreadsShutdown();
    ArDebugOutputUninstall();
    ArMessageLogShutdown();
}
