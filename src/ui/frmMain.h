#pragma once
// The multiple-document main window: menus, the size rule and the
// arrangement of the four child windows. It owns no logic of its own: the
// menu handlers call the child windows, the layout comes from LayoutWindows.
#include <functional>
#include <map>
#include <utility>

#include "PlayerDisplays.h"

#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace lirmus {

struct AppState;
class SettingsService;
struct LayoutResult;
class frmPlay;
class frmLyric;
class frmIndic;
class frmDataGrid;
class SingController;
class frmKaraokeScreen;
class PartyDesk;
class PartyServer;
class frmScores;
struct ScoreBoard;

class frmMain : public QMainWindow, private AppDisplay {
    Q_OBJECT
public:
    explicit frmMain(AppState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    /// Creates the four child windows inside the MDI area (hidden until shown).
    void createChildWindows();
    /// Shows the main window and the child windows in start-up order.
    void showAll();

    /// Puts the window where the last run left it; the first run opens it maximized.
    void restoreMainGeometry();

    /// Lays out the child windows; true when the window is too small for the layout.
    bool LayoutWindows();
    /// Lays out the child windows, maximizing the main window while it is too small.
    void layOutOrMaximize();

    /// A menu item by control name and index (-1 for single controls), nullptr when unknown.
    QAction* menuAction(const QString& control, int index = -1) const;
    /// The hidden pop-up menu of the browser grid.
    QMenu* mnuPopData() const { return mnuPopData_; }

    frmPlay* player() const { return frmPlay_; }
    frmLyric* lyrics() const { return frmLyric_; }
    frmIndic* monitor() const { return frmIndic_; }
    frmDataGrid* browser() const { return frmDataGrid_; }
    SingController* singing() const { return sing_; }
    QMdiSubWindow* subWindowOf(QWidget* child) const;
    QMdiArea* mdiArea() const { return mdi_; }

    /// What a beep does (tests count them).
    std::function<void()> onBeep;
    /// What "Options..." shows; returns when the dialog has closed.
    std::function<void()> showOptions;
    /// Switches the player between its own output and the external player.
    std::function<void()> SetMciMode;

    /// Hands a song to the player and starts it (the browser, the menu, the command line).
    void playSong(const QString& file, int transpose, std::optional<int> tempo = {});
    /// The player's "Save key and tempo": the current song's key and tempo go to the library.
    void saveKeyAndTempo();

    // The karaoke screen.
    /// Opens the karaoke screen on the chosen screen, or closes it when open.
    void toggleKaraokeScreen();
    /// Opens the karaoke screen on the screen chosen for it (nothing when it is open).
    void openKaraokeScreen();
    /// The karaoke screen while it is open, else nullptr.
    frmKaraokeScreen* karaokeScreen() const;
    /// Stores the screen the karaoke screen shows on (by its name) and moves it there when open.
    void setKaraokeScreen(const QString& screenName);
    /// The stored screen name; empty: the first screen the main window is not on.
    QString karaokeScreenName() const;

    // The guests' web service.
    /// Starts the service as [PARTY] says (stops it when Port is 0); "" or what went wrong.
    QString startParty();
    /// The service while it exists, else nullptr.
    PartyServer* party() const { return party_.get(); }
    /// Where guests request songs ("" while the service is off).
    QString partyAddress() const { return partyAddress_; }
    /// "Party...": the port, the PIN, the limit, the address and its QR code.
    void showPartyDialog();

    /// Opens the best-scores window on song from the open library (brought up again when open).
    void showBestScores(const QString& song);
    /// The best-scores window while it is open, else nullptr.
    frmScores* scoresWindow() const;

public slots:
    void mnuExit_Click();
    void mnuPlayer_Click(int index);
    void mnuDataBase_Click(int index);
    void mnuOptions_Click(int index);
    void mnuHelp_Click(int index);
    void mnuPData_Click(int index);
    /// Songs for the play queue (a later start, several dropped): the first plays at
    /// once when no song is in use, the others wait their turn.
    void queueSongs(const QStringList& files);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // Messages and the event loop, for the player's logic.
    void messageBox(const QString& text, MessageIcon icon) override;
    void beep() override { onBeep(); }
    void focusBrowser() override;
    void showNotice(const QString& text) override;

    /// Keeps the window's place, size and maximized state for the next run.
    void saveMainGeometry();
    /// The application's settings service, made on first use when start-up made none.
    SettingsService& settingsService();
    void buildMenus();
    void connectBrowser();
    void loadSelectedSong();
    void addSelectedToQueue();
    /// The options dialog, modal; returns when it has closed.
    void showOptionsDialog();
    void MDIForm_Resize();
    void applyLayout(const LayoutResult& r);

    AppState& state_;
    QMdiArea* mdi_ = nullptr;
    QMenu* mnuPopData_ = nullptr;
    std::map<std::pair<QString, int>, QAction*> actions_;
    frmPlay* frmPlay_ = nullptr;
    frmLyric* frmLyric_ = nullptr;
    frmIndic* frmIndic_ = nullptr;
    frmDataGrid* frmDataGrid_ = nullptr;
    SingController* sing_ = nullptr; ///< the microphone, the pitch guide and the score
    bool inResize_ = false;
    QPointer<frmKaraokeScreen> karaokeScreen_;
    QPointer<frmScores> scores_;
    /// Whether the karaoke screen is full screen over this window's screen.
    bool screenCoversMe() const;
    /// Boxes held while the karaoke screen covers this window: they come once it closes.
    struct HeldBox {
        QString text;
        MessageIcon icon;
        bool notice;
    };
    std::vector<HeldBox> held_;
    void showHeldBoxes();
    /// The best-scores list of song in the browser's library.
    ScoreBoard scoreBoardOf(const QString& song) const;
    /// Creates the singing controller and wires the guides and score windows to it.
    void connectSinging();
    void chooseKaraokeScreenDialog();
    std::unique_ptr<PartyDesk> partyDesk_;
    std::unique_ptr<PartyServer> party_; // after the desk it uses
    QString partyAddress_;
    QImage partyQr_;
};

/// The main window caption: "Lirmus   BETA Version <major>.<minor>".
QString mainCaption();

} // namespace lirmus
