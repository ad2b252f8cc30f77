// SPDX-License-Identifier: GPL-3.0-or-later
// What the window reads and writes: .cfg files, the program INI, Save As,
// and the photo it previews.
#include "ui_test_support.h"

#include "common/photo_kinds_support.h"

#include "stamp/ini_file.h"
#include "ui/colour_selector.h"
#include "ui/label_page.h"
#include "ui/mask_page.h"
#include "ui/preview_view.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>

#include <functional>

namespace kelvra::test {
namespace {

using WindowFiles = WindowTest;

// A choice in a colour list, as a click on the entry makes it.
void choose(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

// Everything the window shows of the design, and the placement it holds.
QStringList shownDesign(const TForm1 &w)
{
    const LabelPage *p = test::partOf<LabelPage>(w);
    const StampSettings &s = designOf(w).settings();
    QStringList shown = {
        QString::number(test::partOf<QSlider>(*p, QStringLiteral("SizeSlider"))->value()),
        test::partOf<QFontComboBox>(*p, QStringLiteral("FontBox"))->currentText(),
        test::partOf<ColourSelector>(*p, QStringLiteral("FontColorBox"))->currentText(),
        QString::number(test::partOf<ColourSelector>(*p, QStringLiteral("FontColorBox"))->colour()),
        test::partOf<ColourSelector>(*p, QStringLiteral("BgColorBox"))->currentText(),
        QString::number(test::partOf<ColourSelector>(*p, QStringLiteral("BgColorBox"))->colour()),
        test::partOf<ColourSelector>(*p, QStringLiteral("OutlineColorBox"))->currentText(),
        QString::number(test::partOf<ColourSelector>(*p, QStringLiteral("OutlineColorBox"))->colour()),
        test::partOf<QComboBox>(*p, QStringLiteral("DateFormatBox"))->currentText(),
        test::partOf<QLineEdit>(*p, QStringLiteral("CaptionEdit"))->text(),
        test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->currentText(),
        test::partOf<QLabel>(w, QStringLiteral("MaskExample"))->text(),
        QString::number(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->checkState()),
        QString::number(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(1)->checkState()),
        QString::number(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->currentRow()),
        QString::number(test::partOf<QStackedWidget>(w, QStringLiteral("PageControl1"))->currentIndex()),
        test::partOf<QGroupBox>(w, QStringLiteral("SettingsFrame"))->title(),
        QStringLiteral("%1 %2 %3 %4").arg(s.XOrient).arg(s.YOrient).arg(s.XD).arg(s.YD),
    };
    for (const char *style : { "FBold", "FItalic", "FUnderline", "FShadow", "FOutline" })
        shown << QString::number(test::actionOf(w, QLatin1String(style))->isChecked());
    return shown;
}

TEST_F(WindowFiles, ASavedCfgLoadedBackRestoresEveryControl)
{
    TForm1 &w = open();
    const QStringList defaults = shownDesign(w);
    LabelPage *p = test::partOf<LabelPage>(w);

    test::partOf<QSlider>(*p, QStringLiteral("SizeSlider"))->setValue(120);
    test::partOf<QFontComboBox>(*p, QStringLiteral("FontBox"))->setCurrentFont(QFont(QStringLiteral("DejaVu Serif")));
    choose(test::partOf<ColourSelector>(*p, QStringLiteral("FontColorBox")), QStringLiteral("Blue"));
    dialogs.colourAnswers.push_back(QColor(10, 20, 30));
    choose(test::partOf<ColourSelector>(*p, QStringLiteral("BgColorBox")), QStringLiteral("Custom..."));
    choose(test::partOf<ColourSelector>(*p, QStringLiteral("OutlineColorBox")), QStringLiteral("White"));
    test::actionOf(w, QStringLiteral("FBold"))->trigger();
    test::actionOf(w, QStringLiteral("FShadow"))->trigger();
    test::actionOf(w, QStringLiteral("FUnderline"))->trigger();
    test::partOf<QComboBox>(*p, QStringLiteral("DateFormatBox"))->setEditText(QStringLiteral("YYYY-MM-DD hh:nn"));
    test::partOf<QLineEdit>(*p, QStringLiteral("CaptionEdit"))->setText(QStringLiteral("[Model] [ISO]"));
    test::actionOf(w, QStringLiteral("StampTo3"))->trigger();
    test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->setEditText(QStringLiteral("%y\\%m\\%o"));
    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(1)->setCheckState(Qt::Checked);
    const QStringList designed = shownDesign(w);
    const StampSettings settings = designOf(w).settings();
    EXPECT_EQ(settings.BgColor, 10 | 20 << 8 | 30 << 16);
    EXPECT_EQ(settings.Size, 1000.0 / 120);
    ASSERT_NE(designed, defaults);

    const QString cfg = qpath(work / "design.cfg");
    dialogs.fileAnswers = { cfg };
    test::actionOf(w, QStringLiteral("RSaveCFG"))->trigger();
    ASSERT_TRUE(QFileInfo::exists(cfg));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, QStringLiteral("Save Stamp Configuration"));
    // The first time in a folder of the user's own, made for it; then where the last design went.
    EXPECT_EQ(dialogs.requests[0].folder, homeFolder() + QStringLiteral("/Kelvra designs"));
    EXPECT_TRUE(QFileInfo(dialogs.requests[0].folder).isDir());
    EXPECT_EQ(dialogs.requests[0].defaultSuffix, QStringLiteral("cfg"));

    // An empty file gives every default, whatever was shown before.
    const QString empty = qpath(work / "empty.cfg");
    writeFileBytes(work / "empty.cfg", "");
    dialogs.fileAnswers = { empty };
    test::actionOf(w, QStringLiteral("RLoadCFG"))->trigger();
    EXPECT_EQ(shownDesign(w), defaults);
    EXPECT_EQ(dialogs.requests.back().title, QStringLiteral("Load Stamp Configuration"));
    EXPECT_EQ(dialogs.requests.back().folder, qpath(work.path()));

    // A name typed without its extension gets ".cfg", in lower case.
    dialogs.fileAnswers = { qpath(work / "plain") };
    test::actionOf(w, QStringLiteral("RSaveCFG"))->trigger();
    EXPECT_TRUE(QFileInfo(qpath(work / "plain.cfg")).isFile());
    EXPECT_FALSE(QFileInfo::exists(qpath(work / "plain")));

    dialogs.fileAnswers = { cfg };
    test::actionOf(w, QStringLiteral("RLoadCFG"))->trigger();
    EXPECT_EQ(shownDesign(w), designed);
    StampSettings loaded = designOf(w).settings();
    EXPECT_NEAR(loaded.Size, settings.Size, 1e-9);
    loaded.Size = settings.Size;
    EXPECT_EQ(loaded, settings);

    // A cancelled dialog changes nothing.
    dialogs.fileAnswers = { QString() };
    test::actionOf(w, QStringLiteral("RLoadCFG"))->trigger();
    EXPECT_EQ(shownDesign(w), designed);
    EXPECT_TRUE(dialogs.messages.empty());

    // The next start opens where the last design went.
    w.close();
    TForm1 &again = open();
    dialogs.fileAnswers = { QString() };
    test::actionOf(again, QStringLiteral("RLoadCFG"))->trigger();
    EXPECT_EQ(dialogs.requests.back().folder, qpath(work.path()));
}

TEST_F(WindowFiles, ACfgThatOnlyRenamesShowsTheMaskPage)
{
    TForm1 &w = open();
    writeFileBytes(work / "rename.cfg", "[Options]\nRenamePhotos=1\nStampPhotosOpt=0\n");
    loadDesign(w, qpath(work / "rename.cfg"));
    EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->currentRow(), 1);
    EXPECT_EQ(
        test::partOf<QStackedWidget>(w, QStringLiteral("PageControl1"))->currentWidget(), test::partOf<MaskPage>(w));
    EXPECT_EQ(
        test::partOf<QGroupBox>(w, QStringLiteral("SettingsFrame"))->title(), QStringLiteral("Rename\\Sort photos"));
    EXPECT_EQ(helpTopicOf(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))), 30);
    EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(1)->checkState(), Qt::Checked);

    // Choosing the first task by keyboard brings the label page back.
    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->setFocus();
    QTest::keyClick(test::partOf<QListWidget>(w, QStringLiteral("TodoList")), Qt::Key_Up);
    EXPECT_EQ(
        test::partOf<QStackedWidget>(w, QStringLiteral("PageControl1"))->currentWidget(), test::partOf<LabelPage>(w));
    EXPECT_EQ(test::partOf<QGroupBox>(w, QStringLiteral("SettingsFrame"))->title(), QStringLiteral("Stamp photos"));
    EXPECT_EQ(helpTopicOf(test::partOf<QListWidget>(w, QStringLiteral("TodoList"))), 20);
}

