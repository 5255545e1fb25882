#include "frmMain.h"

#include "AppState.h"
#include "LayoutWindows.h"
#include "MenuTable.h"
#include "PartyAddress.h"
#include "PartyDesk.h"
#include "PartyServer.h"
#include "SettingsService.h"
#include "SingController.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmDataGrid.h"
#include "frmIndic.h"
#include "frmKaraokeScreen.h"
#include "frmLyric.h"
#include "frmMidiInfo.h"
#include "frmOptions.h"
#include "frmParty.h"
#include "frmPlay.h"
#include "frmScores.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>

namespace lirmus {

QString mainCaption()
{
    return QString("Lirmus   BETA Version %1.%2").arg(LIRMUS_VERSION_MAJOR).arg(LIRMUS_VERSION_MINOR);
}

frmMain::frmMain(AppState& state, QWidget* parent) : QMainWindow(parent), state_(state)
{
    setObjectName("frmMain");
    setWindowTitle(mainCaption());
    onBeep = [] { QApplication::beep(); };
    showOptions = [this] { showOptionsDialog(); };
    SetMciMode = [this] { state_.player.transport().SetMciMode(); };
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    setCentralWidget(mdi_);
    buildMenus();
    // The size rule below answers a too-small window with a beep; let it be tried.
    setMinimumSize(100, 100);
    mdi_->setMinimumSize(1, 1);
    // Open at most of the screen: the monitor's sixteen strips and master panel need the height.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::max(px(kMinMainSize), avail.width() * 9 / 10), std::max(px(kMinMainSize), avail.height() * 9 / 10));
    move(avail.x() + (avail.width() - width()) / 2, avail.y() + (avail.height() - height()) / 2);
}

frmMain::~frmMain() = default;

void frmMain::buildMenus()
{
    QMenu* current = nullptr;
    for (const MenuItem& item : mainMenuTable()) {
        const QString control = item.control;
        const QString caption = item.caption;
        if (item.level == 0) {
            current = new QMenu(caption, this);
            current->setObjectName(control == "mnuTop" ? QString("mnuTop(%1)").arg(item.index) : control);
            if (control == "mnuPopData") mnuPopData_ = current;
            else menuBar()->addMenu(current);
            actions_[{control, item.index}] = current->menuAction();
            current->menuAction()->setVisible(!item.hidden);
            continue;
        }
        QAction* a = caption == "-" ? current->addSeparator() : current->addAction(caption);
        a->setObjectName(item.index < 0 ? control : QString("%1(%2)").arg(control).arg(item.index));
        a->setVisible(!item.hidden);
        a->setEnabled(!item.disabled);
        if (*item.shortcut) {
            a->setShortcut(QKeySequence(QString(item.shortcut)));
            addAction(a); // shortcuts work even while their menu is closed or hidden
        }
        actions_[{control, item.index}] = a;

        const int index = item.index;
        if (control == "mnuExit") connect(a, &QAction::triggered, this, &frmMain::mnuExit_Click);
        else if (control == "mnuPlayer") connect(a, &QAction::triggered, this, [this, index] { mnuPlayer_Click(index); });
        else if (control == "mnuDataBase") connect(a, &QAction::triggered, this, [this, index] { mnuDataBase_Click(index); });
        else if (control == "mnuOptions") connect(a, &QAction::triggered, this, [this, index] { mnuOptions_Click(index); });
        else if (control == "mnuHelp") connect(a, &QAction::triggered, this, [this, index] { mnuHelp_Click(index); });
        else if (control == "mnuPData") connect(a, &QAction::triggered, this, [this, index] { mnuPData_Click(index); });
    }
}

QAction* frmMain::menuAction(const QString& control, int index) const
{
    auto it = actions_.find({control, index});
    return it == actions_.end() ? nullptr : it->second;
}

void frmMain::createChildWindows()
{
    frmPlay_ = new frmPlay(state_.player, state_.settings.VediTu);
    // The lyrics window is a view of the player's lyric cursor, which is the hub's lyrics role.
    frmLyric_ = new frmLyric(state_.player.lyrics(), state_.settings, state_.settingsService.get());
    frmIndic_ = new frmIndic(state_.player, state_.settingsService.get());
    DisplayHub& hub = state_.player.hub();
    hub.attachMonitor(frmIndic_);
    hub.attachApp(this);
    frmDataGrid_ = new frmDataGrid;
    connectBrowser();
    connectSinging();
    for (QWidget* w : {static_cast<QWidget*>(frmDataGrid_), static_cast<QWidget*>(frmLyric_),
                       static_cast<QWidget*>(frmPlay_), static_cast<QWidget*>(frmIndic_)}) {
        // The four windows live as long as the program: they can be minimized
        // and maximized, never closed on their own.
        QMdiSubWindow* sub = mdi_->addSubWindow(
            w, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->setWindowIcon(windowIcon());
        sub->setObjectName(w->objectName() + "Frame");
        sub->setWindowTitle(w->windowTitle());
        // The caption follows the child (the player names its song there).
        connect(w, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
    }
    connect(frmPlay_, &frmPlay::unloaded, this, [this] { state_.PlayerClosed = true; });
    // The lyrics window sizes itself against the layout once the frames exist.
    frmLyric_->layoutWindows = [this] { return !state_.StartingUp && LayoutWindows(); };
    frmLyric_->mainMaximized = [this] { return isMaximized(); };
    // The lyrics window lays itself out again once the maximized frame has its size.
    frmLyric_->maximizeMain = [this] { showMaximized(); };
    connect(frmPlay_, &frmPlay::infoRequested, this, [this] { showMidiInfo(state_.player.song(), this); });
    if (state_.settings.PartyPort != 0) {
        const QString error = startParty();
        if (!error.isEmpty()) showNotice(error);
    }
}

QString frmMain::startParty()
{
    if (!party_) {
        partyDesk_ = std::make_unique<PartyDesk>(state_.player);
        party_ = std::make_unique<PartyServer>(*partyDesk_);
    }
    const Settings& s = state_.settings;
    party_->setPin(QString::fromStdString(s.PartyPin));
    party_->setLimit(s.PartyLimit);
    party_->setLibrary(frmDataGrid_ ? frmDataGrid_->CurDB : QString());
    partyAddress_.clear();
    partyQr_ = QImage();
    QString error;
    if (s.PartyPort == 0) party_->stop();
    else if (party_->port() != s.PartyPort && party_->start(quint16(s.PartyPort), &error) == 0)
        return error;
    if (party_->isListening()) {
        partyAddress_ = partyAddresses(party_->port()).value(0);
        partyQr_ = qrCode(partyAddress_);
    }
    return QString();
}

void frmMain::showPartyDialog()
{
    frmParty dialog(state_.settings, settingsService(), [this] { return startParty(); },
                    [this] { return party_ ? party_->port() : quint16(0); }, this);
    dialog.exec();
}

void frmMain::queueSongs(const QStringList& files) { state_.player.handOver(files); }

void frmMain::addSelectedToQueue()
{
    QString file;
    int transpose = 0;
    if (frmDataGrid_->selectedSong(&file, &transpose)) state_.player.playQueue().add({file});
}

QMdiSubWindow* frmMain::subWindowOf(QWidget* child) const
{
    return child ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
}

void frmMain::showAll()
{
    show();
    for (QWidget* w : {static_cast<QWidget*>(frmPlay_), static_cast<QWidget*>(frmLyric_),
                       static_cast<QWidget*>(frmIndic_), static_cast<QWidget*>(frmDataGrid_)}) {
        w->show();
        if (QMdiSubWindow* sub = subWindowOf(w)) sub->show();
    }
}

bool frmMain::LayoutWindows()
{
    if (!frmPlay_) return false;
    QMdiSubWindow* playerFrame = subWindowOf(frmPlay_);
    QMdiSubWindow* monitorFrame = subWindowOf(frmIndic_);

    // The platform's real frame metrics stand in for the classic system metrics:
    // what the main window's frame, menu bar and the MDI area's own frame take.
    const QRect outer = frameGeometry();
    const QSize client = mdi_->viewport()->size();
    LayoutInput in;
    in.W = twips(outer.width());
    in.H = twips(outer.height());
    in.k = twips(outer.height() - client.height());
    in.sideMargin = twips(outer.width() - client.width());
    const int childFrameHeight = playerFrame->height() - frmPlay_->height();
    in.playerHeight = frmPlay::kDesignHeight + twips(childFrameHeight);
    in.lyricsHeight = frmLyric_->LyricWindowHeight() + twips(childFrameHeight);
    in.stripInset = twips(monitorFrame->width() - frmIndic_->width()) + 30;
    in.childFrameHeight = twips(monitorFrame->height() - frmIndic_->height());
    in.controllerRows = state_.controllers.rows();
    in.enlarged = state_.settings.KaraokeEnlarged;

    const LayoutResult r = lirmus::LayoutWindows(in);
    applyLayout(r);
    return r.tooSmall;
}

void frmMain::applyLayout(const LayoutResult& r)
{
    // Steps that would fail (a negative size) are skipped, the others stand.
    auto place = [](QMdiSubWindow* sub, const LayoutRect& rc) {
        if (!sub || rc.width < 0 || rc.height < 0) return;
        // Convert the edges, not the sizes, so neighbours meet without a gap.
        sub->setGeometry(QRect(QPoint(px(rc.left), px(rc.top)),
                               QPoint(px(rc.left + rc.width) - 1, px(rc.top + rc.height) - 1)));
    };
    place(subWindowOf(frmPlay_), r.player);
    place(subWindowOf(frmLyric_), r.lyrics);
    place(subWindowOf(frmDataGrid_), r.browser);
    frmDataGrid_->Form_Resize();
    place(subWindowOf(frmIndic_), r.monitor);
    if (r.mastVisibilityChanged) {
        frmIndic_->setMasterVisible(6, r.mast6Visible);
        frmIndic_->setMasterVisible(7, r.mast7Visible);
    }
    frmIndic_->movePicMelody(r.melodyLeft, r.melodyTop);
    frmIndic_->setStripSize(r.stripWidth, r.stripHeight);
    frmIndic_->placeMasterPanel(state_.settings.KaraokeEnlarged);
}

void frmMain::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    MDIForm_Resize();
    saveMainGeometry();
}

void frmMain::moveEvent(QMoveEvent* e)
{
    QMainWindow::moveEvent(e);
    saveMainGeometry();
}

void frmMain::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) saveMainGeometry();
}

