// SPDX-License-Identifier: GPL-3.0-or-later
// The user guide from the windows: F1 and the Help command at the topic of the
// focused place, a guide or a browser that is missing, the support page, what
// the guide covers, and the photos a file manager hands the program.
#include "ui_test_support.h"

#include "kelvra_version.h"
#include "platform/install_paths.h"
#include "stamp/caption.h"
#include "stamp/file_mask.h"
#include "ui/folder_browser.h"
#include "ui/help_topics.h"
#include "ui/label_page.h"
#include "ui/launch_arguments.h"
#include "ui/mask_page.h"
#include "ui/photo_list_model.h"
#include "ui/preview_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTimer>

#include <functional>

namespace kelvra::test {
namespace {

using Help = WindowTest;

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Every page of the shipped guide, one text.
QString wholeGuide()
{
    QString text;
    const QDir help(helpFolder());
    for (const QString &page : help.entryList({ QStringLiteral("*.html") }, QDir::Files))
        text += readText(help.filePath(page));
    return text;
}

// The URL names a page of the shipped guide at the topic's section, and the
// page has that section.
void expectTopicOpened(const std::vector<QUrl> &opened, int topic)
{
    ASSERT_FALSE(opened.empty()) << "nothing opened for topic " << topic;
    const QUrl &url = opened.back();
    EXPECT_EQ(url, helpUrl(helpFolder(), topic));
    EXPECT_EQ(url.fragment(), QStringLiteral("topic-%1").arg(topic));
    EXPECT_TRUE(readText(url.toLocalFile()).contains(QStringLiteral("id=\"topic-%1\"").arg(topic)))
        << url.toString().toStdString();
}

void pressF1(QWidget *widget, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    widget->setFocus();
    KELVRA_TRY(QApplication::focusWidget() == widget);
    QTest::keyClick(widget, Qt::Key_F1, modifiers);
}

bool inside(const QWidget *widget, const QWidget *ancestor)
{
    return ancestor && (widget == ancestor || ancestor->isAncestorOf(widget));
}

TEST_F(Help, F1OpensTheGuideAtTheTopicOfTheFocusedPlace)
{
    TForm1 &w = open();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QComboBox *folders = test::partOf<QComboBox>(w, QStringLiteral("ShellComboBox1"));
    const QWidget *bottom = w.findChild<QWidget *>(QStringLiteral("BottomPane"));
    ASSERT_TRUE(bottom);

    // A control outside the settings and the folder box: the window's own topic.
    QWidget *plain = nullptr;
    for (QWidget *candidate : w.findChildren<QWidget *>()) {
        if (candidate->isVisible() && candidate->isEnabled() && (candidate->focusPolicy() & Qt::TabFocus)
            && !inside(candidate, bottom) && !inside(candidate, folders) && !candidate->focusProxy()) {
            plain = candidate;
            break;
        }
    }
    ASSERT_TRUE(plain);

    const struct
    {
        QWidget *widget;
        int topic;
    } stampCases[] = {
        { plain, 10 }, { folders, 50 }, { test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit")), 20 },
        { test::partOf<QComboBox>(w, QStringLiteral("DateFormatBox")), 20 },
        { test::partOf<QListWidget>(w, QStringLiteral("TodoList")),
            20 }, // the TO DO list answers for the selected task
    };
    for (const auto &c : stampCases) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        pressF1(c.widget);
        expectTopicOpened(dialogs.opened, c.topic);
    }

    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->setCurrentRow(1);
    for (QWidget *widget : std::initializer_list<QWidget *> { test::partOf<QComboBox>(w, QStringLiteral("MaskBox")),
             test::partOf<QListWidget>(w, QStringLiteral("TodoList")) }) {
        SCOPED_TRACE(widget->objectName().toStdString());
        pressF1(widget);
        expectTopicOpened(dialogs.opened, 30);
    }

    // Shift+F1 belongs to the toolkit's "What's This".
    const size_t before = dialogs.opened.size();
    pressF1(test::partOf<QComboBox>(w, QStringLiteral("MaskBox")), Qt::ShiftModifier);
    EXPECT_EQ(dialogs.opened.size(), before);
    EXPECT_TRUE(dialogs.messages.empty());
}

// F1 reaches the guide from inside the modal dialogs of the Preferences and
// Help menus, at each dialog's own topic.
TEST_F(Help, F1InAModalDialogOpensTheDialogsTopic)
{
    TForm1 &w = open();
    const struct
    {
        const char *command;
        int topic;
    } cases[] = { { "AOptions", 180 }, { "Action3", 50 } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command);
        const size_t before = dialogs.opened.size();
        whenModal([&](QWidget *modal) {
            QWidget *focus = modal->focusWidget() ? modal->focusWidget() : modal;
            QTest::keyClick(focus, Qt::Key_F1);
            expectTopicOpened(dialogs.opened, c.topic);
            modal->close();
        });
        test::actionOf(w, QLatin1String(c.command))->trigger();
        EXPECT_EQ(dialogs.opened.size(), before + 1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(Help, TheHelpCommandAnswersForTheFocusedPage)
{
    TForm1 &w = open();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit"))->setFocus();
    KELVRA_TRY(QApplication::focusWidget() == test::partOf<QLineEdit>(w, QStringLiteral("CaptionEdit")));
    test::actionOf(w, QStringLiteral("Help"))->trigger();
    expectTopicOpened(dialogs.opened, 20);

    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->setCurrentRow(1);
    test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->setFocus();
    KELVRA_TRY(QApplication::focusWidget() == test::partOf<QComboBox>(w, QStringLiteral("MaskBox")));
    test::actionOf(w, QStringLiteral("Help"))->trigger();
    expectTopicOpened(dialogs.opened, 30);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Help, AMissingGuideOrBrowserIsToldWithWhatToDo)
{
    TForm1 &w = open();
    TempDir empty;
    const QString missing = QDir::toNativeSeparators(qpath(empty / "help" / "index.html"));
    showGuide(dialogs, &w, qpath(empty / "help"), 10);
    EXPECT_TRUE(dialogs.opened.empty()); // a browser showing "file not found" helps nobody
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Warning);
    EXPECT_TRUE(dialogs.messages[0].text.contains(missing)) << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Install Kelvra again")));

    // The shipped guide, but no browser.
    dialogs.desktopOpens = false;
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    test::partOf<QListWidget>(w, QStringLiteral("TodoList"))->setCurrentRow(1);
    test::partOf<QComboBox>(w, QStringLiteral("MaskBox"))->setFocus();
    KELVRA_TRY(QApplication::focusWidget() == test::partOf<QComboBox>(w, QStringLiteral("MaskBox")));
    test::actionOf(w, QStringLiteral("Help"))->trigger();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(dialogs.messages[1].text.contains(QDir::toNativeSeparators(helpFolder() + "names.html")))
        << dialogs.messages[1].text.toStdString();
    test::actionOf(w, QStringLiteral("Support"))->trigger();
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_TRUE(dialogs.messages[2].text.contains(QLatin1String(kSupportUrl)));
}

TEST_F(Help, OnlineSupportOpensTheProjectsPage)
{
    TForm1 &w = open();
    test::actionOf(w, QStringLiteral("Support"))->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    const QUrl &url = dialogs.opened[0];
    EXPECT_EQ(url, QUrl(QLatin1String(kSupportUrl)));
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    EXPECT_TRUE(url.toString().startsWith(QLatin1String(kHomepageUrl)));
    EXPECT_FALSE(url.host().isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(HelpGuide, CoversEveryTokenMaskFieldAndTopic)
{
    const QString guide = wholeGuide();
    ASSERT_FALSE(guide.isEmpty()) << helpFolder().toStdString();
    for (QLatin1StringView token : captionTokens())
        EXPECT_TRUE(guide.contains(token)) << token.data();
    for (QLatin1StringView field : fileMaskFields())
        EXPECT_TRUE(guide.contains(QStringLiteral("<code>%1</code>").arg(field))) << field.data();
    for (int topic : kHelpTopics) {
        const QString page = readText(helpFolder() + helpPlace(topic).page);
        EXPECT_TRUE(page.contains(QStringLiteral("id=\"topic-%1\"").arg(topic))) << topic;
    }
    // An unknown topic still opens the guide.
    EXPECT_EQ(helpUrl(QStringLiteral("/g"), 999), QUrl::fromLocalFile(QStringLiteral("/g/index.html")));
}

TEST(LaunchArguments, KeepsExistingJpegFilesOnceInOrder)
{
    TempDir dir;
    writeFileBytes(dir / "a.jpg", "x");
    writeFileBytes(dir / "B.JPEG", "x");
    writeFileBytes(dir / "notes.txt", "x");
    std::filesystem::create_directory(dir / "album.jpg");
    const QString a = qpath(dir / "a.jpg");
    const QString b = qpath(dir / "B.JPEG");
    const QStringList arguments = {
        QStringLiteral("B.JPEG"), // relative to the working folder
        QUrl::fromLocalFile(a).toString(), // as a file manager may pass it
        a, // the same photo again
        QStringLiteral("./sub/../a.jpg"),
        QStringLiteral("notes.txt"),
        QStringLiteral("gone.jpg"),
        QStringLiteral("album.jpg"),
        QStringLiteral("https://example.org/p.jpg"),
    };
    const LaunchPhotos launch = photosFromArguments(arguments, qpath(dir.path()));
    EXPECT_EQ(launch.photos, QStringList({ b, a }));
    EXPECT_EQ(launch.refused,
        QStringList({ QStringLiteral("notes.txt: not a photo"), QStringLiteral("gone.jpg: no such file"),
            QStringLiteral("album.jpg: not a file"), QStringLiteral("https://example.org/p.jpg: not a local file") }));
}

TEST_F(Help, PhotosGivenAtStartAreQueuedAndTheFirstPreviewed)
{
    TForm1 &w = open();
    const QString first = qpath(photo("structure/Nikon_D70.jpg"));
    const QString second = qpath(photo("structure/no_exif.jpg"));
    openLaunchPhotos(w, { first, second });
    EXPECT_EQ(w.photoList().paths(), QStringList({ first, second }));
    EXPECT_EQ(test::partOf<QLabel>(w, QStringLiteral("FilesToProcess"))->text(), QStringLiteral("Files to process: 2"));
    KELVRA_TRY(test::partOf<PreviewView>(w)->photoPath() == first);
    openLaunchPhotos(w, {});
    EXPECT_EQ(w.photoList().count(), 2);
    // What was refused shows in the window, not only on a terminal.
    openLaunchPhotos(w, {}, { QStringLiteral("notes.txt: not a JPEG photo") });
    EXPECT_EQ(w.statusBar()->currentMessage(), QStringLiteral("Not opened: notes.txt: not a JPEG photo"));
    EXPECT_TRUE(test::partOf<QLabel>(w, QStringLiteral("FilesToProcess"))->isVisible()) << "the count keeps its panel";
}

} // namespace
} // namespace kelvra::test
