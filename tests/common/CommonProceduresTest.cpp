#include "common/Crc16.h"
#include "common/CommandButtons.h"
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
    for (const auto& [value, digits, text] :
         {std::tuple{255u, 4, "0x00FF"}, {0u, 2, "0x00"}, {0x101u, 8, "0x00000101"},
          {0x12345u, 2, "0x45"}, {0xFFFFFFFFu, 8, "0xFFFFFFFF"},
          {0xABu, 20, "0x0000000AB"}}) { // more digits than there are: all of them
        EXPECT_EQ(HexText(value, digits), text);
    }
}

TEST(PutLong, LittleEndianAndBounded) {
    std::array<std::uint8_t, 24> buf{};
    EXPECT_TRUE(PutLong(70000, buf, 18));
    EXPECT_EQ(std::vector<int>(buf.begin() + 17, buf.begin() + 23),
              (std::vector<int>{0, 0x70, 0x11, 0x01, 0x00, 0}));

    // Bytes past either end are never written.
    std::array<std::uint8_t, 6> guarded{};
    std::span<std::uint8_t> inner(guarded.data() + 1, 4);
    EXPECT_FALSE(PutLong(0x04030201, inner, 2));
    EXPECT_FALSE(PutLong(0x04030201, inner, -2));
    EXPECT_EQ(std::vector<int>(guarded.begin(), guarded.end()),
              (std::vector<int>{0, 0x03, 0x04, 0x01, 0x02, 0}));
}

// Values, the cursor and bytes past the end (read as 0) are checked with
// any bytes by the record decoders' fuzz target; here a cursor before the
// buffer.
TEST(FieldReaders, BytesBeforeTheBufferReadAsZero) {
    const std::array<std::uint8_t, 2> buf{0x34, 0x12};
    int at = -1;
    EXPECT_EQ(GetIntegerField(buf, at), 0x3400);
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
