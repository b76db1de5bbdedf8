#include "game_setup/NodeProgramming.h"

#include "game_setup/GameSetupTexts.h"

#include <QPointer>

namespace gamesetup {

namespace {

// Failures listed by name in a summary before "... and N more".
constexpr std::size_t kListedFailures = 12;

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

std::optional<std::string> SendNode(clsUSBInterface* link, int addr, const NodeRecord& record) {
    if (addr < 1 || addr >= kNodeTableSize) {
        return std::string(texts::kWhyNoLink);
    }
    const std::vector<FieldProblem> problems = NodeProblems(record, addr);
    if (!problems.empty()) {
        return texts::WhyOutOfRange(ProblemFields(problems));
    }
    const QPointer<clsUSBInterface> alive(link);
    if (alive == nullptr) {
        return std::string(texts::kWhyNoLink);
    }
    const auto payload = NodePayload(addr, record);
    // What the reply carries goes to the link log only: the node message
    // has no acknowledgement of its own.
    alive->SendMessage(kNodeMessageDeviceId, kNodeMessageLength, kNodeMessageCmnd, payload);
    if (alive == nullptr) {
        return std::string(texts::kWhyNoLink);
    }
    return SendFailure(alive->LastOutcome(),
                       alive->OutcomeText(alive->LastOutcome(), alive->LastStatus()));
}

ProgramRun ProgramNodes(clsUSBInterface* link, const NodeTable& table, std::span<const int> nodes,
                        const RunControl& control, int* stoppedAt) {
    const QPointer<clsUSBInterface> alive(link);
    ProgramRun run;
    run.total = static_cast<int>(nodes.size());
    if (stoppedAt != nullptr) {
        *stoppedAt = -1;
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (i > 0 && ((control.stop && control.stop()) || alive == nullptr)) {
            for (std::size_t rest = i; rest < nodes.size(); ++rest) {
                run.failures.push_back({nodes[rest], texts::kWhyStopped});
            }
            if (stoppedAt != nullptr) {
                *stoppedAt = static_cast<int>(i);
            }
            break;
        }
        if (control.progress) {
            control.progress(static_cast<int>(i), run.total);
        }
        const int node = nodes[i];
        const NodeRecord empty{};
        const NodeRecord& record =
            node >= 1 && node < kNodeTableSize ? table[static_cast<std::size_t>(node)] : empty;
        if (std::optional<std::string> failure = SendNode(alive, node, record)) {
            run.failures.push_back({node, std::move(*failure)});
        } else {
            ++run.accepted;
        }
    }
    return run;
}

std::vector<records::FieldValue> NodeFieldsSent(const NodeRecord& r) {
    return {
        {"Denomination", r.Denom},
        {"Keydown", r.KeyDown},
        {"Coin-In Value", r.CoinInValue},
        {"Note-In Value", r.NoteInValue},
        {"Configuration Flags", r.Config},
        {"Game Number", static_cast<std::uint16_t>(r.GameNumber)},
        {"Game Group", r.GameGroup},
    };
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

RunReport ReportSelected(int node, const std::optional<std::string>& failure) {
    if (!failure) {
        return {texts::NodeProgrammed(node), {}, {false, texts::kProgramSelectedTitle, {}}};
    }
    const std::string summary = RunSummary({1, 0, {{node, *failure}}}, kListedFailures);
    return {summary, summary + "\r\n", {true, texts::kProgramSelectedTitle, summary}};
}

RunReport ReportAll(const ProgramRun& run) {
    const std::string summary = RunSummary(run, kListedFailures);
    return {summary,
            texts::kProgramTitle + std::string(": ") + RunSummary(run, run.failures.size()) +
                "\r\n",
            {!run.AllAccepted(), texts::kProgramTitle, summary}};
}

} // namespace gamesetup
