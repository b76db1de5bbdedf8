#pragma once
// What the game setup window's file work does and what the operator is told
// about it: opening (NodeInfo.ini), "Read File" (NodeInfo.txt), "Write File"
// (NodeInfo.txt and the backups) and "OK" (NodeInfo.ini). The window shows
// the notices and status lines; nothing here touches a widget.

#include "common/SiteParamRecord.h"
#include "game_setup/NodeRecord.h"
#include "game_setup/Notice.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace gamesetup {

// The node table as the window opens it from NodeInfo.ini.
struct Opening {
    NodeTable table{};
    // Stored values that fit no field (IniLoad::unfit), for "OK".
    std::vector<FieldProblem> unfit;
    // Stored game numbers that fit no game number, by node: the window
    // names them instead of showing a number.
    std::map<int, long> storedGameNumbers;
    // A file that could not be read, or every value the host cannot take;
    // also the status line the window opens with.
    Notice notice;
};
Opening OpenNodeTable(const std::string& iniPath, std::int16_t cardPrefix, int maxNode);

// Why the game number the operator left in the box is refused: `typed`, or,
// when the box was left empty over one, the stored number it stands for.
std::string GameNumberRefusal(int node, const std::string& typed,
                              const std::map<int, long>& storedGameNumbers);

// The outcome of a file command: `done` when the file was read or written,
// `status` the status line then; `notice` what the operator is told.
struct FileOutcome {
    bool done = false;
    std::string status;
    Notice notice;
};

// "Read File": NodeInfo.txt of `folder` into nodes 1..maxNode of `table`.
// Nothing is read (nor told) when there are no nodes; a missing or
// unreadable file leaves the table alone.
FileOutcome ReadNodeTextFile(const std::string& folder, std::int16_t cardPrefix, int maxNode,
                             NodeTable& table);

// "Write File": NodeInfo.txt and the two backups into `folder`, describing
// the table as the window holds it (its node count and card prefix over
// those of `site`). Nothing is written while a node holds a value the host
// cannot take.
FileOutcome WriteNodeTableFiles(const std::string& folder, const NodeTable& table,
                                SiteParamRecord site, std::int16_t cardPrefix, int maxNode);

// "OK": the table into NodeInfo.ini, leaving the stored text of unchanged
// unfit values as it was.
FileOutcome SaveNodeTable(const std::string& iniPath, const NodeTable& table,
                          std::int16_t cardPrefix, int maxNode,
                          const std::vector<FieldProblem>& unfit);

} // namespace gamesetup
