#pragma once
// The about box: title, version, the timer test and the system information.
#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace lirmus {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    /// Screen width the program was designed for, in twips (800 pixels).
    static constexpr int kDesignScreenWidth = 12000;

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCPU = nullptr;
    QLabel* lblUse = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    QPushButton* cmdOK = nullptr;
    QTimer* Timer1 = nullptr;

    /// Measures the timer resolution and shows it in lblCPU.
    void Test_Timers();
    /// Shows the score in lblCPU with its colour (public for the tests).
    void showScore(double score);
    /// Ticks of Timer1 so far.
    int ticks() const { return ticks_; }

public slots:
    void cmdSysInfo_Click();
    void Timer1_Timer();

private:
    void Form_Load();
    int ticks_ = 0;
};

} // namespace lirmus
