// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include "localization/loc_errors.h"
#include "localization/lzk.h"
#include "localization/module_settings.h"
#include "localization/res_image.h"
#include "localization/res_module.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

TResourceSet sample(bool is64 = false)
{
    TResourceSet set;
    set.Is64 = is64;
    set.Strings.Set(17, QStringLiteral("seventeen"));
    set.Strings.Set(0, QStringLiteral("zero"));
    set.Strings.Set(65535, QStringLiteral("last — ü"));
    set.RCData.Put("TFORM1", QByteArray("TPF0\x05TForm", 10));
    set.RCData.Put(kLibSettingsName, serializeLibSettings(programSettings(kLibSignature)));
    set.RCData.Put("ODD", QByteArray(3, 'x')); // data not a multiple of 4
    set.RCData.Items.push_back({ "7", true, 7, QByteArray("seven") });
    return set;
}

quint32 u32At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

QString errorOf(const QByteArray &image)
{
    try {
        TPEReader::ReadBytes(image);
    } catch (const ELocError &e) {
        return e.message();
    }
    return {};
}

TEST(ResString, IdentifierSeventeenLiesInBlockTwoAtPositionOne)
{
    EXPECT_EQ(TResString::blockOf(17), 2);
    EXPECT_EQ(TResString::positionOf(17), 1);
    TResString table;
    table.Set(17, QStringLiteral("x"));
    ASSERT_EQ(table.Groups().count(2), 1u);
    EXPECT_EQ(table.Groups().at(2).Strings[1], QStringLiteral("x"));
    table.Set(17, QString());
    EXPECT_TRUE(table.Groups().empty()); // an emptied block goes
}

TEST(ResImage, RoundTripKeepsStringsAndRCDataIn32And64Bits)
{
    for (bool is64 : { false, true }) {
        const TResourceSet set = sample(is64);
        const TResourceSet back = TPEReader::ReadBytes(writeResourceImage(set));
        EXPECT_EQ(back.Is64, is64);
        EXPECT_TRUE(back.Strings == set.Strings);
        EXPECT_EQ(back.Strings.Get(65535), QStringLiteral("last — ü"));
        EXPECT_EQ(back.RCData.Items.size(), set.RCData.Items.size());
        for (const TResRCDataItem &item : set.RCData.Items) {
            const TResRCDataItem *found = back.RCData.Find(item.Name);
            ASSERT_NE(found, nullptr) << item.Name.constData();
            EXPECT_EQ(found->Data, item.Data);
            EXPECT_EQ(found->NameIsNumber, item.NameIsNumber);
        }
    }
}

TEST(ResImage, HeadersHaveTheLibraryLayout)
{
    const QByteArray image = writeResourceImage(sample());
    EXPECT_TRUE(image.startsWith("MZ"));
    EXPECT_EQ(u32At(image, 0x3C), 256u);
    EXPECT_TRUE(image.left(256).contains("This program must be run under Win32"));
    EXPECT_EQ(image.mid(256, 4), QByteArray("PE\0\0", 4));
    EXPECT_EQ(u16At(image, 260), 0x14C); // machine
    EXPECT_EQ(u16At(image, 262), 1); // one section
    EXPECT_EQ(u16At(image, 278), 0xA18E);
    const qsizetype opt = 280;
    EXPECT_EQ(u16At(image, opt), 0x10B);
    EXPECT_EQ(u32At(image, opt + 28), 0x400000u); // image base
    EXPECT_EQ(u32At(image, opt + 32), 4096u);
    EXPECT_EQ(u32At(image, opt + 36), 512u);
    EXPECT_EQ(u16At(image, opt + 68), 2); // GUI
    const qsizetype section = opt + 224;
    EXPECT_EQ(image.mid(section, 8), QByteArray(".rsrc\0\0\0", 8));
    EXPECT_EQ(u32At(image, section + 12), 0x2000u);
    EXPECT_EQ(image.size() % 512, 0);
    EXPECT_EQ(qsizetype(u32At(image, section + 16)) + u32At(image, section + 20), image.size());
}

TEST(ResImage, CompressedImageIsReadAfterDecompressing)
{
    const TResourceSet set = sample();
    const TResourceSet back = TPEReader::ReadBytes(lzkCompress(writeResourceImage(set)));
    EXPECT_EQ(back.Strings.Get(17), QStringLiteral("seventeen"));
}

