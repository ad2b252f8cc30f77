// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-natives LANGFILE RESOURCES SOURCE...: a build step. Creates every
// window of the program off screen and writes what a translation needs:
// LANGFILE, the native language file (every window text by form, component
// and property path, every message of the sources as a string constant), and
// RESOURCES, the program's own resource image (the string table, each
// window's form definition, the settings records and the native file
// embedded), which the program carries as a Qt resource.
#include "localization/embedded_langs.h"
#include "localization/form_harvest.h"
#include "localization/form_stream.h"
#include "localization/lang_file.h"
#include "localization/live_translation.h"
#include "localization/res_module.h"
#include "platform/atomic_file.h"
#include "platform/file_ops.h"
#include "stamp/stamp_settings.h"
#include "ui/about_window.h"
#include "ui/language_list.h"
#include "ui/main_window.h"
#include "ui/options_dialog.h"
#include "ui/progress_window.h"
#include "ui/splash_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace kelvra {
namespace {

constexpr quint16 kNativeLocale = 0x0409;

// The texts the toolkit's own dialogs show (message box and dialog buttons,
// file dialogs' captions), which our windows show too.
const char *const kToolkitTexts[] = { "OK", "&OK", "Cancel", "&Cancel", "Close", "&Close", "Apply", "&Apply", "Help",
    "&Help", "Yes", "&Yes", "No", "&No", "Save", "&Save", "Open", "&Open", "Discard", "Reset", "Restore Defaults",
    "Abort", "Retry", "Ignore", "Yes to &All", "N&o to All", "Show Details...", "Hide Details...", "Name", "Size",
    "Type", "Date Modified", "Kind", "Folder", "File" };

struct Message
{
    QByteArray unit;
    QString text;
};

// The string literals of tr("..."), translate("context", "...") and the
// no-op markers, adjacent literals joined, escapes decoded.
class LiteralScanner
{
public:
    explicit LiteralScanner(const QByteArray &source)
        : m_s(source)
    {
    }

    QList<QString> messages()
    {
        QList<QString> found;
        for (qsizetype i = 0; i < m_s.size(); ++i) {
            struct Marker
            {
                const char *text;
                bool withContext;
            };
            const Marker markers[] = { { "tr(", false }, { "translate(", true }, { "QT_TR_NOOP(", false },
                { "QT_TRANSLATE_NOOP(", true } };
            for (const auto &[marker, withContext] : markers) {
                const qsizetype n = qsizetype(qstrlen(marker));
                if (m_s.mid(i, n) != marker || (i > 0 && isIdentifier(m_s[i - 1])))
                    continue;
                m_at = i + n;
                QString text;
                if (!literal(&text))
                    break;
                if (withContext) {
                    skipSpace();
                    if (m_at >= m_s.size() || m_s[m_at] != ',')
                        break;
                    ++m_at;
                    if (!literal(&text))
                        break;
                }
                if (!text.isEmpty())
                    found.push_back(text);
                break;
            }
        }
        return found;
    }

private:
    static bool isIdentifier(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

    void skipSpace()
    {
        while (m_at < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_at])))
            ++m_at;
    }

    bool literal(QString *text)
    {
        QByteArray bytes;
        skipSpace();
        if (m_at >= m_s.size() || m_s[m_at] != '"')
            return false;
        while (m_at < m_s.size() && m_s[m_at] == '"') {
            for (++m_at; m_at < m_s.size() && m_s[m_at] != '"'; ++m_at) {
                char c = m_s[m_at];
                if (c == '\\' && m_at + 1 < m_s.size()) {
                    const char e = m_s[++m_at];
                    if (e == 'u' && m_at + 4 < m_s.size()) {
                        bool ok = false;
                        const char16_t unit = char16_t(m_s.mid(m_at + 1, 4).toUShort(&ok, 16));
                        if (ok) {
                            bytes.append(QString(QChar(unit)).toUtf8());
                            m_at += 4;
                            continue;
                        }
                    }
                    c = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
                }
                bytes.append(c);
            }
            ++m_at;
            skipSpace();
        }
        *text = QString::fromUtf8(bytes);
        return true;
    }

    QByteArray m_s;
    qsizetype m_at = 0;
};

// A stable string-table identifier per text, below the localizer's own.
quint16 stringIDFor(const QString &text, std::map<quint16, QString> &taken)
{
    quint32 h = 2166136261u;
    for (const QChar c : text) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    quint16 id = quint16(1000 + h % 60000);
    while (taken.count(id) && taken[id] != text)
        id = id == 60999 ? 1000 : quint16(id + 1);
    taken[id] = text;
    return id;
}

QByteArray constantName(quint16 id)
{
    return "S" + QByteArray::number(id);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    return writeFileAtomically(nativePath(path), std::string_view(bytes.constData(), size_t(bytes.size()))).ok();
}

using Windows = std::vector<std::pair<QByteArray, QWidget *>>;

// Every window's texts into the store; false when a text cannot be addressed.
bool harvestWindows(const Windows &windows, TLocStorage &store, qint32 &nextID)
{
    bool complete = true;
    for (const auto &[form, window] : windows) {
        window->ensurePolished();
        THarvestReport report;
        HarvestForm(window, form, store, nextID, &report);
        for (const QString &text : report.Unnamed) {
            std::fprintf(stderr, "kelvra-natives: %s: a text on a widget without a name: %s\n", form.constData(),
                qPrintable(text));
            complete = false;
        }
        for (const QString &name : report.Duplicates) {
            std::fprintf(stderr, "kelvra-natives: %s: the name %s is used twice\n", form.constData(), qPrintable(name));
            complete = false;
        }
    }
    return complete;
}

