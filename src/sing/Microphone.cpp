#include "Microphone.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace lirmus {

double steadyNowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

namespace {

QAudioDevice deviceNamed(const QString& name)
{
    if (!name.isEmpty())
        for (const QAudioDevice& d : QMediaDevices::audioInputs())
            if (d.description() == name) return d;
    return QMediaDevices::defaultAudioInput();
}

} // namespace

/// Lives on the microphone's thread: the audio source, its reads and the tracker.
class MicrophoneWorker : public QObject {
    Q_OBJECT
public:
    /// Opens the device; "" on success, else why not.
    Q_INVOKABLE QString open(const QString& name)
    {
        const QAudioDevice device = deviceNamed(name);
        if (device.isNull()) return QStringLiteral("No microphone: the song plays without a score.");
        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Float);
        if (!device.isFormatSupported(format)) format = device.preferredFormat();
        source_ = std::make_unique<QAudioSource>(device, format);
        // The default buffer: on PulseAudio a small one asked for here makes the voice arrive a
        // second late, while the default keeps it within tens of milliseconds.
        io_ = source_->start();
        if (!io_ || source_->error() != QAudio::NoError) {
            source_.reset();
            return QStringLiteral("The microphone \"%1\" cannot be opened.").arg(device.description());
        }
        format_ = format;
        tracker_ = std::make_unique<PitchTracker>(unsigned(format.sampleRate()));
        fed_ = 0;
        connect(io_, &QIODevice::readyRead, this, &MicrophoneWorker::read);
        connect(source_.get(), &QAudioSource::stateChanged, this, [this](QAudio::State s) {
            if (s == QAudio::StoppedState && source_ && source_->error() != QAudio::NoError)
                emit failed(QStringLiteral("The microphone stopped."));
        });
        return {};
    }

    /// Any thread: the tap the samples also go to.
    void setTap(std::shared_ptr<VoiceTap> tap) { std::atomic_store(&tap_, std::move(tap)); }

    Q_INVOKABLE void close()
    {
        if (source_) source_->stop();
        source_.reset();
        io_ = nullptr;
        tracker_.reset();
    }

signals:
    void frames(const QVector<lirmus::LiveFrame>& frames);
    void failed(const QString& why);

private:
    void read()
    {
        if (!io_ || !tracker_) return;
        const QByteArray bytes = io_->readAll();
        const double now = steadyNowMs();
        const int channels = std::max(1, format_.channelCount());
        const int bytesPerSample = format_.bytesPerSample();
        if (bytesPerSample <= 0) return;
        const qsizetype n = bytes.size() / (bytesPerSample * channels);
        mono_.resize(size_t(n));
        for (qsizetype i = 0; i < n; ++i) {
            float sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += format_.normalizedSampleValue(bytes.constData() + (i * channels + c) * bytesPerSample);
            mono_[size_t(i)] = sum / float(channels);
        }
        // The recording wants the voice itself, stamped with when its first sample was captured.
        if (const auto tap = std::atomic_load(&tap_); tap && tap->wanted() && n > 0)
            tap->push(int64_t((now - double(n) * 1000.0 / tracker_->sampleRate()) * 1000.0), mono_.data(), int(n),
                      int(tracker_->sampleRate()));
        out_.clear();
        tracker_->feed(mono_.data(), mono_.size(), out_);
        if (out_.empty()) return;
        // The last sample read arrived now: earlier samples are as much older as they lie before it.
        const double rate = tracker_->sampleRate();
        fed_ += double(n);
        const double endOfFedMs = fed_ * 1000.0 / rate;
        QVector<LiveFrame> batch;
        batch.reserve(qsizetype(out_.size()));
        for (const PitchFrame& f : out_) {
            LiveFrame lf{f, now - (endOfFedMs - f.ms), now};
            batch.push_back(lf);
        }
        emit frames(batch);
    }

    std::unique_ptr<QAudioSource> source_;
    QIODevice* io_ = nullptr;
    QAudioFormat format_;
    std::unique_ptr<PitchTracker> tracker_;
    std::vector<float> mono_;
    std::vector<PitchFrame> out_;
    double fed_ = 0;
    std::shared_ptr<VoiceTap> tap_;
};

Microphone::Microphone(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<lirmus::LiveFrame>();
    qRegisterMetaType<QVector<lirmus::LiveFrame>>();
    thread_.setObjectName(QStringLiteral("microphone"));
    worker_ = new MicrophoneWorker;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &MicrophoneWorker::frames, this, &Microphone::take, Qt::QueuedConnection);
    connect(worker_, &MicrophoneWorker::failed, this, [this](const QString& why) {
        running_ = false;
        emit failed(why);
    }, Qt::QueuedConnection);
    thread_.start();
}

Microphone::~Microphone()
{
    stop();
    thread_.quit();
    thread_.wait();
}

QStringList Microphone::deviceNames()
{
    QStringList names;
    const QAudioDevice def = QMediaDevices::defaultAudioInput();
    if (!def.isNull()) names << def.description();
    for (const QAudioDevice& d : QMediaDevices::audioInputs())
        if (!names.contains(d.description())) names << d.description();
    return names;
}

QString Microphone::defaultDeviceName() { return QMediaDevices::defaultAudioInput().description(); }

bool Microphone::start(const QString& name)
{
    stop();
    // Opening waits for the worker: the device opens on the thread that reads it.
    QString why;
    QMetaObject::invokeMethod(worker_, "open", Qt::BlockingQueuedConnection, Q_RETURN_ARG(QString, why),
                              Q_ARG(QString, name));
    error_ = why;
    running_ = why.isEmpty();
    return running_;
}

void Microphone::setVoiceTap(std::shared_ptr<VoiceTap> tap) { worker_->setTap(std::move(tap)); }

void Microphone::stop()
{
    if (!running_) return;
    QMetaObject::invokeMethod(worker_, "close", Qt::BlockingQueuedConnection);
    running_ = false;
}

void Microphone::take(const QVector<LiveFrame>& batch)
{
    if (!running_ || batch.isEmpty()) return;
    levelDb_ = batch.back().pitch.levelDb;
    emit frames(batch);
}

} // namespace lirmus

#include "Microphone.moc"
