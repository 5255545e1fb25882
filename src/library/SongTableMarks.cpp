// The columns beside a song's record: its favourite mark, play count and last
// play, read once per load from the details and kept in step as they change.
#include "SongTableModel.h"

namespace lirmus {

namespace {
const QStringList kMarkColumns = {"Fav", "Plays", "Last Played"};
} // namespace

void SongTableModel::addMarkColumns()
{
    if (!withMarks_ || columnOf("MidiFile") < 0) return;
    DbError ignored; // a library without details shows its songs unmarked
    readMarks(*library_, &marks_, &ignored);
    columns_ << kMarkColumns;
}

void SongTableModel::appendMarks(int row)
{
    const auto m = marks_.constFind(cell(row, columnOf("MidiFile")).toString());
    const bool known = m != marks_.cend();
    cells_.push_back(known && m->favourite ? QVariant(1) : QVariant());
    cells_.push_back(known && m->plays > 0 ? QVariant(m->plays) : QVariant());
    cells_.push_back(known && !m->lastPlayed.isEmpty() ? QVariant(m->lastPlayed) : QVariant());
}

int SongTableModel::rowOfFile(const QString& midiFile) const
{
    const int key = columnOf("MidiFile");
    if (key < 0) return -1;
    for (int r = 0; r < rows(); ++r)
        if (cell(r, key).toString() == midiFile) return r;
    return -1;
}

bool SongTableModel::toggleFavourite(int row, DbError* err)
{
    const int fav = favouriteColumn();
    if (!library_ || fav < 0 || row < 0 || row >= rowCount()) {
        if (err) *err = {"3027", "These rows have no MidiFile: their songs cannot be marked."};
        return false;
    }
    const int at = src(row);
    const QString file = cell(at, columnOf("MidiFile")).toString();
    const bool on = cell(at, fav).isNull();
    if (!setFavourite(*library_, file, on, err)) return false;
    marks_[file].favourite = on;
    cell(at, fav) = on ? QVariant(1) : QVariant();
    emit dataChanged(index(row, fav), index(row, fav));
    return true;
}

bool SongTableModel::notePlayed(int row, DbError* err)
{
    const int fav = favouriteColumn();
    if (!library_ || fav < 0 || row < 0 || row >= rowCount()) return true; // nothing to count it in
    const int at = src(row);
    const QString file = cell(at, columnOf("MidiFile")).toString();
    const QDateTime now = QDateTime::currentDateTime();
    if (!recordPlay(*library_, file, now, err)) return false;
    SongMarks& m = marks_[file];
    ++m.plays;
    m.lastPlayed = now.toString("yyyy-MM-dd hh:mm");
    cell(at, fav + 1) = m.plays;
    cell(at, fav + 2) = m.lastPlayed;
    emit dataChanged(index(row, fav + 1), index(row, fav + 2));
    return true;
}

std::optional<int> SongTableModel::savedTempo(int row) const
{
    const int key = columnOf("MidiFile");
    if (!library_ || key < 0 || row < 0 || row >= rowCount()) return {};
    return marksOf(*library_, cell(src(row), key).toString()).tempoChange;
}

bool SongTableModel::saveKeyAndTempo(const QString& midiFile, int transpose, int tempoChange, DbError* err)
{
    if (!library_) {
        if (err) *err = {"3167", "No library is open."};
        return false;
    }
    if (!lirmus::saveKeyAndTempo(*library_, midiFile, transpose, tempoChange, err)) return false;
    marks_[midiFile].tempoChange = tempoChange;
    const int at = rowOfFile(midiFile);
    const int trans = columnOf("Trans") >= 0 ? columnOf("Trans") : columnOf("TRANSPOSE");
    if (at >= 0 && trans >= 0) {
        cell(at, trans) = transpose;
        if (rowCount() > 0) emit dataChanged(index(0, trans), index(rowCount() - 1, trans)); // wherever the row shows
    }
    return true;
}

} // namespace lirmus
