// Search as you type: the rows the filter keeps on a generated library against
// a plain scan of the same records, and the browser's filter box driven by keys.
#include "../song/QtPrinters.h"
#include "LibraryFixture.h"
#include "SongFilter.h"
#include "SongTableModel.h"
#include "frmDataGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTableView>
#include <QKeyEvent>
#include <QShortcut>

#include <map>

using namespace lirmus;
using namespace lirmus::test;

namespace {

// The reference folding, written apart from the program's: one character at a
// time, its first canonical part, in lower case.
QString plainFold(const QString& s)
{
    QString out;
    for (const QChar c : s) out += QString(c).normalized(QString::NormalizationForm_D).at(0).toLower();
    return out;
}

struct Record {
    QString name, author, category, file;
};

// Words with accents, letter case and the characters SQL and our wildcards treat specially.
const QStringList kWords = {"Café",  "CAFE",   "crème",   "Creme", "Ñandú", "nandu",  "Øresund", "Zoë",   "zoe",
                            "naïve", "O'Brien", "\"Live\"", "100%",  "50_50", "[Demo]", "a*b",     "why?",  "#1",
                            "Love",  "LOVE",   "lové",    "Été",   "ete",   "Straße", "Ölung",   "olung", "Mañana"};

QString randomText(QRandomGenerator& g, int words)
{
    QStringList out;
    for (int i = 0; i < words; ++i) out << kWords[int(g.bounded(kWords.size()))];
    return out.join(' ');
}

// A library of n songs made from kWords; returns its records as written.
std::vector<Record> makeLibrary(const QString& path, int n)
{
    QRandomGenerator g(1234);
    std::vector<Record> records;
    SongLibrary lib;
    DbError e;
    EXPECT_TRUE(lib.open(path, &e));
    EXPECT_TRUE(lib.begin(&e));
    for (int i = 0; i < n; ++i) {
        Record r{randomText(g, 1 + int(g.bounded(3))), randomText(g, 1), i % 7 ? randomText(g, 1) : QString(),
                 QString("/songs/%1.kar").arg(i)};
        EXPECT_TRUE(lib.insertSong({r.name, r.author, r.category, 0, r.file}, &e)) << e.text().toStdString();
        records.push_back(r);
    }
    EXPECT_TRUE(lib.commit(&e));
    return records;
}

QStringList scan(const std::vector<Record>& records, const QString& filter)
{
    const QStringList words = plainFold(filter).split(' ', Qt::SkipEmptyParts);
    QStringList files;
    for (const Record& r : records) {
        const QString fields[] = {plainFold(r.name), plainFold(r.author), plainFold(r.category)};
        bool all = true;
        for (const QString& w : words)
            all = all && std::any_of(std::begin(fields), std::end(fields), [&](const QString& f) { return f.contains(w); });
        if (all) files << r.file;
    }
    files.sort();
    return files;
}

QStringList shownFiles(const SongTableModel& m, bool sorted = true)
{
    const int c = m.columnOf("MidiFile");
    QStringList files;
    for (int r = 0; r < m.rowCount(); ++r) files << m.index(r, c).data().toString();
    if (sorted) files.sort();
    return files;
}

const QStringList kFilters = {"cafe",  "CAFÉ",  "creme love", "ñ",       "nandu zoe", "o'brien", "\"live\"", "100%",
                              "%",     "50_50", "_",          "[demo]",  "a*b",       "*",       "why?",     "?",
                              "#1",    "#",     "ete olung",  "straße",  "ØRESUND",   "mañana café", "lov", "e",
                              "  naive   LOVE ", "no such word", "'"};

} // namespace

TEST(SongFilter, FoldsCaseAndAccentsAndSplitsOnAnySpace)
{
    EXPECT_EQ(foldForSearch("Café CRÈME Ñandú Zoë"), "cafe creme nandu zoe");
    EXPECT_EQ(foldForSearch("ＡＢＣ ﬁne"), "abc fine") << "full-width letters and ligatures are their plain letters";
    EXPECT_EQ(foldForSearch("O'Brien [LIVE] 100% *?#_"), "o'brien [live] 100% *?#_");
    EXPECT_EQ(filterWords(" \tOne  TWO\u00A0three "), (QStringList{"one", "two", "three"}));
    EXPECT_TRUE(filterWords("   ").isEmpty());
    EXPECT_TRUE(holdsEveryWord("o'brien\x1f\"live\"", {"\"live\"", "o'b"}));
    EXPECT_FALSE(holdsEveryWord("love", {"love", "%"}));
    EXPECT_TRUE(narrows("lov", "love"));
    EXPECT_TRUE(narrows("love", "love me"));
    EXPECT_FALSE(narrows("love", "lov"));
    EXPECT_FALSE(narrows("", "a")) << "nothing to narrow from";
}

