// The printer filters byte by byte: what each model shows and swallows, and
// sequences that cross chunk boundaries and model changes. (That the Ithica
// and unknown types show nothing is left to the receive step's fuzz target.)
#include "terminal/TerminalCore.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

using namespace terminal;

namespace {

const std::string kCut = "---- Paper Cut ----\r\n";

// The text for `bytes` on `type`, each byte through the filter in order.
std::string Filter(int type, std::initializer_list<int> bytes, PrinterFilterState& state) {
    std::string out;
    for (const int b : bytes) {
        PrinterFilter(type, static_cast<std::uint8_t>(b), state, out);
    }
    return out;
}

std::string Filter(int type, std::initializer_list<int> bytes) {
    PrinterFilterState state;
    return Filter(type, bytes, state);
}

class EpsonFilter : public ::testing::TestWithParam<int> {};

TEST_P(EpsonFilter, CutsSequencesAndLineEnds) {
    const int type = GetParam();
    EXPECT_EQ(Filter(type, {0x1B, 0x69}), kCut);
    EXPECT_EQ(Filter(type, {0x1B, 0x4D, 'A'}), "A");
    // ESC c takes two more bytes: four swallowed, the fifth shown.
    EXPECT_EQ(Filter(type, {0x1B, 0x63, 0x31, 0x32, 'A'}), "A");
    // Any other sequence takes one more byte.
    EXPECT_EQ(Filter(type, {0x1B, 0x21, 0x08, 'A'}), "A");
    // FS starts a sequence too, but FS i is no cut.
    EXPECT_EQ(Filter(type, {0x1C, 0x69, 'A'}), "A");
    EXPECT_EQ(Filter(type, {0x1C, 0x70, 0x01, 'A'}), "A");
    // A swallowed byte is never read as the start of another sequence.
    EXPECT_EQ(Filter(type, {0x1B, 0x21, 0x1B, 'A'}), "A");
    EXPECT_EQ(Filter(type, {0x0D}), "\r");
    EXPECT_EQ(Filter(type, {'a', 0x0A, 'b'}), "a\r\nb");
    EXPECT_EQ(Filter(type, {0x00, 0xFF}), std::string("\0\xFF", 2));
}

INSTANTIATE_TEST_SUITE_P(BothModels, EpsonFilter,
                         ::testing::Values(kPrinterEpsonTM267, kPrinterEpsonTM267II));

class CitizenFilter : public ::testing::TestWithParam<int> {};

TEST_P(CitizenFilter, CutsThreeByteSequencesAndLineEnds) {
    const int type = GetParam();
    EXPECT_EQ(Filter(type, {0x1B, 0x50, 0x00}), kCut);
    EXPECT_EQ(Filter(type, {0x1B, 0x50, 0x01, 'A'}), "A");
    EXPECT_EQ(Filter(type, {0x1B, 0x51, 0x00, 'A'}), "A");
    EXPECT_EQ(Filter(type, {0x0E, 0x0F, 0x12, 0x13, 'A'}), "A");
    EXPECT_EQ(Filter(type, {0x0D, 0x0A}), "\r\n\r\n");
    // FS means nothing to these printers.
    EXPECT_EQ(Filter(type, {0x1C, 'A'}), "\x1C"
                                         "A");
}

INSTANTIATE_TEST_SUITE_P(BothModels, CitizenFilter,
                         ::testing::Values(kPrinterCitizenIDP3535, kPrinterCitizenIDP3541));

TEST(GenericFilter, ShowsEscapesAsAtSignsAndBreaksLines) {
    EXPECT_EQ(Filter(kPrinterGeneric, {0x41, 0x1B, 0x42}), "A@B");
    EXPECT_EQ(Filter(kPrinterGeneric, {0x1C, 0x0D, 0x0A}), "@\r\n\r\n");
}

TEST(FilterState, SurvivesAChangeOfModel) {
    // A Citizen sequence begun is finished by the Epson rules, as one
    // sequence state serves every model.
    PrinterFilterState state;
    EXPECT_EQ(Filter(kPrinterCitizenIDP3535, {0x1B}, state), "");
    EXPECT_EQ(Filter(kPrinterEpsonTM267, {0x69}, state), kCut);
    // Generic neither uses nor clears it.
    EXPECT_EQ(Filter(kPrinterEpsonTM267, {0x1B, 0x63}, state), "");
    EXPECT_EQ(Filter(kPrinterGeneric, {'a'}, state), "a");
    EXPECT_EQ(state.EscRemaining, 2);
    EXPECT_EQ(Filter(kPrinterEpsonTM267, {1, 2, 'b'}, state), "b");
}

} // namespace
