#include "common/ProgramState.h"

ProgramState& ProgramState::Instance() {
    static ProgramState state;
    return state;
}

void ProgramState::SetProgramFolder(const std::string& folder) {
    ProgramFolder = folder;
    SettingsPath = folder + "/Settings.ini";
    NodeFilePath = folder + "/NodeInfo.ini";
}
