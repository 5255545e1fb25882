#include "SongCredits.h"

#include "Midifile.h"

#include <QFileInfo>

namespace lirmus {
namespace {

QString cleaned(QString text) { return text.simplified(); }

} // namespace

SongCredits creditsFrom(const QStringList& titleLines, const QString& fileName)
{
    QStringList lines;
    for (const QString& l : titleLines)
        if (!cleaned(l).isEmpty()) lines << cleaned(l);
    if (!lines.isEmpty()) return {lines[0], lines.size() > 1 ? lines[1] : QString()};
    QString name = QFileInfo(fileName).completeBaseName();
    name.replace(QLatin1Char('_'), QLatin1Char(' '));
    return {cleaned(name), QString()};
}

SongCredits readSongCredits(const QString& path)
{
    Midifile file;
    file.onError = [](int, const std::string&) {}; // a file that cannot be read still has a name
    file.setFileName(path.toStdString());
    file.setAction(1);
    QStringList lines;
    for (int t = 1; t <= file.TrackCount(); ++t) {
        file.setTrack(t);
        for (long e = 1; e <= file.EventCount(); ++e) {
            file.setEventIndex(e);
            if (file.Status() != 255 || file.Data1() < 1 || file.Data1() > 15) continue;
            const QString text = QString::fromStdString(file.Text());
            if (text.startsWith(QLatin1String("@T"))) lines << text.mid(2);
        }
    }
    return creditsFrom(lines, path);
}

} // namespace lirmus
