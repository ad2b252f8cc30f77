// SPDX-License-Identifier: GPL-3.0-or-later
// Start: the folder chooser, the run on its own thread with the progress
// window, cancelling, and what the window says when the run ends.
#include "ui_test_support.h"

#include "ui/failure_messages.h"
#include "ui/folder_browser.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/preview_view.h"
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

class Start : public WindowTest
{
protected:
    // n copies of a camera photo, each with a name of its own.
    QStringList photos(int n, const std::string &stem = "photo")
    {
        QStringList paths;
        fs::create_directories(work / "in");
        for (int i = 1; i <= n; ++i) {
            const fs::path path = work / "in" / (stem + std::to_string(i) + ".jpg");
            writeFileBytes(path, readFileBytes(photo(i % 2 ? "gps/DSCN0010.jpg" : "orientation/portrait_6.jpg")));
            paths << qpath(path);
        }
        return paths;
    }
    QString outFolder(const std::string &name = "out")
    {
        fs::create_directories(work / name);
        return qpath(work / name);
    }
    TForm1 &openWith(const QStringList &queued)
    {
        TForm1 &w = open();
        w.photoList().add(queued);
        return w;
    }
    // Start into folder; hold is called with the run before it begins.
    // True once the run has ended.
    bool start(TForm1 &w, const QString &folder, const std::function<void(WindowBatch *)> &hold = {})
    {
        QSignalSpy finished(&w, &TForm1::runFinished);
        QMetaObject::Connection connection;
        if (hold)
            connection = QObject::connect(&w, &TForm1::runStarting, hold);
        dialogs.fileAnswers = { folder };
        test::actionOf(w, QStringLiteral("ProcessPhotos"))->trigger();
        QObject::disconnect(connection);
        return finished.count() == 1 || finished.wait(60000);
    }
    QAction *startAction() const { return test::actionOf(*window, QStringLiteral("ProcessPhotos")); }
};

TEST_F(Start, IsEnabledExactlyWhileAPhotoIsQueuedAndATaskTicked)
{
    TForm1 &w = open();
    QListWidget *todo = test::partOf<QListWidget>(w, QStringLiteral("TodoList"));
    EXPECT_FALSE(startAction()->isEnabled()) << "empty list";
    w.photoList().add(photos(1));
    EXPECT_TRUE(startAction()->isEnabled()) << "a photo, stamp ticked";
    todo->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(startAction()->isEnabled()) << "no task";
    todo->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(startAction()->isEnabled()) << "rename ticked";
    w.photoList().clear();
    EXPECT_FALSE(startAction()->isEnabled()) << "list emptied";
}

TEST_F(Start, ACancelledChooserWritesNothingAndKeepsTheSaveFolder)
{
    TForm1 &w = openWith(photos(2));
    QSignalSpy starting(&w, &TForm1::runStarting);
    dialogs.fileAnswers = { QString() };
    startAction()->trigger();
    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0].title, QStringLiteral("SAVE PHOTOS TO:"));
    QTest::qWait(20);
    EXPECT_EQ(starting.count(), 0);
    EXPECT_FALSE(test::partOf<TProgressForm>(w)->isVisible());
    // The next chooser opens where this one did.
    dialogs.fileAnswers = { QString() };
    startAction()->trigger();
    ASSERT_EQ(dialogs.folderRequests.size(), 2u);
    EXPECT_EQ(dialogs.folderRequests[1].start, dialogs.folderRequests[0].start);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(filesIn(work / "in").size(), 2u);
    EXPECT_FALSE(fs::exists(work / "out"));
}

TEST_F(Start, WritesWhatTheCommandLineWritesThenNamesAndOpensTheFolder)
{
    const QStringList queued = photos(3);
    TForm1 &w = openWith(queued);
    // A design of its own, and both tasks, so the outputs say whether the
    // window's run took the window's design.
    test::actionOf(w, QStringLiteral("FShadow"))->trigger();
    test::actionOf(w, QStringLiteral("StampTo3"))->trigger();
    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(1)->setCheckState(Qt::Checked);
    ASSERT_TRUE(saveDesign(w, qpath(work / "design.cfg")));

    const QString out = outFolder();
    ASSERT_TRUE(start(w, out));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Process finished. See photos in ") + out);
    EXPECT_EQ(dialogs.messages[0].details, QString());
    EXPECT_EQ(dialogs.messages[0].choices, QStringList { QStringLiteral("Undo") });
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], QUrl::fromLocalFile(out));
    EXPECT_FALSE(test::partOf<TProgressForm>(w)->isVisible());

    std::vector<std::string> args { "stamp", "--cfg", (work / "design.cfg").string(), "--out",
        (work / "cli").string() };
    for (const QString &path : queued)
        args.push_back(path.toStdString());
    const CommandResult cli = runCli(args);
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    const auto windowFiles = filesIn(work / "out");
    EXPECT_EQ(windowFiles.size(), 3u);
    EXPECT_TRUE(windowFiles == filesIn(work / "cli")) << "the window's outputs differ from the command line's";

    // The folder is remembered for the next run's chooser.
    dialogs.fileAnswers = { QString() };
    startAction()->trigger();
    ASSERT_EQ(dialogs.folderRequests.size(), 2u);
    EXPECT_EQ(dialogs.folderRequests[1].start, out);
}

