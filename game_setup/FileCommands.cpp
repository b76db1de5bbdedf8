#include "game_setup/FileCommands.h"

#include "game_setup/GameSetupTexts.h"
#include "game_setup/NodeFiles.h"

#include <algorithm>

namespace gamesetup {

namespace {

namespace t = texts;

// Problems listed by name in a notice before "... and N more".
constexpr std::size_t kListedProblems = 12;
constexpr std::size_t kListedSkippedLines = 5;

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace

Opening OpenNodeTable(const std::string& iniPath, std::int16_t cardPrefix, int maxNode) {
    IniLoad load = LoadNodeIni(iniPath, cardPrefix, maxNode);
    Opening opening;
    opening.table = load.table;
    opening.unfit = load.unfit;
    for (const FieldProblem& p : load.unfit) {
        if (p.field == t::kFieldGameNumber) {
            opening.storedGameNumbers[p.node] = p.value;
        }
    }
    if (!load.readable) {
        opening.notice = {true, t::kIniUnreadableTitle, t::IniUnreadable(iniPath)};
        return opening;
    }
    std::vector<FieldProblem> problems = load.unfit;
    for (FieldProblem& p : TableProblems(opening.table, maxNode)) {
        // A field listed as unfit holds only its stand-in: not a second problem.
        const bool listed = std::any_of(load.unfit.begin(), load.unfit.end(), [&p](const auto& u) {
            return u.node == p.node && u.field == p.field;
        });
        if (!listed) {
            problems.push_back(std::move(p));
        }
    }
    if (!problems.empty()) {
        opening.notice = {true, t::kProblemsTitle,
                          t::kProblemsOnOpen + DescribeProblems(problems, kListedProblems)};
    }
    return opening;
}

std::string GameNumberRefusal(int node, const std::string& typed,
                              const std::map<int, long>& storedGameNumbers) {
    const auto stored = storedGameNumbers.find(node);
    return typed.empty() && stored != storedGameNumbers.end()
               ? t::StoredGameNumberRefused(node, stored->second)
               : t::GameNumberRefused(node, typed);
}

FileOutcome ReadNodeTextFile(const std::string& folder, std::int16_t cardPrefix, int maxNode,
                             NodeTable& table) {
    FileOutcome outcome;
    if (maxNode == 0) {
        return outcome;
    }
    const std::string path = folder + "/" + t::kNodeTextName;
    std::string contents;
    switch (ReadWholeFile(path, contents)) {
    case TextRead::Missing:
        outcome.notice = {true, t::kReadFileTitle, t::TextFileMissing(path)};
        return outcome;
    case TextRead::Unreadable:
        outcome.notice = {true, t::kReadFileTitle, t::TextFileUnreadable(path)};
        return outcome;
    case TextRead::Ok:
        break;
    }
    const TextImport import = ReadNodeText(contents, cardPrefix, maxNode, table);
    outcome.done = true;
    outcome.status = t::ImportSummary(import.nodesRead, import.skipped.size());
    outcome.notice = {!import.skipped.empty(), t::kReadFileTitle,
                      ImportReport(import, kListedSkippedLines)};
    return outcome;
}

FileOutcome WriteNodeTableFiles(const std::string& folder, const NodeTable& table,
                                SiteParamRecord site, std::int16_t cardPrefix, int maxNode) {
    FileOutcome outcome;
    const std::vector<FieldProblem> problems = TableProblems(table, maxNode);
    if (!problems.empty()) {
        outcome.notice = {true, t::kProblemsTitle,
                          t::kWriteRefused + DescribeProblems(problems, kListedProblems)};
        return outcome;
    }
    site.MaxNode = static_cast<std::uint8_t>(maxNode);
    site.CardPrefix = cardPrefix;
    const std::vector<std::string> failed = WriteNodeFiles(folder, table, site);
    if (!failed.empty()) {
        outcome.notice = {true, t::kNotSavedTitle, t::NotWritten(Join(failed))};
        return outcome;
    }
    outcome.done = true;
    outcome.status = t::kFilesWritten;
    return outcome;
}

FileOutcome SaveNodeTable(const std::string& iniPath, const NodeTable& table,
                          std::int16_t cardPrefix, int maxNode,
                          const std::vector<FieldProblem>& unfit) {
    FileOutcome outcome;
    if (!SaveNodeIni(iniPath, table, cardPrefix, maxNode, unfit)) {
        outcome.notice = {true, t::kNotSavedTitle, t::NotWritten(iniPath)};
        return outcome;
    }
    outcome.done = true;
    return outcome;
}

} // namespace gamesetup
