// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_actions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace kelvra {

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

const std::vector<ActionSpec> &windowActionSpecs()
{
    static const std::vector<ActionSpec> specs = [] {
        std::vector<ActionSpec> v = {
            { s("AOpen"), s("Open..."), s("File"), s("Ctrl+O"), {} },
            { s("ASaveAs"), s("Save As..."), s("File"), s("Ctrl+S"), {} },
            { s("UndoLastRun"), s("Undo Last Run..."), s("File"), {}, {} },
            { s("Action1"), s("Exit"), s("File"), {}, {} },
            { s("Exit"), s("Exit"), {}, {}, {} },
            { s("RLoadCFG"), s("Load Stamp Configuration"), s("File"), {}, {} },
            { s("RSaveCFG"), s("Save Stamp Configuration"), s("File"), {}, {} },
            { s("AviewList"), s("List"), s("View"), {}, {} },
            { s("AViewReport"), s("Report"), s("View"), {}, {} },
            { s("AViewIcon"), s("Icon"), s("View"), {}, {} },
        };
        for (int k = 1; k <= 7; ++k)
            v.push_back({ QStringLiteral("Sort%1").arg(k), {}, s("Sort by"), {}, {} });
        v.insert(v.end(),
            {
                { s("PhotoAdd"), s("Add"), s("List"), {}, {} },
                { s("PhotoAddAll"), s("Add all"), s("List"), {}, {} },
                { s("PhotoRemove"), s("Remove"), s("List"), {}, {} },
                { s("PhotoRemoveAll"), s("Remove All"), s("List"), {}, {} },
                { s("AOptions"), s("Options..."), s("Preferences"), {}, {} },
                { s("Help"), s("Help"), s("Help"), {}, {} },
                { s("Support"), s("Online Support"), s("Help"), {}, {} },
                { s("Action3"), s("About..."), s("Help"), {}, {} },
                { s("ProcessPhotos"), s("Start"), {}, {}, {} },
                { s("StampTo1"), {}, {}, {}, s("Top left"), true },
                { s("StampTo2"), {}, {}, {}, s("Top right"), true },
                { s("StampTo3"), {}, {}, {}, s("Bottom right"), true },
                { s("StampTo4"), {}, {}, {}, s("Bottom left"), true },
                { s("FBold"), {}, {}, {}, s("Bold"), true },
                { s("FItalic"), {}, {}, {}, s("Italic"), true },
                { s("FUnderline"), {}, {}, {}, s("Underline"), true },
                { s("FShadow"), {}, {}, {}, s("Shadow"), true },
                { s("FOutline"), {}, {}, {}, s("Outline"), true },
                // The caption's token commands; what each inserts is the caption's own.
                { s("AcDate"), s("Add Photo Date"), {}, {}, {} },
                { s("AddMake"), s("Add Maker"), {}, {}, {} },
                { s("AddModel"), s("Add Camera Model"), {}, {}, {} },
                { s("AddExposureTime"), s("Add Exposure Time"), {}, {}, {} },
                { s("AddFNumber"), s("Add F-Number"), {}, {}, {} },
                { s("AddFocalLength"), s("Add Focal Length"), {}, {}, {} },
                { s("AddISO"), s("Add ISO"), {}, {}, {} },
                { s("AcGPSPos"), s("Add GPS Position"), {}, {}, {} },
                { s("acAddGPSAltitude"), s("Add GPS Altitude"), {}, {}, {} },
                { s("AddGPSDirection"), s("Add GPS Image Direction"), {}, {}, {} },
                { s("AcFileName"), s("Add File Name"), {}, {}, {} },
                { s("AcNAmeWithoutExt"), s("Add File Name without ext."), {}, {}, {} },
                { s("AcFullName"), s("Add Full File Name"), {}, {}, {} },
                { s("AcFileCreation"), s("Add File Creation Date"), {}, {}, {} },
                { s("AcFileModification"), s("Add File Modification Date"), {}, {}, {} },
                { s("AcSysDate"), s("Add Current System Date"), {}, {}, {} },
                { s("AcDateSource"), s("Add Date Source"), {}, {}, {} },
                { s("AcTimeZone"), s("Add Time Zone"), {}, {}, {} },
            });
        return v;
    }();
    return specs;
}

