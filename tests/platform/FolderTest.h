#pragma once
// A fresh folder for each test, and plain readers and writers of its files
// that do not go through the code under test.
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace platformtest {

inline std::string Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void Store(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class FolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    std::string PathOf(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    // Every file in the folder, hidden ones too.
    QStringList Entries() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::System | QDir::Hidden);
    }

    QTemporaryDir dir_;
};

} // namespace platformtest
