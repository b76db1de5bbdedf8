#include "game_setup/NodeProgramming.h"

#include "game_setup/GameSetupTexts.h"

namespace gamesetup {

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

} // namespace

std::optional<std::string> SendFailure(ExchangeOutcome outcome, const std::string& outcomeText) {
    switch (outcome) {
    case ExchangeOutcome::Ok:
        return std::nullopt;
    case ExchangeOutcome::Timeout:
        return std::string(texts::kWhyTimeout);
    case ExchangeOutcome::CrcError:
        // Whether the host took the node is unknown, so it does not count
        // as programmed.
        return std::string(texts::kWhyCrc);
    case ExchangeOutcome::None:
        return std::string(texts::kWhyNoLink);
    default:
        return texts::WhyLink(Trimmed(outcomeText));
    }
}

std::string RunSummary(const ProgramRun& run, std::size_t limit) {
    std::string text;
    if (run.AllAccepted()) {
        return texts::AllAccepted(run.total);
    }
    text = run.accepted == 0 ? texts::NoneAccepted(run.total)
                             : texts::SomeAccepted(run.accepted, run.total);
    text += '\n';
    for (std::size_t i = 0; i < run.failures.size() && i < limit; ++i) {
        text += '\n';
        text += texts::NodeFailed(run.failures[i].node, run.failures[i].why);
    }
    if (run.failures.size() > limit) {
        text += '\n';
        text += texts::AndMore(run.failures.size() - limit);
    }
    return text;
}

} // namespace gamesetup
