#include "ChordNames.h"

#include <optional>

namespace lirmus {
namespace {

bool startsWithNoteLetter(const QString& text)
{
    return !text.isEmpty() && text[0] >= QLatin1Char('A') && text[0] <= QLatin1Char('G');
}

QString latin1(std::string_view entry) { return QString::fromLatin1(entry.data(), qsizetype(entry.size())); }
QString italianPart(std::string_view entry) { return latin1(entry).mid(2, 2); }
QString englishLetter(std::string_view entry) { return latin1(entry).left(1); }

// Index of the G entry whose Italian name is "Sol" and takes three characters.
constexpr size_t kSolEntry = 6;

/// An Italian note name at the start of part, replaced by its English letter.
std::optional<QString> italianToEnglish(const QString& part, const NoteNameTable& names)
{
    const QString two = part.left(2).toUpper();
    for (size_t k = 0; k < names.size(); ++k) {
        if (two.size() == 2 && italianPart(names[k]).toUpper() == two)
            return englishLetter(names[k]) + part.mid(k == kSolEntry ? 3 : 2);
    }
    return std::nullopt;
}

/// An English note letter at the start of part, replaced by its Italian name.
std::optional<QString> englishToItalian(const QString& part, const NoteNameTable& names)
{
    const QString letter = part.left(1);
    for (size_t k = 0; k < names.size(); ++k) {
        if (!letter.isEmpty() && englishLetter(names[k]) == letter)
            return (k == kSolEntry ? QStringLiteral("Sol") : italianPart(names[k])) + part.mid(1);
    }
    return std::nullopt;
}

} // namespace

QString trimBlanks(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == QLatin1Char(' ')) ++b;
    while (e > b && text[e - 1] == QLatin1Char(' ')) --e;
    return text.mid(b, e - b);
}

bool isChord14(const QString& text)
{
    return text.size() == 14 && startsWithNoteLetter(text);
}

bool isChordName(const QString& text)
{
    if (text.size() > 18 || !startsWithNoteLetter(text)) return false;
    const QString rest = text.mid(1).toUpper();
    if (rest.isEmpty()) return false;
    qsizetype i = 0;
    while (i < rest.size() && rest[i] == QLatin1Char(' ')) ++i;
    if (i == rest.size()) return true;
    const QString after = rest.mid(i);
    const QChar c = after[0];
    return c == QLatin1Char('#') || (c >= QLatin1Char('1') && c <= QLatin1Char('9')) ||
           after.startsWith(QLatin1String("MIN")) || after.startsWith(QLatin1String("MAJ"));
}

ChordNotation detectChordNotation(const QString& chord, const NoteNameTable& names)
{
    const QString two = chord.mid(1, 2).toUpper();
    for (std::string_view n : names)
        if (two.size() == 2 && italianPart(n).toUpper() == two) return kNotationItalian;
    const QString one = chord.mid(1, 1);
    for (std::string_view n : names)
        if (!one.isEmpty() && englishLetter(n) == one) return kNotationEnglish;
    return kNotationUnknown;
}

QString translateChord(const QString& body, ChordNotation notation, bool italianNotation,
                       const NoteNameTable& names)
{
    std::optional<QString> (*convert)(const QString&, const NoteNameTable&) = nullptr;
    if (notation == kNotationItalian && !italianNotation) convert = italianToEnglish;
    if (notation == kNotationEnglish && italianNotation) convert = englishToItalian;
    if (!convert) return body;

    const qsizetype slash = body.indexOf(QLatin1Char('/'));
    const QString root = slash < 0 ? body : body.left(slash);
    std::optional<QString> newRoot = convert(root, names);
    if (!newRoot) return body;
    if (slash < 0) return *newRoot;
    std::optional<QString> bass = convert(body.mid(slash + 1), names);
    return bass ? *newRoot + QLatin1Char('/') + *bass : *newRoot;
}

} // namespace lirmus
