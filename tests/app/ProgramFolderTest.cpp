#include "app/ProgramFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

TEST(ProgramFolder, RequestedFolderIsCreatedAndWins) {
    QTemporaryDir tmp;
    const std::string wanted = (tmp.path() + "/site/one").toStdString();
    const auto choice = ChooseProgramFolder(wanted, tmp.path().toStdString(), "");
    EXPECT_EQ(choice.folder, wanted);
    EXPECT_TRUE(QDir(QString::fromStdString(wanted)).exists());
}

TEST(ProgramFolder, ExecutableFolderWhenWritableElseAppData) {
    QTemporaryDir tmp;
    const std::string exe = (tmp.path() + "/bin").toStdString();
    const std::string data = (tmp.path() + "/data/Orvane").toStdString();
    QDir().mkpath(QString::fromStdString(exe));

    EXPECT_EQ(ChooseProgramFolder("", exe, data).folder, exe);

    // A folder that is not there (or cannot be written) sends the files to
    // the application data folder, made on first use.
    const std::string missing = (tmp.path() + "/no-such-bin").toStdString();
    EXPECT_EQ(ChooseProgramFolder("", missing, data).folder, data);
    EXPECT_TRUE(QDir(QString::fromStdString(data)).exists());
}

TEST(ProgramFolder, UnusableRequestedFolderIsAnError) {
    QTemporaryDir tmp;
    QFile file(tmp.path() + "/plain-file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const char* name : {"/plain-file/sub", "/plain-file"}) {
        SCOPED_TRACE(name);
        const auto choice = ChooseProgramFolder((tmp.path() + name).toStdString(), "", "");
        EXPECT_TRUE(choice.folder.empty());
        EXPECT_FALSE(choice.error.empty());
    }
}

TEST(ProgramFolder, AFolderTooLongForTheNamesKeptInSettingsIsRefused) {
    // Folder + "/MyDisclaimer.txt" must fit the 254 bytes of a stored value.
    QTemporaryDir tmp;
    const auto named = [&](std::size_t length) {
        std::string folder = tmp.path().toStdString() + "/";
        while (folder.size() < length) {
            const std::size_t part = std::min<std::size_t>(length - folder.size(), 100);
            folder += std::string(part, 'f') + "/";
        }
        folder.resize(length);
        return folder;
    };
    EXPECT_EQ(kLongestProgramFolder, 237u);
    const std::string longest = named(237);
    EXPECT_EQ(ChooseProgramFolder(longest, "", "").folder, longest);

    const std::string tooLong = named(238);
    const auto choice = ChooseProgramFolder(tooLong, "", "");
    EXPECT_TRUE(choice.folder.empty());
    EXPECT_NE(choice.error.find("is 238 bytes long"), std::string::npos) << choice.error;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(tooLong))) << "nothing is made";
    // Nor is such a folder taken without being asked for.
    EXPECT_TRUE(ChooseProgramFolder("", "", tooLong).folder.empty());
}

TEST(ProgramFolder, AFolderNameTheFileNameEncodingCannotCarryIsRefused) {
    QTemporaryDir tmp;
    const std::string latin1 = tmp.path().toStdString() + "/caf\xE9";
    const auto choice = ChooseProgramFolder(latin1, "", "");
    EXPECT_TRUE(choice.folder.empty());
    EXPECT_NE(choice.error.find("not valid in this system's file name encoding"),
              std::string::npos);
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << "no folder of another name is made";

    const std::string utf8 = tmp.path().toStdString() + "/caf\xC3\xA9";
    EXPECT_EQ(ChooseProgramFolder(utf8, "", "").folder, utf8);
}

} // namespace

TEST(ProgramFolder, InstalledExecutableFolderIsNeverPortable) {
    QTemporaryDir tmp;
    const QString usr = tmp.path() + "/usr/bin";
    QDir().mkpath(usr);
    // /bin -> usr/bin, as on a merged-/usr system.
    ASSERT_TRUE(QFile::link(tmp.path() + "/usr/bin", tmp.path() + "/bin"));
    const std::string installed = usr.toStdString();

    // Writable or not (root can write in /usr/bin), the installed folder is
    // not offered, also when reached through the symlink or spelled unclean.
    EXPECT_EQ(PortableFolderCandidate(installed, installed), "");
    EXPECT_EQ(PortableFolderCandidate((tmp.path() + "/bin").toStdString(), installed), "");
    EXPECT_EQ(PortableFolderCandidate((tmp.path() + "/usr/./bin/").toStdString(), installed), "");
    const std::string data = (tmp.path() + "/data").toStdString();
    EXPECT_EQ(ChooseProgramFolder("", PortableFolderCandidate(installed, installed), data).folder,
              data);

    // A build tree or a copy elsewhere stays portable.
    const std::string build = (tmp.path() + "/usr/bin2").toStdString();
    EXPECT_EQ(PortableFolderCandidate(build, installed), build);
    EXPECT_EQ(PortableFolderCandidate(build, ""), build);
}
