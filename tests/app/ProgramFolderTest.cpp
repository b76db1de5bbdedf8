#include "startup/ProgramFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

TEST(ProgramFolder, ARequestedFolderIsMadeOrRefusedWithTheReason) {
    QTemporaryDir tmp;
    const std::string base = tmp.path().toStdString();
    QFile file(tmp.path() + "/plain-file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // Folder + "/MyDisclaimer.txt" must fit the 254 bytes of a stored value.
    const auto named = [&](std::size_t length) {
        std::string folder = base + "/";
        while (folder.size() < length) {
            folder += std::string(std::min<std::size_t>(length - folder.size(), 100), 'f') + "/";
        }
        folder.resize(length);
        return folder;
    };
    const struct {
        std::string folder;
        const char* error; // nullptr: taken, and made
    } cases[] = {
        {base + "/site/one", nullptr},
        {base + "/caf\xC3\xA9", nullptr},
        {named(237), nullptr},
        {named(238), "is 238 bytes long"},
        {base + "/caf\xE9", "not valid in this system's file name encoding"},
        {base + "/plain-file", "is a file"},
        {base + "/plain-file/sub", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const auto choice = ChooseProgramFolder(c.folder, "", "");
        EXPECT_EQ(choice.folder, c.error ? "" : c.folder);
        if (c.error) {
            EXPECT_NE(choice.error.find(c.error), std::string::npos) << choice.error;
        }
        EXPECT_EQ(QFileInfo(QString::fromStdString(c.folder)).isDir(), c.error == nullptr);
    }
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + QString::fromUtf8("/caf\uFFFD")))
        << "no folder of another name is made";
    // Nor is a folder too long taken without being asked for.
    EXPECT_TRUE(ChooseProgramFolder("", "", named(238)).folder.empty());
}

TEST(ProgramFolder, ExecutableFolderWhenWritableAndNotInstalledElseAppData) {
    QTemporaryDir tmp;
    const std::string data = (tmp.path() + "/data/Orvane").toStdString();
    const std::string build = (tmp.path() + "/usr/bin2").toStdString();
    QDir().mkpath(QString::fromStdString(build));
    EXPECT_EQ(ChooseProgramFolder("", build, data).folder, build);

    // A folder that is not there (or cannot be written) sends the files to
    // the application data folder, made on first use.
    const std::string missing = (tmp.path() + "/no-such-bin").toStdString();
    EXPECT_EQ(ChooseProgramFolder("", missing, data).folder, data);
    EXPECT_TRUE(QDir(QString::fromStdString(data)).exists());

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
    EXPECT_EQ(ChooseProgramFolder("", PortableFolderCandidate(installed, installed), data).folder,
              data);

    // A build tree or a copy elsewhere stays portable.
    EXPECT_EQ(PortableFolderCandidate(build, installed), build);
    EXPECT_EQ(PortableFolderCandidate(build, ""), build);
}

} // namespace
