#include "SongTableModel.h"

#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <numeric>

namespace lirmus {

SongTableModel::SongTableModel(QObject* parent) : QAbstractTableModel(parent) {}

bool SongTableModel::load(SongLibrary* library, const QString& recordSource, DbError* err)
{
    beginResetModel();
    forgetRows();
    library_ = library;
    bool ok = false;
    {
        // The record source may come from the settings file or a hand-edited query: it only
        // reads, and it is bounded in time and size.
        SongLibrary::ReadOnly guard(*library);
        const QString sql = recordSourceQuery(recordSource);
        DbError refused;
        if (!isSingleSelect(sql))
            refused = {"8", "Only a single SELECT can run here: showing songs never changes the library."};
        else if (!guard.ok())
            refused = {"8", "The library cannot be made read-only, so no query runs on it."};
        if (refused.number.isEmpty()) {
            SongLibrary::Bounded bounded(*library);
            query_ = QSqlQuery(library->database());
            query_.setForwardOnly(true);
            ok = query_.exec(sql);
            if (!ok) refused = bounded.error(query_.lastError());
        }
        if (ok) {
            const QSqlRecord record = query_.record();
            for (int c = 0; c < record.count(); ++c) columns_ << record.fieldName(c);
            sqlColumns_ = int(columns_.size());
            addMarkColumns();
            fetchRows(kFirstRows);
        } else if (err) {
            *err = refused;
        }
    }
    if (!ok) {
        query_ = QSqlQuery();
        library_ = nullptr;
    }
    shown_ = rows();
    endResetModel();
    return ok;
}

void SongTableModel::clear()
{
    beginResetModel();
    forgetRows();
    library_ = nullptr;
    endResetModel();
}

void SongTableModel::forgetRows()
{
    query_ = QSqlQuery();
    columns_.clear();
    sqlColumns_ = 0;
    marks_.clear();
    cells_.clear();
    resetFilter();
    shown_ = 0;
    bytes_ = 0;
    cut_ = false;
}

void SongTableModel::finishQuery()
{
    if (query_.isActive()) query_.finish();
}

bool SongTableModel::fetchRows(int n)
{
    if (!query_.isActive() || columns_.isEmpty()) return false;
    const int width = int(columns_.size());
    SongLibrary::Bounded bounded(*library_);
    for (int i = 0; i < n; ++i) {
        if (!query_.next()) {
            // A query stopped halfway is not the end of its rows.
            if (query_.lastError().isValid()) cut_ = true;
            query_.finish();
            break;
        }
        if (rows() >= kMaxRows || bytes_ > maxBytes_) { // there is more than memory should hold
            cut_ = true;
            query_.finish();
            break;
        }
        const int row = rows();
        for (int c = 0; c < sqlColumns_; ++c) {
            cells_.push_back(query_.value(c));
            const QVariant& v = cells_.back();
            if (v.typeId() == QMetaType::QString) bytes_ += 2 * v.toString().size();
            else if (v.typeId() == QMetaType::QByteArray) bytes_ += v.toByteArray().size();
        }
        if (width > sqlColumns_) appendMarks(row);
    }
    // The views hear of the new rows at once; during load() the reset covers them.
    if (rows() > shown_ && shown_ > 0 && !filtering_) {
        beginInsertRows({}, shown_, rows() - 1);
        shown_ = rows();
        endInsertRows();
    }
    return query_.isActive();
}

void SongTableModel::fetchAll()
{
    while (fetchRows(kStepRows)) {}
}

int SongTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : filtering_ ? int(visible_.size()) : shown_;
}

int SongTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant SongTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const QVariant& v = cell(src(index.row()), index.column());
    if (v.isNull()) return {};
    if (index.column() == sqlColumns_ && sqlColumns_ < columns_.size() && role == Qt::DisplayRole)
        return QString(QChar(0x2605)); // the favourite's star
    return v;
}

QVariant SongTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section < columns_.size() ? columns_[section] : QVariant();
}

Qt::ItemFlags SongTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.column() < sqlColumns_) f |= Qt::ItemIsEditable;
    return f;
}

