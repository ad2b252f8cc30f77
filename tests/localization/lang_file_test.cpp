// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"
#include "localization/lang_builder.h"

#include "localization/lang_file.h"
#include "localization/loc_errors.h"
#include "localization/lzk.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

namespace kelvra {
namespace {

using test::buildLangFile;
using test::sampleContent;

QString path(const test::TempDir &dir, const char *name)
{
    return QString::fromStdString((dir / name).string());
}

void writeBytes(const QString &file, const QByteArray &bytes)
{
    test::writeFileBytes(file.toStdString(), bytes.toStdString());
}

QByteArray readBytes(const QString &file)
{
    return QByteArray::fromStdString(test::readFileBytes(file.toStdString()));
}

// How much a stream prefix decodes to, or -1 when it ends inside a token.
qsizetype decodedPrefix(const QByteArray &packed)
{
    TLZKDecoder decoder(packed);
    try {
        decoder.decodeAll();
    } catch (const EKCompressError &) {
        return -1;
    }
    return decoder.output().size();
}

// The message of whatever localization error `f` raises, or "" when none.
QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ELocError &e) {
        return e.message();
    }
    return QString();
}

TEST(LangFileFormat, ReadsEveryVersionPlainAndCompressed)
{
    for (int version = 1; version <= 7; ++version) {
        for (bool packed : { false, true }) {
            SCOPED_TRACE(testing::Message() << "version " << version << (packed ? " LZK" : " plain"));
            const TLangFileContent want = sampleContent(version);
            const QByteArray plain = buildLangFile(want);
            const QByteArray file = packed ? lzkCompress(plain) : plain;
            bool compressed = false;
            const TLangFileContent got = parseLangFile(plainLangBytes(file, &compressed));
            EXPECT_EQ(compressed, packed);
            EXPECT_TRUE(got.Header == want.Header);
            ASSERT_EQ(got.Units.size(), want.Units.size());
            for (size_t u = 0; u < want.Units.size(); ++u)
                for (size_t i = 0; i < want.Units[u].Items.size(); ++i)
                    EXPECT_TRUE(got.Units[u].Items[i] == want.Units[u].Items[i]) << "constant " << i;
            EXPECT_TRUE(got.Forms == want.Forms);
            EXPECT_TRUE(got.Groups == want.Groups);
            EXPECT_TRUE(got == want);

            TLangFile lf;
            QBuffer buffer;
            buffer.setData(file);
            buffer.open(QIODevice::ReadOnly);
            EXPECT_EQ(lf.LoadHeaderFromStream(&buffer, false), serializeLangHeader(want.Header).size());
            EXPECT_EQ(lf.FormatVersion, version);
            EXPECT_EQ(lf.Compressed, packed);
        }
    }
}

TEST(LangFileFormat, WriterMatchesTheLayoutForEveryVersion)
{
    for (int version = 1; version <= 7; ++version) {
        const TLangFileContent c = sampleContent(version);
        EXPECT_EQ(serializeLangFile(c), buildLangFile(c)) << version;
    }
}

TEST(LangFileFormat, FloatsAndDatesSurviveARoundTrip)
{
    const double values[] = { 0.1, -0.0, 1e308, 5e-324, 123456789.125, std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN() };
    TLangFileContent c;
    TLangGroupRecord form { "F", 0, {}, {} };
    for (double v : values) {
        TLangValueRecord p = test::prop("Value", 1, TLocValueType::ptFloat, QString());
        p.Value = floatToText(v);
        form.Items.push_back(p);
    }
    // A date whose bits are not a plain number keeps them.
    const quint64 odd = 0x7FF4000000000123ull;
    std::memcpy(&form.Items[0].Modified, &odd, 8);
    c.Forms.push_back(form);
    const QByteArray bytes = serializeLangFile(c);
    const TLangFileContent back = parseLangFile(bytes);
    EXPECT_TRUE(back == c);
    EXPECT_EQ(serializeLangFile(back), bytes);
    EXPECT_EQ(back.Forms[0].Items[0].Value, QStringLiteral("0.1"));
    EXPECT_EQ(back.Forms[0].Items[1].Value, QStringLiteral("-0"));
    EXPECT_TRUE(bytes.contains(QByteArray("\x23\x01\x00\x00\x00\x00\xF4\x7F", 8)));
}

