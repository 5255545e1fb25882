#include "Main.h"

#include "AppState.h"
#include "Termination.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmPlay.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>

namespace lirmus {

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine c;
    QStringList rest = arguments.mid(1);
    if (!rest.isEmpty() && rest.first() == "VediTu") {
        c.VediTu = true;
        rest.removeFirst();
    }
    // A desktop hands over a path; a song name may also hold blanks.
    if (!rest.isEmpty()) c.song = rest.join(' ');
    if (!c.song.isEmpty() && QFileInfo::exists(rest.first()) && rest.size() > 1) c.song = rest.first();
    return c;
}

bool isVediTu(const QStringList& arguments) { return parseCommandLine(arguments).VediTu; }

void loadStartupState(AppState& state, const std::string& dir, const std::vector<std::string>& dataDirs,
                      std::vector<std::string>* messages)
{
    Settings& s = state.settings;
    s.AppPath = makeAppPath(dir);
    state.player.channels.SoloChannel = -1;
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

int Main(const QStringList& arguments)
{
    QLockFile lock(instanceLockPath());
    if (!takeInstanceLock(lock)) {
        QMessageBox::warning(nullptr, "Lirmus", "Lirmus alredy loaded !");
        return 0;
    }
    // SIGTERM and Ctrl+C quit like the menu does, so the settings reach the disk.
    Termination termination;

    // A song named on the command line is what the user asked for: no about box first.
    const CommandLine command = parseCommandLine(arguments);
    if (command.song.isEmpty()) {
        frmAbout about;
        about.exec();
    }

    AppState state;
    state.settings.VediTu = command.VediTu;
    std::vector<std::string> messages;
    loadStartupState(state, QDir::currentPath().toStdString(), installedDataDirs(), &messages);
    state.settingsService->setErrorHandler([](const std::string& m) {
        QMessageBox::warning(QApplication::activeWindow(), "Lirmus",
                             QString::fromStdString("Lirmus cannot save its settings: " + m));
    });
    if (!QFileInfo(QString::fromStdString(state.settings.AppPath)).isWritable())
        messages.push_back("Lirmus cannot write its settings in " + state.settings.AppPath +
                           ": changes made now will not be kept.");

    state.StartingUp = true;
    frmMain main(state);
    main.createChildWindows();
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
    // A changed SoundFont or recording file is followed from the next start on.
    state.settingsService->listen([&state](const std::string& section, const std::string& key) {
        if (QString::fromStdString(section).compare("LOAD", Qt::CaseInsensitive) != 0) return;
        const QString k = QString::fromStdString(key);
        if (k.compare("SoundFont", Qt::CaseInsensitive) == 0 || k.compare("AudioFile", Qt::CaseInsensitive) == 0) {
            readOption(*state.settingsService, state.settings, section, key);
            state.player.applySynthSettings();
        }
    });

    if (!command.song.isEmpty()) {
        // Chosen as a dropped file would be, whatever its extension.
        main.playSong(QFileInfo(command.song).absoluteFilePath(), 0);
    }

    // A signal that came while no event loop ran could not stop one.
    int code = 0;
    if (!termination.requested()) code = QApplication::exec();
    // Whichever way the program ends, nothing may sound on after it.
    state.player.shutDown();
    return code;
}

} // namespace lirmus
