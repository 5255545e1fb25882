// Lirmus as the desktop sees it: installed into a prefix and started from
// another folder, it finds its data and keeps its settings in the user's
// folder; its desktop entry and metainfo validate; songs of a second start
// reach the running copy's queue, even past a socket left by a crashed copy.
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <csignal>
#include <thread>

using namespace lirmus;

namespace {

/// Runs program with args; its exit code, or -1 when it did not finish. Output in *out.
int run(const QString& program, const QStringList& args, QString* out = nullptr, int timeoutMs = 120000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) *out = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

std::string writeSong(const std::string& path, int seconds)
{
    test::SmfWriter smf(1, 500);
    smf.track().tempo(0, 500000).end();
    test::SmfTrack& t = smf.track().program(0, 0, 0);
    for (int i = 0; i < seconds; ++i) t.note(i == 0 ? 0 : 500, 0, 60, 100).noteOff(500, 0, 60);
    t.end();
    EXPECT_TRUE(smf.save(path));
    return path;
}

/// One install into a temporary prefix for every test here.
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix_ = QString::fromStdString(test::tempDir()) + "prefix";
        QString out;
        installed_ = run(LIRMUS_CMAKE, {"--install", QString::fromStdString(test::buildDir()), "--prefix", prefix_}, &out) == 0;
        installLog_ = out;
    }
    void SetUp() override { ASSERT_TRUE(installed_) << installLog_.toStdString(); }

    static QString prefix_;
    static bool installed_;
    static QString installLog_;
};
QString Installed::prefix_;
bool Installed::installed_ = false;
QString Installed::installLog_;

/// The environment of a desktop session of its own: runtime folder, data folder, no display.
QProcessEnvironment session(const QString& root)
{
    QDir().mkpath(root + "/run");
    QFile::setPermissions(root + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(root + "/data");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", root + "/run");
    env.insert("XDG_DATA_HOME", root + "/data");
    return env;
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    for (int waited = 0; waited < ms; waited += 100) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST_F(Installed, EverythingTheDesktopNeedsIsInPlaceAndValid)
{
    for (const char* file : {"bin/lirmus", "bin/lirmus-info", "bin/lirmus-library", "share/lirmus/programs.txt",
                             "share/lirmus/Drums.txt", "share/lirmus/Database.new",
                             "share/applications/lirmus.desktop", "share/icons/hicolor/64x64/apps/lirmus.png",
                             "share/metainfo/org.lirmus.lirmus.metainfo.xml"})
        EXPECT_TRUE(QFileInfo::exists(prefix_ + "/" + file)) << file;

    const QString desktop = prefix_ + "/share/applications/lirmus.desktop";
    const QString text = readText(desktop);
    EXPECT_TRUE(text.contains("\nExec=lirmus %F\n")) << "several songs from the file manager";
    EXPECT_TRUE(text.contains("MimeType=audio/midi;audio/x-midi;"));

    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    const QString appstream = QStandardPaths::findExecutable("appstreamcli");
    ASSERT_FALSE(validator.isEmpty()) << "desktop-file-validate missing (Debian desktop-file-utils)";
    ASSERT_FALSE(appstream.isEmpty()) << "appstreamcli missing (Debian appstream)";
    QString out;
    EXPECT_EQ(run(validator, {desktop}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.trimmed().isEmpty()) << "no warnings either: " << out.toStdString();
    EXPECT_EQ(run(appstream, {"validate", "--no-net", prefix_ + "/share/metainfo/org.lirmus.lirmus.metainfo.xml"}, &out), 0)
        << out.toStdString();
}

TEST_F(Installed, StartedElsewhereItFindsItsDataAndASecondStartQueuesItsSongs)
{
    const QString root = QString::fromStdString(test::tempDir());
    const QProcessEnvironment env = session(root);
    QDir().mkpath(root + "/elsewhere");
    const QString first = QString::fromStdString(writeSong(root.toStdString() + "first.mid", 30));
    const QString second = QString::fromStdString(writeSong(root.toStdString() + "second song.mid", 2));
    const QString third = QString::fromStdString(writeSong(root.toStdString() + "third.kar", 2));
    // No sound card here: the synthesizer plays into a file.
    QDir().mkpath(root + "/data/lirmus");
    QFile ini(root + "/data/lirmus/LIRMUS.INI");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(("[OPTIONS]\r\nAutoStart=0\r\n[LOAD]\r\nAudioFile=" + root + "take.wav\r\n").toUtf8());
    ini.close();
    // A crashed copy left its socket behind.
    QFile stale(root + "/run/lirmus.socket");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    QProcess lirmus;
    lirmus.setProcessEnvironment(env);
    lirmus.setWorkingDirectory(root + "/elsewhere");
    lirmus.start(prefix_ + "/bin/lirmus", {first});
    ASSERT_TRUE(lirmus.waitForStarted(10000));
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(root + "take.wav"); }, 60000)) << "the first song started";

    QProcess again;
    again.setProcessEnvironment(env);
    again.setWorkingDirectory(root);
    again.start(prefix_ + "/bin/lirmus", {"second song.mid", "third.kar"}); // relative to its own folder
    ASSERT_TRUE(again.waitForFinished(30000)) << "the second start hands over and ends";
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();

    // The queue is kept in the settings file of the user's folder.
    const QString kept = root + "/data/lirmus/LIRMUS.INI";
    const bool queued = waitFor([&] { return readText(kept).contains("Count=2"); }, 10000);
    ::kill(pid_t(lirmus.processId()), SIGTERM);
    ASSERT_TRUE(lirmus.waitForFinished(15000));
    const QString log = QString::fromLocal8Bit(lirmus.readAllStandardError());
    ASSERT_TRUE(queued) << readText(kept).toStdString() << log.toStdString();
    const QString settings = readText(kept);
    EXPECT_TRUE(settings.contains("Song1=" + second)) << settings.toStdString();
    EXPECT_TRUE(settings.contains("Song2=" + third)) << settings.toStdString();
    EXPECT_FALSE(QFileInfo::exists(root + "/elsewhere/LIRMUS.INI")) << "the start folder stays clean";
    EXPECT_FALSE(log.contains("cannot find")) << log.toStdString();
}

TEST_F(Installed, WithoutItsDataFilesTheProgramSaysWhatIsMissing)
{
    // The same program copied away from its prefix: the check above is not vacuous.
    const QString root = QString::fromStdString(test::tempDir());
    QDir().mkpath(root + "/bin");
    ASSERT_TRUE(QFile::copy(prefix_ + "/bin/lirmus", root + "/bin/lirmus"));
    QFile::setPermissions(root + "/bin/lirmus", QFile::ReadOwner | QFile::ExeOwner);
    QProcess lirmus;
    lirmus.setProcessChannelMode(QProcess::MergedChannels);
    lirmus.setProcessEnvironment(session(root));
    lirmus.setWorkingDirectory(root);
    lirmus.start(root + "/bin/lirmus", {QString::fromStdString(writeSong(root.toStdString() + "a.mid", 30))});
    ASSERT_TRUE(lirmus.waitForStarted(10000));
    QString log;
    for (int waited = 0; waited < 300 && !log.contains("Database.new"); ++waited)
        if (lirmus.waitForReadyRead(100)) log += QString::fromLocal8Bit(lirmus.readAll());
    ::kill(pid_t(lirmus.processId()), SIGTERM);
    lirmus.waitForFinished(15000);
    EXPECT_TRUE(log.contains("cannot find programs.txt")) << log.toStdString();
}