TEST(LangFileFormat, VersionOneHasNoAttributesBuildOrBase)
{
    TLangFileContent c = sampleContent(1);
    const QByteArray bytes = buildLangFile(c);
    // "LF", version, Version, Locale, then straight to the names: no Build, no BasedOnLangID.
    EXPECT_EQ(bytes.mid(0, 10), QByteArray("LF\x01\x00\x03\x00\x00\x00\x09\x04", 10));
    EXPECT_EQ(bytes.mid(10, 2), QByteArray("\x07\x00", 2));
    const TLangFileContent got = parseLangFile(bytes);
    EXPECT_EQ(got.Header.Attributes, 0);
    EXPECT_EQ(got.Units[0].Attributes, 0);
    EXPECT_EQ(got.Units[0].Items[0].Attributes, 0);
    EXPECT_TRUE(got.Groups.empty());
}

// The writer's length prefixes, read back from where they stand in a saved file.
TEST(LangFileFormat, LengthPrefixesAtTheBoundaries)
{
    struct Case
    {
        int units;
        QByteArray prefix;
    };
    const Case cases[] = { { 127, QByteArray("\x7F", 1) }, { 128, QByteArray("\x80\x01", 2) },
        { 16383, QByteArray("\xFF\x7F", 2) }, { 16384, QByteArray("\x80\x80\x01\x00", 4) } };
    for (const Case &c : cases) {
        TLangFileContent content;
        content.Units.push_back({ "U", 0, { test::item("K", 1, QString(c.units, QLatin1Char('z'))) }, {} });
        const QByteArray bytes = serializeLangFile(content);
        const qsizetype body = serializeLangHeader(content.Header).size();
        // unit count, "U", attributes, constant count, "K", attributes, string ID, ID: then the length.
        const qsizetype at = body + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 4;
        EXPECT_EQ(bytes.mid(at, c.prefix.size()), c.prefix) << c.units;
        EXPECT_TRUE(parseLangFile(bytes) == content) << c.units;
    }
    // The header's own strings keep 2-byte lengths in a version-7 file.
    TLangFileHeader h;
    h.LangEnglishName = "Ab";
    EXPECT_EQ(serializeLangHeader(h).mid(16, 4),
        QByteArray("\x02\x00"
                   "Ab",
            4));
}

TEST(LangFileFormat, SetPropertyHasNoValueBytes)
{
    test::LangBytes w(7);
    w.str8("Set").u16(0).u32(9).u32(7).u32(5).f64(1.5);
    TLangFileContent c;
    c.Forms.push_back({ "F", 0, { test::prop("Set", 9, TLocValueType::ptSet, QString(), 0, 5) }, {} });
    c.Forms[0].Items[0].Modified = 1.5;
    EXPECT_TRUE(serializeLangFile(c).contains(w.b));
    EXPECT_TRUE(parseLangFile(serializeLangFile(c)) == c);
}