TEST(ResImage, DamagedImagesRaiseTheReadersMessages)
{
    const QByteArray good = writeResourceImage(sample());
    QByteArray notPe = good;
    notPe[256] = 'X';
    QByteArray farHeader = good;
    qToLittleEndian<quint32>(0x7FFFFFF0u, farHeader.data() + 0x3C);
    QByteArray noResources = good;
    qToLittleEndian<quint32>(0, noResources.data() + 280 + 96 + 16); // resource directory entry
    QByteArray loop = good;
    // The root's first entry pointing back at the root.
    const qsizetype rsrc = 0x400;
    qToLittleEndian<quint32>(0x80000000u, loop.data() + rsrc + 16 + 4);
    QByteArray hugeCount = good;
    qToLittleEndian<quint16>(0xFFFF, hugeCount.data() + rsrc + 14);

    const struct
    {
        const char *name;
        QByteArray image;
        QString message;
    } cases[] = {
        { "empty", QByteArray(), QString::fromLatin1(locmsg::UnrecognizedImage) },
        { "text", QByteArray(200, 'a'), QString::fromLatin1(locmsg::UnrecognizedImage) },
        { "no PE signature", notPe, QString::fromLatin1(locmsg::NotPE) },
        { "header beyond the file", farHeader, QString::fromLatin1(locmsg::NotPE) },
        { "truncated headers", good.left(300), QString::fromLatin1(locmsg::NotPE) },
        { "no resource directory", noResources, QString::fromLatin1(locmsg::NoResources) },
        { "directory loop", loop, QString::fromLatin1(locmsg::BadResources) },
        { "entry count beyond the section", hugeCount, QString::fromLatin1(locmsg::BadResources) },
        { "section cut short", good.left(0x410), QString::fromLatin1(locmsg::BadResources) },
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorOf(c.image), c.message) << c.name;
    EXPECT_EQ(errorOf(good), QString());
}

TEST(ResImage, EveryCutBeforeTheLastResourceByteIsRefused)
{
    const QByteArray good = writeResourceImage(sample());
    const qsizetype used = 0x400 + u32At(good, 280 + 224 + 8); // headers plus the section's virtual size
    for (qsizetype n = 0; n < used; ++n)
        EXPECT_NE(errorOf(good.left(n)), QString()) << n;
    EXPECT_EQ(errorOf(good.left(used)), QString());
}

// Independent readers of the image, where the machine has them.
TEST(ResImage, WrestoolListsStringTablesAndRCData)
{
    const QString wrestool = QStandardPaths::findExecutable(QStringLiteral("wrestool"));
    if (wrestool.isEmpty())
        GTEST_SKIP() << "wrestool (icoutils) is not installed";
    test::TempDir dir;
    const QString file = QString::fromStdString((dir / "Kelvra.DEU").string());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(writeResourceImage(sample()));
    out.close();
    QProcess p;
    p.start(wrestool, { QStringLiteral("-l"), file });
    ASSERT_TRUE(p.waitForFinished());
    const QString listing = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_TRUE(listing.contains(QStringLiteral("--type=6"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("--type=10"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("--name='TFORM1'"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("--name=2 "))) << listing.toStdString(); // block of string 17
}

TEST(ResImage, PefileSeesAnI386ImageWithOneResourceSection)
{
    // The distribution's interpreter holds the distribution's module, whatever python3 is first on the path.
    QString python;
    for (const QString &candidate : { QStringLiteral("/usr/bin/python3"), QStringLiteral("python3") }) {
        QProcess probe;
        probe.start(candidate, { QStringLiteral("-c"), QStringLiteral("import pefile") });
        if (probe.waitForFinished() && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    if (python.isEmpty())
        GTEST_SKIP() << "python3-pefile is not installed";
    test::TempDir dir;
    const QString file = QString::fromStdString((dir / "Kelvra.DEU").string());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(writeResourceImage(sample()));
    out.close();
    const QString script = QStringLiteral(
        "import pefile,sys\n"
        "pe=pefile.PE(sys.argv[1])\n"
        "print(hex(pe.FILE_HEADER.Machine), len(pe.sections), pe.sections[0].Name.rstrip(b'\\0').decode())\n"
        "print(sorted(e.id for e in pe.DIRECTORY_ENTRY_RESOURCE.entries))\n"
        "rc=[e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id==10][0]\n"
        "print(pe.is_dll(), sorted(str(x.name) for x in rc.directory.entries if x.name))\n");
    QProcess p;
    p.start(python, { QStringLiteral("-c"), script, file });
    ASSERT_TRUE(p.waitForFinished());
    const QString output = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_EQ(output.toStdString(), "0x14c 1 .rsrc\n[6, 10]\nTrue ['ODD', 'QVT_LIBSETTINGS_', 'TFORM1']\n");
}

} // namespace
} // namespace kelvra
