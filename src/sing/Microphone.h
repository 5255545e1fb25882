#pragma once
// The singer's microphone: Qt Multimedia capture and aubio pitch tracking on
// a worker thread of their own, so neither the audio callback nor the window
// thread waits for the analysis. Frames reach the window thread in batches,
// each stamped with the steady-clock time its sound was captured.
#include "PitchTracker.h"
#include "VoiceTap.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVector>

#include <memory>

namespace lirmus {

/// A frame of the live voice.
struct LiveFrame {
    PitchFrame pitch;      ///< ms counts from the capture's start
    double steadyMs = 0;   ///< steady-clock ms when the frame's time began (captured)
    double capturedMs = 0; ///< steady-clock ms when its last sample arrived
};

/// Steady-clock milliseconds, the clock of LiveFrame's times.
double steadyNowMs();

class MicrophoneWorker;

class Microphone : public QObject {
    Q_OBJECT
public:
    explicit Microphone(QObject* parent = nullptr);
    ~Microphone() override;

    /// The input devices' descriptions, the default first.
    static QStringList deviceNames();
    /// The description of the system's default input ("" when there is none).
    static QString defaultDeviceName();

    /// Starts capturing from the device described by name ("" or a name not found: the default).
    /// False, with the reason in error(), when there is no input at all or it cannot open.
    bool start(const QString& name);
    /// Feeds what is captured from now on to tap too (nullptr: to nothing), while the tap wants it.
    void setVoiceTap(std::shared_ptr<VoiceTap> tap);
    /// Stops capturing (nothing when stopped).
    void stop();
    bool running() const { return running_; }
    /// Why the last start failed.
    QString error() const { return error_; }
    /// Loudness of the last batch, dB full scale.
    float levelDb() const { return levelDb_; }

signals:
    /// Frames of voice, in order, on the window thread.
    void frames(const QVector<lirmus::LiveFrame>& frames);
    /// The capture stopped by itself (the device went away).
    void failed(const QString& why);

private:
    void take(const QVector<LiveFrame>& batch);
    QThread thread_;
    MicrophoneWorker* worker_ = nullptr;
    bool running_ = false;
    QString error_;
    float levelDb_ = -120;
};

} // namespace lirmus

Q_DECLARE_METATYPE(lirmus::LiveFrame)
