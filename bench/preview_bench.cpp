// SPDX-License-Identifier: GPL-3.0-or-later
// preview_bench [--reps N]: what a user waits for in the window, in one run.
//  - a click: a 6000 x 4000 photo shown in a 1000 x 750 preview (read, decode
//    at the reduced scale, turn upright, label drawn, shown), beside
//    `djpeg -dct fast -scale 1/4` of the same file;
//  - one drag step: a pointer move with the button held on that preview, with
//    the repaint it causes;
//  - "Add all" on a folder of 2,000 photos in the real main window, and the
//    longest gap of the event loop while the strip makes their thumbnails.
// Medians of --reps runs (default 7). Settings go to a temporary folder.
#include "imaging/jpeg_image.h"
#include "jobs/thumbnail_job.h"
#include "ui/design_model.h"
#include "ui/folder_browser.h"
#include "ui/main_window.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"
#include "ui/preview_view.h"
#include "ui/user_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

using namespace kelvra;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr QSize kPreviewArea(1000, 750);
constexpr int kListed = 2000;

class NoDialogs : public UserDialogs
{
public:
    void showMessage(QWidget *, MessageKind, const QString &) override { }
    bool confirm(QWidget *, const QString &) override { return false; }
    QString openFileName(QWidget *, const FileDialogRequest &) override { return {}; }
    QString saveFileName(QWidget *, const FileDialogRequest &) override { return {}; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    std::optional<QColor> chooseColor(QWidget *, const QColor &, const QString &) override { return std::nullopt; }
    bool openUrl(const QUrl &) override { return true; }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// A real test photo blown up to 6000 x 4000 with grain, so that it
// compresses like a camera file.
bool writeBigPhoto(const QString &path)
{
    QImage picture(QStringLiteral(KELVRA_TEST_PHOTOS "/orientation/landscape_1.jpg"));
    if (picture.isNull())
        return false;
    picture = picture.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB32);
    QRandomGenerator random(7919);
    for (int y = 0; y < kHeight; ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int grain = int(random.bounded(25u)) - 12;
            row[x] = qRgb(std::clamp(qRed(row[x]) + grain, 0, 255), std::clamp(qGreen(row[x]) + grain, 0, 255),
                std::clamp(qBlue(row[x]) + grain, 0, 255));
        }
    }
    JpegImage jpeg;
    jpeg.setQuality(92);
    jpeg.setImage(picture);
    const ImageResult<QByteArray> bytes = jpeg.saveToData();
    if (!bytes)
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.value) == bytes.value.size();
}

// A click: from the request until the view says the photo is shown.
std::vector<double> clicks(PreviewView &view, const QString &photo, const QString &other, int reps)
{
    std::vector<double> times;
    QSignalSpy shown(&view, &PreviewView::photoShown);
    for (int i = 0; i < reps; ++i) {
        for (const QString &path : { other, photo }) {
            shown.clear();
            QElapsedTimer clock;
            clock.start();
            view.LoadPic(path);
            while (shown.isEmpty())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            if (path == photo)
                times.push_back(msSince(clock));
        }
    }
    return times;
}

std::vector<double> djpegRuns(const QString &photo, int reps)
{
    std::vector<double> times;
    for (int i = 0; i < reps; ++i) {
        QProcess djpeg;
        djpeg.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        djpeg.start(QStringLiteral("djpeg"),
            { QStringLiteral("-dct"), QStringLiteral("fast"), QStringLiteral("-scale"), QStringLiteral("1/4"), photo });
        if (!djpeg.waitForFinished(60000) || djpeg.exitCode() != 0)
            return {};
        times.push_back(msSince(clock));
    }
    return times;
}

// One drag step: a move with the button held, and the repaint it asks for.
std::vector<double> dragSteps(PreviewView &view, int steps)
{
    std::vector<double> times;
    const PixelRect shown = view.placement().PreviewRect;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(shown.Left + 10, shown.Top + 10),
        view.mapToGlobal(QPointF(shown.Left + 10, shown.Top + 10)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &press);
    for (int i = 0; i < steps; ++i) {
        const QPointF at(
            shown.Left + (i * 37) % std::max(1, shown.width()), shown.Top + (i * 23) % std::max(1, shown.height()));
        QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendEvent(&view, &move);
        view.repaint();
        times.push_back(msSince(clock));
    }
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(shown.Left, shown.Top),
        view.mapToGlobal(QPointF(shown.Left, shown.Top)), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &release);
    return times;
}

