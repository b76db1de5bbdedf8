#pragma once
// What became of each node of a programming run, and the summary the
// operator reads at its end. The link's outcome and the host's status byte
// decide whether the host took a node; nothing here talks to the link.

#include "link/clsUSBInterface.h"

#include <optional>
#include <string>
#include <vector>

namespace gamesetup {

struct NodeFailure {
    int node;
    std::string why;
};

// Why the host did not take a node, judged from the exchange that sent it:
// its outcome, the reply bytes stored and the reply; nothing when the host
// answered with status 0. `outcomeText` is the link's text of the outcome.
std::optional<std::string> SendFailure(ExchangeOutcome outcome, int replyBytes,
                                       const clsUSBInterface::ReplyBuffer& reply,
                                       const std::string& outcomeText);

struct ProgramRun {
    int total = 0; // nodes the run was meant to program
    int accepted = 0;
    std::vector<NodeFailure> failures; // in node order

    bool AllAccepted() const { return total > 0 && accepted == total; }
};

// The summary: how many nodes the host accepted and, for each node that was
// not programmed, the node and why (at most `limit` of them, then how many
// more).
std::string RunSummary(const ProgramRun& run, std::size_t limit);

} // namespace gamesetup
