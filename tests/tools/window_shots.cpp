// SPDX-License-Identifier: GPL-3.0-or-later
// window_shots FOLDER [LOCALE SUFFIX]: pictures of the options dialog, the
// splash and the about window as a display shows them (the progress window is
// taken from a real run by kelvra_window_screenshot), for the
// documentation; with LOCALE in that shipped language, named with SUFFIX.
#include "stamp/stamp_settings.h"
#include "ui/about_window.h"
#include "ui/language_wiring.h"
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
    bool confirm(QWidget *, const QString &) override { return false; }
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
    const int locale = argc > 2 ? QByteArray(argv[2]).toInt() : 0;
    const QString suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    kelvra::InterfaceLanguage language(kelvra::languageFolder(), locale);
    if (!language.StartFailure().isEmpty() || (locale && int(language.Localizer().CurrentLocale) != locale)) {
        std::fprintf(stderr, "window_shots: language %d: %s\n", locale, qPrintable(language.StartFailure()));
        return 1;
    }
    auto named = [&](const char *name) { return out.filePath(QLatin1String(name) + suffix + QStringLiteral(".png")); };
    NoDialogs dialogs;
    QTemporaryDir settings;
    kelvra::AppOptions options;

    bool ok = true;
    kelvra::TFormOptions optionsDialog(
        options, settings.filePath(QStringLiteral("Kelvra.ini")), language.Languages(), dialogs);
    ok &= shoot(optionsDialog, named("options-dialog"));
    kelvra::TLogoForm splash;
    ok &= shoot(splash, named("splash"));
    kelvra::TAboutBox about(dialogs);
    ok &= shoot(about, named("about"));
    return ok ? 0 : 1;
}