TEST_F(WindowFiles, ClosingWritesTheProgramIniAndTheNextWindowReadsIt)
{
    TForm1 &w = open();
    test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"))->setText(QStringLiteral("[Model]"));
    test::partOf<QSlider>(w, QStringLiteral("SizeSlider"))->setValue(100);
    const QString ini = programIniPath();
    EXPECT_EQ(QFileInfo(ini).absolutePath(), QFileInfo(dataFolder()).absoluteFilePath());
    w.close();
    EXPECT_TRUE(dialogs.messages.empty());
    const IniFile file(ini);
    EXPECT_EQ(
        file.readString(QStringLiteral("Options"), QStringLiteral("CaptionFormat"), {}), QStringLiteral("[Model]"));
    EXPECT_EQ(file.readString(QStringLiteral("Options"), QStringLiteral("FontSize"), {}), QStringLiteral("10"));

    window.reset();
    TForm1 &again = open();
    EXPECT_EQ(test::partOf<QLineEdit>(again, QStringLiteral("CaptionEdit"))->text(), QStringLiteral("[Model]"));
    EXPECT_EQ(test::partOf<QSlider>(again, QStringLiteral("SizeSlider"))->value(), 100);
}

TEST_F(WindowFiles, AReadOnlyProgramIniIsReportedAtClose)
{
    open().close();
    const QString ini = programIniPath();
    ASSERT_TRUE(QFileInfo::exists(ini));
    window.reset();
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);

    TForm1 &w = open();
    test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"))->setText(QStringLiteral("[ISO]"));
    w.close();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Unable to write to ") + ini);
    EXPECT_FALSE(w.isVisible());
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
}

