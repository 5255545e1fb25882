#include "SongFilter.h"

#include <algorithm>

namespace lirmus {

QString foldForSearch(const QString& text)
{
    // Most song texts are plain ASCII: lower case is all their folding.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) return text.toLower();
    // Decomposed, an accented letter is its base letter and marks: drop the marks.
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category cat = c.category();
        if (cat != QChar::Mark_NonSpacing && cat != QChar::Mark_Enclosing && cat != QChar::Mark_SpacingCombining)
            out += c;
    }
    return out.toCaseFolded();
}

QStringList filterWords(const QString& text)
{
    const QString folded = foldForSearch(text);
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= folded.size(); ++i) {
        const bool space = i == folded.size() || folded[i].isSpace();
        if (!space && start < 0) start = i;
        if (space && start >= 0) {
            words << folded.mid(start, i - start);
            start = -1;
        }
    }
    return words;
}

bool holdsEveryWord(const QString& folded, const QStringList& words)
{
    for (const QString& w : words)
        if (!folded.contains(w)) return false;
    return true;
}

bool narrows(const QString& earlier, const QString& later)
{
    return !filterWords(earlier).isEmpty() && later.startsWith(earlier);
}

} // namespace lirmus