TEST(SongFilter, RowsMatchAPlainScanOfTheSameRecords)
{
    const QString dir = QString::fromStdString(tempDir());
    const QString path = newLibrary(dir);
    const std::vector<Record> records = makeLibrary(path, 3000);
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(path, &e));
    SongTableModel m;
    ASSERT_TRUE(m.load(&lib, kDefaultRecordSource, &e));
    EXPECT_LT(m.rowCount(), 3000) << "only the first rows are read at load";

    for (const QString& f : kFilters) {
        m.setFilter(f);
        EXPECT_EQ(shownFiles(m), scan(records, f)) << f.toStdString();
    }
    // Typing on, key by key, narrows from the rows shown; taking keys back widens again.
    const QString typed = "mañana café";
    for (int k = 1; k <= typed.size(); ++k) {
        m.setFilter(typed.left(k));
        ASSERT_EQ(shownFiles(m), scan(records, typed.left(k))) << typed.left(k).toStdString();
    }
    for (int k = typed.size() - 1; k >= 0; --k) {
        m.setFilter(typed.left(k));
        ASSERT_EQ(shownFiles(m), scan(records, typed.left(k))) << typed.left(k).toStdString();
    }
    EXPECT_FALSE(m.filtering());
    EXPECT_EQ(m.rowCount(), 3000);
}

TEST(SongFilter, SortFindEditAndDeleteWorkOnTheRowsShown)
{
    const QString dir = QString::fromStdString(tempDir());
    const QString path = newLibrary(dir);
    std::vector<Record> records = makeLibrary(path, 800);
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(path, &e));
    SongTableModel m;
    ASSERT_TRUE(m.load(&lib, kDefaultRecordSource, &e));
    m.setFilter("love");
    const QStringList before = shownFiles(m);
    ASSERT_GT(before.size(), 10);

    m.sortByColumn(m.columnOf("MidiFile"), true);
    QStringList descending = before;
    std::sort(descending.begin(), descending.end(), std::greater<>());
    EXPECT_EQ(shownFiles(m, false), descending) << "the same rows, in the new order";

    // Find counts in the rows shown.
    const int hit = m.find(m.columnOf("MidiFile"), JetPattern(descending[3]), 0);
    EXPECT_EQ(hit, 3);
    EXPECT_EQ(m.find(m.columnOf("MidiFile"), JetPattern(records[0].file), 0) >= 0, scan(records, "love").contains(records[0].file));

    // An edit reaches the library and the row under it; the row stays until the filter changes.
    m.setEditable(true);
    ASSERT_TRUE(m.setData(m.index(2, m.columnOf("Name")), "Plain title"));
    EXPECT_EQ(m.index(2, m.columnOf("Name")).data().toString(), "Plain title");
    EXPECT_EQ(sqlValue(lib, "SELECT Name FROM \"All Songs\" WHERE MidiFile = '" + descending[2] + "'").toString(),
              "Plain title");
    m.setFilter("plain TITLE");
    EXPECT_EQ(shownFiles(m), QStringList{descending[2]}) << "the edited text is searched";

    // A delete takes the shown row, not the row of the same number in the whole source.
    m.setFilter("love");
    m.sortByColumn(m.columnOf("MidiFile"), true);
    const QString gone = m.index(4, m.columnOf("MidiFile")).data().toString();
    const QString next = m.index(5, m.columnOf("MidiFile")).data().toString();
    ASSERT_TRUE(m.removeSong(4, &e));
    EXPECT_EQ(m.index(4, m.columnOf("MidiFile")).data().toString(), next);
    EXPECT_EQ(sqlValue(lib, "SELECT COUNT(*) FROM \"All Songs\" WHERE MidiFile = '" + gone + "'").toInt(), 0);
    m.setFilter("");
    EXPECT_EQ(m.rowCount(), 799);
    EXPECT_FALSE(shownFiles(m).contains(gone));
}

namespace {

// The browser on a library, in the database view.
struct FilterBrowser {
    QString dir = QDir::cleanPath(QString::fromStdString(tempDir()));
    std::map<QString, QString> settings;
    std::vector<QString> messages;
    std::vector<Record> records;
    frmDataGrid w;