class WindowPhoto : public WindowTest
{
protected:
    // A copy of a camera photo with a known modification date.
    QString copyPhoto(const std::string &name)
    {
        const QString path = qpath(work / name);
        writeFileBytes(work / name, readFileBytes(photo("gps/DSCN0010.jpg")));
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime(QDate(2019, 5, 1), QTime(14, 7, 8)), QFileDevice::FileModificationTime);
        return path;
    }
    TForm1 &openWithPhoto(const QString &path)
    {
        TForm1 &w = open();
        w.LoadPic(path);
        KELVRA_TRY(test::partOf<PathLabel>(w, QStringLiteral("PhotoPath"))->accessibleName() == path);
        KELVRA_TRY(test::partOf<PreviewView>(w)->isVisible());
        return w;
    }
    // Runs Save As onto target and waits for it.
    bool saveAs(TForm1 &w, const QString &target)
    {
        QSignalSpy done(&w, &TForm1::saveAsFinished);
        dialogs.fileAnswers = { target };
        test::actionOf(w, QStringLiteral("ASaveAs"))->trigger();
        return QTest::qWaitFor([&]() { return done.count() == 1; }, 20000);
    }
};

TEST_F(WindowPhoto, APhotoShownEnablesSaveAsAndABadOneHidesThePreviewQuietly)
{
    const QString good = copyPhoto("good.jpg");
    TForm1 &w = openWithPhoto(good);
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("ASaveAs"))->isEnabled());
    EXPECT_EQ(test::partOf<PreviewView>(w)->photoPath(), good);

    writeFileBytes(work / "broken.jpg", std::string("\xFF\xD8\xFF\xE0 not a photo at all", 24));
    w.LoadPic(qpath(work / "broken.jpg"));
    KELVRA_TRY(!test::actionOf(w, QStringLiteral("ASaveAs"))->isEnabled());
    EXPECT_FALSE(test::partOf<PreviewView>(w)->isVisible());
    EXPECT_EQ(test::partOf<PathLabel>(w, QStringLiteral("PhotoPath"))->accessibleName(), QString());

    w.LoadPic(good);
    KELVRA_TRY(test::actionOf(w, QStringLiteral("ASaveAs"))->isEnabled());
    writeFileBytes(work / "picture.gif", readFileBytes(photo("gps/DSCN0010.jpg")));
    w.LoadPic(qpath(work / "picture.gif"));
    KELVRA_TRY(!test::actionOf(w, QStringLiteral("ASaveAs"))->isEnabled());
    EXPECT_FALSE(test::partOf<PreviewView>(w)->isVisible());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowPhoto, FileOpenPreviewsTheChosenPhoto)
{
    const QString good = copyPhoto("chosen.jpg");
    TForm1 &w = open();
    dialogs.fileAnswers = { good };
    test::actionOf(w, QStringLiteral("AOpen"))->trigger();
    KELVRA_TRY(test::partOf<PathLabel>(w, QStringLiteral("PhotoPath"))->accessibleName() == good);
    EXPECT_EQ(test::actionOf(w, QStringLiteral("AOpen"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
}

TEST_F(WindowPhoto, SaveAsWritesAStampedPhotoWithTheSourcesDates)
{
    const QString source = copyPhoto("source.jpg");
    TForm1 &w = openWithPhoto(source);
    const QString target = qpath(work / "stamped.jpg");
    ASSERT_TRUE(saveAs(w, target));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].fileName, QStringLiteral("source.jpg"));
    EXPECT_EQ(dialogs.requests[0].defaultSuffix, QStringLiteral("jpg"));
    EXPECT_TRUE(dialogs.requests[0].confirmOverwrite);
    EXPECT_TRUE(dialogs.requests[0].filter.contains(QStringLiteral("*.jpeg")));

    ASSERT_TRUE(QFileInfo::exists(target));
    EXPECT_NE(readFileBytes(work / "stamped.jpg"), readFileBytes(work / "source.jpg"));
    const QImage stamped(target, "JPEG");
    EXPECT_EQ(stamped.size(), QImage(source).size());
    EXPECT_EQ(QFileInfo(target).lastModified(), QFileInfo(source).lastModified());
    EXPECT_TRUE(test::actionOf(w, QStringLiteral("ASaveAs"))->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());
}

// A phone's HEIC photo made here: shown, and Save As offers and writes the
// JPEG it becomes, with the camera's EXIF.
TEST_F(WindowPhoto, AHeicPhotoIsShownAndSavedAsAJpeg)
{
    if (!test::kindToolsAvailable())
        GTEST_SKIP() << "needs heif-enc, convert and exiftool";
    const auto made = test::makeKindPhotos(work / "kinds");
    ASSERT_FALSE(made.empty());
    const QString source = qpath(made.front()); // phone.heic
    TForm1 &w = openWithPhoto(source);
    EXPECT_TRUE(dialogs.messages.empty());
    const QString target = qpath(work / "phone_stamped.jpg");
    ASSERT_TRUE(saveAs(w, target));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].fileName, QStringLiteral("phone.jpg"));
    const QImage stamped(target, "JPEG");
    EXPECT_EQ(stamped.size(), QSize(600, 400)); // as stored; its EXIF turns it
    const auto tags = test::runTool({ "exiftool", "-s3", "-Make", "-Orientation", nativeOf(target).string() });
    EXPECT_EQ(tags.out, "Canon\nRotate 90 CW\n");
}