TEST_F(Start, UndoInTheEndMessageTakesBackThatRunAfterAsking)
{
    TForm1 &w = openWith(photos(2));
    ASSERT_TRUE(start(w, outFolder("first")));
    // Said No to, nothing goes; said Yes to, that run's photos go and its
    // folder is not opened.
    for (const bool yes : { false, true }) {
        SCOPED_TRACE(yes);
        const std::string name = yes ? "yes" : "no";
        const QString out = outFolder(name);
        dialogs.opened.clear();
        dialogs.choiceAnswers = { QStringLiteral("Undo") };
        dialogs.confirmAnswers = { yes };
        ASSERT_TRUE(start(w, out));
        ASSERT_FALSE(dialogs.questions.empty());
        EXPECT_TRUE(dialogs.questions.back().contains(out)) << dialogs.questions.back().toStdString();
        EXPECT_TRUE(dialogs.opened.empty());
        EXPECT_EQ(filesIn(work / name).size(), yes ? 0u : 2u);
        EXPECT_EQ(filesIn(work / "first").size(), 2u) << "an earlier run is left alone";
    }
    EXPECT_EQ(dialogs.questions.size(), 2u);
}

TEST_F(Start, CancelAndEscEachStopTheRunBeforeItsNextPhoto)
{
    const std::vector<std::pair<const char *, std::function<void(TProgressForm *)>>> ways = {
        { "Cancel",
            [](TProgressForm *p) {
                QTest::mouseClick(test::partOf<QPushButton>(*p, QStringLiteral("Button1")), Qt::LeftButton);
            } },
        { "Esc", [](TProgressForm *p) { QTest::keyClick(p, Qt::Key_Escape); } },
    };
    const QStringList queued = photos(3);
    TForm1 &w = openWith(queued);
    TProgressForm *progress = test::partOf<TProgressForm>(w);
    // The end message offers the folder; after Cancel the user takes it.
    dialogs.choiceAnswers = { QStringLiteral("Open folder"), QString() };
    for (const auto &[way, press] : ways) {
        SCOPED_TRACE(way);
        const QString out = outFolder(std::string("out-") + way);
        ASSERT_TRUE(start(w, out, [&](WindowBatch *batch) {
            holdAt(batch, 2);
            // The run goes on while the first photo is shown.
            QObject::connect(batch, &WindowBatch::step, progress, [&, press](int position) {
                if (position != 1)
                    return;
                EXPECT_TRUE(progress->isVisible());
                EXPECT_EQ(test::partOf<QLabel>(*progress, QStringLiteral("Label1"))->text(),
                    QStringLiteral("Processing: [1/3]..."));
                EXPECT_EQ(test::partOf<QProgressBar>(*progress, QStringLiteral("ProgressBar1"))->value(), 1);
                EXPECT_EQ(test::partOf<QProgressBar>(*progress, QStringLiteral("ProgressBar1"))->maximum(), 3);
                press(progress);
            });
        }));
        EXPECT_FALSE(test::partOf<QPushButton>(*progress, QStringLiteral("Button1"))->isEnabled()) << "heard";
        EXPECT_EQ(filesIn(work / out.toStdString()).size(), 1u);
        EXPECT_FALSE(progress->isVisible());
        ASSERT_FALSE(dialogs.messages.empty());
        EXPECT_EQ(dialogs.messages.back().text,
            QStringLiteral("Process cancelled after 1 of 3 photos.\nPhotos written: 1, in ") + out);
        EXPECT_EQ(
            dialogs.messages.back().choices, QStringList({ QStringLiteral("Open folder"), QStringLiteral("Undo") }));
    }
    EXPECT_EQ(dialogs.messages.size(), 2u);
    ASSERT_EQ(dialogs.opened.size(), 1u) << "only the folder asked for";
    EXPECT_EQ(dialogs.opened[0], QUrl::fromLocalFile(qpath(work / "out-Cancel")));
}