    explicit FilterBrowser(int songs)
    {
        settings["CurDir"] = dir;
        settings["CurDB"] = newLibrary(dir, "karaoke.db");
        settings["DBorFiles"] = "1";
        records = makeLibrary(settings["CurDB"], songs);
        w.AppPath = dir + "/";
        w.readSetting = [this](const QString& key) { return settings.count(key) ? settings[key] : QString(); };
        w.writeSetting = [this](const QString& key, const QString& value) { settings[key] = value; };
        w.dialogs.message = [this](const QString& text, LibraryDialogs::Icon) { messages.push_back(text); };
        w.Form_Load();
        w.resize(700, 400);
        w.show();
        QCoreApplication::processEvents();
    }
    QString count() const { return w.windowTitle().section(' ', 0, 0); }
    bool focused(QWidget* child) { return w.focusWidget() == child; }
};

void key(QWidget* to, int code, Qt::KeyboardModifiers mods = {}, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, code, mods, text);
    QApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, code, mods, text);
    QApplication::sendEvent(to, &release);
}

void type(QWidget* to, const QString& text)
{
    for (const QChar c : text) key(to, c.unicode() < 128 ? int(c.toUpper().unicode()) : int(Qt::Key_unknown), {}, QString(c));
}

} // namespace

TEST(FilterBox, KeysNarrowTheGridTheCaptionFollowsAndEscClears)
{
    FilterBrowser b(1500);
    ASSERT_TRUE(b.w.txtFilter->isVisible());
    EXPECT_LE(b.w.txtFilter->geometry().bottom(), b.w.grdData->geometry().top()) << "the box sits above the grid";
    EXPECT_EQ(b.count(), "1500");

    b.w.grdData->setFocus();
    key(b.w.grdData, Qt::Key_Slash, {}, "/");
    EXPECT_TRUE(b.focused(b.w.txtFilter)) << "\"/\" in the grid goes to the filter box";
    EXPECT_TRUE(b.w.txtFilter->text().isEmpty()) << "the \"/\" itself is not typed";
    type(b.w.txtFilter, "ZOE Café");
    EXPECT_EQ(b.w.txtFilter->text(), "ZOE Café");
    EXPECT_EQ(shownFiles(*b.w.songs()), scan(b.records, "zoe cafe"));
    EXPECT_EQ(b.count(), QString::number(scan(b.records, "zoe cafe").size()));
    EXPECT_TRUE(b.w.windowTitle().contains("All Songs"));

    key(b.w.txtFilter, Qt::Key_Escape);
    EXPECT_TRUE(b.w.txtFilter->text().isEmpty());
    EXPECT_TRUE(b.focused(b.w.grdData));
    EXPECT_EQ(b.count(), "1500");

    // Ctrl+K anywhere in the window.
    auto* shortcut = b.w.findChild<QShortcut*>();
    ASSERT_NE(shortcut, nullptr);
    EXPECT_EQ(shortcut->key(), QKeySequence("Ctrl+K"));
    emit shortcut->activated();
    EXPECT_TRUE(b.focused(b.w.txtFilter));
    type(b.w.txtFilter, "100% [demo]");
    EXPECT_EQ(shownFiles(*b.w.songs()), scan(b.records, "100% [demo]"));
    key(b.w.txtFilter, Qt::Key_Return);
    EXPECT_TRUE(b.focused(b.w.grdData));
    EXPECT_TRUE(b.w.grdData->currentIndex().isValid() || b.w.songs()->rowCount() == 0);
    EXPECT_TRUE(b.messages.empty());
}

TEST(FilterBox, FiltersTheCurrentRecordSourceAndStaysOverAReload)
{
    FilterBrowser b(600);
    ASSERT_TRUE(b.w.showRecordSource(kSelectFrom + "[All Songs] WHERE Category IS NULL", nullptr));
    b.w.txtFilter->setText("love");
    std::vector<Record> uncategorised;
    for (const Record& r : b.records)
        if (r.category.isEmpty()) uncategorised.push_back(r);
    ASSERT_FALSE(scan(uncategorised, "love").isEmpty());
    EXPECT_EQ(shownFiles(*b.w.songs()), scan(uncategorised, "love"));

    b.w.CaricaDB(); // back to the stored record source, e.g. after an import
    EXPECT_EQ(b.w.txtFilter->text(), "love");
    EXPECT_EQ(shownFiles(*b.w.songs()), scan(b.records, "love"));
    EXPECT_EQ(b.count(), QString::number(scan(b.records, "love").size()));
}

TEST(FilterBox, HiddenInTheFileViewAndCtrlKDoesNothingThere)
{
    FilterBrowser b(10);
    b.w.optDBFile->click(); // to the file view
    EXPECT_FALSE(b.w.txtFilter->isVisible());
    b.w.focusFilter();
    EXPECT_FALSE(b.focused(b.w.txtFilter));
    b.w.optDBFile->click();
    EXPECT_TRUE(b.w.txtFilter->isVisible());
}
