// The man page's commands and the bash completion name the commands and
// options of orvane-cli's table, no more and no fewer.
#include "cli/Command.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <map>
#include <set>

namespace {

using Names = std::map<std::string, std::set<std::string>>;

QString Source(const char* path) {
    QFile file(QStringLiteral(ORVANE_SOURCE_DIR "/") + path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return QString::fromUtf8(file.readAll());
}

// The options named in `text`: a "-" word after a blank, "[" or "'".
std::set<std::string> Options(const QString& text) {
    std::set<std::string> options;
    for (const auto& m : QRegularExpression(R"((?:^|[\s\['])(--?[a-z]+))").globalMatch(text)) {
        options.insert(m.captured(1).toStdString());
    }
    return options;
}

TEST(CliDocs, ManPageAndCompletionNameWhatTheTableHas) {
    Names table;
    for (const cli::CommandEntry& c : cli::Commands()) {
        table[c.name] = {c.options.begin(), c.options.end()};
        for (const char* option : c.options) { // each one known to the command's parser
            const std::string error = cli::ParseCliCommandLine({c.name, option}).error;
            EXPECT_EQ(error.find("unexpected"), std::string::npos) << error;
        }
    }
    Names man;
    const QString commands =
        Source("packaging/man/orvane-cli.1").section(".SH COMMANDS", 1).section(".SS", 0, 0);
    for (const QString& item : commands.split("\n.TP\n").mid(1)) {
        // ".BR program\-nodes " [" \-\-nodes ...": the macro, the name, the rest.
        const QString line =
            item.section('\n', 0, 0).section(' ', 1).replace("\\-", "-").remove('"');
        man[line.section(' ', 0, 0).toStdString()] = Options(line);
    }
    EXPECT_EQ(man, table);

    Names completion;
    const QString bash = Source("packaging/bash-completion/orvane-cli");
    // The last word list before the commands' cases is the commands'.
    const QString listed = bash.section("case $command in", 0, 0).section("compgen -W '", -1);
    for (const QString& name : listed.section('\'', 0, 0).split(' ')) {
        completion[name.toStdString()] = {};
    }
    const QRegularExpression entry(R"(^ +([a-z-]+)\)(.*)$)", QRegularExpression::MultilineOption);
    for (const auto& m : entry.globalMatch(bash.section("case $command in", 1))) {
        EXPECT_TRUE(completion.count(m.captured(1).toStdString())) << m.captured(1).toStdString();
        completion[m.captured(1).toStdString()] = Options(m.captured(2));
    }
    EXPECT_EQ(completion, table);

    // --help: a command's help beside a short usage line, under a long one.
    const std::string usage = cli::CliUsageText();
    EXPECT_NE(usage.find("\n  snapshot -o FILE [--players LIST]  every readable"),
              std::string::npos);
    EXPECT_NE(usage.find("footer]\n" + std::string(37, ' ') + "program the site"),
              std::string::npos);
}

} // namespace