// The messages of the sources and the toolkit, one constant per distinct
// text, after the program's own strings. Their number; nullopt when a source
// cannot be read.
std::optional<size_t> addMessages(const QStringList &sources, TLocStorage &store)
{
    std::map<quint16, QString> taken;
    for (const TProgramString &s : programStrings())
        taken[s.ID] = QString::fromLatin1(s.Text);
    std::map<QString, QByteArray> messages;
    for (const char *text : kToolkitTexts)
        messages.emplace(QString::fromLatin1(text), QByteArray("Toolkit"));
    for (const QString &path : sources) {
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "kelvra-natives: cannot read %s\n", qPrintable(path));
            return std::nullopt;
        }
        const QByteArray unit = QFileInfo(source.fileName()).completeBaseName().toLatin1();
        for (const QString &text : LiteralScanner(source.readAll()).messages())
            messages.emplace(text, unit);
    }
    qint32 constID = 1;
    for (const TProgramString &s : programStrings()) {
        TLocConstant *c = store.AddConstant(constID++, s.Unit, s.Name, s.ID);
        c->Values[0].SetValue(QString::fromLatin1(s.Text));
        c->Values[0].ValueVersion = 1;
    }
    for (const auto &[text, unit] : messages) {
        const quint16 id = stringIDFor(text, taken);
        TLocConstant *c = store.AddConstant(constID++, unit, constantName(id), id);
        c->Values[0].SetValue(text);
        c->Values[0].ValueVersion = 1;
    }
    return messages.size();
}

// The string table, each window's form definition and the native file
// embedded, as the program's resource image.
QByteArray resourceImage(
    const Windows &windows, const TLocStorage &store, const TLangFile &native, const QByteArray &nativeBytes)
{
    TResourceSet resources = builtInResources();
    for (const auto &unit : store.Units)
        for (const auto &c : unit->Constants)
            resources.Strings.Set(quint16(c->StringID), c->Values[0].Value());
    for (const auto &[form, window] : windows)
        if (const TLocForm *stored = store.Forms.Find(form))
            resources.RCData.Put(
                "T" + form.toUpper(), writeFormDefinition(TLiveTranslator::CaptureDefinition(window, *stored)));
    TEmbeddedLanguages embedded;
    embedded.Languages.push_back({ kNativeLocale, native.LangEnglishName, native.LangLocalizedName,
        quint32(native.Version), native.Build, nativeBytes });
    resources.RCData.Put(kEmbeddedLangsName, serializeEmbeddedLanguages(embedded));
    return writeResourceImage(resources);
}

int run(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: kelvra-natives LANGFILE RESOURCES SOURCE...\n");
        return 2;
    }
    const QString langPath = QString::fromLocal8Bit(argv[1]);
    const QString resPath = QString::fromLocal8Bit(argv[2]);
    QStringList sources;
    for (int i = 3; i < argc; ++i)
        sources << QString::fromLocal8Bit(argv[i]);

    TLocStorage store;
    store.Locales.push_back(kNativeLocale);
    store.SetMainLangID(kNativeLocale);
    qint32 nextID = 1;

    // Windows, each under the name its class gives the stored form.
    AppOptions options;
    NoLanguages noLanguages;
    QtUserDialogs dialogs;
    auto main = std::make_unique<TForm1>(dialogs);
    auto optionsDialog = std::make_unique<TFormOptions>(options, QString(), noLanguages, dialogs);
    auto about = std::make_unique<TAboutBox>(dialogs);
    auto progress = std::make_unique<TProgressForm>();
    auto logo = std::make_unique<TLogoForm>();
    const Windows windows { { "Form1", main.get() }, { "FormOptions", optionsDialog.get() },
        { "AboutBox", about.get() }, { "ProgressForm", progress.get() }, { "LogoForm", logo.get() } };
    if (!harvestWindows(windows, store, nextID))
        return 1;
    const std::optional<size_t> messages = addMessages(sources, store);
    if (!messages)
        return 1;

    TLangFile native;
    native.FileName = langPath;
    native.IsNative = true;
    native.Locale = kNativeLocale;
    native.Version = 1;
    native.LangEnglishName = "English";
    native.LangLocalizedName = QStringLiteral("English");
    native.Attributes = faInMemory;
    const QByteArray nativeBytes = native.SaveToBytes(&store, -1);
    if (!writeFile(langPath, nativeBytes)) {
        std::fprintf(stderr, "kelvra-natives: cannot write %s\n", qPrintable(langPath));
        return 1;
    }
    if (!writeFile(resPath, resourceImage(windows, store, native, nativeBytes))) {
        std::fprintf(stderr, "kelvra-natives: cannot write %s\n", qPrintable(resPath));
        return 1;
    }
    std::printf("kelvra-natives: %d window texts, %zu messages\n", nextID - 1, *messages);
    return 0;
}

} // namespace
} // namespace kelvra

int main(int argc, char **argv)
{
    // Nothing is shown, and nothing of the user's settings is read or written.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);
    return kelvra::run(argc, argv);
}