TEST_F(WindowPhoto, SaveAsUntickedCopiesAndATypedNameGetsItsExtension)
{
    const QString source = copyPhoto("source.jpg");
    TForm1 &w = openWithPhoto(source);

    ASSERT_TRUE(saveAs(w, qpath(work / "stamped")));
    EXPECT_TRUE(QFileInfo(qpath(work / "stamped.jpg")).isFile());
    EXPECT_FALSE(QFileInfo::exists(qpath(work / "stamped")));
    EXPECT_NE(readFileBytes(work / "stamped.jpg"), readFileBytes(work / "source.jpg"));
    ASSERT_TRUE(saveAs(w, qpath(work / "kept.JPEG")));
    EXPECT_TRUE(QFileInfo(qpath(work / "kept.JPEG")).isFile()) << "an extension of its own stays";

    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->setCheckState(Qt::Unchecked);
    ASSERT_TRUE(saveAs(w, qpath(work / "copy.jpg")));
    EXPECT_EQ(readFileBytes(work / "copy.jpg"), readFileBytes(work / "source.jpg"));
    EXPECT_EQ(QFileInfo(qpath(work / "copy.jpg")).lastModified(), QFileInfo(source).lastModified());
}

TEST_F(WindowPhoto, SaveAsOntoThePreviewedPhotoWithStampingIsRefused)
{
    const QString source = copyPhoto("source.jpg");
    const std::string before = readFileBytes(work / "source.jpg");
    TForm1 &w = openWithPhoto(source);
    QSignalSpy done(&w, &TForm1::saveAsFinished);
    // Named another way, it is still the same file.
    dialogs.fileAnswers = { qpath(work.path()) + QStringLiteral("/./source.jpg") };
    test::actionOf(w, QStringLiteral("ASaveAs"))->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Warning);
    // The dialog comes again where the refused name was; no answer cancels it.
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].folder, qpath(work.path()));
    EXPECT_EQ(dialogs.requests[1].fileName, QStringLiteral("source.jpg"));
    QTest::qWait(50);
    EXPECT_EQ(done.count(), 0);
    EXPECT_EQ(readFileBytes(work / "source.jpg"), before);

    // Cancelling the dialog does nothing at all.
    dialogs.fileAnswers = { QString() };
    test::actionOf(w, QStringLiteral("ASaveAs"))->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(WindowPhoto, TickingTheStampTaskByKeyboardRedrawsThePreview)
{
    TForm1 &w = openWithPhoto(copyPhoto("source.jpg"));
    const QImage labelled = test::partOf<PreviewView>(w)->previewRaster();
    QListWidget *todo = test::partOf<QListWidget>(w, QStringLiteral("TodoList"));
    todo->setFocus();
    todo->setCurrentRow(0);
    QTest::keyClick(todo, Qt::Key_Space);
    EXPECT_FALSE(designOf(w).settings().StampPhotosOpt);
    KELVRA_TRY(test::partOf<PreviewView>(w)->previewRaster() != labelled);
    QTest::keyClick(todo, Qt::Key_Space);
    EXPECT_TRUE(designOf(w).settings().StampPhotosOpt);
    KELVRA_TRY(test::partOf<PreviewView>(w)->previewRaster() == labelled);
}

