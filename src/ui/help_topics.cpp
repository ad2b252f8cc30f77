// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help_topics.h"

#include "ui/user_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>
#include <QWidget>

namespace kelvra {

HelpPlace helpPlace(int topic)
{
    static const struct
    {
        int topic;
        const char *page;
    } pages[] = {
        { 10, "index.html" },
        { 20, "label.html" },
        { 30, "names.html" },
        { 40, "dates.html" },
        { 50, "index.html" },
        { 180, "options.html" },
    };
    for (const auto &p : pages) {
        if (p.topic == topic)
            return { QLatin1String(p.page), QStringLiteral("topic-%1").arg(topic) };
    }
    return { QStringLiteral("index.html"), QString() };
}

QUrl helpUrl(const QString &helpFolder, int topic)
{
    const HelpPlace place = helpPlace(topic);
    QString folder = helpFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    QUrl url = QUrl::fromLocalFile(folder + place.page);
    if (!place.anchor.isEmpty())
        url.setFragment(place.anchor);
    return url;
}

int helpTopicOf(const QWidget *widget)
{
    for (; widget; widget = widget->parentWidget()) {
        bool ok = false;
        const int topic = widget->property("helpTopic").toInt(&ok);
        if (ok && topic > 0)
            return topic;
    }
    return kMainWindowHelpTopic;
}

HelpKey::HelpKey(std::function<void(int)> show, QObject *parent)
    : QObject(parent)
    , m_show(std::move(show))
{
    qApp->installEventFilter(this);
}

void showGuide(UserDialogs &dialogs, QWidget *parent, const QString &helpFolder, int topic)
{
    const QUrl url = helpUrl(helpFolder, topic);
    const QString page = QDir::toNativeSeparators(url.toLocalFile());
    if (!QFileInfo(url.toLocalFile()).isFile()) {
        dialogs.showMessage(parent, MessageKind::Warning,
            QCoreApplication::translate("kelvra::TForm1",
                "The user guide is missing: %1 was not found.\n\n"
                "Install Kelvra again to get it back. When you run Kelvra from a build folder, build it again: "
                "the build puts the guide beside the program.")
                .arg(page));
        return;
    }
    if (!dialogs.openUrl(url))
        dialogs.showMessage(parent, MessageKind::Warning,
            QCoreApplication::translate(
                "kelvra::TForm1", "No web browser could be started to show the user guide. Open %1 in your browser.")
                .arg(page));
}

bool HelpKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // The key reaches the window first and then the widget; taking it at the
    // first stop shows the guide once.
    const QWidget *focus = QApplication::focusWidget();
    if (!focus)
        focus = qobject_cast<const QWidget *>(watched);
    m_show(helpTopicOf(focus));
    return true;
}

} // namespace kelvra