TEST(LangFileFormat, RefusesBrokenFiles)
{
    const QByteArray good = buildLangFile(sampleContent(7));
    const qsizetype body = serializeLangHeader(sampleContent(7).Header).size();
    const QString invalid = QString::fromLatin1(locmsg::InvalidFormat);
    auto patched = [&](qsizetype at, QByteArray bytes) {
        QByteArray b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    // A value type beyond ptBigInt: the first property of Form1 starts after the units.
    const qsizetype typeAt = good.indexOf(QByteArray("\x07"
                                                     "Caption",
                                 8))
        + 8 + 2 + 4;
    struct Case
    {
        const char *what;
        QByteArray bytes;
        QString message;
    };
    const Case cases[] = {
        { "empty", QByteArray(), invalid },
        { "wrong magic", patched(0, "LG"), invalid },
        { "version 0", patched(2, QByteArray(2, '\0')), invalid },
        { "version 8", patched(2, QByteArray("\x08\x00", 2)), QString::fromLatin1(locmsg::NewerFormat) },
        { "cut in the header", good.left(body - 1), invalid },
        { "cut in the body", good.left(good.size() - 1), invalid },
        { "huge unit count", patched(body, "\xFF\xFF"), invalid },
        { "name longer than the file", patched(body + 2, "\x80\xFF\xFF\xFF"), invalid },
        { "value type 9", patched(typeAt, QByteArray("\x09\x00\x00\x00", 4)), invalid },
        { "compressed garbage", QByteArray("LZK00\0\0\0\0\x03\x00", 11), QString::fromLatin1(locmsg::WrongStream) },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(errorOf([&] { parseLangFile(plainLangBytes(c.bytes)); }), c.message) << c.what;
        TLocStorage store;
        TLangFile lf;
        EXPECT_EQ(errorOf([&] { lf.LoadFromBytes(c.bytes, &store, -1); }), c.message) << c.what;
    }
    // The stored type keeps only its low 7 bits.
    EXPECT_NO_THROW(parseLangFile(patched(typeAt, QByteArray("\x82\x00\x00\x00", 4))));
}

TEST(LangFileFormat, HeaderOfACompressedFileNeedsOnlyItsOwnBytes)
{
    TLangFileContent c = sampleContent(7);
    // A localized name of 3000 units puts the header well past 2048 compressed bytes.
    QString name;
    for (int i = 0; i < 3000; ++i)
        name += QChar(0x0400 + (i * 7919) % 255);
    c.Header.LangLocalizedName = name;
    const QByteArray packed = lzkCompress(buildLangFile(c));
    const qsizetype headerSize = serializeLangHeader(c.Header).size();
    ASSERT_GT(packed.size(), 2048 + 100);

    // Cut the stream just after the header: the header still reads, the body does not.
    QByteArray cut = packed;
    for (qsizetype n = 2048; n < packed.size(); ++n) {
        if (decodedPrefix(packed.left(n)) >= headerSize) {
            cut = packed.left(n);
            break;
        }
    }
    ASSERT_LT(cut.size(), packed.size());
    bool compressed = false;
    const TLangHeaderParse h = readLangHeader(cut + QByteArray("\x01", 1), &compressed);
    EXPECT_TRUE(compressed);
    EXPECT_EQ(h.Header.LangLocalizedName, name);
    EXPECT_EQ(h.BodyOffset, headerSize);
    EXPECT_EQ(errorOf([&] { plainLangBytes(cut + QByteArray("\x01", 1)); }), QString::fromLatin1(locmsg::WrongStream));

    test::TempDir dir;
    writeBytes(path(dir, "cut.lng"), cut);
    TLangFile lf(path(dir, "cut.lng"), true);
    EXPECT_EQ(lf.LangLocalizedName, name);
    EXPECT_TRUE(lf.Compressed);
}

TEST(LangFile, CreateReadsTheHeaderAndDefaultsWithoutAFile)
{
    test::TempDir dir;
    const TLangFile missing(path(dir, "none.lng"), false);
    EXPECT_EQ(missing.FormatVersion, 7);
    EXPECT_EQ(missing.Attributes, faInMemory);
    EXPECT_EQ(missing.Handle(), -1);
    EXPECT_TRUE(missing.AskRepLocale);
    EXPECT_FALSE(missing.Compressed);

    const TLangFileContent c = sampleContent(5, false);
    writeBytes(path(dir, "ru.lng"), buildLangFile(c));
    const TLangFile lf(path(dir, "ru.lng"), false);
    EXPECT_EQ(lf.FormatVersion, 5);
    EXPECT_EQ(lf.Locale, 0x0419u);
    EXPECT_EQ(lf.Build, 17u);
    EXPECT_EQ(lf.BasedOnLangID, 0x0409);
    EXPECT_EQ(lf.LangEnglishName, "Russian");
    EXPECT_EQ(lf.LangLocalizedName, QString::fromUtf8("Русский"));
    EXPECT_FALSE(lf.IsNative);
    EXPECT_FALSE(lf.ReadOnly);
    EXPECT_TRUE(lf.GetAttribute(0x0100));
    EXPECT_FALSE(lf.GetAttribute(0x0002));
}

TEST(LangFile, NativeFileLoadsIntoTheStore)
{
    test::TempDir dir;
    writeBytes(path(dir, "app.ntv.lng"), buildLangFile(sampleContent(7)));
    TLangFile lf(path(dir, "app.ntv.lng"), true);
    TLocStorage store;
    lf.Load(&store, -1);
    EXPECT_EQ(store.MainLangID, 0x0409);
    ASSERT_EQ(store.GetLangCount(), 1);
    EXPECT_EQ(store.Units.Count(), 2);
    const TLocConstant *c = store.FindConstant("consts", "dtext");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ID, 4);
    EXPECT_EQ(c->StringID, 103);
    EXPECT_EQ(c->Values[0].Value().size(), 16384);
    EXPECT_EQ(c->Values[0].LangID, 0x0409);
    EXPECT_EQ(store.Units.Find("Consts")->Attributes, 0x0002);
    const TLocProperty *p = store.FindProperty("Form1", "Button1", "Ratio");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Values.ValueType, TLocValueType::ptFloat);
    EXPECT_DOUBLE_EQ(p->Values[0].GetAsFloat(), 0.1);
    EXPECT_EQ(store.FindProperty("Form1", "Button1", "Height")->Values[0].GetAsInteger(), -25);
    EXPECT_EQ(store.FindProperty("Form1", "Label1", "Caption")->Values[0].Value().at(0).unicode(), 0xD800);
    EXPECT_EQ(store.FindProperty("Form1", "", "Font.Name")->Values[0].Attributes, 0x0008);
    EXPECT_EQ(store.Forms.Find("Form1")->Components.Find("Label1")->Attributes, 0x0004);
    EXPECT_EQ(store.FindExtItem("Messages", "Bye")->Values[0].Attributes, 0x0100);
    EXPECT_EQ(store.FindPropByIntID(13)->Name, "Caption");
}

