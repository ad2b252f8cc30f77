// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli lng info|dump|pack|unpack|resave|template|translate: look into, rewrite and make language files.
#include "cli/command.h"

#include "localization/codepage.h"
#include "localization/lang_dictionary.h"
#include "localization/lang_file.h"
#include "localization/loc_errors.h"
#include "localization/lzk.h"
#include "localization/res_module.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTextStream>

namespace kelvra::cli {

namespace {

const char *const kUsage = "usage: kelvra-cli lng info FILE | dump [--json] FILE | pack FILE OUT | unpack FILE OUT"
                           " | resave FILE OUT | module NATIVE LANG OUT | resources MODULE"
                           " | template NATIVE OUT.json | translate NATIVE DICT.json OUT.lng [--complete]";

const char *const kTypeNames[]
    = { "ptFloat", "ptInteger", "ptString", "ptList", "ptStringList", "ptBinary", "ptEnumValue", "ptSet", "ptBigInt" };

// Names are 8-bit identifiers in the system's ANSI code page.
QString nameText(const QByteArray &name)
{
    return toUtf16ByCodePage(name, 1252);
}

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

QString hex16(quint16 v)
{
    return QStringLiteral("0x%1").arg(v, 4, 16, QLatin1Char('0'));
}

// A text as a JSON string literal, quotes and escapes included.
QString jsonQuoted(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// `what` names the file in the message ("language file", "dictionary").
QByteArray readFile(const QString &path, const char *what = "language file")
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ELangFileError(QStringLiteral("Can not open %1 \"%2\"").arg(QLatin1String(what), path));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw ELangFileError(QString::fromLatin1(locmsg::CannotWrite).arg(path));
}

QJsonObject headerJson(const TLangFileHeader &h)
{
    return { { QStringLiteral("formatVersion"), h.FormatVersion }, { QStringLiteral("version"), h.Version },
        { QStringLiteral("build"), qint64(h.Build) }, { QStringLiteral("locale"), h.Locale },
        { QStringLiteral("basedOnLangID"), h.BasedOnLangID },
        { QStringLiteral("langEnglishName"), nameText(h.LangEnglishName) },
        { QStringLiteral("langLocalizedName"), h.LangLocalizedName }, { QStringLiteral("isNative"), h.IsNative },
        { QStringLiteral("attributes"), h.Attributes }, { QStringLiteral("constMaxID"), h.ConstMaxID },
        { QStringLiteral("propertyMaxID"), h.PropertyMaxID }, { QStringLiteral("extItemMaxID"), h.ExtItemMaxID } };
}

enum class Kind { Constant, Property, ExtItem };

QJsonObject valueJson(const TLangValueRecord &r, Kind kind)
{
    QJsonObject o { { QStringLiteral("name"), nameText(r.Name) }, { QStringLiteral("attributes"), r.Attributes },
        { QStringLiteral("id"), r.ID }, { QStringLiteral("value"), r.Value },
        { QStringLiteral("valueVersion"), r.ValueVersion }, { QStringLiteral("modified"), r.Modified } };
    if (kind == Kind::Constant)
        o[QStringLiteral("stringID")] = r.StringID;
    if (kind == Kind::Property)
        o[QStringLiteral("type")] = QLatin1String(kTypeNames[int(r.ValueType)]);
    return o;
}

QJsonObject groupJson(const TLangGroupRecord &g, const char *itemsKey, Kind kind, bool isForm = false)
{
    QJsonArray items;
    for (const TLangValueRecord &r : g.Items)
        items.append(valueJson(r, kind));
    QJsonObject o { { QStringLiteral("name"), nameText(g.Name) }, { QStringLiteral("attributes"), g.Attributes },
        { QLatin1String(itemsKey), items } };
    if (isForm) {
        QJsonArray components;
        for (const TLangGroupRecord &c : g.Components)
            components.append(groupJson(c, "properties", kind));
        o[QStringLiteral("components")] = components;
    }
    return o;
}

QJsonObject contentJson(const TLangFileContent &c, bool compressed)
{
    QJsonArray units, forms, groups;
    for (const TLangGroupRecord &g : c.Units)
        units.append(groupJson(g, "constants", Kind::Constant));
    for (const TLangGroupRecord &g : c.Forms) {
        forms.append(groupJson(g, "properties", Kind::Property, true));
    }
    for (const TLangGroupRecord &g : c.Groups)
        groups.append(groupJson(g, "items", Kind::ExtItem));
    return { { QStringLiteral("compressed"), compressed }, { QStringLiteral("header"), headerJson(c.Header) },
        { QStringLiteral("units"), units }, { QStringLiteral("forms"), forms }, { QStringLiteral("groups"), groups } };
}

void dumpValue(QTextStream &out, const char *indent, const char *what, const TLangValueRecord &r, Kind kind)
{
    out << indent << what << ' ' << nameText(r.Name) << " id=" << r.ID;
    if (kind == Kind::Constant)
        out << " stringID=" << r.StringID;
    if (kind == Kind::Property)
        out << " type=" << kTypeNames[int(r.ValueType)];
    out << " attributes=" << hex16(r.Attributes) << " valueVersion=" << r.ValueVersion
        << " modified=" << number(r.Modified) << " value=" << jsonQuoted(r.Value) << '\n';
}

void printInfo(QTextStream &out, const TLangFile &f, qsizetype bodyOffset)
{
    out << "FormatVersion=" << f.FormatVersion << '\n'
        << "Version=" << f.Version << '\n'
        << "Build=" << f.Build << '\n'
        << "Locale=" << f.Locale << '\n'
        << "BasedOnLangID=" << f.BasedOnLangID << '\n'
        << "LangEnglishName=" << nameText(f.LangEnglishName) << '\n'
        << "LangLocalizedName=" << f.LangLocalizedName << '\n'
        << "IsNative=" << (f.IsNative ? 1 : 0) << '\n'
        << "Attributes=" << hex16(f.Attributes) << '\n'
        << "ConstMaxID=" << f.ConstMaxID << '\n'
        << "PropertyMaxID=" << f.PropertyMaxID << '\n'
        << "ExtItemMaxID=" << f.ExtItemMaxID << '\n'
        << "Compressed=" << (f.Compressed ? 1 : 0) << '\n'
        << "BodyOffset=" << bodyOffset << '\n';
}

void printDump(QTextStream &out, const TLangFileContent &c, bool compressed)
{
    TLangFile header;
    header.setHeader(c.Header);
    header.Compressed = compressed;
    printInfo(out, header, serializeLangHeader(c.Header).size());
    for (const TLangGroupRecord &unit : c.Units) {
        out << "unit " << nameText(unit.Name) << " attributes=" << hex16(unit.Attributes) << '\n';
        for (const TLangValueRecord &r : unit.Items)
            dumpValue(out, "  ", "const", r, Kind::Constant);
    }
    for (const TLangGroupRecord &form : c.Forms) {
        out << "form " << nameText(form.Name) << " attributes=" << hex16(form.Attributes) << '\n';
        for (const TLangValueRecord &r : form.Items)
            dumpValue(out, "  ", "property", r, Kind::Property);
        for (const TLangGroupRecord &component : form.Components) {
            out << "  component " << nameText(component.Name) << " attributes=" << hex16(component.Attributes) << '\n';
            for (const TLangValueRecord &r : component.Items)
                dumpValue(out, "    ", "property", r, Kind::Property);
        }
    }
    for (const TLangGroupRecord &group : c.Groups) {
        out << "group " << nameText(group.Name) << " attributes=" << hex16(group.Attributes) << '\n';
        for (const TLangValueRecord &r : group.Items)
            dumpValue(out, "  ", "item", r, Kind::ExtItem);
    }
}

// A resource module: its settings record, string table and RCDATA items.
void printResources(QTextStream &out, const TResourceSet &set)
{
    if (const std::optional<TLibSettings> s = settingsOf(set, true))
        out << "settings " << QString::fromLatin1(s->Signature) << " version=" << s->Version
            << " locale=" << hex16(s->Locale) << " english=" << nameText(s->EnglishName)
            << " localized=" << s->LocalizedName << " build=" << s->Build << '\n';
    for (const auto &[block, group] : set.Strings.Groups())
        for (int i = 0; i < 16; ++i)
            if (!group.Strings[size_t(i)].isEmpty())
                out << "string " << (block - 1) * 16 + i << ' ' << group.Strings[size_t(i)] << '\n';
    for (const TResRCDataItem &item : set.RCData.Items)
        out << "rcdata " << nameText(item.Name) << ' ' << item.Data.size() << '\n';
}

// The module of LANG built against NATIVE and the program's own resources.
void buildModule(const QString &nativePath, const QString &langPath, const QString &outPath)
{
    TLocStorage store;
    TLangFile native(nativePath, true);
    native.Load(&store, -1);
    TLangFile lang(langPath, true);
    const int index = store.AddLanguage(0, quint16(lang.Locale));
    lang.Load(&store, index);
    CreateLDLL(programResources(), outPath, store, index, lang, true);
}

void writeTemplate(const QString &nativePath, const QString &outPath)
{
    TLocStorage store;
    TLangFile(nativePath, true).Load(&store, -1);
    writeFile(outPath, dictionaryTemplate(store));
}

// With `complete`, a missing text fails the whole run and nothing is written.
int translate(const QString &nativePath, const QString &dictionaryPath, const QString &outPath, bool complete)
{
    const TTranslationResult result = translateNativeFile(readFile(nativePath), readFile(dictionaryPath, "dictionary"));
    const qsizetype missing = result.Missing.size();
    if (complete && missing > 0) {
        QTextStream err(stderr);
        err << "kelvra-cli lng: " << missing << (missing == 1 ? " text has" : " texts have") << " no translation:\n";
        for (const QString &text : result.Missing)
            err << jsonQuoted(text) << '\n';
        return ExitFailed;
    }
    writeFile(outPath, result.File);
    QTextStream(stdout) << result.TextCount - missing << " of " << result.TextCount << " texts translated, " << missing
                        << " left native\n";
    return ExitOk;
}

int runLng(const QStringList &args)
{
    if (args.isEmpty())
        return usageError("lng", QStringLiteral("the action is missing"));
    const QString action = args.first();
    QStringList rest = args.mid(1);
    bool json = false;
    if (action == QLatin1String("dump") && !rest.isEmpty() && rest.first() == QLatin1String("--json")) {
        json = true;
        rest.removeFirst();
    }
    const bool complete = action == QLatin1String("translate") && rest.removeAll(QStringLiteral("--complete")) > 0;
    const bool oneFile
        = action == QLatin1String("info") || action == QLatin1String("dump") || action == QLatin1String("resources");
    const bool twoFiles = action == QLatin1String("pack") || action == QLatin1String("unpack")
        || action == QLatin1String("resave") || action == QLatin1String("template");
    const bool threeFiles = action == QLatin1String("module") || action == QLatin1String("translate");
    if (!oneFile && !twoFiles && !threeFiles)
        return usageError("lng", QStringLiteral("unknown action ") + action);
    for (const QString &a : rest)
        if (a.startsWith(QLatin1Char('-')))
            return usageError("lng", unknownOption(a));
    if (rest.size() != (oneFile ? 1 : twoFiles ? 2 : 3))
        return usageError("lng",
            action
                + (oneFile                                     ? QStringLiteral(" needs one file")
                        : action == QLatin1String("template")  ? QStringLiteral(" needs NATIVE and OUT.json")
                        : twoFiles                             ? QStringLiteral(" needs FILE and OUT")
                        : action == QLatin1String("translate") ? QStringLiteral(" needs NATIVE, DICT.json and OUT.lng")
                                                               : QStringLiteral(" needs NATIVE, LANG and OUT")));

    QTextStream out(stdout);
    try {
        if (action == QLatin1String("info")) {
            const TLangFile file(rest[0], true);
            QFile stream(rest[0]);
            if (!stream.open(QIODevice::ReadOnly))
                throw ELangFileError(QStringLiteral("Can not open language file \"%1\"").arg(rest[0]));
            const qsizetype body = TLangFile().LoadHeaderFromStream(&stream, true);
            printInfo(out, file, body);
        } else if (action == QLatin1String("dump")) {
            bool compressed = false;
            const TLangFileContent content = parseLangFile(plainLangBytes(readFile(rest[0]), &compressed));
            if (json)
                out << QJsonDocument(contentJson(content, compressed)).toJson(QJsonDocument::Indented);
            else
                printDump(out, content, compressed);
        } else if (action == QLatin1String("resources")) {
            printResources(out, TPEReader::ReadFile(rest[0]));
        } else if (action == QLatin1String("template")) {
            writeTemplate(rest[0], rest[1]);
        } else if (action == QLatin1String("translate")) {
            return translate(rest[0], rest[1], rest[2], complete);
        } else if (action == QLatin1String("module")) {
            buildModule(rest[0], rest[1], rest[2]);
        } else if (action == QLatin1String("pack")) {
            writeFile(rest[1], lzkCompress(readFile(rest[0])));
        } else if (action == QLatin1String("unpack")) {
            writeFile(rest[1], lzkDecompress(readFile(rest[0])));
        } else {
            TLangFile file(rest[0], true);
            TLocStorage store;
            file.Load(&store, -1);
            file.FileName = rest[1];
            file.ReadOnly = false;
            file.Save(&store, -1);
        }
    } catch (const ELocError &e) {
        QTextStream(stderr) << "kelvra-cli lng: " << e.message() << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

const CommandRegistration registration({ "lng",
    "info|dump [--json]|pack|unpack|resave FILE [OUT] | module | resources | template | translate   look into,"
    " rewrite or make a language file or a language module",
    runLng, false, kUsage, { { "--json" }, { "--complete" } } });

} // namespace

} // namespace kelvra::cli
