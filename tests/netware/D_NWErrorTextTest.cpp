// SPDX-License-Identifier: GPL-3.0-or-later
// Completion codes as text, the error box, and packed date-times as text and
// as date-time values.
#include <gtest/gtest.h>

#include "netware/D_NW.h"
#include "tests/netware/FakeClient.h"
#include "util/MessageBox.h"

namespace {

class ErrorTextTest : public testing::Test {
protected:
    void SetUp() override { client.errorTexts[0x8801] = "Invalid connection"; }

    FakeClient client;
};

TEST_F(ErrorTextTest, ClientTextInParentheses)
{
    EXPECT_EQ(NWErrorText(0x8801), "0x8801 (Invalid connection)");
}

TEST_F(ErrorTextTest, MissingLibraryGivesTheNumberAlone)
{
    client.errorLibrary = FakeClient::ErrorLibrary::Absent;
    EXPECT_EQ(NWErrorText(0x8801), "0x8801");
    EXPECT_EQ(NWErrorText(10), "0x000A");
}

TEST_F(ErrorTextTest, UnknownToTheClientFallsBackToTheSystemText)
{
    // The C library knows 10 and 2; their texts end without a full stop here.
    EXPECT_EQ(NWErrorText(10), "0x000A (No child processes)");
    EXPECT_EQ(NWErrorText(2), "0x0002 (No such file or directory)");
    // Unknown to both: the parentheses stay empty.
    EXPECT_EQ(NWErrorText(0x89FF), "0x89FF ()");
}

TEST_F(ErrorTextTest, LibraryWithoutStrerrorUsesOnlyTheSystemText)
{
    client.errorLibrary = FakeClient::ErrorLibrary::NoStrerror;
    EXPECT_EQ(NWErrorText(0x8801), "0x8801 ()");
    EXPECT_EQ(NWErrorText(10), "0x000A (No child processes)");
}

TEST_F(ErrorTextTest, LibraryIsLoadedForEveryText)
{
    NWErrorText(1);
    NWErrorText(1);
    EXPECT_EQ(client.librariesLoaded, 2);
}

TEST_F(ErrorTextTest, NumbersBeyondFourDigitsAreNotCut)
{
    client.errorLibrary = FakeClient::ErrorLibrary::Absent;
    EXPECT_EQ(NWErrorText(0x12345), "0x12345");
    EXPECT_EQ(NWErrorText(0), "0x0000");
}

TEST_F(ErrorTextTest, ReportShowsOperationAndTextInAnErrorBox)
{
    MessageBoxRecorder boxes;
    ReportNWError(0x8801, "NWCCOpenConnByRef");
    ASSERT_EQ(boxes.Requests().size(), 1u);
    const MessageBoxRequest& box = boxes.Requests()[0];
    EXPECT_EQ(box.text, "NWCCOpenConnByRef returned error 0x8801 (Invalid connection)");
    EXPECT_EQ(box.kind, MsgDlgType::Error);
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
}

TEST_F(ErrorTextTest, ReportOfCodeZeroShowsNothing)
{
    MessageBoxRecorder boxes;
    ReportNWError(0, "NWPurgeDeletedFile");
    EXPECT_TRUE(boxes.Requests().empty());
    EXPECT_EQ(client.librariesLoaded, 0);
}

class PackedDateTimeTest : public testing::Test {
protected:
    void SetUp() override
    {
        client.dates[1] = {{31, 12, 1999}, {7, 59, 23}};
        client.dates[2] = {{31, 0, 1999}, {7, 59, 23}};
        client.dates[3] = {{1, 2, 5}, {0, 0, 0}};
        client.dates[4] = {{29, 2, 2023}, {0, 0, 0}};
        client.dates[5] = {{1, 1, 2000}, {0, 0, 24}};
        client.dates[6] = {{255, 100, 65535}, {255, 60, 999}};
    }
    FakeClient client;
};

TEST_F(PackedDateTimeTest, PartsPrintWithLeadingZerosValidOrNot)
{
    EXPECT_EQ(PackedDateTimeText(1), "1999-12-31 23:59:07");
    EXPECT_EQ(PackedDateTimeText(2), "1999-00-31 23:59:07");
    EXPECT_EQ(PackedDateTimeText(3), "0005-02-01 00:00:00");
    EXPECT_EQ(PackedDateTimeText(6), "65535-100-255 999:60:255");  // wider parts keep every digit
    char text[PackedDateTimeTextMaxLength] = "by ";
    EXPECT_EQ(std::string(text, PutPackedDateTimeText(text + 3, 1)), "by 1999-12-31 23:59:07");
}

TEST_F(PackedDateTimeTest, ValidPartsBecomeADateTimeInvalidOnesRaise)
{
    EXPECT_DOUBLE_EQ(PackedToDateTime(1), EncodeDateTime(1999, 12, 31, 23, 59, 7, 0));
    EXPECT_NEAR(PackedToDateTime(1), 36525.0 + (23 * 3600 + 59 * 60 + 7) / 86400.0, 1e-9);
    EXPECT_THROW(PackedToDateTime(2), DateTimeError);
    EXPECT_THROW(PackedToDateTime(4), DateTimeError);
    EXPECT_THROW(PackedToDateTime(5), DateTimeError);
}

// The date of unpacked parts is worked out once per date; it must give what
// the encoding gives, value or error, for every date the parts can hold,
// valid or not, at the first and last second of a day and past its end.
TEST(DateTimeOfParts, AgreesWithTheEncodingForEveryDate)
{
    const NW_TIME times[] = {{0, 0, 0}, {7, 59, 23}, {59, 59, 23}, {0, 0, 24}, {60, 0, 0}, {0, 60, 12}};
    for (int pass = 0; pass < 2; ++pass)  // the second pass meets the dates already known
        for (int year = 1975; year <= 2110; ++year)
            for (int month = 0; month <= 15; ++month)
                for (int day = 0; day <= 32; ++day)
                    for (const NW_TIME& time : times) {
                        const NW_DATE date{static_cast<nuint8>(day), static_cast<nuint8>(month),
                                           static_cast<nuint16>(year)};
                        bool encodingRaises = false;
                        TDateTime encoded = 0;
                        try {
                            encoded = EncodeDateTime(year, month, day, time.hours, time.minutes, time.seconds, 0);
                        } catch (const DateTimeError&) {
                            encodingRaises = true;
                        }
                        if (encodingRaises) {
                            ASSERT_THROW(DateTimeOfParts(date, time), DateTimeError) << year << '-' << month << '-' << day;
                        } else {
                            ASSERT_EQ(encoded, DateTimeOfParts(date, time)) << year << '-' << month << '-' << day;
                        }
                    }
}

}  // namespace
