#include "LibrarySql.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace lirmus {

namespace {

// A lexical piece of SQL: just enough to tell words, literals and comments apart.
struct Token {
    enum Kind { Word, Text, Quoted, Bracketed, Space, Comment, Other } kind;
    qsizetype start;
    qsizetype length;
};

std::vector<Token> tokenize(const QString& sql)
{
    std::vector<Token> out;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto closing = [&](QChar close, qsizetype from) {
        // A doubled closing character stands for itself inside the literal.
        qsizetype j = from + 1;
        while (j < n) {
            if (sql[j] == close) {
                if (close != ']' && j + 1 < n && sql[j + 1] == close) { j += 2; continue; }
                return j + 1;
            }
            ++j;
        }
        return n;
    };
    while (i < n) {
        const QChar c = sql[i];
        qsizetype end = i + 1;
        Token::Kind kind = Token::Other;
        if (c.isSpace()) {
            while (end < n && sql[end].isSpace()) ++end;
            kind = Token::Space;
        } else if (c.isLetterOrNumber() || c == '_') {
            while (end < n && (sql[end].isLetterOrNumber() || sql[end] == '_' || sql[end] == '$')) ++end;
            kind = Token::Word;
        } else if (c == '\'') {
            end = closing('\'', i);
            kind = Token::Text;
        } else if (c == '"' || c == '`') {
            end = closing(c, i);
            kind = Token::Quoted;
        } else if (c == '[') {
            end = closing(']', i);
            kind = Token::Bracketed;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            end = sql.indexOf('\n', i);
            end = end < 0 ? n : end;
            kind = Token::Comment;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            end = sql.indexOf("*/", i + 2);
            end = end < 0 ? n : end + 2;
            kind = Token::Comment;
        }
        out.push_back({kind, i, end - i});
        i = end;
    }
    return out;
}

QString unquote(const QString& literal)
{
    if (literal.size() < 2) return {};
    const QChar q = literal.front();
    QString body = literal.mid(1, literal.size() - (literal.back() == q ? 2 : 1));
    return body.replace(QString(2, q), QString(q));
}

bool needsGlob(const QString& pattern)
{
    for (QChar c : pattern) {
        if (c == '#') return true;
        if (c.unicode() > 127 && c.toLower() != c.toUpper()) return true;
    }
    return false;
}

// "LIKE '...' ESCAPE '\'" or "GLOB '...'" for a user's pattern.
QString likeTail(const QString& pattern)
{
    QString out;
    if (needsGlob(pattern)) {
        for (QChar c : pattern) {
            if (c == '*' || c == '?') out += c;
            else if (c == '#') out += "[0-9]";
            else if (c == '[') out += "[[]";
            else if (c.toLower() != c.toUpper()) out += QString("[") + c.toLower() + c.toUpper() + "]";
            else out += c;
        }
        return "GLOB " + quoteText(out);
    }
    for (QChar c : pattern) {
        if (c == '*') out += '%';
        else if (c == '?') out += '_';
        else if (c == '%' || c == '_' || c == '\\') out += QString("\\") + c;
        else out += c;
    }
    return "LIKE " + quoteText(out) + " ESCAPE '\\'";
}

bool significant(const Token& t) { return t.kind != Token::Space && t.kind != Token::Comment; }

} // namespace

QString quoteText(const QString& text)
{
    QString q = text;
    return '\'' + q.replace("'", "''") + '\'';
}

QString quoteIdentifier(const QString& name)
{
    QString q = name;
    return '"' + q.replace("\"", "\"\"") + '"';
}

QString bracketName(const QString& name)
{
    return name.contains(']') ? quoteIdentifier(name) : "[" + name + "]";
}

QString unbracketName(const QString& quoted)
{
    const QString q = quoted.trimmed();
    if (q.size() >= 2 && q.front() == '[' && q.back() == ']') return q.mid(1, q.size() - 2);
    if (q.size() >= 2 && q.front() == '"' && q.back() == '"') return unquote(q);
    return q;
}

QString recordSourceFor(const QString& objectName)
{
    return "SELECT Name, Author, Category, TRANSPOSE AS Trans, MidiFile FROM " + bracketName(objectName) + ";";
}

QString objectNameOfEntry(const QString& entry) { return entry.mid(3); }

QString captionFor(long long records, const QString& recordSource, const QString& databaseName, bool cut)
{
    const qsizetype p = recordSource.indexOf('[');
    return QString::number(records) + " Records from: " + (p < 0 ? recordSource : recordSource.mid(p)) + " in " +
           databaseName + (cut ? " (cut short: the query gives more)" : "");
}

QString doubleApostrophes(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] != '\'') continue;
        if (i + 1 < text.size() && text[i + 1] == '\'') ++i; // a pair stays a pair
        out += '\'';
    }
    return out;
}

QString findPattern(const QString& findText)
{
    QString text = findText;
    return "*" + text.replace("''", "'") + "*";
}

bool TuttiICampi(const QStringList& fieldNames)
{
    static const QStringList needed = {"TRANSPOSE", "NAME", "AUTHOR", "CATEGORY", "MIDIFILE"};
    QSet<QString> missing(needed.begin(), needed.end());
    for (const QString& f : fieldNames) {
        missing.remove(f.toUpper());
        if (missing.isEmpty()) return true;
    }
    return false;
}

