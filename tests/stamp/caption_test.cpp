// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/caption.h"

#include "stamp/stamp_settings.h"

#include "printers.h"

#include <gtest/gtest.h>

#include <set>

namespace kelvra {
namespace {

TEST(Caption, FallbackFileDate)
{
    const TDateTime early = dateOf(2019, 5, 1);
    const TDateTime late = dateOf(2020, 1, 1);
    struct Case
    {
        TDateTime creation;
        TDateTime modification;
        TDateTime expected;
    };
    const Case cases[] = {
        { 0, 0, 0 }, { 0, late, late }, { early, 0, early }, { early, late, early },
        { late, early, early }, // a copied file: created after its last change
        { early, early, early }, { 99.5, late, late }, // below 100 is no date
        { late, 99.5, late }, { 50, 0, 50 }, // neither is a date: creation as it stands
    };
    for (const Case &c : cases)
        EXPECT_EQ(FallbackFileDate(c.creation, c.modification), c.expected) << c.creation << ' ' << c.modification;
}

TEST(Caption, TidyExposureTime)
{
    const std::pair<const char *, const char *> cases[] = {
        { "10/1250 sec", "1/125 sec" },
        { "100/10000 sec", "10/1000 sec" },
        { "1/250 sec", "1/250 sec" },
        { "10/1250", "10/1250" }, // no "0 sec"
        { "10/1 sec", "10/1 sec" }, // no "0 sec"
        { "1/10 sec", "1/10 sec" }, // no "0/"
        { "", "" },
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(TidyExposureTime(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

TEST(Caption, AltitudeLosesADenominatorOfOne)
{
    const std::pair<const char *, const char *> cases[] = {
        { "250/1", "250" },
        { "123/1", "123" },
        { "2505/10", "2505/10" },
        { "340/1 m", "340 m" },
        { "1/12", "1/12" },
        { "5/1/1", "5" },
        { "", "" },
        { "/1", "" },
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(dropUnitDenominator(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

PhotoValues sampleValues()
{
    PhotoValues v;
    v.CurrentFile = QStringLiteral("/photos/trip/IMG.1.JPG");
    v.PhotoDate = dateOf(2019, 5, 1, 14, 7);
    v.FileModification = dateOf(2019, 5, 2, 8, 0);
    v.FileCreation = dateOf(2019, 5, 3, 9, 30);
    v.CurrentTime = dateOf(2024, 12, 24, 18, 45);
    v.GPSPos = QStringLiteral("48°51'18\"N 2°21'3\"E");
    v.GPSAlt = QStringLiteral("250/1");
    v.Make = QStringLiteral("Canon");
    v.Model = QStringLiteral("EOS 5D");
    v.ETime = QStringLiteral("1/125 sec");
    v.FNumber = QStringLiteral("F5.6");
    v.FocalLength = QStringLiteral("50 mm");
    v.ISO = QStringLiteral("200");
    v.GPSDir = QStringLiteral("291.39M");
    return v;
}

TEST(Caption, EveryTokenTakesItsValue)
{
    const FormatSettings locale;
    const QString caption = QStringLiteral(
        "[PHOTO_DATE]|[PHOTO_FULL_NAME]|[PHOTO_NAME]|[PN_WOE]|[GPSPos]|[GPSAlt]|[Make]|[Model]|[ETime]|[FNumber]|"
        "[FocalLength]|[ISO]|[GPSDir]|[FILE_MODIFICATION]|[FILE_CREATION]|[CURRENT_TIME]|[Unknown]");
    EXPECT_EQ(GetCurrentFileStampText(caption, QStringLiteral("DD.MM.YYYY hh:nn"), sampleValues(), locale),
        QStringLiteral("01.05.2019 14:07|/photos/trip/IMG.1.JPG|IMG.1.JPG|IMG.1|48°51'18\"N 2°21'3\"E|250|"
                       "Canon|EOS 5D|1/125 sec|F5.6|50 mm|200|291.39M|02.05.2019 08:00|03.05.2019 09:30|"
                       "24.12.2024 18:45|[Unknown]"));
}

TEST(Caption, Replacement)
{
    const FormatSettings locale;
    PhotoValues withTokenInName = sampleValues();
    withTokenInName.CurrentFile = QStringLiteral("/photos/[Make] shot.jpg");
    PhotoValues tokenInMake = sampleValues();
    tokenInMake.Make = QStringLiteral("[PHOTO_NAME]");
    PhotoValues noModel = sampleValues();
    noModel.Model.clear();

    struct Case
    {
        const char *caption;
        const char *dateFormat;
        PhotoValues values;
        const char *expected;
    };
    const Case cases[] = {
        { "[PHOTO_DATE] [photo_date] [Photo_Date]", "YYYY", sampleValues(), "2019 2019 2019" },
        { "[PHOTO_NAME]", "YYYY", withTokenInName, "Canon shot.jpg" }, // later tokens see earlier results
        { "[Make]", "YYYY", tokenInMake, "[PHOTO_NAME]" }, // but never the other way round
        { "a [Model] b", "YYYY", noModel, "a  b" },
        { "<[PHOTO_DATE]|[FILE_CREATION]|[CURRENT_TIME]>", "", sampleValues(), "<||>" },
        { "[PHOTO_DATE", "YYYY", sampleValues(), "[PHOTO_DATE" },
        { "", "YYYY", sampleValues(), "" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(
            GetCurrentFileStampText(QString::fromUtf8(c.caption), QString::fromUtf8(c.dateFormat), c.values, locale),
            QString::fromUtf8(c.expected))
            << c.caption;
}

TEST(Caption, FileNameWithoutExtension)
{
    const FormatSettings locale;
    const std::pair<const char *, const char *> cases[] = {
        { "/p/a.b.jpg", "a.b" },
        { "/p/noext", "noext" },
        { "/p.d/noext", "noext" },
        { "/p/.jpg", "" },
        { "a.jpg", "a" },
    };
    for (const auto &[path, expected] : cases) {
        PhotoValues v;
        v.CurrentFile = QString::fromUtf8(path);
        EXPECT_EQ(GetCurrentFileStampText(QStringLiteral("[PN_WOE]"), {}, v, locale), QString::fromUtf8(expected))
            << path;
    }
}

TEST(Caption, InsertingATokenIsCaseSensitive)
{
    const QLatin1StringView date("[PHOTO_DATE]");
    const std::pair<const char *, const char *> cases[] = {
        { "[PHOTO_DATE] [photo_date]", "[PHOTO_DATE] [photo_date]" },
        { "[photo_date]", "[photo_date] [PHOTO_DATE]" },
        { "Taken", "Taken [PHOTO_DATE]" },
        { "", " [PHOTO_DATE]" },
    };
    for (const auto &[caption, expected] : cases)
        EXPECT_EQ(addTokenToCaption(QString::fromUtf8(caption), date), QString::fromUtf8(expected)) << caption;
}

TEST(Caption, EveryCommandInsertsADifferentKnownToken)
{
    std::set<QString> tokens;
    for (const CaptionCommand &c : captionCommands()) {
        tokens.insert(c.token);
        EXPECT_NE(std::find(captionTokens().begin(), captionTokens().end(), c.token), captionTokens().end())
            << c.action;
    }
    EXPECT_EQ(tokens.size(), captionTokens().size());
}

TEST(Caption, OfferedFormatsStartWithTheDefault)
{
    EXPECT_EQ(offeredDateFormats().first(), StampSettings().DateFormat);
    EXPECT_EQ(offeredDateFormats().size(), 21);
    QStringList unique = offeredDateFormats();
    EXPECT_EQ(unique.removeDuplicates(), 0);
}

} // namespace
} // namespace kelvra