TEST(LangFile, NativeVersion7SavesBackByteForByte)
{
    for (bool packed : { false, true }) {
        test::TempDir dir;
        const QByteArray plain = buildLangFile(sampleContent(7));
        const QByteArray original = packed ? lzkCompress(plain) : plain;
        writeBytes(path(dir, "a.lng"), original);
        TLangFile lf(path(dir, "a.lng"), false);
        TLocStorage store;
        lf.Load(&store, -1);
        lf.Save(&store, -1);
        EXPECT_EQ(readBytes(path(dir, "a.lng")), original) << packed;
        EXPECT_EQ(lf.Compressed, packed);
    }
}

TEST(LangFile, OlderFilesAreSavedAtLeastAsVersion4)
{
    test::TempDir dir;
    writeBytes(path(dir, "old.lng"), buildLangFile(sampleContent(2)));
    TLangFile lf(path(dir, "old.lng"), false);
    TLocStorage store;
    lf.Load(&store, -1);
    lf.Modified = true;
    lf.Save(&store, -1);
    const TLangFileContent saved = parseLangFile(readBytes(path(dir, "old.lng")));
    EXPECT_EQ(saved.Header.FormatVersion, 4);
    EXPECT_EQ(saved.Header.Build, 0u); // no Build field below version 5
    // Every property is written, those without value bytes too.
    EXPECT_EQ(saved.Forms[0].Components[0].Items.size(), 9u);
    EXPECT_EQ(saved.Forms[0].Components[0].Items[7].ValueType, TLocValueType::ptSet);

    writeBytes(path(dir, "new.lng"), buildLangFile(sampleContent(7)));
    TLangFile modern(path(dir, "new.lng"), false);
    modern.Load(&store, -1);
    modern.Modified = true;
    modern.Save(&store, -1);
    EXPECT_EQ(parseLangFile(readBytes(path(dir, "new.lng"))).Header.Build, 18u);
}