TEST_F(Start, CommandsThatChangeTheListOrTheDesignAreOffDuringARun)
{
    TForm1 &w = openWith(photos(3));
    const char *locked[] = { "PhotoAdd", "PhotoAddAll", "PhotoRemove", "PhotoRemoveAll", "ProcessPhotos", "RLoadCFG",
        "StampTo1", "FBold", "FShadow", "AcDate", "AcGPSPos" };
    // A photo focused in the browser, which a double-click would queue.
    fs::create_directories(work / "more");
    writeFileBytes(work / "more" / "extra.jpg", readFileBytes(photo("gps/DSCN0010.jpg")));
    ASSERT_TRUE(test::partOf<FolderBrowser>(w)->setFolder(qpath(work / "more")));
    KELVRA_TRY(test::partOf<FolderBrowser>(w)->focusEntry(qpath(work / "more" / "extra.jpg")));
    std::map<std::string, bool> before;
    for (const char *name : locked)
        before[name] = test::actionOf(w, QLatin1String(name))->isEnabled();
    QStringList onDuringRun;
    ASSERT_TRUE(start(w, outFolder(), [&](WindowBatch *batch) {
        holdAt(batch, 2);
        QObject::connect(batch, &WindowBatch::step, &w, [&](int position) {
            if (position != 1)
                return;
            for (const char *name : locked) {
                if (test::actionOf(w, QLatin1String(name))->isEnabled())
                    onDuringRun << QLatin1String(name);
            }
            // Whatever else would turn them on meanwhile, they stay off.
            test::actionOf(w, QStringLiteral("PhotoRemoveAll"))->setEnabled(true);
            if (test::actionOf(w, QStringLiteral("PhotoRemoveAll"))->isEnabled())
                onDuringRun << QStringLiteral("PhotoRemoveAll after setEnabled");
            if (test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->isEnabled()
                || test::partOf<QGroupBox>(w, QStringLiteral("SettingsFrame"))->isEnabled()
                || test::partOf<PreviewView>(w)->isEnabled())
                onDuringRun << QStringLiteral("design controls");
            // A second Start is refused even when triggered, and so are
            // the roads to the list that bypass the buttons.
            test::actionOf(w, QStringLiteral("ProcessPhotos"))->trigger();
            test::actionOf(w, QStringLiteral("PhotoAdd"))->trigger();
            Q_EMIT test::partOf<FolderBrowser>(w)->addRequested();
            if (w.photoList().count() != 3)
                onDuringRun << QStringLiteral("the list changed");
            if (test::partOf<PhotoStrip>(w)->isEnabled())
                onDuringRun << QStringLiteral("the strip takes drops");
            test::partOf<QPushButton>(w, QStringLiteral("Button1"))->click();
        });
    }));
    EXPECT_EQ(onDuringRun, QStringList());
    EXPECT_EQ(dialogs.folderRequests.size(), 1u);
    // Each gets back the state it had, the one set meanwhile included.
    before["PhotoRemoveAll"] = true;
    for (const char *name : locked)
        EXPECT_EQ(test::actionOf(w, QLatin1String(name))->isEnabled(), before[name]) << name;
    EXPECT_TRUE(startAction()->isEnabled());
    EXPECT_TRUE(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->isEnabled());
    EXPECT_TRUE(test::partOf<QGroupBox>(w, QStringLiteral("SettingsFrame"))->isEnabled());
}

TEST_F(Start, TheRunWorksOnTheListAsItWasAtStart)
{
    const QStringList queued = photos(3);
    TForm1 &w = openWith(queued);
    bool cleared = false;
    ASSERT_TRUE(start(w, outFolder(), [&](WindowBatch *batch) {
        // Emptied behind the run's back, as a drop or a script could.
        QObject::connect(batch, &WindowBatch::step, &w, [&](int position) {
            if (position == 1 && !cleared) {
                cleared = true;
                w.photoList().clear();
            }
        });
    }));
    EXPECT_TRUE(cleared);
    EXPECT_EQ(filesIn(work / "out").size(), 3u);
    EXPECT_FALSE(startAction()->isEnabled());
}