namespace {
constexpr const char* kWindowsSection = "WINDOWS";
constexpr const char* kMainGeometryKey = "Main";
} // namespace

void frmMain::restoreMainGeometry()
{
    const std::string stored = state_.settingsService
        ? state_.settingsService->getString(kWindowsSection, kMainGeometryKey) : std::string();
    if (!stored.empty() && restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(stored)))) return;
    // The first run has the whole screen, even where nothing manages the windows.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

void frmMain::saveMainGeometry()
{
    // Only the user's own sizes: not the ones start-up goes through, nor a minimized window.
    if (!state_.settingsService || state_.StartingUp || !isVisible() || isMinimized()) return;
    state_.settingsService->setString(kWindowsSection, kMainGeometryKey, saveGeometry().toBase64().toStdString());
}

void frmMain::MDIForm_Resize()
{
    if (isMinimized() || inResize_) return;
    const QRect outer = frameGeometry();
    const int frameW = outer.width() - width(), frameH = outer.height() - height();
    const int W = twips(outer.width()), H = twips(outer.height());
    if (H < kMinMainSize) {
        beep();
        resize(W < kMinMainSize ? px(kMinMainSize) - frameW : width(), px(kMinMainSize) - frameH);
        return;
    }
    if (W < kMinMainSize) {
        beep();
        resize(px(kMinMainSize) - frameW, height());
        return;
    }
    if (state_.StartingUp) return;
    layOutOrMaximize();
}

