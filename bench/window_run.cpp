// SPDX-License-Identifier: GPL-3.0-or-later
// window_run OUTDIR PHOTO...: Start in a headless main window, the folder
// chooser answered with OUTDIR; prints the seconds from Start to the end of
// the run and the seconds the whole program took until then. The window reads
// its settings from XDG_CONFIG_HOME, which the caller points at a fresh folder.
#include "ui/main_window.h"
#include "ui/photo_list_model.h"
#include "ui/user_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QUrl>

#include <cstdio>

namespace {

// Answers the chooser with the output folder and keeps the closing message.
class BenchDialogs : public kelvra::UserDialogs
{
public:
    explicit BenchDialogs(QString folder)
        : m_folder(std::move(folder))
    {
    }
    void showMessage(QWidget *, kelvra::MessageKind kind, const QString &text) override
    {
        failed = kind != kelvra::MessageKind::Information;
        message = text;
    }
    // A fresh output folder asks nothing; a question would be a run not measured.
    bool confirm(QWidget *, const QString &) override { return false; }
    QString openFileName(QWidget *, const kelvra::FileDialogRequest &) override { return {}; }
    QString saveFileName(QWidget *, const kelvra::FileDialogRequest &) override { return {}; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return m_folder; }
    std::optional<QColor> chooseColor(QWidget *, const QColor &, const QString &) override { return std::nullopt; }
    bool openUrl(const QUrl &) override { return true; }

    QString message;
    bool failed = false;

private:
    QString m_folder;
};

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer program;
    program.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() < 2) {
        std::fputs("usage: window_run OUTDIR PHOTO...\n", stderr);
        return 2;
    }
    BenchDialogs dialogs(args.at(0));
    kelvra::TForm1 form(dialogs);
    form.show();
    form.photoList().add(args.mid(1));

    QElapsedTimer run;
    QObject::connect(&form, &kelvra::TForm1::runFinished, &app, [&](const kelvra::BatchReport &report) {
        const double runSeconds = run.nsecsElapsed() / 1e9;
        const double programSeconds = program.nsecsElapsed() / 1e9;
        QTextStream(stdout) << "run " << runSeconds << "\nprogram " << programSeconds << "\nphotos "
                            << report.photos.size() << '\n';
        if (dialogs.failed)
            QTextStream(stderr) << dialogs.message << '\n';
        QApplication::exit(dialogs.failed || report.cancelled ? 1 : 0);
    });
    run.start();
    form.findChild<QAction *>(QStringLiteral("ProcessPhotos"))->trigger();
    return QApplication::exec();
}
