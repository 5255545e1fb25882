#pragma once
// Search as you type: the words of the filter box against a row's Name,
// Author and Category, without regard to letter case or accents. Every
// character stands for itself: quotes, %, brackets and * ? # included.
#include <QString>
#include <QStringList>

namespace lirmus {

/// Case-folded text without accents ("Café" and "CAFE" both give "cafe").
QString foldForSearch(const QString& text);

/// The folded words of a filter box; none for blank text.
QStringList filterWords(const QString& text);

/// True when the folded text holds every word.
bool holdsEveryWord(const QString& folded, const QStringList& words);

/// True when the later filter text can only keep rows the earlier one kept
/// (more typed at the end: a longer word or another word).
bool narrows(const QString& earlier, const QString& later);

} // namespace lirmus
