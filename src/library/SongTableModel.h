#pragma once
// The rows of the current record source for the grid. The first rows are read
// at once, the rest as the grid scrolls or in idle moments; sort and search
// work on the rows in memory, edits and deletes go to "All Songs".
#include "SongDetails.h"
#include "SongLibrary.h"

#include <QAbstractTableModel>
#include <QSqlQuery>
#include <QSet>
#include <QStringList>

#include <functional>
#include <vector>

namespace lirmus {

class SongTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// Rows read at once when a record source is loaded, and per step after that.
    static constexpr int kFirstRows = 256;
    static constexpr int kStepRows = 4096;
    /// The most rows and text a record source may bring into memory; the rest is left unread.
    static constexpr int kMaxRows = 1'000'000;
    static constexpr long long kMaxBytes = 512LL << 20;

    explicit SongTableModel(QObject* parent = nullptr);

    /// Runs the record source's query on the library, read-only, and reads its first rows.
    bool load(SongLibrary* library, const QString& recordSource, DbError* err);
    /// No rows, no columns, no library.
    void clear();
    /// Stops reading: the rows read so far stay (before the library is written or closed).
    void finishQuery();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

    /// Reads up to n more rows; false when everything is read.
    bool fetchRows(int n);
    void fetchAll();
    bool allFetched() const { return !query_.isActive(); }
    /// True when reading stopped before the query's last row (too many rows or
    /// too much text, or the query was stopped).
    bool cut() const { return cut_; }
    /// For tests: the text and blobs the rows may hold.
    void setByteBound(long long bytes) { maxBytes_ = bytes; }

    /// The field name of a column (the record source's own, e.g. "Trans").
    QString fieldName(int column) const;
    /// The column whose field has this name (any letter case), -1 when none.
    int columnOf(const QString& field) const;

    /// Sorts every row by one column: text without regard to case, numbers by value, Null first.
    void sortByColumn(int column, bool descending);
    /// The first row from `from` on whose column matches the pattern; -1 when none.
    int find(int column, const JetPattern& pattern, int from);

    /// Edits write through to "All Songs" only while this is true.
    void setEditable(bool on) { editable_ = on; }
    bool editable() const { return editable_; }
    /// Deletes the row's song from "All Songs" and from the rows.
    bool removeSong(int row, DbError* err);
    /// Told when an edit is refused by the library.
    std::function<void(const DbError&)> onEditError;

    // What singers come back for (SongTableMarks.cpp).

    /// Loads add the columns Fav, Plays and Last Played to record sources with a MidiFile.
    void setWithMarks(bool on) { withMarks_ = on; }
    /// The first of those columns, -1 when the rows have none.
    int favouriteColumn() const { return sqlColumns_ < columns_.size() ? sqlColumns_ : -1; }
    /// Marks the row's song a favourite, or no longer one.
    bool toggleFavourite(int row, DbError* err);
    /// Counts a play of the row's song now.
    bool notePlayed(int row, DbError* err);
    /// The saved tempo change of the row's song, if any.
    std::optional<int> savedTempo(int row) const;
    /// Stores the transposition and tempo change a song starts with; its row shows the new Trans.
    bool saveKeyAndTempo(const QString& midiFile, int transpose, int tempoChange, DbError* err);

    // Search as you type (SongTableFilter.cpp).

    /// Shows only the rows whose songs are among files (a lyrics search for text);
    /// blank text shows every row again.
    void setLyricsFilter(const QString& text, const QSet<QString>& files);

    /// Shows only the rows whose Name, Author and Category hold every word of text
    /// (any letter case, accents ignored); blank text shows every row again.
    void setFilter(const QString& text);
    QString filter() const { return filterText_; }
    bool filtering() const { return filtering_; }
    /// Reads every row and folds its text, so the first key typed finds it ready.
    void prepareFilter();
    /// Folds the text of up to n more of the rows read (idle moments); false when all are.
    bool foldRows(int n);
    /// Every row read and folded: nothing left for idle moments.
    bool allPrepared() const { return allFetched() && int(folded_.size()) == rows(); }

private:
    // The rows the views see are the filtered ones, mapped to the rows read.
    int src(int row) const { return filtering_ ? visible_[size_t(row)] : row; }
    const QVariant& cell(int row, int column) const { return cells_[size_t(row) * columns_.size() + column]; }
    QVariant& cell(int row, int column) { return cells_[size_t(row) * columns_.size() + column]; }
    int rows() const { return columns_.isEmpty() ? 0 : int(cells_.size() / columns_.size()); }
    void resetFilter();
    /// Lets go of the query, the columns, the rows and the filter.
    void forgetRows();
    void refilter(bool narrowing);
    QString foldedText(int row) const;
    void foldRow(int row);
    void foldedRowMoved(const std::vector<int>& order);
    void foldedRowRemoved(int row);
    void addMarkColumns();
    void appendMarks(int row);
    int rowOfFile(const QString& midiFile) const;

    SongLibrary* library_ = nullptr;
    QSqlQuery query_;
    QStringList columns_;
    std::vector<QVariant> cells_;
    int sqlColumns_ = 0;   ///< the record source's own columns; the marks follow them
    bool withMarks_ = false;
    QHash<QString, SongMarks> marks_;
    int shown_ = 0; ///< rows the views know of
    long long bytes_ = 0; ///< text and blobs read
    long long maxBytes_ = kMaxBytes;
    bool cut_ = false;
    bool editable_ = false;

    QString filterText_;
    QStringList filterWords_;
    bool filtering_ = false;
    bool lyricsMode_ = false;     ///< the filter is a lyrics search: rows of lyricFiles_
    QSet<QString> lyricFiles_;
    std::vector<int> visible_;   ///< while filtering: the rows shown, in order
    std::vector<QString> folded_; ///< Name, Author and Category of each row read, folded
};

} // namespace lirmus
