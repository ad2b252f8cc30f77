// SPDX-License-Identifier: GPL-3.0-or-later
// window_shots FOLDER: pictures of the options dialog, the splash and the
// about window as a display shows them, for the documentation.
#include "stamp/stamp_settings.h"
#include "ui/about_window.h"
#include "ui/language_list.h"
#include "ui/options_dialog.h"
#include "ui/splash_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// Nothing leaves the program while it is photographed.
class NoDialogs : public kelvra::UserDialogs
{
public:
    void showMessage(QWidget *, kelvra::MessageKind, const QString &) override { }
    QString openFileName(QWidget *, const kelvra::FileDialogRequest &) override { return {}; }
    QString saveFileName(QWidget *, const kelvra::FileDialogRequest &) override { return {}; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    std::optional<QColor> chooseColor(QWidget *, const QColor &, const QString &) override { return {}; }
    bool openUrl(const QUrl &) override { return true; }
};

bool shoot(QWidget &window, const QString &path)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QTest::qWait(200);
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    window.close();
    return saved;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvra"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_shots FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    NoDialogs dialogs;
    QTemporaryDir settings;
    kelvra::AppOptions options;
    const kelvra::NoLanguages languages;

    bool ok = true;
    kelvra::TFormOptions optionsDialog(options, settings.filePath(QStringLiteral("Kelvra.ini")), languages, dialogs);
    ok &= shoot(optionsDialog, out.filePath(QStringLiteral("options-dialog.png")));
    kelvra::TLogoForm splash;
    ok &= shoot(splash, out.filePath(QStringLiteral("splash.png")));
    kelvra::TAboutBox about(dialogs);
    ok &= shoot(about, out.filePath(QStringLiteral("about.png")));
    return ok ? 0 : 1;
}
