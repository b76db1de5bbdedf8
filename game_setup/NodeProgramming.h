#pragma once
// What became of each node of a programming run, and the summary the
// operator reads at its end. The link's outcome decides whether the host
// took a node; nothing here talks to the link.

#include "common/RecordLayouts.h"
#include "game_setup/NodeRecord.h"
#include "game_setup/Notice.h"
#include "link/clsUSBInterface.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gamesetup {

struct NodeFailure {
    int node;
    std::string why;
};

// Why a node was not programmed, judged from the outcome of the exchange
// that sent it; nothing when a well-formed reply with a good CRC came back.
// The node message has no acknowledgement of its own: what the reply
// carries (empty, a few bytes, anything) is only shown in the link log.
// `outcomeText` is the link's text of the outcome.
std::optional<std::string> SendFailure(ExchangeOutcome outcome, const std::string& outcomeText);

struct ProgramRun {
    int total = 0; // nodes the run was meant to program
    int accepted = 0;
    std::vector<NodeFailure> failures; // in node order

    bool AllAccepted() const { return total > 0 && accepted == total; }
};

// Sends node `addr`'s record and judges what the host made of it: nothing
// when the node is programmed, else why not. A record whose fields do not
// fit the message is refused before anything is sent.
std::optional<std::string> SendNode(clsUSBInterface* link, int addr, const NodeRecord& record);

// What a run needs from its caller: where it is (before each node, `done`
// nodes already sent of `total`) and whether to stop before the next node.
// Either may be empty.
struct RunControl {
    std::function<void(int done, int total)> progress;
    std::function<bool()> stop;
};

// Programs `nodes` of `table` in the order given, one message each. Asked to
// stop, it ends before the next node (never before the first) and counts the
// rest as not sent; `stoppedAt` is then the index in `nodes` of the first
// node not sent, else -1.
ProgramRun ProgramNodes(clsUSBInterface* link, const NodeTable& table, std::span<const int> nodes,
                        const RunControl& control, int* stoppedAt = nullptr);

// What a node message puts into the host's remote node record, by the
// record's row labels.
std::vector<records::FieldValue> NodeFieldsSent(const NodeRecord& record);

// The summary: how many nodes the host accepted and, for each node that was
// not programmed, the node and why (at most `limit` of them, then how many
// more).
std::string RunSummary(const ProgramRun& run, std::size_t limit);

// What the operator is told when a run has ended: the status line, the
// lines for the link log (none when empty) and the box.
struct RunReport {
    std::string status;
    std::string log;
    Notice box;
};
// "Program Selected" of node `node`: a programmed node is only a status
// line; a failure is also logged and told.
RunReport ReportSelected(int node, const std::optional<std::string>& failure);
// "Program All": the status line and box name the first failures, the log
// every one; the box is a warning unless the host accepted every node.
RunReport ReportAll(const ProgramRun& run);

} // namespace gamesetup