TEST(LangFile, TranslationMatchesByIDOrByName)
{
    const QByteArray nativeFile = buildLangFile(sampleContent(7));
    TLangFileContent ru = sampleContent(7, false);
    ru.Units[0].Items.push_back(test::item("ZOrphan", 99, QStringLiteral("nobody"), 0, 0, 3));
    ru.Forms[0].Components[0].Items[3].ValueType = TLocValueType::ptString; // Height: type differs
    ru.Forms[0].Components[0].Items[3].Value = QStringLiteral("x");
    ru.Units[1].Items[0].ID = 77; // SOk under another ID: found only by name

    for (bool byName : { false, true }) {
        SCOPED_TRACE(byName ? "by name" : "by ID");
        TLocStorage store;
        TLangFile native;
        native.LoadFromBytes(nativeFile, &store, -1);
        const int ruIndex = store.AddLanguage(0, 0x0419);
        ASSERT_EQ(ruIndex, 1);
        TLangFile lf;
        lf.LoadFromBytes(buildLangFile(ru), &store, ruIndex, byName ? TLFLoadOptions(loSyncByName) : 0u);

        EXPECT_EQ(store.FindProperty("Form1", "Button1", "Caption")->Values[1].Value(), QString::fromUtf8("&Пуск"));
        EXPECT_EQ(store.FindProperty("Form1", "Button1", "Caption")->Values[1].LangID, 0x0419);
        const TLocProperty *height = store.FindProperty("Form1", "Button1", "Height");
        EXPECT_EQ(height->Values[1].Value(), QStringLiteral("-25"));
        EXPECT_EQ(height->Values[1].ValueVersion, -1);
        for (const auto &unit : store.Units)
            EXPECT_EQ(unit->Constants.Find("ZOrphan"), nullptr) << unit->Name.constData();
        EXPECT_EQ(store.FindConstant("RC", "SOk")->Values[1].Value(),
            byName ? QString::fromUtf8("Ок") : QStringLiteral("OK"));
        const TLocConstant *older = store.FindConstant("Consts", "CText");
        EXPECT_EQ(older->Values[1].ValueVersion, 2);
        EXPECT_EQ(store.FindConstant("Consts", "AText")->Values[1].Attributes, 0x0101);
    }
}

TEST(LangFile, OutdatedTranslationLosesItsCurrentBit)
{
    TLangFileContent native = sampleContent(7);
    TLangFileContent ru = sampleContent(7, false);
    native.Units[0].Items[0].ValueVersion = 5;
    ru.Units[0].Items[0].ValueVersion = 4;
    ru.Units[0].Items[0].Attributes = 0x0101;
    TLocStorage store;
    TLangFile().LoadFromBytes(buildLangFile(native), &store, -1);
    store.AddLanguage(0, 0x0419);
    TLangFile().LoadFromBytes(buildLangFile(ru), &store, 1);
    const TLocConstant *c = store.FindConstant("Consts", "AText");
    EXPECT_EQ(c->Values[1].Attributes, 0x0001);
    EXPECT_EQ(&c->ValueFor(1, false), &c->Values[0]);
    EXPECT_EQ(&c->ValueFor(1, true), &c->Values[1]);
}

