// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/language_wiring.h"

#include "localization/codepage.h"
#include "localization/live_translation.h"
#include "platform/data_folder.h"
#include "platform/install_paths.h"
#include "ui/main_actions.h"

#include <QApplication>
#include <QEvent>
#include <QLocale>
#include <QWidget>

namespace kelvra {

namespace {

const char kTranslatedMark[] = "kelvraTranslated";

// Dates, numbers and file kinds the toolkit shows follow the interface
// language, not the system's.
void followLocale(const TKLocalizerOnFly &localizer)
{
    QLocale::setDefault(localizer.LangIndex > 0 ? localeOfLangID(quint16(localizer.CurrentLocale)) : QLocale::system());
}

} // namespace

QString languageFolder()
{
    return shareFolder() + QStringLiteral("lang");
}

std::vector<LanguageEntry> LocalizerLanguages::languages() const
{
    std::vector<LanguageEntry> out;
    for (int i = 0; i < m_localizer.LangList.Count(); ++i) {
        const TLFInfo &info = m_localizer.LangList.GetItem(i);
        QString name = QString::fromLatin1(info.EnglishName);
        if (name.isEmpty())
            name = QLocale::languageToString(localeOfLangID(quint16(info.Locale)).language());
        out.push_back({ name, int(info.Locale), info.LocalizedName });
    }
    return out;
}

int LocalizerLanguages::currentLocale() const
{
    const int index = m_localizer.CurrentListIndex();
    return index < 0 ? -1 : int(m_localizer.LangList.GetItem(index).Locale);
}

bool LocalizerLanguages::switchTo(int locale)
{
    // The localizer tells its own failures through its message hook.
    m_localizer.SwitchTo(quint32(locale));
    // 0 asks for the native language, whatever its locale.
    return currentLocale() == (locale == 0 ? int(m_localizer.GetNativeLocale()) : locale);
}

WindowTranslator::WindowTranslator(TKLocalizerOnFly &localizer, QObject *parent)
    : QObject(parent)
    , m_localizer(localizer)
{
    qApp->installEventFilter(this);
}

void WindowTranslator::TranslateNew(QWidget *window)
{
    if (window->property(kTranslatedMark).toBool())
        return;
    // The program's own definitions hold what a new window already shows.
    if (m_localizer.LangIndex <= 0) {
        window->setProperty(kTranslatedMark, true);
        return;
    }
    translate(window);
}

void WindowTranslator::RetranslateOpen()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        translate(window);
}

// Every window takes its texts from one source, the active resources'
// definition of it: the language's module, or the program's own for the
// native language.
void WindowTranslator::translate(QWidget *window)
{
    window->setProperty(kTranslatedMark, true);
    const QByteArray definition = m_localizer.Utils().FormDefinition(bareClassName(window));
    // A damaged definition leaves the window as it was.
    if (!definition.isEmpty())
        TLiveTranslator::ApplyStoredDefinition(window, definition, quint16(m_localizer.CurrentLocale));
    mendMenuBarMnemonics(window);
    window->setLayoutDirection(
        m_localizer.LangIndex > 0 && m_localizer.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
}

bool WindowTranslator::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow())
            TranslateNew(widget);
    }
    return QObject::eventFilter(watched, event);
}

InterfaceLanguage::InterfaceLanguage(const QString &langFolder, int language)
    : m_localizer(std::make_unique<TKLocalizerOnFly>(langFolder + QStringLiteral("/Kelvra"), m_utils))
    , m_languages(*m_localizer)
{
    m_failure = StartLocalization(*m_localizer, langFolder, language);
    m_translator = std::make_unique<TStringTableTranslator>(*m_localizer);
    QCoreApplication::installTranslator(m_translator.get());
    m_windows = std::make_unique<WindowTranslator>(*m_localizer);
    m_localizer->OnRetranslate = [this] { followLanguage(); };
    QApplication::setLayoutDirection(RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    followLocale(*m_localizer);
}

InterfaceLanguage::~InterfaceLanguage()
{
    m_localizer->OnRetranslate = nullptr;
    QCoreApplication::removeTranslator(m_translator.get());
    QApplication::setLayoutDirection(Qt::LeftToRight);
    QLocale::setDefault(QLocale::system());
}

bool InterfaceLanguage::RightToLeft() const
{
    return m_localizer->LangIndex > 0 && m_localizer->IsRightToLeft();
}

void InterfaceLanguage::followLanguage()
{
    m_translator->Reload();
    // Installing again tells the toolkit's own widgets (dialog buttons) to
    // take their texts anew.
    QCoreApplication::removeTranslator(m_translator.get());
    QCoreApplication::installTranslator(m_translator.get());
    QApplication::setLayoutDirection(RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    followLocale(*m_localizer);
    m_windows->RetranslateOpen();
}

} // namespace kelvra
