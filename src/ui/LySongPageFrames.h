// The four song pages: all songs, one library's songs, the matched songs and the unmatched
// songs with their best matches.
#pragma once

#include "LySongPageFrame.h"

#include <functional>

class TLyAllSongs : public TLySongPage {
    Q_OBJECT
public:
    explicit TLyAllSongs(QWidget* parent = nullptr);
    QAction* ActLoadLibraries() const { return FActLoadLibraries; }
    // Whether the libraries can be loaded now; the project window answers from what it last
    // found on disk. Without a rule the project checks the files each time.
    void SetLoadRule(std::function<bool()> canLoad) { FCanLoad = std::move(canLoad); }
    void UpdateActions() override;

private:
    void LoadLibraries();
    QAction* FActLoadLibraries;
    std::function<bool()> FCanLoad;
};

class TLyLibrarySongs : public TLySongPage {
    Q_OBJECT
public:
    explicit TLyLibrarySongs(QWidget* parent = nullptr);
    int Side() const { return FSide; }
    // The library the page shows: 0 for One, 1 for Two.
    void SetSide(int side);
    QAction* ActExportToITunes() const { return FActExportToITunes; }
    QAction* ActExportToFile() const { return FActExportToFile; }
    void UpdateActions() override;

Q_SIGNALS:
    // The project window exports the page's library.
    void ExportToITunesRequested(int side);
    void ExportToFileRequested(int side);

protected:
    QList<TLyFilterEntry> MakeFilterEntries() const override;

private:
    int FSide = 0;
    QAction* FActExportToITunes;
    QAction* FActExportToFile;
};

class TLyMatchedSongs : public TLySongPage {
    Q_OBJECT
public:
    explicit TLyMatchedSongs(QWidget* parent = nullptr);

protected:
    QList<TLyFilterEntry> MakeFilterEntries() const override;
};

class TLyUnmatchedSongs : public TLySongPage {
    Q_OBJECT
public:
    explicit TLyUnmatchedSongs(QWidget* parent = nullptr);

    TLySongListView* FrmBestMatches() const { return FFrmBestMatches; }
    QMenu* MnuBestMatches() const { return FMnuBestMatches; }
    // Lists the candidates of a single selected song.
    void SelectionChanged(TLySongSelection* selection) override;
    void StoreViewOptions() override;

protected:
    QList<TLyFilterEntry> MakeFilterEntries() const override;
    void ViewChanged() override;
    void RebuildMenus() override;

private:
    TLySongListView* FFrmBestMatches;
    QMenu* FMnuBestMatches;
};