void frmMain::layOutOrMaximize()
{
    // Too small for the windows: maximized, the frame's resize lays them out again.
    inResize_ = true;
    const bool tooSmall = LayoutWindows();
    inResize_ = false;
    if (tooSmall && !isMaximized()) showMaximized();
}

void frmMain::closeEvent(QCloseEvent* e)
{
    // Closing the main window closes the player too, which stops the output.
    if (karaokeScreen_) karaokeScreen_->close();
    state_.player.transport().Stop_Play();
    state_.PlayerClosed = true;
    e->accept();
}

void frmMain::mnuExit_Click()
{
    state_.player.transport().Stop_Play();
    QCoreApplication::exit(0);
}

void frmMain::connectBrowser()
{
    // The browser keeps its folder and view in [DATABASE], through the one writer of the
    // settings file: windows made on their own get a settings service of their own.
    SettingsService* service = &settingsService();
    frmDataGrid_->readSetting = [service](const QString& key) {
        return QString::fromStdString(service->getString("DATABASE", key.toStdString()));
    };
    frmDataGrid_->writeSetting = [service](const QString& key, const QString& value) {
        service->setString("DATABASE", key.toStdString(), value.toStdString());
    };
    connect(frmDataGrid_, &frmDataGrid::songChosen, this, &frmMain::playSong);
    connect(frmPlay_, &frmPlay::saveKeyAndTempoRequested, this, &frmMain::saveKeyAndTempo);
    // The song library: the template's folders, the menus it enables, its pop-up menu.
    frmDataGrid_->AppPath = QString::fromStdString(state_.settings.AppPath);
    for (const std::string& dir : state_.dataDirs) frmDataGrid_->installedDirs << QString::fromStdString(dir);
    connect(frmDataGrid_, &frmDataGrid::databaseOpen, this, [this](bool open) {
        for (int index : {8, 10, 18}) menuAction("mnuDataBase", index)->setEnabled(open);
        // Guests search the library the host has open.
        if (party_) party_->setLibrary(open ? frmDataGrid_->CurDB : QString());
        if (scores_) scores_->showBoard(scoreBoardOf(scores_->song()));
    });
    connect(frmDataGrid_, &frmDataGrid::importMenuEnabled, this,
            [this](bool on) { menuAction("mnuDataBase", 10)->setEnabled(on); });
    connect(frmDataGrid_, &frmDataGrid::popupRequested, this, [this](const QPoint& at) {
        mnuPopData_->setDefaultAction(menuAction("mnuPData", 0));
        mnuPopData_->popup(at);
    });
    frmDataGrid_->Form_Load();
}

