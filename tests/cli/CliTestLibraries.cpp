#include "CliTestLibraries.h"

#include "LibraryBuilders.h"
#include "LyLibraryFile.h"

#include <QTest>

namespace {

TLyLibraryTrack Track(const QString& name, const QString& artist, const QString& album,
                      int playCount, int rating, const QString& playDate) {
    TLyLibraryTrack track{{"Track ID", "integer", "1"},
                          {"Name", "string", name},
                          {"Artist", "string", artist},
                          {"Album", "string", album},
                          {"Genre", "string", "Pop"},
                          {"Play Count", "integer", QString::number(playCount)},
                          {"Rating", "integer", QString::number(rating)}};
    if (!playDate.isEmpty())
        track.append({"Play Date UTC", "date", playDate});
    track.append({"Track Type", "string", "File"});
    return track;
}

} // namespace

QByteArray KnownLibraryOne() {
    return MakeLibraryXml({Track("Waterloo", "ABBA", "Waterloo", 3, 60, "2006-01-01T00:00:00Z"),
                           Track("Only in One", "Xavier", "Xylophones", 1, 0, {}),
                           Track(kQuotedName, "Yvonne", "Yonder", 0, 100, {})});
}

QByteArray KnownLibraryTwo() {
    return MakeLibraryXml({Track("Waterloo", "ABBA", "Waterloo", 5, 80, "2007-05-05T00:00:00Z"),
                           Track(kQuotedName, "Yvonne", "Yonder", 7, 100, {}),
                           Track("Only in Two A", "Zoe", "Zebra", 2, 20, {}),
                           Track("Only in Two B", "Zoe", "Zebra", 4, 40, {})});
}

QList<TLySongProperties> ReadTracks(const QString& fileName) {
    QList<TLySongProperties> tracks;
    try {
        std::unique_ptr<TLyLibraryDocument> document =
            LoadLibraryDocument(fileName, nullptr, nullptr);
        const pugi::xml_node top = document->Xml().child("plist").child("dict");
        pugi::xml_node dictionary;
        for (pugi::xml_node key = top.child("key"); key; key = key.next_sibling("key"))
            if (QByteArray(key.text().get()) == "Tracks")
                dictionary = key.next_sibling("dict");
        for (pugi::xml_node track = dictionary.child("dict"); track;
             track = track.next_sibling("dict")) {
            TLySongProperties properties;
            ReadFromDictionary(properties, track.internal_object());
            properties.SetNode(nullptr); // the document goes with this function
            tracks.append(properties);
        }
    } catch (const Exception& error) {
        QTest::qFail(qPrintable(error.Message()), __FILE__, __LINE__);
        return {};
    }
    return tracks;
}
