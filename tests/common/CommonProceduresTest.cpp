#include "common/Crc16.h"
#include "common/codeCommon.h"
#include "common/codeCommonShared.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(Crc16, CheckValueAndSelfCheck) {
    auto data = Bytes("123456789");
    data.push_back(0);
    data.push_back(0);
    EXPECT_EQ(common::Crc16(data), 0x31C3);
    data[9] = 0x31;
    data[10] = 0xC3;
    EXPECT_EQ(common::Crc16(data), 0);
    EXPECT_EQ(common::Crc16({}), 0);
}

TEST(PackedDateTimeText, FieldsAndSeconds) {
    EXPECT_EQ(PackedDateTimeText(0x022B3AC7, 0x2D, true), "07/12/2029 11:17:45");
    EXPECT_EQ(PackedDateTimeText(0x022B3AC7, 0x2D, false), "07/12/2029 11:17");
    EXPECT_EQ(PackedDateTimeText(0, 0, false), "00/00/2000 00:00");
    // Only the low 6 bits of the seconds byte count.
    EXPECT_EQ(PackedDateTimeText(0, 0xC5, true), "00/00/2000 00:00:05");
    // A year of 100 or more keeps all its digits; impossible values are shown as stored.
    const std::int32_t odd = (127 << 9) | (31 << 4) | 15 | (31 << 16) | (63 << 21);
    EXPECT_EQ(PackedDateTimeText(odd, 0, false), "15/31/20127 31:63");
}

TEST(HexText, PaddingAndWidth) {
    EXPECT_EQ(HexText(255, 4), "0x00FF");
    EXPECT_EQ(HexText(0, 2), "0x00");
    EXPECT_EQ(HexText(0xBEEF, 4), "0xBEEF");
    EXPECT_EQ(HexText(0x101, 8), "0x00000101");
    EXPECT_EQ(HexText(0x12345, 2), "0x45"); // the last digits, as asked
    EXPECT_EQ(HexText(0xFFFFFFFFu, 8), "0xFFFFFFFF");
    EXPECT_EQ(HexText(0xAB, 20), "0x0000000AB"); // more digits than the joined text: all of it
}

TEST(PutLong, LittleEndianAndBounded) {
    std::array<std::uint8_t, 24> buf{};
    EXPECT_TRUE(PutLong(70000, buf, 18));
    EXPECT_EQ(buf[18], 0x70);
    EXPECT_EQ(buf[19], 0x11);
    EXPECT_EQ(buf[20], 0x01);
    EXPECT_EQ(buf[21], 0x00);
    EXPECT_EQ(buf[17], 0x00);
    EXPECT_EQ(buf[22], 0x00);

    // Bytes past either end are never written.
    std::array<std::uint8_t, 6> guarded{};
    std::span<std::uint8_t> inner(guarded.data() + 1, 4);
    EXPECT_FALSE(PutLong(0x04030201, inner, 2));
    EXPECT_EQ(guarded[3], 0x01);
    EXPECT_EQ(guarded[4], 0x02);
    EXPECT_EQ(guarded[5], 0x00);
    EXPECT_FALSE(PutLong(0x04030201, inner, -2));
    EXPECT_EQ(guarded[0], 0x00);
    EXPECT_EQ(guarded[1], 0x03);
}

TEST(FieldReaders, ValuesAndCursor) {
    const std::array<std::uint8_t, 10> buf{0x34, 0x12, 0xFF, 0xFF, 0xFF,
                                           0xFF, 0x01, 0x00, 0x00, 0x80};
    int at = 0;
    EXPECT_EQ(GetIntegerField(buf, at), 4660);
    EXPECT_EQ(at, 2);
    EXPECT_EQ(GetIntegerField(buf, at), 65535);
    at = 2;
    EXPECT_EQ(GetLongField(buf, at), 2147483647);
    EXPECT_EQ(at, 6);
    EXPECT_EQ(GetLongField(buf, at), 1);
    EXPECT_EQ(at, 10);
    at = 9;
    EXPECT_EQ(GetByteField(buf, at), 0x80);
    EXPECT_EQ(at, 10);
}

TEST(FieldReaders, OutsideTheBufferReadsZero) {
    const std::array<std::uint8_t, 3> buf{0x11, 0x22, 0x33};
    int at = 2;
    // Only the byte inside counts; the rest reads as 0.
    EXPECT_EQ(GetLongField(buf, at), 0x33);
    EXPECT_EQ(at, 6);
    EXPECT_EQ(GetByteField(buf, at), 0);
    EXPECT_EQ(at, 7);
    at = -1;
    EXPECT_EQ(GetIntegerField(buf, at), 0x1100);
    EXPECT_EQ(at, 1);
}

} // namespace

namespace {

TEST(EnableCommandButtons, TouchesOnlyTheButtonsOfTheWindowGiven) {
    QWidget main;
    auto* own = new QPushButton("Program", new QWidget(&main)); // nested in a frame
    // A tool window is a child of the main window but a window of its own.
    auto* tool = new QWidget(&main, Qt::Window);
    auto* toolButton = new QPushButton("Dump NV", tool);
    toolButton->setEnabled(false); // mid-way through its own sequence

    EnableCommandButtons(&main, false);
    EXPECT_FALSE(own->isEnabled());
    EnableCommandButtons(&main, true);
    EXPECT_TRUE(own->isEnabled());
    EXPECT_FALSE(toolButton->isEnabled());
    EnableCommandButtons(tool, true);
    EXPECT_TRUE(toolButton->isEnabled());
}

} // namespace