void frmMain::loadSelectedSong() { frmDataGrid_->chooseSelected(); }

void frmMain::saveKeyAndTempo()
{
    // The key the song starts in is the options' key change plus its own: keep the difference.
    const PlayerState& st = state_.player.state();
    if (st.SongFile.isEmpty()) return;
    frmDataGrid_->saveKeyAndTempo(st.SongFile, st.Transpose - state_.settings.KeyChange, st.SongTempoChange);
}

void frmMain::playSong(const QString& file, int transpose, std::optional<int> tempo)
{
    state_.player.playSong(file, transpose, QString(), tempo);
}

void frmMain::mnuPlayer_Click(int index)
{
    const TransportButtons& buttons = state_.player.state().buttons;
    Transport& transport = state_.player.transport();
    switch (index) {
    case 2: loadSelectedSong(); break;
    case 4: if (buttons.Play) transport.cmdPlay_Click(); break;
    case 6: if (buttons.Pause) transport.cmdPause_Click(); break;
    case 8: if (buttons.Stop) transport.cmdStop_Click(); break;
    case 92: frmPlay_->cmdInfo_Click(); break;
    case 94: showBestScores(state_.player.state().SongFile); break;
    default: break;
    }
}

void frmMain::mnuDataBase_Click(int index)
{
    switch (index) {
    case 4: frmDataGrid_->DB_New(); break;
    case 6: frmDataGrid_->DB_Open(); break;
    case 8: frmDataGrid_->cmdSelectDB_Click(); break;
    case 10: frmDataGrid_->cmdImport_Click(); break;
    case 18: frmDataGrid_->DB_Close(); break;
    case 40: frmDataGrid_->DB_Repair(); break;
    default: break;
    }
}

void frmMain::mnuOptions_Click(int index)
{
    if (index == 20) toggleKaraokeScreen();
    if (index == 21) chooseKaraokeScreenDialog();
    if (index == 23) showPartyDialog();
    if (index != 9) return;
    const bool wasExternal = state_.settings.ExternalMCI;
    if (showOptions) showOptions();
    if (state_.settings.ExternalMCI != wasExternal && SetMciMode) SetMciMode();
}

SettingsService& frmMain::settingsService()
{
    // Windows made without start-up (tests, tools) have no settings service yet.
    if (!state_.settingsService) state_.settingsService = std::make_unique<SettingsService>(state_.settings.iniPath());
    return *state_.settingsService;
}

void frmMain::showOptionsDialog()
{
    frmOptions dialog(state_.settings, settingsService(), state_.player, this);
    // New karaoke rows change the lyrics window's height.
    connect(&dialog, &frmOptions::applied, this, [this] {
        if (frmLyric_) frmLyric_->followGuideSetting();
        if (frmPlay_) layOutOrMaximize();
        if (sing_) sing_->settingsChanged();
    });
    dialog.exec();
}

frmKaraokeScreen* frmMain::karaokeScreen() const { return karaokeScreen_; }

QString frmMain::karaokeScreenName() const
{
    const SettingsService* service = state_.settingsService.get();
    return service ? QString::fromStdString(service->getString("OPTIONS", "KaraokeScreen", "")) : QString();
}

