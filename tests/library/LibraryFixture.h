#pragma once
// Libraries and song folder trees made by the tests themselves.
#include "LibraryImport.h"
#include "SmfWriter.h"
#include "SongLibrary.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QString>

#include <gtest/gtest.h>

namespace lirmus::test {

inline QString schemaFile() { return QString::fromStdString(testsDataDir()) + "/../../data/library.sql"; }

/// A fresh empty library made from the schema the build uses.
inline QString newLibrary(const QString& dir, const QString& name = "songs.db")
{
    const QString path = dir + "/" + name;
    DbError e;
    EXPECT_TRUE(createLibraryFromSchema(schemaFile(), path, &e)) << e.text().toStdString();
    return path;
}

/// An empty file at path, folders made as needed.
inline void touchFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

/// A small song at path, its bytes its own (the path is its track name), with title lines
/// ("@T" texts) and lyric syllables, as lyric events or, with asText, as karaoke text events.
inline void writeSong(const QString& path, const QStringList& titles = {}, const QStringList& syllables = {},
                      bool asText = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    SmfWriter w(1, 480);
    SmfTrack& head = w.track();
    head.text(0, 3, path.toStdString());
    for (const QString& t : titles) head.text(0, 1, ("@T" + t).toStdString());
    head.tempo(0, 500000).end();
    SmfTrack& words = w.track();
    for (const QString& s : syllables) words.text(240, asText ? 1 : 5, s.toStdString());
    words.note(0, 0, 60, 100).noteOff(240, 0, 60).end();
    EXPECT_TRUE(w.save(QFile::encodeName(path).toStdString())) << path.toStdString();
}

/// Runs SQL on a library through its own connection; the first column of the first row.
inline QVariant sqlValue(SongLibrary& lib, const QString& sql)
{
    QSqlQuery q(lib.database());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
    return q.next() ? q.value(0) : QVariant();
}

/// Every row of "All Songs" as "Name|Author|Category|TRANSPOSE|MidiFile", Null shown as <null>, by MidiFile.
inline QStringList allSongs(SongLibrary& lib)
{
    QSqlQuery q(lib.database());
    EXPECT_TRUE(q.exec("SELECT Name, Author, Category, TRANSPOSE, MidiFile FROM \"All Songs\" ORDER BY MidiFile"));
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int c = 0; c < 5; ++c) cells << (q.value(c).isNull() ? QString("<null>") : q.value(c).toString());
        rows << cells.join('|');
    }
    return rows;
}

} // namespace lirmus::test
