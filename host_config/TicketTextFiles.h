#pragma once
// The location and disclaimer texts' files as the main window keeps them:
// each text's file name, where its box's text came from (so an unedited text
// goes back byte for byte and an edited one in the form it was read in), and
// the files that must never be written because start-up could not take them
// on. A name that leads to another file of the program (Settings.ini, the
// node table, the other text's file) is refused. The boxes stay the
// window's; it lends their text through two functions.

#include "host_config/TicketTextFile.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace hostconfig {

class TicketTextFiles {
public:
    // Box 0 is the location (header) text, box 1 the disclaimer (footer).
    using BoxText = std::function<QString(std::size_t box)>;
    using SetBoxText = std::function<void(std::size_t box, const QString& text)>;
    TicketTextFiles(BoxText text, SetBoxText setText);

    const std::string& FileName(std::size_t box) const { return names_[box]; }
    void SetFileName(std::size_t box, const std::string& name) { names_[box] = name; }

    // FileAction 0 load location, 1 save location, 2 load disclaimer,
    // 3 save disclaimer. False when a save could not be written or an
    // existing file could not be read (the box then keeps its text); a
    // missing file loads nothing and is no failure. File names are the
    // bytes the system sees.
    bool LoadSave(int fileAction, const std::string& fileName);

    // Loads both texts from their files; what could not be taken on, one
    // line each. Such a file is kept from then on: never written over.
    QStringList LoadAtStartUp();
    // Saves both texts to their files; what could not be saved, one line
    // each (a kept file whose text was edited says why the edit is lost).
    QStringList SaveAtShutDown();

    // The dialog of file button n (numbered as FileAction).
    platform::FileDialogRequest DialogFor(int n) const;
    // The rest of file button n once `chosen` was picked: a load takes the
    // name on only when the file could be read, a save takes it on and
    // writes. The box to show when something was refused or failed.
    std::optional<platform::MessageRequest> Chosen(int n, const QString& chosen);

    // What else `fileName` is, when it leads to a file the program keeps
    // for something other than box `box`'s text; empty when nothing.
    QString OtherUseOf(std::size_t box, const std::string& fileName) const;

private:
    // Where a box's text came from.
    struct Source {
        TicketTextForm form;
        std::string bytes;
        QString shownText; // the box's text right after loading
        bool fromFile = false;
    };

    BoxText text_;
    SetBoxText setText_;
    std::array<std::string, 2> names_{};
    std::array<Source, 2> sources_{};
    // A file that must not be written (it could not be read, or its name is
    // unusable or another file's); empty when none.
    std::array<std::string, 2> kept_{};
    std::array<QString, 2> keptWhy_{}; // why, in words for the exit message
};

} // namespace hostconfig