TEST(LangFile, RefusesBadArgumentsAndLeavesTheStoreOnFailure)
{
    const QByteArray good = buildLangFile(sampleContent(7));
    TLocStorage store;
    TLangFile lf;
    lf.LoadFromBytes(good, &store, -1);
    store.AddLanguage(0, 0x0419);
    const QString invalidIndex = QString::fromLatin1(locmsg::InvalidIndex);
    EXPECT_EQ(errorOf([&] { lf.LoadFromBytes(good, nullptr, -1); }), QString::fromLatin1(locmsg::InvalidStorage));
    EXPECT_EQ(errorOf([&] { lf.LoadFromBytes(good, &store, 2); }), invalidIndex);
    // Index 0 is the native slot, never a translation's.
    EXPECT_EQ(errorOf([&] { lf.LoadFromBytes(good, &store, 0); }), invalidIndex);
    EXPECT_EQ(errorOf([&] { lf.SaveToBytes(&store, 5); }), invalidIndex);
    EXPECT_EQ(errorOf([&] { lf.SaveToBytes(nullptr, -1); }), QString::fromLatin1(locmsg::InvalidStorage));

    const qint32 versionBefore = lf.Version;
    for (int index : { -1, 1 }) {
        TLangFileContent other = sampleContent(7, index > 0);
        other.Header.Version = 42;
        QByteArray broken = buildLangFile(other);
        broken.chop(3);
        EXPECT_EQ(
            errorOf([&] { lf.LoadFromBytes(broken, &store, index); }), QString::fromLatin1(locmsg::InvalidFormat));
        EXPECT_EQ(store.Units.Count(), 2);
        EXPECT_EQ(store.FindProperty("Form1", "Button1", "Caption")->Values[0].Value(), QStringLiteral("&Start"));
        EXPECT_EQ(store.FindProperty("Form1", "Button1", "Caption")->Values[1].ValueVersion, -1);
        EXPECT_EQ(lf.Version, versionBefore);
    }
}

TEST(LangFile, RepairGivesDuplicateAndMissingIDsNewOnes)
{
    TLangFileContent c = sampleContent(7);
    c.Units[0].Items[1].ID = 1; // BText repeats AText's ID
    c.Units[0].Items[2].ID = 0; // CText has none
    TLocStorage store;
    TLangFile lf;
    lf.LoadFromBytes(buildLangFile(c), &store, -1, loRepair);
    EXPECT_EQ(store.FindConstant("Consts", "AText")->ID, 1);
    // ID 0 items get the next IDs in ID order: BText (made 0 by repair) and CText, in store order.
    EXPECT_EQ(store.FindConstant("Consts", "BText")->ID, 6);
    EXPECT_EQ(store.FindConstant("Consts", "CText")->ID, 7);
    EXPECT_EQ(lf.ConstMaxID, 7);

    TLocStorage plain;
    TLangFile().LoadFromBytes(buildLangFile(c), &plain, -1);
    EXPECT_EQ(plain.FindConstant("Consts", "BText")->ID, 1);
}

TEST(LangFile, LockSaveAndReadOnly)
{
    test::TempDir dir;
    const QString file = path(dir, "a.lng");
    writeBytes(file, buildLangFile(sampleContent(7)));
    TLangFile first(file, false);
    first.Lock();
    EXPECT_NE(first.Handle(), -1);
    TLangFile second(file, false);
    EXPECT_TRUE(second.ReadOnly); // the first holds the file
    EXPECT_EQ(errorOf([&] { second.Lock(); }), QString::fromLatin1(locmsg::NotExclusive));

    TLocStorage store;
    second.Load(&store, -1);
    EXPECT_EQ(
        errorOf([&] { second.Save(&store, -1); }), QStringLiteral("File \"%1\" was opened as read-only").arg(file));
    // Saving releases the lock and takes it again on the new file.
    store.FindConstant("RC", "SOk")->Values[0].SetValue(QStringLiteral("Okay"));
    first.Save(&store, -1);
    EXPECT_NE(first.Handle(), -1);
    EXPECT_EQ(errorOf([&] { TLangFile(file, false).Lock(); }), QString::fromLatin1(locmsg::NotExclusive));
    first.Unlock();
    EXPECT_EQ(errorOf([&] { TLangFile(file, false).Lock(); }), QString());
    EXPECT_EQ(parseLangFile(readBytes(file)).Units[1].Items[0].Value, QStringLiteral("Okay"));
}

