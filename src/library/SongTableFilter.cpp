// Search as you type over the rows in memory. Each row's Name, Author and
// Category are folded once (case and accents) into folded_; a key then costs
// one pass of substring tests, and typing on only re-tests the rows still shown.
#include "SongFilter.h"
#include "SongTableModel.h"

namespace lirmus {

void SongTableModel::resetFilter()
{
    filterText_.clear();
    filterWords_.clear();
    filtering_ = false;
    lyricsMode_ = false;
    lyricFiles_.clear();
    visible_.clear();
    folded_.clear();
}

QString SongTableModel::foldedText(int row) const
{
    // The searched fields, or every field of a record source that has none of them.
    QString text;
    bool any = false;
    for (const char* field : {"Name", "Author", "Category"}) {
        const int c = columnOf(field);
        if (c < 0) continue;
        any = true;
        text += cell(row, c).toString() + QChar(0x1F); // a word never spans two fields
    }
    if (!any)
        for (int c = 0; c < columns_.size(); ++c) text += cell(row, c).toString() + QChar(0x1F);
    return foldForSearch(text);
}

void SongTableModel::foldRow(int row)
{
    if (row < int(folded_.size())) folded_[size_t(row)] = foldedText(row); // later rows are folded when needed
}

bool SongTableModel::foldRows(int n)
{
    if (columns_.isEmpty()) return false;
    while (int(folded_.size()) < rows() && n-- > 0) folded_.push_back(foldedText(int(folded_.size())));
    return int(folded_.size()) < rows() || !allFetched();
}

void SongTableModel::prepareFilter()
{
    if (columns_.isEmpty()) return;
    fetchAll();
    foldRows(rows());
}

void SongTableModel::setFilter(const QString& text)
{
    if (text == filterText_ && !lyricsMode_) return;
    const bool narrowing = filtering_ && !lyricsMode_ && narrows(filterText_, text);
    lyricsMode_ = false;
    lyricFiles_.clear();
    filterText_ = text;
    filterWords_ = filterWords(text);
    beginResetModel();
    if (filterWords_.isEmpty()) {
        filtering_ = false;
        visible_.clear();
        shown_ = rows();
    } else {
        prepareFilter();
        refilter(narrowing);
        filtering_ = true;
    }
    endResetModel();
}

void SongTableModel::setLyricsFilter(const QString& text, const QSet<QString>& files)
{
    filterText_ = text;
    filterWords_.clear();
    lyricFiles_ = files;
    beginResetModel();
    visible_.clear();
    filtering_ = lyricsMode_ = !text.trimmed().isEmpty();
    if (filtering_) {
        fetchAll();
        refilter(false);
    } else {
        shown_ = rows();
    }
    endResetModel();
}

void SongTableModel::refilter(bool narrowing)
{
    std::vector<int> kept;
    if (lyricsMode_) {
        const int key = columnOf("MidiFile");
        for (int r = 0; key >= 0 && r < rows(); ++r)
            if (lyricFiles_.contains(cell(r, key).toString())) kept.push_back(r);
    } else if (narrowing) {
        for (int r : visible_)
            if (holdsEveryWord(folded_[size_t(r)], filterWords_)) kept.push_back(r);
    } else {
        for (int r = 0; r < int(folded_.size()); ++r)
            if (holdsEveryWord(folded_[size_t(r)], filterWords_)) kept.push_back(r);
    }
    visible_ = std::move(kept);
}

void SongTableModel::foldedRowMoved(const std::vector<int>& order)
{
    if (folded_.size() != order.size()) {
        folded_.clear();
        if (filtering_) prepareFilter();
    } else {
        std::vector<QString> moved;
        moved.reserve(order.size());
        for (int r : order) moved.push_back(std::move(folded_[size_t(r)]));
        folded_ = std::move(moved);
    }
    if (filtering_) refilter(false); // the same rows, in the new order
}

void SongTableModel::foldedRowRemoved(int row)
{
    if (row < int(folded_.size())) folded_.erase(folded_.begin() + row);
    if (!filtering_) return;
    std::vector<int> kept;
    for (int r : visible_)
        if (r != row) kept.push_back(r > row ? r - 1 : r);
    visible_ = std::move(kept);
}

} // namespace lirmus