bool SongTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!editable_ || role != Qt::EditRole || !index.isValid() || !library_ || index.column() >= sqlColumns_) return false;
    const int keyColumn = columnOf("MidiFile");
    DbError err{"3027", "These rows have no MidiFile: they cannot be changed."};
    if (keyColumn >= 0 && index.row() < rowCount()) {
        const int row = src(index.row());
        const QString key = cell(row, keyColumn).toString();
        if (library_->updateField(key, fieldName(index.column()), value, &err)) {
            // Store what the library now holds: Null for an empty text, a number for Trans.
            const QString text = value.toString().trimmed();
            QVariant stored;
            if (!text.isEmpty()) stored = fieldName(index.column()).toUpper().startsWith("TRANS") ? QVariant(text.toInt()) : QVariant(text);
            cell(row, index.column()) = stored;
            foldRow(row); // the row stays in view until the filter changes
            emit dataChanged(index, index);
            return true;
        }
    }
    if (onEditError) onEditError(err);
    return false;
}

bool SongTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && query_.isActive();
}

void SongTableModel::fetchMore(const QModelIndex& parent)
{
    if (!parent.isValid()) fetchRows(kFirstRows);
}

QString SongTableModel::fieldName(int column) const
{
    return column >= 0 && column < columns_.size() ? columns_[column] : QString();
}

int SongTableModel::columnOf(const QString& field) const
{
    for (int c = 0; c < columns_.size(); ++c)
        if (columns_[c].compare(field, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

void SongTableModel::sortByColumn(int column, bool descending)
{
    if (column < 0 || column >= columns_.size()) return;
    fetchAll();
    const int n = rows();
    // Keys first: folding each text once is much cheaper than in every comparison.
    std::vector<QString> text(n);
    std::vector<double> number(n);
    std::vector<char> kind(n); // 0 Null, 1 number, 2 text
    for (int r = 0; r < n; ++r) {
        const QVariant& v = cell(r, column);
        if (v.isNull()) kind[r] = 0;
        else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int || v.typeId() == QMetaType::Double) {
            kind[r] = 1;
            number[r] = v.toDouble();
        } else {
            kind[r] = 2;
            text[r] = v.toString().toCaseFolded();
        }
    }
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    auto less = [&](int a, int b) {
        if (kind[a] != kind[b]) return kind[a] < kind[b];
        if (kind[a] == 1) return number[a] < number[b];
        return kind[a] == 2 && text[a] < text[b];
    };
    if (descending) std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(b, a); });
    else std::stable_sort(order.begin(), order.end(), less);

    layoutAboutToBeChanged();
    const size_t width = columns_.size();
    std::vector<QVariant> sorted;
    sorted.reserve(cells_.size());
    for (int r : order)
        for (size_t c = 0; c < width; ++c) sorted.push_back(std::move(cells_[size_t(r) * width + c]));
    cells_ = std::move(sorted);
    shown_ = n;
    foldedRowMoved(order);
    layoutChanged();
}

int SongTableModel::find(int column, const JetPattern& pattern, int from)
{
    if (column < 0 || column >= columns_.size()) return -1;
    if (filtering_) {
        for (int r = std::max(0, from); r < int(visible_.size()); ++r) {
            const QVariant& v = cell(visible_[size_t(r)], column);
            if (!v.isNull() && pattern.matches(v.toString())) return r;
        }
        return -1;
    }
    for (int r = std::max(0, from);; ++r) {
        while (r >= rows() && fetchRows(kStepRows)) {}
        if (r >= rows()) return -1;
        const QVariant& v = cell(r, column);
        if (!v.isNull() && pattern.matches(v.toString())) {
            if (r >= shown_) {
                beginInsertRows({}, shown_, rows() - 1);
                shown_ = rows();
                endInsertRows();
            }
            return r;
        }
    }
}

bool SongTableModel::removeSong(int row, DbError* err)
{
    const int keyColumn = columnOf("MidiFile");
    if (!library_ || row < 0 || row >= rowCount() || keyColumn < 0) {
        if (err) *err = {"3027", "These rows have no MidiFile: they cannot be changed."};
        return false;
    }
    const int at = src(row);
    if (!library_->deleteSong(cell(at, keyColumn).toString(), err)) return false;
    beginRemoveRows({}, row, row);
    const size_t width = columns_.size();
    cells_.erase(cells_.begin() + ptrdiff_t(at * width), cells_.begin() + ptrdiff_t((at + 1) * width));
    shown_ = rows();
    foldedRowRemoved(at);
    endRemoveRows();
    return true;
}

} // namespace lirmus
