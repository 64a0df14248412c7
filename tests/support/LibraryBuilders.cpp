#include "LibraryBuilders.h"

namespace {

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

constexpr char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                         "<plist version=\"1.0\">\n"
                         "<dict>\n"
                         "\t<key>Major Version</key><integer>1</integer>\n"
                         "\t<key>Application Version</key><string>12.8</string>\n"
                         "\t<key>Show Content Ratings</key><true/>\n"
                         "\t<key>Tracks</key>\n"
                         "\t<dict>\n";

constexpr char kTail[] = "\t</dict>\n"
                         "\t<key>Playlists</key>\n"
                         "\t<array>\n"
                         "\t\t<dict>\n"
                         "\t\t\t<key>Name</key><string>Library</string>\n"
                         "\t\t\t<key>Playlist Items</key>\n"
                         "\t\t\t<array>\n"
                         "\t\t\t\t<dict>\n"
                         "\t\t\t\t\t<key>Track ID</key><integer>1</integer>\n"
                         "\t\t\t\t</dict>\n"
                         "\t\t\t</array>\n"
                         "\t\t</dict>\n"
                         "\t</array>\n"
                         "</dict>\n"
                         "</plist>\n";

} // namespace

QByteArray MakeLibraryXml(const QList<TLyLibraryTrack>& tracks) {
    QByteArray xml = kHead;
    int id = 0;
    for (const TLyLibraryTrack& track : tracks) {
        xml += "\t\t<key>" + QByteArray::number(++id) + "</key>\n\t\t<dict>\n";
        for (const TLyLibraryPair& pair : track) {
            xml += "\t\t\t";
            if (!pair.Key.isEmpty())
                xml += "<key>" + Escaped(pair.Key) + "</key>";
            const QByteArray type = pair.Type.toUtf8();
            if (pair.Text.isEmpty() && (type == "true" || type == "false"))
                xml += '<' + type + "/>\n";
            else
                xml += '<' + type + '>' + Escaped(pair.Text) + "</" + type + ">\n";
        }
        xml += "\t\t</dict>\n";
    }
    return xml + kTail;
}

TLyLibraryTrack MakeLibraryTrack(int id, const QString& folder) {
    const QString number = QString::number(id);
    return {{"Track ID", "integer", number},
            {"Name", "string", "Song " + number},
            {"Artist", "string", "Artist " + QString::number(id % 97)},
            {"Album", "string", "Album " + QString::number(id % 13)},
            {"Genre", "string", "Rock"},
            {"Play Count", "integer", QString::number(id % 7)},
            {"Play Date UTC", "date", "2006-02-18T20:37:11Z"},
            {"Rating", "integer", QString::number(id % 6 * 20)},
            {"Track Type", "string", "File"},
            {"Location", "string", "file://localhost" + folder + "/Song%20" + number + ".mp3"}};
}

QByteArray MakeLargeLibraryXml(int count) {
    // Padding keys bring a track to the size of a real export.
    QByteArray padding;
    for (int i = 0; i < 24; ++i)
        padding += "\t\t\t<key>Extra Key " + QByteArray::number(i) + "</key><integer>" +
                   QByteArray::number(1000000 + i) + "</integer>\n";
    QByteArray xml = kHead;
    xml.reserve(qsizetype(count) * 1500 + 2048);
    for (int id = 1; id <= count; ++id) {
        const QByteArray number = QByteArray::number(id);
        xml += "\t\t<key>" + number + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" +
               number + "</integer>\n\t\t\t<key>Name</key><string>Song " + number +
               "</string>\n\t\t\t<key>Artist</key><string>Artist " + QByteArray::number(id % 97) +
               "</string>\n\t\t\t<key>Location</key><string>file://localhost/Music/Song%20" +
               number + ".mp3</string>\n";
        xml += padding;
        xml += "\t\t</dict>\n";
    }
    return xml + kTail;
}
