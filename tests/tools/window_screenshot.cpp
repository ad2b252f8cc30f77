// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra_window_screenshot OUT.png WIDTH HEIGHT FOLDER SHOWN PHOTO...
// Opens the main window at WIDTH x HEIGHT browsing FOLDER, queues the
// photos, previews SHOWN, waits for every thumbnail and the preview, and
// saves a picture of the window. scripts/screenshot runs it under a virtual
// display for docs/. KELVRA_LANGUAGE (a locale identifier) shows the window
// in that shipped language. With KELVRA_PROGRESS_SHOT=FILE.png it then
// starts a real run of the queued photos into a temporary folder and saves a
// picture of the progress window while the run is held at its third photo.
// With KELVRA_GALLERY_SHOT=FILE.png it saves a picture of the looks gallery
// of the previewed photo. With KELVRA_SWITCH_TO (a locale identifier) the
// window is switched to that language through Options before any picture.
#include "jobs/thumbnail_job.h"
#include "ui/folder_browser.h"
#include "ui/language_wiring.h"
#include "ui/look_gallery.h"
#include "ui/main_window.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/preview_view.h"
#include "ui/progress_window.h"
#include "ui/user_dialogs.h"
#include "ui/window_batch.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

bool waitFor(const std::function<bool()> &condition, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// The toolkit's dialogs, but Start's chooser answered and the end quiet.
class ShotDialogs : public kelvra::QtUserDialogs
{
public:
    QString folder;
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return folder; }
    int showMessageWithChoices(
        QWidget *, kelvra::MessageKind, const QString &, const QString &, const QStringList &) override
    {
        return -1;
    }
    bool openUrl(const QUrl &) override { return true; }
};

// A real run, photographed while it waits before its third photo.
bool shootProgress(kelvra::TForm1 &form, ShotDialogs &dialogs, const QString &out)
{
    QTemporaryDir target;
    dialogs.folder = target.path();
    std::atomic<bool> taken { false };
    QObject::connect(&form, &kelvra::TForm1::runStarting, [&taken](kelvra::WindowBatch *batch) {
        batch->setStepGate([&taken](int position) {
            while (position == 3 && !taken.load())
                QThread::msleep(2);
        });
    });
    bool finished = false;
    QObject::connect(&form, &kelvra::TForm1::runFinished, [&finished] { finished = true; });
    form.findChild<QAction *>(QStringLiteral("ProcessPhotos"))->trigger();
    kelvra::TProgressForm *progress = form.findChild<kelvra::TProgressForm *>();
    const bool shown = waitFor([&] {
        return progress->isVisible()
            && progress->findChild<QLabel *>(QStringLiteral("Label1"))->text().contains(QStringLiteral("2/"));
    });
    waitFor([] { return false; }, 300);
    const bool saved = shown && progress->grab().save(out);
    taken.store(true);
    waitFor([&] { return finished; }, 120000);
    if (!saved)
        std::fprintf(stderr, "kelvra_window_screenshot: no progress picture %s\n", qPrintable(out));
    return saved;
}

