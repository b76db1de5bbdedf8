#pragma once
// What became of each node of a programming run, and the summary the
// operator reads at its end. The link's outcome decides whether the host
// took a node; nothing here talks to the link.

#include "link/clsUSBInterface.h"

#include <optional>
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

// The summary: how many nodes the host accepted and, for each node that was
// not programmed, the node and why (at most `limit` of them, then how many
// more).
std::string RunSummary(const ProgramRun& run, std::size_t limit);

} // namespace gamesetup