struct AddAll
{
    double addMs = 0;
    qint64 longestGapMs = 0;
    int thumbnails = 0;
    double thumbnailsMs = 0;
};

// "Add all" on kListed photos in the real window, then the strip scrolled
// from end to end while a 5 ms timer measures how long the loop is away.
AddAll addAll(const QString &folder)
{
    NoDialogs dialogs;
    TForm1 window(dialogs);
    window.show();
    FolderBrowser *browser = window.findChild<FolderBrowser *>();
    browser->setFolder(folder);
    while (browser->entries().size() < kListed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    AddAll result;
    QElapsedTimer clock;
    clock.start();
    window.findChild<QAction *>(QStringLiteral("PhotoAddAll"))->trigger();
    result.addMs = msSince(clock);
    if (window.photoList().count() != kListed)
        return {};

    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(
        &ticker, &QTimer::timeout, [&] { result.longestGapMs = std::max(result.longestGapMs, sinceTick.restart()); });
    ticker.start(5);
    clock.restart();
    PhotoStrip *strip = window.findChild<PhotoStrip *>();
    QScrollBar *bar = strip->horizontalScrollBar();
    for (int step = 0; step <= 40; ++step) {
        bar->setValue(bar->maximum() * step / 40);
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 10)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // Until the queue is empty and nothing more arrives for a while.
    int made = -1;
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const int now = strip->thumbnails().madeCount();
        if (now != made || strip->thumbnails().queuedCount() > 0) {
            made = now;
            quiet.restart();
        }
    }
    result.thumbnailsMs = msSince(clock) - 300;
    ticker.stop();
    result.thumbnails = made;
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int reps = 7;
    const QStringList args = QCoreApplication::arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--reps")); at > 0 && at + 1 < args.size())
        reps = std::max(1, args.at(at + 1).toInt());

    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", QDir(work.path()).filePath(QStringLiteral("config")).toUtf8());
    const QString photo = work.filePath(QStringLiteral("big.jpg"));
    const QString other = work.filePath(QStringLiteral("other.jpg"));
    if (!writeBigPhoto(photo) || !QFile::copy(QStringLiteral(KELVRA_TEST_PHOTOS "/gps/DSCN0010.jpg"), other)) {
        std::fprintf(stderr, "preview_bench: cannot make the photos\n");
        return 1;
    }

    DesignModel design;
    design.edit([](StampSettings &s) { s.CaptionFormat = QStringLiteral("[PHOTO_DATE] [Model]"); });
    PreviewView view { design };
    view.resize(kPreviewArea);
    view.show();
    const std::vector<double> click = clicks(view, photo, other, reps);
    const std::vector<double> djpeg = djpegRuns(photo, reps);
    const std::vector<double> drag = dragSteps(view, 50 * reps);
    const QImage shown = view.previewRaster();

    const QString many = work.filePath(QStringLiteral("many"));
    QDir().mkpath(many);
    const QString first = many + QStringLiteral("/photo_0000.jpg");
    QFile::copy(QStringLiteral(KELVRA_TEST_PHOTOS "/gps/DSCN0010.jpg"), first);
    for (int i = 1; i < kListed; ++i)
        std::filesystem::create_hard_link(first.toStdString(),
            (many + QStringLiteral("/photo_%1.jpg").arg(i, 4, 10, QLatin1Char('0'))).toStdString());
    const AddAll added = addAll(many);

    std::printf("preview_bench: medians of %d runs; preview area %dx%d, photo %dx%d\n", reps, kPreviewArea.width(),
        kPreviewArea.height(), kWidth, kHeight);
    std::printf("click, photo shown (decoded at %dx%d)   %8.1f ms\n", shown.width(), shown.height(), median(click));
    if (djpeg.empty())
        std::printf("djpeg -dct fast -scale 1/4                  (djpeg not found)\n");
    else
        std::printf("djpeg -dct fast -scale 1/4 (whole process)  %8.1f ms\n", median(djpeg));
    std::printf("drag step with repaint (%zu steps)        %8.2f ms\n", drag.size(), median(drag));
    std::printf("Add all, %d photos                       %8.1f ms\n", kListed, added.addMs);
    std::printf("strip thumbnails made while scrolling: %d in %.0f ms; longest event-loop gap %lld ms\n",
        added.thumbnails, added.thumbnailsMs, static_cast<long long>(added.longestGapMs));
    return 0;
}