TEST_F(Start, ClosingTheWindowDuringARunCancelsItAndClosesWhenItEnds)
{
    TForm1 &w = openWith(photos(4));
    const QString out = outFolder();
    QSignalSpy finished(&w, &TForm1::runFinished);
    QObject::connect(&w, &TForm1::runStarting, [](WindowBatch *batch) { holdAt(batch, 2); });
    QSignalSpy starting(&w, &TForm1::runStarting);
    dialogs.fileAnswers = { out };
    startAction()->trigger();
    ASSERT_EQ(starting.count(), 1);
    EXPECT_FALSE(w.close()) << "the close waits for the photos started";
    KELVRA_TRY(!w.isVisible());
    EXPECT_FALSE(test::partOf<TProgressForm>(w)->isVisible()) << "the run has ended";
    EXPECT_TRUE(startAction()->isEnabled());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_LT(filesIn(work / "out").size(), 4u);
    // The chosen folder was written with the rest of the settings.
    const std::string ini = readFileBytes(fs::path(dataFolder().toStdString()) / "Kelvra.ini");
    EXPECT_TRUE(contains(ini, "DefaultSaveFolder=" + out.toStdString())) << ini;

    // Destroyed outright in the middle of a run, the window waits too.
    TForm1 &again = openWith(photos(4, "again"));
    QObject::connect(&again, &TForm1::runStarting, [](WindowBatch *batch) { holdAt(batch, 2); });
    QSignalSpy startingAgain(&again, &TForm1::runStarting);
    dialogs.fileAnswers = { outFolder("again") };
    test::actionOf(again, QStringLiteral("ProcessPhotos"))->trigger();
    ASSERT_EQ(startingAgain.count(), 1);
    window.reset();
}

TEST_F(Start, ACorruptPhotoAmongTwoGoodOnesIsNamedWithItsReason)
{
    QStringList queued = photos(2);
    writeFileBytes(work / "in" / "corrupt.jpg", "this text only has a JPEG name\n");
    queued.insert(1, qpath(work / "in" / "corrupt.jpg"));
    TForm1 &w = openWith(queued);
    const QString out = outFolder();
    ASSERT_TRUE(start(w, out));

    EXPECT_EQ(filesIn(work / "out").size(), 2u);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const FakeDialogs::Message &m = dialogs.messages[0];
    EXPECT_EQ(m.kind, MessageKind::Warning);
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("Process finished. See photos in ") + out)) << m.text.toStdString();
    EXPECT_TRUE(m.text.contains(QStringLiteral("Written: 2. Failed: 1."))) << m.text.toStdString();
    EXPECT_TRUE(m.details.contains(QStringLiteral("Failed:\n") + queued[1]
        + QStringLiteral(": This file is not a JPEG photo; nothing was written.")))
        << m.details.toStdString();
    EXPECT_FALSE(m.details.contains(queued[0])) << m.details.toStdString();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], QUrl::fromLocalFile(out));
}

TEST_F(Start, APhotoGoneBeforeItsTurnIsReportedWithTheSystemsReason)
{
    const QStringList queued = photos(2);
    TForm1 &w = openWith(queued);
    fs::remove(queued[1].toStdString());
    ASSERT_TRUE(start(w, outFolder()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].details.contains(
        queued[1] + QStringLiteral(": The file cannot be read. (No such file or directory)")))
        << dialogs.messages[0].details.toStdString();
}

TEST_F(Start, DamagedPhotosAreListedApartWithTheirReasons)
{
    QStringList queued = photos(1);
    const std::string good = readFileBytes(photo("gps/DSCN0010.jpg"));
    // Cut in its picture data: stamped, grey below the cut.
    writeFileBytes(work / "in" / "cut.jpg", good.substr(0, good.size() * 2 / 3));
    // A JPEG start, then nothing a decoder takes: copied as it is.
    writeFileBytes(work / "in" / "broken.jpg", std::string("\xFF\xD8\xFF\xFE\x00\x04zz", 8) + std::string(64, 'x'));
    queued << qpath(work / "in" / "cut.jpg") << qpath(work / "in" / "broken.jpg");
    TForm1 &w = openWith(queued);
    ASSERT_TRUE(start(w, outFolder()));

    EXPECT_EQ(filesIn(work / "out").size(), 3u);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const FakeDialogs::Message &m = dialogs.messages[0];
    EXPECT_EQ(m.kind, MessageKind::Warning);
    // The copy left for the photo that failed is on the disk: it is written.
    EXPECT_TRUE(m.text.contains(QStringLiteral("Written: 3. Failed: 1."))) << m.text.toStdString();
    EXPECT_TRUE(m.text.contains(QStringLiteral("Copied unchanged because stamping failed: 1.")))
        << m.text.toStdString();
    EXPECT_TRUE(m.text.contains(QStringLiteral("Stamped with a warning: 1."))) << m.text.toStdString();
    const qsizetype copied = m.details.indexOf(QStringLiteral("Not stamped, copied unchanged:\n") + queued[2]);
    const qsizetype warned = m.details.indexOf(QStringLiteral("Stamped with a warning:\n") + queued[1] + u':');
    EXPECT_GE(copied, 0) << m.details.toStdString();
    EXPECT_GE(warned, 0) << m.details.toStdString();
    EXPECT_TRUE(
        m.details.contains(QStringLiteral("copied unchanged as ") + qpath(work / "out" / "broken_timestamp.jpg")))
        << m.details.toStdString();
    EXPECT_FALSE(m.details.contains(QStringLiteral("Failed:\n"))) << m.details.toStdString();
    // Our sentences first, the decoder's own words after them in brackets.
    EXPECT_TRUE(m.details.contains(queued[2] + QStringLiteral(": The photo cannot be decoded. (")))
        << m.details.toStdString();
    EXPECT_TRUE(m.details.contains(queued[1] + QStringLiteral(": The photo is damaged and part of it may be grey. (")))
        << m.details.toStdString();
}

