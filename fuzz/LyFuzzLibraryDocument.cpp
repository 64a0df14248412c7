#include "LyFuzzSupport.h"
#include "LyFuzzTargets.h"

#include "ArDateTime.h"
#include "LyLibraryFile.h"
#include "LyOptions.h"
#include "LyTypes.h"

#include <QDir>

#include <vector>

namespace {

// Changes every song so that writing back both replaces values and appends missing keys.
void ChangeAndWriteBack(const TLySongPropertiesMap& map) {
    std::vector<TLySongProperties*> songs;
    map.Iterate([&songs](const QString&, TLySongProperties* properties) {
        songs.push_back(properties);
        return true;
    });
    for (TLySongProperties* properties : songs) {
        if (!properties->Node())
            continue;
        properties->SetArtist(properties->Artist() + QStringLiteral(" & <Co>"));
        properties->SetGenre(properties->Genre().isEmpty() ? QStringLiteral("\t") : QString());
        properties->SetRating(properties->Rating() > 0 ? 0 : 60);
        properties->SetPlayCount(properties->PlayCount() / 2 + 1);
        properties->SetLastPlayed(EncodeDateTime(2006, 2, 18, 20, 37, 11, 0));
        WriteToDictionary(*properties);
    }
}

std::unique_ptr<TLySongPropertiesMap> Read(TLyLibraryDocument& document) {
    TLyLibraryOptions library;
    const TLyCompareOptions options;
    return ReadLibrary(document, library, options, nullptr, nullptr);
}

} // namespace

void LyFuzzLibraryDocument(const uint8_t* data, size_t size) {
    LyFuzzClearScratch();
    const QString input = LyFuzzWriteInput(QStringLiteral("library.xml"), data, size);
    std::unique_ptr<TLyLibraryDocument> document;
    std::unique_ptr<TLySongPropertiesMap> map;
    try {
        document = LoadLibraryDocument(input, nullptr, nullptr);
        map = Read(*document);
    } catch (const ELyProjectError& error) {
        LY_FUZZ_CHECK(error.Message().contains(input), error.Message());
        return;
    }
    ChangeAndWriteBack(*map);
    const QString output = QDir(LyFuzzScratchFolder()).filePath(QStringLiteral("saved.xml"));
    try {
        SaveLibraryDocument(*document, output, nullptr, nullptr, qint64(size));
        map.reset();
        document.reset();
        const std::unique_ptr<TLyLibraryDocument> saved =
            LoadLibraryDocument(output, nullptr, nullptr);
        Read(*saved);
    } catch (const ELyProjectError& error) {
        LyFuzzFail("a saved library loads and reads again", error.Message());
    }
}