const std::vector<MenuSpec> &mainMenuSpec()
{
    static const std::vector<MenuSpec> menus = [] {
        std::vector<QString> sorts;
        for (int k = 1; k <= 7; ++k)
            sorts.push_back(QStringLiteral("Sort%1").arg(k));
        // The menu puts the name tokens in an order of its own.
        std::vector<QString> addToPhoto = {
            s("AcDate"),
            s("AddMake"),
            s("AddModel"),
            s("AddExposureTime"),
            s("AddFNumber"),
            s("AddFocalLength"),
            s("AddISO"),
            s("-"),
            s("AcGPSPos"),
            s("acAddGPSAltitude"),
            s("AddGPSDirection"),
            s("-"),
            s("AcFileName"),
            s("AcFullName"),
            s("AcNAmeWithoutExt"),
            s("AcFileCreation"),
            s("AcFileModification"),
            s("-"),
            s("AcSysDate"),
            s("AcDateSource"),
            s("AcTimeZone"),
        };
        return std::vector<MenuSpec> {
            { s("File"), s("File1"), { s("AOpen"), s("ASaveAs"), s("-"), s("UndoLastRun"), s("-"), s("Action1") }, {} },
            { s("View"), s("View1"), { s("AviewList"), s("AViewReport"), s("AViewIcon"), s(">Sort By") },
                { { s("Sort By"), s("SortBy1"), sorts, {} } } },
            { s("List"), s("List1"), { s("PhotoAdd"), s("PhotoAddAll"), s("-"), s("PhotoRemove"), s("PhotoRemoveAll") },
                {} },
            { s("Add To Photo"), s("AddToPhoto1"), addToPhoto, {} },
            { s("Stamp Configuration"), s("StampConfiguration1"), { s("RLoadCFG"), s("RSaveCFG") }, {} },
            { s("Preferences"), s("Preferences1"), { s("AOptions") }, {} },
            { s("Help"), s("Help1"), { s("Help"), s("-"), s("Support"), s("-"), s("Action3") }, {} },
        };
    }();
    return menus;
}

const std::vector<QString> &contextMenuSpec()
{
    static const std::vector<QString> items = {
        s("AcDate"),
        s("AddMake"),
        s("AddModel"),
        s("AddExposureTime"),
        s("AddFNumber"),
        s("AddFocalLength"),
        s("AddISO"),
        s("-"),
        s("AcGPSPos"),
        s("acAddGPSAltitude"),
        s("AddGPSDirection"),
        s("-"),
        s("AcFileName"),
        s("AcNAmeWithoutExt"),
        s("AcFullName"),
        s("AcFileCreation"),
        s("AcFileModification"),
        s("-"),
        s("AcSysDate"),
        s("AcDateSource"),
        s("AcTimeZone"),
        s("-"),
        s("ASaveAs"),
    };
    return items;
}

QString withMnemonic(const QString &caption, QString &used)
{
    QString text = caption;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    auto freeLetter = [&](qsizetype i) {
        const QChar c = text.at(i);
        return c.isLetterOrNumber() && !used.contains(c.toLower()) && (i == 0 || text.at(i - 1) != QLatin1Char('&'));
    };
    qsizetype pick = -1;
    for (qsizetype i = 0; i < text.size() && pick < 0; ++i) {
        if ((i == 0 || text.at(i - 1) == QLatin1Char(' ')) && freeLetter(i))
            pick = i;
    }
    for (qsizetype i = 0; i < text.size() && pick < 0; ++i) {
        if (freeLetter(i))
            pick = i;
    }
    if (pick < 0)
        return text;
    used += text.at(pick).toLower();
    text.insert(pick, QLatin1Char('&'));
    return text;
}

namespace {

// The key letter of a text ("&&" is a literal "&"), or a null character.
QChar mnemonicOf(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i;
    }
    return {};
}

QString withoutMnemonic(const QString &text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text.at(i);
    }
    return plain;
}

} // namespace

void mendMnemonics(const QList<QAction *> &items)
{
    QString used;
    std::vector<QAction *> keyless;
    for (QAction *a : items) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        const QChar key = mnemonicOf(a->text());
        if (!key.isNull() && key.isLetterOrNumber() && !used.contains(key))
            used += key;
        else
            keyless.push_back(a);
    }
    for (QAction *a : keyless)
        a->setText(withMnemonic(withoutMnemonic(a->text()), used));
}

void mendMenuBarMnemonics(QWidget *window)
{
    for (const QMenuBar *bar : window->findChildren<QMenuBar *>())
        mendMnemonics(bar->actions());
}

} // namespace kelvra