TEST(LangFile, FailedSaveKeepsTheOldFile)
{
    test::TempDir dir;
    const QString file = path(dir, "a.lng");
    const QByteArray original = buildLangFile(sampleContent(7));
    writeBytes(file, original);
    TLangFile lf(file, false);
    TLocStorage store;
    lf.Load(&store, -1);
    // One constant too many for the u16 count.
    for (int i = 0; i < 0x10000; ++i)
        store.AddConstant(1000 + i, "Big", QStringLiteral("C%1").arg(i, 5, 10, QLatin1Char('0')).toLatin1(), 0);
    EXPECT_EQ(errorOf([&] { lf.Save(&store, -1); }), QString::fromLatin1(locmsg::DoesNotFit));
    EXPECT_EQ(readBytes(file), original);
    EXPECT_EQ(lf.ConstMaxID, 5);
}

TEST(LangFile, SaveHeaderKeepsTheBody)
{
    test::TempDir dir;
    const QString file = path(dir, "a.lng");
    const TLangFileContent c = sampleContent(7);
    writeBytes(file, lzkCompress(buildLangFile(c)));
    TLangFile lf(file, false);
    lf.IncreaseVersion();
    lf.SetAttribute(faRightToLeft, true);
    lf.LangEnglishName = "English (US)";
    lf.SaveHeader(file);
    const QByteArray saved = readBytes(file);
    EXPECT_TRUE(isLzk(saved));
    TLangFileContent want = c;
    want.Header.Version = 4;
    want.Header.Attributes = 0x0103;
    want.Header.LangEnglishName = "English (US)";
    EXPECT_TRUE(parseLangFile(lzkDecompress(saved)) == want);

    TLangFile fresh;
    fresh.SaveHeader(path(dir, "new.lng"));
    const QByteArray made = readBytes(path(dir, "new.lng"));
    EXPECT_TRUE(made.endsWith(QByteArray(6, '\0')));
    const TLangFileContent empty = parseLangFile(made);
    EXPECT_TRUE(empty.Units.empty() && empty.Forms.empty() && empty.Groups.empty());
}

TEST(LangFile, UpdateItemVersionMarksTranslationsCurrent)
{
    TLocStorage store;
    TLangFile().LoadFromBytes(buildLangFile(sampleContent(7)), &store, -1);
    store.AddLanguage(0, 0x0419);
    TLangFile lf;
    lf.Locale = 0x0419;
    lf.FormatVersion = 6;
    const TLangFileContent stale = parseLangFile(lf.SaveToBytes(&store, 1, false));
    const TLangFileContent current = parseLangFile(lf.SaveToBytes(&store, 1, true));
    EXPECT_EQ(stale.Header.FormatVersion, 6);
    EXPECT_EQ(stale.Units[0].Items[0].ValueVersion, -1);
    EXPECT_EQ(current.Units[0].Items[0].ValueVersion, 3);
    EXPECT_TRUE(stale.Groups.empty());
}

// With KELVRA_FUZZ_SEEDS set, writes the files above as seeds for the fuzzers.
TEST(LangFile, WritesFuzzSeeds)
{
    const char *dir = std::getenv("KELVRA_FUZZ_SEEDS");
    if (!dir)
        GTEST_SKIP() << "KELVRA_FUZZ_SEEDS not set";
    const QString base = QString::fromLocal8Bit(dir);
    for (int version = 1; version <= 7; ++version) {
        TLangFileContent c = sampleContent(version);
        // Small seeds: the long texts cut to their length boundaries' smaller side.
        c.Units[0].Items.resize(2);
        writeBytes(base + QStringLiteral("/lang/v%1.lng").arg(version), buildLangFile(c));
        if (version == 7) {
            writeBytes(base + QStringLiteral("/lang/v7.lzk.lng"), lzkCompress(buildLangFile(c)));
            writeBytes(base + QStringLiteral("/lzk/v7.lzk"), lzkCompress(buildLangFile(c)));
        }
    }
    writeBytes(base + QStringLiteral("/lzk/equal300.lzk"), lzkCompress(QByteArray(300, 'a')));
}

} // namespace
} // namespace kelvra