TEST_F(WindowPhoto, EveryDesignChangeRedrawsThePreview)
{
    TForm1 &w = openWithPhoto(copyPhoto("source.jpg"));
    LabelPage *p = test::partOf<LabelPage>(w);
    writeFileBytes(work / "empty.cfg", "");
    const std::vector<std::pair<const char *, std::function<void()>>> triggers = {
        { "size slider", [&] { test::partOf<QSlider>(*p, QStringLiteral("SizeSlider"))->setValue(80); } },
        { "font",
            [&] {
                test::partOf<QFontComboBox>(*p, QStringLiteral("FontBox"))
                    ->setCurrentFont(QFont(QStringLiteral("DejaVu Serif")));
            } },
        { "font colour",
            [&] {
                choose(test::partOf<ColourSelector>(*p, QStringLiteral("FontColorBox")), QStringLiteral("Yellow"));
            } },
        { "FOutline", [&] { test::actionOf(w, QStringLiteral("FOutline"))->trigger(); } },
        { "outline colour",
            [&] {
                choose(test::partOf<ColourSelector>(*p, QStringLiteral("OutlineColorBox")), QStringLiteral("Blue"));
            } },
        { "background colour",
            [&] { choose(test::partOf<ColourSelector>(*p, QStringLiteral("BgColorBox")), QStringLiteral("White")); } },
        { "FBold", [&] { test::actionOf(w, QStringLiteral("FBold"))->trigger(); } },
        { "FItalic", [&] { test::actionOf(w, QStringLiteral("FItalic"))->trigger(); } },
        { "FUnderline", [&] { test::actionOf(w, QStringLiteral("FUnderline"))->trigger(); } },
        { "FShadow", [&] { test::actionOf(w, QStringLiteral("FShadow"))->trigger(); } },
        { "date format",
            [&] {
                test::partOf<QComboBox>(*p, QStringLiteral("DateFormatBox"))->setEditText(QStringLiteral("YYYY"));
            } },
        { "caption",
            [&] {
                test::partOf<QLineEdit>(*p, QStringLiteral("CaptionEdit"))
                    ->setText(QStringLiteral("[PHOTO_DATE] [Make]"));
            } },
        { "StampTo1", [&] { test::actionOf(w, QStringLiteral("StampTo1"))->trigger(); } },
        { "StampTo2", [&] { test::actionOf(w, QStringLiteral("StampTo2"))->trigger(); } },
        { "StampTo3", [&] { test::actionOf(w, QStringLiteral("StampTo3"))->trigger(); } },
        { "StampTo4", [&] { test::actionOf(w, QStringLiteral("StampTo4"))->trigger(); } },
        { "task tick",
            [&] { test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->item(0)->setCheckState(Qt::Unchecked); } },
        { "loading a .cfg", [&] { loadDesign(w, qpath(work / "empty.cfg")); } },
    };
    for (const auto &[name, change] : triggers) {
        SCOPED_TRACE(name);
        const QImage before = test::partOf<PreviewView>(w)->previewRaster();
        change();
        KELVRA_TRY(test::partOf<PreviewView>(w)->previewRaster() != before);
    }
    const StampSettings &s = designOf(w).settings();
    test::actionOf(w, QStringLiteral("StampTo3"))->trigger();
    EXPECT_EQ(s.XOrient, 1);
    EXPECT_EQ(s.YOrient, 1);
    EXPECT_EQ(s.XD, 0.1);
    EXPECT_EQ(s.YD, 0.1);
    EXPECT_EQ(s.Size, 20);
}

} // namespace
} // namespace kelvra::test
