#include "Main.h"

#include "AppState.h"
#include "InstanceChannel.h"
#include "SongLibrary.h"
#include "Termination.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmPlay.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLockFile>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace lirmus {

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine c;
    QStringList rest = arguments.mid(1);
    for (bool more = true; more && !rest.isEmpty();) {
        more = false;
        if (rest.first() == "VediTu") c.VediTu = more = true;
        else if (rest.first() == "--karaoke-screen") c.karaokeScreen = more = true;
        if (more) rest.removeFirst();
    }
    if (rest.isEmpty()) return c;
    // A desktop hands over paths; a song name typed unquoted may also hold blanks.
    const QString joined = rest.join(' ');
    const bool someExist = std::any_of(rest.begin(), rest.end(), [](const QString& a) { return QFileInfo::exists(a); });
    if (rest.size() > 1 && someExist && !QFileInfo::exists(joined)) c.songs = rest;
    else c.songs = QStringList{joined};
    c.song = c.songs.first();
    return c;
}

bool isVediTu(const QStringList& arguments) { return parseCommandLine(arguments).VediTu; }

void loadStartupState(AppState& state, const std::string& dir, const std::vector<std::string>& dataDirs,
                      std::vector<std::string>* messages)
{
    Settings& s = state.settings;
    s.AppPath = makeAppPath(dir);
    state.settingsService = std::make_unique<SettingsService>(s.iniPath());
    const SettingsService& ini = *state.settingsService;
    if (!ini.lastError().empty() && messages) messages->push_back(ini.lastError());
    readOptions(ini, s);

    std::string problem;
    state.controllers = readControllerTable(ini, &problem);
    if (!problem.empty() && messages) messages->push_back(problem);

    // A missing list is not an error: the names stay empty.
    const std::string programs = resolveDataFile(s.AppPath, "programs.txt", dataDirs);
    if (!programs.empty()) loadProgramNames(programs, s.ProgramNames);
    const std::string drums = resolveDataFile(s.AppPath, "Drums.txt", dataDirs);
    s.DrumKits.clear();
    if (!drums.empty()) loadDrumKits(drums, s.DrumKits);
    // The player was made before the settings were read.
    state.player.applySynthSettings();
}

// The copies of programs.txt, Drums.txt and Database.new installed with the program.
std::vector<std::string> installedDataDirs()
{
    const QString exe = QCoreApplication::applicationDirPath();
    return {(exe + "/data").toStdString(), (exe + "/../share/lirmus").toStdString()};
}


QString instanceLockPath()
{
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) runtime = QDir::tempPath();
    return runtime + "/lirmus.lock";
}

bool takeInstanceLock(QLockFile& lock)
{
    // Staleness by process only: a lock whose process is gone is stale at once,
    // one whose process lives is never stale, however old.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) return true;
    // A lock that cannot even be written (no runtime folder) must not stop the program.
    return lock.error() != QLockFile::LockFailedError;
}

QString settingsFolder(const QString& current, const QString& exeDir, const QString& dataHome)
{
    if (QFileInfo::exists(current + "/LIRMUS.INI")) return current;
    const QDir exe(exeDir);
    const bool installed = exe.dirName() == "bin" && QFileInfo(exeDir + "/../share/lirmus").isDir();
    return installed ? dataHome + "/lirmus" : current;
}

namespace {

/// Songs handed to the running copy: unreadable ones are told here, where the user asked.
int handOver(const QString& lockPath, const QStringList& songs, QStringList* notices)
{
    QStringList readable, unreadable;
    for (const QString& s : songs) (songReadable(s) ? readable : unreadable) << s;
    if (!unreadable.isEmpty()) *notices << "These songs cannot be read:\n" + unreadable.join('\n');
    if (readable.isEmpty()) return 1;
    if (sendToRunningCopy(instanceSocketPath(lockPath), readable)) return 0;
    *notices << "Lirmus alredy loaded !\nThe running Lirmus did not take the songs.";
    return 1;
}

/// A window system a user sees a message box on; without one the terminal has to do
/// (a box on the offscreen platform would wait for a click that never comes).
bool windowSystemAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal")) return false;
    return !platform.isEmpty() || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int runFirstCopy(const QString& lockPath, CommandLine command);

} // namespace