void frmMain::toggleKaraokeScreen()
{
    if (karaokeScreen_) karaokeScreen_->close();
    else openKaraokeScreen();
}

void frmMain::openKaraokeScreen()
{
    if (karaokeScreen_) return;
    // A window of its own, not a child: it lives on another screen and leaves this one as it is.
    auto* view = new frmKaraokeScreen(state_.player.lyrics(), state_.settings);
    view->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QObject::destroyed, view, [view] { delete view; });
    Player& player = state_.player;
    // Between songs the screen shows a card; with it gone songs start at once again.
    player.setTitleCards(true);
    view->cardSource = [this, &player] {
        std::optional<TitleCard> card = sing_->card(player.titleCard());
        if (card) {
            card->partyAddress = partyAddress_;
            card->partyQr = partyQr_;
        }
        return card;
    };
    view->guideSource = [this] { return sing_->guide(); };
    sing_->setActive(true);
    connect(view, &frmKaraokeScreen::closed, this, [this, &player] {
        player.setTitleCards(false);
        sing_->setActive(false);
        QTimer::singleShot(0, this, [this] { showHeldBoxes(); }); // once the screen is gone
    });
    karaokeScreen_ = view;
    view->openOn(chooseKaraokeScreen(karaokeScreenName(), screen()));
}

void frmMain::setKaraokeScreen(const QString& screenName)
{
    settingsService().setString("OPTIONS", "KaraokeScreen", screenName.toStdString());
    if (karaokeScreen_) karaokeScreen_->openOn(chooseKaraokeScreen(screenName, screen()));
}

void frmMain::chooseKaraokeScreenDialog()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return;
    const QScreen* current = chooseKaraokeScreen(karaokeScreenName(), screen());
    QStringList items, names; // names, not screens: one may go while the dialog is open
    int at = 0;
    for (int i = 0; i < screens.size(); ++i) {
        const QRect g = screens[i]->geometry();
        names << screens[i]->name();
        items << QString("%1: %2  %3 x %4").arg(i + 1).arg(screens[i]->name()).arg(g.width()).arg(g.height());
        if (screens[i] == current) at = i;
    }
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(this, "Karaoke Screen", "Show the karaoke screen on:", items, at, false, &ok);
    if (ok && items.contains(chosen)) setKaraokeScreen(names[items.indexOf(chosen)]);
}

void frmMain::mnuHelp_Click(int index)
{
    if (index != 90) return;
    frmAbout about(this);
    about.exec();
}

void frmMain::mnuPData_Click(int index)
{
    switch (index) {
    case 0: loadSelectedSong(); break;
    case 2: frmDataGrid_->FindInColumn(QString()); break;
    case 4: frmDataGrid_->FindNext(); break;
    case 6: frmDataGrid_->FindInLyrics(); break;
    case 10: frmDataGrid_->MidiKar_Copy(); break;
    case 12: addSelectedToQueue(); break;
    case 14: frmDataGrid_->toggleFavourite(); break;
    case 16: {
        QString file;
        int transpose = 0;
        if (frmDataGrid_->selectedSong(&file, &transpose)) showBestScores(file);
        break;
    }
    default: break;
    }
}

bool frmMain::screenCoversMe() const
{
    return karaokeScreen_ && karaokeScreen_->isVisible() && karaokeScreen_->shownOn() == screen();
}

void frmMain::showHeldBoxes()
{
    const std::vector<HeldBox> boxes = std::move(held_);
    held_.clear();
    for (const HeldBox& b : boxes) b.notice ? showNotice(b.text) : messageBox(b.text, b.icon);
}

void frmMain::messageBox(const QString& text, MessageIcon icon)
{
    // Singers are not shown the host's messages: they wait for the screen to close.
    if (screenCoversMe()) {
        held_.push_back({text, icon, false});
        return;
    }
    if (icon == MessageIcon::Exclamation) QMessageBox::warning(this, "Lirmus", text);
    else QMessageBox::information(this, "Lirmus", text);
}

void frmMain::showNotice(const QString& text)
{
    if (screenCoversMe()) {
        held_.push_back({text, MessageIcon::Exclamation, true});
        return;
    }
    // Not modal: a song loading or playing goes on behind it.
    auto* box = new QMessageBox(QMessageBox::Warning, "Lirmus", text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void frmMain::focusBrowser()
{
    if (frmDataGrid_) frmDataGrid_->setFocus();
}

} // namespace lirmus
