#pragma once
// A song browser with its settings in memory and every dialog answered by the test.
#include "../song/QtPrinters.h"
#include "LibraryFixture.h"
#include "SongTableModel.h"
#include "frmDataGrid.h"
#include "frmImport.h"
#include "frmSelect.h"
#include "Jobs.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtCore/qtestsupport_core.h>
#include <deque>
#include <map>
#include <optional>

using namespace lirmus;

namespace lirmus::test {

struct Chosen {
    QString path;
    int transpose;
    std::optional<int> tempo = {};
    bool operator==(const Chosen&) const = default;
};

// A browser with its settings in memory and every dialog answered by the test.
struct Browser {
    QString dir = QDir::cleanPath(QString::fromStdString(tempDir()));
    QString app = dir + "/app/";
    std::map<QString, QString> settings;
    std::vector<std::pair<QString, QString>> writes;
    std::vector<QString> messages;
    std::deque<QString> answers;     // input boxes and file dialogs, in order
    std::deque<bool> confirmations;
    std::vector<Chosen> chosen;
    bool enabledMenus = false;
    frmDataGrid w;

    Browser()
    {
        QDir().mkpath(app);
        const QString templ = newLibrary(app, "Database.new");
        EXPECT_FALSE(templ.isEmpty());
        settings["CurDir"] = dir;
        w.AppPath = app;
        w.readSetting = [this](const QString& key) { return settings.count(key) ? settings[key] : QString(); };
        w.writeSetting = [this](const QString& key, const QString& value) {
            writes.emplace_back(key, value);
            settings[key] = value;
        };
        w.dialogs.message = [this](const QString& text, LibraryDialogs::Icon) { messages.push_back(text); };
        w.dialogs.input = [this](const QString&, const QString&, const QString&) { return next(); };
        w.dialogs.chooseFile = [this](const LibraryDialogs::FileChoice&) { return next(); };
        w.dialogs.confirm = [this](const QString& q) {
            messages.push_back(q);
            const bool yes = !confirmations.empty() && confirmations.front();
            if (!confirmations.empty()) confirmations.pop_front();
            return yes;
        };
        QObject::connect(&w, &frmDataGrid::songChosen,
                         [this](const QString& path, int transpose, std::optional<int> tempo) {
                             chosen.push_back({path, transpose, tempo});
                         });
        QObject::connect(&w, &frmDataGrid::databaseOpen, [this](bool open) { enabledMenus = open; });
    }
    QString next()
    {
        if (answers.empty()) return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
    /// Loads with the library open in the database view.
    void loadDatabase(const QString& db)
    {
        settings["CurDB"] = db;
        settings["RecordSource"] = kDefaultRecordSource;
        settings["DBorFiles"] = "1";
        load();
    }
    void load()
    {
        w.Form_Load();
        w.resize(700, 400);
        w.show();
        QCoreApplication::processEvents();
    }
    // A library with songs of three authors.
    QString library(int songs = 3)
    {
        const QString path = newLibrary(dir, "karaoke.db");
        SongLibrary lib;
        DbError e;
        EXPECT_TRUE(lib.open(path, &e));
        const char* authors[] = {"Modugno", "O'Brien", "Abba"};
        for (int i = 0; i < songs; ++i)
            EXPECT_TRUE(lib.insertSong({QString("Song %1").arg(i, 2, 10, QChar('0')), authors[i % 3], "Pop", i % 3 - 1,
                                        dir + QString("/s%1.kar").arg(i)}, &e));
        return path;
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < w.songs()->rowCount(); ++r) out << w.songs()->index(r, c).data().toString();
        return out;
    }
    void headerClick(int column, Qt::KeyboardModifiers mods)
    {
        QWidget* vp = w.grdData->horizontalHeader()->viewport();
        const QPoint at(w.grdData->horizontalHeader()->sectionViewportPosition(column) + 5, 5);
        for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(t, at, vp->mapToGlobal(at), Qt::LeftButton,
                          t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, mods);
            QCoreApplication::sendEvent(vp, &e);
        }
    }
};

} // namespace lirmus::test
