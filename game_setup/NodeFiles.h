#pragma once
// The node table's files in the program folder: NodeInfo.ini (the working
// copy, one section per node), NodeInfo.txt (the tab-separated export that
// technicians edit in a spreadsheet) and the two backup images.

#include "common/SiteParamRecord.h"
#include "game_setup/NodeRecord.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class ProfileBatch;
}

namespace gamesetup {

// ------------------------------------------------------------ NodeInfo.ini

// What a stored game number that fits no game number reads as.
inline constexpr std::int16_t kUnfitGameNumber = -1;

struct IniLoad {
    NodeTable table{};
    // Stored values that do not fit their field at all (Denom=300,
    // GameNumber=40000). They are kept as a value NodeProblems refuses
    // (255, or -1 for the game number; Config reads as 0), and their stored
    // text stays as it is until the field is changed (StoreNodeIni).
    std::vector<FieldProblem> unfit;
    bool readable = true;
};

// Reads nodes 1..maxNode from the sections "PPPP-NNN" of `ini`; a missing
// section or key reads as 0. Sections of other card prefixes are not read.
IniLoad LoadNodeIni(const platform::ProfileBatch& ini, std::int16_t cardPrefix, int maxNode);
IniLoad LoadNodeIni(const std::string& path, std::int16_t cardPrefix, int maxNode);

// Puts nodes 1..maxNode into `ini`, six keys each, as decimal text. A key
// listed in `unfit` (IniLoad::unfit of the table's loading) whose field
// still holds what loading made of it keeps its stored text: a value the
// operator did not change is never rewritten as its stand-in.
void StoreNodeIni(platform::ProfileBatch& ini, const NodeTable& table, std::int16_t cardPrefix,
                  int maxNode, const std::vector<FieldProblem>& unfit = {});
// The same, replacing the file once. False when the file could not be read
// (it is then left alone) or written.
bool SaveNodeIni(const std::string& path, const NodeTable& table, std::int16_t cardPrefix,
                 int maxNode, const std::vector<FieldProblem>& unfit = {});

// ------------------------------------------------------------ NodeInfo.txt

// One node's line without its line end: seven fields joined by TAB.
std::string NodeTextLine(std::int16_t cardPrefix, int node, const NodeRecord& record);
// The whole file: the header line and nodes 1..maxNode, each ended by CR LF.
std::string NodeTextFile(const NodeTable& table, std::int16_t cardPrefix, int maxNode);

struct SkippedLine {
    int line; // 1 = first line of the file
    std::string reason;
};
struct TextImport {
    int nodesRead = 0;
    std::vector<SkippedLine> skipped;
};

// Reads the node lines of `contents` into `table`. Lines with another field
// count, of another site, of a node outside 1..maxNode, or with a value that
// cannot be taken (game number, a money text matching no list entry,
// options that are no hexadecimal byte) are skipped and listed; the header
// line and blank lines are passed over. Lines may end in CR LF, LF or CR.
// `nodesRead` counts nodes: a node given on several lines is one node.
TextImport ReadNodeText(std::string_view contents, std::int16_t cardPrefix, int maxNode,
                        NodeTable& table);
// What the operator is told after an import: how many nodes were read and
// lines skipped, then the first `limit` skipped lines and how many more.
std::string ImportReport(const TextImport& import, std::size_t limit);

// ------------------------------------------------------------ backups

inline constexpr std::uint8_t kSiteTag1 = 0x55;
inline constexpr std::uint8_t kSiteTag2 = 0xAA;
inline constexpr int kSiteBackupSize = 256;

// A node in the layout of the host's remote node record: tags, the
// programmed set-up, every other byte zero.
std::array<std::uint8_t, 96> NodeBackupRecord(const NodeRecord& record);
// NodeBackup99.bin: nodes 1..maxNode, 96 bytes each.
std::string NodeBackupImage(const NodeTable& table, int maxNode);
// SiteBackup99.bin.
std::array<std::uint8_t, kSiteBackupSize> SiteBackupBytes(const SiteParamRecord& site);
std::string SiteBackupImage(const SiteParamRecord& site);

// ------------------------------------------------------------ file access

enum class TextRead { Ok, Missing, Unreadable };
// The whole of the file at `path` (named in the program's file name
// encoding), through the program's one safe reader: a pipe, a device or a
// file larger than any node table could be is Unreadable, never waited on.
TextRead ReadWholeFile(const std::string& path, std::string& contents);

// Writes NodeInfo.txt, NodeBackup99.bin and SiteBackup99.bin into `folder`,
// each replaced whole. Returns the paths that could not be written.
std::vector<std::string> WriteNodeFiles(const std::string& folder, const NodeTable& table,
                                        const SiteParamRecord& site);

} // namespace gamesetup