// Picks locale in Options and saves, as a user switches the open window.
bool switchLanguage(kelvra::TForm1 &form, kelvra::LanguageList &languages, int locale)
{
    QTimer::singleShot(0, [locale] {
        QWidget *modal = nullptr;
        if (!waitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5000))
            return;
        auto *combo = modal->findChild<QComboBox *>(QStringLiteral("LanguageCombo"));
        const int index = combo->findData(locale);
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
        modal->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
    form.findChild<QAction *>(QStringLiteral("AOptions"))->trigger();
    // The texts made from the state follow on the change's event.
    waitFor([] { return false; }, 300);
    return languages.currentLocale() == locale;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvra"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 6) {
        std::fprintf(stderr, "usage: kelvra_window_screenshot OUT.png WIDTH HEIGHT FOLDER SHOWN PHOTO...\n");
        return 2;
    }
    const QString out = args.at(1);
    const QSize size(args.at(2).toInt(), args.at(3).toInt());
    const QString shown = QFileInfo(args.at(5)).absoluteFilePath();
    QStringList photos;
    for (const QString &photo : args.mid(6))
        photos << QFileInfo(photo).absoluteFilePath();

    const int language = qEnvironmentVariableIntValue("KELVRA_LANGUAGE");
    kelvra::InterfaceLanguage interface(kelvra::languageFolder(), language);
    if (!interface.StartFailure().isEmpty() || (language && int(interface.Localizer().CurrentLocale) != language)) {
        std::fprintf(
            stderr, "kelvra_window_screenshot: language %d: %s\n", language, qPrintable(interface.StartFailure()));
        return 1;
    }
    ShotDialogs dialogs;
    kelvra::TForm1 form(dialogs);
    form.setLanguageList(&interface.Languages());
    form.move(0, 0);
    form.resize(size.expandedTo(form.minimumSize()));
    form.show();
    kelvra::FolderBrowser *browser = form.findChild<kelvra::FolderBrowser *>();
    bool listed = false;
    QObject::connect(browser, &kelvra::FolderBrowser::loaded, [&listed] { listed = true; });
    if (!browser->setFolder(QFileInfo(args.at(4)).absoluteFilePath()) || !waitFor([&] { return listed; })) {
        std::fprintf(stderr, "kelvra_window_screenshot: cannot list %s\n", qPrintable(args.at(4)));
        return 1;
    }
    form.photoList().add(photos);
    waitFor([&] { return browser->focusEntry(shown); });
    kelvra::PhotoStrip *strip = form.findChild<kelvra::PhotoStrip *>();
    strip->setCurrentIndex(form.photoList().index(form.photoList().indexOf(shown)));
    const bool ready = waitFor([&] {
        for (const QString &photo : std::as_const(photos)) {
            if (strip->findChild<kelvra::ThumbnailMaker *>()->thumbnail(photo, nullptr)
                == kelvra::ThumbnailMaker::Status::Pending)
                return false;
        }
        return form.findChild<kelvra::PreviewView *>()->hasPhoto();
    });
    if (!ready)
        std::fprintf(stderr, "kelvra_window_screenshot: thumbnails or preview still missing\n");
    if (const int to = qEnvironmentVariableIntValue("KELVRA_SWITCH_TO");
        to && !switchLanguage(form, interface.Languages(), to)) {
        std::fprintf(stderr, "kelvra_window_screenshot: no switch to language %d\n", to);
        return 1;
    }
    strip->viewport()->update();
    waitFor([] { return false; }, 500); // the last paints land
    if (!form.grab().save(out)) {
        std::fprintf(stderr, "kelvra_window_screenshot: cannot write %s\n", qPrintable(out));
        return 1;
    }
    if (const QString galleryShot = qEnvironmentVariable("KELVRA_GALLERY_SHOT"); !galleryShot.isEmpty()) {
        form.findChild<QAction *>(QStringLiteral("LookGalleryAction"))->trigger();
        auto *gallery = form.findChild<kelvra::LookGallery *>();
        if (!gallery || !waitFor([&] {
                const QListWidget *list = gallery->list();
                for (int i = 0; i < list->count(); ++i)
                    if (!list->item(i)->data(kelvra::LookGallery::kDrawnRole).toBool())
                        return false;
                return true;
            })) {
            std::fprintf(stderr, "kelvra_window_screenshot: the looks gallery has no pictures\n");
            return 1;
        }
        waitFor([] { return false; }, 500);
        if (!gallery->grab().save(galleryShot)) {
            std::fprintf(stderr, "kelvra_window_screenshot: cannot write %s\n", qPrintable(galleryShot));
            return 1;
        }
        gallery->close();
    }
    const QString progressShot = qEnvironmentVariable("KELVRA_PROGRESS_SHOT");
    if (!progressShot.isEmpty() && !shootProgress(form, dialogs, progressShot))
        return 1;
    return ready ? 0 : 1;
}
