// SPDX-License-Identifier: GPL-3.0-or-later
// Undo Last Run in the window: the conflict rule set in the options, a run
// that replaces a file, and the undo that puts the folder back.
#include "ui_test_support.h"

#include "jobs/run_log.h"
#include "stamp/ini_file.h"
#include "stamp/settings_file.h"
#include "ui/options_dialog.h"
#include "ui/photo_list_model.h"
#include "ui/window_batch.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <map>

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

// Every file below folder by its path there, with its content's hash; every
// folder with a mark of its own, so a folder left behind shows too.
std::map<std::string, std::string> treeOf(const fs::path &folder)
{
    std::map<std::string, std::string> tree;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        tree[name] = entry.is_directory() ? std::string("<folder>") : sha256OfFile(qpath(entry.path())).toStdString();
    }
    return tree;
}

class UndoLastRun : public WindowTest
{
protected:
    QStringList photos(const std::string &folder, int n)
    {
        fs::create_directories(work / folder);
        QStringList paths;
        for (int i = 1; i <= n; ++i) {
            const fs::path path = work / folder / ("photo" + std::to_string(i) + ".jpg");
            writeFileBytes(path, readFileBytes(photo(i % 2 ? "gps/DSCN0010.jpg" : "orientation/portrait_6.jpg")));
            paths << qpath(path);
        }
        return paths;
    }
    // Queues queued, runs Start into folder and waits for the run's end;
    // duringRun is called at the run's first step.
    void run(const QStringList &queued, const fs::path &folder, const std::function<void()> &duringRun = {})
    {
        fs::create_directories(folder);
        window->photoList().clear();
        window->photoList().add(queued);
        QSignalSpy finished(window.get(), &TForm1::runFinished);
        QMetaObject::Connection connection
            = QObject::connect(window.get(), &TForm1::runStarting, [duringRun](WindowBatch *batch) {
                  if (duringRun)
                      QObject::connect(batch, &WindowBatch::step, [duringRun](int position) {
                          if (position == 1)
                              duringRun();
                      });
              });
        dialogs.fileAnswers = { qpath(folder) };
        test::actionOf(*window, QStringLiteral("ProcessPhotos"))->trigger();
        ASSERT_TRUE(finished.count() == 1 || finished.wait(60000));
        QObject::disconnect(connection);
    }
    QAction *undo() const { return test::actionOf(*window, QStringLiteral("UndoLastRun")); }
    void setConflictRule(int rule)
    {
        QTimer::singleShot(0, [rule]() {
            QWidget *modal = nullptr;
            if (!QTest::qWaitFor([&]() { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5000))
                return;
            auto *dialog = qobject_cast<TFormOptions *>(modal);
            ASSERT_TRUE(dialog);
            test::partOf<QComboBox>(*dialog, QStringLiteral("ExistingFilesCombo"))->setCurrentIndex(rule);
            QTest::mouseClick(test::partOf<QPushButton>(*dialog, QStringLiteral("BitBtn1")), Qt::LeftButton);
        });
        test::actionOf(*window, QStringLiteral("AOptions"))->trigger();
        ASSERT_EQ(IniFile(programIniPath()).readInteger(kOptionsSection, QStringLiteral("ExistingFiles"), -1), rule);
    }
};

TEST_F(UndoLastRun, PutsAFolderWithAReplacedFileBackByteForByte)
{
    const QStringList queued = photos("in", 2);
    const fs::path out = work / "out";
    fs::create_directories(out / "album");
    writeFileBytes(out / "photo1_timestamp.jpg", "an older picture under the first output's name");
    writeFileBytes(out / "album" / "notes.txt", "not the run's");
    const auto before = treeOf(out);
    const auto sources = treeOf(work / "in");

    open();
    EXPECT_FALSE(undo()->isEnabled()) << "no run logged yet";
    setConflictRule(int(ExistingRule::Replace));
    run(queued, out);
    const auto afterRun = treeOf(out);
    ASSERT_EQ(afterRun.size(), before.size() + 1);
    EXPECT_NE(afterRun.at("photo1_timestamp.jpg"), before.at("photo1_timestamp.jpg")) << "replaced";
    ASSERT_TRUE(undo()->isEnabled());
    const size_t shown = dialogs.messages.size();

    // No: the question names the run and nothing changes.
    dialogs.confirmAnswers = { false };
    undo()->trigger();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    const QString question = dialogs.questions[0];
    EXPECT_TRUE(question.startsWith(QStringLiteral("Undo the run into %1?").arg(qpath(out)))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("Photos it wrote, to be deleted: 2."))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("Files it replaced, to be put back: 1."))) << question.toStdString();
    EXPECT_TRUE(treeOf(out) == afterRun) << "answering No changed the folder";
    EXPECT_EQ(dialogs.messages.size(), shown);
    EXPECT_TRUE(undo()->isEnabled());

    dialogs.confirmAnswers = { true };
    undo()->trigger();
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(dialogs.questions[1], question);
    EXPECT_TRUE(treeOf(out) == before) << "the folder is not as it was before the run";
    EXPECT_TRUE(treeOf(work / "in") == sources);
    ASSERT_EQ(dialogs.messages.size(), shown + 1);
    const FakeDialogs::Message &done = dialogs.messages.back();
    EXPECT_EQ(done.kind, MessageKind::Information);
    EXPECT_EQ(done.text, QStringLiteral("The run into %1 is undone.\n\nDeleted: 2. Put back: 1.").arg(qpath(out)));
    EXPECT_EQ(done.details, QString());
    EXPECT_FALSE(undo()->isEnabled()) << "no run left to undo";

    // A run of the command line is seen when the File menu opens.
    const CommandResult cli = runCli({ "stamp", "--out", (work / "cli").string(), queued[0].toStdString() });
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_FALSE(undo()->isEnabled());
    auto *file = window->findChild<QMenu *>(QStringLiteral("File1"));
    ASSERT_NE(file, nullptr);
    Q_EMIT file->aboutToShow();
    EXPECT_TRUE(undo()->isEnabled());
}

