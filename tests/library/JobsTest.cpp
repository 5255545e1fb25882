// The two ways long work runs beside the one event loop: slices on it, or a worker thread.
#include "Jobs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <QtCore/qtestsupport_core.h>

#include <atomic>

using namespace lirmus;

TEST(SlicedJob, RunsInSlicesAndStopsWhenCancelled)
{
    SlicedJob job;
    job.unitsPerSlice = 4;
    job.sliceMillis = 60000;
    int units = 0, finished = 0;
    bool cancelled = false;
    job.step = [&] { return ++units < 10; };
    QObject::connect(&job, &SlicedJob::finished, [&](bool c) {
        ++finished;
        cancelled = c;
    });
    job.start(true);
    EXPECT_EQ(units, 4); // the first slice at once
    EXPECT_TRUE(job.isRunning());
    job.start(true); // already running: ignored
    EXPECT_EQ(units, 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !job.isRunning(); }));
    EXPECT_EQ(units, 10);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(cancelled);

    // A cancel from inside a step (a dialog the step opened) ends the slice there, once.
    units = 0;
    job.step = [&] {
        if (++units == 6) job.cancel();
        return true;
    };
    job.start();
    EXPECT_EQ(units, 0); // the first slice on the next turn
    ASSERT_TRUE(QTest::qWaitFor([&] { return !job.isRunning(); }));
    QTest::qWait(10);
    EXPECT_EQ(units, 6);
    EXPECT_EQ(finished, 2);
    EXPECT_TRUE(cancelled);

    // Between slices a cancel finishes at once.
    units = 0;
    job.step = [&] { return ++units < 1000; };
    job.start(true);
    job.cancel();
    EXPECT_FALSE(job.isRunning());
    EXPECT_EQ(finished, 3);
    QTest::qWait(10);
    EXPECT_EQ(units, 4);
}

TEST(SlicedJob, AStepThatRunsTheEventLoopDoesNotStartTheNextSlice)
{
    // A step may show a modal message: its own loop must not run further steps.
    SlicedJob job;
    job.unitsPerSlice = 1;
    int depth = 0, deepest = 0, units = 0;
    job.step = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        QTest::qWait(5);
        --depth;
        return ++units < 5;
    };
    job.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !job.isRunning(); }));
    EXPECT_EQ(units, 5);
    EXPECT_EQ(deepest, 1);
}

TEST(BackgroundJob, WorksOffTheGuiThreadAndSeesACancel)
{
    BackgroundJob job;
    std::atomic<bool> started{false};
    Qt::HANDLE worker = nullptr;
    int finished = 0;
    bool cancelled = false;
    QObject::connect(&job, &BackgroundJob::finished, [&](bool c) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        ++finished;
        cancelled = c;
    });
    ASSERT_TRUE(job.start([&](BackgroundJob& j) {
        worker = QThread::currentThreadId();
        started = true;
        while (!j.cancelRequested()) QThread::msleep(1);
    }));
    EXPECT_TRUE(job.isRunning());
    EXPECT_FALSE(job.start([](BackgroundJob&) {})); // one run at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }));
    job.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !job.isRunning(); }));
    EXPECT_NE(worker, QThread::currentThreadId());
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(cancelled);

    // Again, to the end this time.
    int result = 0;
    ASSERT_TRUE(job.start([&](BackgroundJob&) { result = 42; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !job.isRunning(); }));
    EXPECT_EQ(result, 42);
    EXPECT_FALSE(cancelled);
}

TEST(BackgroundJob, GoingAwayStopsAndWaitsForTheWorker)
{
    std::atomic<bool> done{false};
    {
        BackgroundJob job;
        job.start([&](BackgroundJob& j) {
            while (!j.cancelRequested()) QThread::msleep(1);
            done = true;
        });
    }
    EXPECT_TRUE(done);
}
