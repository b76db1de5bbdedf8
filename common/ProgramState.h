#pragma once
// The small program-wide state every window reaches: the program folder and
// the paths derived from it, the one device link, the link log and the site
// parameters.

#include "common/LinkLog.h"
#include "common/SiteParamRecord.h"

#include <functional>
#include <string>

class clsUSBInterface;

struct ProgramState {
    std::string ProgramFolder;
    std::string SettingsPath; // ProgramFolder + "/Settings.ini"
    std::string NodeFilePath; // ProgramFolder + "/NodeInfo.ini"
    // The device link; owned by the main window, which creates it at start-up
    // and releases it at shut-down. Null outside that span.
    clsUSBInterface* Link = nullptr;
    SiteParamRecord SiteParams;
    // Set while a window holds part of the host's site parameters for
    // itself (the remote node viewer keeps the host's node count at 0 while
    // it is open): every site parameter message the main window sends passes
    // through it. The record above keeps the site's own values.
    std::function<void(SiteParamRecord&)> SiteParamsHold;
    // Every line the device link writes, kept from start-up on whether or
    // not a window shows it.
    LinkLog Log;

    static ProgramState& Instance();
    void SetProgramFolder(const std::string& folder);
};