TEST_F(UndoLastRun, IsOffDuringARunTakesTheNewestFirstAndNamesWhatItLeaves)
{
    const QStringList first = photos("in", 2);
    const QStringList second = photos("more", 3);
    open();
    run(first, work / "a");
    // Since the run: one output edited, one deleted by hand.
    writeFileBytes(work / "a" / "photo1_timestamp.jpg", "edited since");
    fs::remove(work / "a" / "photo2_timestamp.jpg");

    bool offDuringRun = false;
    run(second, work / "b", [&]() {
        offDuringRun = !undo()->isEnabled();
        undo()->setEnabled(true);
        dialogs.confirmAnswers = { true };
        undo()->trigger();
    });
    EXPECT_TRUE(offDuringRun);
    EXPECT_TRUE(dialogs.questions.empty()) << "an undo started during a run";
    EXPECT_EQ(treeOf(work / "b").size(), 3u);

    dialogs.confirmAnswers = { true };
    undo()->trigger();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.questions[0].startsWith(QStringLiteral("Undo the run into %1?").arg(qpath(work / "b"))));
    EXPECT_FALSE(dialogs.questions[0].contains(QStringLiteral("replaced"))) << dialogs.questions[0].toStdString();
    EXPECT_TRUE(treeOf(work / "b").empty());
    EXPECT_TRUE(undo()->isEnabled()) << "the first run is left";

    dialogs.confirmAnswers = { true };
    undo()->trigger();
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_TRUE(dialogs.questions[1].startsWith(QStringLiteral("Undo the run into %1?").arg(qpath(work / "a"))));
    const FakeDialogs::Message &done = dialogs.messages.back();
    EXPECT_EQ(done.kind, MessageKind::Warning);
    EXPECT_EQ(done.text,
        QStringLiteral("The run into %1 is undone.\n\nDeleted: 0. Put back: 0.\nLeft as they are: 1.\nAlready gone: 1.")
            .arg(qpath(work / "a")));
    EXPECT_EQ(done.details,
        QStringLiteral("Left as they are:\n%1: changed since the run\n\nAlready gone:\n%2")
            .arg(qpath(work / "a" / "photo1_timestamp.jpg"), qpath(work / "a" / "photo2_timestamp.jpg")));
    EXPECT_EQ(readFileBytes(work / "a" / "photo1_timestamp.jpg"), "edited since");
    EXPECT_FALSE(undo()->isEnabled());
}

} // namespace
} // namespace kelvra::test