TEST_F(Start, SaveAsOfADamagedPhotoSaysSo)
{
    const std::string good = readFileBytes(photo("gps/DSCN0010.jpg"));
    writeFileBytes(work / "cut.jpg", good.substr(0, good.size() * 2 / 3));
    TForm1 &w = open();
    w.LoadPic(qpath(work / "cut.jpg"));
    KELVRA_TRY(test::actionOf(w, QStringLiteral("ASaveAs"))->isEnabled());
    QSignalSpy done(&w, &TForm1::saveAsFinished);
    dialogs.fileAnswers = { qpath(work / "saved.jpg") };
    test::actionOf(w, QStringLiteral("ASaveAs"))->trigger();
    ASSERT_TRUE(done.wait(20000));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Warning);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(qpath(work / "saved.jpg") + QStringLiteral(" was saved, but")))
        << dialogs.messages[0].text.toStdString();
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
        QObject::connect(&batch, &WindowBatch::step,
            [&](int position, int maximum) { seen << QStringLiteral("%1/%2").arg(position).arg(maximum); });
        QObject::connect(&batch, &WindowBatch::photoFinished, [&](const BatchPhotoResult &) { ++finishedPhotos; });
        QSignalSpy finished(&batch, &WindowBatch::finished);
        batch.start();
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_EQ(finishedPhotos, 3) << "every photo reported before the end";
        EXPECT_FALSE(batch.report().cancelled);
        EXPECT_EQ(batch.report().count(PhotoOutcome::Stamped), 3);
    }
    EXPECT_EQ(seen, QStringList({ QStringLiteral("1/3"), QStringLiteral("2/3"), QStringLiteral("3/3") }));
    EXPECT_EQ(filesIn(work / "out").size(), 3u);

    // Destroyed while held at its second photo: it cancels, waits, and
    // posts nothing more.
    fs::create_directories(work / "again");
    int laterSteps = 0;
    {
        auto batch = std::make_unique<WindowBatch>(photos, qpath(work / "again"), job);
        holdAt(batch.get(), 2);
        QObject::connect(batch.get(), &WindowBatch::step, [&](int position) {
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
    form.ProgressStep(2, 5);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(test::partOf<QLabel>(form, QStringLiteral("Label1"))->text(), QStringLiteral("Processing: [2/5]..."));
    form.ProgressStep(2, 9);
    EXPECT_EQ(test::partOf<QLabel>(form, QStringLiteral("Label1"))->text(), QStringLiteral("Processing: [2/5]..."));
    EXPECT_EQ(test::partOf<QProgressBar>(form, QStringLiteral("ProgressBar1"))->maximum(), 5);

    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(cancels.count(), 1) << "a close asks the run to stop";
    EXPECT_FALSE(test::partOf<QPushButton>(form, QStringLiteral("Button1"))->isEnabled());
    test::partOf<QPushButton>(form, QStringLiteral("Button1"))->click();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 1) << "one request, however often asked";

    form.ProgressEnd();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(test::partOf<QLabel>(form, QStringLiteral("Label1"))->text(), QStringLiteral("..."));
    // A new run can be cancelled again.
    form.ProgressStart();
    EXPECT_TRUE(test::partOf<QPushButton>(form, QStringLiteral("Button1"))->isEnabled());
    form.ProgressStep(1, 2);
    EXPECT_FALSE(form.close());
    EXPECT_EQ(cancels.count(), 2);
}

} // namespace
} // namespace kelvra::test