QStringList listEntries(const std::vector<LibraryObject>& objects)
{
    QStringList out;
    for (bool views : {false, true}) {
        for (const LibraryObject& o : objects) {
            if (o.view != views || o.name.startsWith('~')) continue;
            if (o.name.startsWith("sqlite_", Qt::CaseInsensitive)) continue;
            if (!views && o.name.left(4) == "MSys") continue;
            if (TuttiICampi(o.fields)) out << (views ? "(Q)" : "(T)") + o.name;
        }
    }
    return out;
}

QString translateLike(const QString& sql)
{
    const std::vector<Token> tokens = tokenize(sql);
    QString out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const QString text = sql.mid(t.start, t.length);
        if (t.kind == Token::Word && text.compare("LIKE", Qt::CaseInsensitive) == 0) {
            size_t j = i + 1;
            while (j < tokens.size() && !significant(tokens[j])) ++j;
            if (j < tokens.size() && (tokens[j].kind == Token::Text || tokens[j].kind == Token::Quoted) &&
                sql[tokens[j].start] != '`') {
                out += likeTail(unquote(sql.mid(tokens[j].start, tokens[j].length)));
                i = j;
                continue;
            }
        }
        out += text;
    }
    return out;
}

QString recordSourceQuery(const QString& recordSource)
{
    const QString rs = recordSource.trimmed();
    if (rs.startsWith("SELECT", Qt::CaseInsensitive) && (rs.size() == 6 || !rs[6].isLetterOrNumber()))
        return translateLike(rs);
    QString table = rs;
    if (table.startsWith('[') && table.endsWith(']')) table = table.mid(1, table.size() - 2);
    return "SELECT * FROM " + quoteIdentifier(table);
}

bool isSingleSelect(const QString& sql)
{
    const std::vector<Token> tokens = tokenize(sql);
    bool first = true, ended = false;
    for (const Token& t : tokens) {
        if (!significant(t)) continue;
        const QString text = sql.mid(t.start, t.length);
        if (first) {
            if (t.kind != Token::Word || text.compare("SELECT", Qt::CaseInsensitive) != 0) return false;
            first = false;
        } else if (t.kind == Token::Other && text == ";") {
            ended = true;
        } else if (ended) {
            return false;
        }
    }
    return !first;
}

JetPattern::JetPattern(const QString& pattern) : folded_(pattern.toCaseFolded()) {}

bool JetPattern::matches(const QString& original) const
{
    const QString text = original.toCaseFolded();
    const QString& p = folded_;
    qsizetype pi = 0, ti = 0, star = -1, mark = 0;
    while (ti < text.size()) {
        if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ti;
            continue;
        }
        const bool one = pi < p.size() &&
                         (p[pi] == '?' || (p[pi] == '#' ? text[ti] >= '0' && text[ti] <= '9' : p[pi] == text[ti]));
        if (one) {
            ++pi;
            ++ti;
        } else if (star >= 0) {
            pi = star + 1;
            ti = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

QString ComposeSql(const SelectSpec& spec)
{
    static const QStringList operators = {"Like", "=", "<>", "<", ">"};
    QString sql = bracketName(spec.source);
    QString last;
    for (const WhereRow& row : spec.rows) {
        if (row.value.isEmpty() || row.field.isEmpty()) continue;
        sql += last.isEmpty() ? " Where " : (spec.orJoin ? " Or " : " And ");
        const QString op = operators.contains(row.op, Qt::CaseInsensitive) ? row.op : QStringLiteral("=");
        last = bracketName(row.field) + " " + op + " " + quoteText(row.value) + " ";
        sql += last;
    }
    QStringList order;
    for (const QString& entry : spec.order) {
        // "Field Asc": the direction is the last word, the rest is the name.
        const qsizetype blank = entry.lastIndexOf(' ');
        const QString direction = blank < 0 ? QString() : entry.mid(blank + 1);
        const bool directed = direction.compare("Asc", Qt::CaseInsensitive) == 0 ||
                              direction.compare("Desc", Qt::CaseInsensitive) == 0;
        order << (directed ? bracketName(entry.left(blank)) + " " + direction : bracketName(entry));
    }
    if (!order.isEmpty()) sql += " Order by " + order.join(", ");
    return sql + ";";
}

QString toggleDirection(const QString& orderEntry)
{
    const qsizetype blank = orderEntry.lastIndexOf(' ');
    if (blank < 0) return orderEntry;
    const bool ascending = blank + 1 < orderEntry.size() && orderEntry[blank + 1] == 'A';
    return orderEntry.left(blank + 1) + (ascending ? "Desc" : "Asc");
}

QString withoutFirstApostrophe(const QString& text)
{
    QString out = text;
    const qsizetype p = out.indexOf('\'');
    if (p >= 0) out.remove(p, 1);
    return out;
}

int songTransposeOf(const QString& cellText)
{
    const QString t = cellText.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == '-' || t[end] == '+')) ++end;
    while (end < t.size() && t[end].isDigit()) ++end;
    if (end < t.size() && t[end] == '.') {
        ++end;
        while (end < t.size() && t[end].isDigit()) ++end;
    }
    bool ok = false;
    const double v = t.left(end).toDouble(&ok);
    if (!ok) return 0;
    return int(std::clamp(std::round(v), -32768.0, 32767.0));
}

bool acceptLibraryFileName(QString* path)
{
    const qsizetype slash = path->lastIndexOf('/');
    const qsizetype dot = path->lastIndexOf('.');
    if (dot <= slash + 1) { // no extension (a leading dot names a hidden file)
        *path += ".db";
        return true;
    }
    return path->mid(dot + 1).compare("db", Qt::CaseInsensitive) == 0;
}

} // namespace lirmus
