// Fuzz target of reading NodeInfo.txt: any text, any site and Max Node.
// Nothing is read past the text; only nodes 1..Max Node change, and only
// to settings the host can take; the report names lines of the text in
// order. Writing the table then reading the file back gives the same table,
// every node read and no line skipped, and every line of the file ends in
// CR LF.
//
// Input: the card prefix (2 bytes), Max Node, then the text.

#include "fuzz/FuzzInput.h"
#include "game_setup/NodeFiles.h"

namespace {

using gamesetup::NodeRecord;
using gamesetup::NodeTable;

// A valid node unlike most a text gives.
constexpr NodeRecord kUntouched{6, 15, 0, 5, 0xA5, 32767, 1};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const auto prefix = static_cast<std::int16_t>(in.Byte() | in.Byte() << 8);
    const int maxNode = in.Byte();
    const std::string_view text = in.Rest();

    NodeTable table;
    table.fill(kUntouched);
    const gamesetup::TextImport import = gamesetup::ReadNodeText(text, prefix, maxNode, table);
    FUZZ_CHECK(import.nodesRead >= 0 && import.nodesRead <= maxNode);
    int changed = 0;
    for (int node = 0; node < gamesetup::kNodeTableSize; ++node) {
        const NodeRecord& r = table[static_cast<std::size_t>(node)];
        if (node == 0 || node > maxNode) {
            FUZZ_CHECK(r == kUntouched);
        }
        FUZZ_CHECK(gamesetup::NodeProblems(r, node).empty());
        changed += r == kUntouched ? 0 : 1;
    }
    FUZZ_CHECK(changed <= import.nodesRead);
    int lastLine = 0;
    for (const gamesetup::SkippedLine& skipped : import.skipped) {
        FUZZ_CHECK(skipped.line > lastLine &&
                   static_cast<std::size_t>(skipped.line) <= text.size());
        FUZZ_CHECK(!skipped.reason.empty());
        lastLine = skipped.line;
    }
    FUZZ_CHECK(!gamesetup::ImportReport(import, 5).empty());

    const std::string file = gamesetup::NodeTextFile(table, prefix, maxNode);
    FUZZ_CHECK(file.ends_with("\r\n"));
    for (std::size_t i = 0; i < file.size(); ++i) {
        FUZZ_CHECK((file[i] == '\r') == (i + 1 < file.size() && file[i + 1] == '\n'));
    }
    NodeTable again;
    again.fill(NodeRecord{});
    const gamesetup::TextImport reread = gamesetup::ReadNodeText(file, prefix, maxNode, again);
    FUZZ_CHECK(reread.skipped.empty());
    FUZZ_CHECK(reread.nodesRead == maxNode);
    for (int node = 1; node <= maxNode; ++node) {
        FUZZ_CHECK(again[static_cast<std::size_t>(node)] == table[static_cast<std::size_t>(node)]);
    }
    return 0;
}
