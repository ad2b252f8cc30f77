// SPDX-License-Identifier: GPL-3.0-or-later
// Start: the folder chooser, the run on its own thread with the progress
// window, cancelling, and what the window says when the run ends.
#include "ui_test_support.h"

#include "ui/failure_messages.h"
#include "ui/progress_window.h"
#include "ui/window_batch.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

// Every file below folder, by its path there, with its bytes.
std::map<std::string, std::string> filesIn(const fs::path &folder)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(folder))
        return files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = readFileBytes(entry.path());
    }
    return files;
}

// Holds a run at the step of photo `at` until it is cancelled (ten seconds
// at most), so what a test does meanwhile meets a run that is surely going.
void holdAt(WindowBatch *batch, int at)
{
    batch->setStepGate([batch, at](int position) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (position == at && !batch->cancelRequested() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
}

TEST(WindowBatchRun, ReportsEveryStepInOrderThenFinishesWithTheReport)
{
    TempDir work;
    QStringList photos;
    for (int i = 1; i <= 3; ++i) {
        writeFileBytes(work / ("p" + std::to_string(i) + ".jpg"), readFileBytes(photo("gps/DSCN0010.jpg")));
        photos << qpath(work / ("p" + std::to_string(i) + ".jpg"));
    }
    fs::create_directories(work / "out");
    BatchJob job;
    job.jobs = 2;
    QStringList seen;
    int finishedPhotos = 0;
    {
        WindowBatch batch(photos, qpath(work / "out"), job);
        QObject::connect(&batch, &WindowBatch::step, [&](const QString &text, int position, int maximum) {
            seen << QStringLiteral("%1 %2/%3").arg(text).arg(position).arg(maximum);
        });
        QObject::connect(&batch, &WindowBatch::photoFinished, [&](const BatchPhotoResult &) { ++finishedPhotos; });
        QSignalSpy finished(&batch, &WindowBatch::finished);
        batch.start();
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_EQ(finishedPhotos, 3) << "every photo reported before the end";
        EXPECT_FALSE(batch.report().cancelled);
        EXPECT_EQ(batch.report().count(PhotoOutcome::Stamped), 3);
    }
    EXPECT_EQ(seen,
        QStringList({ QStringLiteral("Processing: [1/3] 1/3"), QStringLiteral("Processing: [2/3] 2/3"),
            QStringLiteral("Processing: [3/3] 3/3") }));
    EXPECT_EQ(filesIn(work / "out").size(), 3u);

    // Destroyed while held at its second photo: it cancels, waits, and
    // posts nothing more.
    fs::create_directories(work / "again");
    int laterSteps = 0;
    {
        auto batch = std::make_unique<WindowBatch>(photos, qpath(work / "again"), job);
        holdAt(batch.get(), 2);
        QObject::connect(batch.get(), &WindowBatch::step, [&](const QString &, int position) {
            if (position > 1)
                ++laterSteps;
        });
        batch->start();
        QTest::qWait(20);
        batch.reset();
    }
    QTest::qWait(20);
    EXPECT_EQ(laterSteps, 0);
    EXPECT_LT(filesIn(work / "again").size(), 3u);
}

TEST(ProgressForm, ARepeatedStepChangesNothingAndACloseFromOutsideAsksToCancel)
{
    TProgressForm form;
    QSignalSpy cancels(&form, &TProgressForm::cancelRequested);
    form.ProgressStart();
    EXPECT_FALSE(form.isVisible()) << "shown at the first step";
    form.ProgressStep(QStringLiteral("Processing: [2/5]"), 2, 5);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.textLabel()->text(), QStringLiteral("Processing: [2/5]..."));
    form.ProgressStep(QStringLiteral("something else"), 2, 9);
    EXPECT_EQ(form.textLabel()->text(), QStringLiteral("Processing: [2/5]..."));
    EXPECT_EQ(form.bar()->maximum(), 5);

    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.NeedToClose());
    form.cancelButton()->click();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 1) << "one request, however often asked";

    form.ProgressEnd();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.textLabel()->text(), QStringLiteral("..."));
    form.ProgressStart();
    EXPECT_FALSE(form.NeedToClose());
    EXPECT_TRUE(form.cancelButton()->isEnabled());
}

} // namespace
} // namespace kelvra::test
