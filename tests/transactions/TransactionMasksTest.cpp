// The print/store mask rules, the mask message and the settings keys.
#include "transactions/TransactionMasks.h"

#include "tests/platform/FolderTest.h"

#include <array>

using transactions::MaskColumn;
using transactions::TransactionMaskPayload;
using transactions::TransactionSettings;

// Types 1 to 22 have a box each; bit 0 and bits 23 to 31 have none, and box
// clicks keep them as loaded. "Set all" sets bit 0 too.
TEST(TransactionMasks, BoxesShowAndSetTheirBitsOnlyAndSetAllIncludesBitZero) {
    MaskColumn column(static_cast<std::int32_t>(0x80800001u));
    column.BoxClicked(0, false); // no such boxes
    column.BoxClicked(23, false);
    for (int type = 1; type <= 22; ++type) {
        EXPECT_FALSE(column.BoxChecked(type)) << type;
        column.BoxClicked(type, true);
        EXPECT_TRUE(column.BoxChecked(type)) << type;
    }
    EXPECT_FALSE(column.BoxChecked(23));
    EXPECT_EQ(static_cast<std::uint32_t>(column.Mask()), 0x80FFFFFFu);
    column.BoxClicked(1, false);
    column.BoxClicked(22, false);
    EXPECT_EQ(static_cast<std::uint32_t>(column.Mask()), 0x80BFFFFDu);

    MaskColumn all;
    all.SetAll();
    EXPECT_EQ(all.Mask(), 0x7FFFFF);
    all.ClearAll();
    EXPECT_EQ(all.Mask(), 0);
}

TEST(TransactionMasks, PayloadCarriesStoreThenPrintLowByteFirst) {
    MaskColumn store;
    MaskColumn print;
    store.BoxClicked(1, true);
    print.BoxClicked(22, true);
    const std::array<std::uint8_t, 10> expected{10, 8, 0x02, 0, 0, 0, 0, 0, 0x40, 0};
    EXPECT_EQ(TransactionMaskPayload(store.Mask(), print.Mask()), expected);

    // A mask with bit 31 set goes out as its 32-bit pattern.
    const std::array<std::uint8_t, 10> negative{10,   8,    0xFF, 0xFF, 0xFF,
                                                0xFF, 0x00, 0x00, 0x00, 0x80};
    EXPECT_EQ(TransactionMaskPayload(-1, static_cast<std::int32_t>(0x80000000u)), negative);
}

class TransactionSettingsTest : public platformtest::FolderTest {
protected:
    std::string Path() const { return PathOf("Settings.ini"); }
    void Store(const std::string& text) const { platformtest::Store(Path(), text); }
};

TEST_F(TransactionSettingsTest, MasksAreWrittenAsSignedDecimalKeepingTheRestOrReportedUnwritten) {
    Store("[Settings]\r\nMaxNode=16\r\n[Transaction]\r\nPrint=1\r\n");
    ASSERT_TRUE(transactions::WriteTransactionSettings({INT32_MIN, -1}, Path()));
    EXPECT_EQ(platformtest::Load(Path()),
              "[Settings]\r\nMaxNode=16\r\n[Transaction]\r\nPrint=-2147483648\r\nStore=-1\r\n");
    EXPECT_FALSE(transactions::WriteTransactionSettings({1, 2}, PathOf("gone/Settings.ini")));
}

TEST_F(TransactionSettingsTest, AStoredValueBeyond32BitsIsNamedAndReadsAsZero) {
    const struct {
        const char* stored;
        std::int32_t mask;
        bool readable;
    } cases[] = {
        {"4294967295", -1, true},  {"-2147483648", INT32_MIN, true},      {"4294967296", 0, false},
        {"-2147483649", 0, false}, {"99999999999999999999999", 0, false}, {"12abc", 12, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        Store(std::string("[Transaction]\r\nPrint=6\r\nStore=") + c.stored + "\r\n");
        std::vector<std::string> unreadable;
        const TransactionSettings settings =
            transactions::ReadTransactionSettings(Path(), &unreadable);
        EXPECT_EQ(settings.PrintMask, 6);
        EXPECT_EQ(settings.StoreMask, c.mask);
        if (c.readable) {
            EXPECT_TRUE(unreadable.empty());
        } else {
            ASSERT_EQ(unreadable.size(), 1u);
            const std::string named =
                std::string("Transaction/Store in Settings.ini holds \"") + c.stored + "\"";
            EXPECT_EQ(unreadable[0].rfind(named, 0), 0u) << unreadable[0];
        }
    }
}
