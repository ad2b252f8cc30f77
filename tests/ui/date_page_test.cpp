// SPDX-License-Identifier: GPL-3.0-or-later
// The date page: clock corrections set in the window reach the preview's
// label, its status text and a run's outputs.
#include "ui_test_support.h"

#include "ui/date_page.h"
#include "ui/label_page.h"
#include "ui/photo_list_model.h"
#include "ui/preview_view.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>

namespace kelvra::test {
namespace {

// The status text keeps its dates left to right with Unicode isolates.
QString withoutIsolates(QString text)
{
    return text.remove(QChar(0x2066)).remove(QChar(0x2069));
}

namespace fs = std::filesystem;

class DatePageWindow : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (!toolAvailable("exiftool"))
            GTEST_SKIP() << "exiftool missing";
    }
    QString datedPhoto(const std::string &name, const std::vector<std::string> &tags)
    {
        const fs::path path = work / "in" / name;
        fs::create_directories(path.parent_path());
        EXPECT_TRUE(makePlainPhoto(path, QColor(90, 120, 150), 320, 240));
        std::vector<std::string> argv { "exiftool", "-q", "-overwrite_original" };
        argv.insert(argv.end(), tags.begin(), tags.end());
        argv.push_back(path.string());
        EXPECT_EQ(runTool(argv).exitCode, 0);
        return qpath(path);
    }
    void typeCaption(TForm1 &w, const QString &caption)
    {
        QLineEdit *box = test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"));
        box->selectAll();
        QTest::keyClicks(box, caption);
    }
    static std::string exifDate(const QString &file)
    {
        return runTool({ "exiftool", "-s3", "-DateTimeOriginal", file.toStdString() }).out;
    }
};

TEST_F(DatePageWindow, AShiftSetInTheWindowDatesThePreviewStatusAndTheRun)
{
    const QString camA
        = datedPhoto("a.jpg", { "-Model=CamA", "-DateTimeOriginal=2021:09:06 16:52:43", "-OffsetTimeOriginal=+02:00" });
    const QString named = datedPhoto("IMG_20200102_030405.jpg", {});
    TForm1 &w = open();
    typeCaption(w, QStringLiteral("[PHOTO_DATE]"));
    test::actionOf(w, QStringLiteral("AcDateSource"))->trigger();
    EXPECT_EQ(designOf(w).settings().CaptionFormat, QStringLiteral("[PHOTO_DATE] [DATE_SOURCE]"));

    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->setCurrentRow(2);
    DatePage *page = test::partOf<DatePage>(w);
    ASSERT_TRUE(page->isVisible());
    test::partOf<QSpinBox>(*page, QStringLiteral("ShiftDays"))->setValue(1);
    test::partOf<QTimeEdit>(*page, QStringLiteral("ShiftTime"))->setTime(QTime(1, 0));
    EXPECT_EQ(designOf(w).settings().DateShift, QStringLiteral("+1d1:00:00"));

    PreviewView *preview = test::partOf<PreviewView>(w);
    preview->LoadPic(camA);
    KELVRA_TRY(preview->hasPhoto() && preview->photoPath() == camA);
    KELVRA_TRY(preview->labelText() == QStringLiteral("07.09.2021 17:52 DateTimeOriginal"));
    EXPECT_EQ(withoutIsolates(page->statusLabel()->text()),
        QStringLiteral("Date 2021-09-07 17:52:43 from DateTimeOriginal, shifted +1d1:00:00 +02:00"));

    // The camera's own shift overrides the one for all photos, for it alone.
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("AddCameraButton")), Qt::LeftButton);
    QTableWidget *cameras = test::partOf<QTableWidget>(*page, QStringLiteral("CameraShiftsTable"));
    ASSERT_EQ(cameras->rowCount(), 1);
    cameras->setItem(0, 0, new QTableWidgetItem(QStringLiteral("cama")));
    cameras->setItem(0, 1, new QTableWidgetItem(QStringLiteral("-1:00")));
    EXPECT_EQ(designOf(w).settings().CameraShifts, QStringLiteral("cama=-1:00:00"));
    KELVRA_TRY(preview->labelText() == QStringLiteral("06.09.2021 15:52 DateTimeOriginal"));
    EXPECT_EQ(withoutIsolates(page->statusLabel()->text()),
        QStringLiteral("Date 2021-09-06 15:52:43 from DateTimeOriginal, shifted -1:00:00 +02:00"));

    // A zone is shown only where the photo knows its own; a half-typed one changes nothing.
    QTest::keyClicks(test::partOf<QLineEdit>(*page, QStringLiteral("ZoneBox")), QStringLiteral("+05:3"));
    EXPECT_EQ(designOf(w).settings().DateZone, QString());
    QTest::keyClicks(test::partOf<QLineEdit>(*page, QStringLiteral("ZoneBox")), QStringLiteral("0"));
    EXPECT_EQ(designOf(w).settings().DateZone, QStringLiteral("+05:30"));
    KELVRA_TRY(preview->labelText() == QStringLiteral("06.09.2021 19:22 DateTimeOriginal"));

    preview->LoadPic(named);
    KELVRA_TRY(preview->photoPath() == named);
    KELVRA_TRY(preview->labelText() == QStringLiteral("03.01.2020 04:04 file name"));
    EXPECT_EQ(withoutIsolates(page->statusLabel()->text()),
        QStringLiteral("Date 2020-01-03 04:04:05 from the file name, shifted +1d1:00:00"));
    test::partOf<QCheckBox>(*page, QStringLiteral("NameDatesBox"))->click();
    EXPECT_FALSE(designOf(w).settings().NameDates);
    KELVRA_TRY(preview->labelText().endsWith(QStringLiteral("file date")));

    // The run writes the corrected dates into the outputs, sources untouched.
    test::partOf<QCheckBox>(*page, QStringLiteral("NameDatesBox"))->click();
    test::partOf<QCheckBox>(*page, QStringLiteral("FixExifBox"))->click();
    ASSERT_TRUE(designOf(w).settings().FixExifDates);
    const std::string sourceBytes = readFileBytes(camA.toStdString());
    w.photoList().add({ camA, named });
    const QString out = qpath(work / "out");
    fs::create_directories(work / "out");
    QSignalSpy finished(&w, &TForm1::runFinished);
    dialogs.fileAnswers = { out };
    test::actionOf(w, QStringLiteral("ProcessPhotos"))->trigger();
    ASSERT_TRUE(finished.count() == 1 || finished.wait(60000));
    EXPECT_EQ(exifDate(out + QStringLiteral("/a_timestamp.jpg")), "2021:09:06 15:52:43\n");
    EXPECT_EQ(exifDate(out + QStringLiteral("/IMG_20200102_030405_timestamp.jpg")), "2020:01:03 04:04:05\n");
    EXPECT_EQ(readFileBytes(camA.toStdString()), sourceBytes);

    // The design keeps all of it.
    ASSERT_TRUE(saveDesign(w, qpath(work / "design.cfg")));
    const std::string cfg = readFileBytes(work / "design.cfg");
    for (const char *line : { "DateShift=+1d1:00:00\n", "CameraShifts=cama=-1:00:00\n", "FixExifDates=1\n",
             "DateZone=+05:30\n", "NameDates=1\n" })
        EXPECT_TRUE(contains(cfg, line)) << line;
}

} // namespace
} // namespace kelvra::test