int Main(int& argc, char** argv)
{
    CommandLine command;
    QString lockPath;
    std::optional<QLockFile> lock;
    QStringList notices;
    int code = 0;
    {
        // Deciding which copy runs, and handing songs over, needs no window system: a
        // second start from a terminal without a display still hands its songs over.
        QCoreApplication core(argc, argv);
        // Paths are made whole before the start folder may change.
        command = parseCommandLine(QCoreApplication::arguments());
        for (QString& s : command.songs) s = QFileInfo(s).absoluteFilePath();
        if (!command.songs.isEmpty()) command.song = command.songs.first();
        lockPath = instanceLockPath();
        lock.emplace(lockPath);
        if (!takeInstanceLock(*lock)) {
            if (command.songs.isEmpty()) notices << "Lirmus alredy loaded !";
            else code = handOver(lockPath, command.songs, &notices);
            for (const QString& n : notices) std::fprintf(stderr, "lirmus: %s\n", qPrintable(n));
            if (notices.isEmpty() || !windowSystemAvailable()) return code;
            lock.reset();
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lirmus");
    QApplication::setApplicationVersion(QString("%1.%2").arg(LIRMUS_VERSION_MAJOR).arg(LIRMUS_VERSION_MINOR));
    QApplication::setWindowIcon(QIcon(":/lirmus/lirmus.png"));
    if (!lock) {
        for (const QString& n : notices) QMessageBox::warning(nullptr, "Lirmus", n);
        return code;
    }
    return runFirstCopy(lockPath, std::move(command));
}

namespace {

int runFirstCopy(const QString& lockPath, CommandLine command)
{
    // We hold the lock: a socket file found now is a crashed copy's and is replaced.
    InstanceServer server;
    if (!server.listen(instanceSocketPath(lockPath)))
        qWarning("Lirmus cannot take songs from later starts: %s", qPrintable(server.errorString()));

    // Started from the desktop menu, an installed Lirmus keeps its settings in the user's folder.
    const QString home = settingsFolder(QDir::currentPath(), QCoreApplication::applicationDirPath(),
                                        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    if (home != QDir::currentPath() && QDir().mkpath(home)) QDir::setCurrent(home);

    // SIGTERM and Ctrl+C quit like the menu does, so the settings reach the disk.
    Termination termination;
    termination.setSignalHook(&SongLibrary::stopEveryQuery); // a long query would keep us from hearing it

    // A song named on the command line is what the user asked for: no about box first.
    if (command.song.isEmpty()) {
        frmAbout about;
        about.exec();
    }

    AppState state;
    state.settings.VediTu = command.VediTu;
    std::vector<std::string> messages;
    state.dataDirs = installedDataDirs();
    loadStartupState(state, QDir::currentPath().toStdString(), state.dataDirs, &messages);
    // Not an error for the user (the names stay empty), but whoever installed Lirmus should know.
    for (const char* name : {"programs.txt", "Drums.txt", "Database.new"})
        if (resolveDataFile(state.settings.AppPath, name, installedDataDirs()).empty())
            qWarning("Lirmus cannot find %s beside LIRMUS.INI nor in %s", name,
                     qPrintable(QCoreApplication::applicationDirPath() + "/../share/lirmus"));
    auto mainWindow = std::make_shared<QPointer<QWidget>>();
    state.settingsService->setErrorHandler([mainWindow](const std::string& m) {
        // The main window's: a box never covers the karaoke screen.
        QMessageBox::warning(*mainWindow, "Lirmus",
                             QString::fromStdString("Lirmus cannot save its settings: " + m));
    });
    // Said once: a settings file that cannot be written was told by the service already.
    if (state.settingsService->lastError().empty() && !QFileInfo(QString::fromStdString(state.settings.AppPath)).isWritable())
        messages.push_back("Lirmus cannot write its settings in " + state.settings.AppPath +
                           ": changes made now will not be kept.");

    state.StartingUp = true;
    frmMain main(state);
    *mainWindow = &main;
    main.createChildWindows();
    main.restoreMainGeometry();
    main.showAll();
    for (const std::string& m : messages)
        QMessageBox::warning(&main, "Lirmus", QString::fromStdString(m));

    QApplication::setOverrideCursor(Qt::WaitCursor);
    state.StartingUp = false;
    main.layOutOrMaximize();
    main.showAll();
    state.player.openOutput();
    if (main.SetMciMode) main.SetMciMode();
    QApplication::restoreOverrideCursor();
    // A changed SoundFont, recording file or voice in it is followed from the next start on.
    state.settingsService->listen([&state](const std::string& section, const std::string& key) {
        const auto is = [](const std::string& a, const char* b) {
            return QString::fromStdString(a).compare(b, Qt::CaseInsensitive) == 0;
        };
        if ((is(section, "LOAD") && (is(key, "SoundFont") || is(key, "AudioFile"))) ||
            (is(section, "SING") && is(key, "RecordVoice"))) {
            readOption(*state.settingsService, state.settings, section, key);
            state.player.applySynthSettings();
        }
    });

    // The queue of the last run, then the songs later starts hand over.
    state.player.playQueue().attachStore(state.settingsService.get());
    state.player.playQueue().setRefused([&state](const QStringList& files) {
        state.player.hub().messageBox(QString("The play queue holds at most %1 songs: %2 songs were not added.")
                                          .arg(PlayQueue::kMaxSongs).arg(files.size()),
                                      MessageIcon::Exclamation);
    });
    server.handSongsTo(state.player);
    // Open before the first song is chosen, so its title card comes first.
    if (command.karaokeScreen) main.openKaraokeScreen();
    if (!command.songs.isEmpty()) {
        // The first is chosen as a dropped file would be, whatever its extension; the rest wait.
        main.playSong(command.songs.first(), 0);
        state.player.playQueue().add(command.songs.mid(1));
    }

    // A signal that came while no event loop ran could not stop one.
    int code = 0;
    if (!termination.requested()) code = QApplication::exec();
    // Whichever way the program ends, nothing may sound on after it.
    state.player.shutDown();
    return code;
}

} // namespace

} // namespace lirmus
